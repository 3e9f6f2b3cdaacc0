// The TIFF writer: every compression and sample layout read back by the
// reader, the tags and structure it writes, appending, and the EXIF block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/tiff/tiffilt.h"
#include "imaging/io/coders/tiflzw.h"
#include "imaging/io/formats/jpegfilt.h"
#include "platform/rtl/Streams.h"

namespace {

std::unique_ptr<TVQBitmap> TiffWTestImage(TVQPixelFormat f, int w, int h) {
  auto b = std::make_unique<TVQBitmap>();
  b->Allocate(w, h, f);
  for (int y = 0; y < h; ++y) {
    Byte* r = b->GetScanline(y);
    const int n = b->GetRowLength();
    for (int i = 0; i < n; ++i) r[i] = Byte((i * 7 + y * 13 + (i * y) / 5) & 0xFF);
    if (f == vqRGB24)
      for (int x = w / 2; x < w; ++x) r[3 * x] = r[3 * x + 1] = r[3 * x + 2] = Byte(x & 0xF0);
  }
  if (f == vqPalette8)
    for (int i = 0; i < 256; ++i) b->SetPaletteColor(i, TRGBPixel{Byte(i), Byte(255 - i), Byte(i * 3)});
  return b;
}

std::vector<Byte> TiffWTestBytes(TMemoryStream& s) {
  std::vector<Byte> v(std::size_t(s.Size()));
  std::memcpy(v.data(), s.Memory(), v.size());
  return v;
}

// The value field of a tag in a little-endian file's first IFD.
std::uint32_t TiffWTestTag(const std::vector<Byte>& b, int tag) {
  const std::uint32_t ifd = b[4] | b[5] << 8 | b[6] << 16 | std::uint32_t(b[7]) << 24;
  const int n = b[ifd] | b[ifd + 1] << 8;
  for (int i = 0; i < n; ++i) {
    const Byte* e = &b[ifd + 2 + std::size_t(i) * 12];
    if ((e[0] | e[1] << 8) == tag) return e[8] | e[9] << 8 | e[10] << 16 | std::uint32_t(e[11]) << 24;
  }
  return 0;
}

struct TTiffWRead {
  std::unique_ptr<TVQBitmap> image = std::make_unique<TVQBitmap>();
  std::unique_ptr<TIOParamsVals> params = std::make_unique<TIOParamsVals>(nullptr);
  std::unique_ptr<TVQMask> mask;
  int count = 0;
  bool aborted = false;
};

TTiffWRead TiffWTestRead(TStream& s, int index = 0, bool native = true) {
  TTiffWRead r;
  r.params->TiffImageIndex = index;
  r.params->NativePixelFormat = native;
  r.params->TiffLzwDecompress = TiffLzwDecode;
  s.Seek(0, soBeginning);
  TVQProgressRec p;
  p.Aborting = &r.aborted;
  LoadTiffImage(r.image.get(), s, r.count, false, false, true, r.mask, false, p, r.params.get());
  return r;
}

bool TiffWTestSame(TVQBitmap& a, TVQBitmap& b) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetPixelFormat() != b.GetPixelFormat())
    return false;
  const int bytes = a.GetPixelFormat() == vqBits1 ? (a.GetWidth() + 7) / 8 : a.GetWidth() * a.GetBitCount() / 8;
  for (int y = 0; y < a.GetHeight(); ++y) {
    if (a.GetPixelFormat() == vqBits1) {
      const int w = a.GetWidth();
      for (int x = 0; x < w; ++x)
        if (((a.GetScanline(y)[x / 8] ^ b.GetScanline(y)[x / 8]) >> (7 - x % 8)) & 1) return false;
    } else if (std::memcmp(a.GetScanline(y), b.GetScanline(y), std::size_t(bytes)) != 0) {
      return false;
    }
  }
  return true;
}

struct TTiffWCase {
  TVQPixelFormat format;
  int bits, samples, photometric;
};

TEST(TiffWriter, EveryLayoutAndCompressionReadsBackUnchanged) {
  const TTiffWCase cases[] = {{vqBits1, 1, 1, 0}, {vqRGB24, 8, 3, 2}, {vqGray8, 8, 1, 1}, {vqGray16, 16, 1, 1},
                              {vqPalette8, 8, 1, 3}};
  for (const TTiffWCase& c : cases) {
    for (int compression : {0, 1, 2, 3, 4, 5, 8}) {
      for (int w : {1, 37, 300}) {
        auto img = TiffWTestImage(c.format, w, 29);
        TIOParamsVals p(nullptr);
        p.BitsPerSample = c.bits;
        p.SamplesPerPixel = c.samples;
        p.TiffPhotometric = Byte(c.photometric);
        p.TiffCompression = Byte(compression);
        p.TiffLzwCompress = TiffLzwEncode;
        TMemoryStream s;
        bool abort = false;
        TVQProgressRec pr;
        pr.Aborting = &abort;
        EXPECT_EQ(SaveTiffImage(s, false, img.get(), pr, p), 1);
        ASSERT_FALSE(abort);
        TTiffWRead r = TiffWTestRead(s);
        ASSERT_FALSE(r.aborted) << c.format << " " << compression;
        EXPECT_TRUE(TiffWTestSame(*img, *r.image)) << "format " << c.format << " compression " << compression << " w " << w;
      }
    }
  }
}

TEST(TiffWriter, Group4OfABilevelImageIsWhiteIsZeroWithClearWhiteBits) {
  auto img = TiffWTestImage(vqBits1, 16, 2);
  std::memset(img->GetScanline(0), 0xFF, 2);  // white row
  std::memset(img->GetScanline(1), 0xFF, 2);
  TIOParamsVals p(nullptr);
  p.BitsPerSample = p.SamplesPerPixel = 1;
  p.TiffCompression = 4;
  TMemoryStream s;
  TVQProgressRec pr;
  SaveTiffImage(s, false, img.get(), pr, p);
  TTiffWRead r = TiffWTestRead(s);
  EXPECT_EQ(r.params->TiffCompression, 4);
  EXPECT_EQ(r.params->TiffPhotometric, 0);
  // White rows against a white reference: V0 twice, then the end of block.
  const std::vector<Byte> b = TiffWTestBytes(s);
  EXPECT_EQ(b[TiffWTestTag(b, 273)], 0xC0);  // "1" "1" and the first bits of the EOFB
  EXPECT_EQ(TiffWTestTag(b, 266), 1u);
  EXPECT_TRUE(TiffWTestSame(*img, *r.image));
}

TEST(TiffWriter, CcittOfAColourImageIsWrittenUncompressed) {
  auto img = TiffWTestImage(vqRGB24, 20, 5);
  TIOParamsVals p(nullptr);
  p.TiffCompression = 4;
  TMemoryStream s;
  TVQProgressRec pr;
  SaveTiffImage(s, false, img.get(), pr, p);
  TTiffWRead r = TiffWTestRead(s);
  EXPECT_EQ(r.params->TiffCompression, 0);
  EXPECT_TRUE(TiffWTestSame(*img, *r.image));
}

TEST(TiffWriter, OneSampleRequestOfAColourPhotoGivesAPaletteAndOfAGreyOneBlackIsZero) {
  for (bool grey : {false, true}) {
    auto img = TiffWTestImage(vqRGB24, 40, 30);
    if (grey)
      for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
          Byte* px = img->GetScanline(y) + 3 * x;
          px[1] = px[2] = px[0];
        }
    TIOParamsVals p(nullptr);
    p.SamplesPerPixel = 1;
    p.BitsPerSample = 8;
    p.TiffCompression = 4;
    TMemoryStream s;
    TVQProgressRec pr;
    SaveTiffImage(s, false, img.get(), pr, p);
    EXPECT_EQ(p.TiffCompression, 0);
    TTiffWRead r = TiffWTestRead(s, 0, false);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.params->TiffPhotometric, grey ? 1 : 3);
    EXPECT_EQ(r.params->TiffCompression, 0);
    if (!grey) {
      EXPECT_EQ(r.params->ColorMapCount(), 256);
    }
    if (grey) {
      EXPECT_TRUE(TiffWTestSame(*img, *r.image));
    }
  }
}

TEST(TiffWriter, AppendingLinksTheImageInAtItsIndex) {
  TMemoryStream s;
  TVQProgressRec pr;
  std::vector<std::unique_ptr<TVQBitmap>> pages;
  for (int i = 0; i < 3; ++i) {
    pages.push_back(TiffWTestImage(vqGray8, 10 + i, 5));
    TIOParamsVals p(nullptr);
    p.SamplesPerPixel = 1;
    p.TiffImageIndex = i;
    s.Seek(0, soBeginning);
    EXPECT_EQ(SaveTiffImage(s, i > 0, pages.back().get(), pr, p), i + 1);
  }
  auto first = TiffWTestImage(vqGray8, 3, 3);
  TIOParamsVals p(nullptr);
  p.SamplesPerPixel = 1;
  p.TiffImageIndex = 0;
  s.Seek(0, soBeginning);
  EXPECT_EQ(SaveTiffImage(s, true, first.get(), pr, p), 4);
  auto last = TiffWTestImage(vqGray8, 4, 4);
  p.TiffImageIndex = 7;
  s.Seek(0, soBeginning);
  EXPECT_EQ(SaveTiffImage(s, true, last.get(), pr, p), 5);
  const int widths[] = {3, 10, 11, 12, 4};
  for (int i = 0; i < 5; ++i) {
    TTiffWRead r = TiffWTestRead(s, i);
    ASSERT_FALSE(r.aborted);
    EXPECT_EQ(r.count, 5);
    EXPECT_EQ(r.image->GetWidth(), widths[i]) << i;
  }
  // Appending to something that is not a little-endian TIFF.
  TMemoryStream junk;
  junk.WriteBuffer("MM\0*", 4);
  junk.Seek(0, soBeginning);
  bool abort = false;
  pr.Aborting = &abort;
  EXPECT_EQ(SaveTiffImage(junk, true, first.get(), pr, p), 0);
  EXPECT_TRUE(abort);
}

TEST(TiffWriter, LargeImagesAreSplitIntoStripsOfAboutHalfAMegabyte) {
  auto img = TiffWTestImage(vqRGB24, 3000, 600);
  TIOParamsVals p(nullptr);
  TMemoryStream s;
  TVQProgressRec pr;
  SaveTiffImage(s, false, img.get(), pr, p);
  // 600 rows of 9000 bytes: 10 strips of 60 rows.
  const std::vector<Byte> b = TiffWTestBytes(s);
  const std::uint32_t ifd = b[4] | b[5] << 8 | b[6] << 16 | std::uint32_t(b[7]) << 24;
  EXPECT_EQ(ifd % 2, 0u);
  const int n = b[ifd] | b[ifd + 1] << 8;
  bool sawRows = false, sawOffsets = false;
  for (int i = 0; i < n; ++i) {
    const Byte* e = &b[ifd + 2 + std::size_t(i) * 12];
    const int tag = e[0] | e[1] << 8;
    const std::uint32_t count = e[4] | e[5] << 8 | e[6] << 16 | std::uint32_t(e[7]) << 24;
    const std::uint32_t value = e[8] | e[9] << 8 | e[10] << 16 | std::uint32_t(e[11]) << 24;
    if (tag == 278) sawRows = value == 60;
    if (tag == 273) sawOffsets = count == 10;
    if (i > 0) {
      EXPECT_GT(tag, b[ifd + 2 + std::size_t(i - 1) * 12] | b[ifd + 3 + std::size_t(i - 1) * 12] << 8);
    }
  }
  EXPECT_TRUE(sawRows);
  EXPECT_TRUE(sawOffsets);
  TTiffWRead r = TiffWTestRead(s);
  EXPECT_TRUE(TiffWTestSame(*img, *r.image));
}

TEST(TiffWriter, ShortTextsSitInTheEntryAndPageNumbersAreOneEntry) {
  for (const char* name : {"abc", "abcd"}) {
    auto img = TiffWTestImage(vqGray8, 2, 2);
    TIOParamsVals p(nullptr);
    p.SamplesPerPixel = 1;
    p.TiffDocumentName = name;
    p.TiffPageNumber = 2;
    p.TiffPageCount = 5;
    TMemoryStream s;
    TVQProgressRec pr;
    SaveTiffImage(s, false, img.get(), pr, p);
    const std::vector<Byte> b = TiffWTestBytes(s);
    const std::uint32_t ifd = b[4] | b[5] << 8;
    const int n = b[ifd] | b[ifd + 1] << 8;
    for (int i = 0; i < n; ++i) {
      const Byte* e = &b[ifd + 2 + std::size_t(i) * 12];
      const int tag = e[0] | e[1] << 8;
      if (tag == 269) {
        EXPECT_EQ(e[4], std::strlen(name) + 1);
        if (std::strlen(name) == 3) {
          EXPECT_EQ(std::memcmp(e + 8, "abc", 4), 0);
        }
      }
      if (tag == 297) {
        EXPECT_EQ(std::vector<Byte>(e + 8, e + 12), (std::vector<Byte>{2, 0, 5, 0}));
      }
    }
    TTiffWRead r = TiffWTestRead(s);
    EXPECT_EQ(r.params->TiffDocumentName, name);
    EXPECT_EQ(r.params->TiffPageNumber, 2);
    EXPECT_EQ(r.params->TiffPageCount, 5);
  }
}

TEST(TiffWriter, ShortWriteAbortsAndWritesNoDirectory) {
  auto img = TiffWTestImage(vqRGB24, 50, 50);
  TIOParamsVals p(nullptr);
  std::vector<Byte> block(100);
  TVQMemStream s(block.data(), std::int64_t(block.size()));
  bool abort = false;
  TVQProgressRec pr;
  pr.Aborting = &abort;
  SaveTiffImage(s, false, img.get(), pr, p);
  EXPECT_TRUE(abort);
}

TEST(TiffWriter, MetadataAndIptcTravel) {
  auto img = TiffWTestImage(vqRGB24, 5, 5);
  TIOParamsVals p(nullptr);
  p.TiffImageDescription = "a description";
  p.TiffPageName = "page";
  p.TiffXPos = 3;
  p.SetDpiX(150);
  p.SetDpiY(75);
  p.IptcInfo->AddItem(2, 5, "abc", 3);
  TMemoryStream s;
  TVQProgressRec pr;
  SaveTiffImage(s, false, img.get(), pr, p);
  TTiffWRead r = TiffWTestRead(s);
  EXPECT_EQ(r.params->TiffImageDescription, "a description");
  EXPECT_EQ(r.params->TiffPageName, "page");
  EXPECT_EQ(r.params->TiffXPos, 3);
  EXPECT_EQ(r.params->DpiX(), 150);
  EXPECT_EQ(r.params->DpiY(), 75);
  // The record version comes with the block.
  const int n = r.params->IptcInfo->GetCount();
  bool found = false;
  for (int i = 0; i < n; ++i)
    if (r.params->IptcInfo->GetDataSet(i) == 5) found = std::memcmp(r.params->IptcInfo->GetData(i), "abc", 3) == 0;
  EXPECT_TRUE(found);
}

}  // namespace

namespace {

TEST(TiffSlot, ComponentStreamSaveWithHeaderLoadsBackAndCountsFilePages) {
  StartImagingLibrary();
  InstallTiffFilter();  // other suites clear the slots
  TPictoraIO io(nullptr);
  io.Image()->Allocate(7, 5, vqRGB24);
  for (int y = 0; y < 5; ++y)
    for (int i = 0; i < 21; ++i) io.Image()->GetScanline(y)[i] = Byte(i * 11 + y);
  io.StreamHeaders = true;
  TMemoryStream s;
  s.WriteBuffer("junk", 4);
  io.SaveTiffToStream(&s);
  ASSERT_FALSE(io.Aborting);
  s.WriteBuffer("tail", 4);
  s.Seek(4, soBeginning);
  TPictoraIO back(nullptr);
  back.StreamHeaders = true;
  EXPECT_EQ(back.LoadTiffFromStream(&s), 1);
  ASSERT_FALSE(back.Aborting);
  EXPECT_EQ(s.Position(), s.Size() - 4) << "the stream is left after the image";
  ASSERT_EQ(back.Image()->GetWidth(), 7);
  for (int y = 0; y < 5; ++y) EXPECT_EQ(std::memcmp(back.Image()->GetScanline(y), io.Image()->GetScanline(y), 21), 0);
  const std::string path = testing::TempDir() + "/tiffslot_multi.tif";
  {
    std::vector<Byte> file;
    std::ifstream f(std::string(LUMIQA_TEST_DATA) + "/tiff/multi.tif", std::ios::binary);
    file.assign(std::istreambuf_iterator<char>(f), {});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  }
  EXPECT_EQ(TiffImageCount(path), 3);
  EXPECT_EQ(TiffImageCount(path + ".missing"), 0);
  std::remove(path.c_str());
  EndImagingLibrary();
}

}  // namespace

namespace {

TEST(TiffWriter, AppendingToAChainThatLoopsEndsTheWalk) {
  auto img = TiffWTestImage(vqGray8, 6, 2);
  TIOParamsVals p(nullptr);
  p.SamplesPerPixel = 1;
  TMemoryStream s;
  TVQProgressRec pr;
  SaveTiffImage(s, false, img.get(), pr, p);
  // The only IFD's next offset points back at it.
  std::vector<Byte> b = TiffWTestBytes(s);
  const std::uint32_t ifd = b[4] | b[5] << 8 | b[6] << 16 | std::uint32_t(b[7]) << 24;
  const std::size_t next = ifd + 2 + std::size_t(b[ifd] | b[ifd + 1] << 8) * 12;
  for (int i = 0; i < 4; ++i) b[next + std::size_t(i)] = b[4 + std::size_t(i)];
  TMemoryStream looped;
  looped.WriteBuffer(b.data(), std::int64_t(b.size()));
  looped.Seek(0, soBeginning);
  p.TiffImageIndex = 5;
  EXPECT_EQ(SaveTiffImage(looped, true, img.get(), pr, p), 2);
  TTiffWRead r = TiffWTestRead(looped, 1);
  EXPECT_FALSE(r.aborted);
  EXPECT_EQ(r.count, 2);
}

}  // namespace

namespace {

struct TTiffWJpegCase {
  Byte space;         // TiffJpegColorSpace
  Byte jpegSpace;     // the JPEG filter's colour space it stands for
  int photometric, samples;
};

}  // namespace

// A JPEG request is one strip holding exactly what the JPEG filter writes
// for the same image and quality (CMYK as plain inks without the Adobe
// marker, as TIFF readers expect), so reading it back gives the filter's
// pixels.
TEST(TiffWriter, JpegIsOneStripOfTheJpegFiltersStream) {
  const TTiffWJpegCase cases[] = {{0, 0, 2, 3}, {2, 2, 6, 3}, {4, 0, 2, 3}, {1, 1, 1, 1}, {3, 3, 5, 4}};
  // Smooth colours, so JPEG's loss stays small.
  TVQBitmap img0;
  img0.Allocate(45, 31, vqRGB24);
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 45; ++x) {
      Byte* px = img0.GetScanline(y) + 3 * x;
      px[0] = Byte(x * 5), px[1] = Byte(y * 8), px[2] = Byte(200 - x * 2 - y * 2);
    }
  TVQBitmap* img = &img0;
  for (const TTiffWJpegCase& c : cases) {
    TIOParamsVals p(nullptr);
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 3;
    p.TiffPhotometric = 2;
    p.TiffCompression = 7;
    p.TiffJpegQuality = 63;
    p.TiffJpegColorSpace = c.space;
    TMemoryStream s;
    bool abort = false;
    TVQProgressRec pr;
    pr.Aborting = &abort;
    ASSERT_EQ(SaveTiffImage(s, false, img, pr, p), 1);
    ASSERT_FALSE(abort);
    const std::vector<Byte> b = TiffWTestBytes(s);
    EXPECT_EQ(TiffWTestTag(b, 259), 7u);
    EXPECT_EQ(TiffWTestTag(b, 262), std::uint32_t(c.photometric)) << int(c.space);
    EXPECT_EQ(TiffWTestTag(b, 277), std::uint32_t(c.samples));
    EXPECT_EQ(TiffWTestTag(b, 278), 31u);
    EXPECT_EQ(p.TiffPhotometric, c.photometric);

    TIOParamsVals jp(nullptr);
    jp.JpegQuality = 63;
    jp.JpegColorSpace = c.jpegSpace;
    TMemoryStream js;
    bool jabort = false;
    TVQProgressRec jpr;
    jpr.Aborting = &jabort;
    SaveJpegStream(&js, img, jp, jpr, true);
    ASSERT_FALSE(jabort);
    const std::vector<Byte> jb = TiffWTestBytes(js);
    // An APP14 (Adobe) marker would tell readers the inks are inverted.
    bool adobe = false;
    for (std::size_t i = 0; i + 1 < jb.size(); ++i) adobe = adobe || (jb[i] == 0xFF && jb[i + 1] == 0xEE);
    EXPECT_FALSE(adobe && c.samples == 4) << "CMYK strips carry plain inks";
    const std::uint32_t at = TiffWTestTag(b, 273), count = TiffWTestTag(b, 279);
    ASSERT_EQ(count, jb.size());
    ASSERT_LE(std::size_t(at) + count, b.size());
    EXPECT_TRUE(std::equal(jb.begin(), jb.end(), b.begin() + at)) << int(c.space);

    TTiffWRead r = TiffWTestRead(s);
    ASSERT_FALSE(r.aborted) << int(c.space);
    TVQBitmap expect;
    expect.SetLocation(vqMemoryBuffer);
    TIOParamsVals lp(nullptr);
    js.Seek(0, soBeginning);
    LoadJpegImage(&js, nullptr, &expect, false, false, jpr, lp);
    ASSERT_FALSE(jabort);
    EXPECT_TRUE(TiffWTestSame(expect, *r.image)) << int(c.space);
    // Within JPEG's loss of the original (grey rows are compared above only).
    if (c.samples == 1) continue;
    int worst = 0;
    for (int y = 0; y < 31; ++y)
      for (int i = 0; i < 45 * 3; ++i)
        worst = std::max(worst, std::abs(int(img->GetScanline(y)[i]) - int(r.image->GetScanline(y)[i])));
    EXPECT_LT(worst, 24) << int(c.space);
  }
}

// JPEG applies to colour rows only: a bilevel or one-sample request drops it.
TEST(TiffWriter, JpegOfABilevelOrOneSampleRequestIsNotJpeg) {
  for (int bits : {1, 8}) {
    auto img = TiffWTestImage(vqRGB24, 20, 9);
    TIOParamsVals p(nullptr);
    p.BitsPerSample = bits;
    p.SamplesPerPixel = 1;
    p.TiffCompression = 7;
    TMemoryStream s;
    bool abort = false;
    TVQProgressRec pr;
    pr.Aborting = &abort;
    ASSERT_EQ(SaveTiffImage(s, false, img.get(), pr, p), 1);
    EXPECT_EQ(TiffWTestTag(TiffWTestBytes(s), 259), 1u) << bits;
    EXPECT_FALSE(TiffWTestRead(s).aborted);
  }
}
