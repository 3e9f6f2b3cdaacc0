// TCustomEdit: properties, commands and the native part of its window
// procedure (text, keys, characters, clipboard, undo, edit messages).
// The view (layout, painting, scrolling, caret, mouse) is in Edit_View.cpp.
#include "platform/ui/edits/Edit.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/CodePage.h"
#include "platform/user/input/Ime.h"

std::function<bool(TCustomEdit* Edit, TPoint Screen)> EditContextMenuHook;

namespace {

void PutClipboardText(HWND owner, const std::string& s) {
  if (!OpenClipboard(owner)) return;
  EmptyClipboard();
  if (HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, s.size() + 1)) {
    if (auto* p = static_cast<char*>(GlobalLock(g))) {
      std::memcpy(p, s.data(), s.size());
      p[s.size()] = 0;
      GlobalUnlock(g);
      SetClipboardData(CF_UNICODETEXT, g);
    } else {
      GlobalFree(g);
    }
  }
  CloseClipboard();
}

std::string ClipboardText(HWND owner) {
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) && !IsClipboardFormatAvailable(CF_TEXT)) return {};
  if (!OpenClipboard(owner)) return {};
  std::string s;
  HANDLE g = GetClipboardData(CF_UNICODETEXT);
  if (!g) g = GetClipboardData(CF_TEXT);
  if (g) {
    std::size_t n = GlobalSize(g);
    if (auto* p = static_cast<const char*>(GlobalLock(g))) {
      s.assign(p, strnlen(p, n));
      GlobalUnlock(g);
    }
  }
  CloseClipboard();
  return s;
}

// The bytes of s that fit in `room` without cutting a character.
std::size_t FitBytes(std::string_view s, std::size_t room) {
  if (room >= s.size()) return s.size();
  std::size_t n = room;
  while (n > 0 && (Byte(s[n]) & 0xC0) == 0x80) --n;
  return n;
}

bool IsKeyDown(int vk) { return GetKeyState(vk) < 0; }

}  // namespace

// ---- Life ----------------------------------------------------------------------------
TCustomEdit::TCustomEdit(TComponent* AOwner, bool multiLine)
    : TWinControl(AOwner), model_(multiLine), multiLine_(multiLine) {
  ControlStyle = csCaptureMouse | csSetCaption | csDoubleClicks;
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  SetCursor(crIBeam);
}

TCustomEdit::~TCustomEdit() {
  // The window goes while the edit's parts still exist.
  Destroying();
  WindowProc = TWndMethod(static_cast<TControl*>(this), &TControl::WndProc);
  DestroyHandle();
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  static const DWORD aligns[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  Params.Style |= aligns[alignment_];
  Params.Style |= multiLine_ ? ES_MULTILINE : ES_AUTOHSCROLL;
  if (passwordChar_ && !multiLine_) Params.Style |= ES_PASSWORD;
  if (readOnly_) Params.Style |= ES_READONLY;
  if (!hideSelection_) Params.Style |= ES_NOHIDESEL;
  if (model_.CharCase() == ecUpperCase) Params.Style |= ES_UPPERCASE;
  if (model_.CharCase() == ecLowerCase) Params.Style |= ES_LOWERCASE;
  if (borderStyle_ == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TCustomEdit::CreateWnd() {
  scrollX_ = 0;
  topLine_ = 0;
  rectSet_ = false;
  metricsValid_ = false;
  TWinControl::CreateWnd();
  // Styles a derived class asked for in its CreateParams.
  DWORD style = WindowStyle();
  if ((style & ES_PASSWORD) && !passwordChar_ && !multiLine_) passwordChar_ = '*';
  if (style & ES_READONLY) readOnly_ = true;
  if (style & ES_NOHIDESEL) hideSelection_ = false;
  if ((style & ES_UPPERCASE) && model_.CharCase() != ecUpperCase) model_.SetCharCase(ecUpperCase);
  if ((style & ES_LOWERCASE) && model_.CharCase() != ecLowerCase) model_.SetCharCase(ecLowerCase);
  // The model outlives the window, so a selection made before (or across a
  // re-creation) stays as it was set.
  savedContext_ = nullptr;  // the old window's, gone with it
  AssociateInputContext();
  LayoutChanged();
}

DWORD TCustomEdit::WindowStyle() const {
  if (HandleAllocated()) return DWORD(GetWindowLongPtr(const_cast<TCustomEdit*>(this)->Handle(), GWL_STYLE));
  static const DWORD aligns[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  return aligns[alignment_] | (multiLine_ ? ES_MULTILINE : 0);
}

void TCustomEdit::SetStyleBits(DWORD mask, DWORD bits) {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  LONG_PTR style = GetWindowLongPtr(h, GWL_STYLE);
  SetWindowLongPtr(h, GWL_STYLE, (style & ~LONG_PTR(mask)) | LONG_PTR(bits));
}

// ---- Properties ---------------------------------------------------------------------
void TCustomEdit::SetMaxLength(int v) {
  if (HandleAllocated())
    SendMessage(Handle(), EM_LIMITTEXT, WPARAM(std::max(v, 0)), 0);
  else
    model_.SetMaxLength(v);
}

void TCustomEdit::SetReadOnly(bool v) {
  if (HandleAllocated())
    SendMessage(Handle(), EM_SETREADONLY, v ? TRUE : FALSE, 0);
  else
    readOnly_ = v;
}

void TCustomEdit::SetPasswordChar(char32_t v) {
  if (HandleAllocated())
    SendMessage(Handle(), EM_SETPASSWORDCHAR, WPARAM(v), 0);
  else
    passwordChar_ = v;
}

void TCustomEdit::SetCharCase(TEditCharCase v) {
  bool changed = model_.SetCharCase(v);
  SetStyleBits(ES_UPPERCASE | ES_LOWERCASE, v == ecUpperCase ? ES_UPPERCASE : v == ecLowerCase ? ES_LOWERCASE : 0);
  AfterEdit(changed);
}

void TCustomEdit::SetOverwrite(bool v) {
  model_.SetOverwrite(v);
  model_.EndTypingRun();
  UpdateCaret();
}

void TCustomEdit::SetHideSelection(bool v) {
  hideSelection_ = v;
  SetStyleBits(ES_NOHIDESEL, v ? 0 : ES_NOHIDESEL);
  Invalidate();
}

void TCustomEdit::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  static const DWORD aligns[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
  SetStyleBits(ES_CENTER | ES_RIGHT, aligns[v]);
  LayoutChanged();
}

void TCustomEdit::SetBorderStyle(TBorderStyle v) {
  if (v == borderStyle_) return;
  borderStyle_ = v;
  RecreateWnd();
}

int TCustomEdit::SelStart() const { return model_.ByteToChar(model_.SelStartByte()); }

int TCustomEdit::SelLength() const {
  return model_.ByteToChar(model_.SelEndByte()) - model_.ByteToChar(model_.SelStartByte());
}

void TCustomEdit::SetSelStart(int v) { SendToSelf(EM_SETSEL, WPARAM(v), LPARAM(v)); }

void TCustomEdit::SetSelLength(int v) {
  int s = SelStart();
  SendToSelf(EM_SETSEL, WPARAM(s), LPARAM(std::max(0, s + v)));
}

void TCustomEdit::SetSelText(const std::string& v) {
  SendToSelf(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(v.c_str()));
}

void TCustomEdit::SelectAll() { SendToSelf(EM_SETSEL, 0, LPARAM(-1)); }
void TCustomEdit::ClearSelection() { SendToSelf(WM_CLEAR); }
void TCustomEdit::CopyToClipboard() { SendToSelf(WM_COPY); }
void TCustomEdit::CutToClipboard() { SendToSelf(WM_CUT); }
void TCustomEdit::PasteFromClipboard() { SendToSelf(WM_PASTE); }
void TCustomEdit::Undo() { SendToSelf(WM_UNDO); }
void TCustomEdit::ClearUndo() { SendToSelf(EM_EMPTYUNDOBUFFER); }

LRESULT TCustomEdit::SendToSelf(UINT msg, WPARAM wp, LPARAM lp) {
  if (HandleAllocated()) return SendMessage(Handle(), msg, wp, lp);
  return Perform(msg, wp, lp);
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::DoEnter() {
  // A press places the caret itself; the keyboard selects everything.
  if (AutoSelect && !(ControlState & csLButtonDown)) {
    model_.SelectAll();
    ViewChanged();
  }
  TWinControl::DoEnter();
}

// ---- Change notification ---------------------------------------------------------------
void TCustomEdit::AfterEdit(bool changed) {
  goalX_ = -1;
  Relayout();
  ScrollCaret();
  if (changed) {
    auto alive = AliveToken();
    Notify(EN_UPDATE);
    if (!*alive) return;
  }
  ViewChanged();
  if (changed) Notify(EN_CHANGE);
  // Nothing after this: OnChange may have set the text again or freed us.
}

void TCustomEdit::Notify(Word code) {
  if (HandleAllocated()) {
    HWND h = Handle();
    HWND parent = (GetWindowLongPtr(h, GWL_STYLE) & WS_CHILD) ? ::GetParent(h) : nullptr;
    if (parent) {
      SendMessage(parent, WM_COMMAND, MAKEWPARAM(int(GetWindowLongPtr(h, GWL_ID)), code),
                  reinterpret_cast<LPARAM>(h));
      return;
    }
  }
  Perform(CN_COMMAND, MAKEWPARAM(0, code), 0);
}

void TCustomEdit::NotifyScroll(int oldX, int oldTop) {
  auto alive = AliveToken();
  if (topLine_ != oldTop) Notify(EN_VSCROLL);
  if (*alive && scrollX_ != oldX) Notify(EN_HSCROLL);
}

void TCustomEdit::ReplaceRange(std::size_t start, std::size_t end, const std::string& s) {
  AfterEdit(model_.ReplaceRange(start, end, s));
}

// ---- Dispatch ------------------------------------------------------------------------------
void TCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    // The text lives in the model, with or without a window.
    case WM_SETTEXT: case WM_GETTEXT: case WM_GETTEXTLENGTH: DefaultHandler(Message); return;
    case WM_ERASEBKGND: WMEraseBkgnd(Message); return;
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == EN_CHANGE) Change();
      return;
    case CN_CTLCOLOREDIT: case CN_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(Message.WParam);
      SetTextColor(dc, COLORREF(ColorToRGB(Font()->Color())));
      SetBkColor(dc, COLORREF(ColorToRGB(Color())));
      Message.Result = reinterpret_cast<LRESULT>(Brush()->Handle());
      return;
    }
    default: TWinControl::Dispatch(Message); return;
  }
}

void TCustomEdit::DefaultHandler(TMessage& Message) {
  if (!HandleEditMessage(Message)) TWinControl::DefaultHandler(Message);
}

bool TCustomEdit::HandleEditMessage(TMessage& m) {
  const int wpInt = int(m.WParam);
  switch (m.Msg) {
    case WM_SETTEXT: case WM_CUT: case WM_PASTE: case WM_CLEAR: case WM_UNDO: case EM_UNDO: case EM_SETSEL:
    case EM_REPLACESEL: case WM_RBUTTONDOWN:
      // The composed text goes in where it was shown before anything moves.
      if (!CompleteComposition()) return true;
      break;
    default: break;
  }
  switch (m.Msg) {
    case WM_SETTEXT: WMSetText(m); return true;
    case WM_GETTEXT: WMGetText(m); return true;
    case WM_GETTEXTLENGTH: m.Result = LRESULT(model_.Text().size()); return true;
    case WM_CHAR: WMChar(m); return true;
    case WM_KEYDOWN: WMKeyDown(m); return true;
    case WM_SYSKEYDOWN:
      if (m.WParam == WPARAM(VK_F10) && IsKeyDown(VK_SHIFT)) {
        ShowContextMenuFromKeyboard();
        return true;
      }
      return false;
    case WM_CUT: DoCut(); return true;
    case WM_COPY: DoCopy(); return true;
    case WM_PASTE: DoPaste(); return true;
    case WM_CLEAR: DoClear(); return true;
    case WM_UNDO: case EM_UNDO:
      m.Result = CanUndo() && !readOnly_;
      DoUndo();
      return true;
    case WM_GETDLGCODE:
      m.Result = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      if (WindowStyle() & ES_MULTILINE) m.Result |= DLGC_WANTALLKEYS;
      return true;
    case WM_CONTEXTMENU: {
      // Reached only when neither OnContextPopup nor PopupMenu took it.
      TPoint p = m.Pos();
      if (p.X == -1 && p.Y == -1) p = ClientToScreen(PosToPoint(model_.CaretPos()));
      m.Result = EditContextMenuHook && EditContextMenuHook(this, p) ? 1 : 0;
      return true;
    }

    // ---- Edit messages ----
    case EM_GETSEL: {
      DWORD s = DWORD(SelStart()), e = DWORD(model_.ByteToChar(model_.SelEndByte()));
      if (m.WParam) *reinterpret_cast<DWORD*>(m.WParam) = s;
      if (m.LParam) *reinterpret_cast<DWORD*>(m.LParam) = e;
      m.Result = MAKELRESULT(int(std::min<DWORD>(s, 0xFFFF)), int(std::min<DWORD>(e, 0xFFFF)));
      return true;
    }
    case EM_SETSEL: {
      int a = wpInt, b = int(m.LParam);
      if (a == -1) {
        model_.SetSelection(model_.CaretPos(), model_.CaretPos());
      } else {
        model_.SetSelection(model_.CharToByte(std::max(a, 0)), model_.CharToByte(b));
      }
      goalX_ = -1;
      ViewChanged();
      return true;
    }
    case EM_REPLACESEL: {
      const char* s = reinterpret_cast<const char*>(m.LParam);
      AfterEdit(model_.ReplaceSel(s ? s : "", m.WParam != 0));
      return true;
    }
    case EM_LIMITTEXT: model_.SetMaxLength(wpInt); return true;
    case EM_GETLIMITTEXT: m.Result = model_.MaxLength() ? LRESULT(model_.MaxLength()) : EditNoLimit; return true;
    case EM_CANUNDO: m.Result = CanUndo(); return true;
    case EM_EMPTYUNDOBUFFER: model_.EmptyUndoBuffer(); return true;
    case EM_GETMODIFY: m.Result = model_.Modified; return true;
    case EM_SETMODIFY: model_.Modified = m.WParam != 0; return true;
    case EM_SETREADONLY:
      readOnly_ = m.WParam != 0;
      SetStyleBits(ES_READONLY, readOnly_ ? ES_READONLY : 0);
      Invalidate();
      m.Result = TRUE;
      return true;
    case EM_SETPASSWORDCHAR: {
      if (multiLine_) return true;
      passwordChar_ = char32_t(m.WParam);
      SetStyleBits(ES_PASSWORD, passwordChar_ ? ES_PASSWORD : 0);
      // Taking the context completes a composition, typing its result.
      auto alive = AliveToken();
      AssociateInputContext();
      if (!*alive) return true;
      LayoutChanged();
      return true;
    }
    case EM_GETPASSWORDCHAR: m.Result = LRESULT(passwordChar_); return true;
    case EM_SETMARGINS:
      if (m.WParam == EC_USEFONTINFO) {
        RefreshMetrics();
        leftMargin_ = rightMargin_ = std::max(1, aveCharWidth_ / 2);
      } else {
        if (m.WParam & EC_LEFTMARGIN) leftMargin_ = m.LParamLo();
        if (m.WParam & EC_RIGHTMARGIN) rightMargin_ = m.LParamHi();
      }
      rectSet_ = false;
      LayoutChanged();
      return true;
    case EM_GETMARGINS: m.Result = MAKELRESULT(leftMargin_, rightMargin_); return true;
    case EM_GETRECT:
      if (m.LParam) *reinterpret_cast<RECT*>(m.LParam) = FormattingRect();
      return true;
    case EM_SETRECT: case EM_SETRECTNP:
      rectSet_ = m.LParam != 0;
      if (rectSet_) rect_ = *reinterpret_cast<const RECT*>(m.LParam);
      Relayout();
      ClampScroll();
      UpdateScrollBars();
      UpdateCaret();
      if (m.Msg == EM_SETRECT) Invalidate();
      return true;
    case EM_SCROLLCARET:
      ScrollCaret();
      ViewChanged();
      m.Result = TRUE;
      return true;
    case EM_GETLINECOUNT: m.Result = LRESULT(lines_.size()); return true;
    case EM_LINEINDEX: {
      int l = wpInt == -1 ? LineOfPos(model_.CaretPos()) : wpInt;
      m.Result = l < 0 || l >= int(lines_.size()) ? -1 : model_.ByteToChar(lines_[std::size_t(l)].start);
      return true;
    }
    case EM_LINELENGTH: {
      std::size_t p = wpInt < 0 ? model_.CaretPos() : model_.CharToByte(wpInt);
      const TEditLine& line = lines_[std::size_t(LineOfPos(p))];
      m.Result = model_.ByteToChar(line.end) - model_.ByteToChar(line.start);
      return true;
    }
    case EM_LINEFROMCHAR: {
      std::size_t p = wpInt < 0 ? model_.SelStartByte() : model_.CharToByte(wpInt);
      m.Result = LineOfPos(p);
      return true;
    }
    case EM_GETLINE: WMGetLine(m); return true;
    case EM_POSFROMCHAR: {
      if (wpInt < 0 || wpInt > model_.CharCount()) {
        m.Result = -1;
        return true;
      }
      TPoint p = PosToPoint(model_.CharToByte(wpInt));
      m.Result = MAKELRESULT(p.X, p.Y);
      return true;
    }
    case EM_CHARFROMPOS: {
      std::size_t p = PointToPos(TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
      m.Result = MAKELRESULT(model_.ByteToChar(p), LineOfPos(p));
      return true;
    }
    case EM_GETFIRSTVISIBLELINE: {
      if (multiLine_) {
        m.Result = topLine_;
        return true;
      }
      // One line: the first character not scrolled out on the left.
      std::vector<int> xs = LinePositions(lines_[0]);
      int i = 0;
      while (i + 1 < int(xs.size()) && xs[std::size_t(i)] < scrollX_) ++i;
      m.Result = i;
      return true;
    }
    case EM_LINESCROLL: {
      if (!multiLine_) return true;
      const int oldX = scrollX_, oldTop = topLine_;
      RefreshMetrics();
      scrollX_ += wpInt * aveCharWidth_;
      topLine_ += int(m.LParam);
      ClampScroll();
      ViewChanged();
      m.Result = TRUE;
      NotifyScroll(oldX, oldTop);
      return true;
    }
    case EM_SCROLL: case WM_VSCROLL: case WM_HSCROLL: {
      if (!multiLine_) return false;
      const int oldX = scrollX_, oldTop = topLine_;
      WMScroll(m);
      NotifyScroll(oldX, oldTop);
      return true;
    }
    case WM_MOUSEWHEEL: {
      if (!multiLine_) return false;
      const int oldTop = topLine_;
      ScrollLines(-GET_WHEEL_DELTA_WPARAM(m.WParam) * 3 / 120);
      m.Result = 1;
      NotifyScroll(scrollX_, oldTop);
      return true;
    }

    // ---- Focus, size, font ----
    case WM_SETFOCUS: case WM_KILLFOCUS: {
      if (m.Msg == WM_KILLFOCUS) {
        // Committed here, not carried into the window taking the focus.
        if (!CompleteComposition()) return true;
        dragging_ = false;
        DestroyCaret();
        caretWidth_ = 0;
        EndComposition();
      } else if (HandleAllocated()) {
        MakeCaret();
      }
      Invalidate();
      auto alive = AliveToken();
      Notify(m.Msg == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
      // A parent that freed the edit gets nothing more from it.
      return !*alive;
    }
    case WM_SIZE:
      rectSet_ = false;
      LayoutChanged();
      return false;
    case WM_SETFONT:
      metricsValid_ = false;
      rectSet_ = false;
      LayoutChanged();
      if (HandleAllocated() && GetFocus() == Handle()) MakeCaret();
      return false;
    case WM_ENABLE: Invalidate(); return false;

    // ---- Input method ----
    case WM_IME_STARTCOMPOSITION: return true;
    case WM_IME_COMPOSITION: WMImeComposition(m); return true;
    case WM_IME_ENDCOMPOSITION: EndComposition(); return true;

    // ---- Mouse ----
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: case WM_MOUSEMOVE: case WM_LBUTTONUP: case WM_CAPTURECHANGED:
      MouseSelect(m);
      return true;
    case WM_TIMER:
      if (m.WParam != kAutoScrollTimer) return false;
      AutoScrollTick();
      return true;
    default: return false;
  }
}

void TCustomEdit::WMSetText(TMessage& m) {
  const char* s = reinterpret_cast<const char*>(m.LParam);
  bool changed = model_.SetText(s ? s : "");
  scrollX_ = 0;
  topLine_ = 0;
  m.Result = TRUE;
  AfterEdit(changed);
}

void TCustomEdit::WMGetText(TMessage& m) {
  char* buf = reinterpret_cast<char*>(m.LParam);
  if (!buf || m.WParam == 0) return;
  std::size_t n = FitBytes(model_.Text(), std::size_t(m.WParam) - 1);
  std::memcpy(buf, model_.Text().data(), n);
  buf[n] = 0;
  m.Result = LRESULT(n);
}

void TCustomEdit::WMGetLine(TMessage& m) {
  char* buf = reinterpret_cast<char*>(m.LParam);
  int l = int(m.WParam);
  if (!buf || l < 0 || l >= int(lines_.size())) return;
  Word room = 0;
  std::memcpy(&room, buf, sizeof room);
  const TEditLine& line = lines_[std::size_t(l)];
  std::string_view s = std::string_view(model_.Text()).substr(line.start, line.end - line.start);
  std::size_t n = FitBytes(s, room);
  std::memcpy(buf, s.data(), n);
  m.Result = LRESULT(n);
}

// ---- Characters and keys ---------------------------------------------------------------
void TCustomEdit::WMChar(TMessage& m) {
  const char32_t ch = char32_t(m.WParam);
  std::string typed;
  switch (ch) {
    case 1:  // Ctrl+A
      model_.SelectAll();
      ViewChanged();
      return;
    case 3: SendToSelf(WM_COPY); return;
    case 22: SendToSelf(WM_PASTE); return;
    case 24: SendToSelf(WM_CUT); return;
    case 26: SendToSelf(WM_UNDO); return;
    case 8:
      if (readOnly_) {
        MessageBeep(0);
        return;
      }
      AfterEdit(model_.Backspace());
      return;
    case '\r':
      if (!multiLine_ || !(AcceptsReturn() || IsKeyDown(VK_CONTROL))) return;
      typed = "\r\n";
      break;
    case '\t':
      if (!multiLine_ || !AcceptsTab()) return;
      typed = "\t";
      break;
    default:
      if (ch < 32 || ch == 127 || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return;
      AppendUtf8(typed, ch);
      break;
  }
  if (readOnly_) {
    MessageBeep(0);
    return;
  }
  if (!model_.Type(typed)) {
    MessageBeep(0);
    if (model_.MaxLength() > 0) Notify(EN_MAXTEXT);
    return;
  }
  AfterEdit(true);
}

void TCustomEdit::WMKeyDown(TMessage& m) {
  const Word key = Word(m.WParam);
  const bool shift = IsKeyDown(VK_SHIFT), ctrl = IsKeyDown(VK_CONTROL);
  switch (key) {
    case VK_DELETE:
      if (shift) {
        SendToSelf(WM_CUT);
      } else {
        // No selection: WM_CLEAR takes the next character.
        auto alive = AliveToken();
        clearNext_ = true;
        SendToSelf(WM_CLEAR);
        if (*alive) clearNext_ = false;
      }
      return;
    case VK_INSERT:
      if (ctrl)
        SendToSelf(WM_COPY);
      else if (shift)
        SendToSelf(WM_PASTE);
      else
        SetOverwrite(!Overwrite());
      return;
    case VK_APPS: ShowContextMenuFromKeyboard(); return;
    case VK_F10:
      if (shift) {
        ShowContextMenuFromKeyboard();
        return;
      }
      break;
    default:
      if (MoveKey(key, shift, ctrl)) return;
      break;
  }
  TWinControl::DefaultHandler(m);
}

void TCustomEdit::ShowContextMenuFromKeyboard() {
  SendToSelf(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(HandleAllocated() ? Handle() : nullptr), LPARAM(0xFFFFFFFF));
}

// ---- Input method ----------------------------------------------------------------------------
void TCustomEdit::WMImeComposition(TMessage& m) {
  const DWORD flags = DWORD(m.LParam);
  HWND h = HandleAllocated() ? Handle() : nullptr;
  HIMC himc = h ? ImmGetContext(h) : nullptr;
  if (!himc) return;
  std::string result = (flags & GCS_RESULTSTR) ? ImmCompositionText(himc, GCS_RESULTSTR) : std::string();
  std::string comp;
  int cursor = 0;
  if ((flags & GCS_COMPSTR) && !readOnly_) {
    // Control characters have no place on one line of composed text.
    for (char c : ImmCompositionText(himc, GCS_COMPSTR))
      if (Byte(c) >= 32 && c != 127) comp += c;
    const int chars = int(Utf8Length(comp));
    cursor = (flags & GCS_CURSORPOS) ? ImmGetCompositionString(himc, GCS_CURSORPOS, nullptr, 0) : chars;
    cursor = std::clamp(cursor, 0, chars);
  }
  ImmReleaseContext(h, himc);

  if (flags & GCS_RESULTSTR) {
    // The result replaces the composition on screen, typed as one run.
    compText_.clear();
    compCursor_ = 0;
    Relayout();
    if (!readOnly_ && !result.empty()) {
      // Each character meets the key-press events as a typed one does, so
      // a filter there (a numbers-only edit) holds for composed text too.
      auto alive = AliveToken();
      std::string kept;
      for (std::size_t i = 0; i < result.size();) {
        char32_t cp = 0;
        const std::size_t n = DecodeUtf8Char(result, i, cp);
        i += n ? n : 1;
        // Control characters count only where typing them would.
        const bool lineBreak = cp == '\r' || cp == '\n';
        const bool control = cp < 32 || cp == 127;
        if (!n || (control && !(multiLine_ && (lineBreak || (cp == '\t' && AcceptsTab()))))) continue;
        TMessage key;
        key.Msg = WM_CHAR;
        key.WParam = WPARAM(cp);
        key.LParam = 1;
        const bool eaten = DoKeyPress(key);
        if (!*alive) return;
        if (!eaten) AppendUtf8(kept, char32_t(key.WParam));
      }
      result = std::move(kept);
    }
    if (readOnly_) {
      MessageBeep(0);
    } else if (!result.empty()) {
      bool cut = false;
      const bool typed = model_.TypeRun(result, &cut);
      if (cut) {
        MessageBeep(0);
        if (model_.MaxLength() > 0) {
          auto alive = AliveToken();
          Notify(EN_MAXTEXT);
          if (!*alive) return;
        }
      }
      if (typed) {
        // Changed: AfterEdit ends with EN_CHANGE, which may free the edit.
        if (!(flags & GCS_COMPSTR)) {
          AfterEdit(true);
          return;
        }
        auto alive = AliveToken();
        AfterEdit(true);
        if (!*alive) return;
      }
    }
  }
  if (flags & GCS_COMPSTR) {
    compText_ = std::move(comp);
    compCursor_ = cursor;
    Relayout();
    goalX_ = -1;
  }
  ScrollCaret();
  ViewChanged();
}

bool TCustomEdit::CompleteComposition() {
  if (!HandleAllocated()) return true;
  HWND h = Handle();
  HIMC himc = ImmGetContext(h);
  if (!himc) return true;
  auto alive = AliveToken();
  // An edit on its way out takes no text and notifies no one.
  const DWORD how = (ComponentState() & csDestroying) ? CPS_CANCEL : CPS_COMPLETE;
  ImmNotifyIME(himc, NI_COMPOSITIONSTR, how, 0);
  if (!*alive) return false;
  ImmReleaseContext(h, himc);
  return true;
}

void TCustomEdit::AssociateInputContext() {
  if (!HandleAllocated()) return;
  HWND h = Handle();
  if (passwordChar_ && !multiLine_) {
    // Composed text would show in clear before the mask applies.
    if (HIMC own = ImmAssociateContext(h, nullptr)) savedContext_ = own;
  } else if (savedContext_) {
    HIMC own = savedContext_;
    savedContext_ = nullptr;
    ImmAssociateContext(h, own);
  }
}

void TCustomEdit::EndComposition() {
  if (compText_.empty()) return;
  compText_.clear();
  compCursor_ = 0;
  Relayout();
  ScrollCaret();
  ViewChanged();
}

// ---- Clipboard and undo ------------------------------------------------------------------
void TCustomEdit::DoCut() {
  if (readOnly_ || passwordChar_ || !model_.HasSelection()) return;
  PutClipboardText(HandleAllocated() ? Handle() : nullptr, model_.SelText());
  AfterEdit(model_.DeleteSelection());
}

void TCustomEdit::DoCopy() {
  if (passwordChar_ || !model_.HasSelection()) return;
  PutClipboardText(HandleAllocated() ? Handle() : nullptr, model_.SelText());
}

void TCustomEdit::DoPaste() {
  if (readOnly_) return;
  std::string s = ClipboardText(HandleAllocated() ? Handle() : nullptr);
  if (s.empty()) return;
  bool cut = false;
  if (model_.MaxLength() > 0) {
    const int room = model_.MaxLength() - (model_.CharCount() - SelLength());
    cut = int(Utf8Length(model_.Prepare(s))) > room;
  }
  const bool pasted = model_.Paste(s);
  if (!pasted) MessageBeep(0);
  if (cut) {
    auto alive = AliveToken();
    Notify(EN_MAXTEXT);
    if (!*alive) return;
  }
  if (pasted) AfterEdit(true);
}

void TCustomEdit::DoClear() {
  if (readOnly_) return;
  bool changed = model_.HasSelection() ? model_.DeleteSelection() : clearNext_ && model_.DeleteForward();
  clearNext_ = false;
  if (changed) AfterEdit(true);
}

void TCustomEdit::DoUndo() {
  if (readOnly_ || !model_.CanUndo()) return;
  AfterEdit(model_.Undo());
}
