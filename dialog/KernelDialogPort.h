// What the kernel dialog asks of the window system. Windows implements it
// with the dialog manager; POSIX with a headless dialog that a host program
// drives (contract/DialogDriver.h).
#pragma once

#include <cstdint>

#include "contract/PluginApi.h"

// The open dialog: a window handle on Windows, the headless dialog elsewhere.
using DialogWindow = void*;

// Shows the modal dialog from the module's template, owned by owner (may be
// null), and runs it until it ends. The end code, or -1 when it could not be
// shown.
intptr_t ShowKernelDialog(void* owner);

void SetFieldText(DialogWindow dialog, int32_t id, const char* text);
// At most size - 1 characters and a terminating zero.
void GetFieldText(DialogWindow dialog, int32_t id, char* buffer, int32_t size);
void SetCheckBox(DialogWindow dialog, int32_t id, bool checked);
// The control's rectangle in dialog client pixels.
Rect16 GetControlRect(DialogWindow dialog, int32_t id);

// Range 0..maximum and position 0, without redrawing.
void SetBarRange(DialogWindow dialog, int32_t id, int32_t maximum);
// Tells the bar it is disabled, so that it draws and acts as one.
void ShowBarDisabled(DialogWindow dialog, int32_t id);
int32_t GetBarPosition(DialogWindow dialog, int32_t id);
// Moves the thumb and redraws the bar.
void SetBarPosition(DialogWindow dialog, int32_t id, int32_t position);

// Marks the rectangle for the next paint, erasing the background.
void InvalidateDialogArea(DialogWindow dialog, const Rect16& area);
void EndKernelDialog(DialogWindow dialog, intptr_t code);

// Answers a paint: draw receives a device context of the whole dialog, not
// limited to the area being painted.
void PaintKernelDialog(DialogWindow dialog, void (*draw)(DialogWindow dialog, void* deviceContext));
