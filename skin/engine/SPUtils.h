// Drawing utilities shared by the skinned windows and controls:
//  - platform queries (version, processor, monitors, window alpha) and small
//    rectangle helpers;
//  - composing a skin element of any size from its rectangle in a skin
//    picture (nine-part, three-part and border images), masks and window
//    regions, and the background behind a transparent control;
//  - glyph and caption placement, text helpers and the small vector glyphs
//    drawn when there is no skin;
//  - glow layers: borderless per-pixel-alpha windows shown around an object.
// All of it runs on the GUI thread and keeps no state between calls, except
// the glow layers' managers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Types.h"
#include "platform/ui/controls/ButtonLayout.h"
#include "platform/ui/controls/Controls.h"
#include "skin/engine/SkinDataIni.h"

class TBitmap;
class TCanvas;
class TImageList;

// ---- Platform ---------------------------------------------------------------

// The version the platform reports (6.1).
void GetWindowsVersion(int& major, int& minor);
bool IsWindowsVistaOrLater();
bool IsWindowsXPOrLater();
bool IsWindows2000OrLater();
// The same tests for a given version.
bool IsWindowsVistaOrLater(int major, int minor);
bool IsWindowsXPOrLater(int major, int minor);
bool IsWindows2000OrLater(int major, int minor);

bool IsCPUIDSupported();
std::uint32_t GetCPUSignature();  // EAX of CPUID leaf 1, 0 without CPUID
std::uint32_t GetCPUFeatures();   // EDX of CPUID leaf 1, 0 without CPUID
bool IsMMXSupported();
// Nothing runs MMX code here, so there is no state to leave.
inline void EndMMX() {}

// Copies the screen at (X, Y), the bitmap's size, into the bitmap.
void CopyScreenToBitmap(int X, int Y, TBitmap* bitmap);
bool MultiMonitorAvailable();
// The work area with workArea set, else the whole primary screen.
void GetScreenWorkArea(bool workArea, TRect& rect);
// The same for the monitor nearest to the window; unchanged when the
// monitor cannot be asked.
void GetMonitorWorkArea(HWND window, bool workArea, TRect& rect);
// Constant alpha of a layered window; the caller sets WS_EX_LAYERED.
void SetWindowAlphaBlend(HWND window, Byte alpha);

inline int RectWidth(const TRect& r) { return r.Right - r.Left; }
inline int RectHeight(const TRect& r) { return r.Bottom - r.Top; }
inline bool IsNullRect(const TRect& r) { return RectWidth(r) <= 0 || RectHeight(r) <= 0; }
inline void ResetRect(TRect& r) { r = TRect{0, 0, 0, 0}; }
inline bool RectsAreEqual(const TRect& a, const TRect& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}
// All four edges count, unlike PtInRect.
inline bool IsPointInRect(const TRect& r, const TPoint& p) {
  return r.Left <= p.X && p.X <= r.Right && r.Top <= p.Y && p.Y <= r.Bottom;
}
// Both corners of a inside b with b's right and bottom edges excluded.
bool RectInRect(const TRect& a, const TRect& b);
// A point a skin did not give (either coordinate 0).
inline bool IsNullPoint(const TPoint& p) { return p.X == 0 || p.Y == 0; }
inline int IntMax(int a, int b) { return a > b ? a : b; }
inline int IntMin(int a, int b) { return a < b ? a : b; }

// ---- Skin image composition and regions ------------------------------------

// A 24-bit top-down copy of a bitmap with one row pointer per row, for
// reading mask pixels (blue, green, red).
class TFBitmap : public TObject {
 public:
  explicit TFBitmap(HBITMAP source);
  ~TFBitmap() override;
  TFBitmap(const TFBitmap&) = delete;
  TFBitmap& operator=(const TFBitmap&) = delete;
  std::string ClassName() const override { return "TFBitmap"; }

  Byte* Bits = nullptr;
  std::vector<Byte*> Pixels;  // row starts, row 0 at the top
  int Gap = 0;                // fill bytes at the end of a row
  int RowInc = 0;             // bytes from one row to the next
  std::size_t Size = 0;
  int Width = 0, Height = 0;
  HBITMAP Handle = nullptr;
  HDC DC = nullptr;
  BITMAPINFO BitmapInfo{};
};

// Nine-part composition of the element S of the skin picture SB into B,
// which becomes AW x AH. Points and client rectangles: LT..CR in S's own
// coordinates, NLT..NCR in the result's. A band or piece with no width or
// height is skipped.
void CreateSkinImage(TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT, TPoint NLB,
                     TPoint NRB, TRect NCR, TBitmap* B, TBitmap* SB, TRect S, int AW, int AH, bool DrawClient,
                     bool LS, bool TS, bool RS, bool BS, bool StretchEffect = false,
                     TspStretchType StretchType = stFull);
void CreateSkinImage2(TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT, TPoint NLB,
                      TPoint NRB, TRect NCR, TBitmap* B, TBitmap* SB, TRect S, int AW, int AH, bool DrawClient,
                      bool LS, bool TS, bool RS, bool BS, bool StretchEffect = false,
                      TspStretchType StretchType = stFull);
// Recomposes B at its size: the margins outside the inner rectangle I keep
// their size, everything between them is scaled.
void CreateStretchSkinImage(TBitmap* B, TBitmap* SB, TRect S, TRect I, bool DrawClient);
// Three-part images along x and along y.
void CreateHSkinImage(int LO, int RO, TBitmap* B, TBitmap* SB, TRect R, int NW, bool Stretch);
void CreateVSkinImage(int TO, int BO, TBitmap* B, TBitmap* SB, TRect R, int NH, bool Stretch);
// The four border images of a W x H window frame; the client is the
// caller's to draw.
void CreateSkinBorderImages(TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT,
                            TPoint NLB, TPoint NRB, TRect NCR, TBitmap* LeftB, TBitmap* TopB, TBitmap* RightB,
                            TBitmap* BottomB, TBitmap* SB, TRect S, int W, int H, bool LS, bool TS, bool RS,
                            bool BS);
// The four border strips of a mask picture for a window W wide (tiled).
void CreateSkinMask(TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT, TPoint NLB,
                    TPoint NRB, TRect NCR, TBitmap* FMask, TBitmap* TopMask, TBitmap* LeftMask, TBitmap* RightMask,
                    TBitmap* BottomMask, int W);

// Region data (a 32-byte RGNDATAHEADER and one RECT per run of pure black
// pixels, rows top to bottom, runs left to right) of the mask placed at
// (X, Y). Returns its size in bytes; 0 and data cleared for an empty mask.
// Every run is kept, however many there are.
std::size_t CreateRgnDataFromBitmap(TBitmap* mask, int X, int Y, std::vector<std::uint8_t>& data);
// The region of the mask's pure black pixels; nullptr when there are none.
void CreateRegionFromBitmap(HRGN& region, TBitmap* mask);
// The window region of a W x H skinned window; nullptr when nothing is
// inside. The caller owns it.
void CreateSkinRegion(HRGN& region, TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT,
                      TPoint NLB, TPoint NRB, TRect NCR, TBitmap* FMask, int W, int H);
// Paints into canvas, in the control's coordinates, what its parent and the
// graphic controls beneath it show there.
void PaintParentImage(TControl* control, TCanvas* canvas);

// ---- Glyphs and text -----------------------------------------------------------

using TspButtonLayout = TButtonLayout;
using TspNumGlyphs = int;  // 1..4 frames side by side

void CalcGlyphTextLayout(TspButtonLayout layout, TRect R, int GW, int GH, int TW, int TH, int S, int M, int& TX,
                         int& TY, int& GX, int& GY);
void DrawImageAndText(TCanvas* canvas, TRect R, int margin, int spacing, TspButtonLayout layout,
                      const std::string& caption, int imageIndex, TImageList* images, bool down, bool enabled,
                      bool drawColorBar, TColor colorBarColor);
void DrawGlyphAndText(TCanvas* canvas, TRect R, int margin, int spacing, TspButtonLayout layout,
                      const std::string& caption, TBitmap* glyph, TspNumGlyphs numGlyphs, int glyphNum, bool down,
                      bool drawColorBar, TColor colorBarColor);
// Frame glyphNum (from 1) of a glyph strip, its bottom-left colour
// transparent.
void DrawGlyph(TCanvas* canvas, int X, int Y, TBitmap* glyph, TspNumGlyphs numGlyphs, int glyphNum);

// Text is UTF-8; the wide and ANSI forms of the original are one call here.
int DrawWideText(TCanvas* canvas, const std::string& text, TRect& rect, UINT format);
int GetWideTextWidth(TCanvas* canvas, const std::string& text);
int GetWideTextHeight(TCanvas* canvas, const std::string& text);
// Shortens text to fit maxWidth, ending it with "..." (characters, not bytes,
// are removed).
void TruncateTextToWidth(TCanvas* canvas, std::string& text, int maxWidth);
void DrawSingleLineText(TCanvas* canvas, const std::string& text, TRect rect);

void DrawTrackArrow(TCanvas* canvas, TRect R, TColor color);
// kind: 1 left, 2 right, 3 up, 4 down.
void DrawArrowImage(TCanvas* canvas, TRect R, TColor color, int kind);
void DrawCheckImage(TCanvas* canvas, int X, int Y, TColor color);
void DrawCloseImage(TCanvas* canvas, int X, int Y, TColor color);
void DrawSysMenuImage(TCanvas* canvas, int X, int Y, TColor color);
void DrawMinimizeImage(TCanvas* canvas, int X, int Y, TColor color);
void DrawMaximizeImage(TCanvas* canvas, int X, int Y, TColor color);
void DrawRestoreImage(TCanvas* canvas, int X, int Y, TColor color);
void DrawRollDownImage(TCanvas* canvas, int X, int Y, TColor color);
void DrawRollUpImage(TCanvas* canvas, int X, int Y, TColor color);
void DrawMinimizeToTrayImage(TCanvas* canvas, int X, int Y, TColor color);

// ---- Glow layers -------------------------------------------------------------------

// A borderless, never-activated tool window showing per-pixel alpha content.
class TspLayerWindow : public TCustomControl {
 public:
  explicit TspLayerWindow(TComponent* AOwner);
  std::string ClassName() const override { return "TspLayerWindow"; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
};

// Shows at most one glow layer. Colours stay straight (not multiplied by
// alpha) up to the layered-window call, where they are premultiplied once.
class TspLayerManager : public TComponent {
 public:
  explicit TspLayerManager(TComponent* AOwner);
  ~TspLayerManager() override;
  std::string ClassName() const override { return "TspLayerManager"; }

  TspLayerWindow* LayerWindow = nullptr;
  bool LayerVisible = false;
  bool TopMost = true;

  // Shows image at screen (X, Y), its alpha taken from mask (255 without a
  // mask), scaled by alpha. Nothing without an image.
  void Show(int X, int Y, TBitmap* image, TBitmap* mask, int alpha);
  void Hide();

  // Optional: keeps a shown layer at its place relative to the owner window
  // when the owner moves, and hides it while the owner is hidden, minimised
  // or disabled. The layer stays right above the owner.
  void SetOwnerWindow(HWND owner);
  HWND OwnerWindow() const { return owner_; }

 private:
  friend struct TspLayerTracking;
  void OwnerChanged();
  HWND owner_ = nullptr;
  TPoint offset_{};  // layer origin minus owner origin
};

// WS_EX_LAYERED and the image with its alpha from mask, premultiplied, as
// the layer window's content.
void FillLayerWindow(TBitmap* image, TBitmap* mask, int alpha, TspLayerWindow* window);
