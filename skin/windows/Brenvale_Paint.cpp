// What the controller paints: the skinned frame (four border images composed
// for the window size and drawn around the client area, which is never
// overpainted), the default look, the client background, the frame inside
// the client area of a form without non-client support, the logo, the form
// icon and the caption activation.
#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icons.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/speffbmp.h"
#include "skin/windows/Brenvale.h"
#include "skin/windows/Brenvale_Internal.h"

namespace {

// A DC taken for painting: the caller's, or the window's own, released at
// the end.
class TFrameDC {
 public:
  TFrameDC(HWND h, HDC dc, bool useDC) : h_(h), dc_(useDC ? dc : GetWindowDC(h)), own_(!useDC) {
    if (dc_) saved_ = SaveDC(dc_);
  }
  ~TFrameDC() {
    if (!dc_) return;
    RestoreDC(dc_, saved_);
    if (own_) ReleaseDC(h_, dc_);
  }
  HDC dc() const { return dc_; }

 private:
  HWND h_;
  HDC dc_;
  bool own_;
  int saved_ = 0;
};

void FillColor(HDC dc, const TRect& r, TColor color) {
  HBRUSH b = CreateSolidBrush(ColorToRGB(color));
  const RECT rr{r.Left, r.Top, r.Right, r.Bottom};
  FillRect(dc, &rr, b);
  DeleteObject(reinterpret_cast<HGDIOBJ>(b));
}

void DrawBitmapAt(HDC dc, int x, int y, TBitmap& b) {
  if (b.Empty()) return;
  BitBlt(dc, x, y, b.Width(), b.Height(), b.Canvas()->Handle(), 0, 0, SRCCOPY);
}

// Lays the tile T over (0, 0, fw, fh) of the canvas as the skin's stretch
// rules say; client w by h. A tile without pixels paints nothing.
void LayTile(TCanvas& c, TBitmap* T, const TRect& srcRect, bool stretchEffect, TspStretchType type, int cw, int ch,
             int fw, int fh) {
  const int w = RectWidth(srcRect), h = RectHeight(srcRect);
  if (!T || w <= 0 || h <= 0 || cw <= 0 || ch <= 0) return;
  TCanvas* src = T->Canvas();
  if (stretchEffect) {
    switch (type) {
      case stFull:
        c.CopyRect(TRect{0, 0, fw, fh}, src, srcRect);
        return;
      case stHorz:
        for (int i = 0, x = 0; i <= fw / w; ++i, x += w) c.CopyRect(TRect{x, 0, x + w, fh}, src, srcRect);
        return;
      case stVert:
        for (int i = 0, y = 0; i <= fh / h; ++i, y += h) c.CopyRect(TRect{0, y, fw, y + h}, src, srcRect);
        return;
    }
  }
  HDC d = c.Handle(), s = src->Handle();
  for (int y = 0; y < ch; y += h)
    for (int x = 0; x < cw; x += w) BitBlt(d, x, y, w, h, s, srcRect.Left, srcRect.Top, SRCCOPY);
}

}  // namespace

bool TspBrenvale::IsFormActive() const {
  if (IsMDIChild() || IsMDIForm()) return NCActive;
  return Form->Active() && Screen && Screen->ActiveCustomForm() == Form;
}

// ---- Skinned frame ----------------------------------------------------------------------

void TspBrenvale::PaintNCSkin(HDC DC, bool UseDC) {
  if (!SkinFrameUsable() || !Form->HandleAllocated()) return;
  if (FrameWidth == 0) FrameWidth = Form->Width();
  if (FrameHeight == 0) FrameHeight = Form->Height();
  if (FrameWidth < MinFrameWidth() || FrameHeight < MinFrameHeight()) return;
  UpdateFrameGeometry();
  LayoutObjects();
  TspSkinData& s = *skinData_;
  const bool active = IsFormActive();
  TBitmap* source = (active || s.InactivePicture.Empty()) ? &s.Picture : &s.InactivePicture;
  // The border images are kept between paints: recomposing into bitmaps of
  // the same size costs no allocation. A new window size starts them anew.
  if (borderW_ != FrameWidth || borderH_ != FrameHeight) {
    for (TBitmap* b : {borderTop_.get(), borderLeft_.get(), borderRight_.get(), borderBottom_.get()}) b->SetSize(0, 0);
    borderW_ = FrameWidth;
    borderH_ = FrameHeight;
  }
  TBitmap &top = *borderTop_, &left = *borderLeft_, &right = *borderRight_, &bottom = *borderBottom_;
  const TRect S{0, 0, source->Width(), source->Height()};
  CreateSkinBorderImages(s.lefttoppoint, s.righttoppoint, s.leftbottompoint, s.rightbottompoint, s.clientrect,
                         FittedLeftTop, FittedRightTop, FittedLeftBottom, FittedRightBottom, FittedClientRect,
                         &left, &top, &right, &bottom, source, S, FrameWidth, FrameHeight, s.leftstretch,
                         s.topstretch, s.rightstretch, s.bottomstretch);
  {
    TspBrenvaleRoutingGuard guard(this);
    for (std::size_t i = 0; i < ObjectList.size(); ++i) {
      TspActiveSkinObject* o = ObjectList[i].get();
      if (o->Kind() == TspObjectKind::MainMenuItem) {
        TBitmap& into = FittedClientRect.Top < FittedMainMenuRect.Top ? bottom : top;
        if (!into.Empty()) o->Draw(into.Canvas(), false);
        continue;
      }
      if (!InRollUpState(o) || !o->Visible) continue;
      if (o->ObjectRect.Bottom <= FittedClientRect.Top) {
        if (!top.Empty()) o->Draw(top.Canvas(), false);
      } else if (!bottom.Empty()) {
        const TRect saved = o->ObjectRect;
        o->ObjectRect = brenvale::Offset(saved, 0, -FittedClientRect.Bottom);
        o->Draw(bottom.Canvas(), false);
        o->ObjectRect = saved;
      }
    }
  }
  TFrameDC fdc(Form->Handle(), DC, UseDC);
  HDC dc = fdc.dc();
  if (!dc) return;
  if (RectHeight(FittedClientRect) > 0)
    ExcludeClipRect(dc, FittedClientRect.Left, FittedClientRect.Top, FittedClientRect.Right,
                    FittedClientRect.Bottom);
  const int topH = top.Height();
  struct Piece {
    TBitmap* b;
    int x, y;
  } pieces[4] = {{&top, 0, 0},
                 {&left, 0, topH},
                 {&right, FrameWidth - right.Width(), topH},
                 {&bottom, 0, FrameHeight - bottom.Height()}};
  if (active || !s.autorenderinginactiveimage) {
    for (const Piece& p : pieces) DrawBitmapAt(dc, p.x, p.y, *p.b);
    return;
  }
  for (const Piece& p : pieces) {
    if (p.b->Empty()) continue;
    TspEffectBmp e(p.b->Handle());
    e.ApplyInactiveEffect(s.inactiveeffect);
    e.Draw(dc, p.x, p.y);
  }
}

// ---- Default look ----------------------------------------------------------------------------

void TspBrenvale::LayoutDefaultButtons() {
  if (ObjectList.empty()) return;
  const int ch = CaptionHeight(), bs = ButtonSize();
  DefCaptionRect = TRect{kDefBorder, kDefBorder, FrameWidth - kDefBorder, ch};
  static const int kOrder[] = {cmClose, cmMaximize, cmMinimize, cmRollUp, cmMinimizeToTray};
  int x = FrameWidth - kDefBorder;
  for (int cmd : kOrder)
    if (TspActiveSkinObject* o = FlowButton(cmd)) {
      o->ObjectRect = TRect{x - bs, 4, x, 4 + bs};
      x -= bs;
      DefCaptionRect.Right = x;
    }
  if (TspActiveSkinObject* sys = FlowButton(cmSysMenu)) {
    TSize sz{bs, bs};
    if (showIcon_) {
      sz.cx = GetSystemMetrics(SM_CXSMICON);
      sz.cy = GetSystemMetrics(SM_CYSMICON);
      if (sz.cx == 0) sz.cx = GetSystemMetrics(SM_CXSIZE);
      if (sz.cy == 0) sz.cy = GetSystemMetrics(SM_CYSIZE);
    }
    sys->ObjectRect = TRect{kDefBorder, 4, kDefBorder + sz.cx, 4 + sz.cy};
    DefCaptionRect.Left = sys->ObjectRect.Right;
  }
}

std::string TspBrenvale::DefaultCaptionText() const {
  std::string text = Form->Caption();
  if (IsMDIForm() && ChildMaximized) {
    TCustomForm* child = nullptr;
    TCustomForm* active = Form->ActiveMDIChild();
    TspBrenvale* ac = active ? FindController(active) : nullptr;
    if (ac && ac->WindowState == spwsMaximized) child = active;
    for (int i = 0; !child && i < Form->MDIChildCount(); ++i) {
      TCustomForm* c = Form->MDIChildren(i);
      TspBrenvale* cc = FindController(c);
      if (cc && cc->WindowState == spwsMaximized) child = c;
    }
    if (child) text += " - [" + child->Caption() + "]";
  }
  return text;
}

void TspBrenvale::PaintNCDefault(HDC DC, bool UseDC) {
  if (skinData_ && skinData_->SkinLoading) return;
  if (!Form->HandleAllocated()) return;
  if (FrameWidth == 0) FrameWidth = Form->Width();
  if (FrameHeight == 0) FrameHeight = Form->Height();
  if (ObjectList.empty() && !SkinApplied) CreateDefaultObjects();
  LayoutDefaultButtons();
  const int ch = CaptionHeight();
  const int bw = FrameWidth - 2 * kDefBorder;
  TFrameDC fdc(Form->Handle(), DC, UseDC);
  HDC dc = fdc.dc();
  if (!dc) return;
  if (bw > 0 && ch > 0) {
    TBitmap cap(bw, ch, pfDevice);
    TCanvas* c = cap.Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, bw, ch});
    const int L = DefCaptionRect.Left - kDefBorder, R = DefCaptionRect.Right;
    if (ch - 4 > 1) {
      for (int i = 0, y = 2; i < ch - 5; ++i, ++y) {
        c->Pen()->SetColor(i % 2 == 0 ? clBtnHighlight : clBtnShadow);
        c->MoveTo(L + 2, y);
        c->LineTo(R - 6, y);
      }
    }
    const bool active = IsFormActive();
    c->Font()->Assign(active ? defCaptionFont_.get() : defInActiveCaptionFont_.get());
    if (skinData_ && skinData_->ResourceStrData()) c->Font()->SetCharset(skinData_->ResourceStrData()->CharSet);
    std::string text = DefaultCaptionText();
    if (OnCaptionPaint) {
      TRect r{L, 0, R - 3, ch};
      OnCaptionPaint(c, r, active);
    } else if (!text.empty()) {
      const int W = R - L;
      TruncateTextToWidth(c, text, W);
      const int tw = GetWideTextWidth(c, text), th = GetWideTextHeight(c, text);
      TRect tr{L + W / 2 - (tw + 5) / 2, ch / 2 - th / 2, 0, 0};
      tr.Right = tr.Left;
      tr.Bottom = tr.Top;
      DrawWideText(c, text, tr, DT_CALCRECT | DT_SINGLELINE);
      tr = TRect{tr.Left - 2, tr.Top - 2, tr.Right + 2, tr.Bottom + 2};
      c->Brush()->SetColor(clBtnFace);
      c->FillRect(tr);
      c->Brush()->SetStyle(bsClear);
      DrawWideText(c, text, tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      c->Brush()->SetStyle(bsSolid);
    }
    TspBrenvaleRoutingGuard guard(this);
    for (std::size_t i = 0; i < ObjectList.size(); ++i) {
      TspActiveSkinObject* o = ObjectList[i].get();
      if (!o->Visible) continue;
      const TRect saved = o->ObjectRect;
      o->ObjectRect = brenvale::Offset(saved, -kDefBorder, -kDefBorder);
      o->Draw(c, true);
      o->ObjectRect = saved;
    }
    ExcludeClipRect(dc, kDefBorder, ch + kDefBorder, FrameWidth - kDefBorder, FrameHeight - kDefBorder);
    DrawBitmapAt(dc, kDefBorder, kDefBorder, cap);
  } else {
    ExcludeClipRect(dc, kDefBorder, ch + kDefBorder, FrameWidth - kDefBorder, FrameHeight - kDefBorder);
  }
  // Three rings inward from the window's edge.
  const TColor tl[3] = {cl3DLight, clBtnHighlight, clBtnFace};
  const TColor br[3] = {cl3DDkShadow, clBtnShadow, clBtnFace};
  for (int i = 0; i < 3; ++i) {
    const int l = i, t = i, r = FrameWidth - i, b = FrameHeight - i;
    if (r - l <= 0 || b - t <= 0) break;
    FillColor(dc, TRect{l, t, r - 1, t + 1}, tl[i]);
    FillColor(dc, TRect{l, t, l + 1, b - 1}, tl[i]);
    FillColor(dc, TRect{l, b - 1, r, b}, br[i]);
    FillColor(dc, TRect{r - 1, t, r, b}, br[i]);
  }
}

// ---- Client background -------------------------------------------------------------------

void TspBrenvale::PaintClientBackground(HDC DC) {
  if (!DC) return;
  TCanvas c;
  c.SetHandle(DC);
  const int cw = Form->ClientWidth(), chh = Form->ClientHeight();
  if (supportNCArea_) {
    if (!UseSkinFrame()) {
      c.Brush()->SetColor(clBtnFace);
      c.FillRect(TRect{0, 0, cw, chh});
      DrawLogo(&c);
      c.SetHandle(nullptr);
      return;
    }
    if (FrameWidth == 0) FrameWidth = Form->Width();
    if (FrameHeight == 0) FrameHeight = Form->Height();
    TspSkinData& s = *skinData_;
    TBitmap* tile = nullptr;
    TRect src{};
    if (s.bgpictureindex == -1) {
      tile = &s.Picture;
      src = s.clientrect;
    } else if (TBitmap* b = s.GetActivePicture(s.bgpictureindex)) {
      tile = b;
      src = TRect{0, 0, b->Width(), b->Height()};
    }
    // A missing or empty background picture gives the plain face colour.
    if (!tile || IsNullRect(src)) {
      c.Brush()->SetColor(clBtnFace);
      c.FillRect(TRect{0, 0, cw, chh});
    } else {
      LayTile(c, tile, src, s.stretcheffect, s.stretchtype, cw, chh, FrameWidth, FrameHeight);
    }
    DrawLogo(&c);
    c.SetHandle(nullptr);
    return;
  }
  c.SetHandle(nullptr);
  PaintFrameInClient(DC);
}

void TspBrenvale::PaintMDIClientBackground(HDC DC) {
  if (!DC || !Form->ClientHandle()) return;
  RECT cr{};
  GetClientRect(Form->ClientHandle(), &cr);
  TCanvas c;
  c.SetHandle(DC);
  const int cw = cr.Right - cr.Left, chh = cr.Bottom - cr.Top;
  TBitmap* tile = nullptr;
  TRect src{};
  bool stretch = false;
  TspStretchType type = stFull;
  if (SkinApplied && skinData_) {
    TspSkinData& s = *skinData_;
    if (s.mdibgpictureindex != -1) {
      if (TBitmap* b = s.GetActivePicture(s.mdibgpictureindex)) tile = b, src = TRect{0, 0, b->Width(), b->Height()};
      stretch = s.mdibgstretcheffect;
      type = s.mdibgstretchtype;
    } else if (s.bgpictureindex == -1) {
      tile = &s.Picture;
      src = s.clientrect;
      stretch = s.stretcheffect;
      type = s.stretchtype;
    } else {
      if (TBitmap* b = s.GetActivePicture(s.bgpictureindex)) tile = b, src = TRect{0, 0, b->Width(), b->Height()};
      stretch = s.stretcheffect;
      type = s.stretchtype;
    }
  }
  if (!tile || IsNullRect(src)) {
    c.Brush()->SetColor(SkinApplied ? clBtnFace : clAppWorkSpace);
    c.FillRect(TRect{0, 0, cw, chh});
  } else {
    LayTile(c, tile, src, stretch, type, cw, chh, cw, chh);
  }
  DrawLogo(&c);
  c.SetHandle(nullptr);
}

void TspBrenvale::PaintFrameInClient(HDC DC) {
  if (FrameWidth == 0) FrameWidth = Form->Width();
  if (FrameHeight == 0) FrameHeight = Form->Height();
  TCanvas c;
  c.SetHandle(DC);
  if (!SkinApplied || !skinData_ || skinData_->Empty) {
    c.Brush()->SetColor(clBtnFace);
    c.Pen()->SetColor(clBlack);
    c.Rectangle(TRect{0, 0, Form->ClientWidth(), Form->ClientHeight()});
    c.SetHandle(nullptr);
    return;
  }
  TspSkinData& s = *skinData_;
  const int W = Form->ClientWidth(), H = Form->ClientHeight();
  if (W <= 0 || H <= 0) {
    c.SetHandle(nullptr);
    return;
  }
  TBitmap buffer(W, H, pfDevice);
  if (!RollUpState || s.RollUpPicture.Empty()) {
    const TRect S{0, 0, s.Picture.Width(), s.Picture.Height()};
    if (s.lefttoppoint.X || s.lefttoppoint.Y || s.rightbottompoint.X || s.rightbottompoint.Y) {
      FrameWidth = W;
      FrameHeight = H;
      UpdateFrameGeometry();
      CreateSkinImage(s.lefttoppoint, s.righttoppoint, s.leftbottompoint, s.rightbottompoint, s.clientrect,
                      FittedLeftTop, FittedRightTop, FittedLeftBottom, FittedRightBottom, FittedClientRect, &buffer,
                      &s.Picture, S, W, H, true, s.leftstretch, s.topstretch, s.rightstretch, s.bottomstretch,
                      s.stretcheffect, s.stretchtype);
    } else if (!s.Picture.Empty()) {
      buffer.Canvas()->Draw(0, 0, &s.Picture);
    }
  } else {
    const TRect S{0, 0, s.RollUpPicture.Width(), s.RollUpPicture.Height()};
    if (s.rollupleftpoint.X < s.rolluprightpoint.X)
      CreateHSkinImage(s.rollupleftpoint.X, S.Width() - s.rolluprightpoint.X, &buffer, &s.RollUpPicture, S, W,
                       true);
    else
      buffer.Canvas()->Draw(0, 0, &s.RollUpPicture);
  }
  {
    TspBrenvaleRoutingGuard guard(this);
    for (std::size_t i = 0; i < ObjectList.size(); ++i) {
      TspActiveSkinObject* o = ObjectList[i].get();
      if (o->Visible && InRollUpState(o)) o->Draw(buffer.Canvas(), false);
    }
  }
  if (WindowState == spwsNormal) DrawSizeGrip(buffer.Canvas());
  BitBlt(DC, 0, 0, W, H, buffer.Canvas()->Handle(), 0, 0, SRCCOPY);
  c.SetHandle(nullptr);
}

void TspBrenvale::DrawSizeGrip(TCanvas* Canvas) {
  if (!skinData_ || IsNullRect(SizeGripRect) || skinData_->statusbarname.empty()) return;
  const int i = skinData_->GetControlIndex(skinData_->statusbarname);
  if (i < 0) return;
  auto* d = dynamic_cast<TspDataSkinPanelControl*>(skinData_->SkinControls[std::size_t(i)].get());
  if (!d || IsNullRect(d->gripperrect)) return;
  TBitmap* pic = skinData_->GetActivePicture(d->pictureindex);
  if (!pic) return;
  const TRect g = d->gripperrect;
  TBitmap grip(g.Width(), g.Height(), pfDevice);
  grip.Canvas()->CopyRect(TRect{0, 0, g.Width(), g.Height()}, pic->Canvas(), g);
  if (d->grippertransparent) {
    grip.SetTransparentColor(d->grippertransparentcolor);
    grip.SetTransparent(true);
  }
  Canvas->Draw(SizeGripRect.Left, SizeGripRect.Top, &grip);
}

void TspBrenvale::DrawLogo(TCanvas* Canvas) {
  if (!Canvas || logoBitMap_->Empty()) return;
  logoBitMap_->SetTransparent(LogoBitMapTransparent);
  const int x = std::max(0, Form->ClientWidth() / 2 - logoBitMap_->Width() / 2);
  const int y = std::max(0, Form->ClientHeight() / 2 - logoBitMap_->Height() / 2);
  Canvas->Draw(x, y, logoBitMap_.get());
}

void TspBrenvale::DrawFormIcon(TCanvas* Canvas, int X, int Y) {
  if (!Canvas) return;
  if (!smallIconMade_) {
    smallIconMade_ = true;
    smallIcon_ = std::make_unique<TIcon>();
    if (Form->Icon() && !Form->Icon()->Empty())
      smallIcon_->Assign(Form->Icon());
    else if (Application && Application->Icon() && !Application->Icon()->Empty())
      smallIcon_->Assign(Application->Icon());
    else if (HICON stock = LoadIcon(nullptr, MAKEINTRESOURCE(IDI_APPLICATION)))
      smallIcon_->SetHandle(CopyIcon(stock));
  }
  if (!smallIcon_ || smallIcon_->Empty()) return;
  int w = GetSystemMetrics(SM_CXSMICON), h = GetSystemMetrics(SM_CYSMICON);
  if (w == 0) w = GetSystemMetrics(SM_CXSIZE);
  if (h == 0) h = GetSystemMetrics(SM_CYSIZE);
  DrawIconEx(Canvas->Handle(), X, Y, smallIcon_->Handle(), w, h, 0, nullptr, DI_NORMAL);
}

void TspBrenvale::UpdateCaptionActivation(bool On) {
  for (std::size_t i = 0; i < ObjectList.size(); ++i) {
    TspActiveSkinObject* o = ObjectList[i].get();
    if (o->Kind() == TspObjectKind::Caption) o->ActivationChanged(On && InRollUpState(o));
  }
  if (IsFormActive()) {
    if (OnActivate) OnActivate(this);
  } else if (OnDeActivate) {
    OnDeActivate(this);
  }
}
