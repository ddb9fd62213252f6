// The source's metadata made true of the output: what the pixels became and
// what the output format holds.
#pragma once

#include <cstdint>

#include "cli/Picture.h"

// image: the pixels to write, carrying the source's metadata.
void FitMetadata(VipsImage* image, PictureFormat format, int32_t colourChannels);
