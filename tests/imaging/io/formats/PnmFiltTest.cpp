// The PNM and WBMP readers and writers, on hand-written files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/bmpfilt_pnm.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/ParallelRows.h"
#include "platform/rtl/Streams.h"

namespace {

struct TPnmLoaded {
  TVQBitmap img;
  TIOParamsVals params{nullptr};
  bool aborted = false;
  std::vector<int> progress;
};

void PnmLoadInto(TPnmLoaded& out, const std::string& bytes, bool wbmp, bool paramsOnly = false) {
  TMemoryStream s;
  s.Write(bytes.data(), std::int64_t(bytes.size()));
  s.SetPosition(0);
  TVQProgressRec p;
  p.Aborting = &out.aborted;
  p.OnProgress = [&out](TObject*, int per) { out.progress.push_back(per); };
  if (wbmp)
    LoadWbmpImage(s, &out.img, out.params, paramsOnly, p);
  else
    LoadPnmImage(s, &out.img, out.params, paramsOnly, p);
}

// R, G, B of every pixel, rows from the top.
std::vector<int> PnmRgb(TVQBitmap& img) {
  std::vector<int> v;
  for (int y = 0; y < img.GetHeight(); ++y)
    for (int x = 0; x < img.GetWidth(); ++x) {
      const Byte* p = img.GetScanline(y) + x * 3;
      v.insert(v.end(), {p[2], p[1], p[0]});
    }
  return v;
}

// "W" for a set (white) bit, "B" for a clear one, "/" between rows.
std::string PnmBits(TVQBitmap& img) {
  std::string s;
  for (int y = 0; y < img.GetHeight(); ++y) {
    if (y) s += '/';
    const Byte* p = img.GetScanline(y);
    for (int x = 0; x < img.GetWidth(); ++x) s += (p[x >> 3] & (0x80 >> (x & 7))) ? 'W' : 'B';
  }
  return s;
}

std::string PnmSaved(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), std::size_t(s.Size()));
}

struct TPnmCase {
  const char* name;
  bool wbmp;
  std::string bytes;
  int width, height;
  std::string bits;         // 1-bit images
  std::vector<int> rgb;     // 24-bit images
  int bitsPerSample, samplesPerPixel;
};

TEST(PnmFiltTest, ReadsEveryKindWithHandWorkedPixels) {
  const std::string b255 = std::string(1, char(255));
  const TPnmCase cases[] = {
      {"P5 maxval 255", false, std::string("P5\n3 1\n255\n") + '\0' + char(128) + char(255), 3, 1, "",
       {0, 0, 0, 128, 128, 128, 255, 255, 255}, 8, 1},
      {"P2 maxval 15", false, "P2 2 1 15 15 7", 2, 1, "", {255, 255, 255, 119, 119, 119}, 8, 1},
      {"P5 maxval 100 every row", false, std::string("P5 2 2 100\n") + char(100) + char(50) + '\0' + char(100), 2, 2,
       "", {255, 255, 255, 127, 127, 127, 0, 0, 0, 255, 255, 255}, 8, 1},
      {"P3 with comments anywhere", false, "P3\n# hi there \n2#c\n1 # c2\n255\n1 2 3\n#x\n4 5 6", 2, 1, "",
       {1, 2, 3, 4, 5, 6}, 8, 3},
      {"P6 maxval 255", false, std::string("P6 2 1 255\n") + char(10) + char(20) + char(30) + char(40) + char(50) + char(60),
       2, 1, "", {10, 20, 30, 40, 50, 60}, 8, 3},
      {"P6 maxval 15 scaled", false, std::string("P6 1 1 15\n") + char(15) + char(7) + '\0', 1, 1, "", {255, 119, 0}, 8, 3},
      {"P6 maxval 65535 two bytes", false,
       std::string("P6 1 1 65535\n") + b255 + b255 + char(0x80) + '\0' + '\0' + b255, 1, 1, "", {255, 127, 0}, 16, 3},
      {"P5 maxval 1000 two bytes", false, std::string("P5 2 1 1000\n") + char(0x01) + char(0xF4) + char(0x03) + char(0xE8),
       2, 1, "", {127, 127, 127, 255, 255, 255}, 16, 1},
      {"P2 maxval 1000 text", false, "P2 1 1 1000 500", 1, 1, "", {127, 127, 127}, 16, 1},
      {"P2 value past maxval", false, "P2 1 1 15 99", 1, 1, "", {255, 255, 255}, 8, 1},
      {"P1 with separators", false, "P1 3 2\n0 1 0\n1 1 0\n", 3, 2, "WBW/BBW", {}, 1, 1},
      {"P1 packed digits", false, "P1 3 2\n010110", 3, 2, "WBW/BBW", {}, 1, 1},
      {"P4 set bit black", false, std::string("P4 3 2\n") + char(0xA0) + char(0x40), 3, 2, "BWB/WBW", {}, 1, 1},
      {"P4 nine wide", false, std::string("P4 9 1\n") + '\0' + char(0x80), 9, 1, "WWWWWWWWB", {}, 1, 1},
      {"WBMP set bit white", true, std::string(2, '\0') + char(3) + char(1) + char(0xA0), 3, 1, "WBW", {}, 1, 1},
  };
  for (const TPnmCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPnmLoaded l;
    PnmLoadInto(l, c.bytes, c.wbmp);
    EXPECT_FALSE(l.aborted);
    ASSERT_EQ(l.img.GetWidth(), c.width);
    ASSERT_EQ(l.img.GetHeight(), c.height);
    EXPECT_EQ(l.params.Width, c.width);
    EXPECT_EQ(l.params.BitsPerSample, c.bitsPerSample);
    EXPECT_EQ(l.params.SamplesPerPixel, c.samplesPerPixel);
    EXPECT_EQ(l.params.DpiX(), kIODefaultDpi);
    if (c.bits.empty()) {
      ASSERT_EQ(l.img.GetPixelFormat(), vqRGB24);
      EXPECT_EQ(PnmRgb(l.img), c.rgb);
    } else {
      ASSERT_EQ(l.img.GetPixelFormat(), vqBits1);
      EXPECT_EQ(PnmBits(l.img), c.bits);
    }
  }
}

TEST(PnmFiltTest, CommentsReachTheBlockAndProgressCountsRows) {
  TPnmLoaded l;
  PnmLoadInto(l, "P2\n# first one  \n2 4\n# second\n255\n1 2 3 4 5 6 7 8", false);
  EXPECT_FALSE(l.aborted);
  ASSERT_EQ(l.params.PxmComments->Count(), 2);
  EXPECT_EQ(l.params.PxmComments->Strings(0), "first one");
  EXPECT_EQ(l.params.PxmComments->Strings(1), "second");
  EXPECT_EQ(l.progress, (std::vector<int>{25, 50, 75, 100}));
}

TEST(PnmFiltTest, WbmpMultiByteSizes) {
  // 200 = 1 × 128 + 72; rows of 25 bytes.
  std::string f = std::string(2, '\0') + char(0x81) + char(0x48) + char(2);
  std::string rows(50, '\0');
  rows[0] = char(0x80);
  rows[49] = char(0x01);
  TPnmLoaded l;
  PnmLoadInto(l, f + rows, true);
  EXPECT_FALSE(l.aborted);
  ASSERT_EQ(l.img.GetWidth(), 200);
  ASSERT_EQ(l.img.GetHeight(), 2);
  const std::string bits = PnmBits(l.img);
  EXPECT_EQ(bits.substr(0, 2), "WB");
  EXPECT_EQ(bits.substr(bits.size() - 2), "BW");
  TPnmLoaded only;
  PnmLoadInto(only, f, true, true);
  EXPECT_FALSE(only.aborted);
  EXPECT_EQ(only.params.Width, 200);
  EXPECT_TRUE(only.img.IsEmpty());
}

TEST(PnmFiltTest, HostileAndShortFilesSetTheAbortFlag) {
  const struct {
    const char* name;
    bool wbmp;
    std::string bytes;
  } cases[] = {
      {"empty", false, ""},
      {"magic only", false, "P5"},
      {"unknown magic", false, "P7 1 1 255\n\x01"},
      {"no magic", false, "Q5 1 1 255\n\x01"},
      {"zero width", false, "P5 0 1 255\n\x01"},
      {"maxval 0", false, "P5 1 1 0\n\x01"},
      {"maxval 65536", false, "P5 1 1 65536\n\x01\x01"},
      {"maxval missing", false, "P5 1 1"},
      {"width past 32 bits", false, "P5 99999999999 1 255\n\x01"},
      {"width with letters", false, "P5 1x 1 255\n\x01"},
      {"past 2^28 pixels", false, "P5 20000 20000 255\n\x01"},
      {"P1 past 2^28 pixels", false, "P1 16385 16385 0"},
      {"P2 short", false, "P2 2 1 255 5"},
      {"P3 short", false, "P3 1 1 255 5 6"},
      {"P1 short", false, "P1 3 1 01"},
      {"P5 short", false, "P5 2 2 255\n\x01\x02\x03"},
      {"P6 two bytes short", false, std::string("P6 1 1 65535\n") + std::string(5, 'a')},
      {"P4 short", false, "P4 9 2\n\x01\x02\x03"},
      {"WBMP fixed header 1", true, std::string(1, '\0') + "\x01\x01\x01\x80"},
      {"WBMP type 1", true, "\x01" + std::string(1, '\0') + "\x01\x01\x80"},
      {"WBMP size past four bytes", true, std::string(2, '\0') + "\x81\x81\x81\x81\x01\x01"},
      {"WBMP size cut off", true, std::string(2, '\0') + "\x81"},
      {"WBMP past 2^28 pixels", true, std::string(2, '\0') + "\xFF\xFF\x7F\x40"},
      {"WBMP rows short", true, std::string(2, '\0') + "\x09\x02\x01\x02\x03"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TPnmLoaded l;
    PnmLoadInto(l, c.bytes, c.wbmp);
    EXPECT_TRUE(l.aborted);
  }
}

TEST(PnmFiltTest, WritesPnmBytes) {
  TVQBitmap rgb;
  rgb.Allocate(2, 1, vqRGB24);
  const Byte px[6] = {3, 2, 1, 6, 5, 4};  // stored blue first
  std::copy(px, px + 6, rgb.GetScanline(0));
  TVQProgressRec p;
  bool aborted = false;
  p.Aborting = &aborted;
  {
    TIOParamsVals params(nullptr);
    params.BitsPerSample = 8;
    params.SamplesPerPixel = 3;
    params.PxmComments->Add("hello");
    TMemoryStream s;
    SavePnmImage(s, &rgb, params, p);
    EXPECT_EQ(PnmSaved(s), std::string("P6 \n# hello\n2 1 255\n\x01\x02\x03\x04\x05\x06"));
  }
  {
    TVQBitmap one;
    one.Allocate(1, 1, vqRGB24);
    Byte* q = one.GetScanline(0);
    q[0] = 50, q[1] = 200, q[2] = 100;  // (100 × 21 + 200 × 71 + 50 × 8) div 100 = 167
    TIOParamsVals params(nullptr);
    params.BitsPerSample = 8;
    params.SamplesPerPixel = 1;
    TMemoryStream s;
    SavePnmImage(s, &one, params, p);
    EXPECT_EQ(PnmSaved(s), std::string("P5 1 1 255\n\xA7"));
  }
  {
    TVQBitmap bits;
    bits.Allocate(3, 1, vqBits1);
    bits.GetScanline(0)[0] = 0xA0;  // white, black, white
    TIOParamsVals params(nullptr);
    TMemoryStream s;
    SavePnmImage(s, &bits, params, p);
    EXPECT_EQ(PnmSaved(s), std::string("P4 3 1\n\x5F"));
  }
  {
    // A 24-bit image under a block that asks for one bit is converted, not
    // taken as packed bits: white, black.
    TVQBitmap two;
    two.Allocate(2, 1, vqRGB24);
    std::fill(two.GetScanline(0), two.GetScanline(0) + 3, Byte(255));
    std::fill(two.GetScanline(0) + 3, two.GetScanline(0) + 6, Byte(0));
    TIOParamsVals params(nullptr);
    params.BitsPerSample = 1;
    params.SamplesPerPixel = 1;
    TMemoryStream s;
    SavePnmImage(s, &two, params, p);
    EXPECT_EQ(PnmSaved(s).substr(0, 7), "P4 2 1\n");
    ASSERT_EQ(s.Size(), 8);
    EXPECT_EQ(Byte(PnmSaved(s)[7]) & 0xC0, 0x40);
  }
  EXPECT_FALSE(aborted);
}

TEST(PnmFiltTest, WritesWbmpBytesAndCutsLargeImages) {
  TVQProgressRec p;
  bool aborted = false;
  p.Aborting = &aborted;
  {
    TVQBitmap bits;
    bits.Allocate(10, 5, vqBits1);
    bits.GetScanline(4)[0] = 0x81;
    TMemoryStream s;
    SaveWbmpImage(s, &bits, p);
    const std::string out = PnmSaved(s);
    ASSERT_EQ(out.size(), 4u + 5u * 2u);
    EXPECT_EQ(out.substr(0, 4), std::string("\0\0\x0A\x05", 4));
    EXPECT_EQ(Byte(out[12]), 0x81);
  }
  {
    TVQBitmap big;
    big.Allocate(300, 200, vqBits1);
    big.GetScanline(0)[0] = 0x80;
    big.GetScanline(169)[31] = 0x01;  // x = 255, cut away
    big.GetScanline(169)[31] |= 0x02;  // x = 254, kept
    TMemoryStream s;
    SaveWbmpImage(s, &big, p);
    const std::string out = PnmSaved(s);
    // 255 = 0x81 0x7F, 170 = 0x81 0x2A; rows of 32 bytes.
    ASSERT_EQ(out.size(), 6u + 170u * 32u);
    EXPECT_EQ(out.substr(0, 6), std::string("\0\0\x81\x7F\x81\x2A", 6));
    EXPECT_EQ(Byte(out[6]), 0x80);
    EXPECT_EQ(Byte(out[6 + 169 * 32 + 31]), 0x02);
    EXPECT_EQ(big.GetWidth(), 300);  // the caller's image is left whole
  }
  EXPECT_FALSE(aborted);
}

TEST(PnmFiltTest, RoundTrips) {
  TVQBitmap rgb;
  rgb.Allocate(7, 5, vqRGB24);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 21; ++x) rgb.GetScanline(y)[x] = Byte(y * 37 + x * 11);
  TVQBitmap bits;
  bits.Allocate(13, 3, vqBits1);
  for (int y = 0; y < 3; ++y) bits.GetScanline(y)[0] = Byte(0x5A + y), bits.GetScanline(y)[1] = Byte(0xC8 >> y);
  TVQProgressRec p;
  bool aborted = false;
  p.Aborting = &aborted;
  for (TVQBitmap* img : {&rgb, &bits}) {
    for (bool wbmp : {false, true}) {
      if (wbmp && img == &rgb) continue;
      TIOParamsVals params(nullptr);
      TMemoryStream s;
      if (wbmp)
        SaveWbmpImage(s, img, p);
      else
        SavePnmImage(s, img, params, p);
      s.SetPosition(0);
      TPnmLoaded l;
      PnmLoadInto(l, PnmSaved(s), wbmp);
      EXPECT_FALSE(l.aborted);
      if (img == &rgb)
        EXPECT_EQ(PnmRgb(l.img), PnmRgb(rgb));
      else
        EXPECT_EQ(PnmBits(l.img), PnmBits(bits));
    }
  }
  EXPECT_FALSE(aborted);
}

TEST(PnmFiltTest, SameImageForAnyThreadCount) {
  // 700 rows of 3000 two-byte samples span more than one read band.
  const int w = 1000, h = 700;
  std::string f = "P6 " + std::to_string(w) + " " + std::to_string(h) + " 4095\n";
  for (int i = 0; i < w * h * 3; ++i) {
    const int v = int(std::int64_t(i) * 7919 % 4096);
    f += char(v >> 8);
    f += char(v & 255);
  }
  std::vector<int> first;
  for (int threads : {1, 2, 3, 8}) {
    SCOPED_TRACE(threads);
    SetParallelThreadCount(threads);
    TPnmLoaded l;
    PnmLoadInto(l, f, false);
    EXPECT_FALSE(l.aborted);
    const std::vector<int> rgb = PnmRgb(l.img);
    // Sample 3 of the last row: v = (i × 7919) mod 4096, then × 255 div 4095.
    const int i = (h - 1) * w * 3 + 3;
    EXPECT_EQ(rgb[std::size_t(i)], std::int64_t(i) * 7919 % 4096 * 255 / 4095);
    if (first.empty())
      first = rgb;
    else
      EXPECT_EQ(rgb, first);
  }
  SetParallelThreadCount(0);
}

TEST(PnmFiltTest, ComponentReachesBothFilters) {
  InstallBmpFilter();
  TVQBitmap img;
  img.Allocate(2, 1, vqRGB24);
  const Byte px[6] = {3, 2, 1, 6, 5, 4};
  std::copy(px, px + 6, img.GetScanline(0));
  TMemoryStream pnm, wbmp;
  {
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&img);
    io.Parameters()->PxmComments->Add("kept");
    io.SavePxmToStream(&pnm);
    EXPECT_FALSE(io.Aborting);
    io.SaveWbmpToStream(&wbmp);
    EXPECT_FALSE(io.Aborting);
  }
  EXPECT_EQ(PnmSaved(pnm), std::string("P6 \n# kept\n2 1 255\n\x01\x02\x03\x04\x05\x06"));
  EXPECT_EQ(PnmSaved(wbmp).substr(0, 4), std::string("\0\0\x02\x01", 4));
  {
    TVQBitmap back;
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&back);
    pnm.SetPosition(0);
    io.LoadPxmFromStream(&pnm);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(PnmRgb(back), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(io.Parameters()->PxmComments->Strings(0), "kept");
    wbmp.SetPosition(0);
    io.LoadWbmpFromStream(&wbmp);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(back.GetWidth(), 2);
  }
  EndImagingLibrary();
}

}  // namespace
