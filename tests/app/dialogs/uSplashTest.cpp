#include "app/dialogs/uSplash.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/app/HeadlessForms.h"
#include "app/main/WizardPictures.h"

namespace {

class SplashTest : public HeadlessForms {};

TEST_F(SplashTest, ShowsThePictureCentredForItsTimeOnTheVirtualClock) {
  auto* splash = new TFrm_Splash(&app);
  EXPECT_EQ(splash->BorderStyle(), bsNone);
  EXPECT_EQ(splash->ClientWidth(), 520);
  EXPECT_EQ(splash->ClientHeight(), 390);
  EXPECT_EQ(splash->Img_Splash->Width(), 520);
  EXPECT_EQ(splash->Img_Splash->Height(), 390);
  EXPECT_TRUE(splash->Img_Splash->Stretch());
  EXPECT_TRUE(splash->Img_Splash->AutoSize());

  auto picture = LoadWizardBitmap("SPLASH");
  ASSERT_NE(picture, nullptr);
  picture->SetPixelFormat(pf24bit);
  const std::pair<int, int> spots[] = {{10, 10}, {260, 120}, {100, 250}, {500, 380}};
  // What the screen shows while the wait runs: the clock tells when it moves.
  std::vector<COLORREF> during;
  s.clock.SetListener([&](Int64) {
    if (during.empty() && splash->HandleAllocated())
      for (auto [x, y] : spots) during.push_back(s.display.PixelAt(splash->Handle(), x, y));
  });
  const Int64 before = s.clock.PeekMilliseconds();
  ShowSplash(splash);
  s.clock.SetListener(nullptr);
  EXPECT_EQ(s.clock.PeekMilliseconds() - before, Int64(SplashMilliseconds));
  ASSERT_TRUE(splash->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(splash->Handle()));
  RECT r{};
  GetWindowRect(splash->Handle(), &r);
  // The desktop is the headless display's one 1280 x 1024 monitor.
  EXPECT_EQ(r.Left, (1280 - 520) / 2);
  EXPECT_EQ(r.Top, (1024 - 390) / 2);
  EXPECT_EQ(r.Right - r.Left, 520);
  EXPECT_EQ(r.Bottom - r.Top, 390);

  // It was on the screen before the wait began.
  ASSERT_EQ(during.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    const auto [x, y] = spots[i];
    const auto* p = static_cast<const Byte*>(picture->ScanLine(y)) + 3 * x;
    EXPECT_EQ(during[std::size_t(i)], RGB(p[2], p[1], p[0])) << x << "," << y;
  }
  HWND h = splash->Handle();
  delete splash;
  EXPECT_FALSE(IsWindow(h));
}

// The desktop sees a splash named as the program, not an unnamed window
// with a task bar entry.
TEST_F(SplashTest, IsTheDesktopsSplashNamedAsTheProgram) {
  app.SetTitle("Lumiqa");
  auto* splash = new TFrm_Splash(&app);
  ShowSplash(splash);
  const THeadlessDisplay::TNative* n = s.display.Native(splash->Handle());
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->role, TWindowRole::Splash);
  EXPECT_EQ(n->title, "Lumiqa");
  delete splash;
}

// Every window of the program carries the program's icon, dialogs too.
TEST_F(SplashTest, TheProgramsIconIsTheMarkWithClearCorners) {
  auto icon = LoadWizardIcon("MAINICON");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->Width(), 48);
  EXPECT_EQ(icon->Height(), 48);
  app.Icon()->Assign(icon.get());
  TForm* form = nullptr;
  app.CreateForm(form);
  form->Show();
  TForm* dialog = nullptr;
  app.CreateForm(dialog);
  dialog->Show();
  for (TForm* f : {form, dialog}) {
    const THeadlessDisplay::TNative* n = s.display.Native(f->Handle());
    ASSERT_NE(n, nullptr);
    ASSERT_EQ(n->iconWidth, 48);
    ASSERT_EQ(n->iconHeight, 48);
    EXPECT_EQ(n->icon[0] >> 24, 0u) << "a clear corner";
    EXPECT_EQ(n->icon[24 * 48 + 6] >> 24, 255u) << "the mark itself";
  }
}

}  // namespace
