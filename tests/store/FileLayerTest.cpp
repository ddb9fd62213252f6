// The file layer's result codes for missing, read-only, held-open and
// directory paths, reads at the end, seeks, creates, deletes and appends.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "contract/ResultCodes.h"
#include "platform/Platform.h"
#include "store/FileLayer.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kFile = "c:\\tkLayer.bin";
constexpr const char* kDirectory = "c:\\tkLayerDir";

class FileLayerTest : public FixedFilesTest {
 protected:
  void SetUp() override {
    FixedFilesTest::SetUp();
    Clean();
  }
  void TearDown() override {
    Clean();
    FixedFilesTest::TearDown();
  }
  static void Clean() {
    std::error_code ignored;
    if (fs::exists(FixedPath(kFile), ignored)) fs::permissions(FixedPath(kFile), fs::perms::owner_all, ignored);
    fs::remove(FixedPath(kFile), ignored);
    fs::remove_all(FixedPath(kDirectory), ignored);
  }
  static void MakeReadOnly(const char* name) {
    fs::permissions(FixedPath(name), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  }
  // Windows refuses to write a read-only file; Wine run by a privileged user
  // does not, and then there is nothing to test.
  static bool PlatformKeepsReadOnly(const char* name) {
#if defined(_WIN32)
    std::FILE* probe = std::fopen(FixedPath(name).c_str(), "r+b");
    if (probe != nullptr) std::fclose(probe);
    return probe == nullptr;
#else
    (void)name;
    return true;  // the platform layer keeps it whoever runs the test
#endif
  }
  static std::string Content(const char* name) {
    std::vector<uint8_t> bytes = ReadBytes(FixedPath(name));
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(FileLayerTest, OpenReportsMissingPathsAndDirectories) {
  FileRef file = 99;
  EXPECT_EQ(FileOpen(kFile, &file), fnfErr);
  EXPECT_EQ(file, kNoFile);
  file = 99;
  EXPECT_EQ(FileOpen("c:\\tkNoSuchDir\\x.bin", &file), ioErr);  // the path, not the file, is missing
  EXPECT_EQ(file, kNoFile);
  fs::create_directory(FixedPath(kDirectory));
  EXPECT_EQ(FileOpen(kDirectory, &file), wrPermErr);
  EXPECT_EQ(file, kNoFile);
}

TEST_F(FileLayerTest, ReadOnlyFileOpensForReadingOnly) {
  WriteString(FixedPath(kFile), "abc");
  MakeReadOnly(kFile);
  if (!PlatformKeepsReadOnly(kFile)) GTEST_SKIP() << "this user may write read-only files";
  FileRef file = kNoFile;
  ASSERT_EQ(FileOpen(kFile, &file), noErr);
  ASSERT_NE(file, kNoFile);
  int32_t count = 3;
  EXPECT_EQ(FileWrite(file, &count, "xyz"), ioErr);
  EXPECT_EQ(count, 0);
  char buffer[8] = {};
  count = 8;
  EXPECT_EQ(FileRead(file, &count, buffer), noErr);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(std::string(buffer, 3), "abc");
  EXPECT_EQ(FileClose(file), noErr);
  EXPECT_EQ(Content(kFile), "abc");
}

TEST_F(FileLayerTest, AnOpenFileIsHeldAgainstOpeningCreatingAndDeleting) {
  WriteString(FixedPath(kFile), "held");
  FileRef first = kNoFile;
  ASSERT_EQ(FileOpen(kFile, &first), noErr);
  FileRef second = 99;
  EXPECT_EQ(FileOpen(kFile, &second), ioErr);
  EXPECT_EQ(second, kNoFile);
  EXPECT_EQ(FileCreate(kFile, FourCC("CREA"), FourCC("TYPE")), opWrErr);
  EXPECT_EQ(FileDelete(kFile), fLckdErr);
  EXPECT_EQ(FileClose(first), noErr);
  EXPECT_EQ(Content(kFile), "held");
  EXPECT_EQ(FileOpen(kFile, &second), noErr);
  EXPECT_EQ(FileClose(second), noErr);
  EXPECT_EQ(FileClose(second), rfNumErr);  // already closed
}

TEST_F(FileLayerTest, ReadsAndWritesCountWhatWasDoneAndTheEndIsNoError) {
  ASSERT_EQ(FileCreate(kFile, FourCC("ttxt"), FourCC("TEXT")), noErr);
  FileRef file = kNoFile;
  ASSERT_EQ(FileOpen(kFile, &file), noErr);
  int32_t count = 10;
  EXPECT_EQ(FileWrite(file, &count, "0123456789"), noErr);
  EXPECT_EQ(count, 10);
  EXPECT_EQ(FileSeek(file, seekFromStart, 0), noErr);
  char buffer[32] = {};
  count = 32;
  EXPECT_EQ(FileRead(file, &count, buffer), noErr);
  EXPECT_EQ(count, 10);
  count = 32;
  EXPECT_EQ(FileRead(file, &count, buffer), noErr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(FileClose(file), noErr);
}

TEST_F(FileLayerTest, SeekModesCountFromStartEndAndCurrentPosition) {
  WriteString(FixedPath(kFile), "0123456789");
  FileRef file = kNoFile;
  ASSERT_EQ(FileOpen(kFile, &file), noErr);
  auto next = [&] {
    char c = 0;
    int32_t count = 1;
    FileRead(file, &count, &c);
    return count == 1 ? c : '?';
  };
  EXPECT_EQ(FileSeek(file, seekFromStart, 3), noErr);
  EXPECT_EQ(next(), '3');
  EXPECT_EQ(FileSeek(file, seekNone, 7), noErr);  // position untouched
  EXPECT_EQ(next(), '4');
  EXPECT_EQ(FileSeek(file, seekFromCurrent, 2), noErr);
  EXPECT_EQ(next(), '7');
  EXPECT_EQ(FileSeek(file, seekFromEnd, -2), noErr);
  EXPECT_EQ(next(), '8');
  EXPECT_EQ(FileSeek(file, seekFromStart, -1), posErr);
  EXPECT_EQ(FileSeek(file, seekFromCurrent, -100), posErr);
  EXPECT_EQ(FileClose(file), noErr);
  EXPECT_EQ(FileSeek(kNoFile, seekFromStart, 0), rfNumErr);
  EXPECT_EQ(FileSeek(kNoFile, seekNone, 0), noErr);
}

TEST_F(FileLayerTest, CreateTruncatesAndRefusesReadOnlyFilesAndDirectories) {
  WriteString(FixedPath(kFile), "old content");
  EXPECT_EQ(FileCreate(kFile, FourCC("CREA"), FourCC("TYPE")), noErr);
  EXPECT_TRUE(FileExists(FixedPath(kFile)));
  EXPECT_EQ(Content(kFile), "");
  EXPECT_EQ(FileCreate("c:\\tkNoSuchDir\\x.bin", 0, 0), fnfErr);
  fs::create_directory(FixedPath(kDirectory));
  EXPECT_EQ(FileCreate(kDirectory, 0, 0), opWrErr);
  WriteString(FixedPath(kFile), "kept");
  MakeReadOnly(kFile);
  if (!PlatformKeepsReadOnly(kFile)) GTEST_SKIP() << "this user may write read-only files";
  EXPECT_EQ(FileCreate(kFile, 0, 0), opWrErr);
  EXPECT_EQ(Content(kFile), "kept");
}

TEST_F(FileLayerTest, DeleteReportsMissingAndLockedFiles) {
  WriteString(FixedPath(kFile), "x");
  EXPECT_EQ(FileDelete(kFile), noErr);
  EXPECT_FALSE(FileExists(FixedPath(kFile)));
  EXPECT_EQ(FileDelete(kFile), fnfErr);
  WriteString(FixedPath(kFile), "x");
  MakeReadOnly(kFile);
  EXPECT_EQ(FileDelete(kFile), fLckdErr);
  EXPECT_TRUE(FileExists(FixedPath(kFile)));
  fs::create_directory(FixedPath(kDirectory));
  EXPECT_EQ(FileDelete(kDirectory), fLckdErr);
  EXPECT_TRUE(fs::is_directory(FixedPath(kDirectory)));
}

TEST_F(FileLayerTest, OpenForAppendCountsCarriageReturnsAcrossReadsAndEndsAtTheEnd) {
  int32_t lines = 7;
  FileRef file = 99;
  EXPECT_EQ(OpenForAppend(kFile, &file, &lines), fnfErr);
  EXPECT_EQ(lines, 0);
  EXPECT_EQ(file, kNoFile);

  WriteString(FixedPath(kFile), "one\r\ntwo\r\nthree\r\n");
  ASSERT_EQ(OpenForAppend(kFile, &file, &lines), noErr);
  EXPECT_EQ(lines, 3);
  int32_t count = 4;
  EXPECT_EQ(FileWrite(file, &count, "four"), noErr);
  EXPECT_EQ(FileClose(file), noErr);
  EXPECT_EQ(Content(kFile), "one\r\ntwo\r\nthree\r\nfour");

  // Longer than one 32768-byte read, with carriage returns on both sides of the seam.
  std::string text(70000, 'a');
  for (size_t i = 9; i < text.size(); i += 10) text[i] = '\r';
  text[32767] = text[32768] = '\r';
  WriteString(FixedPath(kFile), text);
  ASSERT_EQ(OpenForAppend(kFile, &file, &lines), noErr);
  EXPECT_EQ(lines, 7000 + 2);
  EXPECT_EQ(FileClose(file), noErr);

  // Without memory to count in, appending still starts at the end.
  WriteString(FixedPath(kFile), "old\r\n");
  PlatformFailAfter(PlatformService::allocBlock, 0);
  ASSERT_EQ(OpenForAppend(kFile, &file, &lines), noErr);
  PlatformFailAfter(PlatformService::allocBlock, -1);
  count = 3;
  EXPECT_EQ(FileWrite(file, &count, "new"), noErr);
  EXPECT_EQ(FileClose(file), noErr);
  EXPECT_EQ(Content(kFile), "old\r\nnew");
}

}  // namespace
