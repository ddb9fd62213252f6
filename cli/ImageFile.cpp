// Image files through libvips: its safe loaders read, its savers write, and
// the metadata travels from the file read to the file written.
#include <vips/vips.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "cli/FileHead.h"
#include "cli/FitMetadata.h"
#include "cli/Interrupt.h"
#include "cli/JpegWriter.h"
#include "cli/Picture.h"
#include "cli/PngText.h"
#include "cli/PngWriter.h"
#include "cli/TiffMetadata.h"
#include "cli/TiffWriter.h"
#include "cli/VipsObjects.h"
#include "cli/VipsStart.h"

std::string VipsError() {
  std::string text = vips_error_buffer();
  vips_error_clear();
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  std::replace(text.begin(), text.end(), '\n', ';');
  return text.empty() ? "the decoder gave no reason" : text;
}

std::string Blob(VipsImage* image, const char* name) {
  const void* data = nullptr;
  size_t size = 0;
  if (vips_image_get_typeof(image, name) == 0 || vips_image_get_blob(image, name, &data, &size) != 0) return "";
  return std::string(static_cast<const char*>(data), size);
}

namespace {

// The host's rectangles are 16-bit.
constexpr int32_t kMaxSide = 32767;
// Rows decoded at a time.
constexpr int32_t kStripRows = 64;

std::string Size(VipsImage* image) {
  return std::to_string(image->Xsize) + " x " + std::to_string(image->Ysize) + " pixels";
}

std::string Mebibytes(uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MiB"; }

// Why the filter cannot take the image's mode, or "" when it can.
std::string ModeProblem(VipsImage* image) {
  switch (image->Type) {
    case VIPS_INTERPRETATION_CMYK: return "CMYK colour; convert it to RGB first";
    case VIPS_INTERPRETATION_LAB:
    case VIPS_INTERPRETATION_LABQ:
    case VIPS_INTERPRETATION_LABS:
    case VIPS_INTERPRETATION_LCH:
    case VIPS_INTERPRETATION_CMC: return "Lab colour; convert it to RGB first";
    case VIPS_INTERPRETATION_XYZ:
    case VIPS_INTERPRETATION_YXY: return "XYZ colour; convert it to RGB first";
    case VIPS_INTERPRETATION_HSV: return "HSV colour; convert it to RGB first";
    case VIPS_INTERPRETATION_scRGB: return "linear floating-point RGB; convert it to 8 or 16-bit RGB first";
    case VIPS_INTERPRETATION_FOURIER:
    case VIPS_INTERPRETATION_HISTOGRAM:
    case VIPS_INTERPRETATION_MATRIX: return "not a picture (a matrix or histogram)";
    default: break;
  }
  if (image->BandFmt == VIPS_FORMAT_FLOAT || image->BandFmt == VIPS_FORMAT_DOUBLE)
    return "floating-point samples; convert it to 8 or 16-bit integers first";
  if (image->BandFmt != VIPS_FORMAT_UCHAR && image->BandFmt != VIPS_FORMAT_USHORT)
    return std::to_string(vips_format_sizeof(image->BandFmt) * 8) +
           "-bit or signed samples; convert it to unsigned 8 or 16 bits first";
  if (image->Bands > 4)
    return std::to_string(image->Bands) + " channels; the filter takes gray or RGB with at most one alpha channel: "
                                          "drop the extra channels first";
  return "";
}

bool Kept(const char* name) {
  static const char* const whole[] = {"icc-profile-data", "exif-data",      "xmp-data",
                                      "iptc-data",        "resolution-unit", kInternationalText};
  for (const char* field : whole)
    if (std::strcmp(name, field) == 0) return true;
  return std::strncmp(name, "exif-ifd", 8) == 0 || std::strncmp(name, "png-comment-", 12) == 0;
}

void* CopyField(VipsImage*, const char* name, GValue* value, void* target) {
  if (Kept(name)) vips_image_set(static_cast<VipsImage*>(target), name, value);
  return nullptr;
}

// A one-pixel image holding the file's metadata, so that the decoded file
// itself need not be kept for it.
std::shared_ptr<VipsImage> MetadataOf(VipsImage* image) {
  uint8_t pixel = 0;
  VipsImage* holder = vips_image_new_from_memory_copy(&pixel, 1, 1, 1, 1, VIPS_FORMAT_UCHAR);
  if (holder == nullptr) return nullptr;
  vips_image_map(image, CopyField, holder);
  holder->Xres = image->Xres;
  holder->Yres = image->Yres;
  return std::shared_ptr<VipsImage>(holder, Unref());
}

void* CopyExifField(VipsImage*, const char* name, GValue* value, void* target) {
  if (std::strncmp(name, "exif-", 5) == 0) vips_image_set(static_cast<VipsImage*>(target), name, value);
  return nullptr;
}

// libvips parses EXIF only where a loader finds it, so a one-pixel JPEG
// carrying it gives holder its fields (exif-ifd0-Make and the like), which
// the savers write back.
void AddExif(VipsImage* holder, const std::string& exif) {
  constexpr size_t kMaxSegment = 65533;
  if (exif.empty() || exif.size() > kMaxSegment) return;
  ImagePtr pixel(vips_image_new_from_memory_copy("", 1, 1, 1, 1, VIPS_FORMAT_UCHAR));
  void* jpeg = nullptr;
  size_t size = 0;
  if (pixel == nullptr || vips_jpegsave_buffer(pixel.get(), &jpeg, &size, nullptr) != 0) return vips_error_clear();
  std::string bytes(static_cast<const char*>(jpeg), size);
  g_free(jpeg);
  size_t length = exif.size() + 2;
  bytes.insert(2, std::string{'\xFF', '\xE1', char(length >> 8), char(length & 0xFF)} + exif);
  ImagePtr carrier(vips_image_new_from_buffer(bytes.data(), bytes.size(), "", nullptr));
  if (carrier == nullptr) return vips_error_clear();
  vips_image_map(carrier.get(), CopyExifField, holder);
}

// iTXt chunks travel whole, instead of as the plain text libvips makes of them.
void KeepInternationalText(VipsImage* holder, const std::string& path) {
  InternationalText text = ReadInternationalText(path);
  if (text.chunks.empty()) return;
  vips_image_set_blob_copy(holder, kInternationalText, text.chunks.data(), text.chunks.size());
  for (int index : text.indices) {
    std::string prefix = "png-comment-" + std::to_string(index) + "-";
    auto remove = [](VipsImage* image, const char* name, GValue*, void* start) -> void* {
      const std::string& prefix = *static_cast<const std::string*>(start);
      if (std::strncmp(name, prefix.c_str(), prefix.size()) == 0) vips_image_remove(image, name);
      return nullptr;
    };
    vips_image_map(holder, remove, &prefix);
  }
}

// What libvips does not carry from the file: EXIF from TIFF, iTXt from PNG.
void AddUncarriedMetadata(const char* loader, const std::string& path, VipsImage* holder) {
  if (std::strstr(loader, "Tiff") != nullptr) AddExif(holder, TiffExif(path));
  if (std::strstr(loader, "Png") != nullptr) KeepInternationalText(holder, path);
}

// A file that starts as an image file does but that no loader takes is damaged.
bool HasImageSignature(const std::string& path) {
  static const std::string signatures[] = {"\x89PNG", "II*", "MM", "II+", "\xff\xd8\xff", "RIFF", "GIF8"};
  std::string head = ReadFileHead(path, 8);
  for (const std::string& signature : signatures)
    if (head.compare(0, signature.size(), signature) == 0) return true;
  return false;
}

Failure DamagedFile(const std::string& path, const std::string& why) {
  return Fail(kExitInput, path + ": truncated or damaged (" + why +
                              "); use an intact copy, or --accept-damaged to filter what decodes");
}

Failure Damaged(const std::string& path) {
  std::string why = VipsError();
  if (!HasImageSignature(path))
    return Fail(kExitInput, path + ": not a readable image (" + why + "); PNG, JPEG, TIFF, WebP, HEIF, GIF and PPM files are read");
  return DamagedFile(path, why);
}

void WarnDamaged(const std::string& path, const std::string& why) {
  std::fprintf(stderr,
               "tarkel: warning: %s: truncated or damaged (%s); filtering what decodes, as --accept-damaged asks\n",
               path.c_str(), why.c_str());
}

// Strict: any decoder warning (premature end, corrupt data) fails, so that a
// damaged file is never filtered as if whole. Lenient: only errors fail.
VipsFailOn Strictness(bool lenient) { return lenient ? VIPS_FAIL_ON_NONE : VIPS_FAIL_ON_WARNING; }

Failure Open(const std::string& path, VipsAccess access, bool lenient, ImagePtr* image) {
  VipsImage* opened = vips_image_new_from_file(path.c_str(), "access", access, "fail_on", Strictness(lenient), nullptr);
  if (opened == nullptr) return Damaged(path);
  image->reset(opened);
  return {};
}

// Every page, one below the other, each page-height rows high.
Failure OpenAllPages(const std::string& path, int pages, bool lenient, ImagePtr* image) {
  VipsImage* opened = vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, "fail_on",
                                               Strictness(lenient), "n", -1, nullptr);
  if (opened == nullptr || vips_image_get_page_height(opened) * pages != opened->Ysize) {
    if (opened != nullptr) g_object_unref(opened);
    return Fail(kExitInput, path + ": " + std::to_string(pages) + " pages that cannot be read as one stack (" +
                                VipsError() + "); split the file into one file per page first");
  }
  image->reset(opened);
  return {};
}

// Turned upright as its EXIF orientation says, as editors show it.
Failure Upright(const std::string& path, bool lenient, ImagePtr* image) {
  if (vips_image_get_orientation(image->get()) == 1) return {};
  // Turning needs the whole image, not a sequential read.
  if (Failure failure = Open(path, VIPS_ACCESS_RANDOM, lenient, image)) return failure;
  VipsImage* turned = nullptr;
  if (vips_autorot(image->get(), &turned, nullptr) != 0)
    return Fail(kExitInput, path + ": cannot turn the image upright (" + VipsError() + ")");
  image->reset(turned);
  return {};
}

// Opened for its header, strictly, or else leniently when damage is accepted.
Failure OpenHeader(const std::string& path, const ReadLimits& limits, ImagePtr* image, bool* lenient) {
  image->reset(vips_image_new_from_file(path.c_str(), "access", VIPS_ACCESS_SEQUENTIAL, "fail_on", Strictness(false),
                                        nullptr));
  if (*image != nullptr) return {};
  if (!limits.acceptDamaged || !HasImageSignature(path)) return Damaged(path);
  std::string why = VipsError();
  if (Failure failure = Open(path, VIPS_ACCESS_SEQUENTIAL, true, image)) return failure;
  *lenient = true;
  WarnDamaged(path, why);
  return {};
}

// The pixels as the filter takes them: every page one below the other, or
// the one page upright. image: the file, opened sequentially.
Failure OpenPixels(const std::string& path, int pages, bool lenient, ImagePtr* image) {
  if (pages > 1) return OpenAllPages(path, pages, lenient, image);
  return Upright(path, lenient, image);
}

// JPEG's Huffman coding spends at least one bit on every 8 x 8 block, so a
// header promising more blocks than the file has bits was patched or cut:
// refused before gigabytes are set aside for pixels that are not there.
bool JpegHoldsTooLittle(const std::string& path, VipsImage* image) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bool huffman = false;
  uint8_t marker[4];
  if (std::fseek(file, 2, SEEK_SET) == 0)
    while (std::fread(marker, 1, 4, file) == 4 && marker[0] == 0xFF) {
      uint8_t kind = marker[1];
      if (kind >= 0xC0 && kind <= 0xCF && kind != 0xC4 && kind != 0xC8 && kind != 0xCC) {
        huffman = kind <= 0xC3;  // the arithmetic-coded kinds pack far tighter
        break;
      }
      if (std::fseek(file, long(marker[2] << 8 | marker[3]) - 2, SEEK_CUR) != 0) break;
    }
  std::fseek(file, 0, SEEK_END);
  uint64_t bytes = uint64_t(std::max(std::ftell(file), 0L));
  std::fclose(file);
  uint64_t blocks = uint64_t((image->Xsize + 7) / 8) * uint64_t((image->Ysize + 7) / 8);
  return huffman && bytes * 8 < blocks;
}

// image: the first page, as opened.
Failure CheckHeader(const std::string& path, VipsImage* image, int pages, const ReadLimits& limits) {
  if (std::string problem = ModeProblem(image); !problem.empty()) return Fail(kExitInput, path + ": " + problem);
  if (pages > 1 && vips_image_get_orientation(image) != 1)
    return Fail(kExitInput, path + ": " + std::to_string(pages) + " pages, turned by their orientation tag; turn them "
                                                                    "upright first");
  if (image->Xsize > kMaxSide || image->Ysize > kMaxSide)
    return Fail(kExitInput, path + ": " + Size(image) + "; filter hosts pass at most 32767 pixels a side: cut the "
                                                        "image into tiles");
  uint64_t page = uint64_t(image->Xsize) * uint64_t(image->Ysize) * uint64_t(image->Bands) *
                  uint64_t(vips_format_sizeof(image->BandFmt));
  // Every decoded page and the plug-in's own copy of the page it filters.
  uint64_t bytes = page * uint64_t(pages + 1);
  if (bytes > limits.maxBytes)
    return Fail(kExitInput, path + ": " + Size(image) + (pages > 1 ? " a page, " + std::to_string(pages) + " pages," : "") +
                                " need about " + Mebibytes(bytes) + " (the image and the plug-in's copy), more than " +
                                "--max-memory " + Mebibytes(limits.maxBytes) +
                                "; raise --max-memory or cut the image into tiles");
  return {};
}

bool IsTrusted(const char* loader) {
  static const char* const kinds[] = {"Png", "Jpeg", "Tiff", "Webp", "Heif", "Ppm", "Nsgif"};
  for (const char* kind : kinds)
    if (loader != nullptr && std::strstr(loader, kind) != nullptr) return true;
  return false;
}

}  // namespace

Failure OpenPicture(const std::string& path, Picture* picture, DecodingRows* rows, const ReadLimits& limits) {
  if (Failure failure = CheckRegularFile(path, kExitInput)) return failure;
  StartVips();
  LoadLoaderFor(path);
  const char* loader = vips_foreign_find_load(path.c_str());
  if (!IsTrusted(loader)) {
    if (HasImageSignature(path)) return Damaged(path);
    vips_error_clear();
    return Fail(kExitInput, path + ": not an image file this command reads; PNG, JPEG, TIFF (BigTIFF too), WebP, "
                                   "HEIF, GIF and PPM are read");
  }
  ImagePtr image;
  bool lenient = false;
  if (Failure failure = OpenHeader(path, limits, &image, &lenient)) return failure;
  int pages = std::max(vips_image_get_n_pages(image.get()), 1);
  if (Failure failure = CheckHeader(path, image.get(), pages, limits)) return failure;
  if (std::strstr(loader, "Jpeg") != nullptr && JpegHoldsTooLittle(path, image.get())) {
    std::string why = "its header says " + Size(image.get()) + ", more than the file's data can hold";
    if (!limits.acceptDamaged) return DamagedFile(path, why);
    WarnDamaged(path, why);
    lenient = true;
  }
  // libvips gives a stack of pages no IPTC: the first page's metadata is the file's.
  std::shared_ptr<VipsImage> firstPage = pages > 1 ? MetadataOf(image.get()) : nullptr;
  if (Failure failure = OpenPixels(path, pages, lenient, &image)) return failure;
  VipsImage* in = image.get();
  picture->pages = pages;
  picture->alpha = in->Bands == 2 || in->Bands == 4;
  picture->image = hostsim::MakeImage(in->Xsize, in->Ysize, in->Bands, in->BandFmt == VIPS_FORMAT_USHORT ? 16 : 8);
  picture->source = firstPage != nullptr ? firstPage : MetadataOf(in);
  if (picture->source != nullptr) AddUncarriedMetadata(loader, path, picture->source.get());
  rows->path = path;
  rows->pages = pages;
  rows->acceptDamaged = limits.acceptDamaged;
  rows->lenient = lenient;
  rows->file = std::shared_ptr<VipsImage>(image.release(), Unref());
  return {};
}

namespace {

void Land(DecodingRows* rows, int32_t ready) {
  {
    std::lock_guard<std::mutex> hold(rows->lock);
    rows->ready = ready;
  }
  rows->landed.notify_all();
}

bool Stopped(DecodingRows* rows) {
  std::lock_guard<std::mutex> hold(rows->lock);
  return rows->stop;
}

// Once a band is found damaged and damage is accepted, the file is read
// again from the top, leniently, and decoding goes on from that band.
Failure ReadLeniently(DecodingRows* rows, std::unique_ptr<VipsRegion, Unref>* region) {
  std::string why = VipsError();
  if (!rows->acceptDamaged || rows->lenient) return DamagedFile(rows->path, why);
  WarnDamaged(rows->path, why);
  rows->lenient = true;
  ImagePtr again;
  if (Failure failure = Open(rows->path, VIPS_ACCESS_SEQUENTIAL, true, &again)) return failure;
  if (Failure failure = OpenPixels(rows->path, rows->pages, true, &again)) return failure;
  rows->file = std::shared_ptr<VipsImage>(again.release(), Unref());
  region->reset(vips_region_new(rows->file.get()));
  return {};
}

// A decoder's warning (libjpeg's "premature end of data segment" among them)
// lands in libvips's error buffer even when the band decodes, and fails only
// a later band, if any. While rows decode this thread alone uses libvips.
bool BandWhole(VipsRegion* region, VipsRect* rect, bool lenient) {
  bool whole = vips_region_prepare(region, rect) == 0 && (lenient || *vips_error_buffer() == '\0');
  if (whole && lenient) vips_error_clear();
  return whole;
}

Failure DecodeBands(DecodingRows* rows, int32_t width, int32_t height, const PrepareRows& prepare) {
  vips_error_clear();
  std::unique_ptr<VipsRegion, Unref> region(vips_region_new(rows->file.get()));
  size_t rowBytes = size_t(VIPS_IMAGE_SIZEOF_LINE(rows->file.get()));
  for (int32_t top = 0; top < height && !Stopped(rows); top += kStripRows) {
    if (InterruptRequested()) return Fail(kExitInterrupted, "interrupted while reading " + rows->path);
    VipsRect rect{0, top, width, std::min(kStripRows, height - top)};
    if (!BandWhole(region.get(), &rect, rows->lenient)) {
      if (Failure failure = ReadLeniently(rows, &region)) return failure;
      if (!BandWhole(region.get(), &rect, true)) return DamagedFile(rows->path, VipsError());
    }
    uint8_t* band = rows->pixels + size_t(top) * rowBytes;
    for (int32_t y = top; y < top + rect.height; ++y)
      std::memcpy(band + size_t(y - top) * rowBytes, VIPS_REGION_ADDR(region.get(), 0, y), rowBytes);
    if (prepare) prepare(band, top, top + rect.height);
    Land(rows, top + rect.height);
  }
  return {};
}

}  // namespace

void StartDecoding(Picture* picture, PrepareRows prepare, DecodingRows* rows) {
  rows->pixels = picture->image.samples.data();
  rows->thread = std::thread([rows, width = picture->image.width, height = picture->image.height,
                              prepare = std::move(prepare)] {
    auto start = std::chrono::steady_clock::now();
    Failure failure = DecodeBands(rows, width, height, prepare);
    {
      std::lock_guard<std::mutex> hold(rows->lock);
      rows->over = true;
      rows->failure = failure;
      rows->seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    rows->landed.notify_all();
  });
}

bool AwaitRows(DecodingRows* rows, int32_t bottom) {
  std::unique_lock<std::mutex> hold(rows->lock);
  rows->landed.wait(hold, [&] { return rows->ready >= bottom || rows->over; });
  return rows->ready >= bottom;
}

Failure FinishDecoding(DecodingRows* rows) {
  if (rows->thread.joinable()) rows->thread.join();
  rows->file.reset();
  return rows->failure;
}

void StopDecoding(DecodingRows* rows) {
  {
    std::lock_guard<std::mutex> hold(rows->lock);
    rows->stop = true;
  }
  FinishDecoding(rows);
}

DecodingRows::~DecodingRows() { StopDecoding(this); }

Failure ReadPicture(const std::string& path, Picture* picture, const ReadLimits& limits) {
  DecodingRows rows;
  if (Failure failure = OpenPicture(path, picture, &rows, limits)) return failure;
  StartDecoding(picture, nullptr, &rows);
  return FinishDecoding(&rows);
}

namespace {

Failure ParseTiffCompression(const std::string& name, VipsForeignTiffCompression* compression) {
  static const std::pair<const char*, VipsForeignTiffCompression> names[] = {
      {"", VIPS_FOREIGN_TIFF_COMPRESSION_NONE},         {"none", VIPS_FOREIGN_TIFF_COMPRESSION_NONE},
      {"deflate", VIPS_FOREIGN_TIFF_COMPRESSION_DEFLATE}, {"lzw", VIPS_FOREIGN_TIFF_COMPRESSION_LZW},
      {"zstd", VIPS_FOREIGN_TIFF_COMPRESSION_ZSTD},       {"packbits", VIPS_FOREIGN_TIFF_COMPRESSION_PACKBITS},
      {"jpeg", VIPS_FOREIGN_TIFF_COMPRESSION_JPEG}};
  for (const auto& [text, value] : names)
    if (name == text) {
      *compression = value;
      return {};
    }
  return Fail(kExitUsage, "--compression \"" + name + "\": for TIFF choose none, deflate, lzw, zstd, packbits or jpeg");
}

Failure ParsePngLevel(const std::string& text, int* level) {
  if (text.empty()) return {};
  if (text.size() != 1 || text[0] < '0' || text[0] > '9')
    return Fail(kExitUsage, "--compression \"" + text + "\": for PNG give a level from 0 (fastest) to 9 (smallest)");
  *level = text[0] - '0';
  return {};
}

// The pixels as libvips sees them, with the source's metadata and orientation 1.
Failure Wrap(const std::string& path, const Picture& picture, ImagePtr* wrapped) {
  const hostsim::Image& image = picture.image;
  ImagePtr memory(vips_image_new_from_memory(image.samples.data(), image.samples.size(), image.width, image.height,
                                             image.planes, image.depth == 16 ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR));
  bool colour = ColourChannels(picture) == 3;
  VipsInterpretation kind = image.depth == 16 ? (colour ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_GREY16)
                                              : (colour ? VIPS_INTERPRETATION_sRGB : VIPS_INTERPRETATION_B_W);
  VipsImage* source = picture.source.get();
  VipsImage* typed = nullptr;
  if (memory == nullptr || vips_copy(memory.get(), &typed, "interpretation", kind, "xres",
                                     source != nullptr ? source->Xres : 1.0, "yres",
                                     source != nullptr ? source->Yres : 1.0, nullptr) != 0)
    return Fail(kExitOutput, path + ": cannot prepare the image (" + VipsError() + ")");
  wrapped->reset(typed);
  if (source != nullptr) vips_image_map(source, CopyField, typed);
  // The pixels are upright already; a viewer must not turn them again.
  vips_image_set_int(typed, "orientation", 1);
  if (picture.pages > 1) vips_image_set_int(typed, "page-height", image.height / picture.pages);
  return {};
}

}  // namespace

Failure CheckWriteSettings(const std::string& path, PictureFormat format, const WriteSettings& settings) {
  if (settings.quality < 1 || settings.quality > 100)
    return Fail(kExitUsage, "--quality " + std::to_string(settings.quality) + ": give 1 to 100");
  if (format == PictureFormat::png) {
    int level = kDefaultPngLevel;
    return ParsePngLevel(settings.compression, &level);
  }
  if (format == PictureFormat::tiff) {
    VipsForeignTiffCompression compression{};
    return ParseTiffCompression(settings.compression, &compression);
  }
  if (!settings.compression.empty())
    return Fail(kExitUsage, path + ": --compression applies to PNG and TIFF; JPEG and WebP take --quality");
  return {};
}

Failure CheckFormatHolds(const std::string& path, const Picture& picture, PictureFormat format) {
  if (picture.pages > 1 && format != PictureFormat::tiff && format != PictureFormat::webp)
    return Fail(kExitUsage, path + ": " + std::to_string(picture.pages) + " pages, and this format holds one; write "
                                                                          "TIFF or WebP to keep them all");
  if (format == PictureFormat::jpeg && picture.alpha)
    return Fail(kExitUsage, path + ": JPEG holds no alpha; write PNG, TIFF or WebP to keep the transparency");
  return {};
}

Failure WritePicture(const std::string& path, const Picture& picture, PictureFormat format,
                     const WriteSettings& settings) {
  StartVips();
  if (Failure failure = CheckWriteSettings(path, format, settings)) return failure;
  if (Failure failure = CheckFormatHolds(path, picture, format)) return failure;
  ImagePtr image;
  if (Failure failure = Wrap(path, picture, &image)) return failure;
  if ((format == PictureFormat::jpeg || format == PictureFormat::webp) && picture.image.depth == 16) {
    VipsImage* eight = nullptr;
    if (vips_colourspace(image.get(), &eight, ColourChannels(picture) == 3 ? VIPS_INTERPRETATION_sRGB
                                                                           : VIPS_INTERPRETATION_B_W,
                         nullptr) != 0)
      return Fail(kExitOutput, path + ": cannot convert to 8 bits (" + VipsError() + ")");
    image.reset(eight);
  }
  FitMetadata(image.get(), format, ColourChannels(picture));
  if (format == PictureFormat::png) {
    int level = kDefaultPngLevel;
    ParsePngLevel(settings.compression, &level);
    return WritePng(path, image.get(), picture.image, level);
  }
  int written = -1;
  if (format == PictureFormat::tiff) {
    VipsForeignTiffCompression compression{};
    ParseTiffCompression(settings.compression, &compression);
    std::string exif = Blob(image.get(), "exif-data"), iptc = Blob(image.get(), "iptc-data");
    // The source's EXIF states its own size, before it was turned upright.
    SetExifPixelSize(reinterpret_cast<uint8_t*>(exif.data()), exif.size(), uint32_t(image->Xsize),
                     uint32_t(picture.image.height / picture.pages));
    // libtiff takes IPTC's length in bytes where libvips gives it in words.
    vips_image_remove(image.get(), "iptc-data");
    if (compression == VIPS_FOREIGN_TIFF_COMPRESSION_NONE && picture.pages == 1) {
      if (Failure failure = WriteUncompressedTiff(path, image.get(), picture.image)) return failure;
      written = 0;
    } else {
      written = vips_tiffsave(image.get(), path.c_str(), "compression", compression, nullptr);
    }
    if (written == 0)
      if (Failure failure = AddTiffMetadata(path, exif, iptc)) return failure;
  } else if (format == PictureFormat::jpeg) {
    // 16-bit pictures were converted above, into libvips's image only.
    if (picture.image.depth == 8) return WriteJpeg(path, image.get(), picture.image, settings.quality);
    written = vips_jpegsave(image.get(), path.c_str(), "Q", settings.quality, nullptr);
  } else {
    written = vips_webpsave(image.get(), path.c_str(), "Q", settings.quality, "lossless", settings.lossless, nullptr);
  }
  if (written != 0) return Fail(kExitOutput, path + ": cannot write (" + VipsError() + ")");
  if (InterruptRequested()) return Fail(kExitInterrupted, "interrupted while writing " + path);
  return {};
}
