// Any preferences file loads, saves back as 17408 bytes and leaks nothing.
#include <cstring>

#include "fuzz/PrivateHome.h"
#include "plugin/JobRecord.h"
#include "contract/Memory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  UsePrivateHome();
  WriteFixedFile("c:\\MORVpref.xxx", data, size);
  JobRecord job;
  std::memset(&job, 0, sizeof job);
  char name[] = "c:\\MORVpref.xxx";
  FileRef file = LoadPreferences(&job, name);
  for (int32_t slot = 0; slot < kStringSlotCount; ++slot) {
    const char* text = GetSlotText(&job, slot);
    if (text != nullptr && std::strlen(text) > 513) __builtin_trap();
  }
  SetSlotText(&job, 16, "slot sixteen is never saved");
  SavePreferences(&job, name, file);
  DisposeText(job.stringSlots[16]);
  return 0;
}
