// pictavo_docgen: writes the documents that describe the program from its
// own tables (options, keywords, extensions, mask tokens), so they cannot
// drift from what the program reads.
//
//   pictavo_docgen --manual TEMPLATE OUTPUT   the HTML manual: TEMPLATE with
//                                             @VERSION@ and @OPTION_REFERENCE@
//                                             filled in
//   pictavo_docgen --man OUTPUT               the manual page pictavo.1
//   pictavo_docgen --completion OUTPUT        the bash completion script
//   pictavo_docgen --desktop GLOBS OUTPUT     the desktop entry; GLOBS is
//                                             shared-mime-info's globs2 file,
//                                             which names the MIME types of
//                                             the RAW extensions
//   pictavo_docgen --mime GLOBS OUTPUT        the shared-mime-info package
//                                             for the RAW extensions GLOBS
//                                             does not know
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <algorithm>
#include <map>
#include <set>

#include "app/options.h"
#include "engine/formats.h"
#include "engine/naming.h"
#include "settings/keywords.h"
#include "settings/program.h"
#include "settings/text_util.h"

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

// What the run options do; every other option writes settings, which say it.
std::string RunOptionText(OptionAction action) {
  switch (action) {
    case OptionAction::Input:
      return "The RAW file to convert, or a folder: every RAW file below it, subfolders included, in name order. "
             "Starts a console conversion.";
    case OptionAction::Output:
      return "The folder the PNG files are written to; it must exist. Relative folders count from the current "
             "folder. Without it, the input file's folder (or the input folder itself).";
    case OptionAction::Conversion: return "The output format: png.";
    case OptionAction::Profile: return "Reads further options from the [CLI] group of a profile file.";
    case OptionAction::Debug: return "Prints every setting the run uses, and what happens to the file.";
    case OptionAction::Quiet: return "Prints nothing but errors.";
    case OptionAction::Pause: return "Waits for a key before the program ends.";
    case OptionAction::Setting: break;
  }
  return "";
}

const char* ValueName(const OptionRow& row) {
  switch (row.form) {
    case OptionForm::Num: return "NUM";
    case OptionForm::Real: return "REAL";
    case OptionForm::Word: return "WORD";
    case OptionForm::Text:
      if (row.action == OptionAction::Input) return "PATH";
      if (row.action == OptionAction::Profile) return "FILE";
      if (row.action == OptionAction::Output) return "FOLDER";
      return "TEXT";
    case OptionForm::Flag: return "";
  }
  return "";
}

// "-i FILE, --input=FILE"
std::string Synopsis(const OptionRow& row) {
  std::string out;
  const std::string value = ValueName(row);
  for (const std::string& name : row.names) {
    if (!out.empty()) out += ", ";
    out += ToLowerAscii(name);
    if (!value.empty()) out += (StartsWith(name, "--") ? "=" : " ") + value;
  }
  return out;
}

std::string SettingName(const SettingDescriptor& d) { return std::string(d.group) + " / " + d.key; }

// What a setting option writes, in words.
std::string SettingText(const OptionRow& row) {
  std::string text;
  if (row.target) text = "Sets " + SettingName(*row.target) + ".";
  for (const FixedWrite& w : row.fixed)
    text += std::string(text.empty() ? "Sets " : " Also sets ") + w.group + " / " + w.key + " to " +
            std::to_string(w.value) + ".";
  if (row.form == OptionForm::Word) {
    const std::vector<std::string> words = KeywordsOf(row.keywords, row.format);
    std::string list;
    for (const std::string& word : words) list += (list.empty() ? "" : ", ") + ToLowerAscii(word);
    text += " WORD is one of: " + list + ".";
  }
  if (row.scope == OptionScope::ProfileOnly) text += " Profiles only.";
  return text;
}

std::string OptionReference() {
  std::ostringstream out;
  out << "<table class=\"options\">\n<tr><th>Option</th><th>What it does</th></tr>\n";
  for (const OptionRow& row : OptionTable()) {
    const std::string text = row.action == OptionAction::Setting ? SettingText(row) : RunOptionText(row.action);
    out << "<tr><td><code>" << Html(Synopsis(row)) << "</code></td><td>" << Html(text) << "</td></tr>\n";
  }
  out << "</table>\n";
  return out.str();
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

std::string Roff(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\e";
    else if (c == '-') out += "\\-";
    else out += c;
  }
  // A line may not start with a control character.
  if (!out.empty() && (out.front() == '.' || out.front() == '\'')) out.insert(0, "\\&");
  return out;
}

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

std::string ManPage() {
  std::ostringstream out;
  out << ".TH PICTAVO 1 \"\" \"Pictavo " << FormatVersion(kVersionNumber) << "\" \"User Commands\"\n"
      << ".SH NAME\npictavo \\- convert camera RAW photographs into PNG files\n"
      << ".SH SYNOPSIS\n.B pictavo\n.RI [ FILE | FOLDER ]\n.br\n.B pictavo\n.B \\-i\n.IR FILE | FOLDER\n"
      << ".RB [ \\-o\n.IR FOLDER ]\n.RI [ options ]\n.br\n.B pictavo\n.BR \\-v \" | \" \\-h\n"
      << ".SH DESCRIPTION\n"
      << "Without options, or with a RAW file or folder alone, " << Roff("pictavo")
      << " opens its window, where the photographs, the output folder and every setting are chosen (settings are "
      << "kept in config.ini). With\n"
      << ".B \\-i\nit converts the file named on the command line, or every RAW file below the folder named "
      << "(several at once, see\n.BR \\-\\-parallel ),\nand reports on standard output; "
      << "the console never reads or writes config.ini. Options are not case-sensitive; a value with blanks may be "
      << "quoted.\n"
      << ".PP\nNUM values are decimal, or hexadecimal after \\(lq$\\(rq, or binary after \\(lq%\\(rq; "
      << "REAL values use \\(lq.\\(rq as decimal point; WORD values are one of the words listed with the option.\n"
      << ".SH OPTIONS\n";
  for (const OptionRow& row : OptionTable()) {
    const std::string text = row.action == OptionAction::Setting ? SettingText(row) : RunOptionText(row.action);
    out << ".TP\n.B " << Roff(Synopsis(row)) << "\n" << Roff(text) << "\n";
  }
  out << ".TP\n.BR \\-v \", \" \\-\\-version\nPrints the version and ends.\n"
      << ".TP\n.BR \\-h \", \" \\-? \", \" \\-\\-help\nPrints a short help and ends.\n"
      << ".SH FILENAME MASK\nThe output file name comes from the filename mask (\n.BR \\-\\-filename\\-mask ,\n"
      << "default %filename%.%ext%). The mask is turned into lower case first; these tokens are then replaced, "
      << "in this order:\n";
  for (std::string_view token : FilenameTokens()) out << ".TP\n.B " << Roff(token) << "\n" << TokenMeaning(token) << "\n";
  out << ".SH PROFILES\nA profile is a text file of the form\n.PP\n.nf\n[CLI]\n\\-\\-png\\-compression = zlib9\n"
      << "\\-\\-brightness = 10\n.fi\n.PP\nwhose keys are option names (setting options only) and whose values "
      << "are read as on the command line. It is read where\n.B \\-\\-profile\nstands among the options.\n"
      << ".SH EXIT STATUS\n.TP\n.B 0\nEvery file was converted (and for \\-v, \\-h and the window).\n"
      << ".TP\n.B 1\nThe run stopped or did not convert every file.\n.TP\n.B 2\nThe command line was wrong, "
      << "a profile could not be read, or the window had no display.\n"
      << ".SH FILES\n.TP\n.I $XDG_CONFIG_HOME/Corvane/pictavo/config.ini\nThe settings of the window "
      << "(~/.config/Corvane/pictavo/config.ini when XDG_CONFIG_HOME is not set).\n"
      << ".SH ENVIRONMENT\n.TP\n.B XDG_CONFIG_HOME\nWhere config.ini is kept.\n"
      << ".TP\n.B PICTAVO_DECODE_TIMEOUT\nSeconds (1 to 3600, default 60) one file may take to decode; "
      << "each file is converted in a process of its own, and a file that hangs or crashes it counts as not "
      << "converted.\n"
      << ".SH SEE ALSO\nThe user manual, pictavo.html, in the program's documentation folder.\n";
  return out.str();
}

// ---- bash completion ----

std::string Completion() {
  std::string names, words;
  for (const OptionRow& row : OptionTable()) {
    if (row.scope == OptionScope::ProfileOnly) continue;
    for (const std::string& name : row.names) {
      const std::string lower = ToLowerAscii(name);
      const bool valued = row.form != OptionForm::Flag && StartsWith(name, "--");
      names += (names.empty() ? "" : " ") + lower + (valued ? "=" : "");
    }
    if (row.form != OptionForm::Word) continue;
    std::string list;
    for (const std::string& word : KeywordsOf(row.keywords, row.format)) list += (list.empty() ? "" : " ") + ToLowerAscii(word);
    for (const std::string& name : row.names) words += "    " + ToLowerAscii(name) + ") words=\"" + list + "\" ;;\n";
  }
  return "# bash completion for pictavo, generated from its option table\n"
         "_pictavo() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]} words\n"
         "  case $prev in\n"
         "    -i|-o|--profile) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
         "  esac\n"
         "  if [[ $cur == --*=* ]]; then\n"
         "    local name=${cur%%=*} value=${cur#*=}\n"
         "    case $name in\n" +
         words +
         "    --input|--output|--profile) COMPREPLY=($(compgen -f -- \"$value\")); return ;;\n"
         "    *) return ;;\n"
         "    esac\n"
         "    COMPREPLY=($(compgen -W \"$words\" -- \"$value\"))\n"
         "    return\n"
         "  fi\n"
         "  if [[ $cur == -* ]]; then\n"
         "    COMPREPLY=($(compgen -W \"" + names + "\" -- \"$cur\"))\n"
         "    [[ ${COMPREPLY[0]} == *= ]] && compopt -o nospace\n"
         "    return\n"
         "  fi\n"
         "  COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "}\n"
         "complete -F _pictavo pictavo\n";
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
    if (fields.size() < 3 || !StartsWith(fields[2], "*.")) continue;
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
      if (StartsWith(type, "image/")) types.insert(type);
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
               "usage: pictavo_docgen --manual TEMPLATE OUTPUT | --man OUTPUT | --completion OUTPUT |"
               " --desktop GLOBS OUTPUT | --mime GLOBS OUTPUT\n");
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
  if (args.size() == 2 && args[0] == "--man") return WriteFile(args[1], ManPage()) ? 0 : 1;
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
