#include <gtest/gtest.h>
#include <strings.h>

#include "tests/platform/gdi/BdfFixture.h"
#include "tests/platform/ui/FormTestFixture.h"

using ScreenTest = FormsTest;

TEST_F(ScreenTest, CursorOverrideIsRestoredAfterAnException) {
  HCURSOR arrow = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  HCURSOR wait = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_WAIT));
  try {
    TScreenCursorGuard busy(crHourGlass);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EXPECT_EQ(GetCursor(), wait);
    {
      TScreenCursorGuard inner(crHandPoint);
      EXPECT_EQ(Screen->Cursor(), crHandPoint);
    }
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    EXPECT_EQ(GetCursor(), wait);
    throw EConvertError("failed while busy");
  } catch (const EConvertError&) {
  }
  EXPECT_EQ(Screen->Cursor(), crDefault);
  SetCursor(arrow);
}

TEST_F(ScreenTest, OverrideWinsOverTheControlsCursor) {
  TForm* f = NewForm(0, 0, 200, 200);
  f->SetCursor(crCross);
  f->Show();
  s.display.MouseMove(50, 50);
  s.display.RunUntilIdle();
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, MAKEINTRESOURCE(IDC_CROSS)));
  {
    TScreenCursorGuard busy(crHourGlass);
    s.display.MouseMove(60, 60);
    s.display.RunUntilIdle();
    EXPECT_EQ(GetCursor(), LoadCursor(nullptr, MAKEINTRESOURCE(IDC_WAIT)));
  }
  // Back to the control's own cursor at once, without a mouse move.
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, MAKEINTRESOURCE(IDC_CROSS)));
}

TEST_F(ScreenTest, CursorTableHoldsLoadedCursorsFromAStartIndex) {
  HCURSOR arrow = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  EXPECT_EQ(Screen->Cursors(crDefault), arrow);
  EXPECT_EQ(Screen->Cursors(crHandPoint), LoadCursor(nullptr, MAKEINTRESOURCE(IDC_HAND)));
  EXPECT_EQ(Screen->Cursors(crNone), nullptr);
  const Byte andPlane[2 * 2] = {0xFF, 0xFF, 0xFF, 0xFF}, xorPlane[2 * 2] = {};
  HCURSOR a = CreateCursor(nullptr, 0, 0, 2, 2, andPlane, xorPlane);
  HCURSOR b = CreateCursor(nullptr, 0, 0, 2, 2, andPlane, xorPlane);
  ASSERT_TRUE(a && b);
  Screen->SetCursors(21, a);
  Screen->SetCursors(22, b);
  EXPECT_EQ(Screen->Cursors(21), a);
  EXPECT_EQ(Screen->Cursors(22), b);
  Screen->SetCursors(21, b);
  EXPECT_EQ(Screen->Cursors(21), b);
  Screen->SetCursors(21, nullptr);
  Screen->SetCursors(22, nullptr);
  EXPECT_EQ(Screen->Cursors(21), arrow);
  DestroyCursor(a);
  DestroyCursor(b);
}

TEST_F(ScreenTest, GeometryOfTheDefaultMonitor) {
  EXPECT_EQ(Screen->Width(), 1280);
  EXPECT_EQ(Screen->Height(), 1024);
  EXPECT_EQ(Screen->MonitorCount(), 1);
  EXPECT_EQ(Screen->DesktopRect(), Rect(0, 0, 1280, 1024));
  EXPECT_TRUE(Screen->Monitors(0)->Primary());
  EXPECT_EQ(Screen->PixelsPerInch(), 96);
}

TEST_F(ScreenTest, MonitorsWorkAreaAndMonitorFromWindow) {
  TMonitorRec left{Rect(0, 0, 1280, 1024), Rect(0, 0, 1280, 984), true};
  TMonitorRec right{Rect(1280, 0, 2304, 768), Rect(1280, 0, 2304, 768), false};
  s.display.SetMonitors({left, right});
  ASSERT_EQ(Screen->MonitorCount(), 2);
  EXPECT_EQ(Screen->WorkAreaRect(), Rect(0, 0, 1280, 984));
  EXPECT_EQ(Screen->DesktopRect(), Rect(0, 0, 2304, 1024));
  TForm* f = NewForm(1500, 100, 200, 200);
  f->Show();
  TMonitor* m = Screen->MonitorFromWindow(f->Handle());
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->BoundsRect(), right.monitor);
  EXPECT_FALSE(m->Primary());
  EXPECT_EQ(Screen->MonitorFromPoint(TPoint{10, 10})->MonitorNum(), 0);
  EXPECT_EQ(Screen->MonitorFromPoint(TPoint{5000, 5000}, mdNull), nullptr);
}

TEST_F(ScreenTest, FontsListsTheInstalledFamilies) {
  TStrings* fonts = Screen->Fonts();
  ASSERT_GT(fonts->Count(), 0);
  EXPECT_GE(fonts->IndexOf("DejaVu Sans"), 0);
  for (int i = 1; i < fonts->Count(); ++i)
    EXPECT_LE(strcasecmp(fonts->Strings(i - 1).c_str(), fonts->Strings(i).c_str()), 0);
  EXPECT_EQ(Screen->HintFont()->Color(), clInfoText);
}

TEST_F(ScreenTest, FontsFollowFamiliesAddedAndRemovedLater) {
  const std::string family = "Lumiqa Screen Probe";
  TStrings* fonts = Screen->Fonts();
  ASSERT_LT(fonts->IndexOf(family), 0);
  {
    TBdfFont probe(family, 12);
    ASSERT_EQ(probe.Faces(), 1);
    EXPECT_GE(Screen->Fonts()->IndexOf(family), 0);
  }
  EXPECT_LT(Screen->Fonts()->IndexOf(family), 0);
}
