// Feeds arbitrary bytes through the ASCII85, run-length and Base64 encoders
// and the bit-row copy; every output must stay within its stated bound and
// decode back to the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/colour/pictoraproc_bitrows.h"
#include "imaging/core/base/vqzutils_encoders.h"
#include "platform/rtl/Streams.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string DecodeA85(const char* text, std::size_t len) {
  std::string out;
  std::uint32_t acc = 0;
  int n = 0;
  for (std::size_t i = 0; i < len && text[i] != '~'; ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') continue;
    if (c == 'z' && n == 0) {
      out.append(4, '\0');
      continue;
    }
    Check(c >= '!' && c <= 'u');
    acc = acc * 85 + static_cast<std::uint32_t>(c - 33);
    if (++n == 5) {
      for (int k = 3; k >= 0; --k) out.push_back(static_cast<char>((acc >> (8 * k)) & 0xFF));
      acc = n = 0;
    }
  }
  if (n > 0) {
    for (int k = n; k < 5; ++k) acc = acc * 85 + 84;
    for (int k = 0; k < n - 1; ++k) out.push_back(static_cast<char>((acc >> (8 * (3 - k))) & 0xFF));
  }
  return out;
}

std::vector<Byte> DecodeRLE(const Byte* in, std::size_t len) {
  std::vector<Byte> out;
  std::size_t i = 0;
  while (i < len && in[i] != 128) {
    const int l = in[i++];
    if (l < 128) {
      Check(i + static_cast<std::size_t>(l) + 1 <= len);
      out.insert(out.end(), in + i, in + i + l + 1);
      i += static_cast<std::size_t>(l) + 1;
    } else {
      Check(i < len);
      out.insert(out.end(), static_cast<std::size_t>(257 - l), in[i++]);
    }
  }
  Check(i + 1 == len);
  return out;
}

int B64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

std::string DecodeB64(const std::string& text) {
  std::string out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n' || c == '=') continue;
    const int v = B64Value(c);
    Check(v >= 0);
    acc = (acc << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((acc >> bits) & 0xFF));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4 || size > (1u << 16)) return 0;
  const int counter0 = data[0] % 80;
  const int lineLength = data[1] % 100;
  const Int64 dstOff = data[2] % 24, srcOff = data[3] % 24;
  const Byte* payload = data + 4;
  const int n = static_cast<int>(size - 4);

  {
    std::vector<char> out(static_cast<std::size_t>(ASCII85BufferSize(n)));
    const Byte* src = payload;
    char* dst = out.data();
    int counter = counter0;
    const int written = EncodeASCII85(src, n, dst, counter, static_cast<Int64>(out.size()));
    Check(written <= static_cast<int>(out.size()) && src == payload + n);
    Check(DecodeA85(out.data(), static_cast<std::size_t>(written)) ==
          std::string(reinterpret_cast<const char*>(payload), static_cast<std::size_t>(n)));
  }
  {
    std::vector<Byte> out(static_cast<std::size_t>(RunLengthBufferSize(n)));
    const int written = EncodeRunLength(payload, n, out.data(), static_cast<Int64>(out.size()));
    Check(DecodeRLE(out.data(), static_cast<std::size_t>(written)) == std::vector<Byte>(payload, payload + n));
  }
  {
    TStringStream in(std::string(reinterpret_cast<const char*>(payload), static_cast<std::size_t>(n)));
    TStringStream out;
    WriteBase64Lines(&in, &out, lineLength);
    Check(DecodeB64(out.DataString()) == in.DataString());
  }
  {
    std::vector<Byte> src(payload, payload + n);
    const Int64 count = n * 8 + 5 - srcOff;
    if (count < 1) return 0;
    std::vector<Byte> a(static_cast<std::size_t>((dstOff + count + 7) / 8), 0x5A);
    std::vector<Byte> b = a;
    CopyBits(a.data(), src.data(), dstOff, n, count, srcOff);
    for (Int64 i = 0; i < count; ++i) {
      const Int64 s = srcOff + i;
      SetBit(b.data(), dstOff + i, (s >> 3) < n ? GetBit(src.data(), s) : false);
    }
    Check(a == b);
  }
  return 0;
}
