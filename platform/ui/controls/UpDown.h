// TUpDown: a pair of arrow buttons drawn plainly. A press on a button steps
// Position by Increment at once, again after 400 ms and then every 100 ms
// while the pointer stays on the pressed button. Each step asks first
// (WM_NOTIFY/UDN_DELTAPOS to the parent, then OnChanging; either may refuse),
// then moves (wrapping past an end with Wrap, else stopping there), writes
// the position into the Associate's text, tells the parent (WM_VSCROLL or
// WM_HSCROLL with SB_THUMBPOSITION) and runs OnClick with the button.
//
// An Associate (an edit-like control with the same parent) gets the
// up-down placed at its side, its width shrunk by the up-down's, and, with
// ArrowKeys, its Up and Down keys step the position; a number typed into it
// is read back before the next step.
#pragma once
#include <functional>
#include <string>

#include "platform/ui/controls/Controls.h"

constexpr UINT UDM_SETRANGE = WM_USER + 101;
constexpr UINT UDM_GETRANGE = WM_USER + 102;
constexpr UINT UDM_SETPOS = WM_USER + 103;
constexpr UINT UDM_GETPOS = WM_USER + 104;
constexpr UINT UDM_SETBUDDY = WM_USER + 105;
constexpr UINT UDM_GETBUDDY = WM_USER + 106;
constexpr UINT UDM_SETBASE = WM_USER + 109;
constexpr UINT UDM_GETBASE = WM_USER + 110;
constexpr UINT UDM_SETRANGE32 = WM_USER + 111;
constexpr UINT UDM_GETRANGE32 = WM_USER + 112;
constexpr UINT UDM_SETPOS32 = WM_USER + 113;
constexpr UINT UDM_GETPOS32 = WM_USER + 114;

constexpr UINT UDN_DELTAPOS = UINT(-722);

struct NMUPDOWN {
  NMHDR hdr;
  int iPos = 0;
  int iDelta = 0;
};

enum TUDBtnType { btNext, btPrev };
enum TUDAlignButton { udLeft, udRight };
enum TUDOrientation { udHorizontal, udVertical };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TUpDown : public TCustomControl {
 public:
  explicit TUpDown(TComponent* AOwner);
  ~TUpDown() override;
  std::string ClassName() const override { return "TUpDown"; }

  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetMin(int v);
  void SetMax(int v);
  int Position() const { return position_; }
  // Clamped into the range; updates the associate's text; no events.
  void SetPosition(int v);
  int Increment = 1;
  bool Wrap = false;
  bool ArrowKeys = true;
  // Thousands separators in the associate's text.
  bool Thousands() const { return thousands_; }
  void SetThousands(bool v);
  TUDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TUDOrientation v);
  TUDAlignButton AlignButton() const { return alignButton_; }
  void SetAlignButton(TUDAlignButton v);
  TWinControl* Associate() const { return associate_; }
  void SetAssociate(TWinControl* v);
  // The button held down (-1: none).
  int PressedButton() const { return pressed_; }
  // Steps as a press on the button would (once).
  void StepBy(TUDBtnType Button);

  // Hides the framework's OnClick: up-downs say which button.
  TUDClickEvent OnClick;
  TUDChangingEvent OnChanging;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

 protected:
  void Paint() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual bool CanChange();
  virtual void ClickButton(TUDBtnType Button);

 private:
  TRect ButtonRect(TUDBtnType b) const;
  void PlaceBesideAssociate();
  void UpdateAssociateText();
  void ReadAssociateText();
  void Unhook();
  void AssociateWndProc(TMessage& Message);

  int min_ = 0, max_ = 100, position_ = 0;
  bool thousands_ = true;
  TUDOrientation orientation_ = udVertical;
  TUDAlignButton alignButton_ = udRight;
  TWinControl* associate_ = nullptr;
  TWndMethod associateOldProc_;
  int pressed_ = -1;
  bool overPressed_ = false;
  int base_ = 10;
};
