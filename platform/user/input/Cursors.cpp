#include "platform/user/input/Cursors.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Icon.h"
#include "platform/rtl/Exceptions.h"
#include "platform/user/input/Input.h"
#include "platform/user/system/SysMetrics.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

HCURSOR g_current = nullptr;
int g_showCount = 0;
std::optional<RECT> g_cursorClip;

constexpr int kStockSize = 32;
constexpr std::uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;

// A shared 32 x 32 picture, fully transparent until drawn on.
GdiIcon* NewStock(bool isIcon, int systemId, POINT hotSpot) {
  auto icon = std::make_unique<GdiIcon>();
  icon->isIcon = isIcon;
  icon->systemId = systemId;
  icon->hotSpot = hotSpot;
  icon->width = icon->height = kStockSize;
  icon->stock = true;  // DestroyCursor / DestroyIcon leave it alone
  icon->color.assign(kStockSize * kStockSize, 0);
  icon->mask.assign(kStockSize * kStockSize, 1);
  GdiIcon* raw = icon.release();
  GdiAddIcon(raw);
  return raw;
}

void Put(GdiIcon* icon, int x, int y, std::uint32_t rgb) {
  if (x < 0 || y < 0 || x >= icon->width || y >= icon->height) return;
  const std::size_t i = std::size_t(y) * std::size_t(icon->width) + std::size_t(x);
  icon->mask[i] = 0;
  icon->color[i] = rgb;
}

void Fill(GdiIcon* icon, int x0, int y0, int x1, int y1, std::uint32_t rgb) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) Put(icon, x, y, rgb);
}

// Pixels whose centre lies within radius r of (16, 16).
void Disc(GdiIcon* icon, int r, std::uint32_t rgb) {
  for (int y = 0; y < kStockSize; ++y)
    for (int x = 0; x < kStockSize; ++x) {
      const int dx = 2 * x + 1 - kStockSize, dy = 2 * y + 1 - kStockSize;
      if (dx * dx + dy * dy <= 4 * r * r) Put(icon, x, y, rgb);
    }
}

POINT CursorHotSpot(int id) {
  switch (id) {
    case IDC_ARROW: case IDC_APPSTARTING: case IDC_HELP: return POINT{0, 0};
    case IDC_UPARROW: return POINT{16, 0};
    case IDC_HAND: return POINT{6, 0};
  }
  return POINT{16, 16};
}

// Plain pictures: an arrow for the pointing cursors, a cross through the
// hot spot for the others.
void DrawCursor(GdiIcon* c, int id) {
  const POINT h = c->hotSpot;
  if (h.X == 0 && h.Y == 0) {
    for (int y = 0; y < 17; ++y)
      for (int x = 0; x <= y / 2 + 1 && x < 12; ++x)
        Put(c, x, y, (x == 0 || x == y / 2 + 1 || y == 16) ? kBlack : kWhite);
    return;
  }
  (void)id;
  Fill(c, h.X - 8, h.Y - 1, h.X + 9, h.Y + 2, kWhite);
  Fill(c, h.X - 1, h.Y - 8, h.X + 2, h.Y + 9, kWhite);
  Fill(c, h.X - 7, h.Y, h.X + 8, h.Y + 1, kBlack);
  Fill(c, h.X, h.Y - 7, h.X + 1, h.Y + 8, kBlack);
}

void DrawStockIcon(GdiIcon* icon, int id) {
  switch (id) {
    case IDI_HAND:  // a red disc with a white cross
      Disc(icon, 15, 0xC00000);
      for (int i = -6; i <= 6; ++i)
        for (int t = -1; t <= 1; ++t) {
          Put(icon, 16 + i + t, 16 + i, kWhite);
          Put(icon, 16 + i + t, 15 - i, kWhite);
        }
      break;
    case IDI_QUESTION:  // a blue disc with a white question mark
      Disc(icon, 15, 0x0050C0);
      Fill(icon, 11, 7, 21, 10, kWhite);
      Fill(icon, 18, 10, 21, 15, kWhite);
      Fill(icon, 14, 14, 21, 17, kWhite);
      Fill(icon, 14, 17, 17, 20, kWhite);
      Fill(icon, 14, 22, 17, 25, kWhite);
      break;
    case IDI_EXCLAMATION:  // a yellow triangle with a black bar and dot
      for (int y = 2; y < 30; ++y) {
        const int half = (y - 2) / 2 + 1;
        Fill(icon, 16 - half, y, 16 + half, y + 1, 0xF0C000);
      }
      Fill(icon, 15, 10, 17, 21, kBlack);
      Fill(icon, 15, 24, 17, 26, kBlack);
      break;
    case IDI_ASTERISK:  // a blue disc with a white "i"
      Disc(icon, 15, 0x0050C0);
      Fill(icon, 14, 7, 18, 11, kWhite);
      Fill(icon, 14, 13, 18, 25, kWhite);
      break;
    case IDI_SHIELD:  // a blue shield
      for (int y = 3; y < 30; ++y) {
        const int inset = y < 16 ? 0 : (y - 16);
        Fill(icon, 4 + inset, y, 28 - inset, y + 1, 0x2060C0);
      }
      break;
    default:  // IDI_APPLICATION, IDI_WINLOGO: a window with a title bar
      Fill(icon, 2, 4, 30, 28, kBlack);
      Fill(icon, 3, 5, 29, 10, 0x000080);
      Fill(icon, 3, 10, 29, 27, kWhite);
      break;
  }
}

std::mutex g_stockLock;

GdiIcon* Stock(std::map<int, GdiIcon*>& table, int id, bool isIcon) {
  std::lock_guard<std::mutex> lock(g_stockLock);
  GdiIcon*& slot = table[id];
  if (!slot) {
    slot = NewStock(isIcon, isIcon ? 0 : id, isIcon ? POINT{16, 16} : CursorHotSpot(id));
    if (isIcon) DrawStockIcon(slot, id);
    else DrawCursor(slot, id);
  }
  return slot;
}

int ResourceId(HINSTANCE instance, const char* name) {
  auto id = reinterpret_cast<std::uintptr_t>(name);
  return (instance || id == 0 || id > 0xFFFF) ? 0 : int(id);
}

RECT VirtualScreen() {
  return Bounds(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

}  // namespace

HCURSOR LoadCursor(HINSTANCE instance, const char* name) {
  // Never freed: shared for the process, and still reachable at exit.
  static auto* system = new std::map<int, GdiIcon*>;
  const int id = ResourceId(instance, name);
  switch (id) {
    case IDC_ARROW: case IDC_IBEAM: case IDC_WAIT: case IDC_CROSS: case IDC_UPARROW: case IDC_SIZENWSE:
    case IDC_SIZENESW: case IDC_SIZEWE: case IDC_SIZENS: case IDC_SIZEALL: case IDC_NO: case IDC_HAND:
    case IDC_APPSTARTING: case IDC_HELP: break;
    default: return nullptr;
  }
  return Stock(*system, id, false)->handle;
}

HICON LoadIcon(HINSTANCE instance, const char* name) {
  static auto* icons = new std::map<int, GdiIcon*>;
  const int id = ResourceId(instance, name);
  if (id < IDI_APPLICATION || id > IDI_SHIELD) return nullptr;
  return Stock(*icons, id == IDI_WINLOGO ? IDI_APPLICATION : id, true)->handle;
}

HCURSOR LoadCursorFromFile(const char* fileName) {
  if (!fileName || !*fileName) return nullptr;
  try {
    TIcon file;
    file.LoadFromFile(fileName);
    if (file.Empty()) return nullptr;
    HCURSOR h = file.ReleaseHandle();
    GdiIcon* c = GdiIconFromHandle(h);
    if (!c) return nullptr;
    if (c->isIcon) {
      // An .ico file loads as a cursor pointing at its centre.
      c->isIcon = false;
    }
    return h;
  } catch (const std::exception&) {
    return nullptr;
  }
}

HCURSOR CreateCursor(HINSTANCE, int xHot, int yHot, int width, int height, const void* andPlane,
                     const void* xorPlane) {
  if (!andPlane || !xorPlane || width <= 0 || height <= 0 || width > 256 || height > 256) return nullptr;
  const std::size_t rowBytes = std::size_t((width + 15) / 16) * 2;
  const std::size_t plane = rowBytes * std::size_t(height);
  std::vector<Byte> bits(2 * plane);
  std::copy_n(static_cast<const Byte*>(andPlane), plane, bits.begin());
  std::copy_n(static_cast<const Byte*>(xorPlane), plane, bits.begin() + std::ptrdiff_t(plane));
  HBITMAP mask = CreateBitmap(width, 2 * height, 1, 1, bits.data());
  if (!mask) return nullptr;
  ICONINFO ii;
  ii.fIcon = FALSE;
  ii.xHotspot = DWORD(std::clamp(xHot, 0, width - 1));
  ii.yHotspot = DWORD(std::clamp(yHot, 0, height - 1));
  ii.hbmMask = mask;
  HCURSOR c = CreateIconIndirect(&ii);
  DeleteObject(mask);
  return c;
}

BOOL DestroyCursor(HCURSOR cursor) {
  if (cursor && cursor == g_current) g_current = nullptr;  // never left pointing at freed memory
  GdiIcon* icon = GdiIconFromHandle(cursor);
  if (TDisplay* d = CurrentDisplay(); d && icon && !icon->stock) d->CursorDestroyed(cursor);
  return DestroyIcon(cursor);
}

HCURSOR CopyCursor(HCURSOR cursor) { return CopyIcon(cursor); }

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old = g_current;
  g_current = cursor;
  if (TDisplay* d = CurrentDisplay(); d && cursor != old) d->CursorChanged();
  return old;
}

HCURSOR GetCursor() { return g_current; }

int ShowCursor(BOOL show) {
  const bool wasVisible = g_showCount >= 0;
  const int count = show ? ++g_showCount : --g_showCount;
  if (TDisplay* d = CurrentDisplay(); d && wasVisible != (count >= 0)) d->SetCursorVisible(count >= 0);
  return count;
}

BOOL ClipCursor(const RECT* r) {
  if (!r) {
    g_cursorClip.reset();
    return TRUE;
  }
  const RECT screen = VirtualScreen();
  RECT c{std::max(r->Left, screen.Left), std::max(r->Top, screen.Top), std::min(r->Right, screen.Right),
         std::min(r->Bottom, screen.Bottom)};
  if (c.Right <= c.Left || c.Bottom <= c.Top) return FALSE;
  g_cursorClip = c;
  // The pointer moves inside at once.
  const POINT p = InputCursorPos();
  if (ClampToCursorClip(p) != p) InputMouseMove(p);
  return TRUE;
}

BOOL GetClipCursor(RECT* r) {
  if (!r) return FALSE;
  *r = g_cursorClip ? *g_cursorClip : VirtualScreen();
  return TRUE;
}

POINT ClampToCursorClip(POINT p) {
  if (!g_cursorClip) return p;
  return POINT{std::clamp(p.X, g_cursorClip->Left, g_cursorClip->Right - 1), std::clamp(p.Y, g_cursorClip->Top, g_cursorClip->Bottom - 1)};
}

bool IconToArgb(HICON icon, std::vector<std::uint32_t>& out, int& width, int& height) {
  GdiIcon* i = GdiIconFromHandle(icon);
  if (!i || i->width <= 0 || i->height <= 0) return false;
  width = i->width;
  height = i->height;
  out.resize(i->color.size());
  for (std::size_t k = 0; k < out.size(); ++k) {
    const std::uint32_t c = i->color[k];
    if (i->hasAlpha) out[k] = c;
    else out[k] = i->mask[k] ? 0u : (c | 0xFF000000u);  // masked pixels are clear
  }
  return true;
}

void PassIconToDisplay(WND* w) {
  TDisplay* d = CurrentDisplay();
  if (!d || w->IsChild() || !w->native) return;
  std::vector<std::uint32_t> argb;
  int width = 0, height = 0;
  if (!IconToArgb(w->bigIcon, argb, width, height)) {
    d->SetIcon(w->native, nullptr);
    return;
  }
  Surface s;
  s.top = reinterpret_cast<Byte*>(argb.data());
  s.pitch = std::ptrdiff_t(width) * 4;
  s.width = width;
  s.height = height;
  d->SetIcon(w->native, &s);
}

int CursorForHitTest(int hit) {
  switch (hit) {
    case HTLEFT: case HTRIGHT: return IDC_SIZEWE;
    case HTTOP: case HTBOTTOM: return IDC_SIZENS;
    case HTTOPLEFT: case HTBOTTOMRIGHT: return IDC_SIZENWSE;
    case HTTOPRIGHT: case HTBOTTOMLEFT: return IDC_SIZENESW;
    case HTCLIENT: return 0;
  }
  return IDC_ARROW;
}
