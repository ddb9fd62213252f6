// Hosts that break the protocol or hand over unusual records: each run ends
// with a result code or a clean pass, never a request beyond the filter
// rectangle, a crash or a write outside the host's buffers.
#include <gtest/gtest.h>

#include <vector>

#include "contract/ResultCodes.h"
#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"
#include "hostsim/ModuleLoader.h"
#include "tests/support/TestSupport.h"

namespace {

class HostileHostTest : public FixedFilesTest {
 protected:
  void SetUp() override {
    FixedFilesTest::SetUp();
    module = hostsim::LoadModule(ModulePath());
    ASSERT_NE(module.entryPoint, nullptr) << module.error;
  }
  void TearDown() override {
    hostsim::UnloadModule(module);
    FixedFilesTest::TearDown();
  }
  static hostsim::Image Patterned(int32_t width, int32_t height, int32_t planes, int32_t depth) {
    hostsim::Image image = hostsim::MakeImage(width, height, planes, depth);
    for (size_t i = 0; i < image.samples.size(); ++i) image.samples[i] = uint8_t(i * 37 + 11);
    return image;
  }
  int16_t Continue(hostsim::Host& host) {
    // Called past the host's row exchange, so the buffers stay as the test left them.
    int16_t result = 1;
    hostsim::Host::current = &host;
    module.entryPoint(filterSelectorContinue, &host.record(), &host.data(), &result);
    hostsim::Host::current = nullptr;
    return result;
  }
  hostsim::LoadedModule module;
};

TEST_F(HostileHostTest, RecordsThePumpCannotServeAreRefusedAtStart) {
  struct Case {
    const char* what;
    int16_t planes;
    int16_t mode;
    int32_t depth;
    Rect16 rect;
  };
  const Case cases[] = {
      {"no planes", 0, plugInModeGrayScale, 8, {0, 0, 20, 20}},
      {"RGB with one plane", 1, plugInModeRGBColor, 8, {0, 0, 20, 20}},
      {"32-bit samples", 3, plugInModeRGBColor, 32, {0, 0, 20, 20}},
      {"inverted rectangle", 3, plugInModeRGBColor, 8, {15, 15, 5, 5}},
      {"negative inverted rectangle", 3, plugInModeRGBColor, 8, {-2, -3, -9, -9}},
      {"wider than 32767", 3, plugInModeRGBColor, 8, {0, -20000, 20, 20000}},
  };
  for (const Case& c : cases) {
    hostsim::HostOptions options;
    options.haveFilterRect = true;
    options.filterRect = c.rect;
    options.imageMode = c.mode;
    options.depthField = c.depth;
    hostsim::Host host(module.entryPoint, Patterned(20, 20, 3, 8), options);
    host.record().planes = c.planes;
    EXPECT_EQ(host.Run(), filterBadParameters) << c.what;
    EXPECT_TRUE(host.violations.empty()) << c.what << ": " << host.violations.front();
    EXPECT_EQ(host.output().samples, host.input().samples) << c.what;
  }
}

TEST_F(HostileHostTest, AnEmptyRectangleIsACleanPass) {
  for (Rect16 rect : {Rect16{5, 5, 5, 15}, Rect16{5, 5, 15, 5}}) {
    hostsim::HostOptions options;
    options.haveFilterRect = true;
    options.filterRect = rect;
    hostsim::Host host(module.entryPoint, Patterned(20, 20, 1, 8), options);
    EXPECT_EQ(host.Run(), 0);
    EXPECT_TRUE(host.violations.empty());
    EXPECT_EQ(host.output().samples, host.input().samples);
  }
}

TEST_F(HostileHostTest, ModesThePropertiesRefuseStillPassSafely) {
  // Indexed, CMYK and Lab images filter their first plane; the rest pass through.
  for (int16_t mode : {plugInModeIndexedColor, plugInModeCMYKColor, plugInModeLabColor}) {
    hostsim::HostOptions options;
    options.imageMode = mode;
    hostsim::Host host(module.entryPoint, Patterned(20, 20, 4, 8), options);
    int16_t result = host.Run();
    EXPECT_TRUE(result == 0 || result == userCanceledErr) << mode;
    EXPECT_TRUE(host.violations.empty()) << mode;
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 20; ++x)
        for (int32_t p = 1; p < 4; ++p) ASSERT_EQ(host.output().Sample(x, y, p), host.input().Sample(x, y, p));
  }
}

TEST_F(HostileHostTest, SeventeenPlanesKeepEveryExtraPlane) {
  hostsim::Host host(module.entryPoint, Patterned(16, 16, 17, 16));
  int16_t result = host.Run();
  EXPECT_TRUE(result == 0 || result == userCanceledErr);
  EXPECT_TRUE(host.violations.empty());
  for (int32_t p = 1; p < 17; ++p) EXPECT_EQ(host.output().Sample(7, 9, p), host.input().Sample(7, 9, p));
}

TEST_F(HostileHostTest, WiderRowStridesAreHonoured) {
  hostsim::HostOptions options;
  options.rowPadding = 13;
  options.advanceState = false;
  hostsim::Host host(module.entryPoint, Patterned(17, 15, 4, 8), options);
  int16_t result = host.Run();
  EXPECT_TRUE(result == 0 || result == userCanceledErr);
  EXPECT_TRUE(host.violations.empty());
}

TEST_F(HostileHostTest, RowsShorterThanTheRowEndTheRun) {
  hostsim::HostOptions options;
  options.advanceState = false;
  hostsim::Host host(module.entryPoint, Patterned(20, 20, 3, 8), options);
  ASSERT_EQ(host.Call(filterSelectorStart), 0);
  host.record().inRowBytes = 20 * 3 - 1;
  EXPECT_EQ(Continue(host), filterBadParameters);
  EXPECT_EQ(host.record().inRect.bottom, 0);
  host.Call(filterSelectorFinish);
}

TEST_F(HostileHostTest, MissingRowBuffersAreSkippedNotRead) {
  hostsim::HostOptions options;
  options.advanceState = false;
  hostsim::Host host(module.entryPoint, Patterned(20, 20, 4, 8), options);
  ASSERT_EQ(host.Call(filterSelectorStart), 0);
  host.record().inData = nullptr;
  host.record().outData = nullptr;
  EXPECT_EQ(Continue(host), 0);
  host.Call(filterSelectorFinish);
}

TEST_F(HostileHostTest, SelectorsOutOfOrderNeitherCrashNorLeak) {
  hostsim::HostOptions options;
  options.advanceState = false;
  hostsim::Host host(module.entryPoint, Patterned(20, 20, 3, 8), options);
  EXPECT_EQ(host.Call(filterSelectorStart), 0);
  EXPECT_EQ(host.Call(filterSelectorContinue), 0);
  EXPECT_EQ(host.Call(filterSelectorStart), 0);  // a second start without finish
  EXPECT_EQ(host.Call(filterSelectorFinish), 0);
  EXPECT_EQ(host.Call(filterSelectorFinish), 0);
  EXPECT_EQ(host.Call(filterSelectorContinue), 0);  // after finish: nothing left to pump
  EXPECT_TRUE(host.violations.empty());
}

// Start sizes the row buffer and the stores from the record: a host that
// changes the record under the run ends it, and nothing is read or written
// with the new sizes.
TEST_F(HostileHostTest, ARecordChangedUnderTheRunEndsIt) {
  struct Case {
    const char* what;
    void (*change)(FilterRecord&);
  };
  const Case cases[] = {
      {"more planes", [](FilterRecord& r) { r.planes = 16, r.inRowBytes = 16 * 20; }},
      {"a wider rectangle", [](FilterRecord& r) { r.filterRect.right = 2000, r.inRowBytes = 2 * 2000; }},
      {"RGB instead of gray", [](FilterRecord& r) { r.imageMode = plugInModeRGBColor; }},
  };
  for (const Case& c : cases) {
    hostsim::HostOptions options;
    options.advanceState = false;
    hostsim::Host host(module.entryPoint, Patterned(20, 20, 2, 8), options);
    ASSERT_EQ(host.Call(filterSelectorStart), 0) << c.what;
    ASSERT_EQ(host.Call(filterSelectorContinue), 0) << c.what;
    c.change(host.record());
    EXPECT_EQ(Continue(host), filterBadParameters) << c.what;
    EXPECT_TRUE(hostsim::RectsEmpty(host.record())) << c.what;
    EXPECT_EQ(Continue(host), 0) << c.what;  // the run is over
    EXPECT_EQ(host.Call(filterSelectorFinish), 0) << c.what;
  }
}

// A continue after finish, while rows were still being read or before the
// filter ran, finds the run over: nothing goes into the released row
// buffer, no store is made again and the filter does not run.
TEST_F(HostileHostTest, AContinueAfterFinishFindsTheRunOver) {
  WriteString(FixedPath("c:\\MORVlog.txt"), "");
  for (int32_t rowsRead : {1, 20}) {
    hostsim::HostOptions options;
    options.advanceState = false;
    hostsim::Host host(module.entryPoint, Patterned(20, 20, 4, 8), options);
    hostsim::ScriptingHost scripting(host);
    scripting.PlayNothing(plugInDialogSilent);
    ASSERT_EQ(host.Call(filterSelectorStart), 0);
    for (int32_t row = 0; row < rowsRead; ++row) ASSERT_EQ(host.Call(filterSelectorContinue), 0);
    EXPECT_EQ(host.Call(filterSelectorFinish), 0);
    EXPECT_EQ(host.Call(filterSelectorContinue), 0) << rowsRead;
    EXPECT_TRUE(hostsim::RectsEmpty(host.record())) << rowsRead;
    EXPECT_TRUE(host.violations.empty()) << host.violations.front();
  }
  EXPECT_TRUE(ReadBytes(FixedPath("c:\\MORVlog.txt")).empty());
}

// The one-call-at-a-time contract broken by a progress callback that calls
// finish in the middle of a call: the inner call is refused, the run goes on.
struct Reentry {
  EntryPointProc entryPoint = nullptr;
  hostsim::Host* host = nullptr;
  std::vector<int16_t> results;
};
Reentry reentry;

void TK_CDECL ProgressThatCallsFinish(int32_t, int32_t) {
  int16_t result = 1;
  reentry.entryPoint(filterSelectorFinish, &reentry.host->record(), &reentry.host->data(), &result);
  reentry.results.push_back(result);
}

TEST_F(HostileHostTest, ACallFromInsideAHostCallbackIsRefused) {
  hostsim::Host host(module.entryPoint, Patterned(20, 20, 4, 8));
  hostsim::ScriptingHost scripting(host);
  scripting.PlayNothing(plugInDialogSilent);
  reentry = Reentry{module.entryPoint, &host, {}};
  host.record().progressProc = ProgressThatCallsFinish;
  EXPECT_EQ(host.Run(), 0);
  EXPECT_TRUE(host.violations.empty()) << host.violations.front();
  ASSERT_FALSE(reentry.results.empty());
  for (int16_t result : reentry.results) ASSERT_EQ(result, filterBadParameters);
  EXPECT_EQ(host.Call(filterSelectorAbout), 0);  // and the module answers again afterwards
}

TEST_F(HostileHostTest, AParametersHandleWithoutDataIsLeftAlone) {
  hostsim::Host host(module.entryPoint, Patterned(20, 20, 1, 8));
  char* nothing = nullptr;
  host.record().parameters = &nothing;
  EXPECT_EQ(host.Call(filterSelectorParameters), 0);
  Handle kept = host.record().parameters;  // a copy: the packed record's field is not aligned
  EXPECT_EQ(kept, &nothing);
  EXPECT_EQ(nothing, nullptr);
  host.record().parameters = nullptr;
}

// 30000 x 30000 RGB at 16 bits needs a 5.4 GB store: no 32-bit host can map it.
TEST_F(HostileHostTest, AStoreBeyondTheAddressSpaceEndsTheRunCleanly) {
  if (sizeof(void*) == 8) GTEST_SKIP() << "a 64-bit module can map the store";
  hostsim::HostOptions options;
  options.haveFilterRect = true;
  options.filterRect = {0, 0, 30000, 30000};
  hostsim::Host host(module.entryPoint, Patterned(20, 20, 3, 16), options);
  host.record().imageSize = Point16{30000, 30000};
  EXPECT_EQ(host.Run(), ioErr);  // the mapping cannot be made
  EXPECT_TRUE(hostsim::RectsEmpty(host.record()));
  EXPECT_EQ(host.output().samples, host.input().samples);
}

TEST_F(HostileHostTest, TheModuleRunsAgainAfterBeingReloaded) {
  for (int round = 0; round < 2; ++round) {
    hostsim::Host host(module.entryPoint, Patterned(20, 20, 1, 8));
    int16_t result = host.Run();
    EXPECT_TRUE(result == 0 || result == userCanceledErr);
    hostsim::UnloadModule(module);
    module = hostsim::LoadModule(ModulePath());
    ASSERT_NE(module.entryPoint, nullptr) << module.error;
  }
}

}  // namespace
