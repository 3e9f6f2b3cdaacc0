// The list view's type-to-find: characters typed over the view select the
// item whose caption starts with them (the rule is ItemSearch.h's).
#include <algorithm>

#include "platform/rtl/Clock.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/lists/ItemSearch.h"
#include "platform/ui/lists/ListView.h"
#include "platform/user/User.h"

namespace {

// True when Text is one code point typed more than once.
bool RepeatsOneCharacter(const std::string& text, const std::string& one) {
  if (one.empty() || text.size() <= one.size() || text.size() % one.size() != 0) return false;
  for (std::size_t i = 0; i < text.size(); i += one.size())
    if (text.compare(i, one.size(), one) != 0) return false;
  return true;
}

}  // namespace

DWORD TListView::SearchTimeout() { return 2 * GetDoubleClickTime(); }

void TListView::KeyPress(std::string& Key) {
  auto alive = AliveToken();
  TCustomControl::KeyPress(Key);
  if (!*alive || Key.empty()) return;
  char32_t ch = 0;
  if (DecodeUtf8Char(Key, 0, ch) != 0) SearchChar(ch);
}

void TListView::SearchChar(char32_t Ch) {
  // The editor has the keys while a caption is edited; this is for
  // characters sent to the view itself meanwhile.
  if (Ch < 0x20 || Ch == 0x7F || IsEditing() || items_->Count() == 0) return;
  const DWORD now = GetTickCount();
  const bool extend = !search_.empty() && now - searchTick_ < SearchTimeout();
  searchTick_ = now;
  if (!extend && Ch == ' ') {
    search_.clear();  // Space selects the focused item (KeyDown); it starts no search
    return;
  }
  std::string typed;
  AppendUtf8(typed, Ch);
  search_ = extend ? search_ + typed : typed;

  const TListItem* focused = ItemFocused();
  const int cur = focused ? focused->Index() : -1;
  // The same character again steps on to the next item starting with it;
  // a longer text may still be the focused item's, so it is looked for
  // from there.
  const bool stepping = !extend || RepeatsOneCharacter(search_, typed);
  const std::string& text = stepping ? typed : search_;
  const int start = stepping ? cur + 1 : std::max(cur, 0);
  const int found = FindItemByPrefix(items_->Count(), start, text,
                                     [this](int i) -> const std::string& { return items_->Item(i)->caption_; });
  if (found < 0) {
    MessageBeep(0);
    return;
  }
  clickItem_ = nullptr;
  editing_.DisarmClick();
  // As the arrow keys select: the only selection, focused and in view.
  SelectOnly(items_->Item(found));
}
