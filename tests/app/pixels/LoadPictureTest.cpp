#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "tests/app/TempFolder.h"
#include "app/pixels/RotateImage.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JpegCodec.h"

namespace {

struct Bgr {
  Byte B, G, R;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};

Bgr PixelOf(const TBitmap& b, int x, int y) {
  const auto* p = static_cast<const Byte*>(b.ScanLine(y)) + x * 3;
  return Bgr{p[0], p[1], p[2]};
}

// A 24-bit picture with fixed, varied content.
std::unique_ptr<TBitmap> GradientPicture(int w, int h) {
  auto b = std::make_unique<TBitmap>(w, h, pf24bit);
  for (int y = 0; y < h; ++y) {
    auto* p = static_cast<Byte*>(b->ScanLine(y));
    for (int x = 0; x < w; ++x, p += 3) {
      p[0] = Byte(x * 7 + y);
      p[1] = Byte(y * 5 + 40);
      p[2] = Byte((x ^ y) * 3);
    }
  }
  return b;
}

std::string JpegBytes(const TBitmap& b, bool grey) {
  std::vector<std::uint8_t> v;
  if (grey) {
    std::vector<Byte> levels(std::size_t(b.Width()) * std::size_t(b.Height()));
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) levels[std::size_t(y * b.Width() + x)] = Byte(x * 9 + y * 4);
    v = EncodeJpegRows(levels.data(), b.Width(), b.Width(), b.Height(), true, TJpegEncodeOptions{95});
  } else {
    const auto* top = static_cast<const Byte*>(b.ScanLine(0));
    std::ptrdiff_t pitch = b.Height() > 1 ? static_cast<const Byte*>(b.ScanLine(1)) - top : 0;
    v = EncodeJpegRows(top, pitch, b.Width(), b.Height(), false, TJpegEncodeOptions{95});
  }
  return std::string(v.begin(), v.end());
}

// What the decoder makes of the bytes, widened to B,G,R.
std::vector<Bgr> Decoded(const std::string& jpeg) {
  TDibImage d = DecodeJpeg(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size());
  std::vector<Bgr> out;
  for (int y = 0; y < d.Height; ++y) {
    const Byte* row = d.Row(y);
    for (int x = 0; x < d.Width; ++x)
      out.push_back(d.BitCount == 8 ? Bgr{row[x], row[x], row[x]} : Bgr{row[3 * x], row[3 * x + 1], row[3 * x + 2]});
  }
  return out;
}

std::vector<Bgr> Pixels(const TBitmap& b) {
  std::vector<Bgr> out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) out.push_back(PixelOf(b, x, y));
  return out;
}

std::string BmpBytes(TBitmap& b) {
  TTempFolder t;
  b.SaveToFile(t / "x.bmp");
  return ReadAll(t / "x.bmp");
}

// A 2x2 24-bit icon whose top-left pixel is transparent.
std::string IconBytes() {
  std::string s;
  auto u16 = [&s](unsigned v) { s += char(v & 255), s += char(v >> 8); };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
  u16(0), u16(1), u16(1);                              // icon directory, one image
  s += char(2), s += char(2), s += char(0), s += char(0);  // 2 x 2, no palette
  u16(1), u16(24), u32(40 + 16 + 8), u32(22);
  u32(40), u32(2), u32(4), u16(1), u16(24), u32(0), u32(16), u32(0), u32(0), u32(0), u32(0);
  // Colour rows bottom-up, 8 bytes each: bottom row blue, green; top row
  // black (transparent pixels hold black), yellow.
  const unsigned char colour[16] = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0, 255, 255, 0, 0};
  s.append(reinterpret_cast<const char*>(colour), 16);
  // Mask rows bottom-up, 4 bytes each: only the top-left pixel transparent.
  const unsigned char mask[8] = {0, 0, 0, 0, 0x80, 0, 0, 0};
  s.append(reinterpret_cast<const char*>(mask), 8);
  return s;
}

TEST(LoadPicture, ReadsEachKindAsTwentyFourBits) {
  TTempFolder t;
  auto picture = GradientPicture(37, 21);
  const std::string bmp = BmpBytes(*picture);
  const std::string jpg = JpegBytes(*picture, false);
  const std::string grey = JpegBytes(*picture, true);

  // 256 colours: each index names a colour of the table.
  TBitmap paletted(19, 7, pf8bit);
  std::vector<RGBQUAD> table(256);
  for (int i = 0; i < 256; ++i) table[std::size_t(i)] = RGBQUAD{Byte(i), Byte(255 - i), Byte(i / 2), 0};
  paletted.SetColorTable(table);
  for (int y = 0; y < 7; ++y) {
    auto* p = static_cast<Byte*>(paletted.ScanLine(y));
    for (int x = 0; x < 19; ++x) p[x] = Byte(x * 13 + y * 31);
  }
  std::vector<Bgr> palettedLook;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 19; ++x) {
      const RGBQUAD& c = table[Byte(x * 13 + y * 31)];
      palettedLook.push_back(Bgr{c.rgbBlue, c.rgbGreen, c.rgbRed});
    }

  const std::vector<Bgr> iconLook = {{255, 255, 255}, {0, 255, 255}, {255, 0, 0}, {0, 255, 0}};
  struct Case {
    const char* name;
    std::string bytes;
    int w, h;
    std::vector<Bgr> look;
  } cases[] = {
      {"photo.bmp", bmp, 37, 21, Pixels(*picture)},
      {"photobmp", bmp, 37, 21, Pixels(*picture)},  // the dot is not checked
      {"PHOTO.Bmp", bmp, 37, 21, Pixels(*picture)},
      {"photo.jpg", jpg, 37, 21, Decoded(jpg)},
      {"photo.Jpg", jpg, 37, 21, Decoded(jpg)},
      {"grey.JPG", grey, 37, 21, Decoded(grey)},
      {"colours.bmp", BmpBytes(paletted), 19, 7, palettedLook},
      {"app.ico", IconBytes(), 2, 2, iconLook},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(t / c.name, c.bytes);
    auto loaded = LoadPicture(t / c.name);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->PixelFormat(), pf24bit);
    ASSERT_EQ(loaded->Width(), c.w);
    ASSERT_EQ(loaded->Height(), c.h);
    EXPECT_EQ(Pixels(*loaded), c.look);
  }
}

TEST(LoadPicture, GivesNoneForWhatItCannotRead) {
  TTempFolder t;
  auto picture = GradientPicture(16, 16);
  const std::string bmp = BmpBytes(*picture);
  const std::string jpg = JpegBytes(*picture, false);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"photo.jpeg", jpg},                                // only the last three letters count
      {"photo.png", bmp},                                 // not a kind it reads
      {"jpeg-inside.bmp", jpg},                           // the bitmap reader refuses it
      {"bitmap-inside.jpg", bmp},                         // the JPEG reader refuses it
      {"short.bmp", bmp.substr(0, bmp.size() / 2)},       // rows missing
      {"header.bmp", bmp.substr(0, 20)},                  // header cut
      {"header.jpg", jpg.substr(0, 40)},                  // cut before the first scan
      {"empty.jpg", ""},                                  // no bytes at all
      {"garbage.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + std::string(200, '\x5A')},
      {"mask-only.ico", IconBytes().substr(0, 30)},
      {"drawing.wmf", std::string(64, '\x01')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(t / c.name, c.bytes);
    EXPECT_EQ(LoadPicture(t / c.name), nullptr);
  }
  EXPECT_EQ(LoadPicture(t / "missing.bmp"), nullptr);
  EXPECT_EQ(LoadPicture(""), nullptr);
  EXPECT_EQ(LoadPicture("jp"), nullptr);
  ASSERT_TRUE(CreateDir(t / "folder.bmp"));
  EXPECT_EQ(LoadPicture(t / "folder.bmp"), nullptr);
}

// A JPEG cut inside its scan data decodes what is there, as the JPEG class
// does: the picture keeps its size.
TEST(LoadPicture, JpegCutInsideTheScanKeepsItsSize) {
  TTempFolder t;
  auto picture = GradientPicture(64, 48);
  const std::string jpg = JpegBytes(*picture, false);
  WriteAll(t / "cut.jpg", jpg.substr(0, jpg.size() * 2 / 3));
  auto loaded = LoadPicture(t / "cut.jpg");
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->Width(), 64);
  EXPECT_EQ(loaded->Height(), 48);
  // The top rows were in the file and decode as from the whole file.
  const std::vector<Bgr> whole = Decoded(jpg);
  for (int x = 0; x < 64; ++x) EXPECT_EQ(PixelOf(*loaded, x, 0), whole[std::size_t(x)]) << x;
}

// A JPEG that ends before its picture does says so; one that only lacks its
// end marker, or any other kind, does not.
TEST(LoadPicture, NotesAJpegThatEndsBeforeItsPicture) {
  TTempFolder t;
  auto picture = GradientPicture(96, 96);
  const std::string jpg = JpegBytes(*picture, false);
  std::vector<std::uint8_t> v;
  {
    const auto* top = static_cast<const Byte*>(picture->ScanLine(0));
    const std::ptrdiff_t pitch = static_cast<const Byte*>(picture->ScanLine(1)) - top;
    TJpegEncodeOptions progressive{95};
    progressive.Progressive = true;
    v = EncodeJpegRows(top, pitch, 96, 96, false, progressive);
  }
  const std::string progressive(v.begin(), v.end());
  struct TCase {
    const char* name;
    std::string bytes;
    bool truncated;
  } cases[] = {
      {"whole.jpg", jpg, false},
      {"noend.jpg", jpg.substr(0, jpg.size() - 2), false},
      {"half.jpg", jpg.substr(0, jpg.size() / 2), true},
      {"head.jpg", jpg.substr(0, jpg.size() * 2 / 5), true},
      {"progressive.jpg", progressive.substr(0, progressive.size() * 2 / 5), true},
      {"picture.bmp", BmpBytes(*picture), false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(t / c.name, c.bytes);
    TPictureLoadNotes notes;
    notes.Truncated = !c.truncated;
    auto loaded = LoadPicture(t / c.name, &notes);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Height(), 96);
    EXPECT_EQ(notes.Truncated, c.truncated);
  }
}

// Pictures beyond the pixel limit are refused from their headers, for each
// kind; at the limit they load.
TEST(LoadPicture, RefusesPicturesBeyondThePixelLimit) {
  TTempFolder t;
  auto picture = GradientPicture(40, 25);  // 1000 pixels
  WriteAll(t / "p.bmp", BmpBytes(*picture));
  WriteAll(t / "p.jpg", JpegBytes(*picture, false));
  WriteAll(t / "p.ico", IconBytes());  // 4 pixels
  struct Case {
    const char* name;
    std::uint64_t fits;
  } cases[] = {{"p.bmp", 1000}, {"p.jpg", 1000}, {"p.ico", 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NE(LoadPicture(t / c.name, c.fits), nullptr);
    EXPECT_EQ(LoadPicture(t / c.name, c.fits - 1), nullptr);
  }
  // A run-length file of a few bytes that claims 30000 x 30000 pixels.
  std::string rle = BmpBytes(*GradientPicture(1, 1)).substr(0, 54);
  auto put32 = [&rle](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) rle[at + std::size_t(i)] = char(v >> (8 * i));
  };
  rle[28] = 8, rle[29] = 0;  // 8 bits per pixel
  put32(18, 30000), put32(22, 30000), put32(30, 1);  // run-length coded
  rle += std::string(1024, '\0');                    // palette
  put32(10, std::uint32_t(rle.size()));
  rle += std::string("\0\1", 2);                      // end of picture
  put32(34, 2), put32(2, std::uint32_t(rle.size()));
  WriteAll(t / "huge.bmp", rle);
  EXPECT_EQ(LoadPicture(t / "huge.bmp", 1 << 20), nullptr);
}

}  // namespace
