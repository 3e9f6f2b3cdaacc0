// The images menu: a drop-down grid of pictures from an image list, with
// full-width buttons and section headers, for pickers (colours, line
// styles, symbols). Skinned speed buttons drop it down.
#pragma once
#include <functional>
#include <string>

#include "platform/rtl/Component.h"
#include "platform/rtl/Types.h"

class TImageList;

// What a speed button needs of an images menu: the selected item's image
// and caption, a drop-down at a screen rectangle, and calls when the
// selection changes and when the drop-down closes.
class TspImagesMenuBase : public TComponent {
 public:
  explicit TspImagesMenuBase(TComponent* AOwner) : TComponent(AOwner) {}
  std::string ClassName() const override { return "TspImagesMenuBase"; }
  virtual TImageList* ImagesList() const = 0;
  // False when no item is selected.
  virtual bool SelectedItem(int& imageIndex, std::string& caption) const = 0;
  // Drops the menu down below R (screen coordinates).
  virtual void PopupAtRect(const TRect& R) = 0;
  // Whether the drop-down is open.
  virtual bool IsOpen() const = 0;
  // Called after the selection changed; the button that shows it repaints.
  std::function<void()> ChangeNotify;
  // Called when the drop-down has closed; the button that opened it comes up.
  std::function<void()> CloseNotify;
};
