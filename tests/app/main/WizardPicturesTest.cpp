#include "app/main/WizardPictures.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace {

struct Colour {
  Byte B, G, R;
  friend auto operator<=>(const Colour&, const Colour&) = default;
};

Colour At(const TBitmap& b, int x, int y) {
  const auto* p = static_cast<const Byte*>(b.ScanLine(y)) + 3 * x;
  return Colour{p[0], p[1], p[2]};
}

std::set<Colour> ColoursOf(TBitmap& b) {
  b.SetPixelFormat(pf24bit);
  std::set<Colour> out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) out.insert(At(b, x, y));
  return out;
}

TEST(WizardPictures, EveryNamedPictureHasItsSize) {
  struct Case {
    const char* name;
    int w, h;  // 0: any width
  } cases[] = {
      {"NEXT", 20, 20},   {"NEXT1", 20, 20},   {"SAVE", 20, 20},   {"ZOOMIN", 20, 20}, {"ZOOMIN1", 20, 20},
      {"ZOOMOUT", 20, 20}, {"ZOOMOUT1", 20, 20}, {"FIT", 20, 20},  {"FIT1", 20, 20},   {"ACTUAL", 20, 20},
      {"ACTUAL1", 20, 20}, {"UNDO", 20, 20},    {"UNDO1", 20, 20},  {"REDO", 20, 20},   {"REDO1", 20, 20},
      {"ARROW", 20, 20},  {"SPLASH", 520, 390}, {"TITLE1", 0, 41},  {"TITLE2", 0, 41},  {"LOGO", 0, 0},
      {"LINKPIC", 500, 511},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto b = LoadWizardBitmap(c.name);
    ASSERT_NE(b, nullptr);
    if (c.w) EXPECT_EQ(b->Width(), c.w);
    if (c.h) EXPECT_EQ(b->Height(), c.h);
    EXPECT_GT(b->Width(), 0);
    // Not a blank: a picture shows something.
    EXPECT_GT(ColoursOf(*b).size(), 3u);
  }
  // The left title picture ends before the toolbar's first button, which
  // sits at (800 - 337 - 100) div 2 - 25 - 4 = 152 in the narrowest window.
  auto title = LoadWizardBitmap("TITLE1");
  ASSERT_NE(title, nullptr);
  EXPECT_LE(title->Width(), 152);
  // Names ignore case, as the glyph look-ups do.
  auto lower = LoadWizardBitmap("ZoomIn1");
  ASSERT_NE(lower, nullptr);
  EXPECT_EQ(lower->Width(), 20);
  EXPECT_EQ(LoadWizardBitmap("NoSuchPicture"), nullptr);
  EXPECT_EQ(LoadWizardJpeg("SPLASH"), nullptr);  // a bitmap, not a JPEG
  auto jpeg = LoadWizardJpeg("linkpic");
  ASSERT_NE(jpeg, nullptr);
  EXPECT_EQ(jpeg->Width(), 500);
  EXPECT_EQ(jpeg->Height(), 511);
}

// Each glyph keeps the key colour in its bottom-left pixel (the skinned
// button draws that colour transparent) around a drawing that does not use
// it; the disabled look has no colour of its own.
TEST(WizardPictures, GlyphsAreKeyedAndDisabledLooksAreGrey) {
  const Colour key{255, 0, 255};
  for (const char* name : {"NEXT", "SAVE", "ZOOMIN", "ZOOMOUT", "FIT", "ACTUAL", "UNDO", "REDO"}) {
    SCOPED_TRACE(name);
    auto on = LoadWizardBitmap(name);
    ASSERT_NE(on, nullptr);
    on->SetPixelFormat(pf24bit);
    EXPECT_EQ(At(*on, 0, 19), key);
    int drawn = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) drawn += At(*on, x, y) != key;
    EXPECT_GT(drawn, 40);
    EXPECT_LT(drawn, 400);
    if (std::string(name) == "SAVE") continue;  // shown only enabled
    auto off = LoadWizardBitmap(std::string(name) + "1");
    ASSERT_NE(off, nullptr);
    off->SetPixelFormat(pf24bit);
    EXPECT_EQ(At(*off, 0, 19), key);
    for (const Colour& c : ColoursOf(*off)) {
      if (c == key) continue;
      const int spread = std::max({c.R, c.G, c.B}) - std::min({c.R, c.G, c.B});
      EXPECT_LT(spread, 40) << int(c.R) << "," << int(c.G) << "," << int(c.B);
    }
  }
}

}  // namespace
