// Where the plug-in keeps its preferences ($TARKEL_HOME, default ~/.tarkel).
// The plug-in cannot report that it failed to save them, so the command
// warns beforehand when the directory is missing or not writable.
#pragma once

// Prints a warning on standard error when the preferences cannot be saved.
void WarnIfPreferencesUnsaved();
