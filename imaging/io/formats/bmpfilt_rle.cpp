#include "imaging/io/formats/bmpfilt_rle.h"

#include <algorithm>
#include <cstdint>

#include "imaging/core/raster/vqzutils_bitmap.h"

namespace {

// Where decoded pixels go: one file row at a time, the format fixed before
// the loop.
struct TBmpRleTarget {
  TVQBitmap* image;
  const TRGBPixel* palette;
  bool topDown;
  int width;
  int height;
  Byte* row = nullptr;

  void SelectRow(std::int64_t k) { row = image->GetScanline(topDown ? int(k) : int(height - 1 - k)); }
  void Put(std::int64_t x, Byte index) {
    if (palette) {
      const TRGBPixel c = palette[index];
      Byte* p = row + x * 3;
      p[0] = c.b;
      p[1] = c.g;
      p[2] = c.r;
    } else {
      row[x] = index;
    }
  }
};

// Pixels past the width are dropped: ImageMagick pads RLE8 rows with runs
// past the width, which must not overwrite the row's last pixel.
template <bool Four>
void BmpRleDecode(TVQBitmap* image, const Byte* data, int length, bool topDown, TVQProgressRec& progress,
                  const TRGBPixel* palette) {
  if (!image || !data || length <= 0) return;
  TBmpRleTarget t{image, palette, topDown, image->GetWidth(), image->GetHeight()};
  if (t.width <= 0 || t.height <= 0) return;
  const double per = 100.0 / t.height;
  progress.Per = per;
  std::int64_t k = 0, x = 0;
  int i = 0;
  t.SelectRow(0);
  auto store = [&](Byte index) {
    if (x < t.width) t.Put(x, index);
    ++x;
  };
  while (i + 1 < length) {
    const int n = data[i], v = data[i + 1];
    i += 2;
    if (n > 0) {
      for (int j = 0; j < n; ++j) store(Four ? Byte((j & 1) ? (v & 15) : (v >> 4)) : Byte(v));
    } else if (v == 0) {
      ++k;
      x = 0;
      if (k >= t.height) return;
      t.SelectRow(k);
      if (progress.OnProgress) progress.OnProgress(progress.Sender, int((k + 1) * per));
      if (progress.Aborting && *progress.Aborting) return;
    } else if (v == 1) {
      return;
    } else if (v == 2) {
      if (i + 1 >= length) return;
      x += data[i];
      k += data[i + 1];
      i += 2;
      if (k >= t.height) return;
      t.SelectRow(k);
    } else {
      const int bytes = Four ? (v + 1) / 2 : v;
      // Only the pixels whose bytes are present.
      const int have = std::min(bytes, length - i);
      const int count = Four ? std::min(v, have * 2) : have;
      for (int j = 0; j < count; ++j) {
        const Byte b = data[i + (Four ? j / 2 : j)];
        store(Four ? Byte((j & 1) ? (b & 15) : (b >> 4)) : b);
      }
      i += bytes + (bytes & 1);
    }
  }
}

template <bool Four>
void BmpRleFlush(const Byte* row, int from, int to, Byte* out, int& o) {
  while (from < to) {
    const int n = std::min(255, to - from);
    const Byte* s = row + from;
    if (n == 1) {
      out[o++] = 1;
      out[o++] = Four ? Byte(s[0] << 4) : s[0];
    } else if (n == 2) {
      if (Four) {
        out[o++] = 2;
        out[o++] = Byte((s[0] << 4) | (s[1] & 15));
      } else {
        out[o++] = 1;
        out[o++] = s[0];
        out[o++] = 1;
        out[o++] = s[1];
      }
    } else {
      out[o++] = 0;
      out[o++] = Byte(n);
      if (Four) {
        for (int j = 0; j + 1 < n; j += 2) out[o++] = Byte((s[j] << 4) | (s[j + 1] & 15));
        if (n & 1) out[o++] = Byte(s[n - 1] << 4);
        if (((n + 1) / 2) & 1) out[o++] = 0;
      } else {
        for (int j = 0; j < n; ++j) out[o++] = s[j];
        if (n & 1) out[o++] = 0;
      }
    }
    from += n;
  }
}

template <bool Four>
int BmpRleEncodeRow(const Byte* row, int count, Byte* out) {
  int o = 0, lit = 0, p = 0;
  while (p < count) {
    if (p - lit > 255) {
      BmpRleFlush<Four>(row, lit, p, out, o);
      lit = p;
    }
    if (p + 1 < count && row[p] == row[p + 1]) {
      BmpRleFlush<Four>(row, lit, p, out, o);
      int n = 1;
      while (p + n < count && row[p + n] == row[p] && n < 255) ++n;
      out[o++] = Byte(n);
      out[o++] = Four ? Byte((row[p] << 4) | (row[p] & 15)) : row[p];
      lit = p = p + n;
    } else {
      ++p;
    }
  }
  BmpRleFlush<Four>(row, lit, count, out, o);
  out[o++] = 0;
  out[o++] = 0;
  return o;
}

}  // namespace

void DecodeRle8(TVQBitmap* Image, const Byte* Data, int Length, bool TopDown, TVQProgressRec& Progress,
                const TRGBPixel* Palette) {
  BmpRleDecode<false>(Image, Data, Length, TopDown, Progress, Palette);
}

void DecodeRle4(TVQBitmap* Image, const Byte* Data, int Length, bool TopDown, TVQProgressRec& Progress,
                const TRGBPixel* Palette) {
  BmpRleDecode<true>(Image, Data, Length, TopDown, Progress, Palette);
}

int EncodeRle8Row(const Byte* Row, int Count, Byte* Out) { return BmpRleEncodeRow<false>(Row, Count, Out); }
int EncodeRle4Row(const Byte* Row, int Count, Byte* Out) { return BmpRleEncodeRow<true>(Row, Count, Out); }
