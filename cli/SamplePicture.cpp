#include "cli/SamplePicture.h"

#include <algorithm>
#include <cmath>

namespace {

struct Colour {
  double r, g, b;
};

Colour Mix(Colour a, Colour b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

// 0 outside, 1 inside, a soft edge of about a pixel and a half.
double Soft(double distanceInside, double pixel) { return std::clamp(0.5 + distanceInside / (1.5 * pixel), 0.0, 1.0); }

// u, v in 0..1 across the picture; pixel is one pixel in those units (of the height).
Colour Scene(double u, double v, double aspect, double pixel) {
  Colour colour = Mix({0.35, 0.55, 0.85}, {0.85, 0.9, 0.95}, v / 0.6);  // sky
  double sunDistance = std::hypot((u - 0.72) * aspect, v - 0.22);
  colour = Mix(colour, {1.0, 0.85, 0.35}, Soft(0.12 - sunDistance, pixel));
  double hill = 0.62 + 0.06 * std::sin(u * aspect * 7.0) + 0.03 * std::sin(u * aspect * 19.0 + 1.0);
  // Grass: a fine, soft texture a few pixels across.
  double blades = 0.05 * std::sin(u * aspect / pixel * 0.9) * std::sin(v / pixel * 1.3 + u * 40.0);
  Colour grass = Mix({0.25, 0.55, 0.2}, {0.1, 0.3, 0.1}, std::clamp((v - hill) / 0.38 + blades, 0.0, 1.0));
  colour = Mix(colour, grass, Soft(v - hill, pixel));
  // A checkerboard panel on the left and fine rings on the right show edges and detail.
  double px = (u - 0.08) * aspect, py = v - 0.45;
  if (px >= 0 && px < 0.3 && py >= 0 && py < 0.3) {
    bool dark = (int(px / 0.05) + int(py / 0.05)) % 2 == 0;
    colour = dark ? Colour{0.12, 0.12, 0.15} : Colour{0.92, 0.92, 0.88};
  }
  double ringDistance = std::hypot((u - 0.55) * aspect, v - 0.78);
  if (ringDistance < 0.16) {
    double ring = 0.5 + 0.5 * std::cos(ringDistance * ringDistance * 3000.0);
    colour = Mix(colour, {0.95 * ring, 0.7 * ring, 0.3 + 0.6 * ring}, Soft(0.16 - ringDistance, pixel));
  }
  return colour;
}

uint16_t Quantise(double value, int32_t depth) {
  double top = depth == 16 ? 65535.0 : 255.0;
  return uint16_t(std::lround(std::clamp(value, 0.0, 1.0) * top));
}

}  // namespace

Picture MakeSamplePicture(int32_t width, int32_t height, int32_t channels, bool alpha, int32_t depth) {
  Picture picture;
  picture.alpha = alpha;
  picture.image = hostsim::MakeImage(width, height, channels + (alpha ? 1 : 0), depth);
  double aspect = double(width) / height, pixel = 1.0 / height;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      double u = (x + 0.5) / width, v = (y + 0.5) / height;
      Colour c = Scene(u, v, aspect, pixel);
      if (channels == 1) {
        picture.image.SetSample(x, y, 0, Quantise(0.3 * c.r + 0.59 * c.g + 0.11 * c.b, depth));
      } else {
        picture.image.SetSample(x, y, 0, Quantise(c.r, depth));
        picture.image.SetSample(x, y, 1, Quantise(c.g, depth));
        picture.image.SetSample(x, y, 2, Quantise(c.b, depth));
      }
      if (alpha)
        picture.image.SetSample(x, y, channels, Quantise(1.6 - 1.2 * std::hypot(u - 0.5, v - 0.5) * 2.0, depth));
    }
  return picture;
}
