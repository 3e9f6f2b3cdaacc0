#include "platform/user/NonClient.h"

#include "platform/gdi/Gdi.h"
#include "platform/user/Focus.h"
#include "platform/user/Paint.h"
#include "platform/user/SysMetrics.h"
#include "platform/user/WindowInternal.h"

namespace {

struct TFrame {
  int border = 0;   // frame plus edges, each side
  int caption = 0;  // below the top border
  int vscroll = 0;
  int hscroll = 0;
  bool sizing = false;
};

bool WmDecorated(DWORD style, bool child) { return !child && (style & WS_CAPTION) == WS_CAPTION; }

TFrame FrameOf(DWORD style, DWORD exStyle, bool child) {
  TFrame f;
  if (!WmDecorated(style, child)) {
    if (style & WS_THICKFRAME) {
      f.border = GetSystemMetrics(SM_CXFRAME);
      f.sizing = true;
    } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
      f.border = GetSystemMetrics(SM_CXDLGFRAME);
    } else if (style & WS_BORDER) {
      f.border = GetSystemMetrics(SM_CXBORDER);
    }
    if (exStyle & WS_EX_CLIENTEDGE) f.border += GetSystemMetrics(SM_CXEDGE);
    if (exStyle & WS_EX_STATICEDGE) f.border += 1;
    if (child && (style & WS_CAPTION) == WS_CAPTION)
      f.caption = GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  }
  if (style & WS_VSCROLL) f.vscroll = GetSystemMetrics(SM_CXVSCROLL);
  if (style & WS_HSCROLL) f.hscroll = GetSystemMetrics(SM_CYHSCROLL);
  return f;
}

void Inset(RECT& r, const TFrame& f) {
  r.Left += f.border;
  r.Top += f.border + f.caption;
  r.Right -= f.border + f.vscroll;
  r.Bottom -= f.border + f.hscroll;
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
}

}  // namespace

BOOL SetCustomFrame(HWND hwnd, BOOL custom) {
  WND* w = LiveWindow(hwnd);
  if (!w || w->IsChild()) return FALSE;
  w->customFrame = custom != FALSE;
  if (w->native && CurrentDisplay()) CurrentDisplay()->SetCustomFrame(w->native, w->customFrame);
  return TRUE;
}

BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL, DWORD exStyle) {
  if (!r) return FALSE;
  TFrame f = FrameOf(style, exStyle, (style & WS_CHILD) != 0);
  r->Left -= f.border;
  r->Top -= f.border + f.caption;
  r->Right += f.border + f.vscroll;
  r->Bottom += f.border + f.hscroll;
  return TRUE;
}

void DefaultNcCalcSize(WND* w, RECT* proposed) { Inset(*proposed, FrameOf(w->style, w->exStyle, w->IsChild())); }

namespace {

// The frame Windows would give the style, for a window whose procedure
// answers WM_NCCALCSIZE instead of leaving its frame to the window manager.
TFrame OwnFrameOf(DWORD style, DWORD exStyle) {
  TFrame f;
  if (style & WS_THICKFRAME) {
    f.border = GetSystemMetrics(SM_CXFRAME);
    f.sizing = true;
  } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
    f.border = GetSystemMetrics(SM_CXDLGFRAME);
  } else if (style & WS_BORDER) {
    f.border = GetSystemMetrics(SM_CXBORDER);
  }
  if (style & WS_VSCROLL) f.vscroll = GetSystemMetrics(SM_CXVSCROLL);
  if (style & WS_HSCROLL) f.hscroll = GetSystemMetrics(SM_CYHSCROLL);
  return f;
}

// The caption's parts: the window-menu icon at the left, then from the
// right close, maximize and minimize, each a caption button wide.
int CaptionHit(DWORD style, DWORD exStyle, const RECT& band, POINT p) {
  if (!(style & WS_SYSMENU)) return HTCAPTION;
  const bool tool = (exStyle & WS_EX_TOOLWINDOW) != 0;
  const int bw = tool ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CXSIZE);
  int right = band.Right;
  if (p.X >= right - bw) return HTCLOSE;
  right -= bw;
  if (!tool && (style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX))) {
    if (p.X >= right - bw) return HTMAXBUTTON;
    if (p.X >= right - 2 * bw) return HTMINBUTTON;
  }
  if (!tool && p.X < band.Left + bw) return HTSYSMENU;
  return HTCAPTION;
}

}  // namespace

int DefaultNcHitTest(WND* w, POINT screen) {
  POINT o = WindowOriginScreen(w);
  POINT p{screen.X - o.X, screen.Y - o.Y};
  RECT box = Bounds(0, 0, w->rect.Width(), w->rect.Height());
  if (!box.Contains(p)) return HTNOWHERE;
  RECT client = Bounds(w->client.Left - w->rect.Left, w->client.Top - w->rect.Top, w->client.Width(), w->client.Height());
  if (client.Contains(p)) return HTCLIENT;
  // A decorated top-level window with a non-client area has made its own
  // frame: the codes follow its style, its caption is the band above the client.
  const bool own = WmDecorated(w->style, w->IsChild());
  TFrame f = own ? OwnFrameOf(w->style, w->exStyle) : FrameOf(w->style, w->exStyle, w->IsChild());
  if (f.sizing) {
    int corner = GetSystemMetrics(SM_CYCAPTION);
    bool left = p.X < f.border, right = p.X >= box.Right - f.border;
    bool top = p.Y < f.border, bottom = p.Y >= box.Bottom - f.border;
    if (left || right || top || bottom) {
      bool nearTop = p.Y < corner, nearBottom = p.Y >= box.Bottom - corner;
      bool nearLeft = p.X < corner, nearRight = p.X >= box.Right - corner;
      if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
      if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
      if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
      if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
      return left ? HTLEFT : right ? HTRIGHT : top ? HTTOP : HTBOTTOM;
    }
  }
  RECT inner = box;
  inner.Left += f.border;
  inner.Top += f.border;
  inner.Right -= f.border;
  inner.Bottom -= f.border;
  if (!inner.Contains(p)) return HTBORDER;
  const int captionBottom = own ? ((w->style & WS_CAPTION) == WS_CAPTION ? client.Top : inner.Top) : inner.Top + f.caption;
  if (p.Y < captionBottom) return CaptionHit(w->style, w->exStyle, RECT{inner.Left, inner.Top, inner.Right, captionBottom}, p);
  bool inV = f.vscroll && p.X >= client.Right && p.X < client.Right + f.vscroll && p.Y >= client.Top;
  bool inH = f.hscroll && p.Y >= client.Bottom && p.Y < client.Bottom + f.hscroll && p.X >= client.Left;
  if (inV && inH) return f.sizing ? HTGROWBOX : HTNOWHERE;
  if (inV && p.Y < client.Bottom) return HTVSCROLL;
  if (inH && p.X < client.Right) return HTHSCROLL;
  return HTBORDER;
}

POINT WindowMenuAnchor(WND* w) {
  POINT o = WindowOriginScreen(w);
  const int clientLeft = w->client.Left - w->rect.Left, clientTop = w->client.Top - w->rect.Top;
  if ((w->style & WS_CAPTION) != WS_CAPTION || w->rect == w->client) return POINT{o.X + clientLeft, o.Y + clientTop};
  if (WmDecorated(w->style, w->IsChild())) return POINT{o.X + OwnFrameOf(w->style, w->exStyle).border, o.Y + clientTop};
  TFrame f = FrameOf(w->style, w->exStyle, w->IsChild());
  return POINT{o.X + f.border, o.Y + f.border + f.caption};
}

void DefaultNcPaint(WND* w) {
  if (w->rect == w->client) return;
  HDC dc = GetWindowDC(w);
  if (!dc) return;
  DrawDefaultFrame(w, dc);
  ReleaseDC(w, dc);
}

void DrawDefaultFrame(WND* w, HDC dc) {
  if (w->rect == w->client) return;
  TFrame f = FrameOf(w->style, w->exStyle, w->IsChild());
  RECT r = Bounds(0, 0, w->rect.Width(), w->rect.Height());
  if (f.sizing || (w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) {
    if (!WmDecorated(w->style, w->IsChild())) {
      int frame = f.border - ((w->exStyle & WS_EX_CLIENTEDGE) ? 2 : 0) - ((w->exStyle & WS_EX_STATICEDGE) ? 1 : 0);
      RECT outer = r;
      FillRect(dc, &outer, GetSysColorBrush(COLOR_BTNFACE));
      DrawEdge(dc, &outer, EDGE_RAISED, BF_RECT);
      r.Left += frame;
      r.Top += frame;
      r.Right -= frame;
      r.Bottom -= frame;
    }
  } else if (w->style & WS_BORDER && !WmDecorated(w->style, w->IsChild())) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    r.Left += 1;
    r.Top += 1;
    r.Right -= 1;
    r.Bottom -= 1;
  }
  if (w->exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  if (w->exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  if (f.caption) {
    RECT cap = Bounds(r.Left, r.Top, r.Width(), f.caption);
    FillRect(dc, &cap, GetSysColorBrush(TopLevelOf(w) == GetActiveWindow() ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
  }
  DrawWindowScrollBars(w, dc);
}
