#include <malloc.h>

#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/RunTimings.h"

int main(int argc, char** argv) {
  MarkMainStarted();
  // libvips takes a fresh buffer of a megabyte or more for each band of rows
  // it decodes and frees it after: kept in the heap, with no limit on the
  // heap's idle top, they are reused instead of being mapped, faulted in and
  // given back each time, which cost seconds on a large TIFF.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  return RunTarkel(std::vector<std::string>(argv + 1, argv + argc));
}
