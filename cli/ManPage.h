// The manual page, written from the same command records as --help so the
// two cannot drift.
#pragma once

#include <string>

// roff for man(1): the overview, then a section per command.
std::string FormatManPage();
