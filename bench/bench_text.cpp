// Speed of text: drawing and measuring a mixed Chinese and Latin line, and
// wrapping a paragraph, on a 32-bit DIB section.
#include <benchmark/benchmark.h>

#include <cstring>

#include "platform/gdi/Gdi.h"

namespace {

// 40 characters: 20 ideographs and 20 Latin letters, digits and spaces.
constexpr const char kLine[] = "图像修饰向导 Photo wizard 亮度对比度值 v2.5 色彩平衡调整完成";
constexpr const char kParagraph[] =
    "选择一张照片，然后按照向导的步骤调整亮度、对比度和色彩。Each step shows a preview; "
    "点击“下一步”继续，或者点击“上一步”返回修改。The wizard keeps the original picture "
    "untouched until you save, 保存时可以选择新的文件名和格式。";

struct TextCanvas {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ oldBmp = nullptr, oldFont = nullptr;
  HFONT font = nullptr;
  TextCanvas() {
    BITMAPINFO bi;
    bi.bmiHeader.biWidth = 800;
    bi.bmiHeader.biHeight = -200;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    oldBmp = SelectObject(dc, bmp);
    font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, GB2312_CHARSET, 0, 0, DEFAULT_QUALITY, 0, "宋体");
    oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
  }
  ~TextCanvas() {
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBmp);
    DeleteObject(font);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

void BM_TextOutLine(benchmark::State& state) {
  TextCanvas c;
  const int n = int(std::strlen(kLine));
  for (auto _ : state)
    for (int i = 0; i < 10000; ++i) TextOut(c.dc, 4, 4 + (i % 10) * 16, kLine, n);
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_TextOutLine)->Unit(benchmark::kMillisecond);

void BM_GetTextExtentLine(benchmark::State& state) {
  TextCanvas c;
  const int n = int(std::strlen(kLine));
  SIZE sz;
  for (auto _ : state)
    for (int i = 0; i < 10000; ++i) {
      GetTextExtentPoint32(c.dc, kLine, n, &sz);
      benchmark::DoNotOptimize(sz);
    }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_GetTextExtentLine)->Unit(benchmark::kMillisecond);

void BM_DrawTextWordBreak(benchmark::State& state) {
  TextCanvas c;
  for (auto _ : state) {
    RECT r{0, 0, 300, 200};
    benchmark::DoNotOptimize(DrawText(c.dc, kParagraph, -1, &r, DT_WORDBREAK | DT_LEFT | DT_TOP));
  }
}
BENCHMARK(BM_DrawTextWordBreak)->Unit(benchmark::kMicrosecond);

void BM_DrawTextWordBreakCalcRect(benchmark::State& state) {
  TextCanvas c;
  for (auto _ : state) {
    RECT r{0, 0, 300, 0};
    benchmark::DoNotOptimize(DrawText(c.dc, kParagraph, -1, &r, DT_WORDBREAK | DT_CALCRECT));
  }
}
BENCHMARK(BM_DrawTextWordBreakCalcRect)->Unit(benchmark::kMicrosecond);

}  // namespace
