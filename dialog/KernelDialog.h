// The modal kernel dialog: a 7 x 7 grid, scale factor, add constant and
// autoscale switch over a live, scrollable preview.
#pragma once

#include <cstdint>

struct ImageStore;
struct JobRecord;
struct ConvolutionKernel;

// 0 when the user pressed OK (slots 0..51 of kernel replaced), -1 when the
// user cancelled or the dialog could not be shown.
int16_t RunKernelDialog(ImageStore* backingStore, JobRecord* job, ConvolutionKernel* kernel);
