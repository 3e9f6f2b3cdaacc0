// Skin ini value encodings: how points, rectangles, flags, font styles,
// alignments, lists and word enumerations are written in a skin ini and read
// back, plus the field visitor through which every description class lists
// its keys once for reading, writing and defaults.
//
// Points and rectangles keep only their digits (no sign), so "-5,10" reads as
// 5,10; a field without digits raises EConvertError, which ends a skin load.
#pragma once
#include <cstdint>
#include <string>

#include "platform/graphics/Graphics.h"
#include "platform/rtl/Types.h"
#include "platform/ui/controls/StdCtrls.h"  // TAlignment

class TCustomIniFile;
class TStrings;

enum TspStretchType : std::uint8_t { stFull = 0, stHorz = 1, stVert = 2 };
enum TspMorphKind : std::uint8_t {
  mkDefault = 0, mkGradient, mkLeftGradient, mkRightGradient, mkLeftSlide, mkRightSlide, mkPush
};
enum TspInactiveEffect : std::uint8_t {
  ieBrightness = 0, ieDarkness, ieGrayScale, ieNoise, ieSplitBlur, ieInvert
};
enum TspFramesPlacement : std::uint8_t { fpHorizontal = 0, fpVertical = 1 };
enum TspRegulatorKind : std::uint8_t { rkRound = 0, rkHorizontal = 1, rkVertical = 2 };
enum TspGaugeKind : std::uint8_t { gkHorizontal = 0, gkVertical = 1 };
enum TspSkinCommand : std::uint8_t {
  cmClose = 0, cmMaximize, cmMinimize, cmSysMenu, cmDefault, cmRollUp, cmMinimizeToTray
};

// The words of one enumeration, in value order, with the value an absent key
// and an unknown word give. Words compare exactly (case-sensitive).
struct TspSkinWords {
  const char* const* Words;
  int Count;
  std::uint8_t Absent;
  std::uint8_t Other;
};
extern const TspSkinWords StretchTypeWords;
extern const TspSkinWords MorphKindWords;
extern const TspSkinWords InactiveEffectWords;
extern const TspSkinWords FramesPlacementWords;
extern const TspSkinWords RegulatorKindWords;
extern const TspSkinWords GaugeKindWords;
extern const TspSkinWords CommandWords;

// Longest list a skin may declare; larger counts are cut to it so that a
// hostile count cannot hang the load or exhaust memory.
constexpr int kMaxSkinListCount = 10000;

// --- text parsers --------------------------------------------------------
TPoint ParseSkinPoint(const std::string& text);
TRect ParseSkinRect(const std::string& text);
// Splits "name:rest" at the first colon; false (both empty) without one.
bool SplitSkinEntry(const std::string& entry, std::string& name, std::string& rest);

// --- readers -------------------------------------------------------------
TRect ReadSkinRect(const TCustomIniFile& ini, const std::string& section, const std::string& key);
TPoint ReadSkinPoint(const TCustomIniFile& ini, const std::string& section, const std::string& key);
bool ReadSkinFlag(const TCustomIniFile& ini, const std::string& section, const std::string& key);
TFontStyles ReadSkinFontStyle(const TCustomIniFile& ini, const std::string& section, const std::string& key);
TAlignment ReadSkinAlignment(const TCustomIniFile& ini, const std::string& section, const std::string& key);
// Append K + "line" + i for i < K + "linecount" / "0".."n-1" for K + "count".
void ReadSkinStrings(const TCustomIniFile& ini, const std::string& section, const std::string& key, TStrings* list);
void ReadSkinList(const TCustomIniFile& ini, const std::string& section, const std::string& key, TStrings* list);
std::uint8_t ReadSkinWord(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                          const TspSkinWords& words);
TspStretchType ReadStretchType(const TCustomIniFile& ini, const std::string& section, const std::string& key);
TspMorphKind ReadMorphKind(const TCustomIniFile& ini, const std::string& section, const std::string& key);
TspInactiveEffect ReadInactiveEffect(const TCustomIniFile& ini, const std::string& section, const std::string& key);

// --- writers -------------------------------------------------------------
// Negative coordinates cannot be read back (the reader drops the sign), so
// the writers store them as 0 rather than as a value that reads differently.
void WriteSkinRect(TCustomIniFile& ini, const std::string& section, const std::string& key, const TRect& r);
void WriteSkinPoint(TCustomIniFile& ini, const std::string& section, const std::string& key, const TPoint& p);
void WriteSkinFlag(TCustomIniFile& ini, const std::string& section, const std::string& key, bool value);
void WriteSkinFontStyle(TCustomIniFile& ini, const std::string& section, const std::string& key, TFontStyles s);
void WriteSkinAlignment(TCustomIniFile& ini, const std::string& section, const std::string& key, TAlignment a);
void WriteSkinStrings(TCustomIniFile& ini, const std::string& section, const std::string& key, const TStrings* list);
// A value outside the table writes the word of `Other`.
void WriteSkinWord(TCustomIniFile& ini, const std::string& section, const std::string& key, std::uint8_t value,
                   const TspSkinWords& words);
void WriteStretchType(TCustomIniFile& ini, const std::string& section, const std::string& key, TspStretchType v);
void WriteMorphKind(TCustomIniFile& ini, const std::string& section, const std::string& key, TspMorphKind v);

// --- the field list of a description --------------------------------------
// A description class lists each of its keys once, in reading order, through
// a visitor; the same list then reads, writes and resets the fields.
class TspSkinFieldVisitor {
 public:
  virtual ~TspSkinFieldVisitor() = default;
  virtual void Int(const char* key, int& v, int def) = 0;  // integers and colours
  virtual void Flag(const char* key, bool& v) = 0;
  virtual void Str(const char* key, std::string& v, const char* def) = 0;
  virtual void Rect(const char* key, TRect& v) = 0;
  virtual void Point(const char* key, TPoint& v) = 0;
  virtual void FontStyle(const char* key, TFontStyles& v) = 0;
  virtual void Alignment(const char* key, TAlignment& v) = 0;
  virtual void Strings(const char* key, TStrings& v) = 0;
  virtual void Word(const char* key, std::uint8_t& v, const TspSkinWords& words) = 0;

  template <class E>
  void Enum(const char* key, E& v, const TspSkinWords& words) {
    static_assert(sizeof(E) == 1);
    std::uint8_t raw = static_cast<std::uint8_t>(v);
    Word(key, raw, words);
    v = static_cast<E>(raw);
  }
};

// Reads each field from `section`, the default where the key is absent.
class TspSkinIniReader : public TspSkinFieldVisitor {
 public:
  TspSkinIniReader(const TCustomIniFile& ini, const std::string& section) : ini_(ini), section_(section) {}
  void Int(const char* key, int& v, int def) override;
  void Flag(const char* key, bool& v) override;
  void Str(const char* key, std::string& v, const char* def) override;
  void Rect(const char* key, TRect& v) override;
  void Point(const char* key, TPoint& v) override;
  void FontStyle(const char* key, TFontStyles& v) override;
  void Alignment(const char* key, TAlignment& v) override;
  void Strings(const char* key, TStrings& v) override;
  void Word(const char* key, std::uint8_t& v, const TspSkinWords& words) override;

 private:
  const TCustomIniFile& ini_;
  const std::string& section_;
};

// Writes each field under its key.
class TspSkinIniWriter : public TspSkinFieldVisitor {
 public:
  TspSkinIniWriter(TCustomIniFile& ini, const std::string& section) : ini_(ini), section_(section) {}
  void Int(const char* key, int& v, int def) override;
  void Flag(const char* key, bool& v) override;
  void Str(const char* key, std::string& v, const char* def) override;
  void Rect(const char* key, TRect& v) override;
  void Point(const char* key, TPoint& v) override;
  void FontStyle(const char* key, TFontStyles& v) override;
  void Alignment(const char* key, TAlignment& v) override;
  void Strings(const char* key, TStrings& v) override;
  void Word(const char* key, std::uint8_t& v, const TspSkinWords& words) override;

 private:
  TCustomIniFile& ini_;
  const std::string& section_;
};

// Sets each field to its default.
class TspSkinFieldDefaults : public TspSkinFieldVisitor {
 public:
  void Int(const char*, int& v, int def) override { v = def; }
  void Flag(const char*, bool& v) override { v = false; }
  void Str(const char*, std::string& v, const char* def) override { v = def; }
  void Rect(const char*, TRect& v) override { v = TRect{}; }
  void Point(const char*, TPoint& v) override { v = TPoint{}; }
  void FontStyle(const char*, TFontStyles& v) override { v = 0; }
  void Alignment(const char*, TAlignment& v) override { v = taCenter; }
  void Strings(const char*, TStrings& v) override;
  void Word(const char*, std::uint8_t& v, const TspSkinWords& words) override { v = words.Absent; }
};
