// Ctrl-C and termination signals: the first asks the run to stop at the next
// safe point (the plug-in's abort check, the next row written); a second one
// removes the half-written output at once and ends the program.
#pragma once

#include <string>

void InstallInterruptHandlers();
bool InterruptRequested();
// Temporary files a second signal must remove (a few at a time).
void RemoveOnSignal(const std::string& path);
void KeepOnSignal(const std::string& path);
