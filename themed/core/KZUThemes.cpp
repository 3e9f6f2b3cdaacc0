#include "themed/core/KZUThemes.h"

#include <array>
#include <map>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/DibImage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/Controls.h"

namespace {

// One row per index: its kind, the values of MacOS, WinXP, DeepBlue, Protein
// and BlueGlass (integers, colours and flags), or the picture's part name,
// with WinXP's own part where it differs.
struct ThemeRow {
  Byte Kind;
  std::array<Integer, 5> Values;
  const char* Part;
  const char* WinXPPart;
};

constexpr Byte I = kzuKindInteger, C = kzuKindColor, B = kzuKindBitmapName, F = kzuKindFlag;

ThemeRow Value(Byte kind, Integer m, Integer x, Integer d, Integer p, Integer g) {
  return ThemeRow{kind, {m, x, d, p, g}, nullptr, nullptr};
}
ThemeRow All(Byte kind, Integer v) { return Value(kind, v, v, v, v, v); }
ThemeRow Name(const char* part, const char* xp = nullptr) { return ThemeRow{B, {}, part, xp}; }

const std::array<ThemeRow, kzuThemeEntryCount>& Rows() {
  static const std::array<ThemeRow, kzuThemeEntryCount> rows = {
      Value(I, 1, 2, 3, 4, 5),                                           // 1
      Value(C, 0x7F7F7F, 0xC82C00, 0x000000, 0x000000, 0x000000),        // 2
      Value(C, 0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7),        // 3
      Value(I, 1, 3, 1, 1, 1),                                           // 4
      Value(I, 21, 27, 30, 21, 31),                                      // 5
      Value(I, 130, 150, 130, 130, 270),                                 // 6
      Value(I, 0, 13, 0, 0, 11),                                         // 7
      Value(C, 0x7F7F7F, 0x686868, 0x000000, 0x000000, 0x000000),        // 8
      Value(C, 0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7),        // 9
      Value(C, 0x000000, 0xCF4602, 0x000000, 0x000000, 0x000000),        // 10
      Value(C, 0xC47339, 0xC66931, 0xA04A44, 0xC4302D, 0xEC5E5E),        // 11
      Value(C, 0xC47339, 0xEFD3C6, 0xA04A44, 0xC4302D, 0xEC5E5E),        // 12
      Value(C, 0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF),        // 13
      All(C, 0x000000),                                                  // 14
      Value(C, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xE7E7E7),        // 15
      All(C, 0x000000),                                                  // 16
      Value(C, 0x000000, 0xCED3D6, 0xCED3D6, 0xCED3D6, 0xCED3D6),        // 17
      Value(C, 0x000000, 0x848284, 0x848284, 0x848284, 0x848284),        // 18
      Value(C, 0x000000, 0x9CA6AD, 0x9CA6AD, 0x9CA6AD, 0x9CA6AD),        // 19
      Value(I, 20, 21, 21, 21, 21),                                      // 20
      Value(I, 12, 5, 5, 5, 5),                                          // 21
      All(I, 26),                                                        // 22
      Name("MENU_CHECKED"),                                              // 23: no prefix
      Name("BUTTON_NORMAL"),                                             // 24
      Name("BUTTON_MOUSEON"),                                            // 25
      Name("BUTTON_MOUSEDOWN"),                                          // 26
      Name("CHECKBOX_DISABLE_CHECK"),                                    // 27
      Name("CHECKBOX_DISABLE_UNCHECK"),                                  // 28
      Name("CHECKBOX_CHECK", "CHECKBOX_NORMAL_CHECK"),                   // 29
      Name("CHECKBOX_UNCHECK", "CHECKBOX_NORMAL_UNCHECK"),               // 30
      Name("CHECKBOX_CHECK", "CHECKBOX_MOUSEON_CHECK"),                  // 31
      Name("CHECKBOX_UNCHECK", "CHECKBOX_MOUSEON_UNCHECK"),              // 32
      Name("CHECKBOX_CHECK", "CHECKBOX_MOUSEDOWN_CHECK"),                // 33
      Name("CHECKBOX_UNCHECK", "CHECKBOX_MOUSEDOWN_UNCHECK"),            // 34
      Name("RADIOBUTTON_DISABLE_CHECK"),                                 // 35
      Name("RADIOBUTTON_DISABLE_UNCHECK"),                               // 36
      Name("RADIOBUTTON_CHECK", "RADIOBUTTON_NORMAL_CHECK"),             // 37
      Name("RADIOBUTTON_UNCHECK", "RADIOBUTTON_NORMAL_UNCHECK"),         // 38
      Name("RADIOBUTTON_CHECK", "RADIOBUTTON_MOUSEON_CHECK"),            // 39
      Name("RADIOBUTTON_UNCHECK", "RADIOBUTTON_MOUSEON_UNCHECK"),        // 40
      Name("RADIOBUTTON_CHECK", "RADIOBUTTON_MOUSEDOWN_CHECK"),          // 41
      Name("RADIOBUTTON_UNCHECK", "RADIOBUTTON_MOUSEDOWN_UNCHECK"),      // 42
      Name("PROGRESSBAR"),                                               // 43
      Name("PROGRESSBAR_V"),                                             // 44
      Name("TITLE_LEFT"),                                                // 45
      Name("TITLE_CLIENT"),                                              // 46
      Name("TITLE_RIGHT"),                                               // 47
      Name("TITLEBTN_CLOSE_NORMAL"),                                     // 48
      Name("TITLEBTN_CLOSE_MOUSEON"),                                    // 49
      Name("TITLEBTN_CLOSE_MOUSEDOWN"),                                  // 50
      Name("TITLEBTN_MAX_NORMAL"),                                       // 51
      Name("TITLEBTN_MAX_MOUSEON"),                                      // 52
      Name("TITLEBTN_MAX_MOUSEDOWN"),                                    // 53
      Name("TITLEBTN_MIN_NORMAL"),                                       // 54
      Name("TITLEBTN_MIN_MOUSEON"),                                      // 55
      Name("TITLEBTN_MIN_MOUSEDOWN"),                                    // 56
      Name("TITLEBTN_HELP_NORMAL"),                                      // 57
      Name("TITLEBTN_HELP_MOUSEON"),                                     // 58
      Name("TITLEBTN_HELP_MOUSEDOWN"),                                   // 59
      Name("TITLEBTN_CTLBOX_NORMAL"),                                    // 60
      Name("TITLEBTN_CTLBOX_MOUSEON"),                                   // 61
      Name("TITLEBTN_CTLBOX_MOUSEDOWN"),                                 // 62
      Name("TITLEBTN_MAX_NORMAL", "TITLEBTN_RST_NORMAL"),                // 63
      Name("TITLEBTN_MAX_MOUSEON", "TITLEBTN_RST_MOUSEON"),              // 64
      Name("TITLEBTN_MAX_MOUSEDOWN", "TITLEBTN_RST_MOUSEDOWN"),          // 65
      Value(F, 0, 0, 0, 1, 1),                                           // 66
      Value(I, 3, 2, 0, 0, 4),                                           // 67
      Value(I, -2, -2, 0, 0, -3),                                        // 68
      Value(I, 4, 5, 2, 2, 6),                                           // 69
      Name("TAB_ACTIVE"),                                                // 70
      Name("TAB_INACTIVE"),                                              // 71
      Name("TAB_LINE"),                                                  // 72
      Value(I, 34, 19, 22, 22, 22),                                      // 73
      Value(C, 0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE9D6D5),        // 74
      Name("TRACKBAR_BAR"),                                              // 75
      Name("TRACKBAR_SLIDER"),                                           // 76
      Name("TRACKBAR_BAR"),                                              // 77: turned by the track bar
      Name("TRACKBAR_SLIDER_V"),                                         // 78
      Value(C, 0xEEEEEE, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7),        // 79
      Value(C, 0x474747, 0xC66931, 0x474747, 0x474747, 0x474747),        // 80
      Value(C, 0xEFEFEF, 0xEFD3C6, 0xEFEFEF, 0xEFEFEF, 0xEFEFEF),        // 81
      Value(C, 0xD8D8D8, 0xE1AC93, 0xD8D8D8, 0xD8D8D8, 0xD8D8D8),        // 82
      Value(C, 0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7),        // 83
      Value(C, 0xC9C9C9, 0xF9F9F9, 0xF5F5F5, 0xF5F5F5, 0xF4F4F4),        // 84
      Name("SCROLLBAR_TOPBUTTON_NORMAL"),                                // 85
      Name("SCROLLBAR_TOPBUTTON_MOUSEON"),                               // 86
      Name("SCROLLBAR_TOPBUTTON_MOUSEDOWN"),                             // 87
      Name("SCROLLBAR_BTMBUTTON_NORMAL"),                                // 88
      Name("SCROLLBAR_BTMBUTTON_MOUSEON"),                               // 89
      Name("SCROLLBAR_BTMBUTTON_MOUSEDOWN"),                             // 90
      Name("SCROLLBAR_TRACK"),                                           // 91
  };
  return rows;
}

constexpr int MenuCheckedIndex = 23;

const char* Prefix(TkzuUIStyle style) {
  switch (style) {
    case TkzuUIStyle::MacOS: return "MACOS";
    case TkzuUIStyle::WinXP: return "WINXP";
    case TkzuUIStyle::DeepBlue: return "DEEPBLUE";
    case TkzuUIStyle::Protein: return "PROTEIN";
    case TkzuUIStyle::BlueGlass: return "BLUEGLASS";
    default: return nullptr;
  }
}

// The row of a themed look's entry, or nullptr.
const ThemeRow* Row(TkzuUIStyle style, int index) {
  if (!Prefix(style) || index < 1 || index > kzuThemeEntryCount) return nullptr;
  return &Rows()[index - 1];
}

const TkzuFormPanelLook* OwnerFormPanel(const TComponent* owner) {
  auto* container = dynamic_cast<const TWinControl*>(owner);
  if (!container) return nullptr;
  for (int i = 0; i < container->ControlCount(); ++i)
    if (auto* panel = dynamic_cast<const TkzuFormPanelLook*>(container->Controls(i))) return panel;
  return nullptr;
}

}  // namespace

void GetThemeItem(TkzuUIStyle style, int index, Integer& value, Byte& kind) {
  const ThemeRow* row = Row(style, index);
  if (!row) {
    value = -1;
    kind = kzuKindInteger;
    return;
  }
  kind = row->Kind;
  value = row->Kind == kzuKindBitmapName ? 0 : row->Values[Byte(style) - 1];
}

std::string GetThemeBitmapName(TkzuUIStyle style, int index) {
  const ThemeRow* row = Row(style, index);
  if (!row || row->Kind != kzuKindBitmapName) return {};
  if (index == MenuCheckedIndex) return row->Part;
  const char* part = style == TkzuUIStyle::WinXP && row->WinXPPart ? row->WinXPPart : row->Part;
  return std::string(Prefix(style)) + "_" + part;
}

Integer GetThemeInteger(TkzuUIStyle style, int index) {
  Integer v;
  Byte k;
  GetThemeItem(style, index, v, k);
  return k == kzuKindInteger ? v : -1;
}

Integer GetThemeFlag(TkzuUIStyle style, int index) {
  Integer v;
  Byte k;
  GetThemeItem(style, index, v, k);
  return k == kzuKindFlag ? v : 0;
}

TColor GetThemeColor(TkzuUIStyle style, int index) {
  Integer v;
  Byte k;
  GetThemeItem(style, index, v, k);
  return k == kzuKindColor ? TColor(v) : TColor(0);
}

void LoadThemeBitmap(const std::string& name, TBitmap& out) {
  // GUI thread only, like every control that paints from it. Plain pixel
  // images, so nothing of GDI outlives the program's end.
  static std::map<std::string, TDibImage> cache;
  const std::string key = UpperCase(name);
  auto it = cache.find(key);
  if (it == cache.end()) {
    TBitmap bmp;
    bmp.LoadFromResourceName(name);
    it = cache.emplace(key, bmp.ToDib()).first;
  }
  out.FromDib(it->second);
}

bool TryLoadThemeBitmap(const std::string& name, TBitmap& out) {
  if (!name.empty()) {
    try {
      LoadThemeBitmap(name, out);
      if (!out.Empty()) return true;
    } catch (const Exception&) {
    }
  }
  out.SetSize(0, 0);
  return false;
}

TkzuUIStyle GetOwnerFormPanelUIStyle(const TComponent* owner) {
  const TkzuFormPanelLook* panel = OwnerFormPanel(owner);
  return panel ? panel->FormPanelUIStyle() : TkzuUIStyle::DeepBlue;
}

TColor GetOwnerFormPanelBorderColor(const TComponent* owner) {
  const TkzuFormPanelLook* panel = OwnerFormPanel(owner);
  return panel ? GetThemeColor(panel->FormPanelUIStyle(), 8) : TColor(0);
}

TColor GetOwnerFormPanelColor(const TComponent* owner) {
  const TkzuFormPanelLook* panel = OwnerFormPanel(owner);
  return panel ? panel->FormPanelColor() : clBtnFace;
}

void ApplyUIStyleToChildren(TWinControl* container, TkzuUIStyle style) {
  if (!container) return;
  // A child may change the child list as it takes the look (a control that
  // rebuilds itself), so the list is copied first.
  std::vector<TControl*> children;
  for (int i = 0; i < container->ControlCount(); ++i) children.push_back(container->Controls(i));
  for (TControl* c : children)
    if (auto* target = dynamic_cast<TkzuLookTarget*>(c)) target->ApplyContainerUIStyle(style);
}

void ApplyUIStyleToFormChildren(TWinControl* formPanel, TkzuUIStyle style) {
  if (!formPanel) return;
  std::vector<TControl*> children;
  for (int i = 0; i < formPanel->ControlCount(); ++i) children.push_back(formPanel->Controls(i));
  for (TControl* c : children) {
    auto* target = dynamic_cast<TkzuLookTarget*>(c);
    if (target && target->PassesLookToChildren()) ApplyUIStyleToChildren(dynamic_cast<TWinControl*>(c), style);
  }
}
