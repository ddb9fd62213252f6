// The Load and Save buttons, with the file dialogs answered in advance.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialog/FileDialogs.h"
#include "dialog/KernelFileActions.h"
#include "filter/Kernel.h"
#include "tests/support/TestSupport.h"

namespace {

class KernelFileActionsTest : public FixedFilesTest {
 protected:
  void SetUp() override {
    FixedFilesTest::SetUp();
    ResetWorking();
  }
  void ResetWorking() {
    for (int i = 0; i < kKernelFloats; ++i) working[i] = float(i) + 0.5f;
    working[kAutoscaleSlot] = 0.0f;
  }
  void TearDown() override {
    SetNextFileChoice(nullptr);
    for (const std::string& name : names) RemoveFile(FixedPath(name));
    FixedFilesTest::TearDown();
  }

  std::string Place(const std::string& name, const std::vector<uint8_t>& content) {
    names.push_back(name);
    WriteBytes(FixedPath(name), content);
    return name;
  }

  bool Load(const std::string& name) {
    SetNextFileChoice(name.c_str());
    return LoadKernelFileAction(working);
  }

  static std::vector<uint8_t> Acf() {
    std::vector<uint8_t> bytes;
    for (int i = 1; i <= 27; ++i) {
      int value = i <= 25 ? i : i == 26 ? 9 : 10;
      bytes.push_back(0);
      bytes.push_back(uint8_t(value));
    }
    return bytes;
  }

  static std::vector<uint8_t> Text(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

  float working[kKernelFloats];
  std::vector<std::string> names;
};

std::string FilterBytes(const char* filter) {
  std::string bytes;
  while (*filter != 0) {
    bytes += filter;
    bytes += '|';
    filter += std::char_traits<char>::length(filter) + 1;
  }
  return bytes;
}

TEST_F(KernelFileActionsTest, DialogsAreShownAsTheButtonsDescribeThem) {
  SetNextFileChoice(nullptr);
  EXPECT_FALSE(LoadKernelFileAction(working));
  const FileDialogRecord& open = LastFileDialog();
  EXPECT_FALSE(open.save);
  EXPECT_EQ(FilterBytes(open.request.filter),
            "Kernels (*.ACF,*.TXT)|*.acf;*.txt|Adobe Custom Filter (*.ACF)|*.acf|Text File (*.TXT)|*.txt|");
  EXPECT_STREQ(open.request.title, "Open Kernel file...");
  EXPECT_EQ(open.request.flags, 0x1004u);
  EXPECT_STREQ(open.request.defaultExtension, "act");
  EXPECT_STREQ(open.initialName, "");

  SaveKernelFileAction(working);
  const FileDialogRecord& save = LastFileDialog();
  EXPECT_TRUE(save.save);
  EXPECT_EQ(FilterBytes(save.request.filter), "Text Files (*.TXT)|*.txt|");
  EXPECT_STREQ(save.request.title, "Save Kernel As...");
  EXPECT_EQ(save.request.flags, 0x10002u);
  EXPECT_STREQ(save.request.defaultExtension, "txt");
  EXPECT_STREQ(save.initialName, "Kernel.txt");
}

TEST_F(KernelFileActionsTest, SavedGridLoadsBackWithAutoscaleOn) {
  for (int i = 0; i < kCoefficientCount; ++i) working[i] = i == 24 ? 1.0f : 0.0f;
  names.push_back("c:\\TkRoundTrip.txt");
  SetNextFileChoice("c:\\TkRoundTrip.txt");
  SaveKernelFileAction(working);
  std::vector<float> saved(working, working + kCoefficientCount);
  for (int i = 0; i < kCoefficientCount; ++i) working[i] = 3.0f;
  working[kSixteenBitSlot] = 1.0f;
  ASSERT_TRUE(Load("c:\\TkRoundTrip.txt"));
  EXPECT_EQ(std::vector<float>(working, working + kCoefficientCount), saved);
  EXPECT_EQ(working[kScaleFactorSlot], 1.0f);
  EXPECT_EQ(working[kOffsetSlot], 0.0f);
  EXPECT_EQ(working[kAutoscaleSlot], 1.0f);
  EXPECT_EQ(working[kSixteenBitSlot], 1.0f);

  // A cancelled save writes nothing.
  RemoveFile(FixedPath("c:\\TkRoundTrip.txt"));
  SetNextFileChoice(nullptr);
  SaveKernelFileAction(working);
  EXPECT_FALSE(FileExists(FixedPath("c:\\TkRoundTrip.txt")));
}

// Only the extension's first character chooses the reader, and only "a"
// turns autoscale off.
TEST_F(KernelFileActionsTest, ExtensionInitialChoosesReaderAndAutoscale) {
  std::filesystem::create_directories(FixedPath("c:\\Tk.d"));  // a point in a directory is no extension
  struct Case {
    const char* name;
    bool acf;
    float autoscale;
  };
  for (const Case& c : {Case{"c:\\TkK.tab", false, 1.0f}, Case{"c:\\TkK.TXT", false, 1.0f},
                        Case{"c:\\TkK.kernel", true, 1.0f}, Case{"c:\\TkK.dat", true, 1.0f},
                        Case{"c:\\TkK.abc", true, 0.0f}, Case{"c:\\TkK.ACF", true, 0.0f},
                        Case{"c:\\Tk.d\\TkNoExtension", true, 1.0f}}) {
    ResetWorking();
    Place(c.name, c.acf ? Acf() : Text("1\t2\t3\r\n4\t5\t6\r\n7\t8\t9\r\n"));
    ASSERT_TRUE(Load(c.name)) << c.name;
    EXPECT_EQ(working[kAutoscaleSlot], c.autoscale) << c.name;
    if (c.acf) {
      EXPECT_EQ(working[8], 1.0f) << c.name;
      EXPECT_EQ(working[kScaleFactorSlot], 9.0f) << c.name;
      EXPECT_EQ(working[kOffsetSlot], 10.0f) << c.name;
    } else {
      EXPECT_EQ(working[16], 1.0f) << c.name;
      EXPECT_EQ(working[23], 2.0f) << c.name;  // transposed
      EXPECT_EQ(working[kScaleFactorSlot], 1.0f) << c.name;
    }
    EXPECT_EQ(working[0], 0.0f) << c.name;
  }
  std::filesystem::remove_all(FixedPath("c:\\Tk.d"));
}

// A name without an extension is read as Adobe Custom Filter data, whatever
// its first character.
TEST_F(KernelFileActionsTest, NameWithoutExtensionIsNoTextKernel) {
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(FixedRoot());
  WriteBytes("tkernel", Acf());
  const bool loaded = Load("tkernel");
  std::filesystem::remove("tkernel");
  std::filesystem::current_path(previous);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(working[kScaleFactorSlot], 9.0f);
  EXPECT_EQ(working[kAutoscaleSlot], 1.0f);
}

TEST_F(KernelFileActionsTest, FailedLoadsLeaveTheWorkingKernelAlone) {
  const std::vector<float> before(working, working + kKernelFloats);
  SetNextFileChoice(nullptr);
  EXPECT_FALSE(LoadKernelFileAction(working));
  EXPECT_FALSE(LoadKernelFileAction(working));  // no answer given
  EXPECT_FALSE(Load("c:\\TkMissing.acf"));
  std::vector<uint8_t> shortAcf = Acf();
  shortAcf.resize(40);
  EXPECT_FALSE(Load(Place("c:\\TkShort.acf", shortAcf)));
  EXPECT_FALSE(Load(Place("c:\\TkSingle.txt", Text("1\r\n2\r\n"))));
  EXPECT_FALSE(Load(std::string(300, 'x') + ".txt"));  // longer than the dialog's path buffer
  EXPECT_EQ(std::vector<float>(working, working + kKernelFloats), before);
}

}  // namespace
