#include "platform/gdi/FontFamilies.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "BdfFixture.h"

namespace {

const FontFamilyInfo* Find(const std::vector<FontFamilyInfo>& list, const std::string& name) {
  for (const FontFamilyInfo& f : list)
    if (f.name == name) return &f;
  return nullptr;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

TEST(FontFamilies, PinnedFamiliesAreListedWithTheirClass) {
  struct Case {
    const char* name;
    bool fixed;
  };
  const Case cases[] = {
      {"DejaVu Sans", false},     {"DejaVu Sans Mono", true}, {"DejaVu Serif", false},     {"Liberation Sans", false},
      {"Liberation Serif", false}, {"Liberation Mono", true},  {"WenQuanYi Zen Hei", false},
  };
  const std::vector<FontFamilyInfo> all = ScreenFontFamilies();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FontFamilyInfo* f = Find(all, c.name);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->fontType, TRUETYPE_FONTTYPE);
    EXPECT_TRUE(f->Scalable());
    EXPECT_TRUE(f->sizes.empty());
    EXPECT_EQ(f->fixedPitch, c.fixed);
    EXPECT_EQ(f->charSet, ANSI_CHARSET);
  }
}

TEST(FontFamilies, EveryFamilyHasASaneRecordAndTheListIsSortedAndDistinct) {
  const std::vector<FontFamilyInfo> all = ScreenFontFamilies();
  ASSERT_FALSE(all.empty());
  std::set<std::string> seen;
  std::string previous;
  for (const FontFamilyInfo& f : all) {
    SCOPED_TRACE(f.name);
    ASSERT_FALSE(f.name.empty());
    EXPECT_TRUE(f.fontType == 0 || f.fontType == RASTER_FONTTYPE || f.fontType == TRUETYPE_FONTTYPE);
    EXPECT_TRUE(f.charSet == ANSI_CHARSET || f.charSet == DEFAULT_CHARSET || f.charSet == SYMBOL_CHARSET);
    if (f.Raster()) {
      ASSERT_FALSE(f.sizes.empty());
      for (std::size_t i = 0; i < f.sizes.size(); ++i) {
        EXPECT_GT(f.sizes[i], 0);
        if (i) EXPECT_LT(f.sizes[i - 1], f.sizes[i]);
      }
    } else {
      EXPECT_TRUE(f.sizes.empty());
    }
    const std::string key = Lower(f.name);
    EXPECT_TRUE(seen.insert(key).second) << "listed twice";
    EXPECT_LE(previous, key);
    previous = key;
  }
}

TEST(FontFamilies, FindIgnoresCaseAndRefreshWithoutChangeStaysQuiet) {
  FontFamilyInfo info;
  ASSERT_TRUE(FindScreenFontFamily("dejavu sans MONO", &info));
  EXPECT_EQ(info.name, "DejaVu Sans Mono");
  EXPECT_TRUE(info.fixedPitch);
  EXPECT_FALSE(FindScreenFontFamily("No Such Family 42", &info));
  EXPECT_EQ(info.name, "DejaVu Sans Mono");  // untouched on a miss

  int calls = 0;
  const int id = AddFontListChangedHandler([&] { ++calls; });
  const std::vector<FontFamilyInfo> before = ScreenFontFamilies();
  EXPECT_FALSE(RefreshFontFamilies());
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(ScreenFontFamilies(), before);
  RemoveFontListChangedHandler(id);
}

// ---- The pure rules ------------------------------------------------------------

FontFaceFacts Face(const char* family, const char* format, bool scalable, int spacing = 0) {
  FontFaceFacts f;
  f.family = family;
  f.format = format;
  f.scalable = scalable;
  f.outline = scalable;
  f.spacing = spacing;
  f.latinLetters = f.latin1Letters = true;
  return f;
}

TEST(FontFamilies, OneFaceClassifiesByFormatSpacingAndCoverage) {
  struct Case {
    const char* what;
    FontFaceFacts face;
    DWORD type;
    Byte charSet;
    bool fixed;
  };
  auto with = [](FontFaceFacts f, auto change) {
    change(f);
    return f;
  };
  const Case cases[] = {
      {"TrueType outline", Face("A", "TrueType", true), TRUETYPE_FONTTYPE, ANSI_CHARSET, false},
      {"CFF outline", Face("A", "CFF", true), TRUETYPE_FONTTYPE, ANSI_CHARSET, false},
      {"Type 1 is scalable, not TrueType", Face("A", "Type 1", true), 0, ANSI_CHARSET, false},
      {"sfnt without outlines", with(Face("A", "TrueType", true), [](auto& f) { f.outline = false; }), 0,
       ANSI_CHARSET, false},
      {"PCF bitmap", Face("A", "PCF", false), RASTER_FONTTYPE, ANSI_CHARSET, false},
      {"bitmap-only sfnt", Face("A", "TrueType", false), RASTER_FONTTYPE, ANSI_CHARSET, false},
      {"mono", Face("A", "TrueType", true, 100), TRUETYPE_FONTTYPE, ANSI_CHARSET, true},
      {"charcell", Face("A", "PCF", false, 110), RASTER_FONTTYPE, ANSI_CHARSET, true},
      {"dual width is not fixed", Face("A", "TrueType", true, 90), TRUETYPE_FONTTYPE, ANSI_CHARSET, false},
      {"symbol charmap wins over Latin-1",
       with(Face("A", "TrueType", true), [](auto& f) { f.symbolCharmap = true; }), TRUETYPE_FONTTYPE,
       SYMBOL_CHARSET, false},
      {"no Latin letters",
       with(Face("A", "TrueType", true), [](auto& f) { f.latinLetters = f.latin1Letters = false; }),
       TRUETYPE_FONTTYPE, SYMBOL_CHARSET, false},
      {"Latin letters without all of Latin-1",
       with(Face("A", "PCF", false), [](auto& f) { f.latin1Letters = false; }), RASTER_FONTTYPE, DEFAULT_CHARSET,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<FontFamilyInfo> out = ClassifyFontFamilies(std::span(&c.face, 1));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].name, "A");
    EXPECT_EQ(out[0].fontType, c.type);
    EXPECT_EQ(out[0].charSet, c.charSet);
    EXPECT_EQ(out[0].fixedPitch, c.fixed);
    EXPECT_NE(out[0].fontType & DEVICE_FONTTYPE, DEVICE_FONTTYPE);
  }
}

TEST(FontFamilies, FacesOfOneFamilyMergeIntoOneRecord) {
  std::vector<FontFaceFacts> faces;
  // A bitmap family in three strikes, one of them twice and one off by a fraction.
  for (double px : {13.4, 10.0}) {
    faces.push_back(Face("Fixed", "PCF", false, 110));
    faces.back().pixelSizes = {px};
  }
  faces.push_back(Face("FIXED", "BDF", false, 100));
  faces.back().pixelSizes = {10.2, 20.0};
  // Outline and bitmap files of one name: the outline wins; one proportional
  // file makes the family proportional; the widest charset wins.
  faces.push_back(Face("Mixed", "PCF", false, 100));
  faces.back().pixelSizes = {12};
  faces.back().latin1Letters = false;
  faces.push_back(Face("mixed", "TrueType", true, 100));
  faces.back().latin1Letters = false;
  faces.push_back(Face("Mixed", "TrueType", true, 0));
  faces.back().symbolCharmap = true;
  faces.push_back(Face("Mixed", "TrueType", true, 100));
  faces.back().latinLetters = faces.back().latin1Letters = false;
  faces.push_back(Face("", "TrueType", true));  // no name: left out
  faces.push_back(Face("apex", "CFF", true));

  const std::vector<FontFamilyInfo> out = ClassifyFontFamilies(faces);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].name, "apex");  // sorted ignoring case
  EXPECT_EQ(out[1].name, "Fixed");  // the first spelling
  EXPECT_EQ(out[1].fontType, RASTER_FONTTYPE);
  EXPECT_EQ(out[1].sizes, (std::vector<int>{10, 13, 20}));
  EXPECT_TRUE(out[1].fixedPitch);  // mono and charcell are both fixed
  EXPECT_EQ(out[2].name, "Mixed");
  EXPECT_EQ(out[2].fontType, TRUETYPE_FONTTYPE);
  EXPECT_TRUE(out[2].sizes.empty());
  EXPECT_FALSE(out[2].fixedPitch);
  EXPECT_EQ(out[2].charSet, DEFAULT_CHARSET);
}

TEST(FontFamilies, LetterCoverageNeedsEveryLatin1Letter) {
  auto range = [](char32_t lo, char32_t hi) {
    std::set<char32_t> s;
    for (char32_t c = lo; c <= hi; ++c) s.insert(c);
    return s;
  };
  std::set<char32_t> full = range(0x20, 0xFF);
  std::set<char32_t> noYDiaeresis = full;
  noYDiaeresis.erase(0xFF);
  std::set<char32_t> lettersOnly = range('A', 'Z');
  for (char32_t c : range('a', 'z')) lettersOnly.insert(c);
  for (char32_t c : range(0xC0, 0xFF))
    if (c != 0xD7 && c != 0xF7) lettersOnly.insert(c);
  struct Case {
    const char* what;
    std::set<char32_t> chars;
    bool latin, latin1;
  };
  const Case cases[] = {
      {"all of Latin-1", full, true, true},
      {"the letters alone (no x or division sign)", lettersOnly, true, true},
      {"one accented letter missing", noYDiaeresis, true, false},
      {"ASCII only", range(0x20, 0x7E), true, false},
      {"one ASCII letter", {'q'}, true, false},
      {"digits, signs and CJK", [&] {
         auto s = range('0', '9');
         s.insert({0xD7, 0xF7, 0x4E2D, 0x6587});
         return s;
       }(),
       false, false},
      {"nothing", {}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FontFaceFacts f;
    f.latinLetters = !c.latin;  // stale values must be overwritten
    f.latin1Letters = !c.latin1;
    SetLetterCoverage(f, [&](char32_t ch) { return c.chars.count(ch) > 0; });
    EXPECT_EQ(f.latinLetters, c.latin);
    EXPECT_EQ(f.latin1Letters, c.latin1);
  }
}

// ---- The callback form ------------------------------------------------------------

struct Reported {
  std::string face;
  DWORD type;
  LOGFONT lf;
  NEWTEXTMETRICEX ntm;
};

struct Collector {
  std::vector<Reported> got;
  int stopAfter = -1;  // callback returns 0 on this call (1-based)
  static int Proc(const LOGFONT* lf, const TEXTMETRIC* tm, DWORD type, LPARAM data) {
    auto* self = reinterpret_cast<Collector*>(data);
    Reported r{lf->lfFaceName, type, *lf, *reinterpret_cast<const NEWTEXTMETRICEX*>(tm)};
    // The LOGFONT is the head of an ENUMLOGFONTEX.
    const auto* elf = reinterpret_cast<const ENUMLOGFONTEX*>(lf);
    EXPECT_STREQ(elf->elfFullName, lf->lfFaceName);
    EXPECT_STREQ(elf->elfStyle, "Regular");
    self->got.push_back(r);
    return int(self->got.size()) == self->stopAfter ? 0 : 1;
  }
};

int Enum(Collector& c, const char* face, Byte charSet, DWORD flags = 0) {
  LOGFONT lf;
  lf.lfCharSet = charSet;
  std::strcpy(lf.lfFaceName, face);
  return EnumFontFamiliesEx(nullptr, &lf, &Collector::Proc, reinterpret_cast<LPARAM>(&c), flags);
}

TEST(FontFamilies, CallbackFormReportsEachFamilyWithItsRecord) {
  Collector c;
  EXPECT_EQ(Enum(c, "", DEFAULT_CHARSET), 1);
  const std::vector<FontFamilyInfo> all = ListedFontFamilies();
  ASSERT_EQ(c.got.size(), all.size());
  for (std::size_t i = 0; i < all.size(); ++i) {
    const FontFamilyInfo& f = all[i];
    const Reported& r = c.got[i];
    SCOPED_TRACE(f.name);
    EXPECT_EQ(r.face, f.name);
    EXPECT_EQ(r.type, f.fontType);
    EXPECT_EQ(r.lf.lfCharSet, f.charSet);
    EXPECT_EQ(r.ntm.ntmTm.tm.tmCharSet, f.charSet);
    EXPECT_EQ(r.lf.lfPitchAndFamily & 3, f.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH);
    // TMPF_FIXED_PITCH set means variable pitch.
    EXPECT_EQ((r.ntm.ntmTm.tm.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0, !f.fixedPitch);
    EXPECT_EQ((r.ntm.ntmTm.tm.tmPitchAndFamily & TMPF_TRUETYPE) != 0, f.TrueType());
    EXPECT_GT(r.ntm.ntmTm.tm.tmHeight, 0);
    EXPECT_EQ(r.lf.lfHeight, r.ntm.ntmTm.tm.tmHeight);
  }
  const Reported* mono = nullptr;
  for (const Reported& r : c.got)
    if (r.face == "DejaVu Sans Mono") mono = &r;
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->ntm.ntmTm.ntmSizeEM, 16u);
  EXPECT_EQ(mono->ntm.ntmTm.tm.tmHeight - mono->ntm.ntmTm.tm.tmInternalLeading, 16);
  EXPECT_EQ(mono->ntm.ntmTm.tm.tmPitchAndFamily & 0xF0, FF_MODERN);
  EXPECT_EQ(mono->ntm.ntmFontSig.fsCsb[0] & 1u, 1u);  // Latin-1
}

TEST(FontFamilies, CallbackFormFiltersAndStops) {
  const std::vector<FontFamilyInfo> all = ListedFontFamilies();
  struct Case {
    const char* face;
    Byte charSet;
    std::size_t expected;
  };
  std::size_t ansi = 0, symbol = 0;
  for (const FontFamilyInfo& f : all) {
    ansi += f.charSet == ANSI_CHARSET;
    symbol += f.charSet == SYMBOL_CHARSET;
  }
  const Case cases[] = {
      {"dejavu sans mono", DEFAULT_CHARSET, 1}, {"DejaVu Sans Mono", ANSI_CHARSET, 1},
      {"DejaVu Sans Mono", SYMBOL_CHARSET, 0},  {"No Such Family", DEFAULT_CHARSET, 0},
      {"", ANSI_CHARSET, ansi},                 {"", SYMBOL_CHARSET, symbol},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.face) + " / " + std::to_string(k.charSet));
    Collector c;
    EXPECT_EQ(Enum(c, k.face, k.charSet), 1);
    ASSERT_EQ(c.got.size(), k.expected);
    for (const Reported& r : c.got) {
      if (k.charSet != DEFAULT_CHARSET) EXPECT_EQ(r.lf.lfCharSet, k.charSet);
      if (*k.face) EXPECT_EQ(r.face, "DejaVu Sans Mono");
    }
  }

  Collector stop;
  stop.stopAfter = 2;
  ASSERT_GE(all.size(), 3u);
  EXPECT_EQ(Enum(stop, "", DEFAULT_CHARSET), 0);
  EXPECT_EQ(stop.got.size(), 2u);

  Collector bad;
  EXPECT_EQ(Enum(bad, "", DEFAULT_CHARSET, 1), 0);  // dwFlags must be 0
  EXPECT_EQ(EnumFontFamiliesEx(nullptr, nullptr, &Collector::Proc, reinterpret_cast<LPARAM>(&bad), 0), 0);
  LOGFONT lf;
  lf.lfCharSet = DEFAULT_CHARSET;
  EXPECT_EQ(EnumFontFamiliesEx(nullptr, &lf, nullptr, 0, 0), 0);
  EXPECT_TRUE(bad.got.empty());

  Collector older;
  EXPECT_EQ(EnumFontFamilies(nullptr, "Liberation Mono", &Collector::Proc, reinterpret_cast<LPARAM>(&older)), 1);
  ASSERT_EQ(older.got.size(), 1u);
  EXPECT_EQ(older.got[0].face, "Liberation Mono");
}

// ---- A bitmap font of our own -------------------------------------------------------

TEST(FontFamilies, APrivateBitmapFontIsARasterFamilyWithItsSizes) {
  const char* kFamily = "Lumiqa Test Bitmap";
  int changes = 0;
  const int id = AddFontListChangedHandler([&] { ++changes; });
  const std::size_t count = ScreenFontFamilies().size();
  {
    TBdfFont small(kFamily, 10, "C");
    TBdfFont large(kFamily, 13, "C");
    ASSERT_EQ(small.Faces(), 1);
    ASSERT_EQ(large.Faces(), 1);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(ScreenFontFamilies().size(), count + 1);
    FontFamilyInfo f;
    ASSERT_TRUE(FindScreenFontFamily(kFamily, &f));
    EXPECT_EQ(f.fontType, RASTER_FONTTYPE);
    EXPECT_EQ(f.sizes, (std::vector<int>{10, 13}));
    EXPECT_TRUE(f.fixedPitch);
    EXPECT_EQ(f.charSet, DEFAULT_CHARSET);  // "A" and "B" only

    // Named, a raster family comes once per size.
    Collector c;
    EXPECT_EQ(Enum(c, kFamily, DEFAULT_CHARSET), 1);
    ASSERT_EQ(c.got.size(), 2u);
    EXPECT_EQ(c.got[0].type, RASTER_FONTTYPE);
    EXPECT_EQ(c.got[0].lf.lfHeight, 10);
    EXPECT_EQ(c.got[1].lf.lfHeight, 13);
    EXPECT_EQ(c.got[1].ntm.ntmTm.tm.tmPitchAndFamily & (TMPF_TRUETYPE | TMPF_VECTOR | TMPF_FIXED_PITCH), 0);
    EXPECT_EQ(c.got[1].lf.lfPitchAndFamily & 3, FIXED_PITCH);

    EXPECT_EQ(small.Remove(), TRUE);
    EXPECT_EQ(small.Remove(), FALSE);  // only once
    ASSERT_TRUE(FindScreenFontFamily(kFamily, &f));
    EXPECT_EQ(f.sizes, (std::vector<int>{13}));  // the other file stays
  }
  EXPECT_FALSE(FindScreenFontFamily(kFamily, nullptr));
  EXPECT_EQ(ScreenFontFamilies().size(), count);
  EXPECT_EQ(changes, 4);
  RemoveFontListChangedHandler(id);

  TBdfFont afterRemoval(kFamily, 11, "P");
  EXPECT_EQ(changes, 4);  // the handler is gone
  FontFamilyInfo f;
  ASSERT_TRUE(FindScreenFontFamily(kFamily, &f));
  EXPECT_FALSE(f.fixedPitch);
}

TEST(FontFamilies, AddingWhatIsNoFontFileFails) {
  const std::string path = ::testing::TempDir() + "lumiqa_not_a_font_" + std::to_string(getpid()) + ".bdf";
  {
    std::ofstream out(path);
    out << "not a font\n";
  }
  const std::size_t count = ScreenFontFamilies().size();
  EXPECT_EQ(AddFontResourceEx(path.c_str(), FR_PRIVATE, nullptr), 0);
  EXPECT_EQ(AddFontResourceEx(nullptr, FR_PRIVATE, nullptr), 0);
  EXPECT_EQ(RemoveFontResourceEx(path.c_str(), FR_PRIVATE, nullptr), FALSE);
  EXPECT_EQ(ScreenFontFamilies().size(), count);
  std::remove(path.c_str());
}

// The Windows faces the text engine stands in for are enumerated by their
// own names, while their stand-ins are installed, and a real family of the
// same name is never doubled.
TEST(FontFamilies, WindowsFacesAreListedByTheirOwnNames) {
  const std::vector<FontFamilyInfo> faces = WindowsFaceFamilies();
  auto find = [&](const char* name) -> const FontFamilyInfo* {
    for (const FontFamilyInfo& f : faces)
      if (f.name == name) return &f;
    return nullptr;
  };
  const FontFamilyInfo* tahoma = find("Tahoma");
  ASSERT_NE(tahoma, nullptr);
  EXPECT_TRUE(tahoma->TrueType());
  EXPECT_EQ(tahoma->charSet, ANSI_CHARSET);
  const FontFamilyInfo* simsun = find("\u5B8B\u4F53");
  ASSERT_NE(simsun, nullptr);
  EXPECT_EQ(simsun->charSet, GB2312_CHARSET);
  ASSERT_NE(find("Courier New"), nullptr);
  EXPECT_TRUE(find("Courier New")->fixedPitch);
  for (const FontFamilyInfo& f : faces) EXPECT_FALSE(FindScreenFontFamily(f.name, nullptr)) << f.name;
  Collector c;
  EXPECT_EQ(Enum(c, "tahoma", DEFAULT_CHARSET), 1);
  ASSERT_EQ(c.got.size(), 1u);
  EXPECT_EQ(c.got[0].face, "Tahoma");
}

}  // namespace
