// The row pump: the image passes from the host into the stores one row per
// call, is filtered once, and goes back one row per call. Every change of
// the pump's state, and every way a run ends, is in RowPump.cpp:
//
//   Idle --start--> ReadingRows --last row stored--> Filtering
//        --filter step 0--> WritingRows --last row written--> Done
//
// A refused record, a failed allocation, a failed filter step or a record
// that changes under the run ends it at once (EndRun: all released, Done,
// rectangles emptied); finish releases what is left and leaves Done.
#pragma once

#include "plugin/FilterGlobals.h"

// Start: sizes the run from the host's record and asks for row 0; with
// advanceState, drives the whole pump itself.
void HandleStart(FilterGlobals& globals);
// One step of the pump (continue selector).
void HandleContinue(FilterGlobals& globals);
// Releases what the run holds; the pump is Done.
void HandleFinish(FilterGlobals& globals);
