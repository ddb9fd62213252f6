// The subcommands of the tarkel command.
#pragma once

#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/Failure.h"

struct Command {
  CommandSpec spec;
  Failure (*run)(const ParsedArguments& arguments);
};

Command SampleCommand();
Command FilterCommand();
Command PlayCommand();
Command InfoCommand();
Command PreviewCommand();
// Every command, in the order the overview lists them.
std::vector<Command> AllCommands();
std::string OverviewText();

// Options and --help text shared by the commands that run the plug-in on files.
std::vector<OptionSpec> CommonRunOptions();
std::string CommonRunDetails();

// Parses, runs and reports one invocation; returns the exit status.
int RunTarkel(const std::vector<std::string>& arguments);
