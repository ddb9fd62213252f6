// Draws small values from the fuzzer's bytes; zeros once they run out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct ByteSource {
  const uint8_t* data;
  size_t size;

  uint8_t Byte() {
    if (size == 0) return 0;
    --size;
    return *data++;
  }
  uint16_t Word() { return uint16_t(Byte() | Byte() << 8); }
  uint32_t Long() { return uint32_t(Word()) | uint32_t(Word()) << 16; }
  double Double() {
    uint64_t bits = uint64_t(Long()) | uint64_t(Long()) << 32;
    double value;
    __builtin_memcpy(&value, &bits, sizeof value);
    return value;
  }
  std::string Text() {
    std::string text;
    for (size_t length = Word() % 700; length > 0 && size > 0; --length) text.push_back(char(Byte()));
    return text;
  }
};
