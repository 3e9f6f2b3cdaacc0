#include "skin/engine/sppngimage.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/rtl/Streams.h"
#include "skin/engine/spzlibcompress.h"
#include "tests/skin/engine/StreamBytes.h"

namespace {

// One framed chunk: length, type, data and a CRC (its own unless given).
std::vector<std::uint8_t> Frame(const char* type, const std::vector<std::uint8_t>& data, bool badCrc = false) {
  std::vector<std::uint8_t> out;
  const std::uint32_t n = std::uint32_t(data.size());
  out = {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  std::uint32_t crc = PngCrc(0, out.data() + 4, data.size() + 4) ^ (badCrc ? 1u : 0u);
  for (int s = 24; s >= 0; s -= 8) out.push_back(std::uint8_t(crc >> s));
  return out;
}

bool LoadOne(const char* type, const std::vector<std::uint8_t>& framed, std::unique_ptr<TspPngLayer>& chunk) {
  TMemoryStream s;
  s.WriteBuffer(framed.data() + 8, std::int64_t(framed.size() - 8));
  s.Seek(0, soBeginning);
  chunk = CreatePngLayer(type, nullptr);
  return chunk->LoadFromStream(s, std::uint32_t(framed.size() - 12));
}

TEST(PngChunks, RegistryHoldsTheTenTypesInOrder) {
  EXPECT_EQ(RegisteredPngLayers(), (std::vector<std::string>{"IEND", "IHDR", "IDAT", "PLTE", "gAMA", "tRNS", "pHYs",
                                                             "tIME", "tEXt", "zTXt"}));
  EXPECT_EQ(CreatePngLayer("IHDR", nullptr)->ClassName(), "TspPngLayerIHDR");
  EXPECT_EQ(CreatePngLayer("zTXt", nullptr)->TypeName(), "zTXt");
  EXPECT_NE(dynamic_cast<TspPngLayertEXt*>(CreatePngLayer("zTXt", nullptr).get()), nullptr);
  auto unknown = CreatePngLayer("oFFs", nullptr);
  EXPECT_EQ(unknown->ClassName(), "TspPngLayer");
  EXPECT_EQ(unknown->TypeName(), "oFFs");
}

TEST(PngChunks, CrcOfTheEndChunk) {
  TMemoryStream s;
  TspPngLayerIEND end(nullptr);
  ASSERT_TRUE(end.SaveToStream(s));
  EXPECT_EQ(Contents(s), (std::vector<std::uint8_t>{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
}

TEST(PngChunks, StreamRoundTripKeepsEveryField) {
  std::vector<std::unique_ptr<TspPngLayer>> chunks;
  auto ihdr = std::make_unique<TspPngLayerIHDR>(nullptr);
  ihdr->Width = 640, ihdr->Height = 480, ihdr->ColorType = 3, ihdr->InterlaceMethod = 1;
  auto plte = std::make_unique<TspPngLayerPLTE>(nullptr);
  plte->Data = {255, 0, 0, 0, 255, 0};
  auto gama = std::make_unique<TspPngLayergAMA>(nullptr);
  EXPECT_EQ(gama->Gamma, 1u);
  gama->Gamma = 100000;
  auto trns = std::make_unique<TspPngLayertRNS>(nullptr);
  trns->Data = {255, 0};
  auto phys = std::make_unique<TspPngLayerpHYs>(nullptr);
  phys->PPUnitX = 2835, phys->PPUnitY = 3780, phys->Unit = 1;
  auto time = std::make_unique<TspPngLayertIME>(nullptr);
  time->Year = 2026, time->Month = 12, time->Day = 10, time->Hour = 20, time->Minute = 30, time->Second = 5;
  auto text = std::make_unique<TspPngLayertEXt>(nullptr);
  text->Keyword = "Title", text->Text = "Lumiqa";
  auto ztxt = std::make_unique<TspPngLayerzTXt>(nullptr);
  ztxt->Keyword = "Comment";  // empty text goes out as one space
  auto idat = std::make_unique<TspPngLayerIDAT>(nullptr);
  idat->Data = {1, 2, 3};
  chunks.push_back(std::move(ihdr));
  chunks.push_back(std::move(plte));
  chunks.push_back(std::move(gama));
  chunks.push_back(std::move(trns));
  chunks.push_back(std::move(phys));
  chunks.push_back(std::move(time));
  chunks.push_back(std::move(text));
  chunks.push_back(std::move(ztxt));
  chunks.push_back(std::move(idat));
  chunks.push_back(std::make_unique<TspPngLayerIEND>(nullptr));
  TMemoryStream s;
  ASSERT_TRUE(WritePngChunks(s, chunks));
  s.Seek(0, soBeginning);
  std::vector<std::unique_ptr<TspPngLayer>> back;
  ASSERT_TRUE(ReadPngChunks(s, back));
  ASSERT_EQ(back.size(), 10u);
  auto* h = dynamic_cast<TspPngLayerIHDR*>(back[0].get());
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->Width, 640u);
  EXPECT_EQ(h->Height, 480u);
  EXPECT_EQ(h->ColorType, 3);
  EXPECT_EQ(h->InterlaceMethod, 1);
  EXPECT_EQ(dynamic_cast<TspPngLayerPLTE*>(back[1].get())->Count(), 2);
  auto* g = dynamic_cast<TspPngLayergAMA*>(back[2].get());
  EXPECT_EQ(g->Gamma, 100000u);
  // Exponent 1 / 2.2: 64 -> 136, 128 -> 186, 200 -> 228; the inverse 2.2.
  EXPECT_EQ(g->GammaTable[64], 136);
  EXPECT_EQ(g->GammaTable[128], 186);
  EXPECT_EQ(g->GammaTable[200], 228);
  EXPECT_EQ(g->InverseTable[128], 56);
  EXPECT_EQ(dynamic_cast<TspPngLayertRNS*>(back[3].get())->SingleTransparentEntry(), 1);
  auto* p = dynamic_cast<TspPngLayerpHYs*>(back[4].get());
  EXPECT_EQ(p->PPUnitY, 3780u);
  EXPECT_EQ(p->Unit, 1);
  auto* t = dynamic_cast<TspPngLayertIME*>(back[5].get());
  EXPECT_EQ(t->Year, 2026);
  EXPECT_EQ(t->Second, 5);
  EXPECT_EQ(dynamic_cast<TspPngLayertEXt*>(back[6].get())->Text, "Lumiqa");
  auto* z = dynamic_cast<TspPngLayerzTXt*>(back[7].get());
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(z->Keyword, "Comment");
  EXPECT_EQ(z->Text, " ");
  EXPECT_EQ(back[8]->Data, (std::vector<std::uint8_t>{1, 2, 3}));
}

struct BadChunk {
  const char* type;
  std::vector<std::uint8_t> data;
  const char* why;
};

TEST(PngChunks, RefusesContentItsTypeDoesNotAllow) {
  const BadChunk cases[] = {
      {"IHDR", {0, 1, 0, 0, 0, 0, 0, 1, 8, 2, 0, 0, 0}, "width 65536"},
      {"IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 1, 0, 0}, "compression 1"},
      {"IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 2}, "interlace 2"},
      {"IHDR", {0, 0, 0, 1}, "short"},
      {"PLTE", {1, 2, 3, 4}, "not whole entries"},
      {"PLTE", std::vector<std::uint8_t>(257 * 3, 0), "257 entries"},
      {"tRNS", std::vector<std::uint8_t>(257, 0), "257 bytes"},
      {"tIME", {1, 2, 3}, "short time"},
      {"pHYs", {1}, "short pHYs"},
      {"tEXt", {'a', 'b'}, "no keyword end"},
      {"zTXt", {'k', 0, 1, 0}, "unknown method"},
      {"zTXt", {'k', 0, 0, 0x78, 0x9C, 0x07, 0x00}, "reserved block type"},
      {"IEND", {1}, "end with data"},
  };
  for (const BadChunk& c : cases) {
    std::unique_ptr<TspPngLayer> chunk;
    EXPECT_FALSE(LoadOne(c.type, Frame(c.type, c.data), chunk)) << c.why;
    EXPECT_TRUE(chunk->Data.empty()) << c.why;
  }
  std::unique_ptr<TspPngLayer> chunk;
  EXPECT_TRUE(LoadOne("IHDR", Frame("IHDR", {0, 0, 0xFF, 0xFF, 0, 0, 0, 1, 8, 2, 0, 0, 1}), chunk));
  EXPECT_FALSE(LoadOne("IHDR", Frame("IHDR", {0, 0, 0xFF, 0xFF, 0, 0, 0, 1, 8, 2, 0, 0, 1}, true), chunk));
}

TEST(PngChunks, LengthsBeyondTheStreamAndTextBombsAreRefused) {
  // A length of 0xFFFFFFFF in a tiny stream.
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0xFF, 0xFF, 0xFF, 0xFF,
                                   'I',  'D', 'A', 'T', 1,    2,    3,    4};
  TMemoryStream s;
  s.WriteBuffer(png.data(), std::int64_t(png.size()));
  s.Seek(0, soBeginning);
  std::vector<std::unique_ptr<TspPngLayer>> chunks;
  EXPECT_FALSE(ReadPngChunks(s, chunks));
  EXPECT_TRUE(chunks.empty());

  // 17 MB of text packed into a few kilobytes.
  TMemoryStream packed;
  {
    TCompressionStream deflate(TCompressionLevel::clMax, packed);
    const std::vector<char> zeros(1 << 20, 'a');
    for (int i = 0; i < 17; ++i) deflate.WriteBuffer(zeros.data(), std::int64_t(zeros.size()));
    deflate.Finish();
  }
  std::vector<std::uint8_t> data = {'k', 0, 0};
  std::vector<std::uint8_t> body = Contents(packed);
  data.insert(data.end(), body.begin(), body.end());
  std::unique_ptr<TspPngLayer> chunk;
  EXPECT_FALSE(LoadOne("zTXt", Frame("zTXt", data), chunk));
}

TEST(PngChunks, ReadingNeedsTheSignatureAndAnEnd) {
  std::vector<std::uint8_t> noSignature = Frame("IEND", {});
  TMemoryStream a;
  a.WriteBuffer(noSignature.data(), std::int64_t(noSignature.size()));
  a.Seek(0, soBeginning);
  std::vector<std::unique_ptr<TspPngLayer>> chunks;
  EXPECT_FALSE(ReadPngChunks(a, chunks));
  std::vector<std::uint8_t> noEnd = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const std::vector<std::uint8_t> text = Frame("tEXt", {'a', 0, 'b'});
  noEnd.insert(noEnd.end(), text.begin(), text.end());
  TMemoryStream b;
  b.WriteBuffer(noEnd.data(), std::int64_t(noEnd.size()));
  b.Seek(0, soBeginning);
  EXPECT_FALSE(ReadPngChunks(b, chunks));
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0]->TypeName(), "tEXt");
}

TEST(PngChunks, AssignCopiesOnlyTheSameClass) {
  TspPngLayertIME a(nullptr), b(nullptr);
  a.Year = 1999;
  EXPECT_TRUE(b.Assign(a));
  EXPECT_EQ(b.Year, 1999);
  TspPngLayertEXt text(nullptr);
  TspPngLayerzTXt ztext(nullptr);
  EXPECT_FALSE(text.Assign(ztext));
  EXPECT_FALSE(ztext.Assign(a));
}

TEST(PngPointerList, GetSetRemove) {
  int a = 0, b = 0, c = 0;
  TspPngPointerList l(&a);
  EXPECT_EQ(l.Owner, &a);
  l.Add(&a);
  l.Add(&b);
  l.Add(&a);
  l.Add(&c);
  EXPECT_EQ(l.Item(4), nullptr);
  EXPECT_EQ(l.Item(-1), nullptr);
  l.SetItem(9, &c);
  EXPECT_EQ(l.Count(), 4);
  l.Remove(&a);  // the last one
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Item(0), &a);
  EXPECT_EQ(l.Item(1), &b);
  EXPECT_EQ(l.Item(2), &c);
  l.SetItem(1, &c);
  EXPECT_EQ(l.Item(1), &c);
  l.SetSize(5);
  EXPECT_EQ(l.Count(), 5);
  EXPECT_EQ(l.Item(4), nullptr);
}

}  // namespace
