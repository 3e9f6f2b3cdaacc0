// The PDF object model the PDF writer builds a document from: one class per
// object kind, each writing its own syntax, and the routines that number the
// objects and write the header, the body, the cross-reference table and the
// trailer. Nothing here reads PDF. Line ends are a single line feed.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/List.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"

class TStream;

class TVQPDFObject : public TObject {
 public:
  std::string ClassName() const override { return "TVQPDFObject"; }
  // Stores the stream position in Position, then writes the object.
  virtual void Write(TStream* stream) = 0;

  std::int32_t ObjectNumber = 0;  // given by PDFAddObject; 0 before
  // Where the object was last written; for an indirect object, where its
  // "n 0 obj" line starts. 64-bit: a document may pass 2 GiB.
  std::int64_t Position = 0;
  // When true, an array or dictionary holding the object does not free it.
  bool HeldElsewhere = false;

 protected:
  void Mark(TStream* stream);
};

class TVQPDFRefObject : public TVQPDFObject {
 public:
  TVQPDFRefObject(std::int32_t number, std::int32_t generation) : Number(number), Generation(generation) {}
  std::string ClassName() const override { return "TVQPDFRefObject"; }
  void Write(TStream* stream) override;
  std::int32_t Number, Generation;
};

class TVQPDFBooleanObject : public TVQPDFObject {
 public:
  explicit TVQPDFBooleanObject(bool value) : Value(value) {}
  std::string ClassName() const override { return "TVQPDFBooleanObject"; }
  void Write(TStream* stream) override;
  bool Value;
};

class TVQPDFNumericObject : public TVQPDFObject {
 public:
  explicit TVQPDFNumericObject(double value) : Value(value) {}
  std::string ClassName() const override { return "TVQPDFNumericObject"; }
  void Write(TStream* stream) override;
  double Value;
};

class TVQPDFStringObject : public TVQPDFObject {
 public:
  explicit TVQPDFStringObject(std::string text) : Text(std::move(text)) {}
  std::string ClassName() const override { return "TVQPDFStringObject"; }
  void Write(TStream* stream) override;
  std::string Text;
};

class TVQPDFNameObject : public TVQPDFObject {
 public:
  explicit TVQPDFNameObject(std::string name) : Name(std::move(name)) {}
  std::string ClassName() const override { return "TVQPDFNameObject"; }
  void Write(TStream* stream) override;
  std::string Name;
};

// Owns its elements, unless they are held elsewhere.
class TVQPDFArrayObject : public TVQPDFObject {
 public:
  TVQPDFArrayObject() = default;
  ~TVQPDFArrayObject() override;
  std::string ClassName() const override { return "TVQPDFArrayObject"; }
  void Write(TStream* stream) override;
  TList Items;  // of TVQPDFObject*
};

// Keys in insertion order, each with its value; owns the values unless they
// are held elsewhere.
class TVQPDFDictionaryObject : public TVQPDFObject {
 public:
  TVQPDFDictionaryObject() = default;
  ~TVQPDFDictionaryObject() override;
  std::string ClassName() const override { return "TVQPDFDictionaryObject"; }
  void Write(TStream* stream) override;
  TStringList Items;  // key -> TVQPDFObject*
};

// A stream's data (owned) and its dictionary (owned), whose first entry is
// "Length"; Write puts the data's real length there first.
class TVQPDFStreamObject : public TVQPDFObject {
 public:
  TVQPDFStreamObject();
  // The same, with a copy of length bytes of data.
  static TVQPDFStreamObject* CreateCopy(const void* data, std::int64_t length);
  ~TVQPDFStreamObject() override;
  std::string ClassName() const override { return "TVQPDFStreamObject"; }
  void Write(TStream* stream) override;

  std::unique_ptr<unsigned char[]> Data;
  std::int64_t Length = 0;
  TVQPDFDictionaryObject* Dictionary;
};

// "%PDF-1.4" and a comment line of four bytes above 127, which tells
// transfer programs the file is binary.
void PDFWriteHeader(TStream* stream);
// Appends obj; its object number becomes the new count of the list.
void PDFAddObject(TList* objects, TVQPDFObject* obj);
// Each object as "n 0 obj" ... "endobj", remembering where it starts.
void PDFWriteObjects(TStream* stream, TList* objects);
// The cross-reference table and the trailer naming object 1 as the root and
// info as the document information. Raises EInvalidOperation for a position
// that does not fit the table's ten digits.
void PDFWriteXRef(TStream* stream, TList* objects, TVQPDFDictionaryObject* info);
// The catalog: added first, it is object 1.
void PDFAddCatalog(TList* objects);
// The page tree over the pages, linked from the catalog (object 1).
void PDFAddPageTree(TList* objects, TList* pages);
// A page of the given resources (or none), contents object and media box.
void PDFAddPage(TList* objects, TList* pages, TVQPDFDictionaryObject* resources, std::int32_t contentsNumber,
                TVQPDFArrayObject* mediaBox);
// The text a number is written as: '.' decimal, no exponent, at most 15
// significant digits, integral values without a decimal point.
std::string PDFNumberText(double value);
