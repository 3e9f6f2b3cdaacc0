// Every kind of handle the window layer hands out: a handle kept after its
// object went fails, and never reaches the object created after it.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Icons.h"
#include "tests/platform/user/WindowTestSupport.h"

namespace {

using THandleBits = std::uintptr_t;

struct TKind {
  const char* name;
  std::function<THandleBits()> make;
  std::function<bool(THandleBits)> destroy;  // true when the call reports success
  std::function<bool(THandleBits)> live;
};

template <class H> H As(THandleBits v) { return reinterpret_cast<H>(v); }
template <class H> THandleBits Bits(H h) { return reinterpret_cast<THandleBits>(h); }

HCURSOR MakeCursor() {
  const Byte andPlane[4] = {0xFF, 0xFF, 0xFF, 0xFF}, xorPlane[4] = {};
  return CreateCursor(nullptr, 0, 0, 2, 2, andPlane, xorPlane);
}

HICON MakeIcon() {
  HBITMAP mask = CreateBitmap(2, 4, 1, 1, nullptr);
  ICONINFO ii;
  ii.fIcon = TRUE;
  ii.hbmMask = mask;
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(mask);
  return icon;
}

bool IconLive(THandleBits h) {
  ICONINFO ii;
  if (!GetIconInfo(As<HICON>(h), &ii)) return false;
  DeleteObject(ii.hbmMask);
  DeleteObject(ii.hbmColor);
  return true;
}

class HandleGenerationTest : public WindowTest {
 protected:
  HWND owner_ = nullptr;
  void SetUp() override {
    WindowTest::SetUp();
    owner_ = Make("owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100);
  }

  std::vector<TKind> Kinds() {
    HWND owner = owner_;
    return {
        {"cursor", [] { return Bits(MakeCursor()); }, [](THandleBits h) { return DestroyCursor(As<HCURSOR>(h)) != 0; },
         IconLive},
        {"icon", [] { return Bits(MakeIcon()); }, [](THandleBits h) { return DestroyIcon(As<HICON>(h)) != 0; },
         IconLive},
        // Reverting is the only way a window menu goes; it names no handle,
        // so only a live menu's is reverted here.
        {"window menu", [owner] { return Bits(GetSystemMenu(owner, FALSE)); },
         [owner](THandleBits h) { return IsMenu(As<HMENU>(h)) && GetSystemMenu(owner, TRUE) == nullptr; },
         [](THandleBits h) { return IsMenu(As<HMENU>(h)) != 0; }},
        {"window DC", [owner] { return Bits(GetDC(owner)); },
         [owner](THandleBits h) { return ReleaseDC(owner, As<HDC>(h)) == 1; },
         [](THandleBits h) { return GetObjectType(As<HDC>(h)) == OBJ_DC; }},
    };
  }
};

TEST_F(HandleGenerationTest, AStaleHandleFailsAndLeavesTheNextObjectAlone) {
  for (const TKind& k : Kinds()) {
    SCOPED_TRACE(k.name);
    const THandleBits first = k.make();
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(k.live(first));
    ASSERT_TRUE(k.destroy(first));
    EXPECT_FALSE(k.live(first));
    // Many objects after it, so the freed slot (or memory) is taken again.
    std::vector<THandleBits> later;
    for (int i = 0; i < 8; ++i) {
      later.push_back(k.make());
      ASSERT_NE(later.back(), 0u);
      EXPECT_NE(later.back(), first);
      EXPECT_FALSE(k.live(first));
      if (i + 1 < 8) ASSERT_TRUE(k.destroy(later.back()));
    }
    const THandleBits current = later.back();
    EXPECT_TRUE(k.live(current));
    EXPECT_FALSE(k.destroy(first));
    EXPECT_TRUE(k.live(current));
    EXPECT_TRUE(k.destroy(current));
  }
}

}  // namespace
