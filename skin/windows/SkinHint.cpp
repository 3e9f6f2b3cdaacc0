#include "skin/windows/SkinHint.h"

#include <algorithm>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageList.h"
#include "platform/rtl/Clock.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/speffbmp.h"

namespace {

TspHintExtrasQuery gExtrasQuery = nullptr;

// The application's show-hint callback when a TspSkinHint installed it; a
// type of its own so the component can tell its handler from any other.
struct TspHintHandler {
  TspSkinHint* Hint;
  void operator()(std::string& HintStr, bool& CanShow, THintInfo& HintInfo) const {
    Hint->ShowHintHandler(HintStr, CanShow, HintInfo);
  }
};

bool IsHandlerOf(const TShowHintEvent& event, const TspSkinHint* hint) {
  const TspHintHandler* h = event.target<TspHintHandler>();
  return h && h->Hint == hint;
}

// The fade-in's step and the least time between two steps.
constexpr int kFadeStep = 20;
constexpr DWORD kFadeStepMs = 3;

// The extra width of the skinned hint around its text.
constexpr int kPlainExtra = 5;
constexpr int kExtendedExtra = 10;

}  // namespace

void SetHintExtrasQuery(TspHintExtrasQuery query) { gExtrasQuery = query; }
TspHintExtrasQuery HintExtrasQuery() { return gExtrasQuery; }

std::string SplitHintLines(const std::string& text, const std::string& separator) {
  if (separator.empty()) return text;
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = text.find(separator, from);
    if (at == std::string::npos) break;
    out.append(text, from, at - from);
    out += "\n\r";
    from = at + separator.size();
  }
  out.append(text, from, std::string::npos);
  return out;
}

// ---- Cursor ---------------------------------------------------------------------------

int CursorHeightBelowHotSpot(HCURSOR cursor) {
  const int systemHeight = GetSystemMetrics(SM_CYCURSOR);
  ICONINFO info;
  if (!cursor || !GetIconInfo(cursor, &info)) return systemHeight;
  int result = systemHeight;
  BITMAP bm{};
  if (info.hbmMask && GetObject(info.hbmMask, sizeof(bm), &bm) && bm.bmWidth > 0 && bm.bmHeight > 0 &&
      bm.bmWidth <= 1024 && bm.bmHeight <= 2048) {
    const int w = bm.bmWidth, h = bm.bmHeight;
    const int stride = ((w + 31) / 32) * 4;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 1;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<Byte> bits(std::size_t(stride) * std::size_t(h));
    HDC dc = GetDC(nullptr);
    const int got = GetDIBits(dc, info.hbmMask, 0, UINT(h), bits.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (got == h) {
      auto bit = [&](int row, int x) { return (bits[std::size_t(row) * stride + std::size_t(x / 8)] >> (7 - x % 8)) & 1; };
      // The AND plane is the top square of the mask (all of it when the
      // mask is shorter than wide); a 0 bit there is drawn.
      const int plane = std::min(w, h);
      int lowest = -1;
      for (int row = plane - 1; row >= 0 && lowest < 0; --row)
        for (int x = 0; x < w; ++x)
          if (!bit(row, x)) {
            lowest = row;
            break;
          }
      // A cursor drawn only by inverting: its XOR plane below the AND plane.
      if (lowest < 0 && h >= 2 * w)
        for (int row = plane - 1; row >= 0 && lowest < 0; --row)
          for (int x = 0; x < w; ++x)
            if (bit(plane + row, x)) {
              lowest = row;
              break;
            }
      if (lowest >= 0) result = lowest - int(info.yHotspot);
    }
  }
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return result;
}

int CursorHeightBelowHotSpot() { return CursorHeightBelowHotSpot(GetCursor()); }

// ---- TspSkinHint ---------------------------------------------------------------------------

TspSkinHint* FindActiveHint() {
  if (!Application || !Application->MainForm()) return nullptr;
  for (TComponent* c : Application->MainForm()->ComponentList())
    if (auto* h = dynamic_cast<TspSkinHint*>(c); h && h->Active()) return h;
  return nullptr;
}

TspSkinHint::TspSkinHint(TComponent* AOwner) : TComponent(AOwner), defaultFont_(std::make_unique<TFont>()) {
  HintWindow = new TspSkinHintWindow(this);
  if ((ComponentState() & csDesigning) || !Application) return;
  Application->SetHintWindowClass([](TComponent* owner) -> THintWindow* { return new TspSkinHintWindow(owner); });
  Application->SetShowHint(false);
  Application->SetShowHint(true);
  InstallHandler();
  Application->HintShortPause = 100;
}

TspSkinHint::~TspSkinHint() {
  // The application must not call into a freed component.
  if (Application && IsHandlerOf(Application->OnShowHint, this)) Application->OnShowHint = nullptr;
  delete DelayTimer;
  DelayTimer = nullptr;
  SetSkinData(nullptr);
  SetImages(nullptr);
}

void TspSkinHint::InstallHandler() {
  if (Application) Application->OnShowHint = TspHintHandler{this};
}

void TspSkinHint::SetDefaultFont(const TFont* value) {
  if (value) defaultFont_->Assign(value);
}

void TspSkinHint::SetAlphaBlendSupport(bool value) {
  alphaBlendSupport_ = value && ((ComponentState() & csDesigning) || IsWindows2000OrLater());
}

void TspSkinHint::SetSkinData(TspSkinData* value) {
  if (value == skinData_) return;
  if (skinData_) skinData_->RemoveFreeNotification(this);
  skinData_ = value;
  if (skinData_) skinData_->FreeNotification(this);
}

void TspSkinHint::SetImages(TImageList* value) {
  if (value == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (images_) images_->FreeNotification(this);
}

void TspSkinHint::SetActive(bool value) {
  active_ = value;
  if (!value) return;
  if (Application && Application->MainForm()) {
    // Copy: turning another one off never changes the list, but stay safe.
    const std::vector<TComponent*> owned = Application->MainForm()->ComponentList();
    for (TComponent* c : owned)
      if (auto* h = dynamic_cast<TspSkinHint*>(c); h && h != this && h->Active()) h->SetActive(false);
  }
  if (!(ComponentState() & csDesigning)) InstallHandler();
}

void TspSkinHint::ClearExtras() {
  Title.clear();
  ImageIndex = 0;
  SetImages(nullptr);
}

void TspSkinHint::ShowHintHandler(std::string& HintStr, bool& CanShow, THintInfo& HintInfo) {
  ClearExtras();
  TspHintExtras extras;
  if (HintInfo.HintControl && gExtrasQuery && gExtrasQuery(HintInfo.HintControl, extras)) {
    Title = extras.Title;
    ImageIndex = extras.ImageIndex;
    SetImages(extras.Images);
  }
  if (OnShowHint) OnShowHint(HintStr, CanShow, HintInfo);
}

void TspSkinHint::ShowHintLater(const std::string& text) {
  delete DelayTimer;
  DelayTimer = nullptr;
  PendingText = text;
  ClearExtras();
  DelayTimer = new TTimer(this);
  // An interval of 0 would never fire.
  DelayTimer->SetInterval(Cardinal(std::max(Application ? Application->HintPause : 500, 1)));
  DelayTimer->SetOnTimer([this](TObject*) { ShowNow(); });
}

void TspSkinHint::ShowNow() {
  if (!DelayTimer) return;
  POINT p{};
  GetCursorPos(&p);
  p.Y += CursorHeightBelowHotSpot();
  HintWindow->ActivateHint(TRect{p.X, p.Y, p.X, p.Y}, PendingText);
  // ActivateHint may have run a hint handler that dropped the request.
  if (!DelayTimer) return;
  DelayTimer->SetEnabled(false);
  DelayTimer->SetInterval(Cardinal(std::max(Application ? Application->HintHidePause : 2500, 1)));
  DelayTimer->SetOnTimer([this](TObject*) { HideHint(); });
  DelayTimer->SetEnabled(true);
}

void TspSkinHint::HideHint() {
  delete DelayTimer;
  DelayTimer = nullptr;
  if (HintWindow->HandleAllocated() && IsWindowVisible(HintWindow->Handle())) {
    SetWindowPos(HintWindow->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER);
    ClearExtras();
  }
}

void TspSkinHint::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == skinData_) skinData_ = nullptr;
  if (AComponent == images_) images_ = nullptr;
  if (AComponent == HintWindow) HintWindow = nullptr;
  if (AComponent == DelayTimer) DelayTimer = nullptr;
}

// ---- TspSkinHintWindow --------------------------------------------------------------------

TspSkinHintWindow::TspSkinHintWindow(TComponent* AOwner) : THintWindow(AOwner) {}

TspSkinHintWindow::~TspSkinHintWindow() {
  Watch(watchedSkin_, nullptr);
  Watch(watchedHint_, nullptr);
  Watch(watchedImages_, nullptr);
}

void TspSkinHintWindow::Watch(TComponent*& field, TComponent* value) {
  if (field == value) return;
  // The same component may be watched through two fields.
  auto stillWatched = [&](TComponent* c) {
    int uses = (watchedSkin_ == c) + (watchedHint_ == c) + (watchedImages_ == c);
    return uses > 1;
  };
  if (field && !stillWatched(field)) field->RemoveFreeNotification(this);
  field = value;
  if (field) field->FreeNotification(this);
}

void TspSkinHintWindow::Notification(TComponent* AComponent, TOperation Operation) {
  THintWindow::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == watchedSkin_) {
    watchedSkin_ = nullptr;
    SkinData = nullptr;
  }
  if (AComponent == watchedHint_) {
    watchedHint_ = nullptr;
    HintComponent = nullptr;
  }
  if (AComponent == watchedImages_) {
    watchedImages_ = nullptr;
    images_ = nullptr;
  }
}

void TspSkinHintWindow::CreateParams(TCreateParams& Params) {
  THintWindow::CreateParams(Params);
  Params.Style &= ~DWORD(WS_BORDER);
  if (IsWindowsXPOrLater()) Params.WindowClass.style |= CS_DROPSHADOW;
}

void TspSkinHintWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCPAINT:
      return;
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    case WM_DESTROY:
      // A new window starts opaque and without a region; the old region went
      // with the window.
      Region = nullptr;
      AppliedAlphaBlend = false;
      AppliedAlphaBlendValue = 0;
      break;
    default:
      break;
  }
  THintWindow::Dispatch(Message);
}

bool TspSkinHintWindow::Prepare() {
  Extended = false;
  HintComponent = FindActiveHint();
  Watch(watchedHint_, HintComponent);
  if (!HintComponent || !HintComponent->Active()) return false;
  title_ = HintComponent->Title;
  imageIndex_ = HintComponent->ImageIndex;
  images_ = HintComponent->Images();
  Watch(watchedImages_, images_);
  Extended = !title_.empty() || images_;
  TspSkinData* sd = HintComponent->SkinData();
  SkinData = sd && !sd->Empty && sd->GetActivePicture(sd->HintWindow.windowpictureindex) ? sd : nullptr;
  Watch(watchedSkin_, SkinData);
  return true;
}

void TspSkinHintWindow::SetHintFont(TFont* font) const {
  if (SkinData && HintComponent && HintComponent->UseSkinFont) {
    const TspDataSkinHintWindow& d = SkinData->HintWindow;
    font->SetName(d.fontname);
    font->SetHeight(d.fontheight);
    font->SetStyle(d.fontstyle);
  } else if (HintComponent) {
    font->Assign(HintComponent->DefaultFont());
  }
  if (SkinData) {
    font->SetColor(TColor(SkinData->HintWindow.fontcolor));
    if (TspResourceStrData* rs = SkinData->ResourceStrData()) font->SetCharset(rs->CharSet);
  } else {
    font->SetColor(clInfoText);
  }
}

TSize TspSkinHintWindow::TextSize(TCanvas* canvas, const std::string& text) {
  RECT r{0, 0, 0, 0};
  DrawText(canvas->Handle(), text.c_str(), -1, &r, DT_CALCRECT);
  return TSize{r.Right - r.Left, r.Bottom - r.Top};
}

bool TspSkinHintWindow::HasImage() const {
  return images_ && imageIndex_ >= 0 && imageIndex_ < images_->Count();
}

TSize TspSkinHintWindow::HintSize(const std::string& text) {
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TCanvas* c = scratch.Canvas();
  SetHintFont(c->Font());
  const TSize t = TextSize(c, text);
  int w = t.cx, h = t.cy;
  if (Extended) {
    int titleHeight = 0;
    if (!title_.empty()) {
      const TSize ts = TextSize(c, title_);
      titleHeight = ts.cy;
      h += ts.cy + 10;
      w = std::max(w, ts.cx);
    }
    if (HasImage()) {
      w += images_->Width() + 10;
      h = std::max(h, images_->Height() + titleHeight + 5);
    }
  }
  if (!SkinData) {
    ClientArea = TRect{2, 2, w + 2, h + 2};
    return TSize{w + 4, h + 4};
  }
  const TspDataSkinHintWindow& d = SkinData->HintWindow;
  TBitmap* pic = SkinData->GetActivePicture(d.windowpictureindex);
  const int pw = pic ? pic->Width() : 0, ph = pic ? pic->Height() : 0;
  const TRect& C = d.clientrect;
  const TPoint LT = d.lefttoppoint, RT = d.righttoppoint, LB = d.leftbottompoint, RB = d.rightbottompoint;
  int W = w + C.Left + pw - C.Right + (Extended ? kExtendedExtra : kPlainExtra);
  int H = h + C.Top + ph - C.Bottom;
  int dX = W - pw, dY = H - ph;
  if (RT.X + dX < LT.X) {
    W += LT.X - (RT.X + dX);
    dX = W - pw;
  }
  if (RB.X + dX < LB.X) {
    W += LB.X - (RB.X + dX);
    dX = W - pw;
  }
  if (LB.Y + dY < LT.Y) {
    H += LT.Y - (LB.Y + dY);
    dY = H - ph;
  }
  if (RB.Y + dY < RT.Y) {
    H += RT.Y - (RB.Y + dY);
    dY = H - ph;
  }
  ClientArea = TRect{C.Left, C.Top, C.Right + dX, C.Bottom + dY};
  LeftTopPoint = LT;
  RightTopPoint = TPoint{RT.X + dX, RT.Y};
  LeftBottomPoint = TPoint{LB.X, LB.Y + dY};
  RightBottomPoint = TPoint{RB.X + dX, RB.Y + dY};
  return TSize{std::max(W, 1), std::max(H, 1)};
}

TRect TspSkinHintWindow::CalcHintRect(int, const std::string& AHint, void*) {
  if (!Prepare()) return TRect{0, 0, 0, 0};
  const TSize s = HintSize(SplitHintLines(AHint, HintComponent->LineSeparator));
  return TRect{0, 0, s.cx, s.cy};
}

void TspSkinHintWindow::ApplyRegion(int width, int height) {
  HWND h = Handle();
  TBitmap* mask = SkinData ? SkinData->GetActivePicture(SkinData->HintWindow.maskpictureindex) : nullptr;
  if (mask) {
    const TspDataSkinHintWindow& d = SkinData->HintWindow;
    HRGN rgn = nullptr;
    CreateSkinRegion(rgn, d.lefttoppoint, d.righttoppoint, d.leftbottompoint, d.rightbottompoint, d.clientrect,
                     LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint, ClientArea, mask, width, height);
    // The window owns an installed region and frees the one it replaces.
    SetWindowRgn(h, rgn, FALSE);
    Region = rgn;
  } else if (Region) {
    SetWindowRgn(h, nullptr, FALSE);
    Region = nullptr;
  }
}

void TspSkinHintWindow::ApplyAlpha(HWND h) {
  TspSkinHint* hint = HintComponent;
  if (!hint->AlphaBlendSupport()) return;
  if (hint->AlphaBlend != AppliedAlphaBlend) {
    const LONG_PTR ex = GetWindowLong(h, GWL_EXSTYLE);
    if (hint->AlphaBlend) {
      SetWindowLong(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
      if (!hint->AlphaBlendAnimation) SetWindowAlphaBlend(h, hint->AlphaBlendValue);
    } else {
      SetWindowLong(h, GWL_EXSTYLE, ex & ~LONG_PTR(WS_EX_LAYERED));
    }
    AppliedAlphaBlend = hint->AlphaBlend;
  }
  if (hint->AlphaBlend && hint->AlphaBlendAnimation) SetWindowAlphaBlend(h, 0);
  if (hint->AlphaBlend && hint->AlphaBlendValue != AppliedAlphaBlendValue) {
    if (!hint->AlphaBlendAnimation) SetWindowAlphaBlend(h, hint->AlphaBlendValue);
    AppliedAlphaBlendValue = hint->AlphaBlendValue;
  }
}

void TspSkinHintWindow::FadeIn(HWND h) {
  const int target = HintComponent->AlphaBlendValue;
  int alpha = 0;
  DWORD last = GetTickCount();
  while (alpha < target) {
    // Waits without spinning; a virtual clock moves on with each Sleep.
    while (GetTickCount() - last <= kFadeStepMs) Sleep(1);
    last = GetTickCount();
    alpha = std::min(alpha + kFadeStep, target);
    Repaint();
    SetWindowAlphaBlend(h, Byte(alpha));
    if (!HandleAllocated() || !HintComponent) return;
  }
}

void TspSkinHintWindow::ActivateHint(const TRect& Rect, const std::string& AHint) {
  if (!Prepare()) return;
  const std::string text = SplitHintLines(AHint, HintComponent->LineSeparator);
  SetCaption(text);
  const TSize size = HintSize(text);
  const int W = size.cx, H = size.cy;
  TRect r{Rect.Left, Rect.Top, Rect.Left + W, Rect.Top + H};

  TRect bound{0, 0, Screen->Width(), Screen->Height()};
  if (TCustomForm* active = Screen->ActiveCustomForm(); active && active->HandleAllocated())
    GetMonitorWorkArea(active->Handle(), true, bound);
  else if (TForm* main = Application ? Application->MainForm() : nullptr;
           main && main->Visible() && main->HandleAllocated())
    GetMonitorWorkArea(main->Handle(), true, bound);
  if (bound.Right < r.Right) r = Bounds(r.Left - (W + 2), r.Top, W, H);
  if (bound.Bottom < r.Bottom) r = Bounds(r.Left, r.Top - (H + 2), W, H);

  HWND h = Handle();
  SetBounds(r.Left, r.Top, W, H);
  ApplyAlpha(h);
  if (!HintComponent->AlphaBlendSupport() && HintComponent->AlphaBlend) {
    if (!ScreenImage) ScreenImage = std::make_unique<TBitmap>();
    ScreenImage->SetPixelFormat(pf24bit);
    ScreenImage->SetSize(W, H);
    CopyScreenToBitmap(r.Left, r.Top, ScreenImage.get());
  }
  ApplyRegion(W, H);
  SetWindowPos(h, HWND_TOPMOST, r.Left, r.Top, W, H, SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
  Update();
  if (HintComponent && HintComponent->AlphaBlendSupport() && HintComponent->AlphaBlend &&
      HintComponent->AlphaBlendAnimation)
    FadeIn(h);
}

void TspSkinHintWindow::PaintText(TCanvas* c, int width, int height) {
  const std::string& text = Caption();
  c->Brush()->SetStyle(bsClear);
  const TSize t = TextSize(c, text);
  auto drawAt = [&](int x, int y, int w, int h, const std::string& s) {
    RECT r{x, y, x + w, y + h};
    DrawText(c->Handle(), s.c_str(), -1, &r, 0);
  };
  const TRect& ca = ClientArea;
  if (!Extended) {
    if (SkinData)
      drawAt(ca.Left + (ca.Width() - t.cx) / 2, ca.Top + (ca.Height() - t.cy) / 2, t.cx, t.cy, text);
    else
      drawAt(2, 2, width - 4, height - 4, text);
    return;
  }
  const TFontStyles style = c->Font()->Style();
  int titleBottom = 0;  // t of the look: the title's height + 5, or 0
  TSize titleSize{0, 0};
  if (!title_.empty()) {
    c->Font()->SetStyle(style | fsBold);
    titleSize = TextSize(c, title_);
    titleBottom = titleSize.cy + 5;
  }
  const bool image = HasImage();
  const int iw = image ? images_->Width() : 0, ih = image ? images_->Height() : 0;
  if (SkinData) {
    if (!title_.empty()) {
      drawAt(ca.Left + 5, ca.Top, titleSize.cx, titleSize.cy, title_);
      c->Font()->SetStyle(style);
    }
    const int ix = ca.Left + 5;
    if (image) {
      const int iy = title_.empty() ? ca.Top + (ca.Height() - ih) / 2 : ca.Top + titleBottom;
      images_->Draw(c, ix, iy, imageIndex_, true);
    }
    const int tx = image ? ix + iw + 5 : ca.Left + 5;
    const int ty = title_.empty() ? ca.Top + (ca.Height() - t.cy) / 2 : ca.Top + titleBottom;
    drawAt(tx, ty, t.cx, t.cy, text);
    return;
  }
  TRect R{2, 2, width - 2, height - 2};
  if (!title_.empty()) {
    drawAt(R.Left, R.Top, titleSize.cx, titleSize.cy, title_);
    c->Font()->SetStyle(style);
  }
  if (image) {
    const int iy = title_.empty() ? R.Top + (R.Height() - ih) / 2 : titleBottom;
    images_->Draw(c, 2, iy, imageIndex_, true);
  }
  R.Top = 2 + titleBottom;
  R.Left = 2 + (image ? 2 + iw + 5 : 0);
  RECT rr{R.Left, R.Top, R.Right, R.Bottom};
  DrawText(c->Handle(), text.c_str(), -1, &rr, 0);
}

void TspSkinHintWindow::Paint() {
  const int width = ClientWidth(), height = ClientHeight();
  if (width <= 0 || height <= 0) return;
  // The skin may have been emptied since the hint opened.
  if (SkinData && (SkinData->Empty || !SkinData->GetActivePicture(SkinData->HintWindow.windowpictureindex)))
    SkinData = nullptr;
  TBitmap buffer;
  buffer.SetPixelFormat(pf24bit);
  buffer.SetSize(width, height);
  TCanvas* c = buffer.Canvas();
  if (SkinData) {
    const TspDataSkinHintWindow& d = SkinData->HintWindow;
    TBitmap* pic = SkinData->GetActivePicture(d.windowpictureindex);
    CreateSkinImage2(d.lefttoppoint, d.righttoppoint, d.leftbottompoint, d.rightbottompoint, d.clientrect,
                     LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint, ClientArea, &buffer, pic,
                     TRect{0, 0, pic->Width(), pic->Height()}, width, height, true, d.leftstretch, d.topstretch,
                     d.rightstretch, d.bottomstretch, d.stretcheffect, d.stretchtype);
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clInfoBk);
    c->FillRect(TRect{0, 0, width, height});
    c->Brush()->SetColor(clBtnShadow);
    c->FrameRect(TRect{0, 0, width, height});
  }
  if (HintComponent) {
    SetHintFont(c->Font());
    PaintText(c, width, height);
    if (!HintComponent->AlphaBlendSupport() && HintComponent->AlphaBlend && ScreenImage &&
        ScreenImage->Width() == width && ScreenImage->Height() == height) {
      TspEffectBmp mine(buffer.Handle());
      TspEffectBmp screen(ScreenImage->Handle());
      mine.Morph(&screen, 1.0 - HintComponent->AlphaBlendValue / 255.0);
      mine.Draw(c->Handle(), 0, 0);
    }
  }
  Canvas()->Draw(0, 0, &buffer);
}
