// Small text helpers shared by the configuration reader, the command line and
// the engine. All case handling is ASCII-only on purpose: keys, option names
// and extensions are ASCII, and paths must keep their other bytes untouched.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

std::string ToUpperAscii(std::string_view text);
// Letter case of UTF-8 text for names the user reads (file names made from
// a mask): every Unicode letter ("été" ↔ "ÉTÉ"); bytes that are not valid
// UTF-8 pass through unchanged.
std::string ToUpperText(std::string_view text);
std::string ToLowerText(std::string_view text);
// The first character upper case, the rest lower case.
std::string TitleCaseText(std::string_view text);
std::string ToLowerAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// Removes blanks (spaces) at both ends.
std::string_view TrimBlanks(std::string_view text);
// Removes blanks and tabs at both ends / at the start / at the end.
std::string_view TrimBlanksTabs(std::string_view text);
std::string_view TrimLeadingBlanksTabs(std::string_view text);
std::string_view TrimTrailingBlanksTabs(std::string_view text);

// Decimal integer: optional blanks and tabs, optional sign, digits; stops at
// the first other character; no digits give 0. Values beyond 32 bits
// saturate at INT32_MIN / INT32_MAX, so range checks still see them.
int32_t ParseDecimalInt(std::string_view text);

// The NUM form of options and of the update information: blanks and tabs
// skipped, optional sign, then "$" hex, "%" binary or decimal digits; stops
// at the first character that does not fit; no digits give 0. Saturates as
// ParseDecimalInt does.
int32_t ParseNumValue(std::string_view text);

// A sign and a magnitude as a 32-bit integer, saturating at the limits.
int32_t SaturateToInt32(bool negative, uint64_t magnitude);

// Decimal real with optional sign, fraction and exponent ("." as point), or
// the words "+Infinity", "-Infinity", "NaN" in any case; no number gives 0.
float ParseReal(std::string_view text);

// "%f" form, with "+Infinity", "-Infinity" and "NaN" for the special values.
// Always "." as decimal point, whatever the locale.
std::string FormatReal(float value);
// `decimals` digits after a ".", rounded as printf's "%.*f" does.
std::string FormatFixed(double value, int decimals);

std::vector<std::string> SplitString(std::string_view text, char separator);
// Every occurrence of `from` replaced by `to` (exact match).
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// ISO-8859-1 bytes to UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

}  // namespace pictavo
