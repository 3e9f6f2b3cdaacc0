// GDI handles are table entries with a generation: a handle kept after its
// object or DC went fails every call, even once the next object of its kind
// sits in the same slot, and a handle of one kind is never taken for another.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icons.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/HandleTable.h"
#include "platform/rtl/LastError.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

std::uintptr_t GdiHtSlot(const void* h) { return reinterpret_cast<std::uintptr_t>(h) & 0xFFFF; }

struct TGdiHtKind {
  const char* name;
  DWORD type;
  std::function<HGDIOBJ()> make;
  bool selectable;  // SelectObject takes it into a DC
};

HGDIOBJ GdiHtPalette() {
  LOGPALETTE lp;
  lp.palVersion = 0x300;
  lp.palNumEntries = 1;
  lp.palPalEntry[0] = PALETTEENTRY{10, 20, 30, 0};
  return CreatePalette(&lp);
}

std::vector<TGdiHtKind> GdiHtKinds() {
  return {
      {"pen", OBJ_PEN, [] { return HGDIOBJ(CreatePen(PS_SOLID, 1, RGB(1, 2, 3))); }, true},
      {"extended pen", OBJ_EXTPEN,
       [] {
         LOGBRUSH lb;
         lb.lbColor = RGB(4, 5, 6);
         return HGDIOBJ(ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, &lb, 0, nullptr));
       },
       true},
      {"brush", OBJ_BRUSH, [] { return HGDIOBJ(CreateSolidBrush(RGB(7, 8, 9))); }, true},
      {"font", OBJ_FONT,
       [] {
         return HGDIOBJ(CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
       },
       true},
      {"bitmap", OBJ_BITMAP, [] { return HGDIOBJ(CreateBitmap(4, 3, 1, 32, nullptr)); }, true},
      {"region", OBJ_REGION, [] { return HGDIOBJ(CreateRectRgn(1, 2, 30, 40)); }, true},
      {"palette", OBJ_PAL, GdiHtPalette, false},
  };
}

// Makes objects until one takes `slot` again; the others are kept in `made`
// so every later one is new. nullptr when the table never gave it back.
template <class H> H GdiHtUntilSlot(std::uintptr_t slot, const std::function<H()>& make, std::vector<H>& made) {
  for (unsigned i = 0; i < THandleTable::kMaxSlots; ++i) {
    H h = make();
    if (!h) return nullptr;
    if (GdiHtSlot(h) == slot) return h;
    made.push_back(h);
  }
  return nullptr;
}

TEST(GdiHandleTable, AStaleObjectHandleFailsAndLeavesTheNextObjectInItsSlotAlone) {
  TestCanvas canvas(8, 8);
  for (const TGdiHtKind& k : GdiHtKinds()) {
    SCOPED_TRACE(k.name);
    const HGDIOBJ first = k.make();
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(GetObjectType(first), k.type);
    ASSERT_TRUE(DeleteObject(first));

    std::vector<HGDIOBJ> others;
    const HGDIOBJ next = GdiHtUntilSlot<HGDIOBJ>(GdiHtSlot(first), k.make, others);
    ASSERT_NE(next, nullptr) << "the freed slot was never used again";
    EXPECT_NE(next, first);

    Byte buf[sizeof(DIBSECTION) + 64];
    SetLastError(0);
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetObjectType(first), 0u);
    EXPECT_EQ(GetObject(first, int(sizeof buf), buf), 0);
    EXPECT_EQ(GetObject(first, 0, nullptr), 0);
    EXPECT_EQ(SelectObject(canvas.dc, first), nullptr);

    // The object now in the slot is untouched by all of that.
    EXPECT_EQ(GetObjectType(next), k.type);
    if (k.type == OBJ_REGION) {
      // Regions have no GetObject; their box shows what they hold.
      RECT box{};
      EXPECT_EQ(GetRgnBox(static_cast<HRGN>(first), &box), 0);
      EXPECT_EQ(GetRgnBox(static_cast<HRGN>(next), &box), SIMPLEREGION);
      EXPECT_EQ(box.Left, 1);
      EXPECT_EQ(box.Bottom, 40);
    } else {
      EXPECT_GT(GetObject(next, int(sizeof buf), buf), 0);
    }
    if (k.selectable) {
      HGDIOBJ old = SelectObject(canvas.dc, next);
      EXPECT_NE(old, nullptr);
      if (k.type != OBJ_REGION) {
        EXPECT_EQ(SelectObject(canvas.dc, old), next);
      }
    }
    SelectClipRgn(canvas.dc, nullptr);
    EXPECT_TRUE(DeleteObject(next));
    for (HGDIOBJ h : others) EXPECT_TRUE(DeleteObject(h));
  }
}

TEST(GdiHandleTable, AStaleDcFailsEveryCallAndDrawsNothingOnTheDcInItsSlot) {
  const HDC first = CreateCompatibleDC(nullptr);
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(GetObjectType(first), OBJ_MEMDC);
  ASSERT_TRUE(DeleteDC(first));

  std::vector<HDC> others;
  const HDC next = GdiHtUntilSlot<HDC>(GdiHtSlot(first), [] { return CreateCompatibleDC(nullptr); }, others);
  ASSERT_NE(next, nullptr);
  EXPECT_NE(next, first);
  HBITMAP bmp = CreateBitmap(8, 8, 1, 32, nullptr);
  ASSERT_NE(bmp, nullptr);
  HGDIOBJ oldBmp = SelectObject(next, bmp);
  ASSERT_NE(oldBmp, nullptr);
  RECT all{0, 0, 8, 8};
  ASSERT_NE(FillRect(next, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 0);
  const HGDIOBJ brushBefore = GetCurrentObject(next, OBJ_BRUSH);

  HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  SetLastError(0);
  EXPECT_FALSE(DeleteDC(first));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(GetObjectType(first), 0u);
  EXPECT_EQ(SelectObject(first, black), nullptr);
  EXPECT_EQ(FillRect(first, &all, black), 0);
  EXPECT_FALSE(Rectangle(first, 0, 0, 8, 8));
  EXPECT_FALSE(PatBlt(first, 0, 0, 8, 8, BLACKNESS));
  EXPECT_FALSE(BitBlt(first, 0, 0, 8, 8, next, 0, 0, SRCCOPY));
  EXPECT_FALSE(TextOut(first, 0, 0, "x", 1));
  EXPECT_EQ(SetPixel(first, 1, 1, RGB(0, 0, 0)), CLR_INVALID);
  EXPECT_EQ(GetPixel(first, 1, 1), CLR_INVALID);
  EXPECT_EQ(SaveDC(first), 0);
  EXPECT_EQ(SetBkColor(first, RGB(1, 1, 1)), CLR_INVALID);

  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(GetPixel(next, x, y), RGB(255, 255, 255)) << x << "," << y;
  EXPECT_EQ(GetCurrentObject(next, OBJ_BRUSH), brushBefore);
  EXPECT_EQ(GetBkColor(next), RGB(255, 255, 255));

  EXPECT_EQ(SelectObject(next, oldBmp), bmp);
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_TRUE(DeleteDC(next));
  for (HDC dc : others) EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiHandleTable, AHandleOfOneKindIsNeverTakenForAnother) {
  TestCanvas canvas(6, 6);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
  HRGN rgn = CreateRectRgn(0, 0, 6, 6);
  HDC other = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateBitmap(2, 4, 1, 1, nullptr);
  ICONINFO info;
  info.fIcon = TRUE;
  info.hbmMask = mask;
  HGDIICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  ASSERT_TRUE(pen && brush && rgn && other && icon);
  const void* penBits = pen;
  const void* brushBits = brush;
  const void* dcBits = other;

  RECT all{0, 0, 6, 6};
  EXPECT_EQ(FillRect(canvas.dc, &all, static_cast<HBRUSH>(const_cast<void*>(penBits))), 0);
  EXPECT_FALSE(FillRgn(canvas.dc, rgn, static_cast<HBRUSH>(const_cast<void*>(penBits))));
  EXPECT_EQ(SelectClipRgn(canvas.dc, static_cast<HRGN>(const_cast<void*>(brushBits))), ERROR);
  RECT box{};
  EXPECT_EQ(GetRgnBox(static_cast<HRGN>(const_cast<void*>(penBits)), &box), 0);
  EXPECT_EQ(CreatePatternBrush(static_cast<HBITMAP>(const_cast<void*>(brushBits))), nullptr);
  EXPECT_EQ(SelectPalette(canvas.dc, static_cast<HPALETTE>(const_cast<void*>(brushBits)), FALSE), nullptr);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(canvas.At(x, y), RGB(255, 255, 255)) << x << "," << y;

  // A DC is not an object, an object is not a DC, an icon is neither.
  EXPECT_EQ(SelectObject(canvas.dc, static_cast<HGDIOBJ>(const_cast<void*>(dcBits))), nullptr);
  EXPECT_FALSE(DeleteObject(static_cast<HGDIOBJ>(const_cast<void*>(dcBits))));
  EXPECT_EQ(GetObjectType(other), OBJ_MEMDC);
  EXPECT_FALSE(DeleteDC(static_cast<HDC>(const_cast<void*>(penBits))));
  EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
  EXPECT_EQ(GetObjectType(icon), 0u);
  EXPECT_FALSE(DeleteObject(static_cast<HGDIOBJ>(static_cast<void*>(icon))));
  ICONINFO ii;
  ASSERT_TRUE(GetIconInfo(icon, &ii));
  DeleteObject(ii.hbmMask);
  DeleteObject(ii.hbmColor);

  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_TRUE(DeleteDC(other));
  EXPECT_TRUE(DeleteObject(rgn));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_TRUE(DeleteObject(pen));
}

TEST(GdiHandleTable, StockObjectsSurviveDeleteObject) {
  TestCanvas canvas(4, 4);
  for (int i = WHITE_BRUSH; i <= DC_PEN; ++i) {
    if (i == 9) continue;  // no stock object has this number
    SCOPED_TRACE(i);
    HGDIOBJ h = GetStockObject(i);
    ASSERT_NE(h, nullptr);
    const DWORD type = GetObjectType(h);
    ASSERT_NE(type, 0u);
    EXPECT_TRUE(DeleteObject(h));
    EXPECT_TRUE(DeleteObject(h));
    EXPECT_EQ(GetObjectType(h), type);
    EXPECT_EQ(GetStockObject(i), h);
    if (type != OBJ_PAL) {
      HGDIOBJ old = SelectObject(canvas.dc, h);
      ASSERT_NE(old, nullptr);
      EXPECT_EQ(SelectObject(canvas.dc, old), h);
    }
  }
  // Still drawing with the stock black brush after all that.
  RECT r{0, 0, 2, 2};
  ASSERT_NE(FillRect(canvas.dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
  EXPECT_EQ(canvas.At(1, 1), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(2, 2), RGB(255, 255, 255));
}

// More objects of one kind than the table holds: the next one fails cleanly,
// other kinds still work, and freeing one makes room again.
TEST(GdiHandleTable, AFullTableRefusesTheNextObjectCleanly) {
  struct TFill {
    const char* name;
    DWORD type;
    std::function<void*()> make;
    std::function<BOOL(void*)> free;
  };
  const TFill fills[] = {
      {"brush", OBJ_BRUSH, [] { return static_cast<void*>(CreateSolidBrush(RGB(1, 1, 1))); },
       [](void* h) { return DeleteObject(static_cast<HGDIOBJ>(static_cast<HBRUSH>(h))); }},
      {"dc", OBJ_MEMDC, [] { return static_cast<void*>(CreateCompatibleDC(nullptr)); },
       [](void* h) { return DeleteDC(static_cast<HDC>(h)); }},
  };
  for (const TFill& f : fills) {
    SCOPED_TRACE(f.name);
    const std::size_t live = GdiHandleCount(f.type);
    std::vector<void*> made;
    for (;;) {
      void* h = f.make();
      if (!h) break;
      made.push_back(h);
      ASSERT_LE(made.size(), std::size_t(THandleTable::kMaxSlots));
    }
    EXPECT_EQ(made.size() + live, std::size_t(THandleTable::kMaxSlots));
    EXPECT_EQ(f.make(), nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    EXPECT_NE(pen, nullptr);
    DeleteObject(pen);
    ASSERT_TRUE(f.free(made.back()));
    made.pop_back();
    void* again = f.make();
    EXPECT_NE(again, nullptr);
    if (again) made.push_back(again);
    for (void* h : made) ASSERT_TRUE(f.free(h));
    EXPECT_EQ(GdiHandleCount(f.type), live);
  }
}

}  // namespace
