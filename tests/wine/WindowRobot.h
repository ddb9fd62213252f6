// Acts on another thread's dialogs as a user would, and captures what the
// screen shows. For the Windows test programs run under Wine with a display.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace robot {

// A visible top-level dialog of this process that has a control with the
// given id, or the given title (when not null). Null after the timeout.
HWND WaitForDialog(int32_t controlId, const char* title, DWORD timeoutMs);
// Waits until the window has been closed or hidden; false after the timeout.
bool WaitForClose(HWND window, DWORD timeoutMs);
// Waits until the dialog has nothing left to paint.
void WaitForPaint(HWND dialog);

// Selects the field's text and types the keys over it, one character message each.
void TypeInto(HWND dialog, int32_t id, const std::string& keys);
// A click on a push button, delivered as the button's notice to its dialog.
void PressButton(HWND dialog, int32_t id);
// Answers an open or save file dialog with a path and confirms it.
void ChooseFile(HWND fileDialog, const std::string& path);

struct Capture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // rows top first, three bytes per pixel
  const uint8_t* At(int32_t x, int32_t y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

// What the screen shows of the window, frame included.
Capture CaptureWindow(HWND window);
// The client-area offset of the window within its capture.
POINT ClientOrigin(HWND window);
bool WritePng(const std::string& path, const Capture& capture);

}  // namespace robot
