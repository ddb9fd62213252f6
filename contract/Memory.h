// Blocks of movable, zero-filled global memory, kept locked, and the
// plug-in's two-word handles. Every block of the module comes from here.
#pragma once

#include <cstdint>

// Text buffers hold at most 513 characters and a terminating zero.
constexpr uint32_t kTextBufferSize = 514;

void* NewBlock(uint32_t size);
void* NewClearedBlock(uint32_t size);
void DisposeBlock(void* address);
char* NewText(uint32_t size);
void DisposeText(char* text);

// Shaped like a host handle: one dereference reaches the data.
struct PluginHandle {
  void* data;
  uint32_t tag;
};

constexpr uint32_t kPluginHandleTag = 0x464F544F;  // 'FOTO'

PluginHandle* NewPluginHandle(uint32_t size);
void DisposePluginHandle(PluginHandle* handle);

// Status of the last NewPluginHandle or DisposePluginHandle.
extern int16_t lastMemError;

// The module's instance handle, which holds the dialog template.
extern void* moduleInstance;
