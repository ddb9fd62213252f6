#include "host/FilterGlobals.h"

// Placeholder until the row pump lands: ends the run at once.
void HandleContinue(FilterGlobals& globals) {
  EmptyRect(globals.filterRecord->inRect);
  EmptyRect(globals.filterRecord->outRect);
}
