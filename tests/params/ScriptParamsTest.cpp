// Reading the host's descriptor into the parameter list and recording the
// list, against the simulator's scripting host, for every entry type.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "resources/Terminology.h"
#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"
#include "params/ParamList.h"
#include "params/ScriptParams.h"
#include "tests/support/RawParam.h"

namespace {

using hostsim::Descriptor;
using hostsim::ScriptingHost;

constexpr uint32_t kKrnl = FourCC("Krnl"), kScal = FourCC("sCAL"), kOfst = FourCC("oFST"), kAflg = FourCC("AFlg");

class ScriptParamsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hostsim::Host::current = &host;
    record = &host.record();
    list = NewParamList(40);
    InitParamList(list, FourCC("CsKr"), 0, 0);
    AddStringParam(list, kKrnl, nullptr);
    AddFloatParam(list, kScal, 0.0f, 10000.0f, 1.0f);
    AddFloatParam(list, kOfst, -10000.0f, 10000.0f, 0.0f);
    AddBoolParam(list, kAflg, 0);
  }
  void TearDown() override {
    DisposeParamList(list);
    EXPECT_TRUE(host.violations.empty()) << host.violations.front();
    hostsim::Host::current = nullptr;
  }

  // Plays the descriptor and reads it into the list; returns suppressDialog.
  bool Read(ScriptingHost& scripting, const Descriptor& descriptor, int16_t playInfo = plugInDialogSilent) {
    scripting.Play(descriptor, playInfo);
    return ReadScriptParams(record, list);
  }

  hostsim::Host host{nullptr, hostsim::MakeImage(4, 4, 1, 8)};
  FilterRecord* record = nullptr;
  ParamList* list = nullptr;
};

TEST_F(ScriptParamsTest, SuiteChecksRefuseWrongVersionsShortSuitesAndMissingProcs) {
  ScriptingHost scripting(host);
  PIDescriptorParameters& p = scripting.parameters();
  EXPECT_TRUE(DescriptorSuiteUsable(&p));
  EXPECT_FALSE(DescriptorSuiteUsable(nullptr));
  auto refused = [&](auto change) {
    PIDescriptorParameters saved = p;
    ReadDescriptorProcs read = scripting.readProcs();
    WriteDescriptorProcs write = scripting.writeProcs();
    change();
    bool usable = DescriptorSuiteUsable(&p);
    p = saved;
    scripting.readProcs() = read;
    scripting.writeProcs() = write;
    return !usable;
  };
  EXPECT_TRUE(refused([&] { p.descriptorParametersVersion = 1; }));
  EXPECT_TRUE(refused([&] { p.descriptorParametersVersion = -1; }));
  EXPECT_TRUE(refused([&] { p.readDescriptorProcs = nullptr; }));
  EXPECT_TRUE(refused([&] { p.writeDescriptorProcs = nullptr; }));
  EXPECT_TRUE(refused([&] { scripting.readProcs().readDescriptorProcsVersion = -1; }));
  EXPECT_TRUE(refused([&] { scripting.readProcs().numReadDescriptorProcs = 17; }));
  EXPECT_TRUE(refused([&] { scripting.writeProcs().writeDescriptorProcsVersion = -3; }));
  EXPECT_TRUE(refused([&] { scripting.writeProcs().numWriteDescriptorProcs = 15; }));
  EXPECT_TRUE(refused([&] { scripting.readProcs().getTextProc = nullptr; }));
  EXPECT_TRUE(refused([&] { scripting.writeProcs().putEnumeratedProc = nullptr; }));
  // Higher suite versions and counts compared unsigned are taken.
  EXPECT_FALSE(refused([&] { scripting.readProcs().readDescriptorProcsVersion = 7; }));
  EXPECT_FALSE(refused([&] { scripting.readProcs().numReadDescriptorProcs = -1; }));

  HandleProcs handles = *host.record().handleProcs;
  EXPECT_TRUE(HandleSuiteUsable(&handles));
  EXPECT_FALSE(HandleSuiteUsable(nullptr));
  for (int16_t version : {0, 2}) {
    HandleProcs h = handles;
    h.handleProcsVersion = version;
    EXPECT_FALSE(HandleSuiteUsable(&h)) << version;
  }
  HandleProcs shortSuite = handles;
  shortSuite.numHandleProcs = 3;
  EXPECT_FALSE(HandleSuiteUsable(&shortSuite));
  HandleProcs noSetSize = handles;
  noSetSize.setSizeProc = nullptr;
  EXPECT_FALSE(HandleSuiteUsable(&noSetSize));
  EXPECT_EQ(NewHostHandle(&noSetSize, 8), nullptr);
  DisposeHostHandle(&noSetSize, reinterpret_cast<Handle>(&handles));  // must not reach the host
}

TEST_F(ScriptParamsTest, SuppressDialogFollowsSuitesTokenAndPlayInfo) {
  EXPECT_FALSE(ReadScriptParams(record, list));  // no descriptor parameters at all
  {
    hostsim::ScriptingOptions options;
    options.numReadProcs = 10;
    ScriptingHost scripting(host, options);
    EXPECT_FALSE(Read(scripting, {hostsim::DoubleEntry(kScal, 5)}, plugInDialogSilent));
    EXPECT_EQ(GetFloatParam(list, 1), 1.0f);
    EXPECT_EQ(scripting.readOpens, 0);
  }
  ScriptingHost scripting(host);
  struct Case {
    bool descriptor;
    int16_t playInfo;
    bool suppress;
  };
  for (Case c : {Case{false, plugInDialogDisplay, false}, Case{false, plugInDialogDontDisplay, true},
                 Case{false, plugInDialogSilent, true}, Case{true, plugInDialogDisplay, false},
                 Case{true, plugInDialogDontDisplay, true}, Case{true, plugInDialogSilent, true}}) {
    if (c.descriptor)
      scripting.Play({}, c.playInfo);
    else
      scripting.PlayNothing(c.playInfo);
    EXPECT_EQ(ReadScriptParams(record, list), c.suppress) << c.descriptor << " " << c.playInfo;
  }
  EXPECT_EQ(scripting.readCloses, 3);  // only opened tokens are closed

  InitParamList(list, FourCC("none"), 0, 0);  // a list without parameters asks the host nothing
  scripting.Play({}, plugInDialogSilent);
  EXPECT_TRUE(ReadScriptParams(record, list));
  scripting.PlayNothing(plugInDialogDisplay);
  EXPECT_FALSE(ReadScriptParams(record, list));
  EXPECT_EQ(scripting.readOpens, 6);
}

TEST_F(ScriptParamsTest, ReadsEveryKeyInOrderAndDisposesTheDescriptor) {
  ScriptingHost scripting(host);
  size_t handlesBefore = host.LiveHandles();
  EXPECT_TRUE(Read(scripting, {hostsim::TextEntry(kKrnl, "1,2,3,"), hostsim::DoubleEntry(kScal, 10000),
                               hostsim::DoubleEntry(kOfst, -10000), hostsim::BooleanEntry(kAflg, true),
                               hostsim::DoubleEntry(FourCC("none"), 3)}));
  EXPECT_STREQ(GetStringParam(list, 0), "1,2,3,");
  EXPECT_EQ(GetFloatParam(list, 1), 10000.0f);
  EXPECT_EQ(GetFloatParam(list, 2), -10000.0f);
  EXPECT_EQ(GetBoolParam(list, 3), 1);
  EXPECT_EQ(scripting.keysAsked, std::vector<DescriptorKeyID>({kKrnl, kScal, kOfst, kAflg}));
  EXPECT_EQ(scripting.getCalls, 4);  // the unknown key is passed over without a call
  EXPECT_EQ(scripting.parameters().descriptor, nullptr);
  EXPECT_EQ(host.LiveHandles(), handlesBefore);  // the descriptor and the text handle are gone
  EXPECT_EQ(scripting.readCloses, 1);
}

TEST_F(ScriptParamsTest, FloatsAreRangeCheckedInSinglePrecision) {
  ScriptingHost scripting(host);
  struct Case {
    double value;
    float expected;
  };
  // Half a single-precision step at 10000 is 2^-11, about 0.00049.
  for (Case c : {Case{10000.5, 1.0f}, Case{10000.0004, 10000.0f}, Case{-0.0001, 1.0f}, Case{0.0, 0.0f},
                 Case{std::nan(""), 1.0f}, Case{1e300, 1.0f}, Case{-1e300, 1.0f},
                 Case{std::numeric_limits<double>::infinity(), 1.0f}, Case{2.75, 2.75f}}) {
    SetFloatParam(list, 1, 1.0f);
    Read(scripting, {hostsim::DoubleEntry(kScal, c.value)});
    EXPECT_EQ(GetFloatParam(list, 1), c.expected) << c.value;
  }
}

TEST_F(ScriptParamsTest, AKeyGivenTwiceIsReadTwiceAndTheLastAcceptedWins) {
  ScriptingHost scripting(host);
  Read(scripting, {hostsim::DoubleEntry(kScal, 5), hostsim::DoubleEntry(kScal, 7)});
  EXPECT_EQ(GetFloatParam(list, 1), 7.0f);
  Read(scripting, {hostsim::DoubleEntry(kScal, 5), hostsim::DoubleEntry(kScal, 20000)});
  EXPECT_EQ(GetFloatParam(list, 1), 5.0f);
  // Two entries of one key are both served by one descriptor value.
  AddFloatParam(list, kScal, 0.0f, 100.0f, 0.0f);
  Read(scripting, {hostsim::DoubleEntry(kScal, 50)});
  EXPECT_EQ(GetFloatParam(list, 1), 50.0f);
  EXPECT_EQ(GetFloatParam(list, 4), 50.0f);
}

TEST_F(ScriptParamsTest, TextsAreReadUpToTheirZeroOrTheirHandleSize) {
  {
    ScriptingHost scripting(host);
    Read(scripting, {hostsim::TextEntry(kKrnl, std::string("1,2,\0junk", 9))});
    EXPECT_STREQ(GetStringParam(list, 0), "1,2,");
    Read(scripting, {hostsim::TextEntry(kKrnl, std::string(600, '7'))});
    EXPECT_EQ(std::strlen(GetStringParam(list, 0)), 600u);  // no 514-byte bound on reading
  }
  hostsim::ScriptingOptions options;
  options.unterminatedText = true;
  ScriptingHost scripting(host, options);
  Read(scripting, {hostsim::TextEntry(kKrnl, "12345")});
  EXPECT_STREQ(GetStringParam(list, 0), "12345");
  Read(scripting, {hostsim::TextEntry(kKrnl, "")});
  EXPECT_STREQ(GetStringParam(list, 0), "");
}

TEST_F(ScriptParamsTest, FailingGetCallsAndWrongTypesStoreNothing) {
  SetStringParam(list, 0, "keep,");
  hostsim::ScriptingOptions options;
  options.failGets = true;
  {
    ScriptingHost scripting(host, options);
    Read(scripting, {hostsim::TextEntry(kKrnl, "new,"), hostsim::DoubleEntry(kScal, 3),
                     hostsim::DoubleEntry(kOfst, 4), hostsim::BooleanEntry(kAflg, true)});
    EXPECT_EQ(scripting.getCalls, 4);
  }
  // The host's types disagree with the list's: every get call fails.
  ScriptingHost scripting(host);
  Read(scripting, {hostsim::DoubleEntry(kKrnl, 1), hostsim::TextEntry(kScal, "3"),
                   hostsim::IntegerEntry(kOfst, 4), hostsim::DoubleEntry(kAflg, 1)});
  EXPECT_STREQ(GetStringParam(list, 0), "keep,");
  EXPECT_EQ(GetFloatParam(list, 1), 1.0f);
  EXPECT_EQ(GetFloatParam(list, 2), 0.0f);
  EXPECT_EQ(GetBoolParam(list, 3), 0);
}

// The simulator's failing gets write 7 or 3 into their output: limits wide
// enough to take those show that nothing a failed call wrote is stored.
TEST_F(ScriptParamsTest, FailingIntegerAndEnumeratedGetsStoreNothing) {
  int32_t lng = AddRawParam(list, FourCC("cnt "), kLongType, 0, 9, 1);
  int32_t units = AddRawParam(list, kUnitsKey, kLongType, 0, 9, 1);
  int32_t radio = AddRawParam(list, FourCC("shap"), FourCC("rB03"), 0, 9, 1);
  hostsim::ScriptingOptions options;
  options.failGets = true;
  ScriptingHost scripting(host, options);
  Read(scripting, {hostsim::IntegerEntry(FourCC("cnt "), 4), hostsim::EnumeratedEntry(kUnitsKey, kUnitsType, 4),
                   hostsim::EnumeratedEntry(FourCC("shap"), FourCC("rB03"), 4)});
  EXPECT_EQ(scripting.getCalls, 3);
  EXPECT_EQ(GetLongParam(list, lng), 1);
  EXPECT_EQ(GetLongParam(list, units), 1);
  EXPECT_EQ(GetLongParam(list, radio), 1);
}

TEST_F(ScriptParamsTest, GarbageKeyTypesAreNotConsulted) {
  hostsim::ScriptingOptions options;
  options.garbageKeyTypes = true;
  ScriptingHost scripting(host, options);
  Read(scripting, {hostsim::DoubleEntry(kScal, 3), hostsim::TextEntry(kKrnl, "9,")});
  EXPECT_EQ(GetFloatParam(list, 1), 3.0f);
  EXPECT_STREQ(GetStringParam(list, 0), "9,");
}

TEST_F(ScriptParamsTest, AnEndlessKeyListEnds) {
  hostsim::ScriptingOptions options;
  options.endlessKeys = true;
  ScriptingHost scripting(host, options);
  Read(scripting, {hostsim::DoubleEntry(kScal, 3)});
  EXPECT_EQ(GetFloatParam(list, 1), 3.0f);
  EXPECT_EQ(scripting.readCloses, 1);
}

TEST_F(ScriptParamsTest, BooleansAreSignExtended) {
  ScriptingHost scripting(host);
  hostsim::DescriptorEntry raw = hostsim::BooleanEntry(kAflg, true);
  raw.integer = 0xFF;
  Read(scripting, {raw});
  EXPECT_EQ(GetLongParam(list, 3), -1);
  EXPECT_EQ(GetBoolParam(list, 3), 1);
  Read(scripting, {hostsim::BooleanEntry(kAflg, false)});
  EXPECT_EQ(GetBoolParam(list, 3), 0);
}

TEST_F(ScriptParamsTest, LongsCompareSignedUnitsAndRadiosUnsigned) {
  int32_t lng = AddRawParam(list, FourCC("cnt "), kLongType, uint32_t(-5), 5, 0);
  int32_t units = AddRawParam(list, kUnitsKey, kLongType, 0, 0x80000000u, 1);
  int32_t radio = AddRawParam(list, FourCC("shap"), FourCC("rB03"), 3, 5, 3);
  int32_t other = AddRawParam(list, FourCC("othr"), FourCC("xyzw"), 0, 9, 2);
  ScriptingHost scripting(host);
  Read(scripting, {hostsim::IntegerEntry(FourCC("cnt "), -3), hostsim::EnumeratedEntry(kUnitsKey, kUnitsType, 7),
                   hostsim::EnumeratedEntry(FourCC("shap"), FourCC("rB03"), 5),
                   hostsim::EnumeratedEntry(FourCC("othr"), FourCC("xyzw"), 4)});
  EXPECT_EQ(GetLongParam(list, lng), -3);
  EXPECT_EQ(GetLongParam(list, units), 7);
  EXPECT_EQ(GetLongParam(list, radio), 5);
  EXPECT_EQ(GetLongParam(list, other), 2);  // not a radio type: never read
  EXPECT_EQ(scripting.getCalls, 3);

  Read(scripting, {hostsim::IntegerEntry(FourCC("cnt "), 6), hostsim::EnumeratedEntry(kUnitsKey, kUnitsType, 0x80000001u),
                   hostsim::EnumeratedEntry(FourCC("shap"), FourCC("rB03"), 0xFFFFFFFFu)});
  EXPECT_EQ(GetLongParam(list, lng), -3);
  EXPECT_EQ(GetLongParam(list, units), 7);
  EXPECT_EQ(GetLongParam(list, radio), 5);
}

TEST_F(ScriptParamsTest, TheKeyArrayHoldsAtMost29Keys) {
  for (int32_t i = 4; i < 35; ++i) AddFloatParam(list, FourCC("k000") + uint32_t(i), 0.0f, 9.0f, 0.0f);
  ScriptingHost scripting(host);
  Read(scripting, {hostsim::DoubleEntry(FourCC("k000") + 34, 8)});
  EXPECT_EQ(scripting.keysAsked.size(), 29u);
  EXPECT_EQ(GetFloatParam(list, 34), 8.0f);  // every entry is still matched
}

TEST_F(ScriptParamsTest, TextIsSkippedWithoutAUsableHandleSuite) {
  HandleProcs broken = *host.record().handleProcs;
  broken.handleProcsVersion = 2;
  host.record().handleProcs = &broken;
  ScriptingHost scripting(host);
  Read(scripting, {hostsim::TextEntry(kKrnl, "1,"), hostsim::DoubleEntry(kScal, 4)});
  EXPECT_EQ(GetStringParam(list, 0), nullptr);
  EXPECT_EQ(GetFloatParam(list, 1), 4.0f);
  EXPECT_EQ(scripting.parameters().descriptor, nullptr);  // cleared, though not disposable
  SetStringParam(list, 0, "5,");
  EXPECT_EQ(WriteScriptParams(record, list), 0);
  std::optional<Descriptor> recorded = scripting.Recorded();
  ASSERT_TRUE(recorded);
  ASSERT_EQ(recorded->size(), 3u);  // no text handle to be had; the rest is recorded
  EXPECT_EQ((*recorded)[0].key, kScal);
}

// Handle suites that pass the checks but give no handle, or a smaller one
// than asked for: the text is skipped or cut to the handle, never written past it.
TEST_F(ScriptParamsTest, TextsGoOnlyIntoHandlesTheHostReallyGives) {
  SetStringParam(list, 0, std::string(600, '5').c_str());
  HandleProcs procs = *host.record().handleProcs;
  host.record().handleProcs = &procs;
  ScriptingHost scripting(host);
  procs.newProc = [](int32_t) -> Handle { return nullptr; };
  EXPECT_EQ(WriteScriptParams(record, list), 0);
  std::optional<Descriptor> recorded = scripting.Recorded();
  ASSERT_TRUE(recorded);
  ASSERT_EQ(recorded->size(), 3u);
  EXPECT_EQ((*recorded)[0].key, kScal);

  procs.newProc = [](int32_t) { return hostsim::Host::current->NewHandle(100); };
  EXPECT_EQ(WriteScriptParams(record, list), 0);
  recorded = scripting.Recorded();
  ASSERT_TRUE(recorded);
  ASSERT_EQ(recorded->size(), 4u);
  EXPECT_EQ((*recorded)[0].text, std::string(99, '5'));
}

TEST_F(ScriptParamsTest, AReadTokenWithoutADescriptorDisposesNothing) {
  ScriptingHost scripting(host);
  scripting.Play({hostsim::DoubleEntry(kScal, 6)}, plugInDialogSilent);
  Handle descriptor = scripting.parameters().descriptor;
  scripting.parameters().descriptor = nullptr;
  ReadToken token = scripting.readProcs().openReadDescriptorProc(descriptor, nullptr);
  ASSERT_NE(token, nullptr);
  EXPECT_EQ(CloseDescriptorReader(&scripting.parameters(), host.record().handleProcs, token), 0);
  EXPECT_EQ(token, nullptr);
  host.DisposeHandle(descriptor);
}

TEST_F(ScriptParamsTest, WritesEveryEntryInListOrder) {
  std::string kernel(600, '3');
  SetStringParam(list, 0, kernel.c_str());
  SetFloatParam(list, 1, 2.5f);
  SetFloatParam(list, 2, -7.25f);
  SetParamValueBits(list, 3, 2);  // any non-zero flag is recorded as 1
  AddRawParam(list, FourCC("cnt "), kLongType, 0, 9, uint32_t(-4));
  AddRawParam(list, kUnitsKey, kLongType, 1, 8, 6);
  AddRawParam(list, FourCC("shap"), FourCC("rB03"), 3, 5, 4);
  AddStringParam(list, FourCC("none"), nullptr);
  ScriptingHost scripting(host);
  scripting.Play({hostsim::DoubleEntry(kScal, 1)}, plugInDialogDisplay);
  size_t handlesBefore = host.LiveHandles();
  EXPECT_EQ(WriteScriptParams(record, list), 0);
  EXPECT_EQ(scripting.parameters().recordInfo, plugInDialogOptional);
  EXPECT_EQ(host.LiveHandles(), handlesBefore);  // the old descriptor went, the new one came
  std::optional<Descriptor> recorded = scripting.Recorded();
  ASSERT_TRUE(recorded);
  hostsim::DescriptorEntry text = hostsim::TextEntry(kKrnl, kernel.substr(0, 513));
  text.textHandleSize = 514;
  hostsim::DescriptorEntry empty = hostsim::TextEntry(FourCC("none"), "");
  empty.textHandleSize = 514;
  Descriptor expected = {text,
                         hostsim::DoubleEntry(kScal, 2.5),
                         hostsim::DoubleEntry(kOfst, -7.25),
                         hostsim::BooleanEntry(kAflg, true),
                         hostsim::IntegerEntry(FourCC("cnt "), -4),
                         hostsim::EnumeratedEntry(kUnitsKey, kUnitsType, 6),
                         hostsim::EnumeratedEntry(FourCC("shap"), FourCC("rB03"), 4),
                         empty};
  EXPECT_EQ(*recorded, expected);
}

TEST_F(ScriptParamsTest, NothingIsRecordedWithoutSuitesTokenOrParameters) {
  EXPECT_EQ(WriteScriptParams(record, list), 0);  // no descriptor parameters
  {
    hostsim::ScriptingOptions options;
    options.writeProcsVersion = -1;
    ScriptingHost scripting(host, options);
    WriteScriptParams(record, list);
    EXPECT_EQ(scripting.writeOpens, 0);
    EXPECT_EQ(scripting.parameters().recordInfo, plugInDialogNone);
  }
  {
    hostsim::ScriptingOptions options;
    options.openWriteGivesToken = false;
    ScriptingHost scripting(host, options);
    WriteScriptParams(record, list);
    EXPECT_EQ(scripting.writeOpens, 1);
    EXPECT_EQ(scripting.parameters().recordInfo, plugInDialogNone);
    EXPECT_FALSE(scripting.Recorded());
  }
  ScriptingHost scripting(host);
  InitParamList(list, FourCC("none"), 0, 0);
  WriteScriptParams(record, list);
  EXPECT_EQ(scripting.writeOpens, 0);
}

TEST_F(ScriptParamsTest, CloseErrorsAreNotPassedOn) {
  hostsim::ScriptingOptions options;
  options.closeReadResult = -1;
  options.closeWriteResult = -2;
  ScriptingHost scripting(host, options);
  scripting.Play({hostsim::DoubleEntry(kScal, 4)}, plugInDialogDisplay);
  ReadToken token = scripting.parameters().readDescriptorProcs->openReadDescriptorProc(
      scripting.parameters().descriptor, nullptr);
  EXPECT_EQ(CloseDescriptorReader(&scripting.parameters(), host.record().handleProcs, token), -1);
  EXPECT_EQ(token, nullptr);
  EXPECT_EQ(scripting.parameters().descriptor, nullptr);

  EXPECT_FALSE(Read(scripting, {hostsim::DoubleEntry(kScal, 4)}, plugInDialogDisplay));
  EXPECT_EQ(GetFloatParam(list, 1), 4.0f);
  EXPECT_EQ(WriteScriptParams(record, list), 0);
  EXPECT_TRUE(scripting.Recorded());
  EXPECT_EQ(scripting.parameters().recordInfo, plugInDialogOptional);
}

}  // namespace
