// Feeds arbitrary files to LoadPicture, named .bmp, .jpg or .ico by the
// first byte. A picture that loads is a non-empty 24-bit bitmap; a JPEG read
// from its file in blocks must give exactly what decoding the bytes in
// memory gives.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/pixels/RotateImage.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/Exceptions.h"

namespace {

const std::string& BaseName() {
  static const std::string base = "/tmp/lumiqa-fuzz-loadpicture-" + std::to_string(::getpid());
  return base;
}

void CheckSameAsMemoryDecode(const TBitmap& loaded, const std::uint8_t* data, std::size_t size) {
  TDibImage memory;
  try {
    memory = DecodeJpeg(data, size);
  } catch (const EInvalidGraphic&) {
    std::abort();  // the file decoded, so must the same bytes in memory
  }
  if (memory.Width != loaded.Width() || memory.Height != loaded.Height()) std::abort();
  for (int y = 0; y < memory.Height; ++y) {
    const std::uint8_t* a = memory.Row(y);
    const auto* b = static_cast<const std::uint8_t*>(loaded.ScanLine(y));
    for (int x = 0; x < memory.Width; ++x) {
      if (memory.BitCount == 8) {
        if (b[3 * x] != a[x] || b[3 * x + 1] != a[x] || b[3 * x + 2] != a[x]) std::abort();
      } else if (std::memcmp(b + 3 * x, a + 3 * x, 3) != 0) {
        std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kinds[] = {".bmp", ".jpg", ".ico"};
  const int kind = data[0] % 3;
  const std::string name = BaseName() + kinds[kind];
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return 0;
  if (size > 1) std::fwrite(data + 1, 1, size - 1, f);
  std::fclose(f);
  auto picture = LoadPicture(name, std::uint64_t(1) << 22);
  std::remove(name.c_str());
  if (!picture) return 0;
  if (picture->Empty() || picture->PixelFormat() != pf24bit) std::abort();
  if (kind == 1) CheckSameAsMemoryDecode(*picture, data + 1, size - 1);
  return 0;
}
