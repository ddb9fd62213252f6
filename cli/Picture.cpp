#include "cli/Picture.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>

static_assert(std::endian::native == std::endian::little, "16-bit samples are kept little-endian in memory");

// The host's rectangles are 16-bit.
constexpr int32_t kMaxSide = 32767;

int32_t ColourChannels(const Picture& picture) { return picture.image.planes - (picture.alpha ? 1 : 0); }

std::string DescribePicture(const Picture& picture) {
  std::string kind = ColourChannels(picture) == 1 ? "grayscale" : "RGB";
  if (picture.alpha) kind += ColourChannels(picture) == 1 ? " with alpha" : "A";
  return kind + ", " + std::to_string(picture.image.depth) + " bits";
}

static std::string Extension(const std::string& path) {
  size_t slash = path.find_last_of('/');
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

Failure FormatForPath(const std::string& path, PictureFormat* format) {
  std::string extension = Extension(path);
  if (extension == "png") {
    *format = PictureFormat::png;
  } else if (extension == "tif" || extension == "tiff") {
    *format = PictureFormat::tiff;
  } else {
    return Fail(kExitUsage, path + ": cannot tell the output format; name the file .png, .tif or .tiff");
  }
  return {};
}

Failure CheckRegularFile(const std::string& path, ExitCode code) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0)
    return Fail(code, path + ": cannot open (" + std::strerror(errno) + "); check the name and permissions");
  if (S_ISDIR(info.st_mode)) return Fail(code, path + ": is a directory; give a file");
  if (!S_ISREG(info.st_mode))
    return Fail(code, path + ": not a regular file (a pipe, socket or device); save the data to a file first");
  return {};
}

Failure ReadPicture(const std::string& path, Picture* picture) {
  if (Failure failure = CheckRegularFile(path, kExitInput)) return failure;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr)
    return Fail(kExitInput, path + ": cannot open (" + std::strerror(errno) + "); check the name and permissions");
  unsigned char magic[8] = {};
  size_t got = std::fread(magic, 1, sizeof magic, file);
  std::fclose(file);
  static const unsigned char png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  Failure failure;
  if (got == 8 && std::memcmp(magic, png, 8) == 0)
    failure = ReadPng(path, picture);
  else if (got >= 4 && ((magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0) ||
                        (magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42)))
    failure = ReadTiff(path, picture);
  else
    return Fail(kExitInput, path + ": not a PNG or TIFF file; convert it to one of those first");
  if (failure) return failure;
  const hostsim::Image& image = picture->image;
  if (image.width > kMaxSide || image.height > kMaxSide)
    return Fail(kExitInput, path + ": " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                                " pixels; filter hosts pass at most 32767 pixels a side: cut the image into tiles");
  return {};
}

Failure WritePicture(const std::string& path, const Picture& picture, PictureFormat format) {
  return format == PictureFormat::png ? WritePng(path, picture) : WriteTiff(path, picture);
}

Failure ReadMask(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>* mask) {
  Picture picture;
  if (Failure failure = ReadPicture(path, &picture)) return failure;
  const hostsim::Image& image = picture.image;
  if (image.width != width || image.height != height)
    return Fail(kExitInput, path + ": the mask is " + std::to_string(image.width) + " x " +
                                std::to_string(image.height) + " pixels but the image is " + std::to_string(width) +
                                " x " + std::to_string(height) + "; masks must match the image");
  int32_t channels = ColourChannels(picture);
  mask->resize(size_t(width) * height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint32_t sum = 0;
      for (int32_t c = 0; c < channels; ++c) sum += image.Sample(x, y, c);
      uint32_t level = sum / uint32_t(channels);
      if (image.depth == 16) level = (level * 255 + 32767) / 65535;
      (*mask)[size_t(y) * width + x] = uint8_t(level);
    }
  return {};
}

template <typename Map>
static void MapSamples16(hostsim::Image& image, Map map) {
  if (image.depth != 16) return;
  uint8_t* bytes = image.samples.data();
  for (size_t at = 0; at + 1 < image.samples.size(); at += 2) {
    uint32_t value = map(uint32_t(bytes[at] | bytes[at + 1] << 8));
    bytes[at] = uint8_t(value);
    bytes[at + 1] = uint8_t(value >> 8);
  }
}

void ToHostRange(hostsim::Image& image) {
  MapSamples16(image, [](uint32_t v) { return (v * 32768 + 32767) / 65535; });
}

void FromHostRange(hostsim::Image& image) {
  MapSamples16(image, [](uint32_t v) { return (std::min<uint32_t>(v, 32768) * 65535 + 16384) / 32768; });
}
