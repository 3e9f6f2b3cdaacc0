// What the non-visual components of the imaging library (the I/O
// component, the processing component) see of a view they attach to: its
// images, its change-callback registry, its resolutions and its update.
// The views implement it; the components above the core reach a view only
// through it, so the libraries below the views never depend on them.
#pragma once
#include <cstdint>
#include <functional>

#include "platform/graphics/Colors.h"
#include "platform/rtl/Object.h"
#include "platform/user/UserTypes.h"

class TBitmap;
class TComponent;
class TVQBitmap;

// Called with the view as sender; Destroying is true once, when the view
// goes.
using TVQChangeCallback = std::function<void(TObject* Sender, bool Destroying)>;
// The registration's record address; -1 is "none".
using TVQCallbackHandle = std::intptr_t;
constexpr TVQCallbackHandle kVQNoCallback = -1;

// Posted by an I/O thread to the view's window when a load into the view's
// image has finished: the view updates itself on its own thread.
constexpr UINT kVQUpdateMessage = 0x1F58;

class IVQViewLink {
 public:
  virtual ~IVQViewLink() = default;
  // The view as a component, for free notification.
  virtual TComponent* ViewComponent() = 0;
  virtual TBitmap* GetFrameworkBitmap() = 0;
  virtual TVQBitmap* GetImage() = 0;
  virtual TColor GetBackground() const = 0;
  virtual void SetBackground(TColor value) = 0;
  // Multi-image views take no background from an I/O component.
  virtual bool IsMultiImageView() const { return false; }
  virtual void SetDpi(int x, int y) = 0;
  // The hook after the image changed.
  virtual void ImageChange() = 0;
  // The view's update step (GUI thread only).
  virtual void UpdateView() = 0;
  // The view's window when it has one, else nullptr: where an I/O thread
  // posts kVQUpdateMessage.
  virtual HWND ViewWindow() = 0;
  virtual TVQCallbackHandle RegisterChangeCallback(TVQChangeCallback handler) = 0;
  virtual void UnregisterChangeCallback(TVQCallbackHandle handle) = 0;
};
