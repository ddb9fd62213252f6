#include "cli/TiffWriter.h"

#include <vips/vips.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cli/OutputFile.h"
#include "cli/TiffMetadata.h"
#include "cli/VipsObjects.h"

namespace {

// The TIFF libvips writes for the picture's first row.
bool WriteStandIn(VipsImage* wrapped, std::string* tiff) {
  VipsImage* row = nullptr;
  if (vips_crop(wrapped, &row, 0, 0, wrapped->Xsize, 1, nullptr) != 0) return false;
  ImagePtr owned(row);
  void* bytes = nullptr;
  size_t size = 0;
  if (vips_tiffsave_buffer(row, &bytes, &size, "compression", VIPS_FOREIGN_TIFF_COMPRESSION_NONE, nullptr) != 0)
    return false;
  tiff->assign(static_cast<const char*>(bytes), size);
  g_free(bytes);
  return true;
}

}  // namespace

Failure WriteUncompressedTiff(const std::string& path, VipsImage* wrapped, const hostsim::Image& image) {
  std::string standIn, head, tail;
  // The rows go as they lie in memory: little-endian 16-bit samples, in a TIFF that says so.
  bool rows = WriteStandIn(wrapped, &standIn) && standIn.compare(0, 2, "II") == 0 &&
              TiffFrameForRows(standIn, uint32_t(image.height), image.RowBytes(), &head, &tail);
  if (!rows) {
    if (vips_tiffsave(wrapped, path.c_str(), "compression", VIPS_FOREIGN_TIFF_COMPRESSION_NONE, nullptr) != 0)
      return Fail(kExitOutput, path + ": cannot write (" + VipsError() + ")");
    return {};
  }
  OutputFile file = OpenOutputFile(path);
  bool written = file != nullptr && Put(file.get(), head.data(), head.size()) &&
                 Put(file.get(), image.samples.data(), image.samples.size()) &&
                 Put(file.get(), tail.data(), tail.size());
  written = CloseOutputFile(file) && written;
  if (!written) return Fail(kExitOutput, path + ": cannot write (" + std::strerror(errno) + ")");
  return {};
}
