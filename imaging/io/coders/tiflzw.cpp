#include "imaging/io/coders/tiflzw.h"

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/coders/giflzw.h"

namespace {

constexpr int kTifClear = 256;
constexpr int kTifEnd = 257;
constexpr int kTifFirstFree = 258;
constexpr int kTifCodes = 4096;
// No string is longer than the table has entries.
constexpr int kTifMaxString = kTifCodes;
constexpr std::size_t kTifOutputFlush = 65536;

struct TTifDecoder {
  const std::uint8_t* Data = nullptr;
  std::int64_t DataBits = 0;
  std::int64_t DataSize = 0;
  std::int64_t Bit = 0;
  int RowSize = 0;
  std::vector<std::uint8_t> Out;
  std::int64_t Used = 0;
  bool Delivered = false;
  bool Ended = false;
  int Next = kTifFirstFree;
  int Width = 9;
  int Prev = -1;
  std::uint16_t Prefix[kTifCodes];
  std::uint16_t Length[kTifCodes];
  std::uint8_t Suffix[kTifCodes];
  std::uint8_t First[kTifCodes];

  // False when no whole code is left in the data.
  bool ReadCode(int& code) {
    if (Bit + Width > DataBits) return false;
    const std::int64_t at = Bit >> 3;
    std::uint32_t v = 0;
    if (at + 3 <= DataSize)
      v = std::uint32_t(Data[at]) << 16 | std::uint32_t(Data[at + 1]) << 8 | Data[at + 2];
    else
      for (int i = 0; i < 3; ++i) v = v << 8 | (at + i < DataSize ? Data[at + i] : 0u);
    code = int((v << (Bit & 7) & 0xFFFFFF) >> (24 - Width));
    Bit += Width;
    return true;
  }
  void Emit(int code) {
    const int n = Length[code];
    std::uint8_t* p = Out.data() + Used + n;
    for (int c = code; p > Out.data() + Used; c = Prefix[c]) *--p = Suffix[c];
    Used += n;
  }
  // False when the table overflows.
  bool Add(int prefix, std::uint8_t byte) {
    Prefix[Next] = std::uint16_t(prefix);
    Suffix[Next] = byte;
    First[Next] = First[prefix];
    Length[Next] = std::uint16_t(Length[prefix] + 1);
    ++Next;
    if (Next == 511)
      Width = 10;
    else if (Next == 1023)
      Width = 11;
    else if (Next == 2047)
      Width = 12;
    return Next <= kTifCodes - 1;
  }
  // False on a bad code.
  bool Step(int code) {
    if (code == kTifClear) {
      Next = kTifFirstFree;
      Width = 9;
      do {
        if (!ReadCode(code) || code == kTifEnd) {
          Ended = true;
          return true;
        }
      } while (code == kTifClear);
      if (code >= Next) return false;
      Emit(code);
    } else if (code == kTifEnd) {
      Ended = true;
      return true;
    } else if (code < Next) {
      Emit(code);
      // A strip that does not begin with a clear code starts from the
      // initial table, as the first code after a clear would.
      if (Prev >= 0 && !Add(Prev, First[code])) return false;
    } else if (code == Next && Prev >= 0) {
      if (!Add(Prev, First[Prev])) return false;
      Emit(code);
    } else {
      return false;
    }
    Prev = code;
    return true;
  }
};

struct TTifEncoder {
  TLzwHashTable Hash;
  TStream* Stream = nullptr;
  int Width = 9;
  int MaxCode = 511;
  int Next = kTifFirstFree;
  int Prefix = -1;
  bool ClearFlag = false;
  std::uint32_t Accum = 0;
  int Bits = 0;
  std::vector<std::uint8_t> Out;

  void Flush() {
    if (!Out.empty()) Stream->Write(Out.data(), std::int64_t(Out.size()));
    Out.clear();
  }
  void Output(int code) {
    Accum |= std::uint32_t(code) << (32 - Bits - Width);
    Bits += Width;
    while (Bits >= 8) {
      Out.push_back(std::uint8_t(Accum >> 24));
      Accum <<= 8;
      Bits -= 8;
    }
    if (ClearFlag) {
      Width = 9;
      MaxCode = 511;
      ClearFlag = false;
    } else if (Next >= MaxCode && Width < 12) {
      ++Width;
      MaxCode = Width == 12 ? kTifCodes - 1 : (1 << Width) - 1;
    }
    if (code == kTifEnd && Bits > 0) {
      Out.push_back(std::uint8_t(Accum >> 24));
      Accum = 0;
      Bits = 0;
    }
    if (Out.size() >= kTifOutputFlush) Flush();
  }
  void Take(const std::uint8_t* row, int n) {
    for (int x = 0; x < n; ++x) {
      const int c = row[x];
      if (Prefix < 0) {
        Prefix = c;
        continue;
      }
      int slot = 0;
      const int code = Hash.Find(Prefix, c, slot);
      if (code >= 0) {
        Prefix = code;
        continue;
      }
      Output(Prefix);
      if (Next > kTifCodes - 3) {
        Hash.Clear();
        Next = kTifFirstFree;
        ClearFlag = true;
        Output(kTifClear);
      } else {
        Hash.Store(slot, Prefix, c, Next++);
      }
      Prefix = c;
    }
  }
};

}  // namespace

void* TiffLzwDecode(const void* Data, std::int64_t DataSize, int Size, void** State) {
  if (!State) return nullptr;
  auto* d = static_cast<TTifDecoder*>(*State);
  if (!Data) {
    delete d;
    *State = nullptr;
    return nullptr;
  }
  if (!d) {
    if (Size <= 0 || DataSize < 0) return nullptr;
    d = new TTifDecoder;
    *State = d;
    d->Data = static_cast<const std::uint8_t*>(Data);
    d->DataSize = DataSize;
    d->DataBits = DataSize * 8;
    d->RowSize = Size;
    d->Out.resize(std::size_t(Size) + kTifMaxString);
    for (int i = 0; i < 256; ++i) {
      d->Prefix[i] = 0;
      d->Length[i] = 1;
      d->Suffix[i] = std::uint8_t(i);
      d->First[i] = std::uint8_t(i);
    }
  }
  const std::int64_t size = d->RowSize;
  if (d->Delivered) {
    const std::int64_t surplus = d->Used - size;
    std::memmove(d->Out.data(), d->Out.data() + size, std::size_t(surplus));
    d->Used = surplus;
  }
  d->Delivered = true;
  while (d->Used < size && !d->Ended) {
    int code = 0;
    if (!d->ReadCode(code)) {
      d->Ended = true;
      break;
    }
    if (!d->Step(code)) return nullptr;
  }
  if (d->Used < size) {
    std::memset(d->Out.data() + d->Used, 0, std::size_t(size - d->Used));
    d->Used = size;
  }
  return d->Out.data();
}

void TiffLzwEncode(const void* Row, int Size, TStream* Stream, void** State) {
  if (!State) return;
  auto* e = static_cast<TTifEncoder*>(*State);
  if (!e) {
    e = new TTifEncoder;
    *State = e;
    e->Stream = Stream;
    e->Out.reserve(kTifOutputFlush + 16);
    e->Hash.Clear();
    e->Output(kTifClear);
  }
  if (Row) {
    if (Size > 0) e->Take(static_cast<const std::uint8_t*>(Row), Size);
    return;
  }
  if (e->Prefix >= 0) e->Output(e->Prefix);
  e->Output(kTifEnd);
  e->Flush();
  delete e;
  *State = nullptr;
}
