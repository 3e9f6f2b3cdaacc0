#include "platform/ui/controls/ScrollBarCtrl.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {

class ScrollBarCtrlTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TScrollBar* bar = nullptr;
  std::vector<std::pair<TScrollCode, int>> scrolls;
  int changes = 0;

  void SetUp() override {
    form = NewForm(100, 100, 300, 200);
    form->Show();
    bar = new TScrollBar(form);
    bar->SetParent(form);
    bar->SetBounds(10, 10, 200, 17);
    bar->SetParams(10, 0, 100);
    bar->SmallChange = 2;
    bar->LargeChange = 20;
    bar->OnScroll = [this](TObject*, TScrollCode code, int& pos) { scrolls.emplace_back(code, pos); };
    bar->OnChange = [this](TObject*) { ++changes; };
    s.display.RunUntilIdle();
  }
  void ClickAt(int x) {
    TPoint p = bar->ClientToScreen(TPoint{x, 8});
    s.display.Click(p.X, p.Y);
    s.display.RunUntilIdle();
    s.clock.Advance(1000);
  }
  SCROLLINFO Info() {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(bar->Handle(), SB_CTL, &si);
    return si;
  }
};

TEST_F(ScrollBarCtrlTest, ArrowAndPagePressesMoveThePosition) {
  ClickAt(bar->Width() - 3);  // right arrow
  EXPECT_EQ(bar->Position(), 12);
  ClickAt(2);  // left arrow
  EXPECT_EQ(bar->Position(), 10);
  ClickAt(bar->Width() - 30);  // the page area right of the thumb
  EXPECT_EQ(bar->Position(), 30);
  ASSERT_GE(scrolls.size(), 3u);
  EXPECT_EQ(scrolls[0], (std::pair<TScrollCode, int>{scLineDown, 12}));
  EXPECT_EQ(scrolls[2], (std::pair<TScrollCode, int>{scLineUp, 10}));
  EXPECT_EQ(Info().nPos, 30);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(scrolls.back().first, scEndScroll);
}

TEST_F(ScrollBarCtrlTest, OnScrollMayChangeThePosition) {
  bar->OnScroll = [](TObject*, TScrollCode code, int& pos) {
    if (code == scLineDown) pos = 77;
  };
  ClickAt(bar->Width() - 3);
  EXPECT_EQ(bar->Position(), 77);
  EXPECT_EQ(Info().nPos, 77);
}

TEST_F(ScrollBarCtrlTest, KeysAndThumbRequests) {
  bar->SetFocus();
  struct Case {
    int vk;
    int expect;
  } cases[] = {{VK_RIGHT, 12}, {VK_DOWN, 14}, {VK_LEFT, 12}, {VK_NEXT, 32}, {VK_PRIOR, 12}, {VK_END, 100}, {VK_HOME, 0}};
  for (const Case& c : cases) {
    s.display.KeyPress(c.vk);
    s.display.RunUntilIdle();
    EXPECT_EQ(bar->Position(), c.expect) << c.vk;
  }
  SendMessage(form->Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 60), reinterpret_cast<LPARAM>(bar->Handle()));
  EXPECT_EQ(bar->Position(), 60);
}

TEST_F(ScrollBarCtrlTest, RangeAndPageClampThePosition) {
  bar->SetPageSize(30);
  EXPECT_EQ(bar->MaxPosition(), 71);
  bar->SetPosition(95);
  EXPECT_EQ(bar->Position(), 71);
  EXPECT_EQ(Info().nPage, 30u);
  bar->SetMax(50);
  EXPECT_EQ(bar->Position(), 21);
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
  changes = 0;
  bar->SetPosition(21);
  EXPECT_EQ(changes, 0);
}

TEST_F(ScrollBarCtrlTest, VerticalKindStandsUp) {
  bar->SetKind(sbVertical);
  EXPECT_EQ(bar->Width(), 17);
  EXPECT_EQ(bar->Height(), 200);
  bar->SetHeight(120);  // inside the form's client area
  s.display.RunUntilIdle();
  EXPECT_TRUE(GetWindowLongPtr(bar->Handle(), GWL_STYLE) & SBS_VERT);
  TPoint p = bar->ClientToScreen(TPoint{8, bar->Height() - 3});
  s.display.Click(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(bar->Position(), 12);
}

}  // namespace

namespace {

TEST_F(ScrollBarCtrlTest, DisabledBarGreysItsArrowsAndHasNoThumb) {
  const int arrow = GetSystemMetrics(SM_CXHSCROLL);
  // Pixels of a colour inside [from, to) across, away from the boxes' edges.
  auto count = [&](int from, int to, TColor colour) {
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    int n = 0;
    for (int y = 3; y < bar->Height() - 3; ++y)
      for (int x = from + 3; x < to - 3; ++x) {
        TPoint p = bar->ClientToScreen(TPoint{x, y});
        n += s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top) == ClassicRGB(colour);
      }
    return n;
  };
  for (bool enabled : {false, true}) {
    SCOPED_TRACE(enabled);
    bar->SetEnabled(enabled);
    s.display.RunUntilIdle();
    // Arrow glyphs: black when enabled, grey when not.
    for (int left : {0, bar->Width() - arrow}) {
      const int inner = (arrow - 6) * (bar->Height() - 6);
      EXPECT_EQ(count(left, left + arrow, clBtnText) > 0, enabled);
      EXPECT_GT(inner - count(left, left + arrow, clBtnFace) - count(left, left + arrow, clBtnText), enabled ? -1 : 0);
    }
    // The thumb, a button face, lies in the track only when enabled.
    EXPECT_EQ(count(arrow - 3, bar->Width() - arrow + 3, clBtnFace) > 0, enabled);
    EXPECT_EQ(GetWindowLong(bar->Handle(), GWL_STYLE) & WS_DISABLED, enabled ? 0 : WS_DISABLED);
  }
}

}  // namespace
