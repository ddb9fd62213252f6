#include "text/LogFile.h"

#include <bit>

#include "contract/BoundedText.h"
#include "contract/Memory.h"
#include "params/ParamList.h"
#include "store/FixedNames.h"
#include "text/FieldWriters.h"

namespace {

constexpr bool kTab = true;
constexpr bool kLineEnd = true;

// Length-prefixed four characters of a code (count byte and characters).
void WriteCode(FileRef file, uint32_t code, bool tab) {
  char counted[5];
  KeyToCountedText(code, counted);
  WriteFieldCounted(file, counted, tab, false);
}

void WriteKey(FileRef file, const ParamList* list, int32_t index) {
  WriteFieldText(file, "Key = ", false, false);
  WriteCode(file, GetParamKey(list, index), kTab);
}

// A text is logged as at most its first 255 characters.
void WriteStringValue(FileRef file, const char* text) {
  WriteFieldText(file, "Value = ", false, false);
  if (text == nullptr) {
    WriteFieldText(file, "NULL", false, kLineEnd);
    return;
  }
  char counted[kTextBufferSize];
  CopyTextBounded(text, counted, kTextBufferSize);
  TerminatedToPrefixed(counted);
  WriteFieldCounted(file, counted, false, kLineEnd);
}

void WriteFloatLimits(FileRef file, const ParamList* list, int32_t index) {
  WriteFieldText(file, "Min = ", false, false);
  WriteFieldFloat(file, std::bit_cast<float>(GetParamMinimumBits(list, index)), kTab, false);
  WriteFieldText(file, "Max = ", false, false);
  WriteFieldFloat(file, std::bit_cast<float>(GetParamMaximumBits(list, index)), kTab, false);
  WriteFieldText(file, "Value = ", false, false);
  WriteFieldFloat(file, GetFloatParam(list, index), false, kLineEnd);
}

void WriteLongLimits(FileRef file, const ParamList* list, int32_t index) {
  WriteFieldText(file, "Min = ", false, false);
  WriteFieldLong(file, int32_t(GetParamMinimumBits(list, index)), kTab, false);
  WriteFieldText(file, "Max = ", false, false);
  WriteFieldLong(file, int32_t(GetParamMaximumBits(list, index)), kTab, false);
  WriteFieldText(file, "Value = ", false, false);
  WriteFieldLong(file, GetLongParam(list, index), false, kLineEnd);
}

}  // namespace

void LogParameter(const ParamList* list, int32_t index, FileRef file) {
  WriteFieldLong(file, index, false, false);
  WriteFieldText(file, ": ", false, false);
  uint32_t type = GetParamType(list, index);
  if (type == kStringType) {
    WriteFieldText(file, "Type = STRING", kTab, false);
    WriteKey(file, list, index);
    WriteStringValue(file, GetStringParam(list, index));
  } else if (type == kBoolType) {
    WriteFieldText(file, "Type = BOOLEAN", kTab, false);
    WriteKey(file, list, index);
    WriteFieldText(file, GetBoolParam(list, index) != 0 ? "Value = TRUE" : "Value = FALSE", false, kLineEnd);
  } else if (type == kFloatType) {
    WriteFieldText(file, "Type = FLOAT", kTab, false);
    WriteKey(file, list, index);
    WriteFloatLimits(file, list, index);
  } else {
    if (type == kLongType) {
      WriteFieldText(file, "Type = LONG", kTab, false);
    } else {
      WriteFieldText(file, "Type = RADIO/", false, false);
      WriteCode(file, type, kTab);
    }
    WriteKey(file, list, index);
    WriteLongLimits(file, list, index);
  }
}

int16_t LogRun(int16_t runResult, const ParamList* list) {
  int32_t count = GetInputCount(list);
  FileRef file = kNoFile;
  int32_t lineCount = 0;
  // The log's place is fixed: the store directory does not move it.
  int16_t result = OpenForAppend(kLogFileName, &file, &lineCount);
  if (result != 0) return result;
  WriteFieldText(file, "-----------------------------", false, kLineEnd);
  WriteFieldText(file, "Signature = ", false, false);
  WriteCode(file, GetSignature(list), kTab);
  WriteFieldText(file, GetNoWriteback(list) != 0 ? "No Writeback" : "WRITEBACK", kTab, false);
  WriteFieldText(file, GetNeedsMask(list) != 0 ? "NEEDS MASK IMAGE" : "No Mask Image", false, kLineEnd);
  if (count > 0) {
    WriteFieldText(file, "# Inputs = ", false, false);
    WriteFieldLong(file, count, false, kLineEnd);
    for (int32_t index = 0; index < count; ++index) LogParameter(list, index, file);
  }
  WriteFieldText(file, "Result = ", false, false);
  WriteFieldLong(file, runResult, false, kLineEnd);
  return FileClose(file);
}
