// Content detection on small streams and files of every format the registry
// knows, whole, truncated and empty.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/formats/pcxfilter.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "platform/rtl/FileUtils.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> v) {
  Bytes b;
  for (int x : v) b.push_back(std::uint8_t(x));
  return b;
}
Bytes S(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
Bytes Fill(std::size_t n, int value = 0) { return Bytes(n, std::uint8_t(value)); }
Bytes Cut(Bytes b, std::size_t n) {
  b.resize(n);
  return b;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

// An icon or cursor directory of n entries, each pointing past the
// directory at one byte of data.
Bytes IconFile(int type, int n) {
  Bytes b = B({0, 0, type, 0, n, 0});
  for (int i = 0; i < n; ++i) {
    Bytes e = Fill(16);
    e[0] = e[1] = 16;
    Put32(e, 8, 1);
    Put32(e, 12, std::uint32_t(6 + 16 * n + i));
    b = b + e;
  }
  return b + Fill(std::size_t(n), 0x11);
}

Bytes DcxFile() {
  Bytes b = Fill(12);
  Put32(b, 0, kDcxMagic);
  Put32(b, 4, 12);  // one page at 12, then the ending 0
  return b + B({0x0A, 5, 1, 8}) + Fill(60, 0x11);
}

Bytes JpegFile() { return B({0xFF, 0xD8, 0xFF, 0xE0, 0, 16}) + S("JFIF") + Fill(10, 1) + B({0xFF, 0xD9}); }
Bytes PngSignature() { return B({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}); }
Bytes Jp2Signature() { return B({0, 0, 0, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A}); }
Bytes TgaFile() {
  Bytes h = Fill(18);
  h[2] = 2;    // true colour
  h[12] = 1;   // width 1
  h[14] = 1;   // height 1
  h[16] = 24;  // depth
  return h + B({1, 2, 3});
}

struct Case {
  const char* what;
  Bytes data;
  int type;
};

std::vector<Case> Cases() {
  return {
      {"empty", {}, ioUnknown},
      {"one byte", B({0xFF}), ioUnknown},
      {"JPEG stream header", S("JFIF") + Fill(9), ioJPEG},
      {"JPEG stream header of 12 bytes", S("JFIF") + Fill(8), ioUnknown},
      {"JFIF with a fifth letter", S("JFIFX") + Fill(8), ioUnknown},
      {"GIF", S("GIF89a") + B({1, 0, 1, 0, 0, 0, 0, 0}), ioGIF},
      {"GIF of 13 bytes", S("GIF89a") + B({1, 0, 1, 0, 0, 0, 0}), ioUnknown},
      {"PCX stream header", S("PCX2") + Fill(9), ioPCX},
      {"old PCX stream header", S("PCX") + Fill(2), ioPCX},
      {"old PCX stream header of 12 bytes", S("PCX") + Fill(9), ioPCX},
      {"old PCX stream header of 4 bytes", S("PCX") + Fill(1), ioUnknown},
      {"BMP", S("BM") + Fill(13), ioBMP},
      {"BMP of 14 bytes", S("BM") + Fill(12), ioUnknown},
      {"PCX version 5", B({0x0A, 5}) + Fill(127, 0x20), ioPCX},
      {"PCX version 5 of 128 bytes", B({0x0A, 5}) + Fill(126, 0x20), ioUnknown},
      {"PCX version 6", B({0x0A, 6}) + Fill(127, 0x20), ioUnknown},
      {"TIFF stream header", S("TIFF") + Fill(9), ioTIFF},
      {"TIFF little-endian", S("II*") + Fill(6), ioTIFF},
      {"TIFF big-endian", S("MM") + B({0, '*'}) + Fill(5), ioTIFF},
      {"TIFF of 8 bytes", S("II*") + Fill(5), ioUnknown},
      {"PNG", PngSignature() + Fill(1), ioPNG},
      {"PNG of 8 bytes", PngSignature(), ioUnknown},
      {"icon", IconFile(1, 1), ioICO},
      {"icon of two images", IconFile(1, 2), ioICO},
      {"icon of 22 bytes", Cut(IconFile(1, 1), 22), ioUnknown},
      {"icon whose directory is cut", Cut(IconFile(1, 2), 30), ioUnknown},
      {"cursor", IconFile(2, 1), ioCUR},
      {"TGA", TgaFile(), ioTGA},
      {"TGA header cut", Cut(TgaFile(), 17), ioUnknown},
      {"PNM P6", S("P6 2 1 255\n") + Fill(6, 0x80), ioPXM},
      {"PNM P1 with comments", S("# made by hand\nP1\n#size\n3 2\n1 0 1\n0 1 0\n"), ioPXM},
      {"PNM P4 cut after the width", S("P4\n8"), ioUnknown},
      {"PNM of width 0", S("P5 0 4 255\n") + Fill(4), ioUnknown},
      {"JPEG", JpegFile(), ioJPEG},
      {"JPEG after 99 bytes", Fill(99, ' ') + JpegFile(), ioJPEG},
      {"JPEG after 100 bytes", Fill(100, ' ') + JpegFile(), ioUnknown},
      {"JPEG start marker cut", B({0xFF, 0xD8}), ioUnknown},
      {"JPEG 2000 file", Jp2Signature() + Fill(1), ioJP2},
      {"JPEG 2000 signature cut", Cut(Jp2Signature(), 11), ioUnknown},
      {"JPEG 2000 code stream", B({0xFF, 0x4F, 0xFF, 0x51, 0, 0x29}), ioJ2K},
      {"AVI", S("RIFF") + B({4, 0, 0, 0}) + S("AVI LIST"), ioAVI},
      {"AVI cut", S("RIFF") + B({4, 0, 0, 0}) + S("AVI"), ioUnknown},
      {"RIFF wave", S("RIFF") + B({4, 0, 0, 0}) + S("WAVEfmt "), ioUnknown},
      {"DCX", DcxFile(), ioDCX},
      {"DCX whose page table is cut", Cut(DcxFile(), 10), ioUnknown},
      {"DCX with a page past the end", [] {
         Bytes b = DcxFile();
         Put32(b, 4, 4000);
         return b;
       }(),
       ioUnknown},
      // The registry knows these, but content detection has no test for them.
      {"placeable metafile", B({0xD7, 0xCD, 0xC6, 0x9A}) + Fill(18, 0x20), ioUnknown},
      {"enhanced metafile", B({1, 0, 0, 0, 0x6C, 0, 0, 0}) + Fill(32, 0x20) + S(" EMF"), ioUnknown},
      {"wireless bitmap", B({0, 0, 8, 2, 0xFF, 0x81}), ioUnknown},
      {"PostScript", S("%!PS-Adobe-3.0\n"), ioUnknown},
      {"PDF", S("%PDF-1.4\n"), ioUnknown},
  };
}

class ContentDetection : public ::testing::Test {
 protected:
  void SetUp() override { StartImagingLibrary(); }
  void TearDown() override { EndImagingLibrary(); }
};

TEST_F(ContentDetection, TellsEachFormatFromItsBytesAndLeavesThePosition) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    TMemoryStream m;
    m.WriteBuffer(c.data.data(), std::int64_t(c.data.size()));
    m.SetPosition(0);
    EXPECT_EQ(DetectStreamFileType(&m), c.type);
    EXPECT_EQ(m.Position(), 0);

    // The same bytes after others, with detection starting on them.
    TMemoryStream shifted;
    shifted.WriteBuffer("\x01\x02\x03", 3);
    shifted.WriteBuffer(c.data.data(), std::int64_t(c.data.size()));
    shifted.SetPosition(3);
    EXPECT_EQ(DetectStreamFileType(&shifted), c.type);
    EXPECT_EQ(shifted.Position(), 3);
  }
}

// Reads as the memory stream does but raises on a read that starts beyond a
// limit, so a test that reads further than it needs shows.
class TGuardedStream : public TMemoryStream {
 public:
  std::int64_t FailFrom = -1;
  std::int64_t Read(void* buffer, std::int64_t count) override {
    if (FailFrom >= 0 && Position() >= FailFrom) throw EReadError("read failed");
    return TMemoryStream::Read(buffer, count);
  }
};

TEST_F(ContentDetection, AReadErrorMeansNotRecognised) {
  TGuardedStream s;
  Bytes png = PngSignature() + Fill(8);
  s.WriteBuffer(png.data(), std::int64_t(png.size()));
  s.SetPosition(0);
  s.FailFrom = 0;
  EXPECT_EQ(DetectStreamFileType(&s), ioUnknown);
  EXPECT_EQ(s.Position(), 0);
}

bool g_acceptAll = false;
bool g_raise = false;
bool Recognise(TStream* s) {
  if (g_raise) throw EReadError("broken");
  std::uint8_t b;
  s->Read(&b, 1);  // moves the stream; detection puts it back
  return g_acceptAll;
}

TEST_F(ContentDetection, AddedRecognisersComeFirstAndTheirErrorsEndDetection) {
  TVQFormatInfo row;
  row.FileType = 200;
  row.Description = "Everything";
  row.ExtensionList = "EVR";
  row.TestProc = Recognise;
  AddFileFormat(row);
  Bytes png = PngSignature() + Fill(8);
  TMemoryStream m;
  m.WriteBuffer(png.data(), std::int64_t(png.size()));
  m.SetPosition(0);

  g_acceptAll = false;
  EXPECT_EQ(DetectStreamFileType(&m), ioPNG);
  g_acceptAll = true;
  EXPECT_EQ(DetectStreamFileType(&m), 200);
  EXPECT_EQ(m.Position(), 0);
  g_raise = true;
  EXPECT_EQ(DetectStreamFileType(&m), ioUnknown);
  EXPECT_EQ(m.Position(), 0);
  g_raise = false;
  g_acceptAll = false;
}

TEST_F(ContentDetection, FormatTestsLeaveThePositionWhereTheyFoundIt) {
  Bytes data = Fill(5) + IconFile(1, 3);
  TMemoryStream m;
  m.WriteBuffer(data.data(), std::int64_t(data.size()));
  for (bool (*test)(TStream*) : {IsIcoStream, IsCurStream, IsPnmStream, IsDcxStream, IsAviStream}) {
    m.SetPosition(5);
    test(&m);
    EXPECT_EQ(m.Position(), 5);
  }
  m.SetPosition(5);
  EXPECT_EQ(FindJpegStart(&m), -1);
  EXPECT_EQ(m.Position(), 5);
  Bytes dcx = DcxFile();
  TMemoryStream d;
  d.WriteBuffer(dcx.data(), std::int64_t(dcx.size()));
  d.SetPosition(0);
  EXPECT_EQ(CountDcxPages(&d), 1);
  EXPECT_EQ(d.Position(), 0);
}

class FileDetection : public ContentDetection {
 protected:
  std::string dir;
  void SetUp() override {
    ContentDetection::SetUp();
    static int counter = 0;
    dir = GetTempPath() + "lumiqa-detect-" + std::to_string(getpid()) + "-" + std::to_string(++counter) + "/";
    ASSERT_TRUE(ForceDirectories(dir));
  }
  void TearDown() override {
    for (const std::string& f : written_) DeleteFile(f);
    RemoveDir(dir + "sub");
    RemoveDir(dir);
    ContentDetection::TearDown();
  }
  std::string Write(const std::string& name, const Bytes& data) {
    std::string path = dir + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    written_.push_back(path);
    return path;
  }

 private:
  std::vector<std::string> written_;
};

TEST_F(FileDetection, TheNameMustAgreeWhenAsked) {
  struct FileCase {
    const char* name;
    Bytes data;
    int byContent;
    int checked;
  };
  const FileCase cases[] = {
      {"photo.png", PngSignature() + Fill(4), ioPNG, ioPNG},
      {"PHOTO.PNG", PngSignature() + Fill(4), ioPNG, ioPNG},
      {"photo.jpg", PngSignature() + Fill(4), ioPNG, ioUnknown},
      {"photo.xyz", PngSignature() + Fill(4), ioPNG, ioUnknown},
      {"photo", PngSignature() + Fill(4), ioPNG, ioUnknown},
      {"pointer.ico", IconFile(2, 1), ioCUR, ioICO},
      {"icon.cur", IconFile(1, 1), ioICO, ioCUR},
      {"icon.bmp", IconFile(1, 1), ioICO, ioBMP},
      {"picture.ico", PngSignature() + Fill(4), ioPNG, ioUnknown},
      {"scan.tiff", S("II*") + Fill(6), ioTIFF, ioTIFF},
      {"scan.fax", S("MM") + Fill(7), ioTIFF, ioTIFF},
      {"empty.png", {}, ioUnknown, ioUnknown},
      {"short.jpg", B({0xFF, 0xD8}), ioUnknown, ioUnknown},
      {"pages.dcx", DcxFile(), ioDCX, ioDCX},
  };
  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = Write(c.name, c.data);
    EXPECT_EQ(DetectFileType(path, false), c.byContent);
    EXPECT_EQ(DetectFileType(path, true), c.checked);
  }
}

TEST_F(FileDetection, UnreadableNamesAreNotRecognised) {
  ASSERT_TRUE(CreateDir(dir + "sub"));
  EXPECT_EQ(DetectFileType(dir + "sub", false), ioUnknown);
  EXPECT_EQ(DetectFileType(dir + "missing.png", true), ioUnknown);
  EXPECT_EQ(DetectFileType("", false), ioUnknown);
}

}  // namespace
