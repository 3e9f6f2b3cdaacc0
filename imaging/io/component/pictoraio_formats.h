// The file-format registry of the imaging library and content detection.
//
// The registry is one process-wide list of format rows in registration
// order: the built-in rows (filled at module start) and any an application
// adds. The built-in rows carry placeholder routines whose presence only
// says that the format can be read or written; the I/O component calls the
// built-in filters itself. Added rows carry real routines.
//
// Content detection tells a stream's format from its bytes by a fixed order
// of tests. Every test reads from where detection began, never past the end
// of the stream, and puts the stream back; a short, empty or unreadable
// stream is "not recognised" (0), never an error.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

class TVQBitmap;
class TIOParamsVals;
struct TVQProgressRec;

// File-type constants.
constexpr int ioUnknown = 0;
constexpr int ioTIFF = 1;
constexpr int ioGIF = 2;
constexpr int ioJPEG = 3;
constexpr int ioPCX = 4;
constexpr int ioBMP = 5;
constexpr int ioICO = 6;
constexpr int ioCUR = 7;
constexpr int ioPNG = 8;
constexpr int ioWMF = 9;
constexpr int ioEMF = 10;
constexpr int ioTGA = 11;
constexpr int ioPXM = 12;
constexpr int ioJP2 = 13;
constexpr int ioJ2K = 14;
constexpr int ioAVI = 15;
constexpr int ioWBMP = 16;
constexpr int ioPS = 17;
constexpr int ioPDF = 18;
constexpr int ioDCX = 19;

// Pages of the save-parameters dialog a row names.
constexpr std::uint16_t ppJPEG = 4;
constexpr std::uint16_t ppTIFF = 8;
constexpr std::uint16_t ppGIF = 16;
constexpr std::uint16_t ppBMP = 32;
constexpr std::uint16_t ppPCX = 64;
constexpr std::uint16_t ppPNG = 128;
constexpr std::uint16_t ppTGA = 256;
constexpr std::uint16_t ppJ2000 = 512;

using TVQReadProc = void (*)(TStream* Stream, TVQBitmap* Bitmap, TIOParamsVals* Params, bool ParamsOnly,
                             TVQProgressRec* Progress);
using TVQWriteProc = void (*)(TStream* Stream, TVQBitmap* Bitmap, TIOParamsVals* Params, TVQProgressRec* Progress);
// True when the stream, read from its position, holds the format.
using TVQTestProc = bool (*)(TStream* Stream);

// Description and ExtensionList keep at most this many bytes.
constexpr std::size_t kFormatTextMax = 80;

struct TVQFormatInfo {
  std::int32_t FileType = ioUnknown;
  std::string Description;
  // Upper case, without dots, separated by ';' ("TIF;TIFF").
  std::string ExtensionList;
  std::uint16_t DialogPages = 0;
  TVQReadProc ReadProc = nullptr;   // nullptr: cannot be read
  TVQWriteProc WriteProc = nullptr;  // nullptr: cannot be written
  TVQTestProc TestProc = nullptr;
};

// Raised by the registry's own load and save paths.
LUMIQA_EXCEPTION(EVQFormatError, Exception)

// The built-in routines that only mark a format as readable or writable;
// the test placeholder answers false.
void PlaceholderReadProc(TStream*, TVQBitmap*, TIOParamsVals*, bool, TVQProgressRec*);
void PlaceholderWriteProc(TStream*, TVQBitmap*, TIOParamsVals*, TVQProgressRec*);
bool PlaceholderTestProc(TStream*);

// Appends a copy of the row (texts cut to kFormatTextMax) and returns its
// index. A second row of a type already present is kept; look-ups by type
// find the first.
int AddFileFormat(const TVQFormatInfo& Record);
int FileFormatCount();
// The row at an index in registration order; nullptr outside the list.
TVQFormatInfo* FileFormatAt(int index);
TVQFormatInfo* FormatInfoByType(int FileType);
// The first row one of whose extensions equals Ext (without dot) ignoring
// case; nullptr for none or an empty Ext.
TVQFormatInfo* FormatInfoByExtension(const std::string& Ext);
// The N-th (0-based) extension of the type's row as stored; "" when there is
// no row or no such extension.
std::string FormatExtension(int FileType, int N);
int FormatExtensionCount(int FileType);

// The GIF row reads while the GIF decoder hook is set and writes while the
// encoder hook is set.
void UpdateGifFormatProcs();

// Fills the list with the built-in rows (emptying it first); FreeFileFormats
// empties it.
void RegisterBuiltInFormats();
void FreeFileFormats();

// Reads a file through the row of a type, for formats the I/O component has
// no filter of its own for. Raises EVQFormatError when the type has no row,
// when the row cannot be read, or when its reader is only the built-in
// placeholder (the format's filter is not part of this build), so a load
// never ends as a silent success with nothing read.
void ReadWithFormat(int FileType, TStream* Stream, TVQBitmap* Bitmap, TIOParamsVals* Params, bool ParamsOnly,
                    TVQProgressRec* Progress);

// ---- content detection ---------------------------------------------------------

// The file type of the stream's content from its position on; 0 when not
// recognised. The position is left where detection began.
int DetectStreamFileType(TStream* Stream);
// Opens the file (deny write) and detects its content; 0 when the file
// cannot be read. With CheckExtension a result must agree with the row of
// the name's extension: no row gives 0; an icon or a cursor takes the row's
// type; any other type stays only when it is the row's.
int DetectFileType(const std::string& FileName, bool CheckExtension);
// "RIFF", 4 bytes, "AVI ".
bool IsAviStream(TStream* Stream);

// ---- helpers of the format tests ------------------------------------------------

// Puts the stream back where it was when the guard was made.
class TStreamPositionGuard {
 public:
  explicit TStreamPositionGuard(TStream* stream) : stream_(stream), position_(stream->Position()) {}
  ~TStreamPositionGuard() {
    try {
      stream_->Seek(position_, soBeginning);
    } catch (...) {  // a stream of the application's may raise; a destructor must not
    }
  }
  std::int64_t Start() const { return position_; }
  TStreamPositionGuard(const TStreamPositionGuard&) = delete;
  TStreamPositionGuard& operator=(const TStreamPositionGuard&) = delete;

 private:
  TStream* stream_;
  std::int64_t position_;
};

// Bytes of the stream from its position to its end (0 when it is past it).
std::int64_t StreamBytesLeft(TStream* Stream);
// Reads exactly count bytes from the position; false, with the position
// wherever the short read left it, when fewer are there.
bool ReadExact(TStream* Stream, void* buffer, std::int64_t count);
