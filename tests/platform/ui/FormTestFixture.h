// A fresh application object and a headless display per test: forms,
// timers and hints run on the virtual clock, and nothing a test leaves
// behind (forms, WM_QUIT, the screen cursor) reaches the next one.
#pragma once
#include <gtest/gtest.h>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"

class FormsTest : public ::testing::Test {
 protected:
  THeadlessSession s;
  TApplication app{nullptr};
  TApplication* savedApp_ = Application;

  FormsTest() { Application = &app; }
  ~FormsTest() override {
    app.CancelHint();
    app.DestroyComponents();
    Screen->SetCursor(crDefault);
    MSG m;
    while (PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ProcessPendingMessages();
    Application = savedApp_;
  }

  // A hidden, plain form made through CreateForm: the first is the main form.
  TForm* NewForm(int x = 100, int y = 100, int w = 300, int h = 200) {
    TForm* f = nullptr;
    app.CreateForm(f);
    f->SetBounds(x, y, w, h);
    return f;
  }
  // Runs fn once, ms from now, from a timer that frees itself.
  void After(int ms, std::function<void()> fn);
};

#include "platform/ui/forms/Timer.h"

inline void FormsTest::After(int ms, std::function<void()> fn) {
  auto* t = new TTimer(&app);
  t->SetInterval(Cardinal(ms));
  t->SetOnTimer([t, fn](TObject*) {
    t->SetEnabled(false);
    auto keep = fn;
    delete t;
    keep();
  });
}
