// TMetafile: the graphic class for .wmf and .emf files, so pictures and file
// filters know the kind. Reading and playing the records are not built yet:
// LoadFromStream raises EInvalidGraphic ("not supported yet") and Draw
// paints nothing. Width and Height are stored (they set the playing size).
#pragma once
#include "platform/graphics/Graphic.h"

class TMetafile : public TGraphic {
 public:
  std::string ClassName() const override { return "TMetafile"; }
  bool Empty() const override { return true; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int w) override;
  void SetHeight(int h) override;
  bool Enhanced = true;

  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> NewSameKind() const override { return std::make_unique<TMetafile>(); }

 private:
  int width_ = 0, height_ = 0;
};
