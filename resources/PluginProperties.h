// The plug-in properties the host reads before it runs any code: the kind
// of plug-in, its menu name and category, the interface version, the entry
// point, the terminology link, the image modes and the filter cases.
#pragma once

#include <cstdint>

#include "contract/PluginApi.h"
#include "resources/ResourceBytes.h"

// Every resource of the module is U.S. English.
constexpr uint16_t kResourceLanguage = 1033;
constexpr uint16_t kPropertiesId = 16000;

constexpr uint16_t kPropertiesFormat = 1;
constexpr uint32_t kPropertiesVersion = 0;
constexpr uint32_t kPropertiesVendor = FourCC("8BIM");

constexpr uint32_t kKindProperty = FourCC("kind");
constexpr uint32_t kNameProperty = FourCC("name");
constexpr uint32_t kCategoryProperty = FourCC("catg");
constexpr uint32_t kVersionProperty = FourCC("vers");
constexpr uint32_t kEntryX86Property = FourCC("wx86");
constexpr uint32_t kEntryX64Property = FourCC("8664");
constexpr uint32_t kTerminologyLinkProperty = FourCC("hstm");
constexpr uint32_t kModesProperty = FourCC("mode");
constexpr uint32_t kFilterCasesProperty = FourCC("fici");

constexpr uint32_t kFilterKind = FourCC("8BFM");
constexpr const char* kMenuName = "Custom..";
constexpr const char* kMenuCategory = "MV*Process";
// Major version in the high half, minor in the low half: 4.0.
constexpr uint32_t kInterfaceVersion = 0x00040000;
constexpr const char* kEntryPointName = "ENTRYPOINT";
constexpr const char* kTerminologyScope = "MORVCsKr";

// Field widths of the properties whose data is longer than its content.
constexpr uint32_t kMenuTextBytes = 20;
constexpr uint32_t kEntryPointBytes = 12;
constexpr uint32_t kTerminologyLinkBytes = 48;

// Grayscale and RGB in the first byte, 16-bit grayscale and 48-bit RGB in
// the second: the four modes the filter handles.
constexpr uint8_t kModeGrayScale = 0x40;
constexpr uint8_t kModeRGBColor = 0x10;
constexpr uint8_t kModeGray16 = 0x20;
constexpr uint8_t kModeRGB48 = 0x10;
constexpr uint8_t kSupportedModes[4] = {kModeGrayScale | kModeRGBColor, kModeGray16 | kModeRGB48, 0, 0};

// One record per filter case of the host, in the host's fixed order.
struct FilterCaseInfo {
  uint8_t inputHandling;
  uint8_t outputHandling;
  uint8_t flags1;
  uint8_t flags2;
};
static_assert(sizeof(FilterCaseInfo) == 4);
constexpr int kFilterCaseCount = 7;
constexpr uint8_t kStraightData = 1;
// First flags, bit 0: the host need not copy the source into the destination.
constexpr uint8_t kDontCopyToDestination = 0x01;
constexpr FilterCaseInfo kEveryFilterCase = {kStraightData, kStraightData, kDontCopyToDestination, 0};

enum class ModuleMachine { x86, x64 };

// The 32-bit module names its entry point for x86 only; the 64-bit one
// names it for x64 as well.
ResourceBytes BuildPluginProperties(ModuleMachine machine);
