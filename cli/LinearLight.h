// --linear: the plug-in filters linear light instead of the file's
// gamma-encoded values, so a blur keeps fine bright detail as bright as the
// eye saw it. The command converts on the way in and back on the way out;
// the plug-in and its recorded settings know nothing of it.
#pragma once

#include <cstdint>

#include "cli/Arguments.h"
#include "cli/Failure.h"
#include "cli/Picture.h"

OptionSpec LinearOption();

// picture.image as the host hands it (8 bits, or 16 in the host range)
// becomes linear light, 16 bits in the host range. The colour space is the
// file's ICC profile, or sRGB when it has none; alpha is only widened.
Failure ToLinearLight(Picture* picture);
// picture.image, linear light at 16 bits in the file range, goes back to the
// file's colour space at depth bits. The profile stays with the picture.
Failure FromLinearLight(Picture* picture, int32_t depth);
// The dialog's preview of linear light, 8-bit RGB, as sRGB for a screen.
Failure LinearPreviewToSrgb(Picture* preview);
