// The wizard's end-to-end scenario, shared by the headless run and the run
// under Xvfb: a script of user actions (pointer, wheel, keys) on the real
// controls, each step waiting for the state the previous one leads to, and
// beside it the expected picture, made by applying the pixel routines to
// the loaded portrait in the order and with the parameters the user chose.
//
// The script runs from a repeating timer, so it goes on inside the modal
// loops of the wizard's dialogs as a user's hand would. A host sends the
// input through its display (the headless one, or the X server) and takes
// the pictures of the pages.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/pixels/Level.h"
#include "app/pixels/PhotoAdjust.h"
#include "app/pixels/RGB2LAB.h"
#include "app/pixels/RemoveHighLight.h"
#include "app/pixels/RotateImage.h"
#include "app/main/uMain.h"
#include "app/main/uMain_History.h"
#include "app/main/uMain_Page.h"
#include "app/pixels/uSmooth.h"
#include "app/pixels/uStain.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/lists/ComboBox.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/forms/Timer.h"
#include "platform/user/User.h"
#include "skin/controls/SkinBoxCtrls_Spin.h"
#include "skin/controls/SkinCtrls_Slider.h"
#include "themed/buttons/KZUButton.h"

// The portrait both runs load.
inline const std::string kPortrait = std::string(LUMIQA_TEST_DATA) + "/wizard/portrait.jpg";

namespace scenario {

// Whether a themed check box or radio button is checked; false for any
// other control.
inline bool ThemedChecked(TControl* control) {
  auto* box = dynamic_cast<TkzuCheckBox*>(control);
  return box && box->Checked();
}

// What the scenario needs of the display it runs on.
class TScenarioHost {
 public:
  virtual ~TScenarioHost() = default;
  // The pointer to a screen position, as the user moves the mouse.
  virtual void MoveTo(TPoint screen) = 0;
  // A button pressed or released where the pointer is.
  virtual void Button(TMouseButton b, bool down) = 0;
  // Wheel notches where the pointer is: positive away from the user.
  virtual void Wheel(int notches) = 0;
  virtual void Key(int vk, bool down) = 0;
  // Letters, digits and the punctuation of paths and numbers, as typed.
  virtual void Type(const std::string& text) = 0;
  // The form is shown where the input goes (on a server: mapped).
  virtual bool Shown(TForm* form) { return form->Showing(); }
  // What the form painted has reached the screen (a server may show a new
  // window a little after it is mapped).
  virtual bool OnScreen(TForm*) { return true; }
  // A picture of the screen or of the main window, to look at.
  virtual void Shot(const std::string& name) = 0;
};

// Steps run one a tick of a repeating timer, each once its condition holds.
class TScript {
 public:
  using TCondition = std::function<bool()>;
  using TAction = std::function<void()>;

  void When(std::string what, TCondition ready, TAction act = {}) {
    steps_.push_back(TStep{std::move(what), std::move(ready), std::move(act)});
  }
  void Then(std::string what, TAction act) { When(std::move(what), [] { return true; }, std::move(act)); }
  // A step that runs before all those waiting (an action's follow-up).
  void Soon(std::string what, TCondition ready, TAction act) {
    steps_.push_front(TStep{std::move(what), std::move(ready), std::move(act)});
  }

  // Starts the timer; a step that waits more than limitTicks ticks fails
  // the test and ends the script, closing the modal forms left open.
  void Start(TComponent* owner, int intervalMs, int limitTicks) {
    limit_ = limitTicks;
    timer_ = new TTimer(owner);
    timer_->SetInterval(Cardinal(intervalMs));
    timer_->SetOnTimer([this](TObject*) { Tick(); });
    timer_->SetEnabled(true);
  }
  bool Finished() const { return finished_; }
  // What a waiting condition last saw, told when the script gets stuck.
  std::string seen;
  bool Failed() const { return failed_; }
  // Ends the script early (a step found something it cannot go on from).
  void Fail(const std::string& why) {
    ADD_FAILURE() << why;
    failed_ = true;
    steps_.clear();
  }

 private:
  struct TStep {
    std::string what;
    TCondition ready;
    TAction act;
  };
  void Tick() {
    if (busy_ || finished_) return;
    busy_ = true;
    if (failed_) {
      // Unwinds the modal loops the failure left.
      if (TForm* f = Screen->ActiveForm(); f && f->Modal()) f->SetModalResult(mrCancel);
      else finished_ = true;
    } else if (steps_.empty()) {
      finished_ = true;
    } else if (steps_.front().ready()) {
      TStep step = std::move(steps_.front());
      steps_.pop_front();
      waited_ = 0;
      seen.clear();
      if (step.act) step.act();
    } else if (++waited_ > limit_) {
      Fail("the scenario got stuck waiting for: " + steps_.front().what + (seen.empty() ? "" : " (saw " + seen + ")"));
    }
    if (finished_ && timer_) timer_->SetEnabled(false);
    busy_ = false;
  }
  std::deque<TStep> steps_;
  TTimer* timer_ = nullptr;
  int limit_ = 0, waited_ = 0;
  bool busy_ = false, finished_ = false, failed_ = false;
};

// ---- Pictures ----------------------------------------------------------------------------

// A whole file as bytes, to compare saved files exactly.
inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::unique_ptr<TBitmap> CopyOf(TBitmap* b) { return BitmapFromRows(BitmapRows(b)); }

inline bool SamePicture(TBitmap* a, TBitmap* b) {
  if (!a || !b || a->Width() != b->Width() || a->Height() != b->Height()) return false;
  const RowImage ra = BitmapRows(a), rb = BitmapRows(b);
  for (int y = 0; y < ra.Height; ++y)
    if (std::memcmp(ra.Row(y), rb.Row(y), std::size_t(ra.Width) * 3) != 0) return false;
  return true;
}

// Pixels that differ between two pictures of one size.
inline int ChangedPixels(TBitmap* a, TBitmap* b) {
  const RowImage ra = BitmapRows(a), rb = BitmapRows(b);
  int n = 0;
  for (int y = 0; y < ra.Height; ++y)
    for (int x = 0; x < ra.Width; ++x) n += std::memcmp(ra.Row(y) + x * 3, rb.Row(y) + x * 3, 3) != 0;
  return n;
}

inline BGR PixelAt(TBitmap* b, int x, int y) {
  const Byte* p = BitmapRows(b).Row(y) + x * 3;
  return BGR{p[0], p[1], p[2]};
}

// Where a point of the portrait as drawn lies after the size step's edits,
// so the selections land on the forehead, the cheek and the moles.
struct TTrack {
  double x = 0, y = 0;
  void Rotate90(int h) { *this = TTrack{h - 1 - y, x}; }
  void Rotate270(int w) { *this = TTrack{y, w - 1 - x}; }
  // As RotateAnyAngle maps a point of a w by h picture forward.
  void RotateAny(double angle, int w, int h) {
    const double t = angle * M_PI / 180, c = std::cos(t), s = std::sin(t);
    const double cx = w / 2, cy = h / 2;
    auto mapX = [&](double px, double py) { return cx + (px - cx) * c - (py - cy) * s; };
    auto mapY = [&](double px, double py) { return cy + (px - cx) * s + (py - cy) * c; };
    const double xs[4] = {mapX(0, 0), mapX(w - 1, 0), mapX(0, h - 1), mapX(w - 1, h - 1)};
    const double ys[4] = {mapY(0, 0), mapY(w - 1, 0), mapY(0, h - 1), mapY(w - 1, h - 1)};
    const double left = std::floor(*std::min_element(xs, xs + 4)), top = std::floor(*std::min_element(ys, ys + 4));
    *this = TTrack{mapX(x, y) - left, mapY(x, y) - top};
  }
  void Crop(const TRect& block) { *this = TTrack{x - block.Left, y - block.Top}; }
  void Scale(double fx, double fy) { *this = TTrack{x * fx, y * fy}; }
};

// ---- The scenario -------------------------------------------------------------------------

class TWizardScenario {
 public:
  TWizardScenario(TScenarioHost& host, TScript& script, std::string pictures)
      : host_(host), s_(script), pictures_(std::move(pictures)) {}

  // What WorkImage must hold.
  std::unique_ptr<TBitmap> expected;
  // Facts the test checks once the script has run.
  int highlightChanged = 0, lassoBrightened = 0, moleLightened = 0;

  void Build(const std::string& portrait) {
    expected = LoadPicture(portrait);
    if (!expected) {
      s_.Fail("the portrait cannot be loaded: " + portrait);
      return;
    }
    OpenStep();
    SizeStep();
    HighlightStep();
    ColourStep();
    SmoothStep();
    StainStep();
    SaveStep();
  }

 private:
  TScenarioHost& host_;
  TScript& s_;
  std::string pictures_;
  // Points of the portrait as drawn (see scripts/draw_fixture_portrait.py).
  TTrack face_{300, 390}, forehead_{300, 250}, cheek_{228, 468}, mole_{392, 452}, mole2_{371, 489};
  // The history of the page shown, as the expected pictures.
  std::vector<std::unique_ptr<TBitmap>> pageHistory_;
  int pageIndex_ = -1;
  // Runtime marks between steps.
  int historyMark_ = 0;
  TRect frame_{};
  TPoint grab_{}, lassoCorner_{};
  std::unique_ptr<TBitmap> highlightBase_;

  // ---- Looking things up ----
  static TStepPage* Page() { return Frm_Main ? Frm_Main->StepForm : nullptr; }
  template <class T>
  static T* On(TComponent* owner, const std::string& name) {
    return owner ? dynamic_cast<T*>(owner->FindComponent(name)) : nullptr;
  }
  template <class T = TControl>
  static T* PageControl(const std::string& name) {
    return On<T>(Page(), name);
  }
  // The modal form of that class that is up, or none.
  TForm* Dialog(const std::string& cls) const {
    TForm* f = Screen->ActiveForm();
    return f && f->Modal() && f->ClassName() == cls && host_.Shown(f) ? f : nullptr;
  }
  // The file dialog that is up, or none.
  TForm* FileDialog() const {
    TForm* f = Screen->ActiveForm();
    return f && f->Modal() && f->FindComponent("NameBox") && host_.Shown(f) ? f : nullptr;
  }
  static bool NoModal() {
    TForm* f = Screen->ActiveForm();
    return f == Frm_Main && !f->Modal();
  }
  static TPoint Centre(TControl* c) { return c->ClientToScreen(TPoint{c->Width() / 2, c->Height() / 2}); }
  // A point of the picture control, in display pixels, on the screen.
  static TPoint OnPicture(TPoint display) { return Page()->Image1->ClientToScreen(display); }
  static TPoint Display(const TTrack& t) {
    return TPoint{int(std::lround(t.x * ZoomFactor)), int(std::lround(t.y * ZoomFactor))};
  }
  static int HistoryCount() { return History ? History->Count() : -1; }

  // ---- Input ----
  void Press(TPoint p, TMouseButton b = TMouseButton::mbLeft) {
    host_.MoveTo(p);
    host_.Button(b, true);
  }
  void Release(TPoint p, TMouseButton b = TMouseButton::mbLeft) {
    host_.MoveTo(p);
    host_.Button(b, false);
  }
  void ClickAt(TPoint p, TMouseButton b = TMouseButton::mbLeft) {
    Press(p, b);
    host_.Button(b, false);
  }
  void KeyStroke(int vk) {
    host_.Key(vk, true);
    host_.Key(vk, false);
  }
  // Clicks a control once find() gives it, shown and enabled.
  void Click(const std::string& what, std::function<TControl*()> find) {
    s_.When(
        "to click " + what,
        [find] {
          TControl* c = find();
          return c && c->Showing() && c->Enabled();
        },
        [this, find] { ClickAt(Centre(find())); });
  }
  template <class F>
  void ClickMain(const std::string& what, F button) {
    Click(what, [button]() -> TControl* { return button(); });
  }
  void ClickDialog(const std::string& cls, const std::string& name) {
    Click(cls + "." + name, [this, cls, name] { return On<TControl>(Dialog(cls), name); });
  }
  // Clicks into an edit, selects its whole text and types text over it.
  void TypeInto(const std::string& what, std::function<TControl*()> find, const std::string& text) {
    Click(what, find);
    s_.When(
        what + " focused",
        [find] {
          auto* w = dynamic_cast<TWinControl*>(find());
          return w && w->Focused();
        },
        [this, text] {
          KeyStroke(VK_END);
          host_.Key(VK_SHIFT, true);
          KeyStroke(VK_HOME);
          host_.Key(VK_SHIFT, false);
          host_.Type(text);
        });
    s_.When(what + " holds " + text, [this, find, text] {
      s_.seen = find() ? find()->Text() : "no control";
      return s_.seen == text;
    });
  }
  // Moves the pointer and waits until the program has seen it there, so
  // that no motion of a drawn path is merged with the next one.
  void MoveSeen(std::function<TPoint()> where) {
    auto at = std::make_shared<TPoint>();
    s_.Then("a move", [this, where, at] {
      *at = where();
      host_.MoveTo(*at);
    });
    s_.When("the move seen", [at] {
      POINT p{};
      return GetCursorPos(&p) && p.X == at->X && p.Y == at->Y;
    });
  }
  // Drags a slider's thumb to value v.
  void DragSlider(const std::string& name, int v) {
    s_.When(
        "the slider " + name + " enabled",
        [] { return true; },
        [this, name, v] {
          auto* sl = PageControl<TspSkinCustomSlider>(name);
          if (!sl || !sl->Enabled()) return s_.Fail("no enabled slider " + name);
          historyMark_ = HistoryCount();
          const TRect t = sl->ThumbRect();
          const TPoint from{(t.Left + t.Right) / 2, (t.Top + t.Bottom) / 2};
          const TPoint to{from.X + sl->ValueToOffset(v) - sl->ValueToOffset(sl->Value()), from.Y};
          Press(sl->ClientToScreen(from));
          host_.MoveTo(sl->ClientToScreen(TPoint{(from.X + to.X) / 2, from.Y}));
          Release(sl->ClientToScreen(to));
        });
    s_.When("the slider " + name + " at " + std::to_string(v), [name, v] {
      auto* sl = PageControl<TspSkinCustomSlider>(name);
      return sl && sl->Value() == v && !sl->Dragging();
    });
  }

  // A picture once the form is on the screen.
  void ShotOf(const std::string& name, std::function<TForm*()> form) {
    s_.When(
        name + " on the screen",
        [this, form] {
          TForm* f = form();
          return f && host_.OnScreen(f);
        },
        [this, name] { host_.Shot(name); });
  }

  // A picture of the window in front once the server shows what it
  // painted, taken before the next step.
  void Shoot(const std::string& name) {
    s_.Soon(
        name + " on the screen",
        [this] {
          TForm* f = Screen->ActiveForm();
          return f && host_.OnScreen(f);
        },
        [this, name] { host_.Shot(name); });
  }

  // ---- Expectations ----
  void ExpectWork(const std::string& where) {
    const bool same = SamePicture(WorkImage.get(), expected.get());
    EXPECT_TRUE(same) << where << ": the working picture is not the expected one ("
                      << (WorkImage ? std::to_string(WorkImage->Width()) + "x" + std::to_string(WorkImage->Height())
                                    : "none")
                      << " against " << expected->Width() << "x" << expected->Height() << ")";
    // Later steps are checked from what the wizard holds, so one fault is
    // reported once and not again by every step after it.
    if (!same && WorkImage) expected = CopyOf(WorkImage.get());
  }
  // A page was entered: its history holds the picture as found (the
  // smoothing page's first pass is checked by its step).
  void PageEntered(int step, const std::string& name) {
    s_.When(
        "the page of step " + std::to_string(step),
        [step] {
          return Frm_Main->CurrentStep == step && Page() && Page()->Showing() && NoModal() &&
                 Screen->Cursor() == crDefault;
        },
        [this, step, name] {
          pageHistory_.clear();
          pageHistory_.push_back(CopyOf(expected.get()));
          pageIndex_ = 0;
          if (step != stepSmooth) ExpectWork(name + " entered");
          if (step != stepSave) EXPECT_EQ(HistoryCount(), step == stepSmooth ? 2 : 1) << name;
          Shoot(name);
        });
  }
  // The edit the last action started has reached the history: one entry
  // more (or, replacing, as many as before with a new picture) and the undo
  // button on; expect() brings the expected picture along.
  void WaitEdited(const std::string& what, bool replacing, std::function<void()> expect) {
    s_.When(
        what,
        [this, replacing] {
          if (!NoModal() || Screen->Cursor() != crDefault) return false;
          s_.seen = "history of " + std::to_string(HistoryCount()) + " entries, " +
                    (SamePicture(WorkImage.get(), pageHistory_.back().get()) ? "the picture unchanged" : "changed");
          return replacing ? HistoryCount() == historyMark_ && !SamePicture(WorkImage.get(), pageHistory_.back().get())
                           : HistoryCount() == historyMark_ + 1;
        },
        [this, what, replacing, expect] {
          expect();
          if (!replacing) {
            pageHistory_.resize(std::size_t(pageIndex_ + 1));
            ++pageIndex_;
          }
          pageHistory_.resize(std::size_t(pageIndex_));
          pageHistory_.push_back(CopyOf(expected.get()));
          ExpectWork(what);
          EXPECT_EQ(History->Index(), pageIndex_) << what;
          EXPECT_TRUE(Frm_Main->Btn_Undo->Enabled()) << what;
          EXPECT_FALSE(Frm_Main->Btn_Redo->Enabled()) << what;
        });
  }
  // Undo then redo through the toolbar: the picture before the last edit,
  // then the last edit again.
  void UndoRedo(const std::string& page) {
    ClickMain("undo on " + page, [] { return Frm_Main->Btn_Undo; });
    s_.When(
        "undone on " + page, [this] { return History->Index() == pageIndex_ - 1 && NoModal(); },
        [this, page] {
          --pageIndex_;
          expected = CopyOf(pageHistory_[std::size_t(pageIndex_)].get());
          ExpectWork("undo on " + page);
          EXPECT_TRUE(Frm_Main->Btn_Redo->Enabled());
          EXPECT_EQ(Frm_Main->Btn_Undo->Enabled(), pageIndex_ > 0);
        });
    ClickMain("redo on " + page, [] { return Frm_Main->Btn_Redo; });
    s_.When(
        "redone on " + page, [this] { return History->Index() == pageIndex_ + 1 && NoModal(); },
        [this, page] {
          ++pageIndex_;
          expected = CopyOf(pageHistory_[std::size_t(pageIndex_)].get());
          ExpectWork("redo on " + page);
          EXPECT_FALSE(Frm_Main->Btn_Redo->Enabled());
          EXPECT_TRUE(Frm_Main->Btn_Undo->Enabled());
        });
  }
  void Next(int step, const std::string& name) {
    ClickMain("next to " + name, [] { return Frm_Main->Btn_Next; });
    PageEntered(step, name);
  }

  // ---- The steps ----
  void OpenStep() {
    ClickMain("the open button", [] { return Frm_Main->Btn_File; });
    TypeInto(
        "the open dialog's name box", [this] { return On<TControl>(FileDialog(), "NameBox"); },
        pictures_ + "/portrait.jpg");
    s_.Then("open", [this] { KeyStroke(VK_RETURN); });
    s_.When(
        "the portrait opened", [] { return NoModal() && WorkImage && Frm_Main->Btn_Next->Enabled(); },
        [this] {
          ExpectWork("opened");
          EXPECT_EQ(Frm_Main->StatusBar->Panels()->Items(0)->Text(), pictures_ + "/portrait.jpg");
          Shoot("open");
        });
  }

  void Rotate(const std::string& radio, const std::string& angle, std::function<void()> expect) {
    s_.Then("before a rotation", [this] { historyMark_ = HistoryCount(); });
    Click("the rotate button", [] { return PageControl("Btn_Rotate"); });
    ClickDialog("TFrm_Rotate", radio);
    s_.When("the radio button " + radio + " checked", [this, radio] {
      return ThemedChecked(On<TControl>(Dialog("TFrm_Rotate"), radio));
    });
    if (!angle.empty()) {
      const std::string edit = radio == "RB_POther" ? "NEdt_POther" : "NEdt_NOther";
      TypeInto(edit, [this, edit] { return On<TControl>(Dialog("TFrm_Rotate"), edit); }, angle);
    }
    ShotOf("rotate_dialog", [this] { return Dialog("TFrm_Rotate"); });
    ClickDialog("TFrm_Rotate", "Btn_Ok");
    WaitEdited("rotated " + radio + " " + angle, false, std::move(expect));
  }

  void SizeStep() {
    Next(stepSize, "size");
    Rotate("RB_P90D", "", [this] {
      expected = Rotate90(expected.get());
      for (TTrack* t : {&face_, &forehead_, &cheek_, &mole_, &mole2_}) t->Rotate90(expected->Width());
    });
    UndoRedo("the size page");
    Rotate("RB_N90D", "", [this] {
      for (TTrack* t : {&face_, &forehead_, &cheek_, &mole_, &mole2_}) t->Rotate270(expected->Width());
      expected = Rotate270(expected.get());
    });
    Rotate("RB_NOther", "3.5", [this] {
      const int w = expected->Width(), h = expected->Height();
      expected = RotateAnyAngle(expected.get(), 356.5);
      for (TTrack* t : {&face_, &forehead_, &cheek_, &mole_, &mole2_}) t->RotateAny(356.5, w, h);
      // The corners come out white.
      const BGR corner = PixelAt(expected.get(), 0, 0);
      EXPECT_EQ(corner, (BGR{255, 255, 255}));
    });
    CropStep();
    ResizeStep();
    UndoRedo("the size page after resizing");
  }

  // A crop at 3 : 4: the frame starts centred in the visible part, its
  // bottom-right corner is dragged out, the frame moved onto the face, and
  // a double-click crops.
  void CropStep() {
    Click("the crop button", [] { return PageControl("Btn_Cut"); });
    s_.When("the crop dialog", [this] { return Dialog("TFrm_Cut") != nullptr; }, [this] {
      TForm* d = Dialog("TFrm_Cut");
      auto* scale = On<TControl>(d, "RB_Scale");
      auto* w = On<TspSkinSpinEdit>(d, "SE_Width");
      auto* h = On<TspSkinSpinEdit>(d, "SE_Height");
      if (!scale || !w || !h) return s_.Fail("the crop dialog lacks its ratio controls");
      EXPECT_TRUE(ThemedChecked(scale));
      EXPECT_EQ(w->Value(), 3);
      EXPECT_EQ(h->Value(), 4);
    });
    ShotOf("crop_dialog", [this] { return Dialog("TFrm_Cut"); });
    ClickDialog("TFrm_Cut", "Btn_Ok");
    s_.When(
        "the crop frame", [] { return NoModal() && CropFrame && CropFrame->Active(); },
        [this] {
          // Where the frame starts: half the smaller visible side, narrowed
          // to 3 : 4, centred in the visible part of the picture.
          TImage* image = Page()->Image1;
          TScrollBox* box = Page()->ScrollBox_Image1;
          int a, x0, b, y0;
          if (image->Width() >= box->Width() - 4) a = box->ClientWidth(), x0 = -image->Left();
          else a = image->Width(), x0 = 0;
          if (image->Height() >= box->Height() - 4) b = box->ClientHeight(), y0 = -image->Top();
          else b = image->Height(), y0 = 0;
          int e = std::min(a, b) / 2;
          const int f = e;
          e = RoundEven(e * 3.0 / 4);
          frame_ = TRect{x0 + (a - e) / 2, y0 + (b - f) / 2, 0, 0};
          frame_.Right = frame_.Left + e - 1;
          frame_.Bottom = frame_.Top + f - 1;
          Shoot("crop_frame");
        });
    s_.Then("the corner dragged out", [this] {
      // The bottom-right corner dragged 50 down and 30 right: the
      // width follows the height at 3 : 4.
      const TPoint from{frame_.Right, frame_.Bottom}, to{frame_.Right + 30, frame_.Bottom + 50};
      Press(OnPicture(from));
      host_.MoveTo(OnPicture(TPoint{from.X + 15, from.Y + 25}));
      Release(OnPicture(to));
      const int u = to.Y - frame_.Top + 1, v = to.X - frame_.Left + 1;
      TPoint corner = to;
      if (4.0 / 3 > double(u) / v) corner.X = frame_.Left + 3 * u / 4;
      else corner.Y = frame_.Top + v * 4 / 3;
      frame_.Right = corner.X;
      frame_.Bottom = corner.Y;
    });
    s_.Then("the frame moved onto the face", [this] {
      // Pressed inside at its middle, released over the face's middle.
      grab_ = TPoint{(frame_.Left + frame_.Right) / 2, (frame_.Top + frame_.Bottom) / 2};
      TPoint to = Display(face_);
      TImage* image = Page()->Image1;
      to.X = std::clamp(to.X, grab_.X - frame_.Left, image->Width() + grab_.X - frame_.Right - 1);
      to.Y = std::clamp(to.Y, grab_.Y - frame_.Top, image->Height() + grab_.Y - frame_.Bottom - 1);
      Press(OnPicture(grab_));
      host_.MoveTo(OnPicture(TPoint{(grab_.X + to.X) / 2, (grab_.Y + to.Y) / 2}));
      Release(OnPicture(to));
      frame_ = TRect{frame_.Left + to.X - grab_.X, frame_.Top + to.Y - grab_.Y, frame_.Right + to.X - grab_.X,
                     frame_.Bottom + to.Y - grab_.Y};
      grab_ = to;
    });
    s_.Then("a picture of the moved frame", [this] { Shoot("crop_moved"); });
    s_.Then("before the crop", [this] { historyMark_ = HistoryCount(); });
    s_.Then("a double-click in the frame", [this] {
      ClickAt(OnPicture(grab_));
      ClickAt(OnPicture(grab_));
    });
    WaitEdited("cropped", false, [this] {
      const TRect block = CropBlockToImage(frame_.Left, frame_.Top, frame_.Right, frame_.Bottom, ZoomFactor, 3, 4,
                                           expected->Width(), expected->Height());
      ASSERT_GT(block.Width(), 100);
      expected = BitmapFromRows(CopyBlock(BitmapRows(expected.get()), block));
      for (TTrack* t : {&face_, &forehead_, &cheek_, &mole_, &mole2_}) t->Crop(block);
      EXPECT_FALSE(CropFrame->Active());
    });
  }

  void ResizeStep() {
    Click("the resize button", [] { return PageControl("Btn_Zoom"); });
    s_.When("the resize dialog", [this] { return Dialog("TFrm_Zoom") != nullptr; }, [this] {
      TForm* d = Dialog("TFrm_Zoom");
      auto* w = On<TspSkinSpinEdit>(d, "SE_Width");
      auto* h = On<TspSkinSpinEdit>(d, "SE_Height");
      auto* keep = On<TControl>(d, "CB_KeepScale");
      if (!w || !h || !keep) return s_.Fail("the resize dialog lacks its controls");
      EXPECT_EQ(w->Value(), expected->Width());
      EXPECT_EQ(h->Value(), expected->Height());
      EXPECT_TRUE(ThemedChecked(keep));
    });
    TypeInto(
        "the resize width",
        [this]() -> TControl* {
          auto* w = On<TspSkinSpinEdit>(Dialog("TFrm_Zoom"), "SE_Width");
          return w ? w->Edit() : nullptr;
        },
        "330");
    s_.When("the height follows the width", [this] {
      auto* h = On<TspSkinSpinEdit>(Dialog("TFrm_Zoom"), "SE_Height");
      return h && h->Value() == RoundEven(expected->Height() * 330.0 / expected->Width());
    });
    ShotOf("resize_dialog", [this] { return Dialog("TFrm_Zoom"); });
    s_.Then("before the resize", [this] { historyMark_ = HistoryCount(); });
    ClickDialog("TFrm_Zoom", "Btn_Ok");
    WaitEdited("resized", false, [this] {
      const int w = expected->Width(), h = expected->Height(), nh = RoundEven(h * 330.0 / w);
      expected = ResizePicture(expected.get(), 330, nh);
      for (TTrack* t : {&face_, &forehead_, &cheek_, &mole_, &mole2_}) t->Scale(330.0 / w, double(nh) / h);
      const std::string size = std::to_string(330) + "*" + std::to_string(nh);
      EXPECT_NE(Frm_Main->StatusBar->Panels()->Items(1)->Text().find(size), std::string::npos);
      Shoot("size_done");
    });
  }

  // A rectangle around the forehead's shine, the amount set twice: one
  // history entry, holding the second amount applied to the patch as taken.
  void HighlightStep() {
    Next(stepHighLight, "highlight");
    s_.Then("a rectangle around the forehead's shine", [this] {
      // Below the fringe, wide enough for skin all round the shine.
      const TPoint c = Display(forehead_);
      auto z = [](int v) { return int(std::lround(v * ZoomFactor)); };
      frame_ = TRect{c.X - z(55), c.Y - z(24), c.X + z(55), c.Y + z(45)};
      highlightBase_ = CopyOf(expected.get());
      Press(OnPicture(TPoint{frame_.Left, frame_.Top}));
      host_.MoveTo(OnPicture(TPoint{c.X, c.Y}));
      Release(OnPicture(TPoint{frame_.Right, frame_.Bottom}));
    });
    s_.When("the amount slider enabled", [] {
      auto* sl = PageControl<TspSkinCustomSlider>("Slider_Range");
      return sl && sl->Enabled() && NoModal() && Screen->Cursor() == crDefault;
    }, [this] { Shoot("highlight_rect"); });
    auto apply = [this](int amount) {
      return [this, amount] {
        const TRect block = HighlightRectToImage(frame_.Left, frame_.Top, frame_.Right, frame_.Bottom, ZoomFactor,
                                                 expected->Width(), expected->Height());
        // Always from the picture as it was when the rectangle was set.
        TBitmap* before = highlightBase_.get();
        std::unique_ptr<TBitmap> base = CopyOf(before);
        const RowImageBuffer patch = CopyBlock(BitmapRows(base.get()), block);
        const HighlightMask mask = PrepareHighlightMask(patch.View());
        const RowImageBuffer done = ApplyHighlightRemoval(mask, amount);
        const RowImage into = BitmapRows(base.get());
        for (int y = 0; y < done.Height(); ++y)
          std::memcpy(into.Row(block.Top + y) + block.Left * 3, done.Row(y), std::size_t(done.Width()) * 3);
        highlightChanged = ChangedPixels(base.get(), before);
        expected = std::move(base);
        auto* value = PageControl("Lbl_Value");
        EXPECT_TRUE(value && value->Caption() == std::to_string(amount));
      };
    };
    DragSlider("Slider_Range", 40);
    WaitEdited("the shine removed at 40", false, apply(40));
    DragSlider("Slider_Range", 85);
    WaitEdited("the shine removed at 85", true, apply(85));
    s_.Then("a picture of the highlight page", [this] { Shoot("highlight_done"); });
    UndoRedo("the highlight page");
  }

  // A lasso drawn as a rectangle of display pixels (zoom 1): its region is
  // the inside of the outline.
  void Lasso(const std::string& what, const TTrack* at, int below, bool light) {
    s_.Then("before " + what, [this] { historyMark_ = HistoryCount(); });
    s_.Then(what, [this, at, below] {
      TTrack t = *at;
      t.y += below;
      const TPoint c = Display(t);
      lassoCorner_ = TPoint{c.X - 12, c.Y - 10};
      Press(OnPicture(lassoCorner_));
    });
    MoveSeen([this] { return OnPicture(TPoint{lassoCorner_.X + 24, lassoCorner_.Y}); });
    MoveSeen([this] { return OnPicture(TPoint{lassoCorner_.X + 24, lassoCorner_.Y + 20}); });
    MoveSeen([this] { return OnPicture(TPoint{lassoCorner_.X, lassoCorner_.Y + 20}); });
    s_.Then("the lasso closed", [this] { host_.Button(TMouseButton::mbLeft, false); });
    s_.Then("a picture of the lasso", [this] { Shoot("lasso_released"); });
    WaitEdited(what + " applied", false, [this, light] {
      // The inside: 23 by 19 pixels of the display, which at zoom 1 is the picture.
      long sum[3] = {0, 0, 0};
      int n = 0;
      const RowImage rows = BitmapRows(expected.get());
      for (int y = lassoCorner_.Y + 1; y < lassoCorner_.Y + 20; ++y)
        for (int x = lassoCorner_.X + 1; x < lassoCorner_.X + 24; ++x, ++n)
          for (int k = 0; k < 3; ++k) sum[k] += rows.Row(y)[x * 3 + k];
      const std::array<Byte, 3> means{Byte(sum[2] / n), Byte(sum[1] / n), Byte(sum[0] / n)};
      const TLab lab = RgbToLab(means[0], means[1], means[2]);
      double target = lab.L < 50 ? 50 : lab.L > 82 ? 82 : light && lab.L < 78 ? 78 : lab.L;
      if (light && lab.L < 78 && lab.L >= 50) ++lassoBrightened;
      const TRgbBytes t = LabToRgb(target, 14, 16);
      ChannelCurveAdjust(expected.get(), means, {t.R, t.G, t.B});
      Shoot(light ? "colour_lasso_light" : "colour_lasso");
    });
  }

  void ColourStep() {
    Next(stepColor, "colour");
    ClickMain("actual size", [] { return Frm_Main->Btn_Actual; });
    s_.When("actual size", [] { return ZoomFactor == 1.0f && NoModal(); });
    Lasso("a lasso on the cheek", &cheek_, 0, false);
    Click("the skin light box", [] { return PageControl("CB_Light"); });
    s_.When("the skin light box checked", [] { return ThemedChecked(PageControl("CB_Light")); });
    Lasso("a lasso on the cheek with the skin light", &cheek_, 14, true);
    s_.Then("before the levels", [this] { historyMark_ = HistoryCount(); });
    Click("the levels button", [] { return PageControl("Btn_Rotate"); });
    WaitEdited("levels stretched", false, [this] { AutoLevels(expected.get()); Shoot("colour_levels"); });
    UndoRedo("the colour page");
  }

  void SmoothStep() {
    Next(stepSmooth, "smooth");
    // Entering smoothed with 0 / 40 / 50 at radius 10: the picture before
    // and the result are the page's two entries.
    auto source = std::make_shared<std::unique_ptr<TBitmap>>();
    auto smoothed = std::make_shared<std::unique_ptr<TBitmap>>();
    s_.When(
        "the first smoothing", [] { return HistoryCount() == 2 && NoModal() && Screen->Cursor() == crDefault; },
        [this, source, smoothed] {
          *source = CopyOf(expected.get());
          *smoothed = SmoothPicture(source->get(), 10);
          expected = BlendByDifference(source->get(), smoothed->get(), 0, {}, 50, 40);
          EXPECT_FALSE(SamePicture(expected.get(), source->get()));
          pageHistory_.push_back(CopyOf(expected.get()));
          pageIndex_ = 1;
          ExpectWork("smoothed on entering");
          Shoot("smooth");
        });
    DragSlider("Slider_Fine", 30);
    WaitEdited("the fine amount at 30", true, [this, source, smoothed] {
      expected = BlendByDifference(source->get(), smoothed->get(), 30, {}, 50, 40);
      auto* value = PageControl("Lbl_FineValue");
      EXPECT_TRUE(value && value->Caption() == "30");
    });
    DragSlider("Slider_Rough", 70);
    WaitEdited("the rough amount at 70", true, [this, source, smoothed] {
      expected = BlendByDifference(source->get(), smoothed->get(), 30, {}, 70, 40);
    });
    DragSlider("Slider_Mid", 55);
    WaitEdited("the medium amount at 55", true, [this, source, smoothed] {
      expected = BlendByDifference(source->get(), smoothed->get(), 30, {}, 70, 55);
      auto* value = PageControl("Lbl_MidValue");
      EXPECT_TRUE(value && value->Caption() == "55");
    });
    DragSlider("Slider_Radius", 6);
    WaitEdited("the radius at 6", true, [this, source, smoothed] {
      *smoothed = SmoothPicture(source->get(), 6);
      expected = BlendByDifference(source->get(), smoothed->get(), 30, {}, 70, 55);
      auto* bar = PageControl<TProgressBar>("ProgressBar");
      EXPECT_TRUE(bar && bar->Position() == expected->Height());
      Shoot("smooth_done");
    });
    UndoRedo("the smoothing page");
  }

  void Erase(const std::string& what, const TTrack* track, int radius) {
    s_.Then("before " + what, [this] { historyMark_ = HistoryCount(); });
    s_.Then(what, [this, track] {
      const TPoint p = Display(*track);
      host_.MoveTo(OnPicture(TPoint{p.X - 20, p.Y - 20}));
      host_.MoveTo(OnPicture(p));
      host_.Button(TMouseButton::mbLeft, true);
      host_.Button(TMouseButton::mbLeft, false);
    });
    WaitEdited(what + " erased", false, [this, track, radius] {
      const TTrack at = *track;
      const TPoint p = Display(at);
      // The darkest red near the mole, before and after: the mole is gone.
      auto darkest = [&at](TBitmap* b) {
        int least = 255;
        for (int y = int(at.y) - 4; y <= int(at.y) + 4; ++y)
          for (int x = int(at.x) - 4; x <= int(at.x) + 4; ++x) least = std::min<int>(least, PixelAt(b, x, y).R);
        return least;
      };
      const int was = darkest(expected.get());
      ASSERT_TRUE(ErasePatch(expected.get(), p, radius, ZoomFactor));
      if (darkest(expected.get()) > was + 40) ++moleLightened;
    });
  }

  void StainStep() {
    Next(stepStain, "stain");
    // Over the picture, the wheel sets the eraser: up (away) makes it
    // smaller, down larger, within 5 .. 50.
    s_.Then("the wheel over the picture", [this] {
      host_.MoveTo(OnPicture(Display(mole_)));
      host_.Wheel(+14);
      host_.Wheel(-4);
    });
    Erase("a click on the mole", &mole_, 9);
    // One zoom step larger: the eraser's disc shrinks on the picture.
    ClickMain("zoom in", [] { return Frm_Main->Btn_ZoomIn; });
    s_.When("zoomed to 150 %", [] { return ZoomFactor == 1.5f && NoModal(); });
    Erase("a click on the second mole", &mole2_, 9);
    s_.Then("a picture of the blemish page", [this] { Shoot("stain_done"); });
    UndoRedo("the blemish page");
  }

  // Saves through the save dialog with the file type of that index (0
  // JPEG, 1 BMP), picked from the type list with the arrow keys.
  void Save(const std::string& name, int type) {
    ClickMain("save as " + name, [] { return Frm_Main->Btn_Next; });
    Click("the save dialog's type list", [this] { return On<TControl>(FileDialog(), "TypeList"); });
    auto types = [this] { return On<TCustomComboBox>(FileDialog(), "TypeList"); };
    s_.When("the type list focused", [types] { return types() && (types()->Focused() || types()->DroppedDown()); });
    // One arrow a tick until the type is the one wanted.
    s_.When(
        "the type chosen",
        [this, types, type] {
          TCustomComboBox* list = types();
          if (!list) return false;
          if (list->ItemIndex() == type) return true;
          KeyStroke(list->ItemIndex() < type ? VK_DOWN : VK_UP);
          return false;
        },
        [this, types] {
          if (types()->DroppedDown()) KeyStroke(VK_RETURN);
        });
    s_.When("the type list closed", [types] { return types() && !types()->DroppedDown(); });
    TypeInto(
        "the save dialog's name box", [this] { return On<TControl>(FileDialog(), "NameBox"); },
        pictures_ + "/" + name);
    ShotOf("save_dialog", [this] { return FileDialog(); });
    s_.Then("save " + name, [this] { KeyStroke(VK_RETURN); });
    // The after-save dialog, closed with Alt+F4 once it is up.
    s_.When("the after-save dialog on the screen",
            [this] {
              TForm* d = Dialog("TFrm_LinkQuendrix");
              return d && host_.OnScreen(d);
            },
            [this] {
              host_.Shot("after_save");
              host_.Key(VK_MENU, true);
              KeyStroke(VK_F4);
              host_.Key(VK_MENU, false);
            });
    const std::string file = pictures_ + "/" + name + (type == 1 ? ".bmp" : "");
    s_.When("saved as " + name, [file] { return NoModal() && !Frm_Main->Modified && FileExists(file); });
  }

  void SaveStep() {
    Next(stepSave, "save");
    Save("result", 1);
    Save("result.jpg", 0);
  }
};

}  // namespace scenario
