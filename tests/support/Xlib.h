// Xlib for the tests that talk to an X server. The framework's names that
// Xlib takes for its own types (Screen, Region) are renamed while it is
// read, and the Xlib macros that would rewrite the framework's identifiers
// (KeyPress, None, FillSolid, GrayScale) become constants, so a source read
// after this one in the same translation unit (a unity build) still sees
// the framework's names.
#pragma once
#define Screen XlibScreen
#define Region XlibRegion
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Region
#undef Screen

constexpr int kXKeyPress = KeyPress;
constexpr int kXKeyRelease = KeyRelease;
constexpr unsigned long kXNone = None;
#undef KeyPress
#undef KeyRelease
#undef None
#undef FillSolid
#undef GrayScale
