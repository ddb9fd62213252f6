#include "tests/support/FilterRunSupport.h"

hostsim::Image Ramp(int32_t width, int32_t height, int32_t planes, int32_t depth) {
  hostsim::Image image = hostsim::MakeImage(width, height, planes, depth);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      for (int32_t p = 0; p < planes; ++p) {
        uint16_t value = uint16_t((x * 7 + y * 13 + p * 50) % 256);
        image.SetSample(x, y, p, depth == 16 ? uint16_t(value * 128) : value);
      }
  return image;
}

std::string IdentityKernelText() {
  std::string text;
  for (int i = 0; i < 49; ++i) text += i == 24 ? "1," : "0,";
  return text;
}

std::string StoredIdentityText() {
  std::string text;
  for (int i = 0; i < 49; ++i) text += i == 24 ? "1.0000," : "0.0,";
  return text;
}

hostsim::Descriptor Settings(const std::string& kernel, double scale, double offset, bool autoscale) {
  return {hostsim::TextEntry(FourCC("Krnl"), kernel), hostsim::DoubleEntry(FourCC("sCAL"), scale),
          hostsim::DoubleEntry(FourCC("oFST"), offset), hostsim::BooleanEntry(FourCC("AFlg"), autoscale)};
}

void PlayIdentity(hostsim::ScriptingHost& scripting) {
  scripting.Play(Settings(IdentityKernelText(), 1.0, 0.0, false), plugInDialogDontDisplay);
}

hostsim::Descriptor Recorded(const std::string& kernel, double scale, double offset, bool autoscale) {
  hostsim::Descriptor descriptor = Settings(kernel, scale, offset, autoscale);
  descriptor[0].textHandleSize = 514;
  return descriptor;
}

float PreferenceFloat(const std::vector<uint8_t>& file, uint32_t offset) {
  float value = 0;
  if (file.size() >= offset + 4) std::memcpy(&value, file.data() + offset, 4);  // little-endian on every target
  return value;
}

std::string PreferenceSlot(const std::vector<uint8_t>& file, int32_t slot) {
  size_t at = 1024 * size_t(slot + 1);
  if (file.size() < at + 1024) return "";
  const char* text = reinterpret_cast<const char*>(file.data() + at);
  return std::string(text, strnlen(text, 1024));
}

std::string LogText() {
  std::vector<uint8_t> bytes = ReadBytes(FixedPath("c:\\MORVlog.txt"));
  return std::string(bytes.begin(), bytes.end());
}

std::string Number(float value) {
  char text[16];
  FormatNumberText(value, text);
  return text;
}
