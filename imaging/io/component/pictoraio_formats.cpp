#include "imaging/io/component/pictoraio_formats.h"

#include <memory>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_hooks.h"
#include "imaging/io/coders/giflzw.h"
#include "imaging/io/coders/tiflzw.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Records are owned by the list and never move, so a row pointer handed out
// stays valid until FreeFileFormats.
std::vector<std::unique_ptr<TVQFormatInfo>>& Formats() {
  static std::vector<std::unique_ptr<TVQFormatInfo>> formats;
  return formats;
}

// Cut to at most max bytes without splitting a UTF-8 sequence.
std::string CutText(const std::string& text, std::size_t max) {
  if (text.size() <= max) return text;
  std::size_t n = max;
  while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  return text.substr(0, n);
}

std::vector<std::string> SplitExtensions(const std::string& list) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t end = list.find(';', start);
    parts.push_back(list.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

struct TBuiltInRow {
  int type;
  const char* description;
  const char* extensions;
  std::uint16_t pages;
  bool reads, writes;
};

// In registration order.
constexpr TBuiltInRow kBuiltInRows[] = {
    {ioTIFF, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F", ppTIFF, true, true},
    {ioGIF, "CompuServe Bitmap", "GIF", ppGIF, true, true},
    {ioJPEG, "JPEG Bitmap", "JPG;JPEG;JPE", ppJPEG, true, true},
    {ioPCX, "PaintBrush", "PCX", ppPCX, true, true},
    {ioBMP, "Windows Bitmap", "BMP;DIB;RLE", ppBMP, true, true},
    {ioICO, "Windows Icon", "ICO", 0, true, true},
    {ioCUR, "Windows Cursor", "CUR", 0, true, false},
    {ioPNG, "Portable Network Graphics", "PNG", ppPNG, true, true},
    {ioWMF, "Windows Metafile", "WMF", 0, true, false},
    {ioEMF, "Enhanced Windows Metafile", "EMF", 0, true, false},
    {ioTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", ppTGA, true, true},
    {ioPXM, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", 0, true, true},
    {ioWBMP, "Wireless Bitmap", "WBMP", 0, true, true},
    {ioJP2, "JPEG2000", "JP2", ppJ2000, true, true},
    {ioJ2K, "JPEG2000 Code Stream", "J2K;JPC;J2C", ppJ2000, true, true},
    {ioPS, "PostScript Level 2", "PS;EPS", 0, false, true},
    {ioPDF, "Adobe PDF", "PDF", 0, false, true},
    {ioDCX, "Multipage PCX", "DCX", 0, true, true},
};

void PictoraIOStart() {
  DefGifLzwDecompress = GifLzwDecode;
  DefGifLzwCompress = GifLzwEncode;
  DefTiffLzwDecompress = TiffLzwDecode;
  DefTiffLzwCompress = TiffLzwEncode;
  TempFolder.clear();
  RegisterBuiltInFormats();
  IOConvertRow = ConvertRow;
}
void PictoraIOEnd() {
  FreeFileFormats();
  TempFolder.clear();
}

[[maybe_unused]] const bool registered = [] {
  RegisterImagingModule("pictoraio", vqrIO, PictoraIOStart, PictoraIOEnd);
  return true;
}();

}  // namespace

void PlaceholderReadProc(TStream*, TVQBitmap*, TIOParamsVals*, bool, TVQProgressRec*) {}
void PlaceholderWriteProc(TStream*, TVQBitmap*, TIOParamsVals*, TVQProgressRec*) {}
bool PlaceholderTestProc(TStream*) { return false; }

int AddFileFormat(const TVQFormatInfo& Record) {
  auto row = std::make_unique<TVQFormatInfo>(Record);
  row->Description = CutText(row->Description, kFormatTextMax);
  row->ExtensionList = CutText(row->ExtensionList, kFormatTextMax);
  Formats().push_back(std::move(row));
  return int(Formats().size()) - 1;
}

int FileFormatCount() { return int(Formats().size()); }

TVQFormatInfo* FileFormatAt(int index) {
  if (index < 0 || index >= FileFormatCount()) return nullptr;
  return Formats()[std::size_t(index)].get();
}

TVQFormatInfo* FormatInfoByType(int FileType) {
  for (auto& row : Formats())
    if (row->FileType == FileType) return row.get();
  return nullptr;
}

TVQFormatInfo* FormatInfoByExtension(const std::string& Ext) {
  if (Ext.empty()) return nullptr;
  for (auto& row : Formats())
    for (const std::string& e : SplitExtensions(row->ExtensionList))
      if (SameText(e, Ext)) return row.get();
  return nullptr;
}

std::string FormatExtension(int FileType, int N) {
  TVQFormatInfo* row = FormatInfoByType(FileType);
  if (!row || N < 0) return "";
  std::vector<std::string> parts = SplitExtensions(row->ExtensionList);
  return N < int(parts.size()) ? parts[std::size_t(N)] : "";
}

int FormatExtensionCount(int FileType) {
  TVQFormatInfo* row = FormatInfoByType(FileType);
  return row ? int(SplitExtensions(row->ExtensionList).size()) : 0;
}

void UpdateGifFormatProcs() {
  TVQFormatInfo* gif = FormatInfoByType(ioGIF);
  if (!gif) return;
  gif->ReadProc = DefGifLzwDecompress ? PlaceholderReadProc : nullptr;
  gif->WriteProc = DefGifLzwCompress ? PlaceholderWriteProc : nullptr;
}

void RegisterBuiltInFormats() {
  FreeFileFormats();
  for (const TBuiltInRow& r : kBuiltInRows) {
    TVQFormatInfo row;
    row.FileType = r.type;
    row.Description = r.description;
    row.ExtensionList = r.extensions;
    row.DialogPages = r.pages;
    row.ReadProc = r.reads ? PlaceholderReadProc : nullptr;
    row.WriteProc = r.writes ? PlaceholderWriteProc : nullptr;
    row.TestProc = PlaceholderTestProc;
    AddFileFormat(row);
  }
}

void FreeFileFormats() { Formats().clear(); }

void ReadWithFormat(int FileType, TStream* Stream, TVQBitmap* Bitmap, TIOParamsVals* Params, bool ParamsOnly,
                    TVQProgressRec* Progress) {
  TVQFormatInfo* row = FormatInfoByType(FileType);
  if (!row) throw EVQFormatError("No file format is registered with the type " + IntToStr(FileType));
  if (!row->ReadProc) throw EVQFormatError(row->Description + " files cannot be read");
  if (row->ReadProc == PlaceholderReadProc)
    throw EVQFormatError("The reader of " + row->Description + " files is not available");
  row->ReadProc(Stream, Bitmap, Params, ParamsOnly, Progress);
}

std::int64_t StreamBytesLeft(TStream* Stream) {
  std::int64_t left = Stream->Size() - Stream->Position();
  return left > 0 ? left : 0;
}

bool ReadExact(TStream* Stream, void* buffer, std::int64_t count) {
  auto* p = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    std::int64_t n = Stream->Read(p + done, count - done);
    if (n <= 0) return false;
    done += n;
  }
  return true;
}
