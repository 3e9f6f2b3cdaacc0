// Window classes: a name, a class style and the default procedure, cursor
// and background of the windows created from it. Names compare without case.
#pragma once
#include <memory>

#include "platform/user/UserTypes.h"

ATOM RegisterClass(const WNDCLASS* wc);
BOOL UnregisterClass(const char* name, HINSTANCE instance);
BOOL GetClassInfo(HINSTANCE instance, const char* name, WNDCLASS* out);
int GetClassName(HWND hwnd, char* buffer, int size);
// GCL_STYLE, GCLP_WNDPROC, GCLP_HCURSOR, GCLP_HBRBACKGROUND.
LONG_PTR GetClassLongPtr(HWND hwnd, int index);
LONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value);

struct TWindowClass;
std::shared_ptr<TWindowClass> FindWindowClass(const char* name);
