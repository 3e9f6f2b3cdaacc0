// Annotation blocks as a TIFF file carries them: reading must stay inside
// the block, and what it reads must write and read back to the same marks.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/core/metadata/vqzutils_annot.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 20) return 0;
  // A copy of exactly the given bytes, so a read past them is seen.
  const std::vector<std::uint8_t> block(data, data + size);
  TVQImagingAnnot annot;
  ReadImagingAnnotations(&annot, block.empty() ? nullptr : block.data(), static_cast<Int64>(block.size()));
  Byte* written = nullptr;
  Int64 length = 0;
  WriteImagingAnnotations(&annot, written, length);
  TVQImagingAnnot again;
  ReadImagingAnnotations(&again, written, length);
  delete[] written;
  if (again.Count() != annot.Count()) std::abort();
  for (int i = 0; i < annot.Count(); ++i) {
    const TVQImagingObject* a = annot.Items(i);
    const TVQImagingObject* b = again.Items(i);
    // Text marks get their font height rescaled by each read.
    if (a->MarkType() != b->MarkType() || a->Points != b->Points || a->Text != b->Text) std::abort();
    if (!a->Image != !b->Image) std::abort();
    if (a->Image && (a->Image->GetWidth() != b->Image->GetWidth() || a->Image->GetHeight() != b->Image->GetHeight() ||
                     a->Image->GetPixelFormat() != b->Image->GetPixelFormat()))
      std::abort();
  }
  return 0;
}
