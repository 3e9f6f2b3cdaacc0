// The skinned one-caption label and the multi-line text label. Both take
// their font and colour from a "stdlabel" description when bound to a skin,
// else from their own DefaultFont.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "skin/controls/SkinCtrls.h"

namespace {

// A canvas over a memory DC for measuring outside painting.
class TMeasureCanvas {
 public:
  TMeasureCanvas() : dc_(CreateCompatibleDC(nullptr)) { canvas_.SetHandle(dc_); }
  ~TMeasureCanvas() {
    canvas_.SetHandle(nullptr);
    DeleteDC(dc_);
  }
  TCanvas* Canvas() { return &canvas_; }

 private:
  HDC dc_;
  TCanvas canvas_;
};

// The height of one line of "A": DrawText counts the line break that ends
// the text as one more, empty line.
int OneLineHeight(TCanvas* canvas) {
  TRect r{0, 0, 100, 0};
  DrawText(canvas->Handle(), "A", 1, &r, DT_CALCRECT);
  return r.Height();
}

}  // namespace

// ---- Shared look-up and drawing ------------------------------------------------------------

void TspLabelSkin::GetSkinData() {
  ControlIndex = SkinData && !SkinData->Empty ? SkinData->GetControlIndex(SkinDataName) : -1;
  if (ControlIndex == -1) return;
  if (auto* d = dynamic_cast<TspDataSkinStdLabelControl*>(SkinData->SkinControls[std::size_t(ControlIndex)].get())) {
    fontname = d->fontname;
    fontheight = d->fontheight;
    fontstyle = d->fontstyle;
    fontcolor = d->fontcolor;
  }
}

void TspLabelSkin::DrawLabelText(TCanvas* canvas, const std::string& text, TRect& R, UINT flags, bool enabled,
                                 const TFont* defaultFont, const TFont* font) {
  GetSkinData();
  TFont* f = canvas->Font();
  if (ControlIndex == -1) {
    f->Assign(UseSkinFont ? defaultFont : font);
  } else {
    if (UseSkinFont) {
      f->SetName(fontname);
      f->SetStyle(fontstyle);
      f->SetHeight(fontheight);
    } else {
      f->Assign(font);
    }
    f->SetColor(UseSkinColor ? TColor(fontcolor) : font->Color());
  }
  f->SetCharset(SkinData && SkinData->ResourceStrData() ? SkinData->ResourceStrData()->CharSet
                                                        : defaultFont->Charset());
  canvas->Brush()->SetStyle(bsClear);
  HDC dc = canvas->Handle();
  const int n = int(text.size());
  if (enabled || (flags & DT_CALCRECT)) {
    SetTextColor(dc, ColorToRGB(f->Color()));
    DrawText(dc, text.c_str(), n, &R, flags);
    return;
  }
  const bool skinned = ControlIndex != -1 && SkinData;
  TRect shifted{R.Left + 1, R.Top + 1, R.Right + 1, R.Bottom + 1};
  SetTextColor(dc, ColorToRGB(skinned ? SkinData->SkinColors.cbtnhighlight : clBtnHighlight));
  DrawText(dc, text.c_str(), n, &shifted, flags);
  SetTextColor(dc, ColorToRGB(skinned ? SkinData->SkinColors.cbtnshadow : clBtnShadow));
  DrawText(dc, text.c_str(), n, &R, flags);
}

// ---- TspSkinStdLabel ----------------------------------------------------------------------------

TspSkinStdLabel::TspSkinStdLabel(TComponent* AOwner)
    : TCustomLabel(AOwner), defaultFont_(std::make_unique<TFont>()) {
  SetTransparent(true);
}

void TspSkinStdLabel::SetSkinData(TspSkinData* value) {
  if (skin_.SkinData) skin_.SkinData->RemoveFreeNotification(this);
  skin_.SkinData = value;
  if (value) {
    value->FreeNotification(this);
    ChangeSkinData();
  }
}

void TspSkinStdLabel::ChangeSkinData() {
  skin_.GetSkinData();
  if (AutoSize()) AdjustBounds();
  Repaint();
}

void TspSkinStdLabel::SetEllipsType(TspEllipsType value) {
  if (value == ellipsType_) return;
  ellipsType_ = value;
  Invalidate();
}

void TspSkinStdLabel::DoDrawText(TRect& Rect, UINT Flags) {
  std::string text = GetLabelText();
  if ((Flags & DT_CALCRECT) && (text.empty() || (ShowAccelChar() && text == "&"))) text += ' ';
  if (!ShowAccelChar()) Flags |= DT_NOPREFIX;
  if (ellipsType_ == spetEndEllips) Flags |= DT_END_ELLIPSIS;
  if (ellipsType_ == spetPathEllips) Flags |= DT_PATH_ELLIPSIS;
  skin_.DrawLabelText(Canvas(), text, Rect, Flags, Enabled(), defaultFont_.get(), Font());
}

void TspSkinStdLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomLabel::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == skin_.SkinData) skin_.SkinData = nullptr;
}

// ---- TspSkinTextLabel ---------------------------------------------------------------------------

TspSkinTextLabel::TspSkinTextLabel(TComponent* AOwner)
    : TGraphicControl(AOwner), defaultFont_(std::make_unique<TFont>()), lines_(std::make_unique<TStringList>()) {
  ControlStyle &= ~csOpaque;
  SetBounds(Left(), Top(), 65, 65);
  lines_->OnChange = [this](TObject*) { LinesChange(); };
}

TspSkinTextLabel::~TspSkinTextLabel() { lines_->OnChange = nullptr; }

void TspSkinTextLabel::SetSkinData(TspSkinData* value) {
  if (skin_.SkinData) skin_.SkinData->RemoveFreeNotification(this);
  skin_.SkinData = value;
  if (value) {
    value->FreeNotification(this);
    ChangeSkinData();
  }
}

void TspSkinTextLabel::ChangeSkinData() {
  skin_.GetSkinData();
  if (autoSize_) AdjustBounds();
  Repaint();
}

void TspSkinTextLabel::SetLines(const TStrings* value) {
  lines_->Assign(value);
  Repaint();
}

void TspSkinTextLabel::LinesChange() {
  if (autoSize_) AdjustBounds();
  Repaint();
}

void TspSkinTextLabel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

void TspSkinTextLabel::SetAutoSizeLabel(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  AdjustBounds();
}

void TspSkinTextLabel::SetLayout(TTextLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Invalidate();
}

void TspSkinTextLabel::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  AdjustBounds();
  Invalidate();
}

std::string TspSkinTextLabel::GetLabelText() const {
  std::string text;
  for (int i = 0; i < lines_->Count(); ++i) text += lines_->Strings(i) + "\r\n";
  return text;
}

void TspSkinTextLabel::DoDrawText(TCanvas* canvas, TRect& R, UINT flags) {
  skin_.DrawLabelText(canvas, GetLabelText(), R, flags, Enabled(), defaultFont_.get(), Font());
}

void TspSkinTextLabel::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Brush()->SetStyle(bsClear);
  TRect R = ClientRect();
  UINT flags = DT_NOCLIP | AlignmentToDrawTextFlag(alignment_);
  if (wordWrap_) flags |= DT_WORDBREAK;
  if (layout_ != tlTop) {
    TRect calc = R;
    DoDrawText(canvas, calc, flags | DT_CALCRECT);
    int bottom = calc.Bottom;
    bottom -= OneLineHeight(canvas);  // the empty line after the last break
    const int spare = Height() - bottom;
    const int dy = layout_ == tlBottom ? spare : spare / 2;
    R.Top += dy;
    R.Bottom += dy;
  }
  DoDrawText(canvas, R, flags);
}

void TspSkinTextLabel::AdjustBounds() {
  if ((ComponentState() & (csLoading | csReading)) || !autoSize_) return;
  TMeasureCanvas measure;
  TRect R = ClientRect();
  UINT flags = DT_CALCRECT | DT_NOCLIP;
  if (wordWrap_) flags |= DT_WORDBREAK;
  DoDrawText(measure.Canvas(), R, flags);
  // Every line ends with a break, so the text measured one empty line more;
  // an empty text measures one empty line, so an empty label is 0 high.
  R.Bottom -= OneLineHeight(measure.Canvas());
  R.Bottom = std::max(R.Bottom, 0);
  int left = Left();
  if (alignment_ == taRightJustify) left = Left() + Width() - R.Right;
  SetBounds(left, Top(), R.Right, R.Bottom);
}

void TspSkinTextLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TspSkinTextLabel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_FONTCHANGED) {
    TGraphicControl::Dispatch(Message);
    AdjustBounds();
    Invalidate();
    return;
  }
  TGraphicControl::Dispatch(Message);
}

void TspSkinTextLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == skin_.SkinData) skin_.SkinData = nullptr;
}
