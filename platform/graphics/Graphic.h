// TGraphic: the base of every picture kind a TPicture can hold (bitmap,
// JPEG, icon, metafile). Streams hold one picture in the class's own file
// format.
#pragma once
#include <memory>
#include <string>

#include "platform/gdi/GdiTypes.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"

class TCanvas;
class TStream;

class TGraphic : public TPersistent {
 public:
  std::string ClassName() const override { return "TGraphic"; }

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int w) = 0;
  virtual void SetHeight(int h) = 0;

  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  // Files are read whole and then parsed, so a reader sees a bounded block.
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool t);
  virtual HPALETTE Palette() { return nullptr; }
  virtual void SetPalette(HPALETTE) {}

  bool Modified() const { return modified_; }
  void SetModified(bool m);
  TNotifyEvent OnChange;

  // Draws into rect of the canvas, stretched when the sizes differ.
  virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
  // A new, empty graphic of the same class (TPicture copies through it).
  virtual std::unique_ptr<TGraphic> NewSameKind() const = 0;

 protected:
  // Marks the graphic modified and fires OnChange.
  virtual void Changed();
  bool transparent_ = false;

 private:
  bool modified_ = false;
};
