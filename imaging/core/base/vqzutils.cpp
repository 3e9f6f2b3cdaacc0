#include "imaging/core/base/vqzutils.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <numbers>
#include <sstream>

#include "imaging/core/base/vqwords.h"
#include "imaging/core/base/vqzutils_window.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

// ---- bits, bytes and sizes ---------------------------------------------------

int MaskBitWidth(std::uint32_t mask) {
  if (mask == 0) return 0;
  while ((mask & 1u) == 0) mask >>= 1;
  int width = 0;
  while (mask & 1u) {
    ++width;
    mask >>= 1;
  }
  return width;
}

int CeilLog2(std::uint32_t value) {
  if (value == 0) return -1;
  int high = 31;
  while ((value & (1u << high)) == 0) --high;
  return (value & (value - 1)) == 0 ? high : high + 1;
}

Int64 CalcRowLength(Int64 width, int bitCount, int alignment) {
  // Rows are whole bytes, so only a whole number of bytes can align them.
  if (alignment <= 0 || alignment % 8 != 0)
    throw EInvalidOperation("Invalid row alignment " + std::to_string(alignment));
  if (width <= 0 || bitCount <= 0) return 0;
  if (width > (std::numeric_limits<Int64>::max() - alignment) / bitCount)
    throw EIntOverflow("Row length out of range");
  const Int64 bits = width * bitCount;
  return (bits + alignment - 1) / alignment * (alignment / 8);
}

namespace {

struct ReversedBytes {
  Byte Table[256];
  ReversedBytes() {
    for (int i = 0; i < 256; ++i) {
      int r = 0;
      for (int b = 0; b < 8; ++b)
        if (i & (1 << b)) r |= 0x80 >> b;
      Table[i] = static_cast<Byte>(r);
    }
  }
};
const ReversedBytes kReversed;

}  // namespace

void ReverseByteBits(Byte& value) { value = kReversed.Table[value]; }

void ReverseBits32(std::uint32_t& value) {
  const std::uint32_t v = value;
  value = (std::uint32_t{kReversed.Table[v & 0xFF]} << 24) | (std::uint32_t{kReversed.Table[(v >> 8) & 0xFF]} << 16) |
          (std::uint32_t{kReversed.Table[(v >> 16) & 0xFF]} << 8) | kReversed.Table[v >> 24];
}

Int64 ColorCount(int bitsPerSample, int samples) {
  const Int64 bits = Int64{bitsPerSample} * samples;
  if (bits <= 0) return 1;
  if (bits >= 63) return std::numeric_limits<Int64>::max();
  return Int64{1} << bits;
}

// ---- powers ------------------------------------------------------------------

double IntPower(double base, int exponent) {
  Int64 e = exponent < 0 ? -Int64{exponent} : exponent;
  double result = 1.0, square = base;
  while (e > 0) {
    if (e & 1) result *= square;
    square *= square;
    e >>= 1;
  }
  return exponent < 0 ? 1.0 / result : result;
}

double Power(double base, double exponent) {
  if (exponent == 0.0) return 1.0;
  if (base == 0.0 && exponent > 0.0) return 0.0;
  if (std::trunc(exponent) == exponent && std::fabs(exponent) <= 2147483647.0)
    return IntPower(base, static_cast<int>(exponent));
  return std::exp2(exponent * std::log2(base));
}

// ---- geometry -----------------------------------------------------------------

bool RectsIntersect(int ax1, int ay1, int ax2, int ay2, int bx1, int by1, int bx2, int by2) {
  const int axMin = ax1 < ax2 ? ax1 : ax2, axMax = ax1 < ax2 ? ax2 : ax1;
  const int ayMin = ay1 < ay2 ? ay1 : ay2, ayMax = ay1 < ay2 ? ay2 : ay1;
  if (axMax < bx1 || bx2 < axMin) return false;
  if (ayMax < by1 || by2 < ayMin) return false;
  return true;
}

int ClassifyRectInRect(int ox1, int oy1, int ox2, int oy2, int ix1, int iy1, int ix2, int iy2) {
  const bool l = ix1 >= ox1 && ix1 <= ox2;
  const bool r = ix2 >= ox1 && ix2 <= ox2;
  const bool t = iy1 >= oy1 && iy1 <= oy2;
  const bool b = iy2 >= oy1 && iy2 <= oy2;
  if (l && r && t && b) return 2;
  if (((l != r) && (t || b)) || ((l || r) && (t != b))) return 1;
  return 0;
}

double DistanceToSegment(int px, int py, int x1, int y1, int x2, int y2) {
  constexpr double kFar = 1000000.0;
  constexpr double kBound = 45001.0;
  const double dx = double(x2) - x1, dy = double(y2) - y1;
  if (dx == 0 && dy == 0) return std::hypot(double(px) - x1, double(py) - y1);
  const double len2 = dx * dx + dy * dy;
  const double t = ((double(px) - x1) * dx + (double(py) - y1) * dy) / len2;
  auto toPoint = [&](int ex, int ey) {
    const double ax = std::fabs(double(px) - ex), ay = std::fabs(double(py) - ey);
    return (ax < kBound && ay < kBound) ? std::hypot(ax, ay) : kFar;
  };
  if (t > 1) return toPoint(x2, y2);
  if (t < 0) return toPoint(x1, y1);
  const double d = std::fabs(double(px) * (double(y1) - y2) + double(py) * dx + double(x1) * y2 - double(x2) * y1) /
                   std::sqrt(len2);
  return std::isfinite(d) ? d : kFar;
}

void SnapLineEnd(int fixedX, int fixedY, int& endX, int& endY) {
  const int dx = endX - fixedX, dy = endY - fixedY;
  const int e = std::abs(dx), f = std::abs(dy), k = std::abs(e - f);
  if (e + 30 < f) {
    endX = fixedX;
  } else if (f < e - 30) {
    endY = fixedY;
  } else if (dx > 0 && dy > 0) {
    (e >= f ? endY : endX) += k;
  } else if (dx < 0 && dy < 0) {
    (e >= f ? endX : endY) += k;
  } else if (dx < 0 && dy >= 0) {
    if (e >= f)
      endY += k;
    else
      endX -= k;
  } else if (dx >= 0 && dy < 0) {
    if (e >= f)
      endY -= k;
    else
      endX += k;
  }
}

void ScaleToFit(int width, int height, int boxWidth, int boxHeight, int& outWidth, int& outHeight) {
  if (width == 0 || height == 0) return;
  const double sh = double(boxHeight) / height, sw = double(boxWidth) / width;
  const double s = sh < sw ? sh : sw;
  const double w = std::trunc(width * s), h = std::trunc(height * s);
  outWidth = w < 1 ? 1 : static_cast<int>(w);
  outHeight = h < 1 ? 1 : static_cast<int>(h);
}

// ---- files and platform -------------------------------------------------------

bool CreateFolderPath(const std::string& path) {
  if (path.empty()) throw Exception("Cannot Create Directory");
  const std::string dir = ExcludeTrailingPathDelimiter(path);
  if (dir == "/" || DirectoryExists(dir)) return true;
  const std::string parent = ExtractFileDir(dir);
  if (!parent.empty() && parent != dir) CreateFolderPath(parent);
  CreateDir(dir);
  return DirectoryExists(dir);
}

Int64 GetFileSizeByName(const std::string& name) { return FileSize(name); }

// The platform reports Windows 6.1.
bool IsWindows2000OrMe() { return true; }

bool CpuHasMMX() {
#if defined(__x86_64__) || defined(__i386__)
  return __builtin_cpu_supports("mmx");
#else
  return false;
#endif
}

Int64 GetAvailPhys() {
  std::ifstream meminfo("/proc/meminfo");
  std::string line;
  while (std::getline(meminfo, line)) {
    if (line.rfind("MemAvailable:", 0) != 0) continue;
    std::istringstream fields(line.substr(13));
    Int64 kb = 0;
    if (fields >> kb && kb > 0 && kb < (std::numeric_limits<Int64>::max() >> 10)) return kb * 1024;
    return 0;
  }
  return 0;
}

// ---- text and colour ------------------------------------------------------------

double TextToFloatTolerant(std::string_view text, double def) {
  double v;
  if (TryStrToFloat(text, v)) return v;
  std::string alt(text);
  std::size_t at = alt.find(',');
  if (at != std::string::npos) {
    alt[at] = '.';
  } else if ((at = alt.find('.')) != std::string::npos) {
    alt[at] = ',';
  }
  if (TryStrToFloat(alt, v)) return v;
  return def;
}

namespace {

constexpr double kXn = 0.95047, kYn = 1.0, kZn = 1.08883;  // D65 white
constexpr double kDelta = 6.0 / 29.0;

double SrgbToLinear(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double LinearToSrgb(double c) { return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055; }
double LabF(double t) { return t > kDelta * kDelta * kDelta ? std::cbrt(t) : t / (3 * kDelta * kDelta) + 4.0 / 29.0; }
double LabFInv(double t) { return t > kDelta ? t * t * t : 3 * kDelta * kDelta * (t - 4.0 / 29.0); }
int RoundClamp(double v, int lo, int hi) {
  const double r = std::nearbyint(v);
  return r < lo ? lo : r > hi ? hi : static_cast<int>(r);
}

}  // namespace

TCIELab RGBToLab(std::uint32_t color) {
  const double r = SrgbToLinear(((color >> 16) & 0xFF) / 255.0);
  const double g = SrgbToLinear(((color >> 8) & 0xFF) / 255.0);
  const double b = SrgbToLinear((color & 0xFF) / 255.0);
  const double x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
  const double fx = LabF(x / kXn), fy = LabF(y / kYn), fz = LabF(z / kZn);
  TCIELab lab;
  lab.L = static_cast<Byte>(RoundClamp((116 * fy - 16) * 255.0 / 100.0, 0, 255));
  lab.a = static_cast<std::int8_t>(RoundClamp(500 * (fx - fy), -128, 127));
  lab.b = static_cast<std::int8_t>(RoundClamp(200 * (fy - fz), -128, 127));
  return lab;
}

std::uint32_t LabToRGB(TCIELab lab) {
  const double fy = (lab.L * 100.0 / 255.0 + 16) / 116;
  const double fx = fy + lab.a / 500.0, fz = fy - lab.b / 200.0;
  const double x = kXn * LabFInv(fx), y = kYn * LabFInv(fy), z = kZn * LabFInv(fz);
  const double lin[3] = {3.2404542 * x - 1.5371385 * y - 0.4985314 * z,
                         -0.9692660 * x + 1.8760108 * y + 0.0415560 * z,
                         0.0556434 * x - 0.2040259 * y + 1.0572252 * z};
  std::uint32_t out = 0;
  for (double c : lin) {
    c = c < 0 ? 0 : c > 1 ? 1 : c;
    out = (out << 8) | static_cast<std::uint32_t>(RoundClamp(LinearToSrgb(c) * 255, 0, 255));
  }
  return out;
}

// ---- blending and curves ----------------------------------------------------------

void BuildCosineTable() {
  for (int i = 0; i < 256; ++i) CosineTable[i] = static_cast<std::int32_t>(Round(64 - 64 * std::cos(i * std::numbers::pi / 255)));
}

std::vector<TPoint> BezierPoints(TPoint p0, TPoint p1, TPoint p2, TPoint p3, int n) {
  std::vector<TPoint> points;
  if (n < 1) return points;
  points.reserve(static_cast<std::size_t>(n));
  const double step = 1.0 / n;
  double t = 0;
  for (int i = 0; i < n; ++i) {
    t += step;
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * t * u * u, c = 3 * t * t * u, d = t * t * t;
    points.push_back({static_cast<int>(Round(p0.X * a + p1.X * b + p2.X * c + p3.X * d)),
                      static_cast<int>(Round(p0.Y * a + p1.Y * b + p2.Y * c + p3.Y * d))});
  }
  return points;
}

// ---- module start and end -----------------------------------------------------------

namespace {
int utilsStartCount = 0;
}

void VqzUtilsStart() {
  if (++utilsStartCount != 1) return;
  FillWordTable();
  PlaceDialogHook = nullptr;
  DefaultMemoryThreshold = -1;
  BuildCosineTable();
}

void VqzUtilsEnd() {
  if (utilsStartCount == 0 || --utilsStartCount != 0) return;
  // The metadata code's global strings, once it exists, are freed here.
}
