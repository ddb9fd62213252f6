// The field writers: bytes, tabs and line ends appended to an open file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "contract/ResultCodes.h"
#include "store/FileLayer.h"
#include "tests/support/TestSupport.h"
#include "text/FieldWriters.h"

namespace {

const char* const kLogName = "c:\\MORVlog.txt";

class FieldWritersTest : public FixedFilesTest {
 protected:
  void SetUp() override {
    FixedFilesTest::SetUp();
    ASSERT_EQ(FileCreate(kLogName, 0, 0), noErr);
    ASSERT_EQ(FileOpen(kLogName, &file), noErr);
  }
  std::string Written() {
    FileClose(file);
    file = kNoFile;
    std::vector<uint8_t> bytes = ReadBytes(FixedPath(kLogName));
    return std::string(bytes.begin(), bytes.end());
  }
  void TearDown() override {
    if (file != kNoFile) FileClose(file);
    FixedFilesTest::TearDown();
  }
  FileRef file = kNoFile;
};

TEST_F(FieldWritersTest, TextFieldsWithTheirSwitches) {
  EXPECT_EQ(WriteFieldText(file, "Scale", true, false), noErr);
  EXPECT_EQ(WriteFieldText(file, "x", false, true), noErr);
  EXPECT_EQ(WriteFieldText(file, nullptr, true, true), noErr);
  EXPECT_EQ(WriteFieldText(file, "", false, false), noErr);
  EXPECT_EQ(WriteFieldCounted(file, "\x04" "CsKrXX", true, true), noErr);
  EXPECT_EQ(WriteFieldCounted(file, "\x00" "ignored", false, true), noErr);
  EXPECT_EQ(Written(), "Scale\tx\r\n\t\r\nCsKr\t\r\n\r\n");
}

TEST_F(FieldWritersTest, LongsInDecimal) {
  for (int32_t value : {0, 7, -7, 1234567890, INT32_MAX, INT32_MIN}) WriteFieldLong(file, value, true, false);
  EXPECT_EQ(Written(), "0\t7\t-7\t1234567890\t2147483647\t-2147483648\t");
}

TEST_F(FieldWritersTest, FloatsInTheNumberFormat) {
  WriteFieldFloat(file, 12345.0f, true, false);
  WriteFieldFloat(file, -2.5f, false, true);
  WriteFieldFloat(file, 0.0f, false, false);
  EXPECT_EQ(Written(), "1.23450e+4\t-2.50000\r\n0.0");
}

TEST(FieldWriters, AFailedWriteIsReported) {
  EXPECT_NE(WriteFieldText(kNoFile, "abc", true, true), noErr);
  EXPECT_NE(WriteFieldLong(kNoFile, 5, false, false), noErr);
}

TEST(KeyToCountedText, MostSignificantCharacterFirst) {
  char buffer[5];
  KeyToCountedText(0x43734B72, buffer);  // 'CsKr'
  EXPECT_EQ(std::string(buffer, 5), std::string("\x04" "CsKr"));
  KeyToCountedText(0x50746820, buffer);
  EXPECT_EQ(std::string(buffer, 5), std::string("\x04" "Pth "));
}

}  // namespace
