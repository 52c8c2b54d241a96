// Global memory blocks: locking counts, freeing while locked, and stale or
// doubly freed handles refused rather than followed.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/GlobalMemory.h"

namespace platform {
namespace {

TEST(GlobalMemory, LockUnlockFreeAndStaleHandles) {
  const GlobalHandle handle = GlobalAlloc(kGmemMoveable | kGmemZeroInit, 100);
  ASSERT_NE(handle, 0u);
  EXPECT_EQ(GlobalSize(handle), 100u);
  auto* first = static_cast<uint8_t*>(GlobalLock(handle));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first[99], 0);
  first[5] = 42;
  auto* second = static_cast<uint8_t*>(GlobalLock(handle));
  EXPECT_EQ(second, first);
  EXPECT_TRUE(GlobalUnlock(handle));   // one lock left
  EXPECT_FALSE(GlobalUnlock(handle));  // now unlocked
  EXPECT_FALSE(GlobalUnlock(handle));  // not locked at all
  EXPECT_EQ(static_cast<uint8_t*>(GlobalLock(handle))[5], 42);
  EXPECT_EQ(GlobalFree(handle), 0u);  // freeing a locked block is allowed
  EXPECT_EQ(GlobalLock(handle), nullptr);
  EXPECT_EQ(GlobalSize(handle), 0u);
  EXPECT_EQ(GlobalFree(handle), handle);  // double free is refused
  EXPECT_EQ(GlobalLock(0), nullptr);
  EXPECT_EQ(GlobalFree(0), 0u);
}

TEST(GlobalMemory, HandlesAreNotReusedAndHugeRequestsFail) {
  const GlobalHandle a = GlobalAlloc(kGmemFixed, 0);
  ASSERT_NE(a, 0u);
  ASSERT_NE(GlobalLock(a), nullptr);
  GlobalFree(a);
  const GlobalHandle b = GlobalAlloc(kGmemFixed, 0);
  EXPECT_NE(a, b);
  GlobalFree(b);
  EXPECT_EQ(GlobalAlloc(kGmemMoveable, kMaxGlobalBlock + 1), 0u);
}

}  // namespace
}  // namespace platform
