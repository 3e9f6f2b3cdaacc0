// Fixture helpers: a scratch skin folder with generated pictures and ini.
#pragma once
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/ByteReader.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"

class TSkinFolder {
 public:
  TSkinFolder() {
    static int counter = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("lumiqa_skin_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
    std::filesystem::create_directories(dir_);
  }
  ~TSkinFolder() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  void WriteText(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  // A 24-bit picture filled with one colour.
  static TDibImage Solid(int w, int h, std::uint8_t blue = 0x20) {
    TDibImage img;
    img.Allocate(w, h, 24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) img.Row(y)[x * 3] = blue;
    return img;
  }
  // A 24-bit picture whose top rows are one colour and the rest another.
  static TDibImage Halves(int w, int h, int topRows, TDibColor top, TDibColor bottom) {
    TDibImage img;
    img.Allocate(w, h, 24);
    for (int y = 0; y < h; ++y) {
      const TDibColor& c = y < topRows ? top : bottom;
      for (int x = 0; x < w; ++x) {
        img.Row(y)[x * 3] = c.Blue;
        img.Row(y)[x * 3 + 1] = c.Green;
        img.Row(y)[x * 3 + 2] = c.Red;
      }
    }
    return img;
  }
  // A valid 8-bit run-length BMP of any size holding only the end-of-bitmap
  // code: a few bytes on disk, w * h bytes of pixels once decoded.
  static std::vector<std::uint8_t> RunLengthBmp(std::int32_t w, std::int32_t h) {
    constexpr std::uint32_t kFileHeader = 14, kInfoHeader = 40, kTable = 256 * 4;
    const std::uint8_t endOfBitmap[] = {0, 1};
    std::vector<std::uint8_t> b(kFileHeader + kInfoHeader + kTable + sizeof endOfBitmap, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutU32(&b[2], std::uint32_t(b.size()));
    PutU32(&b[10], kFileHeader + kInfoHeader + kTable);
    PutU32(&b[14], kInfoHeader);
    PutU32(&b[18], std::uint32_t(w));
    PutU32(&b[22], std::uint32_t(h));
    PutU16(&b[26], 1);                   // planes
    PutU16(&b[28], 8);                   // bits per pixel
    PutU32(&b[30], BMP_RLE8);
    PutU32(&b[34], sizeof endOfBitmap);  // image size
    b[b.size() - 2] = endOfBitmap[0];
    b[b.size() - 1] = endOfBitmap[1];
    return b;
  }
  // A .cur file of one solid image with its hot spot.
  static std::vector<std::uint8_t> CursorFile(int w, int h, int hotX, int hotY) {
    TBitmap color;
    color.FromDib(Solid(w, h));
    TIcon icon;
    icon.SetImage(color, nullptr, true, TPoint{hotX, hotY});
    TMemoryStream stream;
    icon.SaveToStream(stream);
    const auto* p = static_cast<const std::uint8_t*>(stream.Memory());
    return std::vector<std::uint8_t>(p, p + stream.Size());
  }
  void WriteCursor(const std::string& name, int hotX, int hotY) const { WriteBytes(name, CursorFile(16, 16, hotX, hotY)); }
  void WriteBmp(const std::string& name, int w, int h) const { WriteBytes(name, ::WriteBmp(Solid(w, h))); }
  void WriteJpeg(const std::string& name, int w, int h) const { WriteBytes(name, EncodeJpeg(Solid(w, h))); }
  void WriteBytes(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
    std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }

 private:
  std::filesystem::path dir_;
};

// An ini held in memory, parsed from text.
inline std::unique_ptr<TMemIniFile> IniFromText(const std::string& text) {
  auto ini = std::make_unique<TMemIniFile>();
  ini->SetText(text);
  return ini;
}

#ifdef LUMIQA_TEST_DATA  // the test programs' data folder; the fuzz targets have none
// The wizard's own skin, in the source tree.
inline const std::string kWizardSkin = std::string(LUMIQA_TEST_DATA) + "/../../resources/Skin/Skin.ini";
#endif
