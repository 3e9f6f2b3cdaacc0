// The framework's clipboard object over the window layer's clipboard: a
// picture assigned to it goes in as a packed DIB (CF_DIB), so any persistent
// that can draw itself into a bitmap can be assigned to it.
#pragma once
#include <string>

#include "platform/rtl/Object.h"
#include "platform/user/system/Clipboard.h"

class TBitmap;

class TClipboard : public TPersistent {
 public:
  std::string ClassName() const override { return "TClipboard"; }
  // A TBitmap goes in as CF_DIB (replacing what was there); other sources
  // are asked to assign themselves (their AssignTo).
  void Assign(const TPersistent* source) override;
  bool HasFormat(UINT format) const;

 private:
  void AssignBitmap(const TBitmap& bitmap);
};

// The process's one clipboard object.
TClipboard* Clipboard();
