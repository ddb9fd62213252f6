// The host's rows carry every plane of a pixel together; the stores keep the
// colour planes and the extra planes apart.
#pragma once

#include <cstdint>

#include "plugin/PumpQuantities.h"

// Moves each pixel's extra samples, densely packed, into `extra` and packs the
// colour samples to the front of `row`.
void SplitRow(uint8_t* row, uint8_t* extra, const PumpQuantities& q);
// The reverse: the extra samples go back behind each pixel's colour samples.
void MergeRow(uint8_t* row, const uint8_t* extra, const PumpQuantities& q);
