#include "imaging/core/base/vqzdefs.h"

#include <algorithm>
#include <vector>

#include "imaging/core/processing/pictoraproc_utils.h"
#include "imaging/core/base/vqwords.h"
#include "imaging/core/base/vqzutils.h"

std::int32_t GrayWeightRed = 21;
std::int32_t GrayWeightGreen = 71;
std::int32_t GrayWeightBlue = 8;
Int64 DefaultMemoryThreshold = -1;
std::string TempFolder;
std::int32_t CosineTable[256];

TCriticalSection& GlobalLock() {
  // Built on first use, so that code running during static start-up finds it.
  static TCriticalSection lock;
  return lock;
}

Int64 AutoMemoryThreshold() { return GetAvailPhys() / 2; }

namespace {
int defsStartCount = 0;
}

void VqzDefsStart() {
  if (++defsStartCount != 1) return;
  GlobalLock();  // made now rather than on first use by a worker thread
  GrayWeightRed = 21;
  GrayWeightGreen = 71;
  GrayWeightBlue = 8;
}

void VqzDefsEnd() {
  if (defsStartCount == 0 || --defsStartCount != 0) return;
  ClearWordTable();
}

namespace {

struct ModuleEntry {
  std::string Name;
  int Rank;
  void (*Start)();
  void (*End)();
};

// The library's own modules come first, so that another module of equal
// rank runs after them.
std::vector<ModuleEntry>& Modules() {
  static std::vector<ModuleEntry> modules = {
      {"vqzdefs", vqrDefinitions, VqzDefsStart, VqzDefsEnd},
      {"pictoraproc", vqrProcessing, PictoraProcStart, PictoraProcEnd},
      {"vqzutils", vqrUtilities, VqzUtilsStart, VqzUtilsEnd},
  };
  return modules;
}

std::vector<ModuleEntry> startedModules;
int libraryStartCount = 0;

}  // namespace

void RegisterImagingModule(const std::string& name, int rank, void (*start)(), void (*end)()) {
  auto& modules = Modules();
  for (const ModuleEntry& m : modules)
    if (m.Name == name) return;
  modules.push_back({name, rank, start, end});
}

void StartImagingLibrary() {
  if (++libraryStartCount != 1) return;
  startedModules = Modules();
  std::stable_sort(startedModules.begin(), startedModules.end(),
                   [](const ModuleEntry& a, const ModuleEntry& b) { return a.Rank < b.Rank; });
  for (const ModuleEntry& m : startedModules)
    if (m.Start) m.Start();
}

void EndImagingLibrary() {
  if (libraryStartCount == 0 || --libraryStartCount != 0) return;
  for (auto it = startedModules.rbegin(); it != startedModules.rend(); ++it)
    if (it->End) it->End();
  startedModules.clear();
}
