#include "cli/Picture.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

static_assert(std::endian::native == std::endian::little, "16-bit samples are kept little-endian in memory");

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
  static const std::pair<const char*, PictureFormat> extensions[] = {
      {"png", PictureFormat::png},   {"tif", PictureFormat::tiff},  {"tiff", PictureFormat::tiff},
      {"jpg", PictureFormat::jpeg},  {"jpeg", PictureFormat::jpeg}, {"webp", PictureFormat::webp}};
  std::string extension = Extension(path);
  for (const auto& [name, value] : extensions)
    if (extension == name) {
      *format = value;
      return {};
    }
  return Fail(kExitUsage, path + ": cannot tell the output format; name the file .png, .tif, .tiff, .jpg, .jpeg or .webp");
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

// Samples in the machine's order, whole words at a time, so that the loops
// vectorise; the divisions by 2^16 - 1 and 2^15 are spelled as shifts.
template <typename Map>
static void MapSamples16(uint8_t* bytes, size_t size, Map map) {
  for (size_t at = 0; at + 1 < size; at += 2) {
    uint16_t value;
    std::memcpy(&value, bytes + at, 2);
    value = uint16_t(map(uint32_t(value)));
    std::memcpy(bytes + at, &value, 2);
  }
}

// (v * 32768 + 32767) / 65535, rounded down: x / 65535 is (x + 1 + x / 2^16)
// / 2^16 for every x below 2^31.
void SamplesToHostRange(uint8_t* samples, size_t bytes) {
  MapSamples16(samples, bytes, [](uint32_t v) {
    const uint32_t x = v * 32768 + 32767;
    return (x + 1 + (x >> 16)) >> 16;
  });
}

void ToHostRange(hostsim::Image& image) {
  if (image.depth == 16) SamplesToHostRange(image.samples.data(), image.samples.size());
}

void FromHostRange(hostsim::Image& image) {
  if (image.depth != 16) return;
  MapSamples16(image.samples.data(), image.samples.size(),
               [](uint32_t v) { return (std::min<uint32_t>(v, 32768) * 65535 + 16384) >> 15; });
}

uint64_t PhysicalMemoryBytes() {
  long pages = sysconf(_SC_PHYS_PAGES), pageSize = sysconf(_SC_PAGESIZE);
  return pages > 0 && pageSize > 0 ? uint64_t(pages) * uint64_t(pageSize) : uint64_t(1) << 32;
}
