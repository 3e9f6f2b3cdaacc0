// Tests that need a program the install script installs (Xvfb, a window
// manager, a compositor) skip, with the reason, where it is missing; under CI
// (CI=true) a missing package is a broken set-up and fails the test instead.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace lumiqa_test {
inline bool RunningUnderCi() {
  const char* ci = std::getenv("CI");
  return ci && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}
}  // namespace lumiqa_test

#define LUMIQA_SKIP_MISSING_PACKAGE(why)                                                \
  do {                                                                                   \
    if (::lumiqa_test::RunningUnderCi()) {                                               \
      GTEST_FAIL() << (why) << " (scripts/install-deps.sh installs it; CI must have it)"; \
    } else {                                                                             \
      GTEST_SKIP() << (why);                                                             \
    }                                                                                    \
  } while (0)
