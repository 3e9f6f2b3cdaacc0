// The base skinned edit: Enter and Escape to the form, the ReadOnly filter,
// transparent drawing over the parent, and the context menu.
#include <cstdint>

#include "platform/gdi/Gdi.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/system/Clipboard.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/User.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinStrings.h"
#include "skin/windows/Brenvale.h"

namespace {

// Posted to itself after a skinned menu command: the menu is freed once
// the command's dispatch has returned, never inside it. WParam: the menu's
// generation, so a later menu is not freed by an old request.
constexpr UINT WM_SPFREEEDITMENU = 0x05D2;

bool KeyboardInvoked(LPARAM lp) { return DWORD(lp) == 0xFFFFFFFFu; }

}  // namespace

std::function<void(TspCustomEdit*, TspSkinPopupMenu*, TPoint)> SkinEditMenuPopup =
    [](TspCustomEdit* edit, TspSkinPopupMenu* menu, TPoint at) { menu->PopupAtEdit(edit, at.X, at.Y); };

TspCustomEdit::TspCustomEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) { SetBorderStyle(bsNone); }

TspCustomEdit::~TspCustomEdit() { FreeEditMenu(); }

void TspCustomEdit::SetTransparentMode(bool value) {
  if (transparentMode_ == value) return;
  transparentMode_ = value;
  if (HandleAllocated()) RecreateWnd();
}

void TspCustomEdit::CreateParams(TCreateParams& Params) {
  TCustomMaskEdit::CreateParams(Params);
  Params.Style &= ~DWORD(WS_BORDER);
  Params.ExStyle &= ~DWORD(WS_EX_CLIENTEDGE);
  if (transparentMode_) Params.ExStyle |= WS_EX_TRANSPARENT;
  Params.Style |= PasswordChar() ? ES_PASSWORD : 0;
}

void TspCustomEdit::CreateWnd() {
  TCustomMaskEdit::CreateWnd();
  Perform(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(2, 0));
}

TspSkinData* TspCustomEdit::MenuSkinData() const {
  TCustomForm* form = GetParentForm(const_cast<TspCustomEdit*>(this));
  if (!form) return nullptr;
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* controller = dynamic_cast<TspBrenvale*>(form->Components(i))) return controller->SkinData();
  return nullptr;
}

void TspCustomEdit::FreeEditMenu() {
  if (!editMenu_) return;
  TPopupMenu* menu = editMenu_;
  editMenu_ = nullptr;
  delete menu;
}

void TspCustomEdit::CreateEditMenu() {
  FreeEditMenu();
  ++menuGeneration_;
  editMenu_ = new TspSkinPopupMenu(this);
  // An MDI child's menus show through the main form's controller.
  if (TCustomForm* form = GetParentForm(this)) {
    TCustomForm* main = Application ? Application->MainForm() : nullptr;
    editMenu_->ControllerForm = form->FormStyle() == fsMDIChild && main ? main : form;
    editMenu_->ControllerForm->FreeNotification(editMenu_);
  }
  const TspSkinData* sd = MenuSkinData();
  int start = 0, end = 0;
  Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  const bool selected = start < end;
  int chars = 0;  // UTF-8 lead bytes
  for (char c : Text()) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  const bool clipText = IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT);
  auto add = [&](const char* key, bool enabled, UINT command) {
    auto* item = new TMenuItem(editMenu_);
    item->SetCaption(key ? GetSkinResStr(sd, key) : "-");
    item->SetEnabled(enabled);
    if (command) {
      auto alive = AliveToken();
      item->OnClick = [this, alive, command](TObject*) {
        if (!*alive) return;
        if (command == EM_SETSEL)
          SelectAll();
        else
          Perform(command, 0, 0);
      };
    }
    editMenu_->Items()->Add(item);
  };
  add("EDIT_UNDO", CanUndo(), WM_UNDO);
  add(nullptr, true, 0);
  add("EDIT_CUT", selected && !Locked(), WM_CUT);
  add("EDIT_COPY", selected, WM_COPY);
  add("EDIT_PASTE", clipText && !Locked(), WM_PASTE);
  add("EDIT_DELETE", selected && !Locked(), WM_CLEAR);
  add(nullptr, true, 0);
  add("EDIT_SELECTALL", !(start == 0 && end == chars), EM_SETSEL);
}

void TspCustomEdit::ShowEditMenu(TMessage& Message) {
  CreateEditMenu();
  TPoint at = Message.Pos();
  // Only (-1, -1) means the keyboard: a monitor left of or above the
  // primary one gives real negative coordinates.
  if (KeyboardInvoked(Message.LParam)) at = ClientToScreen(TPoint{ClientWidth() / 2, ClientHeight() / 2});
  if (SkinEditMenuPopup) SkinEditMenuPopup(this, editMenu_, at);
  Message.Result = 1;
}

void TspCustomEdit::InvalidateUnder() {
  if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TspCustomEdit::Invalidate() {
  if (!transparentMode_) {
    TCustomMaskEdit::Invalidate();
    return;
  }
  InvalidateUnder();
}

void TspCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SETFONT:
      TCustomMaskEdit::Dispatch(Message);
      Perform(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(2, 0));
      return;
    case WM_CHAR:
      if (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE) {
        // Never typed: the form's default or cancel button takes them.
        std::string copy(1, char(Message.WParam));
        if (OnKeyPress) OnKeyPress(this, copy);
        if (TCustomForm* form = GetParentForm(this)) form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam);
        Message.Result = 0;
        return;
      }
      break;
    case WM_GETDLGCODE:
      TCustomMaskEdit::Dispatch(Message);
      Message.Result |= DLGC_WANTALLKEYS;
      return;
    case WM_CONTEXTMENU:
      if (PopupMenu()) break;
      ShowEditMenu(Message);
      return;
    case WM_SPMENUCOMMANDDONE:
      if (editMenu_ && HandleAllocated()) PostMessage(Handle(), WM_SPFREEEDITMENU, menuGeneration_, 0);
      return;
    case WM_SPFREEEDITMENU:
      if (Message.WParam == menuGeneration_) FreeEditMenu();
      return;
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORSTATIC:
      if (!transparentMode_) break;
      {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ColorToRGB(Font()->Color()));
        Message.Result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
      }
      return;
    case WM_ERASEBKGND:
      if (!transparentMode_) break;
      if (Message.WParam && Parent()) {
        // What the parent shows under the edit, so typing leaves no trace.
        TBitmap back;
        back.SetPixelFormat(pf24bit);
        back.SetSize(Width(), Height());
        PaintParentImage(this, back.Canvas());
        BitBlt(reinterpret_cast<HDC>(Message.WParam), 0, 0, Width(), Height(), back.Canvas()->Handle(), 0, 0,
               SRCCOPY);
      }
      Message.Result = 1;
      return;
    case WM_LBUTTONDOWN:
      mouseDown_ = true;
      break;
    case WM_LBUTTONUP:
      mouseDown_ = false;
      break;
    default: break;
  }
  TCustomMaskEdit::Dispatch(Message);
  if (!transparentMode_) return;
  switch (Message.Msg) {
    case WM_KEYDOWN: case WM_SETTEXT: case WM_MOVE: case WM_CUT: case WM_PASTE: case WM_CLEAR: case WM_UNDO:
    case WM_LBUTTONDOWN: case WM_SETFOCUS: case WM_KILLFOCUS: case WM_CHAR:
      InvalidateUnder();
      break;
    case WM_MOUSEMOVE:
      if (mouseDown_) InvalidateUnder();
      break;
    case CN_COMMAND:
      if (HIWORD(Message.WParam) == EN_CHANGE) InvalidateUnder();
      break;
    default: break;
  }
}

void TspCustomEdit::DefaultHandler(TMessage& Message) {
  if (Locked()) {
    switch (Message.Msg) {
      case WM_CHAR:
        // Ctrl+A and Ctrl+C select and copy; nothing else may change the text.
        if (Message.WParam != 1 && Message.WParam != 3) {
          Message.Result = 0;
          return;
        }
        break;
      case WM_KEYDOWN:
        if (Message.WParam == VK_DELETE) {
          Message.Result = 0;
          return;
        }
        break;
      case WM_CUT: case WM_PASTE: case WM_CLEAR: case WM_UNDO: case EM_UNDO: case EM_REPLACESEL:
      case WM_IME_STARTCOMPOSITION: case WM_IME_COMPOSITION: case WM_IME_ENDCOMPOSITION:
        Message.Result = 0;
        return;
      default: break;
    }
  }
  TCustomMaskEdit::DefaultHandler(Message);
}
