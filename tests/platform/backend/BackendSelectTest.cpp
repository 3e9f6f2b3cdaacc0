#include "platform/backend/BackendSelect.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/backend/headless/HeadlessDisplay.h"

namespace {

TEST(BackendSelect, DisplayVariableChoosesX11AndTheOverrideWins) {
  EXPECT_EQ(ChooseBackend(nullptr, nullptr), TBackendKind::Headless);
  EXPECT_EQ(ChooseBackend("", nullptr), TBackendKind::Headless);
  EXPECT_EQ(ChooseBackend(":0", nullptr), TBackendKind::X11);
  EXPECT_EQ(ChooseBackend(":0", "headless"), TBackendKind::Headless);
  EXPECT_EQ(ChooseBackend(nullptr, "x11"), TBackendKind::X11);
  EXPECT_EQ(ChooseBackend(":0", "bogus"), TBackendKind::X11);
  EXPECT_EQ(ChooseBackend(nullptr, "bogus"), TBackendKind::Headless);
}

TEST(BackendSelect, InstalledBackendOwnsTheDisplayUntilFreed) {
  const char* oldBackend = std::getenv("LUMIQA_BACKEND");
  std::string saved = oldBackend ? oldBackend : "";
  setenv("LUMIQA_BACKEND", "headless", 1);
  TDisplay* before = CurrentDisplay();
  {
    auto backend = InstallDefaultBackend();
    ASSERT_NE(backend, nullptr);
    EXPECT_EQ(backend->Kind(), TBackendKind::Headless);
    EXPECT_EQ(CurrentDisplay(), &backend->Display());
    EXPECT_NE(dynamic_cast<THeadlessDisplay*>(CurrentDisplay()), nullptr);
  }
  EXPECT_EQ(CurrentDisplay(), before);
  // An X display that cannot be reached falls back to headless.
  setenv("LUMIQA_BACKEND", "x11", 1);
  const char* oldDisplay = std::getenv("DISPLAY");
  std::string savedDisplay = oldDisplay ? oldDisplay : "";
  setenv("DISPLAY", ":32767", 1);
  {
    auto backend = InstallDefaultBackend();
    ASSERT_NE(backend, nullptr);
    EXPECT_EQ(backend->Kind(), TBackendKind::Headless);
  }
  if (oldDisplay) setenv("DISPLAY", savedDisplay.c_str(), 1);
  else unsetenv("DISPLAY");
  if (oldBackend) setenv("LUMIQA_BACKEND", saved.c_str(), 1);
  else unsetenv("LUMIQA_BACKEND");
}

}  // namespace
