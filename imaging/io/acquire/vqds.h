// Video capture. There is no capture graph on this system: the holder is
// never connected and its device lists stay empty.
#pragma once
#include <cstdint>
#include <string>

#include "platform/rtl/List.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Types.h"
#include "platform/user/UserTypes.h"

// The messages the holder posts to its notify window.
constexpr UINT kVQDirectShowNewFrame = 0x1F59;
constexpr UINT kVQDirectShowEvent = 0x1F5A;

class TVQDirectShow : public TObject {
 public:
  TVQDirectShow();
  ~TVQDirectShow() override;
  std::string ClassName() const override { return "TVQDirectShow"; }

  // True while the capture graph is held; never here.
  bool Connected() const { return graph_ != nullptr; }
  // Where notifications go; nil posts nothing.
  void SetNotifyWindow(HWND Window, UINT NewFrameMessage, UINT EventMessage, std::intptr_t Extra = 0);
  HWND NotifyWindow() const { return notifyWindow_; }
  UINT NewFrameMessage() const { return newFrameMessage_; }
  UINT EventMessage() const { return eventMessage_; }

  TStringList VideoInputs, AudioInputs, VideoFormats, VideoCodecs;  // device and format names
  TStringList InputPins;
  TList* Owned() { return &owned_; }  // objects freed with the holder

 private:
  TList owned_;
  void* graph_ = nullptr;  // the capture graph and its filters: never obtained
  HWND notifyWindow_ = nullptr;
  UINT newFrameMessage_ = 0, eventMessage_ = 0;
  std::intptr_t notifyExtra_ = 0;

 public:
  std::intptr_t NotifyExtra() const { return notifyExtra_; }
};
