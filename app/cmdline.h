// The command line: run-mode selection, options, profiles, help and the
// console frame around a conversion run.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/process.h"

namespace pictavo {

// Exit statuses of the console modes. Scripts can tell a failed run from a
// successful one, and a mistyped command line from both.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRunStopped = 1;
inline constexpr int kExitUsageError = 2;

// Name and value of parameter k (a position past the end reads as "").
std::string OptionName(const std::vector<std::string>& params, size_t k);
std::string OptionValue(const std::vector<std::string>& params, size_t k);

// Decides the run mode from the parameters. Console modes run to their end
// here and give the exit status; std::nullopt means a window is to start:
// state.windowMode says which.
std::optional<int> ParseCommandLine(const std::vector<std::string>& params, ProcessState& state);

// Reads the [CLI] group of a profile file into the settings; false when the
// file cannot be opened.
bool LoadProfile(const std::string& path, Settings& settings);

// The help text, line by line.
std::vector<std::string> HelpLines(const std::string& programName);

}  // namespace pictavo
