#include "platform/rtl/CodePage.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// The product's own Chinese texts with their code page 936 bytes.
struct Sample {
  const char* utf8;
  std::string cp936;
};

const std::vector<Sample>& Samples() {
  static const std::vector<Sample> samples = {
      {"宋体", "\xCB\xCE\xCC\xE5"},
      {"华文细黑", "\xBB\xAA\xCE\xC4\xCF\xB8\xBA\xDA"},
      {"确定", "\xC8\xB7\xB6\xA8"},
      {"取消", "\xC8\xA1\xCF\xFB"},
      {"是", "\xCA\xC7"},
      {"否", "\xB7\xF1"},
      {" 当前图像大小: ", " \xB5\xB1\xC7\xB0\xCD\xBC\xCF\xF1\xB4\xF3\xD0\xA1: "},
      {" 缩放比例：", " \xCB\xF5\xB7\xC5\xB1\xC8\xC0\xFD\xA3\xBA"},
  };
  return samples;
}

TEST(CodePage, ProductTextsRoundTrip) {
  for (const Sample& s : Samples()) {
    EXPECT_EQ(Utf8ToCp936(s.utf8), s.cp936) << s.utf8;
    EXPECT_EQ(Cp936ToUtf8(s.cp936), s.utf8) << s.utf8;
    EXPECT_EQ(Cp936ToUtf8(Utf8ToCp936(s.utf8)), s.utf8) << s.utf8;
  }
}

TEST(CodePage, AsciiPassesThroughBothWays) {
  std::string ascii;
  for (int c = 0; c < 0x80; ++c) ascii += static_cast<char>(c);
  EXPECT_EQ(Cp936ToUtf8(ascii), ascii);
  EXPECT_EQ(Utf8ToCp936(ascii), ascii);
  EXPECT_EQ(Cp936ToUtf8(""), "");
}

TEST(CodePage, LongTextCrossesTheConversionBuffer) {
  std::string utf8, cp;
  for (int i = 0; i < 2000; ++i) {
    utf8 += "确定a";
    cp += "\xC8\xB7\xB6\xA8" "a";
  }
  EXPECT_EQ(Utf8ToCp936(utf8), cp);
  EXPECT_EQ(Cp936ToUtf8(cp), utf8);
}

TEST(CodePage, BadBytesBecomeQuestionMarks) {
  struct Case {
    std::string in;
    const char* expected;
  } cases[] = {
      {"ab\xC8", "ab?"},                 // lead byte cut off at the end
      {"\xFF" "a", "?a"},                // never a lead byte
      {"\xC8" "0", "?0"},                // lead byte before a byte that cannot trail
      {"\xC8" "a", "萢"},                // 'a' is a valid trail byte
      {"\xC8\xB7\xB6", "确?"},           // second character cut off
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cp936ToUtf8(c.in), c.expected);
  }
  EXPECT_EQ(Cp936ToUtf8(std::string("\x00\xCA\xC7", 3)), std::string("\x00是", 4));
}

TEST(CodePage, UnmappableAndInvalidUtf8BecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp936("a😀b"), "a?b");        // outside code page 936
  EXPECT_EQ(Utf8ToCp936("\xE2\x82\xAC"), "\x80");  // the euro sign is in it
  EXPECT_EQ(Utf8ToCp936("x\xFFy"), "x?y");
  EXPECT_EQ(Utf8ToCp936("是\xE5\xAE"), "\xCA\xC7??");  // truncated at the end
}

TEST(CodePage, StrictUtf8Validation) {
  struct Case {
    std::string bytes;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain", true},
      {"宋体 ✓ 😀", true},
      {"\xC0\xAF", false},          // overlong '/'
      {"\xED\xA0\x80", false},      // surrogate
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xE5\xAE", false},          // truncated
      {"\x80", false},              // stray continuation
      {"\xCB\xCE\xCC\xE5", false},  // "宋体" in code page 936
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
  }
}

TEST(CodePage, DecodeText8PicksTheEncoding) {
  EXPECT_EQ(DecodeText8("Caption=确定"), "Caption=确定");
  EXPECT_EQ(DecodeText8("\xEF\xBB\xBF" "Caption=确定"), "Caption=确定");
  EXPECT_EQ(DecodeText8("Caption=\xC8\xB7\xB6\xA8"), "Caption=确定");
  EXPECT_EQ(DecodeText8("FontName=\xCB\xCE\xCC\xE5\r\n"), "FontName=宋体\r\n");
}

TEST(CodePage, ConvertsFromManyThreadsAtOnce) {
  std::vector<std::thread> threads;
  std::vector<int> failures(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 300; ++i) {
        for (const Sample& s : Samples()) {
          if (Cp936ToUtf8(s.cp936) != s.utf8 || Utf8ToCp936(s.utf8) != s.cp936) ++failures[t];
        }
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

TEST(Utf8Char, DecodeAndAppendAgree) {
  for (char32_t cp : {U'\0', U'A', U'\x7F', U'\x80', U'\x7FF', U'\x800', U'宋', U'\xFFFF', U'\x10000',
                      U'\x10FFFF'}) {
    std::string s;
    AppendUtf8(s, cp);
    char32_t back = 0xFFFFFFFF;
    EXPECT_EQ(DecodeUtf8Char(s, 0, back), s.size());
    EXPECT_EQ(back, cp);
  }
  char32_t cp;
  EXPECT_EQ(DecodeUtf8Char("a", 1, cp), 0u);  // past the end
}

}  // namespace
