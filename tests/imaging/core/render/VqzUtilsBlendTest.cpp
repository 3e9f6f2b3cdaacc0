#include <gtest/gtest.h>

#include "imaging/core/render/vqzutils_blend.h"

#include <vector>

namespace {

TEST(Blend, EveryChannelOperationOnWorkedValues) {
  const struct {
    int Op, S, D, Want;
  } cases[] = {
      {boCopy, 10, 200, 10},          {boAdd, 100, 200, 255},        {boAdd, 10, 20, 30},
      {boDifference, 10, 200, 190},   {boDivide, 0, 200, 200},       {boDivide, 3, 200, 66},
      {boMultiply, 255, 200, 199},    {boOr, 0x0F, 0xF0, 255},       {boAnd, 0x3C, 0x0F, 12},
      {boXor, 0xFF, 0x0F, 240},       {boLighten, 10, 200, 200},     {boDarken, 10, 200, 10},
      {boAverage, 10, 201, 105},      {boScreen, 0, 200, 201},       {boNegation, 100, 100, 200},
      {boNegation, 200, 200, 110},    {boExclusion, 128, 128, 128},  {boExclusion, 255, 255, 2},
      {boOverlay, 200, 100, 156},     {boOverlay, 100, 200, 189},    {boHardLight, 100, 200, 156},
      {boHardLight, 200, 100, 189},   {boSoftLight, 255, 64, 127},   {boSoftLight, 0, 128, 64},
      {boSoftLight2, 128, 100, 100},  {boColorDodge, 255, 3, 255},   {boColorDodge, 128, 100, 201},
      {boColorDodge, 200, 100, 255},  {boColorBurn, 0, 200, 0},      {boColorBurn, 128, 200, 145},
      {boColorBurn, 10, 100, 0},      {boReverseDodge, 3, 255, 255}, {boReverseDodge, 100, 128, 201},
      {boReverseBurn, 200, 0, 0},     {boReverseBurn, 200, 128, 145}, {boSoftDodge, 100, 100, 82},
      {boSoftDodge, 200, 100, 185},   {boSoftBurn, 100, 100, 82},    {boSoftBurn, 100, 200, 185},
      {boReflect, 200, 100, 181},     {boReflect, 255, 1, 255},      {boGlow, 100, 200, 181},
      {boGlow, 1, 255, 255},          {boFreeze, 0, 200, 0},         {boFreeze, 100, 200, 225},
      {boHeat, 200, 0, 0},            {boHeat, 200, 100, 225},       {boLinearBurn, 200, 100, 44},
      {boLinearBurn, 100, 100, 0},    {boInterpolate, 255, 255, 255}, {boInterpolate, 0, 255, 128},
      {boInterpolate, 0, 0, 0},       {boStamp, 100, 100, 44},       {boStamp, 200, 200, 255},
      {38, 1, 77, 77},                {255, 1, 77, 77},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BlendChannel(c.Op, c.S, c.D), c.Want) << "op " << c.Op << " s " << c.S << " d " << c.D;
    if (BlendIsPerChannel(c.Op)) EXPECT_EQ(BlendTable(c.Op)[c.S * 256 + c.D], c.Want) << "table of op " << c.Op;
  }
}

// Pixels are blue, green, red.
TEST(Blend, PixelOperations) {
  const struct {
    int Op;
    std::vector<Byte> S, D, Want;
  } cases[] = {
      {boRedOnly, {1, 2, 3}, {10, 20, 30}, {10, 20, 3}},
      {boGreenOnly, {1, 2, 3}, {10, 20, 30}, {10, 2, 30}},
      {boBlueOnly, {1, 2, 3}, {10, 20, 30}, {1, 20, 30}},
      {boHue, {255, 0, 0}, {0, 0, 255}, {255, 0, 0}},            // blue's hue on red
      {boSaturation, {90, 90, 90}, {0, 0, 255}, {128, 128, 128}},  // no saturation, lightness 0.5
      {boColor, {0, 255, 0}, {64, 64, 64}, {0, 128, 0}},           // green at lightness 64/255
      // red's hue and lightness 0.5 with the saturation 0.50394 of (192, 64, 64)
      {boHueLightness, {0, 0, 255}, {64, 64, 192}, {63, 63, 192}},
      {boMultiply, {255, 0, 128}, {200, 200, 200}, {199, 0, 100}},
      {38, {1, 2, 3}, {10, 20, 30}, {10, 20, 30}},
  };
  for (const auto& c : cases) {
    std::vector<Byte> d = c.D;
    BlendPixel(c.Op, c.S.data(), d.data());
    EXPECT_EQ(d, c.Want) << "op " << c.Op;
  }
}

}  // namespace
