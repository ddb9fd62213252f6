// The pixel work of a run, after its settings are stored and the image size
// checked: the plain pass or the two autoscale passes over the backing store.
#pragma once

#include <cstdint>

#include "contract/PluginApi.h"

struct ConvolutionKernel;
struct ImageStore;

// What the engine needs of a run: the image's size and colour planes, and
// the host's progress and abort callbacks (either may be null).
struct EngineJob {
  int16_t width;
  int16_t height;
  int16_t colourPlanes;
  ProgressProc progress;
  TestAbortProc testAbort;
};

// done = height + 4 * row of 6 * height: the engine's share of the host's bar.
void ReportEngineProgress(const EngineJob* job, int32_t row, int32_t height);
// An absent abort callback never aborts.
Boolean TestEngineAbort(const EngineJob* job);

// Convolves the store in place with the job's width, height and colour
// planes, in bands of rows on as many threads as ConvolveWorkers gives: the
// pixels, and every call the host sees (on its own thread), are the same
// for any number. 0; -128 when the user aborted; -108 when the ring could
// not be allocated (the image is then untouched).
int16_t ConvolveStore(ImageStore* store, const EngineJob* job, const ConvolutionKernel* kernel, bool sixteenBit);

// The threads a run of this size takes: one for small images, stores read
// through their file, or a single processor.
int32_t ConvolveWorkers(const ImageStore* store, int32_t width, int32_t height);
// For tests and benchmarks: this many workers whatever the size (0: chosen
// by size and processors again).
void SetConvolveWorkers(int32_t count);
