#include "platform/rtl/IniFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SafeSave.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"

namespace {
constexpr const char* kLineEnd = "\r\n";

// ---- lines ------------------------------------------------------------------

enum class LineKind { Other, Section, Key };

struct IniLine {
  LineKind Kind = LineKind::Other;
  std::string Name;  // section or key, trimmed
  std::string Value;
};

IniLine ClassifyLine(const std::string& raw) {
  IniLine line;
  std::string s = Trim(raw);
  if (s.empty() || s[0] == ';' || s[0] == '#') return line;
  if (s[0] == '[') {
    // Up to the first ']', so "[Main] ; note" is still a header.
    std::size_t close = s.find(']');
    if (close == std::string::npos) return line;
    line.Kind = LineKind::Section;
    line.Name = Trim(std::string_view(s).substr(1, close - 1));
    return line;
  }
  std::size_t eq = s.find('=');
  if (eq == std::string::npos) return line;
  line.Name = Trim(std::string_view(s).substr(0, eq));
  if (line.Name.empty()) return line;
  line.Kind = LineKind::Key;
  line.Value = Trim(std::string_view(s).substr(eq + 1));
  return line;
}

bool SameName(const std::string& a, const std::string& b) { return SameText(a, b); }

// Names and values are single-line; a line break in them would start new
// keys or sections in the file.
std::string OneLine(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c == '\r' || c == '\n') c = ' ';
  return Trim(r);
}

// ---- the parsed form ------------------------------------------------------------

struct IniSection {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Keys;
  std::unordered_map<std::string, std::size_t> Index;  // folded key -> Keys position

  const std::string* Find(const std::string& key) const {
    auto it = Index.find(LowerCase(key));
    return it == Index.end() ? nullptr : &Keys[it->second].second;
  }
  // The first occurrence wins.
  void AddIfAbsent(const std::string& key, const std::string& value) {
    if (Index.emplace(LowerCase(key), Keys.size()).second) Keys.emplace_back(key, value);
  }
  void Set(const std::string& key, const std::string& value) {
    auto it = Index.find(LowerCase(key));
    if (it == Index.end()) AddIfAbsent(key, value);
    else Keys[it->second].second = value;
  }
  void Remove(const std::string& key) {
    auto it = Index.find(LowerCase(key));
    if (it == Index.end()) return;
    Keys.erase(Keys.begin() + static_cast<std::ptrdiff_t>(it->second));
    Reindex();
  }
  void Reindex() {
    Index.clear();
    for (std::size_t i = 0; i < Keys.size(); ++i) Index.emplace(LowerCase(Keys[i].first), i);
  }
};

struct IniModel {
  std::vector<IniSection> Sections;
  std::unordered_map<std::string, std::size_t> Index;  // folded name -> Sections position

  const IniSection* Find(const std::string& name) const {
    auto it = Index.find(LowerCase(name));
    return it == Index.end() ? nullptr : &Sections[it->second];
  }
  IniSection& Get(const std::string& name) {
    auto [it, added] = Index.emplace(LowerCase(name), Sections.size());
    if (added) Sections.push_back(IniSection{name, {}, {}});
    return Sections[it->second];
  }
  void Remove(const std::string& name) {
    auto it = Index.find(LowerCase(name));
    if (it == Index.end()) return;
    Sections.erase(Sections.begin() + static_cast<std::ptrdiff_t>(it->second));
    Index.clear();
    for (std::size_t i = 0; i < Sections.size(); ++i) Index.emplace(LowerCase(Sections[i].Name), i);
  }
  void Clear() {
    Sections.clear();
    Index.clear();
  }

  // A repeated section continues the first one; a repeated key is ignored.
  void Parse(const TStrings& lines) {
    Clear();
    IniSection* current = nullptr;
    for (int i = 0; i < lines.Count(); ++i) {
      IniLine line = ClassifyLine(lines.Strings(i));
      if (line.Kind == LineKind::Section) current = &Get(line.Name);
      else if (line.Kind == LineKind::Key && current) current->AddIfAbsent(line.Name, line.Value);
    }
  }

  void Emit(TStrings& out) const {
    out.BeginUpdate();
    try {
      out.Clear();
      for (std::size_t i = 0; i < Sections.size(); ++i) {
        if (i > 0) out.Add(std::string());
        out.Add("[" + Sections[i].Name + "]");
        for (const auto& kv : Sections[i].Keys) out.Add(kv.first + "=" + kv.second);
      }
    } catch (...) {
      out.EndUpdate();
      throw;
    }
    out.EndUpdate();
  }

  void ReadSection(const std::string& name, TStrings* strings) const {
    strings->BeginUpdate();
    strings->Clear();
    if (const IniSection* s = Find(name))
      for (const auto& kv : s->Keys) strings->Add(kv.first);
    strings->EndUpdate();
  }
  void ReadSections(TStrings* strings) const {
    strings->BeginUpdate();
    strings->Clear();
    for (const IniSection& s : Sections) strings->Add(s.Name);
    strings->EndUpdate();
  }
  void ReadSectionValues(const std::string& name, TStrings* strings) const {
    strings->BeginUpdate();
    strings->Clear();
    if (const IniSection* s = Find(name))
      for (const auto& kv : s->Keys) strings->Add(kv.first + "=" + kv.second);
    strings->EndUpdate();
  }
};

// ---- files -----------------------------------------------------------------------

// The bytes of the file; "" when it does not exist. Anything else that
// keeps it from being read (not a regular file, no rights, too large, a
// line too long) raises, so that a write never replaces a file it could
// not read.
std::string ReadIniBytes(const std::string& fileName) {
  if (fileName.empty()) return std::string();
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0 && errno == ENOENT) return std::string();
  std::string bytes;
  try {
    bytes = ReadRegularFile(fileName, TCustomIniFile::kMaxFileBytes);
  } catch (const EStreamError& e) {
    throw EIniFileException(e.Message());
  }
  TCustomIniFile::CheckText(bytes, fileName);
  return bytes;
}

std::string ReadIniText(const std::string& fileName) { return DecodeText8(ReadIniBytes(fileName)); }

void LoadLines(const std::string& fileName, TStrings& lines) { lines.SetText(ReadIniText(fileName)); }

// Code page 936 as the format wants, unless that would lose characters:
// such text stays UTF-8, which the reader rule reads back unchanged.
std::string EncodeIniText(const std::string& utf8) {
  std::string cp = Utf8ToCp936(utf8);
  if (Cp936ToUtf8(cp) == utf8) return cp;
  return utf8;
}

std::string LinesToBytes(const TStrings& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    text += lines.Strings(i);
    text += kLineEnd;
  }
  return EncodeIniText(text);
}

// A written line must stay readable by the same rules.
void CheckWrittenLine(const std::string& line, const std::string& fileName) {
  if (std::int64_t(line.size()) > TCustomIniFile::kMaxLineBytes)
    throw EIniFileException("Cannot write to " + fileName + ": the line \"" + MessageExcerpt(line) +
                            "\" is longer than " + std::to_string(TCustomIniFile::kMaxLineBytes) + " bytes");
}

// ---- a file's own lines ------------------------------------------------------------

// The file as its bytes, line by line with each line's own end, so that a
// write changes the lines it means to and leaves every other byte alone,
// even bytes that are text in neither reading.
struct RawIniFile {
  struct Line {
    std::string Bytes;  // without the end
    std::string End;    // "\r\n", "\n", "\r", or "" for a last line without one
    std::string Text;   // decoded, as a read sees it
    bool Changed = false;  // Text is to be written in place of Bytes
  };
  std::string Bom;
  std::vector<Line> Lines;
  bool Cp936 = false;  // read as code page 936 rather than UTF-8

  explicit RawIniFile(const std::string& bytes) {
    std::string_view rest(bytes);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") {
      Bom = "\xEF\xBB\xBF";
      rest.remove_prefix(3);
    }
    Cp936 = !IsValidUtf8(rest);
    std::size_t i = 0;
    while (i < rest.size()) {
      std::size_t stop = rest.find_first_of("\r\n", i);
      if (stop == std::string_view::npos) stop = rest.size();
      Line line;
      line.Bytes = std::string(rest.substr(i, stop - i));
      std::size_t next = stop;
      if (next < rest.size()) next += (rest[next] == '\r' && next + 1 < rest.size() && rest[next + 1] == '\n') ? 2 : 1;
      line.End = std::string(rest.substr(stop, next - stop));
      line.Text = Decode(line.Bytes);
      Lines.push_back(std::move(line));
      i = next;
    }
  }

  // A line of code page 936 never holds a byte of a line end (trail bytes
  // are 0x40 and above), so lines decode one by one as the whole would.
  std::string Decode(const std::string& bytes) const { return Cp936 ? Cp936ToUtf8(bytes) : bytes; }

  // New lines end like the file's first line.
  std::string NewLineEnd() const { return Lines.empty() || Lines[0].End.empty() ? kLineEnd : Lines[0].End; }

  void Insert(std::size_t at, const std::string& text) {
    if (at > 0 && at == Lines.size() && Lines.back().End.empty()) Lines.back().End = NewLineEnd();
    Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(at), Line{std::string(), NewLineEnd(), text, true});
  }
  void Replace(std::size_t at, const std::string& text) {
    Lines[at].Text = text;
    Lines[at].Changed = true;
  }

  // The file's new bytes. Changed lines are encoded so that the file reads
  // back as meant with every other line's bytes unchanged: code page 936
  // first, as the format wants, else UTF-8. Raises when neither can.
  std::string Bytes(const std::string& fileName) const {
    const auto compose = [&](bool newAsCp936, bool allAsUtf8) {
      std::string out = Bom;
      for (const Line& l : Lines) {
        if (allAsUtf8) out += l.Text;
        else if (!l.Changed) out += l.Bytes;
        else out += newAsCp936 ? Utf8ToCp936(l.Text) : l.Text;
        out += l.End;
      }
      return out;
    };
    const auto readsBack = [&](const std::string& bytes) {
      TStringList got, want;
      got.SetText(DecodeText8(bytes));
      std::string text;
      for (const Line& l : Lines) text += l.Text + "\n";
      want.SetText(text);
      return got.Text() == want.Text();
    };
    for (bool cp : {true, false}) {
      const std::string out = compose(cp, false);
      if (readsBack(out)) return out;
    }
    // A code page 936 file given a character it cannot hold becomes UTF-8,
    // when every old line converts without a loss.
    bool lossless = true;
    for (const Line& l : Lines)
      if (!l.Changed && Utf8ToCp936(l.Text) != l.Bytes) lossless = false;
    if (lossless) {
      const std::string out = compose(false, true);
      if (readsBack(out)) return out;
    }
    throw EIniFileException("Unable to write to " + fileName +
                            " (the text cannot be written in the file's encoding without changing other lines)");
  }
};
}  // namespace

void TCustomIniFile::CheckText(std::string_view bytes, const std::string& source) {
  if (std::int64_t(bytes.size()) > kMaxFileBytes)
    throw EIniFileException(source + " is larger than " + std::to_string(kMaxFileBytes) + " bytes");
  std::size_t line = 1, i = 0;
  while (i < bytes.size()) {
    std::size_t stop = bytes.find_first_of("\r\n", i);
    if (stop == std::string_view::npos) stop = bytes.size();
    if (std::int64_t(stop - i) > kMaxLineBytes)
      throw EIniFileException("Line " + std::to_string(line) + " of " + source + " is longer than " +
                              std::to_string(kMaxLineBytes) + " bytes: \"" +
                              MessageExcerpt(bytes.substr(i, kMessageExcerptChars * 4)) + "\"");
    i = stop + 1;
    if (stop < bytes.size() && bytes[stop] == '\r' && i < bytes.size() && bytes[i] == '\n') ++i;
    ++line;
  }
}

// ---- TCustomIniFile -----------------------------------------------------------------

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const {
  std::string s = Trim(ReadString(section, ident, std::string()));
  int value = 0;
  return !s.empty() && TryStrToInt(s, value) ? value : defaultValue;
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const {
  std::string s = Trim(ReadString(section, ident, std::string()));
  int value = 0;
  if (s.empty()) return defaultValue;
  if (TryStrToInt(s, value)) return value != 0;
  if (SameText(s, "true")) return true;
  if (SameText(s, "false")) return false;
  return defaultValue;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident, double defaultValue) const {
  std::string s = Trim(ReadString(section, ident, std::string()));
  double value = 0;
  return !s.empty() && TryStrToFloat(s, value) ? value : defaultValue;
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& ident, double value) {
  WriteString(section, ident, FloatToStr(value));
}

bool TCustomIniFile::SectionExists(const std::string& section) const {
  TStringList keys;
  ReadSection(section, &keys);
  return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) const {
  TStringList keys;
  ReadSection(section, &keys);
  return keys.IndexOf(ident) >= 0;
}

// ---- TIniFile ------------------------------------------------------------------------

namespace {
IniModel ParseFile(const std::string& fileName) {
  TStringList lines;
  LoadLines(fileName, lines);
  IniModel model;
  model.Parse(lines);
  return model;
}

void SaveRaw(const std::string& fileName, const RawIniFile& file) {
  const std::string bytes = file.Bytes(fileName);
  try {
    SafeSaveFile(fileName, bytes);
  } catch (const EFCreateError& e) {
    throw EIniFileException("Unable to write to " + fileName + " (" + e.Message() + ")");
  }
}

// Calls visit(index, line, inSection) for every line, where inSection tells
// whether the line lies in an occurrence of section (its header excluded).
template <class Visit>
void ForEachLine(const RawIniFile& file, const std::string& section, Visit visit) {
  bool inSection = false;
  for (std::size_t i = 0; i < file.Lines.size(); ++i) {
    IniLine line = ClassifyLine(file.Lines[i].Text);
    if (line.Kind == LineKind::Section) {
      visit(i, line, false);
      inSection = SameName(line.Name, section);
      continue;
    }
    visit(i, line, inSection);
  }
}

// Removes the lines for which doomed(line, inSection) holds; false when
// there were none.
template <class Doomed>
bool RemoveLines(RawIniFile& file, const std::string& section, Doomed doomed) {
  std::vector<bool> drop(file.Lines.size(), false);
  bool any = false;
  ForEachLine(file, section, [&](std::size_t i, const IniLine& line, bool inSection) {
    if (doomed(line, inSection)) drop[i] = any = true;
  });
  if (!any) return false;
  std::vector<RawIniFile::Line> kept;
  for (std::size_t i = 0; i < file.Lines.size(); ++i)
    if (!drop[i]) kept.push_back(std::move(file.Lines[i]));
  file.Lines = std::move(kept);
  return true;
}
}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const {
  IniModel model = ParseFile(fileName_);
  const IniSection* s = model.Find(section);
  const std::string* v = s ? s->Find(ident) : nullptr;
  return v ? *v : defaultValue;
}

void TIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  const std::string name = OneLine(section), key = OneLine(ident);
  const std::string newLine = key + "=" + OneLine(value);
  CheckWrittenLine(newLine, fileName_);
  if (fileName_.empty()) throw EIniFileException("Unable to write to an ini file without a name");
  RawIniFile file(ReadIniBytes(fileName_));
  // Replace the line a read would find; else add after the last non-blank
  // line of the section's first occurrence; else append the section.
  std::ptrdiff_t keyLine = -1, firstHeader = -1, insertAt = -1;
  bool inMatch = false, inFirst = false;
  for (std::size_t i = 0; i < file.Lines.size() && keyLine < 0; ++i) {
    const std::string& text = file.Lines[i].Text;
    IniLine line = ClassifyLine(text);
    if (line.Kind == LineKind::Section) {
      inMatch = SameName(line.Name, name);
      inFirst = inMatch && firstHeader < 0;
      if (inFirst) {
        firstHeader = std::ptrdiff_t(i);
        insertAt = std::ptrdiff_t(i) + 1;
      }
      continue;
    }
    if (inMatch && line.Kind == LineKind::Key && SameName(line.Name, key)) keyLine = std::ptrdiff_t(i);
    if (inFirst && !Trim(text).empty()) insertAt = std::ptrdiff_t(i) + 1;
  }
  if (keyLine >= 0) {
    if (file.Lines[std::size_t(keyLine)].Text == newLine) return;  // nothing to change
    file.Replace(std::size_t(keyLine), newLine);
  } else if (firstHeader >= 0) {
    file.Insert(std::size_t(insertAt), newLine);
  } else {
    if (!file.Lines.empty() && !Trim(file.Lines.back().Text).empty()) file.Insert(file.Lines.size(), std::string());
    file.Insert(file.Lines.size(), "[" + name + "]");
    file.Insert(file.Lines.size(), newLine);
  }
  SaveRaw(fileName_, file);
}

void TIniFile::ReadSection(const std::string& section, TStrings* strings) const {
  if (strings) ParseFile(fileName_).ReadSection(section, strings);
}

void TIniFile::ReadSections(TStrings* strings) const {
  if (strings) ParseFile(fileName_).ReadSections(strings);
}

void TIniFile::ReadSectionValues(const std::string& section, TStrings* strings) const {
  if (strings) ParseFile(fileName_).ReadSectionValues(section, strings);
}

void TIniFile::EraseSection(const std::string& section) {
  RawIniFile file(ReadIniBytes(fileName_));
  if (RemoveLines(file, section, [&](const IniLine& line, bool inSection) {
        return inSection || (line.Kind == LineKind::Section && SameName(line.Name, section));
      }))
    SaveRaw(fileName_, file);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  RawIniFile file(ReadIniBytes(fileName_));
  if (RemoveLines(file, section, [&](const IniLine& line, bool inSection) {
        return inSection && line.Kind == LineKind::Key && SameName(line.Name, ident);
      }))
    SaveRaw(fileName_, file);
}

// ---- TMemIniFile ------------------------------------------------------------------------

struct TMemIniFile::Data {
  IniModel Model;

  // Text already within the limits.
  void Parse(const std::string& text) {
    TStringList lines;
    lines.SetText(text);
    Model.Parse(lines);
  }
};

TMemIniFile::TMemIniFile(const std::string& fileName) : TCustomIniFile(fileName), data_(std::make_unique<Data>()) {
  if (!fileName.empty()) data_->Parse(ReadIniText(fileName));
}

TMemIniFile::~TMemIniFile() = default;

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) const {
  const IniSection* s = data_->Model.Find(section);
  const std::string* v = s ? s->Find(ident) : nullptr;
  return v ? *v : defaultValue;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  const std::string key = OneLine(ident), text = OneLine(value);
  CheckWrittenLine(key + "=" + text, fileName_);
  data_->Model.Get(OneLine(section)).Set(key, text);
}

void TMemIniFile::ReadSection(const std::string& section, TStrings* strings) const {
  if (strings) data_->Model.ReadSection(section, strings);
}

void TMemIniFile::ReadSections(TStrings* strings) const {
  if (strings) data_->Model.ReadSections(strings);
}

void TMemIniFile::ReadSectionValues(const std::string& section, TStrings* strings) const {
  if (strings) data_->Model.ReadSectionValues(section, strings);
}

void TMemIniFile::EraseSection(const std::string& section) { data_->Model.Remove(section); }

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  auto it = data_->Model.Index.find(LowerCase(section));
  if (it != data_->Model.Index.end()) data_->Model.Sections[it->second].Remove(ident);
}

void TMemIniFile::UpdateFile() {
  if (fileName_.empty()) return;
  TStringList lines;
  GetStrings(&lines);
  SafeSaveFile(fileName_, LinesToBytes(lines));
}

void TMemIniFile::GetStrings(TStrings* strings) const {
  if (strings) data_->Model.Emit(*strings);
}

void TMemIniFile::SetStrings(const TStrings* strings) {
  if (!strings) {
    Clear();
    return;
  }
  for (int i = 0; i < strings->Count(); ++i) CheckText(strings->Strings(i), "The ini lines");
  data_->Model.Parse(*strings);
}

void TMemIniFile::SetText(const std::string& text) {
  CheckText(text, "The ini text");
  data_->Parse(text);
}

void TMemIniFile::SetBytes(const std::string& bytes) {
  CheckText(bytes, "The ini text");
  data_->Parse(DecodeText8(bytes));
}

void TMemIniFile::Clear() { data_->Model.Clear(); }

void TMemIniFile::Rename(const std::string& fileName, bool reload) {
  // Read first: a file that cannot be read changes nothing.
  if (reload) data_->Parse(ReadIniText(fileName));
  fileName_ = fileName;
}
