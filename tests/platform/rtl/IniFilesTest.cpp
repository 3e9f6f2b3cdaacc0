#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SafeSave.h"
#include "platform/rtl/StringList.h"
#include "tests/platform/rtl/RtlTestSupport.h"

namespace {
// "中文" and "确定" in UTF-8 and code page 936.
const std::string kZhongWen = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kZhongWen936 = "\xD6\xD0\xCE\xC4";
const std::string kQueDing = "\xE7\xA1\xAE\xE5\xAE\x9A";
const std::string kQueDing936 = "\xC8\xB7\xB6\xA8";

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/lumiqa_ini_XXXXXX";
    dir_ = ::mkdtemp(tmpl);
  }
  void TearDown() override {
    SafeSaveFaults() = TSafeSaveFaults{};
    ::chmod(dir_.c_str(), 0700);
    std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  static std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Both kinds over the same file, so every reading rule is checked twice.
  static std::vector<std::unique_ptr<TCustomIniFile>> Both(const std::string& path) {
    std::vector<std::unique_ptr<TCustomIniFile>> v;
    v.push_back(std::make_unique<TIniFile>(path));
    v.push_back(std::make_unique<TMemIniFile>(path));
    return v;
  }
  std::string dir_;
};

using V = std::vector<std::string>;

const char* kEdgeFile =
    "orphan=before any section\r\n"
    "; comment line\r\n"
    "[Main] ; the main section\r\n"
    "Title = Hello World \r\n"
    "# another comment\r\n"
    "Formula=a=b+c\r\n"
    "Empty=\r\n"
    "no equals sign here\r\n"
    "  Spaced   =   x y  \r\n"
    "title=second title loses\r\n"
    "\r\n"
    "[Other]\r\n"
    "Key=other\r\n"
    "[MAIN]\r\n"
    "Title=duplicate section loses\r\n"
    "Extra=merged from the duplicate\r\n"
    "[Blank]\r\n"
    "; only a comment\r\n";
}  // namespace

TEST_F(IniTest, ReadsUtf8AndCodePage936Files) {
  std::string utf8 = Write("u.ini", "[Caption]\nOK=" + kQueDing + "\n[" + kZhongWen + "]\nName=" + kZhongWen + "\n");
  std::string gbk =
      Write("g.ini", "[Caption]\r\nOK=" + kQueDing936 + "\r\n[" + kZhongWen936 + "]\r\nName=" + kZhongWen936 + "\r\n");
  for (const std::string& path : {utf8, gbk})
    for (auto& ini : Both(path)) {
      SCOPED_TRACE(path + " " + ini->ClassName());
      EXPECT_EQ(ini->ReadString("caption", "ok", "?"), kQueDing);
      EXPECT_EQ(ini->ReadString(kZhongWen, "name", "?"), kZhongWen);
    }
}

TEST_F(IniTest, EdgeCasesOfTheFormat) {
  std::string path = Write("edge.ini", kEdgeFile);
  struct Case {
    const char* section;
    const char* key;
    const char* expected;
  } cases[] = {
      {"Main", "Title", "Hello World"},                    // trimmed, first key wins
      {"main", "FORMULA", "a=b+c"},                        // value keeps later '='
      {"Main", "Empty", ""},                               // present and empty, not the default
      {"Main", "Spaced", "x y"},                           // blanks around '=' and the value
      {"Main", "Extra", "merged from the duplicate"},       // a repeated section adds new keys
      {"Main", "no equals sign here", "<default>"},
      {"Main", "# another comment", "<default>"},
      {"", "orphan", "<default>"},                          // before any section
      {"Other", "Key", "other"},
      {"Other", "Missing", "<default>"},
      {"Missing", "Key", "<default>"},
  };
  for (auto& ini : Both(path))
    for (const Case& c : cases)
      EXPECT_EQ(ini->ReadString(c.section, c.key, "<default>"), c.expected)
          << ini->ClassName() << " [" << c.section << "] " << c.key;
}

TEST_F(IniTest, SectionListsAndExistence) {
  std::string path = Write("edge.ini", kEdgeFile);
  for (auto& ini : Both(path)) {
    SCOPED_TRACE(ini->ClassName());
    TStringList s;
    ini->ReadSections(&s);
    EXPECT_EQ(Items(s), (V{"Main", "Other", "Blank"}));
    ini->ReadSection("MAIN", &s);
    EXPECT_EQ(Items(s), (V{"Title", "Formula", "Empty", "Spaced", "Extra"}));
    ini->ReadSectionValues("main", &s);
    EXPECT_EQ(s.Values("Formula"), "a=b+c");
    EXPECT_EQ(s.Values("Title"), "Hello World");
    EXPECT_EQ(s.Count(), 5);
    EXPECT_TRUE(ini->SectionExists("other"));
    EXPECT_FALSE(ini->SectionExists("Blank"));  // a header without keys
    EXPECT_FALSE(ini->SectionExists("Nope"));
    EXPECT_TRUE(ini->ValueExists("Main", "empty"));
    EXPECT_FALSE(ini->ValueExists("Main", "Nope"));
  }
}

TEST_F(IniTest, TypedReadsFallBackToTheDefaultOnJunk) {
  std::string path = Write("t.ini",
                           "[N]\ndec=42\nneg= -7 \ndollar=$1F\nhex=0x10\njunk=12abc\nempty=\nbig=99999999999\n"
                           "t=true\nf=FALSE\nzero=0\nyes=yes\nfloat=2.5\nbadfloat=2,5\n");
  struct IntCase {
    const char* key;
    int expected;
  } ints[] = {{"dec", 42}, {"neg", -7}, {"dollar", 31}, {"hex", 16},
              {"junk", -1}, {"empty", -1}, {"big", -1}, {"missing", -1}};
  struct BoolCase {
    const char* key;
    bool def, expected;
  } bools[] = {{"dec", false, true}, {"zero", true, false}, {"t", false, true}, {"f", true, false},
               {"yes", true, true},  {"yes", false, false}, {"missing", true, true}};
  for (auto& ini : Both(path)) {
    SCOPED_TRACE(ini->ClassName());
    for (const IntCase& c : ints) EXPECT_EQ(ini->ReadInteger("n", c.key, -1), c.expected) << c.key;
    for (const BoolCase& c : bools) EXPECT_EQ(ini->ReadBool("n", c.key, c.def), c.expected) << c.key;
    EXPECT_DOUBLE_EQ(ini->ReadFloat("n", "float", 0), 2.5);
    EXPECT_DOUBLE_EQ(ini->ReadFloat("n", "badfloat", -1), -1);
  }
}

TEST_F(IniTest, MissingFilesReadAsEmptyButUnreadableOnesFail) {
  for (auto& ini : Both(Path("missing.ini"))) {
    EXPECT_EQ(ini->ReadString("S", "k", "d"), "d");
    EXPECT_FALSE(ini->SectionExists("S"));
  }
  std::string huge = Write("huge.ini", "[S]\nk=v\n");
  ASSERT_EQ(::truncate(huge.c_str(), TCustomIniFile::kMaxFileBytes + 1), 0);
  std::string longLine =
      Write("long.ini", "[S]\nk=" + std::string(TCustomIniFile::kMaxLineBytes, 'x') + "\n");
  std::string fifo = Path("fifo.ini");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {dir_, huge, longLine, fifo}) {
    SCOPED_TRACE(path);
    EXPECT_THROW(TMemIniFile{path}, EIniFileException);
    TIniFile ini(path);
    EXPECT_THROW(ini.ReadString("S", "k", "d"), EIniFileException);
    TStringList sections;
    EXPECT_THROW(ini.ReadSections(&sections), EIniFileException);
  }
  // Exactly at the limits is fine.
  std::string atLimit =
      Write("limit.ini", "[S]\nk=" + std::string(TCustomIniFile::kMaxLineBytes - 2, 'x') + "\n");
  for (auto& ini : Both(atLimit)) EXPECT_EQ(ini->ReadString("S", "k", "").size(), TCustomIniFile::kMaxLineBytes - 2);
}

// A file the writer could not read is never replaced by one holding the
// new key alone.
TEST_F(IniTest, AFileThatCannotBeReadIsNeverOverwritten) {
  std::string huge = Write("huge.ini", "[S]\nk=v\n");
  ASSERT_EQ(::truncate(huge.c_str(), TCustomIniFile::kMaxFileBytes + 1), 0);
  const std::string longBytes = "[S]\nk=" + std::string(TCustomIniFile::kMaxLineBytes + 1, 'x') + "\n";
  std::string longLine = Write("long.ini", longBytes);
  std::vector<std::string> paths = {huge, longLine};
  std::string locked;
  if (::geteuid() != 0) {  // root reads any file
    locked = Write("locked.ini", "[S]\nk=v\n");
    ASSERT_EQ(::chmod(locked.c_str(), 0200), 0);
    paths.push_back(locked);
  }
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    TIniFile ini(path);
    EXPECT_THROW(ini.WriteString("S", "new", "1"), EIniFileException);
    EXPECT_THROW(ini.DeleteKey("S", "k"), EIniFileException);
    EXPECT_THROW(ini.EraseSection("S"), EIniFileException);
  }
  struct stat st {};
  ASSERT_EQ(::stat(huge.c_str(), &st), 0);
  EXPECT_EQ(st.st_size, TCustomIniFile::kMaxFileBytes + 1);
  EXPECT_EQ(Bytes(longLine), longBytes);
  if (!locked.empty()) {
    ASSERT_EQ(::chmod(locked.c_str(), 0600), 0);
    EXPECT_EQ(Bytes(locked), "[S]\nk=v\n");
  }
}

TEST_F(IniTest, ErrorsQuoteAtMostTheStartOfAnOverLongValue) {
  const std::string value = "start" + std::string(TCustomIniFile::kMaxLineBytes, 'y');
  std::string path = Write("long.ini", "[S]\nk=" + value + "\n");
  try {
    TMemIniFile ini(path);
    ADD_FAILURE() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_NE(e.Message().find("Line 2"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("k=start"), std::string::npos);
    EXPECT_LT(e.Message().size(), 80 + 2 * path.size() + 100u);
  }
  for (auto& ini : Both(Path("w.ini"))) {
    try {
      ini->WriteString("S", "k", value);
      ini->UpdateFile();
      ADD_FAILURE() << ini->ClassName() << ": no exception";
    } catch (const EIniFileException& e) {
      EXPECT_NE(e.Message().find("k=start"), std::string::npos) << e.Message();
      EXPECT_LT(e.Message().size(), 80 + 2 * Path("w.ini").size() + 100u);
    }
  }
  EXPECT_FALSE(FileExists(Path("w.ini")));
}

// Every way a save fails leaves the file as it was, for both kinds.
TEST_F(IniTest, AFailedSaveLeavesTheFileByteForByte) {
  const std::string old = "; note\r\n[S]\r\nk=1\r\n";
  struct Case {
    const char* name;
    TSafeSaveFaults faults;
    int mode;
  } cases[] = {
      {"disk full", {0, 0, 0, 5, {}}, 0644},
      {"folder refuses new files", {EACCES, 0, 0, -1, {}}, 0644},
      {"flush fails", {0, EIO, 0, -1, {}}, 0644},
      {"read-only file", {}, 0444},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = Write("s.ini", old);
    ASSERT_EQ(::chmod(path.c_str(), mode_t(c.mode)), 0);
    SafeSaveFaults() = c.faults;
    TIniFile ini(path);
    EXPECT_THROW(ini.WriteString("S", "k", "2"), EIniFileException);
    EXPECT_THROW(ini.DeleteKey("S", "k"), EIniFileException);
    TMemIniFile mem(path);
    mem.WriteString("S", "k", "3");
    EXPECT_THROW(mem.UpdateFile(), EFCreateError);
    SafeSaveFaults() = TSafeSaveFaults{};
    EXPECT_EQ(Bytes(path), old);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    ::chmod(path.c_str(), 0644);
  }
}

TEST_F(IniTest, ANonWritableFolderFailsCleanly) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may add files to any folder; the injected case covers it";
  const std::string old = "[S]\r\nk=1\r\n";
  std::string path = Write("s.ini", old);
  ASSERT_EQ(::chmod(dir_.c_str(), 0500), 0);
  TIniFile ini(path);
  EXPECT_THROW(ini.WriteString("S", "k", "2"), EIniFileException);
  TMemIniFile mem(path);
  mem.WriteString("S", "k", "3");
  EXPECT_THROW(mem.UpdateFile(), EFCreateError);
  ASSERT_EQ(::chmod(dir_.c_str(), 0700), 0);
  EXPECT_EQ(Bytes(path), old);
}

// A write changes only its own line: every other byte, line end and
// encoding stays, and the new line takes the file's encoding.
TEST_F(IniTest, IniFileWriteKeepsEveryLineItDoesNotChange) {
  const std::string junk = "\xFF\xFF\x80";  // text in neither reading
  struct Case {
    const char* name;
    std::string before;
    std::string section, key, value;
    std::string after;
  } cases[] = {
      {"bytes of no encoding survive", "[A]\r\nbin=" + junk + "\r\nx=1\n;" + junk + "\rz=2", "A", "x", "2",
       "[A]\r\nbin=" + junk + "\r\nx=2\n;" + junk + "\rz=2"},
      {"a key added to a file without a last line end", "[A]\nbin=" + junk, "A", "y", kZhongWen,
       "[A]\nbin=" + junk + "\ny=" + kZhongWen936 + "\n"},
      {"a UTF-8 file stays UTF-8", "[A]\nname=" + kQueDing + "\n", "A", "other", kZhongWen,
       "[A]\nname=" + kQueDing + "\nother=" + kZhongWen + "\n"},
      {"a code page 936 file stays so", "[A]\r\nname=" + kQueDing936 + "\r\n", "B", "k", kZhongWen,
       "[A]\r\nname=" + kQueDing936 + "\r\n\r\n[B]\r\nk=" + kZhongWen936 + "\r\n"},
      {"what code page 936 cannot hold makes the file UTF-8", "[A]\r\nname=" + kQueDing936 + "\r\n", "A",
       "e", "\xF0\x9F\x98\x80", "[A]\r\nname=" + kQueDing + "\r\ne=\xF0\x9F\x98\x80\r\n"},
      {"a byte-order mark stays", "\xEF\xBB\xBF[A]\nk=1\n", "a", "K", "2", "\xEF\xBB\xBF[A]\nK=2\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = Write("k.ini", c.before);
    TIniFile ini(path);
    ini.WriteString(c.section, c.key, c.value);
    EXPECT_EQ(Bytes(path), c.after);
    EXPECT_EQ(ini.ReadString(c.section, c.key, ""), c.value);
  }
  // Junk bytes in a code page 936 file cannot go to UTF-8: the write fails
  // rather than lose them.
  const std::string before = "[A]\r\nname=" + kQueDing936 + junk + "\r\n";
  std::string path = Write("k.ini", before);
  TIniFile ini(path);
  EXPECT_THROW(ini.WriteString("A", "e", "\xF0\x9F\x98\x80"), EIniFileException);
  EXPECT_EQ(Bytes(path), before);
  ini.DeleteKey("A", "name");
  EXPECT_EQ(Bytes(path), "[A]\r\n");
}

TEST_F(IniTest, IniFileWritesAtOnceKeepingCommentsInCodePage936) {
  std::string path = Write("w.ini",
                           "; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n");
  TIniFile ini(path);
  ini.WriteString("a", "X", kZhongWen);      // replaces the line a read finds
  ini.WriteString("A", "z", "30");            // the key lives in the duplicate
  ini.WriteInteger("A", "new", -5);           // goes to the first occurrence
  ini.WriteBool("C", "flag", true);           // a new section at the end
  EXPECT_EQ(Bytes(path),
            "; keep me\r\n[A]\r\nX=" + kZhongWen936 + "\r\nnew=-5\r\n\r\n[B]\r\ny=2\r\n[a]\r\nz=30\r\n\r\n[C]\r\nflag=1\r\n");
  TMemIniFile check(path);
  EXPECT_EQ(check.ReadString("A", "x", ""), kZhongWen);
  EXPECT_EQ(check.ReadInteger("a", "Z", 0), 30);
  EXPECT_TRUE(check.ReadBool("c", "FLAG", false));
}

TEST_F(IniTest, IniFileReadsSeeTheFileAsItIsNow) {
  std::string path = Write("live.ini", "[S]\nk=1\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("S", "k", 0), 1);
  Write("live.ini", "[S]\nk=2\n");
  EXPECT_EQ(ini.ReadInteger("S", "k", 0), 2);
}

TEST_F(IniTest, IniFileEraseSectionAndDeleteKeyReachEveryOccurrence) {
  std::string path = Write("e.ini", "[A]\nk=1\nj=2\n[B]\nk=3\n[a]\nk=4\nm=5\n");
  TIniFile ini(path);
  ini.DeleteKey("A", "K");
  EXPECT_EQ(ini.ReadString("A", "k", "gone"), "gone");  // the duplicate does not resurface
  EXPECT_EQ(ini.ReadString("A", "m", ""), "5");
  ini.EraseSection("a");
  EXPECT_FALSE(ini.SectionExists("A"));
  EXPECT_EQ(ini.ReadString("B", "k", ""), "3");
  EXPECT_EQ(Bytes(path), "[B]\nk=3\n");  // the lines left keep their own ends
}

TEST_F(IniTest, IniFileWriteFailureRaisesAndCreatesNewFiles) {
  TIniFile bad(Path("no/such/dir.ini"));
  EXPECT_THROW(bad.WriteString("S", "k", "v"), EIniFileException);
  TIniFile fresh(Path("fresh.ini"));
  fresh.WriteString("S", "k", "v");
  EXPECT_EQ(Bytes(Path("fresh.ini")), "[S]\r\nk=v\r\n");
}

TEST_F(IniTest, LineBreaksInWrittenTextCannotAddKeys) {
  std::string path = Path("inj.ini");
  TIniFile ini(path);
  ini.WriteString("S", "k", "v\r\n[Evil]\r\nx=1");
  TMemIniFile mem("");
  mem.WriteString("S", "k", "v\r\n[Evil]\r\nx=1");
  TStringList lines;
  mem.GetStrings(&lines);
  TMemIniFile reread("");
  reread.SetStrings(&lines);
  for (const TCustomIniFile* f : {static_cast<const TCustomIniFile*>(&ini), static_cast<const TCustomIniFile*>(&reread)}) {
    EXPECT_FALSE(f->SectionExists("Evil"));
    EXPECT_EQ(f->ReadString("S", "k", ""), "v  [Evil]  x=1") << f->ClassName();
  }
}

TEST_F(IniTest, TextCodePage936CannotHoldIsWrittenAsUtf8) {
  const std::string emoji = "\xF0\x9F\x98\x80";
  std::string path = Path("emoji.ini");
  TIniFile ini(path);
  ini.WriteString("S", "k", emoji + kZhongWen);
  EXPECT_EQ(Bytes(path), "[S]\r\nk=" + emoji + kZhongWen + "\r\n");
  EXPECT_EQ(ini.ReadString("S", "k", ""), emoji + kZhongWen);
}

TEST_F(IniTest, MemIniFileWritesOnlyOnUpdateFile) {
  std::string path = Write("m.ini", "; dropped\n[S]\nk=1\n");
  TMemIniFile ini(path);
  ini.WriteString("s", "k", kQueDing);
  ini.WriteFloat("T", "f", 0.5);
  EXPECT_EQ(Bytes(path), "; dropped\n[S]\nk=1\n");
  EXPECT_EQ(ini.ReadString("S", "K", ""), kQueDing);
  ini.UpdateFile();
  EXPECT_EQ(Bytes(path), "[S]\r\nk=" + kQueDing936 + "\r\n\r\n[T]\r\nf=0.5\r\n");
  TMemIniFile bad(Path("no/dir/x.ini"));
  bad.WriteString("S", "k", "v");
  EXPECT_THROW(bad.UpdateFile(), EFCreateError);
}

TEST_F(IniTest, MemIniFileStringsEraseRenameAndClear) {
  TStringList src;
  src.SetText("[One]\nA=1\nB=2\n[Two]\nC=3\n");
  TMemIniFile ini;
  ini.SetStrings(&src);
  ini.DeleteKey("one", "a");
  ini.EraseSection("TWO");
  ini.WriteString("Three", "D", "4");
  TStringList out;
  ini.GetStrings(&out);
  EXPECT_EQ(Items(out), (V{"[One]", "B=2", "", "[Three]", "D=4"}));

  std::string path = Write("r.ini", "[R]\nk=from file\n");
  ini.Rename(path, false);
  EXPECT_EQ(ini.FileName(), path);
  EXPECT_EQ(ini.ReadString("R", "k", "none"), "none");
  ini.Rename(path, true);
  EXPECT_EQ(ini.ReadString("R", "k", "none"), "from file");
  EXPECT_FALSE(ini.SectionExists("One"));
  ini.Clear();
  ini.ReadSections(&out);
  EXPECT_EQ(out.Count(), 0);
}

TEST_F(IniTest, RewriteKeepsSymbolicLinksAndPermissions) {
  std::string real = Write("real.ini", "[S]\r\nk=1\r\n");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  std::string link = Path("link.ini");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  TIniFile ini(link);
  ini.WriteString("S", "k", "2");
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(Bytes(real), "[S]\r\nk=2\r\n");
}
