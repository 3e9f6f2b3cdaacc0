// The layout every step page shares: the picture in a grey scroll box and,
// at the right, a tool panel with a yellow help note. A page is a borderless
// form that the main window docks into its main panel.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"

class TspSkinTextLabel;
class TTimer;

class TStepPage : public TForm {
 public:
  explicit TStepPage(TComponent* AOwner);
  ~TStepPage() override;
  std::string ClassName() const override { return "TStepPage"; }

  TScrollBox* ScrollBox_Image1 = nullptr;
  TImage* Image1 = nullptr;
  TPanel* Pnl_Tool1 = nullptr;
  TShape* Shape_Help = nullptr;
  TspSkinTextLabel* TLbl_Help = nullptr;

  // The page's own work when the wizard enters its step, after the picture
  // is shown; true when it changed WorkImage.
  virtual bool RunFirstPass() { return false; }

  // A slider's work, done for its newest value only. With no key or button
  // press waiting it runs at once. While presses wait in the queue (a
  // slider stepped faster than its work runs, its changes queued behind
  // that work), it waits until they are handled: each later change
  // replaces the waiting work, so the work runs once, for the last value,
  // at the last change or from a timer, which the queue hands out only
  // after every input.
  void RunForLatestValue(std::function<void()> work);
  // Work waiting for the input ahead of it.
  bool LatestWorkWaiting() const { return bool(latest_); }
  // Runs the waiting work now: another action (undo, the next step, zoom)
  // comes after the changes the user made before it.
  void RunLatestWorkNow();
  // Forgets the waiting work: what it was for is gone.
  void DropLatestWork();

 protected:
  // Builds the common layout (call between BeginLayout and EndLayout). The
  // help note is helpHeight pixels high; image replaces the plain picture
  // control when a page needs its own kind.
  void BuildCommonLayout(const std::string& caption, const std::vector<std::string>& help, int helpHeight,
                         TImage* image = nullptr);
  // Every page keeps its picture centred when it is resized.
  void FormResize(TObject* Sender);

 private:
  void LatestTimer(TObject*);
  std::function<void()> latest_;
  std::unique_ptr<TTimer> latestTimer_;
};

// The help note's height on pages whose layout names none.
constexpr int kDefaultHelpHeight = 240;
