// The plug-in's state between selector calls, and the handlers of the
// parameters, prepare, start and finish selectors.
#pragma once

#include <cstdint>

#include "host/contract/Memory.h"
#include "host/contract/PluginApi.h"

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
  // What start saw of the host's record. The pump sizes its rows from the
  // record of each call, so a record that changes under a run ends the run.
  Rect16 runRect;
  int16_t runPlanes;
  int16_t runImageMode;
  uint8_t inCall;  // a selector is running: a host callback calling in again is refused
};

void InitGlobals(FilterGlobals& globals);
void HandleParameters(FilterGlobals& globals);
void HandlePrepare(FilterGlobals& globals);
void HandleStart(FilterGlobals& globals);
void HandleFinish(FilterGlobals& globals);
int16_t CallAdvanceState(FilterGlobals& globals);

// One step of the row pump (continue selector).
void HandleContinue(FilterGlobals& globals);

// Ends the run with `code`: everything the run holds is released, the state
// is Done and both rectangles are emptied, which ends the host's row pump.
void EndRun(FilterGlobals& globals, int16_t code);

// Sets a host rectangle to the single row `top` of the filter rectangle's columns.
void RequestRow(Rect16& rect, const Rect16& filterRect, int32_t top);
void EmptyRect(Rect16& rect);
