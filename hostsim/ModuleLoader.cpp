#include "hostsim/ModuleLoader.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace hostsim {

LoadedModule LoadModule(const std::string& path) {
  LoadedModule module;
#if defined(_WIN32)
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) {
    module.error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return module;
  }
  module.library = library;
  module.entryPoint = reinterpret_cast<EntryPointProc>(reinterpret_cast<void*>(GetProcAddress(library, "ENTRYPOINT")));
#else
#if defined(TARKEL_SANITIZE)
  // Leak reports name the module's functions only while it stays mapped.
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
#else
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
  if (library == nullptr) {
    const char* why = dlerror();
    module.error = "cannot load " + path + ": " + (why != nullptr ? why : "unknown error");
    return module;
  }
  module.library = library;
  module.entryPoint = reinterpret_cast<EntryPointProc>(dlsym(library, "ENTRYPOINT"));
#endif
  if (module.entryPoint == nullptr) {
    module.error = path + " exports no ENTRYPOINT";
    UnloadModule(module);
  }
  return module;
}

void UnloadModule(LoadedModule& module) {
  if (module.library != nullptr) {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(module.library));
#else
    dlclose(module.library);
#endif
  }
  module.library = nullptr;
  module.entryPoint = nullptr;
}

SetDialogDriverProc FindDialogDriverHook(const LoadedModule& module) {
  if (module.library == nullptr) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<SetDialogDriverProc>(
      reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module.library), "TarkelSetDialogDriver")));
#else
  return reinterpret_cast<SetDialogDriverProc>(dlsym(module.library, "TarkelSetDialogDriver"));
#endif
}

std::string ModuleBesideProgram() {
#if defined(_WIN32)
  char buffer[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  std::string program(buffer, length);
  return program.substr(0, program.find_last_of("\\/") + 1) + "tarkel.8BF";
#else
  char buffer[4096];
  ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
  std::string program(buffer, length > 0 ? static_cast<size_t>(length) : 0);
  return program.substr(0, program.find_last_of('/') + 1) + "tarkel.so";
#endif
}

}  // namespace hostsim
