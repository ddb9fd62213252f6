#include "hostsim/ByteReader.h"

namespace hostsim {

bool CanRead(ByteReader& reader, size_t count) {
  const size_t size = reader.bytes.size();
  if (reader.failed || reader.at > size || count > size - reader.at) reader.failed = true;
  return !reader.failed;
}

uint8_t ReadByte(ByteReader& reader) { return CanRead(reader, 1) ? reader.bytes[reader.at++] : 0; }

uint16_t ReadWord(ByteReader& reader) {
  const uint16_t low = ReadByte(reader);
  return uint16_t(low | (ReadByte(reader) << 8));
}

uint32_t ReadLong(ByteReader& reader) {
  const uint32_t low = ReadWord(reader);
  return low | (uint32_t(ReadWord(reader)) << 16);
}

std::span<const uint8_t> ReadBytes(ByteReader& reader, size_t count) {
  if (!CanRead(reader, count)) return {};
  std::span<const uint8_t> read = reader.bytes.subspan(reader.at, count);
  reader.at += count;
  return read;
}

std::string ReadPrefixedText(ByteReader& reader) {
  std::span<const uint8_t> characters = ReadBytes(reader, ReadByte(reader));
  return std::string(characters.begin(), characters.end());
}

std::string ReadWideText(ByteReader& reader) {
  std::string text;
  for (uint16_t c = ReadWord(reader); c != 0 && !reader.failed; c = ReadWord(reader))
    text += c < 0x80 ? char(c) : '?';
  return text;
}

void SkipToAlignment(ByteReader& reader, size_t alignment) {
  const size_t skip = (alignment - reader.at % alignment) % alignment;
  if (CanRead(reader, skip)) reader.at += skip;
}

}  // namespace hostsim
