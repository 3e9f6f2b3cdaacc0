// TVQView: the base of the imaging library's views. A custom control with
// a background colour, a frame style, mouse-enter and mouse-leave events,
// the resolutions that travel with the image, and the registry of change
// callbacks through which the components attached to a view hear that its
// image changed or that the view is going.
#pragma once
#include <memory>
#include <vector>

#include "imaging/core/base/vqzutils_viewlink.h"
#include "platform/rtl/Events.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/StdCtrls.h"

class TVQBitmap;

class TVQView : public TCustomControl, public IVQViewLink {
 public:
  explicit TVQView(TComponent* AOwner);
  ~TVQView() override;
  std::string ClassName() const override { return "TVQView"; }

  TColor Background() const { return background_; }
  // Stores the colour; the views repaint.
  void SetBackground(TColor value) override { background_ = value; }
  TColor GetBackground() const override { return background_; }
  bool Ctl3D() const { return ctl3D_; }
  // A different value makes the window anew.
  void SetCtl3D(bool value);
  bool ParentCtl3D = true;
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  // ---- what attached components reach -------------------------------------
  TBitmap* GetFrameworkBitmap() override { return nullptr; }
  TVQBitmap* GetImage() override { return nullptr; }
  virtual TVQBitmap* GetAlphaChannel() = 0;
  virtual bool HasAlphaChannel() = 0;
  virtual void RemoveAlphaChannel(bool Merge) = 0;
  virtual void LockPaint() = 0;
  // Lowers the paint lock and updates the view at zero; the new count.
  virtual int UnlockPaint() = 0;
  // Lowers the paint lock without updating; the new count.
  virtual int ReleasePaintLock() = 0;
  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }
  // 0 is ignored, so a view never takes a zero resolution.
  virtual void SetDpiX(int value);
  virtual void SetDpiY(int value);
  void SetDpi(int x, int y) override;
  void ImageChange() override {}
  // Calls every registered callback with Destroying false, in registration
  // order; callbacks must not change the registry meanwhile.
  virtual void CallChangeCallbacks();
  TVQCallbackHandle RegisterChangeCallback(TVQChangeCallback handler) override;
  // Unknown and negative handles are ignored.
  void UnregisterChangeCallback(TVQCallbackHandle handle) override;
  int ChangeCallbackCount() const { return static_cast<int>(callbacks_.size()); }
  TCanvas* GetCanvas() { return Canvas(); }

  TComponent* ViewComponent() override { return this; }
  HWND ViewWindow() override { return HandleAllocated() ? Handle() : nullptr; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Dispatch(TMessage& Message) override;
  // The destroy broadcast: each registered component hears once, in
  // registration order, and its record goes. The views call it before they
  // release their own fields' owners (the base destructor calls it too).
  void BroadcastDestroy();

 private:
  struct TRecord {
    TVQChangeCallback handler;
  };
  std::vector<std::unique_ptr<TRecord>> callbacks_;
  TColor background_ = clBtnFace;
  TBorderStyle borderStyle_ = bsSingle;
  bool ctl3D_ = false;
  int dpiX_ = 0, dpiY_ = 0;
};
