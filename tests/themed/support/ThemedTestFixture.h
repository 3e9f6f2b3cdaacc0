// A shown form on the headless display for the themed controls, with input
// helpers and access to the presented pixels.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/DebugImage.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "themed/buttons/KZUButton.h"
#include "themed/core/KZUThemes.h"

class ThemedTest : public FormsTest {
 public:
  TForm* form = nullptr;

 protected:
  void SetUp() override {
    form = NewForm(100, 100, 420, 320);
    form->SetColor(TColor(0xE0E0E0));
    form->Show();
    s.display.RunUntilIdle();
  }

  template <class T>
  T* Make(TWinControl* parent, int x, int y, TkzuUIStyle style = TkzuUIStyle::WinXP) {
    T* c = new T(form);
    c->SetParent(parent);
    c->SetLeft(x);
    c->SetTop(y);
    if constexpr (requires { c->SetUIStyle(style); }) c->SetUIStyle(style);
    return c;
  }
  // A control of its own default look on the form, at these bounds.
  template <class T>
  T* Place(int x, int y, int w, int h) {
    T* c = new T(form);
    c->SetParent(form);
    c->SetBounds(x, y, w, h);
    s.display.RunUntilIdle();
    return c;
  }

 public:
  TPoint Screen(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }
  // The presented pixel at a control's client point.
  COLORREF At(TControl* c, int x, int y) { return AtIn(form, c, x, y); }
  // The same for a control on another top-level form.
  COLORREF AtIn(TCustomForm* host, TControl* c, int x, int y) {
    TPoint p = Screen(c, x, y);
    RECT wr{};
    GetWindowRect(host->Handle(), &wr);
    return s.display.PixelAt(host->Handle(), p.X - wr.Left, p.Y - wr.Top);
  }
  // The presented pixels of a control, row by row.
  std::vector<COLORREF> Pixels(TControl* c) {
    s.display.RunUntilIdle();
    std::vector<COLORREF> out;
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x) out.push_back(At(c, x, y));
    return out;
  }
  void MoveOver(TControl* c, int x = 4, int y = -1) {
    TPoint p = Screen(c, x, y < 0 ? c->Height() / 2 : y);
    s.display.MouseMove(p.X, p.Y);
    s.display.RunUntilIdle();
  }
  void Press(TControl* c, int x = 4, int y = -1) {
    TPoint p = Screen(c, x, y < 0 ? c->Height() / 2 : y);
    s.display.MouseMove(p.X, p.Y);
    s.display.MouseDown(p.X, p.Y);
    s.display.RunUntilIdle();
  }
  void Release(TControl* c, int x = 4, int y = -1) {
    TPoint p = Screen(c, x, y < 0 ? c->Height() / 2 : y);
    s.display.MouseUp(p.X, p.Y);
    s.display.RunUntilIdle();
  }
  // A left click, far enough in time from the last one never to pair with
  // it as a double click.
  void ClickOn(TControl* c, int x = 4, int y = -1) {
    Press(c, x, y);
    Release(c, x, y);
    s.display.AdvanceTime(1000);
  }
  // The form's presented pixels, twice the size, written as
  // $LUMIQA_SNAPSHOT_DIR/<name>.png to be looked at; nothing without it.
  void SaveFormSheet(const std::string& name) { SaveWindowSheet(form->Handle(), name); }
  void SaveWindowSheet(HWND window, const std::string& name) {
    const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
    if (!dir) return;
    s.display.RunUntilIdle();
    RECT wr{};
    GetWindowRect(window, &wr);
    const int w = wr.Right - wr.Left, h = wr.Bottom - wr.Top, scale = 2;
    TBitmap sheet(w * scale, h * scale, pf24bit);
    for (int y = 0; y < h * scale; ++y)
      for (int x = 0; x < w * scale; ++x)
        sheet.Canvas()->SetPixels(x, y, TColor(s.display.PixelAt(window, x / scale, y / scale)));
    EXPECT_TRUE(SaveBitmapForDebug(sheet, std::string(dir) + "/" + name + ".png"));
  }
  void MoveAway() {
    s.display.MouseMove(5, 5);
    s.display.RunUntilIdle();
  }
  void Key(int vk) {
    s.display.KeyPress(vk);
    s.display.RunUntilIdle();
  }
  void AltKey(int vk) {
    s.display.KeyDown(VK_MENU);
    s.display.KeyPress(vk);
    s.display.KeyUp(VK_MENU);
    s.display.RunUntilIdle();
  }
};

// A theme picture's pixel as 0x00BBGGRR.
inline COLORREF ThemePixel(const std::string& name, int x, int y) {
  TBitmap b;
  LoadThemeBitmap(name, b);
  return COLORREF(b.Canvas()->Pixels(x, y));
}
