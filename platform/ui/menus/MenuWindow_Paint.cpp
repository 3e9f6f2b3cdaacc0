// Painting the menu windows: rows, marks, arrows and the scroll strips.
#include <algorithm>

#include "platform/gdi/Text.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/ui/menus/MenuWindow_Internal.h"

namespace menuwindow {

namespace {

// A check mark 7 wide and 7 high with (x, y) its top-left.
void DrawCheckMark(HDC dc, int x, int y, TColor c) {
  static const int top[] = {2, 3, 4, 3, 2, 1, 0};
  for (int i = 0; i < 7; ++i) FillSolid(dc, TRect{x + i, y + top[i], x + i + 1, y + top[i] + 3}, c);
}

// A round bullet 6 across.
void DrawBullet(HDC dc, int x, int y, TColor c) {
  static const int half[] = {1, 2, 3, 3, 2, 1};
  for (int i = 0; i < 6; ++i) FillSolid(dc, TRect{x + 3 - half[i], y + i, x + 3 + half[i], y + i + 1}, c);
}

// A right-pointing triangle 4 wide, 7 high.
void DrawSubMenuArrow(HDC dc, int x, int y, TColor c) {
  for (int i = 0; i < 4; ++i) FillSolid(dc, TRect{x + i, y + i, x + i + 1, y + 7 - i}, c);
}

// A scroll arrow strip: a triangle 7 wide and 4 high in its middle, embossed
// when the rows cannot go further that way.
void DrawScrollArrow(HDC dc, const TRect& strip, int dir, bool enabled) {
  int x = strip.Left + (strip.Width() - 7) / 2, y = strip.Top + (strip.Height() - 4) / 2;
  auto triangle = [&](int dx, TColor c) {
    for (int i = 0; i < 4; ++i) {
      int half = dir < 0 ? i : 3 - i;
      FillSolid(dc, TRect{x + dx + 3 - half, y + dx + i, x + dx + 4 + half, y + dx + i + 1}, c);
    }
  };
  if (enabled) {
    triangle(0, clMenuText);
  } else {
    triangle(1, clBtnHighlight);
    triangle(0, clBtnShadow);
  }
}

}  // namespace

// ---- Painting --------------------------------------------------------------------------------

void TTracker::Paint(HWND wnd, HDC dc) {
  for (auto& p : levels_) {
    if (p->wnd != wnd) continue;
    TLevel& lv = *p;
    TRect r{0, 0, lv.size.cx, lv.size.cy};
    Frame3D(dc, r, clBtnFace, cl3DDkShadow, 1);
    Frame3D(dc, r, clBtnHighlight, clBtnShadow, 1);
    FillSolid(dc, r, clMenu);
    if (lv.scrolls) {
      DrawScrollArrow(dc, ArrowStrip(lv, -1), -1, lv.top > 0);
      DrawScrollArrow(dc, ArrowStrip(lv, +1), +1, lv.top < MaxTop(lv));
    }
    TRect view = Viewport(lv);
    int saved = SaveDC(dc);
    // Owner drawing and the last, partly shown row stay off the arrow strips.
    if (lv.scrolls) IntersectClipRect(dc, view.Left, view.Top, view.Right, view.Bottom);
    TCanvas canvas;
    canvas.SetHandle(dc);
    suppress_ = true;
    try {
      for (std::size_t row = std::size_t(lv.top); row < lv.rows.size() && *lv.parentAlive; ++row) {
        if (RowRect(lv, row).Top >= view.Bottom) break;
        DrawRow(canvas, dc, lv, row);
      }
    } catch (...) {
      suppress_ = false;
      canvas.SetHandle(nullptr);
      RestoreDC(dc, saved);
      throw;
    }
    suppress_ = false;
    canvas.SetHandle(nullptr);
    RestoreDC(dc, saved);
    return;
  }
}

void TTracker::DrawRow(TCanvas& canvas, HDC dc, TLevel& lv, std::size_t row) {
  const TRow& rw = lv.rows[row];
  if (rw.index >= lv.parent->Count()) return;
  TMenuItem* item = lv.parent->Items(rw.index);
  TRect rect = RowRect(lv, row);
  bool selected = int(row) == lv.selected;
  bool enabled = item->Enabled();
  TMenu* menu = item->GetParentMenu();
  TFont* font = MenuFont();
  if (menu && menu->OwnerDraw()) {
    TOwnerDrawState state = (selected ? odSelected : 0) | (enabled ? 0 : odDisabled | odGrayed) |
                            (item->Checked() ? odChecked : 0) | (item->Default() ? odDefault : 0);
    canvas.Font()->Assign(font);
    canvas.Font()->SetColor(selected ? clHighlightText : clMenuText);
    canvas.Brush()->SetColor(selected ? clHighlight : clMenu);
    if (item->AdvancedDrawItem(&canvas, rect, state)) return;
  }
  if (rw.line) {
    int y = rect.Top + rect.Height() / 2 - 1;
    FillSolid(dc, TRect{rect.Left + 1, y, rect.Right - 1, y + 1}, clBtnShadow);
    FillSolid(dc, TRect{rect.Left + 1, y + 1, rect.Right - 1, y + 2}, clBtnHighlight);
    return;
  }
  FillSolid(dc, rect, selected ? clHighlight : clMenu);
  TColor text = selected ? (enabled ? clHighlightText : clGrayText) : clMenuText;
  // The glyph column: an image, else the bitmap, else the check mark or bullet.
  TRect glyph{rect.Left, rect.Top, rect.Left + lv.gutter, rect.Bottom};
  TImageList* images = menu ? menu->Images() : nullptr;
  bool pictured = false;
  if (images && item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) {
    int x = glyph.Left + (glyph.Width() - images->Width()) / 2, y = glyph.Top + (glyph.Height() - images->Height()) / 2;
    if (item->Checked()) {
      TRect f{x - 1, y - 1, x + images->Width() + 1, y + images->Height() + 1};
      Frame3D(dc, f, clBtnShadow, clBtnHighlight, 1);
    }
    images->Draw(&canvas, x, y, item->ImageIndex(), enabled);
    pictured = true;
  } else if (item->HasBitmap()) {
    TBitmap* b = item->Bitmap();
    canvas.Draw(glyph.Left + (glyph.Width() - b->Width()) / 2, glyph.Top + (glyph.Height() - b->Height()) / 2, b);
    pictured = true;
  }
  if (!pictured && item->Checked()) {
    TColor mark = enabled ? text : clBtnShadow;
    int cx = glyph.Left + glyph.Width() / 2, cy = glyph.Top + glyph.Height() / 2;
    if (item->RadioItem())
      DrawBullet(dc, cx - 3, cy - 3, mark);
    else
      DrawCheckMark(dc, cx - 3, cy - 3, mark);
  }
  TFont bold;
  TFont* captionFont = font;
  if (item->Default()) {
    bold.Assign(font);
    bold.SetStyle(bold.Style() | fsBold);
    captionFont = &bold;
  }
  bool embossed = !enabled && !selected;
  TRect tr{glyph.Right + kTextGap, rect.Top, rect.Right - kArrowWidth, rect.Bottom};
  DrawClassicText(dc, captionFont, text, item->Caption(), tr, kTextFlags, !embossed);
  std::string sc = ShortCutToText(item->ShortCut());
  if (!sc.empty()) {
    TRect sr = tr;
    DrawClassicText(dc, font, text, sc, sr, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX, !embossed);
  }
  if (item->Count() > 0)
    DrawSubMenuArrow(dc, rect.Right - kArrowWidth / 2 - 2, rect.Top + (rect.Height() - 7) / 2,
                     embossed ? clBtnShadow : text);
}

}  // namespace menuwindow
