// A bitmap (BDF) font written by the test and added to this process only, so
// raster families can be tested without relying on what fonts are installed.
// Removed again, with its file, when the fixture goes.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/gdi/FontFamilies.h"

class TBdfFont {
 public:
  // One strike of `pixelSize` pixels holding the letters in `letters` (blank
  // glyphs); spacing is the BDF SPACING value: "P", "M" or "C".
  TBdfFont(const std::string& family, int pixelSize, const char* spacing = "C", const std::string& letters = "AB")
      : path_(::testing::TempDir() + "lumiqa_bdf_" + std::to_string(getpid()) + "_" + std::to_string(pixelSize) + "_" +
              std::to_string(counter_++) + ".bdf") {
    std::ofstream out(path_);
    const int ascent = pixelSize * 4 / 5;
    out << "STARTFONT 2.1\n"
        << "FONT -lumiqa-test-medium-r-normal--" << pixelSize << "-" << pixelSize * 10 << "-75-75-c-60-iso10646-1\n"
        << "SIZE " << pixelSize << " 75 75\n"
        << "FONTBOUNDINGBOX 6 " << pixelSize << " 0 " << ascent - pixelSize << "\n"
        << "STARTPROPERTIES 7\n"
        << "FAMILY_NAME \"" << family << "\"\n"
        << "PIXEL_SIZE " << pixelSize << "\n"
        << "FONT_ASCENT " << ascent << "\n"
        << "FONT_DESCENT " << pixelSize - ascent << "\n"
        << "SPACING \"" << spacing << "\"\n"
        << "CHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\n"
        << "ENDPROPERTIES\n"
        << "CHARS " << letters.size() << "\n";
    for (char ch : letters)
      out << "STARTCHAR c" << int(ch) << "\nENCODING " << int(ch) << "\nSWIDTH 600 0\nDWIDTH 6 0\nBBX 1 1 0 0\n"
          << "BITMAP\n00\nENDCHAR\n";
    out << "ENDFONT\n";
    out.close();
    faces_ = AddFontResourceEx(path_.c_str(), FR_PRIVATE, nullptr);
  }
  ~TBdfFont() {
    if (faces_ > 0) RemoveFontResourceEx(path_.c_str(), FR_PRIVATE, nullptr);
    std::remove(path_.c_str());
  }
  TBdfFont(const TBdfFont&) = delete;
  TBdfFont& operator=(const TBdfFont&) = delete;

  const std::string& Path() const { return path_; }
  // What AddFontResourceEx answered: 1 when the font was taken.
  int Faces() const { return faces_; }
  // Removes it now, as the destructor would; the answer of RemoveFontResourceEx.
  BOOL Remove() {
    const BOOL ok = RemoveFontResourceEx(path_.c_str(), FR_PRIVATE, nullptr);
    if (ok) faces_ = 0;
    return ok;
  }

 private:
  static inline int counter_ = 0;
  std::string path_;
  int faces_ = 0;
};
