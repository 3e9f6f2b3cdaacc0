// The images menu and its drop-down: layout of cells, buttons and headers,
// placement, painting, keys, mouse and closing.
#include "skin/windows/SkinMenus_ImagesMenu.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageList.h"
#include "platform/rtl/Clock.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataControls.h"
#include "skin/engine/SkinDataObjects.h"
#include "skin/engine/SkinStrings.h"
#include "skin/windows/SkinHint.h"
#include "skin/windows/SkinMenus.h"

namespace {
constexpr int kImagesFadeStep = 10;
constexpr DWORD kImagesFadeStepMs = 5;
constexpr TColor kImagesNavy = 0x00800000;
constexpr TColor kImagesDownFill = 0x00B59385;
constexpr TColor kImagesHotFill = 0x00D2BDB6;

bool ImagesMenuSkinUsable(const TspSkinData* sd) { return sd && !sd->Empty; }

const TspDataSkinButtonControl* ImagesMenuCellDescription(const TspSkinData* sd) {
  if (!ImagesMenuSkinUsable(sd)) return nullptr;
  auto* d = sd->FindControl<TspDataSkinButtonControl>("menuitembutton");
  return d ? d : sd->FindControl<TspDataSkinButtonControl>("resizebutton");
}

// Messages that close an open drop-down.
bool ImagesMenuClosingMessage(UINT m) {
  switch (m) {
    case WM_MOVE: case WM_SIZE: case WM_ACTIVATE: case WM_KILLFOCUS: case WM_CANCELMODE: case WM_MOUSEACTIVATE:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN: case WM_SYSKEYDOWN: case WM_SYSCHAR:
    case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_PARENTNOTIFY:
      return true;
    default: return false;
  }
}
}  // namespace

// ---- Items -----------------------------------------------------------------------------------

void TspImagesMenuItem::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TspImagesMenuItem*>(source)) {
    ImageIndex = s->ImageIndex;
    Caption = s->Caption;
    Button = s->Button;
    Hint = s->Hint;
    return;
  }
  TCollectionItem::Assign(source);
}

TspImagesMenuItems::TspImagesMenuItems(TspSkinImagesMenu* owner)
    : TOwnedCollection(owner, CollectionItemClassOf<TspImagesMenuItem>()) {}

// ---- The menu --------------------------------------------------------------------------------

TspSkinImagesMenu::TspSkinImagesMenu(TComponent* AOwner)
    : TspImagesMenuBase(AOwner),
      items_(std::make_unique<TspImagesMenuItems>(this)),
      defaultFont_(std::make_unique<TFont>()) {
  defaultFont_->SetName("Arial");
  defaultFont_->SetStyle(0);
  defaultFont_->SetHeight(14);
}

TspSkinImagesMenu::~TspSkinImagesMenu() {
  CloseNotify = nullptr;
  ChangeNotify = nullptr;
  OnMenuClose = nullptr;
  if (popupWindow_) popupWindow_->CloseUp(false);
  popupWindow_.reset();
  closed_.reset();
}

void TspSkinImagesMenu::SetImages(TImageList* v) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (images_) images_->FreeNotification(this);
}

void TspSkinImagesMenu::SetSkinHint(TspSkinHint* v) {
  if (skinHint_) skinHint_->RemoveFreeNotification(this);
  skinHint_ = v;
  if (skinHint_) skinHint_->FreeNotification(this);
}

void TspSkinImagesMenu::SetSkinData(TspSkinData* v) {
  if (skinData_) skinData_->RemoveFreeNotification(this);
  skinData_ = v;
  if (skinData_) skinData_->FreeNotification(this);
}

void TspSkinImagesMenu::SetColumnsCount(int v) {
  if (v >= 1 && v <= 50) columnsCount_ = v;
}

void TspSkinImagesMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TspImagesMenuBase::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == images_) images_ = nullptr;
  if (AComponent == skinHint_) skinHint_ = nullptr;
  if (AComponent == skinData_) skinData_ = nullptr;
}

TspImagesMenuItem* TspSkinImagesMenu::SelectedItem() const {
  if (ItemIndex < 0 || ItemIndex >= items_->Count()) return nullptr;
  return items_->Items(ItemIndex);
}

bool TspSkinImagesMenu::SelectedItem(int& imageIndex, std::string& caption) const {
  TspImagesMenuItem* it = SelectedItem();
  if (!it) return false;
  imageIndex = it->ImageIndex;
  caption = it->Caption;
  return true;
}

void TspSkinImagesMenu::PopupAtRect(const TRect& R) {
  if (popupWindow_) popupWindow_->CloseUp(false);
  closed_.reset();
  if (OnMenuPopup) OnMenuPopup(this);
  // Nothing to lay out without items.
  if (!images_ || images_->Count() == 0 || items_->Count() == 0) return;
  OldItemIndex = ItemIndex;
  popupWindow_ = std::make_unique<TspSkinImagesMenuPopupWindow>(this);
  popupWindow_->DropDown(R);
}

void TspSkinImagesMenu::ClosePopup(bool AcceptChanges) {
  if (!popupWindow_) return;
  closed_ = std::move(popupWindow_);
  if (CloseNotify) CloseNotify();
  if (OnMenuClose) OnMenuClose(this);
  if (!AcceptChanges || ItemIndex == -1) return;
  if (TspImagesMenuItem* it = SelectedItem())
    if (it->OnClick) it->OnClick(this);
  if (OnItemClick) OnItemClick(this);
  if (ItemIndex != OldItemIndex) {
    if (ChangeNotify) ChangeNotify();
    if (OnChange) OnChange(this);
  }
}

// ---- The drop-down: layout -------------------------------------------------------------

TspSkinImagesMenuPopupWindow::TspSkinImagesMenuPopupWindow(TspSkinImagesMenu* AMenu)
    : TCustomControl(nullptr), Menu(AMenu) {
  ControlStyle |= csNoDesignVisible | csReplicatable;
  SetVisible(false);
}

TspSkinImagesMenuPopupWindow::~TspSkinImagesMenuPopupWindow() {
  *alive_ = false;
  if (hooked_ && Application) Application->OnMessage = savedOnMessage_;
  if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
}

void TspSkinImagesMenuPopupWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle = WS_EX_TOOLWINDOW;
  Params.WindowClass.style |= CS_SAVEBITS;
  if (IsWindowsXPOrLater()) Params.WindowClass.style |= CS_DROPSHADOW;
  Params.WndParent = nullptr;
}

bool TspSkinImagesMenuPopupWindow::ComputeSkinned() const {
  TspSkinData* sd = Menu->SkinData();
  return ImagesMenuSkinUsable(sd) && sd->PopupWindow.windowpictureindex != -1 &&
         sd->GetActivePicture(sd->PopupWindow.windowpictureindex);
}

void TspSkinImagesMenuPopupWindow::LayoutAndSize() {
  Skinned = ComputeSkinned();
  TspSkinData* sd = Menu->SkinData();
  TImageList* images = Menu->Images();
  const int CW = images->Width() + 10, CH = images->Height() + 10;
  const int RW = Menu->ColumnsCount() * CW;
  const TspDataSkinPopupWindow* d = Skinned ? &sd->PopupWindow : nullptr;
  const int L = d ? d->itemsrect.Left : 5;
  int y = d ? d->itemsrect.Top : 5;
  int headerH = CH;
  if (ImagesMenuSkinUsable(sd))
    if (auto* label = sd->FindControl<TspDataSkinControl>("label")) headerH = label->skinrect.Height();
  int x = L;
  TspImagesMenuItems* items = Menu->ImagesItems();
  for (int i = 0; i < items->Count(); ++i) {
    TspImagesMenuItem* it = items->Items(i);
    if (it->Header || it->Button) {
      if (x != L) y += CH + 1;
      const int h = it->Header ? headerH : CH;
      it->CellRect = TRect{L, y, L + RW, y + h};
      y += h + 1;
      x = L;
    } else {
      it->CellRect = TRect{x, y, x + CW, y + CH};
      x += CW;
      if (x + CW > L + RW) {
        x = L;
        y += CH + 1;
      }
    }
  }
  const int D = items->Items(items->Count() - 1)->CellRect.Bottom - items->Items(0)->CellRect.Top;
  int W, H;
  if (d) {
    WindowPicture = sd->GetActivePicture(d->windowpictureindex);
    MaskPicture = d->maskpictureindex != -1 ? sd->GetActivePicture(d->maskpictureindex) : nullptr;
    const int pw = WindowPicture->Width(), ph = WindowPicture->Height();
    W = std::max(1, pw + RW - d->itemsrect.Width());
    H = std::max(1, ph + D - d->itemsrect.Height());
    LeftTopPoint = d->lefttoppoint;
    RightTopPoint = TPoint{W + d->righttoppoint.X - pw, d->righttoppoint.Y};
    LeftBottomPoint = TPoint{d->leftbottompoint.X, H + d->leftbottompoint.Y - ph};
    RightBottomPoint = TPoint{W + d->rightbottompoint.X - pw, H + d->rightbottompoint.Y - ph};
    ItemsArea = TRect{d->itemsrect.Left, d->itemsrect.Top, W + d->itemsrect.Right - pw, H + d->itemsrect.Bottom - ph};
  } else {
    WindowPicture = MaskPicture = nullptr;
    W = RW + 10;
    H = D + 10;
  }
  SetBounds(Left(), Top(), W, H);
  if (d && MaskPicture) {
    HRGN rgn = nullptr;
    CreateSkinRegion(rgn, d->lefttoppoint, d->righttoppoint, d->leftbottompoint, d->rightbottompoint, d->itemsrect,
                     LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint, ItemsArea, MaskPicture, W, H);
    // The window owns the installed region and frees the one it replaces.
    SetWindowRgn(Handle(), rgn, TRUE);
  }
}

void TspSkinImagesMenuPopupWindow::DropDown(const TRect& R) {
  LayoutAndSize();
  const int W = Width(), H = Height();
  int X = R.Left, Y = R.Bottom;
  HWND boundBy = nullptr;
  if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
    boundBy = Screen->ActiveForm()->Handle();
  else if (Application && Application->MainForm() && Application->MainForm()->Visible())
    boundBy = Application->MainForm()->Handle();
  else if (auto* owner = dynamic_cast<TWinControl*>(Menu->Owner()); owner && owner->HandleAllocated())
    boundBy = owner->Handle();
  TRect B{};
  GetMonitorWorkArea(boundBy, true, B);
  if (B.Bottom < Y + H) Y = Y - H - R.Height();
  if (X + W > B.Right) X -= X + W - B.Right;
  X = std::max(X, B.Left);
  Y = std::max(Y, B.Top);
  HWND h = Handle();
  const bool layered = IsWindows2000OrLater() && Menu->AlphaBlend;
  const bool fade = layered && Menu->AlphaBlendAnimation;
  if (layered) {
    SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetWindowAlphaBlend(h, fade ? 0 : Menu->AlphaBlendValue);
  }
  SetWindowPos(h, HWND_TOPMOST, X, Y, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
  SetVisible(true);
  FadeSteps.clear();
  if (fade) {
    auto alive = alive_;
    if (Application) Application->ProcessMessages();
    if (!*alive) return;
    int alpha = 0;
    DWORD last = GetTickCount();
    while (alpha < Menu->AlphaBlendValue) {
      while (GetTickCount() - last <= kImagesFadeStepMs) Sleep(1);
      last = GetTickCount();
      alpha = std::min(alpha + kImagesFadeStep, int(Menu->AlphaBlendValue));
      SetWindowAlphaBlend(h, Byte(alpha));
      FadeSteps.push_back(alpha);
      Update();
      if (!*alive) return;
    }
  }
  if (Application) {
    hooked_ = true;
    savedOnMessage_ = Application->OnMessage;
    std::weak_ptr<bool> alive = alive_;
    Application->OnMessage = [this, alive](MSG& Msg, bool& Handled) {
      // Closing puts the saved callback back while this one runs: nothing
      // of the lambda is used after that.
      if (auto a = alive.lock(); !a || !*a) return;
      if (ImagesMenuClosingMessage(Msg.message)) {
        CloseUp(false);
      } else if (Msg.message == WM_KEYDOWN) {
        const Word key = Word(Msg.wParam);
        Msg.message = 0;
        Handled = true;
        KeyDown(key);
      }
    };
  }
  SetCapture(h);
}

// ---- Painting --------------------------------------------------------------------------------

void TspSkinImagesMenuPopupWindow::DrawCellBackground(TCanvas* C, const TRect& R, bool Down) {
  const TspDataSkinButtonControl* d = Skinned ? ImagesMenuCellDescription(Menu->SkinData()) : nullptr;
  TBitmap* picture = d ? Menu->SkinData()->GetActivePicture(d->pictureindex) : nullptr;
  if (picture) {
    TRect src = Down && !IsNullRect(d->downskinrect) ? d->downskinrect : d->activeskinrect;
    if (IsNullRect(src)) src = d->skinrect;
    const int dw = R.Width() - d->skinrect.Width(), dh = R.Height() - d->skinrect.Height();
    const TRect& cr = d->clientrect;
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    CreateSkinImage(d->lefttoppoint, d->righttoppoint, d->leftbottompoint, d->rightbottompoint, cr, d->lefttoppoint,
                    TPoint{d->righttoppoint.X + dw, d->righttoppoint.Y},
                    TPoint{d->leftbottompoint.X, d->leftbottompoint.Y + dh},
                    TPoint{d->rightbottompoint.X + dw, d->rightbottompoint.Y + dh},
                    TRect{cr.Left, cr.Top, cr.Right + dw, cr.Bottom + dh}, &b, picture, src, R.Width(), R.Height(),
                    true, d->leftstretch, d->topstretch, d->rightstretch, d->bottomstretch, d->stretcheffect,
                    d->stretchtype);
    C->Draw(R.Left, R.Top, &b);
    return;
  }
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(kImagesNavy);
  C->FrameRect(R);
  C->Brush()->SetColor(Down ? kImagesDownFill : kImagesHotFill);
  C->FillRect(TRect{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1});
}

void TspSkinImagesMenuPopupWindow::DrawHeader(TCanvas* C, TspImagesMenuItem* Item) {
  TspSkinData* sd = Menu->SkinData();
  const TRect& R = Item->CellRect;
  auto* label = ImagesMenuSkinUsable(sd) ? sd->FindControl<TspDataSkinLabelControl>("label") : nullptr;
  TBitmap* picture = label ? sd->GetActivePicture(label->pictureindex) : nullptr;
  C->Brush()->SetStyle(bsClear);
  if (label && picture) {
    const TRect& sr = label->skinrect;
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    CreateHSkinImage(label->lefttoppoint.X, sr.Width() - label->righttoppoint.X, &b, picture, sr, R.Width(),
                     label->stretcheffect);
    TCanvas* bc = b.Canvas();
    bc->Font()->SetName(label->fontname);
    bc->Font()->SetHeight(label->fontheight);
    bc->Font()->SetStyle(label->fontstyle);
    bc->Font()->SetColor(label->fontcolor);
    bc->Font()->SetCharset(C->Font()->Charset());
    bc->Brush()->SetStyle(bsClear);
    TRect tr{label->clientrect.Left, label->clientrect.Top, b.Width() + label->clientrect.Right - sr.Width(),
             b.Height()};
    DrawWideText(bc, Item->Caption, tr, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    C->Draw(R.Left, R.Top, &b);
    return;
  }
  TRect tr = R;
  DrawWideText(C, Item->Caption, tr, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
}

void TspSkinImagesMenuPopupWindow::DrawButtonCaption(TCanvas* C, TspImagesMenuItem* Item, TRect R, bool Down,
                                                     bool Hot) {
  TspSkinData* sd = Menu->SkinData();
  const TspDataSkinButtonControl* cd = Skinned ? ImagesMenuCellDescription(sd) : nullptr;
  TspDataSkinMenuItem* md = nullptr;
  if (cd) {
    md = sd->FindObject<TspDataSkinMenuItem>("menuitem");
    if (!md) md = sd->FindObject<TspDataSkinMenuItem>("MENUITEM");
  }
  if (cd && md) {
    if (Menu->UseSkinFont) {
      C->Font()->SetName(cd->fontname);
      C->Font()->SetHeight(cd->fontheight);
      C->Font()->SetStyle(cd->fontstyle);
    } else {
      C->Font()->Assign(Menu->DefaultFont());
    }
    C->Font()->SetCharset(sd->ResourceStrData() ? sd->ResourceStrData()->CharSet : Menu->DefaultFont()->Charset());
    C->Font()->SetColor(Down ? cd->downfontcolor : Hot ? cd->activefontcolor : md->fontcolor);
  } else {
    C->Font()->Assign(Menu->DefaultFont());
    C->Font()->SetColor(clWindowText);
  }
  C->Brush()->SetStyle(bsClear);
  const bool wide = GetWideTextWidth(C, Item->Caption) > R.Width();
  DrawWideText(C, Item->Caption, R, DT_SINGLELINE | DT_VCENTER | (wide ? DT_LEFT : DT_CENTER));
}

void TspSkinImagesMenuPopupWindow::PaintTo(TCanvas* Cnvs) {
  Skinned = ComputeSkinned();
  const int W = Width(), H = Height();
  TBitmap B;
  B.SetPixelFormat(pf24bit);
  B.SetSize(W, H);
  TCanvas* C = B.Canvas();
  TspSkinData* sd = Menu->SkinData();
  if (Skinned && WindowPicture) {
    const TspDataSkinPopupWindow& d = sd->PopupWindow;
    CreateSkinImage2(d.lefttoppoint, d.righttoppoint, d.leftbottompoint, d.rightbottompoint, d.itemsrect,
                     LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint, ItemsArea, &B, WindowPicture,
                     TRect{0, 0, WindowPicture->Width(), WindowPicture->Height()}, W, H, true, d.leftstretch,
                     d.topstretch, d.rightstretch, d.bottomstretch, d.stretcheffect, d.stretchtype);
  } else {
    C->Pen()->SetColor(clBtnShadow);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(clWindow);
    C->Rectangle(TRect{0, 0, W, H});
  }
  C->Font()->Assign(Menu->DefaultFont());
  TImageList* images = Menu->Images();
  const int S = Menu->ShowSelectedItem ? Menu->ItemIndex : -1;
  TspImagesMenuItems* items = Menu->ImagesItems();
  for (int i = 0; i < items->Count(); ++i) {
    TspImagesMenuItem* it = items->Items(i);
    if (it->Header) {
      C->Font()->Assign(Menu->DefaultFont());
      DrawHeader(C, it);
      continue;
    }
    const TRect& R = it->CellRect;
    if (i == S && !Pressed)
      DrawCellBackground(C, R, true);
    else if (i == HoverIndex)
      DrawCellBackground(C, R, Pressed);
    bool drewImage = false;
    if (images && it->ImageIndex >= 0 && it->ImageIndex < images->Count()) {
      images->Draw(C, R.Left + 5, R.Top + 5, it->ImageIndex, true);
      drewImage = true;
    }
    if (it->Button && !it->Caption.empty()) {
      TRect tr = R;
      if (drewImage) tr.Left += images->Width() + 5;
      const bool down = (i == S && !Pressed) || (i == HoverIndex && Pressed);
      const bool hot = i == HoverIndex && !Pressed;
      DrawButtonCaption(C, it, tr, down, hot);
    }
  }
  Cnvs->Draw(0, 0, &B);
}

void TspSkinImagesMenuPopupWindow::Paint() { PaintTo(Canvas()); }

// ---- Keys ------------------------------------------------------------------------------------

void TspSkinImagesMenuPopupWindow::KeyDown(Word Key) {
  TspImagesMenuItems* items = Menu->ImagesItems();
  const int n = items->Count();
  auto item = [&](int i) { return items->Items(i); };
  auto selectable = [&](int i) { return i >= 0 && i < n && !item(i)->Header; };
  // The first item that is not a header, from 0.
  auto first = [&] { return selectable(0) ? 0 : selectable(1) ? 1 : -1; };
  int target = -1;
  const int h = HoverIndex;
  switch (Key) {
    case VK_RETURN:
    case VK_SPACE:
      if (h != -1) Menu->ItemIndex = h;
      CloseUp(true);
      return;
    case VK_ESCAPE: CloseUp(false); return;
    case VK_UP:
      if (h == -1) {
        target = n - 1;
      } else {
        for (int i = h - 1; i >= 0; --i)
          if (!item(i)->Header && item(i)->CellRect.Top < item(h)->CellRect.Top &&
              (item(i)->Button || item(i)->CellRect.Left == item(h)->CellRect.Left)) {
            target = i;
            break;
          }
      }
      break;
    case VK_DOWN:
      if (h == -1) {
        target = first();
      } else {
        for (int i = h + 1; i < n; ++i)
          if (!item(i)->Header && item(i)->CellRect.Top > item(h)->CellRect.Top &&
              (item(i)->Button || item(i)->CellRect.Left == item(h)->CellRect.Left)) {
            target = i;
            break;
          }
      }
      break;
    case VK_RIGHT:
      if (h == -1 || h == n - 1) {
        target = first();
      } else {
        for (int i = h + 1; i < n; ++i)
          if (!item(i)->Header) {
            target = i;
            break;
          }
      }
      break;
    case VK_LEFT:
      if (h == -1 || h == 0 || (h == 1 && item(0)->Header && n > 1)) {
        target = n - 1;
      } else {
        for (int i = h - 1; i >= 0; --i)
          if (!item(i)->Header) {
            target = i;
            break;
          }
      }
      break;
    default: return;
  }
  // Only items that exist and are not headers are hovered.
  if (!selectable(target)) return;
  HoverIndex = target;
  Invalidate();
}

// ---- Mouse and closing ---------------------------------------------------------------------

int TspSkinImagesMenuPopupWindow::ItemAtPos(int X, int Y) const {
  TspImagesMenuItems* items = Menu->ImagesItems();
  for (int i = 0; i < items->Count(); ++i) {
    const TspImagesMenuItem* it = items->Items(i);
    const TRect& r = it->CellRect;
    if (!it->Header && X >= r.Left && X <= r.Right && Y >= r.Top && Y <= r.Bottom) return i;
  }
  return -1;
}

void TspSkinImagesMenuPopupWindow::HideHint() {
  if (Menu->ShowHints && Menu->SkinHint()) Menu->SkinHint()->HideHint();
}

void TspSkinImagesMenuPopupWindow::Hover(int Index) {
  HoverIndex = Index;
  if (Menu->SkinHint() && Index == -1) Menu->SkinHint()->HideHint();
  if (Index == LastHoverIndex) return;
  LastHoverIndex = Index;
  Invalidate();
  if (Menu->ShowHints && Index != -1 && Menu->SkinHint()) {
    Menu->SkinHint()->HideHint();
    const std::string& hint = Menu->ImagesItems()->Items(Index)->Hint;
    if (!hint.empty()) Menu->SkinHint()->ShowHintLater(hint);
  }
}

void TspSkinImagesMenuPopupWindow::MouseLeft() {
  HideHint();
  HoverIndex = LastHoverIndex = -1;
  Invalidate();
}

void TspSkinImagesMenuPopupWindow::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  Hover(ItemAtPos(X, Y));
}

void TspSkinImagesMenuPopupWindow::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  HideHint();
  MouseWasDown = true;
  Pressed = ItemAtPos(X, Y) != -1;
  Invalidate();
}

void TspSkinImagesMenuPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  const int hit = ItemAtPos(X, Y);
  if (MouseWasDown && hit != -1) {
    Menu->ItemIndex = hit;
    CloseUp(true);
    return;
  }
  if (HandleAllocated() && Visible()) SetCapture(Handle());
}

void TspSkinImagesMenuPopupWindow::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE: Message.Result = MA_NOACTIVATE; return;
    case WM_ERASEBKGND: Message.Result = 1; return;
    case CM_MOUSELEAVE:
      TCustomControl::WndProc(Message);
      MouseLeft();
      return;
    default: break;
  }
  auto alive = alive_;
  TCustomControl::WndProc(Message);
  if (!*alive || !Visible()) return;
  if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) {
    POINT p{};
    GetCursorPos(&p);
    if (WindowFromPoint(p) != Handle()) CloseUp(false);
  }
}

void TspSkinImagesMenuPopupWindow::CloseUp(bool AcceptChanges) {
  HideHint();
  if (HandleAllocated())
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
  SetVisible(false);
  if (hooked_ && Application) {
    hooked_ = false;
    // Copied out: the running callback may be the one being replaced.
    TMessageEvent saved = savedOnMessage_;
    Application->OnMessage = saved;
  }
  if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
  // The menu keeps this window until the next drop-down, so returning into
  // the handler that closed it is safe.
  Menu->ClosePopup(AcceptChanges);
}
