#include "app/dialogs/uLinkQuendrix.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/app/HeadlessForms.h"
#include "platform/graphics/JPEGImage.h"

namespace {

class LinkQuendrixTest : public HeadlessForms {
 protected:
  std::vector<std::string> opened;
  TspShellOpen saved = SkinLinkOpener();
  void SetUp() override {
    SkinLinkOpener() = [this](const std::string& url) { opened.push_back(url); };
  }
  void TearDown() override { SkinLinkOpener() = saved; }
};

TEST_F(LinkQuendrixTest, IsADialogFilledByTheLinkPicture) {
  auto* f = new TFrm_LinkQuendrix(&app);
  EXPECT_EQ(f->Caption(), "保存成功");
  EXPECT_EQ(f->BorderStyle(), bsDialog);
  EXPECT_EQ(f->ClientWidth(), 500);
  EXPECT_EQ(f->ClientHeight(), 511);
  TspSkinLinkImage* link = f->LinkImage_quendrix;
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->BoundsRect(), (TRect{0, 0, 500, 511}));
  EXPECT_TRUE(link->AutoSize());
  EXPECT_EQ(link->Cursor(), crHandPoint);
  EXPECT_EQ(link->URL, LumiqaHomePage);
  ASSERT_NE(dynamic_cast<TJPEGImage*>(link->Picture()->Graphic()), nullptr);
  EXPECT_EQ(link->Picture()->Width(), 500);
  EXPECT_EQ(link->Picture()->Height(), 511);
}

TEST_F(LinkQuendrixTest, AClickOnThePictureOpensTheWebPage) {
  auto* f = new TFrm_LinkQuendrix(&app);
  f->Show();
  s.display.RunUntilIdle();
  const TPoint p = f->LinkImage_quendrix->ClientToScreen(TPoint{250, 255});
  s.display.Click(p.X, p.Y);
  s.display.RunUntilIdle();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], "https://lumiqa.example.org/");
  // A click beside the picture opens nothing: the form has no other room.
  s.display.Click(f->Left() - 5, f->Top() - 5);
  s.display.RunUntilIdle();
  EXPECT_EQ(opened.size(), 1u);
}

}  // namespace
