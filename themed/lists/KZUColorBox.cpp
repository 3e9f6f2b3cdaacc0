#include "themed/lists/KZUColorBox.h"

#include <cstdint>
#include <cstdio>

#include "platform/graphics/Canvas.h"
#include "platform/rtl/StockTexts.h"
#include "platform/ui/dialogs/ColorDialog.h"

namespace {

constexpr int ColorBoxStandardCount = 16;
constexpr int ColorBoxExtendedEnd = 20;
constexpr int ColorBoxBrightComponent = 192;

TObject* ColorBoxObject(TColor c) { return reinterpret_cast<TObject*>(std::uintptr_t(std::uint32_t(c))); }
TColor ColorBoxColorOf(TObject* o) { return TColor(std::uint32_t(reinterpret_cast<std::uintptr_t>(o))); }

}  // namespace

std::string PrettyColorName(const std::string& constantName) {
  std::string n = constantName.rfind("cl", 0) == 0 ? constantName.substr(2) : constantName;
  std::string out;
  for (std::size_t i = 0; i < n.size(); ++i) {
    if (i > 0 && n[i] >= 'A' && n[i] <= 'Z') out += ' ';
    out += n[i];
  }
  return out;
}

TkzuCustomColorBox::TkzuCustomColorBox(TComponent* AOwner) : TkzuCustomComboBox(AOwner) {
  TkzuCustomComboBox::SetStyle(csOwnerDrawFixed);
  PopulateList();
}

TColor TkzuCustomColorBox::Colors(int i) const { return ColorBoxColorOf(Items()->Objects(i)); }

void TkzuCustomColorBox::SetItemColor(int i, TColor c) { Items()->PutObject(i, ColorBoxObject(c)); }

void TkzuCustomColorBox::CreateWnd() {
  TkzuCustomComboBox::CreateWnd();
  if (refillPending_) PopulateList();
}

void TkzuCustomColorBox::PopulateList() {
  if (!HandleAllocated()) {
    refillPending_ = true;
    return;
  }
  refillPending_ = false;
  TStrings* items = Items();
  items->BeginUpdate();
  // An empty list has no custom colour to keep: it starts as the selection.
  TColor custom = selected_ == kzuNoColor ? clBlack : selected_;
  if ((style_ & cbCustomColor) && items->Count() > 0 && Colors(0) != kzuNoColor) custom = Colors(0);
  // The first fill selects what was asked for before the window existed.
  const TColor keep = items->Count() == 0 ? selected_ : Selected();
  items->Clear();
  int noneAt = -1, defaultAt = -1;
  for (int i = 0; i < ColorNameCount; ++i) {
    const std::string name = (style_ & cbPrettyNames) ? PrettyColorName(::ColorNames[i].Name) : ::ColorNames[i].Name;
    const int at = items->AddObject(name, ColorBoxObject(::ColorNames[i].Value));
    if (::ColorNames[i].Value == clNone) noneAt = at;
    if (::ColorNames[i].Value == clDefault) defaultAt = at;
  }
  // None and default are kept by their own flags, whatever ranges go.
  std::string noneName, defaultName;
  if (defaultAt >= 0) defaultName = items->Strings(defaultAt);
  if (noneAt >= 0) noneName = items->Strings(noneAt);
  if (defaultAt > noneAt) {
    items->Delete(defaultAt);
    items->Delete(noneAt);
  } else {
    items->Delete(noneAt);
    items->Delete(defaultAt);
  }
  if (!(style_ & cbSystemColors))
    while (items->Count() > ColorBoxExtendedEnd) items->Delete(items->Count() - 1);
  if (!(style_ & cbExtendedColors))
    for (int i = ColorBoxExtendedEnd - 1; i >= ColorBoxStandardCount; --i)
      if (i < items->Count()) items->Delete(i);
  if (!(style_ & cbStandardColors))
    for (int i = ColorBoxStandardCount - 1; i >= 0; --i)
      if (i < items->Count()) items->Delete(i);
  if (style_ & cbIncludeNone) items->AddObject(noneName, ColorBoxObject(clNone));
  if (style_ & cbIncludeDefault) items->AddObject(defaultName, ColorBoxObject(clDefault));
  if (style_ & cbCustomColor) items->InsertObject(0, StockText("Custom..."), ColorBoxObject(custom));
  items->EndUpdate();
  SetSelected(keep);
}

TColor TkzuCustomColorBox::Selected() const {
  if (!HandleAllocated()) return selected_;
  const int i = ItemIndex();
  return i < 0 ? kzuNoColor : Colors(i);
}

void TkzuCustomColorBox::SetSelected(TColor v) {
  selected_ = v;
  if (!HandleAllocated()) return;
  const int start = (style_ & cbCustomColor) ? 1 : 0;
  for (int i = start; i < Items()->Count(); ++i)
    if (Colors(i) == v) {
      SetItemIndex(i);
      return;
    }
  if ((style_ & cbCustomColor) && v != kzuNoColor && Items()->Count() > 0) {
    SetItemColor(0, v);
    SetItemIndex(0);
    Invalidate();
    return;
  }
  SetItemIndex(-1);
}

void TkzuCustomColorBox::SetStyle(TColorBoxStyles v) {
  if (v == style_) return;
  style_ = v;
  SetEnabled((v & (cbStandardColors | cbExtendedColors | cbSystemColors | cbCustomColor)) != 0);
  PopulateList();
  if (HandleAllocated() && Items()->Count() > 0 && ItemIndex() < 0) SetItemIndex(0);
}

void TkzuCustomColorBox::SetDefaultColorColor(TColor v) {
  if (v == defaultColorColor_) return;
  defaultColorColor_ = v;
  Invalidate();
}

void TkzuCustomColorBox::SetNoneColorColor(TColor v) {
  if (v == noneColorColor_) return;
  noneColorColor_ = v;
  Invalidate();
}

void TkzuCustomColorBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  TCanvas* c = Canvas();
  c->FillRect(Rect);
  if (Index < 0 || Index >= Items()->Count()) return;
  TColor colour = Colors(Index);
  if (colour == clDefault) colour = defaultColorColor_;
  if (colour == clNone) colour = noneColorColor_;
  const TColor saveBrush = c->Brush()->Color();
  const int side = Rect.Height();
  const TRect square{Rect.Left + 1, Rect.Top + 1, Rect.Left + side - 1, Rect.Bottom - 1};
  const std::int32_t rgb = ColorToRGB(colour) & 0xFFFFFF;
  const bool bright = (rgb & 0xFF) > ColorBoxBrightComponent || ((rgb >> 8) & 0xFF) > ColorBoxBrightComponent ||
                      ((rgb >> 16) & 0xFF) > ColorBoxBrightComponent;
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(colour);
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetColor(bright ? clBlack : (State & odSelected) ? clWhite : colour);
  c->Rectangle(square.Left, square.Top, square.Right, square.Bottom);
  c->Brush()->SetColor(saveBrush);
  c->Brush()->SetStyle(bsClear);
  const std::string& name = Items()->Strings(Index);
  c->TextOut(Rect.Left + side + 5, Rect.Top + (Rect.Height() - c->TextHeight(name)) / 2, name);
  c->Brush()->SetStyle(bsSolid);
}

bool TkzuCustomColorBox::PickCustomColor() {
  if (Items()->Count() == 0) return false;
  TColorDialog dialog(this);
  const TColor current = TColor(ColorToRGB(Colors(0)) & 0xFFFFFF);
  dialog.Color = current;
  char line[32];
  std::snprintf(line, sizeof line, "ColorA=%.8x", unsigned(current));
  dialog.CustomColors()->Add(line);
  if (!dialog.Execute()) return false;
  SetItemColor(0, dialog.Color);
  Invalidate();
  return true;
}

void TkzuCustomColorBox::CloseUp() {
  listPicked_ = true;
  TkzuCustomComboBox::CloseUp();
}

void TkzuCustomColorBox::Select() {
  if (listPicked_) {
    listPicked_ = false;
    if ((style_ & cbCustomColor) && ItemIndex() == 0 && !PickCustomColor()) return;
  }
  TkzuCustomComboBox::Select();
}

void TkzuCustomColorBox::KeyDown(Word& Key, TShiftState Shift) {
  if (Key == VK_RETURN && (style_ & cbCustomColor) && ItemIndex() == 0) {
    PickCustomColor();
    Key = 0;
    return;
  }
  TkzuCustomComboBox::KeyDown(Key, Shift);
}

void TkzuCustomColorBox::KeyPress(std::string& Key) {
  listPicked_ = false;
  TkzuCustomComboBox::KeyPress(Key);
}
