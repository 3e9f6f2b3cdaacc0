// A form on the headless display, a small fixture skin whose state pictures
// are solid colours (so a snapshot pixel names the state drawn), and pixel
// and snapshot helpers. Snapshots go to $LUMIQA_SNAPSHOT_DIR as PNG when it
// is set, for looking at.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/skin/engine/QuietSkinBroadcast.h"
#include "platform/graphics/DebugImage.h"
#include "platform/user/User.h"
#include "skin/controls/SkinCtrls.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "tests/skin/engine/SkinPixels.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace skinctl {

// Fill colours of the fixture button's states (0x00BBGGRR).
constexpr TColor kNormal = 0x00302010, kActive = 0x00306090, kDown = 0x00104020, kDisabled = 0x00909090,
                 kFocused = 0x00A03050, kBorder = 0x00000000;

// A 40 x 100 picture: five 40 x 20 state cells (normal, active, down,
// disabled, focused), each framed by 2 black pixels; then the slider's
// ruler (40 x 6 at y 100) and two 10 x 14 thumb frames at y 106.
inline TDibImage FixturePicture() {
  TDibImage img;
  img.Allocate(40, 120, 24);
  const TColor fills[5] = {kNormal, kActive, kDown, kDisabled, kFocused};
  auto put = [&](int x, int y, TColor c) {
    img.Row(y)[x * 3] = Byte(c >> 16);
    img.Row(y)[x * 3 + 1] = Byte(c >> 8);
    img.Row(y)[x * 3 + 2] = Byte(c);
  };
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 40; ++x) {
      const int cy = y % 20;
      const bool border = x < 2 || x >= 38 || cy < 2 || cy >= 18;
      put(x, y, border ? kBorder : fills[y / 20]);
    }
  // The bottom rows are magenta: the framework's transparent colour is the
  // bottom-left pixel.
  for (int y = 100; y < 106; ++y)
    for (int x = 0; x < 40; ++x) put(x, y, y == 105 ? 0x00FF00FF : 0x00407040);
  for (int y = 106; y < 120; ++y)
    for (int x = 0; x < 40; ++x)
      put(x, y, y == 119 || x >= 20 ? 0x00FF00FF : x < 10 ? 0x000000C0 : 0x0000C000);
  return img;
}

inline std::string FixtureIni(bool morphing) {
  return std::string(
             "[VERSION]\nskinversion=1\n[PICTURES]\nactivepicturescount=1\n0=states.bmp\n"
             "[FORMINFO]\nborderwidth=1\n[SKINOBJECTS]\ncount=0\n"
             "[SKINCONTROLS]\ncount=3\n0=button:button\n1=slider:slider\n2=stdlabel:stdlabel\n"
             "[button]\npictureindex=0\nskinrect=0,0,40,20\nactiveskinrect=0,20,40,40\n"
             "downskinrect=0,40,40,60\ndisabledskinrect=0,60,40,80\nfocusedskinrect=0,80,40,100\n"
             "lefttoppoint=4,4\nrighttoppoint=36,4\nleftbottompoint=4,16\nrightbottompoint=36,16\n"
             "clientrect=2,2,38,18\nleftstretch=1\ntopstretch=1\nrightstretch=1\nbottomstretch=1\n"
             "stretcheffect=1\nfontname=Arial\nfontheight=12\nfontcolor=$00FFFFFF\n"
             "activefontcolor=$00FFFFFF\ndownfontcolor=$00FFFFFF\ndisabledfontcolor=$00FFFFFF\n"
             "morphkind=mkdefault\nmorphing=") +
         (morphing ? "1" : "0") +
         "\n[slider]\npictureindex=0\nhrulerrect=0,100,40,106\nhthumbrect=0,106,20,120\n"
         "vrulerrect=0,100,6,120\nvthumbrect=0,106,20,120\nedgesize=2\nbgcolor=$00E0E0E0\npointscolor=$000000FF\n"
         "[stdlabel]\nfontname=Arial\nfontheight=20\nfontcolor=$000000FF\n"
         "[SKINCOLORS]\ncbtnface=$00F0F0F0\ncbtnhighlight=$00FFFFFF\ncbtnshadow=$00808080\n";
}

class SkinControlsTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TspSkinData* skin = nullptr;

  void SetUp() override {
    savedBroadcast_ = SilenceSkinBroadcast();
    form = NewForm(100, 100, 420, 240);
    form->SetColor(clWhite);
  }
  void TearDown() override { SkinBroadcast() = savedBroadcast_; }

  // The fixture skin, owned by the form.
  TspSkinData* LoadFixtureSkin(bool morphing = false) {
    folder_.WriteBytes("states.bmp", WriteBmp(FixturePicture()));
    folder_.WriteText("Skin.ini", FixtureIni(morphing));
    skin = new TspSkinData(form);
    EXPECT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
    return skin;
  }
  void Show() {
    form->Show();
    s.display.RunUntilIdle();
  }
  void Idle() { s.display.RunUntilIdle(); }
  void Advance(int ms) {
    s.display.AdvanceTime(ms);
    s.display.RunUntilIdle();
  }
  TPoint At(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }
  void MoveTo(TControl* c, int x, int y) {
    const TPoint p = At(c, x, y);
    s.display.MouseMove(p.X, p.Y);
    Idle();
  }
  void Press(TControl* c, int x, int y) {
    const TPoint p = At(c, x, y);
    s.display.MouseMove(p.X, p.Y);
    s.display.MouseDown(p.X, p.Y);
    Idle();
  }
  void Release(TControl* c, int x, int y) {
    const TPoint p = At(c, x, y);
    s.display.MouseMove(p.X, p.Y);
    s.display.MouseUp(p.X, p.Y);
    Idle();
  }
  void Key(int vk) {
    s.display.KeyPress(vk);
    Idle();
  }
  // A pixel of control c (client coordinates) as shown on the form.
  TColor Pixel(TControl* c, int x, int y) {
    const TPoint p = c->ClientToScreen(TPoint{x, y});
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    return TColor(s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top));
  }
  // The control's area of the form as a bitmap, saved as PNG (name) when
  // $LUMIQA_SNAPSHOT_DIR is set.
  void Snapshot(TControl* c, const std::string& name) {
    const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
    if (!dir) return;
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(c->Width() + 8, c->Height() + 8);
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) b.Canvas()->SetPixels(x, y, Pixel(c, x - 4, y - 4));
    SaveBitmapForDebug(b, std::string(dir) + "/" + name + ".png");
  }

  TSkinFolder folder_;

 private:
  TspSkinBroadcast savedBroadcast_;
};

}  // namespace skinctl
