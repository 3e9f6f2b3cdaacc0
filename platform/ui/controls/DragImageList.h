// TDragImageList: an image list that can show one of its images following
// the pointer during a drag. The image is a small topmost popup with
// per-pixel alpha (the mask's pixels see-through) that never takes the
// mouse, so the control under the pointer is still found beneath it.
// Positions are relative to the top-left corner of the locked window (the
// window rectangle, not the client; the desktop gives screen coordinates),
// and the image's top-left sits at the position minus the hot spot.
#pragma once
#include <memory>
#include <string>

#include "platform/graphics/ImageList.h"
#include "platform/user/UserTypes.h"

class TDragImageList : public TImageList {
 public:
  explicit TDragImageList(TComponent* owner = nullptr, int width = 16, int height = 16);
  ~TDragImageList() override;
  std::string ClassName() const override { return "TDragImageList"; }

  // The image to drag and the point in it that sits under the pointer.
  // False for an index outside the list. During a drag the image changes
  // at once, the pointer keeping its place.
  bool SetDragImage(int Index, int HotSpotX, int HotSpotY);
  int DragIndex() const { return dragIndex_; }
  TPoint GetHotSpot() const { return hotSpot_; }

  // Starts a drag locked to Window (nullptr: the desktop) and shows the
  // image at X, Y. False without a valid drag image.
  bool BeginDrag(HWND Window, int X, int Y);
  // Moves the image (shown or not) to X, Y of the locked window.
  bool DragMove(int X, int Y);
  // Removes the image and ends the drag.
  void EndDrag();
  bool Dragging() const { return dragging_; }
  // Locks the drag to another window (nullptr: the desktop) and shows the
  // image at X, Y there (false when already locked to it); DragUnlock hides it and leaves the
  // positions in screen coordinates until the next lock.
  bool DragLock(HWND Window, int XPos, int YPos);
  void DragUnlock();
  // Hide and show the image without ending the drag or changing the lock,
  // e.g. while a target scrolls beneath it.
  void ShowDragImage();
  void HideDragImage();
  // The popup that shows the image, nullptr when none is shown.
  HWND DragImageWindow() const { return window_; }
  // Turns false when the list is destroyed (a drag that holds it checks).
  std::shared_ptr<const bool> AliveToken() const { return alive_; }

 private:
  void MakeWindow();
  void DestroyDragWindow();
  void PlaceWindow();
  void Show(bool show);
  TPoint LockOrigin() const;
  TPoint ScreenPlace() const;
  int dragIndex_ = 0;
  TPoint hotSpot_{};
  bool dragging_ = false;
  bool shown_ = false;
  bool locked_ = false;
  HWND lockWindow_ = nullptr;  // nullptr: the desktop
  TPoint pos_{};  // in the locked window
  HWND window_ = nullptr;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Makes image Index of Images the only image of Drag and its drag image,
// with the hot spot given; clears Drag and returns false when Images has no
// such image.
bool CopyDragImage(TDragImageList& Drag, const TImageList* Images, int Index, TPoint HotSpot);
