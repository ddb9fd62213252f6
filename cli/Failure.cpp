#include "cli/Failure.h"

#include "contract/ResultCodes.h"

std::string ResultCodeName(int16_t code) {
  switch (code) {
    case noErr: return "no error";
    case dskFulErr: return "disk full";
    case ioErr: return "input/output error";
    case bdNamErr: return "bad file name";
    case posErr: return "position outside the file";
    case tmfoErr: return "too many files open";
    case fnfErr: return "file not found";
    case fLckdErr: return "file locked";
    case opWrErr: return "file already open for writing";
    case rfNumErr: return "bad file reference";
    case wrPermErr: return "write permission denied";
    case memFullErr: return "out of memory";
    case nilHandleErr: return "invalid handle";
    case userCanceledErr: return "user cancelled";
    case filterBadParameters: return "bad parameters";
    default: return "unknown result code";
  }
}

static std::string HintFor(int16_t code) {
  switch (code) {
    case userCanceledErr:
      return "the filter was cancelled or refused the image (it needs at least 15 x 15 pixels)";
    case memFullErr: return "free some memory or filter a smaller image";
    case filterBadParameters: return "the module refused what the host handed it; check --module";
    case dskFulErr: return "free some disk space where the plug-in keeps its files ($TARKEL_HOME)";
    case wrPermErr:
    case fLckdErr:
      return "check the permissions of the plug-in's directory ($TARKEL_HOME)";
    default: return "";
  }
}

Failure FilterResultFailure(int16_t code) {
  std::string message = "the plug-in ended the run with " + std::to_string(code) + " (" + ResultCodeName(code) + ")";
  std::string hint = HintFor(code);
  if (!hint.empty()) message += ": " + hint;
  return Fail(kExitFilterFailed, message);
}
