#include "cli/LinearLight.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include "cli/TempDirectory.h"
#include "cli/VipsObjects.h"

namespace {

// The file's embedded profile, or null.
const void* ProfileOf(const Picture& picture, size_t* length) {
  const void* data = nullptr;
  *length = 0;
  if (picture.source == nullptr || vips_image_get_typeof(picture.source.get(), VIPS_META_ICC_NAME) == 0) return nullptr;
  if (vips_image_get_blob(picture.source.get(), VIPS_META_ICC_NAME, &data, length) != 0) return nullptr;
  return data;
}

// libvips reads ICC profiles it converts into by file name.
struct ProfileFile {
  std::string path;
  ~ProfileFile() {
    if (!path.empty()) unlink(path.c_str());
  }
};

bool WriteProfileFile(const void* data, size_t length, ProfileFile* file) {
  std::string pattern = TempDirectory() + "/tarkel-profile-XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) return false;
  file->path = pattern;
  bool written = write(fd, data, length) == ssize_t(length);
  return close(fd) == 0 && written;
}

ImagePtr Wrap(VipsImage* image) { return ImagePtr(image); }

// The picture's samples as a libvips image that shares them.
ImagePtr ViewOf(const hostsim::Image& image) {
  return Wrap(vips_image_new_from_memory(image.samples.data(), image.samples.size(), image.width, image.height,
                                         image.planes, image.depth == 16 ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR));
}

Failure VipsFailure(const std::string& what) {
  return Fail(kExitInput, "--linear: cannot convert " + what + " (" + VipsError() + ")");
}

// The evaluated image as the picture's samples.
Failure Store(VipsImage* image, int32_t depth, hostsim::Image* target) {
  hostsim::Image result = hostsim::MakeImage(target->width, target->height, target->planes, depth);
  size_t bytes = 0;
  void* memory = vips_image_write_to_memory(image, &bytes);
  if (memory == nullptr || bytes != result.samples.size()) {
    g_free(memory);
    return VipsFailure("the image");
  }
  std::memcpy(result.samples.data(), memory, bytes);
  g_free(memory);
  *target = std::move(result);
  return {};
}

// Three bands from one, so gray takes the same road as RGB.
ImagePtr ThreeBands(VipsImage* image) {
  VipsImage* bands[3] = {image, image, image};
  VipsImage* out = nullptr;
  if (vips_bandjoin(bands, &out, 3, nullptr) != 0) return nullptr;
  return Wrap(out);
}

ImagePtr WithAlpha(ImagePtr colour, VipsImage* all, int32_t colours, bool alpha) {
  if (!alpha || colour == nullptr) return colour;
  VipsImage *alphaBand = nullptr, *joined = nullptr;
  if (vips_extract_band(all, &alphaBand, colours, nullptr) != 0) return nullptr;
  ImagePtr owned = Wrap(alphaBand);
  VipsImage* cast = nullptr;
  if (vips_cast(alphaBand, &cast, colour->BandFmt, nullptr) != 0) return nullptr;
  ImagePtr castOwned = Wrap(cast);
  if (vips_bandjoin2(colour.get(), cast, &joined, nullptr) != 0) return nullptr;
  return Wrap(joined);
}

}  // namespace

OptionSpec LinearOption() {
  return {"linear", 0, "", "filter linear light: from the file's ICC profile (or sRGB) to linear 16 bits and back"};
}

Failure ToLinearLight(Picture* picture) {
  FromHostRange(picture->image);
  int32_t colours = ColourChannels(*picture), depth = picture->image.depth;
  ImagePtr all = ViewOf(picture->image);
  VipsImage *colour = nullptr, *step = nullptr;
  if (all == nullptr || vips_extract_band(all.get(), &colour, 0, "n", colours, nullptr) != 0)
    return VipsFailure("the image");
  ImagePtr current = Wrap(colour);
  size_t profileLength = 0;
  if (const void* profile = ProfileOf(*picture, &profileLength)) {
    // Through sRGB at 16 bits: libvips converts sRGB to linear light exactly.
    vips_image_set_blob_copy(current.get(), VIPS_META_ICC_NAME, profile, profileLength);
    if (vips_icc_transform(current.get(), &step, "srgb", "embedded", TRUE, "depth", 16, nullptr) != 0)
      return VipsFailure("from the file's ICC profile");
    current = Wrap(step);
    depth = 16;
  } else if (colours == 1) {
    current = ThreeBands(current.get());
  }
  if (current == nullptr || vips_copy(current.get(), &step, "interpretation",
                                      depth == 16 ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB, nullptr) != 0)
    return VipsFailure("the image");
  current = Wrap(step);
  if (vips_colourspace(current.get(), &step, VIPS_INTERPRETATION_scRGB, nullptr) != 0)
    return VipsFailure("to linear light");
  current = Wrap(step);
  if (colours == 1) {
    if (vips_extract_band(current.get(), &step, 0, nullptr) != 0) return VipsFailure("the image");
    current = Wrap(step);
  }
  // The cast truncates: half a level first rounds to the nearest.
  if (vips_linear1(current.get(), &step, 65535.0, 0.5, nullptr) != 0) return VipsFailure("the image");
  current = Wrap(step);
  if (vips_cast_ushort(current.get(), &step, nullptr) != 0) return VipsFailure("the image");
  current = Wrap(step);
  // Alpha is not light: it is only widened to 16 bits.
  ImagePtr wideAlpha;
  if (picture->alpha && picture->image.depth == 8) {
    if (vips_linear1(all.get(), &step, 257.0, 0.0, nullptr) != 0) return VipsFailure("the alpha channel");
    wideAlpha = Wrap(step);
  }
  current = WithAlpha(std::move(current), wideAlpha != nullptr ? wideAlpha.get() : all.get(), colours, picture->alpha);
  if (current == nullptr) return VipsFailure("the alpha channel");
  if (Failure failure = Store(current.get(), 16, &picture->image)) return failure;
  ToHostRange(picture->image);
  return {};
}

Failure FromLinearLight(Picture* picture, int32_t depth) {
  int32_t colours = ColourChannels(*picture);
  ImagePtr all = ViewOf(picture->image);
  VipsImage *colour = nullptr, *step = nullptr;
  if (all == nullptr || vips_extract_band(all.get(), &colour, 0, "n", colours, nullptr) != 0)
    return VipsFailure("the result");
  ImagePtr current = Wrap(colour);
  if (vips_linear1(current.get(), &step, 1.0 / 65535.0, 0.0, nullptr) != 0) return VipsFailure("the result");
  ImagePtr scaled = Wrap(step);
  current = colours == 1 ? ThreeBands(scaled.get()) : std::move(scaled);
  if (current == nullptr || vips_copy(current.get(), &step, "interpretation", VIPS_INTERPRETATION_scRGB, nullptr) != 0)
    return VipsFailure("the result");
  current = Wrap(step);
  size_t profileLength = 0;
  const void* profile = ProfileOf(*picture, &profileLength);
  bool wide = depth == 16 || profile != nullptr;
  if (vips_colourspace(current.get(), &step, wide ? VIPS_INTERPRETATION_RGB16 : VIPS_INTERPRETATION_sRGB, nullptr) != 0)
    return VipsFailure("from linear light");
  current = Wrap(step);
  ProfileFile file;
  if (profile != nullptr) {
    if (!WriteProfileFile(profile, profileLength, &file)) return Fail(kExitOutput, "--linear: cannot write a temporary file");
    if (vips_icc_transform(current.get(), &step, file.path.c_str(), "input_profile", "srgb", "depth", depth, nullptr) != 0)
      return VipsFailure("to the file's ICC profile");
    current = Wrap(step);
  }
  if (colours == 1 && current->Bands == 3) {
    if (vips_extract_band(current.get(), &step, 0, nullptr) != 0) return VipsFailure("the result");
    current = Wrap(step);
  }
  if (vips_cast(current.get(), &step, depth == 16 ? VIPS_FORMAT_USHORT : VIPS_FORMAT_UCHAR, nullptr) != 0)
    return VipsFailure("the result");
  current = Wrap(step);
  // The alpha samples are put back from the file afterwards; any value holds the place.
  current = WithAlpha(std::move(current), all.get(), colours, picture->alpha);
  if (current == nullptr) return VipsFailure("the result");
  return Store(current.get(), depth, &picture->image);
}

Failure LinearPreviewToSrgb(Picture* preview) {
  hostsim::Image wide = hostsim::MakeImage(preview->image.width, preview->image.height, preview->image.planes, 16);
  for (size_t i = 0; i < preview->image.samples.size(); ++i) {
    uint16_t level = uint16_t(preview->image.samples[i] * 257);
    wide.samples[2 * i] = uint8_t(level);
    wide.samples[2 * i + 1] = uint8_t(level >> 8);
  }
  preview->image = std::move(wide);
  return FromLinearLight(preview, 8);
}
