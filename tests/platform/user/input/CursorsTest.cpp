#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/platform/user/WindowTestSupport.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"

namespace {

struct TDrawTarget {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  TDrawTarget(int w, int h, COLORREF fill) {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bmi;
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -h;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bmp = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bmp);
    HBRUSH b = CreateSolidBrush(fill);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  ~TDrawTarget() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

GdiIcon* Obj(HCURSOR c) { return GdiIconFromHandle(c); }

TEST_F(WindowTest, SystemCursorsAreSharedIconObjectsWithTheirHotSpots) {
  struct TCase {
    int id;
    POINT hot;
  };
  const TCase cases[] = {{IDC_ARROW, {0, 0}},     {IDC_IBEAM, {16, 16}},  {IDC_WAIT, {16, 16}},
                         {IDC_CROSS, {16, 16}},   {IDC_UPARROW, {16, 0}}, {IDC_SIZENWSE, {16, 16}},
                         {IDC_SIZEWE, {16, 16}},  {IDC_HAND, {6, 0}},     {IDC_HELP, {0, 0}}};
  for (const TCase& tc : cases) {
    SCOPED_TRACE(tc.id);
    HCURSOR c = LoadCursor(nullptr, MAKEINTRESOURCE(tc.id));
    ASSERT_NE(Obj(c), nullptr);
    EXPECT_EQ(LoadCursor(nullptr, MAKEINTRESOURCE(tc.id)), c);
    EXPECT_EQ(Obj(c)->systemId, tc.id);
    EXPECT_FALSE(Obj(c)->isIcon);
    EXPECT_EQ(Obj(c)->width, 32);
    EXPECT_EQ(Obj(c)->height, 32);
    ICONINFO ii;
    ASSERT_TRUE(GetIconInfo(c, &ii));
    EXPECT_EQ(ii.fIcon, FALSE);
    EXPECT_EQ(ii.xHotspot, DWORD(tc.hot.X));
    EXPECT_EQ(ii.yHotspot, DWORD(tc.hot.Y));
    DeleteObject(ii.hbmMask);
    if (ii.hbmColor) DeleteObject(ii.hbmColor);
    // Shared: destroying leaves it usable.
    EXPECT_TRUE(DestroyCursor(c));
    EXPECT_NE(Obj(c), nullptr);
  }
  EXPECT_EQ(LoadCursor(nullptr, MAKEINTRESOURCE(12345)), nullptr);
  EXPECT_EQ(LoadCursor(reinterpret_cast<HINSTANCE>(1), MAKEINTRESOURCE(IDC_ARROW)), nullptr);
}

TEST_F(WindowTest, CreateCursorDrawsItsPlanesByTheScreenRule) {
  // Four pixels in one row: AND bits 0 0 1 1, XOR bits 0 1 0 1.
  const Byte andPlane[2] = {0x30, 0x00};
  const Byte xorPlane[2] = {0x50, 0x00};
  HCURSOR c = CreateCursor(nullptr, 2, 0, 4, 1, andPlane, xorPlane);
  ASSERT_NE(Obj(c), nullptr);
  ICONINFO ii;
  ASSERT_TRUE(GetIconInfo(c, &ii));
  EXPECT_EQ(ii.fIcon, FALSE);
  EXPECT_EQ(ii.xHotspot, 2u);
  EXPECT_EQ(ii.hbmColor, nullptr);  // monochrome
  DeleteObject(ii.hbmMask);
  const COLORREF screen = RGB(10, 200, 60);
  TDrawTarget t(4, 1, screen);
  ASSERT_TRUE(DrawIconEx(t.dc, 0, 0, c, 0, 0, 0, nullptr, DI_NORMAL));
  const COLORREF expected[4] = {RGB(0, 0, 0), RGB(255, 255, 255), screen, RGB(245, 55, 195)};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(GetPixel(t.dc, x, 0), expected[x]) << x;

  HCURSOR copy = CopyCursor(c);
  ASSERT_NE(Obj(copy), nullptr);
  EXPECT_NE(copy, c);
  EXPECT_EQ(Obj(copy)->hotSpot.X, 2);
  EXPECT_TRUE(DestroyCursor(c));
  EXPECT_FALSE(DestroyCursor(c));
  EXPECT_TRUE(DestroyCursor(copy));
  EXPECT_EQ(CreateCursor(nullptr, 0, 0, 0, 1, andPlane, xorPlane), nullptr);
  EXPECT_EQ(CreateCursor(nullptr, 0, 0, 4, 1, nullptr, xorPlane), nullptr);
}

TEST_F(WindowTest, SetCursorReturnsThePreviousAndShowCursorCounts) {
  HCURSOR arrow = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  HCURSOR wait = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_WAIT));
  HCURSOR before = SetCursor(arrow);
  EXPECT_EQ(SetCursor(wait), arrow);
  EXPECT_EQ(GetCursor(), wait);
  EXPECT_EQ(SetCursor(nullptr), wait);
  EXPECT_EQ(GetCursor(), nullptr);
  SetCursor(before);
  const int start = ShowCursor(TRUE) - 1;
  EXPECT_EQ(ShowCursor(FALSE), start);
  EXPECT_EQ(ShowCursor(FALSE), start - 1);
  EXPECT_EQ(ShowCursor(TRUE), start);
}

TEST_F(WindowTest, ClipCursorClampsInjectedPointerPositions) {
  RECT all;
  ASSERT_TRUE(GetClipCursor(&all));
  EXPECT_EQ(all, Bounds(0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)));
  InputMouseMove(Point(50, 50));
  RECT r{100, 100, 200, 150};
  ASSERT_TRUE(ClipCursor(&r));
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p, Point(100, 100));  // moved inside at once
  struct TCase {
    POINT in, out;
  };
  const TCase cases[] = {{{150, 120}, {150, 120}}, {{0, 0}, {100, 100}},     {{500, 500}, {199, 149}},
                         {{150, 10}, {150, 100}},  {{-40, 130}, {100, 130}}, {{200, 150}, {199, 149}}};
  for (const TCase& tc : cases) {
    InputMouseMove(tc.in);
    GetCursorPos(&p);
    EXPECT_EQ(p, tc.out) << tc.in.X << "," << tc.in.Y;
  }
  SetCursorPos(0, 0);
  GetCursorPos(&p);
  EXPECT_EQ(p, Point(100, 100));
  RECT got;
  GetClipCursor(&got);
  EXPECT_EQ(got, r);
  // Clipped to the screen; a rectangle off it is refused.
  RECT big{-100, 500, 5000, 5000};
  ASSERT_TRUE(ClipCursor(&big));
  GetClipCursor(&got);
  EXPECT_EQ(got.Left, 0);
  EXPECT_EQ(got.Top, 500);
  EXPECT_EQ(got.Right, all.Right);
  RECT off{-100, -100, -10, -10};
  EXPECT_FALSE(ClipCursor(&off));
  ClipCursor(nullptr);
  InputMouseMove(Point(5, 6));
  GetCursorPos(&p);
  EXPECT_EQ(p, Point(5, 6));
  Pump();
}

TEST_F(WindowTest, StockIconsAreSharedAndDrawnPlainly) {
  struct TCase {
    int id;
    POINT at;
    COLORREF color;
  };
  const COLORREF back = RGB(0, 255, 0);
  const TCase cases[] = {
      {IDI_ERROR, {16, 3}, RGB(192, 0, 0)},          {IDI_ERROR, {16, 16}, RGB(255, 255, 255)},
      {IDI_INFORMATION, {16, 3}, RGB(0, 80, 192)},   {IDI_INFORMATION, {16, 20}, RGB(255, 255, 255)},
      {IDI_WARNING, {16, 27}, RGB(240, 192, 0)},     {IDI_WARNING, {15, 15}, RGB(0, 0, 0)},
      {IDI_QUESTION, {16, 8}, RGB(255, 255, 255)},   {IDI_APPLICATION, {16, 7}, RGB(0, 0, 128)},
      {IDI_APPLICATION, {16, 20}, RGB(255, 255, 255)}, {IDI_APPLICATION, {0, 0}, back},
      {IDI_ERROR, {0, 0}, back},                      {IDI_WARNING, {2, 4}, back},
  };
  for (const TCase& tc : cases) {
    SCOPED_TRACE(tc.id);
    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(tc.id));
    ASSERT_NE(Obj(icon), nullptr);
    EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(tc.id)), icon);
    EXPECT_TRUE(Obj(icon)->isIcon);
    TDrawTarget t(32, 32, back);
    ASSERT_TRUE(DrawIcon(t.dc, 0, 0, icon));
    EXPECT_EQ(GetPixel(t.dc, tc.at.X, tc.at.Y), tc.color) << tc.at.X << "," << tc.at.Y;
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_NE(Obj(icon), nullptr);
  }
  EXPECT_NE(LoadIcon(nullptr, MAKEINTRESOURCE(IDI_ERROR)), LoadIcon(nullptr, MAKEINTRESOURCE(IDI_WARNING)));
  EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(IDI_WINLOGO)), LoadIcon(nullptr, MAKEINTRESOURCE(IDI_APPLICATION)));
  EXPECT_EQ(LoadIcon(nullptr, MAKEINTRESOURCE(IDC_SIZEALL)), nullptr);
}

// A one-image 8 x 8 cursor file with 1-bit colour: a black 4 x 4 square
// top-left, the rest transparent, hot spot (3, 5).
std::vector<Byte> CursorFile() {
  std::vector<Byte> f;
  auto u16 = [&](unsigned v) {
    f.push_back(Byte(v));
    f.push_back(Byte(v >> 8));
  };
  auto u32 = [&](unsigned v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const unsigned imageSize = 40 + 8 + 8 * 4 + 8 * 4;
  u16(0), u16(2), u16(1);                          // reserved, cursor, one image
  f.push_back(8), f.push_back(8), f.push_back(0), f.push_back(0);
  u16(3), u16(5), u32(imageSize), u32(22);         // hot spot, size, offset
  u32(40), u32(8), u32(16), u16(1), u16(1);        // header: 8 x (2 * 8), 1 bit
  u32(0), u32(0), u32(0), u32(0), u32(0), u32(0);
  u32(0x000000), u32(0xFFFFFF);                    // palette
  for (int y = 0; y < 8; ++y) u32(0);              // XOR rows: all black
  for (int y = 7; y >= 0; --y) u32(y < 4 ? 0x0F : 0xFF);  // AND rows, bottom-up
  return f;
}

TEST_F(WindowTest, LoadCursorFromFileKeepsTheFilesHotSpot) {
  const std::string dir = std::filesystem::temp_directory_path().string();
  const std::string path = dir + "/lumiqa_cursor_" + std::to_string(getpid()) + ".cur";
  const std::vector<Byte> bytes = CursorFile();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  HCURSOR c = LoadCursorFromFile(path);
  ASSERT_NE(Obj(c), nullptr);
  EXPECT_FALSE(Obj(c)->isIcon);
  EXPECT_EQ(Obj(c)->hotSpot, Point(3, 5));
  TDrawTarget t(8, 8, RGB(0, 0, 255));
  DrawIconEx(t.dc, 0, 0, c, 0, 0, 0, nullptr, DI_NORMAL);
  EXPECT_EQ(GetPixel(t.dc, 1, 1), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(t.dc, 6, 6), RGB(0, 0, 255));
  EXPECT_TRUE(DestroyCursor(c));
  EXPECT_EQ(Obj(c), nullptr);
  // Damaged and missing files give nullptr.
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), 30);
  EXPECT_EQ(LoadCursorFromFile(path), nullptr);
  std::remove(path.c_str());
  EXPECT_EQ(LoadCursorFromFile(path), nullptr);
  EXPECT_EQ(LoadCursorFromFile(static_cast<const char*>(nullptr)), nullptr);
}

TEST_F(WindowTest, SetIconKeepsBigAndSmallIconsApart) {
  HWND w = Make("w", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
  HICON big = LoadIcon(nullptr, MAKEINTRESOURCE(IDI_APPLICATION));
  HICON small = LoadIcon(nullptr, MAKEINTRESOURCE(IDI_INFORMATION));
  auto get = [&](WPARAM kind) { return reinterpret_cast<HICON>(SendMessage(w, WM_GETICON, kind, 0)); };
  EXPECT_EQ(get(ICON_BIG), nullptr);
  EXPECT_EQ(SendMessage(w, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big)), 0);
  EXPECT_EQ(get(ICON_BIG), big);
  EXPECT_EQ(get(ICON_SMALL), nullptr);
  EXPECT_EQ(get(ICON_SMALL2), big);  // falls back to the big one
  EXPECT_EQ(SendMessage(w, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small)), 0);
  EXPECT_EQ(get(ICON_SMALL), small);
  EXPECT_EQ(get(ICON_SMALL2), small);
  EXPECT_EQ(SendMessage(w, WM_SETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(big));
  EXPECT_EQ(get(ICON_BIG), nullptr);
}

}  // namespace
