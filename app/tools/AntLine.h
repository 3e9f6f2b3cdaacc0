// The freehand lasso of the colour step. The outline grows in inverted
// colours while the left button is held; on release it is closed with a
// straight line, the enclosed area becomes a mask over the outline's
// bounding box, path pixels that do not face the outside of the area are
// dropped, and what remains marches. Every path pixel remembers the colour
// under it so the lasso can take itself off the display again.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_set>
#include <vector>

#include "app/pixels/RowImage.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Types.h"

class TImage;
class TTimer;
class TObject;

// Rows by columns, 1 = inside.
struct TRegionArray {
  int Width = 0;
  int Height = 0;
  std::vector<Byte> Cells;
  Byte At(int x, int y) const { return Cells[std::size_t(y) * std::size_t(Width) + std::size_t(x)]; }
  const Byte* Row(int y) const { return Cells.data() + std::size_t(y) * std::size_t(Width); }
};

// A path pixel and the colour the display held there before it was drawn.
struct TPathPoint {
  int X = 0;
  int Y = 0;
  Byte R = 0, G = 0, B = 0;
};

// The owner's method, bound with its object; the region is indexed from
// (MinX, MinY), and is empty when the outline encloses no area.
using TLassoDoneEvent =
    std::function<void(int MinX, int MaxX, const TRegionArray& Region, int MaxY, int MinY)>;

class TAntLine {
 public:
  // Installs the lasso's mouse handlers at once, chaining the control's.
  explicit TAntLine(TImage* image);
  ~TAntLine();
  TAntLine(const TAntLine&) = delete;
  TAntLine& operator=(const TAntLine&) = delete;

  // Forgets the lasso, painting the remembered colours back unless keepDisplay.
  void Clear(bool keepDisplay);
  // Remembers the colours the display now holds under the path.
  void Recapture();
  // Draws the finished outline again through the drawn corners scaled by
  // factor (new zoom / old zoom), clamped to the display, closed, and
  // rebuilds the region. The corners are the mouse positions in drawing
  // order: the path itself is stored line by line from each line's left or
  // upper end, so its order is not the order around the outline.
  void Rescale(bool keepDisplay, double factor);

  TLassoDoneEvent OnLassoDone;

  const std::vector<TPathPoint>& Path() const { return path_; }
  const std::vector<TPoint>& Outline() const { return outline_; }
  const std::vector<TPoint>& Corners() const { return corners_; }
  const TRegionArray& Region() const { return region_; }
  int MinX() const { return minX_; }
  int MaxX() const { return maxX_; }
  int MinY() const { return minY_; }
  int MaxY() const { return maxY_; }
  int OriginX() const { return originX_; }
  int OriginY() const { return originY_; }
  int Phase() const { return phase_; }
  bool Drawing() const { return drawing_; }
  TTimer* Timer() const { return timer_.get(); }

  static constexpr Word DashLength = 5;
  // Bounding boxes above this many cells build no region.
  static constexpr std::int64_t MaxRegionCells = std::int64_t(1) << 28;

  // Paints the ants along the path for the current phase; the timer's work.
  void DrawAnts();

 private:
  void MouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void MouseMove(TObject* sender, TShiftState shift, int x, int y);
  void MouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
  void TimerTick(TObject* sender);
  void AddPoint(const RowImage& display, int x, int y);
  void AddLine(int x1, int y1, int x2, int y2);
  void BuildRegion();
  void SaveOutline();
  void ReleasePath(bool keepDisplay);
  void ResetBounds();
  // The display when the whole bounding box lies on it, else empty.
  RowImage PathDisplay() const;
  TPoint ClampToDisplay(int x, int y) const;
  void Repaint();

  TImage* image_;
  std::shared_ptr<const bool> imageAlive_;
  std::unique_ptr<TTimer> timer_;
  std::vector<TPathPoint> path_;
  std::unordered_set<std::uint64_t> onPath_;
  std::vector<TPoint> outline_;
  std::vector<TPoint> corners_;
  int minX_ = 10000, maxX_ = 0, minY_ = 10000, maxY_ = 0;
  TRegionArray region_;
  int originX_ = 0, originY_ = 0;
  TPoint startPoint_, lastPoint_;
  int phase_ = 0;
  bool drawing_ = false;
  TMouseEvent savedDown_, savedUp_;
  TMouseMoveEvent savedMove_;
};
