#include "platform/gdi/FontFamilies.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/gdi/FontEngine.h"
#include "platform/gdi/Gdi.h"
#include "platform/rtl/SysUtils.h"

namespace {

// fontconfig's flag for a face with a symbol charmap; older versions do not
// set it, and then only the "no Latin letters" rule finds symbol fonts.
#ifndef FC_SYMBOL
#define FC_SYMBOL "symbol"
#endif

constexpr int kSpacingMono = 100;      // FC_MONO
constexpr int kSpacingCharCell = 110;  // FC_CHARCELL

// Scalable families are measured at a 12-point em on the 96-dpi screen.
constexpr int kEnumEmPixels = 16;

bool IsLatin1Letter(char32_t c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
}

// Widest first: ANSI over DEFAULT over SYMBOL.
int CharsetRank(Byte cs) { return cs == ANSI_CHARSET ? 2 : cs == DEFAULT_CHARSET ? 1 : 0; }

Byte FaceCharset(const FontFaceFacts& f) {
  if (f.symbolCharmap || !f.latinLetters) return SYMBOL_CHARSET;
  return f.latin1Letters ? ANSI_CHARSET : DEFAULT_CHARSET;
}

bool IsTrueTypeOutline(const FontFaceFacts& f) {
  return f.scalable && f.outline && (f.format == "TrueType" || f.format == "CFF");
}

bool IsFixedPitch(const FontFaceFacts& f) { return f.spacing == kSpacingMono || f.spacing == kSpacingCharCell; }

// ---- fontconfig --------------------------------------------------------------

std::vector<FontFaceFacts> ReadFaces() {
  std::vector<FontFaceFacts> faces;
  FcInit();
  FcPattern* pattern = FcPatternCreate();
  // FC_FILE and FC_INDEX keep apart faces that agree on everything else.
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FONTFORMAT, FC_SCALABLE, FC_OUTLINE, FC_SPACING, FC_PIXEL_SIZE,
                                          FC_CHARSET, FC_SYMBOL, FC_FILE, FC_INDEX, static_cast<char*>(nullptr));
  FcFontSet* set = pattern && objects ? FcFontList(nullptr, pattern, objects) : nullptr;
  for (int i = 0; set && i < set->nfont; ++i) {
    FcPattern* p = set->fonts[i];
    FcChar8* text = nullptr;
    if (FcPatternGetString(p, FC_FAMILY, 0, &text) != FcResultMatch || !text) continue;
    FontFaceFacts f;
    f.family = reinterpret_cast<const char*>(text);
    if (FcPatternGetString(p, FC_FONTFORMAT, 0, &text) == FcResultMatch && text)
      f.format = reinterpret_cast<const char*>(text);
    FcBool flag = FcTrue;
    if (FcPatternGetBool(p, FC_SCALABLE, 0, &flag) == FcResultMatch) f.scalable = flag;
    f.outline = f.scalable;
    if (FcPatternGetBool(p, FC_OUTLINE, 0, &flag) == FcResultMatch) f.outline = flag;
    int spacing = 0;
    if (FcPatternGetInteger(p, FC_SPACING, 0, &spacing) == FcResultMatch) f.spacing = spacing;
    double size = 0;
    for (int k = 0; FcPatternGetDouble(p, FC_PIXEL_SIZE, k, &size) == FcResultMatch; ++k) f.pixelSizes.push_back(size);
    FcCharSet* cs = nullptr;
    if (FcPatternGetCharSet(p, FC_CHARSET, 0, &cs) == FcResultMatch && cs)
      SetLetterCoverage(f, [cs](char32_t c) { return FcCharSetHasChar(cs, c) == FcTrue; });
    if (FcPatternGetBool(p, FC_SYMBOL, 0, &flag) == FcResultMatch) f.symbolCharmap = flag;
    faces.push_back(std::move(f));
  }
  if (set) FcFontSetDestroy(set);
  if (objects) FcObjectSetDestroy(objects);
  if (pattern) FcPatternDestroy(pattern);
  return faces;
}

// ---- The cache ---------------------------------------------------------------

struct FamilyCache {
  // Serializes changes to this process's own font files; taken before `mutex`.
  std::mutex filesMutex;
  std::vector<std::string> privateFiles;
  std::mutex mutex;
  bool loaded = false;
  int version = 0;  // counts the changes RefreshFontFamilies found
  std::vector<FontFamilyInfo> families;
  std::map<int, std::function<void()>> handlers;
  int nextHandler = 1;
};

// Never destroyed: other statics may still enumerate while the process ends.
FamilyCache& Cache() {
  static FamilyCache* cache = new FamilyCache;
  return *cache;
}

// Caller holds the lock.
const std::vector<FontFamilyInfo>& LoadedFamilies(FamilyCache& c) {
  if (!c.loaded) {
    c.families = ClassifyFontFamilies(ReadFaces());
    c.loaded = true;
  }
  return c.families;
}

// ---- The callback form ---------------------------------------------------------

void CopyUtf8(char* dest, std::size_t size, const std::string& s) {
  std::size_t n = std::min(s.size(), size - 1);
  while (n > 0 && n < s.size() && (static_cast<Byte>(s[n]) & 0xC0) == 0x80) --n;
  std::memcpy(dest, s.data(), n);
  dest[n] = '\0';
}

const char* ScriptName(Byte charSet) {
  switch (charSet) {
    case ANSI_CHARSET: return "Western";
    case SYMBOL_CHARSET: return "Symbol";
    default: return "";
  }
}

// FONTSIGNATURE code-page bits for the charsets we report.
constexpr DWORD kCsbLatin1 = 0x00000001;
constexpr DWORD kCsbSymbol = 0x80000000;

// The screen's own metrics for a scalable family, through the ordinary
// font path so they match what drawing with it gives.
bool MeasureScalable(const LOGFONT& lf, TEXTMETRIC* tm) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  HFONT font = CreateFontIndirect(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  BOOL ok = GetTextMetrics(dc, tm);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return ok;
}

int Report(const FontFamilyInfo& f, int rasterSize, FONTENUMPROC proc, LPARAM data) {
  ENUMLOGFONTEX elf;
  NEWTEXTMETRICEX ntm;
  LOGFONT& lf = elf.elfLogFont;
  TEXTMETRIC& tm = ntm.ntmTm.tm;
  CopyUtf8(lf.lfFaceName, sizeof lf.lfFaceName, f.name);
  CopyUtf8(elf.elfFullName, sizeof elf.elfFullName, f.name);
  CopyUtf8(elf.elfStyle, sizeof elf.elfStyle, "Regular");
  CopyUtf8(elf.elfScript, sizeof elf.elfScript, ScriptName(f.charSet));
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = f.charSet;
  Byte family = FF_DONTCARE;
  if (f.Raster()) {
    tm.tmHeight = tm.tmAscent = rasterSize;
    tm.tmWeight = FW_NORMAL;
    ntm.ntmTm.ntmSizeEM = ntm.ntmTm.ntmCellHeight = UINT(rasterSize);
  } else {
    lf.lfHeight = -kEnumEmPixels;
    if (MeasureScalable(lf, &tm)) family = tm.tmPitchAndFamily & 0xF0;
    ntm.ntmTm.ntmSizeEM = kEnumEmPixels;
    ntm.ntmTm.ntmCellHeight = UINT(std::max(0, tm.tmHeight));
    ntm.ntmTm.ntmAvgWidth = UINT(std::max(0, tm.tmAveCharWidth));
  }
  // Enumerated records give the cell height, as Windows does.
  lf.lfHeight = tm.tmHeight;
  lf.lfWidth = tm.tmAveCharWidth;
  lf.lfPitchAndFamily = Byte((f.fixedPitch ? FIXED_PITCH : VARIABLE_PITCH) | family);
  Byte tmpf = f.fixedPitch ? 0 : TMPF_FIXED_PITCH;
  if (f.Scalable()) tmpf |= TMPF_VECTOR;
  if (f.TrueType()) tmpf |= TMPF_TRUETYPE;
  tm.tmPitchAndFamily = Byte(tmpf | family);
  tm.tmCharSet = f.charSet;
  ntm.ntmTm.ntmFlags = NTM_REGULAR;
  if (f.charSet == ANSI_CHARSET) ntm.ntmFontSig.fsCsb[0] = kCsbLatin1;
  if (f.charSet == SYMBOL_CHARSET) ntm.ntmFontSig.fsCsb[0] = kCsbSymbol;
  return proc(&elf.elfLogFont, &ntm.ntmTm.tm, f.fontType, data);
}

}  // namespace

void SetLetterCoverage(FontFaceFacts& facts, const std::function<bool(char32_t)>& has) {
  facts.latinLetters = false;
  facts.latin1Letters = true;
  for (char32_t c = 'A'; c <= 0xFF; ++c) {
    if (!IsLatin1Letter(c)) continue;
    const bool present = has(c);
    if (present && c <= 'z') facts.latinLetters = true;
    if (!present) facts.latin1Letters = false;
  }
}

std::vector<FontFamilyInfo> ClassifyFontFamilies(std::span<const FontFaceFacts> faces) {
  struct Group {
    FontFamilyInfo info;
    bool trueType = false, scalable = false, allFixed = true;
    int charsetRank = -1;
    std::vector<int> sizes;
  };
  std::map<std::string, Group> groups;
  for (const FontFaceFacts& f : faces) {
    if (f.family.empty()) continue;
    // ASCII case only, as family names are compared that way everywhere else.
    Group& g = groups[LowerCase(f.family)];
    if (g.info.name.empty()) g.info.name = f.family;
    g.trueType |= IsTrueTypeOutline(f);
    g.scalable |= f.scalable;
    g.allFixed &= IsFixedPitch(f);
    const Byte cs = FaceCharset(f);
    if (CharsetRank(cs) > g.charsetRank) {
      g.charsetRank = CharsetRank(cs);
      g.info.charSet = cs;
    }
    if (!f.scalable)
      for (double px : f.pixelSizes)
        if (const long n = std::lround(px); n > 0 && n <= kMaxFontPixels) g.sizes.push_back(int(n));
  }
  std::vector<FontFamilyInfo> out;
  out.reserve(groups.size());
  for (auto& [key, g] : groups) {
    FontFamilyInfo& info = g.info;
    info.fontType = g.trueType ? TRUETYPE_FONTTYPE : g.scalable ? 0 : RASTER_FONTTYPE;
    info.fixedPitch = g.allFixed;
    if (info.Raster()) {
      std::sort(g.sizes.begin(), g.sizes.end());
      g.sizes.erase(std::unique(g.sizes.begin(), g.sizes.end()), g.sizes.end());
      info.sizes = std::move(g.sizes);
    }
    out.push_back(std::move(info));
  }
  // The map's keys are already the lower-case names, so this order is by
  // name ignoring case.
  return out;
}

std::vector<FontFamilyInfo> ScreenFontFamilies() {
  FamilyCache& c = Cache();
  std::lock_guard<std::mutex> lock(c.mutex);
  return LoadedFamilies(c);
}

int ScreenFontFamiliesVersion() {
  FamilyCache& c = Cache();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.version;
}

bool FindScreenFontFamily(const std::string& name, FontFamilyInfo* info) {
  FamilyCache& c = Cache();
  std::lock_guard<std::mutex> lock(c.mutex);
  for (const FontFamilyInfo& f : LoadedFamilies(c))
    if (SameText(f.name, name)) {
      if (info) *info = f;
      return true;
    }
  return false;
}

namespace {
bool ByName(const FontFamilyInfo& a, const FontFamilyInfo& b) { return AnsiCompareText(a.name, b.name) < 0; }
}  // namespace

std::vector<FontFamilyInfo> WindowsFaceFamilies() {
  struct TFace {
    const char* name;
    Byte charSet;
  };
  // The faces programs and skins name, in the spelling Windows lists them.
  static constexpr TFace kFaces[] = {
      {"Arial", ANSI_CHARSET},          {"Courier New", ANSI_CHARSET},   {"MS Sans Serif", ANSI_CHARSET},
      {"Tahoma", ANSI_CHARSET},         {"Times New Roman", ANSI_CHARSET}, {"Verdana", ANSI_CHARSET},
      {"SimSun", GB2312_CHARSET},       {"NSimSun", GB2312_CHARSET},     {"SimHei", GB2312_CHARSET},
      {"KaiTi", GB2312_CHARSET},        {"FangSong", GB2312_CHARSET},    {"Microsoft YaHei", GB2312_CHARSET},
      {"\u5B8B\u4F53", GB2312_CHARSET},   // SimSun's own name
      {"\u65B0\u5B8B\u4F53", GB2312_CHARSET},  // NSimSun's
      {"\u9ED1\u4F53", GB2312_CHARSET},   // SimHei's
      {"\u5FAE\u8F6F\u96C5\u9ED1", GB2312_CHARSET},  // Microsoft YaHei's
  };
  std::vector<FontFamilyInfo> out;
  for (const TFace& face : kFaces) {
    FontFamilyInfo standIn;
    if (FindScreenFontFamily(face.name, nullptr)) continue;  // the real face is installed
    if (!FindScreenFontFamily(MapFontFamily(face.name, face.charSet), &standIn)) continue;
    standIn.name = face.name;
    standIn.charSet = face.charSet;
    standIn.fontType &= ~DWORD(RASTER_FONTTYPE);
    standIn.sizes.clear();
    out.push_back(std::move(standIn));
  }
  std::sort(out.begin(), out.end(), ByName);
  return out;
}

std::vector<FontFamilyInfo> ListedFontFamilies() {
  std::vector<FontFamilyInfo> all = ScreenFontFamilies();
  for (FontFamilyInfo& f : WindowsFaceFamilies()) all.push_back(std::move(f));
  std::sort(all.begin(), all.end(), ByName);
  return all;
}

namespace {

// Caller holds filesMutex.
bool AddAppFontFile(const std::string& path) {
  return FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str())) == FcTrue;
}

int AppFontCount() {
  FcFontSet* set = FcConfigGetFonts(nullptr, FcSetApplication);
  return set ? set->nfont : 0;
}

// fontconfig rescans when its folders changed; a new configuration has lost
// our own files, so they are added to it again.
void BringFontconfigUpToDate() {
  FamilyCache& c = Cache();
  std::lock_guard<std::mutex> lock(c.filesMutex);
  FcInit();
  FcConfig* before = FcConfigGetCurrent();
  FcInitBringUptoDate();
  if (FcConfigGetCurrent() != before)
    for (const std::string& path : c.privateFiles) AddAppFontFile(path);
}

}  // namespace

bool RefreshFontFamilies() {
  BringFontconfigUpToDate();
  std::vector<FontFamilyInfo> fresh = ClassifyFontFamilies(ReadFaces());
  std::vector<std::function<void()>> notify;
  {
    FamilyCache& c = Cache();
    std::lock_guard<std::mutex> lock(c.mutex);
    const bool changed = !c.loaded || fresh != c.families;
    c.families = std::move(fresh);
    c.loaded = true;
    if (!changed) return false;
    ++c.version;
    for (auto& [id, h] : c.handlers) notify.push_back(h);
  }
  for (auto& h : notify) h();
  return true;
}

int AddFontListChangedHandler(std::function<void()> handler) {
  FamilyCache& c = Cache();
  std::lock_guard<std::mutex> lock(c.mutex);
  const int id = c.nextHandler++;
  c.handlers.emplace(id, std::move(handler));
  return id;
}

void RemoveFontListChangedHandler(int id) {
  FamilyCache& c = Cache();
  std::lock_guard<std::mutex> lock(c.mutex);
  c.handlers.erase(id);
}

int AddFontResourceEx(const char* path, DWORD fl, void*) {
  if (!path || !*path || (fl & ~FR_PRIVATE) != 0) return 0;
  FamilyCache& c = Cache();
  int added = 0;
  {
    std::lock_guard<std::mutex> lock(c.filesMutex);
    FcInit();
    const int before = AppFontCount();
    if (!AddAppFontFile(path)) return 0;
    added = AppFontCount() - before;
    if (added <= 0) return 0;
    c.privateFiles.emplace_back(path);
  }
  RefreshFontFamilies();
  return added;
}

BOOL RemoveFontResourceEx(const char* path, DWORD fl, void*) {
  if (!path || (fl & ~FR_PRIVATE) != 0) return FALSE;
  FamilyCache& c = Cache();
  {
    std::lock_guard<std::mutex> lock(c.filesMutex);
    auto it = std::find(c.privateFiles.begin(), c.privateFiles.end(), path);
    if (it == c.privateFiles.end()) return FALSE;
    c.privateFiles.erase(it);
    // fontconfig drops application fonts only all at once.
    FcConfigAppFontClear(nullptr);
    for (const std::string& other : c.privateFiles) AddAppFontFile(other);
  }
  RefreshFontFamilies();
  return TRUE;
}

int EnumFontFamiliesEx(HDC, const LOGFONT* lf, FONTENUMPROC proc, LPARAM data, DWORD flags) {
  if (!lf || !proc || flags != 0) return 0;
  const std::string face(lf->lfFaceName, strnlen(lf->lfFaceName, LF_FACEBYTES));
  int result = 1;
  // A copy, so a callback may enumerate or refresh again.
  for (const FontFamilyInfo& f : ListedFontFamilies()) {
    if (lf->lfCharSet != DEFAULT_CHARSET && lf->lfCharSet != f.charSet) continue;
    if (!face.empty() && !SameText(f.name, face)) continue;
    if (f.Raster() && !face.empty()) {
      for (int size : f.sizes)
        if ((result = Report(f, size, proc, data)) == 0) return 0;
    } else {
      result = Report(f, f.sizes.empty() ? 0 : f.sizes.front(), proc, data);
      if (result == 0) return 0;
    }
  }
  return result;
}

int EnumFontFamilies(HDC dc, const char* family, FONTENUMPROC proc, LPARAM data) {
  LOGFONT lf;
  lf.lfCharSet = DEFAULT_CHARSET;
  if (family) CopyUtf8(lf.lfFaceName, sizeof lf.lfFaceName, family);
  return EnumFontFamiliesEx(dc, &lf, proc, data, 0);
}
