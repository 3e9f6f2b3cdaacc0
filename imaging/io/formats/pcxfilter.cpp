// The DCX container and the PCX and DCX slots of the I/O component.
#include "imaging/io/formats/pcxfilter.h"

#include <algorithm>
#include <vector>

#include "imaging/core/base/vqzutils_containers.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/graphics/ByteReader.h"

namespace {

struct TDcxTable {
  bool magic = false;
  bool complete = false;  // ended by a 0 or by the 1024th entry
  std::vector<std::uint32_t> offsets;
};

TDcxTable ReadDcxTable(TStream* stream) {
  TDcxTable t;
  std::uint8_t word[4];
  if (!ReadExact(stream, word, sizeof word)) return t;
  if (TByteReader(word, 4).U32() != kDcxMagic) return t;
  t.magic = true;
  while (int(t.offsets.size()) < kDcxMaxPages) {
    if (!ReadExact(stream, word, sizeof word)) return t;
    std::uint32_t offset = TByteReader(word, 4).U32();
    if (offset == 0) break;
    t.offsets.push_back(offset);
  }
  t.complete = true;
  return t;
}

// A page runs from its offset to the nearest larger offset, or to the end.
std::int64_t DcxPageSize(const std::vector<std::uint32_t>& offsets, std::size_t page, std::int64_t streamSize) {
  std::int64_t end = streamSize;
  for (std::uint32_t o : offsets)
    if (o > offsets[page] && o < end) end = o;
  return end - offsets[page];
}

}  // namespace

bool IsDcxStream(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  const std::int64_t size = Stream->Size();
  TDcxTable t = ReadDcxTable(Stream);
  if (!t.magic || !t.complete) return false;
  for (std::uint32_t offset : t.offsets)
    if (std::int64_t(offset) >= size) return false;
  return true;
}

int CountDcxPages(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  return int(ReadDcxTable(Stream).offsets.size());
}

void LoadDcxPage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                 TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  if (!IsDcxStream(&Stream)) {
    abortFlag = true;
    return;
  }
  const std::vector<std::uint32_t> offsets = ReadDcxTable(&Stream).offsets;
  // A table without pages has no page to clamp the index to.
  if (offsets.empty()) {
    abortFlag = true;
    return;
  }
  const int page = std::clamp(Params.DcxImageIndex, 0, int(offsets.size()) - 1);
  Params.DcxImageIndex = page;
  const std::int64_t size = Stream.Size();
  Stream.SetPosition(offsets[std::size_t(page)]);
  LoadPcxImage(Stream, Bitmap, Params, ParamsOnly, Progress, DcxPageSize(offsets, std::size_t(page), size));
}

void SaveDcxPage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress) {
  bool dummyAbort = false;
  bool& abortFlag = Progress.Aborting ? *Progress.Aborting : dummyAbort;
  const std::int64_t size = Stream.Size();
  std::vector<std::uint32_t> old;
  if (size > 0) {
    Stream.SetPosition(0);
    if (!IsDcxStream(&Stream)) {
      abortFlag = true;
      return;
    }
    old = ReadDcxTable(&Stream).offsets;
  }
  const int count = int(old.size());
  const int index = Params.DcxImageIndex;
  const bool insert = index >= 0 && index <= count;
  // A full table has no room for another page.
  if (insert && count >= kDcxMaxPages) {
    abortFlag = true;
    return;
  }
  TMemoryStream out;
  std::vector<std::uint8_t> table(std::size_t(count + 2) * 4 + 4, 0);
  PutU32(table.data(), kDcxMagic);
  out.WriteBuffer(table.data(), std::int64_t(table.size()));
  std::vector<std::int64_t> positions;
  std::vector<std::uint8_t> page;
  auto writeNew = [&] {
    positions.push_back(out.Position());
    SavePcxImage(out, Bitmap, Params, Progress);
  };
  for (int i = 0; i < count && !abortFlag; ++i) {
    if (i == index) writeNew();
    positions.push_back(out.Position());
    page.resize(std::size_t(DcxPageSize(old, std::size_t(i), size)));
    Stream.SetPosition(old[std::size_t(i)]);
    if (!ReadExact(&Stream, page.data(), std::int64_t(page.size()))) abortFlag = true;
    SafeStreamWrite(&out, abortFlag, page.data(), std::int64_t(page.size()));
  }
  if (index == count && !abortFlag) writeNew();
  // Offsets are 32-bit.
  if (abortFlag || out.Size() > 0xFFFFFFFFLL) {
    abortFlag = true;
    return;
  }
  for (std::size_t i = 0; i < positions.size(); ++i) PutU32(table.data() + 4 + 4 * i, std::uint32_t(positions[i]));
  out.SetPosition(0);
  out.WriteBuffer(table.data(), std::int64_t(table.size()));
  Stream.SetSize(0);
  Stream.SetPosition(0);
  SafeStreamWrite(&Stream, abortFlag, out.Memory(), out.Size());
}

// ---- the PCX and DCX slots of the I/O component -----------------------------------

namespace {

void PcxFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  if (Params) LoadPcxImage(Stream, Image, *Params, Args.ParamsOnly, Progress, Args.DataSize);
}

void PcxFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                   TVQProgressRec& Progress) {
  if (Params) SavePcxImage(Stream, Image, *Params, Progress);
}

void DcxFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  if (Params) LoadDcxPage(Stream, Image, *Params, Args.ParamsOnly, Progress);
}

void DcxFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                   TVQProgressRec& Progress) {
  if (Params) SaveDcxPage(Stream, Image, *Params, Progress);
}

// Detection already links this module, so the slots are filled at start-up.
[[maybe_unused]] const bool kPcxSlotsFilled = (InstallPcxFilter(), true);

}  // namespace

void InstallPcxFilter() {
  SetBuiltInFilter(ioPCX, PcxFilterLoad, PcxFilterSave);
  SetBuiltInFilter(ioDCX, DcxFilterLoad, DcxFilterSave);
}
