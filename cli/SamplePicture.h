// A generated test picture: sky, sun, hills, a checkerboard and fine rings,
// with soft edges that a sharpening kernel visibly crisps. Deterministic, so
// demos, tests and benchmarks need no image from elsewhere.
#pragma once

#include <cstdint>

#include "cli/Picture.h"

// channels 1 or 3; alpha adds a plane that fades towards the corners.
Picture MakeSamplePicture(int32_t width, int32_t height, int32_t channels, bool alpha, int32_t depth);
