// Opens one picture file the way the wizard does (LoadPicture within the
// wizard's size bound), for whole-process comparisons with other programs:
//   wizard_load IN
// Prints the picture's size and one checksum row, so the work cannot be
// left out.
#include <cstdio>

#include "app/main/uMain.h"
#include "app/pixels/RotateImage.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wizard_load FILE\n");
    return 2;
  }
  TPictureRefusal why = TPictureRefusal::None;
  auto picture = LoadPicture(argv[1], WizardMaxPixels, &why);
  if (!picture) {
    std::fprintf(stderr, "wizard_load: %s %s\n", why == TPictureRefusal::TooLarge ? "too large:" : "cannot read", argv[1]);
    return 1;
  }
  const TBitmap& b = *picture;
  const auto* row = static_cast<const std::uint8_t*>(b.ScanLine(b.Height() / 2));
  unsigned sum = 0;
  for (int i = 0; i < b.RowBytes(); ++i) sum = sum * 31 + row[i];
  std::printf("%d x %d, row sum %08x\n", b.Width(), b.Height(), sum);
  return 0;
}
