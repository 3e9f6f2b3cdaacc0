// Skinned hints: the framework's hints drawn by the skinned hint window, the
// requested hints' timing on the virtual clock, the size rule,
// translucency and the fade-in steps, the mask region and the cursor height
// below the hot spot.
#include "tests/skin/windows/SkinHintTestSupport.h"

using namespace skinhint;

namespace {

TEST(SkinHintLines, SeparatorBecomesLineFeedCarriageReturn) {
  struct Case {
    const char* text;
    const char* separator;
    const char* expected;
  } cases[] = {
      {"Open@Save", "@", "Open\n\rSave"},
      {"a@@b@", "@", "a\n\r\n\rb\n\r"},
      {"one||two", "||", "one\n\rtwo"},
      {"no separator", "@", "no separator"},
      {"kept@as is", "", "kept@as is"},  // an empty separator splits nothing (and ends)
      {"打开@保存", "@", "打开\n\r保存"},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitHintLines(c.text, c.separator), c.expected) << c.text;
}

TEST_F(SkinHintTest, TakesOverTheApplicationsHints) {
  EXPECT_EQ(app.HintShortPause, 100);
  TspSkinHintWindow* w = ShowFrameworkHint("Open@Save");
  ASSERT_TRUE(w);
  ASSERT_TRUE(Shown(w));
  EXPECT_EQ(w->Caption(), "Open\n\rSave");
  // Default look: two lines of the default font, 2 pixels around.
  const TFont* f = hint->DefaultFont();
  const TSize two = Measure("Open\n\rSave", f->Name(), f->Height(), f->Style());
  const TSize one = Measure("Open", f->Name(), f->Height(), f->Style());
  EXPECT_GT(two.cy, one.cy * 3 / 2);
  const TRect r = WindowRect(w);
  EXPECT_EQ(r.Width(), two.cx + 4);
  EXPECT_EQ(r.Height(), two.cy + 4);
  EXPECT_EQ(PixelOf(w, 0, 0), GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
  EXPECT_EQ(PixelOf(w, r.Width() - 1, r.Height() - 1), GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
  EXPECT_EQ(PixelOf(w, 1, 1), GetSysColor(COLOR_INFOBK) & 0xFFFFFF);
  // Some text in the info text colour on both lines.
  auto inkInRows = [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = 2; x < r.Width() - 2; ++x)
        if (PixelOf(w, x, y) == (GetSysColor(COLOR_INFOTEXT) & 0xFFFFFF)) return true;
    return false;
  };
  EXPECT_TRUE(inkInRows(2, 2 + one.cy));
  EXPECT_TRUE(inkInRows(2 + one.cy, 2 + two.cy));
  Snapshot(w, "hint_default_two_lines");
}

TEST_F(SkinHintTest, NothingShowsWithoutAnActiveHintOnTheMainForm) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
  } cases[] = {
      {"inactive", [&] { hint->SetActive(false); }},
      {"on another form",
       [&] {
         hint->SetActive(false);
         TForm* other = NewForm(500, 100, 200, 100);
         new TspSkinHint(other);
       }},
  };
  for (const Case& c : cases) {
    c.setUp();
    app.CancelHint();
    TspSkinHintWindow* w = ShowFrameworkHint(std::string("hint ") + c.name);
    EXPECT_FALSE(Shown(w)) << c.name;
    // A requested hint waits and still shows nothing.
    hint->ShowHintLater("requested");
    Advance(app.HintPause);
    EXPECT_FALSE(Shown(hint->HintWindow)) << c.name;
  }
}

TEST_F(SkinHintTest, ActivatingASecondHintTurnsTheFirstOff) {
  auto* second = new TspSkinHint(form);
  ASSERT_EQ(FindActiveHint(), hint);  // both active: the first owned one counts
  second->SetActive(true);
  EXPECT_FALSE(hint->Active());
  EXPECT_TRUE(second->Active());
  EXPECT_EQ(FindActiveHint(), second);
  // The application's callback goes to the active one.
  second->Title = "stale";
  std::string text = "x";
  bool canShow = true;
  THintInfo info;
  app.OnShowHint(text, canShow, info);
  EXPECT_EQ(second->Title, "");
  // Freed, it no longer receives the callback.
  delete second;
  EXPECT_FALSE(app.OnShowHint);
}

TEST_F(SkinHintTest, RequestedHintWaitsTheHintPauseThenHidesAfterTheHidePause) {
  app.HintPause = 300;
  app.HintHidePause = 1000;
  MoveTo(form, 200, 150);
  hint->ShowHintLater("frame object");
  Advance(299);
  EXPECT_FALSE(Shown(hint->HintWindow));
  // A new request restarts the wait.
  hint->ShowHintLater("another object");
  Advance(299);
  EXPECT_FALSE(Shown(hint->HintWindow));
  Advance(1);
  ASSERT_TRUE(Shown(hint->HintWindow));
  EXPECT_EQ(hint->HintWindow->Caption(), "another object");
  // Below the cursor by the cursor's rows under its hot spot.
  POINT cursor{};
  GetCursorPos(&cursor);
  const TRect r = WindowRect(hint->HintWindow);
  EXPECT_EQ(r.Left, cursor.X);
  EXPECT_EQ(r.Top, cursor.Y + CursorHeightBelowHotSpot());
  Advance(999);
  EXPECT_TRUE(Shown(hint->HintWindow));
  Advance(1);
  EXPECT_FALSE(Shown(hint->HintWindow));
  EXPECT_EQ(hint->DelayTimer, nullptr);
  // Hidden by the caller before the pause ends: never shows.
  hint->ShowHintLater("cancelled");
  Advance(100);
  hint->HideHint();
  Advance(1000);
  EXPECT_FALSE(Shown(hint->HintWindow));
}

TEST_F(SkinHintTest, NearTheScreenEdgesTheHintFlipsToTheOtherSideOfThePoint) {
  const TSize size = [&] {
    const TRect r = hint->HintWindow->CalcHintRect(0, "edge", nullptr);
    return TSize{r.Width(), r.Height()};
  }();
  struct Case {
    TPoint at;
    TPoint expected;
  } cases[] = {
      {{100, 100}, {100, 100}},
      {{1270, 100}, {1270 - size.cx - 2, 100}},
      {{100, 1020}, {100, 1020 - size.cy - 2}},
      {{1275, 1022}, {1275 - size.cx - 2, 1022 - size.cy - 2}},
  };
  for (const Case& c : cases) {
    hint->HintWindow->ActivateHint(TRect{c.at.X, c.at.Y, c.at.X, c.at.Y}, "edge");
    const TRect r = WindowRect(hint->HintWindow);
    EXPECT_EQ(r.Left, c.expected.X) << c.at.X << "," << c.at.Y;
    EXPECT_EQ(r.Top, c.expected.Y) << c.at.X << "," << c.at.Y;
    EXPECT_EQ(r.Width(), size.cx);
  }
}

TEST_F(SkinHintTest, SkinnedHintGrowsItsPictureAroundTheText) {
  LoadSkin();
  TspSkinHintWindow* w = ShowFrameworkHint("Skinned@hint text");
  ASSERT_TRUE(Shown(w));
  const TSize t = Measure("Skinned\n\rhint text", "Arial", 12);
  // W = w + C.Left + pw - C.Right + 5, H = h + C.Top + ph - C.Bottom.
  const int W = t.cx + 4 + 40 - 36 + 5, H = t.cy + 4 + 30 - 26;
  const TRect r = WindowRect(w);
  EXPECT_EQ(r.Width(), W);
  EXPECT_EQ(r.Height(), H);
  EXPECT_EQ(w->ClientArea, (TRect{4, 4, 36 + W - 40, 26 + H - 30}));
  EXPECT_EQ(w->RightBottomPoint, (TPoint{35 + W - 40, 25 + H - 30}));
  EXPECT_EQ(PixelOf(w, 1, 1), kRing);
  EXPECT_EQ(PixelOf(w, W - 2, H - 2), kRing);
  EXPECT_EQ(PixelOf(w, 5, 5), kInside);
  // White text centred in the client area: ink on both halves.
  int left = W, right = -1;
  for (int y = 4; y < H - 4; ++y)
    for (int x = 4; x < W - 4; ++x)
      if (PixelOf(w, x, y) == 0x00FFFFFF) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
  ASSERT_GE(right, 0);
  const TRect& ca = w->ClientArea;
  const int textLeft = ca.Left + (ca.Width() - t.cx) / 2;
  EXPECT_GE(left, textLeft);
  EXPECT_LE(right, textLeft + t.cx);
  EXPECT_EQ(HRGN(nullptr), w->Region);
  Snapshot(w, "hint_fixture_skin");
}

TEST_F(SkinHintTest, TinyTextStillCoversTheCornerPoints) {
  // A client rectangle wider than the corner points: a tiny text would
  // pull the right corners left of the left ones.
  std::string ini = HintIni(false);
  ini.replace(ini.find("clientrect=4,4,36,26"), 20, "clientrect=1,1,39,29");
  LoadSkin(false, ini);
  hint->UseSkinFont = false;
  TFont tiny;
  tiny.SetName("Arial");
  tiny.SetHeight(1);
  hint->SetDefaultFont(&tiny);
  const TSize t = Measure(".", "Arial", 1);
  ASSERT_LT(t.cx, 3);
  ASSERT_LT(t.cy, 8);
  const TRect r = hint->HintWindow->CalcHintRect(0, ".", nullptr);
  TspSkinHintWindow* w = hint->HintWindow;
  // Grown until the right corners meet the left ones: 40 - (35 - 5) each way.
  EXPECT_EQ(r.Width(), 10);
  EXPECT_EQ(r.Height(), 10);
  EXPECT_EQ(w->RightTopPoint.X, w->LeftTopPoint.X);
  EXPECT_EQ(w->RightBottomPoint.X, w->LeftBottomPoint.X);
  EXPECT_EQ(w->LeftBottomPoint.Y, w->LeftTopPoint.Y);
  EXPECT_EQ(w->RightBottomPoint.Y, w->RightTopPoint.Y);
  // Shown that small, it still paints.
  w->ActivateHint(TRect{50, 50, 50, 50}, ".");
  Idle();
  EXPECT_EQ(PixelOf(w, 0, 0), kRing);
}

TEST_F(SkinHintTest, MaskGivesTheWindowARegionAndAPlainSkinRemovesIt) {
  LoadSkin(true);
  TspSkinHintWindow* w = ShowFrameworkHint("masked");
  ASSERT_TRUE(Shown(w));
  ASSERT_NE(w->Region, nullptr);
  HRGN probe = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(w->Handle(), probe), ERROR);
  EXPECT_FALSE(PtInRegion(probe, 0, 0));
  EXPECT_FALSE(PtInRegion(probe, 2, 2));
  EXPECT_TRUE(PtInRegion(probe, 3, 3));
  EXPECT_TRUE(PtInRegion(probe, 10, 10));
  DeleteObject(probe);
  // Same skin without the mask: the region goes (and is not freed twice).
  skin->HintWindow.maskpictureindex = -1;
  w->ActivateHint(TRect{200, 200, 200, 200}, "unmasked");
  EXPECT_EQ(w->Region, nullptr);
  HRGN none = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(w->Handle(), none), ERROR);
  DeleteObject(none);
}

TEST_F(SkinHintTest, TranslucentHintTakesItsAlphaAtOnceOrFadesInByTwenty) {
  hint->AlphaBlend = true;
  hint->AlphaBlendValue = 150;
  TspSkinHintWindow* w = hint->HintWindow;
  w->ActivateHint(TRect{300, 300, 300, 300}, "translucent");
  ASSERT_TRUE(Shown(w));
  EXPECT_TRUE(GetWindowLong(w->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(s.display.Native(w->Handle())->opacity, 150);

  // Fading: the alpha steps, more than 3 ms apart, before ActivateHint returns.
  hint->AlphaBlendAnimation = true;
  std::vector<int> steps;
  std::vector<Int64> times;
  s.clock.SetListener([&](Int64 now) {
    const int a = s.display.Native(w->Handle())->opacity;
    if (steps.empty() || steps.back() != a) {
      steps.push_back(a);
      times.push_back(now);
    }
  });
  w->ActivateHint(TRect{300, 300, 300, 300}, "fading");
  s.clock.SetListener(nullptr);
  EXPECT_EQ(s.display.Native(w->Handle())->opacity, 150);
  const std::vector<int> expected{0, 20, 40, 60, 80, 100, 120, 140};
  ASSERT_GE(steps.size(), expected.size());
  EXPECT_EQ(std::vector<int>(steps.begin(), steps.begin() + expected.size()), expected);
  for (std::size_t i = 2; i < times.size(); ++i) EXPECT_GT(times[i] - times[i - 1], 3);

  // Off again: the window is opaque.
  hint->AlphaBlend = false;
  w->ActivateHint(TRect{300, 300, 300, 300}, "opaque");
  EXPECT_FALSE(GetWindowLong(w->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  // A window made anew after the framework destroyed it starts opaque, and
  // the hint makes it translucent again.
  hint->AlphaBlend = true;
  hint->AlphaBlendAnimation = false;
  w->ActivateHint(TRect{300, 300, 300, 300}, "again");
  w->ReleaseHandle();
  EXPECT_FALSE(w->AppliedAlphaBlend);
  w->ActivateHint(TRect{300, 300, 300, 300}, "new window");
  EXPECT_TRUE(GetWindowLong(w->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(s.display.Native(w->Handle())->opacity, 150);
}

TEST_F(SkinHintTest, WithoutLayeredSupportTheHintIsMixedWithTheScreenAsItWas) {
  hint->SetAlphaBlendSupport(false);
  EXPECT_FALSE(hint->AlphaBlendSupport());
  hint->AlphaBlend = true;
  hint->AlphaBlendValue = 128;
  TspSkinHintWindow* w = hint->HintWindow;
  w->ActivateHint(TRect{300, 300, 300, 300}, "mixed");
  Idle();
  ASSERT_TRUE(Shown(w));
  EXPECT_FALSE(GetWindowLong(w->Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
  // The screen beneath is taken once, at the hint's size, when it opens;
  // every paint mixes with that picture.
  ASSERT_TRUE(w->ScreenImage);
  EXPECT_EQ(w->ScreenImage->Width(), w->Width());
  EXPECT_EQ(w->ScreenImage->Height(), w->Height());
  w->ScreenImage->Canvas()->Brush()->SetColor(0x000000FF);
  w->ScreenImage->Canvas()->FillRect(TRect{0, 0, w->Width(), w->Height()});
  w->Repaint();
  Idle();
  const TColor info = TColor(GetSysColor(COLOR_INFOBK) & 0xFFFFFF);
  const TColor mixed = PixelOf(w, 1, 1);
  // Each channel about halfway between the info colour and red.
  for (int shift : {0, 8, 16}) {
    const int a = int((info >> shift) & 0xFF), b = shift == 0 ? 0xFF : 0;
    const int m = int((mixed >> shift) & 0xFF);
    EXPECT_NEAR(m, (a + b) / 2, 2) << shift;
  }
}

TEST_F(SkinHintTest, RemovedSkinFallsBackToTheDefaultLook) {
  LoadSkin();
  TspSkinHintWindow* w = ShowFrameworkHint("skin goes");
  ASSERT_TRUE(Shown(w));
  ASSERT_EQ(w->SkinData, skin);
  delete skin;
  skin = nullptr;
  EXPECT_EQ(hint->SkinData(), nullptr);
  EXPECT_EQ(w->SkinData, nullptr);
  w->Repaint();
  Idle();
  EXPECT_EQ(PixelOf(w, 0, 0), GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
}

TEST_F(SkinHintTest, WizardSkinHint) {
  hint->SetSkinData(nullptr);
  skin = new TspSkinData(form);
  ASSERT_TRUE(skin->LoadFromFile(kWizardSkin)) << skin->LastLoadError;
  hint->SetSkinData(skin);
  TspSkinHintWindow* w = ShowFrameworkHint("打开一张照片@Ctrl+O");
  ASSERT_TRUE(Shown(w));
  ASSERT_EQ(w->SkinData, skin);
  const TRect r = WindowRect(w);
  EXPECT_GT(r.Height(), 2 * 13);
  Snapshot(w, "hint_wizard_skin");
}

// ---- Cursor height --------------------------------------------------------------------------

// A 32 x 32 monochrome cursor whose AND plane is 0 (drawn) in rows
// [drawnFrom, drawnTo) and whose XOR plane is 1 in rows [xorFrom, xorTo).
HCURSOR MonoCursor(int hotY, int drawnFrom, int drawnTo, int xorFrom = 0, int xorTo = 0) {
  std::vector<Byte> andPlane(32 * 4, 0xFF), xorPlane(32 * 4, 0);
  for (int y = drawnFrom; y < drawnTo; ++y) andPlane[std::size_t(y) * 4] = 0x0F;
  for (int y = xorFrom; y < xorTo; ++y) xorPlane[std::size_t(y) * 4 + 1] = 0x80;
  return CreateCursor(nullptr, 1, hotY, 32, 32, andPlane.data(), xorPlane.data());
}

TEST(SkinHintCursor, RowsBelowTheHotSpot) {
  THeadlessSession s;
  struct Case {
    const char* name;
    HCURSOR cursor;
    int expected;
  } cases[] = {
      {"arrow-like", MonoCursor(0, 0, 20), 19},
      {"hot spot inside", MonoCursor(10, 2, 25), 14},
      {"drawn only by inverting", MonoCursor(4, 0, 0, 6, 18), 13},
      {"nothing drawn", MonoCursor(4, 0, 0), GetSystemMetrics(SM_CYCURSOR)},
      {"no cursor", nullptr, GetSystemMetrics(SM_CYCURSOR)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CursorHeightBelowHotSpot(c.cursor), c.expected) << c.name;
    if (c.cursor) DestroyCursor(c.cursor);
  }
}

TEST(SkinHintCursor, ColourCursorShorterThanWideIsReadWithinItsMask) {
  THeadlessSession s;
  // 32 wide, 24 high, drawn down to row 21, hot spot at row 3.
  TBitmap colour;
  colour.SetPixelFormat(pf32bit);
  colour.SetSize(32, 24);
  TBitmap mask;
  mask.SetPixelFormat(pf1bit);
  mask.SetSize(32, 24);
  mask.Canvas()->Brush()->SetColor(clWhite);
  mask.Canvas()->FillRect(TRect{0, 0, 32, 24});
  mask.Canvas()->Brush()->SetColor(clBlack);
  mask.Canvas()->FillRect(TRect{4, 2, 12, 22});
  ICONINFO ii;
  ii.fIcon = FALSE;
  ii.xHotspot = 0;
  ii.yHotspot = 3;
  ii.hbmMask = mask.Handle();
  ii.hbmColor = colour.Handle();
  HGDIICON cursor = CreateIconIndirect(&ii);
  ASSERT_TRUE(cursor);
  EXPECT_EQ(CursorHeightBelowHotSpot(cursor), 21 - 3);
  DestroyIcon(cursor);
}

}  // namespace
