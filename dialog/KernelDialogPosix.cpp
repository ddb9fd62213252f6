// The kernel dialog without a window system: a headless dialog that keeps
// the controls' state and delivers the messages a real dialog would, driven
// by the host's script (contract/DialogDriver.h).
#include <algorithm>
#include <cstring>

#include "contract/DialogDriver.h"
#include "dialog/DialogMessages.h"
#include "dialog/FileDialogs.h"
#include "dialog/KernelDialogPort.h"
#include "dialog/KernelDialogProc.h"
#include "dialog/PreviewSink.h"
#include "filter/RecordedSettings.h"

constexpr int32_t kHeadlessTextSize = 256;
// The template's frame (6, 21, 131 x 122 dialog units) at base units 6 x 12.
constexpr Rect16 kTemplatePreviewFrame{31, 9, 31 + 183, 9 + 196};

struct HeadlessBar {
  int32_t maximum;
  int32_t position;
  bool enabled;
};

struct TarkelDialog {
  // The settings' fields and check boxes, by the slot each shows.
  char fields[kSettingSlots][kHeadlessTextSize];
  bool checked[kSettingSlots];
  HeadlessBar vertical;
  HeadlessBar horizontal;
  Rect16 previewFrame;
  bool paintPending;
  bool paintHeld;
  int32_t paints;
  bool open;
  intptr_t endCode;
  PreviewSink preview;  // the device context of every paint
};

static TarkelDialogDriver installedDriver;
static bool driverInstalled = false;

extern "C" __attribute__((visibility("default"))) int32_t TarkelSetDialogDriver(const TarkelDialogDriver* driver) {
  if (driver == nullptr) {
    driverInstalled = false;
    return 0;
  }
  if (driver->version != TARKEL_DIALOG_DRIVER_VERSION || driver->drive == nullptr) return -1;
  installedDriver = *driver;
  driverInstalled = true;
  return 0;
}

static TarkelDialog* HeadlessOf(DialogWindow dialog) { return static_cast<TarkelDialog*>(dialog); }

static char* FieldOf(TarkelDialog* dialog, int32_t id) {
  const RecordedSetting* setting = SettingOfControl(id);
  if (setting == nullptr || setting->kind == SettingKind::flag) return nullptr;
  return dialog->fields[id - kFirstCoefficientField];
}

static bool* CheckOf(TarkelDialog* dialog, int32_t id) {
  const RecordedSetting* setting = SettingOfControl(id);
  return setting != nullptr && setting->kind == SettingKind::flag ? &dialog->checked[setting->slot] : nullptr;
}

static HeadlessBar* BarOf(TarkelDialog* dialog, int32_t id) {
  if (id == kVerticalBar) return &dialog->vertical;
  if (id == kHorizontalBar) return &dialog->horizontal;
  return nullptr;
}

// An edit control tells its dialog of every change to its text.
static void NotifyFieldChange(TarkelDialog* dialog, int32_t id) {
  KernelDialogProc(dialog, WM_COMMAND, MakeMessageWord(uint16_t(id), EN_CHANGE), 0);
}

// The modal loop with an empty queue: the pending paint is done.
static void GoIdle(TarkelDialog* dialog) {
  if (!dialog->open || !dialog->paintPending || dialog->paintHeld) return;
  dialog->paintPending = false;
  ++dialog->paints;
  KernelDialogProc(dialog, WM_PAINT, 0, 0);
}

// The port, as the dialog procedure uses it.

void SetFieldText(DialogWindow window, int32_t id, const char* text) {
  TarkelDialog* dialog = HeadlessOf(window);
  char* field = FieldOf(dialog, id);
  if (field == nullptr) return;
  std::strncpy(field, text, kHeadlessTextSize - 1);
  NotifyFieldChange(dialog, id);
}

void GetFieldText(DialogWindow window, int32_t id, char* buffer, int32_t size) {
  const char* field = FieldOf(HeadlessOf(window), id);
  if (size < 1) return;
  int32_t length = field == nullptr ? 0 : std::min(int32_t(std::strlen(field)), size - 1);
  if (length > 0) std::memcpy(buffer, field, size_t(length));
  buffer[length] = 0;
}

void SetCheckBox(DialogWindow window, int32_t id, bool checked) {
  if (bool* box = CheckOf(HeadlessOf(window), id)) *box = checked;
}

Rect16 GetControlRect(DialogWindow window, int32_t id) {
  return id == kPreviewFrame ? HeadlessOf(window)->previewFrame : Rect16{};
}

void SetBarRange(DialogWindow window, int32_t id, int32_t maximum) {
  if (HeadlessBar* bar = BarOf(HeadlessOf(window), id)) *bar = HeadlessBar{maximum, 0, bar->enabled};
}

void ShowBarDisabled(DialogWindow window, int32_t id) {
  if (HeadlessBar* bar = BarOf(HeadlessOf(window), id)) bar->enabled = false;
}

int32_t GetBarPosition(DialogWindow window, int32_t id) {
  HeadlessBar* bar = BarOf(HeadlessOf(window), id);
  return bar == nullptr ? 0 : bar->position;
}

// A scroll bar keeps its position within its range.
void SetBarPosition(DialogWindow window, int32_t id, int32_t position) {
  if (HeadlessBar* bar = BarOf(HeadlessOf(window), id)) bar->position = std::clamp(position, 0, bar->maximum);
}

void InvalidateDialogArea(DialogWindow window, const Rect16&) { HeadlessOf(window)->paintPending = true; }

void EndKernelDialog(DialogWindow window, intptr_t code) {
  TarkelDialog* dialog = HeadlessOf(window);
  dialog->open = false;
  dialog->endCode = code;
}

void PaintKernelDialog(DialogWindow window, void (*draw)(DialogWindow dialog, void* deviceContext)) {
  draw(window, &HeadlessOf(window)->preview);
}

// The controls a driver acts through.

static void ActSetText(TarkelDialog* dialog, int32_t id, const char* text) {
  char* field = FieldOf(dialog, id);
  if (!dialog->open || field == nullptr) return;
  std::strncpy(field, text != nullptr ? text : "", kHeadlessTextSize - 1);
  NotifyFieldChange(dialog, id);
  GoIdle(dialog);
}

static void ActTypeText(TarkelDialog* dialog, int32_t id, const char* keys) {
  char* field = FieldOf(dialog, id);
  if (field == nullptr || keys == nullptr) return;
  for (const char* key = keys; *key != 0 && dialog->open; ++key) {
    size_t length = std::strlen(field);
    if (*key == '\b' && length > 0)
      field[length - 1] = 0;
    else if (*key != '\b' && length + 1 < kHeadlessTextSize)
      field[length] = *key;
    else
      continue;  // the control refuses the key and sends no notice
    NotifyFieldChange(dialog, id);
    GoIdle(dialog);
  }
}

static void ActClick(TarkelDialog* dialog, int32_t id) {
  if (!dialog->open) return;
  if (bool* box = CheckOf(dialog, id)) *box = !*box;
  KernelDialogProc(dialog, WM_COMMAND, MakeMessageWord(uint16_t(id), BN_CLICKED), 0);
  GoIdle(dialog);
}

static void ActScroll(TarkelDialog* dialog, int32_t bar, int32_t code, int32_t thumb) {
  if (!dialog->open || BarOf(dialog, bar) == nullptr) return;
  uint32_t message = bar == kHorizontalBar ? WM_HSCROLL : WM_VSCROLL;
  KernelDialogProc(dialog, message, MakeMessageWord(uint16_t(code), uint16_t(thumb)), 0);
  GoIdle(dialog);
}

static void ActHoldPaint(TarkelDialog* dialog, int32_t hold) {
  dialog->paintHeld = hold != 0;
  GoIdle(dialog);
}

static void ActChooseFile(TarkelDialog*, const char* path) { SetNextFileChoice(path); }

static int32_t ReadIsOpen(TarkelDialog* dialog) { return dialog->open ? 1 : 0; }

static int32_t ReadText(TarkelDialog* dialog, int32_t id, char* buffer, int32_t size) {
  GetFieldText(dialog, id, buffer, size);
  return size < 1 ? 0 : int32_t(std::strlen(buffer));
}

static int32_t ReadIsChecked(TarkelDialog* dialog, int32_t id) {
  const bool* box = CheckOf(dialog, id);
  return box != nullptr && *box;
}

static void ReadScrollBar(TarkelDialog* dialog, int32_t id, TarkelScrollBar* state) {
  const HeadlessBar* bar = BarOf(dialog, id);
  *state = bar == nullptr ? TarkelScrollBar{} : TarkelScrollBar{bar->position, bar->maximum, bar->enabled};
}

static int32_t ReadPaintCount(TarkelDialog* dialog) { return dialog->paints; }

static int32_t ReadPreview(TarkelDialog* dialog, TarkelPreview* preview) {
  const PreviewBitmap& bitmap = dialog->preview.bitmap;
  if (bitmap.pixels == nullptr) return 0;
  *preview = TarkelPreview{bitmap.width, bitmap.height, bitmap.pixels};
  return 1;
}

static void OpenHeadlessDialog(TarkelDialog* dialog, const TarkelDialogDriver& driver) {
  std::memset(dialog, 0, sizeof *dialog);
  dialog->vertical.enabled = dialog->horizontal.enabled = true;
  dialog->previewFrame = kTemplatePreviewFrame;
  if (driver.previewWidth > 0) dialog->previewFrame.right = int16_t(dialog->previewFrame.left + driver.previewWidth);
  if (driver.previewHeight > 0) dialog->previewFrame.bottom = int16_t(dialog->previewFrame.top + driver.previewHeight);
  dialog->open = true;
}

intptr_t ShowKernelDialog(void*) {
  if (!driverInstalled) return -1;
  const TarkelDialogDriver driver = installedDriver;
  static TarkelDialog dialog;  // one dialog at a time, as the modal call ensures
  OpenHeadlessDialog(&dialog, driver);
  KernelDialogProc(&dialog, WM_INITDIALOG, 0, reinterpret_cast<intptr_t>(&kernelDialogState));
  GoIdle(&dialog);
  const TarkelDialogControls controls{&dialog,      ActSetText, ActTypeText,    ActClick,      ActScroll,
                                      ActHoldPaint, ActChooseFile, ReadIsOpen, ReadText,      ReadIsChecked,
                                      ReadScrollBar, ReadPaintCount, ReadPreview};
  driver.drive(driver.context, &controls);
  ClearPreviewSink(&dialog.preview);
  return dialog.open ? kDialogCancelled : dialog.endCode;
}
