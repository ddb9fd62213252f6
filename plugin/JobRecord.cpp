#include "plugin/JobRecord.h"

#include <bit>

#include "contract/BoundedText.h"
#include "contract/Memory.h"

static bool IsSlot(int32_t slot) { return slot >= 0 && slot < kStringSlotCount; }

const char* GetSlotText(const JobRecord* job, int32_t slot) { return IsSlot(slot) ? job->stringSlots[slot] : nullptr; }

void SetSlotText(JobRecord* job, int32_t slot, const char* text) {
  if (!IsSlot(slot)) return;
  // The copy is made before the old text goes: text may be the slot's own.
  char* copy = NewText(kTextBufferSize);
  if (copy != nullptr) CopyTextBounded(text, copy, kTextBufferSize);
  DisposeText(job->stringSlots[slot]);
  job->stringSlots[slot] = copy;
}

float GetPreferenceFloat(const JobRecord* job, uint32_t offset) {
  const uint8_t* p = job->preferenceBlock + offset;
  uint32_t bits = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return std::bit_cast<float>(bits);
}

void SetPreferenceFloat(JobRecord* job, uint32_t offset, float value) {
  auto bits = std::bit_cast<uint32_t>(value);
  uint8_t* p = job->preferenceBlock + offset;
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(bits >> (8 * i));
}
