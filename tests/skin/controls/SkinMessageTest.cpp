// The skinned message box: its layout, texts and roles, MessageDlg answered
// by mouse and by keys, with and without skins, and snapshots of each kind
// (to $LUMIQA_SNAPSHOT_DIR) in the wizard's set-up.
#include <gtest/gtest.h>

#include <algorithm>

#include <set>

#include "platform/gdi/GdiTypes.h"
#include "skin/controls/spMessages.h"
#include "skin/engine/SkinStrings.h"
#include "skin/windows/Brenvale.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"

using namespace skinctl;

namespace {

enum class TSkinSetup { None, Fixture, Wizard };

class SkinMessageTest : public SkinControlsTest {
 protected:
  TspSkinMessage* box = nullptr;

  void SetUp() override {
    SkinControlsTest::SetUp();
    box = new TspSkinMessage(form);
    // The wizard's fonts: SimSun 14 pixels in GB2312.
    for (TFont* f : {box->DefaultFont(), box->DefaultButtonFont()}) {
      f->SetName("宋体");
      f->SetHeight(14);
      f->SetCharset(GB2312_CHARSET);
    }
  }
  void UseSkin(TSkinSetup setup) {
    if (setup == TSkinSetup::None) return;
    if (setup == TSkinSetup::Fixture) {
      LoadFixtureSkin();
      box->SetCtrlSkinData(skin);
    } else {
      skin = new TspSkinData(form);
      ASSERT_TRUE(skin->LoadFromFile(kWizardSkin)) << skin->LastLoadError;
    }
    box->SetSkinData(skin);
  }
  TspMessageForm* Build(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons) {
    return CreateSkinMessageForm(msg, type, buttons, kSpMessageDefaultPos, kSpMessageDefaultPos, 200, false, false,
                                 true, box->DefaultButtonFont(), box->DefaultFont(), "stdlabel", "button",
                                 box->CtrlSkinData(), box->SkinData());
  }
  // Runs fn on the dialog once it is shown.
  // A dialog still up a while later fails the test and is closed, so a
  // missed press never hangs the run.
  void OnDialog(std::function<void(TForm* dialog)> fn) {
    After(100, [fn] {
      TForm* dialog = Screen->ActiveForm();
      ASSERT_NE(dialog, nullptr);
      ASSERT_TRUE(dialog->Modal());
      ASSERT_EQ(dialog->ClassName(), "TspMessageForm");
      fn(dialog);
    });
    After(3000, [] {
      for (int i = 0; i < Screen->CustomFormCount(); ++i)
        if (auto* d = Screen->CustomForms(i); d->ClassName() == "TspMessageForm" && d->Modal()) {
          ADD_FAILURE() << "the dialog did not close";
          d->SetModalResult(-1);
        }
    });
  }
  static TspSkinButton* ButtonOf(TForm* d, const char* name) {
    return dynamic_cast<TspSkinButton*>(d->FindComponent(name));
  }
  // The whole window as shown, as a bitmap (saved as PNG when
  // $LUMIQA_SNAPSHOT_DIR is set).
  void WindowSnapshot(TForm* d, TBitmap& b, const std::string& name) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(d->Width(), d->Height());
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) b.Canvas()->SetPixels(x, y, TColor(s.display.PixelAt(d->Handle(), x, y)));
    if (const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR"))
      SaveBitmapForDebug(b, std::string(dir) + "/" + name + ".png");
  }
  // Distinct colours of a control's area in the window bitmap.
  static int Colours(TForm* d, const TBitmap& b, TControl* c) {
    std::set<TColor> seen;
    const TPoint o = c->ClientToScreen(TPoint{0, 0});
    RECT wr{};
    GetWindowRect(d->Handle(), &wr);
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x)
        seen.insert(const_cast<TBitmap&>(b).Canvas()->Pixels(o.X - wr.Left + x, o.Y - wr.Top + y));
    return int(seen.size());
  }
};

TEST_F(SkinMessageTest, MessageDlgReturnsTheButtonClicked) {
  struct TCase {
    TSkinSetup skin;
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    const char* press;
    int result;
  };
  const TCase cases[] = {
      {TSkinSetup::None, mtWarning, mbYesNo, "Yes", 6},
      {TSkinSetup::None, mtWarning, mbYesNo, "No", 7},
      {TSkinSetup::None, mtError, TMsgDlgButtons{mbOK}, "OK", 1},
      {TSkinSetup::None, mtConfirmation, mbAbortRetryIgnore, "Ignore", 5},
      {TSkinSetup::Fixture, mtWarning, mbYesNo, "No", 7},
      {TSkinSetup::Fixture, mtInformation, mbOKCancel, "Cancel", 2},
      {TSkinSetup::Wizard, mtWarning, mbYesNo, "Yes", 6},
      {TSkinSetup::Wizard, mtInformation, TMsgDlgButtons{mbOK}, "OK", 1},
  };
  Show();
  TSkinSetup loaded = TSkinSetup::None;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.press);
    if (c.skin != loaded) {
      UseSkin(c.skin);
      loaded = c.skin;
    }
    OnDialog([&](TForm* d) {
      TspSkinButton* b = ButtonOf(d, c.press);
      ASSERT_NE(b, nullptr);
      const TPoint p = b->ClientToScreen(TPoint{b->Width() / 2, b->Height() / 2});
      s.display.MouseMove(p.X, p.Y);
      Idle();
      s.display.MouseDown(p.X, p.Y);
      Idle();
      s.display.MouseUp(p.X, p.Y);
    });
    EXPECT_EQ(box->MessageDlg("要继续吗？", c.type, c.buttons, 0), c.result);
    EXPECT_EQ(Screen->ActiveForm(), form);  // the dialog is gone
  }
}

TEST_F(SkinMessageTest, MessageDlgAnswersEnterEscapeAndMnemonics) {
  struct TCase {
    TSkinSetup skin;
    TMsgDlgButtons buttons;
    int key;
    int result;
  };
  const TCase cases[] = {
      {TSkinSetup::None, mbYesNo, VK_RETURN, 6},
      {TSkinSetup::None, mbYesNo, VK_ESCAPE, 7},
      {TSkinSetup::None, mbYesNo, 'N', 7},
      {TSkinSetup::None, mbYesNo, 'Y', 6},
      {TSkinSetup::None, TMsgDlgButtons{mbOK}, VK_RETURN, 1},
      {TSkinSetup::None, TMsgDlgButtons{mbOK}, VK_ESCAPE, 1},
      {TSkinSetup::None, mbOKCancel, VK_ESCAPE, 2},
      {TSkinSetup::Wizard, mbYesNo, VK_RETURN, 6},
      {TSkinSetup::Wizard, mbYesNo, VK_ESCAPE, 7},
      {TSkinSetup::Wizard, TMsgDlgButtons{mbOK}, VK_RETURN, 1},
  };
  Show();
  TSkinSetup loaded = TSkinSetup::None;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.key);
    if (c.skin != loaded) {
      UseSkin(c.skin);
      loaded = c.skin;
    }
    OnDialog([&](TForm*) { s.display.KeyPress(c.key); });
    EXPECT_EQ(box->MessageDlg("保存修改吗？", mtWarning, c.buttons, 0), c.result);
  }
}

TEST_F(SkinMessageTest, TabMovesTheFocusAndEnterPressesTheFocusedButton) {
  Show();
  OnDialog([&](TForm* d) {
    TspSkinButton* no = ButtonOf(d, "No");
    for (int i = 0; i < 3 && !no->Focused(); ++i) {
      s.display.KeyPress(VK_TAB);
      Idle();
    }
    EXPECT_TRUE(no->Focused());
    s.display.KeyPress(VK_RETURN);
  });
  EXPECT_EQ(box->MessageDlg("?", mtWarning, mbYesNo, 0), 7);
}

TEST_F(SkinMessageTest, LayoutOfTheDialog) {
  struct TCase {
    TSkinSetup skin;
    std::string msg;
    TMsgDlgButtons buttons;
    int buttonHeight;
  };
  const TCase cases[] = {
      {TSkinSetup::None, "短", mbYesNo, 25},
      {TSkinSetup::None, "一行很长很长的文字，比按钮那一行宽得多得多得多得多得多得多", mbYesNo, 25},
      {TSkinSetup::None, "两行\n文字", TMsgDlgButtons{mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry}, 25},
      {TSkinSetup::None, "没有按钮的对话框，文字要长一些", TMsgDlgButtons{}, 25},
      // The fixture's button description is 20 pixels high.
      {TSkinSetup::Fixture, "有皮肤", mbYesNo, 20},
  };
  TSkinSetup loaded = TSkinSetup::None;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.msg);
    if (c.skin != loaded) {
      UseSkin(c.skin);
      loaded = c.skin;
    }
    std::unique_ptr<TspMessageForm> d(Build(c.msg, mtWarning, c.buttons));
    ASSERT_NE(d->DSF, nullptr);
    EXPECT_EQ(FindController(d.get()), d->DSF);
    EXPECT_EQ(d->DSF->BorderIcons(), 0u);
    EXPECT_FALSE(d->DSF->Sizeable);
    EXPECT_EQ(d->BorderStyle(), bsDialog);
    EXPECT_TRUE(d->KeyPreview);
    EXPECT_EQ(d->Position(), poScreenCenter);
    TspSkinStdLabel* label = d->Message;
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Caption(), c.msg);
    EXPECT_EQ(label->Left(), 50);
    EXPECT_EQ(label->Top(), 15);
    EXPECT_GT(label->Width(), 0);
    auto* image = dynamic_cast<TImage*>(d->FindComponent("Image"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->BoundsRect(), (TRect{5, std::max(10, 15 + label->Height() / 2 - 16), 37,
                                          std::max(10, 15 + label->Height() / 2 - 16) + 32}));
    EXPECT_EQ(d->ClientHeight(), c.buttonHeight + label->Height() + 50);
    int n = 0;
    for (int b = mbYes; b <= mbHelp; ++b) n += c.buttons.Contains(TMsgDlgBtn(b)) ? 1 : 0;
    const int row = n ? 80 * n - 10 : 0;
    const int right = 50 + label->Width();
    const int wanted = row < right ? right + 40 : row + 40;
    const int frame = d->Width() - d->ClientWidth();
    const int limited = std::max(std::min(wanted + frame, d->DSF->MaxFrameWidth()), d->DSF->MinFrameWidth());
    EXPECT_EQ(d->Width(), limited);
    int x = (d->ClientWidth() - row) / 2;
    int seen = 0;
    for (int b = mbYes; b <= mbHelp; ++b) {
      static const char* const names[] = {"Yes", "No", "OK", "Cancel", "Abort", "Retry",
                                          "Ignore", "All", "NoToAll", "YesToAll", "Help"};
      TspSkinButton* button = ButtonOf(d.get(), names[b]);
      if (!c.buttons.Contains(TMsgDlgBtn(b))) {
        EXPECT_EQ(button, nullptr) << names[b];
        continue;
      }
      ASSERT_NE(button, nullptr) << names[b];
      ++seen;
      EXPECT_EQ(button->BoundsRect(),
                (TRect{x, d->ClientHeight() - c.buttonHeight - 10, x + 70, d->ClientHeight() - 10}))
          << names[b];
      EXPECT_EQ(button->DefaultHeight(), c.buttonHeight);
      EXPECT_TRUE(button->CanFocused());
      EXPECT_EQ(button->SkinDataName(), "button");
      x += 80;
    }
    EXPECT_EQ(seen, n);
  }
}

// A long text is broken into lines: the box stays within two thirds of the
// work area and the text within the box.
TEST_F(SkinMessageTest, ALongTextIsLimitedToTheWorkAreaWidth) {
  std::string msg;
  for (int i = 0; i < 200; ++i) msg += "很长";
  std::unique_ptr<TspMessageForm> d(Build(msg, mtError, TMsgDlgButtons{mbOK}));
  EXPECT_LE(d->Width(), Screen->WorkAreaRect().Width() * 2 / 3);
  EXPECT_LE(d->Message->Left() + d->Message->Width(), d->ClientWidth());
  EXPECT_NE(d->Message->Caption().find('\n'), std::string::npos);
  std::string joined = d->Message->Caption();
  joined.erase(std::remove(joined.begin(), joined.end(), '\n'), joined.end());
  EXPECT_EQ(joined, msg);
  // The OK button stays centred in what is left.
  TspSkinButton* ok = ButtonOf(d.get(), "OK");
  EXPECT_EQ(ok->Left(), (d->ClientWidth() - 70) / 2);
}

TEST_F(SkinMessageTest, CaptionsRolesAndTextsOfEachKind) {
  app.SetTitle("照片美化");
  struct TCase {
    TMsgDlgType type;
    const char* caption;
    bool icon;
  };
  const TCase cases[] = {{mtWarning, "Warning", true},
                         {mtError, "Error", true},
                         {mtInformation, "Information", true},
                         {mtConfirmation, "Confirm", true},
                         {mtCustom, "照片美化", false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.caption);
    std::unique_ptr<TspMessageForm> d(Build("文字", c.type, mbYesNoCancel));
    EXPECT_EQ(d->Caption(), c.caption);
    auto* image = dynamic_cast<TImage*>(d->FindComponent("Image"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(!image->Picture()->Icon()->Empty(), c.icon);
  }
  struct TRoles {
    TMsgDlgButtons buttons;
    const char* def;
    const char* cancel;
  };
  for (const TRoles& r : {TRoles{mbYesNo, "Yes", "No"}, TRoles{TMsgDlgButtons{mbOK}, "OK", "OK"},
                          TRoles{mbOKCancel, "OK", "Cancel"}, TRoles{mbYesNoCancel, "Yes", "Cancel"},
                          TRoles{mbAbortRetryIgnore, "Retry", nullptr}}) {
    SCOPED_TRACE(r.def);
    std::unique_ptr<TspMessageForm> d(Build("?", mtConfirmation, r.buttons));
    for (int i = 0; i < d->ComponentCount(); ++i) {
      auto* b = dynamic_cast<TspSkinButton*>(d->Components(i));
      if (!b) continue;
      EXPECT_EQ(b->Default(), b->Name() == r.def) << b->Name();
      EXPECT_EQ(b->Cancel, r.cancel && b->Name() == r.cancel) << b->Name();
    }
  }
  struct TText {
    TMsgDlgBtn button;
    const char* name;
    const char* caption;
    TModalResult result;
  };
  const TText texts[] = {{mbYes, "Yes", "&Yes", 6},          {mbNo, "No", "&No", 7},
                         {mbOK, "OK", "确定", 1},             {mbCancel, "Cancel", "取消", 2},
                         {mbAbort, "Abort", "&Abort", 3},    {mbRetry, "Retry", "&Retry", 4},
                         {mbIgnore, "Ignore", "&Ignore", 5}, {mbAll, "All", "&All", 8},
                         {mbNoToAll, "NoToAll", "N&oToAll", 9}, {mbYesToAll, "YesToAll", "&YesToAll", 10},
                         {mbHelp, "Help", "&Help", 0}};
  std::unique_ptr<TspMessageForm> d(Build("?", mtInformation,
                                          TMsgDlgButtons{mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll,
                                                         mbNoToAll, mbYesToAll, mbHelp}));
  for (const TText& t : texts) {
    TspSkinButton* b = ButtonOf(d.get(), t.name);
    ASSERT_NE(b, nullptr) << t.name;
    EXPECT_EQ(b->Caption(), t.caption);
    EXPECT_EQ(b->ModalResult, t.result) << t.name;
  }
}

TEST_F(SkinMessageTest, ResourceStringsOfTheControlSkinReplaceTheBuiltInTexts) {
  UseSkin(TSkinSetup::Fixture);
  auto* strings = new TspResourceStrData(form);
  TStringList lines;
  lines.Add("MSG_BTN_YES=是(&Y)");
  lines.Add("MSG_CAP_WARNING=警告");
  strings->SetResStrings(&lines);
  skin->SetResourceStrData(strings);
  std::unique_ptr<TspMessageForm> d(Build("?", mtWarning, mbYesNo));
  EXPECT_EQ(d->Caption(), "警告");
  EXPECT_EQ(ButtonOf(d.get(), "Yes")->Caption(), "是(&Y)");
  // A key the table lacks shows empty, with no fall-back.
  EXPECT_EQ(ButtonOf(d.get(), "No")->Caption(), "");
}

TEST_F(SkinMessageTest, TheHelpButtonAsksForTheDialogsHelpContext) {
  Show();
  OnDialog([&](TForm* d) {
    ButtonOf(d, "Help")->ButtonClick();
    d->SetModalResult(mrCancel);
  });
  box->MessageDlg("?", mtInformation, TMsgDlgButtons{mbOK, mbHelp}, 42);
  EXPECT_EQ(app.LastHelpContext(), 42);
}

TEST_F(SkinMessageTest, RemovedSkinDataIsForgotten) {
  UseSkin(TSkinSetup::Fixture);
  ASSERT_EQ(box->SkinData(), skin);
  ASSERT_EQ(box->CtrlSkinData(), skin);
  delete skin;
  skin = nullptr;
  EXPECT_EQ(box->SkinData(), nullptr);
  EXPECT_EQ(box->CtrlSkinData(), nullptr);
  Show();
  OnDialog([&](TForm* d) { d->SetModalResult(mrOk); });
  EXPECT_EQ(box->MessageDlg("?", mtInformation, TMsgDlgButtons{mbOK}, 0), 1);
}

// The dialog's frame is the controller's around the client the builder
// asked for, and its caption shows the dialog's caption text: with the
// wizard's skin in the caption's white, without a skin in the default
// look's caption font colour.
TEST_F(SkinMessageTest, TheFrameSurroundsTheClientAndShowsTheCaptionText) {
  struct TCase {
    TSkinSetup setup;
    TColor text;
    TRect client;  // the client's place in the window, less the window's size
  };
  const TCase cases[] = {
      {TSkinSetup::None, TColor(ColorToRGB(clBtnText)), TRect{3, 22, 3, 3}},
      {TSkinSetup::Wizard, TColor(0x00FFFFFF), TRect{4, 30, 4, 4}},
  };
  Show();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.setup == TSkinSetup::None ? "no skin" : "wizard's skin");
    UseSkin(c.setup);
    std::unique_ptr<TspMessageForm> d(Build("当前图片尚未保存，是否保存？", mtWarning, mbYesNo));
    d->Show();
    Idle();
    RECT wr{}, cr{};
    GetWindowRect(d->Handle(), &wr);
    GetClientRect(d->Handle(), &cr);
    POINT o{0, 0};
    ClientToScreen(d->Handle(), &o);
    EXPECT_EQ(o.X - wr.Left, c.client.Left);
    EXPECT_EQ(o.Y - wr.Top, c.client.Top);
    EXPECT_EQ(wr.Right - wr.Left - cr.Right - c.client.Left, c.client.Right);
    EXPECT_EQ(wr.Bottom - wr.Top - cr.Bottom - c.client.Top, c.client.Bottom);
    // The buttons lie inside the client.
    TspSkinButton* no = ButtonOf(d.get(), "No");
    ASSERT_NE(no, nullptr);
    EXPECT_LE(no->Left() + no->Width(), cr.Right);
    EXPECT_LE(no->Top() + no->Height(), cr.Bottom);
    auto textPixels = [&] {
      int n = 0;
      // Left of the close button.
      for (int y = 0; y < c.client.Top; ++y)
        for (int x = 0; x < wr.Right - wr.Left - 40; ++x)
          if (TColor(s.display.PixelAt(d->Handle(), x, y)) == c.text) ++n;
      return n;
    };
    EXPECT_GT(textPixels(), 20);
    // Without a caption the same colour is gone from the band: it was the
    // text's.
    d->SetCaption("");
    Idle();
    EXPECT_EQ(textPixels(), 0);
  }
}

// Each kind as the wizard shows it (frame from its skin, controls in their
// default look, SimSun texts) and without any skin. Looked at as PNGs; the
// checks: icon, text and buttons are drawn, and the text lies in the label.
TEST_F(SkinMessageTest, SnapshotsOfEachKind) {
  struct TCase {
    TMsgDlgType type;
    TMsgDlgButtons buttons;
    const char* name;
    const char* msg;
  };
  const TCase cases[] = {
      {mtWarning, mbYesNo, "warning", "当前图片尚未保存，是否保存？"},
      {mtError, TMsgDlgButtons{mbOK}, "error", "无法打开文件：photo.jpg"},
      {mtInformation, TMsgDlgButtons{mbOK}, "information", "图片已保存。"},
      {mtConfirmation, mbOKCancel, "confirmation", "确定要放弃修改吗？"},
  };
  Show();
  for (TSkinSetup setup : {TSkinSetup::None, TSkinSetup::Wizard}) {
    UseSkin(setup);
    const std::string prefix = setup == TSkinSetup::None ? "msg_default_" : "msg_wizard_";
    for (const TCase& c : cases) {
      SCOPED_TRACE(prefix + c.name);
      bool looked = false;
      OnDialog([&](TForm* d) {
        Idle();
        TBitmap b;
        WindowSnapshot(d, b, prefix + c.name);
        auto* m = dynamic_cast<TspMessageForm*>(d);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->DSF->SkinApplied && m->DSF->SkinFrameUsable(), setup == TSkinSetup::Wizard);
        // Background and the glyph's two colours at least.
        EXPECT_GE(Colours(d, b, dynamic_cast<TControl*>(d->FindComponent("Image"))), 3);
        EXPECT_GT(Colours(d, b, m->Message), 1);
        for (int i = 0; i < d->ComponentCount(); ++i)
          if (auto* button = dynamic_cast<TspSkinButton*>(d->Components(i))) EXPECT_GT(Colours(d, b, button), 2);
        looked = true;
        d->SetModalResult(mrCancel);
      });
      box->MessageDlg(c.msg, c.type, c.buttons, 0);
      EXPECT_TRUE(looked);
    }
  }
}

}  // namespace
