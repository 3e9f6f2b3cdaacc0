#include "imaging/view/vqopensavedlg_pane.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/io/component/pictoraio_params.h"
#include "imaging/view/pictoraview.h"
#include "imaging/view/vqopensavedlg.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/controls/ComCtrls.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/controls/SpeedButton.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/lists/ComboBox.h"
#include "platform/user/User.h"

namespace {

// The zoom list's entries and the percentage each carries ("Fit" 0).
struct TPaneZoomEntry {
  const char* text;
  int percent;
};
constexpr TPaneZoomEntry kPaneZooms[] = {{"Fit", 0},    {"25%", 25},   {"50%", 50},   {"75%", 75},
                                         {"100%", 100}, {"125%", 125}, {"150%", 150}, {"175%", 175},
                                         {"200%", 200}, {"300%", 300}, {"400%", 400}};

// Sizes as the labels show them.
std::string PaneSizeText(std::int64_t bytes) {
  return bytes > 1023 ? std::to_string(bytes / 1024) + " Kb" : std::to_string(bytes) + " bytes";
}

// A 16 x 16 glyph: a magnifier for the preview button, a triangle for play.
std::unique_ptr<TBitmap> PaneGlyph(bool play) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(16, 16);
  TCanvas* c = b->Canvas();
  c->Brush()->SetColor(clOlive);  // the corner colour counts as transparent
  c->FillRect(TRect{0, 0, 16, 16});
  c->Pen()->SetColor(clBlack);
  c->Brush()->SetColor(play ? clGreen : clWhite);
  if (play) {
    const TPoint tri[3] = {{4, 2}, {12, 8}, {4, 14}};
    c->Polygon(tri, 3);
  } else {
    c->Ellipse(1, 1, 11, 11);
    c->MoveTo(9, 9);
    c->LineTo(15, 15);
    c->MoveTo(10, 9);
    c->LineTo(15, 14);
  }
  return b;
}

class TVQPicturePane : public TVQPreviewPane {
 public:
  explicit TVQPicturePane(TOpenPictoraDialog& dialog);
  ~TVQPicturePane() override;

  void SetCaptions(TMsgLanguage language) override;
  void SetPreviewCheckVisible(bool visible) override { previewCheck_->SetVisible(visible); }
  void SetPlayButtonVisible(bool visible) override { playButton_->SetVisible(visible); }
  void SetAdvancedButton(bool visible, const TRect& bounds, TNotifyEvent onClick) override {
    advancedButton_->SetBoundsRect(bounds);
    advancedButton_->SetVisible(visible);
    advancedButton_->OnClick = std::move(onClick);
  }
  void SetAdvancedEnabled(bool enabled) override { advancedButton_->SetEnabled(enabled); }
  void Place(HWND hookWindow, const TRect& client, const TRect& placeholder, bool previewActive,
             bool extended) override;
  void Preview(const std::string& fileName) override;
  void Clear() override;
  void ApplyZoom() override;
  void SetBorderStyle(TVQDBorderStyle style) override;
  TResampleFilter ZoomFilter() const override { return view_->ZoomFilter(); }
  void SetZoomFilter(TResampleFilter filter) override { view_->SetZoomFilter(filter); }

 private:
  void RunPreview(const std::string& fileName);
  void Empty();
  void ShowInfo(TIOParamsVals* params, int frames);
  void PreviewCheckClick();
  void FullSizePreview();
  void LayOut();

  TOpenPictoraDialog& dialog_;
  TPanel* infoPanel_;
  TLabel* infoLabel1_;
  TLabel* infoLabel2_;
  TButton* advancedButton_;
  TCheckBox* previewCheck_;
  TPanel* picturePanel_;
  TLabel* picLabel1_;
  TLabel* picLabel2_;
  TLabel* picLabel3_;
  TComboBox* zoomCombo_;
  TSpeedButton* previewButton_;
  TSpeedButton* playButton_;
  TPictoraView* view_;
  TPictoraIO* io_;
  TProgressBar* progressBar_;
  bool busy_ = false;
  bool extended_ = true;
  // A selection that came while a preview ran; previewed once it ends, so
  // the pane never shows another file than the one the list highlights.
  bool pending_ = false;
  std::int64_t fileSize_ = 0;
  int frames_ = 1;
};

template <class T>
T* PaneMake(TComponent* owner, const std::string& name) {
  T* c = new T(owner);
  c->SetName(name);
  return c;
}

TVQPicturePane::TVQPicturePane(TOpenPictoraDialog& dialog) : dialog_(dialog) {
  infoPanel_ = PaneMake<TPanel>(&dialog, "InfoPanel");
  infoPanel_->SetBounds(204, 5, 169, 200);
  infoPanel_->SetCaption("");
  infoPanel_->SetBevelOuter(bvNone);
  infoPanel_->SetBorderWidth(6);
  infoPanel_->SetTabOrder(1);
  infoLabel1_ = PaneMake<TLabel>(&dialog, "InfoLabel1");
  infoLabel1_->SetParent(infoPanel_);
  infoLabel1_->SetBounds(6, 6, 157, 23);
  infoLabel1_->SetCaption("");
  infoLabel2_ = PaneMake<TLabel>(&dialog, "InfoLabel2");
  infoLabel2_->SetParent(infoPanel_);
  infoLabel2_->SetBounds(6, 29, 157, 23);
  infoLabel2_->SetCaption("");
  advancedButton_ = PaneMake<TButton>(&dialog, "AdvancedButton");
  advancedButton_->SetParent(infoPanel_);
  advancedButton_->SetBounds(dialog.ShowPlacesBar ? 474 : 333, 0, 75, 23);
  advancedButton_->SetVisible(false);
  previewCheck_ = PaneMake<TCheckBox>(&dialog, "PreviewCheck");
  previewCheck_->SetParent(infoPanel_);
  previewCheck_->SetBounds(195, 24, 130, 23);
  previewCheck_->SetChecked(true);
  previewCheck_->SetVisible(false);
  previewCheck_->OnClick = [this](TObject*) { PreviewCheckClick(); };

  picturePanel_ = PaneMake<TPanel>(&dialog, "PicturePanel");
  picturePanel_->SetBounds(204, 5, 169, 200);
  picturePanel_->SetCaption("");
  picturePanel_->SetBevelOuter(bvNone);
  picturePanel_->SetBorderWidth(6);
  picturePanel_->SetTabOrder(1);
  int labelTop = 180;
  picLabel1_ = PaneMake<TLabel>(&dialog, "PicLabel1");
  picLabel2_ = PaneMake<TLabel>(&dialog, "PicLabel2");
  picLabel3_ = PaneMake<TLabel>(&dialog, "PicLabel3");
  for (TLabel* l : {picLabel1_, picLabel2_, picLabel3_}) {
    l->SetParent(picturePanel_);
    l->SetBounds(6, labelTop, 157, 23);
    l->SetCaption("");
    labelTop += 23;
  }
  zoomCombo_ = PaneMake<TComboBox>(&dialog, "ZoomCombo");
  zoomCombo_->SetParent(picturePanel_);
  zoomCombo_->SetBounds(6, 5, 50, 21);
  zoomCombo_->SetStyle(csDropDownList);
  zoomCombo_->Hint = "Zoom";
  zoomCombo_->SetShowHint(true);
  zoomCombo_->OnChange = [this](TObject*) { dialog_.ApplyZoom(); };
  previewButton_ = PaneMake<TSpeedButton>(&dialog, "PreviewButton");
  previewButton_->SetParent(picturePanel_);
  previewButton_->SetBounds(60, 5, 23, 22);
  previewButton_->SetFlat(true);
  previewButton_->SetEnabled(false);
  previewButton_->SetGlyph(PaneGlyph(false).get());
  previewButton_->SetShowHint(true);
  previewButton_->OnClick = [this](TObject*) { FullSizePreview(); };
  playButton_ = PaneMake<TSpeedButton>(&dialog, "PlayButton");
  playButton_->SetParent(picturePanel_);
  playButton_->SetBounds(85, 5, 23, 22);
  playButton_->SetFlat(true);
  playButton_->SetEnabled(false);
  playButton_->SetGroupIndex(1);
  playButton_->SetAllowAllUp(true);
  playButton_->SetGlyph(PaneGlyph(true).get());
  playButton_->SetShowHint(true);

  view_ = PaneMake<TPictoraView>(&dialog, "PictoraView");
  view_->SetParent(picturePanel_);
  view_->SetBounds(6, 36, 133, 139);
  view_->SetTabOrder(0);
  view_->SetViewCursor(crDefault);
  view_->SetMouseInteract(MouseBit(miScroll));
  view_->TVQView::SetBackground(clWhite);
  view_->SetBackgroundStyle(vqbsChessboard);
  view_->SetChessboardStyle(12, bsSolid);
  view_->SetBorderStyle(bsSingle);
  view_->SetCenter(true);
  view_->SetZoomFilter(rfFastLinear);
  view_->DelayZoomFilter = false;
  view_->SetEnableAlphaChannel(true);
  view_->OnDblClick = [this](TObject*) { FullSizePreview(); };

  io_ = PaneMake<TPictoraIO>(&dialog, "PreviewIO");
  io_->SetAttachedPictora(view_);

  progressBar_ = PaneMake<TProgressBar>(&dialog, "ProgressBar");
  progressBar_->SetBounds(0, 55, 127, 19);
  progressBar_->SetRange(0, 100);
  progressBar_->SetVisible(false);
  io_->OnProgress = [this](TObject*, int percent) {
    progressBar_->SetPosition(percent);
    if (progressBar_->Visible() && progressBar_->HandleAllocated()) progressBar_->Repaint();
  };
}

TVQPicturePane::~TVQPicturePane() = default;

void TVQPicturePane::SetCaptions(TMsgLanguage language) {
  previewButton_->Hint = GetWord(0, language);
  previewCheck_->SetCaption(GetWord(0, language));
  advancedButton_->SetCaption(GetWord(45, language) + "...");
  playButton_->Hint = GetWord(87, language);
}

void TVQPicturePane::LayOut() {
  // The view fills the panel below the buttons, above the labels when they
  // show.
  const int w = picturePanel_->ClientWidth(), h = picturePanel_->ClientHeight();
  const int bottom = extended_ ? std::max(h - 3 * 23 - 6, 60) : h - 6;
  view_->SetBounds(6, 36, std::max(w - 12, 20), std::max(bottom - 36, 20));
  int top = bottom + 4;
  for (TLabel* l : {picLabel1_, picLabel2_, picLabel3_}) {
    l->SetBounds(6, top, std::max(w - 12, 20), 23);
    top += 23;
  }
}

void TVQPicturePane::Place(HWND hookWindow, const TRect& client, const TRect& placeholder, bool previewActive,
                           bool extended) {
  extended_ = extended;
  if (previewActive) {
    picturePanel_->SetBounds(placeholder.Right, placeholder.Top, std::max(client.Right - placeholder.Right, 0),
                             placeholder.Height());
    picturePanel_->SetParentWindow(hookWindow);
    picturePanel_->SetVisible(true);
    LayOut();
    zoomCombo_->Items()->Clear();
    for (const TPaneZoomEntry& z : kPaneZooms)
      zoomCombo_->Items()->AddObject(z.text, reinterpret_cast<TObject*>(std::intptr_t(z.percent)));
    zoomCombo_->SetItemIndex(0);
    view_->TVQView::SetBackground(clWhite);
    view_->SetCenter(true);
    playButton_->SetDown(false);
    playButton_->SetEnabled(false);
  }
  if (extended) {
    infoPanel_->SetBounds(placeholder.Left, placeholder.Bottom, client.Width(),
                          std::max(client.Bottom - placeholder.Bottom, 0));
    infoPanel_->SetParentWindow(hookWindow);
    infoPanel_->SetVisible(true);
  } else {
    for (TLabel* l : {picLabel1_, picLabel2_, picLabel3_}) l->SetVisible(false);
    zoomCombo_->SetVisible(false);
  }
}

void TVQPicturePane::Preview(const std::string& fileName) {
  if (busy_) {
    pending_ = true;
    return;
  }
  RunPreview(fileName);
  // Selections dropped meanwhile: show the one the list holds now.
  for (int again = 0; pending_ && again < 8; ++again) {
    pending_ = false;
    RunPreview(dialog_.FileName());
  }
  pending_ = false;
}

void TVQPicturePane::RunPreview(const std::string& name) {
  busy_ = true;
  struct TBusyEnd {
    bool& flag;
    ~TBusyEnd() { flag = false; }
  } busyEnd{busy_};
  struct stat st {};
  // Only an existing file whose attributes can be read is previewed.
  if (name.empty() || ::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    Empty();
    return;
  }
  fileSize_ = std::int64_t(st.st_size);
  try {
    if (!previewCheck_->Checked()) {
      io_->ParamsFromFile(name);
      frames_ = 1;
      if (io_->Aborting || io_->Parameters()->FileType == 0)
        ShowInfo(nullptr, 1);
      else
        ShowInfo(io_->Parameters(), frames_);
      return;
    }
    TScreenCursorGuard hourglass(crHourGlass);
    view_->TVQView::SetBackground(clWhite);
    view_->ClearImage();
    view_->Repaint();
    playButton_->SetDown(false);
    playButton_->SetEnabled(false);
    zoomCombo_->SetEnabled(true);
    view_->SetVisible(true);
    progressBar_->SetParent(view_);
    progressBar_->SetPosition(0);
    progressBar_->SetVisible(true);
    progressBar_->Repaint();
    TIOParamsVals* p = io_->Parameters();
    // A JPEG decodes at the largest reduction that still covers the view.
    p->Width = view_->Width();
    p->Height = view_->Height();
    p->JpegScale = 0;
    io_->AutoAdjustDPI = dialog_.AutoAdjustDPI;
    io_->FilteredAdjustDPI = dialog_.FilteredAdjustDPI;
    io_->LoadFromFile(name);
    progressBar_->SetVisible(false);
    if (io_->Aborting || view_->GetImage()->IsEmpty()) {
      Empty();
      return;
    }
    frames_ = p->FileType == ioDCX ? std::max(DcxPageCount(name), 1) : 1;
    ShowInfo(p, frames_);
    previewButton_->SetEnabled(true);
    zoomCombo_->SetEnabled(true);
    dialog_.ApplyZoom();
  } catch (...) {
    // A preview that fails for any reason only empties the pane.
    progressBar_->SetVisible(false);
    Empty();
  }
}

void TVQPicturePane::Empty() {
  for (TLabel* l : {infoLabel1_, infoLabel2_, picLabel1_, picLabel2_, picLabel3_}) l->SetCaption("");
  previewButton_->SetEnabled(false);
  zoomCombo_->SetEnabled(false);
  view_->ClearImage();
  playButton_->SetEnabled(false);
}

void TVQPicturePane::ShowInfo(TIOParamsVals* p, int frames) {
  if (!p) {
    for (TLabel* l : {infoLabel1_, infoLabel2_, picLabel1_, picLabel2_, picLabel3_}) l->SetCaption("");
    return;
  }
  const bool jpeg = p->FileType == ioJPEG;
  const std::int64_t w = jpeg ? p->JpegOriginalWidth : p->Width, h = jpeg ? p->JpegOriginalHeight : p->Height;
  std::string size = std::to_string(w) + " x " + std::to_string(h) + " pixel";
  if (frames > 1) size += " , " + std::to_string(frames) + " frames";
  picLabel1_->SetCaption(size);
  picLabel3_->SetCaption(std::to_string(p->DpiX()) + " x " + std::to_string(p->DpiY()) + " dpi");
  const int bits = p->SamplesPerPixel * p->BitsPerSample;
  std::string colours;
  if (p->SamplesPerPixel == 4 && p->BitsPerSample == 8)
    colours = "16777216";
  else if (p->SamplesPerPixel == 3 && p->BitsPerSample == 16)
    colours = "2^48";
  else if (bits >= 32 || bits < 0)
    colours = "2^" + std::to_string(bits);  // past what a count can spell
  else
    colours = std::to_string(std::uint64_t(1) << bits);
  picLabel2_->SetCaption(colours + " " + GetWord(58, dialog_.MsgLanguage) + " (" + std::to_string(bits) + " bit)");
  const int b = p->SamplesPerPixel == 1 && p->BitsPerSample == 1 ? 1 : 24;
  const std::int64_t rowBytes = ((w * b + 31) / 32) * 4;
  const std::int64_t memory = std::int64_t(frames) * h * rowBytes;
  infoLabel2_->SetCaption(GetWord(126, dialog_.MsgLanguage) + ": " + PaneSizeText(fileSize_) + "   " +
                          GetWord(127, dialog_.MsgLanguage) + ": " + PaneSizeText(memory));
  infoLabel1_->SetCaption(ParamsInfoText(p));
}

void TVQPicturePane::PreviewCheckClick() {
  if (previewCheck_->Checked()) {
    Preview(dialog_.FileName());
    return;
  }
  ShowInfo(nullptr, 1);
  view_->TVQView::SetBackground(clWhite);
  view_->ClearImage();
  view_->SetZoom(100);
  previewButton_->SetEnabled(false);
  zoomCombo_->SetEnabled(false);
}

void TVQPicturePane::Clear() {
  view_->ClearImage();
  if (Application) Application->CancelHint();
}

void TVQPicturePane::ApplyZoom() {
  const int i = zoomCombo_->ItemIndex();
  if (i < 0) return;
  const int percent = int(reinterpret_cast<std::intptr_t>(zoomCombo_->Items()->Objects(i)));
  if (percent > 0) {
    view_->AutoFit = false;
    view_->SetZoom(percent);
  } else {
    view_->AutoFit = true;
    view_->Update();
  }
}

void TVQPicturePane::SetBorderStyle(TVQDBorderStyle style) {
  switch (style) {
    case vqpsDefault:
      view_->SetBackgroundStyle(vqbsSolid);
      view_->SetBorderStyle(bsSingle);
      break;
    case vqpsCropped:
      view_->SetBackgroundStyle(vqbsCropped);
      view_->SetBorderStyle(bsNone);
      break;
    case vqpsCropShadow:
      view_->SetBackgroundStyle(vqbsCropShadow);
      view_->SetBorderStyle(bsNone);
      break;
  }
}

void TVQPicturePane::FullSizePreview() {
  TForm* form = TCustomForm::New<TForm>(nullptr);
  form->SetName("PreviewForm");
  form->SetCaption(dialog_.FileName());
  form->SetBorderStyle(bsSizeToolWin);
  form->KeyPreview = true;
  form->SetPosition(poScreenCenter);
  form->OnKeyPress = [form](TObject*, std::string& key) {
    if (key == "\x1b") form->Close();
  };
  auto* big = new TPictoraView(form);
  big->SetName("PictoraView");
  big->SetParent(form);
  big->SetAlign(alClient);
  big->SetViewCursor(crDefault);
  big->SetMouseInteract(MouseBit(miZoom) | MouseBit(miScroll));
  big->Assign(view_);
  big->TVQView::SetBackground(clWhite);
  big->SetBackgroundStyle(vqbsChessboard);
  big->SetEnableAlphaChannel(true);
  big->SetCenter(true);
  big->SetScrollBars(ssBoth);
  const int iw = big->GetImage()->GetWidth(), ih = big->GetImage()->GetHeight();
  const int sw = Screen ? Screen->Width() : 1024, sh = Screen ? Screen->Height() : 768;
  if (iw <= 100)
    form->SetWidth(100);
  else if (iw < sw)
    form->SetClientWidth(iw);
  else
    form->SetWidth(sw);
  if (ih <= 100)
    form->SetHeight(100);
  else if (ih < sh)
    form->SetClientHeight(ih);
  else
    form->SetHeight(sh);
  form->ShowModal();
  delete form;
}

}  // namespace

std::unique_ptr<TVQPreviewPane> CreatePreviewPane(TOpenPictoraDialog& dialog) {
  return std::make_unique<TVQPicturePane>(dialog);
}
