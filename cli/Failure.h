// What went wrong in a command, as the message a person reads and the exit
// status a script tests. Every step returns one; an empty one is success.
#pragma once

#include <cstdint>
#include <string>

enum ExitCode : int {
  kExitOk = 0,
  kExitFilterFailed = 1,  // the module ended the run with a result code
  kExitUsage = 2,         // bad arguments
  kExitInput = 3,         // an input image or mask cannot be used
  kExitKernel = 4,        // a kernel or settings file cannot be used
  kExitModule = 5,        // the module cannot be loaded or read
  kExitOutput = 6,        // the output cannot be written
  kExitInterrupted = 130, // Ctrl-C or a termination signal
};

struct Failure {
  ExitCode code = kExitOk;
  std::string message;  // what failed and what to do about it

  explicit operator bool() const { return code != kExitOk; }
};

inline Failure Fail(ExitCode code, std::string message) { return Failure{code, std::move(message)}; }

// "out of memory" for -108, "file not found" for -43; a generic text for others.
std::string ResultCodeName(int16_t code);
// "the plug-in ended the run with -108 (out of memory)" plus a hint where one helps.
Failure FilterResultFailure(int16_t code);
