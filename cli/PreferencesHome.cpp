#include "cli/PreferencesHome.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

void WarnIfPreferencesUnsaved() {
  const char* chosen = std::getenv("TARKEL_HOME");
  bool named = chosen != nullptr && chosen[0] != 0;
  const char* home = std::getenv("HOME");
  std::string directory = named ? chosen : std::string(home != nullptr ? home : ".") + "/.tarkel";
  std::string where = named ? "$TARKEL_HOME (" + directory + ")" : directory;
  struct stat info {};
  const char* problem = nullptr;
  if (stat(directory.c_str(), &info) != 0) {
    if (named) problem = "does not exist";  // the plug-in creates only the default directory
  } else if (!S_ISDIR(info.st_mode)) {
    problem = "is not a directory";
  } else if (access(directory.c_str(), W_OK | X_OK) != 0) {
    problem = "is not writable";
  }
  if (problem != nullptr)
    std::fprintf(stderr, "tarkel: warning: %s %s, so the plug-in's preferences (its last kernel) will not be saved\n",
                 where.c_str(), problem);
}
