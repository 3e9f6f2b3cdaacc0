// The skinned edit: its frame in the default look and from the skin, Enter
// and Escape to the form, the ReadOnly filter, composition, the context
// menu and the push button.
#include <gtest/gtest.h>

#include "platform/graphics/ImageList.h"
#include "platform/ui/controls/StdCtrls.h"
#include "skin/controls/SkinBoxCtrls.h"
#include "skin/engine/SkinStrings.h"
#include "skin/windows/Brenvale.h"
#include "tests/skin/controls/SkinEditTestSupport.h"
#include "tests/skin/windows/SkinMenusTestSupport.h"

using namespace skinctl;

namespace {

// Counts the windows it is given.
class TCountingEdit : public TspSkinCustomEdit {
 public:
  using TspSkinCustomEdit::TspSkinCustomEdit;
  int Creates = 0;

 protected:
  void CreateWnd() override {
    ++Creates;
    TspSkinCustomEdit::CreateWnd();
  }
};

class SkinEditTest : public SkinBoxTest {
 protected:
  TspSkinCustomEdit* NewEdit(int w = 59, int h = 18) {
    auto* e = new TspSkinCustomEdit(form);
    e->SetParent(form);
    e->SetBounds(20, 30, w, h);
    e->OnChange = [this, e](TObject*) { log.push_back("change " + e->Text()); };
    return e;
  }
  // What the menu hook was given.
  struct MenuShown {
    TPopupMenu* menu = nullptr;
    TPoint at{};
    int count = 0;
  } shown;
  decltype(SkinEditMenuPopup) savedPopup_;
  void SetUp() override {
    SkinBoxTest::SetUp();
    savedPopup_ = SkinEditMenuPopup;
    SkinEditMenuPopup = [this](TspCustomEdit*, TPopupMenu* m, TPoint at) {
      shown.menu = m;
      shown.at = at;
      ++shown.count;
    };
    ASSERT_TRUE(PutClipboardText(""));
  }
  void TearDown() override {
    SkinEditMenuPopup = savedPopup_;
    SkinBoxTest::TearDown();
  }
  std::string States() {
    std::string out;
    for (int i = 0; i < shown.menu->Items()->Count(); ++i) {
      TMenuItem* it = shown.menu->Items()->Items(i);
      out += it->IsLine() ? '-' : it->Enabled() ? '+' : '.';
    }
    return out;
  }
};

TEST_F(SkinEditTest, DefaultLookOfASmallEditWithAndWithoutItsButton) {
  form->SetColor(clWhite);
  TspSkinCustomEdit* e = NewEdit();
  e->SetText("12");
  Show();
  EXPECT_EQ(e->ControlIndex(), -1);
  // Two one-pixel rings, then the text area (2, 2, 57, 16) on the window colour.
  EXPECT_EQ(e->ClientWidth(), 55);
  EXPECT_EQ(e->ClientHeight(), 14);
  EXPECT_EQ(e->ClientToScreen(TPoint{0, 0}), WinAt(e, 2, 2));
  EXPECT_EQ(WinPixel(e, 0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(WinPixel(e, 58, 17), ColorToRGB(clBtnShadow));
  EXPECT_EQ(WinPixel(e, 1, 1), ColorToRGB(clBtnFace));
  EXPECT_EQ(WinPixel(e, 57, 9), ColorToRGB(clBtnFace));
  EXPECT_EQ(WinPixel(e, 50, 12), ColorToRGB(clWindow));
  WinSnapshot(e, "edit_default");

  e->SetButtonMode(true);
  Idle();
  // An 18 x 18 flat square at the right; the text area ends 2 pixels left of it.
  EXPECT_EQ(e->ButtonRect(), (TRect{41, 0, 59, 18}));
  EXPECT_EQ(e->ClientWidth(), 37);
  EXPECT_EQ(WinPixel(e, 41, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(WinPixel(e, 50, 9), ColorToRGB(clBtnFace));
  EXPECT_EQ(WinPixel(e, 40, 9), ColorToRGB(clBtnShadow));
  WinSnapshot(e, "edit_default_button");
}

TEST_F(SkinEditTest, TheButtonTurnsHotAndPressedAndClicksOnRelease) {
  TspSkinCustomEdit* e = NewEdit(80, 20);
  e->SetButtonMode(true);
  int clicks = 0;
  e->OnButtonClick = [&](TObject*) { ++clicks; };
  Show();
  const TPoint in = WinAt(e, 70, 10);
  s.display.MouseMove(in.X, in.Y);
  Idle();
  EXPECT_TRUE(e->ButtonHot());
  EXPECT_EQ(WinPixel(e, 70, 10), 0x00D2BDB6);
  EXPECT_EQ(WinPixel(e, 60, 0), 0x00800000);
  s.display.MouseDown(in.X, in.Y);
  Idle();
  EXPECT_TRUE(e->ButtonPressed());
  EXPECT_EQ(WinPixel(e, 70, 10), 0x00B59385);
  EXPECT_EQ(clicks, 0);
  s.display.MouseUp(in.X, in.Y);
  Idle();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(e->Focused());
  // The frame beside the text is no scroll bar: a press there does nothing.
  const TPoint frame = WinAt(e, 1, 10);
  s.display.MouseMove(frame.X, frame.Y);
  s.display.Click(frame.X, frame.Y);
  Idle();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(e->ButtonHot());
}

TEST_F(SkinEditTest, WizardSkinFramesTheEditFromItsPictureAndFixesItsHeight) {
  LoadWizardSkin();
  form->SetColor(clBtnFace);
  TspSkinCustomEdit* e = NewEdit(120, 30);
  e->SetSkinData(skin);
  e->SetText("皮肤 skin");
  Show();
  ASSERT_NE(e->ControlIndex(), -1);
  // The height is the skin rectangle's; the client is the description's.
  EXPECT_EQ(e->Height(), 24);
  EXPECT_EQ(e->ClientToScreen(TPoint{0, 0}), WinAt(e, 5, 4));
  EXPECT_EQ(e->ClientWidth(), 120 - 5 - 5);
  EXPECT_EQ(e->ClientHeight(), 16);
  TBitmap* pic = skin->GetActivePicture(4);
  ASSERT_NE(pic, nullptr);
  // Corners and edges come from the normal cell of the picture.
  EXPECT_EQ(WinPixel(e, 0, 0), pic->Canvas()->Pixels(0, 0));
  EXPECT_EQ(WinPixel(e, 119, 23), pic->Canvas()->Pixels(79, 23));
  EXPECT_EQ(WinPixel(e, 60, 1), pic->Canvas()->Pixels(40, 1));
  WinSnapshot(e, "edit_wizard_normal");
  // Hovering shows the active cell.
  const TPoint in = WinAt(e, 60, 12);
  s.display.MouseMove(in.X, in.Y);
  Idle();
  EXPECT_TRUE(e->MouseIn());
  EXPECT_EQ(WinPixel(e, 0, 0), pic->Canvas()->Pixels(0, 24));
  EXPECT_EQ(WinPixel(e, 60, 1), pic->Canvas()->Pixels(40, 25));
  WinSnapshot(e, "edit_wizard_active");
  // Asked from outside, the frame goes into the caller's DC with the answer.
  TBitmap out;
  out.SetPixelFormat(pf24bit);
  out.SetSize(e->Width(), e->Height());
  EXPECT_EQ(SendMessage(e->Handle(), WM_SPPAINTFRAME, WPARAM(out.Canvas()->Handle()), 0), SP_PAINTFRAME_ANSWER);
  EXPECT_EQ(out.Canvas()->Pixels(0, 0), pic->Canvas()->Pixels(0, 24));
  EXPECT_EQ(SendMessage(e->Handle(), WM_SPPAINTFRAME, 0, 0), 0);
  EXPECT_EQ(SendMessage(e->Handle(), WM_SPPAINTFRAMECLIPPED, WPARAM(out.Canvas()->Handle()), SP_PAINTFRAMECLIPPED_KEY),
            SP_PAINTFRAMECLIPPED_KEY);
}

TEST_F(SkinEditTest, EnterAndEscapeGoToTheFormsButtonsAndAreNeverTyped) {
  TspSkinCustomEdit* e = NewEdit(100, 20);
  auto* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetBounds(200, 30, 75, 25);
  ok->SetDefault(true);
  auto* cancel = new TButton(form);
  cancel->SetParent(form);
  cancel->SetBounds(200, 60, 75, 25);
  cancel->SetCancel(true);
  ok->OnClick = [this](TObject*) { log.push_back("ok"); };
  cancel->OnClick = [this](TObject*) { log.push_back("cancel"); };
  std::vector<std::string> pressed;
  e->OnKeyPress = [&](TObject*, std::string& k) {
    pressed.push_back(k);
    k = "x";  // a copy: the edit never types it
  };
  Show();
  e->SetFocus();
  Idle();
  Type("ab");
  Take();
  Key(VK_RETURN);
  Key(VK_ESCAPE);
  EXPECT_EQ(Take(), (Log{"ok", "cancel"}));
  EXPECT_EQ(e->Text(), "xx");
  EXPECT_EQ(pressed, (std::vector<std::string>{"a", "b", "\r", "\x1b"}));
}

// What reaches the text with ReadOnly set, by every road.
TEST_F(SkinEditTest, ReadOnlyStopsEveryChangeButSelectionAndCopy) {
  TspSkinCustomEdit* e = NewEdit(120, 20);
  e->SetText("value");
  e->SetReadOnly(true);
  Show();
  e->SetFocus();
  Idle();
  ASSERT_TRUE(PutClipboardText("clip"));
  Take();
  struct Step {
    const char* what;
    std::function<void()> act;
  } steps[] = {
      {"type", [&] { Type("zz"); }},
      {"backspace", [&] { Key(VK_BACK); }},
      {"delete", [&] { Key(VK_DELETE); }},
      {"shift delete", [&] { With(VK_SHIFT, VK_DELETE); }},
      {"ctrl v", [&] { With(VK_CONTROL, 'V'); }},
      {"shift insert", [&] { With(VK_SHIFT, VK_INSERT); }},
      {"ctrl x", [&] { With(VK_CONTROL, 'X'); }},
      {"ctrl z", [&] { With(VK_CONTROL, 'Z'); }},
      {"paste message", [&] { e->PasteFromClipboard(); }},
      {"clear message", [&] { e->ClearSelection(); }},
      {"composition", [&] {
         s.display.ComposeText("ni", 2);
         s.display.CommitComposition("你");
         Idle();
       }},
  };
  for (const Step& st : steps) {
    e->SelectAll();
    st.act();
    EXPECT_EQ(e->Text(), "value") << st.what;
  }
  EXPECT_TRUE(Take().empty());
  // Selecting and copying still work.
  e->SetSelStart(0);
  e->SetSelLength(0);
  With(VK_CONTROL, 'A');
  EXPECT_EQ(e->SelLength(), 5);
  With(VK_CONTROL, 'C');
  EXPECT_EQ(ClipboardText(), "value");
  // Writable again, the same keys edit.
  e->SetReadOnly(false);
  e->SelectAll();
  With(VK_CONTROL, 'V');
  EXPECT_EQ(e->Text(), "value");
}

TEST_F(SkinEditTest, ChineseTypedThroughACompositionLandsInTheEdit) {
  TspSkinCustomEdit* e = NewEdit(120, 20);
  Show();
  e->SetFocus();
  Idle();
  s.display.ComposeText("nihao", 5);
  Idle();
  EXPECT_EQ(e->Text(), "");
  s.display.CommitComposition("你好");
  Idle();
  EXPECT_EQ(e->Text(), "你好");
  EXPECT_EQ(Take(), (Log{"change 你好"}));
}

TEST_F(SkinEditTest, ContextMenuItemsStatesAndPosition) {
  TspSkinCustomEdit* e = NewEdit(120, 20);
  e->SetText("hello");
  Show();
  e->SetFocus();
  Idle();
  const struct {
    const char* what;
    bool readOnly;
    const char* clip;
    int selStart, selLength;
    const char* states;  // undo - cut copy paste delete - select all
  } cases[] = {
      {"nothing selected, empty clipboard", false, nullptr, 1, 0, ".-....-+"},
      {"part selected, text on the clipboard", false, "x", 1, 2, ".-++++-+"},
      {"read-only with a selection", true, "x", 1, 2, ".-.+..-+"},
      {"all selected", false, nullptr, 0, 5, ".-++.+-."},
  };
  for (const auto& c : cases) {
    e->SetReadOnly(c.readOnly);
    ASSERT_TRUE(PutClipboardText(c.clip));
    e->SetSelStart(c.selStart);
    e->SetSelLength(c.selLength);
    const TPoint p = WinAt(e, 30, 10);
    s.display.MouseMove(p.X, p.Y);
    s.display.MouseDown(p.X, p.Y, TMouseButton::mbRight);
    s.display.MouseUp(p.X, p.Y, TMouseButton::mbRight);
    Idle();
    ASSERT_NE(shown.menu, nullptr) << c.what;
    EXPECT_EQ(shown.at, p) << c.what;
    EXPECT_EQ(States(), c.states) << c.what;
    shown.menu = nullptr;
  }
  // Built-in texts without a skin.
  e->CreateEditMenu();
  EXPECT_EQ(e->EditMenu()->Items()->Items(0)->Caption(), "Undo");
  EXPECT_EQ(e->EditMenu()->Items()->Items(7)->Caption(), "Select All");

  // The menu key opens it at the edit's centre; a real point left of the
  // primary monitor is taken as it is.
  SendMessage(e->Handle(), WM_CONTEXTMENU, WPARAM(e->Handle()), LPARAM(0xFFFFFFFF));
  EXPECT_EQ(shown.at, e->ClientToScreen(TPoint{e->ClientWidth() / 2, e->ClientHeight() / 2}));
  SendMessage(e->Handle(), WM_CONTEXTMENU, WPARAM(e->Handle()), MAKELONG(-300, 40));
  EXPECT_EQ(shown.at, (TPoint{-300, 40}));

  // A chosen command runs through the edit's messages, so ReadOnly holds.
  e->SetReadOnly(false);
  e->SetSelStart(0);
  e->SetSelLength(5);
  e->CreateEditMenu();
  e->EditMenu()->Items()->Items(5)->Click();
  EXPECT_EQ(e->Text(), "");
  e->EditMenu()->Items()->Items(0)->Click();
  EXPECT_EQ(e->Text(), "hello");
}

// The menu is the skinned one: it names its items from the resource strings
// of the form's skinned-form controller and shows through the controller
// that serves the form's menus, the main form's for an MDI child.
TEST_F(SkinEditTest, ContextMenuIsTheSkinnedMenuNamedByTheFormsController) {
  SkinEditMenuPopup = savedPopup_;
  // The menu takes its keys through the application's message callback.
  auto Idle = [this] {
    app.ProcessMessages();
    s.display.RunUntilIdle();
  };
  LoadWizardSkin();
  const struct {
    const char* key;
    int index;
    const char* text;
  } texts[] = {{"EDIT_UNDO", 0, "撤销"},  {"EDIT_CUT", 2, "剪切"},    {"EDIT_COPY", 3, "复制"},
               {"EDIT_PASTE", 4, "粘贴"}, {"EDIT_DELETE", 5, "删除"}, {"EDIT_SELECTALL", 7, "全选"}};
  std::vector<std::string> menuLog;
  // Created before the controller, so the stand-in serves the menus.
  auto* served = new skinmenus::TTestController(form, &menuLog);
  served->skin = skin;
  auto* strings = new TspResourceStrData(form);
  TStringList lines;
  for (const auto& t : texts) lines.Add(std::string(t.key) + "=" + t.text);
  strings->SetResStrings(&lines);
  auto* named = new TspSkinData(form);
  named->SetResourceStrData(strings);
  auto* controller = new TspBrenvale(form);
  controller->SetSkinData(named);

  TspSkinCustomEdit* e = NewEdit(120, 20);
  e->SetText("hello");
  Show();
  e->SetFocus();
  e->SetSelStart(1);
  e->SetSelLength(0);
  const TPoint p = WinAt(e, 30, 10);
  s.display.MouseMove(p.X, p.Y);
  s.display.MouseDown(p.X, p.Y, TMouseButton::mbRight);
  s.display.MouseUp(p.X, p.Y, TMouseButton::mbRight);
  Idle();
  ASSERT_NE(e->EditMenu(), nullptr);
  EXPECT_EQ(e->EditMenu()->ControllerForm, form);
  for (const auto& t : texts) EXPECT_EQ(e->EditMenu()->Items()->Items(t.index)->Caption(), t.text) << t.key;
  ASSERT_TRUE(served->menu->Visible);
  ASSERT_EQ(served->menu->PopupWindows.size(), 1u);
  EXPECT_EQ(served->menu->OpenerControl(), e);
  // A click on Select All chooses it; the menu is freed once the command is done.
  TspSkinPopupWindow* level = served->menu->PopupWindows[0].get();
  RECT lr{};
  GetWindowRect(level->Handle(), &lr);
  TPoint row{-1, -1};
  for (const auto& r : level->Items)
    if (r->Item->Caption() == "全选") row = TPoint{lr.Left + r->Bounds.Left + 4, lr.Top + r->Bounds.Top + 4};
  ASSERT_NE(row.X, -1);
  s.display.MouseMove(row.X, row.Y);
  Idle();
  s.display.MouseDown(row.X, row.Y);
  s.display.MouseUp(row.X, row.Y);
  Idle();
  EXPECT_FALSE(served->menu->Visible);
  EXPECT_EQ(e->SelStart(), 0);
  EXPECT_EQ(e->SelLength(), 5);
  EXPECT_EQ(e->EditMenu(), nullptr);

  // An edit on an MDI child: the main form's controller shows the menu.
  form->SetFormStyle(fsMDIForm);
  TForm* child = nullptr;
  app.CreateForm(child);
  child->SetFormStyle(fsMDIChild);
  auto* ce = new TspSkinCustomEdit(child);
  ce->SetParent(child);
  ce->SetBounds(4, 4, 80, 20);
  child->Show();
  Idle();
  ce->CreateEditMenu();
  EXPECT_EQ(ce->EditMenu()->ControllerForm, form);
  // Without a controller on the child, its texts are the built-in ones.
  EXPECT_EQ(ce->EditMenu()->Items()->Items(7)->Caption(), "Select All");
  SendMessage(ce->Handle(), WM_CONTEXTMENU, WPARAM(ce->Handle()), LPARAM(0xFFFFFFFF));
  Idle();
  EXPECT_TRUE(served->menu->Visible);
  EXPECT_EQ(served->menu->OpenerControl(), ce);
  served->menu->CloseAll();
  Idle();
}

// The skinned menu reports its command while the command's item is still
// on the stack: the menu goes later, from the queue.
TEST_F(SkinEditTest, MenuCommandDoneFreesTheMenuAfterTheDispatch) {
  TspSkinCustomEdit* e = NewEdit(120, 20);
  Show();
  e->CreateEditMenu();
  TMenuItem* item = e->EditMenu()->Items()->Items(7);
  item->OnClick = [&](TObject*) {
    SendMessage(e->Handle(), WM_SPMENUCOMMANDDONE, 0, 0);
    log.push_back(item->Caption());  // still alive here
  };
  item->Click();
  EXPECT_NE(e->EditMenu(), nullptr);
  Idle();
  EXPECT_EQ(e->EditMenu(), nullptr);
  EXPECT_EQ(Take(), (Log{"Select All"}));
  // An old request does not free a newer menu.
  e->CreateEditMenu();
  SendMessage(e->Handle(), WM_SPMENUCOMMANDDONE, 0, 0);
  e->CreateEditMenu();
  Idle();
  EXPECT_NE(e->EditMenu(), nullptr);
}

// With a font of its own (UseSkinFont off) the edit's height follows the
// font; in the default look it takes the font on a new window, keeping its
// text, selection and focus.
TEST_F(SkinEditTest, AFontOfItsOwnSetsTheHeightAndRecreatesTheDefaultEdit) {
  LoadWizardSkin();
  const struct {
    const char* name;
    bool useSkinFont, skinned, recreated;
  } cases[] = {
      {"skin font, default look", true, false, false},
      {"own font, default look", false, false, true},
      {"own font, skinned", false, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto* e = new TCountingEdit(form);
    e->SetParent(form);
    e->UseSkinFont = c.useSkinFont;
    if (c.skinned) e->SetSkinData(skin);
    e->SetBounds(20, 30, 120, 40);
    e->SetText("hello 你好");
    Show();
    e->SetFocus();
    Idle();
    e->SetSelStart(2);
    e->SetSelLength(5);
    const int before = e->Height();
    e->Creates = 0;
    e->Font()->SetHeight(-20);
    Idle();
    EXPECT_EQ(e->Creates, c.recreated ? 1 : 0);
    EXPECT_TRUE(e->HandleAllocated());
    EXPECT_EQ(e->Text(), "hello 你好");
    EXPECT_EQ(e->SelStart(), 2);
    EXPECT_EQ(e->SelLength(), 5);
    EXPECT_TRUE(e->Focused());
    if (c.useSkinFont) {
      EXPECT_EQ(e->Height(), before);
    } else {
      EXPECT_EQ(e->Height(), e->EditHeight());
      EXPECT_GT(e->Height(), 20);
    }
    // Typing goes on where the selection was.
    Type("X");
    EXPECT_EQ(e->Text(), "heX好");
    delete e;
    Idle();
  }
}

TEST_F(SkinEditTest, DisabledTextIsGreyAtTheLeftOfItsArea) {
  form->SetColor(clWhite);
  TspSkinCustomEdit* e = NewEdit(80, 20);
  e->SetText("88");
  Show();
  e->SetEnabled(false);
  Idle();
  EXPECT_EQ(e->Font()->Color(), clGrayText);
  int firstGrey = -1;
  for (int x = 0; x < e->ClientWidth() && firstGrey < 0; ++x)
    for (int y = 0; y < e->ClientHeight(); ++y)
      if (Pixel(e, x, y) == ColorToRGB(clGrayText)) {
        firstGrey = x;
        break;
      }
  EXPECT_GE(firstGrey, 2);
  EXPECT_LE(firstGrey, 4);
  WinSnapshot(e, "edit_default_disabled");
  e->SetEnabled(true);
  Idle();
  EXPECT_EQ(e->Font()->Color(), clBlack);
}

TEST_F(SkinEditTest, ALeftImageMovesTheTextAndClicksLikeAButton) {
  TImageList images(form);
  images.SetSize(16, 16);
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(16, 16);
  skinpx::Fill(b, 0x00C000C0);
  images.Add(&b, nullptr);
  TspSkinCustomEdit* e = NewEdit(120, 22);
  int clicks = 0;
  e->OnLeftButtonClick = [&](TObject*) { ++clicks; };
  e->SetImages(&images);
  e->SetLeftImageIndex(0);
  Show();
  EXPECT_EQ(e->LeftImageRect(), (TRect{0, 0, 16, e->ClientHeight()}));
  EXPECT_EQ(e->FormattingRect().Left, 18);
  EXPECT_EQ(Pixel(e, 8, e->ClientHeight() / 2), 0x00C000C0);
  WinSnapshot(e, "edit_default_image");
  const TPoint p = e->ClientToScreen(TPoint{8, 8});
  s.display.MouseMove(p.X, p.Y);
  s.display.Click(p.X, p.Y);
  Idle();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(e->Focused());
}

}  // namespace
