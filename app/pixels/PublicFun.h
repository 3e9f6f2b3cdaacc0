// Colour helpers shared by the retouching steps: the skin-colour model and an
// integer HSV pair (H 0..359, S and V 0..100).
#pragma once
#include "platform/rtl/Types.h"

// Likelihood that a colour is skin, 0 < P <= 1: a Gaussian in the Cb, Cr plane.
double SkinLikelihood(int R, int G, int B);

struct THsv {
  int H = 0, S = 0, V = 0;
  friend bool operator==(const THsv&, const THsv&) = default;
};
struct TRgb {
  Byte R = 0, G = 0, B = 0;
  friend bool operator==(const TRgb&, const TRgb&) = default;
};

THsv RgbToHsv(int R, int G, int B);
// Channels are clamped to 0..255 (a value below 0 gives black, not a wrapped byte).
TRgb HsvToRgb(int H, int S, int V);
