#include "app/process.h"

#include "engine/job.h"

namespace pictavo {

std::string ProgramFileName() {
  const std::string path = ExecutablePath();
  if (path.empty()) return "pictavo";
  std::string name = path.substr(path.find_last_of('/') + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

}  // namespace pictavo
