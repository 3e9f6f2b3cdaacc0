// The font engine behind GDI text: maps Windows face names onto the installed
// fonts (fontconfig), sizes them by the Windows height rule and renders glyphs
// with FreeType into cached coverage masks. Thread-safe: faces and glyphs may
// be used from any thread.
//
// Face mapping (pinned so metrics are stable):
//   CJK names ("宋体", "黑体", "SimSun", any non-ASCII name) and CJK charsets
//     (GB2312, Big5, Shift-JIS, Hangul, Johab)      -> WenQuanYi Zen Hei
//   "Arial", "Helvetica"                            -> Liberation Sans
//   "Times New Roman", "Times"                      -> Liberation Serif
//   "Courier New", "Courier"                        -> Liberation Mono
//   an installed family given by its own name       -> itself
//   "MS Sans Serif", "Tahoma", "Verdana", "Segoe UI" and anything else
//                                                   -> DejaVu Sans
// A stand-in for a known Windows face (Tahoma, MS Sans Serif, Arial, Times
// New Roman, SimSun and the other GB2312 faces) reports that face's cell,
// leading and average width, so layouts made for Windows fit; SimSun's cell
// is its em, and WenQuanYi glyphs are fitted into it.
// Characters missing from the chosen face come from WenQuanYi Zen Hei with
// SimSun's metrics, sized so they stay inside the face's ascent. Monochrome
// upright WenQuanYi text uses the "Sharp" face of the same file, whose
// bitmaps at 12-16 px keep small Chinese legible; one or two pixels below
// them, full-width glyphs are made from the 12 px bitmaps by merging rows and
// columns; at other sizes monochrome Chinese is rendered smooth and
// thresholded, as outlines hinted for monochrome drop strokes.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// The fields of a logical font that choose and size a face.
struct FontRequest {
  std::string faceName;
  int height = 0;      // < 0: em height in px; > 0: cell height (ascent + descent); 0: default
  int width = 0;       // average character width in px; 0: natural
  int escapement = 0;  // tenths of a degree, counter-clockwise
  int weight = 0;      // FW_* (0 = normal); 600 and up is bold
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  std::uint8_t charSet = 1;  // DEFAULT_CHARSET
  std::uint8_t quality = 0;  // ANTIALIASED_QUALITY (4) and CLEARTYPE_QUALITY (5) give grey coverage
  std::uint8_t pitchAndFamily = 0;
};

// Requested sizes are clamped to this many pixels so bad input never asks
// FreeType for absurd bitmaps.
constexpr int kMaxFontPixels = 2000;
// lfHeight 0 asks for the default size: the 13-pixel cell of the 8-point
// dialog font at 96 dpi.
constexpr int kDefaultCellHeight = 13;

// TEXTMETRIC-like numbers in whole pixels. Positions are measured from the
// baseline, downwards for the underline and upwards for the strike-out.
struct FontMetrics {
  int height = 0;  // ascent + descent (the cell)
  int ascent = 0;
  int descent = 0;
  int internalLeading = 0;  // height - em size
  int externalLeading = 0;
  int aveCharWidth = 0;
  int maxCharWidth = 0;
  int weight = 400;
  bool italic = false;
  bool underlined = false;
  bool struckOut = false;
  char32_t firstChar = 0;
  char32_t lastChar = 0;
  char32_t defaultChar = 0;
  char32_t breakChar = 0x20;
  std::uint8_t charSet = 0;
  std::uint8_t pitchAndFamily = 0;  // TMPF_* bits and FF_* family, as TEXTMETRIC
  int emHeight = 0;
  int underlineOffset = 1;  // top of the underline, below the baseline
  int underlineThickness = 1;
  int strikeOutOffset = 0;  // top of the strike-out line, above the baseline
  int strikeOutThickness = 1;
};

// One rendered glyph: coverage 0..255 (monochrome faces use 0 and 255 only),
// `width` bytes per row, placed at (pen.x + left, pen.y + top) where pen is
// the baseline origin and y grows downwards.
struct Glyph {
  int advance = 0;  // whole pixels along the baseline, before any rotation
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::unique_ptr<std::uint8_t[]> coverage;
};

// A face file at one size, style and orientation, with its glyph cache.
struct FontFace {
  virtual ~FontFace() = default;
  // Face-level metrics; the per-request flags (weight, italic, underline,
  // strike-out, charset) are filled in by ResolveFont.
  virtual const FontMetrics& Metrics() const = 0;
  // Never null; the glyph lives as long as the face. Missing characters come
  // from the fallback face, then from the face's own "missing" glyph.
  virtual const Glyph& GetGlyph(char32_t c) const = 0;
  int Advance(char32_t c) const { return GetGlyph(c).advance; }
  virtual bool HasChar(char32_t c) const = 0;
  virtual const std::string& FamilyName() const = 0;
  virtual const std::string& FileName() const = 0;
  virtual bool Antialiased() const = 0;
  // Tenths of a degree, counter-clockwise; glyph bitmaps are already rotated.
  virtual int Escapement() const = 0;
};

struct ResolvedFont {
  std::shared_ptr<FontFace> face;
  FontMetrics metrics;
};

// Finds (or builds and caches) the face for a request. Never throws for odd
// input: unknown names, zero or huge sizes and empty names all give a face.
// Throws Exception only when no font at all can be loaded.
ResolvedFont ResolveFont(const FontRequest& request);

// The installed family a face name and charset map to, and the font file
// that serves it with the given style.
std::string MapFontFamily(std::string_view faceName, std::uint8_t charSet, std::uint8_t pitchAndFamily = 0);

struct FontFileMatch {
  std::string path;
  int index = 0;
  std::string family;
  bool bold = false;    // the file itself is bold (else bold is synthesized)
  bool italic = false;  // the file itself is italic or oblique
};
FontFileMatch MatchFontFile(const std::string& family, bool bold, bool italic);

