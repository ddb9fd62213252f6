// Any kernel text parses without leaving its buffers and gives numbers (a
// field beyond the float range reads as infinity); the formatted form of
// values the five-digit form can carry is 49 comma-terminated fields.
#include <cmath>
#include <cstring>
#include <vector>

#include "filter/Kernel.h"
#include "filter/KernelText.h"
#include "contract/BoundedText.h"
#include "contract/Memory.h"
#include "text/NumberFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back(0);
  float values[kCoefficientCount];
  ParseKernelText(values, kCoefficientCount, text.data());
  bool carried = true;
  for (float value : values) {
    if (std::isnan(value)) __builtin_trap();
    carried = carried && std::fabs(value) < 100000;
  }

  // The text form keeps five digits: formatting what was read and reading it
  // again must reproduce the same text.
  char formatted[kTextBufferSize];
  FormatKernelText(values, kCoefficientCount, formatted, kTextBufferSize);
  size_t commas = 0, length = std::strlen(formatted);
  for (size_t i = 0; i < length; ++i) commas += formatted[i] == ',';
  if (carried && (commas != kCoefficientCount || formatted[length - 1] != ',')) __builtin_trap();

  // One field on its own, as the length-prefixed parser sees it.
  char field[257];
  size_t fieldLength = size < 255 ? size : 255;
  field[0] = static_cast<char>(fieldLength);
  std::memcpy(field + 1, data, fieldLength);
  if (std::isnan(ParseDecimal(field))) __builtin_trap();

  char number[16];
  float raw = 0;
  if (size >= 4) std::memcpy(&raw, data, 4);
  FormatNumberText(raw, number);
  if (std::strlen(number) > 13) __builtin_trap();
  return 0;
}
