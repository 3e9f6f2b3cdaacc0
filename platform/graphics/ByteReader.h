// Little-endian reads from a byte block with every access checked, so a
// truncated or lying file raises EInvalidGraphic instead of reading past it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/rtl/Exceptions.h"

class TByteReader {
 public:
  TByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::size_t Size() const { return size_; }
  std::size_t Pos() const { return pos_; }
  std::size_t Left() const { return size_ - pos_; }
  const std::uint8_t* Data() const { return data_; }

  void Seek(std::uint64_t pos) {
    if (pos > size_) Fail();
    pos_ = std::size_t(pos);
  }
  void Skip(std::uint64_t n) { Seek(std::uint64_t(pos_) + n); }
  // Pointer to the next n bytes, which must all lie inside the block.
  const std::uint8_t* Take(std::uint64_t n) {
    if (n > Left()) Fail();
    const std::uint8_t* p = data_ + pos_;
    pos_ += std::size_t(n);
    return p;
  }
  std::uint8_t U8() { return *Take(1); }
  std::uint16_t U16() {
    const std::uint8_t* p = Take(2);
    return std::uint16_t(p[0] | (p[1] << 8));
  }
  std::uint32_t U32() {
    const std::uint8_t* p = Take(4);
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
  }
  std::int32_t I32() { return std::int32_t(U32()); }
  std::int16_t I16() { return std::int16_t(U16()); }

  [[noreturn]] static void Fail(const char* what = "Truncated or damaged image data") { throw EInvalidGraphic(what); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Little-endian appends for the writers.
inline void PutU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = std::uint8_t(v);
  p[1] = std::uint8_t(v >> 8);
}
inline void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = std::uint8_t(v >> (8 * i));
}
