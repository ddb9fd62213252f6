// PNG files written fast. libvips writes every chunk but the rows (header,
// profile, EXIF, XMP, text, resolution) for a one-row stand-in of the
// picture; the rows themselves are filtered and deflated here by libdeflate,
// which at the same level is two to three times as fast as zlib and makes
// files no larger.
#pragma once

#include <string>

#include "cli/Failure.h"
#include "hostsim/Host.h"

typedef struct _VipsImage VipsImage;

// Level 4 with rows filtered "up" makes photographs smaller than zlib's
// level 6 does with rows as they are (other tools' default), at a fifth of
// the time; drawings come out within a few percent of it.
constexpr int kDefaultPngLevel = 4;

// wrapped: the picture's pixels as libvips sees them, with the metadata to
// write; image: the same pixels. level: 0 (stored) to 9 (smallest).
Failure WritePng(const std::string& path, VipsImage* wrapped, const hostsim::Image& image, int level);
