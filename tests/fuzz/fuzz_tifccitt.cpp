// Feeds arbitrary bytes to the CCITT row decoders. Whatever they make of
// the bytes, the rows they give must encode and decode back unchanged in
// every scheme.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/io/tifccitt.h"
#include "platform/rtl/Streams.h"

namespace {

std::vector<Byte> FuzzCcittBytes(TMemoryStream& s) {
  std::vector<Byte> v(std::size_t(s.Size()));
  if (!v.empty()) std::memcpy(v.data(), s.Memory(), v.size());
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // Header: width (1 to 4096), then the scheme, fill bits and bit order.
  const int width = 1 + ((data[0] | data[1] << 8) & 0xFFF);
  const int scheme = data[2] & 3;
  const bool fillBits = data[2] & 4;
  const int fillOrder = data[2] & 8 ? 2 : 1;
  const Byte* in = data + 3;
  const auto n = std::int64_t(size - 3);
  const int bytes = (width + 7) / 8;
  const int rows = 1 + int(size % 16);
  std::vector<std::vector<Byte>> decoded;
  std::vector<Byte> ref(std::size_t(bytes), 0xFF), row(std::size_t(bytes));
  std::int64_t bit = 0, at = 0;
  for (int y = 0; y < rows; ++y) {
    switch (scheme) {
      case 0: at += DecodeCcittHuffman(row.data(), in + std::min(at, n), n - std::min(at, n), fillOrder, width); break;
      case 1: bit = DecodeCcitt1D(row.data(), in, n, fillOrder, bit, width); break;
      default: bit = DecodeCcitt2D(row.data(), in, n, fillBits, fillOrder, bit, ref.data(), width); break;
    }
    decoded.push_back(row);
  }
  // The decoded rows (set is white) become encoder rows (set is black).
  for (auto& r : decoded)
    for (Byte& b : r) b = Byte(~b);
  for (int s = 0; s < 4; ++s) {
    TMemoryStream out;
    bool abort = false;
    int pendingBits = 0;
    Byte pending = 0;
    Byte* eref = nullptr;
    for (const auto& r : decoded) {
      if (s == 0) EncodeCcittHuffman(r.data(), width, &out, abort);
      if (s == 1) EncodeCcittRow1D(r.data(), width, &out, abort, pendingBits, pending);
      if (s == 2) EncodeCcitt1D(r.data(), width, &out, abort, eref, pendingBits, pending);
      if (s == 3) EncodeCcitt2D(r.data(), width, &out, abort, eref, pendingBits, pending);
    }
    if (s == 1) EncodeCcittRow1D(nullptr, width, &out, abort, pendingBits, pending);
    if (s == 2) EncodeCcitt1D(nullptr, width, &out, abort, eref, pendingBits, pending);
    if (s == 3) EncodeCcitt2D(nullptr, width, &out, abort, eref, pendingBits, pending);
    if (abort || eref) std::abort();
    const std::vector<Byte> coded = FuzzCcittBytes(out);
    const auto cn = std::int64_t(coded.size());
    std::vector<Byte> dref(std::size_t(bytes), 0xFF), back(std::size_t(bytes));
    std::int64_t b = 0, a = 0;
    for (const auto& r : decoded) {
      if (s == 0) a += DecodeCcittHuffman(back.data(), coded.data() + std::min(a, cn), cn - std::min(a, cn), 1, width);
      if (s == 1) b = DecodeCcitt1D(back.data(), coded.data(), cn, 1, b, width);
      if (s >= 2) b = DecodeCcitt2D(back.data(), coded.data(), cn, false, 1, b, dref.data(), width);
      for (int x = 0; x < width; ++x)
        if (((back[std::size_t(x / 8)] ^ r[std::size_t(x / 8)]) & (0x80 >> (x % 8))) == 0) std::abort();
    }
  }
  return 0;
}
