// Glyph and caption placement, text helpers and the default vector glyphs.
#include "skin/engine/SPUtils.h"

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/ImageList.h"

void CalcGlyphTextLayout(TspButtonLayout layout, TRect R, int GW, int GH, int TW, int TH, int S, int M, int& TX,
                         int& TY, int& GX, int& GY) {
  if (GW == 0) S = 0;
  const int cx = R.Left + R.Width() / 2;
  const int cy = R.Top + R.Height() / 2;
  if (M == -1) {
    const int HW = (TW + GW + S) / 2;
    const int HH = (TH + GH + S) / 2;
    switch (layout) {
      case blGlyphLeft:
        GX = cx - HW, GY = cy - GH / 2, TX = cx + HW - TW, TY = cy - TH / 2;
        break;
      case blGlyphRight:
        TX = cx - HW, TY = cy - TH / 2, GX = cx + HW - GW, GY = cy - GH / 2;
        break;
      case blGlyphTop:
        GX = cx - GW / 2, GY = cy - HH, TX = cx - TW / 2, TY = cy + HH - TH;
        break;
      case blGlyphBottom:
        GX = cx - GW / 2, GY = cy + HH - GH, TX = cx - TW / 2, TY = cy - HH;
        break;
    }
    return;
  }
  switch (layout) {
    case blGlyphLeft:
      GX = R.Left + M, GY = cy - GH / 2, TX = GX + GW + S, TY = cy - TH / 2;
      break;
    case blGlyphRight:
      GX = R.Right - GW - M, GY = cy - GH / 2, TX = GX - S - TW, TY = cy - TH / 2;
      break;
    case blGlyphTop:
      GX = cx - GW / 2, GY = R.Top + M, TX = cx - TW / 2, TY = GY + GH + S;
      break;
    case blGlyphBottom:
      GX = cx - GW / 2, GY = R.Bottom - GH - M, TX = cx - TW / 2, TY = GY - S - TH;
      break;
  }
}

namespace {

// Size of a word-wrapped caption in R, less the room the glyph takes.
void MeasureCaption(TCanvas* canvas, const std::string& caption, const TRect& R, TspButtonLayout layout, int GW,
                    int GH, int& TW, int& TH) {
  TW = TH = 0;
  if (caption.empty()) return;
  RECT r{0, 0, R.Width(), R.Height()};
  if (layout == blGlyphLeft || layout == blGlyphRight)
    r.Right -= GW;
  else
    r.Bottom -= GH;
  DrawText(canvas->Handle(), caption.c_str(), -1, &r, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
  TW = r.Right - r.Left;
  TH = r.Bottom - r.Top;
}

void DrawCaption(TCanvas* canvas, const std::string& caption, int TX, int TY, int TW, int TH) {
  if (caption.empty()) return;
  RECT r{TX, TY, TX + TW + 2, TY + TH};
  DrawText(canvas->Handle(), caption.c_str(), -1, &r, DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER);
}

void HLine(TCanvas* canvas, int x0, int x1, int y) {
  canvas->MoveTo(x0, y);
  canvas->LineTo(x1, y);
}

// Three lines under the glyph or the caption, or a block when there is
// neither.
void DrawColorBar(TCanvas* canvas, const TRect& R, bool hasGlyph, int GX, int GY, int barWidth, int GH,
                  bool hasCaption, int TX, int TY, int TW, int TH, bool down, TColor color) {
  canvas->Pen()->SetColor(color);
  if (hasGlyph) {
    for (int d = -2; d <= 0; ++d) HLine(canvas, GX, GX + barWidth, GY + GH + d);
  } else if (hasCaption) {
    const int bottom = TY + TH;
    for (int d = -1; d <= 1; ++d) HLine(canvas, TX, TX + TW + 2, bottom + d);
  } else {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(color);
    canvas->FillRect(down ? TRect{R.Left + 4, R.Top + 5, R.Right - 2, R.Bottom - 3}
                          : TRect{R.Left + 4, R.Top + 4, R.Right - 2, R.Bottom - 4});
  }
}

}  // namespace

void DrawImageAndText(TCanvas* canvas, TRect R, int margin, int spacing, TspButtonLayout layout,
                      const std::string& caption, int imageIndex, TImageList* images, bool down, bool enabled,
                      bool drawColorBar, TColor colorBarColor) {
  if (!canvas) return;
  const bool hasImage = images && imageIndex >= 0 && imageIndex < images->Count();
  const int GW = hasImage ? images->Width() : 0, GH = hasImage ? images->Height() : 0;
  int TW, TH;
  MeasureCaption(canvas, caption, R, layout, GW, GH, TW, TH);
  canvas->Brush()->SetStyle(bsClear);
  int TX, TY, GX, GY;
  CalcGlyphTextLayout(layout, R, GW, GH, TW, TH, spacing, margin, TX, TY, GX, GY);
  if (down) ++TX, ++TY, ++GX, ++GY;
  DrawCaption(canvas, caption, TX, TY, TW, TH);
  if (hasImage) images->Draw(canvas, GX, GY, imageIndex, enabled);
  if (drawColorBar)
    DrawColorBar(canvas, R, hasImage, GX, GY, GW, GH, !caption.empty(), TX, TY, TW, TH, down, colorBarColor);
}

void DrawGlyphAndText(TCanvas* canvas, TRect R, int margin, int spacing, TspButtonLayout layout,
                      const std::string& caption, TBitmap* glyph, TspNumGlyphs numGlyphs, int glyphNum, bool down,
                      bool drawColorBar, TColor colorBarColor) {
  if (!canvas) return;
  const bool hasGlyph = glyph && !glyph->Empty() && numGlyphs > 0;
  const int GW = hasGlyph ? glyph->Width() / numGlyphs : 0, GH = hasGlyph ? glyph->Height() : 0;
  int TW, TH;
  MeasureCaption(canvas, caption, R, layout, GW, GH, TW, TH);
  if (!caption.empty()) canvas->Brush()->SetStyle(bsClear);
  int TX, TY, GX, GY;
  CalcGlyphTextLayout(layout, R, GW, GH, TW, TH, spacing, margin, TX, TY, GX, GY);
  if (down) ++TX, ++TY, ++GX, ++GY;
  DrawCaption(canvas, caption, TX, TY, TW, TH);
  if (hasGlyph) DrawGlyph(canvas, GX, GY, glyph, numGlyphs, glyphNum);
  if (drawColorBar)
    DrawColorBar(canvas, R, hasGlyph, GX, GY, hasGlyph ? glyph->Width() : 0, GH, !caption.empty(), TX, TY, TW, TH,
                 down, colorBarColor);
}

void DrawGlyph(TCanvas* canvas, int X, int Y, TBitmap* glyph, TspNumGlyphs numGlyphs, int glyphNum) {
  if (!canvas || !glyph || glyph->Empty() || numGlyphs <= 0) return;
  const int w = glyph->Width() / numGlyphs, h = glyph->Height();
  if (w <= 0) return;
  TBitmap frame;
  frame.SetSize(w, h);
  BitBlt(frame.Canvas()->Handle(), 0, 0, w, h, glyph->Canvas()->Handle(), w * (glyphNum - 1), 0, SRCCOPY);
  frame.SetTransparent(true);
  canvas->Draw(X, Y, &frame);
}

int DrawWideText(TCanvas* canvas, const std::string& text, TRect& rect, UINT format) {
  if (!canvas) return 0;
  return DrawText(canvas->Handle(), text.c_str(), int(text.size()), &rect, format);
}

int GetWideTextWidth(TCanvas* canvas, const std::string& text) {
  TRect r{0, 0, 0, 0};
  DrawWideText(canvas, text, r, DT_CALCRECT);
  return r.Width();
}

int GetWideTextHeight(TCanvas* canvas, const std::string& text) {
  TRect r{0, 0, 0, 0};
  DrawWideText(canvas, text, r, DT_CALCRECT);
  return r.Height();
}

namespace {
// Drops the last UTF-8 character (a lead byte and its continuation bytes).
void DropLastCharacter(std::string& s) {
  std::size_t n = s.size();
  while (n > 0 && (static_cast<unsigned char>(s[n - 1]) & 0xC0) == 0x80) --n;
  s.resize(n > 0 ? n - 1 : 0);
}
}  // namespace

void TruncateTextToWidth(TCanvas* canvas, std::string& text, int maxWidth) {
  static const std::string kEllipsis = "...";
  if (GetWideTextWidth(canvas, text) <= maxWidth) return;
  while (!text.empty()) {
    DropLastCharacter(text);
    if (GetWideTextWidth(canvas, text + kEllipsis) <= maxWidth) break;
  }
  text += kEllipsis;
}

void DrawSingleLineText(TCanvas* canvas, const std::string& text, TRect rect) {
  if (!canvas || text.empty()) return;
  DrawText(canvas->Handle(), text.c_str(), int(text.size()), &rect, DT_SINGLELINE | DT_VCENTER);
}

namespace {

void Line(TCanvas* c, int x1, int y1, int x2, int y2) {
  c->MoveTo(x1, y1);
  c->LineTo(x2, y2);
}

void OutlineRect(TCanvas* c, int l, int t, int r, int b) {
  c->Brush()->SetStyle(bsClear);
  c->Rectangle(l, t, r, b);
}

int CentreX(const TRect& R) { return R.Left + R.Width() / 2; }
int CentreY(const TRect& R) { return R.Top + R.Height() / 2; }

}  // namespace

void DrawTrackArrow(TCanvas* canvas, TRect R, TColor color) {
  canvas->Pen()->SetColor(color);
  const int cx = CentreX(R), cy = CentreY(R);
  // Rows of 5, 3 and 1 pixels.
  for (int n = 2; n >= 0; --n) Line(canvas, cx - n, cy - n + 2, cx + n + 1, cy - n + 2);
}

void DrawArrowImage(TCanvas* canvas, TRect R, TColor color, int kind) {
  canvas->Pen()->SetColor(color);
  const int cx = CentreX(R), cy = CentreY(R);
  // Lines of 1, 3, 5 and 7 pixels from the tip.
  switch (kind) {
    case 1:
      for (int i = 0; i <= 3; ++i) Line(canvas, cx - 2 + i, cy - i, cx - 2 + i, cy + i + 1);
      break;
    case 2:
      for (int i = 3; i >= 0; --i) Line(canvas, cx + 2 - i, cy - i, cx + 2 - i, cy + i + 1);
      break;
    case 3:
      for (int i = 0; i <= 3; ++i) Line(canvas, cx - i, cy - 2 + i, cx + i + 1, cy - 2 + i);
      break;
    case 4:
      for (int i = 3; i >= 0; --i) Line(canvas, cx - i, cy + 2 - i, cx + i + 1, cy + 2 - i);
      break;
    default:
      break;
  }
}

void DrawCheckImage(TCanvas* canvas, int X, int Y, TColor color) {
  canvas->Pen()->SetColor(color);
  for (int i = 0; i <= 2; ++i) {
    const TPoint pts[] = {{X, Y + 5 - i}, {X + 2, Y + 7 - i}, {X + 7, Y + 2 - i}};
    canvas->Polyline(pts, 3);
  }
}

void DrawCloseImage(TCanvas* canvas, int X, int Y, TColor color) {
  canvas->Pen()->SetColor(color);
  Line(canvas, X + 1, Y + 1, X + 9, Y + 9);
  Line(canvas, X + 9, Y + 1, X + 1, Y + 9);
  Line(canvas, X + 2, Y + 1, X + 10, Y + 9);
  Line(canvas, X + 8, Y + 1, X, Y + 9);
}

void DrawSysMenuImage(TCanvas* canvas, int X, int Y, TColor color) {
  canvas->Pen()->SetColor(color);
  OutlineRect(canvas, X + 1, Y + 3, X + 9, Y + 6);
}

void DrawMinimizeImage(TCanvas* canvas, int X, int Y, TColor color) {
  canvas->Pen()->SetColor(color);
  Line(canvas, X + 1, Y + 8, X + 9, Y + 8);
  Line(canvas, X + 1, Y + 9, X + 9, Y + 9);
}

void DrawMaximizeImage(TCanvas* canvas, int X, int Y, TColor color) {
  canvas->Pen()->SetColor(color);
  OutlineRect(canvas, X, Y, X + 11, Y + 10);
  OutlineRect(canvas, X, Y, X + 11, Y + 2);
}

void DrawRestoreImage(TCanvas* canvas, int X, int Y, TColor color) {
  canvas->Pen()->SetColor(color);
  OutlineRect(canvas, X + 2, Y, X + 10, Y + 6);
  OutlineRect(canvas, X + 2, Y, X + 10, Y + 2);
  OutlineRect(canvas, X, Y + 4, X + 7, Y + 10);
  OutlineRect(canvas, X, Y + 4, X + 7, Y + 6);
}

void DrawRollDownImage(TCanvas* canvas, int X, int Y, TColor color) {
  canvas->Pen()->SetColor(color);
  for (int i = 0; i <= 4; ++i) Line(canvas, X + 5 - i, Y + 6 - i, X + 5 + i, Y + 6 - i);
}

void DrawRollUpImage(TCanvas* canvas, int X, int Y, TColor color) {
  canvas->Pen()->SetColor(color);
  for (int i = 0; i <= 4; ++i) Line(canvas, X + 5 - i, Y + 2 + i, X + 5 + i, Y + 2 + i);
}

void DrawMinimizeToTrayImage(TCanvas* canvas, int X, int Y, TColor color) {
  canvas->Pen()->SetColor(color);
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(color);
  canvas->Rectangle(X + 2, Y + 2, X + 7, Y + 7);
}
