// Notification-area icons: the table of shown icons and the hand-over to
// the display.
#include "platform/user/system/NotifyIcon.h"

#include <cstring>
#include <map>
#include <utility>

#include "platform/user/input/MessageQueue.h"
#include "platform/user/system/Display.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

using TNotifyKey = std::pair<HWND, UINT>;

// The icons shown, with the display that shows them: a display replaced
// since (a new back end) knows none of them.
struct TNotifyEntry {
  TDisplay* display = nullptr;
  TTrayIconRec rec;
};

std::map<TNotifyKey, TNotifyEntry>& NotifyIcons() {
  static std::map<TNotifyKey, TNotifyEntry> icons;
  return icons;
}

void NotifyApply(TTrayIconRec& rec, const NOTIFYICONDATAA& d) {
  if (d.uFlags & NIF_MESSAGE) rec.callbackMessage = d.uCallbackMessage;
  if (d.uFlags & NIF_TIP) rec.tip.assign(d.szTip, strnlen(d.szTip, sizeof(d.szTip) - 1));
  if (d.uFlags & NIF_ICON) {
    rec.argb.clear();
    rec.width = rec.height = 0;
    if (!d.hIcon || !IconToArgb(d.hIcon, rec.argb, rec.width, rec.height)) {
      rec.argb.clear();
      rec.width = rec.height = 0;
    }
  }
}

}  // namespace

BOOL Shell_NotifyIconA(DWORD message, const NOTIFYICONDATAA* data) {
  if (!data || !data->hWnd) return FALSE;
  TDisplay* display = CurrentDisplay();
  auto& icons = NotifyIcons();
  const TNotifyKey key{data->hWnd, data->uID};
  auto it = icons.find(key);
  if (it != icons.end() && it->second.display != display) {
    icons.erase(it);
    it = icons.end();
  }
  switch (message) {
    case NIM_ADD: {
      if (it != icons.end() || !display) return FALSE;
      TTrayIconRec rec;
      rec.hwnd = data->hWnd;
      rec.id = data->uID;
      NotifyApply(rec, *data);
      if (!display->TrayIcon(TTrayOp::Add, rec)) return FALSE;
      icons.emplace(key, TNotifyEntry{display, std::move(rec)});
      return TRUE;
    }
    case NIM_MODIFY: {
      if (it == icons.end() || !display) return FALSE;
      TTrayIconRec rec = it->second.rec;
      NotifyApply(rec, *data);
      if (!display->TrayIcon(TTrayOp::Modify, rec)) return FALSE;
      it->second.rec = std::move(rec);
      return TRUE;
    }
    case NIM_DELETE: {
      if (it == icons.end()) return FALSE;
      const TTrayIconRec rec = std::move(it->second.rec);
      icons.erase(it);
      return display && display->TrayIcon(TTrayOp::Delete, rec) ? TRUE : FALSE;
    }
    default: return FALSE;
  }
}

void NotifyAreaRestarted() {
  NotifyIcons().clear();
  SendMessage(HWND_BROADCAST, RegisterWindowMessage(kTaskbarCreatedMessage), 0, 0);
}
