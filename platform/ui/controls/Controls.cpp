// TControl: properties, bounds, the message chain and the notifications
// every control answers; the shared helpers and hooks.
#include "platform/ui/controls/Controls.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/Controls_Internal.h"

namespace controls_internal {

std::unordered_map<HWND, TWinControl*> windows;
TWinControl* creating = nullptr;
TControl* captureControl = nullptr;
TControl* mouseControl = nullptr;
TControl* pressedControl = nullptr;
std::map<TWinControl*, TWinControl*> lastFocused;
unsigned eatChar = 0;

bool IsAncestorOrSelf(const TControl* ancestor, const TControl* c) {
  for (; c; c = c->Parent())
    if (c == ancestor) return true;
  return false;
}

void Forget(TControl* c) {
  if (captureControl == c) captureControl = nullptr;
  if (mouseControl == c) mouseControl = nullptr;
  if (pressedControl == c) pressedControl = nullptr;
  if (creating == c) creating = nullptr;
  for (auto it = lastFocused.begin(); it != lastFocused.end();) {
    if (it->first == c || it->second == c)
      it = lastFocused.erase(it);
    else
      ++it;
  }
}

}  // namespace controls_internal

using namespace controls_internal;

std::function<TCursor()> ScreenCursorHook;
std::function<HCURSOR(TCursor)> CursorHandleHook;
std::function<void(TPopupMenu*, TControl*, TPoint)> PopupMenuHandler;
std::function<void(TControl*, TMessage&)> HintMouseMessageHook;
std::function<void(TObject*)> ApplicationHandleExceptionHook;

// ---- Helpers ------------------------------------------------------------------
TShiftState KeysToShiftState(WPARAM keys) {
  TShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (HIWORD(std::uintptr_t(keyData)) & KF_ALTDOWN) s |= ssAlt;
  return s;
}

TShiftState KeyboardStateToShiftState() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  if (GetKeyState(VK_LBUTTON) < 0) s |= ssLeft;
  if (GetKeyState(VK_RBUTTON) < 0) s |= ssRight;
  if (GetKeyState(VK_MBUTTON) < 0) s |= ssMiddle;
  return s;
}

bool IsAccel(Word VK, const std::string& Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;  // a literal ampersand
      continue;
    }
    unsigned char c = static_cast<unsigned char>(Caption[i + 1]);
    return VK < 0x80 && std::toupper(c) == std::toupper(VK);
  }
  return false;
}

HCURSOR CursorHandle(TCursor c) {
  if (CursorHandleHook) return CursorHandleHook(c);
  int id = IDC_ARROW;
  switch (c) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: case crSQLWait: id = IDC_WAIT; break;
    case crNoDrop: case crNo: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
  }
  return LoadCursor(nullptr, MAKEINTRESOURCE(id));
}

TControl* GetCaptureControl() {
  TWinControl* w = FindControl(GetCapture());
  if (w && captureControl && captureControl->Parent() == w) return captureControl;
  return w;
}

void SetCaptureControl(TControl* Control) {
  captureControl = nullptr;
  if (!Control) {
    ReleaseCapture();
    return;
  }
  TWinControl* w = dynamic_cast<TWinControl*>(Control);
  if (!w) {
    if (!Control->Parent()) return;
    w = Control->Parent();
  }
  HWND h = w->Handle();
  if (GetCapture() != h) SetCapture(h);
  if (w != Control) captureControl = Control;
}

TControl* MouseControl() { return mouseControl; }

// ---- TSizeConstraints ------------------------------------------------------------
void TSizeConstraints::SetMinWidth(int v) {
  if (v == minWidth_) return;
  minWidth_ = std::max(0, v);
  if (maxWidth_ > 0 && maxWidth_ < minWidth_) maxWidth_ = minWidth_;
  Change();
}
void TSizeConstraints::SetMinHeight(int v) {
  if (v == minHeight_) return;
  minHeight_ = std::max(0, v);
  if (maxHeight_ > 0 && maxHeight_ < minHeight_) maxHeight_ = minHeight_;
  Change();
}
void TSizeConstraints::SetMaxWidth(int v) {
  if (v == maxWidth_) return;
  maxWidth_ = std::max(0, v);
  if (maxWidth_ > 0 && minWidth_ > maxWidth_) minWidth_ = maxWidth_;
  Change();
}
void TSizeConstraints::SetMaxHeight(int v) {
  if (v == maxHeight_) return;
  maxHeight_ = std::max(0, v);
  if (maxHeight_ > 0 && minHeight_ > maxHeight_) minHeight_ = maxHeight_;
  Change();
}
void TSizeConstraints::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TSizeConstraints*>(source)) {
    minWidth_ = s->minWidth_;
    minHeight_ = s->minHeight_;
    maxWidth_ = s->maxWidth_;
    maxHeight_ = s->maxHeight_;
    Change();
    return;
  }
  TPersistent::Assign(source);
}
void TSizeConstraints::Change() {
  if (control_ && !(control_->ComponentState() & csLoading))
    control_->SetBounds(control_->Left(), control_->Top(), control_->Width(), control_->Height());
  if (OnChange) OnChange(this);
}

// ---- TControl ---------------------------------------------------------------------
TControl::TControl(TComponent* AOwner)
    : TComponent(AOwner), constraints_(std::make_unique<TSizeConstraints>(this)), font_(std::make_unique<TFont>()) {
  WindowProc = TWndMethod(this, &TControl::WndProc);
  font_->OnChange = [this](TObject* s) { FontChanged(s); };
}

TControl::~TControl() {
  *alive_ = false;
  Destroying();
  font_->OnChange = nullptr;
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  Forget(this);
  if (parent_) parent_->RemoveControl(this);
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
}

TWinControl* TControl::TopLevelParent() const {
  const TControl* c = this;
  while (c->parent_) c = c->parent_;
  return const_cast<TWinControl*>(dynamic_cast<const TWinControl*>(c));
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == parent_) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (AParent && IsAncestorOrSelf(this, AParent))
    throw EInvalidOperation("A control cannot have one of its children as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (AParent) {
    AParent->InsertControl(this);
    UpdateAnchorRules();
  }
}

void TControl::Loaded() {
  TComponent::Loaded();
  if (parent_) {
    if (parentColor_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
    if (parentFont_) Perform(CM_PARENTFONTCHANGED, 0, 0);
  }
  UpdateAnchorRules();
  RequestAlign();
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == popupComponent_) {
    popupComponent_ = nullptr;
    popupMenu_ = nullptr;
  }
}

void TControl::SetPopupMenuComponent(TPopupMenu* menu, TComponent* asComponent) {
  if (asComponent == popupComponent_) return;
  if (popupComponent_) popupComponent_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  popupComponent_ = asComponent;
  if (popupComponent_) popupComponent_->FreeNotification(this);
}

// ---- Geometry ---------------------------------------------------------------------
TRect TControl::ClientRect() const { return Rect(0, 0, width_, height_); }

void TControl::SetClientSize(int w, int h) {
  TRect r = ClientRect();
  SetBounds(left_, top_, width_ - r.Width() + w, height_ - r.Height() + h);
}
void TControl::SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
void TControl::SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }

TPoint TControl::ClientOrigin() const {
  if (!parent_) return TPoint{left_, top_};
  TPoint p = parent_->ClientOrigin();
  return TPoint{p.X + left_, p.Y + top_};
}

TPoint TControl::ClientToScreen(TPoint p) const {
  TPoint o = ClientOrigin();
  return TPoint{p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(TPoint p) const {
  TPoint o = ClientOrigin();
  return TPoint{p.X - o.X, p.Y - o.Y};
}

void TControl::DoConstraints(int& w, int& h) {
  int minW = constraints_->MinWidth(), minH = constraints_->MinHeight();
  int maxW = constraints_->MaxWidth(), maxH = constraints_->MaxHeight();
  ConstrainedResize(minW, minH, maxW, maxH);
  if (maxW > 0 && w > maxW) w = maxW;
  if (minW > 0 && w < minW) w = minW;
  if (maxH > 0 && h > maxH) h = maxH;
  if (minH > 0 && h < minH) h = minH;
}

void TControl::ConstrainedResize(int&, int&, int&, int&) {}

bool TControl::CanResize(int& NewWidth, int& NewHeight) {
  bool resize = true;
  if (OnCanResize) OnCanResize(this, NewWidth, NewHeight, resize);
  return resize;
}

bool TControl::CanAutoSize(int&, int&) { return true; }

bool TControl::CheckNewSize(int& w, int& h) {
  if (autoSize_ && !(ComponentState() & csLoading)) {
    int aw = w, ah = h;
    if (CanAutoSize(aw, ah)) {
      if (align_ == alNone || align_ == alLeft || align_ == alRight || align_ == alCustom) w = aw;
      if (align_ == alNone || align_ == alTop || align_ == alBottom || align_ == alCustom) h = ah;
    }
  }
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  if ((w != width_ || h != height_) && !CanResize(w, h)) return false;
  DoConstraints(w, h);
  return true;
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (!CheckNewSize(AWidth, AHeight)) return;
  if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
  bool sized = AWidth != width_ || AHeight != height_;
  auto alive = alive_;
  if (visible_) InvalidateControl(ClientRect(), true);
  left_ = ALeft;
  top_ = ATop;
  width_ = AWidth;
  height_ = AHeight;
  if (visible_) InvalidateControl(ClientRect(), !(ControlStyle & csOpaque));
  if (!alignLevel_) UpdateAnchorRules();
  RequestAlign();
  if (*alive && sized && !(ComponentState() & csLoading)) Resize();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::SetAlign(TAlign v) {
  if (v == align_) return;
  TAlign old = align_;
  align_ = v;
  if (old != alNone && v == alNone) UpdateAnchorRules();
  RequestAlign();
}

void TControl::SetAnchors(TAnchors v) {
  if (v == anchors_) return;
  anchors_ = v;
  UpdateAnchorRules();
}

void TControl::SetAutoSize(bool v) {
  if (v == autoSize_) return;
  autoSize_ = v;
  if (v) AdjustSize();
}

void TControl::AdjustSize() {
  if (!autoSize_ || (ComponentState() & (csLoading | csDestroying))) return;
  SetBounds(left_, top_, width_, height_);
}

// ---- State -------------------------------------------------------------------------
void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  VisibleChanging();
  visible_ = v;
  auto alive = alive_;
  Perform(CM_VISIBLECHANGED, WPARAM(v), 0);
  if (*alive) RequestAlign();
}

void TControl::Show() {
  if (parent_) parent_->ShowControl(this);
  SetVisible(true);
}

void TControl::Hide() { SetVisible(false); }

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool v) {
  if (v == enabled_) return;
  enabled_ = v;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor v) {
  if (v == color_ && !parentColor_) return;
  color_ = v;
  parentColor_ = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool v) {
  if (v == parentColor_) return;
  parentColor_ = v;
  if (v && parent_) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetParentFont(bool v) {
  if (v == parentFont_) return;
  parentFont_ = v;
  if (v && parent_) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::FontChanged(TObject*) {
  if (!updatingParentFont_) parentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetTextBuf(const std::string& v) {
  if (v == GetText()) return;
  auto alive = alive_;
  Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(v.c_str()));
  if (*alive) Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor v) {
  if (v == cursor_) return;
  cursor_ = v;
  Perform(CM_CURSORCHANGED, 0, 0);
}

bool TControl::ShowHint() const {
  if (parentShowHint_ && parent_) return parent_->ShowHint();
  return showHint_;
}

void TControl::SetShowHint(bool v) {
  showHint_ = v;
  parentShowHint_ = false;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool v) {
  if (v == parentShowHint_) return;
  parentShowHint_ = v;
  Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetZOrder(bool TopMost) {
  if (!parent_) return;
  auto& list = parent_->controls_;
  auto it = std::find(list.begin(), list.end(), this);
  if (it == list.end()) return;
  list.erase(it);
  if (TopMost)
    list.push_back(this);
  else
    list.insert(list.begin(), this);
  if (visible_) InvalidateControl(ClientRect(), !(ControlStyle & csOpaque));
}

// ---- Painting -------------------------------------------------------------------------
void TControl::InvalidateControl(const TRect& r, bool erase) {
  if (!parent_ || !parent_->HandleAllocated()) return;
  TRect pr = Rect(r.Left + left_, r.Top + top_, r.Right + left_, r.Bottom + top_);
  InvalidateRect(parent_->handle_, &pr, erase);
}

void TControl::Invalidate() {
  if (visible_) InvalidateControl(ClientRect(), !(ControlStyle & csOpaque));
}

void TControl::Update() {
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  if (ControlStyle & csOpaque) {
    HWND ph = parent_->handle_;
    HDC dc = GetDCEx(ph, nullptr, DCX_CACHE | DCX_CLIPCHILDREN | DCX_CLIPSIBLINGS);
    if (!dc) return;
    IntersectClipRect(dc, left_, top_, left_ + width_, top_ + height_);
    parent_->PaintControls(dc, this);
    ReleaseDC(ph, dc);
  } else {
    Invalidate();
    Update();
  }
}

// ---- Messages ---------------------------------------------------------------------------
LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& Message) {
  if (Message.Msg >= WM_MOUSEFIRST && Message.Msg <= WM_MOUSELAST && Message.Msg != WM_MOUSEWHEEL) {
    if (!(ControlStyle & csDoubleClicks)) {
      // Without double clicks a second press is an ordinary press.
      switch (Message.Msg) {
        case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK:
          Message.Msg -= WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
          break;
        default: break;
      }
    }
    switch (Message.Msg) {
      case WM_MOUSEMOVE:
        if (HintMouseMessageHook) {
          auto alive = alive_;
          HintMouseMessageHook(this, Message);
          if (!*alive) return;
        }
        break;
      case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK:
        // An automatic drag takes the press whole.
        if (dragMode_ == dmAutomatic && !Dragging()) {
          BeginDrag(true);
          return;
        }
        ControlState |= csLButtonDown;
        break;
      case WM_LBUTTONUP: ControlState &= ~csLButtonDown; break;
      default: break;
    }
  }
  Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN: case WM_MBUTTONUP: case WM_MBUTTONDBLCLK:
      WMMouse(Message);
      return;
    case WM_MOUSEWHEEL: WMMouseWheel(Message); return;
    case WM_CONTEXTMENU: WMContextMenu(Message); return;
    case CM_MOUSEENTER: case CM_MOUSELEAVE: CMMouseEnterLeave(Message); return;
    case CM_HITTEST: CMHitTest(Message); return;
    case CM_VISIBLECHANGED: CMVisibleChanged(Message); return;
    case CM_ENABLEDCHANGED: CMEnabledChanged(Message); return;
    case CM_COLORCHANGED: CMColorChanged(Message); return;
    case CM_FONTCHANGED: CMFontChanged(Message); return;
    case CM_PARENTFONTCHANGED: CMParentFontChanged(Message); return;
    case CM_PARENTCOLORCHANGED: CMParentColorChanged(Message); return;
    case CM_SHOWHINTCHANGED: case CM_PARENTSHOWHINTCHANGED: CMParentShowHintChanged(Message); return;
    case CM_TEXTCHANGED: CMTextChanged(Message); return;
    case CM_SYSCOLORCHANGE: CMSysColorChange(Message); return;
    case CM_CANCELMODE: CMCancelMode(Message); return;
    case CM_DRAG: CMDrag(Message); return;
    default: DefaultHandler(Message); return;
  }
}

void TControl::DefaultHandler(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETTEXT:
      text_ = Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "";
      Message.Result = TRUE;
      return;
    case WM_GETTEXT: {
      char* buf = reinterpret_cast<char*>(Message.LParam);
      if (!buf || Message.WParam == 0) return;
      std::size_t n = std::min<std::size_t>(text_.size(), std::size_t(Message.WParam) - 1);
      std::memcpy(buf, text_.data(), n);
      buf[n] = 0;
      Message.Result = LRESULT(n);
      return;
    }
    case WM_GETTEXTLENGTH: Message.Result = LRESULT(text_.size()); return;
    default: return;
  }
}

void TControl::SendCancelMode(TControl* Sender) {
  if (TWinControl* top = TopLevelParent()) top->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(Sender));
}

// ---- Notifications -----------------------------------------------------------------------
void TControl::CMHitTest(TMessage& Message) { Message.Result = 1; }

void TControl::CMVisibleChanged(TMessage&) {
  // Hidden or shown: the parent's area under the control changes either way.
  InvalidateControl(ClientRect(), !visible_ || !(ControlStyle & csOpaque));
  if (!visible_ && mouseControl == this) UpdateMouseControl();
}

void TControl::CMEnabledChanged(TMessage&) { Invalidate(); }
void TControl::CMColorChanged(TMessage&) { Invalidate(); }

void TControl::CMFontChanged(TMessage&) {
  if (autoSize_) AdjustSize();
  Invalidate();
}

void TControl::CMParentFontChanged(TMessage&) {
  if (!parentFont_ || !parent_) return;
  updatingParentFont_ = true;
  font_->Assign(parent_->Font());
  updatingParentFont_ = false;
}

void TControl::CMParentColorChanged(TMessage&) {
  if (!parentColor_ || !parent_) return;
  color_ = parent_->Color();
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::CMParentShowHintChanged(TMessage&) {}

void TControl::CMTextChanged(TMessage&) {
  if (autoSize_) AdjustSize();
}

void TControl::CMSysColorChange(TMessage&) { Invalidate(); }

void TControl::CMCancelMode(TMessage& Message) {
  if (MouseCapture() && reinterpret_cast<TControl*>(Message.LParam) != this) SetMouseCapture(false);
}
