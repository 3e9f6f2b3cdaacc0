// The wizard's start once a display is installed and the single-instance
// guard has passed: splash, title, main window, message loop.
#pragma once

void RunWizard();
