// TStrings, the abstract list of UTF-8 strings each with an object, and
// TStringList, its stored, optionally sorted form.
//
// Line breaks: Text puts LineBreak (CR LF by default, as the files the
// wizard shares with Windows use) after every line, so SaveToFile writes CR
// LF after every line including the last. SetText and the loaders split on
// CR LF, LF and a lone CR alike.
//
// Case-insensitive comparison folds ASCII letters only; other bytes compare
// as unsigned bytes, so sorting is by code point, not by locale.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

// Byte encoding of saved text; loading always follows the 8-bit rule
// (UTF-8 when the bytes are valid UTF-8, else code page 936).
enum TStringsEncoding { seUTF8, seCP936 };

class TStrings : public TPersistent {
 public:
  std::string ClassName() const override { return "TStrings"; }

  // --- the storage a derived class provides -------------------------------
  virtual int Count() const = 0;
  virtual std::string Strings(int index) const = 0;
  virtual void Put(int index, const std::string& s);
  virtual TObject* Objects(int /*index*/) const { return nullptr; }
  virtual void PutObject(int /*index*/, TObject* /*object*/) {}
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  // --- built on the storage ------------------------------------------------
  std::string operator[](int index) const { return Strings(index); }
  virtual int Add(const std::string& s);
  virtual int AddObject(const std::string& s, TObject* object);
  void Append(const std::string& s) { Add(s); }
  void InsertObject(int index, const std::string& s, TObject* object);
  void AddStrings(const TStrings* strings);
  virtual int IndexOf(const std::string& s) const;
  int IndexOfObject(const TObject* object) const;
  virtual void Exchange(int index1, int index2);
  void Move(int curIndex, int newIndex);
  // Same count and the same strings in the same order (objects ignored).
  bool Equals(const TStrings* strings) const;

  // Clears and copies source's strings, objects and text settings.
  void Assign(const TPersistent* source) override;

  // name=value lines, split at the first NameValueSeparator.
  std::string Names(int index) const;
  // The value of the first line whose name matches, "" when none.
  std::string Values(const std::string& name) const;
  // Replaces the value or appends name=value; an empty value deletes the line.
  void SetValue(const std::string& name, const std::string& value);
  std::string ValueFromIndex(int index) const;
  void SetValueFromIndex(int index, const std::string& value);
  int IndexOfName(const std::string& name) const;

  std::string Text() const;
  void SetText(const std::string& text);
  // Always ',' and '"', spaces separate too.
  std::string CommaText() const;
  void SetCommaText(const std::string& text);
  // Delimiter and QuoteChar; unless StrictDelimiter, blanks also separate
  // and items with blanks are quoted.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& text);

  // Load the rest of the stream (from its position) or the whole file; a
  // UTF-8 byte-order mark is skipped. Text over kMaxTextBytes raises
  // EReadError; files raise EFOpenError as TFileStream does.
  void LoadFromStream(TStream* stream);
  void LoadFromFile(const std::string& fileName);
  void SaveToStream(TStream* stream, TStringsEncoding encoding = seUTF8) const;
  // Through SafeSaveFile: a failed save raises EFCreateError and leaves the
  // file as it was.
  void SaveToFile(const std::string& fileName, TStringsEncoding encoding = seUTF8) const;
  static constexpr std::int64_t kMaxTextBytes = std::int64_t{256} << 20;

  // Nested: only the outermost EndUpdate reports the changes.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return updateCount_; }

  // Plain settings.
  char Delimiter = ',';
  char QuoteChar = '"';
  char NameValueSeparator = '=';
  bool StrictDelimiter = false;
  std::string LineBreak = "\r\n";

 protected:
  // Called with true when the first BeginUpdate starts and false when the
  // last EndUpdate ends.
  virtual void SetUpdateState(bool /*updating*/) {}
  // <0, 0, >0; the base ignores ASCII case.
  virtual int CompareStrings(const std::string& a, const std::string& b) const;
  [[noreturn]] static void Error(const std::string& messageFormat, int data);

 private:
  std::string DelimitedTextWith(char delimiter, char quote, bool strict) const;
  void SetDelimitedTextWith(const std::string& text, char delimiter, char quote, bool strict);
  int updateCount_ = 0;
};

class TStringList;
// Compares the items at index1 and index2 of list.
using TStringListSortCompare = std::function<int(TStringList* list, int index1, int index2)>;

class TStringList : public TStrings {
 public:
  TStringList() = default;
  // Frees the objects when OwnsObjects.
  ~TStringList() override;
  std::string ClassName() const override { return "TStringList"; }

  int Count() const override { return static_cast<int>(items_.size()); }
  std::string Strings(int index) const override;
  // Put and Insert raise EStringListError on a sorted list.
  void Put(int index, const std::string& s) override;
  TObject* Objects(int index) const override;
  void PutObject(int index, TObject* object) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;

  // Sorted lists insert in order and honour Duplicates: dupIgnore returns
  // the existing index, dupError raises EStringListError "String list does
  // not allow duplicates", dupAccept adds before the first equal item.
  int Add(const std::string& s) override;
  int AddObject(const std::string& s, TObject* object) override;
  int IndexOf(const std::string& s) const override;
  void Exchange(int index1, int index2) override;

  // Binary search of a sorted list: true when found; index is the first
  // equal item or where s would go.
  bool Find(const std::string& s, int& index) const;
  // Both stable.
  virtual void Sort();
  virtual void CustomSort(const TStringListSortCompare& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  bool CaseSensitive() const { return caseSensitive_; }
  // Re-sorts a sorted list under the new rule.
  void SetCaseSensitive(bool value);

  void Assign(const TPersistent* source) override;

  TDuplicates Duplicates = dupIgnore;
  bool OwnsObjects = false;
  // Outside an update each change fires OnChanging before and OnChange
  // after. Inside BeginUpdate/EndUpdate, OnChanging fires before the first
  // change and OnChange once at the last EndUpdate, only when something
  // changed.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  void SetUpdateState(bool updating) override;
  int CompareStrings(const std::string& a, const std::string& b) const override;
  virtual void Changing();
  virtual void Changed();

 private:
  struct Item {
    std::string Text;
    TObject* Object = nullptr;
  };
  void CheckIndex(int index) const;
  void InsertItem(int index, const std::string& s, TObject* object);
  std::vector<Item> items_;
  bool sorted_ = false;
  bool caseSensitive_ = false;
  bool changingSent_ = false;
  bool changedPending_ = false;
};
