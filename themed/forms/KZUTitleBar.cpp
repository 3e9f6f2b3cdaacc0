#include "themed/forms/KZUTitleBar.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icons.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/rtl/CodePage.h"
#include "platform/ui/dialogs/Dialogs.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/menus/Menus.h"
#include "platform/ui/system/UiMessages.h"
#include "platform/user/User.h"
#include "themed/core/KZUPublic.h"
#include "themed/forms/KZUForm.h"

namespace {

using BT = TkzuTitleBarBtnType;

constexpr int TitleAppIconSize = 16;
constexpr int TitleAppIconRoom = 21;
constexpr int TitleControlBoxGap = 5;
constexpr int TitleCaptionDefaultLeft = 6;
constexpr int TitleDeepBlueCaptionTop = 4;

// Theme entries of a button kind's normal picture; mouse-over and
// mouse-down follow it.
int TitleFirstEntry(BT t) {
  switch (t) {
    case BT::kzuMax: return 51;
    case BT::kzuMin: return 54;
    case BT::kzuClose: return 48;
    case BT::kzuHelp: return 57;
    case BT::kzuControlBox: return 60;
    default: return 0;
  }
}
constexpr int TitleRestoreEntry = 63;

void TitleLoadPicture(TkzuUIStyle style, int entry, TPicture* picture) {
  TBitmap b;
  if (TryLoadThemeBitmap(GetThemeBitmapName(style, entry), b))
    picture->Assign(&b);
  else
    picture->SetGraphic(nullptr);
}

TBitmap* TitleBitmap(TPicture* p) { return p && p->Graphic() && !p->Graphic()->Empty() ? p->Bitmap() : nullptr; }

}  // namespace

std::string ShortTitleCaption(const std::string& caption) {
  std::size_t i = 0;
  for (int n = 0; n < 2 && i < caption.size(); ++n) {
    char32_t cp;
    const std::size_t len = DecodeUtf8Char(caption, i, cp);
    i += len ? len : 1;
  }
  return caption.substr(0, i) + "...";
}

// ---- Buttons ------------------------------------------------------------------------------------

TkzuTitleBarButton::TkzuTitleBarButton(TCollection* collection)
    : picNormal_(std::make_unique<TPicture>()),
      picMouseOn_(std::make_unique<TPicture>()),
      picMouseDown_(std::make_unique<TPicture>()) {
  SetCollection(collection);
}

TkzuTitleBarButton::~TkzuTitleBarButton() = default;

TkzuTitleBar* TkzuTitleBarButton::Bar() const {
  return Collection() ? dynamic_cast<TkzuTitleBar*>(Collection()->Owner()) : nullptr;
}

void TkzuTitleBarButton::Repaint() {
  if (TkzuTitleBar* bar = Bar()) bar->Invalidate();
}

void TkzuTitleBarButton::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TkzuTitleBarButton*>(source);
  if (!s) return TCollectionItem::Assign(source);
  buttonType_ = s->buttonType_;
  transparent_ = s->transparent_;
  top_ = s->top_;
  uiStyle_ = s->uiStyle_;
  picNormal_->Assign(s->picNormal_.get());
  picMouseOn_->Assign(s->picMouseOn_.get());
  picMouseDown_->Assign(s->picMouseDown_.get());
  controlBoxMenu_ = s->controlBoxMenu_;
  Repaint();
}

void TkzuTitleBarButton::SetButtonType(TkzuTitleBarBtnType v) {
  if (v == BT::kzuControlBox && Collection()) {
    for (int i = 0; i < Collection()->Count(); ++i)
      if (static_cast<TkzuTitleBarButton*>(Collection()->Items(i))->buttonType_ == BT::kzuControlBox) {
        PlainMessageBox("Sorry, only one button's ButtonType property can be \"kzuControlBox\"", "",
                        MB_ICONERROR | MB_OK);
        return;
      }
  }
  buttonType_ = v;
  LoadPictures();
  Repaint();
}

void TkzuTitleBarButton::SetTransparent(bool v) {
  transparent_ = v;
  Repaint();
}

void TkzuTitleBarButton::SetTop(int v) {
  top_ = v;
  Repaint();
}

void TkzuTitleBarButton::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  LoadPictures();
  Repaint();
}

void TkzuTitleBarButton::SetControlBoxMenu(TPopupMenu* v) {
  controlBoxMenu_ = v;
  Repaint();
}

void TkzuTitleBarButton::SetPicNormal(const TPicture* v) {
  picNormal_->Assign(v);
  Repaint();
}

void TkzuTitleBarButton::SetPicMouseOn(const TPicture* v) {
  picMouseOn_->Assign(v);
  Repaint();
}

void TkzuTitleBarButton::SetPicMouseDown(const TPicture* v) {
  picMouseDown_->Assign(v);
  Repaint();
}

void TkzuTitleBarButton::LoadPictures() {
  if (uiStyle_ == TkzuUIStyle::Custom) return;
  transparent_ = GetThemeFlag(uiStyle_, 66) != 0;
  int first = TitleFirstEntry(buttonType_);
  if (first) {
    TkzuTitleBar* bar = Bar();
    TCustomForm* form = bar ? bar->ParentForm() : nullptr;
    if (buttonType_ == BT::kzuMax && form && form->WindowState() == wsMaximized) first = TitleRestoreEntry;
    TitleLoadPicture(uiStyle_, first, picNormal_.get());
    TitleLoadPicture(uiStyle_, first + 1, picMouseOn_.get());
    TitleLoadPicture(uiStyle_, first + 2, picMouseDown_.get());
  }
  top_ = GetThemeInteger(uiStyle_, 69);
}

void TkzuTitleBarButton::Click() {
  TkzuTitleBar* bar = Bar();
  TCustomForm* form = bar ? bar->ParentForm() : nullptr;
  if (!form) return;
  TRect work;
  GetWorkArea(work);
  form->Constraints()->SetMaxHeight(work.Height());
  form->Constraints()->SetMaxWidth(work.Width());
  switch (buttonType_) {
    case BT::kzuMax: {
      if (form->WindowState() == wsMaximized) {
        form->SetWindowState(wsNormal);
      } else {
        form->SetWindowState(wsMaximized);
        if (dynamic_cast<TkzuForm*>(bar->Parent())) SetControlPos(form, TPoint{work.Left, work.Top});
      }
      LoadPictures();
      bar->UpdateRegion();
      bar->Invalidate();
      break;
    }
    case BT::kzuMin:
      if (Application && form == Application->MainForm() && form->HandleAllocated())
        SendMessage(form->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      else if (form->HandleAllocated())
        ShowWindow(form->Handle(), SW_SHOWMINIMIZED);
      break;
    case BT::kzuClose: form->Close(); break;
    case BT::kzuControlBox:
      if (controlBoxMenu_) {
        const TPoint p = bar->ClientToScreen(TPoint{0, bar->Height()});
        controlBoxMenu_->Popup(p.X, p.Y);
      }
      break;
    default: break;
  }
}

// ---- Sections -----------------------------------------------------------------------------------

TkzuTitleBarSection::TkzuTitleBarSection(TCollection* collection) : picture_(std::make_unique<TPicture>()) {
  SetCollection(collection);
}

TkzuTitleBarSection::~TkzuTitleBarSection() = default;

void TkzuTitleBarSection::Repaint() {
  if (Collection())
    if (auto* bar = dynamic_cast<TkzuTitleBar*>(Collection()->Owner())) bar->Invalidate();
}

void TkzuTitleBarSection::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TkzuTitleBarSection*>(source);
  if (!s) return TCollectionItem::Assign(source);
  width_ = s->width_;
  align_ = s->align_;
  picture_->Assign(s->picture_.get());
  stretch_ = s->stretch_;
  autoSize_ = s->autoSize_;
  Repaint();
}

void TkzuTitleBarSection::SetAutoSize(bool v) {
  autoSize_ = v;
  if (picture_->Graphic() && !picture_->Graphic()->Empty()) width_ = picture_->Width();
  Repaint();
}

void TkzuTitleBarSection::SetWidth(int v) {
  width_ = v;
  Repaint();
}

void TkzuTitleBarSection::SetAlign(TkzuTitleBarAlign v) {
  if (v == TkzuTitleBarAlign::kzuClient && Collection()) {
    for (int i = 0; i < Collection()->Count(); ++i)
      if (static_cast<TkzuTitleBarSection*>(Collection()->Items(i))->align_ == TkzuTitleBarAlign::kzuClient) {
        PlainMessageBox("Sorry, only one section's Align property can be \"kzuClient\"", "", MB_ICONERROR | MB_OK);
        return;
      }
  }
  align_ = v;
  if (v == TkzuTitleBarAlign::kzuClient) stretch_ = true;
  Repaint();
}

void TkzuTitleBarSection::SetPicture(const TPicture* v) {
  picture_->Assign(v);
  if (autoSize_) width_ = picture_->Width();
  Repaint();
}

void TkzuTitleBarSection::SetStretch(bool v) {
  stretch_ = v || align_ == TkzuTitleBarAlign::kzuClient;
  Repaint();
}

// ---- Collections --------------------------------------------------------------------------------

TkzuTitleBarButtons::TkzuTitleBarButtons(TkzuTitleBar* bar)
    : TOwnedCollection(bar, CollectionItemClassOf<TkzuTitleBarButton>()) {}

void TkzuTitleBarButtons::Update(TCollectionItem* item) {
  TOwnedCollection::Update(item);
  if (auto* bar = dynamic_cast<TkzuTitleBar*>(Owner())) bar->Invalidate();
}

TkzuTitleBarSections::TkzuTitleBarSections(TkzuTitleBar* bar)
    : TOwnedCollection(bar, CollectionItemClassOf<TkzuTitleBarSection>()) {}

void TkzuTitleBarSections::Update(TCollectionItem* item) {
  TOwnedCollection::Update(item);
  if (auto* bar = dynamic_cast<TkzuTitleBar*>(Owner())) bar->Invalidate();
}

// ---- The bar ------------------------------------------------------------------------------------

TkzuTitleBar::TkzuTitleBar(TComponent* AOwner)
    : TCustomPanel(AOwner),
      sections_(std::make_unique<TkzuTitleBarSections>(this)),
      buttons_(std::make_unique<TkzuTitleBarButtons>(this)) {
  ControlStyle &= ~csAcceptsControls;
  ControlStyle |= csOpaque;
  TControl::SetAlign(alTop);
  SetBevelOuter(bvNone);
  Font()->SetName("Tahoma");
  Font()->SetColor(clWhite);
  Font()->SetStyle(fsBold);
  for (BT t : {BT::kzuControlBox, BT::kzuClose, BT::kzuMax, BT::kzuMin}) buttons_->Add()->buttonType_ = t;
  SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
}

TkzuTitleBar::~TkzuTitleBar() = default;

TCustomForm* TkzuTitleBar::ParentForm() const { return GetParentForm(const_cast<TkzuTitleBar*>(this)); }

void TkzuTitleBar::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  sections_->Clear();
  if (v != TkzuUIStyle::Custom) {
    auto section = [&](int entry) {
      TkzuTitleBarSection* s = sections_->Add();
      TitleLoadPicture(v, entry, s->Picture());
      s->SetAutoSize(true);
      return s;
    };
    section(45);
    section(47)->SetAlign(TkzuTitleBarAlign::kzuRight);
    section(46)->SetAlign(TkzuTitleBarAlign::kzuClient);
    leftBtnXOffset_ = GetThemeInteger(v, 67);
    rightBtnXOffset_ = GetThemeInteger(v, 68);
    if (TCustomForm* form = ParentForm()) form->Constraints()->SetMinWidth(GetThemeInteger(v, 6));
    CornerRadius = GetThemeInteger(v, 7);
    UpdateRegion();
    for (int i = 0; i < buttons_->Count(); ++i) buttons_->Items(i)->SetUIStyle(v);
    SetAutoSize(true);
  }
  Invalidate();
}

void TkzuTitleBar::SetAutoSize(bool v) {
  autoSize_ = v;
  if (sections_->Count() == 0) {
    autoSize_ = false;
    return;
  }
  if (autoSize_) SetHeight(sections_->Items(0)->Picture()->Height());
}

void TkzuTitleBar::SetSections(const TkzuTitleBarSections* v) { sections_->Assign(v); }
void TkzuTitleBar::SetButtons(const TkzuTitleBarButtons* v) { buttons_->Assign(v); }

void TkzuTitleBar::SetButtonInterval(int v) {
  buttonInterval_ = v;
  Invalidate();
}

void TkzuTitleBar::SetCaption(const std::string& v) {
  caption_ = v;
  Invalidate();
}

void TkzuTitleBar::SetFormActive(bool v) {
  formActive_ = v;
  Invalidate();
}

void TkzuTitleBar::SetLeftBtnXOffset(int v) {
  leftBtnXOffset_ = v;
  Invalidate();
}

void TkzuTitleBar::SetRightBtnXOffset(int v) {
  rightBtnXOffset_ = v;
  Invalidate();
}

void TkzuTitleBar::SetDrawAppIcon(bool v) {
  drawAppIcon_ = v;
  Invalidate();
}

TRect TkzuTitleBar::ButtonRect(int index) const {
  return index >= 0 && index < int(buttonRects_.size()) ? buttonRects_[std::size_t(index)] : TRect{};
}

void TkzuTitleBar::UpdateRegion() {
  auto* panel = dynamic_cast<TkzuForm*>(Parent());
  TCustomForm* form = panel ? ParentForm() : nullptr;
  if (!form || !form->HandleAllocated()) return;
  const TRect c = form->ClientRect();
  const int w = CornerRadius;
  HRGN rgn = CreateRoundRectRgn(c.Left, c.Top, c.Right + 1, c.Bottom + 1, w, w);
  HRGN left = CreateRectRgn(c.Left, c.Bottom - 2 * w, c.Left + 2 * w, c.Bottom);
  HRGN right = CreateRectRgn(c.Right - 2 * w, c.Bottom - 2 * w, c.Right, c.Bottom);
  CombineRgn(rgn, rgn, left, RGN_OR);
  CombineRgn(rgn, rgn, right, RGN_OR);
  DeleteObject(left);
  DeleteObject(right);
  if (ComponentState() & csDesigning)
    DeleteObject(rgn);
  else
    SetWindowRgn(form->Handle(), rgn, TRUE);  // the window owns it now
}

void TkzuTitleBar::Paint() {
  TBitmap off(Width(), Height(), pf24bit);
  TCanvas* c = off.Canvas();
  c->Font()->Assign(Font());
  c->Brush()->SetColor(Color());
  c->FillRect(TRect{0, 0, Width(), Height()});
  c->Brush()->SetStyle(bsClear);
  DrawSections(c);
  DrawButtonsAndCaption(c);
  Canvas()->Draw(0, 0, &off);
}

void TkzuTitleBar::DrawSections(TCanvas* canvas) {
  const int h = Height(), width = Width();
  int l = -1, r = width + 1;
  TkzuTitleBarSection* client = nullptr;
  auto draw = [&](TkzuTitleBarSection* s, int x, int right) {
    TBitmap* b = TitleBitmap(s->Picture());
    if (!b) return;
    if (s->Stretch()) {
      canvas->StretchDraw(TRect{x, 0, right, h}, b);
    } else {
      // Only what the picture has: a narrower picture leaves the rest.
      const int cw = std::min(s->Width(), b->Width()), ch = std::min(h, b->Height());
      if (cw > 0 && ch > 0) canvas->CopyRect(TRect{x, 0, x + cw, ch}, b->Canvas(), TRect{0, 0, cw, ch});
    }
  };
  for (int i = 0; i < sections_->Count(); ++i) {
    TkzuTitleBarSection* s = sections_->Items(i);
    switch (s->Align()) {
      case TkzuTitleBarAlign::kzuLeft:
        draw(s, l + 1, l + 1 + s->Width());
        l += s->Width();
        break;
      case TkzuTitleBarAlign::kzuRight:
        if (width - l >= s->Width()) {
          draw(s, r - s->Width() - 1, r - 1);
          r -= s->Width();
        }
        break;
      case TkzuTitleBarAlign::kzuClient: client = s; break;
    }
  }
  if (client && r - 1 > l + 1) draw(client, l + 1, r - 1);
}

void TkzuTitleBar::DrawButton(TCanvas* canvas, TkzuTitleBarButton* b, int index, int x, const TPoint& cursor) {
  TBitmap* normal = TitleBitmap(b->PicNormal());
  const int pw = normal ? normal->Width() : 0, ph = normal ? normal->Height() : 0;
  const TRect r{x, b->Top(), x + pw, b->Top() + ph};
  buttonRects_[std::size_t(index)] = r;
  const bool over = pw > 0 && PointInsideRect(cursor, r);
  if (over) hotButton_ = index;
  TBitmap* pic = over && pressed_ ? TitleBitmap(b->PicMouseDown()) : over ? TitleBitmap(b->PicMouseOn()) : normal;
  if (!pic) return;
  TBitmap work;
  work.Assign(pic);
  work.SetTransparent(b->Transparent());
  canvas->Draw(x, b->Top(), &work);
}

void TkzuTitleBar::DrawButtonsAndCaption(TCanvas* canvas) {
  POINT sp{};
  GetCursorPos(&sp);
  const TPoint cursor = ScreenToClient(TPoint{sp.X, sp.Y});
  hotButton_ = -1;
  buttonRects_.assign(std::size_t(buttons_->Count()), TRect{});
  int x = Width() + rightBtnXOffset_ + 1;
  int leftmostRight = x;
  int controlBox = -1;
  for (int i = 0; i < buttons_->Count(); ++i) {
    TkzuTitleBarButton* b = buttons_->Items(i);
    if (b->ButtonType() == BT::kzuControlBox) {
      controlBox = i;
      continue;
    }
    TBitmap* normal = TitleBitmap(b->PicNormal());
    x -= (normal ? normal->Width() : 0) + buttonInterval_ + 1;
    DrawButton(canvas, b, i, x, cursor);
    leftmostRight = x;
  }
  int x0 = leftBtnXOffset_;
  if (controlBox >= 0) {
    TkzuTitleBarButton* b = buttons_->Items(controlBox);
    if (drawAppIcon_) {
      const TRect r{x0 + 3, b->Top(), x0 + 3 + TitleAppIconSize, b->Top() + TitleAppIconSize};
      buttonRects_[std::size_t(controlBox)] = r;
      if (PointInsideRect(cursor, r)) hotButton_ = controlBox;
      TIcon* icon = Application ? Application->Icon() : nullptr;
      if (icon && !icon->Empty())
        DrawIconEx(canvas->Handle(), r.Left, r.Top, icon->Handle(), TitleAppIconSize, TitleAppIconSize, 0, nullptr,
                   DI_NORMAL);
      x0 += TitleAppIconRoom;
    } else {
      DrawButton(canvas, b, controlBox, x0, cursor);
      TBitmap* normal = TitleBitmap(b->PicNormal());
      x0 += (normal ? normal->Width() : 0) + TitleControlBoxGap;
    }
  }
  if (x0 == 0) x0 = TitleCaptionDefaultLeft;
  captionLeft_ = x0;
  TColor colour = Font()->Color();
  if (!formActive_)
    colour = clInactiveCaption;
  else if (uiStyle_ == TkzuUIStyle::MacOS)
    colour = clBlack;
  canvas->Font()->SetColor(colour);
  canvas->Brush()->SetStyle(bsClear);
  std::string text = caption_;
  if (canvas->TextWidth(text) > leftmostRight - x0) text = ShortTitleCaption(caption_);
  shownCaption_ = text;
  const int y = uiStyle_ == TkzuUIStyle::DeepBlue ? TitleDeepBlueCaptionTop : (Height() - canvas->TextHeight(text)) / 2;
  canvas->TextOut(x0, y, text);
}

void TkzuTitleBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomPanel::MouseDown(Button, Shift, X, Y);
  if (Button != TMouseButton::mbLeft) return;
  pressed_ = true;
  Repaint();
  TCustomForm* form = ParentForm();
  if (hotButton_ < 0 && form && form->WindowState() != wsMaximized && form->HandleAllocated()) {
    ReleaseCapture();
    pressed_ = false;
    POINT p{};
    GetCursorPos(&p);
    auto alive = AliveToken();
    // The platform's move loop runs until the button comes up.
    SendMessage(form->Handle(), WM_NCLBUTTONDOWN, HTCAPTION, PointToLParam(p));
    if (!*alive) return;
  }
}

void TkzuTitleBar::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomPanel::MouseMove(Shift, X, Y);
  Repaint();
}

void TkzuTitleBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomPanel::MouseUp(Button, Shift, X, Y);
  if (Button != TMouseButton::mbLeft) return;
  auto alive = AliveToken();
  const int hot = hotButton_;
  if (hot >= 0 && hot < buttons_->Count()) {
    TkzuTitleBarButton* b = buttons_->Items(hot);
    const BT type = b->ButtonType();
    b->Click();
    // A closed form may have freed the bar.
    if (!*alive) return;
    if (type == BT::kzuCustom && OnCustomBtnsClick)
      OnCustomBtnsClick(this, hot);
    else if (type == BT::kzuHelp && OnHelpBtnClick)
      OnHelpBtnClick(this, hot);
    if (!*alive) return;
  }
  pressed_ = false;
  Repaint();
}

void TkzuTitleBar::DblClick() {
  TCustomPanel::DblClick();
  if (hotButton_ >= 0) return;
  for (int i = 0; i < buttons_->Count(); ++i)
    if (buttons_->Items(i)->ButtonType() == BT::kzuMax) {
      buttons_->Items(i)->Click();
      return;
    }
}

void TkzuTitleBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case CM_MOUSELEAVE:
      TCustomPanel::Dispatch(Message);
      Invalidate();
      return;
    case CM_FONTCHANGED:
      TCustomPanel::Dispatch(Message);
      Invalidate();
      return;
    case WM_NCHITTEST:
      // The themed form's resize band lies partly under the bar.
      if (auto* panel = dynamic_cast<TkzuForm*>(Parent()))
        if (panel->InResizeBand(LParamToPoint(Message.LParam))) {
          Message.Result = HTTRANSPARENT;
          return;
        }
      break;
  }
  TCustomPanel::Dispatch(Message);
}
