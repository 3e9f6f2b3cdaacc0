// The font combos: a drawing combo whose items are font names, the font
// combo listing the platform's font families with a TrueType or device
// marker, and the font-size combo listing a family's sizes.
#pragma once
#include <memory>
#include <string>

#include "themed/lists/KZUComboBox.h"

class TBitmap;

enum TFontDrawComboStyle : Byte { fcsDropDown = 0, fcsSimple = 1, fcsDropDownList = 2 };

class TkzuFontDrawComboBox : public TkzuCustomComboBox {
 public:
  explicit TkzuFontDrawComboBox(TComponent* AOwner);
  std::string ClassName() const override { return "TkzuFontDrawComboBox"; }

  TFontDrawComboStyle Style() const { return fontStyle_; }
  void SetStyle(TFontDrawComboStyle v);
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateWnd() override;
  virtual int GetItemHeight();
  void ApplyItemHeight();

 private:
  TFontDrawComboStyle fontStyle_ = fcsDropDownList;
};

using TFontDevice = Byte;
constexpr TFontDevice fdScreen = 0;
constexpr TFontDevice fdPrinter = 1;
constexpr TFontDevice fdBoth = 2;

using TFontListOptions = Byte;
constexpr TFontListOptions foAnsiOnly = 1;
constexpr TFontListOptions foTrueTypeOnly = 2;
constexpr TFontListOptions foFixedPitchOnly = 4;
constexpr TFontListOptions foNoOEMFonts = 8;
constexpr TFontListOptions foOEMFontsOnly = 16;
constexpr TFontListOptions foScalableOnly = 32;
constexpr TFontListOptions foNoSymbolFonts = 64;

// Whether a family of these enumeration facts passes the options.
bool FontPassesOptions(TFontListOptions options, DWORD fontType, Byte charSet, bool fixedPitch);

// Item object bits besides the enumeration's font type.
constexpr DWORD kzuFontNotSymbol = 256;

class TkzuFontComboBox : public TkzuFontDrawComboBox {
 public:
  explicit TkzuFontComboBox(TComponent* AOwner);
  ~TkzuFontComboBox() override;
  std::string ClassName() const override { return "TkzuFontComboBox"; }

  TFontDevice Device() const { return device_; }
  void SetDevice(TFontDevice v);
  TFontListOptions Options() const { return options_; }
  void SetOptions(TFontListOptions v);
  bool UseFonts() const { return useFonts_; }
  void SetUseFonts(bool v);
  std::string FontName() const { return Text(); }
  void SetFontName(const std::string& v);
  // The type bits (plus kzuFontNotSymbol) of item i.
  DWORD FontBits(int i) const;
  // Refills after the system's list of fonts changed.
  void Reset();

  virtual void PopulateList();

 protected:
  void CreateWnd() override;
  int GetItemHeight() override;
  void DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) override;
  void Change() override;
  void Click() override;

 private:
  void NotifyChange();
  std::unique_ptr<TBitmap> trueTypeBmp_, deviceBmp_;
  TFontDevice device_ = fdScreen;
  TFontListOptions options_ = 0;
  bool useFonts_ = false;
  bool noChange_ = false;
  int fontListHandler_ = 0;
};

class TkzuFontSizeComboBox : public TkzuCustomComboBox {
 public:
  explicit TkzuFontSizeComboBox(TComponent* AOwner);
  std::string ClassName() const override { return "TkzuFontSizeComboBox"; }
  std::string FontName() const { return fontName_; }
  void SetFontName(const std::string& v);
  int PixelsPerInch() const { return pixelsPerInch_; }

 private:
  std::string fontName_;
  int pixelsPerInch_ = 96;
};
