// MDI children in a frame form: which child is active and what its forms
// are told, the frame's title with a maximized child, and the arrangements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/rtl/Exceptions.h"

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
      {"normal child on top", [&] { Child("Other", 10, 10); }, "Main"},
      {"maximized child back on top", [&] { frame->Next(); }, "Main - [Photo]"},
      {"child freed", [&] { delete doc; s.display.RunUntilIdle(); }, "Main"},
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
