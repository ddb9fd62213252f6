// Decodes a module's plug-in properties into their records, and the data
// of the properties a host interprets.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hostsim {

struct PropertyRecord {
  uint32_t vendor = 0;
  uint32_t key = 0;
  uint32_t id = 0;
  std::vector<uint8_t> data;  // the stated length, without the padding
};

struct PluginPropertyRecords {
  uint16_t format = 0;
  uint32_t version = 0;
  uint32_t statedCount = 0;
  std::vector<PropertyRecord> properties;  // in stored order
  size_t recordBytes = 0;                  // where the last record ends
  std::string error;                       // empty when every stated record was read
};

PluginPropertyRecords DecodePluginProperties(std::span<const uint8_t> bytes);
// The first property with this key, or null.
const PropertyRecord* FindProperty(const PluginPropertyRecords& records, uint32_t key);

// A count byte and that many characters (menu name and category).
std::optional<std::string> PropertyPrefixedText(const PropertyRecord& property);
// Characters up to a zero byte (entry point names).
std::optional<std::string> PropertyTerminatedText(const PropertyRecord& property);
std::optional<uint32_t> PropertyLong(const PropertyRecord& property);

struct TerminologyLink {
  uint32_t version = 0;
  uint32_t classCode = 0;
  uint32_t eventCode = 0;
  uint16_t terminologyId = 0;
  std::string scope;
};
std::optional<TerminologyLink> DecodeTerminologyLink(const PropertyRecord& property);

struct FilterCaseRecord {
  uint8_t inputHandling = 0;
  uint8_t outputHandling = 0;
  uint8_t flags1 = 0;
  uint8_t flags2 = 0;
};
// One record per four bytes of the filter cases property.
std::vector<FilterCaseRecord> DecodeFilterCases(const PropertyRecord& property);

}  // namespace hostsim
