// Whole-image buffers in huge pages where the system gives them: a decoded
// photograph then costs a few dozen page faults instead of tens of
// thousands, each of which is dear on a virtual machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace hostsim {

// Bytes from which a buffer gets pages of its own.
constexpr size_t kLargeBufferBytes = size_t{2} << 20;

void* AllocateLarge(size_t bytes);  // nullptr when out of memory
void FreeLarge(void* block, size_t bytes);

template <typename T>
struct LargePageAllocator {
  using value_type = T;
  LargePageAllocator() = default;
  template <typename U>
  LargePageAllocator(const LargePageAllocator<U>&) {}

  // Zeroed, as fresh pages from the system come: a vector's elements made
  // without a value are then left as they are, and a whole image's pages
  // are first touched (and cleared by the system) where its rows land, on
  // the decoding thread, not all at once where the image is made.
  T* allocate(size_t count) {
    size_t bytes = count * sizeof(T);
    if (bytes < kLargeBufferBytes) return static_cast<T*>(std::memset(::operator new(bytes), 0, bytes));
    void* block = AllocateLarge(bytes);
    if (block == nullptr) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  // Only fresh memory is zero: elements a vector shrank away and grows back
  // keep what they held.
  template <typename U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <typename U, typename... Arguments>
  void construct(U* at, Arguments&&... arguments) {
    ::new (static_cast<void*>(at)) U(std::forward<Arguments>(arguments)...);
  }
  void deallocate(T* block, size_t count) {
    size_t bytes = count * sizeof(T);
    if (bytes < kLargeBufferBytes)
      ::operator delete(block);
    else
      FreeLarge(block, bytes);
  }
  template <typename U>
  bool operator==(const LargePageAllocator<U>&) const {
    return true;
  }
};

using Samples = std::vector<uint8_t, LargePageAllocator<uint8_t>>;

}  // namespace hostsim
