#include "imaging/io/formats/vqj2000_stream.h"

#include <algorithm>

#include "platform/rtl/ParallelRows.h"

namespace {

// The codec's own buffer; it reads and writes the TStream in blocks of this.
constexpr OPJ_SIZE_T kJ2kStreamChunk = OPJ_J2K_STREAM_CHUNK_SIZE;
constexpr OPJ_SIZE_T kJ2kStreamEnd = OPJ_SIZE_T(-1);

// No exception may cross the codec's frames: a stream that raises fails the
// call instead.
OPJ_SIZE_T J2kStreamRead(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* io = static_cast<TJ2kIO*>(user);
  if (*io->Aborting) return kJ2kStreamEnd;
  try {
    const std::int64_t left = io->End - io->Stream->Position();
    const std::int64_t want = std::min<std::int64_t>(std::int64_t(count), left);
    if (want <= 0) return kJ2kStreamEnd;
    const std::int64_t got = io->Stream->Read(buffer, want);
    return got > 0 ? OPJ_SIZE_T(got) : kJ2kStreamEnd;
  } catch (...) {
    io->Failed = true;
    return kJ2kStreamEnd;
  }
}

OPJ_SIZE_T J2kStreamWrite(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* io = static_cast<TJ2kIO*>(user);
  try {
    if (io->Stream->Write(buffer, std::int64_t(count)) == std::int64_t(count)) {
      io->End = std::max(io->End, io->Stream->Position());
      return count;
    }
  } catch (...) {
  }
  io->Failed = true;
  return kJ2kStreamEnd;
}

// Moves to Base + offset; a read stream stays within its bytes.
bool J2kStreamMoveTo(TJ2kIO& io, std::int64_t offset, bool reading) {
  if (offset < 0 || (reading && offset > io.End - io.Base)) return false;
  try {
    return io.Stream->Seek(io.Base + offset, soBeginning) == io.Base + offset;
  } catch (...) {
    io.Failed = true;
    return false;
  }
}

// The JP2 writer also skips, over a box header it fills in later.
template <bool Reading>
OPJ_OFF_T J2kStreamSkip(OPJ_OFF_T count, void* user) {
  auto* io = static_cast<TJ2kIO*>(user);
  try {
    const std::int64_t at = io->Stream->Position() - io->Base;
    return J2kStreamMoveTo(*io, at + count, Reading) ? count : -1;
  } catch (...) {
    io->Failed = true;
    return -1;
  }
}

template <bool Reading>
OPJ_BOOL J2kStreamSeek(OPJ_OFF_T offset, void* user) {
  return J2kStreamMoveTo(*static_cast<TJ2kIO*>(user), offset, Reading) ? OPJ_TRUE : OPJ_FALSE;
}

void J2kCodecError(const char*, void* user) {
  auto* io = static_cast<TJ2kIO*>(user);
  io->Failed = true;
  *io->Aborting = true;
}

void J2kCodecQuiet(const char*, void*) {}

}  // namespace

TJ2kStreamPtr J2kReadStream(TJ2kIO& io) {
  io.Base = io.Stream->Position();
  io.End = std::max(io.Base, io.Stream->Size());
  // A small file needs no block the size of a large one's.
  const std::int64_t block = std::clamp<std::int64_t>(io.End - io.Base, 1, std::int64_t(kJ2kStreamChunk));
  TJ2kStreamPtr s(opj_stream_create(OPJ_SIZE_T(block), OPJ_TRUE));
  if (!s) return s;
  opj_stream_set_user_data(s.get(), &io, nullptr);
  opj_stream_set_user_data_length(s.get(), OPJ_UINT64(io.End - io.Base));
  opj_stream_set_read_function(s.get(), J2kStreamRead);
  opj_stream_set_skip_function(s.get(), J2kStreamSkip<true>);
  opj_stream_set_seek_function(s.get(), J2kStreamSeek<true>);
  return s;
}

TJ2kStreamPtr J2kWriteStream(TJ2kIO& io) {
  io.Base = io.Stream->Position();
  io.End = io.Base;
  TJ2kStreamPtr s(opj_stream_create(kJ2kStreamChunk, OPJ_FALSE));
  if (!s) return s;
  opj_stream_set_user_data(s.get(), &io, nullptr);
  opj_stream_set_write_function(s.get(), J2kStreamWrite);
  opj_stream_set_skip_function(s.get(), J2kStreamSkip<false>);
  opj_stream_set_seek_function(s.get(), J2kStreamSeek<false>);
  return s;
}

void J2kRouteMessages(opj_codec_t* codec, TJ2kIO& io) {
  opj_set_error_handler(codec, J2kCodecError, &io);
  opj_set_warning_handler(codec, J2kCodecQuiet, nullptr);
  opj_set_info_handler(codec, J2kCodecQuiet, nullptr);
}

void J2kUseThreads(opj_codec_t* codec) {
  const int threads = ParallelThreadCount();
  if (threads > 1 && opj_has_thread_support()) opj_codec_set_threads(codec, threads);
}
