// Decodes a scripting terminology resource: little-endian numbers and
// length-prefixed texts that follow each other without padding.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace hostsim {

struct TerminologyParameterRecord {
  std::string name;
  uint32_t key = 0;
  uint32_t type = 0;
  std::string description;
  uint16_t flags = 0;
};

struct TerminologyEventRecord {
  std::string name;
  std::string description;
  uint32_t classCode = 0;
  uint32_t eventCode = 0;
  uint32_t replyType = 0;
  std::string replyDescription;
  uint16_t replyFlags = 0;
  uint32_t directType = 0;
  std::string directDescription;
  uint16_t directFlags = 0;
  std::vector<TerminologyParameterRecord> parameters;
};

struct TerminologyItemRecord {
  std::string name;  // in the host's single-byte code page
  uint32_t code = 0;
  std::string description;
};

struct TerminologyEnumerationRecord {
  uint32_t code = 0;
  std::vector<TerminologyItemRecord> items;
};

struct TerminologySuiteRecord {
  std::string name;
  std::string description;
  uint32_t code = 0;
  uint16_t level = 0;
  uint16_t version = 0;
  std::vector<TerminologyEventRecord> events;
  std::vector<TerminologyEnumerationRecord> enumerations;
};

struct TerminologyRecords {
  uint16_t format = 0;
  uint8_t majorVersion = 0;
  uint8_t minorVersion = 0;
  uint16_t language = 0;
  uint16_t script = 0;
  std::vector<TerminologySuiteRecord> suites;
  size_t recordBytes = 0;  // where the last record ends
  std::string error;       // empty when every record was read
};

// Suites that declare classes or comparison operators are not decoded:
// the error says so and the suites before them are kept.
TerminologyRecords DecodeTerminology(std::span<const uint8_t> bytes);

}  // namespace hostsim
