// Frame geometry and the three hit tests, as tables over the frame.
#include "skin/windows/Brenvale.h"
#include "platform/gdi/Gdi.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"

using namespace brvtest;

namespace {

struct HitCase {
  int x, y;
  int code;
};

const char* CodeName(int c) {
  switch (c) {
    case HTCLIENT: return "HTCLIENT";
    case HTCAPTION: return "HTCAPTION";
    case HTLEFT: return "HTLEFT";
    case HTRIGHT: return "HTRIGHT";
    case HTTOP: return "HTTOP";
    case HTTOPLEFT: return "HTTOPLEFT";
    case HTTOPRIGHT: return "HTTOPRIGHT";
    case HTBOTTOM: return "HTBOTTOM";
    case HTBOTTOMLEFT: return "HTBOTTOMLEFT";
    case HTBOTTOMRIGHT: return "HTBOTTOMRIGHT";
    case HTOBJECT: return "HTOBJECT";
    default: return "?";
  }
}

}  // namespace

class BrenvaleGeometryTest : public BrenvaleTest {
 protected:
  void Skinned(const TFixtureOptions& o = {}, int w = 300, int h = 200) {
    MakeForm(w, h);
    LoadFixtureSkin(o);
    ctl->SetSkinData(skin);
    Show();
  }
  void ExpectHits(const std::vector<HitCase>& cases) {
    for (const HitCase& c : cases) {
      // A hit on an object hovers it, and a hovered object wins the hit test
      // until the mouse leaves it; every case starts with nothing hovered.
      ctl->HoverTest(-1, -1, false);
      EXPECT_STREQ(CodeName(int(HitAt(c.x, c.y))), CodeName(c.code)) << "at " << c.x << "," << c.y;
    }
  }
};

TEST_F(BrenvaleGeometryTest, FittedGeometryFollowsTheWindowSize) {
  Skinned({}, 300, 200);
  // dx = 180, dy = 120 against the 120 x 80 picture.
  EXPECT_EQ(ctl->FittedClientRect, (TRect{4, 24, 296, 196}));
  EXPECT_EQ(ctl->FittedRightTop, (TPoint{280, 30}));
  EXPECT_EQ(ctl->FittedLeftBottom, (TPoint{20, 180}));
  EXPECT_EQ(ctl->FittedRightBottom, (TPoint{280, 180}));
  EXPECT_EQ(ctl->FittedCaptionRect, (TRect{4, 4, 296, 22}));
  EXPECT_EQ(ctl->FittedMaskRectArea, (TRect{4, 4, 296, 196}));
  EXPECT_EQ(ctl->HitTestRightBottom, (TPoint{292, 192}));
  // Caption buttons flow from the caption's right edge, close first; the
  // caption ends where they begin.
  EXPECT_EQ(Obj("closebutton")->ObjectRect, (TRect{282, 4, 296, 18}));
  EXPECT_EQ(Obj("maxbutton")->ObjectRect, (TRect{266, 4, 280, 18}));
  EXPECT_EQ(Obj("minbutton")->ObjectRect, (TRect{250, 4, 264, 18}));
  EXPECT_EQ(Obj("caption")->ObjectRect, (TRect{4, 4, 250, 22}));
}

TEST_F(BrenvaleGeometryTest, AnchoringMovesOrStretchesByCornerArea) {
  Skinned({}, 300, 200);
  const struct {
    TRect in, out;
  } cases[] = {
      {{2, 2, 10, 10}, {2, 2, 10, 10}},           // top-left corner: stays
      {{104, 2, 110, 10}, {284, 2, 290, 10}},     // top-right: moves right
      {{2, 64, 10, 70}, {2, 184, 10, 190}},       // bottom-left: moves down
      {{104, 64, 110, 70}, {284, 184, 290, 190}}, // bottom-right: both
      {{4, 4, 110, 22}, {4, 4, 290, 22}},         // top band: widens
      {{2, 10, 10, 70}, {2, 10, 10, 190}},        // left band: lengthens
      {{104, 10, 110, 70}, {284, 10, 290, 190}},  // right band
      {{10, 64, 110, 70}, {10, 184, 290, 190}},   // bottom band
      {{4, 4, 110, 70}, {4, 4, 290, 190}},        // the whole inside
      {{40, 40, 60, 50}, {40, 40, 60, 50}},       // the middle: stays
  };
  for (const auto& c : cases) EXPECT_EQ(ctl->AnchorRect(c.in), c.out) << c.in.Left << "," << c.in.Top;
}

TEST_F(BrenvaleGeometryTest, ButtonsRectOnTheRightHalfMovesWithTheWidth) {
  TFixtureOptions o;
  o.extraFormInfo = "buttonsrect=70,5,112,19\nbuttonsoffset=2\n";
  Skinned(o, 300, 200);
  EXPECT_EQ(ctl->FittedButtonsRect, (TRect{250, 5, 292, 19}));
  // With a buttons rectangle the flow starts at its right edge and the
  // caption keeps its own rectangle.
  EXPECT_EQ(Obj("closebutton")->ObjectRect, (TRect{278, 5, 292, 19}));
  EXPECT_EQ(Obj("caption")->ObjectRect, (TRect{4, 4, 290, 22}));
}

TEST_F(BrenvaleGeometryTest, SkinnedHitTestAcrossTheFrame) {
  Skinned({}, 300, 200);
  ExpectHits({
      {150, 100, HTCLIENT},      {6, 100, HTCLIENT},        {150, 10, HTCAPTION},     {289, 10, HTOBJECT},
      {2, 2, HTTOPLEFT},         {297, 2, HTTOPRIGHT},      {2, 197, HTBOTTOMLEFT},   {297, 197, HTBOTTOMRIGHT},
      {150, 1, HTTOP},           {150, 198, HTBOTTOM},      {1, 100, HTLEFT},         {3, 100, HTLEFT},
      {298, 100, HTRIGHT},       {150, 3, HTTOP},           {7, 1, HTTOPLEFT},        {292, 199, HTBOTTOMRIGHT},
  });
}

TEST_F(BrenvaleGeometryTest, MaximizedOrFixedFramesOfferNoSizing) {
  Skinned({}, 300, 200);
  ctl->Sizeable = false;
  ExpectHits({{1, 100, HTOBJECT}, {150, 1, HTOBJECT}, {150, 100, HTCLIENT}, {150, 10, HTCAPTION},
              {297, 197, HTOBJECT}});
  ctl->Sizeable = true;
  ctl->ChangeWindowState(spwsMaximized);
  Idle();
  ExpectHits({{1, 100, HTOBJECT}, {form->Width() / 2, form->Height() / 2, HTCLIENT}});
}

TEST_F(BrenvaleGeometryTest, NoBorderWidthAndNoMaskMeansNoSizingZones) {
  TFixtureOptions o;
  o.mask = false;
  o.borderwidth = 0;
  Skinned(o, 300, 200);
  ExpectHits({{0, 100, HTOBJECT}, {150, 0, HTOBJECT}, {299, 199, HTOBJECT}, {150, 100, HTCLIENT}});
}

TEST_F(BrenvaleGeometryTest, WithoutAMaskTheBorderIsTheWindowEdgeBand) {
  TFixtureOptions o;
  o.mask = false;
  Skinned(o, 300, 200);
  // borderwidth 4: a probe 4 pixels away leaves the window.
  ExpectHits({{3, 100, HTLEFT}, {4, 100, HTCLIENT}, {296, 100, HTRIGHT}, {295, 100, HTCLIENT},
              {150, 3, HTTOP}, {150, 4, HTCAPTION}});
}

TEST_F(BrenvaleGeometryTest, MaskShapesTheWindow) {
  Skinned({}, 300, 200);
  // The mask's corner pixels are white: outside the region.
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(form->Handle(), rgn), 0);
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_FALSE(PtInRegion(rgn, 299, 199));
  EXPECT_TRUE(PtInRegion(rgn, 2, 0));
  EXPECT_TRUE(PtInRegion(rgn, 150, 0));
  EXPECT_TRUE(PtInRegion(rgn, 150, 100));
  EXPECT_TRUE(PtInRegion(rgn, 299, 2));
  DeleteObject(reinterpret_cast<HGDIOBJ>(rgn));
  // It follows a new size.
  form->SetBounds(form->Left(), form->Top(), 400, 260);
  Idle();
  rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(form->Handle(), rgn), 0);
  EXPECT_FALSE(PtInRegion(rgn, 399, 259));
  EXPECT_TRUE(PtInRegion(rgn, 397, 259));
  DeleteObject(reinterpret_cast<HGDIOBJ>(rgn));
}

TEST_F(BrenvaleGeometryTest, DefaultHitTestAcrossTheFrame) {
  MakeForm(300, 200);
  Show();
  // Default caption buttons: close, maximize, minimize, roll-up from the
  // right (17 pixels each, top 4), the system menu at the left.
  EXPECT_EQ(Obj("closebutton")->ObjectRect, (TRect{280, 4, 297, 21}));
  EXPECT_EQ(Obj("rollupbutton")->ObjectRect, (TRect{229, 4, 246, 21}));
  EXPECT_EQ(Obj("sysmenubutton")->ObjectRect, (TRect{3, 4, 20, 21}));
  EXPECT_FALSE(Obj("traybutton")->Visible);
  ExpectHits({
      {150, 10, HTCAPTION},  {150, 21, HTCAPTION},   {150, 22, HTCLIENT},      {288, 10, HTOBJECT},
      {10, 10, HTOBJECT},    {0, 0, HTTOPLEFT},      {299, 0, HTTOPRIGHT},     {0, 199, HTBOTTOMLEFT},
      {299, 199, HTBOTTOMRIGHT}, {0, 100, HTLEFT},   {2, 100, HTLEFT},         {297, 100, HTRIGHT},
      {150, 2, HTTOP},       {150, 197, HTBOTTOM},   {3, 100, HTCLIENT},       {296, 196, HTCLIENT},
  });
}

TEST_F(BrenvaleGeometryTest, ClientHitTestWithoutNonClientSupport) {
  MakeForm(300, 200);
  ctl->SetSupportNCArea(false);
  LoadFixtureSkin();
  ctl->SetSkinData(skin);
  Show();
  // The whole window is client area and shows the whole frame.
  EXPECT_EQ(form->ClientWidth(), form->Width());
  const TPoint o = form->ClientToScreen(TPoint{0, 0});
  auto hit = [&](int x, int y) {
    return int(SendMessage(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(o.X + x, o.Y + y)));
  };
  EXPECT_STREQ(CodeName(hit(150, 100)), "HTCLIENT");
  EXPECT_STREQ(CodeName(hit(1, 100)), "HTLEFT");
  EXPECT_STREQ(CodeName(hit(form->ClientWidth() - 1, form->ClientHeight() - 1)), "HTBOTTOMRIGHT");
}

TEST_F(BrenvaleGeometryTest, FrameSizeLimits) {
  Skinned({}, 300, 200);
  // The picture's width, and its height less the client's.
  EXPECT_EQ(ctl->MinFrameWidth(), kPW);
  EXPECT_EQ(ctl->MinFrameHeight(), kPH - 52);
  ctl->MinWidth = 200;
  ctl->MinHeight = 150;
  EXPECT_EQ(ctl->MinFrameWidth(), 200);
  EXPECT_EQ(ctl->MinFrameHeight(), 150);
  MINMAXINFO info{};
  SendMessage(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.ptMinTrackSize.X, 200);
  EXPECT_EQ(info.ptMinTrackSize.Y, 150);
  // The work area of the (only) monitor.
  EXPECT_EQ(info.ptMaxTrackSize.X, Screen->WorkAreaWidth());
  ctl->MaxWidth = 640;
  EXPECT_EQ(ctl->MaxFrameWidth(), 640);
}

TEST_F(BrenvaleGeometryTest, DefaultLookLimits) {
  MakeForm(300, 200);
  EXPECT_EQ(ctl->MinFrameWidth(), 130);
  EXPECT_EQ(ctl->MinFrameHeight(), kDefCaptionHeight + 6);
}
