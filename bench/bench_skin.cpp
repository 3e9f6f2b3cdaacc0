// Skin engine: composing a frame, one morph step, an inactive effect and a
// glowing caption, at the sizes the skinned windows use them; loading skins
// whose controls share one very long value, or whose cursor slots name one
// large file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/rtl/Streams.h"
#include "skin/engine/SPUtils.h"
#include "skin/engine/SkinData.h"
#include "skin/engine/speffbmp.h"

namespace {

// A 24-bit picture with a little texture, so no routine sees flat colour.
void Texture(TBitmap& b, int w, int h, int seed) {
  b.SetPixelFormat(pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<std::uint8_t*>(b.ScanLine(y));
    for (int x = 0; x < w * 3; ++x) row[x] = std::uint8_t((x * 7 + y * 13 + seed) & 0xFF);
  }
}

// The wizard's frame: a 160 x 120 picture with a 30-pixel caption and
// 4-pixel borders, bands stretched, the client tiled from the picture.
void BM_ComposeFrame1280x1024(benchmark::State& state) {
  TBitmap skin, frame;
  Texture(skin, 160, 120, 1);
  const TPoint LT{40, 40}, RT{120, 40}, LB{40, 80}, RB{120, 80};
  const TRect C{4, 30, 156, 116};
  const int W = 1280, H = 1024, dx = W - 160, dy = H - 120;
  for (auto _ : state) {
    CreateSkinImage(LT, RT, LB, RB, C, LT, TPoint{RT.X + dx, RT.Y}, TPoint{LB.X, LB.Y + dy},
                    TPoint{RB.X + dx, RB.Y + dy}, TRect{C.Left, C.Top, C.Right + dx, C.Bottom + dy}, &frame, &skin,
                    TRect{0, 0, 160, 120}, W, H, true, true, true, true, true, false, stFull);
    benchmark::DoNotOptimize(frame.ScanLine(0));
  }
}
BENCHMARK(BM_ComposeFrame1280x1024)->Unit(benchmark::kMillisecond);

struct TEffectPair {
  TBitmap a, b;
  TEffectPair() {
    Texture(a, 1920, 1080, 3);
    Texture(b, 1920, 1080, 90);
  }
};

void BM_MorphStep1920x1080(benchmark::State& state) {
  TEffectPair p;
  auto from = TspEffectBmp::CreateFromHBmp(p.a.Handle());
  auto to = TspEffectBmp::CreateFromHBmp(p.b.Handle());
  for (auto _ : state) {
    from->MorphByKind(to.get(), 0.4, TspMorphKind(state.range(0)));
    benchmark::DoNotOptimize(from->Bits);
  }
}
BENCHMARK(BM_MorphStep1920x1080)->Arg(mkDefault)->Arg(mkGradient)->Arg(mkPush)->Unit(benchmark::kMillisecond);

void BM_InactiveEffect1920x1080(benchmark::State& state) {
  TEffectPair p;
  auto e = TspEffectBmp::CreateFromHBmp(p.a.Handle());
  for (auto _ : state) {
    e->ApplyInactiveEffect(TspInactiveEffect(state.range(0)));
    benchmark::DoNotOptimize(e->Bits);
  }
}
BENCHMARK(BM_InactiveEffect1920x1080)
    ->DenseRange(ieBrightness, ieInvert)
    ->Unit(benchmark::kMillisecond);

// A caption 300 x 40 with the glow of size 3 blurred behind its text.
void BM_GlowCaption300x40(benchmark::State& state) {
  TBitmap caption;
  caption.SetSize(340, 60);
  TCanvas* c = caption.Canvas();
  c->Font()->SetHeight(16);
  for (auto _ : state) {
    DrawGlowText(c, TRect{20, 10, 320, 50}, "Lumiqa - photo retouching", DT_SINGLELINE | DT_VCENTER | DT_CENTER, 0,
                 0x00FFE0C0, 3);
    benchmark::DoNotOptimize(caption.ScanLine(0));
  }
}
BENCHMARK(BM_GlowCaption300x40)->Unit(benchmark::kMillisecond);

void BM_VistaGlowCaption300x40(benchmark::State& state) {
  TBitmap caption;
  caption.SetSize(340, 70);
  TCanvas* c = caption.Canvas();
  c->Font()->SetHeight(16);
  for (auto _ : state) {
    DrawVistaGlowText(c, TRect{20, 15, 320, 55}, "Lumiqa - photo retouching", DT_SINGLELINE | DT_VCENTER | DT_CENTER,
                      0x00FFE0C0);
    benchmark::DoNotOptimize(caption.ScanLine(0));
  }
}
BENCHMARK(BM_VistaGlowCaption300x40)->Unit(benchmark::kMillisecond);

}  // namespace

// A skin of 1000 controls that all read one section whose rectangle value
// holds 65,000 commas (a 79 KB ini within the caps): each control parses
// only the fields it uses.
void BM_LoadSkinThousandControlsSharingALongValue(benchmark::State& state) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "lumiqa-bench-skin-shared";
  std::filesystem::create_directories(dir);
  std::string ini = "[VERSION]\nskinname=shared\n[PICTURES]\npicture=\n[FORMINFO]\nborderwidth=0\n[SKINOBJECTS]\ncount=0\n[SKINCONTROLS]\ncount=1000\n";
  for (int i = 0; i < 1000; ++i) ini += std::to_string(i) + "=button:button\n";
  ini += "[button]\nskinrect=1,2,3,4" + std::string(65000, ',') + "\n";
  std::ofstream(dir / "Skin.ini") << ini;
  for (auto _ : state) {
    TspSkinData data(nullptr);
    if (!data.LoadFromFile((dir / "Skin.ini").string())) state.SkipWithError(data.LastLoadError.c_str());
    benchmark::DoNotOptimize(data.Empty);
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoadSkinThousandControlsSharingALongValue)->Unit(benchmark::kMillisecond);

// A skin whose 100 cursor slots all name one 720 x 720 8-bit cursor file
// (about 580 KB): the file is decoded once, not once a slot.
void BM_LoadSkinHundredSlotsOfOneLargeCursor(benchmark::State& state) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "lumiqa-bench-skin-cursors";
  std::filesystem::create_directories(dir);
  {
    TBitmap color(720, 720, pf8bit);
    TIcon cursor;
    cursor.SetImage(color, nullptr, true, TPoint{1, 1});
    TFileStream out((dir / "big.cur").string(), fmCreate);
    cursor.SaveToStream(out);
  }
  std::string ini =
      "[VERSION]\nskinname=cursors\n[PICTURES]\npicture=\n[FORMINFO]\nborderwidth=0\n[SKINOBJECTS]\ncount=0\n"
      "[SKINCONTROLS]\ncount=0\n[CURSORS]\nstartcursorindex=1\ncursorscount=100\n";
  for (int i = 0; i < 100; ++i) ini += std::to_string(i) + "=big.cur\n";
  std::ofstream(dir / "Skin.ini") << ini;
  for (auto _ : state) {
    TspSkinData data(nullptr);
    if (!data.LoadFromFile((dir / "Skin.ini").string())) state.SkipWithError(data.LastLoadError.c_str());
    benchmark::DoNotOptimize(data.Empty);
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_LoadSkinHundredSlotsOfOneLargeCursor)->Unit(benchmark::kMillisecond);
