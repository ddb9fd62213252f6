#include "plugin/JobRecord.h"
#include "contract/BoundedText.h"
#include "contract/Memory.h"
#include "contract/ResultCodes.h"

namespace {

constexpr int32_t kSlotAreaBytes = 1024;
constexpr int32_t kSlotReadBytes = 800;

static_assert(kSlotAreaBytes * (kSavedSlotCount + 1) == kPreferencesFileBytes);
static_assert(kPreferenceBlockBytes <= uint32_t(kSlotAreaBytes));

FileRef CreatePreferencesFile(const char* name) {
  FileDelete(name);
  FileCreate(name, kWorkFileCreator, kWorkFileType);
  FileRef file = kNoFile;
  return FileOpen(name, &file) == noErr ? file : kNoFile;
}

int32_t SlotOffset(int32_t slot) { return kSlotAreaBytes * (slot + 1); }

void LoadSlots(JobRecord* job, FileRef file) {
  for (int32_t slot = 0; slot < kSavedSlotCount; ++slot) {
    if (FileSeek(file, seekFromStart, SlotOffset(slot)) != noErr) continue;
    // Reading fewer bytes than the buffer holds keeps a terminator in it.
    char buffer[kSlotAreaBytes] = {};
    int32_t count = kSlotReadBytes;
    if (FileRead(file, &count, buffer) == noErr && buffer[0] != 0) SetSlotText(job, slot, buffer);
  }
}

void WritePreferences(JobRecord* job, FileRef file) {
  static const char zeros[kSlotAreaBytes] = {};
  FileSeek(file, seekFromStart, 0);
  int32_t count = kPreferenceBlockBytes;
  FileWrite(file, &count, job->preferenceBlock);
  count = kSlotAreaBytes - count;
  FileWrite(file, &count, zeros);
  for (int32_t slot = 0; slot < kSavedSlotCount; ++slot) {
    char buffer[kSlotAreaBytes] = {};
    if (job->stringSlots[slot] != nullptr) CopyTextBounded(job->stringSlots[slot], buffer, kTextBufferSize);
    count = kSlotAreaBytes;
    FileWrite(file, &count, buffer);
  }
}

}  // namespace

FileRef LoadPreferences(JobRecord* job, const char* name) {
  FileRef file = kNoFile;
  if (FileOpen(name, &file) != noErr) return CreatePreferencesFile(name);
  int32_t count = kPreferenceBlockBytes;
  FileRead(file, &count, job->preferenceBlock);
  if (count == int32_t(kPreferenceBlockBytes)) LoadSlots(job, file);
  return file;
}

void SavePreferences(JobRecord* job, const char* name, FileRef file) {
  if (file == kNoFile) file = CreatePreferencesFile(name);
  if (file != kNoFile) {
    WritePreferences(job, file);
    FileClose(file);
  }
  // Every slot's text goes, saved or not: nothing else releases them.
  for (char*& text : job->stringSlots) {
    DisposeText(text);
    text = nullptr;
  }
}
