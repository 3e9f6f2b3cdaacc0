#include "skin/engine/SkinDataIni.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

namespace {

const char* const kStretchWords[] = {"stfull", "sthorz", "stvert"};
const char* const kMorphWords[] = {"mkdefault", "mkgradient", "mkleftgradient", "mkrightgradient",
                                   "mkleftslide", "mkrightslide", "mkpush"};
const char* const kInactiveWords[] = {"iebrightness", "iedarkness", "iegrayscale",
                                      "ienoise", "iesplitblur", "ieinvert"};
const char* const kPlacementWords[] = {"fphorizontal", "fpvertical"};
const char* const kRegulatorWords[] = {"rkround", "rkhorizontal", "rkvertical"};
const char* const kGaugeWords[] = {"gkhorizontal", "gkvertical"};
const char* const kCommandWords[] = {"cmclose", "cmmaximize", "cmminimize", "cmsysmenu",
                                     "cmdefault", "cmrollup", "cmminimizetotray"};

// Digits of each of the first `wanted` comma-separated fields; every other
// character is dropped. The text after the last wanted field is never
// looked at, so a value of thousands of fields that many controls share
// costs each of them only its first few.
std::vector<int> ParseSkinNumbers(const std::string& text, std::size_t wanted) {
  std::vector<int> out;
  out.reserve(wanted);
  // Digits of the current field as far as an error message quotes them
  // (one more tells that the quote is cut).
  constexpr std::size_t kQuoted = kMessageExcerptChars + 1;
  std::string digits;
  long long value = 0;
  bool overflow = false;
  const auto finish = [&] {
    if (digits.empty()) throw EConvertError("'" + MessageExcerpt(text) + "' is not a valid integer");
    if (overflow) throw EConvertError("'" + MessageExcerpt(digits) + "' is not a valid integer");
    out.push_back(static_cast<int>(value));
    digits.clear();
    value = 0;
  };
  for (char c : text) {
    if (c == ',') {
      finish();
      if (out.size() == wanted) return out;
    } else if (c >= '0' && c <= '9') {
      if (digits.size() < kQuoted) digits += c;
      if (!overflow) value = value * 10 + (c - '0');
      overflow = overflow || value > INT_MAX;
    }
  }
  if (out.size() < wanted) finish();
  if (out.size() < wanted) throw EConvertError("'" + MessageExcerpt(text) + "' is not a valid integer");
  return out;
}

std::string PlainNumber(int v) { return IntToStr(std::max(v, 0)); }

}  // namespace

const TspSkinWords StretchTypeWords{kStretchWords, 3, 0, 1};
const TspSkinWords MorphKindWords{kMorphWords, 7, 0, 0};
const TspSkinWords InactiveEffectWords{kInactiveWords, 6, 0, 2};
const TspSkinWords FramesPlacementWords{kPlacementWords, 2, 0, 1};
const TspSkinWords RegulatorKindWords{kRegulatorWords, 3, 0, 2};
const TspSkinWords GaugeKindWords{kGaugeWords, 2, 0, 1};
const TspSkinWords CommandWords{kCommandWords, 7, 4, 6};

TPoint ParseSkinPoint(const std::string& text) {
  const std::vector<int> n = ParseSkinNumbers(text, 2);
  return TPoint{n[0], n[1]};
}

TRect ParseSkinRect(const std::string& text) {
  const std::vector<int> n = ParseSkinNumbers(text, 4);
  return TRect{n[0], n[1], n[2], n[3]};
}

bool SplitSkinEntry(const std::string& entry, std::string& name, std::string& rest) {
  const std::size_t colon = entry.find(':');
  if (colon == std::string::npos) {
    name.clear();
    rest.clear();
    return false;
  }
  name = entry.substr(0, colon);
  rest = entry.substr(colon + 1);
  return true;
}

TRect ReadSkinRect(const TCustomIniFile& ini, const std::string& section, const std::string& key) {
  return ParseSkinRect(ini.ReadString(section, key, "0,0,0,0"));
}

TPoint ReadSkinPoint(const TCustomIniFile& ini, const std::string& section, const std::string& key) {
  return ParseSkinPoint(ini.ReadString(section, key, "0,0"));
}

bool ReadSkinFlag(const TCustomIniFile& ini, const std::string& section, const std::string& key) {
  return ini.ReadInteger(section, key, 0) == 1;
}

TFontStyles ReadSkinFontStyle(const TCustomIniFile& ini, const std::string& section, const std::string& key) {
  const std::string s = ini.ReadString(section, key, "");
  TFontStyles styles = 0;
  if (s.find("fsbold") != std::string::npos) styles |= fsBold;
  if (s.find("fsitalic") != std::string::npos) styles |= fsItalic;
  if (s.find("fsunderline") != std::string::npos) styles |= fsUnderline;
  if (s.find("fsstrikeout") != std::string::npos) styles |= fsStrikeOut;
  return styles;
}

TAlignment ReadSkinAlignment(const TCustomIniFile& ini, const std::string& section, const std::string& key) {
  const std::string s = ini.ReadString(section, key, "tacenter");
  if (s == "tacenter") return taCenter;
  if (s == "taleftjustify") return taLeftJustify;
  return taRightJustify;
}

void ReadSkinStrings(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                     TStrings* list) {
  const int n = std::min(ini.ReadInteger(section, key + "linecount", 0), kMaxSkinListCount);
  for (int i = 0; i < n; ++i) list->Add(ini.ReadString(section, key + "line" + IntToStr(i), ""));
}

void ReadSkinList(const TCustomIniFile& ini, const std::string& section, const std::string& key, TStrings* list) {
  const int n = std::min(ini.ReadInteger(section, key + "count", 0), kMaxSkinListCount);
  for (int i = 0; i < n; ++i) list->Add(ini.ReadString(section, IntToStr(i), ""));
}

std::uint8_t ReadSkinWord(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                          const TspSkinWords& words) {
  if (!ini.ValueExists(section, key)) return words.Absent;
  const std::string s = ini.ReadString(section, key, "");
  for (int i = 0; i < words.Count; ++i)
    if (s == words.Words[i]) return static_cast<std::uint8_t>(i);
  return words.Other;
}

TspStretchType ReadStretchType(const TCustomIniFile& ini, const std::string& section, const std::string& key) {
  return static_cast<TspStretchType>(ReadSkinWord(ini, section, key, StretchTypeWords));
}

TspMorphKind ReadMorphKind(const TCustomIniFile& ini, const std::string& section, const std::string& key) {
  return static_cast<TspMorphKind>(ReadSkinWord(ini, section, key, MorphKindWords));
}

TspInactiveEffect ReadInactiveEffect(const TCustomIniFile& ini, const std::string& section, const std::string& key) {
  return static_cast<TspInactiveEffect>(ReadSkinWord(ini, section, key, InactiveEffectWords));
}

void WriteSkinRect(TCustomIniFile& ini, const std::string& section, const std::string& key, const TRect& r) {
  ini.WriteString(section, key,
                  PlainNumber(r.Left) + "," + PlainNumber(r.Top) + "," + PlainNumber(r.Right) + "," +
                      PlainNumber(r.Bottom));
}

void WriteSkinPoint(TCustomIniFile& ini, const std::string& section, const std::string& key, const TPoint& p) {
  ini.WriteString(section, key, PlainNumber(p.X) + "," + PlainNumber(p.Y));
}

void WriteSkinFlag(TCustomIniFile& ini, const std::string& section, const std::string& key, bool value) {
  ini.WriteInteger(section, key, value ? 1 : 0);
}

void WriteSkinFontStyle(TCustomIniFile& ini, const std::string& section, const std::string& key, TFontStyles s) {
  std::string text;
  const auto add = [&](TFontStyles bit, const char* word) {
    if (!(s & bit)) return;
    if (!text.empty()) text += ',';
    text += word;
  };
  add(fsBold, "fsbold");
  add(fsItalic, "fsitalic");
  add(fsUnderline, "fsunderline");
  add(fsStrikeOut, "fsstrikeout");
  ini.WriteString(section, key, text);
}

void WriteSkinAlignment(TCustomIniFile& ini, const std::string& section, const std::string& key, TAlignment a) {
  ini.WriteString(section, key, a == taCenter ? "tacenter" : a == taRightJustify ? "tarightjustify" : "taleftjustify");
}

void WriteSkinStrings(TCustomIniFile& ini, const std::string& section, const std::string& key,
                      const TStrings* list) {
  ini.WriteInteger(section, key + "linecount", list->Count());
  for (int i = 0; i < list->Count(); ++i) ini.WriteString(section, key + "line" + IntToStr(i), list->Strings(i));
}

void WriteSkinWord(TCustomIniFile& ini, const std::string& section, const std::string& key, std::uint8_t value,
                   const TspSkinWords& words) {
  const int index = value < words.Count ? value : words.Other;
  ini.WriteString(section, key, words.Words[index]);
}

void WriteStretchType(TCustomIniFile& ini, const std::string& section, const std::string& key, TspStretchType v) {
  WriteSkinWord(ini, section, key, v, StretchTypeWords);
}

void WriteMorphKind(TCustomIniFile& ini, const std::string& section, const std::string& key, TspMorphKind v) {
  WriteSkinWord(ini, section, key, v, MorphKindWords);
}

// --- visitors ------------------------------------------------------------

void TspSkinIniReader::Int(const char* key, int& v, int def) { v = ini_.ReadInteger(section_, key, def); }
void TspSkinIniReader::Flag(const char* key, bool& v) { v = ReadSkinFlag(ini_, section_, key); }
void TspSkinIniReader::Str(const char* key, std::string& v, const char* def) { v = ini_.ReadString(section_, key, def); }
void TspSkinIniReader::Rect(const char* key, TRect& v) { v = ReadSkinRect(ini_, section_, key); }
void TspSkinIniReader::Point(const char* key, TPoint& v) { v = ReadSkinPoint(ini_, section_, key); }
void TspSkinIniReader::FontStyle(const char* key, TFontStyles& v) { v = ReadSkinFontStyle(ini_, section_, key); }
void TspSkinIniReader::Alignment(const char* key, TAlignment& v) { v = ReadSkinAlignment(ini_, section_, key); }
void TspSkinIniReader::Strings(const char* key, TStrings& v) {
  // Re-reading a description must not pile up lines.
  v.Clear();
  ReadSkinStrings(ini_, section_, key, &v);
}
void TspSkinIniReader::Word(const char* key, std::uint8_t& v, const TspSkinWords& words) {
  v = ReadSkinWord(ini_, section_, key, words);
}

void TspSkinIniWriter::Int(const char* key, int& v, int) { ini_.WriteInteger(section_, key, v); }
void TspSkinIniWriter::Flag(const char* key, bool& v) { WriteSkinFlag(ini_, section_, key, v); }
void TspSkinIniWriter::Str(const char* key, std::string& v, const char*) { ini_.WriteString(section_, key, v); }
void TspSkinIniWriter::Rect(const char* key, TRect& v) { WriteSkinRect(ini_, section_, key, v); }
void TspSkinIniWriter::Point(const char* key, TPoint& v) { WriteSkinPoint(ini_, section_, key, v); }
void TspSkinIniWriter::FontStyle(const char* key, TFontStyles& v) { WriteSkinFontStyle(ini_, section_, key, v); }
void TspSkinIniWriter::Alignment(const char* key, TAlignment& v) { WriteSkinAlignment(ini_, section_, key, v); }
void TspSkinIniWriter::Strings(const char* key, TStrings& v) { WriteSkinStrings(ini_, section_, key, &v); }
void TspSkinIniWriter::Word(const char* key, std::uint8_t& v, const TspSkinWords& words) {
  WriteSkinWord(ini_, section_, key, v, words);
}

void TspSkinFieldDefaults::Strings(const char*, TStrings& v) { v.Clear(); }
