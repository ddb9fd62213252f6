#include "cli/FitMetadata.h"

#include <vips/vips.h>

#include <cstring>
#include <string>

#include "cli/VipsObjects.h"

namespace {

void SetBlob(VipsImage* image, const char* name, const std::string& bytes) {
  if (bytes.empty())
    vips_image_remove(image, name);
  else
    vips_image_set_blob_copy(image, name, bytes.data(), bytes.size());
}

// The pixels stand upright; the XMP copy of the orientation must say so too,
// in either of its spellings: tiff:Orientation="6" or <tiff:Orientation>6<...
std::string UprightXmp(std::string xmp) {
  const std::string name = "tiff:Orientation";
  for (size_t at = xmp.find(name); at != std::string::npos; at = xmp.find(name, at + name.size())) {
    if (at > 0 && xmp[at - 1] == '/') continue;  // a closing tag
    size_t value = xmp.find_first_not_of(" \t\r\n=\"'>", at + name.size());
    size_t end = value == std::string::npos ? value : xmp.find_first_not_of("0123456789", value);
    if (end != std::string::npos && end > value) xmp.replace(value, end - value, "1");
  }
  return xmp;
}

constexpr char kPhotoshop[] = "Photoshop 3.0";  // with its NUL: the JPEG wrapping of IPTC
constexpr size_t kPhotoshopBytes = sizeof kPhotoshop;
constexpr uint16_t kIptcResource = 0x0404;

uint32_t BigEndian(const std::string& bytes, size_t at, size_t count) {
  uint32_t value = 0;
  for (size_t i = 0; i < count; ++i) value = value << 8 | uint8_t(bytes[at + i]);
  return value;
}

// The IPTC records from Photoshop's resources, or "" when there are none.
std::string IptcRecords(const std::string& resources) {
  size_t at = kPhotoshopBytes;
  while (at + 12 <= resources.size() && resources.compare(at, 4, "8BIM") == 0) {
    uint16_t id = uint16_t(BigEndian(resources, at + 4, 2));
    size_t name = (uint8_t(resources[at + 6]) + 2) & ~size_t(1);  // a Pascal string padded to even
    size_t sizeAt = at + 6 + name;
    if (sizeAt + 4 > resources.size()) break;
    size_t size = BigEndian(resources, sizeAt, 4);
    if (size > resources.size() - sizeAt - 4) break;
    if (id == kIptcResource) return resources.substr(sizeAt + 4, size);
    at = sizeAt + 4 + ((size + 1) & ~size_t(1));
  }
  return "";
}

std::string PhotoshopResources(const std::string& records) {
  std::string out(kPhotoshop, kPhotoshopBytes);
  out += "8BIM";
  out += {char(kIptcResource >> 8), char(kIptcResource & 0xFF), 0, 0};
  uint32_t size = uint32_t(records.size());
  out += {char(size >> 24), char(size >> 16), char(size >> 8), char(size)};
  out += records;
  if (records.size() % 2 != 0) out += '\0';
  return out;
}

// TIFF holds the IPTC records themselves, JPEG wraps them in Photoshop's
// resources; libvips passes either along as it found it.
std::string IptcFor(PictureFormat format, const std::string& iptc) {
  bool wrapped = iptc.compare(0, kPhotoshopBytes, kPhotoshop, kPhotoshopBytes) == 0;
  if (format == PictureFormat::tiff && wrapped) return IptcRecords(iptc);
  if (format == PictureFormat::jpeg && !wrapped && !iptc.empty()) return PhotoshopResources(iptc);
  return iptc;
}

// An ICC profile's colour space: "GRAY", "RGB " and so on.
std::string ProfileSpace(const std::string& profile) { return profile.size() >= 20 ? profile.substr(16, 4) : ""; }

}  // namespace

void FitMetadata(VipsImage* image, PictureFormat format, int32_t colourChannels) {
  if (std::string xmp = Blob(image, "xmp-data"); !xmp.empty()) SetBlob(image, "xmp-data", UprightXmp(xmp));
  if (std::string iptc = Blob(image, "iptc-data"); !iptc.empty()) SetBlob(image, "iptc-data", IptcFor(format, iptc));
  // WebP holds colour only: its encoder makes gray pixels RGB, and a gray
  // profile on RGB pixels would misdescribe them, so it is left out.
  bool grayOut = colourChannels == 1 && format != PictureFormat::webp;
  std::string space = ProfileSpace(Blob(image, "icc-profile-data"));
  if (!space.empty() && (space == "GRAY") != grayOut) vips_image_remove(image, "icc-profile-data");
}
