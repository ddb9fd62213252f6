#include "params/ParamList.h"

#include <bit>
#include <cstring>

#include "contract/Memory.h"

// The list handed out is the block of big-endian slots. In front of it lies a
// native part the slots cannot hold: one text reference per slot (a 64-bit
// reference does not fit a 32-bit value word) and then the slot count.
//
//   [text reference 0 .. n-1][slot count][slot 0 .. n-1, 24 bytes each]
namespace {

constexpr uint32_t kSignatureWord = 5;
constexpr uint32_t kInputCountWord = 3;
constexpr uint32_t kReservedWord = 4;
constexpr uint32_t kNeedsMaskWord = 6;
constexpr uint32_t kNoWritebackWord = 7;
constexpr int32_t kHeaderSlots = 2;

enum EntryWord : uint32_t { keyWord = 0, typeWord = 1, oneWord = 2, minimumWord = 3, maximumWord = 4, valueWord = 5 };

uint8_t* SlotBytes(ParamList* list) { return reinterpret_cast<uint8_t*>(list); }
const uint8_t* SlotBytes(const ParamList* list) { return reinterpret_cast<const uint8_t*>(list); }

intptr_t& SlotCount(const ParamList* list) {
  return *reinterpret_cast<intptr_t*>(const_cast<uint8_t*>(SlotBytes(list)) - sizeof(intptr_t));
}

char** TextReferences(const ParamList* list) {
  return reinterpret_cast<char**>(&SlotCount(list)) - SlotCount(list);
}

// Composed byte by byte so that the order is big-endian on any processor.
uint32_t ReadWord(const ParamList* list, uint32_t word) {
  const uint8_t* p = SlotBytes(list) + 4 * word;
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

void WriteWord(ParamList* list, uint32_t word, uint32_t value) {
  uint8_t* p = SlotBytes(list) + 4 * word;
  p[0] = uint8_t(value >> 24);
  p[1] = uint8_t(value >> 16);
  p[2] = uint8_t(value >> 8);
  p[3] = uint8_t(value);
}

uint32_t EntryWordIndex(int32_t index, EntryWord field) {
  return (uint32_t(index) + kHeaderSlots) * (kParamSlotBytes / 4) + field;
}

uint32_t ReadEntry(const ParamList* list, int32_t index, EntryWord field) {
  return ReadWord(list, EntryWordIndex(index, field));
}

void WriteEntry(ParamList* list, int32_t index, EntryWord field, uint32_t value) {
  WriteWord(list, EntryWordIndex(index, field), value);
}

uint32_t Widen(int8_t flag) { return static_cast<uint32_t>(int32_t(flag)); }

char*& TextOf(const ParamList* list, int32_t index) { return TextReferences(list)[index + kHeaderSlots]; }

char* CopyWholeText(const char* text) {
  if (text == nullptr) return nullptr;
  size_t size = std::strlen(text) + 1;
  auto* copy = static_cast<char*>(NewClearedBlock(static_cast<uint32_t>(size)));
  if (copy != nullptr) std::memcpy(copy, text, size);
  return copy;
}

void DisposeEntryText(ParamList* list, int32_t index) {
  DisposeBlock(TextOf(list, index));
  TextOf(list, index) = nullptr;
}

int32_t AppendEntry(ParamList* list, uint32_t key, uint32_t type, uint32_t minimum, uint32_t maximum,
                    uint32_t value) {
  int32_t index = GetInputCount(list);
  WriteEntry(list, index, keyWord, key);
  WriteEntry(list, index, typeWord, type);
  WriteEntry(list, index, oneWord, 1);
  WriteEntry(list, index, minimumWord, minimum);
  WriteEntry(list, index, maximumWord, maximum);
  WriteEntry(list, index, valueWord, value);
  WriteWord(list, kInputCountWord, uint32_t(index + 1));
  return index;
}

}  // namespace

ParamList* NewParamList(int32_t slotCount) {
  if (slotCount < kHeaderSlots) return nullptr;
  uint32_t nativeBytes = (uint32_t(slotCount) + 1) * sizeof(intptr_t);
  auto* block = static_cast<uint8_t*>(NewClearedBlock(nativeBytes + uint32_t(slotCount) * kParamSlotBytes));
  if (block == nullptr) return nullptr;
  auto* list = reinterpret_cast<ParamList*>(block + nativeBytes);
  SlotCount(list) = slotCount;
  return list;
}

void DisposeParamList(ParamList* list) {
  if (list == nullptr) return;
  char** texts = TextReferences(list);
  for (intptr_t i = 0; i < SlotCount(list); ++i) DisposeBlock(texts[i]);
  DisposeBlock(texts);
}

void InitParamList(ParamList* list, uint32_t signature, int8_t needsMask, int8_t noWriteback) {
  // The entries start again at index 0; texts of the old ones would be lost.
  for (int32_t i = 0; i < GetInputCount(list); ++i) DisposeEntryText(list, i);
  WriteWord(list, kSignatureWord, signature);
  WriteWord(list, kInputCountWord, 0);
  WriteWord(list, kReservedWord, 0);
  WriteWord(list, kNeedsMaskWord, Widen(needsMask));
  WriteWord(list, kNoWritebackWord, Widen(noWriteback));
}

int32_t AddFloatParam(ParamList* list, uint32_t key, float minimum, float maximum, float value) {
  return AppendEntry(list, key, kFloatType, std::bit_cast<uint32_t>(minimum), std::bit_cast<uint32_t>(maximum),
                     std::bit_cast<uint32_t>(value));
}

int32_t AddBoolParam(ParamList* list, uint32_t key, int8_t value) {
  return AppendEntry(list, key, kBoolType, 0, 1, Widen(value));
}

int32_t AddStringParam(ParamList* list, uint32_t key, const char* text) {
  int32_t index = AppendEntry(list, key, kStringType, 0, 0, 0);
  DisposeEntryText(list, index);
  TextOf(list, index) = CopyWholeText(text);
  return index;
}

int32_t GetInputCount(const ParamList* list) { return static_cast<int32_t>(ReadWord(list, kInputCountWord)); }
uint32_t GetSignature(const ParamList* list) { return ReadWord(list, kSignatureWord); }
int32_t GetNeedsMask(const ParamList* list) { return static_cast<int32_t>(ReadWord(list, kNeedsMaskWord)); }
int32_t GetNoWriteback(const ParamList* list) { return static_cast<int32_t>(ReadWord(list, kNoWritebackWord)); }

uint32_t GetParamKey(const ParamList* list, int32_t index) { return ReadEntry(list, index, keyWord); }
uint32_t GetParamType(const ParamList* list, int32_t index) { return ReadEntry(list, index, typeWord); }
uint32_t GetParamMinimumBits(const ParamList* list, int32_t index) { return ReadEntry(list, index, minimumWord); }
uint32_t GetParamMaximumBits(const ParamList* list, int32_t index) { return ReadEntry(list, index, maximumWord); }
void SetParamValueBits(ParamList* list, int32_t index, uint32_t bits) { WriteEntry(list, index, valueWord, bits); }

int32_t GetLongParam(const ParamList* list, int32_t index) {
  return static_cast<int32_t>(ReadEntry(list, index, valueWord));
}

float GetFloatParam(const ParamList* list, int32_t index) {
  return std::bit_cast<float>(ReadEntry(list, index, valueWord));
}

int32_t GetBoolParam(const ParamList* list, int32_t index) { return ReadEntry(list, index, valueWord) != 0; }

const char* GetStringParam(const ParamList* list, int32_t index) { return TextOf(list, index); }

void SetFloatParam(ParamList* list, int32_t index, float value) {
  WriteEntry(list, index, valueWord, std::bit_cast<uint32_t>(value));
}

void SetBoolParam(ParamList* list, int32_t index, int8_t flag) { WriteEntry(list, index, valueWord, Widen(flag)); }

void SetStringParam(ParamList* list, int32_t index, const char* text) {
  // Copied before the old text goes: the caller may pass the entry's own text.
  char* copy = CopyWholeText(text);
  if (copy == nullptr && text != nullptr) return;  // out of memory: the entry keeps its text
  DisposeEntryText(list, index);
  TextOf(list, index) = copy;
}

uint32_t SwapLong(uint32_t pattern) {
  return pattern >> 24 | (pattern >> 8 & 0xFF00u) | (pattern << 8 & 0xFF0000u) | pattern << 24;
}

float SwapFloat(float pattern) { return std::bit_cast<float>(SwapLong(std::bit_cast<uint32_t>(pattern))); }
