// The resource directory reader on small module images built here, intact
// and damaged, and the resource decoders on damaged records.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "resources/DialogTemplate.h"
#include "resources/PluginProperties.h"
#include "resources/Terminology.h"
#include "hostsim/DialogTemplateReader.h"
#include "hostsim/PeResources.h"
#include "hostsim/PluginPropertiesReader.h"
#include "hostsim/TerminologyReader.h"

namespace {

struct TestResource {
  std::string type;  // empty: typeNumber
  uint16_t typeNumber;
  uint16_t id;
  uint16_t language;
  std::vector<uint8_t> data;
};

constexpr uint32_t kSectionAddress = 0x1000;
constexpr size_t kSectionOffset = 0x200;

void Put16(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  if (bytes.size() < at + 2) bytes.resize(at + 2);
  bytes[at] = uint8_t(value);
  bytes[at + 1] = uint8_t(value >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  Put16(bytes, at, value & 0xFFFF);
  Put16(bytes, at + 2, value >> 16);
}

// A resource section as resource compilers lay it out: the three levels of
// directories, the data entries, the type names, then the data.
std::vector<uint8_t> ResourceSection(const std::vector<TestResource>& resources) {
  using Languages = std::map<uint16_t, const TestResource*>;
  using Names = std::map<uint16_t, Languages>;
  std::map<std::pair<std::string, uint16_t>, Names> types;
  for (const TestResource& r : resources) types[{r.type, r.typeNumber}][r.id][r.language] = &r;

  size_t directories = 16 + 8 * types.size(), leaves = 0;
  for (auto& [type, names] : types) {
    directories += 16 + 8 * names.size();
    for (auto& [id, languages] : names) directories += 16 + 8 * languages.size(), leaves += languages.size();
  }
  size_t entryAt = directories, textAt = directories + 16 * leaves, dataAt = textAt;
  for (auto& [type, names] : types) dataAt += type.first.empty() ? 0 : 2 + 2 * type.first.size();

  std::vector<uint8_t> section;
  size_t directoryAt = 0;
  const auto putDirectory = [&](size_t count) {
    const size_t at = directoryAt;
    Put16(section, at + 14, uint32_t(count));
    directoryAt += 16 + 8 * count;
    return at + 16;
  };
  size_t typeEntry = putDirectory(types.size());
  for (auto& [type, names] : types) {
    if (type.first.empty()) {
      Put32(section, typeEntry, type.second);
    } else {
      Put32(section, typeEntry, 0x80000000 | uint32_t(textAt));
      Put16(section, textAt, uint32_t(type.first.size()));
      for (size_t i = 0; i < type.first.size(); ++i) Put16(section, textAt + 2 + 2 * i, uint8_t(type.first[i]));
      textAt += 2 + 2 * type.first.size();
    }
    Put32(section, typeEntry + 4, 0x80000000 | uint32_t(directoryAt));
    typeEntry += 8;
    size_t nameEntry = putDirectory(names.size());
    for (auto& [id, languages] : names) {
      Put32(section, nameEntry, id);
      Put32(section, nameEntry + 4, 0x80000000 | uint32_t(directoryAt));
      nameEntry += 8;
      size_t languageEntry = putDirectory(languages.size());
      for (auto& [language, resource] : languages) {
        Put32(section, languageEntry, language);
        Put32(section, languageEntry + 4, uint32_t(entryAt));
        languageEntry += 8;
        dataAt = (dataAt + 3) & ~size_t(3);
        Put32(section, entryAt, kSectionAddress + uint32_t(dataAt));
        Put32(section, entryAt + 4, uint32_t(resource->data.size()));
        entryAt += 16;
        section.resize(std::max(section.size(), dataAt + resource->data.size()));
        std::copy(resource->data.begin(), resource->data.end(), section.begin() + ptrdiff_t(dataAt));
        dataAt += resource->data.size();
      }
    }
  }
  return section;
}

// A module image with one section, holding the resources.
std::vector<uint8_t> ModuleImage(const std::vector<TestResource>& resources, bool pe32Plus) {
  const std::vector<uint8_t> section = ResourceSection(resources);
  const size_t optionalSize = pe32Plus ? 240 : 224, optional = 0x40 + 24;
  std::vector<uint8_t> image(kSectionOffset);
  Put16(image, 0, 0x5A4D);
  Put32(image, 0x3C, 0x40);
  Put32(image, 0x40, 0x00004550);
  Put16(image, 0x44, pe32Plus ? 0x8664 : 0x014C);
  Put16(image, 0x46, 1);
  Put16(image, 0x54, uint32_t(optionalSize));
  Put16(image, optional, pe32Plus ? 0x20B : 0x10B);
  const size_t directories = optional + (pe32Plus ? 112 : 96);
  Put32(image, directories - 4, 16);
  Put32(image, directories + 16, kSectionAddress);
  Put32(image, directories + 20, uint32_t(section.size()));
  const size_t header = optional + optionalSize;
  std::copy_n(".rsrc", 5, image.begin() + ptrdiff_t(header));
  Put32(image, header + 8, uint32_t(section.size()));
  Put32(image, header + 12, kSectionAddress);
  Put32(image, header + 16, uint32_t(section.size()));
  Put32(image, header + 20, uint32_t(kSectionOffset));
  image.insert(image.end(), section.begin(), section.end());
  return image;
}

const std::vector<TestResource> kResources = {
    {"PIPL", 0, 16000, 1033, {1, 2, 3}},
    {"PIPL", 0, 16000, 1031, {4, 5}},
    {"AETE", 0, 16000, 1033, {6}},
    {"", 5, 9550, 1033, {7, 8, 9, 10, 11}},
    {"", 5, 9551, 1033, {}},
};

std::vector<uint8_t> DataOf(const hostsim::PeResources& module, const hostsim::PeResource* resource) {
  if (resource == nullptr) return {99};
  std::span<const uint8_t> data = hostsim::PeResourceData(module, *resource);
  return std::vector<uint8_t>(data.begin(), data.end());
}

TEST(PeResourcesTest, FindsByTypeIdAndLanguage) {
  for (bool pe32Plus : {false, true}) {
    SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
    hostsim::PeResources module = hostsim::ReadPeResources(ModuleImage(kResources, pe32Plus));
    ASSERT_EQ(module.error, "");
    EXPECT_EQ(module.machine, pe32Plus ? hostsim::kMachineX64 : hostsim::kMachineX86);
    ASSERT_EQ(module.resources.size(), 5u);
    EXPECT_EQ(DataOf(module, FindPeResource(module, "PiPL", 16000, 1033)), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(DataOf(module, FindPeResource(module, "pipl", 16000, 1031)), (std::vector<uint8_t>{4, 5}));
    EXPECT_NE(FindPeResource(module, "PIPL", 16000), nullptr);
    EXPECT_EQ(FindPeResource(module, "PIPL", 16000, 1036), nullptr);
    EXPECT_EQ(FindPeResource(module, "PIPL", 16001), nullptr);
    EXPECT_EQ(FindPeResource(module, "PIP", 16000), nullptr);
    EXPECT_EQ(DataOf(module, FindPeResource(module, "aete", 16000, 1033)), (std::vector<uint8_t>{6}));
    EXPECT_EQ(DataOf(module, FindPeResource(module, uint16_t(5), 9550, 1033)), (std::vector<uint8_t>{7, 8, 9, 10, 11}));
    EXPECT_EQ(DataOf(module, FindPeResource(module, uint16_t(5), 9551)), (std::vector<uint8_t>{}));
    // A numbered type is not found by a text, nor a named one by a number.
    EXPECT_EQ(FindPeResource(module, "5", 9550), nullptr);
    EXPECT_EQ(FindPeResource(module, uint16_t(0), 16000), nullptr);
  }
}

TEST(PeResourcesTest, ModuleWithoutResourcesIsNoError) {
  std::vector<uint8_t> image = ModuleImage(kResources, false);
  Put32(image, 0x40 + 24 + 96 + 16, 0);  // the resource directory's address
  hostsim::PeResources module = hostsim::ReadPeResources(image);
  EXPECT_EQ(module.error, "");
  EXPECT_TRUE(module.resources.empty());
  Put32(image, 0x40 + 24 + 92, 2);  // fewer data directories than the resources' index
  module = hostsim::ReadPeResources(image);
  EXPECT_EQ(module.error, "");
  EXPECT_TRUE(module.resources.empty());
}

TEST(PeResourcesTest, RejectsFilesThatAreNoModules) {
  EXPECT_NE(hostsim::ReadPeResources({}).error, "");
  EXPECT_NE(hostsim::ReadPeResources({'M', 'Z'}).error, "");
  std::vector<uint8_t> image = ModuleImage(kResources, false);
  Put32(image, 0x3C, 0xFFFFFFF0);  // PE header beyond the end
  EXPECT_NE(hostsim::ReadPeResources(image).error, "");
  image = ModuleImage(kResources, false);
  Put16(image, 0x40 + 24, 0x107);  // unknown optional header
  EXPECT_NE(hostsim::ReadPeResources(image).error, "");
  EXPECT_NE(hostsim::ReadPeResourcesFile("/nonexistent/tarkel.8BF").error, "");
}

// Every cut of the file is read without reading outside it; any cut that
// loses part of the directory or the data is an error with no resources.
TEST(PeResourcesTest, EveryTruncationIsAnErrorWithoutResources) {
  const std::vector<uint8_t> image = ModuleImage(kResources, true);
  for (size_t size = 0; size < image.size(); ++size) {
    hostsim::PeResources module = hostsim::ReadPeResources(std::vector<uint8_t>(image.begin(), image.begin() + ptrdiff_t(size)));
    EXPECT_NE(module.error, "") << "cut at " << size;
    EXPECT_TRUE(module.resources.empty()) << "cut at " << size;
  }
}

TEST(PeResourcesTest, DamagedDirectoryEntriesAreErrors) {
  const std::vector<uint8_t> image = ModuleImage(kResources, false);
  const size_t root = kSectionOffset, firstEntry = root + 16;
  const auto damaged = [&](size_t at, uint32_t value) {
    std::vector<uint8_t> copy = image;
    Put32(copy, at, value);
    return hostsim::ReadPeResources(copy);
  };
  EXPECT_NE(damaged(firstEntry + 4, 0x80000000 | 0xFFFFFF).error, "") << "subdirectory outside";
  EXPECT_NE(damaged(firstEntry + 4, 0x40).error, "") << "a type that is a data entry";
  EXPECT_NE(damaged(firstEntry, 0x80000000 | 0xFFFFFF).error, "") << "name outside";
  EXPECT_NE(damaged(firstEntry + 4, 0x80000000).error, "") << "the root as its own subdirectory";
  EXPECT_NE(damaged(root + 12, 0xFFFF0000).error, "") << "more entries than the section holds";
}

// Directories that all point at one another can name billions of
// resources in a few bytes; the walk stops with an error.
TEST(PeResourcesTest, SharedSubdirectoriesCannotExplode) {
  std::vector<uint8_t> image = ModuleImage(kResources, false);
  const size_t count = 300, table = 16 + 8 * count;
  std::vector<uint8_t> section(3 * table + 16);
  for (size_t level = 0; level < 3; ++level) {
    const size_t at = level * table;
    Put16(section, at + 14, uint32_t(count));
    for (size_t i = 0; i < count; ++i) {
      Put32(section, at + 16 + 8 * i, uint32_t(i));
      Put32(section, at + 20 + 8 * i, level < 2 ? 0x80000000 | uint32_t(at + table) : uint32_t(3 * table));
    }
  }
  Put32(section, 3 * table, kSectionAddress);
  image.resize(kSectionOffset);
  image.insert(image.end(), section.begin(), section.end());
  const size_t header = 0x40 + 24 + 224;
  Put32(image, header + 8, uint32_t(section.size()));
  Put32(image, header + 16, uint32_t(section.size()));
  hostsim::PeResources module = hostsim::ReadPeResources(image);
  EXPECT_NE(module.error, "");
  EXPECT_TRUE(module.resources.empty());
}

TEST(ResourceDecodersTest, CutRecordsAreErrors) {
  const ResourceBytes properties = BuildPluginProperties(ModuleMachine::x86);
  const ResourceBytes terminology = BuildTerminology();
  const ResourceBytes dialog = BuildDialogTemplate();
  // A cut anywhere inside the records loses a stated record.
  for (size_t size = 0; size < properties.size(); ++size)
    EXPECT_NE(hostsim::DecodePluginProperties(std::span(properties).first(size)).error, "") << size;
  for (size_t size = 0; size < 10179; size += 7)
    EXPECT_NE(hostsim::DecodeTerminology(std::span(terminology).first(size)).error, "") << size;
  for (size_t size = 0; size < dialog.size(); ++size)
    EXPECT_NE(hostsim::DecodeDialogTemplate(std::span(dialog).first(size)).error, "") << size;
}

// A suite with classes is reported, not misread as enumerations.
TEST(ResourceDecodersTest, RecordsTheyDoNotDecodeAreErrors) {
  ResourceBytes terminology;
  for (uint16_t word : {1, 1, 0, 0, 1}) PutWord(terminology, word);  // format, version 1.0, language, script, suites
  PutPrefixedText(terminology, "Suite");
  PutPrefixedText(terminology, "");
  PutLong(terminology, FourCC("suit"));
  for (uint16_t word : {1, 1, 0, 1, 0, 0}) PutWord(terminology, word);  // level, version, events, classes, ...
  hostsim::TerminologyRecords records = hostsim::DecodeTerminology(terminology);
  EXPECT_NE(records.error, "");
  EXPECT_TRUE(records.suites.empty());

  ResourceBytes dialog = BuildDialogTemplate();
  dialog[0] = 0x01, dialog[1] = 0x00, dialog[2] = 0xFF, dialog[3] = 0xFF;
  EXPECT_NE(hostsim::DecodeDialogTemplate(dialog).error, "") << "an extended template";
}

TEST(ResourceDecodersTest, PropertyDataTooShortForItsMeaning) {
  hostsim::PropertyRecord property;
  EXPECT_FALSE(hostsim::PropertyLong(property).has_value());
  EXPECT_FALSE(hostsim::PropertyPrefixedText(property).has_value());
  EXPECT_FALSE(hostsim::PropertyTerminatedText(property).has_value());
  EXPECT_FALSE(hostsim::DecodeTerminologyLink(property).has_value());
  property.data = {5, 'a', 'b'};
  EXPECT_FALSE(hostsim::PropertyPrefixedText(property).has_value()) << "count beyond the data";
  EXPECT_FALSE(hostsim::PropertyTerminatedText(property).has_value()) << "no zero";
  property.data.assign(14, 0);
  property.data.push_back('S');
  EXPECT_FALSE(hostsim::DecodeTerminologyLink(property).has_value()) << "scope without its zero";
  property.data.push_back(0);
  EXPECT_EQ(hostsim::DecodeTerminologyLink(property)->scope, "S");
  property.data = {1, 1, 1, 0, 2, 2};
  EXPECT_EQ(hostsim::DecodeFilterCases(property).size(), 1u);
}

}  // namespace
