// Mapped image stores: header, rows, clipping, the fixed files, and the
// failures of mapping and allocation.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "contract/ResultCodes.h"
#include "platform/Platform.h"
#include "store/FileLayer.h"
#include "store/ImageStore.h"
#include "tests/support/TestSupport.h"

namespace {

class ImageStoreTest : public FixedFilesTest {
 protected:
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(FixedPath("c:\\tkStores"), ignored);
    RemoveFile(FixedPath("c:\\tkFileStore.xxx"));
    FixedFilesTest::TearDown();
  }
  static std::vector<uint8_t> ReadRow(const ImageStore* store, int32_t x, int32_t row, int32_t count,
                                      uint8_t filler = 0x5A) {
    std::vector<uint8_t> bytes(size_t(count > 0 ? count : 0) + 8, filler);
    ReadStoreRow(store, x, row, count, bytes.data());
    return bytes;
  }
};

std::vector<uint8_t> Header(const ImageStore* store) { return std::vector<uint8_t>(store->view, store->view + 6); }

TEST_F(ImageStoreTest, NewStoreHasALittleEndianHeaderAndZeroRows) {
  LiveCounts before = CurrentLiveCounts();
  ImageStore* store = nullptr;
  ASSERT_EQ(NewBackingStore(100, 80, 6, &store), noErr);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->rowBytes, 600);
  EXPECT_EQ(store->size, 48006u);
  EXPECT_EQ(store->mapped, 1);
  EXPECT_EQ(store->fileBacked, 0);
  EXPECT_EQ(store->fileHandle, -1);
  EXPECT_EQ(Header(store), (std::vector<uint8_t>{6, 0, 100, 0, 80, 0}));
  for (int32_t row = 0; row < 80; ++row) {
    std::vector<uint8_t> bytes = ReadRow(store, 0, row, 600);
    ASSERT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 600), std::vector<uint8_t>(600, 0)) << row;
  }
  DisposeBackingStore(store);

  ASSERT_EQ(NewMaskStore(300, 258, 1, &store), noErr);
  EXPECT_EQ(Header(store), (std::vector<uint8_t>{1, 0, 0x2C, 0x01, 0x02, 0x01}));
  std::vector<uint8_t> ones(300, 1);
  WriteStoreRow(store, 0, 257, 300, ones.data());
  ClearStore(store);
  EXPECT_EQ(ReadRow(store, 0, 257, 1)[0], 0);
  EXPECT_EQ(Header(store), (std::vector<uint8_t>{1, 0, 0x2C, 0x01, 0x02, 0x01}));
  DisposeMaskStore(store);
  EXPECT_EQ(CurrentLiveCounts(), before);
}

TEST_F(ImageStoreTest, RowCopiesClipAtTheRowEndAndSkipOffsetsOutsideTheStore) {
  ImageStore* store = nullptr;
  ASSERT_EQ(NewOpacityStore(50, 3, 1, &store), noErr);
  std::vector<uint8_t> source(100, 0x11);
  WriteStoreRow(store, 4, 1, 100, source.data());  // 46 bytes fit
  std::vector<uint8_t> row1 = ReadRow(store, 0, 1, 50);
  EXPECT_EQ(std::vector<uint8_t>(row1.begin(), row1.begin() + 4), std::vector<uint8_t>(4, 0));
  EXPECT_EQ(std::vector<uint8_t>(row1.begin() + 4, row1.begin() + 50), std::vector<uint8_t>(46, 0x11));
  EXPECT_EQ(ReadRow(store, 0, 2, 50)[0], 0) << "the next row was touched";

  std::vector<uint8_t> clipped = ReadRow(store, 4, 1, 100, 0x77);
  EXPECT_EQ(clipped[45], 0x11);
  EXPECT_EQ(clipped[46], 0x77);

  std::vector<uint8_t> other(100, 0x22);
  WriteStoreRow(store, -1, 0, 10, other.data());
  WriteStoreRow(store, 0, -1, 10, other.data());
  WriteStoreRow(store, 0, 3, 10, other.data());   // the row behind the last
  WriteStoreRow(store, 50, 0, 10, other.data());  // at the end of the row
  WriteStoreRow(store, 0, 0, 0, other.data());
  WriteStoreRow(store, 0, 0, -5, other.data());
  for (int32_t row = 0; row < 3; ++row) EXPECT_NE(ReadRow(store, 0, row, 50)[0], 0x22) << row;
  for (auto [x, row] : {std::pair{-1, 0}, {0, -1}, {0, 3}, {50, 1}})
    EXPECT_EQ(ReadRow(store, x, row, 10, 0x33), std::vector<uint8_t>(18, 0x33)) << x << "," << row;
  DisposeOpacityStore(store);
}

TEST_F(ImageStoreTest, FilesOfTheResolvedNameAreDeletedOnCreateAndDispose) {
  std::filesystem::create_directory(FixedPath("c:\\tkStores"));
  std::string directory = FixedPath("c:\\tkStores\\");
  WriteString(FixedPath("c:\\MORVPath.TXT"), directory);
  struct Kind {
    const char* name;
    int16_t (*create)(int16_t, int16_t, int16_t, ImageStore**);
    void (*dispose)(ImageStore*);
  };
  for (Kind kind : {Kind{"BackingS.xxx", NewBackingStore, DisposeBackingStore},
                    Kind{"OpacityS.xxx", NewOpacityStore, DisposeOpacityStore},
                    Kind{"MaskImag.xxx", NewMaskStore, DisposeMaskStore}}) {
    std::string path = directory + kind.name;
    WriteString(path, "stale");
    WriteString(FixedPath(std::string("c:\\") + kind.name), "root");
    ImageStore* store = nullptr;
    ASSERT_EQ(kind.create(8, 8, 1, &store), noErr);
    EXPECT_EQ(std::string(store->path), path);
    EXPECT_FALSE(FileExists(path)) << kind.name;
    EXPECT_TRUE(FileExists(FixedPath(std::string("c:\\") + kind.name))) << "only the resolved name is deleted";
    WriteString(path, "recreated");
    kind.dispose(store);
    EXPECT_FALSE(FileExists(path)) << kind.name;
  }
}

TEST_F(ImageStoreTest, AFailedMappingGivesAnErrorAndARecordThatDisposesCleanly) {
  LiveCounts before = CurrentLiveCounts();
  ImageStore* store = nullptr;
  PlatformFailAfter(PlatformService::createMapping, 0);
  EXPECT_EQ(NewOpacityStore(10, 10, 2, &store), ioErr);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->mapped, 0);
  std::vector<uint8_t> source(20, 0x44);
  WriteStoreRow(store, 0, 0, 20, source.data());
  EXPECT_EQ(ReadRow(store, 0, 0, 20, 0x66), std::vector<uint8_t>(28, 0x66));
  DisposeOpacityStore(store);
  EXPECT_EQ(CurrentLiveCounts(), before);
}

TEST_F(ImageStoreTest, AFileBackedStoreFallsBackToItsFileWhenTheMappingFails) {
  ImageStore* store = nullptr;
  PlatformFailAfter(PlatformService::createMapping, 0);
  ASSERT_EQ(NewImageStore("c:\\tkFileStore.xxx", 1, 4, 3, 2, &store), noErr);
  EXPECT_EQ(store->mapped, 0);
  // The store holds its file without sharing: read it through the store's handle.
  std::vector<uint8_t> file(64);
  int32_t count = 64;
  ASSERT_EQ(FileSeek(store->fileHandle, seekFromStart, 0), noErr);
  ASSERT_EQ(FileRead(store->fileHandle, &count, file.data()), noErr);
  ASSERT_EQ(count, 6 + 3 * 8);
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 6), (std::vector<uint8_t>{2, 0, 4, 0, 3, 0}));
  const uint8_t pixels[4] = {'a', 'b', 'c', 'd'};
  WriteStoreRow(store, 2, 2, 4, pixels);
  std::vector<uint8_t> back = ReadRow(store, 2, 2, 10, 0);
  EXPECT_EQ(std::vector<uint8_t>(back.begin(), back.begin() + 6), (std::vector<uint8_t>{'a', 'b', 'c', 'd', 0, 0}));
  DisposeImageStore(store);
  EXPECT_FALSE(FileExists(FixedPath("c:\\tkFileStore.xxx")));

  ASSERT_EQ(NewImageStore("c:\\tkFileStore.xxx", 1, 4, 3, 2, &store), noErr);  // mapped on its file
  EXPECT_EQ(store->mapped, 1);
  EXPECT_TRUE(FileExists(FixedPath("c:\\tkFileStore.xxx")));
  DisposeImageStore(store);
  EXPECT_FALSE(FileExists(FixedPath("c:\\tkFileStore.xxx")));
}

TEST_F(ImageStoreTest, ARecordThatCannotBeAllocatedLeavesANullSlot) {
  ImageStore* store = reinterpret_cast<ImageStore*>(1);
  PlatformFailAfter(PlatformService::allocBlock, 0);
  EXPECT_EQ(NewBackingStore(10, 10, 3, &store), memFullErr);
  EXPECT_EQ(store, nullptr);
}

TEST_F(ImageStoreTest, AStoreBeyondTheAddressSpaceFailsCleanly) {
  if (sizeof(void*) == 8) GTEST_SKIP() << "a 5.4 GB store fits a 64-bit address space";
  LiveCounts before = CurrentLiveCounts();
  ImageStore* store = nullptr;
  EXPECT_NE(NewBackingStore(30000, 30000, 6, &store), noErr);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->size, 30000ull * 30000 * 6 + 6);
  std::vector<uint8_t> row(180000, 1);
  WriteStoreRow(store, 0, 29999, 180000, row.data());
  DisposeBackingStore(store);
  EXPECT_EQ(CurrentLiveCounts(), before);
}

}  // namespace
