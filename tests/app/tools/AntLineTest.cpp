#include "app/tools/AntLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "SelectionSupport.h"
#include "platform/ui/forms/Timer.h"

namespace {

using Cell = std::pair<int, int>;

// Cells on the closed polygon's edges (axis-parallel edges only).
std::set<Cell> EdgeCells(const std::vector<TPoint>& poly) {
  std::set<Cell> cells;
  for (std::size_t i = 0; i < poly.size(); ++i) {
    TPoint a = poly[i], b = poly[(i + 1) % poly.size()];
    for (int x = std::min(a.X, b.X); x <= std::max(a.X, b.X); ++x)
      for (int y = std::min(a.Y, b.Y); y <= std::max(a.Y, b.Y); ++y) cells.insert({x, y});
  }
  return cells;
}

bool InsidePolygon(const std::vector<TPoint>& poly, double x, double y) {
  bool in = false;
  for (std::size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const double xi = poly[i].X, yi = poly[i].Y, xj = poly[j].X, yj = poly[j].Y;
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
  }
  return in;
}

std::set<Cell> PathCells(const TAntLine& lasso) {
  std::set<Cell> cells;
  for (const TPathPoint& p : lasso.Path()) cells.insert({p.X, p.Y});
  return cells;
}

class AntLineTest : public PictureSelectionFixture {
 protected:
  struct Done {
    int minX, maxX, maxY, minY, regionWidth, regionHeight;
  };
  std::vector<Done> done;
  std::unique_ptr<TAntLine> lasso;

  void SetUp() override {
    MakePicture(200, 150);
    lasso = std::make_unique<TAntLine>(image);
    lasso->OnLassoDone = [this](int minX, int maxX, const TRegionArray& r, int maxY, int minY) {
      done.push_back(Done{minX, maxX, maxY, minY, r.Width, r.Height});
    };
  }
  void TearDown() override { lasso.reset(); }
  void Draw(const std::vector<TPoint>& points) {
    Down(image, points[0].X, points[0].Y);
    for (std::size_t i = 1; i < points.size(); ++i) Move(image, points[i].X, points[i].Y);
    Up(image, points.back().X, points.back().Y);
  }
  // The picture with the given cells inverted.
  RowImageBuffer Inverted(const RowImage& from, const std::set<Cell>& cells) {
    RowImageBuffer m = RowImageBuffer::CopyOf(from);
    for (auto [x, y] : cells)
      for (int c = 0; c < 3; ++c) m.Row(y)[x * 3 + c] = Byte(255 - m.Row(y)[x * 3 + c]);
    return m;
  }
};

TEST_F(AntLineTest, ClosedPolygonsGiveTheirInsideAsTheRegion) {
  const std::vector<std::vector<TPoint>> polygons = {
      {{10, 10}, {40, 10}, {40, 30}, {10, 30}},
      {{10, 10}, {40, 10}, {40, 20}, {25, 20}, {25, 35}, {10, 35}},  // an L
      {{60, 20}, {60, 90}, {150, 90}, {150, 60}, {100, 60}, {100, 40}, {130, 40}, {130, 20}},
  };
  for (const auto& poly : polygons) {
    SCOPED_TRACE(testing::Message() << "polygon from " << poly[0].X << "," << poly[0].Y << " with "
                                    << poly.size() << " corners");
    done.clear();
    Draw(poly);
    const std::set<Cell> edges = EdgeCells(poly);
    int minX = 1 << 30, maxX = 0, minY = 1 << 30, maxY = 0;
    for (auto [x, y] : edges) {
      minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].minX, minX);
    EXPECT_EQ(done[0].maxX, maxX);
    EXPECT_EQ(done[0].minY, minY);
    EXPECT_EQ(done[0].maxY, maxY);
    const TRegionArray& region = lasso->Region();
    ASSERT_EQ(region.Width, maxX - minX + 1);
    ASSERT_EQ(region.Height, maxY - minY + 1);
    EXPECT_EQ(lasso->OriginX(), minX);
    EXPECT_EQ(lasso->OriginY(), minY);
    // Outside: off the box, or neither on an edge nor inside. Edge cells
    // with no outside cell beside them (concave corners) join the area.
    auto outside = [&](int x, int y) {
      return x < minX || x > maxX || y < minY || y > maxY || (!edges.count({x, y}) && !InsidePolygon(poly, x, y));
    };
    std::set<Cell> facing;
    for (auto [x, y] : edges)
      if (outside(x - 1, y) || outside(x + 1, y) || outside(x, y - 1) || outside(x, y + 1)) facing.insert({x, y});
    for (int y = minY; y <= maxY; ++y)
      for (int x = minX; x <= maxX; ++x) {
        const bool want = edges.count({x, y}) ? !facing.count({x, y}) : InsidePolygon(poly, x, y);
        ASSERT_EQ(region.At(x - minX, y - minY), want ? 1 : 0) << x << "," << y;
      }
    EXPECT_EQ(PathCells(*lasso), facing);
    EXPECT_EQ(lasso->Outline().size(), lasso->Path().size());
    ExpectDisplay(Inverted(orig, facing));
  }
}

TEST_F(AntLineTest, AFigureEightGivesBothLoopsAndTheEnclosedCrossing) {
  // Two squares drawn in one stroke, touching at (30, 30).
  Draw({{10, 10}, {30, 10}, {30, 30}, {50, 30}, {50, 50}, {30, 50}, {30, 30}, {10, 30}});
  const std::vector<TPoint> a = {{10, 10}, {30, 10}, {30, 30}, {10, 30}}, b = {{30, 30}, {50, 30}, {50, 50}, {30, 50}};
  std::set<Cell> edges = EdgeCells(a);
  for (Cell c : EdgeCells(b)) edges.insert(c);
  auto inside = [&](int x, int y) { return InsidePolygon(a, x, y) || InsidePolygon(b, x, y); };
  auto outside = [&](int x, int y) {
    return x < 10 || x > 50 || y < 10 || y > 50 || (!edges.count({x, y}) && !inside(x, y));
  };
  std::set<Cell> facing;
  for (auto [x, y] : edges)
    if (outside(x - 1, y) || outside(x + 1, y) || outside(x, y - 1) || outside(x, y + 1)) facing.insert({x, y});
  ASSERT_FALSE(facing.count({30, 30}));
  const TRegionArray& region = lasso->Region();
  ASSERT_EQ(region.Width, 41);
  ASSERT_EQ(region.Height, 41);
  for (int y = 10; y <= 50; ++y)
    for (int x = 10; x <= 50; ++x) {
      const bool want = edges.count({x, y}) ? !facing.count({x, y}) : inside(x, y);
      ASSERT_EQ(region.At(x - 10, y - 10), want ? 1 : 0) << x << "," << y;
    }
  EXPECT_EQ(region.At(20, 20), 1);  // the crossing
  EXPECT_EQ(region.At(5, 5), 1);
  EXPECT_EQ(region.At(35, 35), 1);
  EXPECT_EQ(region.At(35, 5), 0);
  EXPECT_EQ(PathCells(*lasso), facing);
  ExpectDisplay(Inverted(orig, facing));
}

TEST_F(AntLineTest, ATailOutsideTheAreaIsRemovedAndPaintedBack) {
  // Back at the start, out to (3, 3); the closing line runs back over the tail.
  Draw({{10, 10}, {40, 10}, {40, 30}, {10, 30}, {10, 10}, {3, 3}});
  const std::set<Cell> edges = EdgeCells({{10, 10}, {40, 10}, {40, 30}, {10, 30}});
  EXPECT_EQ(PathCells(*lasso), edges);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].minX, 3);
  EXPECT_EQ(done[0].minY, 3);
  EXPECT_EQ(lasso->Region().At(15 - 3, 15 - 3), 1);
  EXPECT_EQ(lasso->Region().At(5 - 3, 5 - 3), 0);
  ExpectDisplay(Inverted(orig, edges));
}

TEST_F(AntLineTest, LinesRoundHalfToEven) {
  struct Case {
    TPoint from, to;
    std::set<Cell> cells;
  } cases[] = {
      {{0, 0}, {4, 2}, {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 2}}},
      {{4, 2}, {0, 0}, {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {4, 2}}},
      {{0, 0}, {2, 4}, {{0, 0}, {0, 1}, {1, 2}, {2, 3}, {2, 4}}},
      {{10, 10}, {13, 12}, {{10, 10}, {11, 11}, {12, 11}, {13, 12}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.to.X << "," << c.to.Y);
    Down(image, c.from.X, c.from.Y);
    Move(image, c.to.X, c.to.Y);
    EXPECT_TRUE(lasso->Drawing());
    EXPECT_EQ(PathCells(*lasso), c.cells);
    EXPECT_EQ(lasso->Path().size(), c.cells.size());  // no point twice
    ExpectDisplay(Inverted(orig, c.cells));
    Up(image, c.to.X, c.to.Y);
    // A line encloses nothing: all of it is a tail.
    EXPECT_TRUE(lasso->Path().empty());
    ExpectDisplay(orig);
  }
}

TEST_F(AntLineTest, AClickGivesOnePointAndNoRegion) {
  Down(image, 20, 30);
  Up(image, 20, 30);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].minX, 20);
  EXPECT_EQ(done[0].maxX, 20);
  EXPECT_EQ(done[0].minY, 30);
  EXPECT_EQ(done[0].maxY, 30);
  EXPECT_EQ(done[0].regionWidth, 0);
  ASSERT_EQ(lasso->Path().size(), 1u);
  EXPECT_EQ(lasso->Path()[0].R, PatternByte(20, 30, 2));
  EXPECT_EQ(lasso->Path()[0].B, PatternByte(20, 30, 0));
  ExpectDisplay(Inverted(orig, {{20, 30}}));
}

TEST_F(AntLineTest, AntsFollowThePathOrderAfterEachTick) {
  Draw({{10, 10}, {40, 10}, {40, 30}, {10, 30}});
  EXPECT_TRUE(lasso->Timer()->Enabled());
  EXPECT_EQ(lasso->Timer()->Interval(), 100u);
  int ticks = 0;
  for (int n : {1, 2, 7, 10, 16}) {
    SCOPED_TRACE(n);
    s.display.AdvanceTime(Int64(n - ticks) * 100);
    ticks = n;
    EXPECT_EQ(lasso->Phase(), n % 10);
    const RowImage d = DisplayRows(image);
    const auto& path = lasso->Path();
    for (std::size_t i = 0; i < path.size(); ++i) {
      const Byte v = AntBlack(int(i), 0, (n - 1) % 10) ? 0 : 255;
      ASSERT_TRUE(Pixel(d, path[i].X, path[i].Y, v, v, v)) << i;
    }
  }
}

TEST_F(AntLineTest, ClearAndTheNextPressRestoreEveryPixel) {
  Draw({{10, 10}, {40, 10}, {40, 30}, {10, 30}});
  s.display.AdvanceTime(300);
  const RowImageBuffer marching = Snapshot(image);
  lasso->Clear(true);
  ExpectDisplay(marching);
  EXPECT_TRUE(lasso->Path().empty());
  EXPECT_TRUE(lasso->Outline().empty());
  EXPECT_EQ(lasso->Region().Width, 0);
  s.display.AdvanceTime(300);
  ExpectDisplay(marching);  // stopped

  ShowPattern(image, 200, 150);
  Draw({{50, 50}, {90, 50}, {90, 80}, {50, 80}, {50, 50}, {45, 40}});
  s.display.AdvanceTime(500);
  Down(image, 5, 5);  // a new lasso starts: the old one goes
  ExpectDisplay(orig);
  Up(image, 5, 5);
  lasso->Clear(false);
  ExpectDisplay(orig);
}

TEST_F(AntLineTest, RecaptureTakesTheNewColoursUnderThePath) {
  Draw({{10, 10}, {40, 10}, {40, 30}, {10, 30}});
  s.display.AdvanceTime(200);
  // The page shows an edited picture: the lasso must not paint the old one back.
  TBitmap edited(200, 150, pf24bit);
  image->Picture()->Assign(&edited);
  const RowImage d = DisplayRows(image);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 600; ++x) d.Row(y)[x] = Byte(x + 3 * y);
  const RowImageBuffer shown = Snapshot(image);
  lasso->Recapture();
  s.display.AdvanceTime(300);
  lasso->Clear(false);
  ExpectDisplay(shown);
}

TEST_F(AntLineTest, RescaleRedrawsThroughScaledCornersOnTheDisplay) {
  struct Case {
    double factor;
    int w, h;
    std::vector<TPoint> scaled;  // the outline's corners on the new display
  } cases[] = {
      {2.0, 400, 300, {{20, 20}, {80, 20}, {80, 60}, {20, 60}}},
      {0.5, 100, 75, {{5, 5}, {20, 5}, {20, 15}, {5, 15}}},
      // Past the display's edge: held on its last row and column.
      {6.0, 200, 150, {{60, 60}, {199, 60}, {199, 149}, {60, 149}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.factor);
    ShowPattern(image, 200, 150);
    done.clear();
    Draw({{10, 10}, {40, 10}, {40, 30}, {10, 30}});
    s.display.AdvanceTime(300);
    ShowPattern(image, c.w, c.h);
    const RowImageBuffer shown = Snapshot(image);
    lasso->Rescale(true, c.factor);
    EXPECT_TRUE(done.size() == 1u);  // the owner is not told again
    const std::set<Cell> edges = EdgeCells(c.scaled);
    EXPECT_EQ(PathCells(*lasso), edges);
    EXPECT_EQ(lasso->Region().Width, c.scaled[1].X - c.scaled[0].X + 1);
    EXPECT_EQ(lasso->Region().Height, c.scaled[2].Y - c.scaled[1].Y + 1);
    EXPECT_EQ(lasso->Region().At(1, 1), 1);
    EXPECT_TRUE(lasso->Timer()->Enabled());
    ExpectDisplay(Inverted(shown, edges));
    lasso->Clear(false);
    ExpectDisplay(shown);
  }
  lasso->Rescale(false, 2.0);  // nothing finished: nothing happens
  EXPECT_TRUE(lasso->Path().empty());
}

TEST_F(AntLineTest, ChainsAndGivesTheHandlersBack) {
  Draw({{10, 10}, {40, 10}, {40, 30}});
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(moves, 2);
  EXPECT_EQ(ups, 1);
  Move(image, 50, 50);  // not drawing: only chained
  EXPECT_EQ(moves, 3);
  EXPECT_FALSE(lasso->Drawing());
  if (const char* dir = std::getenv("LUMIQA_SNAPSHOTS")) {
    s.display.AdvanceTime(300);
    image->Picture()->SaveToFile(std::string(dir) + "/lasso.bmp");
  }
  lasso.reset();
  Down(image, 60, 60);
  Up(image, 60, 60);
  EXPECT_EQ(downs, 2);
  EXPECT_EQ(ups, 2);
}

}  // namespace
