// The halftone of a big block is cut into bands of rows for the row-parallel
// pool; the bytes must not depend on how many threads take them. Built into
// the ThreadSanitizer program too, so it needs nothing beyond the stretch.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/gdi/Stretch.h"
#include "platform/rtl/ParallelRows.h"
#include "tests/platform/gdi/StretchRows.h"

namespace {

TEST(HalftoneBlockDirect, SameBytesForAnyThreadCount) {
  // Odd sizes, each big enough to be cut into bands, shrinking and enlarging.
  struct Case {
    int sw, sh, dw, dh, bpp;
  } cases[] = {{1203, 1001, 333, 221, 3}, {611, 577, 1999, 1337, 4}, {1501, 999, 1501, 997, 3}};
  std::mt19937 rng(39);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.sw << "x" << c.sh << "->" << c.dw << "x" << c.dh);
    StretchRows rows(c.sw, c.sh, c.bpp, rng);
    const AxisTaps xt = HalftoneTaps(c.sw, c.dw, false, 0, c.dw);
    const AxisTaps yt = HalftoneTaps(c.sh, c.dh, false, 0, c.dh);
    std::vector<std::uint32_t> expected(std::size_t(c.dw) * std::size_t(c.dh));
    HalftoneBlock([&](int y, int x, int n, std::uint32_t* out) { rows.Read(y, x, n, out); }, xt, yt, 0, c.dw, 0, c.dh,
                  expected.data());
    for (int threads : {1, 2, 3, 8}) {
      SCOPED_TRACE(testing::Message() << threads << " threads");
      SetParallelThreadCount(threads);
      std::vector<std::uint32_t> got(expected.size(), 0xDEADBEEF);
      HalftoneBlockDirect(DirectRows{rows.bytes.data(), rows.pitch, c.bpp, 0, 0}, xt, yt, 0, c.dw, 0, c.dh, got.data());
      SetParallelThreadCount(0);
      ASSERT_EQ(got, expected);
    }
  }
}

}  // namespace
