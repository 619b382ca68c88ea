// Descriptors and the loops every reader and writer of them needs: one owned
// descriptor, reading and writing that goes on after interruptions and short
// transfers.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <utility>

namespace pictavo {

// An owned descriptor, closed when it goes.
class UniqueFd {
 public:
  explicit UniqueFd(int fd = -1) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset(int fd = -1);
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Writes all of `size` bytes to `fd`; false on any error.
bool WriteAllTo(int fd, const char* bytes, size_t size);

// Appends what `fd` holds up to its end to `bytes`; false on a read error or
// when there would be more than `limit` bytes in all.
bool ReadAllFrom(int fd, std::string& bytes, size_t limit);

// Reads up to `count` bytes at `offset`, fewer only at the end of the file;
// how many, or -1 on a read error.
ssize_t ReadAt(int fd, void* buffer, size_t count, off_t offset);

// The folder part of `path`, through its last "/" ("" when there is none):
// the program's folders end in "/", so a name can be appended as it is.
std::string FolderOf(const std::string& path);

}  // namespace pictavo
