// The edit's standard context menu, installed by the menu layer as
// EditContextMenuHook. Each edit keeps one menu (owned by it, so a command
// arriving after the menu closed still finds its items) and sets the items'
// states afresh each time it pops.
#include "platform/ui/edits/Edit.h"
#include "platform/ui/menus/MenuWindow.h"
#include "platform/ui/menus/Menus.h"
#include "platform/user/system/Clipboard.h"
#include "platform/rtl/StockTexts.h"

namespace {

class TEditStandardMenu : public TPopupMenu {
 public:
  explicit TEditStandardMenu(TCustomEdit* edit) : TPopupMenu(edit), edit_(edit) {
    undo_ = Add(StockText("&Undo"), [](TCustomEdit* e) { e->Undo(); });
    Add("-", nullptr);
    cut_ = Add(StockText("Cu&t"), [](TCustomEdit* e) { e->CutToClipboard(); });
    copy_ = Add(StockText("&Copy"), [](TCustomEdit* e) { e->CopyToClipboard(); });
    paste_ = Add(StockText("&Paste"), [](TCustomEdit* e) { e->PasteFromClipboard(); });
    delete_ = Add(StockText("&Delete"), [](TCustomEdit* e) { e->ClearSelection(); });
    Add("-", nullptr);
    selectAll_ = Add(StockText("Select &All"), [](TCustomEdit* e) { e->SelectAll(); });
  }
  std::string ClassName() const override { return "TEditStandardMenu"; }

  void UpdateStates() {
    const bool writable = !edit_->ReadOnly();
    const bool selected = edit_->SelLength() > 0;
    const bool hidden = edit_->PasswordChar() != 0;  // a masked text never leaves the edit
    const bool clipText = IsClipboardFormatAvailable(CF_UNICODETEXT) || IsClipboardFormatAvailable(CF_TEXT);
    undo_->SetEnabled(writable && edit_->CanUndo());
    cut_->SetEnabled(writable && selected && !hidden);
    copy_->SetEnabled(selected && !hidden);
    paste_->SetEnabled(writable && clipText);
    delete_->SetEnabled(writable && selected);
    int chars = 0;  // UTF-8 lead bytes
    for (char c : edit_->Text()) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    selectAll_->SetEnabled(edit_->SelLength() < chars);
  }

 private:
  TMenuItem* Add(const std::string& caption, void (*action)(TCustomEdit*)) {
    auto* item = new TMenuItem(nullptr);
    item->SetCaption(caption);
    if (action) item->OnClick = [this, action](TObject*) { action(edit_); };
    Items()->Add(item);
    return item;
  }
  TCustomEdit* edit_;
  TMenuItem* undo_ = nullptr;
  TMenuItem* cut_ = nullptr;
  TMenuItem* copy_ = nullptr;
  TMenuItem* paste_ = nullptr;
  TMenuItem* delete_ = nullptr;
  TMenuItem* selectAll_ = nullptr;
};

TEditStandardMenu* MenuOf(TCustomEdit* edit) {
  for (int i = 0; i < edit->ComponentCount(); ++i)
    if (auto* m = dynamic_cast<TEditStandardMenu*>(edit->Components(i))) return m;
  return new TEditStandardMenu(edit);
}

bool ShowEditMenu(TCustomEdit* edit, TPoint at) {
  if (!edit || MenuLoopActive()) return false;
  TEditStandardMenu* menu = MenuOf(edit);
  menu->UpdateStates();
  menu->SetPopupComponent(edit);
  menu->Popup(at.X, at.Y);
  return true;
}

}  // namespace

void InstallEditContextMenu() {
  if (!EditContextMenuHook) EditContextMenuHook = ShowEditMenu;
}
