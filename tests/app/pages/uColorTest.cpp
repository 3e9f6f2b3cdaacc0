// The colour step's page driven as a user drives it: lassos drawn on the
// picture with the mouse, the brightening check box, the levels button and
// the toolbar's zoom, undo and redo. Results are checked against the curve
// and levels routines applied to the picture with means taken from the
// displayed pixels inside the lasso.
#include <cstdint>

#include "app/tools/AntLine.h"
#include "app/pixels/BitmapRows.h"
#include "app/pixels/Level.h"
#include "app/pixels/PhotoAdjust.h"
#include "app/pixels/RGB2LAB.h"
#include "app/pages/uColor.h"
#include "app/main/uMain_History.h"
#include "app/main/uMain_View.h"
#include "platform/rtl/SafeSave.h"
#include "tests/app/tools/SelectionSupport.h"
#include "tests/app/WizardTestSupport.h"
#include "themed/buttons/KZUButton.h"

using namespace wizard;

namespace {

// Four bands of skin, from dark to very light, with a little grain; red,
// green, blue of each band.
constexpr int kBand = 60;
constexpr Byte kBands[4][3] = {{120, 80, 62}, {205, 160, 138}, {228, 192, 172}, {250, 222, 208}};

std::unique_ptr<TBitmap> BandPicture() {
  auto b = std::make_unique<TBitmap>(4 * kBand, 160, pf24bit);
  for (int y = 0; y < b->Height(); ++y) {
    auto* row = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < b->Width(); ++x) {
      const Byte* c = kBands[x / kBand];
      const int grain = (x * 7 + y * 13) % 5 - 2;
      row[x * 3] = Byte(c[2] + grain);
      row[x * 3 + 1] = Byte(c[1] - grain);
      row[x * 3 + 2] = Byte(c[0] + grain / 2);
    }
  }
  return b;
}

// Means (red, green, blue; integer division) of the display's pixels
// strictly inside the rectangle with corners (x0, y0) and (x1, y1): the
// region a rectangular lasso encloses. count gets the number of pixels.
std::array<Byte, 3> InsideMeans(const RowImage& d, int x0, int y0, int x1, int y1, int& count) {
  std::int64_t sum[3] = {}, n = 0;
  for (int y = y0 + 1; y < y1; ++y)
    for (int x = x0 + 1; x < x1; ++x) {
      const Byte* p = d.Row(y) + x * 3;
      sum[0] += p[2], sum[1] += p[1], sum[2] += p[0];
      ++n;
    }
  count = int(n);
  if (n == 0) return {0, 0, 0};
  return {Byte(sum[0] / n), Byte(sum[1] / n), Byte(sum[2] / n)};
}

class ColorPage : public WizardTest {
 protected:
  void Enter(TBitmap* picture) {
    EnterStep(picture, {false, false, true, true, true}, stepColor);
    ASSERT_NE(Col(), nullptr);
  }
  TFrm_Color* Col() const { return dynamic_cast<TFrm_Color*>(Page()); }
  TAntLine* Ants() const { return Col()->AntLine(); }
  RowImage Work() const { return BitmapRows(WorkImage.get()); }
  RowImage Display() const { return DisplayRows(Page()->Image1); }

  // A lasso along the rectangle's corners, in display pixels; each corner
  // is its own mouse move, as a hand makes many.
  void LassoRect(int x0, int y0, int x1, int y1) {
    TImage* image = Page()->Image1;
    const TPoint corners[] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    TPoint p = image->ClientToScreen(corners[0]);
    s.display.MouseMove(p.X, p.Y);
    Idle();
    s.display.MouseDown(p.X, p.Y);
    Idle();
    for (int i = 1; i < 4; ++i) {
      p = image->ClientToScreen(corners[i]);
      s.display.MouseMove(p.X, p.Y);
      Idle();
    }
    s.display.MouseUp(p.X, p.Y);
    Idle();
  }
  // The picture bent as the page bends it for a lasso with these means.
  static RowImageBuffer Bent(const RowImage& before, const std::array<Byte, 3>& means, double targetL) {
    RowImageBuffer out = RowImageBuffer::CopyOf(before);
    const TRgbBytes t = LabToRgb(targetL, 14, 16);
    ChannelCurveAdjust(out.View(), means, {t.R, t.G, t.B});
    return out;
  }
  void SetLight(bool on) {
    if (Col()->CB_Light->Checked() != on) Click(Col()->CB_Light);
    ASSERT_EQ(Col()->CB_Light->Checked(), on);
  }
};

TEST_F(ColorPage, LayoutAndStartState) {
  auto picture = BandPicture();
  Enter(picture.get());
  TFrm_Color* p = Col();
  EXPECT_EQ(p->Caption(), "色彩优化");
  EXPECT_EQ(p->Name(), "Frm_Color");
  EXPECT_EQ(p->Shape_Help->Height(), 458);
  ASSERT_EQ(p->TLbl_Help->Lines()->Count(), 4);
  EXPECT_EQ(p->TLbl_Help->Lines()->Strings(0), "帮助");
  EXPECT_EQ(p->TLbl_Help->Lines()->Strings(3),
            "点击【优化色彩层次】按钮，可以提升照片的层次感。对于发虚的照片，尤为适用");
  TkzuCheckBox* cb = p->CB_Light;
  EXPECT_EQ(cb->Caption(), "皮肤增强补光");
  EXPECT_EQ(cb->UIStyle(), TkzuUIStyle::WinXP);
  EXPECT_TRUE(cb->Transparent());
  EXPECT_FALSE(cb->Checked());
  EXPECT_EQ(cb->Anchors(), akLeft | akBottom);
  EXPECT_EQ(cb->Parent(), p->Pnl_Tool1);
  TspSkinButton* b = p->Btn_Rotate;
  EXPECT_EQ(b->Caption(), "优化色彩层次");
  EXPECT_EQ(b->Width(), 106);
  EXPECT_EQ(b->Height(), 25);
  EXPECT_EQ(b->SkinData(), main->SkinData);
  EXPECT_EQ(b->SkinDataName(), "button");
  EXPECT_EQ(b->Parent(), p->Pnl_Tool1);
  // Both lie below the help note, apart, and inside the tool panel.
  const int noteBottom = p->Shape_Help->Top() + p->Shape_Help->Height();
  for (TControl* c : {static_cast<TControl*>(cb), static_cast<TControl*>(b)}) {
    SCOPED_TRACE(c->Name());
    EXPECT_GE(c->Top(), noteBottom);
    EXPECT_GE(c->Left(), 0);
    EXPECT_LE(c->Left() + c->Width(), p->Pnl_Tool1->ClientWidth());
    EXPECT_LE(c->Top() + c->Height(), p->Pnl_Tool1->ClientHeight());
  }
  EXPECT_TRUE(b->Top() + b->Height() <= cb->Top() || cb->Top() + cb->Height() <= b->Top());
  // The check box keeps its distance from the bottom as the window grows.
  const int gap = p->Pnl_Tool1->ClientHeight() - cb->Top();
  main->SetHeight(main->Height() + 60);
  Idle();
  EXPECT_EQ(p->Pnl_Tool1->ClientHeight() - cb->Top(), gap);
  ASSERT_NE(Ants(), nullptr);
  EXPECT_NE(Lasso, nullptr);
  EXPECT_EQ(History->Count(), 1);
  Click(main->Btn_Next);
  EXPECT_EQ(Lasso, nullptr);
}

TEST_F(ColorPage, ALassoBendsTheWholePictureTowardsTheTargetSkin) {
  auto picture = BandPicture();
  Enter(picture.get());
  ASSERT_EQ(ZoomFactor, 1.0f);
  const RowImageBuffer original = RowImageBuffer::CopyOf(Work());
  struct TCase {
    int band;
    bool light;
    double lowL, highL;  // the band's lightness lies between these
    double target;       // 0: the band's own lightness
  } cases[] = {
      {0, false, 0, 50, 50},  {0, true, 0, 50, 50},    {1, false, 50, 78, 0}, {1, true, 50, 78, 78},
      {2, true, 78, 82, 0},   {3, false, 82, 100, 82}, {3, true, 82, 100, 82},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "band " << c.band << (c.light ? " light" : ""));
    SetLight(c.light);
    const int x0 = c.band * kBand + 10, y0 = 30, x1 = x0 + 31, y1 = y0 + 41;
    int count = 0;
    const std::array<Byte, 3> means = InsideMeans(Display(), x0, y0, x1, y1, count);
    ASSERT_EQ(count, 30 * 40);
    const TLab lab = RgbToLab(means[0], means[1], means[2]);
    ASSERT_GT(lab.L, c.lowL);
    ASSERT_LT(lab.L, c.highL);
    EXPECT_EQ(SkinTargetLightness(lab.L, c.light), c.target ? c.target : lab.L);
    const RowImageBuffer want = Bent(original, means, c.target ? c.target : lab.L);
    ASSERT_FALSE(Same(want, original));

    LassoRect(x0, y0, x1, y1);
    EXPECT_TRUE(messages.empty());
    EXPECT_SAME(Work(), want);
    EXPECT_EQ(History->Count(), 2);
    EXPECT_EQ(History->Index(), 1);
    // The outline stays up over the new picture.
    EXPECT_FALSE(Ants()->Path().empty());
    // Undo goes back to the picture as the step found it and drops the lasso.
    Click(main->Btn_Undo);
    EXPECT_SAME(Work(), original);
    EXPECT_SAME(Display(), original);
    EXPECT_TRUE(Ants()->Path().empty());
    Click(main->Btn_Redo);
    EXPECT_SAME(Work(), want);
    Click(main->Btn_Undo);
  }
}

TEST_F(ColorPage, SmallLassosAreRefusedSilentlyOrWithAMessage) {
  auto picture = BandPicture();
  Enter(picture.get());
  const RowImageBuffer original = RowImageBuffer::CopyOf(Work());
  struct TCase {
    int w, h;  // inside the outline
    bool told, applied;
  } cases[] = {
      {1, 5, false, false},   {2, 5, false, false},   {1, 11, true, false},
      {10, 10, true, false},  {10, 20, true, false},  {3, 67, false, true},
  };
  const std::string tooSmall = "选中区域过小，请重新选择或者放大图像后再重新选择！";
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    messages.clear();
    if (c.told) AnswerMessage(mrOk);
    LassoRect(70, 20, 70 + c.w + 1, 20 + c.h + 1);
    EXPECT_EQ(messages, c.told ? std::vector<std::string>{tooSmall} : std::vector<std::string>{});
    if (c.applied) {
      EXPECT_FALSE(Same(Work(), original));
      EXPECT_EQ(History->Count(), 2);
      EXPECT_FALSE(Ants()->Path().empty());
    } else {
      // Nothing changes, and the outline is taken off the display.
      EXPECT_SAME(Work(), original);
      EXPECT_EQ(History->Count(), 1);
      EXPECT_TRUE(Ants()->Path().empty());
      EXPECT_SAME(Display(), original);
    }
  }
}

TEST_F(ColorPage, MeansComeFromTheDisplayAtItsZoom) {
  auto picture = BandPicture();
  Enter(picture.get());
  Click(main->Btn_ZoomOut);
  ASSERT_EQ(ZoomFactor, 0.75f);
  const RowImageBuffer original = RowImageBuffer::CopyOf(Work());
  // Across the border of two bands, where the display's pixels are blends.
  const int x0 = 30, y0 = 20, x1 = 70, y1 = 60;
  int count = 0;
  const std::array<Byte, 3> means = InsideMeans(Display(), x0, y0, x1, y1, count);
  ASSERT_GT(count, 200);
  const TLab lab = RgbToLab(means[0], means[1], means[2]);
  const RowImageBuffer want = Bent(original, means, SkinTargetLightness(lab.L, false));
  LassoRect(x0, y0, x1, y1);
  EXPECT_SAME(Work(), want);
  // Shown at the same zoom, not centred again.
  EXPECT_EQ(ZoomFactor, 0.75f);
  const TSize size = DisplaySize(WorkImage->Width(), WorkImage->Height(), ZoomFactor);
  EXPECT_EQ(Page()->Image1->Width(), size.cx);
  // Zooming redraws the outline at the new zoom.
  const TPoint corner = Ants()->Corners().front();
  Click(main->Btn_ZoomIn);
  ASSERT_EQ(ZoomFactor, 1.0f);
  EXPECT_FALSE(Ants()->Path().empty());
  EXPECT_EQ(Ants()->Corners().front(), (TPoint{int(std::lrint(corner.X / 0.75)), int(std::lrint(corner.Y / 0.75))}));
}

TEST_F(ColorPage, TheCheckBoxTakesTheLassoOffTheCorrectedDisplay) {
  auto picture = BandPicture();
  Enter(picture.get());
  LassoRect(70, 20, 110, 70);
  ASSERT_EQ(History->Count(), 2);
  ASSERT_FALSE(Ants()->Path().empty());
  // Let the ants march over the new display first.
  s.display.AdvanceTime(250);
  Idle();
  ASSERT_FALSE(Same(Display(), Work()));
  Click(Col()->CB_Light);
  EXPECT_TRUE(Col()->CB_Light->Checked());
  EXPECT_TRUE(Ants()->Path().empty());
  // What was under the outline is the corrected picture, not the old one.
  EXPECT_SAME(Display(), Work());
  EXPECT_EQ(History->Count(), 2);
}

TEST_F(ColorPage, LevelsButtonStretchesThePictureAndEachPressIsAnEntry) {
  auto picture = BandPicture();
  Enter(picture.get());
  const RowImageBuffer original = RowImageBuffer::CopyOf(Work());
  RowImageBuffer once = RowImageBuffer::CopyOf(original);
  AutoLevels(once.View());
  ASSERT_FALSE(Same(once, original));
  // The work runs under the hourglass, which goes when it ends.
  std::vector<TCursor> during;
  SafeSaveFaults().TempCreated = [&during](const std::string&) { during.push_back(Screen->Cursor()); };
  Click(Col()->Btn_Rotate);
  SafeSaveFaults() = TSafeSaveFaults{};
  EXPECT_EQ(during, std::vector<TCursor>{crHourGlass});
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_SAME(Work(), once);
  EXPECT_SAME(Display(), once);
  EXPECT_EQ(History->Count(), 2);
  // A lasso on top of the levels, then the button again.
  const int x0 = 130, y0 = 40, x1 = 170, y1 = 90;
  int count = 0;
  const std::array<Byte, 3> means = InsideMeans(Display(), x0, y0, x1, y1, count);
  const RowImageBuffer bent = Bent(once, means, SkinTargetLightness(RgbToLab(means[0], means[1], means[2]).L, false));
  during.clear();
  SafeSaveFaults().TempCreated = [&during](const std::string&) { during.push_back(Screen->Cursor()); };
  LassoRect(x0, y0, x1, y1);
  SafeSaveFaults() = TSafeSaveFaults{};
  EXPECT_EQ(during, std::vector<TCursor>{crHourGlass});
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_SAME(Work(), bent);
  EXPECT_EQ(History->Count(), 3);
  RowImageBuffer twice = RowImageBuffer::CopyOf(bent);
  AutoLevels(twice.View());
  Click(Col()->Btn_Rotate);
  EXPECT_SAME(Work(), twice);
  EXPECT_EQ(History->Count(), 4);
  // Undo walks back through each entry, redo forward again.
  const RowImageBuffer* back[] = {&bent, &once, &original};
  for (const RowImageBuffer* want : back) {
    Click(main->Btn_Undo);
    EXPECT_SAME(Work(), *want);
  }
  EXPECT_FALSE(main->Btn_Undo->Enabled());
  const RowImageBuffer* forward[] = {&once, &bent, &twice};
  for (const RowImageBuffer* want : forward) {
    Click(main->Btn_Redo);
    EXPECT_SAME(Work(), *want);
  }
  EXPECT_FALSE(main->Btn_Redo->Enabled());
}

// The check box follows the panel's bottom; on the shortest window the
// levels button must stay clear of it instead of lying under it.
TEST_F(ColorPage, TheLevelsButtonStaysClearOfTheCheckBoxOnAShortWindow) {
  auto picture = BandPicture();
  Enter(picture.get());
  TFrm_Color* page = Col();
  const int noteBottom = page->Shape_Help->Top() + page->Shape_Help->Height();
  const int stored = main->Height();
  for (int height : {stored, 600, stored + 200}) {
    SCOPED_TRACE(height);
    main->SetHeight(height);
    Idle();
    ASSERT_EQ(main->Height(), height);
    const TRect button = page->Btn_Rotate->BoundsRect(), box = page->CB_Light->BoundsRect();
    EXPECT_LE(button.Bottom, box.Top);
    EXPECT_EQ(box.Bottom, page->Pnl_Tool1->ClientHeight() - 24);
    // Where there is room it sits just below the help note.
    if (box.Top - noteBottom >= 10 + 25 + 6) EXPECT_EQ(button.Top, noteBottom + 10);
  }
}

TEST_F(ColorPage, SnapshotWithALasso) {
  auto picture = BandPicture();
  Enter(picture.get());
  LassoRect(70, 30, 110, 100);
  s.display.AdvanceTime(350);
  Idle();
  EXPECT_FALSE(Ants()->Path().empty());
  Snapshot(main, "wizard_page_colour");
}

}  // namespace
