// The settings the plug-in hands to the host's scripting after a run, kept
// as a JSON file so that one recorded run can be played back on other files:
//
//   { "format": "tarkel-settings", "version": 1, "event": "CsKr",
//     "recordInfo": 0,
//     "descriptor": [ { "key": "Krnl", "type": "TEXT", "value": "0.0,..." },
//                     { "key": "sCAL", "type": "doub", "value": 1.0 }, ... ] }
//
// Types: "TEXT" (string), "doub" (number), "long" (integer), "bool"
// (true/false), "enum" (integer value plus "enumType"). Codes are four
// characters ("0x00000001" when not printable); texts are single bytes,
// written as \u00XX above 127.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/Failure.h"
#include "hostsim/Descriptor.h"

struct RecordedSettings {
  uint32_t event = 0;
  int16_t recordInfo = 0;
  hostsim::Descriptor descriptor;
};

std::string FormatSettingsJson(const RecordedSettings& settings);
// A settings file may replace only a settings file: refuses when path names
// anything else that exists (a photo given to --record by mistake).
Failure CheckReplaceableSettings(const std::string& path);
// name is used in messages.
Failure ParseSettingsJson(const std::string& text, const std::string& name, RecordedSettings* settings);
