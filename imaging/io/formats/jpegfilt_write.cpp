// Writing half of the JPEG filter.
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/metadata/vqzutils_annot.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/formats/jpegfilt_codec.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"

namespace {

constexpr std::size_t kJpegwBufferSize = 65536;
constexpr int kJpegwApp14 = 0xEE;
constexpr int kJpegwApp2 = 0xE2;
// The density written for a resolution of 0.
constexpr int kJpegwDefaultDpi = 300;

// ---- destination manager ---------------------------------------------------------

struct TJpegwDest {
  jpeg_destination_mgr pub;  // first
  TStream* stream = nullptr;
  JOCTET* buffer = nullptr;
  bool* aborting = nullptr;
};

// A stream that raises wrote nothing.
bool JpegwWrite(TJpegwDest& d, std::size_t count) noexcept {
  try {
    return d.stream->Write(d.buffer, std::int64_t(count)) == std::int64_t(count);
  } catch (...) {
    return false;
  }
}

extern "C" void JpegwInitDest(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TJpegwDest*>(cinfo->dest);
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kJpegwBufferSize;
}

extern "C" boolean JpegwEmptyOutput(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TJpegwDest*>(cinfo->dest);
  if (!JpegwWrite(*d, kJpegwBufferSize) && d->aborting) *d->aborting = true;
  d->pub.next_output_byte = d->buffer;
  d->pub.free_in_buffer = kJpegwBufferSize;
  return TRUE;
}

extern "C" void JpegwTermDest(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TJpegwDest*>(cinfo->dest);
  const std::size_t used = kJpegwBufferSize - d->pub.free_in_buffer;
  if (used > 0 && !JpegwWrite(*d, used) && d->aborting) *d->aborting = true;
}

// ---- writer ------------------------------------------------------------------------

// Everything the codec's jumps pass over: plain data only.
struct TJpegwState {
  jpeg_compress_struct cinfo;
  TJpegFiltError err;
  TJpegwDest dest;
  bool created = false;
  TVQBitmap* image = nullptr;
  TIOParamsVals* params = nullptr;
  TVQProgressRec* progress = nullptr;
  JSAMPLE* cmykRow = nullptr;  // CMYK input: the row converted
  bool plainInks = false;      // CMYK as plain inks without the Adobe marker
};

bool JpegwCreate(TJpegwState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_create_compress(&s.cinfo);
  s.created = true;
  s.cinfo.dest = &s.dest.pub;
  s.dest.pub.init_destination = JpegwInitDest;
  s.dest.pub.empty_output_buffer = JpegwEmptyOutput;
  s.dest.pub.term_destination = JpegwTermDest;
  return true;
}

J_COLOR_SPACE JpegwColorSpace(Byte value) {
  switch (value) {
    case 1: return JCS_GRAYSCALE;
    case 2: return JCS_YCbCr;
    case 3: return JCS_CMYK;
    case 4: return JCS_YCCK;
    default: return JCS_RGB;
  }
}

J_DCT_METHOD JpegwDctMethod(Byte method) {
  switch (method) {
    case 1: return JDCT_IFAST;
    case 2: return JDCT_FLOAT;
    default: return JDCT_ISLOW;
  }
}

UINT16 JpegwDensity(int dpi) {
  if (dpi <= 0) return kJpegwDefaultDpi;
  return UINT16(dpi > 65535 ? 65535 : dpi);
}

// A profile already among the markers is written with them.
bool JpegwMarkersHoldIcc(const TVQMarkerList& markers) {
  static const char kIccTag[] = "ICC_PROFILE";
  for (int i = 0; i < markers.GetCount(); ++i)
    if (markers.GetMarkerType(i) == kJpegwApp2 && markers.GetMarkerLength(i) >= int(sizeof kIccTag) &&
        std::memcmp(markers.GetMarkerData(i), kIccTag, sizeof kIccTag) == 0)
      return true;
  return false;
}

// Steps 3 to 6: settings, start, markers.
bool JpegwStart(TJpegwState& s, const TIOParamsVals& p, bool writeIcc) {
  if (setjmp(s.err.jump)) return false;
  jpeg_compress_struct& ci = s.cinfo;
  ci.image_width = JDIMENSION(s.image->GetWidth());
  ci.image_height = JDIMENSION(s.image->GetHeight());
  // The codec takes the library's blue, green, red rows as they are.
  ci.input_components = 3;
  ci.in_color_space = JCS_EXT_BGR;
  const J_COLOR_SPACE space = JpegwColorSpace(p.JpegColorSpace);
  if (space == JCS_CMYK || space == JCS_YCCK) {
    ci.input_components = 4;
    ci.in_color_space = JCS_CMYK;
  }
  jpeg_set_defaults(&ci);
  jpeg_set_colorspace(&ci, space);
  // Plain inks carry no Adobe marker: readers take its absence as plain.
  if (s.plainInks && space == JCS_CMYK) ci.write_Adobe_marker = FALSE;
  ci.density_unit = 1;
  ci.X_density = JpegwDensity(p.DpiX());
  ci.Y_density = JpegwDensity(p.DpiY());
  ci.dct_method = JpegwDctMethod(p.JpegDctMethod);
  ci.optimize_coding = p.JpegOptimalHuffman ? TRUE : FALSE;
  // libjpeg's range; larger factors give wrapped samples.
  ci.smoothing_factor = p.JpegSmoothing < 0 ? 0 : p.JpegSmoothing > 100 ? 100 : p.JpegSmoothing;
  jpeg_set_quality(&ci, p.JpegQuality, TRUE);
  if (p.JpegProgressive) jpeg_simple_progression(&ci);
  jpeg_start_compress(&ci, TRUE);
  // The codec writes its own Adobe marker where the colour space needs one.
  const TVQMarkerList& markers = *p.JpegMarkers;
  for (int i = 0; i < markers.GetCount(); ++i) {
    if (markers.GetMarkerType(i) == kJpegwApp14) continue;
    jpeg_write_marker(&ci, markers.GetMarkerType(i), markers.GetMarkerData(i),
                      unsigned(markers.GetMarkerLength(i)));
  }
  if (writeIcc) jpeg_write_icc_profile(&ci, p.InputICC->Data(), unsigned(p.InputICC->Length()));
  return true;
}

bool JpegwRows(TJpegwState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_compress_struct& ci = s.cinfo;
  const int width = int(ci.image_width);
  const double per = 100.0 / int(ci.image_height);
  bool* aborting = s.err.aborting;
  int count = 0;
  while (ci.next_scanline < ci.image_height) {
    Byte* row = s.image->GetScanline(int(ci.next_scanline));
    if (s.cmykRow) {
      IOConvertRow(row, 1, s.cmykRow, 2, width, s.params);
      // The library's CMYK is the Adobe form, inks inverted.
      if (s.plainInks)
        for (int i = 0; i < width * 4; ++i) s.cmykRow[i] = JSAMPLE(255 - s.cmykRow[i]);
      row = s.cmykRow;
    }
    JSAMPROW rows[1] = {row};
    count += int(jpeg_write_scanlines(&ci, rows, 1));
    ReportProgress(s.progress, int(count * per));
    if (*aborting) break;
  }
  return true;
}

bool JpegwFinish(TJpegwState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_finish_compress(&s.cinfo);
  return true;
}

// Frees the codec record when the writer leaves, also by an exception.
struct TJpegwRelease {
  TJpegwState& s;
  ~TJpegwRelease() {
    if (s.created) jpeg_destroy_compress(&s.cinfo);
  }
};

}  // namespace

void SaveJpegImage(TStream* Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  SaveJpegStream(Stream, Bitmap, Params, Progress, false);
}

void SaveJpegStream(TStream* Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress,
                    bool PlainCmykInks) {
  bool localAbort = false;
  bool* aborting = Progress.Aborting ? Progress.Aborting : &localAbort;
  if (!Stream || !Bitmap || Bitmap->GetWidth() <= 0 || Bitmap->GetHeight() <= 0 ||
      Bitmap->GetPixelFormat() == vqNull) {
    *aborting = true;
    return;
  }
  // The codec takes 24-bit rows; other formats go through a copy, so the
  // caller's image stays as it was.
  std::unique_ptr<TVQBitmap> copy;
  TVQBitmap* image = Bitmap;
  if (Bitmap->GetPixelFormat() != vqRGB24) {
    copy = std::make_unique<TVQBitmap>();
    copy->Assign(Bitmap);
    copy->ConvertPixelFormat(vqRGB24);
    image = copy.get();
  }

  auto state = std::make_unique<TJpegwState>();
  TJpegwState& s = *state;
  JpegFiltInitError(s.err, aborting);
  s.cinfo.err = &s.err.pub;
  std::vector<JOCTET> buffer(kJpegwBufferSize);
  s.dest.stream = Stream;
  s.dest.buffer = buffer.data();
  s.dest.aborting = aborting;
  s.image = image;
  s.params = &Params;
  s.progress = &Progress;
  s.plainInks = PlainCmykInks;
  std::vector<JSAMPLE> cmykRow;
  TJpegwRelease release{s};

  bool failed = !JpegwCreate(s);
  if (!failed && *aborting) return;
  const J_COLOR_SPACE space = JpegwColorSpace(Params.JpegColorSpace);
  if (space == JCS_CMYK || space == JCS_YCCK) {
    cmykRow.resize(std::size_t(image->GetWidth()) * 4);
    s.cmykRow = cmykRow.data();
  }
  const bool writeIcc = !Params.InputICC->IsEmpty() && !JpegwMarkersHoldIcc(*Params.JpegMarkers);
  try {
    if (!failed) failed = !JpegwStart(s, Params, writeIcc);
    if (!failed) failed = !JpegwRows(s);
    if (!failed && !*aborting) failed = !JpegwFinish(s);
  } catch (...) {
    *aborting = true;
    throw;
  }
  if (failed) {
    *aborting = true;
    throw EVQJpegException(JpegMessageText(s.err.errorCode));
  }
}
