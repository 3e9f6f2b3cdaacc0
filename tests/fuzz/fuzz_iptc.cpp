// IPTC blocks as a JPEG or TIFF file carries them: decoding must stay inside
// the block, and what decodes must encode and decode to the same items.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/core/metadata/vqzutils_metadata.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 20) return 0;
  TVQIPTCInfoList list;
  list.LoadFromBuffer(data, static_cast<int>(size));
  Byte* block = nullptr;
  int length = 0;
  list.SaveToBuffer(block, length, (size & 1) != 0);
  TVQIPTCInfoList again;
  again.LoadFromBuffer(block, length);
  delete[] block;
  // Items the encoder drops (the record version, empty ones) are the only
  // difference; every other item survives in order.
  std::size_t j = 0;
  for (int i = 0; i < list.GetCount(); ++i) {
    const TVQIPTCItem& item = list.Items[static_cast<std::size_t>(i)];
    if ((item.Record & 0xFF) == 2 && (item.DataSet & 0xFF) == 0) continue;
    if (item.Length == 0) continue;
    while (j < again.Items.size() && again.Items[j].Record == 2 && again.Items[j].DataSet == 0) ++j;
    if (j >= again.Items.size() || again.Buffers[j] != list.Buffers[static_cast<std::size_t>(i)]) std::abort();
    ++j;
  }
  return 0;
}
