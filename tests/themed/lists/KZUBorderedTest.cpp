// The bordered list, edit and combo controls: the flat frame, the combo's
// button and arrow, and the themed scroll bars mirroring the native ones.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/bars/KZUScrollBar.h"
#include "themed/lists/KZUComboBox.h"
#include "themed/lists/KZUEdit.h"
#include "themed/lists/KZUListBox.h"
#include "themed/lists/KZUMemo.h"
#include "themed/panels/KZUImagePanel.h"

namespace {

using S = TkzuUIStyle;

class KZUBorderedTest : public ThemedTest {
 protected:
  TkzuScrollBar* Bar(S look = S::WinXP) {
    auto* b = Make<TkzuScrollBar>(form, 380, 10, look);
    s.display.RunUntilIdle();
    return b;
  }
  void Fill(TStrings* items, int n) {
    for (int i = 0; i < n; ++i) items->Add("Line " + std::to_string(i));
    s.display.RunUntilIdle();
  }
  int NativeTop(HWND h) {
    SCROLLINFO si;
    si.fMask = SIF_POS;
    GetScrollInfo(h, SB_VERT, &si);
    return si.nPos;
  }
};

TEST_F(KZUBorderedTest, FrameIsBorderColourThenTheControlColour) {
  auto* e = Place<TkzuEdit>(10, 10, 120, 24);
  e->SetBorderColor(TColor(0x0000FF));
  e->SetColor(TColor(0x00FF00));
  auto* l = Place<TkzuListBox>(10, 50, 120, 80);
  l->SetBorderColor(TColor(0xFF0000));
  s.display.RunUntilIdle();
  for (TWinControl* c : {static_cast<TWinControl*>(e), static_cast<TWinControl*>(l)}) {
    const COLORREF outer = COLORREF(c == e ? 0x0000FF : 0xFF0000);
    RECT wr{};
    GetWindowRect(c->Handle(), &wr);
    RECT fr{};
    GetWindowRect(form->Handle(), &fr);
    const int x0 = wr.Left - fr.Left, y0 = wr.Top - fr.Top, w = wr.Right - wr.Left, h = wr.Bottom - wr.Top;
    for (auto [x, y] : {std::pair{0, 0}, std::pair{w - 1, h - 1}, std::pair{w / 2, 0}, std::pair{0, h / 2}})
      EXPECT_EQ(s.display.PixelAt(form->Handle(), x0 + x, y0 + y), outer) << c->ClassName() << x << "," << y;
    EXPECT_EQ(s.display.PixelAt(form->Handle(), x0 + 1, y0 + h / 2), COLORREF(ColorToRGB(c->Color())))
        << c->ClassName();
  }
  // The frame has a ring of its own outside the client area.
  EXPECT_EQ(e->ClientWidth(), e->Width() - 4);
  EXPECT_EQ(e->ClientHeight(), e->Height() - 4);
  auto* k = Place<TkzuCheckListBox>(200, 10, 100, 60);
  EXPECT_EQ(k->ClientWidth(), 98);
  // Typing keeps the frame: each paint draws it again.
  e->SetFocus();
  Key('A');
  EXPECT_EQ(e->Text(), "a");
}

TEST_F(KZUBorderedTest, ListBoxBarFollowsTheNativeBar) {
  auto* l = Place<TkzuListBox>(10, 10, 150, 120);
  TkzuScrollBar* b = Bar();
  Fill(l->Items(), 2);
  l->SetVScrollBar(b);
  s.display.RunUntilIdle();
  // Placed over the right edge, inside the frame.
  EXPECT_EQ(b->Left(), 10 + 150 - b->Width() - 2);
  EXPECT_EQ(b->Top(), 11);
  EXPECT_EQ(b->Height(), 118);
  EXPECT_FALSE(b->Visible());  // few items: no native bar
  EXPECT_EQ(b->LineButton(), 0);
  Fill(l->Items(), 40);
  SCROLLBARINFO sbi;
  GetScrollBarInfo(l->Handle(), OBJID_VSCROLL, &sbi);
  EXPECT_TRUE(b->Visible());
  EXPECT_TRUE(b->Enabled());
  EXPECT_EQ(b->LineButton(), std::max(18, sbi.xyThumbBottom - sbi.xyThumbTop));
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  GetScrollInfo(l->Handle(), SB_VERT, &si);
  EXPECT_EQ(b->Max(), si.nMax - int(si.nPage) + 1);
  // Keys move the native bar; the themed one follows.
  l->SetFocus();
  l->SetItemIndex(0);
  for (int i = 0; i < 30; ++i) Key(VK_DOWN);
  EXPECT_GT(l->TopIndex(), 0);
  EXPECT_EQ(b->Position(), l->TopIndex());
  // Clearing the list in code hides the bar again.
  l->Items()->Clear();
  s.display.RunUntilIdle();
  EXPECT_FALSE(b->Visible());
}

TEST_F(KZUBorderedTest, MovingTheThemedBarScrollsTheListWithoutEcho) {
  auto* l = Place<TkzuListBox>(10, 10, 150, 120);
  TkzuScrollBar* b = Bar();
  Fill(l->Items(), 60);
  l->SetVScrollBar(b);
  b->SetPosition(20);
  s.display.RunUntilIdle();
  EXPECT_EQ(l->TopIndex(), 20);
  EXPECT_EQ(NativeTop(l->Handle()), 20);
  EXPECT_EQ(b->Position(), 20);
  // Nothing of the native bar shows beside the themed one.
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(l->Handle(), OBJID_VSCROLL, &sbi));
  RECT fr{};
  GetWindowRect(form->Handle(), &fr);
  const TPoint bp = b->ClientToScreen(TPoint{0, 0});
  for (int x = sbi.rcScrollBar.Left; x < bp.X; ++x)
    for (int y = sbi.rcScrollBar.Top; y < sbi.rcScrollBar.Bottom; y += 3)
      ASSERT_EQ(s.display.PixelAt(form->Handle(), x - fr.Left, y - fr.Top), COLORREF(ColorToRGB(l->Color())))
          << x << "," << y;
  // Holding the down arrow scrolls one item each 100 ms.
  Press(b->DownButton(), 8, 8);
  s.display.AdvanceTime(300);
  s.display.RunUntilIdle();
  Release(b->DownButton(), 8, 8);
  EXPECT_EQ(l->TopIndex(), 23);
}

TEST_F(KZUBorderedTest, PositionsPastSixteenBitsReachTheList) {
  auto* l = Place<TkzuListBox>(10, 10, 150, 120);
  TkzuScrollBar* b = Bar();
  l->SetVScrollBar(b);
  l->Items()->BeginUpdate();
  for (int i = 0; i < 70010; ++i) l->Items()->Add("x");
  l->Items()->EndUpdate();
  s.display.RunUntilIdle();
  b->SetPosition(70000);
  s.display.RunUntilIdle();
  EXPECT_EQ(l->TopIndex(), 70000);
}

TEST_F(KZUBorderedTest, FreedBarIsForgottenAndFreedControlReleasesItsBars) {
  auto* l = Place<TkzuListBox>(10, 10, 150, 120);
  TkzuScrollBar* b = Bar();
  Fill(l->Items(), 40);
  l->SetVScrollBar(b);
  delete b;
  EXPECT_EQ(l->VScrollBar(), nullptr);
  Key(VK_DOWN);
  Fill(l->Items(), 5);

  auto* m = Place<TkzuMemo>(10, 140, 150, 100);
  TkzuScrollBar* v = Bar();
  m->SetVScrollBar(v);
  delete m;
  EXPECT_FALSE(v->OnChange());
  EXPECT_EQ(v->Max(), 100);
  v->SetPosition(30);  // nothing left to call
}

TEST_F(KZUBorderedTest, ReplacingALinkReleasesTheOldBar) {
  auto* l = Place<TkzuListBox>(10, 10, 150, 120);
  TkzuScrollBar* a = Bar();
  TkzuScrollBar* b = Bar();
  Fill(l->Items(), 40);
  l->SetVScrollBar(a);
  EXPECT_GT(a->LineButton(), 0);
  l->SetVScrollBar(b);
  EXPECT_FALSE(a->OnChange());
  EXPECT_EQ(a->LineButton(), 0);
  EXPECT_EQ(a->Max(), 100);
  EXPECT_TRUE(a->Enabled());
}

TEST_F(KZUBorderedTest, MemoScrollStyleFollowsTheLinks) {
  auto* m = Place<TkzuMemo>(10, 10, 200, 120);
  TkzuScrollBar* h = Bar();
  TkzuScrollBar* v = Bar();
  m->SetHScrollBar(h);
  EXPECT_EQ(m->ScrollBars(), ssHorizontal);
  EXPECT_EQ(h->Orientation(), kzuHorizontal);
  m->SetVScrollBar(v);
  EXPECT_EQ(m->ScrollBars(), ssBoth);
  // Placed along the bottom and right, leaving the corner to neither.
  EXPECT_EQ(h->Left(), 11);
  EXPECT_EQ(h->Top(), 10 + 120 - h->Height() - 2);
  EXPECT_EQ(h->Width(), 200 - 1 - v->Width());
  EXPECT_EQ(v->Height(), 120 - 1 - h->Height());
  m->SetHScrollBar(nullptr);
  EXPECT_EQ(m->ScrollBars(), ssVertical);
  m->SetVScrollBar(nullptr);
  EXPECT_EQ(m->ScrollBars(), ssNone);
}

TEST_F(KZUBorderedTest, MemoBarFollowsTypingAndLinesAddedInCode) {
  auto* m = Place<TkzuMemo>(10, 10, 200, 120);
  TkzuScrollBar* v = Bar();
  m->SetVScrollBar(v);
  s.display.RunUntilIdle();
  EXPECT_TRUE(v->Visible());  // the memo keeps its bar, without a thumb
  EXPECT_FALSE(v->Track()->GetSliderVisible());
  for (int i = 0; i < 30; ++i) m->Lines()->Add("line");
  s.display.RunUntilIdle();
  EXPECT_TRUE(v->Track()->GetSliderVisible());
  const int before = v->Max();
  m->SetFocus();
  Key(VK_END);
  Key(VK_RETURN);
  EXPECT_EQ(v->Max(), before + 1);  // in step with the typed line, not one key behind
  EXPECT_EQ(v->Position(), NativeTop(m->Handle()));
}

TEST_F(KZUBorderedTest, CheckListBoxBorderReadsFixed) {
  auto* c = Place<TkzuCheckListBox>(10, 10, 120, 80);
  c->SetBorderWidth(5);
  EXPECT_EQ(c->BorderWidth(), 1);
  c->SetBorderStyle(bsSingle);
  EXPECT_EQ(c->BorderStyle(), bsSingle);
  EXPECT_EQ(c->TCheckListBox::BorderStyle(), bsNone);
}

TEST_F(KZUBorderedTest, ComboColoursByLook) {
  auto* c = Place<TkzuComboBox>(10, 10, 140, 22);
  struct Case {
    S look;
    TColor button, arrow, border;
  } cases[] = {{S::WinXP, GetThemeColor(S::WinXP, 74), GetThemeColor(S::WinXP, 8), GetThemeColor(S::WinXP, 8)},
               {S::Custom, clBlack, clBlack, clBlack},
               {S::Protein, GetThemeColor(S::Protein, 74), GetThemeColor(S::Protein, 8), GetThemeColor(S::Protein, 8)}};
  for (const Case& k : cases) {
    c->SetUIStyle(k.look);
    EXPECT_EQ(c->ButtonColor(), k.button);
    EXPECT_EQ(c->ArrowColor(), k.arrow);
    EXPECT_EQ(c->BorderColor(), k.border);
  }
}

TEST_F(KZUBorderedTest, ComboPaintsItsButtonAndArrow) {
  auto* c = Place<TkzuComboBox>(10, 10, 140, 22);
  c->SetUIStyle(S::Custom);
  c->SetButtonColor(TColor(0x00FF00));
  c->SetArrowColor(TColor(0x0000FF));
  s.display.RunUntilIdle();
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(c->Handle(), &info));
  const TRect r = info.rcButton;
  const int ax = r.Left + r.Width() / 2 - 4, ay = r.Height() / 2;
  EXPECT_EQ(At(c, r.Left + 1, r.Top + 2), COLORREF(0x00FF00));
  EXPECT_EQ(At(c, ax + 3, ay + 1), COLORREF(0x0000FF));
  c->SetEnabled(false);
  s.display.RunUntilIdle();
  EXPECT_EQ(At(c, ax + 3, ay + 1), COLORREF(0x808080));
  EXPECT_EQ(At(c, ax + 4, ay + 4), COLORREF(0xFFFFFF));
}

TEST_F(KZUBorderedTest, ComboStillDropsAndPicks) {
  auto* c = Place<TkzuComboBox>(10, 10, 140, 22);
  c->Items()->Add("One");
  c->Items()->Add("Two");
  c->SetFocus();
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(c->ItemIndex(), 1);
}

TEST_F(KZUBorderedTest, SnapshotsInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  for (int li = 0; li < 5; ++li) {
    form->SetColor(GetThemeColor(looks[li], 9));
    auto* l = Place<TkzuListBox>(10, 10, 150, 120);
    l->SetBorderColor(GetThemeColor(looks[li], 8));
    Fill(l->Items(), 30);
    TkzuScrollBar* b = Bar(looks[li]);
    l->SetVScrollBar(b);
    auto* m = Place<TkzuMemo>(180, 10, 200, 120);
    m->SetBorderColor(GetThemeColor(looks[li], 8));
    m->SetWordWrap(false);
    TkzuScrollBar* mv = Bar(looks[li]);
    TkzuScrollBar* mh = Bar(looks[li]);
    m->SetVScrollBar(mv);
    m->SetHScrollBar(mh);
    for (int i = 0; i < 20; ++i) m->Lines()->Add("A memo line that runs well past the right edge " + std::to_string(i));
    auto* e = Place<TkzuEdit>(10, 150, 150, 22);
    e->SetBorderColor(GetThemeColor(looks[li], 8));
    e->SetText("Edit text");
    auto* c = Place<TkzuComboBox>(180, 150, 150, 22);
    c->SetUIStyle(looks[li]);
    c->Items()->Add("Combo item");
    c->SetItemIndex(0);
    auto* d = Place<TkzuComboBox>(180, 190, 150, 22);
    d->SetUIStyle(looks[li]);
    d->SetEnabled(false);
    s.display.RunUntilIdle();
    EXPECT_TRUE(b->Visible()) << names[li];
    SaveFormSheet(std::string("themed_lists_") + names[li]);
    for (TControl* x : std::vector<TControl*>{l, m, e, c, d, b, mv, mh}) delete x;
    s.display.RunUntilIdle();
  }
}

}  // namespace
