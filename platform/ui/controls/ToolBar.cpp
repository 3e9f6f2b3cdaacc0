#include "platform/ui/controls/ToolBar.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/menus/MenuWindow.h"
#include "platform/ui/menus/Menus.h"
#include "platform/user/User.h"

namespace {
constexpr int kDropArrowWidth = 13;
constexpr int kCaptionPadding = 8;
}  // namespace

// ---- TToolButton --------------------------------------------------------------------------

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  // Presses are completed in MouseUp, which clicks.
  ControlStyle = csCaptureMouse | csSetCaption | csDoubleClicks;
  SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
  if (toolBar_) toolBar_->RemoveButton(this);
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == dropdownMenu_) dropdownMenu_ = nullptr;
}

void TToolButton::SetDropdownMenu(TPopupMenu* v) {
  if (v == dropdownMenu_) return;
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
  dropdownMenu_ = v;
  if (v) v->FreeNotification(this);
}

void TToolButton::SetMenuItem(TMenuItem* v) {
  menuItem_ = v;
  menuAlive_ = v ? v->AliveToken() : nullptr;
  if (!v) return;
  SetCaption(v->Caption());
  Hint = v->Hint;
  SetImageIndex(v->ImageIndex());
  SetEnabled(v->Enabled());
}

bool TToolButton::CheckMenuDropdown() {
  TMenuItem* item = MenuItem();
  const bool subItems = item && item->Count() > 0;
  if (!dropdownMenu_ && !subItems) return false;
  // The menu loop takes the mouse from here: no press is left to complete.
  if (MouseCapture()) SetMouseCapture(false);
  tracking_ = pressed_ = false;
  dropped_ = true;
  Repaint();
  auto alive = AliveToken();
  const TPoint at = ClientToScreen(TPoint{0, Height()});
  if (dropdownMenu_) {
    dropdownMenu_->SetPopupComponent(this);
    dropdownMenu_->Popup(at.X, at.Y);
  } else {
    TCustomForm* form = GetParentForm(this);
    HWND owner = form && form->HandleAllocated() ? form->Handle() : GetActiveWindow();
    // As a popup menu does: the chosen item runs from the message loop.
    if (Word command = TrackMenuPopup(item, at, paLeft, owner))
      PostMessage(PopupListWindow(), WM_COMMAND, WPARAM(command), 0);
  }
  if (!*alive) return true;
  dropped_ = false;
  Invalidate();
  return true;
}

void TToolButton::SetParent(TWinControl* AParent) {
  if (toolBar_ && AParent != toolBar_) toolBar_->RemoveButton(this);
  TGraphicControl::SetParent(AParent);
  if (auto* bar = dynamic_cast<TToolBar*>(AParent); bar && toolBar_ != bar) bar->InsertButton(this);
}

int TToolButton::Index() const {
  if (!toolBar_) return -1;
  const auto& b = toolBar_->buttons_;
  return int(std::find(b.begin(), b.end(), this) - b.begin());
}

bool TToolButton::Hot() const { return toolBar_ && toolBar_->hot_ == this; }

void TToolButton::SetStyle(TToolButtonStyle v) {
  if (v == style_) return;
  style_ = v;
  if (toolBar_) toolBar_->LayoutButtons();
  Invalidate();
}

void TToolButton::SetImageIndex(int v) {
  imageIndex_ = v;
  Invalidate();
}

void TToolButton::SetWrap(bool v) {
  wrap_ = v;
  if (toolBar_) toolBar_->LayoutButtons();
}

std::vector<TToolButton*> TToolButton::GroupMates() const {
  std::vector<TToolButton*> out;
  if (!toolBar_ || !grouped_ || style_ != tbsCheck) return out;
  const auto& b = toolBar_->buttons_;
  const int at = Index();
  auto inGroup = [](TToolButton* x) { return x->grouped_ && x->style_ == tbsCheck; };
  for (int i = at - 1; i >= 0 && inGroup(b[i]); --i) out.push_back(b[i]);
  for (int i = at + 1; i < int(b.size()) && inGroup(b[i]); ++i) out.push_back(b[i]);
  return out;
}

void TToolButton::SetDown(bool v) {
  if (v == down_) return;
  down_ = v;
  if (v)
    for (TToolButton* mate : GroupMates())
      if (mate->down_) {
        mate->down_ = false;
        mate->Invalidate();
      }
  Invalidate();
}

void TToolButton::Click() {
  if (style_ == tbsCheck) {
    if (!down_) SetDown(true);
    else if (!grouped_ || AllowAllUp) SetDown(false);
  }
  auto alive = AliveToken();
  TGraphicControl::Click();
  if (!*alive) return;
  if (TMenuItem* item = MenuItem(); item && item->Count() == 0 && item->Enabled()) item->Click();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (!*alive || Button != TMouseButton::mbLeft || !Enabled()) return;
  if (style_ == tbsSeparator || style_ == tbsDivider) return;
  const bool onArrow = style_ == tbsDropDown && dropdownMenu_ && X >= Width() - kDropArrowWidth;
  const bool menuBarLike = MenuItem() && MenuItem()->Count() > 0;
  if ((onArrow || menuBarLike) && CheckMenuDropdown()) return;
  tracking_ = pressed_ = true;
  Invalidate();
}

void TToolButton::MouseMove(TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!*alive || !tracking_) return;
  const bool inside = ClientRect().Contains(TPoint{X, Y});
  if (inside != pressed_) {
    pressed_ = inside;
    Invalidate();
  }
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  const bool complete = tracking_ && pressed_ && Button == TMouseButton::mbLeft;
  if (Button == TMouseButton::mbLeft && tracking_) {
    tracking_ = pressed_ = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (*alive && complete) Click();
}

void TToolButton::MouseEnter() {
  if (toolBar_ && Enabled() && style_ != tbsSeparator && style_ != tbsDivider) toolBar_->SetHot(this);
}

void TToolButton::MouseLeave() {
  if (toolBar_ && toolBar_->hot_ == this) toolBar_->SetHot(nullptr);
}

void TToolButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_CANCELMODE:
      if (tracking_) {
        tracking_ = pressed_ = false;
        Invalidate();
      }
      break;
    case CM_ENABLEDCHANGED:
      if (!Enabled() && Hot()) toolBar_->SetHot(nullptr);
      Invalidate();
      break;
    case CM_TEXTCHANGED:
      if (toolBar_ && toolBar_->ShowCaptions()) toolBar_->LayoutButtons();
      Invalidate();
      break;
    default: break;
  }
  TGraphicControl::Dispatch(Message);
}

void TToolButton::Paint() {
  TCanvas* canvas = Canvas();
  HDC dc = canvas->Handle();
  const TRect r = ClientRect();
  TToolBar* bar = toolBar_;
  if (bar && bar->OnCustomDrawButton) {
    TCustomDrawState state = 0;
    if (Hot()) state |= cdsHot;
    if (pressed_ || dropped_) state |= cdsSelected;
    if (down_) state |= cdsChecked;
    if (!Enabled()) state |= cdsDisabled;
    bool defaultDraw = true;
    auto alive = AliveToken();
    bar->OnCustomDrawButton(bar, this, state, defaultDraw);
    if (!*alive || !defaultDraw) return;
  }
  if (style_ == tbsSeparator) return;
  if (style_ == tbsDivider) {
    TRect line{r.Width() / 2 - 1, r.Top + 2, r.Width() / 2 + 1, r.Bottom - 2};
    Frame3D(dc, line, clBtnShadow, clBtnHighlight, 1);
    return;
  }
  // A drop-down button has two faces: the button, and the arrow part
  // beside it, which sinks alone while its menu is down.
  const bool split = style_ == tbsDropDown;
  const int contentRight = split ? r.Right - kDropArrowWidth : r.Right;
  const TRect main{r.Left, r.Top, contentRight, r.Bottom};
  const TRect arrow{contentRight, r.Top, r.Right, r.Bottom};
  const bool sunk = pressed_ || down_ || (dropped_ && !split);
  const bool arrowSunk = dropped_;
  const bool flat = bar && bar->Flat();
  auto face = [&](const TRect& part, bool partSunk, bool checked) {
    if (!flat) {
      DrawButtonFace(dc, part, partSunk ? bfsPushed : 0);
      if (checked && !pressed_) FillSolid(dc, TRect{part.Left + 2, part.Top + 2, part.Right - 1, part.Bottom - 1}, clBtnHighlight);
    } else if (partSunk || Hot() || (split && (sunk || arrowSunk))) {
      if (checked && !pressed_) FillSolid(dc, part, clBtnHighlight);
      TRect edge = part;
      Frame3D(dc, edge, partSunk ? clBtnShadow : clBtnHighlight, partSunk ? clBtnHighlight : clBtnShadow, 1);
    }
  };
  face(main, sunk, down_);
  if (split) {
    face(arrow, arrowSunk, false);
    const int a = arrowSunk ? 1 : 0;
    DrawClassicArrow(dc, TRect{arrow.Left + 1 + a, arrow.Top + 2 + a, arrow.Right - 1 + a, arrow.Bottom - 2 + a}, adDown,
                     Enabled());
  }
  const int shift = sunk ? 1 : 0;
  const bool captions = bar && bar->ShowCaptions();
  TImageList* images = bar ? (Hot() && bar->HotImages() ? bar->HotImages() : bar->Images()) : nullptr;
  int y = r.Top + 3;
  if (images && imageIndex_ >= 0 && imageIndex_ < images->Count()) {
    const int x = (contentRight - images->Width()) / 2;
    if (!captions) y = (r.Height() - images->Height()) / 2;
    images->Draw(canvas, x + shift, y + shift, imageIndex_, Enabled());
    y += images->Height() + 1;
  }
  if (captions && !Caption().empty()) {
    TRect t{r.Left + 2 + shift, y + shift, contentRight - 2 + shift, r.Bottom - 1 + shift};
    if (!images) t.Top = r.Top + shift;
    DrawClassicText(dc, Font(), Font()->Color(), Caption(), t,
                    DT_SINGLELINE | DT_CENTER | (images ? DT_TOP : DT_VCENTER), Enabled());
  }
}

// ---- TToolBar -------------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
  ControlStyle = csAcceptsControls | csCaptureMouse | csClickEvents | csDoubleClicks | csOpaque;
  SetColor(clBtnFace);
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
}

TToolBar::~TToolBar() {
  // The buttons are freed by the windowed base once this part is gone.
  for (TToolButton* b : buttons_) b->toolBar_ = nullptr;
  buttons_.clear();
  hot_ = nullptr;
}

TToolButton* TToolBar::Buttons(int Index) const {
  if (Index < 0 || Index >= ButtonCount()) throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return buttons_[Index];
}

void TToolBar::InsertButton(TToolButton* b) {
  buttons_.push_back(b);
  b->toolBar_ = this;
  LayoutButtons();
}

void TToolBar::RemoveButton(TToolButton* b) {
  buttons_.erase(std::remove(buttons_.begin(), buttons_.end(), b), buttons_.end());
  b->toolBar_ = nullptr;
  if (hot_ == b) hot_ = nullptr;
  LayoutButtons();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == images_) images_ = nullptr;
  if (AComponent == hotImages_) hotImages_ = nullptr;
}

void TToolBar::SetImages(TImageList* v) {
  if (v == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TToolBar::SetHotImages(TImageList* v) {
  if (v == hotImages_) return;
  if (hotImages_) hotImages_->RemoveFreeNotification(this);
  hotImages_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TToolBar::SetButtonWidth(int v) { SetButtonSize(v, buttonHeight_); }
void TToolBar::SetButtonHeight(int v) { SetButtonSize(buttonWidth_, v); }

void TToolBar::SetButtonSize(int w, int h) {
  buttonWidth_ = std::max(w, 1);
  buttonHeight_ = std::max(h, 1);
  LayoutButtons();
}

void TToolBar::SetFlat(bool v) {
  flat_ = v;
  Invalidate();
}

void TToolBar::SetShowCaptions(bool v) {
  showCaptions_ = v;
  LayoutButtons();
  Invalidate();
}

void TToolBar::SetWrapable(bool v) {
  wrapable_ = v;
  LayoutButtons();
}

void TToolBar::SetTransparent(bool v) {
  transparent_ = v;
  Invalidate();
}

void TToolBar::SetHot(TToolButton* b) {
  if (b == hot_) return;
  if (hot_) hot_->Invalidate();
  hot_ = b;
  if (b) b->Invalidate();
}

TSize TToolBar::ButtonSize(const TToolButton* b) const {
  if (b->style_ == tbsSeparator || b->style_ == tbsDivider) return TSize{b->separatorWidth_, buttonHeight_};
  int w = buttonWidth_;
  if (showCaptions_ && !b->Caption().empty())
    w = std::max(w, MeasureClassicText(Font(), b->Caption(), TRect{}, DT_SINGLELINE).Width() + kCaptionPadding);
  if (b->style_ == tbsDropDown) w += kDropArrowWidth;
  return TSize{w, buttonHeight_};
}

void TToolBar::LayoutButtons() {
  if (laying_) return;
  laying_ = true;
  const int room = ClientWidth();
  int x = 0, y = 0, rows = buttons_.empty() ? 0 : 1;
  for (size_t i = 0; i < buttons_.size(); ++i) {
    TToolButton* b = buttons_[i];
    if (!b->Visible()) continue;
    const TSize size = ButtonSize(b);
    if (wrapable_ && x > 0 && x + size.cx > room) {
      x = 0;
      y += buttonHeight_;
      ++rows;
    }
    if (b->BoundsRect() != Bounds(x, y, size.cx, size.cy)) b->SetBounds(x, y, size.cx, size.cy);
    x += size.cx;
    if (b->wrap_ && i + 1 < buttons_.size()) {
      x = 0;
      y += buttonHeight_;
      ++rows;
    }
  }
  rows_ = rows;
  laying_ = false;
}

void TToolBar::AlignControls(TControl* AControl, TRect& Rect) {
  TCustomControl::AlignControls(AControl, Rect);
  LayoutButtons();
}

void TToolBar::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  if (Message.Msg == CM_MOUSELEAVE && Message.LParam == 0) SetHot(nullptr);
  TCustomControl::Dispatch(Message);
  if (Message.Msg == WM_SIZE || Message.Msg == CM_FONTCHANGED) LayoutButtons();
}

void TToolBar::Paint() {
  HDC dc = Canvas()->Handle();
  const TRect r = ClientRect();
  TColor back = Color();
  if (transparent_ && Parent()) back = Parent()->Color();
  FillSolid(dc, r, back);
  if (OnCustomDraw) {
    bool defaultDraw = true;
    OnCustomDraw(this, r, defaultDraw);
  }
}
