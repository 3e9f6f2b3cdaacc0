// Window properties: named handles attached to a window. Names compare
// without case; an atom (MAKEINTATOM) works as a name. Properties left on a
// window go with it.
#pragma once
#include "platform/user/UserTypes.h"

using PROPENUMPROC = BOOL (*)(HWND, const char*, HANDLE);

BOOL SetProp(HWND hwnd, const char* name, HANDLE data);
HANDLE GetProp(HWND hwnd, const char* name);
// Returns the data removed; nullptr when there was none.
HANDLE RemoveProp(HWND hwnd, const char* name);
// Most recent first; returns the last callback result, -1 without properties.
int EnumProps(HWND hwnd, PROPENUMPROC proc);
