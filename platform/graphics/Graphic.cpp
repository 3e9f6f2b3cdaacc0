#include "platform/graphics/Graphic.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SafeSave.h"
#include "platform/rtl/Streams.h"

namespace {

// A file opened for reading without blocking on a FIFO swapped in after the
// check, and refused unless it is still a regular file once open.
class TPictureFile : public THandleStream {
 public:
  explicit TPictureFile(const std::string& fileName) : THandleStream(-1) {
    CheckRegularFile(fileName);
    do {
      handle_ = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (handle_ < 0 && errno == EINTR);
    if (handle_ < 0) throw EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(errno));
    struct stat st;
    if (::fstat(handle_, &st) != 0 || !S_ISREG(st.st_mode))
      throw EFOpenError("Cannot open file \"" + fileName + "\". Not a regular file");
  }
  ~TPictureFile() override {
    if (handle_ >= 0) ::close(handle_);
  }
};

}  // namespace

bool TGraphic::CanLoad(const std::uint8_t*, std::size_t) const { return true; }

std::unique_ptr<TStream> TGraphic::OpenPictureFile(const std::string& fileName) const {
  auto file = std::make_unique<TPictureFile>(fileName);
  std::uint8_t head[SignatureBytes];
  const std::int64_t got = file->Read(head, std::int64_t(sizeof head));
  if (!CanLoad(head, std::size_t(got < 0 ? 0 : got)))
    throw EInvalidGraphic("File \"" + fileName + "\" is not in the " + ClassName() + " format");
  file->SetPosition(0);
  return file;
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  std::unique_ptr<TStream> file = OpenPictureFile(fileName);
  LoadFromStream(*file);
}

void TGraphic::SaveToFile(const std::string& fileName) {
  SafeSaveFile(fileName, [this](TStream& out) { SaveToStream(out); });
}

void TGraphic::SetTransparent(bool t) {
  if (t == transparent_) return;
  transparent_ = t;
  Changed();
}

void TGraphic::SetModified(bool m) {
  if (m)
    Changed();
  else
    modified_ = false;
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}
