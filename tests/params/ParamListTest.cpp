// The parameter list: big-endian words in the block, entries in order of
// declaration, private string copies.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>

#include "contract/PluginApi.h"
#include "params/ParamList.h"
#include "platform/Platform.h"

namespace {

const uint8_t* Bytes(const ParamList* list) { return reinterpret_cast<const uint8_t*>(list); }

// The four bytes of word `word` of the block.
std::string WordBytes(const ParamList* list, int word) {
  return std::string(reinterpret_cast<const char*>(Bytes(list)) + 4 * word, 4);
}

std::string Be(uint32_t value) {
  return {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
}

int EntryWord(int index, int field) { return (2 + index) * 6 + field; }

class ParamListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list = NewParamList(kRunParamSlots);
    ASSERT_NE(list, nullptr);
  }
  void TearDown() override { DisposeParamList(list); }
  ParamList* list = nullptr;
};

TEST_F(ParamListTest, HeaderWordsAreBigEndianAndFlagsWidened) {
  InitParamList(list, FourCC("CsKr"), -1, 1);
  EXPECT_EQ(WordBytes(list, 5), "CsKr");
  EXPECT_EQ(WordBytes(list, 6), Be(0xFFFFFFFF));
  EXPECT_EQ(WordBytes(list, 7), Be(1));
  EXPECT_EQ(GetSignature(list), FourCC("CsKr"));
  EXPECT_EQ(GetNeedsMask(list), -1);
  EXPECT_EQ(GetNoWriteback(list), 1);
  for (int word : {0, 1, 2, 4, 8, 9, 10, 11}) EXPECT_EQ(WordBytes(list, word), Be(0)) << word;
}

TEST_F(ParamListTest, EntriesKeepDeclarationOrderAndInitStartsAgain) {
  InitParamList(list, FourCC("udef"), 0, 0);
  EXPECT_EQ(AddFloatParam(list, FourCC("sCAL"), 0.0f, 10000.0f, 2.0f), 0);
  EXPECT_EQ(AddBoolParam(list, FourCC("AFlg"), 1), 1);
  EXPECT_EQ(AddStringParam(list, FourCC("Krnl"), "1,"), 2);
  EXPECT_EQ(GetInputCount(list), 3);
  EXPECT_EQ(WordBytes(list, 3), Be(3));

  InitParamList(list, FourCC("CsKr"), 0, 0);
  EXPECT_EQ(GetInputCount(list), 0);
  EXPECT_EQ(WordBytes(list, 4), Be(0));
  EXPECT_EQ(GetStringParam(list, 2), nullptr);  // the old entry's text is gone with it
  EXPECT_EQ(AddStringParam(list, FourCC("Krnl"), nullptr), 0);
  EXPECT_EQ(GetParamKey(list, 0), FourCC("Krnl"));
  EXPECT_EQ(GetParamType(list, 0), kStringType);
}

TEST_F(ParamListTest, EntryWordsHoldKeyTypeOneLimitsAndValue) {
  InitParamList(list, FourCC("CsKr"), 0, 0);
  AddFloatParam(list, FourCC("oFST"), -10000.0f, 10000.0f, 1.0f);
  AddBoolParam(list, FourCC("AFlg"), 1);
  AddStringParam(list, FourCC("Krnl"), "x");
  EXPECT_EQ(WordBytes(list, EntryWord(0, 0)), "oFST");
  EXPECT_EQ(WordBytes(list, EntryWord(0, 1)), "doub");
  EXPECT_EQ(WordBytes(list, EntryWord(0, 2)), Be(1));
  EXPECT_EQ(WordBytes(list, EntryWord(0, 3)), Be(0xC61C4000));  // -10000.0f
  EXPECT_EQ(WordBytes(list, EntryWord(0, 4)), Be(0x461C4000));
  EXPECT_EQ(WordBytes(list, EntryWord(0, 5)), Be(0x3F800000));
  EXPECT_EQ(GetParamMinimumBits(list, 0), std::bit_cast<uint32_t>(-10000.0f));
  EXPECT_EQ(GetParamMaximumBits(list, 0), std::bit_cast<uint32_t>(10000.0f));

  EXPECT_EQ(WordBytes(list, EntryWord(1, 1)), "bool");
  EXPECT_EQ(GetParamMinimumBits(list, 1), 0u);
  EXPECT_EQ(GetParamMaximumBits(list, 1), 1u);
  EXPECT_EQ(WordBytes(list, EntryWord(1, 5)), Be(1));

  EXPECT_EQ(WordBytes(list, EntryWord(2, 1)), "Pth ");
  EXPECT_EQ(GetParamMinimumBits(list, 2), 0u);
  EXPECT_EQ(GetParamMaximumBits(list, 2), 0u);
}

TEST_F(ParamListTest, FloatsComeBackBitForBit) {
  InitParamList(list, FourCC("CsKr"), 0, 0);
  AddFloatParam(list, FourCC("sCAL"), 0.0f, 1.0f, 0.0f);
  for (uint32_t bits : {0x3F800000u, 0x80000000u, 0x00000001u, 0x7F7FFFFFu, 0xC2F6E979u, 0x7F800000u}) {
    SetFloatParam(list, 0, std::bit_cast<float>(bits));
    EXPECT_EQ(std::bit_cast<uint32_t>(GetFloatParam(list, 0)), bits);
    EXPECT_EQ(WordBytes(list, EntryWord(0, 5)), Be(bits));
  }
}

TEST_F(ParamListTest, LongAndBoolReadTheValueWord) {
  InitParamList(list, FourCC("CsKr"), 0, 0);
  AddBoolParam(list, FourCC("AFlg"), 0);
  SetParamValueBits(list, 0, 2);
  EXPECT_EQ(GetBoolParam(list, 0), 1);
  SetParamValueBits(list, 0, 0x80000000u);
  EXPECT_EQ(GetBoolParam(list, 0), 1);
  EXPECT_EQ(GetLongParam(list, 0), INT32_MIN);
  SetBoolParam(list, 0, -1);
  EXPECT_EQ(GetLongParam(list, 0), -1);
  SetBoolParam(list, 0, 0);
  EXPECT_EQ(GetBoolParam(list, 0), 0);
}

TEST_F(ParamListTest, StringEntriesKeepPrivateWholeCopies) {
  InitParamList(list, FourCC("CsKr"), 0, 0);
  char text[] = "1.0000,";
  AddStringParam(list, FourCC("Krnl"), text);
  text[0] = '9';
  EXPECT_STREQ(GetStringParam(list, 0), "1.0000,");

  std::string longText(600, '7');
  SetStringParam(list, 0, longText.c_str());
  EXPECT_EQ(std::string(GetStringParam(list, 0)), longText);

  // The entry's own text as the new one must survive the release of the old.
  SetStringParam(list, 0, GetStringParam(list, 0));
  EXPECT_EQ(std::string(GetStringParam(list, 0)), longText);

  // Without memory for the copy the entry keeps the text it had.
  PlatformFailAfter(PlatformService::allocBlock, 0);
  SetStringParam(list, 0, "2,");
  PlatformFailAfter(PlatformService::allocBlock, -1);
  EXPECT_EQ(std::string(GetStringParam(list, 0)), longText);

  SetStringParam(list, 0, nullptr);
  EXPECT_EQ(GetStringParam(list, 0), nullptr);
  SetStringParam(list, 0, "");
  EXPECT_STREQ(GetStringParam(list, 0), "");
}

TEST(ParamListDispose, FreesTextsOfEveryEntry) {
  // Run under the leak checker: nothing of the list may stay behind.
  ParamList* list = NewParamList(kRunParamSlots);
  ASSERT_NE(list, nullptr);
  InitParamList(list, FourCC("CsKr"), 0, 0);
  for (int i = 0; i < 20; ++i) AddStringParam(list, uint32_t(i), std::string(100 + i, 'a').c_str());
  InitParamList(list, FourCC("CsKr"), 0, 0);
  AddStringParam(list, FourCC("Krnl"), "again");
  DisposeParamList(list);
  DisposeParamList(nullptr);
}

TEST(ParamListSwap, ReversesTheFourBytes) {
  EXPECT_EQ(SwapLong(0x11223344u), 0x44332211u);
  EXPECT_EQ(SwapLong(0x000000FFu), 0xFF000000u);
  EXPECT_EQ(std::bit_cast<uint32_t>(SwapFloat(1.0f)), 0x0000803Fu);
}

}  // namespace
