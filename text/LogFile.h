// The optional record of every run: switched on by creating "c:\MORVlog.txt",
// which is only ever appended to, never created.
#pragma once

#include <cstdint>

#include "store/FileLayer.h"

struct ParamList;

// Appends one record: the list's signature and flags, every parameter, the
// run's result. The file layer's result of opening (on failure) or closing.
int16_t LogRun(int16_t runResult, const ParamList* list);
// Writes the line of the entry at `index`.
void LogParameter(const ParamList* list, int32_t index, FileRef file);
