// The dialog preview against a literal, pixel-by-pixel rendition of its
// arithmetic, and the pictures it must show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "dialog/Preview.h"
#if !defined(_WIN32)
#include "dialog/PreviewSink.h"
#endif
#include "filter/ConvolvePlan.h"
#include "filter/ConvolveRows.h"
#include "filter/Kernel.h"
#include "contract/Memory.h"
#include "platform/Platform.h"
#include "store/ImageStore.h"
#include "tests/support/TestSupport.h"

namespace {

Rect16 MakeRect(int top, int left, int bottom, int right) {
  return Rect16{int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

ConvolutionKernel IdentityKernel() {
  ConvolutionKernel kernel{};
  kernel.values[24] = 1.0f;
  kernel.values[kScaleFactorSlot] = 1.0f;
  return kernel;
}

struct Rgb5 {
  int red, green, blue;
  bool operator==(const Rgb5&) const = default;
};

Rgb5 Split(uint16_t pixel) { return {pixel >> 10 & 31, pixel >> 5 & 31, pixel & 31}; }

// Display row r (top first), column d.
uint16_t DisplayPixel(const PreviewBitmap& bitmap, int r, int d) {
  return bitmap.pixels[size_t(bitmap.height - 1 - r) * size_t(bitmap.width) + size_t(d)];
}

// The frame's image: samples in a backing store, which the preview reads.
class PreviewTest : public FixedFilesTest {
 protected:
  void TearDown() override {
    DisposeImageStore(store);
    FixedFilesTest::TearDown();
  }

  // samples: width * height * planes values, rows top first.
  void MakeImage(int width, int height, int planes, int depth, const std::vector<uint16_t>& samples) {
    DisposeImageStore(store);
    bytes = depth == 16 ? 2 : 1;
    ASSERT_EQ(NewBackingStore(int16_t(width), int16_t(height), int16_t(planes * bytes), &store), 0);
    std::vector<uint8_t> row(size_t(width) * planes * bytes);
    for (int y = 0; y < height; ++y) {
      for (size_t i = 0; i < size_t(width) * planes; ++i) {
        uint16_t v = samples[size_t(y) * width * planes + i];
        if (bytes == 2) {
          std::memcpy(&row[2 * i], &v, 2);
        } else {
          row[i] = uint8_t(v);
        }
      }
      WriteStoreRow(store, 0, y, int32_t(row.size()), row.data());
    }
    image = PreviewImage{};
    image.width = int16_t(width);
    image.height = int16_t(height);
    image.colourPlanes = int16_t(planes);
    image.store = store;
  }

  void MakeFlatImage(int width, int height, int planes, int depth, uint16_t value) {
    MakeImage(width, height, planes, depth, std::vector<uint16_t>(size_t(width) * height * planes, value));
  }

  std::vector<uint16_t> RandomSamples(size_t count, uint16_t limit) {
    std::uniform_int_distribution<int> pick(0, limit);
    std::vector<uint16_t> samples(count);
    for (auto& s : samples) s = uint16_t(pick(random));
    return samples;
  }

  PreviewBitmap Compute(const Rect16& frame, const Rect16& view, const ConvolutionKernel& kernel) {
    return bytes == 2 ? ComputePreview16(frame, view, &image, &kernel) : ComputePreview8(frame, view, &image, &kernel);
  }

  std::vector<uint16_t> ComputePixels(const Rect16& frame, const Rect16& view, const ConvolutionKernel& kernel) {
    PreviewBitmap bitmap = Compute(frame, view, kernel);
    std::vector<uint16_t> pixels;
    if (bitmap.pixels != nullptr) pixels.assign(bitmap.pixels, bitmap.pixels + size_t(bitmap.width) * bitmap.height);
    DisposeBlock(bitmap.pixels);
    return pixels;
  }

  // The arithmetic spelled out pixel by pixel: integer ring buffers, each
  // sum from zero, each new extreme rounded to single precision at once.
  std::vector<uint16_t> Reference(const Rect16& frame, const Rect16& view, const ConvolutionKernel& kernel) {
    const int P = image.colourPlanes, B = bytes;
    const int W = (frame.right - frame.left + 1) / 2 * 2, H = frame.bottom - frame.top, L = W * P;
    const int maxValue = B == 2 ? 32768 : 255;
    const int s = view.top, e = view.bottom, c0 = view.left, c1 = view.right;
    std::vector<std::vector<uint8_t>> ring(7, std::vector<uint8_t>(size_t(L) * B));
    std::vector<int> out(L, maxValue);
    std::vector<uint16_t> pixels(size_t(W) * H, 0x7FFF);
    auto sample = [&](int k, int index) {
      if (B == 1) return int(ring[k][index]);
      uint16_t v;
      std::memcpy(&v, &ring[k][2 * size_t(index)], 2);
      return int(v);
    };
    auto fiveBits = [&](int v) { return B == 1 ? v >> 3 : std::min(v >> 7, 255) >> 3; };
    auto clamp = [&](double v) {
      if (v > maxValue) v = maxValue;
      if (v < 0 || std::isnan(v)) v = 0;
      return int(v);
    };
    float smallest = 1e30f, largest = -1e30f, gain = 1.0f;
    const bool autoscale = kernel.values[kAutoscaleSlot] != 0.0f;
    for (int pass = autoscale ? 0 : 1; pass < 2; ++pass) {
      const bool measuring = autoscale && pass == 0;
      for (int k = 0; k < 6; ++k) ReadStoreRow(store, c0 * P * B, s + k, L * B, ring[k].data());
      for (int i = 0; e - s - 6 >= 1 && i <= e - s - 7; ++i) {
        ReadStoreRow(store, c0 * P * B, s + 6 + i, L * B, ring[6].data());
        for (int x = 0; c1 - c0 - 6 >= 1 && x <= c1 - c0 - 7; ++x) {
          for (int ch = 0; ch < P; ++ch) {
            double sum = 0;
            for (int k = 0; k < 7; ++k)
              for (int c = 0; c < 7; ++c) sum += double(sample(k, (x + c) * P + ch)) * kernel.values[7 * k + c];
            if (measuring) {
              if (sum < smallest) smallest = float(sum);
              if (sum > largest) largest = float(sum);
            } else if (autoscale) {
              out[(x + 3) * P + ch] = clamp((sum - smallest) * gain);
            } else {
              out[(x + 3) * P + ch] = clamp(sum / kernel.values[kScaleFactorSlot] + kernel.values[kOffsetSlot]);
            }
          }
        }
        if (!measuring) {
          for (int d = 0; d < W; ++d) {
            int r = fiveBits(out[d * P]), g = r, b = r;
            if (P == 3) g = fiveBits(out[d * P + 1]), b = fiveBits(out[d * P + 2]);
            pixels[size_t(H - 1 - (3 + i)) * W + d] = uint16_t(r << 10 | g << 5 | b);
          }
        }
        std::rotate(ring.begin(), ring.begin() + 1, ring.end());
      }
      if (measuring && largest > smallest) gain = float((B == 2 ? 32768.0 : 255.5) / (largest - smallest));
    }
    return pixels;
  }

  ImageStore* store = nullptr;
  PreviewImage image{};
  int bytes = 1;
  std::mt19937 random{20240611};
};

TEST_F(PreviewTest, IdentityShowsTheImageInsideAThreePixelWhiteBorder) {
  for (int planes : {1, 3}) {
    std::vector<uint16_t> samples = RandomSamples(size_t(20) * 16 * planes, 255);
    MakeImage(20, 16, planes, 8, samples);
    PreviewBitmap bitmap = Compute(MakeRect(0, 0, 16, 20), MakeRect(0, 0, 16, 20), IdentityKernel());
    ASSERT_NE(bitmap.pixels, nullptr);
    ASSERT_EQ(bitmap.width, 20);
    ASSERT_EQ(bitmap.height, 16);
    for (int r = 0; r < 16; ++r) {
      for (int d = 0; d < 20; ++d) {
        bool border = r < 3 || d < 3 || r >= 13 || d >= 17;
        auto at = [&](int ch) { return samples[(size_t(r) * 20 + d) * planes + ch] >> 3; };
        Rgb5 expected = border ? Rgb5{31, 31, 31} : planes == 1 ? Rgb5{at(0), at(0), at(0)} : Rgb5{at(0), at(1), at(2)};
        ASSERT_EQ(Split(DisplayPixel(bitmap, r, d)), expected) << planes << " " << r << "," << d;
      }
    }
    DisposeBlock(bitmap.pixels);
  }
}

TEST_F(PreviewTest, PlainPassClampsOffsetsAndDivisionByZero) {
  MakeImage(10, 10, 1, 8, RandomSamples(100, 255));
  const Rect16 frame = MakeRect(0, 0, 10, 10);
  ConvolutionKernel kernel = IdentityKernel();
  kernel.values[kOffsetSlot] = 300.0f;
  EXPECT_EQ(Split(ComputePixels(frame, frame, kernel)[5 * 10 + 5]), (Rgb5{31, 31, 31}));
  kernel.values[kOffsetSlot] = -300.0f;
  std::vector<uint16_t> dark = ComputePixels(frame, frame, kernel);
  for (int r = 3; r < 7; ++r)
    for (int d = 3; d < 7; ++d) EXPECT_EQ(dark[size_t(9 - r) * 10 + d], 0) << r << "," << d;

  // Scale 0: positive sums white, negative and zero (0/0) sums black.
  std::vector<uint16_t> samples(100, 0);
  samples[3 * 10 + 3] = 7;
  MakeImage(10, 10, 1, 8, samples);
  kernel.values[kOffsetSlot] = 0.0f;
  kernel.values[kScaleFactorSlot] = 0.0f;
  std::vector<uint16_t> pixels = ComputePixels(frame, frame, kernel);
  EXPECT_EQ(pixels[size_t(9 - 3) * 10 + 3], kPreviewWhite);
  EXPECT_EQ(pixels[size_t(9 - 4) * 10 + 4], 0);
  kernel.values[24] = -1.0f;
  EXPECT_EQ(ComputePixels(frame, frame, kernel)[size_t(9 - 3) * 10 + 3], 0);
}

TEST_F(PreviewTest, AutoscaleStretchesTheViewFromBlackToWhite) {
  ConvolutionKernel kernel = IdentityKernel();
  kernel.values[kAutoscaleSlot] = 1.0f;
  kernel.values[kScaleFactorSlot] = 5.0f;  // not used
  const Rect16 frame = MakeRect(0, 0, 12, 12);
  MakeFlatImage(12, 12, 3, 8, 90);
  std::vector<uint16_t> flat = ComputePixels(frame, frame, kernel);
  EXPECT_EQ(flat[size_t(11 - 3) * 12 + 3], 0);
  EXPECT_EQ(flat[size_t(11 - 8) * 12 + 8], 0);

  std::vector<uint16_t> samples(144, 100);
  samples[4 * 12 + 5] = 101;
  samples[6 * 12 + 7] = 99;
  MakeImage(12, 12, 1, 8, samples);
  std::vector<uint16_t> stretched = ComputePixels(frame, frame, kernel);
  EXPECT_EQ(Split(stretched[size_t(11 - 4) * 12 + 5]), (Rgb5{31, 31, 31}));
  EXPECT_EQ(stretched[size_t(11 - 6) * 12 + 7], 0);
  EXPECT_EQ(Split(stretched[size_t(11 - 5) * 12 + 5]), (Rgb5{15, 15, 15}));  // 127.75 -> 127 -> 15
}

// A smallest sum that single precision rounds up lies below the smallest
// value kept; the stretched sample must still be black, not wrap round.
TEST_F(PreviewTest, AutoscaleKeepsSumsBelowTheRoundedSmallestBlack) {
  std::vector<uint16_t> samples(size_t(7) * 8, 0);
  samples[3 * 7 + 2] = 1;      // row 3: 32768 + 2^-8, exact in single precision
  samples[3 * 7 + 3] = 32768;
  samples[4 * 7 + 3] = 32768;  // row 4: 32768 - 2^-20, rounded up to 32768
  samples[4 * 7 + 4] = 1;
  MakeImage(7, 8, 1, 16, samples);
  ConvolutionKernel kernel = IdentityKernel();
  kernel.values[23] = std::ldexp(1.0f, -8);
  kernel.values[25] = -std::ldexp(1.0f, -20);
  kernel.values[kAutoscaleSlot] = 1.0f;
  std::vector<uint16_t> pixels = ComputePixels(MakeRect(0, 0, 8, 8), MakeRect(0, 0, 8, 7), kernel);
  EXPECT_EQ(pixels[size_t(7 - 3) * 8 + 3], kPreviewWhite);
  EXPECT_EQ(pixels[size_t(7 - 4) * 8 + 3], 0);
}

TEST_F(PreviewTest, ViewsWithoutRoomForTheWindowAreAllWhite) {
  MakeImage(30, 30, 3, 8, RandomSamples(30 * 30 * 3, 255));
  for (ConvolutionKernel kernel : {IdentityKernel(), ConvolutionKernel{}}) {
    kernel.values[kAutoscaleSlot] = kernel.values[24];
    for (Rect16 view : {MakeRect(0, 0, 6, 20), MakeRect(0, 0, 20, 6), MakeRect(5, 5, 5, 5)}) {
      std::vector<uint16_t> pixels = ComputePixels(MakeRect(0, 0, 20, 20), view, kernel);
      ASSERT_EQ(pixels.size(), 400u);
      EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](uint16_t p) { return p == kPreviewWhite; }));
    }
  }
}

TEST_F(PreviewTest, SixteenBitSamplesLoseSevenBitsThenThree) {
  std::vector<uint16_t> samples(100, 32768);
  samples[3 * 10 + 3] = 1024;
  samples[3 * 10 + 4] = 1023;
  samples[3 * 10 + 5] = 65535;  // beyond the host's range: still white
  MakeImage(10, 10, 1, 16, samples);
  const Rect16 frame = MakeRect(0, 0, 10, 10);
  std::vector<uint16_t> pixels = ComputePixels(frame, frame, IdentityKernel());
  EXPECT_EQ(Split(pixels[size_t(9 - 3) * 10 + 3]), (Rgb5{1, 1, 1}));
  EXPECT_EQ(pixels[size_t(9 - 3) * 10 + 4], 0);
  EXPECT_EQ(pixels[size_t(9 - 3) * 10 + 5], kPreviewWhite);
  EXPECT_EQ(pixels[size_t(9 - 4) * 10 + 4], kPreviewWhite);
}

TEST_F(PreviewTest, OddFrameWidthGivesAnEvenBitmapWithAWhiteLastColumn) {
  MakeFlatImage(300, 200, 3, 8, 0);
  PreviewBitmap bitmap = Compute(MakeRect(10, 20, 193, 215), MakeRect(0, 0, 183, 195), IdentityKernel());
  ASSERT_NE(bitmap.pixels, nullptr);
  EXPECT_EQ(bitmap.width, 196);
  EXPECT_EQ(bitmap.height, 183);
  EXPECT_EQ(DisplayPixel(bitmap, 100, 191), 0);
  for (int d = 192; d < 196; ++d) EXPECT_EQ(DisplayPixel(bitmap, 100, d), kPreviewWhite) << d;
  DisposeBlock(bitmap.pixels);
}

// Random images and kernels, every variant, scrolled views and images
// smaller than the frame: the same bits as the reference.
TEST_F(PreviewTest, MatchesThePixelByPixelArithmeticBitForBit) {
  std::uniform_real_distribution<float> weight(-2.0f, 2.0f);
  struct Case {
    int planes, depth, width, height;
    Rect16 frame, view;
  };
  const Case cases[] = {
      {1, 8, 40, 30, MakeRect(5, 7, 35, 48), MakeRect(0, 0, 30, 40)},
      {3, 8, 60, 50, MakeRect(0, 0, 33, 41), MakeRect(9, 13, 42, 54)},
      {1, 16, 25, 19, MakeRect(0, 0, 30, 37), MakeRect(0, 0, 19, 25)},
      {3, 16, 70, 45, MakeRect(2, 2, 39, 49), MakeRect(4, 20, 41, 67)},
      {3, 8, 9, 9, MakeRect(0, 0, 12, 12), MakeRect(0, 0, 9, 9)},
  };
  for (const Case& c : cases) {
    MakeImage(c.width, c.height, c.planes, c.depth,
              RandomSamples(size_t(c.width) * c.height * c.planes, c.depth == 16 ? 32768 : 255));
    for (int trial = 0; trial < 6; ++trial) {
      ConvolutionKernel kernel{};
      for (int i = 0; i < kCoefficientCount; ++i) kernel.values[i] = trial == 5 ? float(i % 3) : weight(random);
      kernel.values[kScaleFactorSlot] = trial == 4 ? 0.0f : 0.5f + float(trial);
      kernel.values[kOffsetSlot] = float(trial * 13 - 30);
      kernel.values[kAutoscaleSlot] = trial % 2 ? 1.0f : 0.0f;
      ASSERT_EQ(ComputePixels(c.frame, c.view, kernel), Reference(c.frame, c.view, kernel))
          << c.planes << "x" << c.depth << " trial " << trial;
    }
  }
}

// Sums whose rounding depends on the order of the additions: row by row,
// left to right within a row, from a sum of zero.
TEST_F(PreviewTest, SumsRunRowByRowLeftToRight) {
  MakeFlatImage(9, 9, 1, 8, 1);
  const Rect16 frame = MakeRect(0, 0, 9, 10);
  const float big = std::ldexp(1.0f, 53);
  ConvolutionKernel kernel{};
  kernel.values[kScaleFactorSlot] = std::ldexp(1.0f, -8);  // a sum of 1 shows white
  kernel.values[0] = big;
  kernel.values[1] = 1.0f;  // lost against 2^53 when added second
  kernel.values[2] = -big;
  EXPECT_EQ(ComputePixels(frame, frame, kernel)[size_t(8 - 4) * 10 + 4], 0);
  kernel.values[1] = -big;
  kernel.values[2] = 0.0f;
  kernel.values[7] = 1.0f;  // row 1 comes after the whole of row 0
  EXPECT_EQ(ComputePixels(frame, frame, kernel)[size_t(8 - 4) * 10 + 4], kPreviewWhite);
}

// A view larger than the frame is clipped to the bitmap.
TEST_F(PreviewTest, ViewLargerThanTheFrameStaysInsideTheBitmap) {
  MakeImage(50, 50, 3, 8, RandomSamples(50 * 50 * 3, 255));
  ConvolutionKernel kernel = IdentityKernel();
  std::vector<uint16_t> clipped = ComputePixels(MakeRect(0, 0, 20, 20), MakeRect(0, 0, 20, 20), kernel);
  EXPECT_EQ(ComputePixels(MakeRect(0, 0, 20, 20), MakeRect(0, 0, 50, 50), kernel), clipped);
}

// Every instruction set's row-outer sums against the scalar variant's.
TEST_F(PreviewTest, RowSumVariantsAgreeBitForBit) {
  std::uniform_real_distribution<double> weight(-3.0, 3.0);
  for (int planes : {1, 3}) {
    const int count = 97 * planes;
    const int padded = (count + kRowOuterBlock - 1) / kRowOuterBlock * kRowOuterBlock;
    std::vector<std::vector<double>> rows(7, std::vector<double>(size_t(padded) + 6 * planes));
    for (auto& row : rows)
      for (double& v : row) v = double(random() % 65536);
    double coefficients[49];
    // Magnitudes far apart, so that every reordering rounds differently.
    for (double& c : coefficients) c = float(std::ldexp(weight(random), int(random() % 80) - 40));
    const double* pointers[7];
    for (int k = 0; k < 7; ++k) pointers[k] = rows[k].data();
    std::vector<double> scalar(padded);
    ScalarRowFunctions()->rowOuterSums(pointers, coefficients, planes, count, scalar.data());
    for (int32_t isa = 0; isa < kConvolveIsaCount; ++isa) {
      if (!ForceConvolveIsa(ConvolveIsa(isa))) continue;
      std::vector<double> sums(padded);
      ChooseRowOuterSums()(pointers, coefficients, planes, count, sums.data());
      ResetConvolveChoices();
      EXPECT_EQ(std::memcmp(scalar.data(), sums.data(), sizeof(double) * size_t(count)), 0) << planes << " " << isa;
    }
  }
}

TEST_F(PreviewTest, FailedAllocationsDrawNothing) {
  MakeImage(30, 30, 3, 8, RandomSamples(30 * 30 * 3, 255));
  const Rect16 frame = MakeRect(0, 0, 30, 30);
  const ConvolutionKernel kernel = IdentityKernel();
  for (int failing = 0; failing < 2; ++failing) {
    PlatformFailAfter(PlatformService::allocBlock, failing);
    PreviewBitmap bitmap = ComputePreview8(frame, frame, &image, &kernel);
    PlatformFailAfter(PlatformService::allocBlock, -1);
    EXPECT_EQ(bitmap.pixels, nullptr) << failing;
    EXPECT_EQ(bitmap.width, 0) << failing;
  }
}

#if !defined(_WIN32)
TEST_F(PreviewTest, SinkKeepsTheLastBitmapAndWhereItWasPut) {
  MakeImage(30, 30, 1, 16, RandomSamples(30 * 30, 32768));
  const Rect16 view = MakeRect(0, 0, 25, 21);
  const Rect16 frame = MakeRect(40, 12, 65, 33);
  ConvolutionKernel kernel = IdentityKernel();
  PreviewSink sink{};
  DrawPreview16(&sink, frame, view, &image, &kernel);
  kernel.values[kAutoscaleSlot] = 1.0f;
  DrawPreview16(&sink, frame, view, &image, &kernel);
  EXPECT_EQ(sink.paints, 2);
  EXPECT_EQ(sink.left, 12);
  EXPECT_EQ(sink.top, 40);
  ASSERT_EQ(sink.bitmap.width, 22);
  std::vector<uint16_t> expected = Reference(frame, view, kernel);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), sink.bitmap.pixels));

  // A paint whose allocation fails leaves the last picture in place.
  const ConvolutionKernel identity = IdentityKernel();
  std::vector<uint16_t> kept(sink.bitmap.pixels, sink.bitmap.pixels + expected.size());
  PlatformFailAfter(PlatformService::allocBlock, 0);
  DrawPreview16(&sink, frame, view, &image, &identity);
  PlatformFailAfter(PlatformService::allocBlock, -1);
  EXPECT_EQ(sink.paints, 2);
  EXPECT_TRUE(std::equal(kept.begin(), kept.end(), sink.bitmap.pixels));

  DrawPreview16(nullptr, frame, view, &image, &kernel);  // no context: nothing to put it on
  ClearPreviewSink(&sink);
  EXPECT_EQ(sink.bitmap.pixels, nullptr);
}
#endif

}  // namespace
