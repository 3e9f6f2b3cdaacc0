// Frame painting: the skinned frame's parts in their places, active and
// inactive, the default look, the client background, and snapshots of the
// fixture skin, the wizard's skin and the default look (written as PNG under
// $LUMIQA_SNAPSHOT_DIR for looking at).
#include "skin/windows/Brenvale.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"

using namespace brvtest;

namespace {
}

class BrenvalePaintTest : public BrenvaleTest {
 protected:
  void Skinned(const TFixtureOptions& o = {}) {
    MakeForm(300, 200);
    LoadFixtureSkin(o);
    ctl->SetSkinData(skin);
    Show();
  }
};

TEST_F(BrenvalePaintTest, SkinnedFramePartsMeetWithoutSeams) {
  Skinned();
  Snapshot("brenvale_fixture_active");
  // Every row of the caption band, each border column and the bottom band,
  // at both ends and the stretched middle.
  for (int x : {2, 19, 20, 100, 150, 279, 280, 297}) {
    EXPECT_EQ(Pixel(x, 20), kTop) << x;
    EXPECT_EQ(Pixel(x, 23), kTop) << x;
    EXPECT_EQ(Pixel(x, 197), kBottom) << x;
  }
  for (int y : {24, 29, 30, 100, 179, 180, 195}) {
    EXPECT_EQ(Pixel(0, y), kLeft) << y;
    EXPECT_EQ(Pixel(3, y), kLeft) << y;
    EXPECT_EQ(Pixel(296, y), kRight) << y;
    EXPECT_EQ(Pixel(299, y), kRight) << y;
  }
  // The client shows the client part of the frame picture.
  EXPECT_EQ(Pixel(4, 24), kClient);
  EXPECT_EQ(Pixel(150, 100), kClient);
  EXPECT_EQ(Pixel(295, 195), kClient);
  // Caption buttons drawn by themselves in their places.
  EXPECT_EQ(Pixel(283, 5), kObjNormal);
  EXPECT_EQ(Pixel(295, 17), kObjNormal);
  EXPECT_EQ(Pixel(281, 10), kTop);  // the gap between two buttons
}

TEST_F(BrenvalePaintTest, InactiveFrameUsesTheInactivePicture) {
  TFixtureOptions o;
  o.inactive = true;
  Skinned(o);
  EXPECT_EQ(Pixel(150, 10), kTop);
  TForm* other = NewForm(600, 600, 100, 100);
  other->Show();
  Idle();
  ASSERT_FALSE(ctl->IsFormActive());
  Snapshot("brenvale_fixture_inactive");
  EXPECT_EQ(Pixel(150, 10), kInactiveTop);
  EXPECT_EQ(Pixel(1, 100), kLeft);
}

TEST_F(BrenvalePaintTest, InactiveEffectGreysTheFrame) {
  TFixtureOptions o;
  o.extraFormInfo = "autorenderinginactiveimage=1\ninactiveeffect=iegrayscale\n";
  Skinned(o);
  TForm* other = NewForm(600, 600, 100, 100);
  other->Show();
  Idle();
  const TColor c = Pixel(150, 10);
  EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);
  EXPECT_EQ(c & 0xFF, (c >> 16) & 0xFF);
  EXPECT_NE(c, kTop);
}

TEST_F(BrenvalePaintTest, ResizingRecomposesTheFrame) {
  Skinned();
  form->SetBounds(form->Left(), form->Top(), 500, 320);
  Idle();
  EXPECT_EQ(Pixel(400, 10), kTop);
  EXPECT_EQ(Pixel(498, 200), kRight);
  EXPECT_EQ(Pixel(250, 318), kBottom);
  EXPECT_EQ(Pixel(483, 5), kObjNormal);  // the close button moved with the right edge
  EXPECT_EQ(Pixel(250, 200), kClient);
}

TEST_F(BrenvalePaintTest, DefaultLookCaptionStripesAndRings) {
  MakeForm(300, 200);
  form->SetCaption("");
  Show();
  Snapshot("brenvale_default_active");
  // Three rings: 3D light, highlight, face at the top-left.
  EXPECT_EQ(Pixel(100, 0), ColorToRGB(cl3DLight));
  EXPECT_EQ(Pixel(100, 1), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Pixel(100, 2), ColorToRGB(clBtnFace));
  EXPECT_EQ(Pixel(100, 199), ColorToRGB(cl3DDkShadow));
  EXPECT_EQ(Pixel(298, 100), ColorToRGB(clBtnShadow));
  // 14 stripes from row 2 of the caption band, highlight first.
  EXPECT_EQ(Pixel(100, 3 + 2), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(Pixel(100, 3 + 3), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Pixel(100, 3 + 15), ColorToRGB(clBtnShadow));
  EXPECT_EQ(Pixel(100, 3 + 16), ColorToRGB(clBtnFace));
  // Caption buttons in their places; the client is button face.
  EXPECT_EQ(Pixel(288, 12), kObjNormal);
  EXPECT_EQ(Pixel(150, 100), ColorToRGB(clBtnFace));
}

TEST_F(BrenvalePaintTest, DefaultLookCaptionTextHasItsBox) {
  MakeForm(300, 200);
  form->SetCaption("Lumiqa");
  Show();
  Snapshot("brenvale_default_caption");
  // The text box interrupts the stripes around the middle of the caption.
  int faceRuns = 0;
  for (int x = 30; x < 220; ++x)
    if (Pixel(x, 5) == ColorToRGB(clBtnFace)) ++faceRuns;
  EXPECT_GT(faceRuns, 20);
  EXPECT_EQ(Pixel(30, 5), ColorToRGB(clBtnHighlight));
}

TEST_F(BrenvalePaintTest, DefaultCaptionButtonRepaintsOnHover) {
  MakeForm(300, 200);
  Show();
  EXPECT_EQ(Pixel(288, 12), kObjNormal);
  MoveTo(288, 12);
  EXPECT_EQ(Pixel(288, 12), kObjActive);
}

TEST_F(BrenvalePaintTest, OutsidePaintProtocol) {
  Skinned();
  EXPECT_EQ(SendMessage(form->Handle(), SPMSG_NCQUERY, 0, 0), 0x3235);
  TBitmap b(300, 200, pfDevice);
  b.Canvas()->Brush()->SetColor(clBlack);
  b.Canvas()->FillRect(TRect{0, 0, 300, 200});
  EXPECT_EQ(SendMessage(form->Handle(), SPMSG_NCPAINTTO, WPARAM(b.Canvas()->Handle()), 0), 0x3233);
  EXPECT_EQ(b.Canvas()->Pixels(150, 10), kTop);
  EXPECT_EQ(b.Canvas()->Pixels(150, 100), TColor(clBlack));  // the client is left alone
  EXPECT_EQ(SendMessage(form->Handle(), SPMSG_NCPAINTTO2, WPARAM(b.Canvas()->Handle()), kNcPaintToKey),
            kNcPaintToKey);
  EXPECT_NE(SendMessage(form->Handle(), SPMSG_NCPAINTTO2, WPARAM(b.Canvas()->Handle()), 7), kNcPaintToKey);
}

TEST_F(BrenvalePaintTest, MissingBackgroundPictureFillsWithFace) {
  TFixtureOptions o;
  o.extraFormInfo = "bgpictureindex=5\n";
  Skinned(o);
  EXPECT_EQ(Pixel(150, 100), ColorToRGB(clBtnFace));
}

TEST_F(BrenvalePaintTest, WizardSkinSnapshot) {
  SkinObjectFactory() = DefaultSkinObjectFactory();
  form = NewForm(100, 100, 891, 645);
  form->SetCaption("Lumiqa2011--轻松五步打造出您的Lumiqa");
  ctl = new TspBrenvale(form);
  skin = new TspSkinData(form);
  ASSERT_TRUE(skin->LoadFromFile(kWizardSkin)) << skin->LastLoadError;
  ctl->SetSkinData(skin);
  Show();
  Snapshot("brenvale_wizard_active");
  // clientrect 4,30,156,116 of the 160 x 120 frame.
  EXPECT_EQ(form->ClientWidth(), 883);
  EXPECT_EQ(form->ClientHeight(), 611);
  const TColor active = Pixel(445, 12);
  TForm* other = NewForm(0, 900, 50, 50);
  other->Show();
  Idle();
  Snapshot("brenvale_wizard_inactive");
  // The inactive frame picture differs in the caption band.
  EXPECT_NE(Pixel(445, 12), active);
}

TEST_F(BrenvalePaintTest, ANewSkinRepaintsTheFrameAtTheSameSize) {
  Skinned();
  EXPECT_EQ(Pixel(150, 10), kTop);
  folder_.WriteBytes("frame.bmp", WriteBmp(FramePicture(kInactiveTop)));
  ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini")));
  Idle();
  EXPECT_EQ(Pixel(150, 10), kInactiveTop);
  EXPECT_EQ(Pixel(1, 100), kLeft);
  EXPECT_EQ(Pixel(283, 5), kObjNormal);
}
