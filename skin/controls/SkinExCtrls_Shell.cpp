#include "skin/controls/SkinExCtrls_Shell.h"

#include "platform/sys/Shell.h"

void SkinShellOpen(const std::string& url) {
  ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
