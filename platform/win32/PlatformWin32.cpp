// The Win32 services, called as the file layer, stores and blocks expect.
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <new>
#include <sys/stat.h>

#include "platform/FailureInjection.h"
#include "platform/Platform.h"

static uint32_t lastError = 0;

// Windows codes the file layer maps under their C runtime numbers.
static uint32_t MapLastError(DWORD error) {
  switch (error) {
    case ERROR_INVALID_HANDLE: return kPlatformBadHandle;
    case ERROR_INVALID_NAME: case ERROR_NEGATIVE_SEEK: case ERROR_INVALID_PARAMETER: return kPlatformInvalidArgument;
    case ERROR_TOO_MANY_OPEN_FILES: return kPlatformTooManyOpen;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: return kPlatformDiskFull;
    // Windows codes that share a number with a mapped one must not pass as it.
    case kPlatformBadHandle: case kPlatformPermissionRefused: case kPlatformInvalidArgument:
    case kPlatformTooManyOpen: case kPlatformDiskFull: return 1000 + error;
    default: return error;
  }
}

static bool Fail() {
  lastError = MapLastError(GetLastError());
  errno = static_cast<int>(lastError);
  return false;
}

static HANDLE ToHandle(int32_t file) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(file)); }

void* PlatformAllocBlock(uint32_t size) {
  if (PlatformShouldFail(PlatformService::allocBlock)) return nullptr;
  // A movable block of 0 bytes is discarded and cannot be locked; one byte
  // gives an empty request an address, as on every other platform.
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size == 0 ? 1 : size);
  if (memory == nullptr) return nullptr;
  void* address = GlobalLock(memory);
  if (address == nullptr) GlobalFree(memory);
  else PlatformTrack(PlatformResource::block, 1);
  return address;
}

void PlatformFreeBlock(void* address) {
  PlatformTrack(PlatformResource::block, -1);
  HGLOBAL memory = GlobalHandle(address);
  GlobalUnlock(memory);
  GlobalFree(memory);
}

int32_t PlatformOpenFile(const char* name, OpenAccess access) {
  bool random = access == OpenAccess::readWriteRandom;
  HANDLE file = CreateFileA(name, random ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | (random ? FILE_FLAG_RANDOM_ACCESS : FILE_FLAG_SEQUENTIAL_SCAN),
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return Fail(), kNoPlatformFile;
  // Kernel handles carry 32 significant bits on 64-bit Windows as well.
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(file));
}

bool PlatformReadFile(int32_t file, void* buffer, uint32_t count, uint32_t* done) {
  DWORD got = 0;
  BOOL ok = ReadFile(ToHandle(file), buffer, count, &got, nullptr);
  *done = got;
  return ok || Fail();
}

bool PlatformWriteFile(int32_t file, const void* buffer, uint32_t count, uint32_t* done) {
  DWORD put = 0;
  BOOL ok = WriteFile(ToHandle(file), buffer, count, &put, nullptr);
  *done = put;
  return ok || Fail();
}

bool PlatformCloseFile(int32_t file) { return CloseHandle(ToHandle(file)) || Fail(); }

bool PlatformSeekFile(int32_t file, int32_t offset, uint32_t method) {
  SetLastError(NO_ERROR);
  DWORD position = SetFilePointer(ToHandle(file), offset, nullptr, method);
  return position != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR || Fail();
}

uint32_t PlatformLastError() { return lastError; }

int PlatformCreateFile(const char* name) {
  int fd = _creat(name, _S_IREAD | _S_IWRITE);
  if (fd < 0) return errno;
  _close(fd);
  return 0;
}

int PlatformRemoveFile(const char* name) { return std::remove(name) == 0 ? 0 : errno; }

intptr_t PlatformCreateMapping(int32_t file, uint64_t size) {
  if (PlatformShouldFail(PlatformService::createMapping)) return 0;
  if (size == 0 || size > static_cast<uint64_t>(SIZE_MAX)) return 0;
  HANDLE mapping = CreateFileMappingA(ToHandle(file), nullptr, PAGE_READWRITE, static_cast<DWORD>(size >> 32),
                                      static_cast<DWORD>(size), nullptr);
  return reinterpret_cast<intptr_t>(mapping);
}

void* PlatformMapView(intptr_t mapping, uint64_t size) {
  void* view = MapViewOfFile(reinterpret_cast<HANDLE>(mapping), FILE_MAP_WRITE, 0, 0, static_cast<SIZE_T>(size));
  if (view != nullptr) PlatformTrack(PlatformResource::view, 1);
  return view;
}

void PlatformFlushView(void* view, uint64_t size) { FlushViewOfFile(view, static_cast<SIZE_T>(size)); }

void PlatformUnmapView(void* view, uint64_t) {
  PlatformTrack(PlatformResource::view, -1);
  UnmapViewOfFile(view);
}

void PlatformCloseMapping(intptr_t mapping) { CloseHandle(reinterpret_cast<HANDLE>(mapping)); }

// A new 32-bit thread's stack is only 4-byte aligned; the engine's vector
// code spills 16- and 32-byte values, so the entry realigns it.
__attribute__((force_align_arg_pointer)) static DWORD WINAPI RunPlatformThread(LPVOID record) {
  auto* thread = static_cast<PlatformThread*>(record);
  thread->entry(thread->argument);
  return 0;
}

bool PlatformStartThread(PlatformThreadEntry entry, void* argument, PlatformThread* thread) {
  if (PlatformShouldFail(PlatformService::startThread)) return false;
  thread->entry = entry;
  thread->argument = argument;
  HANDLE handle = CreateThread(nullptr, 0, RunPlatformThread, thread, 0, nullptr);
  if (handle == nullptr) return Fail();
  thread->handle = reinterpret_cast<intptr_t>(handle);
  PlatformTrack(PlatformResource::thread, 1);
  return true;
}

void PlatformJoinThread(PlatformThread* thread) {
  HANDLE handle = reinterpret_cast<HANDLE>(thread->handle);
  WaitForSingleObject(handle, INFINITE);
  CloseHandle(handle);
  PlatformTrack(PlatformResource::thread, -1);
}

namespace {

struct CountLock {
  SRWLOCK mutex;
  CONDITION_VARIABLE raised;
};
static_assert(sizeof(CountLock) <= sizeof(PlatformCount::lock) && alignof(CountLock) <= 8);

CountLock* LockOf(PlatformCount* count) { return reinterpret_cast<CountLock*>(count->lock); }

}  // namespace

void PlatformBeginCount(PlatformCount* count) {
  count->value.store(0, std::memory_order_relaxed);
  count->waiters.store(0, std::memory_order_relaxed);
  CountLock* lock = new (count->lock) CountLock;
  InitializeSRWLock(&lock->mutex);
  InitializeConditionVariable(&lock->raised);
}

void PlatformEndCount(PlatformCount*) {}  // neither holds anything of the system's

// As on posix: the count is raised before the waiters are read and a waiter
// is counted before it reads the count, so one of the two sees the other;
// the wake passes through the lock, which the waiter holds until it sleeps.
void PlatformAddToCount(PlatformCount* count, int32_t amount) {
  count->value.fetch_add(amount);
  if (count->waiters.load() == 0) return;
  CountLock* lock = LockOf(count);
  AcquireSRWLockExclusive(&lock->mutex);
  ReleaseSRWLockExclusive(&lock->mutex);
  WakeConditionVariable(&lock->raised);
}

int32_t PlatformAwaitCount(PlatformCount* count, int32_t least) {
  int32_t value = count->value.load(std::memory_order_acquire);
  if (value >= least) return value;
  CountLock* lock = LockOf(count);
  AcquireSRWLockExclusive(&lock->mutex);
  count->waiters.fetch_add(1);
  while ((value = count->value.load()) < least) SleepConditionVariableSRW(&lock->raised, &lock->mutex, INFINITE, 0);
  count->waiters.fetch_sub(1);
  ReleaseSRWLockExclusive(&lock->mutex);
  return value;
}

int32_t PlatformProcessorCount() {
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) && process != 0)
    return static_cast<int32_t>(__builtin_popcountll(static_cast<unsigned long long>(process)));
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwNumberOfProcessors > 0 ? static_cast<int32_t>(info.dwNumberOfProcessors) : 1;
}
