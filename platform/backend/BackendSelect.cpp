#include "platform/backend/BackendSelect.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/backend/headless/HeadlessDisplay.h"
#include "platform/backend/x11/X11Display.h"

TBackendKind ChooseBackend(const char* displayVar, const char* backendVar) {
  if (backendVar && std::strcmp(backendVar, "x11") == 0) return TBackendKind::X11;
  if (backendVar && std::strcmp(backendVar, "headless") == 0) return TBackendKind::Headless;
  return displayVar && *displayVar ? TBackendKind::X11 : TBackendKind::Headless;
}

TBackend::TBackend(std::unique_ptr<TDisplay> display, TBackendKind kind)
    : display_(std::move(display)), kind_(kind), previous_(SetDisplay(display_.get())) {}

TBackend::~TBackend() {
  if (CurrentDisplay() == display_.get()) SetDisplay(previous_);
}

std::unique_ptr<TBackend> InstallDefaultBackend() {
  if (ChooseBackend(std::getenv("DISPLAY"), std::getenv("LUMIQA_BACKEND")) == TBackendKind::X11) {
    if (auto x11 = TX11Display::Open()) {
      x11->SetEndWhenLost(true);
      return std::make_unique<TBackend>(std::move(x11), TBackendKind::X11);
    }
    std::fprintf(stderr, "lumiqa: cannot open the X display, running without windows on screen\n");
  }
  return std::make_unique<TBackend>(std::make_unique<THeadlessDisplay>(), TBackendKind::Headless);
}
