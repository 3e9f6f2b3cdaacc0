#include "themed/forms/KZUMainMenu.h"

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/ImageList.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"
#include "themed/forms/KZUForm.h"

namespace {

constexpr int MenuCheckEntry = 23;
constexpr int MenuMacBarRows = 20;
constexpr int MenuMacSeparatorRows = 12;
constexpr int MenuMacSelectRows = 20;
constexpr int MenuExtraWidth = 40;
constexpr TColor MenuDisabledText = TColor(0x808080);

bool MenuIsSeparator(const TMenuItem* item) { return item->Caption() == cLineCaption; }

void MenuStretchRows(TCanvas* canvas, const TRect& r, const char* name, int rows) {
  TBitmap b;
  if (!TryLoadThemeBitmap(name, b) || b.Width() <= 0) return;
  const int h = std::min(rows, b.Height());
  if (h <= 0) return;
  TBitmap part(b.Width(), h, pf24bit);
  part.Canvas()->CopyRect(TRect{0, 0, b.Width(), h}, b.Canvas(), TRect{0, 0, b.Width(), h});
  canvas->StretchDraw(r, &part);
}

}  // namespace

// ---- The drawing routines -------------------------------------------------------------------

void HookMenuItem(TMenuItem* item, const TMenuMeasureItemEvent& measure, const TMenuDrawItemEvent& draw) {
  item->OnMeasureItem = measure;
  item->OnDrawItem = draw;
  for (int i = 0; i < item->Count(); ++i) HookMenuItem(item->Items(i), measure, draw);
}

void FrameRectInColor(TCanvas* canvas, const TRect& r, TColor colour) {
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(colour);
  canvas->FrameRect(r);
}

void FillRectInColor(TCanvas* canvas, const TRect& r, TColor colour) {
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(colour);
  canvas->FillRect(r);
}

void DrawMenuSeparator(TCanvas* canvas, const TRect& r, TColor colour, int offset) {
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetWidth(1);
  canvas->Pen()->SetColor(colour);
  canvas->MoveTo(r.Left + offset + 4, r.Top + 2);
  canvas->LineTo(r.Right - 2, r.Top + 2);
}

void DrawMacMenuBar(TCanvas* canvas, const TRect& r, int height) {
  MenuStretchRows(canvas, r, "MACOS_MENU_BAR", height <= MenuMacSeparatorRows ? MenuMacSeparatorRows : MenuMacBarRows);
}

void DrawMacMenuSelect(TCanvas* canvas, const TRect& r) {
  MenuStretchRows(canvas, r, "MACOS_MENU_SELECT", MenuMacSelectRows);
}

void DrawMenuPopupFrame(HWND window, TColor colour, TColor second) {
  if (!window) return;
  RECT w{};
  GetWindowRect(window, &w);
  const int width = w.Right - w.Left, height = w.Bottom - w.Top;
  HDC dc = GetWindowDC(window);
  if (!dc) return;
  {
    TCanvas c;
    c.SetHandle(dc);
    FrameRectInColor(&c, TRect{0, 1, width - 1, height - 1}, colour);
    FrameRectInColor(&c, TRect{1, 2, width - 2, height - 2}, clWhite);
    c.Pen()->SetColor(second);
    c.MoveTo(0, height - 1);
    c.LineTo(width - 1, height - 1);
    c.LineTo(width - 1, 0);
    c.LineTo(width, 0);
    c.MoveTo(width - 1, 0);
    c.LineTo(0, 0);
    c.SetHandle(nullptr);
  }
  ReleaseDC(window, dc);
}

bool GetMenuFont(TFont* font) {
  if (!font || !Screen || !Screen->MenuFont()) return false;
  font->Assign(Screen->MenuFont());
  font->SetColor(clMenuText);
  return true;
}

// ---- The menu -------------------------------------------------------------------------------

TkzuMainMenu::TkzuMainMenu(TComponent* AOwner) : TMainMenu(AOwner), internalImages_(std::make_unique<TImageList>(nullptr)) {
  TMenu::SetOwnerDraw(true);
  internalImages_->SetWidth(16);
  internalImages_->SetHeight(16);
  TBitmap check;
  if (TryLoadThemeBitmap(GetThemeBitmapName(TkzuUIStyle::DeepBlue, MenuCheckEntry), check))
    internalImages_->AddMasked(&check, clWhite);
  TMenu::SetImages(internalImages_.get());
  SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
  if (auto* form = dynamic_cast<TCustomForm*>(AOwner)) {
    form->SetMenu(nullptr);
    for (int i = 0; i < form->ControlCount(); ++i)
      if (auto* panel = dynamic_cast<TkzuForm*>(form->Controls(i))) {
        panel->SetMenu(this);
        break;
      }
  }
}

TkzuMainMenu::~TkzuMainMenu() {
  if (themedForm_) {
    TkzuForm* f = themedForm_;
    themedForm_ = nullptr;
    f->SetMenu(nullptr);
  }
  TMenu::SetImages(nullptr);
}

TImageList* TkzuMainMenu::Images() const {
  TImageList* current = TMenu::Images();
  return current == internalImages_.get() ? nullptr : current;
}

void TkzuMainMenu::SetImages(TImageList* v) { TMenu::SetImages(v ? v : internalImages_.get()); }

void TkzuMainMenu::SetUIStyle(TkzuUIStyle v) {
  uiStyle_ = v;
  if (v == TkzuUIStyle::Custom) return;
  // Stored directly: the setters ignore heights while the look is MacOS.
  menuItemHeight_ = GetThemeInteger(v, 20);
  separatorHeight_ = GetThemeInteger(v, 21);
  BarColor = GetThemeColor(v, 17);
  BarWidth = GetThemeInteger(v, 22);
  Color = GetThemeColor(v, 15);
  SeparatorColor = GetThemeColor(v, 18);
  SelectedBorderColor = GetThemeColor(v, 11);
  SelectedColor = GetThemeColor(v, 12);
  SelectedFontColor = GetThemeColor(v, 13);
  FontColor = GetThemeColor(v, 16);
  BorderColor = GetThemeColor(v, 2);
}

void TkzuMainMenu::SetMenuItemHeight(int v) {
  if (uiStyle_ != TkzuUIStyle::MacOS) menuItemHeight_ = v;
}

void TkzuMainMenu::SetSeparatorHeight(int v) {
  if (uiStyle_ != TkzuUIStyle::MacOS) separatorHeight_ = v;
}

void TkzuMainMenu::SetUseSystemFont(bool v) {
  useSystemFont_ = v;
  if (themedForm_) themedForm_->UpdateMenuBarFont();
}

void TkzuMainMenu::ApplyItemFont(TFont* font) const {
  if (useSystemFont_ && GetMenuFont(font)) return;
  font->SetName(FontName);
  font->SetSize(FontSize);
  font->SetCharset(FontCharset);
}

void TkzuMainMenu::HookItems() {
  const TMenuMeasureItemEvent measure = [this](TObject* s, TCanvas* c, int& w, int& h) {
    MeasureItem(static_cast<TMenuItem*>(s), c, w, h);
  };
  const TMenuDrawItemEvent draw = [this](TObject* s, TCanvas* c, TRect r, bool sel) {
    DrawItem(static_cast<TMenuItem*>(s), c, r, sel);
  };
  for (int i = 0; i < Items()->Count(); ++i) HookMenuItem(Items()->Items(i), measure, draw);
  if (themedForm_) themedForm_->RebuildMenuBar();
}

void TkzuMainMenu::Loaded() {
  TMainMenu::Loaded();
  HookItems();
}

void TkzuMainMenu::MenuChanged(TMenuItem* Source, bool Rebuild) {
  TMainMenu::MenuChanged(Source, Rebuild);
  if (!themedForm_ || !dynamic_cast<TCustomForm*>(Owner())) return;
  themedForm_->RefreshMenuBar();
  if ((ComponentState() & csDesigning) && !(ComponentState() & csLoading)) themedForm_->RebuildMenuBar();
}

void TkzuMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMainMenu::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == themedForm_) themedForm_ = nullptr;
}

void TkzuMainMenu::MeasureItem(TMenuItem* item, TCanvas* canvas, int& width, int& height) {
  height = MenuIsSeparator(item) ? separatorHeight_ : menuItemHeight_;
  TFont saved;
  saved.Assign(canvas->Font());
  ApplyItemFont(canvas->Font());
  const std::string shortcut = ShortCutToText(item->ShortCut());
  width = canvas->TextWidth(item->Caption()) + (shortcut.empty() ? 0 : canvas->TextWidth(shortcut)) + BarWidth +
          MenuExtraWidth;
  canvas->Font()->Assign(&saved);
}

void TkzuMainMenu::DrawItem(TMenuItem* item, TCanvas* canvas, const TRect& r, bool selected) {
  if (FlatMenu)
    if (HWND w = WindowFromDC(canvas->Handle())) DrawMenuPopupFrame(w, BorderColor, GetThemeColor(uiStyle_, 3));
  const bool mac = uiStyle_ == TkzuUIStyle::MacOS;
  auto plainBackground = [&] {
    if (BarWidth > 0) FillRectInColor(canvas, TRect{r.Left, r.Top, r.Left + BarWidth, r.Bottom}, BarColor);
    FillRectInColor(canvas, TRect{r.Left + BarWidth, r.Top, r.Right, r.Bottom}, Color);
  };
  if (MenuIsSeparator(item)) {
    if (mac) {
      DrawMacMenuBar(canvas, r, MenuMacSeparatorRows);
    } else {
      plainBackground();
      DrawMenuSeparator(canvas, r, SeparatorColor, BarWidth);
    }
    return;
  }
  const bool enabled = item->Enabled();
  if (selected && enabled) {
    if (mac) {
      DrawMacMenuSelect(canvas, r);
    } else {
      FillRectInColor(canvas, r, SelectedColor);
      FrameRectInColor(canvas, r, SelectedBorderColor);
    }
  } else if (mac) {
    DrawMacMenuBar(canvas, r, MenuMacBarRows);
  } else {
    plainBackground();
  }
  ApplyItemFont(canvas->Font());
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetColor(!enabled ? MenuDisabledText : selected ? SelectedFontColor : FontColor);
  if (item->Default()) canvas->Font()->SetStyle(canvas->Font()->Style() | fsBold);
  TRect text{r.Left + BarWidth + 4, r.Top + 4, r.Right, r.Bottom};
  const std::string caption = item->Caption();
  DrawText(canvas->Handle(), caption.c_str(), -1, &text, DT_SINGLELINE);
  const std::string shortcut = ShortCutToText(item->ShortCut());
  if (!shortcut.empty()) canvas->TextOut(r.Right - canvas->TextWidth(shortcut) - 16, r.Top + 4, shortcut);
  TImageList* user = Images();
  const int index = item->ImageIndex();
  const bool hasImage = user && index >= 0 && index < user->Count();
  if (item->Checked()) {
    if (hasImage) {
      FrameRectInColor(canvas, TRect{r.Left + 2, r.Top + 1, r.Left + 21, r.Top + 20}, clBlack);
      FillRectInColor(canvas, TRect{r.Left + 3, r.Top + 2, r.Left + 20, r.Top + 19}, SelectedColor);
    } else if (internalImages_->Count() > 0) {
      internalImages_->Draw(canvas, r.Left + 4, r.Top + 3, 0, enabled);
    }
  }
  if (hasImage) user->Draw(canvas, r.Left + 4, r.Top + 3, index, enabled);
  canvas->Brush()->SetStyle(bsSolid);
}
