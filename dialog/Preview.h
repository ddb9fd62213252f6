// The dialog's live preview: the visible part of the source image filtered
// with the working kernel, as a 5-5-5 bitmap.
#pragma once

#include <cstdint>

#include "contract/PluginApi.h"

struct ConvolutionKernel;
struct ImageStore;

// The image the dialog shows: the run's backing store and its size.
struct PreviewImage {
  ImageStore* store;
  int16_t width;
  int16_t height;
  int16_t colourPlanes;
};

// 16 bits per pixel: bit 15 zero, red in bits 10-14, green 5-9, blue 0-4.
constexpr uint16_t kPreviewWhite = 0x7FFF;

struct PreviewBitmap {
  int32_t width;    // the frame width rounded up to even
  int32_t height;
  uint16_t* pixels; // width * height, bottom row first; freed with DisposeBlock
};

// Fill the bitmap for the frame previewRect showing visibleRect of the image
// in the image's store. pixels is null (and the sizes 0) when an
// allocation failed or there is nothing to draw.
PreviewBitmap ComputePreview8(const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                              const ConvolutionKernel* kernel);
PreviewBitmap ComputePreview16(const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                               const ConvolutionKernel* kernel);

// Compute and put on the dialog's device context: an HDC on Windows, a
// PreviewSink (dialog/PreviewSink.h) elsewhere. A failed allocation draws
// nothing.
void DrawPreview8(void* deviceContext, const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                  const ConvolutionKernel* kernel);
void DrawPreview16(void* deviceContext, const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                   const ConvolutionKernel* kernel);
