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

// The decoded text of a regular file; "" when it is missing, not a regular
// file, unreadable or too large.
std::string ReadIniText(const std::string& fileName) {
  if (fileName.empty()) return std::string();
  // Non-blocking so a FIFO under the name cannot stall the open.
  int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::string();
  std::string bytes;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= TCustomIniFile::kMaxFileBytes) {
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
      ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
  }
  ::close(fd);
  return DecodeText8(bytes);
}

void LoadLines(const std::string& fileName, TStrings& lines) { lines.SetText(ReadIniText(fileName)); }

// Code page 936 as the format wants, unless that would lose characters:
// such text stays UTF-8, which the reader rule reads back unchanged.
std::string EncodeIniText(const std::string& utf8) {
  std::string cp = Utf8ToCp936(utf8);
  if (Cp936ToUtf8(cp) == utf8) return cp;
  return utf8;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Replaces the file's content all at once: a new file next to it is renamed
// over it, so a full disk or a crash leaves the old content, never half.
// Returns "" or the reason it failed.
std::string WriteFileReplacing(const std::string& fileName, const std::string& bytes) {
  if (fileName.empty()) return "No file name";
  std::string target = fileName;
  struct stat st {};
  bool exists = ::stat(fileName.c_str(), &st) == 0;
  if (exists) {
    // Write through a symbolic link rather than replace it.
    if (char* real = ::realpath(fileName.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  } else {
    int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      bool ok = WriteAll(fd, bytes);
      int err = errno;
      ok = (::close(fd) == 0) && ok;
      if (ok) return std::string();
      ::unlink(fileName.c_str());
      return std::strerror(err);
    }
    if (errno != EEXIST) return std::strerror(errno);
    exists = ::stat(fileName.c_str(), &st) == 0;
  }
  std::string temp = target + ".XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    // A writable file in a folder we may not add to: rewrite it in place.
    int in = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (in < 0) return std::strerror(errno);
    bool ok = WriteAll(in, bytes);
    int err = errno;
    ok = (::close(in) == 0) && ok;
    return ok ? std::string() : std::strerror(err);
  }
  if (fd < 0) return std::strerror(errno);
  if (exists) ::fchmod(fd, st.st_mode & 07777);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int err = errno;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return std::string();
  if (ok) err = errno;
  ::unlink(temp.c_str());
  return std::strerror(err);
}

std::string LinesToBytes(const TStrings& lines) {
  std::string text;
  for (int i = 0; i < lines.Count(); ++i) {
    text += lines.Strings(i);
    text += kLineEnd;
  }
  return EncodeIniText(text);
}
}  // namespace

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

void SaveLines(const std::string& fileName, const TStrings& lines) {
  std::string reason = WriteFileReplacing(fileName, LinesToBytes(lines));
  if (!reason.empty()) throw EIniFileException("Unable to write to " + fileName + " (" + reason + ")");
}

// Calls visit(index, line, inSection) for every line, where inSection tells
// whether the line lies in an occurrence of section (its header excluded).
template <class Visit>
void ForEachLine(const TStrings& lines, const std::string& section, Visit visit) {
  bool inSection = false;
  for (int i = 0; i < lines.Count(); ++i) {
    IniLine line = ClassifyLine(lines.Strings(i));
    if (line.Kind == LineKind::Section) {
      visit(i, line, false);
      inSection = SameName(line.Name, section);
      continue;
    }
    visit(i, line, inSection);
  }
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
  TStringList lines;
  LoadLines(fileName_, lines);
  // Replace the line a read would find; else add after the last non-blank
  // line of the section's first occurrence; else append the section.
  int keyLine = -1, firstHeader = -1, insertAt = -1;
  bool inMatch = false, inFirst = false;
  for (int i = 0; i < lines.Count() && keyLine < 0; ++i) {
    const std::string& raw = lines.Strings(i);
    IniLine line = ClassifyLine(raw);
    if (line.Kind == LineKind::Section) {
      inMatch = SameName(line.Name, name);
      inFirst = inMatch && firstHeader < 0;
      if (inFirst) {
        firstHeader = i;
        insertAt = i + 1;
      }
      continue;
    }
    if (inMatch && line.Kind == LineKind::Key && SameName(line.Name, key)) keyLine = i;
    if (inFirst && !Trim(raw).empty()) insertAt = i + 1;
  }
  if (keyLine >= 0) {
    lines.Put(keyLine, newLine);
  } else if (firstHeader >= 0) {
    lines.Insert(insertAt, newLine);
  } else {
    if (lines.Count() > 0 && !Trim(lines.Strings(lines.Count() - 1)).empty()) lines.Add(std::string());
    lines.Add("[" + name + "]");
    lines.Add(newLine);
  }
  SaveLines(fileName_, lines);
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
  TStringList lines;
  LoadLines(fileName_, lines);
  std::vector<int> doomed;
  ForEachLine(lines, section, [&](int i, const IniLine& line, bool inSection) {
    if (inSection || (line.Kind == LineKind::Section && SameName(line.Name, section))) doomed.push_back(i);
  });
  if (doomed.empty()) return;
  lines.BeginUpdate();
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) lines.Delete(*it);
  lines.EndUpdate();
  SaveLines(fileName_, lines);
}

void TIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  TStringList lines;
  LoadLines(fileName_, lines);
  std::vector<int> doomed;
  ForEachLine(lines, section, [&](int i, const IniLine& line, bool inSection) {
    if (inSection && line.Kind == LineKind::Key && SameName(line.Name, ident)) doomed.push_back(i);
  });
  if (doomed.empty()) return;
  lines.BeginUpdate();
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it) lines.Delete(*it);
  lines.EndUpdate();
  SaveLines(fileName_, lines);
}

// ---- TMemIniFile ------------------------------------------------------------------------

struct TMemIniFile::Data {
  IniModel Model;
};

TMemIniFile::TMemIniFile(const std::string& fileName) : TCustomIniFile(fileName), data_(std::make_unique<Data>()) {
  if (!fileName.empty()) SetText(ReadIniText(fileName));
}

TMemIniFile::~TMemIniFile() = default;

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) const {
  const IniSection* s = data_->Model.Find(section);
  const std::string* v = s ? s->Find(ident) : nullptr;
  return v ? *v : defaultValue;
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  data_->Model.Get(OneLine(section)).Set(OneLine(ident), OneLine(value));
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
  std::string reason = WriteFileReplacing(fileName_, LinesToBytes(lines));
  if (!reason.empty()) throw EFCreateError("Cannot create file \"" + fileName_ + "\". " + reason);
}

void TMemIniFile::GetStrings(TStrings* strings) const {
  if (strings) data_->Model.Emit(*strings);
}

void TMemIniFile::SetStrings(const TStrings* strings) {
  if (!strings) {
    Clear();
    return;
  }
  data_->Model.Parse(*strings);
}

void TMemIniFile::SetText(const std::string& text) {
  TStringList lines;
  lines.SetText(text);
  data_->Model.Parse(lines);
}

void TMemIniFile::Clear() { data_->Model.Clear(); }

void TMemIniFile::Rename(const std::string& fileName, bool reload) {
  fileName_ = fileName;
  if (reload) SetText(ReadIniText(fileName));
}
