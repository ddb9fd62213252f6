#include "tests/support/ResourceChecks.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "resources/PluginProperties.h"
#include "resources/Terminology.h"
#include "hostsim/Descriptor.h"
#include "hostsim/DialogTemplateReader.h"
#include "hostsim/PluginPropertiesReader.h"
#include "hostsim/TerminologyReader.h"

using hostsim::CodeText;

namespace {

struct ExpectedProperty {
  const char* key;
  size_t length;
};

std::vector<uint8_t> Bytes(std::string_view text) { return std::vector<uint8_t>(text.begin(), text.end()); }

bool AllZero(const std::vector<uint8_t>& bytes, size_t from) {
  for (size_t i = from; i < bytes.size(); ++i)
    if (bytes[i] != 0) return false;
  return true;
}

void ExpectMenuText(const hostsim::PropertyRecord& property, const std::string& text) {
  ASSERT_FALSE(property.data.empty());
  // The host takes the count byte at its word, whatever the field holds.
  EXPECT_EQ(property.data[0], text.size());
  EXPECT_EQ(hostsim::PropertyPrefixedText(property), text);
  EXPECT_TRUE(AllZero(property.data, 1 + text.size()));
}

void ExpectModes(const hostsim::PropertyRecord& property) {
  ASSERT_EQ(property.data, (std::vector<uint8_t>{0x50, 0x30, 0, 0}));
  const uint8_t first = property.data[0], second = property.data[1];
  EXPECT_TRUE(first & 0x40) << "grayscale";
  EXPECT_TRUE(first & 0x10) << "RGB";
  EXPECT_TRUE(second & 0x20) << "16-bit grayscale";
  EXPECT_TRUE(second & 0x10) << "48-bit RGB";
  EXPECT_FALSE(first & 0x80) << "bitmap";
  EXPECT_FALSE(first & 0x20) << "indexed colour";
  EXPECT_FALSE(first & 0x08) << "CMYK";
  EXPECT_FALSE(first & 0x01) << "multichannel";
  EXPECT_FALSE(second & 0x40) << "Lab";
  EXPECT_FALSE(second & 0x08) << "48-bit Lab";
  EXPECT_FALSE(second & 0x02) << "deep multichannel";
}

void ExpectTerminologyLink(const hostsim::PropertyRecord& property) {
  auto link = hostsim::DecodeTerminologyLink(property);
  ASSERT_TRUE(link.has_value());
  EXPECT_EQ(link->version, 0u);
  EXPECT_EQ(CodeText(link->classCode), "mROv");
  EXPECT_EQ(CodeText(link->eventCode), "CsKr");
  EXPECT_EQ(link->terminologyId, 16000);
  EXPECT_EQ(link->scope, "MORVCsKr");
  EXPECT_TRUE(AllZero(property.data, 14 + 9));
}

void ExpectFilterCases(const hostsim::PropertyRecord& property) {
  std::vector<hostsim::FilterCaseRecord> cases = hostsim::DecodeFilterCases(property);
  ASSERT_EQ(cases.size(), 7u);
  for (const hostsim::FilterCaseRecord& filterCase : cases) {
    EXPECT_EQ(filterCase.inputHandling, 1);
    EXPECT_EQ(filterCase.outputHandling, 1);
    EXPECT_EQ(filterCase.flags1, 0x01) << "only: the host does not copy the source";
    EXPECT_EQ(filterCase.flags2, 0);
  }
}

}  // namespace

void ExpectPluginProperties(std::span<const uint8_t> bytes, ModuleMachine machine) {
  const bool x64 = machine == ModuleMachine::x64;
  hostsim::PluginPropertyRecords records = hostsim::DecodePluginProperties(bytes);
  ASSERT_EQ(records.error, "");
  EXPECT_EQ(records.format, 1);
  EXPECT_EQ(records.version, 0u);
  EXPECT_EQ(records.recordBytes, bytes.size());
  // Codes are stored as little-endian numbers: the vendor reads backwards.
  ASSERT_GE(bytes.size(), 14u);
  EXPECT_EQ(std::string(bytes.begin() + 10, bytes.begin() + 14), "MIB8");

  std::vector<ExpectedProperty> expected = {{"kind", 4}, {"name", 20}, {"catg", 20}, {"vers", 4}, {"wx86", 12}};
  if (x64) expected.push_back({"8664", 12});
  expected.insert(expected.end(), {{"hstm", 48}, {"mode", 4}, {"fici", 28}});
  ASSERT_EQ(records.statedCount, expected.size());
  ASSERT_EQ(records.properties.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].key);
    const hostsim::PropertyRecord& property = records.properties[i];
    EXPECT_EQ(CodeText(property.vendor), "8BIM");
    EXPECT_EQ(CodeText(property.key), expected[i].key);
    EXPECT_EQ(property.id, 0u);
    EXPECT_EQ(property.data.size(), expected[i].length);
  }
  const auto property = [&records](const std::string& key) {
    for (const hostsim::PropertyRecord& found : records.properties)
      if (CodeText(found.key) == key) return found;
    return hostsim::PropertyRecord{};
  };
  EXPECT_EQ(hostsim::PropertyLong(property("kind")), FourCC("8BFM"));
  ExpectMenuText(property("name"), "Custom..");
  ExpectMenuText(property("catg"), "MV*Process");
  EXPECT_EQ(hostsim::PropertyLong(property("vers")), 0x00040000u);
  EXPECT_EQ(property("wx86").data, Bytes(std::string_view("ENTRYPOINT\0\0", 12)));
  if (x64) {
    EXPECT_EQ(property("8664").data, Bytes(std::string_view("ENTRYPOINT\0\0", 12)));
  }
  ExpectTerminologyLink(property("hstm"));
  ExpectModes(property("mode"));
  ExpectFilterCases(property("fici"));
}

namespace {

struct ExpectedEnumeration {
  const char* code;
  size_t items;
  uint32_t first;  // the codes count from here, up or down
  bool down;
  int twelveAt;    // the item that holds "  12" instead of 12, or -1
};

// The enumerations in stored order.
const ExpectedEnumeration kExpectedEnumerations[] = {
    {"rB00", 5, 3, false, -1},  {"rB01", 3, 3, false, -1}, {"rB02", 27, 3, false, 9}, {"rB03", 3, 3, false, -1},
    {"rB04", 10, 3, false, 9},  {"rB05", 6, 5, false, -1}, {"rB06", 2, 3, false, -1}, {"rB07", 6, 3, false, -1},
    {"rB08", 2, 3, false, -1},  {"rB09", 6, 3, false, -1}, {"rB10", 2, 3, false, -1}, {"rB11", 3, 3, false, -1},
    {"rB12", 5, 3, false, -1},  {"rB13", 2, 3, false, -1}, {"rB14", 4, 3, false, -1}, {"rB15", 3, 4, false, -1},
    {"rB16", 5, 5, false, -1},  {"rB17", 5, 3, false, -1}, {"rB18", 26, 4, false, 8}, {"rB19", 4, 3, false, -1},
    {"rB20", 2, 3, false, -1},  {"rB21", 6, 3, false, -1}, {"UniT", 8, 1, false, -1}, {"rB22", 7, 3, false, -1},
    {"rB23", 2, 3, false, -1},  {"rB24", 5, 7, true, -1},  {"rB25", 3, 5, true, -1},  {"rB27", 3, 5, true, -1},
    {"rB28", 3, 3, false, -1},  {"rB29", 6, 3, false, -1}, {"rB30", 4, 3, false, -1}, {"rB31", 2, 3, false, -1},
    {"rB32", 58, 1, false, 11},
};

bool IsEnumerated(uint32_t type) { return CodeText(type).starts_with("rB") || CodeText(type) == "UniT"; }

std::string TypeGroup(uint32_t type) { return CodeText(type).starts_with("rB") ? "rB" : CodeText(type); }

void ExpectSuiteAndEvent(const hostsim::TerminologySuiteRecord& suite) {
  EXPECT_EQ(suite.name, "Orrin Works, Inc.");
  EXPECT_EQ(suite.description, "Velmora Pro 1.0");
  EXPECT_EQ(CodeText(suite.code), "mROv");
  EXPECT_EQ(suite.level, 1);
  EXPECT_EQ(suite.version, 1);
  ASSERT_EQ(suite.events.size(), 1u);
  const hostsim::TerminologyEventRecord& event = suite.events[0];
  EXPECT_EQ(event.name, "Custom Filter");
  EXPECT_EQ(event.description, "abcd");
  EXPECT_EQ(CodeText(event.classCode), "mROv");
  EXPECT_EQ(CodeText(event.eventCode), "CsKr");
  EXPECT_EQ(CodeText(event.replyType), "null");
  EXPECT_EQ(event.replyDescription, "");
  EXPECT_EQ(event.replyFlags, 0);
  EXPECT_EQ(CodeText(event.directType), "#ImR");
  EXPECT_EQ(event.directDescription, "");
  EXPECT_EQ(event.directFlags, 0xB000);
}

void ExpectParameters(const std::vector<hostsim::TerminologyParameterRecord>& parameters) {
  ASSERT_EQ(parameters.size(), 222u);
  std::map<std::string, int> typeCounts;
  for (size_t i = 0; i < parameters.size(); ++i) {
    const hostsim::TerminologyParameterRecord& parameter = parameters[i];
    SCOPED_TRACE("parameter " + std::to_string(i) + " " + parameter.name);
    EXPECT_EQ(parameter.name, kTerminologyParams[i].name);
    EXPECT_EQ(CodeText(parameter.key), CodeText(kTerminologyParams[i].key));
    EXPECT_EQ(CodeText(parameter.type), CodeText(kTerminologyParams[i].type));
    EXPECT_EQ(parameter.description, "");
    EXPECT_EQ(parameter.flags, IsEnumerated(parameter.type) ? 0x2000 : 0);
    ++typeCounts[TypeGroup(parameter.type)];
  }
  EXPECT_EQ(typeCounts, (std::map<std::string, int>{
                            {"TEXT", 9}, {"bool", 19}, {"doub", 111}, {"long", 45}, {"UniT", 1}, {"rB", 37}}));
  const auto expectAt = [&](size_t i, const char* name, const char* key, const char* type) {
    EXPECT_EQ(parameters[i].name, name);
    EXPECT_EQ(CodeText(parameters[i].key), key);
    EXPECT_EQ(CodeText(parameters[i].type), type);
  };
  expectAt(0, "Filter Type", "fTYP", "rB00");
  expectAt(2, "Label With Variable", "mVar", "rB32");
  expectAt(46, "Units", "unCd", "UniT");
  expectAt(221, "Nodes", "Skno", "bool");
  // This filter's own parameters, as the scripting code reads and writes them.
  std::map<std::string, std::string> own;
  for (const hostsim::TerminologyParameterRecord& parameter : parameters)
    for (const char* key : {"Krnl", "sCAL", "oFST", "AFlg"})
      if (CodeText(parameter.key) == key) own[key] = parameter.name + " " + CodeText(parameter.type);
  EXPECT_EQ(own, (std::map<std::string, std::string>{{"Krnl", "Custom_Kernel TEXT"},
                                                      {"sCAL", "Scale Factor doub"},
                                                      {"oFST", "Offset doub"},
                                                      {"AFlg", "Autoscale Result bool"}}));
}

void ExpectEnumerations(const std::vector<hostsim::TerminologyEnumerationRecord>& enumerations) {
  ASSERT_EQ(enumerations.size(), std::size(kExpectedEnumerations));
  for (size_t e = 0; e < enumerations.size(); ++e) {
    const ExpectedEnumeration& expected = kExpectedEnumerations[e];
    const hostsim::TerminologyEnumerationRecord& enumeration = enumerations[e];
    SCOPED_TRACE(expected.code);
    EXPECT_EQ(CodeText(enumeration.code), expected.code);
    ASSERT_EQ(enumeration.items.size(), expected.items);
    ASSERT_EQ(kTerminologyEnumerations[e].items.size(), expected.items);
    for (size_t i = 0; i < enumeration.items.size(); ++i) {
      const uint32_t step = uint32_t(i);
      const uint32_t value = expected.down ? expected.first - step : expected.first + step;
      EXPECT_EQ(enumeration.items[i].code, int(i) == expected.twelveAt ? 0x20203132u : value) << "item " << i;
      EXPECT_EQ(enumeration.items[i].name, kTerminologyEnumerations[e].items[i].name);
      EXPECT_EQ(enumeration.items[i].description, "");
    }
  }
  const auto itemName = [&](size_t e, size_t i) { return enumerations[e].items[i].name; };
  EXPECT_EQ(itemName(2, 9), "X Feret's Dimension");
  EXPECT_EQ(itemName(4, 9), "Filter Wheel");
  EXPECT_EQ(itemName(18, 8), "X Feret's Dimension");
  EXPECT_EQ(itemName(32, 11), "X-Feret");
  EXPECT_EQ(itemName(32, 57), "Class");
  EXPECT_EQ(itemName(25, 4), "15x15");
  // Micrometres in the host's single-byte code page.
  EXPECT_EQ(itemName(22, 0), "\xB5m");
}

}  // namespace

void ExpectTerminology(std::span<const uint8_t> bytes) {
  ASSERT_EQ(bytes.size(), 10180u);
  hostsim::TerminologyRecords records = hostsim::DecodeTerminology(bytes);
  ASSERT_EQ(records.error, "");
  EXPECT_EQ(records.format, 1);
  EXPECT_EQ(records.majorVersion, 1);
  EXPECT_EQ(records.minorVersion, 0);
  EXPECT_EQ(records.language, 0);
  EXPECT_EQ(records.script, 0);
  ASSERT_EQ(records.suites.size(), 1u);
  // The records end one byte short of the length; that byte is zero.
  EXPECT_EQ(records.recordBytes, 10179u);
  EXPECT_EQ(bytes[10179], 0);
  ExpectSuiteAndEvent(records.suites[0]);
  if (!records.suites[0].events.empty()) ExpectParameters(records.suites[0].events[0].parameters);
  ExpectEnumerations(records.suites[0].enumerations);
}

namespace {

struct ExpectedControl {
  uint16_t id;
  uint16_t controlClass;  // ordinal: 0x80 button, 0x81 edit, 0x82 static, 0x84 scroll bar
  uint32_t style;
  int16_t x, y, width, height;
  const char* text;
};

constexpr uint32_t kButton = 0x50010001, kEdit = 0x50810080, kLabel = 0x50020000;

// The template in its order; orders 10 to 57 are the rest of the grid.
std::vector<ExpectedControl> ExpectedControls() {
  std::vector<ExpectedControl> controls = {
      {1, 0x80, kButton, 346, 140, 38, 14, "OK"},
      {9, 0x81, kEdit, 151, 7, 31, 14, ""},
      {6, 0x82, 0x50000007, 6, 21, 131, 122, ""},
      {8, 0x84, 0x50000000, 5, 143, 133, 8, ""},
      {7, 0x84, 0x50000001, 138, 20, 9, 123, ""},
      {2, 0x80, kButton, 298, 140, 38, 14, "Cancel"},
      {3, 0x80, kButton, 251, 140, 38, 14, "Reset"},
      {4, 0x80, kButton, 203, 140, 38, 14, "Load"},
      {5, 0x80, kButton, 155, 140, 38, 14, "Save"},
  };
  for (int id = 10; id <= 57; ++id) {
    const int row = (id - 9) / 7, column = (id - 9) % 7;
    controls.push_back({uint16_t(id), 0x81, kEdit, int16_t(151 + 34 * column), int16_t(7 + 16 * row), 31, 14, ""});
  }
  controls.insert(controls.end(), {
                                      {58, 0x81, kEdit, 201, 122, 31, 14, ""},
                                      {59, 0x81, kEdit, 285, 122, 31, 14, ""},
                                      {60, 0x80, 0x50010003, 336, 123, 47, 10, "Autoscale"},
                                      {65535, 0x82, kLabel, 153, 124, 45, 8, "Scale Factor="},
                                      {65535, 0x82, kLabel, 237, 124, 48, 8, "Add Constant="},
                                      {65535, 0x82, kLabel, 27, 8, 80, 8, "Custom Convolution Filter"},
                                      {65535, 0x82, kLabel, 5, 159, 382, 8, "Tarkel custom convolution filter"},
                                  });
  return controls;
}

}  // namespace

void ExpectDialogTemplate(std::span<const uint8_t> bytes) {
  hostsim::DialogTemplateRecords records = hostsim::DecodeDialogTemplate(bytes);
  ASSERT_EQ(records.error, "");
  EXPECT_EQ(records.style, 0x900008C0u);
  EXPECT_EQ(records.extendedStyle, 0u);
  EXPECT_EQ(records.x, 50);
  EXPECT_EQ(records.y, 50);
  EXPECT_EQ(records.width, 391);
  EXPECT_EQ(records.height, 172);
  EXPECT_EQ(records.menu.text, "");
  EXPECT_EQ(records.windowClass.text, "");
  EXPECT_EQ(records.title, "");
  EXPECT_EQ(records.fontPoints, 8);
  EXPECT_EQ(records.fontName, "MS Sans Serif");
  EXPECT_EQ(records.recordBytes, bytes.size());

  const std::vector<ExpectedControl> expected = ExpectedControls();
  ASSERT_EQ(records.statedCount, 64);
  ASSERT_EQ(records.controls.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const hostsim::DialogControlRecord& control = records.controls[i];
    SCOPED_TRACE("control " + std::to_string(i + 1) + ", id " + std::to_string(expected[i].id));
    EXPECT_EQ(control.id, expected[i].id);
    EXPECT_TRUE(control.controlClass.isNumber);
    EXPECT_EQ(control.controlClass.number, expected[i].controlClass);
    EXPECT_EQ(control.style, expected[i].style);
    EXPECT_EQ(control.style & 0x50000000u, 0x50000000u) << "child, visible";
    EXPECT_EQ(control.extendedStyle, 0u);
    EXPECT_EQ(control.x, expected[i].x);
    EXPECT_EQ(control.y, expected[i].y);
    EXPECT_EQ(control.width, expected[i].width);
    EXPECT_EQ(control.height, expected[i].height);
    EXPECT_FALSE(control.text.isNumber);
    EXPECT_EQ(control.text.text, expected[i].text);
    EXPECT_TRUE(control.creationData.empty());
  }
}
