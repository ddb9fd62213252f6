// The pixel work of a run, after its settings are stored and the image size
// checked: the plain pass or the two autoscale passes over the backing store.
#pragma once

#include <cstdint>

struct ConvolutionKernel;
struct ImageStore;
struct JobRecord;

// Convolves the store in place with the job's width, height and colour
// planes. 0; -128 when the user aborted; -108 when the ring could not be
// allocated (the image is then untouched).
int16_t ConvolveStore(ImageStore* store, JobRecord* job, const ConvolutionKernel* kernel, bool sixteenBit);
