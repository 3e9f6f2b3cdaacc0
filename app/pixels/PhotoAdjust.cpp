#include "app/pixels/PhotoAdjust.h"

std::array<Byte, 256> ChannelCurve(Byte mean, Byte target) {
  const double m = mean, d = double(target) - double(mean);
  double lo2 = 0, lo1 = 0, up2 = 0, up1 = 0, up0 = 0;
  if (mean > 0) {
    lo2 = -d / (m * m);
    lo1 = -2 * m * lo2;
  }
  if (mean < 255) {
    up2 = d / (510 * m - 65025 - m * m);
    up1 = -2 * m * up2;
    up0 = up2 * (510 * m - 65025);
  }
  std::array<Byte, 256> curve{};
  for (int x = 0; x < 256; ++x) {
    double xx = x;
    int v = x;
    if (mean > 0 && x <= mean)
      v = x + RoundEven(lo2 * (xx * xx) + lo1 * xx);
    else if (mean < 255)
      v = x + RoundEven(up2 * (xx * xx) + up1 * xx + up0);
    curve[std::size_t(x)] = ClampByte(v);
  }
  return curve;
}

void ChannelCurveAdjust(const RowImage& bitmap, const std::array<Byte, 3>& means,
                        const std::array<Byte, 3>& targets) {
  // Rows hold blue, green, red: byte c of a pixel is channel 2 - c of the arguments.
  std::array<Byte, 256> curves[3];
  for (int c = 0; c < 3; ++c)
    curves[c] = ChannelCurve(means[std::size_t(2 - c)], targets[std::size_t(2 - c)]);
  MapChannels(bitmap, curves);
}

void ChannelCurveAdjust(TBitmap* bitmap, const std::array<Byte, 3>& means, const std::array<Byte, 3>& targets) {
  ChannelCurveAdjust(BitmapRows(bitmap), means, targets);
}
