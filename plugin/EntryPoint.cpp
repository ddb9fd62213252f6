// The one function the host calls, once per selector.
#include <cstring>

#include "plugin/FilterGlobals.h"
#include "plugin/RowPump.h"
#include "contract/ResultCodes.h"

#if defined(_WIN32)
#define TK_EXPORT __declspec(dllexport)
#else
#define TK_EXPORT __attribute__((visibility("default")))
#endif

static void Dispatch(int16_t selector, FilterGlobals& globals) {
  switch (selector) {
    case filterSelectorAbout: break;
    case filterSelectorParameters: HandleParameters(globals); break;
    case filterSelectorPrepare: HandlePrepare(globals); break;
    case filterSelectorStart: HandleStart(globals); break;
    case filterSelectorContinue: HandleContinue(globals); break;
    case filterSelectorFinish: HandleFinish(globals); break;
    default: globals.result = filterBadParameters; break;
  }
}

// The record lives as long as the host keeps the data slot; nothing frees it.
static PluginHandle* NewGlobalsHandle(const FilterGlobals& fresh) {
  PluginHandle* block = NewPluginHandle(sizeof(FilterGlobals));
  if (block != nullptr) std::memcpy(block->data, &fresh, sizeof fresh);
  return block;
}

extern "C" TK_EXPORT void TK_CDECL ENTRYPOINT(int16_t selector, FilterRecord* filterRecord, intptr_t* data,
                                              int16_t* result) {
  if (data == nullptr || result == nullptr) {  // nowhere to keep state or to answer
    if (result != nullptr) *result = filterBadParameters;
    return;
  }
  if (*data == 0) {
    FilterGlobals fresh;
    InitGlobals(fresh);
    PluginHandle* block = NewGlobalsHandle(fresh);
    if (block == nullptr) {
      *result = memFullErr;
      return;
    }
    *data = reinterpret_cast<intptr_t>(block);
  }
  auto* block = reinterpret_cast<PluginHandle*>(*data);
  auto* stored = static_cast<FilterGlobals*>(block->data);
  // A host callback that calls in again would work on state that the call
  // in progress is about to overwrite.
  if (stored->inCall != 0) {
    *result = filterBadParameters;
    return;
  }
  FilterGlobals globals;
  std::memcpy(&globals, stored, sizeof globals);
  stored->inCall = 1;
  globals.filterRecord = filterRecord;
  globals.result = noErr;
  // Every selector but about and finish works on the host's record.
  if (filterRecord == nullptr && selector >= filterSelectorParameters && selector <= filterSelectorContinue)
    globals.result = filterBadParameters;
  else
    Dispatch(selector, globals);
  *result = globals.result;
  globals.inCall = 0;
  std::memcpy(stored, &globals, sizeof globals);
}
