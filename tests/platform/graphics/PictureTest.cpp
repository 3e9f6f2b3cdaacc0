#include "platform/graphics/Picture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Canvas.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/graphics/Metafile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

std::string TempName(const std::string& ext) {
  static int n = 0;
  return "/tmp/lumiqa_picture_" + std::to_string(getpid()) + "_" + std::to_string(n++) + ext;
}

struct TempFile {
  std::string name;
  explicit TempFile(const std::string& ext) : name(TempName(ext)) {}
  ~TempFile() { std::remove(name.c_str()); }
};

TEST(Picture, PicksTheClassByExtension) {
  TBitmap b(3, 2, pf24bit);
  b.Canvas()->SetPixels(1, 1, clRed);
  TempFile bmp(".BMP"), jpg(".jpeg");
  b.SaveToFile(bmp.name);
  TJPEGImage j;
  j.Assign(&b);
  j.SaveToFile(jpg.name);

  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  p.LoadFromFile(bmp.name);
  EXPECT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
  EXPECT_EQ(p.Bitmap()->Canvas()->Pixels(1, 1), clRed);
  p.LoadFromFile(jpg.name);
  EXPECT_NE(dynamic_cast<TJPEGImage*>(p.Graphic()), nullptr);
  EXPECT_EQ(p.Width(), 3);
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(p.LoadFromFile("/tmp/picture.xyz"), EInvalidGraphic);
  EXPECT_THROW(p.LoadFromFile("/tmp.dir/noextension"), EInvalidGraphic);
}

TEST(Picture, RegistryAcceptsNewKindsAndListsThemInTheFilter) {
  EXPECT_TRUE(TPicture::SupportsExtension("JPG"));
  EXPECT_TRUE(TPicture::SupportsExtension(".wmf"));
  EXPECT_FALSE(TPicture::SupportsExtension("tst"));
  TPicture::RegisterFileFormat("tst", "Test pictures", [] { return std::unique_ptr<TGraphic>(new TMetafile); });
  EXPECT_TRUE(TPicture::SupportsExtension("TST"));
  std::string filter = TPicture::GraphicFilter();
  EXPECT_EQ(filter.rfind("All (*.bmp;", 0), 0u);
  EXPECT_NE(filter.find("|Test pictures (*.tst)|*.tst"), std::string::npos);
  TPicture p;
  TempFile f(".tst");
  std::FILE* fp = std::fopen(f.name.c_str(), "wb");
  std::fputs("x", fp);
  std::fclose(fp);
  EXPECT_THROW(p.LoadFromFile(f.name), EInvalidGraphic);  // the metafile reader is not there yet
  TPicture::UnregisterFileFormat("tst");
  EXPECT_FALSE(TPicture::SupportsExtension("tst"));
}

TEST(Picture, AssignCopiesTheGraphicAndBitmapReplacesOtherKinds) {
  TPicture a, b;
  a.Bitmap()->SetSize(4, 4);
  a.Bitmap()->Canvas()->SetPixels(0, 0, clBlue);
  b.Assign(&a);
  ASSERT_NE(b.Graphic(), a.Graphic());
  EXPECT_EQ(b.Bitmap()->Canvas()->Pixels(0, 0), clBlue);
  int changes = 0;
  b.OnChange = [&](TObject*) { ++changes; };
  b.Bitmap()->Canvas()->SetPixels(1, 1, clRed);  // graphic changes reach the picture
  EXPECT_EQ(changes, 1);
  TPicture c;
  c.Icon();
  EXPECT_NE(dynamic_cast<TIcon*>(c.Graphic()), nullptr);
  c.Bitmap();
  EXPECT_NE(dynamic_cast<TBitmap*>(c.Graphic()), nullptr);
  b.Assign(nullptr);
  EXPECT_EQ(b.Graphic(), nullptr);
  EXPECT_THROW(b.SaveToFile("/tmp/x.bmp"), EInvalidGraphicOperation);
}

// A graphic handed over is held as it is (its pixels not copied) and its
// changes reach the picture as an assigned one's do.
TEST(Picture, TakeGraphicHoldsTheGraphicItself) {
  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  auto bitmap = std::make_unique<TBitmap>(5, 3, pf24bit);
  bitmap->Canvas()->SetPixels(2, 1, clRed);
  const TBitmap* given = bitmap.get();
  const void* pixels = static_cast<const TBitmap*>(given)->ScanLine(0);
  p.TakeGraphic(std::move(bitmap));
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(p.Graphic(), given);
  EXPECT_EQ(static_cast<const TBitmap*>(p.Graphic())->ScanLine(0), pixels);
  EXPECT_EQ(p.Bitmap()->Canvas()->Pixels(2, 1), clRed);
  p.Bitmap()->Canvas()->SetPixels(0, 0, clBlue);
  EXPECT_EQ(changes, 2);
  p.TakeGraphic(nullptr);
  EXPECT_EQ(p.Graphic(), nullptr);
  EXPECT_EQ(changes, 3);
}

TEST(Picture, StreamsAreRecognisedByTheirFirstBytes) {
  TBitmap b(2, 2, pf24bit);
  TDibImage img = b.ToDib();
  std::vector<std::uint8_t> jpeg = EncodeJpeg(img);
  TMemoryStream bs, js, junk;
  b.SaveToStream(bs);
  bs.SetPosition(0);
  js.WriteBuffer(jpeg.data(), std::int64_t(jpeg.size()));
  js.SetPosition(0);
  junk.WriteBuffer("GIF89a", 6);
  junk.SetPosition(0);
  TPicture p;
  p.LoadFromStream(bs);
  EXPECT_NE(dynamic_cast<TBitmap*>(p.Graphic()), nullptr);
  p.LoadFromStream(js);
  EXPECT_NE(dynamic_cast<TJPEGImage*>(p.Graphic()), nullptr);
  EXPECT_THROW(p.LoadFromStream(junk), EInvalidGraphic);
}

}  // namespace
