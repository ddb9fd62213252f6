// Where the fixed "c:\" names live on POSIX, and a full disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "contract/ResultCodes.h"
#include "store/FileLayer.h"
#include "tests/support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

class FileLayerPosixTest : public FixedFilesTest {
 protected:
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(FixedRoot() + "tkSub", ignored);
    FixedFilesTest::TearDown();
  }
};

TEST_F(FileLayerPosixTest, DriveCIsTheHomeDirectoryAndBackslashesSeparate) {
  fs::create_directory(FixedRoot() + "tkSub");
  ASSERT_EQ(FileCreate("c:\\tkSub\\name.txt", 0, 0), noErr);
  EXPECT_TRUE(fs::exists(FixedRoot() + "tkSub/name.txt"));
  ASSERT_EQ(FileCreate("C:\\tkSub\\upper.txt", 0, 0), noErr);
  EXPECT_TRUE(fs::exists(FixedRoot() + "tkSub/upper.txt"));
  EXPECT_EQ(FileDelete("c:\\tkSub\\name.txt"), noErr);
  EXPECT_FALSE(fs::exists(FixedRoot() + "tkSub/name.txt"));
}

TEST_F(FileLayerPosixTest, WithoutTarkelHomeDriveCIsAPrivateFolderInTheUsersHome) {
  std::string savedHome = std::getenv("TARKEL_HOME");
  const char* userHome = std::getenv("HOME");
  std::string savedUser = userHome != nullptr ? userHome : "";
  std::string home = FixedRoot() + "tkSub";
  fs::create_directory(home);
  unsetenv("TARKEL_HOME");
  setenv("HOME", home.c_str(), 1);
  int16_t code = FileCreate("c:\\tkHome.txt", 0, 0);
  setenv("TARKEL_HOME", savedHome.c_str(), 1);
  if (userHome != nullptr) setenv("HOME", savedUser.c_str(), 1);
  else unsetenv("HOME");
  ASSERT_EQ(code, noErr);
  EXPECT_TRUE(fs::exists(home + "/.tarkel/tkHome.txt"));
  struct stat info {};
  ASSERT_EQ(stat((home + "/.tarkel").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(FileLayerPosixTest, AFullDiskReportsDiskFull) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  FileRef file = kNoFile;
  ASSERT_EQ(FileOpen("/dev/full", &file), noErr);
  int32_t count = 4;
  EXPECT_EQ(FileWrite(file, &count, "full"), dskFulErr);
  EXPECT_EQ(count, 0);
  FileClose(file);
}

}  // namespace
