#include "text/NumberFormat.h"

#include <cmath>
#include <cstdint>

#include "contract/BoundedText.h"
#include "text/ExtendedMath.h"

namespace {

struct CountedWriter {
  char* buffer;
  uint8_t length;
};

void Put(CountedWriter& out, char c) { out.buffer[1 + out.length++] = c; }

void PutText(CountedWriter& out, const char* text) {
  while (*text != 0) Put(out, *text++);
}

// A carry can make the leading digit ten; it is written as "10".
void PutDigit(CountedWriter& out, int32_t digit) {
  if (digit == 10) PutText(out, "10");
  else Put(out, char('0' + digit));
}

// 10^k as 2^(k * ln 10 * log2 e), with this ln 10 rounded to single
// precision: the texts written so far depend on that exact path.
long double PowerOfTen(int32_t k) {
  constexpr float kLn10Single = 2.302585092994045684f;
  constexpr long double kLog2e = 1.4426950408889634073599246810018921L;
  return ExtendedExp2(k * static_cast<long double>(kLn10Single) * kLog2e);
}

// Takes the leading digit off m and moves the next one up.
int32_t NextDigit(long double& m) {
  auto digit = static_cast<int32_t>(m);
  m = (m - digit) * 10;
  return digit;
}

void PutFixedForm(CountedWriter& out, long double m, int32_t e) {
  for (int32_t p = e < 0 ? 0 : e, i = 0; i < 6; ++i, --p) {
    PutDigit(out, NextDigit(m));
    if (p == 0) Put(out, '.');
  }
}

void PutExponentForm(CountedWriter& out, long double m, int32_t e) {
  PutDigit(out, NextDigit(m));
  Put(out, '.');
  for (int i = 0; i < 5; ++i) PutDigit(out, NextDigit(m));
  Put(out, 'e');
  Put(out, e < 0 ? '-' : '+');
  if (e < 0) e = -e;
  if (e > 9) Put(out, char('0' + e / 10));
  Put(out, char('0' + e % 10));
}

void PutMagnitude(CountedWriter& out, float value) {
  uint16_t saved = BeginExtendedPrecision();
  long double x = value;
  int32_t e = DecimalExponent(x);
  long double r = x + 5 * PowerOfTen(e - 6);  // half a unit of the sixth digit
  long double m = r / PowerOfTen(e);
  if (e >= -2 && e <= 3) PutFixedForm(out, e < 0 ? r : m, e);
  else PutExponentForm(out, m, e);
  EndExtendedPrecision(saved);
}

}  // namespace

void FormatNumberCounted(float value, char* buffer) {
  CountedWriter out{buffer, 0};
  if (!(value < 0 || value > 0)) {  // zero, and NaN with it
    PutText(out, "0.0");
  } else {
    if (value < 0) Put(out, '-');
    if (std::isinf(value)) PutText(out, "INF");
    else PutMagnitude(out, std::fabs(value));
  }
  buffer[0] = static_cast<char>(out.length);
}

void FormatNumberText(float value, char* buffer) {
  FormatNumberCounted(value, buffer);
  PrefixedToTerminated(buffer);
}
