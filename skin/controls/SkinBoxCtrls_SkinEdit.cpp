// The skinned edit: a frame painted in the non-client area from the skin's
// edit description or in the default look, the client background under the
// platform edit's text, left and right images that act as buttons, and a
// push button at the right edge.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/graphics/ImageList.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/User.h"
#include "platform/user/windows/WindowPos.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/controls/SkinCtrls_Internal.h"
#include "skin/engine/SPUtils.h"

using namespace skinctrls;

namespace {

TRect Offset(const TRect& r, int dx, int dy) { return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

}  // namespace

void DrawSkinButtonFace(TBitmap* B, const TspDataSkinCustomControl* d, TBitmap* picture, const TRect& state, int w,
                        int h) {
  B->SetPixelFormat(pf24bit);
  B->SetSize(std::max(w, 0), std::max(h, 0));
  if (!d || !picture || w <= 0 || h <= 0 || IsNullRect(state)) return;
  const int dx = w - d->skinrect.Width(), dy = h - d->skinrect.Height();
  const TPoint nrt{d->righttoppoint.X + dx, d->righttoppoint.Y};
  const TPoint nlb{d->leftbottompoint.X, d->leftbottompoint.Y + dy};
  const TPoint nrb{d->rightbottompoint.X + dx, d->rightbottompoint.Y + dy};
  const TRect ncl{d->clientrect.Left, d->clientrect.Top, d->clientrect.Right + dx, d->clientrect.Bottom + dy};
  CreateSkinImage(d->lefttoppoint, d->righttoppoint, d->leftbottompoint, d->rightbottompoint, d->clientrect,
                  d->lefttoppoint, nrt, nlb, nrb, ncl, B, picture, state, w, h, true, d->leftstretch, d->topstretch,
                  d->rightstretch, d->bottomstretch, d->stretcheffect, d->stretchtype);
}

TspSkinCustomEdit::TspSkinCustomEdit(TComponent* AOwner)
    : TspCustomEdit(AOwner), defaultFont_(std::make_unique<TFont>()) {
  ControlStyle |= csOpaque;
  SetAutoSize(false);
  SetBounds(Left(), Top(), Width() > 0 ? Width() : 121, 20);
  SetTransparentMode(true);
  defaultFont_->Assign(Font());
  defaultFont_->SetName("Arial");
  defaultFont_->SetStyle(0);
  defaultFont_->SetHeight(14);
  defaultFont_->SetColor(clBlack);
  Font()->Assign(defaultFont_.get());
  defaultFont_->OnChange = [this](TObject*) { DefaultFontChange(); };
}

TspSkinCustomEdit::~TspSkinCustomEdit() { defaultFont_->OnChange = nullptr; }

// ---- Skin -----------------------------------------------------------------------------

void TspSkinCustomEdit::SetSkinData(TspSkinData* value) {
  if (skinData_ != value) {
    if (skinData_) skinData_->RemoveFreeNotification(this);
    skinData_ = value;
    if (skinData_) skinData_->FreeNotification(this);
  }
  if (skinData_ && !skinData_->Empty && !Designing()) ChangeSkinData();
}

void TspSkinCustomEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TspCustomEdit::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == skinData_) skinData_ = nullptr;
  if (AComponent == images_) images_ = nullptr;
}

void TspSkinCustomEdit::Loaded() {
  TspCustomEdit::Loaded();
  if (skinData_ && skinData_->ResourceStrData()) Font()->SetCharset(skinData_->ResourceStrData()->CharSet);
}

TspSkinData* TspSkinCustomEdit::MenuSkinData() const {
  if (TspSkinData* sd = TspCustomEdit::MenuSkinData()) return sd;
  return skinData_;
}

void TspSkinCustomEdit::GetSkinData() {
  controlIndex_ = skinData_ && !skinData_->Empty ? skinData_->GetControlIndex(skinDataName_) : -1;
  if (controlIndex_ == -1) return;
  auto* d = dynamic_cast<TspDataSkinEditControl*>(skinData_->SkinControls[std::size_t(controlIndex_)].get());
  if (!d) return;
  skinPicture_ = skinData_->GetActivePicture(d->pictureindex);
  skinRect_ = d->skinrect;
  clRect_ = d->clientrect;
  rightTop_ = d->righttoppoint;
  leftWidth_ = d->lefttoppoint.X;
  rightWidth_ = skinRect_.Width() - d->righttoppoint.X;
  activeSkinRect_ = IsNullRect(d->activeskinrect) ? d->skinrect : d->activeskinrect;
  fontName_ = d->fontname;
  fontStyle_ = d->fontstyle;
  fontHeight_ = d->fontheight;
  fontColor_ = d->fontcolor;
  disabledFontColor_ = d->disabledfontcolor;
  activeFontColor_ = d->activefontcolor;
  skinButtonRect_ = d->buttonrect;
  activeButtonRect_ = d->activebuttonrect;
  downButtonRect_ = IsNullRect(d->downbuttonrect) ? d->activebuttonrect : d->downbuttonrect;
  unenabledButtonRect_ = d->unenabledbuttonrect;
  stretchEffect_ = d->stretcheffect;
}

void TspSkinCustomEdit::ApplyStateColor() {
  TColor c;
  if (Enabled())
    c = !Skinned() ? defaultFont_->Color() : (Focused() || mouseIn_) ? activeFontColor_ : fontColor_;
  else
    c = Skinned() ? disabledFontColor_ : clGrayText;
  Font()->SetColor(c);
}

void TspSkinCustomEdit::ChangeSkinData() {
  GetSkinData();
  if (!Skinned()) {
    Font()->Assign(defaultFont_.get());
    if (defaultWidth_ > 0) SetWidth(defaultWidth_);
    if (defaultHeight_ > 0) SetHeight(defaultHeight_);
  } else if (UseSkinFont) {
    Font()->SetName(fontName_);
    Font()->SetStyle(fontStyle_);
    SetHeight(skinRect_.Height());
    Font()->SetHeight(fontHeight_);
  } else {
    Font()->Assign(defaultFont_.get());
  }
  Font()->SetCharset(skinData_ && skinData_->ResourceStrData() ? skinData_->ResourceStrData()->CharSet
                                                                : defaultFont_->Charset());
  // The frame's size follows the description: the client area is recomputed.
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ApplyStateColor();
  if (!UseSkinFont) SetHeight(EditHeight());
  if (images_) CalcImageRects(true);
  Invalidate();
  RepaintFrame();
}

bool TspSkinCustomEdit::Active() { return mouseIn_ || (HandleAllocated() && Focused()); }

// ---- Properties ---------------------------------------------------------------------------

void TspSkinCustomEdit::DefaultFontChange() {
  if (controlIndex_ == -1) Font()->Assign(defaultFont_.get());
}

void TspSkinCustomEdit::SetDefaultFont(const TFont* value) {
  defaultFont_->Assign(value);
  if (controlIndex_ == -1) Font()->Assign(value);
}

void TspSkinCustomEdit::SetDefaultWidth(int value) {
  defaultWidth_ = value;
  if (controlIndex_ == -1 && value > 0) SetWidth(value);
}

void TspSkinCustomEdit::SetDefaultHeight(int value) {
  defaultHeight_ = value;
  if (controlIndex_ == -1 && value > 0 && UseSkinFont)
    SetHeight(value);
  else
    SetHeight(EditHeight());
}

void TspSkinCustomEdit::SetAlignment(TAlignment value) { TspCustomEdit::SetAlignment(value); }

void TspSkinCustomEdit::SetButtonMode(bool value) {
  if (buttonMode_ == value) return;
  buttonMode_ = value;
  if (Designing() && !(ComponentState() & csLoading)) skinDataName_ = value ? "buttonedit" : "edit";
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RepaintFrame();
}

void TspSkinCustomEdit::SetImages(TImageList* value) {
  if (images_ == value) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = value;
  if (images_) images_->FreeNotification(this);
  CalcImageRects(true);
  Invalidate();
}

void TspSkinCustomEdit::SetLeftImageIndex(int value) {
  leftImageIndex_ = value;
  CalcImageRects(true);
  Invalidate();
}

void TspSkinCustomEdit::SetRightImageIndex(int value) {
  rightImageIndex_ = value;
  CalcImageRects(true);
  Invalidate();
}

// ---- Geometry -----------------------------------------------------------------------------

int TspSkinCustomEdit::EditHeight() {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  GetSkinData();
  return int(tm.tmHeight) + (Skinned() ? skinRect_.Height() - clRect_.Height() : 4);
}

void TspSkinCustomEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  GetSkinData();
  if ((AWidth != Width() || AHeight != Height()) && !(controlIndex_ == -1 && UseSkinFont)) {
    if (!UseSkinFont)
      AHeight = EditHeight();
    else if (Skinned())
      AHeight = skinRect_.Height();
  }
  TspCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
  Invalidate();
  RepaintFrame();
}

void TspSkinCustomEdit::NcCalcSize(RECT& r) {
  GetSkinData();
  const int H = r.Bottom - r.Top;
  if (!Skinned()) {
    r.Left += 2;
    r.Top += 2;
    r.Bottom -= 2;
    r.Right -= buttonMode_ ? H + 2 : 2;
  } else {
    const int SW = skinRect_.Width(), SH = skinRect_.Height();
    r.Left += clRect_.Left;
    r.Top += clRect_.Top;
    r.Right += clRect_.Right - SW;
    r.Bottom += clRect_.Bottom - SH;
  }
  r.Right = std::max(r.Right, r.Left);
  r.Bottom = std::max(r.Bottom, r.Top);
}

void TspSkinCustomEdit::CalcEditRects() {
  GetSkinData();
  const int W = Width(), H = Height();
  if (!Skinned()) {
    buttonRect_ = buttonMode_ ? TRect{W - H, 0, W, H} : TRect{};
    const int right = buttonMode_ ? buttonRect_.Left : W;
    textRect_ = TRect{2, 2, right - 2, H - 2};
    return;
  }
  const int dx = W - skinRect_.Width(), dy = H - skinRect_.Height();
  textRect_ = TRect{clRect_.Left, clRect_.Top, clRect_.Right + dx, clRect_.Bottom};
  buttonRect_ = skinButtonRect_;
  if (buttonRect_.Left >= rightTop_.X) buttonRect_ = Offset(buttonRect_, dx, 0);
  if (!UseSkinFont) {
    textRect_.Bottom += dy;
    buttonRect_.Bottom += dy;
  }
}

void TspSkinCustomEdit::CalcImageRects(bool apply) {
  if (!images_) return;
  leftImageRect_ = rightImageRect_ = TRect{};
  if (!HandleAllocated()) return;
  TRect R = ClientRect();
  const int w = images_->Width();
  if (leftImageIndex_ >= 0) {
    leftImageRect_ = TRect{R.Left, R.Top, R.Left + w, R.Bottom};
    R.Left += w + 2;
  }
  if (rightImageIndex_ >= 0) {
    rightImageRect_ = TRect{R.Right - w, R.Top, R.Right, R.Bottom};
    R.Right -= w + 2;
  }
  // Margins of the platform edit stay inside the rectangle given here.
  if (apply) Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&R));
}

// ---- Painting -----------------------------------------------------------------------------

void TspSkinCustomEdit::PaintFrameImage(TBitmap* B) {
  CalcEditRects();
  const int W = Width(), H = Height();
  B->SetPixelFormat(pf24bit);
  B->SetSize(W, H);
  TCanvas* C = B->Canvas();
  if (!Skinned()) {
    const int bw = buttonMode_ ? W - buttonRect_.Left : 0;
    const TRect outer{0, 0, W - bw, H};
    Fill(C, TRect{0, 0, W, H}, EditColor);
    Frame(C, outer, clBtnShadow);
    Frame(C, TRect{1, 1, outer.Right - 1, H - 1}, clBtnFace);
    if (buttonMode_) {
      const bool down = buttonPressed_ && buttonHot_;
      Frame(C, buttonRect_, down || buttonHot_ ? kNavy : clBtnShadow);
      Fill(C, TRect{buttonRect_.Left + 1, buttonRect_.Top + 1, buttonRect_.Right - 1, buttonRect_.Bottom - 1},
           down ? kDownFill : buttonHot_ ? kHotFill : clBtnFace);
    }
    return;
  }
  if (!skinPicture_) return;
  const TRect& state = Active() ? activeSkinRect_ : skinRect_;
  if (UseSkinFont) {
    CreateHSkinImage(leftWidth_, rightWidth_, B, skinPicture_, state, W, stretchEffect_);
    if (buttonMode_) {
      const TRect* piece = nullptr;
      if (!Enabled() && !IsNullRect(unenabledButtonRect_))
        piece = &unenabledButtonRect_;
      else if (buttonPressed_ && buttonHot_)
        piece = &downButtonRect_;
      else if (buttonHot_)
        piece = &activeButtonRect_;
      if (piece && !IsNullRect(*piece)) B->Canvas()->CopyRect(buttonRect_, skinPicture_->Canvas(), *piece);
    }
    return;
  }
  CreateStretchSkinImage(B, skinPicture_, state, clRect_, false);
  if (!buttonMode_ || IsNullRect(buttonRect_)) return;
  const TspDataSkinControl* bd = skinData_->GetControlIndex("editbutton") != -1
                                     ? skinData_->SkinControls[std::size_t(skinData_->GetControlIndex("editbutton"))].get()
                                 : skinData_->GetControlIndex("resizebutton") != -1
                                     ? skinData_->SkinControls[std::size_t(skinData_->GetControlIndex("resizebutton"))].get()
                                     : nullptr;
  auto* d = dynamic_cast<const TspDataSkinButtonControl*>(bd);
  if (!d) return;
  TRect s = d->skinrect;
  const TRect active = IsNullRect(d->activeskinrect) ? d->skinrect : d->activeskinrect;
  if (buttonPressed_ && buttonHot_)
    s = IsNullRect(d->downskinrect) ? active : d->downskinrect;
  else if (buttonHot_)
    s = active;
  TBitmap button;
  button.SetPixelFormat(pf24bit);
  DrawSkinButtonFace(&button, d, skinData_->GetActivePicture(d->pictureindex), s, buttonRect_.Width(),
                     buttonRect_.Height());
  C->Draw(buttonRect_.Left, buttonRect_.Top, &button);
}

void TspSkinCustomEdit::NcPaint(HDC dc, bool excludeText) {
  if (Width() <= 0 || Height() <= 0) return;
  TBitmap image;
  PaintFrameImage(&image);
  const int saved = SaveDC(dc);
  if (excludeText) ExcludeClipRect(dc, textRect_.Left, textRect_.Top, textRect_.Right, textRect_.Bottom);
  BitBlt(dc, 0, 0, Width(), Height(), image.Canvas()->Handle(), 0, 0, SRCCOPY);
  RestoreDC(dc, saved);
}

void TspSkinCustomEdit::RepaintFrame() {
  if (Parent() && HandleAllocated()) SendMessage(Handle(), WM_NCPAINT, 1, 0);
}

void TspSkinCustomEdit::Invalidate() {
  if (Parent() && HandleAllocated()) RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
}

void TspSkinCustomEdit::PaintClientBackground(HDC dc) {
  CalcEditRects();
  const int tw = textRect_.Width(), th = textRect_.Height();
  if (tw <= 0 || th <= 0) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(tw, th);
  if (!Skinned() || !skinPicture_) {
    Fill(b.Canvas(), TRect{0, 0, tw, th}, Skinned() ? TColor(clWindow) : EditColor);
  } else {
    const TRect& state = Active() ? activeSkinRect_ : skinRect_;
    const TRect src{state.Left + clRect_.Left, state.Top + clRect_.Top, state.Left + clRect_.Right,
                    state.Top + clRect_.Bottom};
    CreateHSkinImage(std::max(leftWidth_ - clRect_.Left, 0),
                     std::max(clRect_.Right + rightWidth_ - skinRect_.Width(), 0), &b, skinPicture_, src, tw,
                     stretchEffect_);
    if (!UseSkinFont) {
      TBitmap stretched;
      stretched.SetPixelFormat(pf24bit);
      stretched.SetSize(tw, th);
      stretched.Canvas()->StretchDraw(TRect{0, 0, tw, th}, &b);
      BitBlt(dc, 0, 0, tw, th, stretched.Canvas()->Handle(), 0, 0, SRCCOPY);
      return;
    }
  }
  BitBlt(dc, 0, 0, b.Width(), b.Height(), b.Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TspSkinCustomEdit::PaintImages(HDC dc) {
  if (!images_) return;
  CalcImageRects(false);
  TCanvas c;
  c.SetHandle(dc);
  auto draw = [&](const TRect& r, bool hot, bool pressed, int normal, int hotIndex, int downIndex) {
    const int n = images_->Count();
    if (normal < 0 || normal >= n || IsNullRect(r)) return;
    int index = normal;
    if (pressed && hot && downIndex >= 0 && downIndex < n)
      index = downIndex;
    else if (hot && hotIndex >= 0 && hotIndex < n)
      index = hotIndex;
    const int y = std::max(r.Top, r.Top + r.Height() / 2 - images_->Height() / 2);
    images_->Draw(&c, r.Left, y, index, Enabled());
  };
  draw(leftImageRect_, leftImageHot_, leftImagePressed_, leftImageIndex_, LeftImageHotIndex, LeftImageDownIndex);
  draw(rightImageRect_, rightImageHot_, rightImagePressed_, rightImageIndex_, RightImageHotIndex,
       RightImageDownIndex);
  c.SetHandle(nullptr);
}

void TspSkinCustomEdit::PaintDisabledText(HDC dc) {
  CalcEditRects();
  TCanvas c;
  c.SetHandle(dc);
  if (Skinned() && UseSkinFont) {
    c.Font()->SetName(fontName_);
    c.Font()->SetHeight(fontHeight_);
    c.Font()->SetStyle(fontStyle_);
    c.Font()->SetColor(disabledFontColor_);
  } else {
    c.Font()->Assign(defaultFont_.get());
    c.Font()->SetColor(Skinned() ? disabledFontColor_ : TColor(clGrayText));
  }
  c.Font()->SetCharset(skinData_ && skinData_->ResourceStrData() ? skinData_->ResourceStrData()->CharSet
                                                                  : defaultFont_->Charset());
  c.Brush()->SetStyle(bsClear);
  const std::string text = PasswordChar() ? std::string() : Text();
  const TRect r{0, 0, textRect_.Width(), textRect_.Height()};
  const int tw = c.TextWidth(text);
  int x = r.Left + 2;
  if (Alignment() == taRightJustify)
    x = r.Right - tw - 1;
  else if (Alignment() == taCenter)
    x = r.Left + r.Width() / 2 - tw / 2;
  c.TextRect(r, x, r.Top, text);
  c.SetHandle(nullptr);
}

// ---- Mouse on images and button --------------------------------------------------------

LRESULT TspSkinCustomEdit::NcHitTest(TPoint screen) {
  const TPoint client = ScreenToClient(screen);
  if (images_) {
    CalcImageRects(false);
    const bool inLeft = leftImageRect_.Contains(client), inRight = rightImageRect_.Contains(client);
    if (inLeft != leftImageHot_ || inRight != rightImageHot_) {
      leftImageHot_ = inLeft;
      rightImageHot_ = inRight;
      Invalidate();
    }
    if (inLeft) return HTSPLEFTIMAGE;
    if (inRight) return HTSPRIGHTIMAGE;
  }
  if (buttonMode_) {
    GetSkinData();
    const TPoint origin = Skinned() ? TPoint{clRect_.Left, clRect_.Top} : TPoint{2, 2};
    const TPoint p{client.X + origin.X, client.Y + origin.Y};
    CalcEditRects();
    if (buttonRect_.Contains(p)) return HTHSCROLL;
    if (!textRect_.Contains(p)) return HTVSCROLL;
  }
  return -1;
}

void TspSkinCustomEdit::MouseEnter() {
  TspCustomEdit::MouseEnter();
  mouseIn_ = true;
  if (Skinned() && !Focused()) {
    Font()->SetColor(activeFontColor_);
    RepaintFrame();
    Invalidate();
  }
}

void TspSkinCustomEdit::MouseLeave() {
  TspCustomEdit::MouseLeave();
  mouseIn_ = false;
  if (Skinned() && !Focused()) {
    Font()->SetColor(fontColor_);
    RepaintFrame();
    Invalidate();
  }
  if (buttonPressed_ || buttonHot_) {
    buttonPressed_ = buttonHot_ = false;
    RepaintFrame();
    Invalidate();
  }
  if (leftImageHot_ || rightImageHot_) {
    leftImageHot_ = rightImageHot_ = false;
    Invalidate();
  }
}

// ---- Messages ---------------------------------------------------------------------------

void TspSkinCustomEdit::CreateParams(TCreateParams& Params) {
  TspCustomEdit::CreateParams(Params);
  Params.ExStyle &= ~DWORD(WS_EX_TRANSPARENT);
}

void TspSkinCustomEdit::CreateWnd() {
  TspCustomEdit::CreateWnd();
  CalcImageRects(true);
}

void TspSkinCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCCALCSIZE: {
      RECT* r = Message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                               : reinterpret_cast<RECT*>(Message.LParam);
      if (r) NcCalcSize(*r);
      Message.Result = 0;
      return;
    }
    case WM_NCPAINT: {
      HDC dc = GetWindowDC(Handle());
      NcPaint(dc, true);
      ReleaseDC(Handle(), dc);
      Message.Result = 0;
      return;
    }
    case WM_SPPAINTFRAME:
      if (Message.WParam) {
        NcPaint(reinterpret_cast<HDC>(Message.WParam), false);
        Message.Result = SP_PAINTFRAME_ANSWER;
      }
      return;
    case WM_SPPAINTFRAMECLIPPED:
      if (Message.LParam != SP_PAINTFRAMECLIPPED_KEY) break;
      CalcEditRects();
      if (Message.WParam) {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        ExcludeClipRect(dc, textRect_.Left, textRect_.Top, textRect_.Right, textRect_.Bottom);
        NcPaint(dc, false);
      }
      Message.Result = SP_PAINTFRAMECLIPPED_KEY;
      return;
    case WM_ERASEBKGND:
      if (Message.WParam) {
        PaintClientBackground(reinterpret_cast<HDC>(Message.WParam));
        PaintImages(reinterpret_cast<HDC>(Message.WParam));
      }
      Message.Result = 1;
      return;
    case WM_PAINT:
      if (!Enabled()) {
        // The platform greys a disabled text its own way; the skin names the colour.
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        PAINTSTRUCT ps;
        if (!dc) dc = BeginPaint(Handle(), &ps);
        PaintDisabledText(dc);
        if (!Message.WParam) EndPaint(Handle(), &ps);
        Message.Result = 0;
        return;
      }
      break;
    case WM_SIZE:
      TspCustomEdit::Dispatch(Message);
      CalcImageRects(true);
      RepaintFrame();
      return;
    case CM_ENABLEDCHANGED:
      TspCustomEdit::Dispatch(Message);
      ApplyStateColor();
      Invalidate();
      RepaintFrame();
      return;
    case CM_FONTCHANGED:
      TspCustomEdit::Dispatch(Message);
      if (!UseSkinFont && !((ComponentState() & csLoading) && Designing())) {
        const int h = EditHeight();
        if (h != Height()) SetHeight(h);
        // The default look takes a font of its own on a new window; the
        // edit's model keeps text and selection, and the focus comes back.
        if (controlIndex_ == -1 && HandleAllocated()) {
          // Taking the focus again would select everything (AutoSelect).
          const int start = SelStart(), length = SelLength();
          RecreateWnd();
          SetSelStart(start);
          SetSelLength(length);
        }
      }
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      auto alive = AliveToken();
      TspCustomEdit::Dispatch(Message);
      if (!*alive) return;
      if (Skinned() && !mouseIn_) Font()->SetColor(Message.Msg == WM_SETFOCUS ? activeFontColor_ : fontColor_);
      RepaintFrame();
      Invalidate();
      return;
    }
    case WM_NCHITTEST: {
      if (Designing()) break;
      const LRESULT hit = NcHitTest(Message.Pos());
      if (hit == -1) break;
      Message.Result = hit;
      return;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK: {
      const LRESULT hit = LRESULT(Message.WParam);
      if (hit == HTSPLEFTIMAGE || hit == HTSPRIGHTIMAGE) {
        (hit == HTSPLEFTIMAGE ? leftImagePressed_ : rightImagePressed_) = true;
        if (!Focused() && CanFocus()) SetFocus();
        Invalidate();
        return;
      }
      if (hit == HTHSCROLL && buttonMode_ && !Designing()) {
        buttonPressed_ = true;
        RepaintFrame();
        return;
      }
      // The frame beside the text has no scroll bar to track.
      if (hit == HTVSCROLL && buttonMode_) return;
      break;
    }
    case WM_NCLBUTTONUP: {
      const LRESULT hit = LRESULT(Message.WParam);
      if (hit == HTSPLEFTIMAGE && leftImagePressed_) {
        leftImagePressed_ = false;
        Invalidate();
        if (OnLeftButtonClick) OnLeftButtonClick(this);
        return;
      }
      if (hit == HTSPRIGHTIMAGE && rightImagePressed_) {
        rightImagePressed_ = false;
        Invalidate();
        if (OnRightButtonClick) OnRightButtonClick(this);
        return;
      }
      if (hit == HTHSCROLL && buttonMode_ && !Designing()) {
        buttonPressed_ = false;
        RepaintFrame();
        if (!Focused() && CanFocus()) SetFocus();
        if (OnButtonClick) OnButtonClick(this);
        return;
      }
      leftImagePressed_ = rightImagePressed_ = false;
      if (hit == HTVSCROLL || hit == HTSPLEFTIMAGE || hit == HTSPRIGHTIMAGE) return;
      break;
    }
    case WM_NCMOUSEMOVE:
      if (buttonMode_ && !Designing()) {
        if (LRESULT(Message.WParam) == HTHSCROLL) {
          if (!buttonHot_) {
            buttonHot_ = true;
            RepaintFrame();
            Invalidate();
          }
          return;
        }
        if (buttonHot_) {
          buttonHot_ = false;
          RepaintFrame();
          Invalidate();
        }
      }
      break;
    case WM_MOUSEMOVE:
      TspCustomEdit::Dispatch(Message);
      if (buttonHot_) {
        buttonHot_ = false;
        RepaintFrame();
      }
      return;
    default: break;
  }
  TspCustomEdit::Dispatch(Message);
}
