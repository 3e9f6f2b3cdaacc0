#include "imaging/core/base/vqzutils_encoders.h"

#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

constexpr int kASCII85LineLimit = 74;
constexpr Byte kRunLengthEnd = 128;
constexpr int kMaxRun = 128;

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

Int64 ASCII85BufferSize(Int64 count) {
  if (count < 0) count = 0;
  const Int64 groups = (count + 3) / 4;
  // Five characters and at most one line break per group, then "~>" CR LF.
  return groups * 7 + 4;
}

int EncodeASCII85(const Byte*& source, int count, char*& dest, int& counter, Int64 destSize) {
  if (count < 0) count = 0;
  if (destSize < ASCII85BufferSize(count)) throw EInvalidOperation("ASCII85 output buffer too small");
  char* const start = dest;
  const Byte* src = source;
  char* out = dest;
  for (int done = 0; done < count; done += 4) {
    const int n = count - done < 4 ? count - done : 4;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | (i < n ? src[i] : 0u);
    src += n;

    int chars;
    if (n == 4 && value == 0) {
      *out++ = 'z';
      chars = 1;
    } else {
      char digits[5];
      for (int i = 4; i >= 0; --i) {
        digits[i] = static_cast<char>(value % 85 + 33);
        value /= 85;
      }
      chars = n + 1;
      std::memcpy(out, digits, static_cast<std::size_t>(chars));
      out += chars;
    }
    counter += chars;
    if (counter > kASCII85LineLimit) {
      *out++ = '\r';
      *out++ = '\n';
      counter = 0;
    }
  }
  std::memcpy(out, "~>\r\n", 4);
  out += 4;
  source = src;
  dest = out;
  return static_cast<int>(out - start);
}

Int64 RunLengthBufferSize(Int64 length) {
  if (length < 0) length = 0;
  // Worst case: literal runs of two bytes each (x y y z z ...), three bytes
  // out for two in, then the end-of-data byte.
  return length + (length + 1) / 2 + 1;
}

int EncodeRunLength(const Byte* source, int length, Byte* dest, Int64 destSize) {
  if (length < 0) length = 0;
  if (destSize < RunLengthBufferSize(length)) throw EInvalidOperation("Run-length output buffer too small");
  Byte* out = dest;
  int pos = 0;
  while (pos < length) {
    int run = 1;
    while (run < kMaxRun && pos + run < length && source[pos + run] == source[pos]) ++run;
    if (run >= 2) {
      *out++ = static_cast<Byte>(257 - run);
      *out++ = source[pos];
      pos += run;
      continue;
    }
    // Literal run: grows while each byte differs from the one before it, so
    // the byte that starts a repetition is still taken as its last byte.
    int lit = 1;
    while (lit < kMaxRun && pos + lit < length && source[pos + lit] != source[pos + lit - 1]) ++lit;
    *out++ = static_cast<Byte>(lit - 1);
    std::memcpy(out, source + pos, static_cast<std::size_t>(lit));
    out += lit;
    pos += lit;
  }
  *out++ = kRunLengthEnd;
  return static_cast<int>(out - dest);
}

void EncodeBase64Group(const Byte* source, char* out, int count) {
  const unsigned b0 = source[0];
  const unsigned b1 = count > 1 ? source[1] : 0u;
  const unsigned b2 = count > 2 ? source[2] : 0u;
  const unsigned v = (b0 << 16) | (b1 << 8) | b2;
  out[0] = kBase64Alphabet[(v >> 18) & 63];
  out[1] = kBase64Alphabet[(v >> 12) & 63];
  out[2] = count > 1 ? kBase64Alphabet[(v >> 6) & 63] : '=';
  out[3] = count > 2 ? kBase64Alphabet[v & 63] : '=';
}

void WriteBase64Lines(TStream* stream, TStream* textFile, int lineLength) {
  if (!stream || !textFile) return;
  const double groupsPerLine = lineLength / 4.0;
  constexpr int kChunk = 3 * 4096;
  Byte buf[kChunk];
  // The text goes out in large writes, not one call per group.
  char text[4 * (kChunk / 3) + 2];
  int used = 0;
  int onLine = 0;
  Int64 got;
  // Read whole multiples of 3 so that only the very last group is short.
  while ((got = stream->Read(buf, kChunk)) > 0) {
    Int64 have = got;
    while (have % 3 != 0) {
      const Int64 more = stream->Read(buf + have, 3 - have % 3);
      if (more <= 0) break;
      have += more;
    }
    for (Int64 i = 0; i < have; i += 3) {
      const int n = have - i < 3 ? static_cast<int>(have - i) : 3;
      EncodeBase64Group(buf + i, text + used, n);
      used += 4;
      ++onLine;
      if (!(onLine < groupsPerLine)) {
        text[used++] = '\r';
        text[used++] = '\n';
        onLine = 0;
      }
      if (used > static_cast<int>(sizeof text) - 6) {
        textFile->WriteBuffer(text, used);
        used = 0;
      }
    }
  }
  if (onLine > 0) {
    text[used++] = '\r';
    text[used++] = '\n';
  }
  if (used > 0) textFile->WriteBuffer(text, used);
}
