// A fresh application object and a headless display per test, on the
// virtual clock; forms a test leaves behind are freed with the application.
#pragma once
#include "tests/platform/ui/FormTestFixture.h"

using HeadlessForms = FormsTest;
