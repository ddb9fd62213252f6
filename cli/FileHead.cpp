#include "cli/FileHead.h"

#include <cstdio>

std::string ReadFileHead(const std::string& path, size_t count) {
  std::string head(count, '\0');
  std::FILE* file = std::fopen(path.c_str(), "rb");
  head.resize(file != nullptr ? std::fread(head.data(), 1, count, file) : 0);
  if (file != nullptr) std::fclose(file);
  return head;
}

bool IsHeifHead(const std::string& head) { return head.size() >= 8 && head.compare(4, 4, "ftyp") == 0; }
