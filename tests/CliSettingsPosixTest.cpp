// Recorded settings files: what the plug-in recorded comes back exactly,
// and a damaged or foreign file is refused with its line or its fault.
#include <cmath>

#include "cli/SettingsFile.h"
#include "host/PluginApi.h"
#include "tests/CliSupport.h"

namespace {

RecordedItem Item(const char (&key)[5], const char (&type)[5]) {
  RecordedItem item;
  item.key = FourCC(key);
  item.type = FourCC(type);
  return item;
}

TEST(CliSettings, EveryEntryTypeRoundTripsExactly) {
  RecordedSettings settings;
  settings.event = FourCC("CsKr");
  settings.recordInfo = 0;
  RecordedItem text = Item("Krnl", "TEXT");
  text.text = std::string("0.0,-1.0000,\"q\"\\,\x01\xe9\xff,", 23);
  RecordedItem scale = Item("sCAL", "doub");
  scale.number = 0.1;
  RecordedItem tiny = Item("oFST", "doub");
  tiny.number = -1.2345678901234567e-300;
  RecordedItem flag = Item("AFlg", "bool");
  flag.integer = 1;
  RecordedItem count = Item("cOEF", "long");
  count.integer = -2147483647 - 1;
  RecordedItem units = Item("unCd", "enum");
  units.enumType = FourCC("UniT");
  units.integer = 7;
  RecordedItem odd = Item("Krnl", "TEXT");
  odd.key = 0x00000001;  // not printable: written in hexadecimal
  settings.items = {text, scale, tiny, flag, count, units, odd};

  std::string json = FormatSettingsJson(settings);
  RecordedSettings read;
  ASSERT_FALSE(ParseSettingsJson(json, "test.json", &read)) << json;
  EXPECT_EQ(read.event, settings.event);
  ASSERT_EQ(read.items.size(), settings.items.size());
  for (size_t i = 0; i < read.items.size(); ++i) {
    const RecordedItem &a = read.items[i], &b = settings.items[i];
    EXPECT_EQ(a.key, b.key) << i;
    EXPECT_EQ(a.type, b.type) << i;
    EXPECT_EQ(a.text, b.text) << i;
    EXPECT_EQ(a.number, b.number) << i;
    EXPECT_EQ(a.integer, b.integer) << i;
    EXPECT_EQ(a.enumType, b.enumType) << i;
  }
  EXPECT_NE(json.find("\"key\": \"0x00000001\""), std::string::npos);
  EXPECT_NE(json.find("\\u00e9"), std::string::npos);  // bytes above 127 stay single bytes
}

TEST(CliSettings, NonFiniteNumbersBecomeNullAndComeBackAsNaN) {
  RecordedSettings settings;
  RecordedItem scale = Item("sCAL", "doub");
  scale.number = std::nan("");
  settings.items = {scale};
  std::string json = FormatSettingsJson(settings);
  EXPECT_NE(json.find("\"value\": null"), std::string::npos);
  RecordedSettings read;
  ASSERT_FALSE(ParseSettingsJson(json, "nan.json", &read));
  EXPECT_TRUE(std::isnan(read.items[0].number));
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
  EXPECT_NE(refusal(head + "{\"key\": \"cOEF\", \"type\": \"long\", \"value\": 1.5}]}").find("32-bit integer"),
            std::string::npos);
  EXPECT_NE(refusal(head + "{\"key\": \"Krnl\", \"type\": \"TEXT\", \"value\": \"\\u0100\"}]}").find("single bytes"),
            std::string::npos);
  EXPECT_FALSE(ParseSettingsJson(head + "]}", "empty.json", &read));
  EXPECT_TRUE(read.items.empty());
}

}  // namespace
