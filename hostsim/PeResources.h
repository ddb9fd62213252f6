// Reads the resource directory of a Windows module file (a .8BF is one)
// without loading it, so any host can see what a module declares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hostsim {

// A resource type or name: a number, or a text.
struct ResourceName {
  bool isNumber = true;
  uint16_t number = 0;
  std::string text;  // characters outside ASCII read as '?'
};

struct PeResource {
  ResourceName type;
  ResourceName name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  size_t offset = 0;  // of the data in the file
  uint32_t size = 0;
};

constexpr uint16_t kMachineX86 = 0x014C;
constexpr uint16_t kMachineX64 = 0x8664;
constexpr uint16_t kDialogResourceType = 5;
constexpr int32_t kAnyLanguage = -1;

struct PeResources {
  std::vector<uint8_t> file;
  uint16_t machine = 0;                // kMachineX86, kMachineX64 or another
  std::vector<PeResource> resources;   // in directory order
  std::string error;                   // empty when the directory was read whole
};

// A file that is no PE image, or whose directory points outside it, gives
// an error and no resources; a module without resources gives neither.
PeResources ReadPeResources(std::vector<uint8_t> file);
PeResources ReadPeResourcesFile(const std::string& path);

// Types and names given as text match without regard to case, as they do
// for the system's own lookup. Null when there is no such resource.
const PeResource* FindPeResource(const PeResources& module, std::string_view type, uint16_t id,
                                 int32_t language = kAnyLanguage);
const PeResource* FindPeResource(const PeResources& module, uint16_t type, uint16_t id,
                                 int32_t language = kAnyLanguage);
std::span<const uint8_t> PeResourceData(const PeResources& module, const PeResource& resource);

}  // namespace hostsim
