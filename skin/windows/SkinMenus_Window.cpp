// A level of a skinned popup: its rows, size, placement against the work
// area, page layout and scrolling, painting and fade-in.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/ImageList.h"
#include "platform/rtl/Clock.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataObjects.h"
#include "skin/engine/SkinStrings.h"
#include "skin/windows/SkinMenus.h"

namespace {
constexpr int kScrollButton = 10;
constexpr int kMenuFadeStep = 10;
constexpr DWORD kMenuFadeStepMs = 5;
}  // namespace

TspSkinPopupWindow::TspSkinPopupWindow(TComponent* AOwner, TspDataSkinPopupWindow* ADescription, TspSkinMenu* AMenu)
    : TCustomControl(AOwner), Menu(AMenu) {
  ControlStyle |= csAcceptsControls | csNoDesignVisible | csReplicatable;
  SetVisible(false);
  AlphaBlend = Menu->AlphaBlend;
  AlphaBlendValue = Menu->AlphaBlendValue;
  AlphaBlendAnimation = Menu->AlphaBlendAnimation;
  TrackTimer = new TTimer(this);
  TrackTimer->SetEnabled(false);
  TrackTimer->SetInterval(50);
  TrackTimer->SetOnTimer([this](TObject*) { TrackTick(); });
  AnimationTimer = new TTimer(this);
  AnimationTimer->SetEnabled(false);
  AnimationTimer->SetInterval(20);
  AnimationTimer->SetOnTimer([this](TObject*) {
    if (!AnimationTick()) AnimationTimer->SetEnabled(false);
  });
  if (ADescription && ADescription->windowpictureindex != -1 && Menu->SkinData) {
    Description = ADescription;
    SkinData = Menu->SkinData;
    WindowPicture = SkinData->GetActivePicture(ADescription->windowpictureindex);
    if (ADescription->maskpictureindex != -1) MaskPicture = SkinData->GetActivePicture(ADescription->maskpictureindex);
  }
}

TspSkinPopupWindow::~TspSkinPopupWindow() {
  Retire();
  Items.clear();
}

void TspSkinPopupWindow::Retire() {
  if (TrackTimer) TrackTimer->SetEnabled(false);
  if (AnimationTimer) AnimationTimer->SetEnabled(false);
  if (auto* cc = dynamic_cast<TControlCanvas*>(Canvas())) cc->FreeHandle();
  if (HandleAllocated()) {
    if (scrollTimer_) KillTimer(Handle(), 1);
    if (GetCapture() == Handle()) ReleaseCapture();
    ShowWindow(Handle(), SW_HIDE);
  }
  scrollTimer_ = false;
  SetVisible(false);
}

void TspSkinPopupWindow::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle = WS_EX_TOOLWINDOW;
  Params.WindowClass.style |= CS_SAVEBITS;
  if (IsWindowsXPOrLater()) Params.WindowClass.style |= CS_DROPSHADOW;
  Params.WndParent = nullptr;
}

int TspSkinPopupWindow::RowHeight(const TspSkinMenuItem* Row) const {
  if (ItemDescription) return Row->IsSeparator() ? ItemDescription->dividerrect.Height() : ItemDescription->skinrect.Height();
  return Row->IsSeparator() ? 4 : Menu->DefMenuItemHeight;
}

void TspSkinPopupWindow::SetupFont() {
  TspDataSkinMenuItem* found = nullptr;
  if (SkinData) {
    found = SkinData->FindObject<TspDataSkinMenuItem>("MENUITEM");
    if (!found) found = SkinData->FindObject<TspDataSkinMenuItem>("menuitem");
  }
  // A row without its picture has no size of its own: the default rows go
  // in the skinned frame then.
  if (found && !SkinData->GetActivePicture(found->activepictureindex)) found = nullptr;
  TFont* f = Canvas()->Font();
  if (Description && found && Menu->UseSkinFont) {
    ItemDescription = found;
    f->SetHeight(found->fontheight);
    f->SetStyle(found->fontstyle);
    f->SetName(found->fontname.empty() ? Menu->DefMenuItemFont()->Name() : found->fontname);
    f->SetCharset(Menu->DefMenuItemFont()->Charset());
  } else {
    ItemDescription = Description ? found : nullptr;
    f->Assign(Menu->DefMenuItemFont());
  }
}

void TspSkinPopupWindow::AddRows(TMenuItem* Item, int From) {
  for (int i = std::max(From, 0); i < Item->Count(); ++i) {
    TMenuItem* sub = Item->Items(i);
    if (!sub->Visible()) continue;
    Items.push_back(std::make_unique<TspSkinMenuItem>(this, ItemDescription, sub));
  }
}

void TspSkinPopupWindow::CreateItems(TMenuItem* ItemA, TMenuItem* ItemB, int StartIndex, bool Two) {
  SetupFont();
  if (Two && Menu->SkinData && Menu->SkinData->ResourceStrData())
    Canvas()->Font()->SetCharset(Menu->SkinData->ResourceStrData()->CharSet);
  if (TMenu* pm = ItemA->GetParentMenu(); pm && ItemA->AutoLinesEffective()) ItemA->RethinkLines();
  TMenu* pm = ItemA->GetParentMenu();
  Images = pm ? pm->Images() : nullptr;
  Items.clear();
  if (!Two) {
    AddRows(ItemA, StartIndex);
  } else {
    if (StartIndex < ItemA->Count()) AddRows(ItemA, StartIndex);
    if (ItemB) AddRows(ItemB, std::max(0, StartIndex - ItemA->Count()));
  }

  FirstIndex = 0;
  PageCount = int(Items.size());
  Scrolling = ScrollingByLimit = false;
  // Width: the widest text.
  TBitmap scratch;
  scratch.SetSize(1, 1);
  TCanvas* mc = scratch.Canvas();
  mc->Font()->Assign(Canvas()->Font());
  int textW = 0;
  for (auto& r : Items) {
    std::string t = r->Item->Caption();
    const std::string sc = ShortCutToText(r->Item->ShortCut());
    if (!sc.empty()) t += "  " + sc;
    TRect m{0, 0, 0, 0};
    DrawWideText(mc, t, m, DT_CALCRECT);
    textW = std::max(textW, m.Width());
  }
  GlyphColumnWidth = Images ? Images->Width() + 5 : 16;
  int W = textW + 2 + GlyphColumnWidth + 16;
  const TspDataSkinPopupWindow* d = Description;
  const int pw = WindowPicture ? WindowPicture->Width() : 0, ph = WindowPicture ? WindowPicture->Height() : 0;
  if (d && ItemDescription)
    W += pw + ItemDescription->textrect.Left + ItemDescription->skinrect.Width() - ItemDescription->textrect.Right +
         d->itemsrect.Left - d->itemsrect.Right;
  else if (d)
    W += 10 + pw + d->itemsrect.Left - d->itemsrect.Right - 6;
  else
    W += 10;
  const int frameH = d ? ph + d->itemsrect.Top - d->itemsrect.Bottom : 6;
  int sum = 0;
  for (auto& r : Items) sum += RowHeight(r.get());
  int H;
  const int rows = int(Items.size());
  if (Menu->MaxMenuItemsInWindow > 0 && Menu->MaxMenuItemsInWindow < rows) {
    const int rh = ItemDescription ? ItemDescription->skinrect.Height() : Menu->DefMenuItemHeight;
    H = rh * Menu->MaxMenuItemsInWindow + frameH + 2 * kScrollButton;
    Scrolling = ScrollingByLimit = true;
  } else {
    H = sum + frameH;
  }
  if (H > Menu->WorkArea.Height() && Menu->WorkArea.Height() > 0) {
    H = Menu->WorkArea.Height();
    Scrolling = true;
  }
  W = std::max(W, 1);
  H = std::max(H, 1);
  SetBounds(Left(), Top(), W, H);
  if (d) {
    LeftTopPoint = d->lefttoppoint;
    RightTopPoint = TPoint{W + d->righttoppoint.X - pw, d->righttoppoint.Y};
    LeftBottomPoint = TPoint{d->leftbottompoint.X, H + d->leftbottompoint.Y - ph};
    RightBottomPoint = TPoint{W + d->rightbottompoint.X - pw, H + d->rightbottompoint.Y - ph};
    ItemsArea = TRect{d->itemsrect.Left, d->itemsrect.Top, W + d->itemsrect.Right - pw, H + d->itemsrect.Bottom - ph};
  } else {
    ItemsArea = TRect{3, 3, W - 3, H - 3};
  }
  Layout();
  if (MaskPicture && d) {
    HRGN rgn = nullptr;
    CreateSkinRegion(rgn, d->lefttoppoint, d->righttoppoint, d->leftbottompoint, d->rightbottompoint, d->itemsrect,
                     LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint, ItemsArea, MaskPicture, W, H);
    // The window owns an installed region and frees the one it replaces.
    SetWindowRgn(Handle(), rgn, TRUE);
  }
}

void TspSkinPopupWindow::Layout() {
  int y = ItemsArea.Top + (Scrolling ? kScrollButton : 0);
  const int bottom = ItemsArea.Bottom - (Scrolling ? kScrollButton : 0);
  PageCount = 0;
  FirstIndex = std::clamp(FirstIndex, 0, std::max(0, int(Items.size()) - 1));
  for (std::size_t i = std::size_t(FirstIndex); i < Items.size(); ++i) {
    TspSkinMenuItem* r = Items[i].get();
    const int h = RowHeight(r);
    r->Bounds = TRect{ItemsArea.Left, y, ItemsArea.Right, y + h};
    y += h;
    if (y > bottom) break;
    r->Shown = true;
    ++PageCount;
  }
  if (Scrolling)
    for (int i = 0; i < int(Items.size()); ++i)
      if (i < FirstIndex || i >= FirstIndex + PageCount) Items[std::size_t(i)]->Shown = false;
}

int TspSkinPopupWindow::LastPageFirstIndex() const {
  // Counted against the area's top, not against zero, so the last page
  // never starts a row early.
  int space = ItemsArea.Bottom - kScrollButton, count = 0;
  for (int i = int(Items.size()) - 1; i >= 0; --i) {
    space -= RowHeight(Items[std::size_t(i)].get());
    if (space < ItemsArea.Top + kScrollButton) break;
    ++count;
  }
  return int(Items.size()) - count;
}

void TspSkinPopupWindow::Place(const TRect& R, bool ByItem, bool PopupUp) {
  const TRect WA = Menu->WorkArea;
  const int W = Width(), H = Height(), IT = ItemsArea.Top;
  const int middle = WA.Top + WA.Height() / 2;
  bool flipped = false;
  const bool cut = Scrolling && !ScrollingByLimit;
  int Y;
  if (cut) {
    Y = WA.Top;
  } else if (ByItem) {
    if (R.Top + H - IT <= WA.Bottom)
      Y = R.Top - IT;
    else if (R.Top < middle)
      Y = WA.Bottom - H;
    else
      Y = std::max(WA.Top, R.Bottom - H + IT);
  } else if (PopupUp) {
    if (R.Top - H >= WA.Top) {
      Y = R.Top - H;
    } else if (R.Top < middle) {
      if (R.Bottom + H <= WA.Bottom) {
        Y = R.Bottom;
      } else {
        Y = WA.Bottom - H;
        flipped = true;
      }
    } else {
      Y = WA.Top;
      flipped = true;
    }
  } else {
    if (R.Bottom + H <= WA.Bottom) {
      Y = R.Bottom;
    } else if (R.Top < middle) {
      Y = WA.Bottom - H;
      flipped = true;
    } else if (R.Top - H >= WA.Top) {
      Y = R.Top - H;
    } else {
      Y = WA.Top;
      flipped = true;
    }
  }
  int X;
  if (!ByItem && !cut && !flipped) {
    X = R.Left;
    if (R.Left + W > WA.Right) X = WA.Right - W;
    if (R.Left < WA.Left) X = WA.Left;
  } else {
    X = R.Right + 1 + W <= WA.Right ? R.Right + 1 : R.Left - W - 1;
  }
  ShowX = X;
  ShowY = Y;
}

void TspSkinPopupWindow::Show(bool) {
  HWND h = Handle();
  if (Description && Description->cursorindex != -1 && SkinData)
    SetCursor(TCursor(SkinData->startcursorindex + Description->cursorindex));
  const bool fade = AlphaBlend && AlphaBlendAnimation && Menu->FirstPopup;
  if (AlphaBlend) {
    SetWindowLong(h, GWL_EXSTYLE, GetWindowLong(h, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetWindowAlphaBlend(h, fade ? 0 : AlphaBlendValue);
  }
  SetWindowPos(h, HWND_TOPMOST, ShowX, ShowY, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOSIZE);
  SetVisible(true);
  FadeSteps.clear();
  if (fade) {
    // Each step waits a little over 5 ms; a virtual clock moves on with
    // each Sleep.
    auto alive = Menu->alive_;
    int alpha = 0;
    DWORD last = GetTickCount();
    while (alpha < AlphaBlendValue) {
      while (GetTickCount() - last <= kMenuFadeStepMs) Sleep(1);
      last = GetTickCount();
      alpha = std::min(alpha + kMenuFadeStep, int(AlphaBlendValue));
      SetWindowAlphaBlend(h, Byte(alpha));
      FadeSteps.push_back(alpha);
      Update();
      if (!*alive || !HandleAllocated()) return;
    }
  }
  TrackTimer->SetEnabled(true);
  SelectedRow = -1;
  for (int i = 0; i < int(Items.size()); ++i)
    if (Items[std::size_t(i)]->Selectable()) {
      Items[std::size_t(i)]->Preselected = true;
      SelectedRow = i;
      Items[std::size_t(i)]->Select(true);
      break;
    }
}

void TspSkinPopupWindow::Popup(const TRect& R, TMenuItem* Item, int StartIndex, bool ByItem, bool PopupUp) {
  CreateItems(Item, nullptr, StartIndex, false);
  Place(R, ByItem, PopupUp);
  Show(ByItem);
}

void TspSkinPopupWindow::Popup2(const TRect& R, TMenuItem* ItemA, TMenuItem* ItemB, int StartIndex, bool ByItem,
                                bool PopupUp) {
  CreateItems(ItemA, ItemB, StartIndex, true);
  Place(R, ByItem, PopupUp);
  Show(ByItem);
}

void TspSkinPopupWindow::CloseSubMenus() {
  Menu->CloseFrom(Menu->IndexOf(this) + 1);
  for (auto& r : Items)
    if (r->SubMenuOpen) {
      r->SubMenuOpen = false;
      if (!r->AnimationApplies() || r->Description->inactiveanimation) {
        r->StartStateEffect();
      } else {
        r->AnimationFrame = 0;
        if (HandleAllocated()) r->Draw(Canvas());
      }
    }
}

// ---- Scrolling ---------------------------------------------------------------------------------

bool TspSkinPopupWindow::CanScroll(int Direction) const {
  if (Direction == 1) return FirstIndex > 0;
  return FirstIndex + PageCount - 1 < int(Items.size()) - 1;
}

void TspSkinPopupWindow::ScrollUp(bool Wrap) {
  const int old = FirstIndex;
  if (FirstIndex > 0)
    --FirstIndex;
  else if (Wrap)
    FirstIndex = LastPageFirstIndex();
  if (FirstIndex == old) return;
  Layout();
  Invalidate();
}

void TspSkinPopupWindow::ScrollDown(bool Wrap) {
  const int old = FirstIndex;
  if (CanScroll(2))
    ++FirstIndex;
  else if (Wrap)
    FirstIndex = 0;
  if (FirstIndex == old) return;
  Layout();
  Invalidate();
}

TRect TspSkinPopupWindow::ScrollButtonRect(int Direction) const {
  if (!Description)
    return Direction == 1 ? TRect{3, 3, Width() - 3, 13} : TRect{3, Height() - 10, Width() - 3, Height() - 3};
  return Direction == 1 ? TRect{ItemsArea.Left, ItemsArea.Top, ItemsArea.Right, ItemsArea.Top + kScrollButton}
                        : TRect{ItemsArea.Left, ItemsArea.Bottom - kScrollButton, ItemsArea.Right, ItemsArea.Bottom};
}

void TspSkinPopupWindow::FillItemBackground(TCanvas* Cnvs, const TRect& R) {
  if (!SkinData || R.Width() <= 0 || R.Height() <= 0) return;
  auto* d = SkinData->FindObject<TspDataSkinMenuItem>("menuitem");
  if (!d) d = SkinData->FindObject<TspDataSkinMenuItem>("MENUITEM");
  if (!d) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  if (ItemDescription && ItemDescription->inactivetransparent && BackgroundImage) {
    b.SetSize(R.Width(), R.Height());
    b.Canvas()->CopyRect(TRect{0, 0, R.Width(), R.Height()}, BackgroundImage->Canvas(), R);
  } else {
    TBitmap* pic = SkinData->GetActivePicture(d->activepictureindex);
    if (!pic || IsNullRect(d->skinrect)) return;
    CreateHSkinImage(d->itemleftoffset, d->itemrightoffset, &b, pic, d->skinrect, R.Width(), d->inactivestretcheffect);
  }
  Cnvs->CopyRect(TRect{R.Left, R.Top, R.Right, R.Top + std::min(R.Height(), b.Height())}, b.Canvas(),
                 TRect{0, 0, R.Width(), std::min(R.Height(), b.Height())});
}

void TspSkinPopupWindow::DrawScrollButton(TCanvas* Cnvs, int Direction) {
  const TRect r = ScrollButtonRect(Direction);
  const bool active = ScrollDirection == Direction;
  TColor color;
  if (Description) {
    FillItemBackground(Cnvs, r);
    color = TColor(active ? Description->scrollmarkeractivecolor : Description->scrollmarkercolor);
  } else {
    color = active ? clBtnText : clBtnShadow;
  }
  DrawArrowImage(Cnvs, r, color, Direction == 1 ? 3 : 4);
  if (auto* cc = dynamic_cast<TControlCanvas*>(Cnvs)) cc->FreeHandle();
}

void TspSkinPopupWindow::StartScroll(int Direction) {
  ScrollDirection = Direction;
  if (HandleAllocated()) DrawScrollButton(Canvas(), Direction);
  Menu->CloseFrom(Menu->IndexOf(this) + 1);
  if (scrollTimer_) KillTimer(Handle(), 1);
  SetTimer(Handle(), 1, 100, nullptr);
  scrollTimer_ = true;
}

void TspSkinPopupWindow::StopScroll() {
  if (ScrollDirection == 0 && !scrollTimer_) return;
  ScrollDirection = 0;
  if (HandleAllocated()) {
    DrawScrollButton(Canvas(), 1);
    DrawScrollButton(Canvas(), 2);
    if (scrollTimer_) KillTimer(Handle(), 1);
  }
  scrollTimer_ = false;
}

void TspSkinPopupWindow::ScrollTick() {
  if (ScrollDirection == 1 && CanScroll(1))
    ScrollUp(false);
  else if (ScrollDirection == 2 && CanScroll(2))
    ScrollDown(false);
  else
    StopScroll();
}

// ---- Painting ------------------------------------------------------------------------------------

void TspSkinPopupWindow::WindowImage(TBitmap* B, bool Centre) {
  const int W = Width(), H = Height();
  B->SetPixelFormat(pf24bit);
  B->SetSize(W, H);
  TCanvas* c = B->Canvas();
  if (Description) {
    c->Brush()->SetColor(clWindow);
    c->FillRect(TRect{0, 0, W, H});
    if (WindowPicture) {
      const TspDataSkinPopupWindow& d = *Description;
      CreateSkinImage2(d.lefttoppoint, d.righttoppoint, d.leftbottompoint, d.rightbottompoint, d.itemsrect,
                       LeftTopPoint, RightTopPoint, LeftBottomPoint, RightBottomPoint, ItemsArea, B, WindowPicture,
                       TRect{0, 0, WindowPicture->Width(), WindowPicture->Height()}, W, H, Centre, d.leftstretch,
                       d.topstretch, d.rightstretch, d.bottomstretch, d.stretcheffect, d.stretchtype);
    }
    return;
  }
  const int col = Images ? GlyphColumnWidth + 3 : 22;
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(TRect{0, 0, std::min(col, W), H});
  c->Brush()->SetColor(clWindow);
  c->FillRect(TRect{std::min(col, W), 0, W, H});
  c->Brush()->SetColor(clBtnShadow);
  c->FrameRect(TRect{0, 0, W, H});
  c->Brush()->SetColor(clWindow);
  c->FrameRect(TRect{1, 1, W - 1, H - 1});
}

void TspSkinPopupWindow::PaintTo(TCanvas* Cnvs) {
  TBitmap b;
  WindowImage(&b, Scrolling);
  if (Description && ItemDescription && ItemDescription->inactivetransparent) {
    BackgroundImage = std::make_unique<TBitmap>();
    WindowImage(BackgroundImage.get(), true);
  }
  TCanvas* c = b.Canvas();
  int lastBottom = ItemsArea.Top + (Scrolling ? kScrollButton : 0);
  for (int i = FirstIndex; i < FirstIndex + PageCount && i < int(Items.size()); ++i) {
    TspSkinMenuItem* r = Items[std::size_t(i)].get();
    r->Draw(c);
    lastBottom = r->Bounds.Bottom;
  }
  if (Scrolling) {
    DrawScrollButton(c, 1);
    DrawScrollButton(c, 2);
    const TRect down = ScrollButtonRect(2);
    if (lastBottom < down.Top) FillItemBackground(c, TRect{ItemsArea.Left, lastBottom, ItemsArea.Right, down.Top});
  }
  Cnvs->Draw(0, 0, &b);
}

bool TspSkinPopupWindow::AnimationTick() {
  if (!Description) return false;
  bool changed = false;
  for (auto& p : Items) {
    TspSkinMenuItem* r = p.get();
    if (r->MorphApplies() && r->MorphRunning()) {
      r->MorphStep();
      changed = true;
    } else if (r->AnimationApplies()) {
      if (r->Selected && r->AnimationFrame <= r->Description->framecount) {
        ++r->AnimationFrame;
        if (HandleAllocated()) r->Draw(Canvas());
        changed = true;
      } else if (!r->Selected && r->AnimationFrame > 0) {
        --r->AnimationFrame;
        if (HandleAllocated()) r->Draw(Canvas());
        changed = true;
      }
    }
  }
  return changed;
}
