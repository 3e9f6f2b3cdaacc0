// The "Select Window" dialog behind an MDI frame's "&More Windows...": every
// shown child by caption, the active one selected; OK, Enter or a double
// click brings the chosen one up.
#include <memory>

#include "platform/rtl/StockTexts.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/lists/ListBox.h"

namespace {

constexpr int kSelectMargin = 8;
constexpr int kSelectButtonWidth = 75;
constexpr int kSelectButtonHeight = 23;
constexpr int kSelectListWidth = 240;
constexpr int kSelectListHeight = 160;

}  // namespace

HWND SelectMDIWindow(const std::vector<HWND>& Children, HWND Active) {
  std::unique_ptr<TForm> form(new TForm(Application));
  form->SetBorderStyle(bsDialog);
  form->SetBorderIcons(biSystemMenu);
  form->SetPosition(poScreenCenter);
  form->SetCaption(StockText("Select Window"));
  form->SetClientWidth(kSelectListWidth + 3 * kSelectMargin + kSelectButtonWidth);
  form->SetClientHeight(kSelectListHeight + 2 * kSelectMargin);
  auto* list = new TListBox(form.get());
  list->SetName("Windows");
  list->SetParent(form.get());
  list->SetBounds(kSelectMargin, kSelectMargin, kSelectListWidth, kSelectListHeight);
  for (HWND h : Children) {
    TControl* c = FindControl(h);
    list->Items()->Add(c ? c->Caption() : std::string());
    if (h == Active) list->SetItemIndex(list->Items()->Count() - 1);
  }
  if (list->ItemIndex() < 0 && !Children.empty()) list->SetItemIndex(0);
  TForm* dialog = form.get();
  list->OnDblClick = [dialog](TObject*) { dialog->SetModalResult(mrOk); };
  const int x = kSelectMargin * 2 + kSelectListWidth;
  auto* ok = new TButton(form.get());
  ok->SetName("OK");
  ok->SetParent(form.get());
  ok->SetCaption(StockText("OK"));
  ok->ModalResult = mrOk;
  ok->SetDefault(true);
  ok->SetBounds(x, kSelectMargin, kSelectButtonWidth, kSelectButtonHeight);
  auto* cancel = new TButton(form.get());
  cancel->SetName("Cancel");
  cancel->SetParent(form.get());
  cancel->SetCaption(StockText("Cancel"));
  cancel->ModalResult = mrCancel;
  cancel->SetCancel(true);
  cancel->SetBounds(x, kSelectMargin * 2 + kSelectButtonHeight, kSelectButtonWidth, kSelectButtonHeight);
  form->SetActiveControl(list);
  auto alive = form->AliveToken();
  const TModalResult result = form->ShowModal();
  if (!*alive) {
    (void)form.release();
    return nullptr;
  }
  const int chosen = list->ItemIndex();
  if (result != mrOk || chosen < 0 || chosen >= int(Children.size())) return nullptr;
  return Children[std::size_t(chosen)];
}
