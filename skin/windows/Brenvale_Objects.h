// The frame objects a skinned form's controller makes from the skin's
// SKINOBJECTS descriptions: the user object (painted by the program), the
// button, the caption button with its window command, the frame main-menu
// item and the caption with its text effects. Each draws itself from the
// skin's pictures at ObjectRect, morphs between its normal and active
// images on the controller's morph timer, shows a glow layer while hovered,
// fires the controller's object events and asks the controller to carry out
// window commands.
#pragma once
#include <memory>
#include <string>

#include "platform/graphics/Graphics.h"
#include "skin/windows/Brenvale_Object.h"

class TBitmap;
class TspLayerManager;
class TspDataSkinCaption;

// ---- Creation --------------------------------------------------------------------------------

// An object for a description of the classes made here (caption button,
// button, caption, user object); null for any other description.
std::unique_ptr<TspActiveSkinObject> CreateCaptionObjectFromDescription(TspBrenvale* Controller,
                                                                        TspDataSkinObject* Description);
// A self-drawing caption button of the default look.
std::unique_ptr<TspActiveSkinObject> CreateDefaultCaptionButton(TspBrenvale* Controller, const std::string& IDName,
                                                                TspSkinCommand Command);
// A frame main-menu item for Item (IDName, Enabled and MenuItem from it).
std::unique_ptr<TspActiveSkinObject> CreateMainMenuItemObject(TspBrenvale* Controller,
                                                              TspDataSkinMainMenuItem* Description, TMenuItem* Item);

// Carries out a caption button's window command (close, maximize, minimize,
// roll-up, minimize to tray); the menu commands are the caller's.
void RunSkinCommand(TspBrenvale* Controller, TspSkinCommand Command);

// ---- User object -------------------------------------------------------------------------------

class TspUserObject : public TspActiveSkinObject {
 public:
  using TspActiveSkinObject::TspActiveSkinObject;
  std::string ClassName() const override { return "TspUserObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::User; }
  // The program paints it (OnPaintEvent); nothing of its own.
  void Draw(TCanvas* Cnvs, bool UpDate) override;
};

// ---- Button ------------------------------------------------------------------------------------

class TspSkinButtonObject : public TspActiveSkinObject {
 public:
  TspSkinButtonObject(TspBrenvale* AController, TspDataSkinObject* Description);
  std::string ClassName() const override { return "TspSkinButtonObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::Button; }

  bool Down = false;
  TRect DownRect{};
  TRect DisableSkinRect{};
  int GroupIndex = -1;  // -1: not grouped
  // The item whose sub-items the button pops up (the system-menu button's).
  TMenuItem* MenuItem = nullptr;

  void ShowLayer() override;
  void HideLayer() override;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  bool IsMorphing() override;

  virtual void SetDown(bool Value);
  TMenuItem* ObjectMenuItem() const override { return MenuItem; }
  bool IsDown() const override { return Down; }
  void SetObjectDown(bool Value) override { SetDown(Value); }
  void ResetState() override;

 protected:
  // Pops MenuItem's sub-items below the object.
  void PopupItemMenu();
  // The pressed button of the same group goes up.
  void ReleaseGroupButton();
  // The glow layer this button uses: the menu one while it carries a menu.
  TspLayerManager* GlowLayer() const;
  bool GlowAllowed() const;
  void Redraw();
};

// ---- Caption button ------------------------------------------------------------------------------

class TspSkinStdButtonObject : public TspSkinButtonObject {
 public:
  // From a "stdbutton" description.
  TspSkinStdButtonObject(TspBrenvale* AController, TspDataSkinObject* Description);
  // A button of the default look: no description, draws itself.
  TspSkinStdButtonObject(TspBrenvale* AController, const std::string& AIDName, TspSkinCommand ACommand);
  std::string ClassName() const override { return "TspSkinStdButtonObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::StdButton; }
  int Command() const override { return int(ButtonCommand); }

  bool Skinned = false;
  TspSkinCommand ButtonCommand = cmDefault;
  TRect RestoreRect{}, RestoreActiveRect{}, RestoreDownRect{}, RestoreInActiveRect{};

  bool HitTest(int X, int Y) override;
  void ShowLayer() override;
  void HideLayer() override;
  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void DblClick() override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;
  bool IsMorphing() override;
  void SetDown(bool Value) override;

  // The window shows the state this button undoes (maximized for the
  // maximize button, minimized, rolled up).
  bool InRestoreState() const;
  // The system-menu button showing the form's icon.
  bool IconMode() const;
  // Carries out the button's window command.
  void DoCommand();

 private:
  void DrawDefault(TCanvas* Cnvs);
  void DrawRestore(TCanvas* Cnvs);
};

// ---- Frame main-menu item --------------------------------------------------------------------------

class TspSkinMainMenuItem : public TspActiveSkinObject {
 public:
  TspSkinMainMenuItem(TspBrenvale* AController, TspDataSkinMainMenuItem* Description);
  std::string ClassName() const override { return "TspSkinMainMenuItem"; }
  TspObjectKind Kind() const override { return TspObjectKind::MainMenuItem; }

  bool Down = false;
  bool SavedEnabled = true;
  bool Fits = true;
  TMenuItem* MenuItem = nullptr;
  TRect NCRect{};
  std::string FontName = "Arial";
  int FontHeight = 14;
  TFontStyles FontStyle = 0;
  TColor UnEnabledFontColor = 0, FontColor = 0, ActiveFontColor = 0, DownFontColor = 0;
  TRect TextRect{};
  TRect DownRect{};
  int ItemLeftOffset = 0, ItemRightOffset = 0;

  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;

  void SetDown(bool Value);
  TMenuItem* ObjectMenuItem() const override { return MenuItem; }
  bool IsDown() const override { return Down; }
  void SetObjectDown(bool Value) override { SetDown(Value); }

  // The item's rectangle for its caption, after the one before it.
  TRect ItemRect(bool UpDate);
  // The item image from source (ends kept, middle tiled) with the caption.
  void BuildItemImage(TBitmap* Image, const TRect& Source, TColor TextColor);

 private:
  void PopupSubMenu();
  std::string ItemCaption() const;
};

// ---- Caption ----------------------------------------------------------------------------------------

class TspSkinCaptionObject : public TspActiveSkinObject {
 public:
  TspSkinCaptionObject(TspBrenvale* AController, TspDataSkinObject* Description);
  std::string ClassName() const override { return "TspSkinCaptionObject"; }
  TspObjectKind Kind() const override { return TspObjectKind::Caption; }

  std::string FontName = "Arial";
  TFontStyles FontStyle = 0;
  int FontHeight = 14;
  TColor FontColor = 0, ActiveFontColor = 0;
  TColor ShadowColor = 0, ActiveShadowColor = 0;
  bool Shadow = false;
  Byte Alignment = 2;  // 0 left, 1 right, 2 centre
  TRect TextRect{};
  bool FDefaultCaption = false;
  TRect FrameRect{}, ActiveFrameRect{};
  int FrameLeftOffset = 0, FrameRightOffset = 0;
  TRect FrameTextRect{};
  TColor LightColor = 0, ActiveLightColor = 0;
  bool Light = false;
  bool StretchEffect = false;
  int TimerCount = 0;
  TRect AnimateSkinRect{};
  int FrameCount = 0;
  int AnimateInterval = 25;
  int AnimFrame = 0;
  bool InActiveAnimation = false;
  bool FullFrame = false;
  bool VistaGlowEffect = false, VistaGlowInactiveEffect = false;
  bool GlowEffect = false, GlowInactiveEffect = false;
  int GlowSize = 3;
  TColor GlowColor = 0, GlowActiveColor = 0;
  int GlowOffset = 0;
  bool ReflectionEffect = false;
  TColor ReflectionColor = 0, ReflectionActiveColor = 0;
  int ReflectionOffset = 0;
  // The text set by the controller; the form's caption is used when the
  // object has a form.
  std::string CaptionText;

  void Draw(TCanvas* Cnvs, bool UpDate) override;
  void MouseDown(int X, int Y, TMouseButton Button) override;
  void MouseUp(int X, int Y, TMouseButton Button) override;
  void MouseEnter() override;
  void MouseLeave() override;

  bool DefaultCaption() const override { return FDefaultCaption; }
  void SetDefaultCaption(bool Value) override { FDefaultCaption = Value; }
  void SetCaptionText(const std::string& Text) override { CaptionText = Text; }
  void ResetState() override {}
  bool AnimateTick() override;
  void ActivationChanged(bool On) override;

  bool CanAnimate() const;
  // Where the strip lies in the frame: 0 unscaled, 1 top, 2 bottom, 3 left,
  // 4 right border.
  int Place() const;
  // The text rectangle in object coordinates for the current size.
  TRect CurrentTextRect() const;
  // The text drawn (the form's caption, with a maximized MDI child's).
  std::string Text() const;
  // The strip image of ObjectRect's size from Source of Picture (the
  // place-dependent build; Horizontal forces the build along x).
  void BuildStripImage(TBitmap* Image, TBitmap* Picture, const TRect& Source, bool Horizontal) const;
  // The caption text with its frame and effects into Cnvs at (OX, OY).
  void DrawCaptionText(TCanvas* Cnvs, TCanvas* Target, int OX, int OY, bool A, TColor Color);
  // The skin's inactive effect on image.
  void ApplyInactiveEffect(TBitmap* Image) const;

 private:
  void SetCaptionFont(TCanvas* Cnvs, TColor Color) const;
};
