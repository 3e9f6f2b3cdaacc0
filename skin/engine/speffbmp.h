// Pixel effects of the skinning library:
//  - TspEffectBmp, a 24-bit working copy of a bitmap: the morph transitions
//    between two state images and the effects that turn an active frame
//    into its inactive look;
//  - TspBitmap, a 32-bit bitmap with straight (not premultiplied) alpha:
//    blending, stack blur, alpha from a mask, and glowing or mirrored text.
// Rounding is to the nearest integer with halves to even; every channel is
// clamped to 0..255. Operations on a bitmap without pixels do nothing.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"
#include "skin/engine/SkinDataIni.h"

class TCanvas;
class TGraphic;

// ---- Effect bitmap -------------------------------------------------------------

class TspEffectBmp : public TObject {
 public:
  // A copy of the bitmap's pixels, independent of it. A bitmap that cannot
  // be read gives an object without pixels.
  explicit TspEffectBmp(HBITMAP source);
  static std::unique_ptr<TspEffectBmp> CreateFromHBmp(HBITMAP source) {
    return std::make_unique<TspEffectBmp>(source);
  }
  ~TspEffectBmp() override;
  TspEffectBmp(const TspEffectBmp&) = delete;
  TspEffectBmp& operator=(const TspEffectBmp&) = delete;
  std::string ClassName() const override { return "TspEffectBmp"; }

  Byte* Bits = nullptr;  // top row first, blue, green, red
  int Width = 0, Height = 0;
  int Size = 0;  // stride x Height
  HBITMAP Handle = nullptr;
  BITMAPINFO Info{};

  int Stride() const { return Width * 3 + Width % 4; }
  void Draw(HDC dc, int X, int Y);
  void GetRow(int row, Byte* buffer) const;
  void SetRow(int row, const Byte* buffer);
  Byte* RowStart(int row) const;

  // Morphs toward other (same size, else nothing) by Kf from 0 (this
  // image) to 1 (other).
  void Morph(const TspEffectBmp* other, double Kf);
  void MorphRect(const TspEffectBmp* other, const TRect& rect, double Kf, int otherLeft, int otherTop);
  void MorphGrad(const TspEffectBmp* other, double Kf);
  void MorphHGrad(const TspEffectBmp* other, double Kf);
  void MorphVGrad(const TspEffectBmp* other, double Kf);
  void MorphLeftGrad(const TspEffectBmp* other, double Kf);
  void MorphRightGrad(const TspEffectBmp* other, double Kf);
  void MorphLeftSlide(const TspEffectBmp* other, double Kf);
  void MorphRightSlide(const TspEffectBmp* other, double Kf);
  void MorphPush(const TspEffectBmp* other, double Kf);
  // The morph of a description's kind.
  void MorphByKind(const TspEffectBmp* other, double Kf, TspMorphKind kind);

  void ChangeBrightness(double Kf);
  void ChangeDarkness(double Kf);
  void GrayScale();
  void AddColorNoise(int amount);
  void SplitBlur(int amount);
  void Invert();
  // The inactive effect with the amount skinned windows pass for it.
  void ApplyInactiveEffect(TspInactiveEffect effect);

 private:
  bool SameSize(const TspEffectBmp* other) const;
};

// The generator behind AddColorNoise: the run-time library's linear
// congruential one, so a seed repeats its noise.
void SetEffectRandSeed(std::uint32_t seed);
// 0 .. range - 1 (0 for a range of 0 or less).
int EffectRandom(int range);

// ---- 32-bit bitmap ---------------------------------------------------------------

class TspBitmap : public TPersistent {
 public:
  TspBitmap();
  ~TspBitmap() override;
  TspBitmap(const TspBitmap&) = delete;
  TspBitmap& operator=(const TspBitmap&) = delete;
  std::string ClassName() const override { return "TspBitmap"; }

  std::uint32_t* Bits = nullptr;  // 0xAARRGGBB, top row first, no padding
  int Width = 0, Height = 0;
  bool HasAlpha = false;

  // Negative sizes count as their absolute value; 0 or the current size
  // change nothing. The pixels are lost. Raises Exception when the bitmap
  // cannot be made, which leaves it empty.
  void SetSize(int width, int height);
  bool Empty() const { return Handle == nullptr; }
  HBITMAP Handle = nullptr;
  HDC DC = nullptr;
  // A canvas on DC, made on first use.
  TCanvas* Canvas();

  void Assign(const TPersistent* source) override;
  void AssignGraphic(const TGraphic* graphic);

  std::uint32_t* ScanLine(int row) const { return Bits + std::size_t(row) * std::size_t(Width); }
  std::uint32_t* PixelAddress(int X, int Y) const { return ScanLine(Y) + X; }
  void SetPixel(int X, int Y, std::uint32_t value);
  void SetAlpha(Byte value);
  // HasAlpha := some alpha byte other than 0 and 255.
  void CheckAlpha();

  void Draw(HDC dc, int X, int Y);
  void DrawRect(HDC dc, int X, int Y, const TRect& source);
  void DrawToCanvas(TCanvas* canvas, int X, int Y);
  // Blends (HasAlpha) or copies source, scaled, into dest of dc.
  void StretchDraw(HDC dc, const TRect& dest, const TRect& source);
  // The same straight into another bitmap's pixels.
  void DrawTo(TspBitmap* target, const TRect& dest, const TRect& source) const;

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  void Release();
  std::unique_ptr<TCanvas> canvas_;
  HGDIOBJ oldBitmap_ = nullptr;
};

// The TspBitmap whose memory DC is dc, or null.
TspBitmap* FindBitmapByDC(HDC dc);

// Pixel runs. BlendLine: source alpha 0 keeps the destination, 255 copies
// the source, else every byte, alpha included, becomes
// (d * 256 + (s - d) * a) >> 8.
void BlendLine(const std::uint32_t* source, std::uint32_t* dest, int count);
void CopyLine(const std::uint32_t* source, std::uint32_t* dest, int count);
void SetLineAlpha(std::uint32_t* dest, int count, Byte alpha);

// A colour (system colours resolved) as an opaque 0xFFRRGGBB pixel.
std::uint32_t ColorToPixel(TColor color);

// Blur radius and glow size are capped here: the skin sets them.
constexpr int kMaxBlurRadius = 64;
// Triangle-weighted blur of the colour channels over 2 x radius + 1
// neighbours, horizontally then vertically; edges repeat; alpha becomes 255.
void StackBlur(TspBitmap* bitmap, int radius);
// Alpha := the mean of the mask pixel's colour bytes, where both have pixels.
void SetAlphaFromMask(TspBitmap* bitmap, const TspBitmap* mask);

// Text with a blurred halo behind it, drawn with the canvas's font. The
// first two return the height DrawText gives for the text itself.
int DrawVistaGlowText(TCanvas* canvas, TRect rect, const std::string& text, UINT format, TColor glowColor);
int DrawGlowText(TCanvas* canvas, TRect rect, const std::string& text, UINT format, int offset, TColor glowColor,
                 int glowSize);
void DrawReflectionText(TCanvas* canvas, TRect rect, const std::string& text, UINT format, int offset,
                        TColor reflectionColor);
