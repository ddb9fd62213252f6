// PNG through libpng. libpng reports errors by longjmp, so each call that can
// fail runs in a small function that holds no C++ objects across setjmp.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/Interrupt.h"
#include "cli/Picture.h"

namespace {

struct PngErrors {
  char message[256];
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
  std::snprintf(errors->message, sizeof errors->message, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

struct PngHeader {
  png_uint_32 width, height;
  int depth, colourType, interlace;
  bool transparentColour;
};

bool ReadHeader(png_structp png, png_infop info, std::FILE* file, PngHeader* header) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_read_info(png, info);
  png_get_IHDR(png, info, &header->width, &header->height, &header->depth, &header->colourType,
               &header->interlace, nullptr, nullptr);
  header->transparentColour = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  return true;
}

bool PrepareRows(png_structp png, png_infop info, const PngHeader& header, size_t* rowBytes) {
  if (setjmp(png_jmpbuf(png))) return false;
  if (header.transparentColour) png_set_tRNS_to_alpha(png);
  if (header.depth == 16) png_set_swap(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  *rowBytes = png_get_rowbytes(png, info);
  return true;
}

bool ReadRows(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, info);
  return true;
}

bool WriteHeader(png_structp png, png_infop info, std::FILE* file, const hostsim::Image& image) {
  static const int types[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB,
                              PNG_COLOR_TYPE_RGB_ALPHA};
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), image.depth,
               types[image.planes - 1], PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  if (image.depth == 16) png_set_swap(png);
  return true;
}

bool WriteRow(png_structp png, png_const_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_row(png, row);
  return true;
}

bool WriteEnd(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_end(png, info);
  return true;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

static std::string ColourTypeProblem(const PngHeader& header) {
  if (header.colourType == PNG_COLOR_TYPE_PALETTE)
    return "indexed colour; the filter takes grayscale and RGB images: convert it to RGB first";
  if (header.depth < 8)
    return std::to_string(header.depth) + "-bit grayscale; the filter takes 8 and 16 bits: convert it to 8 bits first";
  return "";
}

Failure ReadPng(const std::string& path, Picture* picture) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return Fail(kExitInput, path + ": cannot open (" + std::strerror(errno) + ")");
  PngErrors errors{};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, OnPngError, OnPngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  auto damaged = [&] {
    return Fail(kExitInput, path + ": truncated or damaged PNG (" + errors.message + "); use an intact copy");
  };
  Failure failure;
  PngHeader header{};
  size_t rowBytes = 0;
  if (info == nullptr) {
    failure = Fail(kExitInput, path + ": out of memory while opening");
  } else if (!ReadHeader(png, info, file.get(), &header)) {
    failure = damaged();
  } else if (std::string problem = ColourTypeProblem(header); !problem.empty()) {
    failure = Fail(kExitInput, path + ": " + problem);
  } else if (!PrepareRows(png, info, header, &rowBytes)) {
    failure = damaged();
  } else {
    int32_t planes = png_get_channels(png, info);
    picture->alpha = planes == 2 || planes == 4;
    picture->premultiplied = false;
    picture->image = hostsim::MakeImage(int32_t(header.width), int32_t(header.height), planes, header.depth);
    std::vector<png_bytep> rows(header.height);
    for (png_uint_32 y = 0; y < header.height; ++y) rows[y] = picture->image.samples.data() + y * rowBytes;
    if (rowBytes != picture->image.RowBytes() || !ReadRows(png, info, rows.data())) failure = damaged();
  }
  png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  return failure;
}

Failure WritePng(const std::string& path, const Picture& picture) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) return Fail(kExitOutput, path + ": cannot create (" + std::strerror(errno) + ")");
  PngErrors errors{};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &errors, OnPngError, OnPngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  const hostsim::Image& image = picture.image;
  bool written = info != nullptr && WriteHeader(png, info, file.get(), image);
  for (int32_t y = 0; written && y < image.height; ++y) {
    if (InterruptRequested()) {
      png_destroy_write_struct(&png, &info);
      return Fail(kExitInterrupted, "interrupted while writing " + path);
    }
    written = WriteRow(png, image.samples.data() + size_t(y) * image.RowBytes());
  }
  written = written && WriteEnd(png, info);
  png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  if (written && std::fflush(file.get()) != 0) {
    written = false;
    std::snprintf(errors.message, sizeof errors.message, "%s", std::strerror(errno));
  }
  if (!written) return Fail(kExitOutput, path + ": cannot write the PNG (" + errors.message + ")");
  return {};
}
