// Helpers shared by the fuzz entry points. An entry point takes the raw input
// and returns "" when the code under test behaved, or what went wrong; the
// libFuzzer targets abort on a non-empty answer, and the regression tests
// replay their inputs through the same entry points and expect "".
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo::fuzz {

// A file for code that reads from a path: one per process, rewritten for every
// input, removed when the process ends.
class ScratchFile {
 public:
  static ScratchFile& Get() {
    static ScratchFile file;
    return file;
  }

  // Replaces the file's contents; returns its path ("" when it cannot be written).
  const std::string& Write(std::string_view bytes) {
    static const std::string none;
    const int fd = open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return none;
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fd);
    return done == bytes.size() ? path_ : none;
  }

  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

 private:
  ScratchFile() {
    const char* tmp = std::getenv("TMPDIR");
    path_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/pictavo-fuzz-XXXXXX";
    const int fd = mkstemp(path_.data());
    if (fd >= 0) close(fd);
    else path_ = "/nonexistent/pictavo-fuzz";
  }
  ~ScratchFile() { unlink(path_.c_str()); }

  std::string path_;
};

// The input cut at '\n' into at most `fields` parts; the last part keeps
// the rest, line breaks included.
inline std::vector<std::string> SplitFields(std::string_view input, size_t fields) {
  std::vector<std::string> parts;
  while (parts.size() + 1 < fields) {
    const size_t end = input.find('\n');
    if (end == std::string_view::npos) break;
    parts.emplace_back(input.substr(0, end));
    input.remove_prefix(end + 1);
  }
  parts.emplace_back(input);
  parts.resize(fields);
  return parts;
}

// For the libFuzzer targets: a wrong answer is a crash, with its reason.
inline int Verdict(const std::string& problem) {
  if (!problem.empty()) {
    std::fprintf(stderr, "fuzz check failed: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}

}  // namespace pictavo::fuzz
