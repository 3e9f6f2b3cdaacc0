// Drawing of the MDI tabs bar: the default and skinned backgrounds, the
// four looks of a tab, the close buttons, the dragged tab and the drop
// marker.
#include <algorithm>

#include "platform/user/User.h"
#include "skin/controls/Brenvale_MDITabsBar.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/SkinDataControls.h"
#include "skin/engine/SkinStrings.h"

namespace {

constexpr TColor kTabsHotFill = 0x00D2BDB6;     // RGB (182, 189, 210)
constexpr TColor kTabsActiveFill = 0x00B59385;  // RGB (133, 147, 181)
enum { kTabNormal = 0, kTabHover = 1, kTabActive = 2 };
enum { kCloseNormal = 0, kCloseHot = 1, kCloseDown = 2 };

// Composes a button description's source at w x h, moving its right and
// bottom points and client rectangle by the growth.
void TabsComposeButton(TBitmap* B, TBitmap* picture, const TspDataSkinButtonControl* D, const TRect& source, int w,
                       int h, TRect& client) {
  const int dx = w - D->skinrect.Width(), dy = h - D->skinrect.Height();
  const TPoint nrt{D->righttoppoint.X + dx, D->righttoppoint.Y};
  const TPoint nlb{D->leftbottompoint.X, D->leftbottompoint.Y + dy};
  const TPoint nrb{D->rightbottompoint.X + dx, D->rightbottompoint.Y + dy};
  client = TRect{D->clientrect.Left, D->clientrect.Top, D->clientrect.Right + dx, D->clientrect.Bottom + dy};
  CreateSkinImage(D->lefttoppoint, D->righttoppoint, D->leftbottompoint, D->rightbottompoint, D->clientrect,
                  D->lefttoppoint, nrt, nlb, nrb, client, B, picture, source, w, h, true, D->leftstretch,
                  D->topstretch, D->rightstretch, D->bottomstretch, D->stretcheffect, D->stretchtype);
}

}  // namespace

void TspSkinMDITabsBar::ButtonState(const TspDataSkinButtonControl* D, int State, TRect& Source,
                                    TColor& Color) const {
  const TRect active = IsNullRect(D->activeskinrect) ? D->skinrect : D->activeskinrect;
  const TRect down = IsNullRect(D->downskinrect) ? active : D->downskinrect;
  if (State == 2) {
    Source = down;
    Color = TColor(D->downfontcolor);
  } else if (State == 1) {
    Source = active;
    Color = TColor(D->activefontcolor);
  } else {
    Source = D->skinrect;
    Color = TColor(D->fontcolor);
  }
}

void TspSkinMDITabsBar::SetSkinFont(TCanvas* C) const {
  if (UseSkinFont) {
    C->Font()->SetName(FontName.empty() ? "Arial" : FontName);
    C->Font()->SetStyle(FontStyle);
    C->Font()->SetHeight(FontHeight);
  } else {
    C->Font()->Assign(defaultFont_.get());
  }
}

void TspSkinMDITabsBar::DrawTabText(TspMDITab* Tab, TCanvas* C, TRect R) {
  std::string text = Tab->Child->Caption();
  TruncateTextToWidth(C, text, R.Width());
  C->Brush()->SetStyle(bsClear);
  DrawWideText(C, text, R, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void TspSkinMDITabsBar::DrawCloseButton(TspMDITab* Tab, TCanvas* C, const TRect& A) {
  const int state = Tab->CloseDown && Tab->CloseMouseIn ? kCloseDown : Tab->CloseMouseIn ? kCloseHot : kCloseNormal;
  TspDataSkinTabControl* d = Description();
  if (!d) {
    const int m = A.Top + A.Height() / 2;
    const TRect box{A.Left, m - 7, A.Left + 14, m + 7};
    Tab->CloseButtonRect = box;
    DrawCloseImage(C, box.Left + 2, box.Top + 2, Tab->CloseMouseIn ? TColor(0x00FFFFFF) : TColor(0));
    return;
  }
  if (IsNullRect(SkinCloseButtonRect)) {
    auto* bd = SkinData()->FindControl<TspDataSkinButtonControl>("resizetoolbutton");
    TBitmap* pic = bd ? SkinData()->GetActivePicture(bd->pictureindex) : nullptr;
    if (!bd || !pic) return;
    TRect source;
    TColor color;
    ButtonState(bd, state, source, color);
    TBitmap img;
    TRect client;
    TabsComposeButton(&img, pic, bd, source, CloseSize, CloseSize, client);
    DrawCloseImage(img.Canvas(), CloseSize / 2 - 5, CloseSize / 2 - 5, color);
    const TPoint at{A.Left, A.Top + A.Height() / 2 - CloseSize / 2};
    C->Draw(at.X, at.Y, &img);
    Tab->CloseButtonRect = TRect{at.X, at.Y, at.X + CloseSize, at.Y + CloseSize};
    return;
  }
  const TRect source =
      state == kCloseDown ? SkinCloseButtonDownRect : state == kCloseHot ? SkinCloseButtonActiveRect : SkinCloseButtonRect;
  const TPoint at{A.Left, A.Top + A.Height() / 2 - source.Height() / 2};
  Tab->CloseButtonRect = TRect{at.X, at.Y, at.X + source.Width(), at.Y + source.Height()};
  if (!SkinPicture) return;
  TBitmap piece;
  piece.SetPixelFormat(pf24bit);
  piece.SetSize(source.Width(), source.Height());
  piece.Canvas()->CopyRect(TRect{0, 0, source.Width(), source.Height()}, SkinPicture->Canvas(), source);
  if (ButtonTransparent) {
    piece.SetTransparentColor(ButtonTransparentColor);
    piece.SetTransparent(true);
  }
  C->Draw(at.X, at.Y, &piece);
}

void TspSkinMDITabsBar::DrawTab(TspMDITab* Tab, TCanvas* C) {
  const int w = Tab->TabRect.Width(), h = Tab->TabRect.Height();
  if (w <= 0) return;
  const int state = Tab->Active ? kTabActive : Tab->PointerInside ? kTabHover : kTabNormal;
  TspDataSkinTabControl* d = Description();
  TBitmap B;
  B.SetPixelFormat(pf24bit);
  TCanvas* c = B.Canvas();
  TRect R, A;
  auto charset = [&] {
    if (SkinData() && SkinData()->ResourceStrData())
      c->Font()->SetCharset(SkinData()->ResourceStrData()->CharSet);
    else
      c->Font()->SetCharset(defaultFont_->Charset());
  };
  auto defaultAreas = [&](int bw, int bh) {
    if (ShowCloseButtons) {
      R = TRect{2, 0, bw - CloseSize - 5, bh};
      A = TRect{R.Right, 0, bw, bh};
    } else {
      R = TRect{2, 0, bw - 2, bh};
    }
  };
  if (tabKind_ == sptkButton && d) {
    auto* bd = SkinData()->FindControl<TspDataSkinButtonControl>("resizebutton");
    TBitmap* pic = bd ? SkinData()->GetActivePicture(bd->pictureindex) : nullptr;
    if (!bd || !pic) return;
    TRect source;
    TColor color;
    ButtonState(bd, state == kTabActive ? 2 : state == kTabHover ? 1 : 0, source, color);
    TRect client;
    TabsComposeButton(&B, pic, bd, source, w, h, client);
    R = client;
    if (ShowCloseButtons) {
      R.Right -= CloseSize + 3;
      A = TRect{R.Right, 0, R.Right + CloseSize + 3, h};
    }
    SetSkinFont(c);
    charset();
    const int th = GetWideTextHeight(c, Tab->Child->Caption());
    if (R.Height() < th) R = TRect{R.Left, h / 2 - th / 2, R.Right, h / 2 - th / 2 + th};
    if (OnTabGetDrawParamsEvent) OnTabGetDrawParamsEvent(Tab, c);
    c->Font()->SetColor(color);
    DrawTabText(Tab, c, R);
  } else if (!d) {
    B.SetSize(w, h);
    c->Brush()->SetColor(state == kTabHover ? kTabsHotFill : state == kTabActive ? kTabsActiveFill : clBtnFace);
    c->FillRect(TRect{0, 0, w, h});
    c->Font()->Assign(defaultFont_.get());
    charset();
    defaultAreas(w, h);
    if (OnTabGetDrawParamsEvent) OnTabGetDrawParamsEvent(Tab, c);
    DrawTabText(Tab, c, R);
  } else {
    const TRect source = state == kTabHover ? SkinMouseInTabRect : state == kTabActive ? SkinActiveTabRect : SkinTabRect;
    const TColor color = state == kTabHover ? MouseInFontColor : state == kTabActive ? ActiveFontColor : FontColor;
    SetSkinFont(c);
    charset();
    c->Font()->SetColor(color);
    if (UseSkinSize) {
      if (SkinPicture && !IsNullRect(source)) {
        TBitmap strip;
        CreateHSkinImage(TabLeftOffset, TabRightOffset, &strip, SkinPicture, source, w, TabStretchEffect);
        B.SetSize(w, strip.Height());
        c->Draw(0, 0, &strip);
      } else {
        B.SetSize(w, h);
        c->Brush()->SetColor(clBtnFace);
        c->FillRect(TRect{0, 0, w, h});
      }
      const int bh = B.Height();
      if (ShowCloseButtons) {
        R = TRect{2, 0, w - CloseSize - 5, bh};
        A = TRect{R.Right, 0, w, bh};
      } else {
        R = TRect{TabLeftOffset, 0, w - TabRightOffset, bh};
      }
      c->Font()->SetColor(color);
      DrawTabText(Tab, c, R);
    } else {
      const TRect src = state == kTabHover && IsNullRect(SkinMouseInTabRect) ? SkinTabRect : source;
      const int bh = h + (state == kTabActive ? ActiveExtraHeight : 0);
      B.SetSize(w, std::max(bh, 0));
      if (SkinPicture && !IsNullRect(src)) {
        const int q = SkinTabRect.Height() / 4;
        CreateStretchSkinImage(&B, SkinPicture, src,
                               TRect{TabLeftOffset, q, src.Width() - TabRightOffset, src.Height() - q}, true);
      } else {
        c->Brush()->SetColor(clBtnFace);
        c->FillRect(TRect{0, 0, w, bh});
      }
      defaultAreas(w, h);
      if (OnTabGetDrawParamsEvent) OnTabGetDrawParamsEvent(Tab, c);
      c->Font()->SetColor(color);
      DrawTabText(Tab, c, R);
    }
  }
  if (ShowCloseButtons) DrawCloseButton(Tab, c, A);
  C->Draw(Tab->TabRect.Left, Tab->TabRect.Top, &B);
}

void TspSkinMDITabsBar::DrawTabs(TCanvas* C, int H) {
  const bool dragging = TabDragging && DraggedTabIndex >= 0 && DraggedTabIndex < int(Tabs.size());
  for (int i = 0; i < int(Tabs.size()); ++i)
    if (Tabs[std::size_t(i)]->Visible && !(dragging && i == DraggedTabIndex)) DrawTab(Tabs[std::size_t(i)].get(), C);
  if (!dragging) return;
  DrawTab(Tabs[std::size_t(DraggedTabIndex)].get(), C);
  const int target = GetDropIndex();
  if (target == -1) return;
  const TRect t = Tabs[std::size_t(target)]->TabRect;
  const int x = DragOffset < 1 ? t.Left : t.Right;
  C->Pen()->SetMode(pmNot);
  C->Brush()->SetStyle(bsClear);
  for (int dx = -1; dx <= 1; ++dx) {
    C->MoveTo(x + dx, 0);
    C->LineTo(x + dx, H);
  }
  const int m = H / 2;
  const TPoint right[4] = {{x + 2, m}, {x + 5, m - 3}, {x + 5, m + 3}, {x + 2, m}};
  const TPoint left[4] = {{x - 2, m}, {x - 5, m - 3}, {x - 5, m + 3}, {x - 2, m}};
  C->Polyline(right, 4);
  C->Polyline(left, 4);
  C->Pen()->SetMode(pmCopy);
}

void TspSkinMDITabsBar::CreateControlDefaultImage(TBitmap* B) {
  TCanvas* c = B->Canvas();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(TRect{0, 0, B->Width(), B->Height()});
  if (Tabs.empty()) return;
  CalcTabRects();
  DrawTabs(c, B->Height());
}

void TspSkinMDITabsBar::CreateControlSkinImage(TBitmap* B) {
  if (!Description()) {
    CreateControlDefaultImage(B);
    return;
  }
  TCanvas* c = B->Canvas();
  const int W = B->Width(), H = B->Height();
  if (SkinData()->mditabstransparent) {
    PaintParentImage(this, c);
  } else {
    const int cw = SkinTabsBGRect.Width();
    const int hb = tabKind_ == sptkTab ? H - BottomHeight : H;
    if (cw <= 0 || IsNullRect(SkinTabsBGRect) || !SkinPicture || IsNullRect(SkinTabRect)) {
      // Nothing to tile: the button face, never a division by its width.
      c->Brush()->SetColor(clBtnFace);
      c->FillRect(TRect{0, 0, W, H});
    } else {
      TBitmap cell;
      cell.SetPixelFormat(pf24bit);
      cell.SetSize(SkinTabRect.Width(), SkinTabRect.Height());
      cell.Canvas()->CopyRect(TRect{0, 0, cell.Width(), cell.Height()}, SkinPicture->Canvas(), SkinTabsBGRect);
      for (int i = 0; i <= W / cw; ++i) c->StretchDraw(TRect{i * cw, 0, i * cw + cw, hb}, &cell);
    }
  }
  if (tabKind_ == sptkTab && !IsNullRect(SkinRect) && SkinPicture && BottomHeight > 0) {
    const TRect S{SkinRect.Left + LTPoint.X, SkinRect.Top, SkinRect.Left + RTPoint.X, SkinRect.Top + BottomHeight};
    TBitmap band;
    CreateHSkinImage(LTPoint.X, SkinRect.Width() - RTPoint.X, &band, SkinPicture, S, W, false);
    c->Draw(0, H - BottomHeight, &band);
  }
  if (Tabs.empty()) return;
  CalcTabRects();
  DrawTabs(c, H);
}
