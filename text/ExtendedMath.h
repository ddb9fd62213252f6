// Extended-precision steps that give the same bits on every x86 target, the
// 32-bit and 64-bit Windows modules included. ln and 2^y come from the x87
// instructions, not from the C library, whose last bits differ between
// runtimes; and the x87 unit runs with 64-bit precision and rounding to
// nearest while a computation lasts, whatever the host left it in (Windows
// starts threads with 53-bit precision).
#pragma once

#include <cstdint>

// Between these two, long double arithmetic is full extended precision with
// rounding to nearest; results must be stored before the end. They nest.
uint16_t BeginExtendedPrecision();
void EndExtendedPrecision(uint16_t savedControl);

long double ExtendedLn(long double x);
long double ExtendedExp2(long double y);

// ln(x) / ln(10) truncated toward zero, for a finite x > 0. An exact power of
// ten 10^k (k = 0..10, the ones a float holds) lands on its true exponent k,
// not one lower: both logarithms come from the same instruction, whose
// quotient for them is exactly k.
int32_t DecimalExponent(long double x);
