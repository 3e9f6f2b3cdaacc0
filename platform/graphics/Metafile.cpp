#include "platform/graphics/Metafile.h"

#include "platform/rtl/Exceptions.h"

void TMetafile::SetWidth(int w) {
  if (w == width_) return;
  width_ = w;
  Changed();
}

void TMetafile::SetHeight(int h) {
  if (h == height_) return;
  height_ = h;
  Changed();
}

void TMetafile::LoadFromStream(TStream&) { throw EInvalidGraphic("Metafiles are not supported yet"); }
void TMetafile::SaveToStream(TStream&) { throw EInvalidGraphicOperation("Metafiles are not supported yet"); }
void TMetafile::Draw(TCanvas&, const TRect&) {}
