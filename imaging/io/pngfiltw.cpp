// Writing half of the PNG filter.
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/pictoraio_params.h"
#include "imaging/io/pngfilt.h"

namespace {

// Plain data only: libpng leaves its frames through longjmp.
struct TPngwState {
  TStream* stream = nullptr;
  bool* aborting = nullptr;
  png_structp png = nullptr;
  png_infop info = nullptr;
  TVQBitmap* image = nullptr;
  TVQMask* mask = nullptr;  // set when the output carries alpha
  Byte* rowBuffer = nullptr;
  int width = 0, height = 0;
  int colorType = PNG_COLOR_TYPE_RGB, bitDepth = 8;
  bool interlace = false;
  int filter = 0, compression = 5;
  int dpiX = 0, dpiY = 0;
  TRGBPixel background;
  png_color palette[256] = {};
  int paletteCount = 0;
  TVQProgressRec* progress = nullptr;
};

void PngwError(png_structp png, png_const_charp) {
  auto* s = static_cast<TPngwState*>(png_get_error_ptr(png));
  *s->aborting = true;
  png_longjmp(png, 1);
}

void PngwWarning(png_structp, png_const_charp) {}

void PngwWrite(png_structp png, png_bytep data, png_size_t length) {
  auto* s = static_cast<TPngwState*>(png_get_io_ptr(png));
  std::int64_t written = 0;
  try {
    written = s->stream->Write(data, std::int64_t(length));
  } catch (...) {
    written = -1;
  }
  // The writer stops after the current row.
  if (written != std::int64_t(length)) *s->aborting = true;
}

void PngwFlush(png_structp) {}

bool PngwRun(TPngwState& s) {
  s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &s, PngwError, PngwWarning);
  if (!s.png) return false;
  s.info = png_create_info_struct(s.png);
  if (!s.info) return false;
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_write_fn(s.png, &s, PngwWrite, PngwFlush);
  png_set_IHDR(s.png, s.info, png_uint_32(s.width), png_uint_32(s.height), s.bitDepth, s.colorType,
               s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (s.colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(s.png, s.info, s.palette, s.paletteCount);
  if (s.dpiX > 0 && s.dpiY > 0)
    png_set_pHYs(s.png, s.info, png_uint_32(std::lround(s.dpiX * 100 / 2.54)),
                 png_uint_32(std::lround(s.dpiY * 100 / 2.54)), PNG_RESOLUTION_METER);
  switch (s.filter) {
    case 0: png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE); break;
    case 1: png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB); break;
    case 2: png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH); break;
    default: break;
  }
  if (s.colorType & PNG_COLOR_MASK_COLOR && s.colorType != PNG_COLOR_TYPE_PALETTE) {
    png_color_16 bk{};
    bk.red = s.background.r;
    bk.green = s.background.g;
    bk.blue = s.background.b;
    png_set_bKGD(s.png, s.info, &bk);
  }
  png_set_compression_level(s.png, s.compression < 0 ? 0 : s.compression > 9 ? 9 : s.compression);
  png_write_info(s.png, s.info);
  if (s.colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(s.png);
  const int passes = png_set_interlace_handling(s.png);
  TVQProgressRec* p = s.progress;
  p->Val = 0;
  p->Per = 100.0 / (double(s.height) * passes);
  for (int pass = 0; pass < passes && !*s.aborting; ++pass) {
    for (int y = 0; y < s.height && !*s.aborting; ++y) {
      Byte* row = s.image->GetScanline(y);
      if (s.mask) {
        const Byte* m = s.mask->GetScanline(y);
        Byte* o = s.rowBuffer;
        for (int x = 0; x < s.width; ++x, o += 4) {
          o[0] = row[3 * x];
          o[1] = row[3 * x + 1];
          o[2] = row[3 * x + 2];
          o[3] = m[x];
        }
        row = s.rowBuffer;
      }
      png_write_row(s.png, row);
      p->Val += 1;
      ReportProgress(p, int(p->Per * p->Val));
    }
  }
  if (!*s.aborting) png_write_end(s.png, s.info);
  return !*s.aborting;
}

}  // namespace

void SavePngImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals* Params, TVQMask* Mask,
                  TVQProgressRec& Progress) {
  bool localAbort = false;
  TPngwState s;
  s.stream = &Stream;
  s.aborting = Progress.Aborting ? Progress.Aborting : &localAbort;
  s.progress = &Progress;
  std::unique_ptr<TVQBitmap> copy;
  std::vector<Byte> rowBuffer;
  bool ok = true;
  try {
    s.width = Bitmap->GetWidth();
    s.height = Bitmap->GetHeight();
    if (s.width <= 0 || s.height <= 0 || Bitmap->GetPixelFormat() == vqNull) {
      ok = false;
    } else {
      // The output follows the image's own pixel format; the parameter
      // block only picks among the paths that format allows.
      const TVQPixelFormat format = Bitmap->GetPixelFormat();
      const bool hasAlpha = Mask && !Mask->Full && Mask->Width() >= s.width && Mask->Height() >= s.height &&
                            Mask->BitCount() == 8;
      s.image = Bitmap;
      if (format == vqBits1 && Params->BitsPerSample == 1) {
        s.colorType = PNG_COLOR_TYPE_GRAY;
        s.bitDepth = 1;
      } else if (format == vqGray8 && Params->SamplesPerPixel == 1 && !hasAlpha) {
        s.colorType = PNG_COLOR_TYPE_GRAY;
      } else if (format == vqPalette8 && Params->SamplesPerPixel == 1 && !hasAlpha) {
        s.colorType = PNG_COLOR_TYPE_PALETTE;
        s.paletteCount = 256;
        for (int i = 0; i < 256; ++i) {
          TRGBPixel c;
          Bitmap->GetPaletteColor(i, c);
          s.palette[i] = {c.r, c.g, c.b};
        }
      } else {
        if (format != vqRGB24) {
          copy = std::make_unique<TVQBitmap>();
          copy->Assign(Bitmap);
          copy->ConvertPixelFormat(vqRGB24);
          s.image = copy.get();
        }
        s.colorType = hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
        if (hasAlpha) {
          s.mask = Mask;
          rowBuffer.assign(std::size_t(s.width) * 4, 0);
          s.rowBuffer = rowBuffer.data();
        }
      }
      s.interlace = Params->PngInterlaced;
      s.filter = Params->PngFilter;
      s.compression = Params->PngCompression;
      s.dpiX = Params->DpiX();
      s.dpiY = Params->DpiY();
      s.background = Params->PngBackground;
      ok = PngwRun(s);
    }
  } catch (...) {
    ok = false;
  }
  if (s.png) png_destroy_write_struct(&s.png, s.info ? &s.info : nullptr);
  if (!ok) *s.aborting = true;
}
