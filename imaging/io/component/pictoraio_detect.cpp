// Content detection: the fixed order of tests, each from where detection
// began and never past the end of the stream.
#include <cstring>
#include <string>

#include "imaging/io/formats/bmpfilt.h"
#include "imaging/io/formats/jpegfilt.h"
#include "imaging/io/formats/pcxfilter.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/formats/pngfilt.h"
#include "imaging/io/tiff/tiffilt.h"
#include "imaging/io/formats/vqj2000.h"
#include "imaging/io/formats/vqtgafil.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

namespace {

// The first bytes of a stream, enough for every header test below.
constexpr int kHeadBytes = 128;

// The text of the first n bytes up to the first zero byte: the 12-byte
// stream headers the library's own stream saves write ("JFIF", "PCX2",
// "TIFF", and the older 4-byte "PCX").
std::string HeaderTag(const std::uint8_t* head, std::size_t n) {
  const auto* text = reinterpret_cast<const char*>(head);
  return std::string(text, strnlen(text, n));
}

int DetectBuiltIn(TStream* stream, std::int64_t start, std::int64_t left) {
  std::uint8_t head[kHeadBytes];
  std::int64_t got = 0;
  while (got < kHeadBytes) {
    std::int64_t n = stream->Read(head + got, kHeadBytes - got);
    if (n <= 0) break;
    got += n;
  }
  // Each test below needs more bytes than it looks at, as the stream
  // headers are followed by data.
  auto has = [&](std::int64_t more) { return left > more && got > more; };
  auto word = [&] { return std::uint16_t(head[0] | (head[1] << 8)); };

  if (has(12) && HeaderTag(head, 5) == "JFIF") return ioJPEG;
  if (has(13) && std::memcmp(head, "GIF", 3) == 0) return ioGIF;
  if (has(12) && HeaderTag(head, 5) == "PCX2") return ioPCX;
  if (has(4) && HeaderTag(head, 4) == "PCX") return ioPCX;
  if (has(14) && word() == 0x4D42) return ioBMP;  // "BM"
  // Needs more than 128 bytes, so only the first 128 are in head.
  if (left > kHeadBytes && got == kHeadBytes && head[0] == 0x0A && head[1] <= 5) return ioPCX;
  if (has(12) && HeaderTag(head, 5) == "TIFF") return ioTIFF;
  if (has(8) && IsTiffHeader(head)) return ioTIFF;

  auto test = [&](bool (*is)(TStream*)) {
    stream->Seek(start, soBeginning);
    return is(stream);
  };
  if (left > 8 && test(IsPngStream)) return ioPNG;
  if (test(IsIcoStream)) return ioICO;
  if (test(IsCurStream)) return ioCUR;
  if (test(IsTgaStream)) return ioTGA;
  if (test(IsPnmStream)) return ioPXM;
  stream->Seek(start, soBeginning);
  if (FindJpegStart(stream) >= 0) return ioJPEG;
  if (test(IsJp2Stream)) return ioJP2;
  if (test(IsJ2kStream)) return ioJ2K;
  if (test(IsAviStream)) return ioAVI;
  if (test(IsDcxStream)) return ioDCX;
  return ioUnknown;
}

}  // namespace

bool IsAviStream(TStream* Stream) {
  TStreamPositionGuard guard(Stream);
  std::uint8_t riff[12];
  return ReadExact(Stream, riff, sizeof riff) && std::memcmp(riff, "RIFF", 4) == 0 &&
         std::memcmp(riff + 8, "AVI ", 4) == 0;
}

int DetectStreamFileType(TStream* Stream) {
  try {
    TStreamPositionGuard guard(Stream);
    const std::int64_t start = guard.Start();
    const std::int64_t left = StreamBytesLeft(Stream);
    // Formats an application added come first.
    for (int i = 0; i < FileFormatCount(); ++i) {
      TVQFormatInfo* row = FileFormatAt(i);
      if (!row->TestProc) continue;
      Stream->Seek(start, soBeginning);
      if (row->TestProc(Stream)) return row->FileType;
    }
    Stream->Seek(start, soBeginning);
    return DetectBuiltIn(Stream, start, left);
  } catch (...) {
    // No test had succeeded when one raised.
    return ioUnknown;
  }
}

int DetectFileType(const std::string& FileName, bool CheckExtension) {
  int result = ioUnknown;
  try {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    result = DetectStreamFileType(&file);
  } catch (...) {
    return ioUnknown;
  }
  if (!CheckExtension || result == ioUnknown) return result;
  std::string ext = LowerCase(ExtractFileExt(FileName));
  if (!ext.empty()) ext.erase(0, 1);
  TVQFormatInfo* row = FormatInfoByExtension(ext);
  if (!row) return ioUnknown;
  // The name tells an icon from a cursor, and an icon named as another
  // format is taken as that format.
  if (result == ioICO || result == ioCUR) return row->FileType;
  return result == row->FileType ? result : ioUnknown;
}
