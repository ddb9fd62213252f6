#include <cstring>

#include "dialog/Preview.h"
#include "dialog/PreviewSink.h"
#include "contract/Memory.h"

void ClearPreviewSink(PreviewSink* sink) {
  DisposeBlock(sink->bitmap.pixels);
  std::memset(sink, 0, sizeof(PreviewSink));
}

// The sink takes the bitmap over; without one, or without a bitmap, nothing
// changes.
static void PutPreview(void* deviceContext, const Rect16& previewRect, PreviewBitmap bitmap) {
  auto* sink = static_cast<PreviewSink*>(deviceContext);
  if (sink == nullptr || bitmap.pixels == nullptr) {
    DisposeBlock(bitmap.pixels);
    return;
  }
  DisposeBlock(sink->bitmap.pixels);
  sink->bitmap = bitmap;
  sink->left = previewRect.left;
  sink->top = previewRect.top;
  ++sink->paints;
}

void DrawPreview8(void* deviceContext, const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                  const ConvolutionKernel* kernel) {
  PutPreview(deviceContext, previewRect, ComputePreview8(previewRect, visibleRect, image, kernel));
}

void DrawPreview16(void* deviceContext, const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                   const ConvolutionKernel* kernel) {
  PutPreview(deviceContext, previewRect, ComputePreview16(previewRect, visibleRect, image, kernel));
}
