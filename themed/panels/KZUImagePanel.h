// The themed picture panel: a panel that shows a picture (normal, stretched
// or tiled) and a one-line caption, optionally over its parent's
// background. The track bar uses it as its slider.
#pragma once
#include <memory>
#include <string>

#include "platform/ui/controls/ExtCtrls.h"
#include "themed/core/KZUThemes.h"

class TPicture;

enum TkzuDrawStyle : Byte { kzuNormal = 0, kzuStretch = 1, kzuTile = 2 };

class TkzuCustomPanel : public TCustomPanel, public TkzuLookTarget {
 public:
  explicit TkzuCustomPanel(TComponent* AOwner);
  ~TkzuCustomPanel() override;
  std::string ClassName() const override { return "TkzuCustomPanel"; }

  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(const TPicture* v);
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool v);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool v) override;
  TkzuDrawStyle DrawStyle() const { return drawStyle_; }
  void SetDrawStyle(TkzuDrawStyle v);
  TRect CaptionRect() const { return captionRect_; }

  void Dispatch(TMessage& Message) override;
  void ApplyContainerUIStyle(TkzuUIStyle style) override;
  bool PassesLookToChildren() const override { return true; }

 protected:
  virtual void FillBackground();
  virtual void TextChanged(const TRect&) {}
  virtual void PictureChanged();
  void Paint() override;
  void Resize() override;
  bool HasPicture() const;
  void ApplyPictureSize();

 private:
  std::unique_ptr<TPicture> picture_;
  bool transparent_ = false;
  bool autoSize_ = false;
  TkzuDrawStyle drawStyle_ = kzuNormal;
  TRect captionRect_{};
};

class TkzuImagePanel : public TkzuCustomPanel {
 public:
  explicit TkzuImagePanel(TComponent* AOwner) : TkzuCustomPanel(AOwner) {}
  std::string ClassName() const override { return "TkzuImagePanel"; }
};
