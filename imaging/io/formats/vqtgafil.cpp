#include "imaging/io/formats/vqtgafil.h"

#include <cstdint>

#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"

namespace {

constexpr int kTgaHeaderSize = 18;
constexpr int kTgaColorMapTypeAt = 1;
constexpr int kTgaImageTypeAt = 2;
constexpr int kTgaPixelDepthAt = 16;

bool IsTgaImageType(std::uint8_t t) { return t == 1 || t == 2 || t == 3 || t == 9 || t == 10 || t == 11; }
bool IsTgaDepth(std::uint8_t d) { return d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32; }

}  // namespace

bool IsTgaStream(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  std::uint8_t h[kTgaHeaderSize];
  if (!ReadExact(Stream, h, sizeof h)) return false;
  return h[kTgaColorMapTypeAt] <= 1 && IsTgaImageType(h[kTgaImageTypeAt]) && IsTgaDepth(h[kTgaPixelDepthAt]);
}

// ---- the TGA slot of the I/O component -------------------------------------------

namespace {

void TgaFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  if (Params) LoadTgaImage(Stream, Image, *Params, Args.NoAlphaMask, Args.Mask, Args.ParamsOnly, Progress);
}

void TgaFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs& Args,
                   TVQProgressRec& Progress) {
  if (Params) SaveTgaImage(Stream, Image, *Params, Args.AlphaMask, Progress);
}

// Detection already links this module, so the slot is filled at start-up.
[[maybe_unused]] const bool kTgaSlotFilled = (InstallTgaFilter(), true);

}  // namespace

void InstallTgaFilter() { SetBuiltInFilter(ioTGA, TgaFilterLoad, TgaFilterSave); }
