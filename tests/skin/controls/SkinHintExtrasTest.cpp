// The skinned hint of a skinned control: its hint title in bold above its
// image, the text right of the image.
#include "skin/controls/SkinCtrls.h"
#include "tests/skin/windows/SkinHintTestSupport.h"

using namespace skinhint;

namespace {

TEST_F(SkinHintTest, SkinnedControlShowsTitleAndImageBesideTheText) {
  LoadSkin();
  auto* images = new TImageList(form, 16, 16);
  TBitmap img;
  img.SetPixelFormat(pf24bit);
  img.SetSize(16, 16);
  img.Canvas()->Brush()->SetColor(0x0000FFFF);
  img.Canvas()->FillRect(TRect{0, 0, 16, 16});
  images->Add(&img, nullptr);
  auto* button = new TspSkinButton(form);
  button->SetParent(form);
  button->SetBounds(150, 10, 75, 25);
  button->SetShowHint(true);
  button->HintTitle = "Title";
  button->SetHintImageList(images);
  button->HintImageIndex = 0;
  bool userCalled = false;
  hint->OnShowHint = [&](std::string&, bool&, THintInfo&) {
    userCalled = true;
    EXPECT_EQ(hint->Title, "Title");  // taken before the user's callback
  };
  TspSkinHintWindow* w = ShowFrameworkHint("Body", button);
  ASSERT_TRUE(Shown(w));
  EXPECT_TRUE(userCalled);
  EXPECT_TRUE(w->Extended);
  const TSize body = Measure("Body", "Arial", 12), title = Measure("Title", "Arial", 12);
  const int w0 = std::max(body.cx, title.cx) + 16 + 10;
  const int h0 = std::max(body.cy + title.cy + 10, 16 + title.cy + 5);
  const TRect r = WindowRect(w);
  EXPECT_EQ(r.Width(), w0 + 4 + 40 - 36 + 10);
  EXPECT_EQ(r.Height(), h0 + 4 + 30 - 26);
  // The image below the title, at the client area's left + 5.
  const TRect& ca = w->ClientArea;
  const TSize boldTitle = Measure("Title", "Arial", 12, fsBold);
  EXPECT_EQ(PixelOf(w, ca.Left + 5 + 8, ca.Top + boldTitle.cy + 5 + 8), 0x0000FFFF);
  EXPECT_NE(PixelOf(w, ca.Left + 5 + 8, ca.Top + boldTitle.cy + 5 - 2), 0x0000FFFF);
  // Text ink right of the image only (the rows below the title).
  bool inkRightOfImage = false;
  for (int y = ca.Top + boldTitle.cy + 5; y < ca.Bottom; ++y) {
    for (int x = ca.Left; x < ca.Left + 5 + 16; ++x) EXPECT_NE(PixelOf(w, x, y), 0x00FFFFFF) << x << "," << y;
    for (int x = ca.Left + 5 + 16 + 5; x < ca.Right; ++x) inkRightOfImage |= PixelOf(w, x, y) == 0x00FFFFFF;
  }
  EXPECT_TRUE(inkRightOfImage);
  Snapshot(w, "hint_extended_fixture");
  // The image list goes while the hint shows: it repaints without it.
  delete images;
  w->Repaint();
  Idle();
  // A plain control's hint is not extended and clears the title.
  hint->OnShowHint = nullptr;
  app.CancelHint();
  TspSkinHintWindow* plain = ShowFrameworkHint("plain");
  ASSERT_TRUE(Shown(plain));
  EXPECT_FALSE(plain->Extended);
  EXPECT_EQ(hint->Title, "");
}

}  // namespace
