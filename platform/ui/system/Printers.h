// The printer object as far as the font lists need it. Linux offers no
// GDI-style printer device here, so there are no printers and no printer
// fonts: both lists are empty and stay empty.
#pragma once
#include <memory>
#include <vector>

#include "platform/gdi/FontFamilies.h"
#include "platform/rtl/StringList.h"

class TPrinter : public TObject {
 public:
  TPrinter();
  ~TPrinter() override;
  std::string ClassName() const override { return "TPrinter"; }
  // The current printer's families as the screen enumeration describes its
  // own (ScreenFontFamilies): none without a printer.
  std::vector<FontFamilyInfo> FontFamilies() const { return families_; }
  // Their names: none without a printer.
  TStrings* Fonts() const { return fonts_.get(); }
  // Installed printer names: none.
  TStrings* Printers() const { return printers_.get(); }
  // -1: no printer selected (there is none to select).
  int PrinterIndex() const { return printers_->Count() > 0 ? 0 : -1; }

 private:
  std::vector<FontFamilyInfo> families_;
  std::unique_ptr<TStringList> fonts_;
  std::unique_ptr<TStringList> printers_;
};

// The process-wide printer object, made on first use.
TPrinter* Printer();
