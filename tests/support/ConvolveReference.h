// The engine's arithmetic in its most literal form, one result sample at a
// time: double sums over column offset (outer) and row offset (inner) of
// sample times widened coefficient, then the plain or autoscale mapping with
// its clamps and truncations in their order. The engine must match it bit
// for bit. Used by the tests and the benchmark only.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

struct TestImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t planes = 1;
  bool sixteenBit = false;
  std::vector<uint16_t> samples;  // rows top first, planes interleaved

  uint16_t At(int32_t x, int32_t y, int32_t plane) const {
    return samples[(size_t(y) * width + x) * planes + plane];
  }
};

TestImage MakeTestImage(int32_t width, int32_t height, int32_t planes, bool sixteenBit);

int32_t ReferenceClamp(int32_t value, int32_t low, int32_t high);

double ReferenceSum(const TestImage& image, const float* kernel, int32_t x, int32_t y, int32_t plane);

// Truncation toward zero. Only a NaN or an infinity needs the guards; a NaN gives 0.
uint16_t ReferenceTruncate(double v, double top);

// kernel: the 53 floats of a run (coefficients, scale, offset, autoscale, sixteen-bit).
std::vector<uint16_t> ReferenceConvolve(const TestImage& image, const float* kernel);
