// Every pixel routine that splits its rows among threads gives the same bytes
// whatever the number of threads: each is run with 1, 2, 3 and 8 on pictures
// of odd sizes and compared with the single-threaded result.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/main/uMain_View.h"
#include "app/pixels/BitmapRows.h"
#include "app/pixels/Level.h"
#include "app/pixels/PhotoAdjust.h"
#include "app/pixels/RemoveHighLight.h"
#include "app/pixels/RotateImage.h"
#include "app/pixels/uSmooth.h"
#include "app/pixels/uStain.h"
#include "platform/rtl/ParallelRows.h"

namespace {

struct ThreadCount {
  explicit ThreadCount(int n) { SetParallelThreadCount(n); }
  ~ThreadCount() { SetParallelThreadCount(0); }
};

// A face on a graded backdrop: a skin-coloured ellipse with a bright shine,
// a dark eye and grain, so smoothing, highlight removal and the curves all
// have something to change.
RowImageBuffer Face(int w, int h, unsigned seed) {
  RowImageBuffer image(w, h);
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    Byte* p = image.Row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const double u = (x - w / 2.0) / (w * 0.35), v = (y - h / 2.0) / (h * 0.4);
      const double s = (x - w * 0.55) / (w * 0.12), t = (y - h * 0.45) / (h * 0.12);
      const int grain = int(rng() % 17) - 8;
      int b = 40 + 150 * x / w, g = 30 + 100 * y / h, r = 60;
      if (u * u + v * v < 1) b = 120, g = 140, r = 200;
      if (s * s + t * t < 1) b = 225, g = 235, r = 250;
      if (std::abs(x - w / 3) < 2 && std::abs(y - h / 3) < 3) b = g = r = 25;
      p[0] = ClampByte(b + grain), p[1] = ClampByte(g + grain), p[2] = ClampByte(r + grain);
    }
  }
  return image;
}

std::vector<Byte> Bytes(const RowImage& image) {
  std::vector<Byte> out;
  out.push_back(Byte(image.Width)), out.push_back(Byte(image.Width >> 8));
  out.push_back(Byte(image.Height)), out.push_back(Byte(image.Height >> 8));
  for (int y = 0; y < image.Height; ++y)
    out.insert(out.end(), image.Row(y), image.Row(y) + std::ptrdiff_t(image.Width) * 3);
  return out;
}

std::vector<Byte> Bytes(TBitmap* bitmap) { return Bytes(BitmapRows(bitmap)); }
std::vector<Byte> Bytes(const std::unique_ptr<TBitmap>& bitmap) { return Bytes(bitmap.get()); }

std::unique_ptr<TBitmap> AsBitmap(const RowImage& image) { return BitmapFromRows(image); }

using BytesOfRoutine = std::function<std::vector<Byte>(const RowImage& source)>;

struct NamedRoutine {
  std::string name;
  BytesOfRoutine run;
};

std::vector<NamedRoutine> ThreadedRoutines() {
  const RowProgress quiet = [](int, int) {};
  return {
      {"enlarge", [](const RowImage& s) { return Bytes(EnlargeBicubic(s, 2 * s.Width + 1, 2 * s.Height + 3)); }},
      {"reduce", [](const RowImage& s) { return Bytes(ReduceAverage(s, s.Width / 3, s.Height / 2 + 1)); }},
      {"resize one side up", [](const RowImage& s) { return Bytes(ResizePicture(s, s.Width * 2 - 1, s.Height / 2)); }},
      {"resize bitmap", [](const RowImage& s) { return Bytes(ResizePicture(AsBitmap(s).get(), s.Width / 2, 3 * s.Height)); }},
      {"rotate 3.5", [](const RowImage& s) { return Bytes(RotateAnyAngle(s, 3.5)); }},
      {"rotate -117.25 bitmap", [](const RowImage& s) { return Bytes(RotateAnyAngle(AsBitmap(s).get(), -117.25)); }},
      {"rotate 90", [](const RowImage& s) { return Bytes(Rotate90(s)); }},
      {"rotate 180", [](const RowImage& s) { return Bytes(Rotate180(s)); }},
      {"rotate 270 bitmap", [](const RowImage& s) { return Bytes(Rotate270(AsBitmap(s).get())); }},
      {"levels", [](const RowImage& s) {
         RowImageBuffer copy = RowImageBuffer::CopyOf(s);
         AutoLevels(copy);
         return Bytes(copy);
       }},
      {"curves", [](const RowImage& s) {
         RowImageBuffer copy = RowImageBuffer::CopyOf(s);
         ChannelCurveAdjust(copy, {200, 140, 120}, {180, 150, 140});
         return Bytes(copy);
       }},
      {"smooth radius 7", [](const RowImage& s) { return Bytes(SmoothPicture(s, 7)); }},
      {"smooth radius 12 with progress", [quiet](const RowImage& s) { return Bytes(SmoothPicture(s, 12, quiet)); }},
      {"smooth bitmap", [quiet](const RowImage& s) { return Bytes(SmoothPicture(AsBitmap(s).get(), 5, quiet)); }},
      {"smooth into a bitmap", [quiet](const RowImage& s) {
         std::unique_ptr<TBitmap> source = AsBitmap(s), into = AsBitmap(s);
         SmoothPictureInto(source.get(), 11, quiet, into.get());
         return Bytes(into.get());
       }},
      {"blend", [quiet](const RowImage& s) {
         RowImageBuffer smoothed = SmoothPicture(s, 9);
         std::vector<Byte> a = Bytes(BlendByDifference(s, smoothed, 10, quiet, 70, 40));
         std::unique_ptr<TBitmap> source = AsBitmap(s), t = AsBitmap(smoothed);
         std::vector<Byte> b = Bytes(BlendByDifference(source.get(), t.get(), 0, {}, 100, 55));
         a.insert(a.end(), b.begin(), b.end());
         return a;
       }},
      {"highlight removal", [](const RowImage& s) {
         std::vector<Byte> a = Bytes(ApplyHighlightRemoval(PrepareHighlightMask(s), 60));
         std::unique_ptr<TBitmap> patch = AsBitmap(s);
         PrepareHighlightMask(patch.get());
         std::vector<Byte> b = Bytes(ApplyHighlightRemoval(patch.get(), 35));
         a.insert(a.end(), b.begin(), b.end());
         return a;
       }},
      {"highlight mask", [](const RowImage& s) {
         const HighlightMask m = PrepareHighlightMask(s);
         std::vector<Byte> a(m.SkinRegion.begin(), m.SkinRegion.end());
         a.insert(a.end(), m.Highlight.begin(), m.Highlight.end());
         return a;
       }},
      {"erase", [](const RowImage& s) {
         RowImageBuffer copy = RowImageBuffer::CopyOf(s);
         EraseDiscPixels(copy, EraseDisc{s.Width / 2, s.Height / 3, 9});
         EraseDiscPixels(copy, EraseDisc{2, s.Height - 3, 6});  // the ring partly off the picture
         return Bytes(copy);
       }},
      {"display copy", [](const RowImage& s) {
         std::unique_ptr<TBitmap> source = AsBitmap(s);
         std::vector<Byte> a = Bytes(StretchCopy(source.get(), s.Width / 4 + 1, s.Height / 4 - 1));
         std::vector<Byte> b = Bytes(StretchCopy(source.get(), s.Width * 2 + 1, s.Height + 7));
         a.insert(a.end(), b.begin(), b.end());
         return a;
       }},
  };
}

TEST(ParallelPixels, SameBytesForOneTwoThreeAndEightThreads) {
  struct Picture {
    int w, h;
  } pictures[] = {{127, 93}, {41, 67}, {3, 5}};
  for (const Picture& picture : pictures) {
    const RowImageBuffer source = Face(picture.w, picture.h, unsigned(picture.w * 1000 + picture.h));
    for (const NamedRoutine& routine : ThreadedRoutines()) {
      SCOPED_TRACE(testing::Message() << routine.name << " on " << picture.w << "x" << picture.h);
      std::vector<Byte> single;
      {
        ThreadCount count(1);
        single = routine.run(source);
      }
      ASSERT_GT(single.size(), 4u);
      for (int threads : {2, 3, 8}) {
        ThreadCount count(threads);
        ASSERT_EQ(routine.run(source), single) << threads << " threads";
      }
    }
  }
}

// The display copy of a big picture is cut into bands only past a quarter of
// a million taps a band; this one is.
TEST(ParallelPixels, DisplayCopyOfABigPictureIsTheSameForAnyThreadCount) {
  const RowImageBuffer source = Face(1203, 1001, 5);
  std::unique_ptr<TBitmap> bitmap = AsBitmap(source);
  std::vector<Byte> single;
  {
    ThreadCount count(1);
    single = Bytes(StretchCopy(bitmap.get(), 301, 249));
  }
  for (int threads : {2, 3, 8}) {
    ThreadCount count(threads);
    EXPECT_EQ(Bytes(StretchCopy(bitmap.get(), 301, 249)), single) << threads << " threads";
  }
}

}  // namespace
