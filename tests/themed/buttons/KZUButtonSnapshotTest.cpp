// Every button kind in every look and state, read back from the screen.
// With LUMIQA_SNAPSHOT_DIR set, one contact sheet per look is written there
// (rows: check box, radio button, push button; columns: normal, hot,
// pressed, disabled, checked, focused), to be looked at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tests/themed/support/ThemedTestFixture.h"
#include "platform/graphics/DebugImage.h"

namespace {

using S = TkzuUIStyle;

enum State { Normal, Hot, Pressed, Disabled, Checked, Focused, StateCount };

struct Shot {
  int W = 0, H = 0;
  std::vector<COLORREF> Px;
  bool operator==(const Shot& o) const { return W == o.W && H == o.H && Px == o.Px; }
};

class KZUButtonSnapshot : public ThemedTest {
 protected:
  // Makes a control, puts it in the state, and reads it back.
  Shot Take(const std::function<TkzuCustomButton*()>& make, State state) {
    TkzuCustomButton* c = make();
    s.display.RunUntilIdle();
    switch (state) {
      case Hot: MoveOver(c, 6); break;
      case Pressed: Press(c, 6); break;
      case Disabled: c->SetEnabled(false); break;
      case Checked:
        if (auto* ex = dynamic_cast<TkzuCustomButtonEx*>(c)) ex->SetChecked(true);
        break;
      case Focused: c->SetFocus(); break;
      default: break;
    }
    Shot shot{c->Width(), c->Height(), Pixels(c)};
    if (state == Pressed) Release(c, 6);
    MoveAway();
    delete c;
    s.display.AdvanceTime(1000);
    return shot;
  }
};

TEST_F(KZUButtonSnapshot, EveryStateOfEveryLookIsDrawnAndDistinct) {
  const S looks[] = {S::MacOS, S::WinXP, S::DeepBlue, S::Protein, S::BlueGlass};
  const char* const lookNames[] = {"macos", "winxp", "deepblue", "protein", "blueglass"};
  const char* dir = std::getenv("LUMIQA_SNAPSHOT_DIR");
  for (int li = 0; li < 5; ++li) {
    const S look = looks[li];
    form->SetColor(GetThemeColor(look, 9));
    const std::function<TkzuCustomButton*()> makers[] = {
        [&] {
          auto* c = Make<TkzuCheckBox>(form, 20, 20, look);
          c->Font()->SetHeight(-13);
          c->SetCaption("Keep ratio");
          c->SetAutoSize(true);
          return c;
        },
        [&] {
          auto* c = Make<TkzuRadioButton>(form, 20, 20, look);
          c->Font()->SetHeight(-13);
          c->SetCaption("Rotate left");
          c->SetAutoSize(true);
          return c;
        },
        [&] {
          auto* c = Make<TkzuButton>(form, 20, 20, look);
          c->Font()->SetHeight(-13);
          c->SetCaption("Apply");
          c->SetWidth(90);
          return c;
        },
    };
    Shot shots[3][StateCount];
    for (int k = 0; k < 3; ++k)
      for (int st = 0; st < StateCount; ++st) shots[k][st] = Take(makers[k], State(st));

    for (int k = 0; k < 3; ++k) {
      const bool button = k == 2;
      for (int st : {Disabled, Focused}) EXPECT_FALSE(shots[k][st] == shots[k][Normal]) << lookNames[li] << k << st;
      if (!button) {
        EXPECT_FALSE(shots[k][Checked] == shots[k][Normal]) << lookNames[li] << k;
      }
      // Only the push buttons, and WinXP's boxes, have hot and pressed pictures.
      if (button || look == S::WinXP) {
        for (int st : {Hot, Pressed}) EXPECT_FALSE(shots[k][st] == shots[k][Normal]) << lookNames[li] << k << st;
      }
    }

    if (!dir) continue;
    // Cells at twice the size, on grey, with a gap between them.
    const int scale = 2, gap = 8;
    int cellW = 0, cellH = 0;
    for (auto& row : shots)
      for (auto& sh : row) {
        cellW = std::max(cellW, sh.W * scale);
        cellH = std::max(cellH, sh.H * scale);
      }
    TBitmap sheet(gap + StateCount * (cellW + gap), gap + 3 * (cellH + gap), pf24bit);
    sheet.Canvas()->Brush()->SetColor(TColor(0x808080));
    sheet.Canvas()->FillRect(TRect{0, 0, sheet.Width(), sheet.Height()});
    for (int k = 0; k < 3; ++k)
      for (int st = 0; st < StateCount; ++st) {
        if (k == 2 && st == Checked) continue;  // push buttons have no checked state
        const Shot& sh = shots[k][st];
        const int x0 = gap + st * (cellW + gap), y0 = gap + k * (cellH + gap);
        for (int y = 0; y < sh.H * scale; ++y)
          for (int x = 0; x < sh.W * scale; ++x)
            sheet.Canvas()->SetPixels(x0 + x, y0 + y, TColor(sh.Px[(y / scale) * sh.W + x / scale]));
      }
    EXPECT_TRUE(SaveBitmapForDebug(sheet, std::string(dir) + "/themed_" + lookNames[li] + ".png"));
  }
}

}  // namespace
