// A skinned form on the headless display: a small fixture skin whose frame
// parts are solid colours (so a pixel names the part drawn), a recording
// frame object the factory makes for every description and caption button,
// and input and pixel helpers.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/DebugImage.h"
#include "platform/user/User.h"
#include "skin/engine/SkinData.h"
#include "skin/windows/Brenvale.h"
#include "tests/platform/ui/FormTestFixture.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace brvtest {

// Fixture frame colours (0x00BBGGRR).
constexpr TColor kTop = 0x00805020, kLeft = 0x00207040, kRight = 0x00206080, kBottom = 0x00603060,
                 kClient = 0x00E0E0E0, kInactiveTop = 0x00404040, kObjNormal = 0x000000C0, kObjActive = 0x0000C000,
                 kObjDown = 0x00C00000;

// The fixture frame is 120 x 80: a 24-row caption band, 4-pixel borders,
// corners 20 pixels wide (30 and 20 high), the client (4, 24, 116, 76). Its
// mask is black but for the outermost 2 x 2 pixels of each corner. Caption
// buttons flow from the caption's right edge.
constexpr int kPW = 120, kPH = 80;

inline TDibImage FramePicture(TColor top) {
  TDibImage img;
  img.Allocate(kPW, kPH, 24);
  for (int y = 0; y < kPH; ++y)
    for (int x = 0; x < kPW; ++x) {
      TColor c = kClient;
      if (y < 24)
        c = top;
      else if (y >= 76)
        c = kBottom;
      else if (x < 4)
        c = kLeft;
      else if (x >= 116)
        c = kRight;
      Byte* p = img.Row(y) + x * 3;
      p[0] = Byte(c >> 16);
      p[1] = Byte(c >> 8);
      p[2] = Byte(c);
    }
  return img;
}

inline TDibImage MaskPicture() {
  TDibImage img;
  img.Allocate(kPW, kPH, 24);
  for (int y = 0; y < kPH; ++y)
    for (int x = 0; x < kPW; ++x) {
      const bool corner = (x < 2 || x >= kPW - 2) && (y < 2 || y >= kPH - 2);
      Byte* p = img.Row(y) + x * 3;
      p[0] = p[1] = p[2] = corner ? 255 : 0;
    }
  return img;
}

// Caption buttons' picture: normal, active and down cells of 14 x 14.
inline TDibImage ButtonsPicture() {
  TDibImage img;
  img.Allocate(42, 14, 24);
  const TColor cells[3] = {kObjNormal, kObjActive, kObjDown};
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 42; ++x) {
      const TColor c = cells[x / 14];
      Byte* p = img.Row(y) + x * 3;
      p[0] = Byte(c >> 16);
      p[1] = Byte(c >> 8);
      p[2] = Byte(c);
    }
  return img;
}

struct TFixtureOptions {
  bool mask = true;
  int borderwidth = 4;
  bool inactive = false;
  std::string extraFormInfo;
  std::string extraSections;
};

inline std::string FrameIni(const TFixtureOptions& o) {
  std::string ini =
      "[VERSION]\nskinversion=1\n[PICTURES]\npicture=frame.bmp\n" +
      std::string(o.mask ? "mask=mask.bmp\n" : "") + (o.inactive ? "inactivepicture=inactive.bmp\n" : "") +
      "activepicturescount=1\n0=buttons.bmp\n"
      "[FORMINFO]\nlefttoppoint=20,30\nrighttoppoint=100,30\nleftbottompoint=20,60\nrightbottompoint=100,60\n"
      "clientrect=4,24,116,76\nleftstretch=1\ntopstretch=1\nrightstretch=1\nbottomstretch=1\n"
      "captionrect=4,4,116,22\nbuttonsoffset=2\n"
      "maskrectarea=4,4,116,76\nhittestlefttoppoint=8,8\nhittestrighttoppoint=112,8\n"
      "hittestleftbottompoint=8,72\nhittestrightbottompoint=112,72\nborderwidth=" +
      std::to_string(o.borderwidth) + "\n" + o.extraFormInfo +
      "[SKINOBJECTS]\ncount=4\n0=caption:caption\n1=closebutton:stdbutton\n2=maxbutton:stdbutton\n"
      "3=minbutton:stdbutton\n"
      "[caption]\nskinrect=4,4,110,22\ndefaultcaption=1\n"
      "[closebutton]\ncommand=cmclose\nactivepictureindex=0\nskinrectinapicture=1\nskinrect=0,0,14,14\n"
      "activeskinrect=14,0,28,14\ndownrect=28,0,42,14\n"
      "[maxbutton]\ncommand=cmmaximize\nactivepictureindex=0\nskinrectinapicture=1\nskinrect=0,0,14,14\n"
      "activeskinrect=14,0,28,14\ndownrect=28,0,42,14\n"
      "[minbutton]\ncommand=cmminimize\nactivepictureindex=0\nskinrectinapicture=1\nskinrect=0,0,14,14\n"
      "activeskinrect=14,0,28,14\ndownrect=28,0,42,14\n"
      "[SKINCONTROLS]\ncount=0\n" +
      o.extraSections;
  return ini;
}

// A frame object that draws a solid cell for its state and records what the
// controller asks of it.
class TRecordingObject : public TspActiveSkinObject {
 public:
  TRecordingObject(TspBrenvale* c, TspDataSkinObject* d, TspObjectKind kind, int command)
      : TspActiveSkinObject(c, d), kind_(kind), command_(command) {}
  TspObjectKind Kind() const override { return kind_; }
  int Command() const override { return command_; }
  bool DefaultCaption() const override { return defaultCaption_; }
  void SetDefaultCaption(bool v) override { defaultCaption_ = v; }
  void SetCaptionText(const std::string& t) override { Text = t; }
  bool IsDown() const override { return Down; }
  void SetObjectDown(bool v) override { Down = v; }
  void ActivationChanged(bool On) override { Log.push_back(On ? "activation on" : "activation off"); }
  void Draw(TCanvas* c, bool UpDate) override {
    ++Draws;
    if (kind_ == TspObjectKind::Caption) return;
    c->Brush()->SetColor(Down && PointerInside ? kObjDown : Active ? kObjActive : kObjNormal);
    c->FillRect(ObjectRect);
    (void)UpDate;
  }
  void MouseDown(int X, int Y, TMouseButton B) override {
    Log.push_back("down " + std::to_string(X) + "," + std::to_string(Y));
    Down = B == TMouseButton::mbLeft;
    TspActiveSkinObject::MouseDown(X, Y, B);
    if (OnDown) OnDown();
  }
  void MouseUp(int X, int Y, TMouseButton B) override {
    Log.push_back("up " + std::to_string(X) + "," + std::to_string(Y) + (PointerInside ? " inside" : " outside"));
    Down = false;
    TspActiveSkinObject::MouseUp(X, Y, B);
  }
  void MouseEnter() override {
    Log.push_back("enter");
    TspActiveSkinObject::MouseEnter();
  }
  void MouseLeave() override {
    Log.push_back("leave");
    TspActiveSkinObject::MouseLeave();
  }
  void DblClick() override { Log.push_back("dblclick"); }

  std::vector<std::string> Log;
  std::string Text;
  bool Down = false;
  int Draws = 0;
  std::function<void()> OnDown;

 private:
  TspObjectKind kind_;
  int command_;
  bool defaultCaption_ = false;
};

// Installs a factory of recording objects for a test's lifetime.
class TRecordingFactory {
 public:
  TRecordingFactory() : saved_(SkinObjectFactory()) {
    TspSkinObjectFactory& f = SkinObjectFactory();
    f.FromDescription = [](TspBrenvale* c, TspDataSkinObject* d) -> std::unique_ptr<TspActiveSkinObject> {
      if (auto* b = dynamic_cast<TspDataSkinStdButton*>(d))
        return std::make_unique<TRecordingObject>(c, d, TspObjectKind::StdButton, int(b->command));
      if (auto* cap = dynamic_cast<TspDataSkinCaption*>(d)) {
        auto o = std::make_unique<TRecordingObject>(c, d, TspObjectKind::Caption, -1);
        o->SetDefaultCaption(cap->defaultcaption);
        return o;
      }
      return std::make_unique<TRecordingObject>(c, d, TspObjectKind::User, -1);
    };
    f.CaptionButton = [](TspBrenvale* c, const std::string& name,
                         TspSkinCommand cmd) -> std::unique_ptr<TspActiveSkinObject> {
      auto o = std::make_unique<TRecordingObject>(c, nullptr, TspObjectKind::StdButton, int(cmd));
      o->IDName = name;
      return o;
    };
  }
  ~TRecordingFactory() { SkinObjectFactory() = saved_; }

 private:
  TspSkinObjectFactory saved_;
};

// The fixture skin's pictures and ini, written into `folder` as Skin.ini.
inline void WriteFixtureSkin(TSkinFolder& folder, const TFixtureOptions& o = {}) {
  folder.WriteBytes("frame.bmp", WriteBmp(FramePicture(kTop)));
  folder.WriteBytes("inactive.bmp", WriteBmp(FramePicture(kInactiveTop)));
  folder.WriteBytes("mask.bmp", WriteBmp(MaskPicture()));
  folder.WriteBytes("buttons.bmp", WriteBmp(ButtonsPicture()));
  folder.WriteText("Skin.ini", FrameIni(o));
}

class BrenvaleTest : public FormsTest {
 protected:
  TRecordingFactory factory_;
  TForm* form = nullptr;
  TspBrenvale* ctl = nullptr;
  TspSkinData* skin = nullptr;
  TSkinFolder folder_;

  // A form at (100, 100) of w x h with a controller.
  void MakeForm(int w = 300, int h = 200) {
    form = NewForm(100, 100, w, h);
    ctl = new TspBrenvale(form);
  }
  TspSkinData* LoadFixtureSkin(const TFixtureOptions& o = {}) {
    WriteFixtureSkin(folder_, o);
    skin = new TspSkinData(form);
    EXPECT_TRUE(skin->LoadFromFile(folder_.Path("Skin.ini"))) << skin->LastLoadError;
    return skin;
  }
  void Show() {
    form->Show();
    Idle();
  }
  void Idle() { s.display.RunUntilIdle(); }
  void Advance(int ms) {
    s.display.AdvanceTime(ms);
    Idle();
  }
  // Window coordinates to screen.
  TPoint Scr(int x, int y) { return TPoint{form->Left() + x, form->Top() + y}; }
  void MoveTo(int x, int y) {
    const TPoint p = Scr(x, y);
    s.display.MouseMove(p.X, p.Y);
    Idle();
  }
  void Press(int x, int y) {
    MoveTo(x, y);
    const TPoint p = Scr(x, y);
    s.display.MouseDown(p.X, p.Y);
    Idle();
  }
  void Release(int x, int y) {
    MoveTo(x, y);
    const TPoint p = Scr(x, y);
    s.display.MouseUp(p.X, p.Y);
    Idle();
  }
  // A presented pixel in window coordinates.
  TColor Pixel(int x, int y) { return TColor(s.display.PixelAt(form->Handle(), x, y)); }
  LRESULT HitAt(int x, int y) {
    const TPoint p = Scr(x, y);
    return SendMessage(form->Handle(), WM_NCHITTEST, 0, MAKELPARAM(p.X, p.Y));
  }
  TRecordingObject* Obj(const std::string& name) {
    for (auto& o : ctl->ObjectList)
      if (o->IDName == name) return dynamic_cast<TRecordingObject*>(o.get());
    return nullptr;
  }
  // The window as shown, saved as PNG under $LUMIQA_SNAPSHOT_DIR when set.
  void Snapshot(const std::string& name) {
    const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
    if (!dir) return;
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(form->Width(), form->Height());
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        const COLORREF c = s.display.PixelAt(form->Handle(), x, y);
        b.Canvas()->SetPixels(x, y, c == CLR_INVALID ? TColor(0x00FF00FF) : TColor(c));
      }
    SaveBitmapForDebug(b, std::string(dir) + "/" + name + ".png");
  }
};

}  // namespace brvtest
