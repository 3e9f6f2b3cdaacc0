#include "platform/user/nonclient/NonClient.h"

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icons.h"
#include "platform/gdi/Text.h"
#include "platform/user/input/Cursors.h"
#include "platform/user/input/Focus.h"
#include "platform/user/paint/Paint.h"
#include "platform/user/system/SysMetrics.h"
#include "platform/user/windows/WindowPos.h"
#include "platform/user/windows/WindowInternal.h"

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
int CaptionHit(WND* w, const RECT& band, POINT p) {
  if (!(w->style & WS_SYSMENU)) return HTCAPTION;
  for (const TCaptionButton& b : CaptionButtons(w, band))
    if (p.X >= b.cell.Left && p.X < b.cell.Right) return b.hit;
  if (!(w->exStyle & WS_EX_TOOLWINDOW) && p.X < band.Left + GetSystemMetrics(SM_CXSIZE)) return HTSYSMENU;
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
  if (p.Y < captionBottom) return CaptionHit(w, RECT{inner.Left, inner.Top, inner.Right, captionBottom}, p);
  bool inV = f.vscroll && p.X >= client.Right && p.X < client.Right + f.vscroll && p.Y >= client.Top;
  bool inH = f.hscroll && p.Y >= client.Bottom && p.Y < client.Bottom + f.hscroll && p.X >= client.Left;
  if (inV && inH) return f.sizing ? HTGROWBOX : HTNOWHERE;
  if (inV && p.Y < client.Bottom) return HTVSCROLL;
  if (inH && p.X < client.Right) return HTHSCROLL;
  return HTBORDER;
}

POINT WindowMenuAnchor(WND* w) {
  // A maximized MDI child's caption lies outside its client window: its
  // menu drops from the top left of the client, below the frame's menu bar.
  if ((w->exStyle & WS_EX_MDICHILD) && (w->style & WS_MAXIMIZE) && w->parent) {
    POINT c{0, 0};
    ClientToScreen(HandleOf(w->parent), &c);
    return c;
  }
  POINT o = WindowOriginScreen(w);
  const int clientLeft = w->client.Left - w->rect.Left, clientTop = w->client.Top - w->rect.Top;
  if ((w->style & WS_CAPTION) != WS_CAPTION || w->rect == w->client) return POINT{o.X + clientLeft, o.Y + clientTop};
  if (WmDecorated(w->style, w->IsChild())) return POINT{o.X + OwnFrameOf(w->style, w->exStyle).border, o.Y + clientTop};
  TFrame f = FrameOf(w->style, w->exStyle, w->IsChild());
  return POINT{o.X + f.border, o.Y + f.border + f.caption};
}

namespace {

void Line(HDC dc, int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

// The glyph of a caption button centred in face, one pen wide lines doubled
// where the classic glyphs are bold.
void DrawButtonGlyph(HDC dc, const RECT& face, int hit, bool restore) {
  const int size = std::max(4, std::min(face.Width(), face.Height()) - 6) & ~1;
  const int x = face.Left + (face.Width() - size) / 2, y = face.Top + (face.Height() - size) / 2;
  switch (hit) {
    case HTCLOSE:
      for (int d = 0; d < 2; ++d) {
        Line(dc, x + d, y, x + size + d, y + size);
        Line(dc, x + size - 1 + d, y, x - 1 + d, y + size);
      }
      break;
    case HTMINBUTTON: {
      RECT bar = Bounds(x, y + size - 2, size * 3 / 4, 2);
      FillRect(dc, &bar, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
      break;
    }
    case HTMAXBUTTON: {
      auto box = [&](int bx, int by, int bw, int bh) {
        RECT top = Bounds(bx, by, bw, 2);
        FillRect(dc, &top, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
        Line(dc, bx, by, bx, by + bh - 1);
        Line(dc, bx, by + bh - 1, bx + bw - 1, by + bh - 1);
        Line(dc, bx + bw - 1, by + bh - 1, bx + bw - 1, by);
      };
      if (!restore) {
        box(x, y, size, size);
      } else {
        const int small = size * 2 / 3 + 1;
        box(x + size - small, y, small, small);
        RECT under = Bounds(x, y + size - small, small, small);
        FillRect(dc, &under, GetSysColorBrush(COLOR_BTNFACE));
        box(x, y + size - small, small, small);
      }
      break;
    }
  }
}

// A caption button: raised, or sunk with its glyph a pixel down and right
// while the mouse holds it; a command the window refuses is grayed.
void DrawCaptionButton(HDC dc, const RECT& cell, int hit, bool pressed, bool enabled, bool restore) {
  RECT face{cell.Left + 2, cell.Top + 2, cell.Right - 2, cell.Bottom - 2};
  if (face.Width() <= 0 || face.Height() <= 0) return;
  FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
  RECT edge = face;
  DrawEdge(dc, &edge, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  if (pressed) {
    face.Left += 1;
    face.Top += 1;
    face.Right += 1;
    face.Bottom += 1;
  }
  const COLORREF colour = GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HBRUSH brush = CreateSolidBrush(colour);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  DrawButtonGlyph(dc, face, hit, restore);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

}  // namespace

BOOL DrawFrameControl(HDC dc, RECT* r, UINT type, UINT state) {
  if (!dc || !r || type != DFC_CAPTION) return FALSE;
  static constexpr int kHits[] = {HTCLOSE, HTMINBUTTON, HTMAXBUTTON, HTMAXBUTTON};
  const UINT kind = state & 0xFF;
  if (kind > DFCS_CAPTIONRESTORE) return FALSE;
  const RECT cell{r->Left - 2, r->Top - 2, r->Right + 2, r->Bottom + 2};
  DrawCaptionButton(dc, cell, kHits[kind], (state & DFCS_PUSHED) != 0, !(state & DFCS_INACTIVE),
                    kind == DFCS_CAPTIONRESTORE);
  return TRUE;
}


std::vector<TCaptionButton> CaptionButtons(WND* w, const RECT& band) {
  std::vector<TCaptionButton> out;
  if (!(w->style & WS_SYSMENU)) return out;
  const bool tool = (w->exStyle & WS_EX_TOOLWINDOW) != 0;
  const int bw = tool ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CXSIZE);
  int right = band.Right;
  out.push_back(TCaptionButton{HTCLOSE, RECT{right - bw, band.Top, right, band.Bottom}, WindowCommandEnabled(w, SC_CLOSE)});
  right -= bw;
  if (!tool && (w->style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX))) {
    out.push_back(TCaptionButton{HTMAXBUTTON, RECT{right - bw, band.Top, right, band.Bottom},
                                 (w->style & WS_MAXIMIZEBOX) != 0});
    out.push_back(TCaptionButton{HTMINBUTTON, RECT{right - 2 * bw, band.Top, right - bw, band.Bottom},
                                 (w->style & WS_MINIMIZEBOX) != 0});
  }
  return out;
}

void DrawCaption(WND* w, HDC dc, const RECT& band) {
  const bool topActive = HandleOf(TopLevelOf(w)) == GetActiveWindow();
  const bool active = w->IsChild() ? w->frameActive && topActive : topActive;
  FillRect(dc, &band, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
  RECT text = band;
  text.Left += 4;
  if ((w->style & WS_SYSMENU) && !(w->exStyle & WS_EX_TOOLWINDOW)) {
    const int icon = GetSystemMetrics(SM_CXSMICON);
    // Without an icon of its own a window shows the application icon.
    HICON i = w->smallIcon ? w->smallIcon : w->bigIcon;
    if (!i) i = LoadIcon(nullptr, MAKEINTRESOURCE(IDI_APPLICATION));
    if (i)
      DrawIconEx(dc, band.Left + 2, band.Top + (band.Height() - icon) / 2, i, icon, icon, 0, nullptr, DI_NORMAL);
    text.Left = band.Left + GetSystemMetrics(SM_CXSIZE);
  }
  const std::vector<TCaptionButton> buttons = CaptionButtons(w, band);
  if (!buttons.empty()) text.Right = buttons.back().cell.Left;
  if (!w->text.empty() && text.Right > text.Left) {
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    DrawText(dc, w->text.c_str(), int(w->text.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
  }
  for (const TCaptionButton& b : buttons)
    DrawCaptionButton(dc, b.cell, b.hit, w->pressedButton == b.hit, b.enabled,
                      b.hit == HTMAXBUTTON && (w->style & WS_MAXIMIZE));
}

void DefaultNcPaint(WND* w) {
  if (w->rect == w->client) return;
  HDC dc = GetWindowDC(HandleOf(w));
  if (!dc) return;
  DrawDefaultFrame(w, dc);
  ReleaseDC(HandleOf(w), dc);
}

void DrawDefaultFrame(WND* w, HDC dc) {
  if (w->rect == w->client) return;
  TFrame f = FrameOf(w->style, w->exStyle, w->IsChild());
  RECT r = Bounds(0, 0, w->rect.Width(), w->rect.Height());
  if (f.sizing || (w->style & WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) {
    if (!WmDecorated(w->style, w->IsChild())) {
      int frame = f.border - ((w->exStyle & WS_EX_CLIENTEDGE) ? 2 : 0) - ((w->exStyle & WS_EX_STATICEDGE) ? 1 : 0);
      RECT outer = r;
      r.Left += frame;
      r.Top += frame;
      r.Right -= frame;
      r.Bottom -= frame;
      // Only the frame's ring: the client keeps what it painted.
      HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
      const RECT ring[4] = {{outer.Left, outer.Top, outer.Right, r.Top},
                            {outer.Left, r.Bottom, outer.Right, outer.Bottom},
                            {outer.Left, r.Top, r.Left, r.Bottom},
                            {r.Right, r.Top, outer.Right, r.Bottom}};
      for (const RECT& strip : ring)
        if (!strip.IsEmpty()) FillRect(dc, &strip, face);
      DrawEdge(dc, &outer, EDGE_RAISED, BF_RECT);
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
  if (f.caption) DrawCaption(w, dc, Bounds(r.Left, r.Top, r.Width(), f.caption));
  DrawWindowScrollBars(w, dc);
}
