// Finding an item by the text typed over a list: one rule for the list box
// and the list view, so both find the same item for the same keys.
//
// Texts are UTF-8 and compared by code points with case folded as
// AnsiSameText folds it (ASCII, Latin-1 and the other cased letters);
// Chinese text matches by its plain prefix.
#pragma once
#include <string_view>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/SysUtils.h"

// True when Text starts with Prefix, ignoring case. An empty Prefix matches.
inline bool StartsWithIgnoringCase(std::string_view Text, std::string_view Prefix) {
  // Case pairs may differ in byte length, so the head of Text is cut by
  // code points, an invalid byte counting as one.
  std::size_t i = 0, j = 0;
  while (j < Prefix.size()) {
    if (i >= Text.size()) return false;
    char32_t cp;
    const std::size_t n = DecodeUtf8Char(Prefix, j, cp);
    j += n ? n : 1;
    const std::size_t m = DecodeUtf8Char(Text, i, cp);
    i += m ? m : 1;
  }
  return AnsiSameText(Text.substr(0, i), Prefix);
}

// The index of the first of Count items whose text (TextOf(index)) starts
// with Prefix, looking from Start (taken round into range) to the end and
// then from the top; -1 when none does or Prefix is empty.
template <class TextOf>
int FindItemByPrefix(int Count, int Start, std::string_view Prefix, TextOf&& textOf) {
  if (Count <= 0 || Prefix.empty()) return -1;
  Start %= Count;
  if (Start < 0) Start += Count;
  for (int k = 0; k < Count; ++k) {
    const int i = (Start + k) % Count;
    if (StartsWithIgnoringCase(textOf(i), Prefix)) return i;
  }
  return -1;
}
