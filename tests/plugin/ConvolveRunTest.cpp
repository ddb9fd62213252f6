// The run sequence of RunConvolution: the kernel from the
// parameter list or DefaultKernel, the settings stored before the size
// check, the dialog's refusal, and a failed kernel allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "filter/Kernel.h"
#include "filter/RecordedSettings.h"
#include "plugin/FilterRun.h"
#include "plugin/JobRecord.h"
#include "plugin/KernelSettings.h"
#include "contract/ResultCodes.h"
#include "params/ParamList.h"
#include "platform/Platform.h"
#include "tests/support/ConvolveReference.h"
#include "tests/support/EngineHarness.h"

namespace {

// A job, a parameter list declared from its (empty) preference block and a
// backing store holding the image.
struct RunSetup {
  TestImage image;
  FilterRecord record{};
  JobRecord job{};
  ParamList* list;
  ImageStore* store;
  HostCalls calls;

  explicit RunSetup(const TestImage& source)
      : image(source), list(NewParamList(kRunParamSlots)), store(NewStoreWith(source)) {
    record.progressProc = RecordProgress;
    record.abortProc = AnswerAbort;
    job.width = int16_t(source.width);
    job.height = int16_t(source.height);
    job.colourPlanes = int16_t(source.planes);
    job.hostRecord = &record;
    DeclareFilterParameters(&job, list);
    currentHostCalls = &calls;
  }
  ~RunSetup() {
    currentHostCalls = nullptr;
    DisposeBackingStore(store);
    DisposeParamList(list);
    for (char*& text : job.stringSlots) DisposeText(text);
  }
  int16_t Run(bool suppressDialog) {
    return RunConvolution(store, &job, list, suppressDialog, image.sixteenBit);
  }
  std::vector<uint16_t> Samples() const { return ReadStoreSamples(store, image); }
};

TestImage Ramp(int32_t width, int32_t height, int32_t planes, bool sixteenBit) {
  TestImage image = MakeTestImage(width, height, planes, sixteenBit);
  for (size_t i = 0; i < image.samples.size(); ++i) image.samples[i] = uint16_t((i * 29) % (sixteenBit ? 30000 : 250));
  return image;
}

std::string IdentityText() {
  std::string text;
  for (int32_t i = 0; i < kCoefficientCount; ++i) text += i == 24 ? "1.0," : "0.0,";
  return text;
}

TEST(ConvolveRunTest, FifteenByFifteenIsFilteredWithTheDefaultKernelWhenNothingIsStored) {
  RunSetup run(Ramp(15, 15, 3, false));
  ASSERT_EQ(run.Run(true), 0);
  float kernel[kKernelFloats] = {};
  std::copy(DefaultKernel, DefaultKernel + kCoefficientCount, kernel);
  kernel[kScaleFactorSlot] = 1.0f;
  EXPECT_EQ(FirstDifference(run.image, run.Samples(), ReferenceConvolve(run.image, kernel)), "");
  ASSERT_NE(GetSlotText(&run.job, int32_t(SettingOf(kKernelParam).preference)), nullptr);
  EXPECT_EQ(std::string(GetSlotText(&run.job, int32_t(SettingOf(kKernelParam).preference))).substr(0, 16), "0.0,0.0030,0.006");
  EXPECT_EQ(int32_t(run.calls.progress.size()), 15);
}

TEST(ConvolveRunTest, SixteenBitRunTakesTheKernelAndOffsetFromTheParameters) {
  RunSetup run(Ramp(20, 16, 1, true));
  SetStringParam(run.list, kKernelParam, IdentityText().c_str());
  SetFloatParam(run.list, kOffsetParam, 10.0f);
  ASSERT_EQ(run.Run(true), 0);
  const std::vector<uint16_t> samples = run.Samples();
  for (size_t i = 0; i < samples.size(); ++i) ASSERT_EQ(samples[i], std::min(run.image.samples[i] + 1285, 32768));
}

TEST(ConvolveRunTest, ImagesBelowFifteenPixelsAreLeftAloneWithTheSettingsStored) {
  for (auto [width, height] : {std::pair{14, 200}, std::pair{200, 14}}) {
    RunSetup run(Ramp(width, height, 1, false));
    SetFloatParam(run.list, kScaleParam, 2.5f);
    EXPECT_EQ(run.Run(true), userCanceledErr);
    EXPECT_EQ(run.Samples(), run.image.samples);
    EXPECT_TRUE(run.calls.progress.empty());
    EXPECT_NE(GetSlotText(&run.job, int32_t(SettingOf(kKernelParam).preference)), nullptr);
    EXPECT_NE(GetStringParam(run.list, kKernelParam), nullptr);
    EXPECT_EQ(GetPreferenceFloat(&run.job, SettingOf(kScaleParam).preference), 2.5f);
  }
}

#ifndef _WIN32
// Until the dialog can be shown it reports failure: the run ends before
// anything is stored or filtered. (Not under Wine, where a real dialog would wait.)
TEST(ConvolveRunTest, ADialogThatIsNotAcceptedStoresNothingAndLeavesTheImage) {
  RunSetup run(Ramp(30, 20, 3, false));
  EXPECT_EQ(run.Run(false), userCanceledErr);
  EXPECT_EQ(run.Samples(), run.image.samples);
  EXPECT_EQ(GetSlotText(&run.job, int32_t(SettingOf(kKernelParam).preference)), nullptr);
  EXPECT_EQ(GetStringParam(run.list, kKernelParam), nullptr);
}
#endif

TEST(ConvolveRunTest, FailedKernelAllocationReportsMemoryFullBeforeAnythingIsStored) {
  RunSetup run(Ramp(30, 20, 1, false));
  PlatformFailAfter(PlatformService::allocBlock, 0);
  EXPECT_EQ(run.Run(true), memFullErr);
  PlatformFailAfter(PlatformService::allocBlock, -1);
  EXPECT_EQ(run.Samples(), run.image.samples);
  EXPECT_EQ(GetSlotText(&run.job, int32_t(SettingOf(kKernelParam).preference)), nullptr);
}

}  // namespace
