// TIcon: an icon or cursor file (.ico, .cur) with every image it holds. One
// image is current: the one closest to 32 x 32, deepest first. Drawing uses
// its mask (and its alpha channel for 32-bit images) through DrawIconEx.
//
// Handle() is the current image as a GDI icon, made on first use; the TIcon
// owns it and frees it whenever its content changes.
#pragma once
#include <memory>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/DibImage.h"
#include "platform/graphics/Graphic.h"

class TIcon : public TGraphic {
 public:
  struct Entry {
    TDibImage Color;  // any DIB depth
    TDibImage Mask;   // 1 bit, white = transparent
    TPoint HotSpot;   // cursors only
  };

  TIcon();
  ~TIcon() override;
  std::string ClassName() const override { return "TIcon"; }

  bool Empty() const override { return entries_.empty(); }
  int Width() const override;
  int Height() const override;
  // An icon's size comes from its images: these raise EInvalidGraphicOperation.
  void SetWidth(int) override;
  void SetHeight(int) override;

  // Reads the rest of the stream as one .ico or .cur file. Images stored as
  // PNG are skipped (a file with nothing else raises EInvalidGraphic).
  // Entries naming the same image data decode it once; every image, copies
  // included, counts against one 128 MiB budget per file, checked from each
  // header before decoding (each image alone at most 16 MiB).
  void LoadFromStream(TStream& stream) override;
  void LoadFromBytes(const std::uint8_t* data, std::size_t size);
  // Writes every image as a DIB entry; cursors stay cursors.
  void SaveToStream(TStream& stream) override;
  bool CanLoad(const std::uint8_t* head, std::size_t size) const override;

  bool IsCursor() const { return cursor_; }
  int ImageCount() const { return int(entries_.size()); }
  const Entry& ImageEntry(int i) const { return entries_.at(std::size_t(i)); }
  int Current() const { return current_; }
  // The current image's pixels and mask as bitmaps.
  void GetImage(TBitmap& color, TBitmap& mask) const;
  TPoint HotSpot() const;
  // Replaces the content with one image; mask may be empty (all opaque).
  void SetImage(const TBitmap& color, const TBitmap* mask, bool cursor = false, TPoint hotSpot = {});

  // nullptr when empty; raises EOutOfResources when it cannot be made.
  HGDIICON Handle();
  // Takes ownership of icon: its image, mask, kind and hot spot become the
  // content. An invalid handle raises EInvalidGraphic.
  void SetHandle(HGDIICON icon);
  // Gives the handle (made if needed) to the caller, who destroys it; the
  // image stays.
  HGDIICON ReleaseHandle();

  void Assign(const TPersistent* source) override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  std::unique_ptr<TGraphic> NewSameKind() const override { return std::make_unique<TIcon>(); }

 protected:
  void AssignTo(TPersistent* dest) const override;
  void Changed() override;

 private:
  void PickCurrent();
  void FreeHandle();
  std::vector<Entry> entries_;
  int current_ = -1;
  bool cursor_ = false;
  HGDIICON handle_ = nullptr;
};

// Draws colour through mask at rect: dst = (dst AND mask) XOR colour, or
// an alpha blend when the 32-bit colour image carries alpha.
void DrawMasked(TCanvas& canvas, const TRect& rect, const TDibImage& color, const TDibImage& mask);
