// The imaging library's cursors: numbers 1778 to 1810 by their resource
// names, each a 32 x 32 picture of our own drawn once per process and
// registered with the screen whenever a view is made.
#include <cmath>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/view/pictoraview.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"

namespace {

constexpr int kPvcSize = 32;

// A picture in three values: 0 clear, 1 black, 2 white.
struct TPvcPicture {
  std::vector<Byte> px = std::vector<Byte>(kPvcSize * kPvcSize, 0);
  int hotX = 16, hotY = 16;

  void Put(int x, int y, Byte v) {
    if (x >= 0 && y >= 0 && x < kPvcSize && y < kPvcSize) px[std::size_t(y * kPvcSize + x)] = v;
  }
  // A black line with a white rim, so it shows on any picture.
  void Line(int x0, int y0, int x1, int y1) {
    for (int pass = 0; pass < 2; ++pass) {
      const int n = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
      for (int i = 0; i <= n; ++i) {
        const int x = n ? x0 + (x1 - x0) * i / n : x0, y = n ? y0 + (y1 - y0) * i / n : y0;
        if (pass == 0) {
          for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
              if (px[std::size_t(std::clamp(y + dy, 0, kPvcSize - 1) * kPvcSize + std::clamp(x + dx, 0, kPvcSize - 1))] !=
                  1)
                Put(x + dx, y + dy, 2);
        } else {
          Put(x, y, 1);
        }
      }
    }
  }
  void Circle(int cx, int cy, int r) {
    const int steps = 8 * r;
    int px0 = cx + r, py0 = cy;
    for (int i = 1; i <= steps; ++i) {
      const double t = 6.283185307179586 * i / steps;
      const int x = cx + int(std::lround(r * std::cos(t))), y = cy + int(std::lround(r * std::sin(t)));
      Line(px0, py0, x, y);
      px0 = x, py0 = y;
    }
  }
  void Cross(int cx, int cy, int arm) {
    Line(cx - arm, cy, cx - 2, cy);
    Line(cx + 2, cy, cx + arm, cy);
    Line(cx, cy - arm, cx, cy - 2);
    Line(cx, cy + 2, cx, cy + arm);
  }
  void Arrow(int x0, int y0, int x1, int y1) {
    Line(x0, y0, x1, y1);
    const int dx = x1 > x0 ? 1 : x1 < x0 ? -1 : 0, dy = y1 > y0 ? 1 : y1 < y0 ? -1 : 0;
    // Heads at both ends.
    for (int s : {1, -1}) {
      const int ex = s > 0 ? x1 : x0, ey = s > 0 ? y1 : y0, ux = s * dx, uy = s * dy;
      if (ux && uy) {
        Line(ex, ey, ex - 4 * ux, ey);
        Line(ex, ey, ex, ey - 4 * uy);
      } else {
        Line(ex, ey, ex - 4 * ux - 4 * uy, ey - 4 * uy - 4 * ux);
        Line(ex, ey, ex - 4 * ux + 4 * uy, ey - 4 * uy + 4 * ux);
      }
    }
  }
};

TPvcPicture PvcDraw(const std::string& name) {
  TPvcPicture p;
  auto magnifier = [&p](bool plus) {
    p.Circle(12, 12, 8);
    p.Line(18, 18, 28, 28);
    p.Line(8, 12, 16, 12);
    if (plus) p.Line(12, 8, 12, 16);
    p.hotX = p.hotY = 12;
  };
  if (name == "ZOOMMENO") magnifier(false);
  else if (name == "ZOOMPIU") magnifier(true);
  else if (name == "GOMMA") {
    p.Line(8, 10, 24, 10), p.Line(24, 10, 24, 22), p.Line(24, 22, 8, 22), p.Line(8, 22, 8, 10);
    p.hotX = 8, p.hotY = 22;
  } else if (name == "MANO") {
    p.Circle(16, 18, 8);
    for (int f = 0; f < 4; ++f) p.Line(10 + 4 * f, 4 + (f == 0 || f == 3 ? 4 : 0), 10 + 4 * f, 12);
  } else if (name == "PENNA") {
    p.Line(4, 28, 26, 6);
    p.Line(8, 28, 28, 8);
    p.hotX = 3, p.hotY = 28;
  } else if (name == "MOVE2") p.Arrow(6, 6, 26, 26);
  else if (name == "MOVEY") p.Arrow(16, 4, 16, 28);
  else if (name == "MOVE1") p.Arrow(26, 6, 6, 26);
  else if (name == "MOVEX") p.Arrow(4, 16, 28, 16);
  else if (name == "MOVE") p.Arrow(4, 16, 28, 16), p.Arrow(16, 4, 16, 28);
  else if (name.rfind("CROCE", 0) == 0) {
    const bool wide = name.rfind("CROCE3", 0) == 0 || name == "CROCE";
    p.Cross(16, 16, wide ? 12 : 8);
    if (name.back() == '+') p.Line(24, 26, 30, 26), p.Line(27, 23, 27, 29);
    if (name.back() == '-') p.Line(24, 26, 30, 26);
  } else {
    p.Cross(16, 16, 6);
    p.Put(16, 16, 1);
  }
  return p;
}

HCURSOR PvcMake(const TPvcPicture& p) {
  constexpr int rowBytes = (kPvcSize + 15) / 16 * 2;
  std::vector<Byte> andPlane(std::size_t(rowBytes * kPvcSize), 0xFF), xorPlane(std::size_t(rowBytes * kPvcSize), 0);
  for (int y = 0; y < kPvcSize; ++y)
    for (int x = 0; x < kPvcSize; ++x) {
      const Byte v = p.px[std::size_t(y * kPvcSize + x)];
      if (v == 0) continue;
      const std::size_t i = std::size_t(y * rowBytes + x / 8);
      const Byte bit = Byte(0x80 >> (x % 8));
      andPlane[i] &= Byte(~bit);
      if (v == 2) xorPlane[i] |= bit;
    }
  return CreateCursor(nullptr, p.hotX, p.hotY, kPvcSize, kPvcSize, andPlane.data(), xorPlane.data());
}

}  // namespace

std::string VQCursorName(TCursor cursor) {
  static const char* const kFirst[] = {"ZOOMMENO", "ZOOMPIU", "CROCE",   "GOMMA",  "MANO",    "PENNA",
                                       "CROCE1",   "CROCE3",  "MOVE2",   "MOVEY",  "MOVE1",   "MOVEX",
                                       "MOVE",     "CROCE3+", "CROCE3-", "CROCE2", "CROCE2+", "CROCE2-"};
  if (cursor >= 1778 && cursor <= 1795) return kFirst[cursor - 1778];
  if (cursor == 1796) return "CROCE2-";
  if (cursor >= 1797 && cursor <= 1805) return std::to_string(cursor - 2);
  if (cursor == 1806) return "1803";
  if (cursor >= 1807 && cursor <= 1810) return std::to_string(cursor - 2);
  return "";
}

void RegisterVQCursors() {
  // Drawn once; handles stay for the process, as loaded resources do.
  static std::mutex lock;
  static std::map<std::string, HCURSOR>* handles = new std::map<std::string, HCURSOR>;
  std::lock_guard<std::mutex> guard(lock);
  for (TCursor c = 1778; c <= 1810; ++c) {
    const std::string name = VQCursorName(c);
    HCURSOR& h = (*handles)[name];
    if (!h) h = PvcMake(PvcDraw(name));
    if (Screen && h) Screen->SetCursors(c, h);
  }
}
