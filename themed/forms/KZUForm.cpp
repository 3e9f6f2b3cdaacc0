#include "themed/forms/KZUForm.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/ToolBar.h"
#include "platform/ui/dialogs/Dialogs.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/system/UiMessages.h"
#include "platform/user/User.h"
#include "platform/user/nonclient/NonClient.h"
#include "themed/core/KZUPublic.h"
#include "themed/forms/KZUMainMenu.h"
#include "themed/panels/KZUImagePanel.h"

namespace {

constexpr int FormMinHeight = 50;
constexpr int FormMinWidth = 125;
constexpr int FormResizeBand = 5;
constexpr int FormMdiChildInset = 3;

// Shared by every themed form of the program.
int formMaximizeCounter = 0;
bool formMdiScrolled = false;

// The application's message callback while a themed form panel installed
// it; a distinct type, so a panel can tell its own callback from another's.
struct TkzuFormMessageHook {
  TkzuForm* panel;
  std::weak_ptr<bool> alive;
  std::function<bool(const MSG&)> test;
  void operator()(MSG& Msg, bool& Handled) const {
    const std::shared_ptr<bool> a = alive.lock();
    if (!a || !*a || Msg.message != WM_KEYDOWN) return;
    if (test(Msg)) Handled = true;
  }
};

}  // namespace

TkzuForm::TkzuForm(TComponent* AOwner) : TCustomPanel(AOwner) {
  auto* form = dynamic_cast<TCustomForm*>(AOwner);
  if (form) {
    // Refused before anything of the form changes.
    for (int i = 0; i < form->ControlCount(); ++i)
      if (dynamic_cast<TkzuForm*>(form->Controls(i))) throw Exception(kzuOnlyOneFormMessage);
  }
  titleBar_ = new TkzuTitleBar(this);
  titleBar_->SetParent(this);
  SetBevelOuter(bvNone);
  SetBevelInner(bvNone);
  TCustomPanel::SetCaption(" ");
  if (!form) return;
  form_ = form;
  const bool running = !(ComponentState() & csDesigning);
  if (running) {
    form->Constraints()->SetMinHeight(FormMinHeight);
    form->Constraints()->SetMinWidth(FormMinWidth);
  }
  restoreBounds_ = TRect{form->Left(), form->Top(), form->Left() + form->TControl::Width(),
                         form->Top() + form->TControl::Height()};
  startMaximized_ = form->WindowState() == wsMaximized;
  menuBarColor_ = Color();
  menuBarHeight_ = 22;
  creationBorderStyle_ = form->BorderStyle();
  nonClientHeight_ = form->TControl::Height() - form->ClientHeight();
  nonClientWidth_ = form->TControl::Width() - form->ClientWidth();
  SetParent(form);
  titleBar_->SetCaption(form->Caption());
  if (running) {
    TRect work;
    GetWorkArea(work);
    form->Constraints()->SetMaxHeight(work.Height());
    form->Constraints()->SetMaxWidth(work.Width());
    if (form->FormStyle() != fsMDIChild && form->FormStyle() != fsMDIForm) form->SetBorderStyle(bsNone);
    form->SetAutoScroll(false);
    oldWindowProc_ = form->WindowProc;
    form->WindowProc = TWndMethod::Bound(this, &TkzuForm::FormWindowProc, [this, alive = alive_, old = oldWindowProc_](TMessage& M) {
      if (*alive)
        FormWindowProc(M);
      else if (old)
        old(M);
    });
    if (Application && !Application->OnMessage) {
      Application->OnMessage =
          TkzuFormMessageHook{this, alive_, [this](const MSG& m) { return MenuShortCut(m); }};
      hookedMessages_ = true;
    }
    UpdateCustomFrame();
  }
  // The panel starts at the form's size; what is asked for later is kept.
  SetUIStyle(TkzuUIStyle::DeepBlue);
  requestedWidth_ = form->ClientWidth() - 2 * borderWidth_;
  requestedHeight_ = form->ClientHeight() - borderWidth_ - borderWidth_ / 2;
  constructed_ = true;
  Place();
}

TkzuForm::~TkzuForm() {
  *alive_ = false;
  if (hookedMessages_ && Application) {
    // Only our own callback is taken away; a later one stays.
    const auto* ours = Application->OnMessage.target<TkzuFormMessageHook>();
    if (ours && ours->panel == this) Application->OnMessage = nullptr;
  }
  if (auto* m = dynamic_cast<TkzuMainMenu*>(menu_))
    if (m->themedForm_ == this) m->themedForm_ = nullptr;
  if (form_ && !(form_->ComponentState() & csDestroying) && form_->HandleAllocated()) InvalidateRect(form_->Handle(), nullptr, TRUE);
}

bool TkzuForm::IsMDIChild() const { return form_ && form_->FormStyle() == fsMDIChild; }

void TkzuForm::UpdateCustomFrame() {
  if (form_ && form_->HandleAllocated() && !form_->Parent() && form_->FormStyle() != fsMDIChild)
    SetCustomFrame(form_->Handle(), TRUE);
}

// ---- Look and size -------------------------------------------------------------------------------

void TkzuForm::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  if (v != TkzuUIStyle::Custom) {
    borderColor_ = GetThemeColor(v, 2);
    borderWidth_ = GetThemeInteger(v, 4);
    SetColor(GetThemeColor(v, 3));
    SetMenuBarColor(Color());
    titleBar_->SetUIStyle(v);
    if (auto* m = dynamic_cast<TkzuMainMenu*>(menu_))
      if (m->UIStyle() != TkzuUIStyle::Custom) m->SetUIStyle(v);
    if (UIStyleAutoUpdateSub) {
      ApplyUIStyleToFormChildren(this, v);
      ApplyUIStyleToChildren(this, v);
    }
  }
  Place();
  Invalidate();
  DrawBorder();
  if (constructed_ && !(ComponentState() & csLoading)) ApplySize();
}

void TkzuForm::ApplySize() {
  SetWidth(requestedWidth_);
  SetHeight(requestedHeight_);
}

void TkzuForm::SetBorderColor(TColor v) {
  borderColor_ = v;
  Place();
  DrawBorder();
}

void TkzuForm::SetBorderWidth(int v) {
  borderWidth_ = std::max(0, v);
  SetWidth(requestedWidth_);
  Place();
  SetHeight(requestedHeight_);
  DrawBorder();
}

void TkzuForm::SetWidth(int w) {
  requestedWidth_ = w;
  if (!form_) return;
  sizing_ = true;
  form_->SetWidth(w + 2 * borderWidth_ + ((ComponentState() & csDesigning) ? nonClientWidth_ : 0));
  sizing_ = false;
  Place();
}

void TkzuForm::SetHeight(int h) {
  requestedHeight_ = h;
  if (!form_) return;
  sizing_ = true;
  form_->SetHeight(h + borderWidth_ + borderWidth_ / 2 + ((ComponentState() & csDesigning) ? nonClientHeight_ : 0));
  sizing_ = false;
  Place();
}

void TkzuForm::Place() {
  if (!form_) return;
  const int b = borderWidth_;
  const int t = TitleBarVisible() ? 0 : b;
  int w = form_->ClientWidth() - 2 * b, h = form_->ClientHeight() - b - t;
  if (IsMDIChild()) {
    w -= FormMdiChildInset;
    h -= FormMdiChildInset;
  }
  SetBounds(b, t, std::max(0, w), std::max(0, h));
}

void TkzuForm::DrawBorder() {
  if (!form_ || !form_->HandleAllocated() || borderWidth_ <= 0) return;
  HDC dc = GetDC(form_->Handle());
  if (!dc) return;
  {
    TCanvas canvas;
    canvas.SetHandle(dc);
    TCanvas* c = &canvas;
    const int w = form_->ClientWidth(), h = form_->ClientHeight(), b = borderWidth_;
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(borderColor_);
    c->Pen()->SetWidth(b);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(borderColor_);
    const bool mdi = IsMDIChild();
    c->FillRect(TRect{0, 0, b, mdi ? h - 2 : h});
    c->FillRect(TRect{0, mdi ? h - b - FormMdiChildInset : h - b, w, h});
    c->FillRect(TRect{mdi ? w - b - FormMdiChildInset : w - b, 0, w, h});
    c->MoveTo(0, 0);
    c->LineTo(w, 0);
    canvas.SetHandle(nullptr);
  }
  ReleaseDC(form_->Handle(), dc);
}

bool TkzuForm::TitleBarVisible() const { return titleBar_->Visible(); }

void TkzuForm::SetTitleBarVisible(bool v) {
  titleBar_->SetVisible(v);
  titleBar_->SetTop(0);
  Place();
  DrawBorder();
}

std::string TkzuForm::Caption() const { return titleBar_->Caption(); }

void TkzuForm::SetCaption(const std::string& v) {
  titleBar_->SetCaption(v);
  if (form_) form_->SetCaption(v);
}

TkzuTitleBarButtons* TkzuForm::TitleBarButtons() const { return titleBar_->Buttons(); }
void TkzuForm::SetTitleBarButtons(const TkzuTitleBarButtons* v) { titleBar_->SetButtons(v); }
TkzuTitleBarSections* TkzuForm::TitleBarSections() const { return titleBar_->Sections(); }
void TkzuForm::SetTitleBarSections(const TkzuTitleBarSections* v) { titleBar_->SetSections(v); }
bool TkzuForm::TitleBarDrawAppIcon() const { return titleBar_->DrawAppIcon(); }
void TkzuForm::SetTitleBarDrawAppIcon(bool v) { titleBar_->SetDrawAppIcon(v); }
void TkzuForm::SetOnTitleBarCustomBtnsClick(TkzuTitleBarButtonClickEvent e) { titleBar_->OnCustomBtnsClick = std::move(e); }
void TkzuForm::SetOnTitleBarHelpBtnClick(TkzuTitleBarButtonClickEvent e) { titleBar_->OnHelpBtnClick = std::move(e); }

void TkzuForm::SetFormPanel(TWinControl* v) {
  if (v == this) {
    PlainMessageBox("Sorry, you can't select the Form assign to FormPanel property", "", MB_ICONERROR | MB_OK);
    return;
  }
  if (formPanel_) formPanel_->RemoveFreeNotification(this);
  formPanel_ = v;
  if (!v) return;
  v->FreeNotification(this);
  v->SetAlign(alClient);
  if (auto* image = dynamic_cast<TkzuImagePanel*>(v)) {
    image->SetCaption("");
  } else if (auto* panel = dynamic_cast<TCustomPanel*>(v)) {
    panel->SetBevelInner(bvNone);
    panel->SetBevelOuter(bvNone);
    panel->SetBorderStyle(bsNone);
    panel->SetCaption("");
  }
}

// ---- Menu bar ------------------------------------------------------------------------------------

void TkzuForm::SetMenu(TMainMenu* v) {
  if (auto* old = dynamic_cast<TkzuMainMenu*>(menu_))
    if (old->themedForm_ == this) old->themedForm_ = nullptr;
  if (menu_) menu_->RemoveFreeNotification(this);
  menu_ = v;
  if (v) {
    v->FreeNotification(this);
    if (auto* m = dynamic_cast<TkzuMainMenu*>(v)) m->themedForm_ = this;
    if (!menuBar_) CreateMenuBar();
    RebuildMenuBar();
    UpdateMenuBarFont();
  } else {
    FreeMenuBar();
  }
}

void TkzuForm::CreateMenuBar() {
  menuBar_ = new TToolBar(this);
  menuBar_->SetParent(this);
  menuBar_->TControl::SetAlign(alTop);
  menuBar_->SetFlat(true);
  menuBar_->SetShowCaptions(true);
  menuBar_->SetHeight(menuBarHeight_);
  menuBar_->SetButtonHeight(menuBarHeight_);
  menuBar_->SetColor(menuBarColor_);
  titleBar_->SetTop(0);
  menuBar_->OnCustomDraw = [this](TToolBar*, const TRect& r, bool& def) { DrawMenuBarBack(r, def); };
  if (!(ComponentState() & csDesigning))
    menuBar_->OnCustomDrawButton = [this](TToolBar* bar, TToolButton* b, TCustomDrawState st, bool& def) {
      DrawMenuButton(bar, b, st, def);
    };
}

void TkzuForm::FreeMenuBar() {
  delete menuBar_;
  menuBar_ = nullptr;
  if (menu_) menu_->RemoveFreeNotification(this);
  menu_ = nullptr;
}

void TkzuForm::RebuildMenuBar() {
  if (!menuBar_) return;
  if (!menu_) {
    FreeMenuBar();
    return;
  }
  while (menuBar_->ButtonCount() > 0) delete menuBar_->Buttons(menuBar_->ButtonCount() - 1);
  // One button per top-level item, in the menu's order.
  TMenuItem* items = menu_->Items();
  for (int i = 0; i < items->Count(); ++i) {
    auto* b = new TToolButton(this);
    b->SetParent(menuBar_);
    b->SetGrouped(true);
    b->SetMenuItem(items->Items(i));
    b->SetAutoSize(true);
  }
}

void TkzuForm::RefreshMenuBar() {
  if (!menuBar_) return;
  for (int i = 0; i < menuBar_->ButtonCount(); ++i)
    if (TMenuItem* item = menuBar_->Buttons(i)->MenuItem()) {
      menuBar_->Buttons(i)->SetCaption(item->Caption());
      menuBar_->Buttons(i)->SetEnabled(item->Enabled());
    }
}

void TkzuForm::UpdateMenuBarFont() {
  auto* m = dynamic_cast<TkzuMainMenu*>(menu_);
  if (!menuBar_ || !m) return;
  m->ApplyItemFont(menuBar_->Font());
  menuBar_->Invalidate();
}

void TkzuForm::SetMenuBarColor(TColor v) {
  menuBarColor_ = v;
  if (menuBar_) menuBar_->SetColor(v);
}

void TkzuForm::SetMenuBarHeight(int v) {
  menuBarHeight_ = v;
  if (!menuBar_) return;
  menuBar_->SetHeight(v);
  menuBar_->SetButtonHeight(v);
}

TkzuUIStyle TkzuForm::MenuLook() const {
  if (auto* m = dynamic_cast<TkzuMainMenu*>(menu_)) return m->UIStyle();
  return uiStyle_;
}

void TkzuForm::DrawMenuBarBack(const TRect& r, bool&) {
  if (MenuLook() == TkzuUIStyle::MacOS) DrawMacMenuBar(menuBar_->Canvas(), r, r.Height());
}

void TkzuForm::DrawMenuButton(TToolBar*, TToolButton* button, TCustomDrawState state, bool& defaultDraw) {
  const TkzuUIStyle look = MenuLook();
  TCanvas* c = button->Canvas();
  auto* m = dynamic_cast<TkzuMainMenu*>(menu_);
  c->Font()->Assign(menuBar_->Font());
  if (m) {
    m->ApplyItemFont(c->Font());
    if (!m->UseSystemFont()) c->Font()->SetColor(m->FontColor);
  }
  const bool hot = state & cdsHot, selected = state & cdsSelected;
  if (!hot && !selected) return;
  defaultDraw = false;
  TRect r = button->ClientRect();
  c->Brush()->SetStyle(bsSolid);
  if (look == TkzuUIStyle::MacOS) {
    DrawMacMenuSelect(c, r);
  } else {
    if (selected) r.Right -= 2;
    c->Brush()->SetColor(GetThemeColor(look, 12));
    c->FillRect(r);
    c->Brush()->SetColor(GetThemeColor(look, 11));
    c->FrameRect(r);
    if (selected) r.Left += 2;
    r.Top += 2;
  }
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(GetThemeColor(look, 13));
  std::string text = button->Caption();
  DrawText(c->Handle(), text.c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  c->Brush()->SetStyle(bsSolid);
}

// ---- Painting ------------------------------------------------------------------------------------

void TkzuForm::Paint() {
  const TRect r = ClientRect();
  const char* pattern = uiStyle_ == TkzuUIStyle::MacOS     ? "MACOS_FORM_BACKGROUND"
                        : uiStyle_ == TkzuUIStyle::Protein ? "PROTEIN_FORM_BACKGROUND"
                                                           : nullptr;
  TBitmap tile;
  if (pattern && TryLoadThemeBitmap(pattern, tile)) {
    TBitmap off(r.Width(), r.Height(), pf24bit);
    off.Canvas()->Brush()->SetBitmap(&tile);
    off.Canvas()->FillRect(r);
    off.Canvas()->Brush()->SetBitmap(nullptr);
    Canvas()->Draw(0, 0, &off);
  } else {
    Canvas()->Brush()->SetStyle(bsSolid);
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(r);
  }
  if (ComponentState() & csDesigning) {
    Place();
    DrawBorder();
  }
}

void TkzuForm::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CREATE:
      TCustomPanel::Dispatch(Message);
      Place();
      DrawBorder();
      return;
    case WM_ERASEBKGND:
      DrawBorder();
      Message.Result = 1;
      return;
    case WM_NCHITTEST:
      // The resize band belongs to the form, also where the panel covers it.
      if (InResizeBand(LParamToPoint(Message.LParam))) {
        Message.Result = HTTRANSPARENT;
        return;
      }
      break;
  }
  TCustomPanel::Dispatch(Message);
}

void TkzuForm::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomPanel::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == formPanel_) formPanel_ = nullptr;
  if (AComponent == menu_) {
    menu_ = nullptr;
    delete menuBar_;
    menuBar_ = nullptr;
  }
  if (AComponent == menuBar_) menuBar_ = nullptr;
  if (AComponent == titleBar_) titleBar_ = nullptr;
}

// ---- The form's messages -------------------------------------------------------------------------

int TkzuForm::FormHitTest(POINT screen) const {
  if (!form_ || !form_->HandleAllocated() || form_->WindowState() == wsMaximized) return HTNOWHERE;
  if (creationBorderStyle_ != bsSizeable) return HTNOWHERE;
  const TPoint p = form_->ScreenToClient(TPoint{screen.X, screen.Y});
  const int x = p.X, y = p.Y, w = form_->ClientWidth(), h = form_->ClientHeight();
  const int band = FormResizeBand;
  if (x <= band - 1 && y <= band - 1) return HTTOPLEFT;
  if (x > w - band && y < band) return HTTOPRIGHT;
  if (x > w - band && y > h - band) return HTBOTTOMRIGHT;
  if (x < band && y > h - band) return HTBOTTOMLEFT;
  if (x <= band - 1) return HTLEFT;
  if (y <= band - 1) return HTTOP;
  if (x > w - band) return HTRIGHT;
  if (y > h - band) return HTBOTTOM;
  return HTNOWHERE;
}

bool TkzuForm::InResizeBand(POINT screen) const {
  if (!form_ || form_->FormStyle() == fsMDIChild) return false;
  const TPoint p = form_->ScreenToClient(TPoint{screen.X, screen.Y});
  if (p.X < 0 || p.Y < 0 || p.X >= form_->ClientWidth() || p.Y >= form_->ClientHeight()) return false;
  return FormHitTest(screen) != HTNOWHERE;
}

bool TkzuForm::MenuShortCut(const MSG& Msg) {
  if (!menu_ || !form_ || !form_->HandleAllocated()) return false;
  // Only keys typed in this form while it is the active, enabled window.
  const HWND h = form_->Handle();
  if (Msg.hwnd != h && !IsChild(h, Msg.hwnd)) return false;
  if (!IsWindowEnabled(h) || GetActiveWindow() != h) return false;
  TWMKey key;
  key.Msg = Msg.message;
  key.CharCode = Word(Msg.wParam);
  key.KeyData = Msg.lParam;
  return menu_->IsShortCut(key);
}

void TkzuForm::FormWindowProc(TMessage& Message) {
  const std::shared_ptr<bool> alive = alive_;
  if (oldWindowProc_) oldWindowProc_(Message);
  if (!*alive) return;
  switch (Message.Msg) {
    case WM_KEYDOWN:
      if (menu_) {
        TWMKey key;
        key.Msg = WM_KEYDOWN;
        key.CharCode = Word(Message.WParam);
        key.KeyData = Message.LParam;
        Message.Result = menu_->IsShortCut(key) ? 1 : 0;
      } else {
        Message.Result = 0;
      }
      break;
    case WM_SHOWWINDOW:
      form_->SetMenu(nullptr);
      UpdateCustomFrame();
      break;
    case WM_ACTIVATE:
      if (titleBar_) titleBar_->SetFormActive(LOWORD(Message.WParam) != 0);
      break;
    case WM_SIZE: {
      if (startMaximized_) {
        if (form_->WindowState() == wsMaximized) {
          if (formMaximizeCounter == 2) {
            TRect work;
            GetWorkArea(work);
            form_->SetWindowState(wsMaximized);
            SetControlPos(form_, TPoint{work.Left, work.Top});
          } else {
            ++formMaximizeCounter;
          }
        } else {
          SetFormBounds(form_, restoreBounds_);
          startMaximized_ = false;
        }
        formMdiScrolled = true;
      }
      if (!sizing_ && constructed_ && form_->WindowState() == wsNormal) {
        // A size the user gave the form is the size asked for from now on.
        requestedWidth_ = form_->ClientWidth() - 2 * borderWidth_;
        requestedHeight_ = form_->ClientHeight() - borderWidth_ - borderWidth_ / 2;
      }
      Place();
      DrawBorder();
      if (IsMDIChild() && titleBar_) {
        const int th = titleBar_->Height();
        if (form_->WindowState() == wsMaximized) {
          SetTitleBarVisible(false);
          if (!formMdiScrolled) {
            ScrollBy(0, -th);
            formMdiScrolled = true;
          }
        } else {
          SetTitleBarVisible(true);
          if (formMdiScrolled) {
            ScrollBy(0, th);
            formMdiScrolled = false;
          }
        }
      }
      if (titleBar_) titleBar_->UpdateRegion();
      break;
    }
    case WM_ERASEBKGND: DrawBorder(); break;
    case WM_NCHITTEST: {
      if (form_->WindowState() == wsMaximized) break;
      if (form_->FormStyle() == fsMDIForm && Message.Result == HTCLIENT) Message.Result = HTTRANSPARENT;
      const int hit = FormHitTest(LParamToPoint(Message.LParam));
      if (hit != HTNOWHERE) Message.Result = hit;
      break;
    }
  }
}
