#include "platform/graphics/JpegCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/graphics/PictureTooLarge.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/PictureMemory.h"

namespace {

// The error manager: error_exit stores the message and jumps back.
struct TJpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool eof = false;
  // The compressed data ran out while a scan still needed it.
  bool dataEnded = false;
};

extern "C" void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<TJpegError*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}
// Warnings (a truncated scan, for one) are not errors: decode what is there,
// silently, as the framework's JPEG class does.
extern "C" void JpegSilent(j_common_ptr) {}

// Warnings are only counted, but the end of the data is noted when a scan
// still needed bits after it: what follows is made up, which the caller may
// want to tell the user. The end alone is no loss: the decoder reads ahead,
// and a file may just lack its end marker.
extern "C" void JpegNote(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  ++cinfo->err->num_warnings;
  auto* e = reinterpret_cast<TJpegError*>(cinfo->err);
  if (cinfo->err->msg_code == JWRN_JPEG_EOF) e->eof = true;
  else if (cinfo->err->msg_code == JWRN_HIT_MARKER && e->eof) e->dataEnded = true;
}

void InitError(TJpegError& e) {
  jpeg_std_error(&e.pub);
  e.pub.error_exit = JpegErrorExit;
  e.pub.output_message = JpegSilent;
  e.pub.emit_message = JpegNote;
  e.message[0] = 0;
  e.eof = false;
  e.dataEnded = false;
}

// A source that asks a TJpegReader for one buffer of bytes at a time.
struct TReaderSource {
  jpeg_source_mgr pub;
  const TJpegReader* read = nullptr;
  std::uint8_t* buffer = nullptr;
  std::size_t capacity = 0;
  bool started = false;          // some bytes came before the end
  std::exception_ptr failure;    // what the reader raised, raised again in C++
};

constexpr std::size_t kSourceBuffer = 64 * 1024;
const std::uint8_t kFakeEoi[2] = {0xFF, JPEG_EOI};

// No exception may cross libjpeg's frames: the reader's is kept for later.
std::size_t CallReader(TReaderSource& s) noexcept {
  try {
    const std::size_t n = (*s.read)(s.buffer, s.capacity);
    return n > s.capacity ? s.capacity : n;
  } catch (...) {
    s.failure = std::current_exception();
    return 0;
  }
}

extern "C" void ReaderInit(j_decompress_ptr) {}
extern "C" void ReaderTerm(j_decompress_ptr) {}

extern "C" boolean ReaderFill(j_decompress_ptr cinfo) {
  auto* s = reinterpret_cast<TReaderSource*>(cinfo->src);
  const std::size_t n = CallReader(*s);
  if (s->failure) ERREXIT(cinfo, JERR_FILE_READ);
  if (n == 0) {
    if (!s->started) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    // The data ended early: an end marker lets libjpeg finish with what it
    // has, as it does for data in memory.
    WARNMS(cinfo, JWRN_JPEG_EOF);
    s->pub.next_input_byte = kFakeEoi;
    s->pub.bytes_in_buffer = sizeof kFakeEoi;
    return TRUE;
  }
  s->started = true;
  s->pub.next_input_byte = s->buffer;
  s->pub.bytes_in_buffer = n;
  return TRUE;
}

extern "C" void ReaderSkip(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  auto* s = reinterpret_cast<TReaderSource*>(cinfo->src);
  std::size_t left = std::size_t(count);
  while (left > s->pub.bytes_in_buffer) {
    left -= s->pub.bytes_in_buffer;
    s->pub.bytes_in_buffer = 0;
    ReaderFill(cinfo);  // at the end this gives the fake end marker
  }
  s->pub.next_input_byte += left;
  s->pub.bytes_in_buffer -= left;
}

void InitReaderSource(TReaderSource& s, const TJpegReader& read, std::uint8_t* buffer) {
  s.pub.init_source = ReaderInit;
  s.pub.fill_input_buffer = ReaderFill;
  s.pub.skip_input_data = ReaderSkip;
  s.pub.resync_to_restart = jpeg_resync_to_restart;
  s.pub.term_source = ReaderTerm;
  s.pub.next_input_byte = nullptr;
  s.pub.bytes_in_buffer = 0;
  s.read = &read;
  s.buffer = buffer;
  s.capacity = kSourceBuffer;
}

// Decoder state between the plain-data phases below.
struct TDecoder {
  jpeg_decompress_struct cinfo;
  TJpegError err;
  bool created = false;
  jpeg_progress_mgr progress;
  int maxScans = 0;
  TReaderSource* source = nullptr;  // else the data below, in memory
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
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
bool PhaseHeader(TDecoder& d) {
  if (setjmp(d.err.jump)) return false;
  jpeg_create_decompress(&d.cinfo);
  d.created = true;
  if (d.source)
    d.cinfo.src = &d.source->pub;
  else
    jpeg_mem_src(&d.cinfo, d.data, static_cast<unsigned long>(d.size));
  jpeg_read_header(&d.cinfo, TRUE);
  return true;
}

bool PhaseStart(TDecoder& d) {
  if (setjmp(d.err.jump)) return false;
  jpeg_start_decompress(&d.cinfo);
  return true;
}

// Blocks a scan visits: the blocks of each of its components.
double ScanBlocks(const jpeg_decompress_struct& ci) {
  double blocks = 0;
  for (int i = 0; i < ci.comps_in_scan; ++i)
    blocks += double(ci.cur_comp_info[i]->width_in_blocks) * double(ci.cur_comp_info[i]->height_in_blocks);
  return blocks;
}

// Start-of-scan markers in the rest of the data, read through the source
// without decoding: entropy-coded bytes never hold FF DA (an FF there is
// followed by 00 or a restart marker). Stops at the end of the image.
int CountScansLeft(jpeg_decompress_struct& ci) {
  jpeg_source_mgr* src = ci.src;
  int scans = 0;
  bool afterFF = false;
  for (;;) {
    if (src->bytes_in_buffer == 0 && !(*src->fill_input_buffer)(&ci)) return scans;
    const JOCTET byte = *src->next_input_byte++;
    --src->bytes_in_buffer;
    if (afterFF) {
      if (byte == 0xDA) ++scans;
      if (byte == 0xD9) return scans;
      afterFF = byte == 0xFF;
    } else {
      afterFF = byte == 0xFF;
    }
  }
}

// Buffered mode: takes in whole scans while they fit the budget of passes,
// then starts the one output pass on what has arrived. A scan past the
// budget is never decoded, and the rest of the file is never read.
bool PhaseAbsorb(TDecoder& d, double maxPasses) {
  if (setjmp(d.err.jump)) return false;
  jpeg_decompress_struct& ci = d.cinfo;
  double picture = 0;
  for (int i = 0; i < ci.num_components; ++i)
    picture += double(ci.comp_info[i].width_in_blocks) * double(ci.comp_info[i].height_in_blocks);
  const double budget = maxPasses * picture;
  // The header read has already read the first scan's header.
  double spent = ScanBlocks(ci);
  int complete = 0;  // scans taken in whole
  for (;;) {
    const int r = jpeg_consume_input(&ci);
    if (r == JPEG_REACHED_EOI || r == JPEG_SUSPENDED) {
      complete = ci.input_scan_number;
      break;
    }
    if (r == JPEG_REACHED_SOS) {
      // The header of the next scan is read; its data is not.
      complete = ci.input_scan_number - 1;
      if (d.maxScans > 0 && ci.input_scan_number > d.maxScans) {
        std::snprintf(d.err.message, sizeof d.err.message, "more than %d scans", d.maxScans);
        return false;
      }
      const double cost = ScanBlocks(ci);
      if (complete > 0 && spent + cost > budget) {
        // The scans left are counted, not decoded, so the cap on scans
        // holds for the whole file.
        if (d.maxScans > 0 && ci.input_scan_number + CountScansLeft(ci) > d.maxScans) {
          std::snprintf(d.err.message, sizeof d.err.message, "more than %d scans", d.maxScans);
          return false;
        }
        break;
      }
      spent += cost;
    }
  }
  jpeg_start_output(&ci, complete > 0 ? complete : 1);
  return true;
}

// In buffered mode the input may stop short of the end on purpose: finishing
// the decompression would read (and decode) the rest of the file.
void FinishRows(TDecoder& d) {
  if (d.cinfo.buffered_image)
    jpeg_finish_output(&d.cinfo);
  else
    jpeg_finish_decompress(&d.cinfo);
}

// Reads every row straight into its destination: row y at top + y * pitch.
// libjpeg hands over up to rec_outbuf_height rows a call.
bool PhaseRows(TDecoder& d, std::uint8_t* top, std::ptrdiff_t pitch) {
  if (setjmp(d.err.jump)) return false;
  constexpr JDIMENSION kBatch = 16;
  JSAMPROW rows[kBatch];
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    const JDIMENSION y = d.cinfo.output_scanline;
    const JDIMENSION n = d.cinfo.output_height - y < kBatch ? d.cinfo.output_height - y : kBatch;
    for (JDIMENSION i = 0; i < n; ++i) rows[i] = top + std::ptrdiff_t(y + i) * pitch;
    jpeg_read_scanlines(&d.cinfo, rows, n);
  }
  FinishRows(d);
  return true;
}

void ConvertCmykRow(const std::uint8_t* cmyk, std::uint8_t* bgr, int width);

// CMYK rows go through one row of scratch each, converted into place.
bool PhaseCmykRows(TDecoder& d, std::uint8_t* scratch, std::uint8_t* bgr, std::uint8_t* top, std::ptrdiff_t pitch,
                   bool grey) {
  if (setjmp(d.err.jump)) return false;
  const int w = int(d.cinfo.output_width);
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    std::uint8_t* out = top + std::ptrdiff_t(d.cinfo.output_scanline) * pitch;
    JSAMPROW row = scratch;
    jpeg_read_scanlines(&d.cinfo, &row, 1);
    if (!grey) {
      ConvertCmykRow(scratch, out, w);
      continue;
    }
    ConvertCmykRow(scratch, bgr, w);
    for (int x = 0; x < w; ++x)  // libjpeg's own weights, 16-bit fixed point
      out[x] = std::uint8_t((19595u * bgr[3 * x + 2] + 38470u * bgr[3 * x + 1] + 7471u * bgr[3 * x] + 32768u) >> 16);
  }
  FinishRows(d);
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

// A reader's own failure wins over the error libjpeg made of it.
[[noreturn]] void Fail(const TDecoder& d) {
  if (d.source && d.source->failure) std::rethrow_exception(d.source->failure);
  Fail(d.err);
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

namespace {

TJpegInfo ReadInfo(TDecoder& d) {
  InitError(d.err);
  d.cinfo.err = &d.err.pub;
  TDecoderGuard guard{d};
  if (!PhaseHeader(d)) Fail(d);
  TJpegInfo info;
  info.Width = int(d.cinfo.image_width);
  info.Height = int(d.cinfo.image_height);
  info.Components = d.cinfo.num_components;
  info.Progressive = d.cinfo.progressive_mode != 0;
  return info;
}

TJpegDecodeResult Decode(TDecoder& d, const TJpegDecodeOptions& options, const TJpegAllocate& allocate) {
  InitError(d.err);
  d.cinfo.err = &d.err.pub;
  TDecoderGuard guard{d};
  if (!PhaseHeader(d)) Fail(d);
  jpeg_decompress_struct& ci = d.cinfo;
  // libjpeg keeps whole-image buffers for progressive files: refuse sizes
  // whose work area alone would pass the limit, before it allocates; the
  // decoded picture is checked the same way.
  std::uint64_t work = std::uint64_t(ci.image_width) * ci.image_height * std::uint64_t(ci.num_components);
  if (ci.progressive_mode) work *= 2;  // 16-bit coefficients
  if (work > options.MaxBytes) throw EPictureTooLarge("JPEG image is larger than the picture budget");
  ci.mem->max_memory_to_use = long(options.MaxBytes);
  d.maxScans = options.MaxScans;
  d.progress.progress_monitor = JpegProgress;
  ci.client_data = &d;
  ci.progress = &d.progress;

  const bool cmyk = ci.jpeg_color_space == JCS_CMYK || ci.jpeg_color_space == JCS_YCCK;
  const bool greySource = ci.jpeg_color_space == JCS_GRAYSCALE;
  // Grey to colour is libjpeg's own row conversion, on the rows it writes
  // anyway: no 8-bit picture to convert afterwards.
  const bool greyOut = (greySource && !options.Colour) || options.Grayscale;
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
  if (outBytes > options.MaxBytes) throw EPictureTooLarge("JPEG image is larger than the picture budget");
  ci.scale_num = 1;
  ci.scale_denom = unsigned(denom);
  if (options.Fast) {
    ci.dct_method = JDCT_IFAST;
    ci.do_fancy_upsampling = FALSE;
  } else {
    ci.dct_method = JDCT_ISLOW;
  }
  ci.buffered_image = ci.progressive_mode ? TRUE : FALSE;
  // Smoothing guesses coefficients a scan has not brought yet, from what
  // libjpeg has seen of scan headers; without it a file stopped at the
  // budget shows exactly what its whole scans hold, as a file that ends
  // there does. A complete file is never smoothed anyway.
  ci.do_block_smoothing = FALSE;
  if (!PhaseStart(d)) Fail(d);
  if (ci.buffered_image && !PhaseAbsorb(d, options.MaxScanPasses)) Fail(d);

  const int w = int(ci.output_width), h = int(ci.output_height);
  const TJpegRows out = allocate(w, h, greyOut ? 8 : 24);
  if (cmyk) {
    std::vector<std::uint8_t> scratch(std::size_t(w) * 4), bgr(greyOut ? std::size_t(w) * 3 : 0);
    if (!PhaseCmykRows(d, scratch.data(), bgr.data(), out.Top, out.Pitch, greyOut)) Fail(d);
  } else {
    if (!PhaseRows(d, out.Top, out.Pitch)) Fail(d);
  }
  TJpegDecodeResult result;
  result.DataEnded = d.err.dataEnded;
  return result;
}

}  // namespace

TJpegInfo ReadJpegInfo(const std::uint8_t* data, std::size_t size) {
  TDecoder d;
  d.data = data;
  d.size = size;
  return ReadInfo(d);
}

TJpegInfo ReadJpegInfo(const TJpegReader& read) {
  std::vector<std::uint8_t> buffer(kSourceBuffer);
  TReaderSource source;
  InitReaderSource(source, read, buffer.data());
  TDecoder d;
  d.source = &source;
  return ReadInfo(d);
}

TJpegDecodeResult DecodeJpegInto(const std::uint8_t* data, std::size_t size, const TJpegDecodeOptions& options,
                                 const TJpegAllocate& allocate) {
  if (!size) throw EInvalidGraphic("JPEG error: empty data");
  TDecoder d;
  d.data = data;
  d.size = size;
  return Decode(d, options, allocate);
}

TJpegDecodeResult DecodeJpegInto(const TJpegReader& read, const TJpegDecodeOptions& options,
                                 const TJpegAllocate& allocate) {
  std::vector<std::uint8_t> buffer(kSourceBuffer);
  TReaderSource source;
  InitReaderSource(source, read, buffer.data());
  TDecoder d;
  d.source = &source;
  return Decode(d, options, allocate);
}

TDibImage DecodeJpeg(const std::uint8_t* data, std::size_t size, const TJpegDecodeOptions& options) {
  TDibImage img;
  DecodeJpegInto(data, size, options, [&img](int width, int height, int bitCount) {
    if (bitCount == 8) img.Palette = GreyPalette(8);
    img.Allocate(width, height, bitCount);
    return TJpegRows{img.Row(0), -std::ptrdiff_t(img.Stride())};
  });
  return img;
}

namespace {

// libjpeg writes into one block of its own; each full block is appended to
// the caller's vector, which is reserved to a guess up front. Reserving
// touches no page and growing copies only what was written, where sizing
// the vector would clear every byte of the guess first.
constexpr std::size_t kDestBlock = 256 * 1024;

struct TVectorDest {
  jpeg_destination_mgr pub;
  std::vector<std::uint8_t>* out;
  std::size_t guess;
  std::unique_ptr<std::uint8_t[]> block;
};

// No exception may cross libjpeg's C frames: a failed allocation becomes
// libjpeg's own error, raised once the vector's frame is gone.
bool Append(std::vector<std::uint8_t>& v, const std::uint8_t* p, std::size_t n) noexcept {
  try {
    v.insert(v.end(), p, p + n);
    return true;
  } catch (...) {
    return false;
  }
}

bool Prepare(TVectorDest& d) noexcept {
  try {
    d.out->reserve(d.guess);
    AdviseHugePages(d.out->data(), d.out->capacity());
    d.block.reset(new std::uint8_t[kDestBlock]);
    return true;
  } catch (...) {
    return false;
  }
}

extern "C" void VectorInit(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TVectorDest*>(cinfo->dest);
  if (!Prepare(*d)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  d->pub.next_output_byte = d->block.get();
  d->pub.free_in_buffer = kDestBlock;
}

extern "C" boolean VectorFlush(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TVectorDest*>(cinfo->dest);
  if (!Append(*d->out, d->block.get(), kDestBlock)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  d->pub.next_output_byte = d->block.get();
  d->pub.free_in_buffer = kDestBlock;
  return TRUE;
}

extern "C" void VectorTerm(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<TVectorDest*>(cinfo->dest);
  if (!Append(*d->out, d->block.get(), kDestBlock - d->pub.free_in_buffer)) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
}

struct TEncoder {
  jpeg_compress_struct cinfo;
  TJpegError err;
  bool created = false;
  TVectorDest dest;
};

// Feeds libjpeg the rows where they are: row y at top + y * pitch.
bool EncodeAll(TEncoder& e, const TJpegEncodeOptions& o, int width, int height, bool grey, const std::uint8_t* top,
               std::ptrdiff_t pitch) {
  if (setjmp(e.err.jump)) return false;
  jpeg_create_compress(&e.cinfo);
  e.created = true;
  e.dest.pub.init_destination = VectorInit;
  e.dest.pub.empty_output_buffer = VectorFlush;
  e.dest.pub.term_destination = VectorTerm;
  e.cinfo.dest = &e.dest.pub;
  e.cinfo.image_width = JDIMENSION(width);
  e.cinfo.image_height = JDIMENSION(height);
  e.cinfo.input_components = grey ? 1 : 3;
  e.cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&e.cinfo);
  if (o.Grayscale && !grey) jpeg_set_colorspace(&e.cinfo, JCS_GRAYSCALE);
  jpeg_set_quality(&e.cinfo, o.Quality < 1 ? 1 : o.Quality > 100 ? 100 : o.Quality, TRUE);
  if (o.Progressive) jpeg_simple_progression(&e.cinfo);
  jpeg_start_compress(&e.cinfo, TRUE);
  constexpr JDIMENSION kBatch = 16;
  JSAMPROW rows[kBatch];
  while (e.cinfo.next_scanline < e.cinfo.image_height) {
    const JDIMENSION y = e.cinfo.next_scanline;
    const JDIMENSION n = e.cinfo.image_height - y < kBatch ? e.cinfo.image_height - y : kBatch;
    // libjpeg only reads the rows, whatever its prototype says.
    for (JDIMENSION i = 0; i < n; ++i) rows[i] = const_cast<std::uint8_t*>(top + std::ptrdiff_t(y + i) * pitch);
    jpeg_write_scanlines(&e.cinfo, rows, n);
  }
  jpeg_finish_compress(&e.cinfo);
  return true;
}

struct TEncoderGuard {
  TEncoder& e;
  ~TEncoderGuard() {
    if (e.created) jpeg_destroy_compress(&e.cinfo);
  }
};

}  // namespace

std::vector<std::uint8_t> EncodeJpegRows(const std::uint8_t* top, std::ptrdiff_t pitch, int width, int height,
                                         bool grey, const TJpegEncodeOptions& options) {
  if (width <= 0 || height <= 0) throw EInvalidGraphicOperation("Cannot save an empty JPEG image");
  if (width > 65500 || height > 65500) throw EInvalidGraphicOperation("Image too large for JPEG");
  std::vector<std::uint8_t> out;
  TEncoder e;
  InitError(e.err);
  e.cinfo.err = &e.err.pub;
  e.dest.out = &out;
  // A quarter of the raw size holds most photos even at quality 100; only
  // address space is reserved, so the guess may be generous.
  e.dest.guess = std::clamp<std::size_t>(std::size_t(width) * std::size_t(height) * (grey ? 1 : 3) / 4, 65536,
                                         std::size_t(256) << 20);
  TEncoderGuard guard{e};
  if (!EncodeAll(e, options, width, height, grey, top, pitch)) Fail(e.err);
  return out;
}

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
  return EncodeJpegRows(src->Row(0), -std::ptrdiff_t(src->Stride()), src->Width, src->Height, grey, options);
}
