// The filter texts of the open and save dialogs: built from the registry,
// the pairs a name or an index picks, the extension a pattern gives.
#include <gtest/gtest.h>

#include <string>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_hooks.h"
#include "imaging/view/vqopensavedlg.h"
#include "tests/imaging/view/WizardSaveFilter.h"

namespace {

void NoDecoder(TStream*, int, int, void*, bool) {}
void NoEncoder(TStream*, int, int, int, const void*, bool) {}

class DialogFilters : public ::testing::Test {
 protected:
  void SetUp() override { StartImagingLibrary(); }
  void TearDown() override {
    DefGifLzwDecompress = nullptr;
    DefGifLzwCompress = nullptr;
    EndImagingLibrary();
  }
};

bool EndsWith(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

TEST(DialogFilterTexts, PatternOfAPair) {
  const std::string f = "JPEG|*.jpg;*.jpeg|Bitmaps|*.bmp|All|*.*";
  struct Case {
    int index;
    const char* pattern;
  };
  for (const Case& c : {Case{1, "*.jpg;*.jpeg"}, Case{2, "*.bmp"}, Case{3, "*.*"}, Case{4, ""}, Case{0, ""},
                        Case{-1, ""}}) {
    SCOPED_TRACE(c.index);
    EXPECT_EQ(FilterPattern(f, c.index), c.pattern);
  }
  EXPECT_EQ(FilterPattern("", 1), "");
}

TEST(DialogFilterTexts, ExtensionOfAPattern) {
  struct Case {
    const char* pattern;
    const char* ext;
  };
  for (const Case& c : {Case{"*.jpg;*.jpeg", ".jpg"}, Case{"*.bmp", ".bmp"}, Case{"*.tar.gz", ".tar.gz"},
                        Case{"*.*", ""}, Case{"*.jp?", ""}, Case{"*", ""}, Case{"", ""}, Case{"*;*.png", ""}}) {
    SCOPED_TRACE(c.pattern);
    EXPECT_EQ(PatternExtension(c.pattern), c.ext);
  }
}

TEST(DialogFilterTexts, PairFromANameMatchesWholePatternsIgnoringCase) {
  struct Case {
    const char* filter;
    const char* name;
    int index;
  };
  const Case cases[] = {
      {kWizardSaveFilter, "/photos/Photo.BMP", 2},
      {kWizardSaveFilter, "/photos/photo.jpg", 1},
      {kWizardSaveFilter, "/photos/photo.png", 1},
      {kWizardSaveFilter, "/photos/photo", 1},
      {kWizardSaveFilter, "/photos.bmp/photo", 1},
      {kWizardSaveFilter, ".bmp", 1},
      {"JPEG|*.JPG;*.JPEG|Targa|*.tga;*.targa", "x.targa", 2},
      {"JPEG|*.JPG;*.JPEG|Bitmaps|*.bmp", "x.jpeg", 1},
      // A shorter extension is not found inside a longer pattern.
      {"PCX|*.pcx|Other|*.pc", "x.pc", 2},
      {"JPEG|*.jpg|JP|*.jp", "x.jp", 2},
      {"JPEG|*.jpg", "x.jp", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.filter) + " " + c.name);
    EXPECT_EQ(FilterIndexFromName(c.filter, c.name), c.index);
  }
}

TEST_F(DialogFilters, OpenFilterListsEveryReadableFormatAfterAllGraphics) {
  const std::string expected =
      "All graphics|*.tif;*.tiff;*.fax;*.g3n;*.g3f;*.gif;*.jpg;*.jpeg;*.jpe;*.pcx;*.bmp;*.dib;*.rle;*.ico;*.cur;"
      "*.png;*.wmf;*.emf;*.tga;*.targa;*.vda;*.icb;*.vst;*.pix;*.pxm;*.ppm;*.pgm;*.pbm;*.wbmp;*.jp2;*.j2k;*.jpc;"
      "*.j2c;*.dcx;*.avi"
      "|TIFF Bitmap (TIF;TIFF;FAX;G3N;G3F)|*.tif;*.tiff;*.fax;*.g3n;*.g3f"
      "|CompuServe Bitmap (GIF)|*.gif"
      "|JPEG Bitmap (JPG;JPEG;JPE)|*.jpg;*.jpeg;*.jpe"
      "|PaintBrush (PCX)|*.pcx"
      "|Windows Bitmap (BMP;DIB;RLE)|*.bmp;*.dib;*.rle"
      "|Windows Icon (ICO)|*.ico"
      "|Windows Cursor (CUR)|*.cur"
      "|Portable Network Graphics (PNG)|*.png"
      "|Windows Metafile (WMF)|*.wmf"
      "|Enhanced Windows Metafile (EMF)|*.emf"
      "|Targa Bitmap (TGA;TARGA;VDA;ICB;VST;PIX)|*.tga;*.targa;*.vda;*.icb;*.vst;*.pix"
      "|Portable Pixmap, GrayMap, BitMap (PXM;PPM;PGM;PBM)|*.pxm;*.ppm;*.pgm;*.pbm"
      "|Wireless Bitmap (WBMP)|*.wbmp"
      "|JPEG2000 (JP2)|*.jp2"
      "|JPEG2000 Code Stream (J2K;JPC;J2C)|*.j2k;*.jpc;*.j2c"
      "|Multipage PCX (DCX)|*.dcx"
      "|Video for Windows (AVI)|*.avi";
  EXPECT_EQ(BuildPictoraFilter(false, true, "", msEnglish), expected);
}

TEST_F(DialogFilters, SaveFilterListsEveryWritableFormatAndNoVideo) {
  const std::string expected =
      "TIFF Bitmap (TIF;TIFF;FAX;G3N;G3F)|*.tif;*.tiff;*.fax;*.g3n;*.g3f"
      "|CompuServe Bitmap (GIF)|*.gif"
      "|JPEG Bitmap (JPG;JPEG;JPE)|*.jpg;*.jpeg;*.jpe"
      "|PaintBrush (PCX)|*.pcx"
      "|Windows Bitmap (BMP;DIB;RLE)|*.bmp;*.dib;*.rle"
      "|Windows Icon (ICO)|*.ico"
      "|Portable Network Graphics (PNG)|*.png"
      "|Targa Bitmap (TGA;TARGA;VDA;ICB;VST;PIX)|*.tga;*.targa;*.vda;*.icb;*.vst;*.pix"
      "|Portable Pixmap, GrayMap, BitMap (PXM;PPM;PGM;PBM)|*.pxm;*.ppm;*.pgm;*.pbm"
      "|Wireless Bitmap (WBMP)|*.wbmp"
      "|JPEG2000 (JP2)|*.jp2"
      "|JPEG2000 Code Stream (J2K;JPC;J2C)|*.j2k;*.jpc;*.j2c"
      "|PostScript Level 2 (PS;EPS)|*.ps;*.eps"
      "|Adobe PDF (PDF)|*.pdf"
      "|Multipage PCX (DCX)|*.dcx";
  // Video files cannot be written, whatever AddAviFilter says.
  EXPECT_EQ(BuildPictoraFilter(true, true, "", msEnglish), expected);
}

TEST_F(DialogFilters, GifIsOfferedOnlyWhileItsCoderIsInstalled) {
  EXPECT_NE(BuildPictoraFilter(true, false, "", msEnglish).find("(GIF)"), std::string::npos);
  DefGifLzwDecompress = nullptr;
  DefGifLzwCompress = nullptr;
  EXPECT_EQ(BuildPictoraFilter(false, false, "", msEnglish).find("GIF"), std::string::npos);
  DefGifLzwDecompress = NoDecoder;
  const std::string open = BuildPictoraFilter(false, false, "", msEnglish);
  EXPECT_NE(open.find("|CompuServe Bitmap (GIF)|*.gif|"), std::string::npos);
  EXPECT_NE(open.find(";*.gif;"), std::string::npos);
  EXPECT_EQ(BuildPictoraFilter(true, false, "", msEnglish).find("GIF"), std::string::npos);
  EXPECT_EQ(DefaultSaveFilter().find("GIF"), std::string::npos);
  DefGifLzwCompress = NoEncoder;
  EXPECT_NE(BuildPictoraFilter(true, false, "", msEnglish).find("|CompuServe Bitmap (GIF)|*.gif|"),
            std::string::npos);
  EXPECT_EQ(DefaultSaveFilter().substr(0, 54), "JPEG Bitmap (JPG)|*.jpg|CompuServe Bitmap (GIF)|*.gif|");
}

TEST_F(DialogFilters, ExtraPairsFollowAndJoinAllGraphics) {
  const std::string open = BuildPictoraFilter(false, false, "  Raw|*.raw;*.nef|Sketch|*.skt  ", msGerman);
  EXPECT_EQ(open.substr(0, 22), "Alle Bilddateien|*.tif");
  EXPECT_NE(open.find(";*.dcx;*.raw;*.nef;*.skt|TIFF Bitmap"), std::string::npos);
  EXPECT_TRUE(EndsWith(open, "|Multipage PCX (DCX)|*.dcx|Raw|*.raw;*.nef|Sketch|*.skt")) << open;
  const std::string save = BuildPictoraFilter(true, false, "Raw|*.raw", msEnglish);
  EXPECT_TRUE(EndsWith(save, "|Multipage PCX (DCX)|*.dcx|Raw|*.raw")) << save;
}

TEST_F(DialogFilters, DefaultSaveFilterWithoutGif) {
  DefGifLzwDecompress = nullptr;
  DefGifLzwCompress = nullptr;
  EXPECT_EQ(DefaultSaveFilter(),
            "JPEG Bitmap (JPG)|*.jpg|TIFF Bitmap (TIF)|*.tif|PaintBrush (PCX)|*.pcx"
            "|Portable Network Graphics (PNG)|*.png|Windows Bitmap (BMP)|*.bmp|OS/2 Bitmap (BMP)|*.bmp"
            "|Targa Bitmap (TGA)|*.tga|Portable PixMap (PXM)|*.pxm|Portable PixMap (PPM)|*.ppm"
            "|Portable GreyMap (PGM)|*.pgm|Portable Bitmap (PBM)|*.pbm|JPEG2000 (JP2)|*.jp2"
            "|JPEG2000 Code Stream (J2K)|*.j2k|Multipage PCX (DCX)|*.dcx");
}

}  // namespace
