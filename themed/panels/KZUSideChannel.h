// The side channel: a panel docked to the left or right edge of its parent
// that shrinks to a narrow side bar and slides open when the mouse comes
// over the bar (or the bar is clicked), closes again when the mouse leaves
// it, and can be pinned open.
//
// Width reads and writes the open width; the control's current width is
// TControl::Width. A slide pumps messages between steps and stops at once
// when the channel is freed meanwhile.
#pragma once
#include <memory>
#include <string>

#include "platform/ui/controls/ExtCtrls.h"
#include "themed/core/KZUThemes.h"

class TkzuButton;
class TSpeedButton;
class TTimer;

enum class TkzuSideChannelAlign : Byte { kzuLeft = 0, kzuRight = 1 };
enum class TkzuSideChannelPopupMode : Byte { kzuMouseOn = 0, kzuMouseClick = 1 };

class TkzuSideChannel : public TCustomPanel {
 public:
  explicit TkzuSideChannel(TComponent* AOwner);
  ~TkzuSideChannel() override;
  std::string ClassName() const override { return "TkzuSideChannel"; }

  // The open width.
  int Width() const { return openWidth_; }
  void SetWidth(int v);
  TColor SideBarColor() const;
  void SetSideBarColor(TColor v);
  int SideBarWidth() const;
  void SetSideBarWidth(int v);
  std::string Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  TAlignment Alignment() const;
  void SetAlignment(TAlignment v);
  TkzuSideChannelAlign Align() const { return align_; }
  void SetAlign(TkzuSideChannelAlign v);
  using TCustomPanel::SetAlign;
  bool StayOn() const { return stayOn_; }
  void SetStayOn(bool v);
  TkzuSideChannelPopupMode PopupMode = TkzuSideChannelPopupMode::kzuMouseOn;
  bool QuickMove = false;

  void Pop(bool quick);
  void Push(bool quick);
  // Open: wider than the side bar.
  bool IsOpen() const { return SideBarWidth() < TControl::Width(); }
  bool Sliding() const { return sliding_; }

  TNotifyEvent OnPop;
  TNotifyEvent OnPush;
  // The channel's own OnResize and OnCanResize are the framework's fields.

  TPanel* SideBar() const { return sideBar_; }
  TkzuButton* BarButton() const { return barButton_; }
  TPanel* TitlePanel() const { return titlePanel_; }
  TSpeedButton* PinButton() const { return pinButton_; }
  TTimer* AutoCloseTimer() const { return timer_; }

 protected:
  void Resize() override;
  bool CanResize(int& NewWidth, int& NewHeight) override;
  void Dispatch(TMessage& Message) override;

 private:
  void BarMouseMove();
  void BarClick();
  void TimerTick();
  void PinClick();
  void PlacePinButton();
  // Refresh and pump; false when the channel was freed meanwhile.
  bool StepAndPump(int width);
  void SetGlyph(const char* name);

  TPanel* sideBar_ = nullptr;
  TkzuButton* barButton_ = nullptr;
  TPanel* titlePanel_ = nullptr;
  TSpeedButton* pinButton_ = nullptr;
  TTimer* timer_ = nullptr;
  int openWidth_ = 185;
  std::string caption_;
  TkzuSideChannelAlign align_ = TkzuSideChannelAlign::kzuLeft;
  bool stayOn_ = false;
  bool sliding_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
