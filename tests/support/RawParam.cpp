#include "tests/support/RawParam.h"

void PutParamWord(ParamList* list, int32_t word, uint32_t value) {
  auto* bytes = reinterpret_cast<uint8_t*>(list) + 4 * word;
  for (int i = 0; i < 4; ++i) bytes[i] = uint8_t(value >> (24 - 8 * i));
}

int32_t AddRawParam(ParamList* list, uint32_t key, uint32_t type, uint32_t minimum, uint32_t maximum,
                    uint32_t value) {
  int32_t index = GetInputCount(list);
  int32_t word = 6 * (2 + index);
  for (uint32_t field : {key, type, 1u, minimum, maximum, value}) PutParamWord(list, word++, field);
  PutParamWord(list, 3, uint32_t(index + 1));
  return index;
}
