// The numeric edit: the key filter, the value kept with the text, the
// rewrite at the range's far side, OnChange order and the canonical text on
// leaving; the number rules it shares with the spin edit.
#include <gtest/gtest.h>

#include "platform/rtl/SysUtils.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "tests/skin/controls/SkinEditTestSupport.h"

using namespace skinctl;

namespace {

TEST(SkinNumberRules, ValidTextConversionFormatAndRewrite) {
  using namespace spnumber;
  const struct {
    const char* s;
    TspValueType t;
    bool valid, converts;
    double x;
  } texts[] = {
      {"", vtFloat, false, false, 0},        {"-", vtFloat, false, false, 0},
      {"12", vtInteger, true, true, 12},     {"-7", vtInteger, true, true, -7},
      {"1.5", vtInteger, false, false, 0},   {"1.5", vtFloat, true, true, 1.5},
      {".5", vtFloat, false, true, 0.5},      {"-.5", vtFloat, true, true, -0.5},
      {"1.2.3", vtFloat, false, false, 0},   {"1-2", vtInteger, false, false, 0},
      {"--1", vtInteger, false, false, 0},   {"1e5", vtFloat, false, true, 1e5},
      {"-.", vtFloat, true, false, 0},       {"2147483648", vtInteger, true, false, 0},
      {"2147483647", vtInteger, true, true, 2147483647.0},
  };
  for (const auto& c : texts) {
    EXPECT_EQ(IsValidNumberText(c.s, c.t), c.valid) << c.s;
    double x = -99;
    EXPECT_EQ(ConvertNumberText(c.s, c.t, x), c.converts) << c.s;
    if (c.converts) EXPECT_EQ(x, c.x) << c.s;
  }
  EXPECT_EQ(FormatValue(12.3, vtFloat, 2), "12.30");
  EXPECT_EQ(FormatValue(2.5, vtInteger, 2), "2");
  EXPECT_EQ(FormatValue(3.5, vtInteger, 2), "4");
  EXPECT_EQ(FormatValue(-1.005, vtFloat, 0), "-1");
  // Near side of the range stays as typed; far side and wrong signs rewrite.
  EXPECT_FALSE(MustRewriteText(10, 1, 10, 99));
  EXPECT_TRUE(MustRewriteText(99, 150, 10, 99));
  EXPECT_TRUE(MustRewriteText(10, -5, 10, 99));
  EXPECT_TRUE(MustRewriteText(-10, -50, -10, -5));
  EXPECT_FALSE(MustRewriteText(-15, -15, -20, -10));
  EXPECT_TRUE(MustRewriteText(-5, 3, -20, -5));
  EXPECT_FALSE(MustRewriteText(7, 7, 0, 0));
  // The filter.
  EXPECT_TRUE(IsValidChar('5', "", vtInteger, false));
  EXPECT_FALSE(IsValidChar('.', "1", vtInteger, false));
  EXPECT_TRUE(IsValidChar('.', "1", vtFloat, false));
  EXPECT_FALSE(IsValidChar('.', "1.2", vtFloat, false));
  EXPECT_FALSE(IsValidChar('-', "-1", vtFloat, false));
  EXPECT_TRUE(IsValidChar(8, "1", vtFloat, false));
  EXPECT_FALSE(IsValidChar(13, "1", vtFloat, false));
  EXPECT_TRUE(IsValidChar(3, "1", vtFloat, true));
  EXPECT_FALSE(IsValidChar(8, "1", vtFloat, true));
  EXPECT_FALSE(IsValidChar('1', "1", vtFloat, true));
  EXPECT_FALSE(IsValidChar(0x4E00, "", vtFloat, false));
}

class SkinNumericEditTest : public SkinBoxTest {
 protected:
  TspSkinNumericEdit* ed = nullptr;
  void SetUp() override {
    SkinBoxTest::SetUp();
    ed = new TspSkinNumericEdit(form);
    ed->SetParent(form);
    ed->SetBounds(20, 20, 100, 20);
    ed->OnChange = [this](TObject*) { log.push_back(ed->Text() + "=" + FormatFloat(ed->Value())); };
    auto* other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(20, 60, 100, 20);
    other_ = other;
    Show();
  }
  static std::string FormatFloat(double v) {
    return FloatToStr(v);
  }
  void TearDown() override {
    ed->OnChange = nullptr;
    SkinBoxTest::TearDown();
  }
  void Focus() {
    ed->SetFocus();
    Idle();
    ed->SelectAll();
    Key(VK_DELETE);
    Take();
  }
  void Leave() {
    other_->SetFocus();
    Idle();
  }
  TEdit* other_ = nullptr;
};

TEST_F(SkinNumericEditTest, ConstructedAsTheRotateDialogUsesIt) {
  EXPECT_EQ(ed->Text(), "0");
  EXPECT_EQ(ed->Value(), 0.0);
  EXPECT_EQ(ed->Decimal(), 2);
  EXPECT_EQ(ed->Width(), 100);
  EXPECT_EQ(ed->SkinDataName(), "edit");
  EXPECT_FALSE(ed->SupportUpDownKeys);
  EXPECT_TRUE(Take().empty());
}

// Key sequences: what each keystroke leaves shown, the value, the events
// and the beeps.
TEST_F(SkinNumericEditTest, TypingSequences) {
  const struct {
    const char* what;
    TspValueType type;
    double min, max;
    const char* keys;
    Log events;
    double value;
    int beeps;
  } cases[] = {
      {"float, no range", vtFloat, 0, 0, "1.234", {"1=1", "1.=1", "1.2=1.2", "1.23=1.23", "1.234=1.234"}, 1.234, 0},
      {"near side stays as typed, far side rewritten", vtInteger, 10, 99, "500", {"5=10", "50=50", "99=99"}, 99, 0},
      {"a minus alone keeps the value", vtInteger, 0, 0, "-", {"-=0"}, 0, 0},
      {"minus and separator only: no conversion error", vtFloat, 0, 0, "-.", {"-=0", "-.=0"}, 0, 0},
      {"refused characters beep", vtInteger, 0, 0, "1a.2", {"1=1", "12=12"}, 12, 2},
      {"a second separator and minus are refused", vtFloat, 0, 0, "-1.5.-", {"-=0", "-1=-1", "-1.=-1", "-1.5=-1.5"},
       -1.5, 2},
      {"equal bounds: no range", vtInteger, 5, 5, "77", {"7=7", "77=77"}, 77, 0},
      {"below a negative range", vtInteger, -10, -5, "-50", {"-=-5", "-5=-5", "-10=-10"}, -10, 0},
      {"beyond the integer range keeps the last value", vtInteger, 0, 0, "99999999999",
       {"9=9", "99=99", "999=999", "9999=9999", "99999=99999", "999999=999999", "9999999=9999999",
        "99999999=99999999", "999999999=999999999", "9999999999=999999999", "99999999999=999999999"},
       999999999, 0},
  };
  for (const auto& c : cases) {
    ed->SetValueType(c.type);
    ed->SetMinValue(c.min);
    ed->SetMaxValue(c.max);
    ed->SetValue(0);
    Focus();
    const int beeps = MessageBeepCount();
    Type(c.keys);
    EXPECT_EQ(Take(), c.events) << c.what;
    EXPECT_EQ(ed->Value(), c.value) << c.what;
    EXPECT_EQ(MessageBeepCount() - beeps, c.beeps) << c.what;
  }
}

TEST_F(SkinNumericEditTest, LeavingAFloatFieldRoundsToTheShownDigits) {
  ed->SetValueType(vtFloat);
  Focus();
  Type("1.234");
  Take();
  Leave();
  EXPECT_EQ(ed->Text(), "1.23");
  EXPECT_EQ(ed->Value(), 1.23);
  EXPECT_EQ(Take(), (Log{"1.23=1.234", "1.23=1.23"}));
  // An integer field shows its value's text, with one event for the text.
  ed->SetValueType(vtInteger);
  ed->SetMinValue(10);
  ed->SetMaxValue(99);
  Focus();
  Type("5");
  Leave();
  EXPECT_EQ(ed->Text(), "10");
  EXPECT_EQ(Take(), (Log{"5=10", "10=10"}));
}

TEST_F(SkinNumericEditTest, SetValueClampsFormatsAndFiresOnChangeWhenTheTextChanges) {
  ed->SetValueType(vtFloat);
  ed->SetValue(12.3);
  EXPECT_EQ(Take(), (Log{"12.30=12.3"}));
  ed->SetValue(12.3);
  EXPECT_TRUE(Take().empty());
  ed->SetValueType(vtInteger);
  ed->SetValue(2.5);
  EXPECT_EQ(ed->Text(), "2");
  EXPECT_EQ(ed->Value(), 2.5);
  ed->SetMinValue(0);
  ed->SetMaxValue(10);
  ed->SetValue(50);
  EXPECT_EQ(ed->Text(), "10");
  // New bounds alone leave the value until the next edit.
  ed->SetMinValue(20);
  ed->SetMaxValue(30);
  EXPECT_EQ(ed->Value(), 10);
}

TEST_F(SkinNumericEditTest, ReadOnlyBeepsWhileUpAndDownStillStep) {
  ed->SetText("4");
  ed->SetReadOnly(true);
  ed->SupportUpDownKeys = true;
  ed->Increment = 2;
  Focus();  // Delete is refused too
  EXPECT_EQ(ed->Text(), "4");
  const int beeps = MessageBeepCount();
  Type("7");
  Key(VK_BACK);
  EXPECT_EQ(MessageBeepCount() - beeps, 2);
  EXPECT_EQ(ed->Text(), "4");
  Key(VK_UP);
  EXPECT_EQ(ed->Value(), 6);
  EXPECT_EQ(ed->Text(), "6");
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(ed->Text(), "2");
  EXPECT_EQ(Take(), (Log{"6=6", "4=4", "2=2"}));
  // Without the option the arrows only move the caret.
  ed->SupportUpDownKeys = false;
  Key(VK_UP);
  EXPECT_EQ(ed->Value(), 2);
}

TEST_F(SkinNumericEditTest, DefaultLookSnapshots) {
  ed->SetValueType(vtFloat);
  ed->SetValue(-12.5);
  Idle();
  WinSnapshot(ed, "numeric_default");
  EXPECT_EQ(WinPixel(ed, 0, 0), ColorToRGB(clBtnShadow));
  ed->SetEnabled(false);
  Idle();
  WinSnapshot(ed, "numeric_default_disabled");
  LoadWizardSkin();
  ed->SetEnabled(true);
  ed->SetSkinData(skin);
  Idle();
  EXPECT_EQ(ed->Height(), 24);
  WinSnapshot(ed, "numeric_wizard");
}

}  // namespace
