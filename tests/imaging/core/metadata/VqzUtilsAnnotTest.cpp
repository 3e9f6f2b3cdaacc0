// Annotation blocks against hand-built bytes, both ways, hostile blocks, and
// the ICC profile holder.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/colour/pictoraproc_frames.h"
#include "imaging/core/metadata/vqzutils_annot.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace annottest {

using Bytes = std::vector<Byte>;

// Little-endian block builder.
struct Block {
  Bytes b;
  Block& U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(Byte(v >> (8 * i)));
    return *this;
  }
  Block& Raw(const Bytes& r) {
    b.insert(b.end(), r.begin(), r.end());
    return *this;
  }
  Block& Name(const char* n) {
    char padded[8] = {};
    std::memcpy(padded, n, std::strlen(n));
    b.insert(b.end(), padded, padded + 8);
    return *this;
  }
  Block& Text(const std::string& t) {
    b.insert(b.end(), t.begin(), t.end());
    b.push_back(0);
    return *this;
  }
  // A named block as the writer lays it out (32-bit integers).
  Block& Named(std::uint32_t type, const char* name, const Bytes& data) {
    return U32(type).U32(12).Name(name).U32(std::uint32_t(data.size())).Raw(data);
  }
  Block& TextBlock(std::uint32_t type, const char* name, const std::string& text) {
    Bytes d(text.begin(), text.end());
    d.push_back(0);
    return Named(type, name, d);
  }
  Block& Mark(std::int32_t type, std::int32_t fontHeight = 0, Byte fill = 0) {
    Bytes a(164, fill);
    for (int i = 0; i < 4; ++i) a[std::size_t(i)] = Byte(std::uint32_t(type) >> (8 * i));
    for (int i = 0; i < 4; ++i) a[48 + std::size_t(i)] = Byte(std::uint32_t(fontHeight) >> (8 * i));
    return U32(5).U32(164).Raw(a);
  }
};

Bytes Points(std::uint32_t first, std::uint32_t second, const std::vector<TPoint>& pts) {
  Block b;
  b.U32(first).U32(second);
  for (const TPoint& p : pts) b.U32(std::uint32_t(p.X)).U32(std::uint32_t(p.Y));
  return b.b;
}

// The 8-byte header of a block with 32-bit (flag 1) or 16-bit integers.
Block Head(std::uint32_t flag = 1) {
  Block b;
  b.U32(0).U32(flag);
  return b;
}

// "OiAnText" data: orientation, 1000, the creation scale, the text length.
Bytes TextData(std::uint32_t scale, std::uint32_t length, const Bytes& text) {
  return Block().U32(0).U32(1000).U32(scale).U32(length).Raw(text).b;
}

// The start every written block has.
Block Written() {
  Block b;
  b.U32(0).U32(1).TextBlock(2, "OiGroup", "0").TextBlock(2, "OiIndex", "1");
  return b;
}

Bytes Write(const TVQImagingAnnot& annot) {
  Byte* data = nullptr;
  Int64 length = -1;
  WriteImagingAnnotations(&annot, data, length);
  Bytes out(data, data + length);
  delete[] data;
  return out;
}

void Read(TVQImagingAnnot& annot, const Bytes& b) { ReadImagingAnnotations(&annot, b.data(), Int64(b.size())); }

TEST(ImagingAnnotations, TwoLineMarksReadAndWriteBackByteForByte) {
  const std::vector<TPoint> first = {{1, 2}, {300, -4}}, second = {{-7, 8}, {9, 10}, {11, 12}};
  Block block = Written();
  block.Mark(3, 0, 0xAB).Named(6, "OiAnoDat", Points(2, 2, first));
  block.TextBlock(6, "OiGroup", "0").TextBlock(6, "OiIndex", "0");
  block.Mark(4, 0, 0xCD).Named(6, "OiAnoDat", Points(3, 3, second));
  block.TextBlock(6, "OiGroup", "0").TextBlock(6, "OiIndex", "1");
  TVQImagingAnnot annot;
  Read(annot, block.b);
  ASSERT_EQ(annot.Count(), 2);
  EXPECT_EQ(annot.Items(0)->MarkType(), 3);
  EXPECT_EQ(annot.Items(0)->Attributes[100], 0xAB);
  EXPECT_EQ(annot.Items(0)->Points, first);
  EXPECT_EQ(annot.Items(1)->MarkType(), 4);
  EXPECT_EQ(annot.Items(1)->Points, second);
  EXPECT_EQ(Write(annot), block.b);
  TVQImagingAnnot again;
  Read(again, Write(annot));
  ASSERT_EQ(again.Count(), 2);
  EXPECT_EQ(again.Items(1)->Attributes, annot.Items(1)->Attributes);
  EXPECT_EQ(again.Items(1)->Points, second);
}

TEST(ImagingAnnotations, TextMarksAreWrittenWithTheCreationScaleOfTheScreen) {
  ASSERT_EQ(AnnotScreenResolutionY(), 96);
  TVQImagingAnnot annot;
  auto mark = std::make_unique<TVQImagingObject>();
  mark->SetMarkType(7);
  mark->SetFontHeight(12);
  mark->Text = "Hi";
  annot.Add(std::move(mark));
  Block expect = Written();
  expect.Mark(7, 12)
      .U32(6).U32(12).Name("OiAnText").U32(16 + 3).U32(0).U32(1000).U32(750).U32(2).Text("Hi")
      .TextBlock(6, "OiGroup", "0").TextBlock(6, "OiIndex", "0");
  EXPECT_EQ(Write(annot), expect.b);
}

TEST(ImagingAnnotations, TheFontHeightFollowsTheCreationScale) {
  struct Case {
    std::uint32_t scale;
    std::int32_t height, expect;
  };
  const Case cases[] = {
      {750, 12, -12},       // written at 96 dpi, read at 96: the sign flips
      {375, 12, -24},       // 72,000 / 375 / 96 = 2
      {1500, 13, -6},       // 6.5 rounds to the even 6
      {1500, 15, -8},       // 7.5 rounds to the even 8
      {0, 12, 12},          // no scale: the height is kept
      {0xFFFFFFFFu, 12, 0},  // read unsigned: a tiny factor
      {1, -2000000000, INT32_MAX},  // saturates instead of wrapping
  };
  for (const Case& c : cases) {
    Block b;
    b.U32(0).U32(1).Mark(8, c.height).Named(6, "OiAnText", Block().U32(0).U32(1000).U32(c.scale).U32(1).Text("x").b);
    TVQImagingAnnot annot;
    Read(annot, b.b);
    ASSERT_EQ(annot.Count(), 1) << c.scale;
    EXPECT_EQ(annot.Items(0)->Text, "x");
    EXPECT_EQ(annot.Items(0)->FontHeight(), c.expect) << c.scale << " " << c.height;
  }
}

TEST(ImagingAnnotations, ImageMarksEmbedAPackedBitmapAndReadItBack) {
  for (TVQPixelFormat format : {vqRGB24, vqBits1}) {
    TVQImagingAnnot annot;
    auto mark = std::make_unique<TVQImagingObject>();
    mark->SetMarkType(1);
    mark->Image = bitmaptest::NewBitmap(vqMemoryBuffer, 5, 3, format);
    bitmaptest::WritePattern(*mark->Image, 2);
    annot.Add(std::move(mark));
    const Bytes written = Write(annot);
    // The resolution record: 1, 1000, the resolutions twice, 0, 0, 24 zeros.
    Block record;
    record.U32(1).U32(1000).U32(96).U32(96).U32(96).U32(96).U32(0).U32(0).Raw(Bytes(24, 0));
    const Bytes head = Block(Written()).Mark(1).Named(6, "OiAnoDat", record.b).b;
    ASSERT_GT(written.size(), head.size());
    EXPECT_TRUE(std::equal(head.begin(), head.end(), written.begin()));
    TVQImagingAnnot back;
    Read(back, written);
    ASSERT_EQ(back.Count(), 1);
    TVQBitmap* image = back.Items(0)->Image.get();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetPixelFormat(), format);
    ASSERT_EQ(image->GetWidth(), 5);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(image->GetPixelRGB(x, y), annot.Items(0)->Image->GetPixelRGB(x, y)) << x << "," << y;
  }
}

TEST(ImagingAnnotations, MarksBelowType1AndEmptyListsGiveNothing) {
  Block b;
  b.U32(0).U32(1).Mark(0).Named(6, "OiAnoDat", Points(1, 1, {{1, 1}})).Mark(-3);
  TVQImagingAnnot annot;
  Read(annot, b.b);
  EXPECT_EQ(annot.Count(), 0);
  ReadImagingAnnotations(&annot, b.b.data(), 0);
  EXPECT_EQ(annot.Count(), 0);
  Byte* data = reinterpret_cast<Byte*>(1);
  Int64 length = 5;
  WriteImagingAnnotations(&annot, data, length);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(length, 0);
}

TEST(ImagingAnnotations, ReaderRulesForNamesFlagsAndBlocks) {
  struct Case {
    const char* name;
    Bytes block;
    std::vector<TPoint> points;  // of the one mark expected
    std::string text;
  };
  const std::vector<TPoint> two = {{1, 2}, {3, 4}}, one = {{5, 6}};
  const Case cases[] = {
      // 16-bit blocks carry 4 reserved bytes after the data size.
      {"flag 0", Head(0).Mark(3).U32(6).U32(12).Name("OiAnoDat").U32(24).U32(0xEEEEEEEE).Raw(Points(2, 2, two)).b,
       two, ""},
      // The second count is the one used.
      {"second count", Head().Mark(3).Named(6, "OiAnoDat", Points(9, 1, two)).b, {{1, 2}}, ""},
      // A later block of the same name replaces the earlier.
      {"replaced",
       Head().Mark(4).Named(6, "OiAnoDat", Points(2, 2, two)).Named(6, "OiAnoDat", Points(1, 1, one)).b, one, ""},
      // Default blocks belong to no mark.
      {"default block", Head().Mark(3).Named(2, "OiAnoDat", Points(2, 2, two)).b, {}, ""},
      // The text ends at its zero byte.
      {"text up to its terminator", Head().Mark(9).Named(6, "OiAnText", TextData(750, 2, {'a', 'b', 0, 'c'})).b, {},
       "ab"},
      // A text without a terminator ends with its block.
      {"text to the block's end", Head().Mark(10).Named(6, "OiAnText", TextData(750, 2, {'a', 'b'})).b, {}, "ab"},
      // Unknown blocks are skipped by their size, so their payload (here a
      // whole mark) is not read as blocks.
      {"unknown block skipped whole", Head().Mark(3).U32(77).U32(172).Mark(4).Named(6, "OiAnoDat", Points(1, 1, one)).b,
       one, ""},
      // A point count larger than the block takes the points it holds.
      {"point count past the block", Head().Mark(3).Named(6, "OiAnoDat", Points(1000000, 1000000, two)).b, two, ""},
      // Points outside a line mark's type are not taken.
      {"points on a text mark", Head().Mark(7).Named(6, "OiAnoDat", Points(1, 1, one)).b, {}, ""},
  };
  for (const Case& c : cases) {
    TVQImagingAnnot annot;
    Read(annot, c.block);
    ASSERT_EQ(annot.Count(), 1) << c.name;
    EXPECT_EQ(annot.Items(0)->Points, c.points) << c.name;
    EXPECT_EQ(annot.Items(0)->Text, c.text) << c.name;
  }
}

TEST(ImagingAnnotations, TruncatedAndLyingBlocksStopAtTheirEnd) {
  Block full = Written();
  full.Mark(3).Named(6, "OiAnoDat", Points(2, 2, {{1, 2}, {3, 4}})).Mark(7, 12);
  full.Named(6, "OiAnText", Block().U32(0).U32(1000).U32(750).U32(3).Text("abc").b);
  // Every prefix reads without reaching past it (a copy of exactly that
  // many bytes, so the sanitizer sees any overrun), and never finds more.
  for (std::size_t n = 0; n <= full.b.size(); ++n) {
    const Bytes prefix(full.b.begin(), full.b.begin() + std::ptrdiff_t(n));
    TVQImagingAnnot annot;
    ReadImagingAnnotations(&annot, prefix.empty() ? nullptr : prefix.data(), Int64(n));
    EXPECT_LE(annot.Count(), 2) << n;
  }
  // A data size past the end stops the reading; the mark before it stays.
  Block lying;
  lying.U32(0).U32(1).Mark(3).U32(6).U32(12).Name("OiAnoDat").U32(0xFFFFFFF0u).Raw(Points(1, 1, {{1, 1}}));
  TVQImagingAnnot annot;
  Read(annot, lying.b);
  ASSERT_EQ(annot.Count(), 1);
  EXPECT_TRUE(annot.Items(0)->Points.empty());
  // An embedded picture that does not fit its block: the mark without it.
  Bytes dib(40, 0);
  dib[0] = 40, dib[4] = 200, dib[8] = 200, dib[12] = 1, dib[14] = 24;
  TVQImagingAnnot image;
  Read(image, Block().U32(0).U32(1).Mark(1).Named(6, "OiDIB", dib).b);
  ASSERT_EQ(image.Count(), 1);
  EXPECT_EQ(image.Items(0)->Image, nullptr);
}

TEST(ImagingAnnot, AssignCopiesEveryPartAndItemsAreChecked) {
  TVQImagingAnnot source;
  auto mark = std::make_unique<TVQImagingObject>();
  mark->SetMarkType(1);
  mark->Points = {{1, 2}};
  mark->Text = "t";
  mark->Image = bitmaptest::NewBitmap(vqMemoryBuffer, 2, 2, vqRGB24);
  mark->Image->Fill(0x123456);
  source.Add(std::move(mark));
  TVQImagingAnnot copy;
  copy.Add(std::make_unique<TVQImagingObject>());
  copy.Add(std::make_unique<TVQImagingObject>());
  copy.Assign(&source);
  ASSERT_EQ(copy.Count(), 1);
  EXPECT_NE(copy.Items(0), source.Items(0));
  EXPECT_EQ(copy.Items(0)->Attributes, source.Items(0)->Attributes);
  EXPECT_EQ(copy.Items(0)->Points, source.Items(0)->Points);
  EXPECT_EQ(copy.Items(0)->Text, "t");
  ASSERT_NE(copy.Items(0)->Image, nullptr);
  EXPECT_NE(copy.Items(0)->Image.get(), source.Items(0)->Image.get());
  EXPECT_EQ(copy.Items(0)->Image->GetPixelRGB(1, 1), source.Items(0)->Image->GetPixelRGB(1, 1));
  EXPECT_THROW(copy.Items(1), EListError);
  EXPECT_THROW(copy.Items(-1), EListError);
  copy.Clear();
  EXPECT_EQ(copy.Count(), 0);
}

TEST(ICCProfile, LoadsCopiesClearsAndResets) {
  const Bytes profile = {1, 2, 3, 4, 5};
  TVQICC icc;
  icc.LoadFromBuffer(profile.data(), 5);
  ASSERT_EQ(icc.Length(), 5);
  EXPECT_NE(icc.Data(), profile.data());
  EXPECT_TRUE(std::equal(profile.begin(), profile.end(), icc.Data()));
  TVQICC other;
  other.Assign(&icc);
  EXPECT_EQ(Bytes(other.Data(), other.Data() + other.Length()), profile);
  // Assigning an empty holder leaves an empty holder.
  TVQICC empty;
  other.Transform = &other;
  other.TransformReady = true;
  other.Assign(&empty);
  EXPECT_TRUE(other.IsEmpty());
  EXPECT_EQ(other.Data(), nullptr);
  EXPECT_EQ(other.Length(), 0);
  EXPECT_EQ(other.Transform, nullptr);
  EXPECT_FALSE(other.TransformReady);
  icc.InputProfile = &icc;
  icc.Reset();
  EXPECT_TRUE(icc.IsEmpty());
  EXPECT_EQ(icc.InputProfile, nullptr);
  icc.LoadFromBuffer(profile.data(), 0);
  EXPECT_TRUE(icc.IsEmpty());
  icc.LoadFromBuffer(profile.data(), 3);
  icc.LoadFromBuffer(nullptr, 3);
  EXPECT_TRUE(icc.IsEmpty());
}

}  // namespace annottest
