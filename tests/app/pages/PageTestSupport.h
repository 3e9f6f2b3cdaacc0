// Picture helpers for the retouching pages' tests: a 24-bit copy to compare
// against later, and a history entry as stored, compared with a picture.
#pragma once
#include <memory>

#include "app/pixels/RotateImage.h"
#include "app/main/uMain_History.h"
#include "platform/graphics/Bitmap.h"
#include "tests/app/WizardTestSupport.h"

namespace wizard {

inline std::unique_ptr<TBitmap> Copy(TBitmap* b) {
  auto c = std::make_unique<TBitmap>();
  c->Assign(b);
  c->SetPixelFormat(pf24bit);
  return c;
}

// The largest byte difference between the history entry at position, as
// written once the history's writer is done, and against; -2 when the
// entry cannot be read, -1 when the sizes differ.
inline int Entry(int position, TBitmap& against) {
  History->Flush();
  std::unique_ptr<TBitmap> e = LoadPicture(History->EntryFile(position));
  if (!e) return -2;
  return MaxDifference(*e, against);
}

}  // namespace wizard
