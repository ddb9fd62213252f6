#include "fuzz/PrivateHome.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

static std::string home;

void UsePrivateHome() {
  if (!home.empty()) return;
  std::string dir = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/tarkel-fuzz-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) std::abort();
  home = dir;
  setenv("TARKEL_HOME", home.c_str(), 1);
}

static std::string HostPath(const char* fixedName) { return home + "/" + (fixedName + 3); }

void WriteFixedFile(const char* fixedName, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(HostPath(fixedName).c_str(), "wb");
  if (file == nullptr) std::abort();
  if (size != 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  std::fclose(file);
}

void RemoveFixedFile(const char* fixedName) { std::remove(HostPath(fixedName).c_str()); }
