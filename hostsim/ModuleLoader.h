// Loads a filter module by path and finds its ENTRYPOINT.
#pragma once

#include <string>

#include "contract/DialogDriver.h"
#include "contract/PluginApi.h"

namespace hostsim {

struct LoadedModule {
  void* library = nullptr;
  EntryPointProc entryPoint = nullptr;
  std::string error;  // why loading failed, empty on success
};

LoadedModule LoadModule(const std::string& path);
void UnloadModule(LoadedModule& module);

// The POSIX module's hook that installs a dialog driver; null for modules
// without one (every Windows module).
using SetDialogDriverProc = int32_t (*)(const TarkelDialogDriver* driver);
SetDialogDriverProc FindDialogDriverHook(const LoadedModule& module);

// tarkel.so or tarkel.8BF in the directory of the running program.
std::string ModuleBesideProgram();

}  // namespace hostsim
