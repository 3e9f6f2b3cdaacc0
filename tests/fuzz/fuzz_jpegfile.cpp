// JPEG data left in its file: arbitrary bytes in a memory-backed file,
// loaded through a handle stream, decoded from the file and saved again.
// What loads must decode to the pixels a decode from memory gives, or be
// refused as the memory load refuses it, and save back byte for byte.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

struct TLoaded {
  bool loaded = false, decoded = false;
  std::vector<std::uint8_t> pixels, saved;
};

void Run(TStream& stream, TLoaded& out) {
  TJPEGImage j;
  try {
    j.LoadFromStream(stream);
  } catch (const EInvalidGraphic&) {
    return;
  }
  out.loaded = true;
  TMemoryStream saved;
  j.SaveToStream(saved);
  const auto* p = static_cast<const std::uint8_t*>(saved.Memory());
  out.saved.assign(p, p + saved.Size());
  try {
    TBitmap b;
    b.Assign(&j);
    out.decoded = true;
    out.pixels = b.ToDib().Bits;
  } catch (const EInvalidGraphic&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1u << 20)) return 0;
  // The first byte says how many bytes of the file come before the JPEG
  // data, so loads from the middle of a file are explored too.
  const std::size_t skip = data[0] % 8 < size ? data[0] % 8 : 0;
  // A picture the budget allows can still be hundreds of megabytes from a
  // few bytes of header; the codec's own target explores sizes, this one
  // the file layer, on small pictures.
  try {
    const TJpegInfo info = ReadJpegInfo(data + 1 + skip, size - 1 - skip);
    if (std::uint64_t(info.Width) * std::uint64_t(info.Height) > (1u << 20)) return 0;
  } catch (const EInvalidGraphic&) {
  }
  const int fd = ::memfd_create("fuzz_jpegfile", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  if (::write(fd, data, size) != ssize_t(size)) std::abort();

  TLoaded fromFile, fromMemory;
  {
    THandleStream file(fd);
    file.SetPosition(std::int64_t(1 + skip));
    Run(file, fromFile);
  }
  ::close(fd);
  TMemoryStream memory;
  memory.WriteBuffer(data + 1 + skip, std::int64_t(size - 1 - skip));
  memory.SetPosition(0);
  Run(memory, fromMemory);

  if (fromFile.loaded != fromMemory.loaded || fromFile.decoded != fromMemory.decoded ||
      fromFile.pixels != fromMemory.pixels || fromFile.saved != fromMemory.saved)
    std::abort();
  if (fromFile.loaded && fromFile.saved != std::vector<std::uint8_t>(data + 1 + skip, data + size)) std::abort();
  return 0;
}
