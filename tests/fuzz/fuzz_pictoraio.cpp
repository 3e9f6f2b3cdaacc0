// Feeds arbitrary bytes to the I/O component's stream entry points, with
// and without the 12-byte stream headers: detection, header checks and
// dispatch must end through the abort flag or a finished load, never by a
// crash or an exception through the caller.
#include <cstdint>
#include <cstdlib>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/io/component/pictoraio.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  StartImagingLibrary();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TVQMemStream s(data, std::int64_t(size));
  // Big but valid headers would only measure the allocator, as in the
  // format targets.
  for (bool headers : {false, true}) {
    for (int type = ioUnknown; type <= ioDCX; ++type) {
      TPictoraIO io(nullptr);
      io.StreamHeaders = headers;
      s.SetPosition(0);
      io.ParamsFromStreamFormat(&s, type);
      if (std::int64_t(io.Parameters()->Width) * io.Parameters()->Height > (1 << 22)) return 0;
    }
  }
  for (bool headers : {false, true}) {
    TPictoraIO io(nullptr);
    io.StreamHeaders = headers;
    int finished = 0;
    io.OnFinishWork = [&](TObject*) { ++finished; };
    s.SetPosition(0);
    io.LoadFromStream(&s);
    for (int type = ioUnknown; type <= ioDCX + 1; ++type) {
      s.SetPosition(0);
      io.LoadFromStreamFormat(&s, type);
      s.SetPosition(0);
      io.ParamsFromStreamFormat(&s, type);
    }
    s.SetPosition(0);
    io.ParamsFromStream(&s);
    if (finished != 2 * (ioDCX + 2) + 2) std::abort();
  }
  return 0;
}
