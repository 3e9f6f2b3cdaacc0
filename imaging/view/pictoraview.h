// TPictoraView: the imaging library's scrolling and zooming image view. It
// shows one TVQBitmap at any zoom from 1 per cent up, centred or at the top
// left, with scroll bars, wheel and keyboard scrolling, fit to window, a
// list of layers (layer 0 is the image) and a back buffer through which
// every paint goes.
//
// Geometry: zoomed positions (ScrollX, ScrollY) are in zoomed pixels; the
// window maps to the image through two lookup tables per axis, which the
// scaled drawing also takes, so what is drawn at a window pixel is exactly
// the image pixel ScreenToBitmapX/Y report there.
#pragma once
#include <memory>
#include <vector>

#include "imaging/core/processing/pictoraproc_resample.h"
#include "imaging/core/processing/pictoraproc_transition.h"
#include "imaging/core/render/vqzutils_blend.h"
#include "imaging/view/vqview.h"
#include "platform/ui/edits/Memo.h"

class TBitmap;
class TCanvas;
struct TDrawDibContext;
class TTimer;
class TPictoraIO;
class TVQMask;

// ---- settings and events -------------------------------------------------------

enum TVQBackgroundStyle : Byte {
  vqbsSolid,
  vqbsHorizontal,
  vqbsVertical,
  vqbsFDiagonal,
  vqbsBDiagonal,
  vqbsCross,
  vqbsDiagCross,
  vqbsChessboard,
  vqbsDiagonals,
  vqbsCropped,
  vqbsCropShadow,
  vqbsGradient
};

enum TVQSelectionOption : Byte {
  vqsoAnimated,
  vqsoSizeable,
  vqsoMoveable,
  vqsoFilled,
  vqsoCutBorders,
  vqsoMarkOuter,
  vqsoCanScroll
};
using TVQSelectionOptions = unsigned;
constexpr TVQSelectionOptions kVQDefaultSelectionOptions = 71;
enum TVQSelectionBase : Byte { vqsbClientArea, vqsbBitmap };

enum TVQMouseInteractItem : Byte {
  miZoom,
  miScroll,
  miSelect,
  miSelectPolygon,
  miSelectCircle,
  miSelectZoom,
  miSelectMagicWand,
  miSelectLasso,
  miMoveLayers,
  miResizeLayers
};
using TVQMouseInteract = std::uint16_t;
constexpr TVQMouseInteract MouseBit(TVQMouseInteractItem i) { return TVQMouseInteract(1u << i); }

enum TVQGrip : Byte {
  vqNone,
  vqTopLeft,
  vqTopRight,
  vqBottomRight,
  vqBottomLeft,
  vqLeftSide,
  vqRightSide,
  vqTopSide,
  vqBottomSide
};
enum TVQLayerEvent : Byte { vqlSelected, vqlMoved, vqlResized, vqlMoving, vqlResizing };
enum TVQScrollCommand : Byte { scPosition, scEnd, scStart, scLineForward, scLineBack, scPageForward, scPageBack };

using TViewChangeEvent = std::function<void(TObject* Sender, int Change)>;
using TVQZoomEvent = std::function<void(TObject* Sender, double& NewZoom)>;
using TVQMouseInResizingGripEvent = std::function<void(TObject* Sender, TVQGrip Grip)>;
using TVQLayerNotify = std::function<void(TObject* Sender, int Layer, TVQLayerEvent Event)>;
using TVQSpecialKeyEvent = std::function<void(TObject* Sender, std::uint16_t CharCode, bool& Handled)>;

// Scroll-bar settings of one axis: steps of -1 are automatic.
struct TVQScrollBarParams {
  int LineStep = -1;
  int PageStep = -1;
  bool Tracking = true;
};

// What the wheel does: Action 0 none, 1 scroll, 2 zoom; StepKind 0
// absolute, 1 per cent.
struct TVQMouseWheelParams {
  bool Invert = false;
  Byte Action = 2;
  Byte StepKind = 1;
  int Step = 8;
  bool ZoomAtCursor = false;
};

// One layer of the view. Layer 0 is the view's image.
struct TVQLayer {
  TVQLayer(TVQBitmap* bitmap, bool useIt);
  ~TVQLayer();
  TVQLayer(const TVQLayer&) = delete;
  TVQLayer& operator=(const TVQLayer&) = delete;

  int Width = 0, Height = 0;  // on the image plane; 0: the bitmap's own
  TVQBitmap* Bitmap = nullptr;
  bool Visible = true;
  bool VisibleFrame = true;
  int Transparency = 255;  // the opacity, 0 to 255
  int PosX = 0, PosY = 0;
  TRect ClientAreaBox{};  // where it was last drawn, window coordinates
  bool Cropped = false;
  bool Locked = false;
  bool Magnify = false;
  double Magnification = 2.0;
  Byte MagnifyShape = 0;
  TVQBlendOperation Operation = boCopy;
  bool OwnsBitmap = true;
};

// How the view's window is refreshed from its back buffer.
enum class TVQBlitPath { None, DrawDib, BitBlt, HalftoneStretch };

// The screen as the views see it, read when the first view is made; tests
// may set other values.
struct TVQScreenInfo {
  int BitsPerPixel = 32;
  bool RemoteSession = false;
  int EdgeX = 2, EdgeY = 2, BorderX = 1, BorderY = 1;
};
TVQScreenInfo& VQViewScreen();

// The library's cursors, registered with the screen under their numbers.
constexpr TCursor kVQCursorZoomOut = 1778, kVQCursorZoomIn = 1779, kVQCursorHand = 1782, kVQCursorCross = 1785,
                  kVQCursorMove2 = 1786, kVQCursorMoveY = 1787, kVQCursorMove1 = 1788, kVQCursorMoveX = 1789,
                  kVQCursorMove = 1790, kVQCursorCrossPlus = 1791, kVQCursorCross2 = 1793,
                  kVQCursorCross2Plus = 1794;
// Registers cursors 1778 to 1810 (once per process; again is harmless).
void RegisterVQCursors();
// The resource name of a library cursor, "" for other numbers.
std::string VQCursorName(TCursor cursor);

// Paints a background style over the area (left, top, width, height);
// imageRect is what the cropped styles frame. Both views paint with it.
void PaintBackground(TComponentState state, TCanvas* canvas, TVQBackgroundStyle style, TColor gradientEnd,
                     TBrushStyle chessBrush, int chessSize, const TRect& imageRect, int left, int top, int width,
                     int height, TColor background);

class TPictoraView : public TVQView {
 public:
  explicit TPictoraView(TComponent* AOwner);
  ~TPictoraView() override;
  std::string ClassName() const override { return "TPictoraView"; }

  // ---- image and components -----------------------------------------------------
  TBitmap* GetFrameworkBitmap() override { return legacyBitmap_; }
  TVQBitmap* GetImage() override { return image_; }
  TVQBitmap* GetAlphaChannel() override;
  bool HasAlphaChannel() override;
  // Merge blends toward the background first (24-bit images).
  void RemoveAlphaChannel(bool Merge) override;
  void LockPaint() override { ++paintLock_; }
  int UnlockPaint() override;
  int ReleasePaintLock() override;
  void ImageChange() override;
  void UpdateView() override { Update(); }
  void SetBackground(TColor value) override;
  // The view's I/O component, made and attached on first use; it reports
  // through the view's progress handler.
  TPictoraIO* GetIO();
  const TVQProgressEvent& GetOnProgress() const { return onProgress_; }
  virtual void SetOnProgress(TVQProgressEvent value);
  void ClearImage();
  void ResetImage();
  // Nil resets; a view copies its image, background and resolutions; a
  // framework bitmap is copied (made 24-bit unless 1 or 24 bits).
  void Assign(const TPersistent* Source) override;
  void BeginUpdate() { ++updateLock_; }
  void EndUpdate();
  bool IsEmpty();
  bool CanPaint();
  int GetDrawingWidth();
  int GetDrawingHeight();
  int ImageWidth() const { return imageWidth_; }
  int ImageHeight() const { return imageHeight_; }

  // ---- zoom -----------------------------------------------------------------------
  double Zoom() const { return zoom_; }
  void SetZoom(double z);
  // Zooms so that the image point under (x, y) comes to the middle.
  void ZoomAtPoint(int x, int y, double z);
  void FitToWindow();
  double GetFitZoom();

  // ---- scrolling ------------------------------------------------------------------
  int ScrollX() const { return scrollX_; }
  int ScrollY() const { return scrollY_; }
  void SetScrollX(int x);
  void SetScrollY(int y);
  void SetScrollXY(int x, int y);
  void ScrollVertically(TVQScrollCommand command, int position = 0);
  void ScrollHorizontally(TVQScrollCommand command, int position = 0);
  void GetMaxScroll(int& x, int& y);
  bool IsScrollable();

  // ---- coordinates ----------------------------------------------------------------
  int ScreenToBitmapX(int x);
  int ScreenToBitmapY(int y);
  int BitmapToScreenX(int column);
  int BitmapToScreenY(int row);
  int OffsetX() const { return offsetX_; }
  int OffsetY() const { return offsetY_; }
  int DrawnWidth() const { return drawnW_; }
  int DrawnHeight() const { return drawnH_; }
  // The visible source rectangle: first column and row, columns and rows
  // drawn, and their size on screen.
  TRect VisibleSource() const { return TRect{srcX_, srcY_, srcX_ + srcW_, srcY_ + srcH_}; }
  int DestWidth() const { return dstW_; }
  int DestHeight() const { return dstH_; }

  // ---- layers ---------------------------------------------------------------------
  int LayerCount() const { return static_cast<int>(layers_.size()); }
  TVQLayer* GetLayer(int index) const;
  TVQLayer* GetCurrentLayer() const { return layers_[std::size_t(currentLayer_)].get(); }
  int CurrentLayer() const { return currentLayer_; }
  virtual void SetCurrentLayer(int index);
  void SyncLayers();
  bool SyncLayerSizes = true;
  bool ShowAllLayerFrames = false;

  // ---- properties -----------------------------------------------------------------
  bool LegacyBitmap() const { return legacyBitmap_ != nullptr; }
  virtual void SetLegacyBitmap(bool value);
  bool DoubleBuffer = true;
  TResampleFilter ZoomFilter() const { return zoomFilter_; }
  void SetZoomFilter(TResampleFilter value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  virtual void SetScrollBars(TScrollStyle value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  TVQMouseInteract MouseInteract() const { return mouseInteract_; }
  virtual void SetMouseInteract(TVQMouseInteract value);
  bool AutoFit = false;
  bool AutoStretch = false;
  bool AutoShrink = false;
  TVQSelectionBase SelectionBase = vqsbClientArea;
  TVQSelectionOptions SelectionOptions() const { return selectionOptions_; }
  void SetSelectionOptions(TVQSelectionOptions value);
  TVQBackgroundStyle BackgroundStyle() const { return backgroundStyle_; }
  void SetBackgroundStyle(TVQBackgroundStyle value);
  bool DelayZoomFilter = false;
  bool EnableAlphaChannel() const { return enableAlpha_; }
  void SetEnableAlphaChannel(bool value);
  bool DrawVersion() const { return drawVersion_; }
  void SetDrawVersion(bool value);
  // The remembered cursor, shown at once.
  TCursor ViewCursor() const { return rememberedCursor_; }
  void SetViewCursor(TCursor value);
  void ShowCursor(TCursor value);
  void RestoreCursor() { ShowCursor(rememberedCursor_); }
  TCursor ShownCursor() const { return shownCursor_; }
  bool FlatScrollBars = false;
  // Square size and brush style of the chessboard together.
  void SetChessboardStyle(int size, TBrushStyle style);
  int ChessboardSize() const { return chessSize_; }
  TColor GradientEndColor = clBlue;
  bool UseDrawDib = false;
  bool ShowPixelGrid = false;
  bool KeepScrollBars = false;
  bool AutoRepaint = true;
  bool SuppressRepaint = false;
  bool DelayMarchingAnts = true;
  bool ShiftAddsSelection = true;
  bool ConstrainSelection = false;
  TVQScrollBarParams* VerticalScrollParams() { return &vScrollParams_; }
  TVQScrollBarParams* HorizontalScrollParams() { return &hScrollParams_; }
  TVQMouseWheelParams* WheelParams() { return &wheelParams_; }
  TVQMask* SelectionMask() const { return mask_.get(); }
  bool HasSelection() const { return hasSelection_; }
  void Deselect();
  TVQTransitionEffects* Transitions() const { return transitions_.get(); }

  TViewChangeEvent OnViewChange;
  TNotifyEvent OnImageChange;
  TNotifyEvent OnPaint;
  TNotifyEvent OnDrawBackBuffer;
  TVQZoomEvent OnZoomIn;
  TVQZoomEvent OnZoomOut;
  TVQLayerNotify OnLayerNotify;
  TVQSpecialKeyEvent OnSpecialKey;
  TVQMouseInResizingGripEvent OnMouseInResizingGrip;
  TNotifyEvent OnSelectionChange, OnSelectionChanging, OnBeforeSelectionChange, OnMouseInSel;

  // ---- the pipeline (public for the dialogs and tests) ---------------------------
  // The update step.
  void Update() override;
  void Invalidate() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  // Brings the back buffer up to date and refreshes rect of the window.
  void PaintBackBuffer(const TRect& rect);
  TBitmap* BackBuffer() const { return backBuffer_.get(); }
  // How the last refresh reached the window.
  TVQBlitPath LastBlitPath() const { return lastBlit_; }
  // How many times the back buffer was composed.
  int CompositionCount() const { return compositions_; }
  int FilterCountdown() const { return filterCountdown_; }
  // One tick of the 210 ms timer that runs the countdowns.
  void TimerTick();
  // The zoom a click gives.
  static double ZoomInStep(double zoom);
  static double ZoomOutStep(double zoom);
  // The scroll bars' scale factors.
  double HorizontalBarFactor() const { return hBarFactor_; }
  double VerticalBarFactor() const { return vBarFactor_; }

 protected:
  virtual void ViewChange(int Change);
  void Paint() override;
  void Dispatch(TMessage& Message) override;
  void CreateParams(TCreateParams& Params) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  virtual void ShiftMousePoints(int dx, int dy);
  virtual void BuildCoordinateTables();
  virtual void UpdateVisibleSource();
  virtual void SetZoomValue(double z);
  virtual void UpdateExtents();
  virtual void LayerNotify(int layer, TVQLayerEvent event);
  virtual void DrawLayers(TBitmap* buffer, std::vector<Byte*>& rows, TRect rect);

 private:
  struct TAxisTables {
    std::vector<int> forward;   // zoomed position -> image index
    std::vector<int> inverse;   // image index -> first zoomed position
    std::vector<int> window;    // forward, from the first drawn position
    int windowStart = 0;        // snap(scroll)
  };
  void RunUpdate(int depth);
  void ApplyAutoZoom();
  double AutomaticZoom(int w, int h, int availW, int availH, bool shrink, bool stretch);
  void UpdateScrollBarsOf(bool horizontal, int maxPos);
  bool BarShown(bool horizontal) const;
  void PaintNow();
  void ApplyScroll(int x, int y, bool doX, bool doY);
  void ScrollAxis(bool vertical, TVQScrollCommand command, int position);
  int Snap(const TAxisTables& t, int p, int zoomedExtent) const;
  // One axis of the mappings: d is the window position less the offset.
  int AxisToImage(const TAxisTables& t, int d, int drawn, int scroll, int zoomed, int first) const;
  int AxisToScreen(const TAxisTables& t, int index, int drawn, int scroll, int zoomed, int first, int offset) const;
  void MoveTableWindows();
  void BuildAxis(TAxisTables& t, int zoomed, int drawn, int extent);
  void PaintBackgroundUnder(TBitmap* buffer, const TRect& clip, bool conditional, int opacity, TVQBitmap* bmp);
  void DrawPixelGrid(TCanvas* canvas);
  void DrawVersionText();
  void WheelRule(int delta, bool ctrl, TPoint at);
  void ScrollBarMessage(bool vertical, WPARAM wParam);
  void ClampToDrawn(int& x, int& y) const;

  TBitmap* legacyBitmap_ = nullptr;
  TVQBitmap* image_ = nullptr;
  TDrawDibContext* drawDib_ = nullptr;
  std::vector<std::unique_ptr<TVQLayer>> layers_;
  int currentLayer_ = 0;
  int imageWidth_ = 0, imageHeight_ = 0;
  int lastImageWidth_ = -1, lastImageHeight_ = -1;
  double zoom_ = 100, scale_ = 1, inverse_ = 1;
  int scrollX_ = 0, scrollY_ = 0;
  int zoomedW_ = 0, zoomedH_ = 0;
  int drawnW_ = 0, drawnH_ = 0;
  int offsetX_ = 0, offsetY_ = 0;
  int srcX_ = 0, srcY_ = 0, srcW_ = 0, srcH_ = 0, dstW_ = 0, dstH_ = 0;
  int areaW_ = 0, areaH_ = 0;
  double hBarFactor_ = 1, vBarFactor_ = 1;
  bool hBarShown_ = false, vBarShown_ = false;
  int updateLock_ = 0, paintLock_ = 0;
  int filterCountdown_ = 0, antsCountdown_ = 0;
  static constexpr int kFilterReload = 4, kAntsReload = 2;
  bool recompose_ = true, wholeWindow_ = true;
  TVQScrollBarParams vScrollParams_, hScrollParams_;
  TVQMouseWheelParams wheelParams_;
  std::unique_ptr<TVQTransitionEffects> transitions_;
  std::unique_ptr<TBitmap> backBuffer_;
  std::vector<Byte*> backRows_;
  std::unique_ptr<TTimer> timer_;
  std::unique_ptr<TVQMask> mask_;
  bool hasSelection_ = false;
  TPictoraIO* io_ = nullptr;
  TVQProgressEvent onProgress_;
  TResampleFilter zoomFilter_ = rfNone;
  TScrollStyle scrollBars_ = ssBoth;
  bool center_ = true;
  TVQMouseInteract mouseInteract_ = 0;
  TVQSelectionOptions selectionOptions_ = kVQDefaultSelectionOptions;
  TVQBackgroundStyle backgroundStyle_ = vqbsSolid;
  bool enableAlpha_ = false;
  bool drawVersion_ = false;
  TCursor rememberedCursor_ = kVQCursorCross, shownCursor_ = kVQCursorCross;
  int chessSize_ = 16;
  TBrushStyle chessBrush_ = bsSolid;
  TAxisTables tx_, ty_;
  double tablesZoom_ = -1;
  int tablesDrawnW_ = -1, tablesDrawnH_ = -1, tablesImageW_ = -1, tablesImageH_ = -1;
  TVQBlitPath lastBlit_ = TVQBlitPath::None;
  int compositions_ = 0;
  bool updating_ = false;
  // Mouse state.
  TPoint down_{}, downUnclamped_{}, last_{}, lastUnclamped_{};
  int scrollAtDownX_ = 0, scrollAtDownY_ = 0;
  TResampleFilter filterAtDown_ = rfNone;
  bool leftDown_ = false, scrolling_ = false;
};
