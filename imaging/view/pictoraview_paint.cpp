// The image view's painting: the back buffer is composed from the
// background and the layers only when something changed, and the window is
// refreshed from it by the blit the screen's depth calls for.
#include <algorithm>
#include <string>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_dib.h"
#include "imaging/view/pictoraview.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"

namespace {

// The complement of a colour as the screen shows it.
TColor PvpComplement(TColor c) { return TColor(~ColorToRGB(c) & 0x00FFFFFF); }

void PvpFillSolid(TCanvas* canvas, const TRect& r, TColor colour) {
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(colour);
  canvas->FillRect(r);
}

}  // namespace

void PaintBackground(TComponentState state, TCanvas* canvas, TVQBackgroundStyle style, TColor gradientEnd,
                     TBrushStyle chessBrush, int chessSize, const TRect& imageRect, int left, int top, int width,
                     int height, TColor background) {
  if (!canvas || width <= 0 || height <= 0) return;
  const TRect area{left, top, left + width, top + height};
  const bool designing = (state & csDesigning) != 0;
  switch (style) {
    case vqbsSolid: PvpFillSolid(canvas, area, background); break;
    case vqbsHorizontal:
    case vqbsVertical:
    case vqbsFDiagonal:
    case vqbsBDiagonal:
    case vqbsCross:
    case vqbsDiagCross: {
      // The gaps get a colour of their own, so a recomposed buffer never
      // keeps old pixels between the hatch lines.
      PvpFillSolid(canvas, area, clWhite);
      static constexpr TBrushStyle kHatch[] = {bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross,
                                               bsDiagCross};
      canvas->Brush()->SetStyle(kHatch[style - vqbsHorizontal]);
      canvas->Brush()->SetColor(background);
      SetBkMode(canvas->Handle(), TRANSPARENT);
      canvas->FillRect(area);
      canvas->Brush()->SetStyle(bsSolid);
      break;
    }
    case vqbsChessboard: {
      const int size = std::max(chessSize, 1);
      const TColor colours[2] = {PvpComplement(background), background};
      if (chessBrush != bsSolid) PvpFillSolid(canvas, area, clWhite);
      for (int y = top, row = 0; y < top + height; y += size, ++row)
        for (int x = left, col = 0; x < left + width; x += size, ++col) {
          canvas->Brush()->SetStyle(chessBrush);
          canvas->Brush()->SetColor(colours[(row + col) & 1]);
          canvas->FillRect(TRect{x, y, std::min(x + size, left + width), std::min(y + size, top + height)});
        }
      canvas->Brush()->SetStyle(bsSolid);
      break;
    }
    case vqbsDiagonals:
      PvpFillSolid(canvas, area, background);
      canvas->Pen()->SetStyle(psSolid);
      canvas->Pen()->SetMode(pmCopy);
      canvas->Pen()->SetWidth(1);
      canvas->Pen()->SetColor(PvpComplement(background));
      canvas->MoveTo(left, top);
      canvas->LineTo(left + width, top + height);
      canvas->MoveTo(left + width - 1, top);
      canvas->LineTo(left - 1, top + height);
      break;
    case vqbsCropped:
    case vqbsCropShadow: {
      if (designing) {
        PvpFillSolid(canvas, area, background);
        break;
      }
      PvpFillSolid(canvas, area, clBtnFace);
      if (imageRect.Width() < 2 || imageRect.Height() < 2) break;
      if (style == vqbsCropped) {
        RECT r{imageRect.Left - VQViewScreen().EdgeX, imageRect.Top - VQViewScreen().EdgeY,
               imageRect.Right + VQViewScreen().EdgeX, imageRect.Bottom + VQViewScreen().EdgeY};
        DrawEdge(canvas->Handle(), &r, EDGE_SUNKEN, BF_RECT);
      } else {
        // Five graded lines along the right side and the bottom, starting a
        // few pixels in from the top-left corner.
        constexpr int kDepth = 5, kInset = 5;
        for (int i = 0; i < kDepth; ++i) {
          const int g = 64 + i * 32;
          canvas->Pen()->SetStyle(psSolid);
          canvas->Pen()->SetMode(pmCopy);
          canvas->Pen()->SetWidth(1);
          canvas->Pen()->SetColor(TColor(g | g << 8 | g << 16));
          canvas->MoveTo(imageRect.Right + i, imageRect.Top + kInset + i);
          canvas->LineTo(imageRect.Right + i, imageRect.Bottom + i + 1);
          canvas->MoveTo(imageRect.Left + kInset + i, imageRect.Bottom + i);
          canvas->LineTo(imageRect.Right + i, imageRect.Bottom + i);
        }
      }
      break;
    }
    case vqbsGradient: {
      const TColor a = ColorToRGB(background), b = ColorToRGB(gradientEnd);
      TRIVERTEX v[2]{};
      v[0].x = left, v[0].y = top;
      v[0].Red = std::uint16_t((a & 0xFF) << 8), v[0].Green = std::uint16_t(((a >> 8) & 0xFF) << 8);
      v[0].Blue = std::uint16_t(((a >> 16) & 0xFF) << 8);
      v[1].x = left + width, v[1].y = top + height;
      v[1].Red = std::uint16_t((b & 0xFF) << 8), v[1].Green = std::uint16_t(((b >> 8) & 0xFF) << 8);
      v[1].Blue = std::uint16_t(((b >> 16) & 0xFF) << 8);
      GRADIENT_RECT mesh{0, 1};
      GradientFill(canvas->Handle(), v, 2, &mesh, 1, GRADIENT_FILL_RECT_V);
      break;
    }
    default: break;
  }
}

void TPictoraView::Paint() {
  if (!CanPaint() || GetDrawingWidth() <= 0 || GetDrawingHeight() <= 0) return;
  try {
    if (paintLock_ == 0) {
      TRect rect{0, 0, GetDrawingWidth(), GetDrawingHeight()};
      if (!wholeWindow_) {
        rect = Canvas()->ClipRect();
        if (rect.Right == 0) rect.Right = GetDrawingWidth();
        if (rect.Bottom == 0) rect.Bottom = GetDrawingHeight();
      }
      PaintBackBuffer(rect);
      wholeWindow_ = false;
      if (OnPaint) OnPaint(this);
    }
  } catch (...) {
    // A failed paint leaves the window as it was.
  }
  if (drawVersion_) DrawVersionText();
}

void TPictoraView::PaintNow() {
  if (!CanPaint() || !HandleAllocated()) return;
  wholeWindow_ = true;
  const HWND h = Handle();
  InvalidateRect(h, nullptr, FALSE);
  UpdateWindow(h);
}

void TPictoraView::PaintBackBuffer(const TRect& rect) {
  const int areaW = GetDrawingWidth(), areaH = GetDrawingHeight();
  if (backBuffer_->Width() != areaW || backBuffer_->Height() != areaH) {
    backBuffer_->SetPixelFormat(pf24bit);
    backBuffer_->SetSize(areaW, areaH);
    backRows_.assign(std::size_t(areaH), nullptr);
    recompose_ = true;
  }
  if (recompose_) {
    // The rows may have moved since (the buffer's storage is its own).
    for (int i = 0; i < areaH; ++i) backRows_[std::size_t(i)] = static_cast<Byte*>(backBuffer_->ScanLine(i));
    DrawLayers(backBuffer_.get(), backRows_, rect);
    if (OnDrawBackBuffer) OnDrawBackBuffer(this);
    recompose_ = false;
    ++compositions_;
  }
  const int w = std::min(rect.Width(), areaW), h = std::min(rect.Height(), areaH);
  if (w <= 0 || h <= 0) return;
  const TVQScreenInfo& screen = VQViewScreen();
  HDC dc = Canvas()->Handle();
  HDC src = backBuffer_->Canvas()->Handle();
  if ((UseDrawDib || screen.BitsPerPixel <= 8) && !screen.RemoteSession) {
    BITMAPINFO header{};
    header.bmiHeader.biSize = 40;
    header.bmiHeader.biWidth = areaW;
    header.bmiHeader.biHeight = areaH;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 24;
    header.bmiHeader.biCompression = BI_RGB;
    const void* bits = backBuffer_->ScanLine(areaH - 1);
    DrawDibStretch(drawDib_, dc, rect.Left, rect.Top, w, h, &header, bits, rect.Left, rect.Top, w, h, 0);
    lastBlit_ = TVQBlitPath::DrawDib;
  } else if (screen.BitsPerPixel >= 24 || screen.RemoteSession) {
    BitBlt(dc, rect.Left, rect.Top, w, h, src, rect.Left, rect.Top, SRCCOPY);
    lastBlit_ = TVQBlitPath::BitBlt;
  } else {
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, rect.Left, rect.Top, w, h, src, rect.Left, rect.Top, w, h, SRCCOPY);
    lastBlit_ = TVQBlitPath::HalftoneStretch;
  }
}

void TPictoraView::PaintBackgroundUnder(TBitmap* buffer, const TRect& clip, bool conditional, int opacity,
                                        TVQBitmap* bmp) {
  if (conditional && offsetX_ < 1 && offsetY_ < 1 && dstW_ >= buffer->Width() && dstH_ >= buffer->Height() &&
      opacity > 254 && (!enableAlpha_ || !bmp->HasAlphaChannel() || bmp->GetAlphaChannel()->Full))
    return;
  TCanvas* c = buffer->Canvas();
  const HDC dc = c->Handle();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, clip.Left, clip.Top, clip.Right, clip.Bottom);
  const TRect imageRect{offsetX_, offsetY_, offsetX_ + dstW_, offsetY_ + dstH_};
  PaintBackground(ComponentState(), c, backgroundStyle_, GradientEndColor, chessBrush_, chessSize_, imageRect, 0, 0,
                  buffer->Width(), buffer->Height(), Background());
  RestoreDC(dc, saved);
}

void TPictoraView::DrawLayers(TBitmap* buffer, std::vector<Byte*>& rows, TRect rect) {
  SyncLayers();
  UpdateVisibleSource();
  BuildCoordinateTables();
  if (ComponentState() & csDesigning) return;
  if (imageWidth_ == 0 || imageHeight_ == 0) return;
  if (image_->HasAlphaChannel() && (image_->GetAlphaChannel()->GetWidth() != image_->GetWidth() ||
                                    image_->GetAlphaChannel()->GetHeight() != image_->GetHeight()))
    return;
  bool first = true;
  // Clipped to the rectangle being refreshed; corners inclusive.
  const TRect clip{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1};
  for (auto& layer : layers_) {
    TVQBitmap* bmp = layer->Bitmap;
    if (!layer->Visible || dstW_ == 0 || dstH_ == 0 || !(bmp->GetWidth() > 1 || bmp->GetHeight() > 1)) continue;
    if (first) PaintBackgroundUnder(buffer, rect, true, layer->Transparency, bmp);
    const TResampleFilter filter = filterCountdown_ < 1 && zoom_ != 100 ? zoomFilter_ : rfNone;
    // The view's own tables, so the pixels agree with ScreenToBitmapX/Y.
    std::vector<int> xt = tx_.window, yt = ty_.window;
    bmp->RenderToTBitmap(buffer, rows, xt, yt, &clip, offsetX_, offsetY_, dstW_, dstH_, srcX_, srcY_, srcW_, srcH_,
                         enableAlpha_, backgroundStyle_ == vqbsSolid && first, layer->Transparency, filter, false,
                         layer->Operation);
    first = false;
  }
  if (first) PaintBackgroundUnder(buffer, rect, false, 255, image_);
  if (ShowPixelGrid && zoom_ >= 400 && (imageWidth_ > 1 || imageHeight_ > 1)) DrawPixelGrid(buffer->Canvas());
}

void TPictoraView::DrawPixelGrid(TCanvas* canvas) {
  canvas->Pen()->SetMode(pmNot);
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetWidth(1);
  const int x0 = BitmapToScreenX(srcX_), x1 = BitmapToScreenX(srcX_ + srcW_);
  const int y0 = BitmapToScreenY(srcY_), y1 = BitmapToScreenY(srcY_ + srcH_);
  for (int r = srcY_; r <= srcY_ + srcH_; ++r) {
    const int y = BitmapToScreenY(r);
    canvas->MoveTo(x0, y);
    canvas->LineTo(x1, y);
  }
  for (int c = srcX_; c <= srcX_ + srcW_; ++c) {
    const int x = BitmapToScreenX(c);
    canvas->MoveTo(x, y0);
    canvas->LineTo(x, y1);
  }
  canvas->Pen()->SetMode(pmCopy);
}

void TPictoraView::DrawVersionText() {
  TCanvas* c = Canvas();
  c->Font()->SetName("Arial");
  c->Font()->SetHeight(13);
  c->Font()->SetColor(clBlack);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clWhite);
  const std::string text = "Pictora Version 2.1.7 - " + std::to_string(9) + "/" + std::to_string(11) + "/" +
                           std::to_string(2004);
  c->TextOut(GetDrawingWidth() - c->TextWidth(text), GetDrawingHeight() - c->TextHeight(text), text);
}
