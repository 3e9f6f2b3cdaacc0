#include "platform/ui/dialogs/FontDialog.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/gdi/FontEngine.h"
#include "platform/gdi/FontFamilies.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/lists/ComboBox.h"
#include "platform/ui/dialogs/Dialogs.h"
#include "platform/ui/edits/Edit.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/lists/ListBox.h"
#include "platform/ui/system/Printers.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/rtl/StockTexts.h"

namespace {

constexpr int kSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};
// Regular, Italic, Bold, Bold Italic: bit 0 italic, bit 1 bold.
constexpr const char* kStyles[] = {"Regular", "Italic", "Bold", "Bold Italic"};
constexpr int kPixelsPerInch = 96;
constexpr int kPointsPerInch = 72;

struct TNamedColor {
  const char* name;
  TColor color;
};
constexpr TNamedColor kColors[] = {
    {"Black", clBlack}, {"Maroon", clMaroon}, {"Green", clGreen}, {"Olive", clOlive},  {"Navy", clNavy},
    {"Purple", clPurple}, {"Teal", clTeal},   {"Gray", clGray},   {"Silver", clSilver}, {"Red", clRed},
    {"Lime", clLime},   {"Yellow", clYellow}, {"Blue", clBlue},   {"Fuchsia", clFuchsia}, {"Aqua", clAqua},
    {"White", clWhite},
};

int PointsToHeight(int points) { return -((points * kPixelsPerInch + kPointsPerInch / 2) / kPointsPerInch); }
int PixelsToPoints(int pixels) { return (pixels * kPointsPerInch + kPixelsPerInch / 2) / kPixelsPerInch; }

int HeightToPoints(const LOGFONT& lf) {
  int em = -lf.lfHeight;
  if (lf.lfHeight >= 0) {
    // A cell height (or the default): the font's own em size tells the points.
    FontRequest req;
    req.faceName = lf.lfFaceName;
    req.height = lf.lfHeight;
    req.charSet = lf.lfCharSet;
    em = ResolveFont(req).metrics.emHeight;
  }
  return (em * kPointsPerInch + kPixelsPerInch / 2) / kPixelsPerInch;
}

// Copies UTF-8 text into a fixed buffer without splitting a character.
void CopyName(char* dest, std::size_t size, const std::string& s) {
  std::size_t n = std::min(s.size(), size - 1);
  while (n > 0 && n < s.size() && (Byte(s[n]) & 0xC0) == 0x80) --n;
  std::memcpy(dest, s.data(), n);
  dest[n] = '\0';
}

int IndexOfText(TStrings* list, const std::string& text) {
  for (int i = 0; i < list->Count(); ++i)
    if (AnsiSameText(list->Strings(i), text)) return i;
  return -1;
}

// Draws the script's sample text in the chosen font, centred and clipped to
// the box inside the "Sample" group.
class TFontSample : public TGraphicControl {
 public:
  explicit TFontSample(TComponent* owner) : TGraphicControl(owner), font_(std::make_unique<TFont>()) {}
  TFont* SampleFont() const { return font_.get(); }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& v) {
    text_ = v;
    Invalidate();
  }

 protected:
  void Paint() override {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(ClientRect());
    c->Font()->Assign(font_.get());
    c->Brush()->SetStyle(bsClear);
    RECT r = ClientRect();
    DrawText(c->Handle(), text_.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

 private:
  std::unique_ptr<TFont> font_;
  std::string text_ = "AaBbYyZz";
};

// The classic list's scripts, each with letters a face must have to offer it.
struct TScriptRow {
  TFontScript script;
  char32_t test[2];
};
const TScriptRow kScripts[] = {
    {{"Western", ANSI_CHARSET, "AaBbYyZz"}, {U'A', U'\u00E9'}},
    {{"Hebrew", HEBREW_CHARSET, "AaBb\u05D0\u05D1\u05E9\u05EA"}, {U'\u05D0', U'\u05EA'}},
    {{"Arabic", ARABIC_CHARSET, "AaBb\u0627\u0628\u062C\u062F"}, {U'\u0627', U'\u0628'}},
    {{"Greek", GREEK_CHARSET, "AaBb\u0391\u03B1\u0392\u03B2"}, {U'\u0391', U'\u03B2'}},
    {{"Turkish", TURKISH_CHARSET, "AaBb\u011E\u011F\u015E\u015F"}, {U'\u011F', U'\u0130'}},
    {{"Baltic", BALTIC_CHARSET, "AaBb\u0100\u0105\u013B\u013C"}, {U'\u0117', U'\u012F'}},
    {{"Central European", EASTEUROPE_CHARSET, "AaBb\u00C1\u00E1\u00D4\u00F4"}, {U'\u0150', U'\u0159'}},
    {{"Cyrillic", RUSSIAN_CHARSET, "AaBb\u0411\u0431\u0424\u0444"}, {U'\u0416', U'\u044F'}},
    {{"Vietnamese", VIETNAMESE_CHARSET, "AaBb\u01AF\u01B0\u01A0\u01A1"}, {U'\u01B0', U'\u1EA0'}},
    {{"Thai", THAI_CHARSET, "AaBb\u0E01\u0E02\u0E03\u0E04"}, {U'\u0E01', U'\u0E04'}},
    {{"Japanese", SHIFTJIS_CHARSET, "Aa\u3042\u3041\u30A2\u30A1\u4E9C\u5B87"}, {U'\u3042', U'\u30A2'}},
    {{"Hangul", HANGEUL_CHARSET, "\uAC00\uB098\uB2E4 AaBbYyZz"}, {U'\uAC00', U'\uD55C'}},
    {{"CHINESE_GB2312", GB2312_CHARSET, "\u5FAE\u8F6F\u4E2D\u6587\u8F6F\u4EF6"}, {U'\u4E2D', U'\u6587'}},
    {{"CHINESE_BIG5", CHINESEBIG5_CHARSET, "\u4E2D\u6587\u5B57\u578B\u7BC4\u4F8B"}, {U'\u7BC4', U'\u5B57'}},
};
constexpr TFontScript kSymbolScript{"Symbol", SYMBOL_CHARSET, "AaBbYyZz"};

// The colour list's rows: a framed swatch of the colour, then its name.
constexpr int kSwatchWidth = 24;

}  // namespace

class TFontDialogForm : public TForm {
 public:
  TFontDialogForm(TComponent* owner, const CHOOSEFONT& cf) : TForm(owner), flags_(cf.Flags) {
    if (cf.Flags & CF_LIMITSIZE) {
      sizeMin_ = cf.nSizeMin;
      sizeMax_ = cf.nSizeMax;
    }
    BeginLayout();
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(poScreenCenter);
    SetCaption(StockText("Font"));
    face_ = AddColumn(StockText("&Font:"), "FontName", "FontList", 8, 160);
    style_ = AddColumn(StockText("Font st&yle:"), "FontStyle", "StyleList", 176, 110);
    size_ = AddColumn(StockText("&Size:"), "FontSize", "SizeList", 294, 60);
    style_.edit->SetReadOnly(true);
    FillFaces();
    for (const char* s : kStyles) style_.list->Items()->Add(s);
    FillSizes();
    face_.edit->SetEnabled(!(flags_ & CF_NOFACESEL));
    face_.list->SetEnabled(!(flags_ & CF_NOFACESEL));
    style_.list->SetEnabled(!(flags_ & CF_NOSTYLESEL));
    size_.edit->SetEnabled(!(flags_ & CF_NOSIZESEL));
    size_.list->SetEnabled(!(flags_ & CF_NOSIZESEL));

    TButton* ok = AddButton("OK", StockText("OK"), 362, 24);
    ok->SetDefault(true);
    // Validates before closing, so it sets no modal result of its own.
    ok->OnClick = [this](TObject*) {
      if (Validate()) SetModalResult(mrOk);
    };
    TButton* cancel = AddButton("Cancel", StockText("Cancel"), 362, 52);
    cancel->ModalResult = mrCancel;
    cancel->SetCancel(true);
    BuildEffects(cf);
    auto* sampleGroup = new TGroupBox(this);
    sampleGroup->SetName("SampleGroup");
    sampleGroup->SetParent(this);
    sampleGroup->SetCaption(StockText("Sample"));
    sampleGroup->SetBounds(176, 176, 262, 64);
    sample_ = new TFontSample(this);
    sample_->SetName("Sample");
    sample_->SetParent(sampleGroup);
    sample_->SetBounds(8, 16, 246, 40);
    auto* scriptLabel = new TLabel(this);
    scriptLabel->SetName("ScriptLabel");
    scriptLabel->SetParent(this);
    scriptLabel->SetCaption(StockText("Sc&ript:"));
    scriptLabel->SetBounds(176, 246, 60, 14);
    script_ = new TComboBox(this);
    script_->SetName("ScriptCombo");
    script_->SetParent(this);
    script_->SetStyle(csDropDownList);
    script_->SetBounds(176, 262, 160, 21);
    script_->SetEnabled(!(flags_ & CF_NOSCRIPTSEL));
    script_->OnChange = [this](TObject*) { UpdateSample(); };
    scriptLabel->SetFocusControl(script_);
    SetClientSize(446, 291);

    face_.list->OnClick = [this](TObject*) { ListPicked(face_); };
    style_.list->OnClick = [this](TObject*) { ListPicked(style_); };
    size_.list->OnClick = [this](TObject*) { ListPicked(size_); };
    face_.edit->OnChange = [this](TObject*) { EditTyped(face_); };
    size_.edit->OnChange = [this](TObject*) { EditTyped(size_); };
    if ((cf.Flags & CF_INITTOLOGFONTSTRUCT) && cf.lpLogFont) Init(*cf.lpLogFont);
    else SetStyleIndex(0);
    FillScripts();
    UpdateSample();
    EndLayout();
  }

  struct TColumn {
    TEdit* edit = nullptr;
    TListBox* list = nullptr;
  };
  const TColumn& Face() const { return face_; }
  const TColumn& Style() const { return style_; }
  const TColumn& Size() const { return size_; }
  TCheckBox* Underline() const { return underline_; }
  TCheckBox* StrikeOut() const { return strikeOut_; }
  TComboBox* ColorCombo() const { return color_; }
  TComboBox* ScriptCombo() const { return script_; }
  Byte CharSet() const {
    const int i = script_->ItemIndex();
    return i >= 0 && i < int(scripts_.size()) ? scripts_[std::size_t(i)].charSet : DEFAULT_CHARSET;
  }
  TFontSample* Sample() const { return sample_; }

  std::string FaceName() const { return face_.edit->Text(); }
  int Points() const { return StrToIntDef(size_.edit->Text(), 0); }
  // lfHeight for the chosen size: a raster family's own pixel height when the
  // size is one of its own, so the points' rounding cannot miss the strike.
  int Height() const {
    auto it = rasterPixels_.find(Points());
    return it != rasterPixels_.end() ? -it->second : PointsToHeight(Points());
  }
  int StyleIndex() const { return std::max(0, IndexOfText(style_.list->Items(), style_.edit->Text())); }
  bool Bold() const { return StyleIndex() & 2; }
  bool Italic() const { return StyleIndex() & 1; }
  COLORREF Color() const {
    int i = color_->ItemIndex();
    return i >= 0 && i < int(colors_.size()) ? colors_[std::size_t(i)] : 0;
  }

 private:
  TColumn AddColumn(const std::string& caption, const char* editName, const char* listName, int x, int w) {
    auto* l = new TLabel(this);
    l->SetParent(this);
    l->SetCaption(caption);
    l->SetBounds(x, 8, w, 14);
    TColumn c;
    c.edit = new TEdit(this);
    c.edit->SetName(editName);
    c.edit->SetParent(this);
    c.edit->SetBounds(x, 24, w, 21);
    c.list = new TListBox(this);
    c.list->SetName(listName);
    c.list->SetParent(this);
    c.list->SetBounds(x, 48, w, 120);
    l->SetFocusControl(c.edit);
    return c;
  }
  TButton* AddButton(const char* name, const std::string& caption, int x, int y) {
    auto* b = new TButton(this);
    b->SetName(name);
    b->SetParent(this);
    b->SetCaption(caption);
    b->SetBounds(x, y, 75, 23);
    return b;
  }
  // No list flag at all is taken as screen fonts, as current systems do.
  void FillFaces() {
    TStringList faces;
    faces.SetSorted(true);
    faces.Duplicates = dupIgnore;
    auto add = [&](const std::vector<FontFamilyInfo>& list) {
      for (const FontFamilyInfo& f : list)
        if (ChooseFontListsFamily(f, flags_) && faces.IndexOf(f.name) < 0) {
          faces.Add(f.name);
          families_.emplace(AnsiLowerCase(f.name), f);
        }
    };
    // With the Windows faces the platform maps, so a program asking for
    // one finds it by its own name.
    if ((flags_ & CF_SCREENFONTS) || !(flags_ & CF_PRINTERFONTS)) add(ListedFontFamilies());
    if (flags_ & CF_PRINTERFONTS) add(Printer()->FontFamilies());
    face_.list->Items()->Assign(&faces);
  }
  // A listed raster family offers its own sizes; anything else the usual ones.
  void FillSizes() {
    auto family = families_.find(AnsiLowerCase(FaceName()));
    const bool raster = family != families_.end() && family->second.Raster();
    std::map<int, int> pixels;  // points -> pixel height, for raster sizes
    std::vector<int> points;
    auto allowed = [this](int pt) { return !(flags_ & CF_LIMITSIZE) || (pt >= sizeMin_ && pt <= sizeMax_); };
    if (raster) {
      for (int px : family->second.sizes) {
        const int pt = PixelsToPoints(px);
        if (pt > 0 && allowed(pt) && pixels.emplace(pt, px).second) points.push_back(pt);
      }
    } else {
      for (int pt : kSizes)
        if (allowed(pt)) points.push_back(pt);
    }
    rasterPixels_ = std::move(pixels);
    TStringList items;
    for (int pt : points) items.Add(IntToStr(pt));
    if (items.Equals(size_.list->Items())) return;
    size_.list->Items()->Assign(&items);
    const int i = IndexOfText(size_.list->Items(), size_.edit->Text());
    size_.list->SetItemIndex(i);
    if (i >= 0) size_.list->SetTopIndex(i);
  }
  void BuildEffects(const CHOOSEFONT& cf) {
    bool effects = cf.Flags & CF_EFFECTS;
    auto* group = new TGroupBox(this);
    group->SetName("Effects");
    group->SetParent(this);
    group->SetCaption(StockText("Effects"));
    group->SetBounds(8, 176, 160, 107);
    group->SetVisible(effects);
    auto check = [&](const char* name, const std::string& caption, int y) {
      auto* b = new TCheckBox(this);
      b->SetName(name);
      b->SetParent(group);
      b->SetCaption(caption);
      b->SetBounds(8, y, 140, 17);
      b->OnClick = [this](TObject*) { UpdateSample(); };
      return b;
    };
    strikeOut_ = check("StrikeOut", StockText("Stri&keout"), 18);
    underline_ = check("Underline", StockText("&Underline"), 38);
    auto* l = new TLabel(this);
    l->SetParent(group);
    l->SetCaption(StockText("&Color:"));
    l->SetBounds(8, 64, 40, 14);
    color_ = new TComboBox(this);
    color_->SetName("ColorCombo");
    color_->SetParent(group);
    color_->SetStyle(csOwnerDrawFixed);
    color_->SetBounds(50, 60, 100, 21);
    color_->OnDrawItem = [this](TWinControl*, int index, const TRect& r, TOwnerDrawState) { DrawColorItem(index, r); };
    for (const TNamedColor& c : kColors) {
      color_->Items()->Add(c.name);
      colors_.push_back(COLORREF(c.color));
    }
    COLORREF init = effects ? cf.rgbColors & 0xFFFFFF : 0;
    auto it = std::find(colors_.begin(), colors_.end(), init);
    if (it == colors_.end()) {
      // A colour outside the table stays choosable as it came.
      color_->Items()->Add("Custom");
      colors_.push_back(init);
      it = colors_.end() - 1;
    }
    color_->SetItemIndex(int(it - colors_.begin()));
    color_->OnChange = [this](TObject*) { UpdateSample(); };
  }
  // The brush and font colours of the row's state are set already.
  void DrawColorItem(int index, const TRect& r) {
    TCanvas* c = color_->Canvas();
    c->FillRect(r);
    if (index < 0 || index >= int(colors_.size())) return;
    const TRect swatch{r.Left + 2, r.Top + 2, r.Left + 2 + kSwatchWidth, r.Bottom - 2};
    HDC dc = c->Handle();
    FillSolid(dc, swatch, clBlack);
    FillSolid(dc, TRect{swatch.Left + 1, swatch.Top + 1, swatch.Right - 1, swatch.Bottom - 1},
              TColor(colors_[std::size_t(index)]));
    c->Brush()->SetStyle(bsClear);
    const std::string& name = color_->Items()->Strings(index);
    c->TextRect(r, swatch.Right + 4, r.Top + (r.Height() - c->TextHeight("Wg")) / 2, name);
    c->Brush()->SetStyle(bsSolid);
  }
  // The chosen face's scripts, keeping the chosen script when it stays.
  void FillScripts() {
    Byte want = script_->ItemIndex() >= 0 ? CharSet() : initCharSet_;
    scripts_ = FontScripts(FaceName());
    TStringList names;
    for (const TFontScript& sc : scripts_) names.Add(sc.name);
    if (!names.Equals(script_->Items())) script_->Items()->Assign(&names);
    int index = 0;
    for (std::size_t i = 0; i < scripts_.size(); ++i)
      if (scripts_[i].charSet == want) index = int(i);
    script_->SetItemIndex(scripts_.empty() ? -1 : index);
  }
  void Init(const LOGFONT& lf) {
    initCharSet_ = lf.lfCharSet;
    std::string face = lf.lfFaceName;
    if (!face.empty() && IndexOfText(face_.list->Items(), face) < 0) {
      // A Windows name shows as the family that serves it, when listed.
      std::string mapped = MapFontFamily(face, lf.lfCharSet, lf.lfPitchAndFamily);
      if (IndexOfText(face_.list->Items(), mapped) >= 0) face = mapped;
    }
    face_.edit->SetText(face);
    SetStyleIndex((lf.lfWeight >= FW_SEMIBOLD ? 2 : 0) | (lf.lfItalic ? 1 : 0));
    size_.edit->SetText(IntToStr(HeightToPoints(lf)));
    underline_->SetChecked(lf.lfUnderline != 0);
    strikeOut_->SetChecked(lf.lfStrikeOut != 0);
  }
  void SetStyleIndex(int i) {
    style_.edit->SetText(kStyles[i]);
    style_.list->SetItemIndex(i);
  }
  void ListPicked(const TColumn& c) {
    int i = c.list->ItemIndex();
    if (i >= 0) c.edit->SetText(c.list->Items()->Strings(i));
    UpdateSample();
  }
  // Typing selects the list item of the same text, if any; a new face
  // brings its own sizes.
  void EditTyped(const TColumn& c) {
    int i = IndexOfText(c.list->Items(), c.edit->Text());
    c.list->SetItemIndex(i);
    if (i >= 0) c.list->SetTopIndex(i);
    if (&c == &face_) {
      FillSizes();
      FillScripts();
    }
    UpdateSample();
  }
  void UpdateSample() {
    if (!sample_ || !script_) return;
    TFont* f = sample_->SampleFont();
    f->SetName(FaceName());
    int points = Points();
    f->SetHeight(points > 0 ? (points <= 400 ? Height() : PointsToHeight(400)) : PointsToHeight(8));
    TFontStyles st = (Bold() ? fsBold : 0) | (Italic() ? fsItalic : 0);
    if (underline_->Checked() && underline_->Parent()->Visible()) st |= fsUnderline;
    if (strikeOut_->Checked() && strikeOut_->Parent()->Visible()) st |= fsStrikeOut;
    f->SetStyle(st);
    f->SetColor(TColor(Color()));
    const int script = script_->ItemIndex();
    if (script >= 0 && script < int(scripts_.size())) {
      f->SetCharset(scripts_[std::size_t(script)].charSet);
      sample_->SetText(scripts_[std::size_t(script)].sample);
    }
    sample_->Invalidate();
  }
  bool Refuse(const std::string& text, TWinControl* focus) {
    PlainMessageBox(text, StockText("Font"), MB_OK | MB_ICONEXCLAMATION);
    if (focus->CanFocus()) focus->SetFocus();
    return false;
  }
  bool Validate() {
    if (FaceName().empty()) return Refuse(StockText("Choose a font from the list of fonts."), face_.edit);
    if ((flags_ & CF_FORCEFONTEXIST) && IndexOfText(face_.list->Items(), FaceName()) < 0)
      return Refuse(StockText("There is no font with that name.\nChoose a font from the list of fonts."), face_.edit);
    int points = 0;
    if (!TryStrToInt(Trim(size_.edit->Text()), points) || points <= 0 || points > kMaxFontPixels)
      return Refuse(StockText("Size must be a number."), size_.edit);
    if ((flags_ & CF_LIMITSIZE) && (points < sizeMin_ || points > sizeMax_))
      return Refuse(StockFormat("Size must be between %s and %s points.", {IntToStr(sizeMin_), IntToStr(sizeMax_)}),
                    size_.edit);
    return true;
  }

  DWORD flags_;
  int sizeMin_ = 0;
  int sizeMax_ = 0;
  TColumn face_, style_, size_;
  TCheckBox* underline_ = nullptr;
  TCheckBox* strikeOut_ = nullptr;
  TComboBox* color_ = nullptr;
  std::vector<COLORREF> colors_;
  TComboBox* script_ = nullptr;
  std::vector<TFontScript> scripts_;
  Byte initCharSet_ = DEFAULT_CHARSET;
  TFontSample* sample_ = nullptr;
  std::map<std::string, FontFamilyInfo> families_;  // the listed ones, by lower-case name
  std::map<int, int> rasterPixels_;                 // the size list's points -> pixels, raster faces
};

bool ChooseFontListsFamily(const FontFamilyInfo& family, DWORD flags) {
  if ((flags & CF_FIXEDPITCHONLY) && !family.fixedPitch) return false;
  if ((flags & CF_TTONLY) && !family.TrueType()) return false;
  if ((flags & CF_SCALABLEONLY) && !family.Scalable()) return false;
  if ((flags & CF_ANSIONLY) && family.charSet != ANSI_CHARSET) return false;
  // CF_NOVECTORFONTS: there are no vector fonts to leave out.
  return true;
}

std::vector<TFontScript> FontScripts(const std::string& faceName) {
  FontFamilyInfo family;
  if (FindScreenFontFamily(faceName, &family) && family.charSet == SYMBOL_CHARSET) return {kSymbolScript};
  FontRequest req;
  req.faceName = faceName;
  req.height = -16;
  const ResolvedFont font = ResolveFont(req);
  std::vector<TFontScript> out;
  for (const TScriptRow& row : kScripts)
    if (font.face && font.face->HasChar(row.test[0]) && font.face->HasChar(row.test[1])) out.push_back(row.script);
  if (out.empty() || out.front().charSet != ANSI_CHARSET) out.insert(out.begin(), kScripts[0].script);
  return out;
}

BOOL ChooseFont(CHOOSEFONT* cf) {
  if (!cf || cf->lStructSize != sizeof(CHOOSEFONT) || !cf->lpLogFont) return FALSE;
  std::unique_ptr<TFontDialogForm> form(TCustomForm::New<TFontDialogForm>(Application, *cf));
  auto alive = form->AliveToken();
  TModalResult result = form->ShowModal();
  if (!*alive) {
    (void)form.release();
    return FALSE;
  }
  if (result != mrOk) return FALSE;
  LOGFONT& lf = *cf->lpLogFont;
  if (!(cf->Flags & CF_INITTOLOGFONTSTRUCT)) lf = LOGFONT{};
  int points = form->Points();
  lf.lfHeight = form->Height();
  lf.lfWidth = 0;
  lf.lfWeight = form->Bold() ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = form->Italic() ? 1 : 0;
  lf.lfCharSet = form->CharSet();
  CopyName(lf.lfFaceName, sizeof lf.lfFaceName, form->FaceName());
  cf->iPointSize = points * 10;
  if (cf->Flags & CF_EFFECTS) {
    lf.lfUnderline = form->Underline()->Checked() ? 1 : 0;
    lf.lfStrikeOut = form->StrikeOut()->Checked() ? 1 : 0;
    cf->rgbColors = form->Color();
  }
  Word type = SCREEN_FONTTYPE;
  if (form->Bold()) type |= BOLD_FONTTYPE;
  if (form->Italic()) type |= ITALIC_FONTTYPE;
  if (!form->Bold() && !form->Italic()) type |= REGULAR_FONTTYPE;
  cf->nFontType = type;
  if ((cf->Flags & CF_USESTYLE) && cf->lpszStyle) CopyName(cf->lpszStyle, LF_FACESIZE, kStyles[form->StyleIndex()]);
  return TRUE;
}

// ---- TFontDialog -------------------------------------------------------------------
TFontDialog::TFontDialog(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>()) {}

TFontDialog::~TFontDialog() = default;

bool TFontDialog::Execute() {
  LOGFONT lf = font_->LogFont();
  CHOOSEFONT cf;
  cf.lpLogFont = &lf;
  cf.Flags = CF_INITTOLOGFONTSTRUCT;
  cf.Flags |= Device == fdScreen ? CF_SCREENFONTS : Device == fdPrinter ? CF_PRINTERFONTS : CF_BOTH;
  cf.rgbColors = COLORREF(ColorToRGB(font_->Color())) & 0xFFFFFF;
  struct TMap {
    TFontDialogOptions option;
    DWORD flag;
  };
  static constexpr TMap kMap[] = {
      {fdAnsiOnly, CF_ANSIONLY},         {fdTrueTypeOnly, CF_TTONLY},      {fdEffects, CF_EFFECTS},
      {fdFixedPitchOnly, CF_FIXEDPITCHONLY}, {fdForceFontExist, CF_FORCEFONTEXIST}, {fdNoFaceSel, CF_NOFACESEL},
      {fdNoSimulations, CF_NOSIMULATIONS}, {fdNoSizeSel, CF_NOSIZESEL},  {fdNoStyleSel, CF_NOSTYLESEL},
      {fdNoVectorFonts, CF_NOVECTORFONTS}, {fdShowHelp, CF_SHOWHELP},    {fdWysiwyg, CF_WYSIWYG},
      {fdLimitSize, CF_LIMITSIZE},       {fdScalableOnly, CF_SCALABLEONLY},
  };
  for (const TMap& m : kMap)
    if (Options & m.option) cf.Flags |= m.flag;
  cf.nSizeMin = MinFontSize;
  cf.nSizeMax = MaxFontSize;
  if (!ChooseFont(&cf)) return false;
  font_->SetName(lf.lfFaceName);
  font_->SetHeight(lf.lfHeight);
  TFontStyles style = 0;
  if (lf.lfWeight >= FW_SEMIBOLD) style |= fsBold;
  if (lf.lfItalic) style |= fsItalic;
  if (lf.lfUnderline) style |= fsUnderline;
  if (lf.lfStrikeOut) style |= fsStrikeOut;
  font_->SetStyle(style);
  font_->SetCharset(lf.lfCharSet);
  if (Options & fdEffects) font_->SetColor(TColor(cf.rgbColors));
  return true;
}

// ---- Driver ------------------------------------------------------------------------
TFontDialogDriver::TFontDialogDriver(TForm* dialog) : form_(dynamic_cast<TFontDialogForm*>(dialog)) {}

namespace {
// Scrolls the item into view and clicks it, as the mouse would.
bool ClickItem(TListBox* list, const std::string& text) {
  int i = IndexOfText(list->Items(), text);
  if (i < 0 || !list->Enabled()) return false;
  list->SetTopIndex(i);
  TRect r = list->ItemRect(i);
  LPARAM at = MAKELPARAM(r.Left + 2, (r.Top + r.Bottom) / 2);
  list->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  list->Perform(WM_LBUTTONUP, 0, at);
  return list->ItemIndex() == i;
}
// A press and release on the box, as the mouse would toggle it.
void PressCheckBox(TCheckBox* b) {
  LPARAM at = MAKELPARAM(4, b->Height() / 2);
  b->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
  b->Perform(WM_LBUTTONUP, 0, at);
}
void TypeInto(TEdit* e, const std::string& text) {
  if (!e->Enabled()) return;
  e->SelectAll();
  if (text.empty()) e->Perform(WM_CLEAR, 0, 0);
  for (char ch : text) e->Perform(WM_CHAR, WPARAM(Byte(ch)), 0);
}
}  // namespace

TStrings* TFontDialogDriver::Faces() const { return form_ ? form_->Face().list->Items() : nullptr; }
TStrings* TFontDialogDriver::Styles() const { return form_ ? form_->Style().list->Items() : nullptr; }
TStrings* TFontDialogDriver::Sizes() const { return form_ ? form_->Size().list->Items() : nullptr; }
bool TFontDialogDriver::SelectFace(const std::string& name) { return form_ && ClickItem(form_->Face().list, name); }
bool TFontDialogDriver::SelectStyle(const std::string& name) { return form_ && ClickItem(form_->Style().list, name); }
bool TFontDialogDriver::SelectSize(const std::string& size) { return form_ && ClickItem(form_->Size().list, size); }
void TFontDialogDriver::TypeFace(const std::string& text) {
  if (form_) TypeInto(form_->Face().edit, text);
}
void TFontDialogDriver::TypeSize(const std::string& text) {
  if (form_) TypeInto(form_->Size().edit, text);
}
std::string TFontDialogDriver::FaceText() const { return form_ ? form_->Face().edit->Text() : std::string(); }
std::string TFontDialogDriver::StyleText() const { return form_ ? form_->Style().edit->Text() : std::string(); }
std::string TFontDialogDriver::SizeText() const { return form_ ? form_->Size().edit->Text() : std::string(); }
bool TFontDialogDriver::EffectsVisible() const { return form_ && form_->Underline()->Parent()->Visible(); }
void TFontDialogDriver::SetUnderline(bool v) {
  if (form_ && EffectsVisible() && form_->Underline()->Checked() != v) PressCheckBox(form_->Underline());
}
void TFontDialogDriver::SetStrikeOut(bool v) {
  if (form_ && EffectsVisible() && form_->StrikeOut()->Checked() != v) PressCheckBox(form_->StrikeOut());
}
bool TFontDialogDriver::SelectColor(const std::string& name) {
  if (!form_ || !EffectsVisible()) return false;
  int i = IndexOfText(form_->ColorCombo()->Items(), name);
  if (i < 0) return false;
  form_->ColorCombo()->SetItemIndex(i);
  if (form_->ColorCombo()->OnChange) form_->ColorCombo()->OnChange(form_->ColorCombo());
  return true;
}
TStrings* TFontDialogDriver::Scripts() const { return form_ ? form_->ScriptCombo()->Items() : nullptr; }
std::string TFontDialogDriver::ScriptText() const {
  if (!form_) return std::string();
  const int i = form_->ScriptCombo()->ItemIndex();
  return i >= 0 ? form_->ScriptCombo()->Items()->Strings(i) : std::string();
}
bool TFontDialogDriver::SelectScript(const std::string& name) {
  if (!form_ || !form_->ScriptCombo()->Enabled()) return false;
  const int i = IndexOfText(form_->ScriptCombo()->Items(), name);
  if (i < 0) return false;
  form_->ScriptCombo()->SetItemIndex(i);
  if (form_->ScriptCombo()->OnChange) form_->ScriptCombo()->OnChange(form_->ScriptCombo());
  return true;
}
const TFont* TFontDialogDriver::SampleFont() const { return form_ ? form_->Sample()->SampleFont() : nullptr; }
void TFontDialogDriver::Ok() {
  if (form_) dynamic_cast<TButton*>(form_->FindComponent("OK"))->Click();
}
void TFontDialogDriver::Cancel() {
  if (form_) dynamic_cast<TButton*>(form_->FindComponent("Cancel"))->Click();
}
