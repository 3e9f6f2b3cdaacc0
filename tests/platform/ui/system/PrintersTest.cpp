#include "platform/ui/system/Printers.h"

#include <gtest/gtest.h>

namespace {

TEST(Printers, NoPrinterMeansNoPrintersAndNoPrinterFonts) {
  TPrinter* p = Printer();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Printer(), p);  // one object for the process
  ASSERT_FALSE(ScreenFontFamilies().empty());  // the screen has fonts; the printer still has none
  EXPECT_EQ(p->Printers()->Count(), 0);
  EXPECT_EQ(p->Fonts()->Count(), 0);
  EXPECT_TRUE(p->FontFamilies().empty());
  EXPECT_EQ(p->PrinterIndex(), -1);
}

}  // namespace
