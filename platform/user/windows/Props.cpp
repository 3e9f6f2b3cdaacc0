#include "platform/user/windows/Props.h"

#include <strings.h>

#include <algorithm>
#include <string>

#include "platform/user/windows/WindowInternal.h"

namespace {

// Atoms live below 0x10000, where no string does.
std::string Key(const char* name) {
  auto v = reinterpret_cast<std::uintptr_t>(name);
  if (v < 0x10000) return "#" + std::to_string(v);
  return name;
}

auto FindProp(WND* w, const std::string& key) {
  return std::find_if(w->props.begin(), w->props.end(),
                      [&](const auto& p) { return strcasecmp(p.first.c_str(), key.c_str()) == 0; });
}

}  // namespace

BOOL SetProp(HWND hwnd, const char* name, HANDLE data) {
  WND* w = LiveWindow(hwnd);
  if (!w || !name) return FALSE;
  std::string key = Key(name);
  auto it = FindProp(w, key);
  if (it != w->props.end()) it->second = data;
  else w->props.emplace_back(key, data);
  return TRUE;
}

HANDLE GetProp(HWND hwnd, const char* name) {
  WND* w = LiveWindow(hwnd);
  if (!w || !name) return nullptr;
  auto it = FindProp(w, Key(name));
  return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND hwnd, const char* name) {
  WND* w = LiveWindow(hwnd);
  if (!w || !name) return nullptr;
  auto it = FindProp(w, Key(name));
  if (it == w->props.end()) return nullptr;
  HANDLE data = it->second;
  w->props.erase(it);
  return data;
}

int EnumProps(HWND hwnd, PROPENUMPROC proc) {
  WND* w = LiveWindow(hwnd);
  if (!w || !proc || w->props.empty()) return -1;
  // A copy: the callback may remove properties.
  auto props = w->props;
  int result = -1;
  for (auto it = props.rbegin(); it != props.rend(); ++it) {
    result = proc(HandleOf(w), it->first.c_str(), it->second);
    if (!result || !IsLive(w)) break;
  }
  return result;
}
