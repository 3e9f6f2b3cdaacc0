// Ini files: TCustomIniFile (the typed reads and writes), TIniFile (every
// call goes to the file on disk) and TMemIniFile (held in memory until
// UpdateFile).
//
// Reading rules, the same for both:
// - the bytes are decoded as UTF-8 when valid, else as code page 936;
// - a missing file reads as empty; one that cannot be read (not a regular
//   file, no rights), is larger than kMaxFileBytes or holds a line longer
//   than kMaxLineBytes raises EIniFileException, from reads and writes
//   alike, so that a write never replaces a file it could not read;
// - a line starting with '[' starts a section named by the trimmed text up
//   to the first ']' (so "[Main] ; note" is a header); lines before the first section, blank lines,
//   lines starting with ';' or '#', and lines without '=' are ignored;
// - key and value are the trimmed text before and after the first '=', so a
//   value may hold '='; quotes around a value are kept;
// - section and key names compare ignoring ASCII case;
// - a section that appears more than once is one section at the place of
//   its first header, its keys gathered from every occurrence in file
//   order; when a key appears more than once the first one wins.
// Files are written in code page 936 with CR LF line ends; text holding a
// character code page 936 cannot encode is written as UTF-8 instead, which
// reads back the same, rather than losing the character. Line breaks inside
// written names and values become spaces. Every save goes through
// SafeSaveFile: a failed save leaves the old file as it was.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/rtl/Object.h"

class TStrings;

class TCustomIniFile : public TObject {
 public:
  explicit TCustomIniFile(const std::string& fileName) : fileName_(fileName) {}
  std::string ClassName() const override { return "TCustomIniFile"; }
  const std::string& FileName() const { return fileName_; }

  // The largest file or text the readers take, and the longest line (so
  // the longest value); writes that would pass the line limit raise.
  static constexpr std::int64_t kMaxFileBytes = std::int64_t{16} << 20;
  static constexpr std::int64_t kMaxLineBytes = std::int64_t{64} << 10;
  // Raises EIniFileException when text passes either limit; the message
  // names source and quotes the start of an over-long line.
  static void CheckText(std::string_view text, const std::string& source);

  virtual std::string ReadString(const std::string& section, const std::string& ident,
                                 const std::string& defaultValue) const = 0;
  virtual void WriteString(const std::string& section, const std::string& ident, const std::string& value) = 0;

  // Decimal with an optional sign, or hexadecimal after "$" or "0x"; any
  // other text, or a missing key, gives the default.
  int ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const;
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  // An integer (non-zero is true) or "true"/"false" in any case; other text
  // gives the default.
  bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const;
  // Writes "1" or "0".
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  // Decimal point '.'.
  double ReadFloat(const std::string& section, const std::string& ident, double defaultValue) const;
  void WriteFloat(const std::string& section, const std::string& ident, double value);

  // Fill strings (cleared first) with the keys, the section names, or the
  // key=value lines of a section.
  virtual void ReadSection(const std::string& section, TStrings* strings) const = 0;
  virtual void ReadSections(TStrings* strings) const = 0;
  virtual void ReadSectionValues(const std::string& section, TStrings* strings) const = 0;
  // True only when the section holds at least one key.
  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& ident) const;
  // Remove every occurrence of the section, or of the key within it.
  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& ident) = 0;
  virtual void UpdateFile() = 0;

 protected:
  std::string fileName_;
};

// Each read parses the file as it is now; each write saves it at once,
// changing only the lines it means to: every other line keeps its bytes and
// its line end, even bytes that are text in neither reading. New lines are
// written in the encoding the file is read in. A write that fails (read-only
// file, a folder that cannot take the temporary file, a full disk) raises
// EIniFileException "Unable to write to <file> (reason)" and leaves the file
// as it was.
class TIniFile : public TCustomIniFile {
 public:
  explicit TIniFile(const std::string& fileName) : TCustomIniFile(fileName) {}
  std::string ClassName() const override { return "TIniFile"; }

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) const override;
  // Replaces the key's effective line, or adds the key at the end of the
  // section's first occurrence, or a new section at the end of the file.
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void ReadSection(const std::string& section, TStrings* strings) const override;
  void ReadSections(TStrings* strings) const override;
  void ReadSectionValues(const std::string& section, TStrings* strings) const override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  // Nothing to do: every write is already on disk.
  void UpdateFile() override {}
};

// Loads the file (if any) once; reads and writes work on memory, UpdateFile
// writes it all back (comments are not kept). With an empty file name it is
// an ini held in memory only, filled by SetStrings. A file that exists but
// cannot be read makes the constructor raise EIniFileException.
class TMemIniFile : public TCustomIniFile {
 public:
  explicit TMemIniFile(const std::string& fileName = std::string());
  ~TMemIniFile() override;
  std::string ClassName() const override { return "TMemIniFile"; }

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& defaultValue) const override;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void ReadSection(const std::string& section, TStrings* strings) const override;
  void ReadSections(TStrings* strings) const override;
  void ReadSectionValues(const std::string& section, TStrings* strings) const override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;
  // Writes every section to FileName (nothing when it is empty); raises
  // EFCreateError (SafeSaveFile's) when the file cannot be written, leaving
  // it as it was.
  void UpdateFile() override;

  // The content as ini lines ("[section]", "key=value", a blank line
  // between sections) / replaced by the lines of strings.
  void GetStrings(TStrings* strings) const;
  void SetStrings(const TStrings* strings);
  // Replaces the content by parsing text (already decoded to UTF-8); text
  // past the limits raises EIniFileException and changes nothing.
  void SetText(const std::string& text);
  // The same for an ini file's bytes, decoded by the reading rule; the
  // limits apply to the bytes, as for a file.
  void SetBytes(const std::string& bytes);
  void Clear();
  // Changes the file name; with reload, the content is read from it (a file
  // that cannot be read raises and changes nothing).
  void Rename(const std::string& fileName, bool reload);

 private:
  struct Data;
  std::unique_ptr<Data> data_;
};
