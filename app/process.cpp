#include "app/process.h"

#include <unistd.h>

namespace pictavo {

std::string ProgramFileName() {
  std::string buffer(4096, '\0');
  ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "pictavo";
  buffer.resize(static_cast<size_t>(n));
  std::string name = buffer.substr(buffer.find_last_of('/') + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace pictavo
