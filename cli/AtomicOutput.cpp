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

Failure BeginOutput(const std::string& path, PendingOutput* output) {
  output->finalPath = path;
  output->tempPath.clear();
  std::string directory = DirectoryOf(path);
  struct stat info {};
  if (NameOf(path).empty()) return Fail(kExitUsage, path + ": names a directory; give a file name");
  if (stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    return Fail(kExitOutput, path + ": the directory " + directory + " does not exist; create it first");
  if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    return Fail(kExitOutput, path + ": is a directory; give a file name");
  long longest = pathconf(directory.c_str(), _PC_NAME_MAX);
  if (longest > 0 && NameOf(path).size() > size_t(longest))
    return Fail(kExitOutput, path + ": the name is longer than the " + std::to_string(longest) +
                                 " bytes the file system allows; choose a shorter name");
  // The temporary name stays short whatever the final name's length.
  std::string temp = directory + "/." + NameOf(path).substr(0, 64) + ".tarkel-XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) {
    int error = errno;
    std::string hint = error == EACCES || error == EROFS || error == EPERM ? "; choose a directory you can write to"
                       : error == ENOSPC || error == EDQUOT            ? "; free some space there"
                                                                       : "";
    return Fail(kExitOutput, path + ": cannot create a file in " + directory + " (" + std::strerror(error) + ")" + hint);
  }
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

Failure CommitOutput(PendingOutput* output) {
  if (chmod(output->tempPath.c_str(), ModeFor(output->finalPath)) != 0 || !SyncFile(output->tempPath) ||
      std::rename(output->tempPath.c_str(), output->finalPath.c_str()) != 0) {
    std::string why = std::strerror(errno);
    AbandonOutput(output);
    return Fail(kExitOutput, output->finalPath + ": cannot put the file in place (" + why + ")");
  }
  KeepOnSignal(output->tempPath);
  output->tempPath.clear();
  return {};
}

void AbandonOutput(PendingOutput* output) {
  if (output->tempPath.empty()) return;
  KeepOnSignal(output->tempPath);
  unlink(output->tempPath.c_str());
  output->tempPath.clear();
}
