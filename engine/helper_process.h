// Starting and waiting for the helper processes that read untrusted files
// (the metadata reader): each gets /dev/null for its standard
// streams, a result file as descriptor 3, a counter to report through as
// descriptor 4 and nothing else of ours.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/file_io.h"

namespace pictavo {

// How a decode is bounded, in the copy of the program that converts a file.
struct DecodeLimits {
  // Wall-clock time one decode may take before the copy is ended.
  std::chrono::milliseconds timeout{std::chrono::seconds(60)};
  // Address space a decode may use, in bytes; 0 for no limit. Well above
  // what a full decode of the largest photographs needs (a 24-megapixel one
  // peaks below 400 MiB). A decode that runs into it mostly fails cleanly and
  // gives no picture.
  uint64_t memoryLimit = uint64_t{8} << 30;
};

// The limits above. PICTAVO_DECODE_TIMEOUT, when set to whole seconds from
// 1 to 3600, replaces the 60 s time limit (tests use it to end a hanging
// decode sooner).
DecodeLimits DefaultDecodeLimits();

// The descriptor a helper finds its result file under.
inline constexpr int kHelperResultFd = 3;
// The descriptor of the counter a helper adds 1 to once its result is
// complete, just before it ends. Ending takes a process longer than many a small
// decode (every page it mapped is given back), and the program need not wait
// for it.
inline constexpr int kHelperDoneFd = 4;

// A new, empty shared memory file for a helper's result, close-on-exec and
// above the descriptors a helper's are set up from; -1 on failure.
int HelperResultFile(const char* name);

// The counter a helper reports through (an eventfd, close-on-exec and above
// the descriptors a helper's are set up from); -1 on failure. Unlike a
// pipe's, its wake-up does not tell the scheduler that the helper is about
// to sleep: the program wakes on an idle processor instead of taking the
// helper's, which still has its ending to do.
int HelperDoneSignal();

// Starts `executable` with `args` (after its own name), `resultFd` as its
// descriptor 3 and `doneFd` as its descriptor 4.
bool SpawnHelperProcess(const std::string& executable, const std::vector<std::string>& args, int resultFd,
                        int doneFd, pid_t& pid);

// Waits until the helper reports its result complete through `doneFd` (from
// HelperDoneSignal) or ends, killing it when its time is up. True when it
// reported, or ended by itself with status 0. One that reported is left to
// end by itself, out of the program's way, and is collected by
// CollectEndedHelpers.
bool WaitForHelperProcess(pid_t pid, int doneFd, std::chrono::milliseconds timeout);

// Kills the helper and collects it.
void EndHelperProcess(pid_t pid);

// The helpers that reported and were left to end: CollectEndedHelpers
// collects those already gone; EndFinishedHelpers kills and collects every
// one (nothing is left for them to do, and waiting would only hold the
// caller up behind a helper that hangs on its way out).
void CollectEndedHelpers();
void EndFinishedHelpers();

// The helper `name` beside the running program, or in ../libexec/pictavo
// from it in an installed tree.
std::string HelperExecutable(const char* name);

}  // namespace pictavo
