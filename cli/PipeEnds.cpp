#include "cli/PipeEnds.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "cli/Picture.h"
#include "cli/TempDirectory.h"

PipeEnds::~PipeEnds() {
  std::error_code ignored;
  if (!scratch.empty()) std::filesystem::remove_all(scratch, ignored);
}

OptionSpec PipeFormatOption() {
  return {"format", 0, "FORMAT", "jpg, png, tif or webp: the format written when OUTPUT is - (standard output)"};
}

// Copies everything from one stream to another; false on a read or write error.
static bool CopyStream(std::FILE* from, std::FILE* to) {
  char buffer[1 << 16];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, from)) > 0)
    if (std::fwrite(buffer, 1, got, to) != got) return false;
  return !std::ferror(from) && std::fflush(to) == 0;
}

static Failure MakeScratch(PipeEnds* ends) {
  if (!ends->scratch.empty()) return {};
  std::string pattern = TempDirectory() + "/tarkel-pipe-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr)
    return Fail(kExitOutput, "cannot make a temporary directory for a pipe (" + std::string(std::strerror(errno)) +
                                 "); set TMPDIR to a writable directory");
  ends->scratch = pattern;
  return {};
}

static Failure CopyStandardInput(PipeEnds* ends) {
  if (isatty(STDIN_FILENO)) return Fail(kExitUsage, "the input is - but standard input is a terminal; pipe an image in");
  if (Failure failure = MakeScratch(ends)) return failure;
  ends->input = ends->scratch + "/standard-input";
  std::FILE* copy = std::fopen(ends->input.c_str(), "wb");
  bool copied = copy != nullptr && CopyStream(stdin, copy);
  if (copy != nullptr && std::fclose(copy) != 0) copied = false;
  if (!copied) return Fail(kExitInput, "standard input: cannot copy it aside (" + std::string(std::strerror(errno)) + ")");
  return {};
}

Failure OpenPipeEnds(const ParsedArguments& arguments, const std::string& input, const std::string& output,
                     PipeEnds* ends) {
  ends->input = input;
  ends->output = output;
  std::string format = OptionValue(arguments, "format");
  if (output != "-" && HasValue(arguments, "format"))
    return Fail(kExitUsage, "--format is for standard output (OUTPUT -); a file's extension gives its format");
  if (output == "-") {
    PictureFormat known{};
    if (format.empty()) return Fail(kExitUsage, "the output is - (standard output): give its --format jpg|png|tif|webp");
    if (format.find('/') != std::string::npos || FormatForPath("standard-output." + format, &known))
      return Fail(kExitUsage, "--format \"" + format + "\": give jpg, png, tif or webp");
    if (isatty(STDOUT_FILENO))
      return Fail(kExitUsage, "the output is - but standard output is a terminal; redirect it or name a file");
    if (Failure failure = MakeScratch(ends)) return failure;
    ends->output = ends->scratch + "/standard-output." + format;
    ends->toStandardOutput = true;
  }
  if (input == "-") return CopyStandardInput(ends);
  return {};
}

Failure CheckNoPipesInBatch(const ParsedArguments& arguments, const std::vector<std::string>& inputs) {
  if (HasValue(arguments, "format"))
    return Fail(kExitUsage,
                "--format is for standard output, which --into does not write; the inputs' names give the formats");
  for (const std::string& input : inputs)
    if (input == "-")
      return Fail(kExitUsage, "- (standard input) is not read with --into; give SETTINGS - OUTPUT for one piped image");
  return {};
}

static void ReplaceAll(std::string* text, const std::string& from, const std::string& to) {
  for (size_t at = text->find(from); at != std::string::npos; at = text->find(from, at + to.size()))
    text->replace(at, from.size(), to);
}

Failure FinishPipeEnds(PipeEnds* ends, Failure run) {
  if (!ends->scratch.empty()) {
    ReplaceAll(&run.message, ends->scratch + "/standard-input", "standard input");
    if (ends->toStandardOutput) ReplaceAll(&run.message, ends->output, "standard output");
  }
  if (run || !ends->toStandardOutput) return run;
  std::FILE* result = std::fopen(ends->output.c_str(), "rb");
  bool copied = result != nullptr && CopyStream(result, stdout);
  if (result != nullptr) std::fclose(result);
  if (!copied) return Fail(kExitOutput, "standard output: cannot write (" + std::string(std::strerror(errno)) + ")");
  return {};
}
