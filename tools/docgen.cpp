// pictavo_docgen: writes the documents that describe the command line from
// the option table itself, so they cannot drift from what the program reads.
//
//   pictavo_docgen --manual TEMPLATE OUTPUT   the HTML manual: TEMPLATE with
//                                             @VERSION@ and @OPTION_REFERENCE@
//                                             filled in
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/options.h"
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
    case OptionAction::Input: return "The RAW file to convert. Starts a console conversion.";
    case OptionAction::Output:
      return "The folder the PNG file is written to; it must exist. Relative folders count from the current "
             "folder. Without it, the input file's folder.";
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
      if (row.action == OptionAction::Input || row.action == OptionAction::Profile) return "FILE";
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

int Usage() {
  std::fprintf(stderr, "usage: pictavo_docgen --manual TEMPLATE OUTPUT\n");
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
  return Usage();
}
