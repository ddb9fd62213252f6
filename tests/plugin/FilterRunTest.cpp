// Whole runs of the loaded module through the host simulator with its
// scripting host: preferences, playback and recording, the log, small
// images, extra planes and masks, aborts, and hosts that misbehave. The runs
// here never show the dialog, so they hold on every target.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "filter/RecordedSettings.h"
#include "plugin/JobRecord.h"
#include "contract/ResultCodes.h"
#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"
#include "tests/support/FilterRunSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using hostsim::Descriptor;
using hostsim::ScriptingHost;

TEST_F(FilterRunTest, FirstRunCreatesThePreferencesAndTheSecondStartsFromThem) {
  hostsim::Image image = Ramp(20, 20, 1, 8);
  {
    hostsim::Host host(module.entryPoint, image);
    ScriptingHost scripting(host);
    scripting.Play(Settings(IdentityKernelText(), 2.0, 10.0, false), plugInDialogDontDisplay);
    ASSERT_EQ(host.Run(), 0);
    EXPECT_TRUE(host.violations.empty());
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(host.output().Sample(x, y, 0), image.Sample(x, y, 0) / 2 + 10);
    EXPECT_EQ(*scripting.Recorded(), Recorded(StoredIdentityText(), 2.0, 10.0, false));
    EXPECT_EQ(scripting.parameters().recordInfo, plugInDialogOptional);
  }
  std::vector<uint8_t> preferences = ReadBytes(FixedPath("c:\\MORVpref.xxx"));
  ASSERT_EQ(preferences.size(), kPreferencesFileBytes);
  EXPECT_EQ(PreferenceFloat(preferences, SettingOf(kAutoscaleParam).preference), 0.0f);
  EXPECT_EQ(PreferenceFloat(preferences, SettingOf(kScaleParam).preference), 2.0f);
  EXPECT_EQ(PreferenceFloat(preferences, SettingOf(kOffsetParam).preference), 10.0f);
  EXPECT_EQ(PreferenceSlot(preferences, int32_t(SettingOf(kKernelParam).preference)), StoredIdentityText());

  // Played back without a descriptor: the preferences give every value.
  hostsim::Host host(module.entryPoint, image);
  ScriptingHost scripting(host);
  scripting.PlayNothing(plugInDialogDontDisplay);
  ASSERT_EQ(host.Run(), 0);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(host.output().Sample(x, y, 0), image.Sample(x, y, 0) / 2 + 10);
  EXPECT_EQ(*scripting.Recorded(), Recorded(StoredIdentityText(), 2.0, 10.0, false));
}

TEST_F(FilterRunTest, AutoscaleIsRecordedAndSavedAsOne) {
  hostsim::Host host(module.entryPoint, Ramp(20, 20, 1, 8));
  ScriptingHost scripting(host);
  scripting.Play(Settings(IdentityKernelText(), 1.0, 0.0, true), plugInDialogSilent);
  ASSERT_EQ(host.Run(), 0);
  EXPECT_EQ(PreferenceFloat(ReadBytes(FixedPath("c:\\MORVpref.xxx")), SettingOf(kAutoscaleParam).preference), 1.0f);
  EXPECT_EQ((*scripting.Recorded())[3], hostsim::BooleanEntry(FourCC("AFlg"), true));
}

TEST_F(FilterRunTest, SilentPlaybackWithoutADescriptorRunsOnTheDefaults) {
  hostsim::Host host(module.entryPoint, Ramp(20, 20, 3, 8));
  ScriptingHost scripting(host);
  scripting.PlayNothing(plugInDialogSilent);
  ASSERT_EQ(host.Run(), 0);  // a dialog could not have been shown here
  std::optional<Descriptor> recorded = scripting.Recorded();
  ASSERT_TRUE(recorded);
  ASSERT_EQ(recorded->size(), 4u);
  EXPECT_EQ((*recorded)[0].text.rfind("0.0,0.0030,0.0067,0.0086,0.0067,0.0030,0.0,", 0), 0u);
  EXPECT_EQ((*recorded)[1], hostsim::DoubleEntry(FourCC("sCAL"), 1.0));  // a zero scale runs and is kept as 1
  EXPECT_EQ((*recorded)[2], hostsim::DoubleEntry(FourCC("oFST"), 0.0));
  EXPECT_EQ((*recorded)[3], hostsim::BooleanEntry(FourCC("AFlg"), false));
}

TEST_F(FilterRunTest, TheScaleLimitHoldsInSinglePrecisionAndTheLastAcceptedKeyWins) {
  struct Case {
    Descriptor played;
    double recorded;
  };
  uint32_t scale = FourCC("sCAL");
  for (const Case& c :
       {Case{{hostsim::DoubleEntry(scale, 3.0)}, 3.0}, Case{{hostsim::DoubleEntry(scale, 10000.5)}, 3.0},
        Case{{hostsim::DoubleEntry(scale, 10000.0004)}, 10000.0}, Case{{hostsim::DoubleEntry(scale, 10000.0)}, 10000.0},
        Case{{hostsim::DoubleEntry(scale, 5.0), hostsim::DoubleEntry(scale, 7.0), hostsim::DoubleEntry(scale, 2e4)},
             7.0}}) {
    hostsim::Host host(module.entryPoint, Ramp(16, 16, 1, 8));
    ScriptingHost scripting(host);
    Descriptor played = Settings(IdentityKernelText(), 0.0, 0.0, false);
    played.erase(played.begin() + 1);  // no scale but the case's
    played.insert(played.end(), c.played.begin(), c.played.end());
    scripting.Play(played, plugInDialogDontDisplay);
    ASSERT_EQ(host.Run(), 0);
    EXPECT_EQ((*scripting.Recorded())[1], hostsim::DoubleEntry(scale, c.recorded)) << c.played.back().number;
  }
}

TEST_F(FilterRunTest, TheLogGetsOneRecordPerRunOnceItExists) {
  auto run = [&](double scale) {
    hostsim::Host host(module.entryPoint, Ramp(16, 16, 1, 8));
    ScriptingHost scripting(host);
    scripting.Play(Settings(IdentityKernelText(), scale, 10.0, false), plugInDialogDontDisplay);
    return host.Run();
  };
  std::string log = FixedPath("c:\\MORVlog.txt");
  ASSERT_EQ(run(2.0), 0);
  EXPECT_FALSE(FileExists(log));
  WriteString(log, "");
  ASSERT_EQ(run(2.0), 0);
  std::vector<uint8_t> bytes = ReadBytes(log);
  std::string record(bytes.begin(), bytes.end());
  EXPECT_EQ(record,
            "-----------------------------\r\n"
            "Signature = CsKr\tWRITEBACK\tNo Mask Image\r\n"
            "# Inputs = 4\r\n"
            "0: Type = STRING\tKey = Krnl\tValue = " + StoredIdentityText() + "\r\n"
            "1: Type = FLOAT\tKey = sCAL\tMin = 0.0\tMax = " + Number(10000.0f) + "\tValue = 2.00000\r\n"
            "2: Type = FLOAT\tKey = oFST\tMin = " + Number(-10000.0f) + "\tMax = " + Number(10000.0f) +
                "\tValue = 10.0000\r\n"
            "3: Type = BOOLEAN\tKey = AFlg\tValue = FALSE\r\n"
            "Result = 0\r\n");
  ASSERT_EQ(run(3.0), 0);
  bytes = ReadBytes(log);
  std::string both(bytes.begin(), bytes.end());
  ASSERT_GT(both.size(), record.size());
  EXPECT_EQ(both.substr(0, record.size()), record);
  EXPECT_NE(both.find("Value = 3.00000\r\n", record.size()), std::string::npos);
}

TEST_F(FilterRunTest, AnImageUnder15PixelsKeepsItsPixelsButStoresTheSettings) {
  WriteString(FixedPath("c:\\MORVlog.txt"), "");
  hostsim::Image image = Ramp(14, 200, 1, 8);
  hostsim::Host host(module.entryPoint, image);
  ScriptingHost scripting(host);
  scripting.Play(Settings(IdentityKernelText(), 4.0, 1.0, false), plugInDialogDontDisplay);
  EXPECT_EQ(host.Run(), userCanceledErr);
  EXPECT_EQ(host.output().samples, image.samples);
  EXPECT_TRUE(hostsim::RectsEmpty(host.record()));
  EXPECT_EQ(PreferenceFloat(ReadBytes(FixedPath("c:\\MORVpref.xxx")), SettingOf(kScaleParam).preference), 4.0f);
  EXPECT_EQ(*scripting.Recorded(), Recorded(StoredIdentityText(), 4.0, 1.0, false));
  EXPECT_TRUE(LogText().ends_with("Result = -128\r\n"));
}

TEST_F(FilterRunTest, RgbWithTransparencyAndAMaskKeepsTheExtraPlane) {
  for (int32_t depth : {8, 16}) {
    hostsim::Image image = Ramp(24, 18, 4, depth);
    image.mask.assign(size_t(24) * 18, 0xFF);
    for (size_t i = 0; i < image.mask.size(); i += 3) image.mask[i] = 0x40;
    hostsim::Host host(module.entryPoint, image);
    ScriptingHost scripting(host);
    scripting.Play(Settings(IdentityKernelText(), 1.0, 10.0, false), plugInDialogDontDisplay);
    ASSERT_EQ(host.Run(), 0) << depth;
    EXPECT_TRUE(host.violations.empty());
    // The offset is in 8-bit units: 10 adds 1285 at 16 bits, up to 32768.
    uint32_t add = depth == 16 ? 1285 : 10, top = depth == 16 ? 32768 : 255;
    for (int32_t y = 0; y < 18; ++y)
      for (int32_t x = 0; x < 24; ++x) {
        for (int32_t p = 0; p < 3; ++p)
          ASSERT_EQ(host.output().Sample(x, y, p), std::min(top, image.Sample(x, y, p) + add)) << x << "," << y;
        ASSERT_EQ(host.output().Sample(x, y, 3), image.Sample(x, y, 3));
      }
  }
}

TEST_F(FilterRunTest, AnAbortDuringTheRunEndsItWithTheSettingsRecorded) {
  WriteString(FixedPath("c:\\MORVlog.txt"), "");
  hostsim::HostOptions options;
  options.abortWhen = [](int32_t calls) { return calls >= 5; };
  hostsim::Image image = Ramp(20, 20, 1, 8);
  hostsim::Host host(module.entryPoint, image, options);
  ScriptingHost scripting(host);
  scripting.Play(Settings(IdentityKernelText(), 2.0, 0.0, false), plugInDialogDontDisplay);
  EXPECT_EQ(host.Run(), userCanceledErr);
  EXPECT_TRUE(hostsim::RectsEmpty(host.record()));
  EXPECT_EQ(*scripting.Recorded(), Recorded(StoredIdentityText(), 2.0, 0.0, false));
  EXPECT_EQ(scripting.parameters().recordInfo, plugInDialogOptional);
  EXPECT_EQ(ReadBytes(FixedPath("c:\\MORVpref.xxx")).size(), kPreferencesFileBytes);
  EXPECT_TRUE(LogText().ends_with("Result = -128\r\n"));
  EXPECT_EQ(host.LiveHandles(), 1u);  // the recorded descriptor only
}

// Hosts that break the scripting contract in one way each, played back
// without the dialog: the run ends normally and records what it can.
// A blur of fractional taps is a kernel, not an empty one: played back from
// its recording it gives the recorded run's pixels, and those are the box's.
TEST_F(FilterRunTest, ARecordedFractionalKernelPlaysBackToTheSamePixels) {
  hostsim::Image image = hostsim::MakeImage(24, 20, 3, 8);
  std::mt19937 random(3);
  for (uint8_t& sample : image.samples) sample = uint8_t(random());
  std::string box;
  for (int i = 0; i < 49; ++i) box += (i / 7 >= 2 && i / 7 <= 4 && i % 7 >= 2 && i % 7 <= 4) ? "0.1111," : "0,";

  hostsim::Host recording(module.entryPoint, image);
  ScriptingHost recorder(recording);
  recorder.Play(Settings(box, 1.0, 0.0, false), plugInDialogDontDisplay);
  ASSERT_EQ(recording.Run(), 0);
  std::optional<Descriptor> recorded = recorder.Recorded();
  ASSERT_TRUE(recorded);
  std::string firstTap;
  for (int i = 0; i < 16; ++i) firstTap += "0.0,";
  EXPECT_EQ((*recorded)[0].text.rfind(firstTap + "0.1111,", 0), 0u) << (*recorded)[0].text;
  for (int32_t p = 0; p < 3; ++p) {
    int32_t sum = 0;
    for (int32_t dy = -1; dy <= 1; ++dy)
      for (int32_t dx = -1; dx <= 1; ++dx) sum += image.Sample(10 + dx, 10 + dy, p);
    EXPECT_NEAR(recording.output().Sample(10, 10, p), sum * 0.1111, 1.0) << p;
  }

  hostsim::Host playing(module.entryPoint, image);
  ScriptingHost player(playing);
  player.Play(*recorded, plugInDialogDontDisplay);
  ASSERT_EQ(playing.Run(), 0);
  EXPECT_EQ(playing.output().samples, recording.output().samples);
  // The host's clock followed the pump through reading, filtering and writing back.
  EXPECT_EQ(playing.clock.pumpStage, hostsim::RunPhase::writing);
  EXPECT_GT(playing.clock.seconds[size_t(hostsim::RunPhase::engine)], 0.0);
  EXPECT_GT(playing.clock.seconds[size_t(hostsim::RunPhase::reading)], 0.0);
}

TEST_F(FilterRunTest, BrokenScriptingHostsDoNotBreakTheRun) {
  struct Case {
    const char* name;
    hostsim::ScriptingOptions scripting;
    hostsim::HostOptions host;
    bool platformData;
    size_t recordedEntries;
  };
  std::vector<Case> cases;
  auto add = [&](const char* name, auto change, size_t recorded = 4) {
    Case c{name, {}, {}, true, recorded};
    change(c);
    cases.push_back(c);
  };
  add("failing get calls", [](Case& c) { c.scripting.failGets = true; });
  add("garbage key types", [](Case& c) { c.scripting.garbageKeyTypes = true; });
  add("text without terminator", [](Case& c) { c.scripting.unterminatedText = true; });
  add("endless keys", [](Case& c) { c.scripting.endlessKeys = true; });
  add("no handle suite", [](Case& c) { c.host.handleProcs = false; }, 3);
  add("no platform data", [](Case& c) { c.platformData = false; });
  add("no progress or abort", [](Case& c) {
    c.host.progressProc = false;
    c.host.abortProc = false;
  });
  add("no advanceState", [](Case& c) { c.host.advanceState = false; });
  add("close calls fail", [](Case& c) {
    c.scripting.closeReadResult = -1;
    c.scripting.closeWriteResult = -1;
  });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    hostsim::Host host(module.entryPoint, Ramp(20, 20, 1, 8), c.host);
    if (!c.platformData) host.record().platformData = nullptr;
    ScriptingHost scripting(host, c.scripting);
    scripting.Play(Settings(IdentityKernelText(), 2.0, 0.0, false), plugInDialogDontDisplay);
    EXPECT_EQ(host.Run(), 0);
    EXPECT_TRUE(host.violations.empty()) << host.violations.front();
    std::optional<Descriptor> recorded = scripting.Recorded();
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->size(), c.recordedEntries);
    EXPECT_EQ(host.progress.empty(), !c.host.progressProc);
  }
}

}  // namespace
