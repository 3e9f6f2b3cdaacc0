#include "imaging/io/formats/bmpfilt_ps.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils.h"
#include "imaging/core/base/vqzutils_encoders.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/metadata/vqzutils_pdf.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/coders/tifccitt.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

namespace {

// ---- shared by both writers -----------------------------------------------------

// The depth a page is written at comes from the image, not from the block's
// fields (they describe the last file read): a 1-bit image as one bit, any
// other as three 8-bit channels. The block's fields are set to match.
bool PsPdfOneBit(TVQBitmap* Bitmap, TIOParamsVals& Params) {
  const bool oneBit = Bitmap->GetPixelFormat() == vqBits1;
  Params.BitsPerSample = oneBit ? 1 : 8;
  Params.SamplesPerPixel = oneBit ? 1 : 3;
  return oneBit;
}

// A 24-bit view of the image: the image itself or a converted copy.
TVQBitmap* PsPdfRgbImage(TVQBitmap* Bitmap, std::unique_ptr<TVQBitmap>& copy) {
  if (Bitmap->GetPixelFormat() == vqRGB24) return Bitmap;
  copy = std::make_unique<TVQBitmap>();
  copy->Assign(Bitmap);
  copy->ConvertPixelFormat(vqRGB24);
  return copy.get();
}

// The 1-bit rows, top first, each ceil(width / 8) bytes, joined.
std::vector<Byte> PsPdfBitRows(TVQBitmap* Bitmap, TVQProgressRec* Progress) {
  const int w = Bitmap->GetWidth(), h = Bitmap->GetHeight();
  const std::size_t rowBytes = (std::size_t(w) + 7) / 8;
  std::vector<Byte> rows(rowBytes * std::size_t(h));
  const double perUnit = 100.0 / h;
  for (int r = 0; r < h; ++r) {
    std::memcpy(rows.data() + rowBytes * std::size_t(r), Bitmap->GetScanline(r), rowBytes);
    if (Progress) ReportProgress(Progress, int(r * perUnit));
  }
  return rows;
}

// The rows through the Group 4 (Group4 true) or Group 3 two-dimensional
// encoder, padded with zero bytes to a multiple of 4.
std::vector<Byte> PsPdfFaxRows(TVQBitmap* Bitmap, bool Group4) {
  const int w = Bitmap->GetWidth(), h = Bitmap->GetHeight();
  TMemoryStream coded;
  bool abort = false;
  Byte* reference = nullptr;
  int pendingBits = 0;
  Byte pendingByte = 0;
  auto encode = Group4 ? EncodeCcitt2D : EncodeCcitt1D;
  try {
    for (int r = 0; r < h; ++r)
      encode(Bitmap->GetScanline(r), w, &coded, abort, reference, pendingBits, pendingByte);
  } catch (...) {
    encode(nullptr, w, &coded, abort, reference, pendingBits, pendingByte);
    throw;
  }
  encode(nullptr, w, &coded, abort, reference, pendingBits, pendingByte);
  if (abort) throw EStreamError("Stream write error");
  std::vector<Byte> out(static_cast<const Byte*>(coded.Memory()),
                        static_cast<const Byte*>(coded.Memory()) + coded.Size());
  out.resize((out.size() + 3) / 4 * 4, 0);
  return out;
}

std::vector<Byte> PsPdfJpegBytes(TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  TMemoryStream jpeg;
  SaveJpegImage(&jpeg, Bitmap, Params, Progress);
  if (Progress.Aborting && *Progress.Aborting) throw EInvalidOperation("JPEG encoding failed");
  return std::vector<Byte>(static_cast<const Byte*>(jpeg.Memory()),
                           static_cast<const Byte*>(jpeg.Memory()) + jpeg.Size());
}

std::vector<Byte> PsPdfRunLength(const Byte* data, std::size_t length) {
  if (length > std::size_t(INT32_MAX / 2)) throw EInvalidOperation("Image too large");
  std::vector<Byte> out(static_cast<std::size_t>(RunLengthBufferSize(static_cast<Int64>(length))));
  out.resize(std::size_t(EncodeRunLength(data, int(length), out.data(), Int64(out.size()))));
  return out;
}

// ---- PostScript ------------------------------------------------------------------

void PsLine(TStream& s, const std::string& text) {
  const std::string line = text + "\r\n";
  s.WriteBuffer(line.data(), Int64(line.size()));
}

std::string PsPadded(int n) {
  std::string t = std::to_string(n);
  if (t.size() < 6) t.append(6 - t.size(), ' ');
  return t;
}

// ASCII85 of the bytes, ending with its own end mark, appended to out; adds
// the characters of the data (not the line breaks or the end mark) to count.
void PsAscii85(const Byte* data, std::size_t length, std::string& out, std::int64_t& count) {
  if (length > std::size_t(INT32_MAX / 2)) throw EInvalidOperation("Image too large");
  std::string text(std::size_t(ASCII85BufferSize(Int64(length))), '\0');
  const Byte* src = data;
  char* dst = text.data();
  int lineCounter = 0;
  const int written = EncodeASCII85(src, int(length), dst, lineCounter, Int64(text.size()));
  text.resize(std::size_t(written));
  count += std::int64_t(std::count_if(text.begin(), text.end(), [](char c) { return c != '\r' && c != '\n'; })) - 2;
  out += text;
}

std::string PsCreationDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  std::strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", &local);
  return text;
}

}  // namespace

TVQPSRecord* PSBeginDocument(TStream& Stream, TIOParamsVals& Params) {
  PsLine(Stream, "%!PS-Adobe-3.0");
  PsLine(Stream, "%%Creator: Pictora by Quorvix");
  PsLine(Stream, "%%Title: " + Params.PsTitle);
  PsLine(Stream, "%%CreationDate: " + PsCreationDate());
  PsLine(Stream, "%%DocumentData: Clean7Bit");
  PsLine(Stream, "%%LanguageLevel: 2");
  auto record = std::make_unique<TVQPSRecord>();
  record->PagesLinePosition = std::int32_t(Stream.Position());
  PsLine(Stream, "%%Pages: " + PsPadded(0));
  PsLine(Stream, "%%BoundingBox: 0 0 " + std::to_string(Params.PsPaperWidth - 1) + " " +
                     std::to_string(Params.PsPaperHeight - 1));
  PsLine(Stream, "%%EndComments");
  PsLine(Stream, "%%BeginProlog");
  PsLine(Stream, "10 dict begin");
  PsLine(Stream, "%%EndProlog");
  record->NextPagePosition = std::int32_t(Stream.Position());
  return record.release();
}

void PSAddPage(TVQPSRecord* Record, TStream& Stream, TVQBitmap* Bitmap, TVQProgressRec& Progress,
               TIOParamsVals& Params) {
  if (!Record || !Bitmap || Bitmap->GetWidth() <= 0 || Bitmap->GetHeight() <= 0) return;
  const int w = Bitmap->GetWidth(), h = Bitmap->GetHeight();

  Stream.Seek(Record->PagesLinePosition, soBeginning);
  char line[15] = {};
  Stream.ReadBuffer(line, sizeof line);
  std::string digits(line + 9, 5);
  digits.erase(std::remove(digits.begin(), digits.end(), ' '), digits.end());
  const int page = StrToIntDef(digits, 1) + 1;
  Stream.Seek(Record->PagesLinePosition, soBeginning);
  PsLine(Stream, "%%Pages: " + PsPadded(page));
  Stream.Seek(Record->NextPagePosition, soBeginning);

  const bool oneBit = PsPdfOneBit(Bitmap, Params);
  int compression = Params.PsCompression;
  // JPEG has no 1-bit form; such a page would have no data at all.
  if (oneBit && compression == 3) compression = 0;
  int sw = 1, sh = 1;
  ScaleToFit(w, h, Params.PsPaperWidth, Params.PsPaperHeight, sw, sh);
  PsLine(Stream, "%%Page: " + std::to_string(page) + " " + std::to_string(page));
  PsLine(Stream, "0 " + std::to_string(Params.PsPaperHeight) + " translate");
  PsLine(Stream, std::to_string(sw) + " -" + std::to_string(sh) + " scale");
  PsLine(Stream, std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(Params.BitsPerSample));
  PsLine(Stream, "[ " + std::to_string(w) + " 0 0 " + std::to_string(h) + " 0 0 ]");

  std::string data;
  std::int64_t count = 0;
  const double perUnit = 100.0 / h;
  if (oneBit) {
    if (compression == 1 || compression == 2) {
      const std::vector<Byte> fax = PsPdfFaxRows(Bitmap, compression == 1);
      PsAscii85(fax.data(), fax.size(), data, count);
    } else {
      const std::vector<Byte> rows = PsPdfBitRows(Bitmap, &Progress);
      const std::vector<Byte> packed = PsPdfRunLength(rows.data(), rows.size());
      PsAscii85(packed.data(), packed.size(), data, count);
    }
  } else {
    std::unique_ptr<TVQBitmap> copy;
    TVQBitmap* rgb = PsPdfRgbImage(Bitmap, copy);
    if (compression == 3) {
      const std::vector<Byte> jpeg = PsPdfJpegBytes(rgb, Params, Progress);
      PsAscii85(jpeg.data(), jpeg.size(), data, count);
    } else {
      std::vector<Byte> channel(std::size_t(w), 0);
      for (int r = 0; r < h; ++r) {
        const Byte* row = rgb->GetScanline(r);
        // Rows are stored blue, green, red.
        for (int c = 2; c >= 0; --c) {
          for (int x = 0; x < w; ++x) channel[std::size_t(x)] = row[std::size_t(x) * 3 + std::size_t(c)];
          const std::vector<Byte> packed = PsPdfRunLength(channel.data(), channel.size());
          PsAscii85(packed.data(), packed.size(), data, count);
        }
        ReportProgress(&Progress, int(r * perUnit));
      }
    }
  }

  const std::string beginData = "%%BeginData:      " + std::to_string(count) + " ASCII Bytes";
  if (!oneBit) {
    if (compression == 3) {
      PsLine(Stream, "currentfile /ASCII85Decode filter << >> /DCTDecode filter");
      PsLine(Stream, "false 3");
    } else {
      for (const char* s : {"rstr", "gstr", "bstr"}) PsLine(Stream, "/" + std::string(s) + " " + std::to_string(w) + " string def");
      for (const char* s : {"rstr", "gstr", "bstr"})
        PsLine(Stream, "{currentfile /ASCII85Decode filter /RunLengthDecode filter " + std::string(s) +
                           " readstring pop}");
      PsLine(Stream, "true 3");
    }
    PsLine(Stream, beginData);
    PsLine(Stream, "colorimage");
  } else {
    if (compression == 0) {
      PsLine(Stream, "currentfile /ASCII85Decode filter /RunLengthDecode filter");
    } else {
      PsLine(Stream, std::string("currentfile /ASCII85Decode filter << /K ") + (compression == 1 ? "-1" : "1") +
                         " /BlackIs1 true /Columns " + std::to_string(w) + " /Rows " + std::to_string(h) +
                         " /EndOfLine false /Uncompressed true /EncodedByteAlign false /EndOfBlock false >>"
                         " /CCITTFaxDecode filter");
    }
    PsLine(Stream, beginData);
    PsLine(Stream, "image");
  }
  Stream.WriteBuffer(data.data(), Int64(data.size()));
  PsLine(Stream, "%%EndData");
  PsLine(Stream, "showpage");
  Record->NextPagePosition = std::int32_t(Stream.Position());
}

void PSEndDocument(TVQPSRecord* Record, TStream& Stream) {
  if (!Record) return;
  std::unique_ptr<TVQPSRecord> owned(Record);
  Stream.Seek(Record->NextPagePosition, soBeginning);
  PsLine(Stream, "%%Trailer");
  PsLine(Stream, "end");
  PsLine(Stream, "%%EOF");
}

void SavePSImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  // Adding a page reads the page count back, which a file opened only for
  // writing cannot give: the document is put together in memory first.
  TMemoryStream document;
  std::unique_ptr<TVQPSRecord> record(PSBeginDocument(document, Params));
  PSAddPage(record.get(), document, Bitmap, Progress, Params);
  PSEndDocument(record.release(), document);
  Stream.WriteBuffer(document.Memory(), document.Size());
}

// ---- PDF -------------------------------------------------------------------------

namespace {

TVQPDFArrayObject* PdfNames(std::initializer_list<const char*> names) {
  auto* array = new TVQPDFArrayObject;
  for (const char* n : names) array->Items.Add(new TVQPDFNameObject(n));
  return array;
}

TVQPDFArrayObject* PdfNumbers(std::initializer_list<double> values) {
  auto* array = new TVQPDFArrayObject;
  for (double v : values) array->Items.Add(new TVQPDFNumericObject(v));
  return array;
}

TVQPDFStreamObject* PdfStreamOf(const std::vector<Byte>& data) {
  return TVQPDFStreamObject::CreateCopy(data.data(), std::int64_t(data.size()));
}

std::string PdfCreationDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "D:%Y%m%d%H%M%S", &local);
  return text;
}

}  // namespace

TVQPDFRecord::TVQPDFRecord() = default;

TVQPDFRecord::~TVQPDFRecord() {
  for (int i = 0; i < Objects.Count(); ++i) delete static_cast<TVQPDFObject*>(Objects.Items(i));
}

TVQPDFRecord* PDFBeginDocument() {
  auto record = std::make_unique<TVQPDFRecord>();
  PDFAddCatalog(&record->Objects);
  auto* resources = new TVQPDFDictionaryObject;
  resources->HeldElsewhere = true;
  resources->Items.AddObject("ProcSet", PdfNames({"PDF", "ImageB"}));
  resources->Items.AddObject("XObject", new TVQPDFDictionaryObject);
  PDFAddObject(&record->Objects, resources);
  record->Resources = resources;
  return record.release();
}

void PDFAddImagePage(TVQPDFRecord* Record, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  if (!Record || !Bitmap || Bitmap->GetWidth() <= 0 || Bitmap->GetHeight() <= 0) return;
  const int w = Bitmap->GetWidth(), h = Bitmap->GetHeight();
  const bool oneBit = PsPdfOneBit(Bitmap, Params);
  int compression = Params.PdfCompression;
  // JPEG has no 1-bit form; such an image would have no data at all.
  if (oneBit && compression == 4) compression = 0;

  std::unique_ptr<TVQPDFStreamObject> image;
  if (oneBit) {
    if (compression == 2 || compression == 3) {
      image.reset(PdfStreamOf(PsPdfFaxRows(Bitmap, compression == 2)));
      image->Dictionary->Items.AddObject("Filter", new TVQPDFNameObject("CCITTFaxDecode"));
      auto* parms = new TVQPDFDictionaryObject;
      parms->Items.AddObject("K", new TVQPDFNumericObject(compression == 2 ? -1 : 1));
      parms->Items.AddObject("BlackIs1", new TVQPDFBooleanObject(true));
      parms->Items.AddObject("Columns", new TVQPDFNumericObject(w));
      parms->Items.AddObject("Rows", new TVQPDFNumericObject(h));
      parms->Items.AddObject("EndOfLine", new TVQPDFBooleanObject(false));
      parms->Items.AddObject("Uncompressed", new TVQPDFBooleanObject(true));
      parms->Items.AddObject("EncodedByteAlign", new TVQPDFBooleanObject(false));
      parms->Items.AddObject("EndOfBlock", new TVQPDFBooleanObject(false));
      image->Dictionary->Items.AddObject("DecodeParms", parms);
    } else {
      const std::vector<Byte> rows = PsPdfBitRows(Bitmap, nullptr);
      if (compression == 1) {
        image.reset(PdfStreamOf(PsPdfRunLength(rows.data(), rows.size())));
        image->Dictionary->Items.AddObject("Filter", PdfNames({"RunLengthDecode"}));
      } else {
        image.reset(PdfStreamOf(rows));
      }
    }
    image->Dictionary->Items.AddObject("ColorSpace", new TVQPDFNameObject("DeviceGray"));
    image->Dictionary->Items.AddObject("BitsPerComponent", new TVQPDFNumericObject(1));
  } else {
    std::unique_ptr<TVQBitmap> copy;
    TVQBitmap* rgb = PsPdfRgbImage(Bitmap, copy);
    if (compression == 4) {
      image.reset(PdfStreamOf(PsPdfJpegBytes(rgb, Params, Progress)));
      image->Dictionary->Items.AddObject("Filter", new TVQPDFNameObject("DCTDecode"));
    } else {
      const std::size_t rowBytes = std::size_t(w) * 3;
      std::vector<Byte> rows(rowBytes * std::size_t(h));
      for (int r = 0; r < h; ++r) {
        const Byte* src = rgb->GetScanline(r);
        Byte* dst = rows.data() + rowBytes * std::size_t(r);
        for (std::size_t x = 0; x < rowBytes; x += 3) {
          dst[x] = src[x + 2];
          dst[x + 1] = src[x + 1];
          dst[x + 2] = src[x];
        }
      }
      image.reset(PdfStreamOf(rows));
    }
    image->Dictionary->Items.AddObject("ColorSpace", new TVQPDFNameObject("DeviceRGB"));
    image->Dictionary->Items.AddObject("BitsPerComponent", new TVQPDFNumericObject(8));
  }
  image->Dictionary->Items.InsertObject(0, "Type", new TVQPDFNameObject("XObject"));
  image->Dictionary->Items.InsertObject(1, "Subtype", new TVQPDFNameObject("Image"));
  image->Dictionary->Items.AddObject("Width", new TVQPDFNumericObject(w));
  image->Dictionary->Items.AddObject("Height", new TVQPDFNumericObject(h));
  TVQPDFStreamObject* imageObject = image.release();
  PDFAddObject(&Record->Objects, imageObject);
  Record->Images.Add(imageObject);
  const int n = Record->Images.Count();

  int sw = 1, sh = 1;
  ScaleToFit(w, h, Params.PdfPaperWidth, Params.PdfPaperHeight, sw, sh);
  const std::string text = "q\n" + std::to_string(sw) + " 0 0 " + std::to_string(sh) + " 0 " +
                           std::to_string(Params.PdfPaperHeight - sh) + " cm\n/lm" + std::to_string(n) + " Do\nQ";
  auto* contents = TVQPDFStreamObject::CreateCopy(text.data(), std::int64_t(text.size()));
  PDFAddObject(&Record->Objects, contents);
  Record->Contents.Add(contents);

  const int xobjectAt = Record->Resources->Items.IndexOf("XObject");
  auto* xobjects = static_cast<TVQPDFDictionaryObject*>(Record->Resources->Items.Objects(xobjectAt));
  xobjects->Items.AddObject("lm" + std::to_string(n), new TVQPDFRefObject(imageObject->ObjectNumber, 0));

  PDFAddPage(&Record->Objects, &Record->Pages, Record->Resources, contents->ObjectNumber,
             PdfNumbers({0, 0, double(Params.PdfPaperWidth), double(Params.PdfPaperHeight)}));
}

void PDFEndDocument(TVQPDFRecord* Record, TStream& Stream, TIOParamsVals& Params) {
  if (!Record) return;
  std::unique_ptr<TVQPDFRecord> owned(Record);
  PDFAddPageTree(&Record->Objects, &Record->Pages);
  auto* info = new TVQPDFDictionaryObject;
  PDFAddObject(&Record->Objects, info);
  const std::pair<const char*, const std::string*> fields[] = {
      {"Title", &Params.PdfTitle},       {"Author", &Params.PdfAuthor},   {"Subject", &Params.PdfSubject},
      {"Keywords", &Params.PdfKeywords}, {"Creator", &Params.PdfCreator}, {"Producer", &Params.PdfProducer}};
  for (const auto& [key, value] : fields)
    if (!value->empty()) info->Items.AddObject(key, new TVQPDFStringObject(*value));
  info->Items.AddObject("CreationDate", new TVQPDFStringObject(PdfCreationDate()));
  PDFWriteHeader(&Stream);
  PDFWriteObjects(&Stream, &Record->Objects);
  PDFWriteXRef(&Stream, &Record->Objects, info);
}

void SavePDFImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  std::unique_ptr<TVQPDFRecord> record(PDFBeginDocument());
  PDFAddImagePage(record.get(), Bitmap, Params, Progress);
  PDFEndDocument(record.release(), Stream, Params);
}

// ---- the PS and PDF slots of the I/O component ---------------------------------------

namespace {

void PsFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                  TVQProgressRec& Progress) {
  if (Params) SavePSImage(Stream, Image, *Params, Progress);
}

void PdfFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                   TVQProgressRec& Progress) {
  if (Params) SavePDFImage(Stream, Image, *Params, Progress);
}

[[maybe_unused]] const bool kPsPdfSlotsFilled = (InstallPsPdfFilters(), true);

}  // namespace

void InstallPsPdfFilters() {
  SetBuiltInFilter(ioPS, nullptr, PsFilterSave);
  SetBuiltInFilter(ioPDF, nullptr, PdfFilterSave);
}
