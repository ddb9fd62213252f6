// Whole runs of the loaded module that show the kernel dialog, with a
// driver playing the user: accepted, cancelled, and shown because the host's
// scripting could not be used.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "filter/RecordedSettings.h"
#include "contract/DialogDriver.h"
#include "dialog/KernelDialogProc.h"
#include "plugin/JobRecord.h"
#include "contract/ResultCodes.h"
#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"
#include "hostsim/ModuleLoader.h"
#include "tests/support/FilterRunSupport.h"
#include "tests/support/TestSupport.h"

namespace {

using hostsim::Descriptor;
using hostsim::ScriptingHost;
using User = std::function<void(const TarkelDialogControls&)>;

std::string FieldText(const TarkelDialogControls& c, int32_t id) {
  char text[64];
  c.getText(c.dialog, id, text, sizeof text);
  return text;
}

class FilterRunDialogTest : public FilterRunTest {
 protected:
  void TearDown() override {
    if (hostsim::SetDialogDriverProc install = hostsim::FindDialogDriverHook(module)) install(nullptr);
    FilterRunTest::TearDown();
  }
  // Every opening of the dialog in the runs that follow is played by `user`.
  void ActAtTheDialog(User user) {
    user_ = std::move(user);
    hostsim::SetDialogDriverProc install = hostsim::FindDialogDriverHook(module);
    ASSERT_NE(install, nullptr);
    TarkelDialogDriver driver{TARKEL_DIALOG_DRIVER_VERSION, 0, 0, this, [](void* self, const TarkelDialogControls* c) {
                                auto* test = static_cast<FilterRunDialogTest*>(self);
                                ++test->openings;
                                test->user_(*c);
                              }};
    ASSERT_EQ(install(&driver), 0);
  }
  void PressOk() {
    ActAtTheDialog([](const TarkelDialogControls& c) { c.click(c.dialog, kOkButton); });
  }

  int32_t openings = 0;

 private:
  User user_;
};

TEST_F(FilterRunDialogTest, TheUsersEditsFilterTheImageAndAreRecordedAndSaved) {
  hostsim::Image image = Ramp(20, 20, 3, 8);
  hostsim::Host host(module.entryPoint, image);
  ScriptingHost scripting(host);
  scripting.Play(Settings(IdentityKernelText(), 1.0, 0.0, false), plugInDialogDisplay);
  std::string shownCentre;
  ActAtTheDialog([&](const TarkelDialogControls& c) {
    shownCentre = FieldText(c, kFirstCoefficientField + 24);
    c.setText(c.dialog, kScaleField, "2");
    c.setText(c.dialog, kOffsetField, "5");
    c.click(c.dialog, kOkButton);
  });
  ASSERT_EQ(host.Run(), 0);
  EXPECT_EQ(openings, 1);
  EXPECT_EQ(shownCentre, "1.00000");  // the played kernel reached the dialog
  EXPECT_TRUE(host.violations.empty());
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 20; ++x)
      for (int32_t p = 0; p < 3; ++p)
        ASSERT_EQ(host.output().Sample(x, y, p), image.Sample(x, y, p) / 2 + 5) << x << "," << y << "," << p;
  EXPECT_EQ(*scripting.Recorded(), Recorded(StoredIdentityText(), 2.0, 5.0, false));
  std::vector<uint8_t> preferences = ReadBytes(FixedPath("c:\\MORVpref.xxx"));
  EXPECT_EQ(PreferenceFloat(preferences, SettingOf(kScaleParam).preference), 2.0f);
  EXPECT_EQ(PreferenceFloat(preferences, SettingOf(kOffsetParam).preference), 5.0f);
}

// The settings a cancelled run recorded are the ones it was handed: a
// 600-character kernel text goes back as its first 513 characters.
TEST_F(FilterRunDialogTest, ACancelledDialogEndsTheRunButKeepsPreferencesRecordAndLog) {
  WriteString(FixedPath("c:\\MORVlog.txt"), "");
  std::string longText = IdentityKernelText();
  while (longText.size() < 600) longText += "0,";
  longText.resize(600);
  hostsim::Image image = Ramp(20, 20, 1, 8);
  hostsim::Host host(module.entryPoint, image);
  ScriptingHost scripting(host);
  scripting.Play(Settings(longText, 3.0, 0.0, false), plugInDialogDisplay);
  ActAtTheDialog([](const TarkelDialogControls& c) {
    c.setText(c.dialog, kScaleField, "7");
    c.click(c.dialog, kCancelButton);
  });
  EXPECT_EQ(host.Run(), userCanceledErr);
  EXPECT_EQ(openings, 1);
  EXPECT_TRUE(hostsim::RectsEmpty(host.record()));
  EXPECT_EQ(host.output().samples, image.samples);
  EXPECT_EQ(ReadBytes(FixedPath("c:\\MORVpref.xxx")).size(), kPreferencesFileBytes);
  std::optional<Descriptor> recorded = scripting.Recorded();
  ASSERT_TRUE(recorded);
  EXPECT_EQ(*recorded, Recorded(longText.substr(0, 513), 3.0, 0.0, false));
  EXPECT_EQ(scripting.parameters().recordInfo, plugInDialogOptional);
  EXPECT_TRUE(LogText().ends_with("Result = -128\r\n"));
}

TEST_F(FilterRunDialogTest, ADriverThatNeverAnswersCancelsTheRun) {
  hostsim::Host host(module.entryPoint, Ramp(20, 20, 1, 8));
  ActAtTheDialog([](const TarkelDialogControls&) {});
  EXPECT_EQ(host.Run(), userCanceledErr);
  EXPECT_TRUE(hostsim::RectsEmpty(host.record()));
}

// Scripting the run cannot use: the dialog is shown and nothing is recorded.
TEST_F(FilterRunDialogTest, WithoutUsableDescriptorSuitesTheDialogIsShownAndNothingRecorded) {
  struct Case {
    const char* name;
    std::function<void(hostsim::ScriptingOptions&)> change;
  };
  const Case cases[] = {
      {"no suites", [](hostsim::ScriptingOptions& o) { o.readProcs = o.writeProcs = false; }},
      {"suites of a negative version",
       [](hostsim::ScriptingOptions& o) { o.readProcsVersion = o.writeProcsVersion = -1; }},
      {"too few procs", [](hostsim::ScriptingOptions& o) { o.numReadProcs = o.numWriteProcs = 3; }},
      {"parameters of another version", [](hostsim::ScriptingOptions& o) { o.descriptorParametersVersion = 7; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    openings = 0;
    hostsim::Host host(module.entryPoint, Ramp(20, 20, 1, 8));
    hostsim::ScriptingOptions options;
    c.change(options);
    ScriptingHost scripting(host, options);
    scripting.PlayNothing(plugInDialogDontDisplay);  // usable suites would keep the dialog closed
    PressOk();
    EXPECT_EQ(host.Run(), 0);
    EXPECT_EQ(openings, 1);
    EXPECT_FALSE(scripting.Recorded());
    EXPECT_TRUE(host.violations.empty());
  }
  // A host with no scripting at all leaves descriptorParameters null; this
  // one gives no platform data either, so the dialog has no parent window.
  openings = 0;
  hostsim::Host host(module.entryPoint, Ramp(20, 20, 1, 8));
  ASSERT_EQ(host.record().descriptorParameters, nullptr);
  host.record().platformData = nullptr;
  PressOk();
  EXPECT_EQ(host.Run(), 0);
  EXPECT_EQ(openings, 1);
}

}  // namespace
