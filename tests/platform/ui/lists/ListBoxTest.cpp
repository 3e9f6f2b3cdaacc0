#include "platform/ui/lists/ListBox.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"

namespace {

// A list made with a horizontal bar, as a decorating control makes it.
class THScrollListBox : public TListBox {
 public:
  using TListBox::TListBox;

 protected:
  void CreateParams(TCreateParams& Params) override {
    TListBox::CreateParams(Params);
    Params.Style |= WS_HSCROLL;
  }
};

class ListBoxTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  std::vector<int> parentCodes;  // WM_COMMAND notifications the form received
  std::vector<std::string> log;

  // The form's procedure logs into this fixture: free it while the fixture lives.
  void TearDown() override { app.DestroyComponents(); }

  void SetUp() override {
    form = NewForm(100, 100, 400, 300);
    TWndMethod old = form->WindowProc;
    form->WindowProc = TWndMethod::FromFunction(
        [this, old](TMessage& m) {
          if (m.Msg == WM_COMMAND) {
            parentCodes.push_back(HIWORD(m.WParam));
            log.push_back("parent:" + std::to_string(HIWORD(m.WParam)));
          }
          old(m);
        },
        this);
    form->Show();
    s.display.RunUntilIdle();
  }

  TListBox* MakeList(int items, int height = 0) {
    auto* lb = new TListBox(form);
    lb->SetParent(form);
    lb->SetBounds(10, 10, 120, height ? height : 100);
    for (int i = 0; i < items; ++i) lb->Items()->Add("Item " + std::to_string(i));
    return lb;
  }
  // Client height that shows exactly n items.
  int HeightFor(TListBox* lb, int n) {
    lb->HandleNeeded();
    return n * lb->ItemHeight() + (lb->Height() - lb->ClientHeight()); }
  TPoint At(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }
  void ClickAt(TControl* c, int x, int y) {
    TPoint p = At(c, x, y);
    s.display.Click(p.X, p.Y);
    s.display.RunUntilIdle();
  }
  void Key(int vk) {
    s.display.KeyPress(vk);
    s.display.RunUntilIdle();
  }
  void KeyWith(int modifier, int vk) {
    s.display.KeyDown(modifier);
    s.display.KeyPress(vk);
    s.display.KeyUp(modifier);
    s.display.RunUntilIdle();
  }
  static SCROLLINFO VInfo(TWinControl* c) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(c->Handle(), SB_VERT, &si);
    return si;
  }
  static DWORD VState(TWinControl* c) {
    SCROLLBARINFO sbi;
    GetScrollBarInfo(c->Handle(), OBJID_VSCROLL, &sbi);
    return sbi.rgstate[0];
  }
};

TEST_F(ListBoxTest, ScrollBarFollowsAddingRemovingAndResizing) {
  TListBox* lb = MakeList(0);
  lb->SetHeight(HeightFor(lb, 5));
  s.display.RunUntilIdle();
  ASSERT_EQ(lb->VisibleItemCount(), 5);
  for (int i = 0; i < 5; ++i) lb->Items()->Add("x" + std::to_string(i));
  EXPECT_EQ(VState(lb) & STATE_SYSTEM_INVISIBLE, STATE_SYSTEM_INVISIBLE);  // everything fits

  lb->Items()->Add("sixth");
  SCROLLINFO si = VInfo(lb);
  EXPECT_EQ(VState(lb) & STATE_SYSTEM_INVISIBLE, 0u);
  EXPECT_EQ(si.nMin, 0);
  EXPECT_EQ(si.nMax, 5);
  EXPECT_EQ(si.nPage, 5u);

  for (int i = 0; i < 14; ++i) lb->Items()->Add("more");
  lb->SetTopIndex(15);
  si = VInfo(lb);
  EXPECT_EQ(si.nMax, 19);
  EXPECT_EQ(si.nPos, 15);
  EXPECT_EQ(lb->TopIndex(), 15);

  // Removing items pulls the top back so the view stays full.
  for (int i = 0; i < 10; ++i) lb->Items()->Delete(0);
  si = VInfo(lb);
  EXPECT_EQ(si.nMax, 9);
  EXPECT_EQ(lb->TopIndex(), 5);
  EXPECT_EQ(si.nPos, 5);

  // Growing the box until all ten fit hides the bar and resets the top.
  lb->SetHeight(HeightFor(lb, 10));
  s.display.RunUntilIdle();
  EXPECT_EQ(VState(lb) & STATE_SYSTEM_INVISIBLE, STATE_SYSTEM_INVISIBLE);
  EXPECT_EQ(lb->TopIndex(), 0);

  lb->SetHeight(HeightFor(lb, 4));
  s.display.RunUntilIdle();
  si = VInfo(lb);
  EXPECT_EQ(si.nPage, 4u);
  EXPECT_EQ(VState(lb) & STATE_SYSTEM_INVISIBLE, 0u);

  lb->Items()->Clear();
  EXPECT_EQ(VState(lb) & STATE_SYSTEM_INVISIBLE, STATE_SYSTEM_INVISIBLE);
  EXPECT_EQ(lb->TopIndex(), 0);
}

TEST_F(ListBoxTest, ThumbPositionRequestAndWheelMoveTheTop) {
  TListBox* lb = MakeList(50);
  lb->SetHeight(HeightFor(lb, 5));
  s.display.RunUntilIdle();
  SendMessage(lb->Handle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 20), 0);
  EXPECT_EQ(lb->TopIndex(), 20);
  EXPECT_EQ(VInfo(lb).nPos, 20);
  SendMessage(lb->Handle(), WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(lb->TopIndex(), 21);
  SendMessage(lb->Handle(), WM_VSCROLL, MAKEWPARAM(SB_PAGEUP, 0), 0);
  EXPECT_EQ(lb->TopIndex(), 16);
  SendMessage(lb->Handle(), WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(lb->TopIndex(), 45);

  lb->SetFocus();
  TPoint p = At(lb, 5, 5);
  s.display.Wheel(p.X, p.Y, WHEEL_DELTA);  // one notch up: three lines
  s.display.RunUntilIdle();
  EXPECT_EQ(lb->TopIndex(), 42);
  s.display.Wheel(p.X, p.Y, -2 * WHEEL_DELTA);
  s.display.RunUntilIdle();
  EXPECT_EQ(lb->TopIndex(), 45);  // clamped at the end
}

TEST_F(ListBoxTest, PressingTheBarArrowScrollsThroughTheStandardBar) {
  TListBox* lb = MakeList(30);
  lb->SetHeight(HeightFor(lb, 5));
  s.display.RunUntilIdle();
  SCROLLBARINFO sbi;
  GetScrollBarInfo(lb->Handle(), OBJID_VSCROLL, &sbi);
  // The down arrow sits at the bottom of the bar.
  const int x = (sbi.rcScrollBar.Left + sbi.rcScrollBar.Right) / 2, y = sbi.rcScrollBar.Bottom - 3;
  s.display.Click(x, y);
  s.display.RunUntilIdle();
  EXPECT_EQ(lb->TopIndex(), 1);
  EXPECT_EQ(VInfo(lb).nPos, 1);
}

TEST_F(ListBoxTest, ClickSelectsAndNotifiesTheParentBeforeOnClick) {
  TListBox* lb = MakeList(10);
  lb->OnClick = [&](TObject*) { log.push_back("click:" + std::to_string(lb->ItemIndex())); };
  lb->OnDblClick = [&](TObject*) { log.push_back("dblclick"); };
  s.display.RunUntilIdle();
  const int h = lb->ItemHeight();
  ClickAt(lb, 10, 2 * h + 1);
  EXPECT_EQ(lb->ItemIndex(), 2);
  EXPECT_TRUE(lb->Focused());
  EXPECT_EQ(log, (std::vector<std::string>{"parent:1", "click:2"}));

  // A second click on the same item changes nothing and says nothing;
  // the double click that completes it reports LBN_DBLCLK, then OnDblClick.
  log.clear();
  ClickAt(lb, 10, 2 * h + 1);
  EXPECT_EQ(log, (std::vector<std::string>{"parent:2", "dblclick"}));

  // A press below the last item leaves the selection.
  lb->Items()->Delete(9);
  log.clear();
  lb->SetHeight(HeightFor(lb, 12));
  s.display.RunUntilIdle();
  s.clock.Advance(1000);
  ClickAt(lb, 10, 10 * h + 2);
  EXPECT_EQ(lb->ItemIndex(), 2);
  EXPECT_TRUE(log.empty());
}

TEST_F(ListBoxTest, DraggingMovesTheSelectionAndScrolls) {
  TListBox* lb = MakeList(20);
  lb->SetHeight(HeightFor(lb, 5));
  s.display.RunUntilIdle();
  const int h = lb->ItemHeight();
  int clicks = 0;
  lb->OnClick = [&](TObject*) { ++clicks; };
  TPoint p = At(lb, 10, 1);
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  TPoint q = At(lb, 10, 3 * h + 1);
  s.display.MouseMove(q.X, q.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(lb->ItemIndex(), 3);
  TPoint below = At(lb, 10, lb->ClientHeight() + 5);
  s.display.MouseMove(below.X, below.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(lb->ItemIndex(), 5);
  EXPECT_EQ(lb->TopIndex(), 1);
  s.display.MouseUp(below.X, below.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(clicks, 3);
}

// Held below the list without moving, the button keeps the list
// scrolling on a timer; letting go stops it.
TEST_F(ListBoxTest, AButtonHeldOutsideKeepsScrolling) {
  TListBox* lb = MakeList(40);
  lb->SetHeight(HeightFor(lb, 5));
  s.display.RunUntilIdle();
  const TPoint p = At(lb, 10, 1);
  s.display.MouseDown(p.X, p.Y);
  s.display.RunUntilIdle();
  const TPoint below = At(lb, 10, lb->ClientHeight() + 5);
  s.display.MouseMove(below.X, below.Y);
  s.display.RunUntilIdle();
  const int top = lb->TopIndex(), index = lb->ItemIndex();
  s.display.AdvanceTime(500);
  s.display.RunUntilIdle();
  EXPECT_GE(lb->TopIndex(), top + 5);
  EXPECT_EQ(lb->ItemIndex(), lb->TopIndex() + 4);
  EXPECT_GT(lb->ItemIndex(), index);
  // Above the list it scrolls back up the same way.
  const TPoint above = At(lb, 10, -5);
  s.display.MouseMove(above.X, above.Y);
  s.display.RunUntilIdle();
  const int high = lb->TopIndex();
  s.display.AdvanceTime(200);
  s.display.RunUntilIdle();
  EXPECT_LT(lb->TopIndex(), high);
  s.display.MouseUp(above.X, above.Y);
  s.display.RunUntilIdle();
  const int stopped = lb->TopIndex();
  s.display.AdvanceTime(500);
  s.display.RunUntilIdle();
  EXPECT_EQ(lb->TopIndex(), stopped);
}

struct KeyCase {
  int vk;
  int from;
  int expectIndex;
  int expectTop;
};

TEST_F(ListBoxTest, KeysMoveTheSelectionAndKeepItInView) {
  const KeyCase cases[] = {
      {VK_DOWN, 0, 1, 0}, {VK_UP, 3, 2, 0},  {VK_NEXT, 0, 4, 0},  {VK_NEXT, 4, 8, 4},
      {VK_END, 0, 29, 25}, {VK_HOME, 20, 0, 0}, {VK_PRIOR, 29, 25, 25}, {VK_UP, 0, 0, 0},
  };
  TListBox* lb = MakeList(30);
  lb->SetHeight(HeightFor(lb, 5));
  lb->SetFocus();
  s.display.RunUntilIdle();
  for (const KeyCase& c : cases) {
    lb->SetItemIndex(c.from);
    Key(c.vk);
    EXPECT_EQ(lb->ItemIndex(), c.expectIndex) << "key " << c.vk << " from " << c.from;
    EXPECT_EQ(lb->TopIndex(), c.expectTop) << "key " << c.vk << " from " << c.from;
  }
  // Typing a letter finds the next item starting with it.
  lb->Items()->Put(7, "Zebra");
  lb->SetItemIndex(0);
  s.display.Text("z");
  s.display.RunUntilIdle();
  EXPECT_EQ(lb->ItemIndex(), 7);
}

TEST_F(ListBoxTest, ExtendedSelectionWithShiftAndCtrl) {
  TListBox* lb = MakeList(10);
  lb->SetMultiSelect(true);
  lb->SetHeight(HeightFor(lb, 10));
  s.display.RunUntilIdle();
  const int h = lb->ItemHeight();
  ClickAt(lb, 10, 1 * h + 1);
  s.clock.Advance(1000);
  s.display.KeyDown(VK_SHIFT);
  ClickAt(lb, 10, 4 * h + 1);
  s.display.KeyUp(VK_SHIFT);
  EXPECT_EQ(lb->SelCount(), 4);
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(lb->Selected(i)) << i;
  s.clock.Advance(1000);
  s.display.KeyDown(VK_CONTROL);
  ClickAt(lb, 10, 7 * h + 1);
  s.clock.Advance(1000);
  ClickAt(lb, 10, 2 * h + 1);
  s.display.KeyUp(VK_CONTROL);
  s.display.RunUntilIdle();
  EXPECT_EQ(lb->SelCount(), 4);  // 1, 3, 4, 7
  EXPECT_FALSE(lb->Selected(2));
  EXPECT_TRUE(lb->Selected(7));
  // Shift+Down extends from the anchor (2) to the caret.
  KeyWith(VK_SHIFT, VK_DOWN);
  EXPECT_EQ(lb->ItemIndex(), 3);
  EXPECT_EQ(lb->SelCount(), 2);
  EXPECT_TRUE(lb->Selected(2) && lb->Selected(3));
  // A plain click starts over.
  s.clock.Advance(1000);
  ClickAt(lb, 10, 5 * h + 1);
  EXPECT_EQ(lb->SelCount(), 1);
  int items[10] = {};
  EXPECT_EQ(SendMessage(lb->Handle(), LB_GETSELITEMS, 10, reinterpret_cast<LPARAM>(items)), 1);
  EXPECT_EQ(items[0], 5);
}

TEST_F(ListBoxTest, MultipleSelectionTogglesOnClickAndSpace) {
  TListBox* lb = MakeList(6);
  lb->SetMultiSelect(true);
  lb->SetExtendedSelect(false);
  s.display.RunUntilIdle();
  const int h = lb->ItemHeight();
  ClickAt(lb, 10, 1);
  s.clock.Advance(1000);
  ClickAt(lb, 10, 2 * h + 1);
  EXPECT_EQ(lb->SelCount(), 2);
  Key(VK_DOWN);  // caret only
  EXPECT_EQ(lb->SelCount(), 2);
  EXPECT_EQ(lb->ItemIndex(), 3);
  Key(VK_SPACE);
  EXPECT_TRUE(lb->Selected(3));
  s.clock.Advance(1000);
  ClickAt(lb, 10, 1);
  EXPECT_FALSE(lb->Selected(0));
  EXPECT_EQ(lb->SelCount(), 2);
}

TEST_F(ListBoxTest, SortedListPlacesNewItemsAndRefusesInserts) {
  TListBox* lb = MakeList(0);
  lb->SetSorted(true);
  EXPECT_EQ(lb->Items()->Add("pear"), 0);
  EXPECT_EQ(lb->Items()->Add("Apple"), 0);
  EXPECT_EQ(lb->Items()->Add("zucchini"), 2);
  EXPECT_EQ(lb->Items()->AddObject("banana", form), 1);
  EXPECT_EQ(lb->Items()->Objects(1), form);
  EXPECT_THROW(lb->Items()->Insert(0, "x"), EListError);
  EXPECT_EQ(lb->Items()->Text(), "Apple\r\nbanana\r\npear\r\nzucchini\r\n");
}

TEST_F(ListBoxTest, ItemChangesPassThroughTheWindowProcedure) {
  TListBox* lb = MakeList(0);
  s.display.RunUntilIdle();
  std::vector<std::pair<UINT, int>> seen;  // message and the count after it
  TWndMethod old = lb->WindowProc;
  lb->WindowProc = TWndMethod::FromFunction(
      [&, old](TMessage& m) {
        old(m);
        if (m.Msg >= LB_ADDSTRING && m.Msg <= LB_SETCOUNT && m.Msg != LB_GETCOUNT)
          seen.emplace_back(m.Msg, lb->Count());
      },
      lb);
  lb->Items()->Add("a");
  lb->Items()->Insert(0, "b");
  lb->Items()->Delete(1);
  SendMessage(lb->Handle(), LB_SETCOUNT, 4, 0);
  lb->Items()->Clear();
  lb->WindowProc = old;
  EXPECT_EQ(seen, (std::vector<std::pair<UINT, int>>{
                      {LB_ADDSTRING, 1}, {LB_INSERTSTRING, 2}, {LB_DELETESTRING, 1}, {LB_SETCOUNT, 4}, {LB_RESETCONTENT, 0}}));
}

TEST_F(ListBoxTest, MessagesAnswerLikeTheNativeList) {
  TListBox* lb = MakeList(5);
  HWND h = lb->Handle();
  EXPECT_EQ(SendMessage(h, LB_GETCOUNT, 0, 0), 5);
  EXPECT_EQ(SendMessage(h, LB_SETCURSEL, 3, 0), 3);
  EXPECT_EQ(SendMessage(h, LB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(SendMessage(h, LB_SETCURSEL, 9, 0), LB_ERR);
  EXPECT_EQ(lb->ItemIndex(), -1);
  char buf[32];
  EXPECT_EQ(SendMessage(h, LB_GETTEXT, 2, reinterpret_cast<LPARAM>(buf)), 6);
  EXPECT_STREQ(buf, "Item 2");
  EXPECT_EQ(SendMessage(h, LB_FINDSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("item 4")), 4);
  EXPECT_EQ(SendMessage(h, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>("Item")), LB_ERR);
  RECT r{};
  SendMessage(h, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(TRect(r), lb->ItemRect(2));
  EXPECT_EQ(r.Top, 2 * lb->ItemHeight());
  EXPECT_EQ(LOWORD(SendMessage(h, LB_ITEMFROMPOINT, 0, MAKELPARAM(3, r.Top + 1))), 2);
  EXPECT_EQ(lb->ItemAtPos(TPoint{3, 5 * lb->ItemHeight() + 1}, true), -1);
  EXPECT_EQ(lb->ItemAtPos(TPoint{3, 5 * lb->ItemHeight() + 1}, false), 5);
  EXPECT_EQ(SendMessage(h, LB_SETITEMHEIGHT, 0, 30), 0);
  EXPECT_EQ(lb->ItemHeight(), 30);
  EXPECT_EQ(lb->ItemRect(1).Top, 30);
  EXPECT_EQ(SendMessage(h, LB_GETSELCOUNT, 0, 0), LB_ERR);  // single selection
}

TEST_F(ListBoxTest, OwnerDrawFixedDrawsVisibleItemsInTheirRectangles) {
  TListBox* lb = MakeList(0);
  lb->SetStyle(lbOwnerDrawFixed);
  lb->SetItemHeight(20);
  lb->SetHeight(HeightFor(lb, 4) + 10);  // four whole items and half of one
  for (int i = 0; i < 1000; ++i) lb->Items()->Add("i");
  lb->SetTopIndex(100);
  lb->SetItemIndex(102);
  lb->SetFocus();
  struct Drawn {
    int index;
    TRect rect;
    TOwnerDrawState state;
  };
  std::vector<Drawn> drawn;
  lb->OnDrawItem = [&](TWinControl* c, int i, const TRect& r, TOwnerDrawState st) {
    EXPECT_EQ(c, lb);
    drawn.push_back({i, r, st});
    lb->Canvas()->FillRect(r);
  };
  lb->Invalidate();
  s.display.RunUntilIdle();
  ASSERT_EQ(drawn.size(), 5u);
  for (std::size_t k = 0; k < drawn.size(); ++k) {
    EXPECT_EQ(drawn[k].index, 100 + int(k));
    EXPECT_EQ(drawn[k].rect, (TRect{0, int(k) * 20, lb->ClientWidth(), int(k) * 20 + 20}));
  }
  EXPECT_EQ(drawn[2].state & (odSelected | odFocused), odSelected | odFocused);
  EXPECT_EQ(drawn[1].state & odSelected, 0u);
  EXPECT_EQ(lb->LastPaintItemCount(), 5);
}

TEST_F(ListBoxTest, OwnerDrawVariableMeasuresEachItem) {
  TListBox* lb = MakeList(0);
  lb->SetStyle(lbOwnerDrawVariable);
  lb->SetHeight(HeightFor(lb, 0) + 100);
  std::vector<int> measured;
  lb->OnMeasureItem = [&](TWinControl*, int i, int& height) {
    measured.push_back(i);
    height = 10 + 5 * i;
  };
  std::vector<std::pair<int, TRect>> drawn;
  lb->OnDrawItem = [&](TWinControl*, int i, const TRect& r, TOwnerDrawState) { drawn.emplace_back(i, r); };
  for (int i = 0; i < 6; ++i) lb->Items()->Add("v");
  EXPECT_EQ(measured, (std::vector<int>{0, 1, 2, 3, 4, 5}));
  // Heights 10, 15, 20, 25, 30, 35: the first five fill 100 pixels.
  EXPECT_EQ(lb->ItemRect(3), (TRect{0, 45, lb->ClientWidth(), 70}));
  EXPECT_EQ(lb->ItemAtPos(TPoint{1, 46}, true), 3);
  s.display.RunUntilIdle();
  lb->Invalidate();
  drawn.clear();
  s.display.RunUntilIdle();
  ASSERT_EQ(drawn.size(), 5u);
  EXPECT_EQ(drawn[4].second, (TRect{0, 70, lb->ClientWidth(), 100}));
  EXPECT_EQ(VInfo(lb).nMax, 5);
  lb->SetTopIndex(5);
  // The last item alone at the top would leave space: the top stops where
  // the list's end fills the view.
  EXPECT_EQ(lb->TopIndex(), 3);
}

TEST_F(ListBoxTest, ColumnsFlowDownThenAcrossAndScrollSideways) {
  TListBox* lb = MakeList(0);
  lb->SetColumns(2);
  lb->SetBounds(10, 10, 204, 100);
  lb->SetHeight(HeightFor(lb, 3) + GetSystemMetrics(SM_CYHSCROLL));
  for (int i = 0; i < 10; ++i) lb->Items()->Add("c" + std::to_string(i));
  s.display.RunUntilIdle();
  const int h = lb->ItemHeight();
  const int cw = lb->ClientWidth() / 2;
  ASSERT_EQ(lb->ClientHeight() / h, 3) << "rows per column with the horizontal bar " << lb->ClientHeight() << " " << h << " " << lb->Height();
  EXPECT_EQ(lb->ItemRect(4), (TRect{cw, h, 2 * cw, 2 * h}));
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(lb->Handle(), SB_HORZ, &si));
  EXPECT_EQ(si.nMax, 3);  // four columns
  EXPECT_EQ(si.nPage, 2u);
  SendMessage(lb->Handle(), WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(lb->TopIndex(), 3);
  EXPECT_EQ(lb->ItemRect(4), (TRect{0, h, cw, 2 * h}));
}

TEST_F(ListBoxTest, FreedInItsOwnOnClick) {
  TListBox* lb = MakeList(5);
  s.display.RunUntilIdle();
  bool clicked = false;
  lb->OnClick = [&](TObject*) {
    clicked = true;
    delete lb;
  };
  ClickAt(lb, 10, 1);
  EXPECT_TRUE(clicked);
  EXPECT_EQ(form->ControlCount(), 0);
}

TEST_F(ListBoxTest, FreedInItsOwnOnDblClickAndOnKey) {
  TListBox* lb = MakeList(5);
  s.display.RunUntilIdle();
  lb->OnDblClick = [&](TObject*) { delete lb; };
  ClickAt(lb, 10, 1);
  ClickAt(lb, 10, 1);
  EXPECT_EQ(form->ControlCount(), 0);
  TListBox* lb2 = MakeList(5);
  lb2->SetFocus();
  lb2->OnClick = [&](TObject*) { delete lb2; };
  Key(VK_DOWN);
  EXPECT_EQ(form->ControlCount(), 0);
}

TEST_F(ListBoxTest, HorizontalExtentShowsTheBarOnlyWhenWiderThanTheClient) {
  auto* lb = new THScrollListBox(form);
  lb->SetParent(form);
  lb->SetBounds(10, 10, 120, 100);
  for (int i = 0; i < 30; ++i) lb->Items()->Add("Item " + std::to_string(i));
  const int width = lb->ClientWidth();
  struct Case {
    int extent;
    bool bar;
  };
  const std::vector<Case> cases = {{0, false}, {width, false}, {width + 50, true}, {width - 10, false},
                                   {width + 1, true}, {0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.extent);
    SendMessage(lb->Handle(), LB_SETHORIZONTALEXTENT, WPARAM(c.extent), 0);
    EXPECT_EQ(SendMessage(lb->Handle(), LB_GETHORIZONTALEXTENT, 0, 0), c.extent);
    SCROLLBARINFO sbi;
    GetScrollBarInfo(lb->Handle(), OBJID_HSCROLL, &sbi);
    EXPECT_EQ((sbi.rgstate[0] & STATE_SYSTEM_INVISIBLE) == 0, c.bar);
    EXPECT_EQ((GetWindowLongPtr(lb->Handle(), GWL_STYLE) & WS_HSCROLL) != 0, c.bar);
    // The vertical bar's page follows the height the horizontal bar leaves.
    EXPECT_EQ(int(VInfo(lb).nPage), lb->ClientHeight() / lb->ItemHeight());
    if (c.bar) {
      SCROLLINFO si;
      si.fMask = SIF_ALL;
      ASSERT_TRUE(GetScrollInfo(lb->Handle(), SB_HORZ, &si));
      EXPECT_EQ(si.nMax, c.extent - 1);
      EXPECT_EQ(int(si.nPage), lb->ClientWidth());
    }
  }
  // A list made without WS_HSCROLL keeps the extent but never scrolls sideways.
  TListBox* plain = MakeList(3);
  plain->SetScrollWidth(500);
  EXPECT_EQ(plain->ScrollWidth(), 500);
  SendMessage(plain->Handle(), WM_HSCROLL, MAKEWPARAM(SB_RIGHT, 0), 0);
  EXPECT_EQ(plain->HorzScrollPos(), 0);
  EXPECT_FALSE(GetWindowLongPtr(plain->Handle(), GWL_STYLE) & WS_HSCROLL);
}

TEST_F(ListBoxTest, HorizontalScrollingMovesTheItemsSideways) {
  auto* lb = new THScrollListBox(form);
  lb->SetParent(form);
  lb->SetBounds(10, 10, 120, 100);
  lb->SetStyle(lbOwnerDrawFixed);
  for (int i = 0; i < 3; ++i) lb->Items()->Add("Item " + std::to_string(i));
  std::vector<TRect> drawn;
  lb->OnDrawItem = [&](TWinControl*, int, const TRect& r, TOwnerDrawState) { drawn.push_back(r); };
  lb->SetScrollWidth(lb->ClientWidth() + 100);
  const int extent = lb->ScrollWidth();
  struct Case {
    int code, pos;
    int x;
  };
  const std::vector<Case> cases = {
      {SB_THUMBPOSITION, 40, 40}, {SB_THUMBTRACK, 60, 60}, {SB_RIGHT, 0, 100},  {SB_PAGERIGHT, 0, 100},
      {SB_LEFT, 0, 0},            {SB_LINELEFT, 0, 0},     {SB_THUMBPOSITION, 9999, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.code << " " << c.pos);
    SendMessage(lb->Handle(), WM_HSCROLL, MAKEWPARAM(c.code, c.pos), 0);
    EXPECT_EQ(lb->HorzScrollPos(), c.x);
    SCROLLINFO si;
    si.fMask = SIF_POS;
    ASSERT_TRUE(GetScrollInfo(lb->Handle(), SB_HORZ, &si));
    EXPECT_EQ(si.nPos, c.x);
    EXPECT_EQ(lb->ItemRect(1), (TRect{-c.x, lb->ItemHeight(), extent - c.x, 2 * lb->ItemHeight()}));
  }
  // A line step moves less than a page, and the items draw where they now are.
  SendMessage(lb->Handle(), WM_HSCROLL, MAKEWPARAM(SB_LINELEFT, 0), 0);
  const int afterLine = lb->HorzScrollPos();
  EXPECT_LT(afterLine, 100);
  EXPECT_GT(afterLine, 0);
  drawn.clear();
  s.display.RunUntilIdle();
  ASSERT_EQ(drawn.size(), 3u);
  for (const TRect& r : drawn) {
    EXPECT_EQ(r.Left, -afterLine);
    EXPECT_EQ(r.Right, extent - afterLine);
  }
  // Clicks still pick items by height alone.
  ClickAt(lb, 5, lb->ItemHeight() + 2);
  EXPECT_EQ(lb->ItemIndex(), 1);
  // Wider than the extent: nothing left to scroll, the bar goes.
  lb->SetWidth(lb->Width() + 200);
  EXPECT_EQ(lb->HorzScrollPos(), 0);
  EXPECT_FALSE(GetWindowLongPtr(lb->Handle(), GWL_STYLE) & WS_HSCROLL);
}

}  // namespace
