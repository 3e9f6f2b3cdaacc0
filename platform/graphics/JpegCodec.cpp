#include "platform/graphics/JpegCodec.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "platform/rtl/Exceptions.h"

namespace {

// The error manager: error_exit stores the message and jumps back.
struct TJpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}
// Warnings (a truncated scan, for one) are not errors: decode what is there,
// silently, as the framework's JPEG class does.
extern "C" void JpegSilent(j_common_ptr) {}

void InitError(TJpegError& e) {
  jpeg_std_error(&e.pub);
  e.pub.error_exit = JpegErrorExit;
  e.pub.output_message = JpegSilent;
  e.message[0] = 0;
}

// Decoder state between the plain-data phases below.
struct TDecoder {
  jpeg_decompress_struct cinfo;
  TJpegError err;
  bool created = false;
  jpeg_progress_mgr progress;
  int maxScans = 0;
};

// libjpeg calls this while it reads; too many scans end the decode as an
// error, through the same jump as libjpeg's own.
extern "C" void JpegProgress(j_common_ptr cinfo) {
  if (!cinfo->is_decompressor) return;
  auto* d = reinterpret_cast<jpeg_decompress_struct*>(cinfo);
  auto* dec = static_cast<TDecoder*>(cinfo->client_data);
  if (dec->maxScans > 0 && d->input_scan_number > dec->maxScans) {
    std::snprintf(dec->err.message, sizeof dec->err.message, "more than %d scans", dec->maxScans);
    std::longjmp(dec->err.jump, 1);
  }
}

// Each phase is a plain function: no object with a destructor lives in a
// frame that a longjmp can skip.
bool PhaseHeader(TDecoder& d, const std::uint8_t* data, std::size_t size) {
  if (setjmp(d.err.jump)) return false;
  jpeg_create_decompress(&d.cinfo);
  d.created = true;
  jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&d.cinfo, TRUE);
  return true;
}

bool PhaseStart(TDecoder& d) {
  if (setjmp(d.err.jump)) return false;
  jpeg_start_decompress(&d.cinfo);
  return true;
}

// Reads every row; rows[i] is the destination of output row i.
bool PhaseRows(TDecoder& d, std::uint8_t* const* rows) {
  if (setjmp(d.err.jump)) return false;
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    JSAMPROW row = rows[d.cinfo.output_scanline];
    jpeg_read_scanlines(&d.cinfo, &row, 1);
  }
  jpeg_finish_decompress(&d.cinfo);
  return true;
}

// Owns the libjpeg object in the C++ frame, so a throw frees it.
struct TDecoderGuard {
  TDecoder& d;
  ~TDecoderGuard() {
    if (d.created) jpeg_destroy_decompress(&d.cinfo);
  }
};

[[noreturn]] void Fail(const TJpegError& e) {
  throw EInvalidGraphic(std::string("JPEG error: ") + (e.message[0] ? e.message : "bad data"));
}

// Four-channel JPEGs store inverted ink (255 = none), with or without the
// Adobe marker: practically every writer does, and other decoders read them so.
void ConvertCmykRow(const std::uint8_t* cmyk, std::uint8_t* bgr, int width) {
  for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
    unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
    // R = (255 - C)(255 - K) / 255 with inverted values becomes c * k / 255.
    bgr[0] = std::uint8_t((y * k + 127) / 255);
    bgr[1] = std::uint8_t((m * k + 127) / 255);
    bgr[2] = std::uint8_t((c * k + 127) / 255);
  }
}

}  // namespace

bool IsGreyRamp(const TDibImage& image) {
  if (image.BitCount != 8 || image.Palette.size() != 256) return false;
  for (int i = 0; i < 256; ++i) {
    const TDibColor& c = image.Palette[i];
    if (c.Red != i || c.Green != i || c.Blue != i) return false;
  }
  return true;
}

TJpegInfo ReadJpegInfo(const std::uint8_t* data, std::size_t size) {
  TDecoder d;
  InitError(d.err);
  d.cinfo.err = &d.err.pub;
  TDecoderGuard guard{d};
  if (!PhaseHeader(d, data, size)) Fail(d.err);
  TJpegInfo info;
  info.Width = int(d.cinfo.image_width);
  info.Height = int(d.cinfo.image_height);
  info.Components = d.cinfo.num_components;
  info.Progressive = d.cinfo.progressive_mode != 0;
  return info;
}

TDibImage DecodeJpeg(const std::uint8_t* data, std::size_t size, const TJpegDecodeOptions& options) {
  TDecoder d;
  InitError(d.err);
  d.cinfo.err = &d.err.pub;
  TDecoderGuard guard{d};
  if (!size) throw EInvalidGraphic("JPEG error: empty data");
  if (!PhaseHeader(d, data, size)) Fail(d.err);

  jpeg_decompress_struct& ci = d.cinfo;
  // libjpeg keeps whole-image buffers for progressive files: refuse sizes
  // whose work area alone would pass the limit, before it allocates; the
  // decoded picture is checked the same way.
  std::uint64_t work = std::uint64_t(ci.image_width) * ci.image_height * std::uint64_t(ci.num_components);
  if (ci.progressive_mode) work *= 2;  // 16-bit coefficients
  if (work > options.MaxBytes) throw EInvalidGraphic("JPEG image is larger than the picture budget");
  ci.mem->max_memory_to_use = long(options.MaxBytes);
  d.maxScans = options.MaxScans;
  d.progress.progress_monitor = JpegProgress;
  ci.client_data = &d;
  ci.progress = &d.progress;

  const bool cmyk = ci.jpeg_color_space == JCS_CMYK || ci.jpeg_color_space == JCS_YCCK;
  const bool greySource = ci.jpeg_color_space == JCS_GRAYSCALE;
  const bool greyOut = greySource || options.Grayscale;
  if (cmyk)
    ci.out_color_space = JCS_CMYK;  // libjpeg turns YCCK into CMYK
  else if (greyOut)
    ci.out_color_space = JCS_GRAYSCALE;
  else
    ci.out_color_space = JCS_EXT_BGR;
  int denom = options.ScaleDenom;
  if (denom != 1 && denom != 2 && denom != 4 && denom != 8) denom = 1;
  const std::uint64_t outBytes = ((ci.image_width + denom - 1) / denom + 4ull) * (greyOut ? 1 : 3) *
                                 ((ci.image_height + denom - 1) / denom);
  if (outBytes > options.MaxBytes) throw EInvalidGraphic("JPEG image is larger than the picture budget");
  ci.scale_num = 1;
  ci.scale_denom = unsigned(denom);
  if (options.Fast) {
    ci.dct_method = JDCT_IFAST;
    ci.do_fancy_upsampling = FALSE;
  } else {
    ci.dct_method = JDCT_ISLOW;
  }
  if (!PhaseStart(d)) Fail(d.err);

  TDibImage img;
  if (greyOut) img.Palette = GreyPalette(8);
  img.Allocate(int(ci.output_width), int(ci.output_height), greyOut ? 8 : 24);

  const int w = img.Width, h = img.Height;
  std::vector<std::uint8_t> cmykRows;
  std::vector<std::uint8_t*> rows(static_cast<std::size_t>(h));
  if (cmyk) {
    cmykRows.resize(std::size_t(w) * 4 * std::size_t(h));
    for (int y = 0; y < h; ++y) rows[y] = cmykRows.data() + std::size_t(y) * std::size_t(w) * 4;
  } else {
    for (int y = 0; y < h; ++y) rows[y] = img.Row(y);
  }
  if (!PhaseRows(d, rows.data())) Fail(d.err);

  if (cmyk) {
    std::vector<std::uint8_t> bgr(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
      std::uint8_t* out = greyOut ? bgr.data() : img.Row(y);
      ConvertCmykRow(rows[y], out, w);
      if (greyOut) {  // libjpeg's own weights, 16-bit fixed point
        std::uint8_t* g = img.Row(y);
        for (int x = 0; x < w; ++x)
          g[x] = std::uint8_t((19595u * bgr[3 * x + 2] + 38470u * bgr[3 * x + 1] + 7471u * bgr[3 * x] + 32768u) >> 16);
      }
    }
  }
  return img;
}

namespace {

struct TEncoder {
  jpeg_compress_struct cinfo;
  TJpegError err;
  bool created = false;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
};

bool EncodeAll(TEncoder& e, const TJpegEncodeOptions& o, int width, int height, bool grey,
               std::uint8_t* const* rows) {
  if (setjmp(e.err.jump)) return false;
  jpeg_create_compress(&e.cinfo);
  e.created = true;
  jpeg_mem_dest(&e.cinfo, &e.out, &e.outSize);
  e.cinfo.image_width = JDIMENSION(width);
  e.cinfo.image_height = JDIMENSION(height);
  e.cinfo.input_components = grey ? 1 : 3;
  e.cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&e.cinfo);
  if (o.Grayscale && !grey) jpeg_set_colorspace(&e.cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&e.cinfo, o.Quality < 1 ? 1 : o.Quality > 100 ? 100 : o.Quality, TRUE);
  if (o.Progressive) jpeg_simple_progression(&e.cinfo);
  jpeg_start_compress(&e.cinfo, TRUE);
  while (e.cinfo.next_scanline < e.cinfo.image_height) {
    JSAMPROW row = rows[e.cinfo.next_scanline];
    jpeg_write_scanlines(&e.cinfo, &row, 1);
  }
  jpeg_finish_compress(&e.cinfo);
  return true;
}

struct TEncoderGuard {
  TEncoder& e;
  ~TEncoderGuard() {
    if (e.created) jpeg_destroy_compress(&e.cinfo);
    std::free(e.out);
  }
};

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const TDibImage& image, const TJpegEncodeOptions& options) {
  if (image.Width <= 0 || image.Height <= 0) throw EInvalidGraphicOperation("Cannot save an empty JPEG image");
  if (image.Width > 65500 || image.Height > 65500) throw EInvalidGraphicOperation("Image too large for JPEG");
  const bool grey = IsGreyRamp(image);
  TDibImage converted;
  const TDibImage* src = &image;
  if (!grey && image.BitCount != 24) {
    converted = ConvertDib(image, 24);
    src = &converted;
  }
  std::vector<std::uint8_t*> rows(std::size_t(src->Height));
  for (int y = 0; y < src->Height; ++y) rows[y] = const_cast<std::uint8_t*>(src->Row(y));

  TEncoder e;
  InitError(e.err);
  e.cinfo.err = &e.err.pub;
  TEncoderGuard guard{e};
  if (!EncodeAll(e, options, src->Width, src->Height, grey, rows.data())) Fail(e.err);
  return std::vector<std::uint8_t>(e.out, e.out + e.outSize);
}
