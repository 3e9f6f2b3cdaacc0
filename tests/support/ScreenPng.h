// Screenshots for display tests: the root window of an X connection written
// as a PNG, to look at what a test saw.
#pragma once
#include <string>

typedef struct _XDisplay Display;

// Writes the whole screen to path; false when it cannot.
bool SaveScreenPng(Display* dpy, const std::string& path);
// Saves to $LUMIQA_SCREENSHOTS/<name>.png when that folder is set; does
// nothing otherwise.
void MaybeSaveScreenshot(Display* dpy, const std::string& name);
