#include "platform/ui/forms/HintWindow.h"

#include "platform/gdi/Gdi.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"

namespace {
// Text inset from the window edge, inside the one-pixel border.
constexpr int kTextMarginX = 2;
constexpr int kTextMarginY = 2;
constexpr UINT kHintTextFlags = DT_LEFT | DT_NOPREFIX | DT_WORDBREAK;
}  // namespace

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clInfoBk);
  SetParentFont(false);
  SetFont(Screen->HintFont());
  SetVisible(false);
}

void THintWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  Params.WindowClass.style |= CS_SAVEBITS;
  Params.WndParent = nullptr;
}

TRect THintWindow::CalcHintRect(int MaxWidth, const std::string& AHint, void*) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  RECT r = Rect(0, 0, std::max(MaxWidth, 1), 0);
  DrawText(dc, AHint.c_str(), -1, &r, kHintTextFlags | DT_CALCRECT);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  // Border and margins on each side; a little room on the right as text
  // measured and drawn may round differently.
  return Rect(0, 0, r.Right + 2 * (kTextMarginX + 1) + 2, r.Bottom + 2 * (kTextMarginY + 1));
}

void THintWindow::ActivateHint(const TRect& Rect, const std::string& AHint) {
  SetCaption(AHint);
  HWND h = Handle();
  SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
  SetWindowPos(h, HWND_TOPMOST, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), SWP_SHOWWINDOW | SWP_NOACTIVATE);
  Invalidate();
}

void THintWindow::ActivateHintData(const TRect& Rect, const std::string& AHint, void*) { ActivateHint(Rect, AHint); }

void THintWindow::ReleaseHandle() {
  if (HandleAllocated()) DestroyHandle();
}

bool THintWindow::IsHintShowing() { return HandleAllocated() && IsWindowVisible(Handle()); }

void THintWindow::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->Brush()->SetStyle(bsSolid);
  c->FillRect(r);
  c->Font()->Assign(Font());
  c->Brush()->SetStyle(bsClear);
  RECT text = Rect(r.Left + kTextMarginX, r.Top + kTextMarginY, r.Right - kTextMarginX, r.Bottom - kTextMarginY);
  DrawText(c->Handle(), Caption().c_str(), -1, &text, kHintTextFlags);
}

void THintWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCHITTEST:
      Message.Result = HTTRANSPARENT;
      return;
    case WM_MOUSEACTIVATE:
      Message.Result = MA_NOACTIVATE;
      return;
    default:
      TCustomControl::Dispatch(Message);
  }
}
