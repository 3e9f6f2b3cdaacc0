// Image acquisition from scanners and cameras. There is no image
// acquisition service on this system: the device manager is never
// obtained, so the device list stays empty and nothing is acquired.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/Component.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/List.h"

// The acquisition's progress hook: the percentage done; False stops it.
using TVQWiaProgress = std::function<bool(TObject* Sender, int Percent)>;

// OLE is never started by this library, so nothing ends it either.
extern bool VQOleInitialized;

class TVQWia : public TObject {
 public:
  explicit TVQWia(TComponent* Owner);
  ~TVQWia() override;
  std::string ClassName() const override { return "TVQWia"; }

  void* DeviceManager() const { return deviceManager_; }
  // The device objects (owned); empty where no device manager exists.
  TList* Devices() { return &devices_; }
  TComponent* Owner() const { return owner_; }
  // The owner's progress hook and the sender it is called with.
  TVQWiaProgress OnProgress;
  TObject* ProgressSender = nullptr;
  // Answers the hook; True (go on) when none is set.
  bool Progress(int Percent) { return OnProgress ? OnProgress(ProgressSender, Percent) : true; }

  Byte Flag = 1;

 private:
  void* deviceManager_ = nullptr;
  TList devices_;
  TObject* current_ = nullptr;  // the device item being acquired, owned
  TComponent* owner_;
};
