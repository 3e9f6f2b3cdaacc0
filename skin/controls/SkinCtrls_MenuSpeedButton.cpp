// The skinned menu speed button: the track area, the drop-downs and the
// faces with their menu marker.
#include "skin/controls/SkinCtrls_MenuSpeedButton.h"

#include "platform/gdi/Gdi.h"
#include "skin/controls/SkinCtrls_Internal.h"
#include "skin/windows/SkinMenus.h"

using namespace skinctrls;

namespace {

bool MenuSpeedGenericKey(const std::string& key) {
  return key == "resizebutton" || key == "resizetoolbutton" || key == "toolbutton" || key == "bigtoolbutton";
}

// A 1-pixel frame around a fill.
void MenuSpeedFace(TCanvas* C, const TRect& r, TColor frame, TColor fill) {
  Frame(C, r, frame);
  Fill(C, TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}, fill);
}

}  // namespace

TspSkinMenuSpeedButton::TspSkinMenuSpeedButton(TComponent* AOwner) : TspSkinSpeedButton(AOwner) {
  SetSkinDataName("toolmenubutton");
}

TspSkinMenuSpeedButton::~TspSkinMenuSpeedButton() {
  if (SkinImagesMenu()) SkinImagesMenu()->CloseNotify = nullptr;
}

// ---- Properties -------------------------------------------------------------------------

void TspSkinMenuSpeedButton::SetTrackButtonMode(bool v) {
  trackButtonMode_ = v;
  if (!Described()) Repaint();
}

void TspSkinMenuSpeedButton::SetSkinPopupMenu(TspSkinPopupMenu* v) {
  if (skinPopupMenu_) skinPopupMenu_->RemoveFreeNotification(this);
  skinPopupMenu_ = v;
  if (skinPopupMenu_) skinPopupMenu_->FreeNotification(this);
}

void TspSkinMenuSpeedButton::SetNewStyle(bool v) {
  newStyle_ = v;
  if (v) SetSkinDataName("resizetoolbutton");
}

void TspSkinMenuSpeedButton::SetTrackPosition(TspTrackPosition v) {
  trackPosition_ = v;
  Repaint();
}

void TspSkinMenuSpeedButton::Notification(TComponent* AComponent, TOperation Operation) {
  TspSkinSpeedButton::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == skinPopupMenu_) skinPopupMenu_ = nullptr;
}

void TspSkinMenuSpeedButton::GetSkinData() {
  TspSkinSpeedButton::GetSkinData();
  trackbuttonrect_ = TRect{};
  rawDownSkinRect_ = false;
  if (!Described()) return;
  auto* d = SkinData()->SkinControls[std::size_t(ControlIndex)].get();
  if (auto* m = dynamic_cast<TspDataSkinMenuButtonControl*>(d)) trackbuttonrect_ = m->trackbuttonrect;
  if (auto* b = dynamic_cast<TspDataSkinButtonControl*>(d)) rawDownSkinRect_ = !IsNullRect(b->downskinrect);
}

bool TspSkinMenuSpeedButton::MenuButtonKind() const { return Described() && !MenuSpeedGenericKey(SkinDataName()); }

// ---- Track area and menus ----------------------------------------------------------------

TRect TspSkinMenuSpeedButton::GetTrackButtonRect() const {
  TRect r = trackbuttonrect_;
  if (ResizeMode == 2) {
    const int dx = Width() - SkinRect.Width();
    r.Left += dx;
    r.Right += dx;
  } else if (ResizeMode == 3) {
    const int dy = Height() - SkinRect.Height();
    r.Top += dy;
    r.Bottom += dy;
  }
  return r;
}

TRect TspSkinMenuSpeedButton::TrackArea() const {
  const int W = Width(), H = Height();
  if (newStyle_ && trackPosition_ == sptpBottom) return TRect{0, H - kTrackSize, W, H};
  return TRect{W - kTrackSize, 0, W, H};
}

bool TspSkinMenuSpeedButton::IsInTrackArea(int X, int Y) {
  if (!skinPopupMenu_ && !SkinImagesMenu()) return false;
  if (!trackButtonMode_) return true;
  GetSkinData();
  const TRect r = MenuButtonKind() ? GetTrackButtonRect() : TrackArea();
  return X >= r.Left && X <= r.Right && Y >= r.Top && Y <= r.Bottom;
}

bool TspSkinMenuSpeedButton::AnyMenuOpen() const {
  return (skinPopupMenu_ && skinPopupMenu_->MenuShowing()) || (SkinImagesMenu() && SkinImagesMenu()->IsOpen());
}

void TspSkinMenuSpeedButton::ShowTrackMenu() {
  auto alive = AliveToken();
  const TPoint p = ClientToScreen(TPoint{0, 0});
  const TRect R{p.X, p.Y, p.X + Width(), p.Y + Height()};
  if (skinPopupMenu_) {
    if (OnShowTrackMenu) OnShowTrackMenu(this);
    if (!*alive || !skinPopupMenu_) return;
    skinPopupMenu_->PopupAtButton(this, R, false);
    if (!*alive) return;
  }
  if (TspImagesMenuBase* m = SkinImagesMenu()) {
    if (OnShowTrackMenu) OnShowTrackMenu(this);
    if (!*alive || SkinImagesMenu() != m) return;
    m->CloseNotify = [this] { CloseTrackMenu(); };
    m->PopupAtRect(R);
  }
}

void TspSkinMenuSpeedButton::MenuClosed(bool pointerFirst) {
  TrackPressed = false;
  auto alive = AliveToken();
  SetDown(false);
  if (pointerFirst) PointerInside = false;
  if (OnHideTrackMenu) OnHideTrackMenu(this);
  if (!*alive) return;
  PointerInside = false;
  Repaint();
}

void TspSkinMenuSpeedButton::CloseTrackMenu() { MenuClosed(false); }

// ---- Mouse -----------------------------------------------------------------------------------

void TspSkinMenuSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == TMouseButton::mbLeft) {
    TrackPressed = IsInTrackArea(X, Y);
    PointerInside = true;
    if (TrackPressed) {
      auto alive = AliveToken();
      if (!Down()) SetDown(true);
      ShowTrackMenu();
      // A menu with nothing to show never reports closing: without this the
      // button would stay down and swallow every release.
      if (*alive && TrackPressed && !AnyMenuOpen()) MenuClosed(true);
      return;
    }
  }
  TspSkinSpeedButton::MouseDown(Button, Shift, X, Y);
}

void TspSkinMenuSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (TrackPressed) return;
  TspSkinSpeedButton::MouseUp(Button, Shift, X, Y);
}

void TspSkinMenuSpeedButton::MouseEnterButton() {
  if (Designing()) return;
  if (TrackPressed)
    PointerInside = true;
  else
    TspSkinSpeedButton::MouseEnterButton();
}

void TspSkinMenuSpeedButton::MouseLeaveButton() {
  if (Designing()) return;
  if (TrackPressed)
    PointerInside = false;
  else
    TspSkinSpeedButton::MouseLeaveButton();
}

void TspSkinMenuSpeedButton::Dispatch(TMessage& Message) {
  if (Message.Msg == SP_MENU_CLOSED) {
    MenuClosed(true);
    return;
  }
  TspSkinSpeedButton::Dispatch(Message);
}

// ---- Skinned faces -----------------------------------------------------------------------

void TspSkinMenuSpeedButton::CreateButtonSkinImage(TBitmap* B, const TRect& S, bool ADown, bool AMouseIn) {
  const std::string& key = SkinDataName();
  if (newStyle_ && key == "resizetoolbutton") {
    DrawNewStyleImage(B, ADown, AMouseIn);
  } else if (key == "toolbutton" || key == "bigtoolbutton") {
    DrawTrackImage(B, ADown, AMouseIn, false);
  } else if (key != "resizebutton" && key != "resizetoolbutton") {
    if (TrackPressed && trackButtonMode_ && !IsNullRect(trackbuttonrect_) && rawDownSkinRect_ && SkinPicture) {
      TspSkinSpeedButton::CreateButtonSkinImage(B, activeskinrect_, false, true);
      const TRect& D = downskinrect_;
      const TRect src{trackbuttonrect_.Left + D.Left, trackbuttonrect_.Top + D.Top, trackbuttonrect_.Right + D.Left,
                      trackbuttonrect_.Bottom + D.Top};
      B->Canvas()->CopyRect(GetTrackButtonRect(), SkinPicture->Canvas(), src);
    } else {
      TspSkinSpeedButton::CreateButtonSkinImage(B, S, ADown, AMouseIn);
    }
  } else {
    DrawTrackImage(B, ADown, AMouseIn, true);
  }
}

void TspSkinMenuSpeedButton::DrawTrackImage(TBitmap* B, bool ADown, bool AMouseIn, bool nineParts) {
  const int W = Width(), H = Height();
  const TRect& N = SkinRect;
  const TRect& A = activeskinrect_;
  const TRect& D = downskinrect_;
  const bool down = ADown && AMouseIn;
  TCanvas* C = B->Canvas();
  // One face of width w from src, drawn at x.
  auto face = [&](const TRect& src, int x, int w) {
    if (!SkinPicture || w <= 0) return;
    TBitmap part;
    part.SetPixelFormat(pf24bit);
    if (nineParts) {
      const int dw = w - N.Width(), dh = H - N.Height();
      CreateSkinImage(LTPoint, RTPoint, LBPoint, RBPoint, ClRect, LTPoint, TPoint{RTPoint.X + dw, RTPoint.Y},
                      TPoint{LBPoint.X, LBPoint.Y + dh}, TPoint{RBPoint.X + dw, RBPoint.Y + dh},
                      TRect{ClRect.Left, ClRect.Top, ClRect.Right + dw, ClRect.Bottom + dh}, &part, SkinPicture, src, w,
                      H, true, LeftStretch, TopStretch, RightStretch, BottomStretch, StretchEffect, StretchType);
    } else {
      part.SetSize(w, H);
      CreateStretchSkinImage(&part, SkinPicture, src, ClRect, true);
    }
    C->Draw(x, 0, &part);
  };
  bool drewDown = false;
  if (trackButtonMode_) {
    const int mw = W - kTrackSize;
    if (TrackPressed) {
      face(A, 0, mw);
      face(D, mw, kTrackSize);
    } else if (down) {
      face(D, 0, mw);
      face(D, mw, kTrackSize);
      drewDown = true;
    } else if (AMouseIn) {
      face(A, 0, mw);
      face(A, mw, kTrackSize);
    } else if (!Flat()) {
      face(N, 0, mw);
      face(N, mw, kTrackSize);
    }
  } else if (down) {
    face(D, 0, W);
    drewDown = true;
  } else if (AMouseIn) {
    face(A, 0, W);
  } else if (!Flat()) {
    face(N, 0, W);
  }
  ApplyFace(C, drewDown, drewDown || AMouseIn);
  DrawContent(C, TRect{0, 0, W - kTrackSize, H}, ADown, AMouseIn, drewDown);
  TRect box{W - kTrackSize, 0, W, H};
  if (down || TrackPressed) {
    box.Top += 2;
    box.Left = W - 13;
  }
  DrawTrackMarker(C, box, AMouseIn, down);
}

// The arrow or skin marker in the box; the canvas font colour is the
// face's.
void TspSkinMenuSpeedButton::DrawTrackMarker(TCanvas* C, TRect box, bool mouseIn, bool down) {
  if (ArrowMarker)
    DrawArrowImage(C, box, C->Font()->Color(), ArrowKind);
  else if (!IsNullRect(menumarkerrect_))
    DrawMenuMarker(C, box, mouseIn, down || TrackPressed, !Flat());
  else
    DrawTrackArrow(C, box, TrackPressed ? downfontcolor_ : C->Font()->Color());
}

void TspSkinMenuSpeedButton::DrawButtonDescription(TCanvas* C, const TspDataSkinButtonControl* D, bool pressed,
                                                   bool in, const TRect& R) {
  TBitmap* picture = SkinData()->GetActivePicture(D->pictureindex);
  if (!picture || R.Width() <= 0 || R.Height() <= 0) return;
  const TRect active = IsNullRect(D->activeskinrect) ? D->skinrect : D->activeskinrect;
  const TRect downRect = IsNullRect(D->downskinrect) ? active : D->downskinrect;
  const TRect& src = pressed && in ? downRect : in ? active : D->skinrect;
  const int dw = R.Width() - D->skinrect.Width(), dh = R.Height() - D->skinrect.Height();
  const TRect& cr = D->clientrect;
  TBitmap image;
  image.SetPixelFormat(pf24bit);
  CreateSkinImage(D->lefttoppoint, D->righttoppoint, D->leftbottompoint, D->rightbottompoint, cr, D->lefttoppoint,
                  TPoint{D->righttoppoint.X + dw, D->righttoppoint.Y},
                  TPoint{D->leftbottompoint.X, D->leftbottompoint.Y + dh},
                  TPoint{D->rightbottompoint.X + dw, D->rightbottompoint.Y + dh},
                  TRect{cr.Left, cr.Top, cr.Right + dw, cr.Bottom + dh}, &image, picture, src, R.Width(), R.Height(),
                  true, D->leftstretch, D->topstretch, D->rightstretch, D->bottomstretch, D->stretcheffect,
                  D->stretchtype);
  C->Draw(R.Left, R.Top, &image);
}

void TspSkinMenuSpeedButton::DrawNewStyleImage(TBitmap* B, bool ADown, bool AMouseIn) {
  const int W = Width(), H = Height();
  const bool bottom = trackPosition_ == sptpBottom;
  const bool split = trackButtonMode_ && AMouseIn;
  const TRect track = TrackArea();
  TRect R{0, 0, W, H};
  if (split) R = bottom ? TRect{0, 0, W, H - kTrackSize} : TRect{0, 0, W - kTrackSize, H};
  auto* MD = SkinData()->FindControl<TspDataSkinButtonControl>("resizetoolbutton");
  if (!MD) MD = SkinData()->FindControl<TspDataSkinButtonControl>("resizebutton");
  if (!MD) return;
  const TspDataSkinButtonControl* TD = MD;
  if (split) {
    if (auto* t = SkinData()->FindControl<TspDataSkinButtonControl>(bottom ? "htracktoolbutton" : "vtracktoolbutton")) {
      TD = t;
      R = TRect{0, 0, W, H};
    }
  }
  const bool down = ADown && AMouseIn;
  const bool pressed = down && !(trackButtonMode_ && TrackPressed);
  TCanvas* C = B->Canvas();
  DrawButtonDescription(C, MD, pressed, AMouseIn, R);
  if (split) DrawButtonDescription(C, TD, TrackPressed, AMouseIn, track);
  ApplyFace(C, pressed, pressed || AMouseIn);
  const TRect content = bottom ? TRect{0, 0, W, H - kTrackSize} : TRect{0, 0, W - kTrackSize, H};
  DrawContent(C, content, ADown, AMouseIn, pressed);
  TRect box = track;
  if (down && (!trackButtonMode_ || TrackPressed)) box = TRect{box.Left + 1, box.Top + 1, box.Right + 1, box.Bottom + 1};
  if (!IsNullRect(menumarkerrect_))
    DrawMenuMarker(C, box, AMouseIn, down || TrackPressed, !Flat());
  else
    DrawTrackArrow(C, box, TrackPressed ? downfontcolor_ : C->Font()->Color());
}

// ---- Default look ------------------------------------------------------------------------

void TspSkinMenuSpeedButton::DrawNewStyleDefaultImage(TBitmap* B) {
  const int W = Width(), H = Height();
  const bool bottom = trackPosition_ == sptpBottom;
  const TRect track = TrackArea();
  const TRect main = bottom ? TRect{0, 0, W, H - kTrackSize} : TRect{0, 0, W - kTrackSize, H};
  TCanvas* C = B->Canvas();
  bool downDrawn = false;
  if (trackButtonMode_ && PointerInside) {
    if (TrackPressed) {
      MenuSpeedFace(C, main, kNavy, kHotFill);
      MenuSpeedFace(C, track, kNavy, kDownFill);
    } else if (Down()) {
      MenuSpeedFace(C, main, kNavy, kDownFill);
      MenuSpeedFace(C, track, kNavy, kHotFill);
      downDrawn = true;
    } else {
      MenuSpeedFace(C, main, kNavy, kHotFill);
      MenuSpeedFace(C, track, kNavy, kHotFill);
    }
  } else {
    const TRect all{0, 0, W, H};
    if (Down() && PointerInside) {
      MenuSpeedFace(C, all, kNavy, kDownFill);
      downDrawn = true;
    } else if (PointerInside) {
      MenuSpeedFace(C, all, kNavy, kHotFill);
    } else if (Flat()) {
      Fill(C, all, clBtnFace);
    } else {
      MenuSpeedFace(C, all, clBtnShadow, clBtnFace);
    }
  }
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  DrawContent(C, main, Down(), PointerInside, downDrawn);
  TRect box = track;
  if (PointerInside && Down() && (!trackButtonMode_ || TrackPressed))
    box = TRect{box.Left + 2, box.Top + 2, box.Right + 2, box.Bottom + 2};
  DrawTrackArrow(C, box, clBtnText);
}

void TspSkinMenuSpeedButton::CreateControlDefaultImage(TBitmap* B) {
  const int W = Width(), H = Height();
  TCanvas* C = B->Canvas();
  C->Font()->Assign(DefaultFont());
  C->Font()->SetCharset(SkinData() && SkinData()->ResourceStrData() ? SkinData()->ResourceStrData()->CharSet
                                                                    : DefaultFont()->Charset());
  if (newStyle_) {
    DrawNewStyleDefaultImage(B);
    return;
  }
  const TRect main{0, 0, W - kTrackSize, H}, track{W - kTrackSize, 0, W, H}, all{0, 0, W, H};
  bool downDrawn = false;
  auto both = [&](TColor frame, TColor fill) {
    MenuSpeedFace(C, main, frame, fill);
    MenuSpeedFace(C, track, frame, fill);
  };
  if (trackButtonMode_) {
    if (TrackPressed) {
      MenuSpeedFace(C, main, kNavy, kHotFill);
      MenuSpeedFace(C, track, kNavy, kDownFill);
    } else if (Down() && PointerInside) {
      both(kNavy, kDownFill);
      downDrawn = true;
    } else if (PointerInside) {
      both(kNavy, kHotFill);
    } else {
      both(clBtnShadow, clBtnFace);
    }
  } else if (Down() && PointerInside) {
    MenuSpeedFace(C, all, kNavy, kDownFill);
    downDrawn = true;
  } else if (PointerInside) {
    MenuSpeedFace(C, all, kNavy, kHotFill);
  } else {
    MenuSpeedFace(C, all, clBtnShadow, clBtnFace);
  }
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  DrawContent(C, main, Down(), PointerInside, downDrawn);
  TRect box = track;
  if ((Down() && PointerInside) || TrackPressed) box = TRect{W - 13, 2, W + 2, H + 2};
  DrawTrackArrow(C, box, clBtnText);
}

// ---- Paint -----------------------------------------------------------------------------------

void TspSkinMenuSpeedButton::Paint() {
  GetSkinData();
  const int W = Width(), H = Height();
  if (W <= 0 || H <= 0) return;
  if (!(PointerInside || Down() || TrackPressed || !Flat())) {
    if (Described()) {
      int w = W, h = H;
      CalcSize(w, h);
    }
    PaintFlat();
    return;
  }
  if (!Described()) {
    TspGraphicSkinCustomControl::Paint();
    return;
  }
  int w = W, h = H;
  CalcSize(w, h);
  TBitmap image;
  ComposeFace(image);
  DrawBlended(&image, Canvas());
}

void TspSkinMenuSpeedButton::PaintFlat() {
  const int W = Width(), H = Height();
  const bool described = Described();
  const bool bottom = newStyle_ && trackPosition_ == sptpBottom;
  TRect R = MenuButtonKind() ? FittedClientRect : bottom ? TRect{0, 0, W, H - kTrackSize} : TRect{0, 0, W - kTrackSize, H};
  TCanvas* C = Canvas();
  if (UseSkinFont && described) {
    C->Font()->SetName(fontname_);
    C->Font()->SetStyle(fontstyle_);
    C->Font()->SetHeight(fontheight_);
  } else {
    C->Font()->Assign(DefaultFont());
  }
  if (described) {
    const TspSkinColors& colors = SkinData()->SkinColors;
    C->Font()->SetColor(!Enabled() ? colors.cbtnshadow : UseSkinFontColor ? colors.cbtntext : DefaultFont()->Color());
  }
  TspSkinData* sd = SkinData();
  C->Font()->SetCharset(sd && sd->ResourceStrData() ? sd->ResourceStrData()->CharSet : DefaultFont()->Charset());
  if (!Enabled()) C->Font()->SetColor(clBtnShadow);
  DrawContent(C, R, Down(), PointerInside, false);
  TRect box = MenuButtonKind() ? TRect{R.Right, R.Top, W, R.Bottom}
              : bottom         ? TRect{0, H - kTrackSize, W, H}
                               : TRect{W - kTrackSize, 0, W, H};
  if ((Down() && PointerInside) || TrackPressed) box = TRect{box.Left + 2, box.Top + 2, box.Right + 2, box.Bottom + 2};
  if (described && !IsNullRect(menumarkerflatrect_))
    DrawMenuMarker(C, box, false, false, true);
  else
    DrawTrackArrow(C, box, described ? SkinData()->SkinColors.cbtntext : clBtnText);
}
