// The GIF stream load of TPictoraIO: frame after frame composed on a canvas
// the size of the logical screen, as a viewer shows the animation at the
// wanted frame.
#include <algorithm>
#include <memory>
#include <vector>

#include <cstring>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/core/raster/vqzutils_pixelrows.h"
#include "imaging/io/formats/giffilter.h"
#include "imaging/io/component/pictoraio.h"

namespace {

constexpr std::int64_t kGifMaxCanvasPixels = std::int64_t(1) << 28;

TColor GifColorOf(TRGBPixel c) { return TColor(c.r) | TColor(c.g) << 8 | TColor(c.b) << 16; }

// The frame's pixels that are not transparent replace the canvas's, clipped
// to the canvas. A GIF pixel is either transparent or opaque, so this is a
// copy: blending at full opacity would round the colours.
void GifDrawFrame(TVQBitmap& frame, TVQBitmap& canvas, int left, int top) {
  const int fw = frame.GetWidth(), fh = frame.GetHeight();
  const int x0 = std::max(left, 0), x1 = std::min<std::int64_t>(std::int64_t(left) + fw, canvas.GetWidth());
  const int y0 = std::max(top, 0), y1 = std::min<std::int64_t>(std::int64_t(top) + fh, canvas.GetHeight());
  if (x0 >= x1 || y0 >= y1) return;
  const TVQPixelFormat format = frame.GetPixelFormat();
  TVQBitmap* alpha = frame.HasAlphaChannel() && !frame.GetAlphaChannel()->Full ? frame.GetAlphaChannel() : nullptr;
  std::vector<TRGBPixel> colours(static_cast<std::size_t>(fw));
  std::vector<Byte> opaque(static_cast<std::size_t>(fw), 255);
  for (int y = y0; y < y1; ++y) {
    const int fy = y - top;
    Byte* out = canvas.GetScanline(y);
    if (!alpha && format == vqRGB24) {
      std::memcpy(out + 3 * x0, frame.GetScanline(fy) + 3 * (x0 - left), std::size_t(x1 - x0) * 3);
      continue;
    }
    VQColorRow(format, frame.GetScanline(fy), fw, frame.Palette(), colours.data());
    if (alpha) std::memcpy(opaque.data(), alpha->GetScanline(fy), std::size_t(fw));
    for (int x = x0; x < x1; ++x) {
      const std::size_t fx = std::size_t(x - left);
      if (!opaque[fx]) continue;
      std::memcpy(out + 3 * x, &colours[fx], 3);
    }
  }
}

}  // namespace

int TPictoraIO::LoadGifFrames(TStream* Stream, TVQProgressRec& progress) {
  TIOParamsVals& p = *params_;
  const std::int64_t start = Stream->Position();
  const int wanted = p.GifImageIndex;
  TVQProgressRec inner;
  if (wanted < 1) {
    inner = progress;
  } else {
    inner.Sender = progress.Sender;
    inner.Aborting = &Aborting;
  }
  // Every frame is read from the same stream: its blocks are walked once.
  TGifStreamIndex index;
  std::unique_ptr<TVQBitmap> canvas;
  // The last picture completed, copied to Image when the loop ends.
  TVQBitmap* picture = nullptr;
  std::unique_ptr<TVQBitmap> single;
  int prevX = 0, prevY = 0, prevW = 0, prevH = 0;
  Byte prevDisposal = 0;
  int count = 0;
  for (int i = 0;; ++i) {
    auto frame = std::make_unique<TVQBitmap>();
    frame->SetLocation(vqMemoryBuffer);
    Stream->Seek(start, soBeginning);
    p.GifImageIndex = i;
    TVQFilterLoadArgs args;
    args.GifIndex = &index;
    TVQFilterLoad load = BuiltInFilter(ioGIF).Load;
    if (!load) {
      Aborting = true;
      break;
    }
    try {
      load(*Stream, frame.get(), &p, args, inner);
    } catch (...) {
      Aborting = true;
    }
    count = args.ImageCount;
    std::unique_ptr<TVQMask> mask = std::move(args.Mask);
    ApplyDefaultDpi();
    if (Aborting) break;
    const int fw = frame->GetWidth(), fh = frame->GetHeight();
    const int cw = std::max(p.GifWinWidth, fw), ch = std::max(p.GifWinHeight, fh);
    // A screen no frame fills is not allocated past the frames' own cap.
    if (std::int64_t(cw) * ch > kGifMaxCanvasPixels) {
      Aborting = true;
      break;
    }
    // An opaque frame needs no alpha channel of its own: drawn, it covers
    // its place and makes it opaque, as all 255 would.
    const bool opaque = !mask || mask->Full;
    if (mask && (!opaque || count <= 1)) frame->GetAlphaChannel()->CopyFromMask(mask.get());
    mask.reset();
    if (count > 1) {
      const TColor background = GifColorOf(p.GifBackground);
      if (canvas && prevDisposal == 2 && prevW > 0 && prevH > 0) {
        canvas->FillRect(prevX, prevY, prevX + prevW - 1, prevY + prevH - 1, background);
        canvas->GetAlphaChannel()->FillRect(prevX, prevY, prevX + prevW - 1, prevY + prevH - 1, 0);
      }
      // Frames are drawn on a 24-bit canvas whatever their own format, so
      // a two-colour or paletted frame does not restart the picture.
      if (!canvas) {
        canvas = std::make_unique<TVQBitmap>();
        canvas->SetLocation(vqMemoryBuffer);
        canvas->Allocate(cw, ch, vqRGB24);
        canvas->Fill(background);
        canvas->GetAlphaChannel()->Fill(0);
      }
      if (canvas->GetWidth() < cw || canvas->GetHeight() < ch)
        canvas->ResizeCanvas(std::max(cw, canvas->GetWidth()), std::max(ch, canvas->GetHeight()), background, 255,
                             0, 0);
      GifDrawFrame(*frame, *canvas, p.GifXPos, p.GifYPos);
      if (opaque)
        canvas->GetAlphaChannel()->FillRect(p.GifXPos, p.GifYPos, p.GifXPos + fw - 1, p.GifYPos + fh - 1, 255);
      else
        frame->MergeAlphaRectTo(canvas.get(), 0, 0, p.GifXPos, p.GifYPos, fw, fh);
      canvas->GetAlphaChannel()->Full = false;
      prevX = p.GifXPos;
      prevY = p.GifYPos;
      prevW = fw;
      prevH = fh;
      // Disposal 3 (restore the previous picture) is left as 0 and 1 are:
      // the frame stays.
      prevDisposal = p.GifDisposalMethod;
      picture = canvas.get();
    } else if (count > 0) {
      single = std::move(frame);
      picture = single.get();
    }
    if (count > 0 && progress.OnProgress) progress.OnProgress(progress.Sender, int(i * (100.0 / count)));
    if (Aborting || i + 1 >= count || i == wanted) break;
  }
  if (picture) image_->Assign(picture);
  p.GifImageIndex = wanted;
  if (AutoAdjustDPI) AdjustDpi();
  SetBackground(GifColorOf(p.GifHasTransparency ? p.GifTransparentColor : p.GifBackground));
  p.FileType = ioGIF;
  p.FileName.clear();
  FinishLoad();
  return count;
}
