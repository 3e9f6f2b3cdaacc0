#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

TEST(StockObjects, HaveTheirTypesAndSurviveDeletion) {
  struct Case {
    int index;
    DWORD type;
  };
  const Case cases[] = {{WHITE_BRUSH, OBJ_BRUSH}, {LTGRAY_BRUSH, OBJ_BRUSH}, {GRAY_BRUSH, OBJ_BRUSH},
                        {DKGRAY_BRUSH, OBJ_BRUSH}, {BLACK_BRUSH, OBJ_BRUSH}, {NULL_BRUSH, OBJ_BRUSH},
                        {WHITE_PEN, OBJ_PEN},      {BLACK_PEN, OBJ_PEN},     {NULL_PEN, OBJ_PEN},
                        {DEFAULT_GUI_FONT, OBJ_FONT}, {SYSTEM_FONT, OBJ_FONT}, {DEFAULT_PALETTE, OBJ_PAL}};
  for (const Case& k : cases) {
    HGDIOBJ o = GetStockObject(k.index);
    ASSERT_NE(o, nullptr) << k.index;
    EXPECT_EQ(GetObjectType(o), k.type) << k.index;
    EXPECT_TRUE(DeleteObject(o));
    EXPECT_EQ(GetObjectType(o), k.type) << k.index;
  }
  EXPECT_EQ(GetStockObject(9), nullptr);
  EXPECT_EQ(GetStockObject(-1), nullptr);
  LOGBRUSH lb;
  ASSERT_EQ(GetObject(GetStockObject(LTGRAY_BRUSH), sizeof lb, &lb), int(sizeof lb));
  EXPECT_EQ(lb.lbColor, RGB(192, 192, 192));
}

TEST(SelectObject, ReturnsThePreviousObjectOfTheSameKind) {
  TestCanvas c(2, 2);
  HPEN pen = CreatePen(PS_DASH, 1, RGB(1, 2, 3));
  HGDIOBJ old = SelectObject(c.dc, pen);
  EXPECT_EQ(old, GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), pen);
  EXPECT_EQ(SelectObject(c.dc, old), pen);
  LOGPEN lp;
  ASSERT_EQ(GetObject(pen, sizeof lp, &lp), int(sizeof lp));
  EXPECT_EQ(lp.lopnStyle, UINT(PS_DASH));
  EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
  DeleteObject(pen);
}

TEST(DeleteObject, SelectedPenIsFreedWhenReleased) {
  TestCanvas c(2, 2);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HGDIOBJ old = SelectObject(c.dc, pen);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN));  // still in use
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 1, 0);
  EXPECT_EQ(c.At(0, 0), RGB(255, 0, 0));
  SelectObject(c.dc, old);
  EXPECT_EQ(GetObjectType(pen), 0u);  // gone now
  EXPECT_FALSE(DeleteObject(pen));
}

TEST(DeleteObject, SelectedBitmapCannotBeDeleted) {
  TestCanvas c(2, 2);
  EXPECT_FALSE(DeleteObject(c.bmp));
  EXPECT_EQ(GetObjectType(c.bmp), DWORD(OBJ_BITMAP));
}

TEST(SelectObject, BitmapGoesIntoOneMemoryDCAtATime) {
  TestCanvas c(2, 2);
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, c.bmp), nullptr);
  HBITMAP b = CreateCompatibleBitmap(c.dc, 3, 3);
  BITMAP bm;
  GetObject(b, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_NE(SelectObject(other, b), nullptr);
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteObject(b));  // released by DeleteDC
}

TEST(SelectObject, InvalidHandlesFail) {
  int junk[4] = {};
  TestCanvas c(2, 2);
  EXPECT_EQ(SelectObject(c.dc, reinterpret_cast<HGDIOBJ>(junk)), nullptr);
  EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(junk), GetStockObject(BLACK_PEN)), nullptr);
  EXPECT_EQ(GetObjectType(junk), 0u);
  EXPECT_EQ(GetObject(reinterpret_cast<HGDIOBJ>(junk), 0, nullptr), 0);
  EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(junk)));
  EXPECT_FALSE(DeleteObject(nullptr));
  EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(junk), 0, 0), CLR_INVALID);
  HDC gone = CreateCompatibleDC(nullptr);
  DeleteDC(gone);
  EXPECT_EQ(SetBkColor(gone, 0), CLR_INVALID);
}

TEST(SaveDC, RestoresAttributesObjectsOriginsAndClip) {
  TestCanvas c(8, 8);
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  int level = SaveDC(c.dc);
  EXPECT_EQ(level, 1);
  SelectObject(c.dc, red);
  SetViewportOrgEx(c.dc, 3, 3, nullptr);
  SetBkMode(c.dc, TRANSPARENT);
  SetROP2(c.dc, R2_XORPEN);
  IntersectClipRect(c.dc, 0, 0, 1, 1);
  EXPECT_EQ(SaveDC(c.dc), 2);
  SetTextColor(c.dc, RGB(9, 9, 9));
  EXPECT_TRUE(RestoreDC(c.dc, -1));
  EXPECT_EQ(GetTextColor(c.dc), RGB(0, 0, 0));
  EXPECT_EQ(GetROP2(c.dc), R2_XORPEN);
  EXPECT_TRUE(RestoreDC(c.dc, level));
  EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  POINT org;
  GetViewportOrgEx(c.dc, &org);
  EXPECT_EQ(org, Point(0, 0));
  EXPECT_EQ(GetBkMode(c.dc), OPAQUE);
  EXPECT_EQ(GetROP2(c.dc), R2_COPYPEN);
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), SIMPLEREGION);
  EXPECT_EQ(box, Rect(0, 0, 8, 8));
  EXPECT_FALSE(RestoreDC(c.dc, 1));  // nothing saved any more
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_EQ(GetObjectType(red), 0u);
}

TEST(Origins, WindowAndViewportOriginsCombine) {
  TestCanvas c(6, 6);
  SetWindowOrgEx(c.dc, 10, 10, nullptr);
  SetViewportOrgEx(c.dc, 1, 2, nullptr);
  OffsetViewportOrgEx(c.dc, 1, 0, nullptr);
  SetPixel(c.dc, 10, 10, RGB(0, 0, 0));
  EXPECT_EQ(c.At(2, 2), RGB(0, 0, 0));
  POINT p{10, 10};
  LPtoDP(c.dc, &p, 1);
  EXPECT_EQ(p, Point(2, 2));
  DPtoLP(c.dc, &p, 1);
  EXPECT_EQ(p, Point(10, 10));
  RECT box;
  GetClipBox(c.dc, &box);
  EXPECT_EQ(box, Rect(8, 8, 14, 14));
}

TEST(SurfaceDC, DrawsAtItsOriginInsideTheVisibleRegion) {
  std::vector<std::uint32_t> pixels(8 * 4, 0x00FFFFFF);
  Surface s;
  s.top = reinterpret_cast<Byte*>(pixels.data());
  s.pitch = 8 * 4;
  s.width = 8;
  s.height = 4;
  Region visible(RECT{2, 0, 5, 4});
  HDC dc = CreateSurfaceDC(s, Point(3, 1), &visible);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_DC));
  RECT r{0, 0, 10, 10};
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  std::string got;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) got += (pixels[size_t(y * 8 + x)] & 0xFFFFFF) ? '.' : '#';
    got += '\n';
  }
  // Everything from device (0,0) = surface (3,1) on, inside columns 2..4.
  EXPECT_EQ(got, Rows({"........", "...##...", "...##...", "...##..."}));
  RECT box;
  GetClipBox(dc, &box);
  EXPECT_EQ(box, Rect(-1, -1, 2, 3));
  HBITMAP b = CreateCompatibleBitmap(dc, 1, 1);
  EXPECT_EQ(SelectObject(dc, b), nullptr);  // not a memory DC
  DeleteObject(b);
  DeleteDC(dc);
  Surface bad;
  EXPECT_EQ(CreateSurfaceDC(bad, Point(0, 0), nullptr), nullptr);
}

TEST(GdiFillSolidRect, IgnoresRopButHonoursViewportAndClip) {
  TestCanvas c(5, 3);
  SetROP2(c.dc, R2_NOT);
  SetViewportOrgEx(c.dc, 1, 0, nullptr);
  ExcludeClipRect(c.dc, 1, 0, 2, 3);  // device column 2
  GdiFillSolidRect(c.dc, Rect(0, 1, 3, 2), RGB(0, 0, 0));
  EXPECT_EQ(c.Picture(), Rows({".....", ".#.#.", "....."}));
}

TEST(GdiBlendMask, BinaryAndCoverageMasks) {
  TestCanvas c(4, 2);
  const std::uint8_t mask[8] = {0, 1, 255, 128,  // row 0
                                9, 0, 0, 0};      // row 1
  GdiBlendMask(c.dc, 0, 0, mask, 4, 4, 2, RGB(0, 0, 0), false);
  EXPECT_EQ(c.Picture(), Rows({".###", "#..."}));
  TestCanvas d(4, 1);
  GdiBlendMask(d.dc, 0, 0, mask, 4, 4, 1, RGB(0, 0, 0), true);
  EXPECT_EQ(d.At(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(d.At(1, 0), RGB(254, 254, 254));  // 255 * 254 / 255
  EXPECT_EQ(d.At(2, 0), RGB(0, 0, 0));
  EXPECT_EQ(d.At(3, 0), RGB(127, 127, 127));  // 255 * 127 / 255
  // Clipped at the surface edge, never beyond.
  GdiBlendMask(d.dc, 2, 0, mask, 4, 4, 2, RGB(0, 0, 0), false);
  GdiBlendMask(d.dc, -100, -100, mask, 4, 4, 2, RGB(0, 0, 0), false);
}

TEST(GdiBlendMask, WritesPalettedSurfaces) {
  TestCanvas c(4, 1, RGB(255, 255, 255), 8);
  const std::uint8_t mask[4] = {0, 255, 255, 0};
  GdiBlendMask(c.dc, 0, 0, mask, 4, 4, 1, RGB(255, 0, 0), false);
  EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(c.dc, 1, 0), RGB(255, 0, 0));
}

TEST(Attributes, SettersRejectOutOfRangeValues) {
  TestCanvas c(1, 1);
  EXPECT_EQ(SetROP2(c.dc, 0), 0);
  EXPECT_EQ(SetROP2(c.dc, 17), 0);
  EXPECT_EQ(SetBkMode(c.dc, 3), 0);
  EXPECT_EQ(SetStretchBltMode(c.dc, 5), 0);
  EXPECT_EQ(SetStretchBltMode(c.dc, HALFTONE), BLACKONWHITE);
  EXPECT_EQ(GetStretchBltMode(c.dc), HALFTONE);
  EXPECT_EQ(SetTextAlign(c.dc, TA_BASELINE | TA_CENTER), TA_LEFT | TA_TOP);
  EXPECT_EQ(SetTextCharacterExtra(c.dc, 2), 0);
  EXPECT_EQ(GetTextCharacterExtra(c.dc), 2);
}

TEST(Fonts, CreateFontKeepsTheLogicalFont) {
  HFONT f = CreateFont(-12, 0, 900, 0, FW_BOLD, 1, 0, 1, GB2312_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0, "宋体");
  ASSERT_NE(f, nullptr);
  LOGFONT lf;
  ASSERT_EQ(GetObject(f, sizeof lf, &lf), int(sizeof lf));
  EXPECT_EQ(lf.lfHeight, -12);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfStrikeOut, 1);
  EXPECT_EQ(lf.lfCharSet, GB2312_CHARSET);
  EXPECT_STREQ(lf.lfFaceName, "宋体");
  DeleteObject(f);
}

TEST(PatternBrush, TilesFromTheOriginAndMonochromeTakesDcColours) {
  const Byte bits[4] = {0x80, 0, 0x40, 0};  // 2x2 mono: 1 0 / 0 1
  HBITMAP pat = CreateBitmap(2, 2, 1, 1, bits);
  HBRUSH b = CreatePatternBrush(pat);
  ASSERT_NE(b, nullptr);
  DeleteObject(pat);  // the brush keeps its own copy
  TestCanvas c(4, 2);
  SetTextColor(c.dc, RGB(0, 0, 0));
  SetBkColor(c.dc, RGB(255, 255, 255));
  RECT r{0, 0, 4, 2};
  FillRect(c.dc, &r, b);
  EXPECT_EQ(c.Picture(), Rows({".#.#", "#.#."}));
  DeleteObject(b);
}

TEST(WriteBitmapToBmpFile, WritesATopDownThirtyTwoBitFile) {
  TestCanvas c(3, 2, RGB(1, 2, 3));
  c.Set(2, 1, RGB(200, 100, 50));
  std::string path = ::testing::TempDir() + "gdi_dump.bmp";
  ASSERT_TRUE(WriteDCToBmpFile(c.dc, path.c_str()));
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<Byte> b(200);
  size_t n = std::fread(b.data(), 1, b.size(), f);
  std::fclose(f);
  std::remove(path.c_str());
  ASSERT_EQ(n, 14u + 40u + 3u * 2u * 4u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(b[28], 32);  // bits per pixel
  const Byte* last = &b[54 + (1 * 3 + 2) * 4];
  EXPECT_EQ(last[0], 50);
  EXPECT_EQ(last[1], 100);
  EXPECT_EQ(last[2], 200);
  EXPECT_FALSE(WriteBitmapToBmpFile(nullptr, path.c_str()));
}

TEST(CreateDIBitmap, TakesTheFormatOfTheDcAndItsBits) {
  TestCanvas c(1, 1);
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 2;
  bi.bmiHeader.biHeight = 1;
  bi.bmiHeader.biBitCount = 24;
  const Byte bits[8] = {255, 0, 0, 0, 255, 0, 0, 0};
  HBITMAP h = CreateDIBitmap(c.dc, &bi.bmiHeader, CBM_INIT, bits, &bi, DIB_RGB_COLORS);
  ASSERT_NE(h, nullptr);
  BITMAP bm;
  GetObject(h, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 32);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, h);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 255, 0));
  SelectObject(dc, old);
  DeleteObject(h);
  // A fresh memory DC holds a monochrome bitmap, so its compatible bitmaps are too.
  HBITMAP mono = CreateDIBitmap(dc, &bi.bmiHeader, 0, nullptr, nullptr, 0);
  GetObject(mono, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  DeleteObject(mono);
  DeleteDC(dc);
}

TEST(SaveDC, BitmapsHeldBySavedStatesComeBackAndAreReleasedAfter) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP a = CreateBitmap(2, 2, 1, 32, nullptr), b = CreateBitmap(3, 3, 1, 32, nullptr);
  HGDIOBJ stock = SelectObject(dc, a);
  SaveDC(dc);
  EXPECT_EQ(SelectObject(dc, b), a);
  EXPECT_FALSE(DeleteObject(a));  // still held by the saved state
  HDC other = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(other, a), nullptr);
  EXPECT_TRUE(RestoreDC(dc, -1));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), a);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 2);
  EXPECT_TRUE(DeleteObject(b));  // nothing holds it any more
  EXPECT_EQ(SelectObject(dc, stock), a);
  EXPECT_NE(SelectObject(other, a), nullptr);
  DeleteDC(other);
  EXPECT_TRUE(DeleteObject(a));
  DeleteDC(dc);
}

}  // namespace
