// Shared pieces for control tests: a headless session per test, a minimal
// top-level container (a popup window at a screen position, standing in for
// a form), and small windowed and graphic controls that paint a colour and
// record what happens to them.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/controls/Controls.h"

// A parentless windowed control with a window of its own.
class TTestHost : public TWinControl {
 public:
  explicit TTestHost(TComponent* owner = nullptr) : TWinControl(owner) {
    ControlStyle |= csAcceptsControls;
    SetVisible(false);
    SetColor(clWhite);
  }
  std::string ClassName() const override { return "TTestHost"; }

 protected:
  void CreateParams(TCreateParams& p) override {
    TWinControl::CreateParams(p);
    p.Style = WS_POPUP | WS_CLIPCHILDREN;
    p.WndParent = nullptr;
  }
};

// A windowed control that fills its client area with its colour and can
// answer WM_GETDLGCODE with a chosen value.
class TTestWin : public TCustomControl {
 public:
  explicit TTestWin(TComponent* owner = nullptr) : TCustomControl(owner) {}
  std::string ClassName() const override { return "TTestWin"; }
  LRESULT DlgCode = 0;
  int Paints = 0;

  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_GETDLGCODE) {
      m.Result = DlgCode;
      return;
    }
    TCustomControl::Dispatch(m);
  }

 protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

// A graphic control that fills its bounds with its colour. Overflow > 0
// paints that far beyond its bounds, to show the clipping.
class TTestGraphic : public TGraphicControl {
 public:
  explicit TTestGraphic(TComponent* owner = nullptr) : TGraphicControl(owner) {}
  std::string ClassName() const override { return "TTestGraphic"; }
  int Overflow = 0;
  int Paints = 0;

 protected:
  void Paint() override {
    ++Paints;
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(Rect(-Overflow, -Overflow, Width() + Overflow, Height() + Overflow));
  }
};

class UiTest : public ::testing::Test {
 protected:
  THeadlessSession s;
  TTestHost* host = nullptr;

  void SetUp() override {
    host = new TTestHost();
    host->SetBounds(100, 100, 300, 200);
  }
  void TearDown() override {
    delete host;
    s.display.RunUntilIdle();
    ReleaseCapture();
    // Keeps one test's clicks from pairing with the next test's.
    s.clock.Advance(10000);
  }

  void ShowHost() {
    host->SetVisible(true);
    s.display.RunUntilIdle();
  }
  template <class T>
  T* Add(TWinControl* parent, int l, int t, int w, int h, TColor color = clSilver) {
    T* c = new T(host);
    c->SetBounds(l, t, w, h);
    c->SetColor(color);
    c->SetParent(parent);
    return c;
  }
  // Screen point of a client point of c.
  TPoint At(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }
  void Click(TControl* c, int x, int y) {
    TPoint p = At(c, x, y);
    s.display.Click(p.X, p.Y);
    s.display.RunUntilIdle();
  }
  void MoveTo(TPoint p) {
    s.display.MouseMove(p.X, p.Y);
    s.display.RunUntilIdle();
  }
  void Key(int vk) {
    s.display.KeyPress(vk);
    s.display.RunUntilIdle();
  }
  // A pixel of the host window as 0x00BBGGRR.
  COLORREF Pixel(int x, int y) { return s.display.PixelAt(host->Handle(), x, y); }
};

// The classic look's RGB for a system colour.
inline COLORREF Sys(TColor c) { return ClassicRGB(c); }
