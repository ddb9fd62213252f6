// The generator's images of the three resources, checked field by field,
// and the facts of the terminology table the scripting code relies on.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "resources/DialogTemplate.h"
#include "resources/PluginProperties.h"
#include "resources/Terminology.h"
#include "hostsim/Descriptor.h"
#include "tests/support/ResourceChecks.h"

using hostsim::CodeText;

namespace {

TEST(ResourceImagesTest, PropertiesOfBothModules) {
  {
    SCOPED_TRACE("32-bit");
    ExpectPluginProperties(BuildPluginProperties(ModuleMachine::x86), ModuleMachine::x86);
  }
  {
    SCOPED_TRACE("64-bit");
    ExpectPluginProperties(BuildPluginProperties(ModuleMachine::x64), ModuleMachine::x64);
  }
}

// The 64-bit properties are the 32-bit ones with one more record after
// wx86; nothing else moves or changes.
TEST(ResourceImagesTest, SixtyFourBitPropertiesOnlyAddTheEntryRecord) {
  ResourceBytes x86 = BuildPluginProperties(ModuleMachine::x86);
  ResourceBytes x64 = BuildPluginProperties(ModuleMachine::x64);
  const size_t afterWx86 = 10 + 16 + 4 + 16 + 20 + 16 + 20 + 16 + 4 + 16 + 12;
  ASSERT_EQ(x64.size(), x86.size() + 28);
  EXPECT_EQ(x86[6], 8);
  EXPECT_EQ(x64[6], 9);
  x64[6] = 8;
  EXPECT_EQ(std::string(x64.begin() + afterWx86 + 4, x64.begin() + afterWx86 + 8), "4668");
  x64.erase(x64.begin() + afterWx86, x64.begin() + afterWx86 + 28);
  EXPECT_EQ(x64, x86);
}

TEST(ResourceImagesTest, Terminology) { ExpectTerminology(BuildTerminology()); }

TEST(ResourceImagesTest, DialogTemplate) {
  ResourceBytes bytes = BuildDialogTemplate();
  ExpectDialogTemplate(bytes);
  // Each control starts on a 4-byte boundary: the first after the header.
  const size_t header = 18 + 2 + 2 + 2 + 2 + 2 * (13 + 1);
  EXPECT_EQ(header % 4, 2u);
  EXPECT_EQ(bytes[header], 0);
  EXPECT_EQ(bytes[header + 1], 0);
  EXPECT_EQ(bytes[header + 2 + 0], 0x01) << "OK's style starts after the padding";
}

TEST(ResourceImagesTest, EveryEnumeratedParameterTypeButOneHasAnEnumeration) {
  std::set<std::string> enumerations, used;
  for (const TerminologyEnumeration& enumeration : kTerminologyEnumerations)
    EXPECT_TRUE(enumerations.insert(CodeText(enumeration.code)).second) << "twice: " << CodeText(enumeration.code);
  for (const TerminologyParam& param : kTerminologyParams)
    if (IsEnumerationType(param.type)) used.insert(CodeText(param.type));
  std::set<std::string> missing, unused;
  for (const std::string& type : used)
    if (!enumerations.count(type)) missing.insert(type);
  for (const std::string& code : enumerations)
    if (!used.count(code)) unused.insert(code);
  EXPECT_EQ(missing, (std::set<std::string>{"rB26"}));
  EXPECT_EQ(unused, (std::set<std::string>{"rB02", "rB18"}));
}

TEST(ResourceImagesTest, EnumerationTypesAreTheRadioCodesAndUnits) {
  EXPECT_TRUE(IsEnumerationType(FourCC("rB00")));
  EXPECT_TRUE(IsEnumerationType(FourCC("rB32")));
  EXPECT_TRUE(IsEnumerationType(FourCC("UniT")));
  EXPECT_FALSE(IsEnumerationType(FourCC("Rb00")));
  EXPECT_FALSE(IsEnumerationType(FourCC("rb00")));
  EXPECT_FALSE(IsEnumerationType(FourCC("long")));
  EXPECT_FALSE(IsEnumerationType(FourCC("UNIT")));
}

// The scripting code and the terminology must name the same keys and types.
TEST(ResourceImagesTest, OwnParametersAgreeWithTheirConstants) {
  const auto typeOf = [](uint32_t key) {
    for (const TerminologyParam& param : kTerminologyParams)
      if (param.key == key) return param.type;
    return uint32_t(0);
  };
  EXPECT_EQ(typeOf(kKernelKey), kTextType);
  EXPECT_EQ(typeOf(kScaleKey), kDoubleType);
  EXPECT_EQ(typeOf(kOffsetKey), kDoubleType);
  EXPECT_EQ(typeOf(kAutoscaleKey), kBooleanType);
  EXPECT_EQ(typeOf(kUnitsKey), kUnitsType);
  EXPECT_EQ(kEventCode, FourCC("CsKr"));
  EXPECT_EQ(kTerminologyId, kPropertiesId);
}

}  // namespace
