// The bash completion script, written from the command records: commands,
// their options, and file names filtered by what each option takes.
#pragma once

#include <string>

std::string FormatBashCompletion();
