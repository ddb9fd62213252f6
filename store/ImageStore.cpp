#include "store/ImageStore.h"

#include <cstring>

#include "contract/BoundedText.h"
#include "contract/PluginApi.h"
#include "contract/ResultCodes.h"
#include "platform/Platform.h"
#include "store/FileLayer.h"
#include "store/FixedNames.h"
#include "store/StorePath.h"

static void PutHeader(uint8_t* header, const ImageStore& store) {
  const int16_t fields[3] = {store.bytesPerPixel, store.width, store.height};
  for (int i = 0; i < 3; ++i) {
    header[2 * i] = static_cast<uint8_t>(fields[i] & 0xFF);
    header[2 * i + 1] = static_cast<uint8_t>((fields[i] >> 8) & 0xFF);
  }
}

// Without a view the store is written through its file, row by row.
static int16_t FillStoreFile(ImageStore& store) {
  uint8_t header[kStoreHeaderBytes];
  PutHeader(header, store);
  int32_t count = kStoreHeaderBytes;
  FileWrite(store.fileHandle, &count, header);
  auto* zeros = static_cast<uint8_t*>(NewClearedBlock(static_cast<uint32_t>(store.rowBytes)));
  int16_t code = zeros == nullptr ? memFullErr : noErr;
  for (int16_t row = 0; code == noErr && row < store.height; ++row) {
    count = store.rowBytes;
    code = FileWrite(store.fileHandle, &count, zeros);
    if (code == noErr && count < store.rowBytes) code = dskFulErr;
  }
  DisposeBlock(zeros);
  if (code != noErr) {
    FileClose(store.fileHandle);
    store.fileHandle = kNoFile;
    FileDelete(store.path);
  }
  return code;
}

int16_t NewImageStore(const char* fixedName, uint8_t fileBacked, int16_t width, int16_t height,
                      int16_t bytesPerPixel, ImageStore** slot) {
  auto* store = static_cast<ImageStore*>(NewClearedBlock(sizeof(ImageStore)));
  *slot = store;
  if (store == nullptr) return memFullErr;
  CopyTextBounded(fixedName, store->path, kTextBufferSize);
  ResolveStorePath(store->path);
  FileDelete(store->path);

  store->bytesPerPixel = bytesPerPixel;
  store->width = width;
  store->height = height;
  store->fileBacked = fileBacked;
  store->pathEnd = 0;
  store->mapped = 1;
  store->rowBytes = int32_t{width} * int32_t{bytesPerPixel};
  // Negative dimensions give no rows rather than a huge unsigned size.
  int64_t rows = height > 0 && store->rowBytes > 0 ? height : 0;
  store->size = static_cast<uint64_t>(rows * store->rowBytes) + kStoreHeaderBytes;
  store->fileHandle = kNoFile;
  if (fileBacked) {
    FileCreate(store->path, kWorkFileCreator, kWorkFileType);
    int16_t code = FileOpen(store->path, &store->fileHandle);
    if (code != noErr) return code;
  }

  store->mappingHandle = PlatformCreateMapping(store->fileHandle, store->size);
  store->view = store->mappingHandle != 0 ? static_cast<uint8_t*>(PlatformMapView(store->mappingHandle, store->size))
                                          : nullptr;
  if (store->view != nullptr) {
    PutHeader(store->view, *store);
    ClearStore(store);
    return noErr;
  }
  if (store->mappingHandle != 0) PlatformCloseMapping(store->mappingHandle);
  store->mappingHandle = 0;
  store->mapped = 0;
  int16_t code = FillStoreFile(*store);
  // A paging-file store without a view has nowhere to go: the write to no
  // file fails, normally with -36; it never reports success.
  if (code == noErr && store->fileHandle == kNoFile) code = ioErr;
  return code;
}

int16_t NewBackingStore(int16_t width, int16_t height, int16_t bytesPerPixel, ImageStore** slot) {
  return NewImageStore(kBackingStoreFileName, 0, width, height, bytesPerPixel, slot);
}
int16_t NewOpacityStore(int16_t width, int16_t height, int16_t bytesPerPixel, ImageStore** slot) {
  return NewImageStore(kOpacityStoreFileName, 0, width, height, bytesPerPixel, slot);
}
int16_t NewMaskStore(int16_t width, int16_t height, int16_t bytesPerPixel, ImageStore** slot) {
  return NewImageStore(kMaskStoreFileName, 0, width, height, bytesPerPixel, slot);
}

void DisposeImageStore(ImageStore* store) {
  if (store == nullptr) return;
  if (store->mapped && store->view != nullptr) {
    PlatformFlushView(store->view, store->size);
    PlatformUnmapView(store->view, store->size);
    PlatformCloseMapping(store->mappingHandle);
  }
  if (store->fileHandle != kNoFile) FileClose(store->fileHandle);
  FileDelete(store->path);
  DisposeBlock(store);
}

void DisposeBackingStore(ImageStore* store) { DisposeImageStore(store); }
void DisposeOpacityStore(ImageStore* store) { DisposeImageStore(store); }
void DisposeMaskStore(ImageStore* store) { DisposeImageStore(store); }

// Clips a row copy to the store; false when nothing is to be copied. Rows
// outside the store are refused so that no copy leaves the mapped memory.
static bool ClipRowCopy(const ImageStore* store, int32_t x, int32_t row, int32_t* count, uint64_t* offset) {
  if (store == nullptr || x < 0 || row < 0 || row >= store->height || x >= store->rowBytes) return false;
  if (int64_t{x} + *count > store->rowBytes) *count = store->rowBytes - x;
  if (*count <= 0) return false;
  *offset = kStoreHeaderBytes + static_cast<uint64_t>(row) * static_cast<uint64_t>(store->rowBytes) +
            static_cast<uint64_t>(x);
  return true;
}

void ReadStoreRow(const ImageStore* store, int32_t x, int32_t row, int32_t count, void* destination) {
  uint64_t offset = 0;
  if (!ClipRowCopy(store, x, row, &count, &offset)) return;
  if (store->mapped) {
    std::memcpy(destination, store->view + offset, static_cast<size_t>(count));
  } else if (offset <= INT32_MAX && FileSeek(store->fileHandle, seekFromStart, static_cast<int32_t>(offset)) == noErr) {
    FileRead(store->fileHandle, &count, destination);
  }
}

void WriteStoreRow(ImageStore* store, int32_t x, int32_t row, int32_t count, const void* source) {
  uint64_t offset = 0;
  if (!ClipRowCopy(store, x, row, &count, &offset)) return;
  if (store->mapped) {
    std::memcpy(store->view + offset, source, static_cast<size_t>(count));
  } else if (offset <= INT32_MAX && FileSeek(store->fileHandle, seekFromStart, static_cast<int32_t>(offset)) == noErr) {
    FileWrite(store->fileHandle, &count, source);
  }
}

void ClearStore(ImageStore* store) {
  if (store->view != nullptr) std::memset(store->view + kStoreHeaderBytes, 0, static_cast<size_t>(store->size - kStoreHeaderBytes));
}
