// Whole filter runs of the built module under Wine with a display: the host
// simulator drives the run while a robot thread plays the user at the real
// kernel dialog - typing, loading a kernel file, checking what the preview
// shows on the screen, and accepting or cancelling.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "dialog/KernelDialogProc.h"
#include "filter/Kernel.h"
#include "filter/RecordedSettings.h"
#include "contract/ResultCodes.h"
#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"
#include "hostsim/ModuleLoader.h"
#include "tests/support/ConvolveReference.h"
#include "tests/support/FilterRunSupport.h"
#include "tests/support/TestSupport.h"
#include "tests/wine/WindowRobot.h"

namespace {

constexpr int32_t kWidth = 300;
constexpr int32_t kHeight = 250;
constexpr DWORD kPatience = 20000;
constexpr int32_t kFirstGridField = 9;

uint8_t SourceSample(int32_t x, int32_t y) { return uint8_t((x * 5 + y * 3) % 256 ^ ((x / 8 + y / 8) % 2 ? 0x40 : 0)); }

hostsim::Image SourceImage() {
  hostsim::Image image = hostsim::MakeImage(kWidth, kHeight, 1, 8);
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) image.SetSample(x, y, 0, SourceSample(x, y));
  return image;
}

// The source filtered by the reference arithmetic, one sample per pixel.
std::vector<uint16_t> Filtered(const ConvolutionKernel& kernel) {
  TestImage image = MakeTestImage(kWidth, kHeight, 1, false);
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) image.samples[size_t(y) * kWidth + x] = SourceSample(x, y);
  return ReferenceConvolve(image, kernel.values);
}

std::string ProgramDirectory() {
  std::string module = hostsim::ModuleBesideProgram();
  return module.substr(0, module.find_last_of("\\/") + 1);
}

std::string FieldText(HWND dialog, int32_t id) {
  char text[64] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// A custom filter file: a 5 x 5 kernel whose middle row is 1s, scale 5.
std::string WriteLineKernel() {
  std::string path = ProgramDirectory() + "line.acf";
  uint8_t bytes[54] = {};
  for (int32_t c = 0; c < 5; ++c) bytes[2 * (5 * 2 + c) + 1] = 1;
  bytes[51] = 5;
  FILE* file = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes, 1, sizeof bytes, file);
  std::fclose(file);
  return path;
}

// What the accepted case ends with: the file's middle row down the grid's
// middle column, its scale, and the typed add constant.
ConvolutionKernel LoadedLineKernel() {
  ConvolutionKernel kernel{};
  for (int32_t row = 1; row <= 5; ++row) kernel.values[7 * row + 3] = 1.0f;
  kernel.values[kScaleFactorSlot] = 5.0f;
  kernel.values[kOffsetSlot] = 20.0f;
  return kernel;
}

std::string StoredLineKernelText() {
  std::string text;
  for (int32_t i = 0; i < 49; ++i) text += i % 7 == 3 && i / 7 >= 1 && i / 7 <= 5 ? "1.0000," : "0.0,";
  return text;
}

// Mismatches between the preview on the screen and the filtered image, in
// 5-bit steps, over the pixels whose window lies inside the view.
int32_t PreviewMismatches(const robot::Capture& capture, HWND dialog, const std::vector<uint16_t>& filtered,
                          std::string* first) {
  RECT frame{};
  GetWindowRect(GetDlgItem(dialog, kPreviewFrame), &frame);
  POINT topLeft{frame.left, frame.top};
  ScreenToClient(dialog, &topLeft);
  POINT origin = robot::ClientOrigin(dialog);
  int32_t viewWidth = std::min<int32_t>(kWidth, frame.right - frame.left);
  int32_t viewHeight = std::min<int32_t>(kHeight, frame.bottom - frame.top);
  int32_t mismatches = 0;
  for (int32_t y = 3; y < viewHeight - 3; ++y)
    for (int32_t x = 3; x < viewWidth - 3; ++x) {
      const uint8_t* shown = capture.At(origin.x + topLeft.x + x, origin.y + topLeft.y + y);
      int32_t expected = filtered[size_t(y) * kWidth + x] >> 3;
      if (shown[0] >> 3 == expected && shown[1] >> 3 == expected && shown[2] >> 3 == expected) continue;
      if (mismatches++ == 0)
        *first = "pixel " + std::to_string(x) + "," + std::to_string(y) + " shows " + std::to_string(shown[0]) +
                 " for " + std::to_string(expected);
    }
  return mismatches;
}

// What the user does at the shown dialog; returns the button that ends it.
using UserActions = std::function<int32_t(HWND dialog, std::vector<std::string>& failures)>;

// The whole run, with the user acting on another thread; what the user
// found wrong fails the test.
int16_t RunWithUser(hostsim::Host& host, const UserActions& act) {
  std::vector<std::string> failures;
  std::thread user([&] {
    HWND dialog = robot::WaitForDialog(kAutoscaleBox, nullptr, kPatience);
    if (dialog == nullptr) {
      failures.push_back("the dialog did not appear");
      return;
    }
    robot::WaitForPaint(dialog);
    robot::PressButton(dialog, act(dialog, failures));
    if (!robot::WaitForClose(dialog, kPatience)) failures.push_back("the dialog did not close");
  });
  int16_t result = host.Run();
  user.join();
  for (const std::string& failure : failures) ADD_FAILURE() << failure;
  return result;
}

class KernelDialogWine : public ModuleTest {};

TEST_F(KernelDialogWine, AcceptedSettingsAreFilteredSavedAndRecorded) {
  std::string kernelFile = WriteLineKernel();
  std::vector<uint16_t> filtered = Filtered(LoadedLineKernel());
  hostsim::Host host(module.entryPoint, SourceImage());
  hostsim::ScriptingHost scripting(host);
  scripting.Play(Settings(IdentityKernelText(), 2.0, 0.0, false), plugInDialogDisplay);
  int16_t result = RunWithUser(host, [&](HWND dialog, std::vector<std::string>& failures) {
    if (FieldText(dialog, kFirstGridField + 24) != "1.00000")
      failures.push_back("centre field shows " + FieldText(dialog, kFirstGridField + 24));
    if (FieldText(dialog, kScaleField) != "2.00000") failures.push_back("scale shows " + FieldText(dialog, kScaleField));
    robot::TypeInto(dialog, kFirstGridField + 24, "0.5");
    robot::PressButton(dialog, kLoadButton);
    HWND open = robot::WaitForDialog(0, "Open Kernel file...", kPatience);
    if (open == nullptr) {
      failures.push_back("Load showed no file dialog");
    } else {
      robot::ChooseFile(open, kernelFile);
      if (!robot::WaitForClose(open, kPatience)) failures.push_back("the file dialog did not close");
    }
    robot::WaitForPaint(dialog);
    if (FieldText(dialog, kScaleField) != "5.00000") failures.push_back("scale shows " + FieldText(dialog, kScaleField));
    if (FieldText(dialog, kFirstGridField + 7 + 3) != "1.00000") failures.push_back("Load placed no 1 at row 1, column 3");
    robot::TypeInto(dialog, kOffsetField, "20");
    robot::WaitForPaint(dialog);
    robot::Capture capture = robot::CaptureWindow(dialog);
    robot::WritePng(ProgramDirectory() + "kernel-dialog.png", capture);
    std::string first;
    if (int32_t count = PreviewMismatches(capture, dialog, filtered, &first); count > 0)
      failures.push_back("the preview differs from the filtered image at " + std::to_string(count) +
                         " pixels, first " + first);
    return kOkButton;
  });
  ASSERT_EQ(result, 0);
  EXPECT_TRUE(host.violations.empty());
  int32_t wrong = 0;
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) wrong += host.output().Sample(x, y, 0) != filtered[size_t(y) * kWidth + x];
  EXPECT_EQ(wrong, 0) << "output samples differ from the filtered image";
  std::vector<uint8_t> preferences = ReadBytes(FixedPath("c:\\MORVpref.xxx"));
  ASSERT_EQ(preferences.size(), kPreferencesFileBytes);
  EXPECT_EQ(PreferenceFloat(preferences, SettingOf(kScaleParam).preference), 5.0f);
  EXPECT_EQ(PreferenceFloat(preferences, SettingOf(kOffsetParam).preference), 20.0f);
  std::optional<hostsim::Descriptor> recorded = scripting.Recorded();
  ASSERT_TRUE(recorded);
  EXPECT_EQ(*recorded, Recorded(StoredLineKernelText(), 5.0, 20.0, false));
}

TEST_F(KernelDialogWine, CancelEndsTheRunWithTheSettingsSavedAndRecorded) {
  hostsim::Host host(module.entryPoint, SourceImage());
  hostsim::ScriptingHost scripting(host);
  scripting.PlayNothing(plugInDialogDisplay);
  EXPECT_EQ(RunWithUser(host, [](HWND, std::vector<std::string>&) { return kCancelButton; }), userCanceledErr);
  EXPECT_TRUE(hostsim::RectsEmpty(host.record()));
  EXPECT_EQ(ReadBytes(FixedPath("c:\\MORVpref.xxx")).size(), kPreferencesFileBytes);
  EXPECT_TRUE(scripting.Recorded());
}

// Without the descriptor suites the plug-in cannot know what the host
// wants, so it asks the user even for a run meant to be silent.
TEST_F(KernelDialogWine, AHostWithoutDescriptorSuitesGetsTheDialogAndNoRecord) {
  hostsim::Host host(module.entryPoint, SourceImage());
  hostsim::ScriptingOptions options;
  options.readProcs = false;
  options.writeProcs = false;
  hostsim::ScriptingHost scripting(host, options);
  scripting.PlayNothing(plugInDialogDontDisplay);
  EXPECT_EQ(RunWithUser(host, [](HWND, std::vector<std::string>&) { return kOkButton; }), 0);
  EXPECT_FALSE(scripting.Recorded());
}

}  // namespace
