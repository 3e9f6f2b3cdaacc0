// The preview pane of the open and save dialogs, as the dialogs see it: the
// picture panel beside the file list and the information panel below it,
// with the preview check box, the play button and the save dialog's
// advanced button. The dialogs reach the pane only through this interface,
// so the pane that previews pictures replaces the empty one without any
// change to the dialogs.
#pragma once
#include <memory>
#include <string>

#include "imaging/core/processing/pictoraproc_resample.h"
#include "imaging/core/base/vqwords.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Types.h"
#include "platform/user/UserTypes.h"

class TOpenPictoraDialog;

// How the preview frames its picture.
enum TVQDBorderStyle : Byte { vqpsDefault, vqpsCropped, vqpsCropShadow };

class TVQPreviewPane {
 public:
  virtual ~TVQPreviewPane() = default;

  // Captions and hints from the word table, at creation and at each run.
  virtual void SetCaptions(TMsgLanguage language) = 0;
  // Set before each run.
  virtual void SetPreviewCheckVisible(bool visible) = 0;
  virtual void SetPlayButtonVisible(bool visible) = 0;
  // The save dialog's advanced button: shown or hidden, where it goes in the
  // information panel, and what a click runs.
  virtual void SetAdvancedButton(bool visible, const TRect& bounds, TNotifyEvent onClick) = 0;
  virtual void SetAdvancedEnabled(bool enabled) = 0;

  // Once the dialog's controls exist: places the pane in the hook window.
  // client is the hook window's client rectangle, placeholder the area of
  // the standard controls in it; the picture panel goes right of the
  // placeholder when previewActive, the information panel below it when
  // extended.
  virtual void Place(HWND hookWindow, const TRect& client, const TRect& placeholder, bool previewActive,
                     bool extended) = 0;
  // The selection changed to fileName (the live path: a file, a folder, or
  // a name that does not exist); a failed preview empties the pane.
  virtual void Preview(const std::string& fileName) = 0;
  // The dialog's window is going: stop playing and empty the pane.
  virtual void Clear() = 0;
  // Applies the zoom list's entry to the picture.
  virtual void ApplyZoom() = 0;
  virtual void SetBorderStyle(TVQDBorderStyle style) = 0;
  // The filter the picture is zoomed with (the view's own setting; a new
  // pane starts with rfFastLinear).
  virtual TResampleFilter ZoomFilter() const = 0;
  virtual void SetZoomFilter(TResampleFilter filter) = 0;
};

// The pane a dialog is created with.
std::unique_ptr<TVQPreviewPane> CreatePreviewPane(TOpenPictoraDialog& dialog);
