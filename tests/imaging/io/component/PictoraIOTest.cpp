// The I/O component with fake filters in the built-in slots: dispatch by
// name, type and content, the abort and progress contract, cancellation,
// threaded loads and saves with their events, safe saves and stream
// headers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/metadata/vqzutils_metadata.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Picture.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/rtl/Streams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The fake format: an 18-byte header a TGA test accepts (type 2, 24 bits,
// width at 12, height at 14), then the rows top first, 3 bytes a pixel.
Bytes FakeFile(int w, int h, int rowsPresent = -1) {
  Bytes b(18, 0);
  b[2] = 2;
  b[12] = std::uint8_t(w);
  b[14] = std::uint8_t(h);
  b[16] = 24;
  if (rowsPresent < 0) rowsPresent = h;
  for (int y = 0; y < rowsPresent; ++y)
    for (int x = 0; x < w * 3; ++x) b.push_back(std::uint8_t(10 * (y + 1) + x));
  return b;
}

struct TFakeLog {
  std::vector<int> loadTypes, saveTypes;
  std::vector<DWORD> filterThreads;
  int paramsOnlyCalls = 0;
  bool raise = false;
  bool waitInFilter = false;
  bool sawIOThread = false;
  bool saveAborts = false;
  bool withMask = false;
  std::vector<Byte> app13;  // a marker the reader "finds"
};
TFakeLog gFakeLog;
TPictoraIO* gFakeIO = nullptr;

void FakeLoad(int type, TStream& s, TVQBitmap* image, TIOParamsVals* params, TVQFilterLoadArgs& args,
              TVQProgressRec& progress) {
  gFakeLog.loadTypes.push_back(type);
  gFakeLog.filterThreads.push_back(GetCurrentThreadId());
  if (gFakeIO) gFakeLog.sawIOThread = gFakeIO->IsIOThread();
  if (gFakeLog.waitInFilter && gFakeIO) gFakeIO->WaitThreads(false);  // must not wait for itself
  if (gFakeLog.raise) throw Exception("filter failed");
  Byte h[18];
  if (!ReadExact(&s, h, 18) || h[2] != 2) {
    *progress.Aborting = true;
    return;
  }
  const int w = h[12], rows = h[14];
  if (!gFakeLog.app13.empty()) params->JpegMarkers->AddMarker(237, gFakeLog.app13.data(), int(gFakeLog.app13.size()));
  params->Width = w;
  params->Height = rows;
  // Bytes 8 and 9 (an x origin in a real header) carry resolutions here.
  if (h[8]) params->SetDpiX(h[8]);
  if (h[9]) params->SetDpiY(h[9]);
  if (args.ParamsOnly) {
    ++gFakeLog.paramsOnlyCalls;
    return;
  }
  image->Allocate(w, rows, vqRGB24);
  progress.Per = 100.0 / rows;
  progress.Val = 0;
  for (int y = 0; y < rows; ++y) {
    if (!ReadExact(&s, image->GetScanline(y), w * 3)) {
      *progress.Aborting = true;
      return;
    }
    progress.Val += 1;
    ReportProgress(&progress, int(progress.Val * progress.Per));
    if (*progress.Aborting) return;
  }
  if (gFakeLog.withMask) {
    args.Mask = std::make_unique<TVQMask>();
    args.Mask->AllocateBits(w, rows, 8);
  }
  // One image in the file, as a multi-image reader reports it.
  args.ImageCount = 1;
}

void FakeSave(int type, TStream& s, TVQBitmap* image, TIOParamsVals*, TVQFilterSaveArgs&, TVQProgressRec& progress) {
  gFakeLog.saveTypes.push_back(type);
  gFakeLog.filterThreads.push_back(GetCurrentThreadId());
  Bytes b = FakeFile(image->GetWidth(), image->GetHeight(), 0);
  s.WriteBuffer(b.data(), std::int64_t(b.size()));
  for (int y = 0; y < image->GetHeight(); ++y) {
    s.WriteBuffer(image->GetScanline(y), std::min(image->GetWidth() * 3, image->GetRowLength()));
    if (gFakeLog.saveAborts && y == 0) {
      *progress.Aborting = true;
      return;
    }
  }
}

template <int T>
void FakeLoadT(TStream& s, TVQBitmap* i, TIOParamsVals* p, TVQFilterLoadArgs& a, TVQProgressRec& r) {
  FakeLoad(T, s, i, p, a, r);
}
template <int T>
void FakeSaveT(TStream& s, TVQBitmap* i, TIOParamsVals* p, TVQFilterSaveArgs& a, TVQProgressRec& r) {
  FakeSave(T, s, i, p, a, r);
}

template <int... T>
void InstallFakes(std::integer_sequence<int, T...>) {
  (SetBuiltInFilter(T + 1, FakeLoadT<T + 1>, FakeSaveT<T + 1>), ...);
}

void ClearFilterSlots() {
  for (int t = 1; t <= ioDCX; ++t) SetBuiltInFilter(t, nullptr, nullptr);
}

class IOComponent : public ::testing::Test {
 protected:
  void SetUp() override {
    StartImagingLibrary();
    // A fresh registry: other suites change its rows, and one test here
    // adds a row.
    RegisterBuiltInFormats();
    gFakeLog = TFakeLog();
    gFakeIO = nullptr;
    InstallFakes(std::make_integer_sequence<int, ioDCX>());
    char pattern[] = "/tmp/lumiqa_iotest_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    RegisterBuiltInFormats();
    ClearFilterSlots();
    gFakeIO = nullptr;
    IODebugSink = nullptr;
    for (const std::string& f : files_) unlink(f.c_str());
    rmdir(dir_.c_str());
    EndImagingLibrary();
  }
  std::string Write(const std::string& name, const Bytes& bytes) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
    files_.push_back(path);
    return path;
  }
  std::string Path(const std::string& name) {
    files_.push_back(dir_ + "/" + name);
    return dir_ + "/" + name;
  }
  static Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir_;
  std::vector<std::string> files_;
};

// Records every event with the thread it ran on.
struct TEventLog {
  std::vector<int> progress;
  int finished = 0;
  bool allOnMain = true;
  void Attach(TPictoraIO& io) {
    io.OnProgress = [this](TObject*, int per) {
      progress.push_back(per);
      allOnMain = allOnMain && IsMainThread();
    };
    io.OnFinishWork = [this](TObject*) {
      ++finished;
      allOnMain = allOnMain && IsMainThread();
    };
  }
};

struct TLoadDispatch {
  const char* name;
  int filterType;  // 0: no filter runs
  bool aborted;
};

TEST_F(IOComponent, LoadFromFileChoosesTheFilterByTheExtensionInLowerCase) {
  const std::vector<TLoadDispatch> cases = {
      {"a.JPG", ioJPEG, false},   {"b.jpe", ioJPEG, false},   {"c.Tif", ioTIFF, false}, {"d.g3f", ioTIFF, false},
      {"e.png", ioPNG, false},    {"f.pcx", ioPCX, false},    {"g.dcx", ioDCX, false},  {"h.gif", ioGIF, false},
      {"i.bmp", ioBMP, false},    {"j.rle", ioBMP, false},    {"k.cur", ioCUR, false},  {"l.ico", ioICO, false},
      {"m.targa", ioTGA, false},  {"n.win", ioTGA, false},    {"o.pgm", ioPXM, false},  {"p.wbmp", ioWBMP, false},
      {"q.jp2", ioJP2, false},    {"r.j2c", ioJ2K, false},    {"s.wmf", ioWMF, false},  {"t.emf", ioEMF, false},
      // The registry's TGA row only marks the type: nothing can read it.
      {"u.pix", 0, true},         {"v.xyz", 0, true},         {"w.avi", 0, true},
  };
  for (const TLoadDispatch& c : cases) {
    SCOPED_TRACE(c.name);
    gFakeLog.loadTypes.clear();
    const std::string path = Write(c.name, FakeFile(2, 2));
    TPictoraIO io(nullptr);
    TEventLog events;
    events.Attach(io);
    io.LoadFromFile(path);
    EXPECT_EQ(io.Aborting, c.aborted);
    EXPECT_EQ(events.finished, 1);
    if (c.filterType) {
      ASSERT_EQ(gFakeLog.loadTypes, std::vector<int>{c.filterType});
      EXPECT_EQ(io.Parameters()->FileType, c.filterType);
      EXPECT_EQ(io.Parameters()->FileName, path);
      EXPECT_EQ(io.Image()->GetWidth(), 2);
    } else {
      EXPECT_TRUE(gFakeLog.loadTypes.empty());
      EXPECT_EQ(io.Parameters()->FileType, ioUnknown);
    }
  }
}

TEST_F(IOComponent, AnAddressOrAnEmptyNameIsRefusedThroughTheAbortFlag) {
  for (const char* name : {"", "HTTP://example.org/a.jpg", "http://x/y.png"}) {
    TPictoraIO io(nullptr);
    TEventLog events;
    events.Attach(io);
    io.LoadFromFile(name);
    EXPECT_TRUE(io.Aborting) << name;
    EXPECT_EQ(events.finished, 1) << name;
  }
  EXPECT_TRUE(gFakeLog.loadTypes.empty());
}

TEST_F(IOComponent, AFormatWithoutItsFilterFailsThroughTheAbortFlag) {
  ClearFilterSlots();
  const std::string path = Write("a.tga", FakeFile(2, 2));
  TPictoraIO io(nullptr);
  TEventLog events;
  events.Attach(io);
  EXPECT_NO_THROW(io.LoadFromFile(path));
  EXPECT_TRUE(io.Aborting);
  EXPECT_EQ(events.finished, 1);
  EXPECT_EQ(io.Parameters()->FileType, ioUnknown);
  io.Image()->Allocate(2, 2, vqRGB24);
  const std::string out = Path("out.tga");
  EXPECT_NO_THROW(io.SaveToFile(out));
  EXPECT_TRUE(io.Aborting);
  EXPECT_FALSE(FileExists(out));
}

struct TSaveDispatch {
  const char* name;
  int filterType;
};

TEST_F(IOComponent, SaveToFileChoosesTheWriterByTheExtension) {
  const std::vector<TSaveDispatch> cases = {
      {"a.jpeg", ioJPEG}, {"b.ps", ioPS},     {"c.EPS", ioPS},   {"d.pdf", ioPDF}, {"e.tiff", ioTIFF},
      {"f.wbmp", ioWBMP}, {"g.vda", ioTGA},   {"h.ppm", ioPXM},  {"i.j2k", ioJ2K}, {"j.ico", ioICO},
      {"k.dib", ioBMP},   {"l.pix", 0},       {"m.cur", 0},      {"n.xyz", 0},
  };
  for (const TSaveDispatch& c : cases) {
    SCOPED_TRACE(c.name);
    gFakeLog.saveTypes.clear();
    TPictoraIO io(nullptr);
    io.Image()->Allocate(2, 1, vqRGB24);
    const std::string path = Path(c.name);
    io.SaveToFile(path);
    if (c.filterType) {
      EXPECT_FALSE(io.Aborting);
      EXPECT_EQ(gFakeLog.saveTypes, std::vector<int>{c.filterType});
      EXPECT_EQ(Read(path).size(), 18u + 6u);
    } else {
      // No routine: nothing is written, not even an empty file.
      EXPECT_TRUE(io.Aborting);
      EXPECT_TRUE(gFakeLog.saveTypes.empty());
      EXPECT_FALSE(FileExists(path));
    }
  }
}

TEST_F(IOComponent, LoadFromStreamChoosesTheFilterByContent) {
  struct TContentCase {
    Bytes bytes;
    int filterType;
  };
  Bytes bmp = {'B', 'M'};
  bmp.resize(40, 0);
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  png.resize(40, 0);
  Bytes gif = {'G', 'I', 'F', '8', '9', 'a'};
  gif.resize(40, 0);
  const std::vector<TContentCase> cases = {{bmp, ioBMP}, {png, ioPNG}, {gif, ioGIF}, {FakeFile(2, 2), ioTGA}};
  for (const TContentCase& c : cases) {
    gFakeLog.loadTypes.clear();
    TPictoraIO io(nullptr);
    TMemoryStream s;
    s.WriteBuffer(c.bytes.data(), std::int64_t(c.bytes.size()));
    s.SetPosition(0);
    io.LoadFromStream(&s);
    EXPECT_EQ(gFakeLog.loadTypes, std::vector<int>{c.filterType});
  }
  // Not recognised: no row, nothing read.
  TPictoraIO io(nullptr);
  TMemoryStream s;
  s.WriteBuffer("zzzz", 4);
  s.SetPosition(0);
  gFakeLog.loadTypes.clear();
  io.LoadFromStream(&s);
  EXPECT_TRUE(io.Aborting);
  EXPECT_TRUE(gFakeLog.loadTypes.empty());
}

TEST_F(IOComponent, ProgressGoesUnitByUnitThenOneHundredAtTheEnd) {
  const std::string path = Write("a.tga", FakeFile(3, 4));
  TPictoraIO io(nullptr);
  TEventLog events;
  events.Attach(io);
  io.LoadFromFile(path);
  // 100 / 4 per row, Trunc(rows x 25), then the finishing 100.
  EXPECT_EQ(events.progress, (std::vector<int>{25, 50, 75, 100, 100}));
  EXPECT_EQ(events.finished, 1);
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(io.Image()->GetScanline(3)[0], 40);
  EXPECT_EQ(io.Image()->GetScanline(3)[8], 48);
}

TEST_F(IOComponent, ATruncatedFileEndsThroughTheAbortFlagWithTheRowsRead) {
  const std::string path = Write("a.tga", FakeFile(2, 3, 1));
  TPictoraIO io(nullptr);
  TEventLog events;
  events.Attach(io);
  EXPECT_NO_THROW(io.LoadFromFile(path));
  EXPECT_TRUE(io.Aborting);
  EXPECT_EQ(events.finished, 1);
  EXPECT_EQ(events.progress, (std::vector<int>{33, 100}));
  EXPECT_EQ(io.Parameters()->FileType, ioUnknown);
  EXPECT_EQ(io.Image()->GetScanline(0)[0], 10);
  EXPECT_EQ(io.Image()->GetScanline(1)[0], 0);
}

TEST_F(IOComponent, AFilterThatRaisesEndsThroughTheAbortFlag) {
  gFakeLog.raise = true;
  const std::string path = Write("a.bmp", FakeFile(2, 2));
  TPictoraIO io(nullptr);
  TEventLog events;
  events.Attach(io);
  EXPECT_NO_THROW(io.LoadFromFile(path));
  EXPECT_TRUE(io.Aborting);
  EXPECT_EQ(events.finished, 1);
}

TEST_F(IOComponent, AProgressHandlerCancelsALoadAndLeavesTheRowsRead) {
  const std::string path = Write("a.tga", FakeFile(2, 4));
  TPictoraIO io(nullptr);
  TEventLog events;
  events.Attach(io);
  io.OnProgress = [&](TObject*, int per) {
    events.progress.push_back(per);
    if (per >= 50) io.Aborting = true;
  };
  io.LoadFromFile(path);
  EXPECT_TRUE(io.Aborting);
  EXPECT_EQ(events.progress, (std::vector<int>{25, 50, 100}));
  EXPECT_EQ(io.Image()->GetScanline(1)[0], 20);
  EXPECT_EQ(io.Image()->GetScanline(2)[0], 0);
  EXPECT_EQ(io.Parameters()->FileType, ioUnknown);
}

TEST_F(IOComponent, AMissingFileRaisesWithTheAbortFlagSet) {
  {
    // Flag set before the file is opened: the work still finishes.
    TPictoraIO io(nullptr);
    TEventLog events;
    events.Attach(io);
    EXPECT_THROW(io.LoadTgaFromFile(dir_ + "/none.tga"), EFOpenError);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(events.finished, 1);
  }
  {
    // Opened before anything else: no finishing.
    TPictoraIO io(nullptr);
    TEventLog events;
    events.Attach(io);
    EXPECT_THROW(io.LoadGifFromFile(dir_ + "/none.gif"), EFOpenError);
    EXPECT_EQ(events.finished, 0);
  }
}

TEST_F(IOComponent, AThreadedLoadDeliversItsEventsOnTheMainThread) {
  const std::string path = Write("a.tga", FakeFile(2, 2));
  TVQBitmap target;
  TPictoraIO io(nullptr);
  io.SetAttachedBitmap(&target);
  io.Asynchronous = true;
  TEventLog events;
  events.Attach(io);
  gFakeIO = &io;
  io.LoadFromFile(path);
  // The thread waits for its first event, which only the main thread runs.
  EXPECT_EQ(io.IOThreadCount(), 1);
  EXPECT_EQ(events.finished, 0);
  io.WaitThreads(false);
  EXPECT_EQ(io.IOThreadCount(), 0);
  EXPECT_EQ(events.progress, (std::vector<int>{50, 100, 100}));
  EXPECT_EQ(events.finished, 1);
  EXPECT_TRUE(events.allOnMain);
  ASSERT_EQ(gFakeLog.filterThreads.size(), 1u);
  EXPECT_NE(gFakeLog.filterThreads[0], GetCurrentThreadId());
  EXPECT_TRUE(gFakeLog.sawIOThread);
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(target.GetWidth(), 2);
  EXPECT_EQ(io.Parameters()->FileType, ioTGA);
}

TEST_F(IOComponent, AComponentWithItsOwnImageRunsSynchronously) {
  const std::string path = Write("a.tga", FakeFile(2, 2));
  TPictoraIO io(nullptr);
  io.Asynchronous = true;
  io.LoadFromFile(path);
  EXPECT_EQ(io.IOThreadCount(), 0);
  ASSERT_EQ(gFakeLog.filterThreads.size(), 1u);
  EXPECT_EQ(gFakeLog.filterThreads[0], GetCurrentThreadId());
}

TEST_F(IOComponent, WaitThreadsWithAbortStopsTheRunningLoad) {
  const std::string path = Write("a.tga", FakeFile(2, 4));
  TVQBitmap target;
  TPictoraIO io(nullptr);
  io.SetAttachedBitmap(&target);
  io.Asynchronous = true;
  TEventLog events;
  events.Attach(io);
  io.LoadFromFile(path);
  io.WaitThreads(true);
  EXPECT_TRUE(io.Aborting);
  // The thread stops at its first report, after one row.
  EXPECT_EQ(events.progress, (std::vector<int>{25, 100}));
  EXPECT_EQ(target.GetScanline(0)[0], 10);
  EXPECT_EQ(target.GetScanline(1)[0], 0);
}

TEST_F(IOComponent, DestructionWaitsForARunningLoad) {
  const std::string path = Write("a.tga", FakeFile(2, 3));
  TVQBitmap target;
  TEventLog events;
  {
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&target);
    io.Asynchronous = true;
    events.Attach(io);
    io.LoadFromFile(path);
  }
  EXPECT_EQ(events.finished, 1);
  EXPECT_EQ(target.GetHeight(), 3);
  EXPECT_EQ(target.GetScanline(2)[0], 30);
}

TEST_F(IOComponent, AnExceptionOnTheThreadIsReportedAndSetsTheFlag) {
  std::vector<std::string> lines;
  IODebugSink = [&](const std::string& text) { lines.push_back(text); };
  struct TThreadCase {
    const char* name;
    int finished;
  };
  for (const TThreadCase& c : {TThreadCase{"none.tga", 1}, TThreadCase{"none.gif", 0}}) {
    lines.clear();
    TVQBitmap target;
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&target);
    io.Asynchronous = true;
    TEventLog events;
    events.Attach(io);
    io.LoadFromFile(dir_ + "/" + c.name);
    io.WaitThreads(false);
    EXPECT_TRUE(io.Aborting) << c.name;
    EXPECT_EQ(events.finished, c.finished) << c.name;
    EXPECT_EQ(lines, std::vector<std::string>{"Exception in TVQIOThread.Execute"}) << c.name;
  }
}

TEST_F(IOComponent, AThreadThatWaitsForTheThreadsDoesNotWaitForItself) {
  const std::string path = Write("a.tga", FakeFile(1, 1));
  TVQBitmap target;
  TPictoraIO io(nullptr);
  io.SetAttachedBitmap(&target);
  io.Asynchronous = true;
  gFakeIO = &io;
  gFakeLog.waitInFilter = true;
  io.LoadFromFile(path);
  io.WaitThreads(false);
  EXPECT_EQ(target.GetWidth(), 1);
  EXPECT_FALSE(io.Aborting);
}

TEST_F(IOComponent, ABufferLoadRunsOnTheCallersThread) {
  const Bytes file = FakeFile(2, 2);
  TVQBitmap target;
  TPictoraIO io(nullptr);
  io.SetAttachedBitmap(&target);
  io.Asynchronous = true;
  io.LoadFromBuffer(file.data(), std::int64_t(file.size()), 0);
  EXPECT_EQ(io.IOThreadCount(), 0);
  ASSERT_EQ(gFakeLog.filterThreads.size(), 1u);
  EXPECT_EQ(gFakeLog.filterThreads[0], GetCurrentThreadId());
  EXPECT_EQ(target.GetWidth(), 2);
  EXPECT_TRUE(io.Asynchronous);
}

TEST_F(IOComponent, AThreadedSaveReplacesTheFileOnlyWhenTheWriterSucceeds) {
  const Bytes old = {'o', 'l', 'd'};
  for (bool fails : {true, false}) {
    SCOPED_TRACE(fails);
    const std::string path = Write(fails ? "a.tga" : "b.tga", old);
    gFakeLog.saveAborts = fails;
    TVQBitmap source;
    source.Allocate(2, 2, vqRGB24);
    source.GetScanline(1)[0] = 77;
    TPictoraIO io(nullptr);
    io.SetAttachedBitmap(&source);
    io.Asynchronous = true;
    TEventLog events;
    events.Attach(io);
    io.SaveToFile(path);
    io.WaitThreads(false);
    EXPECT_EQ(io.Aborting, fails);
    EXPECT_EQ(events.finished, 1);
    EXPECT_TRUE(events.allOnMain);
    const Bytes now = Read(path);
    if (fails) {
      EXPECT_EQ(now, old);
    } else {
      ASSERT_EQ(now.size(), 18u + 12u);
      EXPECT_EQ(now[18 + 6], 77);
    }
  }
}

TEST_F(IOComponent, AJpegStreamWithItsHeaderLoadsBackAndLeavesTheStreamAfterIt) {
  TPictoraIO io(nullptr);
  io.StreamHeaders = true;
  io.Image()->Allocate(2, 1, vqRGB24);
  io.Image()->GetScanline(0)[0] = 9;
  TMemoryStream s;
  io.SaveJpegToStream(&s);
  ASSERT_FALSE(io.Aborting);
  s.WriteBuffer("next", 4);
  const Bytes bytes(static_cast<const std::uint8_t*>(s.Memory()), static_cast<const std::uint8_t*>(s.Memory()) + 12);
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), (Bytes{'J', 'F', 'I', 'F', 0, 0, 0, 0}));
  EXPECT_EQ(bytes[8], 24);  // 18 header bytes and one row of 6
  TPictoraIO reader(nullptr);
  s.SetPosition(0);
  reader.LoadFromStream(&s);
  EXPECT_EQ(gFakeLog.loadTypes, std::vector<int>{ioJPEG});
  EXPECT_FALSE(reader.Aborting);
  EXPECT_EQ(reader.Image()->GetScanline(0)[0], 9);
  EXPECT_EQ(s.Position(), 12 + 24);
}

TEST_F(IOComponent, AWrongStreamHeaderIsRefused) {
  for (int type : {ioTIFF, ioPCX}) {
    TPictoraIO io(nullptr);
    io.StreamHeaders = true;
    TMemoryStream s;
    const Bytes file = FakeFile(1, 1);
    s.WriteBuffer("XXXX\0\0\0\0\0\0\0\0", 12);
    s.WriteBuffer(file.data(), std::int64_t(file.size()));
    s.SetPosition(0);
    io.LoadFromStreamFormat(&s, type);
    EXPECT_TRUE(io.Aborting) << type;
  }
  EXPECT_TRUE(gFakeLog.loadTypes.empty());
}

TEST_F(IOComponent, ParamsFromFileReadsOnlyTheBlockWhenContentAndNameAgree) {
  struct TParamsCase {
    const char* name;
    int fileType;
  };
  for (const TParamsCase& c : {TParamsCase{"a.tga", ioTGA}, TParamsCase{"a.jpg", ioUnknown}}) {
    gFakeLog.paramsOnlyCalls = 0;
    const std::string path = Write(c.name, FakeFile(5, 3));
    TPictoraIO io(nullptr);
    io.ParamsFromFile(path);
    EXPECT_EQ(io.Parameters()->FileType, c.fileType) << c.name;
    EXPECT_EQ(io.Parameters()->FileName, path);
    EXPECT_TRUE(io.Image()->IsEmpty());
    if (c.fileType) {
      EXPECT_EQ(gFakeLog.paramsOnlyCalls, 1);
      EXPECT_EQ(io.Parameters()->Width, 5);
    }
  }
  TPictoraIO io(nullptr);
  EXPECT_NO_THROW(io.ParamsFromFileFormat(dir_ + "/none.tga", ioTGA));
  EXPECT_EQ(io.Parameters()->FileType, ioUnknown);
}

void FakeRegistryRead(TStream* s, TVQBitmap* image, TIOParamsVals* params, bool paramsOnly, TVQProgressRec* progress) {
  TVQFilterLoadArgs args;
  args.ParamsOnly = paramsOnly;
  FakeLoad(100, *s, image, params, args, *progress);
}

TEST_F(IOComponent, AnAddedFormatIsReadThroughItsRegistryRow) {
  TVQFormatInfo row;
  row.FileType = 100;
  row.Description = "Fake";
  row.ExtensionList = "FAK";
  row.ReadProc = FakeRegistryRead;
  AddFileFormat(row);
  const std::string path = Write("a.fak", FakeFile(2, 2));
  for (bool byType : {false, true}) {
    gFakeLog.loadTypes.clear();
    TPictoraIO io(nullptr);
    TEventLog events;
    events.Attach(io);
    if (byType)
      io.LoadFromFileFormat(path, 100);
    else
      io.LoadFromFile(path);
    EXPECT_EQ(gFakeLog.loadTypes, std::vector<int>{100});
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(io.Parameters()->FileType, 100);
    EXPECT_EQ(io.Parameters()->FileName, path);
    EXPECT_EQ(events.finished, 1);
  }
  // The row cannot write: a save is refused with nothing written.
  TPictoraIO io(nullptr);
  io.Image()->Allocate(1, 1, vqRGB24);
  io.SaveToFile(dir_ + "/b.fak");
  EXPECT_TRUE(io.Aborting);
  EXPECT_FALSE(FileExists(dir_ + "/b.fak"));
}

TEST_F(IOComponent, AnIconSaveWithoutAnyImageSizeIsRefused) {
  TPictoraIO io(nullptr);
  io.Image()->Allocate(1, 1, vqRGB24);
  io.Parameters()->IcoSizes[0] = {0, 0};
  TMemoryStream s;
  io.SaveIcoToStream(&s);
  EXPECT_TRUE(io.Aborting);
  EXPECT_TRUE(gFakeLog.saveTypes.empty());
}

TEST_F(IOComponent, SavesOfTwentyFourBitFormatsConvertOtherImages) {
  struct TConvCase {
    int type;
    TVQPixelFormat before, after;
  };
  const std::vector<TConvCase> cases = {
      {ioJPEG, vqGray8, vqRGB24}, {ioJPEG, vqBits1, vqBits1}, {ioPNG, vqGray8, vqGray8}, {ioTGA, vqPalette8, vqRGB24}};
  for (const TConvCase& c : cases) {
    TPictoraIO io(nullptr);
    io.Image()->Allocate(2, 2, c.before);
    TMemoryStream s;
    io.SaveToStreamFormat(&s, c.type);
    EXPECT_EQ(io.Image()->GetPixelFormat(), c.after) << c.type;
  }
}

}  // namespace

namespace {

TEST_F(IOComponent, OneBitMethodCarriesItsMeaningToTheImage) {
  TPictoraIO io(nullptr);
  EXPECT_EQ(io.OneBitMethod(), 1);
  io.SetOneBitMethod(0);  // threshold
  EXPECT_EQ(io.Image()->BiLevelMethod, 1);
  io.SetOneBitMethod(1);  // dithering
  EXPECT_EQ(io.Image()->BiLevelMethod, 0);
  EXPECT_EQ(io.OneBitMethod(), 1);
}

TEST_F(IOComponent, AnAcquiredBitmapIsCopiedUnlessTheApplicationTakesIt) {
  TVQBitmap scanned;
  scanned.Allocate(4, 3, vqGray8);
  for (bool take : {true, false}) {
    TPictoraIO io(nullptr);
    io.OnAcquireBitmap = [take](TObject*, TVQBitmap*, bool& handled) { handled = take; };
    TIOParamsVals* params = nullptr;
    io.DoAcquireBitmap(&scanned, params);
    EXPECT_EQ(io.Image()->GetWidth(), take ? 0 : 4) << take;
    EXPECT_EQ(params, take ? nullptr : io.Parameters()) << take;
  }
}

TEST_F(IOComponent, DoPreviewsAsksTheApplicationThenTheDialog) {
  TPictoraIO io(nullptr);
  io.Image()->Allocate(2, 2, vqGray8);
  int dialogs = 0;
  IOSaveParamsDialog = [&](TPictoraIO&, std::uint16_t pages) {
    ++dialogs;
    return pages == ppJPEG;
  };
  EXPECT_FALSE(io.DoPreviews(0));  // no page: no dialog
  EXPECT_EQ(dialogs, 0);
  EXPECT_EQ(io.Image()->GetPixelFormat(), vqRGB24);
  EXPECT_TRUE(io.DoPreviews(ppJPEG));
  EXPECT_FALSE(io.DoPreviews(ppPNG));
  EXPECT_EQ(dialogs, 2);
  io.OnDoPreviews = [](TObject*, bool& handled) { handled = true; };
  EXPECT_TRUE(io.DoPreviews(ppPNG));
  EXPECT_EQ(dialogs, 2);
  IOSaveParamsDialog = nullptr;
}

}  // namespace

namespace {

TEST_F(IOComponent, ALoadIntoAnAttachedImageControlFillsItsBitmapWithoutAlpha) {
  const std::string path = Write("a.tga", FakeFile(3, 2));
  gFakeLog.withMask = true;
  TImage control(nullptr);
  TPictoraIO io(nullptr);
  io.SetAttachedTImage(&control);
  TBitmap* bitmap = control.Picture()->Bitmap();
  bitmap->SetModified(false);
  EXPECT_EQ(io.GetFrameworkBitmap(), bitmap);
  io.LoadFromFile(path);
  ASSERT_FALSE(io.Aborting);
  EXPECT_EQ(bitmap->Width(), 3);
  EXPECT_EQ(bitmap->Height(), 2);
  EXPECT_EQ(io.Image()->GetScanline(1)[2], 22);
  EXPECT_FALSE(io.Image()->HasAlphaChannel());
  EXPECT_TRUE(bitmap->Modified());
  // Detaching empties the image; the control's going does the same.
  io.SetAttachedTImage(nullptr);
  EXPECT_TRUE(io.Image()->IsEmpty());
  EXPECT_NE(io.GetFrameworkBitmap(), bitmap);
  EXPECT_EQ(bitmap->Width(), 3);
  auto* second = new TImage(nullptr);
  io.SetAttachedTImage(second);
  delete second;
  EXPECT_EQ(io.AttachedTImage(), nullptr);
}

TEST_F(IOComponent, WithoutAnImageEveryEntryDoesNothing) {
  const std::string path = Write("a.tga", FakeFile(1, 1));
  TPictoraIO io(nullptr);
  io.SetAttachedBitmap(nullptr);
  EXPECT_EQ(io.Image(), nullptr);
  TEventLog events;
  events.Attach(io);
  io.LoadFromFile(path);
  EXPECT_EQ(events.finished, 0);
  io.LoadTgaFromFile(path);
  EXPECT_EQ(events.finished, 1);  // the format's entry finishes its work
  EXPECT_TRUE(gFakeLog.loadTypes.empty());
  EXPECT_FALSE(io.PrepareImage());
}

}  // namespace

namespace {

TEST_F(IOComponent, IptcRecordsTravelInTheJpegPhotoshopMarker) {
  TPictoraIO io(nullptr);
  io.Image()->Allocate(1, 1, vqRGB24);
  TIOParamsVals& p = *io.Parameters();
  p.IptcInfo->AddItem(2, 120, "caption", 7);
  TMemoryStream s;
  io.SaveJpegToStream(&s);
  ASSERT_EQ(p.JpegMarkers->GetCount(), 1);
  const int at = p.JpegMarkers->IndexOf(237);
  ASSERT_EQ(at, 0);
  gFakeLog.app13.assign(p.JpegMarkers->GetMarkerData(at), p.JpegMarkers->GetMarkerData(at) + p.JpegMarkers->GetMarkerLength(at));
  // An emptied list the user changed removes the marker.
  p.IptcInfo->Clear();
  p.IptcInfo->UserChanged = true;
  io.SaveJpegToStream(&s);
  EXPECT_EQ(p.JpegMarkers->GetCount(), 0);
  // A read finds the records again in the marker.
  TPictoraIO reader(nullptr);
  s.SetPosition(0);
  reader.LoadJpegFromStream(&s);
  ASSERT_EQ(reader.Parameters()->IptcInfo->GetCount(), 1);
  EXPECT_EQ(reader.Parameters()->IptcInfo->GetDataSet(0), 120);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(reader.Parameters()->IptcInfo->GetData(0)), 7), "caption");
}

}  // namespace

namespace {

TEST_F(IOComponent, DcxPageCountReadsThePageTable) {
  Bytes dcx = {0xB1, 0x68, 0xDE, 0x3A, 16, 0, 0, 0, 20, 0, 0, 0, 0, 0, 0, 0};
  dcx.resize(40, 0x11);
  EXPECT_EQ(DcxPageCount(Write("a.dcx", dcx)), 2);
  EXPECT_EQ(DcxPageCount(dir_ + "/none.dcx"), 0);
}

}  // namespace

namespace {

TEST_F(IOComponent, ThePreviewFontIsACopy) {
  TPictoraIO io(nullptr);
  TFont font;
  font.SetName("Serif");
  io.SetPreviewFont(&font);
  EXPECT_EQ(io.PreviewFont()->Name(), "Serif");
  EXPECT_NE(io.PreviewFont(), &font);
  font.SetName("Mono");
  EXPECT_EQ(io.PreviewFont()->Name(), "Serif");
}

}  // namespace

namespace {

struct THeaderCase {
  const char* name;
  int type;
  Bytes header;      // before the image
  bool aborted;
  std::int64_t end;  // where the stream is left
};

TEST_F(IOComponent, StreamHeadersOfTiffAndPcxAreCheckedAndSkipped) {
  const Bytes file = FakeFile(1, 1);  // 21 bytes
  const std::vector<THeaderCase> cases = {
      {"TIFF header", ioTIFF, {'T', 'I', 'F', 'F', 0, 0, 0, 0, 21, 0, 0, 0}, false, 12 + 21},
      {"PCX2 header", ioPCX, {'P', 'C', 'X', '2', 0, 0, 0, 0, 21, 0, 0, 0}, false, 12 + 21},
      // The older header is four bytes and says no length.
      {"old PCX header", ioPCX, {'P', 'C', 'X', 0}, false, 4 + 21},
      {"TIFF without its magic", ioTIFF, {'T', 'I', 'F', 'X', 0, 0, 0, 0, 21, 0, 0, 0}, true, 12},
  };
  for (const THeaderCase& c : cases) {
    SCOPED_TRACE(c.name);
    TPictoraIO io(nullptr);
    io.StreamHeaders = true;
    TMemoryStream s;
    s.WriteBuffer(c.header.data(), std::int64_t(c.header.size()));
    s.WriteBuffer(file.data(), std::int64_t(file.size()));
    s.WriteBuffer("tail", 4);
    s.SetPosition(0);
    io.LoadFromStreamFormat(&s, c.type);
    EXPECT_EQ(io.Aborting, c.aborted);
    if (!c.aborted) {
      EXPECT_EQ(s.Position(), c.end);
      EXPECT_EQ(io.Image()->GetScanline(0)[0], 10);
    }
  }
}

TEST_F(IOComponent, ADcxSaveEmptiesTheStreamFirst) {
  TPictoraIO io(nullptr);
  io.Image()->Allocate(1, 1, vqRGB24);
  TMemoryStream s;
  s.WriteBuffer("an older multipage file", 23);
  io.SaveDcxToStream(&s);
  EXPECT_FALSE(io.Aborting);
  EXPECT_EQ(s.Size(), 18 + 3);  // the header and one row of one pixel
}

TRGBPixel gPngBackgroundSeen;

TEST_F(IOComponent, APngFileLoadTakesTheBackgroundBothWays) {
  const std::string path = Write("a.png", FakeFile(1, 1));
  TPictoraIO io(nullptr);
  io.SetBackground(0x00332211);  // red 0x11, green 0x22, blue 0x33
  SetBuiltInFilter(ioPNG,
                   [](TStream& s, TVQBitmap* i, TIOParamsVals* p, TVQFilterLoadArgs& a, TVQProgressRec& r) {
                     FakeLoad(ioPNG, s, i, p, a, r);
                     gPngBackgroundSeen = p->PngBackground;
                     p->PngBackground = TRGBPixel{0x66, 0x55, 0x44};
                   },
                   nullptr);
  io.LoadFromFile(path);
  EXPECT_EQ(gPngBackgroundSeen, (TRGBPixel{0x33, 0x22, 0x11}));
  EXPECT_EQ(io.Background(), 0x00665544);
}

}  // namespace

namespace {

TEST_F(IOComponent, ALoadAdjustsUnequalResolutionsWhenAsked) {
  for (bool adjust : {false, true}) {
    Bytes file = FakeFile(4, 2);
    file[8] = 200;
    file[9] = 100;
    const std::string path = Write(adjust ? "a.tga" : "b.tga", file);
    TPictoraIO io(nullptr);
    io.AutoAdjustDPI = adjust;
    io.LoadFromFile(path);
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(io.Image()->GetHeight(), adjust ? 4 : 2);
    EXPECT_EQ(io.Parameters()->DpiY(), adjust ? 200 : 100);
    EXPECT_EQ(io.Parameters()->Height, adjust ? 4 : 2);
    // Rows 0 and 1 of the picture are row 0 of the file.
    EXPECT_EQ(io.Image()->GetScanline(1)[0], adjust ? 10 : 20);
  }
}

}  // namespace
