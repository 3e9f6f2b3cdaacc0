// A skinned form under a private Xvfb: the server, an application, a
// 300 x 200 form at (100, 80) with the fixture skin, and mouse presses sent
// as the X server delivers them.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "skin/windows/Brenvale.h"
#include "tests/skin/windows/BrenvaleTestSupport.h"
#include "tests/platform/backend/x11/X11Fixture.h"

namespace brvtest {

class TBrenvaleXvfbFixture : public TX11Fixture {
 protected:
  static constexpr long kRoot = 0x808080;

  TRecordingFactory factory_;
  TSkinFolder folder_;
  std::unique_ptr<TApplication> app_;
  TApplication* savedApp_ = nullptr;
  TForm* form = nullptr;
  TspBrenvale* ctl = nullptr;

  // Starts the server and shows the skinned form, not yet settled; with
  // `mainFormFirst` another form is the main one, so closing `form` does
  // not end the application. `manager` names a window manager to start
  // first.
  void StartSkinnedForm(const char* className, bool mainFormFirst, const char* manager = nullptr) {
    StartX11(640, 480, className, UnusedProc, kRoot);
    if (IsSkipped() || HasFatalFailure()) return;
    if (manager) StartWindowManager(manager);
    if (IsSkipped() || HasFatalFailure()) return;
    savedApp_ = Application;
    app_ = std::make_unique<TApplication>(nullptr);
    Application = app_.get();
    if (mainFormFirst) {
      TForm* mainForm = nullptr;
      app_->CreateForm(mainForm);
    }
    app_->CreateForm(form);
    form->SetBounds(100, 80, 300, 200);
    ctl = new TspBrenvale(form);
    WriteFixtureSkin(folder_);
    auto* skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
    ctl->SetSkinData(skin);
    form->Show();
  }
  void TearDown() override {
    if (app_) {
      app_->DestroyComponents();
      ProcessPendingMessages();
      Application = savedApp_;
      app_.reset();
    }
    StopX11();
  }

  Window Native() { return Window(display->NativeOf(form->Handle())); }

  // A press or release at screen (x, y), sent to the form's window.
  void Button(int x, int y, bool press, unsigned button = Button1) {
    XEvent ev{};
    ev.xbutton.type = press ? ButtonPress : ButtonRelease;
    ev.xbutton.display = reader;
    ev.xbutton.window = Native();
    ev.xbutton.root = DefaultRootWindow(reader);
    ev.xbutton.x_root = x;
    ev.xbutton.y_root = y;
    ev.xbutton.x = x - form->Left();
    ev.xbutton.y = y - form->Top();
    ev.xbutton.button = button;
    ev.xbutton.same_screen = True;
    XSendEvent(reader, Native(), False, press ? ButtonPressMask : ButtonReleaseMask, &ev);
    XFlush(reader);
  }

 private:
  static LRESULT UnusedProc(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProc(h, m, wp, lp); }
};

}  // namespace brvtest
