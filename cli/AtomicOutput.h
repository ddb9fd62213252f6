// Output files appear whole or not at all: each is written to a temporary
// file beside it and renamed into place, so a failure, Ctrl-C or a crash
// never leaves a half-written file and never touches what was there before.
#pragma once

#include <string>

#include "cli/Failure.h"

struct PendingOutput {
  std::string finalPath;
  std::string tempPath;  // empty once committed or abandoned
};

// Checks that the output's directory exists and is writable and creates the
// temporary file there. Call it before the long work, so that a bad path
// fails at once.
Failure BeginOutput(const std::string& path, PendingOutput* output);
// Flushes the temporary file to disk and renames it over the final name.
Failure CommitOutput(PendingOutput* output);
// Removes the temporary file.
void AbandonOutput(PendingOutput* output);
