// The skinned slider: layout of ruler and thumb, the value/offset mapping,
// off-screen painting, drag, ruler clicks with repeat, and the keys.
#include "skin/controls/SkinCtrls_Slider.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/SysUtils.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/User.h"

namespace {

constexpr int kInset = 6;
constexpr UINT kRepeatTimer = 1;
constexpr UINT kSliderRepeatMs = 400;
constexpr TColor kMagenta = 0x00FF00FF;

// Halves to even, as everywhere in the library.
int RoundEven(double v) { return int(std::nearbyint(v)); }

void Solid(TCanvas* c, TColor color, int l, int t, int r, int b) {
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(color);
  c->FillRect(TRect{l, t, r, b});
}

void Line(TCanvas* c, TColor color, int x0, int y0, int x1, int y1) {
  c->Pen()->SetColor(color);
  c->MoveTo(x0, y0);
  c->LineTo(x1, y1);
}

// One thumb frame, pointing down (horizontal) or right (vertical), in a
// w x h cell whose background stays magenta.
void DrawThumbFrame(TCanvas* c, int x0, int w, int h, bool vertical, bool pressed) {
  const TColor face = pressed ? TColor(0x00B59385) : clBtnFace;
  if (!vertical) {
    const int body = h - w / 2 - 1;  // rows of the rectangular part
    Solid(c, face, x0 + 1, 1, x0 + w - 1, body);
    for (int y = body; y < h - 1; ++y) {
      const int inset = y - body + 1;
      if (inset < w / 2 + 1) Solid(c, face, x0 + inset, y, x0 + w - inset, y + 1);
    }
    Line(c, clBtnHighlight, x0, body, x0, 0);
    Line(c, clBtnHighlight, x0, 0, x0 + w - 1, 0);
    // Classic relief: a dark outer and a shadow inner line on the lit-away side.
    Line(c, clBtnShadow, x0 + w - 2, 1, x0 + w - 2, body);
    Line(c, cl3DDkShadow, x0 + w - 1, 0, x0 + w - 1, body);
    for (int y = body, i = 0; y < h && i <= w / 2; ++y, ++i) {
      c->SetPixels(x0 + i, y, clBtnHighlight);
      if (w - 2 - i > i) c->SetPixels(x0 + w - 2 - i, y, clBtnShadow);
      c->SetPixels(x0 + w - 1 - i, y, cl3DDkShadow);
    }
  } else {
    const int body = w - h / 2 - 1;
    Solid(c, face, x0 + 1, 1, x0 + body, h - 1);
    for (int x = body; x < w - 1; ++x) {
      const int inset = x - body + 1;
      if (inset < h / 2 + 1) Solid(c, face, x0 + x, inset, x0 + x + 1, h - inset);
    }
    Line(c, clBtnHighlight, x0, h - 1, x0, 0);
    Line(c, clBtnHighlight, x0, 0, x0 + body, 0);
    Line(c, clBtnShadow, x0 + 1, h - 2, x0 + body, h - 2);
    Line(c, cl3DDkShadow, x0, h - 1, x0 + body, h - 1);
    for (int x = body, i = 0; x < w && i <= h / 2; ++x, ++i) {
      c->SetPixels(x0 + x, i, clBtnHighlight);
      if (h - 2 - i > i) c->SetPixels(x0 + x, h - 2 - i, clBtnShadow);
      c->SetPixels(x0 + x, h - 1 - i, cl3DDkShadow);
    }
  }
}

}  // namespace

void DrawSliderDefaultImage(int index, TBitmap& b) {
  static const int sizes[4][2] = {{18, 17}, {10, 8}, {38, 9}, {8, 10}};
  b.SetPixelFormat(pf24bit);
  b.SetSize(sizes[index][0], sizes[index][1]);
  TCanvas* c = b.Canvas();
  Solid(c, kMagenta, 0, 0, b.Width(), b.Height());
  switch (index) {
    case 0:
      DrawThumbFrame(c, 0, 9, 17, false, false);
      DrawThumbFrame(c, 9, 9, 17, false, true);
      break;
    case 2:
      DrawThumbFrame(c, 0, 19, 9, true, false);
      DrawThumbFrame(c, 19, 19, 9, true, true);
      break;
    case 1:  // a sunken groove, 4 pixels deep in the middle of 8
      Solid(c, clWindow, 0, 2, 10, 6);
      Line(c, clBtnShadow, 0, 2, 10, 2);
      Line(c, clBtnHighlight, 0, 5, 10, 5);
      break;
    case 3:
      Solid(c, clWindow, 2, 0, 6, 10);
      Line(c, clBtnShadow, 2, 0, 2, 10);
      Line(c, clBtnHighlight, 5, 0, 5, 10);
      break;
    default: break;
  }
  b.SetTransparent(true);
  b.SetTransparentColor(kMagenta);
}

// ---- Construction ------------------------------------------------------------------------

TspSkinCustomSlider::TspSkinCustomSlider(TComponent* AOwner)
    : TspSkinControl(AOwner), ruler_(std::make_unique<TBitmap>()) {
  ControlState |= csCreating;
  ControlStyle |= csAcceptsControls | csCaptureMouse | csClickEvents | csOpaque | csDoubleClicks;
  SetBounds(Left(), Top(), 150, 40);
  SetTabStop(true);
  for (int i = 0; i < 4; ++i) {
    images_[std::size_t(i)] = std::make_unique<TBitmap>();
    DrawSliderDefaultImage(i, *images_[std::size_t(i)]);
    images_[std::size_t(i)]->OnChange = [this](TObject*) {
      if (!constructing_) RebuildLayout();
    };
  }
  ruler_->SetPixelFormat(pf24bit);
  CalcLayout();
  SetSkinDataName("slider");
  constructing_ = false;
  ControlState &= ~csCreating;
}

TspSkinCustomSlider::~TspSkinCustomSlider() {
  OnChange = nullptr;
  OnChanged = nullptr;
  OnDrawPoints = nullptr;
  for (auto& image : images_) image->OnChange = nullptr;
}

// ---- Setters -----------------------------------------------------------------------------------

void TspSkinCustomSlider::SetTransparent(bool v) {
  transparent_ = v;
  Invalidate();
}

void TspSkinCustomSlider::SetImage(int index, const TBitmap* bitmap) {
  if (index < 0 || index > 3) return;
  TBitmap& image = *images_[std::size_t(index)];
  if (bitmap) {
    image.Assign(bitmap);
    image.SetTransparent(true);
    image.SetTransparentColor(clDefault);  // the bottom-left pixel
    userImages_ |= Byte(1u << index);
  } else {
    DrawSliderDefaultImage(index, image);
    userImages_ &= Byte(~(1u << index));
    if (!Reading()) options_ &= ~((index == 0 || index == 2) ? soThumbOpaque : soRulerOpaque);
  }
  RebuildLayout();
  Invalidate();
}

void TspSkinCustomSlider::SetEdgeSize(int v) {
  // A negative edge would make the first piece read past the source.
  const int length = orientation_ == soHorizontal ? images_[1]->Width() : images_[3]->Height();
  if (v < 0 || 2 * v >= length || v == edgeSize_) return;
  edgeSize_ = v;
  RebuildLayout();
}

void TspSkinCustomSlider::SetNumThumbStates(TspNumThumbStates v) {
  v = std::clamp(v, 1, 2);
  if (v == numThumbStates_) return;
  numThumbStates_ = v;
  CalcLayout();
}

void TspSkinCustomSlider::SetOrientation(TspSliderOrientation v) {
  if (v == orientation_) return;
  orientation_ = v;
  RebuildLayout();
  if (!(ComponentState() & (csLoading | csUpdating))) SetBounds(Left(), Top(), Height(), Width());
}

void TspSkinCustomSlider::SetOptions(TspSliderOptions v) {
  if (v == options_) return;
  options_ = v;
  Invalidate();
}

void TspSkinCustomSlider::SetMinValue(int v) {
  if (v != min_) SetRange(v, max_);
}

void TspSkinCustomSlider::SetMaxValue(int v) {
  if (v != max_) SetRange(min_, v);
}

void TspSkinCustomSlider::SetRange(int min, int max) {
  if (max <= min && !Reading()) return;
  min_ = min;
  max_ = max;
  if (!Reading() && max < min + increment_) increment_ = max - min;
  if (options_ & soShowPoints) Invalidate();
  SetValue(value_);
  RangeChanged();
}

void TspSkinCustomSlider::SetIncrement(int v) {
  if (v <= 0 || v == increment_) return;
  increment_ = v;
  SetValue(value_);
  Invalidate();
}

void TspSkinCustomSlider::SetValue(int v) {
  v = std::min(v, max_);
  v = std::max(v, min_);
  const bool changed = v != value_;
  value_ = v;
  MoveThumbTo(ValueToOffset(v));
  if (changed) Change();
}

void TspSkinCustomSlider::Change() {
  if (OnChange) OnChange(this);
}

void TspSkinCustomSlider::Changed() {
  if (OnChanged) OnChanged(this);
}

void TspSkinCustomSlider::Loaded() {
  TspSkinControl::Loaded();
  for (int i = 0; i < 4; ++i)
    if (userImages_ & (1u << i)) {
      TBitmap copy;
      copy.Assign(images_[std::size_t(i)].get());
      SetImage(i, &copy);
    }
  // Sizes set while loading left the ruler and thumb where they were.
  RebuildLayout();
}

// ---- Skin -----------------------------------------------------------------------------------------

void TspSkinCustomSlider::GetSkinData() {
  TspSkinControl::GetSkinData();
  skinPicture_ = nullptr;
  if (ControlIndex == -1) return;
  auto* d = dynamic_cast<TspDataSkinSlider*>(SkinData()->SkinControls[std::size_t(ControlIndex)].get());
  if (!d) return;
  skinPicture_ = SkinData()->GetActivePicture(d->pictureindex);
  hrulerrect_ = d->hrulerrect;
  hthumbrect_ = d->hthumbrect;
  vrulerrect_ = d->vrulerrect;
  vthumbrect_ = d->vthumbrect;
  skinEdgeSize_ = d->edgesize;
  skinBgColor_ = d->bgcolor;
  skinPointsColor_ = d->pointscolor;
}

void TspSkinCustomSlider::ChangeSkinData() {
  TspSkinControl::ChangeSkinData();
  CalcLayout();
}

// The skin is drawn only when its slider description has a picture; any
// other description leaves the default look.
bool TspSkinCustomSlider::UsesSkinThumb() const { return ControlIndex != -1 && skinPicture_ && UseSkinThumb; }

int TspSkinCustomSlider::ThumbWidth() const {
  const bool h = orientation_ == soHorizontal;
  if (UsesSkinThumb()) return (h ? hthumbrect_ : vthumbrect_).Width() / 2;
  return images_[h ? 0 : 2]->Width() / std::max(numThumbStates_, 1);
}

int TspSkinCustomSlider::ThumbHeight() const {
  const bool h = orientation_ == soHorizontal;
  if (UsesSkinThumb()) return (h ? hthumbrect_ : vthumbrect_).Height();
  return images_[h ? 0 : 2]->Height();
}

int TspSkinCustomSlider::RulerLength() const {
  return orientation_ == soHorizontal ? ruler_->Width() - ThumbWidth() : ruler_->Height() - ThumbHeight();
}

// ---- Layout -----------------------------------------------------------------------------------------

void TspSkinCustomSlider::BuildUserRuler(int N) {
  const bool h = orientation_ == soHorizontal;
  TBitmap* S = images_[h ? 1 : 3].get();
  const int len = h ? S->Width() : S->Height();
  const int thick = h ? S->Height() : S->Width();
  TBitmap result;
  result.SetPixelFormat(pf24bit);
  if (h)
    result.SetSize(N, thick);
  else
    result.SetSize(thick, N);
  // Magenta stays where nothing is copied, as transparent as the source's.
  Solid(result.Canvas(), kMagenta, 0, 0, result.Width(), result.Height());
  // Copies [s0, s1) of the source along the ruler to [d0, d0 + s1 - s0),
  // clipped to both bitmaps.
  auto copy = [&](int s0, int s1, int d0) {
    s0 = std::max(s0, 0);
    s1 = std::min(s1, len);
    int n = std::min(s1 - s0, N - d0);
    if (n <= 0 || d0 < 0) return;
    const TRect src = h ? TRect{s0, 0, s0 + n, thick} : TRect{0, s0, thick, s0 + n};
    const TRect dst = h ? TRect{d0, 0, d0 + n, thick} : TRect{0, d0, thick, d0 + n};
    result.Canvas()->CopyRect(dst, S->Canvas(), src);
  };
  const int E = edgeSize_;
  const int T = len - 2 * E;
  if (T <= 0) {
    // A source no longer than its two ends has no middle to tile: show it
    // once, cut at the ruler's end.
    copy(0, len, 0);
  } else {
    const int M = N - 2 * E;
    const int n = M >= 0 ? M / T : -1;
    const int r = M >= 0 ? M % T : 0;
    if (M < 0) {
      copy(0, len - E, 0);
    } else {
      for (int k = 0; k <= n; ++k) {
        if (k == 0)
          copy(0, len - E, 0);
        else if (k < n)
          copy(E, E + T, E + k * T);
        else
          copy(len - E - r, len, E + n * T);
      }
    }
  }
  ruler_->Assign(&result);
  ruler_->SetTransparentColor(S->TransparentColor());
}

void TspSkinCustomSlider::CalcLayout() {
  GetSkinData();
  const int remembered = value_;
  const TRect R = GetSliderRect();
  const int W = R.Width(), H = R.Height();
  const bool h = orientation_ == soHorizontal;
  const int N = std::max((h ? W : H) - 2 * kInset, 0);
  if (ControlIndex == -1 || !skinPicture_) {
    BuildUserRuler(N);
  } else {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    if (h)
      CreateHSkinImage(skinEdgeSize_, skinEdgeSize_, &b, skinPicture_, hrulerrect_, N, false);
    else
      CreateVSkinImage(skinEdgeSize_, skinEdgeSize_, &b, skinPicture_, vrulerrect_, N, false);
    ruler_->Assign(&b);
    ruler_->SetTransparentColor(clDefault);
  }
  ruler_->SetTransparent(true);
  const int TW = ThumbWidth(), TH = ThumbHeight();
  const int RW = ruler_->Width(), RH = ruler_->Height();
  TPoint thumb;
  if (h) {
    if (TH > RH) {
      thumb = TPoint{kInset, kInset};
      rulerPos_ = TPoint{kInset, kInset + (TH - RH) / 2};
    } else {
      thumb = TPoint{kInset, kInset + (RH - TH) / 2};
      rulerPos_ = TPoint{kInset, kInset};
    }
    pointsRect_ = TRect{rulerPos_.X, 7 + std::max(TH, RH), rulerPos_.X + RW, H - 1};
  } else {
    if (TW > RW) {
      thumb = TPoint{kInset, kInset};
      rulerPos_ = TPoint{kInset + (TW - RW) / 2, kInset};
    } else {
      thumb = TPoint{(RW - TW) / 2 + kInset, kInset};
      rulerPos_ = TPoint{kInset, kInset};
    }
    pointsRect_ = TRect{7 + std::max(TW, RW), rulerPos_.Y, W - 1, rulerPos_.Y + RH};
  }
  thumbRect_ = TRect{thumb.X, thumb.Y, thumb.X + TW, thumb.Y + TH};
  value_ = remembered;
  SetValue(remembered);
  Invalidate();
}

// ---- Mapping -------------------------------------------------------------------------------------------

int TspSkinCustomSlider::ValueToOffset(int v) const {
  const int L = RulerLength();
  const int range = max_ - min_;
  const int r = range > 0 && L > 0 ? RoundEven(double(L) * (v - min_) / range) : 0;
  const int p = orientation_ == soHorizontal ? kInset + r : GetSliderRect().Height() - kInset - r - ThumbHeight();
  return std::max(p, kInset);
}

int TspSkinCustomSlider::OffsetToValue(int p) const {
  const int L = RulerLength();
  if (L <= 0) return min_;
  const int t = orientation_ == soHorizontal ? p - kInset : GetSliderRect().Height() - p - ThumbHeight() - kInset;
  int v = RoundEven(double(t) * (max_ - min_) / L);
  if (!(options_ & soSmooth) && increment_ > 0) v = RoundEven(double(v) / increment_) * increment_;
  return std::min(std::max(v, 0) + min_, max_);
}

void TspSkinCustomSlider::SnapOffset(int p, TPoint& topLeft) const {
  const int L = std::max(RulerLength(), 0);
  p = std::clamp(p, kInset, kInset + L);
  p = std::min(ValueToOffset(OffsetToValue(p)), kInset + L);
  topLeft = orientation_ == soHorizontal ? TPoint{p, thumbRect_.Top} : TPoint{thumbRect_.Left, p};
}

void TspSkinCustomSlider::InvalidateThumb() {
  if (!HandleAllocated()) return;
  RECT r = thumbRect_;
  InvalidateRect(Handle(), &r, !(ControlStyle & csOpaque));
}

void TspSkinCustomSlider::MoveThumbTo(int p) {
  const int remembered = value_;
  TPoint topLeft;
  SnapOffset(p, topLeft);
  InvalidateThumb();
  thumbRect_ = TRect{topLeft.X, topLeft.Y, topLeft.X + thumbRect_.Width(), topLeft.Y + thumbRect_.Height()};
  InvalidateThumb();
  if (dragging_) {
    value_ = OffsetToValue(p);
    if (value_ != remembered) Change();
  }
}

// ---- Painting ---------------------------------------------------------------------------------------------

void TspSkinCustomSlider::PaintBuffered(TMessage& Message) {
  const TRect client = ClientRect();
  TBitmap buffer;
  buffer.SetPixelFormat(pf24bit);
  buffer.SetSize(std::max(client.Width(), 1), std::max(client.Height(), 1));
  HDC mem = buffer.Canvas()->Handle();
  Canvas()->Lock();
  struct Unlock {
    TspSkinCustomSlider* s;
    ~Unlock() {
      s->paintingBuffer_ = false;
      s->Canvas()->Unlock();
    }
  } unlock{this};
  paintingBuffer_ = true;
  SendMessage(Handle(), WM_ERASEBKGND, WPARAM(mem), 0);
  TMessage inner = Message;
  inner.WParam = WPARAM(mem);
  TspSkinControl::Dispatch(inner);
  if (Message.WParam) {
    BitBlt(HDC(Message.WParam), 0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
  } else {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Handle(), &ps);
    BitBlt(dc, 0, 0, client.Width(), client.Height(), mem, 0, 0, SRCCOPY);
    EndPaint(Handle(), &ps);
  }
}

void TspSkinCustomSlider::Paint() {
  GetSkinData();
  TCanvas* C = Canvas();
  const bool copy = (ControlState & csPaintCopy) != 0;
  TPoint thumb{thumbRect_.Left, thumbRect_.Top};
  if (copy) SnapOffset(ValueToOffset(GetCurrentValue()), thumb);
  const TRect client = ClientRect();
  if (transparent_) {
    TBitmap back;
    back.SetPixelFormat(pf24bit);
    back.SetSize(Width(), Height());
    PaintParentImage(this, back.Canvas());
    C->Draw(0, 0, &back);
  } else {
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(ControlIndex == -1 || !skinPicture_ ? Color() : skinBgColor_);
    C->FillRect(client);
  }
  if (ruler_->Width() > 0) {
    ruler_->SetTransparent(!((options_ & soRulerOpaque) && ControlIndex == -1));
    C->Draw(rulerPos_.X, rulerPos_.Y, ruler_.get());
  }
  if ((options_ & soShowFocus) && focused_ && !Designing()) {
    const TRect r = GetSliderRect();
    C->Brush()->SetStyle(bsSolid);
    C->DrawFocusRect(TRect{r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2});
  }
  if (options_ & soShowPoints) {
    if (OnDrawPoints)
      OnDrawPoints(this);
    else
      PaintPoints(C, increment_, 3, 5);
  }
  const int frame = copy ? (Enabled() ? 0 : 1) : ((thumbPressed_ || !Enabled()) ? 1 : 0);
  const int TW = ThumbWidth(), TH = ThumbHeight();
  if (TW <= 0 || TH <= 0) return;
  TBitmap cell;
  cell.SetPixelFormat(pf24bit);
  cell.SetSize(TW, TH);
  bool transparent = true;
  if (UsesSkinThumb()) {
    const TRect& s = orientation_ == soHorizontal ? hthumbrect_ : vthumbrect_;
    cell.Canvas()->CopyRect(TRect{0, 0, TW, TH}, skinPicture_->Canvas(),
                            TRect{s.Left + frame * TW, s.Top, s.Left + (frame + 1) * TW, s.Top + TH});
  } else {
    TBitmap* src = images_[orientation_ == soHorizontal ? 0 : 2].get();
    const int x = numThumbStates_ == 2 ? frame * TW : 0;
    cell.Canvas()->CopyRect(TRect{0, 0, TW, TH}, src->Canvas(), TRect{x, 0, x + TW, TH});
    cell.SetTransparentColor(src->TransparentColor());
    transparent = !(options_ & soThumbOpaque);
  }
  cell.SetTransparent(transparent);
  C->Draw(thumb.X, thumb.Y, &cell);
}

void TspSkinCustomSlider::DrawPoints(int step, int tickLength, int endTickLength) {
  PaintPoints(Canvas(), step, tickLength, endTickLength);
}

void TspSkinCustomSlider::PaintPoints(TCanvas* C, int step, int tickLength, int endTickLength) {
  const int L = RulerLength();
  const int range = max_ - min_;
  if (step <= 0 || range <= 0 || L <= 0) return;
  C->Pen()->SetColor(ControlIndex == -1 || !skinPicture_ ? clWindowText : skinPointsColor_);
  int h = 1, m = 0, count = 0;
  for (;; ++h) {
    m = RoundEven(double(range) / (double(h) * step));
    count = m + 1;
    const int spacing = count <= 1 || m <= 0 ? L : L / m;
    if (spacing >= 4 || spacing >= L) break;
  }
  const int TW = ThumbWidth(), TH = ThumbHeight();
  int v = min_;
  for (int k = 1; k <= count; ++k) {
    if (k == count) v = max_;
    const int len = v == min_ || v == max_ ? endTickLength : tickLength;
    const int o = ValueToOffset(v);
    if (orientation_ == soHorizontal) {
      C->MoveTo(o + TW / 2, pointsRect_.Top);
      C->LineTo(o + TW / 2, pointsRect_.Top + len);
    } else {
      C->MoveTo(pointsRect_.Left, o + TH / 2);
      C->LineTo(pointsRect_.Left + len, o + TH / 2);
    }
    v += h * step;
  }
}

// ---- Mouse and keys ------------------------------------------------------------------------------------------

int TspSkinCustomSlider::ScrollCodeAt(int X, int Y) const {
  if (orientation_ == soHorizontal) {
    if (X < thumbRect_.Left) return 4;
    if (X >= thumbRect_.Right) return 3;
    return 0;
  }
  if (Y < thumbRect_.Top) return 3;
  if (Y >= thumbRect_.Bottom) return 4;
  return 0;
}

void TspSkinCustomSlider::Scroll(int code) {
  int v;
  switch (code) {
    case 1: v = min_; break;
    case 2: v = max_; break;
    case 3: v = RoundEven(double(value_) / increment_) * increment_ + increment_; break;
    case 4: v = RoundEven(double(value_) / increment_) * increment_ - increment_; break;
    default: return;
  }
  v = std::clamp(v, min_, max_);
  if (v != value_) SetValue(v);
}

void TspSkinCustomSlider::RepeatStep() {
  if (ScrollCodeAt(lastMouse_.X, lastMouse_.Y) == repeatDirection_) {
    Scroll(repeatDirection_);
    if (!timerRunning_ && HandleAllocated()) {
      SetTimer(Handle(), kRepeatTimer, kSliderRepeatMs, nullptr);
      timerRunning_ = true;
    }
  }
}

void TspSkinCustomSlider::StopRepeat() {
  if (!repeating_) return;
  if (timerRunning_ && HandleAllocated()) KillTimer(Handle(), kRepeatTimer);
  timerRunning_ = false;
  repeating_ = false;
  SetMouseCapture(false);
  Changed();
}

void TspSkinCustomSlider::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TspSkinControl::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != TMouseButton::mbLeft || (Shift & ssDouble)) return;
  if (CanFocus()) SetFocus();
  const TPoint p{X, Y};
  if (thumbRect_.Contains(p)) {
    ThumbMouseDown(Button, Shift, X, Y);
    return;
  }
  TRect band{rulerPos_.X, rulerPos_.Y, rulerPos_.X + ruler_->Width(), rulerPos_.Y + ruler_->Height()};
  if (orientation_ == soHorizontal) {
    band.Top -= 3;
    band.Bottom += 3;
  } else {
    band.Left -= 3;
    band.Right += 3;
  }
  if (band.Contains(p) && CanChangeValue()) {
    SetMouseCapture(true);
    repeating_ = true;
    lastMouse_ = p;
    repeatDirection_ = ScrollCodeAt(X, Y);
    RepeatStep();
  }
}

void TspSkinCustomSlider::MouseMove(TShiftState Shift, int X, int Y) {
  if ((Shift & ssLeft) && dragging_)
    ThumbMouseMove(Shift, X, Y);
  else if (repeating_)
    lastMouse_ = TPoint{X, Y};
  TspSkinControl::MouseMove(Shift, X, Y);
}

void TspSkinCustomSlider::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  StopRepeat();
  if (!*alive) return;
  if (dragging_) ThumbMouseUp(Button, Shift, X, Y);
  if (*alive) TspSkinControl::MouseUp(Button, Shift, X, Y);
}

void TspSkinCustomSlider::ThumbMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (CanFocus() && !Focused()) SetFocus();
  if (Button != TMouseButton::mbLeft || !CanChangeValue()) return;
  dragging_ = true;
  thumbPressed_ = true;
  dragOffset_ = orientation_ == soHorizontal ? X - thumbRect_.Left : Y - thumbRect_.Top;
  InvalidateThumb();
  Update();
}

void TspSkinCustomSlider::ThumbMouseMove(TShiftState Shift, int X, int Y) {
  if ((Shift & ssLeft) && CanChangeValue()) MoveThumbTo((orientation_ == soHorizontal ? X : Y) - dragOffset_);
}

void TspSkinCustomSlider::ThumbMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button != TMouseButton::mbLeft) return;
  dragging_ = false;
  thumbPressed_ = false;
  InvalidateThumb();
  Update();
  if (CanChangeValue()) Changed();
}

void TspSkinCustomSlider::KeyDown(Word& Key, TShiftState Shift) {
  if ((Shift & (ssShift | ssCtrl | ssAlt)) == 0) {
    int code = 0;
    switch (Key) {
      case VK_HOME: code = 1; break;
      case VK_END: code = 2; break;
      case VK_LEFT: code = orientation_ == soHorizontal ? 4 : 0; break;
      case VK_RIGHT: code = orientation_ == soHorizontal ? 3 : 0; break;
      case VK_UP: code = orientation_ == soVertical ? 3 : 0; break;
      case VK_DOWN: code = orientation_ == soVertical ? 4 : 0; break;
      default: break;
    }
    if (code && CanChangeValue()) {
      Key = 0;
      Scroll(code);
      Changed();
    }
  }
  TspSkinControl::KeyDown(Key, Shift);
}

void TspSkinCustomSlider::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const bool resized = AWidth != Width() || AHeight != Height();
  TspSkinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (resized && !Reading() && !constructing_) RebuildLayout();
}

// ---- Messages -----------------------------------------------------------------------------------------------------

void TspSkinCustomSlider::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_PAINT:
      if (!paintingBuffer_) {
        PaintBuffered(Message);
        return;
      }
      break;
    case WM_MOVE:
      TspSkinControl::Dispatch(Message);
      if (transparent_) Invalidate();
      return;
    case WM_TIMER:
      if (Message.WParam == kRepeatTimer) {
        RepeatStep();
        return;
      }
      break;
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS; return;
    case CM_ENABLEDCHANGED:
      TspSkinControl::Dispatch(Message);
      InvalidateThumb();
      return;
    case CM_FOCUSCHANGED: {
      const bool now = reinterpret_cast<TWinControl*>(Message.LParam) == this;
      if (now != focused_) {
        focused_ = now;
        if (options_ & soShowFocus) Invalidate();
      }
      break;
    }
    case WM_SPBACKGROUNDCHANGED:
      if (transparent_) Repaint();
      return;
    default: break;
  }
  TspSkinControl::Dispatch(Message);
}
