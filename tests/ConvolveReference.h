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

inline TestImage MakeTestImage(int32_t width, int32_t height, int32_t planes, bool sixteenBit) {
  TestImage image;
  image.width = width;
  image.height = height;
  image.planes = planes;
  image.sixteenBit = sixteenBit;
  image.samples.assign(size_t(width) * height * planes, 0);
  return image;
}

inline int32_t ReferenceClamp(int32_t value, int32_t low, int32_t high) {
  return value < low ? low : (value > high ? high : value);
}

inline double ReferenceSum(const TestImage& image, const float* kernel, int32_t x, int32_t y, int32_t plane) {
  double sum = 0.0;
  for (int32_t c = 0; c < 7; ++c) {
    for (int32_t r = 0; r < 7; ++r) {
      const int32_t sx = ReferenceClamp(x + c - 3, 0, image.width - 1);
      const int32_t sy = ReferenceClamp(y + r - 3, 0, image.height - 1);
      sum += double(image.At(sx, sy, plane)) * double(kernel[7 * r + c]);
    }
  }
  return sum;
}

// Truncation toward zero. Only a NaN or an infinity needs the guards; a NaN gives 0.
inline uint16_t ReferenceTruncate(double v, double top) {
  if (std::isnan(v)) return 0;
  if (v < 0) v = 0;
  if (v > top) v = top;
  return uint16_t(int32_t(v));
}

// kernel: the 53 floats of a run (coefficients, scale, offset, autoscale, sixteen-bit).
inline std::vector<uint16_t> ReferenceConvolve(const TestImage& image, const float* kernel) {
  const double top = image.sixteenBit ? 32768.0 : 255.0;
  std::vector<uint16_t> result(image.samples.size());
  std::vector<double> sums(image.samples.size());
  size_t i = 0;
  for (int32_t y = 0; y < image.height; ++y) {
    for (int32_t x = 0; x < image.width; ++x) {
      for (int32_t plane = 0; plane < image.planes; ++plane) sums[i++] = ReferenceSum(image, kernel, x, y, plane);
    }
  }
  if (kernel[51] == 0.0f) {
    const double scale = double(kernel[49]);
    const double offset = image.sixteenBit ? 128.5 * double(kernel[50]) : double(kernel[50]);
    for (i = 0; i < sums.size(); ++i) {
      double v = sums[i] / scale + offset;
      if (v < 0) v = 0;
      if (v > top) v = top;
      result[i] = ReferenceTruncate(v, top);
    }
    return result;
  }
  double minimum = 1e30;
  double maximum = -1e30;
  for (double sum : sums) {
    if (sum > maximum) maximum = sum;
    if (sum < minimum) minimum = sum;
  }
  double factor = 1.0;
  if (maximum > minimum) factor = top / (maximum - minimum);
  for (i = 0; i < sums.size(); ++i) result[i] = ReferenceTruncate((sums[i] - minimum) * factor, top);
  return result;
}
