#include "app/cmdline.h"

#include <unistd.h>

#include "app/console_run.h"
#include "app/conversion_service.h"
#include "app/options.h"
#include "settings/preferences_file.h"
#include "base/program.h"
#include "base/text_util.h"
#include "texts/language.h"

namespace pictavo {

std::string OptionName(const std::vector<std::string>& params, size_t k) {
  const std::string p(k < params.size() ? TrimBlanks(params[k]) : std::string_view());
  if (p.starts_with("--")) return ToUpperAscii(p.substr(0, p.find('=')));
  if (p.starts_with("-")) return ToUpperAscii(p);
  return "";
}

std::string OptionValue(const std::vector<std::string>& params, size_t k) {
  const std::string p(k < params.size() ? TrimBlanks(params[k]) : std::string_view());
  const size_t eq = p.find('=');
  if (p.starts_with("--") && eq != std::string::npos) return p.substr(eq + 1);
  return p;
}

std::vector<std::string> HelpLines(const std::string& programName) {
  // %s2% names an input group; the program has exactly one.
  auto example = [&](const char* text) { return FillPlaceholders(text, programName, InputGroups().front()); };
  std::string formats;
  for (const std::string& extension : OutputExtensions()) formats += (formats.empty() ? "" : " | ") + extension;
  return {
      " ",
      FillPlaceholders("Usage: %s1% -i <filename> [options]", programName),
      " ",
      example("  %s1% -i example.%s2%"),
      example("  %s1% -i /tmp/example.%s2%"),
      example("  %s1% -i /tmp/example.%s2% -o ~/converted"),
      example("  %s1% -i /tmp/example.%s2% -o ~/converted --png-compression=zlib6"),
      example("  %s1% -i ~/photos -o ~/converted --parallel=2"),
      " ",
      "Options:",
      " ",
      "  -h, -?, --help            Display this help and exit",
      "  -i PATH, --input=PATH     Set input file, or a folder of them",
      "  -o PATH, --output=PATH    Set output folder",
      "  -c STR, --conversion=STR  Set output extension, STR = (" + formats + ")",
      " ",
      "Advanced options:",
      " ",
      "  --width=NUM               Set output image width",
      "  --height=NUM              Set output image height",
      "  --filename-mask=STR       Define output filename format",
      "  --flip-horizontal         Flip output image horizontally",
      "  --flip-vertical           Flip output image vertically",
      "  --brightness=NUM          Set output image brightness, NUM = -100..100",
      "  --contrast=NUM            Set output image contrast, NUM = -100..100",
      "  --gamma=NUM               Set output image gamma, NUM = 0.01..9.99",
      "  --invert                  Invert output image",
      "  --greyscale               Greyscale output image",
      "  --profile=FILE            Set configuration file with required settings",
      "  --no-metadata             Don't copy the camera's metadata (EXIF) into the output",
      "  --parallel=NUM            Convert NUM files at once, 0 = one per core",
      "    ...                     Refer documentation for all available options",
      " ",
      "Other options:",
      " ",
      "  -q, --quiet               Don't print status messages to stdout",
      "  -d, --debug               Print debug information to stdout",
      "  -p, --pause               Pause at exit",
      "  -v, --version             Display version information and exit",
  };
}

namespace {

struct ParseState {
  bool quiet = false;
  bool pause = false;
  std::string error;
};

// Removes every double quote at the start and at the end.
std::string Unquote(std::string value) {
  size_t first = value.find_first_not_of('"');
  if (first == std::string::npos) return "";
  size_t last = value.find_last_not_of('"');
  return value.substr(first, last - first + 1);
}

bool IsShortOrLong(const OptionRow& row) {
  return row.action == OptionAction::Input || row.action == OptionAction::Output ||
         row.action == OptionAction::Conversion;
}

// Applies one command-line option whose value has been read and unquoted.
void ApplyOption(const OptionRow& row, const std::string& value, ProcessState& state, ParseState& parse) {
  switch (row.action) {
    case OptionAction::Input: state.job.inputPath = value; break;
    case OptionAction::Output: state.job.outputFolder = value; break;
    case OptionAction::Conversion: state.job.outputExtension = value; break;
    case OptionAction::Debug: state.job.runMarker = RunMarker::Debug; break;
    case OptionAction::Quiet: parse.quiet = true; break;
    case OptionAction::Pause: parse.pause = true; break;
    case OptionAction::Profile:
      if (!LoadProfile(value, state.settings)) parse.error = "Invalid profile file";
      break;
    case OptionAction::Setting: ApplySettingOption(row, value, state.settings); break;
  }
}

void ReadOptions(const std::vector<std::string>& params, ProcessState& state, ParseState& parse) {
  const size_t n = params.size();
  for (size_t k = 0; k < n && parse.error.empty(); ++k) {
    const std::string name = OptionName(params, k);
    const OptionRow* row = FindCommandLineOption(name);
    if (!row) continue;  // unknown parameters are ignored without a message

    std::string value;
    if (row->form != OptionForm::Flag) {
      if (row->action == OptionAction::Input) state.job.consoleRun = true;  // set before the value is tested
      bool wrong;
      if (IsShortOrLong(*row)) {
        if (!name.starts_with("--")) ++k;
        value = OptionValue(params, k);
        wrong = value.empty() || value[0] == '-';
      } else {
        value = OptionValue(params, k);
        wrong = value.empty() || value.starts_with("--");
      }
      if (wrong) {
        parse.error = "Incorrect number of parameters";
        break;
      }
      const bool joinQuotes = row->action != OptionAction::Conversion &&
                              (row->form == OptionForm::Text || row->action == OptionAction::Profile);
      if (joinQuotes && value.front() == '"' && value.back() != '"') {
        while (k + 1 < n) {
          ++k;
          value += " " + OptionValue(params, k);
          if (value.back() == '"') break;
        }
      }
      value = Unquote(value);
    }
    ApplyOption(*row, value, state, parse);
  }
}

void ReportError(ProcessState& state, const ParseState& parse) {
  Console& console = state.console;
  console.Open();
  console.SetTitle(ProgramTitle());
  console.PrintLine("Error: " + parse.error);
  if (parse.pause) console.WaitForKey();
  console.Close();
}

int RunConsoleFrame(ProcessState& state, const ParseState& parse) {
  Console& console = state.console;
  console.Open();
  console.SetTitle(ProgramTitle());
  if (!parse.quiet) {
    console.PrintLine(ProgramTitle());
    console.PrintLine(" ");
  }
  const int status = RunConsoleConversion(state, parse.quiet);
  if (parse.pause) {
    console.PrintLine("Press any key to exit.");
    console.WaitForKey();
  }
  console.Close();
  return status;
}

}  // namespace

bool LoadProfile(const std::string& path, Settings& settings) {
  PreferencesFile file;
  if (!file.Open(path)) return false;
  file.SelectGroup("CLI");
  for (const auto& [key, rawValue] : file.Keys()) {
    const OptionRow* row = FindProfileOption(ToUpperAscii(key));
    if (!row) continue;
    std::string value(TrimBlanksTabs(rawValue));
    // Profiles keep quotes in text values, except around the filename mask.
    if (row->target && std::string_view(row->target->key) == "Filename Mask") value = Unquote(value);
    ApplySettingOption(*row, value, settings);
  }
  return true;
}

std::optional<int> ParseCommandLine(const std::vector<std::string>& params, ProcessState& state) {
  if (params.empty()) return std::nullopt;

  Console& console = state.console;
  const std::string first = OptionName(params, 0);
  if (first == "-V" || first == "--VERSION") {
    console.Open();
    console.SetTitle(ProgramTitle());
    console.PrintLine(FormatVersion(kVersionNumber));
    console.Close();
    return kExitOk;
  }
  if (first == "-H" || first == "-?" || first == "--HELP") {
    console.Open();
    console.SetTitle(ProgramTitle());
    for (const std::string& line : HelpLines(state.programName)) console.PrintLine(line);
    console.Close();
    return kExitOk;
  }

  // Version and help need none of the tables; everything else does.
  BuildFormatTables(state.tables);
  ResetJob(state.job, state.files, state.accepted, state.tables.inputExtensions);
  SetDefaultSettings(state.settings, 1);
  BuildLanguageTable();

  // The window's converter (app/conversion_service.h), never a terminal's.
  if (first == kConversionServiceOption && params.size() == 1 && !isatty(STDIN_FILENO))
    return RunConversionService(state, STDIN_FILENO, STDOUT_FILENO);

  // The two modes with a window of their own; the caller runs them.
  if (first == "-U") {
    state.windowMode = WindowMode::UninstallPage;
    return std::nullopt;
  }
  if (first == "-T") {
    state.windowMode = WindowMode::Screenshot;
    state.screenshotFolder = OptionValue(params, 1);
    state.job.runMarker = RunMarker::Screenshot;
    return std::nullopt;
  }

  ParseState parse;
  ReadOptions(params, state, parse);
  if (!parse.error.empty()) {
    ReportError(state, parse);
    return kExitUsageError;
  }
  if (state.job.consoleRun) return RunConsoleFrame(state, parse);
  if (params.size() == 1 && !params[0].starts_with("-")) state.givenFile = params[0];
  return std::nullopt;
}

}  // namespace pictavo
