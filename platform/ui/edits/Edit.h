// The edit control: TCustomEdit (one line), TEdit and TMaskEdit, and the
// base of the memo (Memo.h).
//
// The control's DefaultHandler plays the part of the native edit window
// procedure: everything a sub-classed procedure (a replaced WindowProc or a
// procedure set with SetWindowLongPtr) may filter reaches it last. Every
// cut, copy, paste, clear and undo, whether from a key, a control character
// or a menu, is sent to the window as WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR
// or WM_UNDO, so filtering one of them stops it from every source.
//
// After each change of the text the edit sends EN_CHANGE in a WM_COMMAND to
// its parent (reflected to it as CN_COMMAND, which calls Change and
// OnChange); that is always the last thing the change does, so OnChange may
// set the text again or free the control. EN_UPDATE comes just before it,
// the new text laid out but not yet drawn. EN_SETFOCUS and EN_KILLFOCUS
// follow the focus; EN_MAXTEXT tells that MaxLength cut typing or pasting;
// EN_HSCROLL and EN_VSCROLL follow scrolling by the scroll messages, the
// wheel and dragging past the edge. MaxLength limits typing and
// pasting only, never WM_SETTEXT. Positions in the edit messages and in
// SelStart/SelLength count characters of the UTF-8 text.
//
// Colours come from WM_CTLCOLOREDIT (WM_CTLCOLORSTATIC when read-only or
// disabled) sent to the parent: the brush fills the background (NULL_BRUSH:
// none), the DC's text colour, background colour and mode draw the text.
// The edit paints only in WM_PAINT; the caret is the window layer's caret.
//
// The Insert key (without Shift or Ctrl, which paste and copy) switches
// between inserting and overwriting (EditModel.h); the mode belongs to the
// control and stays when the focus leaves. While overwriting, the caret is
// a block as wide as the character it would replace (an average character
// at the end of a line).
//
// Input-method composition (Ime.h) shows inline at the caret, underlined,
// in place of the selection, without touching the text: no notification,
// no undo record, no MaxLength. The result meets the key-press events
// character by character, as typing does, then what they let through is
// typed as one run (overwrite and MaxLength apply, EN_MAXTEXT when cut, one
// EN_CHANGE); the end takes the composition off the screen. Anything that
// moves the caret or changes the text from outside the input method (a
// mouse press, EM_SETSEL, EM_REPLACESEL, WM_SETTEXT, WM_UNDO, WM_CUT,
// WM_PASTE, WM_CLEAR) and the loss of the focus first complete the
// composition (ImmNotifyIME with CPS_COMPLETE): its result goes in at the
// caret it was shown at, with its own EN_CHANGE, then the action applies to
// the text with the result in it. A password edit has no input context, so
// composed text reaches it only as typed characters.
//
// The context menu: a right click or the menu key (VK_APPS, Shift+F10)
// sends WM_CONTEXTMENU; when neither OnContextPopup, the PopupMenu nor
// EditContextMenuHook takes it, no menu shows.
#pragma once
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/ui/controls/Controls.h"
#include "platform/ui/edits/EditModel.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/user/input/Ime.h"

// ---- Edit styles, messages and notifications -----------------------------------
constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_RIGHT = 0x0002;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_UPPERCASE = 0x0008;
constexpr DWORD ES_LOWERCASE = 0x0010;
constexpr DWORD ES_PASSWORD = 0x0020;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD ES_NOHIDESEL = 0x0100;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_WANTRETURN = 0x1000;

constexpr UINT WM_CUT = 0x0300;
constexpr UINT WM_COPY = 0x0301;
constexpr UINT WM_PASTE = 0x0302;
constexpr UINT WM_CLEAR = 0x0303;
constexpr UINT WM_UNDO = 0x0304;

constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_GETRECT = 0x00B2;
constexpr UINT EM_SETRECT = 0x00B3;
constexpr UINT EM_SETRECTNP = 0x00B4;
constexpr UINT EM_SCROLL = 0x00B5;
constexpr UINT EM_LINESCROLL = 0x00B6;
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETMODIFY = 0x00B8;
constexpr UINT EM_SETMODIFY = 0x00B9;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;
constexpr UINT EM_LINELENGTH = 0x00C1;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_GETLINE = 0x00C4;
constexpr UINT EM_LIMITTEXT = 0x00C5;
constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
constexpr UINT EM_CANUNDO = 0x00C6;
constexpr UINT EM_UNDO = 0x00C7;
constexpr UINT EM_LINEFROMCHAR = 0x00C9;
constexpr UINT EM_SETPASSWORDCHAR = 0x00CC;
constexpr UINT EM_EMPTYUNDOBUFFER = 0x00CD;
constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;
constexpr UINT EM_SETREADONLY = 0x00CF;
constexpr UINT EM_GETPASSWORDCHAR = 0x00D2;
constexpr UINT EM_SETMARGINS = 0x00D3;
constexpr UINT EM_GETMARGINS = 0x00D4;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
constexpr UINT EM_POSFROMCHAR = 0x00D6;
constexpr UINT EM_CHARFROMPOS = 0x00D7;

constexpr WPARAM EC_LEFTMARGIN = 0x0001;
constexpr WPARAM EC_RIGHTMARGIN = 0x0002;
constexpr WPARAM EC_USEFONTINFO = 0xFFFF;

constexpr Word EN_SETFOCUS = 0x0100;
constexpr Word EN_KILLFOCUS = 0x0200;
constexpr Word EN_CHANGE = 0x0300;
constexpr Word EN_UPDATE = 0x0400;
constexpr Word EN_MAXTEXT = 0x0501;
constexpr Word EN_HSCROLL = 0x0601;
constexpr Word EN_VSCROLL = 0x0602;
// What EM_GETLIMITTEXT answers for an edit without a limit.
constexpr LRESULT EditNoLimit = 0x7FFFFFFE;

class TCustomEdit;
// Set by the menu layer: shows the edit's standard menu (undo, cut, copy,
// paste, delete, select all) at a screen point; true when shown.
extern std::function<bool(TCustomEdit* Edit, TPoint Screen)> EditContextMenuHook;

// ---- TCustomEdit -----------------------------------------------------------------------
class TCustomEdit : public TWinControl {
 public:
  explicit TCustomEdit(TComponent* AOwner) : TCustomEdit(AOwner, false) {}
  ~TCustomEdit() override;
  std::string ClassName() const override { return "TCustomEdit"; }

  // ---- Properties ----
  int MaxLength() const { return model_.MaxLength(); }
  void SetMaxLength(int v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v);
  // 0: none. Shown for every character; copy and cut do nothing.
  char32_t PasswordChar() const { return passwordChar_; }
  void SetPasswordChar(char32_t v);
  TEditCharCase CharCase() const { return model_.CharCase(); }
  void SetCharCase(TEditCharCase v);
  bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool v);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle v);
  // Selects all when the control is entered other than by a mouse press.
  bool AutoSelect = true;
  bool Modified() const { return model_.Modified; }
  void SetModified(bool v) { model_.Modified = v; }
  bool CanUndo() const { return model_.CanUndo(); }
  // Typed characters replace the ones after the caret (the Insert key).
  bool Overwrite() const { return model_.Overwrite(); }
  void SetOverwrite(bool v);
  // The input method's composition shown at the caret (empty: none).
  const std::string& CompositionText() const { return compText_; }

  // ---- Selection, in characters ----
  int SelStart() const;
  void SetSelStart(int v);
  int SelLength() const;
  void SetSelLength(int v);
  std::string SelText() const { return model_.SelText(); }
  // Replaces the selection as EM_REPLACESEL does (undoable).
  void SetSelText(const std::string& v);
  void SelectAll();

  // ---- Commands: each goes to the window as its message ----
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  void Undo();
  void ClearUndo();
  void Clear() { SetText(std::string()); }

  // ---- Queries of the view ----
  const TEditModel& Model() const { return model_; }
  // Client coordinates of the text area (EM_GETRECT).
  TRect FormattingRect() const;
  int LeftMargin() const { return leftMargin_; }
  int RightMargin() const { return rightMargin_; }
  // Pixels the text is scrolled left, and the first line shown.
  int HorzScrollPos() const { return scrollX_; }
  int TopLine() const { return topLine_; }
  int LineHeight() const;
  const std::vector<TEditLine>& EditLines() const { return lines_; }

  TNotifyEvent OnChange;

  void Invalidate() override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

 protected:
  TCustomEdit(TComponent* AOwner, bool multiLine);
  std::string GetText() const override { return model_.Text(); }
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void PaintWindow(HDC DC) override;
  void DoEnter() override;
  virtual void Change();
  // Width the lines wrap to (0: no wrap); the memo's word wrap.
  virtual int WrapWidth() const { return 0; }
  // Ctrl+Enter or WantReturns in a memo.
  virtual bool AcceptsReturn() const { return false; }
  virtual bool AcceptsTab() const { return false; }
  // Replaces a range of bytes without the limit, emptying the undo buffer,
  // then shows the caret after it and notifies (the memo's Lines).
  void ReplaceRange(std::size_t start, std::size_t end, const std::string& s);
  // Has the input method complete a composition going on, so its result is
  // in the text; false when that freed the edit.
  bool CompleteComposition();
  // Relayout, scroll bars and repaint after a change of layout settings.
  void LayoutChanged();
  DWORD WindowStyle() const;
  void SetStyleBits(DWORD mask, DWORD bits);

  TEditModel model_;

 private:
  // ---- Native procedure (Edit.cpp) ----
  bool HandleEditMessage(TMessage& Message);
  void WMChar(TMessage& Message);
  void WMKeyDown(TMessage& Message);
  void WMSetText(TMessage& Message);
  void WMGetText(TMessage& Message);
  void DoCut();
  void DoCopy();
  void DoPaste();
  void DoClear();
  void DoUndo();
  void WMGetLine(TMessage& Message);
  void WMImeComposition(TMessage& Message);
  // Takes the composition off the screen (end of composing, focus lost).
  void EndComposition();
  // Composition is off in a password edit.
  void AssociateInputContext();
  // Sends msg to the window's procedure (or WindowProc before a window).
  LRESULT SendToSelf(UINT msg, WPARAM wp = 0, LPARAM lp = 0);
  // The last step of a change: view, then EN_CHANGE (when changed).
  void AfterEdit(bool changed);
  // WM_COMMAND with code to the parent (CN_COMMAND to itself without one).
  void Notify(Word code);
  // EN_HSCROLL / EN_VSCROLL when the view moved from (oldX, oldTop).
  void NotifyScroll(int oldX, int oldTop);
  void ShowContextMenuFromKeyboard();

  // ---- View (Edit_View.cpp) ----
  void RefreshMetrics();
  int CharWidth(char32_t c) const;
  TEditCharWidth WidthFunc() const;
  int TabWidth() const;
  void Relayout();
  std::vector<int> LinePositions(const TEditLine& line) const { return PositionsIn(model_.Text(), line); }
  std::vector<int> PositionsIn(const std::string& text, const TEditLine& line) const;
  int LineWidth(const TEditLine& line) const { return LinePositions(line).back(); }
  int AlignOffset(const TEditLine& line) const { return AlignOffsetIn(model_.Text(), line); }
  int AlignOffsetIn(const std::string& text, const TEditLine& line) const;
  int LineOfPos(std::size_t p) const { return LineOfPosIn(lines_, p); }
  static int LineOfPosIn(const std::vector<TEditLine>& lines, std::size_t p);
  // What the screen shows: the text with the composition in place of the
  // selection while there is one, else the model's text.
  bool ShowsComposition() const { return !compText_.empty(); }
  const std::string& ShownText() const { return ShowsComposition() ? viewText_ : model_.Text(); }
  const std::vector<TEditLine>& ShownLines() const { return ShowsComposition() ? viewLines_ : lines_; }
  std::size_t ShownCaret() const { return ShowsComposition() ? compCaret_ : model_.CaretPos(); }
  void BuildCompositionView();
  // Client point of a position in a text laid out as `lines`.
  TPoint PointIn(const std::string& text, const std::vector<TEditLine>& lines, std::size_t p) const;
  // Creates the caret for the focus at its current width, placed and shown.
  void MakeCaret();
  int WantedCaretWidth() const;
  // Tells the input method where composed text goes.
  void PlaceCompositionWindow();
  int VisibleLines() const;
  // Client point of a text position, and the position nearest a client point.
  TPoint PosToPoint(std::size_t p) const;
  std::size_t PointToPos(TPoint pt) const;
  // Keeps the caret inside the formatting rectangle.
  void ScrollCaret();
  void ClampScroll();
  void UpdateCaret();
  void UpdateScrollBars();
  void ViewChanged();
  void ScrollLines(int delta);
  TAlignment EffectiveAlignment() const;
  std::size_t PosInLine(int index, int clientX) const;
  void WMScroll(TMessage& Message);
  int ThumbPos(const TMessage& Message, int bar) const;
  void PaintLine(HDC dc, int index, const TRect& fmt, COLORREF textColor, bool showSel, HBRUSH underline);
  HBRUSH ControlColors(HDC dc);
  void WMEraseBkgnd(TMessage& Message);
  // Caret movement keys; true when the key was one of them.
  bool MoveKey(Word key, bool shift, bool ctrl);
  void MoveCaretTo(std::size_t p, bool extend);
  // Mouse selection.
  void MouseSelect(TMessage& Message);
  void AutoScrollTick();

  static constexpr std::uintptr_t kAutoScrollTimer = 0xED17;

  bool multiLine_;
  bool readOnly_ = false;
  char32_t passwordChar_ = 0;
  bool hideSelection_ = true;
  TAlignment alignment_ = taLeftJustify;
  TBorderStyle borderStyle_ = bsSingle;

  std::vector<TEditLine> lines_{TEditLine{}};
  int scrollX_ = 0;
  int topLine_ = 0;
  int contentWidth_ = 0;  // widest line plus the caret
  int leftMargin_ = 1;
  int rightMargin_ = 1;
  bool rectSet_ = false;
  TRect rect_{};
  int goalX_ = -1;  // column kept by Up and Down
  bool clearNext_ = false;  // WM_CLEAR from the Delete key: the next character goes
  bool dragging_ = false;
  bool autoScrolling_ = false;
  TPoint lastMouse_{};
  bool updatingBars_ = false;
  int caretWidth_ = 0;  // of the caret made for the focus, 0: none

  // The input method's composition and the shown text built around it.
  std::string compText_;
  int compCursor_ = 0;  // characters into compText_
  std::string viewText_;
  std::vector<TEditLine> viewLines_;
  std::size_t compStart_ = 0;
  std::size_t compEnd_ = 0;
  std::size_t compCaret_ = 0;
  // The context taken away from a password edit, to give back.
  HIMC savedContext_ = nullptr;

  mutable bool metricsValid_ = false;
  mutable int lineHeight_ = 16;
  mutable int aveCharWidth_ = 7;
  mutable std::unordered_map<char32_t, int> widths_;
};

class TEdit : public TCustomEdit {
 public:
  explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  std::string ClassName() const override { return "TEdit"; }
};

// A mask edit whose mask is stored only: with the empty mask it is an edit.
class TCustomMaskEdit : public TCustomEdit {
 public:
  explicit TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
  std::string ClassName() const override { return "TCustomMaskEdit"; }
  std::string EditMask;
  std::string EditText() const { return Text(); }
  void SetEditText(const std::string& v) { SetText(v); }
};

class TMaskEdit : public TCustomMaskEdit {
 public:
  explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
  std::string ClassName() const override { return "TMaskEdit"; }
};
