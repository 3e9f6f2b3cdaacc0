// Reading half of the JPEG filter, the error manager and the JPEG slot.
#include "imaging/io/formats/jpegfilt.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/metadata/vqzutils_annot.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/jpegfilt_codec.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"

namespace {
// A JPEG may follow up to 99 bytes of something else (a stream header).
constexpr int kJpegStartPositions = 100;
constexpr std::uint8_t kSoi[3] = {0xFF, 0xD8, 0xFF};
}  // namespace

std::int64_t FindJpegStart(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  std::uint8_t window[kJpegStartPositions + 2];
  // One read of what is there; a match needs all three bytes inside it.
  std::int64_t got = Stream->Read(window, sizeof window);
  for (std::int64_t i = 0; i + 3 <= got && i < kJpegStartPositions; ++i)
    if (window[i] == kSoi[0] && window[i + 1] == kSoi[1] && window[i + 2] == kSoi[2]) return guard.Start() + i;
  return -1;
}

// ---- error manager -----------------------------------------------------------

namespace {

extern "C" void JpegFiltErrorExit(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<TJpegFiltError*>(cinfo->err);
  if (e->aborting) *e->aborting = true;
  e->errorCode = cinfo->err->msg_code;
  std::longjmp(e->jump, 1);
}

extern "C" void JpegFiltEmitMessage(j_common_ptr cinfo, int level) {
  if (level != -1) return;
  auto* e = reinterpret_cast<TJpegFiltError*>(cinfo->err);
  ++e->warnings;
  ++cinfo->err->num_warnings;
  e->lastWarning = cinfo->err->msg_code;
}

extern "C" void JpegFiltOutputMessage(j_common_ptr) {}
extern "C" void JpegFiltFormatMessage(j_common_ptr, char* buffer) { buffer[0] = 0; }

extern "C" void JpegFiltResetError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<TJpegFiltError*>(cinfo->err);
  e->warnings = 0;
  e->lastWarning = 0;
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
}

}  // namespace

void JpegFiltInitError(TJpegFiltError& e, bool* aborting) {
  std::memset(&e.pub, 0, sizeof e.pub);
  e.pub.error_exit = JpegFiltErrorExit;
  e.pub.emit_message = JpegFiltEmitMessage;
  e.pub.output_message = JpegFiltOutputMessage;
  e.pub.format_message = JpegFiltFormatMessage;
  e.pub.reset_error_mgr = JpegFiltResetError;
  e.aborting = aborting;
  e.errorCode = 0;
  e.warnings = 0;
  e.lastWarning = 0;
}

// ---- source manager ----------------------------------------------------------

namespace {

constexpr std::size_t kJpegrBufferSize = 65536;
constexpr JOCTET kJpegrFakeEoi[2] = {0xFF, JPEG_EOI};

struct TJpegrSource {
  jpeg_source_mgr pub;  // first
  TStream* stream = nullptr;
  JOCTET* buffer = nullptr;
  bool startOfFile = false;
  bool* aborting = nullptr;
};

extern "C" void JpegrInitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<TJpegrSource*>(cinfo->src)->startOfFile = true;
}

// A stream that raises counts as one that gives nothing: no exception may
// pass through the codec's frames.
std::int64_t JpegrRead(TJpegrSource& s) noexcept {
  try {
    return s.stream->Read(s.buffer, std::int64_t(kJpegrBufferSize));
  } catch (...) {
    return 0;
  }
}

extern "C" boolean JpegrFillInput(j_decompress_ptr cinfo) {
  auto* s = reinterpret_cast<TJpegrSource*>(cinfo->src);
  std::int64_t n = JpegrRead(*s);
  if (n <= 0) {
    if (s->startOfFile && s->aborting) *s->aborting = true;
    // The codec finishes on what it has; a scan cut short only warns.
    s->pub.next_input_byte = kJpegrFakeEoi;
    s->pub.bytes_in_buffer = sizeof kJpegrFakeEoi;
  } else {
    if (n > std::int64_t(kJpegrBufferSize)) n = std::int64_t(kJpegrBufferSize);
    s->pub.next_input_byte = s->buffer;
    s->pub.bytes_in_buffer = std::size_t(n);
  }
  s->startOfFile = false;
  return TRUE;
}

extern "C" void JpegrSkipInput(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  auto* s = reinterpret_cast<TJpegrSource*>(cinfo->src);
  std::size_t left = std::size_t(count);
  while (left > s->pub.bytes_in_buffer) {
    left -= s->pub.bytes_in_buffer;
    JpegrFillInput(cinfo);
  }
  s->pub.next_input_byte += left;
  s->pub.bytes_in_buffer -= left;
}

extern "C" void JpegrTermSource(j_decompress_ptr) {}

// Setting the source again keeps the buffer and starts from an empty one.
void JpegrSetSource(jpeg_decompress_struct& cinfo, TJpegrSource& s, TStream* stream) {
  s.pub.init_source = JpegrInitSource;
  s.pub.fill_input_buffer = JpegrFillInput;
  s.pub.skip_input_data = JpegrSkipInput;
  s.pub.resync_to_restart = jpeg_resync_to_restart;
  s.pub.term_source = JpegrTermSource;
  s.pub.next_input_byte = nullptr;
  s.pub.bytes_in_buffer = 0;
  s.stream = stream;
  cinfo.src = &s.pub;
}

// ---- reader ---------------------------------------------------------------------

// Decoded pictures past this are refused before anything is allocated.
constexpr std::uint64_t kJpegrMaxPixels = std::uint64_t(1) << 28;
// The codec's own memory (the coefficients of a progressive picture): past
// this the codec fails instead of growing.
constexpr long kJpegrMaxCodecMemory = 1L << 31;
// Each scan of a progressive file is a pass over the coefficients; a file of
// thousands of tiny scans would decode for hours.
constexpr int kJpegrMaxScans = 1000;

constexpr int kJpegrColorSpaceRGB = 0, kJpegrColorSpaceGrey = 1, kJpegrColorSpaceYCbCr = 2,
              kJpegrColorSpaceCMYK = 3, kJpegrColorSpaceYCCK = 4;

// Everything the codec's jumps pass over: plain data only.
struct TJpegrState {
  jpeg_decompress_struct cinfo;
  TJpegFiltError err;
  jpeg_progress_mgr monitor;
  TJpegrSource source;
  bool created = false;
  // The destination of the rows phase.
  TVQBitmap* image = nullptr;
  TIOParamsVals* params = nullptr;
  TVQProgressRec* progress = nullptr;
  JSAMPLE* cmykRow = nullptr;  // CMYK output bound for a 24-bit image
  bool invertInks = false;
  int rows = 0;  // rows delivered
  // The profile libjpeg assembled from the APP2 chunks (malloc'ed).
  JOCTET* icc = nullptr;
  unsigned int iccLength = 0;
};

extern "C" void JpegrMonitor(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kJpegrMaxScans) {
    auto* e = reinterpret_cast<TJpegFiltError*>(cinfo->err);
    if (e->aborting) *e->aborting = true;
    e->errorCode = -1;
    std::longjmp(e->jump, 1);
  }
}

bool JpegrCreate(TJpegrState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_create_decompress(&s.cinfo);
  s.created = true;
  s.cinfo.mem->max_memory_to_use = kJpegrMaxCodecMemory;
  s.monitor.progress_monitor = JpegrMonitor;
  s.cinfo.progress = &s.monitor;
  return true;
}

bool JpegrTables(TJpegrState& s, TStream* tables) {
  if (setjmp(s.err.jump)) return false;
  JpegrSetSource(s.cinfo, s.source, tables);
  jpeg_read_header(&s.cinfo, FALSE);
  return true;
}

bool JpegrHeader(TJpegrState& s, TStream* stream) {
  if (setjmp(s.err.jump)) return false;
  JpegrSetSource(s.cinfo, s.source, stream);
  jpeg_save_markers(&s.cinfo, JPEG_COM, 0xFFFF);
  for (int m = 0; m < 16; ++m) jpeg_save_markers(&s.cinfo, JPEG_APP0 + m, 0xFFFF);
  jpeg_read_header(&s.cinfo, TRUE);
  // A profile split over APP2 markers, put together by the codec.
  if (!jpeg_read_icc_profile(&s.cinfo, &s.icc, &s.iccLength)) {
    s.icc = nullptr;
    s.iccLength = 0;
  }
  return true;
}

bool JpegrCalcOutput(TJpegrState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_calc_output_dimensions(&s.cinfo);
  return true;
}

bool JpegrStart(TJpegrState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_start_decompress(&s.cinfo);
  return true;
}

// One scan line per call, straight into the image row unless CMYK output
// has to become 24-bit first.
bool JpegrRows(TJpegrState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_decompress_struct& ci = s.cinfo;
  const int height = int(ci.output_height);
  const int width = int(ci.output_width);
  const std::size_t samples = std::size_t(width) * ci.output_components;
  const double per = 100.0 / height;
  bool* aborting = s.err.aborting;
  while (ci.output_scanline < ci.output_height) {
    Byte* row = s.image->GetScanline(s.rows);
    JSAMPROW target = s.cmykRow ? s.cmykRow : row;
    const JDIMENSION got = jpeg_read_scanlines(&ci, &target, 1);
    if (got == 0) break;
    if (s.invertInks)
      for (std::size_t i = 0; i < samples; ++i) target[i] = JSAMPLE(255 - target[i]);
    if (s.cmykRow) IOConvertRow(s.cmykRow, 2, row, 1, width, s.params);
    s.rows += int(got);
    ReportProgress(s.progress, int(s.rows * per));
    if (*aborting) break;
  }
  return true;
}

bool JpegrFinish(TJpegrState& s) {
  if (setjmp(s.err.jump)) return false;
  jpeg_finish_decompress(&s.cinfo);
  return true;
}

// Step 12 of every read: the markers in file order, the leading JFIF header
// left out (the writer's codec writes its own).
void JpegrCopyMarkers(TJpegrState& s, TVQMarkerList& markers) {
  markers.Clear();
  bool first = true;
  for (jpeg_saved_marker_ptr m = s.cinfo.marker_list; m; m = m->next) {
    const bool skip = first && m->marker == JPEG_APP0;
    first = false;
    if (!skip) markers.AddMarker(Byte(m->marker), m->data, int(m->data_length));
  }
}

int JpegrScaleDenominator(const TIOParamsVals& p, int frameWidth, int frameHeight, int wantWidth, int wantHeight) {
  switch (p.JpegScale) {
    case 0:
      if (wantWidth > 0 && wantHeight > 0)
        for (int n = 3; n >= 0; --n)
          if ((frameWidth >> n) >= wantWidth && (frameHeight >> n) >= wantHeight) return 1 << n;
      return 1;
    case 2: return 2;
    case 3: return 4;
    case 4: return 8;
    default: return 1;
  }
}

J_DCT_METHOD JpegrDctMethod(Byte method) {
  switch (method) {
    case 1: return JDCT_IFAST;
    case 2: return JDCT_FLOAT;
    default: return JDCT_ISLOW;
  }
}

// The frame and its settings into the block, the codec set for the output
// (steps 7 to 9). False when the output cannot go into the rows.
bool JpegrSetup(TJpegrState& s, TIOParamsVals& p, bool noColorConversion, int wantWidth, int wantHeight) {
  jpeg_decompress_struct& ci = s.cinfo;
  p.BitsPerSample = 8;
  switch (ci.jpeg_color_space) {
    case JCS_GRAYSCALE:
      p.JpegColorSpace = kJpegrColorSpaceGrey;
      ci.out_color_space = JCS_EXT_BGR;
      p.SamplesPerPixel = 1;
      break;
    case JCS_RGB:
      p.JpegColorSpace = kJpegrColorSpaceRGB;
      ci.out_color_space = JCS_EXT_BGR;
      p.SamplesPerPixel = 3;
      break;
    case JCS_YCbCr:
      p.JpegColorSpace = kJpegrColorSpaceYCbCr;
      ci.out_color_space = JCS_EXT_BGR;
      p.SamplesPerPixel = 3;
      break;
    case JCS_CMYK:
      p.JpegColorSpace = kJpegrColorSpaceCMYK;
      ci.out_color_space = JCS_CMYK;
      p.SamplesPerPixel = 4;
      break;
    case JCS_YCCK:
      p.JpegColorSpace = kJpegrColorSpaceYCCK;
      ci.out_color_space = JCS_CMYK;
      p.SamplesPerPixel = 4;
      break;
    default:
      break;
  }
  if (noColorConversion) ci.out_color_space = JCS_YCbCr;
  ci.dct_method = JpegrDctMethod(p.JpegDctMethod);
  if (ci.density_unit == 0 || ci.density_unit == 1) {
    p.SetDpiX(ci.X_density);
    p.SetDpiY(ci.Y_density);
  } else if (ci.density_unit == 2) {
    p.SetDpiX(int(ci.X_density * 2.54));
    p.SetDpiY(int(ci.Y_density * 2.54));
  }
  p.SetColorMap(nullptr, 0);
  p.JpegProgressive = ci.progressive_mode != 0;
  p.JpegOriginalWidth = std::int32_t(ci.image_width);
  p.JpegOriginalHeight = std::int32_t(ci.image_height);
  const int denominator = JpegrScaleDenominator(p, int(ci.image_width), int(ci.image_height), wantWidth, wantHeight);
  ci.scale_num = 1;
  ci.scale_denom = unsigned(denominator);
  p.JpegScaleUsed = denominator;
  return true;
}

// Inks are stored inverted (255: none) in the library's CMYK form. Adobe's
// writers store them so too; without their marker the samples are plain
// ink amounts.
bool JpegrInksInverted(const jpeg_decompress_struct& ci) { return ci.saw_Adobe_marker != 0; }

}  // namespace

void LoadJpegImage(TStream* Stream, TStream* TablesStream, TVQBitmap* Bitmap, bool NoColorConversion,
                   bool ParamsOnly, TVQProgressRec& Progress, TIOParamsVals& Params) {
  bool localAbort = false;
  bool* aborting = Progress.Aborting ? Progress.Aborting : &localAbort;
  const int wantWidth = Params.Width, wantHeight = Params.Height;
  Params.JpegWarningCount = 0;
  Params.JpegLastWarning = 0;
  const std::int64_t start = Stream ? FindJpegStart(Stream) : -1;
  if (start < 0) {
    *aborting = true;
    return;
  }
  Stream->Seek(start, soBeginning);

  auto state = std::make_unique<TJpegrState>();
  TJpegrState& s = *state;
  JpegFiltInitError(s.err, aborting);
  s.cinfo.err = &s.err.pub;
  std::vector<JOCTET> buffer(kJpegrBufferSize);
  s.source.buffer = buffer.data();
  s.source.aborting = aborting;
  s.params = &Params;
  s.progress = &Progress;
  std::vector<JSAMPLE> cmykRow;

  bool ok = JpegrCreate(s) && !*aborting;
  try {
    if (ok && TablesStream && TablesStream != Stream) ok = JpegrTables(s, TablesStream) && !*aborting;
    if (ok) ok = JpegrHeader(s, Stream) && !*aborting;
    if (ok && s.icc && s.iccLength > 0) Params.InputICC->LoadFromBuffer(s.icc, Int64(s.iccLength));
    if (ok) ok = JpegrSetup(s, Params, NoColorConversion, wantWidth, wantHeight);
    if (ok && ParamsOnly) {
      // The output size without starting: a progressive file would be
      // decoded whole by the start.
      ok = JpegrCalcOutput(s);
      if (ok) {
        Params.Width = std::int32_t(s.cinfo.output_width);
        Params.Height = std::int32_t(s.cinfo.output_height);
      }
    } else if (ok) {
      ok = JpegrCalcOutput(s) &&
           std::uint64_t(s.cinfo.output_width) * s.cinfo.output_height <= kJpegrMaxPixels && Bitmap;
      if (ok) ok = JpegrStart(s) && !*aborting;
      if (ok) {
        Params.Width = std::int32_t(s.cinfo.output_width);
        Params.Height = std::int32_t(s.cinfo.output_height);
        const bool cmyk = s.cinfo.out_color_space == JCS_CMYK;
        const bool native = cmyk && Params.NativePixelFormat;
        // The codec writes output_components samples a pixel: only the
        // shapes the rows hold are taken.
        ok = s.cinfo.output_components == (cmyk ? 4 : 3);
        if (ok) {
          Bitmap->Allocate(int(s.cinfo.output_width), int(s.cinfo.output_height), native ? vqCMYK : vqRGB24);
          if (cmyk && !native) {
            cmykRow.resize(std::size_t(s.cinfo.output_width) * 4);
            s.cmykRow = cmykRow.data();
          }
          s.invertInks = cmyk && !JpegrInksInverted(s.cinfo);
          s.image = Bitmap;
          ok = JpegrRows(s);
          if (s.rows < int(s.cinfo.output_height)) ok = false;
        }
      }
    }
  } catch (...) {
    ok = false;
  }
  if (!ok) *aborting = true;
  try {
    if (s.created)
      JpegrCopyMarkers(s, *Params.JpegMarkers);
    else
      Params.JpegMarkers->Clear();
  } catch (...) {
    *aborting = true;
  }
  if (!*aborting && !ParamsOnly && s.created) {
    s.err.aborting = nullptr;
    JpegrFinish(s);
  }
  if (s.icc) std::free(s.icc);
  if (s.created) jpeg_destroy_decompress(&s.cinfo);
  if (s.err.warnings > 0) {
    Params.JpegWarningCount = s.err.warnings;
    Params.JpegLastWarning = s.err.lastWarning;
  }
}

// ---- the JPEG slot of the I/O component ------------------------------------

namespace {

void JpegFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                    TVQProgressRec& Progress) {
  if (Params) LoadJpegImage(&Stream, nullptr, Image, false, Args.ParamsOnly, Progress, *Params);
}

void JpegFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                    TVQProgressRec& Progress) {
  if (Params) SaveJpegImage(&Stream, Image, *Params, Progress);
}

// Detection already links this module, so the slot is filled at start-up.
[[maybe_unused]] const bool kJpegSlotFilled = (InstallJpegFilter(), true);

}  // namespace

void InstallJpegFilter() { SetBuiltInFilter(ioJPEG, JpegFilterLoad, JpegFilterSave); }
