// The convolution engines: apply the run's kernel to the whole backing
// store in place, after the kernel dialog.
#pragma once

#include <cstdint>

#include "host/Memory.h"

struct ImageStore;
struct JobRecord;
struct ParamList;

// 0, -128 (cancelled, too small, aborted) or -108 (out of memory).
int16_t Convolve8(ImageStore* backingStore, JobRecord* job, PluginHandle* filterHandle, ParamList* list,
                  bool suppressDialog);
int16_t Convolve16(ImageStore* backingStore, JobRecord* job, PluginHandle* filterHandle, ParamList* list,
                   bool suppressDialog);
