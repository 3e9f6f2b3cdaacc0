#include "platform/ui/Printers.h"

#include <gtest/gtest.h>

namespace {

TEST(Printers, NoPrinterMeansNoPrintersAndNoPrinterFonts) {
  TPrinter* p = Printer();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Printer(), p);  // one object for the process
  EXPECT_EQ(p->Printers()->Count(), 0);
  EXPECT_EQ(p->Fonts()->Count(), 0);
  EXPECT_EQ(p->PrinterIndex(), -1);
}

}  // namespace
