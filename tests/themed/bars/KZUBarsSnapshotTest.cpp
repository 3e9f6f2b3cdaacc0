// The track bar and scroll bar in every look: positions, both
// orientations, and the arrows normal, hot and pressed. With
// LUMIQA_SNAPSHOT_DIR set, one sheet per look is written there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/themed/support/ThemedTestFixture.h"
#include "themed/bars/KZUScrollBar.h"
#include "themed/bars/KZUTrackBar.h"
#include "themed/buttons/KZUButton.h"
#include "themed/panels/KZUImagePanel.h"

namespace {

using S = TkzuUIStyle;

class KZUBarsSnapshot : public ThemedTest {
 protected:
  std::vector<COLORREF> Region(TControl* c) { return Pixels(c); }
};

TEST_F(KZUBarsSnapshot, EveryLookDrawsBarsThumbsAndArrowStates) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const names[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  for (int li = 0; li < 5; ++li) {
    const S look = looks[li];
    form->SetColor(GetThemeColor(look, 9));
    auto* t0 = Make<TkzuTrackBar>(form, 10, 10, look);
    t0->SetWidth(200);
    auto* t1 = Make<TkzuTrackBar>(form, 10, 40, look);
    t1->SetWidth(200);
    t1->SetPosition(60);
    auto* tv = Make<TkzuTrackBar>(form, 230, 10, look);
    tv->SetOrientation(kzuVertical);
    tv->SetHeight(150);
    tv->SetPosition(30);
    TkzuScrollBar* sb[3];
    for (int i = 0; i < 3; ++i) {
      sb[i] = Make<TkzuScrollBar>(form, 270 + i * 30, 10, look);
      sb[i]->SetHeight(150);
      sb[i]->SetPageSize(30);
      sb[i]->SetPosition(40);
    }
    auto* sh = Make<TkzuScrollBar>(form, 10, 80, look);
    sh->SetOrientation(kzuHorizontal);
    sh->SetWidth(200);
    sh->SetLineButton(60);
    sh->SetPosition(100);
    s.display.RunUntilIdle();

    // The thumb is drawn over the track's colour; the bar over the track bar's.
    const COLORREF trackColour = COLORREF(GetThemeColor(look, 84));
    TkzuImagePanel* thumb = sb[0]->Track()->Slider();
    EXPECT_NE(At(thumb, thumb->Width() / 2, thumb->Height() / 2), trackColour) << names[li];
    EXPECT_EQ(At(sb[0]->Track(), 8, 2), trackColour) << names[li];
    EXPECT_EQ(thumb->Top(), 40 * (sb[0]->Track()->Height() - thumb->Height()) / 100) << names[li];
    EXPECT_EQ(sh->Track()->Slider()->Left() + 60, sh->Track()->Width()) << names[li];
    EXPECT_NE(At(t0, 150, t0->Height() / 2), COLORREF(t0->Color())) << names[li];

    const std::vector<COLORREF> normal = Region(sb[0]->UpButton());
    MoveOver(sb[1]->UpButton(), 8, 8);
    const std::vector<COLORREF> hot = Region(sb[1]->UpButton());
    EXPECT_NE(hot, normal) << names[li];
    MoveAway();
    Press(sb[2]->DownButton(), 8, 8);
    const std::vector<COLORREF> pressed = Region(sb[2]->DownButton());
    EXPECT_NE(pressed, Region(sb[0]->DownButton())) << names[li];
    MoveOver(sb[1]->UpButton(), 8, 8);  // hot again for the sheet
    SaveFormSheet(std::string("themed_bars_") + names[li]);
    Release(sb[2]->DownButton(), 8, 8);
    MoveAway();
    for (TControl* c : std::vector<TControl*>{t0, t1, tv, sb[0], sb[1], sb[2], sh}) delete c;
    s.display.AdvanceTime(1000);
  }
}

}  // namespace
