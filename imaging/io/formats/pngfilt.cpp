#include "imaging/io/formats/pngfilt.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"

namespace {

// Sides and chunk sizes past these are refused before anything is allocated.
constexpr png_uint_32 kPngrMaxSide = 65535;
constexpr std::uint64_t kPngrMaxPixels = std::uint64_t(1) << 28;
constexpr png_alloc_size_t kPngrMaxChunk = png_alloc_size_t(8) << 20;

// Chunks libpng would otherwise decode (and, for zTXt and iCCP, inflate);
// the filter keeps none of them.
const png_byte kPngrIgnored[] = {'t', 'E', 'X', 't', 0, 'z', 'T', 'X', 't', 0, 'i', 'T', 'X', 't', 0,
                                 'c', 'H', 'R', 'M', 0, 's', 'R', 'G', 'B', 0, 'i', 'C', 'C', 'P', 0,
                                 't', 'I', 'M', 'E', 0};

// Everything the libpng frames touch is plain data: libpng leaves through
// longjmp, which must not pass over objects with destructors.
struct TPngrState {
  TStream* stream = nullptr;
  bool* aborting = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  bool noAlphaMask = false;
  bool native = false;
  TRGBPixel screenBackground;
  bool fileBackground = false;
  TRGBPixel background;
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0, passes = 1, channels = 0;
  png_size_t rowBytes = 0;
  // Rows phase.
  TVQBitmap* image = nullptr;
  TVQMask* mask = nullptr;
  Byte* alphaRow = nullptr;
  TVQProgressRec* progress = nullptr;
};

void PngrError(png_structp png, png_const_charp) {
  auto* s = static_cast<TPngrState*>(png_get_error_ptr(png));
  *s->aborting = true;
  png_longjmp(png, 1);
}

void PngrWarning(png_structp, png_const_charp) {}

void PngrRead(png_structp png, png_bytep data, png_size_t length) {
  auto* s = static_cast<TPngrState*>(png_get_io_ptr(png));
  bool ok = false;
  try {
    ok = ReadExact(s->stream, data, std::int64_t(length));
  } catch (...) {
    ok = false;
  }
  if (!ok) png_error(png, "short read");
}

Byte PngrTo8(png_uint_16 v, int depth) {
  if (depth == 16) return Byte(v >> 8);
  if (depth >= 8) return Byte(v);
  const int top = (1 << depth) - 1;
  return Byte(std::min<int>(v, top) * 255 / top);
}

bool PngrHeader(TPngrState& s) {
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, PngrError, PngrWarning);
  if (!s.png) return false;
  s.info = png_create_info_struct(s.png);
  if (!s.info) return false;
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_user_limits(s.png, kPngrMaxSide, kPngrMaxSide);
  png_set_chunk_malloc_max(s.png, kPngrMaxChunk);
  png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, kPngrIgnored, int(sizeof kPngrIgnored / 5));
  png_set_read_fn(s.png, &s, PngrRead);
  png_read_info(s.png, s.info);
  png_get_IHDR(s.png, s.info, &s.width, &s.height, &s.bitDepth, &s.colorType, &s.interlace, nullptr, nullptr);
  if (std::uint64_t(s.width) * s.height > kPngrMaxPixels) return false;
  const int depth = s.bitDepth, ct = s.colorType;
  // 1-bit rows go in packed as they are, so nothing is composed on them.
  if (s.noAlphaMask && depth > 1) {
    png_color_16p bk = nullptr;
    if (png_get_bKGD(s.png, s.info, &bk) && bk) {
      s.fileBackground = true;
      if (ct == PNG_COLOR_TYPE_PALETTE) {
        s.background = {Byte(bk->blue), Byte(bk->green), Byte(bk->red)};
      } else if (ct & PNG_COLOR_MASK_COLOR) {
        s.background = {PngrTo8(bk->blue, depth), PngrTo8(bk->green, depth), PngrTo8(bk->red, depth)};
      } else {
        const Byte g = PngrTo8(bk->gray, depth);
        s.background = {g, g, g};
      }
      png_set_background(s.png, bk, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
      // The colour is given at the image's own sample size.
      const int scale = depth == 16 ? 257 : 1;
      png_color_16 b{};
      b.red = png_uint_16(s.screenBackground.r * scale);
      b.green = png_uint_16(s.screenBackground.g * scale);
      b.blue = png_uint_16(s.screenBackground.b * scale);
      b.gray = b.green;
      png_set_background(s.png, &b, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
  }
  const bool keepNative = s.native && depth == 8 && (ct == PNG_COLOR_TYPE_PALETTE || ct == PNG_COLOR_TYPE_GRAY);
  if (!keepNative && depth > 1) {
    // Expanding also turns a tRNS chunk into alpha, so transparency of
    // grey and RGB files reaches the mask as well.
    if (ct == PNG_COLOR_TYPE_PALETTE || (ct == PNG_COLOR_TYPE_GRAY && depth < 8) ||
        png_get_valid(s.png, s.info, PNG_INFO_tRNS))
      png_set_expand(s.png);
    if (depth == 16) png_set_strip_16(s.png);
    if (depth < 8) png_set_packing(s.png);
    if (!(ct & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(s.png);
    png_set_bgr(s.png);
  }
  s.passes = png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  s.channels = png_get_channels(s.png, s.info);
  s.rowBytes = png_get_rowbytes(s.png, s.info);
  return true;
}

void PngrStepProgress(TPngrState& s) {
  TVQProgressRec* p = s.progress;
  p->Val += 1;
  ReportProgress(p, int(p->Per * p->Val));
}

bool PngrRows(TPngrState& s) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  const int w = int(s.width);
  for (int pass = 0; pass < s.passes; ++pass) {
    for (int y = 0; y < int(s.height); ++y) {
      Byte* row = s.image->GetScanline(y);
      if (s.alphaRow) {
        Byte* m = s.mask->GetScanline(y);
        Byte* a = s.alphaRow;
        // Later passes add their pixels to what the earlier ones left.
        for (int x = 0; x < w; ++x, a += 4) {
          a[0] = row[3 * x];
          a[1] = row[3 * x + 1];
          a[2] = row[3 * x + 2];
          a[3] = m[x];
        }
        png_read_row(s.png, s.alphaRow, nullptr);
        a = s.alphaRow;
        for (int x = 0; x < w; ++x, a += 4) {
          row[3 * x] = a[0];
          row[3 * x + 1] = a[1];
          row[3 * x + 2] = a[2];
          m[x] = a[3];
        }
      } else {
        png_read_row(s.png, row, nullptr);
      }
      PngrStepProgress(s);
      if (*s.aborting) return false;
    }
  }
  png_read_end(s.png, nullptr);
  return true;
}

// Bytes a row of the format takes from libpng.
png_size_t PngrFormatRowBytes(TVQPixelFormat format, int width, int channels) {
  switch (format) {
    case vqBits1: return png_size_t((width + 7) / 8);
    case vqPalette8:
    case vqGray8: return png_size_t(width);
    default: return png_size_t(width) * std::size_t(channels);
  }
}

void PngLoadFilter(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  LoadPngImage(Stream, Image, Params, Args.NoAlphaMask, Args.Mask, Args.ParamsOnly, Progress);
}

void PngSaveFilter(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs& Args,
                   TVQProgressRec& Progress) {
  SavePngImage(Stream, Image, Params, Args.AlphaMask, Progress);
}

const bool kPngrRegistered = [] {
  RegisterPngFilter();
  return true;
}();

}  // namespace

void RegisterPngFilter() { SetBuiltInFilter(ioPNG, PngLoadFilter, PngSaveFilter); }

bool IsPngStream(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  png_byte signature[8];
  if (!ReadExact(Stream, signature, sizeof signature)) return false;
  // Four bytes decide, as the reader's own check does: "\x89PNG".
  return png_sig_cmp(signature, 0, 4) == 0;
}

void LoadPngImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals* Params, bool NoAlphaMask,
                  std::unique_ptr<TVQMask>& Mask, bool ParamsOnly, TVQProgressRec& Progress) {
  bool localAbort = false;
  TPngrState s;
  s.stream = &Stream;
  s.aborting = Progress.Aborting ? Progress.Aborting : &localAbort;
  s.noAlphaMask = NoAlphaMask;
  s.native = Params->NativePixelFormat;
  s.screenBackground = Params->PngBackground;
  s.progress = &Progress;
  bool ok = PngrHeader(s);
  std::vector<Byte> alphaRow;
  if (ok) {
    if (s.fileBackground) Params->PngBackground = s.background;
    Params->Width = std::int32_t(s.width);
    Params->Height = std::int32_t(s.height);
    Params->BitsPerSample = s.bitDepth;
    switch (s.colorType) {
      case PNG_COLOR_TYPE_RGB: Params->SamplesPerPixel = 3; break;
      case PNG_COLOR_TYPE_GRAY_ALPHA: Params->SamplesPerPixel = 2; break;
      case PNG_COLOR_TYPE_RGB_ALPHA: Params->SamplesPerPixel = 4; break;
      default: Params->SamplesPerPixel = 1; break;
    }
    png_uint_32 ppmX = 0, ppmY = 0;
    int unit = 0;
    int dpiX = 0, dpiY = 0;
    if (png_get_pHYs(s.png, s.info, &ppmX, &ppmY, &unit) && unit == PNG_RESOLUTION_METER) {
      dpiX = int(std::lround(ppmX * 2.54 / 100));
      dpiY = int(std::lround(ppmY * 2.54 / 100));
    }
    Params->SetDpiX(dpiX > 0 ? dpiX : kIODefaultDpi);
    Params->SetDpiY(dpiY > 0 ? dpiY : kIODefaultDpi);
    Params->SetColorMap(nullptr, 0);
    png_colorp plte = nullptr;
    int count = 0;
    if (s.colorType == PNG_COLOR_TYPE_PALETTE && png_get_PLTE(s.png, s.info, &plte, &count) && count > 0) {
      std::vector<TRGBPixel> map(static_cast<std::size_t>(count));
      for (int i = 0; i < count; ++i) map[std::size_t(i)] = {plte[i].blue, plte[i].green, plte[i].red};
      Params->SetColorMap(map.data(), count);
    }
    Params->PngInterlaced = s.interlace != PNG_INTERLACE_NONE;
  }
  if (ok && !ParamsOnly) {
    try {
      TVQPixelFormat format = vqRGB24;
      if (s.bitDepth == 1) {
        format = vqBits1;
      } else if (Params->NativePixelFormat && s.bitDepth == 8 && s.channels == 1) {
        format = s.colorType == PNG_COLOR_TYPE_PALETTE ? vqPalette8 : vqGray8;
      }
      const bool alpha = s.channels == 4 && !NoAlphaMask && format == vqRGB24;
      // What libpng will write must be exactly what a row of the bitmap
      // (or of the alpha buffer) holds.
      const png_size_t expected = PngrFormatRowBytes(format, int(s.width), alpha ? 4 : s.channels);
      const bool shapeOk = format == vqRGB24 ? (s.channels == 3 || alpha) : s.channels == 1;
      if (!shapeOk || expected != s.rowBytes) {
        ok = false;
      } else {
        Bitmap->Allocate(int(s.width), int(s.height), format);
        if (Bitmap->GetRowLength() < int(s.rowBytes) && !alpha) ok = false;
        if (format == vqPalette8) {
          const TRGBPixel* map = Params->ColorMap();
          for (int i = 0; i < 256; ++i)
            Bitmap->SetPaletteColor(i, i < Params->ColorMapCount() ? map[i] : TRGBPixel{});
        }
        if (alpha) {
          if (!Mask) Mask = std::make_unique<TVQMask>();
          Mask->AllocateBits(int(s.width), int(s.height), 8);
          Mask->Fill(255);
          alphaRow.assign(s.rowBytes, 0);
          s.alphaRow = alphaRow.data();
          s.mask = Mask.get();
        }
        s.image = Bitmap;
        Progress.Val = 0;
        Progress.Per = 100.0 / (double(s.height) * s.passes);
        if (ok) ok = PngrRows(s);
        if (alpha && Mask) Mask->Full = false;
      }
    } catch (...) {
      ok = false;
    }
  }
  if (s.png) png_destroy_read_struct(&s.png, s.info ? &s.info : nullptr, nullptr);
  if (!ok) *s.aborting = true;
}
