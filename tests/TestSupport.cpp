#include "tests/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "hostsim/ModuleLoader.h"

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

bool FileExists(const std::string& path) { return std::ifstream(path).good(); }

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

std::string ModulePath() { return hostsim::ModuleBesideProgram(); }

static void RemoveFixedFiles() {
  for (const char* name : {"c:\\MORVpref.xxx", "c:\\MORVlog.txt", "c:\\MORVPath.TXT", "c:\\BackingS.xxx",
                           "c:\\OpacityS.xxx", "c:\\MaskImag.xxx"})
    RemoveFile(FixedPath(name));
}

void FixedFilesTest::SetUp() { RemoveFixedFiles(); }
void FixedFilesTest::TearDown() { RemoveFixedFiles(); }
