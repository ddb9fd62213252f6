#include "tests/wine/WindowRobot.h"

#include <algorithm>
#include <cstdio>

namespace robot {

namespace {

struct Search {
  int32_t controlId;
  const char* title;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window) || std::string(className) != "#32770") return TRUE;
  char title[256] = {};
  GetWindowTextA(window, title, sizeof title);
  bool matches = search->title != nullptr ? std::string(title) == search->title
                                          : GetDlgItem(window, search->controlId) != nullptr;
  if (!matches) return TRUE;
  search->found = window;
  return FALSE;
}

}  // namespace

HWND WaitForDialog(int32_t controlId, const char* title, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  do {
    Search search{controlId, title, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

bool WaitForClose(HWND window, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window)) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

static BOOL CALLBACK FindPendingPaint(HWND window, LPARAM parameter) {
  if (!GetUpdateRect(window, nullptr, FALSE)) return TRUE;
  *reinterpret_cast<bool*>(parameter) = true;
  return FALSE;
}

void WaitForPaint(HWND dialog) {
  // A sent message returns once the dialog's thread has emptied its queue
  // of sent messages; paints come when nothing else is waiting.
  for (int round = 0; round < 250; ++round) {
    DWORD_PTR ignored;
    SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
    bool pending = GetUpdateRect(dialog, nullptr, FALSE) != FALSE;
    if (!pending) EnumChildWindows(dialog, FindPendingPaint, reinterpret_cast<LPARAM>(&pending));
    if (!pending) break;
    Sleep(20);
  }
  Sleep(200);
}

void TypeInto(HWND dialog, int32_t id, const std::string& keys) {
  HWND field = GetDlgItem(dialog, id);
  SendMessageA(field, EM_SETSEL, 0, -1);
  for (char key : keys) SendMessageA(field, WM_CHAR, WPARAM(uint8_t(key)), 1);
}

void PressButton(HWND dialog, int32_t id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ChooseFile(HWND fileDialog, const std::string& path) {
  constexpr int32_t kNameCombo = 0x47C;  // the file name box of the common dialogs
  constexpr int32_t kNameEdit = 0x480;
  int32_t nameBox = GetDlgItem(fileDialog, kNameCombo) != nullptr ? kNameCombo : kNameEdit;
  SetDlgItemTextA(fileDialog, nameBox, path.c_str());
  PressButton(fileDialog, IDOK);
}

Capture CaptureWindow(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  Capture capture;
  capture.width = frame.right - frame.left;
  capture.height = frame.bottom - frame.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, capture.width, capture.height, screen, frame.left, frame.top, SRCCOPY);
  GdiFlush();
  capture.rgb.resize(size_t(capture.width) * capture.height * 3);
  const auto* bgra = static_cast<const uint8_t*>(bits);
  for (size_t i = 0; i < size_t(capture.width) * capture.height; ++i)
    for (int c = 0; c < 3; ++c) capture.rgb[i * 3 + c] = bgra[i * 4 + 2 - c];
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return capture;
}

POINT ClientOrigin(HWND window) {
  RECT frame{};
  GetWindowRect(window, &frame);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  return POINT{origin.x - frame.left, origin.y - frame.top};
}

// A PNG with stored (uncompressed) deflate blocks: no library needed.
namespace {

uint32_t Crc(const uint8_t* bytes, size_t count, uint32_t crc = 0xFFFFFFFFu) {
  for (size_t i = 0; i < count; ++i) {
    crc ^= bytes[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc;
}

void PutWord(std::vector<uint8_t>& out, uint32_t word) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(word >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutWord(out, uint32_t(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutWord(out, Crc(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

}  // namespace

bool WritePng(const std::string& path, const Capture& capture) {
  std::vector<uint8_t> raw;
  for (int32_t y = 0; y < capture.height; ++y) {
    raw.push_back(0);  // no row filter
    raw.insert(raw.end(), capture.At(0, y), capture.At(0, y) + size_t(capture.width) * 3);
  }
  std::vector<uint8_t> zlib{0x78, 0x01};
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    size_t count = std::min<size_t>(65535, raw.size() - at);
    zlib.push_back(at + count >= raw.size() ? 1 : 0);
    zlib.push_back(uint8_t(count));
    zlib.push_back(uint8_t(count >> 8));
    zlib.push_back(uint8_t(~count));
    zlib.push_back(uint8_t(~count >> 8));
    zlib.insert(zlib.end(), raw.begin() + long(at), raw.begin() + long(at + count));
  }
  uint32_t a = 1, b = 0;
  for (uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutWord(zlib, b << 16 | a);
  std::vector<uint8_t> header;
  PutWord(header, uint32_t(capture.width));
  PutWord(header, uint32_t(capture.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
  std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", zlib);
  PutChunk(png, "IEND", {});
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace robot
