#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "skin/engine/SkinDataControls.h"
#include "skin/engine/SkinDataObjects.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace {

template <class T>
std::unique_ptr<T> LoadControl(const std::string& kind, const std::string& name, const std::string& ini) {
  auto text = IniFromText(ini);
  std::unique_ptr<TspDataSkinControl> c = CreateSkinControl(kind, name);
  if (!c) return nullptr;
  c->LoadFromIni(*text);
  return std::unique_ptr<T>(dynamic_cast<T*>(c.release()));
}

template <class T>
std::unique_ptr<T> LoadObject(const std::string& kind, const std::string& name, const std::string& ini) {
  auto text = IniFromText(ini);
  std::unique_ptr<TspDataSkinObject> o = CreateSkinObject(kind, name);
  if (!o) return nullptr;
  o->LoadFromIni(*text);
  return std::unique_ptr<T>(dynamic_cast<T*>(o.release()));
}

TEST(SkinDataControls, EveryKindWordMakesItsClassAndOnlyExactCase) {
  const std::pair<const char*, const char*> expected[] = {
      {"slider", "TspDataSkinSlider"}, {"updown", "TspDataSkinUpDownControl"},
      {"menubutton", "TspDataSkinMenuButtonControl"}, {"checklistbox", "TspDataSkinCheckListBox"},
      {"treeview", "TspDataSkinTreeView"}, {"richedit", "TspDataSkinRichEdit"},
      {"framegauge", "TspDataSkinFrameGauge"}, {"stdlabel", "TspDataSkinStdLabelControl"}};
  for (auto [kind, cls] : expected) {
    auto c = CreateSkinControl(kind, "n");
    ASSERT_NE(c, nullptr) << kind;
    EXPECT_EQ(c->ClassName(), cls);
    EXPECT_EQ(c->SectionName, "n");
  }
  ASSERT_EQ(SkinControlKindCount, 33);
  for (int i = 0; i < SkinControlKindCount; ++i) EXPECT_NE(CreateSkinControl(SkinControlKinds[i], "x"), nullptr);
  EXPECT_EQ(CreateSkinControl("Button", "x"), nullptr);
  EXPECT_EQ(CreateSkinControl("", "x"), nullptr);
  ASSERT_EQ(SkinObjectKindCount, 16);
  for (int i = 0; i < SkinObjectKindCount; ++i) EXPECT_NE(CreateSkinObject(SkinObjectKinds[i], "x"), nullptr);
  EXPECT_EQ(CreateSkinObject("StdButton", "x"), nullptr);
}

TEST(SkinDataControls, ButtonWithoutSectionHasDefaults) {
  auto b = LoadControl<TspDataSkinButtonControl>("button", "button", "[other]\na=1\n");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->pictureindex, -1);
  EXPECT_EQ(b->animateinterval, 25);
  EXPECT_EQ(b->glowlayeralphablendvalue, 255);
  EXPECT_EQ(b->fontname, "Arial");
  EXPECT_EQ(b->fontheight, 14);
  EXPECT_TRUE(b->skinrect.IsEmpty());
  EXPECT_TRUE(b->activeskinrect.IsEmpty());
}

TEST(SkinDataControls, ButtonReadsItsKeysCaseInsensitively) {
  auto b = LoadControl<TspDataSkinButtonControl>(
      "button", "button",
      "[BUTTON]\nPictureIndex=1\nskinrect=0,0,64,25\nlefttoppoint=5,5\nfontstyle=fsbold\nmorphing=1\n"
      "morphkind=mkpush\nstretchtype=stvert\nactivefontcolor=$800000\n");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->pictureindex, 1);
  EXPECT_EQ(b->skinrect, (TRect{0, 0, 64, 25}));
  EXPECT_EQ(b->lefttoppoint, (TPoint{5, 5}));
  EXPECT_EQ(b->fontstyle, fsBold);
  EXPECT_TRUE(b->morphing);
  EXPECT_EQ(b->morphkind, mkPush);
  EXPECT_EQ(b->stretchtype, stVert);
  EXPECT_EQ(b->activefontcolor, 0x800000);
}

TEST(SkinDataControls, UpDownNeverKeepsCornersOrClientRect) {
  auto u = LoadControl<TspDataSkinUpDownControl>(
      "updown", "updown", "[updown]\nlefttoppoint=3,3\nrightbottompoint=9,9\nclientrect=2,2,10,10\nupbuttonrect=1,2,3,4\n");
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(u->lefttoppoint, (TPoint{}));
  EXPECT_EQ(u->rightbottompoint, (TPoint{}));
  EXPECT_TRUE(u->clientrect.IsEmpty());
  EXPECT_EQ(u->upbuttonrect, (TRect{1, 2, 3, 4}));

  u->lefttoppoint = TPoint{7, 7};
  TMemIniFile out;
  u->SaveToIni(out);
  EXPECT_EQ(out.ReadString("updown", "lefttoppoint", ""), "0,0");
}

TEST(SkinDataControls, FramesCountBelowOneReadsAsOne) {
  for (const char* v : {"0", "-3"}) {
    auto a = LoadControl<TspDataSkinAnimateControl>("animate", "a",
                                                    std::string("[a]\nframescount=") + v + "\nframesplacement=fpVertical\n");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->framescount, 1) << v;
    EXPECT_EQ(a->framesplacement, fpVertical);
  }
}

TEST(SkinDataControls, StdLabelActiveColourDefaultsToBlue) {
  auto l = LoadControl<TspDataSkinStdLabelControl>("stdlabel", "stdlabel", "[stdlabel]\nfontcolor=5\n");
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->activefontcolor, 16711680);
  EXPECT_EQ(l->fontcolor, 5);
}

TEST(SkinDataControls, MenuButtonReadsButtonKeysAndTrackButton) {
  auto m = LoadControl<TspDataSkinMenuButtonControl>(
      "menubutton", "mb", "[mb]\ndownskinrect=1,1,2,2\nglowlayeralphablendvalue=100\ntrackbuttonrect=4,5,6,7\n");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->downskinrect, (TRect{1, 1, 2, 2}));
  EXPECT_EQ(m->glowlayeralphablendvalue, 100);
  EXPECT_EQ(m->trackbuttonrect, (TRect{4, 5, 6, 7}));
}

TEST(SkinDataControls, EmptyRectKeyEndsTheRead) {
  EXPECT_THROW(LoadControl<TspDataSkinSlider>("slider", "s", "[s]\nhthumbrect=\n"), EConvertError);
}

TEST(SkinDataControls, SaveThenLoadGivesBackEveryKindUnchanged) {
  // Every kind, with every field moved off its default through the key list
  // itself, must come back field for field.
  for (int i = 0; i < SkinControlKindCount; ++i) {
    auto a = CreateSkinControl(SkinControlKinds[i], "sec");
    auto text = IniFromText("");
    // Write a section where each key gets a distinct non-default value.
    struct Filler : TspSkinFieldVisitor {
      int n = 1;
      void Int(const char*, int& v, int) override { v = 100 + n++; }
      void Flag(const char*, bool& v) override { v = true; }
      void Str(const char*, std::string& v, const char*) override { v = "s" + std::to_string(n++); }
      void Rect(const char*, TRect& v) override { v = TRect{n, n + 1, n + 2, n + 3}; n += 4; }
      void Point(const char*, TPoint& v) override { v = TPoint{n, n + 1}; n += 2; }
      void FontStyle(const char*, TFontStyles& v) override { v = fsItalic | fsStrikeOut; }
      void Alignment(const char*, TAlignment& v) override { v = taLeftJustify; }
      void Strings(const char*, TStrings& v) override { v.Clear(); v.Add("AB"); v.Add("CD"); }
      void Word(const char*, std::uint8_t& v, const TspSkinWords& w) override { v = std::uint8_t(w.Count - 1); }
    } filler;
    a->Describe(filler);
    a->SaveToIni(*text);
    auto b = CreateSkinControl(SkinControlKinds[i], "sec");
    b->LoadFromIni(*text);
    TMemIniFile again;
    b->SaveToIni(again);
    TStringList first, second;
    text->ReadSectionValues("sec", &first);
    again.ReadSectionValues("sec", &second);
    EXPECT_TRUE(first.Equals(&second)) << SkinControlKinds[i];
    EXPECT_GT(first.Count(), 3) << SkinControlKinds[i];
  }
}

TEST(SkinDataControls, TabSideStretchFlagsRoundTrip) {
  TspDataSkinTabControl tab("tab");
  tab.leftstretch = true;
  tab.bottomstretch = true;
  TMemIniFile ini;
  ini.WriteString("tab", "stale", "1");
  tab.SaveToIni(ini);
  EXPECT_FALSE(ini.ValueExists("tab", "stale"));
  TspDataSkinTabControl back("tab");
  back.LoadFromIni(ini);
  EXPECT_TRUE(back.leftstretch);
  EXPECT_FALSE(back.topstretch);
  EXPECT_FALSE(back.rightstretch);
  EXPECT_TRUE(back.bottomstretch);
}

TEST(SkinDataControls, BitLabelSymbolsAreReplacedOnReload) {
  auto ini = IniFromText("[bl]\nsymbolslinecount=2\nsymbolsline0=0123\nsymbolsline1=4567\n");
  TspDataSkinBitLabelControl bl("bl");
  bl.LoadFromIni(*ini);
  bl.LoadFromIni(*ini);
  ASSERT_EQ(bl.symbols.Count(), 2);
  EXPECT_EQ(bl.symbols[1], "4567");
}

// --- objects -----------------------------------------------------------------

struct RestoreHintCase {
  const char* hint;
  const char* command;
  const char* expected;
};

TEST(SkinDataObjects, StdButtonRestoreHintRule) {
  const RestoreHintCase cases[] = {
      {"Maximize", "cmmaximize", "Restore"}, {"Maximize", "cmclose", ""},   {"maximize", "cmmaximize", ""},
      {"Minimize", "cmminimize", "Restore"}, {"Roll Up", "cmrollup", "Restore"}, {"RollUp", "cmrollup", "Restore"},
  };
  for (const RestoreHintCase& c : cases) {
    auto b = LoadObject<TspDataSkinStdButton>(
        "stdbutton", "b", std::string("[b]\nhint=") + c.hint + "\ncommand=" + c.command + "\n");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->restorehint, c.expected) << c.hint << " " << c.command;
  }
  auto kept = LoadObject<TspDataSkinStdButton>("stdbutton", "b", "[b]\nhint=Maximize\ncommand=cmmaximize\nrestorehint=Back\n");
  EXPECT_EQ(kept->restorehint, "Back");
  auto animate = LoadObject<TspDataSkinAnimate>("animate", "a", "[a]\nhint=Minimize\ncommand=cmminimize\nmorphing=1\n");
  EXPECT_EQ(animate->restorehint, "Restore");
  EXPECT_FALSE(animate->morphing);
}

TEST(SkinDataObjects, CommandDefaultsAndUnknownWords) {
  EXPECT_EQ(LoadObject<TspDataSkinStdButton>("stdbutton", "b", "[x]\na=1\n")->command, cmDefault);
  EXPECT_EQ(LoadObject<TspDataSkinStdButton>("stdbutton", "b", "[b]\ncommand=cmMinimize\n")->command, cmMinimizeToTray);
}

TEST(SkinDataObjects, MenuItemActiveImagesFallBackToNormal) {
  auto m = LoadObject<TspDataSkinMenuItem>(
      "menuitem", "mi", "[mi]\narrowimagerect=1,2,11,12\ncheckimagerect=0,0,5,5\nactivecheckimagerect=5,5,10,10\n");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->activearrowimagerect, (TRect{1, 2, 11, 12}));
  EXPECT_EQ(m->activecheckimagerect, (TRect{5, 5, 10, 10}));
}

TEST(SkinDataObjects, TrackBarAndBitLabelNeverMorph) {
  EXPECT_FALSE(LoadObject<TspDataSkinTrackBar>("trackbar", "t", "[t]\nmorphing=1\n")->morphing);
  EXPECT_FALSE(LoadObject<TspDataSkinBitLabel>("bitlabel", "t", "[t]\nmorphing=1\n")->morphing);
  EXPECT_TRUE(LoadObject<TspDataSkinButton>("button", "t", "[t]\nmorphing=1\n")->morphing);
}

TEST(SkinDataObjects, UserObjectReadsOnlyItsThreeKeys) {
  auto u = LoadObject<TspDataUserObject>(
      "userobject", "u", "[u]\nhint=Hello\nactivepictureindex=3\nrollup=1\nskinrect=1,2,3,4\ncursorindex=2\n");
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(u->hint, "");
  EXPECT_EQ(u->activepictureindex, -1);
  EXPECT_EQ(u->glowlayeralphablendvalue, 255);
  EXPECT_TRUE(u->rollup);
  EXPECT_EQ(u->skinrect, (TRect{1, 2, 3, 4}));
  EXPECT_EQ(u->cursorindex, 2);
}

TEST(SkinDataObjects, OddlySpelledKeysAreRead) {
  auto b = LoadObject<TspDataSkinButton>("button", "b", "[b]\ndisableskinrsect=1,1,4,4\ngroupindex=2\n");
  EXPECT_EQ(b->disableskinrsect, (TRect{1, 1, 4, 4}));
  auto c = LoadObject<TspDataSkinCaption>("caption", "c", "[c]\nreflactioncolor=7\nglowsize=9\n");
  EXPECT_EQ(c->reflactioncolor, 7);
  EXPECT_EQ(c->glowsize, 9);
  auto l = LoadObject<TspDataSkinLabel>("label", "l", "[l]\nfontname=Tahoma\n");
  EXPECT_EQ(l->fontName, "Tahoma");
  EXPECT_EQ(LoadObject<TspDataSkinBitLabel>("bitlabel", "l", "[l]\na=1\n")->transparentcolor, 16711935);
}

TEST(SkinDataObjects, ColoursMissingKeysAreBlackAndDefaultsAreSystemColours) {
  TspSkinColors colors;
  EXPECT_EQ(colors.cbtnface, 0);
  colors.SetDefault();
  EXPECT_EQ(colors.cbtnface, clBtnFace);
  EXPECT_EQ(colors.c3ddkshadow, cl3DDkShadow);
  auto ini = IniFromText("[SKINCOLORS]\ncwindow=$00FFFFFF\n");
  colors.LoadFromIni(*ini);
  EXPECT_EQ(colors.cwindow, 0xFFFFFF);
  EXPECT_EQ(colors.cbtnface, 0);
}

TEST(SkinDataObjects, HintWindowConstructionAndReadDefaultsDiffer) {
  TspDataSkinHintWindow hint;
  EXPECT_EQ(hint.fontheight, 12);
  EXPECT_EQ(hint.windowpictureindex, -1);
  auto ini = IniFromText("[HINTWINDOW]\nclientrect=1,2,3,4\n");
  hint.LoadFromIni(*ini);
  EXPECT_EQ(hint.fontheight, 14);
  EXPECT_EQ(hint.clientrect, (TRect{1, 2, 3, 4}));
  TspDataSkinPopupWindow popup;
  auto p = IniFromText("[POPUPWINDOW]\nwindowpictureindex=2\nstretchtype=stHorz\n");
  popup.LoadFromIni(*p);
  EXPECT_EQ(popup.windowpictureindex, 2);
  EXPECT_EQ(popup.cursorindex, -1);
  EXPECT_EQ(popup.stretchtype, stHorz);
}

}  // namespace
