// The controller's construction, properties and window procedure.
#include "skin/windows/Brenvale.h"
#include "skin/windows/spTrayIcon.h"

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/rtl/Clock.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/forms/Timer.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/SkinHint.h"

namespace {

bool IsPreStepMessage(UINT msg) {
  switch (msg) {
    case WM_MOVE:
    case WM_SIZE:
    case WM_ACTIVATE:
    case WM_KILLFOCUS:
    case WM_CANCELMODE:
    case WM_MOUSEACTIVATE:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_PARENTNOTIFY:
      return true;
    default:
      return false;
  }
}

std::unique_ptr<TFont> CaptionFont(TColor color) {
  auto f = std::make_unique<TFont>();
  f->SetName("Arial");
  f->SetStyle(fsBold);
  f->SetHeight(14);
  f->SetColor(color);
  return f;
}

}  // namespace

TspBrenvale::TspBrenvale(TComponent* AOwner) : TComponent(AOwner) {
  Form = dynamic_cast<TCustomForm*>(AOwner);
  if (!Form) throw EInvalidCast("Invalid class typecast");
  alive_ = std::make_shared<bool>(true);
  ButtonGlowLayer = new TspLayerManager(this);
  MenuGlowLayer = new TspLayerManager(this);
  vistaOrLater_ = IsWindowsVistaOrLater();
  logoBitMap_ = std::make_unique<TBitmap>();
  defCaptionFont_ = CaptionFont(clBtnText);
  defInActiveCaptionFont_ = CaptionFont(clBtnShadow);
  maskTop_ = std::make_unique<TBitmap>();
  maskBottom_ = std::make_unique<TBitmap>();
  maskLeft_ = std::make_unique<TBitmap>();
  maskRight_ = std::make_unique<TBitmap>();
  borderTop_ = std::make_unique<TBitmap>();
  borderLeft_ = std::make_unique<TBitmap>();
  borderRight_ = std::make_unique<TBitmap>();
  borderBottom_ = std::make_unique<TBitmap>();
  auto makeTimer = [this](Cardinal interval, void (TspBrenvale::*tick)(TObject*)) {
    auto* t = new TTimer(this);
    t->SetEnabled(false);
    t->SetInterval(interval);
    t->SetOnTimer([this, tick](TObject* sender) { (this->*tick)(sender); });
    return t;
  };
  MorphTimer = makeTimer(25, &TspBrenvale::MorphTimerTick);
  HoverTimer = makeTimer(50, &TspBrenvale::HoverTimerTick);
  AnimateTimer = makeTimer(25, &TspBrenvale::AnimateTimerTick);

  Form->SetBorderIcons(0);
  Form->OnShortCut = [this](TWMKey& Msg, bool& Handled) { FormShortCut(Msg, Handled); };
  Form->SetAutoSize(false);
  Form->SetAutoScroll(false);
  SystemPopupMenu = new TPopupMenu(this);
  UseDefaultSysMenu = true;
  CreateMenus();

  OldWindowProc = Form->WindowProc;
  Form->WindowProc = HookProc();
  hooked_ = true;
  // The window is made now, also for a form that has none yet: sizes the
  // form is given from here on (its client size above all) then go through
  // the frame this controller reserves, instead of the frame being cut out
  // of a client sized before the window existed.
  // An MDI child waits for its window until an MDI form can take it.
  const bool childWithoutFrame = Form->FormStyle() == fsMDIChild &&
                                 !(Application && Application->MainForm() && Application->MainForm()->ClientHandle());
  if (Form->HandleAllocated())
    Form->RecreateWnd();
  else if (!childWithoutFrame)
    Form->HandleNeeded();
}

TspBrenvale::~TspBrenvale() {
  destroying_ = true;
  *alive_ = false;
  RemoveMessageHook();
  // The icon outlives us: it must not keep our menu or our restore.
  if (trayIcon_) {
    if (trayIcon_->PopupMenu == TrayPopupMenu) trayIcon_->PopupMenu = nullptr;
    if (trayDblClickOurs_) trayIcon_->OnDblClick = nullptr;
    trayIcon_->RemoveFreeNotification(this);
  }
  if (MorphTimer) MorphTimer->SetEnabled(false);
  if (HoverTimer) HoverTimer->SetEnabled(false);
  if (AnimateTimer) AnimateTimer->SetEnabled(false);
  ObjectList.clear();
  retired_.clear();
  UnhookMDIClient();
  HoveredIndex = LastHoveredIndex = PressedIndex = -1;
  // A form being destroyed frees its components last, when only its
  // component part is left: it is not touched then.
  if (Form && !(Form->ComponentState() & csDestroying) && hooked_ &&
      Form->WindowProc == TWndMethod(this, &TspBrenvale::NewWndProc))
    Form->WindowProc = OldWindowProc;
  // The window owns its region; it frees it with the window or the next one.
  WindowRegion = nullptr;
}

// ---- Properties -----------------------------------------------------------------

void TspBrenvale::SetMaxMenuItemsInWindow(int v) {
  if (v < 0) return;
  maxMenuItemsInWindow_ = v;
  if (SkinMenu) SkinMenu->MaxMenuItemsInWindow = v;
}

void TspBrenvale::SetLogoBitMap(const TBitmap* v) { logoBitMap_->Assign(v); }

void TspBrenvale::SetShowIcon(bool v) {
  showIcon_ = v;
  if (!(ComponentState() & csLoading)) PaintNCNow();
}

void TspBrenvale::SetDefCaptionFont(const TFont* v) {
  defCaptionFont_->Assign(v);
  if (!(ComponentState() & csLoading) && !SkinApplied) PaintNCNow();
}

void TspBrenvale::SetDefInActiveCaptionFont(const TFont* v) {
  defInActiveCaptionFont_->Assign(v);
  if (!(ComponentState() & csLoading) && !SkinApplied) PaintNCNow();
}

void TspBrenvale::SetTrayIcon(TspTrayIcon* v) {
  if (trayIcon_ == v) return;
  if (trayIcon_) trayIcon_->RemoveFreeNotification(this);
  trayIcon_ = v;
  if (!v) return;
  v->FreeNotification(this);
  if (!AlwaysShowInTray) v->SetIconVisible(false);
  if (!v->PopupMenu) v->PopupMenu = TrayPopupMenu;
  trayDblClickOurs_ = !v->OnDblClick;
  if (trayDblClickOurs_) v->OnDblClick = [this](TObject*) { RestoreFromTray(); };
}

void TspBrenvale::SetSupportNCArea(bool v) { supportNCArea_ = v; }

void TspBrenvale::SetStatusBar(TspSkinStatusBar* v) {
  if (statusBar_ == v) return;
  statusBar_ = v;
  // A status bar is a component of single inheritance: it is told apart by
  // address in Notification, and asks for the removal notice here.
  if (v) reinterpret_cast<TComponent*>(v)->FreeNotification(this);
}

void TspBrenvale::SetAlphaBlendValue(Byte v) {
  if (alphaBlendValue_ == v) return;
  alphaBlendValue_ = v;
  if (alphaBlend_ && ComponentState() == 0 && Form->HandleAllocated()) SetWindowAlphaBlend(Form->Handle(), v);
}

void TspBrenvale::SetAlphaBlend(bool v) {
  if (alphaBlend_ == v) return;
  alphaBlend_ = v;
  if (ComponentState() != 0 || !Form->HandleAllocated()) return;
  HWND h = Form->Handle();
  const LONG_PTR ex = GetWindowLong(h, GWL_EXSTYLE);
  if (v) {
    SetWindowLong(h, GWL_EXSTYLE, ex | WS_EX_LAYERED);
    SetWindowAlphaBlend(h, alphaBlendValue_);
  } else {
    SetWindowLong(h, GWL_EXSTYLE, ex & ~LONG_PTR(WS_EX_LAYERED));
  }
}

void TspBrenvale::SetMainMenu(TMainMenu* v) {
  if (mainMenu_ == v) return;
  mainMenu_ = v;
  if (v) v->FreeNotification(this);
  if (SkinApplied) RebuildMainMenuItems(true);
}

void TspBrenvale::Loaded() {
  TComponent::Loaded();
  // The window, and with a skin the frame objects, exist from construction
  // on, so border icons set during loading must still reach them.
  SetBorderIcons(borderIcons_);
}

void TspBrenvale::SetBorderIcons(TspBorderIcons v) {
  borderIcons_ = v;
  if (ComponentState() & csLoading) return;
  if (supportNCArea_ || SkinApplied) {
    UpdateBorderIcons();
    PaintNCNow();
  } else if (HideCaptionButtons) {
    UpdateBorderIcons();
  }
}

// ---- Events fired by the objects ------------------------------------------------------

void TspBrenvale::FireMouseDown(const std::string& IDName, int X, int Y, const TRect& R, TMouseButton Button) {
  if (OnMouseDownEvent) OnMouseDownEvent(IDName, X, Y, R, Button);
}
void TspBrenvale::FireMouseUp(const std::string& IDName, int X, int Y, const TRect& R, TMouseButton Button) {
  if (OnMouseUpEvent) OnMouseUpEvent(IDName, X, Y, R, Button);
}
void TspBrenvale::FireMouseMove(const std::string& IDName, int X, int Y, const TRect& R) {
  if (OnMouseMoveEvent) OnMouseMoveEvent(IDName, X, Y, R);
}
void TspBrenvale::FireMouseEnter(const std::string& IDName) {
  if (OnMouseEnterEvent) OnMouseEnterEvent(IDName);
}
void TspBrenvale::FireMouseLeave(const std::string& IDName) {
  if (OnMouseLeaveEvent) OnMouseLeaveEvent(IDName);
}
void TspBrenvale::FirePaint(const std::string& IDName, TCanvas* Canvas, const TRect& R) {
  if (OnPaintEvent) OnPaintEvent(IDName, Canvas, R);
}
void TspBrenvale::FireSwitchChangeState(const std::string& IDName, TSwitchState State) {
  if (OnSwitchChangeStateEvent) OnSwitchChangeStateEvent(IDName, State);
}
void TspBrenvale::FireTrackBarChangeValue(const std::string& IDName, int Value) {
  if (OnTrackBarChangeValueEvent) OnTrackBarChangeValueEvent(IDName, Value);
}
void TspBrenvale::FireFrameRegulatorChangeValue(const std::string& IDName, int Value) {
  if (OnFrameRegulatorChangeValueEvent) OnFrameRegulatorChangeValueEvent(IDName, Value);
}

// ---- Notification ----------------------------------------------------------------------

void TspBrenvale::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove || destroying_) return;
  // Every reference to the removed component goes, not only the first: the
  // same skin data is often both SkinData and MenusSkinData.
  if (AComponent == skinData_) {
    // What a skin load's start does, then the default look: no object may
    // keep pointing into the freed skin.
    StopTimers();
    FreeObjects();
    skinData_ = nullptr;
    SkinChanging = false;
    SkinApplied = false;
    if (!(Form->ComponentState() & csDestroying)) ApplySkin();
  }
  if (AComponent == MenusSkinData) MenusSkinData = nullptr;
  if (AComponent == mainMenu_) {
    mainMenu_ = nullptr;
    if (!(Form->ComponentState() & csDestroying)) RebuildMainMenuItems(false);
  }
  if (AComponent == SystemMenu) SystemMenu = nullptr;
  if (AComponent == static_cast<TComponent*>(skinHint_)) skinHint_ = nullptr;
  // The bars, tray icon and status bar are components of single
  // inheritance, so the same object has the same address.
  const void* removed = AComponent;
  if (removed == static_cast<const void*>(MainMenuBar)) MainMenuBar = nullptr;
  if (removed == static_cast<const void*>(MDITabsBar)) MDITabsBar = nullptr;
  if (removed == static_cast<const void*>(trayIcon_)) trayIcon_ = nullptr;
  if (removed == static_cast<const void*>(statusBar_)) statusBar_ = nullptr;
  // Controls placed on skin areas or hidden while rolled up.
  for (std::size_t i = AreaControls.size(); i-- > 0;)
    if (AreaControls[i].Control == AComponent) AreaControls.erase(AreaControls.begin() + std::ptrdiff_t(i));
  for (std::size_t i = HiddenControls.size(); i-- > 0;)
    if (HiddenControls[i] == AComponent) HiddenControls.erase(HiddenControls.begin() + std::ptrdiff_t(i));
}

// ---- Helpers ------------------------------------------------------------------------------

bool TspBrenvale::Framed() const { return Form->BorderStyle() != bsNone; }
bool TspBrenvale::IsMDIChild() const { return Form->FormStyle() == fsMDIChild; }
bool TspBrenvale::IsMDIForm() const { return Form->FormStyle() == fsMDIForm; }
bool TspBrenvale::ZoomedChild() const { return IsMDIChild() && WindowState == spwsMaximized; }

void TspBrenvale::PaintNCNow() {
  if (Form->HandleAllocated()) SendMessage(Form->Handle(), WM_NCPAINT, 1, 0);
}

void TspBrenvale::UpdateCustomFrame() {
  if (!Form->HandleAllocated()) return;
  HWND h = Form->Handle();
  const bool custom = Skinnable && Form->Parent() == nullptr;
  if (customFrameWindow_ == h && customFrame_ == custom) return;
  customFrameWindow_ = h;
  customFrame_ = custom;
  SetCustomFrame(h, custom ? TRUE : FALSE);
}

// ---- The window procedure --------------------------------------------------------------

TWndMethod TspBrenvale::HookProc() {
  return TWndMethod::Bound(this, &TspBrenvale::NewWndProc,
                           [this, alive = alive_, old = OldWindowProc](TMessage& Message) {
                             if (*alive)
                               NewWndProc(Message);
                             else if (old)
                               old(Message);
                           });
}

void TspBrenvale::NewWndProc(TMessage& Message) {
  // A handler may free the form and this controller with it (a caption
  // button closing a form that frees itself): nothing of ours runs after.
  const std::shared_ptr<bool> alive = alive_;
  PreStep(Message);
  if (!*alive) return;
  bool passedFirst = false;
  const bool handled = HandleMessage(Message, passedFirst);
  if (!*alive) return;
  if (!handled && !passedFirst) OldWindowProc(Message);
  if (!*alive) return;
  MouseStage(Message);
}

void TspBrenvale::PreStep(TMessage& Message) {
  if (!IsPreStepMessage(Message.Msg)) return;
  if (ShowObjectHint && skinHint_) HideObjectHint();
  if (!InMainMenu || SkinMenuOpen) {
    if (SkinMenuVisible()) {
      CloseSkinMenus();
    } else if (SkinMenuOpen) {
      SkinMenuClosed();
    } else if (IsMDIForm() && Form->Visible()) {
      // The active child's frame menus close with the parent's.
      if (TCustomForm* child = Form->ActiveMDIChild())
        if (TspBrenvale* k = FindController(child); k && k != this) k->PreStep(Message);
    }
  }
  if (InMainMenu && !SkinMenuVisible()) ExitMainMenu();
  // An MDI form's skinned edits close what they have open (their own menus).
  if (IsMDIForm() && Form->Visible() && Form->ComponentState() == 0 && SkinControlLinks().IsSkinEdit) {
    auto alive = alive_;
    for (int i = 0; i < Form->ComponentCount() && *alive; ++i) {
      auto* c = dynamic_cast<TControl*>(Form->Components(i));
      if (c && c->Visible() && c->Enabled() && SkinControlLinks().IsSkinEdit(c)) c->Perform(CM_CANCELMODE, 0, 0);
    }
  }
}

bool TspBrenvale::HandleMessage(TMessage& M, bool& PassedFirst) {
  auto passFirst = [&] {
    OldWindowProc(M);
    PassedFirst = true;
  };
  switch (M.Msg) {
    case WM_DESTROY:
      StopTimers();
      if (IsMDIChild()) MDIChildDestroyed();
      return false;

    case WM_SIZE:
      passFirst();
      WMSize(M);
      return false;

    case WM_ACTIVATE:
      if (!Skinnable) return false;
      passFirst();
      WMActivate(M);
      return false;

    case WM_SETTEXT:
      if (!Skinnable) return false;
      passFirst();
      WMSetText(M);
      if (IsMDIChild()) {
        UpdateChildWindowMenuItem();
        if (TspBrenvale* main = MainController(); main && main->MDITabsBar && SkinBarLinks().RepaintTabs)
          SkinBarLinks().RepaintTabs(main->MDITabsBar);
      }
      return false;

    case WM_ERASEBKGND:
      if (!IsMDIForm()) PaintClientBackground(reinterpret_cast<HDC>(M.WParam));
      M.Result = 1;
      return true;

    case WM_SHOWWINDOW:
      WMShowWindow(M);
      return false;

    case CM_SHOWINGCHANGED:
      // The platform shows an MDI child as a child window, without
      // WM_SHOWWINDOW: the controller hears of it here instead.
      if (IsMDIChild() && Form->HandleAllocated()) {
        passFirst();
        TMessage show{};
        show.Msg = WM_SHOWWINDOW;
        show.WParam = Form->Showing() ? 1 : 0;
        WMShowWindow(show);
      }
      return false;

    case WM_SETCURSOR:
      if (supportNCArea_ && UseFormCursorInNCArea && Skinnable) {
        const Word code = M.LParamLo();
        if (code != HTCLIENT && !(code >= HTLEFT && code <= HTBOTTOMRIGHT)) {
          const std::uintptr_t lp = std::uintptr_t(M.LParam);
          M.LParam = LPARAM((lp & ~std::uintptr_t(0xFFFF)) | std::uintptr_t(HTCLIENT));
        }
      }
      return false;

    case WM_MOUSEACTIVATE:
      if (Skinnable && IsMDIChild() && !NCActive) {
        NCActive = true;
        UpdateCaptionActivation(!ZoomedChild());
      }
      return false;

    case WM_GETMINMAXINFO:
      if (Skinnable && M.LParam) {
        passFirst();
        auto* info = reinterpret_cast<MINMAXINFO*>(M.LParam);
        info->ptMinTrackSize = POINT{MinFrameWidth(), MinFrameHeight()};
        info->ptMaxTrackSize = POINT{MaxFrameWidth(), MaxFrameHeight()};
      }
      return false;

    case WM_DISPLAYCHANGE:
      if (supportNCArea_ && Framed() && (Form->Width() > MaxFrameWidth() || Form->Height() > MaxFrameHeight()))
        RelayoutJiggle();
      return false;

    case WM_NCCALCSIZE:
      if (!Skinnable) return false;
      UpdateCustomFrame();
      if (supportNCArea_ && Framed() && !ZoomedChild() && M.LParam) {
        RECT* r = M.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam)->rgrc[0]
                           : reinterpret_cast<RECT*>(M.LParam);
        CalcClientRect(*r);
      }
      M.Result = 0;
      return true;

    case WM_NCHITTEST:
      if (supportNCArea_ && Skinnable) {
        const TPoint p = ToWindowPoint(M.Pos());
        M.Result = UseSkinFrame() ? SkinHitTest(p) : DefaultHitTest(p);
        if (!HoverTimer->Enabled() && M.Result == HTOBJECT) {
          HoverTest(p.X, p.Y, true);
          StartHoverTimer();
        }
        return true;
      }
      if (!supportNCArea_ && SkinApplied) {
        const TPoint p = Form->ScreenToClient(M.Pos());
        M.Result = ClientHitTest(p);
        if (!HoverStarted) {
          HoverStarted = true;
          HoverTest(p.X, p.Y, true);
          StartHoverTimer();
        }
        return true;
      }
      return false;

    case WM_NCPAINT:
      if (!Skinnable) return false;
      if (Framed() && !ZoomedChild() && supportNCArea_) {
        if (UseSkinFrame())
          PaintNCSkin(nullptr, false);
        else
          PaintNCDefault(nullptr, false);
      }
      M.Result = 0;
      return true;

    case WM_NCACTIVATE:
      if (!Skinnable) return false;
      WMNCActivate(M);
      return true;

    case WM_SYNCPAINT:
      if (Skinnable && RollUpState && supportNCArea_) {
        PaintNCNow();
        M.Result = 0;
        return true;
      }
      return false;

    case WM_SYSCOMMAND: {
      const WPARAM cmd = M.WParam & 0xFFF0;
      if (cmd == SC_RESTORE) {
        if (OnRestore) OnRestore(this);
        return false;
      }
      if (cmd == SC_KEYMENU) {
        if (InMainMenu)
          ExitMainMenu();
        else
          EnterMainMenu();
        M.Result = 0;
        return true;
      }
      return false;
    }

    case WM_TIMER:
      if (M.WParam == 1) FadeInTimer();
      return false;

    case WM_SIZING:
      if (InSizeMove && FullDrag) {
        passFirst();
        WMSizing(M);
      }
      return false;

    case WM_MOVING:
      if (Skinnable && M.LParam) {
        auto* r = reinterpret_cast<RECT*>(M.LParam);
        if (WindowState == spwsMaximized && !IsMDIChild()) {
          *r = RECT{Form->Left(), Form->Top(), Form->Left() + Form->Width(), Form->Top() + Form->Height()};
        } else if (Magnetic) {
          const int w = r->Right - r->Left, h = r->Bottom - r->Top;
          int left = r->Left, top = r->Top;
          MagneticSnap(left, top, h, w);
          *r = RECT{left, top, left + w, top + h};
        }
      }
      return false;

    case WM_ENTERSIZEMOVE:
      SetMagneticAnchor();
      if (supportNCArea_ && Skinnable) {
        ResetObjectStates();
        HoverTimer->SetEnabled(false);
        HoveredIndex = PressedIndex = -1;
        InSizeMove = true;
        BOOL full = TRUE;
        SystemParametersInfo(SPI_GETDRAGFULLWINDOWS, 0, &full, 0);
        FullDrag = full != FALSE;
      }
      return false;

    case WM_EXITSIZEMOVE:
      if (supportNCArea_ && Skinnable) {
        HoverTimer->SetEnabled(false);
        HoveredIndex = LastHoveredIndex = PressedIndex = -1;
        if (skinData_ && !skinData_->Empty) PaintNCNow();
      }
      return false;

    case SKINMSG_BEFORELOAD:
    case SKINMSG_LOADED:
    case SKINMSG_AFTERLOAD:
    case SPMSG_MENUCLOSED:
    case SPMSG_MDICHILDREFIT:
    case SPMSG_MDICHILDMAXIMIZED:
    case SPMSG_MDICHILDRESTORED:
    case SKINMSG_RESSTRCHANGED:
    case SKINMSG_SKINNABLECHANGED:
      SkinMessage(M);
      return false;

    case SPMSG_NCQUERY:
      M.Result = (Skinnable || !vistaOrLater_) ? 0x3235 : 0x3234;
      return true;

    case SPMSG_NCPAINTTO:
    case SPMSG_NCPAINTTO2:
      if (!Skinnable || (M.Msg == SPMSG_NCPAINTTO2 && M.LParam != kNcPaintToKey)) return false;
      if (M.WParam && supportNCArea_ && Framed() && !ZoomedChild()) {
        HDC dc = reinterpret_cast<HDC>(M.WParam);
        if (UseSkinFrame())
          PaintNCSkin(dc, true);
        else if (!SkinChanging)
          PaintNCDefault(dc, true);
      }
      M.Result = M.Msg == SPMSG_NCPAINTTO ? 0x3233 : kNcPaintToKey;
      return true;

    default:
      return false;
  }
}

void TspBrenvale::WMSize(TMessage& M) {
  FollowDesktopState(M.WParam);
  const bool logo = supportNCArea_ && !logoBitMap_->Empty() && !IsMDIForm();
  if (InSizeMove && FullDrag) {
    if (logo) Form->Invalidate();
    return;
  }
  ClearMagneticStick();
  FrameWidth = Form->Width();
  FrameHeight = Form->Height();
  if (SkinApplied) {
    if (supportNCArea_) {
      if (FrameWidth >= MinFrameWidth() && FrameHeight >= MinFrameHeight()) ClientRectChanged(true);
    } else if (!RollUpState) {
      const bool stretches = SkinStretches();
      if (stretches || (Form->ClientWidth() == skinData_->Picture.Width() &&
                        Form->ClientHeight() == skinData_->Picture.Height()))
        ClientRectChanged(stretches);
    }
  } else if (supportNCArea_) {
    PaintNCNow();
    UpdateRegion(false);
  }
  if (alphaBlend_ && alphaBlendValue_ < 255 && supportNCArea_) {
    PaintNCNow();
    Form->Invalidate();
  }
  if (logo) Form->Invalidate();
}

// The desktop maximised or restored the form itself (a window manager's
// shortcut, a task bar): the frame takes the same state, so its buttons
// offer the way back.
void TspBrenvale::FollowDesktopState(WPARAM sizeType) {
  // Only a frame the skin draws keeps its own state; otherwise the
  // platform's maximise is the form's.
  if (!Skinnable || !supportNCArea_ || IsMDIChild() || !Form->HandleAllocated()) return;
  const HWND h = Form->Handle();
  if (sizeType == SIZE_MAXIMIZED && WindowState == spwsNormal && IsZoomed(h)) {
    RECT normal{};
    GetRestoredRect(h, &normal);
    SavedBounds = TRect{normal.Left, normal.Top, normal.Right, normal.Bottom};
    WindowState = spwsMaximized;
    if (statusBar_ && SkinControlLinks().SetSizeGripShown) SkinControlLinks().SetSizeGripShown(statusBar_, false);
    PaintNCNow();
  } else if (sizeType == SIZE_RESTORED && WindowState == spwsMaximized && !IsZoomed(h) && !IsDesktopMaximized(h)) {
    WindowState = spwsNormal;
    SavedBounds = TRect{};
    if (statusBar_ && SkinControlLinks().SetSizeGripShown) SkinControlLinks().SetSizeGripShown(statusBar_, true);
    PaintNCNow();
  }
}

void TspBrenvale::WMSizing(TMessage& M) {
  ClearMagneticStick();
  if (!M.LParam) return;
  const RECT* r = reinterpret_cast<const RECT*>(M.LParam);
  const int oldW = Form->Width(), oldH = Form->Height();
  FrameWidth = r->Right - r->Left;
  FrameHeight = r->Bottom - r->Top;
  if (!skinData_ || (skinData_->Empty && Skinnable && supportNCArea_)) {
    UpdateRegion(false);
  } else if (supportNCArea_ && Skinnable) {
    if (oldW >= MinFrameWidth() && oldH >= MinFrameHeight() && (oldW != FrameWidth || oldH != FrameHeight))
      ClientRectChanged(true);
  }
}

void TspBrenvale::WMActivate(TMessage& M) {
  ClientDragActive = false;
  if (IsMDIChild()) MDIChildActivated(LOWORD(M.WParam) != WA_INACTIVE);
  if (supportNCArea_) PaintNCNow();
  if (ZoomedChild()) {
    UpdateCaptionActivation(false);
    return;
  }
  if (supportNCArea_) {
    HoverTest(-1, -1, false);
    ResetObjectStates();
    PaintNCNow();
  }
  UpdateCaptionActivation(true);
}

void TspBrenvale::WMSetText(TMessage&) {
  if (!Framed() || ZoomedChild()) return;
  if (SkinApplied && !supportNCArea_) {
    const std::string text = Form->Caption();
    for (auto& o : ObjectList)
      if (o->Kind() == TspObjectKind::Caption && o->DefaultCaption()) o->SetCaptionText(text);
    Form->Invalidate();
  } else {
    PaintNCNow();
  }
}

void TspBrenvale::WMNCActivate(TMessage& M) {
  if (SkinMenuVisible()) CloseSkinMenus();
  ButtonGlowLayer->Hide();
  MenuGlowLayer->Hide();
  NCActive = M.WParam != 0;
  if (!NCActive) HoverTest(-1, -1, false);
  if (IsMDIChild()) {
    OldWindowProc(M);
  } else {
    M.Result = 1;
  }
  if (ZoomedChild() || !Framed()) {
    UpdateCaptionActivation(false);
  } else {
    PaintNCNow();
    UpdateCaptionActivation(true);
  }
  if (ZoomedChild()) {
    TCustomForm* main = Application ? static_cast<TCustomForm*>(Application->MainForm()) : nullptr;
    if (main && main != Form && main->HandleAllocated()) SendMessage(main->Handle(), WM_NCPAINT, 1, 0);
  }
  if (IsMDIChild()) CheckChildWindowMenuItems();
}

void TspBrenvale::WMShowWindow(TMessage& M) {
  const bool showing = M.WParam != 0;
  if (!showing) {
    ButtonGlowLayer->Hide();
    MenuGlowLayer->Hide();
    if (Skinnable && IsMDIChild()) {
      RemoveChildWindowMenuItem();
      RemoveChildTab();
    }
    if (Skinnable && alphaBlend_ && Form->HandleAllocated()) {
      HWND h = Form->Handle();
      SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_LAYERED));
    }
    return;
  }
  UpdateCustomFrame();
  FirstShowPositioning();
  PrepareFadeIn();
  const bool hookClient = IsMDIForm() && Form->ClientHandle() && !MDIClientHooked();
  if (hookClient) HookMDIClient();
  if (!Skinnable) {
    if (hookClient) RelayoutJiggle();
    return;
  }
  if (supportNCArea_ && !IsMDIForm()) RelayoutJiggle();
  if (hookClient) RelayoutJiggle();
  if (IsMDIChild()) {
    bool accept = true;
    if (OnAcceptToMDITabsBar) OnAcceptToMDITabsBar(accept);
    if (accept) AddChildTab();
    AddChildWindowMenuItem();
  }
  if (!supportNCArea_) PlaceAreaControls();
  if (Form->Menu()) Form->SetMenu(nullptr);
}

void TspBrenvale::FirstShowPositioning() {
  if (!PositionPending) return;
  if (PositionInMonitor == sppDefault) {
    PositionPending = false;
    return;
  }
  if (WindowState != spwsNormal) return;
  PositionPending = false;
  TRect area{};
  GetMonitorWorkArea(Form->HandleAllocated() ? Form->Handle() : nullptr, PositionInMonitor == sppDesktopCenter,
                     area);
  const int left = area.Left + area.Width() / 2 - Form->Width() / 2;
  const int top = area.Top + area.Height() / 2 - Form->Height() / 2;
  Form->SetBounds(left, top, Form->Width(), Form->Height());
}

void TspBrenvale::PrepareFadeIn() {
  if (!IsWindows2000OrLater() || !(alphaBlend_ || AlphaBlendAnimation) || !Form->HandleAllocated()) return;
  HWND h = Form->Handle();
  SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) | WS_EX_LAYERED);
  SetWindowAlphaBlend(h, 0);
  SetTimer(h, 1, 1, nullptr);
}

void TspBrenvale::FadeInTimer() {
  if (!IsWindows2000OrLater() || !(alphaBlend_ || AlphaBlendAnimation) || !Form->HandleAllocated()) return;
  HWND h = Form->Handle();
  KillTimer(h, 1);
  const int target = (!AlphaBlendAnimation || alphaBlend_) ? alphaBlendValue_ : 255;
  FadeSteps.clear();
  if (AlphaBlendAnimation) {
    const std::shared_ptr<bool> alive = alive_;
    Application->ProcessMessages();
    // Processing messages may have closed the form.
    if (!*alive || !IsWindow(h)) return;
    int alpha = 0;
    DWORD last = GetTickCount();
    while (alpha < target) {
      const DWORD now = GetTickCount();
      if (now - last > 5) {
        last = now;
        alpha = std::min(alpha + 10, target);
        SetWindowAlphaBlend(h, Byte(alpha));
        FadeSteps.push_back(alpha);
      } else {
        Sleep(1);
      }
    }
  } else if (target != 255) {
    SetWindowAlphaBlend(h, Byte(target));
  }
  if (target == 255) SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_LAYERED));
}

// ---- Mouse stage --------------------------------------------------------------------

void TspBrenvale::MouseStage(TMessage& M) {
  const bool nc = supportNCArea_ && Skinnable;
  switch (M.Msg) {
    case WM_NCMOUSEMOVE:
      if (nc) {
        const TPoint p = ToWindowPoint(M.Pos());
        RouteMouseMove(p.X, p.Y);
      }
      break;
    case WM_NCLBUTTONDOWN:
      if (!nc) break;
      if (InSizeMove) {
        InSizeMove = false;
        break;
      }
      {
        const TPoint p = ToWindowPoint(M.Pos());
        HoverTest(p.X, p.Y, true);
        RouteMouseDown(TMouseButton::mbLeft, p.X, p.Y);
        if (M.WParam == WPARAM(HTCAPTION)) PressedIndex = -1;
      }
      break;
    case WM_NCLBUTTONUP:
    case WM_NCRBUTTONUP:
      if (nc) {
        const TPoint p = ToWindowPoint(M.Pos());
        RouteMouseUp(M.Msg == WM_NCLBUTTONUP ? TMouseButton::mbLeft : TMouseButton::mbRight, p.X, p.Y);
      }
      break;
    case WM_NCLBUTTONDBLCLK:
      if (nc) {
        const TPoint p = ToWindowPoint(M.Pos());
        HoverTest(p.X, p.Y, true);
        RouteMouseDown(TMouseButton::mbLeft, p.X, p.Y);
        RouteDblClick();
        if (M.WParam == WPARAM(HTCAPTION)) {
          CaptionDblClickAction();
          PressedIndex = -1;
        }
      }
      break;
    case WM_NCRBUTTONDOWN:
      if (nc) {
        const TPoint p = ToWindowPoint(M.Pos());
        HoverTest(p.X, p.Y, true);
        RouteMouseDown(TMouseButton::mbRight, p.X, p.Y);
        if (M.WParam == WPARAM(HTCAPTION)) {
          PressedIndex = -1;
          if (!DisableSystemMenu) {
            POINT c{};
            GetCursorPos(&c);
            PopupSystemMenu(TPoint{c.X, c.Y});
          }
        }
      }
      break;
    case WM_NCRBUTTONDBLCLK:
      if (nc) {
        const TPoint p = ToWindowPoint(M.Pos());
        HoverTest(p.X, p.Y, true);
        RouteMouseDown(TMouseButton::mbRight, p.X, p.Y);
        if (M.WParam == WPARAM(HTCAPTION)) PressedIndex = -1;
      }
      break;
    case WM_MOUSEMOVE:
      if (!supportNCArea_) {
        RouteMouseMove(M.XPos(), M.YPos());
        if (ClientDragActive) ClientDragStep();
      } else if (objectCapture_ && PressedIndex != -1) {
        // A pressed frame object holds the mouse: a track bar or regulator
        // is dragged with moves that arrive as client moves.
        const TPoint p = ToWindowPoint(Form->ClientToScreen(TPoint{M.XPos(), M.YPos()}));
        RouteMouseMove(p.X, p.Y);
      }
      break;
    case WM_LBUTTONDOWN:
      if (!supportNCArea_) {
        SetMagneticAnchor();
        RouteMouseDown(TMouseButton::mbLeft, M.XPos(), M.YPos());
      }
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      const TMouseButton b = M.Msg == WM_LBUTTONUP ? TMouseButton::mbLeft : TMouseButton::mbRight;
      if (supportNCArea_)
        RouteMouseUp(b, -1, -1);
      else
        RouteMouseUp(b, M.XPos(), M.YPos());
      break;
    }
    case WM_LBUTTONDBLCLK:
      // Client coordinates; frame objects lie in the client area only
      // without non-client support, so only then can a double click here
      // reach one.
      if (!supportNCArea_) {
        RouteMouseDown(TMouseButton::mbLeft, M.XPos(), M.YPos());
        RouteDblClick();
        ClientCaptionDblClick();
      }
      break;
    case WM_RBUTTONDOWN:
      if (!supportNCArea_) RouteMouseDown(TMouseButton::mbRight, M.XPos(), M.YPos());
      break;
    case WM_RBUTTONDBLCLK:
      if (!supportNCArea_) RouteMouseDown(TMouseButton::mbRight, M.XPos(), M.YPos());
      break;
    default:
      break;
  }
}

void TspBrenvale::CaptionDblClickAction() {
  if (Sizeable && WindowState == spwsMinimized) {
    ChangeWindowState(spwsNormal);
  } else if (Sizeable && WindowState != spwsMaximized && !RollUpState && (borderIcons_ & spbiMaximize)) {
    ChangeWindowState(spwsMaximized);
  } else if (Sizeable && WindowState == spwsMaximized && !MaximizedRollUp) {
    ChangeWindowState(spwsNormal);
  } else if (RollUpState) {
    ChangeRollUpState(false);
  } else {
    ChangeRollUpState(true);
  }
}

void TspBrenvale::ClientCaptionDblClick() {
  TspActiveSkinObject* o = HoveredObject();
  if (!o || o->Kind() != TspObjectKind::Caption) return;
  if (RollUpState)
    ChangeRollUpState(false);
  else if (Sizeable)
    ChangeWindowState(WindowState == spwsNormal ? spwsMaximized : spwsNormal);
  else
    ChangeRollUpState(true);
}

TspBrenvale* FindController(TCustomForm* Form) {
  if (!Form) return nullptr;
  for (int i = 0; i < Form->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<TspBrenvale*>(Form->Components(i))) return c;
  return nullptr;
}
