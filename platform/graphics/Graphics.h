// Drawing tools of the canvas: TPen, TBrush and TFont. Each keeps its
// settings, makes its GDI handle on first use (and again after a change) and
// fires OnChange when a setting changes.
#pragma once
#include <cstdint>
#include <string>

#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

class TBitmap;

class TGraphicsObject : public TPersistent {
 public:
  std::string ClassName() const override { return "TGraphicsObject"; }
  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// In ROP2 order as the canvas maps them: pmCopy is R2_COPYPEN, pmNot R2_NOT...
enum TPenMode {
  pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
  pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
// The SetROP2 code of a pen mode.
int PenModeToRop2(TPenMode mode);

class TPen : public TGraphicsObject {
 public:
  TPen() = default;
  ~TPen() override;
  std::string ClassName() const override { return "TPen"; }

  TColor Color() const { return color_; }
  void SetColor(TColor c);
  int Width() const { return width_; }
  void SetWidth(int w);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle s);
  // The mode is a DC setting, not part of the GDI pen; the canvas applies it.
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode m);
  // Owned by the pen; valid until the next change or the pen's end.
  HPEN Handle();
  void Assign(const TPersistent* source) override;

 private:
  void Free();
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  HPEN handle_ = nullptr;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
 public:
  TBrush() = default;
  ~TBrush() override;
  std::string ClassName() const override { return "TBrush"; }

  TColor Color() const { return color_; }
  // Setting a colour on a clear brush makes it solid, as the framework does.
  void SetColor(TColor c);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle s);
  // A pattern bitmap (8 x 8 is tiled from the brush origin); not owned: the
  // caller keeps it alive while the brush uses it. nullptr goes back to Style.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* b);
  HBRUSH Handle();
  void Assign(const TPersistent* source) override;

 private:
  void Free();
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
  HBRUSH handle_ = nullptr;
};

using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1u << 0;
constexpr TFontStyles fsItalic = 1u << 1;
constexpr TFontStyles fsUnderline = 1u << 2;
constexpr TFontStyles fsStrikeOut = 1u << 3;

enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType };

using TFontCharset = Byte;

class TFont : public TGraphicsObject {
 public:
  // Sizes in points convert to pixel heights at this resolution.
  static constexpr int PixelsPerInch = 96;

  TFont() = default;
  ~TFont() override;
  std::string ClassName() const override { return "TFont"; }

  const std::string& Name() const { return name_; }
  void SetName(const std::string& n);
  // Negative: character height in pixels; positive: cell height.
  int Height() const { return height_; }
  void SetHeight(int h);
  // Points: -Height * 72 / PixelsPerInch, rounded.
  int Size() const;
  void SetSize(int points);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles s);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset c);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch p);
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality q);
  // Tenths of a degree, counter-clockwise.
  int Orientation() const { return orientation_; }
  void SetOrientation(int o);

  // The font's LOGFONT, as Handle creates it.
  LOGFONT LogFont() const;
  HFONT Handle();
  // Takes the settings of an existing font; the handle stays the caller's.
  void SetHandle(HFONT font);
  void Assign(const TPersistent* source) override;

 private:
  void Free();
  std::string name_ = "Tahoma";
  int height_ = -11;  // 8 points at 96 dpi
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
  TFontCharset charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  TFontQuality quality_ = fqDefault;
  int orientation_ = 0;
  HFONT handle_ = nullptr;
};
