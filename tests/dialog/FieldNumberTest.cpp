// What a typed field text converts to.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <string>

#include "dialog/FieldNumber.h"

namespace {

TEST(FieldNumberTest, DecimalNumbersWithSignPointAndExponent) {
  EXPECT_EQ(ConvertFieldText("2.5"), 2.5f);
  EXPECT_EQ(ConvertFieldText("  \t-0.25"), -0.25f);
  EXPECT_EQ(ConvertFieldText("+4"), 4.0f);
  EXPECT_EQ(ConvertFieldText(".5"), 0.5f);
  EXPECT_EQ(ConvertFieldText("7."), 7.0f);
  EXPECT_EQ(ConvertFieldText("1.5e2"), 150.0f);
  EXPECT_EQ(ConvertFieldText("1.23450e+4"), 12345.0f);
  EXPECT_EQ(ConvertFieldText("0.10000e-3"), 0.0001f);
  EXPECT_EQ(ConvertFieldText("1.00000"), 1.0f);
}

TEST(FieldNumberTest, TheLongestNumberAtTheStartCounts) {
  EXPECT_EQ(ConvertFieldText("3.5xyz"), 3.5f);
  EXPECT_EQ(ConvertFieldText("2e"), 2.0f);
  EXPECT_EQ(ConvertFieldText("1.2.3"), 1.2f);
  EXPECT_EQ(ConvertFieldText("-"), 0.0f);
  EXPECT_EQ(ConvertFieldText(""), 0.0f);
  EXPECT_EQ(ConvertFieldText("abc"), 0.0f);
  EXPECT_EQ(ConvertFieldText("--1"), 0.0f);
  EXPECT_EQ(ConvertFieldText("+-1"), 0.0f);
  EXPECT_EQ(ConvertFieldText("- 1"), 0.0f);
}

TEST(FieldNumberTest, MagnitudesBeyondFloatBecomeInfinityOrZero) {
  EXPECT_EQ(ConvertFieldText("1e39"), INFINITY);
  EXPECT_EQ(ConvertFieldText("1e400"), INFINITY);
  EXPECT_EQ(ConvertFieldText("-123.4e999"), -INFINITY);
  EXPECT_EQ(ConvertFieldText("0.001e-400"), 0.0f);
  EXPECT_EQ(ConvertFieldText("1e-50"), 0.0f);
  EXPECT_EQ(ConvertFieldText("inf"), INFINITY);
  EXPECT_TRUE(std::isnan(ConvertFieldText("nan")));
}

// A host may set a locale whose decimal separator is a comma; the fields
// are written with a point and must read back the same.
TEST(FieldNumberTest, TheHostsLocaleDoesNotChangeTheDecimalPoint) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous != nullptr ? previous : "C";
  bool changed = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "German_Germany.1252", "de-DE"})
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      changed = true;
      break;
    }
  float half = ConvertFieldText("0.50000");
  float comma = ConvertFieldText("0,5");
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!changed) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  EXPECT_EQ(half, 0.5f);
  EXPECT_EQ(comma, 0.0f);
}

}  // namespace
