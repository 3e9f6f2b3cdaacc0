#include "themed/lists/KZUFontComboBox.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gdi/FontFamilies.h"
#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/system/Printers.h"
#include "platform/ui/system/UiMessages.h"

namespace {

constexpr int FontComboMarkerRoom = 20;
constexpr int FontComboMinItemHeight = 9;
const char* const FontSizeTrueTypeSizes[] = {"8",  "9",  "10", "11", "12", "14", "16", "18",
                                             "20", "22", "24", "26", "28", "36", "48", "72"};

TObject* FontComboObject(DWORD bits) { return reinterpret_cast<TObject*>(std::uintptr_t(bits)); }

bool FontComboEqualNoCase(const std::string& a, const std::string& b) { return AnsiCompareText(a, b) == 0; }

struct FontComboFill {
  TStrings* items;
  TFontListOptions options;
};

int FontComboEnumProc(const LOGFONT* lf, const TEXTMETRIC*, DWORD fontType, LPARAM data) {
  auto* fill = reinterpret_cast<FontComboFill*>(data);
  const bool fixed = (lf->lfPitchAndFamily & 3) == FIXED_PITCH;
  if (!FontPassesOptions(fill->options, fontType, lf->lfCharSet, fixed)) return 1;
  const std::string name = lf->lfFaceName;
  for (int i = 0; i < fill->items->Count(); ++i)
    if (fill->items->Strings(i) == name) return 1;
  DWORD bits = fontType;
  if (lf->lfCharSet != SYMBOL_CHARSET) bits |= kzuFontNotSymbol;
  fill->items->AddObject(name, FontComboObject(bits));
  return 1;
}

int FontSizeEnumProc(const LOGFONT*, const TEXTMETRIC* tm, DWORD fontType, LPARAM data) {
  auto* sizes = reinterpret_cast<std::vector<int>*>(data);
  if (fontType & TRUETYPE_FONTTYPE) {
    sizes->assign(1, -1);  // marks a TrueType family
    return 0;
  }
  const int ppi = sizes->back();
  // Nearest integer, halves to the even neighbour.
  const double points = double(tm->tmHeight - tm->tmInternalLeading) * 72.0 / double(ppi);
  sizes->insert(sizes->end() - 1, int(std::nearbyint(points)));
  return 1;
}

}  // namespace

bool FontPassesOptions(TFontListOptions options, DWORD fontType, Byte charSet, bool fixedPitch) {
  if ((options & foAnsiOnly) && charSet != ANSI_CHARSET) return false;
  if ((options & foTrueTypeOnly) && !(fontType & TRUETYPE_FONTTYPE)) return false;
  if ((options & foFixedPitchOnly) && !fixedPitch) return false;
  if ((options & foOEMFontsOnly) && charSet != OEM_CHARSET) return false;
  if ((options & foNoOEMFonts) && charSet == OEM_CHARSET) return false;
  if ((options & foNoSymbolFonts) && charSet == SYMBOL_CHARSET) return false;
  if ((options & foScalableOnly) && (fontType & RASTER_FONTTYPE)) return false;
  return true;
}

// ---- Font drawing combo ----------------------------------------------------------------

TkzuFontDrawComboBox::TkzuFontDrawComboBox(TComponent* AOwner) : TkzuCustomComboBox(AOwner) {
  SetStyle(fcsDropDownList);
}

void TkzuFontDrawComboBox::SetStyle(TFontDrawComboStyle v) {
  fontStyle_ = v;
  // The framework's owner-drawn combo is a drop-down list; the editable
  // styles keep their edit part and draw their list themselves.
  if (v == fcsDropDownList) {
    TkzuCustomComboBox::SetStyle(csOwnerDrawFixed);
  } else {
    TkzuCustomComboBox::SetStyle(v == fcsSimple ? csSimple : csDropDown);
    ListBox()->SetStyle(lbOwnerDrawFixed);
  }
  ApplyItemHeight();
}

int TkzuFontDrawComboBox::GetItemHeight() {
  // Measured off screen: the height is wanted before there is a window.
  TBitmap b(1, 1, pf24bit);
  b.Canvas()->Font()->Assign(Font());
  return std::max(b.Canvas()->TextHeight("Wg") + 1, FontComboMinItemHeight);
}

void TkzuFontDrawComboBox::ApplyItemHeight() { SetItemHeight(GetItemHeight()); }

void TkzuFontDrawComboBox::CreateWnd() {
  TkzuCustomComboBox::CreateWnd();
  ApplyItemHeight();
}

void TkzuFontDrawComboBox::Dispatch(TMessage& Message) {
  TkzuCustomComboBox::Dispatch(Message);
  if (Message.Msg == CM_FONTCHANGED) ApplyItemHeight();
}

// ---- Font combo -----------------------------------------------------------------------

TkzuFontComboBox::TkzuFontComboBox(TComponent* AOwner) : TkzuFontDrawComboBox(AOwner) {
  trueTypeBmp_ = std::make_unique<TBitmap>();
  deviceBmp_ = std::make_unique<TBitmap>();
  for (auto [name, bmp] : {std::pair{"FONTCOMBO_TRUETYPE_FNT", trueTypeBmp_.get()},
                           std::pair{"FONTCOMBO_DEVICE_FNT", deviceBmp_.get()}})
    if (!TryLoadThemeBitmap(name, *bmp)) throw EResNotFound(Format("Resource %s not found", name));
  fontListHandler_ = AddFontListChangedHandler([this] { Reset(); });
  ApplyItemHeight();
}

TkzuFontComboBox::~TkzuFontComboBox() { RemoveFontListChangedHandler(fontListHandler_); }

DWORD TkzuFontComboBox::FontBits(int i) const {
  return DWORD(reinterpret_cast<std::uintptr_t>(Items()->Objects(i)));
}

int TkzuFontComboBox::GetItemHeight() {
  const int own = TkzuFontDrawComboBox::GetItemHeight();
  return trueTypeBmp_ ? std::max(own, trueTypeBmp_->Height() - 1) : own;
}

void TkzuFontComboBox::PopulateList() {
  if (!HandleAllocated()) return;
  TStrings* items = Items();
  items->BeginUpdate();
  items->Clear();
  FontComboFill fill{items, options_};
  LOGFONT lf;
  lf.lfCharSet = DEFAULT_CHARSET;
  if (device_ == fdScreen || device_ == fdBoth) {
    HDC dc = GetDC(nullptr);
    EnumFontFamiliesEx(dc, &lf, &FontComboEnumProc, reinterpret_cast<LPARAM>(&fill), 0);
    ReleaseDC(nullptr, dc);
  }
  if (device_ == fdPrinter || device_ == fdBoth) {
    // The printer reports its families as the screen does; none without one.
    try {
      for (const FontFamilyInfo& f : Printer()->FontFamilies()) {
        LOGFONT plf;
        plf.lfCharSet = f.charSet;
        plf.lfPitchAndFamily = f.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH;
        f.name.copy(plf.lfFaceName, sizeof plf.lfFaceName - 1);
        FontComboEnumProc(&plf, nullptr, f.fontType, reinterpret_cast<LPARAM>(&fill));
      }
    } catch (const Exception&) {
    }
  }
  std::vector<std::pair<std::string, TObject*>> sorted;
  for (int i = 0; i < items->Count(); ++i) sorted.emplace_back(items->Strings(i), items->Objects(i));
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto& a, const auto& b) { return AnsiCompareText(a.first, b.first) < 0; });
  items->Clear();
  for (const auto& [name, object] : sorted) items->AddObject(name, object);
  items->EndUpdate();
}

void TkzuFontComboBox::CreateWnd() {
  const std::string name = FontName();
  TkzuFontDrawComboBox::CreateWnd();
  noChange_ = true;
  PopulateList();
  SetText("");
  SetFontName(name);
  noChange_ = false;
  if (FontName() != name) NotifyChange();
}

void TkzuFontComboBox::SetFontName(const std::string& v) {
  if (v == Text()) return;
  if (ComponentState() & csLoading) {
    SetText(v);
    return;
  }
  HandleNeeded();
  int found = -1;
  for (int i = 0; i < Items()->Count() && found < 0; ++i)
    if (FontComboEqualNoCase(Items()->Strings(i), v)) found = i;
  if (found >= 0) {
    SetItemIndex(found);
  } else if (Style() == fcsDropDownList) {
    SetItemIndex(-1);
  } else {
    SetText(v);
  }
  NotifyChange();
}

void TkzuFontComboBox::SetDevice(TFontDevice v) {
  if (v == device_) return;
  device_ = v;
  Reset();
}

void TkzuFontComboBox::SetOptions(TFontListOptions v) {
  if (v == options_) return;
  options_ = v;
  Reset();
}

void TkzuFontComboBox::SetUseFonts(bool v) {
  useFonts_ = v;
  Invalidate();
}

void TkzuFontComboBox::Reset() {
  if (!HandleAllocated()) return;
  const std::string name = FontName();
  noChange_ = true;
  PopulateList();
  SetText("");
  SetFontName(name);
  noChange_ = false;
  if (FontName() != name) NotifyChange();
}

void TkzuFontComboBox::NotifyChange() {
  if (noChange_ || (ComponentState() & (csLoading | csReading))) return;
  if (OnChange) OnChange(this);
}

void TkzuFontComboBox::Change() {
  // Typing selects the item of that name, if any.
  if (Style() != fcsDropDownList) {
    const std::string t = Text();
    for (int i = 0; i < Items()->Count(); ++i)
      if (Items()->Strings(i) == t) {
        if (ItemIndex() != i) SetItemIndex(i);
        break;
      }
  }
  NotifyChange();
}

void TkzuFontComboBox::Click() {
  TkzuFontDrawComboBox::Click();
  NotifyChange();
}

void TkzuFontComboBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
  TCanvas* c = Canvas();
  c->FillRect(Rect);
  if (Index < 0 || Index >= Items()->Count()) return;
  const DWORD bits = FontBits(Index);
  TBitmap* marker = (bits & TRUETYPE_FONTTYPE) ? trueTypeBmp_.get() : (bits & DEVICE_FONTTYPE) ? deviceBmp_.get() : nullptr;
  int markerWidth = FontComboMarkerRoom;
  if (marker && !marker->Empty()) {
    marker->SetTransparent(true);
    c->Draw(Rect.Left + 2, Rect.Top + (Rect.Height() - marker->Height()) / 2, marker);
    markerWidth = marker->Width();
  }
  const std::string name = Items()->Strings(Index);
  const std::string saveName = c->Font()->Name();
  if (useFonts_ && (bits & kzuFontNotSymbol)) c->Font()->SetName(name);
  TRect text{Rect.Left + markerWidth + 6, Rect.Top, Rect.Right, Rect.Bottom};
  c->Brush()->SetStyle(bsClear);
  UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  if (IsRightToLeft()) flags |= DT_RTLREADING;
  DrawText(c->Handle(), name.c_str(), -1, &text, flags);
  c->Brush()->SetStyle(bsSolid);
  c->Font()->SetName(saveName);
  (void)State;
}

// ---- Font size combo ------------------------------------------------------------------

TkzuFontSizeComboBox::TkzuFontSizeComboBox(TComponent* AOwner) : TkzuCustomComboBox(AOwner) {
  SetStyle(csDropDownList);
}

void TkzuFontSizeComboBox::SetFontName(const std::string& v) {
  fontName_ = v;
  TStrings* items = Items();
  items->Clear();
  if (!v.empty()) {
    HDC dc = GetDC(nullptr);
    pixelsPerInch_ = GetDeviceCaps(dc, LOGPIXELSY);
    if (pixelsPerInch_ <= 0) pixelsPerInch_ = 96;
    // The last element carries the pixels per inch into the callback.
    std::vector<int> sizes{pixelsPerInch_};
    EnumFontFamilies(dc, v.c_str(), &FontSizeEnumProc, reinterpret_cast<LPARAM>(&sizes));
    ReleaseDC(nullptr, dc);
    if (!sizes.empty() && sizes[0] == -1) {
      for (const char* s : FontSizeTrueTypeSizes) items->Add(s);
    } else {
      sizes.pop_back();
      std::sort(sizes.begin(), sizes.end());
      sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
      for (int s : sizes) items->Add(IntToStr(s));
    }
  }
  auto click = OnClick;
  OnClick = nullptr;
  SetItemIndex(items->IndexOf(Text()));
  OnClick = click;
  if (OnClick) OnClick(this);
}
