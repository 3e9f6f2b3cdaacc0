// The colour dialog: ChooseColor with its request record, run as our own
// modal form (48 basic colours, 16 custom colours kept in the caller's
// array, and the full-open part: the hue and saturation field with its
// cross-hair, the luminosity bar with its arrow, the "Color|Solid" sample and
// the hue/sat/lum and red/green/blue edits, all kept in step),
// and the TColorDialog component over it.
#pragma once
#include <memory>
#include <string>

#include "platform/graphics/Colors.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/StringList.h"
#include "platform/user/UserTypes.h"

class TForm;

struct CHOOSECOLOR {
  DWORD lStructSize = sizeof(CHOOSECOLOR);
  HWND hwndOwner = nullptr;
  HWND hInstance = nullptr;
  COLORREF rgbResult = 0;
  COLORREF* lpCustColors = nullptr;  // 16 entries, read and written back
  DWORD Flags = 0;
  LPARAM lCustData = 0;
  void* lpfnHook = nullptr;  // hooks are not supported
  const char* lpTemplateName = nullptr;
};
using CHOOSECOLORA = CHOOSECOLOR;
using CHOOSECOLORW = CHOOSECOLOR;

constexpr DWORD CC_RGBINIT = 0x0001;
constexpr DWORD CC_FULLOPEN = 0x0002;
constexpr DWORD CC_PREVENTFULLOPEN = 0x0004;
constexpr DWORD CC_SHOWHELP = 0x0008;
constexpr DWORD CC_ENABLEHOOK = 0x0010;
constexpr DWORD CC_ENABLETEMPLATE = 0x0020;
constexpr DWORD CC_ENABLETEMPLATEHANDLE = 0x0040;
constexpr DWORD CC_SOLIDCOLOR = 0x0080;
constexpr DWORD CC_ANYCOLOR = 0x0100;

constexpr int kCustomColorCount = 16;
constexpr int kBasicColorCount = 48;

// The basic colours, row by row (8 per row).
COLORREF BasicColor(int index);

// TRUE when the user pressed OK (rgbResult holds the colour); FALSE on
// Cancel or a bad record, rgbResult unchanged. The custom colours are the
// user's palette and are written back either way.
BOOL ChooseColor(CHOOSECOLOR* cc);

// Hue, luminance and saturation on the 0..240 scale (hue 0..239).
void ColorRGBToHLS(COLORREF rgb, int& hue, int& lum, int& sat);
COLORREF ColorHLSToRGB(int hue, int lum, int sat);

// ---- TColorDialog ------------------------------------------------------------------
using TColorDialogOptions = unsigned;
constexpr TColorDialogOptions cdFullOpen = 1u << 0;
constexpr TColorDialogOptions cdPreventFullOpen = 1u << 1;
constexpr TColorDialogOptions cdShowHelp = 1u << 2;
constexpr TColorDialogOptions cdSolidColor = 1u << 3;
constexpr TColorDialogOptions cdAnyColor = 1u << 4;

class TColorDialog : public TComponent {
 public:
  explicit TColorDialog(TComponent* AOwner);
  ~TColorDialog() override;
  std::string ClassName() const override { return "TColorDialog"; }
  TColor Color = clBlack;
  // "ColorA".."ColorP" = six hex digits of the colour value; a missing or
  // unreadable entry is white.
  TStrings* CustomColors() const { return customColors_.get(); }
  void SetCustomColors(const TStrings* v) { customColors_->Assign(v); }
  TColorDialogOptions Options = 0;
  // True when confirmed: Color and CustomColors then hold the choice.
  bool Execute();

 private:
  std::unique_ptr<TStringList> customColors_;
};

// ---- Headless driving --------------------------------------------------------------
// Acts on an open colour dialog as a user would: clicks, typing, buttons.
class TColorDialogDriver {
 public:
  // nullptr, or a form that is no colour dialog, gives a driver whose
  // Valid() is false and whose actions do nothing.
  explicit TColorDialogDriver(TForm* dialog);
  bool Valid() const { return form_ != nullptr; }
  // Screen point at the centre of a cell, for real mouse clicks.
  TPoint BasicCellPoint(int index) const;
  TPoint CustomCellPoint(int index) const;
  void ClickBasic(int index);
  void ClickCustom(int index);
  // Screen points of the full-open part: the hue and saturation field at
  // those values, and the middle of the luminosity bar at that value.
  TPoint FieldPoint(int hue, int sat) const;
  TPoint LumPoint(int lum) const;
  // Presses "Define Custom Colors >>" (does nothing while disabled).
  void DefineCustomColors();
  bool FullOpen() const;
  bool DefineEnabled() const;
  // Types a number into "Red", "Green", "Blue", "Hue", "Sat" or "Lum".
  void Type(const std::string& edit, const std::string& text);
  std::string EditText(const std::string& edit) const;
  void AddToCustomColors();
  COLORREF Current() const;
  COLORREF CustomColor(int index) const;
  // The selected basic cell, -1 for none.
  int SelectedBasic() const;
  void Ok();
  void Cancel();

 private:
  class TColorDialogForm* form_ = nullptr;
};
