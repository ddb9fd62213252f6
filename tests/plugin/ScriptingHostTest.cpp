// The scripting host of the host simulator, driven through its suites as a
// plug-in drives them: what it plays, what it records, and how it misbehaves
// when asked to.
#include <gtest/gtest.h>

#include <cstring>

#include "hostsim/Descriptor.h"
#include "hostsim/Host.h"

namespace {

using hostsim::Descriptor;
using hostsim::ScriptingHost;

class ScriptingHostTest : public ::testing::Test {
 protected:
  void SetUp() override { hostsim::Host::current = &host; }
  void TearDown() override { hostsim::Host::current = nullptr; }

  // Reads every key of the played descriptor with the call its type names.
  Descriptor ReadAll(ScriptingHost& scripting, DescriptorKeyID* keys) {
    PIDescriptorParameters& p = scripting.parameters();
    ReadDescriptorProcs& r = *p.readDescriptorProcs;
    Descriptor seen;
    ReadToken token = r.openReadDescriptorProc(p.descriptor, keys);
    if (token == nullptr) return seen;
    DescriptorKeyID key;
    DescType type;
    int32_t flags;
    while (r.getKeyProc(token, &key, &type, &flags)) {
      hostsim::DescriptorEntry e;
      e.key = key;
      e.type = type;
      if (type == hostsim::kDoubleType) {
        EXPECT_EQ(r.getFloatProc(token, &e.number), 0);
      }
      if (type == hostsim::kTextType) {
        Handle text = nullptr;
        EXPECT_EQ(r.getTextProc(token, &text), 0);
        e.text.assign(*text, size_t(host.HandleSize(text)));
        host.DisposeHandle(text);
      }
      seen.push_back(e);
    }
    EXPECT_EQ(r.closeReadDescriptorProc(token), 0);
    return seen;
  }

  hostsim::Host host{nullptr, hostsim::MakeImage(4, 4, 1, 8)};
};

TEST_F(ScriptingHostTest, PlaysEntriesInOrderAndRecordsTheKeyArray) {
  ScriptingHost scripting(host);
  EXPECT_EQ(host.record().descriptorParameters, &scripting.parameters());
  scripting.Play({hostsim::DoubleEntry(FourCC("sCAL"), 2.5), hostsim::TextEntry(FourCC("Krnl"), "1,2,")},
                 plugInDialogSilent);
  DescriptorKeyID keys[] = {FourCC("Krnl"), FourCC("sCAL"), 0};
  Descriptor seen = ReadAll(scripting, keys);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].key, FourCC("sCAL"));
  EXPECT_EQ(seen[0].number, 2.5);
  EXPECT_EQ(seen[1].text, std::string("1,2,\0", 5));  // terminated by default
  EXPECT_EQ(scripting.keysAsked, std::vector<DescriptorKeyID>({FourCC("Krnl"), FourCC("sCAL")}));
  EXPECT_EQ(scripting.parameters().playInfo, plugInDialogSilent);
  EXPECT_TRUE(host.violations.empty());
}

TEST_F(ScriptingHostTest, NothingToPlayGivesNoToken) {
  ScriptingHost scripting(host);
  scripting.PlayNothing(plugInDialogDontDisplay);
  DescriptorKeyID keys[] = {0};
  PIDescriptorParameters& p = scripting.parameters();
  EXPECT_EQ(p.readDescriptorProcs->openReadDescriptorProc(p.descriptor, keys), nullptr);
  EXPECT_EQ(scripting.readOpens, 1);
}

TEST_F(ScriptingHostTest, RecordsWhatThePluginWritesWithTheTextHandleSize) {
  ScriptingHost scripting(host);
  WriteDescriptorProcs& w = *scripting.parameters().writeDescriptorProcs;
  WriteToken token = w.openWriteDescriptorProc();
  ASSERT_NE(token, nullptr);
  Handle text = host.NewHandle(514);
  std::strcpy(*text, "abc");
  double scale = 3.0;
  EXPECT_EQ(w.putTextProc(token, FourCC("Krnl"), text), 0);
  EXPECT_EQ(w.putFloatProc(token, FourCC("sCAL"), &scale), 0);
  EXPECT_EQ(w.putBooleanProc(token, FourCC("AFlg"), 1), 0);
  EXPECT_EQ(w.putEnumeratedProc(token, FourCC("unCd"), FourCC("UniT"), 4), 0);
  host.DisposeHandle(text);
  Handle descriptor = nullptr;
  EXPECT_EQ(w.closeWriteDescriptorProc(token, &descriptor), 0);
  scripting.parameters().descriptor = descriptor;

  std::optional<Descriptor> recorded = scripting.Recorded();
  ASSERT_TRUE(recorded);
  ASSERT_EQ(recorded->size(), 4u);
  EXPECT_EQ((*recorded)[0].text, "abc");
  EXPECT_EQ((*recorded)[0].textHandleSize, 514);
  EXPECT_EQ((*recorded)[1], hostsim::DoubleEntry(FourCC("sCAL"), 3.0));
  EXPECT_EQ((*recorded)[2], hostsim::BooleanEntry(FourCC("AFlg"), true));
  EXPECT_EQ((*recorded)[3], hostsim::EnumeratedEntry(FourCC("unCd"), FourCC("UniT"), 4));
  EXPECT_TRUE(host.violations.empty());
}

TEST_F(ScriptingHostTest, HostileKnobsMisbehaveAsAdvertised) {
  hostsim::ScriptingOptions options;
  options.failGets = true;
  options.garbageKeyTypes = true;
  ScriptingHost scripting(host, options);
  scripting.Play({hostsim::DoubleEntry(FourCC("sCAL"), 2.5)}, plugInDialogDisplay);
  PIDescriptorParameters& p = scripting.parameters();
  ReadDescriptorProcs& r = *p.readDescriptorProcs;
  DescriptorKeyID keys[] = {FourCC("sCAL"), 0};
  ReadToken token = r.openReadDescriptorProc(p.descriptor, keys);
  DescriptorKeyID key;
  DescType type;
  int32_t flags;
  ASSERT_TRUE(r.getKeyProc(token, &key, &type, &flags));
  EXPECT_NE(type, hostsim::kDoubleType);
  double value = 0;
  EXPECT_NE(r.getFloatProc(token, &value), 0);
  EXPECT_EQ(value, 5.0);  // tempting, but not delivered
  Handle text = nullptr;
  EXPECT_NE(r.getTextProc(token, &text), 0);
  EXPECT_EQ(host.HandleSize(text), 0);  // not one of the host's handles
  r.closeReadDescriptorProc(token);
}

TEST_F(ScriptingHostTest, UnterminatedTextHasNoZeroWithinItsSize) {
  hostsim::ScriptingOptions options;
  options.unterminatedText = true;
  ScriptingHost scripting(host, options);
  scripting.Play({hostsim::TextEntry(FourCC("Krnl"), "12345")}, plugInDialogDisplay);
  DescriptorKeyID keys[] = {0};
  Descriptor seen = ReadAll(scripting, keys);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, "12345");
}

TEST_F(ScriptingHostTest, ForeignTokensAndHandlesAreViolations) {
  ScriptingHost scripting(host);
  int dummy = 0;
  WriteDescriptorProcs& w = *scripting.parameters().writeDescriptorProcs;
  double value = 1;
  EXPECT_NE(w.putFloatProc(&dummy, FourCC("sCAL"), &value), 0);
  WriteToken token = w.openWriteDescriptorProc();
  char* master = nullptr;
  EXPECT_NE(w.putTextProc(token, FourCC("Krnl"), &master), 0);
  Handle descriptor = nullptr;
  w.closeWriteDescriptorProc(token, &descriptor);
  EXPECT_EQ(host.violations.size(), 2u);
}

TEST(DescriptorEncodingTest, RoundTripsAndRefusesTruncatedBytes) {
  Descriptor descriptor = {hostsim::TextEntry(FourCC("Krnl"), std::string("a\0b", 3)),
                           hostsim::IntegerEntry(FourCC("long"), -7),
                           hostsim::EnumeratedEntry(FourCC("rB03"), FourCC("rB03"), 5)};
  std::vector<uint8_t> bytes = hostsim::EncodeDescriptor(descriptor);
  EXPECT_EQ(hostsim::DecodeDescriptor(bytes.data(), bytes.size()), descriptor);
  for (size_t size = 0; size < bytes.size(); ++size)
    EXPECT_FALSE(hostsim::DecodeDescriptor(bytes.data(), size)) << size;
}

}  // namespace
