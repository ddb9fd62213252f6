// The number text format and the kernel's five-digit form. The expected
// texts were worked out from the algorithm with exact arithmetic (64-bit
// mantissas, powers of ten from the single-precision ln 10), not taken from
// this code; the same table runs natively and in both Windows builds, so the
// three give the same bytes.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "filter/Kernel.h"
#include "filter/KernelText.h"
#include "contract/BoundedText.h"
#include "contract/Memory.h"
#include "text/ExtendedMath.h"
#include "text/NumberFormat.h"

namespace {

std::string NumberText(float value) {
  char buffer[14];  // the documented minimum: overruns show under the sanitizer
  FormatNumberText(value, buffer);
  return buffer;
}

std::string KernelText(float value) {
  char text[kTextBufferSize];
  FormatKernelText(&value, 1, text, kTextBufferSize);
  return text;
}

struct Row {
  float value;
  const char* number;
  const char* kernel;
};

const Row kTable[] = {
    {0.00307f, "0.00307", "0.0030,"},
    {9.999996f, "10.00000", "10.0000,"},
    {999.9996f, "1000.000", "1000.00,"},
    {12345.0f, "1.23450e+4", "12345.,"},
    {0.0001234f, "0.12340e-3", "0.0001,"},
    {2e-5f, "0.20000e-4", "0.0,"},
    {3.5e12f, "3.50000e+12", "99999.,"},
    {-2.5f, "-2.50000", "-2.5000,"},
    {1.0f, "1.00000", "1.0000,"},
    {0.5f, "0.50000", "0.5000,"},
    {0.05f, "0.05000", "0.0500,"},
    {0.1f, "0.10000", "0.1000,"},
    {123.456f, "123.456", "123.45,"},
    {1234.5678f, "1234.57", "1234.5,"},
    {12345.6f, "1.23456e+4", "12345.,"},
    {65535.0f, "6.55350e+4", "65535.,"},
    {-7.25f, "-7.25000", "-7.2500,"},
    {0.000999f, "0.99900e-3", "0.0009,"},
    {0.99999994f, "1.00000", "1.0000,"},
    {99999.99f, "10.00000e+4", "100000.,"},
    {123456.5f, "1.23456e+5", "99999.,"},
    {-0.00005f, "-0.50000e-4", "0.0,"},
    {0.00009f, "0.90000e-4", "0.0,"},
    {1e11f, "10.00000e+10", "99999.,"},
    {-1e10f, "-1.00000e+10", "-99999.,"},
    {1e-45f, "0.14013e-44", "0.0,"},
    {3.4028235e38f, "3.40282e+38", "99999.,"},
    // The coefficients of the default kernel.
    {0.00676f, "0.00676", "0.0067,"},
    {0.0086f, "0.00860", "0.0086,"},
    {0.01106f, "0.01106", "0.0110,"},
    {0.02355f, "0.02355", "0.0235,"},
    {0.02991f, "0.02991", "0.0299,"},
    {0.04937f, "0.04937", "0.0493,"},
    {0.0635f, "0.06350", "0.0635,"},
    {0.08152f, "0.08152", "0.0815,"},
};

TEST(NumberFormat, TableGivesTheSameBytesOnEveryTarget) {
  for (const Row& row : kTable) {
    EXPECT_EQ(NumberText(row.value), row.number) << row.value;
    EXPECT_EQ(KernelText(row.value), row.kernel) << row.value;
  }
}

TEST(NumberFormat, DefaultKernelText) {
  char text[kTextBufferSize];
  FormatKernelText(DefaultKernel, kCoefficientCount, text, kTextBufferSize);
  EXPECT_STREQ(text,
               "0.0,0.0030,0.0067,0.0086,0.0067,0.0030,0.0,"
               "0.0030,0.0110,0.0235,0.0299,0.0235,0.0110,0.0030,"
               "0.0067,0.0235,0.0493,0.0635,0.0493,0.0235,0.0067,"
               "0.0086,0.0299,0.0635,0.0815,0.0635,0.0299,0.0086,"
               "0.0067,0.0235,0.0493,0.0635,0.0493,0.0235,0.0067,"
               "0.0030,0.0110,0.0235,0.0299,0.0235,0.0110,0.0030,"
               "0.0,0.0030,0.0067,0.0086,0.0067,0.0030,0.0,");
}

TEST(NumberFormat, ZeroNanAndInfinity) {
  float nan = std::numeric_limits<float>::quiet_NaN();
  float inf = std::numeric_limits<float>::infinity();
  for (float zero : {0.0f, -0.0f, nan}) {
    EXPECT_EQ(NumberText(zero), "0.0");
    EXPECT_EQ(KernelText(zero), "0.0,");
  }
  EXPECT_EQ(NumberText(inf), "INF");
  EXPECT_EQ(NumberText(-inf), "-INF");
  EXPECT_EQ(KernelText(inf), "99999.,");
  EXPECT_EQ(KernelText(-inf), "-99999.,");
}

TEST(NumberFormat, CountedFormHasItsLengthFirst) {
  char buffer[14];
  FormatNumberCounted(-1e11f, buffer);  // the longest text: 13 characters
  EXPECT_EQ(std::string(buffer + 1, uint8_t(buffer[0])), "-10.00000e+10");
  FormatNumberCounted(0.0f, buffer);
  EXPECT_EQ(std::string(buffer, 4), std::string("\x03" "0.0"));
  FormatKernelValue(-12345.6f, buffer);
  EXPECT_EQ(std::string(buffer + 1, uint8_t(buffer[0])), "-12345.");
}

// Exact powers of ten land on their true exponent, never one lower.
TEST(NumberFormat, ExactPowersOfTenTakeTheirTrueExponent) {
  long double power = 1;
  for (int32_t k = 0; k <= 10; ++k, power *= 10) EXPECT_EQ(DecimalExponent(power), k);
  const char* const number[] = {"1.00000",    "10.0000",    "100.000",    "1000.00",
                                "1.00000e+4", "1.00000e+5", "1.00000e+6", "1.00000e+10"};
  const char* const kernel[] = {"1.0000,", "10.000,", "100.00,", "1000.0,", "10000."};
  const float values[] = {1.0f, 10.0f, 100.0f, 1000.0f, 1e4f, 1e5f, 1e6f, 1e10f};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(NumberText(values[i]), number[i]);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(KernelText(values[i]), kernel[i]);
  EXPECT_EQ(KernelText(1e4f), "10000.,");
}

TEST(NumberFormat, BoundariesOfTheFixedForm) {
  EXPECT_EQ(NumberText(0.0010001f), "0.00100");  // e = -2, still fixed
  EXPECT_EQ(NumberText(0.00099999f), "0.99999e-3");
  EXPECT_EQ(NumberText(9999.9f), "9999.90");
  EXPECT_EQ(NumberText(9999.996f), "10000.00");  // the carry keeps the fixed form
  EXPECT_EQ(NumberText(10000.5f), "1.00005e+4");
}

TEST(KernelValueForm, MagnitudesAndSigns) {
  EXPECT_EQ(KernelText(0.00009f), "0.0,");
  EXPECT_EQ(KernelText(-0.00005f), "0.0,");  // no sign
  EXPECT_EQ(KernelText(-0.0002f), "-0.0002,");
  EXPECT_EQ(KernelText(99999.0f), "99999.,");
  EXPECT_EQ(KernelText(100000.0f), "99999.,");  // beyond the form: the largest it carries
  EXPECT_EQ(KernelText(-1e30f), "-99999.,");
}

#if defined(__i386__) || defined(__x86_64__)
uint16_t ControlWord() {
  uint16_t word;
  asm volatile("fnstcw %0" : "=m"(word));
  return word;
}

void LoadControlWord(uint16_t word) { asm volatile("fldcw %0" : : "m"(word)); }

// A host may leave the x87 unit at 53-bit precision (Windows does) and any
// rounding; the texts must not change, and the host's setting comes back.
TEST(NumberFormat, TextsDoNotDependOnTheHostsFloatingPointControl) {
  uint16_t original = ControlWord();
  for (uint16_t setting : {uint16_t(0x027F), uint16_t(0x0A7F), uint16_t(0x0E7F), uint16_t(0x007F)}) {
    LoadControlWord(setting);
    for (const Row& row : kTable) {
      std::string number = NumberText(row.value);
      std::string kernel = KernelText(row.value);
      ASSERT_EQ(ControlWord(), setting);
      LoadControlWord(original);
      EXPECT_EQ(number, row.number) << row.value << " with " << setting;
      EXPECT_EQ(kernel, row.kernel) << row.value << " with " << setting;
      LoadControlWord(setting);
    }
  }
  LoadControlWord(original);
}
#endif

}  // namespace
