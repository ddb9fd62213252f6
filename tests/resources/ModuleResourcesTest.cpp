// The resources the built Windows modules carry: read from the files'
// resource directories (natively both modules of this source tree, under
// Wine the module beside the program) and, under Wine, found the way a host
// finds them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/DialogTemplate.h"
#include "resources/PluginProperties.h"
#include "resources/Terminology.h"
#include "hostsim/PeResources.h"
#include "tests/support/ResourceChecks.h"
#include "tests/support/TestSupport.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {

std::vector<uint8_t> DataOf(const hostsim::PeResources& module, const hostsim::PeResource* resource) {
  if (resource == nullptr) return {};
  std::span<const uint8_t> data = hostsim::PeResourceData(module, *resource);
  return std::vector<uint8_t>(data.begin(), data.end());
}

// Every resource of the module, in U.S. English, and nothing else: the
// host's three and the file's version, which only Windows itself reads.
void ExpectModuleResources(const std::string& path, ModuleMachine machine) {
  SCOPED_TRACE(path);
  hostsim::PeResources module = hostsim::ReadPeResourcesFile(path);
  ASSERT_EQ(module.error, "");
  EXPECT_EQ(module.machine, machine == ModuleMachine::x64 ? hostsim::kMachineX64 : hostsim::kMachineX86);
  EXPECT_EQ(module.resources.size(), 4u);
  for (const hostsim::PeResource& resource : module.resources) EXPECT_EQ(resource.language, 1033);
  constexpr uint16_t kVersionResourceType = 16;
  EXPECT_NE(hostsim::FindPeResource(module, kVersionResourceType, 1, 1033), nullptr);

  const hostsim::PeResource* properties = hostsim::FindPeResource(module, "PiPL", 16000, 1033);
  const hostsim::PeResource* terminology = hostsim::FindPeResource(module, "aete", 16000, 1033);
  const hostsim::PeResource* dialog = hostsim::FindPeResource(module, hostsim::kDialogResourceType, 9550, 1033);
  ASSERT_NE(properties, nullptr);
  ASSERT_NE(terminology, nullptr);
  ASSERT_NE(dialog, nullptr);
  // A resource compiler stores type names in capitals.
  EXPECT_EQ(properties->type.text, "PIPL");
  EXPECT_EQ(terminology->type.text, "AETE");

  std::vector<uint8_t> propertyBytes = DataOf(module, properties);
  std::vector<uint8_t> terminologyBytes = DataOf(module, terminology);
  std::vector<uint8_t> dialogBytes = DataOf(module, dialog);
  ExpectPluginProperties(propertyBytes, machine);
  ExpectTerminology(terminologyBytes);
  ExpectDialogTemplate(dialogBytes);
  EXPECT_EQ(propertyBytes, BuildPluginProperties(machine));
  EXPECT_EQ(terminologyBytes, BuildTerminology());
  EXPECT_EQ(dialogBytes, BuildDialogTemplate());
}

#if defined(_WIN32)

constexpr ModuleMachine kThisMachine = sizeof(void*) == 8 ? ModuleMachine::x64 : ModuleMachine::x86;

TEST(ModuleResourcesTest, ModuleFileBesideTheProgram) { ExpectModuleResources(ModulePath(), kThisMachine); }

// The bytes the system hands a host that looks the resources up by the
// mixed-case type names hosts use.
std::vector<uint8_t> LoadedResource(HMODULE module, const char* type, uint16_t id) {
  HRSRC found = FindResourceExA(module, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  if (found == nullptr) return {};
  const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
  return std::vector<uint8_t>(data, data + SizeofResource(module, found));
}

TEST(ModuleResourcesTest, SystemFindsTheResources) {
  HMODULE module = LoadLibraryExA(ModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  std::vector<uint8_t> properties = LoadedResource(module, "PiPL", 16000);
  std::vector<uint8_t> terminology = LoadedResource(module, "AETE", 16000);
  std::vector<uint8_t> dialog = LoadedResource(module, MAKEINTRESOURCEA(5), 9550);
  FreeLibrary(module);
  ExpectPluginProperties(properties, kThisMachine);
  ExpectTerminology(terminology);
  ExpectDialogTemplate(dialog);
}

#else

std::string BuiltModule(const char* preset) { return std::string(TARKEL_SOURCE_DIR) + "/build/" + preset + "/tarkel.8BF"; }

TEST(ModuleResourcesTest, ThirtyTwoBitModule) {
  if (!FileExists(BuiltModule("win32"))) GTEST_SKIP() << "the 32-bit module is not built";
  ExpectModuleResources(BuiltModule("win32"), ModuleMachine::x86);
}

TEST(ModuleResourcesTest, SixtyFourBitModule) {
  if (!FileExists(BuiltModule("win64"))) GTEST_SKIP() << "the 64-bit module is not built";
  ExpectModuleResources(BuiltModule("win64"), ModuleMachine::x64);
}

#endif

}  // namespace
