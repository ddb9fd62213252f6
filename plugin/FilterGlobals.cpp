#include "plugin/FilterGlobals.h"

#include <cstring>

#include "contract/Memory.h"
#include "contract/ResultCodes.h"

void InitGlobals(FilterGlobals& globals) {
  std::memset(&globals, 0, sizeof globals);
  globals.state = PumpState::Idle;
  globals.maskAllSelected = 0xFF;
}

void HandleParameters(FilterGlobals& globals) {
  FilterRecord& record = *globals.filterRecord;
  if (record.parameters == nullptr) {
    PluginHandle* block = NewPluginHandle(4);
    if (block == nullptr) {
      globals.result = memFullErr;
      return;
    }
    record.parameters = reinterpret_cast<Handle>(block);
    static_cast<int16_t*>(block->data)[0] = 50;
  }
  // A host's handle without data has nowhere to take the word.
  if (*record.parameters != nullptr) reinterpret_cast<int16_t*>(*record.parameters)[1] = 1;
  globals.parametersRequested = 1;
}

void HandlePrepare(FilterGlobals& globals) { globals.filterRecord->bufferSpace = 8192; }
