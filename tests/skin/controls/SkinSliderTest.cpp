#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/controls/SkinCtrls_Slider.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"

using namespace skinctl;

namespace {

class SkinSliderTest : public SkinControlsTest {
 protected:
  TspSkinSlider* NewSlider(int w = 400, int h = 25) {
    auto* sl = new TspSkinSlider(form);
    sl->SetParent(form);
    sl->SetBounds(5, 20, w, h);
    sl->OnChange = [this, sl](TObject*) { log.push_back("change " + std::to_string(sl->Value())); };
    sl->OnChanged = [this, sl](TObject*) { log.push_back("changed " + std::to_string(sl->Value())); };
    return sl;
  }
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(log);
    return out;
  }
  using Log = std::vector<std::string>;
  Log log;
};

TEST_F(SkinSliderTest, DefaultGeometryMapsValuesToThumbPositions) {
  TspSkinSlider* sl = NewSlider();
  EXPECT_EQ(sl->RulerImage()->Width(), 388);
  EXPECT_EQ(sl->RulerImage()->Height(), 8);
  EXPECT_EQ(sl->RulerPos().X, 6);
  EXPECT_EQ(sl->RulerPos().Y, 10);
  EXPECT_EQ(sl->ThumbRect().Width(), 9);
  EXPECT_EQ(sl->ThumbRect().Height(), 17);
  EXPECT_EQ(sl->ThumbRect().Top, 6);
  EXPECT_EQ(sl->RulerLength(), 379);
  const struct {
    int value, left;
  } cases[] = {{0, 6}, {100, 385}, {50, 196}, {1, 10}};
  for (const auto& c : cases) {
    sl->SetValue(c.value);
    EXPECT_EQ(sl->ThumbRect().Left, c.left) << c.value;
    EXPECT_EQ(sl->OffsetToValue(c.left), c.value) << c.value;
  }
}

// A slider sized and set while its form lays itself out gets the same
// ruler and thumb as one sized afterwards, once the layout ends.
TEST_F(SkinSliderTest, ASliderSizedWhileItsFormLoadsIsLaidOutWhenLoadingEnds) {
  struct TCase {
    int width, value;
  } cases[] = {{400, 0}, {400, 70}, {250, 30}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.width);
    TspSkinSlider* after = NewSlider(c.width);
    after->SetValue(c.value);
    form->BeginLayout();
    TspSkinSlider* loading = NewSlider(c.width);
    loading->SetValue(c.value);
    form->EndLayout();
    EXPECT_EQ(loading->RulerImage()->Width(), after->RulerImage()->Width());
    EXPECT_EQ(loading->RulerImage()->Width(), c.width - 12);
    EXPECT_EQ(loading->RulerLength(), after->RulerLength());
    EXPECT_EQ(loading->ThumbRect(), after->ThumbRect());
    EXPECT_EQ(loading->Value(), c.value);
    delete after;
    delete loading;
  }
}

// Which events each way of changing the value fires, and in what order.
TEST_F(SkinSliderTest, EventOrderForDragClickKeysWheelAndCode) {
  TspSkinSlider* sl = NewSlider();
  sl->SetOptions(soSmooth);
  sl->SetIncrement(1);
  Show();
  Take();

  // Code: OnChange only, clamped, and nothing when the value stays.
  sl->SetValue(1000);
  sl->SetValue(100);
  sl->SetValue(-5);
  EXPECT_EQ(Take(), (Log{"change 100", "change 0"}));

  // Drag: OnChange while moving, OnChanged once on release.
  Press(sl, 10, 14);
  EXPECT_TRUE(sl->Dragging());
  MoveTo(sl, 48, 14);
  MoveTo(sl, 48, 15);  // same column: no change
  MoveTo(sl, 86, 14);
  Release(sl, 86, 14);
  EXPECT_EQ(Take(), (Log{"change 10", "change 20", "changed 20"}));

  // A press on the ruler beside the thumb steps at once, then every 400 ms
  // while held; the release ends it with OnChanged.
  Press(sl, 300, 14);
  EXPECT_EQ(Take(), (Log{"change 21"}));
  Advance(399);
  EXPECT_TRUE(Take().empty());
  Advance(1);
  Advance(400);
  EXPECT_EQ(Take(), (Log{"change 22", "change 23"}));
  Release(sl, 300, 14);
  EXPECT_EQ(Take(), (Log{"changed 23"}));
  Advance(1000);
  EXPECT_TRUE(Take().empty());

  // Keys: OnChange then OnChanged; at the end only OnChanged.
  Key(VK_RIGHT);
  Key(VK_LEFT);
  Key(VK_END);
  Key(VK_END);
  Key(VK_HOME);
  Key(VK_HOME);
  EXPECT_EQ(Take(), (Log{"change 24", "changed 24", "change 23", "changed 23", "change 100", "changed 100",
                         "changed 100", "change 0", "changed 0", "changed 0"}));

  // The wheel changes nothing.
  const TPoint p = At(sl, 100, 14);
  s.display.Wheel(p.X, p.Y, 120);
  s.display.Wheel(p.X, p.Y, -120);
  Idle();
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(sl->Value(), 0);
}

TEST_F(SkinSliderTest, SnappingCountsFromTheMinimumAndKeysStepFromZero) {
  TspSkinSlider* sl = NewSlider();
  sl->SetOptions(soShowPoints);
  sl->SetRange(5, 105);
  sl->SetValue(5);
  Show();
  Take();
  std::vector<int> values;
  for (int x = 11; x < 300; x += 4) {
    if (x == 11) Press(sl, x, 14);
    MoveTo(sl, x, 14);
    if (values.empty() || values.back() != sl->Value()) values.push_back(sl->Value());
  }
  Release(sl, 299, 14);
  ASSERT_GE(values.size(), 5u);
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(values[i], 5 + 10 * int(i)) << i;
  sl->SetValue(5);
  Key(VK_RIGHT);
  EXPECT_EQ(sl->Value(), 10);  // Round(0.5) = 0, plus 10
}

TEST_F(SkinSliderTest, SettersIgnoreBadValues) {
  TspSkinSlider* sl = NewSlider();
  sl->SetMaxValue(0);
  EXPECT_EQ(sl->MaxValue(), 100);
  sl->SetMaxValue(-3);
  EXPECT_EQ(sl->MaxValue(), 100);
  sl->SetIncrement(0);
  EXPECT_EQ(sl->Increment(), 10);
  sl->SetRange(0, 4);
  EXPECT_EQ(sl->Increment(), 4);
  sl->SetEdgeSize(-1);  // would read before the source
  EXPECT_EQ(sl->EdgeSize(), 2);
  sl->SetEdgeSize(5);   // 2 x 5 reaches the 10-pixel ruler image
  EXPECT_EQ(sl->EdgeSize(), 2);
  sl->SetEdgeSize(4);
  EXPECT_EQ(sl->EdgeSize(), 4);
  // A user ruler no longer than its two ends has no middle to tile: it is
  // drawn once, cut at the ruler's end, instead of dividing by zero.
  for (int len : {8, 5, 1}) {
    TBitmap shortRuler;
    shortRuler.SetPixelFormat(pf24bit);
    shortRuler.SetSize(len, 8);
    skinpx::Fill(shortRuler, 0x00123456);
    sl->SetImage(1, &shortRuler);
    EXPECT_EQ(sl->RulerImage()->Width(), 388) << len;
    EXPECT_EQ(skinpx::Px(*sl->RulerImage(), 0, 4), 0x00123456u) << len;
  }
  sl->SetOptions(sl->Options() | soRulerOpaque);
  sl->SetImage(1, nullptr);
  EXPECT_EQ(sl->UserImages(), 0);
  EXPECT_FALSE(sl->Options() & soRulerOpaque);
  sl->SetOrientation(soVertical);
  EXPECT_EQ(sl->Width(), 25);
  EXPECT_EQ(sl->Height(), 400);
}

TEST_F(SkinSliderTest, TicksAndStatesOfTheDefaultAndTheSkinnedLook) {
  TspSkinSlider* sl = NewSlider(400, 40);
  sl->SetColor(clWhite);
  Show();
  // Eleven ticks at 0, 10 ... 100 below the thumb: the ends 5 pixels long,
  // the others 3.
  const int top = 7 + 17;
  for (int v = 0; v <= 100; v += 10) {
    const int x = sl->ValueToOffset(v) + 4;
    const int len = v == 0 || v == 100 ? 5 : 3;
    EXPECT_EQ(Pixel(sl, x, top + len - 1), ColorToRGB(clWindowText)) << v;
    EXPECT_EQ(Pixel(sl, x, top + len), ColorToRGB(clWhite)) << v;
  }
  Snapshot(sl, "slider_default_normal");
  // Focused: a dotted rectangle 2 pixels in; pressed: the second frame.
  sl->SetFocus();
  Idle();
  Snapshot(sl, "slider_default_focused");
  bool dotted = false;
  for (int x = 2; x < 40; ++x) dotted |= Pixel(sl, x, 2) != ColorToRGB(clWhite);
  EXPECT_TRUE(dotted);
  const TColor normalThumb = Pixel(sl, 10, 10);
  Press(sl, 10, 10);
  Snapshot(sl, "slider_default_pressed");
  EXPECT_NE(Pixel(sl, 10, 10), normalThumb);
  Release(sl, 10, 10);
  sl->SetEnabled(false);
  Idle();
  Snapshot(sl, "slider_default_disabled");
  EXPECT_NE(Pixel(sl, 10, 10), normalThumb);

  // The fixture skin: its ruler, its thumb frames and its colours.
  LoadFixtureSkin();
  sl->SetEnabled(true);
  sl->SetSkinData(skin);
  Idle();
  Snapshot(sl, "slider_skin_normal");
  EXPECT_EQ(sl->ThumbRect().Width(), 10);
  EXPECT_EQ(Pixel(sl, sl->ThumbRect().Left + 5, sl->ThumbRect().Top + 7), ColorToRGB(0x000000C0));
  EXPECT_EQ(Pixel(sl, 200, sl->RulerPos().Y + 2), ColorToRGB(0x00407040));
  EXPECT_EQ(Pixel(sl, 200, 1), ColorToRGB(0x00E0E0E0));
  Press(sl, sl->ThumbRect().Left + 5, sl->ThumbRect().Top + 7);
  Snapshot(sl, "slider_skin_pressed");
  EXPECT_EQ(Pixel(sl, sl->ThumbRect().Left + 5, sl->ThumbRect().Top + 7), ColorToRGB(0x0000C000));
  Release(sl, sl->ThumbRect().Left + 5, sl->ThumbRect().Top + 7);
}

TEST_F(SkinSliderTest, TransparentSliderShowsTheParentBehindIt) {
  form->SetColor(0x0000A0FF);
  TspSkinSlider* sl = NewSlider(200, 40);
  sl->SetTransparent(true);
  sl->SetOptions(soSmooth);
  Show();
  Snapshot(sl, "slider_transparent");
  EXPECT_EQ(Pixel(sl, 100, 1), ColorToRGB(0x0000A0FF));
  EXPECT_EQ(Pixel(sl, 100, 35), ColorToRGB(0x0000A0FF));
}

}  // namespace

// Vertical: the value grows upward; the thumb's own height stays out of the
// travel, so the lowest value puts the thumb's bottom at the inner edge.
TEST_F(SkinSliderTest, AVerticalSliderMapsValuesOverTheTravelLessTheThumbHeight) {
  TspSkinSlider* sl = NewSlider(25, 400);
  sl->SetOrientation(soVertical);
  sl->SetBounds(5, 20, 25, 400);
  Show();
  // Ruler 388 high (6 in at each end), thumb 9 high: a travel of 379.
  ASSERT_EQ(sl->RulerLength(), 379);
  const struct {
    int value, offset;
  } table[] = {{0, 400 - 6 - 9}, {100, 6}, {50, 400 - 6 - 190 - 9}, {25, 400 - 6 - 95 - 9}};
  for (const auto& t : table) {
    EXPECT_EQ(sl->ValueToOffset(t.value), t.offset) << t.value;
    EXPECT_EQ(sl->OffsetToValue(t.offset), t.value) << t.value;
  }
  sl->SetValue(50);
  Idle();
  EXPECT_EQ(sl->ThumbRect().Top, 195);
  EXPECT_EQ(sl->ThumbRect().Bottom, 204);
  sl->SetValue(0);
  Idle();
  EXPECT_EQ(sl->ThumbRect().Bottom, 400 - 6);
  Snapshot(sl, "slider_vertical_min");
}
