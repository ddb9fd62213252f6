// libvips started once per process with only what the command reads: its
// optional loader modules (PDF, slides, JPEG XL, ImageMagick, HEIF) cost
// tens of milliseconds of linking at every start, and only HEIF is read.
#pragma once

#include <string>

void StartVips();
// Makes the loader a file needs known to libvips, before it is asked about
// the file: the HEIF module for a file that starts as HEIF and AVIF do.
void LoadLoaderFor(const std::string& path);
