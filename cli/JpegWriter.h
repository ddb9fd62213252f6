// JPEG files written on every processor the run may use. The rows are cut
// into strips of whole MCU rows, each entropy-coded on a thread of its own
// by libjpeg-turbo as a JPEG of its own; each strip is one restart interval,
// so the strips' coded data, a restart marker between each two, make one
// scan under one set of headers. libvips writes
// the metadata segments (JFIF, EXIF, XMP, IPTC, profile) for a few-row
// stand-in of the picture, and its tables are checked to be the ones the
// strips used: the decoded pixels are those libvips's own encoder gives.
// A picture of one strip, or a run on one processor, libvips writes itself.
#pragma once

#include <cstdint>
#include <string>

#include "cli/Failure.h"
#include "hostsim/Host.h"

typedef struct _VipsImage VipsImage;

// wrapped: the picture's 8-bit pixels as libvips sees them, with the
// metadata to write; image: the same pixels. quality: 1..100.
Failure WriteJpeg(const std::string& path, VipsImage* wrapped, const hostsim::Image& image, int32_t quality);
