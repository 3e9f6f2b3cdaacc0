// Fixture helpers: a scratch skin folder with generated pictures and ini.
#pragma once
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/graphics/BmpFormat.h"
#include "platform/graphics/JpegCodec.h"
#include "platform/rtl/IniFiles.h"

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
