#include "imaging/io/acquire/vqtwain.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "imaging/core/base/vqzutils_window.h"
#include "platform/user/input/Focus.h"
#include "platform/user/windows/Window.h"

std::string TwainLogFileName;

void TwainLog(const std::string& Message) {
  if (TwainLogFileName.empty()) return;
  std::FILE* log = std::fopen(TwainLogFileName.c_str(), "a");
  if (!log) return;
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::fprintf(log, "%s : %s\n", stamp, Message.c_str());
  std::fflush(log);
  std::fclose(log);
}

void TwainCleanup(TVQTwainConnection& Connection, HWND Parent) {
  // A session record as a new session would start; nothing uses it
  // further, since no source is ever opened.
  struct {
    std::int32_t State = 1;
    HWND Parent = nullptr;
    std::string Manufacturer, ProductFamily, ProductName;
  } session;
  session.Parent = Parent ? Parent : GetActiveWindow();

  TwainLog("DestroyProxyWindow");
  if (Connection.ProxyWindow) {
    if (IsWindow(Connection.ProxyWindow)) DestroyWindow(Connection.ProxyWindow);
    Connection.ProxyWindow = nullptr;
    TwainLog("  DestroyProxyWindow : destroyed");
  } else {
    TwainLog("  DestroyProxyWindow : not destroyed, for future uses");
  }
  TwainLog("VQTW_UnloadSourceManager");
  if (Connection.SourceManager) {
    dlclose(Connection.SourceManager);
    Connection.SourceManager = nullptr;
    Connection.State = 1;
    TwainLog("  VQTW_UnloadSourceManager : Unload OK");
  } else {
    TwainLog("  VQTW_UnloadSourceManager not Unloaded, for future uses");
  }
}

TVQTWainParams::TVQTWainParams(TComponent* Owner) : owner_(Owner) { Reset(); }

TVQTWainParams::~TVQTWainParams() {
  TwainCleanup(Connection, FindOwnerWindow(owner_));
  Reset();
  FreeCapabilities();
}

void TVQTWainParams::FreeCapabilities() {
  for (int i = 0; i < capabilities_.Count(); ++i) std::free(capabilities_.Items(i));
  capabilities_.Clear();
}

void TVQTWainParams::Reset() {
  FreeCapabilities();
  for (auto& list : doubles_) list.Clear();
  for (auto& list : integers_) list.Clear();
  Setting1 = 1;
  Setting2 = 0;
  Flags1[0] = Flags1[1] = 0;
  Gamma = 2.2;
  for (auto& s : Settings3) s = 0;
  MultiPage = owner_ && owner_->ClassName() == "TPictoraMIO";
  Flag2 = 1;
  for (auto& s : Settings4) s = 0;
  Flags3[0] = 1;
  Flags3[1] = 0;
  Flags3[2] = MultiPage ? 1 : 0;
  Flags3[3] = 0;
  Threshold = 128;
  Settings5[0] = Settings5[1] = 0;
  MultiPage2 = MultiPage;
  for (auto& t : Texts) t.clear();
  Setting6 = 0;
  Setting7 = 0;
  Text2.clear();
}
