#include "skin/engine/spzlibcompress.h"

#include <algorithm>
#include <climits>

namespace {

const char* const kInvalidOperation = "Invalid stream operation";

int CCheck(int code) {
  if (code < 0) throw ECompressionError("error");
  return code;
}

}  // namespace

TCustomZlibStream::TCustomZlibStream(TStream& strm) : strm_(strm), strmPos_(strm.Position()) {}

void TCustomZlibStream::RestorePosition() {
  if (strm_.Position() != strmPos_) strm_.SetPosition(strmPos_);
}

// --- compression ---------------------------------------------------------------

TCompressionStream::TCompressionStream(TCompressionLevel level, TStream& dest) : TCustomZlibStream(dest) {
  zrec_.next_out = buffer_;
  zrec_.avail_out = kBufferSize;
  if (deflateInit(&zrec_, static_cast<int>(level)) != Z_OK) throw ECompressionError("error");
}

TCompressionStream::~TCompressionStream() {
  try {
    Finish();
  } catch (...) {
    // A destructor cannot report; callers who care call Finish themselves.
  }
  deflateEnd(&zrec_);
}

std::int64_t TCompressionStream::Read(void*, std::int64_t) { throw ECompressionError(kInvalidOperation); }

std::int64_t TCompressionStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  if (finished_) throw ECompressionError(kInvalidOperation);
  RestorePosition();
  const auto* in = static_cast<const Bytef*>(buffer);
  std::int64_t left = count;
  while (left > 0) {
    const uInt piece = static_cast<uInt>(std::min<std::int64_t>(left, UINT_MAX));
    zrec_.next_in = const_cast<Bytef*>(in);
    zrec_.avail_in = piece;
    while (zrec_.avail_in > 0) {
      CCheck(deflate(&zrec_, Z_NO_FLUSH));
      if (zrec_.avail_out == 0) {
        strm_.WriteBuffer(buffer_, kBufferSize);
        zrec_.next_out = buffer_;
        zrec_.avail_out = kBufferSize;
        strmPos_ = strm_.Position();
      }
    }
    in += piece;
    left -= piece;
  }
  return count;
}

std::int64_t TCompressionStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  if (offset == 0 && origin == soCurrent) return static_cast<std::int64_t>(zrec_.total_in);
  throw ECompressionError(kInvalidOperation);
}

void TCompressionStream::Finish() {
  if (finished_) return;
  finished_ = true;
  zrec_.next_in = nullptr;
  zrec_.avail_in = 0;
  RestorePosition();
  while (CCheck(deflate(&zrec_, Z_FINISH)) != Z_STREAM_END && zrec_.avail_out == 0) {
    strm_.WriteBuffer(buffer_, kBufferSize);
    zrec_.next_out = buffer_;
    zrec_.avail_out = kBufferSize;
  }
  if (zrec_.avail_out < kBufferSize) strm_.WriteBuffer(buffer_, kBufferSize - zrec_.avail_out);
  strmPos_ = strm_.Position();
}

// --- decompression -------------------------------------------------------------

TDecompressionStream::TDecompressionStream(TStream& source) : TCustomZlibStream(source) {
  zrec_.next_in = buffer_;
  zrec_.avail_in = 0;
  if (inflateInit(&zrec_) != Z_OK) throw EDecompressionError("compression error");
}

TDecompressionStream::~TDecompressionStream() { inflateEnd(&zrec_); }

std::int64_t TDecompressionStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || ended_) return 0;
  RestorePosition();
  auto* out = static_cast<Bytef*>(buffer);
  std::int64_t produced = 0;
  while (produced < count) {
    if (zrec_.avail_in == 0) {
      const std::int64_t got = strm_.Read(buffer_, kBufferSize);
      if (got <= 0) return produced;
      zrec_.next_in = buffer_;
      zrec_.avail_in = static_cast<uInt>(got);
      strmPos_ = strm_.Position();
    }
    const uInt room = static_cast<uInt>(std::min<std::int64_t>(count - produced, UINT_MAX));
    zrec_.next_out = out + produced;
    zrec_.avail_out = room;
    const int result = inflate(&zrec_, Z_NO_FLUSH);
    produced += room - zrec_.avail_out;
    if (result == Z_STREAM_END) {
      ended_ = true;
      return produced;
    }
    // With input and room both present, anything but Z_OK (a preset
    // dictionary, no progress, corrupt data) would repeat for ever.
    if (result != Z_OK) throw EDecompressionError("compression error");
  }
  return produced;
}

std::int64_t TDecompressionStream::Write(const void*, std::int64_t) { throw EDecompressionError(kInvalidOperation); }

std::int64_t TDecompressionStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const auto total = static_cast<std::int64_t>(zrec_.total_out);
  std::int64_t skip = -1;
  if (offset == 0 && origin == soBeginning) {
    if (inflateReset(&zrec_) != Z_OK) throw EDecompressionError("compression error");
    zrec_.next_in = buffer_;
    zrec_.avail_in = 0;
    ended_ = false;
    strm_.SetPosition(0);
    strmPos_ = 0;
    return 0;
  }
  if (origin == soCurrent && offset >= 0)
    skip = offset;
  else if (origin == soBeginning && offset > total)
    skip = offset - total;
  else
    throw EDecompressionError(kInvalidOperation);
  Bytef scrap[kBufferSize];
  while (skip > 0) {
    const std::int64_t piece = std::min<std::int64_t>(skip, kBufferSize);
    ReadBuffer(scrap, piece);
    skip -= piece;
  }
  return static_cast<std::int64_t>(zrec_.total_out);
}

// --- routines --------------------------------------------------------------------

void CompressSkinStream(TStream& source, TStream& target) {
  TCompressionStream compressor(TCompressionLevel::clMax, target);
  source.SetPosition(0);
  Bytef piece[TCustomZlibStream::kBufferSize];
  for (;;) {
    const std::int64_t got = source.Read(piece, sizeof piece);
    if (got <= 0) break;
    compressor.WriteBuffer(piece, got);
  }
  compressor.Finish();
}

void DecompressSkinStream(TStream& target, TStream& source, std::int64_t maxBytes, bool wholeStream) {
  source.SetPosition(0);
  TDecompressionStream inflater(source);
  Bytef piece[TCustomZlibStream::kBufferSize];
  std::int64_t total = 0;
  for (;;) {
    const std::int64_t got = inflater.Read(piece, sizeof piece);
    if (got <= 0) break;
    total += got;
    if (total > maxBytes) throw EDecompressionError("Decompressed data too large");
    target.WriteBuffer(piece, got);
  }
  if (wholeStream && !inflater.Ended()) throw EDecompressionError("The compressed data ends early");
}
