#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "imaging/core/processing/pictoraproc_utils.h"
#include "imaging/core/base/vqwords.h"
#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils.h"

namespace {

std::vector<std::string> events;

// What a module placed between the library's own ones sees when it runs.
std::string Snapshot(const char* who) {
  return std::string(who) + " presets=" + std::to_string(FilterPresets.size()) + " words=" +
         (GetWord(0, msEnglish).empty() ? "empty" : "filled");
}

void EarlyStart() { events.push_back(Snapshot("early-start")); }
void EarlyEnd() { events.push_back(Snapshot("early-end")); }
void LateStart() { events.push_back(Snapshot("late-start")); }
void LateEnd() { events.push_back(Snapshot("late-end")); }
void FirstStart() { events.push_back(std::string("first-start weights=") + std::to_string(GrayWeightRed)); }
void FirstEnd() { events.push_back("first-end"); }

TEST(ImagingLibrary, StartsModulesInRankOrderAndEndsThemInReverse) {
  RegisterImagingModule("test-late", vqrIO + 1, LateStart, LateEnd);
  RegisterImagingModule("test-early", vqrView, EarlyStart, EarlyEnd);
  RegisterImagingModule("test-early", vqrView, EarlyStart, EarlyEnd);  // kept once
  // Same rank as the definitions module, registered later: runs after it.
  RegisterImagingModule("test-first", vqrDefinitions, FirstStart, FirstEnd);
  events.clear();
  GrayWeightRed = 1;
  FreeFilterPresets();
  ClearWordTable();

  StartImagingLibrary();
  // Definitions ran before the early module, processing before the late one,
  // and the utilities module (word table) last of all.
  const std::vector<std::string> started = {"first-start weights=21", "early-start presets=0 words=empty",
                                            "late-start presets=9 words=empty"};
  EXPECT_EQ(events, started);
  EXPECT_EQ(GrayWeightRed, 21);
  EXPECT_EQ(GetWord(0, msEnglish), "Preview");
  EXPECT_EQ(CosineTable[255], 128);
  EXPECT_EQ(DefaultMemoryThreshold, -1);

  // A nested start and its end change nothing.
  StartImagingLibrary();
  EndImagingLibrary();
  EXPECT_EQ(events.size(), 3u);
  EXPECT_EQ(FilterPresets.size(), 9u);

  EndImagingLibrary();
  const std::vector<std::string> all = {"first-start weights=21",           "early-start presets=0 words=empty",
                                        "late-start presets=9 words=empty",  "late-end presets=9 words=filled",
                                        "early-end presets=0 words=filled", "first-end"};
  EXPECT_EQ(events, all);
  // The definitions module ends last and frees the word table.
  EXPECT_EQ(GetWord(0, msEnglish), "");

  // An unmatched end does nothing.
  EndImagingLibrary();
  EXPECT_EQ(events.size(), 6u);
}

TEST(ImagingLibrary, ModuleStartsRunOncePerCount) {
  VqzDefsStart();
  GrayWeightGreen = 50;
  VqzDefsStart();  // counted, not repeated
  EXPECT_EQ(GrayWeightGreen, 50);
  VqzDefsEnd();
  VqzDefsEnd();
  VqzDefsStart();
  EXPECT_EQ(GrayWeightGreen, 71);
  VqzDefsEnd();
}

TEST(LibraryGlobals, DefaultGreyWeightsGiveTheLibraryGrey) {
  VqzDefsStart();
  EXPECT_EQ(RGBGrayLevel(0xFFFFFF), 255);
  EXPECT_EQ(RGBGrayLevel(0x00FF00), 181);
  EXPECT_EQ(RGBGrayLevel(0xFF0000), 53);
  VqzDefsEnd();
}

TEST(LibraryGlobals, CosineTableFollowsTheHalfCosine) {
  BuildCosineTable();
  const struct {
    int Index, Value;
  } cases[] = {{0, 0}, {1, 0}, {126, 63}, {127, 64}, {128, 64}, {129, 65}, {254, 128}, {255, 128}};
  for (const auto& c : cases) EXPECT_EQ(CosineTable[c.Index], c.Value) << c.Index;
  for (int i = 1; i < 256; ++i) EXPECT_GE(CosineTable[i], CosineTable[i - 1]);
  EXPECT_EQ(CosineBlend(255, 255), 255);
  EXPECT_EQ(CosineBlend(0, 0), 0);
  EXPECT_EQ(CosineBlend(128, 0), 64);
}

TEST(LibraryGlobals, GlobalLockIsRecursiveAndShared) {
  GlobalLock().Enter();
  GlobalLock().Enter();
  bool otherGotIt = true;
  std::thread t([&] { otherGotIt = GlobalLock().TryEnter(); });
  t.join();
  EXPECT_FALSE(otherGotIt);
  GlobalLock().Leave();
  GlobalLock().Leave();
  std::thread t2([&] {
    otherGotIt = GlobalLock().TryEnter();
    if (otherGotIt) GlobalLock().Leave();
  });
  t2.join();
  EXPECT_TRUE(otherGotIt);
}

TEST(LibraryGlobals, AutomaticThresholdIsHalfTheAvailableMemoryIn64Bits) {
  // Available memory moves while other processes run, so the two reads are
  // compared with a margin far below the factor of two (or a 32-bit wrap)
  // this would catch.
  const Int64 avail = GetAvailPhys();
  ASSERT_GT(avail, 0);
  const Int64 threshold = AutoMemoryThreshold();
  EXPECT_GT(threshold, 0);  // never wrapped negative
  EXPECT_NEAR(double(threshold), double(avail) / 2, double(avail) / 2 * 0.1);
}

}  // namespace
