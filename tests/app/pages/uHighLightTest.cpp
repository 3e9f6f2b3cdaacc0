// The highlight step's page driven as a user drives it: a rectangle dragged
// on the picture with the mouse, the amount slider dragged by its thumb,
// the toolbar's zoom, undo and redo. Results are checked against the
// removal routine applied to the block of the picture under the rectangle.
#include <algorithm>
#include <cmath>

#include "app/pixels/BitmapRows.h"
#include "app/tools/RectFrame.h"
#include "app/pixels/RemoveHighLight.h"
#include "app/pixels/RotateImage.h"
#include "app/pages/uHighLight.h"
#include "app/main/uMain_History.h"
#include "platform/rtl/SafeSave.h"
#include "skin/controls/SkinCtrls_Slider.h"
#include "tests/app/tools/SelectionSupport.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

// A blue-grey background with a skin-coloured face in the middle and a
// shiny spot on it; the face's shading varies so every pixel differs a little.
std::unique_ptr<TBitmap> FacePicture(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  const double cx = w / 2.0, cy = h / 2.0, rx = w * 0.38, ry = h * 0.4, spot = h * 0.09;
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      Byte* p = row + x * 3;
      const double fx = (x - cx) / rx, fy = (y - cy) / ry;
      const double sx = x - (cx + w * 0.06), sy = y - (cy - h * 0.08);
      if (sx * sx + sy * sy < spot * spot) {
        p[0] = Byte(228 + (x + y) % 5), p[1] = Byte(238 + x % 4), p[2] = 252;
      } else if (fx * fx + fy * fy < 1) {
        const int shade = (x * 3 + y * 5) % 11;
        p[0] = Byte(128 + shade), p[1] = Byte(160 + shade), p[2] = Byte(212 + shade / 2);
      } else {
        p[0] = Byte(170 + y % 7), p[1] = Byte(120 + x % 5), p[2] = 70;
      }
    }
  }
  return b;
}

// The picture with the block's highlights removed at amount, computed from
// the block as it stands in `before`.
RowImageBuffer Removed(const RowImage& before, const TRect& block, int amount) {
  RowImageBuffer out = RowImageBuffer::CopyOf(before);
  const RowImageBuffer patch = CopyBlock(before, block);
  const RowImageBuffer fixed = ApplyHighlightRemoval(PrepareHighlightMask(patch.View()), amount);
  for (int y = 0; y < block.Height(); ++y)
    std::memcpy(out.Row(block.Top + y) + block.Left * 3, fixed.Row(y), std::size_t(block.Width()) * 3);
  return out;
}

class HighLightPage : public WizardTest {
 protected:
  // Opens the picture and goes straight to the highlight step.
  void Enter(TBitmap* picture) {
    EnterStep(picture, {false, true, true, true, true}, stepHighLight);
    ASSERT_NE(Hl(), nullptr);
  }
  TFrm_HighLight* Hl() const { return dynamic_cast<TFrm_HighLight*>(Page()); }
  TRectFrame* Frame() const { return Hl()->RectFrame(); }

  void Drag(TPoint from, TPoint to) { DragOnPicture(from, to); }
  // Drags the slider's thumb to the value, as the user does.
  void Slide(int value) {
    TspSkinSlider* slider = Hl()->Slider_Range;
    const TRect thumb = slider->ThumbRect();
    const TPoint grab{(thumb.Left + thumb.Right) / 2, (thumb.Top + thumb.Bottom) / 2};
    const TPoint drop{grab.X + slider->ValueToOffset(value) - thumb.Left, grab.Y};
    const TPoint a = slider->ClientToScreen(grab), b = slider->ClientToScreen(drop);
    s.display.MouseMove(a.X, a.Y);
    s.display.MouseDown(a.X, a.Y);
    s.display.MouseMove((a.X + b.X) / 2, a.Y);
    s.display.MouseMove(b.X, b.Y);
    s.display.MouseUp(b.X, b.Y);
    Idle();
    ASSERT_EQ(slider->Value(), value);
  }
  RowImage Work() const { return BitmapRows(WorkImage.get()); }
  // The history entry at position, as stored.
  RowImageBuffer Entry(int position) {
    History->Flush();  // as written once the history's writer is done
    std::unique_ptr<TBitmap> b = LoadPicture(History->EntryFile(position));
    EXPECT_NE(b, nullptr);
    return b ? RowImageBuffer::CopyOf(BitmapRows(b.get())) : RowImageBuffer(1, 1);
  }
};

TEST_F(HighLightPage, LayoutAndStartState) {
  auto picture = FacePicture(200, 150);
  Enter(picture.get());
  TFrm_HighLight* p = Hl();
  EXPECT_EQ(p->Caption(), "高光去除");
  EXPECT_EQ(p->Name(), "Frm_HighLight");
  EXPECT_EQ(p->Pnl_Tool2->Height(), 35);
  EXPECT_EQ(p->Pnl_Tool2->Align(), alBottom);
  EXPECT_EQ(p->Pnl_Tool2->BevelOuter(), bvLowered);
  EXPECT_EQ(p->Pnl_Center->Parent(), p->Pnl_Tool2);
  EXPECT_EQ(p->Pnl_Center->Width(), 505);
  EXPECT_EQ(p->Lbl_Range->Caption(), "调整幅度：");
  EXPECT_EQ(p->Lbl_Value->Caption(), "0");
  TspSkinSlider* slider = p->Slider_Range;
  EXPECT_EQ(slider->Parent(), p->Pnl_Center);
  EXPECT_EQ(slider->Width(), 400);
  EXPECT_EQ(slider->Height(), 25);
  EXPECT_EQ(slider->MinValue(), 0);
  EXPECT_EQ(slider->MaxValue(), 100);
  EXPECT_EQ(slider->Increment(), 1);
  EXPECT_TRUE(slider->Options() & soSmooth);
  EXPECT_TRUE(slider->Transparent());
  EXPECT_EQ(slider->SkinDataName(), "slider");
  EXPECT_FALSE(slider->Enabled());
  EXPECT_EQ(slider->Value(), 0);
  // The labels and the slider sit side by side inside the centred panel.
  EXPECT_LE(p->Lbl_Range->Left() + p->Lbl_Range->Width(), slider->Left());
  EXPECT_LE(slider->Left() + slider->Width(), p->Lbl_Value->Left());
  EXPECT_LE(p->Lbl_Value->Left() + p->Lbl_Value->Width(), p->Pnl_Center->Width());
  // The step's tool is reachable by the main window while the step lasts.
  ASSERT_NE(Frame(), nullptr);
  EXPECT_NE(RectSelection, nullptr);
  EXPECT_FALSE(Frame()->HasRect());
  EXPECT_EQ(History->Count(), 1);
  // The centre panel stays centred as the window's width changes.
  for (int width : {883, 1011, 1200}) {
    main->SetWidth(width);
    Idle();
    EXPECT_EQ(p->Pnl_Center->Left(), (p->Pnl_Tool2->Width() - 505) / 2) << width;
  }
  // Leaving the step takes the tool and the step's history with it.
  Click(main->Btn_Next);
  EXPECT_EQ(RectSelection, nullptr);
  EXPECT_EQ(History->Count(), 1);
}

TEST_F(HighLightPage, EachSliderChangeStartsFromThePatchAsTakenAndReplacesOneEntry) {
  auto picture = FacePicture(200, 150);
  Enter(picture.get());
  ASSERT_EQ(ZoomFactor, 1.0f);
  const RowImageBuffer before = RowImageBuffer::CopyOf(Work());
  Drag({40, 20}, {170, 130});
  ASSERT_TRUE(Frame()->HasRect());
  EXPECT_TRUE(Hl()->Slider_Range->Enabled());
  const TRect block{40, 20, 171, 131};
  EXPECT_EQ(Hl()->PatchRect, block);
  EXPECT_SAME(BitmapRows(Hl()->Patch.get()), CopyBlock(before, block));
  // Taking the rectangle changes nothing yet.
  EXPECT_EQ(History->Count(), 1);
  EXPECT_SAME(Work(), before);

  const int amounts[] = {50, 100, 0, 73};
  for (int amount : amounts) {
    SCOPED_TRACE(amount);
    Slide(amount);
    EXPECT_EQ(Hl()->Lbl_Value->Caption(), std::to_string(amount));
    const RowImageBuffer want = Removed(before, block, amount);
    EXPECT_SAME(Work(), want);
    // One entry for the rectangle, holding the latest result.
    EXPECT_EQ(History->Count(), 2);
    EXPECT_EQ(History->Index(), 1);
    EXPECT_SAME(Entry(1), want);
    EXPECT_SAME(Entry(0), before);
    // The display shows the result at the zoom, and the frame is still on it.
    EXPECT_SAME(DisplayRows(Page()->Image1), want);
    EXPECT_TRUE(Frame()->HasRect());
  }
  // The removal did something on this picture, or the checks above say little.
  EXPECT_FALSE(Same(Removed(before, block, 100), before));
  EXPECT_FALSE(Same(Removed(before, block, 100), Removed(before, block, 0)));
}

TEST_F(HighLightPage, ANewRectangleAddsItsOwnEntryOnItsFirstChange) {
  auto picture = FacePicture(200, 150);
  Enter(picture.get());
  const RowImageBuffer start = RowImageBuffer::CopyOf(Work());
  struct TRectCase {
    TPoint from, to;
    TRect block;
    int first, second;
  } cases[] = {
      {{30, 20}, {150, 120}, {30, 20, 151, 121}, 40, 90},
      // Drawn from its bottom-right corner, over the first one's result.
      {{185, 140}, {60, 15}, {60, 15, 186, 141}, 100, 20},
  };
  RowImageBuffer before = RowImageBuffer::CopyOf(start);
  int entries = 1;
  for (const TRectCase& c : cases) {
    Drag(c.from, c.to);
    EXPECT_EQ(Hl()->PatchRect, c.block);
    EXPECT_TRUE(Hl()->Slider_Range->Enabled());
    EXPECT_EQ(Hl()->Slider_Range->Value(), 0);
    EXPECT_FALSE(Hl()->Replacing);
    EXPECT_EQ(History->Count(), entries);
    Slide(c.first);
    EXPECT_EQ(History->Count(), ++entries);
    Slide(c.second);
    EXPECT_EQ(History->Count(), entries);
    const RowImageBuffer want = Removed(before, c.block, c.second);
    EXPECT_SAME(Work(), want);
    EXPECT_SAME(Entry(entries - 1), want);
    before = RowImageBuffer::CopyOf(want);
  }
  EXPECT_SAME(Entry(0), start);
}

TEST_F(HighLightPage, UndoAndRedoDropTheRectangleAndDisableTheSlider) {
  auto picture = FacePicture(200, 150);
  Enter(picture.get());
  const RowImageBuffer before = RowImageBuffer::CopyOf(Work());
  const TRect block{40, 20, 171, 131};
  Drag({40, 20}, {170, 130});
  Slide(60);
  const RowImageBuffer result = Removed(before, block, 60);
  struct TStep {
    bool undo;
    const RowImageBuffer* picture;
  } steps[] = {{true, &before}, {false, &result}};
  for (const TStep& st : steps) {
    SCOPED_TRACE(st.undo ? "undo" : "redo");
    // A rectangle is up with the slider enabled when the button is pressed.
    if (!Frame()->HasRect()) Drag({40, 20}, {170, 130});
    ASSERT_TRUE(Hl()->Slider_Range->Enabled());
    Click(st.undo ? main->Btn_Undo : main->Btn_Redo);
    EXPECT_SAME(Work(), *st.picture);
    EXPECT_SAME(DisplayRows(Page()->Image1), *st.picture);
    EXPECT_FALSE(Frame()->HasRect());
    EXPECT_FALSE(Hl()->Slider_Range->Enabled());
    EXPECT_EQ(Hl()->Slider_Range->Value(), 0);
    EXPECT_EQ(History->Count(), 2);
  }
  // A rectangle after the undo and redo works on the picture now shown.
  const RowImageBuffer now = RowImageBuffer::CopyOf(Work());
  Drag({20, 10}, {120, 100});
  Slide(30);
  EXPECT_SAME(Work(), Removed(now, TRect{20, 10, 121, 101}, 30));
  EXPECT_EQ(History->Count(), 3);
}

TEST_F(HighLightPage, ZoomKeepsTheRectangleAndThePatch) {
  auto picture = FacePicture(200, 150);
  Enter(picture.get());
  const RowImageBuffer before = RowImageBuffer::CopyOf(Work());
  Drag({40, 20}, {170, 130});
  const TRect block{40, 20, 171, 131};
  struct TZoomCase {
    TspSkinButton* button;
    float zoom;
    TRect frame;  // display pixels, inclusive edges
  } cases[] = {
      {main->Btn_ZoomIn, 1.5f, {60, 30, 255, 195}},
      {main->Btn_ZoomIn, 2.0f, {80, 40, 340, 260}},
      {main->Btn_ZoomOut, 1.5f, {60, 30, 255, 195}},
      {main->Btn_Actual, 1.0f, {40, 20, 170, 130}},
  };
  for (const TZoomCase& c : cases) {
    SCOPED_TRACE(c.zoom);
    Click(c.button);
    ASSERT_EQ(ZoomFactor, c.zoom);
    ASSERT_TRUE(Frame()->HasRect());
    EXPECT_EQ(Frame()->Frame(), c.frame);
    EXPECT_TRUE(Hl()->Slider_Range->Enabled());
    EXPECT_EQ(Hl()->PatchRect, block);
  }
  // The slider still works on the patch taken at zoom 1.
  Click(main->Btn_ZoomIn);
  Slide(80);
  EXPECT_SAME(Work(), Removed(before, block, 80));
  EXPECT_EQ(Page()->Image1->Width(), 300);
  EXPECT_TRUE(Frame()->HasRect());
}

TEST_F(HighLightPage, ARectangleToTheLastDisplayColumnAtZoomTwoStaysOnThePicture) {
  // Even sizes: at zoom 2 the last display column, halved and rounded half
  // to even, would name the column one past the picture.
  auto picture = FacePicture(80, 60);
  Enter(picture.get());
  Click(main->Btn_ZoomIn);
  Click(main->Btn_ZoomIn);
  ASSERT_EQ(ZoomFactor, 2.0f);
  ASSERT_EQ(Page()->Image1->Width(), 160);
  const RowImageBuffer before = RowImageBuffer::CopyOf(Work());
  struct TEdgeCase {
    TPoint from, to;
    TRect block;
  } cases[] = {
      {{100, 50}, {159, 119}, {50, 25, 80, 60}},
      {{0, 0}, {159, 119}, {0, 0, 80, 60}},
      {{159, 1}, {62, 119}, {31, 0, 80, 60}},
  };
  for (const TEdgeCase& c : cases) {
    SCOPED_TRACE(c.block.Left);
    Drag(c.from, c.to);
    ASSERT_TRUE(Frame()->HasRect());
    EXPECT_EQ(Hl()->PatchRect, c.block);
    EXPECT_EQ(Hl()->Patch->Width(), c.block.Width());
    EXPECT_EQ(Hl()->Patch->Height(), c.block.Height());
    Slide(100);
    EXPECT_SAME(Work(), Removed(before, c.block, 100));
    Click(main->Btn_Undo);
    EXPECT_SAME(Work(), before);
  }
}

TEST_F(HighLightPage, AClickDropsTheRectangleAndDisablesTheSlider) {
  auto picture = FacePicture(200, 150);
  Enter(picture.get());
  Drag({40, 20}, {170, 130});
  Slide(25);
  ASSERT_TRUE(Hl()->Slider_Range->Enabled());
  const RowImageBuffer after = RowImageBuffer::CopyOf(Work());
  // A press and release at one point outside the rectangle.
  Drag({10, 10}, {10, 10});
  EXPECT_FALSE(Frame()->HasRect());
  EXPECT_FALSE(Hl()->Slider_Range->Enabled());
  EXPECT_EQ(Hl()->Slider_Range->Value(), 0);
  // The picture keeps the committed change, and the entry stays.
  EXPECT_SAME(Work(), after);
  EXPECT_EQ(History->Count(), 2);
}

// The long work runs under the hourglass, which goes when it ends. The
// change's history entry is written behind the user's back: a write that
// fails is told once, at the user's next action, with the normal pointer,
// and the entry it could not write stays (in memory).
TEST_F(HighLightPage, TheHourglassIsUpWhileTheSliderWorksAndGoesAfter) {
  auto picture = FacePicture(200, 150);
  Enter(picture.get());
  Drag({40, 20}, {170, 130});
  EXPECT_EQ(Screen->Cursor(), crDefault);
  // The result reaches the display while the work lasts.
  TPicture* shown = Page()->Image1->Picture();
  const TNotifyEvent chained = shown->OnChange;
  std::vector<TCursor> during;
  shown->OnChange = [&during, chained](TObject* sender) {
    during.push_back(Screen->Cursor());
    if (chained) chained(sender);
  };
  struct TCase {
    int amount;
    bool historyFails;
    bool told;  // the failure before this change is told by it
  } cases[] = {{30, false, false}, {60, true, false}, {90, false, true}, {40, false, false}};
  TCursor whileTold = crNone;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.amount);
    during.clear();
    if (c.historyFails) SafeSaveFaults().Rename = EXDEV;
    if (c.told) AnswerMessage(mrOk, [&whileTold] { whileTold = Screen->Cursor(); });
    Slide(c.amount);
    History->Flush();  // this change's write has ended
    SafeSaveFaults() = TSafeSaveFaults{};
    EXPECT_FALSE(during.empty());
    EXPECT_EQ(std::count(during.begin(), during.end(), crHourGlass), std::ptrdiff_t(during.size()));
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(messages.size(), c.amount == 30 || c.amount == 60 ? 0u : 1u);
    // One entry for the rectangle; the failed one stays, in memory.
    EXPECT_EQ(History->Count(), 2);
    if (c.historyFails) EXPECT_TRUE(History->InMemory(1));
  }
  shown->OnChange = chained;
  EXPECT_EQ(whileTold, crDefault);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("这一步无法保存到历史记录，因此不能撤销。", 0), 0u) << messages[0];
  EXPECT_SAME(Entry(1), Work());
}

// A slider stepped by keys faster than its work: the changes queued behind
// each other never run for the values in between; the removal runs once,
// after the input, for the last value.
TEST_F(HighLightPage, QueuedSliderChangesRunOnceForTheLastValue) {
  auto picture = FacePicture(200, 150);
  Enter(picture.get());
  const RowImageBuffer before = RowImageBuffer::CopyOf(Work());
  Drag({40, 20}, {170, 130});
  const TRect block{40, 20, 171, 131};
  Slide(50);
  TspSkinSlider* slider = Hl()->Slider_Range;
  slider->SetFocus();
  Idle();
  TPicture* shown = Page()->Image1->Picture();
  const TNotifyEvent chained = shown->OnChange;
  int shows = 0;
  shown->OnChange = [&shows, chained](TObject* sender) {
    ++shows;
    if (chained) chained(sender);
  };
  // One step alone runs at once.
  s.display.KeyDown(VK_RIGHT);
  Idle();
  s.display.KeyUp(VK_RIGHT);
  Idle();
  ASSERT_EQ(slider->Value(), 51);
  EXPECT_SAME(Work(), Removed(before, block, 51));
  const int perRun = shows;
  ASSERT_GT(perRun, 0);
  // Five more queued before any is handled, as behind a long piece of work:
  // only the last one runs the removal.
  for (int i = 0; i < 5; ++i) s.display.KeyDown(VK_RIGHT);
  s.display.KeyUp(VK_RIGHT);
  Idle();
  EXPECT_EQ(slider->Value(), 56);
  EXPECT_FALSE(Hl()->LatestWorkWaiting());
  EXPECT_EQ(shows, 2 * perRun);
  EXPECT_SAME(Work(), Removed(before, block, 56));
  EXPECT_SAME(DisplayRows(Page()->Image1), Removed(before, block, 56));
  EXPECT_EQ(History->Count(), 2);
  EXPECT_SAME(Entry(1), Removed(before, block, 56));
  // Steps queued ahead of a click on undo: the last step's work waits for
  // the click, then runs before the undo, which takes it back.
  for (int i = 0; i < 3; ++i) s.display.KeyDown(VK_LEFT);
  s.display.KeyUp(VK_LEFT);
  Click(main->Btn_Undo);
  EXPECT_FALSE(Hl()->LatestWorkWaiting());
  EXPECT_SAME(Work(), before);
  EXPECT_EQ(History->Index(), 0);
  EXPECT_SAME(Entry(1), Removed(before, block, 53));
  shown->OnChange = chained;
}

TEST_F(HighLightPage, SnapshotWithARectangle) {
  auto picture = FacePicture(360, 270);
  Enter(picture.get());
  Drag({80, 40}, {290, 230});
  Slide(70);
  // Let the ants march a few steps before the picture is taken.
  s.display.AdvanceTime(350);
  Idle();
  EXPECT_TRUE(Frame()->HasRect());
  EXPECT_NE(Frame()->Phase(), 0);
  Snapshot(main, "wizard_page_highlight");
}

}  // namespace
