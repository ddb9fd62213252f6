// Blocks and the plug-in's two-word handles, including allocation failures.
#include <gtest/gtest.h>

#include <cstring>

#include "contract/Memory.h"
#include "contract/ResultCodes.h"
#include "platform/Platform.h"
#include "tests/support/TestSupport.h"

namespace {

bool AllZero(const void* block, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(block);
  for (size_t i = 0; i < size; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

TEST(MemoryTest, BlocksAreZeroFilledEvenWhenMemoryIsReused) {
  for (int round = 0; round < 3; ++round) {
    void* block = NewBlock(4096);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(AllZero(block, 4096)) << round;
    std::memset(block, 0xAB, 4096);
    DisposeBlock(block);
  }
  void* cleared = NewClearedBlock(100);
  ASSERT_NE(cleared, nullptr);
  EXPECT_TRUE(AllZero(cleared, 100));
  DisposeBlock(cleared);
  DisposeBlock(nullptr);  // ignored
  // An empty request still gets an address on every platform.
  void* empty = NewBlock(0);
  EXPECT_NE(empty, nullptr);
  DisposeBlock(empty);
}

TEST(MemoryTest, PluginHandleHoldsTheDataAddressThenTheTag) {
  LiveCounts before = CurrentLiveCounts();
  lastMemError = 1;
  PluginHandle* handle = NewPluginHandle(10);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(lastMemError, noErr);
  EXPECT_EQ(handle->tag, FourCC("FOTO"));
  // Shaped like a host handle: one dereference reaches the data.
  Handle asHandle = reinterpret_cast<Handle>(handle);
  EXPECT_EQ(static_cast<void*>(*asHandle), handle->data);
  EXPECT_TRUE(AllZero(handle->data, 10));
  EXPECT_EQ(offsetof(PluginHandle, tag), sizeof(void*));
  lastMemError = 1;
  DisposePluginHandle(handle);
  EXPECT_EQ(lastMemError, noErr);
  EXPECT_EQ(CurrentLiveCounts(), before);

  PluginHandle* empty = NewPluginHandle(0);
  ASSERT_NE(empty, nullptr);
  DisposePluginHandle(empty);

  DisposePluginHandle(nullptr);
  EXPECT_EQ(lastMemError, nilHandleErr);
}

TEST(MemoryTest, FailedPluginHandleReportsMemFullAndLeavesNothingBehind) {
  LiveCounts before = CurrentLiveCounts();
  for (int failing : {0, 1}) {  // the two-word block, then the data block
    PlatformFailAfter(PlatformService::allocBlock, failing);
    EXPECT_EQ(NewPluginHandle(64), nullptr) << failing;
    EXPECT_EQ(lastMemError, memFullErr);
    EXPECT_EQ(CurrentLiveCounts(), before) << failing;
  }
  PlatformFailAfter(PlatformService::allocBlock, 0);
  EXPECT_EQ(NewText(kTextBufferSize), nullptr);
  char* text = NewText(kTextBufferSize);  // one injected failure only
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(AllZero(text, kTextBufferSize));
  DisposeText(text);
  EXPECT_EQ(CurrentLiveCounts(), before);
}

}  // namespace
