// Chooses and installs the display at start: X11 when DISPLAY is set, else
// headless; LUMIQA_BACKEND=x11|headless overrides. An X11 display that
// cannot be opened falls back to headless.
#pragma once
#include <memory>

#include "platform/user/system/Display.h"

enum class TBackendKind { Headless, X11 };

// The choice for these environment values (nullptr: unset).
TBackendKind ChooseBackend(const char* displayVar, const char* backendVar);

// Owns the installed display; uninstalls it (restoring the previous one)
// when freed.
class TBackend {
 public:
  TBackend(std::unique_ptr<TDisplay> display, TBackendKind kind);
  ~TBackend();
  TBackend(const TBackend&) = delete;
  TBackend& operator=(const TBackend&) = delete;

  TBackendKind Kind() const { return kind_; }
  TDisplay& Display() { return *display_; }

 private:
  std::unique_ptr<TDisplay> display_;
  TBackendKind kind_;
  TDisplay* previous_;
};

std::unique_ptr<TBackend> InstallDefaultBackend();
