// POSIX stand-ins for the Win32 services. Fixed names under "c:\" live in
// $TARKEL_HOME (default ~/.tarkel); backslashes become slashes.
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/FailureInjection.h"
#include "platform/Platform.h"

static uint32_t lastError = 0;

static std::string HomeDirectory() {
  if (const char* home = std::getenv("TARKEL_HOME"); home != nullptr && home[0] != 0) return home;
  const char* user = std::getenv("HOME");
  std::string dir = std::string(user != nullptr ? user : ".") + "/.tarkel";
  mkdir(dir.c_str(), 0700);  // an existing directory is fine
  return dir;
}

static std::string NativePath(const char* name) {
  std::string path = name;
  if (path.size() >= 3 && (path[0] == 'c' || path[0] == 'C') && path[1] == ':' && path[2] == '\\')
    path = HomeDirectory() + "/" + path.substr(3);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

// The error numbers the file layer maps, as Windows would report them.
static uint32_t MapErrno(int error) {
  switch (error) {
    case ENOENT: return kPlatformNotFound;
    case ENOTDIR: return kPlatformPathNotFound;
    case EACCES: case EPERM: case EROFS: case EISDIR: return kPlatformAccessDenied;
    case EBADF: return kPlatformBadHandle;
    case EINVAL: case ENAMETOOLONG: return kPlatformInvalidArgument;
    case EMFILE: case ENFILE: return kPlatformTooManyOpen;
    case ENOSPC: case EFBIG: return kPlatformDiskFull;
    case EWOULDBLOCK: return kPlatformSharingViolation;
    default: return 1000 + static_cast<uint32_t>(error);
  }
}

static bool Fail() {
  lastError = MapErrno(errno);
  return false;
}

// Windows refuses to write, truncate or delete a file that has the read-only
// attribute or that another opener holds, and anything but reading of a
// directory. The owner's write bit stands for the attribute and a flock for
// the open without sharing, so that a privileged user gets the same answers.
static bool IsReadOnly(const struct stat& info) { return (info.st_mode & S_IWUSR) == 0; }

static bool IsHeldOpen(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  close(fd);
  return held;
}

// 0 when the file may be replaced or removed, else the C runtime's error number.
static int RefusalToChange(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return 0;  // the call itself reports it
  return S_ISDIR(info.st_mode) || IsReadOnly(info) || IsHeldOpen(path) ? EACCES : 0;
}

static bool ParentExists(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;
  struct stat info;
  return stat(slash == 0 ? "/" : path.substr(0, slash).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void* PlatformAllocBlock(uint32_t size) {
  if (PlatformShouldFail(PlatformService::allocBlock)) return nullptr;
  void* block = std::calloc(size == 0 ? 1 : size, 1);
  if (block != nullptr) PlatformTrack(PlatformResource::block, 1);
  return block;
}

void PlatformFreeBlock(void* address) {
  PlatformTrack(PlatformResource::block, -1);
  std::free(address);
}

int32_t PlatformOpenFile(const char* name, OpenAccess access) {
  bool write = access == OpenAccess::readWriteRandom;
  std::string path = NativePath(name);
  int fd = open(path.c_str(), (write ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) {
    Fail();
    if (errno == ENOENT && !ParentExists(path)) lastError = kPlatformPathNotFound;
    return kNoPlatformFile;
  }
  struct stat info;
  if (fstat(fd, &info) == 0 && (S_ISDIR(info.st_mode) || (write && IsReadOnly(info)))) {
    close(fd);
    errno = EACCES;
    return Fail(), kNoPlatformFile;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {  // share mode 0: one opener at a time
    int error = errno;
    close(fd);
    errno = error;
    return Fail(), kNoPlatformFile;
  }
  if (access == OpenAccess::readWriteRandom) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
  else posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  return fd;
}

bool PlatformReadFile(int32_t file, void* buffer, uint32_t count, uint32_t* done) {
  ssize_t got = read(file, buffer, count);
  *done = got > 0 ? static_cast<uint32_t>(got) : 0;
  return got >= 0 || Fail();
}

bool PlatformWriteFile(int32_t file, const void* buffer, uint32_t count, uint32_t* done) {
  ssize_t put = write(file, buffer, count);
  *done = put > 0 ? static_cast<uint32_t>(put) : 0;
  if (put >= 0 && static_cast<uint32_t>(put) < count) {  // a short write means the disk is full
    errno = ENOSPC;
    return Fail();
  }
  return put >= 0 || Fail();
}

bool PlatformCloseFile(int32_t file) { return close(file) == 0 || Fail(); }

bool PlatformSeekFile(int32_t file, int32_t offset, uint32_t method) {
  int whence = method == 0 ? SEEK_SET : method == 1 ? SEEK_CUR : method == 2 ? SEEK_END : -1;
  if (whence < 0) {
    errno = EINVAL;
    return Fail();
  }
  return lseek(file, offset, whence) >= 0 || Fail();
}

uint32_t PlatformLastError() { return lastError; }

int PlatformCreateFile(const char* name) {
  std::string path = NativePath(name);
  if (int refusal = RefusalToChange(path); refusal != 0) return refusal;
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return errno == EISDIR || errno == EROFS ? EACCES : errno == ENOTDIR ? ENOENT : errno;
  close(fd);
  return 0;
}

int PlatformRemoveFile(const char* name) {
  std::string path = NativePath(name);
  if (int refusal = RefusalToChange(path); refusal != 0) return refusal;
  if (std::remove(path.c_str()) == 0) return 0;
  return errno == EPERM || errno == EROFS ? EACCES : errno == ENOTDIR ? ENOENT : errno;
}

// A mapping is the file descriptor it maps, or this value for the paging file.
static constexpr intptr_t kAnonymousMapping = INTPTR_MAX;

intptr_t PlatformCreateMapping(int32_t file, uint64_t size) {
  if (PlatformShouldFail(PlatformService::createMapping)) return 0;
  if (size == 0 || size > static_cast<uint64_t>(SIZE_MAX) || size > static_cast<uint64_t>(INT64_MAX)) return 0;
  if (file == kNoPlatformFile) return kAnonymousMapping;
  if (ftruncate(file, static_cast<off_t>(size)) != 0) return 0;
  return file;
}

void* PlatformMapView(intptr_t mapping, uint64_t size) {
  int fd = mapping == kAnonymousMapping ? -1 : static_cast<int>(mapping);
  // Nothing else maps the paging file's stores, so they can be private memory
  // in huge pages: a large image then costs a few thousand faults, not a
  // quarter of a million.
  int flags = fd < 0 ? MAP_PRIVATE | MAP_ANONYMOUS : MAP_SHARED;
  void* view = mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, flags, fd, 0);
  if (view == MAP_FAILED) return nullptr;
  if (fd < 0) madvise(view, static_cast<size_t>(size), MADV_HUGEPAGE);
  PlatformTrack(PlatformResource::view, 1);
  return view;
}

void PlatformFlushView(void* view, uint64_t size) { msync(view, static_cast<size_t>(size), MS_SYNC); }

void PlatformUnmapView(void* view, uint64_t size) {
  PlatformTrack(PlatformResource::view, -1);
  munmap(view, static_cast<size_t>(size));
}

void PlatformCloseMapping(intptr_t) {}

static void* RunPlatformThread(void* record) {
  auto* thread = static_cast<PlatformThread*>(record);
  thread->entry(thread->argument);
  return nullptr;
}

bool PlatformStartThread(PlatformThreadEntry entry, void* argument, PlatformThread* thread) {
  if (PlatformShouldFail(PlatformService::startThread)) return false;
  thread->entry = entry;
  thread->argument = argument;
  pthread_t handle{};
  if (pthread_create(&handle, nullptr, RunPlatformThread, thread) != 0) return false;
  static_assert(sizeof(pthread_t) <= sizeof(intptr_t));
  thread->handle = static_cast<intptr_t>(handle);
  PlatformTrack(PlatformResource::thread, 1);
  return true;
}

void PlatformJoinThread(PlatformThread* thread) {
  pthread_join(static_cast<pthread_t>(thread->handle), nullptr);
  PlatformTrack(PlatformResource::thread, -1);
}

namespace {

struct CountLock {
  pthread_mutex_t mutex;
  pthread_cond_t raised;
};
static_assert(sizeof(CountLock) <= sizeof(PlatformCount::lock) && alignof(CountLock) <= 8);

CountLock* LockOf(PlatformCount* count) { return reinterpret_cast<CountLock*>(count->lock); }

}  // namespace

void PlatformBeginCount(PlatformCount* count) {
  count->value.store(0, std::memory_order_relaxed);
  count->waiters.store(0, std::memory_order_relaxed);
  CountLock* lock = new (count->lock) CountLock;
  pthread_mutex_init(&lock->mutex, nullptr);
  pthread_cond_init(&lock->raised, nullptr);
}

void PlatformEndCount(PlatformCount* count) {
  pthread_cond_destroy(&LockOf(count)->raised);
  pthread_mutex_destroy(&LockOf(count)->mutex);
}

// The count is raised before the waiters are read, and a waiter is counted
// before it reads the count (both sequentially consistent): either the
// waiter sees the new value or the raiser sees the waiter and signals under
// the lock, which the waiter holds until it sleeps.
void PlatformAddToCount(PlatformCount* count, int32_t amount) {
  count->value.fetch_add(amount);
  if (count->waiters.load() == 0) return;
  CountLock* lock = LockOf(count);
  pthread_mutex_lock(&lock->mutex);
  pthread_cond_signal(&lock->raised);
  pthread_mutex_unlock(&lock->mutex);
}

int32_t PlatformAwaitCount(PlatformCount* count, int32_t least) {
  int32_t value = count->value.load(std::memory_order_acquire);
  if (value >= least) return value;
  CountLock* lock = LockOf(count);
  pthread_mutex_lock(&lock->mutex);
  count->waiters.fetch_add(1);
  while ((value = count->value.load()) < least) pthread_cond_wait(&lock->raised, &lock->mutex);
  count->waiters.fetch_sub(1);
  pthread_mutex_unlock(&lock->mutex);
  return value;
}

// sched_getaffinity of 0 is the calling thread's mask, not the process's.
int32_t PlatformProcessorCount() {
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof(allowed), &allowed) == 0) return CPU_COUNT(&allowed);
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<int32_t>(online) : 1;
}
