// WM_PRINT's default: the window drawn into a caller's DC whose origin is
// the window's top-left corner. The frame is the default one; the client
// area is drawn by WM_ERASEBKGND and WM_PRINTCLIENT at its offset inside the
// window, each child below it clipped to its own rectangle, bottom-most
// child first. Owned windows (PRF_OWNED) are not drawn.
#include "platform/gdi/Gdi.h"
#include "platform/user/input/MessageQueue.h"
#include "platform/user/nonclient/NonClient.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowInternal.h"

void DefaultPrint(WND* w, HDC dc, LPARAM flags) {
  if (!dc || ((flags & PRF_CHECKVISIBLE) && !IsWindowVisible(HandleOf(w)))) return;
  TWindowPin pin(w);
  if (flags & PRF_NONCLIENT) {
    int saved = SaveDC(dc);
    DrawDefaultFrame(w, dc);
    RestoreDC(dc, saved);
  }
  const POINT co{w->client.Left - w->rect.Left, w->client.Top - w->rect.Top};
  if (flags & (PRF_ERASEBKGND | PRF_CLIENT)) {
    int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, co.X, co.Y, nullptr);
    IntersectClipRect(dc, 0, 0, w->client.Width(), w->client.Height());
    if (flags & PRF_ERASEBKGND) SendMessage(HandleOf(w), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    if ((flags & PRF_CLIENT) && !w->dead) SendMessage(HandleOf(w), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), flags);
    RestoreDC(dc, saved);
  }
  if (!(flags & PRF_CHILDREN) || w->dead) return;
  std::vector<WND*> kids = w->children;
  for (auto it = kids.rbegin(); it != kids.rend(); ++it) {
    WND* c = *it;
    if (!IsLive(c) || !(c->style & WS_VISIBLE)) continue;
    int saved = SaveDC(dc);
    IntersectClipRect(dc, co.X, co.Y, co.X + w->client.Width(), co.Y + w->client.Height());
    OffsetViewportOrgEx(dc, co.X + c->rect.Left, co.Y + c->rect.Top, nullptr);
    IntersectClipRect(dc, 0, 0, c->rect.Width(), c->rect.Height());
    SendMessage(HandleOf(c), WM_PRINT, reinterpret_cast<WPARAM>(dc), flags);
    RestoreDC(dc, saved);
    if (w->dead) return;
  }
}
