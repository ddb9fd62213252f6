// The record of one filtering call: sizes, stores, the host's record, the
// 800-byte preference block and seventeen string slots. The block and slots
// 0..15 persist in the preferences file "c:\MORVpref.xxx".
#pragma once

#include <cstdint>

#include "contract/PluginApi.h"
#include "store/FileLayer.h"

struct ImageStore;

constexpr uint32_t kPreferenceBlockBytes = 800;
constexpr int32_t kStringSlotCount = 17;
constexpr int32_t kSavedSlotCount = 16;
constexpr uint32_t kPreferencesFileBytes = 17408;
// Where the recorded settings lie in the block and the slots is declared
// with each setting (filter/RecordedSettings.h).

struct JobRecord {
  int16_t width;
  int16_t height;
  int16_t colourPlanes;
  int32_t extraPlanes;
  ImageStore* opacityStore;
  FilterRecord* hostRecord;
  uint8_t preferenceBlock[kPreferenceBlockBytes];
  ImageStore* maskStore;
  char* stringSlots[kStringSlotCount];  // null or 514-byte texts
  int32_t filterLeft;
  int32_t filterTop;
};

const char* GetSlotText(const JobRecord* job, int32_t slot);
void SetSlotText(JobRecord* job, int32_t slot, const char* text);

// Returns the open file kept for the save, or kNoFile.
FileRef LoadPreferences(JobRecord* job, const char* name);
void SavePreferences(JobRecord* job, const char* name, FileRef file);

// Reads and writes the little-endian floats of the preference block.
float GetPreferenceFloat(const JobRecord* job, uint32_t offset);
void SetPreferenceFloat(JobRecord* job, uint32_t offset, float value);
