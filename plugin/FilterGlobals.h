// The plug-in's state between selector calls, and the handlers of the
// parameters and prepare selectors. The row pump (RowPump.h) owns `state`.
#pragma once

#include <cstdint>

#include "contract/Memory.h"
#include "contract/PluginApi.h"

struct ImageStore;

enum class PumpState : uint16_t { Idle = 0, ReadingRows = 1, Filtering = 2, WritingRows = 3, Done = 4 };

struct FilterGlobals {
  PumpState state;
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
