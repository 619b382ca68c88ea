#include "base/program.h"

namespace pictavo {

std::string FormatVersion(int number) {
  std::string digits = std::to_string(number);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    text += digits[i];
    if (i < 2 && i + 1 < digits.size()) text += '.';
  }
  if (!text.empty() && text.back() == '0') text = text.substr(0, 3);
  return text;
}

std::string ProgramTitle() {
  return std::string(kDisplayName) + " " + FormatVersion(kVersionNumber);
}

std::string ProductPageAddress() { return std::string(kMakerSite) + kBaseName + "/"; }

const std::vector<std::string>& InputGroups() {
  static const std::vector<std::string> groups{"raw"};
  return groups;
}

}  // namespace pictavo
