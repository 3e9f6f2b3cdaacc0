// Private to the X11 back end: presented pixels handed to a server on this
// machine through a shared memory segment (MIT-SHM) instead of the socket.
// Include after the project's headers, as Xlib defines macros.
#pragma once
#include <vector>

#include "platform/backend/x11/X11Display.h"

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

struct TX11State;
struct TX11Native;

// Per connection: decided at the first presentation, and turned off for good
// when the server refuses a segment.
struct TX11ShmSupport {
  bool checked = false;
  bool usable = false;
};

// Per window: a segment as large as the window's backing, attached lazily,
// so it follows whichever X window the record presents to.
struct TX11ShmSegment {
  TX11State* owner = nullptr;  // to detach when the backing goes
  XShmSegmentInfo info{0, -1, nullptr, False};
  XImage* image = nullptr;
};

// Copies the rectangles (inside the backing) from the backing into the
// window's segment and has the server draw them. False when shared memory
// cannot be used; nothing was drawn then.
bool PutX11ShmRects(TX11State& s, TX11Native& n, GC gc, const std::vector<RECT>& rects);
// Detaches and frees the segment; safe on an empty one.
void FreeX11ShmSegment(TX11ShmSegment& seg);
