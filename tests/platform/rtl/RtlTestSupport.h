// Helpers several run-time library tests share.
#pragma once
#include <string>
#include <vector>

#include "platform/rtl/StringList.h"

// A string list's lines as a vector, for one-line comparisons.
inline std::vector<std::string> Items(const TStrings& s) {
  std::vector<std::string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s[i]);
  return out;
}
