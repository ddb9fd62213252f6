// The one continue call that filters the whole stored image.
#pragma once

#include "host/FilterGlobals.h"

// Leaves the pump in WritingRows (success) or Done (failure, stores released).
void RunFilterStep(FilterGlobals& globals);
