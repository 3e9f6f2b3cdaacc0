// The list box's shared internals: sizes and owner-draw state conversions.
#pragma once
#include "platform/ui/lists/ListBox.h"
#include "platform/ui/system/UiMessages.h"
#include "platform/user/User.h"

namespace listbox {

constexpr int kTextIndent = 2;
constexpr int kOwnerDrawDefaultHeight = 16;
constexpr int kMaxItemHeight = 32767;
constexpr int kWheelLines = 3;
// Scrolling while the button is held outside the items: the timer's id and
// its period.
constexpr UINT_PTR kAutoScrollTimer = 0x4C53;
constexpr UINT kAutoScrollMs = 50;

inline const char* TextParam(LPARAM lp) {
  const char* s = reinterpret_cast<const char*>(lp);
  return s ? s : "";
}

inline UINT OdsFromState(TOwnerDrawState s) {
  UINT r = 0;
  if (s & odSelected) r |= ODS_SELECTED;
  if (s & odDisabled) r |= ODS_DISABLED;
  if (s & odFocused) r |= ODS_FOCUS;
  if (s & odComboBoxEdit) r |= ODS_COMBOBOXEDIT;
  return r;
}

inline TOwnerDrawState StateFromOds(UINT s) {
  TOwnerDrawState r = 0;
  if (s & ODS_SELECTED) r |= odSelected;
  if (s & ODS_DISABLED) r |= odDisabled;
  if (s & ODS_FOCUS) r |= odFocused;
  if (s & ODS_COMBOBOXEDIT) r |= odComboBoxEdit;
  return r;
}

}  // namespace listbox
