#include "text/FieldWriters.h"

#include <cstring>

#include "contract/ResultCodes.h"
#include "text/NumberFormat.h"

namespace {

constexpr uint32_t kNumberTextBytes = 14;

int16_t WriteRaw(FileRef file, const char* bytes, int32_t count) { return FileWrite(file, &count, bytes); }

// The characters, then the tab and the line end, each only while all went well.
int16_t WriteField(FileRef file, const char* characters, int32_t count, bool tab, bool lineEnd) {
  int16_t result = WriteRaw(file, characters, count);
  if (result == noErr && tab) result = WriteRaw(file, "\t", 1);
  if (result == noErr && lineEnd) result = WriteRaw(file, "\r\n", 2);
  return result;
}

}  // namespace

int16_t WriteFieldText(FileRef file, const char* text, bool tab, bool lineEnd) {
  if (text == nullptr) text = "";
  return WriteField(file, text, static_cast<int32_t>(std::strlen(text)), tab, lineEnd);
}

int16_t WriteFieldCounted(FileRef file, const char* counted, bool tab, bool lineEnd) {
  return WriteField(file, counted + 1, static_cast<uint8_t>(counted[0]), tab, lineEnd);
}

int16_t WriteFieldLong(FileRef file, int32_t value, bool tab, bool lineEnd) {
  char digits[12];
  int32_t start = sizeof digits;
  // Unsigned, so that the most negative value has a magnitude too.
  uint32_t magnitude = value < 0 ? 0u - uint32_t(value) : uint32_t(value);
  do {
    digits[--start] = char('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[--start] = '-';
  return WriteField(file, digits + start, int32_t(sizeof digits) - start, tab, lineEnd);
}

int16_t WriteFieldFloat(FileRef file, float value, bool tab, bool lineEnd) {
  char text[kNumberTextBytes];
  FormatNumberText(value, text);
  return WriteFieldText(file, text, tab, lineEnd);
}

void KeyToCountedText(uint32_t key, char* buffer) {
  buffer[0] = 4;
  for (int i = 0; i < 4; ++i) buffer[1 + i] = static_cast<char>(key >> (24 - 8 * i));
}
