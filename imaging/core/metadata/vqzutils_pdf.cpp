#include "imaging/core/metadata/vqzutils_pdf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

void Put(TStream* stream, const std::string& text) {
  stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void FreeOwned(TVQPDFObject* obj) {
  if (obj && !obj->HeldElsewhere) delete obj;
}

TVQPDFObject* At(TList* objects, int index) { return static_cast<TVQPDFObject*>(objects->Items(index)); }

}  // namespace

void TVQPDFObject::Mark(TStream* stream) { Position = stream->Position(); }

void TVQPDFRefObject::Write(TStream* stream) {
  Mark(stream);
  Put(stream, std::to_string(Number) + " " + std::to_string(Generation) + " R");
}

void TVQPDFBooleanObject::Write(TStream* stream) {
  Mark(stream);
  Put(stream, Value ? "true" : "false");
}

std::string PDFNumberText(double value) {
  // PDF has no infinities, no NaN and no exponents.
  if (!std::isfinite(value) || value == 0) return "0";
  const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
  const int decimals = std::clamp(14 - exponent, 0, 340);
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s = buf;
  // The C library follows the locale's decimal mark; PDF wants '.'.
  for (char& c : s)
    if (c == ',') c = '.';
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

void TVQPDFNumericObject::Write(TStream* stream) {
  Mark(stream);
  Put(stream, PDFNumberText(Value));
}

void TVQPDFStringObject::Write(TStream* stream) {
  Mark(stream);
  std::string out = "(";
  for (const char c : Text) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '(': case ')': case '\\': out += '\\'; out += c; break;
      default: out += c;
    }
  }
  out += ')';
  Put(stream, out);
}

void TVQPDFNameObject::Write(TStream* stream) {
  Mark(stream);
  std::string out = "/";
  // The delimiters and '#' are printable but end or escape a name, so they
  // are written in the #xx form like any byte outside '!'..'~'.
  static const char kDelimiters[] = "#/()<>[]{}%";
  for (const char ch : Name) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c >= 33 && c <= 126 && !std::strchr(kDelimiters, ch)) {
      out += ch;
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "#%02X", c);
      out += hex;
    }
  }
  Put(stream, out);
}

TVQPDFArrayObject::~TVQPDFArrayObject() {
  for (int i = 0; i < Items.Count(); ++i) FreeOwned(At(&Items, i));
}

void TVQPDFArrayObject::Write(TStream* stream) {
  Mark(stream);
  Put(stream, "[");
  for (int i = 0; i < Items.Count(); ++i) {
    At(&Items, i)->Write(stream);
    Put(stream, " ");
  }
  Put(stream, "]");
}

TVQPDFDictionaryObject::~TVQPDFDictionaryObject() {
  for (int i = 0; i < Items.Count(); ++i) FreeOwned(static_cast<TVQPDFObject*>(Items.Objects(i)));
}

void TVQPDFDictionaryObject::Write(TStream* stream) {
  Mark(stream);
  Put(stream, "<< ");
  for (int i = 0; i < Items.Count(); ++i) {
    Put(stream, std::string(1, '/').append(Items.Strings(i)).append(" "));
    static_cast<TVQPDFObject*>(Items.Objects(i))->Write(stream);
    Put(stream, "\n");
  }
  Put(stream, ">>");
}

TVQPDFStreamObject::TVQPDFStreamObject() : Dictionary(new TVQPDFDictionaryObject) {
  Dictionary->Items.AddObject("Length", new TVQPDFNumericObject(0));
}

TVQPDFStreamObject* TVQPDFStreamObject::CreateCopy(const void* data, std::int64_t length) {
  auto* obj = new TVQPDFStreamObject;
  if (length > 0) {
    obj->Data.reset(new unsigned char[static_cast<std::size_t>(length)]);
    std::memcpy(obj->Data.get(), data, static_cast<std::size_t>(length));
    obj->Length = length;
  }
  return obj;
}

TVQPDFStreamObject::~TVQPDFStreamObject() { delete Dictionary; }

void TVQPDFStreamObject::Write(TStream* stream) {
  Mark(stream);
  auto* length = new TVQPDFNumericObject(static_cast<double>(Length));
  const int at = Dictionary->Items.IndexOf("Length");
  if (at >= 0) {
    FreeOwned(static_cast<TVQPDFObject*>(Dictionary->Items.Objects(at)));
    Dictionary->Items.Delete(at);
    Dictionary->Items.InsertObject(at, "Length", length);
  } else {
    Dictionary->Items.InsertObject(0, "Length", length);
  }
  Dictionary->Write(stream);
  Put(stream, "\nstream\n");
  if (Length > 0) stream->WriteBuffer(Data.get(), Length);
  Put(stream, "\nendstream");
}

void PDFWriteHeader(TStream* stream) {
  static const char kHeader[] = "%PDF-1.4\n%\xC8\xD2\xF0\xFE\n";
  stream->WriteBuffer(kHeader, sizeof kHeader - 1);
}

void PDFAddObject(TList* objects, TVQPDFObject* obj) {
  objects->Add(obj);
  obj->ObjectNumber = objects->Count();
}

void PDFWriteObjects(TStream* stream, TList* objects) {
  for (int i = 0; i < objects->Count(); ++i) {
    TVQPDFObject* obj = At(objects, i);
    const std::int64_t start = stream->Position();
    Put(stream, std::to_string(obj->ObjectNumber) + " 0 obj\n");
    obj->Write(stream);
    Put(stream, "\nendobj\n");
    obj->Position = start;
  }
}

void PDFWriteXRef(TStream* stream, TList* objects, TVQPDFDictionaryObject* info) {
  const std::int64_t start = stream->Position();
  const int count = objects->Count();
  std::string text = "xref\n0 " + std::to_string(count + 1) + "\n0000000000 65535 f \n";
  for (int i = 0; i < count; ++i) {
    const std::int64_t pos = At(objects, i)->Position;
    if (pos < 0 || pos > 9999999999LL) throw EInvalidOperation("PDF object position beyond the cross-reference table");
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010lld 00000 n \n", static_cast<long long>(pos));
    text += entry;
  }
  text += "trailer\n<< /Size " + std::to_string(count + 1) + "\n/Root 1 0 R\n/Info " +
          std::to_string(info ? info->ObjectNumber : 0) + " 0 R\n>>\nstartxref\n" + std::to_string(start) +
          "\n%%EOF\n";
  Put(stream, text);
}

void PDFAddCatalog(TList* objects) {
  auto* catalog = new TVQPDFDictionaryObject;
  catalog->Items.AddObject("Type", new TVQPDFNameObject("Catalog"));
  PDFAddObject(objects, catalog);
}

void PDFAddPageTree(TList* objects, TList* pages) {
  if (objects->Count() == 0) throw EInvalidOperation("PDF page tree without a catalog");
  auto* tree = new TVQPDFDictionaryObject;
  PDFAddObject(objects, tree);
  tree->Items.AddObject("Type", new TVQPDFNameObject("Pages"));
  auto* kids = new TVQPDFArrayObject;
  for (int i = 0; i < pages->Count(); ++i) {
    auto* page = static_cast<TVQPDFDictionaryObject*>(pages->Items(i));
    kids->Items.Add(new TVQPDFRefObject(page->ObjectNumber, 0));
    page->Items.AddObject("Parent", new TVQPDFRefObject(tree->ObjectNumber, 0));
  }
  tree->Items.AddObject("Kids", kids);
  tree->Items.AddObject("Count", new TVQPDFNumericObject(pages->Count()));
  auto* catalog = static_cast<TVQPDFDictionaryObject*>(At(objects, 0));
  catalog->Items.AddObject("Pages", new TVQPDFRefObject(tree->ObjectNumber, 0));
}

void PDFAddPage(TList* objects, TList* pages, TVQPDFDictionaryObject* resources, std::int32_t contentsNumber,
                TVQPDFArrayObject* mediaBox) {
  auto* page = new TVQPDFDictionaryObject;
  page->Items.AddObject("Type", new TVQPDFNameObject("Page"));
  if (resources) page->Items.AddObject("Resources", new TVQPDFRefObject(resources->ObjectNumber, 0));
  page->Items.AddObject("MediaBox", mediaBox);
  page->Items.AddObject("Contents", new TVQPDFRefObject(contentsNumber, 0));
  PDFAddObject(objects, page);
  pages->Add(page);
}
