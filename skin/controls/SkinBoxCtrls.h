// Skinned edits on the platform's edit control: the borderless base edit
// (TspCustomEdit), the edit with a frame it paints itself in its non-client
// area (TspSkinCustomEdit), the numeric edit, and the spin edit and up-down
// (SkinBoxCtrls_Spin.h).
//
// The base edit hands Enter and Escape to its form, honours its own
// ReadOnly flag and shows its own context menu. Its ReadOnly filter sits in
// front of the native edit procedure (DefaultHandler), where every cut,
// paste, clear and undo arrives as its message whatever started it (keys,
// control characters, the menu), so nothing leaks past it; selection and
// copy keep working.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/edits/Edit.h"
#include "platform/ui/menus/Menus.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/SkinMenus.h"

class TImageList;

// A skinned menu command was dispatched to the control that opened it.
constexpr UINT WM_SPMENUCOMMANDDONE = 0x4CD;
// Outside paint requests: a caller asks for the frame in its DC.
constexpr UINT WM_SPPAINTFRAME = 0xB1C9;
constexpr UINT WM_SPPAINTFRAMECLIPPED = 0xBC4B;
constexpr LRESULT SP_PAINTFRAME_ANSWER = 0x3233;
constexpr LPARAM SP_PAINTFRAMECLIPPED_KEY = 0x41A2;
// Hit codes of the edit's left and right images.
constexpr LRESULT HTSPLEFTIMAGE = 104;
constexpr LRESULT HTSPRIGHTIMAGE = 105;

enum TspValueType { vtInteger = 0, vtFloat = 1 };

// ---- Numbers shared by the numeric edit and the spin edit ---------------------------
namespace spnumber {
// Digits, one leading minus, and in vtFloat one decimal separator not first.
bool IsValidNumberText(const std::string& s, TspValueType type);
// The framework's conversion; false when it refuses the text (a number out
// of range, "-." and the like), so a caller keeps its value.
bool ConvertNumberText(const std::string& s, TspValueType type, double& x);
// Fixed-point with `decimals` digits, or the integer the value rounds to.
std::string FormatValue(double v, TspValueType type, int decimals);
// A typed number on the far side of the range is replaced by the bound.
bool MustRewriteText(double v, double x, double minValue, double maxValue);
// The key-press filter: digits, one minus, one separator in vtFloat;
// control characters pass except Enter; `locked` refuses all typing and
// backspace.
bool IsValidChar(char32_t c, const std::string& text, TspValueType type, bool locked);
}  // namespace spnumber

// The nine-part face of a button description's state rectangle at w x h.
void DrawSkinButtonFace(TBitmap* B, const TspDataSkinCustomControl* d, TBitmap* picture, const TRect& state, int w,
                        int h);

class TspCustomEdit;
// Shows an edit's context menu at a screen point; by default the skinned
// menu opens at the edit (PopupAtEdit). Tests put a recorder here.
extern std::function<void(TspCustomEdit* Edit, TspSkinPopupMenu* Menu, TPoint Screen)> SkinEditMenuPopup;

// ---- TspCustomEdit --------------------------------------------------------------------
class TspCustomEdit : public TCustomMaskEdit {
 public:
  explicit TspCustomEdit(TComponent* AOwner);
  ~TspCustomEdit() override;
  std::string ClassName() const override { return "TspCustomEdit"; }

  // The edit's own read-only state, apart from the framework's.
  bool ReadOnly() const { return spReadOnly_; }
  void SetReadOnly(bool value) { spReadOnly_ = value; }
  bool TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(bool value);
  // The menu of the last context-menu request, or nullptr.
  TspSkinPopupMenu* EditMenu() const { return editMenu_; }
  // Builds the eight-item menu with the states the edit has now.
  void CreateEditMenu();

  void Invalidate() override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void FreeEditMenu();
  bool Designing() const { return (ComponentState() & csDesigning) != 0; }
  // The item texts' source for this edit.
  virtual TspSkinData* MenuSkinData() const;
  // Every change of the text is refused (typing, deleting, the clipboard).
  virtual bool Locked() const { return spReadOnly_; }
  bool mouseDown_ = false;

 private:
  void ShowEditMenu(TMessage& Message);
  void InvalidateUnder();
  bool spReadOnly_ = false;
  bool transparentMode_ = false;
  TspSkinPopupMenu* editMenu_ = nullptr;
  unsigned menuGeneration_ = 0;
};

// ---- TspSkinCustomEdit ----------------------------------------------------------------
class TspSkinCustomEdit : public TspCustomEdit {
 public:
  explicit TspSkinCustomEdit(TComponent* AOwner);
  ~TspSkinCustomEdit() override;
  std::string ClassName() const override { return "TspSkinCustomEdit"; }

  TspSkinData* SkinData() const { return skinData_; }
  void SetSkinData(TspSkinData* value);
  const std::string& SkinDataName() const { return skinDataName_; }
  void SetSkinDataName(const std::string& value) { skinDataName_ = value; }
  int ControlIndex() const { return controlIndex_; }
  TFont* DefaultFont() const { return defaultFont_.get(); }
  void SetDefaultFont(const TFont* value);
  bool UseSkinFont = true;
  int DefaultWidth() const { return defaultWidth_; }
  void SetDefaultWidth(int value);
  int DefaultHeight() const { return defaultHeight_; }
  void SetDefaultHeight(int value);
  TAlignment Alignment() const { return TCustomEdit::Alignment(); }
  void SetAlignment(TAlignment value);
  bool ButtonMode() const { return buttonMode_; }
  void SetButtonMode(bool value);
  TColor EditColor = clWindow;
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* value);
  int LeftImageIndex() const { return leftImageIndex_; }
  void SetLeftImageIndex(int value);
  int RightImageIndex() const { return rightImageIndex_; }
  void SetRightImageIndex(int value);
  int LeftImageHotIndex = -1, LeftImageDownIndex = -1, RightImageHotIndex = -1, RightImageDownIndex = -1;

  TNotifyEvent OnButtonClick, OnLeftButtonClick, OnRightButtonClick;

  // State, read by tests.
  bool MouseIn() const { return mouseIn_; }
  bool ButtonHot() const { return buttonHot_; }
  bool ButtonPressed() const { return buttonPressed_; }
  const TRect& ButtonRect() const { return buttonRect_; }  // window coordinates
  const TRect& TextRect() const { return textRect_; }      // window coordinates
  const TRect& LeftImageRect() const { return leftImageRect_; }
  const TRect& RightImageRect() const { return rightImageRect_; }

  void GetSkinData();
  void ChangeSkinData();
  // Text-metric height of the font plus the frame.
  int EditHeight();
  void RepaintFrame();
  // Composes the whole frame (and button) at the control's size.
  void PaintFrameImage(TBitmap* B);
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Invalidate() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  TspSkinData* MenuSkinData() const override;
  bool Skinned() const { return controlIndex_ != -1; }
  void ApplyStateColor();
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  void CalcEditRects();
  void CalcImageRects(bool apply);
  void NcCalcSize(RECT& r);
  void NcPaint(HDC dc, bool excludeText);
  void PaintClientBackground(HDC dc);
  void PaintImages(HDC dc);
  void PaintDisabledText(HDC dc);
  LRESULT NcHitTest(TPoint screen);
  void DefaultFontChange();
  bool Active();

  TspSkinData* skinData_ = nullptr;
  std::string skinDataName_ = "edit";
  int controlIndex_ = -1;
  std::unique_ptr<TFont> defaultFont_;
  int defaultWidth_ = 0, defaultHeight_ = 0;
  bool buttonMode_ = false;
  TImageList* images_ = nullptr;
  int leftImageIndex_ = -1, rightImageIndex_ = -1;
  TRect leftImageRect_, rightImageRect_;
  bool leftImageHot_ = false, leftImagePressed_ = false, rightImageHot_ = false, rightImagePressed_ = false;
  TRect buttonRect_, textRect_;
  bool buttonPressed_ = false, buttonHot_ = false;
  bool mouseIn_ = false;
  // Copies of the description.
  TBitmap* skinPicture_ = nullptr;
  int leftWidth_ = 0, rightWidth_ = 0;
  TRect clRect_, skinRect_, activeSkinRect_;
  TPoint rightTop_;
  std::string fontName_;
  TFontStyles fontStyle_ = 0;
  int fontHeight_ = 14;
  TColor fontColor_ = 0, disabledFontColor_ = 0, activeFontColor_ = 0;
  TRect skinButtonRect_, activeButtonRect_, downButtonRect_, unenabledButtonRect_;
  bool stretchEffect_ = false;
};

// ---- TspSkinNumericEdit ---------------------------------------------------------------
class TspSkinNumericEdit : public TspSkinCustomEdit {
 public:
  explicit TspSkinNumericEdit(TComponent* AOwner);
  std::string ClassName() const override { return "TspSkinNumericEdit"; }

  double Increment = 1.0;
  bool SupportUpDownKeys = false;
  double MinValue() const { return minValue_; }
  void SetMinValue(double v) { minValue_ = v; }
  double MaxValue() const { return maxValue_; }
  void SetMaxValue(double v) { maxValue_ = v; }
  TspValueType ValueType() const { return valueType_; }
  void SetValueType(TspValueType v) { valueType_ = v; }
  Byte Decimal() const { return decimal_; }
  void SetDecimal(Byte v) { decimal_ = v; }
  double Value() const { return value_; }
  void SetValue(double x);

  // Any equal pair of bounds means no range.
  double ClampValue(double x) const;
  std::string FormatValue(double v) const;
  void Dispatch(TMessage& Message) override;

 protected:
  void Change() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(std::string& Key) override;

 private:
  bool updatingText_ = false;
  bool rewritingText_ = false;
  double minValue_ = 0, maxValue_ = 0, value_ = 0;
  Byte decimal_ = 2;
  TspValueType valueType_ = vtInteger;
};
