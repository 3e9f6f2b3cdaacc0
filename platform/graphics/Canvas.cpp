#include "platform/graphics/Canvas.h"

#include "platform/gdi/DeviceContext.h"  // complete handle types: HPEN converts to HGDIOBJ
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphic.h"
#include "platform/rtl/Exceptions.h"

namespace {
COLORREF Rgb(TColor c) { return COLORREF(ColorToRGB(c)) & 0xFFFFFF; }
}  // namespace

TCanvas::TCanvas() : pen_(new TPen), brush_(new TBrush), font_(new TFont) {
  pen_->OnChange = [this](TObject*) { valid_ &= ~unsigned(NeedPen); };
  brush_->OnChange = [this](TObject*) { valid_ &= ~unsigned(NeedBrush); };
  font_->OnChange = [this](TObject*) { valid_ &= ~unsigned(NeedFont); };
}

TCanvas::~TCanvas() { Restore(); }

// Puts the DC's original objects back so our handles can be freed.
void TCanvas::Restore() {
  if (dc_) {
    if (oldPen_) SelectObject(dc_, oldPen_);
    if (oldBrush_) SelectObject(dc_, oldBrush_);
    if (oldFont_) SelectObject(dc_, oldFont_);
  }
  oldPen_ = oldBrush_ = oldFont_ = nullptr;
  valid_ = 0;
}

void TCanvas::DeselectAndForget() {
  Restore();
  dc_ = nullptr;
}

// Outside callers draw on the DC themselves (DrawText, blits), so it comes
// with the canvas's pen, brush and font already selected.
HDC TCanvas::Handle() { return Require(NeedPen | NeedBrush | NeedFont); }

HDC TCanvas::BareHandle() {
  if (!dc_) CreateHandle();
  if (!dc_) throw EInvalidOperation("Canvas does not allow drawing");
  return dc_;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  Restore();
  dc_ = dc;
}

HDC TCanvas::Require(unsigned tools) {
  HDC dc = BareHandle();
  unsigned missing = tools & ~valid_;
  if (missing & NeedPen) {
    HGDIOBJ old = SelectObject(dc, pen_->Handle());
    if (!oldPen_) oldPen_ = old;
    SetROP2(dc, PenModeToRop2(pen_->Mode()));
  }
  if (missing & NeedBrush) {
    HGDIOBJ old = SelectObject(dc, brush_->Handle());
    if (!oldBrush_) oldBrush_ = old;
    // Hatch gaps and text backgrounds take the brush colour; anything but a
    // solid brush leaves the background alone.
    SetBkColor(dc, Rgb(brush_->Color()));
    SetBkMode(dc, brush_->Style() == bsSolid ? OPAQUE : TRANSPARENT);
  }
  if (missing & NeedFont) {
    HGDIOBJ old = SelectObject(dc, font_->Handle());
    if (!oldFont_) oldFont_ = old;
    SetTextColor(dc, Rgb(font_->Color()));
  }
  valid_ |= tools;
  return dc;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}
void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TColor TCanvas::Pixels(int x, int y) {
  COLORREF c = GetPixel(Handle(), x, y);
  return c == CLR_INVALID ? clNone : TColor(c);
}

void TCanvas::SetPixels(int x, int y, TColor c) {
  Changing();
  SetPixelV(Handle(), x, y, Rgb(c));
  Changed();
}

TPoint TCanvas::PenPos() {
  POINT p{};
  GetCurrentPositionEx(Handle(), &p);
  return p;
}

void TCanvas::MoveTo(int x, int y) { MoveToEx(Handle(), x, y, nullptr); }

void TCanvas::LineTo(int x, int y) {
  Changing();
  ::LineTo(Require(NeedPen | NeedBrush), x, y);
  Changed();
}

void TCanvas::Polyline(const TPoint* points, int count) {
  Changing();
  ::Polyline(Require(NeedPen | NeedBrush), points, count);
  Changed();
}

void TCanvas::Polygon(const TPoint* points, int count) {
  Changing();
  ::Polygon(Require(NeedPen | NeedBrush), points, count);
  Changed();
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
  Changing();
  ::Rectangle(Require(NeedPen | NeedBrush), l, t, r, b);
  Changed();
}

void TCanvas::RoundRect(int l, int t, int r, int b, int w, int h) {
  Changing();
  ::RoundRect(Require(NeedPen | NeedBrush), l, t, r, b, w, h);
  Changed();
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
  Changing();
  ::Ellipse(Require(NeedPen | NeedBrush), l, t, r, b);
  Changed();
}

void TCanvas::Arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  Changing();
  ::Arc(Require(NeedPen | NeedBrush), l, t, r, b, xs, ys, xe, ye);
  Changed();
}

void TCanvas::Pie(int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  Changing();
  ::Pie(Require(NeedPen | NeedBrush), l, t, r, b, xs, ys, xe, ye);
  Changed();
}

void TCanvas::Chord(int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  Changing();
  ::Chord(Require(NeedPen | NeedBrush), l, t, r, b, xs, ys, xe, ye);
  Changed();
}

void TCanvas::FillRect(const TRect& r) {
  Changing();
  ::FillRect(Require(NeedBrush), &r, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& r) {
  Changing();
  ::FrameRect(Require(NeedBrush), &r, brush_->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& r) {
  Changing();
  ::DrawFocusRect(Require(NeedBrush), &r);
  Changed();
}

void TCanvas::FloodFill(int x, int y, TColor c, TFillStyle style) {
  Changing();
  ExtFloodFill(Require(NeedBrush), x, y, Rgb(c), style == fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER);
  Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  Changing();
  HDC dc = Require(NeedFont | NeedBrush);
  ::TextOut(dc, x, y, text.data(), int(text.size()));
  SIZE sz{};
  GetTextExtentPoint32(dc, text.data(), int(text.size()), &sz);
  MoveToEx(dc, x + sz.cx, y, nullptr);
  Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
  Changing();
  HDC dc = Require(NeedFont | NeedBrush);
  UINT options = ETO_CLIPPED | (brush_->Style() != bsClear ? ETO_OPAQUE : 0);
  ExtTextOut(dc, x, y, options, &rect, text.data(), UINT(text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const std::string& text) {
  SIZE sz{};
  GetTextExtentPoint32(Require(NeedFont), text.data(), int(text.size()), &sz);
  return sz;
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  StretchDraw(Bounds(x, y, graphic->Width(), graphic->Height()), graphic);
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  Changing();
  Require(NeedBrush);
  graphic->Draw(*this, rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src) {
  if (!source) return;
  Changing();
  HDC dc = Require(NeedBrush);
  StretchBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), source->Handle(), src.Left, src.Top, src.Width(),
             src.Height(), CopyMode);
  Changed();
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& src, TColor colour) {
  if (!bitmap || bitmap->Empty()) return;
  Changing();
  HDC dc = Require(NeedBrush);
  // The brush shows through wherever the key colour was.
  ::FillRect(dc, &dest, brush_->Handle());
  TransparentBlt(dc, dest.Left, dest.Top, dest.Width(), dest.Height(), bitmap->Canvas()->Handle(), src.Left, src.Top,
                 src.Width(), src.Height(), UINT(Rgb(colour)));
  Changed();
}

TRect TCanvas::ClipRect() {
  RECT r{};
  GetClipBox(Handle(), &r);
  return r;
}

void TCanvas::Refresh() { Restore(); }

void TCanvas::Lock() {
  lock_.lock();
  ++lockCount_;
}

void TCanvas::Unlock() {
  --lockCount_;
  lock_.unlock();
}

bool TCanvas::TryLock() {
  if (!lock_.try_lock()) return false;
  ++lockCount_;
  return true;
}
