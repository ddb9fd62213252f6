// Result codes in the numbering of the classic Mac OS and of the host API.
#pragma once

#include <cstdint>

enum ResultCode : int16_t {
  noErr = 0,
  dskFulErr = -34,
  ioErr = -36,
  bdNamErr = -37,
  eofErr = -39,
  posErr = -40,
  tmfoErr = -42,
  fnfErr = -43,
  fLckdErr = -45,
  opWrErr = -49,
  rfNumErr = -51,
  wrPermErr = -61,
  memFullErr = -108,
  nilHandleErr = -109,
  userCanceledErr = -128,
  filterBadParameters = -30100,
};
