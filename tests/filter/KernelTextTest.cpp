// Reading kernel texts field by field from the end, the decimal field
// reader, and the bounded text routines they stand on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "filter/Kernel.h"
#include "filter/KernelText.h"
#include "contract/BoundedText.h"
#include "contract/Memory.h"

namespace {

float Decimal(const std::string& field) {
  std::string counted = char(field.size()) + field;
  return ParseDecimal(counted.c_str());
}

std::vector<float> Parse(const char* text, int32_t count = kCoefficientCount) {
  std::vector<float> values(size_t(count), -99.0f);
  ParseKernelText(values.data(), count, text);
  return values;
}

std::string Fields(int first, int last) {
  std::string text;
  for (int i = first; i <= last; ++i) text += std::to_string(i) + ",";
  return text;
}

TEST(ParseDecimal, AcceptsDigitsSpacesOnePointAndALeadingMinus) {
  EXPECT_EQ(Decimal(""), 0.0f);
  EXPECT_EQ(Decimal("1 5"), 15.0f);
  EXPECT_EQ(Decimal(" 2 . 5 "), 2.5f);
  EXPECT_EQ(Decimal("-0.5"), -0.5f);
  EXPECT_EQ(Decimal(".5"), 0.5f);
  EXPECT_EQ(Decimal("7."), 7.0f);
  EXPECT_EQ(Decimal("0.0030"), 0.003f);
  EXPECT_EQ(Decimal("12345."), 12345.0f);
}

TEST(ParseDecimal, AnythingElseReadsAsZero) {
  for (const char* field : {"+3", "1.2.3", "-", "--1", "5-", " -5", "1e5", "1\t2", "\t", "0x10", "1,5", "\xB5" "5",
                            "5\xFF"})
    EXPECT_EQ(Decimal(field), 0.0f) << field;
}

TEST(ParseDecimal, LongFieldsStayInTheirBufferAndFloatRange) {
  EXPECT_EQ(Decimal(std::string(255, '9')), INFINITY);
  EXPECT_EQ(Decimal("-" + std::string(254, '9')), -INFINITY);
  EXPECT_EQ(Decimal("0." + std::string(253, '0')), 0.0f);
  EXPECT_FLOAT_EQ(Decimal("1." + std::string(253, '0')), 1.0f);
}

TEST(TakeLastKernelValue, TakesTheLastFieldAndCutsTheText) {
  char text[32] = "1.5,-2,3,";
  EXPECT_EQ(TakeLastKernelValue(text), 3.0f);
  EXPECT_STREQ(text, "1.5,-2,");
  EXPECT_EQ(TakeLastKernelValue(text), -2.0f);
  EXPECT_EQ(TakeLastKernelValue(text), 1.5f);
  EXPECT_STREQ(text, "");
  EXPECT_EQ(TakeLastKernelValue(text), 0.0f);
  EXPECT_STREQ(text, "");

  char single[] = "7";  // one character: it is taken as the comma
  EXPECT_EQ(TakeLastKernelValue(single), 0.0f);
  EXPECT_STREQ(single, "");
  char empties[] = ",,";
  EXPECT_EQ(TakeLastKernelValue(empties), 0.0f);
  EXPECT_STREQ(empties, ",");
}

TEST(TakeLastKernelValue, ReadsAFieldFromItsFirst255Characters) {
  std::string text = std::string(250, ' ') + "12345678,";
  EXPECT_EQ(TakeLastKernelValue(text.data()), 12345.0f);
}

TEST(ParseKernelText, FortyNineFieldsLandInOrder) {
  std::vector<float> values = Parse(Fields(1, 49).c_str());
  for (int i = 0; i < 49; ++i) EXPECT_EQ(values[size_t(i)], float(i + 1));
}

TEST(ParseKernelText, FewerFieldsFillTheHighestIndices) {
  std::vector<float> values = Parse(Fields(1, 48).c_str());
  EXPECT_EQ(values[0], 0.0f);
  for (int i = 1; i < 49; ++i) EXPECT_EQ(values[size_t(i)], float(i));

  values = Parse(("7," + Fields(1, 48)).c_str());
  EXPECT_EQ(values[0], 7.0f);

  values = Parse("1,2,3");  // no final comma: the 3 stands for it
  EXPECT_EQ(values[48], 0.0f);
  EXPECT_EQ(values[47], 2.0f);
  EXPECT_EQ(values[46], 1.0f);
  for (int i = 0; i < 46; ++i) EXPECT_EQ(values[size_t(i)], 0.0f);
}

TEST(ParseKernelText, SurplusLeadingFieldsAreIgnored) {
  std::vector<float> values = Parse(Fields(1, 50).c_str());
  for (int i = 0; i < 49; ++i) EXPECT_EQ(values[size_t(i)], float(i + 2));
}

TEST(ParseKernelText, AbsentEmptyAndMalformedTexts) {
  for (const char* text : {static_cast<const char*>(nullptr), ""})
    for (float value : Parse(text)) EXPECT_EQ(value, 0.0f);
  std::vector<float> values = Parse("1,+3,1.2.3,1 5,-,\t,\xC3\xA9,-0.5,");
  EXPECT_EQ(values[41], 1.0f);
  EXPECT_EQ(values[42], 0.0f);
  EXPECT_EQ(values[43], 0.0f);
  EXPECT_EQ(values[44], 15.0f);
  EXPECT_EQ(values[45], 0.0f);
  EXPECT_EQ(values[46], 0.0f);
  EXPECT_EQ(values[47], 0.0f);
  EXPECT_EQ(values[48], -0.5f);
}

TEST(ParseKernelText, TextBeyond513CharactersIsLost) {
  // Fields "000.000000," of eleven characters: 46 whole ones fit, and the
  // 47th is cut to "046.000", whose last character stands for the comma.
  std::string text;
  for (int i = 0; i < 60; ++i) {
    char field[16];
    std::snprintf(field, sizeof field, "%03d.000000,", i);
    text += field;
  }
  std::vector<float> values = Parse(text.c_str());
  EXPECT_EQ(values[48], 46.0f);
  for (int i = 2; i < 48; ++i) EXPECT_EQ(values[size_t(i)], float(i - 2)) << i;
  EXPECT_EQ(values[1], 0.0f);
}

TEST(KernelTextRoundTrip, KeepsFiveDigits) {
  float values[kCoefficientCount] = {};
  values[0] = 1.5f;
  values[1] = 0.00307f;
  values[2] = -123.456f;
  values[3] = 9.999996f;  // written with a ten as its first digit
  values[48] = 12345.6f;
  char text[kTextBufferSize];
  FormatKernelText(values, kCoefficientCount, text, kTextBufferSize);
  std::vector<float> back = Parse(text);
  EXPECT_EQ(back[0], 1.5f);
  EXPECT_EQ(back[1], 0.003f);
  EXPECT_EQ(back[2], -123.45f);
  EXPECT_EQ(back[3], 10.0f);
  EXPECT_EQ(back[48], 12345.0f);
  for (int i = 4; i < 48; ++i) EXPECT_EQ(back[size_t(i)], 0.0f);
}

TEST(FormatKernelText, StopsAtTheBufferSize) {
  float values[kCoefficientCount];
  for (float& value : values) value = -12345.6f;  // eight characters a field
  char text[64];
  std::memset(text, 'x', sizeof text);
  FormatKernelText(values, kCoefficientCount, text, 20);
  EXPECT_STREQ(text, "-12345.,-12345.,-12");  // 19 characters and the terminator
  EXPECT_EQ(text[20], 'x');
}

TEST(BoundedText, CopyStopsAtTheSizeAndTerminates) {
  char target[8];
  CopyTextBounded(nullptr, target, sizeof target);
  EXPECT_STREQ(target, "");
  CopyTextBounded("abc", target, sizeof target);
  EXPECT_STREQ(target, "abc");
  CopyTextBounded("abcdefghijkl", target, sizeof target);
  EXPECT_STREQ(target, "abcdefg");
}

TEST(BoundedText, JoinCutsTheSecondTextToFit) {
  char target[8] = "abc";
  JoinTextBounded(target, "de", target, sizeof target);
  EXPECT_STREQ(target, "abcde");
  JoinTextBounded(target, "fghij", target, sizeof target);
  EXPECT_STREQ(target, "abcdefg");
  JoinTextBounded(target, "z", target, sizeof target);
  EXPECT_STREQ(target, "abcdefg");
  char other[8];
  JoinTextBounded("12", "34", other, sizeof other);
  EXPECT_STREQ(other, "1234");
}

TEST(BoundedText, PrefixedAndTerminatedConvertInPlace) {
  char text[300] = "hello";
  TerminatedToPrefixed(text);
  EXPECT_EQ(text[0], 5);
  EXPECT_EQ(std::string(text + 1, 5), "hello");
  PrefixedToTerminated(text);
  EXPECT_STREQ(text, "hello");

  std::string longText(280, 'q');
  std::memcpy(text, longText.c_str(), longText.size() + 1);
  TerminatedToPrefixed(text);
  EXPECT_EQ(uint8_t(text[0]), 255);
  PrefixedToTerminated(text);
  EXPECT_EQ(std::string(text), std::string(255, 'q'));
}

}  // namespace
