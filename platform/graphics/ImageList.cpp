#include "platform/graphics/ImageList.h"

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/rtl/Exceptions.h"

namespace {
constexpr int LightLuminance = 224;
}  // namespace

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width > 0 ? width : 16), height_(height > 0 ? height : 16) {}

TImageList::~TImageList() = default;

void TImageList::Changed() {
  if (OnChange) OnChange(this);
}

void TImageList::SetSize(int w, int h) {
  if (w <= 0 || h <= 0) throw EInvalidOperation("Invalid image list size");
  if (w == width_ && h == height_) return;
  width_ = w;
  height_ = h;
  images_.clear();
  Changed();
}
void TImageList::SetWidth(int w) { SetSize(w, height_); }
void TImageList::SetHeight(int h) { SetSize(width_, h); }

void TImageList::Check(int index) const {
  if (index < 0 || index >= Count()) throw EInvalidOperation("Invalid image list index");
}

std::vector<std::unique_ptr<TImageList::Item>> TImageList::Cut(const TBitmap* image, const TBitmap* mask, bool byColor,
                                                               TColor key) {
  std::vector<std::unique_ptr<Item>> out;
  if (!image || image->Empty()) return out;
  TBitmap src;
  src.Assign(image);
  src.SetPixelFormat(pf24bit);
  TBitmap msk;
  bool hasMask = !byColor && mask && !mask->Empty();
  if (hasMask) {
    msk.Assign(mask);
    msk.SetPixelFormat(pf24bit);
  }
  std::uint32_t keyRgb = 0;
  if (byColor) keyRgb = std::uint32_t(ColorToRGB(key == clDefault ? src.TransparentColor() : key)) & 0xFFFFFF;
  const int pieces = src.Width() / width_;
  const int rows = std::min(height_, src.Height());
  for (int p = 0; p < pieces; ++p) {
    auto item = std::make_unique<Item>();
    item->image.SetPixelFormat(pf24bit);
    item->image.SetSize(width_, height_);
    item->mask.SetPixelFormat(pf1bit);
    item->mask.SetSize(width_, height_);
    for (int y = 0; y < height_; ++y) {
      auto* dst = static_cast<std::uint8_t*>(item->image.ScanLine(y));
      auto* m = static_cast<std::uint8_t*>(item->mask.ScanLine(y));
      for (int x = 0; x < width_; ++x) {
        bool transparent = y >= rows;
        const std::uint8_t* s = nullptr;
        if (!transparent) {
          s = static_cast<const std::uint8_t*>(src.ScanLine(y)) + 3 * (p * width_ + x);
          std::uint32_t rgb = (std::uint32_t(s[2]) << 16) | (std::uint32_t(s[1]) << 8) | s[0];
          // The key is a COLORREF (0x00BBGGRR); rgb here is 0x00RRGGBB.
          std::uint32_t bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
          if (byColor) transparent = bgr == keyRgb;
          if (hasMask && y < msk.Height() && p * width_ + x < msk.Width()) {
            const auto* ms = static_cast<const std::uint8_t*>(msk.ScanLine(y)) + 3 * (p * width_ + x);
            transparent = ms[0] | ms[1] | ms[2];  // any non-black mask pixel hides
          }
        }
        if (transparent) {
          m[x / 8] |= std::uint8_t(0x80 >> (x % 8));
          dst[3 * x] = dst[3 * x + 1] = dst[3 * x + 2] = 0;
        } else {
          dst[3 * x] = s[0];
          dst[3 * x + 1] = s[1];
          dst[3 * x + 2] = s[2];
        }
      }
    }
    out.push_back(std::move(item));
  }
  return out;
}

int TImageList::Add(const TBitmap* image, const TBitmap* mask) {
  auto items = Cut(image, mask, false, clNone);
  if (items.empty()) return -1;
  int first = Count();
  for (auto& i : items) images_.push_back(std::move(i));
  Changed();
  return first;
}

int TImageList::AddMasked(const TBitmap* image, TColor maskColor) {
  auto items = Cut(image, nullptr, true, maskColor);
  if (items.empty()) return -1;
  int first = Count();
  for (auto& i : items) images_.push_back(std::move(i));
  Changed();
  return first;
}

int TImageList::AddIcon(const TIcon* icon) {
  if (!icon || icon->Empty()) return -1;
  TBitmap color, mask;
  icon->GetImage(color, mask);
  TBitmap scaled(width_, height_, pf24bit), scaledMask(width_, height_, pf24bit);
  scaled.Canvas()->CopyRect(Rect(0, 0, width_, height_), color.Canvas(), Rect(0, 0, color.Width(), color.Height()));
  scaledMask.Canvas()->CopyRect(Rect(0, 0, width_, height_), mask.Canvas(), Rect(0, 0, mask.Width(), mask.Height()));
  return Add(&scaled, &scaledMask);
}

void TImageList::Replace(int index, const TBitmap* image, const TBitmap* mask) {
  Check(index);
  auto items = Cut(image, mask, false, clNone);
  if (items.empty()) throw EInvalidOperation("No image to replace with");
  images_[std::size_t(index)] = std::move(items.front());
  Changed();
}

void TImageList::Delete(int index) {
  Check(index);
  images_.erase(images_.begin() + index);
  Changed();
}

void TImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Changed();
}

void TImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) {
  if (!canvas || index < 0 || index >= Count()) return;
  Item& it = *images_[std::size_t(index)];
  HDC dst = canvas->Handle();
  if (enabled) {
    BitBlt(dst, x, y, width_, height_, it.mask.Canvas()->Handle(), 0, 0, SRCAND);
    BitBlt(dst, x, y, width_, height_, it.image.Canvas()->Handle(), 0, 0, SRCPAINT);
    return;
  }
  // The shape: opaque and darker than light grey. shapeMask is black in the
  // shape (so SRCAND clears it) and white elsewhere.
  TBitmap shapeMask(width_, height_, pf1bit);
  for (int row = 0; row < height_; ++row) {
    auto* m = static_cast<std::uint8_t*>(shapeMask.ScanLine(row));
    const auto* tm = static_cast<const std::uint8_t*>(it.mask.ScanLine(row));
    const auto* px = static_cast<const std::uint8_t*>(it.image.ScanLine(row));
    for (int col = 0; col < width_; ++col) {
      bool opaque = !(tm[col / 8] & (0x80 >> (col % 8)));
      int lum = (px[3 * col + 2] * 77 + px[3 * col + 1] * 150 + px[3 * col] * 29) >> 8;
      if (!(opaque && lum < LightLuminance)) m[col / 8] |= std::uint8_t(0x80 >> (col % 8));
    }
  }
  const struct {
    int dx;
    TColor colour;
  } passes[] = {{1, clBtnHighlight}, {0, clBtnShadow}};
  for (const auto& pass : passes) {
    TBitmap paint(width_, height_, pf24bit);
    std::uint32_t c = std::uint32_t(ColorToRGB(pass.colour));
    for (int row = 0; row < height_; ++row) {
      auto* p = static_cast<std::uint8_t*>(paint.ScanLine(row));
      const auto* m = static_cast<const std::uint8_t*>(shapeMask.ScanLine(row));
      for (int col = 0; col < width_; ++col) {
        bool in = !(m[col / 8] & (0x80 >> (col % 8)));
        p[3 * col] = in ? GetBValue(c) : 0;
        p[3 * col + 1] = in ? GetGValue(c) : 0;
        p[3 * col + 2] = in ? GetRValue(c) : 0;
      }
    }
    BitBlt(dst, x + pass.dx, y + pass.dx, width_, height_, shapeMask.Canvas()->Handle(), 0, 0, SRCAND);
    BitBlt(dst, x + pass.dx, y + pass.dx, width_, height_, paint.Canvas()->Handle(), 0, 0, SRCPAINT);
  }
}

void TImageList::GetBitmap(int index, TBitmap* out) const {
  Check(index);
  if (out) out->Assign(&images_[std::size_t(index)]->image);
}

void TImageList::GetMask(int index, TBitmap* out) const {
  Check(index);
  if (out) out->Assign(&images_[std::size_t(index)]->mask);
}

void TImageList::GetIcon(int index, TIcon* out) const {
  Check(index);
  if (out) out->SetImage(images_[std::size_t(index)]->image, &images_[std::size_t(index)]->mask);
}
