#include "filter/KernelText.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "contract/BoundedText.h"
#include "contract/Memory.h"
#include "text/ExtendedMath.h"

namespace {

// Magnitudes from here on have no room for their point in five digits; they,
// infinity among them, are written as the largest one that has.
constexpr double kFirstUncarriedMagnitude = 100000.0;
constexpr double kLargestCarriedMagnitude = 99999.0;

constexpr uint32_t kFieldBufferBytes = 256;  // a length-prefixed field

void PutCounted(char* output, char c) { output[1 + uint8_t(output[0]++)] = c; }

void PutZero(char* output) {
  output[0] = 3;
  std::memcpy(output + 1, "0.0", 3);
}

// 10^k to double precision: exact for k >= 0, one rounding for k < 0.
double DecimalPower(int32_t k) {
  double power = 1.0;
  for (int32_t i = 0; i < (k < 0 ? -k : k); ++i) power *= 10.0;
  return k < 0 ? 1.0 / power : power;
}

void PutKernelDigits(char* output, double x) {
  int32_t e = DecimalExponent(x);
  if (e < -3) return PutZero(output);  // without the sign
  double t = x + 5 * DecimalPower(e - 6);  // half a unit of the sixth digit
  if (e >= 0) t /= DecimalPower(e);
  int32_t p = e >= 0 ? e : 0;
  for (int32_t k = 0; k < 5; ++k) {
    auto d = static_cast<int32_t>(t);
    if (d == 10) PutCounted(output, '1');  // the exponent came out one low
    PutCounted(output, char('0' + d % 10));
    t = (t - d) * 10;
    if (k == p) PutCounted(output, '.');
  }
}

}  // namespace

void FormatKernelValue(float value, char* output) {
  if (!(value < 0 || value > 0)) return PutZero(output);  // zero, and NaN with it
  output[0] = 0;
  if (value < 0) PutCounted(output, '-');
  double x = std::fabs(double(value));
  PutKernelDigits(output, x < kFirstUncarriedMagnitude ? x : kLargestCarriedMagnitude);
}

void AppendKernelValue(char* text, float value, uint32_t size) {
  char field[kFieldBufferBytes];
  FormatKernelValue(value, field);
  PrefixedToTerminated(field);
  JoinTextBounded(text, field, text, size);
  JoinTextBounded(text, ",", text, size);
}

void FormatKernelText(const float* values, int32_t count, char* output, uint32_t size) {
  if (size == 0) return;
  output[0] = 0;
  for (int32_t i = 0; i < count; ++i) AppendKernelValue(output, values[i], size);
}

void ParseKernelText(float* values, int32_t count, const char* text) {
  char work[kTextBufferSize];
  CopyTextBounded(text, work, kTextBufferSize);
  for (int32_t i = count - 1; i >= 0; --i) values[i] = TakeLastKernelValue(work);
}

float TakeLastKernelValue(char* text) {
  auto n = static_cast<int32_t>(std::strlen(text));
  if (n == 0) return 0;
  // The last character stands for the last field's comma, whatever it is.
  int32_t i = n - 2;
  while (i >= 0 && text[i] != ',') --i;
  int32_t length = n - 2 - i;
  char field[kFieldBufferBytes];
  field[0] = static_cast<char>(length < 255 ? length : 255);
  std::memcpy(field + 1, text + i + 1, uint8_t(field[0]));
  text[i + 1] = 0;
  return ParseDecimal(field);
}

float ParseDecimal(const char* field) {
  auto length = static_cast<uint8_t>(field[0]);
  const char* c = field + 1;
  bool negative = length > 0 && c[0] == '-';
  double value = 0;
  double divisor = 1;
  bool seenPoint = false;
  for (uint8_t i = negative ? 1 : 0; i < length; ++i) {
    if (c[i] >= '0' && c[i] <= '9') {
      value = value * 10 + (c[i] - '0');
      if (seenPoint) divisor *= 10;
    } else if (c[i] == '.' && !seenPoint) {
      seenPoint = true;
    } else if (c[i] != ' ') {
      return 0;
    }
  }
  double result = value / divisor;
  // Beyond the float range the nearest float is infinity.
  if (result > FLT_MAX) return negative ? -INFINITY : INFINITY;
  return static_cast<float>(negative ? -result : result);
}
