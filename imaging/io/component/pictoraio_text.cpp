// TPictoraIO::SaveImageAsText: the image as a byte array, hex literals,
// Base64 or characters.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/base/vqzutils_encoders.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SafeSave.h"
#include "platform/rtl/Streams.h"

namespace {

// The identifier of the data: the file's name without its folders, its
// first "." made "_" (logo.txt gives logo_txt) and anything else a C or
// Pascal identifier cannot hold made "_" too, so the text compiles wherever
// it is saved.
std::string TextcIdentifier(const std::string& FileName) {
  std::string name = ExtractFileName(FileName);
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) name[dot] = '_';
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) name.insert(0, "_");
  return name;
}

void TextcHex(std::string& out, Byte b) {
  static const char kDigits[] = "0123456789ABCDEF";
  out += kDigits[b >> 4];
  out += kDigits[b & 15];
}

void TextcLine(std::string& text, const std::string& line) {
  text += line;
  text += "\r\n";
}

// Kind 0: a typed constant array.
void TextcConstArray(std::string& text, const std::string& name, const Byte* data, std::int64_t n) {
  const std::string sizeName = name + "_Size";
  TextcLine(text, "const");
  TextcLine(text, "  " + sizeName + " = " + std::to_string(n) + ";");
  TextcLine(text, "  " + name + " : array [0.." + sizeName + "-1] of byte = (");
  if (n == 0) return;
  std::string buffer;
  for (std::int64_t i = 0; i + 1 < n; ++i) {
    buffer += '$';
    TextcHex(buffer, data[i]);
    buffer += ',';
    if (buffer.size() > 70) {
      TextcLine(text, "    " + buffer);
      buffer.clear();
    }
  }
  buffer += '$';
  TextcHex(buffer, data[n - 1]);
  TextcLine(text, "    " + buffer + ");");
}

// Kind 1: hex literals, as the body of a C array. The size line is a C
// comment, so the list compiles as it stands.
void TextcHexList(std::string& text, const Byte* data, std::int64_t n) {
  TextcLine(text, "// Size=" + std::to_string(n));
  if (n == 0) return;
  std::string buffer;
  for (std::int64_t i = 0; i + 1 < n; ++i) {
    buffer += "0x";
    TextcHex(buffer, data[i]);
    buffer += ',';
    if (buffer.size() > 70) {
      TextcLine(text, buffer);
      buffer.clear();
    }
  }
  buffer += "0x";
  TextcHex(buffer, data[n - 1]);
  TextcLine(text, buffer);
}

// Kind 3: one character a pixel, dark to light; pure white (level 9) is
// the blank like level 8.
void TextcAsciiArt(std::string& text, TVQBitmap* image) {
  static const char kPalette[] = "W@#*+:., ";
  const int w = image->GetWidth(), h = image->GetHeight();
  std::string line(std::size_t(w), ' ');
  for (int y = 0; y < h; ++y) {
    const Byte* row = image->GetScanline(y);
    for (int x = 0; x < w; ++x) {
      const Byte* p = row + std::size_t(x) * 3;  // blue, green, red
      const int grey = (p[2] * GrayWeightRed + p[1] * GrayWeightGreen + p[0] * GrayWeightBlue) / 100;
      int level = int(grey / 255.0 * 9);
      if (level > 8) level = 8;
      if (level < 0) level = 0;
      line[std::size_t(x)] = kPalette[level];
    }
    TextcLine(text, line);
  }
}

}  // namespace

void TPictoraIO::SaveImageAsText(const std::string& FileName, int FileType, Byte Kind) {
  if (StartOnThread([this, FileName, FileType, Kind] { SaveImageAsText(FileName, FileType, Kind); })) return;
  std::string text;
  if (Kind <= 2) {
    TMemoryStream encoded;
    if (PrepareImage()) SaveToStreamFormat(&encoded, FileType);
    encoded.SetPosition(0);
    const auto* data = static_cast<const Byte*>(encoded.Memory());
    const std::int64_t n = encoded.Size();
    if (Kind == 0) {
      TextcConstArray(text, TextcIdentifier(FileName), data, n);
    } else if (Kind == 1) {
      TextcHexList(text, data, n);
    } else {
      TStringStream lines("");
      WriteBase64Lines(&encoded, &lines, 76);
      text = lines.DataString();
    }
  } else if (Kind == 3) {
    if (PrepareImage(1u << vqRGB24)) TextcAsciiArt(text, Image());
  }
  SafeSaveFile(FileName, text);
}
