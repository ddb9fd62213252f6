// One plane set of the whole filter rectangle in memory mapped from the
// paging file: a six-byte header (bytesPerPixel, width, height, 16-bit
// little-endian) and then the rows.
#pragma once

#include <cstdint>

#include "contract/Memory.h"

constexpr uint32_t kStoreHeaderBytes = 6;

struct ImageStore {
  int32_t fileHandle;      // -1 when the store lives in the paging file
  intptr_t mappingHandle;
  int32_t rowBytes;        // width * bytesPerPixel
  uint8_t fileBacked;
  uint8_t mapped;          // 0 once the store fell back to file reads and writes
  int16_t bytesPerPixel;
  int16_t width;
  int16_t height;
  // 64-bit: rowBytes * height + 6 passes 4 GiB for large 16-bit images.
  uint64_t size;
  uint8_t* view;
  char path[kTextBufferSize];
  uint8_t pathEnd;
};

int16_t NewImageStore(const char* fixedName, uint8_t fileBacked, int16_t width, int16_t height,
                      int16_t bytesPerPixel, ImageStore** slot);
int16_t NewBackingStore(int16_t width, int16_t height, int16_t bytesPerPixel, ImageStore** slot);
int16_t NewOpacityStore(int16_t width, int16_t height, int16_t bytesPerPixel, ImageStore** slot);
int16_t NewMaskStore(int16_t width, int16_t height, int16_t bytesPerPixel, ImageStore** slot);

void DisposeImageStore(ImageStore* store);
void DisposeBackingStore(ImageStore* store);
void DisposeOpacityStore(ImageStore* store);
void DisposeMaskStore(ImageStore* store);

// x: byte offset within the row. Out-of-range parts are clipped or skipped.
void ReadStoreRow(const ImageStore* store, int32_t x, int32_t row, int32_t count, void* destination);
void WriteStoreRow(ImageStore* store, int32_t x, int32_t row, int32_t count, const void* source);
void ClearStore(ImageStore* store);
