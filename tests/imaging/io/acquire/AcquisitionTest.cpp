// Scanner parameters and the acquisition holders. There is no scanner or
// capture service here: device lists are empty and nothing connects.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/component/pictoraio.h"
#include "imaging/io/acquire/vqds.h"
#include "imaging/io/acquire/vqtwain.h"
#include "imaging/io/acquire/vqwia.h"

namespace {

// Stands in for the multi-image component, which the parameters recognise
// by its class name.
class TAcqFakeMio : public TComponent {
 public:
  TAcqFakeMio() : TComponent(nullptr) {}
  std::string ClassName() const override { return "TPictoraMIO"; }
};

void AcqExpectResetValues(TVQTWainParams& t, bool multiPage) {
  EXPECT_EQ(t.Setting1, 1);
  EXPECT_EQ(t.Setting2, 0);
  EXPECT_EQ(t.Flags1[0] + t.Flags1[1], 0);
  EXPECT_DOUBLE_EQ(t.Gamma, 2.2);
  for (auto s : t.Settings3) EXPECT_EQ(s, 0);
  EXPECT_EQ(t.MultiPage, multiPage);
  EXPECT_EQ(t.Flag2, 1);
  for (auto s : t.Settings4) EXPECT_EQ(s, 0);
  EXPECT_EQ(t.Flags3[0], 1);
  EXPECT_EQ(t.Flags3[1], 0);
  EXPECT_EQ(t.Flags3[2], multiPage ? 1 : 0);
  EXPECT_EQ(t.Flags3[3], 0);
  EXPECT_EQ(t.Threshold, 128);
  EXPECT_EQ(t.Settings5[0] + t.Settings5[1], 0);
  EXPECT_EQ(t.MultiPage2, multiPage);
  for (auto& s : t.Texts) EXPECT_EQ(s, "");
  EXPECT_EQ(t.Setting6, 0);
  EXPECT_EQ(t.Setting7, 0);
  EXPECT_EQ(t.Text2, "");
  EXPECT_EQ(t.Capabilities()->Count(), 0);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(t.DoubleList(i).Count(), 0);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(t.IntegerList(i).Count(), 0);
}

TEST(TwainParamsTest, ResetGivesTheTableAndFreesTheCapabilities) {
  TPictoraIO io(nullptr);
  ASSERT_NE(io.TWainParams(), nullptr);
  TVQTWainParams& t = *io.TWainParams();
  EXPECT_EQ(t.Owner(), &io);
  AcqExpectResetValues(t, false);
  EXPECT_EQ(t.Connection.State, 0);

  t.Setting1 = 9;
  t.Gamma = 1;
  t.Threshold = 3;
  t.Texts[2] = "x";
  t.Flags3[0] = 0;
  t.Capabilities()->Add(std::malloc(64));  // freed by Reset (the leak checker watches)
  const double d = 1.5;
  const std::int32_t n = 7;
  t.DoubleList(5).Add(&d);
  t.IntegerList(2).Add(&n);
  t.Connection.State = 4;
  t.Reset();
  AcqExpectResetValues(t, false);
  EXPECT_EQ(t.Connection.State, 4);  // Reset leaves the connection alone
  t.Connection.State = 0;
}

TEST(TwainParamsTest, MultiImageOwnerSetsTheMultiPageFlags) {
  TAcqFakeMio owner;
  TVQTWainParams t(&owner);
  AcqExpectResetValues(t, true);
}

// Freeing the parameters closes what a session left: the source manager is
// unloaded and the log says so; with no log file nothing is written.
TEST(TwainParamsTest, DestructionCleansUpAndLogs) {
  const std::string log = testing::TempDir() + "twain_" + std::to_string(getpid()) + ".log";
  std::remove(log.c_str());
  TwainLogFileName = log;
  {
    TVQTWainParams t(nullptr);
    t.Connection.SourceManager = dlopen("libm.so.6", RTLD_NOW);
    ASSERT_NE(t.Connection.SourceManager, nullptr);
    t.Connection.State = 3;
  }
  {
    TVQTWainParams nothing(nullptr);
  }
  TwainLogFileName.clear();
  std::ifstream in(log);
  std::vector<std::string> messages;
  for (std::string line; std::getline(in, line);) {
    const std::size_t at = line.find(" : ");
    ASSERT_NE(at, std::string::npos) << line;
    messages.push_back(line.substr(at + 3));
  }
  const std::vector<std::string> expected = {"DestroyProxyWindow",
                                             "  DestroyProxyWindow : not destroyed, for future uses",
                                             "VQTW_UnloadSourceManager",
                                             "  VQTW_UnloadSourceManager : Unload OK",
                                             "DestroyProxyWindow",
                                             "  DestroyProxyWindow : not destroyed, for future uses",
                                             "VQTW_UnloadSourceManager",
                                             "  VQTW_UnloadSourceManager not Unloaded, for future uses"};
  EXPECT_EQ(messages, expected);
  std::remove(log.c_str());

  TVQTwainConnection c;
  c.SourceManager = dlopen("libm.so.6", RTLD_NOW);
  c.State = 3;
  TwainCleanup(c, nullptr);
  EXPECT_EQ(c.SourceManager, nullptr);
  EXPECT_EQ(c.State, 1);
  std::ifstream none(log);
  EXPECT_FALSE(none.good());  // no log file name: nothing written
}

TEST(WiaTest, OneHolderWithNoDevicesAndTheComponentsProgress) {
  TPictoraIO io(nullptr);
  TVQWia* wia = io.GetWia();
  ASSERT_NE(wia, nullptr);
  EXPECT_EQ(io.GetWia(), wia);
  EXPECT_EQ(wia->Owner(), &io);
  EXPECT_EQ(wia->DeviceManager(), nullptr);
  EXPECT_EQ(wia->Devices()->Count(), 0);
  EXPECT_EQ(wia->Flag, 1);
  EXPECT_FALSE(VQOleInitialized);

  std::vector<int> seen;
  TObject* sender = nullptr;
  io.OnProgress = [&](TObject* s, int percent) {
    sender = s;
    seen.push_back(percent);
  };
  EXPECT_TRUE(wia->Progress(30));
  io.Aborting = true;
  EXPECT_FALSE(wia->Progress(60));
  EXPECT_FALSE(io.WiaProgress(70));
  EXPECT_EQ(seen, (std::vector<int>{30, 60, 70}));
  EXPECT_EQ(sender, &io);
}

class TAcqViewIO : public TPictoraIO {
 public:
  TAcqViewIO() : TPictoraIO(nullptr) {}
  HWND ViewWindow() override { return view; }
  HWND view = nullptr;
};

TEST(DirectShowTest, NotifiesTheViewOnlyWhenOneIsAttachedAtCreation) {
  TAcqViewIO io;
  TVQDirectShow* ds = io.GetDirectShow();
  ASSERT_NE(ds, nullptr);
  EXPECT_FALSE(ds->Connected());
  EXPECT_EQ(ds->NotifyWindow(), nullptr);
  EXPECT_EQ(ds->VideoInputs.Count() + ds->AudioInputs.Count() + ds->VideoFormats.Count() + ds->VideoCodecs.Count() +
                ds->InputPins.Count(),
            0);
  io.view = reinterpret_cast<HWND>(std::uintptr_t{0x1234});
  EXPECT_EQ(io.GetDirectShow(), ds);
  EXPECT_EQ(ds->NotifyWindow(), nullptr);  // created before the view

  TAcqViewIO withView;
  withView.view = io.view;
  TVQDirectShow* seen = withView.GetDirectShow();
  EXPECT_EQ(seen->NotifyWindow(), io.view);
  EXPECT_EQ(seen->NewFrameMessage(), 0x1F59u);
  EXPECT_EQ(seen->EventMessage(), 0x1F5Au);
  EXPECT_FALSE(seen->Connected());
}

}  // namespace
