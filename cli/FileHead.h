// The first bytes of a file, for telling formats apart before a loader runs.
#pragma once

#include <cstddef>
#include <string>

// Up to count bytes from the start of the file; fewer when it is shorter or unreadable.
std::string ReadFileHead(const std::string& path, size_t count);

// HEIF and AVIF files open with an "ftyp" box.
bool IsHeifHead(const std::string& head);
