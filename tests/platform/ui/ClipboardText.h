// Reads and writes the clipboard's text for tests of controls that cut,
// copy and paste.
#pragma once
#include <cstring>
#include <string>

#include "platform/user/User.h"

// Replaces the clipboard's content with s (an empty clipboard for nullptr).
inline bool PutClipboardText(const char* s) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  if (s) {
    const std::size_t n = std::strlen(s) + 1;
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, n);
    std::memcpy(GlobalLock(g), s, n);
    GlobalUnlock(g);
    SetClipboardData(CF_TEXT, g);
  }
  CloseClipboard();
  return true;
}

// The clipboard's text, "" when it holds none, "<busy>" when it cannot be opened.
inline std::string ClipboardText() {
  if (!OpenClipboard(nullptr)) return "<busy>";
  std::string s;
  if (HANDLE g = GetClipboardData(CF_TEXT)) {
    s = static_cast<const char*>(GlobalLock(g));
    GlobalUnlock(g);
  }
  CloseClipboard();
  return s;
}
