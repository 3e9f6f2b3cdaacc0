#include "platform/gdi/FontEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kWqy = "WenQuanYi Zen Hei";

FontRequest Request(const char* face, int height, int weight = 0, bool italic = false) {
  FontRequest r;
  r.faceName = face;
  r.height = height;
  r.weight = weight;
  r.italic = italic;
  return r;
}

std::string FileOf(const FontRequest& r) { return ResolveFont(r).face->FileName(); }

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(FontEngine, FaceNamesMapToPinnedFamilies) {
  struct Case {
    const char* name;
    std::uint8_t charSet;
    const char* family;
  };
  const Case cases[] = {
      {"宋体", 1, kWqy},
      {"新宋体", 1, kWqy},
      {"华文细黑", 1, kWqy},
      {"黑体", 1, kWqy},
      {"SimSun", 1, kWqy},
      {"simhei", 1, kWqy},
      {"Arial", 134, kWqy},  // a GB2312 request wants a Chinese face
      {"Arial", 0, "Liberation Sans"},
      {"Times New Roman", 1, "Liberation Serif"},
      {"Courier New", 0, "Liberation Mono"},
      {"MS Sans Serif", 0, "DejaVu Sans"},
      {"Tahoma", 1, "DejaVu Sans"},
      {"Verdana", 1, "DejaVu Sans"},
      {"Segoe UI", 1, "DejaVu Sans"},
      {"No Such Face 123", 1, "DejaVu Sans"},
      {"", 1, "DejaVu Sans"},
      {"DejaVu Serif", 1, "DejaVu Serif"},
  };
  for (const Case& c : cases) EXPECT_EQ(MapFontFamily(c.name, c.charSet), c.family) << c.name;
}

TEST(FontEngine, FamiliesResolveToTheirFilesWithRealStyles) {
  struct Case {
    FontRequest request;
    const char* fileTail;
  };
  const Case cases[] = {
      {Request("宋体", -12), "wqy-zenhei.ttc"},
      {Request("Arial", -12), "LiberationSans-Regular.ttf"},
      {Request("Arial", -12, 700), "LiberationSans-Bold.ttf"},
      {Request("Arial", -12, 400, true), "LiberationSans-Italic.ttf"},
      {Request("Times New Roman", -12), "LiberationSerif-Regular.ttf"},
      {Request("Courier New", -12, 700, true), "LiberationMono-BoldItalic.ttf"},
      {Request("Tahoma", -12, 700), "DejaVuSans-Bold.ttf"},
      {Request("MS Sans Serif", -12), "DejaVuSans.ttf"},
  };
  for (const Case& c : cases) EXPECT_TRUE(EndsWith(FileOf(c.request), c.fileTail)) << FileOf(c.request);
}

TEST(FontEngine, NegativeHeightIsEmSizeAndPositiveIsCellHeight) {
  for (const char* face : {"Arial", "宋体", "Tahoma", "Courier New"}) {
    for (int size : {8, 11, 12, 16, 23, 40}) {
      const FontMetrics em = ResolveFont(Request(face, -size)).metrics;
      EXPECT_EQ(em.emHeight, size) << face;
      EXPECT_EQ(em.height, em.ascent + em.descent) << face;
      if (std::string(face) == "宋体")
        EXPECT_EQ(em.height, size);  // SimSun's em box is its cell
      else
        EXPECT_GT(em.height, size) << face;  // the Latin faces have internal leading
      EXPECT_EQ(em.internalLeading, em.height - size) << face;

      const FontMetrics cell = ResolveFont(Request(face, size)).metrics;
      EXPECT_EQ(cell.height, size) << face;
      EXPECT_EQ(cell.ascent + cell.descent, size) << face;
      EXPECT_LT(cell.emHeight, em.emHeight + 1) << face;
    }
  }
  EXPECT_EQ(ResolveFont(Request("Tahoma", 0)).metrics.height, kDefaultCellHeight);
}

TEST(FontEngine, StandInsReportTheWindowsFacesMetrics) {
  struct Case {
    const char* face;
    int height;
    int cell, ascent, descent, internalLeading, aveWidth;
  };
  const Case cases[] = {
      // GetTextMetrics on Windows 7 at 96 dpi.
      {"Tahoma", -11, 13, 11, 2, 2, 5},
      {"MS Sans Serif", -11, 13, 11, 2, 2, 5},
      {"宋体", -12, 12, 10, 2, 0, 6},
      {"SimSun", -12, 12, 10, 2, 0, 6},
      // The faces' own tables scaled by the em rule: Tahoma 2048 units per
      // em, win ascent 2049, descent 423, average 1000; Arial 2048, 1854,
      // 434, 904; SimSun 256, 220, 36, 128.
      {"Tahoma", -24, 29, 24, 5, 5, 12},
      {"Arial", -11, 12, 10, 2, 1, 5},
      {"Arial", -16, 17, 14, 3, 1, 7},
      {"Arial", -24, 27, 22, 5, 3, 11},
      {"宋体", -11, 11, 9, 2, 0, 6},
      {"宋体", 16, 16, 14, 2, 0, 8},
  };
  // The cell, leading and average width are the Windows face's exactly. The
  // Latin stand-ins' descenders are longer than Tahoma's, so they may keep a
  // pixel more below the baseline; SimSun's split is kept exactly.
  for (const Case& k : cases) {
    const FontMetrics m = ResolveFont(Request(k.face, k.height)).metrics;
    const std::string at = std::string(k.face) + " " + std::to_string(k.height);
    const int slack = std::string(k.face) == "宋体" || std::string(k.face) == "SimSun" ? 0 : 1;
    EXPECT_EQ(m.height, k.cell) << at;
    EXPECT_NEAR(m.ascent, k.ascent, slack) << at;
    EXPECT_NEAR(m.descent, k.descent, slack) << at;
    EXPECT_EQ(m.internalLeading, k.internalLeading) << at;
    EXPECT_EQ(m.aveCharWidth, k.aveWidth) << at;
  }
  // A GB2312 request for a Latin name is served, and measured, as SimSun.
  FontRequest gb = Request("Tahoma", -12);
  gb.charSet = 134;
  EXPECT_EQ(ResolveFont(gb).metrics.height, 12);
}

TEST(FontEngine, HostileSizesAreClamped) {
  for (int h : {INT_MIN, -100000, -1, 1, 100000, INT_MAX}) {
    FontRequest r = Request("Arial", h);
    r.width = h;
    r.escapement = h;
    const ResolvedFont f = ResolveFont(r);
    EXPECT_GE(f.metrics.emHeight, 1);
    EXPECT_LE(f.metrics.emHeight, kMaxFontPixels);
    EXPECT_GE(f.face->Advance(U'A'), 0);
  }
}

TEST(FontEngine, MonochromeGlyphsHaveOnlyFullCoverage) {
  for (std::uint8_t quality : {0, 3, 4, 5}) {
    FontRequest r = Request("Arial", -15);
    r.quality = quality;
    const FontFace& face = *ResolveFont(r).face;
    bool partial = false, full = false;
    for (char32_t c : std::u32string(U"Ag@%中")) {
      const Glyph& g = face.GetGlyph(c);
      ASSERT_GT(g.width * g.height, 0);
      for (int i = 0; i < g.width * g.height; ++i) {
        partial |= g.coverage[i] != 0 && g.coverage[i] != 255;
        full |= g.coverage[i] == 255;
      }
    }
    const bool antialiased = quality == 4 || quality == 5;
    EXPECT_EQ(face.Antialiased(), antialiased);
    EXPECT_EQ(partial, antialiased) << int(quality);
    EXPECT_TRUE(full);
  }
}

TEST(FontEngine, MissingCharactersComeFromTheCjkFace) {
  const ResolvedFont tahoma = ResolveFont(Request("Tahoma", -14));
  const FontFace& latin = *tahoma.face;
  // The fallback is sized so its ascent fits the Latin face's.
  int em = 14;
  while (ResolveFont(Request("宋体", -em)).metrics.ascent > tahoma.metrics.ascent) --em;
  const FontFace& cjk = *ResolveFont(Request("宋体", -em)).face;
  EXPECT_FALSE(latin.HasChar(U'图'));
  const Glyph& fromLatin = latin.GetGlyph(U'图');
  const Glyph& fromCjk = cjk.GetGlyph(U'图');
  EXPECT_EQ(fromLatin.advance, fromCjk.advance);
  EXPECT_EQ(fromLatin.width, fromCjk.width);
  EXPECT_EQ(fromLatin.height, fromCjk.height);
  ASSERT_GT(fromLatin.width * fromLatin.height, 0);
  EXPECT_EQ(0, std::memcmp(fromLatin.coverage.get(), fromCjk.coverage.get(), size_t(fromLatin.width) * fromLatin.height));
  for (const char* face : {"Courier New", "Arial", "Tahoma", "Times New Roman"})
    for (int size : {-11, -13, -16, -24, 30}) {
      const ResolvedFont f = ResolveFont(Request(face, size));
      for (char32_t c : std::u32string(U"图中文質")) EXPECT_GE(f.face->GetGlyph(c).top, -f.metrics.ascent) << face << size;
    }
}

// Ink pieces of a glyph, pixels joined through their eight neighbours.
int InkPieces(const Glyph& g) {
  std::vector<int> seen(size_t(g.width) * g.height, 0);
  int pieces = 0;
  for (int start = 0; start < g.width * g.height; ++start) {
    if (!g.coverage[start] || seen[start]) continue;
    ++pieces;
    std::vector<int> stack{start};
    seen[start] = 1;
    while (!stack.empty()) {
      const int at = stack.back();
      stack.pop_back();
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int x = at % g.width + dx, y = at / g.width + dy;
          if (x < 0 || y < 0 || x >= g.width || y >= g.height) continue;
          const int n = y * g.width + x;
          if (g.coverage[n] && !seen[n]) seen[n] = 1, stack.push_back(n);
        }
    }
  }
  return pieces;
}

TEST(FontEngine, SmallMonochromeChineseKeepsItsStrokesJoined) {
  // Below the sizes with bitmaps, closed shapes must stay closed: a stroke
  // lost to hinting splits them into pieces.
  struct Case {
    char32_t ch;
    int pieces;
  };
  const Case cases[] = {{U'口', 1}, {U'日', 1}, {U'田', 1}, {U'回', 2}};
  for (int em : {9, 10, 11})
    for (const Case& c : cases) {
      const Glyph& g = ResolveFont(Request("宋体", -em)).face->GetGlyph(c.ch);
      ASSERT_GT(g.width * g.height, 0);
      EXPECT_EQ(InkPieces(g), c.pieces) << "em " << em << " U+" << std::hex << unsigned(c.ch);
    }
}

// 2 x 2 squares of ink: where strokes have run together.
int SolidBlocks(const Glyph& g) {
  int n = 0;
  for (int y = 0; y + 1 < g.height; ++y)
    for (int x = 0; x + 1 < g.width; ++x) {
      const std::uint8_t* p = g.coverage.get() + size_t(y) * g.width + x;
      n += p[0] && p[1] && p[g.width] && p[g.width + 1];
    }
  return n;
}

// The most separate ink runs met going down one column: horizontal strokes
// told apart.
int MostStrokesAcross(const Glyph& g) {
  int most = 0;
  for (int x = 0; x < g.width; ++x) {
    int runs = 0;
    bool inside = false;
    for (int y = 0; y < g.height; ++y) {
      const bool ink = g.coverage[size_t(y) * g.width + x] != 0;
      runs += ink && !inside;
      inside = ink;
    }
    most = std::max(most, runs);
  }
  return most;
}

TEST(FontEngine, SmallChineseKeepsStrokesApartLikeTheBitmapStrike) {
  // At 10 and 11 pixels, dense characters drawn from outlines smudge into
  // blocks and lose strokes; drawn from the 12-pixel bitmaps they stay as
  // clean: no 2 x 2 block of ink, every horizontal stroke apart, inside the
  // em square with a pixel to spare. "置" has six horizontal strokes, too
  // many for 10 rows: each row fewer may run two of them together. The same
  // glyphs serve Chinese borrowed by a Latin face of that size.
  for (int em : {10, 11}) {
    const ResolvedFont song = ResolveFont(Request("宋体", -em));
    const ResolvedFont tahoma = ResolveFont(Request("Tahoma", -em));
    for (char32_t c : std::u32string(U"高级设置第四页")) {
      const bool tooDense = c == U'置';
      const Glyph& strike = ResolveFont(Request("宋体", -12)).face->GetGlyph(c);
      const Glyph& g = song.face->GetGlyph(c);
      const std::string at = "em " + std::to_string(em) + " U+" + std::to_string(unsigned(c));
      ASSERT_GT(g.width * g.height, 0) << at;
      EXPECT_EQ(g.advance, em) << at;
      EXPECT_LE(g.width, em - 1) << at;
      EXPECT_LE(g.height, em - 1) << at;
      EXPECT_GE(g.top, -song.metrics.ascent) << at;
      EXPECT_LE(g.top + g.height, song.metrics.descent) << at;
      ASSERT_EQ(SolidBlocks(strike), 0) << at;
      if (tooDense) {
        EXPECT_GE(MostStrokesAcross(g), MostStrokesAcross(strike) - (12 - em)) << at;
        EXPECT_LE(SolidBlocks(g), (12 - em) * (em - 2)) << at;
      } else {
        EXPECT_EQ(SolidBlocks(g), 0) << at;
        EXPECT_EQ(MostStrokesAcross(g), MostStrokesAcross(strike)) << at;
      }
      const Glyph& borrowed = tahoma.face->GetGlyph(c);
      EXPECT_EQ(borrowed.advance, em) << at;
      ASSERT_EQ(borrowed.width * borrowed.height, g.width * g.height) << at;
      EXPECT_EQ(0, std::memcmp(borrowed.coverage.get(), g.coverage.get(), size_t(g.width) * g.height)) << at;
    }
  }
}

TEST(FontEngine, GlyphsAndFacesAreCached) {
  const ResolvedFont a = ResolveFont(Request("Arial", -13));
  const ResolvedFont b = ResolveFont(Request("Arial", -13));
  EXPECT_EQ(a.face.get(), b.face.get());
  EXPECT_EQ(&a.face->GetGlyph(U'x'), &a.face->GetGlyph(U'x'));
  EXPECT_EQ(&a.face->GetGlyph(U'字'), &a.face->GetGlyph(U'字'));
  // Same file and size with other per-request flags share the face.
  FontRequest underlined = Request("Arial", -13);
  underlined.underline = true;
  const ResolvedFont u = ResolveFont(underlined);
  EXPECT_EQ(u.face.get(), a.face.get());
  EXPECT_TRUE(u.metrics.underlined);
  EXPECT_FALSE(a.metrics.underlined);
}

TEST(FontEngine, SyntheticBoldWidensAndRealBoldKeepsItsOwnAdvances) {
  const FontFace& regular = *ResolveFont(Request("宋体", -16)).face;
  const ResolvedFont bold = ResolveFont(Request("宋体", -16, 700));
  EXPECT_EQ(bold.face->FileName(), regular.FileName());  // no bold file: synthesized
  EXPECT_EQ(bold.metrics.weight, 700);
  EXPECT_EQ(bold.face->Advance(U'中'), regular.Advance(U'中') + 1);
  int inkRegular = 0, inkBold = 0;
  const Glyph& r = regular.GetGlyph(U'中');
  const Glyph& b = bold.face->GetGlyph(U'中');
  for (int i = 0; i < r.width * r.height; ++i) inkRegular += r.coverage[i] != 0;
  for (int i = 0; i < b.width * b.height; ++i) inkBold += b.coverage[i] != 0;
  EXPECT_GT(inkBold, inkRegular);
}

TEST(FontEngine, EscapementRotatesGlyphs) {
  FontRequest r = Request("Arial", -30);
  const Glyph& upright = ResolveFont(r).face->GetGlyph(U'l');
  EXPECT_GT(upright.height, 3 * upright.width);
  for (int esc : {900, 2700, 450}) {
    r.escapement = esc;
    const ResolvedFont f = ResolveFont(r);
    EXPECT_EQ(f.face->Escapement(), esc);
    const Glyph& g = f.face->GetGlyph(U'l');
    EXPECT_EQ(g.advance, upright.advance) << esc;  // measured along the baseline
    if (esc == 450)
      EXPECT_NEAR(g.width, g.height, 3);
    else
      EXPECT_GT(g.width, 3 * g.height) << esc;
  }
  // Text running upwards: the glyph's top points left and it sits above the pen.
  r.escapement = 900;
  const Glyph& up = ResolveFont(r).face->GetGlyph(U'l');
  EXPECT_LE(up.left + up.width, 1);
  EXPECT_LT(up.top, 0);
  EXPECT_LE(up.top + up.height, 1);
}

TEST(FontEngine, MetricsDescribeTheFace) {
  const FontMetrics mono = ResolveFont(Request("Courier New", -14)).metrics;
  const FontFace& monoFace = *ResolveFont(Request("Courier New", -14)).face;
  EXPECT_EQ(mono.aveCharWidth, monoFace.Advance(U'x'));
  EXPECT_EQ(mono.maxCharWidth, monoFace.Advance(U'W'));
  EXPECT_EQ(mono.pitchAndFamily & 0x01, 0);  // fixed pitch clears the bit
  EXPECT_EQ(mono.pitchAndFamily & 0xF0, 0x30);

  const FontMetrics sans = ResolveFont(Request("Arial", -14)).metrics;
  EXPECT_EQ(sans.pitchAndFamily & 0x01, 1);
  EXPECT_EQ(sans.pitchAndFamily & 0xF0, 0x20);
  EXPECT_EQ(sans.charSet, 0);
  EXPECT_EQ(ResolveFont(Request("Times New Roman", -14)).metrics.pitchAndFamily & 0xF0, 0x10);
  EXPECT_EQ(ResolveFont(Request("宋体", -14)).metrics.charSet, 134);

  for (const char* face : {"Arial", "宋体", "Tahoma"}) {
    for (int size : {-9, -13, 20, 48}) {
      const FontMetrics m = ResolveFont(Request(face, size)).metrics;
      EXPECT_GE(m.underlineOffset, 1) << face << size;
      EXPECT_LE(m.underlineOffset + m.underlineThickness, std::max(m.descent, 1 + m.underlineThickness));
      EXPECT_GT(m.strikeOutOffset, 0) << face << size;
      EXPECT_LT(m.strikeOutOffset, m.ascent) << face << size;
    }
  }
}

TEST(FontEngine, ConcurrentUseGivesTheSameAdvances) {
  const std::u32string text = U"Lumiqa 请在图像上用鼠标框选 0123456789";
  auto measure = [&](int size) {
    const FontFace& f = *ResolveFont(Request(size % 2 ? "Arial" : "宋体", -size)).face;
    long total = 0;
    for (char32_t c : text) total += f.Advance(c) + f.GetGlyph(c).width;
    return total;
  };
  std::vector<long> expected;
  for (int size = 10; size < 18; ++size) expected.push_back(measure(size));
  std::vector<std::thread> threads;
  std::vector<std::vector<long>> got(8);
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round)
        for (int size = 10; size < 18; ++size) got[t].push_back(measure(size + 20 * (round % 2)));
    });
  for (auto& th : threads) th.join();
  for (int t = 0; t < 8; ++t)
    for (int size = 0; size < 8; ++size) EXPECT_EQ(got[t][size], expected[size]);
}

}  // namespace
