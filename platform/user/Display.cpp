#include "platform/user/Display.h"

namespace {
TDisplay* g_display = nullptr;
}

TDisplay* SetDisplay(TDisplay* display) {
  TDisplay* old = g_display;
  g_display = display;
  return old;
}

TDisplay* CurrentDisplay() { return g_display; }
