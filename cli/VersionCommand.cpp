#include "cli/VersionCommand.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "cli/Failure.h"
#include "cli/ModulePath.h"
#include "tarkel/Version.h"

std::string ReadModuleVersion(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::string marker = "tarkel-module-version=";
  size_t at = bytes.find(marker);
  if (at == std::string::npos) return "";
  size_t start = at + marker.size();
  size_t end = bytes.find('\0', start);
  if (end == std::string::npos || end - start > 32) return "";
  return bytes.substr(start, end - start);
}

int RunVersion(const std::vector<std::string>& arguments) {
  bool named = arguments.size() == 2 && arguments[0] == "--module";
  if (!arguments.empty() && !named) {
    std::fputs("tarkel --version: give nothing or --module PATH after it\n", stderr);
    return kExitUsage;
  }
  std::string module = named ? arguments[1] : DefaultModulePath();
  std::string version = ReadModuleVersion(module);
  std::printf("tarkel %s\nmodule %s (%s)\n", TARKEL_VERSION, version.empty() ? "unknown" : version.c_str(),
              module.c_str());
  return version.empty() ? kExitModule : kExitOk;
}
