// A fresh application object and a headless display per test, on the
// virtual clock; forms a test leaves behind are freed with the application.
#pragma once
#include <gtest/gtest.h>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/ui/Application.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Screen.h"
#include "platform/user/User.h"

class HeadlessForms : public ::testing::Test {
 protected:
  THeadlessSession s;
  TApplication app{nullptr};
  TApplication* savedApp_ = Application;

  HeadlessForms() { Application = &app; }
  ~HeadlessForms() override {
    app.CancelHint();
    app.DestroyComponents();
    Screen->SetCursor(crDefault);
    MSG m;
    while (PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    ProcessPendingMessages();
    Application = savedApp_;
  }
};
