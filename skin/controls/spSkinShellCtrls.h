// The desktop shell folder the library keeps while the program runs. There
// is no shell namespace to browse here; the object stands for it so start-up
// and shut-down keep their order, and nothing else uses it.
#pragma once
#include <string>

#include "platform/rtl/Object.h"

class TspShellFolder : public TObject {
 public:
  std::string ClassName() const override { return "TspShellFolder"; }
  TspShellFolder* Parent = nullptr;
  int Level = 0;
  // The folder's path: the user's desktop.
  std::string Path;
};

// The desktop folder object made at start-up, or null after shut-down.
TspShellFolder* SkinDesktopFolder();
