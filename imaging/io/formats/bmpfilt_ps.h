// The PostScript and PDF writers: one page per image, placed at the page's
// top-left corner and scaled to fit it. Write only.
#pragma once
#include <cstdint>
#include <memory>

#include "platform/rtl/List.h"
#include "platform/rtl/Streams.h"

class TVQBitmap;
class TIOParamsVals;
struct TVQProgressRec;
class TVQPDFDictionaryObject;

// ---- PostScript --------------------------------------------------------------

// Kept between the document routines.
struct TVQPSRecord {
  std::int32_t PagesLinePosition = 0;  // where the "%%Pages: " line starts
  std::int32_t NextPagePosition = 0;   // where the next page or the trailer goes
};

TVQPSRecord* PSBeginDocument(TStream& Stream, TIOParamsVals& Params);
void PSAddPage(TVQPSRecord* Record, TStream& Stream, TVQBitmap* Bitmap, TVQProgressRec& Progress,
               TIOParamsVals& Params);
// Writes the trailer and frees the record; nil does nothing.
void PSEndDocument(TVQPSRecord* Record, TStream& Stream);
void SavePSImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress);

// ---- PDF ---------------------------------------------------------------------

struct TVQPDFRecord {
  TVQPDFRecord();
  ~TVQPDFRecord();
  TList Objects;   // object n at index n - 1; owns them
  TList Pages;     // page dictionaries
  TList Images;    // image streams
  TList Contents;  // content streams
  TVQPDFDictionaryObject* Resources = nullptr;
};

TVQPDFRecord* PDFBeginDocument();
void PDFAddImagePage(TVQPDFRecord* Record, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress);
// Writes the whole file and frees the record; nil does nothing.
void PDFEndDocument(TVQPDFRecord* Record, TStream& Stream, TIOParamsVals& Params);
void SavePDFImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress);

void InstallPsPdfFilters();
