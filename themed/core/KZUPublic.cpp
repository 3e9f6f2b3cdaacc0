#include "themed/core/KZUPublic.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/controls/Controls.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/system/SysMetrics.h"
#include "platform/user/windows/WindowPos.h"

namespace {

// Blits src (a rectangle of the picture, clipped to it) stretched to dest;
// with key set, pixels of that colour are left out. Empty parts draw nothing.
void BlitPart(TBitmap* bmp, TCanvas* canvas, TRect src, const TRect& dest, bool keyed, TColor key) {
  if (dest.Width() <= 0 || dest.Height() <= 0) return;
  src.Left = std::max(src.Left, 0);
  src.Top = std::max(src.Top, 0);
  src.Right = std::min(src.Right, bmp->Width());
  src.Bottom = std::min(src.Bottom, bmp->Height());
  if (src.Width() <= 0 || src.Height() <= 0) return;
  HDC dst = canvas->Handle();
  HDC from = bmp->Canvas()->Handle();
  if (keyed)
    TransparentBlt(dst, dest.Left, dest.Top, dest.Width(), dest.Height(), from, src.Left, src.Top, src.Width(),
                   src.Height(), UINT(ColorToRGB(key) & 0xFFFFFF));
  else
    StretchBlt(dst, dest.Left, dest.Top, dest.Width(), dest.Height(), from, src.Left, src.Top, src.Width(),
               src.Height(), SRCCOPY);
}

// The bitmap as 32-bit rows, top row first.
std::vector<std::uint32_t> Pixels32(TBitmap* bitmap) {
  TBitmap copy;
  copy.Assign(bitmap);
  copy.SetPixelFormat(pf32bit);
  const int w = copy.Width(), h = copy.Height();
  std::vector<std::uint32_t> px(std::size_t(w) * std::size_t(h));
  for (int y = 0; y < h; ++y) std::memcpy(&px[std::size_t(y) * w], copy.ScanLine(y), std::size_t(w) * 4);
  return px;
}

// Replaces the picture with an h x w one; to(x, y) gives where the source
// pixel (x, y) lands.
template <class Map>
void Turn(TBitmap* bitmap, Map to) {
  const int w = bitmap->Width(), h = bitmap->Height();
  if (w == 0 || h == 0) return;
  const std::vector<std::uint32_t> src = Pixels32(bitmap);
  TBitmap turned(h, w, pf32bit);
  for (int y = 0; y < h; ++y) {
    const std::uint32_t* row = &src[std::size_t(y) * w];
    for (int x = 0; x < w; ++x) {
      const TPoint p = to(x, y);
      static_cast<std::uint32_t*>(turned.ScanLine(p.Y))[p.X] = row[x];
    }
  }
  bitmap->SetSize(h, w);
  bitmap->Canvas()->Draw(0, 0, &turned);
}

}  // namespace

void DrawParentBackground(TCanvas* canvas, TControl* control) {
  TWinControl* parent = control ? control->Parent() : nullptr;
  if (!parent) return;
  HDC dc = canvas->Handle();
  const int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, -control->Left(), -control->Top(), nullptr);
  IntersectClipRect(dc, 0, 0, parent->ClientWidth(), parent->ClientHeight());
  parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
  RestoreDC(dc, saved);
}

void TilePicture(TCanvas* canvas, TPicture* picture, const TRect& rect) {
  TGraphic* g = picture ? picture->Graphic() : nullptr;
  if (!g || g->Empty()) return;
  const int pw = g->Width(), ph = g->Height();
  for (int x = 0; x < pw + rect.Width(); x += pw)
    for (int y = 0; y < ph + rect.Height(); y += ph) canvas->Draw(x, y, g);
}

bool PointInsideRect(int x, int y, const TRect& r) {
  return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
}

bool PointInsideRect(const TPoint& p, const TRect& r) { return PointInsideRect(p.X, p.Y, r); }

void GetWorkArea(TRect& r) {
  RECT area{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
  r = area;
}

void SetControlPos(TControl* control, const TPoint& p) {
  control->SetLeft(p.X);
  control->SetTop(p.Y);
}

void SetFormBounds(TControl* form, const TRect& r) {
  form->SetLeft(r.Left);
  form->SetTop(r.Top);
  form->SetWidth(r.Right - r.Left);
  form->SetHeight(r.Bottom - r.Top);
}

void DrawNinePartBitmap(TBitmap* bitmap, TCanvas* canvas, const TRect& rect, bool transparent) {
  if (!bitmap || bitmap->Empty()) return;
  const int W = bitmap->Width(), H = bitmap->Height();
  const int L = rect.Left, T = rect.Top, Rt = rect.Right, B = rect.Bottom;
  const int w = Rt - L, h = B - T;
  if (w <= 0 || h <= 0) return;
  const int hw = W / 2, hh = H / 2, tw = w / 2, th = h / 2;
  const int fx = W - hw + 1, fy = H - hh + 1;
  auto fit = [](int picture, int target) { return std::max(0, std::min(picture, target)); };
  const TColor key = kzuNinePartKey;

  // Corners: unscaled, each keeping its outer corner when clipped.
  const int tlW = fit(hw, tw), tlH = fit(hh, th);
  const TRect TL{L, T, L + tlW, T + tlH};
  BlitPart(bitmap, canvas, TRect{0, 0, tlW, tlH}, TL, transparent, key);

  const int blW = fit(hw, tw), blH = fit(H - fy, th - 1);
  const TRect BL{L, B - blH, L + blW, B};
  BlitPart(bitmap, canvas, TRect{0, H - blH, blW, H}, BL, transparent, key);

  BlitPart(bitmap, canvas, TRect{0, hh, std::min(hw, TL.Width()), H - hh}, TRect{L, TL.Bottom, TL.Right, BL.Top}, true,
           key);

  const int trW = fit(W - fx, tw - 1), trH = fit(hh, th);
  const TRect TR{Rt - trW, T, Rt, T + trH};
  BlitPart(bitmap, canvas, TRect{W - trW, 0, W, trH}, TR, transparent, key);

  const int brW = fit(W - fx, tw - 1), brH = fit(H - fy, th - 1);
  const TRect BR{Rt - brW, B - brH, Rt, B};
  BlitPart(bitmap, canvas, TRect{W - brW, H - brH, W, H}, BR, transparent, key);

  BlitPart(bitmap, canvas, TRect{W - TR.Width(), H - hh, W, hh + 2}, TRect{TR.Left, TR.Bottom, TR.Right, BR.Top}, true,
           key);

  BlitPart(bitmap, canvas, TRect{hw, 0, fx, std::min(hh, TL.Height())}, TRect{TL.Right, T, TR.Left, TL.Bottom}, true,
           key);

  BlitPart(bitmap, canvas, TRect{hw, hh, fx, H - hh}, TRect{TL.Right, TL.Bottom, TR.Left, BR.Top - 1}, true, key);

  const TRect bottom{TL.Right - 1, BL.Top - 1, BR.Left, BR.Bottom};
  BlitPart(bitmap, canvas, TRect{hw, std::max(H - hh, H - bottom.Height()), fx, H}, bottom, true, key);
}

void DrawWindowFrame(TWinControl* control, TColor outer, TColor inner) {
  if (!control || !control->HandleAllocated()) return;
  HWND wnd = control->Handle();
  HDC dc = GetWindowDC(wnd);
  if (!dc) return;
  RECT wr{};
  GetWindowRect(wnd, &wr);
  RECT r{0, 0, wr.Right - wr.Left, wr.Bottom - wr.Top};
  HBRUSH brush = CreateSolidBrush(COLORREF(ColorToRGB(outer)));
  FrameRect(dc, &r, brush);
  DeleteObject(brush);
  r = RECT{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  brush = CreateSolidBrush(COLORREF(ColorToRGB(inner)));
  FrameRect(dc, &r, brush);
  DeleteObject(brush);
  ReleaseDC(wnd, dc);
}

void DrawThreePartBitmap(TBitmap* bitmap, TCanvas* canvas, const TRect& rect, bool transparent) {
  if (!bitmap || bitmap->Empty()) return;
  const int s = bitmap->Width() / 3, H = bitmap->Height();
  if (s <= 0) return;
  const TColor key = bitmap->Canvas()->Pixels(0, 0);
  BlitPart(bitmap, canvas, TRect{0, 0, s, H}, TRect{rect.Left, rect.Top, rect.Left + s, rect.Top + H}, transparent,
           key);
  BlitPart(bitmap, canvas, TRect{2 * s, 0, 3 * s, H}, TRect{rect.Right - s, rect.Top, rect.Right, rect.Top + H},
           transparent, key);
  // A target narrower than the two ends leaves no room for the middle.
  BlitPart(bitmap, canvas, TRect{s, 0, 2 * s, H}, TRect{rect.Left + s, rect.Top, rect.Right - s, rect.Bottom},
           transparent, key);
}

void RotateBitmapLeft(TBitmap* bitmap) {
  const int w = bitmap->Width();
  Turn(bitmap, [w](int x, int y) { return TPoint{y, w - 1 - x}; });
}

void RotateBitmapRight(TBitmap* bitmap) {
  const int h = bitmap->Height();
  Turn(bitmap, [h](int x, int y) { return TPoint{h - 1 - y, x}; });
}

std::string PCharToString(const char* text) { return text ? std::string(text) : std::string(); }
