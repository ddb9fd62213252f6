// Uncompressed one-page TIFF files written from the picture's rows in one
// piece. libvips writes the header and directory for a one-row stand-in of
// the picture, whose size and strips are then made the picture's; its own
// saver would copy every row three times on the way to the file.
#pragma once

#include <string>

#include "cli/Failure.h"
#include "hostsim/Host.h"

typedef struct _VipsImage VipsImage;

// wrapped: the picture's pixels as libvips sees them, with the metadata to
// write; image: the same pixels.
Failure WriteUncompressedTiff(const std::string& path, VipsImage* wrapped, const hostsim::Image& image);
