#include "platform/rtl/CodePage.h"

#include <cerrno>
#include <iconv.h>

namespace {

// glibc's CP936 is Windows' table (0x80 is the euro sign) and, unlike
// GB18030, never produces four-byte sequences an 8-bit reader would not know.
constexpr const char* kCp936 = "CP936";

// One converter pair per thread: iconv_t keeps shift state and is not safe
// to share, and opening one per call is slow for ini files of many lines.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

Converter& FromCp936() {
  thread_local Converter c("UTF-8", kCp936);
  return c;
}

Converter& ToCp936() {
  thread_local Converter c(kCp936, "UTF-8");
  return c;
}

// Runs `cd` over `in`; at a byte it cannot convert, `onError(offset)` returns
// how many input bytes to skip after a '?' was written.
template <typename OnError>
std::string Convert(iconv_t cd, std::string_view in, OnError onError) {
  std::string out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buf[1024];
  std::size_t pos = 0;
  while (pos < in.size()) {
    char* src = const_cast<char*>(in.data() + pos);
    std::size_t srcLeft = in.size() - pos;
    char* dst = buf;
    std::size_t dstLeft = sizeof buf;
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    const int err = errno;
    out.append(buf, static_cast<std::size_t>(dst - buf));
    pos = static_cast<std::size_t>(src - in.data());
    if (r != static_cast<std::size_t>(-1)) break;
    if (err == E2BIG) continue;
    // EILSEQ or EINVAL (a sequence cut off at the end): one '?' and move on.
    out += '?';
    std::size_t skip = onError(pos);
    if (skip == 0) skip = 1;
    pos += skip;
    if (pos > in.size()) pos = in.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state (none for these encodings, but cheap).
  char* dst = buf;
  std::size_t dstLeft = sizeof buf;
  if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<std::size_t>(-1)) {
    out.append(buf, static_cast<std::size_t>(dst - buf));
  }
  return out;
}

// Without a converter, text is passed as ASCII with everything else as '?'.
std::string AsciiOnly(std::string_view in) {
  std::string out(in);
  for (char& c : out) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  return out;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace

std::size_t DecodeUtf8Char(std::string_view s, std::size_t i, char32_t& cp) {
  if (i >= s.size()) return 0;
  const unsigned char b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t len;
  char32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    len = 2;
    cp = b0 & 0x1F;
    min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3;
    cp = b0 & 0x0F;
    min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4;
    cp = b0 & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - i < len) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const unsigned char b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool IsValidUtf8(std::string_view bytes) {
  char32_t cp;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = DecodeUtf8Char(bytes, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Cp936ToUtf8(std::string_view bytes) {
  Converter& c = FromCp936();
  if (!c.ok()) return AsciiOnly(bytes);
  // A bad lead byte is skipped alone so that an ASCII byte after it survives.
  return Convert(c.get(), bytes, [](std::size_t) { return std::size_t{1}; });
}

std::string Utf8ToCp936(std::string_view utf8) {
  Converter& c = ToCp936();
  if (!c.ok()) return AsciiOnly(utf8);
  return Convert(c.get(), utf8, [utf8](std::size_t at) {
    // A whole character code page 936 lacks, or one invalid byte.
    char32_t cp;
    const std::size_t n = DecodeUtf8Char(utf8, at, cp);
    return n == 0 ? std::size_t{1} : n;
  });
}

std::string DecodeText8(std::string_view bytes) {
  if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) bytes.remove_prefix(kUtf8Bom.size());
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp936ToUtf8(bytes);
}
