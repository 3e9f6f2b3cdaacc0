#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/platform/graphics/JpegTestSupport.h"

// After the project headers: jpeglib defines TRUE and FALSE as macros.
#include <jpeglib.h>

namespace {

// A 37 x 23 picture with gradients and hard edges, so every option changes
// the decoded pixels somewhere.
TDibImage TestPicture() {
  TDibImage img;
  img.Allocate(37, 23, 24);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) {
      std::uint8_t* p = img.Row(y) + 3 * x;
      p[0] = std::uint8_t(x * 7);
      p[1] = std::uint8_t(y * 11);
      p[2] = std::uint8_t(((x / 5 + y / 4) & 1) ? 230 : 20);
    }
  return img;
}

// ---- libjpeg used directly, as the reference ------------------------------

struct RefError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};
extern "C" void RefErrorExit(j_common_ptr c) { std::longjmp(reinterpret_cast<RefError*>(c->err)->jump, 1); }
extern "C" void RefQuiet(j_common_ptr) {}

struct RefImage {
  int width = 0, height = 0, components = 0;
  std::vector<std::uint8_t> pixels;  // top-down, packed, RGB or grey
};

// Plain data only between setjmp and the libjpeg calls.
bool RefDecodeInto(const std::vector<std::uint8_t>& data, int denom, bool fast, bool grey, RefImage* out,
                   jpeg_decompress_struct* ci, RefError* err) {
  if (setjmp(err->jump)) return false;
  jpeg_create_decompress(ci);
  jpeg_mem_src(ci, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(ci, TRUE);
  ci->out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  ci->scale_num = 1;
  ci->scale_denom = unsigned(denom);
  ci->dct_method = fast ? JDCT_IFAST : JDCT_ISLOW;
  if (fast) ci->do_fancy_upsampling = FALSE;
  jpeg_start_decompress(ci);
  out->width = int(ci->output_width);
  out->height = int(ci->output_height);
  out->components = ci->output_components;
  out->pixels.resize(std::size_t(out->width) * out->height * out->components);
  while (ci->output_scanline < ci->output_height) {
    JSAMPROW row = out->pixels.data() + std::size_t(ci->output_scanline) * out->width * out->components;
    jpeg_read_scanlines(ci, &row, 1);
  }
  jpeg_finish_decompress(ci);
  return true;
}

RefImage RefDecode(const std::vector<std::uint8_t>& data, int denom, bool fast, bool grey) {
  jpeg_decompress_struct ci;
  RefError err;
  ci.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = RefErrorExit;
  err.pub.output_message = RefQuiet;
  RefImage out;
  bool ok = RefDecodeInto(data, denom, fast, grey, &out, &ci, &err);
  jpeg_destroy_decompress(&ci);
  EXPECT_TRUE(ok);
  return out;
}

// Uniform CMYK blocks through libjpeg, stored as YCCK or CMYK with the Adobe
// marker (values inverted, as Photoshop writes them).
bool RefEncodeCmyk(const std::uint8_t* cmyk, int w, int h, bool ycck, bool marker, unsigned char** buf,
                   unsigned long* size, jpeg_compress_struct* ci, RefError* err) {
  if (setjmp(err->jump)) return false;
  jpeg_create_compress(ci);
  jpeg_mem_dest(ci, buf, size);
  ci->image_width = JDIMENSION(w);
  ci->image_height = JDIMENSION(h);
  ci->input_components = 4;
  ci->in_color_space = JCS_CMYK;
  jpeg_set_defaults(ci);
  jpeg_set_colorspace(ci, ycck ? JCS_YCCK : JCS_CMYK);
  ci->write_Adobe_marker = marker ? TRUE : FALSE;
  jpeg_set_quality(ci, 100, TRUE);
  jpeg_start_compress(ci, TRUE);
  while (ci->next_scanline < ci->image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(cmyk) + std::size_t(ci->next_scanline) * w * 4;
    jpeg_write_scanlines(ci, &row, 1);
  }
  jpeg_finish_compress(ci);
  return true;
}

std::vector<std::uint8_t> CmykJpeg(bool ycck, bool marker = true) {
  // Left 8 x 8: red; right 8 x 8: blue (inverted CMYK: 255 = no ink).
  const int w = 16, h = 8;
  std::vector<std::uint8_t> px(std::size_t(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &px[(std::size_t(y) * w + x) * 4];
      bool red = x < 8;
      p[0] = red ? 255 : 0;  // cyan
      p[1] = red ? 0 : 0;    // magenta
      p[2] = red ? 0 : 255;  // yellow
      p[3] = 255;            // black
    }
  jpeg_compress_struct ci;
  RefError err;
  ci.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = RefErrorExit;
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  bool ok = RefEncodeCmyk(px.data(), w, h, ycck, marker, &buf, &size, &ci, &err);
  jpeg_destroy_compress(&ci);
  EXPECT_TRUE(ok);
  std::vector<std::uint8_t> out(buf, buf + size);
  std::free(buf);
  return out;
}

// ---- The codec --------------------------------------------------------------

TEST(JpegCodec, DecodeEqualsLibjpegForEveryOption) {
  for (bool progressive : {false, true}) {
    TJpegEncodeOptions eo;
    eo.Quality = 85;
    eo.Progressive = progressive;
    std::vector<std::uint8_t> data = EncodeJpeg(TestPicture(), eo);
    EXPECT_EQ(ReadJpegInfo(data.data(), data.size()).Progressive, progressive);
    for (int denom : {1, 2, 4, 8})
      for (bool fast : {false, true})
        for (bool grey : {false, true}) {
          SCOPED_TRACE(::testing::Message() << "progressive " << progressive << " 1/" << denom << " fast " << fast
                                            << " grey " << grey);
          TJpegDecodeOptions o;
          o.ScaleDenom = denom;
          o.Fast = fast;
          o.Grayscale = grey;
          TDibImage ours = DecodeJpeg(data.data(), data.size(), o);
          RefImage ref = RefDecode(data, denom, fast, grey);
          ASSERT_EQ(ours.Width, ref.width);
          ASSERT_EQ(ours.Height, ref.height);
          ASSERT_EQ(ours.BitCount, grey ? 8 : 24);
          int mismatches = 0;
          for (int y = 0; y < ref.height; ++y)
            for (int x = 0; x < ref.width; ++x) {
              const std::uint8_t* r = &ref.pixels[(std::size_t(y) * ref.width + x) * ref.components];
              const std::uint8_t* p = ours.Row(y) + x * (grey ? 1 : 3);
              if (grey ? p[0] != r[0] : (p[0] != r[2] || p[1] != r[1] || p[2] != r[0])) ++mismatches;
            }
          EXPECT_EQ(mismatches, 0);
        }
  }
}

TEST(JpegCodec, GreySourcesDecodeToEightBitsWithAGreyRamp) {
  TDibImage grey;
  grey.Palette = GreyPalette(8);
  grey.Allocate(16, 16, 8);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) grey.Row(y)[x] = std::uint8_t(x * 16);
  std::vector<std::uint8_t> data = EncodeJpeg(grey);
  EXPECT_EQ(ReadJpegInfo(data.data(), data.size()).Components, 1);
  TDibImage back = DecodeJpeg(data.data(), data.size());
  EXPECT_EQ(back.BitCount, 8);
  EXPECT_TRUE(IsGreyRamp(back));
  EXPECT_NEAR(back.Row(3)[10], 160, 4);
}

TEST(JpegCodec, ConvertsCmykAndYcckToRgb) {
  struct Kind {
    const char* name;
    bool ycck, marker;
  };
  // Without the Adobe marker only CMYK can be told apart (YCCK needs it).
  for (const Kind& k : {Kind{"YCCK", true, true}, Kind{"CMYK", false, true}, Kind{"CMYK, no marker", false, false}}) {
    SCOPED_TRACE(k.name);
    std::vector<std::uint8_t> data = CmykJpeg(k.ycck, k.marker);
    bool hasApp14 = false;
    for (std::size_t i = 0; i + 1 < data.size(); ++i) hasApp14 |= data[i] == 0xFF && data[i + 1] == 0xEE;
    ASSERT_EQ(hasApp14, k.marker);
    ASSERT_EQ(ReadJpegInfo(data.data(), data.size()).Components, 4);
    TDibImage img = DecodeJpeg(data.data(), data.size());
    ASSERT_EQ(img.BitCount, 24);
    const std::uint8_t* red = img.Row(4) + 3 * 3;
    const std::uint8_t* blue = img.Row(4) + 3 * 12;
    EXPECT_NEAR(red[2], 255, 3);
    EXPECT_NEAR(red[1], 0, 3);
    EXPECT_NEAR(red[0], 0, 3);
    EXPECT_NEAR(blue[2], 0, 3);
    EXPECT_NEAR(blue[1], 0, 3);
    EXPECT_NEAR(blue[0], 255, 3);
    TJpegDecodeOptions o;
    o.Grayscale = true;
    TDibImage grey = DecodeJpeg(data.data(), data.size(), o);
    EXPECT_EQ(grey.BitCount, 8);
    EXPECT_NEAR(grey.Row(4)[3], 76, 3);  // the luminance of red
    EXPECT_NEAR(grey.Row(4)[12], 29, 3);
  }
}

TEST(JpegCodec, DamagedDataRaisesInsteadOfCrashing) {
  std::vector<std::uint8_t> data = EncodeJpeg(TestPicture());
  EXPECT_THROW(DecodeJpeg(data.data(), 0), EInvalidGraphic);
  std::vector<std::uint8_t> garbage(200, 0x5A);
  EXPECT_THROW(DecodeJpeg(garbage.data(), garbage.size()), EInvalidGraphic);
  // Every cut inside the headers raises.
  std::size_t sos = 0;
  for (std::size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] == 0xFF && data[i + 1] == 0xDA) {
      sos = i;
      break;
    }
  ASSERT_GT(sos, 0u);
  for (std::size_t n = 0; n < sos; ++n) EXPECT_THROW(DecodeJpeg(data.data(), n), EInvalidGraphic) << n;
  // A cut inside the scan decodes what is there, as a warning.
  TDibImage partial = DecodeJpeg(data.data(), sos + 40);
  EXPECT_EQ(partial.Width, 37);
}

TEST(JpegCodec, RefusesHugeDeclaredSizesBeforeAllocating) {
  std::vector<std::uint8_t> data = EncodeJpeg(TestPicture());
  for (std::size_t i = 0; i + 8 < data.size(); ++i)
    if (data[i] == 0xFF && data[i + 1] == 0xC0) {  // start of frame: height, width
      data[i + 5] = 0xFD, data[i + 6] = 0xE8;
      data[i + 7] = 0xFD, data[i + 8] = 0xE8;
      break;
    }
  EXPECT_EQ(ReadJpegInfo(data.data(), data.size()).Width, 65000);
  EXPECT_THROW(DecodeJpeg(data.data(), data.size()), EInvalidGraphic);
}

TEST(JpegCodec, QualityTradesSizeForFidelity) {
  // Smooth colours: chroma subsampling would smear hard colour edges at
  // any quality.
  TDibImage pic = TestPicture();
  for (int y = 0; y < pic.Height; ++y)
    for (int x = 0; x < pic.Width; ++x) pic.Row(y)[3 * x + 2] = std::uint8_t((x + y) * 4);
  TJpegEncodeOptions lo, hi;
  lo.Quality = 20;
  hi.Quality = 98;
  std::vector<std::uint8_t> a = EncodeJpeg(pic, lo), b = EncodeJpeg(pic, hi);
  EXPECT_LT(a.size(), b.size());
  TDibImage back = DecodeJpeg(b.data(), b.size());
  long total = 0;
  for (int y = 0; y < pic.Height; ++y)
    for (int x = 0; x < pic.Width * 3; ++x) total += std::abs(int(back.Row(y)[x]) - int(pic.Row(y)[x]));
  EXPECT_LT(double(total) / (pic.Width * pic.Height * 3), 3.0);
}

// ---- TJPEGImage -------------------------------------------------------------

void Fill(TStream& s, const std::vector<std::uint8_t>& d) {
  s.WriteBuffer(d.data(), std::int64_t(d.size()));
  s.SetPosition(0);
}

TEST(JPEGImage, ScaleSetsTheDecodedSize) {
  std::vector<std::uint8_t> data = EncodeJpeg(TestPicture());
  TMemoryStream ms;
  Fill(ms, data);
  TJPEGImage j;
  j.LoadFromStream(ms);
  const struct {
    TJPEGScale scale;
    int w, h;
  } cases[] = {{jsFullSize, 37, 23}, {jsHalf, 19, 12}, {jsQuarter, 10, 6}, {jsEighth, 5, 3}};
  for (const auto& c : cases) {
    j.SetScale(c.scale);
    EXPECT_EQ(j.Width(), c.w);
    EXPECT_EQ(j.Height(), c.h);
    EXPECT_EQ(j.Bitmap().Width(), c.w);
    EXPECT_EQ(j.Bitmap().Height(), c.h);
  }
}

TEST(JPEGImage, AssignToABitmapGivesTheDecodedPixels) {
  std::vector<std::uint8_t> data = EncodeJpeg(TestPicture());
  TMemoryStream ms;
  Fill(ms, data);
  TJPEGImage j;
  j.LoadFromStream(ms);
  TBitmap b;
  b.Assign(&j);
  EXPECT_EQ(b.PixelFormat(), pf24bit);
  EXPECT_EQ(b.ToDib().Bits, DecodeJpeg(data.data(), data.size()).Bits);
  j.SetGrayscale(true);
  b.Assign(&j);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
}

TEST(JPEGImage, SavesLoadedBytesUnchangedAndCompressesAssignedBitmaps) {
  std::vector<std::uint8_t> data = EncodeJpeg(TestPicture());
  TMemoryStream in, out;
  Fill(in, data);
  TJPEGImage j;
  j.LoadFromStream(in);
  j.SaveToStream(out);
  EXPECT_EQ(out.Size(), std::int64_t(data.size()));
  EXPECT_EQ(std::memcmp(out.Memory(), data.data(), data.size()), 0);

  TBitmap b(20, 10, pf32bit);
  b.Canvas()->Brush()->SetColor(clRed);
  b.Canvas()->FillRect(Rect(0, 0, 20, 10));
  TJPEGImage k;
  k.Assign(&b);
  k.ProgressiveEncoding = true;
  k.CompressionQuality = 95;
  TMemoryStream saved;
  k.SaveToStream(saved);
  std::vector<std::uint8_t> bytes(static_cast<const std::uint8_t*>(saved.Memory()),
                                  static_cast<const std::uint8_t*>(saved.Memory()) + saved.Size());
  TJpegInfo info = ReadJpegInfo(bytes.data(), bytes.size());
  EXPECT_EQ(info.Width, 20);
  EXPECT_EQ(info.Height, 10);
  EXPECT_TRUE(info.Progressive);
  TDibImage back = DecodeJpeg(bytes.data(), bytes.size());
  EXPECT_NEAR(back.Row(5)[3 * 5 + 2], 255, 3);
  EXPECT_NEAR(back.Row(5)[3 * 5 + 0], 0, 3);
}

TEST(JPEGImage, LoadRejectsNonJpegData) {
  TMemoryStream ms;
  Fill(ms, std::vector<std::uint8_t>{'B', 'M', 0, 0, 0, 0});
  TJPEGImage j;
  EXPECT_THROW(j.LoadFromStream(ms), EInvalidGraphic);
  EXPECT_TRUE(j.Empty());
  EXPECT_THROW(j.SetWidth(3), EInvalidGraphicOperation);
}

// ---- From a reader -----------------------------------------------------------

// Decodes through a reader that hands out at most chunk bytes a call.
TDibImage DecodeInChunks(const std::vector<std::uint8_t>& data, std::size_t chunk, const TJpegDecodeOptions& o) {
  std::size_t at = 0;
  TDibImage img;
  DecodeJpegInto(
      [&](std::uint8_t* b, std::size_t n) {
        n = std::min({n, chunk, data.size() - at});
        if (n) std::memcpy(b, data.data() + at, n);
        at += n;
        return n;
      },
      o,
      [&img](int w, int h, int bits) {
        if (bits == 8) img.Palette = GreyPalette(8);
        img.Allocate(w, h, bits);
        return TJpegRows{img.Row(0), -std::ptrdiff_t(img.Stride())};
      });
  return img;
}

TEST(JpegCodec, DecodeFromAReaderEqualsDecodeFromMemory) {
  TJpegEncodeOptions progressive;
  progressive.Progressive = true;
  const std::vector<std::uint8_t> colour = EncodeJpeg(TestPicture());
  std::vector<std::uint8_t> cut(colour.begin(), colour.begin() + std::ptrdiff_t(colour.size() * 2 / 3));
  // A marker segment longer than what follows it: the skip runs off the end.
  std::vector<std::uint8_t> longSkip = {0xFF, 0xD8, 0xFF, 0xE1, 0x7F, 0xFF, 'E', 'x', 'i', 'f'};
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
  };
  const Case cases[] = {
      {"baseline", colour},
      {"progressive", EncodeJpeg(TestPicture(), progressive)},
      {"cmyk", CmykJpeg(false)},
      {"cut in the scan", cut},
      {"cut in the headers", std::vector<std::uint8_t>(colour.begin(), colour.begin() + 30)},
      {"long skip", longSkip},
      {"garbage", std::vector<std::uint8_t>(300, 0x5A)},
      {"empty", {}},
  };
  for (const Case& c : cases)
    for (std::size_t chunk : {std::size_t(1), std::size_t(7), std::size_t(4096), std::size_t(1) << 20})
      for (bool grey : {false, true}) {
        SCOPED_TRACE(::testing::Message() << c.name << ", chunks of " << chunk << (grey ? ", grey" : ""));
        TJpegDecodeOptions o;
        o.Grayscale = grey;
        o.ScaleDenom = chunk == 7 ? 2 : 1;
        bool memoryFailed = false, readerFailed = false;
        TDibImage fromMemory, fromReader;
        try {
          fromMemory = DecodeJpeg(c.data.data(), c.data.size(), o);
        } catch (const EInvalidGraphic&) {
          memoryFailed = true;
        }
        try {
          fromReader = DecodeInChunks(c.data, chunk, o);
        } catch (const EInvalidGraphic&) {
          readerFailed = true;
        }
        ASSERT_EQ(readerFailed, memoryFailed);
        if (memoryFailed) continue;
        EXPECT_EQ(fromReader.Width, fromMemory.Width);
        EXPECT_EQ(fromReader.BitCount, fromMemory.BitCount);
        EXPECT_EQ(fromReader.Bits, fromMemory.Bits);
      }
}

// Both sources tell the caller when the data ended before the last row;
// data that only lacks its end marker lost nothing.
TEST(JpegCodec, DataEndingBeforeTheLastRowIsReported) {
  TDibImage big;
  big.Allocate(64, 160, 24);
  for (int y = 0; y < 160; ++y)
    for (int x = 0; x < 64 * 3; ++x) big.Row(y)[x] = std::uint8_t(x * 5 + y * 3);
  TJpegEncodeOptions progressive;
  progressive.Progressive = true;
  const std::vector<std::uint8_t> whole = EncodeJpeg(big), stepped = EncodeJpeg(big, progressive);
  auto head = [](const std::vector<std::uint8_t>& v, std::size_t n) {
    return std::vector<std::uint8_t>(v.begin(), v.begin() + std::ptrdiff_t(n));
  };
  struct Case {
    const char* name;
    std::vector<std::uint8_t> data;
    bool ended;
  };
  const Case cases[] = {
      {"whole", whole, false},
      {"no end marker", head(whole, whole.size() - 2), false},
      {"cut in the scan", head(whole, whole.size() / 2), true},
      {"progressive cut", head(stepped, stepped.size() / 2), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDibImage img;
    auto allocate = [&img](int w, int h, int bits) {
      img.Allocate(w, h, bits);
      return TJpegRows{img.Row(0), -std::ptrdiff_t(img.Stride())};
    };
    EXPECT_EQ(DecodeJpegInto(c.data.data(), c.data.size(), {}, allocate).DataEnded, c.ended);
    std::size_t at = 0;
    const TJpegReader read = [&](std::uint8_t* b, std::size_t n) {
      n = std::min(n, c.data.size() - at);
      if (n) std::memcpy(b, c.data.data() + at, n);
      at += n;
      return n;
    };
    EXPECT_EQ(DecodeJpegInto(read, {}, allocate).DataEnded, c.ended);
    EXPECT_EQ(img.Height, 160);
  }
}

TEST(JpegCodec, AReadersOwnFailureReachesTheCaller) {
  const std::vector<std::uint8_t> data = EncodeJpeg(TestPicture());
  std::size_t sos = 0;
  while (sos + 1 < data.size() && !(data[sos] == 0xFF && data[sos + 1] == 0xDA)) ++sos;
  ASSERT_LT(sos + 40, data.size());
  // Before any header, inside them, and inside the scan (past its 14-byte header).
  for (std::size_t failAt : {std::size_t(0), std::size_t(100), sos + 30}) {
    SCOPED_TRACE(failAt);
    std::size_t at = 0;
    bool allocated = false;
    const TJpegReader read = [&](std::uint8_t* b, std::size_t n) -> std::size_t {
      if (at >= failAt) throw EReadError("disk gone");
      n = std::min({n, std::size_t(64), failAt - at});
      std::memcpy(b, data.data() + at, n);
      at += n;
      return n;
    };
    try {
      DecodeJpegInto(read, {}, [&](int, int, int) {
        allocated = true;
        static std::vector<std::uint8_t> rows(37 * 3 * 23 + 64);
        return TJpegRows{rows.data(), 37 * 3};
      });
      ADD_FAILURE() << "no exception";
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), "disk gone");
    }
    EXPECT_EQ(allocated, failAt > sos);  // only once the headers were read
    at = 0;
    if (failAt < sos)
      EXPECT_THROW(ReadJpegInfo(read), EReadError);
    else
      EXPECT_EQ(ReadJpegInfo(read).Width, 37);
  }
}

// ---- Straight into and out of bitmaps ---------------------------------------

// libjpeg's own encode of top-down RGB rows with the given settings: what
// cjpeg gives for the same rows.
bool RefEncodeInto(const std::vector<std::uint8_t>& rgb, int w, int h, int comps, int quality, bool progressive,
                   unsigned char** buf, unsigned long* size, jpeg_compress_struct* ci, RefError* err) {
  if (setjmp(err->jump)) return false;
  jpeg_create_compress(ci);
  jpeg_mem_dest(ci, buf, size);
  ci->image_width = JDIMENSION(w);
  ci->image_height = JDIMENSION(h);
  ci->input_components = comps;
  ci->in_color_space = comps == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(ci);
  jpeg_set_quality(ci, quality, TRUE);
  if (progressive) jpeg_simple_progression(ci);
  jpeg_start_compress(ci, TRUE);
  while (ci->next_scanline < ci->image_height) {
    JSAMPROW row = const_cast<std::uint8_t*>(rgb.data()) + std::size_t(ci->next_scanline) * w * comps;
    jpeg_write_scanlines(ci, &row, 1);
  }
  jpeg_finish_compress(ci);
  return true;
}

std::vector<std::uint8_t> RefEncode(const std::vector<std::uint8_t>& rgb, int w, int h, int comps, int quality,
                                    bool progressive) {
  jpeg_compress_struct ci;
  RefError err;
  ci.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = RefErrorExit;
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  bool ok = RefEncodeInto(rgb, w, h, comps, quality, progressive, &buf, &size, &ci, &err);
  jpeg_destroy_compress(&ci);
  EXPECT_TRUE(ok);
  std::vector<std::uint8_t> out(buf, buf + size);
  std::free(buf);
  return out;
}

// A bitmap of odd width (rows padded) with texture in every channel.
void Paint(TBitmap& b, int seed) {
  const int comps = TBitmap::BitsOf(b.PixelFormat()) / 8;
  for (int y = 0; y < b.Height(); ++y) {
    auto* p = static_cast<std::uint8_t*>(b.ScanLine(y));
    for (int x = 0; x < b.Width() * comps; ++x) p[x] = std::uint8_t((x * 29 + y * 7 + seed) ^ (x * y));
  }
}

// Top-down packed RGB (or grey) rows of a bitmap, as libjpeg's tools take them.
std::vector<std::uint8_t> TopDownRows(const TBitmap& b) {
  const int comps = TBitmap::BitsOf(b.PixelFormat()) / 8;
  std::vector<std::uint8_t> out;
  for (int y = 0; y < b.Height(); ++y) {
    const auto* p = static_cast<const std::uint8_t*>(b.ScanLine(y));
    for (int x = 0; x < b.Width(); ++x)
      for (int c = comps - 1; c >= 0; --c) out.push_back(p[x * comps + c]);
  }
  return out;
}

TEST(JpegRows, SavedFilesAreLibjpegsForTheSameRowsAndSettings) {
  struct Case {
    TPixelFormat format;
    int w, h, quality;
    bool progressive;
  };
  // The last two give more bytes than the encoder reserves up front and
  // than one of its output blocks holds.
  const Case cases[] = {{pf24bit, 37, 23, 100, false}, {pf24bit, 64, 48, 92, false}, {pf24bit, 33, 17, 75, true},
                        {pf8bit, 29, 19, 100, false},  {pf24bit, 701, 503, 100, false}, {pf24bit, 701, 503, 100, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.w << "x" << c.h << " q" << c.quality << " bits "
                                      << TBitmap::BitsOf(c.format));
    TBitmap b(c.w, c.h, c.format);
    if (c.format == pf8bit) {
      std::vector<RGBQUAD> grey;
      for (int i = 0; i < 256; ++i) grey.push_back(RGBQUAD{std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
      b.SetColorTable(grey);
    }
    Paint(b, c.w);
    TJPEGImage j;
    j.CompressionQuality = c.quality;
    j.ProgressiveEncoding = c.progressive;
    j.Assign(&b);
    const int comps = c.format == pf8bit ? 1 : 3;
    EXPECT_EQ(Saved(j), RefEncode(TopDownRows(b), c.w, c.h, comps, c.quality, c.progressive));
  }
}

TEST(JpegRows, DecodedBitmapsHoldLibjpegsPixels) {
  TBitmap src(45, 31, pf24bit);
  Paint(src, 3);
  for (bool progressive : {false, true})
    for (TJPEGScale scale : {jsFullSize, jsHalf})
      for (bool grey : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "progressive " << progressive << " scale " << scale << " grey " << grey);
        TJPEGImage enc;
        enc.ProgressiveEncoding = progressive;
        enc.Assign(&src);
        const std::vector<std::uint8_t> data = Saved(enc);
        TMemoryStream ms;
        Fill(ms, data);
        TJPEGImage j;
        j.LoadFromStream(ms);
        j.SetScale(scale);
        j.SetGrayscale(grey);
        TBitmap b;
        b.Assign(&j);
        RefImage ref = RefDecode(data, 1 << int(scale), false, grey);
        ASSERT_EQ(b.Width(), ref.width);
        ASSERT_EQ(b.Height(), ref.height);
        ASSERT_EQ(b.PixelFormat(), grey ? pf8bit : pf24bit);
        std::vector<std::uint8_t> ours = TopDownRows(b);
        EXPECT_EQ(ours, ref.pixels);
        // The row padding of the bottom-up block is left zero.
        const int used = ref.width * (grey ? 1 : 3);
        for (int y = 0; y < b.Height(); ++y)
          for (int x = used; x < b.RowBytes(); ++x)
            ASSERT_EQ(static_cast<const std::uint8_t*>(static_cast<const TBitmap&>(b).ScanLine(y))[x], 0);
      }
}

TEST(JpegRows, CmykDecodesIntoTheBitmapAsIntoAnImage) {
  const std::vector<std::uint8_t> data = CmykJpeg(false);
  TMemoryStream ms;
  Fill(ms, data);
  TJPEGImage j;
  j.LoadFromStream(ms);
  TBitmap b;
  b.Assign(&j);
  EXPECT_EQ(b.ToDib().Bits, DecodeJpeg(data.data(), data.size()).Bits);
}

// Pixels moved out of a loaded JPEG decode again; pixels assigned to one
// are shared until either side writes, and a write never shows on the other.
TEST(JpegRows, AssignMovesDecodedPixelsAndSharesAssignedOnes) {
  TBitmap src(40, 20, pf24bit);
  Paint(src, 9);
  TJPEGImage enc;
  enc.Assign(&src);
  const std::vector<std::uint8_t> data = Saved(enc);

  TMemoryStream ms;
  Fill(ms, data);
  TJPEGImage j;
  j.LoadFromStream(ms);
  TBitmap first, second;
  first.Assign(&j);
  second.Assign(&j);
  EXPECT_EQ(first.ToDib().Bits, second.ToDib().Bits);
  static_cast<std::uint8_t*>(first.ScanLine(0))[0] ^= 0xFF;
  EXPECT_NE(first.ToDib().Bits, second.ToDib().Bits);
  EXPECT_EQ(Saved(j), data);
  EXPECT_EQ(j.Bitmap().ToDib().Bits, second.ToDib().Bits);

  // Assigned pixels: the JPEG keeps what it was given.
  TBitmap b(40, 20, pf24bit);
  Paint(b, 1);
  b.Canvas()->Pixels(0, 0);  // the bitmap has a DC before it shares
  const std::vector<std::uint8_t> before = b.ToDib().Bits;
  TJPEGImage k;
  k.Assign(&b);
  static_cast<std::uint8_t*>(b.ScanLine(3))[4] ^= 0x55;
  b.Canvas()->Brush()->SetColor(clBlue);
  b.Canvas()->FillRect(Rect(0, 0, 5, 5));
  EXPECT_EQ(k.Bitmap().ToDib().Bits, before);
  const std::vector<std::uint8_t> saved = Saved(k);

  // And a bitmap given the JPEG's assigned pixels writes its own copy.
  TBitmap c;
  c.Assign(&k);
  EXPECT_EQ(c.ToDib().Bits, before);
  c.Canvas()->Brush()->SetColor(clRed);
  c.Canvas()->FillRect(Rect(0, 0, 40, 20));
  EXPECT_EQ(k.Bitmap().ToDib().Bits, before);
  HBITMAP h = c.Handle();
  EXPECT_NE(h, k.Bitmap().Handle());
  k.Compress();
  EXPECT_EQ(Saved(k), saved);
}

}  // namespace
