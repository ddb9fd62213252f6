// The real kernel dialog under Wine with a display: a robot thread finds
// the dialog, types, loads a kernel file, checks what the preview shows on
// the screen and presses OK.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dialog/KernelDialog.h"
#include "dialog/KernelDialogProc.h"
#include "filter/Kernel.h"
#include "host/JobRecord.h"
#include "host/Memory.h"
#include "hostsim/ModuleLoader.h"
#include "store/ImageStore.h"
#include "tests/wine/WindowRobot.h"

namespace {

constexpr int16_t kWidth = 300;
constexpr int16_t kHeight = 250;
constexpr DWORD kPatience = 20000;

uint8_t SourceSample(int32_t x, int32_t y) { return uint8_t((x * 5 + y * 3) % 256 ^ ((x / 8 + y / 8) % 2 ? 0x40 : 0)); }

std::string ProgramDirectory() {
  std::string module = hostsim::ModuleBesideProgram();
  return module.substr(0, module.find_last_of("\\/") + 1);
}

std::string FieldText(HWND dialog, int32_t id) {
  char text[64] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// An Adobe Custom Filter file: a 5 x 5 kernel whose middle row is 1s, scale 5.
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

// The engine's plain formula at one pixel whose 7 x 7 window lies inside the image.
int32_t FilteredSample(const ConvolutionKernel& kernel, int32_t x, int32_t y) {
  double sum = 0;
  for (int32_t k = 0; k < 7; ++k)
    for (int32_t c = 0; c < 7; ++c) sum += SourceSample(x - 3 + c, y - 3 + k) * double(kernel.values[7 * k + c]);
  double v = sum / kernel.values[kScaleFactorSlot] + kernel.values[kOffsetSlot];
  if (v > 255) v = 255;
  if (!(v >= 0)) v = 0;
  return int32_t(v);
}

// Mismatches between the preview on the screen and the filtered image, in
// 5-bit steps, over the pixels whose window lies inside the view.
int32_t PreviewMismatches(const robot::Capture& capture, HWND dialog, const ConvolutionKernel& kernel,
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
      int32_t expected = FilteredSample(kernel, x, y) >> 3;
      if (shown[0] >> 3 == expected && shown[1] >> 3 == expected && shown[2] >> 3 == expected) continue;
      if (mismatches++ == 0)
        *first = "pixel " + std::to_string(x) + "," + std::to_string(y) + " shows " + std::to_string(shown[0]) +
                 " for " + std::to_string(expected);
    }
  return mismatches;
}

class KernelDialogWine : public ::testing::Test {
 protected:
  void SetUp() override {
    module = LoadLibraryA(hostsim::ModuleBesideProgram().c_str());
    ASSERT_NE(module, nullptr);
    moduleInstance = module;  // the template comes from the built module
    ASSERT_EQ(NewBackingStore(kWidth, kHeight, 1, &store), 0);
    std::vector<uint8_t> row(kWidth);
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) row[size_t(x)] = SourceSample(x, y);
      WriteStoreRow(store, 0, y, kWidth, row.data());
    }
    job.width = kWidth;
    job.height = kHeight;
    job.colourPlanes = 1;
    job.hostRecord = &record;
    record.platformData = &platform;
    for (float& value : kernel.values) value = 0.0f;
    kernel.values[24] = 1.0f;
    kernel.values[kScaleFactorSlot] = 1.0f;
  }
  void TearDown() override {
    DisposeBackingStore(store);
    if (module != nullptr) FreeLibrary(module);
  }

  HMODULE module = nullptr;
  ImageStore* store = nullptr;
  PlatformData platform{};
  FilterRecord record{};
  JobRecord job{};
  ConvolutionKernel kernel{};
};

TEST_F(KernelDialogWine, TypedAndLoadedValuesShowInThePreviewAndReachTheCallerOnOk) {
  std::string kernelFile = WriteLineKernel();
  std::vector<std::string> failures;
  // The file's middle row lands down the grid's middle column; the typed
  // add constant follows it.
  ConvolutionKernel expected{};
  for (int32_t row = 1; row <= 5; ++row) expected.values[7 * row + 3] = 1.0f;
  expected.values[kScaleFactorSlot] = 5.0f;
  expected.values[kOffsetSlot] = 20.0f;
  std::thread user([&] {
    HWND dialog = robot::WaitForDialog(kAutoscaleBox, nullptr, kPatience);
    if (dialog == nullptr) {
      failures.push_back("the dialog did not appear");
      return;
    }
    robot::WaitForPaint(dialog);
    if (FieldText(dialog, 9 + 24) != "1.00000") failures.push_back("centre field shows " + FieldText(dialog, 33));
    robot::TypeInto(dialog, 9 + 24, "0.5");
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
    if (FieldText(dialog, 9 + 7 + 3) != "1.00000") failures.push_back("Load placed no 1 at row 1, column 3");
    robot::TypeInto(dialog, kOffsetField, "20");
    robot::WaitForPaint(dialog);
    robot::Capture capture = robot::CaptureWindow(dialog);
    robot::WritePng(ProgramDirectory() + "kernel-dialog.png", capture);
    std::string first;
    if (int32_t count = PreviewMismatches(capture, dialog, expected, &first); count > 0)
      failures.push_back("the preview differs from the filtered image at " + std::to_string(count) +
                         " pixels, first " + first);
    robot::PressButton(dialog, kOkButton);
    if (!robot::WaitForClose(dialog, kPatience)) failures.push_back("OK did not close the dialog");
  });
  int16_t result = RunKernelDialog(store, &job, &kernel);
  user.join();
  for (const std::string& failure : failures) ADD_FAILURE() << failure;
  EXPECT_EQ(result, 0);
  for (int32_t slot = 0; slot <= kAutoscaleSlot; ++slot) EXPECT_EQ(kernel.values[slot], expected.values[slot]) << slot;
}

}  // namespace
