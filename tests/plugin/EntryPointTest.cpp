// The entry point through a host: selectors, results and the state kept
// between calls, on the loaded module.
#include <gtest/gtest.h>

#include "plugin/FilterGlobals.h"
#include "contract/ResultCodes.h"
#include "hostsim/Host.h"
#include "hostsim/ModuleLoader.h"
#include "tests/support/TestSupport.h"

namespace {

using EntryPointTest = ModuleTest;

TEST_F(EntryPointTest, FirstCallCreatesGlobalsAndAboutAnswersZero) {
  hostsim::Host host(module.entryPoint, hostsim::MakeImage(20, 20, 1, 8));
  EXPECT_EQ(host.Call(filterSelectorAbout), 0);
  ASSERT_NE(host.data(), 0);
  auto* block = reinterpret_cast<PluginHandle*>(host.data());
  EXPECT_EQ(block->tag, kPluginHandleTag);
  EXPECT_EQ(GlobalsOf(host.data()).state, PumpState::Idle);
  EXPECT_EQ(GlobalsOf(host.data()).maskAllSelected, 0xFF);
}

TEST_F(EntryPointTest, UnknownSelectorsGiveBadParametersAndKeepTheState) {
  hostsim::Host host(module.entryPoint, hostsim::MakeImage(20, 20, 1, 8));
  host.Call(filterSelectorPrepare);
  FilterGlobals before = GlobalsOf(host.data());
  for (int16_t selector : {int16_t(6), int16_t(-1), int16_t(32767), int16_t(-32768)}) {
    EXPECT_EQ(host.Call(selector), filterBadParameters) << selector;
    FilterGlobals after = GlobalsOf(host.data());
    EXPECT_EQ(after.state, before.state);
    EXPECT_EQ(after.result, filterBadParameters);
    EXPECT_EQ(after.filterRecord, &host.record());
  }
}

TEST_F(EntryPointTest, ParametersBlockIsCreatedOnceAndRewrittenAfter) {
  hostsim::Host host(module.entryPoint, hostsim::MakeImage(20, 20, 1, 8));
  EXPECT_EQ(host.Call(filterSelectorParameters), 0);
  Handle parameters = host.record().parameters;
  ASSERT_NE(parameters, nullptr);
  auto* words = reinterpret_cast<int16_t*>(*parameters);
  EXPECT_EQ(words[0], 50);
  EXPECT_EQ(words[1], 1);
  words[0] = 7;
  words[1] = 9;
  EXPECT_EQ(host.Call(filterSelectorParameters), 0);
  Handle again = host.record().parameters;  // packed field: compared by value
  EXPECT_EQ(again, parameters);
  EXPECT_EQ(words[0], 7);
  EXPECT_EQ(words[1], 1);
  EXPECT_EQ(GlobalsOf(host.data()).parametersRequested, 1);
}

TEST_F(EntryPointTest, PrepareAsksForBufferSpaceOnly) {
  hostsim::Host host(module.entryPoint, hostsim::MakeImage(20, 20, 1, 8));
  int32_t maxSpace = host.record().maxSpace;
  EXPECT_EQ(host.Call(filterSelectorPrepare), 0);
  EXPECT_EQ(host.record().bufferSpace, 8192);
  EXPECT_EQ(host.record().maxSpace, maxSpace);
}

TEST_F(EntryPointTest, StartTakesSampleDepthFromTheHost) {
  for (auto [depth, expected] : {std::pair{16, 16}, {8, 8}, {0, 8}}) {
    hostsim::HostOptions options;
    options.advanceState = false;
    options.depthField = depth;
    hostsim::Host host(module.entryPoint, hostsim::MakeImage(20, 20, 3, depth == 16 ? 16 : 8), options);
    EXPECT_EQ(host.Call(filterSelectorStart), 0);
    EXPECT_EQ(GlobalsOf(host.data()).sampleDepth, expected) << depth;
    EXPECT_EQ(GlobalsOf(host.data()).state, PumpState::ReadingRows);
    host.Call(filterSelectorFinish);
  }
}

TEST_F(EntryPointTest, StartWithoutAdvanceStateRequestsTheFirstRowOfAllPlanes) {
  hostsim::HostOptions options;
  options.advanceState = false;
  options.haveFilterRect = true;
  options.filterRect = Rect16{2, 3, 18, 17};
  hostsim::Host host(module.entryPoint, hostsim::MakeImage(20, 20, 4, 8), options);
  host.record().maskRect = Rect16{9, 9, 9, 9};
  EXPECT_EQ(host.Call(filterSelectorStart), 0);
  const FilterRecord& r = host.record();
  EXPECT_EQ(r.inRect.top, 2);
  EXPECT_EQ(r.inRect.bottom, 3);
  EXPECT_EQ(r.inRect.left, 3);
  EXPECT_EQ(r.inRect.right, 17);
  EXPECT_EQ(r.outRect.top, 2);
  EXPECT_EQ(r.outRect.bottom, 3);
  EXPECT_EQ(r.inLoPlane, 0);
  EXPECT_EQ(r.inHiPlane, 3);
  EXPECT_EQ(r.outHiPlane, 3);
  EXPECT_EQ(r.maskRect.top, 9);  // no mask: left alone
  EXPECT_EQ(GlobalsOf(host.data()).useMask, 0);
  EXPECT_EQ(GlobalsOf(host.data()).filterLeft, 3);
  EXPECT_EQ(GlobalsOf(host.data()).filterTop, 2);
  EXPECT_TRUE(host.violations.empty());
  host.Call(filterSelectorFinish);
}

TEST_F(EntryPointTest, FinishWithoutStartAndTwiceFreesNothingTwice) {
  hostsim::HostOptions options;
  options.advanceState = false;  // start only sets the run up
  hostsim::Host host(module.entryPoint, hostsim::MakeImage(20, 20, 1, 8), options);
  EXPECT_EQ(host.Call(filterSelectorFinish), 0);
  EXPECT_EQ(host.Call(filterSelectorStart), 0);
  EXPECT_EQ(host.Call(filterSelectorFinish), 0);
  EXPECT_EQ(host.Call(filterSelectorFinish), 0);
}

TEST_F(EntryPointTest, ContinueBeforeStartEmptiesTheRectangles) {
  hostsim::HostOptions options;
  options.advanceState = false;
  hostsim::Host host(module.entryPoint, hostsim::MakeImage(20, 20, 1, 8), options);
  host.record().inRect = Rect16{1, 2, 3, 4};
  host.record().outRect = Rect16{1, 2, 3, 4};
  EXPECT_EQ(host.Call(filterSelectorContinue), 0);
  EXPECT_EQ(host.record().inRect.bottom, 0);
  EXPECT_EQ(host.record().outRect.right, 0);
}

TEST_F(EntryPointTest, NullRecordOrDataIsRefusedWithoutACrash) {
  intptr_t data = 0;
  int16_t result = 1;
  module.entryPoint(filterSelectorStart, nullptr, &data, &result);
  EXPECT_EQ(result, filterBadParameters);
  result = 1;
  FilterRecord record{};
  module.entryPoint(filterSelectorPrepare, &record, nullptr, &result);
  EXPECT_EQ(result, filterBadParameters);
  module.entryPoint(filterSelectorPrepare, &record, nullptr, nullptr);
}

}  // namespace
