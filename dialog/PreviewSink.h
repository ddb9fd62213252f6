// Outside Windows the preview's device context is this record: each paint
// replaces the bitmap it keeps, so that whoever drives the dialog can show
// or save the last picture.
#pragma once

#include <cstdint>

#include "dialog/Preview.h"

struct PreviewSink {
  int16_t left, top;     // where the last bitmap was put, in dialog pixels
  PreviewBitmap bitmap;  // the last bitmap; pixels null before the first paint
  int32_t paints;        // bitmaps put so far
};

// Frees the kept bitmap and empties the record.
void ClearPreviewSink(PreviewSink* sink);
