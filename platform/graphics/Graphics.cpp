#include "platform/graphics/Graphics.h"

#include <cstring>

#include "platform/gdi/DeviceContext.h"  // complete handle types: HPEN converts to HGDIOBJ
#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

int PenModeToRop2(TPenMode mode) {
  static const int rop2[] = {R2_BLACK,      R2_WHITE,      R2_NOP,         R2_NOT,       R2_COPYPEN,  R2_NOTCOPYPEN,
                             R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
                             R2_MASKPEN,    R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  return rop2[int(mode)];
}

// ---- TPen ---------------------------------------------------------------------

TPen::~TPen() { Free(); }

void TPen::Free() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TPen::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Free();
  Changed();
}
void TPen::SetWidth(int w) {
  if (w < 0) w = 0;  // GDI draws width 0 as one pixel
  if (w == width_) return;
  width_ = w;
  Free();
  Changed();
}
void TPen::SetStyle(TPenStyle s) {
  if (s == style_) return;
  style_ = s;
  Free();
  Changed();
}
void TPen::SetMode(TPenMode m) {
  if (m == mode_) return;
  mode_ = m;
  Changed();
}

HPEN TPen::Handle() {
  if (!handle_) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    handle_ = CreatePen(styles[int(style_)], width_, COLORREF(ColorToRGB(color_)) & 0xFFFFFF);
  }
  return handle_;
}

void TPen::Assign(const TPersistent* source) {
  if (auto* p = dynamic_cast<const TPen*>(source)) {
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    Free();
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

// ---- TBrush -------------------------------------------------------------------

TBrush::~TBrush() { Free(); }

void TBrush::Free() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

void TBrush::SetColor(TColor c) {
  if (c == color_ && style_ != bsClear) return;
  color_ = c;
  if (style_ == bsClear) style_ = bsSolid;
  Free();
  Changed();
}
void TBrush::SetStyle(TBrushStyle s) {
  if (s == style_ && !bitmap_) return;
  style_ = s;
  bitmap_ = nullptr;
  Free();
  Changed();
}
void TBrush::SetBitmap(TBitmap* b) {
  bitmap_ = b;
  Free();
  Changed();
}

HBRUSH TBrush::Handle() {
  if (!handle_) {
    COLORREF c = COLORREF(ColorToRGB(color_)) & 0xFFFFFF;
    if (bitmap_ && !bitmap_->Empty()) {
      handle_ = CreatePatternBrush(bitmap_->Handle());
    } else {
      switch (style_) {
        case bsSolid: handle_ = CreateSolidBrush(c); break;
        case bsClear: {
          LOGBRUSH lb;
          lb.lbStyle = BS_NULL;
          handle_ = CreateBrushIndirect(&lb);
          break;
        }
        default: handle_ = CreateHatchBrush(int(style_) - int(bsHorizontal) + HS_HORIZONTAL, c); break;
      }
    }
  }
  return handle_;
}

void TBrush::Assign(const TPersistent* source) {
  if (auto* b = dynamic_cast<const TBrush*>(source)) {
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
    Free();
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}

// ---- TFont --------------------------------------------------------------------

TFont::~TFont() { Free(); }

void TFont::Free() {
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

#define LUMIQA_FONT_SETTER(Setter, field, Type) \
  void TFont::Setter(Type v) {                  \
    if (v == field) return;                     \
    field = v;                                  \
    Free();                                     \
    Changed();                                  \
  }
LUMIQA_FONT_SETTER(SetHeight, height_, int)
LUMIQA_FONT_SETTER(SetStyle, style_, TFontStyles)
LUMIQA_FONT_SETTER(SetCharset, charset_, TFontCharset)
LUMIQA_FONT_SETTER(SetPitch, pitch_, TFontPitch)
LUMIQA_FONT_SETTER(SetQuality, quality_, TFontQuality)
LUMIQA_FONT_SETTER(SetOrientation, orientation_, int)
#undef LUMIQA_FONT_SETTER

void TFont::SetName(const std::string& n) {
  if (n.empty() || n == name_) return;
  name_ = n;
  Free();
  Changed();
}

// The colour is not part of the GDI font, so the handle survives it.
void TFont::SetColor(TColor c) {
  if (c == color_) return;
  color_ = c;
  Changed();
}

int TFont::Size() const {
  // Round half away from zero, as the framework's MulDiv does.
  long long num = -static_cast<long long>(height_) * 72;
  long long q = (num >= 0 ? num + PixelsPerInch / 2 : num - PixelsPerInch / 2) / PixelsPerInch;
  return int(q);
}

void TFont::SetSize(int points) {
  long long num = -static_cast<long long>(points) * PixelsPerInch;
  SetHeight(int((num >= 0 ? num + 36 : num - 36) / 72));
}

LOGFONT TFont::LogFont() const {
  LOGFONT lf;
  lf.lfHeight = height_;
  lf.lfEscapement = orientation_;
  lf.lfOrientation = orientation_;
  lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
  lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = charset_;
  lf.lfQuality = Byte(quality_);
  lf.lfPitchAndFamily = pitch_ == fpFixed ? FIXED_PITCH : pitch_ == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
  std::strncpy(lf.lfFaceName, name_.c_str(), sizeof lf.lfFaceName - 1);
  return lf;
}

HFONT TFont::Handle() {
  if (!handle_) {
    LOGFONT lf = LogFont();
    handle_ = CreateFontIndirect(&lf);
  }
  return handle_;
}

void TFont::SetHandle(HFONT font) {
  LOGFONT lf;
  if (!font || GetObject(font, int(sizeof lf), &lf) != int(sizeof lf)) return;
  name_ = lf.lfFaceName;
  height_ = lf.lfHeight;
  style_ = (lf.lfWeight >= FW_BOLD ? fsBold : 0) | (lf.lfItalic ? fsItalic : 0) |
           (lf.lfUnderline ? fsUnderline : 0) | (lf.lfStrikeOut ? fsStrikeOut : 0);
  charset_ = lf.lfCharSet;
  pitch_ = (lf.lfPitchAndFamily & 3) == FIXED_PITCH ? fpFixed
           : (lf.lfPitchAndFamily & 3) == VARIABLE_PITCH ? fpVariable
                                                          : fpDefault;
  quality_ = lf.lfQuality <= CLEARTYPE_QUALITY ? TFontQuality(lf.lfQuality) : fqDefault;
  orientation_ = lf.lfEscapement;
  Free();
  Changed();
}

void TFont::Assign(const TPersistent* source) {
  if (auto* f = dynamic_cast<const TFont*>(source)) {
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    charset_ = f->charset_;
    pitch_ = f->pitch_;
    quality_ = f->quality_;
    orientation_ = f->orientation_;
    Free();
    Changed();
    return;
  }
  TGraphicsObject::Assign(source);
}
