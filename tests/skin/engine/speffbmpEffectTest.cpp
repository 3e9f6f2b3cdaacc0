#include "skin/engine/speffbmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "skin/engine/speffbmp_Internal.h"
#include "tests/skin/engine/SkinPixels.h"

using namespace skinpx;

namespace {

// A one-row (or one-column) effect bitmap whose pixel i has all three
// channels equal to values[i].
std::unique_ptr<TspEffectBmp> Strip(const std::vector<int>& values, bool vertical = false) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  const int n = int(values.size());
  b.SetSize(vertical ? 1 : n, vertical ? n : 1);
  for (int i = 0; i < n; ++i) {
    const int v = values[std::size_t(i)];
    SetPx(b, vertical ? 0 : i, vertical ? i : 0, Rgb(v, v, v));
  }
  return TspEffectBmp::CreateFromHBmp(b.Handle());
}

// Channel values of the strip; -1 where the three channels differ.
std::vector<int> Values(const TspEffectBmp& e) {
  std::vector<int> out;
  for (int y = 0; y < e.Height; ++y)
    for (int x = 0; x < e.Width; ++x) {
      const Byte* p = e.RowStart(y) + x * 3;
      out.push_back(p[0] == p[1] && p[1] == p[2] ? p[0] : -1);
    }
  return out;
}

std::vector<int> Ramp(int n, int from) {
  std::vector<int> v;
  for (int i = 0; i < n; ++i) v.push_back(from + i);
  return v;
}

TEST(TspEffectBmp, CopiesTheBitmapTopRowFirst) {
  TBitmap b;
  CoordPicture(b, 5, 3);
  auto e = TspEffectBmp::CreateFromHBmp(b.Handle());
  ASSERT_EQ(e->Width, 5);
  ASSERT_EQ(e->Height, 3);
  EXPECT_EQ(e->Stride(), 16);
  EXPECT_EQ(e->Size, 48);
  const Byte* p = e->RowStart(2) + 4 * 3;
  EXPECT_EQ(p[0], 7);  // blue
  EXPECT_EQ(p[1], 2);  // green = y
  EXPECT_EQ(p[2], 4);  // red = x
  // Independent of the source.
  Fill(b, 0);
  EXPECT_EQ(e->RowStart(2)[14], 4);
  TBitmap out;
  out.SetSize(6, 4);
  Fill(out, 0xFFFFFF);
  e->Draw(out.Canvas()->Handle(), 1, 1);
  EXPECT_EQ(Px(out, 5, 3), From(4, 2));
  EXPECT_EQ(Px(out, 0, 0), 0xFFFFFFu);
}

struct MorphCase {
  int p, q;
  double kf;
  int expected;
};

TEST(TspEffectBmp, MorphRoundsHalvesToEvenAndClampsTheFactor) {
  const MorphCase cases[] = {
      {0, 1, 0.5, 0},    {1, 2, 0.5, 2},    {2, 3, 0.5, 2},     {10, 20, 0.25, 12}, {10, 20, 0.35, 14},
      {10, 20, -1, 10},  {10, 20, 2, 20},   {255, 0, 0.5, 128}, {200, 100, 1, 100},
  };
  for (const MorphCase& c : cases) {
    auto a = Strip({c.p});
    auto b = Strip({c.q});
    a->Morph(b.get(), c.kf);
    EXPECT_EQ(Values(*a), std::vector<int>{c.expected}) << c.p << " to " << c.q << " by " << c.kf;
  }
}

TEST(TspEffectBmp, MorphsBetweenDifferentSizesDoNothing) {
  for (int kind = 0; kind <= 6; ++kind) {
    auto a = Strip({10, 20, 30});
    auto b = Strip({100, 100});
    a->MorphByKind(b.get(), 0.5, TspMorphKind(kind));
    EXPECT_EQ(Values(*a), (std::vector<int>{10, 20, 30})) << kind;
  }
}

struct KindCase {
  TspMorphKind kind;
  double kf;
  bool vertical;
  std::vector<int> expected;
};

TEST(TspEffectBmp, MorphKindsOnAStripFromBlackTo200) {
  const KindCase cases[] = {
      // Band of 3 in the middle, soft edges with steps of 1/3.
      {mkGradient, 0.25, false, {0, 67, 133, 200, 200, 200, 133, 67}},
      // Vertical: band rows 3..5, steps of 1/2.
      {mkGradient, 0.25, true, {0, 0, 100, 200, 200, 200, 100, 0}},
      {mkLeftGradient, 0.25, false, {200, 100, 0, 0, 0, 0, 0, 0}},
      {mkRightGradient, 0.25, false, {0, 0, 0, 0, 0, 0, 100, 200}},
      {mkDefault, 0.25, false, {50, 50, 50, 50, 50, 50, 50, 50}},
  };
  for (const KindCase& c : cases) {
    auto a = Strip(std::vector<int>(8, 0), c.vertical);
    auto b = Strip(std::vector<int>(8, 200), c.vertical);
    a->MorphByKind(b.get(), c.kf, c.kind);
    EXPECT_EQ(Values(*a), c.expected) << int(c.kind) << (c.vertical ? " vertical" : "");
  }
}

TEST(TspEffectBmp, SlidesAndPushMoveColumns) {
  const KindCase cases[] = {
      // Old columns 10..17, new 100..107.
      {mkLeftSlide, 0.0, false, {107, 11, 12, 13, 14, 15, 16, 17}},
      {mkLeftSlide, 0.25, false, {106, 107, 12, 13, 14, 15, 16, 17}},
      {mkLeftSlide, 1.0, false, {101, 102, 103, 104, 105, 106, 107, 17}},
      {mkRightSlide, 0.25, false, {10, 11, 12, 13, 14, 15, 100, 101}},
      {mkPush, 0.0, false, {107, 10, 11, 12, 13, 14, 15, 16}},
      {mkPush, 0.25, false, {105, 106, 107, 10, 11, 12, 13, 14}},
      {mkPush, 1.0, false, {100, 101, 102, 103, 104, 105, 106, 107}},
  };
  for (const KindCase& c : cases) {
    auto a = Strip(Ramp(8, 10));
    auto b = Strip(Ramp(8, 100));
    a->MorphByKind(b.get(), c.kf, c.kind);
    EXPECT_EQ(Values(*a), c.expected) << int(c.kind) << " by " << c.kf;
  }
}

TEST(TspEffectBmp, GradientPicksItsDirectionByShape) {
  for (int w : {10, 40}) {
    TBitmap black, white;
    black.SetPixelFormat(pf24bit);
    black.SetSize(w, 40);
    Fill(black, 0);
    white.SetPixelFormat(pf24bit);
    white.SetSize(w, 40);
    Fill(white, 0xC8C8C8);
    auto a = TspEffectBmp::CreateFromHBmp(black.Handle());
    auto b = TspEffectBmp::CreateFromHBmp(white.Handle());
    a->MorphGrad(b.get(), 0.0);
    // Vertical (10 wide): the middle row is new across; horizontal (40 x
    // 40): the middle column is new, the left edge still old.
    EXPECT_EQ(a->RowStart(20)[0], w == 10 ? 200 : 0) << w;
    EXPECT_EQ(a->RowStart(0)[(w / 2) * 3], w == 10 ? 0 : 200) << w;
  }
}

TEST(TspEffectBmp, MorphRectBlendsOnlyWhereBothHavePixels) {
  auto a = Strip(std::vector<int>(6, 0));
  auto b = Strip({0, 0, 0, 200});
  // Rectangle columns 1..5 read b from column 2: only 1 and 2 have a partner.
  a->MorphRect(b.get(), TRect{1, 0, 6, 1}, 0.5, 2, 0);
  EXPECT_EQ(Values(*a), (std::vector<int>{0, 0, 100, 0, 0, 0}));
  a->MorphRect(b.get(), TRect{0, 0, 50, 50}, 1.0, 0, 0);
  EXPECT_EQ(Values(*a), (std::vector<int>{0, 0, 0, 200, 0, 0}));
}

struct EffectCase {
  const char* name;
  void (*apply)(TspEffectBmp&);
  std::vector<int> in, out;
};

TEST(TspEffectBmp, InactiveEffectsOnGreys) {
  const EffectCase cases[] = {
      {"brightness 0.5", [](TspEffectBmp& e) { e.ChangeBrightness(0.5); }, {0, 1, 100, 101, 255}, {128, 128, 178, 178, 255}},
      {"brightness 2", [](TspEffectBmp& e) { e.ChangeBrightness(2); }, {0, 77}, {255, 255}},
      {"brightness -1", [](TspEffectBmp& e) { e.ChangeBrightness(-1); }, {0, 77}, {0, 77}},
      {"darkness 0.3", [](TspEffectBmp& e) { e.ChangeDarkness(0.3); }, {255, 100, 5, 1}, {178, 70, 4, 1}},
      {"invert", [](TspEffectBmp& e) { e.Invert(); }, {0, 1, 200}, {255, 254, 55}},
      {"grey", [](TspEffectBmp& e) { e.GrayScale(); }, {255, 0, 77}, {255, 0, 77}},
      {"inactive darkness", [](TspEffectBmp& e) { e.ApplyInactiveEffect(ieDarkness); }, {255}, {178}},
      {"inactive brightness", [](TspEffectBmp& e) { e.ApplyInactiveEffect(ieBrightness); }, {100}, {178}},
  };
  for (const EffectCase& c : cases) {
    auto e = Strip(c.in);
    c.apply(*e);
    EXPECT_EQ(Values(*e), c.out) << c.name;
  }
}

TEST(TspEffectBmp, GrayScaleWeighsTheChannels) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(3, 1);
  SetPx(b, 0, 0, Rgb(10, 20, 30));   // 3 + 11.8 + 3.3 = 18.1
  SetPx(b, 1, 0, Rgb(1, 0, 0));      // 0.3
  SetPx(b, 2, 0, Rgb(0, 0, 255));    // 28.05
  auto e = TspEffectBmp::CreateFromHBmp(b.Handle());
  e->GrayScale();
  EXPECT_EQ(Values(*e), (std::vector<int>{18, 0, 28}));
}

TEST(TspEffectBmp, SplitBlurReadsPixelsAlreadyChanged) {
  auto e = Strip({0, 100, 200});
  e->SplitBlur(1);
  // (0+0+100+100)/4 = 50; then (50+50+200+200)/4 = 125; then
  // (125+125+200+200)/4 = 162.
  EXPECT_EQ(Values(*e), (std::vector<int>{50, 125, 162}));
  auto one = Strip({77});
  one->SplitBlur(1);
  EXPECT_EQ(Values(*one), std::vector<int>{77});
  auto column = Strip({0, 100, 200}, true);
  column->SplitBlur(1);
  EXPECT_EQ(Values(*column), (std::vector<int>{50, 125, 162}));
  auto back = Strip({0, 100, 200});
  back->SplitBlur(-1);  // reads to the other side, never outside
  back->SplitBlur(0);
  EXPECT_EQ(Values(*back).size(), 3u);
}

TEST(TspEffectBmp, ColorNoiseMovesThreeChannelsByOneOffset) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(100, 50);
  Fill(b, Rgb(128, 128, 128));
  auto e = TspEffectBmp::CreateFromHBmp(b.Handle());
  SetEffectRandSeed(12345);
  e->AddColorNoise(50);
  int lo = 999, hi = -999;
  for (int v : Values(*e)) {
    ASSERT_NE(v, -1);
    lo = std::min(lo, v - 128);
    hi = std::max(hi, v - 128);
  }
  EXPECT_EQ(lo, -25);
  EXPECT_EQ(hi, 24);
  // The same seed gives the same noise.
  auto again = TspEffectBmp::CreateFromHBmp(b.Handle());
  SetEffectRandSeed(12345);
  again->AddColorNoise(50);
  EXPECT_EQ(Values(*again), Values(*e));
}

TEST(TspEffectBmp, WithoutPixelsEverythingIsANoOp) {
  TBitmap empty;
  auto e = TspEffectBmp::CreateFromHBmp(empty.Handle());
  auto other = Strip({1, 2});
  EXPECT_EQ(e->Bits, nullptr);
  for (int kind = 0; kind <= 6; ++kind) e->MorphByKind(other.get(), 0.5, TspMorphKind(kind));
  for (int effect = 0; effect <= 5; ++effect) e->ApplyInactiveEffect(TspInactiveEffect(effect));
  e->MorphRect(other.get(), TRect{0, 0, 2, 1}, 0.5, 0, 0);
  other->Morph(e.get(), 0.5);
  EXPECT_EQ(Values(*other), (std::vector<int>{1, 2}));
}

}  // namespace

namespace {

// The gradient morphs written as plain per-pixel loops, each weight summed
// step by step: the fast row form must give the very same bytes.
void PlainWeighted(Byte* p, const Byte* q, double w) {
  for (int c = 0; c < 3; ++c) p[c] = speffbmp::ClampRGB(speffbmp::RoundToInt(w * p[c] + (1 - w) * q[c]));
}

void PlainSide(TspEffectBmp& e, const TspEffectBmp& o, int y, int from, int to, double step) {
  double w = 0;
  for (int x = from;; x += to >= from ? 1 : -1) {
    PlainWeighted(e.RowStart(y) + x * 3, o.RowStart(y) + x * 3, w);
    if (x == to) break;
    w = std::min(w + step, 1.0);
  }
}

void PlainGradient(TspEffectBmp& e, const TspEffectBmp& o, double Kf, TspMorphKind kind) {
  using speffbmp::RoundToInt;
  const int W = e.Width, H = e.Height;
  if (kind == mkGradient && W >= H) {
    const int a = RoundToInt(W * Kf), side = (W - a) / 2;
    const double step = side == 0 ? 1.0 : 1.0 / side;
    const int L = std::clamp(W / 2 - a / 2, 0, W - 1), R = std::clamp(W / 2 + a / 2, 0, W - 1);
    for (int y = 0; y < H; ++y) {
      if (L <= R) std::memcpy(e.RowStart(y) + L * 3, o.RowStart(y) + L * 3, std::size_t(R - L + 1) * 3);
      PlainSide(e, o, y, L, 0, step);
      PlainSide(e, o, y, R, W - 1, step);
    }
  } else if (kind == mkGradient) {
    const int a = RoundToInt(H * Kf), side = (H - 1 - a) / 2;
    const double step = side == 0 ? 0.0 : 1.0 / side;
    const int T = std::clamp(H / 2 - a / 2, 0, H - 1), B = std::clamp(H / 2 + a / 2, 0, H - 1);
    for (int y = T; y <= B; ++y) std::memcpy(e.RowStart(y), o.RowStart(y), std::size_t(W) * 3);
    auto rows = [&](int from, int to) {
      double w = 0;
      for (int y = from;; y += to >= from ? 1 : -1) {
        for (int x = 0; x < W; ++x) PlainWeighted(e.RowStart(y) + x * 3, o.RowStart(y) + x * 3, w);
        if (y == to) break;
        w = std::min(w + step, 1.0);
      }
    };
    rows(T, 0);
    rows(B, H - 1);
  } else if (kind == mkLeftGradient) {
    const int a = std::clamp(RoundToInt(W * Kf), 1, W - 1);
    for (int y = 0; y < H; ++y) PlainSide(e, o, y, 0, a, 1.0 / a);
  } else {
    const int b = std::clamp(W - RoundToInt(W * Kf), 0, W - 1);
    for (int y = 0; y < H; ++y) PlainSide(e, o, y, W - 1, b, 1.0 / (W - b));
  }
}

std::unique_ptr<TspEffectBmp> Grain(int w, int h, unsigned seed) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      seed = seed * 1103515245u + 12345u;
      SetPx(b, x, y, seed >> 8 & 0xFFFFFF);
    }
  return TspEffectBmp::CreateFromHBmp(b.Handle());
}

TEST(TspEffectBmp, GradientMorphsMatchThePlainLoopsByteForByte) {
  // Odd widths leave tails shorter than four bytes; factors outside 0..1 make
  // the sides overlap or vanish; sizes taller than wide take the vertical form.
  const std::pair<int, int> sizes[] = {{37, 5}, {64, 3}, {5, 23}, {2, 2}, {13, 13}};
  const double factors[] = {0.0, 0.1, 0.37, 0.5, 0.93, 1.0, -0.4, 1.6};
  for (auto [w, h] : sizes)
    for (double kf : factors)
      for (TspMorphKind kind : {mkGradient, mkLeftGradient, mkRightGradient}) {
        if (kind != mkGradient && w < 3) continue;
        auto fast = Grain(w, h, 7), plain = Grain(w, h, 7), other = Grain(w, h, 99);
        fast->MorphByKind(other.get(), kf, kind);
        PlainGradient(*plain, *other, kf, kind);
        ASSERT_EQ(0, std::memcmp(fast->Bits, plain->Bits, std::size_t(fast->Size)))
            << w << "x" << h << " kf " << kf << " kind " << int(kind);
      }
}

}  // namespace
