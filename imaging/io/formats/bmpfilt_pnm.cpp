// Portable any-map and wireless bitmap reading and writing.
#include "imaging/io/formats/bmpfilt_pnm.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/ParallelRows.h"
#include "platform/rtl/SysUtils.h"

namespace {

// Larger images are refused rather than allocated.
constexpr std::int64_t kPnmMaxPixels = std::int64_t(1) << 28;
constexpr int kPnmMaxVal = 65535;
// Longer tokens are consumed but not kept; no number that long is valid.
constexpr std::size_t kPnmReadTokenKeep = 64;
// A header that long is no header; the scan stops there.
constexpr int kPnmHeaderTokens = 501;

bool PnmIsAlnum(int c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Decimal digits only, below 2^31; anything else gives the default.
std::int64_t PnmNumber(const std::string& s, std::int64_t def) {
  if (s.empty() || s.size() > 10) return def;
  std::int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return def;
    v = v * 10 + (c - '0');
  }
  return v > 0x7FFFFFFF ? def : v;
}

// Buffered bytes of the stream, shared by the header tokens and the pixel
// data so that nothing read ahead is lost.
class TPnmInput {
 public:
  explicit TPnmInput(TStream& s) : s_(s) {}

  int Get() {
    if (at_ == filled_ && !Fill()) return -1;
    return buf_[at_++];
  }
  void Unget() { --at_; }

  // Bytes copied; fewer than n at the end of the stream.
  std::int64_t Read(Byte* out, std::int64_t n) {
    std::int64_t done = 0;
    while (done < n) {
      if (at_ == filled_ && !Fill()) break;
      const std::int64_t k = std::min(n - done, filled_ - at_);
      std::memcpy(out + done, buf_ + at_, std::size_t(k));
      at_ += k;
      done += k;
    }
    return done;
  }

  // A run of letters and digits, or "#" and a comment's trimmed text; false
  // at the end of the stream.
  bool Token(std::string& token, bool& comment) {
    token.clear();
    for (int c = Get(); c >= 0; c = Get()) {
      if (c == '#') {
        comment = true;
        for (c = Get(); c >= 0 && c != '\n' && c != '\r'; c = Get())
          if (token.size() < 4096) token.push_back(char(c));
        token = "#" + Trim(token);
        return true;
      }
      if (!PnmIsAlnum(c)) continue;
      comment = false;
      for (; c >= 0 && PnmIsAlnum(c); c = Get())
        if (token.size() < kPnmReadTokenKeep) token.push_back(char(c));
      // A comment right after a token is still a comment.
      if (c == '#') Unget();
      return true;
    }
    return false;
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
  Byte buf_[8192];
  std::int64_t filled_ = 0;
  std::int64_t at_ = 0;
};

inline Byte PnmScale(std::int64_t v, std::int64_t maxval) {
  return Byte(std::min<std::int64_t>(v, maxval) * 255 / maxval);
}

void PnmProgress(TVQProgressRec& p, int row, double per) {
  if (p.OnProgress) p.OnProgress(p.Sender, int(row * per));
}

}  // namespace

void LoadPnmImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                  TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  Params.PxmComments->Clear();
  TPnmInput in(Stream);
  std::string token;
  bool comment = false;
  int tokens = 0;
  // The next token that is not a comment; comments go to the block.
  auto next = [&](std::string& t) {
    while (tokens < kPnmHeaderTokens && in.Token(t, comment)) {
      ++tokens;
      if (!comment) return true;
      Params.PxmComments->Add(t.substr(1));
    }
    t.clear();
    return false;
  };
  std::string magic, ws, hs, ms;
  next(magic);
  const int kind = magic.size() == 2 && magic[0] == 'P' && magic[1] >= '1' && magic[1] <= '6' ? magic[1] - '0' : 0;
  next(ws);
  next(hs);
  std::int64_t maxval = 1;
  if (kind != 1 && kind != 4) {
    next(ms);
    maxval = PnmNumber(ms, -1);
  }
  const std::int64_t width = PnmNumber(ws, -1), height = PnmNumber(hs, -1);
  if (kind == 0 || width <= 0 || height <= 0 || maxval < 1 || maxval > kPnmMaxVal ||
      width * height > kPnmMaxPixels) {
    abortFlag = true;
    return;
  }
  Params.SetColorMap(nullptr, 0);
  Params.Width = int(width);
  Params.Height = int(height);
  Params.SetDpiX(kIODefaultDpi);
  Params.SetDpiY(kIODefaultDpi);
  const bool bits = kind == 1 || kind == 4;
  Params.BitsPerSample = bits ? 1 : maxval > 255 ? 16 : 8;
  Params.SamplesPerPixel = kind == 3 || kind == 6 ? 3 : 1;
  if (ParamsOnly || !Bitmap) return;
  const int w = int(width), h = int(height);
  Bitmap->Allocate(w, h, bits ? vqBits1 : vqRGB24);
  const double per = 100.0 / h;
  Progress.Per = per;
  const int samples = Params.SamplesPerPixel;
  const int sampleBytes = maxval > 255 ? 2 : 1;
  const std::int64_t rowBytes = kind == 4 ? (width + 7) / 8 : width * samples * sampleBytes;
  std::vector<Byte> lut;
  if (sampleBytes == 1 && maxval != 255) {
    lut.resize(256);
    for (int v = 0; v < 256; ++v) lut[std::size_t(v)] = PnmScale(v, maxval);
  }
  // One file row into one image row; the kind is fixed for the whole image.
  auto convert = [&](const Byte* raw, Byte* row) {
    if (kind == 4) {
      // In the file a set bit is black, in the image white.
      for (std::int64_t i = 0; i < rowBytes; ++i) row[i] = Byte(~raw[i]);
      return;
    }
    // The common 8-bit forms without the general loop's per-sample tests.
    if (sampleBytes == 1 && lut.empty() && samples == 3) {
      for (int x = 0; x < w; ++x) row[x * 3] = raw[x * 3 + 2], row[x * 3 + 1] = raw[x * 3 + 1], row[x * 3 + 2] = raw[x * 3];
      return;
    }
    if (sampleBytes == 1 && samples == 1) {
      for (int x = 0; x < w; ++x) row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = lut.empty() ? raw[x] : lut[raw[x]];
      return;
    }
    for (int x = 0; x < w; ++x) {
      Byte v[3];
      for (int k = 0; k < samples; ++k) {
        const std::size_t at = std::size_t(x * samples + k) * std::size_t(sampleBytes);
        if (sampleBytes == 2)
          v[k] = PnmScale(raw[at] << 8 | raw[at + 1], maxval);
        else
          v[k] = lut.empty() ? raw[at] : lut[raw[at]];
      }
      Byte* p = row + x * 3;
      if (samples == 1)
        p[0] = p[1] = p[2] = v[0];
      else
        p[0] = v[2], p[1] = v[1], p[2] = v[0];
    }
  };
  if (kind >= 4) {
    // Rows are read a band at a time (about 4 MB) and converted on all cores.
    const int band = int(std::clamp<std::int64_t>((std::int64_t(1) << 22) / rowBytes, 1, h));
    std::vector<Byte> block(std::size_t(rowBytes * band));
    const bool fileBacked = Bitmap->Location() == vqTempFile;
    for (int y0 = 0; y0 < h && !abortFlag; y0 += band) {
      const int rows = std::min(band, h - y0);
      const std::int64_t want = rowBytes * rows;
      const std::int64_t got = in.Read(block.data(), want);
      int done = rows;
      if (got < want) {
        abortFlag = true;
        std::fill(block.begin() + got, block.end(), Byte(0));
        done = int((got + rowBytes - 1) / rowBytes);
      }
      auto body = [&](int b, int e) {
        for (int i = b; i < e; ++i) convert(block.data() + std::int64_t(i) * rowBytes, Bitmap->GetScanline(y0 + i));
      };
      // A file-backed image holds one row at a time.
      if (fileBacked)
        body(0, done);
      else
        ParallelRows(done, body);
      for (int i = 0; i < done; ++i) PnmProgress(Progress, y0 + i + 1, per);
    }
    return;
  }
  // Samples are not header tokens: the header's cap must not end the data.
  auto nextSample = [&](std::string& t) {
    while (in.Token(t, comment))
      if (!comment) return true;
    return false;
  };
  bool shortData = false;
  for (int y = 0; y < h && !shortData && !abortFlag; ++y) {
    Byte* row = Bitmap->GetScanline(y);
    switch (kind) {
      case 1: {
        std::memset(row, 0, std::size_t((w + 7) / 8));
        for (int x = 0; x < w;) {
          const int c = in.Get();
          if (c < 0) {
            shortData = true;
            break;
          }
          if (c != '0' && c != '1') continue;
          if (c == '0') row[x >> 3] |= Byte(0x80 >> (x & 7));
          ++x;
        }
        break;
      }
      case 2:
      case 3:
        for (int x = 0; x < w * samples && !shortData; x += samples) {
          Byte v[3];
          for (int k = 0; k < samples; ++k) {
            if (!nextSample(token)) {
              shortData = true;
              break;
            }
            v[k] = PnmScale(PnmNumber(token, 0), maxval);
          }
          if (shortData) break;
          Byte* p = row + (x / samples) * 3;
          if (samples == 1)
            p[0] = p[1] = p[2] = v[0];
          else
            p[0] = v[2], p[1] = v[1], p[2] = v[0];
        }
        break;
      default:
        break;
    }
    if (y + 1 < h || kind != 1) PnmProgress(Progress, y + 1, per);
  }
  if (shortData) abortFlag = true;
}

void SavePnmImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  if (!Bitmap || Bitmap->IsEmpty()) {
    abortFlag = true;
    return;
  }
  std::string comments;
  for (int i = 0; i < Params.PxmComments->Count(); ++i) comments += "\n# " + Params.PxmComments->Strings(i) + "\n";
  const int w = Bitmap->GetWidth(), h = Bitmap->GetHeight();
  const TVQPixelFormat fmt = Bitmap->GetPixelFormat();
  // The kind follows the image; the block only picks grey for a colour one.
  const int kind = fmt == vqBits1 || (Params.BitsPerSample == 1 && Params.SamplesPerPixel == 1) ? 4
                   : (Params.BitsPerSample == 8 || Params.BitsPerSample == 16) && Params.SamplesPerPixel == 1 ? 5
                                                                                                                   : 6;
  std::unique_ptr<TVQBitmap> copy;
  TVQBitmap* src = Bitmap;
  const TVQPixelFormat want = kind == 4 ? vqBits1 : vqRGB24;
  if (fmt != want) {
    copy = std::make_unique<TVQBitmap>();
    copy->Assign(Bitmap);
    copy->SetPixelFormat(want);
    src = copy.get();
  }
  std::string header = "P" + std::to_string(kind) + " " + comments + std::to_string(w) + " " + std::to_string(h);
  header += kind == 4 ? "\n" : " 255\n";
  SafeStreamWrite(&Stream, abortFlag, header.data(), std::int64_t(header.size()));
  const std::int64_t rowBytes = kind == 4 ? (w + 7) / 8 : kind == 5 ? w : std::int64_t(w) * 3;
  const double per = 100.0 / h;
  Progress.Per = per;
  auto convert = [&](const Byte* p, Byte* out) {
    if (kind == 4) {
      for (std::int64_t i = 0; i < rowBytes; ++i) out[i] = Byte(~p[i]);
    } else if (kind == 5) {
      for (int x = 0; x < w; ++x) out[x] = Byte((p[x * 3 + 2] * 21 + p[x * 3 + 1] * 71 + p[x * 3] * 8) / 100);
    } else {
      for (int x = 0; x < w; ++x) out[x * 3] = p[x * 3 + 2], out[x * 3 + 1] = p[x * 3 + 1], out[x * 3 + 2] = p[x * 3];
    }
  };
  // Rows go out a band at a time (about 4 MB), converted on all cores; a
  // file-backed image holds one row at a time.
  const bool fileBacked = src->Location() == vqTempFile;
  const int band = fileBacked ? 1 : int(std::clamp<std::int64_t>((std::int64_t(1) << 22) / rowBytes, 1, h));
  std::vector<Byte> out(static_cast<std::size_t>(rowBytes * band));
  for (int y0 = 0; y0 < h && !abortFlag; y0 += band) {
    const int rows = std::min(band, h - y0);
    auto body = [&](int b, int e) {
      for (int i = b; i < e; ++i) convert(src->GetScanline(y0 + i), out.data() + std::int64_t(i) * rowBytes);
    };
    if (rows > 1)
      ParallelRows(rows, body);
    else
      body(0, rows);
    SafeStreamWrite(&Stream, abortFlag, out.data(), rowBytes * rows);
    for (int i = 0; i < rows; ++i) PnmProgress(Progress, y0 + i + 1, per);
  }
}

namespace {

// Seven bits a byte, most significant first, the top bit set on all but the
// last; false for a value that runs past four bytes or the stream.
bool WbmpReadInt(TStream& s, std::int64_t& v) {
  v = 0;
  for (int i = 0; i < 4; ++i) {
    Byte b = 0;
    if (s.Read(&b, 1) != 1) return false;
    v = (v << 7) | (b & 0x7F);
    if (!(b & 0x80)) return true;
  }
  return false;
}

void WbmpPutInt(std::string& out, std::uint32_t v) {
  Byte tmp[5];
  int n = 0;
  do {
    tmp[n++] = Byte(v & 0x7F);
    v >>= 7;
  } while (v);
  while (n > 1) out.push_back(char(tmp[--n] | 0x80));
  out.push_back(char(tmp[0]));
}

}  // namespace

void LoadWbmpImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                   TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  Byte head[2] = {1, 1};
  std::int64_t width = 0, height = 0;
  if (Stream.Read(head, 2) != 2 || head[0] != 0 || head[1] != 0 || !WbmpReadInt(Stream, width) ||
      !WbmpReadInt(Stream, height) || width * height > kPnmMaxPixels) {
    abortFlag = true;
    return;
  }
  Params.BitsPerSample = 1;
  Params.SamplesPerPixel = 1;
  Params.Width = int(width);
  Params.Height = int(height);
  Params.SetDpiX(kIODefaultDpi);
  Params.SetDpiY(kIODefaultDpi);
  Params.SetColorMap(nullptr, 0);
  if (ParamsOnly || !Bitmap || width == 0 || height == 0) return;
  const int h = int(height);
  Bitmap->Allocate(int(width), h, vqBits1);
  const std::int64_t rowBytes = (width + 7) / 8;
  const double per = 100.0 / h;
  Progress.Per = per;
  for (int y = 0; y < h && !abortFlag; ++y) {
    // A set bit is white here as in the image.
    if (Stream.Read(Bitmap->GetScanline(y), rowBytes) != rowBytes) {
      abortFlag = true;
      return;
    }
    PnmProgress(Progress, y + 1, per);
  }
}

void SaveWbmpImage(TStream& Stream, TVQBitmap* Bitmap, TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  if (!Bitmap || Bitmap->IsEmpty()) {
    abortFlag = true;
    return;
  }
  // Always a copy when it must change, so the caller's image stays as it was.
  std::unique_ptr<TVQBitmap> copy;
  TVQBitmap* src = Bitmap;
  int w = Bitmap->GetWidth(), h = Bitmap->GetHeight();
  const bool cut = w > 255 || h > 255;
  if (cut || Bitmap->GetPixelFormat() != vqBits1) {
    copy = std::make_unique<TVQBitmap>();
    copy->Assign(Bitmap);
    if (copy->GetPixelFormat() != vqBits1) copy->SetPixelFormat(vqBits1);
    src = copy.get();
  }
  if (cut) {
    const int nw = w > h ? 255 : int(std::int64_t(w) * 255 / h);
    const int nh = w > h ? int(std::int64_t(h) * 255 / w) : 255;
    w = std::max(nw, 1);
    h = std::max(nh, 1);
    src->ResizeCanvas(w, h, 0, 255, 0, 0);
  }
  std::string head(2, '\0');
  WbmpPutInt(head, std::uint32_t(w));
  WbmpPutInt(head, std::uint32_t(h));
  SafeStreamWrite(&Stream, abortFlag, head.data(), std::int64_t(head.size()));
  const std::int64_t rowBytes = (w + 7) / 8;
  const double per = 100.0 / h;
  Progress.Per = per;
  for (int y = 0; y < h && !abortFlag; ++y) {
    SafeStreamWrite(&Stream, abortFlag, src->GetScanline(y), rowBytes);
    PnmProgress(Progress, y + 1, per);
  }
}
