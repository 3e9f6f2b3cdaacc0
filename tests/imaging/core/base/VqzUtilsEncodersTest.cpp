#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/base/vqzutils_encoders.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

std::string A85(const std::string& in, int startCounter = 0, int* counterOut = nullptr) {
  std::vector<char> out(static_cast<std::size_t>(ASCII85BufferSize(static_cast<Int64>(in.size()))));
  const Byte* src = reinterpret_cast<const Byte*>(in.data());
  char* dst = out.data();
  int counter = startCounter;
  const int n = EncodeASCII85(src, static_cast<int>(in.size()), dst, counter, static_cast<Int64>(out.size()));
  EXPECT_EQ(dst - out.data(), n);
  EXPECT_EQ(src - reinterpret_cast<const Byte*>(in.data()), static_cast<std::ptrdiff_t>(in.size()));
  if (counterOut) *counterOut = counter;
  return std::string(out.data(), static_cast<std::size_t>(n));
}

// Plain ASCII85 decoder (no "z" shorthand for partial groups, "~>" ends).
std::string DecodeA85(const std::string& text) {
  std::string out;
  std::uint32_t acc = 0;
  int n = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '~') break;
    if (c == '\r' || c == '\n') continue;
    if (c == 'z' && n == 0) {
      out.append(4, '\0');
      continue;
    }
    acc = acc * 85 + static_cast<std::uint32_t>(c - 33);
    if (++n == 5) {
      for (int k = 3; k >= 0; --k) out.push_back(static_cast<char>((acc >> (8 * k)) & 0xFF));
      acc = 0;
      n = 0;
    }
  }
  if (n > 0) {
    const int real = n - 1;
    for (int k = n; k < 5; ++k) acc = acc * 85 + 84;
    for (int k = 0; k < real; ++k) out.push_back(static_cast<char>((acc >> (8 * (3 - k))) & 0xFF));
  }
  return out;
}

std::vector<Byte> RLE(const std::vector<Byte>& in) {
  std::vector<Byte> out(static_cast<std::size_t>(RunLengthBufferSize(static_cast<Int64>(in.size()))));
  const int n = EncodeRunLength(in.data(), static_cast<int>(in.size()), out.data(), static_cast<Int64>(out.size()));
  out.resize(static_cast<std::size_t>(n));
  return out;
}

std::vector<Byte> DecodeRLE(const std::vector<Byte>& in) {
  std::vector<Byte> out;
  std::size_t i = 0;
  while (i < in.size() && in[i] != 128) {
    const int len = in[i++];
    if (len < 128) {
      out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(i), in.begin() + static_cast<std::ptrdiff_t>(i) + len + 1);
      i += static_cast<std::size_t>(len) + 1;
    } else {
      out.insert(out.end(), static_cast<std::size_t>(257 - len), in[i++]);
    }
  }
  return out;
}

std::string B64Group(const std::string& in) {
  Byte buf[3] = {0, 0, 0};
  std::memcpy(buf, in.data(), in.size());
  char out[4];
  EncodeBase64Group(buf, out, static_cast<int>(in.size()));
  return std::string(out, 4);
}

std::string B64Lines(const std::string& data, int lineLength, std::int64_t startAt = 0) {
  TStringStream in(data);
  in.SetPosition(startAt);
  TStringStream out;
  WriteBase64Lines(&in, &out, lineLength);
  return out.DataString();
}

TEST(ASCII85, EncodesKnownVectors) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"Man ", "9jqo^~>\r\n"},
      {"sure.", "F*2M7/c~>\r\n"},
      {std::string(4, '\0'), "z~>\r\n"},
      {std::string(1, '\0'), "!!~>\r\n"},  // a short group is never "z"
      {"", "~>\r\n"},
      {"abc", "@:E^~>\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(A85(c.in), c.out) << c.in;
  EXPECT_EQ(A85(std::string(4, '\0')).size(), 5u);
}

TEST(ASCII85, BreaksLinesAfterTheGroupThatPasses74) {
  // 15 groups of 5 characters reach 75 > 74: the break follows the 15th.
  const std::string data(60, 'x');
  int counter = -1;
  const std::string text = A85(data, 0, &counter);
  ASSERT_EQ(text.substr(75, 2), "\r\n");
  EXPECT_EQ(text.find("\r\n"), 75u);
  EXPECT_EQ(counter, 0);
  // The caller's counter carries over: starting at 70, the first group breaks.
  const std::string text2 = A85("Man ", 70, &counter);
  EXPECT_EQ(text2, "9jqo^\r\n~>\r\n");
  EXPECT_EQ(counter, 0);
  EXPECT_EQ(DecodeA85(text), data);
}

TEST(ASCII85, RoundTripsEveryLengthAndByteValue) {
  std::string data;
  for (int i = 0; i < 1000; ++i) data.push_back(static_cast<char>((i * 37 + (i >> 3)) & 0xFF));
  data.replace(100, 8, std::string(8, '\0'));
  for (std::size_t len = 0; len < 40; ++len) EXPECT_EQ(DecodeA85(A85(data.substr(0, len))), data.substr(0, len));
  EXPECT_EQ(DecodeA85(A85(data)), data);
  EXPECT_EQ(DecodeA85(A85(std::string(7, '\xFF'))), std::string(7, '\xFF'));
}

TEST(ASCII85, RefusesATooSmallBufferWithoutWriting) {
  const Byte src[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  char out[8];
  std::memset(out, '#', sizeof out);
  const Byte* s = src;
  char* d = out;
  int counter = 0;
  EXPECT_THROW(EncodeASCII85(s, 8, d, counter, sizeof out), EInvalidOperation);
  EXPECT_EQ(s, src);
  EXPECT_EQ(d, out);
  EXPECT_EQ(out[0], '#');
}

TEST(RunLength, EncodesHandWorkedExamples) {
  struct Case {
    std::vector<Byte> in, out;
  } cases[] = {
      {{1, 2, 3}, {2, 1, 2, 3, 128}},
      {{1, 2, 2, 2}, {1, 1, 2, 255, 2, 128}},
      {{}, {128}},
      {{7}, {0, 7, 128}},
      {{9, 9}, {255, 9, 128}},
      {{1, 2, 2}, {1, 1, 2, 0, 2, 128}},
  };
  for (const auto& c : cases) EXPECT_EQ(RLE(c.in), c.out);
  std::vector<Byte> want = {129, 5, 129, 5, 213, 5, 128};
  EXPECT_EQ(RLE(std::vector<Byte>(300, 5)), want);
}

TEST(RunLength, CutsLiteralRunsAt128Bytes) {
  std::vector<Byte> in(200);
  for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<Byte>(i);
  const std::vector<Byte> out = RLE(in);
  ASSERT_EQ(out.size(), 1 + 128 + 1 + 72 + 1u);
  EXPECT_EQ(out[0], 127);
  EXPECT_EQ(out[129], 71);
  EXPECT_EQ(DecodeRLE(out), in);
}

TEST(RunLength, SplitPairsNeedMoreRoomThanOneBytePer128) {
  // x y y z z ... : every literal takes the first of a pair, leaving its
  // partner to start the next literal; three bytes out for every two in.
  std::vector<Byte> in = {0};
  for (Byte v = 1; in.size() < 301; ++v) {
    in.push_back(v);
    in.push_back(v);
  }
  const std::vector<Byte> out = RLE(in);
  EXPECT_GT(static_cast<Int64>(out.size()), static_cast<Int64>(in.size() + in.size() / 128 + 2));
  EXPECT_LE(static_cast<Int64>(out.size()), RunLengthBufferSize(static_cast<Int64>(in.size())));
  EXPECT_EQ(DecodeRLE(out), in);
  Byte small[4];
  EXPECT_THROW(EncodeRunLength(in.data(), static_cast<int>(in.size()), small, sizeof small), EInvalidOperation);
}

TEST(RunLength, RoundTripsMixedData) {
  std::vector<Byte> in;
  for (int i = 0; i < 2000; ++i) in.push_back(static_cast<Byte>((i % 7 == 0 || i % 11 < 3) ? 42 : (i * 13) & 0xFF));
  in.insert(in.end(), 500, 0);
  EXPECT_EQ(DecodeRLE(RLE(in)), in);
}

TEST(Base64, EncodesRfc4648GroupVectors) {
  EXPECT_EQ(B64Group("foo"), "Zm9v");
  EXPECT_EQ(B64Group("ba"), "YmE=");
  EXPECT_EQ(B64Group("r"), "cg==");
  EXPECT_EQ(B64Group("f"), "Zg==");
  EXPECT_EQ(B64Group("fo"), "Zm8=");
  EXPECT_EQ(B64Group("\xFF\xFF\xFF"), "////");
  EXPECT_EQ(B64Group("\xFB\xEF"), "++8=");
}

TEST(Base64, WritesRfc4648VectorsAsLines) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"f", "Zg==\r\n"},
      {"fo", "Zm8=\r\n"},
      {"foo", "Zm9v\r\n"},
      {"foob", "Zm9vYg==\r\n"},
      {"fooba", "Zm9vYmE=\r\n"},
      {"foobar", "Zm9vYmFy\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(B64Lines(c.in, 76), c.out) << c.in;
}

TEST(Base64, BreaksLinesAfter19GroupsAtLength76) {
  const std::string d57(57, 'a'), d58(58, 'a');
  const std::string one = B64Lines(d57, 76);
  EXPECT_EQ(one.size(), 78u);
  EXPECT_EQ(one.substr(76), "\r\n");
  const std::string two = B64Lines(d58, 76);
  EXPECT_EQ(two.size(), 78u + 6u);
  EXPECT_EQ(two.substr(78), "YQ==\r\n");
  // A line length that is not a multiple of 4 ends after the group that
  // reaches it: 10 / 4 = 2.5, so 3 groups.
  EXPECT_EQ(B64Lines("foobarfoobar", 10), "Zm9vYmFyZm9v\r\nYmFy\r\n");
}

TEST(Base64, EncodesOnlyFromTheStreamPosition) {
  EXPECT_EQ(B64Lines("xxfoobar", 76, 2), "Zm9vYmFy\r\n");
  EXPECT_EQ(B64Lines("foobar", 76, 6), "");
  // Longer than one read chunk: every group but the last is whole.
  std::string big(3 * 4096 + 2, 'Q');
  const std::string text = B64Lines(big, 76);
  EXPECT_EQ(text.substr(text.size() - 6), "UVE=\r\n");
}

}  // namespace
