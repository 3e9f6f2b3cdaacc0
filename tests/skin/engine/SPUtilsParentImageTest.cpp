#include "skin/engine/SPUtils.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/user/system/SysMetrics.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "tests/skin/engine/SkinPixels.h"

using namespace skinpx;

namespace {

// Erases in its colour, then paints a navy stripe over its top 22 rows.
class TStripedParent : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(0x00800000);
    Canvas()->FillRect(TRect{0, 0, Width(), 22});
  }
};

class TBlock : public TGraphicControl {
 public:
  TBlock(TComponent* owner, TColor c) : TGraphicControl(owner), colour_(c) {}

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(colour_);
    Canvas()->FillRect(ClientRect());
  }

 private:
  TColor colour_;
};

TEST(PaintParentImage, ParentAndTheGraphicControlsBeneathOnly) {
  THeadlessSession s;
  TStripedParent parent(nullptr);
  parent.SetBounds(0, 0, 100, 100);
  parent.SetColor(0x00FF0000);  // blue background
  TBlock below(nullptr, 0x000000FF);  // red, beneath the control
  below.SetBounds(10, 10, 20, 20);
  below.SetParent(&parent);
  TBlock hidden(nullptr, 0x0000FFFF);  // yellow, beneath but hidden
  hidden.SetBounds(30, 30, 5, 5);
  hidden.SetVisible(false);
  hidden.SetParent(&parent);
  TBlock control(nullptr, 0x00000000);
  control.SetBounds(20, 20, 20, 20);
  control.SetParent(&parent);
  TBlock above(nullptr, 0x0000FF00);  // green, above the control
  above.SetBounds(25, 25, 20, 20);
  above.SetParent(&parent);

  TBitmap out;
  out.SetSize(20, 20);
  Fill(out, 0xFFFFFF);
  PaintParentImage(&control, out.Canvas());
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      std::uint32_t want = y < 2 ? 0x000080u : 0x0000FFu;  // stripe, else the erased background
      if (x < 10 && y < 10) want = 0xFF0000u;             // the red block beneath
      ASSERT_EQ(Px(out, x, y), want) << x << "," << y;
    }
  EXPECT_EQ(parent.ControlState & csPaintCopy, 0u);
  EXPECT_EQ(below.ControlState & csPaintCopy, 0u);

  // Without a parent nothing is drawn.
  TBlock orphan(nullptr, 0);
  Fill(out, 0xFFFFFF);
  PaintParentImage(&orphan, out.Canvas());
  EXPECT_EQ(Px(out, 5, 5), 0xFFFFFFu);
}

// A graphic control whose paint raises.
class TFaultyBlock : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override { throw Exception("paint failed"); }
};

TEST(PaintParentImage, APaintThatRaisesLeavesNoCopyFlagBehind) {
  THeadlessSession s;
  TStripedParent parent(nullptr);
  parent.SetBounds(0, 0, 100, 100);
  TFaultyBlock faulty(nullptr);
  faulty.SetBounds(0, 0, 50, 50);
  faulty.SetParent(&parent);
  TBlock control(nullptr, 0);
  control.SetBounds(10, 10, 20, 20);
  control.SetParent(&parent);

  TBitmap out;
  out.SetSize(20, 20);
  EXPECT_THROW(PaintParentImage(&control, out.Canvas()), Exception);
  EXPECT_EQ(parent.ControlState & csPaintCopy, 0u);
  EXPECT_EQ(faulty.ControlState & csPaintCopy, 0u);
}

class PaintParentImageForms : public FormsTest {};

TEST_F(PaintParentImageForms, AnMdiFormShowsItsClientWindowsBackground) {
  TForm* frame = NewForm(0, 0, 400, 300);
  frame->SetColor(0x000000FF);
  frame->SetFormStyle(fsMDIForm);
  frame->Show();
  s.display.RunUntilIdle();
  ASSERT_NE(frame->ClientHandle(), nullptr);
  TBlock control(nullptr, 0);
  control.SetBounds(10, 10, 20, 20);
  control.SetParent(frame);
  TBitmap out;
  out.SetSize(20, 20);
  Fill(out, 0xFFFFFF);
  PaintParentImage(&control, out.Canvas());
  const COLORREF work = GetSysColor(COLOR_APPWORKSPACE);
  const std::uint32_t want = Rgb(GetRValue(work), GetGValue(work), GetBValue(work));
  ASSERT_NE(want, 0xFF0000u);
  EXPECT_EQ(Px(out, 0, 0), want);
  EXPECT_EQ(Px(out, 19, 19), want);
  control.SetParent(nullptr);
}

}  // namespace
