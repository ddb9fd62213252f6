// PNG's international text (iTXt: UTF-8 with a language tag and a translated
// keyword), which libvips reads as plain text and writes back as Latin-1.
#pragma once

#include <string>
#include <vector>

struct InternationalText {
  std::string chunks;        // the file's iTXt chunks, whole, in file order
  std::vector<int> indices;  // their places among all its text chunks, from 0
};

InternationalText ReadInternationalText(const std::string& path);
