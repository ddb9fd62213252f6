#include <cstdio>

#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/VersionCommand.h"

std::vector<Command> AllCommands() {
  return {FilterCommand(), PlayCommand(), PreviewCommand(), InfoCommand(), SampleCommand()};
}

std::string OverviewText() {
  std::string text =
      "Usage: tarkel COMMAND [OPTIONS] ...\n"
      "Filters image files (JPEG, PNG, TIFF, WebP and more) through the Tarkel custom\n"
      "7 x 7 convolution plug-in, driving the plug-in module row by row exactly as an\n"
      "image editor does.\n\nCommands:\n";
  for (const Command& command : AllCommands()) {
    std::string name = "  " + command.spec.name;
    name.resize(12, ' ');
    text += name + command.spec.summary + "\n";
  }
  text +=
      "\nRun tarkel COMMAND --help for a command's options, tarkel --version [--module PATH]\n"
      "for the command's version and that of the module it drives.\n\n"
      "Exit status: 0 success, 1 the plug-in ended the run with an error, 2 bad\n"
      "arguments, 3 an unusable input image or mask, 4 an unusable kernel or settings\n"
      "file, 5 the module cannot be loaded or read, 6 the output cannot be written,\n"
      "130 interrupted. An output file is never left half-written.\n";
  return text;
}

int RunTarkel(const std::vector<std::string>& arguments) {
  if (!arguments.empty() && arguments[0] == "--version")
    return RunVersion(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  if (arguments.empty() || arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
    if (arguments.size() < 2 || arguments[0] != "help") {
      std::fputs(OverviewText().c_str(), arguments.empty() ? stderr : stdout);
      return arguments.empty() ? kExitUsage : kExitOk;
    }
  }
  std::string name = arguments[0] == "help" ? arguments[1] : arguments[0];
  for (const Command& command : AllCommands()) {
    if (command.spec.name != name) continue;
    ParsedArguments parsed;
    Failure failure;
    if (arguments[0] == "help")
      parsed.help = true;
    else
      failure = ParseArguments(command.spec, std::vector<std::string>(arguments.begin() + 1, arguments.end()), &parsed);
    if (!failure && parsed.help) {
      std::fputs(FormatHelp(command.spec).c_str(), stdout);
      return kExitOk;
    }
    if (!failure) {
      InstallInterruptHandlers();
      failure = command.run(parsed);
    }
    if (failure) std::fprintf(stderr, "tarkel %s: %s\n", name.c_str(), failure.message.c_str());
    return failure.code;
  }
  std::fprintf(stderr, "tarkel: unknown command \"%s\"; run tarkel --help for the list\n", name.c_str());
  return kExitUsage;
}
