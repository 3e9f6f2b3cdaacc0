// The frame objects of a skinned form: the root class every caption button,
// caption, indicator and frame menu item derives from, and the factory the
// controller creates them through.
//
// The controller (TspBrenvale) owns its objects in ObjectList, in the order of
// the skin's SKINOBJECTS descriptions; that order is also the hit-test order.
// It calls, per mouse move over the frame, HitTest on the objects whose
// ObjectRect holds the point, MouseEnter/MouseLeave when the hovered object
// changes, and MouseDown/MouseUp/MouseMove/DblClick on the hovered or pressed
// one; it paints them with Draw (UpDate False while it paints the whole
// frame, True when it redraws one object alone). The controller knows no
// concrete class: what it needs of an object beyond the root fields it asks
// through the virtual queries at the end of the class.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"
#include "skin/engine/SkinDataIni.h"

class TBitmap;
class TCanvas;
class TMenuItem;
class TspBrenvale;
class TspSkinData;
class TspDataSkinObject;
class TspDataSkinMainMenuItem;

// What an object is, for the controller's bookkeeping (border icons,
// caption text, activation, menu items). One value per concrete class.
enum class TspObjectKind {
  Object,          // the root class itself
  User,            // TspUserObject
  Button,          // TspSkinButtonObject
  StdButton,       // TspSkinStdButtonObject: a caption button
  MainMenuItem,    // TspSkinMainMenuItem
  Caption,         // TspSkinCaptionObject
  Animate,         // TspSkinAnimateObject
  Gauge,           // TspSkinGaugeObject
  Switch,          // TspSkinSwitchObject
  TrackBar,        // TspSkinTrackBarObject
  Label,           // TspSkinLabelObject
  BitLabel,        // TspSkinBitLabelObject
  FrameRegulator,  // TspSkinFrameRegulatorObject
  FrameGauge       // TspSkinFrameGaugeObject
};

class TspActiveSkinObject : public TObject {
 public:
  // Description may be null (the default look's caption buttons): then only
  // Controller, SkinData, Enabled and Visible are set. Otherwise every field
  // below is copied from it; the description stays the skin's (never
  // written).
  TspActiveSkinObject(TspBrenvale* AController, TspDataSkinObject* Description);
  ~TspActiveSkinObject() override;
  std::string ClassName() const override { return "TspActiveSkinObject"; }

  TspBrenvale* Controller = nullptr;
  double MorphRatio = 0.0;
  bool PointerInside = false;
  TBitmap* Picture = nullptr;        // the skin's Picture, or RollUpPicture for RollUp objects
  TBitmap* ActivePicture = nullptr;  // null when the index is -1 or out of range
  TBitmap* MaskPicture = nullptr;
  TspSkinData* SkinData = nullptr;
  std::string IDName;
  std::string Hint;
  TRect SkinRect{}, ActiveSkinRect{}, InActiveSkinRect{};
  bool Morphing = false;
  TspMorphKind MorphKind = mkDefault;
  // Where the object lies, in window coordinates (client coordinates of the
  // whole frame when the form has no non-client area).
  TRect ObjectRect{};
  bool Active = false;
  bool Enabled = true;
  int CursorIndex = -1;
  bool RollUp = false;
  bool Visible = true;
  bool SkinRectInAPicture = false;
  int GlowLayerPictureIndex = -1, GlowLayerMaskPictureIndex = -1;
  int GlowLayerOffsetX = 0, GlowLayerOffsetY = 0;
  int GlowLayerAlphaBlendValue = 255;
  // Hints of caption buttons: the controller fills them (default hints), the
  // button shows RestoreHint while its window is in the restored-to state.
  std::string NormalHint, RestoreHint;

  // ---- Behaviour (X, Y of HitTest relative to ObjectRect's top-left; of
  // the mouse calls in window coordinates) ----
  virtual bool HitTest(int X, int Y);
  virtual void ShowLayer();
  virtual void HideLayer();
  virtual void Draw(TCanvas* Cnvs, bool UpDate);
  virtual void DblClick();
  virtual void MouseDown(int X, int Y, TMouseButton Button);
  virtual void MouseUp(int X, int Y, TMouseButton Button);
  virtual void MouseMove(int X, int Y);
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual bool IsMorphing();

  bool CanMorphing() const;
  // Starts the controller's morph timer, or redraws at once without a morph.
  void StartMorph();
  void MorphStep();
  void SetMorphRatio(double Value);

  // ---- What the controller asks without knowing the class ----
  virtual TspObjectKind Kind() const { return TspObjectKind::Object; }
  // The window command of a caption button or button-style animation
  // (TspSkinCommand), -1 for anything else.
  virtual int Command() const { return -1; }
  // An animation object that acts as a caption button.
  virtual bool ButtonStyle() const { return false; }
  // Caption objects: whether this one shows the form's caption, and the text.
  virtual bool DefaultCaption() const { return false; }
  virtual void SetDefaultCaption(bool /*Value*/) {}
  virtual void SetCaptionText(const std::string& /*Text*/) {}
  // The menu item a button pops or a frame menu item stands for.
  virtual TMenuItem* ObjectMenuItem() const { return nullptr; }
  // Pressed (a button held down, a menu item with its menu open).
  virtual bool IsDown() const { return false; }
  virtual void SetObjectDown(bool /*Value*/) {}
  // Before size loops and on activation: forget hover and press. The root
  // clears Active and PointerInside and sets MorphRatio 0; a caption keeps
  // its state, an animation goes back to its first frame.
  virtual void ResetState();
  // One tick (25 ms) of the controller's animate timer; true when the
  // object stepped and wants more ticks.
  virtual bool AnimateTick() { return false; }
  // The form's activation changed (On) or is being reasserted; captions
  // start their morph or animation here.
  virtual void ActivationChanged(bool /*On*/) {}

  // The current image for the object's state into Cnvs at ObjectRect; used
  // by Draw and the morph.
  void CopyPictureRect(TCanvas* Cnvs, TBitmap* Source, const TRect& SourceRect) const;
};

// How the controller makes its objects. The concrete classes register here
// (the controller itself knows only the root class); a null result skips the
// description.
struct TspSkinObjectFactory {
  // An object for one SKINOBJECTS description (menu items excluded).
  std::function<std::unique_ptr<TspActiveSkinObject>(TspBrenvale* Controller, TspDataSkinObject* Description)>
      FromDescription;
  // A self-drawing caption button without description (the default look).
  std::function<std::unique_ptr<TspActiveSkinObject>(TspBrenvale* Controller, const std::string& IDName,
                                                     TspSkinCommand Command)>
      CaptionButton;
  // A frame menu item for a visible top-level item of the form's main menu.
  std::function<std::unique_ptr<TspActiveSkinObject>(TspBrenvale* Controller, TspDataSkinMainMenuItem* Description,
                                                     TMenuItem* Item)>
      MainMenuItem;
};
// The factory in use; its initial functions are those of the object modules.
TspSkinObjectFactory& SkinObjectFactory();
// The object modules' own functions (what SkinObjectFactory starts with).
TspSkinObjectFactory DefaultSkinObjectFactory();
