// Feeds arbitrary video frames to the frame import: the first byte picks
// the layout written into the header's compression field, the second
// whether the frame is handed over apart from the header. Every layout
// must stay inside the bytes it is given.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/core/colour/pictoraproc_frames.h"
#include "platform/rtl/Exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const layouts[] = {"I420", "IYUV", "YV12", "YVU9", "YUY2", "YUNV", "UYVY", "UYNV",
                                        "cyuv", "YVYU", "Y211", "IYU1", "IYU2", "Y41P", "CLJR", "ABCD"};
  if (size < 2 || size > 1 << 20) return 0;
  const char* f = layouts[data[0] & 15];
  const bool apart = data[1] & 1;
  // A copy of exactly the given bytes, so a read past them is seen.
  std::vector<std::uint8_t> block(data + 2, data + size);
  if (block.size() >= 20) {
    const std::uint32_t code = VQFourCC(f[0], f[1], f[2], f[3]);
    std::memcpy(block.data() + 16, &code, 4);
  }
  try {
    TVQBitmap bitmap;
    const std::size_t head = block.size() < 40 ? block.size() : 40;
    std::vector<std::uint8_t> header(block.begin(), block.begin() + std::ptrdiff_t(head));
    std::vector<std::uint8_t> frame(block.begin() + std::ptrdiff_t(head), block.end());
    if (apart)
      FrameToBitmap(header.data(), header.size(), &bitmap, frame.data(), frame.size());
    else
      FrameToBitmap(block.data(), block.size(), &bitmap);
    const TVQDibHeader h = ReadDibHeader(block.data(), block.size());
    const int height = h.Height < 0 ? -h.Height : h.Height;
    if (bitmap.GetWidth() != h.Width || bitmap.GetHeight() != height) std::abort();
  } catch (const EInvalidGraphic&) {
  } catch (const EOutOfMemory&) {
  }
  return 0;
}
