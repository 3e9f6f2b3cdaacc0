// The skin the wizard ships (resources/Skin): it loads, every description
// the wizard's windows and controls look up is there with pictures that hold
// its rectangles, the stored compressed form loads to the same thing, and
// the frame composes without seams at the wizard's sizes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/DebugImage.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/StringList.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataStored.h"
#include "skin/engine/SkinStrings.h"
#include "tests/skin/engine/SkinPixels.h"
#include "tests/skin/engine/SkinTestUtil.h"

using namespace skinpx;

namespace {

class WizardSkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TspSkinBroadcast& b = SkinBroadcast();
    saved_ = b;
    b.Send = [](TComponent*, unsigned, WPARAM, LPARAM) {};
    b.Forms = [] { return std::vector<TComponent*>{}; };
    b.IsForm = [](const TComponent*) { return false; };
    TspSkinCursorTable& c = SkinCursorTable();
    savedCursors_ = c;
    c.LoadCursorFromFile = [](const std::string&) { return std::uintptr_t(0); };
    c.SetCursor = [](int, std::uintptr_t) {};
    ASSERT_TRUE(skin.LoadFromFile(kWizardSkin)) << skin.LastLoadError;
  }
  void TearDown() override {
    SkinBroadcast() = saved_;
    SkinCursorTable() = savedCursors_;
  }

  // A rectangle of a picture, non-empty and inside it.
  void ExpectIn(int pictureIndex, const TRect& r, const std::string& what) const {
    TBitmap* p = skin.GetActivePicture(pictureIndex);
    ASSERT_NE(p, nullptr) << what;
    EXPECT_FALSE(IsNullRect(r)) << what;
    EXPECT_TRUE(r.Left >= 0 && r.Top >= 0 && r.Right <= p->Width() && r.Bottom <= p->Height()) << what;
  }
  void ExpectState(int pictureIndex, const TRect& state, const TRect& normal, const std::string& what) const {
    ExpectIn(pictureIndex, state, what);
    EXPECT_EQ(state.Width(), normal.Width()) << what;
    EXPECT_EQ(state.Height(), normal.Height()) << what;
  }

  TspSkinData skin{nullptr};

 private:
  TspSkinBroadcast saved_;
  TspSkinCursorTable savedCursors_;
};

TEST_F(WizardSkinTest, FrameAndCaptionButtonsWithAllTheirStatesAndGlow) {
  EXPECT_TRUE(skin.FrameUsable());
  EXPECT_FALSE(skin.InactivePicture.Empty());
  EXPECT_EQ(skin.InactivePicture.Width(), skin.Picture.Width());
  EXPECT_GT(skin.borderwidth, 0);
  auto* caption = skin.FindObject<TspDataSkinCaption>("caption");
  ASSERT_NE(caption, nullptr);
  EXPECT_TRUE(caption->defaultcaption);
  const struct {
    const char* name;
    TspSkinCommand command;
    bool restore;
  } buttons[] = {{"closebutton", cmClose, false}, {"maxbutton", cmMaximize, true}, {"minbutton", cmMinimize, false}};
  for (const auto& b : buttons) {
    auto* d = skin.FindObject<TspDataSkinStdButton>(b.name);
    ASSERT_NE(d, nullptr) << b.name;
    EXPECT_EQ(d->command, b.command) << b.name;
    EXPECT_TRUE(d->skinrectinapicture) << b.name;
    const int pic = d->activepictureindex;
    for (const TRect& r : {d->activeskinrect, d->downrect, d->inactiveskinrect})
      ExpectState(pic, r, d->skinrect, b.name);
    if (b.restore)
      for (const TRect& r : {d->restorerect, d->restoreactiverect, d->restoredownrect, d->restoreinactiverect})
        ExpectState(pic, r, d->skinrect, std::string(b.name) + " restore");
    TBitmap* glow = skin.GetActivePicture(d->glowlayerpictureindex);
    TBitmap* mask = skin.GetActivePicture(d->glowlayermaskpictureindex);
    ASSERT_NE(glow, nullptr) << b.name;
    ASSERT_NE(mask, nullptr) << b.name;
    EXPECT_EQ(glow->Width(), d->skinrect.Width() + 2 * d->glowlayeroffsetx) << b.name;
    EXPECT_EQ(glow->Height(), d->skinrect.Height() + 2 * d->glowlayeroffsety) << b.name;
    // The glow never covers the button it surrounds.
    EXPECT_EQ(Px(*mask, glow->Width() / 2, glow->Height() / 2), 0u) << b.name;
  }
  EXPECT_NE(skin.FindObject<TspDataSkinMenuItem>("menuitem"), nullptr);
}

TEST_F(WizardSkinTest, EveryControlTheWizardBindsHasItsDescription) {
  auto* button = skin.FindControl<TspDataSkinButtonControl>("button");
  ASSERT_NE(button, nullptr);
  for (const TRect& r : {button->activeskinrect, button->downskinrect, button->disabledskinrect,
                         button->focusedskinrect})
    ExpectState(button->pictureindex, r, button->skinrect, "button");
  EXPECT_NE(button->rightbottompoint.X, 0);  // free size
  // The glow surrounds the button's skin rectangle by its margins, so the
  // glow fitted to a button of any size surrounds the whole button.
  TBitmap* glow = skin.GetActivePicture(button->glowlayerpictureindex);
  TBitmap* glowMask = skin.GetActivePicture(button->glowlayermaskpictureindex);
  ASSERT_NE(glow, nullptr);
  ASSERT_NE(glowMask, nullptr);
  EXPECT_EQ(glow->Width(), button->skinrect.Width() + button->glowlayeroffsetleft + button->glowlayeroffsetright);
  EXPECT_EQ(glow->Height(), button->skinrect.Height() + button->glowlayeroffsettop + button->glowlayeroffsetbottom);
  EXPECT_EQ(glowMask->Width(), glow->Width());
  EXPECT_EQ(glowMask->Height(), glow->Height());
  EXPECT_NE(skin.FindControl<TspDataSkinStdLabelControl>("stdlabel"), nullptr);
  auto* edit = skin.FindControl<TspDataSkinEditControl>("edit");
  ASSERT_NE(edit, nullptr);
  ExpectState(edit->pictureindex, edit->activeskinrect, edit->skinrect, "edit");
  auto* spin = skin.FindControl<TspDataSkinSpinEditControl>("spinedit");
  ASSERT_NE(spin, nullptr);
  ExpectState(spin->pictureindex, spin->activeskinrect, spin->skinrect, "spinedit");
  for (const TRect& r : {spin->activeupbuttonrect, spin->downupbuttonrect, spin->activedownbuttonrect,
                         spin->downdownbuttonrect})
    ExpectIn(spin->pictureindex, r, "spin button");
  EXPECT_GT(spin->upbuttonrect.Left, spin->righttoppoint.X);
  for (const TRect& r : {spin->activeupbuttonrect, spin->downupbuttonrect}) {
    EXPECT_EQ(r.Width(), spin->upbuttonrect.Width());
    EXPECT_EQ(r.Height(), spin->upbuttonrect.Height());
  }
  for (const TRect& r : {spin->activedownbuttonrect, spin->downdownbuttonrect}) {
    EXPECT_EQ(r.Width(), spin->downbuttonrect.Width());
    EXPECT_EQ(r.Height(), spin->downbuttonrect.Height());
  }
  auto* slider = skin.FindControl<TspDataSkinSlider>("slider");
  ASSERT_NE(slider, nullptr);
  for (const TRect& r : {slider->hrulerrect, slider->hthumbrect, slider->vrulerrect, slider->vthumbrect})
    ExpectIn(slider->pictureindex, r, "slider");
  // Transparent pieces: their bottom-left pixel is the key colour.
  TBitmap* sp = skin.GetActivePicture(slider->pictureindex);
  for (const TRect& r : {slider->hrulerrect, slider->hthumbrect, slider->vrulerrect, slider->vthumbrect})
    EXPECT_EQ(Px(*sp, r.Left, r.Bottom - 1), 0xFF00FFu);
  for (const char* name : {"panel", "statusbar"}) {
    auto* panel = skin.FindControl<TspDataSkinPanelControl>(name);
    ASSERT_NE(panel, nullptr) << name;
    ExpectIn(panel->pictureindex, panel->skinrect, name);
  }
  EXPECT_NE(skin.GetActivePicture(skin.PopupWindow.windowpictureindex), nullptr);
  EXPECT_NE(skin.GetActivePicture(skin.HintWindow.windowpictureindex), nullptr);
  EXPECT_EQ(skin.SkinColors.cbtnface, TColor(0x00F6F4F3));
  EXPECT_EQ(skin.SkinColors.cwindow, TColor(0x00FFFFFF));
}

// The skin carries the skin library's texts in Chinese for what the wizard
// shows: window menu, caption hints, edit menu, message dialog.
TEST_F(WizardSkinTest, CarriesTheLibrarysTextsInChinese) {
  TspResourceStrData strings(nullptr);
  ASSERT_TRUE(LoadSkinResStrings(&strings, kWizardSkin));
  const std::pair<const char*, const char*> cases[] = {
      {"MI_MAXCAPTION", "最大化(&X)"}, {"MI_MINCAPTION", "最小化(&N)"}, {"MI_RESTORECAPTION", "还原(&R)"},
      {"MI_CLOSECAPTION", "关闭(&C)"}, {"MAXBUTTON_HINT", "最大化"},    {"EDIT_COPY", "复制"},
      {"EDIT_SELECTALL", "全选"},       {"MSG_BTN_YES", "是(&Y)"},       {"MSG_BTN_NO", "否(&N)"},
      {"MSG_BTN_OK", "确定"},          {"MSG_CAP_WARNING", "警告"},     {"MSG_CAP_CONFIRM", "确认"},
      // Keys the skin leaves alone keep the library's own text.
      {"MSG_BTN_OPEN", "&Open"},       {"FLV_LOOKIN", "Look in: "},
  };
  for (auto [key, text] : cases) EXPECT_EQ(strings.GetResStr(key), text) << key;
  EXPECT_EQ(strings.ResStrings()->Count(), SkinDefaultResStringCount);
}

TEST_F(WizardSkinTest, ASkinWithoutTextsLeavesTheTableAlone) {
  const std::string ini = std::string(LUMIQA_TEST_DATA) + "/../../resources/Skin/frame.bmp";  // no ini sections
  TspResourceStrData strings(nullptr);
  TStringList lines;
  lines.Add("EDIT_COPY=mine");
  strings.SetResStrings(&lines);
  EXPECT_FALSE(LoadSkinResStrings(&strings, ini));
  EXPECT_FALSE(LoadSkinResStrings(&strings, "/nonexistent/Skin.ini"));
  EXPECT_EQ(strings.GetResStr("EDIT_COPY"), "mine");
}

// Every description written back as ini text, in list order.
std::string Describe(const TspSkinData& d) {
  TMemIniFile ini;
  for (const auto& c : d.SkinControls) c->SaveToIni(ini);
  for (const auto& o : d.SkinObjects) o->SaveToIni(ini);
  TStringList out;
  ini.GetStrings(&out);
  return out.Text();
}

bool SameColours(TBitmap& a, TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (Px(a, x, y) != Px(b, x, y)) return false;
  return true;
}

TEST_F(WizardSkinTest, StoredCompressedFormLoadsToTheSameDescriptions) {
  TspCompressedStoredSkin stored(nullptr);
  ASSERT_TRUE(stored.LoadFromSkinIniFile(kWizardSkin));
  ASSERT_FALSE(stored.IsEmpty());
  TspSkinData packed(nullptr);
  ASSERT_TRUE(packed.LoadFromCompressedStoredSkin(&stored)) << packed.LastLoadError;
  EXPECT_EQ(Describe(packed), Describe(skin));
  EXPECT_FALSE(Describe(skin).empty());
  EXPECT_TRUE(SameColours(packed.Picture, skin.Picture));
  EXPECT_TRUE(SameColours(packed.InactivePicture, skin.InactivePicture));
  ASSERT_EQ(packed.ActivePictures.size(), skin.ActivePictures.size());
  for (std::size_t i = 0; i < skin.ActivePictures.size(); ++i)
    EXPECT_TRUE(SameColours(*packed.ActivePictures[i], *skin.ActivePictures[i])) << i;
  EXPECT_TRUE(RectsAreEqual(packed.clientrect, skin.clientrect));
  EXPECT_TRUE(RectsAreEqual(packed.captionrect, skin.captionrect));
  EXPECT_EQ(packed.rightbottompoint.X, skin.rightbottompoint.X);
  EXPECT_EQ(packed.SkinColors.chighlight, skin.SkinColors.chighlight);
  EXPECT_EQ(packed.PopupWindow.windowpictureindex, skin.PopupWindow.windowpictureindex);
}

// Runs of equal pixels collapsed to one: composing only stretches or
// repeats runs, so a seam shows as a run the picture does not have.
std::vector<std::uint32_t> Runs(const std::vector<std::uint32_t>& line) {
  std::vector<std::uint32_t> r;
  for (std::uint32_t p : line)
    if (r.empty() || r.back() != p) r.push_back(p);
  return r;
}

std::vector<std::uint32_t> Row(TBitmap& b, int y) {
  std::vector<std::uint32_t> v;
  for (int x = 0; x < b.Width(); ++x) v.push_back(Px(b, x, y));
  return v;
}

std::vector<std::uint32_t> Column(TBitmap& b, int x) {
  std::vector<std::uint32_t> v;
  for (int y = 0; y < b.Height(); ++y) v.push_back(Px(b, x, y));
  return v;
}

// The frame as the skinned window paints it at W x H: the nine parts with
// the client tiled from the picture, then the caption buttons from the right
// end of the caption rectangle.
void ComposeFrame(const TspSkinData& s, TBitmap& out, int W, int H, bool withButtons) {
  TBitmap* pic = const_cast<TBitmap*>(&s.Picture);
  const int dx = W - pic->Width(), dy = H - pic->Height();
  const TRect C = s.clientrect;
  CreateSkinImage(s.lefttoppoint, s.righttoppoint, s.leftbottompoint, s.rightbottompoint, C, s.lefttoppoint,
                  TPoint{s.righttoppoint.X + dx, s.righttoppoint.Y},
                  TPoint{s.leftbottompoint.X, s.leftbottompoint.Y + dy},
                  TPoint{s.rightbottompoint.X + dx, s.rightbottompoint.Y + dy},
                  TRect{C.Left, C.Top, C.Right + dx, C.Bottom + dy}, &out, pic, TRect{0, 0, pic->Width(),
                  pic->Height()}, W, H, true, s.leftstretch, s.topstretch, s.rightstretch, s.bottomstretch,
                  s.stretcheffect, s.stretchtype);
  if (!withButtons) return;
  int right = s.captionrect.Right + dx;
  for (const char* name : {"closebutton", "maxbutton", "minbutton"}) {
    auto* d = s.FindObject<TspDataSkinStdButton>(name);
    TBitmap* bp = s.GetActivePicture(d->activepictureindex);
    const TRect r = d->skinrect;
    BitBlt(out.Canvas()->Handle(), right - r.Width(), s.captionrect.Top, r.Width(), r.Height(),
           bp->Canvas()->Handle(), r.Left, r.Top, SRCCOPY);
    right -= r.Width() + s.buttonsoffset;
  }
  TCanvas* c = out.Canvas();
  auto* caption = s.FindObject<TspDataSkinCaption>("caption");
  c->Font()->SetName(caption->fontname);
  c->Font()->SetHeight(caption->fontheight);
  c->Font()->SetColor(caption->activefontcolor);
  c->Brush()->SetStyle(bsClear);
  TRect text{caption->skinrect.Left + caption->textrect.Left, caption->skinrect.Top + caption->textrect.Top,
             right, caption->skinrect.Top + caption->textrect.Bottom};
  DrawWideText(c, "Lumiqa 照片美化向导", text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
}

TEST_F(WizardSkinTest, FrameComposesWithoutSeamsAtTheWizardsSizes) {
  const int srcW = skin.Picture.Width(), srcH = skin.Picture.Height();
  for (TSize size : {TSize{883, 611}, TSize{1280, 1024}}) {
    TBitmap frame;
    ComposeFrame(skin, frame, size.cx, size.cy, false);
    ASSERT_EQ(frame.Width(), size.cx);
    const int dx = size.cx - srcW, dy = size.cy - srcH;
    // Rows: above the side bands, in them, and below them.
    for (int y = 0; y < size.cy; ++y) {
      const int sy = y < skin.lefttoppoint.Y ? y : y >= skin.leftbottompoint.Y + dy ? y - dy : skin.lefttoppoint.Y;
      ASSERT_EQ(Runs(Row(frame, y)), Runs(Row(skin.Picture, sy))) << size.cx << " row " << y;
    }
    for (int x = 0; x < size.cx; ++x) {
      const int sx = x < skin.lefttoppoint.X ? x : x >= skin.righttoppoint.X + dx ? x - dx : skin.lefttoppoint.X;
      ASSERT_EQ(Runs(Column(frame, x)), Runs(Column(skin.Picture, sx))) << size.cx << " column " << x;
    }
    if (const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR")) {
      ComposeFrame(skin, frame, size.cx, size.cy, true);
      SaveBitmapForDebug(frame, std::string(dir) + "/wizard_frame_" + std::to_string(size.cx) + ".png");
    }
  }
}

}  // namespace
