#include "cli/PngWriter.h"

#include <libdeflate.h>
#include <vips/vips.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "cli/Interrupt.h"
#include "cli/TiffMetadata.h"
#include "cli/VipsObjects.h"
#include "hostsim/LargePages.h"

namespace {

constexpr size_t kSignatureBytes = 8;
constexpr size_t kChunkBytes = size_t{1} << 24;  // deflated rows per IDAT chunk
constexpr uint8_t kFilterUp = 2;

using Bytes = std::vector<uint8_t>;

void PutBigEndian32(uint32_t value, uint8_t* at) {
  at[0] = uint8_t(value >> 24);
  at[1] = uint8_t(value >> 16);
  at[2] = uint8_t(value >> 8);
  at[3] = uint8_t(value);
}

uint32_t BigEndian32(const uint8_t* at) {
  return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

// Bytes not zeroed first: every one is written before it is read. Whole
// images of rows, so in huge pages as the host's image is.
struct LargeFree {
  size_t bytes;
  void operator()(uint8_t* block) const { hostsim::FreeLarge(block, bytes); }
};

struct Buffer {
  std::unique_ptr<uint8_t[], LargeFree> bytes{nullptr, LargeFree{0}};
  size_t size = 0;
};

Buffer NewBuffer(size_t size) {
  Buffer buffer;
  buffer.bytes = std::unique_ptr<uint8_t[], LargeFree>(static_cast<uint8_t*>(hostsim::AllocateLarge(size)), LargeFree{size});
  buffer.size = buffer.bytes != nullptr ? size : 0;
  return buffer;
}

// The rows as PNG stores them: 16-bit samples big-endian, each row filtered
// as the difference from the row above ("up"), which on photographs deflates
// smaller than the rows themselves and costs a subtraction.
Buffer Scanlines(const hostsim::Image& image) {
  size_t rowBytes = image.RowBytes();
  Buffer lines = NewBuffer((rowBytes + 1) * size_t(image.height));
  if (lines.size == 0) return lines;
  Bytes above(rowBytes, 0), row(rowBytes);
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* samples = image.samples.data() + size_t(y) * rowBytes;
    if (image.depth == 16)
      for (size_t i = 0; i + 1 < rowBytes; i += 2) {
        row[i] = samples[i + 1];
        row[i + 1] = samples[i];
      }
    else
      std::memcpy(row.data(), samples, rowBytes);
    uint8_t* line = lines.bytes.get() + size_t(y) * (rowBytes + 1);
    line[0] = kFilterUp;
    for (size_t i = 0; i < rowBytes; ++i) line[1 + i] = uint8_t(row[i] - above[i]);
    std::swap(above, row);
  }
  return lines;
}

// The chunks libvips wrote before and after the rows of a one-row image,
// its header saying the picture's height, and the source's iTXt chunks.
struct Frame {
  Bytes head, tail;
};

bool SplitAroundRows(const uint8_t* png, size_t size, VipsImage* wrapped, int32_t height, Frame* frame) {
  size_t at = kSignatureBytes, firstRows = 0;
  bool exif = false;
  while (at + 12 <= size) {
    size_t length = BigEndian32(png + at);
    if (length > size - at - 12) return false;
    const uint8_t* type = png + at + 4;
    bool rows = std::memcmp(type, "IDAT", 4) == 0;
    // The encoder repeats the EXIF chunk after the rows; a PNG may hold one.
    bool repeated = std::memcmp(type, "eXIf", 4) == 0 && exif;
    exif = exif || std::memcmp(type, "eXIf", 4) == 0;
    if (rows && firstRows == 0) firstRows = at;
    Bytes& part = firstRows == 0 ? frame->head : frame->tail;
    if (!rows && !repeated) part.insert(part.end(), png + (at == kSignatureBytes ? 0 : at), png + at + 12 + length);
    // The EXIF states the one-row image's size.
    if (std::memcmp(type, "eXIf", 4) == 0 && !repeated) {
      uint8_t* chunk = part.data() + part.size() - (12 + length);
      SetExifPixelSize(chunk + 8, length, uint32_t(wrapped->Xsize), uint32_t(height));
      PutBigEndian32(uint32_t(crc32(0, chunk + 4, uInt(4 + length))), chunk + 8 + length);
    }
    at += 12 + length;
  }
  if (firstRows == 0 || std::memcmp(png + kSignatureBytes + 4, "IHDR", 4) != 0) return false;
  std::string text = Blob(wrapped, kInternationalText);
  frame->head.insert(frame->head.end(), text.begin(), text.end());
  uint8_t* header = frame->head.data() + kSignatureBytes;
  PutBigEndian32(uint32_t(height), header + 12);
  PutBigEndian32(uint32_t(crc32(0, header + 4, 4 + 13)), header + 8 + 13);
  return true;
}

bool WriteFrame(VipsImage* wrapped, int32_t height, Frame* frame) {
  VipsImage* row = nullptr;
  if (vips_crop(wrapped, &row, 0, 0, wrapped->Xsize, 1, nullptr) != 0) return false;
  ImagePtr owned(row);
  void* png = nullptr;
  size_t size = 0;
  if (vips_pngsave_buffer(row, &png, &size, "compression", 0, nullptr) != 0) return false;
  bool split = SplitAroundRows(static_cast<const uint8_t*>(png), size, wrapped, height, frame);
  g_free(png);
  return split;
}

struct Compressor {
  void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// The rows as one zlib stream; no bytes when memory ran out.
Buffer DeflateRows(const hostsim::Image& image, int level) {
  std::unique_ptr<libdeflate_compressor, Compressor> compressor(libdeflate_alloc_compressor(level));
  if (compressor == nullptr) return {};
  Buffer lines = Scanlines(image);
  if (lines.size == 0) return {};
  Buffer deflated = NewBuffer(libdeflate_zlib_compress_bound(compressor.get(), lines.size));
  deflated.size =
      libdeflate_zlib_compress(compressor.get(), lines.bytes.get(), lines.size, deflated.bytes.get(), deflated.size);
  return deflated;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

bool WriteRowChunk(std::FILE* file, const uint8_t* data, size_t size) {
  uint8_t head[8], crc[4];
  PutBigEndian32(uint32_t(size), head);
  std::memcpy(head + 4, "IDAT", 4);
  PutBigEndian32(uint32_t(crc32(crc32(0, head + 4, 4), data, uInt(size))), crc);
  return std::fwrite(head, 1, 8, file) == 8 && std::fwrite(data, 1, size, file) == size &&
         std::fwrite(crc, 1, 4, file) == 4;
}

}  // namespace

Failure WritePng(const std::string& path, VipsImage* wrapped, const hostsim::Image& image, int level) {
  Frame frame;
  if (!WriteFrame(wrapped, image.height, &frame))
    return Fail(kExitOutput, path + ": cannot write the PNG header (" + VipsError() + ")");
  Buffer deflated = DeflateRows(image, level);
  if (deflated.size == 0) return Fail(kExitOutput, path + ": out of memory while compressing the rows");
  if (InterruptRequested()) return Fail(kExitInterrupted, "interrupted while writing " + path);

  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  bool written = file != nullptr && std::fwrite(frame.head.data(), 1, frame.head.size(), file.get()) == frame.head.size();
  for (size_t at = 0; written && at < deflated.size; at += kChunkBytes)
    written = WriteRowChunk(file.get(), deflated.bytes.get() + at, std::min(kChunkBytes, deflated.size - at));
  written = written && std::fwrite(frame.tail.data(), 1, frame.tail.size(), file.get()) == frame.tail.size();
  if (file != nullptr && std::fclose(file.release()) != 0) written = false;
  if (!written) return Fail(kExitOutput, path + ": cannot write (" + std::strerror(errno) + ")");
  return {};
}
