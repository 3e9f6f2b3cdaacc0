#include "imaging/io/component/pictoraio_formats.h"

#include <gtest/gtest.h>

#include <string>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/io/coders/giflzw.h"
#include "imaging/io/component/pictoraio_hooks.h"
#include "imaging/io/coders/tiflzw.h"

namespace {

class FormatRegistry : public ::testing::Test {
 protected:
  void SetUp() override { StartImagingLibrary(); }
  void TearDown() override {
    EndImagingLibrary();
    DefGifLzwDecompress = nullptr;
    DefGifLzwCompress = nullptr;
  }
};

TEST_F(FormatRegistry, ModuleStartRegistersTheBuiltInRowsInOrderAndEndFreesThem) {
  struct Row {
    int type;
    const char* description;
    const char* extensions;
    int pages;
    bool reads, writes;
  };
  const Row rows[] = {
      {1, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F", 8, true, true},
      {2, "CompuServe Bitmap", "GIF", 16, true, true},
      {3, "JPEG Bitmap", "JPG;JPEG;JPE", 4, true, true},
      {4, "PaintBrush", "PCX", 64, true, true},
      {5, "Windows Bitmap", "BMP;DIB;RLE", 32, true, true},
      {6, "Windows Icon", "ICO", 0, true, true},
      {7, "Windows Cursor", "CUR", 0, true, false},
      {8, "Portable Network Graphics", "PNG", 128, true, true},
      {9, "Windows Metafile", "WMF", 0, true, false},
      {10, "Enhanced Windows Metafile", "EMF", 0, true, false},
      {11, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", 256, true, true},
      {12, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", 0, true, true},
      {16, "Wireless Bitmap", "WBMP", 0, true, true},
      {13, "JPEG2000", "JP2", 512, true, true},
      {14, "JPEG2000 Code Stream", "J2K;JPC;J2C", 512, true, true},
      {17, "PostScript Level 2", "PS;EPS", 0, false, true},
      {18, "Adobe PDF", "PDF", 0, false, true},
      {19, "Multipage PCX", "DCX", 0, true, true},
  };
  ASSERT_EQ(FileFormatCount(), int(std::size(rows)));
  for (int i = 0; i < FileFormatCount(); ++i) {
    const TVQFormatInfo* f = FileFormatAt(i);
    SCOPED_TRACE(f->Description);
    EXPECT_EQ(f->FileType, rows[i].type);
    EXPECT_EQ(f->Description, rows[i].description);
    EXPECT_EQ(f->ExtensionList, rows[i].extensions);
    EXPECT_EQ(f->DialogPages, rows[i].pages);
    EXPECT_EQ(f->ReadProc != nullptr, rows[i].reads);
    EXPECT_EQ(f->WriteProc != nullptr, rows[i].writes);
    ASSERT_NE(f->TestProc, nullptr);
    TMemoryStream any;
    EXPECT_FALSE(f->TestProc(&any));
  }
  EXPECT_EQ(FormatInfoByType(ioAVI), nullptr);
  EXPECT_EQ(FileFormatAt(-1), nullptr);
  EXPECT_EQ(FileFormatAt(FileFormatCount()), nullptr);

  EndImagingLibrary();
  EXPECT_EQ(FileFormatCount(), 0);
  StartImagingLibrary();  // for TearDown
  EXPECT_EQ(FileFormatCount(), int(std::size(rows)));
}

TEST_F(FormatRegistry, ExtensionsByTypeAndIndex) {
  struct Case {
    int type, n;
    const char* ext;
  };
  for (const Case& c : {Case{1, 0, "TIF"}, Case{1, 4, "G3F"}, Case{1, 5, ""}, Case{1, -1, ""}, Case{3, 2, "JPE"},
                        Case{8, 0, "PNG"}, Case{8, 1, ""}, Case{15, 0, ""}, Case{0, 0, ""}}) {
    SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.n));
    EXPECT_EQ(FormatExtension(c.type, c.n), c.ext);
  }
  EXPECT_EQ(FormatExtensionCount(11), 6);
  EXPECT_EQ(FormatExtensionCount(8), 1);
  EXPECT_EQ(FormatExtensionCount(15), 0);
}

TEST_F(FormatRegistry, RowsByExtensionIgnoreCaseAndMatchWholeExtensions) {
  struct Case {
    const char* ext;
    int type;  // 0: no row
  };
  for (const Case& c : {Case{"jpe", 3}, Case{"JPEG", 3}, Case{"Tiff", 1}, Case{"g3n", 1}, Case{"pix", 11},
                        Case{"wbmp", 16}, Case{"eps", 17}, Case{"j2c", 14}, Case{"avi", 0}, Case{"jp", 0},
                        Case{"tif;tiff", 0}, Case{"", 0}, Case{".jpg", 0}}) {
    SCOPED_TRACE(c.ext);
    const TVQFormatInfo* f = FormatInfoByExtension(c.ext);
    EXPECT_EQ(f ? f->FileType : 0, c.type);
  }
}

TEST_F(FormatRegistry, AddedRowsAreCopiesAndTheFirstOfATypeWins) {
  TVQFormatInfo row;
  row.FileType = 100;
  row.Description = std::string(90, 'd');
  row.ExtensionList = "ABC;XYZ";
  const int first = AddFileFormat(row);
  EXPECT_EQ(first, 18);
  row.Description = "second";
  row.ExtensionList = "XYZ;QQQ";
  EXPECT_EQ(AddFileFormat(row), 19);
  // The caller's record is not the stored one.
  row.ExtensionList = "changed";
  EXPECT_EQ(FormatInfoByType(100), FileFormatAt(first));
  EXPECT_EQ(FormatInfoByType(100)->Description, std::string(kFormatTextMax, 'd'));
  EXPECT_EQ(FormatInfoByExtension("xyz"), FileFormatAt(first));
  EXPECT_EQ(FormatInfoByExtension("qqq")->Description, "second");
  // A second JPEG row: look-ups still find the built-in one.
  row.FileType = ioJPEG;
  row.ExtensionList = "JPG";
  AddFileFormat(row);
  EXPECT_EQ(FormatInfoByType(ioJPEG)->Description, "JPEG Bitmap");
  EXPECT_EQ(FormatInfoByExtension("jpg")->Description, "JPEG Bitmap");
}

TEST_F(FormatRegistry, LongTextsAreCutWithoutSplittingACharacter) {
  TVQFormatInfo row;
  row.FileType = 101;
  row.Description = std::string(79, 'a') + "\xE5\x9B\xBE";  // a 3-byte character across the limit
  AddFileFormat(row);
  EXPECT_EQ(FormatInfoByType(101)->Description, std::string(79, 'a'));
}

void NoDecoder(TStream*, int, int, void*, bool) {}
void NoEncoder(TStream*, int, int, int, const void*, bool) {}

TEST_F(FormatRegistry, ModuleStartInstallsTheLzwCoders) {
  EXPECT_EQ(DefGifLzwDecompress, GifLzwDecode);
  EXPECT_EQ(DefGifLzwCompress, GifLzwEncode);
  EXPECT_EQ(DefTiffLzwDecompress, TiffLzwDecode);
  EXPECT_EQ(DefTiffLzwCompress, TiffLzwEncode);
  const TVQFormatInfo* gif = FormatInfoByType(ioGIF);
  EXPECT_NE(gif->ReadProc, nullptr);
  EXPECT_NE(gif->WriteProc, nullptr);
}

TEST_F(FormatRegistry, GifRowFollowsTheLzwHooks) {
  struct Case {
    bool decoder, encoder;
  };
  for (const Case& c : {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
    DefGifLzwDecompress = c.decoder ? NoDecoder : nullptr;
    DefGifLzwCompress = c.encoder ? NoEncoder : nullptr;
    UpdateGifFormatProcs();
    const TVQFormatInfo* gif = FormatInfoByType(ioGIF);
    EXPECT_EQ(gif->ReadProc != nullptr, c.decoder);
    EXPECT_EQ(gif->WriteProc != nullptr, c.encoder);
  }
  FreeFileFormats();
  UpdateGifFormatProcs();  // no GIF row: nothing to do
  EXPECT_EQ(FileFormatCount(), 0);
}

int g_reads = 0;
void CountingReader(TStream*, TVQBitmap*, TIOParamsVals*, bool paramsOnly, TVQProgressRec*) {
  g_reads += paramsOnly ? 10 : 1;
}

TEST_F(FormatRegistry, ReadingThroughARowFailsClearlyWithoutARealReader) {
  TMemoryStream data;
  struct Case {
    int type;
    const char* message;
  };
  for (const Case& c : {Case{ioTIFF, "The reader of TIFF Bitmap files is not available"},
                        Case{ioTGA, "The reader of Targa Bitmap files is not available"},
                        Case{ioPS, "PostScript Level 2 files cannot be read"},
                        Case{ioAVI, "No file format is registered with the type 15"}}) {
    SCOPED_TRACE(c.message);
    try {
      ReadWithFormat(c.type, &data, nullptr, nullptr, false, nullptr);
      ADD_FAILURE() << "no error";
    } catch (const EVQFormatError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  // A row added with a real reader is read through.
  TVQFormatInfo row;
  row.FileType = 102;
  row.Description = "Counted";
  row.ReadProc = CountingReader;
  AddFileFormat(row);
  g_reads = 0;
  ReadWithFormat(102, &data, nullptr, nullptr, false, nullptr);
  ReadWithFormat(102, &data, nullptr, nullptr, true, nullptr);
  EXPECT_EQ(g_reads, 11);
}

}  // namespace
