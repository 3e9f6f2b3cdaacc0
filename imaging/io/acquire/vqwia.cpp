#include "imaging/io/acquire/vqwia.h"

bool VQOleInitialized = false;

namespace {

// The device manager's class and interface; no local server provides them
// here, so creating it fails and the manager stays nil, as on a system
// without the service.
void* VqwiaCreateDeviceManager() { return nullptr; }

}  // namespace

TVQWia::TVQWia(TComponent* Owner) : owner_(Owner) { deviceManager_ = VqwiaCreateDeviceManager(); }

TVQWia::~TVQWia() {
  deviceManager_ = nullptr;
  for (int i = 0; i < devices_.Count(); ++i) delete static_cast<TObject*>(devices_.Items(i));
  devices_.Clear();
  delete current_;
}
