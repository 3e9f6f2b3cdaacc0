// TImageList: equal-sized images with masks, drawn by index.
// Each image keeps its colour pixels with the masked-out ones black and a
// 1-bit mask (white = transparent), so drawing is mask AND then colour OR.
// The disabled look: the image's opaque pixels darker than light grey
// (luminance below 224) form a shape drawn in clBtnHighlight one pixel
// right and down, then in clBtnShadow at the spot itself.
#pragma once
#include <memory>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"

class TCanvas;
class TIcon;

class TImageList : public TComponent {
 public:
  explicit TImageList(TComponent* owner = nullptr, int width = 16, int height = 16);
  ~TImageList() override;
  std::string ClassName() const override { return "TImageList"; }

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Changing a size clears the list.
  void SetWidth(int w);
  void SetHeight(int h);
  void SetSize(int w, int h);
  int Count() const { return int(images_.size()); }

  // A wide image is cut into Width-wide pieces (bw div Width of them) and
  // only Height rows are kept. mask: white = transparent; may be nullptr.
  // Returns the index of the first image added.
  int Add(const TBitmap* image, const TBitmap* mask);
  // Pixels of exactly maskColor (resolved to RGB) become transparent;
  // clDefault takes the bottom-left pixel of the image.
  int AddMasked(const TBitmap* image, TColor maskColor);
  int AddIcon(const TIcon* icon);
  void Replace(int index, const TBitmap* image, const TBitmap* mask);
  void Delete(int index);
  void Clear();

  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
  // The image (masked pixels black), Width x Height, 24 bits.
  void GetBitmap(int index, TBitmap* out) const;
  void GetMask(int index, TBitmap* out) const;
  void GetIcon(int index, TIcon* out) const;

  TNotifyEvent OnChange;

 private:
  struct Item {
    TBitmap image;  // 24 bits, masked pixels black
    TBitmap mask;   // 1 bit, white = transparent
  };
  void Check(int index) const;
  std::vector<std::unique_ptr<Item>> Cut(const TBitmap* image, const TBitmap* mask, bool byColor, TColor key);
  void Changed();
  int width_, height_;
  std::vector<std::unique_ptr<Item>> images_;
};
