#include "cli/TempDirectory.h"

#include <cstdlib>

std::string TempDirectory() {
  const char* set = std::getenv("TMPDIR");
  return set != nullptr && *set != 0 ? set : "/tmp";
}
