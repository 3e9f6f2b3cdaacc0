// The drag image: the popup that follows the pointer during a drag, read
// back from the headless display (shown or not, where, its pixels).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/controls/DragImageList.h"
#include "platform/ui/lists/ListView.h"
#include "platform/ui/lists/TreeView.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "tests/platform/ui/UiTestSupport.h"

namespace {

class TDragImageSource : public TTestWin {
 public:
  using TTestWin::TTestWin;
  TDragImageList* images = nullptr;
  TDragImageList* GetDragImages() override { return images; }
};

// Two 8 x 6 images: red and blue, each with its right-most column masked.
void FillDragImageList(TDragImageList& list) {
  list.SetSize(8, 6);
  TBitmap image(16, 6, pf24bit), mask(16, 6, pf24bit);
  image.Canvas()->Brush()->SetColor(clRed);
  image.Canvas()->FillRect(Rect(0, 0, 8, 6));
  image.Canvas()->Brush()->SetColor(clBlue);
  image.Canvas()->FillRect(Rect(8, 0, 16, 6));
  mask.Canvas()->Brush()->SetColor(clBlack);
  mask.Canvas()->FillRect(Rect(0, 0, 16, 6));
  mask.Canvas()->Brush()->SetColor(clWhite);
  mask.Canvas()->FillRect(Rect(7, 0, 8, 6));
  mask.Canvas()->FillRect(Rect(15, 0, 16, 6));
  list.Add(&image, &mask);
}

// Where the image is: nothing ("none"), hidden, or "x,y" of its top-left on
// the screen, as the display has it.
struct TDragImageSeen {
  std::string place;
  std::uint32_t opaque = 0, clear = 0;  // pixels (0,0) and (7,0)
  bool operator==(const TDragImageSeen& o) const {
    return place == o.place && opaque == o.opaque && clear == o.clear;
  }
};

void PrintTo(const TDragImageSeen& s, std::ostream* os) { *os << s.place << " " << std::hex << s.opaque << "/" << s.clear; }

constexpr std::uint32_t kDragImageRed = 0xFFFF0000u;

class DragImageTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TDragImageSource* source = nullptr;
  TTestWin* shower = nullptr;  // csDisplayDragImage, accepts the drop
  TTestWin* plain = nullptr;   // without it
  TDragImageList images{nullptr};
  std::vector<std::string> drops;

  void SetUp() override {
    FillDragImageList(images);
    ASSERT_TRUE(images.SetDragImage(0, 3, 2));
    form = NewForm(100, 100, 400, 300);
    source = Place(new TDragImageSource(form), 10, 10, 80, 40);
    shower = Place(new TTestWin(form), 200, 10, 100, 60);
    plain = Place(new TTestWin(form), 200, 150, 100, 60);
    source->ControlStyle |= csDisplayDragImage;
    shower->ControlStyle |= csDisplayDragImage;
    source->SetDragMode(dmAutomatic);
    shower->OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& accept) { accept = true; };
    shower->OnDragDrop = [this](TObject*, TObject*, int x, int y) {
      drops.push_back(std::to_string(x) + "," + std::to_string(y));
    };
    form->Show();
    s.display.RunUntilIdle();
  }
  void TearDown() override {
    app.DestroyComponents();
    s.display.RunUntilIdle();
  }
  template <class T>
  T* Place(T* c, int x, int y, int w, int h) {
    c->SetBounds(x, y, w, h);
    c->SetParent(form);
    return c;
  }
  TPoint On(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }

  TDragImageSeen Seen(TDragImageList& list) {
    HWND h = list.DragImageWindow();
    const THeadlessDisplay::TNative* n = h ? s.display.Native(h) : nullptr;
    if (!n) return {"none"};
    if (!n->visible) return {"hidden"};
    return {std::to_string(n->bounds.Left) + "," + std::to_string(n->bounds.Top), s.display.LayeredPixelAt(h, 0, 0),
            s.display.LayeredPixelAt(h, 7, 0)};
  }
  static TDragImageSeen At(TPoint pointer) {
    // The hot spot (3, 2) sits under the pointer.
    return {std::to_string(pointer.X - 3) + "," + std::to_string(pointer.Y - 2), kDragImageRed, 0};
  }

  // Presses on the source and runs each step 10 ms after the one before
  // while the drag waits; each step first notes what the step before left.
  std::vector<TDragImageSeen> Run(TPoint press, std::vector<std::function<void()>> steps) {
    std::vector<TDragImageSeen> seen;
    for (size_t i = 0; i < steps.size(); ++i)
      After(10 * int(i + 1), [this, &seen, step = steps[i]] {
        seen.push_back(Seen(images));
        step();
      });
    s.display.MouseMove(press.X, press.Y);
    s.display.MouseDown(press.X, press.Y);
    s.display.AdvanceTime(10 * int(steps.size() + 2));
    seen.push_back(Seen(images));
    s.display.AdvanceTime(1000);
    return seen;
  }
  std::function<void()> MoveTo(TPoint p) {
    return [this, p] { s.display.MouseMove(p.X, p.Y); };
  }
  std::function<void()> Release(TPoint p) {
    return [this, p] { s.display.MouseUp(p.X, p.Y); };
  }
};

TEST_F(DragImageTest, FollowsThePointerWhereShownAndGoesAtTheEnd) {
  const TPoint press = On(source, 5, 5), atShower = On(shower, 30, 20), nextShower = On(shower, 37, 23),
               atPlain = On(plain, 30, 20), outside = TPoint{20, 20};
  const TDragImageSeen none{"none"};
  struct TCase {
    const char* what;
    bool withImages;
    std::vector<std::function<void()>> steps;
    std::vector<TDragImageSeen> seen;  // by each step, then after the drag
    std::vector<std::string> drops;
  } cases[] = {
      {"moved over a control that shows it and dropped there",
       true,
       {MoveTo(atShower), MoveTo(nextShower), Release(nextShower)},
       {At(press), At(atShower), At(nextShower), none},
       {"37,23"}},
      {"gone over a control without csDisplayDragImage, back over one and over nothing",
       true,
       {MoveTo(atPlain), MoveTo(atShower), MoveTo(outside), Release(outside)},
       {At(press), none, At(atShower), At(outside), none},
       {}},
      {"Esc removes it",
       true,
       {MoveTo(atShower), [this] { s.display.KeyPress(VK_ESCAPE); }, Release(atShower)},
       {At(press), At(atShower), none, none},
       {}},
      {"a control without images shows none",
       false,
       {MoveTo(atShower), Release(atShower)},
       {none, none, none},
       {"30,20"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    drops.clear();
    source->images = c.withImages ? &images : nullptr;
    EXPECT_EQ(Run(press, c.steps), c.seen);
    EXPECT_EQ(drops, c.drops);
    EXPECT_FALSE(source->Dragging());
    EXPECT_FALSE(images.Dragging());
  }
}

// The list's own calls: positions relative to the locked window's corner,
// hiding and showing through the drag object, a new image mid-drag, and
// unlocking.
TEST_F(DragImageTest, ListCallsLockMoveHideAndChangeTheImage) {
  RECT fr{};
  GetWindowRect(form->Handle(), &fr);
  TDragControlObject object(source);
  source->images = &images;
  ASSERT_EQ(object.GetDragImages(), &images);
  EXPECT_FALSE(images.DragMove(1, 1));  // no drag yet
  EXPECT_FALSE(images.SetDragImage(2, 0, 0));
  ASSERT_TRUE(images.BeginDrag(form->Handle(), 50, 40));
  EXPECT_EQ(Seen(images).place, std::to_string(fr.Left + 47) + "," + std::to_string(fr.Top + 38));
  EXPECT_TRUE(images.DragMove(60, 45));
  EXPECT_EQ(Seen(images), At(TPoint{fr.Left + 60, fr.Top + 45}));
  object.HideDragImage();
  EXPECT_EQ(Seen(images).place, "hidden");
  EXPECT_TRUE(images.DragMove(70, 45));  // moves hidden
  object.ShowDragImage();
  EXPECT_EQ(Seen(images), At(TPoint{fr.Left + 70, fr.Top + 45}));
  // The blue image, its hot spot at its corner.
  ASSERT_TRUE(images.SetDragImage(1, 0, 0));
  EXPECT_EQ(Seen(images), (TDragImageSeen{std::to_string(fr.Left + 70) + "," + std::to_string(fr.Top + 45),
                                          0xFF0000FFu, 0}));
  images.DragUnlock();
  EXPECT_EQ(Seen(images).place, "hidden");
  // Unlocked, positions are the screen's; a new lock shows it again.
  EXPECT_TRUE(images.DragLock(GetDesktopWindow(), 5, 6));
  EXPECT_EQ(Seen(images).place, "5,6");
  images.EndDrag();
  EXPECT_EQ(Seen(images).place, "none");
  EXPECT_FALSE(images.Dragging());
}

// A list view's item drags its image from where the view draws it; a tree
// view's node its image with the corner (2, 2) under the pointer. An item
// without an image drags none.
TEST_F(DragImageTest, ListAndTreeViewsDragTheirItemsImage) {
  TImageList icons(form);
  {
    TDragImageList filled;
    FillDragImageList(filled);
    icons.SetSize(8, 6);
    for (int i = 0; i < 2; ++i) {
      TBitmap image, mask;
      filled.GetBitmap(i, &image);
      filled.GetMask(i, &mask);
      icons.Add(&image, &mask);
    }
  }
  auto* list = Place(new TListView(form), 10, 80, 150, 100);
  list->SetViewStyle(vsReport);
  list->Columns()->Add()->SetWidth(140);
  list->SetSmallImages(&icons);
  list->Items()->Add()->SetCaption("blue");
  list->Items()->Item(0)->SetImageIndex(1);
  list->Items()->Add()->SetCaption("bare");
  auto* tree = Place(new TTreeView(form), 10, 190, 150, 100);
  tree->SetImages(&icons);
  tree->Items()->Add(nullptr, "red")->SetImageIndex(0);
  for (TControl* c : std::vector<TControl*>{list, tree}) c->SetDragMode(dmAutomatic);
  s.display.RunUntilIdle();
  RECT fr{};
  GetWindowRect(form->Handle(), &fr);
  const TRect blue = list->Items()->Item(0)->DisplayRect(drBounds), bare = list->Items()->Item(1)->DisplayRect(drBounds);
  const TRect red = tree->Items()->GetFirstNode()->DisplayRect(true);
  struct TCase {
    const char* what;
    TControl* view;
    TPoint press;  // client
    bool expectImage;
    std::uint32_t colour;
  } cases[] = {
      {"list view item", list, TPoint{blue.Left + 4, blue.Top + 5}, true, 0xFF0000FFu},
      {"list view item without an image", list, TPoint{bare.Left + 4, bare.Top + 5}, false, 0},
      {"tree view node", tree, TPoint{red.Left + 3, red.Top + 4}, true, kDragImageRed},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.what);
    const TPoint press = c.view->ClientToScreen(c.press);
    TDragImageList* images = nullptr;
    HWND window = nullptr;
    c.view->OnDragOver = [&](TObject*, TObject*, int, int, TDragState, bool& accept) {
      accept = true;
      images = c.view->GetDragImages();
    };
    std::vector<std::string> seen;
    After(10, [&] {
      window = images ? images->DragImageWindow() : nullptr;
      if (window) {
        const THeadlessDisplay::TNative* n = s.display.Native(window);
        ASSERT_NE(n, nullptr);
        const int x = n->bounds.Left, y = n->bounds.Top;
        seen.push_back(std::to_string(x - press.X) + "," + std::to_string(y - press.Y));
        EXPECT_EQ(s.display.LayeredPixelAt(window, 0, 0), c.colour);
        // The image lies on the view's drawing of it: the same colour
        // at its corners, not just left of it.
        const COLORREF want = RGB(c.colour >> 16 & 0xFF, c.colour >> 8 & 0xFF, c.colour & 0xFF);
        if (c.view == list) {
          EXPECT_EQ(s.display.PixelAt(form->Handle(), x - fr.Left, y - fr.Top), want);
          EXPECT_EQ(s.display.PixelAt(form->Handle(), x + 6 - fr.Left, y + 5 - fr.Top), want);
          EXPECT_NE(s.display.PixelAt(form->Handle(), x - 1 - fr.Left, y - fr.Top), want);
        }
      }
      s.display.KeyPress(VK_ESCAPE);
    });
    s.display.MouseMove(press.X, press.Y);
    s.display.MouseDown(press.X, press.Y);
    s.display.AdvanceTime(30);
    s.display.MouseUp(press.X, press.Y);
    s.display.AdvanceTime(1000);
    EXPECT_EQ(images != nullptr, c.expectImage);
    if (c.view == tree) {
      EXPECT_EQ(seen, std::vector<std::string>{"-2,-2"});
    }
    EXPECT_EQ(seen.size(), c.expectImage ? 1u : 0u);
    c.view->OnDragOver = nullptr;
  }
}

}  // namespace
