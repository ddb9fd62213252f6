#include "resources/PluginProperties.h"

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "resources/Terminology.h"

static_assert(std::char_traits<char>::length(kMenuName) < kMenuTextBytes);
static_assert(std::char_traits<char>::length(kMenuCategory) < kMenuTextBytes);
static_assert(std::char_traits<char>::length(kEntryPointName) + 2 <= kEntryPointBytes);
static_assert(14 + std::char_traits<char>::length(kTerminologyScope) + 1 <= kTerminologyLinkBytes);

struct Property {
  uint32_t key;
  ResourceBytes data;
};

// The stated length is the data's own; the data is padded to whole words.
static void PutProperty(ResourceBytes& bytes, const Property& property) {
  PutLong(bytes, kPropertiesVendor);
  PutLong(bytes, property.key);
  PutLong(bytes, 0);  // property id
  PutLong(bytes, uint32_t(property.data.size()));
  bytes.insert(bytes.end(), property.data.begin(), property.data.end());
  PutZeros(bytes, (4 - property.data.size() % 4) % 4);
}

static ResourceBytes LongData(uint32_t value) {
  ResourceBytes data;
  PutLong(data, value);
  return data;
}

// Hosts read only the counted characters; the rest of the field is zero.
static ResourceBytes MenuTextData(const char* text) {
  ResourceBytes data;
  PutPrefixedText(data, text);
  PutZeros(data, kMenuTextBytes - data.size());
  return data;
}

static ResourceBytes EntryPointData() {
  ResourceBytes data(kEntryPointName, kEntryPointName + std::strlen(kEntryPointName));
  PutZeros(data, kEntryPointBytes - data.size());
  return data;
}

static ResourceBytes TerminologyLinkData() {
  ResourceBytes data;
  PutLong(data, 0);  // version
  PutLong(data, kEventClass);
  PutLong(data, kEventCode);
  PutWord(data, kTerminologyId);
  data.insert(data.end(), kTerminologyScope, kTerminologyScope + std::strlen(kTerminologyScope));
  PutZeros(data, kTerminologyLinkBytes - data.size());
  return data;
}

static ResourceBytes ModesData() { return ResourceBytes(std::begin(kSupportedModes), std::end(kSupportedModes)); }

static ResourceBytes FilterCasesData() {
  ResourceBytes data;
  for (int i = 0; i < kFilterCaseCount; ++i) {
    PutByte(data, kEveryFilterCase.inputHandling);
    PutByte(data, kEveryFilterCase.outputHandling);
    PutByte(data, kEveryFilterCase.flags1);
    PutByte(data, kEveryFilterCase.flags2);
  }
  return data;
}

ResourceBytes BuildPluginProperties(ModuleMachine machine) {
  std::vector<Property> properties = {
      {kKindProperty, LongData(kFilterKind)},
      {kNameProperty, MenuTextData(kMenuName)},
      {kCategoryProperty, MenuTextData(kMenuCategory)},
      {kVersionProperty, LongData(kInterfaceVersion)},
      {kEntryX86Property, EntryPointData()},
  };
  if (machine == ModuleMachine::x64) properties.push_back({kEntryX64Property, EntryPointData()});
  properties.push_back({kTerminologyLinkProperty, TerminologyLinkData()});
  properties.push_back({kModesProperty, ModesData()});
  properties.push_back({kFilterCasesProperty, FilterCasesData()});

  ResourceBytes bytes;
  PutWord(bytes, kPropertiesFormat);
  PutLong(bytes, kPropertiesVersion);
  PutLong(bytes, uint32_t(properties.size()));
  for (const Property& property : properties) PutProperty(bytes, property);
  return bytes;
}
