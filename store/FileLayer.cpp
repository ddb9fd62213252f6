#include "store/FileLayer.h"

#include "contract/Memory.h"
#include "contract/ResultCodes.h"
#include "platform/Platform.h"

int16_t FileOpen(const char* name, FileRef* file) {
  *file = PlatformOpenFile(name, OpenAccess::readWriteRandom);
  if (*file != kNoPlatformFile) return noErr;
  switch (PlatformLastError()) {
    case kPlatformNotFound: return fnfErr;
    case kPlatformAccessDenied:
      *file = PlatformOpenFile(name, OpenAccess::readSequential);
      return *file != kNoPlatformFile ? noErr : wrPermErr;
    case kPlatformPermissionRefused: return wrPermErr;
    case kPlatformInvalidArgument: return bdNamErr;
    case kPlatformTooManyOpen: return tmfoErr;
    default: return ioErr;
  }
}

int16_t FileRead(FileRef file, int32_t* count, void* buffer) {
  uint32_t done = 0;
  bool ok = *count > 0 ? PlatformReadFile(file, buffer, static_cast<uint32_t>(*count), &done) : true;
  *count = static_cast<int32_t>(done);
  return ok ? noErr : ioErr;
}

int16_t FileWrite(FileRef file, int32_t* count, const void* buffer) {
  uint32_t done = 0;
  bool ok = *count > 0 ? PlatformWriteFile(file, buffer, static_cast<uint32_t>(*count), &done) : true;
  *count = static_cast<int32_t>(done);
  if (ok) return noErr;
  return PlatformLastError() == kPlatformDiskFull ? dskFulErr : ioErr;
}

int16_t FileClose(FileRef file) { return PlatformCloseFile(file) ? noErr : rfNumErr; }

int16_t FileSeek(FileRef file, int16_t mode, int32_t offset) {
  if (mode == seekNone) return noErr;
  uint32_t method = mode == seekFromStart ? 0 : mode == seekFromEnd ? 2 : mode == seekFromCurrent ? 1
                                                                                                   : static_cast<uint16_t>(mode);
  if (PlatformSeekFile(file, offset, method)) return noErr;
  switch (PlatformLastError()) {
    case kPlatformBadHandle: return rfNumErr;
    case kPlatformInvalidArgument: return posErr;
    default: return noErr;
  }
}

int16_t FileCreate(const char* name, uint32_t, uint32_t) {
  switch (PlatformCreateFile(name)) {
    case kPlatformNotFound: return fnfErr;
    case kPlatformPermissionRefused: return opWrErr;
    case kPlatformTooManyOpen: return tmfoErr;
    default: return noErr;
  }
}

int16_t FileDelete(const char* name) {
  switch (PlatformRemoveFile(name)) {
    case kPlatformNotFound: return fnfErr;
    case kPlatformPermissionRefused: return fLckdErr;
    default: return noErr;
  }
}

int16_t OpenForAppend(const char* name, FileRef* file, int32_t* lineCount) {
  constexpr int32_t kChunk = 32768;
  *lineCount = 0;
  int16_t code = FileOpen(name, file);
  if (code != noErr) return code;
  auto* buffer = static_cast<uint8_t*>(NewClearedBlock(kChunk));
  int32_t lines = 0;
  for (int32_t count = kChunk; buffer != nullptr; ) {
    count = kChunk;
    if (FileRead(*file, &count, buffer) != noErr || count == 0) break;
    for (int32_t i = 0; i < count; ++i) lines += buffer[i] == 13;
  }
  DisposeBlock(buffer);
  *lineCount = lines;
  // Counting stops early when its buffer or a read fails; appending must
  // still start at the end.
  FileSeek(*file, seekFromEnd, 0);
  return noErr;
}
