#include "base/text_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace pictavo {
namespace {

TEST(DecimalInt, ReadsSignAndLeadingDigitsOnly) {
  EXPECT_EQ(ParseDecimalInt("  \t42"), 42);
  EXPECT_EQ(ParseDecimalInt("-20"), -20);
  EXPECT_EQ(ParseDecimalInt("+20x"), 20);
  EXPECT_EQ(ParseDecimalInt("- 20"), 0);
  EXPECT_EQ(ParseDecimalInt(""), 0);
  EXPECT_EQ(ParseDecimalInt("2147483647"), 2147483647);
  EXPECT_EQ(ParseDecimalInt("-2147483648"), INT32_MIN);
  // Longer numbers saturate instead of wrapping to a small value.
  EXPECT_EQ(ParseDecimalInt("4294967297"), INT32_MAX);
  EXPECT_EQ(ParseDecimalInt("2147483648"), INT32_MAX);
  EXPECT_EQ(ParseDecimalInt("-2147483649"), INT32_MIN);
  EXPECT_EQ(ParseDecimalInt(std::string(500, '9')), INT32_MAX);
  EXPECT_EQ(ParseDecimalInt("-" + std::string(500, '9')), INT32_MIN);
}

TEST(NumValues, ReadDecimalHexAndBinaryWithSign) {
  EXPECT_EQ(ParseNumValue("95"), 95);
  EXPECT_EQ(ParseNumValue(" \t-20"), -20);
  EXPECT_EQ(ParseNumValue("+7"), 7);
  EXPECT_EQ(ParseNumValue("$FF"), 255);
  EXPECT_EQ(ParseNumValue("$ff"), 255);
  EXPECT_EQ(ParseNumValue("-$10"), -16);
  EXPECT_EQ(ParseNumValue("%101"), 5);
  EXPECT_EQ(ParseNumValue("%1021"), 2);  // stops at the first non-binary digit
  EXPECT_EQ(ParseNumValue("12ab"), 12);  // decimal stops at letters
  EXPECT_EQ(ParseNumValue("abc"), 0);
  EXPECT_EQ(ParseNumValue("$"), 0);
  EXPECT_EQ(ParseNumValue(""), 0);
  // Beyond 32 bits the value saturates, so range checks reject it instead
  // of seeing a wrapped remainder (4294967306 would wrap to 10).
  EXPECT_EQ(ParseNumValue("4294967306"), INT32_MAX);
  EXPECT_EQ(ParseNumValue("-4294967306"), INT32_MIN);
  EXPECT_EQ(ParseNumValue("2147483648"), INT32_MAX);
  EXPECT_EQ(ParseNumValue("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseNumValue("$FFFFFFFF"), INT32_MAX);
  EXPECT_EQ(ParseNumValue("%" + std::string(40, '1')), INT32_MAX);
}

TEST(Real, ReadsDecimalFormsAndTheThreeWords) {
  EXPECT_FLOAT_EQ(ParseReal("1.5"), 1.5f);
  EXPECT_FLOAT_EQ(ParseReal("-.5"), -0.5f);
  EXPECT_FLOAT_EQ(ParseReal("3."), 3.0f);
  EXPECT_FLOAT_EQ(ParseReal("1e3"), 1000.0f);
  EXPECT_FLOAT_EQ(ParseReal("1e"), 1.0f);   // an exponent needs digits
  EXPECT_FLOAT_EQ(ParseReal("2.5x7"), 2.5f);
  EXPECT_FLOAT_EQ(ParseReal("abc"), 0.0f);
  EXPECT_FLOAT_EQ(ParseReal("."), 0.0f);
  EXPECT_TRUE(std::isnan(ParseReal("NAN")));
  EXPECT_EQ(ParseReal("+INFINITY"), INFINITY);
  EXPECT_EQ(ParseReal("-Infinity"), -INFINITY);
  EXPECT_EQ(ParseReal("1e60"), INFINITY);
  EXPECT_FLOAT_EQ(ParseReal("1e-60"), 0.0f);
  EXPECT_EQ(ParseReal("-1e400"), -INFINITY);
}

TEST(Real, FormatsLikePercentFWithWordsForSpecialValues) {
  EXPECT_EQ(FormatReal(1.0f), "1.000000");
  EXPECT_EQ(FormatReal(1.5f), "1.500000");
  EXPECT_EQ(FormatReal(-0.25f), "-0.250000");
  EXPECT_EQ(FormatReal(INFINITY), "+Infinity");
  EXPECT_EQ(FormatReal(-INFINITY), "-Infinity");
  EXPECT_EQ(FormatReal(NAN), "NaN");
}

TEST(Real, FormatsWithAPointAndRoundsAsPrintfDoes) {
  // printf in the C locale is the reference; FormatFixed must not follow the
  // process locale, which a desktop session sets (see the locale test).
  for (double value : {0.0, 1.5, 2.345, 0.125, 0.005, -9.995, 1e30, 123456.789}) {
    for (int decimals : {2, 6}) {
      char expected[400];
      std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
      EXPECT_EQ(FormatFixed(value, decimals), expected) << value << " with " << decimals;
    }
  }
}

TEST(Latin1, HighBytesBecomeTwoByteSequences) {
  EXPECT_EQ(Latin1ToUtf8("a\xE9\xFF"), "a\xC3\xA9\xC3\xBF");
}

}  // namespace
}  // namespace pictavo
