#include "cli/LosslessInput.h"

#include <cstdint>
#include <fstream>
#include <vector>

#include "cli/FileHead.h"

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
  std::string head = ReadFileHead(path, kRiffHeader);
  if (head.compare(0, 4, "RIFF") == 0 && head.compare(8, 4, "WEBP") == 0) {
    std::ifstream in(path, std::ios::binary);
    return IsLosslessWebp(in);
  }
  bool jpeg = head.compare(0, 3, "\xff\xd8\xff") == 0;
  return !jpeg && !IsHeifHead(head);
}
