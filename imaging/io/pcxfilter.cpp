#include "imaging/io/pcxfilter.h"

#include <vector>

#include "imaging/io/pictoraio_formats.h"
#include "platform/graphics/ByteReader.h"

namespace {

struct TDcxTable {
  bool magic = false;
  bool complete = false;  // ended by a 0 or by the 1024th entry
  std::vector<std::uint32_t> offsets;
};

TDcxTable ReadDcxTable(TStream* stream) {
  TDcxTable t;
  std::uint8_t word[4];
  if (!ReadExact(stream, word, sizeof word)) return t;
  if (TByteReader(word, 4).U32() != kDcxMagic) return t;
  t.magic = true;
  while (int(t.offsets.size()) < kDcxMaxPages) {
    if (!ReadExact(stream, word, sizeof word)) return t;
    std::uint32_t offset = TByteReader(word, 4).U32();
    if (offset == 0) break;
    t.offsets.push_back(offset);
  }
  t.complete = true;
  return t;
}

}  // namespace

bool IsDcxStream(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  const std::int64_t size = Stream->Size();
  TDcxTable t = ReadDcxTable(Stream);
  if (!t.magic || !t.complete) return false;
  for (std::uint32_t offset : t.offsets)
    if (std::int64_t(offset) >= size) return false;
  return true;
}

int CountDcxPages(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  return int(ReadDcxTable(Stream).offsets.size());
}
