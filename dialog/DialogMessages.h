// The window messages, notifications and scroll codes the kernel dialog
// handles. Windows builds take them from the system headers; elsewhere the
// same values let a headless dialog deliver the same messages.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
enum : uint32_t {
  WM_ENABLE = 0x000A,
  WM_PAINT = 0x000F,
  WM_INITDIALOG = 0x0110,
  WM_COMMAND = 0x0111,
  WM_HSCROLL = 0x0114,
  WM_VSCROLL = 0x0115,
};
enum : uint16_t { BN_CLICKED = 0, EN_CHANGE = 0x0300 };
enum : int32_t {
  SB_LINEUP = 0,
  SB_LINEDOWN = 1,
  SB_PAGEUP = 2,
  SB_PAGEDOWN = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_TOP = 6,
  SB_BOTTOM = 7,
  SB_ENDSCROLL = 8,
};
enum : int32_t { FALSE = 0, TRUE = 1 };
#endif

// A message's word parameter: the low word is the control id or scroll
// code, the high word the notification or thumb position.
constexpr uintptr_t MakeMessageWord(uint16_t low, uint16_t high) { return uintptr_t(low) | uintptr_t(high) << 16; }
constexpr uint16_t LowWord(uintptr_t word) { return uint16_t(word & 0xFFFF); }
constexpr uint16_t HighWord(uintptr_t word) { return uint16_t((word >> 16) & 0xFFFF); }
