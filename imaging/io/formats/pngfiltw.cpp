// Writing half of the PNG filter.
#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <algorithm>
#include <memory>
#include <vector>

#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/pngfilt.h"

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
  // Palette and grey output from a 24-bit image: one index a pixel, w x h.
  const Byte* indices = nullptr;
  bool transparentZero = false;  // tRNS: palette entry 0 fully transparent
  // bKGD of indexed and grey output (the index, or the grey at the output
  // depth); -1 writes none.
  int backgroundIndex = -1;
  int backgroundGrey = -1;
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
  if (s.transparentZero) {
    png_byte alpha0 = 0;
    png_set_tRNS(s.png, s.info, &alpha0, 1, nullptr);
  }
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
  } else if (s.colorType == PNG_COLOR_TYPE_PALETTE && s.backgroundIndex >= 0) {
    png_color_16 bk{};
    bk.index = png_byte(s.backgroundIndex);
    png_set_bKGD(s.png, s.info, &bk);
  } else if (s.colorType == PNG_COLOR_TYPE_GRAY && s.backgroundGrey >= 0) {
    png_color_16 bk{};
    bk.gray = png_uint_16(s.backgroundGrey);
    png_set_bKGD(s.png, s.info, &bk);
  }
  png_set_compression_level(s.png, s.compression < 0 ? 0 : s.compression > 9 ? 9 : s.compression);
  png_write_info(s.png, s.info);
  if (s.colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(s.png);
  // Rows of one byte a sample below 8 bits.
  if (s.bitDepth < 8 && s.indices) png_set_packing(s.png);
  const int passes = png_set_interlace_handling(s.png);
  TVQProgressRec* p = s.progress;
  p->Val = 0;
  p->Per = 100.0 / (double(s.height) * passes);
  for (int pass = 0; pass < passes && !*s.aborting; ++pass) {
    for (int y = 0; y < s.height && !*s.aborting; ++y) {
      Byte* row = nullptr;
      if (s.indices) {
        row = const_cast<Byte*>(s.indices) + std::size_t(y) * std::size_t(s.width);
        if (s.bitDepth == 16) {
          for (int x = 0; x < s.width; ++x) s.rowBuffer[2 * x] = s.rowBuffer[2 * x + 1] = row[x];
          row = s.rowBuffer;
        }
      } else {
        row = s.image->GetScanline(y);
      }
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
  std::vector<Byte> indices;
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
      // Depths the output can take: palette at most 8 bits, grey 1 to 16.
      int bits = Params->BitsPerSample;
      bits = bits <= 1 ? 1 : bits <= 2 ? 2 : bits <= 4 ? 4 : bits <= 8 ? 8 : 16;
      if (Params->SamplesPerPixel == 1 && bits == 1 && !hasAlpha) {
        s.colorType = PNG_COLOR_TYPE_GRAY;
        s.bitDepth = 1;
        if (format != vqBits1) {
          TRGBPixel c0, c1;
          copy = TwoColorBitmap(Bitmap, c0, c1);
          if (!copy) {
            copy = std::make_unique<TVQBitmap>();
            copy->Assign(Bitmap);
            copy->ConvertPixelFormat(vqBits1);
          }
          s.image = copy.get();
        }
      } else if (format == vqGray8 && Params->SamplesPerPixel == 1 && bits == 8 && !hasAlpha) {
        s.colorType = PNG_COLOR_TYPE_GRAY;
      } else if (format == vqPalette8 && Params->SamplesPerPixel == 1 && bits == 8 && !hasAlpha) {
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
        if (Params->SamplesPerPixel == 1) {
          // Indexed output through the quantizer.
          const int depth = hasAlpha ? 8 : std::min(bits, 8);
          const int colours = hasAlpha ? std::min(1 << std::min(bits, 8), 255) : 256;
          TRGBPixel map[256];
          TVQQuantizer quantizer(s.image, map, colours, -1);
          indices.assign(std::size_t(s.width) * std::size_t(s.height), 0);
          TVQQuantizer::TRowCache cache;
          for (int y = 0; y < s.height; ++y)
            quantizer.ColorIndexRow(s.image->GetScanline(y), s.width, indices.data() + std::size_t(y) * s.width, &cache);
          if (hasAlpha) {
            s.colorType = PNG_COLOR_TYPE_PALETTE;
            s.bitDepth = 8;
            s.transparentZero = true;
            s.paletteCount = std::min(quantizer.ColorCount() + 1, 256);
            // The background is entry 0 itself.
            s.backgroundIndex = 0;
            s.palette[0] = {Params->PngBackground.r, Params->PngBackground.g, Params->PngBackground.b};
            for (int i = 1; i < s.paletteCount; ++i) s.palette[i] = {map[i - 1].r, map[i - 1].g, map[i - 1].b};
            for (int y = 0; y < s.height; ++y) {
              const Byte* m = Mask->GetScanline(y);
              Byte* row = indices.data() + std::size_t(y) * s.width;
              for (int x = 0; x < s.width; ++x) row[x] = m[x] == 255 ? Byte(row[x] + 1) : 0;
            }
          } else if (quantizer.Grey()) {
            // The index is the grey level; narrower depths keep its top bits.
            s.colorType = PNG_COLOR_TYPE_GRAY;
            s.bitDepth = bits;
            if (bits < 8)
              for (Byte& v : indices) v = Byte(v >> (8 - bits));
            if (bits == 16) rowBuffer.assign(std::size_t(s.width) * 2, 0);
            const TRGBPixel bg = Params->PngBackground;
            const int level = (bg.r * 21 + bg.g * 71 + bg.b * 8) / 100;
            s.backgroundGrey = bits == 16 ? level * 257 : level >> (8 - std::min(bits, 8));
          } else {
            // A narrower palette holds only as many colours as its depth.
            s.colorType = PNG_COLOR_TYPE_PALETTE;
            s.bitDepth = depth;
            if (depth < 8) {
              TVQQuantizer narrow(s.image, map, 1 << depth, -1);
              for (int y = 0; y < s.height; ++y)
                narrow.ColorIndexRow(s.image->GetScanline(y), s.width, indices.data() + std::size_t(y) * s.width, &cache);
              s.paletteCount = 1 << depth;
            } else {
              s.paletteCount = 256;
            }
            for (int i = 0; i < s.paletteCount; ++i) s.palette[i] = {map[i].r, map[i].g, map[i].b};
            if (depth == 8) {
              const TRGBPixel bg = Params->PngBackground;
              s.backgroundIndex = quantizer.ColorIndex((std::uint32_t(bg.r) << 16) | (std::uint32_t(bg.g) << 8) | bg.b);
            }
          }
          s.indices = indices.data();
          s.rowBuffer = rowBuffer.empty() ? nullptr : rowBuffer.data();
        } else {
          s.colorType = hasAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
          if (hasAlpha) {
            s.mask = Mask;
            rowBuffer.assign(std::size_t(s.width) * 4, 0);
            s.rowBuffer = rowBuffer.data();
          }
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
