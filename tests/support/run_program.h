// Runs the built program as a subprocess and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace pictavo::test {

struct ProgramResult {
  int exitStatus = -1;  // -1 when it did not exit normally
  std::string out;
  std::string err;
  std::vector<std::string> lines;  // `out` split at "\n"
};

// `stdinText` is fed to standard input (then closed). `env` entries are
// "NAME=value" added to the current environment. The child is killed after
// `timeoutSeconds`.
ProgramResult RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                         const std::string& workingDir = "", int timeoutSeconds = 120,
                         const std::string& executable = "");

// Starts the built program without waiting, its output discarded and
// SIGINT, SIGTERM and SIGHUP at their default actions; the pid, or -1. WaitForProgram gives the wait status (WIFSIGNALED and the like).
int SpawnProgram(const std::vector<std::string>& args);
int WaitForProgram(int pid);

// Waits (up to `seconds`) until a copy of the program `pid` holds a file
// open in `folder`: it is writing its output, which may have no name yet.
// That copy's pid, or -1.
int CopyWritingInto(int pid, const std::string& folder, int seconds = 60);

}  // namespace pictavo::test
