#include "app/main/UBmpToJpg.h"

#include <algorithm>
#include <cerrno>

#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SafeSave.h"

std::string SaveFailureReason(int errorCode) {
  switch (errorCode) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return "磁盘空间不足。";
    case EACCES:
    case EPERM:
    case EROFS: return "没有写入该位置的权限。";
    case EISDIR: return "目标不是普通文件。";
    case ENOENT:
    case ENOTDIR: return "目标文件夹不存在。";
    case ENAMETOOLONG:
    case EINVAL: return "文件名无效。";
    case EIO: return "磁盘读写错误。";
    default: return "无法写入文件。";
  }
}

std::string SaveFailureReason(const std::exception& e) {
  if (const auto* save = dynamic_cast<const ESaveError*>(&e)) return SaveFailureReason(save->ErrorCode());
  if (dynamic_cast<const EOutOfMemory*>(&e) || dynamic_cast<const std::bad_alloc*>(&e)) return "内存不足。";
  return SaveFailureReason(0);
}

namespace {

// Runs one save; false with the reason when it raises.
template <typename Save>
bool Guarded(std::string* error, Save save) {
  try {
    save();
    return true;
  } catch (const std::exception& e) {
    if (error) *error = SaveFailureReason(e);
  } catch (...) {
    if (error) *error = SaveFailureReason(0);
  }
  return false;
}

}  // namespace

bool SaveAsJpeg(TBitmap* picture, const std::string& fileName, int quality, std::string* error) {
  if (!picture || picture->Empty()) {
    if (error) *error = "没有可保存的图片。";
    return false;
  }
  return Guarded(error, [&] {
    TJPEGImage jpeg;
    jpeg.Assign(picture);
    jpeg.CompressionQuality = std::clamp(quality, 1, 100);
    jpeg.SaveToFile(fileName);
  });
}

bool SavePictureAsBmp(TBitmap* picture, const std::string& fileName, std::string* error) {
  if (!picture || picture->Empty()) {
    if (error) *error = "没有可保存的图片。";
    return false;
  }
  return Guarded(error, [&] {
    picture->SetPixelFormat(pf24bit);
    picture->SaveToFile(fileName);
  });
}
