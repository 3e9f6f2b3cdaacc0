#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/menus/MenuTestSupport.h"
#include "tests/platform/ui/UiTestSupport.h"
#include "platform/ui/controls/ClassicDraw.h"

namespace {

// The monitor keeps a task bar's height off its work area, so a menu that
// only stays on the screen is told apart from one that stays on the work area.
constexpr int kWorkBottom = 984;

class MenuScrollTest : public MenuFixture {
 protected:
  TMenuForm* f = nullptr;
  TPopupMenu* pm = nullptr;
  std::vector<TMenuItem*> items;
  std::vector<std::string> clicks;

  void SetUp() override {
    s.display.SetMonitors({TMonitorRec{Bounds(0, 0, 1280, 1024), Bounds(0, 0, 1280, kWorkBottom), true}});
    f = NewMenuForm();
    f->Show();
    pm = new TPopupMenu(f);
    for (int i = 0; i < 200; ++i) items.push_back(AddItem(pm->Items(), "Item " + std::to_string(i)));
    s.display.RunUntilIdle();
  }
  TMenuItem* AddItem(TMenuItem* parent, const std::string& caption) {
    TMenuItem* item = NewItem(parent, caption);
    item->OnClick = [this](TObject* s) { clicks.push_back(static_cast<TMenuItem*>(s)->Caption()); };
    return item;
  }
  // The popup pops 10 ms from now; the test's steps come after.
  void PopupSoon(TPoint at = TPoint{200, 300}) {
    After(10, [this, at] { pm->Popup(at.X, at.Y); });
  }
  RECT LevelRect(int level) {
    RECT r{};
    GetWindowRect(MenuLevelWindow(level), &r);
    return r;
  }
  // Whether Item's whole row is shown at Level.
  static bool FullyShown(int level, TMenuItem* item) {
    return MenuItemScreenRect(level, item).Height() == MenuRowHeight();
  }
  // Pixels of colour c inside a screen rectangle of a level's window.
  int CountPixels(int level, const TRect& screen, TColor c) {
    HWND w = MenuLevelWindow(level);
    RECT wr = LevelRect(level);
    int n = 0;
    for (int y = screen.Top; y < screen.Bottom; ++y)
      for (int x = screen.Left; x < screen.Right; ++x)
        if (s.display.PixelAt(w, x - wr.Left, y - wr.Top) == ClassicRGB(c)) ++n;
    return n;
  }
};

TEST_F(MenuScrollTest, ATallPopupFitsTheWorkAreaBetweenArrowStrips) {
  PopupSoon();
  After(20, [&] {
    ASSERT_EQ(MenuLevelCount(), 1);
    RECT r = LevelRect(0);
    EXPECT_EQ(r.Top, 0);
    EXPECT_EQ(r.Bottom, kWorkBottom);
    EXPECT_EQ(r.Left, 200);
    EXPECT_EQ(MenuLevelTopItem(0), items[0]);
    TRect up = MenuScrollArrowScreenRect(0, -1), down = MenuScrollArrowScreenRect(0, +1);
    ASSERT_GT(up.Height(), 0);
    ASSERT_GT(down.Height(), 0);
    EXPECT_LE(up.Bottom, MenuItemScreenRect(0, items[0]).Top);
    EXPECT_TRUE(FullyShown(0, items[0]));
    EXPECT_EQ(MenuItemScreenRect(0, items[199]), TRect{});  // scrolled out, not off the work area
    // Nothing above the first row: the upper arrow is embossed, the lower one plain.
    EXPECT_EQ(CountPixels(0, up, clMenuText), 0);
    EXPECT_GT(CountPixels(0, up, clBtnShadow), 0);
    EXPECT_GT(CountPixels(0, down, clMenuText), 0);
    EndMenu();
  });
  s.display.AdvanceTime(100);
  EXPECT_FALSE(MenuLoopActive());
}

TEST_F(MenuScrollTest, RestingOnAnArrowStripScrollsARowPerTick) {
  std::vector<TMenuItem*> tops;
  auto record = [&] { tops.push_back(MenuLevelTopItem(0)); };
  PopupSoon();
  After(20, [&] { Move(Center(MenuScrollArrowScreenRect(0, +1))); });
  After(70, record);   // the first tick is 100 ms away
  After(270, record);  // two ticks
  After(370, [&] {
    record();
    EXPECT_EQ(MenuLevelSelected(0), nullptr);
    EXPECT_GT(CountPixels(0, MenuScrollArrowScreenRect(0, -1), clMenuText), 0);  // rows above now
    Move(Center(MenuItemScreenRect(0, items[10])));  // off the strip: scrolling stops
  });
  After(700, [&] {
    record();
    EXPECT_EQ(MenuLevelSelected(0), items[10]);
    Move(Center(MenuScrollArrowScreenRect(0, -1)));
  });
  After(1050, [&] {
    record();  // back at the top after three ticks; nothing further up
    Click(Center(MenuScrollArrowScreenRect(0, +1)));  // a press scrolls at once
  });
  After(1060, [&] {
    record();
    EndMenu();
  });
  s.display.AdvanceTime(1100);
  EXPECT_EQ(tops, (std::vector<TMenuItem*>{items[0], items[2], items[3], items[3], items[0], items[1]}));
  EXPECT_TRUE(clicks.empty());
}

TEST_F(MenuScrollTest, TheWheelScrollsByTheWheelLinesAndStopsAtTheEnds) {
  struct TStep {
    int delta;
    int top;
  };
  // Three rows a notch (SPI_GETWHEELSCROLLLINES), never above the first row.
  // Fine-grained wheels send parts of a notch, which add up.
  const std::vector<TStep> steps{{-WHEEL_DELTA, 3}, {-2 * WHEEL_DELTA, 9}, {WHEEL_DELTA, 6}, {5 * WHEEL_DELTA, 0},
                                 {-30, 0},          {-30, 1}};
  std::vector<TMenuItem*> got;
  PopupSoon();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    After(20 + 10 * int(i), [&, i] {
      TPoint p = Center(MenuItemScreenRect(0, MenuLevelTopItem(0)));
      s.display.Wheel(p.X, p.Y, steps[i].delta);
    });
    After(25 + 10 * int(i), [&] { got.push_back(MenuLevelTopItem(0)); });
  }
  After(100, [&] {
    s.display.KeyPress(VK_END);
    s.display.Wheel(300, 500, -10 * WHEEL_DELTA);  // at the bottom already
  });
  After(110, [&] {
    EXPECT_TRUE(FullyShown(0, items[199]));
    EXPECT_EQ(MenuItemScreenRect(0, items[198]).Height(), MenuRowHeight());
    EXPECT_LE(MenuItemScreenRect(0, items[199]).Bottom, MenuScrollArrowScreenRect(0, +1).Top);
    EXPECT_EQ(CountPixels(0, MenuScrollArrowScreenRect(0, +1), clMenuText), 0);  // embossed at the end
    EndMenu();
  });
  s.display.AdvanceTime(200);
  ASSERT_EQ(got.size(), steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i)
    EXPECT_EQ(got[i], items[std::size_t(steps[i].top)]) << "step " << i;
}

TEST_F(MenuScrollTest, KeysSelectAcrossTheWholeMenuAndScrollTheSelectionIntoView) {
  // Hidden items and the separators line reduction drops are not rows.
  items[199]->SetVisible(false);
  items[1]->SetVisible(false);
  NewItem(pm->Items(), "-");                      // trailing: dropped
  pm->Items()->Insert(0, NewItem(nullptr, "-"));  // leading: dropped
  for (int i = 0; i < 2; ++i) pm->Items()->Insert(items[100]->MenuIndex(), NewItem(nullptr, "-"));  // one stays
  items[99]->SetCaption("&Wolf");
  items[150]->SetCaption("&Wren");  // two matches: 'W' selects without running
  struct TCase {
    std::vector<int> keys;
    int selected;  // index into items
  };
  const std::vector<TCase> cases{
      {{VK_END}, 198},
      {{VK_END, VK_HOME}, 0},
      {{VK_DOWN}, 0},
      {{VK_DOWN, VK_DOWN}, 2},  // past the hidden item
      {{VK_UP}, 198},           // wraps to the bottom
      {{VK_END, VK_DOWN}, 0},   // and back to the top
      {{VK_PRIOR}, 198},        // nothing selected: as Up
      {{VK_END, VK_NEXT}, 198},
      {{VK_END, VK_PRIOR, VK_NEXT}, 198},
      {{'W', VK_DOWN}, 100},  // over the separator left between them
      {{'W', VK_DOWN, VK_UP}, 99},
      {{'W', 'W'}, 150},
  };
  std::vector<TMenuItem*> selected;
  std::vector<bool> shown;
  for (std::size_t c = 0; c < cases.size(); ++c) {
    After(10 + 20 * int(c), [&] { pm->Popup(200, 300); });
    After(15 + 20 * int(c), [&, c] {
      for (int k : cases[c].keys) s.display.KeyPress(k);
    });
    After(20 + 20 * int(c), [&] {
      selected.push_back(MenuLevelSelected(0));
      shown.push_back(MenuLevelSelected(0) && FullyShown(0, MenuLevelSelected(0)));
      EndMenu();
    });
  }
  s.display.AdvanceTime(20 * int(cases.size()) + 50);
  ASSERT_EQ(selected.size(), cases.size());
  for (std::size_t c = 0; c < cases.size(); ++c) {
    EXPECT_EQ(selected[c], items[std::size_t(cases[c].selected)]) << "case " << c;
    EXPECT_TRUE(shown[c]) << "case " << c;
  }
  EXPECT_TRUE(clicks.empty());
}

TEST_F(MenuScrollTest, PageKeysMoveAViewportAtATimeAndKeepTheSelectionAtTheEdge) {
  std::vector<TMenuItem*> selected;
  PopupSoon();
  After(20, [&] {
    s.display.KeyPress(VK_HOME);
    s.display.KeyPress(VK_NEXT);
  });
  After(30, [&] {
    TMenuItem* sel = MenuLevelSelected(0);
    ASSERT_NE(sel, nullptr);
    selected.push_back(sel);
    int index = sel->MenuIndex();
    EXPECT_TRUE(FullyShown(0, sel));
    EXPECT_FALSE(FullyShown(0, items[std::size_t(index + 1)]));  // the selection sits at the bottom
    EXPECT_TRUE(FullyShown(0, items[std::size_t(index - 1)]));
    EXPECT_EQ(MenuLevelTopItem(0), items[0]);  // the last row in view was chosen, nothing scrolled
    s.display.KeyPress(VK_NEXT);
  });
  After(40, [&] {
    selected.push_back(MenuLevelSelected(0));
    EXPECT_TRUE(FullyShown(0, MenuLevelSelected(0)));
    s.display.KeyPress(VK_PRIOR);
    s.display.KeyPress(VK_PRIOR);
  });
  After(50, [&] {
    selected.push_back(MenuLevelSelected(0));
    EXPECT_TRUE(FullyShown(0, items[0]));
    EndMenu();
  });
  s.display.AdvanceTime(100);
  ASSERT_EQ(selected.size(), 3u);
  int page = selected[0]->MenuIndex();
  EXPECT_GT(page, 10);  // well past what one key press of Down does
  EXPECT_EQ(selected[1]->MenuIndex(), 2 * page);
  EXPECT_EQ(selected[2], items[0]);
}

TEST_F(MenuScrollTest, AcceleratorsSelectAndRunItemsOutOfView) {
  TMenuItem* quail = items[120];
  TMenuItem* quokka = items[170];
  quail->SetCaption("&Quail");
  quokka->SetCaption("&Quokka");
  TMenuItem* zebra = items[150];
  zebra->SetCaption("&Zebra");
  std::vector<TMenuItem*> selected;
  PopupSoon();
  After(20, [&] { s.display.KeyPress('Q'); });  // two matches: selects, does not run
  After(30, [&] {
    selected.push_back(MenuLevelSelected(0));
    EXPECT_TRUE(FullyShown(0, quail));
    s.display.KeyPress('Q');
  });
  After(40, [&] {
    selected.push_back(MenuLevelSelected(0));
    EXPECT_TRUE(FullyShown(0, quokka));
    s.display.KeyPress('Z');  // one match: runs
  });
  s.display.AdvanceTime(100);
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(selected, (std::vector<TMenuItem*>{quail, quokka}));
  EXPECT_EQ(clicks, (std::vector<std::string>{"&Zebra"}));
}

TEST_F(MenuScrollTest, AClickAfterScrollingRunsTheItemShownUnderThePointer) {
  TPoint where{};
  PopupSoon();
  After(20, [&] {
    where = Center(MenuItemScreenRect(0, items[1]));
    s.display.Wheel(where.X, where.Y, -2 * WHEEL_DELTA);
  });
  After(30, [&] {
    EXPECT_TRUE(MenuItemScreenRect(0, items[7]).Contains(where));
    Move(where);
    Click(where);
  });
  s.display.AdvanceTime(100);
  EXPECT_FALSE(MenuLoopActive());
  EXPECT_EQ(clicks, (std::vector<std::string>{"Item 7"}));
}

TEST_F(MenuScrollTest, ASubMenuOfAScrolledItemOpensBesideItAndScrollsItself) {
  TMenuItem* parent = items[60];
  parent->OnClick = nullptr;  // it would run as the sub-menu opens
  std::vector<TMenuItem*> subItems;
  for (int i = 0; i < 120; ++i) subItems.push_back(AddItem(parent, "Sub " + std::to_string(i)));
  TRect row{};
  PopupSoon();
  After(20, [&] {
    TPoint p = Center(MenuItemScreenRect(0, items[0]));
    s.display.Wheel(p.X, p.Y, -18 * WHEEL_DELTA);  // 54 rows down
  });
  After(30, [&] {
    row = MenuItemScreenRect(0, parent);
    ASSERT_TRUE(FullyShown(0, parent));
    Click(Center(row));  // opens at once
  });
  After(40, [&] {
    ASSERT_EQ(MenuLevelCount(), 2);
    EXPECT_EQ(MenuLevelParent(1), parent);
    RECT top = LevelRect(0), sub = LevelRect(1);
    EXPECT_GE(sub.Left, top.Right - 4);  // beside its parent
    EXPECT_EQ(sub.Top, 0);               // as tall as the work area
    EXPECT_EQ(sub.Bottom, kWorkBottom);
    EXPECT_GT(MenuScrollArrowScreenRect(1, +1).Height(), 0);
    s.display.KeyPress(VK_END);
  });
  After(50, [&] {
    EXPECT_EQ(MenuLevelSelected(1), subItems.back());
    EXPECT_TRUE(FullyShown(1, subItems.back()));
    EXPECT_EQ(MenuLevelSelected(0), parent);  // the parent level did not move
    EXPECT_EQ(MenuItemScreenRect(0, parent), row);
    s.display.KeyPress(VK_RETURN);
  });
  s.display.AdvanceTime(100);
  EXPECT_EQ(clicks, (std::vector<std::string>{"Sub 119"}));
}

TEST_F(MenuScrollTest, AnAcceleratorOpensTheSubMenuOfARowOutOfViewBesideIt) {
  TMenuItem* parent = items[90];
  parent->SetCaption("&Parent");
  TMenuItem* inner = NewItem(parent, "Inner");
  PopupSoon();
  After(20, [&] {
    EXPECT_EQ(MenuItemScreenRect(0, parent), TRect{});
    s.display.KeyPress('P');
  });
  After(30, [&] {
    ASSERT_EQ(MenuLevelCount(), 2);
    EXPECT_EQ(MenuLevelSelected(1), inner);
    TRect row = MenuItemScreenRect(0, parent);
    EXPECT_TRUE(FullyShown(0, parent));
    EXPECT_NE(MenuLevelTopItem(0), items[0]);
    RECT top = LevelRect(0), sub = LevelRect(1);
    EXPECT_GE(sub.Left, top.Right - 4);
    EXPECT_EQ(sub.Top, row.Top - 3);  // its first row level with the parent row
    EXPECT_EQ(MenuScrollArrowScreenRect(1, +1), TRect{});
    EndMenu();
  });
  s.display.AdvanceTime(100);
}

TEST_F(MenuScrollTest, OwnerDrawRowsGetTheirScrolledRectangles) {
  pm->SetOwnerDraw(true);
  TMenuItem* drawn = items[40];
  TRect drawnRect{};
  for (TMenuItem* i : items)
    i->OnMeasureItem = [](TObject*, TCanvas*, int& w, int& h) {
      w = 120;
      h = 25;
    };
  for (TMenuItem* i : items)
    i->OnAdvancedDrawItem = [&, i](TObject*, TCanvas* c, TRect r, TOwnerDrawState st) {
      if (i == drawn && (st & odSelected)) drawnRect = r;
      c->Brush()->SetColor(clRed);
      c->FillRect(r);
    };
  TRect shown{};
  PopupSoon();
  After(20, [&] {
    EXPECT_EQ(LevelRect(0).Bottom, kWorkBottom);
    TPoint p = Center(MenuItemScreenRect(0, items[0]));
    s.display.Wheel(p.X, p.Y, -10 * WHEEL_DELTA);  // 30 rows of 25 down
  });
  After(30, [&] {
    shown = MenuItemScreenRect(0, drawn);
    EXPECT_EQ(shown.Height(), 25);
    Move(Center(shown));
  });
  After(40, [&] {
    RECT wr = LevelRect(0);
    EXPECT_EQ(drawnRect,
              (TRect{shown.Left - wr.Left, shown.Top - wr.Top, shown.Right - wr.Left, shown.Bottom - wr.Top}));
    // Rows are clipped to the room between the strips, the last one partly shown.
    EXPECT_GT(CountPixels(0, shown, clRed), 0);
    EXPECT_EQ(CountPixels(0, MenuScrollArrowScreenRect(0, -1), clRed), 0);
    EXPECT_EQ(CountPixels(0, MenuScrollArrowScreenRect(0, +1), clRed), 0);
    EndMenu();
  });
  s.display.AdvanceTime(100);
}

TEST_F(MenuScrollTest, ABarMenuTallerThanTheRoomBelowTheBarScrollsThereWithoutCoveringIt) {
  auto* menu = new TMainMenu(f);
  TMenuItem* file = NewItem(menu->Items(), "&File");
  std::vector<TMenuItem*> fileItems;
  for (int i = 0; i < 100; ++i) fileItems.push_back(AddItem(file, "File " + std::to_string(i)));
  f->SetMenu(menu);
  s.display.RunUntilIdle();
  TRect bar = BarItemScreenRect(f, 0);
  After(10, [&] { Click(Center(bar)); });
  After(20, [&] {
    ASSERT_EQ(MenuLevelParent(0), file);
    RECT r = LevelRect(0);
    EXPECT_EQ(r.Top, bar.Bottom);
    EXPECT_EQ(r.Bottom, kWorkBottom);
    EXPECT_GT(MenuScrollArrowScreenRect(0, +1).Height(), 0);
    s.display.KeyPress(VK_UP);  // wraps to the last item, scrolled into view
    s.display.KeyPress(VK_RETURN);
  });
  s.display.AdvanceTime(100);
  EXPECT_EQ(clicks, (std::vector<std::string>{"File 99"}));
}

TEST_F(MenuScrollTest, AShortMenuDoesNotScroll) {
  TPopupMenu* small = new TPopupMenu(f);
  TMenuItem* a = NewItem(small->Items(), "A");
  NewItem(small->Items(), "B");
  After(10, [&] { small->Popup(200, 300); });
  After(20, [&] {
    EXPECT_EQ(MenuScrollArrowScreenRect(0, -1), TRect{});
    EXPECT_EQ(MenuScrollArrowScreenRect(0, +1), TRect{});
    s.display.Wheel(210, 310, -WHEEL_DELTA);
  });
  After(30, [&] {
    EXPECT_EQ(MenuLevelTopItem(0), a);
    EndMenu();
  });
  s.display.AdvanceTime(100);
}

}  // namespace
