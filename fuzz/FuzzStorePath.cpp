// Any store directory file: the resolved name stays inside its buffer and
// terminated, and stores made under it work or fail cleanly.
#include <cstring>
#include <initializer_list>

#include "fuzz/PrivateHome.h"
#include "contract/Memory.h"
#include "store/ImageStore.h"
#include "store/StorePath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UsePrivateHome();
  WriteFixedFile("c:\\MORVPath.TXT", data, size);
  for (const char* name : {"c:\\MORVpref.xxx", "c:\\BackingS.xxx", "c:"}) {
    char path[kTextBufferSize + 16];
    std::memset(path, 0x55, sizeof path);
    std::strcpy(path, name);
    ResolveStorePath(path);
    if (std::memchr(path, 0, kTextBufferSize) == nullptr) __builtin_trap();
    for (size_t i = kTextBufferSize; i < sizeof path; ++i)
      if (path[i] != 0x55) __builtin_trap();
  }
  ImageStore* store = nullptr;
  NewBackingStore(3, 2, 1, &store);
  uint8_t row[3] = {1, 2, 3};
  WriteStoreRow(store, 0, 1, 3, row);
  ReadStoreRow(store, 0, 1, 3, row);
  DisposeImageStore(store);
  RemoveFixedFile("c:\\MORVPath.TXT");
  return 0;
}
