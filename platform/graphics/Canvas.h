// TCanvas: drawing on a device context with a pen, a brush and a font.
// The tools are selected into the DC lazily, just before the call that needs
// them, so changing Pen.Color ten times costs one SelectObject.
// Coordinates follow GDI: rectangles exclude their right and bottom edges,
// LineTo and Polyline leave out the last point.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TGraphic;
class TBitmap;

using TCopyMode = DWORD;  // a ternary raster operation: SRCCOPY, SRCINVERT...
enum TFillStyle { fsSurface, fsBorder };

class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;
  std::string ClassName() const override { return "TCanvas"; }

  TPen* Pen() { return pen_.get(); }
  TBrush* Brush() { return brush_.get(); }
  TFont* Font() { return font_.get(); }
  // Raster operation of Draw, StretchDraw and CopyRect.
  TCopyMode CopyMode = SRCCOPY;

  // The DC with the canvas's pen, brush and font selected; a canvas that
  // makes its own DC (a bitmap's) makes it here.
  HDC Handle();
  // Uses an outside DC (not owned); nullptr detaches.
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return dc_ != nullptr; }

  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor c);

  TPoint PenPos();
  void SetPenPos(TPoint p) { MoveTo(p.X, p.Y); }
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const TPoint* points, int count);
  void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), int(points.size())); }
  void Polygon(const TPoint* points, int count);
  void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), int(points.size())); }
  void Rectangle(int l, int t, int r, int b);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int l, int t, int r, int b, int w, int h);
  void Ellipse(int l, int t, int r, int b);
  void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
  void Arc(int l, int t, int r, int b, int xs, int ys, int xe, int ye);
  void Pie(int l, int t, int r, int b, int xs, int ys, int xe, int ye);
  void Chord(int l, int t, int r, int b, int xs, int ys, int xe, int ye);
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);  // one pixel wide, in the brush
  void DrawFocusRect(const TRect& r);
  void FloodFill(int x, int y, TColor c, TFillStyle style);

  // Text is UTF-8. TextOut moves the pen position to the end of the text.
  // The background is painted unless the brush is clear.
  void TextOut(int x, int y, const std::string& text);
  // Clipped to rect (and filled with the brush unless it is clear).
  void TextRect(const TRect& rect, int x, int y, const std::string& text);
  TSize TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }

  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& rect, TGraphic* graphic);
  // StretchBlt from source with CopyMode; stretches when the sizes differ.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& src);
  // Copies src of bitmap to dest, with pixels of colour replaced by the brush.
  void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& src, TColor colour);

  // The clip box in logical coordinates.
  TRect ClipRect();
  // Deselects the tools; they are selected again on the next drawing call.
  void Refresh();

  // For drawing from several threads: each Lock pairs with an Unlock.
  void Lock();
  void Unlock();
  bool TryLock();
  int LockCount() const { return lockCount_; }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  // Called when a drawing call needs a DC and none is set.
  virtual void CreateHandle() {}
  // Drops the DC; used by owners that make their own.
  void DeselectAndForget();
  void Changing();
  void Changed();

 private:
  enum : unsigned { NeedPen = 1, NeedBrush = 2, NeedFont = 4 };
  HDC Require(unsigned tools);
  HDC BareHandle();  // the DC, made if needed, tools as they are
  void Restore();

  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  std::unique_ptr<TFont> font_;
  HDC dc_ = nullptr;
  unsigned valid_ = 0;  // tools currently selected
  HGDIOBJ oldPen_ = nullptr, oldBrush_ = nullptr, oldFont_ = nullptr;
  std::recursive_mutex lock_;
  int lockCount_ = 0;
};
