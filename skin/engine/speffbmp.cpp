// The 24-bit effect bitmap: morphs and inactive effects.
//
// Each result is the rounded, clamped value of the stated double
// expression. Where a weight is the same for the whole bitmap the result
// depends only on the input bytes, so a table computed once per call with
// that same expression gives it at the cost of a look-up.
#include "skin/engine/speffbmp.h"
#include "skin/engine/speffbmp_Internal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/gdi/Gdi.h"

namespace speffbmp {

int RoundToInt(double v) {
  if (!(v == v)) return 0;
  v = std::clamp(v, -1073741824.0, 1073741824.0);
  // Adding and taking away 1.5 x 2^52 rounds to an integer, halves to even.
  constexpr double kMagic = 6755399441055744.0;
  const double t = v + kMagic;
  return int(t - kMagic);
}

Byte ClampRGB(int v) { return Byte(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace speffbmp

using namespace speffbmp;

namespace {

double Clamp01(double k) { return k == k ? std::clamp(k, 0.0, 1.0) : 0.0; }

// clamp(Round(w * P + (1 - w) * Q)) for one pixel of three bytes.
inline void Weighted(Byte* p, const Byte* q, double w) {
  const double v = 1 - w;
  for (int c = 0; c < 3; ++c) p[c] = ClampRGB(RoundToInt(w * p[c] + v * q[c]));
}

// Weighted over a run of n bytes, the weight of byte i being w[i] (and its
// complement v[i] = 1 - w[i]). The same double operations as Weighted, four
// bytes at a time; the 1.5 x 2^52 addition rounds halves to even as
// RoundToInt does (the sums stay far inside its clamp), and the saturating
// packs clamp, so each byte is exactly Weighted's.
void WeightedRun(Byte* p, const Byte* q, const double* w, const double* v, int n) {
  int i = 0;
#if defined(__SSE2__)
  const __m128d magic = _mm_set1_pd(6755399441055744.0);
  const __m128i zero = _mm_setzero_si128();
  for (; i + 4 <= n; i += 4) {
    std::int32_t pp, qq;
    std::memcpy(&pp, p + i, 4);
    std::memcpy(&qq, q + i, 4);
    const __m128i p32 = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(pp), zero), zero);
    const __m128i q32 = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(qq), zero), zero);
    __m128d lo = _mm_add_pd(_mm_mul_pd(_mm_loadu_pd(w + i), _mm_cvtepi32_pd(p32)),
                            _mm_mul_pd(_mm_loadu_pd(v + i), _mm_cvtepi32_pd(q32)));
    __m128d hi = _mm_add_pd(_mm_mul_pd(_mm_loadu_pd(w + i + 2), _mm_cvtepi32_pd(_mm_srli_si128(p32, 8))),
                            _mm_mul_pd(_mm_loadu_pd(v + i + 2), _mm_cvtepi32_pd(_mm_srli_si128(q32, 8))));
    lo = _mm_sub_pd(_mm_add_pd(lo, magic), magic);
    hi = _mm_sub_pd(_mm_add_pd(hi, magic), magic);
    const __m128i r = _mm_unpacklo_epi64(_mm_cvttpd_epi32(lo), _mm_cvttpd_epi32(hi));
    const __m128i b = _mm_packus_epi16(_mm_packs_epi32(r, zero), zero);
    const std::int32_t out = _mm_cvtsi128_si32(b);
    std::memcpy(p + i, &out, 4);
  }
#endif
  for (; i < n; ++i) p[i] = ClampRGB(RoundToInt(w[i] * p[i] + v[i] * q[i]));
}

// Weights of a gradient for each byte of a row: the columns from `from`
// towards `to` (inclusive) take 0, then `step` more each, capped at 1, summed
// in that order as the plain loop sums them; the other columns keep theirs.
void GradientWeights(std::vector<double>& w, std::vector<double>& v, int from, int to, double step) {
  double k = 0;
  const int dir = to >= from ? 1 : -1;
  for (int x = from;; x += dir) {
    for (int c = 0; c < 3; ++c) {
      w[std::size_t(x) * 3 + c] = k;
      v[std::size_t(x) * 3 + c] = 1 - k;
    }
    if (x == to) break;
    k = std::min(k + step, 1.0);
  }
}

// Table of clamp(Round((1 - k) * P + k * Q)) by P * 256 + Q.
std::vector<Byte> MorphTable(double k) {
  std::vector<Byte> t(65536);
  const double j = 1 - k;
  for (int p = 0; p < 256; ++p)
    for (int q = 0; q < 256; ++q) t[std::size_t(p << 8 | q)] = ClampRGB(RoundToInt(j * p + k * q));
  return t;
}

std::uint32_t gRandSeed = 0;

}  // namespace

void SetEffectRandSeed(std::uint32_t seed) { gRandSeed = seed; }

int EffectRandom(int range) {
  gRandSeed = gRandSeed * 0x08088405u + 1u;
  if (range <= 0) return 0;
  return int((std::uint64_t(gRandSeed) * std::uint64_t(range)) >> 32);
}

TspEffectBmp::TspEffectBmp(HBITMAP source) {
  BITMAP bm{};
  if (!source || !GetObject(reinterpret_cast<HGDIOBJ>(source), sizeof bm, &bm) || bm.bmWidth <= 0 ||
      bm.bmHeight <= 0)
    return;
  Info.bmiHeader.biSize = 40;
  Info.bmiHeader.biWidth = bm.bmWidth;
  Info.bmiHeader.biHeight = -bm.bmHeight;
  Info.bmiHeader.biPlanes = 1;
  Info.bmiHeader.biBitCount = 24;
  Info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Handle = CreateDIBSection(nullptr, &Info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!Handle || !bits) {
    if (Handle) DeleteObject(reinterpret_cast<HGDIOBJ>(Handle));
    Handle = nullptr;
    return;
  }
  Bits = static_cast<Byte*>(bits);
  Width = bm.bmWidth;
  Height = bm.bmHeight;
  Size = Stride() * Height;
  HDC display = CreateCompatibleDC(nullptr);
  BITMAPINFO query = Info;
  GetDIBits(display, source, 0, UINT(Height), Bits, &query, DIB_RGB_COLORS);
  DeleteDC(display);
}

TspEffectBmp::~TspEffectBmp() {
  if (Handle) DeleteObject(reinterpret_cast<HGDIOBJ>(Handle));
}

void TspEffectBmp::Draw(HDC dc, int X, int Y) {
  if (!Bits) return;
  SetDIBitsToDevice(dc, X, Y, DWORD(Width), DWORD(Height), 0, 0, 0, UINT(Height), Bits, &Info, DIB_RGB_COLORS);
}

Byte* TspEffectBmp::RowStart(int row) const { return Bits + std::size_t(row) * std::size_t(Stride()); }

void TspEffectBmp::GetRow(int row, Byte* buffer) const {
  if (Bits && row >= 0 && row < Height) std::memcpy(buffer, RowStart(row), std::size_t(Width) * 3);
}

void TspEffectBmp::SetRow(int row, const Byte* buffer) {
  if (Bits && row >= 0 && row < Height) std::memcpy(RowStart(row), buffer, std::size_t(Width) * 3);
}

bool TspEffectBmp::SameSize(const TspEffectBmp* other) const {
  return other && Bits && other->Bits && other->Width == Width && other->Height == Height;
}

void TspEffectBmp::Morph(const TspEffectBmp* other, double Kf) {
  if (!SameSize(other)) return;
  const std::vector<Byte> t = MorphTable(Clamp01(Kf));
  const int n = Width * 3;
  for (int y = 0; y < Height; ++y) {
    Byte* p = RowStart(y);
    const Byte* q = other->RowStart(y);
    for (int i = 0; i < n; ++i) p[i] = t[std::size_t(p[i]) << 8 | q[i]];
  }
}

void TspEffectBmp::MorphRect(const TspEffectBmp* other, const TRect& rect, double Kf, int otherLeft, int otherTop) {
  if (!Bits || !other || !other->Bits) return;
  // Only where both the receiver's pixel and its counterpart exist.
  const int x0 = std::max({rect.Left, 0, rect.Left - otherLeft});
  const int y0 = std::max({rect.Top, 0, rect.Top - otherTop});
  const int x1 = std::min({rect.Right, Width, rect.Left - otherLeft + other->Width});
  const int y1 = std::min({rect.Bottom, Height, rect.Top - otherTop + other->Height});
  if (x0 >= x1 || y0 >= y1) return;
  const std::vector<Byte> t = MorphTable(Clamp01(Kf));
  for (int y = y0; y < y1; ++y) {
    Byte* p = RowStart(y) + x0 * 3;
    const Byte* q = other->RowStart(y - rect.Top + otherTop) + (x0 - rect.Left + otherLeft) * 3;
    for (int i = 0; i < (x1 - x0) * 3; ++i) p[i] = t[std::size_t(p[i]) << 8 | q[i]];
  }
}

void TspEffectBmp::MorphGrad(const TspEffectBmp* other, double Kf) {
  if (Width < Height)
    MorphVGrad(other, Kf);
  else
    MorphHGrad(other, Kf);
}

void TspEffectBmp::MorphHGrad(const TspEffectBmp* other, double Kf) {
  if (!SameSize(other)) return;
  const int a = RoundToInt(Width * Kf);
  const int side = (Width - a) / 2;
  const double step = side == 0 ? 1.0 : 1.0 / side;
  const int half = Width / 2;
  // A factor outside 0..1 puts the band's ends outside the row; they are
  // kept inside it.
  const int L = std::clamp(half - a / 2, 0, Width - 1);
  const int R = std::clamp(half + a / 2, 0, Width - 1);
  if (L > R) {
    // Both sides overlap and their columns are weighted twice.
    for (int y = 0; y < Height; ++y) {
      Byte* p = RowStart(y);
      const Byte* q = other->RowStart(y);
      double w = 0;
      for (int x = L; x >= 0; --x) {
        Weighted(p + x * 3, q + x * 3, w);
        w = std::min(w + step, 1.0);
      }
      w = 0;
      for (int x = R; x < Width; ++x) {
        Weighted(p + x * 3, q + x * 3, w);
        w = std::min(w + step, 1.0);
      }
    }
    return;
  }
  // Every row takes the same weight per column; the band between L and R,
  // copied, is weight 0, which gives the other's bytes exactly.
  const std::size_t n = std::size_t(Width) * 3;
  std::vector<double> w(n, 0.0), v(n, 1.0);
  GradientWeights(w, v, L, 0, step);
  GradientWeights(w, v, R, Width - 1, step);
  for (int y = 0; y < Height; ++y) WeightedRun(RowStart(y), other->RowStart(y), w.data(), v.data(), int(n));
}

void TspEffectBmp::MorphVGrad(const TspEffectBmp* other, double Kf) {
  if (!SameSize(other)) return;
  const int a = RoundToInt(Height * Kf);
  const int side = (Height - 1 - a) / 2;
  const double step = side == 0 ? 0.0 : 1.0 / side;
  const int half = Height / 2;
  const int T = std::clamp(half - a / 2, 0, Height - 1);
  const int B = std::clamp(half + a / 2, 0, Height - 1);
  const std::size_t n = std::size_t(Width) * 3;
  for (int y = T; y <= B; ++y) std::memcpy(RowStart(y), other->RowStart(y), n);
  std::vector<double> ws(n), vs(n);
  auto weightRow = [&](int y, double w) {
    std::fill(ws.begin(), ws.end(), w);
    std::fill(vs.begin(), vs.end(), 1 - w);
    WeightedRun(RowStart(y), other->RowStart(y), ws.data(), vs.data(), int(n));
  };
  double w = 0;
  for (int y = T; y >= 0; --y) {
    weightRow(y, w);
    w = std::min(w + step, 1.0);
  }
  w = 0;
  for (int y = B; y < Height; ++y) {
    weightRow(y, w);
    w = std::min(w + step, 1.0);
  }
}

void TspEffectBmp::MorphLeftGrad(const TspEffectBmp* other, double Kf) {
  if (!SameSize(other)) return;
  int a = RoundToInt(Width * Kf);
  if (a < 1) a = 1;
  if (a > Width - 1) a = Width - 1;
  if (a < 0) return;  // a one-column bitmap
  const double step = a <= 0 ? 1.0 : 1.0 / a;
  const std::size_t n = std::size_t(a + 1) * 3;
  std::vector<double> w(n), v(n);
  GradientWeights(w, v, 0, a, step);
  for (int y = 0; y < Height; ++y) WeightedRun(RowStart(y), other->RowStart(y), w.data(), v.data(), int(n));
}

void TspEffectBmp::MorphRightGrad(const TspEffectBmp* other, double Kf) {
  if (!SameSize(other)) return;
  const int b = std::clamp(Width - RoundToInt(Width * Kf), 0, Width - 1);
  const double step = 1.0 / (Width - b);
  // Weights indexed from column b.
  const std::size_t n = std::size_t(Width - b) * 3;
  std::vector<double> w(n), v(n);
  GradientWeights(w, v, Width - 1 - b, 0, step);
  for (int y = 0; y < Height; ++y)
    WeightedRun(RowStart(y) + std::size_t(b) * 3, other->RowStart(y) + std::size_t(b) * 3, w.data(), v.data(), int(n));
}

namespace {
int SlideColumns(int width, double Kf) {
  int a = RoundToInt(width * Kf);
  if (a < 1) a = 1;
  if (a > width - 1) a = width - 1;
  return a;
}
}  // namespace

void TspEffectBmp::MorphLeftSlide(const TspEffectBmp* other, double Kf) {
  if (!SameSize(other)) return;
  const int a = SlideColumns(Width, Kf);
  for (int y = 0; y < Height && a > 0; ++y)
    std::memcpy(RowStart(y), other->RowStart(y) + (Width - a) * 3, std::size_t(a) * 3);
}

void TspEffectBmp::MorphRightSlide(const TspEffectBmp* other, double Kf) {
  if (!SameSize(other)) return;
  const int a = SlideColumns(Width, Kf);
  for (int y = 0; y < Height && a > 0; ++y)
    std::memcpy(RowStart(y) + (Width - a) * 3, other->RowStart(y), std::size_t(a) * 3);
}

void TspEffectBmp::MorphPush(const TspEffectBmp* other, double Kf) {
  if (!SameSize(other)) return;
  const int a = std::clamp(RoundToInt(Width * Kf), 0, Width - 1);
  for (int y = 0; y < Height; ++y) {
    Byte* p = RowStart(y);
    std::memmove(p + (a + 1) * 3, p, std::size_t(Width - a - 1) * 3);
    std::memcpy(p, other->RowStart(y) + (Width - a - 1) * 3, std::size_t(a + 1) * 3);
  }
}

void TspEffectBmp::MorphByKind(const TspEffectBmp* other, double Kf, TspMorphKind kind) {
  switch (kind) {
    case mkDefault: Morph(other, Kf); break;
    case mkGradient: MorphGrad(other, Kf); break;
    case mkLeftGradient: MorphLeftGrad(other, Kf); break;
    case mkRightGradient: MorphRightGrad(other, Kf); break;
    case mkLeftSlide: MorphLeftSlide(other, Kf); break;
    case mkRightSlide: MorphRightSlide(other, Kf); break;
    case mkPush: MorphPush(other, Kf); break;
  }
}

namespace {
void ApplyTable(TspEffectBmp& b, const Byte* t) {
  const int n = b.Width * 3;
  for (int y = 0; y < b.Height; ++y) {
    Byte* p = b.RowStart(y);
    for (int i = 0; i < n; ++i) p[i] = t[p[i]];
  }
}
}  // namespace

void TspEffectBmp::ChangeBrightness(double Kf) {
  if (!Bits) return;
  const double k = Clamp01(Kf);
  Byte t[256];
  for (int p = 0; p < 256; ++p) t[p] = ClampRGB(RoundToInt((1 - k) * p + k * 255));
  ApplyTable(*this, t);
}

void TspEffectBmp::ChangeDarkness(double Kf) {
  if (!Bits) return;
  const double k = Clamp01(Kf);
  Byte t[256];
  for (int p = 0; p < 256; ++p) t[p] = ClampRGB(RoundToInt((1 - k) * p));
  ApplyTable(*this, t);
}

void TspEffectBmp::Invert() {
  if (!Bits) return;
  Byte t[256];
  for (int p = 0; p < 256; ++p) t[p] = Byte(255 - p);
  ApplyTable(*this, t);
}

void TspEffectBmp::GrayScale() {
  if (!Bits) return;
  // The three products as the sum takes them, so the sum is the same.
  double r[256], g[256], b[256];
  for (int i = 0; i < 256; ++i) r[i] = 0.3 * i, g[i] = 0.59 * i, b[i] = 0.11 * i;
  for (int y = 0; y < Height; ++y) {
    Byte* p = RowStart(y);
    for (int x = 0; x < Width; ++x, p += 3) {
      const Byte v = ClampRGB(RoundToInt(r[p[2]] + g[p[1]] + b[p[0]]));
      p[0] = p[1] = p[2] = v;
    }
  }
}

void TspEffectBmp::AddColorNoise(int amount) {
  if (!Bits || amount <= 0) return;
  for (int y = 0; y < Height; ++y) {
    Byte* p = RowStart(y);
    for (int x = 0; x < Width; ++x, p += 3) {
      const int d = EffectRandom(amount) - amount / 2;
      for (int c = 0; c < 3; ++c) p[c] = ClampRGB(p[c] + d);
    }
  }
}

namespace {
bool Inside(int i, int n) { return i >= 0 && i < n; }
}  // namespace

void TspEffectBmp::SplitBlur(int amount) {
  if (!Bits || amount == 0) return;
  // Samples come from the bitmap as it is being changed.
  for (int i = 0; i < Height; ++i) {
    const Byte* up = RowStart(Inside(i - amount, Height) ? i - amount : i);
    const Byte* down = RowStart(Inside(i + amount, Height) ? i + amount : i);
    Byte* row = RowStart(i);
    for (int j = 0; j < Width; ++j) {
      const int jl = (Inside(j - amount, Width) ? j - amount : j) * 3;
      const int jr = (Inside(j + amount, Width) ? j + amount : j) * 3;
      for (int c = 0; c < 3; ++c) row[j * 3 + c] = Byte((up[jl + c] + down[jl + c] + up[jr + c] + down[jr + c]) / 4);
    }
  }
}

void TspEffectBmp::ApplyInactiveEffect(TspInactiveEffect effect) {
  switch (effect) {
    case ieBrightness: ChangeBrightness(0.5); break;
    case ieDarkness: ChangeDarkness(0.3); break;
    case ieGrayScale: GrayScale(); break;
    case ieNoise: AddColorNoise(50); break;
    case ieSplitBlur: SplitBlur(1); break;
    case ieInvert: Invert(); break;
  }
}
