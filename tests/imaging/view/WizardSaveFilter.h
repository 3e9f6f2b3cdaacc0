// The filter the wizard's save dialog is given, which the dialog tests use.
#pragma once

constexpr char kWizardSaveFilter[] = "*.jpg|*.jpg|*.bmp|*.bmp";
