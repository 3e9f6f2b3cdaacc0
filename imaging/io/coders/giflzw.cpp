#include "imaging/io/coders/giflzw.h"

#include <cstring>
#include <vector>

namespace {

constexpr int kGifMaxCodes = 4096;
constexpr int kGifMaxWidth = 12;
constexpr std::int64_t kGifInputBlock = 65536;
constexpr std::size_t kGifOutputFlush = 65536;

// Rows of the interlaced passes: first row and step.
constexpr int kGifPassStart[4] = {0, 4, 2, 1};
constexpr int kGifPassStep[4] = {8, 8, 4, 2};

// Where the decoded pixels go: rows of Width bytes, in file order or in
// the four interlaced passes; pixels past the last row are dropped.
class TGifPixelSink {
 public:
  TGifPixelSink(std::uint8_t* data, int width, int height, bool interlaced)
      : data_(data), width_(width), height_(height), interlaced_(interlaced) {
    left_ = width > 0 && height > 0 ? std::int64_t(width) * height : 0;
  }
  std::int64_t Left() const { return left_; }
  // n bytes of one string, in order.
  void Put(const std::uint8_t* s, std::int64_t n) {
    if (!interlaced_) {
      const std::int64_t k = std::min(n, left_);
      std::memcpy(data_ + linear_, s, std::size_t(k));
      linear_ += k;
      left_ -= k;
      return;
    }
    while (n > 0 && left_ > 0) {
      const int k = int(std::min<std::int64_t>(n, width_ - col_));
      std::memcpy(data_ + std::int64_t(row_) * width_ + col_, s, std::size_t(k));
      s += k;
      n -= k;
      left_ -= k;
      col_ += k;
      if (col_ == width_) NextRow();
    }
  }
  // Room for a string of n bytes written straight in place (file order),
  // or nullptr.
  std::uint8_t* Direct(std::int64_t n) {
    if (interlaced_ || n > left_) return nullptr;
    std::uint8_t* p = data_ + linear_;
    linear_ += n;
    left_ -= n;
    return p;
  }

 private:
  void NextRow() {
    col_ = 0;
    row_ += kGifPassStep[pass_];
    while (row_ >= height_ && pass_ < 3) {
      ++pass_;
      row_ = kGifPassStart[pass_];
    }
    if (row_ >= height_) left_ = 0;
  }
  std::uint8_t* data_;
  int width_, height_;
  bool interlaced_;
  std::int64_t left_ = 0;
  std::int64_t linear_ = 0;
  int row_ = 0, col_ = 0, pass_ = 0;
};

// One entry's fields side by side: walking a string touches them together.
struct TGifCode {
  std::uint16_t Prefix;
  std::uint16_t Length;
  std::uint8_t Suffix;
  std::uint8_t First;
};

enum class TGifDecodeEnd { Done, Refused };

TGifDecodeEnd GifDecodeCodes(const std::uint8_t* buf, std::int64_t size, int codeSize, TGifPixelSink& sink) {
  std::vector<TGifCode> t(kGifMaxCodes);
  const int clear = 1 << codeSize;
  const int end = clear + 1;
  for (int i = 0; i < clear; ++i) t[std::size_t(i)] = {0, 1, std::uint8_t(i), std::uint8_t(i)};
  const std::int64_t totalBits = size * 8;
  std::int64_t bit = 0;
  int width = codeSize + 1;
  int next = end + 1;
  int limit = 1 << width;
  bool full = false;
  int prev = -1;
  std::uint8_t stack[kGifMaxCodes];

  auto readCode = [&](int& code) {
    if (bit + width > totalBits) return false;
    const std::uint8_t* p = buf + (bit >> 3);
    // The buffer carries three zero bytes past its end.
    const std::uint32_t v = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
    code = int((v >> (bit & 7)) & ((1u << width) - 1));
    bit += width;
    return true;
  };
  auto emit = [&](int code) {
    const TGifCode* e = &t[std::size_t(code)];
    const int n = e->Length;
    std::uint8_t* out = sink.Direct(n);
    std::uint8_t* base = out ? out : stack;
    std::uint8_t* p = base + n;
    while (p > base) {
      *--p = e->Suffix;
      e = &t[e->Prefix];
    }
    if (!out) sink.Put(stack, n);
  };
  auto add = [&](int prefix, std::uint8_t byte) {
    if (full) return;
    const TGifCode& from = t[std::size_t(prefix)];
    t[std::size_t(next)] = {std::uint16_t(prefix), std::uint16_t(from.Length + 1), byte, from.First};
    if (++next == limit) {
      if (width < kGifMaxWidth) {
        ++width;
        limit <<= 1;
      } else {
        // Later codes are read at 12 bits without new entries until a clear
        // code comes: real encoders defer the clear this way.
        full = true;
      }
    }
  };

  int code = 0;
  if (!readCode(code)) return TGifDecodeEnd::Done;
  while (code != end) {
    if (code == clear) {
      width = codeSize + 1;
      next = end + 1;
      limit = 1 << width;
      full = false;
      do {
        if (!readCode(code)) return TGifDecodeEnd::Done;
      } while (code == clear);
      if (code == end) return (bit + 7) / 8 < size ? TGifDecodeEnd::Refused : TGifDecodeEnd::Done;
      if (code >= next) code = 0;
      emit(code);
    } else if (code < next) {
      emit(code);
      // A stream that does not start with a clear code starts from the
      // initial table, as the first code after a clear would.
      if (prev >= 0) add(prev, t[std::size_t(code)].First);
    } else if (code == next && prev >= 0 && !full) {
      add(prev, t[std::size_t(prev)].First);
      emit(code);
    } else {
      return TGifDecodeEnd::Refused;
    }
    prev = code;
    // Codes after the last pixel are not looked at: some writers leave
    // padding there.
    if (sink.Left() == 0) return TGifDecodeEnd::Done;
    if (!readCode(code)) return TGifDecodeEnd::Done;
  }
  return TGifDecodeEnd::Done;
}

// The encoder's state for one call.
struct TGifEncoder {
  TLzwHashTable Hash;
  TStream* Stream = nullptr;
  int InitWidth = 0;
  int Width = 0;
  int MaxCode = 0;
  int ClearCode = 0;
  int EndCode = 0;
  int Next = 0;
  bool ClearFlag = false;
  std::uint32_t Accum = 0;
  int Bits = 0;
  std::uint8_t Block[256];
  int BlockLength = 0;
  std::vector<std::uint8_t> Out;

  void FlushBlock() {
    if (BlockLength == 0) return;
    Out.push_back(std::uint8_t(BlockLength));
    Out.insert(Out.end(), Block, Block + BlockLength);
    BlockLength = 0;
    if (Out.size() >= kGifOutputFlush) FlushOut();
  }
  void FlushOut() {
    if (!Out.empty()) Stream->Write(Out.data(), std::int64_t(Out.size()));
    Out.clear();
  }
  void PutByte(std::uint8_t b) {
    Block[BlockLength++] = b;
    if (BlockLength == 254) FlushBlock();
  }
  void Output(int code) {
    Accum |= std::uint32_t(code) << Bits;
    Bits += Width;
    while (Bits >= 8) {
      PutByte(std::uint8_t(Accum));
      Accum >>= 8;
      Bits -= 8;
    }
    if (ClearFlag) {
      Width = InitWidth;
      MaxCode = (1 << Width) - 1;
      ClearFlag = false;
    } else if (Next > MaxCode) {
      ++Width;
      MaxCode = Width == kGifMaxWidth ? kGifMaxCodes : (1 << Width) - 1;
    }
    if (code == EndCode && Bits > 0) {
      PutByte(std::uint8_t(Accum));
      Accum = 0;
      Bits = 0;
    }
  }
};

}  // namespace

// ---- buffered input ---------------------------------------------------------------

TGifInput::TGifInput(TStream& stream) : stream_(stream), buffer_(new std::uint8_t[kGifInputBlock]) {
  base_ = stream.Position();
}

bool TGifInput::Fill() {
  base_ += filled_;
  filled_ = 0;
  at_ = 0;
  const std::int64_t n = stream_.Read(buffer_.get(), kGifInputBlock);
  if (n <= 0) return false;
  filled_ = n;
  return true;
}

std::int64_t TGifInput::Read(void* dst, std::int64_t n) {
  auto* d = static_cast<std::uint8_t*>(dst);
  std::int64_t done = 0;
  while (done < n) {
    if (at_ == filled_ && !Fill()) break;
    const std::int64_t k = std::min(n - done, filled_ - at_);
    std::memcpy(d + done, buffer_.get() + at_, std::size_t(k));
    at_ += k;
    done += k;
  }
  return done;
}

bool TGifInput::SkipSubBlocks() {
  for (;;) {
    std::uint8_t n = 0;
    if (!ReadByte(n)) return false;
    if (n == 0) return true;
    if (filled_ - at_ >= n) {
      at_ += n;
      continue;
    }
    std::int64_t left = n - (filled_ - at_);
    at_ = filled_;
    while (left > 0) {
      if (!Fill()) return false;
      const std::int64_t k = std::min(left, filled_);
      at_ = k;
      left -= k;
    }
  }
}

void TGifInput::Sync() { stream_.Seek(Position(), soBeginning); }

void TGifInput::Restart() {
  base_ = stream_.Position();
  filled_ = 0;
  at_ = 0;
}

// ---- the coders ---------------------------------------------------------------------

void GifLzwDecode(TStream* Stream, int Height, int Width, void* Data, bool Interlaced) {
  const std::int64_t start = Stream->Position();
  TGifInput in(*Stream);
  std::uint8_t codeSize = 0;
  if (!in.ReadByte(codeSize) || codeSize < 2 || codeSize > 9) {
    Stream->Seek(start, soBeginning);
    return;
  }
  std::vector<std::uint8_t> buf;
  in.ReadSubBlocks(buf);
  in.Sync();
  if (buf.empty()) return;
  const std::int64_t size = std::int64_t(buf.size());
  buf.resize(buf.size() + 3, 0);
  TGifPixelSink sink(static_cast<std::uint8_t*>(Data), Width, Height, Interlaced);
  if (GifDecodeCodes(buf.data(), size, codeSize, sink) == TGifDecodeEnd::Refused) Stream->Seek(start, soBeginning);
}

void GifLzwEncode(TStream* Stream, int Height, int Width, int BitsPerPixel, const void* Data, bool Interlaced) {
  auto e = std::make_unique<TGifEncoder>();
  const int codeSize = std::clamp(BitsPerPixel, 2, 8);
  const int pixelMask = (1 << codeSize) - 1;
  e->Stream = Stream;
  e->InitWidth = e->Width = codeSize + 1;
  e->MaxCode = (1 << e->Width) - 1;
  e->ClearCode = 1 << codeSize;
  e->EndCode = e->ClearCode + 1;
  e->Next = e->ClearCode + 2;
  e->Out.reserve(kGifOutputFlush + 512);
  e->Out.push_back(std::uint8_t(codeSize));
  e->Hash.Clear();
  e->Output(e->ClearCode);

  const auto* pixels = static_cast<const std::uint8_t*>(Data);
  const bool any = Width > 0 && Height > 0;
  int prefix = -1;
  auto take = [&](const std::uint8_t* row, int n) {
    for (int x = 0; x < n; ++x) {
      const int c = row[x] & pixelMask;
      if (prefix < 0) {
        prefix = c;
        continue;
      }
      int slot = 0;
      const int code = e->Hash.Find(prefix, c, slot);
      if (code >= 0) {
        prefix = code;
        continue;
      }
      e->Output(prefix);
      if (e->Next >= kGifMaxCodes) {
        e->Hash.Clear();
        e->Next = e->ClearCode + 2;
        e->ClearFlag = true;
        e->Output(e->ClearCode);
      } else {
        e->Hash.Store(slot, prefix, c, e->Next++);
      }
      prefix = c;
    }
  };
  if (any && !Interlaced) {
    const std::int64_t total = std::int64_t(Width) * Height;
    for (std::int64_t done = 0; done < total;) {
      const int n = int(std::min<std::int64_t>(total - done, 1 << 30));
      take(pixels + done, n);
      done += n;
    }
  } else if (any) {
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kGifPassStart[pass]; y < Height; y += kGifPassStep[pass])
        take(pixels + std::int64_t(y) * Width, Width);
  }
  if (prefix >= 0) e->Output(prefix);
  e->Output(e->EndCode);
  e->FlushBlock();
  e->Out.push_back(0);
  e->FlushOut();
}
