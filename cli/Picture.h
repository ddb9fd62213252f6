// An image file in memory, read and written through libvips: the pixels the
// plug-in filters and the file's metadata, which goes on to the output.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/Failure.h"
#include "hostsim/Host.h"

typedef struct _VipsImage VipsImage;

struct Picture {
  // planes = colour channels (1 gray, 3 RGB) plus one when there is alpha;
  // 16-bit samples hold the file's values, 0..65535, little-endian.
  hostsim::Image image;
  bool alpha = false;
  // A multi-page file's pages stand one below the other, each
  // image.height / pages rows high, and are filtered one by one.
  int32_t pages = 1;
  // The file read, upright: its metadata (profile, EXIF, XMP, IPTC,
  // resolution, text) goes to the output. Null for a made picture.
  std::shared_ptr<VipsImage> source;
};

enum class PictureFormat { png, tiff, jpeg, webp };

struct WriteSettings {
  int32_t quality = 92;     // JPEG and WebP, 1..100
  std::string compression;  // PNG: a level 0..9; TIFF: none, deflate, lzw, zstd, packbits or jpeg
  bool lossless = false;    // WebP
};

struct ReadLimits {
  // Bytes a run may take for the decoded image and the plug-in's copy of it.
  uint64_t maxBytes = UINT64_MAX;
  // A damaged file (any decoder warning) is refused unless this says to
  // filter what decodes, with a warning.
  bool acceptDamaged = false;
};

int32_t ColourChannels(const Picture& picture);
// "RGBA, 16 bits" and the like, for messages.
std::string DescribePicture(const Picture& picture);

// The format an output path asks for, from its extension.
Failure FormatForPath(const std::string& path, PictureFormat* format);
// Checks --quality and --compression against the format before any work.
Failure CheckWriteSettings(const std::string& path, PictureFormat format, const WriteSettings& settings);

// Fails, with code, unless path names a regular file: a pipe would be read
// once and a FIFO would wait for a writer forever.
Failure CheckRegularFile(const std::string& path, ExitCode code);
// Reads any image file libvips reads safely, whatever its name says; the
// size and the memory it needs are checked from the header, before any
// pixel is decoded.
Failure ReadPicture(const std::string& path, Picture* picture, const ReadLimits& limits = {});

// The same in steps, so that the plug-in can take the first rows while the
// last are still being decoded on a thread of their own.
struct DecodingRows {
  std::string path;
  int32_t pages = 1;
  bool acceptDamaged = false;
  bool lenient = false;  // opened to take what decodes, damage already reported
  std::shared_ptr<VipsImage> file;  // the pixels, as libvips reads them
  uint8_t* pixels = nullptr;         // where they go: the picture's samples
  std::thread thread;
  std::mutex lock;
  std::condition_variable landed;
  int32_t ready = 0;   // rows [0, ready) are decoded and prepared
  bool over = false;   // no more rows will land
  bool stop = false;   // the reader no longer wants them
  Failure failure;
  double seconds = 0;  // the decoder's own time

  ~DecodingRows();
};
// Runs on the decoding thread for each band of rows [top, bottom) as it
// lands, before the band counts as ready; band is row top's first sample.
using PrepareRows = std::function<void(uint8_t* band, int32_t top, int32_t bottom)>;

// Checks the header and gives picture its size, kind, metadata and room for
// the pixels; none is decoded yet.
Failure OpenPicture(const std::string& path, Picture* picture, DecodingRows* rows, const ReadLimits& limits = {});
// The picture's pixels must stay where they are (the image may move, its
// samples not) until the rows are finished or stopped.
void StartDecoding(Picture* picture, PrepareRows prepare, DecodingRows* rows);
// Waits until rows [0, bottom) are ready; false when they never will be.
bool AwaitRows(DecodingRows* rows, int32_t bottom);
// Waits for the last row; what went wrong, if anything did.
Failure FinishDecoding(DecodingRows* rows);
// Ends decoding early; a stop is no failure.
void StopDecoding(DecodingRows* rows);
Failure WritePicture(const std::string& path, const Picture& picture, PictureFormat format,
                     const WriteSettings& settings = {});
// Refuses what the format cannot hold: pages beyond the first, JPEG alpha.
Failure CheckFormatHolds(const std::string& path, const Picture& picture, PictureFormat format);

// A selection mask of width x height: one byte per pixel, 255 selected.
Failure ReadMask(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>* mask);

// Hosts hand 16-bit images to filters in 0..32768; files use 0..65535.
// Going to the host and back restores every value a host can hold.
void ToHostRange(hostsim::Image& image);
// The same for 16-bit samples, little-endian, in place.
void SamplesToHostRange(uint8_t* samples, size_t bytes);
void FromHostRange(hostsim::Image& image);

// Bytes of physical memory, for the default of --max-memory.
uint64_t PhysicalMemoryBytes();
