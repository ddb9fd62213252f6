#include <string>
#include <vector>

#include "cli/Commands.h"

int main(int argc, char** argv) { return RunTarkel(std::vector<std::string>(argv + 1, argv + argc)); }
