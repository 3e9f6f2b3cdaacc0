#include <gtest/gtest.h>

#include "tests/platform/user/WindowTestSupport.h"

namespace {

TEST_F(WindowTest, CaretShowAndHideAreCounted) {
  HWND w = Make("w", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND other = Make("o", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100);
  EXPECT_FALSE(ShowCaret(w));  // no caret yet
  ASSERT_TRUE(CreateCaret(w, nullptr, 2, 14));
  EXPECT_FALSE(ShowCaret(other));
  EXPECT_TRUE(HideCaret(w));
  EXPECT_TRUE(HideCaret(nullptr));
  EXPECT_TRUE(SetCaretPos(5, 7));
  POINT p{};
  ASSERT_TRUE(GetCaretPos(&p));
  EXPECT_EQ(p, Point(5, 7));
  EXPECT_TRUE(DestroyCaret());
  EXPECT_FALSE(DestroyCaret());
  EXPECT_FALSE(GetCaretPos(&p));
}

TEST_F(WindowTest, CaretGoesAwayWithItsWindow) {
  HWND p = Make("p", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
  HWND c = Make("c", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, p);
  ASSERT_TRUE(CreateCaret(c, reinterpret_cast<HBITMAP>(1), 0, 10));
  ASSERT_TRUE(ShowCaret(c));
  DestroyWindow(c);
  POINT pt;
  EXPECT_FALSE(GetCaretPos(&pt));
  EXPECT_FALSE(ShowCaret(nullptr));
  EXPECT_FALSE(SetCaretPos(1, 1));
  // A new window at the same address does not inherit it.
  HWND again = Make("again", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, p);
  EXPECT_FALSE(HideCaret(again));
  clock.Advance(2000);
  Pump();
}

TEST_F(WindowTest, CaretBlinkTime) {
  EXPECT_EQ(GetCaretBlinkTime(), 530u);
  EXPECT_TRUE(SetCaretBlinkTime(250));
  EXPECT_EQ(GetCaretBlinkTime(), 250u);
  EXPECT_FALSE(SetCaretBlinkTime(0));
  EXPECT_TRUE(SetCaretBlinkTime(530));
}

}  // namespace
