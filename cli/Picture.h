// An image file in memory, and the PNG and TIFF files it comes from and goes to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/Failure.h"
#include "hostsim/Host.h"

struct Picture {
  // planes = colour channels (1 gray, 3 RGB) plus one when there is alpha;
  // 16-bit samples hold the file's values, 0..65535, little-endian.
  hostsim::Image image;
  bool alpha = false;
  bool premultiplied = false;  // TIFF associated alpha, written back as such
};

enum class PictureFormat { png, tiff };

int32_t ColourChannels(const Picture& picture);
// "RGBA, 16 bits" and the like, for messages.
std::string DescribePicture(const Picture& picture);

// The format an output path asks for, from its extension (.png, .tif, .tiff).
Failure FormatForPath(const std::string& path, PictureFormat* format);
// Fails, with code, unless path names a regular file: a pipe would be read
// once and a FIFO would wait for a writer forever.
Failure CheckRegularFile(const std::string& path, ExitCode code);
// Reads a PNG or TIFF file, whatever its name says.
Failure ReadPicture(const std::string& path, Picture* picture);
Failure WritePicture(const std::string& path, const Picture& picture, PictureFormat format);

// A selection mask of width x height: one byte per pixel, 255 selected.
Failure ReadMask(const std::string& path, int32_t width, int32_t height, std::vector<uint8_t>* mask);

// Hosts hand 16-bit images to filters in 0..32768; files use 0..65535.
// Going to the host and back restores every value a host can hold.
void ToHostRange(hostsim::Image& image);
void FromHostRange(hostsim::Image& image);

// Per-format readers and writers (path names the file in messages).
Failure ReadPng(const std::string& path, Picture* picture);
Failure WritePng(const std::string& path, const Picture& picture);
Failure ReadTiff(const std::string& path, Picture* picture);
Failure WriteTiff(const std::string& path, const Picture& picture);
