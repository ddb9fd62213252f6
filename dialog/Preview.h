// The dialog's live preview: the visible part of the source image filtered
// with the working kernel, as a 5-5-5 bitmap.
#pragma once

#include <cstdint>

#include "host/PluginApi.h"

struct JobRecord;
struct ConvolutionKernel;

struct PreviewBitmap {
  int32_t width;    // the frame width rounded up to even
  int32_t height;
  uint16_t* pixels; // width * height, bottom row first; freed with DisposeBlock
};

// Fill the bitmap for the frame previewRect showing visibleRect of the image.
// pixels is null when an allocation failed.
PreviewBitmap ComputePreview8(const Rect16& previewRect, const Rect16& visibleRect, const JobRecord* job,
                              const ConvolutionKernel* kernel);
PreviewBitmap ComputePreview16(const Rect16& previewRect, const Rect16& visibleRect, const JobRecord* job,
                               const ConvolutionKernel* kernel);

// Compute and put on the dialog's device context (on POSIX: keep as the
// port's last bitmap).
void DrawPreview8(void* deviceContext, const Rect16& previewRect, const Rect16& visibleRect, const JobRecord* job,
                  const ConvolutionKernel* kernel);
void DrawPreview16(void* deviceContext, const Rect16& previewRect, const Rect16& visibleRect, const JobRecord* job,
                   const ConvolutionKernel* kernel);
