#include "hostsim/PluginPropertiesReader.h"

#include <algorithm>

#include "hostsim/ByteReader.h"

namespace hostsim {

PluginPropertyRecords DecodePluginProperties(std::span<const uint8_t> bytes) {
  PluginPropertyRecords records;
  ByteReader reader{bytes};
  records.format = ReadWord(reader);
  records.version = ReadLong(reader);
  records.statedCount = ReadLong(reader);
  if (reader.failed) {
    records.error = "the properties header is cut short";
    return records;
  }
  for (uint32_t i = 0; i < records.statedCount; ++i) {
    PropertyRecord property;
    property.vendor = ReadLong(reader);
    property.key = ReadLong(reader);
    property.id = ReadLong(reader);
    const uint32_t length = ReadLong(reader);
    std::span<const uint8_t> data = ReadBytes(reader, length);
    property.data.assign(data.begin(), data.end());
    ReadBytes(reader, (4 - length % 4) % 4);
    if (reader.failed) {
      records.error = "property " + std::to_string(i + 1) + " of " + std::to_string(records.statedCount) +
                      " is cut short";
      return records;
    }
    records.properties.push_back(std::move(property));
    records.recordBytes = reader.at;
  }
  return records;
}

const PropertyRecord* FindProperty(const PluginPropertyRecords& records, uint32_t key) {
  auto found = std::find_if(records.properties.begin(), records.properties.end(),
                            [key](const PropertyRecord& property) { return property.key == key; });
  return found == records.properties.end() ? nullptr : &*found;
}

std::optional<std::string> PropertyPrefixedText(const PropertyRecord& property) {
  ByteReader reader{property.data};
  std::string text = ReadPrefixedText(reader);
  if (reader.failed) return std::nullopt;
  return text;
}

static std::optional<std::string> TerminatedText(std::span<const uint8_t> bytes) {
  auto end = std::find(bytes.begin(), bytes.end(), 0);
  if (end == bytes.end()) return std::nullopt;
  return std::string(bytes.begin(), end);
}

std::optional<std::string> PropertyTerminatedText(const PropertyRecord& property) {
  return TerminatedText(property.data);
}

std::optional<uint32_t> PropertyLong(const PropertyRecord& property) {
  ByteReader reader{property.data};
  const uint32_t value = ReadLong(reader);
  if (reader.failed) return std::nullopt;
  return value;
}

std::optional<TerminologyLink> DecodeTerminologyLink(const PropertyRecord& property) {
  ByteReader reader{property.data};
  TerminologyLink link;
  link.version = ReadLong(reader);
  link.classCode = ReadLong(reader);
  link.eventCode = ReadLong(reader);
  link.terminologyId = ReadWord(reader);
  if (reader.failed) return std::nullopt;
  std::optional<std::string> text = TerminatedText(reader.bytes.subspan(reader.at));
  if (!text) return std::nullopt;
  link.scope = *text;
  return link;
}

std::vector<FilterCaseRecord> DecodeFilterCases(const PropertyRecord& property) {
  std::vector<FilterCaseRecord> cases;
  for (size_t at = 0; at + 4 <= property.data.size(); at += 4)
    cases.push_back({property.data[at], property.data[at + 1], property.data[at + 2], property.data[at + 3]});
  return cases;
}

}  // namespace hostsim
