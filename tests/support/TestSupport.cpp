#include "tests/support/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "hostsim/ModuleLoader.h"
#include "platform/Platform.h"

std::string FixedRoot() {
#if defined(_WIN32)
  return "c:\\";
#else
  return std::string(std::getenv("TARKEL_HOME")) + "/";
#endif
}

std::string FixedPath(const std::string& name) {
  std::string path = name;
  if (path.rfind("c:\\", 0) == 0) path = FixedRoot() + path.substr(3);
#if !defined(_WIN32)
  for (char& c : path)
    if (c == '\\') c = '/';
#endif
  return path;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteString(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// By its directory entry: a file held open without sharing exists as well.
bool FileExists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

std::string ModulePath() { return hostsim::ModuleBesideProgram(); }

extern "C" void TK_CDECL ENTRYPOINT(int16_t selector, FilterRecord* filterRecord, intptr_t* data, int16_t* result);

EntryPointProc LinkedEntryPoint() { return ENTRYPOINT; }

FilterGlobals& GlobalsOf(intptr_t data) {
  return *static_cast<FilterGlobals*>(reinterpret_cast<PluginHandle*>(data)->data);
}

LiveCounts CurrentLiveCounts() {
  return LiveCounts{PlatformLiveCount(PlatformResource::block), PlatformLiveCount(PlatformResource::view)};
}

void PrintTo(const LiveCounts& counts, std::ostream* out) {
  *out << counts.blocks << " blocks, " << counts.views << " views";
}

static void RemoveFixedFiles() {
  for (const char* name : {"c:\\MORVpref.xxx", "c:\\MORVlog.txt", "c:\\MORVPath.TXT", "c:\\BackingS.xxx",
                           "c:\\OpacityS.xxx", "c:\\MaskImag.xxx"})
    RemoveFile(FixedPath(name));
}

void FixedFilesTest::SetUp() { RemoveFixedFiles(); }
void FixedFilesTest::TearDown() { RemoveFixedFiles(); }

void ModuleTest::SetUp() {
  FixedFilesTest::SetUp();
  module = hostsim::LoadModule(ModulePath());
  ASSERT_NE(module.entryPoint, nullptr) << module.error;
}

void ModuleTest::TearDown() {
  hostsim::UnloadModule(module);
  FixedFilesTest::TearDown();
}
