// The shell call behind the link image, kept apart from the window layer's
// headers (both declare the SW_ show codes).
#pragma once
#include <string>

// ShellExecute with "open": the opener gets url as one argument, never
// through a shell, so a stored address cannot run commands.
void SkinShellOpen(const std::string& url);
