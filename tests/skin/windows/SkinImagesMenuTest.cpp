// The images menu: the grid layout with buttons and headers, the keys, the
// mouse, the order of its events, placement against the work area, the
// fade-in and the default look.
#include <gtest/gtest.h>

#include "platform/graphics/ImageList.h"
#include "skin/engine/SPUtils.h"
#include "skin/windows/SkinHint.h"
#include "skin/windows/SkinMenus_ImagesMenu.h"
#include "tests/skin/windows/SkinMenusTestSupport.h"

using namespace skinmenus;

namespace {

constexpr TColor kImagesCellColour = 0x00208040;

class SkinImagesMenuTest : public SkinMenusTest {
 protected:
  TspSkinImagesMenu* im = nullptr;
  TImageList* images = nullptr;

  void SetUp() override {
    SkinMenusTest::SetUp();
    images = new TImageList(form, 16, 16);
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(16, 16);
    b.Canvas()->Brush()->SetColor(kImagesCellColour);
    b.Canvas()->FillRect(TRect{0, 0, 16, 16});
    for (int i = 0; i < 4; ++i) images->Add(&b, nullptr);
    im = new TspSkinImagesMenu(form);
    im->SetImages(images);
    im->CloseNotify = [this] { log.push_back("close-notify"); };
    im->ChangeNotify = [this] { log.push_back("change-notify"); };
    im->OnMenuClose = [this](TObject*) { log.push_back("menu-close"); };
    im->OnItemClick = [this](TObject*) { log.push_back("item-click " + std::to_string(im->ItemIndex)); };
    im->OnChange = [this](TObject*) { log.push_back("change"); };
  }
  // Kinds: 'c' image cell, 'b' button, 'h' header.
  void Build(const std::string& kinds) {
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      TspImagesMenuItem* it = im->ImagesItems()->Add();
      it->ImageIndex = int(i % 4);
      it->Caption = kinds[i] == 'h' ? "Head" : "B" + std::to_string(i);
      it->Button = kinds[i] == 'b';
      it->Header = kinds[i] == 'h';
      it->OnClick = [this, i](TObject* sender) {
        log.push_back("on-click " + std::to_string(i) + (sender == im ? " by menu" : ""));
      };
    }
  }
  TspSkinImagesMenuPopupWindow* W() const { return im->PopupWindow(); }
  TPoint CellPoint(int i) const {
    const TRect wr = WindowRect(W()->Handle());
    const TRect c = im->ImagesItems()->Items(i)->CellRect;
    return TPoint{wr.Left + (c.Left + c.Right) / 2, wr.Top + (c.Top + c.Bottom) / 2};
  }
  void ClickAt(TPoint p) {
    s.display.MouseMove(p.X, p.Y);
    Idle();
    s.display.MouseDown(p.X, p.Y);
    Idle();
    s.display.MouseUp(p.X, p.Y);
    Idle();
  }
  void Open() {
    im->PopupAtRect(TRect{200, 100, 260, 120});
    Idle();
    log.clear();
  }
};

TEST_F(SkinImagesMenuTest, CellsFillRowsOfColumnsAndButtonsAndHeadersStartRowsOfTheirOwn) {
  im->SetColumnsCount(0);
  EXPECT_EQ(im->ColumnsCount(), 1);
  im->SetColumnsCount(51);
  EXPECT_EQ(im->ColumnsCount(), 1);
  im->SetColumnsCount(3);
  EXPECT_EQ(im->ColumnsCount(), 3);
  // Cells are 26 x 26 (16 + 10), a row 78 wide from (5, 5); rows 27 apart.
  Build("ccccchccbc");
  Open();
  ASSERT_NE(W(), nullptr);
  const TRect expected[] = {
      {5, 5, 31, 31},   {31, 5, 57, 31},  {57, 5, 83, 31},  // a full row
      {5, 32, 31, 58},  {31, 32, 57, 58},                   // two cells, then
      {5, 59, 83, 85},                                      // the header (height of a cell)
      {5, 86, 31, 112}, {31, 86, 57, 112},                  // cells start left again
      {5, 113, 83, 139},                                    // a button
      {5, 140, 31, 166},
  };
  for (int i = 0; i < 10; ++i) EXPECT_EQ(im->ImagesItems()->Items(i)->CellRect, expected[i]) << i;
  EXPECT_EQ(W()->Width(), 78 + 10);
  EXPECT_EQ(W()->Height(), 161 + 10);
  // Below the rectangle, at its left.
  EXPECT_EQ(WindowRect(W()->Handle()).Left, 200);
  EXPECT_EQ(WindowRect(W()->Handle()).Top, 120);
}

TEST_F(SkinImagesMenuTest, KeysMoveTheHoverAndReturnOrEscapeClose) {
  im->SetColumnsCount(3);
  Build("hcccccb");  // header, cells 1-3 | 4-5, button 6
  im->ItemIndex = 2;
  Open();
  const struct {
    int vk;
    int hover;
  } steps[] = {
      {VK_DOWN, 1},   // no hover: the first item that is not a header
      {VK_RIGHT, 2},  {VK_DOWN, 5},  {VK_DOWN, 6},  // same column, then the button
      {VK_UP, 4},     // back up: the first higher item in the button's column
      {VK_UP, 1},     {VK_UP, 1},    // none higher: stays
      {VK_LEFT, 6},   // at the first after a header: the last
      {VK_RIGHT, 1},  // at the last: the first after the header
  };
  for (const auto& st : steps) {
    Key(st.vk);
    EXPECT_EQ(W()->HoverIndex, st.hover) << st.vk;
  }
  Key(VK_RIGHT);
  Key(VK_RETURN);
  EXPECT_EQ(W(), nullptr);
  EXPECT_EQ(im->ItemIndex, 2);
  // Selection unchanged: no change events.
  EXPECT_EQ(log, (std::vector<std::string>{"close-notify", "menu-close", "on-click 2 by menu", "item-click 2"}));
  log.clear();
  // Return with no hover clicks the current item; Escape clicks nothing.
  Open();
  Key(VK_RETURN);
  EXPECT_EQ(log, (std::vector<std::string>{"close-notify", "menu-close", "on-click 2 by menu", "item-click 2"}));
  Open();
  Key(VK_DOWN);
  Key(VK_ESCAPE);
  EXPECT_EQ(log, (std::vector<std::string>{"close-notify", "menu-close"}));
  EXPECT_EQ(im->ItemIndex, 2);
}

TEST_F(SkinImagesMenuTest, KeysNeverHoverAnItemThatDoesNotExist) {
  Build("h");  // a lone header
  im->ItemIndex = 5;  // out of range
  Open();
  ASSERT_NE(W(), nullptr);
  for (int vk : {VK_DOWN, VK_RIGHT, VK_LEFT, VK_UP}) {
    Key(vk);
    EXPECT_EQ(W()->HoverIndex, -1) << vk;
  }
  Key(VK_RETURN);
  EXPECT_EQ(W(), nullptr);
  // No item at 5: no item click to run, the menu's own click still runs.
  EXPECT_EQ(log, (std::vector<std::string>{"close-notify", "menu-close", "item-click 5"}));
  // No items at all: nothing opens.
  im->ImagesItems()->Clear();
  im->PopupAtRect(TRect{200, 100, 260, 120});
  EXPECT_EQ(W(), nullptr);
}

TEST_F(SkinImagesMenuTest, AClickOnACellSelectsItAndAClickOutsideClosesWithoutChange) {
  im->SetColumnsCount(2);
  Build("cccc");
  im->ItemIndex = 0;
  Open();
  ClickAt(CellPoint(3));
  EXPECT_EQ(W(), nullptr);
  EXPECT_EQ(im->ItemIndex, 3);
  EXPECT_EQ(log, (std::vector<std::string>{"close-notify", "menu-close", "on-click 3 by menu", "item-click 3",
                                           "change-notify", "change"}));
  Open();
  ClickAt(TPoint{20, 20});  // on the form, away from the drop-down
  EXPECT_EQ(W(), nullptr);
  EXPECT_EQ(im->ItemIndex, 3);
  EXPECT_EQ(log, (std::vector<std::string>{"close-notify", "menu-close"}));
  // The application's message callback is the form's again.
  bool handled = false;
  MSG m{};
  m.message = WM_KEYDOWN;
  if (Application->OnMessage) Application->OnMessage(m, handled);
  EXPECT_FALSE(handled);
}

TEST_F(SkinImagesMenuTest, NearTheBottomOfTheWorkAreaItOpensAboveItsRectangle) {
  Build("cccc");
  TRect wa{};
  GetMonitorWorkArea(form->Handle(), true, wa);
  const TRect r{wa.Right - 10, wa.Bottom - 30, wa.Right + 20, wa.Bottom - 10};
  im->PopupAtRect(r);
  Idle();
  const TRect w = WindowRect(W()->Handle());
  EXPECT_EQ(w.Bottom, r.Top);
  EXPECT_EQ(w.Right, wa.Right);
}

TEST_F(SkinImagesMenuTest, FadesInByTensToItsAlpha) {
  Build("cc");
  im->AlphaBlend = true;
  im->AlphaBlendAnimation = true;
  im->AlphaBlendValue = 35;
  im->PopupAtRect(TRect{200, 100, 260, 120});
  ASSERT_NE(W(), nullptr);
  EXPECT_EQ(W()->FadeSteps, (std::vector<int>{10, 20, 30, 35}));
}

TEST_F(SkinImagesMenuTest, DefaultLookMarksTheSelectedAndHoveredCellsAndCentresHeaders) {
  im->SetColumnsCount(3);
  Build("hcccb");
  im->ItemIndex = 1;
  Open();
  HWND h = W()->Handle();
  auto px = [&](const TRect& c, int dx, int dy) { return PixelOf(h, c.Left + dx, c.Top + dy); };
  const TRect selected = im->ImagesItems()->Items(1)->CellRect, other = im->ImagesItems()->Items(2)->CellRect;
  EXPECT_EQ(px(selected, 0, 0), 0x00800000);
  EXPECT_EQ(px(selected, 2, 2), 0x00B59385);
  EXPECT_EQ(px(selected, 5, 5), kImagesCellColour);
  EXPECT_EQ(px(other, 2, 2), ColorToRGB(clWindow));
  EXPECT_EQ(px(other, 5, 5), kImagesCellColour);
  EXPECT_EQ(PixelOf(h, 0, 0), ColorToRGB(clBtnShadow));
  const TPoint p = CellPoint(2);
  s.display.MouseMove(p.X, p.Y);
  Idle();
  EXPECT_EQ(W()->HoverIndex, 2);
  EXPECT_EQ(px(other, 2, 2), 0x00D2BDB6);
  Snapshot(h, "imagesmenu_default");
  // The header's caption sits in the middle of its row.
  const TRect head = im->ImagesItems()->Items(0)->CellRect;
  int left = 999, right = -1;
  for (int y = head.Top; y < head.Bottom; ++y)
    for (int x = head.Left; x < head.Right; ++x)
      if (PixelOf(h, x, y) != ColorToRGB(clWindow)) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  ASSERT_LT(left, right);
  EXPECT_NEAR((left + right + 1) / 2.0, (head.Left + head.Right) / 2.0, 2.0);
}

}  // namespace

namespace {

constexpr TColor kImagesWin = 0x00404000, kImagesCellN = 0x00A0A0A0, kImagesCellA = 0x0000A0F0,
                 kImagesCellD = 0x00F000A0;

TDibImage ImagesSolid(int w, int h, const std::vector<std::pair<int, TColor>>& bands) {
  TDibImage img;
  img.Allocate(w, h, 24);
  int y0 = 0;
  for (const auto& b : bands) {
    for (int y = y0; y < y0 + b.first; ++y)
      for (int x = 0; x < w; ++x) {
        img.Row(y)[x * 3] = Byte(b.second >> 16);
        img.Row(y)[x * 3 + 1] = Byte(b.second >> 8);
        img.Row(y)[x * 3 + 2] = Byte(b.second);
      }
    y0 += b.first;
  }
  return img;
}

class SkinImagesMenuSkinTest : public SkinImagesMenuTest {
 protected:
  void LoadImagesSkin() {
    folder_.WriteBytes("frame.bmp", WriteBmp(ImagesSolid(40, 40, {{40, kImagesWin}})));
    folder_.WriteBytes("cells.bmp", WriteBmp(ImagesSolid(40, 60, {{20, kImagesCellN}, {20, kImagesCellA}, {20, kImagesCellD}})));
    folder_.WriteText("Skin.ini",
                      "[VERSION]\nskinversion=1\n[PICTURES]\nactivepicturescount=2\n0=frame.bmp\n1=cells.bmp\n"
                      "[FORMINFO]\nborderwidth=1\n[SKINOBJECTS]\ncount=0\n"
                      "[SKINCONTROLS]\ncount=1\n0=menuitembutton:button\n"
                      "[menuitembutton]\npictureindex=1\nskinrect=0,0,40,20\nactiveskinrect=0,20,40,40\n"
                      "downskinrect=0,40,40,60\nlefttoppoint=4,4\nrighttoppoint=36,4\nleftbottompoint=4,16\n"
                      "rightbottompoint=36,16\nclientrect=2,2,38,18\nleftstretch=1\ntopstretch=1\nrightstretch=1\n"
                      "bottomstretch=1\nfontname=Arial\nfontheight=12\n"
                      "[POPUPWINDOW]\nwindowpictureindex=0\nmaskpictureindex=-1\nlefttoppoint=8,8\n"
                      "righttoppoint=32,8\nleftbottompoint=8,32\nrightbottompoint=32,32\nitemsrect=8,8,32,32\n"
                      "leftstretch=1\ntopstretch=1\nrightstretch=1\nbottomstretch=1\n");
    auto* sd = new TspSkinData(form);
    ASSERT_TRUE(sd->LoadFromFile(folder_.Path("Skin.ini"))) << sd->LastLoadError;
    im->SetSkinData(sd);
  }
  TSkinFolder folder_;
};

TEST_F(SkinImagesMenuSkinTest, TheSkinnedDropDownHasTheSkinsFrameAndCellFaces) {
  LoadImagesSkin();
  im->SetColumnsCount(3);
  Build("ccc");
  im->ItemIndex = 0;
  Open();
  ASSERT_NE(W(), nullptr);
  EXPECT_TRUE(W()->Skinned);
  // Cells from the items rectangle's corner; the frame grows around them.
  EXPECT_EQ(im->ImagesItems()->Items(0)->CellRect, (TRect{8, 8, 34, 34}));
  EXPECT_EQ(W()->Width(), 40 + 78 - 24);
  EXPECT_EQ(W()->Height(), 40 + 26 - 24);
  HWND h = W()->Handle();
  EXPECT_EQ(PixelOf(h, 1, 1), kImagesWin);
  EXPECT_EQ(PixelOf(h, 8 + 2, 8 + 2), kImagesCellD);       // the selected cell: down face
  EXPECT_EQ(PixelOf(h, 34 + 2, 8 + 2), kImagesWin);        // no face for the others
  const TPoint p = CellPoint(1);
  s.display.MouseMove(p.X, p.Y);
  Idle();
  EXPECT_EQ(PixelOf(h, 34 + 2, 8 + 2), kImagesCellA);      // hovered: active face
  EXPECT_EQ(PixelOf(h, 34 + 5, 8 + 5), kImagesCellColour); // the image over it
  Snapshot(h, "imagesmenu_skinned");
}

}  // namespace

namespace {

TEST_F(SkinImagesMenuTest, HoveredItemsRequestTheirHintsAndAPressHidesIt) {
  auto* hint = new TspSkinHint(form);
  im->SetSkinHint(hint);
  im->SetColumnsCount(2);
  Build("cc");
  im->ImagesItems()->Items(0)->Hint = "Red";
  Open();
  auto shown = [&] { return hint->HintWindow && hint->HintWindow->HandleAllocated() && IsWindowVisible(hint->HintWindow->Handle()); };
  const TPoint p = CellPoint(0);
  s.display.MouseMove(p.X, p.Y);
  Idle();
  EXPECT_FALSE(shown());
  Advance(app.HintPause);
  ASSERT_TRUE(shown());
  EXPECT_EQ(hint->HintWindow->Caption(), "Red");
  // The second item has no hint: moving there hides it.
  const TPoint q = CellPoint(1);
  s.display.MouseMove(q.X, q.Y);
  Idle();
  Advance(app.HintPause);
  EXPECT_FALSE(shown());
  // Without ShowHints nothing is requested.
  im->ShowHints = false;
  s.display.MouseMove(p.X, p.Y);
  Idle();
  Advance(app.HintPause);
  EXPECT_FALSE(shown());
}

}  // namespace

namespace {

TEST_F(SkinImagesMenuTest, AssigningItemsCopiesImageCaptionButtonAndHintOnly) {
  TspImagesMenuItems source(im);
  TspImagesMenuItem* a = source.Add();
  a->ImageIndex = 3;
  a->Caption = "Blue";
  a->Button = true;
  a->Header = true;
  a->Hint = "a blue pen";
  a->OnClick = [](TObject*) {};
  im->SetImagesItems(&source);
  ASSERT_EQ(im->ImagesItems()->Count(), 1);
  TspImagesMenuItem* b = im->ImagesItems()->Items(0);
  EXPECT_EQ(b->ImageIndex, 3);
  EXPECT_EQ(b->Caption, "Blue");
  EXPECT_TRUE(b->Button);
  EXPECT_EQ(b->Hint, "a blue pen");
  EXPECT_FALSE(b->Header);
  EXPECT_FALSE(b->OnClick);
}

}  // namespace
