// Where the command keeps files that only live during a run.
#pragma once

#include <string>

// $TMPDIR, or /tmp when it is unset or empty.
std::string TempDirectory();
