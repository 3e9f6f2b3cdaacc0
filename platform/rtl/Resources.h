// The executable's embedded resources: every file under resources/ is linked
// in at build time and registered here, found by type and name ignoring case.
#pragma once
#include <cstddef>
#include <string>

struct TResourceEntry {
  const char* Type;
  const char* Name;
  const unsigned char* Begin;
  const unsigned char* End;
};

// Called by the generated table at start-up.
void RegisterResources(const TResourceEntry* entries, std::size_t count);

struct TResourceData {
  const unsigned char* Data = nullptr;
  std::size_t Size = 0;
  explicit operator bool() const { return Data != nullptr; }
};

// Finds a resource; an empty type matches any type. Returns an empty value
// when there is none.
TResourceData FindResourceData(const std::string& type, const std::string& name);
