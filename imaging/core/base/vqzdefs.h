// Process-wide values of the imaging library: the shared lock, the grey
// weights, the memory threshold of new bitmaps, the temporary folder and the
// blend cosine table, and the registry that starts and ends the library's
// modules in order.
#pragma once
#include <cstdint>
#include <string>

#include "platform/rtl/Threads.h"
#include "platform/rtl/Types.h"

// An RGB triple as it lies in 24-bit rows and palettes.
struct TRGBPixel {
  Byte b = 0;
  Byte g = 0;
  Byte r = 0;
  friend bool operator==(const TRGBPixel&, const TRGBPixel&) = default;
};
static_assert(sizeof(TRGBPixel) == 3);

// Recursive; serialises the multi-image view's queue, loads and painting.
TCriticalSection& GlobalLock();

// Per-cent weights of colour-to-grey; read at each use so an application may
// change them. Grey = (r * red + g * green + b * blue) div 100.
extern std::int32_t GrayWeightRed;
extern std::int32_t GrayWeightGreen;
extern std::int32_t GrayWeightBlue;

// Memory threshold of every bitmap created afterwards; -1 is automatic (half
// of the available physical memory). 64-bit, so that machines with more than
// 4 GiB free get a true threshold rather than a wrapped one.
extern Int64 DefaultMemoryThreshold;
// Half of the available physical memory, the automatic threshold.
Int64 AutoMemoryThreshold();

// Folder of temporary files; empty means the system temporary folder.
extern std::string TempFolder;

// T[i] = Round(64 - 64 cos(i pi / 255)); filled by BuildCosineTable.
extern std::int32_t CosineTable[256];

// ---- module start and end ---------------------------------------------------

// Ranks of the library's modules; starts run in rising rank, ends in the
// reverse order.
constexpr int vqrDefinitions = 0;
constexpr int vqrView = 100;
constexpr int vqrProcessing = 200;
constexpr int vqrIOFilters = 300;
constexpr int vqrIO = 400;
constexpr int vqrUtilities = 1000;

// Adds a module's start and end routines; modules of equal rank run in the
// order they were registered. A module registered twice under one name is
// kept once.
void RegisterImagingModule(const std::string& name, int rank, void (*start)(), void (*end)());

// The definitions module's own start and end. Start counts its calls and
// works on the first; End works when the count returns to 0.
void VqzDefsStart();
void VqzDefsEnd();

// Starts every registered module in rank order, the library's own ones
// included (definitions first, processing, utilities last); EndImagingLibrary
// ends them in the reverse order. Nested calls are counted: only the first
// start and the matching last end do the work.
void StartImagingLibrary();
void EndImagingLibrary();
