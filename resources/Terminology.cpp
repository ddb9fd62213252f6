#include "resources/Terminology.h"

#include <string>

constexpr bool FitsCountByte(const char* text) { return std::char_traits<char>::length(text) <= 255; }

constexpr bool AllTextsFitCountBytes() {
  for (const TerminologyParam& param : kTerminologyParams)
    if (!FitsCountByte(param.name)) return false;
  for (const TerminologyEnumeration& enumeration : kTerminologyEnumerations)
    for (const TerminologyItem& item : enumeration.items)
      if (!FitsCountByte(item.name)) return false;
  return true;
}
static_assert(AllTextsFitCountBytes());

constexpr size_t TextBytes(const char* text) { return 1 + std::char_traits<char>::length(text); }

// The length of the records that BuildTerminology writes.
constexpr size_t TerminologyRecordBytes() {
  size_t size = 10;                                                         // header
  size += TextBytes(kSuiteName) + TextBytes(kSuiteDescription) + 4 + 2 + 2 + 2;
  size += TextBytes(kEventName) + TextBytes(kEventDescription) + 4 + 4;     // event
  size += 4 + 1 + 2 + 4 + 1 + 2 + 2;                                        // reply, direct parameter, count
  for (const TerminologyParam& param : kTerminologyParams) size += TextBytes(param.name) + 4 + 4 + 1 + 2;
  size += 2 + 2 + 2;                                                        // classes, operators, enumerations
  for (const TerminologyEnumeration& enumeration : kTerminologyEnumerations) {
    size += 4 + 2;
    for (const TerminologyItem& item : enumeration.items) size += TextBytes(item.name) + 4 + 1;
  }
  return size;
}

// The records take one byte less than the length hosts know the resource
// by, because "µm" is one byte in the host's code page. A zero byte that no
// record reaches keeps the length, rather than a two-byte "µ" that hosts
// would show as two characters.
constexpr size_t kTerminologyPadBytes = kTerminologyBytes - TerminologyRecordBytes();
static_assert(kTerminologyPadBytes == 1);
static_assert(std::size(kTerminologyParams) == 222);
static_assert(std::size(kTerminologyEnumerations) == 33);

static void PutHeader(ResourceBytes& bytes) {
  PutWord(bytes, 1);
  PutByte(bytes, 1);  // terminology version 1.0
  PutByte(bytes, 0);
  PutWord(bytes, 0);  // language code
  PutWord(bytes, 0);  // script code
  PutWord(bytes, 1);  // suites
}

static void PutSuite(ResourceBytes& bytes) {
  PutPrefixedText(bytes, kSuiteName);
  PutPrefixedText(bytes, kSuiteDescription);
  PutLong(bytes, kSuiteCode);
  PutWord(bytes, kSuiteLevel);
  PutWord(bytes, kSuiteVersion);
  PutWord(bytes, 1);  // events
}

static void PutEvent(ResourceBytes& bytes) {
  PutPrefixedText(bytes, kEventName);
  PutPrefixedText(bytes, kEventDescription);
  PutLong(bytes, kEventClass);
  PutLong(bytes, kEventCode);
  PutLong(bytes, kReplyType);
  PutPrefixedText(bytes, "");
  PutWord(bytes, 0);
  PutLong(bytes, kDirectParamType);
  PutPrefixedText(bytes, "");
  PutWord(bytes, kDirectParamFlags);
  PutWord(bytes, uint16_t(std::size(kTerminologyParams)));
  for (const TerminologyParam& param : kTerminologyParams) {
    PutPrefixedText(bytes, param.name);
    PutLong(bytes, param.key);
    PutLong(bytes, param.type);
    PutPrefixedText(bytes, "");
    PutWord(bytes, IsEnumerationType(param.type) ? kEnumeratedParamFlags : 0);
  }
}

static void PutEnumerations(ResourceBytes& bytes) {
  PutWord(bytes, uint16_t(std::size(kTerminologyEnumerations)));
  for (const TerminologyEnumeration& enumeration : kTerminologyEnumerations) {
    PutLong(bytes, enumeration.code);
    PutWord(bytes, uint16_t(enumeration.items.size()));
    for (const TerminologyItem& item : enumeration.items) {
      PutPrefixedText(bytes, item.name);
      PutLong(bytes, item.code);
      PutPrefixedText(bytes, "");
    }
  }
}

ResourceBytes BuildTerminology() {
  ResourceBytes bytes;
  PutHeader(bytes);
  PutSuite(bytes);
  PutEvent(bytes);
  PutWord(bytes, 0);  // classes
  PutWord(bytes, 0);  // comparison operators
  PutEnumerations(bytes);
  PutZeros(bytes, kTerminologyPadBytes);
  return bytes;
}
