#include <windows.h>

#include "dialog/Preview.h"
#include "contract/Memory.h"

// A device-dependent copy of the 5-5-5 bitmap, made on the screen's context
// and copied through a memory context that shares the dialog's mapping mode.
static void PutPreview(void* deviceContext, const Rect16& previewRect, const PreviewBitmap& bitmap) {
  auto* dc = static_cast<HDC>(deviceContext);
  if (dc == nullptr || bitmap.pixels == nullptr) return;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = bitmap.width;
  info.bmiHeader.biHeight = bitmap.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 16;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(bitmap.width) * static_cast<DWORD>(bitmap.height) * 2;
  HDC screen = GetDC(nullptr);
  HBITMAP picture = CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, bitmap.pixels, &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (picture == nullptr) return;
  HDC memory = CreateCompatibleDC(dc);
  if (memory != nullptr) {
    HGDIOBJ previous = SelectObject(memory, picture);
    SetMapMode(memory, GetMapMode(dc));
    BITMAP shape{};
    GetObjectA(picture, sizeof(shape), &shape);
    POINT size{shape.bmWidth, shape.bmHeight};
    DPtoLP(dc, &size, 1);
    POINT origin{0, 0};
    DPtoLP(memory, &origin, 1);
    BitBlt(dc, previewRect.left, previewRect.top, size.x, size.y, memory, origin.x, origin.y, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
  }
  DeleteObject(picture);
}

void DrawPreview8(void* deviceContext, const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                  const ConvolutionKernel* kernel) {
  PreviewBitmap bitmap = ComputePreview8(previewRect, visibleRect, image, kernel);
  PutPreview(deviceContext, previewRect, bitmap);
  DisposeBlock(bitmap.pixels);
}

void DrawPreview16(void* deviceContext, const Rect16& previewRect, const Rect16& visibleRect, const PreviewImage* image,
                   const ConvolutionKernel* kernel) {
  PreviewBitmap bitmap = ComputePreview16(previewRect, visibleRect, image, kernel);
  PutPreview(deviceContext, previewRect, bitmap);
  DisposeBlock(bitmap.pixels);
}
