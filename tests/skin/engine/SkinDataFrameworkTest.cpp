// The skin data with the real framework behind it: skin messages reaching
// forms through the headless display, and cursors in the screen's table,
// with no hook installed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "skin/engine/SkinData.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace {

const char* const kMinimalSkin =
    "[VERSION]\nskinname=Minimal\n[PICTURES]\npicture=\n[FORMINFO]\nborderwidth=2\n"
    "[SKINOBJECTS]\ncount=0\n[SKINCONTROLS]\ncount=0\n";

struct TReceived {
  TForm* form;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  bool hadWindow;
};

class SkinDataFormBroadcast : public ::testing::Test {
 protected:
  THeadlessSession s;
  TApplication app{nullptr};
  TApplication* savedApp_ = Application;
  TspSkinBroadcast savedHook_;
  std::vector<TReceived> log;
  // Run by a form's procedure after it logged a skin message.
  std::function<void(TForm*, UINT)> onSkinMessage;

  SkinDataFormBroadcast() {
    Application = &app;
    savedHook_ = SkinBroadcast();
    SkinBroadcast() = TspSkinBroadcast{};  // the framework's forms
  }
  ~SkinDataFormBroadcast() override {
    app.DestroyComponents();
    ProcessPendingMessages();
    Application = savedApp_;
    SkinBroadcast() = savedHook_;
  }

  // A hidden form whose procedure logs the skin messages, as a skinned-form
  // controller would see them, then passes everything on.
  TForm* NewForm() {
    TForm* f = nullptr;
    app.CreateForm(f);
    const TWndMethod previous = f->WindowProc;
    f->WindowProc = TWndMethod::FromFunction(
        [this, f, previous](TMessage& m) {
          if (m.Msg >= SKINMSG_BEFORELOAD && m.Msg <= SKINMSG_SKINNABLECHANGED) {
            log.push_back({f, m.Msg, m.WParam, m.LParam, f->HandleAllocated()});
            if (onSkinMessage) onSkinMessage(f, m.Msg);
          }
          previous(m);
        },
        f);
    return f;
  }

  std::vector<TForm*> Receivers(UINT msg) const {
    std::vector<TForm*> out;
    for (const TReceived& r : log)
      if (r.msg == msg) out.push_back(r.form);
    return out;
  }
};

TEST_F(SkinDataFormBroadcast, LoadTellsTheOwnerFormFirstThenTheScreenFormsInOrder) {
  TForm* owner = NewForm();
  TForm* hidden = NewForm();
  TForm* front = NewForm();
  ASSERT_NE(owner->Handle(), nullptr);
  front->Show();
  s.display.RunUntilIdle();
  // The screen lists the last activated form first, then creation order.
  ASSERT_EQ(Screen->FormCount(), 3);
  ASSERT_EQ(Screen->Forms(0), front);
  ASSERT_EQ(Screen->Forms(1), owner);
  ASSERT_EQ(Screen->Forms(2), hidden);
  ASSERT_FALSE(hidden->HandleAllocated());

  TSkinFolder folder;
  folder.WriteText("Skin.ini", kMinimalSkin);
  auto* data = new TspSkinData(owner);
  ASSERT_TRUE(data->LoadFromFile(folder.Path("Skin.ini"))) << data->LastLoadError;

  ASSERT_EQ(log.size(), 9u);
  const UINT order[] = {SKINMSG_BEFORELOAD, SKINMSG_LOADED, SKINMSG_AFTERLOAD};
  const std::vector<TForm*> expected = {owner, front, hidden};
  for (std::size_t m = 0; m < 3; ++m) {
    for (std::size_t k = 0; k < 3; ++k) {
      const TReceived& r = log[m * 3 + k];
      SCOPED_TRACE(testing::Message() << "message " << m << " receiver " << k);
      EXPECT_EQ(r.msg, order[m]);
      EXPECT_EQ(r.form, expected[k]);
      EXPECT_EQ(r.wParam, reinterpret_cast<WPARAM>(data));
      EXPECT_EQ(r.lParam, 1000);
    }
  }
  // The form without a window heard it all without one being made for it.
  EXPECT_FALSE(log[2].hadWindow);
  EXPECT_FALSE(hidden->HandleAllocated());
  EXPECT_TRUE(log[0].hadWindow);
}

TEST_F(SkinDataFormBroadcast, WithoutAFormOwnerEveryScreenFormInListOrder) {
  TForm* a = NewForm();
  TForm* b = NewForm();
  TComponent notAForm(nullptr);
  auto* data = new TspSkinData(&notAForm);
  data->SendSkinDataMessage(SKINMSG_RESSTRCHANGED);
  EXPECT_EQ(Receivers(SKINMSG_RESSTRCHANGED), (std::vector<TForm*>{a, b}));
  log.clear();
  TspSkinData loose(nullptr);
  loose.SetSkinnableForm(false);
  EXPECT_EQ(Receivers(SKINMSG_SKINNABLECHANGED), (std::vector<TForm*>{a, b}));
  EXPECT_EQ(log.size(), 2u);
}

TEST_F(SkinDataFormBroadcast, FormsFreedByAReceiverAreSkipped) {
  TForm* owner = NewForm();
  TForm* second = NewForm();
  TForm* third = NewForm();
  TForm* fourth = NewForm();
  auto* data = new TspSkinData(owner);
  // The owner frees the second form while it handles the message; the third
  // frees the fourth.
  onSkinMessage = [&](TForm* f, UINT) {
    if (f == owner && second) {
      delete second;
      second = nullptr;
    }
    if (f == third && fourth) {
      delete fourth;
      fourth = nullptr;
    }
  };
  data->SendSkinDataMessage(SKINMSG_RESSTRCHANGED);
  EXPECT_EQ(Receivers(SKINMSG_RESSTRCHANGED), (std::vector<TForm*>{owner, third}));
  log.clear();
  data->SendSkinDataMessage(SKINMSG_RESSTRCHANGED);
  EXPECT_EQ(Receivers(SKINMSG_RESSTRCHANGED), (std::vector<TForm*>{owner, third}));
}

TEST_F(SkinDataFormBroadcast, AFailedOrMissingLoadTellsTheFormsOnlyWhenItStarted) {
  TForm* owner = NewForm();
  TForm* other = NewForm();
  TSkinFolder folder;
  auto* data = new TspSkinData(owner);
  EXPECT_FALSE(data->LoadFromFile(folder.Path("nothere.ini")));
  EXPECT_TRUE(log.empty());
  // Starts, then fails on its frame picture: the forms still hear the end.
  std::string broken = kMinimalSkin;
  broken.replace(broken.find("picture="), 8, "picture=gone.bmp");
  folder.WriteText("Broken.ini", broken);
  EXPECT_FALSE(data->LoadFromFile(folder.Path("Broken.ini")));
  EXPECT_EQ(Receivers(SKINMSG_BEFORELOAD), (std::vector<TForm*>{owner, other}));
  EXPECT_EQ(Receivers(SKINMSG_LOADED), (std::vector<TForm*>{owner, other}));
  EXPECT_EQ(Receivers(SKINMSG_AFTERLOAD), (std::vector<TForm*>{owner, other}));
  EXPECT_TRUE(data->Empty);
  EXPECT_FALSE(data->SkinLoading);
}

// ---- cursors ----------------------------------------------------------------

std::string CursorSkin(int start, const std::vector<std::string>& names) {
  std::string ini = kMinimalSkin;
  ini += "[CURSORS]\nstartcursorindex=" + std::to_string(start) + "\ncursorscount=" + std::to_string(names.size()) + "\n";
  for (std::size_t i = 0; i < names.size(); ++i) ini += std::to_string(i) + "=" + names[i] + "\n";
  return ini;
}

POINT HotSpot(HCURSOR cursor) {
  ICONINFO ii{};
  EXPECT_TRUE(GetIconInfo(cursor, &ii));
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  return POINT{int(ii.xHotspot), int(ii.yHotspot)};
}

class SkinDataScreenCursors : public ::testing::Test {
 protected:
  THeadlessSession s;
  TspSkinCursorTable savedTable_ = SkinCursorTable();
  TSkinFolder folder;
  const HCURSOR arrow = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));

  ~SkinDataScreenCursors() override { SkinCursorTable() = savedTable_; }
};

TEST_F(SkinDataScreenCursors, CursorFilesFillTheScreenTableFromTheStartSlot) {
  folder.WriteCursor("first.cur", 2, 3);
  folder.WriteCursor("third.cur", 7, 5);
  folder.WriteBytes("broken.cur", {0, 0, 2, 0, 1, 0});
  // Slots the program filled before the skin: the skin replaces or empties them.
  const HCURSOR programs = CopyCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_HAND)));
  Screen->SetCursors(41, programs);
  folder.WriteText("Skin.ini", CursorSkin(40, {"first.cur", "missing.cur", "third.cur", "broken.cur"}));
  TspSkinData data(nullptr);
  ASSERT_TRUE(data.LoadFromFile(folder.Path("Skin.ini"))) << data.LastLoadError;

  const HCURSOR first = Screen->Cursors(40);
  ASSERT_NE(first, arrow);
  EXPECT_EQ(HotSpot(first), (POINT{2, 3}));
  EXPECT_EQ(Screen->Cursors(41), arrow);  // emptied: the default cursor
  EXPECT_EQ(HotSpot(Screen->Cursors(42)), (POINT{7, 5}));
  EXPECT_EQ(Screen->Cursors(43), arrow);
  EXPECT_EQ(Screen->Cursors(data.CursorSlot(2)), Screen->Cursors(42));
  EXPECT_TRUE(DestroyCursor(programs));  // the program's own cursor is left to it

  // Loading again replaces the skin's cursors and frees the old ones.
  ASSERT_TRUE(data.LoadFromFile(folder.Path("Skin.ini")));
  const HCURSOR again = Screen->Cursors(40);
  EXPECT_NE(again, first);
  EXPECT_EQ(HotSpot(again), (POINT{2, 3}));
  EXPECT_FALSE(DestroyCursor(first));  // already freed

  // A skin whose cursor files are gone empties the slots and frees them.
  folder.WriteText("Gone.ini", CursorSkin(40, {"x.cur", "y.cur", "z.cur"}));
  ASSERT_TRUE(data.LoadFromFile(folder.Path("Gone.ini")));
  for (int slot : {40, 41, 42}) EXPECT_EQ(Screen->Cursors(slot), arrow) << slot;
  EXPECT_FALSE(DestroyCursor(again));
}

// Slots naming one file share its one cursor; it is freed once, when the
// last of them lets it go.
TEST_F(SkinDataScreenCursors, SlotsNamingOneFileShareItsCursor) {
  folder.WriteCursor("one.cur", 4, 6);
  folder.WriteText("Skin.ini", CursorSkin(50, {"one.cur", "one.cur", "one.cur"}));
  TspSkinData data(nullptr);
  ASSERT_TRUE(data.LoadFromFile(folder.Path("Skin.ini"))) << data.LastLoadError;
  const HCURSOR shared = Screen->Cursors(50);
  ASSERT_NE(shared, arrow);
  EXPECT_EQ(Screen->Cursors(51), shared);
  EXPECT_EQ(Screen->Cursors(52), shared);
  EXPECT_EQ(HotSpot(shared), (POINT{4, 6}));
  // A skin that keeps one of the slots on another file: the shared cursor
  // stays for the others.
  folder.WriteCursor("two.cur", 1, 1);
  folder.WriteText("Two.ini", CursorSkin(50, {"two.cur"}));
  ASSERT_TRUE(data.LoadFromFile(folder.Path("Two.ini")));
  EXPECT_NE(Screen->Cursors(50), shared);
  EXPECT_EQ(Screen->Cursors(51), shared);
  EXPECT_EQ(HotSpot(Screen->Cursors(51)), (POINT{4, 6}));
  // Emptying the others frees it, once.
  folder.WriteText("Gone.ini", CursorSkin(50, {"x.cur", "y.cur", "z.cur"}));
  ASSERT_TRUE(data.LoadFromFile(folder.Path("Gone.ini")));
  for (int slot : {50, 51, 52}) EXPECT_EQ(Screen->Cursors(slot), arrow) << slot;
  EXPECT_FALSE(DestroyCursor(shared));
}

}  // namespace
