// Writers that append one field to an open file, optionally followed by a
// tab and by CR LF.
#pragma once

#include <cstdint>

#include "store/FileLayer.h"

int16_t WriteFieldText(FileRef file, const char* text, bool tab, bool lineEnd);
int16_t WriteFieldCounted(FileRef file, const char* counted, bool tab, bool lineEnd);
int16_t WriteFieldLong(FileRef file, int32_t value, bool tab, bool lineEnd);
int16_t WriteFieldFloat(FileRef file, float value, bool tab, bool lineEnd);
// Length-prefixed text of the code's four characters, most significant first.
void KeyToCountedText(uint32_t key, char* buffer);
