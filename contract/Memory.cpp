#include "contract/Memory.h"

#include <cstring>

#include "contract/ResultCodes.h"
#include "platform/Platform.h"

int16_t lastMemError = noErr;
void* moduleInstance = nullptr;

static const uint32_t tagWord = kPluginHandleTag;

void* NewBlock(uint32_t size) { return PlatformAllocBlock(size); }

void* NewClearedBlock(uint32_t size) {
  void* block = NewBlock(size);
  if (block != nullptr && size != 0) std::memset(block, 0, size);
  return block;
}

void DisposeBlock(void* address) {
  if (address != nullptr) PlatformFreeBlock(address);
}

char* NewText(uint32_t size) { return static_cast<char*>(NewClearedBlock(size)); }

void DisposeText(char* text) {
  if (text == nullptr) return;
  text[0] = 0;
  DisposeBlock(text);
}

PluginHandle* NewPluginHandle(uint32_t size) {
  lastMemError = noErr;
  auto* handle = static_cast<PluginHandle*>(NewBlock(sizeof(PluginHandle)));
  if (handle == nullptr) {
    lastMemError = memFullErr;
    return nullptr;
  }
  handle->data = NewBlock(size);
  if (handle->data == nullptr) {
    DisposeBlock(handle);  // the two-word block would otherwise leak
    lastMemError = memFullErr;
    return nullptr;
  }
  handle->tag = tagWord;
  return handle;
}

void DisposePluginHandle(PluginHandle* handle) {
  lastMemError = noErr;
  if (handle == nullptr) {
    lastMemError = nilHandleErr;
    return;
  }
  DisposeBlock(handle->data);
  DisposeBlock(handle);
}
