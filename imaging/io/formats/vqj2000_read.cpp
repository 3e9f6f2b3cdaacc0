// JPEG 2000 reading: the header into the parameter block, the decoded
// components straight into the bitmap's rows.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqj2000.h"
#include "imaging/io/formats/vqj2000_stream.h"
#include "platform/rtl/ParallelRows.h"

namespace {

// Larger images are refused before anything is decoded.
constexpr std::uint64_t kJ2krMaxPixels = std::uint64_t(1) << 28;
// Rows converted between two looks at the abort flag: about 4 MB of output.
constexpr std::int64_t kJ2krBandBytes = std::int64_t(1) << 22;

// Samples the codec may hold: four components at the pixel cap.
constexpr std::uint64_t kJ2krMaxSamples = kJ2krMaxPixels * 4;
// Every tile has a tile-part header of its own, SOT and SOD, 14 bytes, and
// at least one byte of packet header for each of its components.
constexpr std::int64_t kJ2krTilePartBytes = 14;
constexpr int kJ2krMaxBoxes = 1024;
constexpr std::uint32_t kJ2krCodeStreamBox = 0x6A703263;  // "jp2c"

enum class TJ2krModel { Grey, Rgb, Ycc };

std::uint32_t J2krBE32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

// Where the code stream starts: at the position for J2K, in the payload of
// the top-level code stream box for JP2; -1 when there is none.
std::int64_t J2krCodeStreamAt(TStream& s, std::int64_t start, std::int64_t end, bool jp2) {
  if (!jp2) return start;
  std::int64_t at = start;
  for (int boxes = 0; boxes < kJ2krMaxBoxes && end - at >= 8; ++boxes) {
    std::uint8_t h[16];
    s.Seek(at, soBeginning);
    if (!ReadExact(&s, h, 8)) return -1;
    std::uint64_t length = J2krBE32(h);
    std::int64_t header = 8;
    if (length == 1) {
      if (!ReadExact(&s, h + 8, 8)) return -1;
      length = std::uint64_t(J2krBE32(h + 8)) << 32 | J2krBE32(h + 12);
      header = 16;
    } else if (length == 0) {
      length = std::uint64_t(end - at);
    }
    if (J2krBE32(h + 4) == kJ2krCodeStreamBox) return at + header;
    if (length < std::uint64_t(header) || length > std::uint64_t(end - at)) return -1;
    at += std::int64_t(length);
  }
  return -1;
}

// The size header of the code stream, checked before the codec sees it: the
// picture within the pixel cap and its samples within four a pixel, and
// bytes enough for a tile-part header a tile and a packet a component in
// it, so the codec builds no records for tiles and components that are not
// there. A stream without a readable size header is left to the codec.
bool J2krSizePlausible(TStream& s, bool jp2) {
  TStreamPositionGuard guard(&s);
  const std::int64_t start = s.Position(), end = s.Size();
  const std::int64_t at = J2krCodeStreamAt(s, start, end, jp2);
  std::uint8_t siz[42];
  if (at < 0) return true;
  s.Seek(at, soBeginning);
  if (!ReadExact(&s, siz, sizeof siz) || siz[2] != 0xFF || siz[3] != 0x51) return true;
  const std::uint64_t x1 = J2krBE32(siz + 8), y1 = J2krBE32(siz + 12);
  const std::uint64_t x0 = J2krBE32(siz + 16), y0 = J2krBE32(siz + 20);
  const std::uint64_t tileW = J2krBE32(siz + 24), tileH = J2krBE32(siz + 28);
  const std::uint64_t tileX = J2krBE32(siz + 32), tileY = J2krBE32(siz + 36);
  const std::uint64_t comps = std::uint64_t(siz[40]) << 8 | siz[41];
  if (x1 <= x0 || y1 <= y0 || tileW == 0 || tileH == 0 || x1 <= tileX || y1 <= tileY) return true;
  const std::uint64_t pixels = (x1 - x0) * (y1 - y0);
  const std::uint64_t tiles = ((x1 - tileX + tileW - 1) / tileW) * ((y1 - tileY + tileH - 1) / tileH);
  return pixels <= kJ2krMaxPixels && pixels * comps <= kJ2krMaxSamples &&
         tiles <= std::uint64_t(end - at) / (kJ2krTilePartBytes + comps);
}

// One component as the rows read it: the sample under image pixel (x, y) is
// at ((x0 + x) div dx - left, (y0 + y) div dy - top), an index outside the
// component's samples taking its first one.
struct TJ2krPlane {
  const OPJ_INT32* data = nullptr;
  std::int64_t w = 0, h = 0;
  std::int64_t dx = 1, dy = 1;
  std::int64_t left = 0, top = 0;
  std::int64_t offset = 0;  // moves signed samples to 0 .. max
  std::int64_t max = 0;
  int shift = 0;           // 8 bits and more: the top 8 bits
  Byte up[128] = {};       // fewer: scaled to 0 .. 255
  bool wide = true;
  // One sample a pixel from the image's left edge on.
  bool direct = false;
  // Direct unsigned 8-bit samples: taken as they are.
  bool plain = false;
};

bool J2krPlane(const opj_image_t& image, const opj_image_comp_t& c, std::int64_t width, TJ2krPlane& p) {
  if (!c.data || c.w == 0 || c.h == 0 || c.dx == 0 || c.dy == 0 || c.prec < 1 || c.prec > 31) return false;
  p.data = c.data;
  p.w = c.w;
  p.h = c.h;
  p.dx = c.dx;
  p.dy = c.dy;
  p.left = c.x0;
  p.top = c.y0;
  p.max = (std::int64_t(1) << c.prec) - 1;
  p.offset = c.sgnd ? std::int64_t(1) << (c.prec - 1) : 0;
  p.wide = c.prec >= 8;
  if (p.wide) {
    p.shift = int(c.prec) - 8;
  } else {
    // Replicating the bits, so that the top value is white.
    for (std::int64_t v = 0; v <= p.max; ++v) p.up[v] = Byte((v * 255 + p.max / 2) / p.max);
  }
  p.direct = p.dx == 1 && p.left == std::int64_t(image.x0) && p.w >= width;
  p.plain = p.direct && c.prec == 8 && !c.sgnd;
  return true;
}

inline Byte J2krTo8(const TJ2krPlane& p, OPJ_INT32 v) {
  const std::int64_t u = std::clamp<std::int64_t>(std::int64_t(v) + p.offset, 0, p.max);
  return p.wide ? Byte(u >> p.shift) : p.up[u];
}

const OPJ_INT32* J2krPlaneSource(const TJ2krPlane& p, std::int64_t y0, int y) {
  std::int64_t row = (y0 + y) / p.dy - p.top;
  if (row < 0 || row >= p.h) row = 0;
  return p.data + row * p.w;
}

inline Byte J2krPlain(OPJ_INT32 v) { return Byte(std::clamp<OPJ_INT32>(v, 0, 255)); }

// Separate pointers let the compiler interleave whole vectors.
void J2krPlainRgbRow(const OPJ_INT32* __restrict r, const OPJ_INT32* __restrict g, const OPJ_INT32* __restrict b,
                     Byte* __restrict out, int width) {
  for (int x = 0; x < width; ++x) {
    out[3 * x] = J2krPlain(b[x]);
    out[3 * x + 1] = J2krPlain(g[x]);
    out[3 * x + 2] = J2krPlain(r[x]);
  }
}

// The plane's 8-bit values under image row y.
void J2krPlaneRow(const TJ2krPlane& p, std::int64_t x0, std::int64_t y0, int y, int width, Byte* out) {
  const OPJ_INT32* src = J2krPlaneSource(p, y0, y);
  if (p.plain) {
    for (int x = 0; x < width; ++x) out[x] = J2krPlain(src[x]);
    return;
  }
  if (p.direct) {
    for (int x = 0; x < width; ++x) out[x] = J2krTo8(p, src[x]);
    return;
  }
  // Walks (x0 + x) div dx without a division a pixel.
  std::int64_t q = x0 / p.dx, r = x0 % p.dx;
  for (int x = 0; x < width; ++x) {
    std::int64_t col = q - p.left;
    if (col < 0 || col >= p.w) col = 0;
    out[x] = J2krTo8(p, src[col]);
    if (++r == p.dx) r = 0, ++q;
  }
}

struct TJ2krRows {
  TJ2krModel model = TJ2krModel::Grey;
  TJ2krPlane planes[3];
  std::int64_t x0 = 0, y0 = 0;
  int width = 0;
  bool bits = false;
};

// Builds one row of the bitmap in line.
void J2krConvertRow(const TJ2krRows& r, int y, Byte* a, Byte* b, Byte* c, Byte* line) {
  const int w = r.width;
  if (r.model == TJ2krModel::Rgb && r.planes[0].plain && r.planes[1].plain && r.planes[2].plain) {
    // The common case, without the scratch rows.
    J2krPlainRgbRow(J2krPlaneSource(r.planes[0], r.y0, y), J2krPlaneSource(r.planes[1], r.y0, y),
                    J2krPlaneSource(r.planes[2], r.y0, y), line, w);
    return;
  }
  J2krPlaneRow(r.planes[0], r.x0, r.y0, y, w, a);
  if (r.model == TJ2krModel::Grey) {
    if (r.bits) {
      std::memset(line, 0, std::size_t(w + 7) / 8);
      for (int x = 0; x < w; ++x)
        if (a[x]) line[x >> 3] |= Byte(0x80 >> (x & 7));
    } else {
      for (int x = 0; x < w; ++x) line[3 * x] = line[3 * x + 1] = line[3 * x + 2] = a[x];
    }
    return;
  }
  J2krPlaneRow(r.planes[1], r.x0, r.y0, y, w, b);
  J2krPlaneRow(r.planes[2], r.x0, r.y0, y, w, c);
  if (r.model == TJ2krModel::Rgb) {
    for (int x = 0; x < w; ++x) {
      line[3 * x] = c[x];
      line[3 * x + 1] = b[x];
      line[3 * x + 2] = a[x];
    }
    return;
  }
  const TJ2kYccTables& t = J2kYccTables();
  for (int x = 0; x < w; ++x) {
    const int yy = a[x], cb = b[x], cr = c[x];
    line[3 * x] = Byte(std::clamp(yy + t.CbB[cb], 0, 255));
    line[3 * x + 1] = Byte(std::clamp(yy + t.CbG[cb] + t.CrG[cr], 0, 255));
    line[3 * x + 2] = Byte(std::clamp(yy + t.CrR[cr], 0, 255));
  }
}

void J2krConvertRows(const TJ2krRows& r, TVQBitmap* bitmap, int first, int last) {
  const std::size_t w = std::size_t(r.width);
  const std::size_t rowBytes = r.bits ? (w + 7) / 8 : w * 3;
  std::vector<Byte> scratch(w * 6);
  Byte* a = scratch.data();
  // A row is built in a cached line and copied whole: byte stores straight
  // into fresh picture memory cost several times more.
  Byte* line = a + 3 * w;
  for (int y = first; y < last; ++y) {
    J2krConvertRow(r, y, a, a + w, a + 2 * w, line);
    std::memcpy(bitmap->GetScanline(y), line, rowBytes);
  }
}

}  // namespace

void LoadJ2kImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                  TVQProgressRec& Progress) {
  bool localAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : localAbort;
  OPJ_CODEC_FORMAT format = OPJ_CODEC_UNKNOWN;
  if (IsJp2Stream(&Stream))
    format = OPJ_CODEC_JP2;
  else if (IsJ2kStream(&Stream))
    format = OPJ_CODEC_J2K;
  if (format == OPJ_CODEC_UNKNOWN || !J2krSizePlausible(Stream, format == OPJ_CODEC_JP2)) {
    abortFlag = true;
    return;
  }
  TJ2kIO io;
  io.Stream = &Stream;
  io.Aborting = &abortFlag;
  TJ2kStreamPtr stream = J2kReadStream(io);
  TJ2kCodecPtr codec(opj_create_decompress(format));
  if (!stream || !codec) {
    abortFlag = true;
    return;
  }
  J2kRouteMessages(codec.get(), io);
  opj_dparameters_t setup;
  opj_set_default_decoder_parameters(&setup);
  const bool header = ParamsOnly || !Bitmap;
  const bool setUp = opj_setup_decoder(codec.get(), &setup);
  // The codec takes its threads before it reads the header.
  if (setUp && !header) J2kUseThreads(codec.get());
  opj_image_t* parsed = nullptr;
  const bool headerRead = setUp && opj_read_header(stream.get(), codec.get(), &parsed);
  TJ2kImagePtr image(parsed);
  if (!headerRead || !image || io.Failed || abortFlag || image->numcomps == 0) {
    abortFlag = true;
    return;
  }

  const std::uint64_t width = std::uint64_t(image->x1) - image->x0;
  const std::uint64_t height = std::uint64_t(image->y1) - image->y0;
  if (image->x1 <= image->x0 || image->y1 <= image->y0 || width > INT32_MAX || height > INT32_MAX ||
      image->x0 >= INT32_MAX || image->y0 >= INT32_MAX) {
    abortFlag = true;
    return;
  }
  if (width * height > kJ2krMaxPixels) {
    abortFlag = true;
    return;
  }
  // The colour space is known only once something is decoded; the header
  // alone decodes the one pixel at the image's origin.
  if (header && !opj_set_decode_area(codec.get(), image.get(), OPJ_INT32(image->x0), OPJ_INT32(image->y0),
                                     OPJ_INT32(image->x0 + 1), OPJ_INT32(image->y0 + 1))) {
    abortFlag = true;
    return;
  }
  // A header read stops inside the code stream, where no box can follow.
  const bool decoded = opj_decode(codec.get(), stream.get(), image.get()) &&
                       (header || opj_end_decompress(codec.get(), stream.get()));
  if (!decoded || io.Failed || abortFlag || image->numcomps == 0) {
    abortFlag = true;
    return;
  }

  TJ2krModel model;
  switch (image->color_space) {
    case OPJ_CLRSPC_GRAY: model = TJ2krModel::Grey; break;
    case OPJ_CLRSPC_SRGB: model = TJ2krModel::Rgb; break;
    case OPJ_CLRSPC_SYCC: model = TJ2krModel::Ycc; break;
    case OPJ_CLRSPC_UNSPECIFIED:
    case OPJ_CLRSPC_UNKNOWN:
      // A code stream names no colour space; three components are colour.
      model = image->numcomps >= 3 ? TJ2krModel::Rgb : TJ2krModel::Grey;
      break;
    default:
      abortFlag = true;
      return;
  }
  const int samples = model == TJ2krModel::Grey ? 1 : 3;
  if (int(image->numcomps) < samples) {
    abortFlag = true;
    return;
  }
  Params.BitsPerSample = std::int32_t(image->comps[0].prec);
  Params.SamplesPerPixel = samples;
  Params.SetDpiX(kIODefaultDpi);
  Params.SetDpiY(kIODefaultDpi);
  Params.SetColorMap(nullptr, 0);
  Params.Width = std::int32_t(width);
  Params.Height = std::int32_t(height);
  if (header) return;
  stream.reset();
  codec.reset();

  TJ2krRows rows;
  rows.model = model;
  rows.x0 = image->x0;
  rows.y0 = image->y0;
  rows.width = int(width);
  for (int i = 0; i < samples; ++i) {
    if (!J2krPlane(*image, image->comps[i], std::int64_t(width), rows.planes[i])) {
      abortFlag = true;
      return;
    }
  }
  const int h = int(height);
  rows.bits = samples == 1 && Params.BitsPerSample == 1;
  Bitmap->Allocate(rows.width, h, rows.bits ? vqBits1 : vqRGB24);
  const bool fileBacked = Bitmap->Location() == vqTempFile;
  const std::int64_t rowBytes = std::max<std::int64_t>(1, Bitmap->GetRowLength());
  const int band = int(std::clamp<std::int64_t>(kJ2krBandBytes / rowBytes, 1, h));
  for (int first = 0; first < h; first += band) {
    const int last = std::min(h, first + band);
    // A file-backed image holds one row at a time.
    if (fileBacked)
      J2krConvertRows(rows, Bitmap, first, last);
    else
      ParallelRows(last - first, [&](int b, int e) { J2krConvertRows(rows, Bitmap, first + b, first + e); });
    for (int y = first; y < last; ++y) {
      ReportProgress(&Progress, int(std::int64_t(y) * 100 / h));
      if (abortFlag) return;
    }
  }
}
