#include "text/ExtendedMath.h"

#include <cmath>

#if defined(__i386__) || defined(__x86_64__)

// The asm statements are volatile, which keeps them in order: no logarithm or
// power moves out of the stretch with the right control word. Plain arithmetic
// may still drift past its end unless its result reaches memory first (hence
// the volatile quotient below; the formatters store their digits).

uint16_t BeginExtendedPrecision() {
  uint16_t saved;
  asm volatile("fnstcw %0" : "=m"(saved));
  // Precision control 11 (64-bit mantissa), rounding control 00 (nearest).
  uint16_t control = uint16_t((saved & ~0x0F00u) | 0x0300u);
  asm volatile("fldcw %0" : : "m"(control) : "memory");
  return saved;
}

void EndExtendedPrecision(uint16_t savedControl) { asm volatile("fldcw %0" : : "m"(savedControl) : "memory"); }

long double ExtendedLn(long double x) {
  long double result;
  asm volatile("fldln2\n\tfxch\n\tfyl2x" : "=t"(result) : "0"(x));  // ln 2 * log2 x
  return result;
}

long double ExtendedExp2(long double y) {
  long double whole;
  asm volatile("frndint" : "=t"(whole) : "0"(y));
  long double fractionPart;  // 2^f - 1 for |f| <= 1/2
  asm volatile("f2xm1" : "=t"(fractionPart) : "0"(y - whole));
  long double result;
  asm volatile("fscale" : "=t"(result) : "0"(fractionPart + 1.0L), "u"(whole));
  return result;
}

#else

uint16_t BeginExtendedPrecision() { return 0; }
void EndExtendedPrecision(uint16_t) {}
long double ExtendedLn(long double x) { return std::log(x); }
long double ExtendedExp2(long double y) { return std::exp2(y); }

#endif

int32_t DecimalExponent(long double x) {
  uint16_t saved = BeginExtendedPrecision();
  volatile long double quotient = ExtendedLn(x) / ExtendedLn(10.0L);  // divided before the end
  EndExtendedPrecision(saved);
  return static_cast<int32_t>(quotient);
}
