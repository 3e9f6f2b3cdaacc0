#include "themed/panels/KZUGroupBox.h"

#include <algorithm>
#include <cstdlib>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/system/UiMessages.h"
#include "themed/buttons/KZUButton.h"

namespace {
constexpr TColor DisabledCaptionGrey = 0x808080;
constexpr int CaptionLeft = 5;
constexpr int ButtonLeft = 8;
}  // namespace

// ---- Group box ---------------------------------------------------------------

TkzuCustomGroupBox::TkzuCustomGroupBox(TComponent* AOwner) : TkzuCustomPanel(AOwner) {
  TkzuCustomPanel::SetCaption(" ");
  SetBounds(Left(), Top(), 185, 105);
  const TkzuUIStyle look = GetOwnerFormPanelUIStyle(AOwner);
  borderColor_ = GetThemeColor(look, 8);
  Font()->SetColor(GetThemeColor(look, 10));
  SetTransparent(true);
}

void TkzuCustomGroupBox::SetCaption(const std::string& v) {
  caption_ = v;
  Invalidate();
}

void TkzuCustomGroupBox::SetBorderColor(TColor v) {
  borderColor_ = v;
  Invalidate();
}

void TkzuCustomGroupBox::SetEnabled(bool v) {
  TkzuCustomPanel::SetEnabled(v);
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(v);
  Invalidate();
}

TRect TkzuCustomGroupBox::ContentRect() {
  const TRect r = ClientRect();
  return TRect{r.Left + 3, r.Top + std::abs(Font()->Height()), r.Right - 2, r.Bottom - 2};
}

void TkzuCustomGroupBox::ApplyUIStyle(TkzuUIStyle style) { ApplyUIStyleToChildren(this, style); }

void TkzuCustomGroupBox::Paint() {
  TkzuCustomPanel::Paint();
  TCanvas* c = Canvas();
  c->Font()->Assign(Font());
  const TRect r = ClientRect();
  const int y = std::abs(Font()->Height()) / 2 + r.Top + 1;
  const int gapEnd = caption_.empty() ? r.Left : r.Left + c->TextWidth(caption_) + 6;
  c->Pen()->SetColor(borderColor_);
  const TPoint frame[6] = {{r.Left + 2, y},          {r.Left, y},  {r.Left, r.Bottom - 1}, {r.Right - 1, r.Bottom - 1},
                           {r.Right - 1, y},         {gapEnd, y}};
  c->Polyline(frame, 6);
  c->Brush()->SetStyle(bsClear);
  if (!Enabled()) c->Font()->SetColor(DisabledCaptionGrey);
  c->TextOut(CaptionLeft, 0, caption_);
}

void TkzuCustomGroupBox::Dispatch(TMessage& Message) {
  TkzuCustomPanel::Dispatch(Message);
  if (Message.Msg == CM_FONTCHANGED) Invalidate();
}

// ---- Check group -------------------------------------------------------------

TkzuCheckGroup::TkzuCheckGroup(TComponent* AOwner) : TkzuCustomGroupBox(AOwner) {
  items_ = std::make_unique<TStringList>();
  items_->OnChange = [this](TObject*) { ItemsChanged(); };
  SetCaption("kzuCheckGroup");
  SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
  SetTransparent(false);
  SetParentColor(true);
  TControl::OnClick = [this](TObject*) { Dispatch_Click(); };
}

TkzuCheckGroup::~TkzuCheckGroup() {
  items_->OnChange = nullptr;
  TControl::OnClick = nullptr;
}

TStrings* TkzuCheckGroup::Items() const { return items_.get(); }

void TkzuCheckGroup::SetItems(const TStrings* v) { items_->Assign(v); }

void TkzuCheckGroup::SetColumns(int v) {
  if (v < 1) return;
  columns_ = v;
  Layout();
}

void TkzuCheckGroup::SetTopMargin(int v) {
  if (v < 0) return;
  topMargin_ = v;
  Layout();
}

void TkzuCheckGroup::Dispatch_Click() {
  auto alive = AliveToken();
  ItemClicked();
  if (!*alive) return;
  if (TNotifyEvent h = OnClick) h(this);
}

TkzuCheckBox* TkzuCheckGroup::CreateItemButton() { return new TkzuCheckBox(this); }

void TkzuCheckGroup::ItemsChanged() {
  const int count = items_->Count();
  bool added = false;
  while (ButtonCount() < count) {
    TkzuCheckBox* b = CreateItemButton();
    b->SetParent(this);
    b->SetAutoSize(true);
    b->SetUIStyle(uiStyle_);
    b->SetTransparent(Transparent());
    b->SetParentColor(true);
    b->OnClick = [this](TObject*) { Dispatch_Click(); };
    buttons_.push_back(b);
    added = true;
  }
  while (ButtonCount() > count) {
    TkzuCheckBox* b = buttons_.back();
    buttons_.pop_back();
    delete b;
  }
  for (int i = 0; i < count; ++i) buttons_[i]->SetCaption(items_->Strings(i));
  Layout();
  if (added) {
    // Hands the current value to every button.
    SetTransparent(!Transparent());
    SetTransparent(!Transparent());
  }
}

void TkzuCheckGroup::Layout() {
  const int n = ButtonCount();
  if (n == 0) return;
  const TRect c = ContentRect();
  const int top = c.Top + topMargin_;
  const int columnWidth = (Width() - 10) / columns_;
  const int rows = (n + columns_ - 1) / columns_;
  const int rowHeight = (c.Bottom - top) / rows;
  const int y0 = top + ((c.Bottom - top) % rows) / 2;
  for (int i = 0; i < n; ++i) {
    TkzuCheckBox* b = buttons_[i];
    b->SetBounds((i / rows) * columnWidth + ButtonLeft, (i % rows) * rowHeight + y0, b->Width(), b->Height());
  }
}

void TkzuCheckGroup::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  ApplyUIStyle(v);
  for (TkzuCheckBox* b : buttons_) {
    b->SetUIStyle(v);
    b->SetColor(Color());
  }
}

void TkzuCheckGroup::ApplyUIStyle(TkzuUIStyle style) {
  // Only the group's own colours: its buttons take the look from SetUIStyle.
  SetBorderColor(GetThemeColor(style, 8));
  Font()->SetColor(GetThemeColor(style, 10));
  if (!ParentColor()) SetColor(GetThemeColor(style, 9));
}

void TkzuCheckGroup::SetTransparent(bool v) {
  TkzuCustomGroupBox::SetTransparent(v);
  for (TkzuCheckBox* b : buttons_) b->SetTransparent(v);
}

void TkzuCheckGroup::Resize() {
  TkzuCustomGroupBox::Resize();
  Layout();
}
