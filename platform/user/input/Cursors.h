// Cursors and icons: GDI icon objects. System cursors (LoadCursor with an
// IDC_* id) and stock icons (LoadIcon with an IDI_* id) are shared objects
// that DestroyCursor / DestroyIcon leave alone. The back end reads GetCursor
// (its systemId, or its pixels) to show the matching native cursor.
#pragma once
#include <string>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Icons.h"
#include "platform/user/UserTypes.h"

inline const char* MAKEINTRESOURCE(int id) { return reinterpret_cast<const char*>(std::uintptr_t(Word(id))); }
constexpr int IDC_ARROW = 32512;
constexpr int IDC_IBEAM = 32513;
constexpr int IDC_WAIT = 32514;
constexpr int IDC_CROSS = 32515;
constexpr int IDC_UPARROW = 32516;
constexpr int IDC_SIZENWSE = 32642;
constexpr int IDC_SIZENESW = 32643;
constexpr int IDC_SIZEWE = 32644;
constexpr int IDC_SIZENS = 32645;
constexpr int IDC_SIZEALL = 32646;
constexpr int IDC_NO = 32648;
constexpr int IDC_HAND = 32649;
constexpr int IDC_APPSTARTING = 32650;
constexpr int IDC_HELP = 32651;

constexpr int IDI_APPLICATION = 32512;
constexpr int IDI_HAND = 32513;
constexpr int IDI_ERROR = IDI_HAND;
constexpr int IDI_QUESTION = 32514;
constexpr int IDI_EXCLAMATION = 32515;
constexpr int IDI_WARNING = IDI_EXCLAMATION;
constexpr int IDI_ASTERISK = 32516;
constexpr int IDI_INFORMATION = IDI_ASTERISK;
constexpr int IDI_WINLOGO = 32517;
constexpr int IDI_SHIELD = 32518;

// The cursor object itself; kept for code that made cursors as records.
using UserCursor = GdiIcon;

// instance nullptr and a MAKEINTRESOURCE(IDC_*) name: a shared system cursor
// (32 x 32, its systemId set).
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
// A .cur (or .ico) file as a new cursor with the file's hot spot; nullptr
// when the file cannot be read.
HCURSOR LoadCursorFromFile(const char* fileName);
inline HCURSOR LoadCursorFromFile(const std::string& fileName) { return LoadCursorFromFile(fileName.c_str()); }
// Monochrome planes, rows padded to 16 bits: AND 1 keeps the screen, XOR 1
// inverts it (or draws white over a cleared pixel).
HCURSOR CreateCursor(HINSTANCE instance, int xHotSpot, int yHotSpot, int width, int height, const void* andPlane,
                     const void* xorPlane);
BOOL DestroyCursor(HCURSOR cursor);
HCURSOR CopyCursor(HCURSOR cursor);
// Returns the previous cursor.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// Display counter: the cursor shows while it is >= 0.
int ShowCursor(BOOL show);
// Keeps the pointer inside r (screen coordinates); nullptr frees it. The
// rectangle is clipped to the screen.
BOOL ClipCursor(const RECT* r);
// The clip rectangle, or the whole virtual screen when none is set.
BOOL GetClipCursor(RECT* r);
// instance nullptr and a MAKEINTRESOURCE(IDI_*) name: a shared stock icon
// (32 x 32, plainly drawn).
HICON LoadIcon(HINSTANCE instance, const char* name);
// The IDC_* cursor DefWindowProc shows for a hit-test code (0: none).
int CursorForHitTest(int hit);
