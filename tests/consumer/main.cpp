// Fails unless the run-time library and the embedded resources both arrived.
#include <cstdio>
#include <cstring>

#include "platform/rtl/Resources.h"
#include "platform/rtl/SysUtils.h"

int main() {
  if (IntToStr(42) != "42") {
    std::puts("run-time library missing or broken");
    return 1;
  }
  const TResourceData data = FindResourceData("RCDATA", "LumiqaSelfTest");
  if (!data || data.Size == 0) {
    std::puts("embedded resources missing");
    return 1;
  }
  std::puts("consumer ok");
  return 0;
}
