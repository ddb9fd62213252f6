// Whether an input image file holds its pixels exactly, so that a WebP
// written from it may stay lossless: PNG, TIFF, GIF and PPM do; JPEG and
// HEIF do not; a WebP file does when its image data is of the lossless
// kind (a VP8L chunk, no VP8 chunk).
#pragma once

#include <string>

bool IsLosslessInput(const std::string& path);
