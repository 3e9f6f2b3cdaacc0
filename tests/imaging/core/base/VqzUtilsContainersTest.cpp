#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace {

std::int32_t IntAt(TVQList& list, int i) {
  std::int32_t v;
  std::memcpy(&v, list.GetItem(i), 4);
  return v;
}

TEST(VQList, AddDeleteAndModifiedFlag) {
  TVQIntegerList list;
  EXPECT_EQ(list.ItemSize(), 4);
  EXPECT_EQ(list.Modified, 0);
  for (std::int32_t v : {10, 20, 30}) list.Add(&v);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Modified & 1, 1);
  list.Modified = 0;
  list.Delete(-1);
  list.Delete(3);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Modified, 0);
  list.Delete(1);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(IntAt(list, 0), 10);
  EXPECT_EQ(IntAt(list, 1), 30);
  EXPECT_EQ(list.Modified & 1, 1);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Modified, 0);
  EXPECT_EQ(list.ItemSize(), 4);
}

TEST(VQList, SetCountKeepsItemsAndZeroesNewOnes) {
  TVQRecordList list(6);
  const Byte rec[6] = {1, 2, 3, 4, 5, 6};
  list.AddRecord(rec);
  list.SetCount(3);
  EXPECT_EQ(std::memcmp(list.GetRecord(0), rec, 6), 0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list.GetRecord(2)[i], 0);
  list.SetCount(0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.SetCount(-1), EListError);
  EXPECT_THROW(list.SetCount(0x7FFFFFFF), EListError);
  EXPECT_THROW(list.GetItem(0), EListError);
  EXPECT_THROW(TVQRecordList(0), EListError);
}

TEST(VQList, AssignCopiesItemsAndRanges) {
  TVQDoubleList a;
  a.RangeLow = 1.5;
  a.RangeHigh = 9;
  a.RangeStep = 0.5;
  a.Current = 2;
  const double v = 3.25;
  a.Add(&v);
  TVQDoubleList b;
  b.Assign(&a);
  EXPECT_EQ(b.Count(), 1);
  EXPECT_EQ(*reinterpret_cast<const double*>(b.GetItem(0)), 3.25);
  EXPECT_EQ(b.RangeLow, 1.5);
  EXPECT_EQ(b.RangeStep, 0.5);
  EXPECT_EQ(b.Modified, a.Modified);
  b.Assign(nullptr);
  EXPECT_EQ(b.Count(), 1);
  b.Clear();
  EXPECT_EQ(b.RangeHigh, 0);
}

TEST(VQByteArray, GrowsInBlocksOf8192) {
  TVQByteArray bytes;
  EXPECT_EQ(bytes.Capacity(), 8192);
  const Byte* first = bytes.Data();
  for (int i = 0; i < 8192; ++i) bytes.AppendByte(static_cast<Byte>(i));
  EXPECT_EQ(bytes.Data(), first);
  EXPECT_EQ(bytes.Capacity(), 8192);
  bytes.AppendByte(0xAB);
  EXPECT_EQ(bytes.Capacity(), 8193 + 8192);
  EXPECT_EQ(bytes.Size(), 8193);
  EXPECT_EQ(bytes.Data()[8191], static_cast<Byte>(8191));
  EXPECT_EQ(bytes.Data()[8192], 0xAB);
  // Shrinking within one block keeps the block; further reallocates.
  bytes.SetSize(8193 + 8192 - 8192);
  EXPECT_EQ(bytes.Capacity(), 8193 + 8192);
  bytes.SetSize(100);
  EXPECT_EQ(bytes.Capacity(), 100 + 8192);
  EXPECT_EQ(bytes.Data()[99], 99);
  EXPECT_THROW(bytes.SetSize(-1), EOutOfMemory);
}

TEST(VQByteArray, AppendFromStreamTakesWhatTheStreamHas) {
  std::string data(40, 'x');
  TStringStream s(data);
  TVQByteArray bytes;
  bytes.AppendByte(1);
  EXPECT_EQ(bytes.AppendFromStream(&s, 100), 40);
  EXPECT_EQ(bytes.Size(), 41);
  EXPECT_EQ(bytes.Data()[40], 'x');
  // A count read from a damaged file asks for far more than is there.
  TStringStream t(std::string(10, 'y'));
  EXPECT_EQ(bytes.AppendFromStream(&t, Int64{1} << 40), 10);
  EXPECT_EQ(bytes.Size(), 51);
  EXPECT_LT(bytes.Capacity(), 1 << 21);
  // A stream that cannot tell its size is read piece by piece.
  struct Pipe : TStream {
    std::int64_t Read(void* buffer, std::int64_t count) override {
      std::memset(buffer, 'p', static_cast<std::size_t>(count));
      return count;
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t, TSeekOrigin) override { return -1; }
  } endless;
  const Int64 before = bytes.Size();
  EXPECT_EQ(bytes.AppendFromStream(&endless, 3 * 1048576 + 7), 3 * 1048576 + 7);
  EXPECT_EQ(bytes.Size(), before + 3 * 1048576 + 7);
}

TEST(Hash1, InsertsEachValueOnce) {
  THash1 set(13);
  EXPECT_EQ(set.BucketCount(), 8192);
  EXPECT_TRUE(set.Insert(0x123456));
  EXPECT_FALSE(set.Insert(0x123456));
  EXPECT_EQ(set.Count(), 1);
  // Values 8192 apart share a bucket and are both kept.
  const std::uintptr_t a = 77, b = 77 + 8192, c = 77 + 2 * 8192;
  int bucket;
  THash1Item* item;
  set.BucketData(77) = &set;
  EXPECT_TRUE(set.InsertEx(a, bucket, item));
  EXPECT_EQ(bucket, 77);
  EXPECT_EQ(item, nullptr);
  EXPECT_TRUE(set.InsertEx(b, bucket, item));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Value, b);
  EXPECT_TRUE(set.InsertEx(c, bucket, item));
  EXPECT_FALSE(set.Insert(a));
  EXPECT_FALSE(set.Insert(b));
  EXPECT_FALSE(set.Insert(c));
  EXPECT_TRUE(set.Contains(b));
  EXPECT_FALSE(set.Contains(77 + 3 * 8192));
  EXPECT_EQ(set.Count(), 4);
  EXPECT_THROW(set.BucketData(8192), EListError);
  EXPECT_THROW(set.BucketData(-1), EListError);
}

TEST(Hash1, ClampsTheBucketBits) {
  EXPECT_EQ(THash1(-3).BucketCount(), 1);
  EXPECT_EQ(THash1(40).Bits(), 24);
  THash1 one(0);
  for (std::uintptr_t v = 0; v < 100; ++v) EXPECT_TRUE(one.Insert(v * 977));
  for (std::uintptr_t v = 0; v < 100; ++v) EXPECT_FALSE(one.Insert(v * 977));
  EXPECT_EQ(one.Count(), 100);
}

class FileBuffer : public ::testing::Test {
 protected:
  void SetUp() override { savedTemp_ = TempFolder; }
  void TearDown() override { TempFolder = savedTemp_; }
  std::string savedTemp_;
};

TEST_F(FileBuffer, AllocatesATemporaryFileAndDeletesItWhenFreed) {
  TVQFileBuffer buf;
  EXPECT_FALSE(buf.IsAllocated());
  ASSERT_TRUE(buf.Allocate("", 1000));
  EXPECT_TRUE(buf.IsAllocated());
  const std::string name = buf.FileName();
  EXPECT_NE(ExtractFileName(name).find("pic"), std::string::npos);
  EXPECT_EQ(FileSize(name), 1000);
  buf.Free();
  EXPECT_FALSE(FileExists(name));
  EXPECT_FALSE(buf.IsAllocated());
}

TEST_F(FileBuffer, UsesTheConfiguredFolderCreatingItWhenMissing) {
  const std::string folder = GetTempPath() + "vqcore-tmp-" + std::to_string(::getpid()) + "/sub";
  TempFolder = folder;
  {
    TVQFileBuffer buf;
    ASSERT_TRUE(buf.Allocate("", 16));
    EXPECT_EQ(ExtractFileDir(buf.FileName()), folder);
  }
  RemoveDir(folder);
  RemoveDir(ExtractFileDir(folder));
}

TEST_F(FileBuffer, ReportsAFileThatCannotBeCreated) {
  TVQFileBuffer buf;
  EXPECT_FALSE(buf.Allocate("/nonexistent-dir/vq/file", 10));
  EXPECT_FALSE(buf.IsAllocated());
  EXPECT_FALSE(buf.Allocate("", -5));
}

TEST_F(FileBuffer, WritesBackOnlyViewsMappedForWriting) {
  TVQFileBuffer buf;
  ASSERT_TRUE(buf.Allocate("", 64));
  Byte* w = buf.MapView(vqWrite, 8, 8);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(w[i], 0);  // not read, but never garbage
  std::memset(w, 0x11, 8);
  buf.ReleaseView(w);
  Byte* r = buf.MapView(vqRead, 16, 0);
  EXPECT_EQ(r[7], 0);
  EXPECT_EQ(r[8], 0x11);
  EXPECT_EQ(r[15], 0x11);
  std::memset(r, 0x22, 16);  // read-only: dropped on release
  buf.ReleaseView(r);
  Byte* rw = buf.MapView(vqReadWrite, 16, 0);
  EXPECT_EQ(rw[0], 0);
  EXPECT_EQ(rw[8], 0x11);
  rw[0] = 0x33;
  buf.ReleaseAllViews();
  EXPECT_EQ(buf.ViewCount(), 0);
  Byte* check = buf.MapView(vqRead, 1, 0);
  EXPECT_EQ(check[0], 0x33);
  buf.ReleaseView(nullptr);  // unknown: ignored
  EXPECT_EQ(buf.ViewCount(), 1);
}

TEST_F(FileBuffer, RefusesViewsOutsideTheFile) {
  TVQFileBuffer buf;
  EXPECT_THROW(buf.MapView(vqRead, 1, 0), EReadError);
  ASSERT_TRUE(buf.Allocate("", 64));
  EXPECT_THROW(buf.MapView(vqRead, 65, 0), EReadError);
  EXPECT_THROW(buf.MapView(vqRead, 8, 60), EReadError);
  EXPECT_THROW(buf.MapView(vqRead, -1, 0), EReadError);
  EXPECT_THROW(buf.MapView(vqWrite, 1, -1), EReadError);
  EXPECT_THROW(buf.MapView(vqRead, Int64{1} << 62, Int64{1} << 62), EReadError);
  EXPECT_EQ(buf.ViewCount(), 0);
}

TEST_F(FileBuffer, CopiesARangeOrTheWholeFile) {
  TVQFileBuffer a, b;
  ASSERT_TRUE(a.Allocate("", 3 * 1048576 + 5));
  ASSERT_TRUE(b.Allocate("", 16));
  Byte* v = a.MapView(vqWrite, 3 * 1048576 + 5, 0);
  for (Int64 i = 0; i < 3 * 1048576 + 5; ++i) v[i] = static_cast<Byte>(i * 7);
  Byte* pending = b.MapView(vqWrite, 4, 0);
  std::memset(pending, 0x44, 4);
  a.CopyTo(&b, 3 * 1048576 + 5, 0);  // releases every view first
  EXPECT_EQ(a.ViewCount(), 0);
  EXPECT_EQ(b.ViewCount(), 0);
  EXPECT_EQ(b.FileSize(), 3 * 1048576 + 5);
  Byte* r = b.MapView(vqRead, 3 * 1048576 + 5, 0);
  EXPECT_EQ(r[0], 0);
  EXPECT_EQ(r[1048577], static_cast<Byte>(1048577 * 7));
  EXPECT_EQ(r[3 * 1048576 + 4], static_cast<Byte>((3 * 1048576 + 4) * 7));
  b.ReleaseAllViews();
  // A range: only those bytes change.
  TVQFileBuffer c;
  ASSERT_TRUE(c.Allocate("", 32));
  a.CopyTo(&c, 4, 10);
  Byte* cr = c.MapView(vqRead, 32, 0);
  EXPECT_EQ(cr[9], 0);
  EXPECT_EQ(cr[10], static_cast<Byte>(70));
  EXPECT_EQ(cr[13], static_cast<Byte>(91));
  EXPECT_EQ(cr[14], 0);
  EXPECT_THROW(a.CopyTo(&c, 10, 3 * 1048576), EReadError);
}

TEST_F(FileBuffer, PagesWholeRowsInAWindowAndWritesBackOnlyRowsHandedOutForWriting) {
  TVQFileBuffer buf;
  const Int64 rowLength = 100000, rows = 40;  // ten rows a window
  ASSERT_TRUE(buf.Allocate("", rowLength * rows));
  buf.SetRowLayout(rowLength, rows);
  for (Int64 y = 0; y < rows; ++y) std::memset(buf.PageRow(y, vqWrite), int(y + 1), std::size_t(rowLength));
  buf.FlushRows();
  // Walking up reads every row once, in windows that end at the row.
  for (Int64 y = rows - 1; y >= 0; --y) {
    const Byte* row = buf.PageRow(y, vqRead);
    ASSERT_EQ(row[0], Byte(y + 1));
    ASSERT_EQ(row[rowLength - 1], Byte(y + 1));
  }
  // A window loaded for writing only starts zeroed, and its rows never
  // overwrite their neighbours in the file.
  buf.DiscardRows();
  Byte* w = buf.PageRow(5, vqWrite);
  EXPECT_EQ(w[0], 0);
  w[0] = 0xEE;
  EXPECT_EQ(buf.PageRow(6, vqRead)[0], 7);  // reading reloads the window
  EXPECT_EQ(buf.PageRow(5, vqRead)[0], 0xEE);
  EXPECT_EQ(buf.PageRow(5, vqRead)[1], 0);
  // A row asked for reading only is not written back.
  buf.PageRow(20, vqRead)[0] = 0x55;
  buf.FlushRows();
  buf.DiscardRows();
  EXPECT_EQ(buf.PageRow(20, vqReadWrite)[0], 21);
  EXPECT_THROW(buf.PageRow(rows, vqRead), EReadError);
  // A copy of the file carries the rows not yet written back.
  buf.PageRow(39, vqReadWrite)[0] = 0x77;
  TVQFileBuffer copy;
  ASSERT_TRUE(copy.Allocate("", rowLength * rows));
  buf.CopyTo(&copy, rowLength * rows, 0);
  copy.SetRowLayout(rowLength, rows);
  EXPECT_EQ(copy.PageRow(39, vqRead)[0], 0x77);
  buf.Free();
  EXPECT_THROW(buf.PageRow(0, vqRead), EReadError);
}

TEST_F(FileBuffer, ReservesTheBlocksOfItsFile) {
  TVQFileBuffer buf;
  ASSERT_TRUE(buf.Allocate("", 3 << 20));
  struct stat st {};
  ASSERT_EQ(::stat(buf.FileName().c_str(), &st), 0);
  EXPECT_GE(Int64{st.st_blocks} * 512, Int64{3} << 20);
}

TEST(NulStream, CountsWithoutStoring) {
  TNulStream s;
  char buf[100];
  EXPECT_EQ(s.Write(buf, 100), 100);
  EXPECT_EQ(s.Size(), 100);
  EXPECT_EQ(s.Seek(10, soEnd), 90);  // from the end the offset is subtracted
  EXPECT_EQ(s.Size(), 100);
  EXPECT_EQ(s.Seek(200, soBeginning), 200);
  EXPECT_EQ(s.Size(), 200);
  EXPECT_EQ(s.Seek(5, soCurrent), 205);
  EXPECT_EQ(s.Size(), 205);
  EXPECT_EQ(s.Read(buf, 10), 10);
  EXPECT_EQ(s.Size(), 215);
  EXPECT_EQ(s.Seek(-1, soBeginning), -1);
  EXPECT_EQ(s.Position(), 215);
  EXPECT_EQ(s.Write(buf, -4), 0);
}

TEST(VQMemStream, ReadsTheCallersBlockAndNeverWrites) {
  Byte block[6] = {1, 2, 3, 4, 5, 6};
  TVQMemStream s(block, 6);
  Byte out[4] = {};
  EXPECT_EQ(s.Read(out, 4), 4);
  EXPECT_EQ(out[3], 4);
  EXPECT_EQ(s.Read(out, 4), 2);
  s.SetPosition(0);
  const Byte junk[3] = {9, 9, 9};
  EXPECT_EQ(s.Write(junk, 3), 0);
  s.SetSize(1);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(block[0], 1);
  EXPECT_EQ(s.Memory(), block);
}

// Takes at most `room` bytes, as a full disk does.
class ShortStream : public TMemoryStream {
 public:
  explicit ShortStream(Int64 room, bool raise = false) : room_(room), raise_(raise) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    if (raise_) throw EWriteError("disk full");
    const std::int64_t n = count < room_ ? count : room_;
    room_ -= n;
    return TMemoryStream::Write(buffer, n);
  }

 private:
  Int64 room_;
  bool raise_;
};

TEST(SafeStreamWrite, SetsTheAbortFlagOnAShortWriteOnly) {
  const char data[20] = {};
  {
    ShortStream s(10);
    bool aborting = false;
    SafeStreamWrite(&s, aborting, data, 20);
    EXPECT_TRUE(aborting);
  }
  {
    ShortStream s(20);
    bool aborting = false;
    SafeStreamWrite(&s, aborting, data, 20);
    EXPECT_FALSE(aborting);
    bool already = true;
    SafeStreamWrite(&s, already, data, 0);
    EXPECT_TRUE(already);  // left as it was
  }
  {
    ShortStream s(100, true);
    bool aborting = false;
    EXPECT_NO_THROW(SafeStreamWrite(&s, aborting, data, 5));
    EXPECT_TRUE(aborting);
  }
  {
    bool aborting = false;
    SafeStreamWrite(nullptr, aborting, data, 5);
    EXPECT_TRUE(aborting);
  }
}

TEST(SafeStreamWrite, ReportsAFullDisk) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no writable /dev/full";
  TFileStream full("/dev/full", fmOpenWrite);
  bool aborting = false;
  const char data[64] = {};
  SafeStreamWrite(&full, aborting, data, sizeof data);
  EXPECT_TRUE(aborting);
}

TEST(WriteLine, EndsTheTextWithCrLf) {
  TStringStream s;
  WriteLine(&s, "%!PS");
  WriteLine(&s, "");
  EXPECT_EQ(s.DataString(), "%!PS\r\n\r\n");
  ShortStream full(3);
  EXPECT_THROW(WriteLine(&full, "abcdef"), EWriteError);
}

}  // namespace
