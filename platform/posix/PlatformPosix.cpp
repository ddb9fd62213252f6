// POSIX stand-ins for the Win32 services. Fixed names under "c:\" live in
// $TARKEL_HOME (default ~/.tarkel); backslashes become slashes.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
    case ENOENT: case ENOTDIR: return 2;
    case EACCES: case EPERM: case EROFS: case EISDIR: return 5;
    case EBADF: return 9;
    case EINVAL: case ENAMETOOLONG: return 22;
    case EMFILE: case ENFILE: return 24;
    case ENOSPC: case EFBIG: return 28;
    case EWOULDBLOCK: return 32;
    default: return 1000 + static_cast<uint32_t>(error);
  }
}

static bool Fail() {
  lastError = MapErrno(errno);
  return false;
}

void* PlatformAllocBlock(uint32_t size) {
  if (PlatformShouldFail(PlatformService::allocBlock)) return nullptr;
  return std::calloc(size == 0 ? 1 : size, 1);
}

void PlatformFreeBlock(void* address) { std::free(address); }

int32_t PlatformOpenFile(const char* name, OpenAccess access) {
  int flags = (access == OpenAccess::readWriteRandom ? O_RDWR : O_RDONLY) | O_CLOEXEC;
  int fd = open(NativePath(name).c_str(), flags);
  if (fd < 0) return Fail(), kNoPlatformFile;
  struct stat info;
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {  // Windows refuses directories
    close(fd);
    errno = EISDIR;
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
  int fd = open(NativePath(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return errno == EISDIR ? EACCES : errno;
  close(fd);
  return 0;
}

int PlatformRemoveFile(const char* name) {
  if (std::remove(NativePath(name).c_str()) == 0) return 0;
  return errno == EPERM || errno == EISDIR || errno == ENOTEMPTY || errno == EROFS ? EACCES : errno;
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
  int flags = MAP_SHARED | (fd < 0 ? MAP_ANONYMOUS : 0);
  void* view = mmap(nullptr, static_cast<size_t>(size), PROT_READ | PROT_WRITE, flags, fd, 0);
  return view == MAP_FAILED ? nullptr : view;
}

void PlatformFlushView(void* view, uint64_t size) { msync(view, static_cast<size_t>(size), MS_SYNC); }

void PlatformUnmapView(void* view, uint64_t size) { munmap(view, static_cast<size_t>(size)); }

void PlatformCloseMapping(intptr_t) {}
