#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "tests/platform/rtl/RtlTestSupport.h"

namespace {
using V = std::vector<std::string>;

class CountedObject : public TObject {
 public:
  explicit CountedObject(int& alive) : alive_(alive) { ++alive_; }
  ~CountedObject() override { --alive_; }

 private:
  int& alive_;
};
}  // namespace

TEST(StringList, SortedInsertsInOrderAndFindsFirstEqual) {
  TStringList s;
  s.SetSorted(true);
  s.Duplicates = dupAccept;
  for (const char* t : {"pear", "Apple", "fig", "apple", "Banana"}) s.Add(t);
  // An accepted duplicate goes before its equals.
  EXPECT_EQ(Items(s), (V{"apple", "Apple", "Banana", "fig", "pear"}));
  int index = -1;
  EXPECT_TRUE(s.Find("APPLE", index));
  EXPECT_EQ(index, 0);
  EXPECT_FALSE(s.Find("cherry", index));
  EXPECT_EQ(index, 3);
  EXPECT_EQ(s.IndexOf("FIG"), 3);
  EXPECT_THROW(s.Insert(0, "x"), EStringListError);
  EXPECT_THROW(s.Put(0, "x"), EStringListError);
}

TEST(StringList, DuplicatesRulesOnSortedList) {
  TStringList s;
  s.SetSorted(true);
  s.Add("b");
  s.Add("a");
  s.Duplicates = dupIgnore;
  EXPECT_EQ(s.Add("B"), 1);
  EXPECT_EQ(s.Count(), 2);
  s.Duplicates = dupError;
  try {
    s.Add("A");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  s.SetCaseSensitive(true);
  EXPECT_NO_THROW(s.Add("A"));
  EXPECT_EQ(Items(s), (V{"A", "a", "b"}));
}

TEST(StringList, CaseSensitiveSwitchResortsAndChangesLookup) {
  TStringList s;
  s.Add("b");
  s.Add("B");
  s.Add("a");
  EXPECT_EQ(s.IndexOf("A"), 2);
  s.SetCaseSensitive(true);
  EXPECT_EQ(s.IndexOf("A"), -1);
  s.SetSorted(true);
  EXPECT_EQ(Items(s), (V{"B", "a", "b"}));
}

TEST(StringList, NamesValuesAndValueFromIndex) {
  TStringList s;
  s.SetText("Width=10\r\nTitle=a=b\nplain\nEmpty=\n");
  EXPECT_EQ(s.Names(0), "Width");
  EXPECT_EQ(s.Names(2), "");
  EXPECT_EQ(s.Values("WIDTH"), "10");
  EXPECT_EQ(s.Values("title"), "a=b");  // split at the first '='
  EXPECT_EQ(s.ValueFromIndex(1), "a=b");
  EXPECT_EQ(s.Values("missing"), "");
  EXPECT_EQ(s.IndexOfName("empty"), 3);
  s.SetValue("width", "20");
  EXPECT_EQ(s[0], "width=20");
  s.SetValue("New", "x");
  EXPECT_EQ(s[4], "New=x");
  s.SetValue("Title", "");  // an empty value deletes the line
  EXPECT_EQ(Items(s), (V{"width=20", "plain", "Empty=", "New=x"}));
  s.NameValueSeparator = ':';
  s.Add("k:v");
  EXPECT_EQ(s.Values("K"), "v");
}

TEST(StringList, TextSplitsEveryLineBreakAndJoinsWithCrLf) {
  struct Case {
    std::string text;
    V lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\n", {"a"}},
      {"a\n\nb\r\r\n", {"a", "", "b", ""}},
      {"\n", {""}},
      {"\r\n\r\n", {"", ""}},
  };
  TStringList s;
  for (const Case& c : cases) {
    s.SetText(c.text);
    EXPECT_EQ(Items(s), c.lines) << c.text;
  }
  s.SetText("a\nb");
  EXPECT_EQ(s.Text(), "a\r\nb\r\n");
  s.LineBreak = "\n";
  EXPECT_EQ(s.Text(), "a\nb\n");
}

TEST(StringList, CommaTextQuotesAndSplits) {
  struct Case {
    std::string text;
    V items;
  } cases[] = {
      {"a,b,c", {"a", "b", "c"}},
      {"  a , b ", {"a", "b"}},
      {"a b,c", {"a", "b", "c"}},
      {"\"a b\",\"x\"\"y\",", {"a b", "x\"y", ""}},
      {"\"unclosed, text", {"unclosed, text"}},
      {"a,,b", {"a", "", "b"}},
      {"\"\"", {""}},
      {"", {}},
  };
  TStringList s;
  for (const Case& c : cases) {
    s.SetCommaText(c.text);
    EXPECT_EQ(Items(s), c.items) << c.text;
  }
  s.Clear();
  for (const char* t : {"plain", "two words", "q\"uote", "", "c,d"}) s.Add(t);
  EXPECT_EQ(s.CommaText(), "plain,\"two words\",\"q\"\"uote\",,\"c,d\"");
  TStringList back;
  back.SetCommaText(s.CommaText());
  EXPECT_TRUE(back.Equals(&s));
  s.Clear();
  s.Add("");
  EXPECT_EQ(s.CommaText(), "\"\"");
}

TEST(StringList, DelimitedTextStrictKeepsBlanks) {
  TStringList s;
  s.Delimiter = ';';
  s.QuoteChar = '\'';
  s.SetDelimitedText("a b;'c;d' ;e");
  EXPECT_EQ(Items(s), (V{"a", "b", "c;d", "e"}));
  s.StrictDelimiter = true;
  s.SetDelimitedText(" a b;'c;d';e ;");
  EXPECT_EQ(Items(s), (V{" a b", "c;d", "e ", ""}));
  EXPECT_EQ(s.DelimitedText(), " a b;'c;d';e ;");
}

TEST(StringList, ChangeEventsFireOncePerUpdate) {
  TStringList s;
  std::string log;
  s.OnChanging = [&](TObject*) { log += "<"; };
  s.OnChange = [&](TObject*) { log += ">"; };
  s.Add("a");
  EXPECT_EQ(log, "<>");
  log.clear();
  s.BeginUpdate();
  s.Add("b");
  s.BeginUpdate();
  s.Delete(0);
  s.EndUpdate();
  s.Add("c");
  EXPECT_EQ(log, "<");
  s.EndUpdate();
  EXPECT_EQ(log, "<>");
  log.clear();
  s.BeginUpdate();
  s.EndUpdate();  // nothing changed: nothing reported
  EXPECT_EQ(log, "");
  s.SetText("x\ny\nz");
  EXPECT_EQ(log, "<>");
}

TEST(StringList, ObjectsFollowTheirStringsAndOwnedOnesAreFreed) {
  int alive = 0;
  {
    TStringList s;
    s.OwnsObjects = true;
    s.AddObject("b", new CountedObject(alive));
    s.AddObject("a", new CountedObject(alive));
    s.AddObject("c", new CountedObject(alive));
    TObject* a = s.Objects(1);
    s.SetSorted(true);
    EXPECT_EQ(s.Objects(0), a);
    EXPECT_EQ(s.IndexOfObject(a), 0);
    s.Delete(0);
    EXPECT_EQ(alive, 2);
  }
  EXPECT_EQ(alive, 0);
}

TEST(StringList, AssignCopiesSortRulesAndAddStringsCopiesSelf) {
  TStringList src;
  src.SetSorted(true);
  src.Duplicates = dupError;
  src.Add("b");
  src.Add("a");
  TStringList dst;
  dst.Add("junk");
  dst.Assign(&src);
  EXPECT_EQ(Items(dst), (V{"a", "b"}));
  EXPECT_TRUE(dst.Sorted());
  EXPECT_THROW(dst.Add("A"), EStringListError);
  TStringList self;
  self.Add("x");
  self.AddStrings(&self);
  EXPECT_EQ(Items(self), (V{"x", "x"}));
  TStringList other;
  other.Add("X");
  EXPECT_FALSE(other.Equals(&self));
}

TEST(StringList, CustomSortByIndexCompare) {
  TStringList s;
  for (const char* t : {"ccc", "a", "bb", "dd"}) s.Add(t);
  s.CustomSort([](TStringList* l, int a, int b) {
    return static_cast<int>(l->Strings(a).size()) - static_cast<int>(l->Strings(b).size());
  });
  EXPECT_EQ(Items(s), (V{"a", "bb", "dd", "ccc"}));
  s.Exchange(0, 3);
  EXPECT_EQ(Items(s), (V{"ccc", "bb", "dd", "a"}));
  s.Move(0, 2);
  EXPECT_EQ(Items(s), (V{"bb", "dd", "ccc", "a"}));
}

TEST(StringList, LoadDecodesUtf8OrCp936AndSaveWritesEither) {
  // "中文" in UTF-8 and in code page 936.
  const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87";
  const std::string gbk = "\xD6\xD0\xCE\xC4";
  struct Case {
    std::string bytes;
    V lines;
  } cases[] = {
      {"k=" + utf8 + "\r\nx\n", {"k=" + utf8, "x"}},
      {"\xEF\xBB\xBFk=" + utf8 + "\n", {"k=" + utf8}},
      {"k=" + gbk + "\r\nx\r\n", {"k=" + utf8, "x"}},
  };
  TStringList s;
  for (const Case& c : cases) {
    TStringStream in(c.bytes);
    s.LoadFromStream(&in);
    EXPECT_EQ(Items(s), c.lines);
  }
  TStringStream out8, out936;
  s.SaveToStream(&out8);
  s.SaveToStream(&out936, seCP936);
  EXPECT_EQ(out8.DataString(), "k=" + utf8 + "\r\nx\r\n");
  EXPECT_EQ(out936.DataString(), "k=" + gbk + "\r\nx\r\n");
}

TEST(StringList, LoadFromStreamReadsFromThePositionAndFileRoundTrips) {
  TStringStream in("skip\nkeep\n");
  in.SetPosition(5);
  TStringList s;
  s.LoadFromStream(&in);
  EXPECT_EQ(Items(s), (V{"keep"}));
  char tmpl[] = "/tmp/lumiqa_sl_XXXXXX";
  int fd = ::mkstemp(tmpl);
  ASSERT_GE(fd, 0);
  ::close(fd);
  s.Add("two");
  s.SaveToFile(tmpl);
  TStringList back;
  back.LoadFromFile(tmpl);
  EXPECT_TRUE(back.Equals(&s));
  ::unlink(tmpl);
  EXPECT_THROW(back.LoadFromFile(tmpl), EFOpenError);
  EXPECT_TRUE(back.Equals(&s));  // a failed load leaves the list alone
}

TEST(StringList, IndexErrorsRaise) {
  TStringList s;
  s.Add("a");
  EXPECT_THROW(s.Strings(1), EStringListError);
  EXPECT_THROW(s.Objects(-1), EStringListError);
  EXPECT_THROW(s.Delete(1), EStringListError);
  EXPECT_THROW(s.Insert(2, "x"), EStringListError);
  EXPECT_THROW(s.Exchange(0, 1), EListError);
}

TEST(StringList, LoadFromPipeReadsToTheEnd) {
  // A pipe has no size or position; the whole text must still arrive.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  THandleStream w(fds[1]);
  w.WriteBuffer("one\ntwo\nthree", 13);
  ::close(fds[1]);
  THandleStream r(fds[0]);
  TStringList s;
  s.LoadFromStream(&r);
  ::close(fds[0]);
  EXPECT_EQ(Items(s), (V{"one", "two", "three"}));
}
