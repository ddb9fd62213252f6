// Kernels written for other tools: libvips matrix files and ImageMagick-style
// kernel strings, and the plain list of the grid's 49 numbers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Failure.h"

using KernelGrid = std::array<float, 49>;  // 7 * row + column, as the dialog's fields

// width x height values in row order (first row first, left to right).
struct ForeignKernel {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<double> values;
  double scale = 1.0;   // a libvips header's scale and offset
  double offset = 0.0;
};

// "3 3 [scale [offset]]", then one line per row; name is used in messages.
Failure ParseVipsMatrix(const std::string& text, const std::string& name, ForeignKernel* kernel);
// "3x3: 0,-1,0,-1,5,-1,0,-1,0" ("3:" for a square; "+1+1" after the size
// must name the centre); without a size the count must be 1, 9, 25 or 49.
Failure ParseMagickKernel(const std::string& text, ForeignKernel* kernel);
// 49 numbers, row by row, separated by commas or spaces.
Failure ParseCoefficientList(const std::string& text, KernelGrid* grid);

// Puts a kernel into the grid as the tool it comes from applies it: each tap
// weighs the pixel at its own offset from the centre, so the grid's row r,
// column c is the kernel's, centred, never transposed. A kernel larger than
// 7 x 7 fits only when its taps outside the centre 7 x 7 are 0; where names
// it in the message.
Failure PlaceForeignKernel(const ForeignKernel& kernel, const std::string& where, KernelGrid* grid);
