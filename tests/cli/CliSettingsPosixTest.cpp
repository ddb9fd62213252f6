// Recorded settings files: what the plug-in recorded comes back exactly,
// and a damaged or foreign file is refused with its line or its fault.
#include <cmath>
#include <random>

#include "cli/PlayableSettings.h"
#include "cli/SettingsFile.h"
#include "cli/Values.h"
#include "contract/PluginApi.h"
#include "tests/cli/CliSupport.h"

namespace {

const char kOddText[] = "0.0,-1.0000,\"q\"\\,\x01\xe9\xff,";  // quotes, a backslash, bytes to escape

TEST(CliSettings, EveryEntryTypeRoundTripsExactly) {
  RecordedSettings settings;
  settings.event = FourCC("CsKr");
  settings.recordInfo = 0;
  hostsim::DescriptorEntry odd = hostsim::IntegerEntry(0x00000001, 5);  // not printable: written in hexadecimal
  settings.descriptor = {
      hostsim::TextEntry(FourCC("Krnl"), std::string(kOddText, sizeof kOddText - 1)),
      hostsim::DoubleEntry(FourCC("sCAL"), 0.1),
      hostsim::DoubleEntry(FourCC("oFST"), -1.2345678901234567e-300),
      hostsim::BooleanEntry(FourCC("AFlg"), true),
      hostsim::IntegerEntry(FourCC("cOEF"), -2147483647 - 1),
      hostsim::EnumeratedEntry(FourCC("unCd"), FourCC("UniT"), 4294967295u),
      odd,
  };
  std::string json = FormatSettingsJson(settings);
  RecordedSettings read;
  ASSERT_FALSE(ParseSettingsJson(json, "test.json", &read)) << json;
  EXPECT_EQ(read.event, settings.event);
  EXPECT_EQ(read.descriptor, settings.descriptor) << json;
  EXPECT_NE(json.find("\"key\": \"0x00000001\""), std::string::npos);
  EXPECT_NE(json.find("\\u00e9"), std::string::npos);  // bytes above 127 stay single bytes
}

TEST(CliSettings, NonFiniteNumbersBecomeNullAndComeBackAsNaN) {
  RecordedSettings settings;
  settings.descriptor = {hostsim::DoubleEntry(FourCC("sCAL"), std::nan(""))};
  std::string json = FormatSettingsJson(settings);
  EXPECT_NE(json.find("\"value\": null"), std::string::npos);
  RecordedSettings read;
  ASSERT_FALSE(ParseSettingsJson(json, "nan.json", &read));
  EXPECT_TRUE(std::isnan(read.descriptor[0].number));
}

TEST(CliSettings, DamagedAndForeignFilesAreRefused) {
  RecordedSettings read;
  auto refusal = [&](const std::string& json) {
    Failure failure = ParseSettingsJson(json, "run.json", &read);
    EXPECT_EQ(failure.code, kExitKernel) << json;
    return failure.message;
  };
  EXPECT_NE(refusal("{\n  \"format\": \"tarkel-settings\",\n  \"version\": 1\n  \"descriptor\": []}").find("line 4"),
            std::string::npos);
  EXPECT_NE(refusal("{\"name\": \"something else\"}").find("not a settings file"), std::string::npos);
  EXPECT_NE(refusal("[1, 2").find("not valid JSON"), std::string::npos);
  EXPECT_NE(refusal("{\"format\": \"tarkel-settings\", \"version\": 2, \"descriptor\": []}").find("version"),
            std::string::npos);
  const std::string head = "{\"format\": \"tarkel-settings\", \"version\": 1, \"descriptor\": [";
  EXPECT_NE(refusal(head + "{\"key\": \"sCAL\", \"type\": \"real\", \"value\": 1}]}").find("unknown type"),
            std::string::npos);
  EXPECT_NE(refusal(head + "{\"key\": \"toolong\", \"type\": \"doub\", \"value\": 1}]}").find("four-character"),
            std::string::npos);
  EXPECT_NE(refusal(head + "{\"key\": \"sCAL\", \"type\": \"doub\", \"value\": \"1\"}]}").find("must be a number"),
            std::string::npos);
  EXPECT_NE(refusal(head + "{\"key\": \"cOEF\", \"type\": \"long\", \"value\": 1.5}]}").find("integer from -2147483648"),
            std::string::npos);
  EXPECT_NE(refusal(head + "{\"key\": \"Krnl\", \"type\": \"TEXT\", \"value\": \"\\u0100\"}]}").find("single bytes"),
            std::string::npos);
  EXPECT_FALSE(ParseSettingsJson(head + "]}", "empty.json", &read));
  EXPECT_TRUE(read.descriptor.empty());
}

}  // namespace

namespace {

std::string PlayableJson(const std::string& entries) {
  return "{\"format\": \"tarkel-settings\", \"version\": 1, \"event\": \"CsKr\", \"descriptor\": [" + entries + "]}";
}

std::string KernelEntry(int values) {
  std::string text;
  for (int i = 0; i < values; ++i) text += i == 24 ? "1.0000," : "0.0,";
  return "{\"key\": \"Krnl\", \"type\": \"TEXT\", \"value\": \"" + text + "\"}";
}

// A kernel text whose first value is first and whose other 48 are 0.
std::string KernelText(const std::string& first) {
  std::string text = first;
  for (int i = 1; i < 49; ++i) text += "0.0,";
  return "{\"key\": \"Krnl\", \"type\": \"TEXT\", \"value\": \"" + text + "\"}";
}

const std::string kScale = "{\"key\": \"sCAL\", \"type\": \"doub\", \"value\": 1}";
const std::string kOffset = "{\"key\": \"oFST\", \"type\": \"doub\", \"value\": 0}";
const std::string kAutoscale = "{\"key\": \"AFlg\", \"type\": \"bool\", \"value\": false}";

// A cut grid is what the recording plays back, so cutting it again changes nothing.
TEST(CliPlayable, RecordingsCutTapsToWhatPlaysBack) {
  const std::pair<float, float> cuts[] = {{0.11111111f, 0.1111f}, {1.5f, 1.5f}, {-2.71828f, -2.7182f},
                                          {12345.6f, 12345.0f}, {0.00307f, 0.003f}, {-99999.0f, -99999.0f}};
  for (auto [tap, cut] : cuts) {
    KernelGrid grid{};
    grid[24] = tap;
    ASSERT_FALSE(CutToRecording(&grid)) << tap;
    EXPECT_EQ(grid[24], cut) << tap;
  }
  std::mt19937 random(5);
  std::uniform_real_distribution<float> magnitude(-6.0f, 4.99f);
  for (int round = 0; round < 200; ++round) {
    KernelGrid grid{};
    for (float& tap : grid) tap = std::pow(10.0f, magnitude(random)) * (random() % 2 == 0 ? 1.0f : -1.0f);
    for (float& tap : grid) tap = std::fabs(tap) < 0.001f ? 0.0f : tap;
    ASSERT_FALSE(CutToRecording(&grid));
    KernelGrid again = grid;
    ASSERT_FALSE(CutToRecording(&again));
    EXPECT_EQ(again, grid);
  }
  KernelGrid lost{};
  lost[3] = 1.0f;
  lost[10] = -0.00005f;
  Failure failure = CutToRecording(&lost);
  EXPECT_EQ(failure.code, kExitKernel);
  EXPECT_NE(failure.message.find("at row 2, column 4 records as 0"), std::string::npos) << failure.message;
}

// Every way a file could let the plug-in fill a value from its preferences, or carry one it cannot take.
TEST(CliPlayable, IncompleteOrOutOfRangeSettingsAreRefusedNamingTheKey) {
  auto check = [](const std::string& json) {
    RecordedSettings settings;
    Failure failure = ParseSettingsJson(json, "s.json", &settings);
    return failure ? failure : CheckPlayable(settings, "s.json");
  };
  std::string rest = "," + kScale + "," + kOffset + "," + kAutoscale;
  EXPECT_FALSE(check(PlayableJson(KernelEntry(49) + rest)));
  struct Case {
    std::string json, text;
  };
  const Case cases[] = {
      {PlayableJson(KernelEntry(48) + rest), "49 numbers"},
      {PlayableJson(KernelEntry(50) + rest), "49 numbers"},
      {PlayableJson(KernelEntry(49) + "," + kOffset + "," + kAutoscale), "\"sCAL\": missing"},
      {PlayableJson(KernelEntry(49) + "," + kScale + "," + kOffset), "\"AFlg\": missing"},
      {PlayableJson(kScale + "," + kOffset + "," + kAutoscale), "\"Krnl\": missing"},
      {PlayableJson(KernelEntry(49) + ",{\"key\": \"sCAL\", \"type\": \"doub\", \"value\": null}," + kOffset + "," +
                    kAutoscale),
       "not a plain decimal"},
      {PlayableJson(KernelEntry(49) + ",{\"key\": \"sCAL\", \"type\": \"doub\", \"value\": 1e9}," + kOffset + "," +
                    kAutoscale),
       "up to 10000"},
      {PlayableJson(KernelEntry(49) + ",{\"key\": \"sCAL\", \"type\": \"doub\", \"value\": 0}," + kOffset + "," +
                    kAutoscale),
       ScaleProblem(0)},
      {PlayableJson(KernelEntry(49) + ",{\"key\": \"sCAL\", \"type\": \"long\", \"value\": 1}," + kOffset + "," +
                    kAutoscale),
       "wrong type"},
      {PlayableJson(KernelEntry(49) + rest + "," + kScale), "appears twice"},
      {PlayableJson(KernelEntry(49) + rest + ",{\"key\": \"xtra\", \"type\": \"bool\", \"value\": true}"), "unknown key"},
      {PlayableJson(KernelText("nan,") + rest), "key \"Krnl\" \"nan\": the plug-in reads only digits"},
      {PlayableJson(KernelText("+1,") + rest), "key \"Krnl\" \"+1\": the plug-in reads only digits"},
      {PlayableJson(KernelText("1e2,") + rest), "key \"Krnl\" \"1e2\": the plug-in reads only digits"},
      {PlayableJson(KernelText("1 5,") + rest), "\"1 5\": the plug-in reads only digits"},
      {PlayableJson(KernelText("0.0,") + rest), "all 49 values are 0"},
      {PlayableJson(KernelText(std::string(500, '1') + ",") + rest), "the plug-in reads only the first 513"},
      {PlayableJson(KernelEntry(49) + ",{\"key\": \"sCAL\", \"type\": \"doub\", \"value\": \"1\"}," + kOffset +
                    "," + kAutoscale),
       "key \"sCAL\": a doub value must be a number"},
      {"{\"format\": \"tarkel-settings\", \"version\": 1, \"descriptor\": [" + KernelEntry(49) + rest + "]}", "event"},
  };
  for (const Case& c : cases) {
    Failure failure = check(c.json);
    EXPECT_EQ(failure.code, kExitKernel) << c.json;
    EXPECT_NE(failure.message.find(c.text), std::string::npos) << failure.message;
    EXPECT_EQ(failure.message.find("s.json"), 0u) << failure.message;
  }
}

}  // namespace
