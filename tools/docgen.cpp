// pictavo_docgen: writes the documents that describe the program from its
// own tables (options, keywords, extensions, mask tokens), so they cannot
// drift from what the program reads.
//
//   pictavo_docgen --manual TEMPLATE OUTPUT   the HTML manual: TEMPLATE with
//                                             @VERSION@ and @OPTION_REFERENCE@
//                                             filled in
//   pictavo_docgen --man DATA CHANGELOG OUTPUT
//                                             the manual page pictavo.1; DATA
//                                             is the installed data folder
//                                             (/usr/share/pictavo), CHANGELOG
//                                             the release history that dates
//                                             the page
//   pictavo_docgen --completion OUTPUT        the bash completion script
//   pictavo_docgen --desktop GLOBS OUTPUT     the desktop entry; GLOBS is
//                                             shared-mime-info's globs2 file,
//                                             which names the MIME types of
//                                             the RAW extensions
//   pictavo_docgen --mime GLOBS OUTPUT        the shared-mime-info package
//                                             for the RAW extensions GLOBS
//                                             does not know
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <algorithm>
#include <map>
#include <set>

#include "app/cmdline.h"
#include "app/options.h"
#include "engine/formats.h"
#include "engine/naming.h"
#include "settings/keywords.h"
#include "base/program.h"
#include "base/text_util.h"

using namespace pictavo;

namespace {

std::string Html(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// roff: backslashes and hyphens escaped ("\-" is a minus or a hyphen that
// may not break, as options need). Lines are guarded by RoffLine.
std::string Roff(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  return out;
}

// A text line may not start with a control character.
std::string RoffLine(std::string line) {
  if (!line.empty() && (line.front() == '.' || line.front() == '\'')) line.insert(0, "\\&");
  return line + "\n";
}

// The manual and the manual page describe the options in the same words;
// only their markup differs.
struct Markup {
  std::string (*text)(std::string_view);     // plain text
  std::string (*var)(std::string_view);      // a metavariable: NUM, FILE
  std::string (*literal)(std::string_view);  // typed as it stands: an option, a keyword
};

const Markup kHtml{Html, [](std::string_view t) { return "<var>" + Html(t) + "</var>"; },
                   [](std::string_view t) { return "<code>" + Html(t) + "</code>"; }};
const Markup kRoff{Roff, [](std::string_view t) { return "\\fI" + Roff(t) + "\\fR"; },
                   [](std::string_view t) { return "\\fB" + Roff(t) + "\\fR"; }};

std::string Joined(const std::vector<std::string>& words, const Markup& m, const char* separator = ", ") {
  std::string out;
  for (const std::string& word : words) out += (out.empty() ? "" : m.text(separator)) + m.literal(word);
  return out;
}

// The extensions -i takes, and a file given alone to open the window.
std::vector<std::string> AcceptedExtensions() {
  InputExtensionMap extensions;
  BuildInputExtensions(extensions);
  return BuildAcceptedExtensions(extensions, InputGroups());
}

const char* ValueName(const OptionRow& row) {
  switch (row.form) {
    case OptionForm::Num: return "NUM";
    case OptionForm::Real: return "REAL";
    case OptionForm::Word: return "WORD";
    case OptionForm::Text:
      if (row.action == OptionAction::Input) return "PATH";
      if (row.action == OptionAction::Profile || row.valueIsFile) return "FILE";
      if (row.action == OptionAction::Output) return "FOLDER";
      if (row.action == OptionAction::Conversion) return "FORMAT";
      return "TEXT";
    case OptionForm::Flag: return "";
  }
  return "";
}

// "-i PATH, --input=PATH"
std::string Synopsis(const OptionRow& row, const Markup& m) {
  std::string out;
  const std::string value = ValueName(row);
  for (const std::string& name : row.names) {
    if (!out.empty()) out += m.text(", ");
    out += m.literal(ToLowerAscii(name));
    if (!value.empty()) out += m.text(name.starts_with("--") ? "=" : " ") + m.var(value);
  }
  return out;
}

// What the run options do; every other option writes settings, which say it.
std::string RunOptionText(const OptionRow& row, const Markup& m) {
  const std::string value = ValueName(row);
  switch (row.action) {
    case OptionAction::Input:
      return m.text("The RAW file to convert, or a folder: every RAW file below it, subfolders included, in name "
                    "order. Starts a console conversion. A RAW file's name ends in one of: ") +
             Joined(AcceptedExtensions(), m) + m.text(" (in any letter case).");
    case OptionAction::Output:
      return m.text("The folder the PNG files are written to; it must exist. Relative folders count from the "
                    "current folder. Without it, the input file's folder (or the input folder itself).");
    case OptionAction::Conversion:
      return m.text("The output format, in lower case: ") + Joined(OutputExtensions(), m) + m.text("; ") +
             m.literal(OutputExtensions().front()) + m.text(" when the option is left out.");
    case OptionAction::Profile:
      return m.text("Reads further options from the [CLI] group of a profile file, where it stands among the "
                    "options.");
    case OptionAction::Debug: return m.text("Prints every setting the run uses, and what happens to each file.");
    case OptionAction::Quiet: return m.text("Prints nothing but errors.");
    case OptionAction::Pause:
      return m.text("Waits for a key before the program ends (not when standard input is no terminal).");
    case OptionAction::Setting: break;
  }
  return "";
}

std::string SettingName(const SettingDescriptor& d) { return std::string(d.group) + " / " + d.key; }

// Options of formats the program neither reads nor writes.
std::string WithoutEffectText(const OptionRow& row) {
  return std::string("Accepted in profiles and on the command line, without effect: the program ") +
         (row.echoStep == EchoStep::InputFormat ? "reads" : "writes") + " no " + ToUpperAscii(row.format) +
         " files.";
}

// What a setting option writes, and what its value may be, in words.
std::string SettingText(const OptionRow& row, const Markup& m) {
  std::string text;
  if (row.target) text = "Sets " + SettingName(*row.target) + ".";
  for (const FixedWrite& w : row.fixed)
    text += std::string(text.empty() ? "Sets " : " Also sets ") + w.group + " / " + w.key + " to " +
            std::to_string(w.value) + ".";
  text = m.text(text);
  const std::string value = ValueName(row);
  if (row.form == OptionForm::Word) {
    std::vector<std::string> words = KeywordsOf(row.keywords, row.format);
    for (std::string& word : words) word = ToLowerAscii(word);
    text += m.text(" ") + m.var(value) + m.text(" is one of: ") + Joined(words, m) + m.text(".");
  } else if (!row.values.empty()) {
    text += m.text(" ") + m.var(value) + m.text(" is " + row.values + ".");
  }
  if (row.scope == OptionScope::ProfileOnly) text += m.text(" Profiles only.");
  if (!OptionTakesEffect(row)) text += m.text(" " + WithoutEffectText(row));
  return text;
}

std::string OptionText(const OptionRow& row, const Markup& m) {
  return row.action == OptionAction::Setting ? SettingText(row, m) : RunOptionText(row, m);
}

std::string OptionReference() {
  auto table = [](bool effective) {
    std::string out = "<table class=\"options\">\n<tr><th>Option</th><th>What it does</th></tr>\n";
    for (const OptionRow& row : OptionTable())
      if (OptionTakesEffect(row) == effective)
        out += "<tr><td>" + Synopsis(row, kHtml) + "</td><td>" + OptionText(row, kHtml) + "</td></tr>\n";
    return out + "</table>\n";
  };
  return table(true) +
         "<p id=\"options-without-effect\">The options of the input formats the program does not read and of the "
         "output formats it does not write are accepted in profiles and on the command line, without effect; the "
         "bash completion does not offer them.</p>\n" +
         table(false);
}

bool ReadFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out);
}

// ---- manual page ----

const std::pair<std::string_view, const char*> kTokenMeanings[] = {
    {"%filename%", "the input file name without folder and last extension"},
    {"%filename[u]%", "the same in upper case"},
    {"%filename[l]%", "the same in lower case"},
    {"%filename[t]%", "the same with its first letter in upper case and the rest in lower case"},
    {"%ext%", "the output extension (png)"},
    {"%ext[u]%", "the output extension in upper case"},
    {"%ext[t]%", "the output extension with its first letter in upper case"},
    {"%yyyy%", "the year, four digits"},
    {"%mm%", "the month, two digits"},
    {"%dd%", "the day of the month, two digits"},
    {"%hh%", "the hour, 00 to 23"},
    {"%ii%", "the minute, two digits"},
    {"%ss%", "the second, two digits"},
    {"%bpp%", "the bits per pixel of the saved file"},
    {"%width%", "the width of the saved picture"},
    {"%height%", "the height of the saved picture"},
    {"%rnd%", "a random number, five digits"},
    {"%n%", "the sequence number of the file in the run, five digits"},
};

std::string TokenMeaning(std::string_view token) {
  for (const auto& [name, meaning] : kTokenMeanings)
    if (name == token) return meaning;
  return "";
}

// The page's date, YYYY-MM-DD: SOURCE_DATE_EPOCH's day when the build sets
// it, else the day of this version's entry in the release history (Debian's
// changelog format), so that the same sources always give the same page.
bool PageDate(const std::string& changelogPath, std::string& date, std::string& error) {
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
    char* end = nullptr;
    errno = 0;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (!*epoch || *end || errno || seconds < 0) {
      error = std::string("SOURCE_DATE_EPOCH is not a number of seconds: ") + epoch;
      return false;
    }
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm day{};
    char text[16];
    if (!gmtime_r(&time, &day) || !std::strftime(text, sizeof text, "%Y-%m-%d", &day)) {
      error = std::string("SOURCE_DATE_EPOCH is out of range: ") + epoch;
      return false;
    }
    date = text;
    return true;
  }
  std::string changelog;
  if (!ReadFile(changelogPath, changelog)) {
    error = "cannot read " + changelogPath;
    return false;
  }
  const std::string heading = std::string(kBaseName) + " (" + FormatVersion(kVersionNumber) + ")";
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  bool inEntry = false;
  std::istringstream lines(changelog);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line[0] != ' ') inEntry = line.starts_with(heading);
    // " -- Name <address>  Wed, 09 Dec 2026 12:00:00 +0000"
    if (!inEntry || !line.starts_with(" -- ")) continue;
    const size_t comma = line.find(", ", line.find(">  "));
    int dayOfMonth = 0, year = 0;
    char month[4] = {};
    if (comma != std::string::npos &&
        std::sscanf(line.c_str() + comma + 2, "%d %3s %d", &dayOfMonth, month, &year) == 3) {
      for (int i = 0; i < 12; ++i) {
        if (std::string_view(month) != kMonths[i]) continue;
        char text[16];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, i + 1, dayOfMonth);
        date = text;
        return true;
      }
    }
    break;
  }
  error = "no dated entry for " + heading + " in " + changelogPath;
  return false;
}

// The commands of the help's examples (pictavo --help).
std::vector<std::string> HelpExamples() {
  std::vector<std::string> examples;
  const std::string start = std::string("  ") + kBaseName + " ";
  for (const std::string& line : HelpLines(kBaseName))
    if (line.starts_with(start)) examples.push_back(line.substr(2));
  return examples;
}

// `dataFolder` is where the program's data is installed (the manual, the
// themes), e.g. /usr/share/pictavo.
std::string ManPage(const std::string& date, const std::string& dataFolder) {
  std::ostringstream out;
  const std::string raw = ToUpperAscii(InputGroups().front());
  const std::string lock = ProgramTitle() + ".lock";
  const std::string config = std::string(kMakerWord) + "/" + kBaseName + "/config.ini";
  out << ".TH PICTAVO 1 " << date << " \"" << kDisplayName << " " << FormatVersion(kVersionNumber)
      << "\" \"User Commands\"\n"
      << ".SH NAME\npictavo \\- convert camera RAW photographs into PNG files\n"
      << ".SH SYNOPSIS\n.B pictavo\n.RI [ FILE | FOLDER ]\n.br\n"
      << ".B pictavo \\-i\n.IR FILE | FOLDER\n.RB [ \\-o\n.IR FOLDER ]\n.RB [ \\-c\n.IR FORMAT ]\n"
      << ".RI [ option ...]\n.br\n.B pictavo\n.BR \\-v \" | \" \\-h\n"
      << ".br\n.B pictavo \\-T\n.RI [ FOLDER ]\n.br\n.B pictavo \\-U\n"
      << ".SH DESCRIPTION\n"
      << "Without arguments, " << kRoff.literal(kBaseName)
      << " opens its window, where the photographs, the output folder and every setting are chosen; the window "
      << "keeps its settings in config.ini (see\n.BR FILES ).\n"
      << "With a RAW file or a folder as its only argument, it opens the window with that file or folder as the "
      << "input, as a file manager's \\(lqOpen With\\(rq does; a file with nothing to convert is ignored. "
      << "Options without\n.B \\-i\nopen the window as well and have no effect there.\n"
      << ".PP\nWith\n.B \\-i\nit converts the file named on the command line, or every RAW file below the folder "
      << "named (several at once, see\n.BR \\-\\-parallel ),\nand reports on standard output; no window opens and "
      << "no display is needed. The console starts from the built-in settings, changed only by its options and "
      << "profiles: it never reads or writes config.ini.\n"
      << ".PP\nOption names are not case-sensitive. Long options take their value after \\(lq=\\(rq, in the same "
      << "argument; short options take it from the next argument. Options are applied from left to right, and "
      << "unknown ones are ignored. Values are read as\n.TP\n" << kRoff.var("NUM") << "\n"
      << "a whole number: decimal, hexadecimal after \\(lq$\\(rq or binary after \\(lq%\\(rq;\n"
      << ".TP\n" << kRoff.var("REAL") << "\na number with \\(lq.\\(rq as decimal point;\n"
      << ".TP\n" << kRoff.var("WORD") << "\none of the keywords listed with the option, in any letter case (any "
      << "other word selects the first);\n"
      << ".TP\n" << kRoff.var("TEXT") << ", " << kRoff.var("FILE") << ", " << kRoff.var("FOLDER") << ", "
      << kRoff.var("PATH") << "\nany text; quote a value with blanks for the shell.\n"
      << ".SH OPTIONS\n"
      << "Options that change a setting name it as the window's config.ini does,\n.IR Group \" / \" Key ;\n"
      << "the groups are the pages of the window's preferences and the subsections below.\n"
      << ".SS Running\n";
  auto option = [&out](const OptionRow& row) {
    out << ".TP\n" << RoffLine(Synopsis(row, kRoff)) << RoffLine(OptionText(row, kRoff));
  };
  for (const OptionRow& row : OptionTable())
    if (row.action != OptionAction::Setting) option(row);
  out << ".TP\n.BR \\-v \", \" \\-\\-version\nPrints the version and ends; only as the first argument.\n"
      << ".TP\n.BR \\-h \", \" \\-? \", \" \\-\\-help\nPrints a short help and ends; only as the first argument.\n"
      << ".TP\n\\fB\\-T\\fR [\\fIFOLDER\\fR]\nOnly as the first argument: shows the main window filled with sample "
      << "data and saves a picture of it, pictavo1.jpg, and a thumbnail 180 pixels wide, pictavo1x.jpg, into "
      << kRoff.var("FOLDER") << " (the program's folder when it is left out); a folder that does not exist "
      << "shows and saves nothing. Needs a display; reads and writes no config.ini and takes no lock.\n"
      << ".TP\n.B \\-U\nOnly as the first argument: shows a small window whose check box, with Next, opens the "
      << "product's uninstall page on the maker's web site (" << Roff(ProductPageAddress()) << "uninstall.html) "
      << "in the web browser. Needs a display; reads and writes no config.ini and takes no lock.\n";
  // Settings, by their group, in the order of the table; then the options
  // that change nothing.
  std::vector<std::string> groups;
  for (const OptionRow& row : OptionTable())
    if (row.action == OptionAction::Setting && row.echoed && OptionTakesEffect(row) &&
        std::find(groups.begin(), groups.end(), row.echoed->group) == groups.end())
      groups.push_back(row.echoed->group);
  for (const std::string& group : groups) {
    out << ".SS " << group << "\n";
    for (const OptionRow& row : OptionTable())
      if (row.action == OptionAction::Setting && row.echoed && row.echoed->group == group && OptionTakesEffect(row))
        option(row);
  }
  out << ".SS \"Options without effect\"\n"
      << "The options of the input formats " << kRoff.literal(kBaseName) << " does not read (it reads " << raw
      << " files only) and of the output formats it does not write (it writes "
      << ToUpperAscii(OutputExtensions().front())
      << " files only) are accepted in profiles and on the command line, without effect; the bash completion "
      << "does not offer them.\n";
  for (const OptionRow& row : OptionTable())
    if (!OptionTakesEffect(row)) option(row);

  out << ".SH FILENAME MASK\nThe output file name comes from the filename mask (" << kRoff.literal("--filename-mask")
      << ", default %filename%.%ext%). The mask is turned into lower case first; these tokens are then replaced, "
      << "in this order:\n";
  for (std::string_view token : FilenameTokens()) out << ".TP\n.B " << Roff(token) << "\n" << TokenMeaning(token) << "\n";
  out << ".SH PROFILES\nA profile is a text file of the form\n.PP\n.RS\n.nf\n[CLI]\n\\-\\-png\\-compression = zlib9\n"
      << "\\-\\-brightness = 10\n.fi\n.RE\n.PP\nwhose keys are option names (setting options only) and whose values "
      << "are read as on the command line. It is read where\n.B \\-\\-profile\nstands among the options.\n";

  out << ".SH EXIT STATUS\n.TP\n.B 0\nEvery file was converted (and for \\-v, \\-h and the window).\n"
      << ".TP\n.B 1\nThe run stopped or did not convert every file.\n.TP\n.B 2\nThe command line was wrong, "
      << "a profile could not be read, or the window had no display.\n";

  out << ".SH ENVIRONMENT\n"
      << ".TP\n.B XDG_CONFIG_HOME\nWhere the window keeps config.ini.\n"
      << ".TP\n.BR XDG_RUNTIME_DIR \", \" XDG_CACHE_HOME\nWhere the window keeps its lock.\n"
      << ".TP\n.BR DISPLAY \", \" WAYLAND_DISPLAY \", \" QT_QPA_PLATFORM\n"
      << "The display of the window; without any of them the window does not start.\n"
      << ".TP\n.B PICTAVO_DECODE_TIMEOUT\nSeconds (1 to 3600, default 60) one file may take to decode; "
      << "each file is converted in a process of its own, and a file that hangs or crashes it counts as not "
      << "converted.\n";

  out << ".SH FILES\n"
      << ".TP\n.I $XDG_CONFIG_HOME/" << Roff(config) << "\n"
      << "The settings of the window (" << kRoff.var("~/.config/" + config) << " when XDG_CONFIG_HOME is not set).\n"
      << ".TP\n.I \"$XDG_RUNTIME_DIR/" << Roff(lock) << "\"\n"
      << "The window's lock, which keeps a second window of the same user from starting. It is kept in "
      << "XDG_RUNTIME_DIR when that is a folder of the user's own that nobody else may write to, else in "
      << kRoff.var("$XDG_CACHE_HOME/pictavo/") << " (" << kRoff.var("~/.cache/pictavo/")
      << " when XDG_CACHE_HOME is not set), which is made for it.\n"
      << ".TP\n.I " << Roff(dataFolder) << "/gfx/\n"
      << "The themes of the window's icons, one zip archive each, which its preferences offer. A gfx folder "
      << "beside the program is used instead when there is one.\n"
      << ".TP\n.I " << Roff(dataFolder) << "/pictavo.html\nThe user manual, which F1 opens in the window.\n";

  out << ".SH EXAMPLES\nThe examples of\n.BR \"pictavo \\-\\-help\" :\n.PP\n.RS\n.nf\n";
  for (const std::string& example : HelpExamples()) out << RoffLine(Roff(example));
  out << ".fi\n.RE\n.PP\n"
      << "Every RAW file of a memory card copied to ~/Pictures/card, two at a time, into the same subfolders of "
      << "~/Pictures/png, which is made first:\n.PP\n.RS\n.nf\n"
      << "mkdir \\-p ~/Pictures/png\npictavo \\-i ~/Pictures/card \\-o ~/Pictures/png \\-\\-parallel=2\n.fi\n.RE\n"
      << ".PP\nThe same card in the window, ready to convert:\n.PP\n.RS\n.nf\npictavo ~/Pictures/card\n.fi\n.RE\n"
      << ".PP\nAt most 1600 pixels on the long side, with the settings of a profile:\n.PP\n.RS\n.nf\n"
      << "pictavo \\-i shot.dng \\-\\-profile=web.ini \\-\\-width=1600 \\-\\-height=1600 "
      << "\\-\\-keep\\-aspect\\-ratio\n.fi\n.RE\n";

  out << ".SH SEE ALSO\nThe user manual,\n.IR " << Roff(dataFolder) << "/pictavo.html ,\n"
      << "describes the window and every setting.\n";
  return out.str();
}

// ---- bash completion ----

// One arm of the completion's case: the option forms and what completes
// their value.
struct CompletionArm {
  std::vector<std::string> patterns;
  std::string action;
};

std::string WordList(const std::vector<std::string>& words) {
  std::string list;
  for (const std::string& word : words) list += (list.empty() ? "" : " ") + ToLowerAscii(word);
  return list;
}

// Uses bash-completion's own helpers: _init_completion -s splits
// "--name=value" (bash breaks the line at "=") and _filedir quotes file
// names and marks folders. Options without effect are left out, as the
// manual page says.
std::string Completion() {
  const std::string raw = "_filedir '@(" + ReplaceAll(WordList(AcceptedExtensions()), " ", "|") + ")'";
  std::vector<CompletionArm> arms;
  std::string names;
  for (const OptionRow& row : OptionTable()) {
    if (row.scope == OptionScope::ProfileOnly || !OptionTakesEffect(row)) continue;
    const bool valued = row.form != OptionForm::Flag;
    std::vector<std::string> patterns;
    for (const std::string& name : row.names) {
      const std::string lower = ToLowerAscii(name);
      const bool isLong = name.starts_with("--");
      names += (names.empty() ? "" : " ") + lower + (valued && isLong ? "=" : "");
      if (valued) patterns.push_back(lower + (isLong ? "=" : ""));
    }
    std::string action;
    if (row.action == OptionAction::Input) action = raw;
    else if (row.action == OptionAction::Output) action = "_filedir -d";
    else if (row.action == OptionAction::Profile || row.valueIsFile) action = "_filedir";
    else if (row.action == OptionAction::Conversion)
      action = "COMPREPLY=($(compgen -W '" + WordList(OutputExtensions()) + "' -- \"${cur,,}\"))";
    else if (row.form == OptionForm::Word)
      action = "COMPREPLY=($(compgen -W '" + WordList(KeywordsOf(row.keywords, row.format)) + "' -- \"${cur,,}\"))";
    if (action.empty()) continue;  // a free number or text
    auto same = std::find_if(arms.begin(), arms.end(), [&](const CompletionArm& arm) { return arm.action == action; });
    if (same == arms.end()) arms.push_back({patterns, action});
    else same->patterns.insert(same->patterns.end(), patterns.begin(), patterns.end());
  }
  std::string cases;
  for (const CompletionArm& arm : arms) {
    std::string patterns;
    for (const std::string& pattern : arm.patterns) patterns += (patterns.empty() ? "" : " | ") + pattern;
    cases += "        " + patterns + ")\n            " + arm.action + "\n            return\n            ;;\n";
  }
  return "# bash completion for pictavo                             -*- shell-script -*-\n"
         "# Written by pictavo_docgen from the program's option table.\n"
         "\n"
         "_pictavo()\n"
         "{\n"
         "    local cur prev words cword split\n"
         "    _init_completion -s || return\n"
         "\n"
         "    # Names are not case-sensitive. A long option's value follows its \"=\",\n"
         "    # a short option's is the next word.\n"
         "    local option=${prev,,}\n"
         "    $split && option+=\"=\"\n"
         "    case $option in\n" +
         cases +
         "    esac\n"
         "    # The value of a flag, or a free number or text: nothing to offer.\n"
         "    $split && return\n"
         "\n"
         "    if [[ $cur == -* ]] || ((cword > 1)); then\n"
         "        local options='" + names + "'\n"
         "        # -v and -h count only as the first argument.\n"
         "        ((cword == 1)) && options+=' -v --version -h --help'\n"
         "        COMPREPLY=($(compgen -W \"$options\" -- \"${cur,,}\"))\n"
         "        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace\n"
         "        return\n"
         "    fi\n"
         "\n"
         "    # A RAW file or a folder alone opens the window with it.\n"
         "    " + raw + "\n"
         "} &&\n"
         "    complete -F _pictavo pictavo\n"
         "\n"
         "# ex: filetype=sh\n";
}

// ---- desktop entry and MIME types ----

// The accepted RAW extensions and what each is.
std::vector<std::pair<std::string, std::string>> RawExtensions() {
  InputExtensionMap extensions;
  BuildInputExtensions(extensions);
  std::vector<std::pair<std::string, std::string>> raw;
  for (const std::string& extension : BuildAcceptedExtensions(extensions, InputGroups()))
    if (extensions[extension].formatGroup == "raw") raw.emplace_back(extension, extensions[extension].description);
  return raw;
}

// shared-mime-info's globs2 (weight:type:glob[:flags]): extension -> types.
std::map<std::string, std::set<std::string>> GlobTypes(const std::string& globs) {
  std::map<std::string, std::set<std::string>> types;
  std::istringstream lines(globs);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> fields = SplitString(line, ':');
    if (fields.size() < 3 || !fields[2].starts_with("*.")) continue;
    types[ToLowerAscii(fields[2].substr(2))].insert(fields[1]);
  }
  return types;
}

struct OwnType {
  std::string type, extension, description;
};

// Types of our own for the RAW extensions the system's database does not
// know at all. Without them the desktop sniffs most of these files as TIFF
// and never offers the program for them. An extension the database gives to
// something else (".cap" captures, ".sti" templates) is left alone.
std::vector<OwnType> OwnMimeTypes(const std::string& globs) {
  const auto known = GlobTypes(globs);
  std::vector<OwnType> own;
  for (const auto& [extension, description] : RawExtensions()) {
    if (known.count(extension)) continue;
    // "Hasselblad Camera RAW Image" -> image/x-hasselblad-3fr
    std::string maker;
    for (const std::string& word : SplitString(description, ' ')) {
      if (word == "Camera" || word == "RAW" || word == "Image") break;
      maker += ToLowerAscii(word);
    }
    own.push_back({"image/x-" + (maker.empty() ? "" : maker + "-") + extension, extension, description});
  }
  return own;
}

// The MIME types the entry claims: the database's picture types for the
// RAW extensions, our own, and the generic RAW type file managers use.
std::vector<std::string> RawMimeTypes(const std::string& globs) {
  std::set<std::string> types{"image/x-dcraw"};
  const auto known = GlobTypes(globs);
  for (const auto& [extension, description] : RawExtensions()) {
    const auto found = known.find(extension);
    if (found == known.end()) continue;
    // Only picture types: the other meanings of an extension are not ours.
    for (const std::string& type : found->second)
      if (type.starts_with("image/")) types.insert(type);
  }
  for (const OwnType& own : OwnMimeTypes(globs)) types.insert(own.type);
  return {types.begin(), types.end()};
}

// The shared-mime-info package that defines our own types.
std::string MimePackage(const std::string& globs) {
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  for (const OwnType& own : OwnMimeTypes(globs)) {
    xml += "  <mime-type type=\"" + own.type + "\">\n";
    xml += "    <comment>" + Html(own.description) + " (" + ToUpperAscii(own.extension) + ")</comment>\n";
    xml += "    <sub-class-of type=\"image/x-dcraw\"/>\n";
    xml += "    <glob pattern=\"*." + own.extension + "\"/>\n";
    xml += "  </mime-type>\n";
  }
  return xml + "</mime-info>\n";
}

std::string DesktopEntry(const std::vector<std::string>& types) {
  std::string mime;
  for (const std::string& type : types) mime += type + ";";
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Pictavo\n"
         "GenericName=RAW Photo Converter\n"
         "Comment=Convert camera RAW photographs into PNG files\n"
         "TryExec=pictavo\n"
         "Exec=pictavo %f\n"
         "Icon=" + std::string(kDesktopId) + "\n"
         "Terminal=false\n"
         "StartupNotify=true\n"
         // The window's X class is the program's name.
         "StartupWMClass=" + std::string(kBaseName) + "\n"
         "Categories=Graphics;Photography;\n"
         "Keywords=RAW;PNG;photo;convert;camera;\n"
         "MimeType=" + mime + "\n";
}

int Usage() {
  std::fprintf(stderr,
               "usage: pictavo_docgen --manual TEMPLATE OUTPUT | --man DATA CHANGELOG OUTPUT |"
               " --completion OUTPUT | --desktop GLOBS OUTPUT | --mime GLOBS OUTPUT\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "--manual") {
    std::string text;
    if (!ReadFile(args[1], text)) {
      std::fprintf(stderr, "pictavo_docgen: cannot read %s\n", args[1].c_str());
      return 1;
    }
    text = ReplaceAll(text, "@VERSION@", FormatVersion(kVersionNumber));
    text = ReplaceAll(text, "@OPTION_REFERENCE@", OptionReference());
    return WriteFile(args[2], text) ? 0 : 1;
  }
  if (args.size() == 4 && args[0] == "--man") {
    std::string date, error;
    if (!PageDate(args[2], date, error)) {
      std::fprintf(stderr, "pictavo_docgen: %s\n", error.c_str());
      return 1;
    }
    return WriteFile(args[3], ManPage(date, args[1])) ? 0 : 1;
  }
  if (args.size() == 2 && args[0] == "--completion") return WriteFile(args[1], Completion()) ? 0 : 1;
  if (args.size() == 3 && (args[0] == "--desktop" || args[0] == "--mime")) {
    std::string globs;
    if (!ReadFile(args[1], globs)) {
      std::fprintf(stderr, "pictavo_docgen: cannot read %s (package shared-mime-info)\n", args[1].c_str());
      return 1;
    }
    if (args[0] == "--mime") return WriteFile(args[2], MimePackage(globs)) ? 0 : 1;
    if (GlobTypes(globs).empty()) {
      std::fprintf(stderr, "pictavo_docgen: no MIME type for any extension in %s\n", args[1].c_str());
      return 1;
    }
    return WriteFile(args[2], DesktopEntry(RawMimeTypes(globs))) ? 0 : 1;
  }
  return Usage();
}
