// System cursors and the current cursor. The back end reads GetCursor to
// show the matching native cursor.
#pragma once
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

struct UserCursor {
  int systemId = 0;  // IDC_* for system cursors, 0 for created ones
  POINT hotSpot{};
  SIZE size{32, 32};
};

// instance nullptr and a MAKEINTRESOURCE(IDC_*) name: a shared system cursor.
HCURSOR LoadCursor(HINSTANCE instance, const char* name);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// Display counter: the cursor shows while it is >= 0.
int ShowCursor(BOOL show);
// The IDC_* cursor DefWindowProc shows for a hit-test code (0: none).
int CursorForHitTest(int hit);
