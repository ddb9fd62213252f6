// The kernel dialog on the headless port: a script acts as the user and
// reads back fields, check box, scroll bars and the dialog's state.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "contract/DialogDriver.h"
#include "dialog/DialogMessages.h"
#include "dialog/KernelDialog.h"
#include "dialog/KernelDialogProc.h"
#include "dialog/Preview.h"
#include "filter/Kernel.h"
#include "store/ImageStore.h"
#include "tests/support/TestSupport.h"

namespace {

using Script = std::function<void(const TarkelDialogControls&)>;

void RunScript(void* context, const TarkelDialogControls* controls) { (*static_cast<Script*>(context))(*controls); }

std::string Text(const TarkelDialogControls& c, int32_t id) {
  char buffer[64];
  c.getText(c.dialog, id, buffer, sizeof buffer);
  return buffer;
}

TarkelScrollBar Bar(const TarkelDialogControls& c, int32_t id) {
  TarkelScrollBar bar;
  c.getScrollBar(c.dialog, id, &bar);
  return bar;
}

int32_t FieldOfSlot(int32_t slot) { return kFirstCoefficientField + slot; }

// Display row y, column x of the last preview (its rows are stored bottom first).
uint16_t PreviewPixel(const TarkelDialogControls& c, int32_t x, int32_t y) {
  TarkelPreview preview{};
  if (c.getPreview(c.dialog, &preview) == 0) return 0xFFFF;
  return preview.pixels[size_t(preview.height - 1 - y) * size_t(preview.width) + size_t(x)];
}

uint16_t GrayPixel(uint8_t sample) {
  uint16_t five = sample >> 3;
  return uint16_t(five << 10 | five << 5 | five);
}

uint8_t Pattern(int32_t x, int32_t y) { return uint8_t((x + 2 * y) & 0xFF); }

class KernelDialogTest : public FixedFilesTest {
 protected:
  void SetUp() override {
    FixedFilesTest::SetUp();
    OpenImage(60, 50);
    for (int32_t i = 0; i < kKernelFloats; ++i) kernel.values[i] = 0.0f;
    kernel.values[0] = 2.0f;
    kernel.values[kScaleFactorSlot] = 4.0f;
    kernel.values[kOffsetSlot] = -3.0f;
    kernel.values[kAutoscaleSlot] = 1.0f;
  }
  void TearDown() override {
    TarkelSetDialogDriver(nullptr);
    DisposeBackingStore(store);
    FixedFilesTest::TearDown();
  }
  void OpenImage(int16_t width, int16_t height) {
    DisposeBackingStore(store);
    store = nullptr;
    ASSERT_EQ(NewBackingStore(width, height, 1, &store), 0);
    std::vector<uint8_t> row(size_t(width), 0);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) row[size_t(x)] = Pattern(x, y);
      WriteStoreRow(store, 0, y, width, row.data());
    }
    std::memset(&image, 0, sizeof image);
    image.width = width;
    image.height = height;
    image.colourPlanes = 1;
  }
  // Runs the dialog once with the script as the user; the dialog's result.
  int16_t Run(Script script, int16_t frameWidth = 0, int16_t frameHeight = 0) {
    TarkelDialogDriver driver{TARKEL_DIALOG_DRIVER_VERSION, frameWidth, frameHeight, &script, RunScript};
    EXPECT_EQ(TarkelSetDialogDriver(&driver), 0);
    image.store = store;  // a test may have made another store since OpenImage
    return RunKernelDialog(&image, nullptr, &kernel);
  }

  ImageStore* store = nullptr;
  PreviewImage image{};
  ConvolutionKernel kernel{};
};

TEST_F(KernelDialogTest, WithoutADriverTheDialogCannotBeShown) {
  ConvolutionKernel before = kernel;
  TarkelSetDialogDriver(nullptr);
  EXPECT_EQ(RunKernelDialog(&image, nullptr, &kernel), -1);
  EXPECT_EQ(std::memcmp(&before, &kernel, sizeof kernel), 0);
}

TEST_F(KernelDialogTest, DriversOfAnotherVersionOrWithoutDriveAreRefused) {
  Script script = [](const TarkelDialogControls&) {};
  TarkelDialogDriver wrongVersion{TARKEL_DIALOG_DRIVER_VERSION + 1, 0, 0, &script, RunScript};
  TarkelDialogDriver noDrive{TARKEL_DIALOG_DRIVER_VERSION, 0, 0, &script, nullptr};
  EXPECT_EQ(TarkelSetDialogDriver(&wrongVersion), -1);
  EXPECT_EQ(TarkelSetDialogDriver(&noDrive), -1);
  EXPECT_EQ(RunKernelDialog(&image, nullptr, &kernel), -1);
}

TEST_F(KernelDialogTest, ADriverThatLeavesTheDialogOpenCancelsIt) {
  ConvolutionKernel before = kernel;
  EXPECT_EQ(Run([](const TarkelDialogControls& c) { c.setText(c.dialog, 9, "5"); }), -1);
  EXPECT_EQ(std::memcmp(&before, &kernel, sizeof kernel), 0);
}

TEST_F(KernelDialogTest, EveryOpeningShowsTheCallersCurrentValues) {
  auto expectShown = [](const TarkelDialogControls& c, const char* first, const char* scale, int32_t checked) {
    EXPECT_EQ(Text(c, 9), first);
    EXPECT_EQ(Text(c, 10), "0.0");
    EXPECT_EQ(Text(c, kScaleField), scale);
    EXPECT_EQ(Text(c, kOffsetField), "-3.00000");
    EXPECT_EQ(c.isChecked(c.dialog, kAutoscaleBox), checked);
    EXPECT_EQ(c.paintCount(c.dialog), 1);
  };
  EXPECT_EQ(Run([&](const TarkelDialogControls& c) {
              expectShown(c, "2.00000", "4.00000", 1);
              c.setText(c.dialog, 9, "7");
              c.click(c.dialog, kAutoscaleBox);
              c.click(c.dialog, kCancelButton);
            }),
            -1);
  kernel.values[kScaleFactorSlot] = 0.5f;
  EXPECT_EQ(Run([&](const TarkelDialogControls& c) {
              expectShown(c, "2.00000", "0.50000", 1);
              c.click(c.dialog, kOkButton);
            }),
            0);
}

TEST_F(KernelDialogTest, EveryKeystrokeStoresTheFieldAndRedraws) {
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              c.setText(c.dialog, 12, "");
              int32_t paints = c.paintCount(c.dialog);
              c.typeText(c.dialog, 12, "-2.5");
              EXPECT_EQ(c.paintCount(c.dialog), paints + 4);
              EXPECT_EQ(kernelDialogState.workingKernel.values[3], -2.5f);
              c.typeText(c.dialog, 12, "\b\b");
              EXPECT_EQ(kernelDialogState.workingKernel.values[3], -2.0f);
              EXPECT_EQ(Text(c, 12), "-2");
              c.click(c.dialog, kOkButton);
            }),
            0);
  EXPECT_EQ(kernel.values[3], -2.0f);
}

TEST_F(KernelDialogTest, ClearedOrUnreadableFieldsStoreZero) {
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              c.setText(c.dialog, 9, "");
              c.setText(c.dialog, kScaleField, "scale");
              c.typeText(c.dialog, kOffsetField, "\b\b\b\b\b\b\b\b");
              EXPECT_EQ(Text(c, kOffsetField), "");
              c.click(c.dialog, kOkButton);
            }),
            0);
  EXPECT_EQ(kernel.values[0], 0.0f);
  EXPECT_EQ(kernel.values[kScaleFactorSlot], 0.0f);
  EXPECT_EQ(kernel.values[kOffsetSlot], 0.0f);
}

TEST_F(KernelDialogTest, ThePaintsOwnFieldUpdatesLeaveTheWorkingKernelExact) {
  kernel.values[5] = 0.123456789f;  // shown rounded to six digits
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              c.click(c.dialog, kAutoscaleBox);  // a second refresh of every field
              c.click(c.dialog, kOkButton);
            }),
            0);
  EXPECT_EQ(kernel.values[5], 0.123456789f);
  EXPECT_EQ(kernel.values[kAutoscaleSlot], 0.0f);
}

TEST_F(KernelDialogTest, ResetShowsTheIdentityKernelAfterThePaint) {
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              c.holdPaint(c.dialog, 1);
              c.click(c.dialog, kResetButton);
              EXPECT_EQ(Text(c, 9), "2.00000");  // not yet painted
              c.holdPaint(c.dialog, 0);
              for (int32_t slot = 0; slot < kCoefficientCount; ++slot)
                EXPECT_EQ(Text(c, FieldOfSlot(slot)), slot == 24 ? "1.00000" : "0.0") << slot;
              EXPECT_EQ(Text(c, kScaleField), "1.00000");
              EXPECT_EQ(Text(c, kOffsetField), "0.0");
              EXPECT_EQ(c.isChecked(c.dialog, kAutoscaleBox), 0);
              c.click(c.dialog, kOkButton);
            }),
            0);
  for (int32_t slot = 0; slot < kCoefficientCount; ++slot) EXPECT_EQ(kernel.values[slot], slot == 24 ? 1.0f : 0.0f);
  EXPECT_EQ(kernel.values[kScaleFactorSlot], 1.0f);
  EXPECT_EQ(kernel.values[kOffsetSlot], 0.0f);
  EXPECT_EQ(kernel.values[kAutoscaleSlot], 0.0f);
}

TEST_F(KernelDialogTest, CancelAfterEditsLeavesTheCallersBlockAlone) {
  ConvolutionKernel before = kernel;
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              c.typeText(c.dialog, 20, "9");
              c.click(c.dialog, kResetButton);
              c.click(c.dialog, kCancelButton);
              EXPECT_EQ(c.isOpen(c.dialog), 0);
              c.click(c.dialog, kOkButton);  // the dialog has ended
            }),
            -1);
  EXPECT_EQ(std::memcmp(&before, &kernel, sizeof kernel), 0);
}

TEST_F(KernelDialogTest, OkCopiesTheEditedSlotsButNeverSixteenBit) {
  kernel.values[kSixteenBitSlot] = 1.0f;
  EXPECT_EQ(Run([this](const TarkelDialogControls& c) {
              c.setText(c.dialog, FieldOfSlot(48), "6");
              c.setText(c.dialog, kScaleField, "1e3");
              c.setText(c.dialog, kOffsetField, "  -7.25");
              c.click(c.dialog, kAutoscaleBox);
              kernel.values[kSixteenBitSlot] = 3.0f;  // OK must not write it back
              c.click(c.dialog, kOkButton);
            }),
            0);
  EXPECT_EQ(kernel.values[0], 2.0f);
  EXPECT_EQ(kernel.values[48], 6.0f);
  EXPECT_EQ(kernel.values[kScaleFactorSlot], 1000.0f);
  EXPECT_EQ(kernel.values[kOffsetSlot], -7.25f);
  EXPECT_EQ(kernel.values[kAutoscaleSlot], 0.0f);
  EXPECT_EQ(kernel.values[kSixteenBitSlot], 3.0f);
}

// Reset, Load and Autoscale each leave the fields stale until the next
// paint; every command before it is swallowed.
TEST_F(KernelDialogTest, CommandsBetweenARefreshingClickAndThePaintDoNothing) {
  for (int32_t button : {kResetButton, kLoadButton, kAutoscaleBox}) {
    EXPECT_EQ(Run([button](const TarkelDialogControls& c) {
                c.chooseFile(c.dialog, nullptr);
                c.holdPaint(c.dialog, 1);
                c.click(c.dialog, button);
                c.click(c.dialog, kOkButton);
                c.click(c.dialog, kCancelButton);
                c.setText(c.dialog, 9, "8");
                EXPECT_EQ(c.isOpen(c.dialog), 1) << button;
                c.holdPaint(c.dialog, 0);
                EXPECT_NE(Text(c, 9), "8");
                c.click(c.dialog, kOkButton);
                EXPECT_EQ(c.isOpen(c.dialog), 0) << button;
              }),
              0);
    EXPECT_NE(kernel.values[0], 8.0f);
  }
}

TEST_F(KernelDialogTest, AnImageInsideTheFrameHasBothBarsDisabled) {
  OpenImage(100, 80);
  EXPECT_EQ(Run(
                [](const TarkelDialogControls& c) {
                  EXPECT_EQ(Bar(c, kHorizontalBar).enabled, 0);
                  EXPECT_EQ(Bar(c, kVerticalBar).enabled, 0);
                  int32_t paints = c.paintCount(c.dialog);
                  c.scroll(c.dialog, kHorizontalBar, SB_BOTTOM, 0);
                  c.scroll(c.dialog, kVerticalBar, SB_PAGEDOWN, 0);
                  EXPECT_EQ(c.paintCount(c.dialog), paints);
                  const Rect16& v = kernelDialogState.visibleRect;
                  EXPECT_EQ(v.top, 0);
                  EXPECT_EQ(v.left, 0);
                  EXPECT_EQ(v.bottom, 80);
                  EXPECT_EQ(v.right, 100);
                  EXPECT_EQ(kernelDialogState.horizontalRange, 0);
                  EXPECT_EQ(kernelDialogState.verticalRange, 0);
                  c.click(c.dialog, kOkButton);
                },
                120, 110),
            0);
}

TEST_F(KernelDialogTest, TheHorizontalViewReachesTheLastColumn) {
  OpenImage(500, 100);
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              EXPECT_EQ(Bar(c, kHorizontalBar).maximum, 305);
              EXPECT_EQ(Bar(c, kHorizontalBar).enabled, 1);
              EXPECT_EQ(Bar(c, kVerticalBar).enabled, 0);
              EXPECT_EQ(kernelDialogState.visibleRect.right, 196);
              c.scroll(c.dialog, kHorizontalBar, SB_BOTTOM, 0);
              EXPECT_EQ(Bar(c, kHorizontalBar).position, 304);
              EXPECT_EQ(kernelDialogState.visibleRect.left, 304);
              EXPECT_EQ(kernelDialogState.visibleRect.right, 500);
              EXPECT_EQ(kernelDialogState.visibleRect.top, 0);
              c.click(c.dialog, kOkButton);
            }),
            0);
}

TEST_F(KernelDialogTest, TheVerticalViewStopsOneRowShortOfTheBottom) {
  OpenImage(100, 500);
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              EXPECT_EQ(Bar(c, kVerticalBar).maximum, 317);
              EXPECT_EQ(kernelDialogState.visibleRect.bottom, 183);
              c.scroll(c.dialog, kVerticalBar, SB_BOTTOM, 0);
              EXPECT_EQ(Bar(c, kVerticalBar).position, 316);
              EXPECT_EQ(kernelDialogState.visibleRect.top, 316);
              EXPECT_EQ(kernelDialogState.visibleRect.bottom, 499);
              EXPECT_EQ(kernelDialogState.visibleRect.left, 0);
              c.click(c.dialog, kOkButton);
            }),
            0);
}

TEST_F(KernelDialogTest, AFrameAsWideAsTheImageKeepsOnePositionAndAsTallNone) {
  OpenImage(196, 183);
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              EXPECT_EQ(Bar(c, kHorizontalBar).enabled, 1);
              EXPECT_EQ(Bar(c, kHorizontalBar).maximum, 1);
              EXPECT_EQ(Bar(c, kVerticalBar).enabled, 0);
              int32_t paints = c.paintCount(c.dialog);
              c.scroll(c.dialog, kHorizontalBar, SB_BOTTOM, 0);
              EXPECT_EQ(Bar(c, kHorizontalBar).position, 0);
              EXPECT_EQ(c.paintCount(c.dialog), paints + 1);
              c.scroll(c.dialog, kVerticalBar, SB_BOTTOM, 0);
              EXPECT_EQ(c.paintCount(c.dialog), paints + 1);
              EXPECT_EQ(kernelDialogState.visibleRect.bottom, 183);
              c.click(c.dialog, kOkButton);
            }),
            0);
}

TEST_F(KernelDialogTest, LineAndPageStepsMoveByOneAndTwentyFive) {
  OpenImage(400, 400);
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              struct Step {
                int32_t bar, code, thumb, position;
              };
              const Step steps[] = {
                  {kVerticalBar, SB_LINEDOWN, 0, 1},      {kVerticalBar, SB_PAGEDOWN, 0, 26},
                  {kVerticalBar, SB_PAGEUP, 0, 1},        {kVerticalBar, SB_PAGEUP, 0, 0},
                  {kVerticalBar, SB_LINEUP, 0, 0},        {kVerticalBar, SB_THUMBTRACK, 150, 150},
                  {kVerticalBar, SB_THUMBPOSITION, 9999, 216}, {kVerticalBar, SB_TOP, 0, 0},
                  {kHorizontalBar, SB_PAGEDOWN, 0, 25},   {kHorizontalBar, SB_LINEDOWN, 0, 26},
                  {kHorizontalBar, SB_LINEUP, 0, 25},     {kHorizontalBar, SB_BOTTOM, 0, 204},
                  {kHorizontalBar, SB_LINEDOWN, 0, 204},
              };
              for (const Step& step : steps) {
                c.scroll(c.dialog, step.bar, step.code, step.thumb);
                EXPECT_EQ(Bar(c, step.bar).position, step.position) << step.bar << " code " << step.code;
              }
              const Rect16& v = kernelDialogState.visibleRect;
              EXPECT_EQ(v.top, 0);
              EXPECT_EQ(v.bottom, 183);
              EXPECT_EQ(v.left, 204);
              EXPECT_EQ(v.right, 400);
              int32_t paints = c.paintCount(c.dialog);
              c.scroll(c.dialog, kVerticalBar, SB_ENDSCROLL, 0);
              EXPECT_EQ(c.paintCount(c.dialog), paints);
              c.click(c.dialog, kOkButton);
            }),
            0);
}

TEST_F(KernelDialogTest, LoadShowsTheFilesKernelAndSaveWritesTheGrid) {
  std::string loaded = FixedRoot() + "three.txt";
  std::string saved = FixedRoot() + "saved.txt";
  WriteString(loaded, "1\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n");
  kernel.values[kAutoscaleSlot] = 0.0f;
  EXPECT_EQ(Run([&](const TarkelDialogControls& c) {
              c.chooseFile(c.dialog, loaded.c_str());
              c.click(c.dialog, kLoadButton);
              // Placed in the centre, file rows down the grid's columns.
              EXPECT_EQ(Text(c, FieldOfSlot(7 * 2 + 2)), "1.00000");
              EXPECT_EQ(Text(c, FieldOfSlot(7 * 3 + 2)), "2.00000");
              EXPECT_EQ(Text(c, FieldOfSlot(7 * 2 + 3)), "4.00000");
              EXPECT_EQ(Text(c, FieldOfSlot(0)), "0.0");
              EXPECT_EQ(Text(c, kScaleField), "1.00000");
              EXPECT_EQ(Text(c, kOffsetField), "0.0");
              EXPECT_EQ(c.isChecked(c.dialog, kAutoscaleBox), 1);
              int32_t paints = c.paintCount(c.dialog);
              c.chooseFile(c.dialog, saved.c_str());
              c.click(c.dialog, kSaveButton);
              EXPECT_EQ(c.paintCount(c.dialog), paints);
              c.chooseFile(c.dialog, nullptr);
              c.click(c.dialog, kLoadButton);  // cancelled: the fields are refreshed all the same
              EXPECT_EQ(c.paintCount(c.dialog), paints + 1);
              EXPECT_EQ(Text(c, FieldOfSlot(7 * 3 + 2)), "2.00000");
              c.click(c.dialog, kOkButton);
            }),
            0);
  EXPECT_EQ(kernel.values[7 * 3 + 2], 2.0f);
  EXPECT_EQ(kernel.values[kAutoscaleSlot], 1.0f);
  std::vector<uint8_t> bytes = ReadBytes(saved);
  std::string text(bytes.begin(), bytes.end());
  EXPECT_EQ(text.substr(0, 29), "0.0\t0.0\t0.0\t0.0\t0.0\t0.0\t0.0\r\n");
  EXPECT_NE(text.find("\t1.00000\t4.00000\t7.00000\t"), std::string::npos);
}

TEST_F(KernelDialogTest, ThePreviewFollowsTheWorkingKernelAndTheView) {
  OpenImage(500, 300);
  for (float& value : kernel.values) value = 0.0f;
  kernel.values[24] = 1.0f;
  kernel.values[kScaleFactorSlot] = 1.0f;
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              TarkelPreview preview{};
              ASSERT_EQ(c.getPreview(c.dialog, &preview), 1);
              EXPECT_EQ(preview.width, 196);
              EXPECT_EQ(preview.height, 183);
              EXPECT_EQ(PreviewPixel(c, 10, 20), GrayPixel(Pattern(10, 20)));
              EXPECT_EQ(PreviewPixel(c, 1, 20), 0x7FFF);  // the border the window does not reach
              c.scroll(c.dialog, kHorizontalBar, SB_BOTTOM, 0);
              c.scroll(c.dialog, kVerticalBar, SB_LINEDOWN, 0);
              EXPECT_EQ(PreviewPixel(c, 10, 20), GrayPixel(Pattern(314, 21)));
              c.typeText(c.dialog, kOffsetField, "\b\b\b300");
              EXPECT_EQ(PreviewPixel(c, 10, 20), 0x7FFF);
              c.click(c.dialog, kCancelButton);
            }),
            -1);
}

TEST_F(KernelDialogTest, SixteenBitKernelsPreviewTheSixteenBitSamples) {
  DisposeBackingStore(store);
  store = nullptr;
  ASSERT_EQ(NewBackingStore(60, 50, 2, &store), 0);
  std::vector<uint16_t> row(60, 32768);
  for (int32_t y = 0; y < 50; ++y) WriteStoreRow(store, 0, y, 120, row.data());
  for (float& value : kernel.values) value = 0.0f;
  kernel.values[24] = 0.5f;
  kernel.values[kScaleFactorSlot] = 1.0f;
  kernel.values[kSixteenBitSlot] = 1.0f;
  EXPECT_EQ(Run([](const TarkelDialogControls& c) {
              EXPECT_EQ(PreviewPixel(c, 10, 10), GrayPixel(128));  // 16384 >> 7, then >> 3
              c.click(c.dialog, kOkButton);
            }),
            0);
}

}  // namespace
