#include "platform/gdi/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <numbers>
#include <unordered_map>
#include <vector>

#include "platform/rtl/Exceptions.h"

namespace {

constexpr const char* kCjkFamily = "WenQuanYi Zen Hei";
constexpr const char* kSansFamily = "DejaVu Sans";
// The same outlines plus hand-tuned bitmaps at small sizes: what monochrome
// Chinese needs to stay legible, as the Windows CJK faces' bitmaps do.
constexpr const char* kCjkBitmapFamily = "WenQuanYi Zen Hei Sharp";
// Coverage from which a smooth Chinese glyph pixel is drawn in monochrome.
constexpr int kCjkThreshold = 80;
// Sizes this many pixels below the smallest bitmap strike are made from it;
// further down too many strokes would merge.
constexpr int kMaxStrikeShrink = 2;

constexpr std::uint8_t kAnsiCharset = 0;
constexpr std::uint8_t kDefaultCharset = 1;
constexpr std::uint8_t kShiftJisCharset = 128;
constexpr std::uint8_t kHangulCharset = 129;
constexpr std::uint8_t kJohabCharset = 130;
constexpr std::uint8_t kGb2312Charset = 134;
constexpr std::uint8_t kBig5Charset = 136;

constexpr int kBoldWeight = 600;
constexpr std::uint8_t kAntialiasedQuality = 4;
constexpr std::uint8_t kClearTypeQuality = 5;

// TEXTMETRIC pitch bits: the "fixed pitch" bit is set for variable-pitch fonts.
constexpr std::uint8_t kTmpfVariablePitch = 0x01;
constexpr std::uint8_t kTmpfVector = 0x02;
constexpr std::uint8_t kTmpfTrueType = 0x04;
constexpr std::uint8_t kFfRoman = 0x10;
constexpr std::uint8_t kFfSwiss = 0x20;
constexpr std::uint8_t kFfModern = 0x30;
constexpr std::uint8_t kFixedPitch = 1;

// Synthetic italic shears by tan(12 degrees), close to common obliques.
constexpr double kObliqueShear = 0.2126;

// Cache bounds: beyond these, entries nobody else holds are dropped.
constexpr std::size_t kMaxCachedFaces = 64;
constexpr std::size_t kMaxCachedRequests = 512;

// The design metrics of a Windows face in its own units: what GDI scales
// into TEXTMETRIC. A stand-in reports these instead of its own, so line
// heights, baselines and average widths match what layouts were made for.
struct WindowsDesign {
  const char* name;
  int unitsPerEm;
  int winAscent;
  int winDescent;
  int avgCharWidth;
  int lineGap;  // external leading
};

// TrueType faces from their OS/2 and hhea tables; MS Sans Serif is a bitmap
// face, described by its 8-point strike (11 px em, 13 px cell).
constexpr WindowsDesign kTahomaDesign = {"tahoma", 2048, 2049, 423, 1000, 0};
constexpr WindowsDesign kMsSansSerifDesign = {"ms sans serif", 11, 11, 2, 5, 0};
constexpr WindowsDesign kArialDesign = {"arial", 2048, 1854, 434, 904, 67};
constexpr WindowsDesign kTimesDesign = {"times new roman", 2048, 1825, 443, 821, 87};
// SimSun's em box is its cell: no internal leading, half-width ASCII. The
// other GB2312 faces share the design.
constexpr WindowsDesign kSimSunDesign = {"simsun", 256, 220, 36, 128, 0};

struct FaceAlias {
  const char* name;
  const char* family;
  const WindowsDesign* design = nullptr;
};

// Windows face names the program and its skins use, and their stand-ins.
// Courier New needs no design of its own: Liberation Mono shares its metrics.
constexpr FaceAlias kFaceAliases[] = {
    {"arial", "Liberation Sans", &kArialDesign},
    {"helvetica", "Liberation Sans", &kArialDesign},
    {"times new roman", "Liberation Serif", &kTimesDesign},
    {"times", "Liberation Serif", &kTimesDesign},
    {"courier new", "Liberation Mono"},
    {"courier", "Liberation Mono"},
    {"ms sans serif", kSansFamily, &kMsSansSerifDesign},
    {"microsoft sans serif", kSansFamily, &kMsSansSerifDesign},
    {"ms shell dlg", kSansFamily, &kMsSansSerifDesign},
    {"ms shell dlg 2", kSansFamily, &kTahomaDesign},
    {"helv", kSansFamily, &kMsSansSerifDesign},
    {"system", kSansFamily},
    {"tahoma", kSansFamily, &kTahomaDesign},
    {"verdana", kSansFamily},
    {"segoe ui", kSansFamily},
    {"simsun", kCjkFamily, &kSimSunDesign},
    {"nsimsun", kCjkFamily, &kSimSunDesign},
    {"simhei", kCjkFamily, &kSimSunDesign},
    {"microsoft yahei", kCjkFamily},
    {"微软雅黑", kCjkFamily},  // Microsoft YaHei's own name: a tall face of its own
    {"kaiti", kCjkFamily, &kSimSunDesign},
    {"fangsong", kCjkFamily, &kSimSunDesign},
    {"mingliu", kCjkFamily, &kSimSunDesign},
};

std::string AsciiLower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool IsCjkCharset(std::uint8_t cs) {
  return cs == kGb2312Charset || cs == kBig5Charset || cs == kShiftJisCharset || cs == kHangulCharset ||
         cs == kJohabCharset;
}

const FaceAlias* FindAlias(std::string_view name) {
  const std::string lower = AsciiLower(name);
  for (const FaceAlias& alias : kFaceAliases)
    if (lower == alias.name) return &alias;
  return nullptr;
}

bool IsAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The Windows face whose metrics a request gets. A CJK charset, or a Chinese
// name we do not know, gets SimSun, as the Windows font mapper would give.
const WindowsDesign* DesignFor(std::string_view faceName, std::uint8_t charSet) {
  const std::string_view name = Trim(faceName);
  const FaceAlias* alias = name.empty() ? nullptr : FindAlias(name);
  if (IsCjkCharset(charSet))
    return alias && std::string_view(alias->family) == kCjkFamily ? alias->design : &kSimSunDesign;
  if (alias) return alias->design;
  if (!IsAscii(name)) return &kSimSunDesign;
  return nullptr;
}

int RoundDiv(long long num, long long den) {
  if (den <= 0) return 0;
  return static_cast<int>(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
}

// fontconfig is slow and not documented as re-entrant for every call we use:
// one lock and a cache per question.
std::mutex& FcMutex() {
  static std::mutex m;
  return m;
}

void EnsureFontconfig() {
  static const bool ok = FcInit() == FcTrue;
  (void)ok;
}

bool FamilyInstalled(const std::string& family) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, static_cast<char*>(nullptr));
  FcFontSet* set = FcFontList(nullptr, pattern, objects);
  const bool found = set && set->nfont > 0;
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return found;
}

// ---- FreeType --------------------------------------------------------------

// FT_New_Face and FT_Done_Face must not run concurrently on one library;
// glyph work on different faces may.
struct FreeTypeLibrary {
  FT_Library library = nullptr;
  std::mutex mutex;
  FreeTypeLibrary() {
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  ~FreeTypeLibrary() {
    if (library) FT_Done_FreeType(library);
  }
};

// Never destroyed: cached faces may outlive any other static.
FreeTypeLibrary& Library() {
  static FreeTypeLibrary* lib = new FreeTypeLibrary;
  return *lib;
}

struct FaceKey {
  std::string path;
  int index = 0;
  std::string family;
  int height = 0;  // never 0 here: the default is applied before
  int width = 0;
  bool synthBold = false;
  bool synthItalic = false;
  int escapement = 0;  // 0..3599
  bool antialiased = false;
  const WindowsDesign* design = nullptr;  // metrics to report instead of the file's

  std::string Serialize() const {
    return path + '\x1f' + std::to_string(index) + '\x1f' + std::to_string(height) + '\x1f' + std::to_string(width) +
           '\x1f' + (synthBold ? 'b' : '-') + (synthItalic ? 'i' : '-') + (antialiased ? 'a' : 'm') + '\x1f' +
           std::to_string(escapement) + '\x1f' + (design ? design->name : "");
  }
};

// Monochrome upright CJK uses the face with embedded bitmaps; FreeType picks
// a bitmap strike by itself when the size matches one.
void PreferCjkBitmaps(FaceKey& key) {
  if (key.family != kCjkFamily || key.antialiased || key.escapement != 0 || key.synthItalic) return;
  const FontFileMatch sharp = MatchFontFile(kCjkBitmapFamily, false, false);
  if (sharp.family == kCjkBitmapFamily) {
    key.path = sharp.path;
    key.index = sharp.index;
  }
}

class FreeTypeFace;
std::shared_ptr<FreeTypeFace> GetFace(const FaceKey& key);

class FreeTypeFace final : public FontFace {
 public:
  explicit FreeTypeFace(const FaceKey& key) : key_(key) {
    FreeTypeLibrary& lib = Library();
    {
      std::lock_guard<std::mutex> lock(lib.mutex);
      if (!lib.library || FT_New_Face(lib.library, key.path.c_str(), key.index, &face_) != 0) {
        face_ = nullptr;
        throw Exception("Cannot load font file " + key.path);
      }
    }
    Setup();
  }

  ~FreeTypeFace() override {
    std::lock_guard<std::mutex> lock(Library().mutex);
    FT_Done_Face(face_);
  }

  const FontMetrics& Metrics() const override { return metrics_; }
  const std::string& FamilyName() const override { return key_.family; }
  const std::string& FileName() const override { return key_.path; }
  bool Antialiased() const override { return key_.antialiased; }
  int Escapement() const override { return key_.escapement; }

  bool HasChar(char32_t c) const override {
    std::lock_guard<std::mutex> lock(mutex_);
    return FT_Get_Char_Index(face_, c) != 0;
  }

  const Glyph& GetGlyph(char32_t c) const override {
    if (c < latin_.size()) {
      if (const Glyph* g = latin_[c].load(std::memory_order_acquire)) return *g;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = glyphs_.find(c);
    if (it == glyphs_.end()) {
      it = glyphs_.emplace(c, MakeGlyph(c)).first;
      // Map nodes never move, so the pointer stays valid.
      if (c < latin_.size()) latin_[c].store(&it->second, std::memory_order_release);
    }
    return it->second;
  }

 private:
  void Setup() {
    const int fileUpem = face_->units_per_EM > 0 ? face_->units_per_EM : 2048;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
    // Windows sizes TrueType fonts by the OS/2 "win" extents.
    int upem = fileUpem;
    int winAscent = os2 && os2->usWinAscent ? os2->usWinAscent : std::max<int>(face_->ascender, 1);
    int winDescent = os2 && (os2->usWinAscent || os2->usWinDescent) ? os2->usWinDescent : -face_->descender;
    winDescent = std::max(winDescent, 0);
    const int fileDescent = winDescent;
    int avgUnits = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : upem / 2;
    if (const WindowsDesign* d = key_.design) {
      upem = d->unitsPerEm;
      winAscent = d->winAscent;
      winDescent = d->winDescent;
      avgUnits = d->avgCharWidth;
    }
    const int winHeight = std::max(winAscent + winDescent, 1);

    FontMetrics& m = metrics_;
    if (key_.height < 0) {
      m.emHeight = std::clamp(-key_.height, 1, kMaxFontPixels);
      m.ascent = RoundDiv(1LL * winAscent * m.emHeight, upem);
      m.descent = RoundDiv(1LL * winDescent * m.emHeight, upem);
      m.height = m.ascent + m.descent;
    } else {
      m.height = std::clamp(key_.height, 1, kMaxFontPixels);
      m.emHeight = std::max(1, RoundDiv(1LL * m.height * upem, winHeight));
      m.ascent = RoundDiv(1LL * m.height * winAscent, winHeight);
      m.descent = m.height - m.ascent;
    }
    if (key_.design && key_.family != kCjkFamily) {
      // A Latin stand-in keeps the Windows cell but the room its own
      // descenders need, moving the baseline up by a pixel at most.
      const int own = RoundDiv(1LL * fileDescent * m.emHeight, fileUpem);
      if (own > m.descent && own - m.descent <= 1 + m.height / 24 && own < m.height) {
        m.ascent -= own - m.descent;
        m.descent = own;
      }
    }
    // A CJK stand-in keeps the Windows split; its glyphs are fitted into it.
    fitToCell_ = key_.design && key_.family == kCjkFamily && key_.escapement == 0;
    m.internalLeading = std::max(0, m.height - m.emHeight);
    if (key_.design) {
      m.externalLeading = RoundDiv(1LL * key_.design->lineGap * m.emHeight, upem);
    } else if (hhea) {
      const int hheaHeight = hhea->Ascender - hhea->Descender;
      const int gap = hhea->Line_Gap - (winHeight - hheaHeight);
      m.externalLeading = std::max(0, RoundDiv(1LL * gap * m.emHeight, upem));
    }

    int xPpem = m.emHeight;
    if (key_.width > 0)
      xPpem = std::clamp(RoundDiv(1LL * std::min(key_.width, kMaxFontPixels) * upem, avgUnits), 1, kMaxFontPixels);
    FT_Set_Pixel_Sizes(face_, static_cast<FT_UInt>(xPpem), static_cast<FT_UInt>(m.emHeight));

    boldStrength_ = key_.synthBold ? std::max(1, (m.emHeight + 12) / 24) : 0;
    m.aveCharWidth = std::max(1, RoundDiv(1LL * avgUnits * xPpem, upem)) + boldStrength_;
    m.maxCharWidth = std::max(1, RoundDiv(1LL * face_->max_advance_width * xPpem, fileUpem)) + boldStrength_;

    m.underlineThickness = std::max(1, RoundDiv(1LL * face_->underline_thickness * m.emHeight, fileUpem));
    m.underlineOffset = std::max(1, RoundDiv(-1LL * face_->underline_position * m.emHeight, fileUpem));
    if (m.underlineOffset + m.underlineThickness > m.descent)
      m.underlineOffset = std::max(1, m.descent - m.underlineThickness);
    if (os2 && os2->yStrikeoutSize > 0) {
      m.strikeOutThickness = std::max(1, RoundDiv(1LL * os2->yStrikeoutSize * m.emHeight, fileUpem));
      m.strikeOutOffset = RoundDiv(1LL * os2->yStrikeoutPosition * m.emHeight, fileUpem);
    } else {
      m.strikeOutThickness = m.underlineThickness;
      m.strikeOutOffset = m.ascent / 3;
    }

    m.firstChar = os2 ? os2->usFirstCharIndex : 0x20;
    m.lastChar = os2 ? os2->usLastCharIndex : 0xFFFF;
    m.defaultChar = 0x1F;
    m.breakChar = 0x20;
    const bool fixed = FT_IS_FIXED_WIDTH(face_);
    std::uint8_t family = kFfSwiss;
    if (fixed)
      family = kFfModern;
    else if (key_.family.find("Serif") != std::string::npos && key_.family.find("Sans") == std::string::npos)
      family = kFfRoman;
    m.pitchAndFamily = static_cast<std::uint8_t>((fixed ? 0 : kTmpfVariablePitch) | kTmpfVector | kTmpfTrueType | family);
    m.charSet = key_.family == kCjkFamily ? kGb2312Charset : kAnsiCharset;
    m.weight = key_.synthBold ? 700 : 400;
    m.italic = key_.synthItalic;

    if (key_.family == kCjkFamily && !key_.antialiased && !key_.synthItalic && key_.escapement == 0 &&
        key_.width == 0 && face_->num_fixed_sizes > 0) {
      int smallest = 0;
      for (int i = 0; i < face_->num_fixed_sizes; ++i) {
        const int ppem = static_cast<int>((face_->available_sizes[i].y_ppem + 32) >> 6);
        if (ppem > 0 && (smallest == 0 || ppem < smallest)) smallest = ppem;
      }
      if (smallest > m.emHeight && smallest - m.emHeight <= kMaxStrikeShrink && m.emHeight >= 3)
        strikeSize_ = smallest;
    }

    loadFlags_ = key_.antialiased ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
    if (key_.antialiased || key_.synthItalic || key_.escapement != 0) loadFlags_ |= FT_LOAD_NO_BITMAP;
    if (key_.synthItalic || key_.escapement != 0) {
      // Shear first (in glyph space), then rotate.
      double xx = 1, xy = key_.synthItalic ? kObliqueShear : 0, yx = 0, yy = 1;
      if (key_.escapement != 0) {
        double c, s;
        switch (key_.escapement) {
          case 900: c = 0, s = 1; break;
          case 1800: c = -1, s = 0; break;
          case 2700: c = 0, s = -1; break;
          default: {
            const double a = key_.escapement * std::numbers::pi / 1800.0;
            c = std::cos(a);
            s = std::sin(a);
          }
        }
        const double rxx = c * xx - s * yx, rxy = c * xy - s * yy;
        const double ryx = s * xx + c * yx, ryy = s * xy + c * yy;
        xx = rxx, xy = rxy, yx = ryx, yy = ryy;
      }
      auto fixed16 = [](double v) { return static_cast<FT_Fixed>(std::lround(v * 65536.0)); };
      matrix_ = {fixed16(xx), fixed16(xy), fixed16(yx), fixed16(yy)};
      transform_ = true;
    }
  }

  Glyph MakeGlyph(char32_t c) const {
    FT_UInt index = FT_Get_Char_Index(face_, c);
    if (index != 0 && strikeSize_ > 0) {
      Glyph g = FromStrike(c);
      if (g.advance > 0) return g;
    }
    if (index == 0 && c != 0 && key_.family != kCjkFamily) {
      if (!fallback_) {
        FaceKey fk = key_;
        fk.family = kCjkFamily;
        const FontFileMatch match = MatchFontFile(kCjkFamily, key_.synthBold, false);
        fk.path = match.path;
        fk.index = match.index;
        fk.width = 0;
        fk.synthBold = key_.synthBold && !match.bold;
        fk.design = &kSimSunDesign;  // Chinese in a Latin face comes from SimSun on Windows
        PreferCjkBitmaps(fk);
        try {
          // Borrowed glyphs must not rise above this face's cell: shrink the
          // fallback until its ascent fits.
          int em = metrics_.emHeight;
          for (;;) {
            fk.height = -em;
            fallback_ = GetFace(fk);
            const int ascent = fallback_->Metrics().ascent;
            if (em <= 1 || ascent <= metrics_.ascent) break;
            em = std::min(em - 1, em * metrics_.ascent / ascent);
          }
        } catch (const Exception&) {
          fallback_ = nullptr;
        }
      }
      if (fallback_ && fallback_->HasChar(c)) return CopyGlyph(fallback_->GetGlyph(c));
    }
    return Render(index);
  }

  // Bold for bitmap glyphs: each row ORed with itself shifted right.
  static void Overstrike(Glyph& g, int strength) {
    const int w = g.width + strength;
    std::unique_ptr<std::uint8_t[]> wide(new std::uint8_t[static_cast<std::size_t>(w) * g.height]());
    for (int y = 0; y < g.height; ++y) {
      const std::uint8_t* src = g.coverage.get() + static_cast<std::size_t>(y) * g.width;
      std::uint8_t* dst = wide.get() + static_cast<std::size_t>(y) * w;
      for (int x = 0; x < g.width; ++x)
        for (int k = 0; k <= strength; ++k) dst[x + k] = std::max(dst[x + k], src[x]);
    }
    g.coverage = std::move(wide);
    g.width = w;
  }

  static Glyph CopyGlyph(const Glyph& from) {
    Glyph g;
    g.advance = from.advance;
    g.left = from.left;
    g.top = from.top;
    g.width = from.width;
    g.height = from.height;
    const std::size_t n = static_cast<std::size_t>(from.width) * static_cast<std::size_t>(from.height);
    if (n) {
      g.coverage.reset(new std::uint8_t[n]);
      std::memcpy(g.coverage.get(), from.coverage.get(), n);
    }
    return g;
  }

  Glyph Render(FT_UInt index) const {
    Glyph g;
    if (FT_Load_Glyph(face_, index, loadFlags_) != 0) return g;
    FT_GlyphSlot slot = face_->glyph;
    // Chinese outlines hinted for monochrome lose strokes below the sizes the
    // face has bitmaps for; render them smooth and threshold instead.
    const bool thresholded = !key_.antialiased && key_.family == kCjkFamily && slot->format == FT_GLYPH_FORMAT_OUTLINE;
    if (thresholded) {
      if (FT_Load_Glyph(face_, index, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP) != 0) return g;
      slot = face_->glyph;
    }
    g.advance = static_cast<int>((slot->metrics.horiAdvance + 32) >> 6) + boldStrength_;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (boldStrength_ > 0) FT_Outline_EmboldenXY(&slot->outline, boldStrength_ * 64, 0);
      if (transform_) FT_Outline_Transform(&slot->outline, &matrix_);
    }
    const bool bitmapGlyph = slot->format == FT_GLYPH_FORMAT_BITMAP;
    const bool smooth = key_.antialiased || thresholded;
    if (FT_Render_Glyph(slot, smooth ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0) return g;
    const FT_Bitmap& bm = slot->bitmap;
    g.left = slot->bitmap_left;
    g.top = -slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    if (g.width <= 0 || g.height <= 0 || !bm.buffer) {
      g.width = g.height = 0;
      return g;
    }
    g.coverage.reset(new std::uint8_t[static_cast<std::size_t>(g.width) * g.height]);
    const int pitch = bm.pitch;
    for (int y = 0; y < g.height; ++y) {
      const unsigned char* src = pitch >= 0 ? bm.buffer + static_cast<std::ptrdiff_t>(y) * pitch
                                            : bm.buffer + static_cast<std::ptrdiff_t>(g.height - 1 - y) * -pitch;
      std::uint8_t* dst = g.coverage.get() + static_cast<std::size_t>(y) * g.width;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        for (int x = 0; x < g.width; ++x) dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
      } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
        const int grays = bm.num_grays > 1 ? bm.num_grays - 1 : 255;
        for (int x = 0; x < g.width; ++x) dst[x] = static_cast<std::uint8_t>(grays == 255 ? src[x] : src[x] * 255 / grays);
      } else {
        std::memset(dst, 0, static_cast<std::size_t>(g.width));
      }
    }
    if (thresholded) {
      std::uint8_t* c = g.coverage.get();
      for (std::size_t i = 0, n = static_cast<std::size_t>(g.width) * g.height; i < n; ++i) c[i] = c[i] >= kCjkThreshold ? 255 : 0;
    }
    if (bitmapGlyph && boldStrength_ > 0) Overstrike(g, boldStrength_);
    if (fitToCell_) FitToCell(g);
    return g;
  }

  // A full-width glyph of the smallest bitmap strike made a pixel or two
  // smaller: each time, the two neighbouring rows (then columns) that differ
  // least become one. Hand-made bitmaps keep their strokes one pixel wide
  // and apart, which outlines at these sizes cannot. Gives an empty glyph
  // (advance 0) for glyphs the rule does not fit.
  Glyph FromStrike(char32_t c) const {
    if (!strike_) {
      FaceKey sk = key_;
      sk.height = -strikeSize_;
      sk.synthBold = false;
      try {
        strike_ = GetFace(sk);
      } catch (const Exception&) {
        strikeSize_ = 0;
        return Glyph{};
      }
    }
    const Glyph& s = strike_->GetGlyph(c);
    // The ideograph box of the strike: all but the last row and column of
    // the em square, bottom row on the baseline.
    const int box = strikeSize_ - 1, boxTop = -(strikeSize_ - 2);
    if (s.advance != strikeSize_ || s.left < 0 || s.left + s.width > box || s.top < boxTop ||
        s.top + s.height > boxTop + box || !s.coverage)
      return Glyph{};
    BitGrid grid(static_cast<std::size_t>(box), std::vector<std::uint8_t>(static_cast<std::size_t>(box), 0));
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x)
        grid[static_cast<std::size_t>(s.top - boxTop + y)][static_cast<std::size_t>(s.left + x)] =
            s.coverage[static_cast<std::size_t>(y) * s.width + x] ? 1 : 0;
    const int target = metrics_.emHeight - 1;
    MergeClosestRows(grid, box - target);
    BitGrid turned(static_cast<std::size_t>(box), std::vector<std::uint8_t>(grid.size(), 0));
    for (std::size_t y = 0; y < grid.size(); ++y)
      for (std::size_t x = 0; x < grid[y].size(); ++x) turned[x][y] = grid[y][x];
    MergeClosestRows(turned, box - target);
    Glyph g;
    g.advance = metrics_.emHeight + boldStrength_;
    g.left = 0;
    g.top = -(metrics_.emHeight - 2);
    g.width = g.height = target;
    g.coverage.reset(new std::uint8_t[static_cast<std::size_t>(target) * target]);
    for (int y = 0; y < target; ++y)
      for (int x = 0; x < target; ++x)
        g.coverage[static_cast<std::size_t>(y) * target + x] =
            turned[static_cast<std::size_t>(x)][static_cast<std::size_t>(y)] ? 255 : 0;
    if (boldStrength_ > 0) Overstrike(g, boldStrength_);
    if (fitToCell_) FitToCell(g);
    return g;
  }

  using BitGrid = std::vector<std::vector<std::uint8_t>>;

  // 2 x 2 squares of ink: strokes run together.
  static int SolidBlocks(const BitGrid& rows) {
    int n = 0;
    for (std::size_t y = 0; y + 1 < rows.size(); ++y)
      for (std::size_t x = 0; x + 1 < rows[y].size(); ++x)
        n += rows[y][x] & rows[y][x + 1] & rows[y + 1][x] & rows[y + 1][x + 1];
    return n;
  }

  // Removes `count` rows, each time ORing an adjacent pair into one: the
  // pair whose merge runs the fewest strokes together, then the one that
  // differs in the fewest pixels, then the upper one.
  static void MergeClosestRows(BitGrid& rows, int count) {
    for (; count > 0 && rows.size() > 1; --count) {
      const int before = SolidBlocks(rows);
      std::size_t best = 0;
      long bestCost = -1;
      for (std::size_t r = 0; r + 1 < rows.size(); ++r) {
        BitGrid merged = rows;
        int diff = 0;
        for (std::size_t x = 0; x < merged[r].size(); ++x) {
          diff += merged[r][x] != merged[r + 1][x];
          merged[r][x] |= merged[r + 1][x];
        }
        merged.erase(merged.begin() + static_cast<std::ptrdiff_t>(r) + 1);
        const long cost = 1000L * std::max(0, SolidBlocks(merged) - before) + diff;
        if (bestCost < 0 || cost < bestCost) bestCost = cost, best = r;
      }
      for (std::size_t x = 0; x < rows[best].size(); ++x) rows[best][x] |= rows[best + 1][x];
      rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(best) + 1);
    }
  }

  // Moves a glyph up or down into the cell, as little as needed, and cuts
  // what still sticks out: the stand-in's ink must stay inside the Windows
  // face's cell, which layouts give exactly its height.
  void FitToCell(Glyph& g) const {
    if (g.width <= 0 || g.height <= 0) return;
    const int top = -metrics_.ascent, bottom = metrics_.descent;
    if (g.top < top) g.top += std::min(top - g.top, std::max(0, bottom - (g.top + g.height)));
    if (g.top + g.height > bottom) g.top -= std::min(g.top + g.height - bottom, std::max(0, g.top - top));
    const int cutTop = std::max(0, top - g.top), cutBottom = std::max(0, g.top + g.height - bottom);
    if (cutTop == 0 && cutBottom == 0) return;
    const int rows = g.height - cutTop - cutBottom;
    if (rows <= 0) {
      g.width = g.height = 0;
      g.coverage.reset();
      return;
    }
    std::memmove(g.coverage.get(), g.coverage.get() + static_cast<std::size_t>(cutTop) * g.width,
                 static_cast<std::size_t>(rows) * g.width);
    g.top += cutTop;
    g.height = rows;
  }

  FaceKey key_;
  FT_Face face_ = nullptr;
  FontMetrics metrics_;
  bool fitToCell_ = false;
  // Monochrome Chinese a pixel or two below the smallest bitmap strike is
  // made from that strike (FromStrike); 0 when not.
  mutable int strikeSize_ = 0;
  mutable std::shared_ptr<FreeTypeFace> strike_;
  int boldStrength_ = 0;
  FT_Int32 loadFlags_ = 0;
  bool transform_ = false;
  FT_Matrix matrix_{};
  mutable std::mutex mutex_;
  mutable std::unordered_map<char32_t, Glyph> glyphs_;
  // Lock-free look-up for the common Latin-1 characters.
  mutable std::array<std::atomic<const Glyph*>, 256> latin_{};
  mutable std::shared_ptr<FreeTypeFace> fallback_;
};

std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}

template <typename Map>
void Prune(Map& map, std::size_t limit) {
  if (map.size() <= limit) return;
  for (auto it = map.begin(); it != map.end();) {
    if (it->second.use_count() == 1)
      it = map.erase(it);
    else
      ++it;
  }
}

std::shared_ptr<FreeTypeFace> GetFace(const FaceKey& key) {
  static auto& faces = *new std::map<std::string, std::shared_ptr<FreeTypeFace>>;
  const std::string id = key.Serialize();
  std::lock_guard<std::mutex> lock(CacheMutex());
  auto it = faces.find(id);
  if (it != faces.end()) return it->second;
  Prune(faces, kMaxCachedFaces);
  auto face = std::make_shared<FreeTypeFace>(key);
  faces.emplace(id, face);
  return face;
}

std::string RequestKey(const FontRequest& r) {
  return r.faceName + '\x1f' + std::to_string(r.height) + '\x1f' + std::to_string(r.width) + '\x1f' +
         std::to_string(r.escapement) + '\x1f' + std::to_string(r.weight) + '\x1f' + (r.italic ? 'i' : '-') +
         (r.underline ? 'u' : '-') + (r.strikeOut ? 's' : '-') + '\x1f' + std::to_string(r.charSet) + '\x1f' +
         std::to_string(r.quality) + '\x1f' + std::to_string(r.pitchAndFamily);
}

}  // namespace

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMIQA_FONT_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(LUMIQA_FONT_ASAN)
// fontconfig loses a block while parsing its configuration files once at
// start-up; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

std::string MapFontFamily(std::string_view faceName, std::uint8_t charSet, std::uint8_t pitchAndFamily) {
  if (IsCjkCharset(charSet)) return kCjkFamily;
  const std::string_view name = Trim(faceName);
  if (name.empty()) {
    if ((pitchAndFamily & 0x03) == kFixedPitch || (pitchAndFamily & 0xF0) == kFfModern) return "Liberation Mono";
    if ((pitchAndFamily & 0xF0) == kFfRoman) return "Liberation Serif";
    return kSansFamily;
  }
  if (const FaceAlias* alias = FindAlias(name)) return alias->family;
  if (!IsAscii(name)) return kCjkFamily;
  const std::string lower = AsciiLower(name);

  static auto& installed = *new std::map<std::string, bool>;
  std::lock_guard<std::mutex> lock(FcMutex());
  EnsureFontconfig();
  auto it = installed.find(lower);
  if (it == installed.end()) it = installed.emplace(lower, FamilyInstalled(std::string(name))).first;
  return it->second ? std::string(name) : std::string(kSansFamily);
}

FontFileMatch MatchFontFile(const std::string& family, bool bold, bool italic) {
  static auto& cache = *new std::map<std::string, FontFileMatch>;
  const std::string key = AsciiLower(family) + (bold ? "\x1f" "b" : "\x1f-") + (italic ? "i" : "-");
  std::lock_guard<std::mutex> lock(FcMutex());
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  EnsureFontconfig();

  FontFileMatch match;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* found = FcFontMatch(nullptr, pattern, &result);
  if (found) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(found, FC_FILE, 0, &value) == FcResultMatch && value)
      match.path = reinterpret_cast<const char*>(value);
    if (FcPatternGetString(found, FC_FAMILY, 0, &value) == FcResultMatch && value)
      match.family = reinterpret_cast<const char*>(value);
    int number = 0;
    if (FcPatternGetInteger(found, FC_INDEX, 0, &number) == FcResultMatch) match.index = number;
    // fontconfig reports the requested weight and slant for a face that lacks
    // them and marks it for emboldening or shearing instead.
    FcBool embolden = FcFalse;
    FcMatrix* shear = nullptr;
    const bool synthBold = FcPatternGetBool(found, FC_EMBOLDEN, 0, &embolden) == FcResultMatch && embolden;
    const bool synthItalic = FcPatternGetMatrix(found, FC_MATRIX, 0, &shear) == FcResultMatch && shear && shear->xy != 0;
    if (FcPatternGetInteger(found, FC_WEIGHT, 0, &number) == FcResultMatch)
      match.bold = number >= FC_WEIGHT_DEMIBOLD && !synthBold;
    if (FcPatternGetInteger(found, FC_SLANT, 0, &number) == FcResultMatch)
      match.italic = number != FC_SLANT_ROMAN && !synthItalic;
    FcPatternDestroy(found);
  }
  FcPatternDestroy(pattern);
  if (match.path.empty()) throw Exception("No font found for " + family);
  cache.emplace(key, match);
  return match;
}

ResolvedFont ResolveFont(const FontRequest& request) {
  static auto& cache = *new std::map<std::string, ResolvedFont>;
  const std::string id = RequestKey(request);
  {
    std::lock_guard<std::mutex> lock(CacheMutex());
    auto it = cache.find(id);
    if (it != cache.end()) return it->second;
  }

  const bool bold = request.weight >= kBoldWeight;
  const std::string family = MapFontFamily(request.faceName, request.charSet, request.pitchAndFamily);
  const FontFileMatch match = MatchFontFile(family, bold, request.italic);

  FaceKey key;
  key.path = match.path;
  key.index = match.index;
  key.family = family;
  key.height = request.height == 0 ? kDefaultCellHeight : std::clamp(request.height, -kMaxFontPixels, kMaxFontPixels);
  // A negative width means its magnitude, as for heights.
  key.width = std::clamp(std::abs(std::clamp(request.width, -kMaxFontPixels, kMaxFontPixels)), 0, kMaxFontPixels);
  key.synthBold = bold && !match.bold;
  key.synthItalic = request.italic && !match.italic;
  key.escapement = ((request.escapement % 3600) + 3600) % 3600;
  key.antialiased = request.quality == kAntialiasedQuality || request.quality == kClearTypeQuality;
  key.design = DesignFor(request.faceName, request.charSet);
  PreferCjkBitmaps(key);

  ResolvedFont resolved;
  auto face = GetFace(key);
  resolved.face = face;
  resolved.metrics = face->Metrics();
  FontMetrics& m = resolved.metrics;
  m.weight = request.weight > 0 ? std::clamp(request.weight, 1, 1000) : 400;
  m.italic = request.italic;
  m.underlined = request.underline;
  m.struckOut = request.strikeOut;
  if (request.charSet != kDefaultCharset) m.charSet = request.charSet;

  std::lock_guard<std::mutex> lock(CacheMutex());
  if (cache.size() > kMaxCachedRequests) cache.clear();
  cache.emplace(id, resolved);
  return resolved;
}
