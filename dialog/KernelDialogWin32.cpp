// The kernel dialog as a real Windows dialog box from template 9550.
#include "dialog/DialogMessages.h"
#include "dialog/KernelDialogPort.h"
#include "dialog/KernelDialogProc.h"
#include "contract/Memory.h"

static_assert(WM_INITDIALOG == 0x0110 && WM_COMMAND == 0x0111 && EN_CHANGE == 0x0300 && SB_BOTTOM == 7);

static HWND WindowOf(DialogWindow dialog) { return static_cast<HWND>(dialog); }
static HWND ControlOf(DialogWindow dialog, int32_t id) { return GetDlgItem(WindowOf(dialog), id); }

static INT_PTR CALLBACK KernelDialogBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return KernelDialogProc(window, message, wParam, lParam);
}

intptr_t ShowKernelDialog(void* owner) {
  return DialogBoxParamA(static_cast<HINSTANCE>(moduleInstance), MAKEINTRESOURCEA(kKernelDialogTemplate),
                         static_cast<HWND>(owner), KernelDialogBoxProc, reinterpret_cast<LPARAM>(&kernelDialogState));
}

void SetFieldText(DialogWindow dialog, int32_t id, const char* text) { SetDlgItemTextA(WindowOf(dialog), id, text); }

void GetFieldText(DialogWindow dialog, int32_t id, char* buffer, int32_t size) {
  buffer[0] = 0;
  GetDlgItemTextA(WindowOf(dialog), id, buffer, size);
}

void SetCheckBox(DialogWindow dialog, int32_t id, bool checked) {
  SendDlgItemMessageA(WindowOf(dialog), id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

Rect16 GetControlRect(DialogWindow dialog, int32_t id) {
  RECT screen{};
  GetWindowRect(ControlOf(dialog, id), &screen);
  POINT topLeft{screen.left, screen.top};
  POINT bottomRight{screen.right, screen.bottom};
  ScreenToClient(WindowOf(dialog), &topLeft);
  ScreenToClient(WindowOf(dialog), &bottomRight);
  return Rect16{int16_t(topLeft.y), int16_t(topLeft.x), int16_t(bottomRight.y), int16_t(bottomRight.x)};
}

void SetBarRange(DialogWindow dialog, int32_t id, int32_t maximum) {
  HWND bar = ControlOf(dialog, id);
  SetScrollRange(bar, SB_CTL, 0, maximum, FALSE);
  SetScrollPos(bar, SB_CTL, 0, FALSE);
}

void ShowBarDisabled(DialogWindow dialog, int32_t id) { SendMessageA(ControlOf(dialog, id), WM_ENABLE, FALSE, 0); }

int32_t GetBarPosition(DialogWindow dialog, int32_t id) { return GetScrollPos(ControlOf(dialog, id), SB_CTL); }

void SetBarPosition(DialogWindow dialog, int32_t id, int32_t position) {
  SetScrollPos(ControlOf(dialog, id), SB_CTL, position, TRUE);
}

void InvalidateDialogArea(DialogWindow dialog, const Rect16& area) {
  RECT rect{area.left, area.top, area.right, area.bottom};
  InvalidateRect(WindowOf(dialog), &rect, TRUE);
}

void EndKernelDialog(DialogWindow dialog, intptr_t code) { EndDialog(WindowOf(dialog), code); }

void PaintKernelDialog(DialogWindow dialog, void (*draw)(DialogWindow dialog, void* deviceContext)) {
  HWND window = WindowOf(dialog);
  PAINTSTRUCT paint;
  BeginPaint(window, &paint);
  HDC deviceContext = GetDC(window);
  draw(dialog, deviceContext);
  ReleaseDC(window, deviceContext);
  EndPaint(window, &paint);
}
