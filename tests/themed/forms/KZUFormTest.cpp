// The themed form panel on a form: taking over the frame, one panel per
// form, the size rules, hit testing of the resize band, the move and size
// loops, the caption buttons, and the menu bar with its short cuts.
#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/controls/ToolBar.h"
#include "platform/ui/menus/MenuWindow.h"
#include "platform/ui/forms/Screen.h"
#include "themed/buttons/KZUButton.h"
#include "platform/user/windows/WindowPos.h"
#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/forms/KZUForm.h"
#include "themed/forms/KZUMainMenu.h"

namespace {

using S = TkzuUIStyle;
using BT = TkzuTitleBarBtnType;

const RECT kWorkArea{0, 0, 1024, 728};

class KZUFormTest : public ThemedTest {
 protected:
  TForm* f = nullptr;
  TkzuForm* panel = nullptr;

  void SetUp() override {
    ThemedTest::SetUp();
    s.display.SetMonitors({TMonitorRec{RECT{0, 0, 1024, 768}, kWorkArea, true}});
    f = NewForm(150, 150, 400, 300);
    f->SetCaption("Portrait");
    panel = new TkzuForm(f);
    f->Show();
    s.display.RunUntilIdle();
  }
  // The screen point of a form client point.
  TPoint FormPoint(int x, int y) { return f->ClientToScreen(TPoint{x, y}); }
  void Drag(TPoint from, TPoint to) {
    s.display.MouseMove(from.X, from.Y);
    s.display.RunUntilIdle();
    s.display.MouseDown(from.X, from.Y);
    s.display.MouseMove((from.X + to.X) / 2, (from.Y + to.Y) / 2);
    s.display.MouseMove(to.X, to.Y);
    s.display.MouseUp(to.X, to.Y);
    s.display.RunUntilIdle();
  }
  int HitAt(int x, int y) {
    return int(SendMessage(f->Handle(), WM_NCHITTEST, 0, PointToLParam(POINT{FormPoint(x, y).X, FormPoint(x, y).Y})));
  }
  // The centre of a title bar button, in the bar's client coordinates.
  TPoint ButtonCentre(int index) {
    const TRect r = panel->TitleBar()->ButtonRect(index);
    return TPoint{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
  }
  void ClickButton(int index) {
    const TPoint c = ButtonCentre(index);
    MoveOver(panel->TitleBar(), c.X, c.Y);
    ClickOn(panel->TitleBar(), c.X, c.Y);
  }
  int IndexOf(BT type) {
    for (int i = 0; i < panel->TitleBarButtons()->Count(); ++i)
      if (panel->TitleBarButtons()->Items(i)->ButtonType() == type) return i;
    return -1;
  }
  TkzuMainMenu* NewMenu(TMenuItem** open = nullptr, int* opened = nullptr) {
    auto* m = new TkzuMainMenu(f);
    auto* file = new TMenuItem(m);
    file->SetCaption("&File");
    auto* o = new TMenuItem(m);
    o->SetCaption("&Open");
    o->SetShortCut(ShortCut('O', ssCtrl));
    if (opened) o->OnClick = [opened](TObject*) { ++*opened; };
    auto* line = new TMenuItem(m);
    line->SetCaption("-");
    auto* quit = new TMenuItem(m);
    quit->SetCaption("E&xit");
    file->Add(o);
    file->Add(line);
    file->Add(quit);
    auto* edit = new TMenuItem(m);
    edit->SetCaption("编辑");
    m->Items()->Add(file);
    m->Items()->Add(edit);
    m->HookItems();
    if (open) *open = o;
    s.display.RunUntilIdle();
    return m;
  }
};

TEST_F(KZUFormTest, TakesOverTheFrameOfItsForm) {
  EXPECT_EQ(f->BorderStyle(), bsNone);
  EXPECT_EQ(panel->Parent(), f);
  EXPECT_EQ(panel->Form(), f);
  EXPECT_EQ(panel->CreationBorderStyle(), bsSizeable);
  EXPECT_EQ(panel->UIStyle(), S::DeepBlue);
  EXPECT_EQ(panel->Caption(), "Portrait");
  EXPECT_TRUE(panel->HookedMessages());
  // DeepBlue: a one-pixel border, the title bar on top of the panel.
  EXPECT_EQ(panel->BorderWidth(), 1);
  EXPECT_EQ(panel->BoundsRect(), Bounds(1, 0, f->ClientWidth() - 2, f->ClientHeight() - 1));
  EXPECT_EQ(panel->TitleBar()->Top(), 0);
  EXPECT_EQ(panel->TitleBar()->Width(), panel->ClientWidth());
  EXPECT_EQ(f->Constraints()->MinHeight(), 50);
  EXPECT_EQ(f->Constraints()->MinWidth(), GetThemeInteger(S::DeepBlue, 6));
  EXPECT_EQ(f->Constraints()->MaxWidth(), 1024);
  EXPECT_EQ(f->Constraints()->MaxHeight(), 728);
  // The border on the form, the panel's colour inside it.
  s.display.RunUntilIdle();
  EXPECT_EQ(AtIn(f, f, 0, 150), COLORREF(panel->BorderColor()));
  EXPECT_EQ(AtIn(f, panel, 20, 150), COLORREF(panel->Color()));
}

TEST_F(KZUFormTest, ASecondPanelIsRefusedBeforeItChangesTheForm) {
  panel->SetWidth(300);
  const TRect before = f->BoundsRect();
  const int minW = f->Constraints()->MinWidth();
  try {
    new TkzuForm(f);
    ADD_FAILURE() << "a second panel was made";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Sorry, You can create only one TkzuForm component in one form!");
  }
  EXPECT_EQ(f->BoundsRect(), before);
  EXPECT_EQ(f->Constraints()->MinWidth(), minW);
  int panels = 0;
  for (int i = 0; i < f->ControlCount(); ++i) panels += dynamic_cast<TkzuForm*>(f->Controls(i)) != nullptr;
  EXPECT_EQ(panels, 1);
}

TEST_F(KZUFormTest, WidthAndHeightSizeTheFormAndDoNotDrift) {
  panel->SetBorderWidth(3);
  panel->SetHeight(200);
  panel->SetWidth(300);
  EXPECT_EQ(f->Height(), 204);  // 200 + 3 + 3 div 2
  EXPECT_EQ(f->Width(), 306);
  // Changing the look or the border again re-applies what was asked for.
  panel->SetUIStyle(S::WinXP);  // border 3
  panel->SetUIStyle(S::WinXP);
  panel->SetBorderWidth(3);
  EXPECT_EQ(f->Height(), 204);
  EXPECT_EQ(f->Width(), 306);
  panel->SetUIStyle(S::DeepBlue);  // border 1: 200 + 1 + 0
  EXPECT_EQ(f->Height(), 201);
  EXPECT_EQ(f->Width(), 302);
}

TEST_F(KZUFormTest, HidingTheTitleBarMovesThePanelDownByTheBorder) {
  panel->SetUIStyle(S::WinXP);
  EXPECT_EQ(panel->Top(), 0);
  panel->SetTitleBarVisible(false);
  EXPECT_EQ(panel->Top(), 3);
  EXPECT_EQ(panel->Height(), f->ClientHeight() - 6);
  panel->SetTitleBarVisible(true);
  EXPECT_EQ(panel->Top(), 0);
}

TEST_F(KZUFormTest, TheResizeBandIsHitTestedByTheForm) {
  const int w = f->ClientWidth(), h = f->ClientHeight();
  struct Case {
    int x, y, hit;
  };
  const Case cases[] = {
      {w - 3, h - 3, HTBOTTOMRIGHT}, {2, 2, HTTOPLEFT},    {w - 2, 1, HTTOPRIGHT}, {1, h - 2, HTBOTTOMLEFT},
      {4, 150, HTLEFT},              {200, 4, HTTOP},      {w - 4, 150, HTRIGHT},  {200, h - 4, HTBOTTOM},
      {10, 150, HTCLIENT},           {5, 150, HTCLIENT},
  };
  for (const Case& k : cases) EXPECT_EQ(HitAt(k.x, k.y), k.hit) << k.x << "," << k.y;
  // The panel and its title bar let the band through to the form.
  const TPoint edge = FormPoint(w - 3, 150), top = FormPoint(200, 2);
  EXPECT_EQ(WindowFromPoint(POINT{edge.X, edge.Y}), f->Handle());
  EXPECT_EQ(WindowFromPoint(POINT{top.X, top.Y}), f->Handle());
  const TPoint inside = FormPoint(200, 150);
  EXPECT_EQ(WindowFromPoint(POINT{inside.X, inside.Y}), panel->Handle());
  // A maximized form has no band.
  f->SetWindowState(wsMaximized);
  s.display.RunUntilIdle();
  EXPECT_EQ(HitAt(2, 150), HTCLIENT);
}

TEST_F(KZUFormTest, TheSizeLoopSizesByTheEdgeAndTheMoveLoopMovesByTheCaption) {
  const int w = f->Width(), h = f->Height();
  Drag(FormPoint(f->ClientWidth() - 2, 150), FormPoint(f->ClientWidth() - 2 + 40, 150));
  EXPECT_EQ(f->Width(), w + 40);
  EXPECT_EQ(f->Left(), 150);
  Drag(FormPoint(200, f->ClientHeight() - 2), FormPoint(200, f->ClientHeight() - 2 + 25));
  EXPECT_EQ(f->Height(), h + 25);
  // The panel followed, and the next look change keeps the user's size.
  EXPECT_EQ(panel->Width(), f->ClientWidth() - 2);
  panel->SetUIStyle(S::BlueGlass);
  panel->SetUIStyle(S::DeepBlue);
  EXPECT_EQ(f->Width(), w + 40);
  EXPECT_EQ(f->Height(), h + 25);
  // The caption, away from its buttons.
  const TPoint from = panel->TitleBar()->ClientToScreen(TPoint{150, 12});
  Drag(from, TPoint{from.X + 30, from.Y + 20});
  EXPECT_EQ(f->Left(), 180);
  EXPECT_EQ(f->Top(), 170);
}

TEST_F(KZUFormTest, CaptionButtonsMaximizeToTheWorkAreaRestoreMinimizeAndClose) {
  const TRect normal = f->BoundsRect();
  ClickButton(IndexOf(BT::kzuMax));
  EXPECT_EQ(f->WindowState(), wsMaximized);
  EXPECT_EQ(f->BoundsRect(), TRect(kWorkArea));
  ClickButton(IndexOf(BT::kzuMax));
  EXPECT_EQ(f->WindowState(), wsNormal);
  EXPECT_EQ(f->BoundsRect(), normal);
  ClickButton(IndexOf(BT::kzuMin));
  EXPECT_TRUE(IsIconic(f->Handle()));
  ShowWindow(f->Handle(), SW_RESTORE);
  s.display.RunUntilIdle();
  bool closed = false;
  f->OnClose = [&](TObject*, TCloseAction& a) {
    closed = true;
    a = caFree;  // the bar goes with the form while its click runs
  };
  auto alive = f->AliveToken();
  ClickButton(IndexOf(BT::kzuClose));
  EXPECT_TRUE(closed);
  EXPECT_FALSE(*alive);
}

TEST_F(KZUFormTest, DoubleClickingTheCaptionMaximizesButNotOnAButton) {
  TkzuTitleBar* bar = panel->TitleBar();
  const TPoint box = ButtonCentre(IndexOf(BT::kzuControlBox));
  MoveOver(bar, box.X, box.Y);
  const TPoint b = bar->ClientToScreen(box);
  s.display.Click(b.X, b.Y);
  s.display.Click(b.X, b.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(f->WindowState(), wsNormal);
  s.display.AdvanceTime(1000);
  // The double click's first press starts a move that ends at once.
  const TPoint c = bar->ClientToScreen(TPoint{150, 12});
  s.display.MouseMove(c.X, c.Y);
  s.display.RunUntilIdle();
  s.display.Click(c.X, c.Y);
  s.display.Click(c.X, c.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(f->WindowState(), wsMaximized);
  EXPECT_EQ(f->BoundsRect(), TRect(kWorkArea));
}

TEST_F(KZUFormTest, TheMenuShowsInTheMenuBarAndItsShortCutsRunInThisFormOnly) {
  int opened = 0;
  TkzuMainMenu* m = NewMenu(nullptr, &opened);
  EXPECT_EQ(f->Menu(), nullptr);
  EXPECT_EQ(panel->Menu(), m);
  EXPECT_EQ(m->ThemedForm(), panel);
  ASSERT_NE(panel->MenuBar(), nullptr);
  ASSERT_EQ(panel->MenuBar()->ButtonCount(), 2);
  EXPECT_EQ(panel->MenuBar()->Buttons(0)->Caption(), "&File");
  EXPECT_EQ(panel->MenuBar()->Buttons(1)->Caption(), "编辑");
  EXPECT_EQ(panel->MenuBar()->Height(), 22);
  EXPECT_EQ(panel->TitleBar()->Top(), 0);
  EXPECT_GE(panel->MenuBar()->Top(), panel->TitleBar()->Height());
  // Ctrl+O in the themed form runs the item.
  f->SetFocus();
  s.display.RunUntilIdle();
  s.display.KeyDown(VK_CONTROL);
  s.display.KeyPress('O');
  s.display.KeyUp(VK_CONTROL);
  s.display.RunUntilIdle();
  EXPECT_EQ(opened, 1);
  // Typed in the other form, the key is not this menu's.
  form->SetFocus();
  s.display.RunUntilIdle();
  s.display.KeyDown(VK_CONTROL);
  s.display.KeyPress('O');
  s.display.KeyUp(VK_CONTROL);
  s.display.RunUntilIdle();
  EXPECT_EQ(opened, 1);
  // A caption change reaches the bar; removing the menu frees it.
  m->Items()->Items(1)->SetCaption("Edit");
  EXPECT_EQ(panel->MenuBar()->Buttons(1)->Caption(), "Edit");
  delete m;
  EXPECT_EQ(panel->Menu(), nullptr);
  EXPECT_EQ(panel->MenuBar(), nullptr);
}

TEST_F(KZUFormTest, AFreedPanelTakesAwayOnlyItsOwnMessageCallback) {
  ASSERT_TRUE(panel->HookedMessages());
  ASSERT_TRUE(Application->OnMessage);
  delete panel;
  EXPECT_FALSE(Application->OnMessage);
  // A callback someone put in later is left alone.
  TForm* g = NewForm(10, 10, 300, 200);
  auto* p2 = new TkzuForm(g);
  ASSERT_TRUE(p2->HookedMessages());
  int later = 0;
  Application->OnMessage = [&](MSG&, bool&) { ++later; };
  delete p2;
  ASSERT_TRUE(Application->OnMessage);
  MSG m{};
  bool handled = false;
  Application->OnMessage(m, handled);
  EXPECT_EQ(later, 1);
  Application->OnMessage = nullptr;
}

TEST_F(KZUFormTest, ThePanelIsPaintedWithTheLooksPattern) {
  panel->SetUIStyle(S::MacOS);
  s.display.RunUntilIdle();
  // Pattern rows 0 and 2 differ in the MacOS stripes.
  const TPoint p = panel->ScreenToClient(panel->TitleBar()->ClientToScreen(TPoint{0, panel->TitleBar()->Height()}));
  const int y = ((p.Y + 8) / 8) * 8 + 8;
  EXPECT_EQ(AtIn(f, panel, 40, y), ThemePixel("MACOS_FORM_BACKGROUND", 40 % 8, 0));
  EXPECT_EQ(AtIn(f, panel, 40, y + 2), ThemePixel("MACOS_FORM_BACKGROUND", 40 % 8, 2));
  EXPECT_NE(AtIn(f, panel, 40, y), AtIn(f, panel, 40, y + 2));
}


TEST_F(KZUFormTest, TheFormsRegionRoundsOnlyItsTopCorners) {
  panel->SetUIStyle(S::WinXP);  // corner radius 13
  s.display.RunUntilIdle();
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(f->Handle(), rgn), 0);
  const int w = f->ClientWidth(), h = f->ClientHeight();
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_FALSE(PtInRegion(rgn, w - 1, 0));
  EXPECT_TRUE(PtInRegion(rgn, 13, 0));
  EXPECT_TRUE(PtInRegion(rgn, 0, h - 1));
  EXPECT_TRUE(PtInRegion(rgn, w - 1, h - 1));
  EXPECT_TRUE(PtInRegion(rgn, w / 2, h / 2));
  DeleteObject(rgn);
}

TEST_F(KZUFormTest, TheControlBoxPopsItsMenuUnderTheBar) {
  auto* menu = new TPopupMenu(f);
  auto* item = new TMenuItem(menu);
  item->SetCaption("Restore");
  menu->Items()->Add(item);
  const int box = IndexOf(BT::kzuControlBox);
  panel->TitleBarButtons()->Items(box)->SetControlBoxMenu(menu);
  TRect shown{};
  After(50, [&] {
    if (MenuLevelCount() == 1) {
      RECT r{};
      GetWindowRect(MenuLevelWindow(0), &r);
      shown = r;
    }
    s.display.KeyPress(VK_ESCAPE);
  });
  ClickButton(box);
  const TPoint corner = panel->TitleBar()->ClientToScreen(TPoint{0, panel->TitleBar()->Height()});
  EXPECT_EQ(shown.Left, corner.X);
  EXPECT_EQ(shown.Top, corner.Y);
}

TEST_F(KZUFormTest, AFormCreatedMaximizedFillsTheWorkArea) {
  TForm* g = NewForm(40, 40, 300, 200);
  g->SetWindowState(wsMaximized);
  auto* p = new TkzuForm(g);
  EXPECT_TRUE(p->StartMaximized());
  g->Show();
  s.display.RunUntilIdle();
  EXPECT_EQ(g->BoundsRect(), TRect(kWorkArea));
  EXPECT_EQ(p->Width(), 1024 - 2);
}

TEST_F(KZUFormTest, AFormPanelFillsTheClientAndThePanelItselfIsRefused) {
  auto* inner = new TPanel(f);
  inner->SetParent(panel);
  inner->SetCaption("inner");
  panel->SetFormPanel(inner);
  s.display.RunUntilIdle();
  EXPECT_EQ(panel->FormPanel(), inner);
  EXPECT_EQ(inner->Align(), alClient);
  EXPECT_EQ(inner->Caption(), "");
  EXPECT_EQ(inner->BevelOuter(), bvNone);
  bool asked = false;
  After(50, [&] {
    TForm* box = ::Screen->ActiveForm();
    asked = box && box->Modal();
    s.display.KeyPress(VK_RETURN);
  });
  panel->SetFormPanel(panel);
  EXPECT_TRUE(asked);
  EXPECT_EQ(panel->FormPanel(), inner);
  delete inner;
  EXPECT_EQ(panel->FormPanel(), nullptr);
}

TEST_F(KZUFormTest, ALookIsPushedToTheControlsInsideWhenAsked) {
  auto* b = new TkzuButton(f);
  b->SetParent(panel);
  EXPECT_EQ(b->UIStyle(), S::DeepBlue);
  panel->SetUIStyle(S::WinXP);
  EXPECT_EQ(b->UIStyle(), S::DeepBlue);
  panel->UIStyleAutoUpdateSub = true;
  panel->SetUIStyle(S::Protein);
  EXPECT_EQ(b->UIStyle(), S::Protein);
}


TEST_F(KZUFormTest, AnMdiChildKeepsItsFrameAndHidesItsTitleBarWhileMaximized) {
  form->SetFormStyle(fsMDIForm);
  form->Show();
  s.display.RunUntilIdle();
  ASSERT_NE(form->ClientHandle(), nullptr);
  auto* c = new TForm(&app);
  c->SetFormStyle(fsMDIChild);
  c->SetBounds(10, 10, 260, 180);
  auto* p = new TkzuForm(c);
  c->Show();
  s.display.RunUntilIdle();
  EXPECT_NE(c->BorderStyle(), bsNone);
  EXPECT_EQ(p->Width(), c->ClientWidth() - 2 * p->BorderWidth() - 3);
  EXPECT_TRUE(p->TitleBarVisible());
  c->SetWindowState(wsMaximized);
  s.display.RunUntilIdle();
  EXPECT_FALSE(p->TitleBarVisible());
  EXPECT_EQ(p->Top(), p->BorderWidth());
  c->SetWindowState(wsNormal);
  s.display.RunUntilIdle();
  EXPECT_TRUE(p->TitleBarVisible());
  EXPECT_EQ(p->Top(), 0);
}

TEST_F(KZUFormTest, SnapshotsInEveryLook) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  NewMenu();
  panel->SetCaption("人像修饰 Portrait");
  for (int li = 0; li < 5; ++li) {
    panel->SetUIStyle(looks[li]);
    s.display.RunUntilIdle();
    MoveOver(panel->MenuBar()->Buttons(0), 5, 5);
    EXPECT_EQ(AtIn(f, f, 0, f->ClientHeight() / 2), COLORREF(panel->BorderColor())) << names[li];
    SaveWindowSheet(f->Handle(), std::string("themed_form_") + names[li]);
    MoveAway();
  }
}

}  // namespace
