#include "themed/core/KZUThemes.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/themed/support/ThemedTestFixture.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/ExtCtrls.h"

namespace {

using S = TkzuUIStyle;

struct ItemCase {
  S Style;
  int Index;
  Integer Value;
  Byte Kind;
};

TEST(KZUThemes, ItemsGiveValueAndKind) {
  const ItemCase cases[] = {
      {S::MacOS, 1, 1, kzuKindInteger},           {S::BlueGlass, 1, 5, kzuKindInteger},
      {S::WinXP, 2, 0xC82C00, kzuKindColor},      {S::WinXP, 4, 3, kzuKindInteger},
      {S::BlueGlass, 6, 270, kzuKindInteger},     {S::WinXP, 7, 13, kzuKindInteger},
      {S::Protein, 11, 0xC4302D, kzuKindColor},   {S::WinXP, 13, 0x000000, kzuKindColor},
      {S::MacOS, 21, 12, kzuKindInteger},         {S::WinXP, 24, 0, kzuKindBitmapName},
      {S::Protein, 66, 1, kzuKindFlag},           {S::DeepBlue, 66, 0, kzuKindFlag},
      {S::MacOS, 68, -2, kzuKindInteger},         {S::BlueGlass, 68, -3, kzuKindInteger},
      {S::MacOS, 73, 34, kzuKindInteger},         {S::BlueGlass, 74, 0xE9D6D5, kzuKindColor},
      {S::WinXP, 82, 0xE1AC93, kzuKindColor},     {S::MacOS, 84, 0xC9C9C9, kzuKindColor},
      {S::Custom, 20, -1, kzuKindInteger},        {S::Custom, 8, -1, kzuKindInteger},
      {S(6), 20, -1, kzuKindInteger},             {S::WinXP, 0, -1, kzuKindInteger},
      {S::WinXP, 92, -1, kzuKindInteger},
  };
  for (const ItemCase& c : cases) {
    Integer v = 7;
    Byte k = 9;
    GetThemeItem(c.Style, c.Index, v, k);
    EXPECT_EQ(v, c.Value) << int(c.Style) << " entry " << c.Index;
    EXPECT_EQ(k, c.Kind) << int(c.Style) << " entry " << c.Index;
  }
}

TEST(KZUThemes, TypedReadsGiveNeutralValuesForOtherKinds) {
  EXPECT_EQ(GetThemeInteger(S::Custom, 20), -1);
  EXPECT_EQ(GetThemeColor(S::Custom, 8), 0);
  EXPECT_EQ(GetThemeColor(S::WinXP, 24), 0);  // a bitmap name
  EXPECT_EQ(GetThemeBitmapName(S::WinXP, 8), "");
  EXPECT_EQ(GetThemeInteger(S::WinXP, 8), -1);  // a colour
  EXPECT_EQ(GetThemeFlag(S::BlueGlass, 67), 0);  // an integer
  EXPECT_EQ(GetThemeFlag(S::BlueGlass, 66), 1);
  EXPECT_EQ(GetThemeColor(S::WinXP, 8), 0x686868);
  EXPECT_EQ(GetThemeInteger(S::Protein, 20), 21);
}

struct NameCase {
  S Style;
  int Index;
  const char* Name;
};

TEST(KZUThemes, BitmapNamesCarryThePrefixAndWinXPsOwnParts) {
  const NameCase cases[] = {
      {S::DeepBlue, 29, "DEEPBLUE_CHECKBOX_CHECK"},   {S::DeepBlue, 31, "DEEPBLUE_CHECKBOX_CHECK"},
      {S::DeepBlue, 33, "DEEPBLUE_CHECKBOX_CHECK"},   {S::WinXP, 29, "WINXP_CHECKBOX_NORMAL_CHECK"},
      {S::WinXP, 31, "WINXP_CHECKBOX_MOUSEON_CHECK"}, {S::WinXP, 34, "WINXP_CHECKBOX_MOUSEDOWN_UNCHECK"},
      {S::WinXP, 40, "WINXP_RADIOBUTTON_MOUSEON_UNCHECK"},
      {S::Protein, 36, "PROTEIN_RADIOBUTTON_DISABLE_UNCHECK"},
      {S::MacOS, 63, "MACOS_TITLEBTN_MAX_NORMAL"},    {S::WinXP, 63, "WINXP_TITLEBTN_RST_NORMAL"},
      {S::WinXP, 65, "WINXP_TITLEBTN_RST_MOUSEDOWN"}, {S::BlueGlass, 23, "MENU_CHECKED"},
      {S::MacOS, 24, "MACOS_BUTTON_NORMAL"},          {S::BlueGlass, 77, "BLUEGLASS_TRACKBAR_BAR"},
      {S::Protein, 91, "PROTEIN_SCROLLBAR_TRACK"},    {S::Custom, 24, ""},
  };
  for (const NameCase& c : cases) EXPECT_EQ(GetThemeBitmapName(c.Style, c.Index), c.Name) << c.Index;
}

// The size the controls expect of a named picture of look li (0 MacOS ..
// 4 BlueGlass); a width of -1 is free.
TSize ExpectedSize(int li, const std::string& name) {
  auto has = [&](const char* part) { return name.find(part) != std::string::npos; };
  if (has("MENU_CHECKED")) return {16, 16};
  if (has("TITLEBTN_")) {
    const int n[] = {17, 21, 19, 19, 19};
    return {n[li], n[li]};
  }
  if (has("TITLE_")) {
    const int h[] = {23, 29, 32, 23, 33};
    return {-1, h[li]};
  }
  if (has("SCROLLBAR_TRACK")) return li == 0 ? TSize{16, 33} : TSize{16, 21};
  if (has("SCROLLBAR_")) {
    const TSize s[] = {{16, 22}, {16, 17}, {16, 16}, {16, 16}, {17, 16}};
    return s[li];
  }
  if (has("PROGRESSBAR_V")) {
    const TSize s[] = {{13, 13}, {10, 6}, {10, 1}, {10, 1}, {10, 1}};
    return s[li];
  }
  if (has("PROGRESSBAR")) {
    const TSize s[] = {{13, 10}, {6, 10}, {1, 10}, {1, 10}, {1, 10}};
    return s[li];
  }
  if (has("TAB_LINE")) {
    const TSize s[] = {{17, 7}, {8, 1}, {5, 5}, {10, 5}, {10, 5}};
    return s[li];
  }
  if (has("TAB_")) {
    const TSize s[] = {{18, 27}, {9, 18}, {6, 17}, {9, 17}, {9, 17}};
    return s[li];
  }
  if (has("TRACKBAR_BAR")) return li == 0 ? TSize{45, 5} : TSize{45, 4};
  if (has("TRACKBAR_SLIDER_V")) return li == 0 ? TSize{19, 11} : TSize{18, 11};
  if (has("TRACKBAR_SLIDER")) return {11, 20};
  if (has("_BUTTON_")) {
    const TSize s[] = {{84, 23}, {18, 21}, {74, 21}, {74, 21}, {77, 27}};
    return s[li];
  }
  if (has("RADIOBUTTON")) return li == 0 ? TSize{16, 17} : TSize{13, 13};
  if (has("CHECKBOX")) return li == 0 ? TSize{15, 17} : TSize{13, 13};
  return {0, 0};
}

// Every picture the tables name exists in every look, at its listed size,
// so no control meets a missing picture at run time.
TEST(KZUThemes, EveryNamedPictureExistsWithItsSize) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  int checked = 0;
  for (int li = 0; li < 5; ++li)
    for (int index = 1; index <= kzuThemeEntryCount; ++index) {
      const std::string name = GetThemeBitmapName(looks[li], index);
      if (name.empty()) continue;
      TBitmap b;
      ASSERT_NO_THROW(LoadThemeBitmap(name, b)) << name;
      const TSize want = ExpectedSize(li, name);
      if (want.cx >= 0) {
        EXPECT_EQ(b.Width(), want.cx) << name;
      }
      EXPECT_EQ(b.Height(), want.cy) << name;
      ++checked;
    }
  EXPECT_EQ(checked, 5 * 57);  // entries 23 to 65, 70 to 72, 75 to 78 and 85 to 91
}

TEST(KZUThemes, MissingBitmapRaisesResourceNotFound) {
  TBitmap b;
  EXPECT_THROW(LoadThemeBitmap("NO_SUCH_THEME_PICTURE", b), EResNotFound);
}

// Two loads of one name are independent copies.
TEST(KZUThemes, LoadedBitmapsAreCopies) {
  TBitmap a, b;
  LoadThemeBitmap("WINXP_CHECKBOX_NORMAL_CHECK", a);
  const TColor before = a.Canvas()->Pixels(6, 6);
  a.Canvas()->SetPixels(6, 6, TColor(0x123456));
  LoadThemeBitmap("WINXP_CHECKBOX_NORMAL_CHECK", b);
  EXPECT_EQ(b.Canvas()->Pixels(6, 6), before);
}

// A stand-in for the themed form panel.
class TFakeFormPanel : public TPanel, public TkzuFormPanelLook {
 public:
  explicit TFakeFormPanel(TComponent* owner, S style, TColor color) : TPanel(owner), style_(style), color_(color) {}
  TkzuUIStyle FormPanelUIStyle() const override { return style_; }
  TColor FormPanelColor() const override { return color_; }

 private:
  S style_;
  TColor color_;
};

class KZUThemesForm : public ThemedTest {};

TEST_F(KZUThemesForm, OwnerFormPanelGivesTheDefaultLook) {
  EXPECT_EQ(GetOwnerFormPanelUIStyle(nullptr), S::DeepBlue);
  EXPECT_EQ(GetOwnerFormPanelBorderColor(nullptr), 0);
  EXPECT_EQ(GetOwnerFormPanelColor(nullptr), clBtnFace);
  EXPECT_EQ(GetOwnerFormPanelUIStyle(form), S::DeepBlue);  // no panel yet

  auto* plain = new TPanel(form);
  plain->SetParent(form);
  auto* panel = new TFakeFormPanel(form, S::WinXP, TColor(0x112233));
  panel->SetParent(form);
  auto* second = new TFakeFormPanel(form, S::MacOS, TColor(0x445566));
  second->SetParent(form);
  EXPECT_EQ(GetOwnerFormPanelUIStyle(form), S::WinXP);
  EXPECT_EQ(GetOwnerFormPanelBorderColor(form), 0x686868);
  EXPECT_EQ(GetOwnerFormPanelColor(form), TColor(0x112233));

  // A new check box takes that look; one without an owner takes DeepBlue.
  TkzuCheckBox* owned = new TkzuCheckBox(form);
  EXPECT_EQ(owned->UIStyle(), S::WinXP);
  EXPECT_EQ(owned->PicNormalResName(), "WINXP_CHECKBOX_NORMAL_UNCHECK");
  TkzuCheckBox loose(nullptr);
  EXPECT_EQ(loose.UIStyle(), S::DeepBlue);
  EXPECT_EQ(loose.PicNormalResName(), "DEEPBLUE_CHECKBOX_UNCHECK");
}

TEST_F(KZUThemesForm, ApplyingALookReachesDirectChildrenAndSparesCustom) {
  auto* box = Make<TkzuCheckBox>(form, 10, 10, S::WinXP);
  auto* custom = Make<TkzuRadioButton>(form, 10, 40, S::Custom);
  auto* radio = Make<TkzuRadioButton>(form, 10, 70, S::MacOS);
  auto* button = Make<TkzuButton>(form, 10, 100, S::DeepBlue);
  auto* inner = new TPanel(form);
  inner->SetParent(form);
  auto* nested = Make<TkzuCheckBox>(inner, 5, 5, S::WinXP);

  ApplyUIStyleToChildren(form, S::Protein);
  EXPECT_EQ(box->UIStyle(), S::Protein);
  EXPECT_EQ(box->PicNormalResName(), "PROTEIN_CHECKBOX_UNCHECK");
  EXPECT_TRUE(box->Transparent());  // Protein check boxes show their parent
  EXPECT_EQ(custom->UIStyle(), S::Custom);
  EXPECT_EQ(radio->UIStyle(), S::Protein);
  EXPECT_EQ(button->UIStyle(), S::Protein);
  EXPECT_EQ(nested->UIStyle(), S::WinXP);
}

}  // namespace
