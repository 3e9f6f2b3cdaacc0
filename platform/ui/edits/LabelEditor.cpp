#include "platform/ui/edits/LabelEditor.h"

#include <algorithm>
#include <utility>

#include "platform/ui/controls/ClassicDraw.h"
#include "platform/user/User.h"

namespace {
constexpr int kBorder = 1;
// Room past the text, so the next character typed does not scroll it.
constexpr int kSlack = 8;
}  // namespace

// ---- TLabelEditor -----------------------------------------------------------------------

TLabelEditor::TLabelEditor(TWinControl* View) : TEdit(nullptr), view_(View) {
  SetBorderStyle(bsNone);  // the one-pixel WS_BORDER comes from CreateParams
  SetVisible(false);
  SetParent(View);
}

void TLabelEditor::CreateParams(TCreateParams& Params) {
  TEdit::CreateParams(Params);
  Params.Style |= WS_BORDER;
}

void TLabelEditor::WndProc(TMessage& Message) {
  auto alive = AliveToken();
  ++busy_;
  struct Leave {
    TLabelEditor* self;
    const std::shared_ptr<const bool>& alive;
    ~Leave() {
      if (!*alive || --self->busy_ > 0 || !self->releaseLater_) return;
      // Freed once its own handling is over, never under it.
      self->releaseLater_ = false;
      if (self->view_->HandleAllocated()) PostMessage(self->view_->Handle(), kLabelEditRelease, 0, 0);
    }
  } leave{this, alive};
  TEdit::WndProc(Message);
}

void TLabelEditor::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    TEdit::Dispatch(Message);
    Message.Result |= DLGC_WANTALLKEYS;  // Enter and Esc end the edit, not the dialog
    return;
  }
  auto alive = AliveToken();
  TEdit::Dispatch(Message);
  if (*alive && Message.Msg == WM_KILLFOCUS) Finish(false);
}

void TLabelEditor::KeyDown(Word& Key, TShiftState Shift) {
  auto alive = AliveToken();
  TEdit::KeyDown(Key, Shift);
  if (!*alive || (Key != VK_RETURN && Key != VK_ESCAPE)) return;
  const bool cancel = Key == VK_ESCAPE;
  Key = 0;
  Finish(cancel);
}

void TLabelEditor::Change() {
  Fit();
  TEdit::Change();
}

void TLabelEditor::Finish(bool cancel) {
  if (ended_) return;
  ended_ = true;
  // Moved out first: the handler may free this editor.
  auto end = std::move(OnEnd);
  OnEnd = nullptr;
  if (end) end(cancel);
}

void TLabelEditor::Fit() {
  const int text = MeasureClassicText(Font(), Text(), TRect{}, DT_SINGLELINE | DT_NOPREFIX).Width();
  const int want = text + 2 * kBorder + LeftMargin() + RightMargin() + kSlack;
  const int room = std::max(1, view_->ClientWidth() - Left());
  const int w = std::min(want, room);
  if (w != Width()) SetWidth(w);
}

// ---- TLabelEditing ----------------------------------------------------------------------

void TLabelEditing::Open(const std::string& Text, const TRect& Label, std::function<void(bool Cancel)> OnEnd) {
  DisarmClick();
  auto* e = new TLabelEditor(view_);
  editor_ = e;
  e->SetText(Text);
  Place(Label);
  e->OnEnd = std::move(OnEnd);
  e->SetVisible(true);
  if (e->CanFocus()) e->SetFocus();
  e->SelectAll();
}

void TLabelEditing::Place(const TRect& Label) {
  TLabelEditor* e = editor_;
  if (!e) return;
  // One line, centred on a one-line label, at the top of a wrapped one.
  const int line = TextCellHeight(e->Font());
  const int h = line + 2 * kBorder;
  const int top = Label.Height() < 2 * line ? Label.Top + std::max(0, (Label.Height() - h) / 2) : Label.Top;
  if (e->Left() != Label.Left || e->Top() != top || e->Height() != h) e->SetBounds(Label.Left, top, e->Width(), h);
  e->Fit();
}

void TLabelEditing::Close() {
  TLabelEditor* e = editor_;
  if (!e) return;
  editor_ = nullptr;
  e->ended_ = true;
  e->OnEnd = nullptr;
  auto view = view_->AliveToken();
  auto alive = e->AliveToken();
  if (e->Focused() && view_->CanFocus()) view_->SetFocus();
  if (!*view) return;
  if (*alive) {
    e->SetVisible(false);
    retired_.push_back(e);
    if (view_->HandleAllocated()) PostMessage(view_->Handle(), kLabelEditRelease, 0, 0);
  }
  view_->Invalidate();
}

void TLabelEditing::Destroy() {
  DisarmClick();
  if (editor_) retired_.push_back(editor_);
  editor_ = nullptr;
  std::vector<TLabelEditor*> gone;
  gone.swap(retired_);
  for (TLabelEditor* e : gone) {
    e->ended_ = true;
    e->OnEnd = nullptr;
    delete e;
  }
}

void TLabelEditing::ArmClick() {
  if (!view_->HandleAllocated()) return;
  armed_ = true;
  SetTimer(view_->Handle(), kLabelEditTimer, GetDoubleClickTime(), nullptr);
}

void TLabelEditing::DisarmClick() {
  if (!armed_) return;
  armed_ = false;
  if (view_->HandleAllocated()) KillTimer(view_->Handle(), kLabelEditTimer);
}

bool TLabelEditing::HandleMessage(TMessage& Message, bool& Fired) {
  Fired = false;
  if (Message.Msg == kLabelEditRelease) {
    ReleaseRetired();
    return true;
  }
  if (Message.Msg == WM_TIMER && Message.WParam == kLabelEditTimer) {
    Fired = armed_;
    DisarmClick();
    if (view_->HandleAllocated()) KillTimer(view_->Handle(), kLabelEditTimer);
    return true;
  }
  return false;
}

void TLabelEditing::ReleaseRetired() {
  std::vector<TLabelEditor*> keep;
  std::vector<TLabelEditor*> gone;
  for (TLabelEditor* e : retired_) (e->busy_ > 0 ? keep : gone).push_back(e);
  // Still inside its own handling (a modal loop run from an end event):
  // it posts the release again once that is over.
  for (TLabelEditor* e : keep) e->releaseLater_ = true;
  retired_ = std::move(keep);
  for (TLabelEditor* e : gone) delete e;
}
