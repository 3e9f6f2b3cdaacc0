// TspBitmap: the 32-bit bitmap with straight alpha, its pixel runs and its
// drawing.
#include "skin/engine/speffbmp.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Picture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/system/Clipbrd.h"

namespace {

// Every TspBitmap that has a DC, for drawing into one without GDI.
std::vector<TspBitmap*>& BitmapList() {
  static std::vector<TspBitmap*> list;
  return list;
}

void RegisterBitmapDC(TspBitmap* b) {
  auto& l = BitmapList();
  if (std::find(l.begin(), l.end(), b) == l.end()) l.push_back(b);
}

void UnregisterBitmapDC(TspBitmap* b) {
  auto& l = BitmapList();
  l.erase(std::remove(l.begin(), l.end(), b), l.end());
}

constexpr std::uint32_t kAlphaMask = 0xFF000000u;
constexpr std::uint32_t kMagenta = 0x00FF00FFu;

}  // namespace

TspBitmap* FindBitmapByDC(HDC dc) {
  if (!dc) return nullptr;
  for (TspBitmap* b : BitmapList())
    if (b->DC == dc) return b;
  return nullptr;
}

void BlendLine(const std::uint32_t* source, std::uint32_t* dest, int count) {
  for (int i = 0; i < count; ++i) {
    const std::uint32_t s = source[i];
    const std::uint32_t a = s >> 24;
    if (a == 0) continue;
    if (a == 255) {
      dest[i] = s;
      continue;
    }
    const std::uint32_t d = dest[i];
    std::uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const int sc = int((s >> shift) & 0xFF), dc = int((d >> shift) & 0xFF);
      out |= std::uint32_t((dc * 256 + (sc - dc) * int(a)) >> 8) << shift;
    }
    dest[i] = out;
  }
}

void CopyLine(const std::uint32_t* source, std::uint32_t* dest, int count) {
  if (source == dest || count <= 0) return;
  std::memmove(dest, source, std::size_t(count) * 4);
}

void SetLineAlpha(std::uint32_t* dest, int count, Byte alpha) {
  const std::uint32_t a = std::uint32_t(alpha) << 24;
  for (int i = 0; i < count; ++i) dest[i] = (dest[i] & ~kAlphaMask) | a;
}

std::uint32_t ColorToPixel(TColor color) {
  const std::uint32_t c = std::uint32_t(ColorToRGB(color));
  return kAlphaMask | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

TspBitmap::TspBitmap() = default;

TspBitmap::~TspBitmap() {
  UnregisterBitmapDC(this);
  if (canvas_) canvas_->SetHandle(nullptr);
  canvas_.reset();
  Release();
}

void TspBitmap::Release() {
  if (DC) {
    if (oldBitmap_) SelectObject(DC, oldBitmap_);
    DeleteDC(DC);
  }
  if (Handle) DeleteObject(reinterpret_cast<HGDIOBJ>(Handle));
  DC = nullptr;
  Handle = nullptr;
  oldBitmap_ = nullptr;
  Bits = nullptr;
}

void TspBitmap::SetSize(int width, int height) {
  width = std::abs(width);
  height = std::abs(height);
  if (width == 0 || height == 0 || (width == Width && height == Height && Handle)) return;
  if (canvas_) canvas_->SetHandle(nullptr);
  Release();
  UnregisterBitmapDC(this);
  Width = Height = 0;
  BITMAPINFO info{};
  info.bmiHeader.biSize = 40;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!Handle || !bits) {
    Release();
    throw Exception("Can't allocate the DIB handle");
  }
  DC = CreateCompatibleDC(nullptr);
  if (!DC) {
    Release();
    throw Exception("Can't create compatible DC");
  }
  oldBitmap_ = SelectObject(DC, reinterpret_cast<HGDIOBJ>(Handle));
  if (!oldBitmap_) {
    Release();
    throw Exception("Can't bslect an object into DC");
  }
  Bits = static_cast<std::uint32_t*>(bits);
  Width = width;
  Height = height;
  RegisterBitmapDC(this);
  if (canvas_) canvas_->SetHandle(DC);
}

TCanvas* TspBitmap::Canvas() {
  if (!canvas_) {
    canvas_ = std::make_unique<TCanvas>();
    if (DC) canvas_->SetHandle(DC);
  }
  return canvas_.get();
}

void TspBitmap::SetPixel(int X, int Y, std::uint32_t value) {
  if (Bits && X >= 0 && X < Width && Y >= 0 && Y < Height) *PixelAddress(X, Y) = value;
}

void TspBitmap::SetAlpha(Byte value) {
  if (!Bits) return;
  SetLineAlpha(Bits, Width * Height, value);
}

void TspBitmap::CheckAlpha() {
  HasAlpha = false;
  if (!Bits) return;
  const std::size_t n = std::size_t(Width) * std::size_t(Height);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t a = Bits[i] >> 24;
    if (a != 0 && a != 255) {
      HasAlpha = true;
      return;
    }
  }
}

void TspBitmap::Assign(const TPersistent* source) {
  if (const auto* b = dynamic_cast<const TspBitmap*>(source)) {
    if (b == this) return;
    if (b->Empty()) return;
    SetSize(b->Width, b->Height);
    std::memcpy(Bits, b->Bits, std::size_t(Width) * std::size_t(Height) * 4);
    HasAlpha = b->HasAlpha;
    return;
  }
  const TGraphic* graphic = dynamic_cast<const TGraphic*>(source);
  if (const auto* pic = dynamic_cast<const TPicture*>(source)) graphic = pic->Graphic();
  if (const auto* bmp = dynamic_cast<const TBitmap*>(graphic)) {
    if (bmp->Empty()) return;
    auto* src = const_cast<TBitmap*>(bmp);
    SetSize(src->Width(), src->Height());
    if (src->PixelFormat() == pf32bit) {
      for (int y = 0; y < Height; ++y) std::memcpy(ScanLine(y), src->ScanLine(y), std::size_t(Width) * 4);
      CheckAlpha();
    } else {
      BitBlt(DC, 0, 0, Width, Height, src->Canvas()->Handle(), 0, 0, SRCCOPY);
      SetAlpha(255);
      HasAlpha = false;
    }
    return;
  }
  if (graphic) {
    AssignGraphic(graphic);
    return;
  }
  TPersistent::Assign(source);
}

void TspBitmap::AssignGraphic(const TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  SetSize(graphic->Width(), graphic->Height());
  TBitmap keyed(Width, Height, pf32bit);
  for (int y = 0; y < Height; ++y) {
    auto* row = static_cast<std::uint32_t*>(keyed.ScanLine(y));
    std::fill(row, row + Width, kMagenta);
  }
  keyed.Canvas()->StretchDraw(TRect{0, 0, Width, Height}, const_cast<TGraphic*>(graphic));
  for (int y = 0; y < Height; ++y) {
    const auto* row = static_cast<const std::uint32_t*>(keyed.ScanLine(y));
    std::uint32_t* out = ScanLine(y);
    for (int x = 0; x < Width; ++x)
      if ((row[x] & 0xFFFFFF) != kMagenta) out[x] = row[x];
  }
  SetAlpha(255);
}

void TspBitmap::AssignTo(TPersistent* dest) const {
  if (auto* clipboard = dynamic_cast<TClipboard*>(dest)) {
    TBitmap copy;
    AssignTo(&copy);
    clipboard->Assign(&copy);
    return;
  }
  TBitmap* target = dynamic_cast<TBitmap*>(dest);
  if (auto* pic = dynamic_cast<TPicture*>(dest)) target = pic->Bitmap();
  if (!target) {
    TPersistent::AssignTo(dest);
    return;
  }
  target->SetPixelFormat(pf32bit);
  target->SetSize(Width, Height);
  const_cast<TspBitmap*>(this)->DrawToCanvas(target->Canvas(), 0, 0);
}

void TspBitmap::Draw(HDC dc, int X, int Y) { StretchDraw(dc, TRect{X, Y, X + Width, Y + Height}, TRect{0, 0, Width, Height}); }

void TspBitmap::DrawRect(HDC dc, int X, int Y, const TRect& source) {
  StretchDraw(dc, TRect{X, Y, X + source.Width(), Y + source.Height()}, source);
}

void TspBitmap::DrawToCanvas(TCanvas* canvas, int X, int Y) {
  if (canvas) Draw(canvas->Handle(), X, Y);
}

void TspBitmap::StretchDraw(HDC dc, const TRect& dest, const TRect& source) {
  if (!Bits || !dc) return;
  if (TspBitmap* target = FindBitmapByDC(dc)) {
    POINT org{};
    GetWindowOrgEx(dc, &org);
    DrawTo(target, TRect{dest.Left - org.X, dest.Top - org.Y, dest.Right - org.X, dest.Bottom - org.Y}, source);
    return;
  }
  if (HasAlpha) {
    const int w = dest.Width(), h = dest.Height();
    if (w <= 0 || h <= 0) return;
    TspBitmap under;
    under.SetSize(w, h);
    BitBlt(under.DC, 0, 0, w, h, dc, dest.Left, dest.Top, SRCCOPY);
    DrawTo(&under, TRect{0, 0, w, h}, source);
    BitBlt(dc, dest.Left, dest.Top, w, h, under.DC, 0, 0, SRCCOPY);
    return;
  }
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), DC, source.Left, source.Top, source.Width(),
             source.Height(), SRCCOPY);
}

namespace {
// Source index of destination index i of a scaled axis.
int SampleIndex(int i, int d0, int dLen, int s0, int s1) {
  if (dLen < 2) return (s0 + s1 - 1) / 2;
  return int(std::trunc(double(i - d0) * double(s1 - s0 - 1) / double(dLen - 1) + s0));
}
}  // namespace

void TspBitmap::DrawTo(TspBitmap* target, const TRect& dest, const TRect& source) const {
  if (!Bits || !target || !target->Bits) return;
  if (source.Width() <= 0 || source.Height() <= 0) return;
  if (source.Left < 0 || source.Top < 0 || source.Right > Width || source.Bottom > Height) return;
  const TRect c{std::max(dest.Left, 0), std::max(dest.Top, 0), std::min(dest.Right, target->Width),
                std::min(dest.Bottom, target->Height)};
  if (c.Width() <= 0 || c.Height() <= 0) return;
  auto run = HasAlpha ? BlendLine : CopyLine;
  if (dest.Width() == source.Width() && dest.Height() == source.Height()) {
    const int sx = source.Left + c.Left - dest.Left, sy = source.Top + c.Top - dest.Top;
    for (int r = 0; r < c.Height(); ++r) run(ScanLine(sy + r) + sx, target->ScanLine(c.Top + r) + c.Left, c.Width());
    return;
  }
  std::vector<int> columns(std::size_t(c.Width()));
  for (int x = c.Left; x < c.Right; ++x)
    columns[std::size_t(x - c.Left)] = SampleIndex(x, dest.Left, dest.Width(), source.Left, source.Right);
  std::vector<std::uint32_t> sampled(columns.size());
  int lastRow = -1;
  for (int y = c.Top; y < c.Bottom; ++y) {
    const int sy = SampleIndex(y, dest.Top, dest.Height(), source.Top, source.Bottom);
    std::uint32_t* out = target->ScanLine(y) + c.Left;
    if (sy == lastRow && !HasAlpha && y > c.Top) {
      CopyLine(target->ScanLine(y - 1) + c.Left, out, c.Width());
      continue;
    }
    if (sy != lastRow) {
      const std::uint32_t* in = ScanLine(sy);
      for (std::size_t i = 0; i < columns.size(); ++i) sampled[i] = in[columns[i]];
      lastRow = sy;
    }
    run(sampled.data(), out, c.Width());
  }
}
