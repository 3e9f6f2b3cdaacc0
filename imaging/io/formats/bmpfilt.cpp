#include "imaging/io/formats/bmpfilt.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "imaging/io/formats/bmpfilt_ico.h"
#include "imaging/io/formats/bmpfilt_pnm.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "platform/graphics/ByteReader.h"
#include "platform/rtl/SysUtils.h"

namespace {

// ---- icons and cursors -------------------------------------------------------

constexpr std::int64_t kIconMinBytes = 23;  // header and one entry, plus a byte of data
constexpr int kIconHeaderSize = 6;
constexpr int kIconEntrySize = 16;
constexpr std::uint16_t kIconType = 1;
constexpr std::uint16_t kCursorType = 2;

bool IsIconDirectory(TStream* stream, std::uint16_t type) {
  TStreamPositionGuard guard(stream);
  if (StreamBytesLeft(stream) < kIconMinBytes) return false;
  std::uint8_t header[kIconHeaderSize];
  if (!ReadExact(stream, header, sizeof header)) return false;
  TByteReader h(header, sizeof header);
  const std::uint16_t reserved = h.U16(), fileType = h.U16(), count = h.U16();
  if (reserved != 0 || fileType != type || count == 0) return false;
  // The whole directory at once; a count the stream cannot hold fails here.
  std::vector<std::uint8_t> entries(std::size_t(count) * kIconEntrySize);
  if (!ReadExact(stream, entries.data(), std::int64_t(entries.size()))) return false;
  TByteReader e(entries.data(), entries.size());
  // Offsets count from the directory's start, as the reader seeks by them.
  std::uint64_t endOfEntry = kIconHeaderSize;
  for (int i = 0; i < count; ++i) {
    e.Skip(3);
    const std::uint8_t entryReserved = e.U8();
    e.Skip(4);
    const std::uint32_t dataSize = e.U32(), dataOffset = e.U32();
    endOfEntry += kIconEntrySize;
    if (entryReserved != 0 || dataSize == 0 || dataOffset < endOfEntry) return false;
  }
  return true;
}

// ---- portable any-maps ----------------------------------------------------------

constexpr int kPnmMaxTokens = 501;
// The test looks no further into a file than this, so a file of nothing but
// one endless comment cannot keep it reading.
constexpr std::int64_t kPnmScanLimit = 1 << 20;
// Longer tokens are consumed but not kept: no magic or size is that long.
constexpr std::size_t kPnmTokenKeep = 32;

bool IsAlnum(int c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Tokens of a PNM header: runs of letters and digits, separated by any other
// byte; "#" starts a comment running to the end of the line.
class TPnmTokens {
 public:
  explicit TPnmTokens(TStream* stream) : stream_(stream) {}

  // False at the end of the stream (or of the scan) with no token.
  bool Next(std::string& token, bool& comment) {
    token.clear();
    for (int c = Get(); c >= 0; c = Get()) {
      if (c == '#') {
        comment = true;
        for (c = Get(); c >= 0 && c != '\n' && c != '\r'; c = Get()) Keep(token, c);
        token = "#" + Trim(token);
        return true;
      }
      if (!IsAlnum(c)) continue;
      comment = false;
      for (; c >= 0 && IsAlnum(c); c = Get()) Keep(token, c);
      // A comment right after a token is still a comment.
      if (c == '#') --at_;
      return true;
    }
    return false;
  }

 private:
  static void Keep(std::string& token, int c) {
    if (token.size() < kPnmTokenKeep) token.push_back(char(c));
  }
  int Get() {
    if (at_ == filled_) {
      if (scanned_ >= kPnmScanLimit) return -1;
      std::int64_t n = stream_->Read(buffer_, sizeof buffer_);
      if (n <= 0) return -1;
      scanned_ += n;
      filled_ = n;
      at_ = 0;
    }
    return buffer_[at_++];
  }

  TStream* stream_;
  std::uint8_t buffer_[4096];
  std::int64_t filled_ = 0;
  std::int64_t at_ = 0;
  std::int64_t scanned_ = 0;
};

}  // namespace

bool IsIcoStream(TStream* Stream) { return IsIconDirectory(Stream, kIconType); }
bool IsCurStream(TStream* Stream) { return IsIconDirectory(Stream, kCursorType); }

bool IsPnmStream(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  TPnmTokens tokens(Stream);
  int read = 0;
  // The next token that is not a comment, within the token budget.
  auto next = [&](std::string& token) {
    bool comment = false;
    while (read < kPnmMaxTokens && tokens.Next(token, comment)) {
      ++read;
      if (!comment) return true;
    }
    token.clear();
    return false;
  };
  std::string magic, width, height;
  if (!next(magic)) return false;
  if (magic.size() != 2 || magic[0] != 'P' || magic[1] < '1' || magic[1] > '6') return false;
  next(width);
  next(height);
  return StrToIntDef(width, -1) > 0 && StrToIntDef(height, -1) > 0;
}

// ---- the BMP slot of the I/O component -----------------------------------------

void InstallBmpFilter();

namespace {

void BmpFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  if (!Params) return;
  const int size = int(std::clamp<std::int64_t>(Args.DataSize, 0, 0x7FFFFFFF));
  LoadBmpImage(Stream, Image, size, false, Args.ParamsOnly, Progress, *Params);
}

void BmpFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                   TVQProgressRec& Progress) {
  if (Params) SaveBmpImage(Stream, Image, *Params, Progress);
}

void PnmFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  if (Params) LoadPnmImage(Stream, Image, *Params, Args.ParamsOnly, Progress);
}

void PnmFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                   TVQProgressRec& Progress) {
  if (Params) SavePnmImage(Stream, Image, *Params, Progress);
}

void WbmpFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                    TVQProgressRec& Progress) {
  if (Params) LoadWbmpImage(Stream, Image, *Params, Args.ParamsOnly, Progress);
}

void WbmpFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals*, TVQFilterSaveArgs&, TVQProgressRec& Progress) {
  SaveWbmpImage(Stream, Image, Progress);
}

void IcoFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  if (Params) LoadIcoImage(Stream, Image, *Params, Args.NoAlphaMask, Args.Mask, Progress, Args.ParamsOnly);
}

// One image per leading size with a width above 0.
void IcoFilterSave(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterSaveArgs&,
                   TVQProgressRec& Progress) {
  if (!Params) return;
  std::size_t n = 0;
  while (n < std::size(Params->IcoSizes) && Params->IcoSizes[n].Width > 0) ++n;
  SaveIcoImage(Stream, Image, *Params, std::span(Params->IcoBitCounts, n), std::span(Params->IcoSizes, n), Progress);
}

void CurFilterLoad(TStream& Stream, TVQBitmap* Image, TIOParamsVals* Params, TVQFilterLoadArgs& Args,
                   TVQProgressRec& Progress) {
  if (Params) LoadCurImage(Stream, Image, *Params, Args.NoAlphaMask, Args.Mask, Progress, Args.ParamsOnly);
}

// Detection already links this module, so the slots are filled at start-up.
[[maybe_unused]] const bool kBmpSlotFilled = (InstallBmpFilter(), true);

}  // namespace

void InstallBmpFilter() {
  SetBuiltInFilter(ioBMP, BmpFilterLoad, BmpFilterSave);
  SetBuiltInFilter(ioPXM, PnmFilterLoad, PnmFilterSave);
  SetBuiltInFilter(ioWBMP, WbmpFilterLoad, WbmpFilterSave);
  SetBuiltInFilter(ioICO, IcoFilterLoad, IcoFilterSave);
  SetBuiltInFilter(ioCUR, CurFilterLoad, nullptr);
}
