// The colour picker combo: the framework's named colours (standard,
// extended, system, none and default), each drawn as a swatch and its
// name, with an optional first "Custom..." entry that opens the colour
// dialog.
//
// Nothing selected reads as kzuNoColor, a value that is no colour at all;
// so the scroll-bar system colour (0xFF000000) can be listed, selected and
// taken as a custom colour like any other.
#pragma once
#include <string>

#include "themed/lists/KZUComboBox.h"

using TColorBoxStyles = Byte;
constexpr TColorBoxStyles cbStandardColors = 1;
constexpr TColorBoxStyles cbExtendedColors = 2;
constexpr TColorBoxStyles cbSystemColors = 4;
constexpr TColorBoxStyles cbIncludeNone = 8;
constexpr TColorBoxStyles cbIncludeDefault = 16;
constexpr TColorBoxStyles cbCustomColor = 32;
constexpr TColorBoxStyles cbPrettyNames = 64;

constexpr TColor kzuNoColor = 0x7FFFFFFF;

class TkzuCustomColorBox : public TkzuCustomComboBox {
 public:
  explicit TkzuCustomColorBox(TComponent* AOwner);
  std::string ClassName() const override { return "TkzuCustomColorBox"; }

  TColorBoxStyles Style() const { return style_; }
  void SetStyle(TColorBoxStyles v);
  using TkzuCustomComboBox::SetStyle;
  TColor Selected() const;
  void SetSelected(TColor v);
  TColor DefaultColorColor() const { return defaultColorColor_; }
  void SetDefaultColorColor(TColor v);
  TColor NoneColorColor() const { return noneColorColor_; }
  void SetNoneColorColor(TColor v);

  int ColorCount() const { return Items()->Count(); }
  TColor Colors(int i) const;
  std::string ColorNames(int i) const { return Items()->Strings(i); }

  // Asks the user for item 0's colour; true when confirmed.
  virtual bool PickCustomColor();

 protected:
  void CreateWnd() override;
  void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) override;
  void CloseUp() override;
  void Select() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(std::string& Key) override;
  virtual void PopulateList();

 private:
  void SetItemColor(int i, TColor c);
  TColorBoxStyles style_ = cbStandardColors | cbExtendedColors | cbSystemColors;
  bool listPicked_ = false;
  bool refillPending_ = false;
  TColor selected_ = clBlack;
  TColor defaultColorColor_ = clBlack;
  TColor noneColorColor_ = clBlack;
};

class TkzuColorBox : public TkzuCustomColorBox {
 public:
  explicit TkzuColorBox(TComponent* AOwner) : TkzuCustomColorBox(AOwner) {}
  std::string ClassName() const override { return "TkzuColorBox"; }
};

// "clMoneyGreen" -> "Money Green".
std::string PrettyColorName(const std::string& constantName);
