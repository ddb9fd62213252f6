// tarkel --version: the command's version and that of the module it drives.
#pragma once

#include <string>
#include <vector>

// The version a module file carries, or empty when it carries none.
std::string ReadModuleVersion(const std::string& path);

// arguments: what follows --version (nothing, or --module PATH); the exit status.
int RunVersion(const std::vector<std::string>& arguments);
