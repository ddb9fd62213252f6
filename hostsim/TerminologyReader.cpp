#include "hostsim/TerminologyReader.h"

#include "hostsim/ByteReader.h"

namespace hostsim {

static TerminologyParameterRecord ReadParameter(ByteReader& reader) {
  TerminologyParameterRecord parameter;
  parameter.name = ReadPrefixedText(reader);
  parameter.key = ReadLong(reader);
  parameter.type = ReadLong(reader);
  parameter.description = ReadPrefixedText(reader);
  parameter.flags = ReadWord(reader);
  return parameter;
}

static TerminologyEventRecord ReadEvent(ByteReader& reader) {
  TerminologyEventRecord event;
  event.name = ReadPrefixedText(reader);
  event.description = ReadPrefixedText(reader);
  event.classCode = ReadLong(reader);
  event.eventCode = ReadLong(reader);
  event.replyType = ReadLong(reader);
  event.replyDescription = ReadPrefixedText(reader);
  event.replyFlags = ReadWord(reader);
  event.directType = ReadLong(reader);
  event.directDescription = ReadPrefixedText(reader);
  event.directFlags = ReadWord(reader);
  const uint16_t count = ReadWord(reader);
  for (uint16_t i = 0; i < count && !reader.failed; ++i) event.parameters.push_back(ReadParameter(reader));
  return event;
}

static TerminologyEnumerationRecord ReadEnumeration(ByteReader& reader) {
  TerminologyEnumerationRecord enumeration;
  enumeration.code = ReadLong(reader);
  const uint16_t count = ReadWord(reader);
  for (uint16_t i = 0; i < count && !reader.failed; ++i) {
    TerminologyItemRecord item;
    item.name = ReadPrefixedText(reader);
    item.code = ReadLong(reader);
    item.description = ReadPrefixedText(reader);
    enumeration.items.push_back(std::move(item));
  }
  return enumeration;
}

// False with the reason in error when the suite cannot be read whole.
static bool ReadSuite(ByteReader& reader, TerminologySuiteRecord& suite, std::string& error) {
  suite.name = ReadPrefixedText(reader);
  suite.description = ReadPrefixedText(reader);
  suite.code = ReadLong(reader);
  suite.level = ReadWord(reader);
  suite.version = ReadWord(reader);
  const uint16_t eventCount = ReadWord(reader);
  for (uint16_t i = 0; i < eventCount && !reader.failed; ++i) suite.events.push_back(ReadEvent(reader));
  const uint16_t classCount = ReadWord(reader);
  const uint16_t operatorCount = ReadWord(reader);
  if (!reader.failed && (classCount != 0 || operatorCount != 0)) {
    error = "suite \"" + suite.name + "\" declares classes or comparison operators, which are not decoded";
    return false;
  }
  const uint16_t enumerationCount = ReadWord(reader);
  for (uint16_t i = 0; i < enumerationCount && !reader.failed; ++i)
    suite.enumerations.push_back(ReadEnumeration(reader));
  if (reader.failed) error = "suite \"" + suite.name + "\" is cut short";
  return !reader.failed;
}

TerminologyRecords DecodeTerminology(std::span<const uint8_t> bytes) {
  TerminologyRecords records;
  ByteReader reader{bytes};
  records.format = ReadWord(reader);
  records.majorVersion = ReadByte(reader);
  records.minorVersion = ReadByte(reader);
  records.language = ReadWord(reader);
  records.script = ReadWord(reader);
  const uint16_t suiteCount = ReadWord(reader);
  if (reader.failed) {
    records.error = "the terminology header is cut short";
    return records;
  }
  records.recordBytes = reader.at;
  for (uint16_t i = 0; i < suiteCount; ++i) {
    TerminologySuiteRecord suite;
    if (!ReadSuite(reader, suite, records.error)) return records;
    records.suites.push_back(std::move(suite));
    records.recordBytes = reader.at;
  }
  return records;
}

}  // namespace hostsim
