// The image as source text: the byte array, hex literals, Base64 and the
// picture in characters.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "platform/rtl/Streams.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/MissingPackage.h"

namespace {

std::string TextcRead(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> TextcLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

struct TTextcFixture : testing::Test {
  void SetUp() override {
    dir = testing::TempDir() + "textc_" + std::to_string(getpid()) + "/";
    std::system(("mkdir -p '" + dir + "'").c_str());
    io = std::make_unique<TPictoraIO>(nullptr);
    // 7 x 5 colours: a BMP of 7 * 3 + 3 padding bytes a row, 174 bytes.
    io->Image()->Allocate(7, 5, vqRGB24);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 21; ++x) io->Image()->GetScanline(y)[x] = Byte(x * 11 + y * 37);
    TMemoryStream s;
    io->SaveToStreamFormat(&s, ioBMP);
    encoded.assign(static_cast<const Byte*>(s.Memory()), static_cast<const Byte*>(s.Memory()) + s.Size());
  }
  void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }
  std::string dir;
  std::unique_ptr<TPictoraIO> io;
  std::vector<Byte> encoded;
};

TEST_F(TTextcFixture, ConstantArrayTextAndLines) {
  ASSERT_EQ(encoded.size(), 174u);
  const std::string path = dir + "logo.txt";
  io->SaveImageAsText(path, ioBMP, 0);
  const auto lines = TextcLines(TextcRead(path));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], "const");
  EXPECT_EQ(lines[1], "  logo_txt_Size = 174;");
  EXPECT_EQ(lines[2], "  logo_txt : array [0..logo_txt_Size-1] of byte = (");
  std::vector<Byte> back;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    ASSERT_EQ(l.rfind("    ", 0), 0u);
    // 18 entries a line, the last line the rest and ");".
    if (i + 1 < lines.size()) {
      EXPECT_EQ(l.size(), 4 + 18 * 4u) << l;
    }
    for (std::size_t at = l.find('$'); at != std::string::npos; at = l.find('$', at + 1))
      back.push_back(Byte(std::stoi(l.substr(at + 1, 2), nullptr, 16)));
  }
  EXPECT_EQ(lines.back().substr(lines.back().size() - 2), ");");
  EXPECT_EQ(back, encoded);
  EXPECT_EQ(lines.size(), 3 + (174 + 17) / 18);
}

// The identifier comes from the file's own name, whatever folder holds it,
// so the text compiles (a dot in the folder named the identifier before).
TEST_F(TTextcFixture, IdentifierFromTheFileNameOnly) {
  std::system(("mkdir -p '" + dir + "my.dir'").c_str());
  const std::string path = dir + "my.dir/9-logo.bmp.txt";
  io->SaveImageAsText(path, ioBMP, 0);
  const auto lines = TextcLines(TextcRead(path));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "  _9_logo_bmp_txt_Size = 174;");
}

TEST_F(TTextcFixture, HexListCompilesToTheSameBytes) {
  const std::string path = dir + "data.inc";
  io->SaveImageAsText(path, ioBMP, 1);
  const auto lines = TextcLines(TextcRead(path));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "// Size=174");
  for (std::size_t i = 1; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 15 * 5u) << lines[i];
  EXPECT_EQ(lines.back().find(',', lines.back().size() - 1), std::string::npos);

  const std::string compiler = LUMIQA_CXX_COMPILER;
  if (compiler.empty() || (compiler.find('/') == std::string::npos && FindProgramOnPath(compiler.c_str()).empty()))
    LUMIQA_SKIP_MISSING_PACKAGE("no C++ compiler");
  std::ofstream(dir + "main.cpp") << "#include <cstdio>\n"
                                     "static const unsigned char data[] = {\n#include \"data.inc\"\n};\n"
                                     "int main() { return std::fwrite(data, 1, sizeof data, stdout) == sizeof data ? 0 : 1; }\n";
  const std::string build = "'" + compiler + "' -o '" + dir + "main' '" + dir + "main.cpp' 2> '" + dir + "errors'";
  ASSERT_EQ(std::system(build.c_str()), 0) << TextcRead(dir + "errors");
  ASSERT_EQ(std::system(("'" + dir + "main' > '" + dir + "out'").c_str()), 0);
  const std::string out = TextcRead(dir + "out");
  EXPECT_EQ(std::vector<Byte>(out.begin(), out.end()), encoded);
}

TEST_F(TTextcFixture, Base64Lines) {
  const std::string path = dir + "b.txt";
  io->SaveImageAsText(path, ioBMP, 2);
  const auto lines = TextcLines(TextcRead(path));
  std::string all;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i + 1 < lines.size()) {
      EXPECT_EQ(lines[i].size(), 76u);
    }
    all += lines[i];
  }
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::vector<Byte> back;
  std::uint32_t bits = 0;
  int n = 0;
  for (char c : all) {
    if (c == '=') break;
    bits = bits << 6 | std::uint32_t(kAlphabet.find(c));
    n += 6;
    if (n >= 8) {
      n -= 8;
      back.push_back(Byte(bits >> n));
    }
  }
  EXPECT_EQ(back, encoded);
}

TEST_F(TTextcFixture, AsciiArtLevels) {
  // Black, white, a mid grey and pure red, in one row.
  io->Image()->Allocate(4, 2, vqRGB24);
  const Byte px[4][3] = {{0, 0, 0}, {255, 255, 255}, {128, 128, 128}, {0, 0, 255}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x)
      for (int c = 0; c < 3; ++c) io->Image()->GetScanline(y)[x * 3 + c] = px[x][c];
  const std::string path = dir + "art.txt";
  io->SaveImageAsText(path, ioBMP, 3);
  // Grey 128 is level 4 ("+"); red at weight 21 is grey 53, level 1 ("@").
  EXPECT_EQ(TextcRead(path), "W +@\r\nW +@\r\n");

  // Not 24-bit: an empty file; another kind: an empty file too.
  io->Image()->Allocate(4, 2, vqGray8);
  io->SaveImageAsText(path, ioBMP, 3);
  EXPECT_EQ(TextcRead(path), "");
  io->SaveImageAsText(path, ioBMP, 7);
  EXPECT_EQ(TextcRead(path), "");
}

}  // namespace
