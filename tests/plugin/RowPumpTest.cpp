// The row pump through a row-by-row host: images come back bit-identical
// through the stores, one row per request, with progress in sixths. The
// filter in between plays the identity kernel back without its dialog, so
// images are at least 15 x 15 and 16-bit samples keep to the host's 0..32768.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "plugin/FilterGlobals.h"
#include "contract/ResultCodes.h"
#include "hostsim/Host.h"
#include "platform/Platform.h"
#include "store/ImageStore.h"
#include "tests/support/FilterRunSupport.h"
#include "tests/support/TestSupport.h"

namespace {

hostsim::Image PatternImage(int32_t width, int32_t height, int32_t planes, int32_t depth, bool withMask,
                            uint32_t seed) {
  hostsim::Image image = hostsim::MakeImage(width, height, planes, depth);
  std::mt19937 random(seed);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      for (int32_t p = 0; p < planes; ++p) image.SetSample(x, y, p, uint16_t(random() % (depth == 16 ? 32769 : 256)));
  if (withMask) {
    image.mask.resize(size_t(width) * size_t(height));
    for (uint8_t& byte : image.mask) byte = uint8_t(random());
  }
  return image;
}

hostsim::HostOptions Options(bool advanceState) {
  hostsim::HostOptions options;
  options.advanceState = advanceState;
  options.outputFill = 0xA5;  // rows that are never written back show
  return options;
}

// The bytes of planes [first, first + count) of every pixel of row y, packed.
std::vector<uint8_t> PlaneBytes(const hostsim::Image& image, int32_t y, int32_t first, int32_t count) {
  std::vector<uint8_t> bytes;
  size_t sample = size_t(image.BytesPerSample());
  for (int32_t x = 0; x < image.width; ++x) {
    auto at = image.samples.begin() + std::ptrdiff_t(size_t(y) * image.RowBytes() +
                                                     (size_t(x) * image.planes + first) * sample);
    bytes.insert(bytes.end(), at, at + std::ptrdiff_t(size_t(count) * sample));
  }
  return bytes;
}

std::vector<uint8_t> StoreRow(const ImageStore* store, int32_t row) {
  std::vector<uint8_t> bytes(size_t(store->rowBytes));
  ReadStoreRow(store, 0, row, store->rowBytes, bytes.data());
  return bytes;
}

class RowPumpTest : public ModuleTest {
 protected:
  void TearDown() override {
    PlatformFailAfter(PlatformService::allocBlock, -1);
    PlatformFailAfter(PlatformService::createMapping, -1);
    ModuleTest::TearDown();
  }
};

TEST_F(RowPumpTest, ImagesComeBackBitIdenticalAtBothDepthsWithAndWithoutExtraPlanes) {
  const int32_t planeCounts[] = {1, 2, 3, 4, 5};  // grey, grey + alpha, RGB with 0, 1 and 2 extra planes
  const std::pair<int32_t, int32_t> sizes[] = {{15, 15}, {15, 22}, {16, 15}, {23, 17}, {2001, 15}, {15, 300}};
  uint32_t seed = 1;
  for (int32_t depth : {8, 16})
    for (int32_t planes : planeCounts)
      for (auto [width, height] : sizes)
        for (bool advanceState : {true, false})
          for (bool withMask : {false, true}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << planes << " planes, " << width << "x" << height
                                            << (advanceState ? ", advanceState" : ", continue calls")
                                            << (withMask ? ", mask" : ""));
            hostsim::Image image = PatternImage(width, height, planes, depth, withMask, seed++);
            hostsim::HostOptions options = Options(advanceState);
            options.rowPadding = advanceState ? 0 : 3;
            hostsim::Host host(module.entryPoint, image, options);
            hostsim::ScriptingHost scripting(host);
            PlayIdentity(scripting);
            ASSERT_EQ(host.Run(), noErr);
            EXPECT_TRUE(host.output().samples == image.samples);
            ASSERT_TRUE(host.violations.empty()) << host.violations.front();
            EXPECT_EQ(host.progress.size(), size_t(3 * height));  // reading, filtering, writing
          }
}

TEST_F(RowPumpTest, ModesOtherThanRgbKeepOneColourPlane) {
  for (int16_t mode : {plugInModeMultichannel, plugInModeLabColor, plugInModeCMYKColor}) {
    hostsim::HostOptions options = Options(false);
    options.imageMode = mode;
    hostsim::Image image = PatternImage(15, 15, 4, 8, false, 11);
    hostsim::Host host(module.entryPoint, image, options);
    hostsim::ScriptingHost scripting(host);
    PlayIdentity(scripting);
    host.Call(filterSelectorPrepare);
    host.Call(filterSelectorStart);
    host.Call(filterSelectorContinue);
    FilterGlobals& globals = GlobalsOf(host.data());
    ASSERT_NE(globals.backingStore, nullptr);
    ASSERT_NE(globals.opacityStore, nullptr);
    EXPECT_EQ(globals.backingStore->bytesPerPixel, 1) << mode;
    EXPECT_EQ(globals.opacityStore->bytesPerPixel, 3) << mode;
    while (!hostsim::RectsEmpty(host.record())) host.Call(filterSelectorContinue);
    host.Call(filterSelectorFinish);
    EXPECT_TRUE(host.output().samples == image.samples) << mode;
    EXPECT_TRUE(host.violations.empty());
  }
}

TEST_F(RowPumpTest, StoresHoldPackedColourSamplesTheExtraPlanesAndTheMask) {
  for (int32_t depth : {8, 16}) {
    SCOPED_TRACE(depth);
    hostsim::Image image = PatternImage(15, 15, 5, depth, true, 5);
    hostsim::Host host(module.entryPoint, image, Options(false));
    hostsim::ScriptingHost scripting(host);
    PlayIdentity(scripting);
    host.Call(filterSelectorPrepare);
    host.Call(filterSelectorStart);
    FilterGlobals& globals = GlobalsOf(host.data());
    while (globals.state == PumpState::ReadingRows && host.continueCalls < 20) host.Call(filterSelectorContinue);
    ASSERT_EQ(globals.state, PumpState::Filtering);
    int32_t sample = depth / 8;
    ASSERT_NE(globals.backingStore, nullptr);
    ASSERT_NE(globals.opacityStore, nullptr);
    ASSERT_NE(globals.maskStore, nullptr);
    EXPECT_EQ(globals.backingStore->bytesPerPixel, 3 * sample);
    EXPECT_EQ(globals.opacityStore->bytesPerPixel, 2 * sample);
    EXPECT_EQ(globals.maskStore->bytesPerPixel, 1);
    for (int32_t row = 0; row < 15; ++row) {
      EXPECT_EQ(StoreRow(globals.backingStore, row), PlaneBytes(image, row, 0, 3)) << row;
      EXPECT_EQ(StoreRow(globals.opacityStore, row), PlaneBytes(image, row, 3, 2)) << row;
      EXPECT_EQ(StoreRow(globals.maskStore, row),
                std::vector<uint8_t>(image.mask.begin() + row * 15, image.mask.begin() + row * 15 + 15));
    }
    // Entering Filtering asked for the first row again, mask included.
    EXPECT_EQ(host.record().inRect.top, 0);
    EXPECT_EQ(host.record().outRect.bottom, 1);
    EXPECT_EQ(host.record().maskRect.top, 0);
    while (!hostsim::RectsEmpty(host.record())) host.Call(filterSelectorContinue);
    host.Call(filterSelectorFinish);
    EXPECT_TRUE(host.output().samples == image.samples);
  }
}

TEST_F(RowPumpTest, OnlyTheFilterRectangleIsAskedForAndWrittenBack) {
  for (bool advanceState : {true, false}) {
    hostsim::HostOptions options = Options(advanceState);
    options.haveFilterRect = true;
    options.filterRect = Rect16{3, 2, 21, 19};
    hostsim::Image image = PatternImage(24, 25, 4, 16, true, 9);
    hostsim::Host host(module.entryPoint, image, options);
    hostsim::ScriptingHost scripting(host);
    PlayIdentity(scripting);
    ASSERT_EQ(host.Run(), noErr);
    ASSERT_TRUE(host.violations.empty()) << host.violations.front();
    for (int32_t y = 0; y < 25; ++y)
      for (int32_t x = 0; x < 24; ++x)
        for (int32_t p = 0; p < 4; ++p) {
          bool inside = y >= 3 && y < 21 && x >= 2 && x < 19;
          ASSERT_EQ(host.output().Sample(x, y, p), inside ? image.Sample(x, y, p) : 0xA5A5)
              << x << "," << y << "," << p << (advanceState ? " with advanceState" : "");
        }
    EXPECT_EQ(host.progress.back(), (std::pair<int32_t, int32_t>{5 * 18 + 17, 6 * 18}));
  }
}

TEST_F(RowPumpTest, ProgressRunsThroughTheFirstAndLastSixths) {
  std::vector<std::pair<int32_t, int32_t>> expected;
  for (int32_t row = 0; row < 100; ++row) expected.emplace_back(row, 600);
  for (int32_t row = 0; row < 100; ++row) expected.emplace_back(100 + 4 * row, 600);  // the filter's
  for (int32_t row = 0; row < 100; ++row) expected.emplace_back(500 + row, 600);
  for (bool advanceState : {true, false}) {
    hostsim::Host host(module.entryPoint, PatternImage(15, 100, 1, 8, false, 2), Options(advanceState));
    hostsim::ScriptingHost scripting(host);
    PlayIdentity(scripting);
    ASSERT_EQ(host.Run(), noErr);
    EXPECT_EQ(host.progress, expected) << advanceState;
  }
}

TEST_F(RowPumpTest, EveryRowTakesOneCallAndTheFilterOneMore) {
  for (int32_t height : {15, 16})
    for (bool advanceState : {true, false}) {
      hostsim::Host host(module.entryPoint, PatternImage(15, height, 3, 8, false, 4), Options(advanceState));
      hostsim::ScriptingHost scripting(host);
      PlayIdentity(scripting);
      ASSERT_EQ(host.Run(), noErr);
      int32_t pumpCalls = advanceState ? host.advanceCalls : host.continueCalls;
      EXPECT_EQ(pumpCalls, 2 * height + 1) << height << (advanceState ? " with advanceState" : "");
      EXPECT_EQ(advanceState ? host.continueCalls : host.advanceCalls, 0);
    }
}

TEST_F(RowPumpTest, MaskAllSelectedStaysSetOnlyForAFullySelectedMask) {
  auto maskAllSelectedAfter = [&](std::vector<uint8_t> mask) {
    hostsim::Image image = PatternImage(15, 15, 4, 8, false, 6);
    image.mask = std::move(mask);
    hostsim::Host host(module.entryPoint, image, Options(true));
    hostsim::ScriptingHost scripting(host);
    PlayIdentity(scripting);
    EXPECT_EQ(host.Run(), noErr);
    EXPECT_TRUE(host.output().samples == image.samples);
    return GlobalsOf(host.data()).maskAllSelected;
  };
  std::vector<uint8_t> full(225, 0xFF);
  EXPECT_EQ(maskAllSelectedAfter(full), 0xFF);
  std::vector<uint8_t> lastBelow = full;
  lastBelow.back() = 0xFE;
  EXPECT_NE(maskAllSelectedAfter(lastBelow), 0xFF);
  std::vector<uint8_t> firstEmpty = full;
  firstEmpty.front() = 0;
  EXPECT_NE(maskAllSelectedAfter(firstEmpty), 0xFF);
  EXPECT_EQ(maskAllSelectedAfter({}), 0xFF);  // no mask at all
}

TEST_F(RowPumpTest, AFailingAdvanceStateLeavesTheRowForContinueCalls) {
  for (int32_t failing : {1, 4, 9}) {
    hostsim::HostOptions options = Options(true);
    options.failAdvanceCall = failing;
    hostsim::Image image = PatternImage(15, 15, 4, 8, true, 8);
    hostsim::Host host(module.entryPoint, image, options);
    hostsim::ScriptingHost scripting(host);
    PlayIdentity(scripting);
    host.Call(filterSelectorPrepare);
    EXPECT_EQ(host.Call(filterSelectorStart), noErr);
    if (failing == 1) {
      EXPECT_EQ(host.record().inRect.top, 0);
      EXPECT_EQ(host.record().inRect.bottom, 1);
    }
    while (!hostsim::RectsEmpty(host.record()) && host.continueCalls < 40) host.Call(filterSelectorContinue);
    EXPECT_GT(host.continueCalls, 0) << failing;
    host.Call(filterSelectorFinish);
    EXPECT_TRUE(host.output().samples == image.samples) << failing;
    EXPECT_TRUE(host.violations.empty());
  }
}

TEST_F(RowPumpTest, AnImageStillArrivingIsAwaitedRowByRowAndOneCutShortEndsTheRun) {
  hostsim::Image image = PatternImage(19, 40, 3, 16, false, 11);
  for (bool advanceState : {true, false}) {
    SCOPED_TRACE(advanceState ? "advanceState" : "continue calls");
    std::vector<int32_t> awaited;
    hostsim::HostOptions options = Options(advanceState);
    options.awaitRows = [&awaited](int32_t bottom) {
      awaited.push_back(bottom);
      return true;
    };
    hostsim::Host host(module.entryPoint, image, options);
    hostsim::ScriptingHost scripting(host);
    PlayIdentity(scripting);
    ASSERT_EQ(host.Run(), noErr);
    EXPECT_TRUE(host.output().samples == image.samples);
    // The first rows are asked for before the last have arrived.
    ASSERT_GE(awaited.size(), size_t(image.height));
    for (int32_t row = 0; row < image.height; ++row) EXPECT_EQ(awaited[size_t(row)], row + 1);

    int32_t arrived = 7;
    options.awaitRows = [arrived](int32_t bottom) { return bottom <= arrived; };
    hostsim::Host cut(module.entryPoint, image, options);
    hostsim::ScriptingHost cutScripting(cut);
    PlayIdentity(cutScripting);
    EXPECT_EQ(cut.Run(), -128);
    EXPECT_TRUE(cut.output().samples == image.samples) << "a run cut short leaves the image as it was";
    EXPECT_TRUE(cut.violations.empty());
  }
}

TEST_F(RowPumpTest, DoneReleasesTheStoresAndAnUnknownStateDoesNothing) {
  hostsim::Host host(module.entryPoint, PatternImage(15, 15, 4, 8, true, 3), Options(false));
  hostsim::ScriptingHost scripting(host);
  PlayIdentity(scripting);
  ASSERT_EQ(host.Call(filterSelectorStart), noErr);
  while (!hostsim::RectsEmpty(host.record())) host.Call(filterSelectorContinue);
  FilterGlobals& globals = GlobalsOf(host.data());
  EXPECT_EQ(globals.state, PumpState::Done);
  EXPECT_NE(globals.backingStore, nullptr) << "the stores stay open for finish";
  host.record().maskRect = Rect16{1, 1, 2, 2};
  EXPECT_EQ(host.Call(filterSelectorContinue), noErr);
  EXPECT_EQ(globals.backingStore, nullptr);
  EXPECT_EQ(globals.opacityStore, nullptr);
  EXPECT_EQ(globals.maskStore, nullptr);
  EXPECT_EQ(host.record().maskRect.bottom, 0);

  globals.state = PumpState{7};
  host.record().inRect = Rect16{0, 0, 1, 4};
  EXPECT_EQ(host.Call(filterSelectorContinue), noErr);
  EXPECT_EQ(globals.state, PumpState{7});
  EXPECT_EQ(host.record().inRect.bottom, 1);
  host.Call(filterSelectorFinish);
}

// The entry point linked into the test program, where failures can be injected.
class RowPumpFailureTest : public RowPumpTest {};

TEST_F(RowPumpFailureTest, AStoreThatCannotBeCreatedEndsTheRunWithItsCodeAndLeaksNothing) {
  struct Case {
    const char* what;
    int32_t planes;
    PlatformService service;
    int failAfter;  // calls of the service during the run that still succeed
    int16_t expected;
  };
  const Case cases[] = {
      {"opacity mapping", 4, PlatformService::createMapping, 0, ioErr},
      {"backing mapping behind the opacity store", 4, PlatformService::createMapping, 1, ioErr},
      {"backing mapping", 3, PlatformService::createMapping, 0, ioErr},
      {"opacity record", 4, PlatformService::allocBlock, 1, memFullErr},  // the row buffer comes first
      {"backing record", 1, PlatformService::allocBlock, 1, memFullErr},
      {"row buffer", 4, PlatformService::allocBlock, 0, memFullErr},
  };
  for (const Case& c : cases)
    for (bool advanceState : {true, false}) {
      SCOPED_TRACE(testing::Message() << c.what << (advanceState ? ", advanceState" : ", continue calls"));
      hostsim::Host host(LinkedEntryPoint(), PatternImage(6, 5, c.planes, 8, true, 12), Options(advanceState));
      host.Call(filterSelectorAbout);  // the globals live on: they are not part of the run
      LiveCounts before = CurrentLiveCounts();
      PlatformFailAfter(c.service, c.failAfter);
      EXPECT_EQ(host.Run(false), c.expected);
      PlatformFailAfter(c.service, -1);
      EXPECT_EQ(CurrentLiveCounts(), before);
      EXPECT_LE(host.continueCalls, 1);
      FilterGlobals& globals = GlobalsOf(host.data());
      EXPECT_EQ(globals.state, PumpState::Done);
      EXPECT_EQ(globals.backingStore, nullptr);
      EXPECT_EQ(globals.opacityStore, nullptr);
      EXPECT_TRUE(host.violations.empty());
      EXPECT_EQ(host.Call(filterSelectorContinue), noErr);  // a host that goes on finds nothing to do
      EXPECT_EQ(CurrentLiveCounts(), before);
    }
}

TEST_F(RowPumpFailureTest, AMaskStoreThatCannotBeCreatedOnlyDropsTheMask) {
  for (bool advanceState : {true, false}) {
    hostsim::Image image = PatternImage(15, 15, 1, 16, true, 13);
    hostsim::Host host(LinkedEntryPoint(), image, Options(advanceState));
    hostsim::ScriptingHost scripting(host);
    PlayIdentity(scripting);
    host.Call(filterSelectorAbout);
    LiveCounts before = CurrentLiveCounts();
    PlatformFailAfter(PlatformService::createMapping, 1);  // the backing store's mapping, then the mask's
    EXPECT_EQ(host.Run(false), noErr);
    EXPECT_TRUE(host.output().samples == image.samples);
    EXPECT_EQ(GlobalsOf(host.data()).useMask, 0);
    EXPECT_EQ(CurrentLiveCounts(), before);
  }
}

TEST_F(RowPumpFailureTest, AnRgbRecordWithFewerThanThreePlanesIsRefused) {
  for (int32_t planes : {1, 2}) {
    hostsim::HostOptions options = Options(false);
    options.imageMode = plugInModeRGBColor;
    hostsim::Host host(LinkedEntryPoint(), PatternImage(6, 5, planes, 8, false, 14), options);
    host.Call(filterSelectorAbout);
    LiveCounts before = CurrentLiveCounts();
    EXPECT_EQ(host.Run(false), filterBadParameters) << planes;
    EXPECT_EQ(CurrentLiveCounts(), before);
    EXPECT_TRUE(host.violations.empty());
  }
}

}  // namespace
