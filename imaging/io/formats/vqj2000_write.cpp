// JPEG 2000 writing: the bitmap's rows into the codec's components, the
// block's fields into the encoder's parameters.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqj2000.h"
#include "imaging/io/formats/vqj2000_stream.h"
#include "platform/rtl/ParallelRows.h"

namespace {

// Rows converted between two looks at the abort flag.
constexpr std::int64_t kJ2kwBandSamples = std::int64_t(1) << 20;

struct TJ2kwRows {
  TVQBitmap* source = nullptr;
  opj_image_t* image = nullptr;
  bool bits = false;
  bool grey = false;
  // An 8-bit value as a sample of the output's precision.
  std::int32_t scale[256] = {};
};

void J2kwFillRows(const TJ2kwRows& r, int first, int last) {
  const int w = int(r.image->comps[0].w);
  const std::int32_t* s = r.scale;
  for (int y = first; y < last; ++y) {
    const Byte* in = r.source->GetScanline(y);
    const std::size_t at = std::size_t(y) * std::size_t(w);
    OPJ_INT32* k0 = r.image->comps[0].data + at;
    if (r.bits) {
      for (int x = 0; x < w; ++x) k0[x] = (in[x >> 3] >> (7 - (x & 7))) & 1;
    } else if (r.grey) {
      for (int x = 0; x < w; ++x) {
        const Byte* p = in + 3 * x;
        const int g = (p[2] * GrayWeightRed + p[1] * GrayWeightGreen + p[0] * GrayWeightBlue) / 100;
        k0[x] = s[std::clamp(g, 0, 255)];
      }
    } else {
      OPJ_INT32* k1 = r.image->comps[1].data + at;
      OPJ_INT32* k2 = r.image->comps[2].data + at;
      for (int x = 0; x < w; ++x) {
        const Byte* p = in + 3 * x;
        k0[x] = s[p[2]];
        k1[x] = s[p[1]];
        k2[x] = s[p[0]];
      }
    }
  }
}

}  // namespace

void SaveJ2kImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, int Format, TVQProgressRec& Progress) {
  bool localAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : localAbort;
  if (!J2kFormatName(Format) || !Bitmap || Bitmap->IsEmpty()) {
    abortFlag = true;
    return;
  }
  TVQBitmap* source = Bitmap;
  std::unique_ptr<TVQBitmap> copy;
  const TVQPixelFormat format = Bitmap->GetPixelFormat();
  if (format == vqBits1) {
    Params.BitsPerSample = 1;
    Params.J2kColorSpace = 0;
  } else if (format != vqRGB24) {
    copy = std::make_unique<TVQBitmap>();
    copy->Assign(Bitmap);
    copy->SetPixelFormat(vqRGB24);
    source = copy.get();
  }
  const int w = source->GetWidth(), h = source->GetHeight();
  const TJ2kEncoderOptions options = J2kEncoderOptions(Params, w, h);

  opj_image_cmptparm_t parts[3] = {};
  for (opj_image_cmptparm_t& c : parts) {
    c.dx = c.dy = 1;
    c.w = OPJ_UINT32(w);
    c.h = OPJ_UINT32(h);
    c.prec = OPJ_UINT32(options.Precision);
    c.sgnd = 0;
  }
  TJ2kImagePtr image(opj_image_create(OPJ_UINT32(options.Components), parts,
                                      options.Components == 1 ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
  if (!image) {
    abortFlag = true;
    return;
  }
  image->x0 = image->y0 = 0;
  image->x1 = OPJ_UINT32(w);
  image->y1 = OPJ_UINT32(h);

  TJ2kwRows rows;
  rows.source = source;
  rows.image = image.get();
  rows.bits = source->GetPixelFormat() == vqBits1;
  rows.grey = options.Components == 1;
  const std::int64_t top = (std::int64_t(1) << options.Precision) - 1;
  for (int v = 0; v < 256; ++v) rows.scale[v] = std::int32_t(v * top / 255);
  const bool fileBacked = source->Location() == vqTempFile;
  const int band = int(std::clamp<std::int64_t>(kJ2kwBandSamples / w, 1, h));
  for (int first = 0; first < h; first += band) {
    const int last = std::min(h, first + band);
    // A file-backed image holds one row at a time.
    if (fileBacked)
      J2kwFillRows(rows, first, last);
    else
      ParallelRows(last - first, [&](int b, int e) { J2kwFillRows(rows, first + b, first + e); });
    for (int y = first; y < last; ++y) {
      ReportProgress(&Progress, int(std::int64_t(y) * 100 / h));
      if (abortFlag) return;
    }
  }

  opj_cparameters_t setup;
  opj_set_default_encoder_parameters(&setup);
  setup.tcp_numlayers = 1;
  setup.cp_disto_alloc = 1;
  setup.tcp_rates[0] = float(options.Ratio);
  setup.irreversible = 0;
  setup.tcp_mct = options.ColourTransform ? 1 : 0;
  setup.numresolution = options.Resolutions;
  if (options.Progression == 0) setup.prog_order = OPJ_LRCP;
  if (options.Progression == 1) setup.prog_order = OPJ_RLCP;

  TJ2kIO io;
  io.Stream = &Stream;
  io.Aborting = &abortFlag;
  TJ2kCodecPtr codec(opj_create_compress(Format == kJ2kFormatJp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  if (!codec) {
    abortFlag = true;
    return;
  }
  J2kRouteMessages(codec.get(), io);
  if (!opj_setup_encoder(codec.get(), &setup, image.get())) {
    abortFlag = true;
    return;
  }
  J2kUseThreads(codec.get());
  TJ2kStreamPtr stream = J2kWriteStream(io);
  if (!stream) {
    abortFlag = true;
    return;
  }
  const bool ok = opj_start_compress(codec.get(), image.get(), stream.get()) && opj_encode(codec.get(), stream.get()) &&
                  opj_end_compress(codec.get(), stream.get());
  stream.reset();
  if (!ok || io.Failed) {
    abortFlag = true;
    return;
  }
  // The JP2 writer goes back to fill in a box length; the stream is left
  // after the last byte written.
  if (io.End > Stream.Position()) Stream.Seek(io.End, soBeginning);
}
