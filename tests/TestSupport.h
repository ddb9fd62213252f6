// Helpers shared by the tests: a clean working directory for the fixed
// "c:\" names, and small file utilities.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

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

// Removes the plug-in's fixed files before and after each test.
class FixedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};
