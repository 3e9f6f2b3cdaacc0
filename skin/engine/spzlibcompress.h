// Stream classes over zlib: TCompressionStream deflates what is written to it
// into an underlying stream, TDecompressionStream inflates an underlying
// stream while it is read. CompressSkinStream / DecompressSkinStream pack and
// unpack stored skins with them.
//
// Compressed input is untrusted: any inflate result but progress or the end
// of the data raises EDecompressionError (a preset dictionary or a stream that
// can make no progress would otherwise loop for ever), and
// DecompressSkinStream refuses to inflate past a size limit.
#pragma once
#include <cstdint>

#include <zlib.h>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

LUMIQA_EXCEPTION(EZlibError, Exception)
LUMIQA_EXCEPTION(ECompressionError, EZlibError)
LUMIQA_EXCEPTION(EDecompressionError, EZlibError)

// Scoped: clNone and clDefault are also colour names.
enum class TCompressionLevel { clNone = 0, clFastest = 1, clDefault = -1, clMax = 9 };

class TCustomZlibStream : public TStream {
 public:
  static constexpr int kBufferSize = 4096;
  std::string ClassName() const override { return "TCustomZlibStream"; }

 protected:
  explicit TCustomZlibStream(TStream& strm);
  // Moves the underlying stream back to where this stream left it.
  void RestorePosition();

  TStream& strm_;
  std::int64_t strmPos_;
  z_stream zrec_{};
  Bytef buffer_[kBufferSize]{};
};

class TCompressionStream : public TCustomZlibStream {
 public:
  TCompressionStream(TCompressionLevel level, TStream& dest);
  // Finishes the data when Finish was not called; errors are dropped there.
  ~TCompressionStream() override;
  std::string ClassName() const override { return "TCompressionStream"; }

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Only Seek(0, soCurrent): the number of bytes written so far.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  // Writes the end of the compressed data; raises on a write error.
  void Finish();

 private:
  bool finished_ = false;
};

class TDecompressionStream : public TCustomZlibStream {
 public:
  explicit TDecompressionStream(TStream& source);
  ~TDecompressionStream() override;
  std::string ClassName() const override { return "TDecompressionStream"; }

  // Fewer bytes than asked only at the end of the data or of the source.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Seek(0, soBeginning) restarts; forward seeks read and drop bytes; all
  // else raises. Returns the number of bytes produced so far.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  // Whether the compressed data's own end was reached (not just the source's).
  bool Ended() const { return ended_; }

 private:
  bool ended_ = false;
};

// Largest unpacked stored skin accepted.
constexpr std::int64_t kMaxInflatedSkinBytes = std::int64_t{256} << 20;

// Compresses all of source (from its start) at the best level into target,
// from target's position.
void CompressSkinStream(TStream& source, TStream& target);
// Inflates source (from its start) into target. Raises EDecompressionError on
// corrupt data or when more than maxBytes would come out; truncated data
// ends quietly with what was produced, unless wholeStream asks for the
// data's own end (then it raises EDecompressionError): a prefix of a packed
// skin can read as a valid shorter skin.
void DecompressSkinStream(TStream& target, TStream& source, std::int64_t maxBytes = kMaxInflatedSkinBytes,
                          bool wholeStream = false);
