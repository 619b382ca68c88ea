#include "settings/text_util.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>

namespace pictavo {

namespace {
char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsBlankTab(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// Any magnitude beyond 32 bits; accumulating stops growing here.
constexpr uint64_t kSaturated = uint64_t{1} << 32;
}  // namespace

std::string ToUpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = UpperChar(c);
  return out;
}

std::string ToLowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerChar(c);
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string_view TrimLeadingBlanksTabs(std::string_view text) {
  while (!text.empty() && IsBlankTab(text.front())) text.remove_prefix(1);
  return text;
}

std::string_view TrimTrailingBlanksTabs(std::string_view text) {
  while (!text.empty() && IsBlankTab(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimBlanksTabs(std::string_view text) {
  return TrimTrailingBlanksTabs(TrimLeadingBlanksTabs(text));
}

int32_t ParseDecimalInt(std::string_view text) {
  text = TrimLeadingBlanksTabs(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  uint64_t magnitude = 0;
  for (char c : text) {
    if (!IsDigit(c)) break;
    magnitude = std::min<uint64_t>(magnitude * 10u + static_cast<uint64_t>(c - '0'), kSaturated);
  }
  return SaturateToInt32(negative, magnitude);
}

int32_t ParseNumValue(std::string_view text) {
  text = TrimLeadingBlanksTabs(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  uint32_t base = 10;
  if (!text.empty() && text.front() == '$') base = 16, text.remove_prefix(1);
  else if (!text.empty() && text.front() == '%') base = 2, text.remove_prefix(1);
  uint64_t value = 0;
  for (char c : text) {
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    else break;
    if (digit >= base) break;
    value = std::min(value * base + digit, kSaturated);
  }
  return SaturateToInt32(negative, value);
}

int32_t SaturateToInt32(bool negative, uint64_t magnitude) {
  if (negative) return magnitude >= uint64_t{1} << 31 ? INT32_MIN : -static_cast<int32_t>(magnitude);
  return magnitude > INT32_MAX ? INT32_MAX : static_cast<int32_t>(magnitude);
}

float ParseReal(std::string_view text) {
  text = TrimLeadingBlanksTabs(text);
  if (EqualsNoCase(text.substr(0, 9), "+Infinity")) return std::numeric_limits<float>::infinity();
  if (EqualsNoCase(text.substr(0, 9), "-Infinity")) return -std::numeric_limits<float>::infinity();
  if (EqualsNoCase(text.substr(0, 3), "NaN")) return std::numeric_limits<float>::quiet_NaN();

  bool negative = false;
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t start = i;
  bool digits = false;
  while (i < text.size() && IsDigit(text[i])) ++i, digits = true;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, digits = true;
  }
  if (!digits) return 0.0f;
  // An exponent counts only when digits follow it.
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '-' || text[j] == '+')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  double value = 0.0;
  auto result = std::from_chars(text.data() + start, text.data() + i, value);
  if (result.ec == std::errc::result_out_of_range) {
    // Either far too large or far too small for any float.
    bool tiny = false;
    for (size_t k = start; k < i; ++k)
      if (text[k] == 'e' || text[k] == 'E') tiny = text[k + 1] == '-';
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  if (value > std::numeric_limits<float>::max()) value = std::numeric_limits<double>::infinity();
  float f = static_cast<float>(value);
  return negative ? -f : f;
}

std::string FormatReal(float value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Infinity" : "-Infinity";
  return FormatFixed(value, 6);
}

std::string FormatFixed(double value, int decimals) {
  // to_chars ignores the C locale, which a desktop session sets to the
  // user's (a comma as decimal point would not read back).
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return std::isnan(value) ? "nan" : "inf";
  return std::string(buffer, result.ptr);
}

std::vector<std::string> SplitString(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t pos = text.find(separator, start);
    if (pos == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      break;
    }
    parts.emplace_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  return parts;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  size_t start = 0;
  while (true) {
    size_t pos = text.find(from, start);
    if (pos == std::string_view::npos) break;
    out.append(text.substr(start, pos - start));
    out.append(to);
    start = pos + from.size();
  }
  out.append(text.substr(start));
  return out;
}

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (unsigned char c : bytes) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace pictavo
