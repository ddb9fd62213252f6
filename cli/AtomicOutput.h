// Output files appear whole or not at all: each is written to a temporary
// file beside it and put into place on success, so a failure, Ctrl-C or a
// crash never leaves a half-written file and never touches what was there
// before. Where the file system has unnamed files (O_TMPFILE) the temporary
// file has no name until it is linked into place, so not even SIGKILL can
// leave it behind; elsewhere it is a hidden named file.
#pragma once

#include <string>

#include "cli/Failure.h"

struct PendingOutput {
  std::string finalPath;
  std::string tempPath;  // where to write; empty once committed or abandoned
  int unnamed = -1;      // the unnamed file's descriptor, or -1 for a named one
};

// Everything that can be known before writing: the directory exists and is
// writable, the name fits, and an existing file there is no directory and,
// unless force, is writable (a read-only file is one its owner protects).
Failure CheckOutputPlace(const std::string& path, bool force);
// Checks the place and creates the temporary file there. Call it before the
// long work, so that a bad path fails at once.
Failure BeginOutput(const std::string& path, bool force, PendingOutput* output);
// Flushes the temporary file to disk and puts it in place of the final name.
Failure CommitOutput(PendingOutput* output);
// Removes the temporary file.
void AbandonOutput(PendingOutput* output);
