// One resampling or blending operation of the imaging core per process, for
// whole-process comparisons with other programs (reading and writing the
// PPM files included, as theirs are):
//   vqresize make OUT.ppm [W H]                 a photo-like picture (6000 x 4000)
//   vqresize FILTER IN.ppm W H OUT.ppm          FILTER: nearest triangle hermite bell
//                                               bspline lanczos mitchell linear
//                                               fastlinear bilinear bicubic
//   vqresize blend OP IN1.ppm IN2.ppm OUT.ppm   IN1 laid over IN2 (OP: a number, 0 copy)
//                                               at opacity 128
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/tools/VQPpmFile.h"
#include "imaging/core/processing/pictoraproc_resample.h"
#include "imaging/core/render/vqzutils_render.h"

namespace {

bool FilterNamed(const std::string& name, TResampleFilter& f) {
  static const struct {
    const char* Name;
    TResampleFilter Filter;
  } names[] = {{"nearest", rfNone},         {"triangle", rfTriangle}, {"hermite", rfHermite},
               {"bell", rfBell},            {"bspline", rfBSpline},   {"lanczos", rfLanczos3},
               {"mitchell", rfMitchell},    {"linear", rfLinear},     {"fastlinear", rfFastLinear},
               {"bilinear", rfBilinear},    {"bicubic", rfBicubic}};
  for (const auto& n : names)
    if (name == n.Name) {
      f = n.Filter;
      return true;
    }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: vqresize make OUT [W H] | FILTER IN W H OUT | blend OP IN1 IN2 OUT\n");
    return 2;
  }
  const std::string op = argv[1];
  if (op == "make") return WritePhotoPPM(argv[2], argc > 4 ? std::atoi(argv[3]) : 6000, argc > 4 ? std::atoi(argv[4]) : 4000);
  try {
    if (op == "blend") {
      if (argc < 6) return 2;
      auto top = ReadPPM(argv[3]);
      auto under = ReadPPM(argv[4]);
      if (!top || !under) return 1;
      std::vector<Byte*> rows;
      std::vector<int> xt, yt;
      top->RenderToTVQBitmap(under.get(), rows, xt, yt, nullptr, 0, 0, under->GetWidth(), under->GetHeight(), 0, 0,
                             top->GetWidth(), top->GetHeight(), false, false, 128, rfNone, true,
                             static_cast<TVQBlendOperation>(std::atoi(argv[2])));
      return WritePPM(*under, argv[5]) ? 0 : 1;
    }
    TResampleFilter filter;
    if (argc < 6 || !FilterNamed(op, filter)) return 2;
    auto src = ReadPPM(argv[2]);
    const int w = std::atoi(argv[3]), h = std::atoi(argv[4]);
    if (!src || w <= 0 || h <= 0 || w > 100000 || h > 100000) return 1;
    auto dst = NewMemoryBitmap();
    dst->Allocate(w, h, vqRGB24);
    ResampleBitmap(src.get(), dst.get(), filter);
    return WritePPM(*dst, argv[5]) ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vqresize: %s\n", e.what());
    return 1;
  }
}
