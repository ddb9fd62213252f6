#include "hostsim/PeResources.h"

#include <fstream>
#include <iterator>
#include <utility>

#include "hostsim/ByteReader.h"

namespace hostsim {

namespace {

constexpr uint16_t kDosSignature = 0x5A4D;     // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kHighBit = 0x80000000;
// Bounds on what a crafted directory can make the walk do.
constexpr size_t kMaxResources = 65536;
constexpr size_t kMaxEntriesVisited = 1 << 20;

struct Section {
  uint32_t virtualAddress;
  uint32_t rawSize;
  uint32_t rawOffset;
};

struct Walk {
  PeResources& module;
  std::vector<Section> sections;
  uint32_t base;  // address of the resource directory
  size_t entriesVisited = 0;
};

// A reader over count bytes at a relative virtual address, as far as the
// file holds them; a failed reader when it does not.
ByteReader ReaderAt(const Walk& walk, uint64_t address, uint64_t count) {
  const std::vector<uint8_t>& file = walk.module.file;
  for (const Section& section : walk.sections) {
    if (address < section.virtualAddress) continue;
    const uint64_t within = address - section.virtualAddress;
    if (within + count > section.rawSize) continue;
    const uint64_t at = uint64_t(section.rawOffset) + within;
    if (at + count > file.size()) break;
    return ByteReader{std::span<const uint8_t>(file).subspan(size_t(at), size_t(count))};
  }
  return ByteReader{{}, 0, true};
}

bool Fail(PeResources& module, const std::string& why) {
  module.error = why;
  return false;
}

bool ReadEntryName(Walk& walk, uint32_t field, ResourceName& name) {
  if ((field & kHighBit) == 0) {
    name = ResourceName{true, uint16_t(field), {}};
    return true;
  }
  const uint64_t address = uint64_t(walk.base) + (field & ~kHighBit);
  ByteReader length = ReaderAt(walk, address, 2);
  ByteReader characters = ReaderAt(walk, address + 2, 2 * uint64_t(ReadWord(length)));
  name = ResourceName{false, 0, {}};
  while (characters.at < characters.bytes.size()) {
    const uint16_t c = ReadWord(characters);
    name.text += c < 0x80 ? char(c) : '?';
  }
  return !length.failed && !characters.failed ? true : Fail(walk.module, "a resource name lies outside the file");
}

bool ReadDataEntry(Walk& walk, uint32_t offset, PeResource& resource) {
  ByteReader entry = ReaderAt(walk, uint64_t(walk.base) + offset, 16);
  const uint32_t address = ReadLong(entry);
  resource.size = ReadLong(entry);
  resource.codePage = ReadLong(entry);
  if (entry.failed) return Fail(walk.module, "a resource entry lies outside the file");
  ByteReader data = ReaderAt(walk, address, resource.size);
  if (data.failed) return Fail(walk.module, "resource data lie outside the file");
  resource.offset = size_t(data.bytes.data() - walk.module.file.data());
  if (walk.module.resources.size() == kMaxResources) return Fail(walk.module, "too many resources");
  walk.module.resources.push_back(resource);
  return true;
}

// Level 0 holds the types, level 1 the names, level 2 the languages.
bool ReadDirectory(Walk& walk, uint32_t offset, int level, PeResource& resource) {
  ByteReader header = ReaderAt(walk, uint64_t(walk.base) + offset, 16);
  ReadBytes(header, 12);
  const uint32_t count = uint32_t(ReadWord(header)) + ReadWord(header);
  ByteReader entries = ReaderAt(walk, uint64_t(walk.base) + offset + 16, 8 * uint64_t(count));
  if (header.failed || entries.failed) return Fail(walk.module, "a resource directory lies outside the file");
  for (uint32_t i = 0; i < count; ++i) {
    if (++walk.entriesVisited > kMaxEntriesVisited) return Fail(walk.module, "the resource directory is too large");
    const uint32_t nameField = ReadLong(entries);
    const uint32_t target = ReadLong(entries);
    ResourceName name;
    if (!ReadEntryName(walk, nameField, name)) return false;
    const bool isDirectory = (target & kHighBit) != 0;
    if (isDirectory != (level < 2)) return Fail(walk.module, "the resource directory is not three levels deep");
    if (level == 0) resource.type = name;
    if (level == 1) resource.name = name;
    if (level == 2) {
      if (!name.isNumber) return Fail(walk.module, "a resource language is given as a text");
      resource.language = name.number;
    }
    const bool read = isDirectory ? ReadDirectory(walk, target & ~kHighBit, level + 1, resource)
                                  : ReadDataEntry(walk, target, resource);
    if (!read) return false;
  }
  return true;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

template <typename TypeMatches>
const PeResource* FindMatching(const PeResources& module, TypeMatches typeMatches, uint16_t id, int32_t language) {
  for (const PeResource& resource : module.resources)
    if (typeMatches(resource.type) && resource.name.isNumber && resource.name.number == id &&
        (language == kAnyLanguage || resource.language == language))
      return &resource;
  return nullptr;
}

// Finds the section table and the resource directory, then walks it.
bool ReadModule(PeResources& module) {
  ByteReader reader{module.file};
  if (ReadWord(reader) != kDosSignature) return Fail(module, "not a Windows module: no MZ header");
  reader.at = 0x3C;
  reader.at = ReadLong(reader);
  if (reader.failed || ReadLong(reader) != kPeSignature) return Fail(module, "not a Windows module: no PE header");
  module.machine = ReadWord(reader);
  const uint16_t sectionCount = ReadWord(reader);
  ReadBytes(reader, 12);  // time stamp, symbol table
  const uint16_t optionalSize = ReadWord(reader);
  ReadWord(reader);  // characteristics
  const size_t optionalAt = reader.at;
  const uint16_t magic = ReadWord(reader);
  if (reader.failed || (magic != kPe32Magic && magic != kPe32PlusMagic)) return Fail(module, "unknown optional header");
  const size_t countAt = magic == kPe32Magic ? 92 : 108;
  const size_t resourceAt = countAt + 4 + 8 * kResourceDirectoryIndex;
  reader.at = optionalAt + countAt;
  const uint32_t directoryCount = ReadLong(reader);
  if (reader.failed || optionalSize < countAt + 4) return Fail(module, "the optional header is too short");
  if (directoryCount <= kResourceDirectoryIndex || optionalSize < resourceAt + 8) return true;
  reader.at = optionalAt + resourceAt;
  const uint32_t resourceAddress = ReadLong(reader);

  Walk walk{module, {}, resourceAddress};
  reader.at = optionalAt + optionalSize;
  for (uint16_t i = 0; i < sectionCount; ++i) {
    ReadBytes(reader, 12);  // name, virtual size
    const uint32_t virtualAddress = ReadLong(reader);
    const uint32_t rawSize = ReadLong(reader);
    walk.sections.push_back({virtualAddress, rawSize, ReadLong(reader)});
    ReadBytes(reader, 16);
  }
  if (reader.failed) return Fail(module, "the section table lies outside the file");
  if (resourceAddress == 0) return true;
  PeResource resource;
  return ReadDirectory(walk, 0, 0, resource);
}

}  // namespace

PeResources ReadPeResources(std::vector<uint8_t> file) {
  PeResources module;
  module.file = std::move(file);
  if (!ReadModule(module)) module.resources.clear();
  return module;
}

PeResources ReadPeResourcesFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    PeResources module;
    Fail(module, "cannot open " + path);
    return module;
  }
  return ReadPeResources(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

const PeResource* FindPeResource(const PeResources& module, std::string_view type, uint16_t id, int32_t language) {
  return FindMatching(
      module, [type](const ResourceName& name) { return !name.isNumber && SameText(name.text, type); }, id, language);
}

const PeResource* FindPeResource(const PeResources& module, uint16_t type, uint16_t id, int32_t language) {
  return FindMatching(
      module, [type](const ResourceName& name) { return name.isNumber && name.number == type; }, id, language);
}

std::span<const uint8_t> PeResourceData(const PeResources& module, const PeResource& resource) {
  return std::span<const uint8_t>(module.file).subspan(resource.offset, resource.size);
}

}  // namespace hostsim
