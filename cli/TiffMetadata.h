// EXIF and IPTC in TIFF files, which libvips neither reads from them nor
// writes to them: the camera's descriptions in the first directory, the
// Exif and GPS directories and the IPTC records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/Failure.h"

// Adds to the first page of a classic TIFF just written the EXIF (a small
// TIFF, after "Exif\0\0" as JPEG carries it) and the bare IPTC records;
// either may be empty.
Failure AddTiffMetadata(const std::string& path, const std::string& exif, const std::string& iptc);

// The EXIF of a TIFF's first page as JPEG carries it, or "" when it has none.
std::string TiffExif(const std::string& path);

// Sets the image size that the Exif directory of exif (with or without
// JPEG's "Exif\0\0") states, where it states one, keeping each value's type.
void SetExifPixelSize(uint8_t* exif, size_t size, uint32_t width, uint32_t height);
