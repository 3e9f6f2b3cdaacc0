// Feeds arbitrary bytes to content detection and to each format test. None
// may fail, every one must leave the stream where it began, and detection
// must not depend on where in a stream the content starts (page tables of
// multipage PCX count from the stream's start, so those are left out).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/formats/pcxfilter.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/formats/pngfilt.h"
#include "imaging/io/formats/vqj2000.h"
#include "imaging/io/formats/vqtgafil.h"

namespace {

void CheckPositionKept(TStream* s, bool (*test)(TStream*)) {
  s->SetPosition(0);
  test(s);
  if (s->Position() != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartImagingLibrary();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TVQMemStream s(data, std::int64_t(size));
  const int type = DetectStreamFileType(&s);
  if (type < ioUnknown || type > ioDCX || s.Position() != 0) std::abort();
  for (bool (*test)(TStream*) : {IsPngStream, IsIcoStream, IsCurStream, IsTgaStream, IsPnmStream, IsJp2Stream,
                                 IsJ2kStream, IsAviStream, IsDcxStream})
    CheckPositionKept(&s, test);
  const std::int64_t jpeg = FindJpegStart(&s);
  if (s.Position() != 0 || jpeg < -1 || jpeg >= std::int64_t(size)) std::abort();
  if (CountDcxPages(&s) > kDcxMaxPages || s.Position() != 0) std::abort();

  std::vector<std::uint8_t> shifted(7, 0x5A);
  shifted.insert(shifted.end(), data, data + size);
  TVQMemStream t(shifted.data(), std::int64_t(shifted.size()));
  t.SetPosition(7);
  const int again = DetectStreamFileType(&t);
  if (t.Position() != 7) std::abort();
  if (type != ioDCX && again != ioDCX && again != type) std::abort();
  return 0;
}
