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

// The bytes around an uncompressed one-page classic TIFF's rows: header and
// first directory, from standIn, a TIFF of the picture's first rows, made to
// describe height rows of rowBytes each that follow the 8-byte header in
// strips as standIn's. False when standIn is not such a TIFF or the rows
// would pass the 4 GiB a classic TIFF can address.
bool TiffFrameForRows(const std::string& standIn, uint32_t height, uint64_t rowBytes, std::string* head,
                      std::string* tail);
