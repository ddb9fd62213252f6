#include "cli/Completion.h"

#include <map>

#include "cli/Commands.h"

namespace {

constexpr const char* kImages = "@(png|PNG|jpg|JPG|jpeg|JPEG|tif|TIF|tiff|TIFF|webp|WEBP|heic|HEIC|heif|HEIF|gif|GIF|ppm|PPM|pgm|PGM|pnm|PNM)";

// What an option's value completes to: "glob:PATTERN" files with those
// extensions, "dirs" directories, "words:A B" the words; absent: nothing.
const std::map<std::string, std::string>& OptionValues() {
  static const std::map<std::string, std::string> values = {
      {"mask", std::string("glob:") + kImages},
      {"kernel", "glob:@(acf|ACF|txt|TXT)"},
      {"matrix", "glob:@(mat|MAT|txt|TXT)"},
      {"record", "glob:@(json|JSON)"},
      {"module", "glob:@(so|8bf|8BF)"},
      {"into", "dirs"},
      {"format", "words:jpg png tif webp"},
      {"compression", "words:0 1 2 3 4 5 6 7 8 9 none deflate lzw zstd packbits jpeg"},
      {"kind", "words:gray gray-alpha rgb rgba"},
      {"depth", "words:8 16"},
  };
  return values;
}

// The files a command's operands name.
std::string OperandGlob(const std::string& command) {
  if (command == "info") return "@(8bf|8BF|so)";
  if (command == "play") return "@(json|JSON|png|PNG|jpg|JPG|jpeg|JPEG|tif|TIF|tiff|TIFF|webp|WEBP|heic|heif|gif|ppm|pgm|pnm)";
  return kImages;
}

std::string Completer(const std::string& rule) {
  size_t colon = rule.find(':');
  std::string kind = rule.substr(0, colon), what = colon == std::string::npos ? "" : rule.substr(colon + 1);
  if (kind == "glob") return "_tarkel_files '" + what + "'";
  if (kind == "dirs") return "_tarkel_dirs";
  return "COMPREPLY=($(compgen -W '" + what + "' -- \"$cur\"))";
}

}  // namespace

std::string FormatBashCompletion() {
  std::string commands;
  for (const Command& command : AllCommands()) commands += (commands.empty() ? "" : " ") + command.spec.name;
  std::string script =
      "# bash completion for tarkel, written from the command's own option records.\n"
      "_tarkel_files() {\n"
      "  local IFS=$'\\n'\n"
      "  COMPREPLY=($(compgen -d -- \"$cur\"; compgen -f -X \"!*.$1\" -- \"$cur\"))\n"
      "  compopt -o filenames 2>/dev/null || true\n"
      "}\n"
      "_tarkel_dirs() {\n"
      "  local IFS=$'\\n'\n"
      "  COMPREPLY=($(compgen -d -- \"$cur\"))\n"
      "  compopt -o filenames 2>/dev/null || true\n"
      "}\n"
      "_tarkel() {\n"
      "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
      "  shopt -s extglob\n"
      "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
      "    COMPREPLY=($(compgen -W '" + commands + " help --help --version' -- \"$cur\"))\n"
      "    return\n"
      "  fi\n"
      "  case \"${COMP_WORDS[1]}\" in\n";
  for (const Command& command : AllCommands()) {
    const CommandSpec& spec = command.spec;
    std::string options = "--help";
    script += "  " + spec.name + ")\n    case \"$prev\" in\n";
    for (const OptionSpec& option : spec.options) {
      options += " --" + option.name;
      std::string names = "--" + option.name + (option.shortName != 0 ? std::string("|-") + option.shortName : "");
      if (option.valueName.empty()) continue;
      auto rule = OptionValues().find(option.name);
      script += "    " + names + ") " + (rule == OptionValues().end() ? "COMPREPLY=()" : Completer(rule->second)) +
                "; return ;;\n";
    }
    script += "    esac\n"
              "    if [[ $cur == -* ]]; then COMPREPLY=($(compgen -W '" + options + "' -- \"$cur\")); return; fi\n"
              "    _tarkel_files '" + OperandGlob(spec.name) + "' ;;\n";
  }
  script += "  help) COMPREPLY=($(compgen -W '" + commands + "' -- \"$cur\")) ;;\n"
            "  --version)\n"
            "    if [ \"$prev\" = --module ]; then _tarkel_files '@(so|8bf|8BF)'\n"
            "    else COMPREPLY=($(compgen -W '--module' -- \"$cur\")); fi ;;\n"
            "  esac\n"
            "}\n"
            "complete -F _tarkel tarkel\n";
  return script;
}
