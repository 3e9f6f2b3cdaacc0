#include "tests/platform/ui/UiTestSupport.h"

namespace {

using ControlAlign = UiTest;

struct TAlignCase {
  const char* name;
  TAlign align;
  TRect start;
  TRect at300x200;
  TRect at400x260;
};

// Top 20, bottom 30, left 40, right 50 and a client control share the host;
// each row is one of them, laid out with all the others present.
TEST_F(ControlAlign, PlacesEveryAlignInOrderAndAgainOnResize) {
  const TAlignCase cases[] = {
      {"top", alTop, Bounds(5, 70, 10, 20), Rect(0, 0, 300, 20), Rect(0, 0, 400, 20)},
      {"bottom", alBottom, Bounds(5, 5, 10, 30), Rect(0, 170, 300, 200), Rect(0, 230, 400, 260)},
      {"left", alLeft, Bounds(90, 5, 40, 10), Rect(0, 20, 40, 170), Rect(0, 20, 40, 230)},
      {"right", alRight, Bounds(5, 5, 50, 10), Rect(250, 20, 300, 170), Rect(350, 20, 400, 230)},
      {"client", alClient, Bounds(1, 1, 1, 1), Rect(40, 20, 250, 170), Rect(40, 20, 350, 230)},
      {"none", alNone, Bounds(60, 60, 10, 10), Bounds(60, 60, 10, 10), Bounds(60, 60, 10, 10)},
  };
  std::vector<TControl*> made;
  int i = 0;
  for (const TAlignCase& c : cases) {
    // Windowed and graphic controls take part alike.
    TControl* ctl = (i++ % 2) ? static_cast<TControl*>(Add<TTestGraphic>(host, 0, 0, 0, 0))
                              : static_cast<TControl*>(Add<TTestWin>(host, 0, 0, 0, 0));
    ctl->SetBoundsRect(c.start);
    ctl->SetAlign(c.align);
    made.push_back(ctl);
  }
  ShowHost();
  for (std::size_t k = 0; k < made.size(); ++k) EXPECT_EQ(made[k]->BoundsRect(), cases[k].at300x200) << cases[k].name;
  host->SetBounds(100, 100, 400, 260);
  s.display.RunUntilIdle();
  for (std::size_t k = 0; k < made.size(); ++k) EXPECT_EQ(made[k]->BoundsRect(), cases[k].at400x260) << cases[k].name;
  // A windowed child's window follows its bounds.
  RECT r{};
  GetWindowRect(static_cast<TWinControl*>(made[0])->Handle(), &r);
  EXPECT_EQ(r, Bounds(100, 100, 400, 20));
}

TEST_F(ControlAlign, SameAlignStacksByPositionAndAMovedControlKeepsItsPlace) {
  auto* a = Add<TTestWin>(host, 0, 50, 10, 10);
  auto* b = Add<TTestWin>(host, 0, 0, 10, 15);
  a->SetAlign(alTop);
  b->SetAlign(alTop);
  EXPECT_EQ(b->Top(), 0);  // among equal Tops the control that asked goes first
  EXPECT_EQ(a->Top(), 15);
  // Moving a below b's bottom edge puts it below.
  a->SetTop(0);
  EXPECT_EQ(a->Top(), 0);
  EXPECT_EQ(b->Top(), 10);
}

struct TAnchorCase {
  const char* name;
  TAnchors anchors;
  TRect after;  // host 300x200 -> 400x260, control at (20, 30, 50x40)
};

TEST_F(ControlAlign, AnchorsKeepTheirDistancesOnResize) {
  const TAnchorCase cases[] = {
      {"left top", akLeft | akTop, Bounds(20, 30, 50, 40)},
      {"right", akTop | akRight, Bounds(120, 30, 50, 40)},
      {"left right", akLeft | akTop | akRight, Bounds(20, 30, 150, 40)},
      {"top bottom", akLeft | akTop | akBottom, Bounds(20, 30, 50, 100)},
      {"right bottom", akRight | akBottom, Bounds(120, 90, 50, 40)},
      {"all", akLeft | akTop | akRight | akBottom, Bounds(20, 30, 150, 100)},
      // Neither side: the centre keeps its share of the parent.
      {"none", 0, Bounds(35, 45, 50, 40)},
  };
  for (const TAnchorCase& c : cases) {
    host->SetBounds(100, 100, 300, 200);
    auto* ctl = Add<TTestGraphic>(host, 20, 30, 50, 40);
    ctl->SetAnchors(c.anchors);
    host->SetBounds(100, 100, 400, 260);
    EXPECT_EQ(ctl->BoundsRect(), c.after) << c.name;
    // Back to the first size, back to the first place.
    host->SetBounds(100, 100, 300, 200);
    EXPECT_EQ(ctl->BoundsRect(), Bounds(20, 30, 50, 40)) << c.name;
    delete ctl;
  }
}

TEST_F(ControlAlign, ConstraintsLimitSizeAndTheRestOfTheAreaFollows) {
  auto* left = Add<TTestWin>(host, 0, 0, 120, 10);
  left->Constraints()->SetMaxWidth(80);
  EXPECT_EQ(left->Width(), 80);  // a new limit applies at once
  left->SetAlign(alLeft);
  auto* client = Add<TTestWin>(host, 0, 0, 10, 10);
  client->SetAlign(alClient);
  client->Constraints()->SetMaxHeight(150);
  EXPECT_EQ(left->BoundsRect(), Rect(0, 0, 80, 200));
  EXPECT_EQ(client->BoundsRect(), Rect(80, 0, 300, 150));
  left->SetWidth(10);
  left->Constraints()->SetMinWidth(30);
  EXPECT_EQ(left->Width(), 30);
  EXPECT_EQ(client->Left(), 30);
}

TEST_F(ControlAlign, DisableAlignDefersUntilEnabled) {
  host->DisableAlign();
  auto* top = Add<TTestWin>(host, 10, 50, 20, 25);
  top->SetAlign(alTop);
  EXPECT_EQ(top->BoundsRect(), Bounds(10, 50, 20, 25));
  host->EnableAlign();
  EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 300, 25));
}

// A container keeping a margin free, as a panel keeps its border.
class TMarginBox : public TTestWin {
 public:
  using TTestWin::TTestWin;
  int Margin = 7;

 protected:
  void AdjustClientRect(TRect& r) override {
    r = Rect(r.Left + Margin, r.Top + Margin, r.Right - Margin, r.Bottom - Margin);
  }
};

TEST_F(ControlAlign, AdjustClientRectInsetsAlignedChildren) {
  auto* box = Add<TMarginBox>(host, 0, 0, 100, 80);
  box->ControlStyle |= csAcceptsControls;
  auto* inner = Add<TTestGraphic>(box, 0, 0, 5, 5);
  inner->SetAlign(alClient);
  EXPECT_EQ(inner->BoundsRect(), Rect(7, 7, 93, 73));
}

// alCustom: the parent decides; here it puts custom children on a diagonal.
class TDiagonalBox : public TTestWin {
 public:
  using TTestWin::TTestWin;

 protected:
  void CustomAlignPosition(TControl*, int& l, int& t, int&, int&, TRect&, TAlignInfo& info) override {
    l = t = 10 * (info.ControlIndex + 1);
  }
};

TEST_F(ControlAlign, CustomAlignAsksTheParent) {
  auto* box = Add<TDiagonalBox>(host, 0, 0, 200, 200);
  auto* a = Add<TTestGraphic>(box, 0, 0, 5, 5);
  auto* b = Add<TTestGraphic>(box, 0, 0, 5, 5);
  a->SetAlign(alCustom);
  b->SetAlign(alCustom);
  box->Realign();
  EXPECT_EQ(a->BoundsRect(), Bounds(10, 10, 5, 5));
  EXPECT_EQ(b->BoundsRect(), Bounds(20, 20, 5, 5));
}

TEST_F(ControlAlign, AutoSizeFollowsTheChildren) {
  auto* box = Add<TMarginBox>(host, 10, 10, 50, 50);
  box->ControlStyle |= csAcceptsControls;
  box->Margin = 4;
  auto* a = Add<TTestGraphic>(box, 4, 4, 30, 20);
  auto* b = Add<TTestWin>(box, 20, 30, 60, 10);
  box->SetAutoSize(true);
  // Extent of the children plus the free margin on the right and bottom.
  EXPECT_EQ(box->BoundsRect(), Bounds(10, 10, 84, 44));
  b->SetBounds(20, 30, 100, 50);
  EXPECT_EQ(box->BoundsRect(), Bounds(10, 10, 124, 84));
  b->SetVisible(false);
  EXPECT_EQ(box->BoundsRect(), Bounds(10, 10, 38, 28));
  (void)a;
}

// A graphic control that wants a size of its own, as a label does for its text.
class TSizedGraphic : public TTestGraphic {
 public:
  using TTestGraphic::TTestGraphic;
  TSize Wanted{33, 11};

 protected:
  bool CanAutoSize(int& w, int& h) override {
    w = Wanted.cx;
    h = Wanted.cy;
    return true;
  }
};

TEST_F(ControlAlign, AutoSizeUsesCanAutoSizeWithinTheAlignment) {
  auto* g = Add<TSizedGraphic>(host, 5, 5, 100, 100);
  g->SetAutoSize(true);
  EXPECT_EQ(g->BoundsRect(), Bounds(5, 5, 33, 11));
  g->Wanted = TSize{50, 20};
  g->SetAlign(alTop);  // the width now belongs to the alignment
  EXPECT_EQ(g->BoundsRect(), Rect(0, 0, 300, 20));
  g->Constraints()->SetMaxHeight(15);
  EXPECT_EQ(g->Height(), 15);
}

TEST_F(ControlAlign, ResizeEventsOnlyOnRealSizeChanges) {
  auto* w = Add<TTestWin>(host, 0, 0, 50, 50);
  int resizes = 0;
  w->OnResize = [&](TObject*) { ++resizes; };
  ShowHost();
  w->SetBounds(10, 10, 50, 50);
  EXPECT_EQ(resizes, 0);
  w->SetBounds(10, 10, 60, 50);
  EXPECT_EQ(resizes, 1);
  w->OnCanResize = [](TObject*, int& nw, int&, bool& ok) { ok = nw < 100; };
  w->SetWidth(200);
  EXPECT_EQ(w->Width(), 60);
  EXPECT_EQ(resizes, 1);
}

}  // namespace
