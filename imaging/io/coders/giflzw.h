// The LZW coders of GIF image data: codes packed least significant bit
// first, carried in sub-blocks of at most 255 bytes. The GIF filter reaches
// them only through the DefGifLzwDecompress / DefGifLzwCompress hooks.
#pragma once
#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/rtl/Streams.h"

// Reads the code-size byte and the data sub-blocks up to and including the
// terminator, and writes Width x Height palette indices into Data (rows of
// Width bytes, top first). Data the coder refuses (a code size outside 2 to
// 9, a code past the table, an end code right after a clear code while data
// remains) puts the stream back where it was. Data that runs out early
// leaves the remaining pixels as they were.
void GifLzwDecode(TStream* Stream, int Height, int Width, void* Data, bool Interlaced);
// Writes the code-size byte (BitsPerPixel, at least 2), the data sub-blocks
// and the terminator. Short writes are the caller's to notice.
void GifLzwEncode(TStream* Stream, int Height, int Width, int BitsPerPixel, const void* Data, bool Interlaced);

// The hashed string table of both LZW encoders, GIF and TIFF: the key
// (byte << 12) + prefix code in 5003 slots, probed downwards.
struct TLzwHashTable {
  static constexpr int kSlots = 5003;
  // 8 minus the doublings of 5003 that reach 65536.
  static constexpr int kShift = 4;
  std::int32_t Keys[kSlots];
  std::uint16_t Codes[kSlots];

  void Clear() { std::fill(Keys, Keys + kSlots, -1); }
  // The code of prefix + c, or -1 with Slot where it would be stored.
  int Find(int prefix, int c, int& slot) const {
    const std::int32_t key = (std::int32_t(c) << 12) + prefix;
    int i = (c << kShift) ^ prefix;
    if (Keys[i] == key) return Codes[i];
    if (Keys[i] >= 0) {
      const int step = i == 0 ? 1 : kSlots - i;
      do {
        i -= step;
        if (i < 0) i += kSlots;
        if (Keys[i] == key) return Codes[i];
      } while (Keys[i] > 0);
    }
    slot = i;
    return -1;
  }
  void Store(int slot, int prefix, int c, int code) {
    Keys[slot] = (std::int32_t(c) << 12) + prefix;
    Codes[slot] = std::uint16_t(code);
  }
};

// Reads a stream through a buffer of its own, so that walking sub-blocks
// costs no call per block. The stream itself is left wherever the buffer
// took it: Sync puts it at the reader's position.
class TGifInput {
 public:
  explicit TGifInput(TStream& stream);
  TGifInput(const TGifInput&) = delete;
  TGifInput& operator=(const TGifInput&) = delete;

  std::int64_t Position() const { return base_ + at_; }
  // False at the end of the stream.
  bool ReadByte(std::uint8_t& b) {
    if (at_ == filled_ && !Fill()) return false;
    b = buffer_[at_++];
    return true;
  }
  // The bytes that came (fewer only at the end of the stream).
  std::int64_t Read(void* dst, std::int64_t n);
  // False when the stream ended first.
  bool ReadExact(void* dst, std::int64_t n) { return Read(dst, n) == n; }
  // Passes over sub-blocks up to and including the terminator (or the end
  // of the stream); false when the stream ended first.
  bool SkipSubBlocks();
  // Appends the bytes of the sub-blocks up to and including the terminator
  // onto Out; a short block ends it. False when the stream ended first.
  template <class Bytes>
  bool ReadSubBlocks(Bytes& Out) {
    for (;;) {
      std::uint8_t n = 0;
      if (!ReadByte(n)) return false;
      if (n == 0) return true;
      const std::size_t old = Out.size();
      Out.resize(old + n);
      const std::int64_t got = Read(Out.data() + old, n);
      if (got < n) {
        Out.resize(old + std::size_t(got));
        return false;
      }
    }
  }
  // Puts the stream at Position().
  void Sync();
  // Forgets the buffer and carries on from the stream's own position.
  void Restart();

 private:
  bool Fill();
  TStream& stream_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::int64_t base_ = 0;  // stream position of buffer_[0]
  std::int64_t filled_ = 0;
  std::int64_t at_ = 0;
};
