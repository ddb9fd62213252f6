// A file written in parts, closed once: what the writers that put rows
// straight into a file share.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

inline OutputFile OpenOutputFile(const std::string& path) { return OutputFile(std::fopen(path.c_str(), "wb")); }

inline bool Put(std::FILE* file, const void* data, size_t size) { return std::fwrite(data, 1, size, file) == size; }

// False when the last buffered bytes could not be written.
inline bool CloseOutputFile(OutputFile& file) { return file != nullptr && std::fclose(file.release()) == 0; }
