#include "cli/VipsStart.h"

#include <dlfcn.h>
#include <vips/vips.h>

#include <cstdlib>

#include "cli/FileHead.h"
#include <mutex>

namespace {

// libvips looks for its modules under VIPSHOME when that is set; a path
// below a file is never a directory, so none is found there.
constexpr char kNoModules[] = "/proc/self/exe";

// Where the libvips this program runs with keeps its modules.
std::string ModuleDirectory() {
  Dl_info library{};
  if (dladdr(reinterpret_cast<void*>(&vips_init), &library) == 0 || library.dli_fname == nullptr) return "";
  std::string path = library.dli_fname;
  return path.substr(0, path.rfind('/') + 1) + "vips-modules-" + std::to_string(VIPS_MAJOR_VERSION) + "." +
         std::to_string(VIPS_MINOR_VERSION);
}

}  // namespace

void StartVips() {
  static std::once_flag started;
  std::call_once(started, [] {
    bool homeSet = std::getenv("VIPSHOME") != nullptr;
    if (!homeSet) setenv("VIPSHOME", kNoModules, 1);
    int failed = VIPS_INIT("tarkel");
    if (!homeSet) unsetenv("VIPSHOME");
    if (failed != 0) return;
    // Its warnings would break the one-line messages; its errors come back to the caller.
    g_log_set_handler("VIPS", G_LOG_LEVEL_WARNING, [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    // Loaders not meant for hostile files (ImageMagick among them) stay out.
    vips_block_untrusted_set(TRUE);
    // Its PPM and PGM parser is a small one of its own, and those files are named as read.
    vips_operation_block_set("VipsForeignLoadPpm", FALSE);
    vips_cache_set_max(0);
  });
}

void LoadLoaderFor(const std::string& path) {
  static std::once_flag loaded;
  if (!IsHeifHead(ReadFileHead(path, 12))) return;
  std::call_once(loaded, [] {
    // Opening the module registers its loader; it stays for the process's life.
    std::string module = ModuleDirectory() + "/vips-heif.so";
    if (GModule* heif = g_module_open(module.c_str(), G_MODULE_BIND_LAZY)) g_module_make_resident(heif);
  });
}
