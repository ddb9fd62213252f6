#include "tests/cli/CliSupport.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "hostsim/ModuleLoader.h"

CliTempDir::CliTempDir() {
  std::string pattern = std::string(std::getenv("TARKEL_HOME")) + "/cli-XXXXXX";
  path = mkdtemp(pattern.data()) != nullptr ? pattern : "";
}

CliTempDir::~CliTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::vector<std::string> CliTempDir::ListFiles(const std::string& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::string TarkelPath() {
  std::string module = hostsim::ModuleBesideProgram();
  return module.substr(0, module.find_last_of('/') + 1) + "tarkel";
}

std::string Quote(const std::string& argument) {
  std::string quoted = "'";
  for (char c : argument) {
    if (c == '\'')
      quoted.append("'\\''");
    else
      quoted.push_back(c);
  }
  quoted.push_back('\'');
  return quoted;
}

CliResult RunShell(const std::string& commandLine) {
  CliTempDir capture;
  std::string out = capture.Path("out"), err = capture.Path("err");
  std::string line = commandLine;
  line.append(" >").append(Quote(out)).append(" 2>").append(Quote(err)).append(" </dev/null");
  int raw = std::system(line.c_str());
  CliResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  std::vector<uint8_t> outBytes = ReadBytes(out), errBytes = ReadBytes(err);
  result.out.assign(outBytes.begin(), outBytes.end());
  result.err.assign(errBytes.begin(), errBytes.end());
  return result;
}

CliResult RunTarkelProgram(const std::vector<std::string>& arguments) {
  std::string line = Quote(TarkelPath());
  for (const std::string& argument : arguments) line.append(" ").append(Quote(argument));
  return RunShell(line);
}

CliResult FilterFile(const std::string& in, const std::string& out, const std::vector<std::string>& options) {
  std::vector<std::string> arguments = {"filter", in, out, "--quiet"};
  arguments.insert(arguments.end(), options.begin(), options.end());
  return RunTarkelProgram(arguments);
}

std::string IdentityCoefficients() {
  std::string list;
  for (int i = 0; i < 49; ++i) list += std::string(i == 0 ? "" : ",") + (i == 24 ? "1" : "0");
  return list;
}
