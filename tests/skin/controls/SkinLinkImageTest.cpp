#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "skin/controls/SkinExCtrls.h"
#include "skin/controls/spSkinShellCtrls.h"
#include "tests/skin/controls/SkinControlsTestSupport.h"

using namespace skinctl;

namespace {

class SkinLinkImageTest : public SkinControlsTest {
 protected:
  TspSkinLinkImage* NewLink() {
    auto* link = new TspSkinLinkImage(form);
    link->SetParent(form);
    link->SetLeft(20);
    link->SetTop(20);
    TBitmap pic;
    pic.SetPixelFormat(pf24bit);
    pic.SetSize(60, 30);
    skinpx::Fill(pic, 0x00336699);
    link->Picture()->Assign(&pic);
    link->OnClick = [this](TObject*) { ++clicked; };
    return link;
  }
  void ClickOn(TControl* c) {
    const TPoint p = At(c, 10, 10);
    s.display.MouseMove(p.X, p.Y);
    s.display.Click(p.X, p.Y);
    Idle();
  }
  int clicked = 0;
};

TEST_F(SkinLinkImageTest, ClickFiresOnClickThenOpensTheAddressUnlessEmpty) {
  std::vector<std::string> opened;
  TspShellOpen saved = SkinLinkOpener();
  SkinLinkOpener() = [&](const std::string& url) {
    EXPECT_EQ(clicked, 1);  // OnClick ran first
    opened.push_back(url);
  };
  TspSkinLinkImage* link = NewLink();
  EXPECT_EQ(link->Width(), 60);  // sized to its picture
  EXPECT_EQ(link->Cursor(), crHandPoint);
  Show();
  ClickOn(link);
  EXPECT_EQ(clicked, 1);
  EXPECT_TRUE(opened.empty());
  clicked = 0;
  link->URL = "http://example.com/a b?x=1&y=$(id)";
  Advance(2000);  // not a double click
  ClickOn(link);
  SkinLinkOpener() = saved;
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "http://example.com/a b?x=1&y=$(id)");
}

// The real opener: a script standing in for xdg-open records its arguments.
// The address, with characters a shell would act on, arrives as exactly one
// argument and nothing in it runs.
TEST_F(SkinLinkImageTest, OpenerGetsTheAddressAsItsOneArgument) {
  char tmpl[] = "/tmp/lumiqa_link_XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, out = dir + "/args", opener = dir + "/opener.sh", marker = dir + "/ran";
  {
    std::ofstream f(opener);
    f << "#!/bin/sh\n{ printf '%s\\n' \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > \"" << out
      << ".tmp\"\nmv \"" << out << ".tmp\" \"" << out << "\"\n";
  }
  ASSERT_EQ(::chmod(opener.c_str(), 0700), 0);
  ::setenv("LUMIQA_OPENER", opener.c_str(), 1);
  TspSkinLinkImage* link = NewLink();
  link->URL = "http://example.com/?q=1;touch " + marker + "&x=`touch " + marker + "`";
  Show();
  ClickOn(link);
  ::unsetenv("LUMIQA_OPENER");
  // The opener runs detached; wait for what it wrote (not for a time).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (::access(out.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  std::ifstream in(out);
  std::string count, arg;
  std::getline(in, count);
  std::getline(in, arg);
  EXPECT_EQ(count, "1");
  EXPECT_EQ(arg, link->URL);
  EXPECT_NE(::access(marker.c_str(), F_OK), 0);
  std::remove(out.c_str());
  std::remove(opener.c_str());
  ::rmdir(dir.c_str());
}

TEST(SkinShellFolder, DesktopFolderExistsWhileTheLibraryRuns) {
  ASSERT_NE(SkinDesktopFolder(), nullptr);
  EXPECT_EQ(SkinDesktopFolder()->Level, 0);
  EXPECT_EQ(SkinDesktopFolder()->Parent, nullptr);
}

}  // namespace
