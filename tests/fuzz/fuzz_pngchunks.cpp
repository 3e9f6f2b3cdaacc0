// Reads arbitrary bytes as a PNG chunk stream. Whatever the bytes, reading
// ends, and chunks that were read write back to a stream that reads again
// to the same chunk types.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/rtl/Streams.h"
#include "skin/engine/sppngimage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMemoryStream in;
  if (size) in.WriteBuffer(data, std::int64_t(size));
  in.Seek(0, soBeginning);
  std::vector<std::unique_ptr<TspPngLayer>> chunks;
  if (!ReadPngChunks(in, chunks)) return 0;
  TMemoryStream out;
  if (!WritePngChunks(out, chunks)) std::abort();
  out.Seek(0, soBeginning);
  std::vector<std::unique_ptr<TspPngLayer>> again;
  if (!ReadPngChunks(out, again) || again.size() != chunks.size()) std::abort();
  for (std::size_t i = 0; i < chunks.size(); ++i)
    if (again[i]->TypeName() != chunks[i]->TypeName()) std::abort();
  return 0;
}
