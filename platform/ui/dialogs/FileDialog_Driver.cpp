// The headless driver: acts on a running file dialog through the same paths
// as the mouse and keyboard, sending the same notices.
#include "platform/rtl/FileUtils.h"
#include "platform/ui/dialogs/FileDialog_Internal.h"

std::vector<std::string> TFileDialogDriver::List() const {
  std::vector<std::string> names;
  for (const TFileDialogForm::TEntry& e : form_->entries) names.push_back(e.folder ? e.name + "/" : e.name);
  return names;
}
std::string TFileDialogDriver::Folder() const { return form_->folder; }
std::string TFileDialogDriver::NameText() const { return form_->nameBox->Text(); }
int TFileDialogDriver::TypeIndex() const { return form_->TypeIndex(); }
TForm* TFileDialogDriver::Form() const { return form_; }
HWND TFileDialogDriver::Dialog() const { return form_->Handle(); }
bool TFileDialogDriver::Closed() const { return form_->ModalResult() != mrNone; }
std::vector<std::string> TFileDialogDriver::Selection() const { return form_->SelectedNames(); }

void TFileDialogDriver::Select(const std::string& name) {
  int i = form_->IndexOfName(name);
  if (i < 0)
    form_->list->ClearSelection();
  else
    form_->list->SetItemIndex(i);
  form_->FlushSelection();
}

void TFileDialogDriver::AddToSelection(const std::string& name) {
  int i = form_->IndexOfName(name);
  if (i < 0) return;
  TListItem* item = form_->list->Items()->Item(i);
  item->SetSelected(true);
  item->SetFocused(true);
  form_->FlushSelection();
}

void TFileDialogDriver::SelectMany(const std::vector<std::string>& names) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (i == 0)
      Select(names[i]);
    else
      AddToSelection(names[i]);
  }
}

void TFileDialogDriver::DoubleClick(const std::string& name) {
  Select(name);
  form_->ListDblClick();
}

void TFileDialogDriver::ClickColumn(int index) {
  TListView* lv = form_->list;
  if (index < 0 || index >= lv->Columns()->Count() || !lv->OnColumnClick) return;
  lv->OnColumnClick(lv, lv->Columns()->Items(index));
}

void TFileDialogDriver::Navigate(const std::string& folder) {
  form_->Navigate(ExcludeTrailingPathDelimiter(ExpandFileName(folder)), true);
}
void TFileDialogDriver::Up() { form_->upButton->Click(); }

std::vector<std::string> TFileDialogDriver::Places() const {
  std::vector<std::string> captions;
  for (TButton* b : form_->placeButtons) captions.push_back(b->Caption());
  return captions;
}

void TFileDialogDriver::PressPlace(const std::string& caption) {
  for (TButton* b : form_->placeButtons)
    if (b->Caption() == caption) return b->Click();
}

void TFileDialogDriver::SetType(int index) {
  form_->typeList->SetItemIndex(index - 1);
  form_->TypeChanged();
}

void TFileDialogDriver::TypeName(const std::string& text) { form_->nameBox->SetText(text); }
void TFileDialogDriver::PressOk() { form_->Ok(); }
void TFileDialogDriver::PressCancel() { form_->cancelButton->Click(); }
