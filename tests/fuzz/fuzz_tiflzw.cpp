// Feeds arbitrary strips to the TIFF LZW decoder: byte 0 gives the row
// size, the rest is the strip. The rows it gives must go through the
// encoder and back unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/coders/tiflzw.h"
#include "platform/rtl/Streams.h"

namespace {

// Rows until the decoder fails or rows are done; the strip is copied to a
// block of exactly its size, so a read past it shows.
std::vector<std::uint8_t> FuzzTifRows(const std::uint8_t* strip, std::size_t n, int rowSize, int rows) {
  std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[n ? n : 1]);
  if (n) std::memcpy(copy.get(), strip, n);
  void* state = nullptr;
  std::vector<std::uint8_t> out;
  for (int r = 0; r < rows; ++r) {
    const auto* row = static_cast<const std::uint8_t*>(TiffLzwDecode(copy.get(), std::int64_t(n), rowSize, &state));
    if (!row) break;
    out.insert(out.end(), row, row + rowSize);
  }
  TiffLzwDecode(nullptr, 0, rowSize, &state);
  if (state) std::abort();
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int rowSize = data[0] % 200 + 1;
  const int rows = 64;
  const std::vector<std::uint8_t> decoded = FuzzTifRows(data + 1, size - 1, rowSize, rows);

  TMemoryStream coded;
  void* state = nullptr;
  for (std::size_t at = 0; at < decoded.size(); at += std::size_t(rowSize))
    TiffLzwEncode(decoded.data() + at, rowSize, &coded, &state);
  TiffLzwEncode(nullptr, 0, &coded, &state);
  if (state) std::abort();
  const auto* p = static_cast<const std::uint8_t*>(coded.Memory());
  const int n = int(decoded.size()) / rowSize;
  if (FuzzTifRows(p, std::size_t(coded.Size()), rowSize, n) != decoded) std::abort();
  return 0;
}
