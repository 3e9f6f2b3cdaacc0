#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {
// A fresh file name in a private folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/lumiqa_streams_XXXXXX";
    dir_ = ::mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

std::string ReadAll(TStream& s) {
  std::string out(static_cast<std::size_t>(s.Size()), '\0');
  s.SetPosition(0);
  s.ReadBuffer(out.data(), static_cast<std::int64_t>(out.size()));
  return out;
}
}  // namespace

TEST(MemoryStream, WritePastEndGrowsAndZeroFillsTheGap) {
  TMemoryStream m;
  m.WriteBuffer("ab", 2);
  EXPECT_EQ(m.Seek(10, soBeginning), 10);
  EXPECT_EQ(m.Size(), 2);  // seeking alone does not grow
  m.WriteBuffer("z", 1);
  ASSERT_EQ(m.Size(), 11);
  std::string data(static_cast<const char*>(m.Memory()), 11);
  EXPECT_EQ(data, std::string("ab") + std::string(8, '\0') + "z");
  EXPECT_EQ(m.Position(), 11);
}

TEST(MemoryStream, GrowsAcrossManySmallWritesKeepingContent) {
  TMemoryStream m;
  for (int i = 0; i < 100000; ++i) {
    unsigned char b = static_cast<unsigned char>(i * 7);
    ASSERT_EQ(m.Write(&b, 1), 1);
  }
  ASSERT_EQ(m.Size(), 100000);
  EXPECT_GE(m.Capacity(), m.Size());
  auto* p = static_cast<const unsigned char*>(m.Memory());
  for (int i = 0; i < 100000; i += 997) ASSERT_EQ(p[i], static_cast<unsigned char>(i * 7)) << i;
}

TEST(MemoryStream, SeekOriginsAndInvalidTargets) {
  TStringStream s("0123456789");
  struct Case {
    std::int64_t start, offset;
    TSeekOrigin origin;
    std::int64_t expected;  // -1: refused, position unchanged
  } cases[] = {
      {0, 3, soBeginning, 3}, {5, 2, soCurrent, 7},  {5, -5, soCurrent, 0},  {0, -3, soEnd, 7},
      {0, 4, soEnd, 14},      {4, -5, soCurrent, -1}, {0, -11, soEnd, -1},  {3, INT64_MAX, soCurrent, -1},
  };
  for (const Case& c : cases) {
    s.SetPosition(c.start);
    EXPECT_EQ(s.Seek(c.offset, c.origin), c.expected) << c.start << " " << c.offset;
    EXPECT_EQ(s.Position(), c.expected < 0 ? c.start : c.expected);
  }
}

TEST(MemoryStream, ReadAtOrBeyondEndAndNegativeCountsMoveNothing) {
  TStringStream s("abc");
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, -1), 0);
  EXPECT_EQ(s.Write(buf, -5), 0);
  s.SetPosition(2);
  EXPECT_EQ(s.Read(buf, 8), 1);
  EXPECT_EQ(buf[0], 'c');
  EXPECT_EQ(s.Read(buf, 8), 0);
  s.SetPosition(100);
  EXPECT_EQ(s.Read(buf, 8), 0);
  EXPECT_EQ(s.Size(), 3);
}

TEST(MemoryStream, ShortReadBufferRaisesReadError) {
  TStringStream s("abc");
  char buf[4];
  s.SetPosition(1);
  EXPECT_THROW(s.ReadBuffer(buf, 3), EReadError);
  try {
    s.SetPosition(0);
    s.ReadBuffer(buf, 4);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
}

TEST(MemoryStream, SetSizeTruncatesClampsPositionAndZeroExtends) {
  TStringStream s("abcdef");
  s.SetPosition(5);
  s.SetSize(3);
  EXPECT_EQ(s.Position(), 3);
  EXPECT_EQ(s.DataString(), "abc");
  s.SetSize(5);
  EXPECT_EQ(s.DataString(), std::string("abc\0\0", 5));
  EXPECT_THROW(s.SetSize(-1), EStreamError);
  EXPECT_THROW(s.SetSize(TMemoryStream::kMaxSize + 1), EStreamError);
  EXPECT_EQ(s.Size(), 5);
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
}

TEST(MemoryStream, CopyFromWholeAndPart) {
  TStringStream src("hello world");
  TMemoryStream dst;
  src.SetPosition(6);
  EXPECT_EQ(dst.CopyFrom(&src, 0), 11);  // 0: all of it, from the start
  EXPECT_EQ(ReadAll(dst), "hello world");
  TMemoryStream part;
  src.SetPosition(6);
  EXPECT_EQ(part.CopyFrom(&src, 5), 5);
  EXPECT_EQ(ReadAll(part), "world");
  src.SetPosition(8);
  EXPECT_THROW(part.CopyFrom(&src, 5), EReadError);
}

TEST(MemoryStream, ReadOnlyViewOverForeignMemory) {
  // The shape of a read-only view: the base writes nothing and SetSize is a no-op.
  struct View : TCustomMemoryStream {
    View(void* p, std::int64_t n) { SetPointer(p, n); }
  };
  char data[] = "xyz";
  View v(data, 3);
  EXPECT_EQ(v.Write("a", 1), 0);
  EXPECT_THROW(v.WriteBuffer("a", 1), EWriteError);
  v.SetSize(0);
  EXPECT_EQ(v.Size(), 3);
  EXPECT_EQ(ReadAll(v), "xyz");
}

TEST(FileStream, CreateWriteReopenReadAndFileRoundTrip) {
  TempDir dir;
  std::string name = dir.Path("a.bin");
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("hello", 5);
    EXPECT_EQ(f.Size(), 5);
  }
  {
    TFileStream f(name, fmOpenReadWrite);
    f.Seek(0, soEnd);
    f.WriteBuffer("!", 1);
    f.SetSize(3);
    EXPECT_EQ(f.Position(), 3);
  }
  TMemoryStream m;
  m.LoadFromFile(name);
  EXPECT_EQ(ReadAll(m), "hel");
  m.SaveToFile(dir.Path("b.bin"));
  TFileStream g(dir.Path("b.bin"), fmOpenRead);
  EXPECT_EQ(ReadAll(g), "hel");
  char c;
  EXPECT_EQ(g.Write("x", 1), 0);  // opened for reading
  EXPECT_EQ(g.Read(&c, 1), 0);
}

TEST(FileStream, OpenErrorsNameTheFile) {
  TempDir dir;
  std::string missing = dir.Path("missing.txt");
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message().rfind("Cannot open file \"" + missing + "\". ", 0), 0u) << e.Message();
  }
  EXPECT_THROW(TFileStream(dir.Path("no/such/dir.txt"), fmCreate), EFCreateError);
  // A folder opens fine at the OS level but is no file to stream.
  EXPECT_THROW(TFileStream(dir.Path(""), fmOpenRead), EFOpenError);
}

TEST(FileStream, FullDeviceReportsShortWrite) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  TFileStream f("/dev/full", fmOpenWrite);
  EXPECT_EQ(f.Write("abc", 3), 0);
  EXPECT_THROW(f.WriteBuffer("abc", 3), EWriteError);
}

TEST(FileStream, ReadsAndWritesAtAnOffsetLeavingThePosition) {
  TempDir dir;
  TFileStream f(dir.Path("at.bin"), fmCreate);
  f.WriteBuffer("0123456789", 10);
  f.SetPosition(3);
  f.WriteBufferAt("ab", 2, 8);
  f.WriteBufferAt("xyz", 3, 12);  // past the end: the gap reads as zeros
  EXPECT_EQ(f.Position(), 3);
  char got[4] = {};
  f.ReadBufferAt(got, 4, 7);
  EXPECT_EQ(std::string(got, 4), std::string("7ab\0", 4));
  EXPECT_EQ(f.Position(), 3);
  EXPECT_EQ(f.Size(), 15);
  f.WriteBufferAt("q", 0, 0);  // nothing
  try {
    f.ReadBufferAt(got, 4, 13);
    FAIL();
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find("past the end"), std::string::npos) << e.what();
  }
  EXPECT_THROW(f.ReadBufferAt(got, 1, -1), EReadError);
  EXPECT_THROW(f.WriteBufferAt(got, 1, -1), EWriteError);
}

TEST(FileStream, APositionedWriteTheSystemRefusesNamesTheReason) {
  TempDir dir;
  TFileStream f(dir.Path("limit.bin"), fmCreate);
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  void (*old)(int) = ::signal(SIGXFSZ, SIG_IGN);
  struct rlimit tiny = saved;
  tiny.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tiny), 0);
  std::string message;
  try {
    f.WriteBufferAt("x", 1, 200);
  } catch (const EWriteError& e) {
    message = e.what();
  }
  bool reserved = true;
  try {
    f.Reserve(1000);
  } catch (const EStreamError&) {
    reserved = false;
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, old);
  EXPECT_NE(message.find("File too large"), std::string::npos) << message;
  EXPECT_FALSE(reserved);
}

TEST(FileStream, ReserveGivesTheFileItsBlocks) {
  TempDir dir;
  TFileStream f(dir.Path("room.bin"), fmCreate);
  f.Reserve(1 << 20);
  EXPECT_EQ(f.Size(), 1 << 20);
  struct stat st {};
  ASSERT_EQ(::fstat(f.Handle(), &st), 0);
  EXPECT_GE(std::int64_t{st.st_blocks} * 512, std::int64_t{1} << 20);
  char zero[8] = {1, 1, 1, 1, 1, 1, 1, 1};
  f.ReadBufferAt(zero, 8, (1 << 20) - 8);
  for (char c : zero) EXPECT_EQ(c, 0);
  f.Reserve(0);
  EXPECT_THROW(f.Reserve(-1), EStreamError);
}

TEST(FileStream, ShareFlagsAsAdvisoryLocks) {
  TempDir dir;
  std::string name = dir.Path("locked.txt");
  { TFileStream f(name, fmCreate); }
  struct Case {
    unsigned first, second;
    bool secondOpens;
  } cases[] = {
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenReadWrite | fmShareExclusive, false},
      {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyWrite, false},
      {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyNone, true},
      {fmOpenRead | fmShareDenyRead, fmOpenRead | fmShareDenyRead, false},
      {fmOpenRead | fmShareDenyNone, fmOpenRead | fmShareExclusive, true},
  };
  for (const Case& c : cases) {
    TFileStream first(name, c.first);
    bool opened = true;
    try {
      TFileStream second(name, c.second);
    } catch (const EFOpenError&) {
      opened = false;
    }
    EXPECT_EQ(opened, c.secondOpens) << std::hex << c.first << " then " << c.second;
  }
}

TEST(HandleStream, PipeReadsPartsAndCannotSeek) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  THandleStream r(fds[0]), w(fds[1]);
  w.WriteBuffer("abcdef", 6);
  ::close(fds[1]);
  EXPECT_EQ(r.Seek(0, soCurrent), -1);
  char buf[6];
  r.ReadBuffer(buf, 4);
  EXPECT_EQ(std::string(buf, 4), "abcd");
  EXPECT_THROW(r.ReadBuffer(buf, 4), EReadError);  // only two left
  ::close(fds[0]);
}

TEST(ResourceStream, ReadsTheEmbeddedSelfTest) {
  TResourceStream r("lumiqaselftest", "rcdata");
  EXPECT_EQ(ReadAll(r), "Lumiqa resource check\n");
  EXPECT_THROW(r.Write("x", 1), EStreamError);
  EXPECT_EQ(ReadAll(r), "Lumiqa resource check\n");
}

TEST(ResourceStream, MissingResourceRaisesResNotFound) {
  try {
    TResourceStream r("NoSuchThing", "RCDATA");
    FAIL();
  } catch (const EResNotFound& e) {
    EXPECT_EQ(e.Message(), "Resource NoSuchThing not found");
  }
}
