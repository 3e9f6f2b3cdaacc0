#include "imaging/core/processing/pictoraproc_utils.h"

#include <cmath>
#include <cstring>

#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "platform/graphics/Bitmap.h"

std::vector<FilterPreset> FilterPresets;

namespace {
bool IsIndexedFormat(TPixelFormat f) { return f == pf1bit || f == pf4bit || f == pf8bit; }
}  // namespace

std::vector<std::string> FilterPresetNames;

int CeilInt(double x) {
  const double t = std::trunc(x);
  return static_cast<int>(t) + (x - t > 0 ? 1 : 0);
}

int FloorInt(double x) {
  const double t = std::trunc(x);
  return static_cast<int>(t) - (x - t < 0 ? 1 : 0);
}

TRGBPixel ColorToRGBTriple(TColor color) {
  const auto v = static_cast<std::uint32_t>(ColorToRGB(color));
  return TRGBPixel{static_cast<Byte>(v >> 16), static_cast<Byte>(v >> 8), static_cast<Byte>(v)};
}

void OrderRect(int& x1, int& y1, int& x2, int& y2) {
  if (x2 < x1) SwapInt(x1, x2);
  if (y2 < y1) SwapInt(y1, y2);
}

void SwapPaletteRB(TRGBPixel* palette, int count) { SwapRB(palette, count); }

void SwapRB(TRGBPixel* triples, int count) {
  for (int i = 0; i < count; ++i) SwapByte(triples[i].b, triples[i].r);
}

void CopySwapRB(TRGBPixel* dst, const TRGBPixel* src, int count) {
  for (int i = 0; i < count; ++i) dst[i] = TRGBPixel{src[i].r, src[i].g, src[i].b};
}

void CopyVclBitmap(TBitmap* source, TBitmap* destination) {
  if (!source || !destination || source == destination) return;
  const TPixelFormat format = source->PixelFormat();
  if (source->Width() == 0 || source->Height() == 0) {
    destination->SetSize(1, 1);
    destination->SetPixelFormat(format);
    return;
  }
  if (destination->Width() != source->Width() || destination->Height() != source->Height() ||
      destination->PixelFormat() != format) {
    destination->SetSize(1, 1);
    destination->SetPixelFormat(format);
    destination->SetSize(source->Width(), source->Height());
  }
  // Indices mean nothing without their colours.
  if (IsIndexedFormat(format)) destination->SetColorTable(source->ColorTable());
  // Rows are one bottom-up block: the last row has the lowest address.
  const std::size_t bytes = static_cast<std::size_t>(source->RowBytes()) * static_cast<std::size_t>(source->Height());
  std::memcpy(destination->ScanLine(destination->Height() - 1), source->ScanLine(source->Height() - 1), bytes);
}

std::unique_ptr<TBitmap> CloneVclBitmap(TBitmap* source) {
  auto copy = std::make_unique<TBitmap>();
  CopyVclBitmap(source, copy.get());
  return copy;
}

void AddFilterPreset(const FilterPreset& preset, const std::string& name) {
  FilterPresets.push_back(preset);
  FilterPresetNames.push_back(name);
}

void BuildFilterPresets() {
  FreeFilterPresets();
  struct Row {
    const char* Name;
    FilterPreset Preset;
  };
  static const Row kPresets[] = {
      {"None", {{{0, 0, 0}, {0, 1, 0}, {0, 0, 0}}, 0}},
      {"Blur", {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 9}},
      {"Edges", {{{1, 1, 1}, {1, -8, 1}, {1, 1, 1}}, 1}},
      {"Emboss", {{{-1, 0, 1}, {-1, 1, 1}, {-1, 0, 1}}, 1}},
      {"High Pass 1", {{{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}}, 1}},
      {"High Pass 2", {{{-1, -1, -1}, {-1, 9, -1}, {-1, -1, -1}}, 1}},
      {"High Pass 3", {{{1, -2, 1}, {-2, 5, -2}, {1, -2, 1}}, 1}},
      {"Low Pass 1", {{{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 10}},
      {"Low Pass 2", {{{1, 2, 1}, {2, 4, 2}, {1, 2, 1}}, 16}},
  };
  for (const Row& r : kPresets) AddFilterPreset(r.Preset, r.Name);
}

void FreeFilterPresets() {
  FilterPresets.clear();
  FilterPresetNames.clear();
}

namespace {
int procStartCount = 0;
}

void PictoraProcStart() {
  if (++procStartCount != 1) return;
  BuildBitExpansionTable();
  BuildFilterPresets();
}

void PictoraProcEnd() {
  if (procStartCount == 0 || --procStartCount != 0) return;
  FreeFilterPresets();
}
