// Loads arbitrary bytes as a skin ini beside a few small pictures and cursor
// files. Whatever the text, the load ends (loaded or failed) with the skin
// data in a consistent state, and every look-up stays inside its lists; read
// over a skin in use, a load that fails leaves that skin as it was.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/user/input/Cursors.h"
#include "skin/engine/SkinData.h"
#include "tests/skin/engine/SkinTestUtil.h"

namespace {

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The folder lives as long as the process and goes with it.
struct TFuzzSkinFolder {
  std::filesystem::path Dir;
  TFuzzSkinFolder() : Dir(std::filesystem::temp_directory_path() / ("lumiqa_fuzz_skin_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(Dir);
    WriteFile(Dir / "a.bmp", WriteBmp(TSkinFolder::Solid(16, 12)));
    WriteFile(Dir / "b.bmp", WriteBmp(TSkinFolder::Solid(3, 40)));
    WriteFile(Dir / "c.jpg", EncodeJpeg(TSkinFolder::Solid(8, 8)));
    TJpegEncodeOptions grey;
    grey.Grayscale = true;
    WriteFile(Dir / "g.jpg", EncodeJpeg(TSkinFolder::Solid(5, 7), grey));
    WriteFile(Dir / "bad.bmp", {'B', 'M', 0, 0});
    // A few bytes claiming far more pixels than a skin may hold.
    WriteFile(Dir / "big.bmp", TSkinFolder::RunLengthBmp(30000, 30000));
    WriteFile(Dir / "a.cur", {0, 0, 2, 0, 1, 0});
    WriteFile(Dir / "b.cur", TSkinFolder::CursorFile(16, 16, 3, 4));
    // What is not a regular file, which the loader must refuse unopened.
    ::mkfifo((Dir / "fifo.bmp").c_str(), 0600);
    std::filesystem::create_directories(Dir / "sub");
    WriteFile(Dir / "sub" / "s.bmp", WriteBmp(TSkinFolder::Solid(2, 2)));
    // A skin in use for the fuzzed one to be read over.
    const std::string good =
        "[VERSION]\nskinversion=1\n[PICTURES]\npicture=a.bmp\n[FORMINFO]\nclientrect=2,2,14,10\n"
        "[SKINOBJECTS]\ncount=0\n[SKINCONTROLS]\ncount=0\n";
    WriteFile(Dir / "Good.ini", std::vector<std::uint8_t>(good.begin(), good.end()));
  }
  ~TFuzzSkinFolder() {
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
  }
};

const std::filesystem::path& SkinFolder() {
  static const TFuzzSkinFolder folder;
  return folder.Dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path ini = SkinFolder() / "Skin.ini";
  WriteFile(ini, std::vector<std::uint8_t>(data, data + size));

  // Cursor slots go to a table of our own, not the process-wide one.
  SkinCursorTable().SetCursor = [](int slot, std::uintptr_t handle) {
    if (slot < 1 || slot > kMaxStartCursorIndex + kMaxSkinListCount) std::abort();
    if (handle) DestroyCursor(reinterpret_cast<HCURSOR>(handle));
  };
  TspSkinData skin(nullptr);
  const bool loaded = skin.LoadFromFile(ini.string());
  if (skin.SkinLoading) std::abort();
  if (loaded == skin.Empty) std::abort();
  if (!loaded && (!skin.SkinControls.empty() || !skin.ActivePictures.empty())) std::abort();
  for (const auto& c : skin.SkinControls) {
    if (skin.GetControlIndex(c->SectionName) < 0) std::abort();
    (void)skin.GetActivePicture(c->pictureindex);
    (void)skin.CursorSlot(c->cursorindex);
  }
  for (const auto& o : skin.SkinObjects) (void)skin.GetActivePicture(o->activepictureindex);
  for (int i = 0; i < static_cast<int>(skin.ActivePictures.size()); ++i) {
    TBitmap* p = skin.GetActivePicture(i);
    if (p && (p->Empty() || !p->ScanLine(p->Height() - 1))) std::abort();
  }
  (void)skin.GetActivePicture(skin.bgpictureindex);
  (void)skin.FrameUsable();

  // Read over a skin in use: a load that fails leaves that skin whole.
  TspSkinData used(nullptr);
  if (!used.LoadFromFile((SkinFolder() / "Good.ini").string())) std::abort();
  const bool replaced = used.LoadFromFile(ini.string());
  if (used.SkinLoading || used.Empty) std::abort();
  if (!replaced && (used.Picture.Width() != 16 || used.Picture.Height() != 12)) std::abort();
  return 0;
}
