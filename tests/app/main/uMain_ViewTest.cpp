#include "app/main/uMain_View.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/app/HeadlessForms.h"
#include "platform/ui/controls/ExtCtrls.h"

namespace {

TEST(ZoomTable, HoldsTheSevenStepsAscending) {
  const float expected[7] = {0.167f, 0.25f, 0.5f, 0.75f, 1.0f, 1.5f, 2.0f};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(ZoomTable[i], expected[i]);
}

TEST(StepZoom, GoesToTheNextTableValueStrictlyBeyond) {
  struct Case {
    float from;
    int direction;
    bool moved;
    float to;
  } cases[] = {
      {0.6f, -1, true, 0.5f},    {0.6f, +1, true, 0.75f},  {0.15f, +1, true, 0.167f},
      {0.15f, -1, false, 0.15f}, {0.167f, -1, false, 0.167f}, {0.167f, +1, true, 0.25f},
      {1.0f, +1, true, 1.5f},    {1.0f, -1, true, 0.75f},  {2.0f, +1, false, 2.0f},
      {2.0f, -1, true, 1.5f},    {0.0f, +1, true, 0.167f}, {0.6f, 0, true, 0.6f},
      {3.0f, -1, true, 2.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.from << " by " << c.direction);
    float z = c.from;
    EXPECT_EQ(StepZoom(z, c.direction), c.moved);
    EXPECT_EQ(z, c.to);
  }
}

TEST(StepZoom, RefusesAStepUpPastTheLargestDisplay) {
  struct Case {
    int w, h;
    float from;
    bool moved;
    float to;
  } cases[] = {
      {40000, 300, 1.0f, true, 1.5f},     // 60000 pixels still fit
      {40000, 300, 1.5f, false, 1.5f},    // 80000 would not
      {300, 43691, 1.0f, false, 1.0f},    // 65536.5 would not
      {300, 43690, 1.0f, true, 1.5f},     // 65535 exactly fits
      {4000, 3000, 2.0f, false, 2.0f},    // the table's end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.from);
    float z = c.from;
    EXPECT_EQ(StepZoom(z, +1, c.w, c.h), c.moved);
    EXPECT_EQ(z, c.to);
  }
  float z = 0.6f;
  EXPECT_TRUE(StepZoom(z, -1, 40000, 40000));
  EXPECT_EQ(z, 0.5f);
}

TEST(FitZoom, FitsTheBoxLessItsBorderNeverEnlarging) {
  struct Case {
    int w, h, boxW, boxH;
    float zoom;
    int displayW, displayH;
  } cases[] = {
      {4000, 3000, 604, 454, 0.15f, 600, 450},
      // 446/3000 as a single lies just below the true value.
      {4000, 3000, 600, 450, float(446.0L / 3000.0L), 594, 445},
      {300, 200, 604, 454, 1.0f, 300, 200},
      {300, 200, 304, 204, 1.0f, 300, 200},
      {300, 200, 154, 454, 0.5f, 150, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH);
    const float z = FitZoom(c.w, c.h, c.boxW, c.boxH);
    EXPECT_EQ(z, c.zoom);
    const TSize d = DisplaySize(c.w, c.h, z);
    EXPECT_EQ(d.cx, c.displayW);
    EXPECT_EQ(d.cy, c.displayH);
  }
  EXPECT_LT(float(446.0L / 3000.0L), 446.0 / 3000.0);
}

TEST(FitZoom, StaysPositiveAndKeepsTheDisplayInRange) {
  struct Case {
    int w, h, boxW, boxH;
  } cases[] = {
      {4000, 3000, 4, 4},  {4000, 3000, 0, 0},   {4000, 3000, -50, 300}, {10, 10, 3, 100},
      {100000, 10, 200000, 200000}, {7, 300000, 50, 50}, {1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH);
    const float z = FitZoom(c.w, c.h, c.boxW, c.boxH);
    EXPECT_GT(z, 0.0f);
    EXPECT_LE(z, 1.0f);
    // Unclamped, the display the zoom gives is 1..65535 on both sides.
    for (int side : {c.w, c.h}) {
      const double len = std::floor(double(side) * double(z));
      EXPECT_GE(len, 1.0) << side;
      EXPECT_LE(len, 65535.0) << side;
    }
  }
  EXPECT_EQ(FitZoom(0, 100, 600, 400), 1.0f);
  EXPECT_EQ(FitZoom(100, -3, 600, 400), 1.0f);
}

TEST(DisplaySize, FloorsAndClampsToSixteenBitsWithoutWrapping) {
  struct Case {
    int w, h;
    float zoom;
    int displayW, displayH;
  } cases[] = {
      {4000, 3000, 0.167f, 667, 500},  {1001, 999, 1.5f, 1501, 1498}, {40000, 300, 2.0f, 65535, 600},
      {4000, 3000, 0.0f, 1, 1},        {4000, 3000, -1.0f, 1, 1},     {3, 3, 0.1f, 1, 1},
      {4000, 3000, std::numeric_limits<float>::quiet_NaN(), 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.zoom);
    const TSize d = DisplaySize(c.w, c.h, c.zoom);
    EXPECT_EQ(d.cx, c.displayW);
    EXPECT_EQ(d.cy, c.displayH);
  }
}

// Two-pixel stripes of black and white.
std::unique_ptr<TBitmap> Stripes(int w, int h, TPixelFormat format) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  for (int y = 0; y < h; ++y) {
    auto* p = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x) p[3 * x] = p[3 * x + 1] = p[3 * x + 2] = (x / 2) % 2 ? 255 : 0;
  }
  b->SetPixelFormat(format);
  return b;
}

TEST(StretchCopy, AveragesWhatItShrinksAndConvertsTheSource) {
  for (TPixelFormat format : {pf24bit, pf32bit}) {
    auto source = Stripes(64, 8, format);
    auto copy = StretchCopy(source.get(), 16, 2);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(source->PixelFormat(), pf24bit);
    EXPECT_EQ(copy->PixelFormat(), pf24bit);
    ASSERT_EQ(copy->Width(), 16);
    ASSERT_EQ(copy->Height(), 2);
    // Each output pixel covers a black and a white stripe: a mid grey,
    // where keeping or dropping pixels would give black or white.
    for (int y = 0; y < 2; ++y) {
      const auto* p = static_cast<const Byte*>(copy->ScanLine(y));
      for (int x = 0; x < 16 * 3; ++x) EXPECT_NEAR(p[x], 128, 1) << x;
    }
  }
  auto source = Stripes(10, 10, pf24bit);
  auto clamped = StretchCopy(source.get(), 0, 70000);
  ASSERT_NE(clamped, nullptr);
  EXPECT_EQ(clamped->Width(), 1);
  EXPECT_EQ(clamped->Height(), 65535);
  EXPECT_EQ(StretchCopy(nullptr, 10, 10), nullptr);
  TBitmap empty;
  EXPECT_EQ(StretchCopy(&empty, 10, 10), nullptr);
}

class CentrePictureTest : public HeadlessForms {
 protected:
  TForm* form = nullptr;
  TScrollBox* box = nullptr;
  TImage* image = nullptr;

  void SetUp() override {
    app.CreateForm(form);
    form->SetBounds(0, 0, 900, 700);
    box = new TScrollBox(form);
    box->SetParent(form);
    box->SetBounds(0, 0, 604, 454);
    box->SetAutoScroll(true);
    image = new TImage(form);
    image->SetParent(box);
    form->Show();
    s.display.RunUntilIdle();
  }
  void ShowPicture(int w, int h) {
    TBitmap b(w, h, pf24bit);
    image->Picture()->Assign(&b);
  }
};

TEST_F(CentrePictureTest, SmallPictureSitsCentredWithAMargin) {
  struct Case {
    int w, h, left, top;
  } cases[] = {{300, 200, 150, 125}, {600, 450, 0, 0}, {301, 201, 149, 124}, {1, 1, 299, 224}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
    ShowPicture(c.w, c.h);
    CentrePicture(image, box);
    s.display.RunUntilIdle();
    EXPECT_TRUE(image->AutoSize());
    EXPECT_TRUE(image->Stretch());
    EXPECT_EQ(image->Width(), c.w);
    EXPECT_EQ(image->Height(), c.h);
    EXPECT_EQ(image->Left(), c.left);
    EXPECT_EQ(image->Top(), c.top);
    EXPECT_EQ(box->ScrollPos().X, 0);
    EXPECT_EQ(box->ScrollPos().Y, 0);
  }
}

TEST_F(CentrePictureTest, LargePictureStartsScrolledToItsCentre) {
  ShowPicture(1000, 800);
  CentrePicture(image, box);
  s.display.RunUntilIdle();
  const int cw = box->ClientWidth(), ch = box->ClientHeight();
  EXPECT_EQ(box->ScrollPos().X, (1000 - cw) / 2);
  EXPECT_EQ(box->ScrollPos().Y, (800 - ch) / 2);
  // The control sits at 0 of the scrolled content, so shifted by the position.
  EXPECT_EQ(image->Left(), -box->ScrollPos().X);
  EXPECT_EQ(image->Top(), -box->ScrollPos().Y);
  // Centring again after a smaller picture brings it back unscrolled.
  ShowPicture(100, 50);
  CentrePicture(image, box);
  EXPECT_EQ(box->ScrollPos().X, 0);
  EXPECT_EQ(box->ScrollPos().Y, 0);
  EXPECT_EQ(image->Left(), 250);
  EXPECT_EQ(image->Top(), 200);
}

}  // namespace
