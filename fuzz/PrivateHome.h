// Shared by the fuzz programs: a private directory for the fixed "c:\"
// names, and a way to put the input into one of those files.
#pragma once

#include <cstddef>
#include <cstdint>

// Sets TARKEL_HOME to a fresh directory once per process.
void UsePrivateHome();
// Writes the bytes to the file that the fixed name stands for.
void WriteFixedFile(const char* fixedName, const uint8_t* data, size_t size);
void RemoveFixedFile(const char* fixedName);
