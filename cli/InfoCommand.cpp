#include <cstdio>

#include "cli/Commands.h"
#include "cli/Picture.h"
#include "contract/PluginApi.h"
#include "resources/PluginProperties.h"
#include "hostsim/Descriptor.h"
#include "hostsim/PeResources.h"
#include "hostsim/PluginPropertiesReader.h"
#include "hostsim/TerminologyReader.h"

namespace {

const char* const kModeNames[16] = {
    "bitmap",  "grayscale",   "indexed colour",    "RGB colour",    "CMYK colour",     "HSL colour",
    "HSB colour", "multichannel", "duotone",        "Lab colour",    "16-bit grayscale", "48-bit RGB",
    "48-bit Lab", "64-bit CMYK", "deep multichannel", "16-bit duotone"};

const char* const kFilterCases[7] = {
    "flat image without selection",          "flat image with selection",
    "floating selection",                    "editable transparency without selection",
    "editable transparency with selection",  "protected transparency without selection",
    "protected transparency with selection"};

const char* const kCaseFlags[4] = {"does not copy the source into the destination", "works with blank data",
                                   "filters layer masks", "writes outside the selection"};

std::string Code(uint32_t code) { return hostsim::CodeText(code); }

// The modes byte pair: most significant bit of the first byte is mode 0.
std::string ModeList(const hostsim::PropertyRecord& property) {
  std::string list;
  for (int32_t mode = 0; mode < 16 && size_t(mode / 8) < property.data.size(); ++mode)
    if (property.data[size_t(mode / 8)] & (0x80 >> (mode % 8))) list += (list.empty() ? "" : ", ") + std::string(kModeNames[mode]);
  return list.empty() ? "none" : list;
}

std::string Handling(uint8_t handling) {
  if (handling == 0) return "cannot filter";
  if (handling == 1) return "straight data";
  return "handling " + std::to_string(handling);
}

std::string CaseText(const hostsim::FilterCaseRecord& record) {
  std::string text = "in " + Handling(record.inputHandling) + ", out " + Handling(record.outputHandling);
  for (int32_t bit = 0; bit < 4; ++bit)
    if (record.flags1 & (1 << bit)) text += "; " + std::string(kCaseFlags[bit]);
  char flags[32];
  std::snprintf(flags, sizeof flags, " (flags 0x%02x 0x%02x)", record.flags1, record.flags2);
  return text + flags;
}

void Line(const std::string& label, const std::string& value) {
  std::printf("%-14s%s\n", (label + ":").c_str(), value.c_str());
}

void PrintProperties(const hostsim::PluginPropertyRecords& records) {
  auto text = [&](const char(&key)[5], bool prefixed) -> std::string {
    const hostsim::PropertyRecord* property = hostsim::FindProperty(records, FourCC(key));
    if (property == nullptr) return "";
    std::optional<std::string> value = prefixed ? hostsim::PropertyPrefixedText(*property)
                                                : hostsim::PropertyTerminatedText(*property);
    return value.value_or("(unreadable)");
  };
  Line("Name", text("name", true));
  Line("Category", text("catg", true));
  if (const hostsim::PropertyRecord* kind = hostsim::FindProperty(records, FourCC("kind")))
    if (std::optional<uint32_t> code = hostsim::PropertyLong(*kind))
      Line("Kind", Code(*code) + (*code == FourCC("8BFM") ? " (filter)" : ""));
  if (const hostsim::PropertyRecord* version = hostsim::FindProperty(records, FourCC("vers")))
    if (std::optional<uint32_t> value = hostsim::PropertyLong(*version))
      Line("Version", std::to_string(*value >> 16) + "." + std::to_string(*value & 0xFFFF));
  std::string entries;
  if (std::string x86 = text("wx86", false); !x86.empty()) entries += x86 + " (x86)";
  if (std::string x64 = text("8664", false); !x64.empty()) entries += (entries.empty() ? "" : ", ") + x64 + " (x64)";
  Line("Entry points", entries.empty() ? "none" : entries);
  if (const hostsim::PropertyRecord* modes = hostsim::FindProperty(records, FourCC("mode")))
    Line("Image modes", ModeList(*modes));
  if (const hostsim::PropertyRecord* cases = hostsim::FindProperty(records, FourCC("fici"))) {
    std::printf("Filter cases:\n");
    std::vector<hostsim::FilterCaseRecord> decoded = hostsim::DecodeFilterCases(*cases);
    for (size_t i = 0; i < decoded.size(); ++i)
      std::printf("  %-42s %s\n", i < 7 ? kFilterCases[i] : "(more)", CaseText(decoded[i]).c_str());
  }
}

void PrintTerminology(const hostsim::TerminologyLink& link, const hostsim::TerminologyRecords& terminology) {
  for (const hostsim::TerminologySuiteRecord& suite : terminology.suites)
    for (const hostsim::TerminologyEventRecord& event : suite.events) {
      if (event.eventCode != link.eventCode) continue;
      std::printf("Scripting:    event %s \"%s\" of class %s, suite \"%s\" (%s), scope %s\n",
                  Code(event.eventCode).c_str(), event.name.c_str(), Code(event.classCode).c_str(),
                  suite.name.c_str(), suite.description.c_str(), link.scope.c_str());
      std::printf("Parameters:   %zu (key, type, name)\n", event.parameters.size());
      for (const hostsim::TerminologyParameterRecord& parameter : event.parameters)
        std::printf("  %s  %s  %s\n", Code(parameter.key).c_str(), Code(parameter.type).c_str(),
                    parameter.name.c_str());
      std::printf("Enumerations: %zu\n", suite.enumerations.size());
      return;
    }
  std::printf("Scripting:    event %s not found in the terminology\n", Code(link.eventCode).c_str());
}

Failure RunInfo(const ParsedArguments& arguments) {
  const std::string& path = arguments.operands[0];
  if (Failure failure = CheckRegularFile(path, kExitModule)) return failure;
  hostsim::PeResources module = hostsim::ReadPeResourcesFile(path);
  if (!module.error.empty())
    return Fail(kExitModule, path + ": " + module.error + "; give a Windows module such as build/win64/tarkel.8BF");
  const hostsim::PeResource* properties = hostsim::FindPeResource(module, "PiPL", kPropertiesId);
  if (properties == nullptr)
    return Fail(kExitModule, path + ": no plug-in properties (PiPL 16000); it is not a filter plug-in");
  hostsim::PluginPropertyRecords records = hostsim::DecodePluginProperties(hostsim::PeResourceData(module, *properties));
  if (!records.error.empty()) return Fail(kExitModule, path + ": damaged plug-in properties: " + records.error);
  const char* machine = module.machine == hostsim::kMachineX64 ? "64-bit" : module.machine == hostsim::kMachineX86 ? "32-bit" : "unknown";
  std::printf("%s: %s Windows module\n", path.c_str(), machine);
  PrintProperties(records);
  const hostsim::PropertyRecord* linkProperty = hostsim::FindProperty(records, FourCC("hstm"));
  std::optional<hostsim::TerminologyLink> link =
      linkProperty != nullptr ? hostsim::DecodeTerminologyLink(*linkProperty) : std::nullopt;
  if (!link) {
    std::printf("Scripting:    none\n");
    return {};
  }
  const hostsim::PeResource* aete = hostsim::FindPeResource(module, "AETE", link->terminologyId);
  if (aete == nullptr)
    return Fail(kExitModule, path + ": the terminology " + std::to_string(link->terminologyId) + " is missing");
  hostsim::TerminologyRecords terminology = hostsim::DecodeTerminology(hostsim::PeResourceData(module, *aete));
  if (!terminology.error.empty()) return Fail(kExitModule, path + ": damaged terminology: " + terminology.error);
  PrintTerminology(*link, terminology);
  return {};
}

}  // namespace

Command InfoCommand() {
  CommandSpec spec;
  spec.name = "info";
  spec.usage = "MODULE.8BF";
  spec.summary = "show what a plug-in module declares: name, modes, entry points, scripting";
  spec.details =
      "Reads the plug-in properties and scripting terminology resources of a Windows\n"
      "module file without loading it, as a host does when it builds its menus.\n\n"
      "Example:\n  tarkel info build/win64/tarkel.8BF\n";
  spec.minOperands = spec.maxOperands = 1;
  return {spec, RunInfo};
}
