#include "store/StorePath.h"

#include <cstring>

#include "contract/Memory.h"
#include "store/FileLayer.h"
#include "store/FixedNames.h"

void ResolveStorePath(char* path) {
  if (path == nullptr) return;
  FileRef file = kNoFile;
  if (FileOpen(kStorePathFileName, &file) != 0) return;
  char directory[kTextBufferSize];
  int32_t count = kTextBufferSize;
  int16_t code = FileRead(file, &count, directory);
  FileClose(file);
  if (code != 0) return;
  // The directory text is used exactly as read; a joined name that would not
  // fit the buffer is refused and the fixed name kept.
  size_t nameLength = std::strlen(path);
  const char* bareName = path + (nameLength < 3 ? nameLength : 3);
  size_t bareLength = std::strlen(bareName);
  if (static_cast<size_t>(count) + bareLength + 1 > kTextBufferSize) return;
  std::memmove(path + count, bareName, bareLength + 1);
  std::memcpy(path, directory, static_cast<size_t>(count));
}
