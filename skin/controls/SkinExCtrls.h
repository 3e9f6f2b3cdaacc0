// The link image: a picture that opens its address when clicked.
#pragma once
#include <functional>
#include <string>

#include "platform/ui/controls/ExtCtrls.h"

class TspSkinLinkImage : public TImage {
 public:
  explicit TspSkinLinkImage(TComponent* AOwner);
  std::string ClassName() const override { return "TspSkinLinkImage"; }
  std::string URL;
  void Click() override;
};

// What opens an address: the shell's "open" (ShellExecuteA) by default.
// Tests replace it to see the call; its result is never looked at.
using TspShellOpen = std::function<void(const std::string& url)>;
TspShellOpen& SkinLinkOpener();
