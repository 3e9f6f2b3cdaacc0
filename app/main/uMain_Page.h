// The layout every step page shares: the picture in a grey scroll box and,
// at the right, a tool panel with a yellow help note. A page is a borderless
// form that the main window docks into its main panel.
#pragma once
#include <string>
#include <vector>

#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"

class TspSkinTextLabel;

class TStepPage : public TForm {
 public:
  explicit TStepPage(TComponent* AOwner);
  std::string ClassName() const override { return "TStepPage"; }

  TScrollBox* ScrollBox_Image1 = nullptr;
  TImage* Image1 = nullptr;
  TPanel* Pnl_Tool1 = nullptr;
  TShape* Shape_Help = nullptr;
  TspSkinTextLabel* TLbl_Help = nullptr;

  // The page's own work when the wizard enters its step, after the picture
  // is shown; true when it changed WorkImage.
  virtual bool RunFirstPass() { return false; }

 protected:
  // Builds the common layout (call between BeginLayout and EndLayout). The
  // help note is helpHeight pixels high; image replaces the plain picture
  // control when a page needs its own kind.
  void BuildCommonLayout(const std::string& caption, const std::vector<std::string>& help, int helpHeight,
                         TImage* image = nullptr);
  // Every page keeps its picture centred when it is resized.
  void FormResize(TObject* Sender);
};

// The help note's height on pages whose layout names none.
constexpr int kDefaultHelpHeight = 240;
