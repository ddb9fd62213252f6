#include "cli/AtomicOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/Interrupt.h"

static std::string DirectoryOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

static std::string NameOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode a new file gets (0666 less the umask), or that of the file it replaces.
static mode_t ModeFor(const std::string& path) {
  struct stat existing {};
  if (stat(path.c_str(), &existing) == 0) return existing.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

static std::string CreateFailure(const std::string& path, const std::string& directory, int error) {
  std::string hint = error == EACCES || error == EROFS || error == EPERM ? "; choose a directory you can write to"
                     : error == ENOSPC || error == EDQUOT            ? "; free some space there"
                                                                     : "";
  return path + ": cannot create a file in " + directory + " (" + std::strerror(error) + ")" + hint;
}

Failure CheckOutputPlace(const std::string& path, bool force) {
  std::string directory = DirectoryOf(path);
  struct stat info {};
  if (NameOf(path).empty()) return Fail(kExitUsage, path + ": names a directory; give a file name");
  if (stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    return Fail(kExitOutput, path + ": the directory " + directory + " does not exist; create it first");
  if (access(directory.c_str(), W_OK | X_OK) != 0) return Fail(kExitOutput, CreateFailure(path, directory, errno));
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    return Fail(kExitOutput, path + ": is a directory; give a file name");
  // No write bit at all marks a file protected even from a caller that could write it anyway.
  if (!force && stat(path.c_str(), &info) == 0 && (access(path.c_str(), W_OK) != 0 || (info.st_mode & 0222) == 0))
    return Fail(kExitOutput, path + ": the file is read-only, so it is not replaced; give --force to replace it");
  long longest = pathconf(directory.c_str(), _PC_NAME_MAX);
  if (longest > 0 && NameOf(path).size() > size_t(longest))
    return Fail(kExitOutput, path + ": the name is longer than the " + std::to_string(longest) +
                                 " bytes the file system allows; choose a shorter name");
  return {};
}

// An unnamed file in the directory that the savers can open by a path of
// its own; -1 where the file system or /proc does not allow it.
static int CreateUnnamed(const std::string& directory, std::string* path) {
#ifdef O_TMPFILE
  int fd = open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  *path = "/proc/self/fd/" + std::to_string(fd);
  if (access(path->c_str(), W_OK) == 0) return fd;
  close(fd);
#else
  (void)directory;
  (void)path;
#endif
  return -1;
}

// The temporary name stays short whatever the final name's length.
static std::string TemporaryName(const std::string& path) {
  return DirectoryOf(path) + "/." + NameOf(path).substr(0, 64) + ".tarkel-XXXXXX";
}

Failure BeginOutput(const std::string& path, bool force, PendingOutput* output) {
  output->finalPath = path;
  output->tempPath.clear();
  output->unnamed = -1;
  if (Failure failure = CheckOutputPlace(path, force)) return failure;
  std::string directory = DirectoryOf(path);
  output->unnamed = CreateUnnamed(directory, &output->tempPath);
  if (output->unnamed >= 0) return {};
  std::string temp = TemporaryName(path);
  int fd = mkstemp(temp.data());
  if (fd < 0) return Fail(kExitOutput, CreateFailure(path, directory, errno));
  close(fd);
  output->tempPath = temp;
  RemoveOnSignal(temp);
  return {};
}

static bool SyncFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return false;
  bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

// Links the unnamed file under the final name: at once when the name is
// free, else under a fresh hidden name that is renamed over the old file.
static bool LinkUnnamed(const PendingOutput& output) {
  if (fchmod(output.unnamed, ModeFor(output.finalPath)) != 0 || fsync(output.unnamed) != 0) return false;
  if (linkat(AT_FDCWD, output.tempPath.c_str(), AT_FDCWD, output.finalPath.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno != EEXIST) return false;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = TemporaryName(output.finalPath);
    int fd = mkstemp(temp.data());  // picks a free name; the link below takes its place
    if (fd < 0) return false;
    close(fd);
    unlink(temp.c_str());
    if (linkat(AT_FDCWD, output.tempPath.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    RemoveOnSignal(temp);
    bool renamed = std::rename(temp.c_str(), output.finalPath.c_str()) == 0;
    int error = errno;
    if (!renamed) unlink(temp.c_str());
    KeepOnSignal(temp);
    errno = error;
    return renamed;
  }
  return false;
}

Failure CommitOutput(PendingOutput* output) {
  bool placed = output->unnamed >= 0 ? LinkUnnamed(*output)
                                     : chmod(output->tempPath.c_str(), ModeFor(output->finalPath)) == 0 &&
                                           SyncFile(output->tempPath) &&
                                           std::rename(output->tempPath.c_str(), output->finalPath.c_str()) == 0;
  if (!placed) {
    std::string why = std::strerror(errno);
    AbandonOutput(output);
    return Fail(kExitOutput, output->finalPath + ": cannot put the file in place (" + why + ")");
  }
  if (output->unnamed >= 0) {
    close(output->unnamed);
    output->unnamed = -1;
  } else {
    KeepOnSignal(output->tempPath);
  }
  output->tempPath.clear();
  return {};
}

void AbandonOutput(PendingOutput* output) {
  if (output->unnamed >= 0) {
    close(output->unnamed);  // an unnamed file goes with its last descriptor
    output->unnamed = -1;
  } else if (!output->tempPath.empty()) {
    KeepOnSignal(output->tempPath);
    unlink(output->tempPath.c_str());
  }
  output->tempPath.clear();
}
