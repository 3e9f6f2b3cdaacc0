#include "platform/ui/Printers.h"

TPrinter::TPrinter() : fonts_(std::make_unique<TStringList>()), printers_(std::make_unique<TStringList>()) {}

TPrinter::~TPrinter() = default;

TPrinter* Printer() {
  static TPrinter printer;
  return &printer;
}
