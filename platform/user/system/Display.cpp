#include "platform/user/system/Display.h"

#include <unistd.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace {
TDisplay* g_display = nullptr;
std::vector<std::pair<int, std::function<void()>>> g_shutdownHooks;
int g_nextHook = 1;
}  // namespace

TDisplay* SetDisplay(TDisplay* display) {
  TDisplay* old = g_display;
  g_display = display;
  return old;
}

TDisplay* CurrentDisplay() { return g_display; }

int AddShutdownHook(std::function<void()> hook) {
  g_shutdownHooks.emplace_back(g_nextHook, std::move(hook));
  return g_nextHook++;
}

void RemoveShutdownHook(int id) {
  for (auto it = g_shutdownHooks.begin(); it != g_shutdownHooks.end(); ++it)
    if (it->first == id) {
      g_shutdownHooks.erase(it);
      return;
    }
}

void EndForLostDisplay(const std::string& message) {
  // Nothing here may wait on the display: the hooks, then straight out
  // without static destructors, which could still reach for it.
  g_display = nullptr;
  auto hooks = std::move(g_shutdownHooks);
  g_shutdownHooks.clear();
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    try {
      if (it->second) it->second();
    } catch (...) {
    }
  }
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(nullptr);
  _exit(1);
}
