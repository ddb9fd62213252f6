// The plug-in's state between selector calls, and the handlers of the
// parameters, prepare, start and finish selectors.
#pragma once

#include <cstdint>

#include "host/Memory.h"
#include "host/PluginApi.h"

struct ImageStore;

enum PumpState : uint16_t { Idle = 0, ReadingRows = 1, Filtering = 2, WritingRows = 3, Done = 4 };

struct FilterGlobals {
  uint16_t state;
  int16_t result;
  ImageStore* backingStore;
  PluginHandle* filterHandle;
  FilterRecord* filterRecord;
  void* rowBuffer;
  ImageStore* opacityStore;
  ImageStore* maskStore;
  uint8_t useMask;
  uint8_t parametersRequested;
  int32_t filterLeft;
  int32_t filterTop;
  uint8_t maskAllSelected;
  int16_t sampleDepth;
};

void InitGlobals(FilterGlobals& globals);
void HandleParameters(FilterGlobals& globals);
void HandlePrepare(FilterGlobals& globals);
void HandleStart(FilterGlobals& globals);
void HandleFinish(FilterGlobals& globals);
int16_t CallAdvanceState(FilterGlobals& globals);

// One step of the row pump (continue selector).
void HandleContinue(FilterGlobals& globals);

// Sets a host rectangle to the single row `top` of the filter rectangle's columns.
void RequestRow(Rect16& rect, const Rect16& filterRect, int32_t top);
void EmptyRect(Rect16& rect);
