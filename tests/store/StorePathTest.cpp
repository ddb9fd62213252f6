// The store directory file moves fixed names out of "c:\", exactly as its
// bytes stand, and never past the 514-byte buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "contract/Memory.h"
#include "contract/ResultCodes.h"
#include "store/FileLayer.h"
#include "store/StorePath.h"
#include "tests/support/TestSupport.h"

namespace {

class StorePathTest : public FixedFilesTest {
 protected:
  static void SetDirectoryText(const std::string& text) { WriteString(FixedPath("c:\\MORVPath.TXT"), text); }

  // Resolves `name` in a 514-byte buffer followed by guard bytes that must survive.
  static std::string Resolve(const char* name) {
    char buffer[kTextBufferSize + 16];
    std::memset(buffer, '#', sizeof buffer);
    std::strcpy(buffer, name);
    ResolveStorePath(buffer);
    for (size_t i = kTextBufferSize; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << "written past the buffer";
    const auto* end = static_cast<const char*>(std::memchr(buffer, 0, kTextBufferSize));
    EXPECT_NE(end, nullptr) << "no terminator";
    return std::string(buffer, end != nullptr ? size_t(end - buffer) : kTextBufferSize);
  }
};

TEST_F(StorePathTest, WithoutADirectoryFileNamesStayInTheRoot) {
  EXPECT_EQ(Resolve("c:\\MORVpref.xxx"), "c:\\MORVpref.xxx");
  ResolveStorePath(nullptr);
}

TEST_F(StorePathTest, DirectoryTextIsUsedExactlyAsItStands) {
  SetDirectoryText("d:\\work\\");
  EXPECT_EQ(Resolve("c:\\MORVpref.xxx"), "d:\\work\\MORVpref.xxx");
  SetDirectoryText("d:\\work\\\r\n");
  EXPECT_EQ(Resolve("c:\\MORVpref.xxx"), "d:\\work\\\r\nMORVpref.xxx");
  SetDirectoryText("");
  EXPECT_EQ(Resolve("c:\\BackingS.xxx"), "BackingS.xxx");
  SetDirectoryText("e:\\other\\");  // read on every call, never cached
  EXPECT_EQ(Resolve("c:\\MaskImag.xxx"), "e:\\other\\MaskImag.xxx");
}

TEST_F(StorePathTest, AJoinedNameTooLongForTheBufferIsRefused) {
  const std::string name = "c:\\MORVpref.xxx";  // 12 characters after the drive prefix
  std::string fits(kTextBufferSize - 1 - 12, 'd');
  SetDirectoryText(fits);
  EXPECT_EQ(Resolve(name.c_str()), fits + "MORVpref.xxx");
  SetDirectoryText(fits + "d");
  EXPECT_EQ(Resolve(name.c_str()), name);
  SetDirectoryText(std::string(2000, 'd'));  // more than one buffer of text
  EXPECT_EQ(Resolve(name.c_str()), name);
}

TEST_F(StorePathTest, ADirectoryFileThatCannotBeOpenedIsIgnored) {
  SetDirectoryText("d:\\work\\");
  FileRef holder = kNoFile;
  ASSERT_EQ(FileOpen("c:\\MORVPath.TXT", &holder), noErr);  // opened without sharing
  EXPECT_EQ(Resolve("c:\\OpacityS.xxx"), "c:\\OpacityS.xxx");
  FileClose(holder);
  EXPECT_EQ(Resolve("c:\\OpacityS.xxx"), "d:\\work\\OpacityS.xxx");
}

}  // namespace
