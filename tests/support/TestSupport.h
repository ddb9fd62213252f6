// Helpers shared by the tests: a clean working directory for the fixed
// "c:\" names, and small file utilities.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "plugin/FilterGlobals.h"
#include "contract/PluginApi.h"
#include "hostsim/ModuleLoader.h"

// The directory that "c:\" stands for in this test process.
std::string FixedRoot();
// The host path of a fixed name such as "c:\MORVpref.xxx".
std::string FixedPath(const std::string& name);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteString(const std::string& path, const std::string& text);
std::vector<uint8_t> ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
void RemoveFile(const std::string& path);
// The module built beside the test program.
std::string ModulePath();
// The entry point linked into the test program itself: failure injection
// and the live counts of the platform layer reach this one.
EntryPointProc LinkedEntryPoint();

// The module's globals behind a host's data slot.
FilterGlobals& GlobalsOf(intptr_t data);

// Blocks and mapped views alive now; two snapshots compare for leaks.
struct LiveCounts {
  int32_t blocks;
  int32_t views;
  bool operator==(const LiveCounts&) const = default;
};
LiveCounts CurrentLiveCounts();
void PrintTo(const LiveCounts& counts, std::ostream* out);

// Removes the plug-in's fixed files before and after each test.
class FixedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// Loads the module built beside the test program for each test.
class ModuleTest : public FixedFilesTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  hostsim::LoadedModule module;
};
