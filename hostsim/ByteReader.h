// Bounds-checked reading of little-endian records from untrusted bytes. A
// read past the end marks the reader failed and yields zeros, so a decoder
// checks once, at the end of a record, instead of after every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace hostsim {

struct ByteReader {
  std::span<const uint8_t> bytes;
  size_t at = 0;  // may be set anywhere, even past the end
  bool failed = false;
};

// True when count more bytes can be read; marks the reader failed if not.
bool CanRead(ByteReader& reader, size_t count);
uint8_t ReadByte(ByteReader& reader);
uint16_t ReadWord(ByteReader& reader);
uint32_t ReadLong(ByteReader& reader);
std::span<const uint8_t> ReadBytes(ByteReader& reader, size_t count);
// A count byte, then that many characters.
std::string ReadPrefixedText(ByteReader& reader);
// 16-bit characters up to a zero character; those outside ASCII become '?'.
std::string ReadWideText(ByteReader& reader);
// Moves to the next multiple of alignment from the start of the bytes.
void SkipToAlignment(ByteReader& reader, size_t alignment);

}  // namespace hostsim
