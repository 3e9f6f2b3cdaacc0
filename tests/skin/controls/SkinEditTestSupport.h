// Helpers for the skinned edits, spin edits and panels: the wizard's skin,
// pixels in window coordinates (the edits have a frame outside their client
// area), typing and an event log.
#pragma once
#include <string>
#include <vector>

#include "platform/user/system/SysMetrics.h"
#include "tests/platform/ui/ClipboardText.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"

namespace skinctl {

inline const std::string kWizardSkinIni = std::string(LUMIQA_TEST_DATA) + "/../../resources/Skin/Skin.ini";

class SkinBoxTest : public SkinControlsTest {
 protected:
  using Log = std::vector<std::string>;
  Log log;

  Log Take() {
    Log out;
    out.swap(log);
    return out;
  }
  void LoadWizardSkin() {
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(kWizardSkinIni)) << skin->LastLoadError;
  }
  void Type(const char* utf8) {
    s.display.Text(utf8);
    Idle();
  }
  void With(int modifier, int vk) {
    s.display.KeyDown(modifier);
    s.display.KeyPress(vk);
    s.display.KeyUp(modifier);
    Idle();
  }
  // Window-relative pixel of control c (frame included).
  TColor WinPixel(TControl* c, int x, int y) {
    const TPoint p = c->Parent()->ClientToScreen(TPoint{c->Left() + x, c->Top() + y});
    RECT wr{};
    GetWindowRect(form->Handle(), &wr);
    return TColor(s.display.PixelAt(form->Handle(), p.X - wr.Left, p.Y - wr.Top));
  }
  TPoint WinAt(TControl* c, int x, int y) { return c->Parent()->ClientToScreen(TPoint{c->Left() + x, c->Top() + y}); }
  // The control's whole window with a margin, as PNG in $LUMIQA_SNAPSHOT_DIR.
  void WinSnapshot(TControl* c, const std::string& name) {
    const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
    if (!dir) return;
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(c->Width() + 8, c->Height() + 8);
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) b.Canvas()->SetPixels(x, y, WinPixel(c, x - 4, y - 4));
    SaveBitmapForDebug(b, std::string(dir) + "/" + name + ".png");
  }
};

}  // namespace skinctl
