// Writes the hostile pictures that the load measurements use: small files
// that claim huge pictures or cost a pass per scan.
//   make_hostile FOLDER
// grey13000.jpg      greyscale baseline JPEG claiming 13000 x 13000, with
//                    the data of its first rows only
// rle12000x14000.bmp 8-bit run-length BMP of 12000 x 14000, a few runs
// prog999_8192.jpg   progressive JPEG of 999 scans, 8192 x 8192, flat
// prog999_13000.jpg  the same at 13000 x 13000
// libjpeg is used directly: the project's encoder has no scan scripts, and
// this tool is not part of the program.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {

// claimHeight > height: only height rows are coded, and the frame header
// claims claimHeight; the decoder fills the rest, as it does for any file
// that ends early.
bool WriteJpeg(const std::string& name, int width, int height, bool grey, bool progressive999, int claimHeight = 0) {
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = JDIMENSION(width);
  c.image_height = JDIMENSION(height);
  c.input_components = grey ? 1 : 3;
  c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 90, TRUE);
  std::vector<jpeg_scan_info> scans;
  if (progressive999) {
    // DC of all three components in one scan, then each of the 63 AC
    // coefficients of each component alone, first at Al 4 or 5 and refined
    // down to 0 (5 or 6 scans each): 1 + 189 * 5 + 53 = 999.
    scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
    int extra = 53;
    for (int comp = 0; comp < 3; ++comp)
      for (int k = 1; k <= 63; ++k) {
        const int al = extra-- > 0 ? 5 : 4;
        scans.push_back({1, {comp, 0, 0, 0}, k, k, 0, al});
        for (int a = al; a > 0; --a) scans.push_back({1, {comp, 0, 0, 0}, k, k, a, a - 1});
      }
    c.scan_info = scans.data();
    c.num_scans = int(scans.size());
  }
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(std::size_t(width) * std::size_t(c.input_components), 128);
  JSAMPROW rows[1] = {row.data()};
  while (c.next_scanline < c.image_height) jpeg_write_scanlines(&c, rows, 1);
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  if (claimHeight > height) {
    // The frame header's height sits 5 bytes into SOF0 (FF C0).
    std::fflush(f);
    std::vector<std::uint8_t> all;
    std::fseek(f, 0, SEEK_END);
    all.resize(std::size_t(std::ftell(f)));
    std::fclose(f);
    f = std::fopen(name.c_str(), "rb");
    if (!f || std::fread(all.data(), 1, all.size(), f) != all.size()) return false;
    std::fclose(f);
    for (std::size_t i = 0; i + 6 < all.size(); ++i)
      if (all[i] == 0xFF && all[i + 1] == 0xC0) {
        all[i + 5] = std::uint8_t(claimHeight >> 8);
        all[i + 6] = std::uint8_t(claimHeight);
        break;
      }
    // Without the end marker, as a cut file would be.
    if (all.size() >= 2) all.resize(all.size() - 2);
    f = std::fopen(name.c_str(), "wb");
    if (!f || std::fwrite(all.data(), 1, all.size(), f) != all.size()) return false;
    height = claimHeight;
  }
  std::fclose(f);
  std::printf("%s: %d x %d, %zu scans\n", name.c_str(), width, height, scans.empty() ? std::size_t(1) : scans.size());
  return true;
}

void Put16(std::vector<std::uint8_t>& b, unsigned v) {
  b.push_back(std::uint8_t(v));
  b.push_back(std::uint8_t(v >> 8));
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

bool WriteRleBmp(const std::string& name, int width, int height) {
  std::vector<std::uint8_t> data;
  // A few runs, then the end of the bitmap: the rest stays colour 0.
  for (int i = 0; i < 200; ++i) {
    data.push_back(255);
    data.push_back(std::uint8_t(i));
  }
  data.push_back(0);
  data.push_back(1);
  const std::uint32_t offset = 14 + 40 + 256 * 4;
  std::vector<std::uint8_t> b{'B', 'M'};
  Put32(b, offset + std::uint32_t(data.size()));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, std::uint32_t(width));
  Put32(b, std::uint32_t(height));
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 1);  // BI_RLE8
  Put32(b, std::uint32_t(data.size()));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 256);
  Put32(b, 0);
  for (int i = 0; i < 256; ++i) Put32(b, std::uint32_t(i * 0x010101));
  b.insert(b.end(), data.begin(), data.end());
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  std::fclose(f);
  std::printf("%s: %d x %d, %zu bytes\n", name.c_str(), width, height, b.size());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_hostile FOLDER\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/";
  bool ok = WriteJpeg(dir + "grey13000.jpg", 13000, 8, true, false, 13000);
  ok = WriteRleBmp(dir + "rle12000x14000.bmp", 12000, 14000) && ok;
  ok = WriteJpeg(dir + "prog999_8192.jpg", 8192, 8192, false, true) && ok;
  ok = WriteJpeg(dir + "prog999_13000.jpg", 13000, 13000, false, true) && ok;
  return ok ? 0 : 1;
}
