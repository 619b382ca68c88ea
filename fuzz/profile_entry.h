// Console profiles: the bytes as a profile file, read directly and through
// the command line's --profile option.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/cmdline.h"
#include "fuzz/command_line_entry.h"
#include "fuzz/fuzz_support.h"

namespace pictavo::fuzz {

inline std::string Profile(std::string_view input) {
  const std::string path = ScratchFile::Get().Write(input);
  if (path.empty()) return "cannot write the scratch file";

  Settings direct;
  SetDefaultSettings(direct, 1);
  if (!LoadProfile(path, direct)) return "a readable profile was refused";

  // General options are no profile keys: whatever the profile holds, it
  // neither starts a run nor makes the command line fail.
  CommandLineRecords records;
  const ConversionJob& job = records.job;
  const std::vector<std::string>& printed = records.printed;
  const std::optional<int> status = ParseCommandLine({"--profile=" + path}, records.state);
  if (status) return "a profile ended the command line with status " + std::to_string(*status);
  if (job.consoleRun || !job.inputPath.empty()) return "a profile chose an input file";
  if (!printed.empty()) return "reading a profile printed: " + printed.front();
  return "";
}

}  // namespace pictavo::fuzz
