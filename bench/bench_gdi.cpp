// Speed of the drawing paths on a 12-megapixel picture: fills, blits and
// stretches through memory DCs over 32-bit DIB sections.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "platform/gdi/Gdi.h"

namespace {

struct Picture {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  Picture(int w, int h) {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bmp);
    auto* p = static_cast<std::uint32_t*>(bits);
    std::uint32_t seed = 12345;
    for (std::int64_t i = 0; i < std::int64_t(w) * h; ++i) {
      seed = seed * 1664525u + 1013904223u;
      p[i] = seed >> 8;
    }
  }
  ~Picture() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

constexpr int kW = 4000, kH = 3000;

void BM_FillRect12MP(benchmark::State& state) {
  Picture pic(kW, kH);
  HBRUSH b = CreateSolidBrush(RGB(10, 20, 30));
  RECT r{0, 0, kW, kH};
  for (auto _ : state) FillRect(pic.dc, &r, b);
  DeleteObject(b);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_FillRect12MP)->Unit(benchmark::kMillisecond);

void BM_BitBltSrcCopy12MP(benchmark::State& state) {
  Picture src(kW, kH), dst(kW, kH);
  for (auto _ : state) BitBlt(dst.dc, 0, 0, kW, kH, src.dc, 0, 0, SRCCOPY);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_BitBltSrcCopy12MP)->Unit(benchmark::kMillisecond);

void BM_BitBltSrcInvert12MP(benchmark::State& state) {
  Picture src(kW, kH), dst(kW, kH);
  for (auto _ : state) BitBlt(dst.dc, 0, 0, kW, kH, src.dc, 0, 0, SRCINVERT);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_BitBltSrcInvert12MP)->Unit(benchmark::kMillisecond);

void BM_StretchShrink(benchmark::State& state) {
  Picture src(kW, kH), dst(600, 450);
  SetStretchBltMode(dst.dc, int(state.range(0)));
  for (auto _ : state) StretchBlt(dst.dc, 0, 0, 600, 450, src.dc, 0, 0, kW, kH, SRCCOPY);
  state.SetLabel(state.range(0) == HALFTONE ? "HALFTONE 4000x3000->600x450" : "COLORONCOLOR 4000x3000->600x450");
}
BENCHMARK(BM_StretchShrink)->Arg(HALFTONE)->Arg(COLORONCOLOR)->Unit(benchmark::kMillisecond);

void BM_StretchEnlargeHalftone(benchmark::State& state) {
  Picture src(1000, 750), dst(kW, kH);
  SetStretchBltMode(dst.dc, HALFTONE);
  for (auto _ : state) StretchBlt(dst.dc, 0, 0, kW, kH, src.dc, 0, 0, 1000, 750, SRCCOPY);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_StretchEnlargeHalftone)->Unit(benchmark::kMillisecond);

void BM_AlphaBlend12MP(benchmark::State& state) {
  Picture src(kW, kH), dst(kW, kH);
  BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  for (auto _ : state) AlphaBlend(dst.dc, 0, 0, kW, kH, src.dc, 0, 0, kW, kH, bf);
  state.SetItemsProcessed(state.iterations() * kW * kH);
}
BENCHMARK(BM_AlphaBlend12MP)->Unit(benchmark::kMillisecond);

// Calls that draw almost nothing, so the cost of resolving the DC and object
// handles of each call shows: a pixel, a 4x4 fill with a brush, and a pen
// selected in and out.
void BM_SmallCalls(benchmark::State& state) {
  Picture pic(64, 64);
  HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
  int i = 0;
  for (auto _ : state) {
    const int x = i & 63, y = (i >> 6) & 63;
    SetPixelV(pic.dc, x, y, RGB(x, y, 0));
    RECT r{x & 60, y & 60, (x & 60) + 4, (y & 60) + 4};
    FillRect(pic.dc, &r, brush);
    HGDIOBJ old = SelectObject(pic.dc, pen);
    SelectObject(pic.dc, old);
    ++i;
  }
  state.SetItemsProcessed(state.iterations());
  DeleteObject(pen);
  DeleteObject(brush);
}
BENCHMARK(BM_SmallCalls);

}  // namespace
