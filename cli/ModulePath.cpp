#include "cli/ModulePath.h"

#include <unistd.h>

#include "hostsim/ModuleLoader.h"

std::string DefaultModulePath() {
  std::string beside = hostsim::ModuleBesideProgram();
  if (access(beside.c_str(), F_OK) == 0) return beside;
  std::string directory = beside.substr(0, beside.find_last_of('/'));
  std::string installed = directory.substr(0, directory.find_last_of('/') + 1) + "lib/tarkel/tarkel.so";
  return access(installed.c_str(), F_OK) == 0 ? installed : beside;
}
