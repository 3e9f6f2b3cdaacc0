// The wizard's end-to-end scenario under a private Xvfb: the main window on
// our X11 display, every pointer move, button, wheel notch and key sent to
// the X server, which hands them to the program as a user's devices would.
// The pointer moves with XWarpPointer, so the server itself reports the
// motion and the crossings; buttons, wheel and keys are events sent to the
// window under the pointer or in front. The program runs in this process so
// the script can find its controls; the run ends with the saved files
// checked against the pixel routines applied in the same order. Pictures of
// every page go to $LUMIQA_SCREENSHOTS when it is set.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <algorithm>

#include "app/main/UBmpToJpg.h"
#include "imaging/view/pictoraview.h"
#include "imaging/view/vqopensavedlg.h"
#include "platform/ui/lists/ListView.h"
#include "app/pages/uSmooth_Form.h"
#include "platform/rtl/SafeSave.h"
#include "platform/ui/controls/ComCtrls.h"
#include "platform/ui/dialogs/FileDialog.h"
#include "imaging/core/base/vqzdefs.h"
#include "platform/rtl/Exceptions.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/user/paint/Paint.h"
#include "platform/ui/forms/Application.h"
#include "platform/user/windows/Window.h"
#include "platform/user/windows/WindowPos.h"
#include "tests/app/WizardFolder.h"
#include "tests/app/scenario/WizardScenario.h"
#include "tests/support/ScreenPng.h"
#include "tests/platform/backend/x11/X11Fixture.h"
#include "platform/ui/forms/Screen.h"
#include <X11/XKBlib.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

namespace {

namespace fs = std::filesystem;

using scenario::FileBytes;

LRESULT UnusedProc(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProc(h, m, wp, lp); }

// The X server as the scenario's hand.
class TXHost : public scenario::TScenarioHost {
 public:
  TXHost(Display* reader, TX11Display& display) : reader_(reader), display_(display) {}

  void MoveTo(TPoint p) override {
    at_ = p;
    XWarpPointer(reader_, kXNone, DefaultRootWindow(reader_), 0, 0, 0, 0, p.X, p.Y);
    XFlush(reader_);
  }
  void Button(TMouseButton b, bool down) override {
    const unsigned button = b == TMouseButton::mbLeft ? Button1 : b == TMouseButton::mbRight ? Button3 : Button2;
    SendButton(button, down);
    const unsigned mask = button == Button1 ? Button1Mask : button == Button3 ? Button3Mask : Button2Mask;
    buttons_ = down ? buttons_ | mask : buttons_ & ~mask;
  }
  void Wheel(int notches) override {
    for (int i = 0; i < std::abs(notches); ++i) {
      SendButton(notches > 0 ? Button4 : Button5, true);
      SendButton(notches > 0 ? Button4 : Button5, false);
    }
  }
  void Key(int vk, bool down) override {
    KeySym ks = NoSymbol;
    unsigned modifier = 0;
    switch (vk) {
      case VK_RETURN: ks = XK_Return; break;
      case VK_ESCAPE: ks = XK_Escape; break;
      case VK_BACK: ks = XK_BackSpace; break;
      case VK_HOME: ks = XK_Home; break;
      case VK_END: ks = XK_End; break;
      case VK_UP: ks = XK_Up; break;
      case VK_DOWN: ks = XK_Down; break;
      case VK_F4: ks = XK_F4; break;
      case VK_SHIFT: ks = XK_Shift_L, modifier = ShiftMask; break;
      case VK_MENU: ks = XK_Alt_L, modifier = Mod1Mask; break;
      default: ADD_FAILURE() << "no key sym for virtual key " << vk; return;
    }
    SendKey(ks, down);
    if (modifier) modifiers_ = down ? modifiers_ | modifier : modifiers_ & ~modifier;
  }
  void Type(const std::string& text) override {
    for (char c : text) {
      // Latin-1 characters are their own key syms.
      const KeySym ks = KeySym(static_cast<unsigned char>(c));
      const KeyCode code = XKeysymToKeycode(reader_, ks);
      const bool shifted = code && XkbKeycodeToKeysym(reader_, code, 0, 0) != ks;
      if (shifted) Key(VK_SHIFT, true);
      SendKey(ks, true);
      SendKey(ks, false);
      if (shifted) Key(VK_SHIFT, false);
    }
  }
  bool Shown(TForm* form) override {
    if (!form->Showing()) return false;
    const Window w = Window(display_.NativeOf(form->Handle()));
    XWindowAttributes a{};
    return w && XGetWindowAttributes(reader_, w, &a) && a.map_state == IsViewable;
  }
  void Shot(const std::string& name) override {
    // What the server shows once every window has painted.
    for (int i = 0; i < Screen->CustomFormCount(); ++i)
      if (TCustomForm* f = Screen->CustomForms(i); f->Showing()) f->Update();
    display_.Sync();
    XSync(reader_, False);
    MaybeSaveScreenshot(reader_, "wizard_scenario_" + name);
  }
  bool OnScreen(TForm* form) override {
    // A few points of the window: what our side painted last is what the
    // server shows.
    const Surface* ours = WindowSurface(form->Handle());
    if (!ours || !ours->Valid() || !ours->IsBGRX()) return false;
    for (int i = 1; i < 4; ++i) {
      const int x = ours->width * i / 4, y = ours->height * i / 4;
      const std::uint32_t painted = reinterpret_cast<const std::uint32_t*>(ours->Row(y))[x] & 0xFFFFFF;
      XImage* img = XGetImage(reader_, DefaultRootWindow(reader_), form->Left() + x, form->Top() + y, 1, 1,
                              AllPlanes, ZPixmap);
      if (!img) return false;
      const unsigned long shown = XGetPixel(img, 0, 0) & 0xFFFFFF;
      XDestroyImage(img);
      if (shown != painted) return false;
    }
    return true;
  }

 private:
  // The native window of the top-level form under the pointer, else of the
  // active one.
  Window Target() const {
    HWND h = WindowFromPoint(POINT{at_.X, at_.Y});
    if (h) h = GetAncestor(h, GA_ROOT);
    if (!h) h = GetActiveWindow();
    return h ? Window(display_.NativeOf(h)) : 0;
  }
  Window Front() const {
    HWND h = GetActiveWindow();
    return h ? Window(display_.NativeOf(h)) : Target();
  }
  void SendButton(unsigned button, bool down) {
    const Window w = Target();
    if (!w) return ADD_FAILURE() << "no window under " << at_.X << "," << at_.Y;
    XEvent ev{};
    ev.xbutton.type = down ? ButtonPress : ButtonRelease;
    ev.xbutton.display = reader_;
    ev.xbutton.window = w;
    ev.xbutton.root = DefaultRootWindow(reader_);
    ev.xbutton.x_root = at_.X;
    ev.xbutton.y_root = at_.Y;
    Window child = 0;
    XTranslateCoordinates(reader_, DefaultRootWindow(reader_), w, at_.X, at_.Y, &ev.xbutton.x, &ev.xbutton.y, &child);
    ev.xbutton.button = button;
    ev.xbutton.state = buttons_ | modifiers_;
    ev.xbutton.same_screen = True;
    XSendEvent(reader_, w, False, down ? ButtonPressMask : ButtonReleaseMask, &ev);
    XFlush(reader_);
  }
  void SendKey(KeySym ks, bool down) {
    const Window w = Front();
    if (!w) return ADD_FAILURE() << "no window in front";
    XEvent ev{};
    ev.xkey.type = down ? kXKeyPress : kXKeyRelease;
    ev.xkey.display = reader_;
    ev.xkey.window = w;
    ev.xkey.root = DefaultRootWindow(reader_);
    ev.xkey.keycode = XKeysymToKeycode(reader_, ks);
    ev.xkey.state = modifiers_ | buttons_;
    ev.xkey.x_root = at_.X;
    ev.xkey.y_root = at_.Y;
    ev.xkey.same_screen = True;
    XSendEvent(reader_, w, False, down ? KeyPressMask : KeyReleaseMask, &ev);
    XFlush(reader_);
  }

  Display* reader_;
  TX11Display& display_;
  TPoint at_{};
  unsigned buttons_ = 0, modifiers_ = 0;
};

// Whether the server shows, at the view's client point p, the pixel the
// view composed there.
bool ServerShowsViewPixel(Display* reader, TPictoraView* v, TPoint p, std::uint32_t* composedOut = nullptr) {
  const Byte* px = static_cast<const Byte*>(v->BackBuffer()->ScanLine(p.Y)) + 3 * p.X;
  const std::uint32_t composed = std::uint32_t(px[2]) << 16 | std::uint32_t(px[1]) << 8 | px[0];
  if (composedOut) *composedOut = composed;
  const TPoint at = v->ClientToScreen(p);
  XImage* img = XGetImage(reader, DefaultRootWindow(reader), at.X, at.Y, 1, 1, AllPlanes, ZPixmap);
  if (!img) return false;
  const unsigned long shown = XGetPixel(img, 0, 0) & 0xFFFFFF;
  XDestroyImage(img);
  return shown == composed;
}

class WizardScenarioXvfb : public TX11Fixture {
 protected:
  std::string dir;
  std::unique_ptr<TApplication> app_;
  TApplication* savedApp_ = nullptr;
  std::function<void(TObject*)> savedHook_;
  TFrm_Main* main = nullptr;

  void SetUp() override {
    StartX11(1024, 768, "WizardScenarioXvfbUnused", UnusedProc, 0x404850);
    if (IsSkipped() || HasFatalFailure()) return;
    StartImagingLibrary();
    dir = "/tmp/lumiqa-scenario-" + std::to_string(getpid());
    wizard::MakeWizardFolder(dir);
    fs::copy_file(kPortrait, dir + "/pictures/portrait.jpg");
    savedHook_ = wizard::FailOnActionErrors();
    savedApp_ = Application;
    app_ = std::make_unique<TApplication>(nullptr);
    Application = app_.get();
    app_->CreateForm(main);
    main->Show();
    ASSERT_TRUE(WaitUntil([&] { return Viewable(Window(display->NativeOf(main->Handle()))); }));
  }
  void TearDown() override {
    if (app_) {
      app_->DestroyComponents();
      ProcessPendingMessages();
      Application = savedApp_;
      app_.reset();
      ApplicationHandleExceptionHook = savedHook_;
      SetWizardFolder("");
      EndImagingLibrary();
    }
    // Also when SetUp stopped half-way.
    if (!dir.empty()) {
      std::error_code ignored;
      fs::remove_all(dir, ignored);
    }
    StopX11();
  }
};

TEST_F(WizardScenarioXvfb, EveryStepOnThePortraitWithInputThroughTheServer) {
  TXHost host(reader, *display);
  scenario::TScript script;
  scenario::TWizardScenario plan(host, script, dir + "/pictures");
  plan.Build(kPortrait);
  script.Start(app_.get(), 10, 1500);
  ASSERT_TRUE(WaitUntil([&] { return script.Finished(); }, 240000)) << "the scenario never ended";
  ASSERT_FALSE(script.Failed());
  EXPECT_GT(plan.highlightChanged, 20);
  EXPECT_EQ(plan.lassoBrightened, 1);
  EXPECT_EQ(plan.moleLightened, 2);
  std::unique_ptr<TBitmap> bmp = LoadPicture(dir + "/pictures/result.bmp");
  ASSERT_NE(bmp, nullptr);
  EXPECT_TRUE(scenario::SamePicture(bmp.get(), plan.expected.get()));
  ASSERT_TRUE(SaveAsJpeg(plan.expected.get(), dir + "/expected.jpg", 100));
  EXPECT_TRUE(FileBytes(dir + "/pictures/result.jpg") == FileBytes(dir + "/expected.jpg"));
}

// Long work shows the hourglass on the X server while it runs, though the
// loop never waits meanwhile: here the first smoothing, looked at each time
// its progress bar is painted; the arrow is back afterwards.
TEST_F(WizardScenarioXvfb, TheHourglassIsOnTheServerDuringTheFirstSmoothing) {
  int event = 0, error = 0;
  if (!XFixesQueryExtension(reader, &event, &error)) GTEST_SKIP() << "no XFixes";
  ASSERT_TRUE(SaveAsJpeg(LoadPicture(kPortrait).get(), dir + "/pictures/face.jpg", 95));
  SetFileDialogTestHook([this](TFileDialogDriver& d) {
    d.Navigate(dir + "/pictures");
    d.TypeName("face.jpg");
    d.PressOk();
  });
  main->Btn_FileClick(main->Btn_File);
  SetFileDialogTestHook(nullptr);
  ASSERT_NE(WorkImage, nullptr);
  // The shapes the server shows for our two cursors, the pointer over the
  // window.
  const TPoint centre = main->ClientToScreen(TPoint{main->ClientWidth() / 2, main->ClientHeight() / 2});
  XWarpPointer(reader, kXNone, DefaultRootWindow(reader), 0, 0, 0, 0, centre.X, centre.Y);
  XSync(reader, False);
  Settle();
  const std::vector<unsigned long> normal = ShownCursor();
  // The watch as the server draws it, from a window of the test's own.
  Window probe = XCreateSimpleWindow(reader, DefaultRootWindow(reader), 0, 0, 20, 20, 0, 0, 0);
  Cursor watch = XCreateFontCursor(reader, XC_watch);
  XDefineCursor(reader, probe, watch);
  XMapRaised(reader, probe);
  XWarpPointer(reader, kXNone, DefaultRootWindow(reader), 0, 0, 0, 0, 10, 10);
  ASSERT_TRUE(WaitUntil([&] { return ShownCursor() != normal; }));
  const std::vector<unsigned long> wait = ShownCursor();
  XDestroyWindow(reader, probe);
  XFreeCursor(reader, watch);
  XWarpPointer(reader, kXNone, DefaultRootWindow(reader), 0, 0, 0, 0, centre.X, centre.Y);
  XSync(reader, False);
  Settle();
  ASSERT_NE(ShownCursor(), wait);

  main->StepEnabled = {false, false, false, true, false};
  std::vector<bool> waitShown;
  bool missed = false;
  // The page and its bar exist once the step's first history entry is
  // written; the bar is hooked then.
  TWndMethod saved;
  TProgressBar* bar = nullptr;
  SafeSaveFaults().TempCreated = [&](const std::string&) {
    auto* page = dynamic_cast<TFrm_Smooth*>(main->StepForm);
    for (int i = 0; !page && i < Screen->CustomFormCount(); ++i) page = dynamic_cast<TFrm_Smooth*>(Screen->CustomForms(i));
    if (!page || bar) return;
    bar = page->ProgressBar;
    saved = bar->WindowProc;
    bar->WindowProc = TWndMethod::FromFunction(
        [&](TMessage& m) {
          // Waits for what our display has sent; not again once it missed.
          if (m.Msg == WM_PAINT && Screen->Cursor() == crHourGlass) {
            waitShown.push_back(ServerShowsCursor(wait, missed ? 0 : 10000));
            missed = missed || !waitShown.back();
          }
          saved(m);
        },
        &waitShown);
  };
  main->Btn_NextClick(main->Btn_Next);
  History->Flush();  // no write of the history's thread may still see the hook
  SafeSaveFaults() = TSafeSaveFaults{};
  ASSERT_EQ(main->CurrentStep, stepSmooth);
  ASSERT_NE(bar, nullptr);
  bar->WindowProc = saved;
  ASSERT_GE(waitShown.size(), 8u);
  EXPECT_EQ(std::count(waitShown.begin(), waitShown.end(), false), 0);
  EXPECT_TRUE(ServerCursorWhen([&](const std::vector<unsigned long>& shown) { return shown != wait; }));
}

// The wizard's open dialog previews the photo picked in its list: the pane's
// view holds the picture and the X server shows it there. Pictures go to
// $LUMIQA_SCREENSHOTS when it is set.
TEST_F(WizardScenarioXvfb, TheOpenDialogPreviewsThePickedPhoto) {
  TXHost host(reader, *display);
  std::unique_ptr<TBitmap> photo = LoadPicture(kPortrait);
  ASSERT_NE(photo, nullptr);
  photo->SaveToFile(dir + "/pictures/portrait.bmp");
  auto fileDialog = [&host]() -> TForm* {
    TForm* f = Screen->ActiveForm();
    return f && f->Modal() && f->FindComponent("NameBox") && host.Shown(f) ? f : nullptr;
  };
  auto paneView = [this] { return dynamic_cast<TPictoraView*>(main->OpenPictureDialog->FindComponent("PictoraView")); };
  auto click = [&host](TControl* c, TPoint at) {
    host.MoveTo(c->ClientToScreen(at));
    host.Button(TMouseButton::mbLeft, true);
    host.Button(TMouseButton::mbLeft, false);
  };
  auto listItem = [&fileDialog](const std::string& name) -> std::pair<TListView*, TListItem*> {
    auto* list = fileDialog() ? dynamic_cast<TListView*>(fileDialog()->FindComponent("FileList")) : nullptr;
    if (!list) return {nullptr, nullptr};
    for (int i = 0; i < list->Items()->Count(); ++i)
      if (list->Items()->Item(i)->Caption() == name) return {list, list->Items()->Item(i)};
    return {list, nullptr};
  };
  scenario::TScript script;
  script.When("the open button", [this] { return main->Btn_File->Showing() && main->Btn_File->Enabled(); },
              [&] { click(main->Btn_File, TPoint{main->Btn_File->Width() / 2, main->Btn_File->Height() / 2}); });
  script.When("the open dialog", [&] { return fileDialog() != nullptr; }, [&] {
    TControl* box = fileDialog()->FindComponent("NameBox") ? dynamic_cast<TControl*>(fileDialog()->FindComponent("NameBox")) : nullptr;
    click(box, TPoint{5, box->Height() / 2});
  });
  // The folder is typed into the name box; Enter goes there.
  script.When("the name box focused", [&] {
    auto* box = fileDialog() ? dynamic_cast<TWinControl*>(fileDialog()->FindComponent("NameBox")) : nullptr;
    return box && box->Focused();
  }, [&] {
    host.Type(dir + "/pictures");
    host.Key(VK_RETURN, true);
    host.Key(VK_RETURN, false);
  });
  script.When("portrait.bmp listed", [&] { return listItem("portrait.bmp").second != nullptr; }, [&] {
    auto [list, item] = listItem("portrait.bmp");
    const TRect r = item->DisplayRect(drLabel);
    click(list, TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  });
  TPoint probe{};
  script.When("the preview", [&] {
    TPictoraView* v = paneView();
    return v && v->Showing() && v->ImageWidth() == photo->Width() && v->ImageHeight() == photo->Height();
  }, [&] {
    TPictoraView* v = paneView();
    probe = TPoint{v->OffsetX() + v->DrawnWidth() / 2, v->OffsetY() + v->DrawnHeight() / 3};
  });
  // What the view composed reaches the server's screen.
  std::uint32_t composed = 0;
  script.When("the preview on the screen", [&] {
    fileDialog()->Update();
    display->Sync();
    return ServerShowsViewPixel(reader, paneView(), probe, &composed);
  }, [&] {
    XSync(reader, False);
    MaybeSaveScreenshot(reader, "open_dialog_preview");
    auto [list, item] = listItem("portrait.jpg");
    const TRect r = item->DisplayRect(drLabel);
    click(list, TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2});
  });
  // The JPEG decodes at a reduction that still covers the view.
  int jpegWidth = 0;
  script.When("the JPEG's preview", [&] {
    TPictoraView* v = paneView();
    jpegWidth = v->ImageWidth();
    return v->ImageWidth() > 1 && v->ImageWidth() != photo->Width() && ServerShowsViewPixel(reader, v, probe);
  }, [&] {
    XSync(reader, False);
    MaybeSaveScreenshot(reader, "open_dialog_preview_jpeg");
    host.Key(VK_ESCAPE, true);
    host.Key(VK_ESCAPE, false);
  });
  script.When("the dialog closed", [&] { return fileDialog() == nullptr; });
  script.Start(app_.get(), 10, 1500);
  ASSERT_TRUE(WaitUntil([&] { return script.Finished(); }, 120000)) << "the script never ended";
  ASSERT_FALSE(script.Failed());
  // A photo, not a flat face: the probe sits on the portrait's colours.
  EXPECT_NE(composed, 0xFFFFFFu);
  EXPECT_GE(jpegWidth * 8, photo->Width());
  EXPECT_LT(jpegWidth, photo->Width());
  EXPECT_EQ(WorkImage, nullptr);
}

// An image view on our X11 display answers input the X server delivers:
// a wheel notch zooms, a drag scrolls, arrow keys reach OnKeyDown, and what
// it composed is what the server shows.
TEST_F(WizardScenarioXvfb, AnImageViewAnswersTheServersWheelDragAndKeys) {
  TXHost host(reader, *display);
  TForm* form = nullptr;
  app_->CreateForm(form);
  form->SetBounds(100, 100, 520, 420);
  auto* view = new TPictoraView(form);
  view->SetParent(form);
  view->SetBounds(10, 10, 480, 360);
  std::unique_ptr<TBitmap> photo = LoadPicture(kPortrait);
  ASSERT_NE(photo, nullptr);
  view->Assign(photo.get());
  view->SetMouseInteract(MouseBit(miScroll));
  std::vector<int> keys;
  view->OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) { keys.push_back(key); };
  form->Show();
  ASSERT_TRUE(WaitUntil([&] { return Viewable(Window(display->NativeOf(form->Handle()))); }));
  const TPoint centre = view->ClientToScreen(TPoint{200, 150});
  auto shownMatches = [&] {
    form->Update();
    display->Sync();
    return ServerShowsViewPixel(reader, view,
                                TPoint{view->OffsetX() + view->DrawnWidth() / 2, view->OffsetY() + view->DrawnHeight() / 2});
  };
  scenario::TScript script;
  double zoomBefore = 0;
  script.When("the view on the screen", shownMatches, [&] {
    // A click gives the view the focus, which the wheel and keys follow.
    host.MoveTo(centre);
    host.Button(TMouseButton::mbLeft, true);
    host.Button(TMouseButton::mbLeft, false);
  });
  script.When("the view focused", [&] { return view->Focused(); }, [&] {
    zoomBefore = view->Zoom();
    host.Wheel(-1);
  });
  script.When("a notch towards the user zoomed in", [&] { return view->Zoom() > zoomBefore; }, [&] {
    EXPECT_EQ(view->Zoom(), zoomBefore + 8);
    view->SetZoom(300);
  });
  int scrollBefore = 0;
  script.When("zoomed to 300", [&] { return view->Zoom() == 300 && view->IsScrollable(); }, [&] {
    scrollBefore = view->ScrollX();
    host.MoveTo(centre);
    host.Button(TMouseButton::mbLeft, true);
  });
  script.Then("drag", [&] { host.MoveTo(TPoint{centre.X - 60, centre.Y}); });
  script.When("the drag scrolled", [&] { return view->ScrollX() == scrollBefore + 60; },
              [&] { host.Button(TMouseButton::mbLeft, false); });
  script.When("the scrolled picture on the screen", shownMatches, [&] {
    XSync(reader, False);
    MaybeSaveScreenshot(reader, "image_view_scrolled");
    host.Key(VK_DOWN, true);
    host.Key(VK_DOWN, false);
    host.Key(VK_HOME, true);
    host.Key(VK_HOME, false);
  });
  script.When("the keys reached the view", [&] { return keys.size() >= 2; });
  script.Start(app_.get(), 10, 1500);
  ASSERT_TRUE(WaitUntil([&] { return script.Finished(); }, 120000)) << "the script never ended";
  ASSERT_FALSE(script.Failed());
  EXPECT_EQ(keys, (std::vector<int>{VK_DOWN, VK_HOME}));
  EXPECT_EQ(view->ScrollX(), scrollBefore + 60);
}

}  // namespace
