// The font dialog: ChooseFont with its request record, run as our own modal
// form (face list from the installed families, style and size lists, the
// effects with a colour list showing each colour, the "Sample" box drawn in
// the chosen font and the script list of the chosen face), and the
// TFontDialog component over it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Component.h"
#include "platform/user/UserTypes.h"

class TForm;
class TStrings;
struct FontFamilyInfo;

struct CHOOSEFONT {
  DWORD lStructSize = sizeof(CHOOSEFONT);
  HWND hwndOwner = nullptr;
  HDC hDC = nullptr;
  LOGFONT* lpLogFont = nullptr;  // read with CF_INITTOLOGFONTSTRUCT, always written on OK
  int iPointSize = 0;            // tenths of a point, written on OK
  DWORD Flags = 0;
  COLORREF rgbColors = 0;  // with CF_EFFECTS
  LPARAM lCustData = 0;
  void* lpfnHook = nullptr;  // hooks are not supported
  const char* lpTemplateName = nullptr;
  HWND hInstance = nullptr;
  char* lpszStyle = nullptr;  // with CF_USESTYLE: LF_FACESIZE bytes
  Word nFontType = 0;
  int nSizeMin = 0;  // points, with CF_LIMITSIZE
  int nSizeMax = 0;
};
using CHOOSEFONTA = CHOOSEFONT;
using CHOOSEFONTW = CHOOSEFONT;

constexpr DWORD CF_SCREENFONTS = 0x00000001;
constexpr DWORD CF_PRINTERFONTS = 0x00000002;
constexpr DWORD CF_BOTH = CF_SCREENFONTS | CF_PRINTERFONTS;
constexpr DWORD CF_SHOWHELP = 0x00000004;
constexpr DWORD CF_ENABLEHOOK = 0x00000008;
constexpr DWORD CF_ENABLETEMPLATE = 0x00000010;
constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x00000040;
constexpr DWORD CF_USESTYLE = 0x00000080;
constexpr DWORD CF_EFFECTS = 0x00000100;
constexpr DWORD CF_APPLY = 0x00000200;
constexpr DWORD CF_ANSIONLY = 0x00000400;
constexpr DWORD CF_SCRIPTSONLY = CF_ANSIONLY;
constexpr DWORD CF_NOVECTORFONTS = 0x00000800;
constexpr DWORD CF_NOSIMULATIONS = 0x00001000;
constexpr DWORD CF_LIMITSIZE = 0x00002000;
constexpr DWORD CF_FIXEDPITCHONLY = 0x00004000;
constexpr DWORD CF_WYSIWYG = 0x00008000;
constexpr DWORD CF_FORCEFONTEXIST = 0x00010000;
constexpr DWORD CF_SCALABLEONLY = 0x00020000;
constexpr DWORD CF_TTONLY = 0x00040000;
constexpr DWORD CF_NOFACESEL = 0x00080000;
constexpr DWORD CF_NOSTYLESEL = 0x00100000;
constexpr DWORD CF_NOSIZESEL = 0x00200000;
constexpr DWORD CF_NOSCRIPTSEL = 0x00800000;

constexpr Word BOLD_FONTTYPE = 0x0100;
constexpr Word ITALIC_FONTTYPE = 0x0200;
constexpr Word REGULAR_FONTTYPE = 0x0400;
constexpr Word SCREEN_FONTTYPE = 0x2000;
constexpr Word PRINTER_FONTTYPE = 0x4000;

// TRUE when the user pressed OK: *lpLogFont, iPointSize, nFontType and (with
// CF_EFFECTS) rgbColors hold the choice; lfCharSet is the chosen script's. FALSE on Cancel or a bad record,
// with nothing written. Sizes are whole points; lfHeight is the negative
// character height at 96 dpi, or a raster family's own pixel height when one
// of its listed sizes is chosen. The dialog refuses OK (with a message box)
// for an empty face, a size that is no number, a size outside
// nSizeMin..nSizeMax with CF_LIMITSIZE, and a face not in the list with
// CF_FORCEFONTEXIST.
//
// The face list holds the screen's families (ScreenFontFamilies) and, with
// CF_PRINTERFONTS, the printer's (none), filtered by ChooseFontListsFamily.
// A raster face lists only the sizes it comes in; every other face (and a
// typed name that is not listed) the usual 8 to 72 points.
// The script list holds the scripts the chosen face has letters for, as
// FontScripts answers; the one of lfCharSet (with CF_INITTOLOGFONTSTRUCT) is
// chosen first, else the first listed. CF_NOSCRIPTSEL disables the list.
// nFontType is SCREEN_FONTTYPE with BOLD_, ITALIC_ or REGULAR_FONTTYPE; the
// enumeration's RASTER/TRUETYPE bits are not added, as the classic dialog's
// callers read only those style bits and the low bits would make a typed
// face look different from a listed one.
BOOL ChooseFont(CHOOSEFONT* cf);

// Whether the dialog lists a family under these CF_* flags:
//   CF_FIXEDPITCHONLY  fixed-pitch families only;
//   CF_TTONLY          TrueType families only;
//   CF_SCALABLEONLY    no raster families;
//   CF_ANSIONLY (the same bit as CF_SCRIPTSONLY)  families whose charset is
//                      ANSI, i.e. covers Latin-1; symbol fonts are left out;
//   CF_NOVECTORFONTS   leaves out vector (stroke) fonts, and there are none,
//                      so it removes nothing.
// CF_WYSIWYG is not applied: with no printer fonts it would empty the list.
bool ChooseFontListsFamily(const FontFamilyInfo& family, DWORD flags);

// A script of the font dialog: its name as the list shows it, its charset
// and the sample text drawn for it.
struct TFontScript {
  const char* name;
  Byte charSet;
  const char* sample;
};
// The scripts a face offers: a symbol family only "Symbol"; any other face
// every script whose test letters it has, in the classic list's order, and
// at least "Western".
std::vector<TFontScript> FontScripts(const std::string& faceName);

// ---- TFontDialog -------------------------------------------------------------------
// Options map one to one onto CF_* flags; the list filters are fdAnsiOnly,
// fdFixedPitchOnly, fdTrueTypeOnly, fdScalableOnly and fdNoVectorFonts (see
// ChooseFontListsFamily).
using TFontDialogOptions = unsigned;
constexpr TFontDialogOptions fdAnsiOnly = 1u << 0;
constexpr TFontDialogOptions fdTrueTypeOnly = 1u << 1;
constexpr TFontDialogOptions fdEffects = 1u << 2;
constexpr TFontDialogOptions fdFixedPitchOnly = 1u << 3;
constexpr TFontDialogOptions fdForceFontExist = 1u << 4;
constexpr TFontDialogOptions fdNoFaceSel = 1u << 5;
constexpr TFontDialogOptions fdNoSimulations = 1u << 6;
constexpr TFontDialogOptions fdNoSizeSel = 1u << 7;
constexpr TFontDialogOptions fdNoStyleSel = 1u << 8;
constexpr TFontDialogOptions fdNoVectorFonts = 1u << 9;
constexpr TFontDialogOptions fdShowHelp = 1u << 10;
constexpr TFontDialogOptions fdWysiwyg = 1u << 11;
constexpr TFontDialogOptions fdLimitSize = 1u << 12;
constexpr TFontDialogOptions fdScalableOnly = 1u << 13;

enum TFontDialogDevice { fdScreen, fdPrinter, fdBoth };

class TFontDialog : public TComponent {
 public:
  explicit TFontDialog(TComponent* AOwner);
  ~TFontDialog() override;
  std::string ClassName() const override { return "TFontDialog"; }
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* v) { font_->Assign(v); }
  // Points; used with fdLimitSize.
  int MinFontSize = 0;
  int MaxFontSize = 0;
  TFontDialogOptions Options = fdEffects;
  TFontDialogDevice Device = fdScreen;
  // True when confirmed: Font then holds the choice.
  bool Execute();

 private:
  std::unique_ptr<TFont> font_;
};

// ---- Headless driving --------------------------------------------------------------
// Acts on an open font dialog as a user would: list clicks, typing, buttons.
class TFontDialogDriver {
 public:
  // nullptr, or a form that is no font dialog, gives a driver whose Valid()
  // is false and whose actions do nothing.
  explicit TFontDialogDriver(TForm* dialog);
  bool Valid() const { return form_ != nullptr; }
  TStrings* Faces() const;
  TStrings* Styles() const;
  TStrings* Sizes() const;
  // Clicks the item with this text (ignoring case) in the list; false when absent.
  bool SelectFace(const std::string& name);
  bool SelectStyle(const std::string& name);
  bool SelectSize(const std::string& size);
  void TypeFace(const std::string& text);
  void TypeSize(const std::string& text);
  std::string FaceText() const;
  std::string StyleText() const;
  std::string SizeText() const;
  bool EffectsVisible() const;
  void SetUnderline(bool v);
  void SetStrikeOut(bool v);
  // Picks a colour by name ("Red", "Navy"...); false when absent.
  bool SelectColor(const std::string& name);
  // The script list, and picking one of it by name; false when absent.
  TStrings* Scripts() const;
  std::string ScriptText() const;
  bool SelectScript(const std::string& name);
  // The font the sample box draws with.
  const TFont* SampleFont() const;
  void Ok();
  void Cancel();

 private:
  class TFontDialogForm* form_ = nullptr;
};
