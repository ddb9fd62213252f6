#include "tests/support/ConvolveReference.h"

TestImage MakeTestImage(int32_t width, int32_t height, int32_t planes, bool sixteenBit) {
  TestImage image;
  image.width = width;
  image.height = height;
  image.planes = planes;
  image.sixteenBit = sixteenBit;
  image.samples.assign(size_t(width) * height * planes, 0);
  return image;
}

int32_t ReferenceClamp(int32_t value, int32_t low, int32_t high) {
  return value < low ? low : (value > high ? high : value);
}

double ReferenceSum(const TestImage& image, const float* kernel, int32_t x, int32_t y, int32_t plane) {
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

uint16_t ReferenceTruncate(double v, double top) {
  if (std::isnan(v)) return 0;
  if (v < 0) v = 0;
  if (v > top) v = top;
  return uint16_t(int32_t(v));
}

std::vector<uint16_t> ReferenceConvolve(const TestImage& image, const float* kernel) {
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
