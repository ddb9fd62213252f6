#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/RunTimings.h"

int main(int argc, char** argv) {
  MarkMainStarted();
  return RunTarkel(std::vector<std::string>(argv + 1, argv + argc));
}
