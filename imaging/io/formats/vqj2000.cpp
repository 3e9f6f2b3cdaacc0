#include "imaging/io/formats/vqj2000.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

constexpr std::uint8_t kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr std::uint8_t kJ2kStart[4] = {0xFF, 0x4F, 0xFF, 0x51};

template <std::size_t N>
bool J2kStartsWith(TStream* stream, const std::uint8_t (&magic)[N]) {
  TStreamPositionGuard guard(stream);
  std::uint8_t head[N];
  return ReadExact(stream, head, N) && std::memcmp(head, magic, N) == 0;
}

struct TJ2kFormatRow {
  const char* name;
  const char* description;
};
constexpr TJ2kFormatRow kJ2kFormats[] = {
    {"jp2", "JPEG-2000 JP2 File Format Syntax (ISO/IEC 15444-1)"},
    {"jpc", "JPEG-2000 Code Stream Syntax (ISO/IEC 15444-1)"},
};

// Beyond this a lower rate cannot make the single layer any smaller.
constexpr double kJ2kMaxRatio = 1e9;
constexpr int kJ2kMaxResolutions = 6;

TJ2kYccTables J2kBuildYccTables() {
  // Single precision, as the tables always were.
  const float kr = 0.299f, kg = 0.587f, kb = 0.114f;
  TJ2kYccTables t{};
  for (int i = 0; i < 256; ++i) {
    const float d = float(i - 128);
    t.CrR[std::size_t(i)] = int(Round((2 - 2 * kr) * d));
    t.CbB[std::size_t(i)] = int(Round((2 - 2 * kb) * d));
    t.CrG[std::size_t(i)] = -int(Round(kr * (2 - 2 * kr) / kg * d));
    t.CbG[std::size_t(i)] = -int(Round(kb * (2 - 2 * kb) / kg * d));
  }
  return t;
}

std::string J2kNewTempFileName() {
  const std::string folder = TempFolder.empty() ? GetTempPath() : TempFolder;
  CreateFolderPath(folder);
  return GetTempFileName(folder, "pictora");
}

}  // namespace

bool IsJp2Stream(TStream* Stream) { return J2kStartsWith(Stream, kJp2Signature); }
bool IsJ2kStream(TStream* Stream) { return J2kStartsWith(Stream, kJ2kStart); }

const char* J2kFormatName(int Format) {
  return Format >= 0 && Format < int(std::size(kJ2kFormats)) ? kJ2kFormats[Format].name : nullptr;
}

const char* J2kFormatDescription(int Format) {
  return Format >= 0 && Format < int(std::size(kJ2kFormats)) ? kJ2kFormats[Format].description : nullptr;
}

const TJ2kYccTables& J2kYccTables() {
  static const TJ2kYccTables tables = J2kBuildYccTables();
  return tables;
}

TJ2kEncoderOptions J2kEncoderOptions(const TIOParamsVals& Params, int Width, int Height) {
  TJ2kEncoderOptions o;
  // A depth the last read left behind that no code stream can hold is
  // written at 8 bits.
  o.Precision = Params.BitsPerSample >= 1 && Params.BitsPerSample <= 16 ? Params.BitsPerSample : 8;
  o.Components = Params.J2kColorSpace == 0 ? 1 : 3;
  o.ColourTransform = o.Components == 3;
  // The rate is the share of the raw size to keep: 1 and above keep every
  // bit; a rate of 0 or below asks for the smallest stream.
  const double rate = Params.J2kRate;
  if (std::isnan(rate) || rate >= 1)
    o.Ratio = 0;
  else if (rate <= 1 / kJ2kMaxRatio)
    o.Ratio = kJ2kMaxRatio;
  else
    o.Ratio = 1 / rate;
  o.Progression = Params.J2kProgression <= 1 ? Params.J2kProgression : -1;
  // Every resolution level halves the picture; the smallest must keep a pixel.
  int levels = 1;
  for (int side = std::min(Width, Height); side > 1 && levels < kJ2kMaxResolutions; side >>= 1) ++levels;
  o.Resolutions = levels;
  return o;
}

TVQTmpStream::TVQTmpStream() : TFileStream(J2kNewTempFileName(), fmCreate) {}

TVQTmpStream::~TVQTmpStream() {
  if (!FileName().empty()) DeleteFile(FileName());
}

// ---- the JP2 and J2K slots of the I/O component -----------------------------------

namespace {

void J2kFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  if (Params) LoadJ2kImage(Stream, Image, *Params, Args.ParamsOnly, Progress);
}

void J2kFilterSaveJp2(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                      TVQProgressRec& Progress) {
  if (Params) SaveJ2kImage(Stream, Image, *Params, kJ2kFormatJp2, Progress);
}

void J2kFilterSaveJpc(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                      TVQProgressRec& Progress) {
  if (Params) SaveJ2kImage(Stream, Image, *Params, kJ2kFormatJpc, Progress);
}

// Detection already links this module, so the slots are filled at start-up.
[[maybe_unused]] const bool kJ2kSlotsFilled = (InstallJ2kFilter(), true);

}  // namespace

void InstallJ2kFilter() {
  SetBuiltInFilter(ioJP2, J2kFilterLoad, J2kFilterSaveJp2);
  SetBuiltInFilter(ioJ2K, J2kFilterLoad, J2kFilterSaveJpc);
}
