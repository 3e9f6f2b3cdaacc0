#include "platform/ui/lists/ComboBox.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/edits/Edit.h"

namespace {

constexpr int kComboEdge = 2;
constexpr int kFieldPad = 3;  // edge plus one pixel round the field
constexpr int kPopupBorder = 1;

// Points a canvas at another DC for a scope.
class TCanvasOn {
 public:
  TCanvasOn(TCanvas* c, HDC dc) : c_(c), prev_(c->HandleAllocated() ? c->Handle() : nullptr) { c_->SetHandle(dc); }
  ~TCanvasOn() { c_->SetHandle(prev_); }
  TCanvasOn(const TCanvasOn&) = delete;
  TCanvasOn& operator=(const TCanvasOn&) = delete;

 private:
  TCanvas* c_;
  HDC prev_;
};

int ButtonWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

}  // namespace

// ---- The list part ---------------------------------------------------------------------
// A popup list box for the drop-down styles (it holds the capture while
// shown and never takes the focus), or a child list below the edit part for
// csSimple. Either way it stores the combo's items.
class TComboListBox : public TCustomListBox {
 public:
  explicit TComboListBox(TCustomComboBox* Combo) : TCustomListBox(nullptr), combo_(Combo) {
    SetVisible(false);
    SetBorderStyle(bsNone);
    SetTabStop(false);
    TakesFocusOnClick = false;
    // The popup handles its capture itself.
    ControlStyle &= ~csCaptureMouse;
  }
  using TCustomListBox::ListMessage;
  std::string ClassName() const override { return "TComboListBox"; }
  bool Popup() const { return combo_->style_ != csSimple; }
  bool armed = false;  // a release over an item chooses it
  bool barTracking = false;

  void SelectSilently(int Index) {
    if (Index == caret_ && (Index < 0 || data_[std::size_t(Index)].Selected)) return;
    SetItemIndex(Index);
  }
  void SetOwnerDraw(TListBoxStyle s) { SetStyle(s); }

  void DefaultHandler(TMessage& m) override {
    if (!Popup()) {
      TCustomListBox::DefaultHandler(m);
      return;
    }
    auto alive = AliveToken();
    switch (m.Msg) {
      case WM_MOUSEACTIVATE: m.Result = MA_NOACTIVATE; return;
      case WM_MOUSEMOVE: {
        const TPoint p = m.Pos();
        if (ClientRect().Contains(p)) {
          armed = true;
          int i = ItemAtPos(p, true);
          if (i >= 0) SelectSilently(i);
        }
        m.Result = 0;
        return;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        const TPoint p = m.Pos();
        if (ClientRect().Contains(p)) {
          armed = true;
          int i = ItemAtPos(p, true);
          if (i >= 0) SelectSilently(i);
          m.Result = 0;
          return;
        }
        POINT sp = ClientToScreen(p);
        RECT wr{};
        GetWindowRect(Handle(), &wr);
        if (TRect(wr).Contains(sp)) {
          // The list's own scroll bar: its tracking loop takes the capture
          // for a while, which is no reason to close.
          barTracking = true;
          LRESULT hit = SendMessage(Handle(), WM_NCHITTEST, 0, PointToLParam(sp));
          if (!*alive) return;
          CallWindowProc(DefWndProc, Handle(), WM_NCLBUTTONDOWN, WPARAM(hit), PointToLParam(sp));
          if (!*alive) return;
          barTracking = false;
          if (combo_->dropped_) SetCapture(Handle());
          m.Result = 0;
          return;
        }
        combo_->DoCloseUp(false, false);
        m.Result = 0;
        return;
      }
      case WM_LBUTTONUP: {
        const TPoint p = m.Pos();
        const int i = ClientRect().Contains(p) ? ItemAtPos(p, true) : -1;
        if (armed && i >= 0) {
          SelectSilently(i);
          combo_->DoCloseUp(true, true);  // may free the combo and this list
        }
        m.Result = 0;
        return;
      }
      case WM_CAPTURECHANGED:
        if (!barTracking && combo_->dropped_ && !combo_->closing_) combo_->DoCloseUp(false, false);
        m.Result = 0;
        return;
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN: m.Result = 0; return;
      default: break;
    }
    TCustomListBox::DefaultHandler(m);
  }

 protected:
  void CreateParams(TCreateParams& Params) override {
    TCustomListBox::CreateParams(Params);
    if (!Popup()) return;
    Params.Style = (Params.Style & ~(WS_CHILD | WS_VISIBLE)) | WS_POPUP | WS_BORDER;
    Params.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    Params.WndParent = combo_->HandleAllocated() ? GetAncestor(combo_->Handle(), GA_ROOT) : nullptr;
  }
  void UserSelChange() override {
    // csSimple: a click in the list is a choice.
    if (!Popup()) combo_->SelChanged();
  }
  void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) override {
    TCanvasOn on(combo_->Canvas(), Canvas()->Handle());
    combo_->Canvas()->Font()->Assign(Canvas()->Font());
    combo_->Canvas()->Brush()->Assign(Canvas()->Brush());
    combo_->DrawItem(Index, Rect, State);
  }
  void MeasureItem(int Index, int& Height) override { combo_->MeasureItem(Index, Height); }

 private:
  TCustomComboBox* combo_;
};

// ---- The edit part --------------------------------------------------------------------------
// The edit control itself, with the combo's keys taken first, completion
// from the items while typing at the end, and every change reported to the
// combo (CBN_EDITCHANGE, OnChange).
class TComboEdit : public TEdit {
 public:
  explicit TComboEdit(TCustomComboBox* Combo) : TEdit(nullptr), combo_(Combo) {
    SetBorderStyle(bsNone);
    SetTabStop(false);
    SetParentFont(true);
  }
  std::string ClassName() const override { return "TComboEdit"; }

  std::string Value() const { return Text(); }
  // Sets the text with the caret at the end and nothing selected; the combo
  // hears nothing of it.
  void SetValue(const std::string& v) {
    const bool wasQuiet = quiet_;
    quiet_ = true;
    SetText(v);
    quiet_ = wasQuiet;
    SetSelStart(CharCount(v));
  }
  void SetSelection(int start, int length) {
    SetSelStart(start);
    SetSelLength(length);
  }
  static int CharCount(const std::string& s) {
    int n = 0;
    for (char ch : s) n += (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    return n;
  }

  void DefaultHandler(TMessage& m) override {
    auto alive = AliveToken();
    switch (m.Msg) {
      case WM_GETDLGCODE:
        TEdit::DefaultHandler(m);
        m.Result |= DLGC_WANTARROWS | DLGC_WANTCHARS | (combo_->dropped_ ? DLGC_WANTALLKEYS : 0);
        return;
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:
        if (combo_->ComboKey(Word(m.WParam), KeyboardStateToShiftState()) || !*alive) {
          m.Result = 0;
          return;
        }
        break;
      case WM_CHAR: {
        // Completion follows a typed character only, not Backspace or a paste.
        const char32_t ch = char32_t(m.WParam);
        typed_ = ch >= 0x20 && ch != 0x7F;
        TEdit::DefaultHandler(m);
        if (*alive) typed_ = false;
        return;
      }
      case WM_KILLFOCUS: {
        TEdit::DefaultHandler(m);
        if (!*alive) return;
        HWND to = reinterpret_cast<HWND>(m.WParam);
        if (combo_->dropped_ && !(combo_->HandleAllocated() && to == combo_->Handle())) combo_->DoCloseUp(false, false);
        return;
      }
      default: break;
    }
    TEdit::DefaultHandler(m);
  }

 protected:
  void Change() override {
    if (quiet_) return;
    auto alive = AliveToken();
    TEdit::Change();
    if (!*alive) return;
    if (typed_ && combo_->AutoComplete) Complete();
    if (*alive) combo_->EditChanged();
  }

 private:
  // Completes from the first item that starts with the text, the added part
  // selected so the next key replaces it.
  void Complete() {
    typed_ = false;
    const std::string value = Text();
    const int typed = CharCount(value);
    if (SelLength() != 0 || SelStart() != typed) return;
    TStrings* items = combo_->Items();
    for (int i = 0; i < items->Count(); ++i) {
      const std::string t = items->Strings(i);
      if (t.size() < value.size() || !AnsiSameText(t.substr(0, value.size()), value)) continue;
      const bool wasQuiet = quiet_;
      quiet_ = true;
      SetText(t);
      quiet_ = wasQuiet;
      SetSelection(typed, CharCount(t) - typed);
      return;
    }
  }

  TCustomComboBox* combo_;
  bool quiet_ = false;
  bool typed_ = false;
};

// ---- TCustomComboBox ---------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TCustomControl(AOwner) {
  list_ = std::make_unique<TComboListBox>(this);
  // No capture on a press: the dropped list takes it.
  ControlStyle = csSetCaption | csDoubleClicks | csOpaque;
  SetTabStop(true);
  SetColor(clWindow);
  SetBounds(0, 0, 145, FieldHeight() + 2 * kFieldPad + 2);
  edit_ = new TComboEdit(this);
  edit_->SetParent(this);
  LayoutParts();
}

TCustomComboBox::~TCustomComboBox() {
  // No events from a dying combo: hide the list quietly.
  dropped_ = false;
  closing_ = true;
  list_.reset();
}

TStrings* TCustomComboBox::Items() const { return list_->Items(); }
TCustomListBox* TCustomComboBox::ListBox() const { return list_.get(); }
int TCustomComboBox::ItemIndex() const { return list_->ItemIndex(); }

void TCustomComboBox::SetItemIndex(int v) {
  if (v < -1 || v >= list_->Count()) v = -1;
  list_->SelectSilently(v);
  committed_ = v;
  if (v >= 0) TCustomControl::SetTextBuf(list_->Items()->Strings(v));
  else TCustomControl::SetTextBuf("");
  SyncEditText();
  Invalidate();
}

void TCustomComboBox::SetTextBuf(const std::string& v) {
  int index = -1;
  for (int i = 0; i < list_->Count(); ++i)
    if (list_->Items()->Strings(i) == v) {
      index = i;
      break;
    }
  if (!Editable()) {
    // A drop-down list shows only its items: other text clears it.
    SetItemIndex(index);
    return;
  }
  list_->SelectSilently(index);
  committed_ = index;
  TCustomControl::SetTextBuf(v);
  SyncEditText();
}

void TCustomComboBox::SyncEditText() {
  if (edit_ && edit_->Value() != text_) edit_->SetValue(text_);
}

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
  if (v == style_) return;
  if (dropped_) DoCloseUp(false, false);
  style_ = v;
  list_->SetOwnerDraw(v == csOwnerDrawFixed ? lbOwnerDrawFixed
                      : v == csOwnerDrawVariable ? lbOwnerDrawVariable
                                                 : lbStandard);
  // The list changes between a popup and a child window.
  list_->SetParent(nullptr);
  if (list_->HandleAllocated()) list_->DestroyHandle();
  list_->SetVisible(false);
  if (v == csSimple) {
    list_->SetParent(this);
    list_->SetVisible(true);
  }
  if (v != csSimple) SetHeight(FieldHeight() + 2 * kFieldPad + 2);
  if (!Editable()) SetItemIndex(ItemIndex());
  LayoutParts();
  if (HandleAllocated()) RecreateWnd();
  Invalidate();
}

int TCustomComboBox::FieldHeight() const {
  if (fieldHeight_ > 0) return fieldHeight_;
  return TextCellHeight(Font()) + 2;
}

int TCustomComboBox::ItemHeight() const { return list_->ItemHeight(); }

void TCustomComboBox::SetItemHeight(int v) { list_->SetItemHeight(v); }

bool TCustomComboBox::Sorted() const { return list_->Sorted(); }
void TCustomComboBox::SetSorted(bool v) { list_->SetSorted(v); }

int TCustomComboBox::SelStart() const { return edit_ && Editable() ? edit_->SelStart() : 0; }
int TCustomComboBox::SelLength() const {
  return edit_ && Editable() ? edit_->SelLength() : TComboEdit::CharCount(text_);
}
void TCustomComboBox::SelectAll() {
  if (edit_) edit_->SelectAll();
}

TRect TCustomComboBox::ButtonRect() const {
  if (style_ == csSimple) return TRect{};
  const int w = Width(), h = Height();
  return TRect{std::max(kComboEdge, w - kComboEdge - ButtonWidth()), kComboEdge, w - kComboEdge, h - kComboEdge};
}

TRect TCustomComboBox::ItemRect() const {
  if (style_ == csSimple) return TRect{kFieldPad, kFieldPad, Width() - kFieldPad, kFieldPad + FieldHeight()};
  const TRect b = ButtonRect();
  return TRect{kFieldPad, kFieldPad, std::max(kFieldPad, b.Left - 1), Height() - kFieldPad};
}

void TCustomComboBox::LayoutParts() {
  if (edit_) {
    edit_->SetVisible(Editable());
    edit_->SetBoundsRect(ItemRect());
  }
  if (style_ == csSimple) {
    const int top = kFieldPad + FieldHeight() + 2;
    list_->SetBounds(kComboEdge, top, std::max(0, Width() - 2 * kComboEdge), std::max(0, Height() - top - kComboEdge));
  }
}

bool TCustomComboBox::CanResize(int& NewWidth, int& NewHeight) {
  // The drop-down styles are as high as their field.
  if (style_ != csSimple) NewHeight = FieldHeight() + 2 * kFieldPad + 2;
  return TCustomControl::CanResize(NewWidth, NewHeight);
}

void TCustomComboBox::Resize() {
  LayoutParts();
  TCustomControl::Resize();
}

void TCustomComboBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
}

void TCustomComboBox::CreateWnd() {
  TCustomControl::CreateWnd();
  LayoutParts();
}

COMBOBOXINFO TCustomComboBox::ComboBoxInfo() {
  COMBOBOXINFO info;
  info.rcItem = ItemRect();
  info.rcButton = ButtonRect();
  info.stateButton = style_ == csSimple ? STATE_SYSTEM_INVISIBLE : dropped_ ? STATE_SYSTEM_PRESSED : 0;
  info.hwndCombo = Handle();
  info.hwndItem = Editable() ? edit_->Handle() : Handle();
  info.hwndList = list_->Handle();
  return info;
}

BOOL GetComboBoxInfo(HWND hwnd, COMBOBOXINFO* info) {
  if (!hwnd || !info) return FALSE;
  return SendMessage(hwnd, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(info)) != 0 ? TRUE : FALSE;
}

// ---- Events ---------------------------------------------------------------------------------

void TCustomComboBox::Notify(Word Code) {
  if (!HandleAllocated()) return;
  HWND parent = GetParent(Handle());
  if (parent)
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(int(GetWindowLongPtr(Handle(), GWL_ID)), Code),
                reinterpret_cast<LPARAM>(Handle()));
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect) OnSelect(this);
  else Change();
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
  if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  TCanvas* c = Canvas();
  if (OnDrawItem) {
    OnDrawItem(this, Index, Rect, State);
    return;
  }
  c->FillRect(Rect);
  if (Index < 0 || Index >= list_->Count()) return;
  c->Brush()->SetStyle(bsClear);
  c->TextRect(Rect, Rect.Left + 2, Rect.Top + (Rect.Height() - c->TextHeight("Wg")) / 2,
              list_->Items()->Strings(Index));
  c->Brush()->SetStyle(bsSolid);
}

void TCustomComboBox::MeasureItem(int Index, int& Height) {
  if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::SelChanged() {
  auto alive = AliveToken();
  const int i = ItemIndex();
  committed_ = i;
  if (i >= 0) TCustomControl::SetTextBuf(list_->Items()->Strings(i));
  SyncEditText();
  if (edit_ && Editable() && edit_->Focused()) edit_->SelectAll();
  Invalidate();
  Notify(CBN_SELCHANGE);
  if (!*alive) return;
  Click();
  if (!*alive) return;
  Select();
}

void TCustomComboBox::EditChanged() {
  auto alive = AliveToken();
  TCustomControl::SetTextBuf(edit_->Value());
  if (!*alive) return;
  // The list follows the text when it names an item.
  int index = -1;
  for (int i = 0; i < list_->Count(); ++i)
    if (AnsiSameText(list_->Items()->Strings(i), text_)) {
      index = i;
      break;
    }
  list_->SelectSilently(index);
  committed_ = index;
  Notify(CBN_EDITCHANGE);
  if (!*alive) return;
  Change();
  if (*alive && AutoDropDown && !dropped_) DoDropDown();
}

void TCustomComboBox::MoveSelection(int Index) {
  if (list_->Count() == 0) return;
  Index = std::clamp(Index, 0, list_->Count() - 1);
  if (Index == ItemIndex() && committed_ == Index && text_ == list_->Items()->Strings(Index)) return;
  list_->SelectSilently(Index);
  SelChanged();
}

void TCustomComboBox::DoDropDown() {
  if (dropped_ || style_ == csSimple || !HandleAllocated()) return;
  auto alive = AliveToken();
  Notify(CBN_DROPDOWN);
  if (!*alive) return;
  DropDown();
  if (!*alive || dropped_) return;
  committed_ = ItemIndex();
  const int h = list_->ItemHeight();
  const int rows = std::clamp(list_->Count(), 1, dropDownCount_);
  int listHeight = 0;
  if (list_->Style() == lbOwnerDrawVariable) {
    for (int i = 0; i < rows && i < list_->Count(); ++i) listHeight += list_->ItemRect(i).Height();
    if (listHeight == 0) listHeight = h;
  } else {
    listHeight = rows * h;
  }
  listHeight += 2 * kPopupBorder;
  const int width = std::max(Width(), droppedWidth_);
  const TPoint origin = ClientToScreen(TPoint{0, 0});
  RECT work{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  int y = origin.Y + Height();
  // No room below: above the combo, when there is more room there.
  if (y + listHeight > work.Bottom && origin.Y - work.Top > work.Bottom - y) y = origin.Y - listHeight;
  int x = std::clamp(origin.X, int(work.Left), std::max(int(work.Left), int(work.Right) - width));
  dropped_ = true;
  list_->armed = false;
  list_->SetBounds(x, y, width, listHeight);
  list_->HandleNeeded();
  list_->SetTopIndex(ItemIndex() >= 0 ? ItemIndex() : 0);
  list_->SetVisible(true);
  if (!*alive) return;
  SetCapture(list_->Handle());
  Invalidate();
}

void TCustomComboBox::DoCloseUp(bool accept, bool byChoice) {
  if (!dropped_ || closing_) return;
  auto alive = AliveToken();
  closing_ = true;
  dropped_ = false;
  if (!accept) list_->SelectSilently(committed_);
  if (list_->HandleAllocated() && GetCapture() == list_->Handle()) ReleaseCapture();
  if (!*alive) return;
  list_->SetVisible(false);
  closing_ = false;
  Invalidate();
  Notify(accept ? CBN_SELENDOK : CBN_SELENDCANCEL);
  if (!*alive) return;
  Notify(CBN_CLOSEUP);
  if (!*alive) return;
  CloseUp();
  if (!*alive) return;
  if (byChoice) SelChanged();
}

void TCustomComboBox::SetDroppedDown(bool v) {
  if (v) DoDropDown();
  else DoCloseUp(true, false);
}

bool TCustomComboBox::ComboKey(Word Key, TShiftState Shift) {
  const bool alt = (Shift & ssAlt) != 0;
  if (Key == VK_F4 || (alt && (Key == VK_DOWN || Key == VK_UP))) {
    if (style_ == csSimple) return true;
    if (dropped_) DoCloseUp(true, false);
    else DoDropDown();
    return true;
  }
  if (alt) return false;
  const int cur = ItemIndex();
  const int page = std::max(1, dropped_ ? list_->VisibleItemCount() - 1 : dropDownCount_ - 1);
  switch (Key) {
    case VK_UP: MoveSelection(cur < 0 ? 0 : cur - 1); return true;
    case VK_DOWN: MoveSelection(cur < 0 ? 0 : cur + 1); return true;
    case VK_PRIOR: MoveSelection(cur - page); return true;
    case VK_NEXT: MoveSelection(cur + page); return true;
    case VK_HOME:
    case VK_END:
      if (Editable()) return false;  // the edit part's caret keys
      MoveSelection(Key == VK_HOME ? 0 : list_->Count() - 1);
      return true;
    case VK_RETURN:
      if (!dropped_) return false;
      DoCloseUp(true, false);
      return true;
    case VK_ESCAPE:
      if (!dropped_) return false;
      DoCloseUp(false, false);
      return true;
    default: return false;
  }
}

bool TCustomComboBox::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  auto alive = AliveToken();
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos) || !*alive) return true;
  wheelRemainder_ += WheelDelta;
  const int notches = wheelRemainder_ / WHEEL_DELTA;
  wheelRemainder_ -= notches * WHEEL_DELTA;
  if (notches == 0) return true;
  if (dropped_) list_->SetTopIndex(list_->TopIndex() - notches * 3);
  else MoveSelection((ItemIndex() < 0 ? 0 : ItemIndex()) - notches);
  return true;
}

// ---- Painting --------------------------------------------------------------------------------

void TCustomComboBox::Paint() {
  auto alive = AliveToken();
  TCanvas* c = Canvas();
  c->Font()->Assign(Font());
  HDC dc = c->Handle();
  TRect r = ClientRect();
  TRect outer = style_ == csSimple ? TRect{0, 0, r.Right, kFieldPad + FieldHeight() + 2} : r;
  Frame3D(dc, outer, clBtnShadow, clBtnHighlight, 1);
  Frame3D(dc, outer, cl3DDkShadow, clBtnFace, 1);
  FillSolid(dc, outer, Enabled() ? Color() : clBtnFace);
  if (style_ == csSimple) FillSolid(dc, TRect{0, kFieldPad + FieldHeight() + 2, r.Right, r.Bottom}, clBtnFace);
  if (style_ != csSimple) {
    const TRect b = ButtonRect();
    DrawButtonFace(dc, b, dropped_ ? bfsPushed : 0);
    const int d = dropped_ ? 1 : 0;
    DrawClassicArrow(dc, TRect{b.Left + 2 + d, b.Top + 2 + d, b.Right - 2 + d, b.Bottom - 2 + d}, adDown, Enabled());
  }
  if (!Editable()) {
    const TRect field = ItemRect();
    const bool focused = Focused() && !dropped_;
    TOwnerDrawState state = odComboBoxEdit;
    if (focused) state |= odSelected | odFocused;
    if (!Enabled()) state |= odDisabled;
    c->Brush()->SetColor(focused ? clHighlight : Enabled() ? Color() : clBtnFace);
    c->Font()->SetColor(focused ? clHighlightText : Enabled() ? Font()->Color() : clGrayText);
    if (style_ == csDropDownList) {
      c->FillRect(field);
      if (ItemIndex() >= 0) {
        c->Brush()->SetStyle(bsClear);
        c->TextRect(field, field.Left + 1, field.Top + (field.Height() - c->TextHeight("Wg")) / 2, text_);
        c->Brush()->SetStyle(bsSolid);
      }
    } else {
      DrawItem(ItemIndex(), field, state);
      if (!*alive) return;
    }
    if (focused) c->DrawFocusRect(field);
  }
  if (OnAfterPaint) OnAfterPaint(this, c);
}

// ---- Messages --------------------------------------------------------------------------------

void TCustomComboBox::HandleCBMessage(TMessage& m) {
  auto* strings = list_->Items();
  const int i = int(m.WParam);
  const bool inRange = i >= 0 && i < list_->Count();
  switch (m.Msg) {
    case CB_ADDSTRING:
      m.Result = list_->ListMessage(LB_ADDSTRING, 0, m.LParam);
      return;
    case CB_INSERTSTRING: m.Result = list_->ListMessage(LB_INSERTSTRING, m.WParam, m.LParam); return;
    case CB_DELETESTRING: {
      m.Result = list_->ListMessage(LB_DELETESTRING, m.WParam, 0);
      if (committed_ == i) committed_ = -1;
      else if (committed_ > i) --committed_;
      Invalidate();
      return;
    }
    case CB_RESETCONTENT:
      list_->ListMessage(LB_RESETCONTENT, 0, 0);
      committed_ = -1;
      if (!Editable()) TCustomControl::SetTextBuf("");
      Invalidate();
      m.Result = 0;
      return;
    case CB_GETCOUNT: m.Result = list_->Count(); return;
    case CB_GETCURSEL: m.Result = list_->ItemIndex(); return;
    case CB_SETCURSEL: SetItemIndex(inRange ? i : -1); m.Result = inRange ? i : CB_ERR; return;
    case CB_GETLBTEXT:
      if (!inRange) {
        m.Result = CB_ERR;
        return;
      }
      {
        const std::string s = strings->Strings(i);
        std::memcpy(reinterpret_cast<char*>(m.LParam), s.c_str(), s.size() + 1);
        m.Result = LRESULT(s.size());
      }
      return;
    case CB_GETLBTEXTLEN: m.Result = inRange ? LRESULT(strings->Strings(i).size()) : CB_ERR; return;
    case CB_FINDSTRING: m.Result = list_->ListMessage(LB_FINDSTRING, m.WParam, m.LParam); return;
    case CB_FINDSTRINGEXACT: m.Result = list_->ListMessage(LB_FINDSTRINGEXACT, m.WParam, m.LParam); return;
    case CB_SELECTSTRING: {
      LRESULT r = list_->ListMessage(LB_FINDSTRING, m.WParam, m.LParam);
      if (r >= 0) SetItemIndex(int(r));
      m.Result = r;
      return;
    }
    case CB_GETITEMDATA: m.Result = list_->ListMessage(LB_GETITEMDATA, m.WParam, 0); return;
    case CB_SETITEMDATA: m.Result = list_->ListMessage(LB_SETITEMDATA, m.WParam, m.LParam); return;
    case CB_SHOWDROPDOWN: SetDroppedDown(m.WParam != 0); m.Result = 1; return;
    case CB_GETDROPPEDSTATE: m.Result = dropped_ ? 1 : 0; return;
    case CB_GETDROPPEDCONTROLRECT: {
      RECT r{};
      if (list_->HandleAllocated() && dropped_) GetWindowRect(list_->Handle(), &r);
      *reinterpret_cast<RECT*>(m.LParam) = r;
      m.Result = 1;
      return;
    }
    case CB_SETITEMHEIGHT: {
      const int h = LOWORD(std::uintptr_t(m.LParam));
      if (h <= 0) {
        m.Result = CB_ERR;
        return;
      }
      // -1: the selection field; otherwise the list's items. No new window.
      if (int(m.WParam) == -1) {
        fieldHeight_ = h;
        if (style_ != csSimple) SetHeight(FieldHeight() + 2 * kFieldPad + 2);
        LayoutParts();
      } else {
        list_->ListMessage(LB_SETITEMHEIGHT, m.WParam, m.LParam);
      }
      Invalidate();
      m.Result = 0;
      return;
    }
    case CB_GETITEMHEIGHT:
      m.Result = int(m.WParam) == -1 ? FieldHeight() : list_->ListMessage(LB_GETITEMHEIGHT, m.WParam, 0);
      return;
    case CB_GETDROPPEDWIDTH: m.Result = std::max(Width(), droppedWidth_); return;
    case CB_SETDROPPEDWIDTH: droppedWidth_ = int(m.WParam); m.Result = std::max(Width(), droppedWidth_); return;
    case CB_GETEDITSEL: {
      const DWORD s = DWORD(SelStart()), e = DWORD(SelStart() + SelLength());
      if (m.WParam) *reinterpret_cast<DWORD*>(m.WParam) = s;
      if (m.LParam) *reinterpret_cast<DWORD*>(m.LParam) = e;
      m.Result = MAKELRESULT(int(s), int(e));
      return;
    }
    case CB_SETEDITSEL: {
      if (!Editable()) {
        m.Result = CB_ERR;
        return;
      }
      const int s = SHORT(LOWORD(std::uintptr_t(m.LParam))), e = SHORT(HIWORD(std::uintptr_t(m.LParam)));
      const int len = TComboEdit::CharCount(text_);
      const int start = s < 0 ? len : std::min(s, len);
      const int end = e < 0 ? len : std::min(e, len);
      edit_->SetSelection(start, std::max(0, end - start));
      m.Result = 1;
      return;
    }
    case CB_GETCOMBOBOXINFO: {
      auto* out = reinterpret_cast<COMBOBOXINFO*>(m.LParam);
      if (!out) return;
      *out = ComboBoxInfo();
      m.Result = 1;
      return;
    }
    default: m.Result = CB_ERR; return;
  }
}

void TCustomComboBox::DefaultHandler(TMessage& Message) {
  TMessage& m = Message;
  if (m.Msg >= CB_GETEDITSEL && m.Msg <= CB_GETCOMBOBOXINFO) {
    HandleCBMessage(m);
    return;
  }
  auto alive = AliveToken();
  switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (dropped_ ? DLGC_WANTALLKEYS : 0); return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (ComboKey(Word(m.WParam), KeyboardStateToShiftState())) {
        m.Result = 0;
        return;
      }
      break;
    case WM_CHAR: {
      const char32_t ch = char32_t(m.WParam);
      if (Editable() || ch < 0x20 || list_->Count() == 0) break;
      std::string s;
      AppendUtf8(s, ch);
      // The next item after the current one that starts with the character.
      const int n = list_->Count();
      for (int k = 1; k <= n; ++k) {
        const int idx = ((ItemIndex() < 0 ? -1 : ItemIndex()) + k) % n;
        const std::string t = list_->Items()->Strings(idx);
        if (t.size() >= s.size() && AnsiSameText(t.substr(0, s.size()), s)) {
          MoveSelection(idx);
          break;
        }
      }
      m.Result = 0;
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (style_ == csSimple) break;
      const TPoint p = m.Pos();
      if (!Editable() || ButtonRect().Contains(p)) {
        if (Editable() && edit_ && !edit_->Focused()) ::SetFocus(edit_->Handle());
        else if (!Focused() && CanFocus()) SetFocus();
        if (!*alive) return;
        if (dropped_) DoCloseUp(false, false);
        else DoDropDown();
        m.Result = 0;
        return;
      }
      break;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    default: break;
  }
  TCustomControl::DefaultHandler(Message);
}

void TCustomComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case CN_COMMAND: Message.Result = 0; return;
    case WM_SETFOCUS: {
      auto alive = AliveToken();
      TCustomControl::Dispatch(Message);
      // The edit part takes the keys of the editable styles.
      if (*alive && Editable() && edit_ && edit_->HandleAllocated()) ::SetFocus(edit_->Handle());
      return;
    }
    case WM_KILLFOCUS: {
      auto alive = AliveToken();
      TCustomControl::Dispatch(Message);
      // Focus moving away (not to our own edit part) closes the list.
      HWND to = reinterpret_cast<HWND>(Message.WParam);
      if (*alive && dropped_ && !(edit_ && edit_->HandleAllocated() && to == edit_->Handle())) DoCloseUp(false, false);
      return;
    }
    case CM_FONTCHANGED: {
      auto alive = AliveToken();
      TCustomControl::Dispatch(Message);
      if (!*alive) return;
      list_->SetFont(Font());
      if (style_ != csSimple) SetHeight(FieldHeight() + 2 * kFieldPad + 2);
      LayoutParts();
      return;
    }
    case CM_ENABLEDCHANGED:
    case CM_VISIBLECHANGED: {
      auto alive = AliveToken();
      TCustomControl::Dispatch(Message);
      if (*alive && edit_) edit_->SetEnabled(Enabled());
      if (*alive && (!Enabled() || !Visible())) DoCloseUp(false, false);
      if (*alive) Invalidate();
      return;
    }
    default: break;
  }
  TCustomControl::Dispatch(Message);
}
