// Picture files from anywhere: what is not a regular file or not the class's
// format is refused before it is read, pictures past the budget before
// they are allocated, and saves never damage the file they replace.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SafeSave.h"
#include "platform/rtl/Streams.h"
#include "tests/platform/graphics/BmpBuilder.h"

namespace {

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/lumiqa_picfiles_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override {
    SafeSaveFaults() = TSafeSaveFaults{};
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      std::streamsize(bytes.size()));
    return Path(name);
  }
  static std::string Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }
  std::string dir_;
};

struct Kind {
  const char* name;
  std::function<std::unique_ptr<TGraphic>()> make;
};
const Kind kKinds[] = {
    {"TBitmap", [] { return std::unique_ptr<TGraphic>(new TBitmap); }},
    {"TJPEGImage", [] { return std::unique_ptr<TGraphic>(new TJPEGImage); }},
    {"TIcon", [] { return std::unique_ptr<TGraphic>(new TIcon); }},
};

TEST_F(PictureFiles, RefusesWhatIsNotARegularFileBeforeOpeningIt) {
  ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
  ASSERT_EQ(::mkdir(Path("folder").c_str(), 0700), 0);
  for (const Kind& k : kKinds) {
    for (const char* name : {"fifo", "folder", "missing"}) {
      SCOPED_TRACE(std::string(k.name) + " " + name);
      // A FIFO without a writer would block an open for reading for ever.
      EXPECT_THROW(k.make()->LoadFromFile(Path(name)), EFOpenError);
    }
  }
}

TEST_F(PictureFiles, RefusesAnotherFormatFromTheFirstBytes) {
  // Far larger than anything a reader would hold in memory: only the first
  // bytes may be read.
  const std::string path = Write("huge.gif", {'G', 'I', 'F', '8', '9', 'a'});
  ASSERT_EQ(::truncate(path.c_str(), off_t(3) << 30), 0);
  const std::string empty = Write("empty", {});
  for (const Kind& k : kKinds) {
    SCOPED_TRACE(k.name);
    EXPECT_THROW(k.make()->LoadFromFile(path), EInvalidGraphic);
    EXPECT_THROW(k.make()->LoadFromFile(empty), EInvalidGraphic);
  }
}

TEST_F(PictureFiles, LoadsEachFormatStraightFromTheFile) {
  TBitmap bmp(5, 3, pf24bit);
  std::uint8_t* row = static_cast<std::uint8_t*>(bmp.ScanLine(1));
  row[3] = 0x11, row[4] = 0x22, row[5] = 0x33;
  bmp.SaveToFile(Path("a.bmp"));
  TBitmap back;
  back.LoadFromFile(Path("a.bmp"));
  ASSERT_EQ(back.Width(), 5);
  const std::uint8_t* r = static_cast<const std::uint8_t*>(back.ScanLine(1));
  EXPECT_EQ(r[3], 0x11);
  EXPECT_EQ(r[5], 0x33);

  TJPEGImage jpg;
  jpg.Assign(&bmp);
  jpg.SaveToFile(Path("a.jpg"));
  TJPEGImage jback;
  jback.LoadFromFile(Path("a.jpg"));
  EXPECT_EQ(jback.Width(), 5);
  EXPECT_EQ(std::string(jback.Data().begin(), jback.Data().end()), Read(Path("a.jpg")));
}

TEST_F(PictureFiles, AFailedSaveLeavesTheOldFileByteForByte) {
  TBitmap bmp(64, 48, pf24bit);
  for (int y = 0; y < 48; ++y) {
    auto* p = static_cast<std::uint8_t*>(bmp.ScanLine(y));
    for (int x = 0; x < 64 * 3; ++x) p[x] = std::uint8_t(x * 7 + y * 13);
  }
  const std::vector<std::uint8_t> old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};
  struct Fault {
    const char* name;
    std::function<void(TSafeSaveFaults&)> set;
  };
  const Fault faults[] = {
      {"full disk", [](TSafeSaveFaults& f) { f.DiskSpace = 100; }},
      {"sync", [](TSafeSaveFaults& f) { f.Sync = EIO; }},
      {"rename", [](TSafeSaveFaults& f) { f.Rename = EXDEV; }},
  };
  for (const Kind& k : {kKinds[0], kKinds[1]}) {
    for (const Fault& f : faults) {
      SCOPED_TRACE(std::string(k.name) + ", " + f.name);
      const std::string path = Write("target", old);
      std::unique_ptr<TGraphic> g = k.make();
      g->Assign(&bmp);
      f.set(SafeSaveFaults());
      EXPECT_THROW(g->SaveToFile(path), EFCreateError);
      SafeSaveFaults() = TSafeSaveFaults{};
      EXPECT_EQ(Read(path), std::string(old.begin(), old.end()));
      // Nothing else is left in the folder.
      EXPECT_EQ(std::system(("test $(ls -A '" + dir_ + "' | wc -l) -eq 1").c_str()), 0);
      g->SaveToFile(path);
      EXPECT_NE(Read(path), std::string(old.begin(), old.end()));
    }
  }
}

// A run-length file of a few bytes may claim any size: the budget and the
// GDI's widest bitmap are checked from its header, before allocating.
TEST_F(PictureFiles, BitmapHeadersPastTheBudgetOrTooWideAreInvalid) {
  struct Case {
    const char* name;
    int width, height;
  };
  const Case cases[] = {
      {"24000 x 24000 bytes, past 512 MiB", 24000, 24000},
      {"wider than the GDI allows", (1 << 20) + 1, 1},
      {"taller than the GDI allows", 1, (1 << 20) + 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpLayout s;
    s.bits = 8;
    s.compression = BMP_RLE8;
    s.width = c.width;
    s.height = c.height;
    for (int i = 0; i < 256; ++i) s.palette.push_back({std::uint8_t(i), 0, 0, 0});
    s.pixels = {2, 7, 0, 1};
    const std::string path = Write("big.bmp", MakeBmp(s));
    TBitmap b;
    try {
      b.LoadFromFile(path);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic&) {
    }
    EXPECT_TRUE(b.Empty());
    TMemoryStream m;
    m.LoadFromFile(path);
    EXPECT_THROW(b.LoadFromStream(m), EInvalidGraphic);
  }
  // The widest bitmap the GDI makes still loads.
  BmpLayout s;
  s.bits = 8;
  s.compression = BMP_RLE8;
  s.width = 1 << 20;
  s.height = 2;
  s.palette.resize(256);
  s.pixels = {2, 7, 0, 1};
  const std::string path = Write("wide.bmp", MakeBmp(s));
  TBitmap b;
  b.LoadFromFile(path);
  EXPECT_EQ(b.Width(), 1 << 20);
}

// ---- icons ----------------------------------------------------------------

// An icon file whose `count` entries all name one 8-bit run-length image of
// w x h (with its mask).
std::vector<std::uint8_t> SharedImageIcon(int count, int w, int h) {
  std::vector<std::uint8_t> dib;
  Put(dib, 40, 4);
  Put(dib, std::uint32_t(w), 4);
  Put(dib, std::uint32_t(h * 2), 4);
  Put(dib, 1, 2);
  Put(dib, 8, 2);
  Put(dib, BMP_RLE8, 4);
  for (int i = 0; i < 5; ++i) Put(dib, 0, 4);
  for (int i = 0; i < 256; ++i) Put(dib, std::uint32_t(i) * 0x010101u, 4);
  for (std::uint8_t b : {std::uint8_t(3), std::uint8_t(9), std::uint8_t(0), std::uint8_t(1)}) dib.push_back(b);
  dib.resize(dib.size() + std::size_t((w + 31) / 32 * 4) * std::size_t(h), 0);  // the mask
  std::vector<std::uint8_t> f;
  Put(f, 0, 2);
  Put(f, 1, 2);
  Put(f, std::uint32_t(count), 2);
  for (int i = 0; i < count; ++i) {
    Put(f, 0, 4);
    Put(f, 1, 2);
    Put(f, 8, 2);
    Put(f, dib.size(), 4);
    Put(f, 6 + 16 * std::uint32_t(count), 4);
  }
  f.insert(f.end(), dib.begin(), dib.end());
  return f;
}

TEST(IconBudget, EntriesNamingOneImageShareItsDecode) {
  std::vector<std::uint8_t> file = SharedImageIcon(3, 40, 30);
  TIcon icon;
  icon.LoadFromBytes(file.data(), file.size());
  ASSERT_EQ(icon.ImageCount(), 3);
  for (int i = 0; i < 3; ++i) {
    const TIcon::Entry& e = icon.ImageEntry(i);
    EXPECT_EQ(e.Color.Width, 40);
    EXPECT_EQ(e.Color.Row(29)[2], 9);
    EXPECT_EQ(e.Color.Row(29)[3], 0);
    EXPECT_EQ(e.Color.Bits, icon.ImageEntry(0).Color.Bits);
    EXPECT_EQ(e.Mask.Width, 40);
  }
}

TEST(IconBudget, EveryDecodedImageCountsAgainstTheBudget) {
  // 8 MiB and its mask per entry: 256 of them are 2.25 GiB.
  std::vector<std::uint8_t> file = SharedImageIcon(256, 2048, 4096);
  TIcon icon;
  EXPECT_THROW(icon.LoadFromBytes(file.data(), file.size()), EInvalidGraphic);
  EXPECT_TRUE(icon.Empty());
  // Twelve of them fit.
  file = SharedImageIcon(12, 2048, 4096);
  icon.LoadFromBytes(file.data(), file.size());
  EXPECT_EQ(icon.ImageCount(), 12);
}

// ---- JPEG -----------------------------------------------------------------

std::vector<std::uint8_t> SmallJpeg(bool progressive) {
  TDibImage img;
  img.Allocate(24, 16, 24);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 72; ++x) img.Row(y)[x] = std::uint8_t(x * 3 + y * 9);
  TJpegEncodeOptions o;
  o.Progressive = progressive;
  return EncodeJpeg(img, o);
}

TEST(JpegBudget, RefusesDimensionsPastTheBudgetBeforeDecoding) {
  std::vector<std::uint8_t> data = SmallJpeg(false);
  for (std::size_t i = 0; i + 8 < data.size(); ++i)
    if (data[i] == 0xFF && data[i + 1] == 0xC0) {  // 20480 x 20480: 1.2 GB of pixels
      data[i + 5] = 0x50, data[i + 6] = 0x00;
      data[i + 7] = 0x50, data[i + 8] = 0x00;
      break;
    }
  ASSERT_EQ(ReadJpegInfo(data.data(), data.size()).Width, 20480);
  EXPECT_THROW(DecodeJpeg(data.data(), data.size()), EInvalidGraphic);
}

// The first scan of a progressive file repeated: each copy is one more scan
// (libjpeg only warns about the bogus progression).
std::vector<std::uint8_t> WithRepeatedFirstScan(const std::vector<std::uint8_t>& data, int copies) {
  std::size_t start = 0, end = 0;
  for (std::size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] == 0xFF && data[i + 1] == 0xDA) {
      start = i;
      break;
    }
  for (std::size_t i = start + 2; i + 1 < data.size(); ++i)
    if (data[i] == 0xFF && data[i + 1] != 0 && (data[i + 1] < 0xD0 || data[i + 1] > 0xD7)) {
      end = i;
      break;
    }
  EXPECT_GT(end, start);
  std::vector<std::uint8_t> out(data.begin(), data.begin() + std::ptrdiff_t(end));
  for (int i = 0; i < copies; ++i) out.insert(out.end(), data.begin() + std::ptrdiff_t(start), data.begin() + std::ptrdiff_t(end));
  out.insert(out.end(), data.begin() + std::ptrdiff_t(end), data.end());
  return out;
}

// The data up to the n-th start of scan, closed with an end marker: what a
// decoder had after n - 1 whole scans.
std::vector<std::uint8_t> CutBeforeScan(const std::vector<std::uint8_t>& data, int n) {
  int seen = 0;
  for (std::size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] == 0xFF && data[i + 1] == 0xDA && ++seen == n) {
      std::vector<std::uint8_t> out(data.begin(), data.begin() + std::ptrdiff_t(i));
      out.push_back(0xFF);
      out.push_back(0xD9);
      return out;
    }
  return data;
}

// Scans past the budget of passes are never applied: the picture is the one
// the scans before them make, as if the file ended there; within the budget
// every scan counts.
TEST(JpegBudget, ProgressiveScansStopAtTheBudgetOfPasses) {
  TDibImage img;
  img.Allocate(64, 48, 24);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 192; ++x) img.Row(y)[x] = std::uint8_t((x * 7) ^ (y * 13));
  TJpegEncodeOptions enc;
  enc.Progressive = true;
  const std::vector<std::uint8_t> data = EncodeJpeg(img, enc);
  const TDibImage whole = DecodeJpeg(data.data(), data.size());
  TJpegDecodeOptions o;
  o.MaxScanPasses = 1000;
  EXPECT_EQ(DecodeJpeg(data.data(), data.size(), o).Bits, whole.Bits);
  // The first scan (every component's DC) costs one pass; any further one
  // passes a budget of one.
  o.MaxScanPasses = 1;
  const TDibImage first = DecodeJpeg(data.data(), data.size(), o);
  const std::vector<std::uint8_t> cut = CutBeforeScan(data, 2);
  ASSERT_LT(cut.size(), data.size());
  EXPECT_EQ(first.Width, 64);
  EXPECT_EQ(first.Bits, DecodeJpeg(cut.data(), cut.size()).Bits);
  EXPECT_NE(first.Bits, whole.Bits);
  // Less than one scan's worth still gives the first scan.
  o.MaxScanPasses = 0.1;
  EXPECT_EQ(DecodeJpeg(data.data(), data.size(), o).Bits, first.Bits);
}

TEST(JpegBudget, CapsTheNumberOfProgressiveScans) {
  const std::vector<std::uint8_t> data = SmallJpeg(true);
  const std::vector<std::uint8_t> some = WithRepeatedFirstScan(data, 20);
  EXPECT_EQ(DecodeJpeg(some.data(), some.size()).Width, 24);
  const std::vector<std::uint8_t> many = WithRepeatedFirstScan(data, 1000);
  try {
    DecodeJpeg(many.data(), many.size());
    ADD_FAILURE() << "decoded";
  } catch (const EInvalidGraphic& e) {
    EXPECT_NE(std::string(e.what()).find("1000 scans"), std::string::npos) << e.what();
  }
  TJpegDecodeOptions o;
  o.MaxScans = 25;  // 30 scans
  EXPECT_THROW(DecodeJpeg(some.data(), some.size(), o), EInvalidGraphic);
}

}  // namespace
