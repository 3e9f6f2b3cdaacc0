// The smoothing step's page in the wizard: its layout, the first pass when
// the step is entered, the amount sliders re-blending the same smoothed
// picture, the radius slider smoothing again, the progress bar, and the
// history of two entries that never loses the picture before.
#include <algorithm>
#include <cstdint>
#include <future>

#include "app/pixels/RotateImage.h"
#include "app/main/uMain_History.h"
#include "app/pixels/uSmooth.h"
#include "app/pages/uSmooth_Form.h"
#include "platform/rtl/PictureMemory.h"
#include "platform/rtl/SafeSave.h"
#include "platform/ui/controls/ComCtrls.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/controls/StdCtrls.h"
#include "skin/controls/SkinCtrls_Slider.h"
#include "tests/app/TempFolder.h"
#include "tests/app/pages/PageTestSupport.h"
#include "tests/app/WizardTestSupport.h"

using namespace wizard;

namespace {

// Skin-like grain over a gradient with one sharp block: the smoothing moves
// pixels by every amount, below 3, 3 to 8 and above 8, and keeps the edge.
std::unique_ptr<TBitmap> GrainPicture(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  std::uint32_t seed = 0x9E3779B9u;
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      seed ^= seed << 13, seed ^= seed >> 17, seed ^= seed << 5;
      const int grain = int(seed % 41) - 20;
      const bool block = x > w / 2 && y > h / 3;
      const int base[3] = {block ? 30 : 120 + x, block ? 40 : 140 + y / 2, block ? 60 : 170};
      for (int c = 0; c < 3; ++c) row[x * 3 + c] = ClampByte(base[c] + grain * (c + 1) / 2);
    }
  }
  return b;
}

std::unique_ptr<TBitmap> Uniform(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x) row[x * 3] = 90, row[x * 3 + 1] = 130, row[x * 3 + 2] = 200;
  }
  return b;
}

struct TAmounts {
  int fine, mid, rough;
};

class SmoothPage : public WizardTest {
 protected:
  // The picture as it entered the step.
  std::unique_ptr<TBitmap> source;

  TFrm_Smooth* Smooth() const { return dynamic_cast<TFrm_Smooth*>(Page()); }

  // Opens the picture and goes straight on to the smoothing step.
  void Enter(std::unique_ptr<TBitmap> picture) {
    // The picture as saved and opened is what the step starts from.
    source = Copy(picture.get());
    EnterStep(picture.get(), {false, false, false, true, false}, stepSmooth);
    ASSERT_NE(Smooth(), nullptr);
  }
  // What the step should show for these settings, from the routines alone.
  std::unique_ptr<TBitmap> Expected(int radius, TAmounts a) {
    std::unique_ptr<TBitmap> smoothed = SmoothPicture(source.get(), radius);
    return BlendByDifference(source.get(), smoothed.get(), a.fine, {}, a.rough, a.mid);
  }
  // The user lets go of a slider at value v.
  void Release(TspSkinSlider* slider, int v) {
    slider->SetValue(v);
    if (slider->OnChanged) slider->OnChanged(slider);
    Idle();
  }
  // The result is shown and current, with the picture before as the one
  // entry behind it and nothing to redo.
  void ExpectResultOverSource(TBitmap& result) {
    EXPECT_EQ(MaxDifference(*WorkImage, result), 0);
    EXPECT_EQ(History->Count(), 2);
    EXPECT_EQ(History->Index(), 1);
    EXPECT_EQ(Entry(0, *source), 0);
    EXPECT_EQ(Entry(1, result), 0);
    EXPECT_TRUE(main->Btn_Undo->Enabled());
    EXPECT_FALSE(main->Btn_Redo->Enabled());
  }
};

TEST_F(SmoothPage, LayoutHoldsTheRangeAndRadiusBoxesAndTheProgressBar) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  EXPECT_EQ(p->Caption(), "细节优化");
  EXPECT_EQ(p->Pnl_Tool2->Height(), 116);
  EXPECT_EQ(p->Pnl_Tool2->Align(), alBottom);
  EXPECT_EQ(p->Pnl_Tool2->BevelOuter(), bvLowered);
  EXPECT_EQ(p->GB_Range->Caption(), "平滑幅度");
  EXPECT_EQ(p->GB_Radius->Caption(), "平滑半径");
  EXPECT_EQ(p->Lbl_Progress->Caption(), "当前进度：");
  EXPECT_TRUE(p->ProgressBar->Smooth());
  EXPECT_EQ(p->ProgressBar->Step(), 1);
  ASSERT_EQ(p->TLbl_Help->Lines()->Count(), 2);
  EXPECT_EQ(p->TLbl_Help->Lines()->Strings(1), "调节各项参数即可进行不同程度的平滑处理。");
  struct TRow {
    TspSkinStdLabel* label;
    const char* caption;
    TspSkinSlider* slider;
    int lo, hi, value;
    TspSkinStdLabel* valueLabel;
    TWinControl* box;
  } rows[] = {
      {p->Lbl_Fine, "精细：", p->Slider_Fine, 0, 100, 0, p->Lbl_FineValue, p->GB_Range},
      {p->Lbl_Mid, "中等：", p->Slider_Mid, 0, 100, 40, p->Lbl_MidValue, p->GB_Range},
      {p->Lbl_Rough, "粗糙：", p->Slider_Rough, 0, 100, 50, p->Lbl_RoughValue, p->GB_Range},
      {nullptr, "", p->Slider_Radius, 5, 50, 10, p->Lbl_RadiusValue, p->GB_Radius},
  };
  for (const TRow& r : rows) {
    SCOPED_TRACE(r.slider->Name());
    if (r.label) EXPECT_EQ(r.label->Caption(), r.caption);
    EXPECT_EQ(r.slider->MinValue(), r.lo);
    EXPECT_EQ(r.slider->MaxValue(), r.hi);
    EXPECT_EQ(r.slider->Value(), r.value);
    EXPECT_EQ(r.slider->Increment(), 1);
    EXPECT_EQ(r.slider->SkinDataName(), "slider");
    EXPECT_TRUE(r.slider->Options() & soSmooth);
    EXPECT_TRUE(r.slider->Transparent());
    EXPECT_EQ(r.valueLabel->Caption(), std::to_string(r.value));
    EXPECT_EQ(r.slider->Parent(), r.box);
    EXPECT_EQ(r.valueLabel->Parent(), r.box);
    // Every row stays inside its box.
    EXPECT_LE(r.valueLabel->Left() + r.valueLabel->Width(), r.box->Width());
    EXPECT_LT(r.slider->Left() + r.slider->Width(), r.valueLabel->Left());
  }
  Snapshot(main, "smooth_page");
}

TEST_F(SmoothPage, ResizingSplitsTheBottomPanelBetweenTheBoxes) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  for (int width : {900, 1000, 1237, 1400}) {
    main->SetBounds(main->Left(), main->Top(), width, main->Height());
    Idle();
    SCOPED_TRACE(width);
    const int w = (p->Pnl_Tool2->Width() - 16) / 2;
    EXPECT_EQ(p->Pnl_Tool2->Width(), p->ClientWidth());
    EXPECT_EQ(p->GB_Range->Width(), w);
    EXPECT_EQ(p->GB_Radius->Width(), w);
    EXPECT_EQ(p->GB_Radius->Left(), w + 12);
    EXPECT_EQ(p->Lbl_Progress->Left(), w + 12);
    EXPECT_EQ(p->ProgressBar->Left(), w + 12);
    EXPECT_EQ(p->ProgressBar->Width(), w);
    // The sliders follow their boxes.
    EXPECT_EQ(p->Lbl_FineValue->Left() + p->Lbl_FineValue->Width(), w - 6);
    EXPECT_EQ(p->Lbl_RadiusValue->Left() + p->Lbl_RadiusValue->Width(), w - 6);
    // The picture stays centred in what is left above the panel.
    TScrollBox* box = p->ScrollBox_Image1;
    EXPECT_EQ(p->Image1->Left(), std::max(0, (box->Width() - p->Image1->Width() - 4) / 2));
  }
}

TEST_F(SmoothPage, EnteringTheStepKeepsThePictureBeforeAndShowsTheFirstResult) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  std::unique_ptr<TBitmap> expected = Expected(10, {0, 40, 50});
  ASSERT_GT(MaxDifference(*expected, *source), 8) << "the picture must give the smoothing work";
  ExpectResultOverSource(*expected);
  EXPECT_EQ(MaxDifference(*p->SmoothSource, *source), 0);
  std::unique_ptr<TBitmap> smoothed = SmoothPicture(source.get(), 10);
  EXPECT_EQ(MaxDifference(*p->SmoothResult, *smoothed), 0);
  // The display shows the result at the zoom the step came in with.
  std::unique_ptr<TBitmap> shown = Copy(p->Image1->Picture()->Bitmap());
  EXPECT_EQ(shown->Width(), int(64 * ZoomFactor));
  if (ZoomFactor == 1.0f) EXPECT_EQ(MaxDifference(*shown, *expected), 0);
  EXPECT_EQ(p->ProgressBar->Max(), 48);
  EXPECT_EQ(p->ProgressBar->Position(), 48);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(SmoothPage, AmountSlidersBlendTheSameSmoothedPictureAgain) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  // A smoothed picture the radius slider never makes: the amounts must
  // blend with it as it is, not smooth again.
  p->SmoothResult = SmoothPicture(source.get(), 33);
  std::unique_ptr<TBitmap> marker = Copy(p->SmoothResult.get());
  struct TCase {
    TspSkinSlider* slider;
    int value;
    TspSkinStdLabel* label;
    TAmounts amounts;
  } cases[] = {
      {p->Slider_Fine, 30, p->Lbl_FineValue, {30, 40, 50}},
      {p->Slider_Mid, 75, p->Lbl_MidValue, {30, 75, 50}},
      {p->Slider_Rough, 100, p->Lbl_RoughValue, {30, 75, 100}},
      {p->Slider_Fine, 0, p->Lbl_FineValue, {0, 75, 100}},
      {p->Slider_Rough, 7, p->Lbl_RoughValue, {0, 75, 7}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.slider->Name() + " " + std::to_string(c.value));
    Release(c.slider, c.value);
    EXPECT_EQ(c.label->Caption(), std::to_string(c.value));
    std::unique_ptr<TBitmap> expected =
        BlendByDifference(source.get(), marker.get(), c.amounts.fine, {}, c.amounts.rough, c.amounts.mid);
    EXPECT_EQ(MaxDifference(*p->SmoothResult, *marker), 0);
    // Still two entries: the picture before and this result.
    ExpectResultOverSource(*expected);
  }
}

TEST_F(SmoothPage, TheRadiusSliderSmoothsAgainWithTheCurrentAmounts) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  Release(p->Slider_Mid, 60);
  for (int radius : {23, 5, 50, 6}) {
    SCOPED_TRACE(radius);
    Release(p->Slider_Radius, radius);
    EXPECT_EQ(p->Lbl_RadiusValue->Caption(), std::to_string(radius));
    std::unique_ptr<TBitmap> smoothed = SmoothPicture(source.get(), radius);
    EXPECT_EQ(MaxDifference(*p->SmoothResult, *smoothed), 0);
    std::unique_ptr<TBitmap> expected = Expected(radius, {0, 60, 50});
    ExpectResultOverSource(*expected);
  }
}

TEST_F(SmoothPage, ArrowKeysOnASliderReblend) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  p->Slider_Mid->SetFocus();
  Idle();
  s.display.KeyPress(VK_RIGHT);
  Idle();
  EXPECT_EQ(p->Slider_Mid->Value(), 41);
  EXPECT_EQ(p->Lbl_MidValue->Caption(), "41");
  std::unique_ptr<TBitmap> expected = Expected(10, {0, 41, 50});
  EXPECT_EQ(MaxDifference(*WorkImage, *expected), 0);
  EXPECT_EQ(History->Count(), 2);
}

// The picture before the step stays in memory beside the step's source,
// whose pixels it shares, so an undo to it reads no file.
TEST_F(SmoothPage, UndoToThePictureBeforeReadsNoFile) {
  Enter(GrainPicture(64, 48));
  History->Flush();
  EXPECT_TRUE(History->InMemory(0));
  ASSERT_TRUE(DeleteFile(History->EntryFile(0)));
  Click(main->Btn_Undo);
  ASSERT_NE(WorkImage, nullptr);
  EXPECT_EQ(MaxDifference(*WorkImage, *source), 0);
  EXPECT_EQ(History->Index(), 0);
}

// Once its history entry is written, the result's own memory takes the
// next blend in place, with the routine's bytes; while the entry still
// shares it, a new picture is made.
TEST_F(SmoothPage, AnAmountChangeReusesTheResultsMemoryOnceItsEntryIsWritten) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  const int mid = p->Slider_Mid->Value(), rough = p->Slider_Rough->Value();
  History->Flush();
  const TBitmap* result = WorkImage.get();
  const void* pixels = static_cast<const TBitmap*>(result)->ScanLine(0);
  Release(p->Slider_Fine, 30);
  EXPECT_EQ(WorkImage.get(), result);
  EXPECT_EQ(static_cast<const TBitmap*>(WorkImage.get())->ScanLine(0), pixels);
  ExpectResultOverSource(*Expected(10, {30, mid, rough}));
  // Held by a write not yet taken in, the picture is left to it.
  std::promise<void> release;
  const std::shared_future<void> go = release.get_future().share();
  {
    FaultGuard guard;
    SafeSaveFaults().TempCreated = [go](const std::string&) { go.wait(); };
    Release(p->Slider_Fine, 60);
    const TBitmap* written = WorkImage.get();
    Release(p->Slider_Fine, 70);
    EXPECT_NE(WorkImage.get(), written);
    release.set_value();
    History->Flush();
  }
  ExpectResultOverSource(*Expected(10, {70, mid, rough}));
}

// A radius change after the last result's entry is written smooths into the
// last smoothing's memory and blends into the last result's: no new
// picture-sized memory, only the display's copy at the fitted zoom.
TEST_F(SmoothPage, ARadiusChangeReusesTheSmoothingAndResultMemory) {
  constexpr int kW = 900, kH = 700;
  Enter(GrainPicture(kW, kH));
  TFrm_Smooth* p = Smooth();
  const std::int64_t picture = std::int64_t(kW) * 3 * kH;
  Release(p->Slider_Radius, 7);
  History->Flush();
  const TBitmap* smoothed = p->SmoothResult.get();
  const TBitmap* result = WorkImage.get();
  const PictureMemoryCount before = PictureMemoryHandedOut();
  Release(p->Slider_Radius, 12);
  const PictureMemoryCount after = PictureMemoryHandedOut();
  EXPECT_LT(after.bytes - before.bytes, picture);
  EXPECT_EQ(p->SmoothResult.get(), smoothed);
  EXPECT_EQ(WorkImage.get(), result);
  std::unique_ptr<TBitmap> expected = Expected(12, {0, 40, 50});
  EXPECT_EQ(MaxDifference(*p->SmoothResult, *SmoothPicture(source.get(), 12)), 0);
  ExpectResultOverSource(*expected);
}

TEST_F(SmoothPage, UndoShowsThePictureBeforeAndASliderChangeThenKeepsIt) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  std::unique_ptr<TBitmap> first = Copy(WorkImage.get());
  Click(main->Btn_Undo);
  EXPECT_EQ(MaxDifference(*WorkImage, *source), 0);
  EXPECT_FALSE(main->Btn_Undo->Enabled());
  EXPECT_TRUE(main->Btn_Redo->Enabled());
  Click(main->Btn_Redo);
  EXPECT_EQ(MaxDifference(*WorkImage, *first), 0);
  EXPECT_TRUE(main->Btn_Undo->Enabled());
  EXPECT_FALSE(main->Btn_Redo->Enabled());
  // Back at the picture before, both kinds of slider make a result that
  // takes entry 1: the picture before stays behind it.
  struct TCase {
    TspSkinSlider* slider;
    int value;
    int radius;
    TAmounts amounts;
  } cases[] = {{p->Slider_Fine, 20, 10, {20, 40, 50}}, {p->Slider_Radius, 15, 15, {20, 40, 50}}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.slider->Name());
    Click(main->Btn_Undo);
    ASSERT_EQ(History->Index(), 0);
    Release(c.slider, c.value);
    std::unique_ptr<TBitmap> expected = Expected(c.radius, c.amounts);
    ExpectResultOverSource(*expected);
    Click(main->Btn_Undo);
    EXPECT_EQ(MaxDifference(*WorkImage, *source), 0);
    Click(main->Btn_Redo);
    EXPECT_EQ(MaxDifference(*WorkImage, *expected), 0);
  }
}

TEST_F(SmoothPage, TheProgressBarIsPaintedDuringThePassUnderTheHourglass) {
  Enter(GrainPicture(40, 300));
  TFrm_Smooth* p = Smooth();
  TProgressBar* bar = p->ProgressBar;
  struct TPaint {
    int position;
    bool busy;
  };
  std::vector<TPaint> paints;
  TWndMethod saved = bar->WindowProc;
  bar->WindowProc = TWndMethod::FromFunction(
      [&](TMessage& m) {
        if (m.Msg == WM_PAINT) paints.push_back({bar->Position(), Screen->Cursor() == crHourGlass});
        saved(m);
      },
      &paints);
  for (TspSkinSlider* slider : {p->Slider_Radius, p->Slider_Rough}) {
    SCOPED_TRACE(slider->Name());
    paints.clear();
    Release(slider, slider->Value() + 3);
    std::vector<int> during;
    for (const TPaint& t : paints)
      if (t.busy) during.push_back(t.position);
    // Painted as the rows go, not only when the pass is over; but not for
    // every row: at each 64th of a pass (the radius makes two passes).
    ASSERT_GE(during.size(), 8u);
    EXPECT_LT(during.front(), 300);
    EXPECT_LE(during.size(), 2u * 65u);
    EXPECT_TRUE(std::is_sorted(during.begin(), during.end()) || slider == p->Slider_Radius);
    EXPECT_EQ(bar->Max(), 300);
    EXPECT_EQ(bar->Position(), 300);
    EXPECT_EQ(Screen->Cursor(), crDefault);
  }
  bar->WindowProc = saved;
}

// A pass that fails (here a smoothed picture of the wrong size) leaves the
// picture, the history and the cursor as they were.
TEST_F(SmoothPage, AFailedPassKeepsThePictureAndRestoresTheCursor) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  std::unique_ptr<TBitmap> before = Copy(WorkImage.get());
  p->SmoothResult = std::make_unique<TBitmap>(10, 10, pf24bit);
  p->Slider_Fine->SetValue(25);
  EXPECT_THROW(p->Slider_FineChanged(p->Slider_Fine), Exception);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  ASSERT_NE(WorkImage, nullptr);
  EXPECT_EQ(MaxDifference(*WorkImage, *before), 0);
  EXPECT_EQ(History->Count(), 2);
  EXPECT_EQ(Entry(1, *before), 0);
  // The radius smooths afresh and works again.
  Release(p->Slider_Radius, 12);
  std::unique_ptr<TBitmap> expected = Expected(12, {25, 40, 50});
  EXPECT_EQ(MaxDifference(*WorkImage, *expected), 0);
}

// Changes of two sliders queued behind other input run once, after it,
// and the radius changed first is not lost to the amount changed after it.
TEST_F(SmoothPage, QueuedChangesOfTwoSlidersRunOnceWithBoth) {
  Enter(GrainPicture(64, 48));
  TFrm_Smooth* p = Smooth();
  const TAmounts start{p->Slider_Fine->Value(), p->Slider_Mid->Value(), p->Slider_Rough->Value()};
  std::unique_ptr<TBitmap> first = Copy(WorkImage.get());
  // A key press waits in the queue while both changes come.
  s.display.KeyDown(VK_SHIFT);
  s.display.KeyUp(VK_SHIFT);
  p->Slider_Radius->SetValue(15);
  p->Slider_RadiusChanged(p->Slider_Radius);
  p->Slider_Fine->SetValue(30);
  p->Slider_FineChanged(p->Slider_Fine);
  EXPECT_TRUE(p->LatestWorkWaiting());
  Idle();
  EXPECT_EQ(MaxDifference(*WorkImage, *first), 0);
  s.display.AdvanceTime(50);
  EXPECT_FALSE(p->LatestWorkWaiting());
  std::unique_ptr<TBitmap> expected = Expected(15, {30, start.mid, start.rough});
  ExpectResultOverSource(*expected);
  // The smoothing of the radius before would give another picture.
  EXPECT_NE(MaxDifference(*Expected(10, {30, start.mid, start.rough}), *expected), 0);
}

TEST_F(SmoothPage, AUniformPictureStaysAsItIs) {
  Enter(Uniform(50, 40));
  TFrm_Smooth* p = Smooth();
  EXPECT_EQ(MaxDifference(*WorkImage, *source), 0);
  Release(p->Slider_Radius, 50);
  Release(p->Slider_Fine, 100);
  Release(p->Slider_Mid, 100);
  Release(p->Slider_Rough, 100);
  EXPECT_EQ(MaxDifference(*WorkImage, *source), 0);
}

TEST_F(SmoothPage, LeavingTheStepKeepsTheResultAndClearsItsHistory) {
  Enter(GrainPicture(64, 48));
  Release(Smooth()->Slider_Rough, 80);
  std::unique_ptr<TBitmap> result = Copy(WorkImage.get());
  const std::string second = History->EntryFile(1);
  Click(main->Btn_Next);
  EXPECT_EQ(main->CurrentStep, 7);
  EXPECT_EQ(MaxDifference(*WorkImage, *result), 0);
  EXPECT_EQ(History->Count(), 0);
  EXPECT_FALSE(FileExists(second));
}

}  // namespace
