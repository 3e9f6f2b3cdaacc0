#include <gtest/gtest.h>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/forms/Timer.h"

using ApplicationTest = FormsTest;

namespace {
constexpr UINT WM_TEST = WM_USER + 7;

// A form whose handler for WM_TEST runs a test's function.
class TProbeForm : public TForm {
 public:
  explicit TProbeForm(TComponent* owner) : TForm(owner) {}
  std::function<void()> onTest;
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_TEST) {
      if (onTest) onTest();
      return;
    }
    TForm::Dispatch(m);
  }
};
}  // namespace

TEST_F(ApplicationTest, ExceptionFromAHandlerReachesHandleExceptionAndEAbortIsSilent) {
  auto* f = TCustomForm::New<TProbeForm>(&app);
  std::vector<std::string> seen;
  app.OnException = [&](TObject*, const Exception& e) { seen.push_back(e.Message()); };
  int round = 0;
  f->onTest = [&] {
    ++round;
    if (round == 1) throw EInvalidOperation("first");
    if (round == 2) Abort();
    if (round == 3) throw std::runtime_error("plain");
  };
  for (int i = 0; i < 4; ++i) PostMessage(f->Handle(), WM_TEST, 0, 0);
  app.ProcessMessages();  // the loop goes on after each
  EXPECT_EQ(round, 4);
  EXPECT_EQ(seen, (std::vector<std::string>{"first", "plain"}));
}

TEST_F(ApplicationTest, DefaultHandlerShowsAPlainMessageBoxAndTheLoopGoesOn) {
  TForm* main = NewForm();
  main->Show();
  app.SetTitle("Lumiqa");
  std::string shownText, shownCaption;
  int ticks = 0;
  TTimer t(nullptr);
  t.SetInterval(100);
  t.SetOnTimer([&](TObject*) {
    ++ticks;
    if (ticks == 1) throw Exception("Disk full");
    if (ticks == 2) {
      // The message box is the active form now; answer it.
      TForm* box = Screen->ActiveForm();
      ASSERT_NE(box, nullptr);
      ASSERT_NE(box, main);
      shownCaption = box->Caption();
      if (auto* label = dynamic_cast<TLabel*>(box->FindComponent("Message"))) shownText = label->Caption();
      box->SetModalResult(mrOk);
    }
    if (ticks == 4) app.Terminate();
  });
  app.Run();
  EXPECT_EQ(shownText, "Disk full.");
  EXPECT_EQ(shownCaption, "Lumiqa");
  EXPECT_EQ(ticks, 4);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
}

TEST_F(ApplicationTest, RunShowsTheMainFormAndEndsWhenItCloses) {
  TForm* main = nullptr;
  app.CreateForm(main);
  EXPECT_FALSE(main->Visible());
  bool shownDuringRun = false;
  After(100, [&] {
    shownDuringRun = IsWindowVisible(main->Handle()) != 0;
    main->Close();
  });
  app.Run();
  EXPECT_TRUE(shownDuringRun);
  EXPECT_TRUE(app.Terminated());
}

TEST_F(ApplicationTest, OnMessageComesFirstAndCanEatAMessage) {
  auto* f = TCustomForm::New<TProbeForm>(&app);
  int delivered = 0;
  f->onTest = [&] { ++delivered; };
  std::vector<WPARAM> seen;
  app.OnMessage = [&](MSG& m, bool& handled) {
    if (m.message != WM_TEST) return;
    seen.push_back(m.wParam);
    handled = m.wParam == 1;
  };
  PostMessage(f->Handle(), WM_TEST, 1, 0);
  PostMessage(f->Handle(), WM_TEST, 2, 0);
  app.ProcessMessages();
  EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2}));
  EXPECT_EQ(delivered, 1);
}

TEST_F(ApplicationTest, KeysPassOnMessageThenTheFormsShortCutsThenTheControl) {
  TForm* f = NewForm();
  f->Show();
  s.display.RunUntilIdle();
  std::vector<std::string> order;
  app.OnMessage = [&](MSG& m, bool&) {
    if (m.message == WM_KEYDOWN) order.push_back("OnMessage");
  };
  f->OnShortCut = [&](TWMKey& key, bool& handled) {
    order.push_back("OnShortCut");
    handled = key.CharCode == 'S';
  };
  f->OnKeyDown = [&](TObject*, Word& key, TShiftState) { order.push_back(std::string("OnKeyDown ") + char(key)); };
  s.display.KeyPress('S');
  app.ProcessMessages();
  s.display.KeyPress('X');
  app.ProcessMessages();
  EXPECT_EQ(order, (std::vector<std::string>{"OnMessage", "OnShortCut", "OnMessage", "OnShortCut", "OnKeyDown X"}));
}

TEST_F(ApplicationTest, HookedMainWindowSeesMinimizeUntilUnhooked) {
  TForm* main = nullptr;
  app.CreateForm(main);
  main->Show();
  struct THookOwner {
    std::vector<WPARAM> sizes;
    bool Hook(TMessage& m) {
      if (m.Msg == WM_SIZE) sizes.push_back(m.WParam);
      return false;
    }
  } owner;
  TWindowHook hook(&owner, &THookOwner::Hook);
  app.HookMainWindow(hook);
  int minimized = 0;
  app.OnMinimize = [&](TObject*) { ++minimized; };
  app.Minimize();
  EXPECT_TRUE(IsIconic(main->Handle()));
  EXPECT_EQ(main->WindowState(), wsMinimized);
  app.Restore();
  EXPECT_FALSE(IsIconic(main->Handle()));
  app.UnhookMainWindow(TWindowHook(&owner, &THookOwner::Hook));
  app.Minimize();
  EXPECT_EQ(owner.sizes, (std::vector<WPARAM>{SIZE_MINIMIZED, SIZE_RESTORED}));
  EXPECT_EQ(minimized, 2);
}

TEST_F(ApplicationTest, SystemMinimizeOfTheMainFormMinimizesTheApplication) {
  TForm* main = nullptr;
  app.CreateForm(main);
  main->Show();
  SendMessage(main->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(app.Minimized());
  EXPECT_TRUE(IsIconic(main->Handle()));
}

TEST_F(ApplicationTest, TerminateEndsAModalLoop) {
  TForm* dialog = NewForm();
  After(100, [&] { app.Terminate(); });
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  EXPECT_TRUE(app.Terminated());
}
