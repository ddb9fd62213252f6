#include "params/ScriptParams.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "contract/BoundedText.h"
#include "contract/Memory.h"
#include "contract/ResultCodes.h"
#include "resources/Terminology.h"
#include "params/ParamList.h"

namespace {

// A descriptor holds a handful of keys; a host whose getKeyProc never says
// "no more" must not hold the run forever.
constexpr int32_t kMaxDescriptorKeys = 4096;
// Narrowing a double at or beyond this magnitude gives an infinity.
constexpr double kSingleOverflow = 0x1.ffffffp127;

struct ReadContext {
  const ReadDescriptorProcs* procs;
  ReadToken token;
  const HandleProcs* handles;
  ParamList* list;
};

struct WriteContext {
  const WriteDescriptorProcs* procs;
  WriteToken token;
  const HandleProcs* handles;
  const ParamList* list;
};

bool InSignedRange(const ParamList* list, int32_t index, int32_t value) {
  return int32_t(GetParamMinimumBits(list, index)) <= value && value <= int32_t(GetParamMaximumBits(list, index));
}

bool InUnsignedRange(const ParamList* list, int32_t index, uint32_t value) {
  return GetParamMinimumBits(list, index) <= value && value <= GetParamMaximumBits(list, index);
}

float NarrowToSingle(double value) {
  if (value >= kSingleOverflow) return std::numeric_limits<float>::infinity();
  if (value <= -kSingleOverflow) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

void ReadTextEntry(const ReadContext& c, int32_t index) {
  // Without the handle suite the text's size is unknown and its handle could
  // not be disposed of: the text is not asked for.
  if (!HandleSuiteUsable(c.handles)) return;
  Handle text = nullptr;
  if (c.procs->getTextProc(c.token, &text) != noErr || text == nullptr) return;
  const char* data = *text;
  int32_t size = c.handles->getSizeProc(text);
  if (data != nullptr && size >= 0) {
    // A text without a zero byte ends with its handle.
    const void* zero = std::memchr(data, 0, size_t(size));
    uint32_t length = zero != nullptr ? uint32_t(static_cast<const char*>(zero) - data) : uint32_t(size);
    auto* copy = static_cast<char*>(NewBlock(length + 1));
    if (copy != nullptr) {
      std::memcpy(copy, data, length);
      SetStringParam(c.list, index, copy);
      DisposeBlock(copy);
    }
  }
  DisposeHostHandle(c.handles, text);
}

void ReadFloatEntry(const ReadContext& c, int32_t index) {
  double value = 0;
  if (c.procs->getFloatProc(c.token, &value) != noErr) return;
  float single = NarrowToSingle(value);
  float minimum = std::bit_cast<float>(GetParamMinimumBits(c.list, index));
  float maximum = std::bit_cast<float>(GetParamMaximumBits(c.list, index));
  if (minimum <= single && single <= maximum) SetFloatParam(c.list, index, single);  // a NaN fails both
}

void ReadBoolEntry(const ReadContext& c, int32_t index) {
  Boolean value = 0;
  if (c.procs->getBooleanProc(c.token, &value) != noErr) return;
  SetBoolParam(c.list, index, static_cast<int8_t>(value));
}

void ReadIntegerEntry(const ReadContext& c, int32_t index) {
  int32_t value = 0;
  if (c.procs->getIntegerProc(c.token, &value) != noErr) return;
  if (InSignedRange(c.list, index, value)) SetParamValueBits(c.list, index, uint32_t(value));
}

void ReadEnumeratedEntry(const ReadContext& c, int32_t index) {
  DescEnum value = 0;
  if (c.procs->getEnumeratedProc(c.token, &value) != noErr) return;
  if (InUnsignedRange(c.list, index, value)) SetParamValueBits(c.list, index, value);
}

// The entry's own type chooses the call; the type the host reports does not.
void ReadEntry(const ReadContext& c, int32_t index) {
  uint32_t type = GetParamType(c.list, index);
  if (type == kStringType)
    ReadTextEntry(c, index);
  else if (type == kBoolType)
    ReadBoolEntry(c, index);
  else if (type == kFloatType)
    ReadFloatEntry(c, index);
  else if (type == kLongType && GetParamKey(c.list, index) != kUnitsKey)
    ReadIntegerEntry(c, index);
  else if (type == kLongType || IsRadioType(type))
    ReadEnumeratedEntry(c, index);
}

void ReadDescriptorKeys(const ReadContext& c, int32_t count) {
  DescriptorKeyID key = 0;
  DescType type = 0;
  int32_t flags = 0;
  for (int32_t keys = 0; keys < kMaxDescriptorKeys && c.procs->getKeyProc(c.token, &key, &type, &flags); ++keys)
    for (int32_t index = 0; index < count; ++index)
      if (GetParamKey(c.list, index) == key) ReadEntry(c, index);
}

void WriteTextEntry(const WriteContext& c, int32_t index) {
  Handle handle = NewHostHandle(c.handles, int32_t(kTextBufferSize));
  if (handle == nullptr) return;  // the rest is still recorded
  // The text goes only into the bytes the host's handle really has.
  int32_t size = std::min(c.handles->getSizeProc(handle), int32_t(kTextBufferSize));
  if (*handle != nullptr && size > 0) {
    CopyTextBounded(GetStringParam(c.list, index), *handle, uint32_t(size));
    c.procs->putTextProc(c.token, GetParamKey(c.list, index), handle);
  }
  DisposeHostHandle(c.handles, handle);
}

void WriteEntry(const WriteContext& c, int32_t index) {
  uint32_t key = GetParamKey(c.list, index);
  uint32_t type = GetParamType(c.list, index);
  if (type == kStringType) {
    WriteTextEntry(c, index);
  } else if (type == kBoolType) {
    c.procs->putBooleanProc(c.token, key, Boolean(GetBoolParam(c.list, index)));
  } else if (type == kFloatType) {
    double value = GetFloatParam(c.list, index);
    c.procs->putFloatProc(c.token, key, &value);
  } else if (type == kLongType && key != kUnitsKey) {
    c.procs->putIntegerProc(c.token, key, GetLongParam(c.list, index));
  } else {
    DescType enumType = type == kLongType ? kUnitsType : type;
    c.procs->putEnumeratedProc(c.token, key, enumType, DescEnum(GetLongParam(c.list, index)));
  }
}

bool ReadProcsUsable(const ReadDescriptorProcs* procs) {
  return procs != nullptr && procs->readDescriptorProcsVersion >= 0 &&
         uint16_t(procs->numReadDescriptorProcs) >= 18 && procs->openReadDescriptorProc != nullptr &&
         procs->closeReadDescriptorProc != nullptr && procs->getKeyProc != nullptr &&
         procs->getIntegerProc != nullptr && procs->getFloatProc != nullptr && procs->getBooleanProc != nullptr &&
         procs->getTextProc != nullptr && procs->getEnumeratedProc != nullptr;
}

bool WriteProcsUsable(const WriteDescriptorProcs* procs) {
  return procs != nullptr && procs->writeDescriptorProcsVersion >= 0 &&
         uint16_t(procs->numWriteDescriptorProcs) >= 16 && procs->openWriteDescriptorProc != nullptr &&
         procs->closeWriteDescriptorProc != nullptr && procs->putIntegerProc != nullptr &&
         procs->putFloatProc != nullptr && procs->putBooleanProc != nullptr && procs->putTextProc != nullptr &&
         procs->putEnumeratedProc != nullptr;
}

}  // namespace

// Beyond the versions and counts, every proc this file calls must be there:
// a host that counts 18 procs but leaves one null would otherwise crash the run.
bool DescriptorSuiteUsable(const PIDescriptorParameters* parameters) {
  return parameters != nullptr && parameters->descriptorParametersVersion == 0 &&
         ReadProcsUsable(parameters->readDescriptorProcs) && WriteProcsUsable(parameters->writeDescriptorProcs);
}

bool HandleSuiteUsable(const HandleProcs* procs) {
  return procs != nullptr && procs->handleProcsVersion == 1 && procs->numHandleProcs >= 4 &&
         procs->newProc != nullptr && procs->disposeProc != nullptr && procs->getSizeProc != nullptr &&
         procs->setSizeProc != nullptr;
}

Handle NewHostHandle(const HandleProcs* procs, int32_t size) {
  return HandleSuiteUsable(procs) ? procs->newProc(size) : nullptr;
}

void DisposeHostHandle(const HandleProcs* procs, Handle handle) {
  if (HandleSuiteUsable(procs)) procs->disposeProc(handle);
}

bool HostWantsDialog(const PIDescriptorParameters* parameters) {
  return parameters == nullptr || parameters->playInfo == plugInDialogDisplay;
}

OSErr CloseDescriptorReader(PIDescriptorParameters* parameters, const HandleProcs* procs, ReadToken& token) {
  OSErr result = parameters->readDescriptorProcs->closeReadDescriptorProc(token);
  if (parameters->descriptor != nullptr) DisposeHostHandle(procs, parameters->descriptor);
  parameters->descriptor = nullptr;
  token = nullptr;
  return result;
}

OSErr CloseDescriptorWriter(PIDescriptorParameters* parameters, const HandleProcs* procs, WriteToken& token) {
  if (parameters->descriptor != nullptr) DisposeHostHandle(procs, parameters->descriptor);
  Handle descriptor = nullptr;
  parameters->writeDescriptorProcs->closeWriteDescriptorProc(token, &descriptor);
  parameters->descriptor = descriptor;
  parameters->recordInfo = plugInDialogOptional;
  token = nullptr;
  return noErr;
}

bool ReadScriptParams(const FilterRecord* record, ParamList* list) {
  PIDescriptorParameters* parameters = record->descriptorParameters;
  bool usable = DescriptorSuiteUsable(parameters);
  int32_t count = GetInputCount(list);
  if (count <= 0) return usable && !HostWantsDialog(parameters);

  DescriptorKeyID keys[kKeyArrayCodes] = {};
  for (int32_t index = 0; index < count && index < kKeyArrayCodes - 1; ++index) keys[index] = GetParamKey(list, index);
  if (!usable) return false;

  ReadContext c{parameters->readDescriptorProcs, nullptr, record->handleProcs, list};
  c.token = c.procs->openReadDescriptorProc(parameters->descriptor, keys);
  if (c.token == nullptr) return !HostWantsDialog(parameters);
  ReadDescriptorKeys(c, count);
  CloseDescriptorReader(parameters, c.handles, c.token);
  return !HostWantsDialog(parameters);
}

int16_t WriteScriptParams(const FilterRecord* record, const ParamList* list) {
  PIDescriptorParameters* parameters = record->descriptorParameters;
  int32_t count = GetInputCount(list);
  if (count <= 0 || !DescriptorSuiteUsable(parameters)) return noErr;
  WriteContext c{parameters->writeDescriptorProcs, nullptr, record->handleProcs, list};
  c.token = c.procs->openWriteDescriptorProc();
  if (c.token == nullptr) return noErr;
  for (int32_t index = 0; index < count; ++index) WriteEntry(c, index);
  CloseDescriptorWriter(parameters, c.handles, c.token);
  return noErr;
}
