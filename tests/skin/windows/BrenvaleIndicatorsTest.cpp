// The frame's indicators: frame strips and regulators, animations, bar
// gauges, bitmap and text labels, switches and track bars, drawn from a
// fixture skin whose pieces are solid colours, driven by the mouse, with
// their events in order.
#include <gtest/gtest.h>

#include "skin/windows/Brenvale_Objects_Indicators.h"
#include "tests/skin/windows/BrenvaleObjectsTestSupport.h"

using namespace skinobj;

namespace {

constexpr TColor kIndEmpty = 0x00303030, kIndFull = 0x0000C000, kIndKnob = 0x000000FF, kIndKnobDown = 0x00FF0000,
                 kIndBack = 0x00E0E0E0, kIndSymA = 0x00800080, kIndSymB = 0x00008080, kIndOff = 0x00404080, kIndOn = 0x0040C040;
constexpr TColor kIndStepColour[3] = {0x00101060, 0x00106010, 0x00601010};

TColor StripColour(int k) { return TColor(0x00200000 | (k * 20)); }

// Active picture, 1100 x 100: an 11-frame strip of 100 x 10 frames (y 0),
// three 10 x 10 animation frames (y 10), the gauges' full pieces, the
// track bars' full pieces and knobs, two symbols and the switch's on face.
TDibImage IndicatorStates() {
  TDibImage img;
  img.Allocate(1100, 100, 24);
  FillCell(img, 0, 0, 1100, 100, 0x00FFFFFF);
  for (int k = 0; k < 11; ++k) FillCell(img, k * 100, 0, 100, 10, StripColour(k));
  for (int k = 0; k < 3; ++k) FillCell(img, k * 10, 10, 10, 10, kIndStepColour[k]);
  FillCell(img, 0, 20, 40, 10, kIndFull);    // horizontal gauge
  FillCell(img, 40, 20, 10, 40, kIndFull);   // vertical gauge
  FillCell(img, 0, 60, 60, 10, kIndFull);    // horizontal track
  FillCell(img, 60, 60, 6, 10, kIndKnob);
  FillCell(img, 66, 60, 6, 10, kIndKnobDown);
  FillCell(img, 100, 20, 10, 60, kIndFull);  // vertical track
  FillCell(img, 120, 20, 10, 6, kIndKnob);
  FillCell(img, 130, 10, 10, 10, kIndSymA);
  FillCell(img, 140, 10, 10, 10, kIndSymB);
  FillCell(img, 170, 0, 10, 10, kIndOn);
  return img;
}

// The frame picture: the empty pieces where the objects lie.
TDibImage IndicatorFrame() {
  TDibImage img;
  img.Allocate(200, 100, 24);
  FillCell(img, 0, 0, 200, 100, kFrame);
  FillCell(img, 20, 2, 60, 10, kIndEmpty);   // track bar
  FillCell(img, 100, 2, 40, 10, kIndEmpty);  // gauge
  FillCell(img, 150, 2, 10, 10, kIndOff);    // switch
  FillCell(img, 100, 30, 10, 40, kIndEmpty); // vertical gauge
  FillCell(img, 120, 30, 10, 60, kIndEmpty); // vertical track bar
  FillCell(img, 20, 30, 30, 10, kIndBack);   // bit label
  FillCell(img, 20, 50, 60, 20, kIndBack);   // text label
  return img;
}

std::string IndicatorIni() {
  return "[VERSION]\nskinversion=1\n[PICTURES]\npicture=frame.bmp\nactivepicturescount=1\n0=states.bmp\n"
         "[FORMINFO]\nclientrect=4,26,196,96\nlefttoppoint=30,30\nrighttoppoint=170,30\n"
         "leftbottompoint=30,90\nrightbottompoint=170,90\nleftstretch=1\ntopstretch=1\nrightstretch=1\n"
         "bottomstretch=1\ncaptionrect=4,2,196,24\nbuttonsrect=120,2,196,24\nborderwidth=4\n"
         "[SKINOBJECTS]\ncount=10\n0=track:trackbar\n1=gauge:gauge\n2=switch:switch\n3=vgauge:gauge\n"
         "4=vtrack:trackbar\n5=bits:bitlabel\n6=text:label\n7=slider:frameregulator\n8=knob:frameregulator\n"
         "9=anim:animate\n"
         "[track]\nactivepictureindex=0\nskinrect=20,2,80,12\nactiveskinrect=0,60,60,70\nbuttonrect=60,60,66,70\n"
         "activebuttonrect=66,60,72,70\nbeginpoint=5,5\nendpoint=55,5\nminvalue=0\nmaxvalue=50\n"
         "[gauge]\nactivepictureindex=0\nskinrect=100,2,140,12\nactiveskinrect=0,20,40,30\nminvalue=0\n"
         "maxvalue=4\nkind=gkhorizontal\n"
         "[switch]\nactivepictureindex=0\nskinrect=150,2,160,12\nactiveskinrect=170,0,180,10\n"
         "[vgauge]\nactivepictureindex=0\nskinrect=100,30,110,70\nactiveskinrect=40,20,50,60\nminvalue=0\n"
         "maxvalue=4\nkind=gkvertical\n"
         "[vtrack]\nactivepictureindex=0\nskinrect=120,30,130,90\nactiveskinrect=100,20,110,80\n"
         "buttonrect=120,20,130,26\nbeginpoint=5,55\nendpoint=5,5\nminvalue=0\nmaxvalue=10\n"
         "mousedownchangevalue=1\n"
         "[bits]\nactivepictureindex=0\nskinrect=20,30,50,40\nactiveskinrect=130,10,150,20\nsymbolwidth=10\n"
         "symbolheight=10\nsymbolslinecount=1\nsymbolsline0=AB\ntextvalue=AXB\n"
         "[text]\nactivepictureindex=0\nskinrect=20,50,80,70\ntextvalue=Hi\nfontname=Arial\nfontheight=14\n"
         "fontcolor=$000000FF\nactivefontcolor=$000000FF\nalignment=tacenter\n"
         "[slider]\nactivepictureindex=0\nskinrect=0,0,100,10\nactiveskinrect=0,0,1100,10\ncountframes=11\n"
         "framesplacement=fphorizontal\nminvalue=0\nmaxvalue=100\nkind=rkhorizontal\n"
         "[knob]\nactivepictureindex=0\nskinrect=0,0,100,100\nactiveskinrect=0,0,1100,10\ncountframes=11\n"
         "minvalue=0\nmaxvalue=100\nkind=rkround\n"
         "[anim]\nactivepictureindex=0\nskinrect=0,10,10,20\nactiveskinrect=0,10,30,20\ncountframes=3\n"
         "timerinterval=60\nbuttonstyle=1\n[SKINCONTROLS]\ncount=0\n";
}

class BrenvaleIndicatorsTest : public BrenvaleObjectsTest {
 protected:
  void SetUp() override {
    BrenvaleObjectsTest::SetUp();
    controller->OnTrackBarChangeValueEvent = [this](const std::string& id, int v) {
      events.push_back("value " + id + " " + std::to_string(v));
    };
    controller->OnFrameRegulatorChangeValueEvent = [this](const std::string& id, int v) {
      events.push_back("value " + id + " " + std::to_string(v));
    };
    controller->OnSwitchChangeStateEvent = [this](const std::string& id, TSwitchState st) {
      events.push_back("state " + id + (st == swsOn ? " on" : " off"));
    };
    folder_.WriteBytes("frame.bmp", WriteBmp(IndicatorFrame()));
    folder_.WriteBytes("states.bmp", WriteBmp(IndicatorStates()));
    folder_.WriteText("Skin.ini", IndicatorIni());
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
  }
  void TearDown() override {
    controller->OnTrackBarChangeValueEvent = nullptr;
    controller->OnFrameRegulatorChangeValueEvent = nullptr;
    controller->OnSwitchChangeStateEvent = nullptr;
    BrenvaleObjectsTest::TearDown();
  }
  // A fresh object of description id, lying where its skin rectangle is.
  template <class T>
  std::unique_ptr<T> MakeAt(const std::string& id) {
    controller->SetSkinData(skin);
    auto o = Make<T>(id);
    if (o) o->ObjectRect = o->SkinRect;
    return o;
  }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(events);
    return out;
  }
};

TEST_F(BrenvaleIndicatorsTest, TheControllerMakesEachIndicatorFromItsDescription) {
  controller->SetSkinData(skin);
  Show();
  EXPECT_NE(Object<TspSkinTrackBarObject>("track"), nullptr);
  EXPECT_NE(Object<TspSkinGaugeObject>("gauge"), nullptr);
  EXPECT_NE(Object<TspSkinSwitchObject>("switch"), nullptr);
  EXPECT_NE(Object<TspSkinBitLabelObject>("bits"), nullptr);
  EXPECT_NE(Object<TspSkinLabelObject>("text"), nullptr);
  EXPECT_NE(Object<TspSkinFrameRegulatorObject>("slider"), nullptr);
  EXPECT_NE(Object<TspSkinAnimateObject>("anim"), nullptr);
}

TEST_F(BrenvaleIndicatorsTest, HorizontalRegulatorStepsTenForTenPixelsAndStaysInRange) {
  auto r = MakeAt<TspSkinFrameRegulatorObject>("slider");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->FrameWidth, 100);
  r->MouseDown(10, 5, TMouseButton::mbLeft);
  const struct {
    int x, value;
  } moves[] = {{15, 0}, {20, 10}, {29, 10}, {30, 20}, {90, 30}, {0, 20}};
  for (const auto& m : moves) {
    r->MouseMove(m.x, 5);
    EXPECT_EQ(r->Value, m.value) << m.x;
  }
  for (int x = 0; x >= -200; x -= 10) r->MouseMove(x, 5);
  EXPECT_EQ(r->Value, 0);
  r->MouseUp(0, 5, TMouseButton::mbLeft);
  r->MouseMove(500, 5);  // released: no change
  EXPECT_EQ(r->Value, 0);
  EXPECT_EQ(Take(), (std::vector<std::string>{"down slider", "value slider 10", "value slider 20",
                                              "value slider 30", "value slider 20", "value slider 10",
                                              "value slider 0"}));
  // The frame drawn follows the value: 20 is the third frame.
  r->Value = 20;
  TBitmap b;
  DrawInto(*r, b, 120, 20);
  EXPECT_EQ(Px(b, 50, 5), StripColour(2));
  Snapshot(b, "indicator_regulator");
}

TEST_F(BrenvaleIndicatorsTest, RoundRegulatorAnglesAndTurningPastTheBottomKeepsCounting) {
  auto r = MakeAt<TspSkinFrameRegulatorObject>("knob");
  ASSERT_TRUE(r);
  // Centre (50, 50): below 0, left 90, above 180, right 270; centre none.
  EXPECT_EQ(r->AngleOf(50, 90), 0);
  EXPECT_EQ(r->AngleOf(10, 50), 90);
  EXPECT_EQ(r->AngleOf(50, 10), 180);
  EXPECT_EQ(r->AngleOf(90, 50), 270);
  EXPECT_EQ(r->AngleOf(90, 90), 315);
  EXPECT_EQ(r->AngleOf(50, 50), -1);
  // 36 degrees a step of 10. Start just right of the bottom (about 350),
  // turn clockwise across 0 to about 40.
  r->MouseDown(57, 90, TMouseButton::mbLeft);  // ~350
  r->MouseMove(43, 90);                        // ~10: crossed zero, one step up
  EXPECT_EQ(r->Value, 10);
  r->MouseMove(17, 78);                        // ~50
  EXPECT_EQ(r->Value, 20);
  r->MouseMove(50, 50);                        // the centre: ignored
  EXPECT_EQ(r->Value, 20);
  r->MouseUp(17, 78, TMouseButton::mbLeft);
}

TEST_F(BrenvaleIndicatorsTest, AnimationStepsEveryThirdTickForSixtyMilliseconds) {
  auto a = MakeAt<TspSkinAnimateObject>("anim");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Interval, 60);
  a->MouseEnter();  // button style: runs forward
  std::vector<int> frames;
  for (int t = 0; t < 7; ++t) {
    a->AnimateTick();
    frames.push_back(a->Frame);
  }
  // 25 -> 50 -> 75 then a step, and so on; without cycle it stops at the last.
  EXPECT_EQ(frames, (std::vector<int>{1, 1, 2, 2, 2, 3, 3}));
  EXPECT_FALSE(a->Active);
  TBitmap b;
  DrawInto(*a, b, 20, 20);
  EXPECT_EQ(Px(b, 5, 15), kIndStepColour[2]);
  a->MouseLeave();  // runs back to frame 1
  for (int t = 0; t < 12; ++t) a->AnimateTick();
  EXPECT_EQ(a->Frame, 1);
  DrawInto(*a, b, 20, 20);
  EXPECT_EQ(Px(b, 5, 15), kIndStepColour[0]);
  EXPECT_EQ(Take(), (std::vector<std::string>{"enter anim", "leave anim"}));
}

TEST_F(BrenvaleIndicatorsTest, GaugesFillFromTheLeftAndFromTheBottom) {
  auto g = MakeAt<TspSkinGaugeObject>("gauge");
  auto v = MakeAt<TspSkinGaugeObject>("vgauge");
  ASSERT_TRUE(g && v);
  g->Value = 1;  // a quarter of 0..4
  g->Offset = g->OffsetOfValue();
  v->Value = 3;
  v->Offset = v->OffsetOfValue();
  EXPECT_EQ(g->Offset, (TPoint{10, 0}));
  EXPECT_EQ(v->Offset, (TPoint{0, 10}));
  TBitmap b;
  DrawInto(*g, b, 200, 100);
  EXPECT_EQ(Px(b, 109, 5), kIndFull);
  EXPECT_EQ(Px(b, 110, 5), kIndEmpty);
  v->Draw(b.Canvas(), true);
  EXPECT_EQ(Px(b, 105, 39), kIndEmpty);
  EXPECT_EQ(Px(b, 105, 40), kIndFull);
  EXPECT_EQ(Px(b, 105, 69), kIndFull);
  Snapshot(b, "indicator_gauges");
  // Equal bounds: an empty gauge, no division.
  g->MaxValue = g->MinValue;
  EXPECT_EQ(g->OffsetOfValue(), (TPoint{0, 0}));
}

TEST_F(BrenvaleIndicatorsTest, BitmapLabelLeavesAGapForAMissingSymbol) {
  auto l = MakeAt<TspSkinBitLabelObject>("bits");
  ASSERT_TRUE(l);
  TBitmap b;
  DrawInto(*l, b, 60, 50);
  EXPECT_EQ(Px(b, 25, 35), kIndSymA);
  EXPECT_EQ(Px(b, 35, 35), kIndBack);  // "X" is not in the font
  EXPECT_EQ(Px(b, 45, 35), kIndSymB);
  Snapshot(b, "indicator_bitlabel");
}

TEST_F(BrenvaleIndicatorsTest, TextLabelWithTheSameColoursDoesNotChangeOnHover) {
  auto l = MakeAt<TspSkinLabelObject>("text");
  ASSERT_TRUE(l);
  TBitmap before, hovered;
  DrawInto(*l, before, 100, 80);
  EXPECT_GT(Count(before, 0x000000FF, TRect{20, 50, 80, 70}), 5);
  // Centred: the ink's middle is the label's.
  const TRect ink = Ink(before, 0x000000FF, TRect{20, 50, 80, 70});
  EXPECT_NEAR((ink.Left + ink.Right) / 2.0, 50.0, 2.0);
  l->MouseEnter();
  DrawInto(*l, hovered, 100, 80);
  // Nothing is drawn while hovered: the frame's own picture stays.
  EXPECT_EQ(Count(hovered, 0x000000FF, TRect{20, 50, 80, 70}), 0);
  EXPECT_EQ(Take(), (std::vector<std::string>{"enter text"}));
  Snapshot(before, "indicator_textlabel");
}

TEST_F(BrenvaleIndicatorsTest, TrackBarsMapValuesAndFollowTheMouse) {
  auto t = MakeAt<TspSkinTrackBarObject>("track");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->TrackKind, 0);
  EXPECT_EQ(t->ButtonPos, (TPoint{5, 5}));
  // Without mousedownchangevalue a press on the track does nothing.
  t->MouseDown(20 + 40, 7, TMouseButton::mbLeft);
  EXPECT_EQ(t->Value, 0);
  t->MouseUp(60, 7, TMouseButton::mbLeft);
  // Drag the knob (at local 5) by 20 pixels: 20 of 50 pixels is 20 of 50.
  t->MouseDown(20 + 5, 7, TMouseButton::mbLeft);
  EXPECT_TRUE(t->ButtonDown);
  TBitmap b;
  DrawInto(*t, b, 100, 20);
  EXPECT_EQ(Px(b, 20 + 5, 7), kIndKnobDown);
  t->MouseMove(20 + 25, 7);
  EXPECT_EQ(t->Value, 20);
  t->MouseMove(20 + 90, 7);  // past the end: stays
  EXPECT_EQ(t->Value, 20);
  t->MouseUp(20 + 90, 7, TMouseButton::mbLeft);
  DrawInto(*t, b, 100, 20);
  EXPECT_EQ(Px(b, 20 + 10, 5), kIndFull);   // filled left of the knob
  EXPECT_EQ(Px(b, 20 + 40, 5), kIndEmpty);
  EXPECT_EQ(Px(b, 20 + 25, 5), kIndKnob);
  Snapshot(b, "indicator_trackbar");
  EXPECT_EQ(Take(), (std::vector<std::string>{"down track", "down track", "value track 20"}));

  // Vertical: MinValue at the lower end, filled from the bottom, jumps to a click.
  auto v = MakeAt<TspSkinTrackBarObject>("vtrack");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->TrackKind, 1);
  EXPECT_EQ(v->ButtonPos, (TPoint{5, 55}));
  EXPECT_EQ(v->PositionOfValue(10), (TPoint{5, 5}));
  v->MouseDown(125, 30 + 30, TMouseButton::mbLeft);  // local y 30: half way
  EXPECT_EQ(v->Value, 5);
  v->MouseDown(125, 30 + 0, TMouseButton::mbLeft);   // above the top end: clamped
  EXPECT_EQ(v->Value, 10);
  v->MouseDown(125, 30 + 30, TMouseButton::mbLeft);
  DrawInto(*v, b, 200, 100);
  EXPECT_EQ(Px(b, 125, 30 + 20), kIndEmpty);
  EXPECT_EQ(Px(b, 125, 30 + 50), kIndFull);
  Snapshot(b, "indicator_vtrackbar");
  // Ends that meet keep the value.
  v->EndPoint = v->BeginPoint;
  EXPECT_EQ(v->ValueOfPosition(TPoint{5, 20}), v->Value);
}

TEST_F(BrenvaleIndicatorsTest, TheMouseOnTheFrameDrivesTheSwitchAndTheTrackBar) {
  controller->SetSkinData(skin);
  Show();
  auto* sw = Object<TspSkinSwitchObject>("switch");
  auto* tb = Object<TspSkinTrackBarObject>("track");
  ASSERT_TRUE(sw && tb);
  RECT wr{};
  GetWindowRect(form->Handle(), &wr);
  auto at = [&](TspActiveSkinObject* o, int dx, int dy) {
    return TPoint{wr.Left + o->ObjectRect.Left + dx, wr.Top + o->ObjectRect.Top + dy};
  };
  auto click = [&](TPoint p) {
    s.display.MouseMove(p.X, p.Y);
    Idle();
    s.display.MouseDown(p.X, p.Y);
    Idle();
    s.display.MouseUp(p.X, p.Y);
    Idle();
  };
  Take();
  click(at(sw, 5, 5));
  EXPECT_EQ(sw->State, swsOn);
  EXPECT_EQ(s.display.PixelAt(form->Handle(), sw->ObjectRect.Left + 5, sw->ObjectRect.Top + 5), kIndOn);
  click(at(sw, 5, 5));
  EXPECT_EQ(sw->State, swsOff);
  // Drag the track bar's knob 10 pixels right.
  const TPoint k = at(tb, 5, 5);
  s.display.MouseMove(k.X, k.Y);
  Idle();
  s.display.MouseDown(k.X, k.Y);
  Idle();
  s.display.MouseMove(k.X + 10, k.Y);
  Idle();
  s.display.MouseUp(k.X + 10, k.Y);
  Idle();
  EXPECT_EQ(tb->Value, 10);
  const std::vector<std::string> got = Take();
  const std::vector<std::string> want{"enter switch", "state switch on", "down switch", "up switch",
                                      "state switch off", "down switch", "up switch", "leave switch",
                                      "enter track", "down track", "value track 10", "up track"};
  EXPECT_EQ(got, want);
}

}  // namespace

namespace {

TEST_F(BrenvaleIndicatorsTest, ARegulatorWithOneFrameKeepsItsValue) {
  auto r = MakeAt<TspSkinFrameRegulatorObject>("slider");
  ASSERT_TRUE(r);
  r->CountFrames = 1;
  r->FrameWidth = 1100;
  r->MouseDown(10, 5, TMouseButton::mbLeft);
  for (int x = 10; x <= 200; x += 10) r->MouseMove(x, 5);
  r->MouseUp(200, 5, TMouseButton::mbLeft);
  EXPECT_EQ(r->Value, 0);
  EXPECT_EQ(Take(), (std::vector<std::string>{"down slider"}));
  // And it draws its only frame, the whole strip squeezed into its place.
  TBitmap b;
  DrawInto(*r, b, 120, 20);
  EXPECT_EQ(Px(b, 2, 5), StripColour(0));
  EXPECT_EQ(Px(b, 97, 5), StripColour(10));
}

}  // namespace
