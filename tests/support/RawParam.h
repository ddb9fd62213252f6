// Lays a parameter of any type into a ParamList block directly, for the
// entry types the filter never declares itself (long, units, radio): six
// big-endian words per slot from slot 2 on, the input count in word 3.
#pragma once

#include <cstdint>

#include "params/ParamList.h"

void PutParamWord(ParamList* list, int32_t word, uint32_t value);

int32_t AddRawParam(ParamList* list, uint32_t key, uint32_t type, uint32_t minimum, uint32_t maximum,
                    uint32_t value);
