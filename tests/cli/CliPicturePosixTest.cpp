// Image files of the tarkel command: every kind and depth round-trips, the
// byte order and layouts other writers use are read right, and unusable
// files are refused with a message that says why.
#include <png.h>
#include <tiffio.h>

#include <cstdlib>
#include <random>

#include "cli/Picture.h"
#include "tests/cli/CliSupport.h"

namespace {

Picture NoisePicture(int32_t width, int32_t height, int32_t channels, bool alpha, int32_t depth, uint32_t seed) {
  Picture picture;
  picture.alpha = alpha;
  picture.image = hostsim::MakeImage(width, height, channels + (alpha ? 1 : 0), depth);
  std::mt19937 random(seed);
  for (uint8_t& byte : picture.image.samples) byte = uint8_t(random());
  return picture;
}

// A one-row PNG written by libpng from the bytes as the file stores them.
void WriteRawPng(const std::string& path, uint32_t width, int depth, int colourType, png_bytep row) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, width, 1, depth, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color colours[1] = {{1, 2, 3}};
  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, colours, 1);
  png_write_info(png, info);
  png_write_row(png, row);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

struct Kind {
  int32_t channels;
  bool alpha;
};
const Kind kKinds[] = {{1, false}, {1, true}, {3, false}, {3, true}};

TEST(CliPicture, EveryKindAndDepthRoundTripsThroughPngAndTiff) {
  CliTempDir dir;
  for (PictureFormat format : {PictureFormat::png, PictureFormat::tiff})
    for (const Kind& kind : kKinds)
      for (int32_t depth : {8, 16}) {
        Picture written = NoisePicture(37, 11, kind.channels, kind.alpha, depth, uint32_t(depth + kind.channels));
        std::string path = dir.Path(format == PictureFormat::png ? "round.png" : "round.tif");
        SCOPED_TRACE(path + " " + DescribePicture(written));
        ASSERT_FALSE(WritePicture(path, written, format));
        Picture read;
        ASSERT_FALSE(ReadPicture(path, &read));
        EXPECT_EQ(read.alpha, kind.alpha);
        EXPECT_EQ(read.image.planes, written.image.planes);
        EXPECT_EQ(read.image.depth, depth);
        EXPECT_EQ(read.image.width, 37);
        EXPECT_EQ(read.image.height, 11);
        EXPECT_TRUE(read.image.samples == written.image.samples);
      }
}

TEST(CliPicture, PngRowsComeBackAtEveryLevelAndAcrossChunks) {
  CliTempDir dir;
  std::string path = dir.Path("levels.png");
  Picture small = NoisePicture(61, 23, 3, false, 16, 5);
  for (const char* level : {"0", "1", "9"}) {
    SCOPED_TRACE(level);
    ASSERT_FALSE(WritePicture(path, small, PictureFormat::png, WriteSettings{92, level}));
    Picture read;
    ASSERT_FALSE(ReadPicture(path, &read));
    EXPECT_TRUE(read.image.samples == small.image.samples);
  }
  // Noise does not deflate: more than one chunk of rows.
  Picture large = NoisePicture(1500, 1500, 3, true, 16, 6);
  ASSERT_FALSE(WritePicture(path, large, PictureFormat::png));
  Picture read;
  ASSERT_FALSE(ReadPicture(path, &read));
  EXPECT_TRUE(read.image.samples == large.image.samples);
}

TEST(CliPicture, RowsArriveBandByBandAndAStopIsNoFailure) {
  CliTempDir dir;
  std::string path = dir.Path("tall.png");
  Picture written = NoisePicture(9, 300, 1, true, 16, 7);
  ASSERT_FALSE(WritePicture(path, written, PictureFormat::png));
  Picture read;
  DecodingRows rows;
  ASSERT_FALSE(OpenPicture(path, &read, &rows));
  std::vector<std::pair<int32_t, int32_t>> bands;
  StartDecoding(&read, [&bands](uint8_t*, int32_t top, int32_t bottom) { bands.emplace_back(top, bottom); }, &rows);
  EXPECT_TRUE(AwaitRows(&rows, 300));
  EXPECT_FALSE(FinishDecoding(&rows));
  EXPECT_TRUE(read.image.samples == written.image.samples);
  ASSERT_GT(bands.size(), size_t(1));
  EXPECT_EQ(bands.front().first, 0);
  EXPECT_EQ(bands.back().second, 300);
  for (size_t i = 1; i < bands.size(); ++i) EXPECT_EQ(bands[i].first, bands[i - 1].second);

  Picture stopped;
  DecodingRows early;
  ASSERT_FALSE(OpenPicture(path, &stopped, &early));
  StartDecoding(&stopped, nullptr, &early);
  StopDecoding(&early);
  EXPECT_FALSE(early.failure);
  // Nothing waits for rows that will never come.
  EXPECT_EQ(AwaitRows(&early, 300), early.ready == 300);
}

TEST(CliPicture, SixteenBitPngSamplesAreReadBigEndianFromTheFile) {
  CliTempDir dir;
  std::string path = dir.Path("be.png");
  png_byte row[4] = {0x12, 0x34, 0xFF, 0x00};  // as stored: most significant byte first
  WriteRawPng(path, 2, 16, PNG_COLOR_TYPE_GRAY, row);
  Picture picture;
  ASSERT_FALSE(ReadPicture(path, &picture));
  EXPECT_EQ(picture.image.Sample(0, 0, 0), 0x1234);
  EXPECT_EQ(picture.image.Sample(1, 0, 0), 0xFF00);
}

void WriteTiffLayout(const std::string& path, bool tiled, bool separate) {
  TIFF* tiff = TIFFOpen(path.c_str(), "w");
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 20u);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 20u);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, separate ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
  auto value = [](uint32_t x, uint32_t y, uint32_t plane) { return uint16_t(x * 1000 + y * 10 + plane); };
  if (tiled) {
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16u);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16u);
    std::vector<uint16_t> tile(16 * 16 * 3);
    for (uint32_t top = 0; top < 20; top += 16)
      for (uint32_t left = 0; left < 20; left += 16) {
        for (uint32_t y = 0; y < 16; ++y)
          for (uint32_t x = 0; x < 16; ++x)
            for (uint32_t p = 0; p < 3; ++p) tile[(y * 16 + x) * 3 + p] = value(left + x, top + y, p);
        TIFFWriteTile(tiff, tile.data(), left, top, 0, 0);
      }
  } else {
    std::vector<uint16_t> line(20 * 3);
    for (uint16_t plane = 0; plane < (separate ? 3 : 1); ++plane)
      for (uint32_t y = 0; y < 20; ++y) {
        for (uint32_t x = 0; x < 20; ++x)
          if (separate)
            line[x] = value(x, y, plane);
          else
            for (uint32_t p = 0; p < 3; ++p) line[x * 3 + p] = value(x, y, p);
        TIFFWriteScanline(tiff, line.data(), y, plane);
      }
  }
  TIFFClose(tiff);
}

TEST(CliPicture, TiffTilesAndSeparatePlanesAreReadInPlace) {
  CliTempDir dir;
  for (auto [tiled, separate] : {std::pair{false, true}, std::pair{true, false}}) {
    std::string path = dir.Path(tiled ? "tiled.tif" : "separate.tif");
    WriteTiffLayout(path, tiled, separate);
    Picture picture;
    ASSERT_FALSE(ReadPicture(path, &picture)) << path;
    for (int32_t y : {0, 15, 16, 19})
      for (int32_t x : {0, 15, 16, 19})
        for (int32_t p = 0; p < 3; ++p) ASSERT_EQ(picture.image.Sample(x, y, p), x * 1000 + y * 10 + p) << path;
  }
}

TEST(CliPicture, UnusableFilesAreRefusedWithTheReason) {
  CliTempDir dir;
  Picture picture;
  auto refusal = [&](const std::string& path) {
    Failure failure = ReadPicture(path, &picture);
    EXPECT_EQ(failure.code, kExitInput) << path;
    return failure.message;
  };
  EXPECT_NE(refusal(dir.Path("missing.png")).find("cannot open"), std::string::npos);
  WriteString(dir.Path("text.png"), "hello, world");
  EXPECT_NE(refusal(dir.Path("text.png")).find("not an image file this command reads"), std::string::npos);

  Picture good = NoisePicture(64, 64, 3, false, 8, 1);
  ASSERT_FALSE(WritePicture(dir.Path("good.png"), good, PictureFormat::png));
  ASSERT_FALSE(WritePicture(dir.Path("good.tif"), good, PictureFormat::tiff));
  for (const char* name : {"good.png", "good.tif"}) {
    std::vector<uint8_t> bytes = ReadBytes(dir.Path(name));
    bytes.resize(bytes.size() / 2);
    WriteBytes(dir.Path(std::string("cut-") + name), bytes);
    std::string message = refusal(dir.Path(std::string("cut-") + name));
    EXPECT_NE(message.find("cut-" + std::string(name) + ": "), std::string::npos) << message;
    EXPECT_NE(message.find("truncated or damaged"), std::string::npos) << message;
  }
}

TEST(CliPicture, ImageModesTheFilterDoesNotTakeAreNamed) {
  CliTempDir dir;
  Picture picture;
  auto tiffWith = [&](const char* name, uint16_t photometric, uint16_t samples, uint16_t bits, uint16_t format) {
    std::string path = dir.Path(name);
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, 1u);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, 1u);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, format);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    std::vector<uint8_t> line(size_t(samples) * bits / 8);
    TIFFWriteScanline(tiff, line.data(), 0, 0);
    TIFFClose(tiff);
    Failure failure = ReadPicture(path, &picture);
    EXPECT_EQ(failure.code, kExitInput) << name;
    return failure.message;
  };
  EXPECT_NE(tiffWith("cmyk.tif", PHOTOMETRIC_SEPARATED, 4, 8, SAMPLEFORMAT_UINT).find("CMYK"), std::string::npos);
  EXPECT_NE(tiffWith("float.tif", PHOTOMETRIC_RGB, 3, 32, SAMPLEFORMAT_IEEEFP).find("floating-point"),
            std::string::npos);
  EXPECT_NE(tiffWith("two-extra.tif", PHOTOMETRIC_RGB, 5, 8, SAMPLEFORMAT_UINT).find("5 channels"),
            std::string::npos);
}

TEST(CliPicture, MasksMustMatchTheImageAndAverageTheirColours) {
  CliTempDir dir;
  Picture mask = NoisePicture(4, 3, 3, true, 16, 5);
  mask.image.SetSample(1, 2, 0, 65535);
  mask.image.SetSample(1, 2, 1, 0);
  mask.image.SetSample(1, 2, 2, 65535);
  ASSERT_FALSE(WritePicture(dir.Path("mask.tif"), mask, PictureFormat::tiff));
  std::vector<uint8_t> bytes;
  ASSERT_FALSE(ReadMask(dir.Path("mask.tif"), 4, 3, &bytes));
  ASSERT_EQ(bytes.size(), 12u);
  EXPECT_EQ(bytes[2 * 4 + 1], 170);  // (65535 + 0 + 65535) / 3, in 8 bits
  Failure failure = ReadMask(dir.Path("mask.tif"), 5, 3, &bytes);
  EXPECT_EQ(failure.code, kExitInput);
  EXPECT_NE(failure.message.find("masks must match"), std::string::npos);
}

TEST(CliPicture, HostRangeKeepsEveryHostLevelAndLosesAtMostOneFileLevel) {
  hostsim::Image levels = hostsim::MakeImage(32769, 1, 1, 16);
  for (int32_t h = 0; h <= 32768; ++h) levels.SetSample(h, 0, 0, uint16_t(h));
  hostsim::Image there = levels;
  FromHostRange(there);
  EXPECT_EQ(there.Sample(32768, 0, 0), 65535);
  ToHostRange(there);
  EXPECT_TRUE(there.samples == levels.samples);

  hostsim::Image file = hostsim::MakeImage(65536, 1, 1, 16);
  for (int32_t v = 0; v <= 65535; ++v) file.SetSample(v, 0, 0, uint16_t(v));
  hostsim::Image back = file;
  ToHostRange(back);
  for (int32_t v = 0; v <= 65535; ++v) ASSERT_EQ(back.Sample(v, 0, 0), (v * 32768 + 32767) / 65535) << v;
  FromHostRange(back);
  for (int32_t v = 0; v <= 65535; ++v) ASSERT_LE(std::abs(back.Sample(v, 0, 0) - v), 1) << v;

  hostsim::Image eight = hostsim::MakeImage(3, 1, 1, 8);
  eight.samples = {0, 128, 255};
  ToHostRange(eight);
  EXPECT_EQ(eight.samples, (hostsim::Samples{0, 128, 255}));
}

}  // namespace
