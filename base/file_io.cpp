#include "base/file_io.h"

#include <unistd.h>

#include <cerrno>

namespace pictavo {

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) close(fd_);
  fd_ = fd;
}

bool WriteAllTo(int fd, const char* bytes, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAllFrom(int fd, std::string& bytes, size_t limit) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (bytes.size() + static_cast<size_t>(n) > limit) return false;
    bytes.append(buffer, static_cast<size_t>(n));
  }
}

ssize_t ReadAt(int fd, void* buffer, size_t count, off_t offset) {
  size_t done = 0;
  while (done < count) {
    const ssize_t n = pread(fd, static_cast<char*>(buffer) + done, count - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace pictavo
