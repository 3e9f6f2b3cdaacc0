// The platform's stock texts in the user's language: the locale picks the
// table, and the message box, the window menu, the edit menu and the open
// dialog show the chosen texts.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/StockTexts.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/dialogs/Dialogs.h"
#include "tests/platform/ui/dialogs/FileDialogTestFixture.h"

using namespace filedialogtest;

namespace {

TEST(StockLanguage, ComesFromTheFirstLocaleVariableSet) {
  struct TCase {
    const char *lcAll, *lcMessages, *lang;
    TStockLanguage expected;
  } cases[] = {
      {nullptr, nullptr, "zh_CN.UTF-8", TStockLanguage::Chinese},
      {nullptr, nullptr, "zh_TW.Big5", TStockLanguage::Chinese},
      {nullptr, nullptr, "C", TStockLanguage::English},
      {nullptr, nullptr, "en_US.UTF-8", TStockLanguage::English},
      {nullptr, nullptr, nullptr, TStockLanguage::English},
      {"C", nullptr, "zh_CN.UTF-8", TStockLanguage::English},
      {"", "zh_CN.UTF-8", "C", TStockLanguage::Chinese},
      {"", "", "zh_SG.GB2312", TStockLanguage::Chinese},
      {nullptr, "en_GB", "zh_CN.UTF-8", TStockLanguage::English},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.lcAll ? c.lcAll : "-") + "/" + (c.lcMessages ? c.lcMessages : "-") + "/" +
                 (c.lang ? c.lang : "-"));
    EXPECT_EQ(StockLanguageFromLocale(c.lcAll, c.lcMessages, c.lang), c.expected);
  }
}

TEST(StockText, TranslatesKnownTextsAndKeepsOthers) {
  SetStockLanguage(TStockLanguage::Chinese);
  EXPECT_EQ(StockText("Ma&ximize"), "最大化(&X)");
  EXPECT_EQ(StockText("Not a stock text"), "Not a stock text");
  EXPECT_EQ(StockFormat("Size must be between %s and %s points.", {"8", "72"}), "大小必须介于 8 和 72 磅之间。");
  SetStockLanguage(TStockLanguage::English);
  EXPECT_EQ(StockText("Ma&ximize"), "Ma&ximize");
  EXPECT_EQ(StockFormat("Size must be between %s and %s points.", {"8", "72"}), "Size must be between 8 and 72 points.");
  SetStockLanguage(std::nullopt);
}

struct TLanguageCase {
  TStockLanguage language;
  const char* name;
  const char* caption;  // of a warning
  const char* yes;
  const char* no;
  std::vector<std::string> windowMenu;
  const char* lookIn;
  const char* notFound;
};

const TLanguageCase kLanguages[] = {
    {TStockLanguage::English, "C", "Warning", "&Yes", "&No",
     {"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "", "&Close\tAlt+F4"}, "Look in:",
     "missing.jpg\nFile not found. Check the file name and try again."},
    {TStockLanguage::Chinese, "zh_CN", "警告", "是(&Y)", "否(&N)",
     {"还原(&R)", "移动(&M)", "大小(&S)", "最小化(&N)", "最大化(&X)", "", "关闭(&C)\tAlt+F4"}, "查找范围:",
     "missing.jpg\n找不到文件。请检查文件名，然后重试。"},
};

class StockTextsTest : public FileDialogFixture {
 protected:
  void TearDown() override {
    SetStockLanguage(std::nullopt);
    FileDialogFixture::TearDown();
  }
  void Snapshot(HWND window, const std::string& name) {
    if (const char* shots = std::getenv("LUMIQA_SNAPSHOT_DIR"))
      s.display.WriteBmp(window, (std::string(shots) + "/" + name + ".bmp").c_str());
  }
};

TEST_F(StockTextsTest, MessageBoxWindowMenuAndOpenDialogSpeakTheLocalesLanguage) {
  for (const TLanguageCase& c : kLanguages) {
    SCOPED_TRACE(c.name);
    SetStockLanguage(c.language);
    // The message box.
    std::string caption, yes, no;
    After(100, [&] {
      TForm* d = Screen->ActiveForm();
      ASSERT_NE(d, nullptr);
      caption = d->Caption();
      yes = dynamic_cast<TButton*>(d->FindComponent("Yes"))->Caption();
      no = dynamic_cast<TButton*>(d->FindComponent("No"))->Caption();
      s.display.RunUntilIdle();
      Snapshot(d->Handle(), std::string("stock_message_") + c.name);
      d->SetModalResult(mrNo);
    });
    MessageDlg("Replace the picture?", mtWarning, mbYesNo, 0);
    EXPECT_EQ(caption, c.caption);
    EXPECT_EQ(yes, c.yes);
    EXPECT_EQ(no, c.no);

    // The window menu of a window made now.
    TForm* form = NewForm();
    HWND w = form->Handle();
    HMENU menu = GetSystemMenu(w, FALSE);
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      char text[64] = {};
      GetMenuString(menu, UINT(i), text, int(sizeof text), MF_BYPOSITION);
      items.push_back(text);
    }
    EXPECT_EQ(items, c.windowMenu);
    delete form;

    // The open dialog: its labels, and what it says of a missing file.
    ofn.Flags = OFN_FILEMUSTEXIST;
    std::string lookIn, prompt;
    Drive([&](TFileDialogDriver& d) {
      for (int i = 0; i < d.Form()->ComponentCount(); ++i)
        if (auto* l = dynamic_cast<TStaticText*>(d.Form()->Components(i)); l && lookIn.empty()) lookIn = l->Caption();
      s.display.RunUntilIdle();
      Snapshot(d.Form()->Handle(), std::string("stock_open_") + c.name);
      d.Answers.push_back(mrOk);
      d.TypeName("missing.jpg");
      d.PressOk();
      if (!d.Prompts.empty()) prompt = d.Prompts.front();
      d.PressCancel();
    });
    GetOpenFileName(&ofn);
    EXPECT_EQ(lookIn, c.lookIn);
    EXPECT_EQ(prompt, c.notFound);
  }
}

}  // namespace
