#include "cli/ManPage.h"

#include "cli/Commands.h"
#include "tarkel/Version.h"

// Text as roff takes it: backslashes escaped, dashes kept as dashes, and no
// line that starts with a control character.
static std::string Roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
    lineStart = c == '\n';
  }
  return out;
}

// --help's paragraphs are wrapped for a terminal; in the page they keep their
// lines (examples and lists among them) as they are.
static std::string Paragraphs(const std::string& text) {
  std::string block = ".nf\n";
  block.append(Roff(text)).append(text.empty() || text.back() == '\n' ? "" : "\n").append(".fi\n");
  return block;
}

static std::string CommandSection(const CommandSpec& spec) {
  std::string page;
  page.append(".SH \"TARKEL ").append(spec.name).append("\"\n.B tarkel ").append(Roff(spec.name));
  page.append("\n").append(Roff(spec.usage)).append("\n.PP\n").append(Roff(spec.summary)).append("\n");
  std::vector<OptionSpec> options = spec.options;
  options.push_back({"help", 'h', "", "this text"});
  for (const OptionSpec& option : options) {
    page.append(".TP\n.B ");
    if (option.shortName != 0) page.append("\\-").append(1, option.shortName).append(", ");
    page.append(Roff("--" + option.name));
    if (!option.valueName.empty()) page.append(" \\fI").append(Roff(option.valueName)).append("\\fR");
    page.append("\n").append(Roff(option.help)).append("\n");
  }
  if (!spec.details.empty()) page.append(".PP\n").append(Paragraphs(spec.details));
  return page;
}

std::string FormatManPage() {
  std::string page = ".TH TARKEL 1 \"\" \"tarkel " TARKEL_VERSION "\" \"User Commands\"\n"
                     ".SH NAME\ntarkel \\- filter images through the Tarkel 7 x 7 convolution plug-in\n"
                     ".SH SYNOPSIS\n.B tarkel\n\\fICOMMAND\\fR [\\fIOPTIONS\\fR] ...\n.br\n"
                     ".B tarkel \\-\\-version\n[\\fB\\-\\-module\\fR \\fIPATH\\fR]\n"
                     ".SH DESCRIPTION\n" + Paragraphs(OverviewText());
  for (const Command& command : AllCommands()) page += CommandSection(command.spec);
  page += ".SH FILES\n.TP\n.I ../lib/tarkel/tarkel.so\n"
          "the plug-in module, found from the program's own path when tarkel.so is not beside it\n"
          ".TP\n.I ~/.tarkel\nthe plug-in's preferences (or \\fB$TARKEL_HOME\\fR)\n";
  return page;
}
