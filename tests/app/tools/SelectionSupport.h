// A form with one picture control showing a patterned 24-bit picture, for
// the selection tools' tests; the tools' mouse handlers are called on the
// control as the framework calls them.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/app/HeadlessForms.h"
#include "app/tools/HandCutFrame.h"
#include "app/pixels/RowImage.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/controls/ExtCtrls.h"

inline Byte PatternByte(int x, int y, int c) {
  switch (c) {
    case 0: return Byte(x * 7 + y * 3);
    case 1: return Byte(x * 5 + y * 11 + 40);
    default: return Byte((x ^ y) + 90);
  }
}

class SelectionFixture : public HeadlessForms {
 protected:
  TForm* form = nullptr;

  void MakeForm() {
    app.CreateForm(form);
    form->SetBounds(0, 0, 900, 700);
    form->Show();
    s.display.RunUntilIdle();
  }
  // Shows a width x height patterned picture on the control.
  static void ShowPattern(TImage* image, int w, int h) {
    TBitmap b(w, h, pf24bit);
    image->Picture()->Assign(&b);
    const RowImage d = DisplayRows(image);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 3; ++c)
          d.Row(y)[x * 3 + c] = PatternByte(x, y, c);
  }
  static RowImageBuffer Snapshot(TImage* image) { return RowImageBuffer::CopyOf(DisplayRows(image)); }

  static void Down(TImage* i, int x, int y, TMouseButton b = TMouseButton::mbLeft) {
    if (i->OnMouseDown) i->OnMouseDown(i, b, 0, x, y);
  }
  static void Move(TImage* i, int x, int y) {
    if (i->OnMouseMove) i->OnMouseMove(i, 0, x, y);
  }
  static void Up(TImage* i, int x, int y, TMouseButton b = TMouseButton::mbLeft) {
    if (i->OnMouseUp) i->OnMouseUp(i, b, 0, x, y);
  }
  static void Drag(TImage* i, TPoint from, TPoint to) {
    Down(i, from.X, from.Y);
    Move(i, (from.X + to.X) / 2, (from.Y + to.Y) / 2);
    Move(i, to.X, to.Y);
    Up(i, to.X, to.Y);
  }
};

// The first pixel where two pictures differ, or (-1, -1).
inline TPoint FirstDifference(const RowImage& a, const RowImage& b) {
  if (a.Width != b.Width || a.Height != b.Height)
    return TPoint{-2, -2};
  for (int y = 0; y < a.Height; ++y)
    if (std::memcmp(a.Row(y), b.Row(y), std::size_t(a.Width) * 3) != 0)
      for (int x = 0; x < a.Width; ++x)
        if (std::memcmp(a.Row(y) + x * 3, b.Row(y) + x * 3, 3) != 0)
          return TPoint{x, y};
  return TPoint{-1, -1};
}

inline bool Pixel(const RowImage& d, int x, int y, Byte b, Byte g, Byte r) {
  const Byte* p = d.Row(y) + x * 3;
  return p[0] == b && p[1] == g && p[2] == r;
}

// Black (true) or white for position p on an ant line starting at s.
inline bool AntBlack(int p, int s, int phase) {
  const int q = p - s - phase;
  const int f = q >= 0 ? q / 5 : -((-q + 4) / 5);
  return f % 2 == 0;
}

inline bool Same(const RowImage& a, const RowImage& b) { return FirstDifference(a, b) == TPoint{-1, -1}; }

// Two pictures alike, or where they first differ.
#define EXPECT_SAME(a, b)                                                                  \
  do {                                                                                     \
    const TPoint at_ = FirstDifference((a), (b));                                          \
    EXPECT_EQ(at_, (TPoint{-1, -1})) << "first difference at " << at_.X << "," << at_.Y; \
  } while (0)

// The control shows want, else the first pixel that differs is reported.
inline void ExpectShows(TImage* image, const RowImage& want) { EXPECT_SAME(DisplayRows(image), want); }

// A patterned picture control whose own mouse handlers count their calls,
// so a tool is seen to chain to them; orig is the picture as first shown.
class PictureSelectionFixture : public SelectionFixture {
 protected:
  TImage* image = nullptr;
  RowImageBuffer orig;
  int downs = 0, moves = 0, ups = 0;

  void MakePicture(int w, int h) {
    MakeForm();
    image = new TImage(form);
    image->SetParent(form);
    ShowPattern(image, w, h);
    image->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    image->OnMouseMove = [this](TObject*, TShiftState, int, int) { ++moves; };
    image->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) { ++ups; };
    orig = Snapshot(image);
  }
  void ExpectDisplay(const RowImage& want) { ExpectShows(image, want); }
};
