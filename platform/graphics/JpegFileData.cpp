#include "platform/graphics/JpegFileData.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/rtl/Exceptions.h"

namespace {

// A digest over 64-bit words: each step is a bijection of the state for a
// given word, so one changed word always changes it; it only has to catch
// accidents, not an adversary.
class TDigest {
 public:
  void Add(const std::uint8_t* p, std::size_t n) {
    length_ += n;
    while (pending_ && n) Take(*p++), --n;
    for (; n >= 8; p += 8, n -= 8) {
      std::uint64_t w;
      std::memcpy(&w, p, 8);
      Mix(w);
    }
    while (n) Take(*p++), --n;
  }
  std::uint64_t Final() const {
    TDigest d = *this;
    d.Mix(d.word_ ^ (std::uint64_t(d.pending_) << 56));
    d.Mix(d.length_);
    return d.state_;
  }

 private:
  void Take(std::uint8_t b) {
    word_ |= std::uint64_t(b) << (8 * pending_);
    if (++pending_ == 8) Mix(word_), word_ = 0, pending_ = 0;
  }
  void Mix(std::uint64_t w) {
    state_ = (state_ ^ w) * 0x9E3779B97F4A7C15ull;
    state_ ^= state_ >> 32;
  }
  std::uint64_t state_ = 0x6A09E667F3BCC908ull, word_ = 0, length_ = 0;
  unsigned pending_ = 0;
};

}  // namespace

// Reads the data from its start, in order, digesting what it gives.
class TJpegFileData::TCursor {
 public:
  explicit TCursor(const TJpegFileData& d) : d_(d) {}
  // Up to count bytes; 0 at the data's end or where the file now ends.
  std::size_t Read(std::uint8_t* buffer, std::size_t count) {
    const std::int64_t left = d_.length_ - pos_;
    if (left <= 0 || count == 0) return 0;
    if (std::int64_t(count) > left) count = std::size_t(left);
    ssize_t got;
    do {
      got = ::pread(d_.handle_, buffer, count, d_.offset_ + pos_);
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw EReadError(std::string("Cannot read the JPEG file: ") + std::strerror(errno));
    pos_ += got;
    digest_.Add(buffer, std::size_t(got));
    return std::size_t(got);
  }
  void ReadToEnd() {
    std::uint8_t buffer[16384];
    while (Read(buffer, sizeof buffer)) {
    }
  }
  // Reads what is left; true when everything read is what was loaded.
  bool Unchanged() {
    ReadToEnd();
    return pos_ == d_.length_ && digest_.Final() == d_.digest_;
  }
  std::uint64_t Digest() const { return digest_.Final(); }
  std::int64_t Position() const { return pos_; }

 private:
  const TJpegFileData& d_;
  std::int64_t pos_ = 0;
  TDigest digest_;
};

std::shared_ptr<const TJpegFileData> TJpegFileData::Open(int handle, std::int64_t offset, std::int64_t length) {
  struct stat st;
  if (handle < 0 || offset < 0 || length <= 0 || ::fstat(handle, &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const int own = ::fcntl(handle, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return nullptr;  // out of descriptors: the caller keeps the bytes
  std::shared_ptr<TJpegFileData> d(new TJpegFileData(own, offset, length));
  TCursor head(*d);
  d->info_ = ReadJpegInfo([&head](std::uint8_t* b, std::size_t n) { return head.Read(b, n); });
  TCursor all(*d);
  all.ReadToEnd();
  if (all.Position() != length) throw EReadError("JPEG data ends before the stream's end");
  d->digest_ = all.Digest();
  return d;
}

TJpegFileData::~TJpegFileData() { ::close(handle_); }

void TJpegFileData::Decode(const TJpegDecodeOptions& options, const TJpegAllocate& allocate) const {
  TCursor cursor(*this);
  const auto changed = [] { return EInvalidGraphic("JPEG error: the file changed after the picture was loaded"); };
  try {
    DecodeJpegInto([&cursor](std::uint8_t* b, std::size_t n) { return cursor.Read(b, n); }, options, allocate);
  } catch (const EInvalidGraphic&) {
    // Bad data that was not bad when loaded is a changed file.
    if (!cursor.Unchanged()) throw changed();
    throw;
  }
  if (!cursor.Unchanged()) throw changed();
}

std::vector<std::uint8_t> TJpegFileData::ReadAll() const {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length_));
  TCursor cursor(*this);
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t got = cursor.Read(bytes.data() + at, bytes.size() - at);
    if (!got) break;
    at += got;
  }
  if (!cursor.Unchanged())
    throw EInvalidGraphicOperation("The JPEG data cannot be saved unchanged: its file changed after it was loaded");
  return bytes;
}
