// TIFF strips and tiles: each strip or tile read whole, its rows
// decompressed one at a time, the predictor undone, the samples spread to
// bytes and converted into the bitmap's rows and the alpha mask.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/coders/tifccitt.h"
#include "imaging/io/tiff/tiffilt_internal.h"

namespace {

// Decoded rows larger than this are refused.
constexpr std::int64_t kTiffMaxRowBytes = std::int64_t(1) << 28;
// Zero bytes after every strip, so that a code reader looking a few bytes
// ahead stays inside the buffer.
constexpr int kTiffStripPad = 16;

// Row colour encodings of IOConvertRow.
enum : Byte { kTiffRcRGB = 0, kTiffRcBGR = 1, kTiffRcCMYK = 2, kTiffRcCMYK6 = 3, kTiffRcLab = 4,
              kTiffRcRGB16LE = 6, kTiffRcRGB16BE = 7 };

bool TiffIsCcitt(int c) { return c >= 2 && c <= 4; }

// The rows of one strip or tile (or one plane of it).
class TTiffRowSource {
 public:
  TTiffRowSource(TTIFFVars& v, int width, std::int64_t rowBytes) : v_(v), width_(width), rowBytes_(rowBytes) {}
  ~TTiffRowSource() { EndLzw(); }
  TTiffRowSource(const TTiffRowSource&) = delete;
  TTiffRowSource& operator=(const TTiffRowSource&) = delete;

  // Reads the strip at offset: count bytes, or the rest of the stream when
  // count is 0; the bytes past the end of the stream are not there. False
  // when the strip starts past the end or holds nothing.
  bool Load(std::uint32_t offset, std::uint32_t count) {
    EndLzw();
    at_ = 0;
    bit_ = 0;
    const std::int64_t want = count ? std::int64_t(count) : v_.End - (v_.Base + offset);
    if (!TiffReadAt(v_, offset, want, data_) || data_.empty()) return false;
    size_ = std::int64_t(data_.size());
    data_.resize(data_.size() + kTiffStripPad, 0);
    if (TiffIsCcitt(v_.Compression)) ref_.assign(std::size_t(rowBytes_), 0xFF);
    return true;
  }

  // One decoded row of rowBytes into out; false when the data cannot be
  // decoded.
  bool Next(Byte* out) {
    const Byte* d = data_.data();
    switch (v_.Compression) {
      case 1: {
        const std::int64_t n = std::clamp<std::int64_t>(size_ - at_, 0, rowBytes_);
        if (n > 0) std::memcpy(out, d + at_, std::size_t(n));
        if (n < rowBytes_) std::memset(out + n, 0, std::size_t(rowBytes_ - n));
        at_ += rowBytes_;
        return true;
      }
      case 2: {
        const std::int64_t from = std::min(at_, size_);
        at_ = from + std::min(size_ - from, DecodeCcittHuffman(out, d + from, size_ - from, v_.FillOrder, width_));
        return true;
      }
      case 3:
        if (v_.T4Options & 1)
          bit_ = DecodeCcitt2D(out, d, size_, v_.T4Options & 4, v_.FillOrder, bit_, ref_.data(), width_);
        else
          bit_ = DecodeCcitt1D(out, d, size_, v_.FillOrder, bit_, width_);
        return true;
      case 4:
        bit_ = DecodeCcitt2D(out, d, size_, v_.T4Options & 4, v_.FillOrder, bit_, ref_.data(), width_);
        return true;
      case 5: {
        const void* row = v_.LzwDecompress(d, size_, int(rowBytes_), &lzw_);
        if (!row) return false;
        std::memcpy(out, row, std::size_t(rowBytes_));
        return true;
      }
      case 32773: return PackBits(out);
      default: return false;
    }
  }

 private:
  bool PackBits(Byte* out) {
    const Byte* d = data_.data();
    std::int64_t o = 0;
    while (o < rowBytes_ && at_ < size_) {
      const auto n = std::int8_t(d[at_++]);
      if (n >= 0) {
        const std::int64_t k = n + 1;
        const std::int64_t take = std::min({k, rowBytes_ - o, std::max<std::int64_t>(size_ - at_, 0)});
        std::memcpy(out + o, d + at_, std::size_t(take));
        o += take;
        at_ += k;
      } else if (n != -128) {
        if (at_ >= size_) break;
        const Byte b = d[at_++];
        const std::int64_t k = std::min<std::int64_t>(1 - n, rowBytes_ - o);
        std::memset(out + o, b, std::size_t(k));
        o += k;
      }
    }
    if (o < rowBytes_) std::memset(out + o, 0, std::size_t(rowBytes_ - o));
    return true;
  }

  void EndLzw() {
    if (lzw_ && v_.LzwDecompress) v_.LzwDecompress(nullptr, 0, 0, &lzw_);
    lzw_ = nullptr;
  }

  TTIFFVars& v_;
  int width_;
  std::int64_t rowBytes_;
  std::vector<Byte> data_;
  std::int64_t size_ = 0;
  std::int64_t at_ = 0;
  std::int64_t bit_ = 0;
  std::vector<Byte> ref_;
  void* lzw_ = nullptr;
};

// Turns decoded rows into bitmap rows; the layout is fixed for the image.
class TTiffRowConverter {
 public:
  TTiffRowConverter(TTIFFVars& v, TVQPixelFormat format) : v_(v), format_(format) {
    const int b = v.BitsPerSample, ph = v.Photometric;
    spread_ = b >= 1 && b < 8 && format != vqBits1 && !TiffIsCcitt(v.Compression);
    // Grey and colour samples of fewer bits take the whole byte range;
    // palette indices stay as they are.
    if (spread_ && ph != 3) {
      const int top = (1 << b) - 1;
      for (int i = 0; i <= top; ++i) scale_[i] = Byte(i * 255 / top);
    } else {
      for (int i = 0; i < 256; ++i) scale_[i] = Byte(i);
    }
    for (int i = 0; i < 256; ++i) palette_[i] = i < v.ColorMapCount ? v.ColorMap[i] : TRGBPixel{};
    molli_ = v.Software.compare(0, 15, "Look@Molli v1.1") == 0;
    const int c = v.Compression;
    invertBits_ = (ph == 0 && (c == 1 || c > 4)) || (ph == 1 && TiffIsCcitt(c));
  }

  bool Spread() const { return spread_; }

  // Whether Convert has a rule for the layout; the others are refused
  // rather than left blank.
  bool Known() const {
    const int S = v_.SamplesPerPixel, B = v_.BitsPerSample, P = v_.Photometric;
    if (format_ == vqBits1) return true;
    const bool wide = B == 16;
    return (P == 2 && S >= 3 && (B == 8 || wide)) || (P == 2 && S == 1 && wide) ||
           (P == 3 && (S == 1 || S == 2) && B <= 8) || ((P == 0 || P == 1) && (S == 1 || S == 2) && B <= 8) ||
           ((P == 0 || P == 1) && S == 1 && wide) || (P == 5 && (S == 4 || S == 6) && B == 8) ||
           (P == 8 && S == 3 && B == 8);
  }

  // Undoes the horizontal differencing of one row of count pixels of
  // samples samples.
  void UndoPredictor(Byte* row, int count, int samples) const {
    if (v_.Predictor != 2 || v_.Compression != 5) return;
    const int n = count * samples;
    if (v_.BitsPerSample == 8 && samples == 3) {
      // The three running sums in registers rather than read back.
      Byte a = row[0], b = row[1], c = row[2];
      for (int x = 1; x < count; ++x) {
        Byte* q = row + 3 * x;
        q[0] = a = Byte(q[0] + a);
        q[1] = b = Byte(q[1] + b);
        q[2] = c = Byte(q[2] + c);
      }
    } else if (v_.BitsPerSample == 8) {
      for (int i = samples; i < n; ++i) row[i] = Byte(row[i] + row[i - samples]);
    } else if (v_.BitsPerSample == 16) {
      const bool big = v_.BigEndian;
      auto get = [&](int i) { return big ? row[2 * i] << 8 | row[2 * i + 1] : row[2 * i] | row[2 * i + 1] << 8; };
      for (int i = samples; i < n; ++i) {
        const auto s = std::uint16_t(get(i) + get(i - samples));
        row[2 * i] = Byte(big ? s >> 8 : s);
        row[2 * i + 1] = Byte(big ? s : s >> 8);
      }
    }
  }

  // One sample a byte from packed samples of fewer than 8 bits.
  void SpreadSamples(const Byte* in, Byte* out, int samples) const {
    const int b = v_.BitsPerSample;
    std::int64_t bit = 0;
    for (int i = 0; i < samples; ++i, bit += b) {
      int value = 0;
      for (int k = 0; k < b; ++k) {
        const std::int64_t at = bit + k;
        value = value << 1 | ((in[at >> 3] >> (7 - (at & 7))) & 1);
      }
      out[i] = scale_[value];
    }
  }

  // Converts count pixels of s (one byte a sample below 16 bits) into the
  // bitmap row and the mask row (nil when no mask is filled). s may be
  // changed.
  void Convert(Byte* s, Byte* out, Byte* mask, int count) const {
    const int S = v_.SamplesPerPixel, B = v_.BitsPerSample, P = v_.Photometric;
    TIOParamsVals* params = v_.Params;
    if (format_ == vqBits1) {
      const int bytes = (count + 7) / 8;
      if (invertBits_)
        for (int i = 0; i < bytes; ++i) out[i] = Byte(~s[i]);
      else
        std::memcpy(out, s, std::size_t(bytes));
      return;
    }
    const bool wide = B == 16;
    const int hi = v_.BigEndian ? 0 : 1;  // the high byte of a 16-bit sample
    auto u16 = [&](const Byte* p) { return v_.BigEndian ? p[0] << 8 | p[1] : p[0] | p[1] << 8; };
    if (P == 2 && S >= 3 && !wide) {
      if (S == 3) {
        IOConvertRow(s, kTiffRcRGB, out, kTiffRcBGR, count, params);
        return;
      }
      for (int x = 0; x < count; ++x, s += S, out += 3) {
        out[0] = s[2], out[1] = s[1], out[2] = s[0];
        if (mask && S == 4) mask[x] = s[3];
      }
      return;
    }
    if (P == 2 && S >= 3 && wide) {
      if (S == 3) {
        IOConvertRow(s, v_.BigEndian ? kTiffRcRGB16BE : kTiffRcRGB16LE, out, kTiffRcBGR, count, params);
        return;
      }
      for (int x = 0; x < count; ++x, s += 2 * S, out += 3) {
        out[0] = s[4 + hi], out[1] = s[2 + hi], out[2] = s[hi];
        if (mask && S == 4) mask[x] = s[6 + hi];
      }
      return;
    }
    if (P == 2 && S == 1 && wide) {
      for (int x = 0; x < count; ++x, s += 2, out += 3) {
        const int p = u16(s);
        out[2] = Byte(((p >> 10) & 31) * 8), out[1] = Byte(((p >> 5) & 31) * 8), out[0] = Byte((p & 31) * 8);
      }
      return;
    }
    if (P == 3 && (S == 1 || S == 2) && !wide) {
      for (int x = 0; x < count; ++x, s += S) {
        if (format_ == vqPalette8) {
          out[x] = s[0];
        } else {
          const TRGBPixel& c = palette_[s[0]];
          out[3 * x] = c.b, out[3 * x + 1] = c.g, out[3 * x + 2] = c.r;
        }
        // Alpha as stored: 0 is transparent.
        if (mask && S == 2) mask[x] = s[1];
      }
      return;
    }
    if ((P == 0 || P == 1) && (S == 1 || S == 2) && !wide) {
      const bool alpha = mask && S == 2 && (v_.ExtraSamples == 1 || v_.ExtraSamples == 2);
      for (int x = 0; x < count; ++x, s += S) {
        const Byte g = P == 0 ? Byte(255 - s[0]) : s[0];
        if (format_ == vqGray8) {
          out[x] = g;
        } else {
          out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = g;
        }
        if (alpha) mask[x] = s[1];
      }
      return;
    }
    if ((P == 0 || P == 1) && S == 1 && wide) {
      for (int x = 0; x < count; ++x, s += 2) {
        int g = u16(s);
        if (P == 0) g = 65535 - g;
        if (format_ == vqGray16) {
          const auto w = std::uint16_t(g);
          std::memcpy(out + 2 * x, &w, 2);
        } else {
          const Byte b = Byte(g >> (molli_ ? 4 : 8));
          out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = b;
        }
      }
      return;
    }
    if (P == 5 && S == 4 && !wide) {
      for (int i = 0; i < count * 4; ++i) s[i] = Byte(~s[i]);
      if (format_ == vqCMYK)
        std::memcpy(out, s, std::size_t(count) * 4);
      else
        IOConvertRow(s, kTiffRcCMYK, out, kTiffRcBGR, count, params);
      return;
    }
    if (P == 5 && S == 6 && !wide) {
      IOConvertRow(s, kTiffRcCMYK6, out, kTiffRcBGR, count, params);
      return;
    }
    if (P == 8 && S == 3 && !wide) IOConvertRow(s, kTiffRcLab, out, kTiffRcBGR, count, params);
  }

 private:
  TTIFFVars& v_;
  TVQPixelFormat format_;
  bool spread_ = false;
  bool molli_ = false;
  bool invertBits_ = false;
  Byte scale_[256] = {};
  TRGBPixel palette_[256] = {};
};

// Bytes a pixel takes in a bitmap row (1-bit: 0, handled by eight).
int TiffPixelBytes(TVQPixelFormat f) {
  switch (f) {
    case vqPalette8:
    case vqGray8: return 1;
    case vqGray16: return 2;
    case vqRGB24: return 3;
    case vqCMYK: return 4;
    default: return 0;
  }
}

class TTiffDecoder {
 public:
  TTiffDecoder(TTIFFVars& v, TVQBitmap* b, TVQProgressRec& p)
      : v_(v), bmp_(b), progress_(p), abort_(p.Aborting ? *p.Aborting : dummy_),
        format_(b->GetPixelFormat()), conv_(v, format_) {}

  void Run() {
    if (v_.Compression == 7) {
      Jpeg();
      return;
    }
    const int S = v_.SamplesPerPixel, B = v_.BitsPerSample;
    if (B < 1 || B > 16 || (B > 8 && B != 16) || S < 1 ||
        (TiffIsCcitt(v_.Compression) && (S != 1 || B != 1)) || !conv_.Known()) {
      abort_ = true;
      return;
    }
    if (v_.TileWidth > 0 || v_.TileLength > 0)
      Tiles();
    else
      Strips();
  }

 private:

  std::int64_t RowBytes(int width, int samples) const {
    return (std::int64_t(width) * samples * v_.BitsPerSample + 7) / 8;
  }

  // Working rows for count pixels: decoded, spread to bytes, and a chunky
  // row built from planes.
  bool Buffers(int count) {
    const std::int64_t row = RowBytes(count, v_.SamplesPerPixel);
    const std::int64_t spread = std::int64_t(count) * v_.SamplesPerPixel * (v_.BitsPerSample == 16 ? 2 : 1);
    if (row > kTiffMaxRowBytes || spread > kTiffMaxRowBytes) return false;
    raw_.assign(std::size_t(std::max(row, spread) + 8), 0);
    samples_.assign(std::size_t(spread + 8), 0);
    return true;
  }

  // The decoded raw_ row of count pixels into out and mask.
  void Finish(int count, Byte* out, Byte* mask) {
    conv_.UndoPredictor(raw_.data(), count, v_.SamplesPerPixel);
    Byte* s = raw_.data();
    if (conv_.Spread()) {
      conv_.SpreadSamples(raw_.data(), samples_.data(), count * v_.SamplesPerPixel);
      s = samples_.data();
    }
    conv_.Convert(s, out, mask, count);
  }

  void Report(std::int64_t done, std::int64_t total) {
    if (progress_.OnProgress && total > 0) progress_.OnProgress(progress_.Sender, int(done * 100 / total));
  }

  void Strips() {
    const int W = v_.Width, H = v_.Length, S = v_.SamplesPerPixel;
    if (!Buffers(W)) {
      abort_ = true;
      return;
    }
    if (v_.StripOffsets.empty()) return;
    const std::int64_t rps = std::max<std::int64_t>(v_.RowsPerStrip, 1);
    progress_.Per = 100.0 / H;
    Byte* mrow = nullptr;
    if (v_.PlanarConfig == 2 && S > 1) {
      // One strip a plane for each band of rows, the planes' rows merged
      // into chunky rows; only whole-byte samples are merged.
      if (v_.BitsPerSample % 8) {
        abort_ = true;
        return;
      }
      const std::size_t perPlane = v_.StripOffsets.size() / std::size_t(S);
      const int sb = v_.BitsPerSample / 8;
      std::vector<std::unique_ptr<TTiffRowSource>> planes;
      for (int k = 0; k < S; ++k) planes.push_back(std::make_unique<TTiffRowSource>(v_, W, RowBytes(W, 1)));
      std::vector<Byte> plane(std::size_t(RowBytes(W, 1) + 8));
      for (std::size_t i = 0; i < perPlane && !abort_; ++i) {
        const std::int64_t first = std::int64_t(i) * rps;
        if (first >= H) break;
        std::vector<bool> loaded(static_cast<std::size_t>(S), false);
        for (int k = 0; k < S; ++k) {
          const std::size_t at = std::size_t(k) * perPlane + i;
          loaded[std::size_t(k)] = planes[std::size_t(k)]->Load(v_.StripOffsets[at], Count(at));
        }
        const int rows = int(std::min<std::int64_t>(rps, H - first));
        for (int r = 0; r < rows && !abort_; ++r) {
          for (int k = 0; k < S; ++k) {
            std::fill(plane.begin(), plane.end(), Byte(0));
            if (loaded[std::size_t(k)] && !planes[std::size_t(k)]->Next(plane.data())) {
              abort_ = true;
              return;
            }
            if (v_.Predictor == 2) conv_.UndoPredictor(plane.data(), W, 1);
            for (int x = 0; x < W; ++x)
              std::memcpy(&raw_[(std::size_t(x) * S + std::size_t(k)) * std::size_t(sb)], &plane[std::size_t(x) * std::size_t(sb)], std::size_t(sb));
          }
          const int y = int(first) + r;
          mrow = v_.Mask ? v_.Mask->GetScanline(y) : nullptr;
          conv_.Convert(raw_.data(), bmp_->GetScanline(y), mrow, W);
          Report(y + 1, H);
        }
      }
      return;
    }
    TTiffRowSource src(v_, W, RowBytes(W, S));
    for (std::size_t i = 0; i < v_.StripOffsets.size() && !abort_; ++i) {
      const std::int64_t first = std::int64_t(i) * rps;
      if (first >= H) break;
      if (!src.Load(v_.StripOffsets[i], Count(i))) continue;
      const int rows = int(std::min<std::int64_t>(rps, H - first));
      for (int r = 0; r < rows && !abort_; ++r) {
        if (!src.Next(raw_.data())) {
          abort_ = true;
          return;
        }
        const int y = int(first) + r;
        mrow = v_.Mask ? v_.Mask->GetScanline(y) : nullptr;
        Finish(W, bmp_->GetScanline(y), mrow);
        Report(y + 1, H);
      }
    }
  }

  // JPEG: each strip or tile is one JPEG stream (with the tables stream
  // when there is one), decoded into a 24-bit bitmap and copied to its
  // place; progress goes by strips or tiles.
  void Jpeg() {
    const bool tiled = v_.TileWidth > 0 || v_.TileLength > 0;
    const auto& offsets = tiled && !v_.TileOffsets.empty() ? v_.TileOffsets : v_.StripOffsets;
    const int W = v_.Width, H = v_.Length;
    const int TW = tiled ? v_.TileWidth : W;
    const int TL = tiled ? v_.TileLength : int(std::min<std::int64_t>(std::max<std::int64_t>(v_.RowsPerStrip, 1), H));
    if (format_ != vqRGB24 || TW <= 0 || TL <= 0 || v_.PlanarConfig == 2) {
      abort_ = true;
      return;
    }
    const int across = int((std::int64_t(W) + TW - 1) / TW), down = int((std::int64_t(H) + TL - 1) / TL);
    const std::size_t total = std::min(offsets.size(), std::size_t(across) * std::size_t(down));
    // RGB data is marked as such in its stream (an Adobe marker), which the
    // codec turns into blue, green, red itself; asking it for the samples
    // as stored would make it refuse the stream.
    TVQMemStream tables(v_.JpegTables.data(), std::int64_t(v_.JpegTables.size()));
    std::vector<Byte> data;
    for (std::size_t i = 0; i < total && !abort_; ++i) {
      const std::uint32_t count = tiled && !v_.TileByteCounts.empty() ? (i < v_.TileByteCounts.size() ? v_.TileByteCounts[i] : 0)
                                                                       : Count(i);
      const std::int64_t want = count ? std::int64_t(count) : v_.End - (v_.Base + offsets[i]);
      if (!TiffReadAt(v_, offsets[i], want, data) || data.empty()) continue;
      TVQMemStream in(data.data(), std::int64_t(data.size()));
      TVQBitmap part;
      part.SetLocation(vqMemoryBuffer);
      TIOParamsVals scratch(nullptr);
      TVQProgressRec p;
      p.Aborting = &abort_;
      if (total == 1) p = progress_;
      tables.Seek(0, soBeginning);
      LoadJpegImage(&in, v_.JpegTables.empty() ? nullptr : &tables, &part, false, false, p, scratch);
      if (abort_) return;
      if (part.GetPixelFormat() != vqRGB24) part.SetPixelFormat(vqRGB24);
      const int x0 = int(i % std::size_t(across)) * TW, y0 = int(i / std::size_t(across)) * TL;
      const int w = std::min({part.GetWidth(), TW, W - x0}), h = std::min({part.GetHeight(), TL, H - y0});
      for (int y = 0; y < h; ++y) {
        const Byte* src = part.GetScanline(y);
        Byte* dst = bmp_->GetScanline(y0 + y) + std::size_t(x0) * 3;
        std::memcpy(dst, src, std::size_t(w) * 3);
      }
      if (total > 1) Report(std::int64_t(i) + 1, std::int64_t(total));
    }
  }

  std::uint32_t Count(std::size_t i) const { return i < v_.StripByteCounts.size() ? v_.StripByteCounts[i] : 0; }
  std::uint32_t TileCount(std::size_t i) const {
    const auto& c = v_.TileOffsets.empty() ? v_.StripByteCounts : v_.TileByteCounts;
    return i < c.size() ? c[i] : 0;
  }

  // Each tile's rows are decoded into a tile-wide row and the part inside
  // the image is copied to its place, so the bitmap never grows by a tile.
  // Progress counts the image rows of each finished row of tiles.
  void Tiles() {
    const int W = v_.Width, H = v_.Length, TW = v_.TileWidth, TL = v_.TileLength, S = v_.SamplesPerPixel;
    const int pb = TiffPixelBytes(format_);
    if (TW <= 0 || TL <= 0 || v_.PlanarConfig == 2 || std::int64_t(TW) * TL > kTiffMaxPixels ||
        (format_ == vqBits1 ? TW % 8 != 0 : pb == 0) || !Buffers(TW)) {
      abort_ = true;
      return;
    }
    const auto& offsets = v_.TileOffsets.empty() ? v_.StripOffsets : v_.TileOffsets;
    const int across = int((std::int64_t(W) + TW - 1) / TW), down = int((std::int64_t(H) + TL - 1) / TL);
    const std::size_t rowOut = format_ == vqBits1 ? std::size_t(TW / 8) : std::size_t(TW) * std::size_t(pb);
    std::vector<Byte> out(rowOut + 8), mask(std::size_t(TW) + 8);
    TTiffRowSource src(v_, TW, RowBytes(TW, S));
    progress_.Per = 100.0 / H;
    for (int ty = 0; ty < down && !abort_; ++ty) {
      for (int tx = 0; tx < across && !abort_; ++tx) {
        const std::size_t i = std::size_t(ty) * std::size_t(across) + std::size_t(tx);
        if (i >= offsets.size() || !src.Load(offsets[i], TileCount(i))) continue;
        const int x0 = tx * TW, visible = std::min(TW, W - x0);
        for (int r = 0; r < TL && !abort_; ++r) {
          const int y = ty * TL + r;
          if (y >= H) break;
          if (!src.Next(raw_.data())) {
            abort_ = true;
            return;
          }
          if (v_.Mask) std::fill(mask.begin(), mask.end(), Byte(255));
          Finish(TW, out.data(), v_.Mask ? mask.data() : nullptr);
          Byte* row = bmp_->GetScanline(y);
          if (format_ == vqBits1)
            std::memcpy(row + x0 / 8, out.data(), std::size_t((visible + 7) / 8));
          else
            std::memcpy(row + std::size_t(x0) * std::size_t(pb), out.data(), std::size_t(visible) * std::size_t(pb));
          if (v_.Mask) std::memcpy(v_.Mask->GetScanline(y) + x0, mask.data(), std::size_t(visible));
        }
      }
      Report(std::min<std::int64_t>(std::int64_t(ty + 1) * TL, H), H);
    }
  }

  TTIFFVars& v_;
  TVQBitmap* bmp_;
  TVQProgressRec& progress_;
  bool dummy_ = false;
  bool& abort_;
  TVQPixelFormat format_;
  TTiffRowConverter conv_;
  std::vector<Byte> raw_, samples_;
};

}  // namespace

void TiffDecodeImage(TTIFFVars& v, TVQBitmap* Bitmap, TVQProgressRec& Progress) {
  TTiffDecoder(v, Bitmap, Progress).Run();
}
