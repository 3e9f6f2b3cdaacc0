#include "platform/ui/ColorDialog.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Application.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

namespace {

// Row by row, as 0xRRGGBB for reading; converted by BasicColor.
constexpr std::uint32_t kBasicRgb[kBasicColorCount] = {
    0xFF8080, 0xFFFF80, 0x80FF80, 0x00FF80, 0x80FFFF, 0x0080FF, 0xFF80C0, 0xFF80FF,
    0xFF0000, 0xFFFF00, 0x80FF00, 0x00FF40, 0x00FFFF, 0x0080C0, 0x8080C0, 0xFF00FF,
    0x804040, 0xFF8040, 0x00FF00, 0x008080, 0x004080, 0x8080FF, 0x800040, 0xFF0080,
    0x800000, 0xFF8000, 0x008000, 0x008040, 0x0000FF, 0x0000A0, 0x800080, 0x8000FF,
    0x400000, 0x804000, 0x004000, 0x004040, 0x000080, 0x000040, 0x400040, 0x400080,
    0x000000, 0x808000, 0x808040, 0x808080, 0x408080, 0xC0C0C0, 0x404040, 0xFFFFFF,
};

constexpr int kCellW = 24;
constexpr int kCellH = 20;
constexpr int kGridColumns = 8;
constexpr int kHlsMax = 240;
constexpr int kMargin = 8;
constexpr int kCompactWidth = kMargin * 2 + kGridColumns * kCellW;
constexpr int kFullWidth = kCompactWidth + 184;

// A grid of colour cells; a click selects a cell and reports it.
class TColorCellGrid : public TGraphicControl {
 public:
  TColorCellGrid(TComponent* owner, int count) : TGraphicControl(owner), colors_(std::size_t(count), 0xFFFFFF) {
    SetBounds(0, 0, kGridColumns * kCellW, (count + kGridColumns - 1) / kGridColumns * kCellH);
  }
  std::function<void(int)> OnPick;
  int Count() const { return int(colors_.size()); }
  COLORREF Colors(int i) const { return colors_[std::size_t(i)]; }
  void SetColors(int i, COLORREF c) {
    colors_[std::size_t(i)] = c;
    Invalidate();
  }
  int Selected() const { return selected_; }
  void SetSelected(int i) {
    selected_ = i;
    Invalidate();
  }
  TRect CellRect(int i) const {
    int x = (i % kGridColumns) * kCellW, y = (i / kGridColumns) * kCellH;
    return Rect(x, y, x + kCellW, y + kCellH);
  }

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != TMouseButton::mbLeft || X < 0 || Y < 0) return;
    int i = (Y / kCellH) * kGridColumns + X / kCellW;
    if (X >= kGridColumns * kCellW || i >= Count()) return;
    SetSelected(i);
    if (OnPick) OnPick(i);
  }
  void Paint() override {
    TCanvas* c = Canvas();
    for (int i = 0; i < Count(); ++i) {
      TRect r = CellRect(i);
      c->Brush()->SetColor(i == selected_ ? clBlack : clBtnFace);
      c->FillRect(r);
      c->Brush()->SetColor(TColor(colors_[std::size_t(i)]));
      c->Pen()->SetColor(clGray);
      c->Rectangle(r.Left + 3, r.Top + 3, r.Right - 3, r.Bottom - 3);
    }
  }

 private:
  std::vector<COLORREF> colors_;
  int selected_ = -1;
};

int Clamp(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

}  // namespace

COLORREF BasicColor(int index) {
  std::uint32_t v = kBasicRgb[Clamp(index, 0, kBasicColorCount - 1)];
  return RGB(Byte(v >> 16), Byte(v >> 8), Byte(v));
}

void ColorRGBToHLS(COLORREF rgb, int& hue, int& lum, int& sat) {
  double r = GetRValue(rgb) / 255.0, g = GetGValue(rgb) / 255.0, b = GetBValue(rgb) / 255.0;
  double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  double l = (mx + mn) / 2;
  lum = int(std::lround(l * kHlsMax));
  if (mx == mn) {
    // Greys have no hue; 160 is the value the classic dialog shows.
    hue = 160;
    sat = 0;
    return;
  }
  double d = mx - mn;
  double s = l <= 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  double h = mx == r ? (g - b) / d : mx == g ? 2 + (b - r) / d : 4 + (r - g) / d;
  if (h < 0) h += 6;
  sat = int(std::lround(s * kHlsMax));
  hue = int(std::lround(h * kHlsMax / 6)) % kHlsMax;
}

COLORREF ColorHLSToRGB(int hue, int lum, int sat) {
  double h = Clamp(hue, 0, kHlsMax - 1) * 6.0 / kHlsMax;
  double l = Clamp(lum, 0, kHlsMax) / double(kHlsMax), s = Clamp(sat, 0, kHlsMax) / double(kHlsMax);
  auto byte = [](double v) { return Byte(std::lround(std::min(std::max(v, 0.0), 1.0) * 255)); };
  if (s == 0) return RGB(byte(l), byte(l), byte(l));
  double q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
  double p = 2 * l - q;
  auto channel = [&](double t) {
    if (t < 0) t += 6;
    if (t >= 6) t -= 6;
    if (t < 1) return p + (q - p) * t;
    if (t < 3) return q;
    if (t < 4) return p + (q - p) * (4 - t);
    return p;
  };
  return RGB(byte(channel(h + 2)), byte(channel(h)), byte(channel(h - 2)));
}

// ---- The dialog form ---------------------------------------------------------------
class TColorDialogForm : public TForm {
 public:
  TColorDialogForm(TComponent* owner, const CHOOSECOLOR& cc, const COLORREF* custom) : TForm(owner) {
    BeginLayout();
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(poScreenCenter);
    SetCaption("Color");
    AddLabel("&Basic colors:", kMargin, kMargin);
    basic_ = AddGrid("BasicColors", kBasicColorCount, kMargin + 16);
    for (int i = 0; i < kBasicColorCount; ++i) basic_->SetColors(i, BasicColor(i));
    int customTop = basic_->Top() + basic_->Height() + 8;
    AddLabel("&Custom colors:", kMargin, customTop);
    custom_ = AddGrid("CustomColors", kCustomColorCount, customTop + 16);
    for (int i = 0; i < kCustomColorCount; ++i) custom_->SetColors(i, custom[i]);
    int buttonTop = custom_->Top() + custom_->Height() + 8;
    define_ = AddButton("DefineCustom", "&Define Custom Colors >>", kMargin, buttonTop, kGridColumns * kCellW);
    define_->OnClick = [this](TObject*) { OpenFull(); };
    define_->SetEnabled(!(cc.Flags & CC_PREVENTFULLOPEN));
    int okTop = buttonTop + 31;
    TButton* ok = AddButton("OK", "OK", kMargin, okTop, 75);
    ok->ModalResult = mrOk;
    ok->SetDefault(true);
    TButton* cancel = AddButton("Cancel", "Cancel", kMargin + 83, okTop, 75);
    cancel->ModalResult = mrCancel;
    cancel->SetCancel(true);
    BuildFullPart(kCompactWidth, kMargin + 16);
    clientHeight_ = okTop + 25 + kMargin;
    SetClientSize(kCompactWidth, clientHeight_);
    basic_->OnPick = [this](int i) {
      custom_->SetSelected(-1);
      SetCurrent(basic_->Colors(i));
    };
    custom_->OnPick = [this](int i) {
      basic_->SetSelected(-1);
      customSlot_ = i;
      SetCurrent(custom_->Colors(i));
    };
    if (cc.Flags & CC_RGBINIT) {
      COLORREF init = cc.rgbResult & 0xFFFFFF;
      for (int i = 0; i < kBasicColorCount && basic_->Selected() < 0; ++i)
        if (BasicColor(i) == init) basic_->SetSelected(i);
      SetCurrent(init);
    } else {
      SetCurrent(0);
    }
    if ((cc.Flags & CC_FULLOPEN) && define_->Enabled()) OpenFull();
    EndLayout();
  }

  COLORREF Current() const { return current_; }
  bool FullOpen() const { return fullOpen_; }
  TColorCellGrid* Basic() const { return basic_; }
  TColorCellGrid* Custom() const { return custom_; }
  TButton* Define() const { return define_; }
  TButton* AddCustom() const { return add_; }
  void CopyCustom(COLORREF* out) const {
    for (int i = 0; i < kCustomColorCount; ++i) out[i] = custom_->Colors(i);
  }

  void OpenFull() {
    if (fullOpen_) return;
    fullOpen_ = true;
    define_->SetEnabled(false);
    for (TControl* c : fullPart_) c->SetVisible(true);
    SetClientSize(kFullWidth, clientHeight_);
  }

 private:
  TLabel* AddLabel(const std::string& text, int x, int y) {
    auto* l = new TLabel(this);
    l->SetParent(this);
    l->SetCaption(text);
    l->SetBounds(x, y, 60, 14);
    return l;
  }
  TColorCellGrid* AddGrid(const char* name, int count, int top) {
    auto* g = new TColorCellGrid(this, count);
    g->SetName(name);
    g->SetParent(this);
    g->SetBounds(kMargin, top, g->Width(), g->Height());
    return g;
  }
  TButton* AddButton(const char* name, const std::string& caption, int x, int y, int w) {
    auto* b = new TButton(this);
    b->SetName(name);
    b->SetParent(this);
    b->SetCaption(caption);
    b->SetBounds(x, y, w, 23);
    return b;
  }
  // Hidden until the dialog opens fully.
  void BuildFullPart(int left, int top) {
    swatch_ = new TShape(this);
    swatch_->SetName("ColorSolid");
    swatch_->SetParent(this);
    swatch_->SetBounds(left, top, 168, 72);
    fullPart_.push_back(swatch_);
    static constexpr const char* kEdits[] = {"Hue", "Sat", "Lum", "Red", "Green", "Blue"};
    for (int i = 0; i < 6; ++i) {
      int x = left + (i / 3) * 88, y = top + 80 + (i % 3) * 28;
      TLabel* l = AddLabel(std::string(kEdits[i]) + ":", x, y + 3);
      l->SetWidth(36);
      auto* e = new TEdit(this);
      e->SetName(kEdits[i]);
      e->SetParent(this);
      e->SetBounds(x + 38, y, 40, 21);
      e->SetMaxLength(3);
      e->OnChange = [this, i](TObject*) { EditChanged(i); };
      edits_[i] = e;
      fullPart_.push_back(l);
      fullPart_.push_back(e);
    }
    add_ = AddButton("AddCustom", "&Add to Custom Colors", left, top + 168, 168);
    add_->OnClick = [this](TObject*) { AddToCustom(); };
    fullPart_.push_back(add_);
    for (TControl* c : fullPart_) c->SetVisible(false);
  }

  void SetCurrent(COLORREF c) {
    current_ = c & 0xFFFFFF;
    swatch_->Brush()->SetColor(TColor(current_));
    int h = 0, l = 0, s = 0;
    ColorRGBToHLS(current_, h, l, s);
    ShowValues({h, s, l, GetRValue(current_), GetGValue(current_), GetBValue(current_)}, -1);
  }
  // Rewrites the edits other than the one being typed in.
  void ShowValues(std::initializer_list<int> values, int skip) {
    updating_ = true;
    int i = 0;
    for (int v : values) {
      if (i != skip) edits_[i]->SetText(IntToStr(v));
      ++i;
    }
    updating_ = false;
  }
  void EditChanged(int index) {
    if (updating_) return;
    int v = 0;
    if (!TryStrToInt(edits_[index]->Text(), v)) return;
    int value[6];
    for (int i = 0; i < 6; ++i) value[i] = StrToIntDef(edits_[i]->Text(), 0);
    static constexpr int kMax[] = {kHlsMax - 1, kHlsMax, kHlsMax, 255, 255, 255};
    for (int i = 0; i < 6; ++i) value[i] = Clamp(value[i], 0, kMax[i]);
    if (v != value[index]) {
      // Out of range: the edit shows the limit, as typed text is kept otherwise.
      updating_ = true;
      edits_[index]->SetText(IntToStr(value[index]));
      updating_ = false;
    }
    basic_->SetSelected(-1);
    if (index < 3) {
      current_ = ColorHLSToRGB(value[0], value[2], value[1]);
      ShowValues({value[0], value[1], value[2], GetRValue(current_), GetGValue(current_), GetBValue(current_)}, index);
    } else {
      current_ = RGB(Byte(value[3]), Byte(value[4]), Byte(value[5]));
      int h = 0, l = 0, s = 0;
      ColorRGBToHLS(current_, h, l, s);
      ShowValues({h, s, l, value[3], value[4], value[5]}, index);
    }
    swatch_->Brush()->SetColor(TColor(current_));
  }
  // Fills the chosen custom cell (or the next in turn) and moves on.
  void AddToCustom() {
    custom_->SetColors(customSlot_, current_);
    custom_->SetSelected(-1);
    customSlot_ = (customSlot_ + 1) % kCustomColorCount;
  }

  TColorCellGrid* basic_ = nullptr;
  TColorCellGrid* custom_ = nullptr;
  TButton* define_ = nullptr;
  TButton* add_ = nullptr;
  TShape* swatch_ = nullptr;
  TEdit* edits_[6] = {};
  std::vector<TControl*> fullPart_;
  COLORREF current_ = 0;
  int customSlot_ = 0;
  int clientHeight_ = 0;
  bool fullOpen_ = false;
  bool updating_ = false;
};

BOOL ChooseColor(CHOOSECOLOR* cc) {
  if (!cc || cc->lStructSize != sizeof(CHOOSECOLOR)) return FALSE;
  COLORREF custom[kCustomColorCount];
  for (int i = 0; i < kCustomColorCount; ++i) custom[i] = cc->lpCustColors ? cc->lpCustColors[i] & 0xFFFFFF : 0xFFFFFF;
  std::unique_ptr<TColorDialogForm> form(TCustomForm::New<TColorDialogForm>(Application, *cc, custom));
  auto alive = form->AliveToken();
  TModalResult result = form->ShowModal();
  // A handler may have freed the dialog already: then nothing is known.
  if (!*alive) {
    (void)form.release();
    return FALSE;
  }
  if (cc->lpCustColors) form->CopyCustom(cc->lpCustColors);
  if (result != mrOk) return FALSE;
  cc->rgbResult = form->Current();
  return TRUE;
}

// ---- TColorDialog ------------------------------------------------------------------
TColorDialog::TColorDialog(TComponent* AOwner) : TComponent(AOwner), customColors_(std::make_unique<TStringList>()) {}

TColorDialog::~TColorDialog() = default;

bool TColorDialog::Execute() {
  COLORREF custom[kCustomColorCount];
  for (int i = 0; i < kCustomColorCount; ++i) {
    std::string name = std::string("Color") + char('A' + i);
    int v = 0;
    std::string text = customColors_->Values(name);
    custom[i] = !text.empty() && TryStrToInt("$" + text, v) ? COLORREF(v) & 0xFFFFFF : 0xFFFFFF;
  }
  CHOOSECOLOR cc;
  cc.rgbResult = COLORREF(ColorToRGB(Color)) & 0xFFFFFF;
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT;
  if (Options & cdFullOpen) cc.Flags |= CC_FULLOPEN;
  if (Options & cdPreventFullOpen) cc.Flags |= CC_PREVENTFULLOPEN;
  if (Options & cdShowHelp) cc.Flags |= CC_SHOWHELP;
  if (Options & cdSolidColor) cc.Flags |= CC_SOLIDCOLOR;
  if (Options & cdAnyColor) cc.Flags |= CC_ANYCOLOR;
  bool ok = ChooseColor(&cc) != FALSE;
  if (!ok) return false;
  Color = TColor(cc.rgbResult);
  customColors_->Clear();
  for (int i = 0; i < kCustomColorCount; ++i)
    customColors_->Add(std::string("Color") + char('A' + i) + "=" + IntToHex(custom[i], 6));
  return true;
}

// ---- Driver ------------------------------------------------------------------------
TColorDialogDriver::TColorDialogDriver(TForm* dialog) : form_(dynamic_cast<TColorDialogForm*>(dialog)) {}

namespace {
TPoint CellCentre(TColorCellGrid* grid, int index) {
  TRect r = grid->CellRect(index);
  return grid->ClientToScreen(TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
}
void PressCell(TColorCellGrid* grid, int index) {
  if (index < 0 || index >= grid->Count()) return;
  TRect r = grid->CellRect(index);
  LPARAM at = MAKELPARAM((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
  grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  grid->Perform(WM_LBUTTONUP, 0, at);
}
}  // namespace

TPoint TColorDialogDriver::BasicCellPoint(int index) const { return form_ ? CellCentre(form_->Basic(), index) : TPoint{}; }
TPoint TColorDialogDriver::CustomCellPoint(int index) const { return form_ ? CellCentre(form_->Custom(), index) : TPoint{}; }
void TColorDialogDriver::ClickBasic(int index) {
  if (form_) PressCell(form_->Basic(), index);
}
void TColorDialogDriver::ClickCustom(int index) {
  if (form_) PressCell(form_->Custom(), index);
}
void TColorDialogDriver::DefineCustomColors() {
  if (form_ && form_->Define()->Enabled()) form_->Define()->Click();
}
bool TColorDialogDriver::FullOpen() const { return form_ && form_->FullOpen(); }
bool TColorDialogDriver::DefineEnabled() const { return form_ && form_->Define()->Enabled(); }
void TColorDialogDriver::Type(const std::string& edit, const std::string& text) {
  auto* e = form_ ? dynamic_cast<TEdit*>(form_->FindComponent(edit)) : nullptr;
  if (!e || !e->Visible()) return;
  e->SelectAll();
  for (char ch : text) e->Perform(WM_CHAR, WPARAM(Byte(ch)), 0);
}
std::string TColorDialogDriver::EditText(const std::string& edit) const {
  auto* e = form_ ? dynamic_cast<TEdit*>(form_->FindComponent(edit)) : nullptr;
  return e ? e->Text() : std::string();
}
void TColorDialogDriver::AddToCustomColors() {
  if (form_ && form_->FullOpen()) form_->AddCustom()->Click();
}
COLORREF TColorDialogDriver::Current() const { return form_ ? form_->Current() : 0; }
COLORREF TColorDialogDriver::CustomColor(int index) const {
  return form_ && index >= 0 && index < kCustomColorCount ? form_->Custom()->Colors(index) : 0;
}
int TColorDialogDriver::SelectedBasic() const { return form_ ? form_->Basic()->Selected() : -1; }
void TColorDialogDriver::Ok() {
  if (form_) dynamic_cast<TButton*>(form_->FindComponent("OK"))->Click();
}
void TColorDialogDriver::Cancel() {
  if (form_) dynamic_cast<TButton*>(form_->FindComponent("Cancel"))->Click();
}
