#include "cli/LosslessInput.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace {

constexpr size_t kRiffHeader = 12;  // "RIFF", the size, "WEBP"
constexpr size_t kChunkHeader = 8;  // the chunk's code and its little-endian size

uint32_t LittleEndian32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

bool Starts(const std::vector<uint8_t>& bytes, size_t at, const char* text) {
  for (size_t i = 0; text[i] != 0; ++i)
    if (at + i >= bytes.size() || bytes[at + i] != uint8_t(text[i])) return false;
  return true;
}

// Walks the RIFF chunks up to the first one that holds image data.
bool IsLosslessWebp(std::ifstream& in) {
  std::vector<uint8_t> chunk(kChunkHeader);
  in.seekg(std::streamoff(kRiffHeader));
  while (in.read(reinterpret_cast<char*>(chunk.data()), std::streamsize(kChunkHeader))) {
    if (Starts(chunk, 0, "VP8L")) return true;
    if (Starts(chunk, 0, "VP8 ")) return false;
    uint32_t size = LittleEndian32(chunk.data() + 4);
    in.seekg(std::streamoff(size + (size & 1)), std::ios::cur);  // chunks are padded to an even size
  }
  return false;
}

}  // namespace

bool IsLosslessInput(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> head(kRiffHeader);
  in.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
  head.resize(size_t(in.gcount()));
  if (Starts(head, 0, "RIFF") && Starts(head, 8, "WEBP")) return IsLosslessWebp(in);
  bool jpeg = head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
  bool heif = Starts(head, 4, "ftyp");
  return !jpeg && !heif;
}
