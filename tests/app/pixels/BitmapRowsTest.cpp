#include "app/pixels/BitmapRows.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/pixels/Level.h"
#include "app/pixels/PhotoAdjust.h"
#include "app/pixels/RemoveHighLight.h"
#include "app/pixels/RotateImage.h"
#include "app/pixels/uSmooth.h"
#include "app/pixels/uStain.h"
#include "platform/gdi/DeviceContext.h"  // complete handle types for GetDIBits
#include "platform/gdi/Gdi.h"
#include "tests/app/pixels/RowImageTestSupport.h"

namespace {

unsigned Hash(int x, int y, unsigned salt) {
  unsigned h = unsigned(x) * 73856093u ^ unsigned(y) * 19349663u ^ salt * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return h ^ (h >> 15);
}

// Skin with a little grain and a bright spot in the middle, or plain noise.
BGR Content(int x, int y, int w, int h, bool skin) {
  unsigned n = Hash(x, y, 7);
  if (!skin)
    return BGR{Byte(n), Byte(n >> 8), Byte(n >> 16)};
  int grain = int(n % 7) - 3;
  if (std::abs(x - w / 2) <= 1 && std::abs(y - h / 2) <= 1)
    return BGR{Byte(225 + grain), Byte(235 + grain), Byte(250 + grain / 2)};
  return BGR{Byte(120 + grain), Byte(140 + grain), Byte(200 + grain)};
}

// A bitmap written through ScanLine in its own format, and the colours that
// format holds as a top-down picture: what the routines must see once the
// bitmap is at 24 bits.
struct Source {
  std::unique_ptr<TBitmap> Bitmap;
  RowImageBuffer Colours;
};

Source MakeSource(int w, int h, TPixelFormat format, bool skin) {
  Source s{std::make_unique<TBitmap>(w, h, format), RowImageBuffer(w, h)};
  const std::vector<RGBQUAD> table = s.Bitmap->ColorTable();
  for (int y = 0; y < h; ++y) {
    Byte* row = static_cast<Byte*>(s.Bitmap->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      BGR c = Content(x, y, w, h, skin);
      if (format == pf8bit) {
        row[x] = Byte(Hash(x, y, 3) % table.size());
        const RGBQUAD& q = table[row[x]];
        c = BGR{q.rgbBlue, q.rgbGreen, q.rgbRed};
      } else if (format == pf32bit) {
        Byte* p = row + x * 4;
        p[0] = c.B, p[1] = c.G, p[2] = c.R, p[3] = Byte(Hash(x, y, 5));  // the fourth byte is not a colour
      } else {
        Byte* p = row + x * 3;
        p[0] = c.B, p[1] = c.G, p[2] = c.R;
      }
      Put(s.Colours, x, y, c);
    }
  }
  return s;
}

// The bitmap is 24 bits and holds exactly the picture's pixels.
testing::AssertionResult SamePixels(TBitmap& bitmap, const RowImage& want) {
  if (bitmap.PixelFormat() != pf24bit)
    return testing::AssertionFailure() << "pixel format " << int(bitmap.PixelFormat());
  if (bitmap.Width() != want.Width || bitmap.Height() != want.Height)
    return testing::AssertionFailure() << "size " << bitmap.Width() << "x" << bitmap.Height() << ", want "
                                       << want.Width << "x" << want.Height;
  for (int y = 0; y < want.Height; ++y) {
    const Byte* row = static_cast<const Byte*>(bitmap.ScanLine(y));
    for (int x = 0; x < want.Width; ++x) {
      BGR got{row[x * 3], row[x * 3 + 1], row[x * 3 + 2]}, w = At(want, x, y);
      if (!(got == w))
        return testing::AssertionFailure() << "pixel " << x << "," << y << ": " << int(got.B) << "/" << int(got.G)
                                           << "/" << int(got.R) << ", want " << int(w.B) << "/" << int(w.G) << "/"
                                           << int(w.R);
    }
  }
  return testing::AssertionSuccess();
}

// A routine through its bitmap entry point and through its core on rows.
// Each gives the new picture, or none when the routine works in place.
struct Routine {
  std::string Name;
  std::function<std::unique_ptr<TBitmap>(TBitmap*)> OnBitmap;
  std::function<std::optional<RowImageBuffer>(const RowImage&)> OnRows;
};

TBitmap* Arg(const std::unique_ptr<TBitmap>& b) { return b.get(); }
RowImage Arg(const RowImageBuffer& b) { return b; }

// `f(picture, width, height)` is written once and called with a TBitmap* and with a RowImage.
template <typename F>
Routine Making(std::string name, F f) {
  return {name, [f](TBitmap* b) { return f(b, b ? b->Width() : 0, b ? b->Height() : 0); },
          [f](const RowImage& r) -> std::optional<RowImageBuffer> { return f(r, r.Width, r.Height); }};
}
template <typename F>
Routine InPlace(std::string name, F f) {
  return {name,
          [f](TBitmap* b) {
            f(b, b ? b->Width() : 0, b ? b->Height() : 0);
            return std::unique_ptr<TBitmap>();
          },
          [f](const RowImage& r) -> std::optional<RowImageBuffer> {
            f(r, r.Width, r.Height);
            return std::nullopt;
          }};
}

std::vector<Routine> Routines() {
  return {
      Making("EnlargeBicubic", [](auto p, int w, int h) { return EnlargeBicubic(p, 2 * w + 1, h + 3); }),
      Making("ReduceAverage", [](auto p, int w, int h) { return ReduceAverage(p, (w + 1) / 2, (h + 2) / 3); }),
      Making("ResizePicture", [](auto p, int w, int h) { return ResizePicture(p, w + 3, std::max(h - 1, 1)); }),
      Making("RotateAnyAngle 30", [](auto p, int, int) { return RotateAnyAngle(p, 30); }),
      Making("RotateAnyAngle -135.5", [](auto p, int, int) { return RotateAnyAngle(p, -135.5); }),
      Making("Rotate90", [](auto p, int, int) { return Rotate90(p); }),
      Making("Rotate180", [](auto p, int, int) { return Rotate180(p); }),
      Making("Rotate270", [](auto p, int, int) { return Rotate270(p); }),
      Making("SmoothPicture", [](auto p, int, int) { return SmoothPicture(p, 3); }),
      Making("BlendByDifference",
             [](auto p, int, int) {
               auto smoothed = SmoothPicture(p, 2);
               return BlendByDifference(p, Arg(smoothed), 0, {}, 50, 40);
             }),
      Routine{"ApplyHighlightRemoval",
              [](TBitmap* b) {
                PrepareHighlightMask(b);
                return ApplyHighlightRemoval(b, 60);
              },
              [](const RowImage& r) -> std::optional<RowImageBuffer> {
                return ApplyHighlightRemoval(PrepareHighlightMask(r), 60);
              }},
      InPlace("ChannelCurveAdjust", [](auto p, int, int) { ChannelCurveAdjust(p, {180, 130, 110}, {190, 150, 60}); }),
      InPlace("AutoLevels", [](auto p, int, int) { AutoLevels(p); }),
      InPlace("ErasePatch", [](auto p, int w, int h) { ErasePatch(p, TPoint{w / 2, h / 2}, 2, 1.0); }),
      InPlace("ErasePatch at half zoom", [](auto p, int w, int h) { ErasePatch(p, TPoint{w, h - 1}, 3, 0.5); }),
  };
}

struct Size {
  int W, H;
};
const Size kSizes[] = {{1, 1}, {1, 6}, {6, 1}, {2, 2}, {5, 3}, {17, 11}};

TEST(BitmapRows, ViewsTheBitmapsOwnBottomUpRows) {
  for (Size s : kSizes) {
    SCOPED_TRACE(std::to_string(s.W) + "x" + std::to_string(s.H));
    TBitmap bitmap(s.W, s.H, pf24bit);
    RowImage rows = BitmapRows(&bitmap);
    ASSERT_EQ(rows.Width, s.W);
    ASSERT_EQ(rows.Height, s.H);
    EXPECT_EQ(rows.Stride, -std::ptrdiff_t(bitmap.RowBytes()));
    for (int y = 0; y < s.H; ++y)
      EXPECT_EQ(rows.Row(y), bitmap.ScanLine(y)) << "row " << y;
  }
}

TEST(BitmapRows, ConvertsTo24BitsInPlaceFirst) {
  for (TPixelFormat format : {pf32bit, pf8bit, pfDevice}) {
    SCOPED_TRACE(int(format));
    Source s = MakeSource(5, 3, format == pfDevice ? pf32bit : format, false);
    if (format == pfDevice)
      s.Bitmap->SetPixelFormat(pfDevice);
    RowImage rows = BitmapRows(s.Bitmap.get());
    EXPECT_EQ(s.Bitmap->PixelFormat(), pf24bit);
    EXPECT_EQ(rows.Row(0), s.Bitmap->ScanLine(0));
    EXPECT_TRUE(SamePixels(*s.Bitmap, s.Colours));
  }
}

TEST(BitmapRows, EmptyBitmapGivesAnEmptyViewAndNullIsRefused) {
  TBitmap empty;
  EXPECT_TRUE(BitmapRows(&empty).Empty());
  EXPECT_EQ(empty.PixelFormat(), pf24bit);
  EXPECT_THROW(BitmapRows(nullptr), EInvalidGraphicOperation);
}

TEST(BitmapFromRows, CopiesTopDownAndBottomUpRowsIntoANew24BitBitmap) {
  for (Size s : kSizes) {
    SCOPED_TRACE(std::to_string(s.W) + "x" + std::to_string(s.H));
    RowImageBuffer topDown(s.W, s.H);
    for (int y = 0; y < s.H; ++y)
      for (int x = 0; x < s.W; ++x)
        Put(topDown, x, y, Content(x, y, s.W, s.H, false));
    std::unique_ptr<TBitmap> copy = BitmapFromRows(topDown);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(SamePixels(*copy, topDown));
    // And back from the bitmap's own bottom-up rows.
    std::unique_ptr<TBitmap> again = BitmapFromRows(BitmapRows(copy.get()));
    EXPECT_NE(again->ScanLine(0), copy->ScanLine(0));
    EXPECT_TRUE(SamePixels(*again, topDown));
  }
  EXPECT_THROW(BitmapFromRows(RowImage{}), EInvalidGraphicOperation);
}

TEST(BitmapEntryPoints, GiveTheCoresPixelsForEverySourceFormatAndSize) {
  const std::vector<Routine> routines = Routines();
  for (TPixelFormat format : {pf24bit, pf32bit, pf8bit})
    for (Size s : kSizes)
      for (bool skin : {false, true})
        for (const Routine& routine : routines) {
          SCOPED_TRACE(routine.Name + " on " + std::to_string(s.W) + "x" + std::to_string(s.H) + " format " +
                       std::to_string(int(format)) + (skin ? " skin" : " noise"));
          Source source = MakeSource(s.W, s.H, format, skin);
          RowImageBuffer rows = RowImageBuffer::CopyOf(source.Colours);
          std::optional<RowImageBuffer> expected = routine.OnRows(rows);
          std::unique_ptr<TBitmap> made = routine.OnBitmap(source.Bitmap.get());
          if (expected) {
            ASSERT_TRUE(made);
            EXPECT_TRUE(SamePixels(*made, *expected));
            // The source is alive, at 24 bits, with its colours as they were.
            EXPECT_TRUE(SamePixels(*source.Bitmap, source.Colours));
          } else {
            EXPECT_FALSE(made);
            EXPECT_TRUE(SamePixels(*source.Bitmap, rows));
          }
        }
}

TEST(BitmapEntryPoints, RefuseNullAndHandleEmptyBitmapsAsTheCoresDo) {
  for (const Routine& routine : Routines()) {
    SCOPED_TRACE(routine.Name);
    EXPECT_THROW(routine.OnBitmap(nullptr), EInvalidGraphicOperation);
    TBitmap empty;
    bool coreThrows = false;
    try {
      routine.OnRows(RowImage{});
    } catch (const EInvalidGraphicOperation&) {
      coreThrows = true;
    }
    if (coreThrows) {
      EXPECT_THROW(routine.OnBitmap(&empty), EInvalidGraphicOperation);
    } else {
      EXPECT_FALSE(routine.OnBitmap(&empty));
      EXPECT_TRUE(empty.Empty());
    }
  }
}

// The turns read the rows converted to 24 bits; the pixels must be those a
// 32-bit GetDIBits of the source gives, for every format a bitmap can have.
TEST(BitmapEntryPoints, ExactTurnsGiveTheColoursOfThe32BitDibCall) {
  struct Turn {
    const char* Name;
    std::unique_ptr<TBitmap> (*Run)(TBitmap*);
    bool Swaps;
    // The source pixel of result pixel (x, y).
    std::pair<int, int> (*From)(int x, int y, int W, int H);
  };
  const Turn turns[] = {
      {"Rotate90", &Rotate90, true, [](int x, int y, int, int H) { return std::pair{y, H - 1 - x}; }},
      {"Rotate180", &Rotate180, false, [](int x, int y, int W, int H) { return std::pair{W - 1 - x, H - 1 - y}; }},
      {"Rotate270", &Rotate270, true, [](int x, int y, int W, int) { return std::pair{W - 1 - y, x}; }},
  };
  const int W = 7, H = 5;
  for (TPixelFormat format : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit})
    for (const Turn& turn : turns) {
      SCOPED_TRACE(std::string(turn.Name) + " format " + std::to_string(int(format)));
      TBitmap source(W, H, format);
      for (int y = 0; y < H; ++y) {
        Byte* row = static_cast<Byte*>(source.ScanLine(y));
        for (int i = 0; i < source.RowBytes(); ++i)
          row[i] = Byte(Hash(i, y, 11));
      }
      BITMAPINFO bi;
      bi.bmiHeader.biWidth = W;
      bi.bmiHeader.biHeight = H;
      bi.bmiHeader.biBitCount = 32;
      std::vector<Byte> dib(std::size_t(W) * H * 4);
      HDC dc = CreateCompatibleDC(nullptr);
      ASSERT_EQ(GetDIBits(dc, source.Handle(), 0, UINT(H), dib.data(), &bi, DIB_RGB_COLORS), H);
      DeleteDC(dc);
      std::unique_ptr<TBitmap> turned = turn.Run(&source);
      const int RW = turn.Swaps ? H : W, RH = turn.Swaps ? W : H;
      RowImageBuffer want(RW, RH);
      for (int y = 0; y < RH; ++y)
        for (int x = 0; x < RW; ++x) {
          auto [sx, sy] = turn.From(x, y, W, H);
          const Byte* p = &dib[(std::size_t(H - 1 - sy) * W + std::size_t(sx)) * 4];  // bottom-up rows
          Put(want, x, y, BGR{p[0], p[1], p[2]});
        }
      EXPECT_TRUE(SamePixels(*turned, want));
    }
}

TEST(HighlightEntryPoints, KeepTheMaskOfThePreparedPatch) {
  Source patch = MakeSource(17, 11, pf32bit, true);
  const HighlightMask& kept = PrepareHighlightMask(patch.Bitmap.get());
  EXPECT_EQ(&kept, &CurrentHighlightMask());
  const HighlightMask core = PrepareHighlightMask(patch.Colours);
  ASSERT_EQ(kept.Highlight, core.Highlight);
  ASSERT_EQ(kept.Pixels, core.Pixels);
  int highlights = 0;
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 17; ++x) {
      highlights += core.Highlight[std::size_t(y) * 17 + std::size_t(x)];
      EXPECT_EQ(SampleSurroundings(y, x), SampleSurroundings(core, y, x)) << x << "," << y;
    }
  EXPECT_GT(highlights, 0);  // the fixture must reach the re-colouring

  // A patch of another size is not the one the mask was made from.
  TBitmap other(17, 10, pf24bit);
  EXPECT_THROW(ApplyHighlightRemoval(&other, 50), EInvalidGraphicOperation);
}

TEST(HighlightEntryPoints, RemovalStartsFromTheCurrentPatch) {
  Source patch = MakeSource(17, 11, pf24bit, true);
  PrepareHighlightMask(patch.Bitmap.get());
  const HighlightMask& mask = CurrentHighlightMask();
  RowImageBuffer want = ApplyHighlightRemoval(mask, 40);
  // Drawn on since the mask was made: a highlight pixel and one that is not.
  // Only the second shows; the first is re-coloured from the mask's copy.
  for (bool highlight : {true, false}) {
    std::size_t i = 0;
    while (i < mask.Highlight.size() && bool(mask.Highlight[i]) != highlight)
      ++i;
    ASSERT_LT(i, mask.Highlight.size());
    const int x = int(i % 17), y = int(i / 17);
    static_cast<Byte*>(patch.Bitmap->ScanLine(y))[x * 3 + 1] = 3;
    if (!highlight)
      want.Row(y)[x * 3 + 1] = 3;
  }
  std::unique_ptr<TBitmap> result = ApplyHighlightRemoval(patch.Bitmap.get(), 40);
  EXPECT_TRUE(SamePixels(*result, want));
}

TEST(ErasePatchOnBitmap, TellsWhetherItFilledAsTheCoreDoes) {
  const struct {
    TPoint Position;
    int Radius;
    double Zoom;
    bool Fills;
  } cases[] = {
      {{4, 3}, 2, 1.0, true},
      {{0, 0}, 3, 1.0, true},
      {{4, 3}, 3, 0.5, true},     // radius 6 about the corner (8, 6)
      {{40, 40}, 2, 1.0, false},  // its ring lies off the picture
      {{4, 3}, 0, 1.0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Position.X) + "," + std::to_string(c.Position.Y) + " r " + std::to_string(c.Radius));
    Source image = MakeSource(9, 7, pf32bit, false);
    RowImageBuffer rows = RowImageBuffer::CopyOf(image.Colours);
    EXPECT_EQ(ErasePatch(rows, c.Position, c.Radius, c.Zoom), c.Fills);
    EXPECT_EQ(ErasePatch(image.Bitmap.get(), c.Position, c.Radius, c.Zoom), c.Fills);
    EXPECT_TRUE(SamePixels(*image.Bitmap, rows));
  }
}

TEST(SmoothingEntryPoints, PassProgressOnForEveryRow) {
  Source source = MakeSource(6, 4, pf24bit, false);
  std::vector<std::pair<int, int>> heard;
  RowProgress progress = [&](int done, int total) { heard.emplace_back(done, total); };
  const std::vector<std::pair<int, int>> everyRow = {{1, 4}, {2, 4}, {3, 4}, {4, 4}};
  std::unique_ptr<TBitmap> smoothed = SmoothPicture(source.Bitmap.get(), 3, progress);
  EXPECT_EQ(heard, everyRow);
  heard.clear();
  BlendByDifference(source.Bitmap.get(), smoothed.get(), 10, progress, 50, 40);
  EXPECT_EQ(heard, everyRow);
  TBitmap shorter(6, 3, pf24bit);
  EXPECT_THROW(BlendByDifference(source.Bitmap.get(), &shorter, 10, {}, 50, 40), EInvalidGraphicOperation);
}

}  // namespace
