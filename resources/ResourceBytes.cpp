#include "resources/ResourceBytes.h"

void PutByte(ResourceBytes& bytes, uint8_t value) { bytes.push_back(value); }

void PutWord(ResourceBytes& bytes, uint16_t value) {
  PutByte(bytes, uint8_t(value));
  PutByte(bytes, uint8_t(value >> 8));
}

void PutLong(ResourceBytes& bytes, uint32_t value) {
  PutWord(bytes, uint16_t(value));
  PutWord(bytes, uint16_t(value >> 16));
}

void PutZeros(ResourceBytes& bytes, size_t count) { bytes.insert(bytes.end(), count, 0); }

void PutPrefixedText(ResourceBytes& bytes, std::string_view text) {
  PutByte(bytes, uint8_t(text.size()));
  bytes.insert(bytes.end(), text.begin(), text.end());
}

void PutWideText(ResourceBytes& bytes, std::string_view text) {
  for (char c : text) PutWord(bytes, uint8_t(c));
  PutWord(bytes, 0);
}

void PadTo(ResourceBytes& bytes, size_t alignment) {
  PutZeros(bytes, (alignment - bytes.size() % alignment) % alignment);
}
