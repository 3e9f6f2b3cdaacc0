// Skin messages reach no form while a fixture holds its own forms; returns
// the broadcast in place before, for the fixture to put back.
#pragma once
#include <vector>

#include "skin/engine/SkinData.h"

inline TspSkinBroadcast SilenceSkinBroadcast() {
  TspSkinBroadcast& b = SkinBroadcast();
  TspSkinBroadcast saved = b;
  b.Send = [](TComponent*, unsigned, WPARAM, LPARAM) {};
  b.Forms = [] { return std::vector<TComponent*>{}; };
  b.IsForm = [](const TComponent*) { return false; };
  return saved;
}
