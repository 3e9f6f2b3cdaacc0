// TScreen: the application's view of the desktop. It lists the forms (the
// most recently activated first, the others in creation order), tracks the
// active form and control, holds the cursor table and the global cursor
// override, and answers monitor, work-area, desktop and font questions.
#pragma once
#include <memory>
#include <vector>

#include "platform/graphics/Graphics.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/controls/Controls.h"
#include "platform/user/UserTypes.h"

class TCustomForm;
class TForm;

enum TMonitorDefaultTo { mdNearest, mdNull, mdPrimary };

class TMonitor : public TObject {
 public:
  TMonitor(HMONITOR handle, int num) : handle_(handle), num_(num) {}
  std::string ClassName() const override { return "TMonitor"; }
  HMONITOR Handle() const { return handle_; }
  int MonitorNum() const { return num_; }
  TRect BoundsRect() const;
  TRect WorkareaRect() const;
  bool Primary() const;
  int Left() const { return BoundsRect().Left; }
  int Top() const { return BoundsRect().Top; }
  int Width() const { return BoundsRect().Width(); }
  int Height() const { return BoundsRect().Height(); }

 private:
  HMONITOR handle_;
  int num_;
};

class TScreen : public TComponent {
 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;
  std::string ClassName() const override { return "TScreen"; }

  // Forms lists only TForm descendants; CustomForms every form.
  int FormCount() const;
  TForm* Forms(int index) const;
  int CustomFormCount() const { return static_cast<int>(forms_.size()); }
  TCustomForm* CustomForms(int index) const;
  TForm* ActiveForm() const;
  TCustomForm* ActiveCustomForm() const { return activeForm_; }
  TWinControl* ActiveControl() const { return activeControl_; }
  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

  // The cursor table: the built-in cursors at their negative indexes, and
  // whatever the program loads (a skin from its start index on). Reading an
  // empty slot gives the default cursor; storing nullptr empties a slot.
  HCURSOR Cursors(int index) const;
  void SetCursors(int index, HCURSOR cursor);
  // A global override: anything but crDefault shows everywhere, at once.
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);

  int Width() const;
  int Height() const;
  int PixelsPerInch() const { return 96; }
  TRect WorkAreaRect() const;
  int WorkAreaLeft() const { return WorkAreaRect().Left; }
  int WorkAreaTop() const { return WorkAreaRect().Top; }
  int WorkAreaWidth() const { return WorkAreaRect().Width(); }
  int WorkAreaHeight() const { return WorkAreaRect().Height(); }
  // The bounding box of all monitors.
  TRect DesktopRect() const;
  int DesktopLeft() const { return DesktopRect().Left; }
  int DesktopTop() const { return DesktopRect().Top; }
  int DesktopWidth() const { return DesktopRect().Width(); }
  int DesktopHeight() const { return DesktopRect().Height(); }

  int MonitorCount() const;
  TMonitor* Monitors(int index) const;
  TMonitor* PrimaryMonitor() const;
  TMonitor* MonitorFromWindow(HWND hwnd, TMonitorDefaultTo dflt = mdNearest) const;
  TMonitor* MonitorFromPoint(TPoint p, TMonitorDefaultTo dflt = mdNearest) const;
  TMonitor* MonitorFromRect(const TRect& r, TMonitorDefaultTo dflt = mdNearest) const;

  // Installed font families, sorted, read once.
  TStrings* Fonts() const;
  TFont* HintFont() const { return hintFont_.get(); }
  TFont* MenuFont() const { return menuFont_.get(); }
  TFont* IconFont() const { return iconFont_.get(); }

  // ---- For the form layer ---------------------------------------------------
  void AddForm(TCustomForm* form);
  void RemoveForm(TCustomForm* form);
  // Makes form the active one and moves it to the front of the lists.
  void SetActiveCustomForm(TCustomForm* form);
  void SetActiveControl(TWinControl* control);

 private:
  void RefreshMonitors() const;
  TMonitor* Wrap(HMONITOR h) const;

  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
  TWinControl* activeControl_ = nullptr;
  std::vector<std::pair<int, HCURSOR>> cursors_;
  TCursor cursor_ = crDefault;
  mutable std::vector<std::unique_ptr<TMonitor>> monitors_;
  mutable std::unique_ptr<TStringList> fonts_;
  mutable int fontsVersion_ = -1;
  std::unique_ptr<TFont> hintFont_;
  std::unique_ptr<TFont> menuFont_;
  std::unique_ptr<TFont> iconFont_;
};

// The global screen object.
extern TScreen* Screen;
// Points the control layer's cursor hooks at Screen (done on first use of
// forms or cursors, never during static start-up).
void InstallScreenHooks();

// Shows a cursor everywhere for one scope and restores the previous one,
// also when the scope is left by an exception.
class TScreenCursorGuard {
 public:
  explicit TScreenCursorGuard(TCursor cursor);
  ~TScreenCursorGuard();
  TScreenCursorGuard(const TScreenCursorGuard&) = delete;
  TScreenCursorGuard& operator=(const TScreenCursorGuard&) = delete;

 private:
  TCursor saved_;
};
