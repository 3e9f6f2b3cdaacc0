// TGraphic: the base of every picture kind a TPicture can hold (bitmap,
// JPEG, icon, metafile). Streams hold one picture in the class's own file
// format.
#pragma once
#include <cstddef>
#include <cstdint>
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
  // Refuses (EFOpenError) what is not a regular file before opening it, and
  // (EInvalidGraphic) a file whose first bytes are not the class's format
  // before reading the rest; then the class's reader streams from the file,
  // within its own bounds.
  void LoadFromFile(const std::string& fileName);
  // Through the safe save: a failure leaves the old file as it was.
  void SaveToFile(const std::string& fileName);
  // Whether the file's first bytes (at most SignatureBytes) can start this
  // class's format; the base accepts anything.
  static constexpr std::size_t SignatureBytes = 16;
  virtual bool CanLoad(const std::uint8_t* head, std::size_t size) const;

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
  // The file opened for LoadFromFile: a regular file whose first bytes
  // CanLoad accepts, positioned at its start.
  std::unique_ptr<TStream> OpenPictureFile(const std::string& fileName) const;
  // Marks the graphic modified and fires OnChange.
  virtual void Changed();
  bool transparent_ = false;

 private:
  bool modified_ = false;
};
