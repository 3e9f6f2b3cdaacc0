// The wizard's own skin on its controls: a toolbar button (25 x 25, glyph
// below the caption), a dialog button, a stdlabel text and the unbound
// slider, in their states. Snapshots go to $LUMIQA_SNAPSHOT_DIR.
#include <gtest/gtest.h>

#include <set>

#include "platform/ui/edits/Edit.h"
#include "skin/controls/SkinCtrls_Slider.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"

using namespace skinctl;

namespace {

class WizardSkinControlsTest : public SkinControlsTest {
 protected:
  void LoadWizardSkin() {
    skin = new TspSkinData(form);
    ASSERT_TRUE(skin->LoadFromFile(kWizardSkin)) << skin->LastLoadError;
  }
  // Distinct colours in a control's face: a blank face has one or two.
  int Colours(TControl* c) {
    std::set<TColor> seen;
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x) seen.insert(Pixel(c, x, y));
    return int(seen.size());
  }
};

TEST_F(WizardSkinControlsTest, ButtonsInEachStateFromTheWizardsSkin) {
  LoadWizardSkin();
  form->SetColor(clBtnFace);
  TBitmap glyph;
  glyph.SetPixelFormat(pf24bit);
  glyph.SetSize(16, 16);
  skinpx::Fill(glyph, 0x00FF00FF);
  for (int i = 3; i < 13; ++i)
    for (int j = 3; j < 13; ++j) skinpx::SetPx(glyph, i, j, i < 8 ? 0x002060C0 : 0x0040A040);
  auto* tool = new TspSkinButton(form);
  tool->SetParent(form);
  tool->SetSkinData(skin);
  tool->SetBounds(10, 10, 25, 25);
  tool->SetLayout(blGlyphBottom);
  tool->SetSpacing(1);
  tool->SetGlyph(&glyph);
  auto* ok = new TspSkinButton(form);
  ok->SetParent(form);
  ok->SetSkinData(skin);
  ok->SetBounds(60, 10, 75, 25);
  ok->SetCaption("确  定");
  auto* plain = new TEdit(form);
  plain->SetParent(form);
  plain->SetBounds(200, 10, 80, 22);
  Show();
  plain->SetFocus();
  Idle();
  EXPECT_NE(tool->ControlIndex, -1);
  EXPECT_EQ(tool->Width(), 25);
  EXPECT_EQ(ok->Width(), 75);
  for (TspSkinButton* b : {tool, ok}) {
    const std::string kind = b == tool ? "toolbutton" : "button";
    const int cx = b->Width() / 2, cy = b->Height() / 2;
    struct State {
      const char* name;
      std::function<void()> enter;
    } states[] = {
        {"normal", [] {}},
        {"hot", [&] { MoveTo(b, cx, cy); Advance(200); }},
        {"pressed", [&] { Press(b, cx, cy); Advance(200); }},
        {"focused", [&] { Release(b, cx, cy); MoveTo(form, 300, 200); Advance(200); }},
        {"default", [&] { plain->SetFocus(); b->SetDefault(true); Advance(200); }},
        {"disabled", [&] { b->SetEnabled(false); Advance(200); }},
    };
    std::set<std::vector<TColor>> distinct;
    for (const State& st : states) {
      st.enter();
      Snapshot(b, "wizard_" + kind + "_" + st.name);
      EXPECT_GE(Colours(b), 3) << kind << " " << st.name;  // frame, face and content at least
      std::vector<TColor> face;
      for (int x = 1; x < b->Width() - 1; ++x) face.push_back(Pixel(b, x, 1));
      for (int y = 1; y < b->Height() - 1; ++y) face.push_back(Pixel(b, 1, y));
      distinct.insert(face);
    }
    // Normal, highlighted and disabled differ at the edge of the face
    // (pressed, focused and default may share the highlighted edge).
    EXPECT_GE(distinct.size(), 3u) << kind;
    b->SetEnabled(true);
    b->SetDefault(false);
  }
}

TEST_F(WizardSkinControlsTest, UnboundSliderAndHelpTextAsTheStepPagesShowThem) {
  form->SetColor(clBtnFace);
  auto* sl = new TspSkinSlider(form);
  sl->SetParent(form);
  sl->SetBounds(10, 10, 100, 30);
  sl->SetOptions(soSmooth);
  sl->SetIncrement(1);
  sl->SetTransparent(true);
  sl->SetValue(40);
  auto* help = new TspSkinTextLabel(form);
  help->SetParent(form);
  help->SetAutoSizeLabel(false);
  help->SetWordWrap(true);
  help->SetBounds(130, 10, 100, 120);
  help->DefaultFont()->SetName("宋体");
  help->DefaultFont()->SetHeight(12);
  help->Lines()->Add("帮助");
  help->Lines()->Add("拖动滑块调整磨皮的强度，数值越大皮肤越光滑。");
  Show();
  Snapshot(sl, "wizard_slider_normal");
  Snapshot(help, "wizard_helptext");
  EXPECT_GE(Colours(sl), 3);  // background, groove and thumb
  EXPECT_GT(Colours(help), 1);
  Press(sl, sl->ThumbRect().Left + 4, 12);
  Snapshot(sl, "wizard_slider_pressed");
  Release(sl, sl->ThumbRect().Left + 4, 12);
  sl->SetEnabled(false);
  Idle();
  Snapshot(sl, "wizard_slider_disabled");
}

}  // namespace
