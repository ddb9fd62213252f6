#include "resources/DialogTemplate.h"

#include <array>

// Window styles of the template.
constexpr uint32_t kChildVisible = 0x50000000;
constexpr uint32_t kDialogStyle = 0x900008C0;  // popup, visible, centred, modal frame, with font
constexpr uint32_t kPushButtonStyle = kChildVisible | 0x00010001;  // tab stop, default push button
constexpr uint32_t kCheckBoxStyle = kChildVisible | 0x00010003;    // tab stop, automatic check box
constexpr uint32_t kEditStyle = kChildVisible | 0x00810080;        // border, tab stop, auto scroll
constexpr uint32_t kFrameStyle = kChildVisible | 0x00000007;       // black frame
constexpr uint32_t kHorizontalBarStyle = kChildVisible;
constexpr uint32_t kVerticalBarStyle = kChildVisible | 0x00000001;
constexpr uint32_t kLabelStyle = kChildVisible | 0x00020000;       // group, left-aligned text

// Ordinals of the standard control classes.
constexpr uint16_t kButtonClass = 0x0080;
constexpr uint16_t kEditClass = 0x0081;
constexpr uint16_t kStaticClass = 0x0082;
constexpr uint16_t kScrollBarClass = 0x0084;

struct DialogControl {
  uint16_t id;
  uint16_t controlClass;
  uint32_t style;
  int16_t x, y, width, height;
  const char* text;
};

constexpr int16_t kFieldWidth = 31;
constexpr int16_t kFieldHeight = 14;

constexpr DialogControl KernelField(int row, int column) {
  return {uint16_t(kFirstKernelFieldId + 7 * row + column), kEditClass, kEditStyle, int16_t(151 + 34 * column),
          int16_t(7 + 16 * row), kFieldWidth, kFieldHeight, ""};
}

// Template order is tab order: OK, the grid's top-left field, the preview
// and its bars, the other buttons, the rest of the grid, then the scale
// and add fields, the switch and the labels.
constexpr std::array<DialogControl, kKernelDialogControlCount> KernelDialogControls() {
  std::array<DialogControl, kKernelDialogControlCount> controls{};
  int n = 0;
  controls[n++] = {kOkButtonId, kButtonClass, kPushButtonStyle, 346, 140, 38, 14, "OK"};
  controls[n++] = KernelField(0, 0);
  controls[n++] = {kPreviewFrameId, kStaticClass, kFrameStyle, 6, 21, 131, 122, ""};
  controls[n++] = {kHorizontalScrollBarId, kScrollBarClass, kHorizontalBarStyle, 5, 143, 133, 8, ""};
  controls[n++] = {kVerticalScrollBarId, kScrollBarClass, kVerticalBarStyle, 138, 20, 9, 123, ""};
  controls[n++] = {kCancelButtonId, kButtonClass, kPushButtonStyle, 298, 140, 38, 14, "Cancel"};
  controls[n++] = {kResetButtonId, kButtonClass, kPushButtonStyle, 251, 140, 38, 14, "Reset"};
  controls[n++] = {kLoadButtonId, kButtonClass, kPushButtonStyle, 203, 140, 38, 14, "Load"};
  controls[n++] = {kSaveButtonId, kButtonClass, kPushButtonStyle, 155, 140, 38, 14, "Save"};
  for (int index = 1; index < 49; ++index) controls[n++] = KernelField(index / 7, index % 7);
  controls[n++] = {kScaleFieldId, kEditClass, kEditStyle, 201, 122, kFieldWidth, kFieldHeight, ""};
  controls[n++] = {kAddConstantFieldId, kEditClass, kEditStyle, 285, 122, kFieldWidth, kFieldHeight, ""};
  controls[n++] = {kAutoscaleBoxId, kButtonClass, kCheckBoxStyle, 336, 123, 47, 10, "Autoscale"};
  controls[n++] = {kLabelId, kStaticClass, kLabelStyle, 153, 124, 45, 8, "Scale Factor="};
  controls[n++] = {kLabelId, kStaticClass, kLabelStyle, 237, 124, 48, 8, "Add Constant="};
  controls[n++] = {kLabelId, kStaticClass, kLabelStyle, 27, 8, 80, 8, "Custom Convolution Filter"};
  controls[n++] = {kLabelId, kStaticClass, kLabelStyle, 5, 159, 382, 8, kCreditText};
  return controls;
}

constexpr int ControlsFilled() {
  int filled = 0;
  for (const DialogControl& control : KernelDialogControls()) filled += control.text != nullptr;
  return filled;
}
static_assert(ControlsFilled() == kKernelDialogControlCount);

static void PutControl(ResourceBytes& bytes, const DialogControl& control) {
  PadTo(bytes, 4);
  PutLong(bytes, control.style);
  PutLong(bytes, 0);  // extended style
  PutWord(bytes, uint16_t(control.x));
  PutWord(bytes, uint16_t(control.y));
  PutWord(bytes, uint16_t(control.width));
  PutWord(bytes, uint16_t(control.height));
  PutWord(bytes, control.id);
  PutWord(bytes, 0xFFFF);  // the class is an ordinal
  PutWord(bytes, control.controlClass);
  PutWideText(bytes, control.text);
  PutWord(bytes, 0);  // no creation data
}

ResourceBytes BuildDialogTemplate() {
  ResourceBytes bytes;
  PutLong(bytes, kDialogStyle);
  PutLong(bytes, 0);  // extended style
  PutWord(bytes, kKernelDialogControlCount);
  PutWord(bytes, 50);   // x
  PutWord(bytes, 50);   // y
  PutWord(bytes, 391);  // width
  PutWord(bytes, 172);  // height
  PutWord(bytes, 0);    // no menu
  PutWord(bytes, 0);    // the standard dialog class
  PutWord(bytes, 0);    // no title
  PutWord(bytes, 8);    // font size in points
  PutWideText(bytes, "MS Sans Serif");
  for (const DialogControl& control : KernelDialogControls()) PutControl(bytes, control);
  return bytes;
}
