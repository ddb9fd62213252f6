// The modal kernel dialog: a 7 x 7 grid, scale factor, add constant and
// autoscale switch over a live, scrollable preview.
#pragma once

#include <cstdint>

struct ConvolutionKernel;
struct PreviewImage;

// 0 when the user pressed OK (slots 0..51 of kernel replaced), -1 when the
// user cancelled or the dialog could not be shown. ownerWindow: the host's
// main window, or null.
int16_t RunKernelDialog(const PreviewImage* image, void* ownerWindow, ConvolutionKernel* kernel);
