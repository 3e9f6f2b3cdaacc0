// The skinned speed button: the window-less tool-bar twin of the skinned
// button. It never takes the focus, can be flat (no face while the pointer
// is away), hides its caption with a width of its own for each case, and
// can show the selection of an images menu.
#pragma once
#include <memory>

#include "skin/controls/SkinCtrls.h"
#include "skin/windows/SkinMenus_ImagesMenu.h"

class TspSkinSpeedButton : public TspGraphicSkinCustomControl {
 public:
  explicit TspSkinSpeedButton(TComponent* AOwner);
  ~TspSkinSpeedButton() override;
  std::string ClassName() const override { return "TspSkinSpeedButton"; }

  bool UseSkinSize = true;
  bool UseSkinFontColor = true;
  bool RepeatMode = false;
  int RepeatInterval = 100;
  bool AllowAllUp = false;
  bool ShowColorBar = false;
  TColor ColorBarColor = 0;
  int WidthWithCaption = 0, WidthWithoutCaption = 0;
  bool UseImagesMenuImage = false, UseImagesMenuCaption = false;
  TspButtonPaintEvent OnPaint;

  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  bool Down() const { return down_; }
  void SetDown(bool v);
  int GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int v) { groupIndex_ = v; }
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(const TBitmap* v);
  TspNumGlyphs NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(TspNumGlyphs v);
  int Margin() const { return margin_; }
  void SetMargin(int v);
  int Spacing() const { return spacing_; }
  void SetSpacing(int v);
  TspButtonLayout Layout() const { return layout_; }
  void SetLayout(TspButtonLayout v);
  TImageList* ImageList() const { return imageList_; }
  void SetImageList(TImageList* v);
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  bool ShowCaption() const { return showCaption_; }
  void SetShowCaption(bool v);
  TspImagesMenuBase* SkinImagesMenu() const { return imagesMenu_; }
  void SetSkinImagesMenu(TspImagesMenuBase* menu);

  // State, read by tests.
  bool PointerInside = false;
  bool Pressed = false;
  double MorphRatio = 0.0;
  bool Morphing() const { return morphTimer_ != nullptr; }
  bool Repeating() const { return repeatTimer_ != nullptr; }

  virtual void ButtonClick();
  // The skin's menu marker, centred in R (the menu speed button's arrow).
  void DrawMenuMarker(TCanvas* C, const TRect& R, bool mouseIn, bool down, bool flat);
  void GetSkinData() override;
  void ChangeSkinData() override;
  void CalcSize(int& W, int& H) override;
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void CreateButtonSkinImage(TBitmap* B, const TRect& state, bool ADown, bool AMouseIn);
  void CreateControlDefaultImage(TBitmap* B) override;
  void CreateControlSkinImage(TBitmap*) override {}
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The content: images-menu selection, image list or glyph, and the caption.
  void DrawContent(TCanvas* C, const TRect& R, bool ADown, bool AMouseIn, bool downFlag);
  bool SkinEffectsOn() const;
  bool CanMorph() const;
  int GetGlyphNum(bool down, bool in) const;
  std::string ShownCaption() const { return showCaption_ ? Caption() : std::string(); }

  // Copies of the description.
  std::string fontname_;
  int fontheight_ = 14;
  TFontStyles fontstyle_ = 0;
  TColor fontcolor_ = 0, activefontcolor_ = 0, downfontcolor_ = 0, disabledfontcolor_ = 0;
  TRect activeskinrect_, downskinrect_, disabledskinrect_, animateskinrect_;
  bool morphing_ = false;
  TspMorphKind morphkind_ = mkDefault;
  int framecount_ = 0, animateinterval_ = 25;
  TRect menumarkerrect_, menumarkeractiverect_, menumarkerdownrect_, menumarkerflatrect_;
  TColor menumarkertransparentcolor_ = 0;

 protected:
  bool DownLook() const { return down_ && (groupIndex_ != 0 || PointerInside); }
  void ComposeFace(TBitmap& image);
  void ApplyFace(TCanvas* C, bool ADown, bool AMouseIn);
  virtual void MouseEnterButton();
  virtual void MouseLeaveButton();

 private:
  void ReleaseGroup();
  void PaintFlatAtRest(const TRect& R, bool described);
  void StopTimer(std::unique_ptr<TTimer>& timer);
  void StartMorph();
  void StopMorph();
  void StartMorphOrRepaint();
  void MorphTimerProc();
  bool HasAnimation() const;
  void StartAnimate(bool forward);
  void StopAnimate();
  void AnimateTimerProc();
  TRect AnimateFrameRect() const;
  void StartRepeat();
  void StopRepeat();

  std::unique_ptr<TTimer> animateTimer_, repeatTimer_, morphTimer_, stoppedTimer_;
  int animateFrame_ = 0;
  bool animateForward_ = false;
  bool downAtPress_ = false;
  bool flat_ = false;
  bool down_ = false;
  int groupIndex_ = 0;
  std::unique_ptr<TBitmap> glyph_;
  TspNumGlyphs numGlyphs_ = 1;
  int margin_ = -1, spacing_ = 1;
  TspButtonLayout layout_ = blGlyphLeft;
  TImageList* imageList_ = nullptr;
  int imageIndex_ = 0;
  bool showCaption_ = true;
  TspImagesMenuBase* imagesMenu_ = nullptr;
};
