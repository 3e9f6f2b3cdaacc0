// The push button (its look's picture by nine parts, and a glyph beside
// the caption) and the image button (four pictures of the user's).
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/ImageList.h"
#include "platform/graphics/Picture.h"
#include "themed/buttons/KZUButton.h"
#include "themed/core/KZUPublic.h"

namespace {

constexpr TColor FocusLineColor = 0xFF0000;  // blue
// The MacOS button picture's height, which the button keeps.
constexpr int MacOSButtonHeight = 23;
constexpr int ButtonNormalEntry = 24, ButtonMouseOnEntry = 25, ButtonMouseDownEntry = 26;

TSize CaptionExtent(TCanvas* canvas, const std::string& caption) {
  TRect r{0, 0, 0, 0};
  DrawText(canvas->Handle(), caption.c_str(), int(caption.size()), &r, DT_SINGLELINE | DT_CALCRECT);
  return TSize{r.Width(), r.Height()};
}

}  // namespace

TkzuButton::TkzuButton(TComponent* AOwner) : TkzuCustomButton(AOwner), glyph_(std::make_unique<TBitmap>()) {
  SetBounds(Left(), Top(), 80, 27);
  TWinControl::SetTabStop(true);
  SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
}

TkzuButton::~TkzuButton() = default;

void TkzuButton::SetGlyph(const TBitmap* v) {
  glyph_->Assign(v);
  Invalidate();
}

void TkzuButton::SetLayout(TkzuButtonLayout v) {
  layout_ = v;
  Invalidate();
}

void TkzuButton::SetSpacing(int v) {
  spacing_ = v;
  Invalidate();
}

void TkzuButton::UIStyleChanged() {
  TkzuCustomButton::UIStyleChanged();
  if (UIStyle() == TkzuUIStyle::MacOS) SetHeight(MacOSButtonHeight);
  SetTransparent(UIStyle() == TkzuUIStyle::BlueGlass);
}

bool TkzuButton::CanResize(int& NewWidth, int& NewHeight) {
  // The MacOS picture does not stretch in height: the button keeps it.
  if (UIStyle() == TkzuUIStyle::MacOS) NewHeight = MacOSButtonHeight;
  return TkzuCustomButton::CanResize(NewWidth, NewHeight);
}

void TkzuButton::SetPicMouseDownResName(const std::string& v) {
  if (UIStyle() != TkzuUIStyle::Custom) SetUIStyle(TkzuUIStyle::Custom);
  TkzuCustomButton::SetPicMouseDownResName(v);
}

void TkzuButton::SetPicMouseOnResName(const std::string& v) {
  if (UIStyle() != TkzuUIStyle::Custom) SetUIStyle(TkzuUIStyle::Custom);
  TkzuCustomButton::SetPicMouseOnResName(v);
}

void TkzuButton::SetPicNormalResName(const std::string& v) {
  if (UIStyle() != TkzuUIStyle::Custom) SetUIStyle(TkzuUIStyle::Custom);
  TkzuCustomButton::SetPicNormalResName(v);
}

std::string TkzuButton::GetPicMouseDownResName() const {
  return UIStyle() == TkzuUIStyle::Custom ? StoredMouseDownName() : std::string();
}

std::string TkzuButton::GetPicMouseOnResName() const {
  return UIStyle() == TkzuUIStyle::Custom ? StoredMouseOnName() : std::string();
}

std::string TkzuButton::GetPicNormalResName() const {
  return UIStyle() == TkzuUIStyle::Custom ? StoredNormalName() : std::string();
}

void TkzuButton::LoadUIStylePictures(TkzuUIStyle style) {
  if (style == TkzuUIStyle::Custom) return;
  SetResHandle(nullptr);
  // Stored directly: the setters would switch the look to Custom.
  StoreNames(GetThemeBitmapName(style, ButtonNormalEntry), GetThemeBitmapName(style, ButtonMouseOnEntry),
             GetThemeBitmapName(style, ButtonMouseDownEntry));
}

void TkzuButton::DrawPicture(TCanvas* canvas, TBitmap* picture) {
  if (UIStyle() == TkzuUIStyle::Custom)
    TkzuCustomButton::DrawPicture(canvas, picture);
  else if (!PictureMissing())
    DrawNinePartBitmap(picture, canvas, ClientRect(), PictureTransparent);
  if (!glyph_->Empty()) DrawGlyph(canvas);
}

void TkzuButton::DrawGlyph(TCanvas* canvas) {
  canvas->Font()->Assign(Font());
  const TSize text = CaptionExtent(canvas, Caption());
  const int tw = text.cx, th = text.cy;
  int gw = glyph_->Width();
  const int gh = glyph_->Height();
  const bool twoImages = gw == 2 * gh;
  if (twoImages) gw = gh;
  const int W = Width(), H = Height();
  TPoint g{}, c{};
  switch (layout_) {
    case blGlyphLeft:
      g = TPoint{(W - gw - tw - spacing_) / 2, (H - gh) / 2};
      c = TPoint{g.X + gw + spacing_, (H - th) / 2};
      break;
    case blGlyphRight:
      g = TPoint{(W + tw + spacing_ - gw) / 2, (H - gh) / 2};
      c = TPoint{g.X - tw - spacing_, (H - th) / 2};
      break;
    case blGlyphTop:
      g = TPoint{(W - gw) / 2, (H - th - gh - spacing_) / 2};
      c = TPoint{(W - tw) / 2, g.Y + gh + spacing_};
      break;
    case blGlyphBottom:
      g = TPoint{(W - gw) / 2, (H + th + spacing_ - gh) / 2};
      c = TPoint{(W - tw) / 2, g.Y - th - spacing_};
      break;
  }
  captionPos_ = c;
  if (MouseIsDown()) g = TPoint{g.X + 1, g.Y + 1};
  if (gw <= 0 || gh <= 0) return;
  TImageList list(nullptr, gw, gh);
  list.AddMasked(glyph_.get(), glyph_->Canvas()->Pixels(0, 0));
  if (twoImages && list.Count() >= 2)
    list.Draw(canvas, g.X, g.Y, Enabled() ? 0 : 1, true);
  else
    list.Draw(canvas, g.X, g.Y, 0, Enabled());
}

void TkzuButton::DrawCaption(TCanvas* canvas, const std::string& caption) {
  if (glyph_->Empty()) {
    TkzuCustomButton::DrawCaption(canvas, caption);
    return;
  }
  canvas->Brush()->SetStyle(bsClear);
  auto draw = [&](TPoint p, TColor color) {
    canvas->Font()->SetColor(color);
    TRect r{p.X, p.Y, Width(), Height()};
    DrawText(canvas->Handle(), caption.c_str(), int(caption.size()), &r, DT_SINGLELINE | DT_LEFT);
  };
  TPoint p = captionPos_;
  if (!Enabled()) {
    draw(TPoint{p.X + 1, p.Y + 1}, clWhite);
    draw(p, DisabledTextColor);
    return;
  }
  if (MouseIsDown()) p = TPoint{p.X + 1, p.Y + 1};
  draw(p, Font()->Color());
}

void TkzuButton::DrawFocus(TCanvas* canvas) {
  if (UIStyle() != TkzuUIStyle::MacOS && UIStyle() != TkzuUIStyle::BlueGlass) {
    TkzuCustomButton::DrawFocus(canvas);
    return;
  }
  canvas->Pen()->SetColor(FocusLineColor);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetStyle(psSolid);
  canvas->MoveTo(10, Height() - 5);
  canvas->LineTo(Width() - 10, Height() - 5);
}

// ---- Image button ------------------------------------------------------------------

TkzuImageButton::TkzuImageButton(TComponent* AOwner) : TkzuCustomButton(AOwner) {
  for (auto& p : pics_) p = std::make_unique<TPicture>();
}

TkzuImageButton::~TkzuImageButton() = default;

void TkzuImageButton::SetPic(int index, const TPicture* v) {
  pics_[index]->Assign(v);
  ApplyAutoSize();
  Invalidate();
}

void TkzuImageButton::SetStretch(bool v) {
  stretch_ = v;
  Invalidate();
}

void TkzuImageButton::ApplyAutoSize() {
  TGraphic* g = pics_[0]->Graphic();
  if (Parent() && AutoSize() && g && !g->Empty()) SetBounds(Left(), Top(), g->Width(), g->Height());
}

void TkzuImageButton::CopyPic(int index, TBitmap* out) const {
  TGraphic* g = pics_[index]->Graphic();
  if (!g || g->Empty()) g = pics_[0]->Graphic();
  if (!g || g->Empty()) {
    out->SetSize(0, 0);
    return;
  }
  if (auto* bmp = dynamic_cast<TBitmap*>(g)) {
    out->Assign(bmp);
    return;
  }
  out->SetSize(g->Width(), g->Height());
  out->Canvas()->Draw(0, 0, g);
}

void TkzuImageButton::GetNormalPicture(TBitmap* picture) { CopyPic(0, picture); }
void TkzuImageButton::GetMouseOnPicture(TBitmap* picture) { CopyPic(1, picture); }
void TkzuImageButton::GetMouseDownPicture(TBitmap* picture) { CopyPic(2, picture); }
void TkzuImageButton::GetDisabledPicture(TBitmap* picture) { CopyPic(3, picture); }

void TkzuImageButton::DrawPicture(TCanvas* canvas, TBitmap* picture) {
  if (picture->Empty()) return;
  picture->SetTransparentColor(picture->Canvas()->Pixels(0, 0));
  if (stretch_)
    canvas->StretchDraw(TRect{0, 0, Width(), Height()}, picture);
  else
    canvas->Draw(0, 0, picture);
}
