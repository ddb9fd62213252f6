#include "cli/Arguments.h"

#include <CLI/CLI.hpp>

#include <algorithm>

static Failure UsageFailure(const CommandSpec& command, const std::string& what) {
  return Fail(kExitUsage, what + "; see tarkel " + command.name + " --help");
}

// CLI11 parses; the options, their --help text and the messages stay this command's.
Failure ParseArguments(const CommandSpec& command, const std::vector<std::string>& arguments,
                       ParsedArguments* parsed) {
  CLI::App app(command.summary, "tarkel " + command.name);
  app.set_help_flag();
  app.add_flag("-h,--help", parsed->help);
  for (const OptionSpec& option : command.options) {
    std::string names = (option.shortName != 0 ? std::string("-") + option.shortName + "," : "") + "--" + option.name;
    const std::string& name = option.name;
    if (option.valueName.empty()) {
      app.add_flag_callback(names, [parsed, name] { parsed->switches.push_back(name); })->disable_flag_override();
    } else {
      app.add_option_function<std::string>(names, [parsed, name](const std::string& value) { parsed->values[name] = value; })
          ->type_name(option.valueName)
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
          ->allow_extra_args(false);
    }
  }
  app.add_option("operands", parsed->operands);
  try {
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    return UsageFailure(command, error.what());
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

OptionSpec ForceOption() { return {"force", 0, "", "replace an output file even when it is read-only"}; }

bool HasSwitch(const ParsedArguments& parsed, const std::string& name) {
  return std::find(parsed.switches.begin(), parsed.switches.end(), name) != parsed.switches.end();
}

std::string OptionValue(const ParsedArguments& parsed, const std::string& name, const std::string& fallback) {
  auto found = parsed.values.find(name);
  return found == parsed.values.end() ? fallback : found->second;
}

bool HasValue(const ParsedArguments& parsed, const std::string& name) { return parsed.values.count(name) != 0; }
