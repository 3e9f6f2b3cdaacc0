// A skinned form's controller on the headless display with a small fixture
// skin whose state images are solid colours, so a drawn pixel names the
// state; objects are drawn into plain bitmaps and read back. Snapshots go
// to $LUMIQA_SNAPSHOT_DIR as PNG when it is set.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "tests/skin/engine/QuietSkinBroadcast.h"
#include "platform/graphics/DebugImage.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Objects.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace skinobj {

// State colours of the fixture's caption-button cells (0x00BBGGRR).
constexpr TColor kNormal = 0x00400000, kActive = 0x00008000, kDown = 0x00000080, kInactive = 0x00808080,
                 kDisabled = 0x00800080, kRestore = 0x00004080, kRestoreActive = 0x0000C0C0,
                 kRestoreDown = 0x00C00000, kRestoreInactive = 0x00C0C0C0;
// The frame picture: the caption band and the rest.
constexpr TColor kBand = 0x00A06040, kFrame = 0x00D0D0D0;
// Three animation frames of the caption, side by side.
constexpr TColor kAnim[3] = {0x00102030, 0x00203040, 0x00304050};

inline void Put(TDibImage& img, int x, int y, TColor c) {
  img.Row(y)[x * 3] = Byte(c >> 16);
  img.Row(y)[x * 3 + 1] = Byte(c >> 8);
  img.Row(y)[x * 3 + 2] = Byte(c);
}
inline void FillCell(TDibImage& img, int x0, int y0, int w, int h, TColor c) {
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) Put(img, x, y, c);
}

// 100 x 64: row 0 the button states, row 1 the restore states (20 x 20
// cells), then three 60 x 24 animation frames at y 40.
inline TDibImage StatesPicture() {
  TDibImage img;
  img.Allocate(180, 64, 24);
  const TColor row0[5] = {kNormal, kActive, kDown, kInactive, kDisabled};
  const TColor row1[4] = {kRestore, kRestoreActive, kRestoreDown, kRestoreInactive};
  for (int i = 0; i < 5; ++i) FillCell(img, i * 20, 0, 20, 20, row0[i]);
  for (int i = 0; i < 4; ++i) FillCell(img, i * 20, 20, 20, 20, row1[i]);
  for (int i = 0; i < 3; ++i) FillCell(img, i * 60, 40, 60, 24, kAnim[i]);
  return img;
}

// Black (inside) but the two left columns, which are almost black.
inline TDibImage ObjectMaskPicture() {
  TDibImage img;
  img.Allocate(20, 20, 24);
  for (int y = 0; y < 20; ++y) Put(img, 0, y, 0x00000001), Put(img, 1, y, 0x00010000);
  return img;
}

inline TDibImage FramePicture() {
  TDibImage img;
  img.Allocate(200, 100, 24);
  FillCell(img, 0, 0, 200, 100, kFrame);
  FillCell(img, 0, 0, 200, 26, kBand);
  return img;
}

inline std::string ObjectsIni(bool morphing) {
  const std::string m = morphing ? "1" : "0";
  return "[VERSION]\nskinversion=1\n[PICTURES]\npicture=frame.bmp\nactivepicturescount=2\n0=states.bmp\n1=mask.bmp\n"
         "[FORMINFO]\nclientrect=4,26,196,96\nlefttoppoint=30,30\nrighttoppoint=170,30\n"
         "leftbottompoint=30,90\nrightbottompoint=170,90\nleftstretch=1\ntopstretch=1\nrightstretch=1\n"
         "bottomstretch=1\ncaptionrect=4,2,196,24\nbuttonsrect=120,2,196,24\nbuttonsoffset=2\nborderwidth=4\n"
         "[SKINOBJECTS]\ncount=7\n0=caption:caption\n1=closebutton:stdbutton\n2=maxbutton:stdbutton\n"
         "3=first:button\n4=second:button\n5=plain:button\n6=painted:userobject\n"
         "[caption]\nskinrect=10,0,190,24\ntextrect=4,2,150,22\ndefaultcaption=1\nfontname=Arial\n"
         "fontheight=14\nfontcolor=$00808080\nactivefontcolor=$00FFFFFF\nalignment=taleftjustify\n"
         "activepictureindex=0\nactiveskinrect=0,40,180,64\n"
         "[closebutton]\ncommand=cmclose\nactivepictureindex=0\nactivemaskpictureindex=1\nskinrectinapicture=1\n"
         "skinrect=0,0,20,20\nactiveskinrect=20,0,40,20\ndownrect=40,0,60,20\ninactiveskinrect=60,0,80,20\n"
         "hint=Close it\nmorphing=" + m + "\n"
         "[maxbutton]\ncommand=cmmaximize\nactivepictureindex=0\nskinrectinapicture=1\n"
         "skinrect=0,0,20,20\nactiveskinrect=20,0,40,20\ndownrect=40,0,60,20\ndisableskinrsect=80,0,100,20\n"
         "restorerect=0,20,20,40\nrestoreactiverect=20,20,40,40\nrestoredownrect=40,20,60,40\n"
         "restoreinactiverect=60,20,80,40\nhint=Max it\nrestorehint=Restore it\nmorphing=" + m + "\n"
         "[first]\nactivepictureindex=0\nskinrectinapicture=1\nskinrect=0,0,20,20\nactiveskinrect=20,0,40,20\n"
         "downrect=40,0,60,20\ngroupindex=1\n"
         "[second]\nactivepictureindex=0\nskinrectinapicture=1\nskinrect=0,0,20,20\nactiveskinrect=20,0,40,20\n"
         "downrect=40,0,60,20\ngroupindex=1\n"
         "[plain]\nactivepictureindex=0\nskinrectinapicture=1\nskinrect=0,0,20,20\nmorphing=1\n"
         "[painted]\nskinrect=60,4,80,20\n"
         "[SKINCONTROLS]\ncount=1\n0=button:button\n[button]\npictureindex=0\nskinrect=0,0,20,20\n";
}

class BrenvaleObjectsTest : public FormsTest {
 protected:
  TForm* form = nullptr;
  TspBrenvale* controller = nullptr;
  TspSkinData* skin = nullptr;
  std::vector<std::string> events;

  void SetUp() override {
    savedBroadcast_ = SilenceSkinBroadcast();
    form = NewForm(100, 100, 320, 200);
    form->SetCaption("Lumiqa");
    controller = new TspBrenvale(form);
    controller->OnMouseEnterEvent = [this](const std::string& id) { events.push_back("enter " + id); };
    controller->OnMouseLeaveEvent = [this](const std::string& id) { events.push_back("leave " + id); };
    controller->OnMouseDownEvent = [this](const std::string& id, int, int, const TRect&, TMouseButton) {
      events.push_back("down " + id);
    };
    controller->OnMouseUpEvent = [this](const std::string& id, int, int, const TRect&, TMouseButton) {
      events.push_back("up " + id);
    };
  }
  void TearDown() override {
    // The forms go after this fixture: nothing may call back into it.
    controller->OnMouseEnterEvent = nullptr;
    controller->OnMouseLeaveEvent = nullptr;
    controller->OnMouseDownEvent = nullptr;
    controller->OnMouseUpEvent = nullptr;
    controller->OnPaintEvent = nullptr;
    controller->OnCaptionPaint = nullptr;
    SkinBroadcast() = savedBroadcast_;
  }
  void Idle() {
    app.ProcessMessages();
    s.display.RunUntilIdle();
  }
  void Advance(int ms) {
    s.display.AdvanceTime(ms);
    Idle();
  }
  void LoadFixtureSkin(bool morphing = false) {
    folder_.WriteBytes("frame.bmp", WriteBmp(FramePicture()));
    folder_.WriteBytes("states.bmp", WriteBmp(StatesPicture()));
    folder_.WriteBytes("mask.bmp", WriteBmp(ObjectMaskPicture()));
    folder_.WriteText("Skin.ini", ObjectsIni(morphing));
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
    controller->SetSkinData(skin);
  }
  void LoadWizardSkin() {
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(kWizardSkin)) << skin->LastLoadError;
    controller->SetSkinData(skin);
  }
  void Show() {
    form->Show();
    Idle();
  }
  // An object of the controller's list by its IDName, of class T.
  template <class T>
  T* Object(const std::string& id) {
    for (auto& o : controller->ObjectList)
      if (o->IDName == id)
        if (auto* t = dynamic_cast<T*>(o.get())) return t;
    return nullptr;
  }
  // A fresh object of the skin's description named id.
  template <class T>
  std::unique_ptr<T> Make(const std::string& id) {
    TspDataSkinObject* d = skin->FindObject<TspDataSkinObject>(id);
    EXPECT_TRUE(d) << id;
    auto o = CreateCaptionObjectFromDescription(controller, d);
    T* t = dynamic_cast<T*>(o.get());
    EXPECT_TRUE(t) << id;
    o.release();
    return std::unique_ptr<T>(t);
  }
  // Draws o (UpDate set) into a w x h bitmap filled with background.
  static void DrawInto(TspActiveSkinObject& o, TBitmap& b, int w, int h, TColor background = 0x00FF00FF,
                       bool update = true) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    b.Canvas()->Brush()->SetColor(background);
    b.Canvas()->FillRect(TRect{0, 0, w, h});
    o.Draw(b.Canvas(), update);
  }
  static TColor Px(TBitmap& b, int x, int y) { return b.Canvas()->Pixels(x, y); }
  // The bounding box of the pixels of colour c; empty when none.
  static TRect Ink(TBitmap& b, TColor c, const TRect& within) {
    TRect r{within.Right, within.Bottom, within.Left, within.Top};
    for (int y = within.Top; y < within.Bottom; ++y)
      for (int x = within.Left; x < within.Right; ++x)
        if (Px(b, x, y) == c) {
          r.Left = std::min(r.Left, x);
          r.Top = std::min(r.Top, y);
          r.Right = std::max(r.Right, x + 1);
          r.Bottom = std::max(r.Bottom, y + 1);
        }
    return r;
  }
  static int Colours(TBitmap& b, const TRect& within) {
    std::set<TColor> seen;
    for (int y = within.Top; y < within.Bottom; ++y)
      for (int x = within.Left; x < within.Right; ++x) seen.insert(Px(b, x, y));
    return int(seen.size());
  }
  // Saved three times enlarged, to be looked at.
  static void Snapshot(TBitmap& b, const std::string& name) {
    const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
    if (!dir || b.Empty()) return;
    TBitmap big(b.Width() * 3, b.Height() * 3, pf24bit);
    big.Canvas()->CopyRect(TRect{0, 0, big.Width(), big.Height()}, b.Canvas(), TRect{0, 0, b.Width(), b.Height()});
    SaveBitmapForDebug(big, std::string(dir) + "/" + name + ".png");
  }
  // Pixels of colour c inside within.
  static int Count(TBitmap& b, TColor c, const TRect& within) {
    int n = 0;
    for (int y = within.Top; y < within.Bottom; ++y)
      for (int x = within.Left; x < within.Right; ++x) n += Px(b, x, y) == c;
    return n;
  }

  TSkinFolder folder_;

 private:
  TspSkinBroadcast savedBroadcast_;
};

}  // namespace skinobj
