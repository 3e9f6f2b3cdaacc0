// The skinned menu speed button: a speed button with a drop-down. A press
// opens a skinned popup menu or an images menu below it, either anywhere on
// the button or, in track-button mode, only in a 15-pixel track area at its
// right (or bottom) edge, while the rest clicks like a speed button.
#pragma once
#include <memory>

#include "skin/controls/SkinCtrls_SpeedButton.h"

class TspSkinPopupMenu;
class TspDataSkinButtonControl;

enum TspTrackPosition { sptpRight = 0, sptpBottom = 1 };

class TspSkinMenuSpeedButton : public TspSkinSpeedButton {
 public:
  explicit TspSkinMenuSpeedButton(TComponent* AOwner);
  ~TspSkinMenuSpeedButton() override;
  std::string ClassName() const override { return "TspSkinMenuSpeedButton"; }

  static constexpr int kTrackSize = 15;

  TNotifyEvent OnShowTrackMenu;
  TNotifyEvent OnHideTrackMenu;
  bool TrackPressed = false;
  bool ArrowMarker = false;
  int ArrowKind = 0;

  bool TrackButtonMode() const { return trackButtonMode_; }
  void SetTrackButtonMode(bool v);
  TspSkinPopupMenu* SkinPopupMenu() const { return skinPopupMenu_; }
  void SetSkinPopupMenu(TspSkinPopupMenu* v);
  bool NewStyle() const { return newStyle_; }
  void SetNewStyle(bool v);
  TspTrackPosition TrackPosition() const { return trackPosition_; }
  void SetTrackPosition(TspTrackPosition v);

  bool IsInTrackArea(int X, int Y);
  TRect GetTrackButtonRect() const;
  void ShowTrackMenu();
  // The images menu closed.
  void CloseTrackMenu();
  void GetSkinData() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateButtonSkinImage(TBitmap* B, const TRect& state, bool ADown, bool AMouseIn) override;
  void CreateControlDefaultImage(TBitmap* B) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void MouseEnterButton() override;
  void MouseLeaveButton() override;

 private:
  // The description's key is none of the generic button kinds.
  bool MenuButtonKind() const;
  bool Described() const { return ControlIndex != -1; }
  void DrawTrackImage(TBitmap* B, bool ADown, bool AMouseIn, bool nineParts);
  void DrawNewStyleImage(TBitmap* B, bool ADown, bool AMouseIn);
  void DrawButtonDescription(TCanvas* C, const TspDataSkinButtonControl* D, bool pressed, bool in, const TRect& R);
  void DrawNewStyleDefaultImage(TBitmap* B);
  void DrawTrackMarker(TCanvas* C, TRect box, bool mouseIn, bool down);
  void PaintFlat();
  // The reset of a closed menu, shared by both menus' close calls.
  void MenuClosed(bool pointerFirst);
  bool AnyMenuOpen() const;
  TRect TrackArea() const;

  bool trackButtonMode_ = false;
  TspSkinPopupMenu* skinPopupMenu_ = nullptr;
  bool newStyle_ = false;
  TspTrackPosition trackPosition_ = sptpRight;
  TRect trackbuttonrect_;
  bool rawDownSkinRect_ = false;  // the description has a downskinrect of its own
};
