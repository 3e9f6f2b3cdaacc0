#include "themed/panels/KZUSideChannel.h"

#include "platform/graphics/Bitmap.h"
#include "platform/ui/controls/SpeedButton.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Timer.h"
#include "platform/ui/system/UiMessages.h"
#include "platform/user/User.h"
#include "themed/buttons/KZUButton.h"

namespace {

constexpr int SideChannelStep = 15;
constexpr int SideChannelMinOpenWidth = 50;
constexpr int SideChannelBarWidth = 10;
constexpr int SideChannelTitleHeight = 16;

}  // namespace

TkzuSideChannel::TkzuSideChannel(TComponent* AOwner) : TCustomPanel(AOwner) {
  sideBar_ = new TPanel(this);
  sideBar_->SetParent(this);
  sideBar_->TControl::SetAlign(alLeft);
  sideBar_->SetWidth(SideChannelBarWidth);
  sideBar_->SetBevelInner(bvNone);
  sideBar_->SetBevelOuter(bvNone);
  sideBar_->SetCaption("");
  sideBar_->OnMouseMove = [this](TObject*, TShiftState, int, int) { BarMouseMove(); };
  sideBar_->OnClick = [this](TObject*) { BarClick(); };

  barButton_ = new TkzuButton(this);
  barButton_->SetParent(sideBar_);
  barButton_->SetLeft(0);
  barButton_->SetTop(0);
  barButton_->SetUIStyle(TkzuUIStyle::Custom);
  barButton_->SetPicNormalResName("SIDECHANNEL_BAR_NORMAL");
  barButton_->SetPicMouseOnResName("SIDECHANNEL_BAR_MOUSEON");
  barButton_->SetPicMouseDownResName("SIDECHANNEL_BAR_MOUSEON");
  barButton_->SetTabStop(false);
  barButton_->SetAutoSize(true);
  barButton_->OnMouseMove = [this](TObject*, TShiftState, int, int) { BarMouseMove(); };
  barButton_->OnClick = [this](TObject*) { BarClick(); };

  titlePanel_ = new TPanel(this);
  titlePanel_->SetParent(this);
  titlePanel_->TControl::SetAlign(alTop);
  titlePanel_->SetHeight(SideChannelTitleHeight);
  titlePanel_->SetBevelInner(bvNone);
  titlePanel_->SetBevelOuter(bvNone);
  titlePanel_->SetCaption("");
  titlePanel_->OnMouseMove = [this](TObject*, TShiftState, int, int) { BarMouseMove(); };
  titlePanel_->OnResize = [this](TObject*) { PlacePinButton(); };

  pinButton_ = new TSpeedButton(this);
  pinButton_->SetParent(titlePanel_);
  pinButton_->SetFlat(true);
  pinButton_->SetBounds(0, 0, 20, 16);
  pinButton_->SetGroupIndex(1);
  pinButton_->SetAllowAllUp(true);
  SetGlyph("SIDECHANNEL_BTN_NOONTOP");
  pinButton_->OnClick = [this](TObject*) { PinClick(); };
  PlacePinButton();

  timer_ = new TTimer(this);
  timer_->SetInterval(500);
  timer_->SetEnabled(false);
  timer_->SetOnTimer([this](TObject*) { TimerTick(); });

  SetBevelOuter(bvNone);
  TCustomPanel::SetAlign(alLeft);
  TCustomPanel::SetCaption(" ");
  SetColor(GetOwnerFormPanelColor(AOwner));
  SetSideBarColor(Color());
  if (!(ComponentState() & csDesigning)) Push(true);
}

TkzuSideChannel::~TkzuSideChannel() { *alive_ = false; }

void TkzuSideChannel::SetGlyph(const char* name) {
  TBitmap b;
  if (TryLoadThemeBitmap(name, b)) pinButton_->SetGlyph(&b);
}

void TkzuSideChannel::PlacePinButton() {
  pinButton_->SetLeft(titlePanel_->ClientWidth() - pinButton_->TControl::Width());
}

void TkzuSideChannel::SetWidth(int v) {
  openWidth_ = v;
  if (ComponentState() & csDesigning) TControl::SetWidth(v);
}

TColor TkzuSideChannel::SideBarColor() const { return sideBar_->Color(); }

void TkzuSideChannel::SetSideBarColor(TColor v) {
  sideBar_->SetColor(v);
  titlePanel_->SetColor(v);
}

int TkzuSideChannel::SideBarWidth() const { return sideBar_->TControl::Width(); }

void TkzuSideChannel::SetSideBarWidth(int v) {
  sideBar_->SetWidth(v);
  if (!(ComponentState() & csDesigning)) Push(true);
}

void TkzuSideChannel::SetCaption(const std::string& v) {
  caption_ = v;
  if (IsOpen()) titlePanel_->SetCaption(v);
}

TAlignment TkzuSideChannel::Alignment() const { return titlePanel_->Alignment(); }
void TkzuSideChannel::SetAlignment(TAlignment v) { titlePanel_->SetAlignment(v); }

void TkzuSideChannel::SetAlign(TkzuSideChannelAlign v) {
  align_ = v;
  TCustomPanel::SetAlign(v == TkzuSideChannelAlign::kzuRight ? alRight : alLeft);
}

bool TkzuSideChannel::StepAndPump(int width) {
  auto alive = alive_;
  TControl::SetWidth(width);
  Refresh();
  Application->ProcessMessages();
  return *alive;
}

void TkzuSideChannel::Pop(bool quick) {
  sliding_ = true;
  pinButton_->SetVisible(true);
  if (!quick)
    for (int w = TControl::Width(); w + SideChannelStep < openWidth_;) {
      w += SideChannelStep;
      if (!StepAndPump(w)) return;
    }
  TControl::SetWidth(openWidth_);
  Refresh();
  timer_->SetEnabled(!pinButton_->Down());
  sliding_ = false;
  titlePanel_->SetCaption(caption_);
  if (OnPop) OnPop(this);
}

void TkzuSideChannel::Push(bool quick) {
  sliding_ = true;
  timer_->SetEnabled(false);
  if (!quick)
    for (int w = TControl::Width(); SideBarWidth() < w - SideChannelStep;) {
      w -= SideChannelStep;
      if (!StepAndPump(w)) return;
    }
  TControl::SetWidth(SideBarWidth());
  Refresh();
  pinButton_->SetVisible(false);
  titlePanel_->SetCaption("");
  sliding_ = false;
  if (OnPush) OnPush(this);
}

void TkzuSideChannel::BarMouseMove() {
  if (!IsOpen() && PopupMode == TkzuSideChannelPopupMode::kzuMouseOn) Pop(QuickMove);
}

void TkzuSideChannel::BarClick() {
  if (PopupMode == TkzuSideChannelPopupMode::kzuMouseClick) Pop(QuickMove);
}

void TkzuSideChannel::TimerTick() {
  if (!Parent()) {
    Push(QuickMove);
    return;
  }
  POINT p;
  GetCursorPos(&p);
  const TPoint tl = ClientToScreen(TPoint{0, 0});
  const bool inside = p.X > tl.X && p.Y > tl.Y && p.X < tl.X + TControl::Width() - 1 &&
                      p.Y < tl.Y + Height() - 1;
  if (!inside) Push(QuickMove);
}

void TkzuSideChannel::PinClick() {
  const bool down = pinButton_->Down();
  timer_->SetEnabled(!down && IsOpen());
  SetGlyph(down ? "SIDECHANNEL_BTN_ONTOP" : "SIDECHANNEL_BTN_NOONTOP");
  stayOn_ = down;
}

void TkzuSideChannel::SetStayOn(bool v) {
  stayOn_ = v;
  const bool running = !(ComponentState() & csDesigning);
  if (v) {
    if (running) Pop(QuickMove);
    pinButton_->SetDown(true);
  } else {
    pinButton_->SetDown(false);
    if (running) Push(true);
  }
  if (running) PinClick();
}

void TkzuSideChannel::Resize() {
  if (!sliding_ && SideBarWidth() < TControl::Width()) openWidth_ = TControl::Width();
  TCustomPanel::Resize();
}

bool TkzuSideChannel::CanResize(int& NewWidth, int& NewHeight) {
  bool ok = TCustomPanel::CanResize(NewWidth, NewHeight);
  if (!sliding_ && pinButton_ && pinButton_->Visible() && NewWidth < SideChannelMinOpenWidth) ok = false;
  return ok;
}

void TkzuSideChannel::Dispatch(TMessage& Message) {
  TCustomPanel::Dispatch(Message);
  if (Message.Msg == CM_FONTCHANGED && titlePanel_) titlePanel_->Font()->Assign(Font());
}
