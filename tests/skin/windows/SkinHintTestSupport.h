// A form on the headless display with a skinned hint, a small hint skin
// (a 40 x 30 picture: a green ring around a dark blue client rectangle,
// and a mask without its top-left corner) and pixel helpers. Snapshots go
// to $LUMIQA_SNAPSHOT_DIR as PNG when it is set.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "tests/skin/engine/QuietSkinBroadcast.h"
#include "platform/gdi/Gdi.h"
#include "platform/graphics/DebugImage.h"
#include "platform/graphics/ImageList.h"
#include "platform/user/User.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/SkinHint.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace skinhint {

inline constexpr TColor kRing = 0x0000A000;    // the hint picture outside its client rectangle
inline constexpr TColor kInside = 0x00400000;  // inside it

inline TDibImage HintPicture() {
  TDibImage img;
  img.Allocate(40, 30, 24);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 4 && x < 36 && y >= 4 && y < 26;
      const TColor c = inside ? kInside : kRing;
      img.Row(y)[x * 3] = Byte(c >> 16);
      img.Row(y)[x * 3 + 1] = Byte(c >> 8);
      img.Row(y)[x * 3 + 2] = Byte(c);
    }
  return img;
}

// Black (inside) except the top-left 3 x 3 corner.
inline TDibImage HintMask() {
  TDibImage img;
  img.Allocate(40, 30, 24);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) img.Row(y)[x * 3] = img.Row(y)[x * 3 + 1] = img.Row(y)[x * 3 + 2] = 255;
  return img;
}

inline std::string HintIni(bool mask) {
  return std::string(
             "[VERSION]\nskinversion=1\n[PICTURES]\nactivepicturescount=2\n0=hint.bmp\n1=mask.bmp\n"
             "[FORMINFO]\nborderwidth=1\n[SKINOBJECTS]\ncount=0\n[SKINCONTROLS]\ncount=1\n0=button:button\n"
             "[button]\npictureindex=0\nskinrect=0,0,40,30\n"
             "[HINTWINDOW]\nwindowpictureindex=0\nmaskpictureindex=") +
         (mask ? "1" : "-1") +
         "\nlefttoppoint=5,5\nrighttoppoint=35,5\nleftbottompoint=5,25\nrightbottompoint=35,25\n"
         "clientrect=4,4,36,26\nfontname=Arial\nfontheight=12\nfontcolor=$00FFFFFF\n"
         "leftstretch=1\ntopstretch=1\nrightstretch=1\nbottomstretch=1\n";
}

class SkinHintTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TspSkinHint* hint = nullptr;
  TspSkinData* skin = nullptr;
  TCustomControl* target = nullptr;

  void SetUp() override {
    savedBroadcast_ = SilenceSkinBroadcast();
    form = NewForm(100, 100, 400, 300);
    form->SetColor(0x000000FF);
    hint = new TspSkinHint(form);
    target = new TCustomControl(form);
    target->SetParent(form);
    target->SetBounds(10, 10, 100, 40);
    target->SetShowHint(true);
    form->Show();
    Idle();
  }
  void TearDown() override {
    SetCursor(nullptr);
    SkinBroadcast() = savedBroadcast_;
  }
  // The application's loop runs the hint layer.
  void Idle() {
    app.ProcessMessages();
    s.display.RunUntilIdle();
  }
  void Advance(int ms) {
    s.display.AdvanceTime(ms);
    Idle();
  }
  void LoadSkin(bool mask = false, const std::string& ini = "") {
    folder_.WriteBytes("hint.bmp", WriteBmp(HintPicture()));
    folder_.WriteBytes("mask.bmp", WriteBmp(HintMask()));
    folder_.WriteText("Skin.ini", ini.empty() ? HintIni(mask) : ini);
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
    hint->SetSkinData(skin);
  }
  void MoveTo(TControl* c, int x = 20, int y = 20) {
    const TPoint p = c->ClientToScreen(TPoint{x, y});
    s.display.MouseMove(p.X, p.Y);
    Idle();
  }
  // The framework's hint for target, shown after the hint pause.
  TspSkinHintWindow* ShowFrameworkHint(const std::string& text, TControl* over = nullptr) {
    over = over ? over : target;
    over->Hint = text;
    MoveTo(over);
    Advance(app.HintPause);
    return dynamic_cast<TspSkinHintWindow*>(app.HintWindow());
  }
  static bool Shown(THintWindow* w) { return w && w->HandleAllocated() && IsWindowVisible(w->Handle()); }
  static TRect WindowRect(TWinControl* w) {
    RECT r{};
    GetWindowRect(w->Handle(), &r);
    return r;
  }
  TColor PixelOf(TWinControl* w, int x, int y) { return TColor(s.display.PixelAt(w->Handle(), x, y)); }
  // The size DrawText gives text in a font.
  static TSize Measure(const std::string& text, const std::string& font, int height, TFontStyles style = 0) {
    TBitmap b;
    b.SetSize(1, 1);
    b.Canvas()->Font()->SetName(font);
    b.Canvas()->Font()->SetHeight(height);
    b.Canvas()->Font()->SetStyle(style);
    RECT r{0, 0, 0, 0};
    DrawText(b.Canvas()->Handle(), text.c_str(), -1, &r, DT_CALCRECT);
    return TSize{r.Right, r.Bottom};
  }
  void Snapshot(TWinControl* w, const std::string& name) {
    const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
    if (!dir) return;
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w->Width(), w->Height());
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) b.Canvas()->SetPixels(x, y, PixelOf(w, x, y));
    SaveBitmapForDebug(b, std::string(dir) + "/" + name + ".png");
  }

  TSkinFolder folder_;

 private:
  TspSkinBroadcast savedBroadcast_;
};

}  // namespace skinhint
