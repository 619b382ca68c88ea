#include "base/text_util.h"

#include <locale.h>
#include <wctype.h>

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

namespace {

// Unicode case mappings whatever the process locale: C.UTF-8 has them all.
locale_t CaseLocale() {
  static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  return locale;
}

// Length of the valid UTF-8 sequence at `at` and its code point; 0 when the
// bytes there are no valid sequence.
size_t DecodeUtf8(std::string_view text, size_t at, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  code = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The first `upperCount` characters in upper case, the rest in lower case.
std::string MapCase(std::string_view text, size_t upperCount) {
  std::string out;
  out.reserve(text.size());
  size_t index = 0;
  for (size_t at = 0; at < text.size(); ++index) {
    char32_t code = 0;
    const size_t length = DecodeUtf8(text, at, code);
    if (length == 0) {
      out += text[at++];
      continue;
    }
    const bool upper = index < upperCount;
    // ASCII letters map alike in every locale; the locale's tables (a few
    // hundred KiB to map in) are loaded for the first other character.
    if (code < 0x80)
      code = static_cast<char32_t>(upper ? UpperChar(static_cast<char>(code)) : LowerChar(static_cast<char>(code)));
    else if (const locale_t locale = CaseLocale())
      code = static_cast<char32_t>(upper ? towupper_l(static_cast<wint_t>(code), locale)
                                         : towlower_l(static_cast<wint_t>(code), locale));
    AppendUtf8(out, code);
    at += length;
  }
  return out;
}

}  // namespace

std::string ToUpperText(std::string_view text) { return MapCase(text, SIZE_MAX); }
std::string ToLowerText(std::string_view text) { return MapCase(text, 0); }
std::string TitleCaseText(std::string_view text) { return MapCase(text, 1); }

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
