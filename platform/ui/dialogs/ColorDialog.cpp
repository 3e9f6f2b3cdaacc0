#include "platform/ui/dialogs/ColorDialog.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/edits/Edit.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/rtl/StockTexts.h"

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
constexpr int kColorMargin = 8;
constexpr int kCompactWidth = kColorMargin * 2 + kGridColumns * kCellW;
// The custom-colour part, right of the compact one.
constexpr int kFullPartWidth = 226;
constexpr int kFullWidth = kCompactWidth + kFullPartWidth + kColorMargin;
constexpr int kFieldHeight = 140;  // outer, frame included
constexpr int kLumWidth = 20;      // the bar and its arrow
constexpr int kLumBar = 12;        // outer width of the bar
constexpr int kLumOverhang = 4;    // the arrow's half height reaches past the bar's ends
constexpr int kArrowHalf = 4;
constexpr int kNumberEditWidth = 32;
constexpr int kEditHeight = 21;
constexpr int kLabelGap = 4;  // between a label and its edit
constexpr int kFrame = 2;     // a sunken edge
constexpr int kCrossArm = 6;
constexpr int kCrossGap = 3;

int Clamp(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

// Value on a 0..max scale of pixel `at` along `extent` pixels, rounded.
int ScaleOf(int at, int extent, int max) {
  if (extent <= 1) return 0;
  return Clamp((at * max * 2 + (extent - 1)) / ((extent - 1) * 2), 0, max);
}
// Pixel of a value on a 0..max scale along `extent` pixels.
int PixelOfScale(int v, int extent, int max) { return max > 0 ? v * (extent - 1) / max : 0; }

void SunkenFrame(HDC dc, TRect& r) {
  RECT e = r;
  DrawEdge(dc, &e, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  r = e;
}

// The hue (across) and saturation (up) field at middle luminosity, with a
// cross-hair at the current hue and saturation. A press or drag picks.
class TColorField : public TGraphicControl {
 public:
  explicit TColorField(TComponent* owner) : TGraphicControl(owner) { ControlStyle |= csCaptureMouse | csOpaque; }
  std::function<void(int hue, int sat)> OnPick;
  int Hue() const { return hue_; }
  int Sat() const { return sat_; }
  void SetHueSat(int hue, int sat) {
    if (hue == hue_ && sat == sat_) return;
    hue_ = hue;
    sat_ = sat;
    Invalidate();
  }
  // The field inside the frame, in client coordinates.
  TRect Inner() const { return TRect{kFrame, kFrame, Width() - kFrame, Height() - kFrame}; }
  TPoint PointOf(int hue, int sat) const {
    const TRect in = Inner();
    return TPoint{in.Left + PixelOfScale(hue, in.Width(), kHlsMax - 1),
                  in.Top + PixelOfScale(kHlsMax - sat, in.Height(), kHlsMax)};
  }

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button == TMouseButton::mbLeft) Pick(X, Y);
  }
  void MouseMove(TShiftState Shift, int X, int Y) override {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (Shift & ssLeft) Pick(X, Y);
  }
  void Paint() override {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    SunkenFrame(dc, r);
    const TRect in = Inner();
    if (in.IsEmpty()) return;
    if (field_.Width() != in.Width() || field_.Height() != in.Height()) BuildField(in.Width(), in.Height());
    Canvas()->Draw(in.Left, in.Top, &field_);
    DrawCross(dc, PointOf(hue_, sat_), in);
  }

 private:
  void Pick(int x, int y) {
    const TRect in = Inner();
    const int hue = ScaleOf(Clamp(x, in.Left, in.Right - 1) - in.Left, in.Width(), kHlsMax - 1);
    const int sat = kHlsMax - ScaleOf(Clamp(y, in.Top, in.Bottom - 1) - in.Top, in.Height(), kHlsMax);
    if (hue == hue_ && sat == sat_) return;
    SetHueSat(hue, sat);
    if (OnPick) OnPick(hue, sat);
  }
  // One row per saturation; each row is hues at middle luminosity.
  void BuildField(int w, int h) {
    field_.SetPixelFormat(pf32bit);
    field_.SetSize(w, h);
    std::vector<int> hues(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) hues[std::size_t(x)] = ScaleOf(x, w, kHlsMax - 1);
    for (int y = 0; y < h; ++y) {
      const int sat = kHlsMax - ScaleOf(y, h, kHlsMax);
      auto* row = static_cast<std::uint8_t*>(field_.ScanLine(y));
      for (int x = 0; x < w; ++x, row += 4) {
        const COLORREF c = ColorHLSToRGB(hues[std::size_t(x)], kHlsMax / 2, sat);
        row[0] = GetBValue(c);
        row[1] = GetGValue(c);
        row[2] = GetRValue(c);
        row[3] = 0;
      }
    }
  }
  // Four black arms around an open centre, clipped to the field.
  static void DrawCross(HDC dc, TPoint p, const TRect& in) {
    const TRect arms[] = {
        {p.X - kCrossGap - kCrossArm, p.Y - 1, p.X - kCrossGap, p.Y + 1},
        {p.X + kCrossGap + 1, p.Y - 1, p.X + kCrossGap + 1 + kCrossArm, p.Y + 1},
        {p.X - 1, p.Y - kCrossGap - kCrossArm, p.X + 1, p.Y - kCrossGap},
        {p.X - 1, p.Y + kCrossGap + 1, p.X + 1, p.Y + kCrossGap + 1 + kCrossArm},
    };
    for (const TRect& a : arms) {
      const TRect c{std::max(a.Left, in.Left), std::max(a.Top, in.Top), std::min(a.Right, in.Right),
                    std::min(a.Bottom, in.Bottom)};
      if (!c.IsEmpty()) FillSolid(dc, c, clBlack);
    }
  }

  TBitmap field_;
  int hue_ = 0, sat_ = 0;
};

// The luminosity bar for the current hue and saturation, white at the top
// and black at the bottom, with an arrow at the current luminosity. A press
// or drag picks.
class TLumSlider : public TGraphicControl {
 public:
  explicit TLumSlider(TComponent* owner) : TGraphicControl(owner) { ControlStyle |= csCaptureMouse | csOpaque; }
  std::function<void(int lum)> OnPick;
  int Lum() const { return lum_; }
  void Set(int hue, int sat, int lum) {
    if (hue == hue_ && sat == sat_ && lum == lum_) return;
    hue_ = hue;
    sat_ = sat;
    lum_ = lum;
    Invalidate();
  }
  // The bar's colours inside its frame, in client coordinates.
  TRect Inner() const {
    return TRect{kFrame, kLumOverhang + kFrame, kLumBar - kFrame, Height() - kLumOverhang - kFrame};
  }
  int RowOf(int lum) const {
    const TRect in = Inner();
    return in.Top + PixelOfScale(kHlsMax - lum, in.Height(), kHlsMax);
  }

 protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button == TMouseButton::mbLeft) Pick(Y);
  }
  void MouseMove(TShiftState Shift, int X, int Y) override {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (Shift & ssLeft) Pick(Y);
  }
  void Paint() override {
    HDC dc = Canvas()->Handle();
    FillSolid(dc, ClientRect(), clBtnFace);
    TRect bar{0, kLumOverhang, kLumBar, Height() - kLumOverhang};
    SunkenFrame(dc, bar);
    const TRect in = Inner();
    for (int y = in.Top; y < in.Bottom; ++y) {
      const int lum = kHlsMax - ScaleOf(y - in.Top, in.Height(), kHlsMax);
      FillSolid(dc, TRect{in.Left, y, in.Right, y + 1}, TColor(ColorHLSToRGB(hue_, lum, sat_)));
    }
    // A solid arrow pointing at the bar, one row narrower each column.
    const int y = RowOf(lum_);
    for (int i = 0; i <= kArrowHalf; ++i)
      FillSolid(dc, TRect{kLumBar + 1 + i, y - i, kLumBar + 2 + i, y + i + 1}, clBtnText);
  }

 private:
  void Pick(int y) {
    const TRect in = Inner();
    const int lum = kHlsMax - ScaleOf(Clamp(y, in.Top, in.Bottom - 1) - in.Top, in.Height(), kHlsMax);
    if (lum == lum_) return;
    lum_ = lum;
    Invalidate();
    if (OnPick) OnPick(lum);
  }

  int hue_ = 0, sat_ = 0, lum_ = 0;
};

// The "Color|Solid" sample: the chosen colour beside the nearest solid one.
// On a true-colour surface every colour is solid, so the halves agree.
class TColorSample : public TGraphicControl {
 public:
  explicit TColorSample(TComponent* owner) : TGraphicControl(owner) { ControlStyle |= csOpaque; }
  COLORREF Color() const { return color_; }
  void SetSampleColor(COLORREF c) {
    if (c == color_) return;
    color_ = c;
    Invalidate();
  }

 protected:
  void Paint() override {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    SunkenFrame(dc, r);
    FillSolid(dc, r, TColor(color_));
  }

 private:
  COLORREF color_ = 0;
};

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
    SetCaption(StockText("Color"));
    AddLabel(StockText("&Basic colors:"), kColorMargin, kColorMargin);
    basic_ = AddGrid("BasicColors", kBasicColorCount, kColorMargin + 16);
    for (int i = 0; i < kBasicColorCount; ++i) basic_->SetColors(i, BasicColor(i));
    int customTop = basic_->Top() + basic_->Height() + 8;
    AddLabel(StockText("&Custom colors:"), kColorMargin, customTop);
    custom_ = AddGrid("CustomColors", kCustomColorCount, customTop + 16);
    for (int i = 0; i < kCustomColorCount; ++i) custom_->SetColors(i, custom[i]);
    int buttonTop = custom_->Top() + custom_->Height() + 8;
    define_ = AddButton("DefineCustom", StockText("&Define Custom Colors >>"), kColorMargin, buttonTop, kGridColumns * kCellW);
    define_->OnClick = [this](TObject*) { OpenFull(); };
    define_->SetEnabled(!(cc.Flags & CC_PREVENTFULLOPEN));
    int okTop = buttonTop + 31;
    TButton* ok = AddButton("OK", StockText("OK"), kColorMargin, okTop, 75);
    ok->ModalResult = mrOk;
    ok->SetDefault(true);
    TButton* cancel = AddButton("Cancel", StockText("Cancel"), kColorMargin + 83, okTop, 75);
    cancel->ModalResult = mrCancel;
    cancel->SetCancel(true);
    clientHeight_ = okTop + 23 + kColorMargin;
    BuildFullPart(kCompactWidth, kColorMargin + 16, okTop + 23);
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
  TColorField* Field() const { return field_; }
  TLumSlider* LumBar() const { return lumBar_; }
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
    g->SetBounds(kColorMargin, top, g->Width(), g->Height());
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
  // Hidden until the dialog opens fully. The field and the bar on top; under
  // them the sample with its caption and two columns of number edits, each
  // label right-aligned a little before its edit; the add button at the
  // bottom, level with OK.
  void BuildFullPart(int left, int top, int bottom) {
    field_ = new TColorField(this);
    field_->SetName("ColorField");
    field_->SetParent(this);
    const int fieldWidth = kFullPartWidth - kLumWidth - 6;
    field_->SetBounds(left, top, fieldWidth, kFieldHeight);
    field_->OnPick = [this](int hue, int sat) { PickHueSat(hue, sat); };
    fullPart_.push_back(field_);
    lumBar_ = new TLumSlider(this);
    lumBar_->SetName("LumSlider");
    lumBar_->SetParent(this);
    lumBar_->SetBounds(left + kFullPartWidth - kLumWidth, top - kLumOverhang, kLumWidth, kFieldHeight + 2 * kLumOverhang);
    lumBar_->OnPick = [this](int lum) { PickLum(lum); };
    fullPart_.push_back(lumBar_);

    add_ = AddButton("AddCustom", StockText("&Add to Custom Colors"), left, bottom - 23, kFullPartWidth);
    add_->OnClick = [this](TObject*) { AddToCustom(); };
    fullPart_.push_back(add_);

    // Edit columns from the right, so the widest label sets the sample's width.
    static constexpr const char* kEdits[] = {"Hue", "Sat", "Lum", "Red", "Green", "Blue"};
    static constexpr const char* kCaptions[] = {"Hu&e:", "&Sat:", "&Lum:", "&Red:", "&Green:", "Bl&ue:"};
    const int rowsTop = top + kFieldHeight + 8;
    const int rowStep = (bottom - 23 - 6 - rowsTop - kEditHeight) / 2;
    int editRight = left + kFullPartWidth, columnLeft = editRight;
    for (int column = 1; column >= 0; --column) {
      const int editLeft = editRight - kNumberEditWidth;
      columnLeft = editLeft;
      for (int row = 0; row < 3; ++row) {
        const int i = column * 3 + row;
        const int y = rowsTop + row * rowStep;
        auto* e = new TEdit(this);
        e->SetName(kEdits[i]);
        e->SetParent(this);
        e->SetBounds(editLeft, y, kNumberEditWidth, kEditHeight);
        e->SetMaxLength(3);
        e->OnChange = [this, i](TObject*) { EditChanged(i); };
        edits_[i] = e;
        TLabel* l = AddLabel(StockText(kCaptions[i]), 0, 0);
        l->SetName(std::string(kEdits[i]) + "Label");
        l->SetAutoSize(false);
        l->SetAlignment(taRightJustify);
        l->SetFocusControl(e);
        const int w = MeasureClassicText(l->Font(), kCaptions[i], TRect{}, DT_SINGLELINE).Width();
        const int h = TextCellHeight(l->Font());
        l->SetBounds(editLeft - kLabelGap - w, y + (kEditHeight - h) / 2, w, h);
        columnLeft = std::min(columnLeft, l->Left());
        fullPart_.push_back(l);
        fullPart_.push_back(e);
      }
      editRight = columnLeft - 8;
    }
    sample_ = new TColorSample(this);
    sample_->SetName("ColorSolid");
    sample_->SetParent(this);
    const int captionHeight = TextCellHeight(Font());
    const int sampleHeight = 2 * rowStep + kEditHeight - captionHeight - 2;
    sample_->SetBounds(left, rowsTop, std::max(24, editRight - left), sampleHeight);
    fullPart_.push_back(sample_);
    TLabel* caption = AddLabel(StockText("Color|S&olid"), left, rowsTop + sampleHeight + 2);
    caption->SetName("ColorSolidLabel");
    caption->SetAutoSize(false);
    caption->SetAlignment(taCenter);
    caption->SetBounds(left, rowsTop + sampleHeight + 2, sample_->Width(), captionHeight);
    fullPart_.push_back(caption);
    for (TControl* c : fullPart_) c->SetVisible(false);
  }

  void SetCurrent(COLORREF c) {
    current_ = c & 0xFFFFFF;
    ColorRGBToHLS(current_, hue_, lum_, sat_);
    Show(-1);
  }
  // Shows the current colour everywhere: the edits other than the one being
  // typed in, the cross-hair, the bar and the sample.
  void Show(int skip) {
    const int values[6] = {hue_, sat_, lum_, GetRValue(current_), GetGValue(current_), GetBValue(current_)};
    updating_ = true;
    for (int i = 0; i < 6; ++i)
      if (i != skip) edits_[i]->SetText(IntToStr(values[i]));
    updating_ = false;
    field_->SetHueSat(hue_, sat_);
    lumBar_->Set(hue_, sat_, lum_);
    sample_->SetSampleColor(current_);
  }
  void FromHls(int skip) {
    basic_->SetSelected(-1);
    current_ = ColorHLSToRGB(hue_, lum_, sat_);
    Show(skip);
  }
  void PickHueSat(int hue, int sat) {
    hue_ = hue;
    sat_ = sat;
    FromHls(-1);
  }
  void PickLum(int lum) {
    lum_ = lum;
    FromHls(-1);
  }
  void EditChanged(int index) {
    if (updating_) return;
    int v = 0;
    if (!TryStrToInt(edits_[index]->Text(), v)) return;
    static constexpr int kMax[] = {kHlsMax - 1, kHlsMax, kHlsMax, 255, 255, 255};
    const int clamped = Clamp(v, 0, kMax[index]);
    if (v != clamped) {
      // Out of range: the edit shows the limit, as typed text is kept otherwise.
      updating_ = true;
      edits_[index]->SetText(IntToStr(clamped));
      updating_ = false;
    }
    int value[6];
    for (int i = 0; i < 6; ++i) value[i] = Clamp(StrToIntDef(edits_[i]->Text(), 0), 0, kMax[i]);
    if (index < 3) {
      hue_ = value[0];
      sat_ = value[1];
      lum_ = value[2];
      FromHls(index);
      return;
    }
    basic_->SetSelected(-1);
    current_ = RGB(Byte(value[3]), Byte(value[4]), Byte(value[5]));
    ColorRGBToHLS(current_, hue_, lum_, sat_);
    Show(index);
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
  TColorField* field_ = nullptr;
  TLumSlider* lumBar_ = nullptr;
  TColorSample* sample_ = nullptr;
  TEdit* edits_[6] = {};
  int hue_ = 0, sat_ = 0, lum_ = 0;
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
TPoint TColorDialogDriver::FieldPoint(int hue, int sat) const {
  return form_ ? form_->Field()->ClientToScreen(form_->Field()->PointOf(hue, sat)) : TPoint{};
}
TPoint TColorDialogDriver::LumPoint(int lum) const {
  if (!form_) return TPoint{};
  TLumSlider* bar = form_->LumBar();
  const TRect in = bar->Inner();
  return bar->ClientToScreen(TPoint{(in.Left + in.Right) / 2, bar->RowOf(lum)});
}
int TColorDialogDriver::SelectedBasic() const { return form_ ? form_->Basic()->Selected() : -1; }
void TColorDialogDriver::Ok() {
  if (form_) dynamic_cast<TButton*>(form_->FindComponent("OK"))->Click();
}
void TColorDialogDriver::Cancel() {
  if (form_) dynamic_cast<TButton*>(form_->FindComponent("Cancel"))->Click();
}
