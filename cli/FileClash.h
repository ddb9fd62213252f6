// Nothing the command writes may land on a file it reads, or on another of
// its outputs: two names clash when they reach the same file (links
// included) or the same directory entry, which the atomic rename replaces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/Failure.h"

struct NamedPath {
  std::string path;
  std::string role;  // "the input image", "--record" and the like, for messages
  int32_t image = -1;  // an input image and the result made from it share a number
};

// inputs are only read; outputs are written. With inPlace a result may
// replace the input image it is made from; never anything else.
Failure CheckNoClash(const std::vector<NamedPath>& inputs, const std::vector<NamedPath>& outputs, bool inPlace);

// True when both names reach the same file or the same directory entry.
bool SameDestination(const std::string& a, const std::string& b);
