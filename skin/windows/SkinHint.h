// Skinned hints. A TspSkinHint on the main form makes TspSkinHintWindow the
// application's hint window, so every hint the framework shows is drawn from
// the skin's HINTWINDOW description (or plainly without a skin): the text
// split into lines at LineSeparator, with the title and image a skinned
// control offers, translucent and fading in when asked. It also shows hints
// of its own after the hint pause (ShowHintLater), below the cursor: the
// skinned frame objects' hints go that way.
//
// The hint window always takes its settings from the first active
// TspSkinHint owned by the application's main form (FindActiveHint); without
// one it shows nothing.
#pragma once
#include <memory>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Component.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/HintWindow.h"
#include "platform/ui/forms/Timer.h"

class TImageList;
class TspSkinData;
class TspSkinHint;

// What a hinted control adds to its hint: a bold title and an image.
struct TspHintExtras {
  std::string Title;
  int ImageIndex = 0;
  TImageList* Images = nullptr;
};
// Answers the extras of controls that carry them (the skinned controls
// register it, as this layer cannot know their classes): true when the
// control is one of them.
using TspHintExtrasQuery = bool (*)(TControl* control, TspHintExtras& extras);
void SetHintExtrasQuery(TspHintExtrasQuery query);
TspHintExtrasQuery HintExtrasQuery();

class TspSkinHintWindow : public THintWindow {
 public:
  explicit TspSkinHintWindow(TComponent* AOwner);
  ~TspSkinHintWindow() override;
  std::string ClassName() const override { return "TspSkinHintWindow"; }

  // Shows the hint with its top-left corner at Rect's; the size is the
  // hint's own.
  void ActivateHint(const TRect& Rect, const std::string& AHint) override;
  // The size ActivateHint will give the hint, at (0, 0).
  TRect CalcHintRect(int MaxWidth, const std::string& AHint, void* AData) override;

  TRect ClientArea{};
  TPoint LeftTopPoint{}, RightTopPoint{}, LeftBottomPoint{}, RightBottomPoint{};
  TspSkinHint* HintComponent = nullptr;
  TspSkinData* SkinData = nullptr;  // null: the default look
  std::unique_ptr<TBitmap> ScreenImage;
  // The window's region; the window owns it once installed.
  HRGN Region = nullptr;
  bool AppliedAlphaBlend = false;
  int AppliedAlphaBlendValue = 0;
  bool Extended = false;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void Dispatch(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  // Takes the component in charge, the skin and the font for a hint; false
  // when no active component is there.
  bool Prepare();
  // The hint's size for the text (already split into lines).
  TSize HintSize(const std::string& text);
  void ApplyRegion(int width, int height);
  void ApplyAlpha(HWND h);
  void FadeIn(HWND h);
  void SetHintFont(TFont* font) const;
  // The measured size of text in the canvas's font.
  static TSize TextSize(TCanvas* canvas, const std::string& text);
  void PaintText(TCanvas* c, int width, int height);
  bool HasImage() const;
  void Watch(TComponent*& field, TComponent* value);

  // The title and image of the hint on show, taken when it opened.
  std::string title_;
  int imageIndex_ = 0;
  TImageList* images_ = nullptr;
  TComponent* watchedSkin_ = nullptr;
  TComponent* watchedHint_ = nullptr;
  TComponent* watchedImages_ = nullptr;
};

class TspSkinHint : public TComponent {
 public:
  explicit TspSkinHint(TComponent* AOwner);
  ~TspSkinHint() override;
  std::string ClassName() const override { return "TspSkinHint"; }

  // Every occurrence starts a new line; an empty one splits nothing.
  std::string LineSeparator = "@";
  TFont* DefaultFont() const { return defaultFont_.get(); }
  void SetDefaultFont(const TFont* value);
  bool UseSkinFont = true;
  bool AlphaBlendSupport() const { return alphaBlendSupport_; }
  void SetAlphaBlendSupport(bool value);
  bool AlphaBlend = false;
  Byte AlphaBlendValue = 200;
  bool AlphaBlendAnimation = false;
  TspSkinData* SkinData() const { return skinData_; }
  void SetSkinData(TspSkinData* value);
  bool Active() const { return active_; }
  void SetActive(bool value);
  // Called after the hinted control's title and image were taken.
  TShowHintEvent OnShowHint;

  TspSkinHintWindow* HintWindow = nullptr;  // owned
  TTimer* DelayTimer = nullptr;             // owned while a requested hint waits or shows
  std::string PendingText;
  std::string Title;
  int ImageIndex = 0;
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* value);

  // The application's show-hint callback: takes the title and image of a
  // skinned control, then calls OnShowHint.
  void ShowHintHandler(std::string& HintStr, bool& CanShow, THintInfo& HintInfo);
  // Shows text below the cursor after the application's HintPause, for its
  // HintHidePause.
  void ShowHintLater(const std::string& text);
  void ShowNow();
  void HideHint();

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void InstallHandler();
  void ClearExtras();

  std::unique_ptr<TFont> defaultFont_;
  bool alphaBlendSupport_ = true;
  TspSkinData* skinData_ = nullptr;
  bool active_ = true;
  TImageList* images_ = nullptr;
};

// The first TspSkinHint with Active set owned by the application's main
// form; null without a main form.
TspSkinHint* FindActiveHint();
// Pixel rows of the current cursor below its hot spot.
int CursorHeightBelowHotSpot();
// The same for a given cursor; the system cursor height when its image
// cannot be read.
int CursorHeightBelowHotSpot(HCURSOR cursor);
// Every occurrence of separator replaced by LF, CR; nothing for an empty
// separator.
std::string SplitHintLines(const std::string& text, const std::string& separator);
