// Decodes a standard (not extended) dialog template.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "hostsim/PeResources.h"

namespace hostsim {

constexpr uint32_t kDialogSetFont = 0x40;

struct DialogControlRecord {
  uint32_t style = 0;
  uint32_t extendedStyle = 0;
  int16_t x = 0, y = 0, width = 0, height = 0;
  uint16_t id = 0;
  ResourceName controlClass;  // a number for the standard classes
  ResourceName text;          // a number for a resource reference
  std::vector<uint8_t> creationData;
};

struct DialogTemplateRecords {
  uint32_t style = 0;
  uint32_t extendedStyle = 0;
  uint16_t statedCount = 0;
  int16_t x = 0, y = 0, width = 0, height = 0;
  ResourceName menu;         // the empty text for none
  ResourceName windowClass;  // the empty text for the standard dialog class
  std::string title;
  uint16_t fontPoints = 0;   // with kDialogSetFont only
  std::string fontName;
  std::vector<DialogControlRecord> controls;  // in template order
  size_t recordBytes = 0;    // where the last control ends
  std::string error;         // empty when every stated control was read
};

DialogTemplateRecords DecodeDialogTemplate(std::span<const uint8_t> bytes);

}  // namespace hostsim
