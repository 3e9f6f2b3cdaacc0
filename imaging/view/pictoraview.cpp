#include "imaging/view/pictoraview.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/raster/vqzutils_dib.h"
#include "imaging/core/raster/vqzutils_mask.h"
#include "imaging/io/component/pictoraio.h"
#include "platform/graphics/Bitmap.h"
#include "platform/ui/forms/Timer.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"

namespace {

// To nearest, halves to even, saturating.
int PvRound(double v) {
  if (!(v == v)) return 0;
  const double r = std::nearbyint(v);
  if (r >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (r <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}

int PvTrunc(double v) {
  if (!(v == v)) return 0;
  if (v >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
  if (v <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

constexpr UINT kPvTimerInterval = 210;

}  // namespace

TVQScreenInfo& VQViewScreen() {
  static TVQScreenInfo info = [] {
    TVQScreenInfo i;
    if (HDC dc = GetDC(nullptr)) {
      i.BitsPerPixel = GetDeviceCaps(dc, BITSPIXEL);
      ReleaseDC(nullptr, dc);
    }
    i.EdgeX = GetSystemMetrics(SM_CXEDGE);
    i.EdgeY = GetSystemMetrics(SM_CYEDGE);
    i.BorderX = GetSystemMetrics(SM_CXBORDER);
    i.BorderY = GetSystemMetrics(SM_CYBORDER);
    return i;
  }();
  return info;
}

// ---- layers -------------------------------------------------------------------------

TVQLayer::TVQLayer(TVQBitmap* bitmap, bool useIt) {
  if (useIt) {
    Bitmap = bitmap;
    return;
  }
  Bitmap = new TVQBitmap();
  if (!bitmap) return;
  if (bitmap->Location() == vqTBitmap) Bitmap->SetLocation(vqTBitmap);
  else Bitmap->SetLocation(bitmap->Location());
  if (!bitmap->IsEmpty()) Bitmap->Allocate(bitmap->GetWidth(), bitmap->GetHeight(), bitmap->GetPixelFormat());
}

TVQLayer::~TVQLayer() {
  if (OwnsBitmap) delete Bitmap;
}

// ---- construction ----------------------------------------------------------------------

TPictoraView::TPictoraView(TComponent* AOwner) : TVQView(AOwner) {
  ++updateLock_;
  image_ = new TVQBitmap();
  // Layer 0's image keeps its pixels in the framework bitmap it owns.
  legacyBitmap_ = image_->GetTBitmap();
  imageWidth_ = image_->GetWidth();
  imageHeight_ = image_->GetHeight();
  auto layer0 = std::make_unique<TVQLayer>(image_, true);
  layer0->VisibleFrame = false;
  layer0->Locked = true;
  layers_.push_back(std::move(layer0));
  transitions_ = std::make_unique<TVQTransitionEffects>();
  drawDib_ = OpenDrawDib();
  RegisterVQCursors();
  SetViewCursor(kVQCursorCross);
  SetBounds(Left(), Top(), 105, 105);
  SetDpi(300, 300);
  timer_ = std::make_unique<TTimer>(nullptr);
  timer_->SetEnabled(false);
  timer_->SetInterval(kPvTimerInterval);
  timer_->SetOnTimer([this](TObject*) { TimerTick(); });
  backBuffer_ = std::make_unique<TBitmap>();
  backBuffer_->SetPixelFormat(pf24bit);
  mask_ = std::make_unique<TVQMask>();
  mask_->AllocateBits(std::max(imageWidth_, 1), std::max(imageHeight_, 1), 1);
  EndUpdate();
}

TPictoraView::~TPictoraView() {
  transitions_.reset();
  if (io_) {
    TPictoraIO* io = io_;
    io_ = nullptr;
    delete io;
  }
  timer_.reset();
  backBuffer_.reset();
  CloseDrawDib(drawDib_);
  drawDib_ = nullptr;
  mask_.reset();
  layers_.clear();
  image_ = nullptr;
  legacyBitmap_ = nullptr;
  // The destroy broadcast follows in the base, after the image is gone.
}

TPictoraIO* TPictoraView::GetIO() {
  if (!io_) {
    io_ = new TPictoraIO(this);
    io_->SetAttachedPictora(this);
    io_->OnProgress = onProgress_;
  }
  return io_;
}

void TPictoraView::SetOnProgress(TVQProgressEvent value) {
  onProgress_ = std::move(value);
  if (io_) io_->OnProgress = onProgress_;
}

// ---- image ---------------------------------------------------------------------------

TVQBitmap* TPictoraView::GetAlphaChannel() { return image_ ? image_->GetAlphaChannel() : nullptr; }

bool TPictoraView::HasAlphaChannel() { return image_ && image_->HasAlphaChannel(); }

void TPictoraView::RemoveAlphaChannel(bool Merge) {
  if (!image_) return;
  if (Merge && image_->HasAlphaChannel() && image_->GetPixelFormat() == vqRGB24) {
    const TColor bg = ColorToRGB(Background());
    const int b[3] = {(bg >> 16) & 0xFF, (bg >> 8) & 0xFF, bg & 0xFF};  // blue, green, red
    TVQBitmap* alpha = image_->GetAlphaChannel();
    const int w = image_->GetWidth(), h = image_->GetHeight();
    std::vector<Byte> alphaRow(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
      std::copy_n(alpha->GetScanline(y), w, alphaRow.begin());
      Byte* row = image_->GetScanline(y);
      for (int x = 0; x < w; ++x) {
        const int a = alphaRow[std::size_t(x)];
        // Opaque pixels stay as they are; the rest move toward the
        // background by a / 255, rounded.
        if (a == 255) continue;
        for (int c = 0; c < 3; ++c) {
          const int v = row[3 * x + c];
          const int d = (v - b[c]) * a;
          row[3 * x + c] = Byte(b[c] + (d >= 0 ? (d + 127) / 255 : -((-d + 127) / 255)));
        }
      }
    }
  }
  image_->RemoveAlphaChannel();
}

int TPictoraView::UnlockPaint() {
  if (paintLock_ > 0) --paintLock_;
  if (paintLock_ == 0) Update();
  return paintLock_;
}

int TPictoraView::ReleasePaintLock() {
  if (paintLock_ > 0) --paintLock_;
  return paintLock_;
}

void TPictoraView::ImageChange() {
  if (OnImageChange) OnImageChange(this);
}

void TPictoraView::SetBackground(TColor value) {
  TVQView::SetBackground(value);
  Update();
  ImageChange();
}

void TPictoraView::ClearImage() {
  transitions_->Stop();
  image_->Allocate(1, 1, vqRGB24);
  ResetImage();
}

void TPictoraView::ResetImage() {
  image_->Fill(double(Background()));
  image_->RemoveAlphaChannel();
  Update();
}

void TPictoraView::Assign(const TPersistent* Source) {
  if (!Source) {
    ResetImage();
    return;
  }
  if (auto* view = dynamic_cast<const TPictoraView*>(Source)) {
    image_->Assign(view->image_);
    TVQView::SetBackground(view->Background());
    SetDpi(view->DpiX(), view->DpiY());
    Update();
    ImageChange();
    return;
  }
  if (auto* bitmap = dynamic_cast<const TBitmap*>(Source)) {
    image_->CopyFromTBitmap(const_cast<TBitmap*>(bitmap));
    const TVQPixelFormat f = image_->GetPixelFormat();
    if (!image_->IsEmpty() && f != vqBits1 && f != vqRGB24) image_->SetPixelFormat(vqRGB24);
    Update();
    ImageChange();
  }
}

void TPictoraView::EndUpdate() {
  if (updateLock_ > 0) --updateLock_;
  if (updateLock_ == 0) Update();
}

bool TPictoraView::IsEmpty() { return image_->GetWidth() < 2 && image_->GetHeight() < 2; }

bool TPictoraView::CanPaint() { return Parent() != nullptr || ParentWindow() != nullptr; }

int TPictoraView::GetDrawingWidth() { return CanPaint() ? ClientWidth() : 50; }

int TPictoraView::GetDrawingHeight() { return CanPaint() ? ClientHeight() : 50; }

void TPictoraView::SetLegacyBitmap(bool value) {
  if (value == LegacyBitmap()) return;
  if (value) {
    legacyBitmap_ = image_->GetTBitmap();
  } else {
    image_->SetLocation(vqTempFile);
    legacyBitmap_ = nullptr;
  }
  CallChangeCallbacks();
  Update();
}

// ---- layers --------------------------------------------------------------------------

TVQLayer* TPictoraView::GetLayer(int index) const {
  if (index < 0 || index >= LayerCount()) return nullptr;
  return layers_[std::size_t(index)].get();
}

void TPictoraView::SyncLayers() {
  // The application may have changed the framework bitmap directly.
  if (legacyBitmap_) image_->SetLocation(vqTBitmap);
  layers_[std::size_t(currentLayer_)]->Bitmap = image_;
  TVQBitmap* base = layers_[0]->Bitmap;
  imageWidth_ = base->GetWidth();
  imageHeight_ = base->GetHeight();
  if (!SyncLayerSizes || layers_.size() < 2) return;
  for (auto& l : layers_) {
    imageWidth_ = std::max(imageWidth_, l->Bitmap->GetWidth());
    imageHeight_ = std::max(imageHeight_, l->Bitmap->GetHeight());
  }
  for (auto& l : layers_) {
    TVQBitmap* b = l->Bitmap;
    if (b->GetWidth() == imageWidth_ && b->GetHeight() == imageHeight_) continue;
    b->GetAlphaChannel();
    b->ResizeCanvas(imageWidth_, imageHeight_, double(Background()), 0, 0, 0);
  }
}

void TPictoraView::SetCurrentLayer(int index) {
  if (index < 0 || index >= LayerCount() || index == currentLayer_) return;
  layers_[std::size_t(currentLayer_)]->Bitmap = image_;
  currentLayer_ = index;
  image_ = layers_[std::size_t(index)]->Bitmap;
  legacyBitmap_ = image_->Location() == vqTBitmap ? image_->GetTBitmap() : nullptr;
  CallChangeCallbacks();
  LayerNotify(index, vqlSelected);
  Update();
}

void TPictoraView::LayerNotify(int layer, TVQLayerEvent event) {
  if (OnLayerNotify) OnLayerNotify(this, layer, event);
}

// ---- settings ------------------------------------------------------------------------

void TPictoraView::SetZoomFilter(TResampleFilter value) {
  if (value == zoomFilter_) return;
  zoomFilter_ = value;
  filterAtDown_ = value;
  Update();
}

void TPictoraView::SetScrollBars(TScrollStyle value) {
  if (HandleAllocated()) {
    if (value != ssBoth && value != ssHorizontal && hBarShown_) {
      ShowScrollBar(Handle(), SB_HORZ, FALSE);
      hBarShown_ = false;
    }
    if (value != ssBoth && value != ssVertical && vBarShown_) {
      ShowScrollBar(Handle(), SB_VERT, FALSE);
      vBarShown_ = false;
    }
  }
  scrollBars_ = value;
  Update();
}

void TPictoraView::SetCenter(bool value) {
  if (value == center_) return;
  center_ = value;
  Update();
}

void TPictoraView::SetSelectionOptions(TVQSelectionOptions value) {
  selectionOptions_ = value;
  Update();
}

void TPictoraView::SetBackgroundStyle(TVQBackgroundStyle value) {
  backgroundStyle_ = value;
  Invalidate();
  Update();
}

void TPictoraView::SetEnableAlphaChannel(bool value) {
  enableAlpha_ = value;
  Update();
}

void TPictoraView::SetDrawVersion(bool value) {
  drawVersion_ = value;
  Update();
}

void TPictoraView::SetChessboardStyle(int size, TBrushStyle style) {
  chessSize_ = std::max(size, 1);
  chessBrush_ = style;
  recompose_ = wholeWindow_ = true;
  Invalidate();
}

void TPictoraView::Deselect() {
  if (!hasSelection_) return;
  hasSelection_ = false;
  if (mask_) mask_->Clear();
  RestoreCursor();
  Update();
}

void TPictoraView::Invalidate() {
  wholeWindow_ = true;
  TVQView::Invalidate();
}

void TPictoraView::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TVQView::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (ComponentState() & (csReading | csLoading)) {
    image_->Allocate(std::max(AWidth, 1), std::max(AHeight, 1), vqRGB24);
    ResetImage();
  }
}

void TPictoraView::ViewChange(int Change) {
  if (OnViewChange) OnViewChange(this, Change);
}

// ---- the update step -----------------------------------------------------------------

void TPictoraView::Update() { RunUpdate(0); }

void TPictoraView::RunUpdate(int depth) {
  if (updateLock_ > 0) return;
  const TComponentState state = ComponentState();
  // Nothing while loading, reading or being destroyed.
  if ((state & ~csDesigning) != 0) return;
  SyncLayers();
  ApplyAutoZoom();
  if (imageWidth_ != lastImageWidth_ || imageHeight_ != lastImageHeight_) {
    lastImageWidth_ = imageWidth_;
    lastImageHeight_ = imageHeight_;
    if (hasSelection_) Deselect();
    mask_->AllocateBits(std::max(imageWidth_, 1), std::max(imageHeight_, 1), 1);
    if (image_->HasAlphaChannel()) {
      TVQBitmap* alpha = image_->GetAlphaChannel();
      if (alpha->GetWidth() != image_->GetWidth() || alpha->GetHeight() != image_->GetHeight()) {
        image_->RemoveAlphaChannel();
        image_->GetAlphaChannel();
      }
    }
  }
  areaW_ = GetDrawingWidth();
  areaH_ = GetDrawingHeight();
  int mx = 0, my = 0;
  GetMaxScroll(mx, my);
  if (scrollX_ > mx || scrollY_ > my) {
    scrollX_ = std::min(scrollX_, mx);
    scrollY_ = std::min(scrollY_, my);
    ViewChange(0);
  }
  if (CanPaint() && HandleAllocated()) {
    try {
      if (scrollBars_ == ssBoth || scrollBars_ == ssHorizontal) UpdateScrollBarsOf(true, mx);
      if (scrollBars_ == ssBoth || scrollBars_ == ssVertical) UpdateScrollBarsOf(false, my);
    } catch (...) {
      // The bars stay as they were; the view stays usable.
    }
    if ((GetDrawingWidth() != areaW_ || GetDrawingHeight() != areaH_) && depth < 4) {
      RunUpdate(depth + 1);
      return;
    }
  }
  UpdateExtents();
  UpdateVisibleSource();
  BuildCoordinateTables();
  recompose_ = wholeWindow_ = true;
  if (CanPaint() && !SuppressRepaint && AutoRepaint) TVQView::Invalidate();
}

void TPictoraView::ApplyAutoZoom() {
  if (!(AutoFit || AutoStretch || AutoShrink) || imageWidth_ == 0 || imageHeight_ == 0) return;
  int marginW, marginH;
  if (backgroundStyle_ == vqbsCropped) {
    marginW = 2 * VQViewScreen().EdgeX;
    marginH = 2 * VQViewScreen().EdgeY;
  } else if (backgroundStyle_ == vqbsCropShadow) {
    marginW = marginH = 10;
  } else {
    marginW = 2 * ((Width() - GetDrawingWidth()) / 2);
    marginH = 2 * ((Height() - GetDrawingHeight()) / 2);
  }
  double z = 100;
  if (imageWidth_ >= 2 || imageHeight_ >= 2)
    z = AutomaticZoom(imageWidth_, imageHeight_, GetDrawingWidth() - marginW, GetDrawingHeight() - marginH,
                      AutoShrink || AutoFit, AutoStretch || AutoFit);
  if (z < 1) z = 1;
  zoom_ = z;
  scale_ = z / 100;
  inverse_ = 100 / z;
  UpdateVisibleSource();
  BuildCoordinateTables();
  ViewChange(1);
  filterCountdown_ = antsCountdown_ = 0;
}

double TPictoraView::AutomaticZoom(int w, int h, int availW, int availH, bool shrink, bool stretch) {
  if (w <= 0 || h <= 0 || availW <= 0 || availH <= 0) return 100;
  const double fit = std::min(availH / (h / 100.0), availW / (w / 100.0));
  if (!std::isfinite(fit) || fit <= 0) return 100;
  bool tooBig;
  if (double(w) / availW > double(h) / availH)
    tooBig = availW < w;
  else
    tooBig = availH < h;
  if (tooBig && shrink) return fit;
  if (!tooBig && stretch) return fit;
  return 100;
}

double TPictoraView::GetFitZoom() {
  if (imageWidth_ <= 0 || imageHeight_ <= 0) return 100;
  int fw, fh;
  if (backgroundStyle_ == vqbsCropped) {
    fw = VQViewScreen().EdgeX, fh = VQViewScreen().EdgeY;
  } else if (backgroundStyle_ == vqbsCropShadow) {
    fw = fh = 5;
  } else if (BorderStyle() == bsSingle) {
    fw = Ctl3D() ? VQViewScreen().EdgeX : VQViewScreen().BorderX;
    fh = Ctl3D() ? VQViewScreen().EdgeY : VQViewScreen().BorderY;
  } else {
    fw = fh = 0;
  }
  return std::min((Height() - 2 * fh) / (imageHeight_ / 100.0), (Width() - 2 * fw) / (imageWidth_ / 100.0));
}

void TPictoraView::FitToWindow() {
  if (imageWidth_ == 0 || imageHeight_ == 0) return;
  if (HandleAllocated()) {
    ShowScrollBar(Handle(), SB_BOTH, FALSE);
    hBarShown_ = vBarShown_ = false;
  }
  SetZoom(GetFitZoom());
}

bool TPictoraView::BarShown(bool horizontal) const { return horizontal ? hBarShown_ : vBarShown_; }

void TPictoraView::UpdateScrollBarsOf(bool horizontal, int maxPos) {
  const HWND h = Handle();
  const int bar = horizontal ? SB_HORZ : SB_VERT;
  bool& shown = horizontal ? hBarShown_ : vBarShown_;
  if (maxPos < 1) {
    EnableScrollBar(h, UINT(bar), ESB_DISABLE_BOTH);
    if (KeepScrollBars) {
      ShowScrollBar(h, bar, TRUE);
      shown = true;
    } else if (shown) {
      ShowScrollBar(h, bar, FALSE);
      shown = false;
    }
    return;
  }
  shown = true;
  const int area = horizontal ? areaW_ : areaH_;
  double& factor = horizontal ? hBarFactor_ : vBarFactor_;
  factor = (double(area) + maxPos) / 65536.0;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 65535;
  si.nPage = UINT(std::max(0, PvTrunc(area / factor)));
  si.nPos = PvTrunc((horizontal ? scrollX_ : scrollY_) / factor);
  SetScrollInfo(h, bar, &si, TRUE);
  EnableScrollBar(h, UINT(bar), ESB_ENABLE_BOTH);
  ShowScrollBar(h, bar, TRUE);
}

// ---- zoom ------------------------------------------------------------------------------

void TPictoraView::SetZoom(double z) {
  if (!(z > 0) || z == zoom_) return;
  if (DelayZoomFilter && zoomFilter_ != rfNone && zoom_ != 100) filterCountdown_ = kFilterReload;
  antsCountdown_ = kAntsReload;
  if (filterCountdown_ > 0 || antsCountdown_ > 0) timer_->SetEnabled(true);
  LockPaint();
  SetZoomValue(z);
  Update();
  UpdateVisibleSource();
  BuildCoordinateTables();
  ReleasePaintLock();
  PaintNow();
  ViewChange(1);
}

void TPictoraView::SetZoomValue(double z) {
  const int halfW = GetDrawingWidth() / 2, halfH = GetDrawingHeight() / 2;
  const int column = PvRound((halfW + scrollX_ - offsetX_) * inverse_);
  const int row = PvRound((halfH + scrollY_ - offsetY_) * inverse_);
  zoom_ = z;
  scale_ = z / 100;
  inverse_ = 100 / z;
  // Kept within the range of the new zoom, so zooming in keeps the middle.
  int mx = 0, my = 0;
  GetMaxScroll(mx, my);
  scrollX_ = std::clamp(PvTrunc(column * z / 100 - halfW), 0, std::max(mx, 0));
  scrollY_ = std::clamp(PvTrunc(row * z / 100 - halfH), 0, std::max(my, 0));
}

void TPictoraView::ZoomAtPoint(int x, int y, double z) {
  LockPaint();
  const int column = ScreenToBitmapX(x), row = ScreenToBitmapY(y);
  SetZoom(z);
  SetScrollXY(PvTrunc(column * scale_) - GetDrawingWidth() / 2, PvTrunc(row * scale_) - GetDrawingHeight() / 2);
  UnlockPaint();
  UpdateVisibleSource();
  BuildCoordinateTables();
  ViewChange(1);
}

double TPictoraView::ZoomInStep(double zoom) {
  if (zoom >= 100) return zoom + 100;
  for (double s : {2.0, 5.0, 10.0, 25.0, 33.0, 50.0, 75.0, 100.0})
    if (s > zoom) return s;
  return 100;
}

double TPictoraView::ZoomOutStep(double zoom) {
  if (zoom >= 200) return zoom - 100;
  // The largest step below the zoom.
  for (double s : {100.0, 75.0, 50.0, 33.0, 25.0, 10.0, 5.0, 2.0})
    if (s < zoom) return s;
  return 2;
}

// ---- scrolling --------------------------------------------------------------------------

void TPictoraView::GetMaxScroll(int& x, int& y) {
  const int areaW = GetDrawingWidth(), areaH = GetDrawingHeight();
  int w = PvTrunc(imageWidth_ * scale_), h = PvTrunc(imageHeight_ * scale_);
  if (areaW + 10 < w || areaH + 10 < h) {
    w = PvTrunc((imageWidth_ + 0.5) * scale_);
    h = PvTrunc((imageHeight_ + 0.5) * scale_);
  }
  x = y = 0;
  if (w <= 0 || h <= 0) return;
  x = w - areaW;
  y = h - areaH;
  // Less than one image pixel is no scroll.
  if (x < 0 || PvTrunc(x * inverse_) == 0) x = 0;
  if (y < 0 || PvTrunc(y * inverse_) == 0) y = 0;
  // The whole image fits once the bars are gone: nothing to scroll. Bars
  // that stay whatever happens leave the area as it is.
  if (CanPaint()) {
    int fullW = areaW, fullH = areaH;
    if (HandleAllocated() && !KeepScrollBars) {
      if (hBarShown_) fullH += GetSystemMetrics(SM_CYHSCROLL);
      if (vBarShown_) fullW += GetSystemMetrics(SM_CXVSCROLL);
    }
    if (fullW >= w && fullH >= h) x = y = 0;
  }
}

bool TPictoraView::IsScrollable() {
  int x = 0, y = 0;
  GetMaxScroll(x, y);
  return x > 0 || y > 0;
}

void TPictoraView::SetScrollX(int x) { ApplyScroll(x, scrollY_, true, false); }

void TPictoraView::SetScrollY(int y) { ApplyScroll(scrollX_, y, false, true); }

void TPictoraView::SetScrollXY(int x, int y) { ApplyScroll(x, y, true, true); }

void TPictoraView::ApplyScroll(int x, int y, bool doX, bool doY) {
  if (x == scrollX_ && y == scrollY_) return;
  int mx = 0, my = 0;
  GetMaxScroll(mx, my);
  const int nx = std::clamp(x, 0, std::max(mx, 0)), ny = std::clamp(y, 0, std::max(my, 0));
  if (nx == scrollX_ && ny == scrollY_) return;
  scrollX_ = nx;
  scrollY_ = ny;
  UpdateVisibleSource();
  MoveTableWindows();
  if (DelayZoomFilter && zoomFilter_ != rfNone && zoom_ != 100) filterCountdown_ = kFilterReload;
  antsCountdown_ = kAntsReload;
  timer_->SetEnabled(true);
  recompose_ = wholeWindow_ = true;
  PaintNow();
  ViewChange(0);
  if (HandleAllocated()) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_POS;
    if (doX && hBarShown_) {
      si.nPos = PvTrunc(scrollX_ / hBarFactor_);
      SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
    }
    if (doY && vBarShown_) {
      si.nPos = PvTrunc(scrollY_ / vBarFactor_);
      SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
    }
  }
}

void TPictoraView::ScrollVertically(TVQScrollCommand command, int position) { ScrollAxis(true, command, position); }

void TPictoraView::ScrollHorizontally(TVQScrollCommand command, int position) {
  ScrollAxis(false, command, position);
}

void TPictoraView::ScrollAxis(bool vertical, TVQScrollCommand command, int position) {
  const TVQScrollBarParams& p = vertical ? vScrollParams_ : hScrollParams_;
  const int extent = vertical ? GetDrawingHeight() : GetDrawingWidth();
  const int current = vertical ? scrollY_ : scrollX_;
  const int unit = std::max(PvTrunc(scale_), 1);
  const int line = p.LineStep == -1 ? unit : unit * p.LineStep;
  const int page = p.PageStep == -1 ? extent : unit * p.PageStep;
  int mx = 0, my = 0;
  GetMaxScroll(mx, my);
  int v = current;
  switch (command) {
    case scLineForward: v = current + line; break;
    case scLineBack: v = current - line; break;
    case scPageForward: v = current + page; break;
    case scPageBack: v = current - page; break;
    case scStart: v = 0; break;
    case scEnd: v = vertical ? my : mx; break;
    case scPosition: v = position; break;
  }
  if (vertical)
    SetScrollY(v);
  else
    SetScrollX(v);
}

// ---- extents, source rectangle and tables -------------------------------------------------

void TPictoraView::UpdateExtents() {
  zoomedW_ = PvRound(imageWidth_ * scale_);
  zoomedH_ = PvRound(imageHeight_ * scale_);
  offsetX_ = offsetY_ = 0;
  const int areaW = GetDrawingWidth(), areaH = GetDrawingHeight();
  drawnW_ = std::min(zoomedW_, areaW);
  drawnH_ = std::min(zoomedH_, areaH);
  if (center_) {
    if (drawnW_ < areaW) offsetX_ = (areaW - drawnW_) / 2;
    if (drawnH_ < areaH) offsetY_ = (areaH - drawnH_) / 2;
  }
}

int TPictoraView::Snap(const TAxisTables& t, int p, int zoomedExtent) const {
  if (p < 0) return 0;
  if (p < zoomedExtent && std::size_t(p) < t.forward.size()) {
    const int index = t.forward[std::size_t(p)];
    if (index >= 0 && std::size_t(index) < t.inverse.size()) return t.inverse[std::size_t(index)];
  }
  return p;
}

void TPictoraView::UpdateVisibleSource() {
  UpdateExtents();
  auto axis = [this](const TAxisTables& t, int scroll, int extent, int zoomed, int drawn, int& first, int& count,
                     int& dest) {
    first = count = 0;
    dest = drawn;
    if (zoomed == 0) return;
    first = PvRound(double(Snap(t, scroll, zoomed)) * extent / zoomed);
    count = PvRound(double(extent) / zoomed * drawn);
    if (first + count > extent) --count;
    first = std::clamp(first, 0, std::max(extent - 1, 0));
    count = std::clamp(count, 0, extent - first);
    if (zoom_ > 100) {
      dest = PvTrunc(count * scale_);
      if (dest < drawn && first + count < extent) {
        ++count;
        dest = PvTrunc(count * scale_);
      }
    }
  };
  axis(tx_, scrollX_, imageWidth_, zoomedW_, drawnW_, srcX_, srcW_, dstW_);
  axis(ty_, scrollY_, imageHeight_, zoomedH_, drawnH_, srcY_, srcH_, dstH_);
}

void TPictoraView::BuildAxis(TAxisTables& t, int zoomed, int drawn, int extent) {
  const std::size_t fwdLen = std::size_t(zoomed) + std::size_t(drawn) + 1;
  const std::size_t invLen = std::size_t(PvTrunc((double(zoomed) + drawn + 1) * inverse_)) + 1;
  // Positions past the image map to its last index.
  t.forward.assign(fwdLen, std::max(extent - 1, 0));
  t.inverse.assign(invLen, 0);
  if (zoom_ > 100) {
    for (std::size_t j = fwdLen; j-- > 0;) {
      const int index = PvTrunc(double(j) * inverse_);
      if (index >= 0 && std::size_t(index) < invLen) t.inverse[std::size_t(index)] = int(j);
      t.forward[j] = std::min(index, extent - 1);
    }
  } else {
    for (std::size_t k = invLen; k-- > 0;) {
      const int position = PvTrunc(double(k) * scale_);
      t.inverse[k] = position;
      if (int(k) < extent && position >= 0 && std::size_t(position) < fwdLen) t.forward[std::size_t(position)] = int(k);
    }
  }
}

void TPictoraView::BuildCoordinateTables() {
  UpdateExtents();
  if (drawnW_ <= 0 || drawnH_ <= 0 || imageWidth_ <= 0 || imageHeight_ <= 0) {
    tx_ = TAxisTables{};
    ty_ = TAxisTables{};
    tablesZoom_ = -1;
    return;
  }
  if (tablesZoom_ != zoom_ || tablesDrawnW_ != drawnW_ || tablesDrawnH_ != drawnH_ || tablesImageW_ != imageWidth_ ||
      tablesImageH_ != imageHeight_) {
    BuildAxis(tx_, zoomedW_, drawnW_, imageWidth_);
    BuildAxis(ty_, zoomedH_, drawnH_, imageHeight_);
    tablesZoom_ = zoom_;
    tablesDrawnW_ = drawnW_, tablesDrawnH_ = drawnH_;
    tablesImageW_ = imageWidth_, tablesImageH_ = imageHeight_;
  }
  MoveTableWindows();
}

void TPictoraView::MoveTableWindows() {
  auto move = [](TAxisTables& t, int start, int count) {
    t.windowStart = start;
    t.window.resize(std::size_t(std::max(count, 0)));
    const int last = int(t.forward.size()) - 1;
    for (int i = 0; i < count; ++i) t.window[std::size_t(i)] = t.forward[std::size_t(std::min(start + i, last))];
  };
  move(tx_, Snap(tx_, scrollX_, zoomedW_), std::max(dstW_, drawnW_));
  move(ty_, Snap(ty_, scrollY_, zoomedH_), std::max(dstH_, drawnH_));
}

int TPictoraView::AxisToImage(const TAxisTables& t, int d, int drawn, int scroll, int zoomed, int first) const {
  if (d >= 0 && d < drawn && std::size_t(d) < t.window.size() && tablesZoom_ == zoom_ &&
      t.windowStart == Snap(t, scroll, zoomed))
    return t.window[std::size_t(d)];
  return PvTrunc(d * inverse_ + first);
}

int TPictoraView::AxisToScreen(const TAxisTables& t, int index, int drawn, int scroll, int zoomed, int first,
                               int offset) const {
  const int k = index - first;
  if (k >= 0 && k < PvTrunc(drawn * inverse_) && index >= 0 && std::size_t(index) < t.inverse.size() &&
      tablesZoom_ == zoom_)
    return t.inverse[std::size_t(index)] - t.windowStart + offset;
  return PvRound((PvRound(-Snap(t, scroll, zoomed) * inverse_) + index) * scale_ + offset);
}

int TPictoraView::ScreenToBitmapX(int x) { return AxisToImage(tx_, x - offsetX_, drawnW_, scrollX_, zoomedW_, srcX_); }

int TPictoraView::ScreenToBitmapY(int y) { return AxisToImage(ty_, y - offsetY_, drawnH_, scrollY_, zoomedH_, srcY_); }

int TPictoraView::BitmapToScreenX(int column) {
  return AxisToScreen(tx_, column, drawnW_, scrollX_, zoomedW_, srcX_, offsetX_);
}

int TPictoraView::BitmapToScreenY(int row) {
  return AxisToScreen(ty_, row, drawnH_, scrollY_, zoomedH_, srcY_, offsetY_);
}

// ---- the countdowns ----------------------------------------------------------------------

void TPictoraView::TimerTick() {
  if (filterCountdown_ > 0 && --filterCountdown_ == 0) Update();
  if (antsCountdown_ > 0) --antsCountdown_;
  if (filterCountdown_ == 0 && antsCountdown_ == 0) timer_->SetEnabled(false);
}
