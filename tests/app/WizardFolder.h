// What every test running the wizard sets up first: a folder of its own for
// the history and pictures, with the skin beside it, and actions that fail
// the test where the application would show an error.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/main/uMain.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/controls/Controls.h"

namespace wizard {

// A fresh `dir` with an empty pictures/ folder and the skin linked beside
// it; the wizard looks for both there from now on.
inline void MakeWizardFolder(const std::string& dir) {
  namespace fs = std::filesystem;
  fs::remove_all(dir);
  fs::create_directories(dir + "/pictures");
  fs::create_directory_symlink(fs::path(LUMIQA_TEST_DATA) / ".." / ".." / "resources" / "Skin", dir + "/Skin");
  SetWizardFolder(dir);
}

// As the application's loop does: the silent abort ends an action quietly;
// anything else would be shown to the user, so it fails the test. Returns
// the hook it replaced.
inline std::function<void(TObject*)> FailOnActionErrors() {
  std::function<void(TObject*)> saved = ApplicationHandleExceptionHook;
  ApplicationHandleExceptionHook = [](TObject*) {
    try {
      throw;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
      ADD_FAILURE() << "an action failed: " << e.what();
    }
  };
  return saved;
}

}  // namespace wizard
