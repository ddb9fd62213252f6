// Any text as a settings file: the reader and the playback check either
// refuse it with a message or accept it, and what they accept is written
// back in a form they read again to the same entries.
#include <string>

#include "cli/PlayableSettings.h"
#include "cli/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  RecordedSettings settings;
  Failure failure = ParseSettingsJson(text, "fuzz.json", &settings);
  if (failure) {
    if (failure.message.empty()) __builtin_trap();
    return 0;
  }
  Failure playable = CheckPlayable(settings, "fuzz.json");
  if (playable && playable.message.empty()) __builtin_trap();
  RecordedSettings again;
  if (ParseSettingsJson(FormatSettingsJson(settings), "again.json", &again)) __builtin_trap();
  if (again.descriptor.size() != settings.descriptor.size() || again.event != settings.event) __builtin_trap();
  for (size_t i = 0; i < settings.descriptor.size(); ++i)
    if (again.descriptor[i].key != settings.descriptor[i].key || again.descriptor[i].text != settings.descriptor[i].text)
      __builtin_trap();
  return 0;
}
