// TIFF through libtiff: grayscale and RGB, 8 or 16 bits, one optional alpha
// channel, strips or tiles, interleaved or separate planes on reading.
#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/Interrupt.h"
#include "cli/Picture.h"

namespace {

// libtiff's handlers are global; the last error text is kept for the message.
char lastTiffError[256];

void OnTiffError(const char* module, const char* format, va_list arguments) {
  char text[200];
  std::vsnprintf(text, sizeof text, format, arguments);
  std::snprintf(lastTiffError, sizeof lastTiffError, "%s%s%s", module != nullptr ? module : "",
                module != nullptr ? ": " : "", text);
}

void OnTiffWarning(const char*, const char*, va_list) {}

void InstallTiffHandlers() {
  TIFFSetErrorHandler(OnTiffError);
  TIFFSetWarningHandler(OnTiffWarning);
  lastTiffError[0] = 0;
}

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffFile = std::unique_ptr<TIFF, TiffCloser>;

struct TiffLayout {
  uint32_t width = 0, height = 0;
  uint16_t depth = 0, samples = 0, photometric = 0, planar = PLANARCONFIG_CONTIG, format = SAMPLEFORMAT_UINT;
  uint16_t extraCount = 0;
  uint16_t* extraKinds = nullptr;
};

TiffLayout ReadLayout(TIFF* tiff) {
  TiffLayout layout;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.depth);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &layout.format);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &layout.extraCount, &layout.extraKinds);
  if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric)) layout.photometric = 0xFFFF;
  return layout;
}

// Why the filter cannot take this layout, or "" when it can.
std::string LayoutProblem(const TiffLayout& layout) {
  switch (layout.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_RGB: break;
    case PHOTOMETRIC_PALETTE:
      return "indexed colour; the filter takes grayscale and RGB images: convert it to RGB first";
    case PHOTOMETRIC_SEPARATED:
      return "CMYK; the filter takes grayscale and RGB images: convert it to RGB first";
    case PHOTOMETRIC_MINISWHITE:
      return "white-is-zero grayscale; convert it to black-is-zero grayscale first";
    default:
      return "photometric interpretation " + std::to_string(layout.photometric) +
             "; the filter takes grayscale and RGB images: convert it to RGB first";
  }
  if (layout.format == SAMPLEFORMAT_IEEEFP)
    return std::to_string(layout.depth) + "-bit floating point; convert it to 8 or 16-bit integers first";
  if (layout.format != SAMPLEFORMAT_UINT) return "signed samples; convert it to unsigned 8 or 16 bits first";
  if (layout.depth != 8 && layout.depth != 16)
    return std::to_string(layout.depth) + " bits per sample; the filter takes 8 and 16 bits: convert it first";
  uint16_t colour = layout.photometric == PHOTOMETRIC_RGB ? 3 : 1;
  if (layout.samples < colour || layout.samples > colour + 1)
    return std::to_string(layout.samples) + " samples per pixel; only one extra channel (alpha) can pass through";
  if (layout.width == 0 || layout.height == 0) return "no pixels";
  return "";
}

// Copies one sample of a plane (or all samples, plane = -1) from a packed run into the picture row.
void SpreadSamples(const uint8_t* from, uint8_t* row, int32_t count, int32_t planes, int32_t plane,
                   int32_t bytesPerSample) {
  if (plane < 0) {
    std::memcpy(row, from, size_t(count) * planes * bytesPerSample);
    return;
  }
  for (int32_t x = 0; x < count; ++x)
    std::memcpy(row + (size_t(x) * planes + plane) * bytesPerSample, from + size_t(x) * bytesPerSample,
                size_t(bytesPerSample));
}

bool ReadStrips(TIFF* tiff, const TiffLayout& layout, hostsim::Image& image) {
  bool separate = layout.planar == PLANARCONFIG_SEPARATE;
  std::vector<uint8_t> line(size_t(TIFFScanlineSize(tiff)));
  if (line.size() < (separate ? size_t(image.width) * image.BytesPerSample() : image.RowBytes())) return false;
  for (int32_t plane = separate ? 0 : -1; plane < (separate ? image.planes : 0); ++plane)
    for (int32_t y = 0; y < image.height; ++y) {
      if (TIFFReadScanline(tiff, line.data(), uint32_t(y), uint16_t(plane < 0 ? 0 : plane)) < 0) return false;
      SpreadSamples(line.data(), image.samples.data() + size_t(y) * image.RowBytes(), image.width, image.planes,
                    plane, image.BytesPerSample());
    }
  return true;
}

bool ReadTiles(TIFF* tiff, const TiffLayout& layout, hostsim::Image& image) {
  uint32_t tileWidth = 0, tileHeight = 0;
  TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &tileWidth);
  TIFFGetField(tiff, TIFFTAG_TILELENGTH, &tileHeight);
  if (tileWidth == 0 || tileHeight == 0) return false;
  bool separate = layout.planar == PLANARCONFIG_SEPARATE;
  int32_t tilePlanes = separate ? 1 : image.planes;
  size_t tileRowBytes = size_t(tileWidth) * tilePlanes * image.BytesPerSample();
  std::vector<uint8_t> tile(size_t(TIFFTileSize(tiff)));
  if (tile.size() < tileRowBytes * tileHeight) return false;
  for (int32_t plane = separate ? 0 : -1; plane < (separate ? image.planes : 0); ++plane)
    for (uint32_t top = 0; top < uint32_t(image.height); top += tileHeight)
      for (uint32_t left = 0; left < uint32_t(image.width); left += tileWidth) {
        if (TIFFReadTile(tiff, tile.data(), left, top, 0, uint16_t(plane < 0 ? 0 : plane)) < 0) return false;
        int32_t count = int32_t(std::min<uint32_t>(tileWidth, uint32_t(image.width) - left));
        for (uint32_t y = top; y < std::min<uint32_t>(top + tileHeight, uint32_t(image.height)); ++y)
          SpreadSamples(tile.data() + (y - top) * tileRowBytes,
                        image.samples.data() + y * image.RowBytes() + size_t(left) * image.planes * image.BytesPerSample(),
                        count, image.planes, plane, image.BytesPerSample());
      }
  return true;
}

}  // namespace

Failure ReadTiff(const std::string& path, Picture* picture) {
  InstallTiffHandlers();
  TiffFile tiff(TIFFOpen(path.c_str(), "r"));
  if (!tiff) return Fail(kExitInput, path + ": truncated or damaged TIFF (" + lastTiffError + "); use an intact copy");
  TiffLayout layout = ReadLayout(tiff.get());
  if (std::string problem = LayoutProblem(layout); !problem.empty()) return Fail(kExitInput, path + ": " + problem);
  uint16_t colour = layout.photometric == PHOTOMETRIC_RGB ? 3 : 1;
  picture->alpha = layout.samples > colour;
  picture->premultiplied = picture->alpha && layout.extraCount > 0 && layout.extraKinds[0] == EXTRASAMPLE_ASSOCALPHA;
  picture->image = hostsim::MakeImage(int32_t(layout.width), int32_t(layout.height), layout.samples, layout.depth);
  bool read = TIFFIsTiled(tiff.get()) ? ReadTiles(tiff.get(), layout, picture->image)
                                      : ReadStrips(tiff.get(), layout, picture->image);
  if (!read) return Fail(kExitInput, path + ": truncated or damaged TIFF (" + lastTiffError + "); use an intact copy");
  return {};
}

Failure WriteTiff(const std::string& path, const Picture& picture) {
  InstallTiffHandlers();
  const hostsim::Image& image = picture.image;
  TiffFile tiff(TIFFOpen(path.c_str(), "w"));
  auto failed = [&] { return Fail(kExitOutput, path + ": cannot write the TIFF (" + lastTiffError + ")"); };
  if (!tiff) return failed();
  TIFF* t = tiff.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(image.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(image.height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, uint16_t(image.depth));
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, uint16_t(image.planes));
  TIFFSetField(t, TIFFTAG_SAMPLEFORMAT, uint16_t(SAMPLEFORMAT_UINT));
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, uint16_t(ColourChannels(picture) == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK));
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, uint16_t(PLANARCONFIG_CONTIG));
  TIFFSetField(t, TIFFTAG_COMPRESSION, uint16_t(COMPRESSION_ADOBE_DEFLATE));
  TIFFSetField(t, TIFFTAG_PREDICTOR, uint16_t(PREDICTOR_HORIZONTAL));
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
  if (picture.alpha) {
    uint16_t kind = picture.premultiplied ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), &kind);
  }
  std::vector<uint8_t> line(image.RowBytes());  // libtiff may change the buffer it is given
  for (int32_t y = 0; y < image.height; ++y) {
    if (InterruptRequested()) return Fail(kExitInterrupted, "interrupted while writing " + path);
    std::memcpy(line.data(), image.samples.data() + size_t(y) * image.RowBytes(), line.size());
    if (TIFFWriteScanline(t, line.data(), uint32_t(y), 0) < 0) return failed();
  }
  if (!TIFFFlush(t)) return failed();
  return {};
}
