// The log record of a run: nothing without the file, one record appended
// per run, every entry type laid out with its tabs and line ends.
#include <gtest/gtest.h>

#include <string>

#include "params/ParamList.h"
#include "tests/support/FilterRunSupport.h"
#include "tests/support/RawParam.h"
#include "tests/support/TestSupport.h"
#include "text/LogFile.h"

namespace {

class LogFileTest : public FixedFilesTest {
 protected:
  void SetUp() override {
    FixedFilesTest::SetUp();
    list = NewParamList(kRunParamSlots);
    InitParamList(list, FourCC("CsKr"), 0, 0);
    AddStringParam(list, FourCC("Krnl"), "1,2,");
    AddFloatParam(list, FourCC("sCAL"), 0.0f, 10000.0f, 2.5f);
    AddFloatParam(list, FourCC("oFST"), -10000.0f, 10000.0f, -1.0f);
    AddBoolParam(list, FourCC("AFlg"), 1);
  }
  void TearDown() override {
    DisposeParamList(list);
    FixedFilesTest::TearDown();
  }

  int16_t runResult = 0;
  ParamList* list = nullptr;
  const std::string path = FixedPath("c:\\MORVlog.txt");
};

TEST_F(LogFileTest, NothingIsWrittenWithoutTheFile) {
  EXPECT_NE(LogRun(runResult, list), 0);
  EXPECT_FALSE(FileExists(path));
}

TEST_F(LogFileTest, ARecordOfThisFilterLineByLineThenASecondAppended) {
  WriteString(path, "");
  runResult = -128;
  EXPECT_EQ(LogRun(runResult, list), 0);
  std::string record =
      "-----------------------------\r\n"
      "Signature = CsKr\tWRITEBACK\tNo Mask Image\r\n"
      "# Inputs = 4\r\n"
      "0: Type = STRING\tKey = Krnl\tValue = 1,2,\r\n"
      "1: Type = FLOAT\tKey = sCAL\tMin = 0.0\tMax = " + Number(10000.0f) + "\tValue = 2.50000\r\n"
      "2: Type = FLOAT\tKey = oFST\tMin = " + Number(-10000.0f) + "\tMax = " + Number(10000.0f) +
      "\tValue = -1.00000\r\n"
      "3: Type = BOOLEAN\tKey = AFlg\tValue = TRUE\r\n"
      "Result = -128\r\n";
  EXPECT_EQ(LogText(), record);
  runResult = 0;
  SetBoolParam(list, 3, 0);
  SetStringParam(list, 0, nullptr);
  EXPECT_EQ(LogRun(runResult, list), 0);
  std::string second = LogText().substr(record.size());
  EXPECT_EQ(second.rfind("-----------------------------\r\n", 0), 0u);
  EXPECT_NE(second.find("0: Type = STRING\tKey = Krnl\tValue = NULL\r\n"), std::string::npos);
  EXPECT_NE(second.find("3: Type = BOOLEAN\tKey = AFlg\tValue = FALSE\r\n"), std::string::npos);
  EXPECT_EQ(second.substr(second.size() - 12), "Result = 0\r\n");
}

TEST_F(LogFileTest, LongTextsAreCutTo255Characters) {
  WriteString(path, "");
  std::string kernel(600, '9');
  SetStringParam(list, 0, kernel.c_str());
  LogRun(runResult, list);
  EXPECT_NE(LogText().find("Value = " + std::string(255, '9') + "\r\n"), std::string::npos);
  EXPECT_EQ(LogText().find(std::string(256, '9')), std::string::npos);
}

TEST_F(LogFileTest, FlagsLongsRadiosAndAnEmptyList) {
  WriteString(path, "old\r\n");
  InitParamList(list, FourCC("udef"), 1, 1);
  AddRawParam(list, FourCC("cnt "), kLongType, uint32_t(-5), 5, uint32_t(-3));
  AddRawParam(list, FourCC("shap"), FourCC("rB03"), 3, 5, 4);
  runResult = -30100;
  LogRun(runResult, list);
  EXPECT_EQ(LogText(),
            "old\r\n"
            "-----------------------------\r\n"
            "Signature = udef\tNo Writeback\tNEEDS MASK IMAGE\r\n"
            "# Inputs = 2\r\n"
            "0: Type = LONG\tKey = cnt \tMin = -5\tMax = 5\tValue = -3\r\n"
            "1: Type = RADIO/rB03\tKey = shap\tMin = 3\tMax = 5\tValue = 4\r\n"
            "Result = -30100\r\n");
  WriteString(path, "");
  InitParamList(list, FourCC("none"), 0, 0);
  LogRun(runResult, list);
  EXPECT_EQ(LogText(), "-----------------------------\r\nSignature = none\tWRITEBACK\tNo Mask Image\r\nResult = -30100\r\n");
}

}  // namespace
