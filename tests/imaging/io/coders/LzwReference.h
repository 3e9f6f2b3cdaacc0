// A plain LZW coder for the coder tests: a dictionary of strings, with the
// code width taken from the decoder's count of entries, written without
// the library's hashing or tables so that it can check them.
#pragma once
#include <cstdint>
#include <map>
#include <vector>

struct TLzwRefOptions {
  int CodeSize = 8;
  bool MsbFirst = false;      // TIFF packs from the most significant bit
  bool EarlyChange = false;   // TIFF widens one code early
  bool InitialClear = true;
  // The last entry an encoder adds before it clears (or, when ClearWhenFull
  // is false, stops adding: the deferred clear).
  int LastEntry = 4095;
  bool ClearWhenFull = true;
};

class TLzwRefBits {
 public:
  explicit TLzwRefBits(bool msb) : msb_(msb) {}
  void Put(int code, int width) {
    for (int i = 0; i < width; ++i) {
      const int bit = msb_ ? (code >> (width - 1 - i)) & 1 : (code >> i) & 1;
      if (n_ % 8 == 0) bytes_.push_back(0);
      if (bit) bytes_.back() |= std::uint8_t(msb_ ? 0x80 >> (n_ % 8) : 1 << (n_ % 8));
      ++n_;
    }
  }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  bool msb_;
  std::vector<std::uint8_t> bytes_;
  int n_ = 0;
};

inline int LzwRefWidth(const TLzwRefOptions& o, int decoderNext) {
  int w = o.CodeSize + 1;
  while (w < 12 && decoderNext + (o.EarlyChange ? 1 : 0) >= (1 << w)) ++w;
  return w;
}

// The packed codes (no sub-blocks) of data.
inline std::vector<std::uint8_t> LzwRefEncode(const std::vector<std::uint8_t>& data, const TLzwRefOptions& o) {
  const int clear = 1 << o.CodeSize, end = clear + 1;
  TLzwRefBits bits(o.MsbFirst);
  // (code of a string, next byte) -> code of the longer string.
  std::map<std::pair<int, int>, int> dict;
  int next = end + 1;
  // The decoder's entries: it adds one for every code but the first after a
  // clear (or at the start).
  int decoderNext = end + 1;
  bool first = true;
  auto emit = [&](int code) {
    bits.Put(code, LzwRefWidth(o, decoderNext));
    if (code == clear) {
      decoderNext = end + 1;
      first = true;
      return;
    }
    if (!first && decoderNext <= o.LastEntry) ++decoderNext;
    first = false;
  };
  if (o.InitialClear) emit(clear);
  int w = -1;
  for (std::uint8_t c : data) {
    if (w < 0) {
      w = c;
      continue;
    }
    const auto found = dict.find({w, c});
    if (found != dict.end()) {
      w = found->second;
      continue;
    }
    emit(w);
    if (next <= o.LastEntry) {
      dict[{w, c}] = next++;
    } else if (o.ClearWhenFull) {
      emit(clear);
      dict.clear();
      next = end + 1;
    }
    w = c;
  }
  if (w >= 0) emit(w);
  emit(end);
  return bits.Bytes();
}

// Decodes packed codes; stops at the end code, a bad code or the data's end.
inline std::vector<std::uint8_t> LzwRefDecode(const std::vector<std::uint8_t>& bytes, const TLzwRefOptions& o) {
  const int clear = 1 << o.CodeSize, end = clear + 1;
  // Entries as (prefix entry or -1, last byte).
  std::vector<std::pair<int, std::uint8_t>> table;
  auto reset = [&] {
    table.clear();
    for (int i = 0; i < clear + 2; ++i) table.push_back({-1, std::uint8_t(i)});
  };
  auto string = [&](int code) {
    std::vector<std::uint8_t> s;
    for (int c = code; c >= 0; c = table[std::size_t(c)].first) s.insert(s.begin(), table[std::size_t(c)].second);
    return s;
  };
  reset();
  std::vector<std::uint8_t> out;
  const std::int64_t total = std::int64_t(bytes.size()) * 8;
  std::int64_t at = 0;
  int prev = -1;
  for (;;) {
    const int width = LzwRefWidth(o, int(table.size()));
    if (at + width > total) break;
    int code = 0;
    for (int i = 0; i < width; ++i, ++at) {
      const int bit = (bytes[std::size_t(at / 8)] >> (o.MsbFirst ? 7 - at % 8 : at % 8)) & 1;
      code = o.MsbFirst ? code << 1 | bit : code | bit << i;
    }
    if (code == clear) {
      reset();
      prev = -1;
      continue;
    }
    if (code == end) break;
    std::vector<std::uint8_t> s;
    if (code < int(table.size())) {
      s = string(code);
    } else if (code == int(table.size()) && prev >= 0) {
      s = string(prev);
      s.push_back(s[0]);
    } else {
      break;
    }
    if (prev >= 0 && int(table.size()) <= o.LastEntry) table.push_back({prev, s[0]});
    out.insert(out.end(), s.begin(), s.end());
    prev = code;
  }
  return out;
}
