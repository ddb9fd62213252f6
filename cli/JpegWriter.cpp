#include "cli/JpegWriter.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

// After <cstdio>: jpeglib.h takes FILE and size_t from what comes before it.
#include <jpeglib.h>
#include <vips/vips.h>

#include "cli/Interrupt.h"
#include "cli/OutputFile.h"
#include "cli/TiffMetadata.h"
#include "cli/VipsObjects.h"

namespace {

constexpr uint8_t kMarker = 0xFF, kStartOfImage = 0xD8, kEndOfImage = 0xD9, kStartOfScan = 0xDA, kRestart0 = 0xD0,
                  kRestartInterval = 0xDD, kApp0 = 0xE0, kApp1 = 0xE1, kApp15 = 0xEF, kComment = 0xFE;
// Rows of the stand-in: one MCU row of any sampling.
constexpr int32_t kStandInRows = 16;
// Strips differ in how fast they code, so each thread takes several in turn.
constexpr int32_t kStripsPerThread = 4;
// Fewer MCU rows than this are not worth a thread.
constexpr int32_t kMinStripMcuRows = 8;
// A restart interval is a 16-bit count of MCUs.
constexpr int32_t kMaxRestartMcus = 65535;
constexpr int32_t kMaxComponents = 3;

using Bytes = std::vector<uint8_t>;

size_t SegmentEnd(const uint8_t* jpeg, size_t at) { return at + 2 + (size_t(jpeg[at + 2]) << 8 | jpeg[at + 3]); }
bool IsMetadata(uint8_t kind) { return (kind >= kApp0 && kind <= kApp15) || kind == kComment; }
bool IsFrame(uint8_t kind) { return kind >= 0xC0 && kind <= 0xCF && kind != 0xC4 && kind != 0xC8 && kind != 0xCC; }

// Where a JPEG's parts begin: the tables after the metadata segments, the
// frame header among them, and the coded data after the scan's header.
struct Layout {
  size_t tables = 0;
  size_t frame = 0;
  size_t data = 0;
};

bool ReadLayout(const uint8_t* jpeg, size_t size, Layout* layout) {
  if (size < 4 || jpeg[0] != kMarker || jpeg[1] != kStartOfImage) return false;
  for (size_t at = 2; at + 4 <= size && jpeg[at] == kMarker;) {
    uint8_t kind = jpeg[at + 1];
    size_t end = SegmentEnd(jpeg, at);
    if (end > size) return false;
    if (!IsMetadata(kind) && layout->tables == 0) layout->tables = at;
    if (IsFrame(kind)) layout->frame = at;
    if (kind == kStartOfScan) {
      layout->data = end;
      return layout->frame != 0 && layout->frame + 10 + 3 * size_t(jpeg[layout->frame + 9]) <= end;
    }
    at = end;
  }
  return false;
}

// The frame header's height, at its fifth and sixth bytes.
void SetFrameHeight(uint8_t* frame, uint32_t height) {
  frame[5] = uint8_t(height >> 8);
  frame[6] = uint8_t(height);
}

// The tables and the scan's header without the restart interval and the
// height, which a stand-in and a strip need not share.
Bytes TablesOf(const uint8_t* jpeg, const Layout& layout) {
  Bytes tables;
  for (size_t at = layout.tables; at < layout.data; at = SegmentEnd(jpeg, at)) {
    if (jpeg[at + 1] == kRestartInterval) continue;
    tables.insert(tables.end(), jpeg + at, jpeg + SegmentEnd(jpeg, at));
    if (at == layout.frame) SetFrameHeight(tables.data() + tables.size() - (SegmentEnd(jpeg, at) - at), 0);
  }
  return tables;
}

// The pixel size in the stand-in's EXIF is the stand-in's.
void SetExifSize(uint8_t* jpeg, const Layout& layout, uint32_t width, uint32_t height) {
  for (size_t at = 2; at < layout.tables; at = SegmentEnd(jpeg, at))
    if (jpeg[at + 1] == kApp1) SetExifPixelSize(jpeg + at + 4, SegmentEnd(jpeg, at) - at - 4, width, height);
}

// What every strip is coded with: libvips's choices for the picture.
struct Coding {
  int32_t quality = 0;
  int32_t components = 0;
  int32_t sampling[kMaxComponents][2] = {};  // horizontal, vertical
  uint32_t restartMcus = 0;                  // the MCUs of a strip
};

bool ReadSampling(const uint8_t* jpeg, const Layout& layout, Coding* coding) {
  const uint8_t* frame = jpeg + layout.frame;
  if (frame[9] != coding->components) return false;
  for (int32_t c = 0; c < coding->components; ++c) {
    coding->sampling[c][0] = frame[11 + 3 * c] >> 4;
    coding->sampling[c][1] = frame[11 + 3 * c] & 15;
  }
  return true;
}

// Strips of whole MCU rows, each strip one restart interval.
struct Plan {
  int32_t strips = 1;
  int32_t stripRows = 0;
};

Plan PlanStrips(int32_t width, int32_t height, int32_t threads, Coding* coding) {
  int32_t maxH = 1, maxV = 1;
  for (int32_t c = 0; c < coding->components; ++c) {
    maxH = std::max(maxH, coding->sampling[c][0]);
    maxV = std::max(maxV, coding->sampling[c][1]);
  }
  int32_t mcusPerRow = (width + 8 * maxH - 1) / (8 * maxH), mcuRows = (height + 8 * maxV - 1) / (8 * maxV);
  int32_t wanted = threads * kStripsPerThread;
  int32_t stripMcuRows =
      std::min(std::max((mcuRows + wanted - 1) / wanted, kMinStripMcuRows), std::max(1, kMaxRestartMcus / mcusPerRow));
  Plan plan;
  plan.strips = (mcuRows + stripMcuRows - 1) / stripMcuRows;
  plan.stripRows = stripMcuRows * 8 * maxV;
  coding->restartMcus = uint32_t(stripMcuRows * mcusPerRow);
  return plan;
}

struct Strip {
  unsigned char* bytes = nullptr;  // libjpeg's, freed with free()
  unsigned long size = 0;
  Layout layout;
  bool coded = false;
  Strip() = default;
  Strip(const Strip&) = delete;
  Strip& operator=(const Strip&) = delete;
  ~Strip() { std::free(bytes); }
};

// libjpeg reports a failure by calling error_exit, which must not return.
struct ErrorJump {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }
void Silent(j_common_ptr) {}

// Rows [top, top + rows) as a JPEG of their own.
void CodeStrip(const hostsim::Image& image, int32_t top, int32_t rows, const Coding& coding, Strip* strip) {
  jpeg_compress_struct info{};
  ErrorJump error{};
  info.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = JumpBack;
  error.manager.output_message = Silent;
  if (setjmp(error.jump) != 0) {
    jpeg_destroy_compress(&info);
    return;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &strip->bytes, &strip->size);
  info.image_width = JDIMENSION(image.width);
  info.image_height = JDIMENSION(rows);
  info.input_components = coding.components;
  info.in_color_space = coding.components == 3 ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, coding.quality, TRUE);
  for (int32_t c = 0; c < coding.components; ++c) {
    info.comp_info[c].h_samp_factor = coding.sampling[c][0];
    info.comp_info[c].v_samp_factor = coding.sampling[c][1];
  }
  info.write_JFIF_header = FALSE;  // libvips's segments carry it
  info.restart_interval = coding.restartMcus;
  jpeg_start_compress(&info, TRUE);
  size_t rowBytes = image.RowBytes();
  // libjpeg only reads the rows it is given.
  auto* first = const_cast<uint8_t*>(image.samples.data()) + size_t(top) * rowBytes;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = first + size_t(info.next_scanline) * rowBytes;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  strip->coded = ReadLayout(strip->bytes, strip->size, &strip->layout) && strip->size >= strip->layout.data + 2 &&
                 strip->bytes[strip->size - 1] == kEndOfImage;
}

void CodeStrips(const hostsim::Image& image, const Plan& plan, int32_t threads, const Coding& coding,
                std::vector<Strip>* strips) {
  std::atomic<int32_t> next{0};
  auto work = [&] {
    for (int32_t k; (k = next++) < plan.strips;) {
      Strip& strip = (*strips)[size_t(k)];
      int32_t top = k * plan.stripRows;
      CodeStrip(image, top, std::min(plan.stripRows, image.height - top), coding, &strip);
    }
  };
  std::vector<std::thread> helpers;
  for (int32_t t = 1; t < std::min(threads, plan.strips); ++t) helpers.emplace_back(work);
  work();
  for (std::thread& helper : helpers) helper.join();
}

// The metadata segments, libvips's way, for a stand-in a few rows high.
bool WriteStandIn(VipsImage* wrapped, int32_t quality, Bytes* jpeg) {
  VipsImage* rows = nullptr;
  if (vips_crop(wrapped, &rows, 0, 0, wrapped->Xsize, std::min(wrapped->Ysize, kStandInRows), nullptr) != 0)
    return false;
  ImagePtr owned(rows);
  void* bytes = nullptr;
  size_t size = 0;
  if (vips_jpegsave_buffer(rows, &bytes, &size, "Q", quality, nullptr) != 0) return false;
  jpeg->assign(static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + size);
  g_free(bytes);
  return true;
}

// The stand-in's metadata, the first strip's tables, then every strip's
// coded data with a restart marker before each but the first.
bool WriteStitched(const std::string& path, Bytes& standIn, const Layout& standInLayout, std::vector<Strip>& strips,
                   int32_t width, int32_t height) {
  SetExifSize(standIn.data(), standInLayout, uint32_t(width), uint32_t(height));
  Strip& first = strips.front();
  SetFrameHeight(first.bytes + first.layout.frame, uint32_t(height));
  OutputFile file = OpenOutputFile(path);
  bool written = file != nullptr && Put(file.get(), standIn.data(), standInLayout.tables) &&
                 Put(file.get(), first.bytes + first.layout.tables, first.layout.data - first.layout.tables);
  for (size_t k = 0; written && k < strips.size(); ++k) {
    const uint8_t restart[] = {kMarker, uint8_t(kRestart0 | ((k - 1) & 7))};
    const Strip& strip = strips[k];
    written = (k == 0 || Put(file.get(), restart, 2)) &&
              Put(file.get(), strip.bytes + strip.layout.data, strip.size - 2 - strip.layout.data);
  }
  const uint8_t end[] = {kMarker, kEndOfImage};
  written = written && Put(file.get(), end, 2);
  return CloseOutputFile(file) && written;
}

Failure SaveWithLibvips(const std::string& path, VipsImage* wrapped, int32_t quality) {
  if (vips_jpegsave(wrapped, path.c_str(), "Q", quality, nullptr) != 0)
    return Fail(kExitOutput, path + ": cannot write (" + VipsError() + ")");
  return {};
}

}  // namespace

Failure WriteJpeg(const std::string& path, VipsImage* wrapped, const hostsim::Image& image, int32_t quality) {
  Bytes standIn;
  Layout standInLayout;
  Coding coding;
  coding.quality = quality;
  coding.components = image.planes;
  int32_t threads = std::max(vips_concurrency_get(), 1);
  // A single strip is what libvips's own encoder makes.
  if (image.depth != 8 || image.planes > kMaxComponents || threads < 2 || image.height < 2 * 8 * kMinStripMcuRows ||
      !WriteStandIn(wrapped, quality, &standIn) || !ReadLayout(standIn.data(), standIn.size(), &standInLayout) ||
      !ReadSampling(standIn.data(), standInLayout, &coding))
    return SaveWithLibvips(path, wrapped, quality);
  Plan plan = PlanStrips(image.width, image.height, threads, &coding);
  if (plan.strips < 2) return SaveWithLibvips(path, wrapped, quality);
  std::vector<Strip> strips(size_t(plan.strips));
  CodeStrips(image, plan, threads, coding, &strips);
  if (InterruptRequested()) return Fail(kExitInterrupted, "interrupted while writing " + path);
  for (const Strip& strip : strips)
    if (!strip.coded) return Fail(kExitOutput, path + ": out of memory while compressing the rows");
  // Tables other than libvips's would decode to other pixels: libvips then writes the file itself.
  if (TablesOf(standIn.data(), standInLayout) != TablesOf(strips.front().bytes, strips.front().layout))
    return SaveWithLibvips(path, wrapped, quality);
  if (!WriteStitched(path, standIn, standInLayout, strips, image.width, image.height))
    return Fail(kExitOutput, path + ": cannot write (" + std::strerror(errno) + ")");
  return {};
}
