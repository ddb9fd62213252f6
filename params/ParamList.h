// The typed parameter list of a run: a flat block of 24-byte slots whose
// numbers are held big-endian on every processor. Slots 0 and 1 are the
// header; parameter i lives in slot 2 + i.
#pragma once

#include <cstdint>

#include "resources/Terminology.h"

struct ParamList;  // opaque: every access goes through the accessors

constexpr uint32_t kParamSlotBytes = 24;
constexpr int32_t kRunParamSlots = 22;  // a run's list: at most 20 parameters

// Entry type codes: the scripting's own types, and a text type of the list's.
constexpr uint32_t kFloatType = kDoubleType;
constexpr uint32_t kLongType = kLongIntegerType;
constexpr uint32_t kBoolType = kBooleanType;
constexpr uint32_t kStringType = FourCC("Pth ");

ParamList* NewParamList(int32_t slotCount);
// Frees the block and the texts of its string entries.
void DisposeParamList(ParamList* list);
void InitParamList(ParamList* list, uint32_t signature, int8_t needsMask, int8_t noWriteback);

int32_t AddFloatParam(ParamList* list, uint32_t key, float minimum, float maximum, float value);
int32_t AddBoolParam(ParamList* list, uint32_t key, int8_t value);
int32_t AddStringParam(ParamList* list, uint32_t key, const char* text);

int32_t GetInputCount(const ParamList* list);
uint32_t GetSignature(const ParamList* list);
int32_t GetNeedsMask(const ParamList* list);
int32_t GetNoWriteback(const ParamList* list);

// Any entry's key, type code and the raw 32-bit patterns of its limits and
// value (a float's bits for 'doub').
uint32_t GetParamKey(const ParamList* list, int32_t index);
uint32_t GetParamType(const ParamList* list, int32_t index);
uint32_t GetParamMinimumBits(const ParamList* list, int32_t index);
uint32_t GetParamMaximumBits(const ParamList* list, int32_t index);
void SetParamValueBits(ParamList* list, int32_t index, uint32_t bits);

int32_t GetLongParam(const ParamList* list, int32_t index);
float GetFloatParam(const ParamList* list, int32_t index);
int32_t GetBoolParam(const ParamList* list, int32_t index);
const char* GetStringParam(const ParamList* list, int32_t index);
void SetFloatParam(ParamList* list, int32_t index, float value);
void SetBoolParam(ParamList* list, int32_t index, int8_t flag);
void SetStringParam(ParamList* list, int32_t index, const char* text);

uint32_t SwapLong(uint32_t pattern);
float SwapFloat(float pattern);
