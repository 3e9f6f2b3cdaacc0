#include "platform/user/system/SysMetrics.h"

#include "platform/gdi/Gdi.h"
#include "platform/graphics/SysColors.h"
#include "platform/user/system/Monitors.h"

namespace {
int g_beeps = 0;

RECT PrimaryMonitor(bool work) {
  MONITORINFO mi;
  GetMonitorInfo(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
  return work ? mi.rcWork : mi.rcMonitor;
}

struct TVirtualScreen {
  RECT r{};
  int count = 0;
};

BOOL Accumulate(HMONITOR, HDC, RECT* r, LPARAM lp) {
  auto* v = reinterpret_cast<TVirtualScreen*>(lp);
  if (v->count++ == 0) {
    v->r = *r;
  } else {
    v->r.Left = std::min(v->r.Left, r->Left);
    v->r.Top = std::min(v->r.Top, r->Top);
    v->r.Right = std::max(v->r.Right, r->Right);
    v->r.Bottom = std::max(v->r.Bottom, r->Bottom);
  }
  return TRUE;
}

TVirtualScreen MonitorUnion() {
  TVirtualScreen v;
  EnumDisplayMonitors(nullptr, nullptr, Accumulate, reinterpret_cast<LPARAM>(&v));
  return v;
}
}  // namespace

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN: return PrimaryMonitor(false).Width();
    case SM_CYSCREEN: return PrimaryMonitor(false).Height();
    case SM_CXFULLSCREEN: return PrimaryMonitor(true).Width();
    case SM_CYFULLSCREEN: return PrimaryMonitor(true).Height() - 23;
    case SM_CXMAXIMIZED: return PrimaryMonitor(true).Width() + 16;
    case SM_CYMAXIMIZED: return PrimaryMonitor(true).Height() + 16;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL: return 17;
    case SM_CYVTHUMB: case SM_CXHTHUMB: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CYSMCAPTION: return 19;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 8;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CYMENU: return 20;
    case SM_CXSIZE: case SM_CYSIZE: return 23;
    case SM_CXMIN: return 136;
    case SM_CYMIN: return 39;
    case SM_CXMINTRACK: return 136;
    case SM_CYMINTRACK: return 39;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXMOUSEHOVER: case SM_CYMOUSEHOVER: return 4;
    case SM_SWAPBUTTON: return 0;
    case SM_CMONITORS: return MonitorUnion().count;
    case SM_XVIRTUALSCREEN: return MonitorUnion().r.Left;
    case SM_YVIRTUALSCREEN: return MonitorUnion().r.Top;
    case SM_CXVIRTUALSCREEN: return MonitorUnion().r.Width();
    case SM_CYVIRTUALSCREEN: return MonitorUnion().r.Height();
  }
  return 0;
}

COLORREF GetSysColor(int index) { return SysColorToRGB(index); }

HBRUSH GetSysColorBrush(int index) {
  static HBRUSH brushes[SysColorCount] = {};
  if (index < 0 || index >= SysColorCount) return nullptr;
  if (!brushes[index]) brushes[index] = CreateSolidBrush(SysColorToRGB(index));
  return brushes[index];
}

BOOL SystemParametersInfo(UINT action, UINT, void* pv, UINT) {
  switch (action) {
    case SPI_GETWORKAREA:
      if (!pv) return FALSE;
      *static_cast<RECT*>(pv) = PrimaryMonitor(true);
      return TRUE;
    case SPI_GETDRAGFULLWINDOWS:
    case SPI_GETMENUANIMATION:
    case SPI_GETCOMBOBOXANIMATION:
    case SPI_GETTOOLTIPANIMATION:
      if (!pv) return FALSE;
      *static_cast<BOOL*>(pv) = action == SPI_GETDRAGFULLWINDOWS ? TRUE : FALSE;
      return TRUE;
    case SPI_GETMENUSHOWDELAY:
      if (!pv) return FALSE;
      *static_cast<DWORD*>(pv) = 400;
      return TRUE;
    case SPI_GETMOUSEHOVERTIME:
      if (!pv) return FALSE;
      *static_cast<UINT*>(pv) = 400;
      return TRUE;
    case SPI_GETWHEELSCROLLLINES:
      if (!pv) return FALSE;
      *static_cast<UINT*>(pv) = 3;
      return TRUE;
  }
  return FALSE;
}

BOOL MessageBeep(UINT) {
  ++g_beeps;
  return TRUE;
}
int MessageBeepCount() { return g_beeps; }
