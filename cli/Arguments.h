// Command-line options of the subcommands and their --help texts.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "cli/Failure.h"

struct OptionSpec {
  std::string name;       // without the leading dashes
  char shortName = 0;     // 0: none
  std::string valueName;  // empty: a switch
  std::string help;
};

struct CommandSpec {
  std::string name;
  std::string usage;    // the operands, as in "INPUT OUTPUT"
  std::string summary;  // one line
  std::vector<OptionSpec> options;
  std::string details;  // paragraphs after the options
  size_t minOperands = 0;
  size_t maxOperands = 0;
};

struct ParsedArguments {
  std::map<std::string, std::string> values;  // options with a value; the last given wins
  std::vector<std::string> switches;          // switches given, in order
  std::vector<std::string> operands;
  bool help = false;
};

// arguments: what follows the subcommand's name.
Failure ParseArguments(const CommandSpec& command, const std::vector<std::string>& arguments,
                       ParsedArguments* parsed);
std::string FormatHelp(const CommandSpec& command);

// --force: lets an output replace a read-only file.
OptionSpec ForceOption();

bool HasSwitch(const ParsedArguments& parsed, const std::string& name);
// The option's value, or fallback when it was not given.
std::string OptionValue(const ParsedArguments& parsed, const std::string& name, const std::string& fallback = "");
bool HasValue(const ParsedArguments& parsed, const std::string& name);
