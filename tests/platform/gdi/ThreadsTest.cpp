// Worker threads drawing on their own memory DCs and bitmaps at once, with
// the shared stock objects and handle registry between them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace {

// One round of a worker: everything made, used and freed by this thread.
// Returns the number of wrong pixels or failed calls.
constexpr const char kText[] = "Ab 中文 text";

SIZE TextSize(HDC dc) {
  SIZE sz{};
  GetTextExtentPoint32(dc, kText, int(sizeof kText - 1), &sz);
  return sz;
}

int WorkerRound(int seed, SIZE textSize) {
  int errors = 0;
  const COLORREF ink = RGB(seed & 0xFF, 40, 200);
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 24;
  bi.bmiHeader.biHeight = -16;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!dc || !bmp || !bits) return 1;
  HGDIOBJ oldBmp = SelectObject(dc, bmp);
  RECT all{0, 0, 24, 16};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HBRUSH brush = CreateSolidBrush(ink);
  HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Ellipse(dc, 2, 2, 14, 12);
  SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, 16, 2, 23, 9);  // no pen: fills [16, 22) x [2, 8)
  HRGN clip = CreateRectRgn(0, 12, 24, 16);
  SelectClipRgn(dc, clip);
  PatBlt(dc, 0, 0, 24, 16, BLACKNESS);  // only rows 12..15
  SelectClipRgn(dc, nullptr);
  // A second DC and a device bitmap of its own, blitted across.
  HDC dc2 = CreateCompatibleDC(dc);
  HBITMAP ddb = CreateCompatibleBitmap(dc, 4, 4);
  HGDIOBJ old2 = SelectObject(dc2, ddb);
  PatBlt(dc2, 0, 0, 4, 4, PATCOPY);  // default white brush
  BitBlt(dc, 0, 0, 2, 2, dc2, 0, 0, SRCCOPY);
  SelectObject(dc2, old2);
  errors += !DeleteObject(ddb);
  errors += !DeleteDC(dc2);

  auto px = [&](int x, int y) {
    const auto* p = static_cast<const unsigned char*>(bits) + (y * 24 + x) * 4;
    return RGB(p[2], p[1], p[0]);
  };
  errors += px(8, 7) != ink;              // inside the ellipse
  errors += px(18, 5) != ink;             // the pen-less rectangle
  errors += px(22, 5) != RGB(255, 255, 255);
  errors += px(5, 14) != RGB(0, 0, 0);     // the clipped PatBlt
  errors += px(5, 11) == RGB(0, 0, 0);
  errors += px(0, 0) != RGB(255, 255, 255);  // the blit of white
  // Text through the shared font engine and glyph cache.
  const SIZE sz = TextSize(dc);
  errors += sz.cx != textSize.cx || sz.cy != textSize.cy;
  errors += !TextOut(dc, 0, 0, kText, int(sizeof kText - 1));

  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldBmp);
  errors += !DeleteObject(clip);
  errors += !DeleteObject(pen);
  errors += !DeleteObject(brush);
  errors += !DeleteObject(bmp);
  errors += !DeleteDC(dc);
  return errors;
}

TEST(GdiThreads, WorkersCreateDrawAndDeleteTheirOwnObjectsAtOnce) {
  constexpr int kThreads = 4, kRounds = 150;
  std::atomic<int> errors{0}, rounds{0};
  std::atomic<bool> go{false};
  HDC probe = CreateCompatibleDC(nullptr);
  const SIZE textSize = TextSize(probe);
  DeleteDC(probe);
  ASSERT_GT(textSize.cx, 0);
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t)
    workers.emplace_back([&, t] {
      while (!go) std::this_thread::yield();
      for (int i = 0; i < kRounds; ++i) {
        errors += WorkerRound(t * 1000 + i, textSize);
        ++rounds;
      }
    });
  go = true;
  for (auto& w : workers) w.join();
  EXPECT_EQ(rounds.load(), kThreads * kRounds);
  EXPECT_EQ(errors.load(), 0);
}

}  // namespace
