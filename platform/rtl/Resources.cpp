#include "platform/rtl/Resources.h"

#include <strings.h>

#include <vector>

namespace {
std::vector<TResourceEntry>& ResourceTable() {
  static std::vector<TResourceEntry> table;
  return table;
}
}  // namespace

void RegisterResources(const TResourceEntry* entries, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (entries[i].Name) ResourceTable().push_back(entries[i]);
}

TResourceData FindResourceData(const std::string& type, const std::string& name) {
  for (const TResourceEntry& e : ResourceTable()) {
    if (strcasecmp(e.Name, name.c_str()) != 0) continue;
    if (!type.empty() && strcasecmp(e.Type, type.c_str()) != 0) continue;
    return TResourceData{e.Begin, static_cast<std::size_t>(e.End - e.Begin)};
  }
  return {};
}
