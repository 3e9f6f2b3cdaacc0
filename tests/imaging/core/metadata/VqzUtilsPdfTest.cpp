#include "imaging/core/metadata/vqzutils_pdf.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

std::string Written(TVQPDFObject& obj) {
  TStringStream s;
  obj.Write(&s);
  return s.DataString();
}

TEST(PdfObjects, WriteTheirSyntax) {
  TVQPDFRefObject ref(5, 0);
  EXPECT_EQ(Written(ref), "5 0 R");
  TVQPDFBooleanObject yes(true), no(false);
  EXPECT_EQ(Written(yes), "true");
  EXPECT_EQ(Written(no), "false");
  TVQPDFStringObject text("a(b)\\c\t\r\n\b\f!");
  EXPECT_EQ(Written(text), "(a\\(b\\)\\\\c\\t\\r\\n\\b\\f!)");
  TVQPDFArrayObject empty;
  EXPECT_EQ(Written(empty), "[]");
  TVQPDFDictionaryObject none;
  EXPECT_EQ(Written(none), "<< >>");
}

TEST(PdfObjects, NamesEscapeBlanksDelimitersAndHighBytes) {
  struct Case {
    const char* name;
    const char* written;
  } cases[] = {
      {"Image B", "/Image#20B"},
      {"DeviceRGB", "/DeviceRGB"},
      {"a#b/c(d)e<f>g[h]i{j}k%l", "/a#23b#2Fc#28d#29e#3Cf#3Eg#5Bh#5Di#7Bj#7Dk#25l"},
      {"\xE4\xB8\xAD", "/#E4#B8#AD"},
      {"~!", "/~!"},
  };
  for (const Case& c : cases) {
    TVQPDFNameObject name(c.name);
    EXPECT_EQ(Written(name), c.written);
  }
}

TEST(PdfObjects, NumbersAreFixedWithAPointAndAtMostFifteenDigits) {
  struct Case {
    double value;
    const char* written;
  } cases[] = {{0, "0"},          {-0.0, "0"},      {3, "3"},         {-12, "-12"},
               {1.5, "1.5"},      {0.1, "0.1"},     {1e-5, "0.00001"}, {595.28, "595.28"},
               {1e20, "100000000000000000000"}, {1.0 / 3, "0.333333333333333"},
               {123456789.123456789, "123456789.123457"}, {9.99999999999999999, "10"}};
  for (const Case& c : cases) EXPECT_EQ(PDFNumberText(c.value), c.written) << c.value;
  // A comma-decimal locale must not reach the file.
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    EXPECT_EQ(PDFNumberText(2.25), "2.25");
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(PDFNumberText(1.0 / 0.0), "0");
}

TEST(PdfObjects, ObjectsRecordWhereTheyWereWritten) {
  TStringStream s;
  s.WriteString("12345");
  TVQPDFBooleanObject b(true);
  b.Write(&s);
  EXPECT_EQ(b.Position, 5);
}

TEST(PdfObjects, AStreamWritesItsRealLengthWhateverLengthHeld) {
  const char data[] = "abc";
  TVQPDFStreamObject* stream = TVQPDFStreamObject::CreateCopy(data, 3);
  stream->Dictionary->Items.AddObject("Filter", new TVQPDFNameObject("RunLengthDecode"));
  EXPECT_EQ(Written(*stream), "<< /Length 3\n/Filter /RunLengthDecode\n>>\nstream\nabc\nendstream");
  // Written again after the data changed, the length follows it.
  stream->Length = 2;
  EXPECT_EQ(Written(*stream), "<< /Length 2\n/Filter /RunLengthDecode\n>>\nstream\nab\nendstream");
  delete stream;
  TVQPDFStreamObject empty;
  EXPECT_EQ(Written(empty), "<< /Length 0\n>>\nstream\n\nendstream");
}

TEST(PdfObjects, ContainersFreeWhatTheyOwnButNotWhatIsHeldElsewhere) {
  auto* shared = new TVQPDFNameObject("Shared");
  shared->HeldElsewhere = true;
  {
    TVQPDFArrayObject array;
    array.Items.Add(shared);
    array.Items.Add(new TVQPDFNumericObject(1));
    TVQPDFDictionaryObject dict;
    dict.Items.AddObject("S", shared);
    dict.Items.AddObject("N", new TVQPDFBooleanObject(false));
  }
  // Still alive (the sanitizer would flag a use after free here).
  EXPECT_EQ(Written(*shared), "/Shared");
  delete shared;
}

// A one-page document with an image: catalog, resources, image, contents,
// page, page tree and information dictionary.
TEST(PdfDocument, SevenObjectsMakeAnEightEntryTableThatPointsAtEachObject) {
  TList objects, pages;
  PDFAddCatalog(&objects);
  auto* resources = new TVQPDFDictionaryObject;
  PDFAddObject(&objects, resources);
  const char pixels[] = {1, 2, 3};
  auto* image = TVQPDFStreamObject::CreateCopy(pixels, 3);
  image->Dictionary->Items.InsertObject(0, "Type", new TVQPDFNameObject("XObject"));
  PDFAddObject(&objects, image);
  auto* contents = TVQPDFStreamObject::CreateCopy("q Q", 3);
  PDFAddObject(&objects, contents);
  auto* box = new TVQPDFArrayObject;
  for (double v : {0.0, 0.0, 612.0, 792.0}) box->Items.Add(new TVQPDFNumericObject(v));
  PDFAddPage(&objects, &pages, resources, contents->ObjectNumber, box);
  PDFAddPageTree(&objects, &pages);
  auto* info = new TVQPDFDictionaryObject;
  info->Items.AddObject("Producer", new TVQPDFStringObject("Lumiqa"));
  PDFAddObject(&objects, info);
  ASSERT_EQ(objects.Count(), 7);

  TStringStream s;
  PDFWriteHeader(&s);
  PDFWriteObjects(&s, &objects);
  const std::int64_t xref = s.Position();
  PDFWriteXRef(&s, &objects, info);
  const std::string pdf = s.DataString();

  EXPECT_EQ(pdf.substr(0, 15), std::string("%PDF-1.4\n%\xC8\xD2\xF0\xFE\n"));
  EXPECT_NE(pdf.find("5 0 obj\n<< /Type /Page\n/Resources 2 0 R\n/MediaBox [0 0 612 792 ]\n/Contents 4 0 R\n"
                     "/Parent 6 0 R\n>>\nendobj\n"),
            std::string::npos);
  EXPECT_NE(pdf.find("6 0 obj\n<< /Type /Pages\n/Kids [5 0 R ]\n/Count 1\n>>\nendobj\n"), std::string::npos);
  EXPECT_NE(pdf.find("1 0 obj\n<< /Type /Catalog\n/Pages 6 0 R\n>>\nendobj\n"), std::string::npos);
  const std::string tail = pdf.substr(static_cast<std::size_t>(xref));
  EXPECT_EQ(tail.substr(0, 29), "xref\n0 8\n0000000000 65535 f \n");
  EXPECT_NE(tail.find("trailer\n<< /Size 8\n/Root 1 0 R\n/Info 7 0 R\n>>\nstartxref\n" + std::to_string(xref) +
                      "\n%%EOF\n"),
            std::string::npos);
  // Each 20-byte entry points at its object's "n 0 obj" line.
  for (int n = 1; n <= 7; ++n) {
    const std::string entry = tail.substr(29 + 20 * static_cast<std::size_t>(n - 1), 20);
    ASSERT_EQ(entry.substr(10), " 00000 n \n");
    const std::size_t at = std::stoul(entry.substr(0, 10));
    EXPECT_EQ(pdf.compare(at, std::to_string(n).size() + 6, std::to_string(n) + " 0 obj"), 0) << n;
  }
  for (int i = 0; i < objects.Count(); ++i) delete static_cast<TVQPDFObject*>(objects.Items(i));
}

TEST(PdfDocument, APageTreeWithoutACatalogIsRefused) {
  TList objects, pages;
  EXPECT_THROW(PDFAddPageTree(&objects, &pages), EInvalidOperation);
}

}  // namespace

namespace {

TEST(PdfDocument, APositionBeyondTenDigitsIsRefusedNotTruncated) {
  TList objects;
  PDFAddCatalog(&objects);
  static_cast<TVQPDFObject*>(objects.Items(0))->Position = 10000000000LL;
  TStringStream s;
  EXPECT_THROW(PDFWriteXRef(&s, &objects, nullptr), EInvalidOperation);
  delete static_cast<TVQPDFObject*>(objects.Items(0));
}

}  // namespace
