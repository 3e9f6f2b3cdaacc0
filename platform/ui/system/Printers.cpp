#include "platform/ui/system/Printers.h"

// With no printer both family lists stay empty; there are no printer errors
// to report.
TPrinter::TPrinter() : fonts_(std::make_unique<TStringList>()), printers_(std::make_unique<TStringList>()) {}

TPrinter::~TPrinter() = default;

TPrinter* Printer() {
  static TPrinter printer;
  return &printer;
}
