// The filter's parameters and the kernel steps around the dialog: what a run
// starts from and what it leaves for the next one.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "filter/Kernel.h"
#include "filter/RecordedSettings.h"
#include "filter/KernelText.h"
#include "plugin/JobRecord.h"
#include "plugin/KernelSettings.h"
#include "contract/Memory.h"
#include "params/ParamList.h"
#include "platform/Platform.h"

namespace {

class KernelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list = NewParamList(kRunParamSlots);
    ASSERT_NE(list, nullptr);
    InitParamList(list, FourCC("udef"), 0, 0);
  }
  void TearDown() override {
    DisposeParamList(list);
    for (char*& text : job.stringSlots) {
      DisposeText(text);
      text = nullptr;
    }
  }
  ConvolutionKernel Load(bool sixteenBit = false) {
    DeclareFilterParameters(&job, list);
    ConvolutionKernel kernel{};
    LoadKernel(&job, list, &kernel, sixteenBit);
    return kernel;
  }
  JobRecord job{};
  ParamList* list = nullptr;
};

std::string KernelTextOf(const float* coefficients) {
  char text[kTextBufferSize];
  FormatKernelText(coefficients, kCoefficientCount, text, kTextBufferSize);
  return text;
}

TEST_F(KernelTest, DeclaresFourParametersFromThePreferenceBlock) {
  SetPreferenceFloat(&job, SettingOf(kScaleParam).preference, 2.5f);
  SetPreferenceFloat(&job, SettingOf(kOffsetParam).preference, -3.0f);
  SetPreferenceFloat(&job, SettingOf(kAutoscaleParam).preference, 1.0f);
  EXPECT_EQ(DeclareFilterParameters(&job, list), 0);
  EXPECT_EQ(GetSignature(list), FourCC("CsKr"));
  EXPECT_EQ(GetNeedsMask(list), 0);
  EXPECT_EQ(GetNoWriteback(list), 0);
  ASSERT_EQ(GetInputCount(list), 4);
  const uint32_t keys[] = {FourCC("Krnl"), FourCC("sCAL"), FourCC("oFST"), FourCC("AFlg")};
  const uint32_t types[] = {kStringType, kFloatType, kFloatType, kBoolType};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(GetParamKey(list, i), keys[i]);
    EXPECT_EQ(GetParamType(list, i), types[i]);
  }
  EXPECT_EQ(GetStringParam(list, kKernelParam), nullptr);
  EXPECT_EQ(GetFloatParam(list, kScaleParam), 2.5f);
  EXPECT_EQ(GetParamMinimumBits(list, kScaleParam), std::bit_cast<uint32_t>(0.0f));
  EXPECT_EQ(GetParamMaximumBits(list, kScaleParam), std::bit_cast<uint32_t>(10000.0f));
  EXPECT_EQ(GetFloatParam(list, kOffsetParam), -3.0f);
  EXPECT_EQ(GetParamMinimumBits(list, kOffsetParam), std::bit_cast<uint32_t>(-10000.0f));
  EXPECT_EQ(GetBoolParam(list, kAutoscaleParam), 1);
}

TEST_F(KernelTest, AutoscaleFlagIsTheStoredFloatTruncated) {
  const float stored[] = {0.9f, -0.5f, 1.0f, -1.0f, 256.0f, 1e30f, std::numeric_limits<float>::quiet_NaN()};
  const int32_t expected[] = {0, 0, 1, 1, 1, 1, 0};
  for (int i = 0; i < 7; ++i) {
    SetPreferenceFloat(&job, SettingOf(kAutoscaleParam).preference, stored[i]);
    DeclareFilterParameters(&job, list);
    EXPECT_EQ(GetBoolParam(list, kAutoscaleParam), expected[i]) << stored[i];
  }
}

TEST_F(KernelTest, FirstRunGetsTheDefaultKernelAndStoresIt) {
  ConvolutionKernel kernel = Load();
  EXPECT_EQ(std::memcmp(kernel.values, DefaultKernel, sizeof DefaultKernel), 0);
  EXPECT_EQ(kernel.values[kScaleFactorSlot], 1.0f);
  EXPECT_EQ(kernel.values[kOffsetSlot], 0.0f);
  EXPECT_EQ(kernel.values[kAutoscaleSlot], 0.0f);
  EXPECT_EQ(kernel.values[kSixteenBitSlot], 0.0f);

  StoreKernel(&job, list, &kernel);
  std::string text = GetStringParam(list, kKernelParam);
  EXPECT_EQ(text.rfind("0.0,0.0030,0.0067,0.0086,", 0), 0u) << text;
  EXPECT_EQ(text, KernelTextOf(DefaultKernel));
  EXPECT_EQ(std::string(GetSlotText(&job, int32_t(SettingOf(kKernelParam).preference))), text);
  EXPECT_EQ(GetFloatParam(list, kScaleParam), 1.0f);  // the zero became 1 and stays so
  EXPECT_EQ(GetPreferenceFloat(&job, SettingOf(kScaleParam).preference), 1.0f);
  EXPECT_EQ(GetPreferenceFloat(&job, SettingOf(kAutoscaleParam).preference), 0.0f);
}

TEST_F(KernelTest, SixteenBitFlagIsSetByTheEngine) {
  EXPECT_EQ(Load(true).values[kSixteenBitSlot], 1.0f);
}

TEST_F(KernelTest, KernelTextComesFromTheParameterElseFromSlotThree) {
  SetSlotText(&job, int32_t(SettingOf(kKernelParam).preference), "2,");
  EXPECT_EQ(Load().values[48], 2.0f);

  DeclareFilterParameters(&job, list);
  SetStringParam(list, kKernelParam, "5,");
  ConvolutionKernel kernel{};
  LoadKernel(&job, list, &kernel, false);
  EXPECT_EQ(kernel.values[48], 5.0f);
  EXPECT_EQ(kernel.values[0], 0.0f);  // the slot's text is not mixed in
}

// Only a kernel with nothing in it is replaced by the default; fractional
// taps, every normalised blur among them, come back as their text says.
TEST_F(KernelTest, OnlyEmptyKernelsAreReplaced) {
  SetSlotText(&job, int32_t(SettingOf(kKernelParam).preference), "0.9,-0.99,0.5,");
  ConvolutionKernel kernel = Load();
  EXPECT_EQ(kernel.values[46], 0.9f);
  EXPECT_EQ(kernel.values[47], -0.99f);
  EXPECT_EQ(kernel.values[48], 0.5f);
  EXPECT_EQ(kernel.values[0], 0.0f);

  std::string box;
  for (int i = 0; i < kCoefficientCount; ++i) box += "0.0204,";
  SetSlotText(&job, int32_t(SettingOf(kKernelParam).preference), box.c_str());
  kernel = Load();
  EXPECT_EQ(kernel.values[0], 0.0204f);
  EXPECT_EQ(kernel.values[48], 0.0204f);

  SetSlotText(&job, int32_t(SettingOf(kKernelParam).preference), "-1.0,");
  kernel = Load();
  EXPECT_EQ(kernel.values[48], -1.0f);
  EXPECT_EQ(kernel.values[24], 0.0f);

  // A field beyond the float range reads as infinity and is not empty.
  SetSlotText(&job, int32_t(SettingOf(kKernelParam).preference), (std::string(60, '9') + ",").c_str());
  kernel = Load();
  EXPECT_EQ(kernel.values[48], INFINITY);
  EXPECT_EQ(kernel.values[24], 0.0f);

  // No text, zeros, and nothing readable are empty.
  for (const char* empty : {"", "0.0,0,-0,", "x,+2,1.2.3,"}) {
    SetSlotText(&job, int32_t(SettingOf(kKernelParam).preference), empty);
    kernel = Load();
    EXPECT_EQ(std::memcmp(kernel.values, DefaultKernel, sizeof DefaultKernel), 0) << empty;
  }
}

// Five digits do not carry the default's taps (0.00307 is written 0.0030), so
// its own recorded text brings back its exact values.
TEST_F(KernelTest, TheDefaultsRecordedTextGivesItsExactValues) {
  SetSlotText(&job, int32_t(SettingOf(kKernelParam).preference), KernelTextOf(DefaultKernel).c_str());
  ConvolutionKernel kernel = Load();
  EXPECT_EQ(std::memcmp(kernel.values, DefaultKernel, sizeof DefaultKernel), 0);

  // One tap changed: the text is taken as it stands.
  std::string changed = KernelTextOf(DefaultKernel);
  changed.replace(0, 3, "0.5");
  SetSlotText(&job, int32_t(SettingOf(kKernelParam).preference), changed.c_str());
  kernel = Load();
  EXPECT_EQ(kernel.values[0], 0.5f);
  EXPECT_EQ(kernel.values[1], 0.003f);
}

TEST_F(KernelTest, ReplacedKernelKeepsScaleOffsetAndAutoscale) {
  SetPreferenceFloat(&job, SettingOf(kScaleParam).preference, 4.0f);
  SetPreferenceFloat(&job, SettingOf(kOffsetParam).preference, 128.0f);
  SetPreferenceFloat(&job, SettingOf(kAutoscaleParam).preference, 1.0f);
  ConvolutionKernel kernel = Load();
  EXPECT_EQ(kernel.values[kScaleFactorSlot], 4.0f);
  EXPECT_EQ(kernel.values[kOffsetSlot], 128.0f);
  EXPECT_EQ(kernel.values[kAutoscaleSlot], 1.0f);
}

TEST_F(KernelTest, StoreWritesParametersPreferencesAndSlot) {
  ConvolutionKernel kernel = Load();
  kernel.values[24] = 1.5f;
  kernel.values[kScaleFactorSlot] = 0.0f;  // the dialog may set it to 0
  kernel.values[kOffsetSlot] = -12.25f;
  kernel.values[kAutoscaleSlot] = 0.5f;
  StoreKernel(&job, list, &kernel);
  EXPECT_EQ(GetFloatParam(list, kScaleParam), 0.0f);
  EXPECT_EQ(GetFloatParam(list, kOffsetParam), -12.25f);
  EXPECT_EQ(GetBoolParam(list, kAutoscaleParam), 1);
  EXPECT_EQ(GetPreferenceFloat(&job, SettingOf(kScaleParam).preference), 0.0f);
  EXPECT_EQ(GetPreferenceFloat(&job, SettingOf(kOffsetParam).preference), -12.25f);
  EXPECT_EQ(GetPreferenceFloat(&job, SettingOf(kAutoscaleParam).preference), 1.0f);
  EXPECT_STREQ(GetSlotText(&job, int32_t(SettingOf(kKernelParam).preference)), GetStringParam(list, kKernelParam));

  // The next run reads back what was stored.
  ConvolutionKernel next{};
  LoadKernel(&job, list, &next, false);
  EXPECT_EQ(next.values[24], 1.5f);
  EXPECT_EQ(next.values[25], 0.0635f);
  EXPECT_EQ(next.values[1], 0.003f);  // the text keeps four decimals
  EXPECT_EQ(next.values[kScaleFactorSlot], 1.0f);
}

// Whatever the table declares reaches the run's list under its key and
// type, the preferences at its place, and the next run's kernel slot.
TEST_F(KernelTest, EachDeclaredSettingTravelsFromItsTable) {
  for (int32_t param = 0; param < kRecordedSettingCount; ++param) {
    const RecordedSetting& setting = kRecordedSettings[param];
    SCOPED_TRACE(setting.description);
    ConvolutionKernel kernel = Load();
    EXPECT_EQ(GetParamKey(list, param), setting.key);
    EXPECT_EQ(GetParamType(list, param), setting.kind == SettingKind::kernelText ? kStringType : setting.type);
    const float value = setting.kind == SettingKind::flag ? 1.0f : setting.maximum / 2 + 0.5f;
    const int32_t slot = setting.slot + (setting.kind == SettingKind::kernelText ? 10 : 0);
    kernel.values[slot] = value;
    StoreKernel(&job, list, &kernel);
    if (setting.kind == SettingKind::kernelText)
      EXPECT_EQ(GetSlotText(&job, int32_t(setting.preference)), KernelTextOf(kernel.values));
    else
      EXPECT_EQ(GetPreferenceFloat(&job, setting.preference), value);
    InitParamList(list, FourCC("udef"), 0, 0);  // the next run starts from the preferences alone
    EXPECT_EQ(Load().values[slot], value);
  }
}

TEST(PrepareFilter, MakesATwoByteBlockAndAlwaysSucceeds) {
  PluginHandle* handle = nullptr;
  EXPECT_EQ(PrepareFilter(nullptr, nullptr, &handle, nullptr, false), 0);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(handle->tag, kPluginHandleTag);
  EXPECT_NE(handle->data, nullptr);
  DisposePluginHandle(handle);

  PlatformFailAfter(PlatformService::allocBlock, 0);
  EXPECT_EQ(PrepareFilter(nullptr, nullptr, &handle, nullptr, true), 0);
  PlatformFailAfter(PlatformService::allocBlock, -1);
  EXPECT_EQ(handle, nullptr);
}

}  // namespace
