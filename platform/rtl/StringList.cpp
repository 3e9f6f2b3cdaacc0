#include "platform/rtl/StringList.h"

#include <algorithm>
#include <numeric>

#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SafeSave.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Ends the update on every path out of a bulk change.
class UpdateScope {
 public:
  explicit UpdateScope(TStrings* s) : s_(s) { s_->BeginUpdate(); }
  ~UpdateScope() { s_->EndUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  TStrings* s_;
};
}  // namespace

// ---- TStrings -----------------------------------------------------------------

void TStrings::Error(const std::string& messageFormat, int data) {
  throw EStringListError(Format(messageFormat, data));
}

void TStrings::Put(int index, const std::string& s) {
  TObject* object = Objects(index);
  UpdateScope scope(this);
  Delete(index);
  InsertObject(index, s, object);
}

int TStrings::Add(const std::string& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const std::string& s, TObject* object) {
  int index = Add(s);
  PutObject(index, object);
  return index;
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object) {
  Insert(index, s);
  PutObject(index, object);
}

void TStrings::AddStrings(const TStrings* strings) {
  if (!strings) return;
  // Copy first: strings may be this list.
  std::vector<std::pair<std::string, TObject*>> items;
  for (int i = 0; i < strings->Count(); ++i) items.emplace_back(strings->Strings(i), strings->Objects(i));
  UpdateScope scope(this);
  for (auto& item : items) AddObject(item.first, item.second);
}

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Strings(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (Objects(i) == object) return i;
  return -1;
}

void TStrings::Exchange(int index1, int index2) {
  UpdateScope scope(this);
  std::string s1 = Strings(index1), s2 = Strings(index2);
  TObject* o1 = Objects(index1);
  TObject* o2 = Objects(index2);
  Put(index1, s2);
  PutObject(index1, o2);
  Put(index2, s1);
  PutObject(index2, o1);
}

void TStrings::Move(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  UpdateScope scope(this);
  std::string s = Strings(curIndex);
  TObject* object = Objects(curIndex);
  Delete(curIndex);
  InsertObject(newIndex, s, object);
}

bool TStrings::Equals(const TStrings* strings) const {
  if (!strings || strings->Count() != Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Strings(i) != strings->Strings(i)) return false;
  return true;
}

void TStrings::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TStrings*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  UpdateScope scope(this);
  Clear();
  Delimiter = src->Delimiter;
  QuoteChar = src->QuoteChar;
  NameValueSeparator = src->NameValueSeparator;
  StrictDelimiter = src->StrictDelimiter;
  LineBreak = src->LineBreak;
  AddStrings(src);
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const { return CompareText(a, b); }

std::string TStrings::Names(int index) const {
  std::string s = Strings(index);
  std::size_t p = s.find(NameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string s = Strings(i);
    std::size_t p = s.find(NameValueSeparator);
    if (p != std::string::npos && CompareStrings(s.substr(0, p), name) == 0) return i;
  }
  return -1;
}

std::string TStrings::Values(const std::string& name) const {
  int i = IndexOfName(name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValue(const std::string& name, const std::string& value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::string line = name + NameValueSeparator + value;
  if (i < 0) Add(line);
  else Put(i, line);
}

std::string TStrings::ValueFromIndex(int index) const {
  std::string s = Strings(index);
  std::size_t p = s.find(NameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int index, const std::string& value) {
  if (value.empty()) {
    Delete(index);
    return;
  }
  std::string s = Strings(index);
  std::size_t p = s.find(NameValueSeparator);
  std::string name = p == std::string::npos ? std::string() : s.substr(0, p);
  Put(index, name + NameValueSeparator + value);
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    text += Strings(i);
    text += LineBreak;
  }
  return text;
}

void TStrings::SetText(const std::string& text) {
  UpdateScope scope(this);
  Clear();
  std::size_t start = 0;
  const std::size_t n = text.size();
  while (start < n) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      Add(text.substr(start));
      break;
    }
    Add(text.substr(start, end - start));
    start = end + 1;
    if (text[end] == '\r' && start < n && text[start] == '\n') ++start;
  }
}

std::string TStrings::DelimitedTextWith(char delimiter, char quote, bool strict) const {
  if (Count() == 1 && Strings(0).empty()) return std::string(2, quote);
  std::string result;
  for (int i = 0; i < Count(); ++i) {
    std::string s = Strings(i);
    bool needsQuotes = false;
    for (char c : s)
      if (c == quote || c == delimiter || (!strict && IsBlank(c))) {
        needsQuotes = true;
        break;
      }
    if (i > 0) result += delimiter;
    result += needsQuotes ? AnsiQuotedStr(s, quote) : s;
  }
  return result;
}

void TStrings::SetDelimitedTextWith(const std::string& text, char delimiter, char quote, bool strict) {
  UpdateScope scope(this);
  Clear();
  const std::size_t n = text.size();
  std::size_t p = 0;
  auto skipBlanks = [&] {
    while (!strict && p < n && IsBlank(text[p])) ++p;
  };
  skipBlanks();
  while (p < n) {
    std::string s;
    if (text[p] == quote) {
      // Quoted: doubled quotes stand for one; an unclosed quote runs to the end.
      ++p;
      while (p < n) {
        if (text[p] == quote) {
          if (p + 1 < n && text[p + 1] == quote) {
            s += quote;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        s += text[p++];
      }
    } else {
      std::size_t start = p;
      while (p < n && text[p] != delimiter && (strict || !IsBlank(text[p]))) ++p;
      s = text.substr(start, p - start);
    }
    Add(s);
    skipBlanks();
    if (p < n && text[p] == delimiter) {
      ++p;
      if (p == n) Add(std::string());
      skipBlanks();
    }
  }
}

std::string TStrings::CommaText() const { return DelimitedTextWith(',', '"', false); }
void TStrings::SetCommaText(const std::string& text) { SetDelimitedTextWith(text, ',', '"', false); }
std::string TStrings::DelimitedText() const { return DelimitedTextWith(Delimiter, QuoteChar, StrictDelimiter); }
void TStrings::SetDelimitedText(const std::string& text) {
  SetDelimitedTextWith(text, Delimiter, QuoteChar, StrictDelimiter);
}

void TStrings::LoadFromStream(TStream* stream) {
  if (!stream) return;
  // Size and position are only a hint: a pipe knows neither, so read to the
  // end in blocks, never past the cap.
  constexpr std::int64_t kBlock = 64 * 1024;
  std::int64_t pos = stream->Position();
  std::int64_t hint = pos < 0 ? 0 : stream->Size() - pos;
  if (hint > kMaxTextBytes) throw EReadError("Stream read error");
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(hint > 0 ? hint : 0));
  for (;;) {
    std::size_t have = bytes.size();
    std::int64_t want = std::max<std::int64_t>(kBlock, hint - static_cast<std::int64_t>(have));
    if (static_cast<std::int64_t>(have) + want > kMaxTextBytes + 1)
      want = kMaxTextBytes + 1 - static_cast<std::int64_t>(have);
    if (want <= 0) throw EReadError("Stream read error");
    bytes.resize(have + static_cast<std::size_t>(want));
    std::int64_t n = stream->Read(bytes.data() + have, want);
    bytes.resize(have + static_cast<std::size_t>(n > 0 ? n : 0));
    if (n <= 0) break;
  }
  if (static_cast<std::int64_t>(bytes.size()) > kMaxTextBytes) throw EReadError("Stream read error");
  SetText(DecodeText8(bytes));
}

void TStrings::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&file);
}

void TStrings::SaveToStream(TStream* stream, TStringsEncoding encoding) const {
  if (!stream) return;
  std::string text = Text();
  if (encoding == seCP936) text = Utf8ToCp936(text);
  stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TStrings::SaveToFile(const std::string& fileName, TStringsEncoding encoding) const {
  SafeSaveFile(fileName, [&](TStream& out) { SaveToStream(&out, encoding); });
}

void TStrings::BeginUpdate() {
  if (updateCount_++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (updateCount_ <= 0) return;
  if (--updateCount_ == 0) SetUpdateState(false);
}

// ---- TStringList -----------------------------------------------------------------

TStringList::~TStringList() {
  if (OwnsObjects)
    for (Item& item : items_) delete item.Object;
}

void TStringList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error("List index out of bounds (%d)", index);
}

void TStringList::Changing() {
  if (UpdateCount() > 0) {
    if (changingSent_) return;
    changingSent_ = true;
    changedPending_ = true;
  }
  if (OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() > 0) return;
  if (OnChange) OnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
  if (updating) {
    changingSent_ = false;
    changedPending_ = false;
    return;
  }
  bool fire = changedPending_;
  changingSent_ = false;
  changedPending_ = false;
  if (fire) Changed();
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
  return caseSensitive_ ? CompareStr(a, b) : CompareText(a, b);
}

std::string TStringList::Strings(int index) const {
  CheckIndex(index);
  return items_[index].Text;
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index);
  return items_[index].Object;
}

void TStringList::Put(int index, const std::string& s) {
  if (sorted_) Error("Operation not allowed on sorted list", 0);
  CheckIndex(index);
  Changing();
  items_[index].Text = s;
  Changed();
}

void TStringList::PutObject(int index, TObject* object) {
  CheckIndex(index);
  Changing();
  items_[index].Object = object;
  Changed();
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, Item{s, object});
  Changed();
}

void TStringList::Insert(int index, const std::string& s) {
  if (sorted_) Error("Operation not allowed on sorted list", 0);
  if (index < 0 || index > Count()) Error("List index out of bounds (%d)", index);
  InsertItem(index, s, nullptr);
}

void TStringList::Delete(int index) {
  CheckIndex(index);
  Changing();
  TObject* object = items_[index].Object;
  items_.erase(items_.begin() + index);
  if (OwnsObjects) delete object;
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(items_);
  if (OwnsObjects)
    for (Item& item : old) delete item.Object;
  Changed();
}

int TStringList::Add(const std::string& s) { return AddObject(s, nullptr); }

int TStringList::AddObject(const std::string& s, TObject* object) {
  int index = Count();
  if (sorted_) {
    if (Find(s, index)) {
      if (Duplicates == dupIgnore) return index;
      if (Duplicates == dupError) Error("String list does not allow duplicates", 0);
    }
  }
  InsertItem(index, s, object);
  return index;
}

bool TStringList::Find(const std::string& s, int& index) const {
  // Lower bound: the first item not before s.
  int lo = 0, hi = Count();
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    if (CompareStrings(items_[mid].Text, s) < 0) lo = mid + 1;
    else hi = mid;
  }
  index = lo;
  return lo < Count() && CompareStrings(items_[lo].Text, s) == 0;
}

int TStringList::IndexOf(const std::string& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index = 0;
  return Find(s, index) ? index : -1;
}

void TStringList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  Changing();
  std::swap(items_[index1], items_[index2]);
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
  if (!compare || Count() < 2) return;
  // The compare reads the list by index, so sort a permutation and apply it.
  std::vector<int> order(items_.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(this, a, b) < 0; });
  Changing();
  std::vector<Item> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[i]));
  items_.swap(sorted);
  Changed();
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, int a, int b) {
    return list->CompareStrings(list->items_[a].Text, list->items_[b].Text);
  });
}

void TStringList::SetSorted(bool value) {
  if (value == sorted_) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == caseSensitive_) return;
  caseSensitive_ = value;
  if (sorted_) Sort();
}

void TStringList::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TStringList*>(source);
  if (!src || src == this) {
    TStrings::Assign(source);
    return;
  }
  UpdateScope scope(this);
  Clear();
  // Settings first so the copied items land by the source's rules.
  caseSensitive_ = src->caseSensitive_;
  Duplicates = src->Duplicates;
  sorted_ = src->sorted_;
  TStrings::Assign(source);
}
