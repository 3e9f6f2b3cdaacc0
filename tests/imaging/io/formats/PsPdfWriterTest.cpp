// The PostScript and PDF writers. Documents whose renders were checked with
// Ghostscript and pdftoppm are kept under tests/data/ps and tests/data/pdf
// with those renders; the writers must still produce them byte for byte
// (the creation date aside), and every PDF must pass qpdf --check.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <unistd.h>

#include <vector>

#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/bmpfilt_ps.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/Streams.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/MissingPackage.h"

namespace {

// 8 x 6 colours: each pixel's red, green and blue from its position.
void PspdfColourImage(TVQBitmap& b, int w = 8, int h = 6) {
  b.Allocate(w, h, vqRGB24);
  for (int y = 0; y < h; ++y) {
    Byte* row = b.GetScanline(y);
    for (int x = 0; x < w; ++x) {
      row[x * 3 + 0] = Byte(x * 30);           // blue
      row[x * 3 + 1] = Byte(y * 40);           // green
      row[x * 3 + 2] = Byte(255 - x * 20 - y * 7);  // red
    }
  }
}

// 13 x 9 bits: a diagonal and a frame, set bits white.
void PspdfBitImage(TVQBitmap& b, int w = 13, int h = 9) {
  b.Allocate(w, h, vqBits1);
  for (int y = 0; y < h; ++y) {
    Byte* row = b.GetScanline(y);
    for (int x = 0; x < (w + 7) / 8; ++x) row[x] = 0;
    for (int x = 0; x < w; ++x) {
      const bool white = x == y || x == 0 || y == h - 1 || (x + y) % 5 == 0;
      if (white) row[x / 8] |= Byte(0x80 >> (x % 8));
    }
  }
}

std::string PspdfBytes(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), std::size_t(s.Size()));
}

std::string PspdfPs(TVQBitmap& b, TIOParamsVals& p) {
  TMemoryStream s;
  TVQProgressRec progress;
  bool aborting = false;
  progress.Aborting = &aborting;
  SavePSImage(s, &b, p, progress);
  EXPECT_FALSE(aborting);
  return PspdfBytes(s);
}

std::string PspdfPdf(TVQBitmap& b, TIOParamsVals& p) {
  TMemoryStream s;
  TVQProgressRec progress;
  bool aborting = false;
  progress.Aborting = &aborting;
  SavePDFImage(s, &b, p, progress);
  EXPECT_FALSE(aborting);
  return PspdfBytes(s);
}

// Lines of a PostScript file (CR LF ends).
std::vector<std::string> PspdfLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

bool PspdfHasLine(const std::string& text, const std::string& line) {
  for (const auto& l : PspdfLines(text))
    if (l == line) return true;
  return false;
}

// The date lines replaced, so documents of different moments compare.
std::string PspdfWithoutDate(std::string text) {
  text = std::regex_replace(text, std::regex("%%CreationDate: [^\r]*"), "%%CreationDate: -");
  text = std::regex_replace(text, std::regex("\\(D:[0-9]{14}\\)"), "(D:00000000000000)");
  return text;
}

std::string PspdfReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string PspdfDataDir() { return std::string(LUMIQA_TEST_DATA) + "/"; }

TEST(PsWriterTest, HeaderPageCountScaleAndBoundingBox) {
  TVQBitmap b;
  PspdfColourImage(b, 100, 50);
  TIOParamsVals p(nullptr);
  p.PsCompression = 0;
  p.PsTitle = "T";
  const std::string ps = PspdfPs(b, p);
  const auto lines = PspdfLines(ps);
  ASSERT_GE(lines.size(), 12u);
  EXPECT_EQ(lines[0], "%!PS-Adobe-3.0");
  EXPECT_EQ(lines[1], "%%Creator: Pictora by Quorvix");
  EXPECT_EQ(lines[2], "%%Title: T");
  EXPECT_TRUE(std::regex_match(lines[3], std::regex("%%CreationDate: [A-Za-z]{3} [A-Za-z]{3} \\d\\d \\d\\d:\\d\\d:\\d\\d \\d{4}")))
      << lines[3];
  EXPECT_EQ(lines[6], "%%Pages: 1     ");
  EXPECT_EQ(lines[7], "%%BoundingBox: 0 0 594 841");
  EXPECT_TRUE(PspdfHasLine(ps, "595 -297 scale"));
  EXPECT_TRUE(PspdfHasLine(ps, "0 842 translate"));
  EXPECT_TRUE(PspdfHasLine(ps, "[ 100 0 0 50 0 0 ]"));
  EXPECT_EQ(ps.substr(ps.size() - 23), "%%Trailer\r\nend\r\n%%EOF\r\n");
}

TEST(PsWriterTest, PagesCountUpAndTheTrailerFollowsTheLastPage) {
  TVQBitmap a, c;
  PspdfColourImage(a);
  PspdfBitImage(c);
  TIOParamsVals p(nullptr);
  TMemoryStream s;
  TVQProgressRec progress;
  TVQPSRecord* r = PSBeginDocument(s, p);
  PSAddPage(r, s, &a, progress, p);
  PSAddPage(r, s, &c, progress, p);
  PSEndDocument(r, s);
  PSEndDocument(nullptr, s);
  const std::string ps = PspdfBytes(s);
  EXPECT_TRUE(PspdfHasLine(ps, "%%Pages: 2     "));
  EXPECT_TRUE(PspdfHasLine(ps, "%%Page: 1 1"));
  EXPECT_TRUE(PspdfHasLine(ps, "%%Page: 2 2"));
  EXPECT_EQ(ps.find("%%Trailer"), ps.rfind("%%Trailer"));
  EXPECT_LT(ps.rfind("showpage"), ps.find("%%Trailer"));
}

TEST(PsWriterTest, GreyImageGoesAsThreeChannelsAndTheBlockFollows) {
  TVQBitmap b;
  b.Allocate(4, 3, vqGray8);
  TIOParamsVals p(nullptr);
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 1;
  p.PsCompression = 0;
  const std::string ps = PspdfPs(b, p);
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.SamplesPerPixel, 3);
  EXPECT_TRUE(PspdfHasLine(ps, "true 3"));
  EXPECT_TRUE(PspdfHasLine(ps, "colorimage"));
}

// The "%%BeginData:" count: the data's characters without line breaks and
// end marks.
TEST(PsWriterTest, BeginDataCountsTheDataCharactersOnly) {
  struct Case {
    bool bits;
    int compression;
    const char* filterLine;
  } cases[] = {{false, 0, "true 3"},
               {false, 3, "false 3"},
               {true, 0, "currentfile /ASCII85Decode filter /RunLengthDecode filter"},
               {true, 1, nullptr},
               {true, 2, nullptr}};
  for (const Case& c : cases) {
    TVQBitmap b;
    if (c.bits)
      PspdfBitImage(b);
    else
      PspdfColourImage(b);
    TIOParamsVals p(nullptr);
    p.PsCompression = Byte(c.compression);
    const std::string ps = PspdfPs(b, p);
    if (c.filterLine) {
      EXPECT_TRUE(PspdfHasLine(ps, c.filterLine)) << c.compression;
    }
    std::smatch m;
    ASSERT_TRUE(std::regex_search(ps, m, std::regex("%%BeginData: +([0-9]+) ASCII Bytes\r\n(colorimage|image)\r\n")));
    const std::size_t from = std::size_t(m.position(0) + m.length(0));
    const std::size_t to = ps.find("%%EndData");
    std::string data = ps.substr(from, to - from);
    std::size_t marks = 0;
    for (std::size_t at = data.find("~>"); at != std::string::npos; at = data.find("~>", at + 2)) ++marks;
    std::size_t chars = 0;
    for (char ch : data) chars += ch != '\r' && ch != '\n';
    EXPECT_GT(marks, 0u);
    EXPECT_EQ(std::stoll(m[1]), std::int64_t(chars - 2 * marks)) << c.bits << " " << c.compression;
  }
}

TEST(PsWriterTest, FaxDecodeParameters) {
  TVQBitmap b;
  PspdfBitImage(b);
  TIOParamsVals p(nullptr);
  p.PsCompression = 1;
  EXPECT_NE(PspdfPs(b, p).find("<< /K -1 /BlackIs1 true /Columns 13 /Rows 9 /EndOfLine false /Uncompressed true "
                               "/EncodedByteAlign false /EndOfBlock false >> /CCITTFaxDecode filter"),
            std::string::npos);
  p.PsCompression = 2;
  EXPECT_NE(PspdfPs(b, p).find("<< /K 1 /BlackIs1 true /Columns 13"), std::string::npos);
}

// A 1-bit page asked for as JPEG has no JPEG form; it is written run-length
// coded instead of as a page with no data.
TEST(PsWriterTest, OneBitJpegRequestFallsBackToRunLength) {
  TVQBitmap b;
  PspdfBitImage(b);
  TIOParamsVals p(nullptr);
  p.PsCompression = 3;
  const std::string ps = PspdfPs(b, p);
  EXPECT_TRUE(PspdfHasLine(ps, "currentfile /ASCII85Decode filter /RunLengthDecode filter"));
  EXPECT_EQ(ps.find("DCTDecode"), std::string::npos);
}

TEST(PdfWriterTest, OnePageObjectsTrailerAndContents) {
  TVQBitmap b;
  PspdfColourImage(b, 200, 100);
  TIOParamsVals p(nullptr);
  p.PdfCompression = 0;
  p.PdfTitle = "A title";
  const std::string pdf = PspdfPdf(b, p);
  EXPECT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
  EXPECT_NE(pdf.find("7 0 obj"), std::string::npos);
  EXPECT_EQ(pdf.find("8 0 obj"), std::string::npos);
  EXPECT_NE(pdf.find("/Size 8"), std::string::npos);
  EXPECT_NE(pdf.find("/Root 1 0 R"), std::string::npos);
  EXPECT_NE(pdf.find("/Info 7 0 R"), std::string::npos);
  EXPECT_NE(pdf.find("q\n595 0 0 297 0 545 cm\n/lm1 Do\nQ"), std::string::npos);
  EXPECT_NE(pdf.find("/Title (A title)"), std::string::npos);
  EXPECT_EQ(pdf.find("/Author"), std::string::npos);
  EXPECT_EQ(pdf.find("/Subject"), std::string::npos);
  EXPECT_TRUE(std::regex_search(pdf, std::regex("/CreationDate \\(D:[0-9]{14}\\)")));
  EXPECT_NE(pdf.find("/ColorSpace /DeviceRGB"), std::string::npos);
}

TEST(PdfWriterTest, FiltersOfOneBitImages) {
  TVQBitmap b;
  PspdfBitImage(b);
  TIOParamsVals p(nullptr);
  p.PdfCompression = 1;
  EXPECT_NE(PspdfPdf(b, p).find("/Filter [/RunLengthDecode ]"), std::string::npos);
  p.PdfCompression = 2;
  const std::string g4 = PspdfPdf(b, p);
  EXPECT_NE(g4.find("/Filter /CCITTFaxDecode"), std::string::npos);
  EXPECT_NE(g4.find("/DecodeParms << /K -1\n/BlackIs1 true\n/Columns 13\n/Rows 9\n/EndOfLine false\n"
                    "/Uncompressed true\n/EncodedByteAlign false\n/EndOfBlock false\n>>"),
            std::string::npos);
  // JPEG cannot hold one bit: the rows go uncompressed.
  p.PdfCompression = 4;
  const std::string jpeg = PspdfPdf(b, p);
  EXPECT_EQ(jpeg.find("DCTDecode"), std::string::npos);
  EXPECT_NE(jpeg.find("/Length 18"), std::string::npos);  // 9 rows of 2 bytes
}

TEST(PdfWriterTest, GreyImageIsWrittenAsRgb) {
  TVQBitmap b;
  b.Allocate(4, 3, vqGray8);
  TIOParamsVals p(nullptr);
  p.PdfCompression = 0;
  p.SamplesPerPixel = 1;
  const std::string pdf = PspdfPdf(b, p);
  EXPECT_NE(pdf.find("/ColorSpace /DeviceRGB"), std::string::npos);
  EXPECT_NE(pdf.find("/BitsPerComponent 8"), std::string::npos);
  EXPECT_NE(pdf.find("/Length 36"), std::string::npos);
}

TEST(PdfWriterTest, EachPageAddsImageContentsAndPage) {
  TVQBitmap a, c;
  PspdfColourImage(a);
  PspdfBitImage(c);
  TIOParamsVals p(nullptr);
  TVQProgressRec progress;
  TVQPDFRecord* r = PDFBeginDocument();
  PDFAddImagePage(r, &a, p, progress);
  PDFAddImagePage(r, &c, p, progress);
  TMemoryStream s;
  PDFEndDocument(r, s, p);
  PDFEndDocument(nullptr, s, p);
  const std::string pdf = PspdfBytes(s);
  EXPECT_NE(pdf.find("/Size 11"), std::string::npos);
  EXPECT_NE(pdf.find("/Count 2"), std::string::npos);
  EXPECT_NE(pdf.find("/lm2 6 0 R"), std::string::npos);
}

// ---- the documents checked by rendering ------------------------------------------

struct TPspdfCase {
  const char* name;
  bool pdf;
  bool bits;
  int compression;
  int paperWidth, paperHeight;
};

const TPspdfCase kPspdfCases[] = {
    {"rgb_rle", false, false, 0, 8, 6},        {"rgb_rle_landscape", false, false, 0, 16, 40},
    {"bits_rle", false, true, 0, 13, 9},       {"bits_g4", false, true, 1, 13, 9},
    {"bits_g3", false, true, 2, 26, 18},       {"rgb_jpeg", false, false, 3, 8, 6},
    {"rgb_none", true, false, 0, 8, 6},        {"rgb_none_portrait", true, false, 0, 8, 20},
    {"bits_none", true, true, 0, 13, 9},       {"bits_rle", true, true, 1, 13, 9},
    {"bits_g4", true, true, 2, 26, 18},        {"bits_g3", true, true, 3, 13, 9},
    {"rgb_jpeg", true, false, 4, 8, 6},
};

std::string PspdfCaseDocument(const TPspdfCase& c) {
  TVQBitmap b;
  if (c.bits)
    PspdfBitImage(b);
  else
    PspdfColourImage(b);
  TIOParamsVals p(nullptr);
  p.JpegQuality = 100;
  if (c.pdf) {
    p.PdfCompression = Byte(c.compression);
    p.PdfPaperWidth = c.paperWidth;
    p.PdfPaperHeight = c.paperHeight;
    return PspdfPdf(b, p);
  }
  p.PsCompression = Byte(c.compression);
  p.PsPaperWidth = c.paperWidth;
  p.PsPaperHeight = c.paperHeight;
  p.PsTitle = c.name;
  return PspdfPs(b, p);
}

std::string PspdfCasePath(const TPspdfCase& c, const char* ext) {
  return PspdfDataDir() + (c.pdf ? "pdf/" : "ps/") + c.name + ext;
}

// Reads a binary PPM (P6, maxval 255).
bool PspdfReadPpm(const std::string& path, int& w, int& h, std::vector<Byte>& rgb) {
  const std::string f = PspdfReadFile(path);
  int maxval = 0, consumed = 0;
  if (std::sscanf(f.c_str(), "P6 %d %d %d%n", &w, &h, &maxval, &consumed) != 3 || maxval != 255) return false;
  const std::size_t at = std::size_t(consumed) + 1;
  if (f.size() < at + std::size_t(w) * h * 3) return false;
  rgb.assign(f.begin() + std::ptrdiff_t(at), f.begin() + std::ptrdiff_t(at + std::size_t(w) * h * 3));
  return true;
}

// The page as the image should look: the image at the top-left corner,
// scaled by a whole factor, white elsewhere.
std::vector<Byte> PspdfExpectedPage(const TPspdfCase& c) {
  TVQBitmap b;
  if (c.bits)
    PspdfBitImage(b);
  else
    PspdfColourImage(b);
  const int w = b.GetWidth(), h = b.GetHeight();
  const int f = std::min(c.paperWidth / w, c.paperHeight / h);
  std::vector<Byte> page(std::size_t(c.paperWidth) * c.paperHeight * 3, 255);
  for (int y = 0; y < h * f; ++y)
    for (int x = 0; x < w * f; ++x) {
      const Byte* row = b.GetScanline(y / f);
      Byte* out = &page[(std::size_t(y) * c.paperWidth + x) * 3];
      if (c.bits) {
        const bool white = row[(x / f) / 8] & (0x80 >> ((x / f) % 8));
        out[0] = out[1] = out[2] = white ? 255 : 0;
      } else {
        const Byte* px = row + (x / f) * 3;
        out[0] = px[2];
        out[1] = px[1];
        out[2] = px[0];
      }
    }
  return page;
}

// The kept renders (Ghostscript's png16m for PostScript, pdftoppm for PDF,
// both at 72 dpi, one device pixel a point) show the image's pixels.
TEST(PsPdfDocumentsTest, KeptRendersShowTheImagePixels) {
  for (const TPspdfCase& c : kPspdfCases) {
    SCOPED_TRACE(std::string(c.pdf ? "pdf/" : "ps/") + c.name);
    int w = 0, h = 0;
    std::vector<Byte> rgb;
    ASSERT_TRUE(PspdfReadPpm(PspdfCasePath(c, ".ppm"), w, h, rgb));
    ASSERT_EQ(w, c.paperWidth);
    ASSERT_EQ(h, c.paperHeight);
    const std::vector<Byte> expected = PspdfExpectedPage(c);
    const bool lossy = (c.pdf && c.compression == 4) || (!c.pdf && c.compression == 3);
    int worst = 0;
    for (std::size_t i = 0; i < rgb.size(); ++i) worst = std::max(worst, std::abs(int(rgb[i]) - int(expected[i])));
    // JPEG halves the chroma of this small, colourful picture.
    EXPECT_LE(worst, lossy ? 32 : 0);
  }
}

// The writers still write the documents those renders came from.
TEST(PsPdfDocumentsTest, WritersProduceTheKeptDocuments) {
  const char* dump = std::getenv("LUMIQA_PSPDF_DUMP");
  for (const TPspdfCase& c : kPspdfCases) {
    SCOPED_TRACE(std::string(c.pdf ? "pdf/" : "ps/") + c.name);
    const std::string doc = PspdfWithoutDate(PspdfCaseDocument(c));
    if (dump) {
      std::ofstream(std::string(dump) + "/" + (c.pdf ? "pdf_" : "ps_") + c.name + (c.pdf ? ".pdf" : ".ps"),
                    std::ios::binary)
          << doc;
      continue;
    }
    EXPECT_EQ(doc, PspdfReadFile(PspdfCasePath(c, c.pdf ? ".pdf" : ".ps")));
  }
}

TEST(PsPdfDocumentsTest, QpdfChecksEveryPdf) {
  if (FindProgramOnPath("qpdf").empty()) LUMIQA_SKIP_MISSING_PACKAGE("qpdf is not installed");
  const std::string dir = testing::TempDir();
  for (const TPspdfCase& c : kPspdfCases) {
    if (!c.pdf) continue;
    SCOPED_TRACE(c.name);
    const std::string path = dir + "/pspdf_" + c.name + ".pdf";
    std::ofstream(path, std::ios::binary) << PspdfCaseDocument(c);
    const std::string command = "qpdf --check '" + path + "' > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::remove(path.c_str());
  }
}

}  // namespace

namespace {

// The component's file saves reach both writers through their slots; the
// PostScript writer reads back its page count from the file it writes.
// A document left open on the component is finished when the component goes.
TEST(PsPdfDocumentsTest, DocumentsLeftOpenAreEndedWithTheComponent) {
  const std::string base = testing::TempDir() + "pspdf_kept_" + std::to_string(::getpid());
  {
    TPictoraIO io(nullptr);
    PspdfColourImage(*io.Image());
    TVQProgressRec progress;
    auto* ps = new TFileStream(base + ".ps", fmCreate);
    TVQPSRecord* psRecord = PSBeginDocument(*ps, *io.Parameters());
    PSAddPage(psRecord, *ps, io.Image(), progress, *io.Parameters());
    io.KeepPSDocument(psRecord, ps);
    TVQPDFRecord* pdfRecord = PDFBeginDocument();
    PDFAddImagePage(pdfRecord, io.Image(), *io.Parameters(), progress);
    io.KeepPDFDocument(pdfRecord, new TFileStream(base + ".pdf", fmCreate));
    EXPECT_EQ(io.PSDocument(), psRecord);
  }
  const std::string ps = PspdfReadFile(base + ".ps");
  EXPECT_TRUE(PspdfHasLine(ps, "%%Pages: 1     "));
  EXPECT_NE(ps.find("%%Trailer"), std::string::npos);
  const std::string pdf = PspdfReadFile(base + ".pdf");
  EXPECT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
  EXPECT_NE(pdf.find("/Count 1"), std::string::npos);
  EXPECT_NE(pdf.rfind("%%EOF"), std::string::npos);
  std::remove((base + ".ps").c_str());
  std::remove((base + ".pdf").c_str());
}

TEST(PsPdfDocumentsTest, ComponentSavesFiles) {
  TPictoraIO io(nullptr);
  PspdfColourImage(*io.Image());
  const std::string base = testing::TempDir() + "pspdf_component_" + std::to_string(::getpid());
  io.SaveToFile(base + ".ps");
  EXPECT_FALSE(io.Aborting);
  const std::string ps = PspdfReadFile(base + ".ps");
  EXPECT_TRUE(PspdfHasLine(ps, "%%Pages: 1     ")) << ps.substr(0, 200);
  io.SaveToFile(base + ".pdf");
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(PspdfReadFile(base + ".pdf").rfind("%PDF-1.4", 0), 0u);
  std::remove((base + ".ps").c_str());
  std::remove((base + ".pdf").c_str());
}

}  // namespace
