#include "hostsim/LargePages.h"

#if defined(_WIN32)
#include <cstdlib>
#else
#include <sys/mman.h>
#endif

namespace hostsim {

#if defined(_WIN32)

void* AllocateLarge(size_t bytes) { return std::malloc(bytes); }
void FreeLarge(void* block, size_t) { std::free(block); }

#else

void* AllocateLarge(size_t bytes) {
  void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) return nullptr;
  madvise(block, bytes, MADV_HUGEPAGE);
  return block;
}

void FreeLarge(void* block, size_t bytes) { munmap(block, bytes); }

#endif

}  // namespace hostsim
