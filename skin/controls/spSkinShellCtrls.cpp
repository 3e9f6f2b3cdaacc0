#include "skin/controls/spSkinShellCtrls.h"

#include <cstdlib>
#include <memory>

namespace {

std::string DesktopPath() {
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/Desktop";
}

// Made when the library starts, freed when it ends.
struct TDesktopHolder {
  std::unique_ptr<TspShellFolder> folder;
  TDesktopHolder() : folder(std::make_unique<TspShellFolder>()) { folder->Path = DesktopPath(); }
};

TDesktopHolder desktop;

}  // namespace

TspShellFolder* SkinDesktopFolder() { return desktop.folder.get(); }
