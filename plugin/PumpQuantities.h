// What every pump call derives from the host's record and the globals.
#pragma once

#include <cstdint>

#include "plugin/FilterGlobals.h"

struct PumpQuantities {
  int32_t bytesPerSample;  // 1 or 2
  int32_t width;
  int32_t height;
  int32_t planes;
  int32_t colourPlanes;    // 3 for the RGB modes, else 1
  int32_t extraPlanes;     // the planes behind the colour planes
  int32_t row;             // the row this call deals with
};

PumpQuantities GetPumpQuantities(const FilterGlobals& globals);

// False for a record whose rectangle or planes the stores cannot hold (an
// empty or oversized rectangle, an RGB mode with fewer than three planes):
// such a run is refused before any host row is read with a wrong length.
bool IsPumpable(const PumpQuantities& q);
