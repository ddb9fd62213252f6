// Files by name or by open handle, reporting classic Mac OS File Manager
// result codes.
#pragma once

#include <cstdint>

#include "contract/PluginApi.h"

// The creator and type the plug-in gives the files it makes.
constexpr uint32_t kWorkFileCreator = FourCC("CREA");
constexpr uint32_t kWorkFileType = FourCC("TYPE");

using FileRef = int32_t;
constexpr FileRef kNoFile = -1;

// Origins for FileSeek.
enum SeekMode : int16_t { seekNone = 0, seekFromStart = 1, seekFromEnd = 2, seekFromCurrent = 3 };

int16_t FileOpen(const char* name, FileRef* file);
int16_t FileRead(FileRef file, int32_t* count, void* buffer);
int16_t FileWrite(FileRef file, int32_t* count, const void* buffer);
int16_t FileClose(FileRef file);
int16_t FileSeek(FileRef file, int16_t mode, int32_t offset);
int16_t FileCreate(const char* name, uint32_t creator, uint32_t fileType);
int16_t FileDelete(const char* name);
int16_t OpenForAppend(const char* name, FileRef* file, int32_t* lineCount);
