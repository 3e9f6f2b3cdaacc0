// The check list box: a list box with a check box before each item.
#include "platform/ui/lists/ListBox.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/lists/ListBox_Internal.h"

using namespace listbox;

// ---- TCheckListBox ---------------------------------------------------------------------------

namespace {
constexpr int kCheckMargin = 2;
}

TCheckListBox::TCheckListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}

int TCheckListBox::CheckWidth() const { return CheckGlyphSize + 2 * kCheckMargin; }

TCheckBoxState TCheckListBox::State(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return data_[std::size_t(Index)].State;
}

void TCheckListBox::SetState(int Index, TCheckBoxState v) {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  if (data_[std::size_t(Index)].State == v) return;
  data_[std::size_t(Index)].State = v;
  InvalidateItem(Index);
}

bool TCheckListBox::ItemEnabled(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return data_[std::size_t(Index)].Enabled;
}

void TCheckListBox::SetItemEnabled(int Index, bool v) {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  if (data_[std::size_t(Index)].Enabled == v) return;
  data_[std::size_t(Index)].Enabled = v;
  InvalidateItem(Index);
}

void TCheckListBox::SetFlat(bool v) {
  if (v == flat_) return;
  flat_ = v;
  Invalidate();
}

void TCheckListBox::ToggleCheck(int Index) {
  if (Index < 0 || Index >= Count() || !data_[std::size_t(Index)].Enabled) return;
  TCheckBoxState s = data_[std::size_t(Index)].State;
  switch (s) {
    case cbUnchecked: s = allowGrayed_ ? cbGrayed : cbChecked; break;
    case cbGrayed: s = cbChecked; break;
    case cbChecked: s = cbUnchecked; break;
  }
  SetState(Index, s);
  if (OnClickCheck) OnClickCheck(this);
}

void TCheckListBox::PaintItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  TCanvas* c = Canvas();
  TRect box{Rect.Left, Rect.Top, Rect.Left + CheckWidth(), Rect.Bottom};
  c->Brush()->SetColor(Color());
  c->FillRect(box);
  const TItem& item = data_[std::size_t(Index)];
  const TCheckGlyphState g = item.State == cbChecked ? cgsChecked : item.State == cbGrayed ? cgsGrayed : cgsUnchecked;
  const int x = box.Left + kCheckMargin, y = box.Top + (box.Height() - CheckGlyphSize) / 2;
  HDC dc = c->Handle();
  DrawCheckGlyph(dc, x, y, g, item.Enabled && Enabled());
  if (flat_) {
    // A flat box: the sunken well's outer ring becomes one shadow-coloured line.
    HBRUSH b = CreateSolidBrush(ClassicRGB(clBtnShadow));
    TRect ring{x, y, x + CheckGlyphSize, y + CheckGlyphSize};
    FrameRect(dc, &ring, b);
    DeleteObject(b);
  }
  TRect rest{box.Right, Rect.Top, Rect.Right, Rect.Bottom};
  TOwnerDrawState st = State;
  if (!item.Enabled) st |= odDisabled;
  TCustomListBox::PaintItem(Index, rest, st);
}

void TCheckListBox::ListKeyDown(Word Key, TShiftState Shift) {
  if (Key == VK_SPACE && !MultiSelect() && caret_ >= 0) {
    ToggleCheck(caret_);
    return;
  }
  TCustomListBox::ListKeyDown(Key, Shift);
}

void TCheckListBox::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) {
    const TPoint p = Message.Pos();
    const int index = ItemAtPos(p, true);
    auto alive = AliveToken();
    TCustomListBox::Dispatch(Message);
    if (!*alive || index < 0) return;
    const TRect r = ItemRect(index);
    if (p.X >= r.Left && p.X < r.Left + CheckWidth()) ToggleCheck(index);
    return;
  }
  TCustomListBox::Dispatch(Message);
}
