#include "platform/user/system/Clipboard.h"

#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "platform/user/input/MessageQueue.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

struct TClipboard {
  bool open = false;
  HWND opener = nullptr;  // may be nullptr: opened for the task
  std::uint64_t openerSerial = 0;
  HWND owner = nullptr;
  std::uint64_t ownerSerial = 0;
  std::map<UINT, HGLOBAL> data;  // handles the clipboard owns, text included
};

TClipboard g_clip;
std::optional<std::string> g_noDisplayText;  // the text when no display is installed

bool IsText(UINT format) { return format == CF_TEXT || format == CF_UNICODETEXT || format == CF_OEMTEXT; }

std::optional<std::string> Text() {
  TDisplay* d = CurrentDisplay();
  return d ? d->GetClipboardText() : g_noDisplayText;
}

void SetText(const std::optional<std::string>& text) {
  if (TDisplay* d = CurrentDisplay()) d->SetClipboardText(text);
  else g_noDisplayText = text;
}

bool IsOpen() {
  // Closed with the window that opened it.
  if (g_clip.open && g_clip.opener && WindowSerial(g_clip.opener) != g_clip.openerSerial) g_clip.open = false;
  if (!g_clip.open) SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
  return g_clip.open;
}

void Drop(UINT format) {
  auto it = g_clip.data.find(format);
  if (it == g_clip.data.end()) return;
  GlobalFree(it->second);  // refused harmlessly if someone freed it already
  g_clip.data.erase(it);
}

// The text of a handle: up to the first NUL or the block's end.
std::string ReadText(HGLOBAL h) {
  std::size_t size = GlobalSize(h);
  const char* p = static_cast<const char*>(GlobalLock(h));
  if (!p) return std::string();
  std::string s(p, strnlen(p, size));
  GlobalUnlock(h);
  return s;
}

HGLOBAL MakeText(const std::string& s) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, s.size() + 1);
  char* p = static_cast<char*>(GlobalLock(h));
  std::memcpy(p, s.c_str(), s.size() + 1);
  GlobalUnlock(h);
  return h;
}

bool Available(UINT format) {
  if (IsText(format)) return Text().has_value();
  return g_clip.data.count(format) != 0;
}

}  // namespace

BOOL OpenClipboard(HWND hwnd) {
  if (hwnd && !LiveWindow(hwnd)) return FALSE;
  if (g_clip.open && g_clip.opener && WindowSerial(g_clip.opener) != g_clip.openerSerial) g_clip.open = false;
  if (g_clip.open && g_clip.opener != hwnd) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  g_clip.open = true;
  g_clip.opener = hwnd;
  g_clip.openerSerial = hwnd ? WindowSerial(hwnd) : 0;
  return TRUE;
}

BOOL CloseClipboard() {
  if (!IsOpen()) return FALSE;
  g_clip.open = false;
  g_clip.opener = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  if (!IsOpen()) return FALSE;
  HWND old = GetClipboardOwner();
  if (old && old != g_clip.opener) SendMessage(old, WM_DESTROYCLIPBOARD, 0, 0);
  while (!g_clip.data.empty()) Drop(g_clip.data.begin()->first);
  SetText(std::nullopt);
  g_clip.owner = g_clip.opener;
  g_clip.ownerSerial = g_clip.openerSerial;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE hMem) {
  if (!IsOpen() || format == 0) return nullptr;
  if (hMem && GlobalFlags(hMem) == GMEM_INVALID_HANDLE) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (IsText(format)) {
    // One text in the display; each text format keeps at most one handle.
    for (UINT f : {CF_TEXT, CF_UNICODETEXT, CF_OEMTEXT}) Drop(f);
    SetText(hMem ? std::optional<std::string>(ReadText(hMem)) : std::nullopt);
  } else {
    Drop(format);
  }
  if (hMem) g_clip.data[format] = hMem;
  return hMem;
}

HANDLE GetClipboardData(UINT format) {
  if (!IsOpen()) return nullptr;
  if (!IsText(format)) {
    auto it = g_clip.data.find(format);
    return it == g_clip.data.end() ? nullptr : it->second;
  }
  std::optional<std::string> text = Text();
  if (!text) return nullptr;
  // Reuse the handle while it is live and still says the same.
  auto it = g_clip.data.find(format);
  if (it != g_clip.data.end() && GlobalFlags(it->second) != GMEM_INVALID_HANDLE && ReadText(it->second) == *text)
    return it->second;
  Drop(format);
  return g_clip.data[format] = MakeText(*text);
}

BOOL IsClipboardFormatAvailable(UINT format) { return Available(format) ? TRUE : FALSE; }

int CountClipboardFormats() {
  int n = Text() ? 2 : 0;  // CF_TEXT and CF_UNICODETEXT
  for (auto& [format, h] : g_clip.data)
    if (!IsText(format)) ++n;
  return n;
}

UINT EnumClipboardFormats(UINT format) {
  if (!IsOpen()) return 0;
  std::map<UINT, bool> formats;
  if (Text()) formats[CF_TEXT] = formats[CF_UNICODETEXT] = true;
  for (auto& [f, h] : g_clip.data)
    if (!IsText(f)) formats[f] = true;
  auto it = formats.upper_bound(format);
  SetLastError(0);
  return it == formats.end() ? 0 : it->first;
}

HWND GetClipboardOwner() {
  if (g_clip.owner && WindowSerial(g_clip.owner) != g_clip.ownerSerial) g_clip.owner = nullptr;
  return g_clip.owner;
}

HWND GetOpenClipboardWindow() {
  if (!g_clip.open) return nullptr;
  if (g_clip.opener && WindowSerial(g_clip.opener) != g_clip.openerSerial) g_clip.open = false;
  return g_clip.open ? g_clip.opener : nullptr;
}
