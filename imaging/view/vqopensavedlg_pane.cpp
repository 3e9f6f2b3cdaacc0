#include "imaging/view/vqopensavedlg_pane.h"

namespace {

// Shows nothing: the dialogs run with their template's free area empty
// until the pane that previews pictures takes its place.
class TVQEmptyPreviewPane : public TVQPreviewPane {
 public:
  void SetCaptions(TMsgLanguage) override {}
  void SetPreviewCheckVisible(bool) override {}
  void SetPlayButtonVisible(bool) override {}
  void SetAdvancedButton(bool, const TRect&, TNotifyEvent) override {}
  void SetAdvancedEnabled(bool) override {}
  void Place(HWND, const TRect&, const TRect&, bool, bool) override {}
  void Preview(const std::string&) override {}
  void Clear() override {}
  void ApplyZoom() override {}
  void SetBorderStyle(TVQDBorderStyle) override {}
  // Kept for the view that will zoom with it.
  TResampleFilter ZoomFilter() const override { return zoomFilter_; }
  void SetZoomFilter(TResampleFilter filter) override { zoomFilter_ = filter; }

 private:
  TResampleFilter zoomFilter_ = rfFastLinear;
};

}  // namespace

std::unique_ptr<TVQPreviewPane> CreatePreviewPane(TOpenPictoraDialog&) {
  return std::make_unique<TVQEmptyPreviewPane>();
}
