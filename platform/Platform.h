// The operating-system layer. On Windows each call is the Win32 service it
// is named after; on POSIX an equivalent keeps the same results. Errors are
// reported as the numbers of PlatformError; other numbers pass through
// unmapped.
#pragma once

#include <atomic>
#include <cstdint>

// The error numbers the file layer tells apart: Windows' own where it has
// them, the C runtime's for the rest.
enum PlatformError : uint32_t {
  kPlatformNotFound = 2,
  kPlatformPathNotFound = 3,
  kPlatformAccessDenied = 5,
  kPlatformBadHandle = 9,
  kPlatformPermissionRefused = 13,
  kPlatformInvalidArgument = 22,  // or an invalid name
  kPlatformTooManyOpen = 24,
  kPlatformDiskFull = 28,
  kPlatformSharingViolation = 32,
};

// Movable global memory, zero-filled and locked (GlobalAlloc 0x42,
// GlobalLock); freed from the locked address (GlobalHandle, GlobalUnlock,
// GlobalFree).
void* PlatformAllocBlock(uint32_t size);
void PlatformFreeBlock(void* address);

// Files, identified by a 32-bit handle; -1 is no file.
constexpr int32_t kNoPlatformFile = -1;

enum class OpenAccess {
  readWriteRandom,  // GENERIC_READ | GENERIC_WRITE, FILE_FLAG_RANDOM_ACCESS
  readSequential,   // GENERIC_READ, FILE_FLAG_SEQUENTIAL_SCAN
};

// Opens an existing file without sharing (CreateFileA, OPEN_EXISTING).
int32_t PlatformOpenFile(const char* name, OpenAccess access);
bool PlatformReadFile(int32_t file, void* buffer, uint32_t count, uint32_t* done);
bool PlatformWriteFile(int32_t file, const void* buffer, uint32_t count, uint32_t* done);
bool PlatformCloseFile(int32_t file);
// SetFilePointer with a 32-bit offset; method 0 begin, 1 current, 2 end.
bool PlatformSeekFile(int32_t file, int32_t offset, uint32_t method);
// The error of the last failed call above.
uint32_t PlatformLastError();

// The C runtime's create (permission mode 0x180) and remove; both return 0
// on success, else the C runtime's error number.
int PlatformCreateFile(const char* name);
int PlatformRemoveFile(const char* name);

// A read-write mapping of size bytes on an open file, or on the paging file
// when file is -1 (CreateFileMappingA, PAGE_READWRITE, no name); 0 on failure.
intptr_t PlatformCreateMapping(int32_t file, uint64_t size);
// The whole mapping, writable (MapViewOfFile, FILE_MAP_WRITE); null on failure.
void* PlatformMapView(intptr_t mapping, uint64_t size);
void PlatformFlushView(void* view, uint64_t size);
void PlatformUnmapView(void* view, uint64_t size);
void PlatformCloseMapping(intptr_t mapping);

// Threads for the engine's workers (CreateThread; pthread_create). The entry
// starts on a stack aligned for vector code, also where the system gives a
// new 32-bit thread only 4-byte alignment. Threads are started and joined
// by the host's calling thread.
// The record stays where it is until the thread is joined: the new thread
// finds its entry and argument there.
using PlatformThreadEntry = void (*)(void* argument);
struct PlatformThread {
  intptr_t handle;
  PlatformThreadEntry entry;
  void* argument;
};
bool PlatformStartThread(PlatformThreadEntry entry, void* argument, PlatformThread* thread);
// Waits for the thread to end and releases it.
void PlatformJoinThread(PlatformThread* thread);
// A count that threads raise and one thread waits on, blocked rather than
// spinning (SRWLOCK and CONDITION_VARIABLE; a pthread mutex and condition).
// Reading it never blocks. Set up before any thread sees it; the record
// stays where it is until it is ended.
struct PlatformCount {
  std::atomic<int32_t> value;
  // Raising the count takes the lock only while someone waits: taking it
  // for every row costs the raising thread more than the row's rest.
  std::atomic<int32_t> waiters;
  alignas(8) unsigned char lock[96];  // the system's mutex and condition
};
void PlatformBeginCount(PlatformCount* count);
void PlatformEndCount(PlatformCount* count);
void PlatformAddToCount(PlatformCount* count, int32_t amount);
// Returns the value once it is at least `least`.
int32_t PlatformAwaitCount(PlatformCount* count, int32_t least);
inline int32_t PlatformReadCount(const PlatformCount* count) { return count->value.load(std::memory_order_acquire); }
// Logical processors the calling thread may run on: a host that pins the
// thread it filters on to some processors gets that many workers (Linux:
// the thread's affinity mask; Windows: the process's, which a thread's
// mask cannot widen).
int32_t PlatformProcessorCount();

// Failure injection for tests: the next `count` successful calls of the
// service pass, the one after fails. A negative count switches it off.
enum class PlatformService { allocBlock, createMapping, startThread };
void PlatformFailAfter(PlatformService service, int count);

// For leak checks in tests: blocks allocated and not yet freed, views
// mapped and not yet unmapped, threads started and not yet joined.
enum class PlatformResource { block, view, thread };
int32_t PlatformLiveCount(PlatformResource resource);
