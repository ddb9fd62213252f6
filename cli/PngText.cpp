#include "cli/PngText.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

bool IsText(const char* type) {
  return std::memcmp(type, "tEXt", 4) == 0 || std::memcmp(type, "zTXt", 4) == 0 || std::memcmp(type, "iTXt", 4) == 0;
}

}  // namespace

InternationalText ReadInternationalText(const std::string& path) {
  constexpr long kSignatureBytes = 8;
  constexpr uint32_t kMaxChunk = 1u << 24;  // text beyond this libvips drops too
  InternationalText found;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (file == nullptr || std::fseek(file.get(), kSignatureBytes, SEEK_SET) != 0) return found;
  uint8_t head[8];
  for (int text = 0; std::fread(head, 1, 8, file.get()) == 8;) {
    uint32_t length = uint32_t(head[0]) << 24 | uint32_t(head[1]) << 16 | uint32_t(head[2]) << 8 | head[3];
    const char* type = reinterpret_cast<const char*>(head + 4);
    if (std::memcmp(type, "IEND", 4) == 0) break;
    if (std::memcmp(type, "iTXt", 4) == 0 && length <= kMaxChunk) {
      std::string chunk(reinterpret_cast<const char*>(head), 8);
      chunk.resize(8 + size_t(length) + 4);
      if (std::fread(chunk.data() + 8, 1, length + 4, file.get()) != length + 4) break;
      found.chunks += chunk;
      found.indices.push_back(text);
    } else if (std::fseek(file.get(), long(length) + 4, SEEK_CUR) != 0) {
      break;
    }
    if (IsText(type)) ++text;
  }
  return found;
}
