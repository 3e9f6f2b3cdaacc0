#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

HGLOBAL TextHandle(const char* s) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, std::strlen(s) + 1);
  std::memcpy(GlobalLock(h), s, std::strlen(s) + 1);
  GlobalUnlock(h);
  return h;
}

std::string ReadHandle(HANDLE h) {
  const char* p = static_cast<const char*>(GlobalLock(h));
  std::string s = p ? p : "<dead>";
  if (p) GlobalUnlock(h);
  return s;
}

class ClipboardTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
  }
  void TearDown() override {
    if (GetOpenClipboardWindow()) CloseClipboard();
    WindowTest::TearDown();
  }
};

TEST_F(ClipboardTest, TextRoundTripInBothTextFormats) {
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  ASSERT_TRUE(OpenClipboard(a));
  ASSERT_TRUE(EmptyClipboard());
  HGLOBAL h = TextHandle("打开图片 ok");
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, h), h);
  ASSERT_TRUE(CloseClipboard());

  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_EQ(CountClipboardFormats(), 2);
  EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);  // closed
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE t = GetClipboardData(CF_TEXT);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(ReadHandle(t), "打开图片 ok");
  EXPECT_EQ(GetClipboardData(CF_TEXT), t);  // the clipboard keeps owning it
  EXPECT_EQ(ReadHandle(GetClipboardData(CF_UNICODETEXT)), "打开图片 ok");
  EXPECT_EQ(EnumClipboardFormats(0), CF_TEXT);
  EXPECT_EQ(EnumClipboardFormats(CF_TEXT), CF_UNICODETEXT);
  EXPECT_EQ(EnumClipboardFormats(CF_UNICODETEXT), 0u);
  CloseClipboard();
}

TEST_F(ClipboardTest, OwnershipOpeningAndEmptying) {
  HWND a = Make("a", WS_POPUP, 0, 0, 10, 10);
  HWND b = Make("b", WS_POPUP, 0, 0, 10, 10);
  EXPECT_FALSE(EmptyClipboard());  // not open
  EXPECT_EQ(SetClipboardData(CF_TEXT, TextHandle("x")), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
  ASSERT_TRUE(OpenClipboard(a));
  EXPECT_TRUE(OpenClipboard(a));  // again by the same window
  EXPECT_FALSE(OpenClipboard(b));
  EXPECT_EQ(GetOpenClipboardWindow(), a);
  EmptyClipboard();
  EXPECT_EQ(GetClipboardOwner(), a);
  SetClipboardData(CF_TEXT, TextHandle("from a"));
  CloseClipboard();

  ClearLog();
  ASSERT_TRUE(OpenClipboard(b));
  EmptyClipboard();
  EXPECT_EQ(TRecorder::Get().Of(a, WM_DESTROYCLIPBOARD).size(), 1u);
  EXPECT_EQ(GetClipboardOwner(), b);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(CountClipboardFormats(), 0);
  SetClipboardData(CF_TEXT, TextHandle("from b"));
  CloseClipboard();

  // The data outlives its owner; the owner does not.
  DestroyWindow(b);
  EXPECT_EQ(GetClipboardOwner(), nullptr);
  ASSERT_TRUE(OpenClipboard(a));
  EXPECT_EQ(ReadHandle(GetClipboardData(CF_TEXT)), "from b");
  // An opener destroyed while the clipboard is open closes it.
  DestroyWindow(a);
  EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
  EXPECT_TRUE(OpenClipboard(nullptr));
  CloseClipboard();
}

TEST_F(ClipboardTest, HandlesFreedByTheirFormerOwnerAreNotTouched) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL text = TextHandle("kept");
  HGLOBAL other = GlobalAlloc(GMEM_MOVEABLE, 16);
  const UINT custom = 0xC123;
  SetClipboardData(CF_TEXT, text);
  SetClipboardData(custom, other);
  // Wrongly freed by the program: the clipboard notices instead of reusing it.
  EXPECT_EQ(GlobalFree(text), nullptr);
  HANDLE t = GetClipboardData(CF_TEXT);
  EXPECT_EQ(ReadHandle(t), "kept");
  EXPECT_EQ(GetClipboardData(custom), other);
  EXPECT_EQ(CountClipboardFormats(), 3);
  EXPECT_EQ(SetClipboardData(CF_TEXT, text), nullptr);  // dead handle refused
  EmptyClipboard();  // frees `other` and the clipboard's own text handle
  EXPECT_EQ(GlobalFlags(other), GMEM_INVALID_HANDLE);
  EXPECT_EQ(GlobalFlags(t), GMEM_INVALID_HANDLE);
  CloseClipboard();
}

TEST(GlobalMemory, LockCountsSizesAndDeadHandles) {
  HGLOBAL h = GlobalAlloc(GHND, 10);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 10u);
  auto* p = static_cast<Byte*>(GlobalLock(h));
  ASSERT_NE(p, nullptr);
  EXPECT_NE(static_cast<void*>(p), h);
  EXPECT_EQ(p[9], 0);  // zeroed
  EXPECT_EQ(GlobalLock(h), p);
  EXPECT_EQ(GlobalFlags(h), 2u);
  EXPECT_EQ(GlobalHandle(p), h);
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));  // not locked any more
  p = static_cast<Byte*>(GlobalLock(h));
  p[0] = 42;
  GlobalUnlock(h);
  ASSERT_EQ(GlobalReAlloc(h, 4000, GMEM_ZEROINIT), h);
  p = static_cast<Byte*>(GlobalLock(h));
  EXPECT_EQ(p[0], 42);
  EXPECT_EQ(p[3999], 0);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalFree(h), h);  // second free refused
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalSize(h), 0u);

  // A fixed block's handle is its memory.
  HGLOBAL f = GlobalAlloc(GPTR, 8);
  EXPECT_EQ(GlobalLock(f), f);
  EXPECT_EQ(static_cast<Byte*>(f)[7], 0);
  EXPECT_EQ(GlobalReAlloc(f, 64, 0), nullptr);  // cannot move
  EXPECT_EQ(GlobalFree(f), nullptr);
}

}  // namespace
