#include "platform/rtl/HandleTable.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/LastError.h"

namespace {

TEST(HandleTable, AReusedSlotGetsANewGenerationAndTheOldHandleFails) {
  THandleTable table(3);
  int a = 0, b = 0;
  const std::uintptr_t ha = table.Add(&a);
  ASSERT_NE(ha, 0u);
  EXPECT_EQ(table.Find(ha), &a);
  EXPECT_EQ(table.Remove(ha), &a);
  const std::uintptr_t hb = table.Add(&b);  // the only free slot: the same one
  EXPECT_NE(hb, ha);
  EXPECT_EQ(hb & 0xFFFF, ha & 0xFFFF);
  EXPECT_EQ(table.Find(ha), nullptr);
  EXPECT_EQ(table.Remove(ha), nullptr);
  EXPECT_EQ(table.Find(hb), &b);
  EXPECT_EQ(table.Count(), 1u);
}

TEST(HandleTable, HandlesOfAnotherKindOrNoHandleAreRefused) {
  THandleTable windows(1), menus(2);
  int x = 0;
  const std::uintptr_t h = windows.Add(&x);
  EXPECT_EQ(menus.Find(h), nullptr);
  EXPECT_EQ(menus.Remove(h), nullptr);
  EXPECT_EQ(windows.Find(0), nullptr);
  EXPECT_EQ(windows.Find(reinterpret_cast<std::uintptr_t>(&x)), nullptr);  // an address is no handle
  EXPECT_EQ(windows.Find(h), &x);
  EXPECT_EQ(windows.Add(nullptr), 0u);
}

TEST(HandleTable, TheSlotFreedLongestAgoIsReusedFirst) {
  THandleTable table(2);
  int objects[3] = {};
  std::uintptr_t h[3];
  for (int i = 0; i < 3; ++i) h[i] = table.Add(&objects[i]);
  table.Remove(h[2]);
  table.Remove(h[0]);
  int next = 0;
  EXPECT_EQ(table.Add(&next) & 0xFFFF, h[2] & 0xFFFF);
}

TEST(HandleTable, HandlesStayDistinctOverManyReusesOfOneSlot) {
  THandleTable table(6);
  int x = 0;
  const std::uintptr_t first = table.Add(&x);
  table.Remove(first);
  for (int i = 1; i < 4095; ++i) {
    const std::uintptr_t h = table.Add(&x);
    ASSERT_NE(h, first) << i;
    table.Remove(h);
  }
}

TEST(HandleTable, AFullTableRefusesInsteadOfWrapping) {
  THandleTable table(7);
  int x = 0;
  for (unsigned i = 0; i < THandleTable::kMaxSlots; ++i) ASSERT_NE(table.Add(&x), 0u);
  EXPECT_EQ(table.Add(&x), 0u);
}

struct TCounted : THandleObject {
  explicit TCounted(int* alive) : alive_(alive) { ++*alive_; }
  ~TCounted() override { --*alive_; }
  int* alive_;
};

TEST(KernelHandles, AClosedHandleNeverClosesTheNextObject) {
  int alive = 0;
  HANDLE first = RegisterHandle(std::make_unique<TCounted>(&alive));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(CloseHandle(first), 1);
  HANDLE second = RegisterHandle(std::make_unique<TCounted>(&alive));
  EXPECT_NE(second, first);
  SetLastError(0);
  EXPECT_EQ(CloseHandle(first), 0);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(alive, 1);
  EXPECT_NE(HandleObject(second), nullptr);
  EXPECT_EQ(HandleObject(first), nullptr);
  EXPECT_EQ(CloseHandle(second), 1);
  EXPECT_EQ(alive, 0);
}

}  // namespace
