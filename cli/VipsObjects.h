// What the command's libvips code shares: ownership of its objects and its
// error text as one line.
#pragma once

#include <vips/vips.h>

#include <memory>
#include <string>

struct Unref {
  void operator()(void* object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
using ImagePtr = std::unique_ptr<VipsImage, Unref>;

// libvips's error buffer as one line, emptied.
std::string VipsError();
// The input PNG's iTXt chunks, whole, for a PNG output.
constexpr char kInternationalText[] = "tarkel-png-itxt";
// A metadata field's bytes, or "" when the image has none.
std::string Blob(VipsImage* image, const char* name);
