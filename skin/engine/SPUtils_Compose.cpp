// Composing skin elements of any size from their rectangle in a skin picture.
//
// Pieces are copied with StretchBlt in COLORONCOLOR mode, so equal sizes copy
// exactly and a stretched band samples its nearest source pixels. A piece,
// band or tile whose source or destination has no width or height is
// skipped: a window smaller than the fixed parts draws them overlapping,
// never mirrored. Source pixels outside the picture leave the destination
// as it was.
#include "skin/engine/SPUtils.h"
#include "skin/engine/SPUtils_Internal.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"

namespace sputils {

HDC PrepareTarget(TBitmap* b) {
  HDC dc = b->Canvas()->Handle();
  SetStretchBltMode(dc, COLORONCOLOR);
  return dc;
}

void CopyPiece(HDC dst, const TRect& d, HDC src, const TRect& s) {
  if (d.Width() <= 0 || d.Height() <= 0 || s.Width() <= 0 || s.Height() <= 0) return;
  if (d.Width() == s.Width() && d.Height() == s.Height())
    BitBlt(dst, d.Left, d.Top, d.Width(), d.Height(), src, s.Left, s.Top, SRCCOPY);
  else
    StretchBlt(dst, d.Left, d.Top, d.Width(), d.Height(), src, s.Left, s.Top, s.Width(), s.Height(), SRCCOPY);
}

void TileX(HDC dst, int d0, int d1, int dTop, int dBottom, HDC src, int sLeft, int L, int sTop, int sBottom) {
  if (L <= 0 || d1 <= d0) return;
  const int n = (d1 - d0) / L;
  for (int k = 0; k <= n; ++k) {
    const int t = d0 + k * L;
    const int cut = std::max(0, t + L - d1);
    CopyPiece(dst, TRect{t, dTop, t + L - cut, dBottom}, src, TRect{sLeft, sTop, sLeft + L - cut, sBottom});
  }
}

void TileY(HDC dst, int d0, int d1, int dLeft, int dRight, HDC src, int sTop, int L, int sLeft, int sRight) {
  if (L <= 0 || d1 <= d0) return;
  const int n = (d1 - d0) / L;
  for (int k = 0; k <= n; ++k) {
    const int t = d0 + k * L;
    const int cut = std::max(0, t + L - d1);
    CopyPiece(dst, TRect{dLeft, t, dRight, t + L - cut}, src, TRect{sLeft, sTop, sRight, sTop + L - cut});
  }
}

void TileXY(HDC dst, const TRect& d, HDC src, const TRect& s) {
  const int cw = s.Width(), ch = s.Height();
  if (cw <= 0 || ch <= 0 || d.Width() <= 0 || d.Height() <= 0) return;
  for (int k = 0; k <= d.Width() / cw; ++k) {
    const int x = d.Left + k * cw;
    const int w = std::min(cw, d.Right - x);
    if (w <= 0) continue;
    for (int j = 0; j <= d.Height() / ch; ++j) {
      const int y = d.Top + j * ch;
      const int h = std::min(ch, d.Bottom - y);
      if (h <= 0) continue;
      BitBlt(dst, x, y, w, h, src, s.Left, s.Top, SRCCOPY);
    }
  }
}

TRect Offset(const TRect& r, int dx, int dy) { return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

}  // namespace sputils

using namespace sputils;

namespace {

void SetTargetSize(TBitmap* b, int w, int h) { b->SetSize(std::max(0, w), std::max(0, h)); }

// The centre piece s (picture coordinates) into d.
void DrawCentre(HDC dst, const TRect& d, HDC src, const TRect& s, bool stretchEffect, TspStretchType type) {
  const int cw = s.Width(), ch = s.Height();
  if (cw <= 0 || ch <= 0 || d.Width() <= 0 || d.Height() <= 0) return;
  if (!stretchEffect) {
    TileXY(dst, d, src, s);
    return;
  }
  if (type == stFull) {
    CopyPiece(dst, d, src, s);
    return;
  }
  // A strip one piece wide (stHorz) or high (stVert), scaled across the
  // other direction, repeated and cut at d's edge.
  const bool horz = type == stHorz;
  TBitmap strip;
  strip.SetSize(horz ? cw : d.Width(), horz ? d.Height() : ch);
  HDC sdc = PrepareTarget(&strip);
  CopyPiece(sdc, TRect{0, 0, strip.Width(), strip.Height()}, src, s);
  TileXY(dst, d, sdc, TRect{0, 0, strip.Width(), strip.Height()});
}

}  // namespace

void CreateSkinImage(TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT, TPoint NLB,
                     TPoint NRB, TRect NCR, TBitmap* B, TBitmap* SB, TRect S, int AW, int AH, bool DrawClient,
                     bool LS, bool TS, bool RS, bool BS, bool StretchEffect, TspStretchType StretchType) {
  if (!B) return;
  SetTargetSize(B, AW, AH);
  if (RB.X == LT.X || RB.Y == LT.Y || !SB || SB->Empty() || B->Empty()) return;
  const int SW = S.Width(), SH = S.Height();
  const int ox = S.Left, oy = S.Top;
  HDC dst = PrepareTarget(B);
  HDC src = SB->Canvas()->Handle();
  auto sr = [&](int l, int t, int r, int b) { return TRect{l + ox, t + oy, r + ox, b + oy}; };

  // Bands.
  if (TS)
    CopyPiece(dst, TRect{NLT.X, 0, NRT.X, NCR.Top}, src, sr(LT.X, 0, RT.X, CR.Top));
  else
    TileX(dst, NLT.X, NRT.X, 0, NCR.Top, src, ox + LT.X, RT.X - LT.X, oy, oy + CR.Top);
  if (BS)
    CopyPiece(dst, TRect{NLB.X, NCR.Bottom, NRB.X, AH}, src, sr(LB.X, CR.Bottom, RB.X, SH));
  else
    TileX(dst, NLB.X, NRB.X, NCR.Bottom, AH, src, ox + LB.X, RB.X - LB.X, oy + CR.Bottom, oy + SH);
  if (LS)
    CopyPiece(dst, TRect{0, NLT.Y, NCR.Left, NLB.Y}, src, sr(0, LT.Y, CR.Left, LB.Y));
  else
    TileY(dst, NLT.Y, NLB.Y, 0, NCR.Left, src, oy + LT.Y, LB.Y - LT.Y, ox, ox + NCR.Left);
  if (RS)
    CopyPiece(dst, TRect{NCR.Right, NRT.Y, AW, NRB.Y}, src, sr(CR.Right, RT.Y, SW, RB.Y));
  else
    TileY(dst, NRT.Y, NRB.Y, NCR.Right, AW, src, oy + RT.Y, RB.Y - RT.Y, ox + CR.Right, ox + SW);

  // Corner pieces.
  CopyPiece(dst, TRect{0, 0, NLT.X, NCR.Top}, src, sr(0, 0, LT.X, CR.Top));
  CopyPiece(dst, TRect{0, NCR.Top, NCR.Left, NLT.Y}, src, sr(0, CR.Top, CR.Left, LT.Y));
  CopyPiece(dst, TRect{NRT.X, 0, AW, NCR.Top}, src, sr(RT.X, 0, SW, CR.Top));
  CopyPiece(dst, TRect{NCR.Right, NCR.Top, AW, NRT.Y}, src, sr(CR.Right, CR.Top, SW, RT.Y));
  CopyPiece(dst, TRect{0, NLB.Y, NCR.Left, AH}, src, sr(0, LB.Y, CR.Left, SH));
  CopyPiece(dst, TRect{NCR.Left, NCR.Bottom, NLB.X, AH}, src, sr(CR.Left, CR.Bottom, LB.X, SH));
  CopyPiece(dst, TRect{NRB.X, NCR.Bottom, AW, AH}, src, sr(RB.X, CR.Bottom, SW, SH));
  CopyPiece(dst, TRect{NCR.Right, NRB.Y, AW, NCR.Bottom}, src, sr(CR.Right, RB.Y, SW, CR.Bottom));

  if (DrawClient) DrawCentre(dst, NCR, src, Offset(CR, ox, oy), StretchEffect, StretchType);
}

void CreateSkinImage2(TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT, TPoint NLB,
                      TPoint NRB, TRect NCR, TBitmap* B, TBitmap* SB, TRect S, int AW, int AH, bool DrawClient,
                      bool LS, bool TS, bool RS, bool BS, bool StretchEffect, TspStretchType StretchType) {
  CreateSkinImage(LT, RT, LB, RB, CR, NLT, NRT, NLB, NRB, NCR, B, SB, S, AW, AH, DrawClient, LS, TS, RS, BS,
                  StretchEffect, StretchType);
}

void CreateStretchSkinImage(TBitmap* B, TBitmap* SB, TRect S, TRect I, bool DrawClient) {
  if (!B) return;
  const int w = B->Width(), h = B->Height();
  const TPoint LT{I.Left, I.Top}, RT{I.Right, I.Top}, LB{I.Left, I.Bottom}, RB{I.Right, I.Bottom};
  const TRect NC{I.Left, I.Top, w + I.Right - S.Width(), h + I.Bottom - S.Height()};
  const TPoint NLT{NC.Left, NC.Top}, NRT{NC.Right, NC.Top}, NLB{NC.Left, NC.Bottom}, NRB{NC.Right, NC.Bottom};
  CreateSkinImage(LT, RT, LB, RB, I, NLT, NRT, NLB, NRB, NC, B, SB, S, w, h, DrawClient, true, true, true, true,
                  true, stFull);
}

void CreateHSkinImage(int LO, int RO, TBitmap* B, TBitmap* SB, TRect R, int NW, bool Stretch) {
  if (!B) return;
  const int h = R.Height();
  SetTargetSize(B, NW, h);
  if (!SB || SB->Empty() || B->Empty()) return;
  HDC dst = PrepareTarget(B);
  HDC src = SB->Canvas()->Handle();
  if (LO != 0) CopyPiece(dst, TRect{0, 0, LO, h}, src, TRect{R.Left, R.Top, R.Left + LO, R.Bottom});
  if (RO != 0) CopyPiece(dst, TRect{NW - RO, 0, NW, h}, src, TRect{R.Right - RO, R.Top, R.Right, R.Bottom});
  const TRect middle{R.Left + LO, R.Top, R.Right - RO, R.Bottom};
  if (Stretch)
    CopyPiece(dst, TRect{LO, 0, NW - RO, h}, src, middle);
  else
    TileX(dst, LO, NW - RO, 0, h, src, middle.Left, middle.Width(), R.Top, R.Bottom);
}

void CreateVSkinImage(int TO, int BO, TBitmap* B, TBitmap* SB, TRect R, int NH, bool Stretch) {
  if (!B) return;
  const int w = R.Width();
  SetTargetSize(B, w, NH);
  if (!SB || SB->Empty() || B->Empty()) return;
  HDC dst = PrepareTarget(B);
  HDC src = SB->Canvas()->Handle();
  if (TO != 0) CopyPiece(dst, TRect{0, 0, w, TO}, src, TRect{R.Left, R.Top, R.Right, R.Top + TO});
  if (BO != 0) CopyPiece(dst, TRect{0, NH - BO, w, NH}, src, TRect{R.Left, R.Bottom - BO, R.Right, R.Bottom});
  const TRect middle{R.Left, R.Top + TO, R.Right, R.Bottom - BO};
  if (Stretch)
    CopyPiece(dst, TRect{0, TO, w, NH - BO}, src, middle);
  else
    TileY(dst, TO, NH - BO, 0, w, src, middle.Top, middle.Height(), R.Left, R.Right);
}

void CreateSkinBorderImages(TPoint LT, TPoint RT, TPoint LB, TPoint RB, TRect CR, TPoint NLT, TPoint NRT,
                            TPoint NLB, TPoint NRB, TRect NCR, TBitmap* LeftB, TBitmap* TopB, TBitmap* RightB,
                            TBitmap* BottomB, TBitmap* SB, TRect S, int W, int H, bool LS, bool TS, bool RS,
                            bool BS) {
  if (!SB || SB->Empty() || !LeftB || !TopB || !RightB || !BottomB) return;
  const int SW = S.Width(), SH = S.Height();
  const int ox = S.Left, oy = S.Top;
  HDC src = SB->Canvas()->Handle();
  auto sr = [&](int l, int t, int r, int b) { return TRect{l + ox, t + oy, r + ox, b + oy}; };

  const int topH = NCR.Top;
  if (W > 0 && topH > 0 && RT.X - LT.X > 0) {
    TopB->SetSize(W, topH);
    HDC dst = PrepareTarget(TopB);
    if (TS)
      CopyPiece(dst, TRect{NLT.X, 0, NRT.X, topH}, src, sr(LT.X, 0, RT.X, topH));
    else
      TileX(dst, 0, W, 0, topH, src, ox + LT.X, RT.X - LT.X, oy, oy + topH);
    CopyPiece(dst, TRect{0, 0, NLT.X, topH}, src, sr(0, 0, LT.X, topH));
    CopyPiece(dst, TRect{NRT.X, 0, W, topH}, src, sr(RT.X, 0, SW, topH));
  }

  const int bottomH = H - NCR.Bottom;
  if (W > 0 && bottomH > 0 && RB.X - LB.X > 0) {
    BottomB->SetSize(W, bottomH);
    HDC dst = PrepareTarget(BottomB);
    const int st = SH - bottomH;
    if (BS)
      CopyPiece(dst, TRect{NLB.X, 0, NRB.X, bottomH}, src, sr(LB.X, st, RB.X, SH));
    else
      TileX(dst, 0, W, 0, bottomH, src, ox + LB.X, RB.X - LB.X, oy + st, oy + SH);
    CopyPiece(dst, TRect{0, 0, NLB.X, bottomH}, src, sr(0, st, LB.X, SH));
    CopyPiece(dst, TRect{NRB.X, 0, W, bottomH}, src, sr(RB.X, st, SW, SH));
  }

  const int sideH = H - TopB->Height() - BottomB->Height();
  // One side image: columns [c0, c1) of the skin, band rows [b0, b1).
  auto side = [&](TBitmap* img, int width, int c0, int c1, int b0, int b1, bool stretch) {
    img->SetSize(width, sideH);
    HDC dst = PrepareTarget(img);
    if (stretch)
      CopyPiece(dst, TRect{0, b0 - CR.Top, width, sideH - (CR.Bottom - b1)}, src, sr(c0, b0, c1, b1));
    else
      TileY(dst, 0, sideH, 0, width, src, oy + b0, b1 - b0, ox + c0, ox + c1);
    if (b0 > CR.Top) CopyPiece(dst, TRect{0, 0, width, b0 - CR.Top}, src, sr(c0, CR.Top, c1, b0));
    if (CR.Bottom > b1)
      CopyPiece(dst, TRect{0, sideH - (CR.Bottom - b1), width, sideH}, src, sr(c0, b1, c1, CR.Bottom));
  };
  if (NCR.Left > 0 && sideH > 0 && LB.Y - LT.Y > 0) side(LeftB, NCR.Left, 0, NCR.Left, LT.Y, LB.Y, LS);
  if (W - NCR.Right >= 1 && sideH >= 1 && RB.Y - RT.Y >= 1)
    side(RightB, W - NCR.Right, CR.Right, SW, RT.Y, RB.Y, RS);
}
