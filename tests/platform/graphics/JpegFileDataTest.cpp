// JPEG data loaded from a file stays in the file: decodes and saves read it
// again, and give exactly what was loaded or refuse, whatever happened to
// the file in between.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "tests/platform/graphics/JpegTestSupport.h"

namespace {

class JpegFileData : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/lumiqa_jpegfile_XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(Path(name), std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return Path(name);
  }
  static std::vector<std::uint8_t> Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), {});
  }
  std::string dir_;
};

// A textured picture, baseline or progressive.
std::vector<std::uint8_t> Photo(int seed, bool progressive = false) {
  TDibImage img;
  img.Allocate(45, 31, 24);
  for (int y = 0; y < img.Height; ++y)
    for (int x = 0; x < img.Width * 3; ++x) img.Row(y)[x] = std::uint8_t((x * 13 + y * 29 + seed) ^ (x * y));
  TJpegEncodeOptions o;
  o.Progressive = progressive;
  return EncodeJpeg(img, o);
}

std::vector<std::uint8_t> Pixels(TJPEGImage& j) {
  TBitmap b;
  b.Assign(&j);
  return b.ToDib().Bits;
}

TEST_F(JpegFileData, ALoadFromAFileLeavesTheBytesThere) {
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive ? "progressive" : "baseline");
    const std::vector<std::uint8_t> data = Photo(3, progressive);
    const std::string path = Write("a.jpg", data);
    TJPEGImage j;
    j.LoadFromFile(path);
    EXPECT_FALSE(j.DataInMemory());
    EXPECT_EQ(j.Width(), 45);
    EXPECT_EQ(j.Height(), 31);
    EXPECT_EQ(j.ProgressiveData(), progressive);
    EXPECT_EQ(Pixels(j), DecodeJpeg(data.data(), data.size()).Bits);
    j.SetScale(jsHalf);
    EXPECT_EQ(j.Width(), 23);
    TJpegDecodeOptions half;
    half.ScaleDenom = 2;
    EXPECT_EQ(Pixels(j), DecodeJpeg(data.data(), data.size(), half).Bits);
    EXPECT_EQ(Saved(j), data);
    EXPECT_FALSE(j.DataInMemory());

    // A copy shares the file; asking for the bytes brings them into memory.
    TJPEGImage k;
    k.Assign(&j);
    EXPECT_FALSE(k.DataInMemory());
    EXPECT_EQ(Saved(k), data);
    EXPECT_EQ(k.Data(), data);
    EXPECT_TRUE(k.DataInMemory());
    EXPECT_EQ(Saved(k), data);

    // From memory they are held, as before.
    TMemoryStream ms;
    ms.WriteBuffer(data.data(), std::int64_t(data.size()));
    ms.SetPosition(0);
    TJPEGImage m;
    m.LoadFromStream(ms);
    EXPECT_TRUE(m.DataInMemory());
    EXPECT_EQ(Saved(m), data);
  }
}

TEST_F(JpegFileData, AFileStreamGivesTheRestFromWhereItStands) {
  const std::vector<std::uint8_t> data = Photo(5);
  std::vector<std::uint8_t> file = {'h', 'e', 'a', 'd', 'e', 'r', '!'};
  file.insert(file.end(), data.begin(), data.end());
  const std::string path = Write("embedded.bin", file);
  TFileStream fs(path, fmOpenRead);
  fs.SetPosition(7);
  TJPEGImage j;
  j.LoadFromStream(fs);
  EXPECT_EQ(fs.Position(), std::int64_t(file.size()));
  EXPECT_FALSE(j.DataInMemory());
  EXPECT_EQ(Saved(j), data);
  EXPECT_EQ(Pixels(j), DecodeJpeg(data.data(), data.size()).Bits);

  // What is not a JPEG is refused from its header, the picture untouched.
  fs.SetPosition(0);
  EXPECT_THROW(j.LoadFromStream(fs), EInvalidGraphic);
  EXPECT_EQ(Saved(j), data);
}

TEST_F(JpegFileData, WhatHappensToTheFileAfterTheLoad) {
  const std::vector<std::uint8_t> data = Photo(7);
  const std::vector<std::uint8_t> other = Photo(8);
  struct Case {
    const char* name;
    std::function<void(const std::string&)> act;
    bool keeps;  // the loaded bytes are still there to read
  };
  const Case cases[] = {
      {"deleted", [](const std::string& p) { ASSERT_EQ(::unlink(p.c_str()), 0); }, true},
      {"renamed", [](const std::string& p) { ASSERT_EQ(::rename(p.c_str(), (p + ".old").c_str()), 0); }, true},
      {"saved over by name",
       [&](const std::string& p) {
         TJPEGImage n;
         TMemoryStream ms;
         ms.WriteBuffer(other.data(), std::int64_t(other.size()));
         ms.SetPosition(0);
         n.LoadFromStream(ms);
         n.SaveToFile(p);  // a new file renamed over the name
       },
       true},
      {"appended to",
       [](const std::string& p) { std::ofstream(p, std::ios::binary | std::ios::app).write("tail", 4); }, true},
      {"one byte changed in place",
       [&](const std::string& p) {
         const int fd = ::open(p.c_str(), O_WRONLY);
         ASSERT_GE(fd, 0);
         const std::uint8_t b = std::uint8_t(data[data.size() / 2] ^ 0x10);
         ASSERT_EQ(::pwrite(fd, &b, 1, off_t(data.size() / 2)), 1);
         ::close(fd);
       },
       false},
      {"rewritten in place with another picture", [&](const std::string& p) { std::ofstream(p, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(other.data()), std::streamsize(other.size())); }, false},
      {"truncated", [&](const std::string& p) { ASSERT_EQ(::truncate(p.c_str(), off_t(data.size() / 2)), 0); },
       false},
  };
  const std::vector<std::uint8_t> pixels = DecodeJpeg(data.data(), data.size()).Bits;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write("photo.jpg", data);
    const std::string target = Write("target.jpg", {'o', 'l', 'd'});
    TJPEGImage j;
    j.LoadFromFile(path);
    c.act(path);
    if (c.keeps) {
      EXPECT_EQ(Saved(j), data);
      EXPECT_EQ(Pixels(j), pixels);
      j.SaveToFile(target);
      EXPECT_EQ(Read(target), data);
      EXPECT_EQ(j.Data(), data);
      continue;
    }
    // Never something else in the loaded picture's name: refused, nothing written.
    TMemoryStream out;
    EXPECT_THROW(j.SaveToStream(out), EInvalidGraphicOperation);
    EXPECT_EQ(out.Size(), 0);
    EXPECT_THROW(j.SaveToFile(target), EInvalidGraphicOperation);
    EXPECT_EQ(Read(target), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    EXPECT_THROW(j.DIBNeeded(), EInvalidGraphic);
    TBitmap into;
    EXPECT_THROW(into.Assign(&j), EInvalidGraphic);
    EXPECT_TRUE(into.Empty());
    EXPECT_THROW(j.Data(), EInvalidGraphicOperation);
    // Pixels assigned later are compressed as usual.
    TBitmap b(4, 4, pf24bit);
    j.Assign(&b);
    EXPECT_EQ(ReadJpegInfo(Saved(j).data(), Saved(j).size()).Width, 4);
  }
}

TEST_F(JpegFileData, SavingOverItsOwnFileKeepsIt) {
  const std::vector<std::uint8_t> data = Photo(9);
  const std::string path = Write("self.jpg", data);
  TJPEGImage j;
  j.LoadFromFile(path);
  j.SaveToFile(path);
  EXPECT_EQ(Read(path), data);
  j.SaveToFile(path);
  EXPECT_EQ(Read(path), data);
  EXPECT_EQ(Pixels(j), DecodeJpeg(data.data(), data.size()).Bits);
}

}  // namespace
