#include "tests/support/ScreenPng.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <X11/Xlib.h>
#define Region XlibRegion
#include <X11/Xutil.h>
#undef Region

bool SaveScreenPng(Display* dpy, const std::string& path) {
  if (!dpy) return false;
  Window root = DefaultRootWindow(dpy);
  XWindowAttributes wa;
  if (!XGetWindowAttributes(dpy, root, &wa)) return false;
  XImage* img = XGetImage(dpy, root, 0, 0, unsigned(wa.width), unsigned(wa.height), AllPlanes, ZPixmap);
  if (!img) return false;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    XDestroyImage(img);
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  std::vector<png_byte> row(std::size_t(wa.width) * 3);
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, f);
    png_set_IHDR(png, info, png_uint_32(wa.width), png_uint_32(wa.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < wa.height; ++y) {
      for (int x = 0; x < wa.width; ++x) {
        unsigned long p = XGetPixel(img, x, y);
        row[std::size_t(x) * 3] = png_byte(p >> 16);
        row[std::size_t(x) * 3 + 1] = png_byte(p >> 8);
        row[std::size_t(x) * 3 + 2] = png_byte(p);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  XDestroyImage(img);
  return ok;
}

void MaybeSaveScreenshot(Display* dpy, const std::string& name) {
  const char* dir = std::getenv("LUMIQA_SCREENSHOTS");
  if (!dir || !*dir) return;
  SaveScreenPng(dpy, std::string(dir) + "/" + name + ".png");
}
