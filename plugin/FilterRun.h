// The one continue call that filters the whole stored image.
#pragma once

#include "plugin/FilterGlobals.h"

// Filters the whole stored image in place: 0, or the code that ends the run.
int16_t RunFilterStep(FilterGlobals& globals);

struct ImageStore;
struct JobRecord;
struct ParamList;

// Kernel, dialog (unless suppressed), stored settings, then the engine over
// the backing store. 0, -128 (cancelled, too small, aborted) or -108.
int16_t RunConvolution(ImageStore* backingStore, JobRecord* job, ParamList* list, bool suppressDialog,
                       bool sixteenBit);
