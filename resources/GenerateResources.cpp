// Writes the module's resource images for the resource compiler.
// Usage: GenerateResources x86|x64 OUTPUT_DIRECTORY
#include <cstdio>
#include <cstring>
#include <string>

#include "resources/DialogTemplate.h"
#include "resources/PluginProperties.h"
#include "resources/Terminology.h"

static bool WriteImage(const std::string& path, const ResourceBytes& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

int main(int argc, char** argv) {
  if (argc != 3 || (std::strcmp(argv[1], "x86") != 0 && std::strcmp(argv[1], "x64") != 0)) {
    std::fprintf(stderr, "usage: %s x86|x64 OUTPUT_DIRECTORY\n", argv[0]);
    return 2;
  }
  const ModuleMachine machine = std::strcmp(argv[1], "x64") == 0 ? ModuleMachine::x64 : ModuleMachine::x86;
  const std::string directory = argv[2];
  const bool written = WriteImage(directory + "/properties.bin", BuildPluginProperties(machine)) &&
                       WriteImage(directory + "/terminology.bin", BuildTerminology()) &&
                       WriteImage(directory + "/dialog.bin", BuildDialogTemplate());
  if (!written) {
    std::fprintf(stderr, "%s: cannot write the resource images in %s\n", argv[0], directory.c_str());
    return 1;
  }
  return 0;
}
