// The job record's text slots and preference floats, and the preferences
// file: what a run finds in the block and slots for every shape of file, and
// the file a save leaves.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "filter/RecordedSettings.h"
#include "plugin/JobRecord.h"
#include "contract/Memory.h"
#include "tests/support/TestSupport.h"

namespace {

const char* const kPrefName = "c:\\MORVpref.xxx";

void DisposeSlots(JobRecord& job) {
  for (char*& text : job.stringSlots) {
    DisposeText(text);
    text = nullptr;
  }
}

TEST(JobSlots, SetCopiesBoundedAndIgnoresOtherNumbers) {
  JobRecord job{};
  SetSlotText(&job, 17, "x");
  SetSlotText(&job, -1, "x");
  EXPECT_EQ(GetSlotText(&job, 17), nullptr);
  EXPECT_EQ(GetSlotText(&job, -1), nullptr);
  for (const char* const text : job.stringSlots) EXPECT_EQ(text, nullptr);

  std::string longText(600, 'k');
  SetSlotText(&job, 16, longText.c_str());
  EXPECT_EQ(std::string(GetSlotText(&job, 16)), longText.substr(0, 513));
  SetSlotText(&job, 16, GetSlotText(&job, 16));  // its own text
  EXPECT_EQ(std::string(GetSlotText(&job, 16)), longText.substr(0, 513));
  SetSlotText(&job, 0, nullptr);
  EXPECT_STREQ(GetSlotText(&job, 0), "");
  DisposeSlots(job);
}

TEST(JobPreferenceFloats, AreLittleEndian) {
  JobRecord job{};
  SetPreferenceFloat(&job, SettingOf(kScaleParam).preference, 1.0f);
  const uint8_t expected[4] = {0x00, 0x00, 0x80, 0x3F};
  EXPECT_EQ(std::memcmp(job.preferenceBlock + SettingOf(kScaleParam).preference, expected, 4), 0);
  EXPECT_EQ(GetPreferenceFloat(&job, SettingOf(kScaleParam).preference), 1.0f);
  job.preferenceBlock[SettingOf(kOffsetParam).preference + 3] = 0xC0;  // -2.0f
  EXPECT_EQ(GetPreferenceFloat(&job, SettingOf(kOffsetParam).preference), -2.0f);
}

class PreferencesTest : public FixedFilesTest {
 protected:
  void TearDown() override {
    DisposeSlots(job);
    FixedFilesTest::TearDown();
  }
  FileRef Load() { return LoadPreferences(&job, kPrefName); }
  std::vector<uint8_t> Saved() { return ReadBytes(FixedPath(kPrefName)); }
  JobRecord job{};
};

// A file with a patterned block and slot k holding "slot k".
std::vector<uint8_t> FullFile() {
  std::vector<uint8_t> bytes(kPreferencesFileBytes, 0);
  for (uint32_t i = 0; i < kPreferenceBlockBytes; ++i) bytes[i] = uint8_t(i * 7 + 1);
  for (int k = 0; k < 16; ++k) {
    std::string text = "slot " + std::to_string(k);
    std::memcpy(bytes.data() + 1024 * (k + 1), text.c_str(), text.size());
  }
  return bytes;
}

bool BlockIsZero(const JobRecord& job, uint32_t from) {
  for (uint32_t i = from; i < kPreferenceBlockBytes; ++i)
    if (job.preferenceBlock[i] != 0) return false;
  return true;
}

TEST_F(PreferencesTest, MissingFileIsCreatedAndTheSaveFillsIt) {
  FileRef file = Load();
  EXPECT_NE(file, kNoFile);  // created and kept open for the save
  EXPECT_TRUE(BlockIsZero(job, 0));
  for (const char* const text : job.stringSlots) EXPECT_EQ(text, nullptr);

  job.preferenceBlock[0] = 0xAB;
  SetPreferenceFloat(&job, SettingOf(kScaleParam).preference, 2.5f);
  SetSlotText(&job, int32_t(SettingOf(kKernelParam).preference), "1.0000,");
  SetSlotText(&job, 16, "never saved");
  SavePreferences(&job, kPrefName, file);
  for (const char* const text : job.stringSlots) EXPECT_EQ(text, nullptr);  // all released

  std::vector<uint8_t> bytes = Saved();
  ASSERT_EQ(bytes.size(), kPreferencesFileBytes);
  EXPECT_EQ(bytes[0], 0xAB);
  EXPECT_EQ(std::memcmp(bytes.data() + 580, job.preferenceBlock + 580, 4), 0);
  for (size_t i = 800; i < 1024; ++i) ASSERT_EQ(bytes[i], 0) << i;
  EXPECT_STREQ(reinterpret_cast<const char*>(bytes.data()) + 1024 * 4, "1.0000,");
  EXPECT_EQ(bytes[1024 * 4 + 7], 0);
  EXPECT_EQ(bytes[1024 * 1], 0);
}

TEST_F(PreferencesTest, FullFileRoundTripsUnchanged) {
  std::vector<uint8_t> original = FullFile();
  WriteBytes(FixedPath(kPrefName), original);
  FileRef file = Load();
  ASSERT_NE(file, kNoFile);
  EXPECT_EQ(std::memcmp(job.preferenceBlock, original.data(), kPreferenceBlockBytes), 0);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(std::string(GetSlotText(&job, k)), "slot " + std::to_string(k));
  EXPECT_EQ(GetSlotText(&job, 16), nullptr);
  SavePreferences(&job, kPrefName, file);
  EXPECT_EQ(Saved(), original);
}

TEST_F(PreferencesTest, EmptyAndShortFilesLoadWhatTheyHoldAndNoSlots) {
  WriteBytes(FixedPath(kPrefName), {});
  SavePreferences(&job, kPrefName, Load());
  EXPECT_TRUE(BlockIsZero(job, 0));

  std::vector<uint8_t> bytes = FullFile();
  bytes.resize(500);
  WriteBytes(FixedPath(kPrefName), bytes);
  FileRef file = Load();
  EXPECT_EQ(std::memcmp(job.preferenceBlock, bytes.data(), 500), 0);
  EXPECT_TRUE(BlockIsZero(job, 500));
  for (const char* const text : job.stringSlots) EXPECT_EQ(text, nullptr);
  SavePreferences(&job, kPrefName, file);
  EXPECT_EQ(Saved().size(), kPreferencesFileBytes);
}

TEST_F(PreferencesTest, FileEndingInsideTheSlotAreaLeavesLaterSlotsEmpty) {
  std::vector<uint8_t> bytes = FullFile();
  bytes.resize(1024 * 6 + 3);  // slot 5 cut after "slo"
  WriteBytes(FixedPath(kPrefName), bytes);
  FileRef file = Load();
  for (int k = 0; k < 5; ++k) EXPECT_EQ(std::string(GetSlotText(&job, k)), "slot " + std::to_string(k));
  EXPECT_STREQ(GetSlotText(&job, 5), "slo");
  for (int k = 6; k < 17; ++k) EXPECT_EQ(GetSlotText(&job, k), nullptr) << k;
  SavePreferences(&job, kPrefName, file);
}

TEST_F(PreferencesTest, UnterminatedSlotsAreReadAsTheirFirst513Characters) {
  std::vector<uint8_t> bytes(kPreferencesFileBytes, 'z');
  WriteBytes(FixedPath(kPrefName), bytes);
  FileRef file = Load();
  for (int k = 0; k < 16; ++k) EXPECT_EQ(std::string(GetSlotText(&job, k)), std::string(513, 'z')) << k;
  SavePreferences(&job, kPrefName, file);
  bytes = Saved();
  ASSERT_EQ(bytes.size(), kPreferencesFileBytes);
  EXPECT_EQ(bytes[1024 + 512], 'z');
  EXPECT_EQ(bytes[1024 + 513], 0);
  EXPECT_EQ(bytes[1024 + 1023], 0);
}

TEST_F(PreferencesTest, SaveWritesFromTheStartWithoutTruncating) {
  std::vector<uint8_t> bytes = FullFile();
  bytes.resize(kPreferencesFileBytes + 100, 0x5A);
  WriteBytes(FixedPath(kPrefName), bytes);
  SavePreferences(&job, kPrefName, kNoFile);  // no handle: the file is made anew
  EXPECT_EQ(Saved().size(), kPreferencesFileBytes);
  WriteBytes(FixedPath(kPrefName), bytes);
  FileRef file = Load();
  SavePreferences(&job, kPrefName, file);
  std::vector<uint8_t> saved = Saved();
  ASSERT_EQ(saved.size(), kPreferencesFileBytes + 100);
  EXPECT_EQ(saved.back(), 0x5A);
}

TEST_F(PreferencesTest, UncreatableFileSavesNothingButReleasesTheSlots) {
  const char* badName = "c:\\no such directory\\MORVpref.xxx";
  FileRef file = LoadPreferences(&job, badName);
  EXPECT_EQ(file, kNoFile);
  SetSlotText(&job, 3, "kept nowhere");
  SetSlotText(&job, 16, "nor here");
  SavePreferences(&job, badName, file);
  for (const char* const text : job.stringSlots) EXPECT_EQ(text, nullptr);
}

}  // namespace
