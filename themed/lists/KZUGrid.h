// The themed grids: the framework draw grid and string grid with cells
// filled in the look's colours (focused over selected over plain) and the
// flat two-colour frame over the grid after every paint.
#pragma once
#include <string>

#include "platform/graphics/Canvas.h"
#include "platform/ui/lists/Grids.h"
#include "themed/lists/KZUBordered.h"

template <class Base>
class TkzuGrid : public TkzuFramed<Base>, public TkzuLookTarget {
 public:
  explicit TkzuGrid(TComponent* AOwner) : TkzuFramed<Base>(AOwner) {
    this->AddOpaqueStyle();
    this->SetFrameWidth(1);
    SetUIStyle(GetOwnerFormPanelUIStyle(AOwner));
  }

  TkzuUIStyle UIStyle() const { return uiStyle_; }
  void SetUIStyle(TkzuUIStyle v) {
    uiStyle_ = v;
    if (v != TkzuUIStyle::Custom) {
      this->SetBorderColor(GetThemeColor(v, 8));
      this->SetFixedColor(GetThemeColor(v, 12));
      this->SetColor(GetThemeColor(v, 9));
      fixedFontColor_ = GetThemeColor(v, 13);
      this->Font()->SetColor(GetThemeColor(v, 16));
    }
    this->Invalidate();
  }
  TColor FocusedColor() const { return focusedColor_; }
  void SetFocusedColor(TColor v) { Store(focusedColor_, v); }
  TColor SelectedColor() const { return selectedColor_; }
  void SetSelectedColor(TColor v) { Store(selectedColor_, v); }
  TColor FixedFontColor() const { return fixedFontColor_; }
  void SetFixedFontColor(TColor v) { Store(fixedFontColor_, v); }
  TColor FontColor() const { return this->Font()->Color(); }
  void SetFontColor(TColor v) { this->Font()->SetColor(v); }
  bool Ctl3D() const { return false; }
  void ApplyContainerUIStyle(TkzuUIStyle style) override { SetUIStyle(style); }

 protected:
  // No sunken edge: the flat frame is the grid's only border.
  void CreateParams(TCreateParams& Params) override {
    Base::CreateParams(Params);
    Params.ExStyle &= ~DWORD(WS_EX_CLIENTEDGE);
  }
  void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override {
    TCanvas* c = this->Canvas();
    if (!(AState & gdFixed)) {
      const TColor fill = (AState & gdFocused) ? focusedColor_ : (AState & gdSelected) ? selectedColor_ : this->Color();
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(fill);
      c->FillRect(ARect);
    } else {
      c->Font()->SetColor(fixedFontColor_);
    }
    Base::DrawCell(ACol, ARow, ARect, AState);
  }

 private:
  void Store(TColor& field, TColor v) {
    field = v;
    this->Invalidate();
  }
  TkzuUIStyle uiStyle_ = TkzuUIStyle::Custom;
  TColor focusedColor_ = TColor(0x008000);
  TColor selectedColor_ = TColor(0x00FFFF);
  TColor fixedFontColor_ = clBlack;
};

class TkzuCustomDrawGrid : public TkzuGrid<TDrawGrid> {
 public:
  explicit TkzuCustomDrawGrid(TComponent* AOwner) : TkzuGrid<TDrawGrid>(AOwner) {}
  std::string ClassName() const override { return "TkzuCustomDrawGrid"; }
};

class TkzuDrawGrid : public TkzuCustomDrawGrid {
 public:
  explicit TkzuDrawGrid(TComponent* AOwner) : TkzuCustomDrawGrid(AOwner) {}
  std::string ClassName() const override { return "TkzuDrawGrid"; }
};

class TkzuStringGrid : public TkzuGrid<TStringGrid> {
 public:
  explicit TkzuStringGrid(TComponent* AOwner) : TkzuGrid<TStringGrid>(AOwner) {}
  std::string ClassName() const override { return "TkzuStringGrid"; }
};
