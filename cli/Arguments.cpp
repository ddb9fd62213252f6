#include "cli/Arguments.h"

#include <algorithm>

static const OptionSpec* FindOption(const CommandSpec& command, const std::string& name, char shortName) {
  for (const OptionSpec& option : command.options)
    if ((shortName == 0 && option.name == name) || (shortName != 0 && option.shortName == shortName)) return &option;
  return nullptr;
}

static Failure UsageFailure(const CommandSpec& command, const std::string& what) {
  return Fail(kExitUsage, what + "; see tarkel " + command.name + " --help");
}

static void Take(const OptionSpec& option, const std::string& value, ParsedArguments* parsed) {
  if (option.valueName.empty())
    parsed->switches.push_back(option.name);
  else
    parsed->values[option.name] = value;
}

Failure ParseArguments(const CommandSpec& command, const std::vector<std::string>& arguments,
                       ParsedArguments* parsed) {
  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      parsed->operands.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (argument == "--help" || argument == "-h") {
      parsed->help = true;
      continue;
    }
    bool isLong = argument[1] == '-';
    size_t equals = argument.find('=');
    std::string name = isLong ? argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2) : "";
    const OptionSpec* option = isLong ? FindOption(command, name, 0) : FindOption(command, "", argument[1]);
    if (option == nullptr || (!isLong && argument.size() > 2)) return UsageFailure(command, "unknown option " + argument);
    if (option->valueName.empty()) {
      if (isLong && equals != std::string::npos) return UsageFailure(command, "--" + option->name + " takes no value");
      Take(*option, "", parsed);
    } else if (isLong && equals != std::string::npos) {
      Take(*option, argument.substr(equals + 1), parsed);
    } else if (i + 1 < arguments.size()) {
      Take(*option, arguments[++i], parsed);
    } else {
      return UsageFailure(command, "--" + option->name + " needs " + option->valueName);
    }
  }
  if (parsed->help) return {};
  if (parsed->operands.size() < command.minOperands)
    return UsageFailure(command, "missing operands: tarkel " + command.name + " " + command.usage);
  if (parsed->operands.size() > command.maxOperands)
    return UsageFailure(command, "unexpected operand " + parsed->operands[command.maxOperands]);
  return {};
}

std::string FormatHelp(const CommandSpec& command) {
  std::string text = "Usage: tarkel " + command.name + " " + command.usage + "\n" + command.summary + "\n";
  if (!command.options.empty()) text += "\nOptions:\n";
  for (const OptionSpec& option : command.options) {
    std::string left = "  ";
    left += option.shortName != 0 ? std::string("-") + option.shortName + ", " : "    ";
    left += "--" + option.name + (option.valueName.empty() ? "" : " " + option.valueName);
    if (left.size() < 30)
      left.resize(30, ' ');
    else
      left += "\n" + std::string(30, ' ');
    text += left + option.help + "\n";
  }
  text += "  -h, --help                  this text\n";
  if (!command.details.empty()) text += "\n" + command.details;
  return text;
}

bool HasSwitch(const ParsedArguments& parsed, const std::string& name) {
  return std::find(parsed.switches.begin(), parsed.switches.end(), name) != parsed.switches.end();
}

std::string OptionValue(const ParsedArguments& parsed, const std::string& name, const std::string& fallback) {
  auto found = parsed.values.find(name);
  return found == parsed.values.end() ? fallback : found->second;
}

bool HasValue(const ParsedArguments& parsed, const std::string& name) { return parsed.values.count(name) != 0; }
