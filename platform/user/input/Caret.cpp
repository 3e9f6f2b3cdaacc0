#include "platform/user/input/Caret.h"

#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/user/system/SysMetrics.h"
#include "platform/user/input/Timers.h"
#include "platform/user/windows/WindowInternal.h"

namespace {

constexpr std::uintptr_t kBlinkTimerId = 0xFFFCA12E;
constexpr UINT kNoBlink = 0xFFFFFFFF;

enum class TCaretKind { Solid, Grey, Bitmap };

struct TCaret {
  bool exists = false;
  WND* w = nullptr;
  HWND h = nullptr;  // read while w may be gone
  std::uint64_t serial = 0;
  TCaretKind kind = TCaretKind::Solid;
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> xorBits;  // bitmap carets: BGRX to XOR
  POINT pos{};
  int hidden = 1;
  bool on = false;  // in the visible half of a blink
};

TCaret g_caret;
UINT g_blinkMs = 530;

// The caret, or nullptr once its window is gone.
TCaret* LiveCaret() {
  if (!g_caret.exists) return nullptr;
  if (WindowSerial(g_caret.h) != g_caret.serial) {
    g_caret = TCaret{};
    return nullptr;
  }
  return &g_caret;
}

// The caret's pixels in its top-level surface, clipped to what is visible.
Region CaretArea(TCaret& c) {
  Region vis = VisibleRegion(c.w, true, (c.w->style & WS_CLIPCHILDREN) != 0, true);
  POINT o = WindowOriginInSurface(c.w);
  RECT r = Bounds(o.X + c.w->client.Left - c.w->rect.Left + c.pos.X, o.Y + c.w->client.Top - c.w->rect.Top + c.pos.Y,
                  c.width, c.height);
  vis.IntersectRect(r);
  return vis;
}

// Presents the caret's area again at the next idle moment.
void MarkDirty(TCaret& c) {
  WND* top = TopLevelOf(c.w);
  top->dirty = Region::Combine(top->dirty, CaretArea(c), Region::Op::Or);
}

void BlinkProc(HWND, UINT, std::uintptr_t, DWORD) {
  TCaret* c = LiveCaret();
  if (!c || c->hidden) return;
  c->on = !c->on;
  MarkDirty(*c);
}

void StartBlink(TCaret& c) {
  c.on = true;
  MarkDirty(c);
  if (g_blinkMs != kNoBlink) SetTimer(c.h, kBlinkTimerId, g_blinkMs, BlinkProc);
}

void StopBlink(TCaret& c) {
  MarkDirty(c);
  c.on = false;
  KillTimer(c.h, kBlinkTimerId);
}

bool Owns(const TCaret& c, HWND hwnd) { return !hwnd || hwnd == c.h; }

std::vector<std::uint32_t> BitmapXorBits(HBITMAP bm, int w, int h) {
  std::vector<std::uint32_t> bits(std::size_t(w) * std::size_t(h), 0);
  BITMAPINFO bmi;
  bmi.bmiHeader.biWidth = w;
  bmi.bmiHeader.biHeight = -h;  // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  HDC dc = CreateCompatibleDC(nullptr);
  GetDIBits(dc, bm, 0, UINT(h), bits.data(), &bmi, DIB_RGB_COLORS);
  DeleteDC(dc);
  for (std::uint32_t& p : bits) p &= 0xFFFFFF;
  return bits;
}

}  // namespace

BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height) {
  WND* w = LiveWindow(hwnd);
  if (!w) return FALSE;
  DestroyCaret();
  TCaret c;
  c.exists = true;
  c.w = w;
  c.h = w->handle;
  c.serial = w->serial;
  if (reinterpret_cast<std::uintptr_t>(bitmap) == 1) {
    c.kind = TCaretKind::Grey;
  } else if (bitmap) {
    BITMAP bm;
    if (!GetObject(bitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    c.kind = TCaretKind::Bitmap;
    width = bm.bmWidth;
    height = bm.bmHeight;
    c.xorBits = BitmapXorBits(bitmap, width, height);
  }
  c.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
  c.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
  g_caret = std::move(c);
  return TRUE;
}

BOOL DestroyCaret() {
  TCaret* c = LiveCaret();
  if (!c) return FALSE;
  StopBlink(*c);
  g_caret = TCaret{};
  return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
  TCaret* c = LiveCaret();
  if (!c || !Owns(*c, hwnd)) return FALSE;
  if (c->hidden > 0 && --c->hidden == 0) StartBlink(*c);
  return TRUE;
}

BOOL HideCaret(HWND hwnd) {
  TCaret* c = LiveCaret();
  if (!c || !Owns(*c, hwnd)) return FALSE;
  if (c->hidden++ == 0) StopBlink(*c);
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  TCaret* c = LiveCaret();
  if (!c) return FALSE;
  MarkDirty(*c);
  c->pos = POINT{x, y};
  // A moved caret shows at once and restarts its blink.
  if (!c->hidden) StartBlink(*c);
  return TRUE;
}

BOOL GetCaretPos(POINT* p) {
  TCaret* c = LiveCaret();
  if (!c || !p) return FALSE;
  *p = c->pos;
  return TRUE;
}

BOOL SetCaretBlinkTime(UINT ms) {
  if (ms == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  g_blinkMs = ms;
  if (TCaret* c = LiveCaret(); c && !c->hidden) {
    KillTimer(c->h, kBlinkTimerId);
    StartBlink(*c);
  }
  return TRUE;
}

UINT GetCaretBlinkTime() { return g_blinkMs; }

Region ToggleCaretOverlay(WND* top) {
  TCaret* c = LiveCaret();
  if (!c || !c->on || c->hidden || TopLevelOf(c->w) != top || !top->surface.Valid()) return Region();
  Region area = CaretArea(*c);
  POINT o = WindowOriginInSurface(c->w);
  const int left = o.X + c->w->client.Left - c->w->rect.Left + c->pos.X;
  const int topY = o.Y + c->w->client.Top - c->w->rect.Top + c->pos.Y;
  for (const RECT& r : area.Rects()) {
    for (int y = r.Top; y < r.Bottom; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(top->surface.Row(y));
      for (int x = r.Left; x < r.Right; ++x) {
        std::uint32_t mask = 0xFFFFFF;
        if (c->kind == TCaretKind::Grey) mask = ((x - left + y - topY) & 1) ? 0 : 0xFFFFFF;
        else if (c->kind == TCaretKind::Bitmap) mask = c->xorBits[std::size_t(y - topY) * std::size_t(c->width) + std::size_t(x - left)];
        row[x] ^= mask;
      }
    }
  }
  return area;
}
