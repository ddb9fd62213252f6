// Helpers for the tests of the tarkel command: scratch directories and
// running the built program.
#pragma once

#include <string>

#include "tests/support/TestSupport.h"

// A fresh directory, removed with everything in it at the end of the test.
struct CliTempDir {
  std::string path;
  CliTempDir();
  ~CliTempDir();
  std::string Path(const std::string& name) const { return path + "/" + name; }
  // Names of the files in the directory, sorted.
  std::vector<std::string> Files() const { return ListFiles(path); }
  static std::vector<std::string> ListFiles(const std::string& directory);
};

struct CliResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// The tarkel program built beside the tests.
std::string TarkelPath();
// Runs a shell command line (arguments quoted by the caller with Quote).
CliResult RunShell(const std::string& commandLine);
// Runs tarkel with the arguments, each quoted.
CliResult RunTarkelProgram(const std::vector<std::string>& arguments);
std::string Quote(const std::string& argument);

// tarkel filter IN OUT --quiet with the options.
CliResult FilterFile(const std::string& in, const std::string& out, const std::vector<std::string>& options);
// The 49 coefficients of the kernel that leaves every pixel as it is.
std::string IdentityCoefficients();
