// Writes the manual page and the bash completion from the command records;
// the build runs it, so both follow every change to --help.
#include <cstdio>
#include <fstream>

#include "cli/Completion.h"
#include "cli/ManPage.h"

static bool WriteText(const char* path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  return bool(file.flush());
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fputs("usage: tarkel_generate_docs MANPAGE COMPLETION\n", stderr);
    return 2;
  }
  if (!WriteText(argv[1], FormatManPage()) || !WriteText(argv[2], FormatBashCompletion())) {
    std::fprintf(stderr, "tarkel_generate_docs: cannot write %s or %s\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}
