// Mask strips, window regions from mask pictures, and the background behind
// a transparent control.
#include "skin/engine/SPUtils.h"
#include "skin/engine/SPUtils_Internal.h"

#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/windows/Window.h"

using namespace sputils;

TFBitmap::TFBitmap(HBITMAP source) {
  BITMAP bm{};
  if (!source || !GetObject(reinterpret_cast<HGDIOBJ>(source), sizeof bm, &bm) || bm.bmWidth <= 0 ||
      bm.bmHeight <= 0)
    return;
  Width = bm.bmWidth;
  Height = bm.bmHeight;
  Gap = Width % 4;
  RowInc = Width * 3 + Gap;
  Size = std::size_t(RowInc) * std::size_t(Height);
  BitmapInfo.bmiHeader.biSize = 40;
  BitmapInfo.bmiHeader.biWidth = Width;
  BitmapInfo.bmiHeader.biHeight = -Height;
  BitmapInfo.bmiHeader.biPlanes = 1;
  BitmapInfo.bmiHeader.biBitCount = 24;
  BitmapInfo.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Handle = CreateDIBSection(nullptr, &BitmapInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!Handle || !bits) {
    if (Handle) DeleteObject(reinterpret_cast<HGDIOBJ>(Handle));
    Handle = nullptr;
    Width = Height = 0;
    Size = 0;
    return;
  }
  Bits = static_cast<Byte*>(bits);
  HDC screen = CreateCompatibleDC(nullptr);
  BITMAPINFO query = BitmapInfo;
  GetDIBits(screen, source, 0, UINT(Height), Bits, &query, DIB_RGB_COLORS);
  DeleteDC(screen);
  Pixels.resize(std::size_t(Height));
  for (int r = 0; r < Height; ++r) Pixels[std::size_t(r)] = Bits + std::size_t(r) * std::size_t(RowInc);
  DC = CreateCompatibleDC(nullptr);
  if (DC) SelectObject(DC, reinterpret_cast<HGDIOBJ>(Handle));
}

TFBitmap::~TFBitmap() {
  if (DC) DeleteDC(DC);
  if (Handle) DeleteObject(reinterpret_cast<HGDIOBJ>(Handle));
}

namespace {

// Every pixel of b becomes white: outside, until a mask piece lands there.
void FillOutside(TBitmap* b) {
  HDC dc = PrepareTarget(b);
  PatBlt(dc, 0, 0, b->Width(), b->Height(), WHITENESS);
}

// A mask strip cut from rows [b0, b1) of columns [c0, c1), tiled over the
// strip's height, with the fixed rows above and below the band.
void MaskSide(TBitmap* strip, int width, int height, HDC src, int c0, int c1, int b0, int b1, const TRect& CR) {
  strip->SetSize(width, height);
  FillOutside(strip);
  HDC dst = PrepareTarget(strip);
  if (b1 != b0) TileY(dst, 0, height, 0, width, src, b0, b1 - b0, c0, c1);
  if (b0 > CR.Top) CopyPiece(dst, TRect{0, 0, width, b0 - CR.Top}, src, TRect{c0, CR.Top, c1, b0});
  if (CR.Bottom > b1)
    CopyPiece(dst, TRect{0, height - (CR.Bottom - b1), width, height}, src, TRect{c0, b1, c1, CR.Bottom});
}

// A mask strip of rows [r0, r1): the band [x0, x1) tiled from nx0 to nx1,
// then the fixed ends.
void MaskEnd(TBitmap* strip, int W, HDC src, int maskW, int r0, int r1, int x0, int x1, int nx0, int nx1) {
  const int h = r1 - r0;
  strip->SetSize(W, h);
  FillOutside(strip);
  HDC dst = PrepareTarget(strip);
  if (x1 != x0) TileX(dst, nx0, nx1, 0, h, src, x0, x1 - x0, r0, r1);
  CopyPiece(dst, TRect{0, 0, x0, h}, src, TRect{0, r0, x0, r1});
  CopyPiece(dst, TRect{nx1, 0, W, h}, src, TRect{x1, r0, maskW, r1});
}

}  // namespace

void CreateSkinMask(TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT, TPoint NLB,
                    TPoint NRB, TRect NCR, TBitmap* FMask, TBitmap* TopMask, TBitmap* LeftMask, TBitmap* RightMask,
                    TBitmap* BottomMask, int W) {
  if (!FMask || FMask->Empty() || !TopMask || !LeftMask || !RightMask || !BottomMask) return;
  const int maskW = FMask->Width(), maskH = FMask->Height();
  const int nch = NCR.Height();
  HDC src = FMask->Canvas()->Handle();
  if (CR.Left > 0 && nch > 0) MaskSide(LeftMask, CR.Left, nch, src, 0, CR.Left, LT.Y, LB.Y, CR);
  if (maskW - CR.Right > 0 && nch > 0) MaskSide(RightMask, maskW - CR.Right, nch, src, CR.Right, maskW, RT.Y, RB.Y, CR);
  if (W > 0 && CR.Top > 0) MaskEnd(TopMask, W, src, maskW, 0, CR.Top, LT.X, RT.X, NLT.X, NRT.X);
  if (W > 0 && maskH - CR.Bottom > 0) MaskEnd(BottomMask, W, src, maskW, CR.Bottom, maskH, LB.X, RB.X, NLB.X, NRB.X);
}

std::size_t CreateRgnDataFromBitmap(TBitmap* mask, int X, int Y, std::vector<std::uint8_t>& data) {
  data.clear();
  if (!mask || mask->Empty()) return 0;
  TFBitmap fb(mask->Handle());
  if (!fb.Bits) return 0;
  std::vector<RECT> rects;
  for (int row = 0; row < fb.Height; ++row) {
    const Byte* p = fb.Pixels[std::size_t(row)];
    int x = 0;
    while (x < fb.Width) {
      while (x < fb.Width && (p[x * 3] | p[x * 3 + 1] | p[x * 3 + 2]) != 0) ++x;
      const int a = x;
      while (x < fb.Width && (p[x * 3] | p[x * 3 + 1] | p[x * 3 + 2]) == 0) ++x;
      if (x > a) rects.push_back(RECT{X + a, Y + row, X + x, Y + row + 1});
    }
  }
  RGNDATAHEADER header;
  header.dwSize = sizeof(RGNDATAHEADER);
  header.iType = RDH_RECTANGLES;
  header.nCount = DWORD(rects.size());
  header.nRgnSize = 0;
  header.rcBound = RECT{X, Y, X + fb.Width, Y + fb.Height};
  data.assign(sizeof header + rects.size() * sizeof(RECT), 0);
  std::memcpy(data.data(), &header, sizeof header);
  if (!rects.empty()) std::memcpy(data.data() + sizeof header, rects.data(), rects.size() * sizeof(RECT));
  return data.size();
}

void CreateRegionFromBitmap(HRGN& region, TBitmap* mask) {
  region = nullptr;
  std::vector<std::uint8_t> data;
  if (!CreateRgnDataFromBitmap(mask, 0, 0, data)) return;
  if (reinterpret_cast<const RGNDATAHEADER*>(data.data())->nCount == 0) return;
  region = ExtCreateRegion(nullptr, DWORD(data.size()), reinterpret_cast<const RGNDATA*>(data.data()));
}

void CreateSkinRegion(HRGN& region, TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT,
                      TPoint NLB, TPoint NRB, TRect NCR, TBitmap* FMask, int W, int H) {
  region = nullptr;
  if (NRT.X < NLT.X || NLB.Y < NLT.Y) return;
  TBitmap top, left, right, bottom;
  CreateSkinMask(LT, RT, LB, RB, CR, NLT, NRT, NLB, NRB, NCR, FMask, &top, &left, &right, &bottom, W);
  std::vector<HRGN> parts;
  auto add = [&parts](TBitmap& strip, int x, int y) {
    if (strip.Empty()) return;
    HRGN r = nullptr;
    CreateRegionFromBitmap(r, &strip);
    if (!r) return;
    OffsetRgn(r, x, y);
    parts.push_back(r);
  };
  add(top, 0, 0);
  add(bottom, 0, NCR.Bottom);
  add(left, 0, NCR.Top);
  add(right, NCR.Right, NCR.Top);
  if (NCR.Width() > 0 && NCR.Height() > 0) parts.push_back(CreateRectRgn(NCR.Left, NCR.Top, NCR.Right, NCR.Bottom));
  if (parts.empty()) return;
  region = parts.front();
  for (std::size_t i = 1; i < parts.size(); ++i) {
    CombineRgn(region, region, parts[i], RGN_OR);
    DeleteObject(reinterpret_cast<HGDIOBJ>(parts[i]));
  }
}

namespace {

// Reaches a windowed control's own painting, which only its class and
// descendants may call.
struct TPaintWindowAccess : TWinControl {
  static void Paint(TWinControl* c, HDC dc) { (c->*(&TPaintWindowAccess::PaintWindow))(dc); }
};

bool Intersect(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

}  // namespace

void PaintParentImage(TControl* control, TCanvas* canvas) {
  if (!control || !canvas || !control->Parent()) return;
  TWinControl* parent = control->Parent();
  HDC dc = canvas->Handle();
  struct ClearPaintCopy {
    TControl* c;
    ~ClearPaintCopy() { c->ControlState &= ~csPaintCopy; }
  } guard{parent};
  parent->ControlState |= csPaintCopy;

  const int saved = SaveDC(dc);
  SetViewportOrgEx(dc, -control->Left(), -control->Top(), nullptr);
  IntersectClipRect(dc, 0, 0, parent->ClientWidth(), parent->ClientHeight());
  auto* form = dynamic_cast<TForm*>(parent);
  if (form && form->FormStyle() == fsMDIForm) {
    if (form->ClientHandle()) SendMessage(form->ClientHandle(), WM_ERASEBKGND, WPARAM(dc), 0);
  } else {
    parent->Perform(WM_ERASEBKGND, WPARAM(dc), 0);
    if (!form) TPaintWindowAccess::Paint(parent, dc);
  }
  RestoreDC(dc, saved);

  const TRect bounds = control->BoundsRect();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* child = parent->Controls(i);
    if (child == control) break;
    if (!child || dynamic_cast<TWinControl*>(child) || !child->Visible() || !Intersect(child->BoundsRect(), bounds))
      continue;
    // A child's paint may raise: its copy flag and the DC state must not outlive it.
    ClearPaintCopy childGuard{child};
    child->ControlState |= csPaintCopy;
    const int level = SaveDC(dc);
    struct Restore {
      HDC dc;
      int level;
      ~Restore() { RestoreDC(dc, level); }
    } restore{dc, level};
    SetViewportOrgEx(dc, child->Left() - control->Left(), child->Top() - control->Top(), nullptr);
    IntersectClipRect(dc, 0, 0, child->Width(), child->Height());
    child->Perform(WM_PAINT, WPARAM(dc), 0);
  }
}
