// Where forms go without a designed position, the icons a form hands its
// window, and minimized MDI children arranged along the client's bottom.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/graphics/Bitmap.h"

namespace {

using FormPlacementTest = FormsTest;

HICON WindowIcon(TCustomForm* f, WPARAM which) {
  return reinterpret_cast<HICON>(SendMessage(f->Handle(), WM_GETICON, which, 0));
}

TEST_F(FormPlacementTest, IconReachesTheWindowAtCreationAndOnEveryChange) {
  TForm* f = NewForm();
  TBitmap red(16, 16, pf24bit);
  TIcon icon;
  icon.SetImage(red, nullptr);
  f->SetIcon(&icon);
  f->Show();
  HICON first = f->Icon()->Handle();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(WindowIcon(f, ICON_BIG), first);
  EXPECT_EQ(WindowIcon(f, ICON_SMALL), first);

  TBitmap bigger(32, 32, pf24bit);
  icon.SetImage(bigger, nullptr);
  f->SetIcon(&icon);
  HICON second = f->Icon()->Handle();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(f->Icon()->Width(), 32);
  EXPECT_EQ(WindowIcon(f, ICON_BIG), second);
  EXPECT_EQ(WindowIcon(f, ICON_SMALL), second);

  // A recreated window is told again.
  f->SetFormStyle(fsMDIForm);
  EXPECT_EQ(WindowIcon(f, ICON_BIG), f->Icon()->Handle());

  TIcon empty;
  f->SetIcon(&empty);
  EXPECT_EQ(WindowIcon(f, ICON_BIG), nullptr);
  EXPECT_EQ(WindowIcon(f, ICON_SMALL), nullptr);
}

TEST_F(FormPlacementTest, FormsWithoutAnIconOfTheirOwnShowTheApplications) {
  TBitmap blue(16, 16, pf24bit);
  TIcon appIcon;
  appIcon.SetImage(blue, nullptr);
  Application->Icon()->Assign(&appIcon);
  TForm* plain = NewForm();
  TForm* own = NewForm();
  TBitmap red(24, 24, pf24bit);
  TIcon ownIcon;
  ownIcon.SetImage(red, nullptr);
  own->SetIcon(&ownIcon);
  plain->Show();
  own->Show();
  ASSERT_NE(Application->Icon()->Handle(), nullptr);
  EXPECT_EQ(WindowIcon(plain, ICON_BIG), Application->Icon()->Handle());
  EXPECT_EQ(WindowIcon(plain, ICON_SMALL), Application->Icon()->Handle());
  EXPECT_EQ(WindowIcon(own, ICON_BIG), own->Icon()->Handle());

  // The application's icon changes: only the form without its own follows.
  TBitmap bigger(32, 32, pf24bit);
  appIcon.SetImage(bigger, nullptr);
  Application->Icon()->Assign(&appIcon);
  EXPECT_EQ(WindowIcon(plain, ICON_BIG), Application->Icon()->Handle());
  EXPECT_EQ(WindowIcon(own, ICON_BIG), own->Icon()->Handle());
  TIcon empty;
  Application->Icon()->Assign(&empty);
  EXPECT_EQ(WindowIcon(plain, ICON_BIG), nullptr);
  EXPECT_EQ(WindowIcon(own, ICON_BIG), own->Icon()->Handle());
}

TEST_F(FormPlacementTest, DefaultPositionCascadesAndWrapsWithinTheWorkArea) {
  const TRect work = Screen->WorkAreaRect();
  const int step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
  auto shown = [&](TPosition pos, int w, int h) {
    TForm* f = NewForm(500, 400, w, h);
    f->SetPosition(pos);
    f->Show();
    RECT r;
    GetWindowRect(f->Handle(), &r);
    EXPECT_EQ(f->Left(), r.Left);
    EXPECT_EQ(f->Top(), r.Top);
    return f;
  };
  // Too tall to go below any earlier one: it starts the cascade over.
  TForm* tall = shown(poDefaultPosOnly, 200, work.Height() - step / 2);
  EXPECT_EQ(tall->BoundsRect(), Bounds(work.Left, work.Top, 200, work.Height() - step / 2));
  const int rows = (work.Height() - 100) / step;  // 100-pixel-high forms fit this many steps
  for (int i = 1; i <= rows + 1; ++i) {
    TForm* f = shown(poDefaultPosOnly, 150, 100);
    const int k = i <= rows ? i : 0;
    EXPECT_EQ(f->BoundsRect(), Bounds(work.Left + k * step, work.Top + k * step, 150, 100)) << i;
  }
  // poDefault places the same way (its size is the window system's).
  TForm* sized = shown(poDefault, 150, 100);
  EXPECT_EQ(sized->Left(), work.Left + step);
  EXPECT_EQ(sized->Top(), work.Top + step);
  // Designed forms stay where they were put and do not move the cascade.
  TForm* designed = shown(poDesigned, 150, 100);
  EXPECT_EQ(designed->Left(), 500);
  TForm* next = shown(poDefaultPosOnly, 150, 100);
  EXPECT_EQ(next->Left(), work.Left + 2 * step);
}

class ArrangeIconsTest : public FormsTest {
 protected:
  TForm* frame = nullptr;
  void SetUp() override {
    frame = NewForm(0, 0, 800, 600);
    frame->SetFormStyle(fsMDIForm);
    frame->Show();
    s.display.RunUntilIdle();
  }
  TForm* Child(int x, int y) {
    auto* c = new TForm(&app);
    c->SetFormStyle(fsMDIChild);
    c->SetBounds(x, y, 200, 150);
    c->Show();
    s.display.RunUntilIdle();
    return c;
  }
};

TEST_F(ArrangeIconsTest, MinimizedChildrenLineTheBottomAndRestoreToTheirBounds) {
  RECT client;
  GetClientRect(frame->ClientHandle(), &client);
  const int h = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
  const int perRow = client.Width() / 160;
  std::vector<TForm*> icons;
  for (int i = 0; i <= perRow; ++i) icons.push_back(Child(10 + i, 20 + i));
  TForm* normal = Child(30, 40);
  for (TForm* f : icons) f->SetWindowState(wsMinimized);
  frame->ArrangeIcons();
  std::vector<TRect> cells;
  for (TForm* f : icons) {
    TRect r = f->BoundsRect();
    EXPECT_EQ(r.Width(), 160);
    EXPECT_EQ(r.Height(), h);
    EXPECT_EQ((r.Left % 160), 0);
    cells.push_back(r);
  }
  // One full row on the bottom, the last icon at the start of the row above.
  std::sort(cells.begin(), cells.end(), [](const TRect& a, const TRect& b) {
    return a.Top != b.Top ? a.Top > b.Top : a.Left < b.Left;
  });
  for (int i = 0; i < perRow; ++i) EXPECT_EQ(cells[size_t(i)], Bounds(160 * i, client.Height() - h, 160, h)) << i;
  EXPECT_EQ(cells.back(), Bounds(0, client.Height() - 2 * h, 160, h));
  EXPECT_EQ(normal->BoundsRect(), Bounds(30, 40, 200, 150)) << "a normal child stays";

  // Arranging again moves nothing.
  std::vector<TRect> before;
  for (TForm* f : icons) before.push_back(f->BoundsRect());
  frame->ArrangeIcons();
  for (size_t i = 0; i < icons.size(); ++i) EXPECT_EQ(icons[i]->BoundsRect(), before[i]) << i;

  icons[1]->SetWindowState(wsNormal);
  EXPECT_FALSE(IsIconic(icons[1]->Handle()));
  EXPECT_EQ(icons[1]->BoundsRect(), Bounds(11, 21, 200, 150));
  // Restored through the window menu, too.
  SendMessage(icons[2]->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_EQ(icons[2]->WindowState(), wsNormal);
  EXPECT_EQ(icons[2]->BoundsRect(), Bounds(12, 22, 200, 150));
  // Maximized straight from an icon, then back to the bounds it had.
  icons[3]->SetWindowState(wsMaximized);
  EXPECT_EQ(icons[3]->WindowState(), wsMaximized);
  EXPECT_EQ(icons[3]->BoundsRect(), Bounds(0, 0, client.Width(), client.Height()));
  icons[3]->SetWindowState(wsNormal);
  EXPECT_EQ(icons[3]->BoundsRect(), Bounds(13, 23, 200, 150));
}

}  // namespace
