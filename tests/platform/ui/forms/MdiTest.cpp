// MDI children in a frame form: which child is active and what its forms
// are told, the frame's title with a maximized child, and the arrangements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StockTexts.h"
#include "platform/ui/edits/Edit.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/lists/ListBox.h"
#include "platform/ui/menus/MenuBar.h"
#include "platform/ui/menus/MenuWindow.h"
#include "platform/ui/menus/Menus.h"

namespace {

class MdiTest : public FormsTest {
 protected:
  TForm* frame = nullptr;
  std::vector<std::string> log;

  void SetUp() override {
    frame = NewForm(0, 0, 800, 600);
    frame->SetCaption("Frame");
    frame->SetFormStyle(fsMDIForm);
    frame->Show();
    s.display.RunUntilIdle();
    ASSERT_NE(frame->ClientHandle(), nullptr);
  }
  // The handlers log into this fixture: the forms go while it still exists.
  void TearDown() override {
    app.DestroyComponents();
    s.display.RunUntilIdle();
  }

  TForm* Child(const std::string& name, int x = 0, int y = 0) {
    auto* c = new TForm(&app);
    c->SetName(name);
    c->SetCaption(name);
    c->SetFormStyle(fsMDIChild);
    c->SetBounds(x, y, 200, 150);
    c->OnActivate = [this, name](TObject*) { log.push_back(name + "+"); };
    c->OnDeactivate = [this, name](TObject*) { log.push_back(name + "-"); };
    c->Show();
    s.display.RunUntilIdle();
    return c;
  }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(log);
    return out;
  }
  std::string ShownTitle() { return s.display.Native(frame->Handle())->title; }
  std::vector<TCustomForm*> Order() {
    std::vector<TCustomForm*> out;
    for (int i = 0; i < frame->MDIChildCount(); ++i) out.push_back(frame->MDIChildren(i));
    return out;
  }
  using V = std::vector<std::string>;
};

TEST_F(MdiTest, ActivationMovesBetweenChildrenWithOneEventEach) {
  TForm* a = Child("A", 0, 0);
  EXPECT_EQ(Take(), (V{"A+"}));
  TForm* b = Child("B", 300, 200);
  EXPECT_EQ(Take(), (V{"A-", "B+"}));
  EXPECT_TRUE(b->Active());
  EXPECT_FALSE(a->Active());

  // A click on the lower child raises and activates it.
  TPoint p = a->ClientToScreen(TPoint{20, 20});
  s.display.Click(p.X, p.Y);
  s.display.RunUntilIdle();
  EXPECT_EQ(frame->ActiveMDIChild(), a);
  EXPECT_EQ(Take(), (V{"B-", "A+"}));

  frame->Next();
  EXPECT_EQ(frame->ActiveMDIChild(), b);
  EXPECT_EQ(Take(), (V{"A-", "B+"}));
  frame->Previous();
  EXPECT_EQ(frame->ActiveMDIChild(), a);
  EXPECT_EQ(Take(), (V{"B-", "A+"}));

  // Arranging keeps the active child: nobody is told anything.
  frame->Cascade();
  frame->Tile();
  EXPECT_EQ(frame->ActiveMDIChild(), a);
  EXPECT_EQ(Take(), V{});

  // Hiding the active child hands activation down; a freed child is never told.
  a->Hide();
  EXPECT_EQ(Take(), (V{"A-", "B+"}));
  a->Show();
  s.display.RunUntilIdle();
  EXPECT_EQ(Take(), (V{"B-", "A+"}));
  delete a;
  s.display.RunUntilIdle();
  EXPECT_EQ(Take(), (V{"B+"}));
  EXPECT_EQ(frame->ActiveMDIChild(), b);
  EXPECT_TRUE(b->Active());
}

// Only the active child's caption looks active, and a child without an
// icon of its own shows the application icon in its slot.
TEST_F(MdiTest, OnlyTheActiveChildsCaptionLooksActive) {
  TForm* a = Child("A", 0, 0);
  TForm* b = Child("B", 300, 200);
  auto captionPixel = [&](TForm* f, int dx) {
    RECT wr{}, fr{};
    GetWindowRect(f->Handle(), &wr);
    GetWindowRect(frame->Handle(), &fr);
    const int caption = GetSystemMetrics(SM_CXFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    return s.display.PixelAt(frame->Handle(), wr.Left - fr.Left + dx, wr.Top - fr.Top + caption);
  };
  const int mid = 100;
  EXPECT_EQ(captionPixel(b, mid), GetSysColor(COLOR_ACTIVECAPTION));
  EXPECT_EQ(captionPixel(a, mid), GetSysColor(COLOR_INACTIVECAPTION));
  frame->Previous();
  s.display.RunUntilIdle();
  ASSERT_EQ(frame->ActiveMDIChild(), a);
  EXPECT_EQ(captionPixel(a, mid), GetSysColor(COLOR_ACTIVECAPTION));
  EXPECT_EQ(captionPixel(b, mid), GetSysColor(COLOR_INACTIVECAPTION));
  // The icon slot holds a picture, not bare caption.
  const int iconLeft = GetSystemMetrics(SM_CXFRAME) + 2;
  const int iconSize = GetSystemMetrics(SM_CXSMICON);
  int drawn = 0;
  for (int x = iconLeft; x < iconLeft + iconSize; ++x)
    if (captionPixel(b, x) != GetSysColor(COLOR_INACTIVECAPTION)) ++drawn;
  EXPECT_GT(drawn, 0);
}

TEST_F(MdiTest, AHandlerFreeingItsFormOrRaisingAnotherSettles) {
  TForm* a = Child("A");
  TForm* b = Child("B", 40, 40);
  TForm* c = Child("C", 80, 80);
  Take();
  // When B comes up its handler brings A up instead: A ends active, once.
  b->OnActivate = [this, a](TObject*) {
    log.push_back("B+");
    SetWindowPos(a->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  };
  frame->Next();  // C to the bottom: B is on top
  EXPECT_EQ(frame->ActiveMDIChild(), a);
  EXPECT_EQ(Take(), (V{"C-", "B+", "B-", "A+"}));
  b->OnActivate = nullptr;
  // A child freeing itself on deactivation leaves no dangling active child.
  a->OnDeactivate = [a](TObject*) { a->Release(); };
  SetWindowPos(c->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  s.display.RunUntilIdle();
  EXPECT_EQ(frame->MDIChildCount(), 2);
  EXPECT_EQ(frame->ActiveMDIChild(), c);
  EXPECT_EQ(Take(), (V{"C+"}));
}

TEST_F(MdiTest, FrameTitleShowsTheMaximizedActiveChild) {
  TForm* doc = Child("Doc");
  EXPECT_EQ(ShownTitle(), "Frame");
  doc->SetWindowState(wsMaximized);
  EXPECT_EQ(ShownTitle(), "Frame - [Doc]");
  EXPECT_EQ(frame->Caption(), "Frame");

  struct TStep {
    const char* what;
    std::function<void()> act;
    const char* title;
  } steps[] = {
      {"frame caption", [&] { frame->SetCaption("Main"); }, "Main - [Doc]"},
      {"child caption", [&] { doc->SetCaption("Photo"); }, "Main - [Photo]"},
      {"restored", [&] { doc->SetWindowState(wsNormal); }, "Main"},
      {"maximized again", [&] { doc->SetWindowState(wsMaximized); }, "Main - [Photo]"},
      // A child coming up over a maximized one is maximized in its place.
      {"new child on top", [&] { Child("Other", 10, 10); }, "Main - [Other]"},
      {"maximized child back on top", [&] { frame->Next(); }, "Main - [Photo]"},
      // The next child is maximized in the place of one that goes.
      {"child freed", [&] { delete doc; s.display.RunUntilIdle(); }, "Main - [Other]"},
      {"last child freed", [&] { delete frame->MDIChildren(0); s.display.RunUntilIdle(); }, "Main"},
  };
  for (auto& step : steps) {
    step.act();
    EXPECT_EQ(ShownTitle(), step.title) << step.what;
    EXPECT_EQ(frame->Caption(), "Main") << step.what;
  }
}

TEST_F(MdiTest, ChildrenAreListedTopmostFirst) {
  EXPECT_EQ(frame->MDIChildCount(), 0);
  EXPECT_EQ(frame->ActiveMDIChild(), nullptr);
  TForm* a = Child("A");
  TForm* b = Child("B");
  TForm* c = Child("C");
  EXPECT_EQ(Order(), (std::vector<TCustomForm*>{c, b, a}));
  EXPECT_THROW(frame->MDIChildren(3), EListError);
  EXPECT_THROW(frame->MDIChildren(-1), EListError);
  frame->Next();  // the top goes to the bottom
  EXPECT_EQ(Order(), (std::vector<TCustomForm*>{b, a, c}));
  frame->Next();
  EXPECT_EQ(Order(), (std::vector<TCustomForm*>{a, c, b}));
  frame->Previous();  // the bottom comes back up
  EXPECT_EQ(Order(), (std::vector<TCustomForm*>{b, a, c}));
  EXPECT_EQ(frame->ActiveMDIChild(), b);
}

TEST_F(MdiTest, CascadeStepsDownWithTheActiveChildOnTop) {
  TForm* a = Child("A", 300, 300);
  TForm* b = Child("B", 200, 10);
  TForm* c = Child("C", 5, 250);
  frame->Previous();  // A on top: active
  ASSERT_EQ(frame->ActiveMDIChild(), a);
  b->SetWindowState(wsMaximized);
  frame->Cascade();
  RECT client;
  GetClientRect(frame->ClientHandle(), &client);
  const int w = client.Width() * 2 / 3, h = client.Height() * 2 / 3;
  // Bottom to top: B, C, A, each one step further down and right.
  struct {
    TForm* f;
    int step;
  } expected[] = {{b, 0}, {c, 1}, {a, 2}};
  for (auto& e : expected) {
    EXPECT_EQ(e.f->BoundsRect(), Bounds(24 * e.step, 24 * e.step, w, h)) << e.f->Name();
    EXPECT_EQ(e.f->WindowState(), wsNormal) << e.f->Name();
  }
  EXPECT_EQ(Order(), (std::vector<TCustomForm*>{a, c, b}));
}

TEST_F(MdiTest, TileSharesTheClientAreaWithoutGapsOrOverlap) {
  RECT client;
  for (int n : {1, 2, 3, 5}) {
    for (int i = 0; i < n; ++i) Child("T" + std::to_string(i), 7 * i, 5 * i);
    frame->MDIChildren(0)->SetWindowState(wsMaximized);
    frame->Tile();
    GetClientRect(frame->ClientHandle(), &client);
    long area = 0;
    for (int i = 0; i < n; ++i) {
      TCustomForm* f = frame->MDIChildren(i);
      TRect r = f->BoundsRect();
      EXPECT_GE(r.Left, 0);
      EXPECT_GE(r.Top, 0);
      EXPECT_LE(r.Right, client.Right);
      EXPECT_LE(r.Bottom, client.Bottom);
      area += long(r.Width()) * r.Height();
      for (int j = 0; j < i; ++j) {
        TRect o = frame->MDIChildren(j)->BoundsRect();
        bool overlap = r.Left < o.Right && o.Left < r.Right && r.Top < o.Bottom && o.Top < r.Bottom;
        EXPECT_FALSE(overlap) << n << " children: " << i << " overlaps " << j;
      }
    }
    // Every cell is used except the empty ones of the last row.
    const int cols = n == 1 ? 1 : n <= 4 ? 2 : 3, rows = (n + cols - 1) / cols;
    EXPECT_LE(area, long(client.Width()) * client.Height()) << n;
    EXPECT_GE(area, long(client.Width()) * client.Height() * n / (cols * rows) - 2 * client.Width()) << n;
    while (frame->MDIChildCount()) delete frame->MDIChildren(0);
  }
}

}  // namespace


namespace {

// A child's caption button as the mouse finds it: the point a hit test
// answers with the button's code, on the caption's middle line.
POINT CaptionButtonAt(HWND child, int hit) {
  RECT wr{};
  GetWindowRect(child, &wr);
  const int y = wr.Top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  for (int x = wr.Right - 1; x > wr.Left; --x)
    if (SendMessage(child, WM_NCHITTEST, 0, PointToLParam(POINT{x, y})) == hit) return POINT{x - 4, y};
  return POINT{-1, -1};
}

// Pixels of the frame's surface by screen point.
class MdiPaintTest : public MdiTest {
 protected:
  COLORREF At(TPoint p) {
    RECT fr{};
    GetWindowRect(frame->Handle(), &fr);
    return s.display.PixelAt(frame->Handle(), p.X - fr.Left, p.Y - fr.Top);
  }
  // Pixels inside the edit's client area that are not the window colour.
  int NotWhiteInside(TEdit* edit) {
    int wrong = 0;
    const TPoint o = edit->ClientToScreen(TPoint{0, 0});
    for (int y = 1; y < edit->ClientHeight() - 1; ++y)
      for (int x = 1; x < edit->ClientWidth() - 1; ++x)
        if (At(TPoint{o.X + x, o.Y + y}) != GetSysColor(COLOR_WINDOW)) ++wrong;
    return wrong;
  }
  void Snap(const char* name) {
    if (const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR"))
      s.display.WriteBmp(frame->Handle(), (std::string(dir) + "/" + name + ".bmp").c_str());
  }
};

// Holding a caption button leaves the client as it was, and maximizing
// through the button paints the child's controls where they now are.
TEST_F(MdiPaintTest, ACaptionButtonHeldOrUsedKeepsTheChildDrawn) {
  TForm* doc = Child("Doc", 20, 20);
  auto* edit = new TEdit(doc);
  edit->SetParent(doc);
  edit->SetBounds(0, 0, 150, 40);
  s.display.RunUntilIdle();
  ASSERT_EQ(NotWhiteInside(edit), 0);
  const TPoint face = doc->ClientToScreen(TPoint{100, 80});
  ASSERT_EQ(At(face), GetSysColor(COLOR_BTNFACE));

  struct TCase {
    const char* what;
    bool release;  // let go over the button (else beside it)
    TWindowState after;
  } cases[] = {{"held, then let go elsewhere", false, wsNormal}, {"clicked", true, wsMaximized}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const POINT button = CaptionButtonAt(doc->Handle(), HTMAXBUTTON);
    ASSERT_GE(button.X, 0);
    const TPoint faceNow = doc->ClientToScreen(TPoint{100, 80});
    int wrongWhileHeld = -1;
    COLORREF faceWhileHeld = 0;
    After(50, [&] {
      wrongWhileHeld = NotWhiteInside(edit);
      faceWhileHeld = At(faceNow);
      if (c.release) s.display.MouseUp(button.X, button.Y);
      else s.display.MouseUp(button.X, button.Y + 200);
    });
    s.display.MouseDown(button.X, button.Y);
    s.display.RunUntilIdle();
    EXPECT_EQ(wrongWhileHeld, 0);
    EXPECT_EQ(faceWhileHeld, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(doc->WindowState(), c.after);
    s.display.AdvanceTime(1000);  // no double click with the next press
  }
  Snap("mdi_maximized_by_button");
  // The edit moved with the child's client: all of it is drawn there.
  EXPECT_EQ(NotWhiteInside(edit), 0);
  const TPoint corner = edit->ClientToScreen(TPoint{-1, -1});
  EXPECT_NE(At(corner), GetSysColor(COLOR_WINDOW));  // its sunken edge
}

class MdiMenuTest : public MdiPaintTest {
 protected:
  TMainMenu* menu = nullptr;
  void SetUp() override {
    MdiPaintTest::SetUp();
    menu = new TMainMenu(frame);
    auto* file = new TMenuItem(menu);
    file->SetCaption("&File");
    menu->Items()->Add(file);
    frame->SetMenu(menu);
    s.display.RunUntilIdle();
  }
  TRect Bar() { return MenuBarRect(frame->Handle(), menu->Items()); }
  // A point of the bar in screen terms, from its right end.
  POINT FromRight(int dx) {
    RECT wr{};
    GetWindowRect(frame->Handle(), &wr);
    const TRect bar = Bar();
    return POINT{wr.Left + bar.Right - dx, wr.Top + (bar.Top + bar.Bottom) / 2};
  }
  void ClickAt(POINT p) {
    s.display.Click(p.X, p.Y);
    app.ProcessMessages();
    s.display.AdvanceTime(1000);
  }
  // Dark pixels (a glyph) in the cell dx..dx-w from the bar's right end.
  int GlyphPixels(int dx, int w) {
    RECT wr{};
    GetWindowRect(frame->Handle(), &wr);
    const TRect bar = Bar();
    int n = 0;
    for (int y = bar.Top; y < bar.Bottom; ++y)
      for (int x = bar.Right - dx; x < bar.Right - dx + w; ++x)
        if (s.display.PixelAt(frame->Handle(), x, y) == GetSysColor(COLOR_BTNTEXT)) ++n;
    return n;
  }
};

// Maximized, the child's caption goes: its icon starts the frame's menu
// bar and its minimize, restore and close buttons end it, and they work.
TEST_F(MdiMenuTest, AMaximizedChildsCaptionMovesIntoTheFrameMenuBar) {
  TForm* doc = Child("Doc", 20, 20);
  doc->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
  const TRect normal = doc->BoundsRect();
  const int button = Bar().Height();
  const TRect itemBefore = MenuBarItems(frame->Handle(), menu->Items()).at(0).Rect;
  EXPECT_EQ(GlyphPixels(3 * button, 3 * button), 0);

  ClickAt(CaptionButtonAt(doc->Handle(), HTMAXBUTTON));
  ASSERT_EQ(doc->WindowState(), wsMaximized);
  Snap("mdi_merged_caption");
  EXPECT_EQ(ShownTitle(), "Frame - [Doc]");
  // Only the child's client shows, filling the client window.
  POINT inner{0, 0}, outer{0, 0};
  ClientToScreen(doc->Handle(), &inner);
  ClientToScreen(frame->ClientHandle(), &outer);
  EXPECT_EQ(inner.X, outer.X);
  EXPECT_EQ(inner.Y, outer.Y);
  RECT dc{}, cc{};
  GetClientRect(doc->Handle(), &dc);
  GetClientRect(frame->ClientHandle(), &cc);
  EXPECT_EQ(dc.Width(), cc.Width());
  EXPECT_EQ(dc.Height(), cc.Height());
  EXPECT_TRUE(IsZoomed(doc->Handle()));
  // The items make room for the icon; each of the three buttons has a glyph.
  EXPECT_EQ(MenuBarItems(frame->Handle(), menu->Items()).at(0).Rect.Left,
            itemBefore.Left + GetSystemMetrics(SM_CXSMICON) + 4);
  for (int i = 1; i <= 3; ++i) EXPECT_GT(GlyphPixels(i * button, button), 0) << "button " << i;

  // The merged restore button restores the child and its caption.
  ClickAt(FromRight(button + button / 2));
  EXPECT_EQ(doc->WindowState(), wsNormal);
  EXPECT_EQ(doc->BoundsRect(), normal);
  EXPECT_FALSE(IsZoomed(doc->Handle()));
  EXPECT_EQ(ShownTitle(), "Frame");
  EXPECT_EQ(GlyphPixels(3 * button, 3 * button), 0);
  EXPECT_EQ(MenuBarItems(frame->Handle(), menu->Items()).at(0).Rect, itemBefore);

  // The merged minimize button makes it an icon, and the bar lets go of it.
  doc->SetWindowState(wsMaximized);
  s.display.RunUntilIdle();
  ClickAt(FromRight(2 * button + button / 2));
  EXPECT_EQ(doc->WindowState(), wsMinimized);
  EXPECT_EQ(ShownTitle(), "Frame");
  EXPECT_EQ(GlyphPixels(3 * button, 3 * button), 0);

  // Maximized again, the merged close button closes it.
  doc->SetWindowState(wsMaximized);
  s.display.RunUntilIdle();
  EXPECT_GT(GlyphPixels(button, button), 0);
  ClickAt(FromRight(button / 2));
  EXPECT_EQ(frame->MDIChildCount(), 0);
  EXPECT_EQ(ShownTitle(), "Frame");
  EXPECT_EQ(GlyphPixels(3 * button, 3 * button), 0);
}

// The document keys, through the application's message loop: each row
// starts from children A, B, C with C active.
TEST_F(MdiMenuTest, DocumentKeysReachTheActiveChild) {
  struct TKey {
    int vk;
    bool ctrl, shift, alt;
  };
  struct TCase {
    const char* what;
    std::vector<TKey> keys;
    const char* active;  // afterwards
    int children;
    int windowMenus;  // window menus opened on the child active before
  } cases[] = {
      {"Ctrl+F6", {{VK_F6, true, false, false}}, "B", 3, 0},
      {"Ctrl+Tab", {{VK_TAB, true, false, false}}, "B", 3, 0},
      {"Ctrl+F6 twice", {{VK_F6, true, false, false}, {VK_F6, true, false, false}}, "A", 3, 0},
      {"Ctrl+Shift+F6", {{VK_F6, true, true, false}}, "A", 3, 0},
      {"Ctrl+Shift+Tab", {{VK_TAB, true, true, false}}, "A", 3, 0},
      {"Ctrl+F4", {{VK_F4, true, false, false}}, "B", 2, 0},
      {"Alt+-", {{VK_OEM_MINUS, false, false, true}, {VK_ESCAPE, false, false, false}}, "C", 3, 1},
      {"F6 alone", {{VK_F6, false, false, false}}, "C", 3, 0},
      {"Tab alone", {{VK_TAB, false, false, false}}, "C", 3, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    while (frame->MDIChildCount()) delete frame->MDIChildren(0);
    s.display.RunUntilIdle();
    TForm* kids[3] = {Child("A", 0, 0), Child("B", 30, 30), Child("C", 60, 60)};
    int menus = 0;
    std::vector<std::pair<TForm*, TWndMethod>> inners;
    static const char tag = 0;
    for (TForm* k : kids) {
      k->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
      TWndMethod inner = k->WindowProc;
      inners.emplace_back(k, inner);
      k->WindowProc = TWndMethod::FromFunction(
          [inner, &menus](TMessage& m) {
            if (m.Msg == WM_INITMENUPOPUP && HIWORD(m.LParam)) ++menus;
            inner(m);
          },
          &tag);
    }
    ASSERT_EQ(frame->ActiveMDIChild(), kids[2]);
    ASSERT_EQ(GetActiveWindow(), frame->Handle());
    for (const TKey& k : c.keys) {
      if (k.ctrl) s.display.KeyDown(VK_CONTROL);
      if (k.shift) s.display.KeyDown(VK_SHIFT);
      if (k.alt) s.display.KeyDown(VK_MENU);
      s.display.KeyPress(k.vk);
      if (k.alt) s.display.KeyUp(VK_MENU);
      if (k.shift) s.display.KeyUp(VK_SHIFT);
      if (k.ctrl) s.display.KeyUp(VK_CONTROL);
    }
    // All queued first: a menu that opens takes the keys after it in its own loop.
    app.ProcessMessages();
    ASSERT_EQ(frame->MDIChildCount(), c.children);
    ASSERT_NE(frame->ActiveMDIChild(), nullptr);
    EXPECT_EQ(frame->ActiveMDIChild()->Name(), c.active);
    EXPECT_EQ(menus, c.windowMenus);
    for (int i = 0; i < frame->MDIChildCount(); ++i)
      for (auto& [k, inner] : inners)
        if (frame->MDIChildren(i) == k) k->WindowProc = inner;
  }
}

// Moving on from a maximized child maximizes the next one in its place and
// restores the one going down; the bar keeps the buttons for the new one.
TEST_F(MdiMenuTest, CtrlF6FromAMaximizedChildMaximizesTheNext) {
  TForm* a = Child("A", 0, 0);
  TForm* b = Child("B", 40, 40);
  const TRect normalB = b->BoundsRect();
  b->SetWindowState(wsMaximized);
  s.display.RunUntilIdle();
  ASSERT_EQ(ShownTitle(), "Frame - [B]");
  s.display.KeyDown(VK_CONTROL);
  s.display.KeyPress(VK_F6);
  s.display.KeyUp(VK_CONTROL);
  app.ProcessMessages();
  EXPECT_EQ(frame->ActiveMDIChild(), a);
  EXPECT_EQ(a->WindowState(), wsMaximized);
  EXPECT_EQ(b->WindowState(), wsNormal);
  EXPECT_EQ(b->BoundsRect(), normalB);
  EXPECT_EQ(ShownTitle(), "Frame - [A]");
  const int button = Bar().Height();
  EXPECT_GT(GlyphPixels(button, button), 0);
}

// The maximized active child going hands its state to the next one in
// z-order; when the last goes, the bar and title are the frame's own again.
TEST_F(MdiMenuTest, TheNextChildIsMaximizedWhenTheMaximizedOneGoes) {
  struct TCase {
    const char* what;
    std::function<void(TForm*)> remove;
    bool maximized;  // the active child was maximized
  } cases[] = {
      {"Ctrl+F4",
       [&](TForm*) {
         s.display.KeyDown(VK_CONTROL);
         s.display.KeyPress(VK_F4);
         s.display.KeyUp(VK_CONTROL);
         app.ProcessMessages();
       },
       true},
      {"Close", [](TForm* f) { f->Close(); }, true},
      {"freed", [](TForm* f) { delete f; }, true},
      {"hidden", [](TForm* f) { f->Hide(); }, true},
      {"normal child closed", [](TForm* f) { f->Close(); }, false},
  };
  const TRect itemBefore = MenuBarItems(frame->Handle(), menu->Items()).at(0).Rect;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    while (frame->MDIChildCount()) delete frame->MDIChildren(0);
    s.display.RunUntilIdle();
    TForm* kids[3] = {Child("A", 0, 0), Child("B", 30, 30), Child("C", 60, 60)};
    for (TForm* k : kids) k->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    if (c.maximized) kids[2]->SetWindowState(wsMaximized);
    s.display.RunUntilIdle();
    RECT cc{};
    GetClientRect(frame->ClientHandle(), &cc);
    const int button = Bar().Height();
    // C goes, then B, then A: each time the one below takes the top.
    const char* next[] = {"B", "A", nullptr};
    for (int step = 0; step < 3; ++step) {
      SCOPED_TRACE(step);
      c.remove(kids[2 - step]);
      app.ProcessMessages();
      s.display.RunUntilIdle();
      TCustomForm* active = frame->ActiveMDIChild();
      if (!next[step]) {
        EXPECT_EQ(active, nullptr);
        EXPECT_EQ(ShownTitle(), "Frame");
        EXPECT_EQ(GlyphPixels(3 * button, 3 * button), 0);
        EXPECT_EQ(MenuBarItems(frame->Handle(), menu->Items()).at(0).Rect, itemBefore);
        if (c.maximized) Snap((std::string("mdi_last_child_gone_") + std::to_string(&c - cases)).c_str());
        // A child that comes to the empty client later comes up as it was.
        EXPECT_EQ(Child("D", 10, 10)->WindowState(), wsNormal);
        EXPECT_EQ(ShownTitle(), "Frame");
        continue;
      }
      ASSERT_NE(active, nullptr);
      EXPECT_EQ(active->Name(), next[step]);
      EXPECT_EQ(active->WindowState(), c.maximized ? wsMaximized : wsNormal);
      EXPECT_EQ(ShownTitle(), c.maximized ? std::string("Frame - [") + next[step] + "]" : std::string("Frame"));
      RECT ac{};
      GetClientRect(active->Handle(), &ac);
      EXPECT_EQ(ac.Width() == cc.Width() && ac.Height() == cc.Height(), c.maximized);
      EXPECT_EQ(GlyphPixels(button, button) > 0, c.maximized);
      EXPECT_EQ(MenuBarItems(frame->Handle(), menu->Items()).at(0).Rect != itemBefore, c.maximized);
      // Only one child fills the client: the one below stays as it was.
      if (step == 0) {
        EXPECT_EQ(kids[0]->WindowState(), wsNormal);
        if (c.maximized && &c == cases) Snap("mdi_next_child_maximized");
      }
    }
  }
}

// A double click on the merged icon closes the child, as on its own icon;
// the first press has opened its window menu, which the second one ends.
TEST_F(MdiMenuTest, ADoubleClickOnTheMergedIconClosesTheChild) {
  struct TCase {
    const char* what;
    int pause;  // ms between the two clicks
    bool closeEnabled;
    bool closed;
    int windowMenus;
  } cases[] = {
      {"double click", 100, true, true, 1},
      {"two clicks apart", 1000, true, false, 2},
      {"Close disabled", 100, false, false, 1},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    while (frame->MDIChildCount()) delete frame->MDIChildren(0);
    s.display.RunUntilIdle();
    TForm* doc = Child("Doc", 20, 20);
    doc->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    auto alive = doc->AliveToken();
    int menus = 0;
    TWndMethod inner = doc->WindowProc;
    static const char tag = 0;
    doc->WindowProc = TWndMethod::FromFunction(
        [inner, &menus](TMessage& m) {
          if (m.Msg == WM_INITMENUPOPUP && HIWORD(m.LParam)) ++menus;
          inner(m);
        },
        &tag);
    doc->SetWindowState(wsMaximized);
    GetSystemMenu(doc->Handle(), TRUE);
    if (!c.closeEnabled) EnableMenuItem(GetSystemMenu(doc->Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    s.display.RunUntilIdle();
    RECT wr{};
    GetWindowRect(frame->Handle(), &wr);
    const TRect bar = Bar();
    const POINT icon{wr.Left + bar.Left + GetSystemMetrics(SM_CXSMICON) / 2 + 2, wr.Top + (bar.Top + bar.Bottom) / 2};
    // The second click comes while the window menu of the first is open.
    After(c.pause, [&] {
      s.display.Click(icon.X, icon.Y);
      s.display.KeyPress(VK_ESCAPE);  // closes a window menu still open
    });
    s.display.Click(icon.X, icon.Y);
    app.ProcessMessages();
    s.display.RunUntilIdle();
    EXPECT_EQ(!*alive, c.closed);
    EXPECT_EQ(frame->MDIChildCount(), c.closed ? 0 : 1);
    EXPECT_EQ(menus, c.windowMenus);
    EXPECT_EQ(ShownTitle(), c.closed ? "Frame" : "Frame - [Doc]");
    if (*alive) doc->WindowProc = inner;
    s.display.AdvanceTime(1000);
  }
}

// From the keyboard the frame's bar and both window menus form one ring:
// frame's window menu, the maximized child's, File, Edit, and round again.
TEST_F(MdiMenuTest, ArrowKeysRingTheBarAndBothWindowMenus) {
  auto* edit = new TMenuItem(menu);
  edit->SetCaption("&Edit");
  menu->Items()->Add(edit);
  for (TMenuItem* item : {menu->Items()->Items(0), edit}) {
    auto* sub = new TMenuItem(item);
    sub->SetCaption("Item");
    item->Add(sub);
  }
  struct TKey {
    int vk;
    bool alt = false;
  };
  struct TCase {
    const char* what;
    bool maximized;
    std::vector<TKey> keys;
    std::vector<std::string> opened;  // menus dropped, in order
  } cases[] = {
      {"F10 Left", true, {{VK_F10}, {VK_LEFT}}, {"Doc menu"}},
      {"Alt Left Left", true, {{VK_MENU}, {VK_LEFT}, {VK_LEFT}}, {"Doc menu", "Frame menu"}},
      {"F10 Left Right", true, {{VK_F10}, {VK_LEFT}, {VK_RIGHT}}, {"Doc menu", "File"}},
      {"F10 Right Right", true, {{VK_F10}, {VK_RIGHT}, {VK_RIGHT}}, {"Frame menu"}},
      {"F10 Down Right Right Right", true, {{VK_F10}, {VK_DOWN}, {VK_RIGHT}, {VK_RIGHT}, {VK_RIGHT}},
       {"File", "Edit", "Frame menu", "Doc menu"}},
      {"F10 Left Left Left", true, {{VK_F10}, {VK_LEFT}, {VK_LEFT}, {VK_LEFT}}, {"Doc menu", "Frame menu", "Edit"}},
      {"Alt+Space", true, {{VK_SPACE, true}}, {"Frame menu"}},
      {"Alt+-", true, {{VK_OEM_MINUS, true}}, {"Doc menu"}},
      {"Alt+- Right", true, {{VK_OEM_MINUS, true}, {VK_RIGHT}}, {"Doc menu", "File"}},
      {"Alt+- Left", true, {{VK_OEM_MINUS, true}, {VK_LEFT}}, {"Doc menu", "Frame menu"}},
      {"Alt+Space Right", true, {{VK_SPACE, true}, {VK_RIGHT}}, {"Frame menu", "Doc menu"}},
      {"Alt+Space Left", true, {{VK_SPACE, true}, {VK_LEFT}}, {"Frame menu", "Edit"}},
      {"normal child: Alt+Space Right", false, {{VK_SPACE, true}, {VK_RIGHT}}, {"Frame menu", "File"}},
      {"normal child: F10 Left", false, {{VK_F10}, {VK_LEFT}}, {"Frame menu"}},
      {"normal child: F10 Left Left", false, {{VK_F10}, {VK_LEFT}, {VK_LEFT}}, {"Frame menu", "Edit"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    while (frame->MDIChildCount()) delete frame->MDIChildren(0);
    s.display.RunUntilIdle();
    TForm* doc = Child("Doc", 20, 20);
    if (c.maximized) doc->SetWindowState(wsMaximized);
    s.display.RunUntilIdle();
    std::vector<std::string> opened;
    static const char tag = 0;
    TWndMethod frameInner = frame->WindowProc, docInner = doc->WindowProc;
    HMENU file = menu->Items()->Items(0)->Handle(), editMenu = edit->Handle();
    frame->WindowProc = TWndMethod::FromFunction(
        [&, frameInner](TMessage& m) {
          if (m.Msg == WM_INITMENUPOPUP) {
            auto h = reinterpret_cast<HMENU>(m.WParam);
            opened.push_back(HIWORD(m.LParam) ? "Frame menu" : h == file ? "File" : h == editMenu ? "Edit" : "?");
          }
          frameInner(m);
        },
        &tag);
    doc->WindowProc = TWndMethod::FromFunction(
        [&, docInner](TMessage& m) {
          if (m.Msg == WM_INITMENUPOPUP && HIWORD(m.LParam)) opened.push_back("Doc menu");
          docInner(m);
        },
        &tag);
    for (const TKey& k : c.keys) {
      if (k.alt) s.display.KeyDown(VK_MENU);
      s.display.KeyPress(k.vk);
      if (k.alt) s.display.KeyUp(VK_MENU);
    }
    // Out of whatever is open: a window menu, a drop-down, the hot bar.
    for (int i = 0; i < 3; ++i) s.display.KeyPress(VK_ESCAPE);
    app.ProcessMessages();
    s.display.RunUntilIdle();
    EXPECT_FALSE(MenuLoopActive());
    EXPECT_EQ(opened, c.opened);
    frame->WindowProc = frameInner;
    doc->WindowProc = docInner;
  }
}

// The frame's WindowMenu lists the shown children as it drops: numbered in
// the order they came, the active one checked, nine at most.
TEST_F(MdiMenuTest, TheWindowMenuListsTheChildren) {
  auto* window = new TMenuItem(menu);
  window->SetCaption("&Window");
  menu->Items()->Add(window);
  auto* cascade = new TMenuItem(window);
  cascade->SetCaption("&Cascade");
  window->Add(cascade);
  frame->SetWindowMenu(window);
  auto keys = [&](std::vector<int> vks) {
    s.display.KeyDown(VK_MENU);
    s.display.KeyPress('W');
    s.display.KeyUp(VK_MENU);
    for (int vk : vks) s.display.KeyPress(vk);
    app.ProcessMessages();
    s.display.RunUntilIdle();
    ASSERT_FALSE(MenuLoopActive());
  };
  auto listed = [&] {
    std::vector<std::string> out;
    for (int i = 0; i < window->Count(); ++i)
      out.push_back(window->Items(i)->Caption() + (window->Items(i)->Checked() ? " *" : ""));
    return out;
  };
  std::vector<TForm*> kids;
  struct TStep {
    const char* what;
    std::function<void()> act;
    std::vector<std::string> items;  // after the menu dropped and closed
    const char* active;
  } steps[] = {
      {"no children", [] {}, {"&Cascade"}, nullptr},
      {"three", [&] { for (const char* n : {"A", "B", "C"}) kids.push_back(Child(n)); },
       {"&Cascade", "-", "&1 A", "&2 B", "&3 C *"}, "C"},
      {"Ctrl+F6 keeps the order", [&] {
         s.display.KeyDown(VK_CONTROL);
         s.display.KeyPress(VK_F6);
         s.display.KeyUp(VK_CONTROL);
         app.ProcessMessages();
       },
       {"&Cascade", "-", "&1 A", "&2 B *", "&3 C"}, "B"},
      {"a hidden child is left out", [&] { kids[0]->Hide(); }, {"&Cascade", "-", "&1 B *", "&2 C"}, "B"},
      {"a freed child goes, the rest renumbered", [&] { kids[0]->Show(); delete kids[1]; },
       {"&Cascade", "-", "&1 A *", "&2 C"}, "A"},
      {"a caption change shows", [&] { kids[2]->SetCaption("Photo"); }, {"&Cascade", "-", "&1 A *", "&2 Photo"}, "A"},
      {"ten children: nine listed and more", [&] { for (int i = 3; i < 11; ++i) Child("K" + std::to_string(i)); },
       {"&Cascade", "-", "&1 A", "&2 Photo", "&3 K3", "&4 K4", "&5 K5", "&6 K6", "&7 K7", "&8 K8", "&9 K9",
        "&More Windows..."},
       "K10"},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.what);
    step.act();
    s.display.RunUntilIdle();
    keys({VK_ESCAPE, VK_ESCAPE, VK_ESCAPE});
    EXPECT_EQ(listed(), step.items);
    TCustomForm* active = frame->ActiveMDIChild();
    EXPECT_EQ(active ? active->Name() : "", step.active ? step.active : "");
  }
  // More Windows lists every child, the active one selected; OK brings the chosen one up.
  struct TMore {
    const char* what;
    int key;
    const char* active;
  } more[] = {{"cancelled", VK_ESCAPE, "K10"}, {"chosen", VK_RETURN, "K9"}};
  for (const TMore& m : more) {
    SCOPED_TRACE(m.what);
    std::vector<std::string> shownInDialog;
    int selected = -1;
    After(10, [&] {
      auto* dialog = dynamic_cast<TForm*>(Screen->ActiveForm());
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->Caption(), "Select Window");
      auto* list = dynamic_cast<TListBox*>(dialog->FindComponent("Windows"));
      ASSERT_NE(list, nullptr);
      for (int i = 0; i < list->Items()->Count(); ++i) shownInDialog.push_back(list->Items()->Strings(i));
      selected = list->ItemIndex();
      if (const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR"))
        s.display.WriteBmp(dialog->Handle(), (std::string(dir) + "/mdi_select_window.bmp").c_str());
      s.display.KeyPress(VK_UP);
      s.display.KeyPress(m.key);
    });
    keys({'M'});
    EXPECT_EQ(shownInDialog, (std::vector<std::string>{"A", "Photo", "K3", "K4", "K5", "K6", "K7", "K8", "K9", "K10"}));
    EXPECT_EQ(selected, 9);
    ASSERT_NE(frame->ActiveMDIChild(), nullptr);
    EXPECT_EQ(frame->ActiveMDIChild()->Name(), m.active);
  }
  // Choosing an entry brings its child up, out of an icon too.
  kids[2]->SetWindowState(wsMinimized);
  keys({'2'});
  ASSERT_NE(frame->ActiveMDIChild(), nullptr);
  EXPECT_EQ(frame->ActiveMDIChild()->Caption(), "Photo");
  EXPECT_EQ(kids[2]->WindowState(), wsNormal);
  // Taken off the frame, the menu keeps only its own items.
  frame->SetWindowMenu(nullptr);
  EXPECT_EQ(listed(), (std::vector<std::string>{"&Cascade"}));
}

// A child coming up out of an icon over a maximized one is maximized too,
// whichever way it comes: one child fills the client and the bar shows it.
TEST_F(MdiMenuTest, AnIconComingUpOverAMaximizedChildIsMaximized) {
  struct TCase {
    const char* what;
    std::function<void(TForm* icon, TForm* maximized)> act;
  } cases[] = {
      {"Ctrl+Shift+F6",
       [&](TForm*, TForm*) {
         s.display.KeyDown(VK_CONTROL);
         s.display.KeyDown(VK_SHIFT);
         s.display.KeyPress(VK_F6);
         s.display.KeyUp(VK_SHIFT);
         s.display.KeyUp(VK_CONTROL);
         app.ProcessMessages();
       }},
      {"the maximized one closed", [](TForm*, TForm* maximized) { maximized->Close(); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    while (frame->MDIChildCount()) delete frame->MDIChildren(0);
    s.display.RunUntilIdle();
    TForm* a = Child("A", 0, 0);
    TForm* b = Child("B", 40, 40);
    b->OnClose = [](TObject*, TCloseAction& act) { act = caFree; };
    a->SetWindowState(wsMinimized);
    b->SetWindowState(wsMaximized);
    s.display.RunUntilIdle();
    ASSERT_EQ(frame->ActiveMDIChild(), b);
    ASSERT_EQ(ShownTitle(), "Frame - [B]");
    c.act(a, b);
    s.display.RunUntilIdle();
    EXPECT_EQ(frame->ActiveMDIChild(), a);
    EXPECT_EQ(a->WindowState(), wsMaximized);
    EXPECT_FALSE(IsIconic(a->Handle()));
    EXPECT_EQ(ShownTitle(), "Frame - [A]");
    const int button = Bar().Height();
    EXPECT_GT(GlyphPixels(button, button), 0);
    RECT ac{}, cc{};
    GetClientRect(a->Handle(), &ac);
    GetClientRect(frame->ClientHandle(), &cc);
    EXPECT_EQ(ac.Width(), cc.Width());
    EXPECT_EQ(ac.Height(), cc.Height());
  }
}

// An MDI child's window menu closes with Ctrl+F4 and has Next, in the
// user's language.
TEST_F(MdiTest, TheChildsWindowMenuNamesTheDocumentKeys) {
  TForm* doc = Child("Doc");
  struct TCase {
    TStockLanguage language;
    std::vector<std::string> items;
  } cases[] = {
      {TStockLanguage::English,
       {"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "", "&Close\tCtrl+F4", "", "Nex&t\tCtrl+F6"}},
      {TStockLanguage::Chinese,
       {"还原(&R)", "移动(&M)", "大小(&S)", "最小化(&N)", "最大化(&X)", "", "关闭(&C)\tCtrl+F4", "",
        "下一个(&T)\tCtrl+F6"}},
  };
  for (const TCase& c : cases) {
    SetStockLanguage(c.language);
    GetSystemMenu(doc->Handle(), TRUE);
    HMENU m = GetSystemMenu(doc->Handle(), FALSE);
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(m); ++i) {
      char text[64] = {};
      GetMenuString(m, UINT(i), text, sizeof text, MF_BYPOSITION);
      items.push_back(text);
    }
    EXPECT_EQ(items, c.items);
    EXPECT_EQ(GetMenuItemID(m, 8), UINT(SC_NEXTWINDOW));
  }
  SetStockLanguage(std::nullopt);
  // A plain window keeps Alt+F4.
  GetSystemMenu(frame->Handle(), TRUE);
  char text[64] = {};
  GetMenuString(GetSystemMenu(frame->Handle(), FALSE), UINT(SC_CLOSE), text, sizeof text, MF_BYCOMMAND);
  EXPECT_STREQ(text, "&Close\tAlt+F4");
  // Next on the menu brings up the child below.
  TForm* other = Child("Other", 40, 40);
  SendMessage(other->Handle(), WM_SYSCOMMAND, SC_NEXTWINDOW, 0);
  EXPECT_EQ(frame->ActiveMDIChild(), doc);
}

}  // namespace
