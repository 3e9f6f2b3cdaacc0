// TGA reading and writing.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/colour/neurquant.h"
#include "imaging/core/colour/pictoraproc_bitdepth.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/io/formats/vqtgafil.h"
#include "platform/graphics/ByteReader.h"

namespace {

// Larger images are refused rather than allocated.
constexpr std::int64_t kTgaMaxPixels = std::int64_t(1) << 28;
constexpr int kTgaHdrSize = 18;
constexpr int kTgaFooterSize = 26;
constexpr int kTgaExtSize = 495;
constexpr char kTgaSignature[] = "TRUEVISION-XFILE.";  // 17 characters and the zero
constexpr int kTgaFieldChars = 40;                      // 41-byte text fields keep their zero
constexpr std::size_t kTgaMaxIdChars = 254;             // the ID length byte counts the zero

// Days from 1899-12-30, the zero of the library's date numbers.
std::int64_t TgaDaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = unsigned(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + std::int64_t(doe) - 719468 + 25569;
}

void TgaCivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468 - 25569;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = unsigned(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(std::int64_t(yoe) + era * 400 + (m <= 2));
}

bool TgaDayExists(int y, int m, int d) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap);
}

std::string TgaText(const std::uint8_t* p, std::size_t n) {
  std::size_t len = 0;
  while (len < n && p[len]) ++len;
  return std::string(reinterpret_cast<const char*>(p), len);
}

// Reads through an 8 KB buffer; a short read marks the input as ended.
class TTgaInput {
 public:
  explicit TTgaInput(TStream& s) : s_(s) {}
  bool Read(std::uint8_t* dst, std::int64_t n) {
    while (n > 0) {
      if (at_ == filled_ && !Fill()) return false;
      const std::int64_t k = std::min(n, filled_ - at_);
      std::memcpy(dst, buf_ + at_, std::size_t(k));
      dst += k;
      at_ += k;
      n -= k;
    }
    return true;
  }
  bool Skip(std::int64_t n) {
    std::uint8_t tmp[256];
    while (n > 0) {
      const std::int64_t k = std::min<std::int64_t>(n, sizeof tmp);
      if (!Read(tmp, k)) return false;
      n -= k;
    }
    return true;
  }

 private:
  bool Fill() {
    const std::int64_t n = s_.Read(buf_, sizeof buf_);
    if (n <= 0) return false;
    filled_ = n;
    at_ = 0;
    return true;
  }
  TStream& s_;
  std::uint8_t buf_[8192];
  std::int64_t filled_ = 0;
  std::int64_t at_ = 0;
};

// Run-length packets may run on across rows; the packet state lives here.
struct TTgaRle {
  int left = 0;  // pixels still owed by the current packet
  bool run = false;
  std::uint8_t value[4] = {};
};

// One row's raw pixel values, bpp bytes each. False when the data ends.
bool TgaReadRow(TTgaInput& in, bool rle, TTgaRle& st, std::uint8_t* row, int width, int bpp) {
  if (!rle) return in.Read(row, std::int64_t(width) * bpp);
  for (int x = 0; x < width;) {
    if (st.left == 0) {
      std::uint8_t h = 0;
      if (!in.Read(&h, 1)) return false;
      st.run = h & 0x80;
      st.left = (h & 0x7F) + 1;
      if (st.run && !in.Read(st.value, bpp)) return false;
    }
    const int k = std::min(st.left, width - x);
    if (st.run) {
      for (int i = 0; i < k; ++i) std::memcpy(row + std::size_t(x + i) * bpp, st.value, std::size_t(bpp));
    } else if (!in.Read(row + std::size_t(x) * bpp, std::int64_t(k) * bpp)) {
      return false;
    }
    st.left -= k;
    x += k;
  }
  return true;
}

// 5-bit samples over the full range (31 is 255), rounded down as ImageMagick
// and Pillow read them.
inline Byte Tga5(unsigned v) { return Byte((v & 0x1F) * 255 / 31); }
inline TRGBPixel Tga16(std::uint16_t v) {
  return TRGBPixel{Tga5(v), Tga5(v >> 5), Tga5(v >> 10)};
}

}  // namespace

void LoadTgaImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool NoAlphaMask,
                  std::unique_ptr<TVQMask>& Mask, bool ParamsOnly, TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  const std::int64_t start = Stream.Position();
  const std::int64_t end = Stream.Size();

  Params.TgaAuthor.clear();
  Params.TgaJobName.clear();
  Params.TgaDate = IOToday();
  Params.TgaBackground = TRGBPixel{};
  Params.TgaAspectRatio = 1.0;
  Params.TgaGamma = 2.2;
  if (end - start >= kTgaHdrSize + kTgaFooterSize) {
    std::uint8_t foot[kTgaFooterSize] = {};
    Stream.SetPosition(end - kTgaFooterSize);
    if (ReadExact(&Stream, foot, kTgaFooterSize) && std::memcmp(foot + 8, kTgaSignature, 18) == 0) {
      const std::uint32_t extOffset = TByteReader(foot, 4).U32();
      std::uint8_t ext[kTgaExtSize] = {};
      if (extOffset > 0 && std::int64_t(extOffset) + kTgaExtSize <= end - start) {
        Stream.SetPosition(start + extOffset);
        if (ReadExact(&Stream, ext, kTgaExtSize)) {
          TByteReader e(ext, sizeof ext);
          Params.TgaAuthor = TgaText(ext + 2, 41);
          e.Seek(367);
          const int mo = e.U16(), d = e.U16(), y = e.U16(), hh = e.U16(), mi = e.U16(), se = e.U16();
          if (mo && d && y && y < 2500 && mo <= 12 && d <= 31 && hh < 24 && mi < 60 && se < 60 &&
              TgaDayExists(y, mo, d))
            Params.TgaDate = double(TgaDaysFromCivil(y, unsigned(mo), unsigned(d))) + (hh * 3600 + mi * 60 + se) / 86400.0;
          Params.TgaJobName = TgaText(ext + 379, 41);
          Params.TgaBackground = TRGBPixel{ext[473], ext[472], ext[471]};
          e.Seek(474);
          const int an = e.U16(), ad = e.U16(), gn = e.U16(), gd = e.U16();
          if (an && ad) Params.TgaAspectRatio = double(an) / ad;
          if (gn && gd) Params.TgaGamma = double(gn) / gd;
        }
      }
    }
  }

  Stream.SetPosition(start);
  TTgaInput in(Stream);
  std::uint8_t hd[kTgaHdrSize];
  if (!in.Read(hd, kTgaHdrSize)) {
    abortFlag = true;
    return;
  }
  TByteReader h(hd, sizeof hd);
  const int idLength = h.U8(), mapType = h.U8(), imageType = h.U8();
  const int mapFirst = h.U16(), mapLength = h.U16(), mapEntrySize = h.U8();
  Params.TgaXPos = h.U16();
  Params.TgaYPos = h.U16();
  const int width = h.U16(), height = h.U16(), depth = h.U8(), descriptor = h.U8();
  const bool typeOk = imageType == 1 || imageType == 2 || imageType == 3 || imageType == 9 || imageType == 10 ||
                      imageType == 11;
  // Depth 4 passes the content test but has no decoder: refused, not left blank.
  const bool depthOk = depth == 1 || depth == 8 || depth == 16 || depth == 24 || depth == 32;
  const bool rle = imageType >= 9;
  if (!typeOk || !depthOk || width == 0 || height == 0 || std::int64_t(width) * height > kTgaMaxPixels ||
      (depth == 1 && rle)) {
    abortFlag = true;
    return;
  }
  std::vector<std::uint8_t> id(std::size_t(idLength), 0);
  if (!in.Read(id.data(), idLength)) {
    abortFlag = true;
    return;
  }
  Params.TgaImageId = TgaText(id.data(), id.size());

  TRGBPixel table[256];
  for (int i = 0; i < 256; ++i)
    table[i] = TRGBPixel{Byte(60 + 64 * (i & 3)), Byte(28 + 32 * ((i >> 2) & 7)), Byte(28 + 32 * (i >> 5))};
  if (mapType == 1) {
    const int entryBytes = (mapEntrySize + 7) / 8;
    std::uint8_t v[4] = {};
    for (int i = 0; i < mapLength; ++i) {
      if (entryBytes > 4) {
        if (!in.Skip(entryBytes)) break;
        continue;
      }
      if (!in.Read(v, entryBytes)) {
        abortFlag = true;
        return;
      }
      // Entries past the 256-entry table are read over and dropped.
      const int at = mapFirst + i;
      if (at > 255) continue;
      if (mapEntrySize == 15 || mapEntrySize == 16)
        table[at] = Tga16(std::uint16_t(v[0] | v[1] << 8));
      else if (mapEntrySize == 24 || mapEntrySize == 32)
        table[at] = TRGBPixel{v[0], v[1], v[2]};
    }
    Params.SetColorMap(table, std::min(mapLength, 256));
    Params.TgaGrayscale = false;
  } else if (depth == 8) {
    for (int i = 0; i < 256; ++i) table[i] = TRGBPixel{Byte(i), Byte(i), Byte(i)};
    Params.SetColorMap(nullptr, 0);
    Params.TgaGrayscale = true;
  } else {
    Params.SetColorMap(nullptr, 0);
    Params.TgaGrayscale = false;
  }
  Params.TgaCompressed = rle;
  Params.Width = width;
  Params.Height = height;
  Params.SetDpiX(kIODefaultDpi);
  Params.SetDpiY(kIODefaultDpi);
  switch (depth) {
    case 1: Params.BitsPerSample = 1, Params.SamplesPerPixel = 1; break;
    case 8: Params.BitsPerSample = 8, Params.SamplesPerPixel = 1; break;
    case 16: Params.BitsPerSample = 5, Params.SamplesPerPixel = 3; break;
    case 24: Params.BitsPerSample = 8, Params.SamplesPerPixel = 3; break;
    default: Params.BitsPerSample = 8, Params.SamplesPerPixel = 4; break;
  }
  if (ParamsOnly || !Bitmap) return;

  Bitmap->Allocate(width, height, depth == 1 ? vqBits1 : vqRGB24);
  TVQMask* mask = nullptr;
  if (depth == 32 && (descriptor & 8) && !NoAlphaMask) {
    if (!Mask) Mask = std::make_unique<TVQMask>();
    Mask->AllocateBits(width, height, 8);
    Mask->Fill(255);
    Mask->Full = false;
    mask = Mask.get();
  }
  const bool topDown = descriptor & 0x20;
  const bool mirror = descriptor & 0x10;
  const int bpp = depth == 1 ? 1 : depth / 8;
  const int rowBytes = depth == 1 ? (width + 7) / 8 : width * bpp;
  std::vector<std::uint8_t> raw(std::size_t(rowBytes) + 4);
  std::vector<Byte> alpha(std::size_t(width), 255);
  TTgaRle st;
  const double per = 100.0 / height;
  Progress.Per = per;
  for (int r = 0; r < height && !abortFlag; ++r) {
    const int y = topDown ? r : height - 1 - r;
    if (depth == 1) {
      if (!in.Read(raw.data(), rowBytes)) {
        abortFlag = true;
        break;
      }
      std::memcpy(Bitmap->GetScanline(y), raw.data(), std::size_t(rowBytes));
    } else {
      if (!TgaReadRow(in, rle, st, raw.data(), width, bpp)) {
        abortFlag = true;
        break;
      }
      Byte* out = Bitmap->GetScanline(y);
      const std::uint8_t* p = raw.data();
      for (int x = 0; x < width; ++x, p += bpp) {
        const int dx = mirror ? width - 1 - x : x;
        TRGBPixel c;
        if (depth == 8)
          c = table[p[0]];
        else if (depth == 16)
          c = Tga16(std::uint16_t(p[0] | p[1] << 8));
        else
          c = TRGBPixel{p[0], p[1], p[2]};
        out[dx * 3] = c.b;
        out[dx * 3 + 1] = c.g;
        out[dx * 3 + 2] = c.r;
        if (depth == 32) alpha[std::size_t(dx)] = p[3];
      }
      if (mask) std::memcpy(mask->GetScanline(y), alpha.data(), std::size_t(width));
    }
    if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, int((r + 1) * per));
  }
}

namespace {

// Run-length codes one row of pixels of bpp bytes.
void TgaEncodeRow(const std::uint8_t* px, int width, int bpp, std::vector<std::uint8_t>& out) {
  auto same = [&](int a, int b) { return std::memcmp(px + a * bpp, px + b * bpp, std::size_t(bpp)) == 0; };
  int x = 0;
  while (x < width) {
    int run = 1;
    while (x + run < width && run < 128 && same(x, x + run)) ++run;
    if (run >= 2) {
      out.push_back(std::uint8_t(0x80 | (run - 1)));
      out.insert(out.end(), px + x * bpp, px + (x + 1) * bpp);
      x += run;
      continue;
    }
    int n = 1;  // raw pixels end where a pair of equal pixels begins
    while (x + n < width && n < 128 && !(x + n + 1 < width && same(x + n, x + n + 1))) ++n;
    out.push_back(std::uint8_t(n - 1));
    out.insert(out.end(), px + x * bpp, px + (x + n) * bpp);
    x += n;
  }
}

void TgaPutDate(std::uint8_t* p, double date) {
  if (!(date >= -693593.0 && date < 2958466.0)) return;  // outside years 1 to 9999
  const double days = std::floor(date);
  int y = 0, m = 0, d = 0;
  TgaCivilFromDays(std::int64_t(days), y, m, d);
  const int secs = std::min(86399, int(std::lround((date - days) * 86400.0)));
  const int v[6] = {m, d, y, secs / 3600, secs / 60 % 60, secs % 60};
  for (int i = 0; i < 6; ++i) PutU16(p + 2 * i, std::uint16_t(v[i]));
}

// A ratio as value × 10000 over 10000, kept within the 16-bit field.
void TgaPutRatio(std::uint8_t* p, double v) {
  const double n = std::clamp(std::trunc(v * 10000.0), 0.0, 65535.0);
  PutU16(p, std::uint16_t(n));
  PutU16(p + 2, 10000);
}

}  // namespace

void SaveTgaImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQMask* Mask,
                  TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  if (!Bitmap || Bitmap->IsEmpty()) return;
  const TVQPixelFormat fmt = Bitmap->GetPixelFormat();
  if (fmt != vqRGB24 && fmt != vqBits1) return;
  TVQBitmap* src = Bitmap;
  std::unique_ptr<TVQBitmap> copy;
  if (fmt != vqRGB24) {
    copy = std::make_unique<TVQBitmap>();
    copy->Assign(Bitmap);
    copy->SetPixelFormat(vqRGB24);
    src = copy.get();
  }
  const int w = src->GetWidth(), hgt = src->GetHeight();
  // One-sample requests are written as 8-bit indices (1 and 4 bits with 2
  // and 16 colours): readers decode 8 bits, where 1- and 4-bit TGAs are lost.
  const int bits = Params.BitsPerSample;
  const bool indexed = Params.SamplesPerPixel == 1 && (bits == 1 || bits == 4 || bits == 8);
  const bool alpha = !indexed && Mask && !Mask->Full && Mask->BitCount() == 8 && Mask->Width() >= w &&
                     Mask->Height() >= hgt;
  if (alpha || (indexed && bits != 8)) Params.TgaCompressed = false;
  const bool grey = indexed && bits == 8 && Params.TgaGrayscale;
  const int depth = indexed ? 8 : alpha ? 32 : 24;
  const int bpp = depth / 8;
  const bool rle = Params.TgaCompressed;
  const std::int64_t start = Stream.Position();
  TRGBPixel pal[256] = {};
  const int palCount = indexed ? 1 << bits : 0;
  std::unique_ptr<TVQQuantizer> quant;
  Byte greyOf[256] = {};
  std::unique_ptr<TVQBitmap> twoColour;  // 1-bit requests: its bits are the indices
  if (indexed && bits == 1) {
    twoColour = TwoColorBitmap(src, pal[0], pal[1]);
    if (!twoColour) {
      twoColour = std::make_unique<TVQBitmap>();
      twoColour->Assign(src);
      twoColour->SetPixelFormat(vqBits1);
      pal[0] = TRGBPixel{};
      pal[1] = TRGBPixel{255, 255, 255};
    }
  } else if (indexed) {
    quant = std::make_unique<TVQQuantizer>(src, pal, palCount, -1);
  }
  if (indexed) {
    Params.SetColorMap(pal, palCount);
    for (int i = 0; i < palCount; ++i)
      greyOf[i] = Byte(std::clamp(
          (pal[i].r * GrayWeightRed + pal[i].g * GrayWeightGreen + pal[i].b * GrayWeightBlue) / 100, 0, 255));
  }

  const std::string id = Params.TgaImageId.substr(0, kTgaMaxIdChars);
  std::uint8_t hd[kTgaHdrSize] = {};
  hd[0] = std::uint8_t(id.size() + 1);
  if (indexed && !grey) {
    hd[1] = 1;
    hd[2] = rle ? 9 : 1;
    PutU16(hd + 5, std::uint16_t(palCount));
    hd[7] = 24;
  } else {
    hd[2] = grey ? (rle ? 11 : 3) : (rle ? 10 : 2);
  }
  PutU16(hd + 8, std::uint16_t(Params.TgaXPos));
  PutU16(hd + 10, std::uint16_t(Params.TgaYPos));
  PutU16(hd + 12, std::uint16_t(w));
  PutU16(hd + 14, std::uint16_t(hgt));
  hd[16] = std::uint8_t(depth);
  hd[17] = std::uint8_t(0x20 | (alpha ? 8 : 0));
  SafeStreamWrite(&Stream, abortFlag, hd, kTgaHdrSize);
  SafeStreamWrite(&Stream, abortFlag, id.c_str(), std::int64_t(id.size()) + 1);
  if (indexed && !grey) {
    std::vector<std::uint8_t> map;
    for (int i = 0; i < palCount; ++i) map.insert(map.end(), {pal[i].b, pal[i].g, pal[i].r});
    SafeStreamWrite(&Stream, abortFlag, map.data(), std::int64_t(map.size()));
  }

  std::vector<std::uint8_t> row(std::size_t(w) * bpp);
  std::vector<std::uint8_t> packed;
  const double per = 100.0 / hgt;
  Progress.Per = per;
  for (int y = 0; y < hgt; ++y) {
    const Byte* in = src->GetScanline(y);
    if (twoColour) {
      const Byte* b = twoColour->GetScanline(y);
      for (int x = 0; x < w; ++x) row[std::size_t(x)] = (b[x >> 3] >> (7 - (x & 7))) & 1;
      if (grey)
        for (auto& v : row) v = greyOf[v];
    } else if (indexed) {
      quant->ColorIndexRow(in, w, row.data());
      if (grey)
        for (auto& v : row) v = greyOf[v];
    } else if (alpha) {
      const Byte* m = Mask->GetScanline(y);
      for (int x = 0; x < w; ++x) {
        std::memcpy(&row[std::size_t(x) * 4], in + x * 3, 3);
        row[std::size_t(x) * 4 + 3] = m[x];
      }
    } else {
      std::memcpy(row.data(), in, row.size());
    }
    if (rle) {
      packed.clear();
      TgaEncodeRow(row.data(), w, bpp, packed);
      SafeStreamWrite(&Stream, abortFlag, packed.data(), std::int64_t(packed.size()));
    } else {
      SafeStreamWrite(&Stream, abortFlag, row.data(), std::int64_t(row.size()));
    }
    if (Progress.OnProgress) Progress.OnProgress(Progress.Sender, int((y + 1) * per));
  }

  std::uint8_t ext[kTgaExtSize] = {};
  PutU16(ext, kTgaExtSize);
  const std::string author = Params.TgaAuthor.substr(0, kTgaFieldChars);
  const std::string job = Params.TgaJobName.substr(0, kTgaFieldChars);
  std::memcpy(ext + 2, author.data(), author.size());
  std::memcpy(ext + 379, job.data(), job.size());
  TgaPutDate(ext + 367, Params.TgaDate);
  ext[471] = Params.TgaBackground.r;
  ext[472] = Params.TgaBackground.g;
  ext[473] = Params.TgaBackground.b;
  TgaPutRatio(ext + 474, Params.TgaAspectRatio);
  TgaPutRatio(ext + 478, Params.TgaGamma);
  const std::int64_t extAt = Stream.Position() - start;
  SafeStreamWrite(&Stream, abortFlag, ext, kTgaExtSize);
  std::uint8_t foot[kTgaFooterSize] = {};
  PutU32(foot, std::uint32_t(extAt));
  std::memcpy(foot + 8, kTgaSignature, 18);
  SafeStreamWrite(&Stream, abortFlag, foot, kTgaFooterSize);
}
