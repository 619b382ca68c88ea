// The command line read in-process with fresh records for every input.
// Parameters that would read a file (-i, --profile) or wait for a key (-p)
// are left out, so a fuzzed command line never starts a conversion, never
// opens an arbitrary file and never blocks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/cmdline.h"
#include "app/options.h"
#include "fuzz/fuzz_support.h"
#include "base/text_util.h"

namespace pictavo::fuzz {

// Fresh records for one in-process read of a command line, with what it
// prints collected instead of shown.
struct CommandLineRecords {
  Settings settings;
  ConversionJob job;
  ConversionProgress progress;
  InputFiles files;
  FormatTables tables;
  std::vector<std::string> accepted;
  std::vector<std::string> printed;
  Console console{[this](std::string_view line) { printed.emplace_back(line); }};
  ProcessState state{settings, job, progress, files, tables, accepted, console, "pictavo", {}, {}, {}, {}, {}, {}};

  CommandLineRecords() = default;
  CommandLineRecords(const CommandLineRecords&) = delete;
  CommandLineRecords& operator=(const CommandLineRecords&) = delete;
};

// One parameter per line.
inline std::string CommandLine(std::string_view input) {
  std::vector<std::string> params;
  size_t pos = 0;
  while (pos <= input.size()) {
    size_t end = input.find('\n', pos);
    if (end == std::string_view::npos) end = input.size();
    std::string param(input.substr(pos, end - pos));
    pos = end + 1;
    const OptionRow* row = FindCommandLineOption(OptionName({param}, 0));
    if (row && (row->action == OptionAction::Input || row->action == OptionAction::Profile ||
                row->action == OptionAction::Pause))
      continue;
    params.push_back(std::move(param));
  }

  CommandLineRecords records;
  const ConversionJob& job = records.job;
  const std::vector<std::string>& printed = records.printed;
  const std::optional<int> status = ParseCommandLine(params, records.state);
  if (job.consoleRun) return "a command line without an input option chose a console run";
  if (!status) return printed.empty() ? "" : "the desktop was chosen after console output";
  if (*status == kExitUsageError) {
    if (printed.size() != 1 || !printed.front().starts_with("Error: "))
      return "a command-line error is not reported as one error line";
    return "";
  }
  if (*status != kExitOk) return "a command line without an input option ended with " + std::to_string(*status);
  return "";
}

}  // namespace pictavo::fuzz
